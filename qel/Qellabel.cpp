// TQelLabel and its registration for stored forms.
#include "Qellabel.h"

VCL_IMPLEMENT_CLASS(TQelLabel)

TQelLabel::TQelLabel(TOwnerArg owner) : TLabel(owner) {}

TQelLabel::~TQelLabel() = default;

namespace {

TUnitInit QellabelUnitInit("Qellabel", [] { RegisterClass(TQelLabel::StaticClass()); });

}  // namespace
