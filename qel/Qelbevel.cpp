// TQelBevel and its registration for stored forms.
#include "Qelbevel.h"

VCL_IMPLEMENT_CLASS(TQelBevel)

TQelBevel::TQelBevel(TOwnerArg owner) : TBevel(owner) {}

TQelBevel::~TQelBevel() = default;

namespace {

TUnitInit QelbevelUnitInit("Qelbevel", [] { RegisterClass(TQelBevel::StaticClass()); });

}  // namespace
