// StdCtrls: push buttons and check boxes over the platform's BUTTON class.
#include "StdCtrls.h"

#include "ControlsPublish.h"

VCL_IMPLEMENT_CLASS(TButtonControl)
VCL_IMPLEMENT_CLASS(TCustomCheckBox)

VCL_PUBLISHED(TButton)
{
  using namespace vcl_detail;
  p.Property("Action", &TButton::GetAction, &TButton::SetAction);
  PublishAlign(p);
  p.Property("Cancel", &TButton::GetCancel, &TButton::SetCancel).Default(false);
  p.Property("Caption", &TButton::GetCaption, &TButton::SetCaption);
  p.Property("Default", &TButton::GetDefault, &TButton::SetDefault).Default(false);
  p.Property("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult).Default(0);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnClick", &TButton::OnClick, &TButton::OnClick);
  p.Property("OnMouseDown", &TButton::OnMouseDown, &TButton::OnMouseDown);
  p.Property("OnMouseMove", &TButton::OnMouseMove, &TButton::OnMouseMove);
  p.Property("OnMouseUp", &TButton::OnMouseUp, &TButton::OnMouseUp);
}

VCL_PUBLISHED(TCheckBox)
{
  using namespace vcl_detail;
  p.Property("Action", &TCheckBox::GetAction, &TCheckBox::SetAction);
  PublishAlign(p);
  p.Property("Alignment", &TCheckBox::GetAlignment, &TCheckBox::SetAlignment).Default(taRightJustify);
  p.Property("AllowGrayed", &TCheckBox::GetAllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
  p.Property("Caption", &TCheckBox::GetCaption, &TCheckBox::SetCaption);
  // State carries Checked in stored forms; Checked is published for the designer and scripts.
  p.Property("Checked", &TCheckBox::GetChecked, &TCheckBox::SetChecked).Stored(false);
  p.Property("State", &TCheckBox::GetState, &TCheckBox::SetState).Default(cbUnchecked);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, true);
  PublishMouseEvents(p);
}

// ===================================================================================================
// TButtonControl
TButtonControl::TButtonControl(TOwnerArg owner) : TWinControl(owner)
{
  // The platform's button makes the click itself, from its own press and release.
  FControlStyle >> csClickEvents;
  SetTabStop(true);
}

// ===================================================================================================
// TButton
TButton::TButton(TOwnerArg owner) : TButtonControl(owner)
{
  FControlStyle << csSetCaption << csDoubleClicks;
  SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params)
{
  TButtonControl::CreateParams(params);
  CreateSubClass(params, L"BUTTON");
  params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value)
{
  if (FDefault == value) return;
  FDefault = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click()
{
  // Set before the handler runs, so that the handler may still change its mind.
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TButtonControl::Click();
}

void TButton::CNCommand(TWMCommand& message)
{
  if (message.NotifyCode() == BN_CLICKED) Click();
}

// Enter clicks the default button and Escape the cancel button, wherever the focus is on the form.
void TButton::CMDialogKey(TCMDialogKey& message)
{
  const bool enter = message.CharCode() == VK_RETURN && FDefault;
  const bool escape = message.CharCode() == VK_ESCAPE && FCancel;
  const TShiftState shift = KeyDataToShiftState(message.KeyData());
  if ((enter || escape) && shift.Empty() && GetVisible() && GetEnabled()) {
    Click();
    message.Result = 1;
    return;
  }
  TButtonControl::CMDialogKey(message);
}

void TButton::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (message.Msg == CN_COMMAND) return CNCommand(static_cast<TWMCommand&>(message));
  TButtonControl::Dispatch(raw);
}

// ===================================================================================================
// TCustomCheckBox
TCustomCheckBox::TCustomCheckBox(TOwnerArg owner) : TButtonControl(owner)
{
  FControlStyle << csSetCaption << csDoubleClicks;
  SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& params)
{
  TButtonControl::CreateParams(params);
  CreateSubClass(params, L"BUTTON");
  // Three-state without automatic toggling: Toggle decides the next state.
  params.Style |= BS_3STATE;
  if (FAlignment == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd()
{
  TButtonControl::CreateWnd();
  SendMessageW(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState value)
{
  if (FState == value) return;
  FState = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
  if (!GetClicksDisabled() && !HasState(csLoading)) Click();
}

void TCustomCheckBox::SetAlignment(TAlignment value)
{
  if (value == taCenter) value = taRightJustify;
  if (FAlignment == value) return;
  FAlignment = value;
  RecreateWnd();
}

void TCustomCheckBox::Toggle()
{
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (message.Msg == CN_COMMAND) {
    if (static_cast<TWMCommand&>(message).NotifyCode() == BN_CLICKED) Toggle();
    return;
  }
  TButtonControl::Dispatch(raw);
}
