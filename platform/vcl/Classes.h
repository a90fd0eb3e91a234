// Classes of the VCL stand-in: persistent objects and components (the owner rule), lists and string
// lists, streams, collections, and component streaming in the VCL binary component format with its
// text form.
#pragma once
#include "ObjBase.h"
#include "SysUtils.h"
#include "TypInfo.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// ---------------------------------------------------------------------------------------------------
// Exceptions of the unit.
OSTREL_VCL_EXCEPTION(EStreamError, Exception);
OSTREL_VCL_EXCEPTION(EFCreateError, EStreamError);
OSTREL_VCL_EXCEPTION(EFOpenError, EStreamError);
OSTREL_VCL_EXCEPTION(EFilerError, EStreamError);
OSTREL_VCL_EXCEPTION(EReadError, EFilerError);
OSTREL_VCL_EXCEPTION(EWriteError, EFilerError);
OSTREL_VCL_EXCEPTION(EClassNotFound, EFilerError);
OSTREL_VCL_EXCEPTION(EMethodNotFound, EFilerError);
OSTREL_VCL_EXCEPTION(EInvalidImage, EFilerError);
OSTREL_VCL_EXCEPTION(EResNotFound, Exception);
OSTREL_VCL_EXCEPTION(EListError, Exception);
OSTREL_VCL_EXCEPTION(EStringListError, Exception);
OSTREL_VCL_EXCEPTION(EComponentError, Exception);
OSTREL_VCL_EXCEPTION(EParserError, Exception);
OSTREL_VCL_EXCEPTION(EBitsError, Exception);

class TFiler;
class TReader;
class TWriter;
class TStream;
class TComponent;

// ---------------------------------------------------------------------------------------------------
// How text sits across a control (labels, panels, check boxes, edits).
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
VCL_DECLARE_ENUM(TAlignment);

// ---------------------------------------------------------------------------------------------------
// TList: a list of untyped pointers.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = int (*)(void* item1, void* item2);

class TList : public TObject {
  VCL_DECLARE_CLASS(TList, TObject)
  TList() = default;
  ~TList() override;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  void BeforeDestruction() override;  // calls the most derived Clear, as the VCL's destructor does

  int Add(void* item);
  virtual void Clear();
  void Delete(int index);
  void Exchange(int index1, int index2);
  TList* Expand();
  void* Extract(void* item);
  void* First() const;
  void* Last() const;
  int IndexOf(void* item) const;
  void Insert(int index, void* item);
  void Move(int curIndex, int newIndex);
  int Remove(void* item);
  void Pack();
  void Sort(TListSortCompare compare);
  void* Get(int index) const;
  void Put(int index, void* item);
  void* Items(int index) const { return Get(index); }
  void* operator[](int index) const { return Get(index); }
  int GetCount() const { return int(FList.size()); }
  int Count() const { return GetCount(); }
  void SetCount(int newCount);
  int GetCapacity() const { return FCapacity; }
  void SetCapacity(int newCapacity);
  void** List() { return FList.data(); }
  [[noreturn]] static void Error(const AnsiString& message, int data);

protected:
  virtual void Grow();
  virtual void Notify(void* ptr, TListNotification action);

private:
  std::vector<void*> FList;
  int FCapacity = 0;
};

// ---------------------------------------------------------------------------------------------------
// TPersistent: objects that can be assigned and streamed.
class TPersistent : public TObject {
  VCL_DECLARE_CLASS(TPersistent, TObject)
  TPersistent() = default;
  virtual void Assign(TPersistent* source);
  virtual AnsiString GetNamePath();
  // Streaming asks every object for its extra (non-published) stored properties.
  virtual void DefineProperties(TFiler* filer);
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  virtual void AssignTo(TPersistent* dest);
  [[noreturn]] void AssignError(TPersistent* source);
};

// ---------------------------------------------------------------------------------------------------
// TComponent: the owner rule, names, notifications and the streaming hooks.
enum TComponentStateItem {
  csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor, csUpdating, csFixups,
  csFreeNotification, csInline, csDesignInstance
};
using TComponentState = Set<TComponentStateItem, csLoading, csDesignInstance>;
VCL_DECLARE_ENUM(TComponentStateItem);
enum TOperation { opInsert, opRemove };
using TGetChildProc = std::function<void(TComponent* child)>;

// The owner argument of component constructors, which take it by value and pass it on to their base.
// The one made where `new TMyButton(owner)` converts the owner lives until that whole expression
// ends: after the most derived constructor body. It then runs AfterConstruction on the component
// that was built, as the VCL does after every construction (unless the constructor raised). Copies
// handed to base constructors only report the new component back to it. Never keep one in a named
// variable: it would run AfterConstruction when the variable goes, for the first component only.
class TOwnerArg {
public:
  TOwnerArg(TComponent* owner) noexcept : FOwner(owner), FRoot(this), FUncaught(std::uncaught_exceptions()) {}
  TOwnerArg(const TOwnerArg& other) noexcept : FOwner(other.FOwner), FRoot(other.FRoot) {}
  TOwnerArg& operator=(const TOwnerArg&) = delete;
  ~TOwnerArg() noexcept(false);
  operator TComponent*() const noexcept { return FOwner; }
  TComponent* operator->() const noexcept { return FOwner; }
  TComponent* Get() const noexcept { return FOwner; }

private:
  friend class TComponent;
  void Built(TComponent* component) const noexcept
  {
    if (!FRoot->FBuilt) FRoot->FBuilt = component;
  }
  TComponent* FOwner;
  const TOwnerArg* FRoot;
  mutable TComponent* FBuilt = nullptr;
  int FUncaught = 0;
};

class TComponent : public TPersistent {
  VCL_DECLARE_CLASS(TComponent, TPersistent)
  using TCtorArg = TComponent*;
  explicit TComponent(TOwnerArg owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  void BeforeDestruction() override;

  AnsiString GetName() const { return FName; }
  virtual void SetName(const AnsiString& newName);
  int GetTag() const { return FTag; }
  void SetTag(int value) { FTag = value; }
  TComponent* GetOwner() const override { return FOwner; }
  TComponent* Owner() const { return FOwner; }
  int GetComponentCount() const { return int(FComponents.size()); }
  int ComponentCount() const { return GetComponentCount(); }
  TComponent* GetComponent(int index) const;
  TComponent* Components(int index) const { return GetComponent(index); }
  int GetComponentIndex() const;
  void SetComponentIndex(int value);
  TComponentState GetComponentState() const { return FComponentState; }
  TComponentState ComponentState() const { return FComponentState; }
  bool HasState(TComponentStateItem item) const { return FComponentState.Contains(item); }
  long GetDesignInfo() const { return FDesignInfo; }
  void SetDesignInfo(long value) { FDesignInfo = value; }

  TComponent* FindComponent(const AnsiString& name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();
  void Destroying();
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);
  AnsiString GetNamePath() override { return FName; }
  void DefineProperties(TFiler* filer) override;

  // Streaming hooks.
  virtual void Loaded();
  virtual void ReadState(TReader* reader);
  virtual void WriteState(TWriter* writer);
  virtual void GetChildren(TGetChildProc proc, TComponent* root);
  virtual TComponent* GetChildOwner() { return nullptr; }
  virtual TComponent* GetChildParent() { return this; }
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent*) {}
  virtual void SetChildOrder(TComponent*, int) {}
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void ValidateRename(TComponent* component, const AnsiString& curName, const AnsiString& newName);
  virtual void ValidateContainer(TComponent* component);
  virtual void ValidateInsert(TComponent*) {}
  virtual void Updating();
  virtual void Updated();
  void SetDesigning(bool value, bool setChildren = true);
  void SetAncestor(bool value);
  void SetInline(bool value);
  // Streaming sets and clears its states through these.
  void IncludeState(TComponentStateItem item) { FComponentState << item; }
  void ExcludeState(TComponentStateItem item) { FComponentState >> item; }

private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  // Points the owner's published field of this name at this component, or clears it.
  void SetReference(bool enable);
  void RemoveNotification(TComponent* component);
  void ReadLeft(TReader* reader);
  void ReadTop(TReader* reader);
  void WriteLeft(TWriter* writer);
  void WriteTop(TWriter* writer);

  TComponent* FOwner = nullptr;
  AnsiString FName;
  int FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentState FComponentState;
  long FDesignInfo = 0;
};

bool IsValidIdent(const AnsiString& ident);

// ---------------------------------------------------------------------------------------------------
// Actions: the part every client of an action sees. Lists and the published actions are in ActnList.
class TBasicActionLink;

class TBasicAction : public TComponent {
  VCL_DECLARE_CLASS(TBasicAction, TComponent)
  explicit TBasicAction(TOwnerArg owner);
  ~TBasicAction() override;
  // Runs OnExecute; false when there is none.
  virtual bool Execute();
  // Runs OnUpdate; false when there is none.
  virtual bool Update();
  virtual bool HandlesTarget(TObject*) { return false; }
  virtual void ExecuteTarget(TObject*) {}
  virtual void UpdateTarget(TObject*) {}
  TComponent* GetActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* value);
  TNotifyEvent GetOnExecute() const { return FOnExecute; }
  void SetOnExecute(TNotifyEvent value);
  TNotifyEvent OnUpdate;
  void RegisterChanges(TBasicActionLink* link);
  void UnRegisterChanges(TBasicActionLink* link);

protected:
  // Tells every linked client that the action changed.
  virtual void Change();
  void Notification(TComponent* component, TOperation operation) override;
  std::vector<TBasicActionLink*> FClients;

private:
  TNotifyEvent FOnExecute;
  TComponent* FActionComponent = nullptr;
};

// What a client (a control, a menu item) holds of its action.
class TBasicActionLink : public TObject {
  VCL_DECLARE_CLASS(TBasicActionLink, TObject)
  explicit TBasicActionLink(TObject* client);
  ~TBasicActionLink() override;
  TBasicAction* GetAction() const { return FAction; }
  virtual void SetAction(TBasicAction* value);
  virtual bool Execute(TComponent* component = nullptr);
  virtual bool Update();
  TNotifyEvent OnChange;

protected:
  friend class TBasicAction;
  virtual void AssignClient(TObject*) {}
  virtual void Change();
  TBasicAction* FAction = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Collections.
class TCollection;

class TCollectionItem : public TPersistent {
  VCL_DECLARE_CLASS(TCollectionItem, TPersistent)
  using TCtorArg = TCollection*;
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;
  TCollection* GetCollection() const { return FCollection; }
  void SetCollection(TCollection* value);
  int GetIndex() const;
  virtual void SetIndex(int value);
  int GetID() const { return FID; }
  virtual AnsiString GetDisplayName();
  virtual void SetDisplayName(const AnsiString&) { Changed(false); }
  AnsiString GetNamePath() override;
  TPersistent* GetOwner() const override;

protected:
  void Changed(bool allItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  VCL_DECLARE_CLASS(TCollection, TPersistent)
  explicit TCollection(TMetaClass* itemClass);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Assign(TPersistent* source) override;
  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  void Clear();
  void Delete(int index);
  TCollectionItem* FindItemID(int id) const;
  int GetCount() const { return int(FItems.size()); }
  int Count() const { return GetCount(); }
  TCollectionItem* GetItem(int index) const;
  TCollectionItem* Items(int index) const { return GetItem(index); }
  void SetItem(int index, TCollectionItem* value);
  TMetaClass* GetItemClass() const { return FItemClass; }
  TMetaClass* ItemClass() const { return FItemClass; }
  AnsiString GetNamePath() override;
  void SetPropName(const AnsiString& name) { FPropName = name; }

protected:
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem*, int /*0 added, 1 deleting*/) {}
  void Changed();
  int GetUpdateCount() const { return FUpdateCount; }

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  TMetaClass* FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
  AnsiString FPropName;
};

// A collection with an owner (for the name path and the designer).
class TOwnedCollection : public TCollection {
  VCL_DECLARE_CLASS(TOwnedCollection, TCollection)
  TOwnedCollection(TPersistent* owner, TMetaClass* itemClass) : TCollection(itemClass), FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};

// ---------------------------------------------------------------------------------------------------
// String lists.
enum TDuplicates { dupIgnore, dupAccept, dupError };
VCL_DECLARE_ENUM(TDuplicates);
class TStringList;
using TStringListSortCompare = int (*)(TStringList* list, int index1, int index2);

class TStrings : public TPersistent {
  VCL_DECLARE_CLASS(TStrings, TPersistent)
  TStrings() = default;
  virtual int Add(const AnsiString& s);
  virtual int AddObject(const AnsiString& s, TObject* object);
  void Append(const AnsiString& s) { Add(s); }
  virtual void AddStrings(TStrings* strings);
  void Assign(TPersistent* source) override;
  void BeginUpdate();
  void EndUpdate();
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  bool Equals(TStrings* strings);
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(const AnsiString& s);
  int IndexOfName(const AnsiString& name);
  int IndexOfObject(TObject* object);
  virtual void Insert(int index, const AnsiString& s) = 0;
  void InsertObject(int index, const AnsiString& s, TObject* object);
  virtual void Move(int curIndex, int newIndex);
  virtual void LoadFromFile(const AnsiString& fileName);
  virtual void LoadFromStream(TStream* stream);
  virtual void SaveToFile(const AnsiString& fileName);
  virtual void SaveToStream(TStream* stream);
  virtual AnsiString Get(int index) = 0;
  virtual void Put(int index, const AnsiString& s);
  AnsiString Strings(int index) { return Get(index); }
  virtual TObject* GetObject(int index);
  virtual void PutObject(int index, TObject* object);
  TObject* Objects(int index) { return GetObject(index); }
  virtual int GetCount() = 0;
  int Count() { return GetCount(); }
  virtual int GetCapacity() { return GetCount(); }
  virtual void SetCapacity(int) {}
  virtual AnsiString GetText();
  virtual void SetText(const AnsiString& text);
  AnsiString GetCommaText();
  void SetCommaText(const AnsiString& text);
  AnsiString GetName(int index);
  AnsiString Names(int index) { return GetName(index); }
  AnsiString GetValue(const AnsiString& name);
  AnsiString Values(const AnsiString& name) { return GetValue(name); }
  void SetValue(const AnsiString& name, const AnsiString& value);
  void DefineProperties(TFiler* filer) override;

protected:
  virtual void SetUpdateState(bool) {}
  virtual int CompareStrings(const AnsiString& s1, const AnsiString& s2);
  [[noreturn]] void Error(const AnsiString& message, int data);
  int GetUpdateCount() const { return FUpdateCount; }

private:
  void ReadData(TReader* reader);
  void WriteData(TWriter* writer);
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
  VCL_DECLARE_CLASS(TStringList, TStrings)
  TStringList() = default;
  ~TStringList() override;
  int Add(const AnsiString& s) override;
  int AddObject(const AnsiString& s, TObject* object) override;
  void Clear() override;
  void Delete(int index) override;
  void Exchange(int index1, int index2) override;
  virtual bool Find(const AnsiString& s, int& index);
  int IndexOf(const AnsiString& s) override;
  void Insert(int index, const AnsiString& s) override;
  virtual void Sort();
  virtual void CustomSort(TStringListSortCompare compare);
  AnsiString Get(int index) override;
  void Put(int index, const AnsiString& s) override;
  TObject* GetObject(int index) override;
  void PutObject(int index, TObject* object) override;
  int GetCount() override { return int(FList.size()); }
  int GetCapacity() override { return int(FList.capacity()); }
  void SetCapacity(int value) override;
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool value);
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value);
  TNotifyEvent GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent value) { FOnChange = value; }
  TNotifyEvent GetOnChanging() const { return FOnChanging; }
  void SetOnChanging(TNotifyEvent value) { FOnChanging = value; }

protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool updating) override;
  int CompareStrings(const AnsiString& s1, const AnsiString& s2) override;
  virtual void InsertItem(int index, const AnsiString& s, TObject* object);

private:
  struct TStringItem {
    AnsiString FString;
    TObject* FObject = nullptr;
  };
  void CheckIndex(int index) const;
  void QuickSort(int lo, int hi, TStringListSortCompare compare);
  std::vector<TStringItem> FList;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  bool FCaseSensitive = false;
  TNotifyEvent FOnChange;
  TNotifyEvent FOnChanging;
};

// ---------------------------------------------------------------------------------------------------
// Streams.
enum : unsigned short { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };
// File open modes and share modes (TFileStream).
enum : unsigned short {
  fmCreate = 0xFFFF,
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
};

class TStream : public TObject {
  VCL_DECLARE_CLASS(TStream, TObject)
  TStream() = default;
  virtual int Read(void* buffer, int count) = 0;
  virtual int Write(const void* buffer, int count) = 0;
  virtual int Seek(int offset, unsigned short origin) = 0;
  void ReadBuffer(void* buffer, int count);         // EReadError "Stream read error"
  void WriteBuffer(const void* buffer, int count);  // EWriteError "Stream write error"
  int CopyFrom(TStream* source, int count);         // count 0: the whole source from its start
  int GetPosition() { return Seek(0, soFromCurrent); }
  void SetPosition(int pos) { Seek(pos, soFromBeginning); }
  virtual int GetSize();
  virtual void SetSize(int newSize);
  // Component streaming helpers.
  TComponent* ReadComponent(TComponent* instance);
  void WriteComponent(TComponent* instance);
  void WriteDescendent(TComponent* instance, TComponent* ancestor);
  // The same inside a 16-bit resource header (FF 0A 00, upper-case name, flags 1030, size), the
  // layout of binary form files.
  TComponent* ReadComponentRes(TComponent* instance);
  void WriteComponentRes(const AnsiString& resName, TComponent* instance);
  void ReadResHeader();  // raises EInvalidImage
  void WriteResourceHeader(const AnsiString& resName, int& fixupInfo);
  void FixupResourceHeader(int fixupInfo);
};

class THandleStream : public TStream {
  VCL_DECLARE_CLASS(THandleStream, TStream)
  explicit THandleStream(HANDLE handle) : FHandle(handle) {}
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  int Seek(int offset, unsigned short origin) override;
  void SetSize(int newSize) override;
  HANDLE GetHandle() const { return FHandle; }

protected:
  HANDLE FHandle;
};

class TFileStream : public THandleStream {
  VCL_DECLARE_CLASS(TFileStream, THandleStream)
  // fmCreate, or an open mode ORed with a share mode; the name is UTF-8.
  TFileStream(const AnsiString& fileName, unsigned short mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
};

class TCustomMemoryStream : public TStream {
  VCL_DECLARE_CLASS(TCustomMemoryStream, TStream)
  TCustomMemoryStream() = default;
  int Read(void* buffer, int count) override;
  int Seek(int offset, unsigned short origin) override;
  void SaveToStream(TStream* stream);
  void SaveToFile(const AnsiString& fileName);
  void* GetMemory() const { return FMemory; }
  void* Memory() const { return FMemory; }
  int GetSize() override { return FSize; }

protected:
  void SetPointer(void* ptr, int size);
  void* FMemory = nullptr;
  int FSize = 0;
  int FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
  VCL_DECLARE_CLASS(TMemoryStream, TCustomMemoryStream)
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;
  void Clear();
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const AnsiString& fileName);
  void SetSize(int newSize) override;
  int Write(const void* buffer, int count) override;
  int GetCapacity() const { return FCapacity; }

protected:
  virtual void* Realloc(int& newCapacity);
  void SetCapacity(int newCapacity);

private:
  int FCapacity = 0;
};

// A read-only view of a module's resource.
class TResourceStream : public TCustomMemoryStream {
  VCL_DECLARE_CLASS(TResourceStream, TCustomMemoryStream)
  TResourceStream(HINSTANCE instance, const AnsiString& resName, const wchar_t* resType);
  TResourceStream(HINSTANCE instance, int resId, const wchar_t* resType);
  int Write(const void* buffer, int count) override;

private:
  void Initialize(HINSTANCE instance, const wchar_t* name, const wchar_t* type, const AnsiString& shownName);
};

// ---------------------------------------------------------------------------------------------------
// Component streaming.
enum TValueType : unsigned char {
  vaNull = 0, vaList = 1, vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaExtended = 5, vaString = 6,
  vaIdent = 7, vaFalse = 8, vaTrue = 9, vaBinary = 10, vaSet = 11, vaLString = 12, vaNil = 13,
  vaCollection = 14, vaSingle = 15, vaCurrency = 16, vaDate = 17, vaWString = 18, vaInt64 = 19
};
enum TFilerFlag { ffInherited, ffChildPos, ffInline };
using TFilerFlags = Set<TFilerFlag, ffInherited, ffInline>;

using TReaderProc = std::function<void(TReader*)>;
using TWriterProc = std::function<void(TWriter*)>;
using TStreamProc = std::function<void(TStream*)>;

// The 10-byte x87 extended format, converted in portable code.
void DoubleToExtended(double value, unsigned char out[10]);
double ExtendedToDouble(const unsigned char in[10]);

class TFiler : public TObject {
  VCL_DECLARE_CLASS(TFiler, TObject)
  TFiler(TStream* stream, int bufSize);
  virtual void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData,
                              bool hasData) = 0;
  virtual void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                                    bool hasData) = 0;
  virtual void FlushBuffer() {}
  TComponent* GetRoot() const { return FRoot; }
  virtual void SetRoot(TComponent* value) { FRoot = value; }
  TComponent* GetLookupRoot() const { return FLookupRoot; }
  TPersistent* GetAncestor() const { return FAncestor; }
  void SetAncestor(TPersistent* value) { FAncestor = value; }
  bool GetIgnoreChildren() const { return FIgnoreChildren; }
  void SetIgnoreChildren(bool value) { FIgnoreChildren = value; }
  TStream* GetStream() const { return FStream; }

protected:
  TStream* FStream;
  TComponent* FRoot = nullptr;
  TComponent* FLookupRoot = nullptr;
  TPersistent* FAncestor = nullptr;
  bool FIgnoreChildren = false;
};

using TFindMethodEvent = std::function<void(TReader* reader, const AnsiString& methodName, void*& address, bool& error)>;
using TReaderError = std::function<void(TReader* reader, const AnsiString& message, bool& handled)>;
using TSetNameEvent = std::function<void(TReader* reader, TComponent* component, AnsiString& name)>;

class TReader : public TFiler {
  VCL_DECLARE_CLASS(TReader, TFiler)
  TReader(TStream* stream, int bufSize = 4096);
  ~TReader() override;

  void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
  void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) override;

  // Values.
  TValueType NextValue();
  TValueType ReadValue();
  void CheckValue(TValueType value);
  bool EndOfList();
  void ReadListBegin();
  void ReadListEnd();
  bool ReadBoolean();
  char ReadChar();
  int ReadInteger();
  int64_t ReadInt64();
  long double ReadFloat();
  float ReadSingle();
  Currency ReadCurrency();
  TDateTime ReadDate();
  AnsiString ReadString();
  WideString ReadWideString();
  AnsiString ReadIdent();
  AnsiString ReadStr();
  void ReadSignature();
  void ReadPrefix(TFilerFlags& flags, int& childPos);
  void SkipValue();
  void SkipComponent(bool skipHeader = true);
  void Read(void* buffer, int count);
  int GetPosition();
  void SetPosition(int value);

  // Objects.
  void ReadCollection(TCollection* collection);
  TComponent* ReadComponent(TComponent* component);
  TComponent* ReadRootComponent(TComponent* root);
  void ReadData(TComponent* instance);
  void ReadProperty(TPersistent* instance);
  // The code of the root's published method named name (TMethod::Code); raises EMethodNotFound.
  virtual void* FindMethod(TComponent* root, const AnsiString& methodName);

  TComponent* GetOwner() const { return FOwner; }
  void SetOwner(TComponent* value) { FOwner = value; }
  TComponent* GetParent() const { return FParent; }
  void SetParent(TComponent* value) { FParent = value; }
  TFindMethodEvent OnFindMethod;
  TReaderError OnError;
  TSetNameEvent OnSetName;
  // While set, ReadRootComponent leaves Loaded to the caller and adds the components it read here
  // (several stored forms read into one instance are then loaded once, at the end).
  void SetLoadedList(std::vector<TComponent*>* list) { FDeferredLoaded = list; }

protected:
  virtual bool Error(const AnsiString& message);

private:
  struct TFixup {
    TPersistent* Instance;
    PPropInfo Prop;
    AnsiString Name;
  };
  void ReadDataInner(TComponent* instance);
  void ReadPropValue(TPersistent* instance, PPropInfo info);
  int ReadIntegerValue(PTypeInfo type);
  void ReadPropPath(TPersistent* instance, const AnsiString& path);
  int ReadSetValue(PTypeInfo setType);
  void ReadObjectValue(TPersistent* instance, PPropInfo info);
  void SkipSetBody();
  void SkipProperty();
  int32_t ReadLength(int unitSize);
  [[noreturn]] void PropValueError();
  void ResolveFixups();
  TComponent* FindReference(const AnsiString& name) const;
  void ForgetComponent(TComponent* component);
  void CheckDepth();

  TComponent* FOwner = nullptr;
  TComponent* FParent = nullptr;
  std::vector<TComponent*> FLoaded;
  std::vector<TFixup> FFixups;
  AnsiString FPropName;
  bool FCanHandleExceptions = false;
  int FDepth = 0;
  bool FInData = false;
  std::vector<TComponent*>* FDeferredLoaded = nullptr;
};

using TFindAncestorEvent = std::function<void(TWriter* writer, TComponent* component, const AnsiString& name,
                                              TComponent*& ancestor, TComponent*& rootAncestor)>;

class TWriter : public TFiler {
  VCL_DECLARE_CLASS(TWriter, TFiler)
  TWriter(TStream* stream, int bufSize = 4096);

  void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
  void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) override;

  void WriteValue(TValueType value);
  void WriteListBegin();
  void WriteListEnd();
  void WriteBoolean(bool value);
  void WriteChar(char value);
  void WriteInteger(int value);
  void WriteInteger(long value) { WriteInteger(int(value)); }
  void WriteInteger(int64_t value);
  void WriteFloat(long double value);
  void WriteSingle(float value);
  void WriteCurrency(Currency value);
  void WriteDate(TDateTime value);
  void WriteString(const AnsiString& value);
  void WriteWideString(const WideString& value);
  void WriteIdent(const AnsiString& ident);
  void WriteStr(const AnsiString& value);
  void WriteSignature();
  void WritePrefix(TFilerFlags flags, int childPos);
  void Write(const void* buffer, int count);
  int GetPosition();

  void WriteCollection(TCollection* value);
  void WriteComponent(TComponent* component);
  void WriteRootComponent(TComponent* root);
  void WriteDescendent(TComponent* root, TComponent* ancestor);
  void WriteData(TComponent* instance);
  void WriteProperties(TPersistent* instance);
  void WriteProperty(TPersistent* instance, PPropInfo info);
  void SetRoot(TComponent* value) override;

  TFindAncestorEvent OnFindAncestor;

private:
  void WritePropName(const AnsiString& name);
  void WriteSetValue(PTypeInfo setType, int value);
  void WriteObjectProp(TPersistent* instance, PPropInfo info);
  bool CollectionsEqual(TCollection* a, TCollection* b);
  AnsiString ComponentReference(TComponent* component) const;

  AnsiString FPropPath;
  TComponent* FRootAncestor = nullptr;
  std::vector<TComponent*> FAncestors;  // the ancestor root's components, found by name
  int FChildPos = 0;
  bool FHasChildPos = false;
};

// ---------------------------------------------------------------------------------------------------
// Text form of component streams, and forms kept as RCDATA resources.
void ObjectBinaryToText(TStream* input, TStream* output);
void ObjectTextToBinary(TStream* input, TStream* output);
// The same for streams with a resource header (binary form files).
void ObjectResourceToText(TStream* input, TStream* output);
void ObjectTextToResource(TStream* input, TStream* output);
// The binary form of a stored form whatever its resource holds (binary "TPF0" or text).
void ObjectResourceToBinary(const void* data, int size, TStream* output);
// Loads the RCDATA resource named resName (from the module of instance's class, then the program)
// into instance; false when there is no such resource.
bool ReadComponentRes(const AnsiString& resName, TComponent* instance);
// Loads the stored forms of instance's class and of its ancestors up to (not including)
// rootAncestor, base classes first; false when none of them has a resource.
bool InitInheritedComponent(TComponent* instance, TMetaClass* rootAncestor);
// Reads the stored form of one class (its own resource only) into instance and calls Loaded for what
// it read; false when the class has no stored form.
bool InitComponentLevel(TComponent* instance, TMetaClass* level);

// ---------------------------------------------------------------------------------------------------
// Design-time registration. A unit's Register function hands its components to the palette through
// RegisterComponents, which calls the hook a designer installs; with no designer it raises
// EComponentError (SRegisterError), as the VCL does outside the IDE.
using TRegisterComponentsProc = void (*)(const AnsiString& page, TMetaClass* const* classes, int count);
extern TRegisterComponentsProc RegisterComponentsProc;
void RegisterComponents(const AnsiString& page, std::initializer_list<TMetaClass*> classes);

// ---------------------------------------------------------------------------------------------------
// Identifiers of integer values (Classes.cpp). A named integer type (VCL_DECLARE_INTEGER_TYPE) whose
// conversions are registered is streamed as an identifier where one exists ("Color = clBtnFace") and
// read from an identifier or a number.
using TIdentToInt = bool (*)(const AnsiString& ident, int& value);
using TIntToIdent = bool (*)(int value, AnsiString& ident);
struct TIdentMapEntry {
  int Value;
  const char* Name;
};
void RegisterIntegerConsts(PTypeInfo intType, TIdentToInt identToInt, TIntToIdent intToIdent);
void UnregisterIntegerConsts(PTypeInfo intType, TIdentToInt identToInt, TIntToIdent intToIdent);
TIdentToInt FindIdentToInt(PTypeInfo intType);  // null when none is registered
TIntToIdent FindIntToIdent(PTypeInfo intType);
// Lookups in a map; identifiers compare without regard to letter case.
bool IdentToInt(const AnsiString& ident, int& value, const TIdentMapEntry* map, int count);
bool IntToIdent(int value, AnsiString& ident, const TIdentMapEntry* map, int count);

// ---------------------------------------------------------------------------------------------------
// Points and rectangles, as the VCL's Windows unit has them; Right and Bottom are exclusive.
struct TPoint {
  int x = 0;
  int y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int ax, int ay) : x(ax), y(ay) {}
  TPoint(const POINT& p) : x(int(p.x)), y(int(p.y)) {}
  operator POINT() const { return POINT{x, y}; }
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int left, int top, int right, int bottom) : Left(left), Top(top), Right(right), Bottom(bottom) {}
  constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
      : Left(topLeft.x), Top(topLeft.y), Right(bottomRight.x), Bottom(bottomRight.y)
  {
  }
  TRect(const RECT& r) : Left(int(r.left)), Top(int(r.top)), Right(int(r.right)), Bottom(int(r.bottom)) {}
  operator RECT() const { return RECT{Left, Top, Right, Bottom}; }
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
  constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
  bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(int x, int y) { return TPoint(x, y); }
constexpr TRect Rect(int left, int top, int right, int bottom) { return TRect(left, top, right, bottom); }
using TSize = SIZE;

constexpr TRect Bounds(int left, int top, int width, int height) { return TRect(left, top, left + width, top + height); }
