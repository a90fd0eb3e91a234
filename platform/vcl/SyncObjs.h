// Synchronisation objects of the VCL stand-in, over the Win32 primitives.
#pragma once

#include "System.h"

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// The common base: something that can be acquired and released.
class TSynchroObject {
public:
  TSynchroObject() = default;
  TSynchroObject(const TSynchroObject&) = delete;
  TSynchroObject& operator=(const TSynchroObject&) = delete;
  virtual ~TSynchroObject() = default;
  virtual void Acquire() {}
  virtual void Release() {}
};

// An object owning a Win32 handle, closed with the object.
class THandleObject : public TSynchroObject {
public:
  ~THandleObject() override;
  HANDLE GetHandle() const { return FHandle; }
  // The Win32 error of the last failed wait, 0 otherwise.
  int GetLastError() const { return FLastError; }

protected:
  THandleObject() = default;
  HANDLE FHandle = nullptr;
  int FLastError = 0;
};

// A Win32 event. A named event is shared with every other holder of the name (UTF-8 name).
// Creation failure raises EOSError.
class TEvent : public THandleObject {
public:
  TEvent(LPSECURITY_ATTRIBUTES eventAttributes, bool manualReset, bool initialState, const AnsiString& name = AnsiString());
  // Waits up to timeout milliseconds (INFINITE for no limit).
  TWaitResult WaitFor(DWORD timeout);
  void SetEvent();
  void ResetEvent();
  void Acquire() override { WaitFor(INFINITE); }
  void Release() override { SetEvent(); }
};

// A manual-reset event that starts unsignalled.
class TSimpleEvent : public TEvent {
public:
  TSimpleEvent() : TEvent(nullptr, true, false) {}
};

// A re-entrant lock: the owning thread may enter it again, and must leave as often as it entered.
class TCriticalSection : public TSynchroObject {
public:
  TCriticalSection();
  ~TCriticalSection() override;
  void Acquire() override;
  void Release() override;
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter();

private:
  CRITICAL_SECTION FSection;
};

// Holds a synchronisation object for a scope.
class TSynchroGuard {
public:
  explicit TSynchroGuard(TSynchroObject& object) : object_(object) { object_.Acquire(); }
  ~TSynchroGuard() { object_.Release(); }
  TSynchroGuard(const TSynchroGuard&) = delete;
  TSynchroGuard& operator=(const TSynchroGuard&) = delete;

private:
  TSynchroObject& object_;
};
