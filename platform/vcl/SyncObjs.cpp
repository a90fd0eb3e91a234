#include "SyncObjs.h"

#include "SysUtils.h"

THandleObject::~THandleObject()
{
  if (FHandle) CloseHandle(FHandle);
}

TEvent::TEvent(LPSECURITY_ATTRIBUTES eventAttributes, bool manualReset, bool initialState, const AnsiString& name)
{
  const WideString wideName(name);
  FHandle = CreateEventW(eventAttributes, manualReset, initialState, name.IsEmpty() ? nullptr : wideName.c_str());
  if (!FHandle) RaiseLastOSError();
}

TWaitResult TEvent::WaitFor(DWORD timeout)
{
  switch (WaitForSingleObject(FHandle, timeout)) {
    case WAIT_OBJECT_0:
      return wrSignaled;
    case WAIT_TIMEOUT:
      return wrTimeout;
    case WAIT_ABANDONED:
      return wrAbandoned;
    default:
      FLastError = static_cast<int>(::GetLastError());
      return wrError;
  }
}

void TEvent::SetEvent() { ::SetEvent(FHandle); }
void TEvent::ResetEvent() { ::ResetEvent(FHandle); }

TCriticalSection::TCriticalSection() { InitializeCriticalSection(&FSection); }
TCriticalSection::~TCriticalSection() { DeleteCriticalSection(&FSection); }
void TCriticalSection::Acquire() { EnterCriticalSection(&FSection); }
void TCriticalSection::Release() { LeaveCriticalSection(&FSection); }
bool TCriticalSection::TryEnter() { return TryEnterCriticalSection(&FSection) != 0; }
