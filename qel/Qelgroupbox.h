// The library's group box: the platform's TGroupBox under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelGroupBox : public TGroupBox {
  VCL_DECLARE_CLASS(TQelGroupBox, TGroupBox)
  explicit TQelGroupBox(TOwnerArg owner);
  ~TQelGroupBox() override;
};
