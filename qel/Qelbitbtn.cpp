// TQelBitBtn and its registration for stored forms.
#include "Qelbitbtn.h"

VCL_IMPLEMENT_CLASS(TQelBitBtn)

TQelBitBtn::TQelBitBtn(TOwnerArg owner) : TBitBtn(owner) {}

TQelBitBtn::~TQelBitBtn() = default;

namespace {

TUnitInit QelbitbtnUnitInit("Qelbitbtn", [] { RegisterClass(TQelBitBtn::StaticClass()); });

}  // namespace
