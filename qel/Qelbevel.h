// The library's bevel: the platform's TBevel under the library's name.
#pragma once

#include "ExtCtrls.h"

class TQelBevel : public TBevel {
  VCL_DECLARE_CLASS(TQelBevel, TBevel)
  explicit TQelBevel(TOwnerArg owner);
  ~TQelBevel() override;
};
