// StdCtrls: labels, the unit's enumerations and the registration of its classes for stored forms.
#include "StdCtrls.h"

#include <algorithm>
#include <cctype>

#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TTextLayout, "tlTop", "tlCenter", "tlBottom")
VCL_IMPLEMENT_ENUM(TCheckBoxState, "cbUnchecked", "cbChecked", "cbGrayed")
VCL_IMPLEMENT_ENUM(TEditCharCase, "ecNormal", "ecUpperCase", "ecLowerCase")
VCL_IMPLEMENT_ENUM(TStaticBorderStyle, "sbsNone", "sbsSingle", "sbsSunken")
VCL_IMPLEMENT_CLASS(TCustomLabel)

VCL_PUBLISHED(TLabel)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Alignment", &TLabel::GetAlignment, &TLabel::SetAlignment).Default(taLeftJustify);
  p.Property("AutoSize", &TLabel::GetAutoSize, &TLabel::SetAutoSize).Default(true);
  p.Property("Caption", &TLabel::GetCaption, &TLabel::SetCaption);
  p.Property("FocusControl", &TLabel::GetFocusControl, &TLabel::SetFocusControl);
  p.Property("Layout", &TLabel::GetLayout, &TLabel::SetLayout).Default(tlTop);
  p.Property("ShowAccelChar", &TLabel::GetShowAccelChar, &TLabel::SetShowAccelChar).Default(true);
  p.Property("Transparent", &TLabel::GetTransparent, &TLabel::SetTransparent).Default(false);
  p.Property("WordWrap", &TLabel::GetWordWrap, &TLabel::SetWordWrap).Default(false);
  PublishLook(p);
  PublishState(p);
  PublishMouseEvents(p);
}

// Stored forms find the unit's classes by name.
static TUnitInit StdCtrlsUnitInit("StdCtrls", [] {
  RegisterClasses({TLabel::StaticClass(), TButton::StaticClass(), TCheckBox::StaticClass(), TEdit::StaticClass(),
                   TStaticText::StaticClass(), TGroupBox::StaticClass(), TMemo::StaticClass(), TListBox::StaticClass(),
                   TComboBox::StaticClass(), TScrollBar::StaticClass(), TRadioButton::StaticClass()});
});

namespace vcl_detail {

TSize MeasureControlText(TFont* font, const AnsiString& text, int flags, int maxWidth)
{
  // A screen-compatible memory DC of the thread's own measures as the screen's DC does, without
  // asking the window server for a DC each time (every auto-sized label of a stored form measures).
  thread_local TMemoryDC measuring;
  HDC dc = measuring.Get();
  struct Release {
    HDC dc;
    HGDIOBJ old;
    ~Release() { SelectObject(dc, old); }
  } release{dc, SelectObject(dc, font->GetHandle())};
  // An empty text still takes a line, so that an empty auto-sized control keeps its height.
  const std::wstring wide = Utf8ToUtf16(text.IsEmpty() ? std::string(" ") : text.str());
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(dc, wide.c_str(), int(wide.size()), &r, UINT(flags | DT_CALCRECT | DT_EXPANDTABS));
  return TSize{r.right - r.left, r.bottom - r.top};
}

}  // namespace vcl_detail

// ===================================================================================================
// TCustomLabel
TCustomLabel::TCustomLabel(TOwnerArg owner) : TGraphicControl(owner)
{
  FControlStyle << csOpaque << csReplicatable;
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value)
{
  if (FAlignment == value) return;
  FAlignment = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value)
{
  if (FAutoSize == value) return;
  FAutoSize = value;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value)
{
  if (FWordWrap == value) return;
  FWordWrap = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value)
{
  if (GetTransparent() == value) return;
  if (value) FControlStyle >> csOpaque;
  else FControlStyle << csOpaque;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value)
{
  if (FLayout == value) return;
  FLayout = value;
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value)
{
  if (FFocusControl == value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::SetShowAccelChar(bool value)
{
  if (FShowAccelChar == value) return;
  FShowAccelChar = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::Notification(TComponent* component, TOperation operation)
{
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::Loaded()
{
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::AdjustBounds()
{
  if (HasState(csLoading) || HasState(csDestroying) || !FAutoSize) return;
  int flags = FWordWrap ? DT_WORDBREAK : 0;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  const TSize size = vcl_detail::MeasureControlText(GetFont(), GetLabelText(), flags, FWordWrap ? GetWidth() : 0);
  int left = GetLeft();
  // A label aligned to its right edge (or to its left one when reading right to left) grows to the left.
  if ((FAlignment == taRightJustify) != UseRightToLeftAlignment()) left += GetWidth() - int(size.cx);
  SetBounds(left, GetTop(), int(size.cx), int(size.cy));
}

void TCustomLabel::DoDrawText(TRect& rect, int flags)
{
  TCanvas* canvas = GetCanvas();
  canvas->GetFont()->Assign(GetFont());
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  flags = DrawTextBiDiModeFlags(flags);
  const AnsiString text = GetLabelText();
  const std::wstring wide = Utf8ToUtf16((text.IsEmpty() && (flags & DT_CALCRECT)) ? std::string(" ") : text.str());
  RECT r = rect;
  HDC dc = canvas->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  if (!GetEnabled() && !(flags & DT_CALCRECT)) {
    // Disabled text is engraved: a light copy one pixel down and right, the shadow on top.
    OffsetRect(&r, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawTextW(dc, wide.c_str(), int(wide.size()), &r, UINT(flags));
    OffsetRect(&r, -1, -1);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  }
  DrawTextW(dc, wide.c_str(), int(wide.size()), &r, UINT(flags));
  rect = TRect(r);
}

void TCustomLabel::Paint()
{
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  if (!GetTransparent()) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(client);
  }
  canvas->GetBrush()->SetStyle(bsClear);
  static const int alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  int flags = DT_EXPANDTABS | alignments[FAlignment] | (FWordWrap ? DT_WORDBREAK : 0);
  TRect rect = client;
  if (FLayout != tlTop) {
    // Measure first, then move the text down by the space left over.
    TRect measured = client;
    DoDrawText(measured, flags | DT_CALCRECT);
    const int free = client.Height() - measured.Height();
    rect.Top += FLayout == tlBottom ? free : free / 2;
  }
  DoDrawText(rect, flags);
}

// An accelerator in the caption (&Name) focuses the control the label names.
void TCustomLabel::CMDialogChar(TCMDialogChar& message)
{
  if (!FFocusControl || !GetEnabled() || !FShowAccelChar) return;
  const AnsiString text = GetLabelText();
  for (int i = 1; i < text.Length(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    const char key = text[i + 1];
    if (std::toupper(static_cast<unsigned char>(key)) == std::toupper(int(message.CharCode())) &&
        FFocusControl->CanFocus()) {
      FFocusControl->SetFocus();
      message.Result = 1;
    }
    return;
  }
}

void TCustomLabel::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CM_TEXTCHANGED:
      Invalidate();
      AdjustBounds();
      return;
    case CM_FONTCHANGED:
      TGraphicControl::Dispatch(raw);
      AdjustBounds();
      return;
    case CM_BIDIMODECHANGED:
      Invalidate();
      return;
    case CM_DIALOGCHAR: return CMDialogChar(static_cast<TCMDialogChar&>(message));
    default: return TGraphicControl::Dispatch(raw);
  }
}
