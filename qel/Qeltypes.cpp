#include "Qeltypes.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Consts.h"
#include "SysUtils.h"

// ---------------------------------------------------------------------------------------------------
// Packed decimal

namespace {

constexpr int64_t BcdLimit = 1000000000000000000LL;  // 10^18: the first value 18 digits cannot hold

APX_BCD IndefiniteBcd()
{
  APX_BCD r{};
  r.Bytes[7] = 0xC0;
  r.Bytes[8] = 0xFF;
  r.Bytes[9] = 0xFF;
  return r;
}

}  // namespace

APX_BCD Int64ToAPX_BCD(int64_t value)
{
  if (value >= BcdLimit || value <= -BcdLimit) return IndefiniteBcd();
  APX_BCD r{};
  uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
  for (int i = 0; i < 9; ++i) {
    const unsigned low = unsigned(magnitude % 10);
    magnitude /= 10;
    const unsigned high = unsigned(magnitude % 10);
    magnitude /= 10;
    r.Bytes[i] = BCD(high << 4 | low);
  }
  r.Bytes[9] = value < 0 ? 0x80 : 0x00;
  return r;
}

int64_t APX_BCDToInt64(const APX_BCD& value)
{
  // Unsigned arithmetic: nibbles above 9 must not make the accumulation undefined.
  uint64_t magnitude = 0;
  for (int i = 8; i >= 0; --i)
    magnitude = magnitude * 100 + (value.Bytes[i] >> 4) * 10 + (value.Bytes[i] & 0x0F);
  if (value.Bytes[9] & 0x80) magnitude = uint64_t(0) - magnitude;
  return int64_t(magnitude);
}

// ---------------------------------------------------------------------------------------------------
// TBCDString

VCL_IMPLEMENT_CLASS(TBCDString)

AnsiString TBCDString::GetAsString() const
{
  return AnsiString(static_cast<std::int64_t>(Value));
}

void TBCDString::SetAsString(const AnsiString& text)
{
  const char* p = text.c_str();
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Saturates at the 64-bit limits instead of wrapping to a value of the opposite sign.
  const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  uint64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    const unsigned digit = unsigned(*p - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  Value = negative ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude);
}

void TBCDString::SetAsBCD(BCD value)
{
  APX_BCD packed{};
  packed.Bytes[0] = value;
  SetAsAPX_BCD(packed);
}

void TBCDString::AssignToBCDArray(BCD* array, int length) const
{
  if (length <= 0) return;
  if (length > 10) length = 10;
  const APX_BCD packed = GetAsAPX_BCD();
  std::memcpy(array, packed.Bytes, size_t(length));
}

void TBCDString::SetAsBCDArray(const BCD* array, int length)
{
  APX_BCD packed{};
  if (length > 10) length = 10;
  if (length > 0) std::memcpy(packed.Bytes, array, size_t(length));
  SetAsAPX_BCD(packed);
}

void TBCDString::ReadData(TReader* reader)
{
  Value = reader->ReadInt64();
}

void TBCDString::WriteData(TWriter* writer)
{
  writer->WriteInteger(static_cast<std::int64_t>(Value));
}

void TBCDString::DefineProperties(TFiler* filer)
{
  inherited::DefineProperties(filer);
  const auto* ancestor = dynamic_cast<const TBCDString*>(filer->GetAncestor());
  const bool hasData = ancestor ? ancestor->Value != Value : Value != 0;
  filer->DefineProperty("Value", [this](TReader* r) { ReadData(r); }, [this](TWriter* w) { WriteData(w); },
                        hasData);
}

// ---------------------------------------------------------------------------------------------------
// TQelRect

void TQelRect::Inflate(int dx, int dy)
{
  RECT r = *this;
  if (InflateRect(&r, dx, dy)) *this = r;
}

// ---------------------------------------------------------------------------------------------------
// TQelList

TQelList::~TQelList()
{
  // A list that is not deleted (one on the stack) never passes through BeforeDestruction, and the
  // base destructor's Clear no longer reaches this class's override.
  Clear();
}

void TQelList::DeleteElement(int index)
{
  void* element = TList::Get(index);
  std::free(element);
  TList::Delete(index);
}

void TQelList::DeleteElements()
{
  for (int i = 0; i < Count(); ++i) std::free(TList::Get(i));
}

void TQelList::Clear()
{
  if (FOwnsElements) DeleteElements();
  TList::Clear();
}

// ---------------------------------------------------------------------------------------------------
// TIntList

namespace {

inline void* IntToSlot(int value) { return reinterpret_cast<void*>(static_cast<intptr_t>(value)); }
inline int SlotToInt(void* slot) { return static_cast<int>(reinterpret_cast<intptr_t>(slot)); }

int CompareIntSlots(void* a, void* b)
{
  const int x = SlotToInt(a), y = SlotToInt(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

// The order of the standard strcmp (unsigned bytes, no locale); a null element sorts first.
int ComparePChars(const char* a, const char* b)
{
  if (!a || !b) return a == b ? 0 : a ? 1 : -1;
  const int r = std::strcmp(a, b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int ComparePCharSlots(void* a, void* b)
{
  return ComparePChars(static_cast<const char*>(a), static_cast<const char*>(b));
}

// Lower bound by bisection: the first index whose element is not less than the value.
template <class Less>
int LowerBound(int count, Less elementLess)
{
  int lo = 0, hi = count - 1;
  while (hi >= lo) {
    const int mid = (lo + hi) / 2;
    if (elementLess(mid)) lo = mid + 1;
    else hi = mid - 1;
  }
  return lo;
}

}  // namespace

int TIntList::Get(int index) const { return SlotToInt(TList::Get(index)); }
void TIntList::Put(int index, int value) { TList::Put(index, IntToSlot(value)); }
void TIntList::Insert(int index, int value) { TList::Insert(index, IntToSlot(value)); }
int TIntList::IndexOf(int value) const { return TList::IndexOf(IntToSlot(value)); }
int TIntList::First() const { return SlotToInt(TList::First()); }
int TIntList::Last() const { return SlotToInt(TList::Last()); }

int TIntList::Add(int value)
{
  if (!FSorted) return TList::Add(IntToSlot(value));
  const int index = SortedPosition(value);
  TList::Insert(index, IntToSlot(value));
  return index;
}

int TIntList::SortedPosition(int value) const
{
  return LowerBound(Count(), [&](int i) { return Get(i) < value; });
}

void TIntList::Sort() { TList::Sort(CompareIntSlots); }

void TIntList::SetSorted(bool value)
{
  if (value == FSorted) return;
  if (value) Sort();
  FSorted = value;
}

// ---------------------------------------------------------------------------------------------------
// TPCharList

namespace {

// The object slot follows the terminating zero and is not aligned: always copied bytewise.
TObject* ReadObjectSlot(const char* block)
{
  TObject* object;
  std::memcpy(&object, TPCharList::GetObjectPtr(block), sizeof object);
  return object;
}

void WriteObjectSlot(char* block, TObject* object)
{
  std::memcpy(TPCharList::GetObjectPtr(block), &object, sizeof object);
}

}  // namespace

TPCharList::~TPCharList()
{
  Clear();
}

char* TPCharList::PCharCopy(const char* s)
{
  if (!s) return nullptr;
  const size_t length = std::strlen(s);
  // The characters, their zero, then the object pointer (4 bytes on 32-bit Windows, 8 on 64-bit).
  char* block = static_cast<char*>(std::calloc(length + 1 + sizeof(TObject*), 1));
  if (!block) throw EOutOfMemory("Out of memory");
  std::memcpy(block, s, length);
  return block;
}

TObject** TPCharList::GetObjectPtr(const char* s)
{
  return reinterpret_cast<TObject**>(const_cast<char*>(s) + std::strlen(s) + 1);
}

char* TPCharList::Get(int index) const { return static_cast<char*>(TList::Get(index)); }

void TPCharList::Put(int index, const char* s)
{
  char* old = Get(index);
  char* block = PCharCopy(s);
  if (old && block) WriteObjectSlot(block, ReadObjectSlot(old));
  TList::Put(index, block);
  std::free(old);
}

int TPCharList::Add(const char* s)
{
  char* block = PCharCopy(s);
  if (!FSorted) return TList::Add(block);
  const int index = SortedPosition(s);
  TList::Insert(index, block);
  return index;
}

int TPCharList::AddObject(const char* s, TObject* object)
{
  const int index = Add(s);
  PutObject(index, object);
  return index;
}

void TPCharList::Insert(int index, const char* s)
{
  char* block = PCharCopy(s);
  try {
    TList::Insert(index, block);
  } catch (...) {
    std::free(block);
    throw;
  }
}

void TPCharList::InsertObject(int index, const char* s, TObject* object)
{
  Insert(index, s);
  PutObject(index, object);
}

void TPCharList::DeleteItem(int index)
{
  Put(index, nullptr);
  TList::Delete(index);
}

// A null element has no object slot: it holds no object, and one given to it is not kept.
TObject* TPCharList::GetObject(int index) const
{
  const char* block = Get(index);
  return block ? ReadObjectSlot(block) : nullptr;
}

void TPCharList::PutObject(int index, TObject* object)
{
  char* block = Get(index);
  if (block) WriteObjectSlot(block, object);
}

int TPCharList::IndexOfObject(TObject* object) const
{
  for (int i = 0; i < Count(); ++i) {
    const char* block = Get(i);
    if (block && ReadObjectSlot(block) == object) return i;
  }
  return -1;
}

int TPCharList::IndexOf(const char* s) const { return TList::IndexOf(const_cast<char*>(s)); }
char* TPCharList::First() const { return static_cast<char*>(TList::First()); }
char* TPCharList::Last() const { return static_cast<char*>(TList::Last()); }
void TPCharList::Sort() { TList::Sort(ComparePCharSlots); }

int TPCharList::SortedPosition(const char* s) const
{
  if (!s) return 0;
  return LowerBound(Count(), [&](int i) { return ComparePChars(Get(i), s) < 0; });
}

void TPCharList::SetSorted(bool value)
{
  if (value == FSorted) return;
  if (value) Sort();
  FSorted = value;
}

void TPCharList::DeleteObjects()
{
  for (int i = 0; i < Count(); ++i) delete GetObject(i);
}

void TPCharList::Clear()
{
  if (FOwnsObjects) DeleteObjects();
  for (int i = 0; i < Count(); ++i) {
    std::free(Get(i));
    TList::Put(i, nullptr);
  }
  TList::Clear();
}

// ---------------------------------------------------------------------------------------------------
// TCharset

VCL_IMPLEMENT_CLASS(TCharset)

void TCharset::DefineProperties(TFiler* filer)
{
  inherited::DefineProperties(filer);
  const auto* ancestor = dynamic_cast<const TCharset*>(filer->GetAncestor());
  const bool hasData = ancestor ? ancestor->FCharset != FCharset : FCharset != DEFAULT_CHARSET;
  filer->DefineProperty("Charset", [this](TReader* r) { ReadData(r); }, [this](TWriter* w) { WriteData(w); },
                        hasData);
}

void TCharset::WriteData(TWriter* writer)
{
  AnsiString ident;
  // A character set without a name is stored as its number rather than as an empty identifier,
  // which could not be read back.
  if (CharsetToIdent(FCharset, ident)) writer->WriteIdent(ident);
  else writer->WriteInteger(int(FCharset));
}

void TCharset::ReadData(TReader* reader)
{
  int charset = 0;
  const TValueType next = reader->NextValue();
  if (next == vaInt8 || next == vaInt16 || next == vaInt32) {
    charset = reader->ReadInteger();
    if (charset < 0 || charset > 255) throw EReadError(SInvalidPropertyValue);
  } else if (!IdentToCharset(reader->ReadIdent(), charset)) {
    throw EReadError(SInvalidPropertyValue);
  }
  FCharset = TFontCharset(charset);
}

// ---------------------------------------------------------------------------------------------------
// Variant streaming

namespace {

constexpr unsigned char vaVariantArray = 100;
// Arrays nest through their elements; deeper than this is taken for a corrupt stream.
constexpr int MaxArrayNesting = 32;
constexpr int MaxArrayDims = 64;

// Steps an index vector through an array, the last index fastest; false once past the end.
bool NextIndex(std::vector<int>& index, const std::vector<int>& low, const std::vector<int>& high)
{
  for (int d = int(index.size()) - 1; d >= 0; --d) {
    if (++index[d] <= high[d]) return true;
    index[d] = low[d];
  }
  return false;
}

}  // namespace

void TQelWriter::WriteVariant(const Variant& value)
{
  const int type = VarType(value);
  if (type & varArray) {
    const int dims = VarArrayDimCount(value);
    std::vector<int> low(dims), high(dims);
    WriteValue(TValueType(vaVariantArray));
    WriteInteger(dims);
    for (int d = 0; d < dims; ++d) {
      low[d] = VarArrayLowBound(value, d + 1);
      high[d] = VarArrayHighBound(value, d + 1);
      WriteInteger(low[d]);
      WriteInteger(high[d]);
    }
    for (int d = 0; d < dims; ++d)
      if (high[d] < low[d]) return;  // no elements
    std::vector<int> index = low;
    do {
      WriteVariant(value.GetElement(index));
    } while (NextIndex(index, low, high));
    return;
  }

  switch (type & varTypeMask) {
    case varEmpty: WriteValue(vaNil); break;
    case varNull: WriteValue(vaNull); break;
    case varSmallint:
    case varInteger:
    case varByte: WriteInteger(value.AsInteger()); break;
    case varSingle: WriteSingle(value.AsSingle()); break;
    case varDouble: WriteFloat(value.AsDouble()); break;
    case varCurrency: WriteCurrency(value.AsCurrency()); break;
    case varDate: WriteDate(value.AsDate()); break;
    case varOleStr: WriteWideString(value.AsOleStr()); break;
    case varBoolean: WriteBoolean(value.AsBoolean()); break;
    default: WriteString(VarToStr(value)); break;
  }
}

Variant TQelReader::ReadVariant(int depth)
{
  switch (int(NextValue())) {
    case vaNull: ReadValue(); return Null();
    case vaNil: ReadValue(); return Unassigned();
    case vaInt8:
    case vaInt16: return Variant(short(ReadInteger()));
    case vaInt32: return Variant(ReadInteger());
    case vaExtended: return Variant(double(ReadFloat()));
    case vaString:
    case vaLString: return Variant(ReadString());
    case vaFalse:
    case vaTrue: return Variant(ReadBoolean());
    case vaSingle: return Variant(ReadSingle());
    case vaCurrency: return Variant(ReadCurrency());
    case vaDate: return Variant(ReadDate());
    case vaWString: return Variant(ReadWideString());
    case vaVariantArray: return ReadVariantArray(depth);
    default:
      ReadValue();
      return Variant::Error(S_OK);
  }
}

Variant TQelReader::ReadVariantArray(int depth)
{
  ReadValue();
  if (depth >= MaxArrayNesting) throw EReadError("Variant arrays nested too deeply");
  const int dims = ReadInteger();
  if (dims < 1 || dims > MaxArrayDims) throw EReadError("Invalid variant array dimension count");
  std::vector<int> low(dims), high(dims), bounds;
  // Every element takes at least one byte of the stream: more elements than bytes left is a corrupt
  // stream, refused before anything is allocated for it.
  int64_t elements = 1;
  for (int d = 0; d < dims; ++d) {
    low[d] = ReadInteger();
    high[d] = ReadInteger();
    bounds.push_back(low[d]);
    bounds.push_back(high[d]);
    const int64_t extent = int64_t(high[d]) - low[d] + 1;
    if (extent < 0) throw EReadError("Invalid variant array bounds");
    elements *= extent;
    if (elements > BytesLeft()) throw EReadError("Variant array larger than its stream");
  }
  Variant array = VarArrayCreate(bounds.data(), int(bounds.size()) - 1, varVariant);
  if (elements == 0) return array;
  std::vector<int> index = low;
  do {
    Variant element = ReadVariant(depth + 1);
    // An array of variants holds OLE strings, not AnsiStrings.
    if ((VarType(element) & varTypeMask) == varString) element = VarAsType(element, varOleStr);
    array.PutElement(element, index);
  } while (NextIndex(index, low, high));
  return array;
}

int64_t TQelReader::BytesLeft()
{
  return int64_t(GetStream()->GetSize()) - GetPosition();
}

Variant TQelReader::ReadVariant()
{
  return ReadVariant(0);
}
