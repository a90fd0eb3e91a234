// The library's scroll box. The wheel scrolls the vertical bar: each notch by the platform's
// wheel-scroll lines times the bar's Increment, or by WheelIncrement when that is not 0, down for a
// notch towards the user; then the wheel events fire, and the box keeps the wheel (never its parent).
#pragma once

#include "Forms.h"

class TQelScrollBox : public TScrollBox {
  VCL_DECLARE_CLASS(TQelScrollBox, TScrollBox)
  explicit TQelScrollBox(TOwnerArg owner);
  ~TQelScrollBox() override;

  // The distance of one notch in pixels (negative turns the direction round); 0: the platform's lines.
  int GetWheelIncrement() const { return FWheelIncrement; }
  void SetWheelIncrement(int value) { FWheelIncrement = value; }
  // The distance one notch down scrolls now.
  int WheelNotchDistance() const;

protected:
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, const TPoint& MousePos) override;

private:
  int FWheelIncrement = 0;
  // What a fine-grained wheel sent of a notch not yet whole, in the direction it turns.
  int FWheelRemainder = 0;
};
