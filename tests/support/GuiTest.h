// The GUI test kit: waiting on the message loop, real input through the platform, screen capture,
// PNG screenshots, answering message boxes, resource counts and the desktop size. Plain Win32 only,
// so that any test executable can link it (library ostrel_guitest). See tests/support/README.md.
//
// The input and waiting functions drive windows of the calling thread (the GUI thread of a test):
// they know that an event has been handled when this thread's view of the keyboard and mouse has
// changed (GetKeyState), which is what makes them return only after the window has seen the event.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace ostrel::test {

// ---- Text (GuiText.cpp) ------------------------------------------------------------------------

std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// ---- Waiting (GuiWait.cpp) ---------------------------------------------------------------------

// Dispatches everything that is queued for this thread now (sent, posted and input messages, with
// TranslateMessage so that keys make characters), then returns.
void PumpMessages();

// Pumps until condition() holds or timeoutMs has passed; between checks the thread sleeps in
// MsgWaitForMultipleObjects, so a waiting test costs no processor time. Answers the last condition().
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Pumps for ms milliseconds: for what has no observable end (a timer that should not fire).
void PumpFor(DWORD ms);

// ---- Input (GuiInput.cpp) ----------------------------------------------------------------------

enum class Button { Left, Right, Middle };

// Shift state of a key press; combine with |.
enum Shift : unsigned {
  ShiftNone = 0,
  ShiftShift = 1,
  ShiftCtrl = 2,
  ShiftAlt = 4,
};
inline Shift operator|(Shift a, Shift b) { return static_cast<Shift>(static_cast<unsigned>(a) | b); }

// Makes the top-level window of hwnd the foreground and active window; answers whether it is.
bool MakeForeground(HWND hwnd);
// Makes hwnd's top-level window foreground and gives hwnd the keyboard focus.
bool Focus(HWND hwnd);

// The screen point of a client point of hwnd.
POINT ClientToScreenPoint(HWND hwnd, POINT client);
// The absolute coordinates SendInput takes for a screen point (0..65535 over the virtual screen).
POINT AbsoluteInputPoint(POINT screen);

// Mouse, at client points of hwnd (which may lie outside its client area, e.g. for drags). Each
// call brings hwnd's top-level window to the front first (Drag once, at its start) and returns once
// this thread has handled the event; each answers whether the event was sent and arrived.
bool MoveMouse(HWND hwnd, POINT client);
bool MouseDown(HWND hwnd, POINT client, Button button = Button::Left);
bool MouseUp(HWND hwnd, POINT client, Button button = Button::Left);
// With `shift`, the modifiers are held from just before the press until just after the release.
bool Click(HWND hwnd, POINT client, Button button = Button::Left, Shift shift = ShiftNone);
bool DoubleClick(HWND hwnd, POINT client);
bool RightClick(HWND hwnd, POINT client);
// Presses at from, moves in `steps` equal steps to `to` with the button held (pumping after each),
// releases at to.
bool Drag(HWND hwnd, POINT from, POINT to, int steps = 8, Button button = Button::Left, Shift shift = ShiftNone);

// Keyboard, to whatever has the focus (see Focus). Virtual keys; extended keys (arrows, Insert,
// Delete, Home, End, Page Up/Down, right Ctrl/Alt, numeric keypad divide) are flagged as such.
// Hold modifiers with KeyPress's or Click's `shift` rather than KeyDown(VK_SHIFT) before other
// calls: under Wine a focus change or the pointer entering a window lets go of held modifiers
// (README.md); those calls press them late and check that they were held.
bool KeyDown(WORD vk);
bool KeyUp(WORD vk);
// Presses the modifiers of `shift`, presses and releases vk, releases the modifiers.
bool KeyPress(WORD vk, Shift shift = ShiftNone);
// Types UTF-8 text as Unicode key strokes (VK_PACKET): each character arrives as WM_CHAR.
bool TypeText(const std::string& utf8);

// ---- Pixels (GuiPixels.cpp) --------------------------------------------------------------------

// A captured rectangle of the screen: 32-bit pixels, top row first.
class Pixels {
 public:
  Pixels() = default;
  Pixels(int width, int height, POINT screenOrigin);

  int Width() const { return Width_; }
  int Height() const { return Height_; }
  bool Empty() const { return Width_ <= 0 || Height_ <= 0; }
  // Screen position of pixel (0, 0).
  POINT ScreenOrigin() const { return Origin_; }

  // The colour at (x, y) of the capture; CLR_INVALID outside it.
  COLORREF At(int x, int y) const;
  void Set(int x, int y, COLORREF colour);
  // The colour at a client point of hwnd, wherever the capture was taken from.
  COLORREF AtClient(HWND hwnd, int x, int y) const;
  // A client rectangle of hwnd in capture coordinates (possibly reaching outside the capture).
  RECT ClientRect(HWND hwnd, RECT client) const;

  // Pixels in rect (capture coordinates, clipped to the capture) within `tolerance` of colour.
  int Count(COLORREF colour, RECT rect, int tolerance = 0) const;
  int Count(COLORREF colour, int tolerance = 0) const;

  // Raw rows, 0x00RRGGBB per pixel (the DIB order), top row first.
  const std::vector<uint32_t>& Data() const { return Data_; }

 private:
  int Width_ = 0;
  int Height_ = 0;
  POINT Origin_{0, 0};
  std::vector<uint32_t> Data_;
};

// Colours within tolerance on each of red, green and blue.
bool SameColour(COLORREF a, COLORREF b, int tolerance = 0);

// Lets pending painting of hwnd (and its children) reach the screen: paints what is invalid, then
// pumps long enough for the windowing system to show it.
void FlushPainting(HWND hwnd);
// What the screen shows in a rectangle of screen coordinates (screen DC BitBlt).
Pixels CaptureScreen(RECT screen);
// What the screen shows of hwnd's client area (pixel (0,0) = client (0,0)), after FlushPainting.
Pixels CaptureClient(HWND hwnd);
// What the screen shows of the whole window, frame included, after FlushPainting.
Pixels CaptureWindow(HWND hwnd);
// The window as it paints itself into a memory DC (PrintWindow); origin = the window's top-left.
// Under Wine this is WM_PRINT: only windows that paint on WM_PRINTCLIENT show their client area.
Pixels CapturePrintWindow(HWND hwnd);

// ---- Screenshots (GuiPng.cpp) ------------------------------------------------------------------

// CRC-32 (as in PNG chunks and zip) and Adler-32 (as in zlib streams).
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);
// The PNG file of a capture: 8-bit RGB, no interlace, deflate in stored blocks.
std::vector<uint8_t> EncodePng(const Pixels& pixels);
// The folder screenshots go to: <BUILD_DIR>/screens as a Windows path (or .\screens without
// BUILD_DIR); created when missing.
std::string ScreensFolder();
// Writes <ScreensFolder()>/<name>.png; answers its path (UTF-8), or "" when it could not be written.
std::string SavePng(const Pixels& pixels, const std::string& name);
std::string SavePng(HWND hwnd, const std::string& name);

// ---- Message boxes (GuiDialogs.cpp) ------------------------------------------------------------

// Answers the next dialog box (class #32770) that this process shows, from a watcher thread, while
// the test's thread sits in the box's modal loop:
//   MessageBoxAnswer answer(IDYES);
//   int r = MessageBoxW(nullptr, L"Save?", L"Player", MB_YESNO | MB_TASKMODAL);
//   EXPECT_EQ(answer.Result().Text, "Save?");
// The watcher presses the button by posting WM_COMMAND/BN_CLICKED to the box; when the box has no
// such button it presses the first button it has (so the test never hangs) and reports the miss.
// It stops after answering or when the time runs out.
class MessageBoxAnswer {
 public:
  struct Seen {
    bool Found = false;          // a box appeared in time
    bool Pressed = false;        // the asked button existed and was pressed
    std::string Caption;         // the box's title (UTF-8)
    std::string Text;            // the message (UTF-8)
    HWND Owner = nullptr;        // the box's owner window
    std::vector<int> Buttons;    // IDs of the box's push buttons
    std::string Problem;         // what went wrong, when something did
  };

  explicit MessageBoxAnswer(int buttonId, DWORD timeoutMs = 10000);
  ~MessageBoxAnswer();
  MessageBoxAnswer(const MessageBoxAnswer&) = delete;
  MessageBoxAnswer& operator=(const MessageBoxAnswer&) = delete;

  // Waits for the watcher to finish, then answers what it saw.
  const Seen& Result();

 private:
  void Watch() noexcept;

  int ButtonId_;
  DWORD TimeoutMs_;
  HANDLE Stop_ = nullptr;
  // Boxes already up when the answer was made are not the one the test is about to show.
  std::set<HWND> Before_;
  Seen Seen_;
  std::thread Watcher_;
};

// ---- Counts for leak tests (GuiResources.cpp) --------------------------------------------------

// USER and GDI objects of this process. On Windows both come from GetGuiResources. Wine answers 0
// there, so under Wine Gdi counts the live entries of the process's GDI handle table (the table Wine
// keeps at PEB GdiSharedHandleTable, as Windows does) and User counts the windows of the process
// (top-level, child and message-only) - other USER objects (menus, cursors, hooks) are not counted.
struct GuiCounts {
  DWORD User = 0;
  DWORD Gdi = 0;
  bool UserIsWindowsOnly = false;  // User counts windows only (under Wine)
  bool GdiFromHandleTable = false; // Gdi comes from the handle table (under Wine)
};
GuiCounts GuiResources();
bool RunningUnderWine();

// ---- Screen (GuiResources.cpp) -----------------------------------------------------------------

// The size of the primary screen as this process sees it, and the work area.
SIZE ScreenSize();
RECT WorkArea();
// The desktop size the test was started for (environment OSTREL_DESKTOP=WxH), or {0, 0}.
SIZE RequestedDesktop();

// ---- Windows for tests (GuiWindows.cpp) --------------------------------------------------------

// A plain top-level or child window whose messages go to a std::function (exceptions are caught at
// the window procedure and recorded, never thrown through the system). Destroyed with the object.
class TestWindow {
 public:
  using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

  // A visible window with client area `client` (screen position of the client's top-left for
  // top-level windows, parent client coordinates for children).
  TestWindow(RECT client, Handler handler = {}, HWND parent = nullptr, DWORD style = 0,
             const wchar_t* title = L"ostrel test");
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return Hwnd_; }
  operator HWND() const { return Hwnd_; }
  // What a handler threw, if it did ("" otherwise).
  const std::string& Failure() const { return Failure_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND Hwnd_ = nullptr;
  Handler Handler_;
  std::string Failure_;
};

}  // namespace ostrel::test
