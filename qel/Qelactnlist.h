// The library's action list: the platform's TActionList under the library's name, so that forms of
// the library and of its programs name one class whatever the platform underneath.
#pragma once

#include "ActnList.h"

class TQelActionList : public TActionList {
  VCL_DECLARE_CLASS(TQelActionList, TActionList)
  explicit TQelActionList(TOwnerArg owner);
  ~TQelActionList() override;
};
