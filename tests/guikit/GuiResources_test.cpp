// The kit's counts for leak tests and the screen a test runs on.
#include "Probe.h"

namespace ostrel::test {
namespace {

TEST(Resources, GdiCountFollowsObjectsMadeAndDeleted)
{
  // One device context first: the platform makes some objects of its own on the first one.
  HDC warm = CreateCompatibleDC(nullptr);
  DeleteDC(warm);
  const GuiCounts before = GuiResources();
  ASSERT_GT(before.Gdi, 0u);
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 25; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 2, 3)));
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
  EXPECT_EQ(GuiResources().Gdi, before.Gdi + 27);
  for (HBRUSH b : brushes) DeleteObject(b);
  DeleteObject(bitmap);
  DeleteDC(dc);
  EXPECT_EQ(GuiResources().Gdi, before.Gdi);
}

TEST(Resources, UserCountFollowsWindows)
{
  // The first window of a thread brings windows of the platform's own (under Wine an input method
  // window and a message-only one), which live as long as the thread has windows: one stays open.
  Probe keep(RECT{300, 300, 400, 400});
  const GuiCounts before = GuiResources();
  {
    Probe a(RECT{100, 100, 200, 200});
    TestWindow child(RECT{0, 0, 10, 10}, {}, a.Handle());
    TestWindow message(RECT{0, 0, 1, 1}, {}, HWND_MESSAGE, WS_CHILD);
    const GuiCounts during = GuiResources();
    if (during.UserIsWindowsOnly)
      EXPECT_EQ(during.User, before.User + 3);
    else
      EXPECT_GE(during.User, before.User + 3);
  }
  EXPECT_EQ(GuiResources().User, before.User);
}

TEST(Resources, TheSourceOfTheCountsIsTheBestThePlatformHas)
{
  const GuiCounts counts = GuiResources();
  const DWORD platformGdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (RunningUnderWine()) {
    // Wine's GetGuiResources answers 0; should it ever count, the kit ought to use it.
    EXPECT_EQ(platformGdi, 0u) << "GetGuiResources counts under this Wine: use it";
    EXPECT_TRUE(counts.GdiFromHandleTable);
    EXPECT_TRUE(counts.UserIsWindowsOnly);
  } else {
    EXPECT_FALSE(counts.GdiFromHandleTable);
    EXPECT_EQ(counts.Gdi, platformGdi);
  }
}

// Run on a sized desktop (OSTREL_DESKTOP, see scripts/wine-run): the process sees exactly that size.
TEST(Desktop, TheScreenHasTheSizeAsked)
{
  const SIZE want = RequestedDesktop();
  if (want.cx == 0) GTEST_SKIP() << "no OSTREL_DESKTOP: runs in the sized-desktop runs of this test";
  const SIZE screen = ScreenSize();
  EXPECT_EQ(screen.cx, want.cx);
  EXPECT_EQ(screen.cy, want.cy);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), want.cx);
  EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), want.cy);
  const RECT work = WorkArea();
  EXPECT_EQ(work.left, 0);
  EXPECT_EQ(work.top, 0);
  EXPECT_EQ(work.right, want.cx);
  EXPECT_EQ(work.bottom, want.cy);
  // A maximised window fills it.
  TestWindow window(RECT{10, 10, 100, 100});
  ShowWindow(window.Handle(), SW_MAXIMIZE);
  PumpFor(50);
  RECT client;
  GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, want.cx);
  // Input lands at the right point inside it, near its far corner too.
  Probe probe(RECT{want.cx - 200, want.cy - 150, want.cx - 10, want.cy - 10});
  ASSERT_TRUE(Click(probe.Handle(), POINT{189, 139}));
  auto downs = probe.Of(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].Point().x, 189);
  EXPECT_EQ(downs[0].Point().y, 139);
  Pixels shot = CaptureScreen(RECT{0, 0, want.cx, want.cy});
  EXPECT_EQ(shot.Width(), want.cx);
  EXPECT_EQ(shot.AtClient(probe.Handle(), 5, 5), probe.Colour);
  SavePng(shot, "gui_kit_desktop_" + std::to_string(want.cx) + "x" + std::to_string(want.cy));
}

TEST(Desktop, RequestedSizeIsReadFromTheEnvironment)
{
  const char* old = std::getenv("OSTREL_DESKTOP");
  const std::string saved = old ? old : "";
  _putenv_s("OSTREL_DESKTOP", "1024x700");
  EXPECT_EQ(RequestedDesktop().cx, 1024);
  EXPECT_EQ(RequestedDesktop().cy, 700);
  _putenv_s("OSTREL_DESKTOP", "1024");
  EXPECT_EQ(RequestedDesktop().cx, 0);
  _putenv_s("OSTREL_DESKTOP", "800x600x3");
  EXPECT_EQ(RequestedDesktop().cx, 0);
  _putenv_s("OSTREL_DESKTOP", saved.c_str());
}

}  // namespace
}  // namespace ostrel::test
