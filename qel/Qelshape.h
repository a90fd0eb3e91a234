// The library's shape: the platform's TShape with its click events OnClick and OnDblClick published,
// so that a shape on a stored form can act as a button.
#pragma once

#include "ExtCtrls.h"

class TQelShape : public TShape {
  VCL_DECLARE_CLASS(TQelShape, TShape)
  explicit TQelShape(TOwnerArg owner);
  ~TQelShape() override;
};
