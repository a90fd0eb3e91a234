// StdCtrls: push buttons and check boxes over the platform's BUTTON class.
#include "StdCtrls.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_CLASS(TButtonControl)
VCL_IMPLEMENT_CLASS(TCustomCheckBox)

VCL_PUBLISHED(TRadioButton)
{
  using namespace vcl_detail;
  p.Property("Action", &TRadioButton::GetAction, &TRadioButton::SetAction);
  PublishAlign(p);
  p.Property("Alignment", &TRadioButton::GetAlignment, &TRadioButton::SetAlignment).Default(taRightJustify);
  p.Property("Caption", &TRadioButton::GetCaption, &TRadioButton::SetCaption);
  p.Property("Checked", &TRadioButton::GetChecked, &TRadioButton::SetChecked).Default(false);
  PublishDrag(p);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, true);
  PublishMouseEvents(p);
  PublishDragEvents(p);
}

namespace vcl_detail {

DWORD ButtonMarkStyle(const TControl* control, TAlignment alignment)
{
  // taRightJustify: the text right of the mark. Right to left mirrors that: the mark at the right,
  // the text right-aligned against it.
  bool textLeft = alignment == taLeftJustify;
  if (control->UseRightToLeftAlignment()) textLeft = !textLeft;
  DWORD style = textLeft ? BS_LEFTTEXT : 0;
  if (control->UseRightToLeftAlignment()) style |= BS_RIGHT;
  return style;
}

}  // namespace vcl_detail

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
  params.Style |= BS_3STATE | vcl_detail::ButtonMarkStyle(this, FAlignment);
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

// ===================================================================================================
// TRadioButton
TRadioButton::TRadioButton(TOwnerArg owner) : TButtonControl(owner)
{
  FControlStyle << csSetCaption << csDoubleClicks;
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& params)
{
  TButtonControl::CreateParams(params);
  CreateSubClass(params, L"BUTTON");
  // Not automatic: SetChecked keeps the group in step, whoever checks.
  params.Style |= BS_RADIOBUTTON | vcl_detail::ButtonMarkStyle(this, FAlignment);
}

void TRadioButton::CreateWnd()
{
  TButtonControl::CreateWnd();
  SendMessageW(GetHandle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool value)
{
  if (FChecked == value) return;
  FChecked = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!value) return;
  // The other radio buttons of the parent go off.
  if (TWinControl* parent = GetParent())
    for (int i = 0; i < parent->GetControlCount(); ++i)
      if (auto* other = dynamic_cast<TRadioButton*>(parent->GetControl(i)); other && other != this)
        other->SetChecked(false);
  if (!GetClicksDisabled() && !HasState(csLoading)) Click();
}

void TRadioButton::SetAlignment(TAlignment value)
{
  if (value == taCenter) value = taRightJustify;
  if (FAlignment == value) return;
  FAlignment = value;
  RecreateWnd();
}

// The arrows move to the next or previous radio button of the parent (in tab order, round) and check it.
void TRadioButton::KeyDown(WORD& key, TShiftState shift)
{
  TButtonControl::KeyDown(key, shift);
  if (key != VK_UP && key != VK_DOWN && key != VK_LEFT && key != VK_RIGHT) return;
  TWinControl* parent = GetParent();
  if (!parent) return;
  std::vector<TWinControl*> order;
  parent->GetTabOrderList(order);
  std::vector<TRadioButton*> group;
  for (TWinControl* c : order)
    if (auto* radio = dynamic_cast<TRadioButton*>(c); radio && radio->GetParent() == parent &&
                                                      (radio == this || radio->CanFocus()))
      group.push_back(radio);
  const auto at = std::find(group.begin(), group.end(), this);
  if (group.size() < 2 || at == group.end()) return;
  bool forward = key == VK_DOWN || key == VK_RIGHT;
  // Right to left the right arrow goes back, as the reading does.
  if ((key == VK_LEFT || key == VK_RIGHT) && UseRightToLeftAlignment()) forward = !forward;
  const size_t index = size_t(at - group.begin());
  TRadioButton* next = group[(index + (forward ? 1 : group.size() - 1)) % group.size()];
  key = 0;
  next->SetFocus();
  next->SetChecked(true);
}

void TRadioButton::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_COMMAND:
      if (static_cast<TWMCommand&>(message).NotifyCode() == BN_CLICKED) SetChecked(true);
      return;
    case CM_WANTSPECIALKEY:
      // The arrows stay with the group instead of moving the focus through the form.
      switch (message.WParam) {
        case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: message.Result = 1; return;
        default: break;
      }
      break;
    default: break;
  }
  TButtonControl::Dispatch(raw);
}
