// The library's bitmap button: the platform's TBitBtn under the library's name.
#pragma once

#include "Buttons.h"

class TQelBitBtn : public TBitBtn {
  VCL_DECLARE_CLASS(TQelBitBtn, TBitBtn)
  explicit TQelBitBtn(TOwnerArg owner);
  ~TQelBitBtn() override;
};
