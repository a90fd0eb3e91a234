// TQelScrollBar and its registration for stored forms.
#include "Qelscrollbar.h"

VCL_IMPLEMENT_CLASS(TQelScrollBar)

TQelScrollBar::TQelScrollBar(TOwnerArg owner) : TScrollBar(owner) {}

TQelScrollBar::~TQelScrollBar() = default;

namespace {

TUnitInit QelscrollbarUnitInit("Qelscrollbar", [] { RegisterClass(TQelScrollBar::StaticClass()); });

}  // namespace
