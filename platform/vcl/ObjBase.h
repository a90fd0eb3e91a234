// The root of the class hierarchy: TObject, class references (TMetaClass) with virtual constructors,
// the class registry used by streaming, and comparable event closures with their TMethod view.
#pragma once
#include "System.h"
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <utility>

class TObject;
class TMetaClass;
struct TClassRtti;  // the published-RTTI record of a class (TypInfo.h)

// A class reference. Each class has exactly one, made on first use by ClassT::StaticClass().
// The virtual constructor takes one optional argument: the owner of a component, the collection of a
// collection item, ignored by plain classes.
class TMetaClass {
public:
  using TCreateProc = TObject* (*)(TObject* arg);
  using TDescribeProc = void (*)(TClassRtti& rtti);

  TMetaClass(const char* name, TMetaClass* parent, TCreateProc create, TDescribeProc describe);
  ~TMetaClass();
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  AnsiString ClassName() const { return AnsiString(FName); }
  const char* Name() const { return FName; }
  TMetaClass* ClassParent() const { return FParent; }
  bool InheritsFrom(const TMetaClass* other) const;
  bool ClassNameIs(const AnsiString& name) const;
  // Whether CreateInstance can make an object of exactly this class.
  bool CanCreate() const { return FCreate != nullptr; }
  // Makes a new instance; raises EClassNotFound-style EInvalidOperation for abstract classes.
  TObject* CreateInstance(TObject* arg = nullptr) const;
  // The class's own published-RTTI record, built on first use (never null).
  TClassRtti& Rtti() const;

private:
  const char* FName;
  TMetaClass* FParent;
  TCreateProc FCreate;
  TDescribeProc FDescribe;
  mutable TClassRtti* FRtti = nullptr;
  mutable int FRttiState = 0;
};

using TClass = TMetaClass*;

// A class family whose virtual constructor takes an argument names its type once, in its root class
// (TComponent: `using TCtorArg = TComponent*;`); descendants inherit it.
class TObject {
public:
  using TCtorArg = void;  // what the virtual constructor passes on (see TMetaClass)
  TObject() noexcept;
  virtual ~TObject();
  TObject(const TObject&) noexcept;
  TObject& operator=(const TObject&) = default;
  // How many objects of the family live now, in every module of the process (for leak checks).
  static long LiveInstances() noexcept;

  static TMetaClass* StaticClass();
  virtual TMetaClass* ClassType() const { return StaticClass(); }
  AnsiString ClassName() const { return ClassType()->ClassName(); }
  TMetaClass* ClassParent() const { return ClassType()->ClassParent(); }
  bool InheritsFrom(const TMetaClass* cls) const { return ClassType()->InheritsFrom(cls); }
  bool ClassNameIs(const AnsiString& name) const { return ClassType()->ClassNameIs(name); }
  // As in the VCL, `delete` first calls BeforeDestruction on the whole, still intact object (so its
  // most derived overrides run: TList::Clear, TComponent's destroying state), then the destructors.
  virtual void BeforeDestruction() {}
  virtual void AfterConstruction() {}
  void operator delete(TObject* object, std::destroying_delete_t);
};

namespace vcl_detail {
// The virtual constructor of ClassT: the argument is converted to the class's constructor argument
// type; classes that cannot be made from it (abstract, or other constructors) have no creator.
template <class T>
TObject* CreateInstanceOf(TObject* arg)
{
  using Arg = typename T::TCtorArg;
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else if constexpr (std::is_void_v<Arg>) {
    (void)arg;
    if constexpr (std::is_default_constructible_v<T>) return new T();
    else return nullptr;
  } else if constexpr (std::is_constructible_v<T, Arg>) {
    return new T(dynamic_cast<Arg>(arg));
  } else {
    return nullptr;
  }
}

template <class T>
constexpr TMetaClass::TCreateProc CreatorOf()
{
  if constexpr (std::is_abstract_v<T>) return nullptr;
  else if constexpr (std::is_void_v<typename T::TCtorArg>) {
    if constexpr (std::is_default_constructible_v<T>) return &CreateInstanceOf<T>;
    else return nullptr;
  } else if constexpr (std::is_constructible_v<T, typename T::TCtorArg>) {
    return &CreateInstanceOf<T>;
  } else {
    return nullptr;
  }
}
}  // namespace vcl_detail

// In a class body: VCL_DECLARE_CLASS(TMyClass, TParent). Leaves the access at public.
#define VCL_DECLARE_CLASS(ClassT, ParentT)                                  \
public:                                                                     \
  using inherited = ParentT;                                                \
  static TMetaClass* StaticClass();                                         \
  TMetaClass* ClassType() const override { return ClassT::StaticClass(); }

// In the class's .cpp, exactly once: VCL_IMPLEMENT_CLASS(TMyClass) for a class without published
// members, or VCL_PUBLISHED(TMyClass) { ... } (TypInfo.h) for one that publishes properties.
#define VCL_IMPLEMENT_CLASS_EX(ClassT, DescribeProc)                                             \
  TMetaClass* ClassT::StaticClass()                                                              \
  {                                                                                              \
    static TMetaClass meta(#ClassT, ClassT::inherited::StaticClass(),                            \
                           vcl_detail::CreatorOf<ClassT>(), DescribeProc);                       \
    return &meta;                                                                                \
  }
#define VCL_IMPLEMENT_CLASS(ClassT) VCL_IMPLEMENT_CLASS_EX(ClassT, nullptr)

// __classid(T) of C++Builder.
template <class T>
TMetaClass* ClassIdOf() { return T::StaticClass(); }

// ---- class registry (streaming finds classes by name) ----
void RegisterClass(TMetaClass* cls);
void RegisterClasses(std::initializer_list<TMetaClass*> classes);
void UnRegisterClass(TMetaClass* cls);
TMetaClass* GetClass(const AnsiString& name);   // null when not registered
TMetaClass* FindClass(const AnsiString& name);  // raises EClassNotFound

// ---- closures ----

// The untyped view of a closure, as TypInfo hands method properties around: Code identifies the
// member function (a process-wide record, see InternMethodCode), Data is the object.
struct TMethod {
  void* Code = nullptr;
  void* Data = nullptr;
  bool operator==(const TMethod&) const = default;
};

// A member function kept in one process-wide record per distinct (signature, member pointer), so that
// TMethod::Code is one pointer and equal closures have equal codes.
struct TMethodCode {
  const std::type_info* Signature;
  unsigned Size;
  alignas(8) unsigned char Bytes[16];
};
const TMethodCode* InternMethodCode(const std::type_info& signature, const void* member, unsigned size);

template <class Sig>
class TClosure;

// An event closure: an object and one of its member functions. Comparable, testable for null, callable.
template <class R, class... A>
class TClosure<R(A...)> {
public:
  using TSignature = R(A...);
  using TMember = R (TObject::*)(A...);

  TClosure() = default;
  TClosure(std::nullptr_t) {}
  template <class T>
  TClosure(T* object, R (T::*member)(A...))
      : FData(object), FMember(object ? static_cast<TMember>(member) : nullptr)
  {
  }

  explicit operator bool() const { return FData != nullptr && FMember != nullptr; }
  bool operator==(const TClosure& o) const { return FData == o.FData && FMember == o.FMember; }
  bool operator!=(const TClosure& o) const { return !(*this == o); }
  bool operator==(std::nullptr_t) const { return !*this; }
  bool operator!=(std::nullptr_t) const { return !!*this; }

  R operator()(A... args) const { return (FData->*FMember)(std::forward<A>(args)...); }

  TObject* Object() const { return FData; }
  TMethod GetMethod() const
  {
    if (!*this) return {};
    const TMethodCode* code = InternMethodCode(typeid(TSignature), &FMember, sizeof FMember);
    return TMethod{const_cast<TMethodCode*>(code), FData};
  }
  // Rebuilds a closure from its untyped view; a null or mismatched view gives a null closure.
  static TClosure FromMethod(const TMethod& m)
  {
    TClosure c;
    auto* code = static_cast<const TMethodCode*>(m.Code);
    if (!code || !m.Data || *code->Signature != typeid(TSignature) || code->Size != sizeof(TMember))
      return c;
    c.FData = static_cast<TObject*>(m.Data);
    std::memcpy(&c.FMember, code->Bytes, sizeof c.FMember);
    return c;
  }

private:
  TObject* FData = nullptr;
  TMember FMember = nullptr;
};

using TNotifyEvent = TClosure<void(TObject* Sender)>;
