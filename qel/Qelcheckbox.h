// The library's check box: the platform's TCheckBox under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelCheckBox : public TCheckBox {
  VCL_DECLARE_CLASS(TQelCheckBox, TCheckBox)
  explicit TQelCheckBox(TOwnerArg owner);
  ~TQelCheckBox() override;
};
