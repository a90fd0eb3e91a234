// Radio groups and radio buttons by clicks and keys, and every control of this family right to
// left: text at the right, scroll bars at the left, marks right of their text.
#include <gtest/gtest.h>

#include "StdInputSupport.h"

using namespace stdinput;
using namespace ostrel::test;

namespace {

class StdRadio : public ::testing::Test {
protected:
  void SetUp() override { Form.reset(ctltest::NewForm(460, 320)); }
  TFormPtr Form;
  TRecorder Events;
};

TEST_F(StdRadio, GroupFollowsClicksAndKeys)
{
  auto* group = Place<TRadioGroup>(Form.get(), 10, 10, 300, 120);
  group->SetCaption("Speed");
  for (const char* s : {"Slow", "Normal", "Fast", "Faster"}) group->GetItems()->Add(s);
  group->SetColumns(2);
  group->OnClick = TNotifyEvent(&Events, &TRecorder::Clicked);
  ctltest::Pump();
  ASSERT_EQ(group->GetButtonCount(), 4);
  EXPECT_GT(group->GetButton(2)->GetLeft(), group->GetButton(0)->GetLeft()) << "two columns";
  EXPECT_EQ(group->GetButton(1)->GetLeft(), group->GetButton(0)->GetLeft());
  struct Case {
    const char* Name;
    std::function<bool()> Input;
    int Index;
  } cases[] = {
      {"click", [&] { TRadioButton* b = group->GetButton(1); return ClickAt(b, 8, b->GetHeight() / 2); }, 1},
      {"down", [&] { return KeyPress(VK_DOWN); }, 2},
      {"right", [&] { return KeyPress(VK_RIGHT); }, 3},
      {"round", [&] { return KeyPress(VK_DOWN); }, 0},
      {"up round", [&] { return KeyPress(VK_UP); }, 3},
      {"click first", [&] { TRadioButton* b = group->GetButton(0); return ClickAt(b, 8, b->GetHeight() / 2); }, 0},
  };
  int clicks = 0;
  for (const Case& c : cases) {
    ASSERT_TRUE(c.Input()) << c.Name;
    EXPECT_TRUE(PumpUntil([&] { return group->GetItemIndex() == c.Index; }, 2000)) << c.Name;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(group->GetButton(i)->GetChecked(), i == c.Index) << c.Name << " " << i;
    EXPECT_EQ(Events.Clicks, ++clicks) << c.Name;
  }
  SavePng(Form->GetHandle(), "stdradio_group");
  group->SetEnabled(false);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(IsWindowEnabled(group->GetButton(i)->GetHandle()));
  group->SetItemIndex(2);
  EXPECT_TRUE(group->GetButton(2)->GetChecked());
  EXPECT_EQ(Events.Clicks, clicks) << "the program's choice is no click";
}

TEST_F(StdRadio, ButtonsOfOneParentUncheckEachOther)
{
  TRadioButton* buttons[3];
  for (int i = 0; i < 3; ++i) {
    buttons[i] = Place<TRadioButton>(Form.get(), 10, 10 + 24 * i, 120, 20);
    buttons[i]->SetCaption(IntToStr(i));
  }
  auto* other = Place<TPanel>(Form.get(), 200, 10, 150, 60);
  auto* elsewhere = Place<TRadioButton>(other, 10, 10, 120, 20);
  elsewhere->SetChecked(true);
  ctltest::Pump();
  for (int pick : {0, 2, 1}) {
    ASSERT_TRUE(ClickAt(buttons[pick], 8, 10));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(buttons[i]->GetChecked(), i == pick) << pick << " " << i;
    EXPECT_EQ(SendMessageW(buttons[pick]->GetHandle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(elsewhere->GetChecked()) << "another parent is another group";
  }
}

// Right to left: each control's text starts at its right, its scroll bar is at its left, marks
// sit right of their text. The picture is saved for a look.
TEST_F(StdRadio, RightToLeftLook)
{
  const char hebrew[] = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
  Form->SetBiDiMode(bdRightToLeft);
  auto* memo = Place<TMemo>(Form.get(), 240, 10, 200, 80);
  memo->SetScrollBars(ssVertical);
  auto* list = Place<TListBox>(Form.get(), 240, 100, 200, 80);
  auto* combo = Place<TComboBox>(Form.get(), 240, 190, 200, 21);
  auto* check = Place<TCheckBox>(Form.get(), 240, 220, 200, 20);
  auto* radio = Place<TRadioButton>(Form.get(), 240, 245, 200, 20);
  auto* bar = Place<TScrollBar>(Form.get(), 240, 275, 200, GetSystemMetrics(SM_CYHSCROLL));
  auto* group = Place<TRadioGroup>(Form.get(), 10, 10, 220, 120);
  auto* box = Place<TScrollBox>(Form.get(), 10, 140, 220, 100);
  Place<TPanel>(box, 10, 10, 100, 300);
  for (int i = 0; i < 12; ++i) {
    memo->GetLines()->Add(hebrew);
    list->GetItems()->Add(hebrew);
  }
  combo->GetItems()->Add(hebrew);
  combo->SetItemIndex(0);
  check->SetCaption(hebrew);
  check->SetChecked(true);
  radio->SetCaption(hebrew);
  radio->SetChecked(true);
  group->SetCaption(hebrew);
  for (int i = 0; i < 3; ++i) group->GetItems()->Add(hebrew);
  group->SetItemIndex(0);
  for (TControl* c : std::initializer_list<TControl*>{memo, list, combo, check, radio, bar, group, box})
    EXPECT_EQ(c->GetBiDiMode(), bdRightToLeft) << c->ClassName().c_str();
  ctltest::Pump();
  SavePng(Form->GetHandle(), "stdradio_right_to_left");
  struct Case {
    TWinControl* Control;
    bool HasVerticalBar;
    bool HasText;
  } cases[] = {{memo, true, true},   {list, true, true},   {box, true, false},
               {combo, false, true}, {check, false, true}, {radio, false, true}};
  for (const Case& c : cases) {
    const LONG exStyle = GetWindowLongW(c.Control->GetHandle(), GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_RTLREADING) << c.Control->ClassName().c_str();
    if (c.HasVerticalBar) {
      EXPECT_TRUE(exStyle & WS_EX_LEFTSCROLLBAR) << c.Control->ClassName().c_str();
      RECT window{}, client{};
      GetWindowRect(c.Control->GetHandle(), &window);
      POINT origin{0, 0};
      ClientToScreen(c.Control->GetHandle(), &origin);
      EXPECT_GT(origin.x - window.left, GetSystemMetrics(SM_CXVSCROLL) - 1) << "bar at the left of " << c.Control->ClassName().c_str();
      (void)client;
    }
    if (!c.HasText) continue;
    // The text's dark pixels lie in the right half.
    const ctltest::TPixels pixels = ctltest::Capture(c.Control);
    const auto columns = pixels.ColumnsNear(RGB(0, 0, 0), 110);
    ASSERT_GE(columns.first, 0) << "no text in " << c.Control->ClassName().c_str();
    EXPECT_GT(columns.second, pixels.Width * 3 / 4) << c.Control->ClassName().c_str();
  }
  // The marks sit at the right.
  for (TButtonControl* b : std::initializer_list<TButtonControl*>{check, radio})
    EXPECT_TRUE(GetWindowLongW(b->GetHandle(), GWL_STYLE) & BS_RIGHTBUTTON) << b->ClassName().c_str();
  EXPECT_GT(group->GetButton(0)->GetLeft() + group->GetButton(0)->GetWidth(), group->GetWidth() - 20);
}

}  // namespace
