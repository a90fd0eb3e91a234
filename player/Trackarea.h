// TTrackArea: a light-weight track. The strip itself is invisible at run time (the parent's background
// is the track); a paint box of its own, the thumb, lies on the same parent and slides over the strip
// to show an integer Position between Min and Max. The owner paints the thumb through OnPaint; a drag
// of the thumb moves it and raises OnChange.
//
// The thumb is created only at run time; at design time the strip shows a dashed outline and the
// event setters just keep the events.
//
// Arithmetic at the edges (both cases are never reached by the program's own tracks, which have
// Min 0, Max 0 or more, strips 60 pixels wide and more and a thumb 9 wide):
//  - Placing: thumb Left = Left + ((Width - PaintWidth) * (v - Min)) div (Max - Min + 1), truncated
//    toward zero. It is computed in 64 bits: a control's size is never negative, so the product of a
//    difference of two sizes and a difference of two 32-bit values always fits, and the result is
//    the 32-bit one wherever the 32-bit product would not overflow. Beyond that the exact quotient is
//    taken; only the final left edge is cut to 32 bits. A range with Max - Min + 1 == 0 (Max = Min - 1)
//    has no room to divide: the thumb goes to the strip's left edge, and Position is still set.
//  - Dragging: p = (Max - Min) / (Width - PaintWidth) * d, in floating point, truncated toward zero,
//    then clamped to Min..Max. A strip no wider than its thumb leaves no room to slide: the cursor left
//    of the strip's middle (2d < Width) gives Min, anywhere else Max (with the same clamping, so
//    Min > Max gives Max, as the clamp does elsewhere). The clamping happens before the value is
//    turned into an integer, so no quotient is ever too large for one.
#pragma once

#include "Controls.h"
#include "ExtCtrls.h"

class TTrackArea : public TGraphicControl {
  VCL_DECLARE_CLASS(TTrackArea, TGraphicControl)

public:
  explicit TTrackArea(TOwnerArg owner);
  ~TTrackArea() override;

  void SetParent(TWinControl* value) override;
  // Moving the strip carries the thumb along (and gives it the strip's top and height); resizing the
  // strip leaves the thumb where it is.
  void SetBounds(int left, int top, int width, int height) override;

  int GetMin() const { return FMin; }
  void SetMin(int value) { FMin = value; }
  int GetMax() const { return FMax; }
  void SetMax(int value) { FMax = value; }
  int GetPosition() const { return FPosition; }
  // Places the thumb for v (see above); never raises OnChange. No clamping: a value outside Min..Max
  // places the thumb outside the strip.
  void SetPosition(int value);

  // The thumb's left edge in the parent's coordinates, its width and its canvas (run time only).
  int GetPaintLeft() const;
  int GetPaintWidth() const;
  void SetPaintWidth(int value);
  TCanvas* GetCanvas() const;
  // The thumb's paint event; while there is no thumb (design time), the event kept for it.
  TNotifyEvent GetOnPaint() const;
  // The thumb itself, null at design time.
  TPaintBox* GetThumb() const { return FThumb; }

  TNotifyEvent GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent value) { FOnChange = value; }
  // The mouse and paint events go to the thumb: it raises them, with itself as Sender and coordinates
  // in its own client area. The strip ignores the mouse.
  TMouseEvent GetOnMouseDown() const { return FOnMouseDown; }
  void SetOnMouseDown(TMouseEvent value);
  TMouseEvent GetOnMouseUp() const { return FOnMouseUp; }
  void SetOnMouseUp(TMouseEvent value);
  void SetOnPaint(TNotifyEvent value);

  // The thumb's mouse-move event: drags the thumb while it holds the mouse capture.
  void PaintMouseMove(TObject* sender, TShiftState shift, int x, int y);

protected:
  void Paint() override;

private:
  // Where the thumb's left edge goes for position v.
  int ThumbLeftFor(int value) const;
  // The position for a cursor d pixels right of the strip's left edge.
  int PositionAt(int distance) const;

  TPaintBox* FThumb = nullptr;
  int FMin = 0;
  int FMax = 0;
  int FPosition = 0;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnPaint;
  TMouseEvent FOnMouseDown;
  TMouseEvent FOnMouseUp;
};
