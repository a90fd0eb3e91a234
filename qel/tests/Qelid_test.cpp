// The ID number control: the Luhn digit and the checks on it, the layout of its two fields, the move
// to the check digit on the eighth typed digit, every field event re-raised with the control as
// Sender, a stored form's round trip, and a right-to-left form.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ControlsTestSupport.h"
#include "GuiTest.h"
#include "Qelid.h"
#include "Qelmenus.h"

namespace {

namespace gui = ostrel::test;

const AnsiString WrongDigitText("ספרת הבקורת שגויה! הקלד שוב את ספרת הבקורת");
const AnsiString MissingDigitText("ספרת הביקורת חסרה");

struct Deleter {
  void operator()(TComponent* c) const { delete c; }
};
using TFormPtr = std::unique_ptr<TForm, Deleter>;
using TIdPtr = std::unique_ptr<TQelId, Deleter>;

enum class Outcome { Passes, WrongDigit, NotANumber };

// What Check() of the fields does with these texts.
Outcome CheckTexts(TQelId* id, const char* number, const char* digit)
{
  id->SetIdText(number);
  id->SetCheckDigitText(digit);
  try {
    id->Check();
    return Outcome::Passes;
  } catch (const EInvalidArgument& e) {
    EXPECT_EQ(e.Message, WrongDigitText);
    return Outcome::WrongDigit;
  } catch (const EConvertError&) {
    return Outcome::NotANumber;
  }
}

// Which events arrived, each with its Sender.
class TEventLog : public TObject {
  VCL_DECLARE_CLASS(TEventLog, TObject)
  TEventLog() = default;
  std::vector<std::pair<std::string, TObject*>> Events;
  char Swallow = 0;
  void Note(const char* name, TObject* sender) { Events.emplace_back(name, sender); }
  void Change(TObject* s) { Note("OnChange", s); }
  void Enter(TObject* s) { Note("OnEnter", s); }
  void Exit(TObject* s) { Note("OnExit", s); }
  void Clicked(TObject* s) { Note("OnClick", s); }
  void DblClicked(TObject* s) { Note("OnDblClick", s); }
  void DragDrop(TObject* s, TObject*, int, int) { Note("OnDragDrop", s); }
  void DragOver(TObject* s, TObject*, int, int, TDragState, bool& accept)
  {
    Note("OnDragOver", s);
    accept = true;
  }
  void EndDock(TObject* s, TObject*, int, int) { Note("OnEndDock", s); }
  void EndDrag(TObject* s, TObject*, int, int) { Note("OnEndDrag", s); }
  void KeyDown(TObject* s, WORD&, TShiftState) { Note("OnKeyDown", s); }
  void KeyPress(TObject* s, char& key)
  {
    Note("OnKeyPress", s);
    if (key == Swallow) key = 0;
  }
  void KeyUp(TObject* s, WORD&, TShiftState) { Note("OnKeyUp", s); }
  void MouseDown(TObject* s, TMouseButton, TShiftState, int, int) { Note("OnMouseDown", s); }
  void MouseMove(TObject* s, TShiftState, int, int) { Note("OnMouseMove", s); }
  void MouseUp(TObject* s, TMouseButton, TShiftState, int, int) { Note("OnMouseUp", s); }
  void StartDock(TObject* s, TDragDockObject*&) { Note("OnStartDock", s); }
  void StartDrag(TObject* s, TDragObject*&) { Note("OnStartDrag", s); }

  void Attach(TQelId* id)
  {
    id->OnChange = TNotifyEvent(this, &TEventLog::Change);
    id->OnEnter = TNotifyEvent(this, &TEventLog::Enter);
    id->OnExit = TNotifyEvent(this, &TEventLog::Exit);
    id->OnClick = TNotifyEvent(this, &TEventLog::Clicked);
    id->OnDblClick = TNotifyEvent(this, &TEventLog::DblClicked);
    id->OnDragDrop = TDragDropEvent(this, &TEventLog::DragDrop);
    id->OnDragOver = TDragOverEvent(this, &TEventLog::DragOver);
    id->OnEndDock = TEndDragEvent(this, &TEventLog::EndDock);
    id->OnEndDrag = TEndDragEvent(this, &TEventLog::EndDrag);
    id->OnKeyDown = TKeyEvent(this, &TEventLog::KeyDown);
    id->OnKeyPress = TKeyPressEvent(this, &TEventLog::KeyPress);
    id->OnKeyUp = TKeyEvent(this, &TEventLog::KeyUp);
    id->OnMouseDown = TMouseEvent(this, &TEventLog::MouseDown);
    id->OnMouseMove = TMouseMoveEvent(this, &TEventLog::MouseMove);
    id->OnMouseUp = TMouseEvent(this, &TEventLog::MouseUp);
    id->OnStartDock = TStartDockEvent(this, &TEventLog::StartDock);
    id->OnStartDrag = TStartDragEvent(this, &TEventLog::StartDrag);
  }
  std::set<std::string> Names() const
  {
    std::set<std::string> names;
    for (const auto& e : Events) names.insert(e.first);
    return names;
  }
};
VCL_IMPLEMENT_CLASS(TEventLog)

// A shown form with an edit to start from and an ID control right of it, at the default width.
class QelId : public ::testing::Test {
protected:
  void SetUp() override { Make(bdLeftToRight); }
  void Make(TBiDiMode direction)
  {
    Form.reset(new TForm(Application, 0));
    Form->SetBorderStyle(bsNone);
    Form->SetBiDiMode(direction);
    Form->SetBounds(40, 40, 320, 80);
    Other = new TEdit(Form.get());
    Other->SetParent(Form.get());
    Other->SetBounds(8, 8, 80, 21);
    Id = new TQelId(Form.get());
    Id->SetParent(Form.get());
    Id->SetLeft(120);
    Id->SetTop(8);
    Form->Show();
    gui::FlushPainting(Form->GetHandle());
    gui::MakeForeground(Form->GetHandle());
  }
  HWND Number() { return Id->IdField->GetHandle(); }
  HWND Digit() { return Id->CheckDigitField->GetHandle(); }
  bool Has(TWinControl* field) { return GetFocus() == field->GetHandle(); }
  void Type(const char* digits)
  {
    for (const char* c = digits; *c; ++c) ASSERT_TRUE(gui::KeyPress(WORD(*c)));
  }

  TFormPtr Form;
  TEdit* Other = nullptr;
  TQelId* Id = nullptr;
};

}  // namespace

TEST(QelIdCheckDigit, LuhnFromTheRightmostDigit)
{
  struct Case {
    int Number, Digit;
  } const cases[] = {{12345678, 2}, {12345, 5}, {0, 0}, {1, 8}, {9, 1}, {18, 2}, {99999999, 8}, {-1234567, -1}};
  for (const Case& c : cases) EXPECT_EQ(TQelId::ComputeCheckDigit(c.Number), c.Digit) << c.Number;
}

TEST(QelIdCheckDigit, CheckReadsTheFields)
{
  TIdPtr id(new TQelId(nullptr));
  struct Case {
    const char *Number, *Digit;
    Outcome Result;
  } const cases[] = {
      {"12345678", "2", Outcome::Passes},     {"12345678", "7", Outcome::WrongDigit},
      {"00012345", "5", Outcome::Passes},     {"12345", "5", Outcome::Passes},
      {"00012345", "4", Outcome::WrongDigit}, {"-1234567", "0", Outcome::WrongDigit},
      {"-1234567", "5", Outcome::WrongDigit}, {"12a45678", "2", Outcome::NotANumber},
      {"12345678", "x", Outcome::NotANumber}, {"", "7", Outcome::Passes},
      {"12345678", "", Outcome::Passes},     {"0", "5", Outcome::Passes},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckTexts(id.get(), c.Number, c.Digit), c.Result) << c.Number << "/" << c.Digit;
  // Every digit after a negative number is wrong: the sign is no digit of the walk.
  for (char d = '0'; d <= '9'; ++d) EXPECT_EQ(CheckTexts(id.get(), "-1234567", std::string(1, d).c_str()), Outcome::WrongDigit);
  EXPECT_THROW(TQelId::Check(12345678, 12), EInvalidArgument);
}

TEST(QelIdCheckDigit, ValidateDemandsADigitOnlyWhenForced)
{
  TIdPtr id(new TQelId(nullptr));
  EXPECT_EQ(Str_ForceCheckDigitMsg, MissingDigitText);
  struct Case {
    bool Force;
    const char *Number, *Digit;
    bool Raises;
  } const cases[] = {{false, "12345678", "", false}, {false, "", "", false},  {true, "", "", false},
                     {true, "", "3", false},         {true, "12345678", "7", false}, {true, "12345678", "", true}};
  for (const Case& c : cases) {
    id->ForceCheckDigit = c.Force;
    id->SetIdText(c.Number);
    id->SetCheckDigitText(c.Digit);
    try {
      id->Validate();
      EXPECT_FALSE(c.Raises) << c.Force << " '" << c.Number << "' '" << c.Digit << "'";
    } catch (const EInvalidArgument& e) {
      EXPECT_TRUE(c.Raises) << c.Force << " '" << c.Number << "' '" << c.Digit << "'";
      EXPECT_EQ(e.Message, MissingDigitText);
    }
  }
}

TEST_F(QelId, TheFieldsShareTheWidthAndTakeTheWholeHeight)
{
  TIdPtr fresh(new TQelId(nullptr));
  EXPECT_EQ(fresh->GetWidth(), 86);
  EXPECT_EQ(fresh->GetHeight(), 25);
  EXPECT_EQ(fresh->GetColor(), clWindow);
  EXPECT_FALSE(fresh->GetParentColor());

  Id->SetIdAutoSize(false);
  Id->SetHeight(30);
  struct Case {
    int Width, Number, Digit;
  } const cases[] = {{86, 64, 22}, {113, 88, 25}, {200, 165, 35}, {40, 23, 17}};
  for (const Case& c : cases) {
    Id->SetWidth(c.Width);
    EXPECT_EQ(Id->IdField->GetBoundsRect(), TRect(0, 0, c.Number, 30)) << c.Width;
    EXPECT_EQ(Id->CheckDigitField->GetBoundsRect(), TRect(c.Number, 0, c.Width, 30)) << c.Width;
  }
}

TEST_F(QelId, AutoSizeFitsTheFieldsToTheFontAndTheControlFollows)
{
  // Made with AutoSize: the number field took its font's height and the control the field's.
  const int fitted = Id->GetHeight();
  EXPECT_EQ(Id->IdField->GetHeight(), fitted);
  EXPECT_EQ(Id->CheckDigitField->GetHeight(), fitted);
  Id->GetFont()->SetSize(16);
  EXPECT_GT(Id->GetHeight(), fitted);
  EXPECT_EQ(Id->IdField->GetHeight(), Id->GetHeight());
  EXPECT_EQ(Id->CheckDigitField->GetHeight(), Id->GetHeight());
}

TEST_F(QelId, TheEighthTypedDigitMovesToTheCheckDigit)
{
  ASSERT_TRUE(gui::Click(Number(), POINT{10, 8}));
  for (const char* c = "1234567"; *c; ++c) {
    ASSERT_TRUE(gui::KeyPress(WORD(*c)));
    EXPECT_TRUE(Has(Id->IdField)) << "after " << *c;
  }
  Type("8");
  EXPECT_TRUE(Has(Id->CheckDigitField));
  Type("2");
  EXPECT_EQ(Id->GetIdText(), AnsiString("12345678"));
  EXPECT_EQ(Id->GetCheckDigitText(), AnsiString("2"));
  EXPECT_NO_THROW(Id->Check());

  // Replacing a digit in the middle of the full number leaves the caret there. (Clicked away from
  // the first click: the same spot so soon after would be a double click, which gives no focus.)
  ASSERT_TRUE(gui::Click(Number(), POINT{30, 8}));
  Id->IdField->SetSelStart(3);
  Id->IdField->SetSelLength(1);
  Type("9");
  EXPECT_EQ(Id->GetIdText(), AnsiString("12395678"));
  EXPECT_TRUE(Has(Id->IdField));
  // A number the program sets is no typing.
  Id->SetIdText("87654321");
  EXPECT_TRUE(Has(Id->IdField));
}

TEST_F(QelId, EveryFieldEventArrivesWithTheControlAsSender)
{
  TEventLog log;
  log.Attach(Id);
  Other->SetFocus();
  for (TWinControl* field : {static_cast<TWinControl*>(Id->IdField), static_cast<TWinControl*>(Id->CheckDigitField)}) {
    const HWND h = field->GetHandle();
    ASSERT_TRUE(gui::MoveMouse(h, POINT{4, 6}));
    ASSERT_TRUE(gui::MoveMouse(h, POINT{8, 8}));
    ASSERT_TRUE(gui::Click(h, POINT{8, 8}));
    ASSERT_TRUE(gui::DoubleClick(h, POINT{8, 8}));
    Type("5");
  }
  // A handler takes the key by reference: the swallowed one never reaches the field.
  log.Swallow = '7';
  ASSERT_TRUE(gui::Click(Number(), POINT{8, 8}));
  Id->IdField->SetSelStart(10);
  Type("7");
  EXPECT_EQ(Id->GetIdText(), AnsiString("5"));
  Other->SetFocus();
  gui::PumpMessages();

  // The drag events, raised by the fields as the platform raises them: a press on the platform's
  // edit starts no automatic drag under Wine (the edit takes the capture back), so they are not
  // driven by the mouse here.
  TDragObject* dragObject = nullptr;
  TDragDockObject* dockObject = nullptr;
  bool accept = false;
  TQelEdit* digit = Id->CheckDigitField;
  Id->IdField->OnStartDrag(Id->IdField, dragObject);
  digit->OnDragOver(digit, Id->IdField, 3, 4, dsDragMove, accept);
  EXPECT_TRUE(accept) << "the control's handler answers";
  digit->OnDragDrop(digit, Id->IdField, 3, 4);
  Id->IdField->OnEndDrag(Id->IdField, digit, 3, 4);
  digit->OnStartDock(digit, dockObject);
  digit->OnEndDock(digit, nullptr, 0, 0);

  const std::set<std::string> all = {"OnChange",  "OnEnter",    "OnExit",      "OnClick",     "OnDblClick",  "OnDragDrop",
                                     "OnDragOver", "OnEndDock",  "OnEndDrag",   "OnKeyDown",   "OnKeyPress",  "OnKeyUp",
                                     "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnStartDock", "OnStartDrag"};
  EXPECT_EQ(log.Names(), all);
  for (const auto& e : log.Events) EXPECT_EQ(e.second, Id) << e.first;
}

TEST_F(QelId, WithoutItsOwnDragOverTheControlRefusesDrops)
{
  bool accept = true;
  Id->IdField->OnDragOver(Id->IdField, Other, 1, 1, dsDragMove, accept);
  EXPECT_FALSE(accept);
}

TEST_F(QelId, RightToLeftTheNumberStaysLeftOfItsDigit)
{
  Make(bdRightToLeft);
  EXPECT_TRUE(Id->IdField->UseRightToLeftReading());
  Form->FlipChildren(true);
  EXPECT_EQ(Id->GetLeft(), Form->GetClientWidth() - 120 - Id->GetWidth()) << "the control itself moves";
  EXPECT_EQ(Id->IdField->GetLeft(), 0);
  EXPECT_EQ(Id->CheckDigitField->GetLeft(), Id->IdField->GetWidth());

  ASSERT_TRUE(gui::Click(Number(), POINT{10, 8}));
  Type("12");
  // The field's text sits at its right edge, as any edit's right to left.
  const ctltest::TPixels shown = ctltest::Capture(Id->IdField);
  const auto text = shown.ColumnsNear(RGB(0, 0, 0));
  ASSERT_GE(text.first, 0);
  EXPECT_GT(text.first, shown.Width / 2);
  shown.Save("qelid_rtl_number");
  Type("345678");
  EXPECT_TRUE(Has(Id->CheckDigitField));
  EXPECT_EQ(Id->GetIdText(), AnsiString("12345678"));
}

// ---------------------------------------------------------------------------------------------------
namespace {

class TQelIdStoredForm : public TForm {
  VCL_DECLARE_CLASS(TQelIdStoredForm, TForm)
  TQelIdStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  void ControlNotify(TObject*) {}
  void ControlDragDrop(TObject*, TObject*, int, int) {}
  void ControlDragOver(TObject*, TObject*, int, int, TDragState, bool&) {}
  void ControlEndDrag(TObject*, TObject*, int, int) {}
  void ControlKey(TObject*, WORD&, TShiftState) {}
  void ControlKeyPress(TObject*, char&) {}
  void ControlMouse(TObject*, TMouseButton, TShiftState, int, int) {}
  void ControlMouseMove(TObject*, TShiftState, int, int) {}
  void ControlStartDock(TObject*, TDragDockObject*&) {}
  void ControlStartDrag(TObject*, TDragObject*&) {}
};

VCL_PUBLISHED(TQelIdStoredForm)
{
  p.Method("ControlNotify", &TQelIdStoredForm::ControlNotify);
  p.Method("ControlDragDrop", &TQelIdStoredForm::ControlDragDrop);
  p.Method("ControlDragOver", &TQelIdStoredForm::ControlDragOver);
  p.Method("ControlEndDrag", &TQelIdStoredForm::ControlEndDrag);
  p.Method("ControlKey", &TQelIdStoredForm::ControlKey);
  p.Method("ControlKeyPress", &TQelIdStoredForm::ControlKeyPress);
  p.Method("ControlMouse", &TQelIdStoredForm::ControlMouse);
  p.Method("ControlMouseMove", &TQelIdStoredForm::ControlMouseMove);
  p.Method("ControlStartDock", &TQelIdStoredForm::ControlStartDock);
  p.Method("ControlStartDrag", &TQelIdStoredForm::ControlStartDrag);
}

}  // namespace

TEST(QelIdStored, RoundTripsAndReadsBack)
{
  RegisterClasses({TQelIdStoredForm::StaticClass(), TQelPopupMenu::StaticClass()});
  TFormPtr form(new TQelIdStoredForm(nullptr, 0));
  const ctltest::TRoundTrip trip = ctltest::RoundTrip(L"TQELIDSTOREDFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(ctltest::BinaryToText(trip.Written), ctltest::BinaryToText(trip.Stored));
  EXPECT_TRUE(trip.Written == trip.Stored) << "binary differs";

  auto* id = ctltest::Find<TQelId>(form.get(), "Id1");
  auto* menu = ctltest::Find<TQelPopupMenu>(form.get(), "PopupMenu1");
  ASSERT_NE(id, nullptr);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(id->GetIdText(), AnsiString("12345678"));
  EXPECT_EQ(id->GetCheckDigitText(), AnsiString("2"));
  EXPECT_TRUE(id->ForceCheckDigit);
  EXPECT_FALSE(id->GetIdAutoSize());
  EXPECT_EQ(id->GetColor(), clInfoBk);
  EXPECT_FALSE(id->GetCtl3D());
  EXPECT_TRUE(id->GetShowHint());
  EXPECT_TRUE(id->GetTabStop());
  // Read at 113 pixels: laid out once reading ended.
  EXPECT_EQ(id->IdField->GetWidth(), 88);
  EXPECT_EQ(id->CheckDigitField->GetWidth(), 25);
  // Both fields took what the control was given.
  for (TQelEdit* field : {id->IdField, id->CheckDigitField}) {
    EXPECT_FALSE(field->GetAutoSelect());
    EXPECT_EQ(field->GetBorderStyle(), bsNone);
    EXPECT_EQ(field->GetDragCursor(), crHandPoint);
    EXPECT_EQ(field->GetDragKind(), dkDock);
    EXPECT_EQ(field->GetDragMode(), dmAutomatic);
    EXPECT_EQ(field->GetImeMode(), imClose);
    EXPECT_EQ(field->GetImeName(), AnsiString("Hebrew"));
    EXPECT_EQ(field->GetPopupMenu(), menu);
    EXPECT_TRUE(field->GetReadOnly());
  }
  EXPECT_TRUE(bool(id->OnChange) && bool(id->OnDragOver) && bool(id->OnKeyPress) && bool(id->OnStartDock) &&
              bool(id->OnMouseMove) && bool(id->OnEndDock));
  // The fields belong to the control, not to the form: they are not stored.
  EXPECT_EQ(trip.Written.find("TQelEdit"), std::string::npos);
  EXPECT_NO_THROW(id->Check());
}
