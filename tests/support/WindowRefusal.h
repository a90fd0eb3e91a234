// Making window creation fail for real, to test what code does when the platform refuses it. Plain
// Win32 (no VCL), so any test executable may use it.
#pragma once

#include <windows.h>

#include <string>

namespace ostrel::test {

// While in scope, CreateWindowEx of windows of one class fails on the calling thread: a WH_CBT hook
// of the thread answers 1 to HCBT_CREATEWND for them, which is the platform's own veto. Other
// classes and other threads are untouched.
class WindowRefusal {
public:
  explicit WindowRefusal(const wchar_t* className)
  {
    ClassName() = className;
    Count() = 0;
    hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
  }
  ~WindowRefusal()
  {
    if (hook_) UnhookWindowsHookEx(hook_);
    ClassName().clear();
  }
  WindowRefusal(const WindowRefusal&) = delete;
  WindowRefusal& operator=(const WindowRefusal&) = delete;

  bool Installed() const { return hook_ != nullptr; }
  // How many windows were refused so far.
  int Refused() const { return Count(); }

private:
  static std::wstring& ClassName()
  {
    thread_local std::wstring name;
    return name;
  }
  static int& Count()
  {
    thread_local int count = 0;
    return count;
  }
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
  {
    if (code == HCBT_CREATEWND && !ClassName().empty()) {
      wchar_t name[256] = {};
      GetClassNameW(reinterpret_cast<HWND>(wParam), name, 256);
      if (lstrcmpiW(name, ClassName().c_str()) == 0) {
        ++Count();
        return 1;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  HHOOK hook_ = nullptr;
};

// The window of this thread of a class, below parent (nullptr: the top-level windows; HWND_MESSAGE:
// the message-only ones), or null. Windows of other processes sharing the display are passed over.
inline HWND FindThreadWindow(HWND parent, const wchar_t* className)
{
  for (HWND window = FindWindowExW(parent, nullptr, className, nullptr); window;
       window = FindWindowExW(parent, window, className, nullptr))
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return window;
  return nullptr;
}

}  // namespace ostrel::test
