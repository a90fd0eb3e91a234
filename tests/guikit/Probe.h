// A window for the kit's tests that records the input messages it gets, with this thread's view of
// the modifier keys at the moment each was handled.
#pragma once
#include "GuiTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ostrel::test {

struct Event {
  UINT Msg = 0;
  WPARAM W = 0;
  LPARAM L = 0;
  bool ShiftDown = false;
  bool CtrlDown = false;
  bool AltDown = false;
  HWND Capture = nullptr;

  POINT Point() const { return POINT{static_cast<short>(LOWORD(L)), static_cast<short>(HIWORD(L))}; }
};

inline bool IsInputMessage(UINT msg)
{
  return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
         msg == WM_CONTEXTMENU;
}

class Probe {
 public:
  // A top-level window with client area `client` at screen position, filled with `colour`.
  explicit Probe(RECT client, COLORREF colour = RGB(240, 240, 240), bool captureOnPress = false)
      : Colour(colour), CaptureOnPress(captureOnPress),
        Window(std::make_unique<TestWindow>(client, [this](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
          return Handle(h, m, w, l, r);
        }))
  {
  }

  HWND Handle() const { return Window->Handle(); }
  std::vector<Event> Of(UINT msg) const
  {
    std::vector<Event> out;
    for (const Event& e : Events)
      if (e.Msg == msg) out.push_back(e);
    return out;
  }
  std::vector<UINT> Sequence(std::initializer_list<UINT> only) const
  {
    std::vector<UINT> out;
    for (const Event& e : Events)
      for (UINT m : only)
        if (e.Msg == m) out.push_back(m);
    return out;
  }

  COLORREF Colour;
  bool CaptureOnPress;
  std::vector<Event> Events;
  std::unique_ptr<TestWindow> Window;

 private:
  bool Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
  {
    if (IsInputMessage(msg)) {
      Event e{msg, wp, lp, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0, GetCapture()};
      Events.push_back(e);
    }
    if (CaptureOnPress && msg == WM_LBUTTONDOWN) SetCapture(hwnd);
    if (CaptureOnPress && msg == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
    // Alt+letter would otherwise start the platform's keyboard menu loop in DefWindowProc.
    if (msg == WM_SYSCHAR) return true;
    if (msg == WM_ERASEBKGND) {
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH brush = CreateSolidBrush(Colour);
      FillRect(reinterpret_cast<HDC>(wp), &r, brush);
      DeleteObject(brush);
      result = 1;
      return true;
    }
    return false;
  }
};

}  // namespace ostrel::test
