// The kit's input: clicks, drags, keys and text arrive as a person's would, at the points asked.
#include "Probe.h"

namespace ostrel::test {
namespace {

constexpr RECT Place{160, 140, 160 + 320, 140 + 200};

TEST(Input, ClickArrivesAtExactlyTheClientPointAsked)
{
  Probe probe(Place);
  ASSERT_TRUE(probe.Handle());
  const POINT points[] = {{0, 0}, {319, 199}, {37, 59}, {160, 1}, {1, 198}};
  for (POINT p : points) {
    probe.Events.clear();
    ASSERT_TRUE(Click(probe.Handle(), p)) << p.x << "," << p.y;
    auto downs = probe.Of(WM_LBUTTONDOWN);
    auto ups = probe.Of(WM_LBUTTONUP);
    ASSERT_EQ(downs.size(), 1u) << p.x << "," << p.y;
    ASSERT_EQ(ups.size(), 1u) << p.x << "," << p.y;
    EXPECT_EQ(downs[0].Point().x, p.x);
    EXPECT_EQ(downs[0].Point().y, p.y);
    EXPECT_EQ(ups[0].Point().x, p.x);
    EXPECT_EQ(ups[0].Point().y, p.y);
    EXPECT_TRUE(downs[0].W & MK_LBUTTON);
    EXPECT_FALSE(ups[0].W & MK_LBUTTON);
  }
  EXPECT_EQ(GetForegroundWindow(), probe.Handle());
}

TEST(Input, AbsoluteCoordinatesCoverTheVirtualScreen)
{
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  POINT first = AbsoluteInputPoint(POINT{left, top});
  POINT last = AbsoluteInputPoint(POINT{left + width - 1, top + height - 1});
  EXPECT_GE(first.x, 0);
  EXPECT_LT(first.x, 65536 / width + 1);
  EXPECT_LE(last.x, 65535);
  EXPECT_GT(last.x, 65535 - 65536 / width - 1);
  EXPECT_LE(last.y, 65535);
  // Neighbouring pixels never share a coordinate.
  EXPECT_LT(AbsoluteInputPoint(POINT{left + 100, top}).x, AbsoluteInputPoint(POINT{left + 101, top}).x);
}

TEST(Input, MoveSetsTheCursorAndTheWindowSeesIt)
{
  Probe probe(Place);
  ASSERT_TRUE(MoveMouse(probe.Handle(), POINT{200, 150}));
  POINT cursor;
  ASSERT_TRUE(GetCursorPos(&cursor));
  POINT want = ClientToScreenPoint(probe.Handle(), POINT{200, 150});
  EXPECT_EQ(cursor.x, want.x);
  EXPECT_EQ(cursor.y, want.y);
  auto moves = probe.Of(WM_MOUSEMOVE);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().Point().x, 200);
  EXPECT_EQ(moves.back().Point().y, 150);
}

TEST(Input, RightClickGivesRightButtonAndContextMenu)
{
  Probe probe(Place);
  ASSERT_TRUE(RightClick(probe.Handle(), POINT{90, 70}));
  EXPECT_EQ(probe.Sequence({WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU, WM_LBUTTONDOWN}),
            (std::vector<UINT>{WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}));
  auto up = probe.Of(WM_RBUTTONUP);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].Point().x, 90);
  EXPECT_EQ(up[0].Point().y, 70);
  // WM_CONTEXTMENU carries the screen point.
  auto menu = probe.Of(WM_CONTEXTMENU);
  POINT screen = ClientToScreenPoint(probe.Handle(), POINT{90, 70});
  EXPECT_EQ(menu[0].Point().x, screen.x);
  EXPECT_EQ(menu[0].Point().y, screen.y);
}

TEST(Input, ClickWithModifiersHeld)
{
  Probe probe(Place);
  ASSERT_TRUE(Click(probe.Handle(), POINT{70, 80}, Button::Left, ShiftShift | ShiftCtrl));
  auto downs = probe.Of(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_TRUE(downs[0].W & MK_SHIFT);
  EXPECT_TRUE(downs[0].W & MK_CONTROL);
  EXPECT_TRUE(downs[0].ShiftDown && downs[0].CtrlDown);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  // And a plain click afterwards has none.
  ASSERT_TRUE(Click(probe.Handle(), POINT{71, 80}));
  EXPECT_FALSE(probe.Of(WM_LBUTTONDOWN).back().W & (MK_SHIFT | MK_CONTROL));
}

TEST(Input, MiddleClick)
{
  Probe probe(Place);
  ASSERT_TRUE(Click(probe.Handle(), POINT{11, 12}, Button::Middle));
  EXPECT_EQ(probe.Sequence({WM_MBUTTONDOWN, WM_MBUTTONUP, WM_LBUTTONDOWN, WM_RBUTTONDOWN}),
            (std::vector<UINT>{WM_MBUTTONDOWN, WM_MBUTTONUP}));
  EXPECT_EQ(probe.Of(WM_MBUTTONDOWN)[0].Point().x, 11);
  EXPECT_EQ(probe.Of(WM_MBUTTONDOWN)[0].Point().y, 12);
}

TEST(Input, DoubleClickIsReportedAsOne)
{
  Probe probe(Place);
  ASSERT_TRUE(DoubleClick(probe.Handle(), POINT{50, 60}));
  EXPECT_EQ(probe.Sequence({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}),
            (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
  auto dbl = probe.Of(WM_LBUTTONDBLCLK);
  ASSERT_EQ(dbl.size(), 1u);
  EXPECT_EQ(dbl[0].Point().x, 50);
  EXPECT_EQ(dbl[0].Point().y, 60);
}

TEST(Input, DragWithCaptureFollowsThePointerOutsideTheWindow)
{
  Probe probe(Place, RGB(240, 240, 240), /*captureOnPress=*/true);
  const POINT from{40, 50};
  const POINT to{320 + 70, 200 + 45};  // beyond the right and bottom edges
  ASSERT_TRUE(Drag(probe.Handle(), from, to, 6));

  auto moves = probe.Of(WM_MOUSEMOVE);
  std::vector<Event> captured;
  for (const Event& e : moves)
    if (e.Capture == probe.Handle() && (e.W & MK_LBUTTON)) captured.push_back(e);
  ASSERT_GE(captured.size(), 6u);
  for (size_t i = 1; i < captured.size(); ++i) {
    EXPECT_GE(captured[i].Point().x, captured[i - 1].Point().x);
    EXPECT_GE(captured[i].Point().y, captured[i - 1].Point().y);
  }
  EXPECT_EQ(captured.back().Point().x, to.x);
  EXPECT_EQ(captured.back().Point().y, to.y);
  auto ups = probe.Of(WM_LBUTTONUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].Point().x, to.x);
  EXPECT_EQ(ups[0].Point().y, to.y);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST(Input, DragWithoutCaptureLosesThePointerAtTheEdge)
{
  // The contrast that shows the capture test above means something: without capture the window
  // hears nothing once the pointer has left it.
  Probe probe(Place);
  ASSERT_TRUE(Drag(probe.Handle(), POINT{40, 50}, POINT{320 + 70, 200 + 45}, 6));
  EXPECT_TRUE(probe.Of(WM_LBUTTONUP).empty());
  for (const Event& e : probe.Of(WM_MOUSEMOVE)) {
    EXPECT_LT(e.Point().x, 320);
    EXPECT_LT(e.Point().y, 200);
  }
}

TEST(Input, KeysArriveWithTheirVirtualKeyAndShiftState)
{
  Probe probe(Place);
  ASSERT_TRUE(Focus(probe.Handle()));
  ASSERT_TRUE(KeyPress('A', ShiftShift | ShiftCtrl));
  ASSERT_TRUE(KeyPress(VK_LEFT));
  ASSERT_TRUE(KeyPress('X', ShiftAlt));
  ASSERT_TRUE(KeyPress(VK_F5));

  std::vector<Event> downs;
  for (const Event& e : probe.Events)
    if ((e.Msg == WM_KEYDOWN || e.Msg == WM_SYSKEYDOWN) && e.W != VK_SHIFT && e.W != VK_CONTROL && e.W != VK_MENU)
      downs.push_back(e);
  ASSERT_EQ(downs.size(), 4u);

  EXPECT_EQ(downs[0].Msg, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(downs[0].W, static_cast<WPARAM>('A'));
  EXPECT_TRUE(downs[0].ShiftDown);
  EXPECT_TRUE(downs[0].CtrlDown);
  EXPECT_FALSE(downs[0].AltDown);

  EXPECT_EQ(downs[1].W, static_cast<WPARAM>(VK_LEFT));
  EXPECT_TRUE(downs[1].L & (1 << 24)) << "arrow keys are extended keys";
  EXPECT_FALSE(downs[1].ShiftDown || downs[1].CtrlDown || downs[1].AltDown);

  EXPECT_EQ(downs[2].Msg, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(downs[2].W, static_cast<WPARAM>('X'));
  EXPECT_TRUE(downs[2].AltDown);
  EXPECT_TRUE(downs[2].L & (1 << 29)) << "context code: Alt held";

  EXPECT_EQ(downs[3].W, static_cast<WPARAM>(VK_F5));
  EXPECT_FALSE(downs[3].ShiftDown || downs[3].CtrlDown || downs[3].AltDown);

  // Nothing is left pressed.
  for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU, int{'A'}, int{'X'}, VK_LEFT}) EXPECT_GE(GetKeyState(vk), 0) << vk;
}

TEST(Input, KeyDownAndUpSeparately)
{
  Probe probe(Place);
  ASSERT_TRUE(Focus(probe.Handle()));
  ASSERT_TRUE(KeyDown(VK_SHIFT));
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  ASSERT_TRUE(KeyPress(VK_HOME));
  ASSERT_TRUE(KeyUp(VK_SHIFT));
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  auto downs = probe.Of(WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[1].W, static_cast<WPARAM>(VK_HOME));
  EXPECT_TRUE(downs[1].ShiftDown);
  EXPECT_EQ(probe.Of(WM_KEYUP).back().W, static_cast<WPARAM>(VK_SHIFT));
}

TEST(Input, TypedTextArrivesAsCharactersHebrewIncluded)
{
  Probe probe(Place);
  ASSERT_TRUE(Focus(probe.Handle()));
  const std::string text = "Play ×2, \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D!";  // "Play ×2, שלום!"
  ASSERT_TRUE(TypeText(text));
  std::wstring got;
  for (const Event& e : probe.Of(WM_CHAR)) got += static_cast<wchar_t>(e.W);
  EXPECT_EQ(got, Utf8ToWide(text));
  EXPECT_EQ(got.substr(got.size() - 5), std::wstring(L"\x05E9\x05DC\x05D5\x05DD!"));
}

TEST(Input, ForegroundMovesToTheWindowDriven)
{
  Probe first(Place);
  Probe second(RECT{Place.left + 40, Place.top + 40, Place.right + 40, Place.bottom + 40});
  ASSERT_TRUE(MakeForeground(first.Handle()));
  EXPECT_EQ(GetForegroundWindow(), first.Handle());
  EXPECT_EQ(GetActiveWindow(), first.Handle());
  // The second one lies above the first: a click on their common area goes to it.
  ASSERT_TRUE(Click(second.Handle(), POINT{10, 10}));
  EXPECT_EQ(GetForegroundWindow(), second.Handle());
  EXPECT_EQ(second.Of(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_TRUE(first.Of(WM_LBUTTONDOWN).empty());
  ASSERT_TRUE(Focus(first.Handle()));
  EXPECT_EQ(GetFocus(), first.Handle());
}

TEST(Wait, PumpUntilIsBoundedAndSeesPostedWork)
{
  Probe probe(Place);
  bool seen = false;
  const UINT msg = WM_APP + 7;
  TestWindow target(RECT{0, 0, 10, 10}, [&](HWND, UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == msg) seen = true;
    return m == msg;
  }, probe.Handle());
  PostMessageW(target.Handle(), msg, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return seen; }, 2000));

  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(PumpUntil([] { return false; }, 150));
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_GE(took, 140u);
  EXPECT_LT(took, 1500u);

  // The wait sleeps: waiting costs a small fraction of its time in processor time.
  FILETIME c, e, k0, u0, k1, u1;
  GetThreadTimes(GetCurrentThread(), &c, &e, &k0, &u0);
  PumpFor(300);
  GetThreadTimes(GetCurrentThread(), &c, &e, &k1, &u1);
  auto ticks = [](FILETIME f) { return (static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
  const ULONGLONG cpu100ns = ticks(k1) - ticks(k0) + ticks(u1) - ticks(u0);
  EXPECT_LT(cpu100ns, 1500000u) << "PumpFor(300) used " << cpu100ns / 10000 << " ms of processor time";
}

}  // namespace
}  // namespace ostrel::test
