// TQelCheckBox and its registration for stored forms.
#include "Qelcheckbox.h"

VCL_IMPLEMENT_CLASS(TQelCheckBox)

TQelCheckBox::TQelCheckBox(TOwnerArg owner) : TCheckBox(owner) {}

TQelCheckBox::~TQelCheckBox() = default;

namespace {

TUnitInit QelcheckboxUnitInit("Qelcheckbox", [] { RegisterClass(TQelCheckBox::StaticClass()); });

}  // namespace
