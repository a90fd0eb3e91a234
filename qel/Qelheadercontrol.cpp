// TQelHeaderControl: the index mapping, its published FlipIndices and registration.
#include "Qelheadercontrol.h"

#include "TypInfo.h"

VCL_PUBLISHED(TQelHeaderControl)
{
  p.Property("FlipIndices", &TQelHeaderControl::GetFlipIndices, &TQelHeaderControl::SetFlipIndices).Default(false);
}

TQelHeaderControl::TQelHeaderControl(TOwnerArg owner) : THeaderControl(owner) {}

TQelHeaderControl::~TQelHeaderControl() = default;

int TQelHeaderControl::FlipIndex(int Index) const
{
  return FFlipIndices ? GetSections()->GetCount() - Index - 1 : Index;
}

namespace {

TUnitInit QelheadercontrolUnitInit("Qelheadercontrol", [] { RegisterClass(TQelHeaderControl::StaticClass()); });

}  // namespace
