// The library's radio button: the platform's TRadioButton under the library's name.
#pragma once

#include "StdCtrls.h"

class TQelRadioButton : public TRadioButton {
  VCL_DECLARE_CLASS(TQelRadioButton, TRadioButton)
  explicit TQelRadioButton(TOwnerArg owner);
  ~TQelRadioButton() override;
};
