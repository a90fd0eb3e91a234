// Shared by the tests of the common controls: a form per test, controls placed on it, presses that
// must find their release already queued, and where a control's client rectangle lies on the screen
// (mirrored windows count their client x from the right edge).
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ComCtrls.h"
#include "StdInputSupport.h"

namespace comctl {

using stdinput::Place;
using stdinput::TFormPtr;
namespace gt = ostrel::test;

// A press and a release at one client point, queued together: track bars and up-downs follow a
// press in a loop or timer of their own until the button comes up.
inline bool ClickQueued(HWND hwnd, POINT client) { return stdinput::PressPath(hwnd, {client}); }

// A client rectangle of hwnd on the screen (left < right whatever the window's layout).
inline RECT ScreenRect(HWND hwnd, RECT client)
{
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  if (client.left > client.right) std::swap(client.left, client.right);
  return client;
}

inline int CenterX(const RECT& r) { return (r.left + r.right) / 2; }
inline POINT Center(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Saves what the screen shows of the window under build/<target>/screens and answers whether it
// was written.
inline bool SaveScreen(HWND hwnd, const std::string& name) { return !gt::SavePng(hwnd, name).empty(); }

// A fresh form of that client size for each test.
class ComCtrlsTest : public ::testing::Test {
protected:
  void SetUp() override { Form.reset(ctltest::NewForm(420, 300, clBtnFace)); }
  TFormPtr Form;
};

}  // namespace comctl
