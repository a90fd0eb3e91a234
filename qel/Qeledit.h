// The library's edit box: a double click runs the default item of its popup menu, when that menu is
// the library's (TQelPopupMenu) and has one, after OnDblClick.
#pragma once

#include "StdCtrls.h"

class TQelEdit : public TEdit {
  VCL_DECLARE_CLASS(TQelEdit, TEdit)
  explicit TQelEdit(TOwnerArg owner);
  ~TQelEdit() override;

  void DblClick() override;
};
