// A manual-reset event that lives inside the process: setting, resetting and testing it are atomic
// operations, and only a thread that actually sleeps on it costs a wake-up. The request queue of the
// source filter hands a packet from one thread to the other thousands of times a second; a kernel
// event would cost a system call (under Wine a server round trip) on every set, reset and wait.
#pragma once
#include <windows.h>

#include <atomic>

#include <SyncObjs.h>

class alignas(64) TLightEvent {
public:
  // How long WaitFor watches the event before it sleeps: two to three 64 KiB reads from the page cache
  // (about 15 us each), so that a steady stream of hand-offs rarely sleeps, and short enough that a
  // waiter on an idle queue gives its core back almost at once. (Measured with the reader benchmark:
  // 16 us left the reader asleep on a good share of the packets, for 0.79-0.86 of the synchronous
  // rate; 40 us gave 0.87-0.89.)
  static constexpr LONGLONG SpinMicroseconds = 40;

  TLightEvent();
  TLightEvent(const TLightEvent&) = delete;
  TLightEvent& operator=(const TLightEvent&) = delete;

  void SetEvent();
  void ResetEvent();
  bool IsSet() const { return FSignalled.load(std::memory_order_acquire) != 0; }
  // Waits up to timeout milliseconds (INFINITE: for ever) for the event to be set: wrSignaled or wrTimeout.
  TWaitResult WaitFor(DWORD timeout);

private:
  bool Spin();

  // The flag has a cache line of its own: a waiter watching it while it spins must not slow the
  // setter's other work, nor the sleepers' bookkeeping.
  alignas(64) std::atomic<LONG> FSignalled{0};
  alignas(64) std::atomic<LONG> FSleepers{0};  // threads asleep on FWake, or about to be
  SRWLOCK FLock = SRWLOCK_INIT;                 // held by a sleeper from its last test until it sleeps
  CONDITION_VARIABLE FWake = CONDITION_VARIABLE_INIT;
};
