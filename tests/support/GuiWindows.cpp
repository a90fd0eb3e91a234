// GUI test kit: plain windows whose messages go to a test's handler.
#include "GuiTest.h"

#include <exception>

namespace ostrel::test {

namespace {

const wchar_t* const ClassName = L"OstrelTestWindow";

ATOM RegisterTestClass()
{
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // Double clicks are reported, as most of the system's controls want them.
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = ClassName;
    return RegisterClassExW(&wc);
  }();
  return atom;
}

}  // namespace

TestWindow::TestWindow(RECT client, Handler handler, HWND parent, DWORD style, const wchar_t* title)
    : Handler_(std::move(handler))
{
  RegisterTestClass();
  if (!style) style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  RECT outer = client;
  if (!parent) AdjustWindowRectEx(&outer, style, FALSE, 0);
  // Created hidden and shown once the handler is in place, so that it sees the first paint.
  Hwnd_ = CreateWindowExW(0, ClassName, title, style & ~WS_VISIBLE, outer.left, outer.top, outer.right - outer.left,
                          outer.bottom - outer.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!Hwnd_) return;
  SetWindowLongPtrW(Hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(Hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TestWindow::Proc));
  if (style & WS_VISIBLE) {
    ShowWindow(Hwnd_, SW_SHOW);
    UpdateWindow(Hwnd_);
  }
}

TestWindow::~TestWindow()
{
  if (Hwnd_ && IsWindow(Hwnd_)) {
    SetWindowLongPtrW(Hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(Hwnd_);
  }
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && self->Handler_) {
    // A failing handler is recorded for the test to report; it must not unwind through the system.
    try {
      LRESULT result = 0;
      if (self->Handler_(hwnd, msg, wp, lp, result)) return result;
    } catch (const std::exception& e) {
      if (self->Failure_.empty()) self->Failure_ = e.what();
    } catch (...) {
      if (self->Failure_.empty()) self->Failure_ = "unknown exception";
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace ostrel::test
