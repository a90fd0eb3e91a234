// Published run-time type information: per-class records of published properties and methods, the
// type descriptions they refer to, and the generic property access functions that streaming, the
// designer's property editors and scripts use.
//
// A class publishes in its .cpp:
//
//   VCL_PUBLISHED(TMyButton)
//   {
//     p.Property("Caption", &TMyButton::GetCaption, &TMyButton::SetCaption);
//     p.Property("Kind", &TMyButton::GetKind, &TMyButton::SetKind).Default(bkCustom);
//     p.Property("OnClick", &TMyButton::GetOnClick, &TMyButton::SetOnClick);
//     p.Method("ButtonClick", &TMyButton::ButtonClick);
//   }
//
// The kind and type description are deduced from the getter's value type; enumerations declare
// their names once with VCL_DECLARE_ENUM / VCL_IMPLEMENT_ENUM.
#pragma once
#include "ObjBase.h"
#include "SysUtils.h"
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod, tkWChar,
  tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
enum TOrdType { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };
enum TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// A type description (PTypeInfo and its type data in one).
struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  AnsiString Name;
  // ordinals
  TOrdType OrdType = otSLong;
  int MinValue = 0;
  int MaxValue = 0;
  std::vector<AnsiString> EnumNames;  // enumerations: names of MinValue..MaxValue
  // sets: the element type
  const TTypeInfo* CompType = nullptr;
  // floats
  TFloatType FloatType = ftDouble;
  // classes
  TMetaClass* ClassType = nullptr;
  // methods: the closure's signature
  const std::type_info* Signature = nullptr;
};
using PTypeInfo = const TTypeInfo*;

const int NoDefault = int(0x80000000);

class EPropertyError : public Exception {
public:
  using Exception::Exception;
};
class EPropertyConvertError : public Exception {
public:
  using Exception::Exception;
};

// A published property.
struct TPropInfo {
  AnsiString Name;
  PTypeInfo PropType = nullptr;
  TMetaClass* Owner = nullptr;  // the class that published it
  int Index = int(0x80000000);
  int Default = NoDefault;      // ordinal properties (sets: their bit mask)
  int NameIndex = 0;            // position among the class's properties
  bool Writable = true;
  bool StoredConst = true;
  std::function<bool(TObject*)> StoredProc;  // a stored predicate, when there is one

  // Type-erased accessors; only those of the property's channel are set.
  std::function<int64_t(TObject*)> GetOrd;  // ordinals, sets (bit mask), Int64
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<long double(TObject*)> GetFloat;
  std::function<void(TObject*, long double)> SetFloat;
  std::function<AnsiString(TObject*)> GetStr;  // tkLString; tkWString as UTF-8
  std::function<void(TObject*, const AnsiString&)> SetStr;
  std::function<WideString(TObject*)> GetWStr;  // tkWString only
  std::function<void(TObject*, const WideString&)> SetWStr;
  std::function<TObject*(TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;
  std::function<TMethod(TObject*)> GetMeth;
  std::function<void(TObject*, const TMethod&)> SetMeth;
};
using PPropInfo = const TPropInfo*;
using TPropList = std::vector<PPropInfo>;

struct TMethodEntry {
  AnsiString Name;
  const TMethodCode* Code = nullptr;
};

// A published field: a member pointer to a component that follows the owned component of that name.
struct TFieldEntry {
  AnsiString Name;
  std::function<bool(TObject* instance, TObject* value)> Set;  // false when value is of another class
};

// The published-RTTI record of one class: what the class itself declares; lookups walk the parents.
struct TClassRtti {
  TMetaClass* Class = nullptr;
  std::vector<std::unique_ptr<TPropInfo>> Props;
  std::vector<TMethodEntry> Methods;
  std::vector<TFieldEntry> Fields;
};

// ---- type descriptions of the basic types ----
PTypeInfo TypeInfoOf(int*);
PTypeInfo TypeInfoOf(unsigned*);
PTypeInfo TypeInfoOf(short*);
PTypeInfo TypeInfoOf(unsigned short*);
PTypeInfo TypeInfoOf(signed char*);
PTypeInfo TypeInfoOf(unsigned char*);
PTypeInfo TypeInfoOf(long*);
PTypeInfo TypeInfoOf(unsigned long*);
PTypeInfo TypeInfoOf(char*);
PTypeInfo TypeInfoOf(wchar_t*);
PTypeInfo TypeInfoOf(bool*);
PTypeInfo TypeInfoOf(float*);
PTypeInfo TypeInfoOf(double*);
PTypeInfo TypeInfoOf(long double*);
PTypeInfo TypeInfoOf(long long*);
PTypeInfo TypeInfoOf(unsigned long long*);
PTypeInfo TypeInfoOf(AnsiString*);
PTypeInfo TypeInfoOf(WideString*);
PTypeInfo TypeInfoOf(Currency*);
PTypeInfo TypeInfoOf(TDateTime*);

// A type description made once per process; used by the macros below.
PTypeInfo MakeEnumTypeInfo(const char* name, std::initializer_list<const char*> names);
PTypeInfo MakeSetTypeInfo(PTypeInfo element);
PTypeInfo MakeClassTypeInfo(TMetaClass* cls);
PTypeInfo MakeMethodTypeInfo(const std::type_info& signature, const char* name);

// Enumerations: VCL_DECLARE_ENUM(TAlign) next to the enum, VCL_IMPLEMENT_ENUM(TAlign, "alNone", ...)
// in one .cpp. The names are those of the enumerators, in order from 0.
#define VCL_DECLARE_ENUM(EnumT) PTypeInfo TypeInfoOf(EnumT*)
#define VCL_IMPLEMENT_ENUM(EnumT, ...)                             \
  PTypeInfo TypeInfoOf(EnumT*)                                     \
  {                                                                \
    static PTypeInfo info = MakeEnumTypeInfo(#EnumT, {__VA_ARGS__}); \
    return info;                                                   \
  }

// Named integer types: an integer with a type description of its own (TColor, TCursor, TFontCharset),
// so that streaming can find the identifiers registered for it (RegisterIntegerConsts in Classes.h).
// The value converts to and from its representation implicitly and computes like it.
//   header: VCL_DECLARE_INTEGER_TYPE(TColor, int);   one .cpp: VCL_IMPLEMENT_INTEGER_TYPE(TColor)
template <class Tag, class Rep>
class TNamedInteger {
public:
  using TRep = Rep;
  constexpr TNamedInteger(Rep value = Rep()) : FValue(value) {}
  constexpr operator Rep() const { return FValue; }

private:
  Rep FValue;
};

PTypeInfo MakeIntegerTypeInfo(const char* name, TOrdType ordType, int minValue, int maxValue);

namespace vcl_detail {
template <class Rep>
constexpr TOrdType OrdTypeOf()
{
  constexpr bool s = std::is_signed_v<Rep>;
  if constexpr (sizeof(Rep) == 1) return s ? otSByte : otUByte;
  else if constexpr (sizeof(Rep) == 2) return s ? otSWord : otUWord;
  else return s ? otSLong : otULong;
}
template <class>
struct IsNamedInteger : std::false_type {};
template <class Tag, class Rep>
struct IsNamedInteger<TNamedInteger<Tag, Rep>> : std::true_type {};
}  // namespace vcl_detail

// The type lives in the module that implements it: its description must be one object process-wide,
// since the registered identifiers are found by it.
#define VCL_DECLARE_INTEGER_TYPE(Name, Rep) \
  struct Name##_Tag;                        \
  using Name = TNamedInteger<Name##_Tag, Rep>; \
  PTypeInfo TypeInfoOf(Name*)
#define VCL_IMPLEMENT_INTEGER_TYPE(Name)                                                        \
  PTypeInfo TypeInfoOf(Name*)                                                                   \
  {                                                                                             \
    using Rep = Name::TRep;                                                                     \
    static PTypeInfo info = MakeIntegerTypeInfo(#Name, vcl_detail::OrdTypeOf<Rep>(),            \
                                                int(std::numeric_limits<Rep>::min()),           \
                                                int(std::numeric_limits<Rep>::max()));          \
    return info;                                                                                \
  }

template <class T, unsigned char lo, unsigned char hi>
PTypeInfo TypeInfoOf(Set<T, lo, hi>*)
{
  static PTypeInfo info = MakeSetTypeInfo(TypeInfoOf(static_cast<T*>(nullptr)));
  return info;
}

template <class Sig>
PTypeInfo TypeInfoOf(TClosure<Sig>*)
{
  static PTypeInfo info = MakeMethodTypeInfo(typeid(Sig), typeid(Sig).name());
  return info;
}

template <class T>
  requires std::is_base_of_v<TObject, T>
PTypeInfo TypeInfoOf(T**)
{
  static PTypeInfo info = MakeClassTypeInfo(T::StaticClass());
  return info;
}

// The type description of a C++ type (__typeinfo / TypeInfo()).
template <class T>
PTypeInfo TypeInfoFor()
{
  return TypeInfoOf(static_cast<T*>(nullptr));
}

namespace vcl_detail {
template <class>
struct IsSet : std::false_type {};
template <class T, unsigned char lo, unsigned char hi>
struct IsSet<Set<T, lo, hi>> : std::true_type {
  using Element = T;
  static constexpr int Low = lo;
  static constexpr int High = hi;
};
template <class>
struct IsClosure : std::false_type {};
template <class Sig>
struct IsClosure<TClosure<Sig>> : std::true_type {};

template <class S>
int64_t SetToBits(const S& s)
{
  using Info = IsSet<S>;
  int64_t bits = 0;
  for (int i = Info::Low; i <= Info::High && i < 32; ++i)
    if (s.Contains(static_cast<typename Info::Element>(i))) bits |= int64_t(1) << i;
  return bits;
}
template <class S>
S BitsToSet(int64_t bits)
{
  using Info = IsSet<S>;
  S s;
  for (int i = Info::Low; i <= Info::High && i < 32; ++i)
    if (bits & (int64_t(1) << i)) s << static_cast<typename Info::Element>(i);
  return s;
}

template <class T, class G>
auto CallGetter(const G& g, TObject* obj)
{
  return std::invoke(g, static_cast<T*>(obj));
}
template <class T, class S, class V>
void CallSetter(const S& s, TObject* obj, V&& v)
{
  if constexpr (std::is_member_object_pointer_v<S>) static_cast<T*>(obj)->*s = std::forward<V>(v);
  else std::invoke(s, static_cast<T*>(obj), std::forward<V>(v));
}
}  // namespace vcl_detail

// Refines a property just published: default value, stored flag or predicate, index.
class TPropBuilder {
public:
  explicit TPropBuilder(TPropInfo& info) : FInfo(info) {}
  template <class V>
  TPropBuilder& Default(V value)
  {
    if constexpr (vcl_detail::IsSet<V>::value) FInfo.Default = int(vcl_detail::SetToBits(value));
    else FInfo.Default = int(value);
    return *this;
  }
  TPropBuilder& NoDefault()
  {
    FInfo.Default = ::NoDefault;
    return *this;
  }
  TPropBuilder& Stored(bool stored)
  {
    FInfo.StoredConst = stored;
    FInfo.StoredProc = nullptr;
    return *this;
  }
  template <class T>
  TPropBuilder& Stored(bool (T::*pred)() const)
  {
    FInfo.StoredProc = [pred](TObject* o) { return (static_cast<T*>(o)->*pred)(); };
    return *this;
  }
  TPropBuilder& Index(int index)
  {
    FInfo.Index = index;
    return *this;
  }

private:
  TPropInfo& FInfo;
};

// What a VCL_PUBLISHED block is given: publishes properties and methods of class T.
template <class T>
class TPublisher {
public:
  explicit TPublisher(TClassRtti& rtti) : FRtti(rtti) {}

  // getter: member function, data member or callable taking T*; setter: the same kinds or nullptr.
  template <class G, class S>
  TPropBuilder Property(const char* name, G getter, S setter)
  {
    using V = std::remove_cvref_t<decltype(vcl_detail::CallGetter<T>(getter, nullptr))>;
    TPropInfo& info = NewProp(name, TypeInfoFor<V>());
    constexpr bool writable = !std::is_same_v<S, std::nullptr_t>;
    info.Writable = writable;
    Bind<V, G, S, writable>(info, getter, setter);
    return TPropBuilder(info);
  }
  template <class G>
  TPropBuilder ReadOnly(const char* name, G getter)
  {
    return Property(name, getter, nullptr);
  }

  // A published method, found by name when handlers are bound from stored forms.
  template <class R, class... A>
  void Method(const char* name, R (T::*member)(A...))
  {
    using M = R (TObject::*)(A...);
    M m = static_cast<M>(member);
    FRtti.Methods.push_back({AnsiString(name), InternMethodCode(typeid(R(A...)), &m, sizeof m)});
  }

  // A published field: `p.Field("OkButton", &TMyForm::OkButton)`. It points at the owned component of
  // that name while there is one (set when the component is named or read, null when it goes).
  template <class C>
  void Field(const char* name, C* T::*member)
  {
    FRtti.Fields.push_back({AnsiString(name), [member](TObject* instance, TObject* value) {
                              C* typed = dynamic_cast<C*>(value);
                              if (value && !typed) return false;
                              static_cast<T*>(instance)->*member = typed;
                              return true;
                            }});
  }

private:
  TPropInfo& NewProp(const char* name, PTypeInfo type);

  template <class V, class G, class S, bool writable>
  void Bind(TPropInfo& info, G getter, S setter)
  {
    using namespace vcl_detail;
    if constexpr (IsSet<V>::value) {
      info.GetOrd = [getter](TObject* o) { return SetToBits(CallGetter<T>(getter, o)); };
      if constexpr (writable)
        info.SetOrd = [setter](TObject* o, int64_t v) { CallSetter<T>(setter, o, BitsToSet<V>(v)); };
    } else if constexpr (IsClosure<V>::value) {
      info.GetMeth = [getter](TObject* o) { return CallGetter<T>(getter, o).GetMethod(); };
      if constexpr (writable)
        info.SetMeth = [setter](TObject* o, const TMethod& m) { CallSetter<T>(setter, o, V::FromMethod(m)); };
    } else if constexpr (std::is_pointer_v<V>) {
      using C = std::remove_pointer_t<V>;
      info.GetObj = [getter](TObject* o) -> TObject* { return CallGetter<T>(getter, o); };
      if constexpr (writable)
        info.SetObj = [setter](TObject* o, TObject* v) { CallSetter<T>(setter, o, dynamic_cast<C*>(v)); };
    } else if constexpr (std::is_same_v<V, AnsiString>) {
      info.GetStr = [getter](TObject* o) { return AnsiString(CallGetter<T>(getter, o)); };
      if constexpr (writable)
        info.SetStr = [setter](TObject* o, const AnsiString& v) { CallSetter<T>(setter, o, v); };
    } else if constexpr (std::is_same_v<V, WideString>) {
      info.GetWStr = [getter](TObject* o) { return WideString(CallGetter<T>(getter, o)); };
      info.GetStr = [getter](TObject* o) { return AnsiString(WideString(CallGetter<T>(getter, o))); };
      if constexpr (writable) {
        info.SetWStr = [setter](TObject* o, const WideString& v) { CallSetter<T>(setter, o, v); };
        info.SetStr = [setter](TObject* o, const AnsiString& v) { CallSetter<T>(setter, o, WideString(v)); };
      }
    } else if constexpr (std::is_floating_point_v<V>) {
      info.GetFloat = [getter](TObject* o) { return static_cast<long double>(CallGetter<T>(getter, o)); };
      if constexpr (writable)
        info.SetFloat = [setter](TObject* o, long double v) { CallSetter<T>(setter, o, static_cast<V>(v)); };
    } else if constexpr (std::is_enum_v<V> || std::is_integral_v<V> || IsNamedInteger<V>::value) {
      info.GetOrd = [getter](TObject* o) { return static_cast<int64_t>(CallGetter<T>(getter, o)); };
      if constexpr (writable)
        info.SetOrd = [setter](TObject* o, int64_t v) { CallSetter<T>(setter, o, static_cast<V>(v)); };
    } else if constexpr (std::is_same_v<V, Currency>) {
      // Through the 64-bit mantissa of long double, so that every stored amount comes back exactly.
      info.GetFloat = [getter](TObject* o) { return static_cast<long double>(CallGetter<T>(getter, o).Val) / 10000.0L; };
      if constexpr (writable)
        info.SetFloat = [setter](TObject* o, long double v) {
          CallSetter<T>(setter, o, Currency::FromScaled(std::llround(v * 10000.0L)));
        };
    } else {
      // TDateTime and other number-like classes travel as floats.
      info.GetFloat = [getter](TObject* o) {
        return static_cast<long double>(static_cast<double>(CallGetter<T>(getter, o)));
      };
      if constexpr (writable)
        info.SetFloat = [setter](TObject* o, long double v) {
          CallSetter<T>(setter, o, V(static_cast<double>(v)));
        };
    }
  }

  TClassRtti& FRtti;
};

// Adds or replaces (a descendant re-publishing an ancestor's property keeps its position) a property.
TPropInfo& AddPublishedProperty(TClassRtti& rtti, const char* name, PTypeInfo type);

template <class T>
TPropInfo& TPublisher<T>::NewProp(const char* name, PTypeInfo type)
{
  return AddPublishedProperty(FRtti, name, type);
}

#define VCL_PUBLISHED(ClassT)                                                   \
  static void ClassT##_Publish(TPublisher<ClassT>& p);                          \
  static void ClassT##_Describe(TClassRtti& rtti)                               \
  {                                                                             \
    TPublisher<ClassT> p(rtti);                                                 \
    ClassT##_Publish(p);                                                        \
  }                                                                             \
  VCL_IMPLEMENT_CLASS_EX(ClassT, &ClassT##_Describe)                            \
  static void ClassT##_Publish([[maybe_unused]] TPublisher<ClassT>& p)

// ---- lookups ----
PPropInfo GetPropInfo(const TMetaClass* cls, const AnsiString& name);  // null when absent
PPropInfo GetPropInfo(const TObject* obj, const AnsiString& name);
TPropList GetPropInfos(const TMetaClass* cls);  // ancestors' first, in declaration order
TPropList GetPropList(const TObject* obj);
int GetPropCount(const TMetaClass* cls);
bool IsPublishedProp(const TObject* obj, const AnsiString& name);
PTypeInfo PropType(const TObject* obj, const AnsiString& name);  // raises when absent
TTypeKind PropKind(PPropInfo info);

// The published method table of a class and its parents: name -> code, code -> name.
const TMethodCode* FindPublishedMethod(const TMetaClass* cls, const AnsiString& name);
// Sets the published field `name` of instance (false when there is none, or it takes another class).
bool SetPublishedField(TObject* instance, const AnsiString& name, TObject* value);
AnsiString PublishedMethodName(const TMetaClass* cls, const void* code);

// ---- enumerations and sets ----
AnsiString GetEnumName(PTypeInfo type, int value);
int GetEnumValue(PTypeInfo type, const AnsiString& name);  // -1 when unknown
AnsiString SetToString(PPropInfo info, int value, bool brackets = true);
int StringToSet(PPropInfo info, const AnsiString& value);  // raises EPropertyConvertError
AnsiString SetToString(PTypeInfo setType, int value, bool brackets = true);
int StringToSet(PTypeInfo setType, const AnsiString& value);

// ---- generic access (raise EPropertyError when the property does not exist or cannot be set) ----
bool IsStoredProp(TObject* obj, PPropInfo info);
bool IsStoredProp(TObject* obj, const AnsiString& name);
int GetOrdProp(TObject* obj, PPropInfo info);
int GetOrdProp(TObject* obj, const AnsiString& name);
void SetOrdProp(TObject* obj, PPropInfo info, int value);
void SetOrdProp(TObject* obj, const AnsiString& name, int value);
AnsiString GetEnumProp(TObject* obj, const AnsiString& name);
void SetEnumProp(TObject* obj, const AnsiString& name, const AnsiString& value);
AnsiString GetSetProp(TObject* obj, const AnsiString& name, bool brackets = true);
void SetSetProp(TObject* obj, const AnsiString& name, const AnsiString& value);
AnsiString GetStrProp(TObject* obj, PPropInfo info);
AnsiString GetStrProp(TObject* obj, const AnsiString& name);
void SetStrProp(TObject* obj, PPropInfo info, const AnsiString& value);
void SetStrProp(TObject* obj, const AnsiString& name, const AnsiString& value);
WideString GetWideStrProp(TObject* obj, PPropInfo info);
void SetWideStrProp(TObject* obj, PPropInfo info, const WideString& value);
long double GetFloatProp(TObject* obj, PPropInfo info);
long double GetFloatProp(TObject* obj, const AnsiString& name);
void SetFloatProp(TObject* obj, PPropInfo info, long double value);
void SetFloatProp(TObject* obj, const AnsiString& name, long double value);
int64_t GetInt64Prop(TObject* obj, PPropInfo info);
int64_t GetInt64Prop(TObject* obj, const AnsiString& name);
void SetInt64Prop(TObject* obj, PPropInfo info, int64_t value);
void SetInt64Prop(TObject* obj, const AnsiString& name, int64_t value);
TObject* GetObjectProp(TObject* obj, PPropInfo info);
TObject* GetObjectProp(TObject* obj, const AnsiString& name, TMetaClass* minClass = nullptr);
void SetObjectProp(TObject* obj, PPropInfo info, TObject* value);
void SetObjectProp(TObject* obj, const AnsiString& name, TObject* value);
TMethod GetMethodProp(TObject* obj, PPropInfo info);
TMethod GetMethodProp(TObject* obj, const AnsiString& name);
void SetMethodProp(TObject* obj, PPropInfo info, const TMethod& value);
void SetMethodProp(TObject* obj, const AnsiString& name, const TMethod& value);
