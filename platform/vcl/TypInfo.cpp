// Published RTTI: the type descriptions of the basic types, the per-class records and generic access.
#include "TypInfo.h"
#include <cstdio>
#include <deque>
#include <mutex>

namespace {
std::recursive_mutex& RttiLock()
{
  static std::recursive_mutex lock;
  return lock;
}

// Type descriptions live as long as the process; a deque keeps their addresses stable.
TTypeInfo& NewTypeInfo()
{
  static std::deque<TTypeInfo> infos;
  std::lock_guard<std::recursive_mutex> guard(RttiLock());
  return infos.emplace_back();
}

PTypeInfo MakeOrdinal(TTypeKind kind, const char* name, TOrdType ord, int lo, int hi)
{
  TTypeInfo& t = NewTypeInfo();
  t.Kind = kind;
  t.Name = name;
  t.OrdType = ord;
  t.MinValue = lo;
  t.MaxValue = hi;
  return &t;
}

PTypeInfo MakeSimple(TTypeKind kind, const char* name, TFloatType ft = ftDouble)
{
  TTypeInfo& t = NewTypeInfo();
  t.Kind = kind;
  t.Name = name;
  t.FloatType = ft;
  return &t;
}

}  // namespace

#define ORDINAL_INFO(T, kind, name, ord, lo, hi)            \
  PTypeInfo TypeInfoOf(T*)                                  \
  {                                                         \
    static PTypeInfo info = MakeOrdinal(kind, name, ord, lo, hi); \
    return info;                                            \
  }
ORDINAL_INFO(int, tkInteger, "Integer", otSLong, int(0x80000000), 0x7FFFFFFF)
ORDINAL_INFO(long, tkInteger, "Longint", otSLong, int(0x80000000), 0x7FFFFFFF)
ORDINAL_INFO(unsigned, tkInteger, "Cardinal", otULong, 0, -1)
ORDINAL_INFO(unsigned long, tkInteger, "Cardinal", otULong, 0, -1)
ORDINAL_INFO(short, tkInteger, "Smallint", otSWord, -32768, 32767)
ORDINAL_INFO(unsigned short, tkInteger, "Word", otUWord, 0, 65535)
ORDINAL_INFO(signed char, tkInteger, "Shortint", otSByte, -128, 127)
ORDINAL_INFO(unsigned char, tkInteger, "Byte", otUByte, 0, 255)
ORDINAL_INFO(char, tkChar, "Char", otUByte, 0, 255)
ORDINAL_INFO(wchar_t, tkWChar, "WideChar", otUWord, 0, 65535)
#undef ORDINAL_INFO

PTypeInfo TypeInfoOf(bool*)
{
  static PTypeInfo info = MakeEnumTypeInfo("Boolean", {"False", "True"});
  return info;
}
PTypeInfo TypeInfoOf(float*) { static PTypeInfo i = MakeSimple(tkFloat, "Single", ftSingle); return i; }
PTypeInfo TypeInfoOf(double*) { static PTypeInfo i = MakeSimple(tkFloat, "Double", ftDouble); return i; }
PTypeInfo TypeInfoOf(long double*) { static PTypeInfo i = MakeSimple(tkFloat, "Extended", ftExtended); return i; }
PTypeInfo TypeInfoOf(Currency*) { static PTypeInfo i = MakeSimple(tkFloat, "Currency", ftCurr); return i; }
PTypeInfo TypeInfoOf(TDateTime*) { static PTypeInfo i = MakeSimple(tkFloat, "TDateTime", ftDouble); return i; }
PTypeInfo TypeInfoOf(long long*) { static PTypeInfo i = MakeSimple(tkInt64, "Int64"); return i; }
PTypeInfo TypeInfoOf(unsigned long long*) { static PTypeInfo i = MakeSimple(tkInt64, "UInt64"); return i; }
PTypeInfo TypeInfoOf(AnsiString*) { static PTypeInfo i = MakeSimple(tkLString, "AnsiString"); return i; }
PTypeInfo TypeInfoOf(WideString*) { static PTypeInfo i = MakeSimple(tkWString, "WideString"); return i; }

PTypeInfo MakeIntegerTypeInfo(const char* name, TOrdType ordType, int minValue, int maxValue)
{
  return MakeOrdinal(tkInteger, name, ordType, minValue, maxValue);
}

PTypeInfo MakeEnumTypeInfo(const char* name, std::initializer_list<const char*> names)
{
  TTypeInfo& t = NewTypeInfo();
  t.Kind = tkEnumeration;
  t.Name = name;
  t.OrdType = names.size() <= 256 ? otUByte : otUWord;
  t.MinValue = 0;
  t.MaxValue = int(names.size()) - 1;
  for (const char* n : names) t.EnumNames.emplace_back(n);
  return &t;
}

PTypeInfo MakeSetTypeInfo(PTypeInfo element)
{
  TTypeInfo& t = NewTypeInfo();
  t.Kind = tkSet;
  t.Name = AnsiString("set of ") + (element ? element->Name : AnsiString("?"));
  t.CompType = element;
  return &t;
}

PTypeInfo MakeClassTypeInfo(TMetaClass* cls)
{
  TTypeInfo& t = NewTypeInfo();
  t.Kind = tkClass;
  t.Name = cls->ClassName();
  t.ClassType = cls;
  return &t;
}

PTypeInfo MakeMethodTypeInfo(const std::type_info& signature, const char* name)
{
  TTypeInfo& t = NewTypeInfo();
  t.Kind = tkMethod;
  t.Name = name;
  t.Signature = &signature;
  return &t;
}

// ---- class records ----
TClassRtti& TMetaClass::Rtti() const
{
  std::lock_guard<std::recursive_mutex> guard(RttiLock());
  if (FRttiState == 0) {
    FRttiState = 1;
    auto rtti = std::make_unique<TClassRtti>();
    rtti->Class = const_cast<TMetaClass*>(this);
    FRtti = rtti.release();
    if (FDescribe) FDescribe(*FRtti);
    FRttiState = 2;
  }
  return *FRtti;
}

TMetaClass::~TMetaClass() { delete FRtti; }

TPropInfo& AddPublishedProperty(TClassRtti& rtti, const char* name, PTypeInfo type)
{
  for (auto& p : rtti.Props)
    if (SameText(p->Name, name)) {
      *p = TPropInfo{};
      p->Name = name;
      p->PropType = type;
      p->Owner = rtti.Class;
      return *p;
    }
  auto info = std::make_unique<TPropInfo>();
  info->Name = name;
  info->PropType = type;
  info->Owner = rtti.Class;
  rtti.Props.push_back(std::move(info));
  return *rtti.Props.back();
}

TPropList GetPropInfos(const TMetaClass* cls)
{
  std::vector<const TMetaClass*> chain;
  for (const TMetaClass* c = cls; c; c = c->ClassParent()) chain.push_back(c);
  TPropList list;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    for (auto& p : (*it)->Rtti().Props) {
      bool replaced = false;
      // A descendant re-publishing a property takes the ancestor's place.
      for (auto& existing : list)
        if (SameText(existing->Name, p->Name)) {
          existing = p.get();
          replaced = true;
          break;
        }
      if (!replaced) list.push_back(p.get());
    }
  }
  return list;
}

TPropList GetPropList(const TObject* obj) { return obj ? GetPropInfos(obj->ClassType()) : TPropList{}; }
int GetPropCount(const TMetaClass* cls) { return int(GetPropInfos(cls).size()); }

PPropInfo GetPropInfo(const TMetaClass* cls, const AnsiString& name)
{
  for (const TMetaClass* c = cls; c; c = c->ClassParent())
    for (auto& p : c->Rtti().Props)
      if (SameText(p->Name, name)) return p.get();
  return nullptr;
}

PPropInfo GetPropInfo(const TObject* obj, const AnsiString& name)
{
  return obj ? GetPropInfo(obj->ClassType(), name) : nullptr;
}

bool IsPublishedProp(const TObject* obj, const AnsiString& name) { return GetPropInfo(obj, name) != nullptr; }

namespace {
PPropInfo FindProp(const TObject* obj, const AnsiString& name)
{
  PPropInfo info = GetPropInfo(obj, name);
  if (!info) throw EPropertyError(AnsiString("Property ") + name + " does not exist");
  return info;
}

[[noreturn]] void Invalid(PPropInfo info)
{
  throw EPropertyError(AnsiString("Invalid property type or access: ") + info->Name);
}

// The property's accessor of one kind; a property without it cannot be accessed that way.
template <class Accessor>
const Accessor& Required(PPropInfo info, const Accessor& accessor)
{
  if (!accessor) Invalid(info);
  return accessor;
}
}  // namespace

PTypeInfo PropType(const TObject* obj, const AnsiString& name) { return FindProp(obj, name)->PropType; }
TTypeKind PropKind(PPropInfo info) { return info && info->PropType ? info->PropType->Kind : tkUnknown; }

const TMethodCode* FindPublishedMethod(const TMetaClass* cls, const AnsiString& name)
{
  for (const TMetaClass* c = cls; c; c = c->ClassParent())
    for (auto& m : c->Rtti().Methods)
      if (SameText(m.Name, name)) return m.Code;
  return nullptr;
}

bool SetPublishedField(TObject* instance, const AnsiString& name, TObject* value)
{
  if (!instance || name.IsEmpty()) return false;
  for (const TMetaClass* c = instance->ClassType(); c; c = c->ClassParent())
    for (auto& f : c->Rtti().Fields)
      if (SameText(f.Name, name)) return f.Set(instance, value);
  return false;
}

AnsiString PublishedMethodName(const TMetaClass* cls, const void* code)
{
  if (!code) return AnsiString();
  for (const TMetaClass* c = cls; c; c = c->ClassParent())
    for (auto& m : c->Rtti().Methods)
      if (m.Code == code) return m.Name;
  return AnsiString();
}

// ---- enumerations and sets ----
AnsiString GetEnumName(PTypeInfo type, int value)
{
  if (!type) return AnsiString();
  if (type->Kind == tkEnumeration) {
    if (value < type->MinValue || value > type->MaxValue) return AnsiString();
    return type->EnumNames[size_t(value - type->MinValue)];
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", value);
  return AnsiString(buf);
}

int GetEnumValue(PTypeInfo type, const AnsiString& name)
{
  if (!type || type->Kind != tkEnumeration) return -1;
  for (size_t i = 0; i < type->EnumNames.size(); ++i)
    if (SameText(type->EnumNames[i], name)) return type->MinValue + int(i);
  return -1;
}

AnsiString SetToString(PTypeInfo setType, int value, bool brackets)
{
  AnsiString result;
  PTypeInfo comp = setType ? setType->CompType : nullptr;
  for (int i = 0; i < 32; ++i) {
    if (!(unsigned(value) & (1u << i))) continue;
    if (!result.IsEmpty()) result += ",";
    result += GetEnumName(comp, i);
  }
  return brackets ? AnsiString("[") + result + "]" : result;
}

int StringToSet(PTypeInfo setType, const AnsiString& value)
{
  PTypeInfo comp = setType ? setType->CompType : nullptr;
  std::string s(value.c_str());
  int result = 0;
  size_t i = 0;
  auto skip = [&] { while (i < s.size() && (s[i] == ' ' || s[i] == '[' || s[i] == ']' || s[i] == ',')) ++i; };
  for (skip(); i < s.size(); skip()) {
    size_t start = i;
    while (i < s.size() && s[i] != ',' && s[i] != ']' && s[i] != ' ') ++i;
    AnsiString name(s.substr(start, i - start));
    int v = GetEnumValue(comp, name);
    if (v < 0 || v > 31) throw EPropertyConvertError(AnsiString("Invalid property element: ") + name);
    result |= 1 << v;
  }
  return result;
}

AnsiString SetToString(PPropInfo info, int value, bool brackets)
{
  return SetToString(info ? info->PropType : nullptr, value, brackets);
}
int StringToSet(PPropInfo info, const AnsiString& value) { return StringToSet(info ? info->PropType : nullptr, value); }

// ---- generic access ----
bool IsStoredProp(TObject* obj, PPropInfo info)
{
  if (info->StoredProc) return info->StoredProc(obj);
  return info->StoredConst;
}
bool IsStoredProp(TObject* obj, const AnsiString& name) { return IsStoredProp(obj, FindProp(obj, name)); }

int GetOrdProp(TObject* obj, PPropInfo info) { return int(Required(info, info->GetOrd)(obj)); }
int GetOrdProp(TObject* obj, const AnsiString& name) { return GetOrdProp(obj, FindProp(obj, name)); }
void SetOrdProp(TObject* obj, PPropInfo info, int value)
{
  Required(info, info->SetOrd)(obj, info->PropType->Kind == tkSet ? int64_t(uint32_t(value)) : int64_t(value));
}
void SetOrdProp(TObject* obj, const AnsiString& name, int value) { SetOrdProp(obj, FindProp(obj, name), value); }

AnsiString GetEnumProp(TObject* obj, const AnsiString& name)
{
  PPropInfo info = FindProp(obj, name);
  return GetEnumName(info->PropType, GetOrdProp(obj, info));
}
void SetEnumProp(TObject* obj, const AnsiString& name, const AnsiString& value)
{
  PPropInfo info = FindProp(obj, name);
  int v = GetEnumValue(info->PropType, value);
  if (v < 0) throw EPropertyConvertError(AnsiString("Invalid enumeration value: ") + value);
  SetOrdProp(obj, info, v);
}

AnsiString GetSetProp(TObject* obj, const AnsiString& name, bool brackets)
{
  PPropInfo info = FindProp(obj, name);
  return SetToString(info, GetOrdProp(obj, info), brackets);
}
void SetSetProp(TObject* obj, const AnsiString& name, const AnsiString& value)
{
  PPropInfo info = FindProp(obj, name);
  SetOrdProp(obj, info, StringToSet(info, value));
}

AnsiString GetStrProp(TObject* obj, PPropInfo info) { return Required(info, info->GetStr)(obj); }
AnsiString GetStrProp(TObject* obj, const AnsiString& name) { return GetStrProp(obj, FindProp(obj, name)); }
void SetStrProp(TObject* obj, PPropInfo info, const AnsiString& value) { Required(info, info->SetStr)(obj, value); }
void SetStrProp(TObject* obj, const AnsiString& name, const AnsiString& value) { SetStrProp(obj, FindProp(obj, name), value); }

WideString GetWideStrProp(TObject* obj, PPropInfo info)
{
  if (info->GetWStr) return info->GetWStr(obj);
  return WideString(GetStrProp(obj, info));
}
void SetWideStrProp(TObject* obj, PPropInfo info, const WideString& value)
{
  if (info->SetWStr) return info->SetWStr(obj, value);
  SetStrProp(obj, info, AnsiString(value));
}

long double GetFloatProp(TObject* obj, PPropInfo info) { return Required(info, info->GetFloat)(obj); }
long double GetFloatProp(TObject* obj, const AnsiString& name) { return GetFloatProp(obj, FindProp(obj, name)); }
void SetFloatProp(TObject* obj, PPropInfo info, long double value) { Required(info, info->SetFloat)(obj, value); }
void SetFloatProp(TObject* obj, const AnsiString& name, long double value) { SetFloatProp(obj, FindProp(obj, name), value); }

int64_t GetInt64Prop(TObject* obj, PPropInfo info) { return Required(info, info->GetOrd)(obj); }
int64_t GetInt64Prop(TObject* obj, const AnsiString& name) { return GetInt64Prop(obj, FindProp(obj, name)); }
void SetInt64Prop(TObject* obj, PPropInfo info, int64_t value) { Required(info, info->SetOrd)(obj, value); }
void SetInt64Prop(TObject* obj, const AnsiString& name, int64_t value) { SetInt64Prop(obj, FindProp(obj, name), value); }

TObject* GetObjectProp(TObject* obj, PPropInfo info) { return Required(info, info->GetObj)(obj); }
TObject* GetObjectProp(TObject* obj, const AnsiString& name, TMetaClass* minClass)
{
  TObject* v = GetObjectProp(obj, FindProp(obj, name));
  if (v && minClass && !v->InheritsFrom(minClass)) return nullptr;
  return v;
}
void SetObjectProp(TObject* obj, PPropInfo info, TObject* value)
{
  if (!info->SetObj) Invalid(info);
  // Only objects of the property's class (or none) may be stored.
  TMetaClass* cls = info->PropType ? info->PropType->ClassType : nullptr;
  if (value && cls && !value->InheritsFrom(cls)) Invalid(info);
  info->SetObj(obj, value);
}
void SetObjectProp(TObject* obj, const AnsiString& name, TObject* value) { SetObjectProp(obj, FindProp(obj, name), value); }

TMethod GetMethodProp(TObject* obj, PPropInfo info) { return Required(info, info->GetMeth)(obj); }
TMethod GetMethodProp(TObject* obj, const AnsiString& name) { return GetMethodProp(obj, FindProp(obj, name)); }
void SetMethodProp(TObject* obj, PPropInfo info, const TMethod& value)
{
  if (!info->SetMeth) Invalid(info);
  // A code of another signature would call the handler with the wrong arguments: refuse it.
  auto* code = static_cast<const TMethodCode*>(value.Code);
  const std::type_info* sig = info->PropType ? info->PropType->Signature : nullptr;
  if (code && value.Data && sig && *code->Signature != *sig)
    throw EPropertyError(AnsiString("Incompatible method type for property ") + info->Name);
  info->SetMeth(obj, value);
}
void SetMethodProp(TObject* obj, const AnsiString& name, const TMethod& value) { SetMethodProp(obj, FindProp(obj, name), value); }
