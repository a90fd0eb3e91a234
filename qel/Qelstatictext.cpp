// TQelStaticText and its registration for stored forms.
#include "Qelstatictext.h"

VCL_IMPLEMENT_CLASS(TQelStaticText)

TQelStaticText::TQelStaticText(TOwnerArg owner) : TStaticText(owner) {}

TQelStaticText::~TQelStaticText() = default;

namespace {

TUnitInit QelstatictextUnitInit("Qelstatictext", [] { RegisterClass(TQelStaticText::StaticClass()); });

}  // namespace
