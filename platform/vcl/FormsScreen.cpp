// Forms: TScreen — sizes of the screen and the desktop, the work area, the forms and the cursor.
#include "Forms.h"

#include <algorithm>

VCL_IMPLEMENT_CLASS(TScreen)

TScreen::TScreen(TOwnerArg owner) : TComponent(owner), FHintFont(std::make_unique<TFont>()) {}

TScreen::~TScreen() = default;

TRect TScreen::GetWorkAreaRect() const
{
  RECT r{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) r = RECT{0, 0, GetWidth(), GetHeight()};
  return TRect(r);
}

void TScreen::AddForm(TCustomForm* form)
{
  if (std::find(FForms.begin(), FForms.end(), form) == FForms.end()) FForms.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form)
{
  FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
  if (FActiveForm == form) FActiveForm = nullptr;
  if (FActiveControl && form->ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

// A cursor other than the default overrides every control's until it is set back.
void TScreen::SetCursor(TCursor value)
{
  if (FCursor == value) return;
  FCursor = value;
  POINT p{};
  ::GetCursorPos(&p);
  if (value != crDefault) ::SetCursor(GetCursors(value));
  else if (HWND window = WindowFromPoint(p)) SendMessageW(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

HCURSOR TScreen::GetCursors(int index) const
{
  for (const auto& [id, handle] : FCustomCursors)
    if (id == index) return handle;
  const wchar_t* id = IDC_ARROW;
  switch (index) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: id = IDC_WAIT; break;
    case crNo: case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursorW(nullptr, id);
}

void TScreen::SetCursors(int index, HCURSOR handle)
{
  for (auto& entry : FCustomCursors)
    if (entry.first == index) {
      entry.second = handle;
      return;
    }
  FCustomCursors.emplace_back(index, handle);
}
