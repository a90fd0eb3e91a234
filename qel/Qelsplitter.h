// The library's splitter: the platform's TSplitter under the library's name.
#pragma once

#include "ExtCtrls.h"

class TQelSplitter : public TSplitter {
  VCL_DECLARE_CLASS(TQelSplitter, TSplitter)
  explicit TQelSplitter(TOwnerArg owner);
  ~TQelSplitter() override;
};
