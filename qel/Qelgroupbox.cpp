// TQelGroupBox and its registration for stored forms.
#include "Qelgroupbox.h"

VCL_IMPLEMENT_CLASS(TQelGroupBox)

TQelGroupBox::TQelGroupBox(TOwnerArg owner) : TGroupBox(owner) {}

TQelGroupBox::~TQelGroupBox() = default;

namespace {

TUnitInit QelgroupboxUnitInit("Qelgroupbox", [] { RegisterClass(TQelGroupBox::StaticClass()); });

}  // namespace
