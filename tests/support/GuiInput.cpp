// GUI test kit: real input through SendInput, as a person's mouse and keyboard would give it.
//
// Every event is followed by pumping this thread's messages until the system's state of the key or
// button shows the event (so it has reached the queues) and this thread's queue holds no more input
// of its kind (so the window has handled it). Under Wine, SendInput queues the event before it
// returns; on Windows the system's input thread does so a moment later, and the state tells when.
#include "GuiTest.h"

namespace ostrel::test {

namespace {

// How long an event may take to arrive; far beyond what any platform needs, yet bounded.
constexpr DWORD ArriveMs = 3000;

bool Send(INPUT& input)
{
  return SendInput(1, &input, sizeof(INPUT)) == 1;
}

const WORD ModifierKeys[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
const Shift ModifierShifts[] = {ShiftShift, ShiftCtrl, ShiftAlt};

bool KeyIsDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }
bool AsyncDown(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }
// Input of these kinds waits in this thread's queue.
bool Queued(UINT kinds) { return (HIWORD(GetQueueStatus(kinds)) & kinds) != 0; }

// Waits until the platform has taken a key or button event (its state is the one sent) and this
// thread has taken every such event off its queue and handled it. (The key state's toggle bit would
// be a finer sign, but Wine copies the system's key state into a thread's now and then, so a
// thread cannot rely on seeing its own toggles.)
bool WaitTaken(int vk, bool down, UINT kinds)
{
  return PumpUntil([&] { return AsyncDown(vk) == down && !Queued(kinds); }, ArriveMs);
}

// Under Wine, whenever the X server moves the keyboard focus or the pointer into one of the
// process's windows, it tells the window the state of its real keyboard, and Wine takes that as the
// state of the modifiers: a Shift that SendInput holds is let go, without a message. The news
// arrives a moment after the change; modifiers are pressed only once it has been handled.
constexpr DWORD SettleMs = 80;

bool ModifiersHeld(Shift shift)
{
  for (size_t i = 0; i < 3; ++i)
    if ((shift & ModifierShifts[i]) && !KeyIsDown(ModifierKeys[i])) return false;
  return true;
}

bool SameThread(HWND hwnd)
{
  return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}

int ButtonKey(Button b)
{
  switch (b) {
    case Button::Right: return VK_RBUTTON;
    case Button::Middle: return VK_MBUTTON;
    default: return VK_LBUTTON;
  }
}

DWORD ButtonFlag(Button b, bool up)
{
  switch (b) {
    case Button::Right: return up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
    case Button::Middle: return up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
    default: return up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
  }
}

// Mouse input at a screen point; each event carries its position, so a stray move between two
// events (another program moving the pointer) cannot shift a press or a release.
bool SendMouse(POINT screen, DWORD buttonFlags)
{
  POINT abs = AbsoluteInputPoint(screen);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = abs.x;
  in.mi.dy = abs.y;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttonFlags;
  return Send(in);
}

bool CursorAt(POINT screen)
{
  POINT now;
  return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
}

bool MoveTo(POINT screen)
{
  if (!SendMouse(screen, 0)) return false;
  return PumpUntil([&] { return CursorAt(screen) && !(HIWORD(GetQueueStatus(QS_MOUSEMOVE)) & QS_MOUSEMOVE); },
                   ArriveMs);
}

bool Press(POINT screen, Button button)
{
  return SendMouse(screen, ButtonFlag(button, false)) && WaitTaken(ButtonKey(button), true, QS_MOUSE);
}

bool Release(POINT screen, Button button)
{
  return SendMouse(screen, ButtonFlag(button, true)) && WaitTaken(ButtonKey(button), false, QS_MOUSE);
}

bool IsExtendedKey(WORD vk)
{
  switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_RCONTROL: case VK_RMENU:
    case VK_DIVIDE: case VK_NUMLOCK: case VK_SNAPSHOT: case VK_LWIN: case VK_RWIN: case VK_APPS:
      return true;
    default:
      return false;
  }
}

bool SendKey(WORD vk, bool up)
{
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
  return Send(in);
}

bool PressModifiers(Shift shift)
{
  if (shift == ShiftNone) return true;
  PumpFor(SettleMs);
  for (size_t i = 0; i < 3; ++i)
    if ((shift & ModifierShifts[i]) && !KeyDown(ModifierKeys[i])) return false;
  return ModifiersHeld(shift);
}

bool ReleaseModifiers(Shift shift)
{
  bool ok = true;
  for (size_t i = 3; i-- > 0;)
    if (shift & ModifierShifts[i]) ok = KeyUp(ModifierKeys[i]) && ok;
  return ok;
}

bool SendUnicode(wchar_t unit, bool up)
{
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wScan = static_cast<WORD>(unit);
  in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  return Send(in);
}

}  // namespace

POINT ClientToScreenPoint(HWND hwnd, POINT client)
{
  ClientToScreen(hwnd, &client);
  return client;
}

POINT AbsoluteInputPoint(POINT screen)
{
  const LONG left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const LONG top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const LONG width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const LONG height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  // Aim at the middle of the pixel: the platforms scale 0..65535 to the screen with slightly
  // different rounding, and half a pixel's margin lands every one of them on the same pixel.
  auto axis = [](LONG v, LONG origin, LONG size) -> LONG {
    if (size <= 0) return 0;
    LONGLONG k = v - origin;
    if (k < 0) k = 0;
    if (k >= size) k = size - 1;
    return static_cast<LONG>(((2 * k + 1) * 65536) / (2 * static_cast<LONGLONG>(size)));
  };
  return POINT{axis(screen.x, left, width), axis(screen.y, top, height)};
}

bool MakeForeground(HWND hwnd)
{
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (!root || !IsWindowVisible(root)) return false;
  auto done = [&] { return GetForegroundWindow() == root && (!SameThread(root) || GetActiveWindow() == root); };
  if (done()) return true;
  SetForegroundWindow(root);
  if (SameThread(root)) SetActiveWindow(root);
  if (PumpUntil(done, 500)) return true;
  // The platform may refuse the foreground to a thread that does not own it: share the current
  // foreground thread's input state for the moment of the call, as a click on the window would.
  HWND current = GetForegroundWindow();
  DWORD theirs = current ? GetWindowThreadProcessId(current, nullptr) : 0;
  DWORD ours = GetCurrentThreadId();
  bool attached = theirs && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
  SetForegroundWindow(root);
  if (SameThread(root)) SetActiveWindow(root);
  if (attached) AttachThreadInput(ours, theirs, FALSE);
  return PumpUntil(done, ArriveMs);
}

bool Focus(HWND hwnd)
{
  if (!MakeForeground(hwnd)) return false;
  if (GetFocus() != hwnd) SetFocus(hwnd);
  if (!PumpUntil([&] { return GetFocus() == hwnd; }, ArriveMs)) return false;
  // Keys come next: let the window system's word on the keyboard come first (see SettleMs).
  PumpFor(SettleMs);
  return GetFocus() == hwnd;
}

bool MoveMouse(HWND hwnd, POINT client)
{
  if (!MakeForeground(hwnd)) return false;
  return MoveTo(ClientToScreenPoint(hwnd, client));
}

bool MouseDown(HWND hwnd, POINT client, Button button)
{
  if (!MakeForeground(hwnd)) return false;
  return Press(ClientToScreenPoint(hwnd, client), button);
}

bool MouseUp(HWND hwnd, POINT client, Button button)
{
  if (!MakeForeground(hwnd)) return false;
  return Release(ClientToScreenPoint(hwnd, client), button);
}

bool Click(HWND hwnd, POINT client, Button button, Shift shift)
{
  if (!MakeForeground(hwnd)) return false;
  POINT at = ClientToScreenPoint(hwnd, client);
  // The pointer first rests on the point, as a hand's would: hover and cursor shape come first.
  if (!MoveTo(at)) return false;
  bool ok = PressModifiers(shift) && Press(at, button) && ModifiersHeld(shift);
  ok = Release(at, button) && ok;
  return ReleaseModifiers(shift) && ok;
}

bool DoubleClick(HWND hwnd, POINT client)
{
  if (!MakeForeground(hwnd)) return false;
  POINT at = ClientToScreenPoint(hwnd, client);
  return MoveTo(at) && Press(at, Button::Left) && Release(at, Button::Left) && Press(at, Button::Left) &&
         Release(at, Button::Left);
}

bool RightClick(HWND hwnd, POINT client)
{
  return Click(hwnd, client, Button::Right, ShiftNone);
}

bool Drag(HWND hwnd, POINT from, POINT to, int steps, Button button, Shift shift)
{
  if (steps < 1) steps = 1;
  if (!MakeForeground(hwnd)) return false;
  POINT start = ClientToScreenPoint(hwnd, from);
  if (!MoveTo(start)) return false;
  bool ok = PressModifiers(shift) && Press(start, button) && ModifiersHeld(shift);
  for (int i = 1; i <= steps && ok; ++i) {
    POINT client{from.x + MulDiv(to.x - from.x, i, steps), from.y + MulDiv(to.y - from.y, i, steps)};
    ok = MoveTo(ClientToScreenPoint(hwnd, client));
  }
  // Released even when a step failed: a button left down would spoil every later test.
  ok = ModifiersHeld(shift) && ok;
  ok = Release(ClientToScreenPoint(hwnd, to), button) && ok;
  return ReleaseModifiers(shift) && ok;
}

bool KeyDown(WORD vk)
{
  return SendKey(vk, false) && WaitTaken(vk, true, QS_KEY);
}

bool KeyUp(WORD vk)
{
  return SendKey(vk, true) && WaitTaken(vk, false, QS_KEY);
}

bool KeyPress(WORD vk, Shift shift)
{
  // The key's own press must find the modifiers still held when it is handled.
  bool ok = PressModifiers(shift) && KeyDown(vk) && ModifiersHeld(shift);
  ok = KeyUp(vk) && ok;
  // Modifiers are released whatever happened before, in the reverse order.
  return ReleaseModifiers(shift) && ok;
}

bool TypeText(const std::string& utf8)
{
  for (wchar_t unit : Utf8ToWide(utf8)) {
    if (!SendUnicode(unit, false) || !SendUnicode(unit, true)) return false;
    // The character that TranslateMessage makes of the press is posted, and goes out in the same pump
    // that takes the release.
    if (!PumpUntil([] { return !Queued(QS_KEY); }, ArriveMs)) return false;
  }
  PumpMessages();
  return true;
}

}  // namespace ostrel::test
