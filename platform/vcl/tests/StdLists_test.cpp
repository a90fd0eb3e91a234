// Memos, list boxes and combo boxes driven by real input: typing, selection, scrolling, and the
// items drawn by the program (owner draw), checked in pixels.
#include <gtest/gtest.h>

#include "StdInputSupport.h"

using namespace stdinput;
using namespace ostrel::test;

VCL_IMPLEMENT_CLASS(TRecorder)

namespace {

class StdLists : public ::testing::Test {
protected:
  void SetUp() override { Form.reset(ctltest::NewForm(420, 300)); }
  TFormPtr Form;
  TRecorder Events;
};

// The lines of a memo, the same with its window and without: each edit of Lines gives the text.
TEST_F(StdLists, MemoLinesEditTheText)
{
  struct Case {
    const char* Name;
    void (*Edit)(TStrings*);
    std::vector<std::string> Expected;
  } cases[] = {
      {"add", [](TStrings* l) { l->Add("one"); l->Add("two"); }, {"one", "two"}},
      {"insert first", [](TStrings* l) { l->Add("b"); l->Insert(0, "a"); }, {"a", "b"}},
      {"insert middle", [](TStrings* l) { l->Add("a"); l->Add("c"); l->Insert(1, "b"); }, {"a", "b", "c"}},
      {"put", [](TStrings* l) { l->Add("a"); l->Add("b"); l->Put(1, "\xD7\xA9\xD7\x9C"); }, {"a", "\xD7\xA9\xD7\x9C"}},
      {"delete last", [](TStrings* l) { l->Add("a"); l->Add("b"); l->Delete(1); }, {"a"}},
      {"delete first", [](TStrings* l) { l->Add("a"); l->Add("b"); l->Delete(0); }, {"b"}},
      {"text", [](TStrings* l) { l->SetText("x\ny\r\nz\r\n"); }, {"x", "y", "z"}},
      {"clear", [](TStrings* l) { l->Add("a"); l->Clear(); }, {}},
  };
  for (const Case& c : cases) {
    for (bool window : {false, true}) {
      auto* memo = new TMemo(Form.get());
      if (window) {
        memo->SetParent(Form.get());
        memo->HandleNeeded();
      }
      c.Edit(memo->GetLines());
      std::vector<std::string> got;
      for (int i = 0; i < memo->GetLines()->GetCount(); ++i) got.push_back(memo->GetLines()->Get(i).str());
      EXPECT_EQ(got, c.Expected) << c.Name << (window ? " (window)" : " (no window)");
      delete memo;
    }
  }
}

TEST_F(StdLists, MemoTypingFollowsWantReturnsAndWantTabs)
{
  struct Case {
    bool WantReturns, WantTabs;
    std::vector<std::string> Lines;
    bool KeepsFocus;
  } cases[] = {
      {true, false, {"ab", "cd"}, false},
      {true, true, {"ab", "c\td"}, true},
      {false, false, {"abcd"}, false},
  };
  auto* after = Place<TEdit>(Form.get(), 220, 10, 100, 21);
  for (const Case& c : cases) {
    auto* memo = Place<TMemo>(Form.get(), 10, 10, 200, 120);
    memo->SetWantReturns(c.WantReturns);
    memo->SetWantTabs(c.WantTabs);
    memo->SetTabOrder(0);
    ASSERT_TRUE(FocusOn(memo));
    ASSERT_TRUE(TypeText("ab"));
    ASSERT_TRUE(KeyPress(VK_RETURN));
    ASSERT_TRUE(TypeText("c"));
    ASSERT_TRUE(KeyPress(VK_TAB));
    if (c.KeepsFocus) ASSERT_TRUE(TypeText("d"));
    else {
      EXPECT_TRUE(PumpUntil([&] { return after->Focused(); }, 2000)) << "Tab moves on";
      ASSERT_TRUE(FocusOn(memo));
      ASSERT_TRUE(KeyPress(VK_END, ShiftCtrl));
      ASSERT_TRUE(TypeText("d"));
    }
    std::vector<std::string> got;
    for (int i = 0; i < memo->GetLines()->GetCount(); ++i) got.push_back(memo->GetLines()->Get(i).str());
    EXPECT_EQ(got, c.Lines) << "WantReturns " << c.WantReturns << " WantTabs " << c.WantTabs;
    delete memo;
  }
}

TEST_F(StdLists, MemoScrollsToTheCaret)
{
  auto* memo = Place<TMemo>(Form.get(), 10, 10, 200, 80);
  memo->SetScrollBars(ssVertical);
  for (int i = 0; i < 40; ++i) memo->GetLines()->Add(AnsiString("line ") + IntToStr(i));
  ASSERT_TRUE(FocusOn(memo));
  ASSERT_TRUE(KeyPress(VK_END, ShiftCtrl));
  EXPECT_TRUE(PumpUntil([&] { return SendMessageW(memo->GetHandle(), EM_GETFIRSTVISIBLELINE, 0, 0) > 30; }, 2000));
  EXPECT_EQ(memo->GetCaretPos().y, 39);
  SavePng(Form->GetHandle(), "stdlists_memo");
}

// Clicks and keys move the list box's selection; each change is a click event.
TEST_F(StdLists, ListBoxSelectionByMouseAndKeys)
{
  auto* list = Place<TListBox>(Form.get(), 10, 10, 150, 120);
  list->OnClick = TNotifyEvent(&Events, &TRecorder::Clicked);
  for (int i = 0; i < 30; ++i) list->GetItems()->Add(AnsiString("item ") + IntToStr(i));
  ctltest::Pump();
  const int height = list->GetItemHeight();
  ASSERT_TRUE(ClickAt(list, 20, height * 2 + height / 2));
  EXPECT_TRUE(PumpUntil([&] { return list->GetItemIndex() == 2; }, 2000));
  EXPECT_EQ(list->ItemAtPos(TPoint(20, height * 2 + 1), true), 2);
  EXPECT_EQ(list->ItemRect(2).Top, height * 2);
  struct Case {
    WORD Key;
    int Index;
  } cases[] = {{VK_DOWN, 3}, {VK_UP, 2}, {VK_END, 29}, {VK_HOME, 0}, {VK_NEXT, -2}};
  for (const Case& c : cases) {
    ASSERT_TRUE(KeyPress(c.Key));
    const int expected = c.Index >= 0 ? c.Index : list->GetItemIndex();
    EXPECT_EQ(list->GetItemIndex(), expected) << "key " << c.Key;
    if (c.Key == VK_END) {
      EXPECT_GT(list->GetTopIndex(), 0) << "the end scrolls into view";
    }
  }
  EXPECT_GE(Events.Clicks, 5);
  EXPECT_EQ(list->ItemAtPos(TPoint(20, 500), true), -1);
  EXPECT_EQ(list->ItemAtPos(TPoint(20, 500), false), 30);
}

TEST_F(StdLists, ListBoxMultiSelectAndSorted)
{
  auto* list = Place<TListBox>(Form.get(), 10, 10, 150, 120);
  list->SetSorted(true);
  list->SetMultiSelect(true);
  for (const char* s : {"pear", "apple", "fig"}) list->GetItems()->Add(s);
  EXPECT_EQ(list->GetItems()->Get(0), AnsiString("apple"));
  list->HandleNeeded();
  EXPECT_EQ(list->GetItems()->Get(2), AnsiString("pear"));
  const int height = list->GetItemHeight();
  ASSERT_TRUE(ClickAt(list, 20, height / 2));
  ASSERT_TRUE(Click(list->GetHandle(), POINT{20, height * 2 + height / 2}, Button::Left, ShiftCtrl));
  EXPECT_TRUE(PumpUntil([&] { return list->GetSelCount() == 2; }, 2000));
  EXPECT_TRUE(list->GetSelected(0));
  EXPECT_FALSE(list->GetSelected(1));
  EXPECT_TRUE(list->GetSelected(2));
  // A window made again keeps items and selection.
  list->SetExtendedSelect(false);
  EXPECT_EQ(list->GetItems()->GetCount(), 3);
  EXPECT_EQ(list->GetSelCount(), 2);
}

// Owner draw: every item is painted by OnDrawItem, in the height OnMeasureItem gives it.
class TItemPainter : public TObject {
  VCL_DECLARE_CLASS(TItemPainter, TObject)
  TItemPainter() = default;
  static COLORREF ColourOf(int index) { return index % 2 ? RGB(200, 30, 30) : RGB(30, 30, 200); }
  int Draws = 0;
  void Draw(TWinControl* control, int index, const TRect& rect, TOwnerDrawState)
  {
    ++Draws;
    TCanvas* canvas = static_cast<TCustomListBox*>(control)->GetCanvas();
    canvas->GetBrush()->SetColor(TColor(int(ColourOf(index))));
    canvas->FillRect(rect);
  }
  void Measure(TWinControl*, int index, int& height) { height = 10 + 4 * index; }
};
VCL_IMPLEMENT_CLASS(TItemPainter)

TEST_F(StdLists, ListBoxOwnerDrawPaintsEveryItem)
{
  TItemPainter painter;
  for (TListBoxStyle style : {lbOwnerDrawFixed, lbOwnerDrawVariable}) {
    auto* list = Place<TListBox>(Form.get(), 10, 10, 150, 200);
    list->SetStyle(style);
    list->SetItemHeight(20);
    list->OnDrawItem = TDrawItemEvent(&painter, &TItemPainter::Draw);
    list->OnMeasureItem = TMeasureItemEvent(&painter, &TItemPainter::Measure);
    for (int i = 0; i < 5; ++i) list->GetItems()->Add(IntToStr(i));
    const ctltest::TPixels pixels = ctltest::Capture(list);
    pixels.Save(style == lbOwnerDrawFixed ? "stdlists_ownerdraw_fixed" : "stdlists_ownerdraw_variable");
    for (int i = 0; i < 5; ++i) {
      const TRect r = list->ItemRect(i);
      EXPECT_EQ(r.Height(), style == lbOwnerDrawFixed ? 20 : 10 + 4 * i) << i;
      EXPECT_EQ(pixels.At(r.Left + r.Width() / 2, r.Top + r.Height() / 2), TItemPainter::ColourOf(i))
          << "item " << i << " style " << style;
    }
    delete list;
  }
  EXPECT_GE(painter.Draws, 10);
}

// Combo boxes: typing changes the text, the keys choose items, the button opens the list.
TEST_F(StdLists, ComboBoxTypingAndChoosing)
{
  struct Case {
    TComboBoxStyle Style;
    bool Typing;
  } cases[] = {{csDropDown, true}, {csSimple, true}, {csDropDownList, false}, {csOwnerDrawFixed, false}};
  for (const Case& c : cases) {
    TRecorder events;
    auto* combo = Place<TComboBox>(Form.get(), 10, 10, 160, c.Style == csSimple ? 120 : 21);
    combo->SetStyle(c.Style);
    for (const char* s : {"red", "green", "blue"}) combo->GetItems()->Add(s);
    combo->OnChange = TNotifyEvent(&events, &TRecorder::Changed);
    combo->OnDropDown = TNotifyEvent(&events, &TRecorder::DroppedDown);
    ctltest::Pump();
    // The focus goes on to the combo box's own edit, where there is one.
    ASSERT_TRUE(MakeForeground(combo->GetHandle()));
    combo->SetFocus();
    if (c.Typing) {
      ASSERT_TRUE(TypeText("teal"));
      EXPECT_EQ(combo->GetText(), AnsiString("teal")) << c.Style;
      EXPECT_EQ(events.Changes, 4) << c.Style;
    }
    combo->SetItemIndex(0);
    const int changes = events.Changes;
    ASSERT_TRUE(KeyPress(VK_DOWN));
    EXPECT_TRUE(PumpUntil([&] { return combo->GetItemIndex() == 1; }, 2000)) << c.Style;
    EXPECT_EQ(combo->GetText(), AnsiString("green")) << c.Style;
    EXPECT_GT(events.Changes, changes) << c.Style;
    if (c.Style != csSimple) {
      ASSERT_TRUE(ClickAt(combo, combo->GetWidth() - 8, combo->GetHeight() / 2));
      EXPECT_TRUE(PumpUntil([&] { return combo->GetDroppedDown(); }, 2000)) << c.Style;
      EXPECT_EQ(events.DropDowns, 1) << c.Style;
      SavePng(Form->GetHandle(), "stdlists_combo_" + std::to_string(int(c.Style)));
      ASSERT_TRUE(KeyPress(VK_ESCAPE));
      PumpUntil([&] { return !combo->GetDroppedDown(); }, 2000);
    }
    delete combo;
  }
}

}  // namespace
