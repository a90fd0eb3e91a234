// Containers: owning object lists, component lists, stacks and queues.
#include "Contnrs.h"

VCL_IMPLEMENT_CLASS(TObjectList)
VCL_IMPLEMENT_CLASS(TComponentList)
VCL_IMPLEMENT_CLASS(TOrderedList)
VCL_IMPLEMENT_CLASS(TStack)
VCL_IMPLEMENT_CLASS(TQueue)
VCL_IMPLEMENT_CLASS(TObjectStack)
VCL_IMPLEMENT_CLASS(TObjectQueue)

// ===================================================================================================
TObjectList::~TObjectList()
{
  // Also when the list was not destroyed through delete: owned objects go with it.
  Clear();
}

void TObjectList::Notify(void* ptr, TListNotification action)
{
  if (FOwnsObjects && action == lnDeleted) delete static_cast<TObject*>(ptr);
  TList::Notify(ptr, action);
}

int TObjectList::FindInstanceOf(TMetaClass* cls, bool exact, int startAt) const
{
  for (int i = startAt < 0 ? 0 : startAt; i < GetCount(); ++i) {
    TObject* obj = GetItem(i);
    if (!obj) continue;
    if (exact ? obj->ClassType() == cls : obj->InheritsFrom(cls)) return i;
  }
  return -1;
}

// ===================================================================================================
// The nexus hears of the destruction of every listed component through free notification.
class TComponentList::TNexus : public TComponent {
public:
  TNexus(TComponentList* list) : TComponent(nullptr), FList(list) {}
  void Notification(TComponent* component, TOperation operation) override
  {
    if (operation == opRemove && FList) FList->Forget(component);
    TComponent::Notification(component, operation);
  }
  TComponentList* FList;
};

TComponentList::TComponentList() : TObjectList(true) { FNexus = new TNexus(this); }
TComponentList::TComponentList(bool ownsObjects) : TObjectList(ownsObjects) { FNexus = new TNexus(this); }

TComponentList::~TComponentList()
{
  Clear();
  static_cast<TNexus*>(FNexus)->FList = nullptr;
  delete FNexus;
}

void TComponentList::Forget(TComponent* component)
{
  // The component is being destroyed: take it out without destroying it again.
  bool owns = GetOwnsObjects();
  SetOwnsObjects(false);
  while (TList::IndexOf(component) >= 0) TList::Remove(component);
  SetOwnsObjects(owns);
}

void TComponentList::Notify(void* ptr, TListNotification action)
{
  auto* component = static_cast<TComponent*>(ptr);
  if (FNexus && action == lnAdded) component->FreeNotification(FNexus);
  if (FNexus && action != lnAdded && TList::IndexOf(ptr) < 0) component->RemoveFreeNotification(FNexus);
  TObjectList::Notify(ptr, action);
}

// ===================================================================================================
void* TOrderedList::Push(void* item)
{
  PushItem(item);
  return item;
}

void* TOrderedList::Pop()
{
  void* item = Peek();
  FList.Delete(FList.GetCount() - 1);
  return item;
}

void* TOrderedList::Peek()
{
  if (FList.GetCount() == 0) throw EListError("The list is empty");
  return FList.Get(FList.GetCount() - 1);
}
