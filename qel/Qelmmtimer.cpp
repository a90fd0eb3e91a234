// TQelMMTimer: the multimedia timer, its table of running events and its registration.
#include "Qelmmtimer.h"

#include <mmsystem.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "Graphics.h"
#include "Threads.h"

VCL_IMPLEMENT_ENUM(TMMTimerType, "mmOneShot", "mmPeriodic")

VCL_PUBLISHED(TQelMMTimer)
{
  p.Property("Enabled", &TQelMMTimer::GetEnabled, &TQelMMTimer::SetEnabled).Default(false);
  p.Property("Interval", &TQelMMTimer::GetInterval, &TQelMMTimer::SetInterval).Default(1000);
  p.Property("TimerType", &TQelMMTimer::GetTimerType, &TQelMMTimer::SetTimerType).Default(mmOneShot);
  p.Property("Resolution", &TQelMMTimer::GetResolution, &TQelMMTimer::SetResolution).Default(0);
  p.ReadOnly("TimerId", &TQelMMTimer::GetTimerId);
  p.Property("OnTimer", &TQelMMTimer::GetOnTimer, &TQelMMTimer::SetOnTimer);
}

namespace {

TUnitInit QelmmtimerUnitInit("Qelmmtimer", [] { RegisterClass(TQelMMTimer::StaticClass()); });

bool PlatformPeriodRange(unsigned& minPeriod, unsigned& maxPeriod)
{
  TIMECAPS caps{};
  if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return false;
  minPeriod = caps.wPeriodMin;
  maxPeriod = caps.wPeriodMax;
  return true;
}

std::atomic<TQelMMTimer::TPeriodRangeSource> PeriodRange{&PlatformPeriodRange};

struct TEventCloser {
  void operator()(HANDLE event) const { CloseHandle(event); }
};

// One started event. The timer thread holds it (shared) while it runs the timer's Timer(), so what it
// touches after the call is its own even when the call destroyed the timer.
struct TGate {
  TGate(TQelMMTimer* timer, bool oneShot) : Timer(timer), OneShot(oneShot) {}
  TQelMMTimer* Timer;
  const bool OneShot;
  UINT Id = 0;
  bool Fired = false;  // a one-shot the platform has called: its id is no longer ours to kill
  int Busy = 0;        // callbacks running now
  int Waiters = 0;     // threads waiting for Busy to fall
  std::unique_ptr<void, TEventCloser> Idle{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// The running events by the number the platform passes to the callback. Never freed: the platform's
// timer thread may still look here while the process ends.
struct TGateTable {
  std::mutex Lock;
  std::unordered_map<DWORD_PTR, std::shared_ptr<TGate>> Gates;
  DWORD_PTR LastKey = 0;
};

TGateTable& Table()
{
  static TGateTable* table = new TGateTable;
  return *table;
}

// The gate whose callback this thread is running, so that a callback stopping its own timer does not
// wait for itself.
thread_local TGate* RunningGate = nullptr;

// Waits until no other thread runs the gate's callback. The main thread keeps serving Synchronize
// calls, and every thread its sent messages, which a callback may be waiting for.
void WaitForCallbacks(TGate& gate)
{
  TGateTable& table = Table();
  const bool mainThread = GetCurrentThreadId() == GetMainThreadID();
  const HANDLE handles[2] = {gate.Idle.get(), mainThread ? GetSyncEvent() : nullptr};
  const DWORD count = handles[1] ? 2 : 1;
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(table.Lock);
      const int own = RunningGate == &gate ? 1 : 0;
      if (gate.Busy <= own) return;
      ResetEvent(gate.Idle.get());
      ++gate.Waiters;
    }
    const DWORD r = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_SENDMESSAGE);
    {
      std::lock_guard<std::mutex> hold(table.Lock);
      --gate.Waiters;
    }
    if (r == WAIT_OBJECT_0 + 1 && count == 2) {
      CheckSynchronize();
    } else if (r == WAIT_OBJECT_0 + count) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    } else if (r == WAIT_FAILED) {
      return;  // a wait that cannot be made is not spun on
    }
  }
}

// The timer thread has no one to show an exception to: its text goes to the debugger output.
void ReportCallbackException() noexcept
{
  std::string text = "TQelMMTimer: ";
  try {
    throw;
  } catch (const std::exception& e) {
    text += e.what();
  } catch (...) {
    text += "unknown exception";
  }
  OutputDebugStringW(WideString(AnsiString(text)).c_str());
}

}  // namespace

// The platform's timer procedure.
struct TQelMMTimerCallback {
  static void CALLBACK Proc(UINT, UINT, DWORD_PTR key, DWORD_PTR, DWORD_PTR) noexcept
  {
    try {
      TGateTable& table = Table();
      std::shared_ptr<TGate> gate;
      {
        std::lock_guard<std::mutex> hold(table.Lock);
        auto found = table.Gates.find(key);
        if (found == table.Gates.end()) return;
        gate = found->second;
        ++gate->Busy;
        if (gate->OneShot) gate->Fired = true;
      }
      TGate* outer = RunningGate;
      RunningGate = gate.get();
      try {
        gate->Timer->Timer();
      } catch (...) {
        ReportCallbackException();
      }
      RunningGate = outer;
      std::lock_guard<std::mutex> hold(table.Lock);
      --gate->Busy;
      if (gate->Waiters) SetEvent(gate->Idle.get());
    } catch (...) {
      ReportCallbackException();
    }
  }
};

TQelMMTimer::TPeriodRangeSource TQelMMTimer::SetPeriodRangeSource(TPeriodRangeSource source)
{
  return PeriodRange.exchange(source ? source : &PlatformPeriodRange);
}

TQelMMTimer::TQelMMTimer(TOwnerArg owner) : TComponent(owner)
{
  unsigned minPeriod = 0, maxPeriod = 0;
  if (PeriodRange.load()(minPeriod, maxPeriod)) {
    FMinPeriod = minPeriod;
    FMaxPeriod = maxPeriod;
  }
}

TQelMMTimer::~TQelMMTimer()
{
  try {
    StopTimer();
  } catch (...) {
    ReportCallbackException();
  }
}

// Before the derived parts go: an override of Timer() must not run on a half-destroyed object.
void TQelMMTimer::BeforeDestruction()
{
  StopTimer();
  TComponent::BeforeDestruction();
}

// The values read are in place now: start (or, read into a running timer, restart or stop).
void TQelMMTimer::Loaded()
{
  TComponent::Loaded();
  if (!HasState(csDesigning)) StartTimer();
}

unsigned TQelMMTimer::GetTimerId() const
{
  TGateTable& table = Table();
  std::lock_guard<std::mutex> hold(table.Lock);
  if (!FKey) return 0;
  auto found = table.Gates.find(FKey);
  return found == table.Gates.end() ? 0 : found->second->Id;
}

void TQelMMTimer::SetEnabled(bool value)
{
  if (value == FEnabled) return;
  FEnabled = value;
  if (!Running()) return;
  StartTimer();
}

void TQelMMTimer::SetInterval(unsigned value)
{
  if (value == FInterval) return;
  // Switched off before the value changes, so that no callback in flight sees it change.
  if (Running()) SetEnabled(false);
  FInterval = value;
}

void TQelMMTimer::SetTimerType(TMMTimerType value)
{
  if (value == FTimerType) return;
  if (Running()) SetEnabled(false);
  FTimerType = value;
}

void TQelMMTimer::SetResolution(unsigned value)
{
  if (value == FResolution) return;
  if (Running()) SetEnabled(false);
  if (value != 0 && !HasState(csDesigning)) {
    if (FMinPeriod != 0 && value < FMinPeriod) value = FMinPeriod;
    else if (FMaxPeriod != 0 && value > FMaxPeriod) value = FMaxPeriod;
  }
  FResolution = value;
}

void TQelMMTimer::SetOnTimer(TNotifyEvent value)
{
  if (value == FOnTimer) return;
  if (Running()) SetEnabled(false);
  FOnTimer = value;
}

void TQelMMTimer::Timer()
{
  const TNotifyEvent handler = FOnTimer;
  if (handler) handler(this);
}

// Stops what runs, then starts an event when enabled with a non-zero interval.
void TQelMMTimer::StartTimer()
{
  StopTimer();
  if (!FEnabled || FInterval == 0) return;
  TGateTable& table = Table();
  auto gate = std::make_shared<TGate>(this, FTimerType == mmOneShot);
  if (!gate->Idle) RaiseLastOSError();
  DWORD_PTR key = 0;
  {
    std::lock_guard<std::mutex> hold(table.Lock);
    do {
      key = ++table.LastKey;
    } while (key == 0 || table.Gates.count(key));
    table.Gates.emplace(key, gate);
    FKey = key;
  }
  const UINT flags = (FTimerType == mmPeriodic ? TIME_PERIODIC : TIME_ONESHOT) | TIME_CALLBACK_FUNCTION;
  const UINT id = timeSetEvent(FInterval, FResolution, &TQelMMTimerCallback::Proc, key, flags);
  bool orphan = false;
  {
    std::lock_guard<std::mutex> hold(table.Lock);
    gate->Id = id;
    auto found = table.Gates.find(key);
    if (id == 0) {
      if (found != table.Gates.end()) table.Gates.erase(found);
      if (FKey == key) FKey = 0;
    } else {
      // A first event may already have run and stopped its own timer before the id was known.
      orphan = found == table.Gates.end() && !gate->Fired;
    }
  }
  if (id == 0) throw EOutOfResources("Not enough timers available");
  if (orphan) timeKillEvent(id);
}

// Takes the event out of the table (no callback enters after that), kills it unless it was a one-shot
// that fired, and waits for a callback still running on another thread.
void TQelMMTimer::StopTimer()
{
  TGateTable& table = Table();
  std::shared_ptr<TGate> gate;
  UINT id = 0;
  {
    std::lock_guard<std::mutex> hold(table.Lock);
    if (!FKey) return;
    auto found = table.Gates.find(FKey);
    FKey = 0;
    if (found == table.Gates.end()) return;
    gate = found->second;
    table.Gates.erase(found);
    id = gate->Fired ? 0 : gate->Id;
  }
  // Outside the lock: the platform may hold its own lock while its thread waits for ours.
  if (id) timeKillEvent(id);
  WaitForCallbacks(*gate);
}
