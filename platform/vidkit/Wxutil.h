// Locking helpers of the DirectShow base classes: a re-entrant critical section and its scope guard.
#pragma once

#include <windows.h>

// A Win32 critical section: the same thread may enter it again (filters call back into
// themselves while holding their lock), so a plain mutex would not serve.
class CCritSec {
public:
  CCritSec() { InitializeCriticalSection(&m_CritSec); }
  // A section held only for a few instructions at a time: a thread that finds it taken spins this
  // many turns before it sleeps, and a sleep (a system call) is rarely needed.
  explicit CCritSec(DWORD spinCount) { InitializeCriticalSectionAndSpinCount(&m_CritSec, spinCount); }
  ~CCritSec() { DeleteCriticalSection(&m_CritSec); }
  CCritSec(const CCritSec&) = delete;
  CCritSec& operator=(const CCritSec&) = delete;

  void Lock() { EnterCriticalSection(&m_CritSec); }
  void Unlock() { LeaveCriticalSection(&m_CritSec); }

  // True when the calling thread holds the section; for assertions and tests.
  bool IsLockedByMe() const
  {
    return m_CritSec.OwningThread == reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId())) &&
           m_CritSec.RecursionCount > 0;
  }

private:
  CRITICAL_SECTION m_CritSec;
};

// Holds a CCritSec for the lifetime of the object.
class CAutoLock {
public:
  explicit CAutoLock(CCritSec* pLock) : m_pLock(pLock) { m_pLock->Lock(); }
  ~CAutoLock() { m_pLock->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

private:
  CCritSec* m_pLock;
};

// An owned Win32 handle (event, semaphore), closed with the object.
class CHandle {
public:
  explicit CHandle(HANDLE h = nullptr) : m_h(h) {}
  ~CHandle() { if (m_h) CloseHandle(m_h); }
  CHandle(const CHandle&) = delete;
  CHandle& operator=(const CHandle&) = delete;
  HANDLE Get() const { return m_h; }
  explicit operator bool() const { return m_h != nullptr; }

private:
  HANDLE m_h;
};
