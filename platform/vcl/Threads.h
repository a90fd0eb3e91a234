// TThread of the VCL stand-in, and the main-thread synchronisation that Synchronize uses.
//
// Rules a subclass relies on:
// - Execute runs on the new thread; any exception leaving it is caught at the thread entry and kept
//   (GetFatalException); it never reaches the system.
// - TThread(false) starts the thread at the end of the TThread constructor, as the VCL 5 does, so the
//   derived constructor may still be running when Execute starts. A subclass with members of its own
//   that Execute uses passes true and calls Resume at the end of its own constructor.
// - Deleting a thread (delete, or the owner's delete) first terminates it and waits for Execute to
//   return, while the whole object is still intact (BeforeDestruction). A thread object that is not
//   destroyed by delete (a member or a local) and whose Execute uses members of its own stops the
//   thread in its own destructor (TerminateAndWait) before those members go.
// - A thread created suspended and never resumed is ended by the destructor without running Execute.
// - With FreeOnTerminate the object deletes itself after Execute returns; nobody may touch it then.
#pragma once

#include <exception>
#include <functional>

#include "ObjBase.h"
#include "SysUtils.h"
#include "System.h"

OSTREL_VCL_EXCEPTION(EThread, Exception);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
  VCL_DECLARE_CLASS(TThread, TObject)
  using TThreadMethod = std::function<void()>;

  explicit TThread(bool createSuspended);
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  virtual ~TThread();

  // Starts a thread created suspended, or undoes one Suspend; no effect on a running thread.
  void Resume();
  void Suspend();
  // Marks the thread terminated; Execute is expected to look at Terminated and return.
  void Terminate();
  // Waits until Execute has returned and answers the thread's return value. On the main thread the
  // wait keeps serving Synchronize calls, so a thread that synchronises cannot deadlock it.
  DWORD WaitFor();

  bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
  bool GetSuspended() const { return FSuspended; }
  bool GetFinished() const { return FFinished; }
  HANDLE GetHandle() const { return FHandle; }
  DWORD GetThreadID() const { return FThreadID; }
  int GetReturnValue() const { return FReturnValue; }
  TThreadPriority GetPriority() const;
  void SetPriority(TThreadPriority value);
  // The exception that left Execute (null when none did).
  std::exception_ptr GetFatalException() const { return FFatalException; }
  // Its text: what() of a std::exception, or a generic text for anything else; empty when none.
  AnsiString GetFatalMessage() const;
  // Called on the main thread (through Synchronize) after Execute has returned; Sender is the thread.
  TNotifyEvent GetOnTerminate() const { return FOnTerminate; }
  void SetOnTerminate(TNotifyEvent handler) { FOnTerminate = handler; }
  void BeforeDestruction() override;

  // Runs method on the main thread and waits for it; an exception it raises is raised again here.
  static void Synchronize(TThread* thread, const TThreadMethod& method);

protected:
  virtual void Execute() = 0;
  // Calls OnTerminate on the main thread; runs on the thread after Execute.
  virtual void DoTerminate();
  bool Terminated() const { return FTerminated; }
  bool GetTerminated() const { return FTerminated; }
  void SetReturnValue(int value) { FReturnValue = value; }
  void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
  template <class T>
  void Synchronize(void (T::*method)())
  {
    T* self = static_cast<T*>(this);
    Synchronize(this, [self, method] { (self->*method)(); });
  }
  // Terminate, start if never started (Execute is then skipped) and wait; for subclass destructors.
  void TerminateAndWait();

private:
  static unsigned __stdcall ThreadProc(void* parameter);
  unsigned Run();

  HANDLE FHandle = nullptr;
  DWORD FThreadID = 0;
  volatile bool FTerminated = false;
  volatile bool FFinished = false;
  volatile bool FStarted = false;   // ThreadProc has begun
  volatile bool FSkipExecute = false;
  bool FSuspended = false;
  bool FFreeOnTerminate = false;
  int FReturnValue = 0;
  std::exception_ptr FFatalException;
  TNotifyEvent FOnTerminate;
};

// The id of the main (VCL) thread: the thread that loaded the package.
DWORD GetMainThreadID();
// Runs the Synchronize calls waiting for the main thread; call it on the main thread (the message
// loop does, through the hidden synchronisation window). Answers whether it ran any. With a timeout
// it first waits up to that many milliseconds for a call to arrive.
bool CheckSynchronize(DWORD timeout = 0);
// Set while Synchronize calls are waiting; a message loop may wait on it.
HANDLE GetSyncEvent();
