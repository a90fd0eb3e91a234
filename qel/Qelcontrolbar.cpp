// TQelControlBar and its registration for stored forms.
#include "Qelcontrolbar.h"

VCL_IMPLEMENT_CLASS(TQelControlBar)

TQelControlBar::TQelControlBar(TOwnerArg owner) : TControlBar(owner) {}

TQelControlBar::~TQelControlBar() = default;

namespace {

TUnitInit QelcontrolbarUnitInit("Qelcontrolbar", [] { RegisterClass(TQelControlBar::StaticClass()); });

}  // namespace
