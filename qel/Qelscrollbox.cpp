// TQelScrollBox: the wheel's distance, its published WheelIncrement and registration.
#include "Qelscrollbox.h"

#include <algorithm>
#include <climits>

#include "TypInfo.h"

VCL_PUBLISHED(TQelScrollBox)
{
  p.Property("WheelIncrement", &TQelScrollBox::GetWheelIncrement, &TQelScrollBox::SetWheelIncrement).Default(0);
}

TQelScrollBox::TQelScrollBox(TOwnerArg owner) : TScrollBox(owner) {}

TQelScrollBox::~TQelScrollBox() = default;

int TQelScrollBox::WheelNotchDistance() const
{
  if (FWheelIncrement != 0) return FWheelIncrement;
  // Read each time: the user may change the setting while the program runs.
  UINT lines = 3;
  if (!SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) lines = 3;
  TControlScrollBar* bar = GetVertScrollBar();
  // "One screen at a time" is a page: what the box shows.
  if (lines == WHEEL_PAGESCROLL) return std::max(bar->ControlSize(), 1);
  const long long distance = static_cast<long long>(lines) * bar->GetIncrement();
  return int(std::min<long long>(distance, INT_MAX / 2));
}

bool TQelScrollBox::DoMouseWheel(TShiftState Shift, int WheelDelta, const TPoint& MousePos)
{
  // Whole notches scroll; the parts a fine-grained wheel sends add up until they make one. A turn
  // the other way starts again.
  if ((FWheelRemainder > 0 && WheelDelta < 0) || (FWheelRemainder < 0 && WheelDelta > 0)) FWheelRemainder = 0;
  FWheelRemainder += WheelDelta;
  const int notches = FWheelRemainder / WHEEL_DELTA;  // truncates toward zero
  FWheelRemainder -= notches * WHEEL_DELTA;
  if (notches != 0) {
    TControlScrollBar* bar = GetVertScrollBar();
    const long long target = static_cast<long long>(bar->GetPosition()) - static_cast<long long>(notches) * WheelNotchDistance();
    bar->SetPosition(int(std::clamp<long long>(target, INT_MIN, INT_MAX)));  // the bar keeps it in its range
  }
  // The wheel events, but not TScrollingWinControl's own wheel scrolling in DoMouseWheelDown/Up,
  // which would move the box a second time.
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (!handled) {
    if (WheelDelta < 0) TWinControl::DoMouseWheelDown(Shift, MousePos);
    else TWinControl::DoMouseWheelUp(Shift, MousePos);
  }
  return true;
}

namespace {

TUnitInit QelscrollboxUnitInit("Qelscrollbox", [] { RegisterClass(TQelScrollBox::StaticClass()); });

}  // namespace
