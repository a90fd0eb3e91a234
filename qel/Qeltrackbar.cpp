// TQelTrackBar and its registration for stored forms.
#include "Qeltrackbar.h"

VCL_PUBLISHED(TQelTrackBar)
{
  p.Property("OnScroll", &TQelTrackBar::OnScroll, &TQelTrackBar::OnScroll);
}

namespace {

TUnitInit QeltrackbarUnitInit("Qeltrackbar", [] { RegisterClass(TQelTrackBar::StaticClass()); });

}  // namespace

TQelTrackBar::TQelTrackBar(TOwnerArg owner) : TTrackBar(owner) {}

TQelTrackBar::~TQelTrackBar() = default;

void TQelTrackBar::Scroll(TScrollCode ScrollCode, int& ScrollPos)
{
  if (OnScroll) OnScroll(this, ScrollCode, ScrollPos);
}

void TQelTrackBar::CNHScroll(TWMScroll& message)
{
  TTrackBar::CNHScroll(message);
  ScrollNotice(message);
}

// The base reads a vertical bar's position as it reads a horizontal one's; its own CNVScroll would
// come back here through the virtual CNHScroll and report the action twice.
void TQelTrackBar::CNVScroll(TWMScroll& message)
{
  TTrackBar::CNHScroll(message);
  ScrollNotice(message);
}

// The track bar's codes are TB_LINEUP (0) to TB_ENDTRACK (8), in the order of TScrollCode; another
// code (none is documented) is not reported.
void TQelTrackBar::ScrollNotice(TWMScroll& message)
{
  const int code = LOBYTE(message.ScrollCode());
  if (code > int(scEndScroll)) return;
  int pos = GetPosition();
  Scroll(TScrollCode(code), pos);
  if (pos != GetPosition()) SetPosition(pos);
}
