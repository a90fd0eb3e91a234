// The library's header control: the platform's THeaderControl with FlipIndex, which maps a section
// index between the two reading orders when FlipIndices is set (section 0 of one order is the last
// of the other), so that code written for one order serves a header laid out in the other.
#pragma once

#include "ComCtrls.h"

class TQelHeaderControl : public THeaderControl {
  VCL_DECLARE_CLASS(TQelHeaderControl, THeaderControl)
  explicit TQelHeaderControl(TOwnerArg owner);
  ~TQelHeaderControl() override;

  bool GetFlipIndices() const { return FFlipIndices; }
  void SetFlipIndices(bool value) { FFlipIndices = value; }
  // Sections->Count - Index - 1 with FlipIndices, else Index. Plain arithmetic: an index outside the
  // sections maps outside them too.
  int FlipIndex(int Index) const;

private:
  bool FFlipIndices = false;
};
