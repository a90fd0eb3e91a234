// The masked edit: the mask language without a window, typing through real keys (overwrite, literals
// skipped, refused characters, erasing, pasting, right to left), validation when the focus leaves,
// and a stored form.
#include <gtest/gtest.h>

#include "Clipbrd.h"
#include "Mask.h"
#include "Menus.h"
#include "StdInputSupport.h"

using namespace stdinput;
namespace gt = ostrel::test;

namespace {

// Hears the edit's events and the exceptions the application is handed.
class TMaskRecorder : public TObject {
  VCL_DECLARE_CLASS(TMaskRecorder, TObject)
  TMaskRecorder() = default;
  int Changes = 0;
  int Exits = 0;
  std::vector<std::string> Errors;
  void Changed(TObject*) { ++Changes; }
  void Exited(TObject*) { ++Exits; }
  void Failed(TObject*, Exception* e)
  {
    Errors.push_back(std::string(dynamic_cast<EDBEditError*>(e) ? "EDBEditError: " : "other: ") + e->Message.str());
  }
};

class TMaskTestForm : public TForm {
  VCL_DECLARE_CLASS(TMaskTestForm, TForm)
  TMaskTestForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  void EditNotify(TObject*) {}
  void EditKey(TObject*, WORD&, TShiftState) {}
  void EditKeyPress(TObject*, char&) {}
  void EditMouse(TObject*, TMouseButton, TShiftState, int, int) {}
  void EditMouseMove(TObject*, TShiftState, int, int) {}
  void EditDragDrop(TObject*, TObject*, int, int) {}
  void EditDragOver(TObject*, TObject*, int, int, TDragState, bool&) {}
  void EditStartDock(TObject*, TDragDockObject*&) {}
  void EditStartDrag(TObject*, TDragObject*&) {}
};

const char* const Phone = "!\\(999\\)000-0000;1;_";

// One step of input: text typed, or a key pressed with its modifiers.
struct Step {
  std::string Text;
  WORD Key = 0;
  gt::Shift Shift = gt::ShiftNone;
};
Step Type(const char* text) { return Step{text}; }
Step Press(WORD key, gt::Shift shift = gt::ShiftNone) { return Step{"", key, shift}; }

class MaskEdit : public ::testing::Test {
protected:
  void SetUp() override { Form.reset(ctltest::NewForm(420, 200)); }

  TMaskEdit* NewEdit(const char* mask, TBiDiMode bidi = bdLeftToRight)
  {
    auto* edit = Place<TMaskEdit>(Form.get(), 10, 10, 200, 21);
    edit->SetBiDiMode(bidi);
    edit->SetEditMask(mask);
    edit->OnChange = TNotifyEvent(&Events, &TMaskRecorder::Changed);
    edit->OnExit = TNotifyEvent(&Events, &TMaskRecorder::Exited);
    return edit;
  }

  static bool Run(const Step& step)
  {
    return step.Key ? gt::KeyPress(step.Key, step.Shift) : gt::TypeText(step.Text);
  }

  // Where ValidateEdit leaves the caret when it raises, -1 when it does not.
  static int ValidatedAt(TMaskEdit* edit)
  {
    try {
      edit->ValidateEdit();
      return -1;
    } catch (EDBEditError& e) {
      EXPECT_EQ(e.Message, AnsiString(SMaskEditErr));
      return edit->GetSelStart();
    }
  }

  TFormPtr Form;
  TMaskRecorder Events;
};

}  // namespace

VCL_IMPLEMENT_CLASS(TMaskRecorder)
VCL_PUBLISHED(TMaskTestForm)
{
  p.Method("EditNotify", &TMaskTestForm::EditNotify);
  p.Method("EditKey", &TMaskTestForm::EditKey);
  p.Method("EditKeyPress", &TMaskTestForm::EditKeyPress);
  p.Method("EditMouse", &TMaskTestForm::EditMouse);
  p.Method("EditMouseMove", &TMaskTestForm::EditMouseMove);
  p.Method("EditDragDrop", &TMaskTestForm::EditDragDrop);
  p.Method("EditDragOver", &TMaskTestForm::EditDragOver);
  p.Method("EditStartDock", &TMaskTestForm::EditStartDock);
  p.Method("EditStartDrag", &TMaskTestForm::EditStartDrag);
}

TEST(MaskText, FormatMaskText)
{
  struct Case {
    const char* Mask;
    const char* Value;
    const char* Formatted;
  } cases[] = {
      {"!\\(999\\)000-0000;0;_", "8005551212", "(800)555-1212"},
      {"!\\(999\\)000-0000;0;_", "5551212", "(   )555-1212"},  // ! aligns a short value to the end
      {"000-00-0000;0;_", "123456789", "123-45-6789"},
      {"000-00-0000;0;_", "12345", "123-45-    "},
      {"00:00;1;_", "12:34", "12:34"},                        // saved literals are passed over
      {">LL<ll;1;_", "abCD", "ABcd"},
      {">L<>l;1;_", "ab", "Ab"},                              // <> ends the conversion
      {"000;1;_", "1a3", "1 3"},                              // a refused character leaves a blank
      {"#99;1;_", "-42", "-42"},
      {"\\L0;0;_", "5", "L5"},                                // \ makes a literal of a mask character
      {"\\\\L;1;_", "\\x", "\\x"},
      {"LL;1;_", "\xD7\xA9\xD7\x9C", "\xD7\xA9\xD7\x9C"},     // Hebrew letters are letters
      {"", "as is", "as is"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMaskText(c.Mask, c.Value), AnsiString(c.Formatted)) << c.Mask << " " << c.Value;

  // : and / are the settings' separators.
  const char time = TimeSeparator, date = DateSeparator;
  TimeSeparator = '.';
  DateSeparator = '-';
  EXPECT_EQ(FormatMaskText("00/00 00:00;0;_", "01021230"), AnsiString("01-02 12.30"));
  TimeSeparator = time;
  DateSeparator = date;
}

// Text against EditText per the save and blank fields, for a text set by the program (no window).
TEST(MaskText, TextAndEditText)
{
  struct Case {
    const char* Mask;
    const char* Text;
    const char* EditText;
    const char* ReadBack;
  } cases[] = {
      {Phone, "(555)123-4567", "(555)123-4567", "(555)123-4567"},
      {Phone, "", "(___)___-____", "(   )   -    "},
      {"00:00;0;_", "12", "12:__", "12"},
      {"!999;0;_", "7", "__7", "7"},
      {"aaa;1;*", "x", "x**", "x  "},
      {"", "plain", "plain", "plain"},
  };
  auto* edit = new TMaskEdit(nullptr);
  for (const Case& c : cases) {
    edit->SetEditMask(c.Mask);
    edit->SetText(c.Text);
    EXPECT_EQ(edit->GetEditText(), AnsiString(c.EditText)) << c.Mask;
    EXPECT_EQ(edit->GetText(), AnsiString(c.ReadBack)) << c.Mask;
    EXPECT_EQ(edit->IsMasked(), *c.Mask != '\0');
    EXPECT_EQ(edit->GetMaxLength(), *c.Mask ? int(strlen(c.EditText)) : 0) << c.Mask;
  }
  delete edit;
}

// Real keys into a focused edit: the text shown, Text, the changes heard and what validation says.
TEST_F(MaskEdit, TypingFollowsTheMask)
{
  struct Case {
    const char* Name;
    const char* Mask;
    std::vector<Step> Steps;
    const char* EditText;
    const char* Text;
    int Changes;
    int InvalidAt;  // where ValidateEdit puts the caret, -1: valid
    TBiDiMode BiDi = bdLeftToRight;
  } cases[] = {
      {"phone complete", Phone, {Type("5551234567")}, "(555)123-4567", "(555)123-4567", 10, -1},
      {"phone incomplete", Phone, {Type("555123")}, "(555)123-____", "(555)123-    ", 6, 9},
      {"case conversion", ">LL<ll;1;_", {Type("abCD")}, "ABcd", "ABcd", 4, -1},
      {"time separator, literals not saved", "00:00;0;_", {Type("1234")}, "12:34", "1234", 4, -1},
      {"signs", "#990;1;_", {Type("-125")}, "-125", "-125", 4, -1},
      {"escaped literal", "\\\\L\\L0;1;_", {Type("x5")}, "\\xL5", "\\xL5", 2, -1},
      {"blank character", "aaa;1;*", {Type("a")}, "a**", "a  ", 1, -1},
      {"refused character", "000;1;_", {Type("1x")}, "1__", "1  ", 1, 1},
      {"backspace across a literal", Phone, {Type("5551"), Press(VK_BACK), Press(VK_BACK), Type("9")},
       "(559)___-____", "(559)   -    ", 7, 5},
      {"home, end, left", Phone, {Type("555"), Press(VK_HOME), Type("1"), Press(VK_END), Type("2"), Press(VK_LEFT), Type("9")},
       "(155)___-___9", "(155)   -   9", 5, 5},
      {"delete blanks an optional position", Phone, {Type("5551234567"), Press(VK_HOME), Press(VK_DELETE)},
       "(_55)123-4567", "( 55)123-4567", 11, -1},
      {"a selection is blanked whole", Phone, {Type("5551234567"), Press(VK_HOME), Press(VK_END, gt::ShiftShift), Press(VK_BACK)},
       "(___)___-____", "(   )   -    ", 11, 5},
      {"paste", Phone, {Press('V', gt::ShiftCtrl)}, "(800)555-1212", "(800)555-1212", 1, -1},
      {"right to left", Phone, {Type("5551234567"), Press(VK_LEFT), Press(VK_LEFT), Press(VK_LEFT), Press(VK_LEFT), Type("0")},
       "(555)123-0567", "(555)123-0567", 11, -1, bdRightToLeft},
  };
  Clipboard()->SetAsText("(800)555-1212");
  for (const Case& c : cases) {
    TMaskEdit* edit = NewEdit(c.Mask, c.BiDi);
    ASSERT_TRUE(FocusOn(edit)) << c.Name;
    Events.Changes = 0;
    for (const Step& step : c.Steps) ASSERT_TRUE(Run(step)) << c.Name;
    ctltest::Pump();
    EXPECT_EQ(edit->GetEditText(), AnsiString(c.EditText)) << c.Name;
    EXPECT_EQ(edit->GetText(), AnsiString(c.Text)) << c.Name;
    EXPECT_EQ(Events.Changes, c.Changes) << c.Name;
    EXPECT_EQ(ValidatedAt(edit), c.InvalidAt) << c.Name;
    edit->RecreateWnd();
    EXPECT_EQ(edit->GetEditText(), AnsiString(c.EditText)) << c.Name << ": a new window shows the same";
    if (c.BiDi == bdRightToLeft) {
      // Not mirrored, aligned right, and read left to right so that the positions keep their order.
      EXPECT_NE(GetWindowLongW(edit->GetHandle(), GWL_STYLE) & ES_RIGHT, 0) << c.Name;
      EXPECT_EQ(GetWindowLongW(edit->GetHandle(), GWL_EXSTYLE) & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL), 0) << c.Name;
    }
    delete edit;
  }
}

// Leaving with a required position blank: the error goes to the application, the focus comes back
// with the caret on the blank; Escape restores the entered text, and then leaving is allowed.
TEST_F(MaskEdit, LeavingValidatesAndEscapeRestores)
{
  TMaskEdit* edit = NewEdit(Phone);
  auto* next = Place<TEdit>(Form.get(), 10, 50, 100, 21);
  edit->SetTabOrder(0);
  next->SetTabOrder(1);
  edit->SetText("(800)555-1212");
  const TExceptionEvent saved = Application->OnException;
  Application->OnException = TExceptionEvent(&Events, &TMaskRecorder::Failed);
  struct Restore {
    TExceptionEvent saved;
    ~Restore() { Application->OnException = saved; }
  } restore{saved};

  ASSERT_TRUE(FocusOn(edit));
  ASSERT_TRUE(gt::TypeText("555"));
  ASSERT_TRUE(gt::KeyPress(VK_TAB));
  EXPECT_TRUE(gt::PumpUntil([&] { return !Events.Errors.empty(); }, 2000));
  EXPECT_EQ(Events.Errors, std::vector<std::string>{std::string("EDBEditError: ") + SMaskEditErr});
  EXPECT_TRUE(gt::PumpUntil([&] { return edit->Focused(); }, 2000)) << "the focus comes back";
  EXPECT_EQ(edit->GetSelStart(), 5);
  EXPECT_EQ(Events.Exits, 0);

  ASSERT_TRUE(gt::KeyPress(VK_ESCAPE));
  EXPECT_EQ(edit->GetEditText(), AnsiString("(800)555-1212"));
  ASSERT_TRUE(gt::KeyPress(VK_TAB));
  EXPECT_TRUE(gt::PumpUntil([&] { return next->Focused(); }, 2000));
  EXPECT_EQ(Events.Errors.size(), 1u);
  EXPECT_EQ(Events.Exits, 1);
}

TEST(MaskStored, RoundTripsAndReadsBack)
{
  RegisterClasses({TMaskTestForm::StaticClass(), TPopupMenu::StaticClass()});
  TFormPtr form(new TMaskTestForm(nullptr, 0));
  const ctltest::TRoundTrip trip = ctltest::RoundTrip(L"TMASKTESTFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(ctltest::BinaryToText(trip.Written), ctltest::BinaryToText(trip.Stored));
  EXPECT_TRUE(trip.Written == trip.Stored) << "binary differs";

  auto* edit = ctltest::Find<TMaskEdit>(form.get(), "MaskEdit1");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->GetAnchors(), TAnchors() << akTop << akRight);
  EXPECT_FALSE(edit->GetAutoSelect());
  EXPECT_EQ(edit->GetBorderStyle(), bsNone);
  EXPECT_EQ(edit->GetCharCase(), ecUpperCase);
  EXPECT_FALSE(edit->GetCtl3D());
  EXPECT_FALSE(edit->GetParentCtl3D());
  EXPECT_EQ(edit->GetDragCursor(), crHandPoint);
  EXPECT_EQ(edit->GetDragKind(), dkDock);
  EXPECT_EQ(edit->GetDragMode(), dmAutomatic);
  EXPECT_EQ(edit->GetEditMask(), AnsiString("!\\(999\\)000-0000;0;_"));
  EXPECT_EQ(edit->GetEditText(), AnsiString("(_55)123-4567")) << "the stored text in its mask";
  EXPECT_EQ(edit->GetText(), AnsiString("551234567"));
  EXPECT_EQ(edit->GetMaxLength(), 13);
  EXPECT_EQ(edit->GetImeMode(), imClose);
  EXPECT_EQ(edit->GetImeName(), AnsiString("Hebrew"));
  EXPECT_EQ(edit->GetPasswordChar(), '*');
  EXPECT_TRUE(edit->GetReadOnly());
  EXPECT_EQ(edit->GetBiDiMode(), bdRightToLeft);
  EXPECT_FALSE(edit->GetParentBiDiMode());
  EXPECT_EQ(edit->GetColor(), clInfoBk);
  EXPECT_EQ(edit->GetFont()->GetColor(), clRed);
  EXPECT_EQ(edit->GetCursor(), crHandPoint);
  EXPECT_FALSE(edit->GetEnabled());
  EXPECT_EQ(edit->GetHint(), AnsiString("phone"));
  EXPECT_TRUE(edit->GetShowHint());
  EXPECT_EQ(edit->GetPopupMenu(), ctltest::Find<TPopupMenu>(form.get(), "PopupMenu1"));
  EXPECT_FALSE(edit->GetVisible());
  EXPECT_FALSE(edit->GetTabStop());
  EXPECT_TRUE(bool(edit->OnChange) && bool(edit->OnKeyPress) && bool(edit->OnDragOver) && bool(edit->OnStartDock));
}
