// TQelButton: the exit of the active control before the default button's Enter, and registration.
#include "Qelbutton.h"

VCL_IMPLEMENT_CLASS(TQelButton)

TQelButton::TQelButton(TOwnerArg owner) : TButton(owner) {}

TQelButton::~TQelButton() = default;

void TQelButton::QelDialogKey(TCMDialogKey& message)
{
  // Only when the button will click: an exit sent for a hidden or disabled default button would run
  // the control's OnExit for nothing.
  if (message.CharCode() == VK_RETURN && GetDefault() && KeyDataToShiftState(message.KeyData()).Empty() &&
      GetVisible() && GetEnabled()) {
    if (TCustomForm* form = GetParentForm(this))
      if (TWinControl* active = form->GetActiveControl()) active->Perform(CM_EXIT, 0, 0);
  }
  TButton::Dispatch(&message);
}

namespace {

TUnitInit QelbuttonUnitInit("Qelbutton", [] { RegisterClass(TQelButton::StaticClass()); });

}  // namespace
