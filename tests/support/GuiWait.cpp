// GUI test kit: waiting on the message loop with a bounded time and without spinning.
#include "GuiTest.h"

namespace ostrel::test {

namespace {

// Longest sleep between two looks at a condition: short enough that a test never waits long past the
// moment its condition holds, long enough that waiting costs nothing.
constexpr DWORD SliceMs = 10;

}  // namespace

void PumpMessages()
{
  // Bounded: a window that never validates itself would otherwise hand out WM_PAINT for ever.
  MSG msg;
  for (int n = 0; n < 100000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    PumpMessages();
    if (condition()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    // Wakes for any new message, so a condition that a message makes true is seen at once. Also the
    // point where Wine shows what windows have painted.
    DWORD slice = static_cast<DWORD>(end - now < SliceMs ? end - now : SliceMs);
    MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  PumpMessages();
  return condition();
}

void PumpFor(DWORD ms)
{
  PumpUntil([] { return false; }, ms);
}

}  // namespace ostrel::test
