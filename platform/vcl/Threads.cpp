#include "Threads.h"

#include <process.h>

#include <atomic>
#include <deque>
#include <memory>

#include "Consts.h"

// ---------------------------------------------------------------------------------------------------
// Main-thread synchronisation: a queue of waiting calls, an event that is set while the queue is not
// empty, and a hidden window on the main thread that a posted message wakes to run the queue from
// the message loop.

namespace {

const DWORD g_mainThreadID = GetCurrentThreadId();
constexpr UINT WM_VCL_SYNCHRONIZE = WM_APP + 0x3F00;
const wchar_t kSyncWindowClass[] = L"OstrelVclSyncWindow";

struct SyncRequest {
  TThread::TThreadMethod method;
  HANDLE done = nullptr;
  std::exception_ptr error;
};

class SyncQueue {
public:
  SyncQueue() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) { InitializeCriticalSection(&lock_); }
  ~SyncQueue()
  {
    DeleteCriticalSection(&lock_);
    if (event_) CloseHandle(event_);
  }
  SyncQueue(const SyncQueue&) = delete;
  SyncQueue& operator=(const SyncQueue&) = delete;

  HANDLE Event() const { return event_; }
  HWND Window() const { return window_; }
  void SetWindow(HWND window) { window_ = window; }
  // Whether the window could not be made the last time the main thread tried, and the system's
  // reason (0 when it gave none, as when a hook refused the window).
  bool WindowFailed() const { return windowFailed_; }
  DWORD WindowError() const { return windowError_; }
  void SetWindowFailure(bool failed, DWORD error)
  {
    windowError_ = error;
    windowFailed_ = failed;
  }

  void Push(SyncRequest* request)
  {
    EnterCriticalSection(&lock_);
    requests_.push_back(request);
    SetEvent(event_);
    LeaveCriticalSection(&lock_);
  }

  SyncRequest* Pop()
  {
    EnterCriticalSection(&lock_);
    SyncRequest* request = nullptr;
    if (!requests_.empty()) {
      request = requests_.front();
      requests_.pop_front();
    }
    if (requests_.empty()) ResetEvent(event_);
    LeaveCriticalSection(&lock_);
    return request;
  }

private:
  CRITICAL_SECTION lock_;
  HANDLE event_;
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> windowFailed_{false};
  std::atomic<DWORD> windowError_{0};
  std::deque<SyncRequest*> requests_;
};

SyncQueue& Queue()
{
  static SyncQueue queue;
  return queue;
}

LRESULT CALLBACK SyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  // A window destroyed behind our back is made again on the main thread's next use.
  if (message == WM_NCDESTROY && Queue().Window() == window) Queue().SetWindow(nullptr);
  if (message != WM_VCL_SYNCHRONIZE) return DefWindowProcW(window, message, wParam, lParam);
  // CheckSynchronize keeps each call's exception for its caller; nothing escapes here.
  CheckSynchronize();
  return 0;
}

// RaiseLastOSError's exception for an error kept from earlier (0: the system gave no reason).
[[noreturn]] void RaiseOSError(DWORD error)
{
  SetLastError(error);
  RaiseLastOSError();
}

// Made on the main thread the first time the main thread touches threads, so that posted wake-ups
// reach a message loop on that thread. Answers false when it cannot be made, and keeps that, so
// that a Synchronize from another thread raises instead of waiting for a wake-up that can never
// come. Other threads leave it to the main thread.
bool EnsureSyncWindow()
{
  if (GetCurrentThreadId() != g_mainThreadID || Queue().Window()) return true;
  WNDCLASSW wc{};
  wc.lpfnWndProc = SyncWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kSyncWindowClass;
  WNDCLASSW existing{};
  // A class left registered by an earlier window of ours is fine.
  if (!GetClassInfoW(wc.hInstance, kSyncWindowClass, &existing) && !RegisterClassW(&wc) &&
      GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    Queue().SetWindowFailure(true, GetLastError());
    return false;
  }
  const HWND window = CreateWindowExW(0, kSyncWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (!window) {
    Queue().SetWindowFailure(true, GetLastError());
    return false;
  }
  Queue().SetWindow(window);
  Queue().SetWindowFailure(false, 0);
  return true;
}

void RunRequest(SyncRequest& request)
{
  try {
    request.method();
  } catch (...) {
    request.error = std::current_exception();
  }
  SetEvent(request.done);
}

int WinPriority(TThreadPriority priority)
{
  static const int map[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,  THREAD_PRIORITY_BELOW_NORMAL,
                            THREAD_PRIORITY_NORMAL,       THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                            THREAD_PRIORITY_TIME_CRITICAL};
  return map[priority];
}

}  // namespace

DWORD GetMainThreadID() { return g_mainThreadID; }
HANDLE GetSyncEvent() { return Queue().Event(); }

bool CheckSynchronize(DWORD timeout)
{
  if (GetCurrentThreadId() != g_mainThreadID) return false;
  EnsureSyncWindow();
  if (timeout && WaitForSingleObject(Queue().Event(), timeout) != WAIT_OBJECT_0) return false;
  bool ran = false;
  while (SyncRequest* request = Queue().Pop()) {
    RunRequest(*request);
    ran = true;
  }
  return ran;
}

void TThread::Synchronize(TThread*, const TThreadMethod& method)
{
  if (!method) return;
  if (GetCurrentThreadId() == g_mainThreadID) {
    method();
    return;
  }
  SyncRequest request;
  request.method = method;
  // Without the window nothing would wake the main thread's message loop: say so rather than wait.
  if (!Queue().Window() && Queue().WindowFailed()) RaiseOSError(Queue().WindowError());
  request.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!request.done) RaiseLastOSError();
  Queue().Push(&request);
  if (HWND window = Queue().Window()) PostMessageW(window, WM_VCL_SYNCHRONIZE, 0, 0);
  WaitForSingleObject(request.done, INFINITE);
  CloseHandle(request.done);
  if (request.error) std::rethrow_exception(request.error);
}

// ---------------------------------------------------------------------------------------------------
// TThread

VCL_IMPLEMENT_CLASS(TThread)

void TThread::BeforeDestruction()
{
  TerminateAndWait();
  inherited::BeforeDestruction();
}

TThread::TThread(bool createSuspended)
{
  if (!EnsureSyncWindow()) RaiseOSError(Queue().WindowError());
  unsigned id = 0;
  // Always made suspended, so that the fields are set before the thread can look at them.
  const uintptr_t handle = _beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id);
  if (!handle) throw EThread(SThreadCreateError, {SysErrorMessage(GetLastError())});
  FHandle = reinterpret_cast<HANDLE>(handle);
  FThreadID = id;
  FSuspended = true;
  if (!createSuspended) Resume();
}

TThread::~TThread()
{
  TerminateAndWait();
  if (FHandle) CloseHandle(FHandle);
}

void TThread::TerminateAndWait()
{
  if (!FHandle || FFinished || GetCurrentThreadId() == FThreadID) return;
  Terminate();
  // Never started: end it without running Execute.
  if (FSuspended && !FStarted) FSkipExecute = true;
  while (FSuspended) Resume();
  WaitFor();
}

unsigned __stdcall TThread::ThreadProc(void* parameter)
{
  TThread* thread = static_cast<TThread*>(parameter);
  // Nothing may escape a thread entry: the object keeps what Execute raised.
  try {
    return thread->Run();
  } catch (...) {
  }
  return 0;
}

unsigned TThread::Run()
{
  FStarted = true;
  if (!FSkipExecute) {
    try {
      Execute();
    } catch (...) {
      FFatalException = std::current_exception();
    }
    try {
      DoTerminate();
    } catch (...) {
    }
  }
  const bool freeOnTerminate = FFreeOnTerminate && !FSkipExecute;
  const unsigned result = static_cast<unsigned>(FReturnValue);
  FFinished = true;
  if (freeOnTerminate) delete this;  // the thread owns itself
  return result;
}

void TThread::DoTerminate()
{
  if (FOnTerminate) Synchronize(this, [this] { FOnTerminate(this); });
}

void TThread::Resume()
{
  // The previous suspend count: 1 means it runs now, 0 that it ran already; failure ends the attempt.
  const DWORD previous = ResumeThread(FHandle);
  if (previous <= 1 || previous == static_cast<DWORD>(-1)) FSuspended = false;
}

void TThread::Suspend()
{
  if (FFinished) return;
  if (SuspendThread(FHandle) != static_cast<DWORD>(-1)) FSuspended = true;
}

void TThread::Terminate() { FTerminated = true; }

DWORD TThread::WaitFor()
{
  const HANDLE handle = FHandle;
  if (GetCurrentThreadId() == g_mainThreadID) {
    const HANDLE handles[2] = {handle, GetSyncEvent()};
    for (;;) {
      const DWORD r = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
      if (r != WAIT_OBJECT_0 + 1) break;
      CheckSynchronize();
    }
  } else {
    WaitForSingleObject(handle, INFINITE);
  }
  DWORD code = 0;
  GetExitCodeThread(handle, &code);
  return code;
}

TThreadPriority TThread::GetPriority() const
{
  const int p = GetThreadPriority(FHandle);
  for (int i = tpIdle; i <= tpTimeCritical; ++i)
    if (WinPriority(static_cast<TThreadPriority>(i)) == p) return static_cast<TThreadPriority>(i);
  return tpNormal;
}

void TThread::SetPriority(TThreadPriority value) { SetThreadPriority(FHandle, WinPriority(value)); }

AnsiString TThread::GetFatalMessage() const
{
  if (!FFatalException) return {};
  try {
    std::rethrow_exception(FFatalException);
  } catch (const std::exception& e) {
    return AnsiString(e.what());
  } catch (...) {
    return AnsiString("Unknown exception");
  }
}
