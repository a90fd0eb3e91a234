// Shared by the input tests of the standard controls: a form that goes with the test, real input
// at a control's client points, and an event recorder.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "ControlsTestSupport.h"
#include "ExtCtrls.h"
#include "GuiTest.h"
#include "StdCtrls.h"

namespace stdinput {

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};
using TFormPtr = std::unique_ptr<TForm, FormDeleter>;

// A control of type T on the form, placed and shown.
template <class T>
T* Place(TWinControl* parent, int left, int top, int width, int height)
{
  auto* control = new T(parent->Owner() ? parent->Owner() : parent);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

inline bool ClickAt(TWinControl* control, int x, int y) { return ostrel::test::Click(control->GetHandle(), POINT{x, y}); }
inline bool FocusOn(TWinControl* control) { return ostrel::test::Focus(control->GetHandle()); }

// A press and release (with moves between) sent as one batch of real input: scroll bars track the
// mouse in a loop of their own from the press on, which must find the release already queued.
inline bool PressPath(HWND hwnd, std::vector<POINT> path)
{
  std::vector<INPUT> inputs;
  for (size_t i = 0; i < path.size(); ++i) {
    const POINT at = ostrel::test::AbsoluteInputPoint(ostrel::test::ClientToScreenPoint(hwnd, path[i]));
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = at.x;
    input.mi.dy = at.y;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    inputs.push_back(input);
    if (i == 0) {
      input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
      inputs.push_back(input);
    }
  }
  INPUT up = inputs.back();
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  inputs.push_back(up);
  if (!ostrel::test::MakeForeground(hwnd)) return false;
  if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) return false;
  ostrel::test::PumpUntil([] { return GetKeyState(VK_LBUTTON) >= 0; }, 2000);
  ostrel::test::PumpMessages();
  return true;
}

// Counts and records the events it hears.
class TRecorder : public TObject {
  VCL_DECLARE_CLASS(TRecorder, TObject)
  TRecorder() = default;
  int Clicks = 0;
  int Changes = 0;
  int DropDowns = 0;
  std::vector<TScrollCode> Codes;
  std::vector<int> ScrollPositions;
  int ForcedPosition = -1;
  int Wheels = 0;
  void WheelTaken(TObject*, TShiftState, int, const TPoint&, bool& handled)
  {
    ++Wheels;
    handled = true;
  }
  void Clicked(TObject*) { ++Clicks; }
  void Changed(TObject*) { ++Changes; }
  void DroppedDown(TObject*) { ++DropDowns; }
  void Scrolled(TObject*, TScrollCode code, int& pos)
  {
    Codes.push_back(code);
    if (ForcedPosition >= 0 && code != scEndScroll) pos = ForcedPosition;
    ScrollPositions.push_back(pos);
  }
};

}  // namespace stdinput
