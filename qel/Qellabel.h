// The library's label: the platform's TLabel under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelLabel : public TLabel {
  VCL_DECLARE_CLASS(TQelLabel, TLabel)
  explicit TQelLabel(TOwnerArg owner);
  ~TQelLabel() override;
};
