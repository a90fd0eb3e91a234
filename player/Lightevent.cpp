#include "Lightevent.h"

#include <algorithm>

namespace {

LONGLONG Now()
{
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LONGLONG TicksPerSecond()
{
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  return frequency;
}

// Conversions that cannot overflow for any DWORD timeout, whatever the counter's frequency.
LONGLONG MillisecondsToTicks(DWORD ms)
{
  const LONGLONG f = TicksPerSecond();
  return static_cast<LONGLONG>(ms / 1000) * f + static_cast<LONGLONG>(ms % 1000) * f / 1000;
}

// Rounded up: a sleep that ends a little early would only come round again.
DWORD TicksToMilliseconds(LONGLONG ticks)
{
  const LONGLONG f = TicksPerSecond();
  return static_cast<DWORD>(ticks / f * 1000 + ((ticks % f) * 1000 + f - 1) / f);
}

}  // namespace

TLightEvent::TLightEvent() = default;

void TLightEvent::SetEvent()
{
  // One exchange: the flag's cache line moves to this core once, not once to read it and again to write.
  if (FSignalled.exchange(1, std::memory_order_seq_cst) != 0) return;
  // A sleeper counts itself before it tests the flag, and this side sets the flag before it reads the
  // count: one of the two sees the other. Taking the sleepers' lock once means a sleeper that counted
  // itself is asleep by now, so the wake-up reaches it.
  if (FSleepers.load(std::memory_order_seq_cst) == 0) return;
  AcquireSRWLockExclusive(&FLock);
  ReleaseSRWLockExclusive(&FLock);
  WakeAllConditionVariable(&FWake);
}

void TLightEvent::ResetEvent() { FSignalled.store(0, std::memory_order_release); }

// Watches the flag for a few microseconds; the clock is read only every few dozen turns.
bool TLightEvent::Spin()
{
  const LONGLONG deadline = Now() + SpinMicroseconds * TicksPerSecond() / 1000000;
  for (;;) {
    for (int i = 0; i < 32; ++i) {
      if (IsSet()) return true;
      YieldProcessor();
    }
    if (Now() >= deadline) return IsSet();
  }
}

TWaitResult TLightEvent::WaitFor(DWORD timeout)
{
  if (IsSet()) return wrSignaled;
  if (timeout == 0) return wrTimeout;
  if (Spin()) return wrSignaled;

  // The deadline is kept on the performance counter: the tick count moves in steps of up to 16 ms.
  const LONGLONG deadline = timeout == INFINITE ? 0 : Now() + MillisecondsToTicks(timeout);
  AcquireSRWLockExclusive(&FLock);
  FSleepers.fetch_add(1, std::memory_order_seq_cst);
  TWaitResult result = wrSignaled;
  while (!IsSet()) {
    DWORD left = INFINITE;
    if (timeout != INFINITE) {
      const LONGLONG ticks = deadline - Now();
      if (ticks <= 0) {
        result = wrTimeout;
        break;
      }
      left = std::min<DWORD>(TicksToMilliseconds(ticks), INFINITE - 1);
    }
    // A wake-up without the flag (spurious, or the event reset meanwhile) just sleeps again.
    SleepConditionVariableSRW(&FWake, &FLock, left, 0);
  }
  FSleepers.fetch_sub(1, std::memory_order_seq_cst);
  ReleaseSRWLockExclusive(&FLock);
  return result;
}
