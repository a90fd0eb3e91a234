// The library's radio group: the platform's TRadioGroup under the library's name.
#pragma once

#include "ExtCtrls.h"

class TQelRadioGroup : public TRadioGroup {
  VCL_DECLARE_CLASS(TQelRadioGroup, TRadioGroup)
  explicit TQelRadioGroup(TOwnerArg owner);
  ~TQelRadioGroup() override;
};
