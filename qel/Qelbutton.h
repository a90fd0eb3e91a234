// The library's push button. As the form's default button, Enter first sends CM_EXIT to the form's
// active control, so that a control that finishes its editing on leaving (its OnExit) has done so
// before the button's click acts on what it holds: the focus does not move on Enter.
#pragma once

#include "StdCtrls.h"

class TQelButton : public TButton {
  VCL_DECLARE_CLASS(TQelButton, TButton)
  explicit TQelButton(TOwnerArg owner);
  ~TQelButton() override;

protected:
  VCL_BEGIN_MESSAGE_MAP
    VCL_MESSAGE_HANDLER(CM_DIALOGKEY, TCMDialogKey, QelDialogKey)
  VCL_END_MESSAGE_MAP(TButton)

private:
  // Sends the exit when it applies, then hands the message on to the button's own handling.
  void QelDialogKey(TCMDialogKey& message);
};
