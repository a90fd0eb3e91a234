// Reading components: TFiler and TReader over the VCL binary component format ("TPF0").
#include "Classes.h"
#include "ClassesFiler.h"
#include "VclByteOrder.h"
#include <algorithm>
#include <cmath>
#include <cstring>

VCL_IMPLEMENT_CLASS(TFiler)
VCL_IMPLEMENT_CLASS(TReader)

using namespace vcl_detail;

namespace {
const int kMaxDepth = 100;  // nesting of components, lists and collections in one stream
bool IsIntegerCode(TValueType v) { return v == vaInt8 || v == vaInt16 || v == vaInt32; }

// Counts nesting while a reader descends; refuses streams nested deeper than any real form.
class TDepthGuard {
public:
  explicit TDepthGuard(int& depth) : FDepth(depth)
  {
    if (++FDepth > kMaxDepth) {
      --FDepth;
      throw EReadError("Stream nesting is too deep");
    }
  }
  ~TDepthGuard() { --FDepth; }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

private:
  int& FDepth;
};

AnsiString InstanceName(TPersistent* instance)
{
  if (auto* c = dynamic_cast<TComponent*>(instance))
    if (!c->GetName().IsEmpty()) return c->GetName();
  return instance ? instance->ClassName() : AnsiString("nil");
}
}  // namespace

// ===================================================================================================
// x87 extended: sign bit, 15-bit exponent (bias 16383), 64-bit mantissa with an explicit integer bit.
void DoubleToExtended(double value, unsigned char out[10])
{
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  unsigned sign = unsigned(bits >> 63);
  int exp = int((bits >> 52) & 0x7FF);
  uint64_t frac = bits & ((uint64_t(1) << 52) - 1);
  uint64_t mant = 0;
  int e = 0;
  if (exp == 0x7FF) {  // infinity or NaN
    e = 0x7FFF;
    mant = (uint64_t(1) << 63) | (frac << 11);
  } else if (exp == 0 && frac == 0) {  // zero
    e = 0;
    mant = 0;
  } else if (exp == 0) {  // subnormal double: normalise, the extended range holds it
    int shift = 0;
    while (!(frac & (uint64_t(1) << 52))) {
      frac <<= 1;
      ++shift;
    }
    e = 1 - 1023 - shift + 16383;
    mant = frac << 11;
  } else {
    e = exp - 1023 + 16383;
    mant = (uint64_t(1) << 63) | (frac << 11);
  }
  WriteLE<uint64_t>(mant, out);
  WriteLE<uint16_t>(uint16_t((sign << 15) | unsigned(e)), out + 8);
}

double ExtendedToDouble(const unsigned char in[10])
{
  uint64_t mant = ReadLE<uint64_t>(in);
  unsigned se = ReadLE<uint16_t>(in + 8);
  bool negative = (se & 0x8000) != 0;
  int exp = int(se & 0x7FFF);
  double result;
  if (exp == 0x7FFF) {
    result = (mant << 1) == 0 ? HUGE_VAL : std::nan("");
  } else if (mant == 0) {
    result = 0.0;
  } else {
    // The value is mant * 2^(exp - 16383 - 63); ldexp rounds into the double range (to 0 or infinity
    // at its ends). Extended denormals have the exponent of 1.
    int e = (exp == 0 ? 1 : exp) - 16383 - 63;
    result = std::ldexp(static_cast<double>(mant), e);
  }
  return negative ? -result : result;
}

// ===================================================================================================
TFiler::TFiler(TStream* stream, int) : FStream(stream) {}

// ===================================================================================================
// TReader: values
TReader::TReader(TStream* stream, int bufSize) : TFiler(stream, bufSize) {}

TReader::~TReader() = default;

void TReader::Read(void* buffer, int count)
{
  if (count < 0) throw EReadError("Stream read error");
  FStream->ReadBuffer(buffer, count);
}

int TReader::GetPosition() { return FStream->GetPosition(); }
void TReader::SetPosition(int value) { FStream->SetPosition(value); }

TValueType TReader::ReadValue()
{
  unsigned char b;
  Read(&b, 1);
  return static_cast<TValueType>(b);
}

TValueType TReader::NextValue()
{
  TValueType v = ReadValue();
  FStream->Seek(-1, soFromCurrent);
  return v;
}

void TReader::PropValueError() { throw EReadError("Invalid property value"); }

void TReader::CheckValue(TValueType value)
{
  if (ReadValue() != value) PropValueError();
}

bool TReader::EndOfList() { return NextValue() == vaNull; }
void TReader::ReadListBegin() { CheckValue(vaList); }
void TReader::ReadListEnd() { CheckValue(vaNull); }

int32_t TReader::ReadLength(int unitSize)
{
  unsigned char b[4];
  Read(b, 4);
  int32_t n = ReadLE<int32_t>(b);
  // Lengths come from the stream: never trust one that the rest of the stream cannot hold.
  int64_t remaining = int64_t(FStream->GetSize()) - FStream->GetPosition();
  if (n < 0 || int64_t(n) * unitSize > remaining) throw EReadError("Stream read error");
  return n;
}

AnsiString TReader::ReadStr()
{
  unsigned char len;
  Read(&len, 1);
  std::string s(len, '\0');
  if (len) Read(s.data(), len);
  return AnsiString(std::move(s));
}

int TReader::ReadInteger()
{
  unsigned char b[4];
  switch (ReadValue()) {
    case vaInt8: Read(b, 1); return static_cast<signed char>(b[0]);
    case vaInt16: Read(b, 2); return ReadLE<int16_t>(b);
    case vaInt32: Read(b, 4); return ReadLE<int32_t>(b);
    default: PropValueError();
  }
}

int64_t TReader::ReadInt64()
{
  if (NextValue() != vaInt64) return ReadInteger();
  ReadValue();
  unsigned char b[8];
  Read(b, 8);
  return ReadLE<int64_t>(b);
}

long double TReader::ReadFloat()
{
  if (NextValue() != vaExtended) return ReadInteger();
  ReadValue();
  long double value = 0;
  Read(&value, 10);
  return value;
}

float TReader::ReadSingle()
{
  if (NextValue() != vaSingle) return float(ReadInteger());
  ReadValue();
  unsigned char b[4];
  Read(b, 4);
  uint32_t bits = ReadLE<uint32_t>(b);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

Currency TReader::ReadCurrency()
{
  if (NextValue() != vaCurrency) return Currency(ReadInteger());
  ReadValue();
  unsigned char b[8];
  Read(b, 8);
  return Currency::FromScaled(ReadLE<int64_t>(b));
}

TDateTime TReader::ReadDate()
{
  if (NextValue() != vaDate) return TDateTime(double(ReadInteger()));
  ReadValue();
  unsigned char b[8];
  Read(b, 8);
  uint64_t bits = ReadLE<uint64_t>(b);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return TDateTime(d);
}

namespace {
std::wstring ReadUtf16(TReader* reader, int32_t count)
{
  std::vector<unsigned char> bytes(size_t(count) * 2);
  if (count) reader->Read(bytes.data(), int(bytes.size()));
  std::wstring w(size_t(count), L'\0');
  for (int32_t i = 0; i < count; ++i) w[size_t(i)] = wchar_t(ReadLE16(bytes.data() + size_t(i) * 2));
  return w;
}
}  // namespace

AnsiString TReader::ReadString()
{
  switch (ReadValue()) {
    case vaString: return ReadStr();
    case vaLString: {
      int32_t n = ReadLength(1);
      std::string s(size_t(n), '\0');
      if (n) Read(s.data(), n);
      return AnsiString(std::move(s));
    }
    case vaWString: return AnsiString(Utf16ToUtf8(ReadUtf16(this, ReadLength(2))));
    default: PropValueError();
  }
}

WideString TReader::ReadWideString()
{
  if (NextValue() != vaWString) return WideString(ReadString());
  ReadValue();
  return WideString(ReadUtf16(this, ReadLength(2)));
}

AnsiString TReader::ReadIdent()
{
  switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: PropValueError();
  }
}

bool TReader::ReadBoolean()
{
  switch (ReadValue()) {
    case vaTrue: return true;
    case vaFalse: return false;
    default: PropValueError();
  }
}

char TReader::ReadChar()
{
  CheckValue(vaString);
  unsigned char len;
  Read(&len, 1);
  if (len != 1) PropValueError();
  char c;
  Read(&c, 1);
  return c;
}

void TReader::ReadSignature()
{
  char sig[4];
  Read(sig, 4);
  if (std::memcmp(sig, "TPF0", 4) != 0) throw EReadError("Invalid stream format");
}

void TReader::ReadPrefix(TFilerFlags& flags, int& childPos)
{
  flags = TFilerFlags();
  unsigned char b = static_cast<unsigned char>(NextValue());
  if ((b & 0xF0) != 0xF0) return;
  ReadValue();
  if (b & 1) flags << ffInherited;
  if (b & 2) flags << ffChildPos;
  if (b & 4) flags << ffInline;
  if (flags.Contains(ffChildPos)) childPos = ReadInteger();
}

void TReader::SkipSetBody()
{
  while (!ReadStr().IsEmpty()) {
  }
}

void TReader::SkipProperty()
{
  ReadStr();
  SkipValue();
}

void TReader::SkipValue()
{
  TDepthGuard guard(FDepth);
  auto skip = [this](int64_t n) {
    int64_t remaining = int64_t(FStream->GetSize()) - FStream->GetPosition();
    if (n > remaining) throw EReadError("Stream read error");
    FStream->Seek(int(n), soFromCurrent);
  };
  switch (ReadValue()) {
    case vaNull: case vaFalse: case vaTrue: case vaNil: return;
    case vaList:
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      return;
    case vaInt8: return skip(1);
    case vaInt16: return skip(2);
    case vaInt32: case vaSingle: return skip(4);
    case vaExtended: return skip(10);
    case vaCurrency: case vaDate: case vaInt64: return skip(8);
    case vaString: case vaIdent: ReadStr(); return;
    case vaBinary: case vaLString: return skip(ReadLength(1));
    case vaWString: return skip(int64_t(ReadLength(2)) * 2);
    case vaSet: return SkipSetBody();
    case vaCollection:
      while (!EndOfList()) {
        if (IsIntegerCode(NextValue())) ReadInteger();
        ReadListBegin();
        while (!EndOfList()) SkipProperty();
        ReadListEnd();
      }
      ReadListEnd();
      return;
    default: PropValueError();
  }
}

void TReader::SkipComponent(bool skipHeader)
{
  TDepthGuard guard(FDepth);
  if (skipHeader) {
    TFilerFlags flags;
    int childPos = 0;
    ReadPrefix(flags, childPos);
    ReadStr();
    ReadStr();
  }
  while (!EndOfList()) SkipProperty();
  ReadListEnd();
  while (!EndOfList()) SkipComponent(true);
  ReadListEnd();
}

// ===================================================================================================
// TReader: objects
void TReader::DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc, bool)
{
  if (!readData || FPropName.IsEmpty() || !SameText(name, FPropName)) return;
  // How much of a defined property was read when it fails is unknown: no recovery from here on.
  FCanHandleExceptions = false;
  readData(this);
  FCanHandleExceptions = true;
  FPropName = AnsiString();
}

void TReader::DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc, bool)
{
  if (!readData || FPropName.IsEmpty() || !SameText(name, FPropName)) return;
  FCanHandleExceptions = false;
  CheckValue(vaBinary);
  int32_t n = ReadLength(1);
  TMemoryStream data;
  data.SetSize(n);
  if (n) Read(data.Memory(), n);
  data.SetPosition(0);
  readData(&data);
  FCanHandleExceptions = true;
  FPropName = AnsiString();
}

bool TReader::Error(const AnsiString& message)
{
  bool handled = false;
  if (OnError) OnError(this, message, handled);
  return handled;
}

void* TReader::FindMethod(TComponent* root, const AnsiString& methodName)
{
  const TMethodCode* code = root ? FindPublishedMethod(root->ClassType(), methodName) : nullptr;
  void* address = const_cast<TMethodCode*>(code);
  bool error = address == nullptr;
  if (OnFindMethod) OnFindMethod(this, methodName, address, error);
  if (error) throw EMethodNotFound(Format("Method '%s' not found", {methodName}));
  return address;
}

void TReader::ReadProperty(TPersistent* instance)
{
  AnsiString fullName = ReadStr();
  int valueStart = GetPosition();
  FCanHandleExceptions = true;
  auto fail = [&](const AnsiString& message, bool keepType) {
    if (FCanHandleExceptions && Error(message)) {
      SetPosition(valueStart);
      SkipValue();
      return;
    }
    if (keepType) throw;
    throw EReadError(message);
  };
  try {
    FPropName = fullName;
    ReadPropPath(instance, fullName);
  } catch (EFilerError& e) {
    fail(e.Message, true);
  } catch (Exception& e) {
    fail(Format("Error reading %s.%s: %s", {InstanceName(instance), fullName, e.Message}), false);
  }
  FPropName = AnsiString();
}

void TReader::ReadPropPath(TPersistent* instance, const AnsiString& path)
{
  TPersistent* target = instance;
  AnsiString rest = path;
  for (int dot = rest.Pos("."); dot > 0; dot = rest.Pos(".")) {
    AnsiString segment = rest.SubString(1, dot - 1);
    rest = rest.SubString(dot + 1, rest.Length());
    PPropInfo info = GetPropInfo(target, segment);
    if (!info || PropKind(info) != tkClass) throw EReadError(Format("Property %s does not exist", {path}));
    target = dynamic_cast<TPersistent*>(GetObjectProp(target, info));
    if (!target) throw EReadError(Format("Property %s does not exist", {path}));
  }
  PPropInfo info = GetPropInfo(target, rest);
  if (info) return ReadPropValue(target, info);
  FPropName = rest;
  target->DefineProperties(this);
  if (!FPropName.IsEmpty()) throw EReadError(Format("Property %s does not exist", {path}));
}

int TReader::ReadSetValue(PTypeInfo setType)
{
  CheckValue(vaSet);
  int result = 0;
  for (AnsiString s = ReadStr(); !s.IsEmpty(); s = ReadStr()) {
    int v = GetEnumValue(setType ? setType->CompType : nullptr, s);
    if (v < 0 || v > 31) PropValueError();
    result |= 1 << v;
  }
  return result;
}

void TReader::ReadObjectValue(TPersistent* instance, PPropInfo info)
{
  switch (NextValue()) {
    case vaNil:
      ReadValue();
      SetObjectProp(instance, info, nullptr);
      return;
    case vaIdent:
      FFixups.push_back({instance, info, ReadIdent()});
      return;
    case vaCollection: {
      ReadValue();
      auto* collection = dynamic_cast<TCollection*>(GetObjectProp(instance, info));
      if (!collection) PropValueError();
      ReadCollection(collection);
      return;
    }
    default: PropValueError();
  }
}

// An integer property is stored as a number, or as an identifier when its type has registered ones.
int TReader::ReadIntegerValue(PTypeInfo type)
{
  if (NextValue() != vaIdent) return ReadInteger();
  TIdentToInt identToInt = FindIdentToInt(type);
  int value = 0;
  if (!identToInt || !identToInt(ReadIdent(), value)) PropValueError();
  return value;
}

void TReader::ReadPropValue(TPersistent* instance, PPropInfo info)
{
  PTypeInfo type = info->PropType;
  switch (PropKind(info)) {
    case tkInteger: return SetOrdProp(instance, info, ReadIntegerValue(type));
    case tkChar: return SetOrdProp(instance, info, static_cast<unsigned char>(ReadChar()));
    case tkWChar: {
      WideString w = ReadWideString();
      if (w.Length() != 1) PropValueError();
      return SetOrdProp(instance, info, w[1]);
    }
    case tkEnumeration: {
      int v = GetEnumValue(type, ReadIdent());
      if (v < 0) PropValueError();
      return SetOrdProp(instance, info, v);
    }
    case tkSet: return SetOrdProp(instance, info, ReadSetValue(type));
    case tkFloat:
      switch (NextValue()) {
        case vaSingle: return SetFloatProp(instance, info, ReadSingle());
        case vaCurrency: return SetFloatProp(instance, info, static_cast<long double>(ReadCurrency().Val) / 10000.0L);
        case vaDate: return SetFloatProp(instance, info, double(ReadDate()));
        default: return SetFloatProp(instance, info, ReadFloat());
      }
    case tkInt64: return SetInt64Prop(instance, info, ReadInt64());
    case tkString: case tkLString: return SetStrProp(instance, info, ReadString());
    case tkWString: return SetWideStrProp(instance, info, ReadWideString());
    case tkClass: return ReadObjectValue(instance, info);
    case tkMethod:
      if (NextValue() == vaNil) {
        ReadValue();
        return SetMethodProp(instance, info, TMethod{});
      } else {
        AnsiString name = ReadIdent();
        void* code = FindMethod(FRoot, name);
        return SetMethodProp(instance, info, code ? TMethod{code, FRoot} : TMethod{});
      }
    default: PropValueError();
  }
}

void TReader::ReadCollection(TCollection* collection)
{
  TDepthGuard guard(FDepth);
  collection->BeginUpdate();
  try {
    collection->Clear();
    while (!EndOfList()) {
      if (IsIntegerCode(NextValue())) ReadInteger();  // an item index, written for inherited items
      TCollectionItem* item = collection->Add();
      ReadListBegin();
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
}

void TReader::ForgetComponent(TComponent* component)
{
  auto ownedBy = [component](TComponent* c) {
    for (; c; c = c->Owner())
      if (c == component) return true;
    return false;
  };
  std::erase_if(FLoaded, ownedBy);
  std::erase_if(FFixups, [component](const TFixup& f) { return f.Instance == component; });
}

namespace {
void SetComponentName(TComponent* component, const AnsiString& name)
{
  try {
    component->SetName(name);
  } catch (EFilerError&) {
    throw;
  } catch (Exception& e) {
    throw EReadError(e.Message);
  }
}
}  // namespace

TComponent* TReader::ReadComponent(TComponent* component)
{
  TDepthGuard guard(FDepth);
  TFilerFlags flags;
  int childPos = 0;
  ReadPrefix(flags, childPos);
  AnsiString className = ReadStr();
  AnsiString name = ReadStr();
  TComponent* result = component;
  bool created = false;
  if (!result && flags.Contains(ffInherited)) {
    result = FOwner ? FOwner->FindComponent(name) : nullptr;
    if (!result) throw EReadError(Format("Ancestor for '%s' not found", {name}));
  } else if (!result) {
    TMetaClass* cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->CanCreate())
      throw EReadError(Format("Class %s cannot be read as a component", {className}));
    result = static_cast<TComponent*>(cls->CreateInstance(FOwner));
    created = true;
  }
  try {
    result->IncludeState(csLoading);
    result->IncludeState(csReading);
    if (!flags.Contains(ffInherited)) {
      AnsiString newName = name;
      if (OnSetName) OnSetName(this, result, newName);
      SetComponentName(result, newName);
    }
    if (std::find(FLoaded.begin(), FLoaded.end(), result) == FLoaded.end()) FLoaded.push_back(result);
    result->ReadState(this);
    result->ExcludeState(csReading);
    if (flags.Contains(ffChildPos) && FParent) FParent->SetChildOrder(result, childPos);
  } catch (...) {
    if (created) {
      ForgetComponent(result);
      delete result;
    }
    throw;
  }
  return result;
}

void TReader::ReadData(TComponent* instance)
{
  bool outer = !FInData;
  FInData = true;
  try {
    ReadDataInner(instance);
    if (outer) ResolveFixups();
  } catch (...) {
    if (outer) {
      FFixups.clear();
      FInData = false;
    }
    throw;
  }
  if (outer) FInData = false;
}

void TReader::ReadDataInner(TComponent* instance)
{
  while (!EndOfList()) ReadProperty(instance);
  ReadListEnd();
  TRestoreOnExit restore([this, oldOwner = FOwner, oldParent = FParent] {
    FOwner = oldOwner;
    FParent = oldParent;
  });
  FParent = instance->GetChildParent();
  FOwner = instance->GetChildOwner();
  if (!FOwner) FOwner = FRoot;
  while (!EndOfList()) {
    if (FIgnoreChildren) SkipComponent();
    else ReadComponent(nullptr);
  }
  ReadListEnd();
}

TComponent* TReader::FindReference(const AnsiString& name) const
{
  if (!FRoot) return nullptr;
  if (SameText(name, "Owner")) return FRoot;
  AnsiString rest = name;
  TComponent* c = nullptr;
  while (!rest.IsEmpty()) {
    int dot = rest.Pos(".");
    AnsiString part = dot ? rest.SubString(1, dot - 1) : rest;
    rest = dot ? rest.SubString(dot + 1, rest.Length()) : AnsiString();
    if (!c) c = SameText(part, FRoot->GetName()) ? FRoot : FRoot->FindComponent(part);
    else if (!SameText(part, "Owner")) c = c->FindComponent(part);
    if (!c) return nullptr;
  }
  return c;
}

void TReader::ResolveFixups()
{
  std::vector<TFixup> fixups;
  fixups.swap(FFixups);
  for (const TFixup& f : fixups) {
    // A name that this tree does not hold stays unset, as the VCL leaves references to other forms.
    TComponent* target = FindReference(f.Name);
    if (!target) continue;
    try {
      SetObjectProp(f.Instance, f.Prop, target);
    } catch (Exception& e) {
      throw EReadError(Format("Error reading %s.%s: %s", {InstanceName(f.Instance), f.Prop->Name, e.Message}));
    }
  }
}

namespace {
// A root read into a form that already has a sibling of that name gets the next free "_n" name.
AnsiString UniqueRootName(TComponent* root, const AnsiString& name)
{
  TComponent* owner = root->Owner();
  if (!owner || name.IsEmpty()) return name;
  TComponent* other = owner->FindComponent(name);
  if (!other || other == root) return name;
  for (int i = 1;; ++i) {
    AnsiString candidate = name + "_" + AnsiString(i);
    TComponent* c = owner->FindComponent(candidate);
    if (!c || c == root) return candidate;
  }
}
}  // namespace

TComponent* TReader::ReadRootComponent(TComponent* root)
{
  ReadSignature();
  TFilerFlags flags;
  int childPos = 0;
  ReadPrefix(flags, childPos);
  AnsiString className = ReadStr();
  AnsiString name = ReadStr();
  TComponent* result = root;
  bool created = false;
  if (!result) {
    TMetaClass* cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->CanCreate())
      throw EReadError(Format("Class %s cannot be read as a component", {className}));
    result = static_cast<TComponent*>(cls->CreateInstance(nullptr));
    created = true;
  }
  try {
    if (!result->HasState(csDesigning)) SetComponentName(result, UniqueRootName(result, name));
    FRoot = result;
    FLookupRoot = result;
    FOwner = result;
    FLoaded.clear();
    FLoaded.push_back(result);
    result->IncludeState(csLoading);
    result->IncludeState(csReading);
    result->ReadState(this);
    result->ExcludeState(csReading);
    // Loaded runs once the whole tree and its references are in place.
    std::vector<TComponent*> loaded;
    loaded.swap(FLoaded);
    if (FDeferredLoaded) {
      for (TComponent* c : loaded)
        if (std::find(FDeferredLoaded->begin(), FDeferredLoaded->end(), c) == FDeferredLoaded->end())
          FDeferredLoaded->push_back(c);
    } else {
      for (TComponent* c : loaded) c->Loaded();
    }
  } catch (...) {
    for (TComponent* c : FLoaded) {
      c->ExcludeState(csLoading);
      c->ExcludeState(csReading);
    }
    FLoaded.clear();
    FFixups.clear();
    if (created) delete result;
    throw;
  }
  return result;
}
