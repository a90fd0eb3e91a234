// Writing components: TWriter over the VCL binary component format ("TPF0"), descendants as differences.
#include "Classes.h"
#include "ClassesFiler.h"
#include "VclByteOrder.h"
#include <cmath>
#include <cstring>

VCL_IMPLEMENT_CLASS(TWriter)

using namespace vcl_detail;

TWriter::TWriter(TStream* stream, int bufSize) : TFiler(stream, bufSize) {}

void TWriter::SetRoot(TComponent* value)
{
  TFiler::SetRoot(value);
  FLookupRoot = value;
}

void TWriter::Write(const void* buffer, int count) { FStream->WriteBuffer(buffer, count); }
int TWriter::GetPosition() { return FStream->GetPosition(); }

void TWriter::WriteValue(TValueType value)
{
  unsigned char b = value;
  Write(&b, 1);
}

void TWriter::WriteListBegin() { WriteValue(vaList); }
void TWriter::WriteListEnd() { WriteValue(vaNull); }
void TWriter::WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }

void TWriter::WriteChar(char value) { WriteString(AnsiString(value)); }

void TWriter::WriteInteger(int value)
{
  unsigned char b[5];
  if (value >= -128 && value <= 127) {
    b[0] = vaInt8;
    b[1] = static_cast<unsigned char>(value);
    return Write(b, 2);
  }
  if (value >= -32768 && value <= 32767) {
    b[0] = vaInt16;
    WriteLE<int16_t>(int16_t(value), b + 1);
    return Write(b, 3);
  }
  b[0] = vaInt32;
  WriteLE<int32_t>(value, b + 1);
  Write(b, 5);
}

void TWriter::WriteInteger(int64_t value)
{
  if (value >= INT32_MIN && value <= INT32_MAX) return WriteInteger(int(value));
  unsigned char b[9];
  b[0] = vaInt64;
  WriteLE<int64_t>(value, b + 1);
  Write(b, 9);
}

void TWriter::WriteFloat(long double value)
{
  unsigned char b[11];
  b[0] = vaExtended;
  std::memcpy(b + 1, &value, 10);
  Write(b, 11);
}

void TWriter::WriteSingle(float value)
{
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  unsigned char b[5];
  b[0] = vaSingle;
  WriteLE<uint32_t>(bits, b + 1);
  Write(b, 5);
}

void TWriter::WriteCurrency(Currency value)
{
  unsigned char b[9];
  b[0] = vaCurrency;
  WriteLE<int64_t>(value.Val, b + 1);
  Write(b, 9);
}

void TWriter::WriteDate(TDateTime value)
{
  uint64_t bits;
  std::memcpy(&bits, &value.Val, sizeof bits);
  unsigned char b[9];
  b[0] = vaDate;
  WriteLE<uint64_t>(bits, b + 1);
  Write(b, 9);
}

void TWriter::WriteString(const AnsiString& value)
{
  int n = value.Length();
  if (n <= 255) {
    unsigned char b[2] = {vaString, static_cast<unsigned char>(n)};
    Write(b, 2);
  } else {
    unsigned char b[5];
    b[0] = vaLString;
    WriteLE<int32_t>(n, b + 1);
    Write(b, 5);
  }
  Write(value.c_str(), n);
}

void TWriter::WriteWideString(const WideString& value)
{
  int n = value.Length();
  std::vector<unsigned char> b(5 + size_t(n) * 2);
  b[0] = vaWString;
  WriteLE<int32_t>(n, b.data() + 1);
  const wchar_t* p = value.c_str();
  for (int i = 0; i < n; ++i) WriteLE<uint16_t>(uint16_t(p[i]), b.data() + 5 + i * 2);
  Write(b.data(), int(b.size()));
}

void TWriter::WriteIdent(const AnsiString& ident)
{
  if (SameText(ident, "False")) return WriteValue(vaFalse);
  if (SameText(ident, "True")) return WriteValue(vaTrue);
  if (SameText(ident, "nil")) return WriteValue(vaNil);
  if (SameText(ident, "Null")) return WriteValue(vaNull);
  WriteValue(vaIdent);
  WriteStr(ident);
}

void TWriter::WriteStr(const AnsiString& value)
{
  // Names, identifiers and class names are short strings; a longer one cannot be stored faithfully.
  if (value.Length() > 255) throw EWriteError(Format("Name too long to stream: %s", {value.SubString(1, 64)}));
  unsigned char len = static_cast<unsigned char>(value.Length());
  Write(&len, 1);
  Write(value.c_str(), len);
}

void TWriter::WriteSignature() { Write("TPF0", 4); }

void TWriter::WritePrefix(TFilerFlags flags, int childPos)
{
  if (flags.Empty()) return;
  unsigned char b = 0xF0;
  if (flags.Contains(ffInherited)) b |= 1;
  if (flags.Contains(ffChildPos)) b |= 2;
  if (flags.Contains(ffInline)) b |= 4;
  Write(&b, 1);
  if (flags.Contains(ffChildPos)) WriteInteger(childPos);
}

void TWriter::WritePropName(const AnsiString& name) { WriteStr(FPropPath + name); }

void TWriter::DefineProperty(const AnsiString& name, TReaderProc, TWriterProc writeData, bool hasData)
{
  if (!hasData || !writeData) return;
  WritePropName(name);
  writeData(this);
}

void TWriter::DefineBinaryProperty(const AnsiString& name, TStreamProc, TStreamProc writeData, bool hasData)
{
  if (!hasData || !writeData) return;
  TMemoryStream data;
  writeData(&data);
  WritePropName(name);
  unsigned char b[5];
  b[0] = vaBinary;
  WriteLE<int32_t>(data.GetSize(), b + 1);
  Write(b, 5);
  Write(data.Memory(), data.GetSize());
}

void TWriter::WriteSetValue(PTypeInfo setType, int value)
{
  WriteValue(vaSet);
  PTypeInfo comp = setType ? setType->CompType : nullptr;
  for (int i = 0; i < 32; ++i)
    if (unsigned(value) & (1u << i)) WriteStr(GetEnumName(comp, i));
  WriteStr(AnsiString());
}

AnsiString TWriter::ComponentReference(TComponent* component) const
{
  if (component->Owner() == FLookupRoot) return component->GetName();
  if (component == FLookupRoot) return "Owner";
  TComponent* owner = component->Owner();
  if (owner && !owner->GetName().IsEmpty() && !component->GetName().IsEmpty())
    return owner->GetName() + "." + component->GetName();
  if (!component->GetName().IsEmpty()) return component->GetName() + ".Owner";
  return AnsiString();
}

bool TWriter::CollectionsEqual(TCollection* a, TCollection* b)
{
  if (!a || !b || a->GetCount() != b->GetCount()) return false;
  auto image = [this](TCollection* c) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.FRoot = FRoot;
    writer.FLookupRoot = FLookupRoot;
    writer.WriteCollection(c);
    return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
  };
  return image(a) == image(b);
}

void TWriter::WriteCollection(TCollection* value)
{
  WriteValue(vaCollection);
  if (value) {
    // An item's properties have no ancestor and start a property path of their own.
    TRestoreOnExit restore([this, oldAncestor = FAncestor, oldPath = std::move(FPropPath)]() mutable {
      FAncestor = oldAncestor;
      FPropPath = std::move(oldPath);
    });
    FAncestor = nullptr;
    FPropPath = AnsiString();
    for (int i = 0; i < value->GetCount(); ++i) {
      WriteListBegin();
      WriteProperties(value->GetItem(i));
      WriteListEnd();
    }
  }
  WriteListEnd();
}

void TWriter::WriteObjectProp(TPersistent* instance, PPropInfo info)
{
  TObject* value = GetObjectProp(instance, info);
  auto* ancestor = dynamic_cast<TPersistent*>(FAncestor);
  TObject* ancestorValue = ancestor ? GetObjectProp(ancestor, info) : nullptr;
  if (!value) {
    if (ancestorValue) {
      WritePropName(info->Name);
      WriteValue(vaNil);
    }
    return;
  }
  if (auto* component = dynamic_cast<TComponent*>(value)) {
    AnsiString name = ComponentReference(component);
    if (name.IsEmpty()) return;
    if (auto* ac = dynamic_cast<TComponent*>(ancestorValue))
      if (SameText(ac->GetName(), component->GetName())) return;
    WritePropName(info->Name);
    WriteIdent(name);
    return;
  }
  if (auto* collection = dynamic_cast<TCollection*>(value)) {
    if (CollectionsEqual(collection, dynamic_cast<TCollection*>(ancestorValue))) return;
    WritePropName(info->Name);
    WriteCollection(collection);
    return;
  }
  auto* persistent = dynamic_cast<TPersistent*>(value);
  if (!persistent) return;
  // A persistent sub-object stores its own properties under "Property.Sub".
  TRestoreOnExit restore([this, oldPath = FPropPath, oldAncestor = FAncestor]() mutable {
    FPropPath = std::move(oldPath);
    FAncestor = oldAncestor;
  });
  FPropPath = FPropPath + info->Name + ".";
  FAncestor = dynamic_cast<TPersistent*>(ancestorValue);
  WriteProperties(persistent);
}

void TWriter::WriteProperty(TPersistent* instance, PPropInfo info)
{
  auto* ancestor = dynamic_cast<TPersistent*>(FAncestor);
  if (ancestor && !ancestor->InheritsFrom(info->Owner)) ancestor = nullptr;
  PTypeInfo type = info->PropType;
  switch (PropKind(info)) {
    case tkInteger: case tkChar: case tkWChar: case tkEnumeration: case tkSet: {
      int value = GetOrdProp(instance, info);
      if (ancestor ? value == GetOrdProp(ancestor, info) : (info->Default != NoDefault && value == info->Default))
        return;
      WritePropName(info->Name);
      switch (PropKind(info)) {
        case tkInteger: {
          AnsiString ident;
          TIntToIdent intToIdent = FindIntToIdent(type);
          if (intToIdent && intToIdent(value, ident)) return WriteIdent(ident);
          return WriteInteger(value);
        }
        case tkChar: return WriteChar(static_cast<char>(value));
        case tkWChar: return WriteWideString(WideString(std::wstring(1, wchar_t(value))));
        case tkEnumeration: return WriteIdent(GetEnumName(type, value));
        default: return WriteSetValue(type, value);
      }
    }
    case tkFloat: {
      long double value = GetFloatProp(instance, info);
      if (value == (ancestor ? GetFloatProp(ancestor, info) : 0.0L)) return;
      WritePropName(info->Name);
      if (type->FloatType == ftSingle) return WriteSingle(static_cast<float>(value));
      if (type->FloatType == ftCurr) return WriteCurrency(Currency::FromScaled(std::llround(value * 10000.0L)));
      if (type->Name == "TDateTime") return WriteDate(TDateTime(static_cast<double>(value)));
      return WriteFloat(value);
    }
    case tkInt64: {
      int64_t value = GetInt64Prop(instance, info);
      if (value == (ancestor ? GetInt64Prop(ancestor, info) : 0)) return;
      WritePropName(info->Name);
      return WriteInteger(value);
    }
    case tkString: case tkLString: {
      AnsiString value = GetStrProp(instance, info);
      if (value == (ancestor ? GetStrProp(ancestor, info) : AnsiString())) return;
      WritePropName(info->Name);
      return WriteString(value);
    }
    case tkWString: {
      WideString value = GetWideStrProp(instance, info);
      if (value == (ancestor ? GetWideStrProp(ancestor, info) : WideString())) return;
      WritePropName(info->Name);
      return WriteWideString(value);
    }
    case tkMethod: {
      TMethod value = GetMethodProp(instance, info);
      TMetaClass* rootClass = FLookupRoot ? FLookupRoot->ClassType() : nullptr;
      AnsiString name = PublishedMethodName(rootClass, value.Code);
      AnsiString ancestorName;
      if (ancestor) {
        TMethod a = GetMethodProp(ancestor, info);
        ancestorName = PublishedMethodName(FRootAncestor ? FRootAncestor->ClassType() : rootClass, a.Code);
      }
      if (name == ancestorName) return;
      // A handler that the root does not publish cannot be bound again by name: it is not stored.
      if (name.IsEmpty() && value.Code) return;
      WritePropName(info->Name);
      if (name.IsEmpty()) return WriteValue(vaNil);
      return WriteIdent(name);
    }
    case tkClass: return WriteObjectProp(instance, info);
    default: return;
  }
}

void TWriter::WriteProperties(TPersistent* instance)
{
  for (PPropInfo info : GetPropInfos(instance->ClassType())) {
    if (!IsStoredProp(instance, info)) continue;
    if (!info->Writable && PropKind(info) != tkClass) continue;
    WriteProperty(instance, info);
  }
  instance->DefineProperties(this);
}

void TWriter::WriteData(TComponent* instance)
{
  TFilerFlags flags;
  if (FAncestor) flags << ffInherited;
  if (instance->HasState(csInline)) flags << ffInline;
  WritePrefix(flags, 0);
  WriteStr(instance->ClassName());
  WriteStr(instance->GetName());
  WriteProperties(instance);
  WriteListEnd();
  // Children: those that the ancestor has too are written as inherited, with their differences only.
  TRestoreOnExit restore([this, oldAncestors = std::exchange(FAncestors, {})]() mutable {
    FAncestors.swap(oldAncestors);
  });
  if (auto* ancestor = dynamic_cast<TComponent*>(FAncestor))
    ancestor->GetChildren([this](TComponent* c) { FAncestors.push_back(c); }, FRootAncestor);
  if (!FIgnoreChildren) instance->GetChildren([this](TComponent* c) { WriteComponent(c); }, FRoot);
  WriteListEnd();
}

void TWriter::WriteComponent(TComponent* component)
{
  TPersistent* oldAncestor = FAncestor;
  if (component != FRoot) {
    FAncestor = nullptr;
    for (TComponent* a : FAncestors)
      if (SameText(a->GetName(), component->GetName())) FAncestor = a;
  }
  TRestoreOnExit restore([this, component, oldAncestor] {
    component->ExcludeState(csWriting);
    FAncestor = oldAncestor;
  });
  component->IncludeState(csWriting);
  component->WriteState(this);
}

void TWriter::WriteRootComponent(TComponent* root) { WriteDescendent(root, nullptr); }

void TWriter::WriteDescendent(TComponent* root, TComponent* ancestor)
{
  FRootAncestor = ancestor;
  FAncestor = ancestor;
  FRoot = root;
  FLookupRoot = root;
  FAncestors.clear();
  WriteSignature();
  WriteComponent(root);
}
