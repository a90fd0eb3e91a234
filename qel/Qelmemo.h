// The library's memo: the platform's TMemo under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelMemo : public TMemo {
  VCL_DECLARE_CLASS(TQelMemo, TMemo)
  explicit TQelMemo(TOwnerArg owner);
  ~TQelMemo() override;
};
