#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ComTest.h"
#include "TestGraph.h"
#include "TestSupport.h"

extern "C" const char* vclPackageName();
extern "C" const char* QelBasePackageName();
extern "C" const char* XmlkitPackageName();
extern "C" const char* QelLocalPackageName();
extern "C" const char* VidkitPackageName();
extern "C" const char* dibPackageName();
extern "C" const char* twainPackageName();
extern "C" const char* QelPackageName();
extern "C" const char* VyrPlayerPkgPackageName();

using namespace ostrel::test;

namespace {


}  // namespace

TEST(Build, PointerSizeMatchesTheTargetAndLinksEveryPackage)
{
  // OSTREL_ARCH names the target the test runs for; the binary must be that target's.
  const char* arch = std::getenv("OSTREL_ARCH");
  ASSERT_NE(arch, nullptr) << "OSTREL_ARCH is not set";
  EXPECT_EQ(sizeof(void*), std::string(arch) == "win64" ? 8u : 4u) << arch;
  EXPECT_STREQ(vclPackageName(), "vcl");
  EXPECT_STREQ(QelBasePackageName(), "QelBase");
  EXPECT_STREQ(XmlkitPackageName(), "Xmlkit");
  EXPECT_STREQ(QelLocalPackageName(), "QelLocal");
  EXPECT_STREQ(VidkitPackageName(), "Vidkit");
  EXPECT_STREQ(dibPackageName(), "dib");
  EXPECT_STREQ(twainPackageName(), "twain");
  EXPECT_STREQ(QelPackageName(), "Qel");
  EXPECT_STREQ(VyrPlayerPkgPackageName(), "VyrPlayerPkg");
}

TEST(Build, BridgeLibraryLoads)
{
  HMODULE bridge = LoadLibraryW(L"Mevlink.dll");
  ASSERT_NE(bridge, nullptr) << "error " << GetLastError();
  FreeLibrary(bridge);
}

TEST(Build, ProgramsRunWithTheirManifest)
{
  EXPECT_EQ(GetACP(), 65001u);
  // The manifest's dependency redirects comctl32 to common controls 6, and that module loads only when
  // the manifest names the program's own processor (a 64-bit program claiming x86 gets error 193).
  ACTCTX_SECTION_KEYED_DATA redirect{};
  redirect.cbSize = sizeof redirect;
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &redirect))
      << "error " << GetLastError();
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr) << "error " << GetLastError();
  FreeLibrary(comctl);
}

// The test prefix maps a folder of the build as CD-ROM drive D:, for tests of a program started from
// a disc (OSTREL_CDROM names that folder).
TEST(Prefix, DriveDIsACdRomOverTheBuildFolder)
{
  EXPECT_EQ(GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_CDROM));
  const char* folder = std::getenv("OSTREL_CDROM");
  ASSERT_NE(folder, nullptr) << "run with OSTREL_CDROM set (the CTest entry does)";
  // A file made on the host side shows through the drive.
  const std::string name = "probe-" + std::to_string(GetCurrentProcessId()) + ".txt";
  const std::string hostPath = std::string(folder) + "/" + name;
  {
    FILE* file = std::fopen(WindowsPath(hostPath).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("disc", file);
    std::fclose(file);
  }
  const std::wstring onDisc = L"D:\\" + Widen(name);
  EXPECT_NE(GetFileAttributesW(onDisc.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(WindowsPath(hostPath).c_str());
}

namespace {

int ThreadsOfThisProcess()
{
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
  return count;
}

void PlayTenSeconds()
{
  ComApartment com;
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             reinterpret_cast<void**>(&graph)),
            S_OK);

  ASSERT_EQ(AddRenderers(graph.Get()), S_OK);

  std::wstring file = Widen(MediaPath("av10.mpg"));
  // S_OK, not VFW_S_PARTIAL_RENDER or VFW_S_AUDIO_NOT_RENDERED: audio reaches the null device too.
  ASSERT_EQ(graph->RenderFile(file.c_str(), nullptr), S_OK);

  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
  LONGLONG duration = 0;
  ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_NEAR(duration / 1e7, 10.0, 0.2);

  ComPtr<IMediaControl> control;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)), S_OK);
  ASSERT_GE(control->Run(), 0);
  OAFilterState state = State_Stopped;
  EXPECT_GE(control->GetState(5000, &state), 0);
  EXPECT_EQ(state, State_Running);

  LONGLONG position = 0;
  for (int i = 0; i < 400 && position < 3000000; ++i) {  // up to 20 s for 0.3 s of playback, even emulated
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(seeking->GetCurrentPosition(&position), S_OK);
  }
  EXPECT_GE(position, 3000000) << "the position did not advance while running";
  EXPECT_GE(control->Stop(), 0);
}

}  // namespace

// The platform's graph plays the test stream with sound and picture and, once released, leaves no
// thread behind: a second graph ends with as many threads as the first (the first loads drivers that
// keep threads of their own). A thread still running when the process ends can make Wine's exit crash.
TEST(DirectShow, RendersTenSecondStreamWithAudioAndPlays)
{
  // The count once the threads that are ending have ended: two readings 200 ms apart agree.
  auto settled = [] {
    int last = ThreadsOfThisProcess();
    for (int i = 0; i < 25; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      const int now = ThreadsOfThisProcess();
      if (now == last) break;
      last = now;
    }
    return last;
  };
  PlayTenSeconds();
  if (HasFatalFailure()) return;
  const int afterFirst = settled();
  PlayTenSeconds();
  EXPECT_LE(settled(), afterFirst) << "threads left behind by the released graph";
}

TEST(Locale, UserLanguageFollowsTheSession)
{
  const char* expected = std::getenv("OSTREL_EXPECT_LANGUAGE");
  if (!expected) GTEST_SKIP() << "run with OSTREL_EXPECT_LANGUAGE set (the CTest entry does)";
  wchar_t name[16] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, name, 16), 0);
  EXPECT_EQ(std::wstring(name), Widen(expected));
  if (std::string(expected) == "he") {
    EXPECT_EQ(PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())), LANG_HEBREW);
    EXPECT_EQ(GetUserDefaultLCID(), 0x040Du);
  }
}

namespace {

std::string Narrow(const std::wstring& wide)
{
  std::string out;
  for (wchar_t c : wide) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

// The faces the stored forms name are there, or their metric twins: a label in Arial must not come
// out in a serif fallback, and the caption buttons draw their glyphs from Marlett.
TEST(Prefix, TheFormsFacesAreInstalled)
{
  struct Face {
    const wchar_t* asked;
    std::vector<std::wstring> accepted;
    BYTE charset;
  };
  const Face faces[] = {
      {L"Arial", {L"Arial", L"Liberation Sans"}, DEFAULT_CHARSET},
      {L"MS Sans Serif", {L"MS Sans Serif"}, DEFAULT_CHARSET},
      {L"Marlett", {L"Marlett"}, SYMBOL_CHARSET},
  };
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (const Face& face : faces) {
    SCOPED_TRACE(Narrow(face.asked));
    HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, face.charset, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.asked);
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t got[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, got);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    EXPECT_NE(std::find(face.accepted.begin(), face.accepted.end(), std::wstring(got)), face.accepted.end())
        << Narrow(got);
    if (face.charset != SYMBOL_CHARSET) {
      EXPECT_NE(metrics.tmPitchAndFamily & 0xF0, FF_ROMAN) << "a serif face";
    }
  }
  DeleteDC(dc);
}
