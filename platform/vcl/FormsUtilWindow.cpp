// Forms: hidden utility windows whose messages go to a method (AllocateHWnd, DeallocateHWnd).
#include "Forms.h"

#include <memory>

namespace {

const wchar_t UtilWindowClass[] = L"TPUtilWindow";

// Where the window keeps its method until it is destroyed.
struct TUtilWindowData {
  TWndMethod Method;
};

LRESULT CALLBACK UtilWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  auto* data = reinterpret_cast<TUtilWindowData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!data) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete data;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  TMessage message{msg, wParam, lParam, 0};
  try {
    data->Method(message);
  } catch (...) {
    HandleCallbackException(nullptr);
  }
  return message.Result;
}

}  // namespace

HWND AllocateHWnd(TWndMethod method)
{
  const HINSTANCE instance = FindHInstance(UtilWindowClass);
  WNDCLASSW existing{};
  if (!GetClassInfoW(instance, UtilWindowClass, &existing)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = UtilWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = UtilWindowClass;
    if (!RegisterClassW(&wc)) RaiseLastOSError();
  }
  // A top-level window (not a message-only one), so that broadcasts such as WM_SETTINGCHANGE reach it.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, UtilWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
  if (!window) RaiseLastOSError();
  auto data = std::make_unique<TUtilWindowData>(TUtilWindowData{std::move(method)});
  SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(data.release()));
  return window;
}

void DeallocateHWnd(HWND window)
{
  // The window's data goes with WM_NCDESTROY.
  if (window) DestroyWindow(window);
}
