// TQelRadioButton and its registration for stored forms.
#include "Qelradiobutton.h"

VCL_IMPLEMENT_CLASS(TQelRadioButton)

TQelRadioButton::TQelRadioButton(TOwnerArg owner) : TRadioButton(owner) {}

TQelRadioButton::~TQelRadioButton() = default;

namespace {

TUnitInit QelradiobuttonUnitInit("Qelradiobutton", [] { RegisterClass(TQelRadioButton::StaticClass()); });

}  // namespace
