// Persistent objects, components and the owner rule, lists, string lists and collections.
#include "Classes.h"
#include "Consts.h"
#include <algorithm>
#include <mutex>

VCL_IMPLEMENT_CLASS(TList)
VCL_IMPLEMENT_CLASS(TPersistent)
VCL_IMPLEMENT_CLASS(TCollection)
VCL_IMPLEMENT_CLASS(TOwnedCollection)
VCL_IMPLEMENT_CLASS(TCollectionItem)
VCL_IMPLEMENT_CLASS(TStrings)
VCL_IMPLEMENT_ENUM(TComponentStateItem, "csLoading", "csReading", "csWriting", "csDestroying", "csDesigning",
                   "csAncestor", "csUpdating", "csFixups", "csFreeNotification", "csInline", "csDesignInstance")
VCL_IMPLEMENT_ENUM(TAlignment, "taLeftJustify", "taRightJustify", "taCenter")
VCL_IMPLEMENT_ENUM(TDuplicates, "dupIgnore", "dupAccept", "dupError")

VCL_PUBLISHED(TComponent)
{
  p.Property("Name", &TComponent::GetName, &TComponent::SetName).Stored(false);
  p.Property("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);
}

// String lists publish nothing, as in the VCL: their text is stored through DefineProperties.
VCL_IMPLEMENT_CLASS(TStringList)

namespace {
AnsiString Fmt(const char* format, const AnsiString& a)
{
  return Format(format, {a});
}
}  // namespace

// ===================================================================================================
// TList
TList::~TList()
{
  // A list on the stack (no delete) still releases what it holds through this class's Clear.
  FList.clear();
}

void TList::BeforeDestruction()
{
  Clear();
  TObject::BeforeDestruction();
}

void TList::Error(const AnsiString& message, int data)
{
  throw EListError(Format(message, {data}));
}

int TList::Add(void* item)
{
  int index = GetCount();
  if (index == FCapacity) Grow();
  FList.push_back(item);
  if (item) Notify(item, lnAdded);
  return index;
}

void TList::Clear()
{
  SetCount(0);
  SetCapacity(0);
}

void TList::Delete(int index)
{
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
  void* item = FList[size_t(index)];
  FList.erase(FList.begin() + index);
  if (item) Notify(item, lnDeleted);
}

void TList::Exchange(int index1, int index2)
{
  if (index1 < 0 || index1 >= GetCount()) Error("List index out of bounds (%d)", index1);
  if (index2 < 0 || index2 >= GetCount()) Error("List index out of bounds (%d)", index2);
  std::swap(FList[size_t(index1)], FList[size_t(index2)]);
}

TList* TList::Expand()
{
  if (GetCount() == FCapacity) Grow();
  return this;
}

void* TList::Extract(void* item)
{
  int i = IndexOf(item);
  if (i < 0) return nullptr;
  FList.erase(FList.begin() + i);
  Notify(item, lnExtracted);
  return item;
}

void* TList::First() const { return Get(0); }
void* TList::Last() const { return Get(GetCount() - 1); }

int TList::IndexOf(void* item) const
{
  auto it = std::find(FList.begin(), FList.end(), item);
  return it == FList.end() ? -1 : int(it - FList.begin());
}

void TList::Insert(int index, void* item)
{
  if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
  if (GetCount() == FCapacity) Grow();
  FList.insert(FList.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Move(int curIndex, int newIndex)
{
  if (curIndex == newIndex) return;
  if (newIndex < 0 || newIndex >= GetCount()) Error("List index out of bounds (%d)", newIndex);
  void* item = Get(curIndex);
  FList.erase(FList.begin() + curIndex);
  FList.insert(FList.begin() + newIndex, item);
}

int TList::Remove(void* item)
{
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void TList::Pack()
{
  for (int i = GetCount() - 1; i >= 0; --i)
    if (!FList[size_t(i)]) Delete(i);
}

void TList::Sort(TListSortCompare compare)
{
  if (!compare || GetCount() < 2) return;
  // A stable merge sort: the same result on every run, and a faulty comparison cannot run out of range.
  std::stable_sort(FList.begin(), FList.end(), [compare](void* a, void* b) { return compare(a, b) < 0; });
}

void* TList::Get(int index) const
{
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
  return FList[size_t(index)];
}

void TList::Put(int index, void* item)
{
  if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
  void* old = FList[size_t(index)];
  if (old == item) return;
  FList[size_t(index)] = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

void TList::SetCount(int newCount)
{
  if (newCount < 0 || newCount > 0x7FFFFFF) Error("List count out of bounds (%d)", newCount);
  if (newCount > FCapacity) SetCapacity(newCount);
  if (newCount > GetCount()) {
    FList.resize(size_t(newCount), nullptr);
    return;
  }
  for (int i = GetCount() - 1; i >= newCount; --i) Delete(i);
}

void TList::SetCapacity(int newCapacity)
{
  if (newCapacity < GetCount() || newCapacity > 0x7FFFFFF) Error("List capacity out of bounds (%d)", newCapacity);
  FCapacity = newCapacity;
  if (size_t(newCapacity) < FList.capacity()) FList.shrink_to_fit();
  FList.reserve(size_t(newCapacity));
}

void TList::Grow()
{
  // The VCL's growth: 4 while small, 16 up to 64, then a quarter more.
  int delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
  SetCapacity(FCapacity + delta);
}

void TList::Notify(void*, TListNotification) {}

// ===================================================================================================
// TPersistent
void TPersistent::Assign(TPersistent* source)
{
  if (source) return source->AssignTo(this);
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source)
{
  AnsiString sourceName = source ? source->ClassName() : AnsiString("nil");
  throw EConvertError(Format("Cannot assign a %s to a %s", {sourceName, ClassName()}));
}

AnsiString TPersistent::GetNamePath()
{
  AnsiString path;
  TPersistent* owner = GetOwner();
  if (owner) path = owner->GetNamePath();
  return path.IsEmpty() ? ClassName() : path + "." + ClassName();
}

void TPersistent::DefineProperties(TFiler*) {}

// ===================================================================================================
// TComponent
bool IsValidIdent(const AnsiString& ident)
{
  if (ident.IsEmpty()) return false;
  for (int i = 1; i <= ident.Length(); ++i) {
    unsigned char c = static_cast<unsigned char>(ident[i]);
    bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9';
    if (!alpha && !(digit && i > 1)) return false;
  }
  return true;
}

TOwnerArg::~TOwnerArg() noexcept(false)
{
  // Only the argument made by the outermost constructor call runs it, and only after a construction
  // that completed (a raising constructor leaves an exception in flight here).
  if (FRoot == this && FBuilt && std::uncaught_exceptions() == FUncaught) FBuilt->AfterConstruction();
}

TComponent::TComponent(TOwnerArg owner)
{
  owner.Built(this);
  if (owner) owner->InsertComponent(this);
}

void TComponent::BeforeDestruction()
{
  Destroying();
  TPersistent::BeforeDestruction();
}

TComponent::~TComponent()
{
  Destroying();
  // Everybody who asked to hear about this component hears it now, last registered first.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    other->RemoveNotification(this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

TComponent* TComponent::GetComponent(int index) const
{
  if (index < 0 || index >= GetComponentCount()) TList::Error("List index out of bounds (%d)", index);
  return FComponents[size_t(index)];
}

int TComponent::GetComponentIndex() const
{
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TComponent::SetComponentIndex(int value)
{
  if (!FOwner) return;
  int current = GetComponentIndex();
  if (current < 0) return;
  auto& list = FOwner->FComponents;
  value = std::clamp(value, 0, int(list.size()) - 1);
  list.erase(list.begin() + current);
  list.insert(list.begin() + value, this);
}

TComponent* TComponent::FindComponent(const AnsiString& name) const
{
  if (name.IsEmpty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::SetName(const AnsiString& newName)
{
  if (FName == newName) return;
  if (!newName.IsEmpty() && !IsValidIdent(newName))
    throw EComponentError(Fmt("'%s' is not a valid component name", newName));
  if (FOwner) FOwner->ValidateRename(this, FName, newName);
  else ValidateRename(nullptr, FName, newName);
  SetReference(false);
  FName = newName;
  SetReference(true);
}

void TComponent::SetReference(bool enable)
{
  // An owner being destroyed has lost its derived part, and with it the fields.
  if (!FOwner || FName.IsEmpty() || FOwner->HasState(csDestroying)) return;
  SetPublishedField(FOwner, FName, enable ? this : nullptr);
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& curName, const AnsiString& newName)
{
  if (!component || SameText(curName, newName) || newName.IsEmpty()) return;
  TComponent* existing = FindComponent(newName);
  if (existing && existing != component)
    throw EComponentError(Fmt("A component named %s already exists", newName));
}

void TComponent::ValidateContainer(TComponent* component) { component->ValidateInsert(this); }

void TComponent::InsertComponent(TComponent* component)
{
  if (!component) return;
  component->ValidateContainer(this);
  ValidateRename(component, AnsiString(), component->FName);
  if (component->FOwner) component->FOwner->RemoveComponent(component);
  Insert(component);
  if (HasState(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
  if (!component || component->FOwner != this) return;
  ValidateRename(component, component->FName, AnsiString());
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent* component)
{
  FComponents.push_back(component);
  component->FOwner = this;
  component->SetReference(true);
}

void TComponent::Remove(TComponent* component)
{
  component->SetReference(false);
  auto it = std::find(FComponents.begin(), FComponents.end(), component);
  if (it != FComponents.end()) FComponents.erase(it);
  component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
  // Last created first, as the VCL does; each removes itself from this list when destroyed.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    Remove(c);
    delete c;
  }
}

void TComponent::Destroying()
{
  if (HasState(csDestroying)) return;
  IncludeState(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Owned components hear of every insertion and removal in their owner, as in the VCL.
  for (size_t i = 0; i < FComponents.size(); ++i) FComponents[i]->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* component)
{
  if (!component || component == this) return;
  if (FOwner && component->FOwner == FOwner) return;  // siblings hear through the owner anyway
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
    FFreeNotifies.push_back(component);
  if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
      component->FFreeNotifies.end())
    component->FFreeNotifies.push_back(this);
  IncludeState(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
  RemoveNotification(component);
  if (component) component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component)
{
  auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
  if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::Loaded() { ExcludeState(csLoading); }

void TComponent::ReadState(TReader* reader) { reader->ReadData(this); }

void TComponent::WriteState(TWriter* writer) { writer->WriteData(this); }

void TComponent::GetChildren(TGetChildProc, TComponent*) {}

void TComponent::Updating() { IncludeState(csUpdating); }
void TComponent::Updated() { ExcludeState(csUpdating); }

void TComponent::SetDesigning(bool value, bool setChildren)
{
  if (value) IncludeState(csDesigning);
  else ExcludeState(csDesigning);
  if (setChildren)
    for (TComponent* c : FComponents) c->SetDesigning(value);
}

void TComponent::SetAncestor(bool value)
{
  if (value) IncludeState(csAncestor);
  else ExcludeState(csAncestor);
  for (TComponent* c : FComponents) c->SetAncestor(value);
}

void TComponent::SetInline(bool value)
{
  if (value) IncludeState(csInline);
  else ExcludeState(csInline);
}

// Components without a parent keep their position on the designer's form in the stored "Left" and
// "Top" of their design information, as the VCL stores them.
void TComponent::DefineProperties(TFiler* filer)
{
  long ancestorInfo = 0;
  bool hasAncestor = false;
  if (auto* a = dynamic_cast<TComponent*>(filer->GetAncestor())) {
    ancestorInfo = a->FDesignInfo;
    hasAncestor = true;
  }
  auto lo = [](long v) { return int(short(v & 0xFFFF)); };
  auto hi = [](long v) { return int(short((unsigned long)v >> 16)); };
  filer->DefineProperty("Left", [this](TReader* r) { ReadLeft(r); }, [this](TWriter* w) { WriteLeft(w); },
                        hasAncestor ? lo(FDesignInfo) != lo(ancestorInfo) : lo(FDesignInfo) != 0);
  filer->DefineProperty("Top", [this](TReader* r) { ReadTop(r); }, [this](TWriter* w) { WriteTop(w); },
                        hasAncestor ? hi(FDesignInfo) != hi(ancestorInfo) : hi(FDesignInfo) != 0);
}

void TComponent::ReadLeft(TReader* reader)
{
  FDesignInfo = long((FDesignInfo & long(0xFFFF0000)) | (reader->ReadInteger() & 0xFFFF));
}
void TComponent::ReadTop(TReader* reader)
{
  FDesignInfo = long((FDesignInfo & 0xFFFF) | (long(reader->ReadInteger()) << 16));
}
void TComponent::WriteLeft(TWriter* writer) { writer->WriteInteger(int(short(FDesignInfo & 0xFFFF))); }
void TComponent::WriteTop(TWriter* writer) { writer->WriteInteger(int(short((unsigned long)FDesignInfo >> 16))); }

// ===================================================================================================
// Collections
TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* value)
{
  if (FCollection == value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (value) value->InsertItem(this);
}

int TCollectionItem::GetIndex() const
{
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : int(it - items.begin());
}

void TCollectionItem::SetIndex(int value)
{
  int current = GetIndex();
  if (current < 0 || current == value) return;
  auto& items = FCollection->FItems;
  if (value < 0 || value >= int(items.size())) TList::Error("List index out of bounds (%d)", value);
  items.erase(items.begin() + current);
  items.insert(items.begin() + value, this);
  Changed(true);
}

AnsiString TCollectionItem::GetDisplayName() { return ClassName(); }

AnsiString TCollectionItem::GetNamePath()
{
  if (!FCollection) return ClassName();
  return Format("%s[%d]", {FCollection->GetNamePath(), GetIndex()});
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool allItems)
{
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

TCollection::TCollection(TMetaClass* itemClass) : FItemClass(itemClass) {}

TCollection::~TCollection()
{
  FUpdateCount = 1;
  Clear();
}

TCollectionItem* TCollection::Add()
{
  if (!FItemClass || !FItemClass->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidOperation("The collection has no item class");
  TObject* obj = FItemClass->CreateInstance(this);
  auto* item = dynamic_cast<TCollectionItem*>(obj);
  if (!item) {
    delete obj;
    throw EInvalidOperation("The collection's item class cannot be created");
  }
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(int index)
{
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Assign(TPersistent* source)
{
  auto* other = dynamic_cast<TCollection*>(source);
  if (!other) return TPersistent::Assign(source);
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::EndUpdate()
{
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Clear()
{
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

void TCollection::Delete(int index)
{
  delete GetItem(index);
}

TCollectionItem* TCollection::FindItemID(int id) const
{
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

TCollectionItem* TCollection::GetItem(int index) const
{
  if (index < 0 || index >= GetCount()) TList::Error("List index out of bounds (%d)", index);
  return FItems[size_t(index)];
}

void TCollection::SetItem(int index, TCollectionItem* value) { GetItem(index)->Assign(value); }

AnsiString TCollection::GetNamePath()
{
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  AnsiString path = owner->GetNamePath();
  if (path.IsEmpty() || FPropName.IsEmpty()) return ClassName();
  return path + "." + FPropName;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed()
{
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item)
{
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  Notify(item, 0);
}

void TCollection::RemoveItem(TCollectionItem* item)
{
  Notify(item, 1);
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
}

// ===================================================================================================
// Identifiers of integer values
namespace {
struct TIntConstEntry {
  PTypeInfo Type;
  TIdentToInt IdentToInt;
  TIntToIdent IntToIdent;
};

struct TIntConstRegistry {
  std::mutex Lock;
  std::vector<TIntConstEntry> Entries;
};

TIntConstRegistry& IntConsts()
{
  static TIntConstRegistry registry;
  return registry;
}

// The latest registration for a type wins, so that a package can refine another's identifiers.
const TIntConstEntry* FindIntConsts(TIntConstRegistry& r, PTypeInfo type)
{
  for (auto it = r.Entries.rbegin(); it != r.Entries.rend(); ++it)
    if (it->Type == type) return &*it;
  return nullptr;
}
}  // namespace

void RegisterIntegerConsts(PTypeInfo intType, TIdentToInt identToInt, TIntToIdent intToIdent)
{
  TIntConstRegistry& r = IntConsts();
  std::lock_guard<std::mutex> guard(r.Lock);
  r.Entries.push_back({intType, identToInt, intToIdent});
}

void UnregisterIntegerConsts(PTypeInfo intType, TIdentToInt identToInt, TIntToIdent intToIdent)
{
  TIntConstRegistry& r = IntConsts();
  std::lock_guard<std::mutex> guard(r.Lock);
  std::erase_if(r.Entries, [&](const TIntConstEntry& e) {
    return e.Type == intType && e.IdentToInt == identToInt && e.IntToIdent == intToIdent;
  });
}

TIdentToInt FindIdentToInt(PTypeInfo intType)
{
  TIntConstRegistry& r = IntConsts();
  std::lock_guard<std::mutex> guard(r.Lock);
  const TIntConstEntry* e = FindIntConsts(r, intType);
  return e ? e->IdentToInt : nullptr;
}

TIntToIdent FindIntToIdent(PTypeInfo intType)
{
  TIntConstRegistry& r = IntConsts();
  std::lock_guard<std::mutex> guard(r.Lock);
  const TIntConstEntry* e = FindIntConsts(r, intType);
  return e ? e->IntToIdent : nullptr;
}

bool IdentToInt(const AnsiString& ident, int& value, const TIdentMapEntry* map, int count)
{
  for (int i = 0; i < count; ++i) {
    if (SameText(ident, map[i].Name)) {
      value = map[i].Value;
      return true;
    }
  }
  return false;
}

bool IntToIdent(int value, AnsiString& ident, const TIdentMapEntry* map, int count)
{
  for (int i = 0; i < count; ++i) {
    if (map[i].Value == value) {
      ident = map[i].Name;
      return true;
    }
  }
  return false;
}

// ===================================================================================================
// TBasicAction and its link
VCL_IMPLEMENT_CLASS(TBasicAction)
VCL_IMPLEMENT_CLASS(TBasicActionLink)

TBasicAction::TBasicAction(TOwnerArg owner) : TComponent(owner) {}

TBasicAction::~TBasicAction()
{
  // Clients forget the action before it goes.
  while (!FClients.empty()) FClients.back()->SetAction(nullptr);
}

bool TBasicAction::Execute()
{
  if (!FOnExecute) return false;
  FOnExecute(this);
  return true;
}

bool TBasicAction::Update()
{
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::SetActionComponent(TComponent* value)
{
  if (FActionComponent == value) return;
  if (FActionComponent) FActionComponent->RemoveFreeNotification(this);
  FActionComponent = value;
  if (FActionComponent) FActionComponent->FreeNotification(this);
}

void TBasicAction::SetOnExecute(TNotifyEvent value)
{
  if (FOnExecute == value) return;
  FOnExecute = value;
  Change();
}

void TBasicAction::Change()
{
  // A client may unlink itself while it hears the change.
  const std::vector<TBasicActionLink*> clients = FClients;
  for (TBasicActionLink* link : clients)
    if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
}

void TBasicAction::Notification(TComponent* component, TOperation operation)
{
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FActionComponent) FActionComponent = nullptr;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link)
{
  link->FAction = this;
  FClients.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link)
{
  auto it = std::find(FClients.begin(), FClients.end(), link);
  if (it == FClients.end()) return;
  FClients.erase(it);
  link->FAction = nullptr;
}

TBasicActionLink::TBasicActionLink(TObject* client)
{
  (void)client;
}

TBasicActionLink::~TBasicActionLink()
{
  if (FAction) FAction->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* value)
{
  if (value == FAction) return;
  if (FAction) FAction->UnRegisterChanges(this);
  if (value) value->RegisterChanges(this);
  Change();
}

bool TBasicActionLink::Execute(TComponent* component)
{
  if (!FAction) return false;
  FAction->SetActionComponent(component);
  struct Reset {
    TBasicAction* action;
    ~Reset() { action->SetActionComponent(nullptr); }
  };
  Reset reset{FAction};
  return FAction->Execute();
}

bool TBasicActionLink::Update() { return FAction && FAction->Update(); }

void TBasicActionLink::Change()
{
  if (OnChange) OnChange(FAction);
}

TRegisterComponentsProc RegisterComponentsProc = nullptr;

void RegisterComponents(const AnsiString& page, std::initializer_list<TMetaClass*> classes)
{
  if (!RegisterComponentsProc) throw EComponentError(SRegisterError);
  RegisterComponentsProc(page, classes.begin(), static_cast<int>(classes.size()));
}
