// ActnList: action lists, contained and custom actions, and the propagation of an action's state to
// the clients still linked to it.
#include "ActnList.h"

#include <algorithm>

VCL_IMPLEMENT_CLASS(TActionLink)
VCL_IMPLEMENT_CLASS(TContainedAction)
VCL_IMPLEMENT_CLASS(TCustomAction)
VCL_IMPLEMENT_CLASS(TCustomActionList)

VCL_PUBLISHED(TAction)
{
  p.Property("Caption", &TAction::GetCaption, &TAction::SetCaption);
  p.Property("Category", &TAction::GetCategory, &TAction::SetCategory);
  p.Property("Checked", &TAction::GetChecked, &TAction::SetChecked).Default(false);
  p.Property("Enabled", &TAction::GetEnabled, &TAction::SetEnabled).Default(true);
  p.Property("HelpContext", &TAction::GetHelpContext, &TAction::SetHelpContext).Default(0);
  p.Property("Hint", &TAction::GetHint, &TAction::SetHint);
  p.Property("ImageIndex", &TAction::GetImageIndex, &TAction::SetImageIndex).Default(-1);
  p.Property("ShortCut", &TAction::GetShortCut, &TAction::SetShortCut).Default(0);
  p.Property("Visible", &TAction::GetVisible, &TAction::SetVisible).Default(true);
  p.Property("DisableIfNoHandler", &TAction::GetDisableIfNoHandler, &TAction::SetDisableIfNoHandler).Default(true);
  p.Property("OnExecute", &TAction::GetOnExecute, &TAction::SetOnExecute);
  p.Property("OnUpdate", &TAction::OnUpdate, &TAction::OnUpdate);
}

VCL_PUBLISHED(TActionList)
{
  p.Property("Images", &TActionList::GetImages, &TActionList::SetImages);
  p.Property("OnChange", &TActionList::OnChange, &TActionList::OnChange);
  p.Property("OnExecute", &TActionList::OnExecute, &TActionList::OnExecute);
  p.Property("OnUpdate", &TActionList::OnUpdate, &TActionList::OnUpdate);
}

// ===================================================================================================
// TContainedAction
TContainedAction::TContainedAction(TOwnerArg owner) : TBasicAction(owner) {}

TContainedAction::~TContainedAction()
{
  if (FActionList) FActionList->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* value)
{
  if (FActionList == value) return;
  if (FActionList) FActionList->RemoveAction(this);
  if (value) value->AddAction(this);
}

int TContainedAction::GetIndex() const
{
  if (!FActionList) return -1;
  auto& list = FActionList->FActions;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TContainedAction::SetIndex(int value)
{
  if (!FActionList) return;
  auto& list = FActionList->FActions;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  value = std::clamp(value, 0, int(list.size()));
  list.insert(list.begin() + value, this);
}

TComponent* TContainedAction::GetParentComponent() const { return FActionList; }

void TContainedAction::SetParentComponent(TComponent* value)
{
  if (auto* list = dynamic_cast<TCustomActionList*>(value)) SetActionList(list);
}

void TContainedAction::ReadState(TReader* reader)
{
  TBasicAction::ReadState(reader);
  if (auto* list = dynamic_cast<TCustomActionList*>(reader->GetParent())) SetActionList(list);
}

bool TContainedAction::Execute()
{
  if (FActionList && FActionList->ExecuteAction(this)) return true;
  return TBasicAction::Execute();
}

bool TContainedAction::Update()
{
  if (FActionList && FActionList->UpdateAction(this)) return true;
  return TBasicAction::Update();
}

// ===================================================================================================
// TCustomAction
TCustomAction::TCustomAction(TOwnerArg owner) : TContainedAction(owner) {}

template <class F>
void TCustomAction::ForEachLink(F f)
{
  // A client may unlink itself while it hears the change.
  const std::vector<TBasicActionLink*> clients = FClients;
  for (TBasicActionLink* link : clients) {
    if (std::find(FClients.begin(), FClients.end(), link) == FClients.end()) continue;
    if (auto* actionLink = dynamic_cast<TActionLink*>(link)) f(actionLink);
  }
}

void TCustomAction::SetCaption(const AnsiString& value)
{
  if (FCaption == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsCaptionLinked()) link->SetCaption(value);
  });
  FCaption = value;
}

void TCustomAction::SetChecked(bool value)
{
  if (FChecked == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsCheckedLinked()) link->SetChecked(value);
  });
  FChecked = value;
}

void TCustomAction::SetEnabled(bool value)
{
  if (FEnabled == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsEnabledLinked()) link->SetEnabled(value);
  });
  FEnabled = value;
}

void TCustomAction::SetHint(const AnsiString& value)
{
  if (FHint == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsHintLinked()) link->SetHint(value);
  });
  FHint = value;
}

void TCustomAction::SetImageIndex(int value)
{
  if (FImageIndex == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsImageIndexLinked()) link->SetImageIndex(value);
  });
  FImageIndex = value;
}

void TCustomAction::SetShortCut(TShortCut value)
{
  if (FShortCut == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsShortCutLinked()) link->SetShortCut(value);
  });
  FShortCut = value;
}

void TCustomAction::SetVisible(bool value)
{
  if (FVisible == value) return;
  ForEachLink([&](TActionLink* link) {
    if (link->IsVisibleLinked()) link->SetVisible(value);
  });
  FVisible = value;
}

bool TCustomAction::Execute()
{
  Update();
  return FEnabled && TContainedAction::Execute();
}

bool TCustomAction::Update()
{
  if (TContainedAction::Update()) return true;
  // An action without a handler is disabled; one with a handler keeps whatever its owner set, so
  // that code may disable it.
  if (FDisableIfNoHandler && !GetOnExecute()) SetEnabled(false);
  return false;
}

// ===================================================================================================
// TCustomActionList
TCustomActionList::TCustomActionList(TOwnerArg owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList()
{
  while (!FActions.empty()) FActions.back()->SetActionList(nullptr);
}

void TCustomActionList::AddAction(TContainedAction* action)
{
  FActions.push_back(action);
  action->FActionList = this;
  action->FreeNotification(this);
  if (OnChange) OnChange(this);
}

void TCustomActionList::RemoveAction(TContainedAction* action)
{
  auto it = std::find(FActions.begin(), FActions.end(), action);
  if (it == FActions.end()) return;
  FActions.erase(it);
  action->FActionList = nullptr;
  if (!HasState(csDestroying) && OnChange) OnChange(this);
}

bool TCustomActionList::ExecuteAction(TBasicAction* action)
{
  bool handled = false;
  if (OnExecute) OnExecute(action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action)
{
  bool handled = false;
  if (OnUpdate) OnUpdate(action, handled);
  return handled;
}

void TCustomActionList::UpdateActions()
{
  const std::vector<TContainedAction*> actions = FActions;
  for (TContainedAction* action : actions)
    if (std::find(FActions.begin(), FActions.end(), action) != FActions.end()) action->Update();
}

void TCustomActionList::SetImages(TComponent* value)
{
  if (FImages == value) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (FImages) FImages->FreeNotification(this);
}

void TCustomActionList::GetChildren(TGetChildProc proc, TComponent* root)
{
  for (TContainedAction* action : FActions)
    if (action->Owner() == root) proc(action);
}

void TCustomActionList::SetChildOrder(TComponent* child, int order)
{
  if (auto* action = dynamic_cast<TContainedAction*>(child); action && action->FActionList == this) action->SetIndex(order);
}

void TCustomActionList::Notification(TComponent* component, TOperation operation)
{
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (auto* action = dynamic_cast<TContainedAction*>(component)) RemoveAction(action);
}
