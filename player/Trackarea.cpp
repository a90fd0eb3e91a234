// TTrackArea: the strip, its thumb, placing the thumb for a position and dragging it.
#include "Trackarea.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "TypInfo.h"

namespace {
TUnitInit TrackareaUnitInit("Trackarea");
}  // namespace

VCL_PUBLISHED(TTrackArea)
{
  p.Property("Anchors", &TTrackArea::GetAnchors, &TTrackArea::SetAnchors).Default(TAnchors() << akLeft << akTop);
  p.Property("Cursor", &TTrackArea::GetCursor, &TTrackArea::SetCursor).Default(int(crDefault));
  p.Property("Hint", &TTrackArea::GetHint, &TTrackArea::SetHint);
  p.Property("Min", &TTrackArea::GetMin, &TTrackArea::SetMin).Default(0);
  p.Property("Max", &TTrackArea::GetMax, &TTrackArea::SetMax).Default(0);
  p.Property("OnChange", &TTrackArea::GetOnChange, &TTrackArea::SetOnChange);
  p.Property("OnMouseDown", &TTrackArea::GetOnMouseDown, &TTrackArea::SetOnMouseDown);
  p.Property("OnMouseUp", &TTrackArea::GetOnMouseUp, &TTrackArea::SetOnMouseUp);
  p.Property("OnPaint", &TTrackArea::GetOnPaint, &TTrackArea::SetOnPaint);
}

TTrackArea::TTrackArea(TOwnerArg owner) : TGraphicControl(owner)
{
  SetBounds(GetLeft(), GetTop(), 40, 20);
  if (HasState(csDesigning)) return;
  // Owned by the strip, so it goes with it; its parent is given when the strip gets one.
  FThumb = new TPaintBox(this);
  FThumb->OnMouseMove = TMouseMoveEvent(this, &TTrackArea::PaintMouseMove);
}

// The thumb is an owned component: the inherited destructor frees it. From here on nothing may reach
// it through the strip.
TTrackArea::~TTrackArea() { FThumb = nullptr; }

void TTrackArea::SetParent(TWinControl* value)
{
  TGraphicControl::SetParent(value);
  if (FThumb) FThumb->SetParent(value);
}

void TTrackArea::SetBounds(int left, int top, int width, int height)
{
  const int oldLeft = GetLeft();
  TGraphicControl::SetBounds(left, top, width, height);
  if (!FThumb) return;
  // Wraps as the 32-bit sum would instead of overflowing.
  const int thumbLeft = static_cast<int>(int64_t(FThumb->GetLeft()) + left - oldLeft);
  FThumb->SetBounds(thumbLeft, top, FThumb->GetWidth(), height);
}

int TTrackArea::ThumbLeftFor(int value) const
{
  // Sizes are never negative, so |span| < 2^31 and |offset| < 2^32: the product fits in 64 bits.
  const int64_t span = int64_t(GetWidth()) - FThumb->GetWidth();
  const int64_t offset = int64_t(value) - FMin;
  const int64_t divisor = int64_t(FMax) - FMin + 1;
  const int64_t shift = divisor == 0 ? 0 : span * offset / divisor;  // C++ division truncates toward zero
  return static_cast<int>(int64_t(GetLeft()) + shift);
}

void TTrackArea::SetPosition(int value)
{
  if (value == FPosition) return;
  if (FThumb) FThumb->SetLeft(ThumbLeftFor(value));
  FPosition = value;
}

int TTrackArea::PositionAt(int distance) const
{
  const int64_t room = int64_t(GetWidth()) - FThumb->GetWidth();
  double p;
  if (room <= 0) p = 2 * int64_t(distance) < GetWidth() ? FMin : FMax;
  else p = (double(FMax) - double(FMin)) / double(room) * double(distance);
  // Clamping before truncating gives what truncating first would (the bounds are whole numbers) and
  // keeps the value within an int.
  p = std::max(p, double(FMin));
  p = std::min(p, double(FMax));
  return static_cast<int>(std::trunc(p));
}

void TTrackArea::PaintMouseMove(TObject*, TShiftState, int x, int)
{
  if (!FThumb || GetCaptureControl() != FThumb) return;
  const int distance = static_cast<int>(int64_t(FThumb->GetLeft()) + x - GetLeft());
  SetPosition(PositionAt(distance));
  FThumb->Update();
  if (FOnChange) FOnChange(this);
}

int TTrackArea::GetPaintLeft() const { return FThumb->GetLeft(); }

int TTrackArea::GetPaintWidth() const { return FThumb->GetWidth(); }

void TTrackArea::SetPaintWidth(int value) { FThumb->SetWidth(value); }

TCanvas* TTrackArea::GetCanvas() const { return FThumb->GetCanvas(); }

TNotifyEvent TTrackArea::GetOnPaint() const { return FThumb ? FThumb->OnPaint : FOnPaint; }

void TTrackArea::SetOnMouseDown(TMouseEvent value)
{
  FOnMouseDown = value;
  if (FThumb) FThumb->OnMouseDown = value;
}

void TTrackArea::SetOnMouseUp(TMouseEvent value)
{
  FOnMouseUp = value;
  if (FThumb) FThumb->OnMouseUp = value;
}

void TTrackArea::SetOnPaint(TNotifyEvent value)
{
  FOnPaint = value;
  if (FThumb) FThumb->OnPaint = value;
}

void TTrackArea::Paint()
{
  TGraphicControl::Paint();
  if (!HasState(csDesigning)) return;
  TCanvas* canvas = TGraphicControl::GetCanvas();
  canvas->GetPen()->SetStyle(psDash);
  canvas->GetBrush()->SetStyle(bsClear);
  canvas->Rectangle(0, 0, GetWidth(), GetHeight());
}
