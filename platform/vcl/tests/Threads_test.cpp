// TThread, TEvent/TSimpleEvent, TCriticalSection and OleCheck with real threads.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "ComObj.h"
#include "SyncObjs.h"
#include "Threads.h"
#include "WindowRefusal.h"

namespace {

TEST(SimpleEvent, StartsUnsignalledAndStaysSetUntilReset)
{
  TSimpleEvent event;
  EXPECT_EQ(event.WaitFor(0), wrTimeout);
  event.SetEvent();
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  EXPECT_EQ(event.WaitFor(0), wrSignaled);  // manual reset
  event.ResetEvent();
  const DWORD before = GetTickCount();
  EXPECT_EQ(event.WaitFor(60), wrTimeout);
  EXPECT_GE(GetTickCount() - before, 40u);
}

TEST(Event, AutoResetReleasesOneWaitAndNamedEventsAreShared)
{
  TEvent autoEvent(nullptr, false, true);
  EXPECT_EQ(autoEvent.WaitFor(0), wrSignaled);
  EXPECT_EQ(autoEvent.WaitFor(0), wrTimeout);

  const AnsiString name = "OstrelRuntimeTest" + AnsiString(static_cast<int>(GetCurrentProcessId()));
  TEvent first(nullptr, true, false, name);
  TEvent second(nullptr, true, false, name);
  first.SetEvent();
  EXPECT_EQ(second.WaitFor(0), wrSignaled);
}

DWORD WINAPI TryEnterFromOtherThread(void* p)
{
  auto* args = static_cast<std::pair<TCriticalSection*, std::atomic<int>*>*>(p);
  *args->second = args->first->TryEnter() ? 1 : 0;
  if (*args->second) args->first->Leave();
  return 0;
}

TEST(CriticalSection, IsReentrantForItsOwner)
{
  TCriticalSection lock;
  lock.Enter();
  lock.Acquire();  // again on the same thread: no deadlock
  std::atomic<int> otherGotIt{-1};
  std::pair<TCriticalSection*, std::atomic<int>*> args(&lock, &otherGotIt);
  HANDLE other = CreateThread(nullptr, 0, TryEnterFromOtherThread, &args, 0, nullptr);
  WaitForSingleObject(other, INFINITE);
  CloseHandle(other);
  EXPECT_EQ(otherGotIt, 0);  // held twice by us
  lock.Leave();
  lock.Release();
  EXPECT_TRUE(lock.TryEnter());
  lock.Leave();
}

TEST(CriticalSection, SerialisesIncrementsFromManyThreads)
{
  struct Counter : TThread {
    Counter(TCriticalSection& lock, int& value) : TThread(true), lock_(lock), value_(value) {}
    void Execute() override
    {
      for (int i = 0; i < 2000; ++i) {
        TSynchroGuard guard(lock_);
        const int v = value_;
        if (i % 256 == 0) Sleep(0);
        value_ = v + 1;
      }
    }
    TCriticalSection& lock_;
    int& value_;
  };
  TCriticalSection lock;
  int value = 0;
  Counter a(lock, value), b(lock, value), c(lock, value);
  a.Resume();
  b.Resume();
  c.Resume();
  a.WaitFor();
  b.WaitFor();
  c.WaitFor();
  EXPECT_EQ(value, 6000);
}

class TWorker : public TThread {
public:
  explicit TWorker(TSimpleEvent& go, int result = 0) : TThread(true), go_(go), result_(result) {}
  ~TWorker() override { TerminateAndWait(); }
  std::atomic<int> loops{0};
  std::atomic<bool> ran{false};

protected:
  void Execute() override
  {
    ran = true;
    while (!Terminated()) {
      go_.WaitFor(20);
      ++loops;
    }
    SetReturnValue(result_);
  }

private:
  TSimpleEvent& go_;
  int result_;
};

TEST(Thread, WaitForAnswersTheReturnValueAfterTerminate)
{
  TSimpleEvent go;
  TWorker worker(go, 42);
  EXPECT_TRUE(worker.GetSuspended());
  Sleep(30);
  EXPECT_FALSE(worker.ran);  // suspended: Execute has not started
  worker.Resume();
  worker.Resume();  // no effect on a running thread
  EXPECT_FALSE(worker.GetSuspended());
  while (worker.loops < 2) Sleep(5);
  worker.Terminate();
  EXPECT_EQ(worker.WaitFor(), 42u);
  EXPECT_TRUE(worker.GetFinished());
  EXPECT_EQ(worker.GetReturnValue(), 42);
  EXPECT_FALSE(worker.GetFatalException());
}

std::atomic<int> g_neverRunStarts{0};

class TNeverRun : public TThread {
public:
  TNeverRun() : TThread(true) {}

protected:
  void Execute() override { ++g_neverRunStarts; }
};

TEST(Thread, NeverResumedThreadIsDestroyedWithoutRunningExecute)
{
  g_neverRunStarts = 0;
  const DWORD before = GetTickCount();
  for (int i = 0; i < 5; ++i) {
    auto thread = std::make_unique<TNeverRun>();
    EXPECT_NE(thread->GetHandle(), nullptr);
    EXPECT_NE(thread->GetThreadID(), 0u);
    EXPECT_TRUE(thread->GetSuspended());
  }  // destroyed here: must neither hang nor run Execute
  EXPECT_LT(GetTickCount() - before, 5000u);
  EXPECT_EQ(g_neverRunStarts, 0);
}

class TThrower : public TThread {
public:
  explicit TThrower(bool standard) : TThread(true), standard_(standard) {}

protected:
  void Execute() override
  {
    if (standard_) throw std::runtime_error("worker failed");
    throw 7;  // not even a std::exception
  }

private:
  bool standard_;
};

TEST(Thread, ExceptionInExecuteIsKeptAndTheProcessLivesOn)
{
  TThrower thrower(true);
  thrower.Resume();
  thrower.WaitFor();
  ASSERT_TRUE(thrower.GetFatalException());
  EXPECT_EQ(thrower.GetFatalMessage(), AnsiString("worker failed"));
  EXPECT_THROW(std::rethrow_exception(thrower.GetFatalException()), std::runtime_error);

  TThrower odd(false);
  odd.Resume();
  odd.WaitFor();
  ASSERT_TRUE(odd.GetFatalException());
  EXPECT_EQ(odd.GetFatalMessage(), AnsiString("Unknown exception"));
}

std::atomic<int> g_selfFreed{0};

class TSelfFreeing : public TThread {
public:
  explicit TSelfFreeing(TSimpleEvent& done) : TThread(true), done_(done) { SetFreeOnTerminate(true); }
  ~TSelfFreeing() override
  {
    ++g_selfFreed;
    done_.SetEvent();
  }

protected:
  void Execute() override { Sleep(10); }

private:
  TSimpleEvent& done_;
};

TEST(Thread, FreeOnTerminateDeletesTheObjectOnItsThread)
{
  g_selfFreed = 0;
  TSimpleEvent done;
  auto* thread = new TSelfFreeing(done);  // owns itself once resumed
  thread->Resume();
  EXPECT_EQ(done.WaitFor(5000), wrSignaled);
  EXPECT_EQ(g_selfFreed, 1);
}

class TSynchronizer : public TThread {
public:
  TSynchronizer() : TThread(true) {}
  DWORD seenOn = 0;
  bool rethrown = false;

protected:
  void Execute() override
  {
    Synchronize([this] { seenOn = GetCurrentThreadId(); });
    try {
      Synchronize([] { throw EAbort("from the main thread"); });
    } catch (const EAbort&) {
      rethrown = true;
    }
  }
};

class TTerminateWatcher : public TObject {
public:
  void ThreadTerminated(TObject* sender)
  {
    terminatedOn = GetCurrentThreadId();
    this->sender = sender;
  }
  DWORD terminatedOn = 0;
  TObject* sender = nullptr;
};

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileItWaits)
{
  TSynchronizer thread;
  TTerminateWatcher watcher;
  thread.SetOnTerminate(TNotifyEvent(&watcher, &TTerminateWatcher::ThreadTerminated));
  thread.Resume();
  thread.WaitFor();  // serves the Synchronize calls
  EXPECT_EQ(thread.seenOn, GetMainThreadID());
  EXPECT_EQ(watcher.terminatedOn, GetMainThreadID());
  EXPECT_EQ(watcher.sender, &thread);
  EXPECT_TRUE(thread.rethrown);
}

// Deleting a running thread stops it before any part of the object is destroyed.
std::atomic<bool> g_memberAliveWhenExecuteEnded{false};

class TMemberUser : public TThread {
public:
  TMemberUser() : TThread(true) {}
  ~TMemberUser() override { alive_ = false; }

protected:
  void Execute() override
  {
    while (!Terminated()) Sleep(5);
    g_memberAliveWhenExecuteEnded = alive_;
  }

private:
  volatile bool alive_ = true;
};

TEST(Thread, DeleteWaitsWhileTheDerivedPartIsIntact)
{
  g_memberAliveWhenExecuteEnded = false;
  auto* thread = new TMemberUser;
  thread->Resume();
  Sleep(20);
  delete thread;
  EXPECT_TRUE(g_memberAliveWhenExecuteEnded);
  EXPECT_EQ(TThread::StaticClass()->ClassName(), AnsiString("TThread"));
}

TEST(Thread, SynchronizeIsServedByCheckSynchronize)
{
  TSynchronizer thread;
  thread.Resume();
  int served = 0;
  while (!thread.GetFinished() && served < 100)
    if (CheckSynchronize(50)) ++served;
  thread.WaitFor();
  EXPECT_GE(served, 1);
  EXPECT_EQ(thread.seenOn, GetMainThreadID());
}

// ---- the hidden window that wakes the main thread for Synchronize --------------------------------

const wchar_t kSyncWindowClass[] = L"OstrelVclSyncWindow";

enum TSyncOutcome { soNone, soRan, soRaised, soOther };

DWORD WINAPI SynchronizeFromWorker(void* p)
{
  auto* outcome = static_cast<std::atomic<int>*>(p);
  try {
    TThread::Synchronize(nullptr, [outcome] { *outcome = soRan; });
  } catch (const EOSError&) {
    *outcome = soRaised;
  } catch (...) {
    *outcome = soOther;
  }
  return 0;
}

// Pumps this (the main) thread's messages until the thread has finished; bounded.
bool PumpUntilFinished(TThread& thread)
{
  const DWORD deadline = GetTickCount() + 10000;
  while (!thread.GetFinished() && int(deadline - GetTickCount()) > 0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return thread.GetFinished();
}

TEST(Thread, WhenItsHiddenWindowCannotBeMadeThreadsRaiseInsteadOfWaitingForever)
{
  using ostrel::test::FindThreadWindow;
  // Start without the window: one destroyed is made again by the next use on the main thread.
  if (HWND existing = FindThreadWindow(HWND_MESSAGE, kSyncWindowClass)) DestroyWindow(existing);
  {
    ostrel::test::WindowRefusal refusal(kSyncWindowClass);
    ASSERT_TRUE(refusal.Installed());
    EXPECT_THROW({ TSynchronizer thread; }, EOSError);
    EXPECT_GE(refusal.Refused(), 1);

    // A Synchronize from another thread now has nothing to wake the main thread with: it raises.
    std::atomic<int> outcome{soNone};
    HANDLE worker = CreateThread(nullptr, 0, SynchronizeFromWorker, &outcome, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    const DWORD waited = WaitForSingleObject(worker, 10000);
    // Were it waiting after all, serve it, so that the test fails instead of hanging.
    if (waited != WAIT_OBJECT_0) {
      CheckSynchronize();
      WaitForSingleObject(worker, 10000);
    }
    CloseHandle(worker);
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "Synchronize waited for a wake-up that could not come";
    EXPECT_EQ(outcome, soRaised);
  }
  // The platform willing again, the next thread makes the window, and its wake-ups reach the
  // message loop alone (no WaitFor serving the calls).
  TSynchronizer thread;
  EXPECT_NE(FindThreadWindow(HWND_MESSAGE, kSyncWindowClass), nullptr);
  thread.Resume();
  EXPECT_TRUE(PumpUntilFinished(thread));
  thread.WaitFor();
  EXPECT_EQ(thread.seenOn, GetMainThreadID());
  EXPECT_TRUE(thread.rethrown);
}

TEST(ComObjCheck, FailureRaisesWithTheCode)
{
  EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
  try {
    OleCheck(E_OUTOFMEMORY);
    FAIL() << "no exception";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode, E_OUTOFMEMORY);
    EXPECT_FALSE(e.Message.IsEmpty());
  }
  try {
    OleCheck(static_cast<HRESULT>(0x8004FFFF));
    FAIL() << "no exception";
  } catch (const EOleError& e) {  // the family's base catches it too
    EXPECT_EQ(e.Message, AnsiString("OLE error 8004FFFF"));
  }
}

}  // namespace
