// StdCtrls: memos — a multi-line EDIT whose Lines read and write the window's text.
#include "StdCtrls.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TScrollStyle, "ssNone", "ssHorizontal", "ssVertical", "ssBoth")
VCL_IMPLEMENT_CLASS(TCustomMemo)

VCL_PUBLISHED(TMemo)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Alignment", &TMemo::GetAlignment, &TMemo::SetAlignment).Default(taLeftJustify);
  p.Property("BorderStyle", &TMemo::GetBorderStyle, &TMemo::SetBorderStyle).Default(bsSingle);
  PublishDrag(p);
  PublishIme(p);
  p.Property("Lines", &TMemo::GetLines, &TMemo::SetLines);
  p.Property("MaxLength", &TMemo::GetMaxLength, &TMemo::SetMaxLength).Default(0);
  p.Property("ReadOnly", &TMemo::GetReadOnly, &TMemo::SetReadOnly).Default(false);
  p.Property("ScrollBars", &TMemo::GetScrollBars, &TMemo::SetScrollBars).Default(ssNone);
  p.Property("WantReturns", &TMemo::GetWantReturns, &TMemo::SetWantReturns).Default(true);
  p.Property("WantTabs", &TMemo::GetWantTabs, &TMemo::SetWantTabs).Default(false);
  p.Property("WordWrap", &TMemo::GetWordWrap, &TMemo::SetWordWrap).Default(true);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TMemo::OnChange, &TMemo::OnChange);
  PublishMouseEvents(p);
  PublishDragEvents(p);
}

namespace {

std::wstring Wide(const AnsiString& s) { return Utf8ToUtf16(s.str()); }
AnsiString Narrow(const std::wstring& s) { return AnsiString(Utf16ToUtf8(s)); }

// The lines of a text as the edit shows them: separated by CR LF; a last empty line (text empty or
// ending in a line break) is no line.
std::vector<std::wstring> SplitLines(const std::wstring& text)
{
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::wstring JoinLines(const std::vector<std::wstring>& lines)
{
  std::wstring text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += L"\r\n";
    text += lines[i];
  }
  return text;
}

// Lines bound to the memo: its window's lines while it has a window (wrapped lines count as the
// edit counts them), else the lines of the text the control keeps.
class TMemoStrings : public TStrings {
public:
  explicit TMemoStrings(TCustomMemo* memo) : FMemo(memo) {}
  int GetCount() override
  {
    if (!FMemo->HandleAllocated()) return int(SplitLines(Wide(FMemo->GetText())).size());
    HWND h = FMemo->GetHandle();
    int count = int(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
    // The edit always has a line after the last break; an empty one is no line of the list.
    if (count > 0 && SendMessageW(h, EM_LINELENGTH, SendMessageW(h, EM_LINEINDEX, count - 1, 0), 0) == 0) --count;
    return count;
  }
  AnsiString Get(int index) override
  {
    CheckIndex(index, GetCount());
    if (!FMemo->HandleAllocated()) return Narrow(SplitLines(Wide(FMemo->GetText()))[size_t(index)]);
    HWND h = FMemo->GetHandle();
    const LRESULT start = SendMessageW(h, EM_LINEINDEX, index, 0);
    const int length = int(SendMessageW(h, EM_LINELENGTH, start, 0));
    std::wstring line(size_t(std::max(length, 1)) + 1, L'\0');
    *reinterpret_cast<WORD*>(line.data()) = WORD(line.size());
    const int got = int(SendMessageW(h, EM_GETLINE, index, LPARAM(line.data())));
    line.resize(size_t(std::clamp(got, 0, length)));
    return Narrow(line);
  }
  void Put(int index, const AnsiString& s) override
  {
    CheckIndex(index, GetCount());
    if (!FMemo->HandleAllocated()) return Edit([&](std::vector<std::wstring>& lines) { lines[size_t(index)] = Wide(s); });
    HWND h = FMemo->GetHandle();
    const LRESULT start = SendMessageW(h, EM_LINEINDEX, index, 0);
    const LRESULT length = SendMessageW(h, EM_LINELENGTH, start, 0);
    Replace(start, start + length, Wide(s));
  }
  void Insert(int index, const AnsiString& s) override
  {
    const int count = GetCount();
    if (index < 0 || index > count) Error("List index out of bounds (%d)", index);
    if (!FMemo->HandleAllocated())
      return Edit([&](std::vector<std::wstring>& lines) { lines.insert(lines.begin() + index, Wide(s)); });
    HWND h = FMemo->GetHandle();
    if (index < count) {
      const LRESULT start = SendMessageW(h, EM_LINEINDEX, index, 0);
      Replace(start, start, Wide(s) + L"\r\n");
      return;
    }
    // After the last line: a break first, unless the text is empty or ends in one.
    const LRESULT end = GetWindowTextLengthW(h);
    const bool needBreak = count > 0 && SendMessageW(h, EM_LINEINDEX, count, 0) < 0;
    Replace(end, end, (needBreak ? L"\r\n" : L"") + Wide(s));
  }
  void Delete(int index) override
  {
    const int count = GetCount();
    CheckIndex(index, count);
    if (!FMemo->HandleAllocated())
      return Edit([&](std::vector<std::wstring>& lines) { lines.erase(lines.begin() + index); });
    HWND h = FMemo->GetHandle();
    LRESULT start = SendMessageW(h, EM_LINEINDEX, index, 0);
    LRESULT end = SendMessageW(h, EM_LINEINDEX, index + 1, 0);
    if (end < 0) {
      // The last line takes the break before it.
      end = GetWindowTextLengthW(h);
      if (index > 0) start = SendMessageW(h, EM_LINEINDEX, index - 1, 0) +
                             SendMessageW(h, EM_LINELENGTH, SendMessageW(h, EM_LINEINDEX, index - 1, 0), 0);
    }
    Replace(start, end, L"");
  }
  void Clear() override { FMemo->SetText(AnsiString()); }
  // The whole text at once, as the edit takes it.
  void SetText(const AnsiString& text) override
  {
    std::wstring wide = Wide(text);
    // Bare line feeds become the edit's CR LF.
    std::wstring fixed;
    for (size_t i = 0; i < wide.size(); ++i) {
      if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r')) fixed += L'\r';
      fixed += wide[i];
    }
    FMemo->SetText(Narrow(fixed));
  }

private:
  void CheckIndex(int index, int count)
  {
    if (index < 0 || index >= count) Error("List index out of bounds (%d)", index);
  }
  template <class F>
  void Edit(F change)
  {
    std::vector<std::wstring> lines = SplitLines(Wide(FMemo->GetText()));
    change(lines);
    FMemo->SetText(Narrow(JoinLines(lines)));
  }
  void Replace(LRESULT from, LRESULT to, const std::wstring& with)
  {
    HWND h = FMemo->GetHandle();
    SendMessageW(h, EM_SETSEL, WPARAM(from), LPARAM(to));
    SendMessageW(h, EM_REPLACESEL, FALSE, LPARAM(with.c_str()));
  }
  TCustomMemo* FMemo;
};

}  // namespace

TCustomMemo::TCustomMemo(TOwnerArg owner) : TCustomEdit(owner), FLines(std::make_unique<TMemoStrings>(this))
{
  SetBounds(0, 0, 185, 89);
  SetAutoSelect(false);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::SetLines(TStrings* value) { FLines->Assign(value); }

void TCustomMemo::CreateParams(TCreateParams& params)
{
  TCustomEdit::CreateParams(params);
  params.Style &= ~DWORD(ES_AUTOHSCROLL | ES_RIGHT | ES_CENTER);
  params.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (!FWordWrap || FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= ES_AUTOHSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
  // Right to left mirrors the alignment: left-justified text starts at the right edge.
  TAlignment alignment = FAlignment;
  if (UseRightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  if (alignment == taRightJustify) params.Style |= ES_RIGHT;
  if (alignment == taCenter) params.Style |= ES_CENTER;
}

void TCustomMemo::SetAlignment(TAlignment value)
{
  if (FAlignment == value) return;
  FAlignment = value;
  RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle value)
{
  if (FScrollBars == value) return;
  FScrollBars = value;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value)
{
  if (FWordWrap == value) return;
  FWordWrap = value;
  RecreateWnd();
}

TPoint TCustomMemo::GetCaretPos()
{
  DWORD start = 0;
  SendMessageW(GetHandle(), EM_GETSEL, WPARAM(&start), 0);
  const int line = int(SendMessageW(GetHandle(), EM_LINEFROMCHAR, start, 0));
  const int column = int(start) - int(SendMessageW(GetHandle(), EM_LINEINDEX, line, 0));
  return TPoint(column, line);
}

void TCustomMemo::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_GETDLGCODE:
      // Tab moves the focus and Enter goes to the form's default button unless the memo wants them.
      TCustomEdit::Dispatch(raw);
      message.Result &= ~LRESULT(DLGC_WANTTAB);
      if (FWantTabs) message.Result |= DLGC_WANTTAB;
      if (!FWantReturns) message.Result &= ~LRESULT(DLGC_WANTALLKEYS);
      return;
    case WM_CHAR:
      // The characters of keys the memo does not want (the form moved the focus or clicked a button).
      if ((message.WParam == VK_TAB && !FWantTabs) || (message.WParam == VK_RETURN && !FWantReturns)) return;
      break;
    default: break;
  }
  TCustomEdit::Dispatch(raw);
}
