// StdCtrls: edits (the platform's EDIT), static texts (STATIC) and group boxes (a group-box BUTTON).
#include "StdCtrls.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_CLASS(TCustomEdit)
VCL_IMPLEMENT_CLASS(TCustomStaticText)
VCL_IMPLEMENT_CLASS(TCustomGroupBox)

VCL_PUBLISHED(TEdit)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("AutoSelect", &TEdit::GetAutoSelect, &TEdit::SetAutoSelect).Default(true);
  p.Property("BorderStyle", &TEdit::GetBorderStyle, &TEdit::SetBorderStyle).Default(bsSingle);
  p.Property("CharCase", &TEdit::GetCharCase, &TEdit::SetCharCase).Default(ecNormal);
  PublishDrag(p);
  PublishIme(p);
  p.Property("MaxLength", &TEdit::GetMaxLength, &TEdit::SetMaxLength).Default(0);
  p.Property("PasswordChar", &TEdit::GetPasswordChar, &TEdit::SetPasswordChar).Default(0);
  p.Property("ReadOnly", &TEdit::GetReadOnly, &TEdit::SetReadOnly).Default(false);
  p.Property("Text", &TEdit::GetText, &TEdit::SetText);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TEdit::OnChange, &TEdit::OnChange);
  PublishMouseEvents(p);
  PublishDragEvents(p);
}

VCL_PUBLISHED(TStaticText)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Alignment", &TStaticText::GetAlignment, &TStaticText::SetAlignment).Default(taLeftJustify);
  p.Property("AutoSize", &TStaticText::GetAutoSize, &TStaticText::SetAutoSize).Default(true);
  p.Property("BorderStyle", &TStaticText::GetBorderStyle, &TStaticText::SetBorderStyle).Default(sbsNone);
  p.Property("Caption", &TStaticText::GetCaption, &TStaticText::SetCaption);
  p.Property("FocusControl", &TStaticText::GetFocusControl, &TStaticText::SetFocusControl);
  p.Property("ShowAccelChar", &TStaticText::GetShowAccelChar, &TStaticText::SetShowAccelChar).Default(true);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, false);
  PublishMouseEvents(p);
}

VCL_PUBLISHED(TGroupBox)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Caption", &TGroupBox::GetCaption, &TGroupBox::SetCaption);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, false);
  PublishMouseEvents(p);
}

// ===================================================================================================
// TCustomEdit
TCustomEdit::TCustomEdit(TOwnerArg owner) : TWinControl(owner)
{
  FControlStyle << csClickEvents << csSetCaption << csDoubleClicks;
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"EDIT");
  params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (FReadOnly) params.Style |= ES_READONLY;
  if (FCharCase == ecUpperCase) params.Style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) params.Style |= ES_LOWERCASE;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
  // Right to left: the text sits at the right edge.
  if (UseRightToLeftAlignment()) params.Style |= ES_RIGHT;
}

void TCustomEdit::CreateWnd()
{
  // The window's first text is no change the program made.
  FCreating = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FCreating};
  TWinControl::CreateWnd();
  HWND handle = GetHandle();
  SendMessageW(handle, EM_LIMITTEXT, WPARAM(FMaxLength), 0);
  if (FPasswordChar != '\0') SendMessageW(handle, EM_SETPASSWORDCHAR, WPARAM(static_cast<unsigned char>(FPasswordChar)), 0);
  SendMessageW(handle, EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::SetMaxLength(int value)
{
  if (value < 0) value = 0;
  FMaxLength = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), EM_LIMITTEXT, WPARAM(value), 0);
}

void TCustomEdit::SetReadOnly(bool value)
{
  FReadOnly = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), EM_SETREADONLY, value, 0);
}

void TCustomEdit::SetPasswordChar(char value)
{
  if (FPasswordChar == value) return;
  FPasswordChar = value;
  if (!HandleAllocated()) return;
  SendMessageW(GetHandle(), EM_SETPASSWORDCHAR, WPARAM(static_cast<unsigned char>(value)), 0);
  Invalidate();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value)
{
  if (value != bsNone) value = bsSingle;
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase value)
{
  if (FCharCase == value) return;
  FCharCase = value;
  if (!HandleAllocated()) return;
  const LONG style = GetWindowLongW(GetHandle(), GWL_STYLE) & ~(ES_UPPERCASE | ES_LOWERCASE);
  SetWindowLongW(GetHandle(), GWL_STYLE,
                 style | (value == ecUpperCase ? ES_UPPERCASE : value == ecLowerCase ? ES_LOWERCASE : 0));
  // The style converts what is typed from now on; the text there already follows too.
  if (value == ecUpperCase) SetText(AnsiUpperCase(GetText()));
  if (value == ecLowerCase) SetText(AnsiLowerCase(GetText()));
}

bool TCustomEdit::GetModified() const
{
  if (!HandleAllocated()) return FModified;
  return SendMessageW(const_cast<TCustomEdit*>(this)->GetHandle(), EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value)
{
  FModified = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), EM_SETMODIFY, value, 0);
}

int TCustomEdit::GetSelStart()
{
  DWORD start = 0;
  SendMessageW(GetHandle(), EM_GETSEL, WPARAM(&start), 0);
  return int(start);
}

void TCustomEdit::SetSelStart(int value) { SendMessageW(GetHandle(), EM_SETSEL, WPARAM(value), LPARAM(value)); }

int TCustomEdit::GetSelLength()
{
  DWORD start = 0, end = 0;
  SendMessageW(GetHandle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
  return int(end - start);
}

void TCustomEdit::SetSelLength(int value)
{
  DWORD start = 0;
  SendMessageW(GetHandle(), EM_GETSEL, WPARAM(&start), 0);
  SendMessageW(GetHandle(), EM_SETSEL, WPARAM(start), LPARAM(int(start) + value));
}

AnsiString TCustomEdit::GetSelText()
{
  DWORD start = 0, end = 0;
  SendMessageW(GetHandle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
  const int length = GetWindowTextLengthW(GetHandle());
  std::wstring text(size_t(length) + 1, L'\0');
  const int got = GetWindowTextW(GetHandle(), text.data(), length + 1);
  text.resize(size_t(std::max(got, 0)));
  const size_t from = std::min<size_t>(start, text.size());
  const size_t to = std::clamp<size_t>(end, from, text.size());
  return AnsiString(Utf16ToUtf8(text.substr(from, to - from)));
}

void TCustomEdit::SetSelText(const AnsiString& value)
{
  SendMessageW(GetHandle(), EM_REPLACESEL, 0, LPARAM(Utf8ToUtf16(value.str()).c_str()));
}

void TCustomEdit::SelectAll() { SendMessageW(GetHandle(), EM_SETSEL, 0, -1); }

void TCustomEdit::Change()
{
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_COMMAND:
      if (static_cast<TWMCommand&>(message).NotifyCode() == EN_CHANGE && !FCreating) Change();
      return;
    case CM_ENTER:
      // Entering by the keyboard selects the whole text; a click places the caret where it lands.
      if (FAutoSelect && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      break;
    case CM_TEXTCHANGED:
      // The text set without a window reports its change when the window takes it.
      TWinControl::Dispatch(raw);
      if (!HandleAllocated()) Change();
      return;
    default: break;
  }
  TWinControl::Dispatch(raw);
}

// ===================================================================================================
// TCustomStaticText
TCustomStaticText::TCustomStaticText(TOwnerArg owner) : TWinControl(owner)
{
  FControlStyle << csCaptureMouse << csClickEvents << csSetCaption << csReplicatable << csDoubleClicks;
  SetBounds(0, 0, 65, 17);
}

void TCustomStaticText::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"STATIC");
  static const DWORD alignments[] = {SS_LEFT, SS_RIGHT, SS_CENTER};
  TAlignment alignment = FAlignment;
  if (UseRightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  params.Style |= alignments[alignment] | SS_NOTIFY;
  if (!FShowAccelChar) params.Style |= SS_NOPREFIX;
  if (FBorderStyle == sbsSingle) params.Style |= WS_BORDER;
  if (FBorderStyle == sbsSunken) params.Style |= SS_SUNKEN;
}

void TCustomStaticText::SetAlignment(TAlignment value)
{
  if (FAlignment == value) return;
  FAlignment = value;
  RecreateWnd();
}

void TCustomStaticText::SetAutoSize(bool value)
{
  if (FAutoSize == value) return;
  FAutoSize = value;
  AdjustBounds();
}

void TCustomStaticText::SetBorderStyle(TStaticBorderStyle value)
{
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  RecreateWnd();
  AdjustBounds();
}

void TCustomStaticText::SetShowAccelChar(bool value)
{
  if (FShowAccelChar == value) return;
  FShowAccelChar = value;
  RecreateWnd();
  AdjustBounds();
}

void TCustomStaticText::SetFocusControl(TWinControl* value)
{
  if (FFocusControl == value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = value;
  if (value) value->FreeNotification(this);
}

void TCustomStaticText::Notification(TComponent* component, TOperation operation)
{
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TCustomStaticText::Loaded()
{
  TWinControl::Loaded();
  AdjustBounds();
}

void TCustomStaticText::AdjustBounds()
{
  if (HasState(csLoading) || HasState(csDestroying) || !FAutoSize) return;
  const TSize text = vcl_detail::MeasureControlText(GetFont(), GetCaption(), FShowAccelChar ? 0 : DT_NOPREFIX, 0);
  int frame = 0;
  if (FBorderStyle == sbsSingle) frame = 2;
  if (FBorderStyle == sbsSunken) frame = 2;
  const int width = int(text.cx) + frame, height = int(text.cy) + frame;
  int left = GetLeft();
  if ((FAlignment == taRightJustify) != UseRightToLeftAlignment()) left += GetWidth() - width;
  SetBounds(left, GetTop(), width, height);
}

void TCustomStaticText::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TWinControl::Dispatch(raw);
      AdjustBounds();
      return;
    default: return TWinControl::Dispatch(raw);
  }
}

// ===================================================================================================
// TCustomGroupBox
TCustomGroupBox::TCustomGroupBox(TOwnerArg owner) : TWinControl(owner)
{
  FControlStyle << csAcceptsControls << csCaptureMouse << csClickEvents << csSetCaption << csDoubleClicks
                << csReplicatable;
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"BUTTON");
  params.Style |= BS_GROUPBOX;
  if (UseRightToLeftAlignment()) params.Style |= BS_RIGHT;
}

// Children stay inside the frame and below the caption.
void TCustomGroupBox::AdjustClientRect(TRect& rect)
{
  TWinControl::AdjustClientRect(rect);
  const TSize text = vcl_detail::MeasureControlText(GetFont(), "0", 0, 0);
  rect.Top += int(text.cy);
  rect.Left += 2;
  rect.Right -= 2;
  rect.Bottom -= 2;
  if (rect.Right < rect.Left) rect.Right = rect.Left;
  if (rect.Bottom < rect.Top) rect.Bottom = rect.Top;
}

void TCustomGroupBox::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_NCHITTEST:
      // The platform's group box lets the mouse through to its parent; ours keeps it for its children.
      message.Result = HTCLIENT;
      return;
    default: return TWinControl::Dispatch(raw);
  }
}
