// The library's scroll bar: the platform's TScrollBar under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelScrollBar : public TScrollBar {
  VCL_DECLARE_CLASS(TQelScrollBar, TScrollBar)
  explicit TQelScrollBar(TOwnerArg owner);
  ~TQelScrollBar() override;
};
