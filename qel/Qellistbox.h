// The library's list box: the platform's TListBox with a prefix search over its items.
#pragma once

#include "StdCtrls.h"

class TQelListBox : public TListBox {
  VCL_DECLARE_CLASS(TQelListBox, TListBox)
  explicit TQelListBox(TOwnerArg owner);
  ~TQelListBox() override;

  // The index of the first item from StartIndex on (the item at StartIndex included; a negative
  // start is the first item) whose text begins with Prefix, compared byte for byte, letter case
  // counting; -1 when none does. An empty prefix matches the item at the start.
  int FindString(int StartIndex, const AnsiString& Prefix) const;
};

namespace qel_detail {
// The search of FindString over any list of strings (the combo box's as well).
int FindPrefix(TStrings* items, int startIndex, const AnsiString& prefix);
}  // namespace qel_detail
