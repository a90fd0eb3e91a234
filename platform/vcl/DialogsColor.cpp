// Dialogs: TColorDialog over the platform's colour chooser (ChooseColorW).
#include "Dialogs.h"

#include <commdlg.h>

#include <cstdio>

VCL_IMPLEMENT_ENUM(TColorDialogOption, "cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor")

VCL_PUBLISHED(TColorDialog)
{
  p.Property("Color", &TColorDialog::GetColor, &TColorDialog::SetColor).Default(clBlack);
  p.Property("CustomColors", &TColorDialog::GetCustomColors, &TColorDialog::SetCustomColors);
  p.Property("Options", &TColorDialog::GetOptions, &TColorDialog::SetOptions).Default(TColorDialogOptions());
}

namespace {

TUnitInit ColorDialogUnitInit("Dialogs.Color", [] { RegisterClass(TColorDialog::StaticClass()); });

constexpr COLORREF White = RGB(255, 255, 255);

// The custom colour's name in its line: ColorA to ColorP.
AnsiString ColorName(int index) { return AnsiString("Color") + char('A' + index); }

}  // namespace

namespace vcl_detail {

void CustomColorsFromLines(TStrings* lines, COLORREF (&colors)[16])
{
  for (int i = 0; i < 16; ++i) {
    colors[i] = White;
    const std::string value = lines->GetValue(ColorName(i)).str();
    if (value.empty() || value.size() > 8) continue;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(value.c_str(), &end, 16);
    if (end && *end == '\0' && parsed <= 0xFFFFFF) colors[i] = COLORREF(parsed);
  }
}

void CustomColorsToLines(const COLORREF (&colors)[16], TStrings* lines)
{
  lines->BeginUpdate();
  try {
    lines->Clear();
    for (int i = 0; i < 16; ++i) {
      char text[16];
      std::snprintf(text, sizeof text, "%.6lX", static_cast<unsigned long>(colors[i] & 0xFFFFFF));
      lines->Add(ColorName(i) + "=" + text);
    }
  } catch (...) {
    lines->EndUpdate();
    throw;
  }
  lines->EndUpdate();
}

DWORD ColorOptionFlags(TColorDialogOptions options)
{
  static constexpr DWORD flags[] = {CC_FULLOPEN, CC_PREVENTFULLOPEN, CC_SHOWHELP, CC_SOLIDCOLOR, CC_ANYCOLOR};
  DWORD result = 0;
  for (int o = cdFullOpen; o <= cdAnyColor; ++o)
    if (options.Contains(TColorDialogOption(o))) result |= flags[o];
  return result;
}

}  // namespace vcl_detail

TColorDialog::TColorDialog(TOwnerArg owner) : TCommonDialog(owner), FCustomColors(std::make_unique<TStringList>()) {}

TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute()
{
  COLORREF custom[16];
  vcl_detail::CustomColorsFromLines(FCustomColors.get(), custom);
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = OwnerWindow();
  cc.rgbResult = ColorToRGB(FColor);
  cc.lpCustColors = custom;
  cc.Flags = vcl_detail::ColorOptionFlags(FOptions) | CC_RGBINIT | CC_ENABLEHOOK;
  cc.lpfnHook = &TColorDialog::HookProc;
  cc.lCustData = reinterpret_cast<LPARAM>(this);
  const BOOL accepted = ChooseColorW(&cc);
  FHandle = nullptr;
  if (!accepted) {
    if (const DWORD error = CommDlgExtendedError())
      throw EInvalidOperation("The colour dialog could not be shown (error " + IntToStr(int(error)) + ")");
    return false;
  }
  FColor = TColor(cc.rgbResult);
  vcl_detail::CustomColorsToLines(custom, FCustomColors.get());
  return true;
}

// The dialog object rides in the dialog's user data from WM_INITDIALOG on (the platform's own
// procedure keeps its state elsewhere). Nothing thrown gets past here into the platform's code.
UINT_PTR CALLBACK TColorDialog::HookProc(HWND dialog, UINT msg, WPARAM, LPARAM lParam) noexcept
{
  TColorDialog* self = nullptr;
  try {
    if (msg == WM_INITDIALOG) {
      self = reinterpret_cast<TColorDialog*>(reinterpret_cast<const CHOOSECOLORW*>(lParam)->lCustData);
      SetPropW(dialog, L"OstrelColorDialog", self);
      self->FHandle = dialog;
      self->DoShow();
    } else if (msg == WM_DESTROY) {
      self = static_cast<TColorDialog*>(RemovePropW(dialog, L"OstrelColorDialog"));
      if (self) {
        self->DoClose();
        self->FHandle = nullptr;
      }
    }
  } catch (...) {
    try {
      if (Application) Application->HandleException(self);
    } catch (...) {
    }
  }
  return 0;
}
