// TQelRadioGroup and its registration for stored forms.
#include "Qelradiogroup.h"

VCL_IMPLEMENT_CLASS(TQelRadioGroup)

TQelRadioGroup::TQelRadioGroup(TOwnerArg owner) : TRadioGroup(owner) {}

TQelRadioGroup::~TQelRadioGroup() = default;

namespace {

TUnitInit QelradiogroupUnitInit("Qelradiogroup", [] { RegisterClass(TQelRadioGroup::StaticClass()); });

}  // namespace
