// GUI test kit: answering the message boxes that the code under test shows in the test's thread.
// The box runs its own modal loop in that thread, so only another thread can look at it and press
// its buttons; posting the button's WM_COMMAND lets the box end itself as it would on a click.
#include "GuiTest.h"

#include <algorithm>
#include <set>

namespace ostrel::test {

namespace {

constexpr DWORD PollMs = 10;

std::wstring ClassOf(HWND hwnd)
{
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd)
{
  // WM_GETTEXT through SendMessageTimeout: the box's thread answers from its modal loop, and a
  // thread that no longer pumps must not hang the watcher.
  wchar_t text[4096] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied))
    return {};
  return text;
}

bool IsDialogOfThisProcess(HWND hwnd)
{
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == GetCurrentProcessId() && ClassOf(hwnd) == L"#32770";
}

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM lp)
{
  if (IsDialogOfThisProcess(hwnd)) reinterpret_cast<std::set<HWND>*>(lp)->insert(hwnd);
  return TRUE;
}

std::set<HWND> DialogsOfThisProcess()
{
  std::set<HWND> found;
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct Controls {
  std::wstring Text;
  std::vector<int> Buttons;
};

Controls ControlsOf(HWND dialog)
{
  Controls c;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::wstring cls = ClassOf(child);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
      const LONG_PTR kind = style & BS_TYPEMASK;
      if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) c.Buttons.push_back(GetDlgCtrlID(child));
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) != SS_ICON && c.Text.empty()) {
      // The message is the box's one static with text; its icon is a static too, without text.
      c.Text = TextOf(child);
    }
  }
  return c;
}

}  // namespace

MessageBoxAnswer::MessageBoxAnswer(int buttonId, DWORD timeoutMs)
    : ButtonId_(buttonId), TimeoutMs_(timeoutMs), Stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      // Taken here, not in the watcher: the box may well be up before the new thread first runs.
      Before_(DialogsOfThisProcess())
{
  Watcher_ = std::thread([this] { Watch(); });
}

MessageBoxAnswer::~MessageBoxAnswer()
{
  if (Stop_) SetEvent(Stop_);
  if (Watcher_.joinable()) Watcher_.join();
  if (Stop_) CloseHandle(Stop_);
}

const MessageBoxAnswer::Seen& MessageBoxAnswer::Result()
{
  if (Watcher_.joinable()) Watcher_.join();
  return Seen_;
}

void MessageBoxAnswer::Watch() noexcept
{
  try {
    const ULONGLONG end = GetTickCount64() + TimeoutMs_;
    auto waitSlice = [&] { return Stop_ && WaitForSingleObject(Stop_, PollMs) == WAIT_OBJECT_0; };

    HWND box = nullptr;
    Controls controls;
    while (!box) {
      if (GetTickCount64() >= end) {
        Seen_.Problem = "no dialog box appeared";
        return;
      }
      for (HWND hwnd : DialogsOfThisProcess()) {
        if (Before_.count(hwnd) || !IsWindowVisible(hwnd)) continue;
        controls = ControlsOf(hwnd);
        // Visible with its buttons: the box has finished WM_INITDIALOG.
        if (!controls.Buttons.empty()) box = hwnd;
        break;
      }
      if (!box && waitSlice()) {
        Seen_.Problem = "stopped before a dialog box appeared";
        return;
      }
    }

    Seen_.Found = true;
    Seen_.Caption = WideToUtf8(TextOf(box));
    Seen_.Text = WideToUtf8(controls.Text);
    Seen_.Owner = GetWindow(box, GW_OWNER);
    Seen_.Buttons = controls.Buttons;

    int press = ButtonId_;
    if (std::find(controls.Buttons.begin(), controls.Buttons.end(), press) == controls.Buttons.end()) {
      Seen_.Problem = "the box has no button " + std::to_string(ButtonId_);
      press = controls.Buttons.front();
    }
    HWND button = GetDlgItem(box, press);
    if (!PostMessageW(box, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
      Seen_.Problem = "could not post the button's command";
      return;
    }
    Seen_.Pressed = Seen_.Problem.empty();

    while (IsWindow(box) && IsWindowVisible(box)) {
      if (GetTickCount64() >= end) {
        Seen_.Pressed = false;
        Seen_.Problem = "the box did not close after its button was pressed";
        return;
      }
      if (waitSlice()) return;
    }
  } catch (...) {
    Seen_.Pressed = false;
    Seen_.Problem = "the watcher failed";
  }
}

}  // namespace ostrel::test
