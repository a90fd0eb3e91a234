// Graphics: the canvas, drawing through GDI into a device context it is given or makes on demand.
#include "Consts.h"
#include "Graphics.h"

VCL_IMPLEMENT_CLASS(TCanvas)

namespace {
constexpr int PenModes[] = {
    R2_BLACK,       R2_WHITE,      R2_NOP,        R2_NOT,        R2_COPYPEN,  R2_NOTCOPYPEN,
    R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,     R2_NOTXORPEN,
};

const TCanvasState AllValid = TCanvasState() << csHandleValid << csFontValid << csPenValid << csBrushValid;

std::vector<POINT> ToPoints(const TPoint* points, int count)
{
  std::vector<POINT> result;
  if (!points || count <= 0) return result;
  result.reserve(size_t(count));
  for (int i = 0; i < count; ++i) result.push_back(points[i]);
  return result;
}

}  // namespace

TCanvas::TCanvas() : FFont(new TFont), FPen(new TPen), FBrush(new TBrush)
{
  InitializeCriticalSection(&FLock);
  FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::PenChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas()
{
  // The DC belongs to whoever gave it: it only gets its own objects back.
  SetHandle(nullptr);
  FFont->OnChange = nullptr;
  FPen->OnChange = nullptr;
  FBrush->OnChange = nullptr;
  DeleteCriticalSection(&FLock);
}

HDC TCanvas::GetHandle()
{
  Changing();
  RequiredState(AllValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC value)
{
  if (FHandle == value) return;
  if (FHandle) {
    DeselectHandles();
    FHandle = nullptr;
    FState >> csHandleValid;
  }
  if (!value) return;
  FHandle = value;
  FState << csHandleValid;
}

void TCanvas::RequiredState(TCanvasState required)
{
  TCanvasState needed = required - FState;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation(SNoCanvasHandle);
  }
  if (needed.Contains(csFontValid)) UseFont();
  if (needed.Contains(csPenValid)) UsePen();
  if (needed.Contains(csBrushValid)) UseBrush();
}

void TCanvas::UseFont()
{
  SelectObject(FHandle, FFont->GetHandle());
  SetTextColor(FHandle, ColorToRGB(FFont->GetColor()));
  FState << csFontValid;
}

void TCanvas::UsePen()
{
  SelectObject(FHandle, FPen->GetHandle());
  SetROP2(FHandle, PenModes[FPen->GetMode()]);
  FState << csPenValid;
}

void TCanvas::UseBrush()
{
  HBRUSH brush = FBrush->GetHandle();
  UnrealizeObject(brush);
  SelectObject(FHandle, brush);
  // Text and hatches are drawn on the brush colour when the brush is solid, and on nothing otherwise.
  if (FBrush->GetStyle() == bsSolid) {
    SetBkColor(FHandle, ColorToRGB(FBrush->GetColor()));
    SetBkMode(FHandle, OPAQUE);
  } else {
    SetBkColor(FHandle, ~ColorToRGB(FBrush->GetColor()) & 0xFFFFFF);
    SetBkMode(FHandle, TRANSPARENT);
  }
  FState << csBrushValid;
}

void TCanvas::DeselectHandles()
{
  if (!FHandle) return;
  TCanvasState selected = FState;
  if (selected.Contains(csFontValid)) SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  if (selected.Contains(csPenValid)) SelectObject(FHandle, GetStockObject(BLACK_PEN));
  if (selected.Contains(csBrushValid)) SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
  FState = FState - (TCanvasState() << csFontValid << csPenValid << csBrushValid);
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::FontChanged(TObject*)
{
  if (FState.Contains(csFontValid) && FHandle) SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  FState >> csFontValid;
}

void TCanvas::PenChanged(TObject*)
{
  if (FState.Contains(csPenValid) && FHandle) SelectObject(FHandle, GetStockObject(BLACK_PEN));
  FState >> csPenValid;
}

void TCanvas::BrushChanged(TObject*)
{
  if (FState.Contains(csBrushValid) && FHandle) SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
  FState >> csBrushValid;
}

void TCanvas::Changing()
{
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed()
{
  if (OnChange) OnChange(this);
}

// ---- state ----
TPoint TCanvas::GetPenPos()
{
  RequiredState(TCanvasState() << csHandleValid);
  POINT p{};
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

TRect TCanvas::GetClipRect()
{
  RequiredState(TCanvasState() << csHandleValid);
  RECT r{};
  GetClipBox(FHandle, &r);
  return r;
}

TColor TCanvas::GetPixels(int x, int y)
{
  RequiredState(TCanvasState() << csHandleValid);
  return int(GetPixel(FHandle, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid);
  SetPixel(FHandle, x, y, ColorToRGB(color));
  Changed();
}

// ---- lines and shapes ----
void TCanvas::MoveTo(int x, int y)
{
  RequiredState(TCanvasState() << csHandleValid);
  MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  ::LineTo(FHandle, x, y);
  Changed();
}

void TCanvas::Polyline(const TPoint* points, int count)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  std::vector<POINT> p = ToPoints(points, count);
  if (!p.empty()) ::Polyline(FHandle, p.data(), int(p.size()));
  Changed();
}

void TCanvas::Polygon(const TPoint* points, int count)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  std::vector<POINT> p = ToPoints(points, count);
  if (!p.empty()) ::Polygon(FHandle, p.data(), int(p.size()));
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  ::Rectangle(FHandle, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  ::RoundRect(FHandle, x1, y1, x2, y2, x3, y3);
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  ::Ellipse(FHandle, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  ::Arc(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csPenValid << csBrushValid);
  ::Pie(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::FillRect(const TRect& rect)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csBrushValid);
  RECT r = rect;
  ::FillRect(FHandle, &r, FBrush->GetHandle());
  Changed();
}

void TCanvas::FrameRect(const TRect& rect)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csBrushValid);
  RECT r = rect;
  ::FrameRect(FHandle, &r, FBrush->GetHandle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csBrushValid);
  RECT r = rect;
  ::DrawFocusRect(FHandle, &r);
  Changed();
}

// ---- text ----
void TCanvas::TextOut(int x, int y, const AnsiString& text)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csFontValid << csBrushValid);
  std::wstring w = Utf8ToUtf16(text.str());
  ExtTextOutW(FHandle, x, y, UINT(FTextFlags), nullptr, w.c_str(), UINT(w.size()), nullptr);
  SIZE extent{};
  GetTextExtentPoint32W(FHandle, w.c_str(), int(w.size()), &extent);
  MoveToEx(FHandle, x + int(extent.cx), y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const AnsiString& text)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csFontValid << csBrushValid);
  std::wstring w = Utf8ToUtf16(text.str());
  UINT options = ETO_CLIPPED | UINT(FTextFlags);
  if (FBrush->GetStyle() != bsClear) options |= ETO_OPAQUE;
  RECT r = rect;
  ExtTextOutW(FHandle, x, y, options, &r, w.c_str(), UINT(w.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const AnsiString& text)
{
  RequiredState(TCanvasState() << csHandleValid << csFontValid);
  std::wstring w = Utf8ToUtf16(text.str());
  SIZE size{};
  GetTextExtentPoint32W(FHandle, w.c_str(), int(w.size()), &size);
  return size;
}

// ---- graphics and copies ----
void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
  if (!graphic || graphic->Empty()) return;
  StretchDraw(Rect(x, y, x + graphic->GetWidth(), y + graphic->GetHeight()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic)
{
  if (!graphic || graphic->Empty()) return;
  Changing();
  RequiredState(TCanvasState() << csHandleValid);
  SetBkColor(FHandle, ColorToRGB(FBrush->GetColor()));
  graphic->Draw(this, rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source)
{
  Changing();
  RequiredState(TCanvasState() << csHandleValid << csFontValid << csBrushValid);
  HDC sourceDC = canvas->GetHandle();
  ::StretchBlt(FHandle, dest.Left, dest.Top, dest.Width(), dest.Height(), sourceDC, source.Left, source.Top,
               source.Width(), source.Height(), FCopyMode);
  Changed();
}

// ---- locking ----
void TCanvas::Lock()
{
  EnterCriticalSection(&FLock);
  ++FLockCount;
}

void TCanvas::Unlock()
{
  --FLockCount;
  LeaveCriticalSection(&FLock);
}

bool TCanvas::TryLock()
{
  if (!TryEnterCriticalSection(&FLock)) return false;
  ++FLockCount;
  return true;
}
