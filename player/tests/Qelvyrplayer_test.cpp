// The player control on a form, driven as the program's windows drive it, with what it shows read
// back from the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ComObj.h"
#include "ComTest.h"
#include "RunProgram.h"
#include "GuiTest.h"
#include "Localemgr.h"
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

TEST(PlayerEvents, PositionChangesComeOnTheMainThreadSeveralTimesASecondWhilePlaying)
{
  // COM came from the application, and no translation files are involved.
  EXPECT_FALSE(LocaleSupportActive());
  EXPECT_EQ(ComApartment(COINIT_APARTMENTTHREADED).Result(), S_FALSE)
      << "the application initialised COM on this thread";

  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->CountPositionEvents();
  player->Open(Media("av10-gaps.vyr"));
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.2; }, 5000));
  const int start = player->PositionEvents;
  PumpFor(1000);
  EXPECT_GE(player->PositionEvents - start, 3);
  EXPECT_LE(player->PositionEvents - start, 10);
  EXPECT_EQ(player->PositionEventThread, GetCurrentThreadId());
  player->Pause();
  PumpFor(100);
  const int paused = player->PositionEvents;
  PumpFor(600);
  EXPECT_EQ(player->PositionEvents, paused) << "quiet while paused";
}

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

  HWND video = GetWindow(player->GetHandle(), GW_CHILD);
  ASSERT_NE(video, nullptr);
  player->SetFullScreen(true);
  ASSERT_TRUE(player->GetFullScreen());
  EXPECT_EQ(GetWindow(player->GetHandle(), GW_CHILD), nullptr) << "the video left the control";
  const SIZE screen = ScreenSize();
  HWND top = GetAncestor(video, GA_ROOT);
  ASSERT_NE(top, GetAncestor(player->GetHandle(), GA_ROOT));
  EXPECT_EQ(GetFocus(), player->GetHandle()) << "the keys stay with the control";
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

  // The keys of the keyboard go to the foreground window's thread: full screen must leave the form
  // in front as far as the platform is concerned.
  EXPECT_EQ(GetForegroundWindow(), GetAncestor(player->GetHandle(), GA_ROOT)) << "the form lost the foreground";
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

// ---- failures ----------------------------------------------------------------------------------------

namespace {

// Opening raises EOleSysError with a failure code, and leaves nothing open and nothing of ours alive.
void ExpectOpenFails(TTestPlayer* player, const AnsiString& file, LONG objectsBefore)
{
  SCOPED_TRACE(file.c_str());
  HRESULT code = S_OK;
  try {
    player->Open(file);
    ADD_FAILURE() << "opened";
  } catch (const EOleSysError& e) {
    code = e.ErrorCode;
    EXPECT_FALSE(e.Message.IsEmpty());
  }
  EXPECT_TRUE(FAILED(code)) << std::hex << code;
  EXPECT_FALSE(player->IsOpen());
  EXPECT_EQ(player->GetFilter(), nullptr);
  EXPECT_EQ(player->GetState(), TQelCustomDShowPlayer::NoMedia);
  EXPECT_EQ(CUnknown::ObjectCount(), objectsBefore);
}

}  // namespace

TEST(PlayerFailures, UnplayableFilesRaiseWithTheCodeAndTheControlStaysUsable)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  const LONG before = CUnknown::ObjectCount();
  MediaCopy text(std::string("This is a text file, not a film.\r\n", 35), L"notes.mpg", true);
  std::string junk(64 * 1024, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 7919 % 251);
  MediaCopy malformed(junk, L"broken.vyr", true);
  MediaCopy empty(std::string(), L"empty.vyr", true);

  ExpectOpenFails(player, "Z:\\no\\such\\folder\\missing.vyr", before);
  ExpectOpenFails(player, "Z:\\no\\such\\folder\\missing.mpg", before);
  ExpectOpenFails(player, malformed.Path(), before);
  ExpectOpenFails(player, empty.Path(), before);
  ExpectOpenFails(player, text.Path(), before);
  // Nothing was left holding the files.
  EXPECT_TRUE(DeleteFileW(Utf8ToWide(malformed.Path().c_str()).c_str()));
  EXPECT_TRUE(DeleteFileW(Utf8ToWide(text.Path().c_str()).c_str()));

  // And the same control plays the next good file.
  player->Open(Media("av10-single.vyr"));
  player->Play();
  EXPECT_EQ(player->GetState(), 2);
  EXPECT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.3; }, 5000));

  // A bad file after a good one takes the good one's graph away too.
  ExpectOpenFails(player, malformed.Path() + "x.vyr", before);
}

TEST(PlayerFailures, NothingOpenIsANormalState)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  KeyLog log(player);
  player->CountPositionEvents();
  EXPECT_EQ(player->GetState(), TQelCustomDShowPlayer::NoMedia);
  player->Play();
  player->Pause();
  player->Stop();
  player->SetPosition(5);
  player->SetMute(true);
  player->SetMute(false);
  player->SetFullScreen(true);
  EXPECT_FALSE(player->GetFullScreen());
  player->SetVideoSize(200, 100);
  player->SetVolume(30);
  EXPECT_EQ(player->GetVolume(), 30);
  EXPECT_EQ(player->GetDuration(), 0);
  EXPECT_EQ(player->GetPosition(), 0);
  EXPECT_EQ(player->GetState(), TQelCustomDShowPlayer::NoMedia);
  EXPECT_FALSE(player->HasVideo());
  // The keys the main window sends with nothing open reach the handler and change nothing.
  for (WORD key : {WORD(VK_SPACE), WORD('P'), WORD('M'), WORD('O'), WORD(VK_ESCAPE)}) KeyPress(key);
  EXPECT_EQ(log.Keys.size(), 5u);
  ASSERT_TRUE(Click(player->GetHandle(), POINT{100, 100}));
  PumpFor(300);
  EXPECT_EQ(player->PositionEvents, 0);
  // No box of any kind came up.
  EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr);

  // The size asked for applies to the next file.
  player->Open(Media("av10.mpg"));
  player->Play();
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.2; }, 5000));
  const RECT video = VideoRect(player);
  EXPECT_EQ(video.right - video.left, 200);
  EXPECT_EQ(video.bottom - video.top, 100);
  EXPECT_EQ(player->GetVolume(), 30);
}

TEST(PlayerFailures, AFileWithoutPictureHasNoVideoAndTheVideoCallsDoNothing)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  player->Open(Media("audio10.mpg"));
  player->Play();
  EXPECT_EQ(player->GetState(), 2);
  EXPECT_EQ(player->GetDuration(), 10);
  EXPECT_FALSE(player->HasVideo());
  player->SetVideoSize(100, 80);
  player->SetFullScreen(true);
  EXPECT_FALSE(player->GetFullScreen());
  EXPECT_EQ(GetWindow(player->GetHandle(), GW_CHILD), nullptr) << "no empty video window";
  ASSERT_TRUE(PumpUntil([&] { return ExactPosition(player) > 0.5; }, 5000));
  player->SetMute(true);
  long decibels = 0;
  ASSERT_NE(player->Audio(), nullptr);
  player->Audio()->get_Volume(&decibels);
  EXPECT_EQ(decibels, -10000);
}

// ---- the filter slot when things go wrong -----------------------------------------------------------

namespace {

// A graph builder that hands everything to the platform's graph except that it can refuse to add
// the source filter (the one added without a name).
class RefusingGraph final : public IGraphBuilder {
public:
  explicit RefusingGraph(IGraphBuilder* inner) : FInner(inner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
  {
    if (iid == IID_IUnknown || iid == IID_IFilterGraph || iid == IID_IGraphBuilder) {
      *out = static_cast<IGraphBuilder*>(this);
      AddRef();
      return S_OK;
    }
    return FInner->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&FRefs); }
  ULONG STDMETHODCALLTYPE Release() override
  {
    const LONG refs = InterlockedDecrement(&FRefs);
    if (refs == 0) delete this;
    return refs;
  }
  HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override
  {
    if (!name) return VFW_E_DUPLICATE_NAME;
    return FInner->AddFilter(filter, name);
  }
  HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* f) override { return FInner->RemoveFilter(f); }
  HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters** e) override { return FInner->EnumFilters(e); }
  HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR n, IBaseFilter** f) override { return FInner->FindFilterByName(n, f); }
  HRESULT STDMETHODCALLTYPE ConnectDirect(IPin* a, IPin* b, const AM_MEDIA_TYPE* t) override
  {
    return FInner->ConnectDirect(a, b, t);
  }
  HRESULT STDMETHODCALLTYPE Reconnect(IPin* p) override { return FInner->Reconnect(p); }
  HRESULT STDMETHODCALLTYPE Disconnect(IPin* p) override { return FInner->Disconnect(p); }
  HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return FInner->SetDefaultSyncSource(); }
  HRESULT STDMETHODCALLTYPE Connect(IPin* a, IPin* b) override { return FInner->Connect(a, b); }
  HRESULT STDMETHODCALLTYPE Render(IPin* p) override { return FInner->Render(p); }
  HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR f, LPCWSTR l) override { return FInner->RenderFile(f, l); }
  HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR f, LPCWSTR n, IBaseFilter** o) override
  {
    return FInner->AddSourceFilter(f, n, o);
  }
  HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR h) override { return FInner->SetLogFile(h); }
  HRESULT STDMETHODCALLTYPE Abort() override { return FInner->Abort(); }
  HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override { return FInner->ShouldOperationContinue(); }

private:
  ~RefusingGraph() = default;
  LONG FRefs = 1;
  DelphiInterface<IGraphBuilder> FInner;
};

DelphiInterface<IGraphBuilder> MakeRefusingGraph()
{
  DelphiInterface<IGraphBuilder> inner;
  OleCheck(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            reinterpret_cast<void**>(&inner)));
  return DelphiInterface<IGraphBuilder>::Attach(new RefusingGraph(inner));
}

}  // namespace

TEST(PlayerFilterSlot, IsClearedWheneverTheGraphGoesAndNeverOutlivesItsFilter)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  const LONG before = CUnknown::ObjectCount();
  MediaCopy malformed(std::string(4096, 'x'), L"bad.vyr", true);

  // Rebuilt for the next file: the slot goes with the old graph.
  player->Open(Media("av10-single.vyr"));
  ASSERT_NE(player->GetFilter(), nullptr);
  player->Open(Media("av10.mpg"));
  EXPECT_EQ(player->GetFilter(), nullptr);
  EXPECT_EQ(player->GraphsReleased, 1);

  // The new filter's constructor raises after the old graph (and its filter) went.
  player->Open(Media("av10-shuffled.vyr"));
  ASSERT_NE(player->GetFilter(), nullptr);
  ExpectOpenFails(player, malformed.Path(), before);

  // The graph refuses the filter: our reference was the last, so the filter and its file go.
  MediaCopy good("av10-single.vyr", L"refused.vyr");
  player->GraphFactory = &MakeRefusingGraph;
  HRESULT code = S_OK;
  try {
    player->Open(good.Path());
  } catch (const EOleSysError& e) {
    code = e.ErrorCode;
  }
  EXPECT_EQ(code, VFW_E_DUPLICATE_NAME);
  EXPECT_EQ(player->GetFilter(), nullptr);
  EXPECT_FALSE(player->IsOpen());
  EXPECT_EQ(CUnknown::ObjectCount(), before);
  EXPECT_TRUE(DeleteFileW(Utf8ToWide(good.Path().c_str()).c_str())) << "the filter closed its file";

  player->GraphFactory = nullptr;
  player->Open(Media("av10-single.vyr"));
  player->Close();
  EXPECT_EQ(player->GetFilter(), nullptr);
  EXPECT_EQ(CUnknown::ObjectCount(), before);
}

TEST(PlayerFilterSlot, WithoutAGraphBuilderTheAssertionAsksAndYesRaises)
{
  PlayerForm window;
  TTestPlayer* player = window.Player;
  const LONG before = CUnknown::ObjectCount();
  const AnsiString file = Media("av10-single.vyr");
  {
    MessageBoxAnswer answer(IDYES);
    AnsiString raised;
    try {
      player->Render(file);
    } catch (const Exception& e) {
      raised = e.Message;
    }
    const auto& seen = answer.Result();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Caption, "_ASSERTE: ");
    EXPECT_EQ(seen.Buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    const std::string text = seen.Text;
    EXPECT_EQ(text.rfind("intf != 0 @ Qelvyrplayer.cpp/", 0), 0u) << text;
    EXPECT_NE(text.find("\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug"), std::string::npos) << text;
    const std::string line = text.substr(29, text.find('\n') - 29);
    EXPECT_EQ(raised, AnsiString(("intf != 0 failed - Qelvyrplayer.cpp/" + line).c_str()));
  }
  for (int button : {IDNO, IDCANCEL}) {
    MessageBoxAnswer answer(button);
    EXPECT_FALSE(player->Render(file));
    EXPECT_TRUE(answer.Result().Pressed);
  }
  EXPECT_EQ(player->GetFilter(), nullptr);
  EXPECT_EQ(CUnknown::ObjectCount(), before) << "the filter made for the render went again";
}

// ---- a whole program, and many files ------------------------------------------------------------------

TEST(PlayerProgram, EndingWhileAVyrPlaysExitsWithCodeZeroInBoundedTime)
{
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring program(self);
  program = program.substr(0, program.find_last_of(L'\\') + 1) + L"playerexit.exe";
  const auto run = RunProgram(program, {Utf8ToWide(Media("av10-shuffled.vyr").c_str()), L"1500"}, 30000);
  ASSERT_TRUE(run.Started) << run.StartError;
  EXPECT_TRUE(run.Ended) << "the program did not end";
  EXPECT_EQ(run.ExitCode, 0u);
}

namespace {

DWORD ThreadCount()
{
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

struct Counts {
  DWORD Handles = 0, User = 0, Gdi = 0, Threads = 0;
  static Counts Now()
  {
    Counts c;
    GetProcessHandleCount(GetCurrentProcess(), &c.Handles);
    const GuiCounts gui = GuiResources();
    c.User = gui.User;
    c.Gdi = gui.Gdi;
    c.Threads = ThreadCount();
    return c;
  }
};

}  // namespace

// 300 files opened, played and closed on one form: nothing piles up. Run on its own (OSTREL_SOAK).
TEST(PlayerSoak, ThreeHundredCyclesLeaveTheCountsFlat)
{
  if (!std::getenv("OSTREL_SOAK")) GTEST_SKIP() << "a soak run of its own sets OSTREL_SOAK";
  PlayerForm window;
  TTestPlayer* player = window.Player;
  const AnsiString files[] = {Media("av10-single.vyr"), Media("av10-shuffled.vyr"), Media("av10-gaps.vyr")};
  auto cycle = [&](int i) {
    player->Open(files[i % 3]);
    player->Play();
    PumpUntil([&] { return ExactPosition(player) > 0.05; }, 3000);
    player->Close();
    PumpMessages();
  };
  for (int i = 0; i < 10; ++i) cycle(i);  // the platform's one-time set-up
  PumpFor(500);
  const Counts before = Counts::Now();
  const LONG objects = CUnknown::ObjectCount();
  for (int i = 0; i < 300; ++i) cycle(i);
  PumpFor(1000);
  const Counts after = Counts::Now();
  std::printf("soak counts before/after 300 cycles: handles %lu/%lu, user %lu/%lu, gdi %lu/%lu, threads %lu/%lu\n",
              before.Handles, after.Handles, before.User, after.User, before.Gdi, after.Gdi, before.Threads,
              after.Threads);
  EXPECT_EQ(CUnknown::ObjectCount(), objects);
  // Wine does not count a process's handles (0): the check holds where the platform does.
  EXPECT_LE(after.Handles, before.Handles + 10);
  EXPECT_LE(after.User, before.User + 2);
  EXPECT_LE(after.Gdi, before.Gdi + 8);
  EXPECT_LE(after.Threads, before.Threads + 2);
}
