// The library's control bar: the platform's TControlBar under the library's name.
#pragma once

#include "ExtCtrls.h"

class TQelControlBar : public TControlBar {
  VCL_DECLARE_CLASS(TQelControlBar, TControlBar)
  explicit TQelControlBar(TOwnerArg owner);
  ~TQelControlBar() override;
};
