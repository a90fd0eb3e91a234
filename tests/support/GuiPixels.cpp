// GUI test kit: what the screen shows, captured into a 32-bit DIB section.
#include "GuiTest.h"

#include <cstdlib>

namespace ostrel::test {

namespace {

// Handles of one capture, released whatever happens.
struct ScreenDc {
  HDC Dc = GetDC(nullptr);
  ~ScreenDc() { if (Dc) ReleaseDC(nullptr, Dc); }
};
struct MemoryDc {
  HDC Dc;
  explicit MemoryDc(HDC like) : Dc(CreateCompatibleDC(like)) {}
  ~MemoryDc() { if (Dc) DeleteDC(Dc); }
};
struct Dib {
  HBITMAP Bitmap = nullptr;
  void* Bits = nullptr;
  Dib(HDC dc, int width, int height)
  {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    Bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &Bits, nullptr, 0);
  }
  ~Dib() { if (Bitmap) DeleteObject(Bitmap); }
};
struct Selected {
  HDC Dc;
  HGDIOBJ Old;
  Selected(HDC dc, HGDIOBJ obj) : Dc(dc), Old(SelectObject(dc, obj)) {}
  ~Selected() { SelectObject(Dc, Old); }
};

uint32_t ToDib(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
COLORREF FromDib(uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// Copies a memory DC's DIB into a capture.
Pixels FromBits(const void* bits, int width, int height, POINT origin)
{
  Pixels out(width, height, origin);
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.Set(x, y, FromDib(p[static_cast<size_t>(y) * width + x]));
  return out;
}

}  // namespace

Pixels::Pixels(int width, int height, POINT screenOrigin)
    : Width_(width > 0 ? width : 0), Height_(height > 0 ? height : 0), Origin_(screenOrigin),
      Data_(static_cast<size_t>(Width_) * Height_, 0)
{
}

COLORREF Pixels::At(int x, int y) const
{
  if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return CLR_INVALID;
  return FromDib(Data_[static_cast<size_t>(y) * Width_ + x]);
}

void Pixels::Set(int x, int y, COLORREF colour)
{
  if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return;
  Data_[static_cast<size_t>(y) * Width_ + x] = ToDib(colour);
}

COLORREF Pixels::AtClient(HWND hwnd, int x, int y) const
{
  POINT p = ClientToScreenPoint(hwnd, POINT{x, y});
  return At(p.x - Origin_.x, p.y - Origin_.y);
}

RECT Pixels::ClientRect(HWND hwnd, RECT client) const
{
  POINT tl = ClientToScreenPoint(hwnd, POINT{client.left, client.top});
  RECT r{tl.x - Origin_.x, tl.y - Origin_.y, 0, 0};
  r.right = r.left + (client.right - client.left);
  r.bottom = r.top + (client.bottom - client.top);
  return r;
}

int Pixels::Count(COLORREF colour, RECT rect, int tolerance) const
{
  RECT all{0, 0, Width_, Height_};
  RECT in;
  if (!IntersectRect(&in, &rect, &all)) return 0;
  int n = 0;
  for (int y = in.top; y < in.bottom; ++y)
    for (int x = in.left; x < in.right; ++x)
      if (SameColour(At(x, y), colour, tolerance)) ++n;
  return n;
}

int Pixels::Count(COLORREF colour, int tolerance) const
{
  return Count(colour, RECT{0, 0, Width_, Height_}, tolerance);
}

bool SameColour(COLORREF a, COLORREF b, int tolerance)
{
  if (a == CLR_INVALID || b == CLR_INVALID) return a == b;
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void FlushPainting(HWND hwnd)
{
  if (hwnd) RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  GdiFlush();
  // Wine copies what windows painted to the X server when the thread waits for messages, at most
  // every 50 ms: a wait of twice that lets the last painting reach the screen.
  PumpFor(120);
}

Pixels CaptureScreen(RECT screen)
{
  const int width = screen.right - screen.left;
  const int height = screen.bottom - screen.top;
  if (width <= 0 || height <= 0) return {};
  ScreenDc sdc;
  MemoryDc mdc(sdc.Dc);
  Dib dib(sdc.Dc, width, height);
  if (!sdc.Dc || !mdc.Dc || !dib.Bitmap) return {};
  {
    Selected sel(mdc.Dc, dib.Bitmap);
    if (!BitBlt(mdc.Dc, 0, 0, width, height, sdc.Dc, screen.left, screen.top, SRCCOPY | CAPTUREBLT)) return {};
  }
  GdiFlush();
  return FromBits(dib.Bits, width, height, POINT{screen.left, screen.top});
}

Pixels CaptureClient(HWND hwnd)
{
  FlushPainting(hwnd);
  RECT client;
  if (!GetClientRect(hwnd, &client)) return {};
  POINT tl = ClientToScreenPoint(hwnd, POINT{0, 0});
  return CaptureScreen(RECT{tl.x, tl.y, tl.x + client.right, tl.y + client.bottom});
}

Pixels CaptureWindow(HWND hwnd)
{
  FlushPainting(hwnd);
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return {};
  return CaptureScreen(r);
}

Pixels CapturePrintWindow(HWND hwnd)
{
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return {};
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return {};
  ScreenDc sdc;
  MemoryDc mdc(sdc.Dc);
  Dib dib(sdc.Dc, width, height);
  if (!sdc.Dc || !mdc.Dc || !dib.Bitmap) return {};
  {
    Selected sel(mdc.Dc, dib.Bitmap);
    if (!PrintWindow(hwnd, mdc.Dc, 0)) return {};
  }
  GdiFlush();
  return FromBits(dib.Bits, width, height, POINT{r.left, r.top});
}

}  // namespace ostrel::test
