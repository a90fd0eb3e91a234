// The library's combo box: the platform's TComboBox with the list box's prefix search.
#pragma once

#include "StdCtrls.h"

class TQelComboBox : public TComboBox {
  VCL_DECLARE_CLASS(TQelComboBox, TComboBox)
  explicit TQelComboBox(TOwnerArg owner);
  ~TQelComboBox() override;

  // As TQelListBox::FindString, over the combo box's items.
  int FindString(int StartIndex, const AnsiString& Prefix) const;
};
