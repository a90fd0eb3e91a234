// Scroll bars by mouse and keys (every notification reaches OnScroll), and scroll boxes by their
// bars and by the wheel.
#include <gtest/gtest.h>

#include "StdInputSupport.h"

using namespace stdinput;
using namespace ostrel::test;

namespace {

class StdScroll : public ::testing::Test {
protected:
  void SetUp() override { Form.reset(ctltest::NewForm(420, 300)); }
  TFormPtr Form;
};

bool Wheel(int notches)
{
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  input.mi.mouseData = DWORD(-notches * WHEEL_DELTA);
  if (SendInput(1, &input, sizeof(input)) != 1) return false;
  PumpFor(100);
  return true;
}

// Each way of moving a scroll bar: the code OnScroll hears first and the position it leaves.
TEST_F(StdScroll, ScrollBarNotifiesEveryCode)
{
  auto* bar = Place<TScrollBar>(Form.get(), 10, 10, 300, GetSystemMetrics(SM_CYHSCROLL));
  bar->SetParams(50, 0, 100);
  bar->SetSmallChange(2);
  bar->SetLargeChange(10);
  TRecorder events;
  bar->OnScroll = TScrollEvent(&events, &TRecorder::Scrolled);
  bar->OnChange = TNotifyEvent(&events, &TRecorder::Changed);
  ctltest::Pump();
  const int arrow = GetSystemMetrics(SM_CXHSCROLL), middle = bar->GetHeight() / 2;
  struct Case {
    const char* Name;
    std::function<bool()> Input;
    TScrollCode Code;
    int Position;
    bool ByMouse = false;
  } cases[] = {
      {"right arrow", [&] { return PressPath(bar->GetHandle(), {{300 - arrow / 2, middle}}); }, scLineDown, 52, true},
      {"left arrow", [&] { return PressPath(bar->GetHandle(), {{arrow / 2, middle}}); }, scLineUp, 50, true},
      {"trough right", [&] { return PressPath(bar->GetHandle(), {{300 - arrow - 4, middle}}); }, scPageDown, 60, true},
      {"trough left", [&] { return PressPath(bar->GetHandle(), {{arrow + 4, middle}}); }, scPageUp, 50, true},
      {"key right", [&] { return FocusOn(bar) && KeyPress(VK_RIGHT); }, scLineDown, 52},
      {"key left", [&] { return KeyPress(VK_LEFT); }, scLineUp, 50},
      {"page down", [&] { return KeyPress(VK_NEXT); }, scPageDown, 60},
      {"page up", [&] { return KeyPress(VK_PRIOR); }, scPageUp, 50},
      {"end", [&] { return KeyPress(VK_END); }, scBottom, 100},
      {"home", [&] { return KeyPress(VK_HOME); }, scTop, 0},
      {"thumb", [&] {
         return PressPath(bar->GetHandle(), {{arrow + 4, middle}, {60, middle}, {100, middle}, {150, middle}});
       }, scTrack, -1, true},
  };
  for (const Case& c : cases) {
    events.Codes.clear();
    ASSERT_TRUE(c.Input()) << c.Name;
    // A press ends with scEndScroll once the button is up (keys end theirs as the platform decides).
    PumpUntil([&] { return !events.Codes.empty() && (!c.ByMouse || events.Codes.back() == scEndScroll); }, 2000);
    ASSERT_FALSE(events.Codes.empty()) << c.Name;
    EXPECT_EQ(events.Codes.front(), c.Code) << c.Name;
    if (c.ByMouse) {
      EXPECT_EQ(events.Codes.back(), scEndScroll) << c.Name;
    }
    if (c.Position >= 0) {
      EXPECT_EQ(bar->GetPosition(), c.Position) << c.Name;
    }
  }
  // Dragging the thumb tracks and ends at a position.
  EXPECT_NE(std::find(events.Codes.begin(), events.Codes.end(), scPosition), events.Codes.end());
  EXPECT_GT(bar->GetPosition(), 0);
  EXPECT_GT(events.Changes, 8);
  // The handler decides where the bar goes.
  events.ForcedPosition = 42;
  ASSERT_TRUE(FocusOn(bar) && KeyPress(VK_RIGHT));
  EXPECT_EQ(bar->GetPosition(), 42);
}

// Right to left a horizontal bar grows to the left: its right arrow goes back.
TEST_F(StdScroll, ScrollBarRightToLeftRunsFromTheRight)
{
  auto* bar = Place<TScrollBar>(Form.get(), 10, 10, 300, GetSystemMetrics(SM_CYHSCROLL));
  bar->SetBiDiMode(bdRightToLeft);
  bar->SetParams(0, 0, 100);
  ctltest::Pump();
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_POS;
  GetScrollInfo(bar->GetHandle(), SB_CTL, &info);
  EXPECT_EQ(info.nPos, 100) << "the minimum sits at the right";
  ASSERT_TRUE(PressPath(bar->GetHandle(), {{GetSystemMetrics(SM_CXHSCROLL) / 2, bar->GetHeight() / 2}}));
  EXPECT_EQ(bar->GetPosition(), 1) << "the left arrow goes on";
  SavePng(Form->GetHandle(), "stdscroll_bar_rtl");
}

// A scroll box's range follows its children; its bar and the wheel move them.
TEST_F(StdScroll, ScrollBoxByBarAndWheel)
{
  auto* box = Place<TScrollBox>(Form.get(), 10, 10, 200, 150);
  auto* edit = Place<TEdit>(box, 10, 10, 100, 21);
  auto* bottom = Place<TPanel>(box, 10, 380, 100, 40);
  ctltest::Pump();
  TControlScrollBar* vert = box->GetVertScrollBar();
  EXPECT_EQ(vert->GetRange(), 0) << "an automatic range is not the stored one";
  EXPECT_TRUE(vert->IsScrollBarVisible());
  EXPECT_FALSE(box->GetHorzScrollBar()->IsScrollBarVisible());
  const int client = box->GetClientHeight();
  ASSERT_TRUE(PressPath(box->GetHandle(), {{box->GetClientWidth() + GetSystemMetrics(SM_CXVSCROLL) / 2, client - 4}}));
  EXPECT_EQ(vert->GetPosition(), vert->GetIncrement());
  EXPECT_EQ(edit->GetTop(), 10 - vert->GetIncrement()) << "the children move";
  // The wheel: the focused edit does not take it, so its parent scrolls.
  ASSERT_TRUE(FocusOn(edit));
  ASSERT_TRUE(MoveMouse(box->GetHandle(), POINT{50, 50}));
  const int before = vert->GetPosition();
  ASSERT_TRUE(Wheel(1));
  EXPECT_TRUE(PumpUntil([&] { return vert->GetPosition() > before; }, 2000));
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(Wheel(1));
  EXPECT_TRUE(PumpUntil([&] { return bottom->GetTop() + bottom->GetHeight() == client; }, 2000))
      << "the last child ends at the bottom";
  SavePng(Form->GetHandle(), "stdscroll_box");
  // A handler of the wheel comes first and may keep the box still.
  TRecorder taker;
  box->OnMouseWheel = TMouseWheelEvent(&taker, &TRecorder::WheelTaken);
  const int held = vert->GetPosition();
  ASSERT_TRUE(Wheel(-1));
  EXPECT_TRUE(PumpUntil([&] { return taker.Wheels == 1; }, 2000));
  EXPECT_EQ(vert->GetPosition(), held);
}

}  // namespace
