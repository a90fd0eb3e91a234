// Standard controls on real windows: labels (size, alignment, transparency, right to left), push
// buttons (default, cancel, modal results), check boxes, edits with Hebrew text, static texts and
// group boxes.
#include <gtest/gtest.h>

#include <memory>

#include "ControlsTestSupport.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"

using namespace ctltest;

namespace {

const char Hebrew[] = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D";  // "shalom olam"

// Counts the events it hears.
class TProbe : public TObject {
  VCL_DECLARE_CLASS(TProbe, TObject)
  TProbe() = default;
  int Clicks = 0;
  int Changes = 0;
  std::vector<AnsiString> Texts;
  void Clicked(TObject*) { ++Clicks; }
  void Changed(TObject* sender)
  {
    ++Changes;
    if (auto* edit = dynamic_cast<TEdit*>(sender)) Texts.push_back(edit->GetText());
  }
};
VCL_IMPLEMENT_CLASS(TProbe)

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};
using TFormPtr = std::unique_ptr<TForm, FormDeleter>;

}  // namespace

TEST(Label, AutoSizeFollowsTheText)
{
  TFormPtr form(NewForm(300, 100));
  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  label->SetCaption("Hi");
  const int shortWidth = label->GetWidth();
  label->SetCaption("A much longer caption");
  EXPECT_GT(label->GetWidth(), shortWidth + 40);
  const TSize expected = vcl_detail::MeasureControlText(label->GetFont(), "A much longer caption", 0, 0);
  EXPECT_EQ(label->GetWidth(), int(expected.cx));
  EXPECT_EQ(label->GetHeight(), int(expected.cy));
  // A right-aligned label keeps its right edge.
  label->SetBounds(200, 10, label->GetWidth(), label->GetHeight());
  label->SetAlignment(taRightJustify);
  const int right = label->GetLeft() + label->GetWidth();
  label->SetCaption("Hi");
  EXPECT_EQ(label->GetLeft() + label->GetWidth(), right);
  EXPECT_EQ(label->GetWidth(), shortWidth);
  // Without AutoSize the size stays.
  label->SetAutoSize(false);
  label->SetCaption("Something else entirely");
  EXPECT_EQ(label->GetWidth(), shortWidth);
}

TEST(Label, AlignmentPlacesTheText)
{
  TFormPtr form(NewForm(300, 60));
  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  label->SetAutoSize(false);
  label->SetBounds(0, 10, 300, 20);
  label->SetCaption("III");
  label->GetFont()->SetColor(clRed);
  label->SetColor(clWhite);
  auto columns = [&] { return CaptureControl(label).ColumnsNear(RGB(255, 0, 0)); };
  const auto left = columns();
  ASSERT_GE(left.first, 0) << "no text painted";
  EXPECT_LT(left.second, 60);
  label->SetAlignment(taRightJustify);
  const auto right = columns();
  EXPECT_GT(right.first, 240);
  label->SetAlignment(taCenter);
  const auto centre = columns();
  EXPECT_GT(centre.first, 120);
  EXPECT_LT(centre.second, 180);
  // Right to left: a left-aligned label reads from the right edge.
  label->SetAlignment(taLeftJustify);
  label->SetBiDiMode(bdRightToLeft);
  const TPixels rtl = CaptureControl(label);
  rtl.Save("label_rtl");
  EXPECT_GT(rtl.ColumnsNear(RGB(255, 0, 0)).first, 240);
  // Right to left with its own right alignment swaps back to the left.
  label->SetAlignment(taRightJustify);
  EXPECT_LT(columns().second, 60);
}

TEST(Label, LayoutMovesTheTextDown)
{
  TFormPtr form(NewForm(200, 100));
  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  label->SetAutoSize(false);
  label->SetBounds(0, 0, 200, 90);
  label->SetCaption("Mid");
  label->GetFont()->SetColor(clBlue);
  auto rows = [&] {
    const TPixels p = CaptureControl(label);
    int first = -1;
    for (int y = 0; y < p.Height && first < 0; ++y)
      if (p.Count(TRect(0, y, p.Width, y + 1), RGB(0, 0, 255)) > 0) first = y;
    return first;
  };
  const int top = rows();
  label->SetLayout(tlCenter);
  const int centre = rows();
  label->SetLayout(tlBottom);
  const int bottom = rows();
  ASSERT_GE(top, 0);
  EXPECT_LT(top, 10);
  EXPECT_GT(centre, 30);
  EXPECT_LT(centre, 50);
  EXPECT_GT(bottom, 70);
}

TEST(Label, TransparentShowsTheImageUnderIt)
{
  TFormPtr form(NewForm(200, 80));
  auto* image = new TImage(form.get());
  image->SetParent(form.get());
  image->SetBounds(10, 10, 150, 40);
  image->GetCanvas()->GetBrush()->SetColor(clLime);
  image->GetCanvas()->FillRect(TRect(0, 0, 150, 40));
  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  label->SetAutoSize(false);
  label->SetBounds(20, 15, 100, 25);
  label->SetColor(clRed);
  label->SetCaption("WWW");
  label->SetTransparent(true);
  const TPixels through = CaptureControl(label);
  through.Save("label_transparent");
  const TRect all(0, 0, through.Width, through.Height);
  EXPECT_EQ(through.Count(all, RGB(255, 0, 0)), 0);
  EXPECT_GT(through.Count(all, RGB(0, 255, 0)), all.Width() * all.Height() / 2);
  EXPECT_GT(through.Count(all, RGB(0, 0, 0)), 10) << "the text is missing";
  label->SetTransparent(false);
  const TPixels opaque = CaptureControl(label);
  EXPECT_EQ(opaque.Count(all, RGB(0, 255, 0)), 0);
  EXPECT_GT(opaque.Count(all, RGB(255, 0, 0)), all.Width() * all.Height() / 2);
}

TEST(Button, DefaultAndCancelAnswerEnterAndEscape)
{
  TFormPtr form(NewForm(300, 100, clBtnFace));
  TProbe probe;
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  auto* ok = new TButton(form.get());
  ok->SetParent(form.get());
  ok->SetBounds(10, 40, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  ok->OnClick = TNotifyEvent(&probe, &TProbe::Clicked);
  auto* cancel = new TButton(form.get());
  cancel->SetParent(form.get());
  cancel->SetBounds(100, 40, 75, 25);
  cancel->SetCancel(true);
  TProbe cancelProbe;
  cancel->OnClick = TNotifyEvent(&cancelProbe, &TProbe::Clicked);
  Pump();
  EXPECT_TRUE(GetWindowLongW(ok->GetHandle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  // Straight to the form, as the dialog-key path delivers it.
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
  EXPECT_EQ(probe.Clicks, 1);
  EXPECT_EQ(form->GetModalResult(), mrOk);
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
  EXPECT_EQ(cancelProbe.Clicks, 1);
  // Through the message loop: Enter pressed in the focused edit.
  edit->SetFocus();
  Pump();
  PostMessageW(edit->GetHandle(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
  EXPECT_TRUE(WaitFor([&] { return probe.Clicks == 2; }, 2000));
  // Neither answers a key that is not theirs, nor when hidden.
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_F2, 0), 0);
  ok->SetVisible(false);
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_RETURN, 0), 0);
  EXPECT_EQ(probe.Clicks, 2);
}

TEST(Button, PlatformClickReachesOnClickAndEndsAModalForm)
{
  auto* form = new TForm(Application, 0);
  TFormPtr owner(form);
  form->SetBounds(60, 60, 240, 120);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetBounds(20, 20, 80, 25);
  ok->SetModalResult(mrYes);
  TProbe probe;
  ok->OnClick = TNotifyEvent(&probe, &TProbe::Clicked);
  // The click comes from the platform's button (BM_CLICK: press and release), posted by a timer once
  // the modal loop runs.
  auto* timer = new TTimer(form);
  timer->SetInterval(50);
  struct TClicker : TObject {
    TButton* Button = nullptr;
    TTimer* Timer = nullptr;
    void Fire(TObject*)
    {
      Timer->SetEnabled(false);
      PostMessageW(Button->GetHandle(), BM_CLICK, 0, 0);
    }
  } clicker;
  clicker.Button = ok;
  clicker.Timer = timer;
  timer->SetOnTimer(TNotifyEvent(&clicker, &TClicker::Fire));
  // A watchdog ends the loop should the click never arrive, so the test cannot hang.
  auto* watchdog = new TTimer(form);
  watchdog->SetInterval(5000);
  struct TWatchdog : TObject {
    TForm* Form = nullptr;
    void Fire(TObject*) { Form->SetModalResult(mrAbort); }
  } dog;
  dog.Form = form;
  watchdog->SetOnTimer(TNotifyEvent(&dog, &TWatchdog::Fire));
  EXPECT_EQ(form->ShowModal(), mrYes);
  EXPECT_EQ(probe.Clicks, 1);
  EXPECT_FALSE(form->GetVisible());
}

TEST(CheckBox, TogglesThroughItsStates)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TProbe probe;
  auto* box = new TCheckBox(form.get());
  box->SetParent(form.get());
  box->SetBounds(10, 10, 150, 20);
  box->SetCaption("Loop");
  box->OnClick = TNotifyEvent(&probe, &TProbe::Clicked);
  Pump();
  HWND h = box->GetHandle();
  // A click of the platform's box (press and release) toggles it.
  SendMessageW(h, BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(box->GetChecked());
  EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(probe.Clicks, 1);
  SendMessageW(h, BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(box->GetState(), cbUnchecked);
  EXPECT_EQ(probe.Clicks, 2);
  // With AllowGrayed the cycle passes through grayed.
  box->SetAllowGrayed(true);
  SendMessageW(h, BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(box->GetState(), cbGrayed);
  EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  SendMessageW(h, BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(box->GetState(), cbChecked);
  EXPECT_EQ(probe.Clicks, 4);
  // Set by the program: the box follows and OnClick runs, as in the VCL.
  box->SetChecked(false);
  EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(probe.Clicks, 5);
  box->SetAlignment(taLeftJustify);
  EXPECT_TRUE(GetWindowLongW(box->GetHandle(), GWL_STYLE) & BS_LEFTTEXT);
}

TEST(Edit, HebrewTextAndChangeEvents)
{
  TFormPtr form(NewForm(250, 60));
  TProbe probe;
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(10, 10, 200, 21);
  edit->OnChange = TNotifyEvent(&probe, &TProbe::Changed);
  Pump();
  edit->SetText(Hebrew);
  Pump();
  EXPECT_EQ(edit->GetText(), AnsiString(Hebrew));
  ASSERT_EQ(probe.Changes, 1);
  EXPECT_EQ(probe.Texts.back(), AnsiString(Hebrew));
  // What the window holds is the same text in UTF-16.
  wchar_t buffer[64] = {};
  GetWindowTextW(edit->GetHandle(), buffer, 64);
  EXPECT_EQ(std::wstring(buffer), std::wstring(L"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD"));
  // Typing (a character message at the caret, put at the end) changes it too.
  edit->SetSelStart(9);
  SendMessageW(edit->GetHandle(), WM_CHAR, L'\u05D0', 1);
  Pump();
  EXPECT_EQ(probe.Changes, 2);
  EXPECT_EQ(edit->GetText(), AnsiString(Hebrew) + "\xD7\x90");
  // Selection counts characters as the platform does.
  edit->SetSelStart(0);
  edit->SetSelLength(4);
  EXPECT_EQ(edit->GetSelLength(), 4);
  EXPECT_EQ(edit->GetSelText(), AnsiString("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"));
  edit->SetSelText("ab");
  EXPECT_EQ(edit->GetText().SubString(1, 3), AnsiString("ab "));
  edit->SetMaxLength(5);
  edit->SetText("");
  SetWindowTextW(edit->GetHandle(), L"");
  for (wchar_t c : std::wstring(L"1234567")) SendMessageW(edit->GetHandle(), WM_CHAR, c, 1);
  EXPECT_EQ(edit->GetText(), AnsiString("12345"));
  edit->SetReadOnly(true);
  EXPECT_TRUE(GetWindowLongW(edit->GetHandle(), GWL_STYLE) & ES_READONLY);
  edit->SetPasswordChar('*');
  EXPECT_EQ(SendMessageW(edit->GetHandle(), EM_GETPASSWORDCHAR, 0, 0), '*');
  // Entering by the keyboard selects everything.
  edit->SetReadOnly(false);
  form->SetFocus();
  edit->SetFocus();
  Pump();
  EXPECT_EQ(edit->GetSelStart(), 0);
  EXPECT_EQ(edit->GetSelLength(), 5);
}

TEST(Edit, TextBeforeTheWindowIsKept)
{
  TFormPtr form(NewForm(250, 60));
  TProbe probe;
  auto* edit = new TEdit(form.get());
  edit->OnChange = TNotifyEvent(&probe, &TProbe::Changed);
  edit->SetText(Hebrew);
  EXPECT_EQ(probe.Changes, 1);
  edit->SetParent(form.get());
  Pump();
  ASSERT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(edit->GetText(), AnsiString(Hebrew));
  EXPECT_EQ(probe.Changes, 1) << "making the window is no change";
}

TEST(StaticTextAndGroupBox, PlatformWindowsHoldTheirTexts)
{
  TFormPtr form(NewForm(300, 200, clBtnFace));
  auto* text = new TStaticText(form.get());
  text->SetParent(form.get());
  text->SetLeft(10);
  text->SetCaption(Hebrew);
  Pump();
  wchar_t buffer[64] = {};
  GetClassNameW(text->GetHandle(), buffer, 64);
  EXPECT_EQ(std::wstring(buffer), L"TStaticText");
  GetWindowTextW(text->GetHandle(), buffer, 64);
  EXPECT_EQ(std::wstring(buffer), std::wstring(L"\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD"));
  EXPECT_EQ(text->GetWidth(), int(vcl_detail::MeasureControlText(text->GetFont(), Hebrew, 0, 0).cx));
  auto* group = new TGroupBox(form.get());
  group->SetParent(form.get());
  group->SetBounds(10, 40, 200, 120);
  group->SetCaption("Group");
  auto* inner = new TEdit(form.get());
  inner->SetParent(group);
  inner->SetAlign(alClient);
  Pump();
  EXPECT_EQ(::GetParent(inner->GetHandle()), group->GetHandle());
  // The child fills the frame below the caption.
  EXPECT_GT(inner->GetTop(), 5);
  EXPECT_GE(inner->GetLeft(), 2);
  EXPECT_LE(inner->GetLeft() + inner->GetWidth(), group->GetClientWidth() - 2);
  EXPECT_EQ(group->Perform(WM_NCHITTEST, 0, MAKELPARAM(group->ClientToScreen(TPoint(5, 100)).x,
                                                        group->ClientToScreen(TPoint(5, 100)).y)),
            HTCLIENT);
  // A change made in the group's child reaches it through the group's window.
  TProbe probe;
  inner->OnChange = TNotifyEvent(&probe, &TProbe::Changed);
  inner->SetText("x");
  Pump();
  EXPECT_EQ(probe.Changes, 1);
  Capture(form.get()).Save("static_group");
}
