// TQelMMTimer: a timer component over the platform's multimedia timer (winmm timeSetEvent), for
// periods and one-shot delays finer than the window-message timer gives.
//
// Timer() and OnTimer run on the platform's timer thread, not on the GUI thread; nothing is
// marshalled. Stopping (Enabled false, a change of Interval, TimerType, Resolution or OnTimer) and
// destruction wait for a callback of this timer that is running on another thread, so the object
// outlives every callback; a callback that stops or destroys its own timer does not wait for itself.
// On the main thread the wait keeps serving Synchronize calls, so a callback that synchronises
// cannot deadlock it.
//
// The platform is never given the object's address: the callback finds its timer by a number in a
// table that stopping takes it out of, so a late event of a killed timer finds nothing.
#pragma once

#include <windows.h>

#include "Classes.h"

enum TMMTimerType { mmOneShot, mmPeriodic };  // the platform's TIME_ONESHOT and TIME_PERIODIC
VCL_DECLARE_ENUM(TMMTimerType);

class TQelMMTimer : public TComponent {
  VCL_DECLARE_CLASS(TQelMMTimer, TComponent)
  explicit TQelMMTimer(TOwnerArg owner);
  ~TQelMMTimer() override;
  void BeforeDestruction() override;

  bool GetEnabled() const { return FEnabled; }
  // At run time stops the timer, then starts it when enabled with a non-zero interval. While a
  // stored form is read the value is only kept, and Loaded starts the timer.
  void SetEnabled(bool value);
  unsigned GetInterval() const { return FInterval; }
  // A change at run time switches the timer off (Enabled false), as do the next three.
  void SetInterval(unsigned value);
  TMMTimerType GetTimerType() const { return FTimerType; }
  void SetTimerType(TMMTimerType value);
  unsigned GetResolution() const { return FResolution; }
  // At run time a non-zero value is clamped into the device's period range.
  void SetResolution(unsigned value);
  TNotifyEvent GetOnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent value);
  // The platform's event id, 0 when stopped. A fired one-shot keeps it until Enabled goes false.
  unsigned GetTimerId() const;

  // The device's period range read by the constructor; both 0 when the platform did not answer.
  unsigned GetMinPeriod() const { return FMinPeriod; }
  unsigned GetMaxPeriod() const { return FMaxPeriod; }

  // Where constructors read the device's period range (timeGetDevCaps unless replaced); answers
  // false when there is none. Answers the source it replaces.
  using TPeriodRangeSource = bool (*)(unsigned& minPeriod, unsigned& maxPeriod);
  static TPeriodRangeSource SetPeriodRangeSource(TPeriodRangeSource source);

protected:
  void Loaded() override;
  // Called on the timer thread on each event; fires OnTimer.
  virtual void Timer();

private:
  friend struct TQelMMTimerCallback;
  void StartTimer();
  void StopTimer();
  bool Running() const { return !HasState(csDesigning) && !HasState(csLoading); }

  unsigned FInterval = 1000;
  bool FEnabled = false;
  TMMTimerType FTimerType = mmOneShot;
  unsigned FResolution = 0;
  unsigned FMinPeriod = 0;
  unsigned FMaxPeriod = 0;
  TNotifyEvent FOnTimer;
  // The number the platform passes back to the callback; 0 when no event is set. Guarded by the
  // table's lock, as is the id it maps to.
  DWORD_PTR FKey = 0;
};
