// The cost of the VCL stand-in's forms against a hand-written Win32 window of the same content:
//   formsbench PICTURE.bmp STRIP.bmp
// The test form (read from its stored form: a panel with a label, a 24-bit picture under a
// transparent label, three speed buttons, an edit, two buttons, a status label, an action list and a
// popup menu) is made and shown, and repainted whole; the Win32 window does the same with child
// windows and GDI calls written by hand. Rounds alternate between the two; each figure is the median
// of its rounds; the ratios follow (lower: the stand-in is closer to plain Win32). Then the same for
// a form of 200 standard and common controls (FormsControls.cpp).
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "Benchclock.h"
#include "ControlsFixtures.h"
#include "FormsControls.h"

namespace {

constexpr int Rounds = 40;

using bench::Median;
using bench::Pump;
using bench::Seconds;

// ---------------------------------------------------------------------------------------------------
// The same window by hand: child windows and GDI only.
HBITMAP Picture = nullptr;
HBITMAP Strip = nullptr;
HFONT Font = nullptr;
HFONT BoldFont = nullptr;

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int w, int h, int srcX)
{
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, w, h, memory, srcX, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void DrawLabel(HDC dc, const wchar_t* text, int x, int y, COLORREF colour, HFONT font)
{
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  HGDIOBJ old = SelectObject(dc, font);
  TextOutW(dc, x, y, text, lstrlenW(text));
  SelectObject(dc, old);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
    FillRect(dc, &r, navy);
    DeleteObject(navy);
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    DrawLabel(dc, L"Ostrel controls", 10, 10, RGB(255, 255, 255), BoldFont);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HDC memory = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(memory, Picture);
      StretchBlt(dc, 12, 48, 160, 100, memory, 0, 0, 160, 100, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
      DrawLabel(dc, L"Over the picture", 20, 56, RGB(255, 255, 255), Font);
      for (int i = 0; i < 3; ++i) {
        RECT r{190 + 32 * i, 56, 214 + 32 * i, 80};
        DrawEdge(dc, &r, i == 0 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        DrawBitmap(dc, Strip, r.left + 2, r.top + 2, 20, 20, (i == 0 ? 72 : 0) + 2);
      }
      DrawLabel(dc, L"Ready", 12, 212, RGB(0, 0, 0), Font);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

struct HandWindow {
  HWND Main = nullptr;
  HMENU Menu = nullptr;
};

HandWindow MakeHandWindow()
{
  HandWindow w;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  w.Main = CreateWindowExW(0, L"BenchMain", L"Ostrel test form", WS_POPUP | WS_CLIPCHILDREN, 120, 90, 360, 240, nullptr,
                           nullptr, instance, nullptr);
  HWND panel = CreateWindowExW(0, L"BenchPanel", L"", WS_CHILD | WS_VISIBLE, 0, 0, 360, 36, w.Main, nullptr, instance, nullptr);
  (void)panel;
  HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 190, 96,
                              150, 21, w.Main, nullptr, instance, nullptr);
  HWND ok = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 190, 128, 72, 25,
                            w.Main, nullptr, instance, nullptr);
  HWND fail = CreateWindowExW(0, L"BUTTON", L"Fail", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 268, 128, 72, 25, w.Main, nullptr,
                              instance, nullptr);
  for (HWND child : {edit, ok, fail}) SendMessageW(child, WM_SETFONT, WPARAM(Font), 0);
  w.Menu = CreatePopupMenu();
  AppendMenuW(w.Menu, MF_STRING, 1, L"Go");
  AppendMenuW(w.Menu, MF_STRING, 2, L"About");
  SetMenuDefaultItem(w.Menu, 1, FALSE);
  ShowWindow(w.Main, SW_SHOWNOACTIVATE);
  UpdateWindow(w.Main);
  return w;
}

void DestroyHandWindow(HandWindow& w)
{
  DestroyMenu(w.Menu);
  DestroyWindow(w.Main);
}

void RegisterHandClasses()
{
  WNDCLASSW wc{};
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = L"BenchMain";
  RegisterClassW(&wc);
  wc.lpfnWndProc = PanelProc;
  wc.lpszClassName = L"BenchPanel";
  RegisterClassW(&wc);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
  if (argc != 3) {
    std::fputs("usage: formsbench PICTURE.bmp STRIP.bmp\n", stderr);
    return 2;
  }
  Picture = static_cast<HBITMAP>(LoadImageW(nullptr, argv[1], IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  Strip = static_cast<HBITMAP>(LoadImageW(nullptr, argv[2], IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (!Picture || !Strip) {
    std::fputs("formsbench: cannot load the bitmaps\n", stderr);
    return 1;
  }
  Font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  BoldFont = CreateFontW(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  RegisterHandClasses();
  RegisterControlsTestClasses();

  try {
    std::vector<double> vclCreate, handCreate, vclPaint, handPaint;
    // One of each first: classes, fonts and caches are made once.
    {
      std::unique_ptr<TTestForm> warm(new TTestForm(Application));
      warm->Show();
      warm->Update();
      HandWindow hand = MakeHandWindow();
      DestroyHandWindow(hand);
    }
    Pump();
    for (int round = 0; round < Rounds; ++round) {
      double start = Seconds();
      std::unique_ptr<TTestForm> form(new TTestForm(Application));
      form->Show();
      form->Update();
      vclCreate.push_back(Seconds() - start);

      start = Seconds();
      HandWindow hand = MakeHandWindow();
      handCreate.push_back(Seconds() - start);

      start = Seconds();
      RedrawWindow(form->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      vclPaint.push_back(Seconds() - start);

      start = Seconds();
      RedrawWindow(hand.Main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      handPaint.push_back(Seconds() - start);

      form.reset();
      DestroyHandWindow(hand);
      Pump();
    }
    const double vc = Median(vclCreate), hc = Median(handCreate), vp = Median(vclPaint), hp = Median(handPaint);
    std::printf("vcl_create_show_ms: %.3f\n", vc * 1000);
    std::printf("win32_create_show_ms: %.3f\n", hc * 1000);
    std::printf("vcl_paint_ms: %.3f\n", vp * 1000);
    std::printf("win32_paint_ms: %.3f\n", hp * 1000);
    std::printf("create_vs_win32: %.2f\n", vc / hc);
    std::printf("paint_vs_win32: %.2f\n", vp / hp);
    std::fflush(stdout);
    bench::BenchControls(15);
  } catch (const Exception& e) {
    std::fprintf(stderr, "formsbench: %s\n", e.Message.c_str());
    return 1;
  }
  std::fflush(stdout);
  return 0;
}
