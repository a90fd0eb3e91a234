// The player program driven from outside its process, as a person drives it: started with a file,
// looked at on the screen, clicked, typed at, dragged, closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "RunProgram.h"
#include "TestSupport.h"

using namespace ostrel::test;

namespace {

// The top-level window of the class that the process shows (or has, when visible is false).
HWND FindProcessWindow(DWORD process, const wchar_t* className, bool visible = true)
{
  for (HWND w = FindWindowExW(nullptr, nullptr, className, nullptr); w; w = FindWindowExW(nullptr, w, className, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == process && (!visible || IsWindowVisible(w))) return w;
  }
  return nullptr;
}

std::wstring DistFolder()
{
  const char* dist = std::getenv("OSTREL_DIST");
  return Utf8ToWide(WindowsPath(dist ? dist : "dist"));
}

// The running program and its main window.
class Player {
public:
  explicit Player(const std::vector<std::wstring>& arguments, bool waitForWindow = true,
                  const std::wstring& program = DistFolder() + L"\\VyrPlayer.exe")
    : process_(program, arguments)
  {
    if (process_.Started() && waitForWindow) WaitForWindow(20000);
  }
  bool WaitForWindow(DWORD ms)
  {
    return PumpUntil([&] { return (window_ = FindMainWindow()) != nullptr; }, ms);
  }
  // Closed as a user closes it; the process object ends it by force should it not go.
  ~Player()
  {
    if (window_ && !process_.Wait(0)) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
      process_.Wait(10000);
    }
  }
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  HWND Window() const { return window_; }
  RECT Rect() const
  {
    RECT r{};
    GetWindowRect(window_, &r);
    return r;
  }
  // A point of the smallest skin's layout, carried by the anchors to this skin: dx/dy are 1 for
  // controls anchored right/bottom.
  POINT At(int x, int y, bool right = false, bool bottom = false) const
  {
    const RECT r = Rect();
    const int w = r.right - r.left, h = r.bottom - r.top;
    return POINT{r.left + x + (right ? w - 446 : 0), r.top + y + (bottom ? h - 460 : 0)};
  }
  // The video area, in screen coordinates.
  // (Found inside the player panel once; in full screen it lives in a window of its own.)
  RECT Video() const
  {
    if (!video_ || !IsWindow(video_)) {
      video_ = nullptr;
      EnumChildWindows(window_, &FindVideo, reinterpret_cast<LPARAM>(&video_));
    }
    RECT r{};
    if (video_) GetWindowRect(video_, &r);
    return r;
  }
  bool Exited(DWORD ms, DWORD* code = nullptr) const
  {
    if (!process_.Wait(ms)) return false;
    if (code) *code = process_.ExitCode();
    return true;
  }
  DWORD Id() const { return process_.Id(); }

private:
  static BOOL CALLBACK FindVideo(HWND child, LPARAM found)
  {
    wchar_t name[64] = {};
    GetClassNameW(GetParent(child), name, 64);
    // The video's window is the child of the player panel.
    if (std::wstring(name) == L"TQelVyrPlayer") {
      *reinterpret_cast<HWND*>(found) = child;
      return FALSE;
    }
    return TRUE;
  }
  HWND FindMainWindow() const { return FindProcessWindow(process_.Id(), L"TVyrPlayerForm"); }

  TestProcess process_;
  HWND window_ = nullptr;
  mutable HWND video_ = nullptr;
};

bool SendMouseAt(POINT screen, DWORD flags)
{
  const POINT abs = AbsoluteInputPoint(screen);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = abs.x;
  in.mi.dy = abs.y;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | flags;
  const bool sent = SendInput(1, &in, sizeof in) == 1;
  PumpFor(60);
  return sent;
}

void ClickScreen(POINT p, bool right = false)
{
  SendMouseAt(p, 0);
  SendMouseAt(p, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  SendMouseAt(p, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  PumpFor(200);
}

void Tap(WORD vk, bool ctrl = false)
{
  std::vector<INPUT> keys;
  auto key = [&](WORD k, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = k;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    keys.push_back(in);
  };
  if (ctrl) key(VK_CONTROL, false);
  key(vk, false);
  key(vk, true);
  if (ctrl) key(VK_CONTROL, true);
  SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
  PumpFor(300);
}

int Differences(const Pixels& a, const Pixels& b)
{
  if (a.Data().size() != b.Data().size()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.Data().size(); ++i) n += a.Data()[i] != b.Data()[i];
  return n;
}

// Whether the video changes between two captures of its area 300 ms apart.
bool Changes(const Player& player)
{
  const RECT video = player.Video();
  const Pixels a = CaptureScreen(video);
  PumpFor(300);
  const Pixels b = CaptureScreen(video);
  return Differences(a, b) > (a.Width() * a.Height()) / 200;
}

// The video moves: within 5 s (a graph takes a moment to start or to come back).
bool VideoMoves(const Player& player)
{
  return PumpUntil([&] { return Changes(player); }, 5000);
}

// The video stands still: after a moment to settle, two captures are the same.
bool VideoStill(const Player& player)
{
  PumpFor(300);
  return PumpUntil([&] { return !Changes(player); }, 2000);
}

std::vector<std::wstring> MediaArgument(const std::string& name) { return {Utf8ToWide(MediaPath(name))}; }

// The expected skin for this screen: width of the window.
int ExpectedSkinWidth()
{
  const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w >= 1024 && h >= 768) return 728;
  if (w >= 800 && h >= 600) return 545;
  return 446;
}

}  // namespace

TEST(PlayerProgram, StartsWithAFileShowsTheSkinAndMovingVideo)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr) << "no main window";
  const RECT r = player.Rect();
  EXPECT_EQ(r.right - r.left, ExpectedSkinWidth());
  // Centred on the work area.
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR(r.left, (work.right - work.left - (r.right - r.left)) / 2, 1);
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right > 0; }, 5000));
  EXPECT_TRUE(VideoMoves(player));
  const Pixels shot = CaptureScreen(r);
  SavePng(shot, "e2e-playing");
  // The skin's corners are cut away: the window's region is a rounded rectangle.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(player.Window(), region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 1, 1));
  EXPECT_TRUE(PtInRegion(region, 40, 40));
  DeleteObject(region);
}

TEST(PlayerProgram, ButtonsKeysAndTheVideoDrivePlayback)
{
  Player player(MediaArgument("av10-shuffled.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right > 0; }, 5000));
  ASSERT_TRUE(VideoMoves(player));

  ClickScreen(player.At(40, 427, false, true));  // play/pause
  EXPECT_TRUE(VideoStill(player)) << "the play/pause button pauses";
  ClickScreen(player.At(40, 427, false, true));
  EXPECT_TRUE(VideoMoves(player)) << "and plays again";

  Tap(VK_SPACE);
  EXPECT_TRUE(VideoStill(player)) << "Space pauses";
  Tap('P');
  EXPECT_TRUE(VideoMoves(player)) << "P plays";
  Tap('P', true);
  EXPECT_TRUE(VideoMoves(player)) << "Ctrl+P does nothing";
  Tap(VK_ESCAPE);
  EXPECT_TRUE(VideoMoves(player)) << "Esc outside full screen does nothing";

  const RECT video = player.Video();
  ClickScreen(POINT{(video.left + video.right) / 2, (video.top + video.bottom) / 2});
  EXPECT_TRUE(VideoStill(player)) << "a click on the video pauses";
  ClickScreen(POINT{(video.left + video.right) / 2, (video.top + video.bottom) / 2});
  EXPECT_TRUE(VideoMoves(player)) << "and plays";

  ClickScreen(player.At(104, 427, false, true));  // stop
  EXPECT_TRUE(VideoStill(player)) << "stop";
  SavePng(CaptureScreen(player.Rect()), "e2e-stopped");
  Tap(VK_SPACE);
  EXPECT_TRUE(VideoMoves(player)) << "Space plays after stop";
}

TEST(PlayerProgram, FullScreenByKeyAndBack)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right > 0; }, 5000));
  const RECT before = player.Video();
  Tap('O');
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right - player.Video().left > before.right - before.left; }, 5000))
      << "O enters full screen";
  const RECT full = player.Video();
  EXPECT_EQ(full.top, 0);
  SavePng(CaptureScreen(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}), "e2e-fullscreen");
  Tap('O');
  EXPECT_EQ(player.Video().right - player.Video().left, full.right - full.left) << "O in full screen does nothing";
  Tap(VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right - player.Video().left == before.right - before.left; }, 5000))
      << "Esc leaves full screen";
  const RECT after = player.Video();
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST(PlayerProgram, TheSkinDragsTheWindowAndTheButtonsMinimiseAndClose)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  const RECT before = player.Rect();
  const POINT grip = player.At(200, 12);  // the title band of the skin
  SendMouseAt(grip, 0);
  SendMouseAt(grip, MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 5; ++step) SendMouseAt(POINT{grip.x + 10 * step, grip.y + 6 * step}, 0);
  SendMouseAt(POINT{grip.x + 50, grip.y + 30}, MOUSEEVENTF_LEFTUP);
  PumpFor(300);
  const RECT moved = player.Rect();
  EXPECT_EQ(moved.left - before.left, 50);
  EXPECT_EQ(moved.top - before.top, 30);
  // Moving with no button held moves nothing.
  SendMouseAt(POINT{grip.x + 120, grip.y + 80}, 0);
  PumpFor(200);
  EXPECT_EQ(player.Rect().left, moved.left);

  ClickScreen(player.At(392 + 11, 3 + 11, true));  // minimise
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(player.Window()) || !IsWindowVisible(player.Window()); }, 3000));
  ShowWindow(player.Window(), SW_RESTORE);
  PumpFor(500);
  ClickScreen(player.At(414 + 11, 3 + 11, true));  // close
  DWORD code = 99;
  EXPECT_TRUE(player.Exited(10000, &code)) << "close ends the program";
  EXPECT_EQ(code, 0u);
}

namespace {

bool Hebrew()
{
  const char* language = std::getenv("OSTREL_EXPECT_LANGUAGE");
  return language && std::string(language) == "he";
}

// A message box of the process, and the text it shows.
struct Box {
  HWND window = nullptr;
  std::wstring text;
};

BOOL CALLBACK FindBoxText(HWND child, LPARAM data)
{
  wchar_t name[32] = {}, text[1024] = {};
  GetClassNameW(child, name, 32);
  if (_wcsicmp(name, L"Static") == 0 && GetWindowTextW(child, text, 1024) > 0)
    reinterpret_cast<Box*>(data)->text = text;
  return TRUE;
}

Box FindBox(DWORD process)
{
  Box box;
  box.window = FindProcessWindow(process, L"#32770");
  if (box.window) EnumChildWindows(box.window, &FindBoxText, reinterpret_cast<LPARAM>(&box));
  return box;
}

// A file of some bytes in the temporary folder, gone with the object.
class TempFile {
public:
  TempFile(const std::wstring& name, const std::string& bytes)
  {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::filesystem::path(temp) / (std::to_wstring(GetCurrentProcessId()) + L"-" + name);
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  ~TempFile() { DeleteFileW(path_.c_str()); }
  std::wstring Path() const { return path_.wstring(); }

private:
  std::filesystem::path path_;
};

}  // namespace

// A file that cannot be played is named in one box with the reason, in the user's language; the
// window behind it is whole and nothing plays.
TEST(PlayerProgram, UnplayableFilesAreReportedByNameAndReason)
{
  const TempFile junk(L"junk.vyr", "VR this is no media file at all");
  const std::wstring notFound = Hebrew() ? L"\x05DC\x05D0 \x05E0\x05DE\x05E6\x05D0" : L"could not be found";
  const std::wstring notMedia = Hebrew() ? L"\x05D0\x05D9\x05E0\x05D5 \x05E7\x05D5\x05D1\x05E5 \x05DE\x05D3\x05D9\x05D4"
                                         : L"is not a media file this player can play";
  struct Case {
    const char* what;
    std::wstring file, reason;
  };
  for (const Case& c : {Case{"missing", L"Z:\\no\\such\\file.vyr", notFound}, Case{"junk", junk.Path(), notMedia}}) {
    SCOPED_TRACE(c.what);
    Player player({c.file}, false);
    Box box;
    ASSERT_TRUE(PumpUntil([&] { return (box = FindBox(player.Id())).window != nullptr; }, 20000)) << "no report";
    PumpFor(300);
    box = FindBox(player.Id());
    EXPECT_NE(box.text.find(c.file), std::wstring::npos) << WideToUtf8(box.text);
    EXPECT_NE(box.text.find(c.reason), std::wstring::npos) << WideToUtf8(box.text);
    EXPECT_EQ(box.text.find(L"Call failed"), std::wstring::npos);
    RECT boxRect{};
    GetWindowRect(box.window, &boxRect);
    SavePng(CaptureScreen(boxRect), std::string("e2e-unplayable-") + c.what + (Hebrew() ? "-he" : ""));
    PostMessageW(box.window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(player.WaitForWindow(10000)) << "the main window comes up after the report";
    PumpFor(500);
    EXPECT_EQ(FindBox(player.Id()).window, nullptr) << "reported once";
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(player.Window(), region), ERROR) << "the window is shaped";
    DeleteObject(region);
    // Nothing plays; the keys that still reach play/pause change nothing visible and break nothing.
    Tap(VK_SPACE);
    EXPECT_EQ(FindBox(player.Id()).window, nullptr);
  }
}

namespace {

// A copy of the program (the executable and its modules, no clips) in a folder of its own.
class ProgramCopy {
public:
  explicit ProgramCopy(const std::filesystem::path& folder) : folder_(folder)
  {
    std::filesystem::create_directories(folder_);
    for (const auto& entry : std::filesystem::directory_iterator(DistFolder())) {
      const std::wstring ext = entry.path().extension().wstring();
      if (ext == L".exe" || ext == L".bpl" || ext == L".dll")
        std::filesystem::copy_file(entry.path(), folder_ / entry.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
  }
  ~ProgramCopy()
  {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const std::filesystem::path& Folder() const { return folder_; }
  std::wstring Program() const { return (folder_ / L"VyrPlayer.exe").wstring(); }

private:
  std::filesystem::path folder_;
};

HWND FindAbout(DWORD process) { return FindProcessWindow(process, L"TAboutForm"); }

}  // namespace

TEST(PlayerProgram, AboutPausesPlaybackPlaysItsClipAndResumes)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(VideoMoves(player));
  const RECT main = player.Video();
  ClickScreen(player.At(345 + 42, 406 + 21, true, true));  // the logo
  HWND about = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (about = FindAbout(player.Id())) != nullptr; }, 10000)) << "no About window";
  PumpFor(1500);
  RECT aboutRect{};
  GetWindowRect(about, &aboutRect);
  SavePng(CaptureScreen(aboutRect), "e2e-about");
  // The main window's video stands still while the About clip plays (looked at beside the About
  // window, which sits in front of the middle of it).
  RECT beside = main;
  if (aboutRect.left > main.left + 20) beside.right = std::min(main.right, aboutRect.left);
  else beside.left = std::max(main.left, aboutRect.right);
  const Pixels a = CaptureScreen(beside);
  PumpFor(500);
  const Pixels b = CaptureScreen(beside);
  EXPECT_EQ(Differences(a, b), 0) << "playback pauses behind the About window";
  PostMessageW(about, WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return FindAbout(player.Id()) == nullptr; }, 5000));
  EXPECT_TRUE(VideoMoves(player)) << "and resumes after it";
}

TEST(PlayerProgram, WithoutTheAboutClipTheAboutWindowClosesAtOnce)
{
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  ProgramCopy copy(std::filesystem::path(temp) / (L"vyr-noabout-" + std::to_wstring(GetCurrentProcessId())));
  Player player(MediaArgument("av10-single.vyr"), true, copy.Program());
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(VideoMoves(player));
  ClickScreen(player.At(345 + 42, 406 + 21, true, true));
  PumpFor(1000);
  EXPECT_EQ(FindAbout(player.Id()), nullptr) << "the About window closed itself";
  EXPECT_TRUE(VideoMoves(player)) << "playback paused and resumed around it";
}

TEST(PlayerProgram, FromACdRomItPlaysTheFirstVyrBesideItWithNoArgument)
{
  const char* cdrom = std::getenv("OSTREL_CDROM");
  if (!cdrom) GTEST_SKIP() << "the CD-ROM drive comes with the test command (OSTREL_CDROM)";
  ASSERT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_CDROM));
  const std::wstring name = L"e2e-" + std::to_wstring(GetCurrentProcessId());
  ProgramCopy copy(std::filesystem::path(Utf8ToWide(WindowsPath(cdrom))) / name);
  std::filesystem::copy_file(Utf8ToWide(MediaPath("av10-shuffled.vyr")), copy.Folder() / L"clip.vyr");
  // Started from drive D:, in another working folder, with no argument.
  Player player({}, true, L"D:\\" + name + L"\\VyrPlayer.exe");
  ASSERT_NE(player.Window(), nullptr);
  EXPECT_TRUE(VideoMoves(player)) << "the clip beside the program plays";
  SavePng(CaptureScreen(player.Rect()), "e2e-cdrom");
}

namespace {

HWND OpenMenu(HWND except = nullptr)
{
  HWND found = nullptr;
  PumpUntil(
      [&] {
        found = nullptr;
        for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w; w = FindWindowExW(nullptr, w, L"#32768", nullptr))
          if (w != except && IsWindowVisible(w)) found = w;
        return found != nullptr;
      },
      5000);
  return found;
}

// Chooses item (0 Maximum, 1 Original) of the context menu's View Size submenu, with the mouse.
// View Size is the fifth line of the menu (after Pause, Stop, a line and Full Screen).
bool ChooseViewSize(const Player& player, int item)
{
  const RECT video = player.Video();
  ClickScreen(POINT{(video.left + video.right) / 2, (video.top + video.bottom) / 2}, true);
  HWND menu = OpenMenu();
  if (!menu) return false;
  RECT menuRect{};
  GetWindowRect(menu, &menuRect);
  const int line = (menuRect.bottom - menuRect.top - 6) / 7;  // six items and two half-height lines
  ClickScreen(POINT{menuRect.left + 40, menuRect.top + 3 + line * 3 + line / 2 + line / 2});
  HWND submenu = OpenMenu(menu);
  if (!submenu) return false;
  RECT subRect{};
  GetWindowRect(submenu, &subRect);
  ClickScreen(POINT{subRect.left + 30, subRect.top + 3 + line * item + line / 2});
  return true;
}

}  // namespace

TEST(PlayerProgram, TheContextMenuOffersTheCommandsAndTheViewSizes)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(VideoMoves(player));
  const RECT full = player.Video();
  const POINT centre{(full.left + full.right) / 2, (full.top + full.bottom) / 2};
  ClickScreen(centre, true);
  HWND menu = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); },
                        5000))
      << "no context menu";
  RECT menuRect{};
  GetWindowRect(menu, &menuRect);
  EXPECT_GT(menuRect.bottom - menuRect.top, 8 * 12) << "eight items, two of them lines";
  SavePng(CaptureScreen(RECT{menuRect.left - 10, menuRect.top - 10, menuRect.right + 130, menuRect.bottom + 10}),
          "e2e-context-menu");
  Tap(VK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }, 3000));
  ASSERT_TRUE(ChooseViewSize(player, 1)) << "no View Size submenu";
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right - player.Video().left == 352; }, 5000))
      << "Original view: " << player.Video().right - player.Video().left;
  EXPECT_EQ(player.Video().bottom - player.Video().top, 288);
  SavePng(CaptureScreen(player.Rect()), "e2e-original-view");

  // And back to Maximum, the first item of the submenu.
  ASSERT_TRUE(ChooseViewSize(player, 0));
  // The full size again (at the top the Maximum item gives, 25, where the start placed it a little
  // lower in proportion to the skin).
  EXPECT_TRUE(PumpUntil(
      [&] {
        const RECT now = player.Video();
        return now.right - now.left == full.right - full.left && now.bottom - now.top == full.bottom - full.top;
      },
      5000))
      << "Maximum view again";
}

// The title comes from the translation files beside the program: Hebrew for a Hebrew user, English
// otherwise (the run under he_IL sets OSTREL_EXPECT_LANGUAGE=he).
TEST(PlayerProgram, TheTitleIsInTheUsersLanguage)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  HWND application = FindProcessWindow(player.Id(), L"TApplication", false);
  ASSERT_NE(application, nullptr);
  wchar_t title[128] = {};
  GetWindowTextW(application, title, 128);
  const char* language = std::getenv("OSTREL_EXPECT_LANGUAGE");
  const bool hebrew = language && std::string(language) == "he";
  EXPECT_EQ(std::wstring(title), hebrew ? L"\x05E0\x05D2\x05DF \x05D4\x05DE\x05D3\x05D9\x05D4 \x05D0\x05D5\x05E1\x05D8\x05E8\x05DC"
                                 : L"Ostrel Media Player");
}

namespace {

// The colours of a small screen area, to see a control change.
Pixels Area(POINT topLeft, int width, int height)
{
  return CaptureScreen(RECT{topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height});
}

// The left edge of the thumb on a track strip: the first column, from the left, that is lighter
// than the groove (the thumb is the lightest thing on it).
int ThumbColumn(const Pixels& strip)
{
  for (int x = 0; x < strip.Width(); ++x) {
    const COLORREF c = strip.At(x, strip.Height() / 2);
    if (GetRValue(c) + GetGValue(c) + GetBValue(c) > 3 * 150) return x;
  }
  return -1;
}

}  // namespace

TEST(PlayerProgram, MuteByButtonAndByKeyShowsOnTheButton)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(VideoMoves(player));
  const POINT mute = player.At(248, 431, true, true);
  const Pixels sound = Area(mute, 24, 24);
  ClickScreen(POINT{mute.x + 12, mute.y + 12});
  PumpFor(300);
  const Pixels muted = Area(mute, 24, 24);
  EXPECT_GT(Differences(sound, muted), 20) << "the mute button shows muted";
  Tap('M');
  EXPECT_EQ(Differences(sound, Area(mute, 24, 24)), 0) << "M gives the sound back, and the button shows it";
  Tap('M');
  EXPECT_EQ(Differences(muted, Area(mute, 24, 24)), 0) << "M mutes again";
  EXPECT_TRUE(VideoMoves(player)) << "muting does not stop the picture";
}

TEST(PlayerProgram, DraggingTheThumbsSeeksAndSetsTheVolume)
{
  Player player(MediaArgument("av10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(VideoMoves(player));
  const RECT r = player.Rect();
  const int trackWidth = (r.right - r.left) == 728 ? 710 : (r.right - r.left) == 545 ? 536 : 425;
  const POINT track = player.At(8, 380, false, true);
  // Paused, the thumb holds still to be grabbed; a drag while paused leaves the video paused.
  Tap(VK_SPACE);
  ASSERT_TRUE(VideoStill(player));
  const int before = ThumbColumn(Area(track, trackWidth, 20));
  ASSERT_GE(before, 0) << "no position thumb";
  // Drag the position thumb to about two thirds of the strip, in steps, and let go.
  const POINT grab{track.x + before + 4, track.y + 10};
  SendMouseAt(grab, 0);
  SendMouseAt(grab, MOUSEEVENTF_LEFTDOWN);
  const int target = trackWidth * 2 / 3;
  for (int step = 1; step <= 6; ++step) SendMouseAt(POINT{grab.x + (target - before) * step / 6, grab.y}, 0);
  SendMouseAt(POINT{track.x + target, grab.y}, MOUSEEVENTF_LEFTUP);
  PumpFor(500);
  const int after = ThumbColumn(Area(track, trackWidth, 20));
  EXPECT_GT(after, trackWidth / 2) << "the thumb follows the drag";
  SavePng(CaptureScreen(r), "e2e-after-seek");
  EXPECT_TRUE(VideoStill(player)) << "still paused after the drag";
  Tap(VK_SPACE);
  EXPECT_TRUE(VideoMoves(player)) << "and plays on from there";
  EXPECT_GE(ThumbColumn(Area(track, trackWidth, 20)), after) << "from where the thumb was left";

  // The volume thumb: dragged to the left end.
  const POINT volume = player.At(277, 435, true, true);
  const int volumeBefore = ThumbColumn(Area(volume, 60, 20));
  ASSERT_GE(volumeBefore, 0) << "no volume thumb";
  const POINT vgrab{volume.x + volumeBefore + 4, volume.y + 10};
  SendMouseAt(vgrab, 0);
  SendMouseAt(vgrab, MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 4; ++step) SendMouseAt(POINT{vgrab.x - (volumeBefore + 10) * step / 4, vgrab.y}, 0);
  SendMouseAt(POINT{volume.x - 6, vgrab.y}, MOUSEEVENTF_LEFTUP);
  PumpFor(300);
  EXPECT_LT(ThumbColumn(Area(volume, 60, 20)), volumeBefore) << "the volume thumb moved left";
}

namespace {

// The player panel around the video window, in screen coordinates: the video area of the view.
RECT VideoArea(const Player& player)
{
  RECT area{};
  const RECT video = player.Video();
  HWND at = WindowFromPoint(POINT{(video.left + video.right) / 2, (video.top + video.bottom) / 2});
  HWND panel = at ? GetParent(at) : nullptr;
  if (panel) GetWindowRect(panel, &area);
  return area;
}

// Rows of black at the top and at the bottom of a capture: the bars above and below a picture.
std::pair<int, int> BlackBars(const Pixels& shot)
{
  auto black = [&](int y) {
    for (int x = 0; x < shot.Width(); x += 3)
      if (!SameColour(shot.At(x, y), RGB(0, 0, 0), 12)) return false;
    return true;
  };
  int top = 0, bottom = 0;
  while (top < shot.Height() && black(top)) ++top;
  while (bottom < shot.Height() && black(shot.Height() - 1 - bottom)) ++bottom;
  return {top, bottom};
}

}  // namespace

// A 640 x 360 picture keeps its proportions in the Maximum and the Original view: as wide as the
// area, centred between black bars of equal height.
TEST(PlayerProgram, AWidePictureKeepsItsProportionsInEveryView)
{
  Player player(MediaArgument("wide10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  ASSERT_TRUE(VideoMoves(player));
  for (int view : {0, 1}) {
    SCOPED_TRACE(view == 0 ? "Maximum" : "Original");
    if (view == 1) {
      ASSERT_TRUE(ChooseViewSize(player, 1));
      ASSERT_TRUE(PumpUntil([&] { return VideoArea(player).right - VideoArea(player).left == 352; }, 5000));
    }
    PumpFor(500);
    const RECT area = VideoArea(player), video = player.Video();
    const int width = area.right - area.left, height = area.bottom - area.top;
    EXPECT_EQ(video.right - video.left, width);
    EXPECT_NEAR(video.bottom - video.top, width * 360 / 640, 1);
    const Pixels shot = CaptureScreen(area);
    SavePng(shot, view == 0 ? "e2e-wide-maximum" : "e2e-wide-original");
    const auto [top, bottom] = BlackBars(shot);
    const int bar = (height - width * 360 / 640) / 2;
    EXPECT_NEAR(top, bar, 2) << "bar above the picture";
    EXPECT_NEAR(bottom, bar, 2) << "bar below the picture";
  }
}

// A file dropped on the window from the desktop plays, as one named on the command line would; of
// several, the first. The drop comes as a file manager's does, through the X server (xdnd-drop), and
// Wine hands it to the window as WM_DROPFILES with its DROPFILES block.
TEST(PlayerProgram, AFileDroppedOnTheWindowPlays)
{
  const char* tool = std::getenv("OSTREL_XDND_DROP");
  const char* media = std::getenv("OSTREL_MEDIA");
  if (!tool || !media) GTEST_SKIP() << "run by CTest, which names the drop tool and the media folder";
  Player player({});
  ASSERT_NE(player.Window(), nullptr);
  EXPECT_EQ(player.Video().right, 0) << "nothing open at start";
  const auto xid = reinterpret_cast<UINT_PTR>(GetPropW(player.Window(), L"__wine_x11_whole_window"));
  ASSERT_NE(xid, 0u) << "the window has no X window";
  const POINT at = player.At(200, 12);  // the title band of the skin
  const std::string m(media);
  // A host program started through Wine: Wine starts it (CreateProcessW succeeds) but hands back no
  // process handle, so the test waits for what the drop does instead.
  const TestProcess drop(Utf8ToWide(WindowsPath(tool)),
                         {std::to_wstring(xid), std::to_wstring(at.x), std::to_wstring(at.y),
                          Utf8ToWide(m + "/av10-single.vyr"), Utf8ToWide(m + "/audio10-single.vyr")});
  ASSERT_EQ(drop.StartError(), 0u) << "the drop tool did not start";
  ASSERT_TRUE(PumpUntil([&] { return player.Video().right > 0; }, 10000)) << "the first dropped file opened";
  EXPECT_TRUE(VideoMoves(player)) << "and plays";
  EXPECT_EQ(FindBox(player.Id()).window, nullptr);
  SavePng(CaptureScreen(player.Rect()), "e2e-dropped");
}

// A file with sound and no picture shows the player's mark and the file's name where the video goes.
TEST(PlayerProgram, ASoundOnlyFileShowsTheMarkAndItsName)
{
  Player player(MediaArgument("audio10-single.vyr"));
  ASSERT_NE(player.Window(), nullptr);
  PumpFor(1500);
  EXPECT_EQ(player.Video().right, 0) << "no video window";
  const RECT r = player.Rect();
  // The video area of the start-up view: the window less its margins, below the title band.
  const int width = r.right - r.left - 18;
  const RECT area{r.left + 9, r.top + 27, r.left + 9 + width, r.top + 27 + width * 288 / 352};
  const Pixels shot = CaptureScreen(area);
  SavePng(CaptureScreen(r), "e2e-sound-only");
  int accent = 0, light = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) {
      const COLORREF c = shot.At(x, y);
      accent += GetBValue(c) > 200 && GetRValue(c) < 120;                       // the mark's blue ring
      light += GetRValue(c) > 180 && GetGValue(c) > 180 && GetBValue(c) > 180;  // the name and the wedge
    }
  EXPECT_GT(accent, 500) << "the mark shows";
  EXPECT_GT(light, 100) << "the name shows";
}
