// The track bar and the up-down on real windows, driven by keys and the mouse: every notification
// code of the track bar reaches its (overridden) scroll handler and OnChange; the up-down's arrows,
// keys, Wrap, the CanChange veto and the button OnClick names; both right to left.
#include "ComCtrlsTestSupport.h"

#include <algorithm>

using namespace comctl;

namespace {

// Sees each scroll code before the track bar handles it, as a library descendant does.
class TTrackProbe : public TTrackBar {
  VCL_DECLARE_CLASS(TTrackProbe, TTrackBar)
  explicit TTrackProbe(TOwnerArg owner) : TTrackBar(owner) { OnChange = TNotifyEvent(this, &TTrackProbe::Changed); }
  std::vector<int> Codes;
  std::vector<int> Changes;  // the position at each OnChange
  void Changed(TObject*) { Changes.push_back(GetPosition()); }
  void Clear()
  {
    Codes.clear();
    Changes.clear();
  }

protected:
  void CNHScroll(TWMScroll& message) override
  {
    Codes.push_back(message.ScrollCode());
    TTrackBar::CNHScroll(message);
  }
};
VCL_IMPLEMENT_CLASS(TTrackProbe)

class TrackBar : public ComCtrlsTest {
protected:
  void SetUp() override
  {
    ComCtrlsTest::SetUp();
    Bar = Place<TTrackProbe>(Form.get(), 20, 20, 300, 45);
    Bar->SetMax(20);
    Bar->SetPageSize(5);
    Bar->SetPosition(10);
    ctltest::Pump();
    Bar->Clear();
  }
  RECT Thumb()
  {
    RECT r{};
    SendMessageW(Bar->GetHandle(), TBM_GETTHUMBRECT, 0, LPARAM(&r));
    return r;
  }
  RECT Channel()
  {
    RECT r{};
    SendMessageW(Bar->GetHandle(), TBM_GETCHANNELRECT, 0, LPARAM(&r));
    return r;
  }
  TTrackProbe* Bar = nullptr;
};

}  // namespace

TEST_F(TrackBar, EveryKeyGivesItsCodeAndTheNewPosition)
{
  struct Case {
    WORD key;
    int code;
    int position;
  } cases[] = {
      {VK_RIGHT, TB_LINEDOWN, 11}, {VK_LEFT, TB_LINEUP, 9},  {VK_NEXT, TB_PAGEDOWN, 15},
      {VK_PRIOR, TB_PAGEUP, 5},    {VK_HOME, TB_TOP, 0},     {VK_END, TB_BOTTOM, 20},
  };
  ASSERT_TRUE(stdinput::FocusOn(Bar));
  for (const Case& c : cases) {
    Bar->SetPosition(10);
    Bar->Clear();
    ASSERT_TRUE(gt::KeyPress(c.key));
    ASSERT_TRUE(gt::PumpUntil([&] { return Bar->Codes.size() >= 2; }, 3000)) << c.key;
    EXPECT_EQ(Bar->Codes, (std::vector<int>{c.code, TB_ENDTRACK})) << c.key;
    EXPECT_EQ(Bar->GetPosition(), c.position) << c.key;
    // OnChange runs for each notification, with the window's position.
    EXPECT_EQ(Bar->Changes, (std::vector<int>{c.position, c.position})) << c.key;
  }
}

TEST_F(TrackBar, MouseOnTheChannelPagesAndTheThumbTracks)
{
  const RECT channel = Channel(), thumb = Thumb();
  const int y = (thumb.top + thumb.bottom) / 2;
  // A press beside the thumb pages towards the press.
  ASSERT_TRUE(ClickQueued(Bar->GetHandle(), POINT{thumb.right + 10, y}));
  ASSERT_TRUE(gt::PumpUntil([&] { return !Bar->Codes.empty() && Bar->Codes.back() == TB_ENDTRACK; }, 3000));
  EXPECT_EQ(Bar->Codes.front(), TB_PAGEDOWN);
  EXPECT_EQ(Bar->GetPosition(), 15);
  Bar->Clear();
  ASSERT_TRUE(ClickQueued(Bar->GetHandle(), POINT{channel.left + 2, y}));
  ASSERT_TRUE(gt::PumpUntil([&] { return !Bar->Codes.empty() && Bar->Codes.back() == TB_ENDTRACK; }, 3000));
  EXPECT_EQ(Bar->Codes.front(), TB_PAGEUP);
  EXPECT_LT(Bar->GetPosition(), 15);
  // The thumb dragged to the channel's end: tracking, the final position, the end.
  Bar->SetPosition(10);
  Bar->Clear();
  const POINT from = Center(Thumb());
  ASSERT_TRUE(stdinput::PressPath(Bar->GetHandle(), {from, POINT{from.x + 30, y}, POINT{channel.right + 20, y}}));
  ASSERT_TRUE(gt::PumpUntil([&] { return !Bar->Codes.empty() && Bar->Codes.back() == TB_ENDTRACK; }, 3000));
  std::string codes;
  for (int code : Bar->Codes) codes += std::to_string(code) + " ";
  ASSERT_GE(Bar->Codes.size(), 3u) << codes;
  EXPECT_EQ(Bar->Codes[0], TB_THUMBTRACK);
  // The release reports the position, then the end (the platform may repeat the end).
  const auto end = std::find(Bar->Codes.begin(), Bar->Codes.end(), TB_ENDTRACK);
  ASSERT_NE(end, Bar->Codes.begin()) << codes;
  EXPECT_EQ(*(end - 1), TB_THUMBPOSITION) << codes;
  EXPECT_EQ(Bar->GetPosition(), 20);
  EXPECT_EQ(Bar->Changes.back(), 20);
}

TEST_F(TrackBar, RangeAndPositionKeepTheirOrder)
{
  struct Case {
    const char* what;
    std::function<void()> set;
    int min, max, position;
  } cases[] = {
      {"a position past the maximum", [&] { Bar->SetPosition(99); }, 0, 20, 20},
      {"a minimum above the maximum is ignored", [&] { Bar->SetMin(30); }, 0, 20, 20},
      {"a maximum below the position pulls it down", [&] { Bar->SetMax(8); }, 0, 8, 8},
      {"a maximum below the minimum is ignored", [&] { Bar->SetMin(4), Bar->SetMax(2); }, 4, 8, 8},
      {"a position below the minimum", [&] { Bar->SetPosition(-5); }, 4, 8, 4},
  };
  for (const Case& c : cases) {
    c.set();
    EXPECT_EQ(Bar->GetMin(), c.min) << c.what;
    EXPECT_EQ(Bar->GetMax(), c.max) << c.what;
    EXPECT_EQ(Bar->GetPosition(), c.position) << c.what;
    EXPECT_EQ(SendMessageW(Bar->GetHandle(), TBM_GETPOS, 0, 0), c.position) << c.what << ": the window agrees";
  }
  // Kept before the window exists and given to it when it is made.
  auto* early = new TTrackBar(Form.get());
  early->SetMax(40);
  early->SetPosition(33);
  early->SetSelStart(5);
  early->SetSelEnd(25);
  early->SetTickStyle(tsManual);
  early->SetTick(7);
  ASSERT_FALSE(early->HandleAllocated());
  early->SetParent(Form.get());
  HWND handle = early->GetHandle();
  EXPECT_EQ(SendMessageW(handle, TBM_GETPOS, 0, 0), 33);
  EXPECT_EQ(SendMessageW(handle, TBM_GETSELSTART, 0, 0), 5);
  EXPECT_EQ(SendMessageW(handle, TBM_GETSELEND, 0, 0), 25);
  EXPECT_EQ(SendMessageW(handle, TBM_GETTIC, 0, 0), 7);
  EXPECT_TRUE(GetWindowLongW(handle, GWL_STYLE) & TBS_ENABLESELRANGE);
}

TEST_F(TrackBar, RightToLeftHasItsMinimumAtTheRight)
{
  Bar->SetSelStart(2);
  Bar->SetSelEnd(8);
  Form->SetBiDiMode(bdRightToLeft);
  ctltest::Pump();
  HWND handle = Bar->GetHandle();
  ASSERT_TRUE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  EXPECT_EQ(SendMessageW(handle, TBM_GETPOS, 0, 0), 10) << "the new window has the position";
  Bar->SetPosition(0);
  const RECT bar = ScreenRect(handle, RECT{0, 0, Bar->GetWidth(), Bar->GetHeight()});
  EXPECT_GT(CenterX(ScreenRect(handle, Thumb())), CenterX(bar)) << "the minimum is at the right";
  ASSERT_TRUE(SaveScreen(Form->GetHandle(), "trackbar_right_to_left"));
  // End takes the thumb to the maximum: the left end.
  ASSERT_TRUE(stdinput::FocusOn(Bar));
  Bar->Clear();
  ASSERT_TRUE(gt::KeyPress(VK_END));
  ASSERT_TRUE(gt::PumpUntil([&] { return Bar->GetPosition() == 20; }, 3000));
  EXPECT_LT(CenterX(ScreenRect(handle, Thumb())), CenterX(bar));
}

// ---------------------------------------------------------------------------------------------------
// Up-down
namespace {

class TUpDownProbe : public TUpDown {
  VCL_DECLARE_CLASS(TUpDownProbe, TUpDown)
  explicit TUpDownProbe(TOwnerArg owner) : TUpDown(owner)
  {
    OnChanging = TUDChangingEvent(this, &TUpDownProbe::Changing);
    OnClick = TUDClickEvent(this, &TUpDownProbe::Clicked);
  }
  bool Allow = true;
  int Asked = 0;  // CanChange calls
  std::vector<TUDBtnType> Buttons;
  void Changing(TObject*, bool& allow) { allow = Allow; }
  void Clicked(TObject*, TUDBtnType button) { Buttons.push_back(button); }

protected:
  bool CanChange() override
  {
    ++Asked;
    return TUpDown::CanChange();
  }
};
VCL_IMPLEMENT_CLASS(TUpDownProbe)

class UpDown : public ComCtrlsTest {
protected:
  void SetUp() override
  {
    ComCtrlsTest::SetUp();
    Edit = Place<TEdit>(Form.get(), 40, 40, 100, 24);
    Spin = Place<TUpDownProbe>(Form.get(), 200, 40, 17, 24);
    Spin->SetMax(5);
    Spin->SetPosition(3);
    Spin->SetAssociate(Edit);
    ctltest::Pump();
  }
  // The middle of the up (next) or down (previous) arrow.
  POINT Arrow(TUDBtnType button) const
  {
    const int h = Spin->GetHeight();
    return POINT{Spin->GetWidth() / 2, button == btNext ? h / 4 : h * 3 / 4};
  }
  TEdit* Edit = nullptr;
  TUpDownProbe* Spin = nullptr;
};

}  // namespace

TEST_F(UpDown, TheBuddySitsBesideTheButtonAndShowsThePosition)
{
  EXPECT_EQ(Edit->GetText(), AnsiString("3"));
  EXPECT_EQ(Spin->GetLeft(), Edit->GetLeft() + Edit->GetWidth()) << "the button is at the buddy's right";
  EXPECT_EQ(Edit->GetWidth(), 100 - Spin->GetWidth()) << "the platform narrowed the buddy";
  EXPECT_EQ(Spin->GetTop(), Edit->GetTop());
}

TEST_F(UpDown, ArrowsAndKeysStepAndNameTheirButton)
{
  struct Case {
    const char* what;
    std::function<bool()> input;
    bool wrap, allow;
    int position;
    std::vector<TUDBtnType> buttons;
  } cases[] = {
      {"the up arrow", [&] { return ClickQueued(Spin->GetHandle(), Arrow(btNext)); }, false, true, 4, {btNext}},
      {"the down arrow", [&] { return ClickQueued(Spin->GetHandle(), Arrow(btPrev)); }, false, true, 2, {btPrev}},
      {"the up key in the buddy", [&] { return stdinput::FocusOn(Edit) && gt::KeyPress(VK_UP); }, false, true, 4, {btNext}},
      {"the down key in the buddy", [&] { return stdinput::FocusOn(Edit) && gt::KeyPress(VK_DOWN); }, false, true, 2, {btPrev}},
      {"Wrap past the maximum", [&] { Spin->SetPosition(5); return ClickQueued(Spin->GetHandle(), Arrow(btNext)); }, true,
       true, 0, {btNext}},
      {"Wrap below the minimum", [&] { Spin->SetPosition(0); return ClickQueued(Spin->GetHandle(), Arrow(btPrev)); },
       true, true, 5, {btPrev}},
      {"a veto keeps the position", [&] { return ClickQueued(Spin->GetHandle(), Arrow(btNext)); }, false, false, 3, {}},
  };
  for (const Case& c : cases) {
    Spin->SetWrap(c.wrap);
    Spin->SetPosition(3);
    Spin->Allow = c.allow;
    Spin->Asked = 0;
    Spin->Buttons.clear();
    ctltest::Pump();
    ASSERT_TRUE(c.input()) << c.what;
    ASSERT_TRUE(gt::PumpUntil([&] { return Spin->Asked > 0 && (!c.allow || !Spin->Buttons.empty()); }, 3000)) << c.what;
    ctltest::Pump();
    EXPECT_EQ(Spin->Asked, 1) << c.what << ": CanChange is asked once per step";
    EXPECT_EQ(Spin->GetPosition(), c.position) << c.what;
    EXPECT_EQ(Spin->Buttons, c.buttons) << c.what;
    EXPECT_EQ(Edit->GetText(), IntToStr(c.position)) << c.what << ": the buddy shows the position";
  }
}

TEST_F(UpDown, WithoutArrowKeysTheKeysStayInTheBuddy)
{
  Spin->SetArrowKeys(false);
  Spin->SetAssociate(nullptr);
  Spin->SetAssociate(Edit);
  Spin->SetPosition(3);
  ASSERT_TRUE(stdinput::FocusOn(Edit));
  ASSERT_TRUE(gt::KeyPress(VK_UP));
  // The key reaches the edit (it moves the caret); the up-down hears nothing of it.
  ASSERT_TRUE(gt::KeyPress(VK_END));
  ctltest::Pump();
  EXPECT_EQ(Spin->Asked, 0);
  EXPECT_EQ(Spin->GetPosition(), 3);
  // The increment steps by its size.
  Spin->SetIncrement(2);
  ASSERT_TRUE(ClickQueued(Spin->GetHandle(), Arrow(btNext)));
  ASSERT_TRUE(gt::PumpUntil([&] { return !Spin->Buttons.empty(); }, 3000));
  EXPECT_EQ(Spin->GetPosition(), 5);
}

TEST_F(UpDown, RightToLeftPutsTheButtonAtTheBuddysLeft)
{
  Form->SetBiDiMode(bdRightToLeft);
  ctltest::Pump();
  // The up-down and its buddy were made again; the button is now at the buddy's left.
  const RECT edit = ScreenRect(Edit->GetHandle(), RECT{0, 0, Edit->GetWidth(), Edit->GetHeight()});
  const RECT spin = ScreenRect(Spin->GetHandle(), RECT{0, 0, Spin->GetWidth(), Spin->GetHeight()});
  EXPECT_LE(spin.right, edit.left + 2);
  EXPECT_GE(spin.right, edit.left - 2);
  EXPECT_EQ(Edit->GetText(), AnsiString("3"));
  ASSERT_TRUE(SaveScreen(Form->GetHandle(), "updown_right_to_left"));
  ASSERT_TRUE(ClickQueued(Spin->GetHandle(), Arrow(btNext)));
  ASSERT_TRUE(gt::PumpUntil([&] { return !Spin->Buttons.empty(); }, 3000));
  EXPECT_EQ(Spin->Buttons, (std::vector<TUDBtnType>{btNext}));
  EXPECT_EQ(Edit->GetText(), AnsiString("4"));
}
