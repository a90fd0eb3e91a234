// The library's static text: the platform's TStaticText under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelStaticText : public TStaticText {
  VCL_DECLARE_CLASS(TQelStaticText, TStaticText)
  explicit TQelStaticText(TOwnerArg owner);
  ~TQelStaticText() override;
};
