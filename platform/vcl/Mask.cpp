// Mask: the masked edit over the platform's EDIT. With a mask every change of the text goes through
// the mask here (typed characters, erasing, pasting); the window only shows it.
#include "Mask.h"

#include <algorithm>

#include "Clipbrd.h"
#include "ControlsPublish.h"

VCL_IMPLEMENT_CLASS(TCustomMaskEdit)

VCL_PUBLISHED(TMaskEdit)
{
  using namespace vcl_detail;
  p.Property("Anchors", &TMaskEdit::GetAnchors, &TMaskEdit::SetAnchors).Default(TAnchors() << akLeft << akTop);
  p.Property("AutoSelect", &TMaskEdit::GetAutoSelect, &TMaskEdit::SetAutoSelect).Default(true);
  p.Property("BorderStyle", &TMaskEdit::GetBorderStyle, &TMaskEdit::SetBorderStyle).Default(bsSingle);
  p.Property("CharCase", &TMaskEdit::GetCharCase, &TMaskEdit::SetCharCase).Default(ecNormal);
  p.Property("Ctl3D", &TMaskEdit::GetCtl3D, &TMaskEdit::SetCtl3D).Default(true);
  PublishDrag(p);
  // Before MaxLength and Text: a stored text is read into the mask it was written with.
  p.Property("EditMask", &TMaskEdit::GetEditMask, &TMaskEdit::SetEditMask);
  PublishIme(p);
  p.Property("MaxLength", &TMaskEdit::GetMaxLength, &TMaskEdit::SetMaxLength).Default(0);
  p.Property("ParentCtl3D", &TMaskEdit::GetParentCtl3D, &TMaskEdit::SetParentCtl3D).Default(true);
  p.Property("PasswordChar", &TMaskEdit::GetPasswordChar, &TMaskEdit::SetPasswordChar).Default(0);
  p.Property("ReadOnly", &TMaskEdit::GetReadOnly, &TMaskEdit::SetReadOnly).Default(false);
  p.Property("Text", &TMaskEdit::GetText, &TMaskEdit::SetText);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TMaskEdit::OnChange, &TMaskEdit::OnChange);
  PublishMouseEvents(p);
  PublishDragEvents(p);
}

static TUnitInit MaskUnitInit("Mask", [] { RegisterClasses({TMaskEdit::StaticClass()}); });

namespace {

struct TFlagScope {
  bool& flag;
  explicit TFlagScope(bool& f) : flag(f) { flag = true; }
  ~TFlagScope() { flag = false; }
};

}  // namespace

TCustomMaskEdit::TCustomMaskEdit(TOwnerArg owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::CreateParams(TCreateParams& params)
{
  TCustomEdit::CreateParams(params);
  // Positional data reads left to right whatever the form's direction (it stays at the right edge):
  // a right-to-left reading order would reorder the runs of digits and literals.
  if (IsMasked()) params.ExStyle &= ~DWORD(WS_EX_RTLREADING);
}

// The window's text is the edit text; a window made again must show it, not Text.
void TCustomMaskEdit::DestroyWnd()
{
  const AnsiString edit = GetEditText();
  TCustomEdit::DestroyWnd();
  TCustomEdit::SetTextInternal(edit);
}

void TCustomMaskEdit::SetEditMask(const TEditMaskText& value)
{
  if (value == FEditMask) return;
  const AnsiString text = GetText();
  const bool wasMasked = IsMasked();
  FEditMask = value;
  FMask = TEditMask(value);
  TCustomEdit::SetMaxLength(IsMasked() ? FMask.Length() : FMaxLength);
  if (wasMasked != IsMasked() && UseRightToLeftReading()) RecreateWnd();
  const AnsiString before = TCustomEdit::DoGetText();
  SetTextInternal(text);
  FOldValue = WindowEditText();
  if (TCustomEdit::DoGetText() != before) Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomMaskEdit::SetMaxLength(int value)
{
  FMaxLength = std::max(value, 0);
  if (!IsMasked()) TCustomEdit::SetMaxLength(FMaxLength);
}

AnsiString TCustomMaskEdit::GetEditText() const { return TCustomEdit::DoGetText(); }

void TCustomMaskEdit::SetEditText(const AnsiString& value)
{
  const AnsiString edit = IsMasked() ? AnsiString(Utf16ToUtf8(FMask.FitEditText(Utf8ToUtf16(value.str())))) : value;
  if (TCustomEdit::DoGetText() == edit) return;
  TCustomEdit::SetTextInternal(edit);
  Perform(CM_TEXTCHANGED, 0, 0);
}

AnsiString TCustomMaskEdit::DoGetText() const
{
  if (!IsMasked()) return TCustomEdit::DoGetText();
  return AnsiString(Utf16ToUtf8(FMask.TextOf(WindowEditText())));
}

void TCustomMaskEdit::SetTextInternal(const AnsiString& value)
{
  if (!IsMasked()) return TCustomEdit::SetTextInternal(value);
  TCustomEdit::SetTextInternal(AnsiString(Utf16ToUtf8(FMask.EditTextOf(Utf8ToUtf16(value.str())))));
}

void TCustomMaskEdit::ValidateEdit()
{
  if (!IsMasked()) return;
  const std::wstring edit = WindowEditText();
  const int position = FMask.FirstIncomplete(edit);
  if (position < 0) {
    FOldValue = edit;
    return;
  }
  if (HandleAllocated() && !HasState(csDesigning)) {
    // Back to the edit (leaving it is what asked for the check), without taking the entered text
    // as the one Escape goes back to.
    if (!Focused() && CanFocus()) {
      TFlagScope reEnter(FReEnter);
      SetFocus();
    }
    SetCaret(position);
  }
  throw EDBEditError(SMaskEditErr);
}

std::wstring TCustomMaskEdit::WindowEditText() const { return Utf8ToUtf16(TCustomEdit::DoGetText().str()); }

// One change of the window's text: the range replaced in place (one EN_CHANGE, the scroll kept).
void TCustomMaskEdit::Replace(int start, int end, const std::wstring& text, int caret)
{
  HWND handle = GetHandle();
  const std::wstring edit = WindowEditText();
  if (size_t(end) > edit.size() || edit.compare(size_t(start), size_t(end - start), text) != 0) {
    SendMessageW(handle, EM_SETSEL, WPARAM(start), LPARAM(end));
    SendMessageW(handle, EM_REPLACESEL, TRUE, LPARAM(text.c_str()));
  }
  SetCaret(caret);
}

void TCustomMaskEdit::SetCaret(int position) { SendMessageW(GetHandle(), EM_SETSEL, WPARAM(position), LPARAM(position)); }

void TCustomMaskEdit::Selection(int& start, int& end)
{
  DWORD from = 0, to = 0;
  SendMessageW(GetHandle(), EM_GETSEL, WPARAM(&from), LPARAM(&to));
  start = std::clamp(int(from), 0, FMask.Length());
  end = std::clamp(int(to), start, FMask.Length());
}

void TCustomMaskEdit::TypeChar(wchar_t ch)
{
  int start = 0, end = 0;
  Selection(start, end);
  const int position = FMask.NextInput(start);
  if (GetReadOnly() || position < 0) {
    MessageBeep(0);
    return;
  }
  if (FMask.At(position).Case == TMaskCase::None && GetCharCase() != ecNormal) {
    wchar_t buffer[2] = {ch, 0};
    if (GetCharCase() == ecUpperCase) CharUpperBuffW(buffer, 1);
    else CharLowerBuffW(buffer, 1);
    ch = buffer[0];
  }
  const wchar_t got = FMask.Accept(position, ch);
  if (got == 0) {
    MessageBeep(0);
    return;
  }
  // The selection goes blank and the character takes the first position it covers.
  const std::wstring edit = FMask.FitEditText(WindowEditText());
  const int from = start, to = std::max(end, position + 1);
  std::wstring part = FMask.EmptyEditText().substr(size_t(from), size_t(to - from));
  part[size_t(position - from)] = got == L' ' ? FMask.Blank() : got;
  for (int i = end; i < to; ++i)
    if (i != position) part[size_t(i - from)] = edit[size_t(i)];
  int next = FMask.NextInput(position + 1);
  if (next < 0) next = FMask.PreviousInput(FMask.Length()) + 1;
  Replace(from, to, part, next);
}

// Backspace blanks the position before the caret (literals passed over), Delete the one after it;
// a selection goes blank whole.
void TCustomMaskEdit::Erase(bool backward)
{
  if (GetReadOnly()) {
    MessageBeep(0);
    return;
  }
  int start = 0, end = 0;
  Selection(start, end);
  const std::wstring empty = FMask.EmptyEditText();
  if (start != end) return Replace(start, end, empty.substr(size_t(start), size_t(end - start)), start);
  const int position = backward ? FMask.PreviousInput(start) : FMask.NextInput(start);
  if (position < 0) return;
  Replace(position, position + 1, std::wstring(1, FMask.Blank()), position);
}

// The clipboard's text goes in position by position from the selection on, as if typed; a literal
// in the text that matches the mask's takes that place. One refused character refuses the paste.
void TCustomMaskEdit::Paste()
{
  if (GetReadOnly()) return;
  const std::wstring pasted = Utf8ToUtf16(Clipboard()->GetAsText().str());
  int start = 0, end = 0;
  Selection(start, end);
  std::wstring edit = FMask.FitEditText(WindowEditText());
  const std::wstring empty = FMask.EmptyEditText();
  for (int i = start; i < end; ++i) edit[size_t(i)] = empty[size_t(i)];
  int position = start;
  for (const wchar_t ch : pasted) {
    if (ch == L'\r' || ch == L'\n') break;
    if (position < FMask.Length() && FMask.IsLiteral(position) && ch == FMask.At(position).Literal) {
      ++position;
      continue;
    }
    position = FMask.NextInput(position);
    if (position < 0) break;
    const wchar_t got = FMask.Accept(position, ch);
    if (got == 0) {
      MessageBeep(0);
      return;
    }
    edit[size_t(position)] = got == L' ' ? FMask.Blank() : got;
    ++position;
  }
  int caret = FMask.NextInput(std::max(position, start));
  if (caret < 0) caret = FMask.PreviousInput(FMask.Length()) + 1;
  Replace(0, FMask.Length(), edit, caret);
}

void TCustomMaskEdit::Cut()
{
  int start = 0, end = 0;
  Selection(start, end);
  if (start == end) return;
  Perform(WM_COPY, 0, 0);
  Erase(false);
}

// A caret the mouse left on a literal moves on to the next position that takes input.
void TCustomMaskEdit::FitCaret()
{
  int start = 0, end = 0;
  Selection(start, end);
  if (start != end || start >= FMask.Length() || !FMask.IsLiteral(start)) return;
  int position = FMask.NextInput(start);
  if (position < 0) position = FMask.PreviousInput(FMask.Length()) + 1;
  SetCaret(position);
}

void TCustomMaskEdit::RestoreOldValue()
{
  TCustomEdit::SetTextInternal(AnsiString(Utf16ToUtf8(FOldValue)));
  SetModified(false);
  SelectAll();
}

void TCustomMaskEdit::KeyDown(WORD& key, TShiftState shift)
{
  TCustomEdit::KeyDown(key, shift);
  if (!IsMasked() || key == 0 || shift.Contains(ssAlt) || !HandleAllocated()) return;
  const bool extend = shift.Contains(ssShift) || shift.Contains(ssCtrl);
  int start = 0, end = 0;
  Selection(start, end);
  const int afterLast = FMask.PreviousInput(FMask.Length()) + 1;
  switch (key) {
    case VK_ESCAPE:
      if (shift.Empty() && WindowEditText() != FOldValue) {
        RestoreOldValue();
        key = 0;
      }
      return;
    case VK_BACK: Erase(true); break;
    case VK_DELETE:
      if (shift.Contains(ssShift)) Cut();
      else Erase(false);
      break;
    case VK_INSERT:
      if (!shift.Contains(ssShift)) return;  // Ctrl+Insert copies: the platform's own
      Paste();
      break;
    case 'V':
    case 'X':
      if (!shift.Contains(ssCtrl) || shift.Contains(ssShift)) return;
      if (key == 'V') Paste();
      else Cut();
      break;
    // With Shift or Ctrl the platform's edit extends the selection or moves by words.
    case VK_LEFT:
      if (extend) return;
      if (start != end) SetCaret(start);
      else if (const int position = FMask.PreviousInput(start); position >= 0) SetCaret(position);
      break;
    case VK_RIGHT:
      if (extend) return;
      if (start != end) SetCaret(end);
      else {
        const int position = FMask.NextInput(start + 1);
        SetCaret(position >= 0 ? position : std::max(afterLast, start));
      }
      break;
    case VK_HOME:
      if (extend) return;
      SetCaret(std::max(FMask.NextInput(0), 0));
      break;
    case VK_END:
      if (extend) return;
      SetCaret(afterLast);
      break;
    default: return;
  }
  key = 0;
}

void TCustomMaskEdit::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (!IsMasked()) return TCustomEdit::Dispatch(raw);
  switch (message.Msg) {
    case WM_CHAR: {
      TWMKey& key = static_cast<TWMKey&>(message);
      if (DoKeyPress(key)) return;
      const wchar_t ch = wchar_t(key.CharCode());
      // Backspace, Escape, Ctrl+V and Ctrl+X were keys (KeyDown); Ctrl+C and Ctrl+A stay the
      // platform's; other control characters fill nothing.
      if (ch == 0x03 || ch == 0x01) DefaultHandler(message);
      else if (ch >= 32) TypeChar(ch);
      return;
    }
    case WM_PASTE: return Paste();
    case WM_CUT: return Cut();
    case WM_CLEAR: {
      int start = 0, end = 0;
      Selection(start, end);
      if (start != end) Erase(false);
      return;
    }
    case WM_LBUTTONUP:
      TCustomEdit::Dispatch(raw);
      FitCaret();
      return;
    case CM_WANTSPECIALKEY:
      // Escape undoes the changes instead of pressing the form's Cancel button.
      if (message.WParam == VK_ESCAPE && WindowEditText() != FOldValue) {
        message.Result = 1;
        return;
      }
      break;
    case CM_ENTER:
      if (!FReEnter) FOldValue = WindowEditText();
      TCustomEdit::Dispatch(raw);
      FitCaret();
      return;
    case CM_EXIT:
      // Nothing to go back to while the edit or its window goes.
      if (!HasState(csDesigning) && !HasState(csDestroying) && !FControlState.Contains(csDestroyingHandle) &&
          WindowEditText() != FOldValue)
        ValidateEdit();
      break;
    case CN_COMMAND:
      if (static_cast<TWMCommand&>(message).NotifyCode() == EN_CHANGE && HandleAllocated()) {
        // Whatever changed the text behind the mask's back (the platform's own menu, undo), the
        // text is put back into the mask's shape; the one change is reported below.
        if (FFixing) return;
        const std::wstring edit = WindowEditText();
        const std::wstring fit = FMask.FitEditText(edit);
        if (fit != edit) {
          int start = 0, end = 0;
          Selection(start, end);
          TFlagScope fixing(FFixing);
          SetWindowTextW(GetHandle(), fit.c_str());
          SetCaret(start);
        }
      }
      break;
    default: break;
  }
  TCustomEdit::Dispatch(raw);
}
