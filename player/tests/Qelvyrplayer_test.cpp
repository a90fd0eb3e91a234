// The player control on a form, driven as the program's windows drive it, with what it shows read
// back from the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ComObj.h"
#include "GuiTest.h"
#include "PlayerTestSupport.h"

using namespace ostrel::test;
using namespace playertest;

namespace {

// COM for the whole test comes from the application, as in the program.
class ApplicationEnvironment : public ::testing::Environment {
public:
  void SetUp() override { Application->Initialize(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// Pixels of the capture that are not (nearly) black.
int LitPixels(const Pixels& shot)
{
  int lit = 0;
  for (uint32_t pixel : shot.Data())
    if (((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF) > 60) ++lit;
  return lit;
}

int DifferentPixels(const Pixels& a, const Pixels& b)
{
  if (a.Data().size() != b.Data().size()) return -1;
  int different = 0;
  for (size_t i = 0; i < a.Data().size(); ++i)
    if (a.Data()[i] != b.Data()[i]) ++different;
  return different;
}

class PlaysEachLayout : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(PlaysEachLayout, MovingPictureTenSecondsAndAnAdvancingPosition)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->Open(Media(GetParam()));
  player->Play();
  EXPECT_EQ(player->GetState(), 2);
  EXPECT_EQ(player->GetDuration(), 10);
  EXPECT_TRUE(player->HasVideo());
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 1.0; }, 10000)) << "the position does not advance";
  const Pixels first = CaptureClient(player->GetHandle());
  PumpFor(500);
  const Pixels second = CaptureClient(player->GetHandle());
  const std::string name = std::string("player-") + GetParam();
  SavePng(first, name + "-a");
  SavePng(second, name + "-b");
  const int area = first.Width() * first.Height();
  EXPECT_GT(LitPixels(first), area * 3 / 4) << "the test pattern fills the control";
  EXPECT_GT(DifferentPixels(first, second), area / 100) << "the picture moves";
  EXPECT_GE(player->GetPosition(), 1);
  EXPECT_EQ(player->GetState(), 2);
}

INSTANTIATE_TEST_SUITE_P(Media, PlaysEachLayout, ::testing::Values("av10-single.vyr", "av10-shuffled.vyr", "av10.mpg"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// ---- seeking, looping, sound ------------------------------------------------------------------------

namespace {

// Waits until the seek asked for has been carried out and the graph reports a position near target.
bool LandsNear(TTestPlayer* player, double target)
{
  return PumpUntil([&] { return std::abs(ExactPosition(player) - target) <= 0.5; }, 5000);
}

}  // namespace

TEST(PlayerSeek, LandsWithinHalfASecondAndKeepsTheStateWhilePlayingPausedAndStopped)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->Open(Media("av10-shuffled.vyr"));
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.3; }, 5000));

  player->SetPosition(5);
  EXPECT_EQ(player->GetPosition(), 5) << "the target is the answer until the seek is carried out";
  EXPECT_TRUE(LandsNear(player, 5.0)) << ExactPosition(player);
  EXPECT_EQ(player->GetState(), 2);
  EXPECT_TRUE(PumpUntil([&] { return ExactPosition(player) > 5.6; }, 5000)) << "playing goes on from there";

  player->Pause();
  player->SetPosition(2);
  EXPECT_TRUE(LandsNear(player, 2.0)) << ExactPosition(player);
  EXPECT_EQ(player->GetState(), 1);
  EXPECT_EQ(player->GetPosition(), 2);

  player->Stop();
  EXPECT_EQ(player->GetState(), 0);
  EXPECT_EQ(player->GetPosition(), 0) << "stop rewinds";
  player->SetPosition(5);
  EXPECT_TRUE(LandsNear(player, 5.0)) << ExactPosition(player);
  EXPECT_EQ(player->GetState(), 0);
  EXPECT_EQ(player->GetPosition(), 5);

  // Out-of-range targets are held to the file.
  player->SetPosition(-3);
  EXPECT_TRUE(LandsNear(player, 0.0));
  player->SetPosition(1000);
  EXPECT_EQ(player->GetPosition(), 10);
  PumpFor(200);
  EXPECT_EQ(player->GetState(), 0);
}

TEST(PlayerSeek, ABurstOfSeeksIsCarriedOutOnceWithTheLatestTarget)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->Open(Media("av10-single.vyr"));
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return player->GetState() == 2 && ExactPosition(player) > 0.2; }, 5000));
  player->CountPositionEvents();
  // Every drag step of a position track asks; only the last one counts.
  for (int second = 1; second <= 7; ++second) player->SetPosition(second);
  EXPECT_EQ(player->GetPosition(), 7);
  EXPECT_TRUE(LandsNear(player, 7.0)) << ExactPosition(player);
  EXPECT_EQ(player->GetState(), 2);
  EXPECT_GE(player->PositionEvents, 1);
}

TEST(PlayerLoop, PlaysPastTheEndBackToTheStartAgainAndAgain)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->SetLoop(true);
  player->Open(Media("av10-single.vyr"));
  player->Play();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    player->SetPosition(9);
    ASSERT_TRUE(LandsNear(player, 9.0));
    // Through the end and back to the beginning, still playing.
    ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) >= 0 && ExactPosition(player) < 1.0; }, 8000))
        << ExactPosition(player);
    EXPECT_EQ(player->GetState(), 2);
    ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.3; }, 5000)) << "playing on from the start";
  }
}

TEST(PlayerLoop, WithoutLoopTheEndStopsAndRewinds)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->Open(Media("av10.mpg"));
  player->Play();
  player->SetPosition(9);
  ASSERT_TRUE(PumpUntil([&] { return player->GetState() == 0; }, 8000)) << "the end stops playback";
  EXPECT_EQ(player->GetPosition(), 0);
}

TEST(PlayerSound, VolumeAndMuteReachTheAudioRendererOnAnEvenLoudnessCurve)
{
  EXPECT_EQ(TQelCustomDShowPlayer::VolumeToDecibels(100), 0);
  EXPECT_EQ(TQelCustomDShowPlayer::VolumeToDecibels(50), -1000);
  EXPECT_EQ(TQelCustomDShowPlayer::VolumeToDecibels(25), -2000);
  EXPECT_EQ(TQelCustomDShowPlayer::VolumeToDecibels(0), -10000);
  for (int v = 1; v <= 100; ++v)
    EXPECT_GT(TQelCustomDShowPlayer::VolumeToDecibels(v), TQelCustomDShowPlayer::VolumeToDecibels(v - 1)) << v;

  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->SetVolume(50);  // before anything is open: kept for the file
  player->Open(Media("av10-shuffled.vyr"));
  ASSERT_NE(player->Audio(), nullptr);
  long decibels = 1;
  player->Audio()->get_Volume(&decibels);
  EXPECT_EQ(decibels, -1000);
  player->Play();

  player->SetMute(true);
  player->Audio()->get_Volume(&decibels);
  EXPECT_EQ(decibels, -10000);
  EXPECT_EQ(player->GetVolume(), 50);
  EXPECT_TRUE(player->GetMute());

  // A change while muted is kept for later and stays silent.
  player->SetVolume(25);
  player->SetMute(true);
  player->Audio()->get_Volume(&decibels);
  EXPECT_EQ(decibels, -10000);
  EXPECT_EQ(player->GetVolume(), 25);

  player->SetMute(false);
  player->Audio()->get_Volume(&decibels);
  EXPECT_EQ(decibels, -2000);
  for (int v : {0, 1, 33, 99, 100}) {
    player->SetVolume(v);
    EXPECT_EQ(player->GetVolume(), v);
  }
  player->SetVolume(150);
  EXPECT_EQ(player->GetVolume(), 100);
  player->SetVolume(-5);
  EXPECT_EQ(player->GetVolume(), 0);
}

// ---- full screen, focus and keys ------------------------------------------------------------------

namespace {

// Records the keys that reach the control's OnKeyDown; Escape leaves full screen, as the main window
// does.
class KeyLog : public TObject {
public:
  explicit KeyLog(TTestPlayer* player) : Player(player) { player->OnKeyDown = TKeyEvent(this, &KeyLog::KeyDown); }
  void KeyDown(TObject*, WORD& key, TShiftState)
  {
    Keys.push_back(key);
    if (key == VK_ESCAPE && Player->GetFullScreen()) Player->SetFullScreen(false);
  }
  TTestPlayer* Player;
  std::vector<WORD> Keys;
};

// Where the video's window is, in the control's client coordinates (empty when it is elsewhere).
RECT VideoRect(TTestPlayer* player)
{
  HWND video = GetWindow(player->GetHandle(), GW_CHILD);
  RECT rect{};
  if (!video) return rect;
  GetWindowRect(video, &rect);
  MapWindowPoints(HWND_DESKTOP, player->GetHandle(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

TEST(PlayerFullScreen, CoversTheScreenTakesEscapeAndReturnsTheVideoWithItsSize)
{
  PlayerForm window(400, 320);
  TTestPlayer* player = window.Player;
  KeyLog log(player);
  player->Open(Media("av10-shuffled.vyr"));
  player->SetVideoSize(352, 288);
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.3; }, 5000));
  const RECT inside = VideoRect(player);
  EXPECT_EQ(inside.left, 24);
  EXPECT_EQ(inside.top, 16);
  EXPECT_EQ(inside.right - inside.left, 352);

  player->SetFullScreen(true);
  ASSERT_TRUE(player->GetFullScreen());
  EXPECT_EQ(GetWindow(player->GetHandle(), GW_CHILD), nullptr) << "the video left the control";
  const SIZE screen = ScreenSize();
  HWND top = GetForegroundWindow();
  RECT covered{};
  GetWindowRect(top, &covered);
  EXPECT_EQ(covered.left, 0);
  EXPECT_EQ(covered.top, 0);
  EXPECT_EQ(covered.right, screen.cx);
  EXPECT_EQ(covered.bottom, screen.cy);
  PumpFor(600);
  const Pixels shot = CaptureScreen(RECT{0, 0, screen.cx, screen.cy});
  SavePng(shot, "player-fullscreen");
  EXPECT_GT(LitPixels(shot), shot.Width() * shot.Height() / 2) << "the picture fills the screen";

  ASSERT_TRUE(KeyPress('P'));
  // Leaving full screen moves the focus, which the kit's own check of the key may not see.
  KeyPress(VK_ESCAPE);
  PumpUntil([&] { return !player->GetFullScreen(); }, 3000);
  EXPECT_EQ(log.Keys, (std::vector<WORD>{'P', VK_ESCAPE}));
  EXPECT_FALSE(player->GetFullScreen());
  const RECT back = VideoRect(player);
  EXPECT_TRUE(EqualRect(&back, &inside)) << back.left << "," << back.top << " " << back.right << "," << back.bottom;
  PumpFor(300);
  SavePng(CaptureClient(window.Form->GetHandle()), "player-after-fullscreen");
  EXPECT_EQ(player->GetState(), 2);
}

TEST(PlayerFocus, TheControlTakesTheKeysWhenItsFormShowsAndWhenItIsClicked)
{
  std::unique_ptr<TForm> form(new TForm(Application, 0));
  form->SetClientWidth(400);
  form->SetClientHeight(340);
  form->SetLeft(60);
  form->SetTop(60);
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->SetBounds(8, 8, 90, 26);
  button->SetCaption("Other");
  auto* player = new TTestPlayer(form.get());
  player->SetParent(form.get());
  player->SetBounds(0, 40, 400, 300);
  KeyLog log(player);
  form->Show();
  MakeForeground(form->GetHandle());
  PumpFor(100);
  EXPECT_EQ(GetFocus(), player->GetHandle()) << "focused when the form shows";
  ASSERT_TRUE(KeyPress('M'));

  player->Open(Media("av10-single.vyr"));
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.2; }, 5000));
  ASSERT_TRUE(Click(button->GetHandle(), POINT{10, 10}));
  EXPECT_EQ(GetFocus(), button->GetHandle());
  // A click on the picture (the video's own window) gives the keys back to the control.
  ASSERT_TRUE(Click(form->GetHandle(), POINT{200, 190}));
  PumpUntil([&] { return GetFocus() == player->GetHandle(); }, 2000);
  EXPECT_EQ(GetFocus(), player->GetHandle());
  ASSERT_TRUE(KeyPress(VK_SPACE));
  EXPECT_EQ(log.Keys, (std::vector<WORD>{'M', VK_SPACE}));
}

// ---- which files take the own filter -----------------------------------------------------------------

TEST(PlayerFiles, OnlyTheVyrExtensionInAnyCaseTakesTheOwnFilter)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  for (const wchar_t* name : {L"upper.VYR", L"mixed.Vyr", L"lower.vyr"}) {
    MediaCopy copy("av10-single.vyr", name);
    player->Open(copy.Path());
    EXPECT_NE(player->GetFilter(), nullptr) << AnsiString(name).c_str();
    EXPECT_EQ(player->GetDuration(), 10);
    player->Close();
    EXPECT_EQ(player->GetFilter(), nullptr);
  }
  // MPEG data under names that are not .vyr goes to the platform, which plays it by its content.
  for (const wchar_t* name : {L"longer.vyrx", L"clip.vyr.mpg", L"noextension"}) {
    MediaCopy copy("av10.mpg", name);
    player->Open(copy.Path());
    EXPECT_EQ(player->GetFilter(), nullptr) << AnsiString(name).c_str();
    EXPECT_EQ(player->GetDuration(), 10) << AnsiString(name).c_str();
    player->Close();
  }
}

TEST(PlayerFiles, ASecondVyrReplacesTheFilterAndDestroyingTheControlReleasesItOnce)
{
  const LONG before = CUnknown::ObjectCount();
  {
    PlayerForm window;
    TTestPlayer* player = window.Player;
    player->Open(Media("av10-single.vyr"));
    player->Play();
    const LONG withOne = CUnknown::ObjectCount();
    EXPECT_GT(withOne, before);
    player->Open(Media("av10-shuffled.vyr"));
    player->Play();
    ASSERT_NE(player->GetFilter(), nullptr);
    EXPECT_EQ(CUnknown::ObjectCount(), withOne) << "the first filter went with its graph";
    EXPECT_EQ(player->GraphsReleased, 1);
    ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.3; }, 5000));
    // The form and the control go while the second file plays.
  }
  EXPECT_EQ(CUnknown::ObjectCount(), before);
}
