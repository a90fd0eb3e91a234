// Files, pictures and the watcher threads of the picture control's tests.
#include "QelImageTestSupport.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <atomic>

#include "ExtDlgs.h"

using namespace ostrel::test;

namespace qeltest {

// ---- files ---------------------------------------------------------------------------------------

TTempFolder::TTempFolder()
{
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  FPath = std::wstring(temp) + L"qelimage-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter);
  CreateDirectoryW(FPath.c_str(), nullptr);
}

TTempFolder::~TTempFolder()
{
  for (const std::wstring& file : FFiles) DeleteFileW(file.c_str());
  RemoveDirectoryW(FPath.c_str());
}

std::string TTempFolder::Path() const { return WideToUtf8(FPath); }

std::string TTempFolder::WriteFile(const std::string& name, const std::string& bytes)
{
  const std::wstring path = FPath + L"\\" + Utf8ToWide(name);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  FFiles.push_back(path);
  return WideToUtf8(path);
}

std::string TTempFolder::WriteBitmap(const std::string& name, int width, int height, TColor color)
{
  const std::wstring path = FPath + L"\\" + Utf8ToWide(name);
  TBitmap bitmap;
  bitmap.SetSize(width, height);
  bitmap.GetCanvas()->GetBrush()->SetColor(color);
  bitmap.GetCanvas()->FillRect(TRect(0, 0, width, height));
  bitmap.SaveToFile(AnsiString(WideToUtf8(path)));
  FFiles.push_back(path);
  return WideToUtf8(path);
}

void FillPicture(TPicture* picture, int width, int height, TColor color)
{
  TBitmap bitmap;
  bitmap.SetSize(width, height);
  bitmap.GetCanvas()->GetBrush()->SetColor(color);
  bitmap.GetCanvas()->FillRect(TRect(0, 0, width, height));
  picture->SetBitmap(&bitmap);
}

// ---- for watcher threads -------------------------------------------------------------------------

RECT WindowRect(HWND window)
{
  RECT r{};
  if (window) GetWindowRect(window, &r);
  return r;
}

void PressKey(WORD vk)
{
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

bool WaitOnThread(const std::function<bool()>& condition, DWORD timeoutMs)
{
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return condition();
    Sleep(20);
  }
}

namespace {

struct TFind {
  const wchar_t* ClassName;
  HWND Found = nullptr;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM data)
{
  auto* find = reinterpret_cast<TFind*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (lstrcmpW(name, find->ClassName) != 0) return TRUE;
  find->Found = window;
  return FALSE;
}

BOOL CALLBACK FindListView(HWND window, LPARAM data)
{
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (lstrcmpW(name, WC_LISTVIEWW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(data) = window;
  return FALSE;
}

HWND ListOf(HWND dialog)
{
  HWND list = nullptr;
  EnumChildWindows(dialog, FindListView, reinterpret_cast<LPARAM>(&list));
  return list;
}

HWND ChildDialog(HWND dialog) { return FindWindowExW(dialog, nullptr, L"#32770", nullptr); }

void SetFileNameText(HWND dialog, const std::string& text)
{
  const std::wstring wide = Utf8ToWide(text);
  // The file name box is an edit (edt1) in some versions of the dialog, a combo box (cmb13) in others.
  SendMessageW(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(wide.c_str()));
  SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(wide.c_str()));
}

void PressButton(HWND dialog, int id)
{
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

bool Painted(const Pixels& shot, COLORREF face, int textPixels)
{
  if (shot.Empty()) return false;
  return shot.Count(face, 4) * 2 > shot.Width() * shot.Height() && shot.Count(RGB(0, 0, 0), 90) > textPixels;
}

HWND FindProcessWindow(const wchar_t* className)
{
  TFind find{className};
  EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

HWND PreviewWindow(HWND dialog)
{
  HWND child = ChildDialog(dialog);
  return child ? GetDlgItem(child, TOpenPictureDialog::PreviewPictureId) : nullptr;
}

bool SelectInList(HWND dialog, const std::string& path)
{
  const size_t slash = path.find_last_of('\\');
  const std::string folder = path.substr(0, slash);
  const std::wstring name = Utf8ToWide(path.substr(slash + 1));
  SetFileNameText(dialog, folder);
  PressButton(dialog, IDOK);
  // Names may show without their extension: find the item by its beginning. The folder's list may be
  // made again while it fills, so select until the selection holds.
  const std::wstring stem = name.substr(0, name.find_last_of(L'.'));
  return WaitOnThread([&] {
    HWND list = ListOf(dialog);
    if (!list) return false;
    LVFINDINFOW find{};
    find.flags = LVFI_PARTIAL | LVFI_STRING;
    find.psz = stem.c_str();
    const LRESULT index = SendMessageW(list, LVM_FINDITEMW, WPARAM(-1), reinterpret_cast<LPARAM>(&find));
    if (index < 0) return false;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    return (SendMessageW(list, LVM_GETITEMSTATE, WPARAM(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
  });
}

void AcceptFile(HWND dialog, const std::string& path)
{
  SetFileNameText(dialog, path);
  PressButton(dialog, IDOK);
}

// ---- the menu watcher ----------------------------------------------------------------------------

TMenuWatcher::TMenuWatcher(TAct act, DWORD timeoutMs) : FAct(std::move(act)), FTimeout(timeoutMs)
{
  FThread = std::thread([this] { Watch(); });
}

TMenuWatcher::~TMenuWatcher()
{
  if (FThread.joinable()) FThread.join();
}

const TMenuSeen& TMenuWatcher::Result()
{
  if (FThread.joinable()) FThread.join();
  return FSeen;
}

void TMenuWatcher::Watch() noexcept
{
  try {
    HWND window = nullptr;
    if (!WaitOnThread([&] { return (window = FindProcessWindow(L"#32768")) != nullptr; }, FTimeout)) {
      FSeen.Problem = "no popup menu appeared";
      return;
    }
    FSeen.Found = true;
    FSeen.Window = window;
    HMENU menu = nullptr;
    WaitOnThread([&] { return (menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0))) != nullptr; });
    if (menu) {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, UINT(i), text, 256, MF_BYPOSITION);
        FSeen.Captions.push_back(WideToUtf8(text));
      }
      FSeen.DefaultPosition = int(GetMenuDefaultItem(menu, TRUE, 0));
    } else {
      FSeen.Problem = "the menu window has no menu";
    }
    // Let it paint before anyone looks: mostly the menu's face, with text on it.
    WaitOnThread([&] { return Painted(CaptureScreen(WindowRect(window)), GetSysColor(COLOR_MENU), 20); }, 3000);
    FAct(window, FSeen);
    if (!WaitOnThread([&] { return !IsWindowVisible(window); }, 5000)) {
      FSeen.Problem = "the menu stayed up";
      PressKey(VK_ESCAPE);
    }
  } catch (...) {
    FSeen.Problem = "the watcher failed";
  }
}

// ---- the dialog watcher --------------------------------------------------------------------------

TDialogWatcher::TDialogWatcher(TAct act, DWORD timeoutMs) : FAct(std::move(act)), FTimeout(timeoutMs)
{
  FThread = std::thread([this] { Watch(); });
}

TDialogWatcher::~TDialogWatcher()
{
  if (FThread.joinable()) FThread.join();
}

const TDialogSeen& TDialogWatcher::Result()
{
  if (FThread.joinable()) FThread.join();
  return FSeen;
}

void TDialogWatcher::Watch() noexcept
{
  try {
    HWND dialog = nullptr;
    if (!WaitOnThread([&] { return (dialog = FindProcessWindow(L"#32770")) != nullptr; }, FTimeout)) {
      FSeen.Problem = "no dialog appeared";
      return;
    }
    FSeen.Found = true;
    WaitOnThread([&] {
      const RECT r = WindowRect(dialog), screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
      return FSeen.OnScreen = r.left >= screen.left && r.top >= screen.top && r.right <= screen.right &&
                              r.bottom <= screen.bottom && r.right > r.left;
    }, 3000);
    // Ready when the preview has painted its frame's text (or, in a dialog without one, at once).
    HWND child = nullptr;
    WaitOnThread([&] { return (child = ChildDialog(dialog)) != nullptr; }, 3000);
    HWND frame = child ? GetDlgItem(child, TOpenPictureDialog::PreviewFrameId) : nullptr;
    FSeen.HasPreview = frame && IsWindowVisible(frame);
    if (FSeen.HasPreview)
      FSeen.PreviewPainted = WaitOnThread([&] { return Painted(CaptureScreen(WindowRect(PreviewWindow(dialog))), GetSysColor(COLOR_BTNFACE), 5); }, 3000);
    FAct(dialog, FSeen);
    if (!WaitOnThread([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000)) {
      FSeen.Problem = "the dialog stayed up";
      PressButton(dialog, IDCANCEL);
    }
  } catch (...) {
    FSeen.Problem = "the watcher failed";
  }
}

}  // namespace qeltest
