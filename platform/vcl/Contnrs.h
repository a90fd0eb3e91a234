// Containers: owning object lists, component lists that forget destroyed components, stacks and queues.
#pragma once
#include "Classes.h"

class TObjectList : public TList {
  VCL_DECLARE_CLASS(TObjectList, TList)
  TObjectList() = default;
  explicit TObjectList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
  ~TObjectList() override;

  int Add(TObject* object) { return TList::Add(object); }
  void Insert(int index, TObject* object) { TList::Insert(index, object); }
  int IndexOf(TObject* object) const { return TList::IndexOf(object); }
  int Remove(TObject* object) { return TList::Remove(object); }
  TObject* Extract(TObject* item) { return static_cast<TObject*>(TList::Extract(item)); }
  TObject* GetItem(int index) const { return static_cast<TObject*>(Get(index)); }
  TObject* Items(int index) const { return GetItem(index); }
  TObject* operator[](int index) const { return GetItem(index); }
  void SetItem(int index, TObject* object) { Put(index, object); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  int FindInstanceOf(TMetaClass* cls, bool exact = true, int startAt = 0) const;
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool value) { FOwnsObjects = value; }

protected:
  void Notify(void* ptr, TListNotification action) override;

private:
  bool FOwnsObjects = true;
};

// A list of components that drops a component when it is destroyed (and, when it owns its members,
// destroys them itself).
class TComponentList : public TObjectList {
  VCL_DECLARE_CLASS(TComponentList, TObjectList)
  TComponentList();
  explicit TComponentList(bool ownsObjects);
  ~TComponentList() override;
  int Add(TComponent* component) { return TObjectList::Add(component); }
  void Insert(int index, TComponent* component) { TObjectList::Insert(index, component); }
  int IndexOf(TComponent* component) const { return TObjectList::IndexOf(component); }
  int Remove(TComponent* component) { return TObjectList::Remove(component); }
  TComponent* GetItem(int index) const { return static_cast<TComponent*>(Get(index)); }
  TComponent* Items(int index) const { return GetItem(index); }
  TComponent* First() const { return static_cast<TComponent*>(TList::First()); }
  TComponent* Last() const { return static_cast<TComponent*>(TList::Last()); }

protected:
  void Notify(void* ptr, TListNotification action) override;

private:
  class TNexus;
  friend class TNexus;
  void Forget(TComponent* component);
  TComponent* FNexus = nullptr;
};

// Stacks and queues of pointers: Pop of a stack gives the newest, of a queue the oldest.
class TOrderedList : public TObject {
  VCL_DECLARE_CLASS(TOrderedList, TObject)
  TOrderedList() = default;
  int Count() const { return FList.GetCount(); }
  bool AtLeast(int count) const { return FList.GetCount() >= count; }
  void* Push(void* item);
  void* Pop();   // raises EListError when empty
  void* Peek();  // raises EListError when empty

protected:
  virtual void PushItem(void* item) = 0;
  TList& List() { return FList; }

private:
  TList FList;
};

class TStack : public TOrderedList {
  VCL_DECLARE_CLASS(TStack, TOrderedList)
  TStack() = default;

protected:
  void PushItem(void* item) override { List().Add(item); }
};

class TQueue : public TOrderedList {
  VCL_DECLARE_CLASS(TQueue, TOrderedList)
  TQueue() = default;

protected:
  void PushItem(void* item) override { List().Insert(0, item); }
};

class TObjectStack : public TStack {
  VCL_DECLARE_CLASS(TObjectStack, TStack)
  TObjectStack() = default;
  TObject* Push(TObject* object) { return static_cast<TObject*>(TStack::Push(object)); }
  TObject* Pop() { return static_cast<TObject*>(TStack::Pop()); }
  TObject* Peek() { return static_cast<TObject*>(TStack::Peek()); }
};

class TObjectQueue : public TQueue {
  VCL_DECLARE_CLASS(TObjectQueue, TQueue)
  TObjectQueue() = default;
  TObject* Push(TObject* object) { return static_cast<TObject*>(TQueue::Push(object)); }
  TObject* Pop() { return static_cast<TObject*>(TQueue::Pop()); }
  TObject* Peek() { return static_cast<TObject*>(TQueue::Peek()); }
};
