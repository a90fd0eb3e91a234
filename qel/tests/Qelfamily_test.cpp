// The control family: the prefix search of the lists, the default button's Enter after the active
// control's exit, the scroll box's wheel, the header's index mapping, one grid cell repainted, the
// edit's double click, a stored form with every member, and objects made from class references.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlsTestSupport.h"
#include "GuiTest.h"
#include "Qelactnlist.h"
#include "Qelbevel.h"
#include "Qelbitbtn.h"
#include "Qelbutton.h"
#include "Qelcheckbox.h"
#include "Qelcombobox.h"
#include "Qelcontrolbar.h"
#include "Qeldrawgrid.h"
#include "Qeledit.h"
#include "Qelgroupbox.h"
#include "Qelheadercontrol.h"
#include "Qelimage.h"
#include "Qellabel.h"
#include "Qellistbox.h"
#include "Qelmaskedit.h"
#include "Qelmemo.h"
#include "Qelmenus.h"
#include "Qelnewinstance.h"
#include "Qelpanel.h"
#include "Qelradiobutton.h"
#include "Qelradiogroup.h"
#include "Qelscrollbar.h"
#include "Qelscrollbox.h"
#include "Qelshape.h"
#include "Qelspeedbutton.h"
#include "Qelsplitter.h"
#include "Qelstatictext.h"
#include "Qelstringgrid.h"
#include "TypInfo.h"

using namespace ostrel::test;

namespace {

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};
using TFormPtr = std::unique_ptr<TForm, FormDeleter>;

// Records the events it hears, in order.
class TEventLog : public TObject {
  VCL_DECLARE_CLASS(TEventLog, TObject)
  TEventLog() = default;
  std::vector<std::string> Events;
  void Exited(TObject*) { Events.push_back("exit"); }
  void Clicked(TObject*) { Events.push_back("click"); }
  void DoubleClicked(TObject*) { Events.push_back("dblclick"); }
  void DefaultRan(TObject*) { Events.push_back("default"); }
  void OtherRan(TObject*) { Events.push_back("other"); }
  void WheelDown(TObject*, TShiftState, const TPoint&, bool&) { Events.push_back("wheel down"); }
  void WheelUp(TObject*, TShiftState, const TPoint&, bool&) { Events.push_back("wheel up"); }
};
VCL_IMPLEMENT_CLASS(TEventLog)

template <class T>
T* Place(TForm* form, TWinControl* parent, int left, int top, int width, int height)
{
  auto* control = new T(form);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

// A shown form in the given reading direction (its children take it from the form).
TForm* DirectedForm(TBiDiMode mode, int width = 420, int height = 300)
{
  TForm* form = ctltest::NewForm(width, height);
  form->SetBiDiMode(mode);
  return form;
}

const char* DirectionName(TBiDiMode mode) { return mode == bdRightToLeft ? "right to left" : "left to right"; }

bool Wheel(const std::vector<int>& deltas)
{
  for (int delta : deltas) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = DWORD(delta);
    if (SendInput(1, &input, sizeof(input)) != 1) return false;
  }
  PumpFor(100);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
TEST(QelFamily, FindStringSearchesFromTheStartIndexCaseSensitively)
{
  TFormPtr form(DirectedForm(bdRightToLeft));
  auto* list = Place<TQelListBox>(form.get(), form.get(), 10, 10, 120, 80);
  auto* combo = Place<TQelComboBox>(form.get(), form.get(), 150, 10, 120, 21);
  for (TStrings* items : {list->GetItems(), combo->GetItems()}) {
    items->Add("Abc");
    items->Add("ab");
    items->Add("Abd");
  }
  struct Case {
    int Start;
    const char* Prefix;
    int Expected;
  } cases[] = {
      {-1, "Ab", 0}, {0, "Ab", 0}, {1, "Ab", 2}, {2, "Ab", 2}, {3, "Ab", -1},
      {-1, "ab", 1}, {2, "ab", -1}, {-1, "AB", -1}, {-1, "aB", -1},
      {-1, "", 0}, {1, "", 1}, {2, "", 2}, {3, "", -1},
      {-1, "Abc", 0}, {1, "Abc", -1}, {0, "Abcd", -1}, {0, "Abd", 2},
      {-7, "ab", 1},  // any negative start is the first item
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list->FindString(c.Start, c.Prefix), c.Expected) << "list box, from " << c.Start << " '" << c.Prefix << "'";
    EXPECT_EQ(combo->FindString(c.Start, c.Prefix), c.Expected) << "combo box, from " << c.Start << " '" << c.Prefix << "'";
  }
}

// ---------------------------------------------------------------------------------------------------
// Enter in an edit box: the edit's exit event, then the default button's click; with a modifier held
// neither (the button does not click, and no exit is sent).
TEST(QelFamily, EnterRunsTheActiveControlsExitBeforeTheDefaultButton)
{
  TFormPtr form(DirectedForm(bdRightToLeft));
  auto* edit = Place<TQelEdit>(form.get(), form.get(), 200, 10, 150, 21);
  auto* button = Place<TQelButton>(form.get(), form.get(), 200, 50, 75, 25);
  button->SetDefault(true);
  TEventLog log;
  edit->OnExit = TNotifyEvent(&log, &TEventLog::Exited);
  button->OnClick = TNotifyEvent(&log, &TEventLog::Clicked);
  struct Case {
    const char* Name;
    Shift Modifiers;
    std::vector<std::string> Expected;
  } cases[] = {
      {"Enter", ShiftNone, {"exit", "click"}},
      {"Shift+Enter", ShiftShift, {}},
      {"Ctrl+Enter", ShiftCtrl, {}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Focus(edit->GetHandle())) << c.Name;
    PumpMessages();
    ASSERT_EQ(form->GetActiveControl(), edit) << c.Name;
    log.Events.clear();
    ASSERT_TRUE(KeyPress(VK_RETURN, c.Modifiers)) << c.Name;
    PumpMessages();
    EXPECT_EQ(log.Events, c.Expected) << c.Name;
    EXPECT_EQ(GetFocus(), edit->GetHandle()) << c.Name << ": the focus stays in the edit";
  }
}

// ---------------------------------------------------------------------------------------------------
// One notch down scrolls by the platform's wheel lines times the bar's increment (3 x 8 = 24 with the
// usual setting), once, in either reading direction; WheelIncrement takes its place, and a wheel
// that sends parts of notches scrolls once they make a whole one.
TEST(QelFamily, WheelScrollsTheBoxByLinesTimesIncrementOrByWheelIncrement)
{
  UINT lines = 3;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  struct Case {
    const char* Name;
    TBiDiMode Mode;
    int WheelIncrement;
    std::vector<int> Deltas;
    int Moved;  // 0: the lines' distance
    std::vector<std::string> Events;
  } cases[] = {
      {"one notch down", bdLeftToRight, 0, {-WHEEL_DELTA}, 0, {"wheel down"}},
      {"one notch down", bdRightToLeft, 0, {-WHEEL_DELTA}, 0, {"wheel down"}},
      {"WheelIncrement, down", bdRightToLeft, 30, {-WHEEL_DELTA}, 30, {"wheel down"}},
      {"WheelIncrement, two up", bdLeftToRight, 30, {WHEEL_DELTA, WHEEL_DELTA}, -60, {"wheel up", "wheel up"}},
      {"two half notches down", bdRightToLeft, 30, {-WHEEL_DELTA / 2, -WHEEL_DELTA / 2}, 30, {"wheel down", "wheel down"}},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.Name) + ", " + DirectionName(c.Mode);
    TFormPtr form(DirectedForm(c.Mode));
    auto* box = Place<TQelScrollBox>(form.get(), form.get(), 20, 20, 240, 200);
    auto* edit = Place<TQelEdit>(form.get(), box, 10, 10, 100, 21);
    Place<TQelPanel>(form.get(), box, 10, 2000, 100, 40);
    box->SetWheelIncrement(c.WheelIncrement);
    TEventLog log;
    box->OnMouseWheelDown = TMouseWheelUpDownEvent(&log, &TEventLog::WheelDown);
    box->OnMouseWheelUp = TMouseWheelUpDownEvent(&log, &TEventLog::WheelUp);
    ctltest::Pump();
    TControlScrollBar* bar = box->GetVertScrollBar();
    ASSERT_EQ(bar->GetIncrement(), 8) << name;
    bar->SetPosition(200);
    ASSERT_EQ(bar->GetPosition(), 200) << name;
    const int lineDistance =
        lines == WHEEL_PAGESCROLL ? bar->ControlSize() : int(lines) * bar->GetIncrement();
    const int expected = 200 + (c.Moved ? c.Moved : lineDistance);
    EXPECT_EQ(box->WheelNotchDistance(), c.WheelIncrement ? c.WheelIncrement : lineDistance) << name;
    // The focused edit does not take the wheel: its parent, the box, does.
    ASSERT_TRUE(Focus(edit->GetHandle())) << name;
    ASSERT_TRUE(MoveMouse(box->GetHandle(), POINT{120, 100})) << name;
    ASSERT_TRUE(Wheel(c.Deltas)) << name;
    EXPECT_TRUE(PumpUntil([&] { return log.Events.size() >= c.Events.size(); }, 2000)) << name;
    EXPECT_EQ(bar->GetPosition(), expected) << name;
    EXPECT_EQ(edit->GetTop(), 10 - expected) << name << ": the children move with the bar";
    EXPECT_EQ(log.Events, c.Events) << name;
  }
}

// ---------------------------------------------------------------------------------------------------
TEST(QelFamily, FlipIndexMapsSectionsBetweenReadingOrders)
{
  TFormPtr form(DirectedForm(bdRightToLeft));
  auto* header = Place<TQelHeaderControl>(form.get(), form.get(), 10, 10, 300, 20);
  for (int i = 0; i < 3; ++i) header->GetSections()->Add()->SetText(AnsiString("S") + AnsiString(i));
  struct Case {
    bool Flip;
    int Index;
    int Expected;
  } cases[] = {
      {true, 0, 2}, {true, 1, 1}, {true, 2, 0}, {false, 0, 0}, {false, 1, 1}, {false, 2, 2},
  };
  for (const Case& c : cases) {
    header->SetFlipIndices(c.Flip);
    EXPECT_EQ(header->FlipIndex(c.Index), c.Expected) << (c.Flip ? "flipped " : "not flipped ") << c.Index;
  }
  header->SetFlipIndices(true);
  header->GetSections()->Add();
  EXPECT_EQ(header->FlipIndex(0), 3) << "the count is read at the call";
}

// ---------------------------------------------------------------------------------------------------
// RepaintCell invalidates exactly the cell's rectangle, the mirrored one right to left; a cell past
// the end invalidates nothing.
TEST(QelFamily, RepaintCellInvalidatesExactlyTheCell)
{
  for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
    TFormPtr form(DirectedForm(mode));
    auto* grid = Place<TQelStringGrid>(form.get(), form.get(), 10, 10, 360, 160);
    ctltest::Pump();
    const HWND window = grid->GetHandle();
    struct Case {
      int Col, Row;
      bool Erase;
      bool Invalid;
    } cases[] = {{2, 1, false, true}, {1, 3, true, true}, {0, 0, false, true}, {9, 1, false, false}, {1, 9, true, false}};
    for (const Case& c : cases) {
      UpdateWindow(window);
      ValidateRect(window, nullptr);
      grid->RepaintCell(c.Col, c.Row, c.Erase);
      RECT update{};
      const bool invalid = GetUpdateRect(window, &update, FALSE) != FALSE;
      EXPECT_EQ(invalid, c.Invalid) << DirectionName(mode) << " cell " << c.Col << "," << c.Row;
      if (!c.Invalid || !invalid) continue;
      const TRect cell = grid->CellRect(c.Col, c.Row);
      EXPECT_EQ(TRect(update).Left, cell.Left) << DirectionName(mode) << " cell " << c.Col << "," << c.Row;
      EXPECT_EQ(TRect(update).Top, cell.Top);
      EXPECT_EQ(TRect(update).Right, cell.Right);
      EXPECT_EQ(TRect(update).Bottom, cell.Bottom);
    }
    // Column 0 is at the leading edge: the right one when reading right to left.
    const TRect first = grid->CellRect(0, 0);
    if (mode == bdRightToLeft) EXPECT_GT(first.Left, grid->GetClientWidth() / 2);
    else EXPECT_EQ(first.Left, 0);
  }
}

// ---------------------------------------------------------------------------------------------------
// A double click on the edit fires OnDblClick, then runs the default item of the library's popup
// menu; a menu without a default item, or a platform menu, runs nothing more.
TEST(QelFamily, EditDoubleClickRunsThePopupMenusDefaultItem)
{
  TFormPtr form(DirectedForm(bdRightToLeft));
  TEventLog log;
  auto makeMenu = [&](TPopupMenu* menu, bool withDefault) {
    auto* other = new TMenuItem(menu);
    other->SetCaption("Other");
    other->OnClick = TNotifyEvent(&log, &TEventLog::OtherRan);
    menu->GetItems()->Add(other);
    auto* sub = new TMenuItem(menu);
    sub->SetCaption("More");
    menu->GetItems()->Add(sub);
    auto* item = new TMenuItem(menu);
    item->SetCaption("Open");
    item->SetDefault(withDefault);
    item->OnClick = TNotifyEvent(&log, &TEventLog::DefaultRan);
    sub->Add(item);  // found depth first, below the top level
    return menu;
  };
  struct Case {
    const char* Name;
    TPopupMenu* Menu;
    std::vector<std::string> Expected;
  } cases[] = {
      {"library menu with a default", makeMenu(new TQelPopupMenu(form.get()), true), {"dblclick", "default"}},
      {"library menu without a default", makeMenu(new TQelPopupMenu(form.get()), false), {"dblclick"}},
      {"platform menu with a default", makeMenu(new TPopupMenu(form.get()), true), {"dblclick"}},
      {"no menu", nullptr, {"dblclick"}},
  };
  auto* edit = Place<TQelEdit>(form.get(), form.get(), 150, 20, 200, 24);
  edit->SetText("שלום world");
  edit->OnDblClick = TNotifyEvent(&log, &TEventLog::DoubleClicked);
  ctltest::Pump();
  for (const Case& c : cases) {
    edit->SetPopupMenu(c.Menu);
    // Apart from the last case's clicks, so that the next press starts a double click of its own.
    PumpFor(GetDoubleClickTime() + 50);
    log.Events.clear();
    ASSERT_TRUE(DoubleClick(edit->GetHandle(), POINT{100, 12})) << c.Name;
    PumpMessages();
    EXPECT_EQ(log.Events, c.Expected) << c.Name;
  }
}

// ---------------------------------------------------------------------------------------------------
namespace {

class TQelFamilyForm : public TForm {
  VCL_DECLARE_CLASS(TQelFamilyForm, TForm)
  TQelFamilyForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  TQelEdit* Edit1 = nullptr;
  TQelPanel* Panel1 = nullptr;
  TQelShape* Shape1 = nullptr;
  TQelScrollBox* ScrollBox1 = nullptr;
  TQelHeaderControl* HeaderControl1 = nullptr;
  void ControlClick(TObject*) {}
  void PanelKeyDown(TObject*, WORD&, TShiftState) {}
};

VCL_PUBLISHED(TQelFamilyForm)
{
  p.Field("Edit1", &TQelFamilyForm::Edit1);
  p.Field("Panel1", &TQelFamilyForm::Panel1);
  p.Field("Shape1", &TQelFamilyForm::Shape1);
  p.Field("ScrollBox1", &TQelFamilyForm::ScrollBox1);
  p.Field("HeaderControl1", &TQelFamilyForm::HeaderControl1);
  p.Method("ControlClick", &TQelFamilyForm::ControlClick);
  p.Method("PanelKeyDown", &TQelFamilyForm::PanelKeyDown);
}

// Every member of the family, with the name it has on the stored form.
struct TMember {
  const char* Name;
  TMetaClass* Class;
};
const std::vector<TMember>& Members()
{
  static const std::vector<TMember> members = {
      {"Button1", TQelButton::StaticClass()},           {"ListBox1", TQelListBox::StaticClass()},
      {"MainMenu1", TQelMainMenu::StaticClass()},       {"Bevel1", TQelBevel::StaticClass()},
      {"BitBtn1", TQelBitBtn::StaticClass()},           {"CheckBox1", TQelCheckBox::StaticClass()},
      {"ComboBox1", TQelComboBox::StaticClass()},       {"ControlBar1", TQelControlBar::StaticClass()},
      {"DrawGrid1", TQelDrawGrid::StaticClass()},       {"GroupBox1", TQelGroupBox::StaticClass()},
      {"Image1", TQelImage::StaticClass()},             {"Label1", TQelLabel::StaticClass()},
      {"MaskEdit1", TQelMaskEdit::StaticClass()},       {"Memo1", TQelMemo::StaticClass()},
      {"Panel1", TQelPanel::StaticClass()},             {"PopupMenu1", TQelPopupMenu::StaticClass()},
      {"RadioButton1", TQelRadioButton::StaticClass()}, {"RadioGroup1", TQelRadioGroup::StaticClass()},
      {"ScrollBar1", TQelScrollBar::StaticClass()},     {"ScrollBox1", TQelScrollBox::StaticClass()},
      {"Shape1", TQelShape::StaticClass()},             {"Edit1", TQelEdit::StaticClass()},
      {"SpeedButton1", TQelSpeedButton::StaticClass()}, {"Splitter1", TQelSplitter::StaticClass()},
      {"StaticText1", TQelStaticText::StaticClass()},   {"StringGrid1", TQelStringGrid::StaticClass()},
      {"HeaderControl1", TQelHeaderControl::StaticClass()}, {"ActionList1", TQelActionList::StaticClass()},
  };
  return members;
}

}  // namespace

TEST(QelFamily, StoredFormWithEveryMemberRoundTripsAndLoads)
{
  ASSERT_EQ(Members().size(), 28u);
  // The speed button's unit does not register its class (Qelstoredform_test registers it too).
  RegisterClass(TQelSpeedButton::StaticClass());
  for (const TMember& m : Members()) EXPECT_EQ(GetClass(m.Class->ClassName()), m.Class) << m.Name << " is registered";
  RegisterClass(TQelFamilyForm::StaticClass());
  std::unique_ptr<TQelFamilyForm, FormDeleter> form(new TQelFamilyForm(nullptr, 0));
  const ctltest::TRoundTrip trip = ctltest::RoundTrip(L"TQELFAMILYFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(ctltest::BinaryToText(trip.Written), ctltest::BinaryToText(trip.Stored));
  // Not byte for byte against the stored binary: the Hebrew caption is a wide string in the text
  // form and is written back as the UTF-8 string it is. What was written reads back to the same bytes.
  std::unique_ptr<TQelFamilyForm, FormDeleter> copy(new TQelFamilyForm(nullptr, 0));
  TMemoryStream written, again;
  written.WriteBuffer(trip.Written.data(), int(trip.Written.size()));
  written.SetPosition(0);
  written.ReadComponent(copy.get());
  again.WriteComponent(copy.get());
  EXPECT_TRUE(std::string(static_cast<const char*>(again.Memory()), size_t(again.GetSize())) == trip.Written)
      << "binary differs";

  for (const TMember& m : Members()) {
    TComponent* c = form->FindComponent(m.Name);
    ASSERT_NE(c, nullptr) << m.Name;
    EXPECT_EQ(c->ClassType(), m.Class) << m.Name;
  }
  ASSERT_NE(form->ScrollBox1, nullptr);
  EXPECT_EQ(form->ScrollBox1->GetWheelIncrement(), 30);
  EXPECT_EQ(ctltest::Find<TQelScrollBox>(form.get(), "ScrollBox2")->GetWheelIncrement(), 0);
  ASSERT_NE(form->HeaderControl1, nullptr);
  EXPECT_TRUE(form->HeaderControl1->GetFlipIndices());
  EXPECT_EQ(form->HeaderControl1->FlipIndex(0), 2);
  EXPECT_FALSE(ctltest::Find<TQelHeaderControl>(form.get(), "HeaderControl2")->GetFlipIndices());
  const TMethod keyDown = GetMethodProp(form->Panel1, "OnKeyDown");
  EXPECT_EQ(keyDown.Data, form.get());
  EXPECT_EQ(keyDown.Code, TKeyEvent(form.get(), &TQelFamilyForm::PanelKeyDown).GetMethod().Code);
  const TMethod click = TNotifyEvent(form.get(), &TQelFamilyForm::ControlClick).GetMethod();
  EXPECT_EQ(GetMethodProp(form->Shape1, "OnClick"), click);
  EXPECT_EQ(GetMethodProp(form->Shape1, "OnDblClick"), click);
  EXPECT_EQ(form->Edit1->GetPopupMenu(), ctltest::Find<TQelPopupMenu>(form.get(), "PopupMenu1"));
  EXPECT_EQ(ctltest::Find<TQelListBox>(form.get(), "ListBox1")->FindString(1, "Ab"), 2);
}

// ---------------------------------------------------------------------------------------------------
namespace {

// A plain class with a constructor of its own that takes an owner: the factory of its class
// reference never runs that one.
class TPlainProbe : public TObject {
  VCL_DECLARE_CLASS(TPlainProbe, TObject)
  TPlainProbe() { Constructed = "plain"; }
  explicit TPlainProbe(TComponent*) { Constructed = "with owner"; }
  static inline std::string Constructed;
};
VCL_IMPLEMENT_CLASS(TPlainProbe)

class TFailingComponent : public TComponent {
  VCL_DECLARE_CLASS(TFailingComponent, TComponent)
  explicit TFailingComponent(TOwnerArg owner) : TComponent(owner) { throw EInvalidOperation("refused"); }
};
VCL_IMPLEMENT_CLASS(TFailingComponent)

}  // namespace

TEST(QelFamily, NewInstanceMakesEachMemberWithItsOwner)
{
  TFormPtr owner(DirectedForm(bdRightToLeft));
  for (const TMember& m : Members()) {
    const int before = owner->GetComponentCount();
    TObject* made = QelNewInstance(owner.get(), m.Class);
    ASSERT_NE(made, nullptr) << m.Name;
    EXPECT_EQ(made->ClassType(), m.Class) << m.Name;
    auto* component = dynamic_cast<TComponent*>(made);
    ASSERT_NE(component, nullptr) << m.Name;
    EXPECT_EQ(component->Owner(), owner.get()) << m.Name;
    EXPECT_TRUE(component->GetName().IsEmpty()) << m.Name;
    EXPECT_EQ(owner->GetComponentCount(), before + 1) << m.Name;
    delete made;
    EXPECT_EQ(owner->GetComponentCount(), before) << m.Name;
  }
  TObject* unowned = QelNewInstance(nullptr, TQelEdit::StaticClass());
  ASSERT_NE(unowned, nullptr);
  EXPECT_EQ(static_cast<TComponent*>(unowned)->Owner(), nullptr);
  delete unowned;
}

TEST(QelFamily, NewInstanceOfAPlainClassRunsOnlyTheFactory)
{
  TFormPtr owner(DirectedForm(bdRightToLeft));
  const int before = owner->GetComponentCount();
  for (TMetaClass* cls : {TObject::StaticClass(), TPlainProbe::StaticClass()}) {
    TPlainProbe::Constructed.clear();
    TObject* made = QelNewInstance(owner.get(), cls);
    ASSERT_NE(made, nullptr) << cls->Name();
    EXPECT_EQ(made->ClassType(), cls) << cls->Name();
    EXPECT_EQ(TPlainProbe::Constructed, cls == TObject::StaticClass() ? "" : "plain") << cls->Name();
    EXPECT_EQ(owner->GetComponentCount(), before) << cls->Name() << " is not owned";
    delete made;
  }
  // A collection item is no component: it gets no collection.
  TObject* section = QelNewInstance(owner.get(), THeaderSection::StaticClass());
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(static_cast<THeaderSection*>(section)->GetCollection(), nullptr);
  delete section;
  EXPECT_EQ(QelNewInstance(owner.get(), nullptr), nullptr);
  EXPECT_THROW(QelNewInstance(owner.get(), TStrings::StaticClass()), EInvalidOperation) << "abstract";
  EXPECT_THROW(QelNewInstance(owner.get(), TFailingComponent::StaticClass()), EInvalidOperation);
  EXPECT_EQ(owner->GetComponentCount(), before);
}
