// The library's masked edit: the platform's TMaskEdit under the library's name.
#pragma once

#include "Mask.h"

class TQelMaskEdit : public TMaskEdit {
  VCL_DECLARE_CLASS(TQelMaskEdit, TMaskEdit)
  explicit TQelMaskEdit(TOwnerArg owner);
  ~TQelMaskEdit() override;
};
