// Acquisition as a user meets it: the source manager's selection dialog and the scanner's own dialog
// driven with real input, the remembered source, the three English boxes, and the picture control
// taking the scanner's chart through its menu.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "ExtCtrls.h"
#include "Forms.h"
#include "GuiTest.h"
#include "Qelimage.h"
#include "Qeltwain.h"
#include "Qelutil.h"
#include "SysUtils.h"
#include "TwainTestSupport.h"
#include "Vscanchart.h"

using namespace ostrel::test;
using twaintest::ScannerSettings;

namespace {

const char ScannerName[] = "Ostrel Virtual Scanner";

// A press and release at a screen point, as a person's click would come, from any thread.
void ClickScreen(POINT at)
{
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  INPUT inputs[3]{};
  const DWORD flags[3] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = ((at.x - left) * 65536 + 32768) / width;
    inputs[i].mi.dy = ((at.y - top) * 65536 + 32768) / height;
    inputs[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | flags[i];
  }
  SendInput(3, inputs, sizeof(INPUT));
}

POINT CentreOnScreen(HWND window)
{
  RECT r;
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM found)
{
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window)) reinterpret_cast<std::set<HWND>*>(found)->insert(window);
  return TRUE;
}

// The visible top-level windows of this process.
std::set<HWND> ProcessWindows()
{
  std::set<HWND> windows;
  EnumWindows(&CollectProcessWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

HWND WaitForWindow(const char* title, DWORD timeoutMs)
{
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (HWND window = FindWindowA("#32770", title); window && IsWindowVisible(window)) return window;
    Sleep(20);
  }
  return nullptr;
}

// Drives the manager's "Select Source" dialog from a watcher thread while the test's thread sits in
// its modal loop: clicks the scanner's row (or nothing), then OK or Cancel.
class SelectSourceDriver {
public:
  struct Seen {
    bool Found = false;
    bool RowSelectedByTheClick = false;
    bool OkEnabled = false;
    std::vector<std::string> Rows;
  };

  SelectSourceDriver(bool choose) : FChoose(choose), FThread([this] { Drive(); }) {}
  ~SelectSourceDriver()
  {
    if (FThread.joinable()) FThread.join();
  }
  const Seen& Result()
  {
    if (FThread.joinable()) FThread.join();
    return FSeen;
  }

private:
  void Drive() noexcept
  {
    HWND dialog = WaitForWindow("Select Source", 10000);
    if (!dialog) return;
    FSeen.Found = true;
    HWND list = GetDlgItem(dialog, 1001);
    HWND ok = GetDlgItem(dialog, IDOK);
    const int rows = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < rows; ++i) {
      char text[256] = {};
      if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < LRESULT(sizeof text)) SendMessageA(list, LB_GETTEXT, i, LPARAM(text));
      FSeen.Rows.push_back(text);
    }
    if (FChoose) {
      const int row = int(SendMessageA(list, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(ScannerName)));
      RECT item{};
      SendMessageA(list, LB_GETITEMRECT, row, LPARAM(&item));
      POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
      ClientToScreen(list, &at);
      ClickScreen(at);
      for (int i = 0; i < 250 && SendMessageA(list, LB_GETCURSEL, 0, 0) != row; ++i) Sleep(20);
      FSeen.RowSelectedByTheClick = SendMessageA(list, LB_GETCURSEL, 0, 0) == row;
      FSeen.OkEnabled = IsWindowEnabled(ok);
      SavePng(dialog, "twain_select_source");
      ClickScreen(CentreOnScreen(ok));
    } else {
      ClickScreen(CentreOnScreen(GetDlgItem(dialog, IDCANCEL)));
    }
    for (int i = 0; i < 250 && IsWindow(dialog); ++i) Sleep(20);
  }

  bool FChoose;
  Seen FSeen;
  std::thread FThread;
};

// The remembered source, read and written where the shortcuts keep it.
AnsiString Remembered() { return RegReadString(HKEY_CURRENT_USER, RegistryQelKey, "Twain Source"); }
void Remember(const AnsiString& name)
{
  if (name.IsEmpty()) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RegistryQelKey.c_str() + 1, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "Twain Source");
      RegCloseKey(key);
    }
  } else {
    RegWriteString(HKEY_CURRENT_USER, RegistryQelKey, "Twain Source", name);
  }
}

class Acquisition : public ::testing::Test {
protected:
  void SetUp() override { Twain.reset(new TQelTwain(nullptr)); }
  void TearDown() override
  {
    Twain.reset();
    Remember("");
  }
  // The scanner's dialog, once it shows.
  HWND ScannerDialog() { return PumpUntil([] { return FindWindowA(nullptr, ScannerName) != nullptr; }, 10000) ? FindWindowA(nullptr, ScannerName) : nullptr; }
  // Presses Scan (IDOK) or Cancel (IDCANCEL) of the scanner's dialog with the mouse.
  void Press(HWND dialog, int id)
  {
    HWND button = GetDlgItem(dialog, id);
    ASSERT_NE(button, nullptr) << id;
    RECT r;
    GetClientRect(button, &r);
    ASSERT_TRUE(Click(button, {r.right / 2, r.bottom / 2})) << id;
  }

  ScannerSettings Settings;
  std::unique_ptr<TQelTwain> Twain;
};

}  // namespace

TEST_F(Acquisition, SelectionDialogChoosesAndCancels)
{
  Twain->SetLibraryLoaded(true);
  ASSERT_TRUE(Twain->LoadSourceManager());
  {
    SelectSourceDriver driver(false);
    EXPECT_EQ(Twain->SelectSource(), -1) << "cancelled";
    const auto& seen = driver.Result();
    ASSERT_TRUE(seen.Found);
    EXPECT_NE(std::find(seen.Rows.begin(), seen.Rows.end(), ScannerName), seen.Rows.end());
  }
  SelectSourceDriver driver(true);
  const int index = Twain->SelectSource();
  const auto& seen = driver.Result();
  ASSERT_TRUE(seen.Found);
  EXPECT_TRUE(seen.RowSelectedByTheClick);
  EXPECT_TRUE(seen.OkEnabled);
  ASSERT_GE(index, 0);
  EXPECT_EQ(Twain->GetSource(index)->GetProductName(), ScannerName);
  EXPECT_FALSE(Twain->Selecting);
}

TEST_F(Acquisition, TwainAcquireAsksOnceRemembersAndThenDeliversThePicture)
{
  Remember("");
  auto image = std::make_unique<TDib>();
  struct TKeeper : public TObject {
    TDib* Image = nullptr;
    int Count = 0;
    void Acquired(TObject*, const int, TDib* dib, bool&)
    {
      Image->Assign(dib);
      ++Count;
    }
  } keeper;
  keeper.Image = image.get();
  Twain->OnTwainAcquire = TTwainAcquireEvent(&keeper, &TKeeper::Acquired);
  {
    SelectSourceDriver driver(true);
    TwainAcquire(Twain.get());
    EXPECT_TRUE(driver.Result().Found) << "no source remembered: the user is asked";
  }
  EXPECT_EQ(Remembered(), ScannerName);
  HWND dialog = ScannerDialog();
  ASSERT_NE(dialog, nullptr) << "the source came up with its dialog";
  SavePng(dialog, "twain_scanner_dialog");
  Press(dialog, IDCANCEL);
  ASSERT_TRUE(PumpUntil([&] { return !Twain->GetSource(0)->Enabled; }, 10000)) << "the close request disables";
  EXPECT_EQ(keeper.Count, 0);

  // Asked again, the remembered source comes up at once.
  TwainAcquire(Twain.get());
  dialog = ScannerDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(FindWindowA("#32770", "Select Source"), nullptr) << "not asked again";
  Press(dialog, IDOK);
  ASSERT_TRUE(PumpUntil([&] { return keeper.Count == 1; }, 10000));
  EXPECT_EQ(image->GetWidth(), 240);
  const ostrel::vscan::ChartProbe probe = ostrel::vscan::ChartProbes(240, 160)[0];
  EXPECT_EQ(image->GetPixel(probe.X, probe.Y), 0xFF0000u) << probe.What;
}

TEST_F(Acquisition, StaleRememberedSourceDoesNothingAndShowsNothing)
{
  Remember("A scanner that went away");
  const std::set<HWND> before = ProcessWindows();
  TwainAcquire(Twain.get());
  PumpMessages();
  EXPECT_EQ(ProcessWindows(), before);
  EXPECT_EQ(Twain->OpenSourceCount, 0);
  EXPECT_EQ(Remembered(), "A scanner that went away") << "only read";
}

TEST_F(Acquisition, RefusedEnableShowsItsBox)
{
  Settings.Set(L"RefuseEnable", 1);
  Remember(ScannerName);
  MessageBoxAnswer answer(IDOK);
  TwainAcquire(Twain.get());
  const auto& seen = answer.Result();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, "Unsuccess open source");
  EXPECT_EQ(Twain->OpenSourceCount, 1) << "the source stays open";
}

// Run with the source manager switched off (WINEDLLOVERRIDES twain_32=d).
TEST_F(Acquisition, WithoutTheManagerSaysTwainIsNotInstalled)
{
  MessageBoxAnswer answer(IDOK);
  SelectTwainSource(Twain.get());
  const auto& seen = answer.Result();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, "Twain is not installed");
  EXPECT_FALSE(Twain->LibraryLoaded);
  // The acquire shortcut stops silently.
  const std::set<HWND> before = ProcessWindows();
  TwainAcquire(Twain.get());
  EXPECT_EQ(ProcessWindows(), before);
}

// Run with the scanner switched off (WINEDLLOVERRIDES sane.ds=d).
TEST_F(Acquisition, WithoutSourcesSaysNoSourcesFound)
{
  MessageBoxAnswer answer(IDOK);
  SelectTwainSource(Twain.get());
  const auto& seen = answer.Result();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Text, "No sources found");
  EXPECT_FALSE(Twain->LibraryLoaded) << "the shortcut unloads what it loaded";
}

TEST_F(Acquisition, PictureControlTakesTheChartThroughItsMenu)
{
  Remember(ScannerName);
  std::unique_ptr<TForm> form(new TForm(Application, 0));
  form->SetBounds(80, 80, 300, 220);
  form->SetCaption("Picture from the scanner");
  auto* image = new TQelImage(form.get());
  image->SetParent(form.get());
  image->SetBounds(20, 20, 240, 160);
  image->Loaded();
  TMenuItem* items = image->GetPopupMenu()->GetItems();
  ASSERT_EQ(items->GetCount(), 5);
  form->Show();
  items->GetItem(4)->Click();
  HWND dialog = ScannerDialog();
  ASSERT_NE(dialog, nullptr);
  Press(dialog, IDOK);
  ASSERT_TRUE(PumpUntil([&] { return image->GetPicture()->GetWidth() == 240; }, 10000));
  auto* dib = dynamic_cast<TDib*>(image->GetPicture()->GetGraphic());
  ASSERT_NE(dib, nullptr) << "the picture holds the scanner's bitmap";
  for (const auto& probe : ostrel::vscan::ChartProbes(240, 160)) {
    const DWORD want = (DWORD(probe.Rgb.R) << 16) | (DWORD(probe.Rgb.G) << 8) | probe.Rgb.B;
    EXPECT_EQ(dib->GetPixel(probe.X, probe.Y), want) << probe.What;
  }
  FlushPainting(form->GetHandle());
  SavePng(form->GetHandle(), "twain_picture_control");
  const Pixels shot = CaptureClient(form->GetHandle());
  // The red patch covers image pixels 24..47 x 6..40; the image sits at 20, 20 in the form.
  EXPECT_TRUE(SameColour(shot.At(20 + 36, 20 + 24), RGB(255, 0, 0), 8)) << "the red patch on screen";
}
