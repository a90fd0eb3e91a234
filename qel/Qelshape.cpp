// TQelShape: its published click events and registration.
#include "Qelshape.h"

#include "TypInfo.h"

VCL_PUBLISHED(TQelShape)
{
  p.Property("OnClick", &TQelShape::OnClick, &TQelShape::OnClick);
  p.Property("OnDblClick", &TQelShape::OnDblClick, &TQelShape::OnDblClick);
}

TQelShape::TQelShape(TOwnerArg owner) : TShape(owner) {}

TQelShape::~TQelShape() = default;

namespace {

TUnitInit QelshapeUnitInit("Qelshape", [] { RegisterClass(TQelShape::StaticClass()); });

}  // namespace
