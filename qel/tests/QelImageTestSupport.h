// Shared by the picture control's tests: files in a folder of the test's own, pictures, and watcher
// threads that act on the modal windows the test's thread opens (popup menus, the open dialog) while
// that thread sits in their modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Graphics.h"
#include "GuiTest.h"

namespace qeltest {

// A folder of its own under the temporary folder; it goes with the files written into it.
class TTempFolder {
public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  // The folder (UTF-8, no trailing backslash).
  std::string Path() const;
  // Writes a file of these bytes; answers its full path.
  std::string WriteFile(const std::string& name, const std::string& bytes);
  // Writes a BMP file of one colour; answers its full path.
  std::string WriteBitmap(const std::string& name, int width, int height, TColor color);

private:
  std::wstring FPath;
  std::vector<std::wstring> FFiles;
};

// Makes the picture a bitmap of that size and colour.
void FillPicture(TPicture* picture, int width, int height, TColor color);

// ---- for watcher threads -------------------------------------------------------------------------

RECT WindowRect(HWND window);
// A key pressed and released through the platform's input: it reaches whatever has the keyboard
// (a popup menu's loop, a dialog), whichever thread asks.
void PressKey(WORD vk);
// Polls condition every 20 ms until it holds or timeoutMs passes; answers its last value.
bool WaitOnThread(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Whether a capture shows a painted window: mostly its face colour, with more than textPixels dark
// ones (an unpainted window on the screen reads as all black).
bool Painted(const ostrel::test::Pixels& shot, COLORREF face, int textPixels);
// The first visible top-level window of this process with that window class; null when none.
HWND FindProcessWindow(const wchar_t* className);

// What a menu watcher saw of the popup menu it found.
struct TMenuSeen {
  bool Found = false;
  HWND Window = nullptr;
  std::vector<std::string> Captions;  // UTF-8, by position
  int DefaultPosition = -1;           // the platform's default item; -1 when none
  ostrel::test::Pixels Shot;
  std::string Problem;
};

// Waits for the next popup menu of the process, notes its items, then runs act (which must close
// the menu, or choose from it). If the menu is still up five seconds later it is closed with Escape.
class TMenuWatcher {
public:
  using TAct = std::function<void(HWND menuWindow, TMenuSeen& seen)>;
  explicit TMenuWatcher(TAct act, DWORD timeoutMs = 10000);
  ~TMenuWatcher();
  TMenuWatcher(const TMenuWatcher&) = delete;
  TMenuWatcher& operator=(const TMenuWatcher&) = delete;
  const TMenuSeen& Result();

private:
  void Watch() noexcept;
  TAct FAct;
  DWORD FTimeout;
  TMenuSeen FSeen;
  std::thread FThread;
};

// What a dialog watcher saw of the open dialog it found.
struct TDialogSeen {
  bool Found = false;
  bool HasPreview = false;           // the picture dialog's preview frame is there and visible
  bool PreviewPainted = false;       // and its picture control has painted ("(None)" at first)
  bool OnScreen = false;             // the whole dialog lies on the screen
  bool Selected = false;             // set by the act
  bool PreviewShowsPicture = false;  // set by the act
  ostrel::test::Pixels Shot;
  std::string Problem;
};

// Waits for the next dialog box of the process and for its preview to be painted, then runs act
// (which must close the dialog). If the dialog is still up ten seconds later it is cancelled.
class TDialogWatcher {
public:
  using TAct = std::function<void(HWND dialog, TDialogSeen& seen)>;
  explicit TDialogWatcher(TAct act, DWORD timeoutMs = 10000);
  ~TDialogWatcher();
  TDialogWatcher(const TDialogWatcher&) = delete;
  TDialogWatcher& operator=(const TDialogWatcher&) = delete;
  const TDialogSeen& Result();

private:
  void Watch() noexcept;
  TAct FAct;
  DWORD FTimeout;
  TDialogSeen FSeen;
  std::thread FThread;
};

// The picture dialog's preview (its owner-drawn picture control); null when there is none.
HWND PreviewWindow(HWND dialog);
// Opens the folder of the file in the dialog and selects the file in its list, as a click would;
// answers whether the list shows it selected.
bool SelectInList(HWND dialog, const std::string& path);
// Puts the path in the file name box and presses Open.
void AcceptFile(HWND dialog, const std::string& path);

}  // namespace qeltest
