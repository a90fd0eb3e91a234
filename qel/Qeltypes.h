// The component library's basic value and container types: the 64-bit packed-decimal value, the
// 64-bit value with 32-bit halves, a rectangle, three lists over TList, a streamable character set,
// the 255-character short string, and the writer/reader pair that stores variants.
#pragma once

#include <cstdint>

#include <windows.h>

#include "Classes.h"
#include "Graphics.h"
#include "System.h"
#include "Variants.h"

// ---------------------------------------------------------------------------------------------------
// Packed decimal: the x87 layout. Bytes 0..8 hold 18 digits, two a byte, the lower digit in the low
// nibble, byte 0 the two lowest digits; bit 7 of byte 9 is the sign.
typedef unsigned char BCD;
struct APX_BCD {
  BCD Bytes[10];
  bool operator==(const APX_BCD&) const = default;
};
static_assert(sizeof(APX_BCD) == 10, "APX_BCD is the 10-byte packed decimal");

// A value of magnitude 10^18 or more does not fit 18 digits: it gives the format's indefinite
// encoding (bytes 7, 8, 9 = C0 FF FF, the rest zero), as the processor's store does with invalid
// operations masked; nothing is raised.
APX_BCD Int64ToAPX_BCD(int64_t value);
// Digits above 9 are taken at their nibble value (the result of such input is not a decimal number).
int64_t APX_BCDToInt64(const APX_BCD& value);

// ---------------------------------------------------------------------------------------------------
// An unsigned 64-bit value kept as two 32-bit halves, low half first in memory, so that a platform
// call returning the high 32 bits through a pointer (SetFilePointer, GetFileSize) writes them in place.
class TUInt64 {
public:
  TUInt64() = default;
  TUInt64(uint64_t value) : FLow(static_cast<uint32_t>(value)), FHigh(static_cast<uint32_t>(value >> 32)) {}

  operator uint64_t() const { return (static_cast<uint64_t>(FHigh) << 32) | FLow; }

  uint32_t GetLowInt() const { return FLow; }
  uint32_t GetHighInt() const { return FHigh; }
  void SetLowInt(uint32_t value) { FLow = value; }
  void SetHighInt(uint32_t value) { FHigh = value; }
  uint32_t* GetHighIntPtr() { return &FHigh; }

private:
  uint32_t FLow = 0;
  uint32_t FHigh = 0;
};
static_assert(sizeof(TUInt64) == 8, "TUInt64 is two packed 32-bit halves");

// ---------------------------------------------------------------------------------------------------
// A signed 64-bit integer that converts to and from text and packed decimal and stores itself in
// stored forms as the property "Value".
class TBCDString : public TPersistent {
  VCL_DECLARE_CLASS(TBCDString, TPersistent)

public:
  TBCDString() = default;
  TBCDString(int value) : Value(value) {}
  TBCDString(int64_t value) : Value(value) {}
  TBCDString(const AnsiString& text) { SetAsString(text); }
  TBCDString(BCD value) { SetAsBCD(value); }
  TBCDString(const APX_BCD& value) { SetAsAPX_BCD(value); }
  TBCDString(const BCD* array, int length) { SetAsBCDArray(array, length); }
  TBCDString(const TBCDString& other) : TPersistent(), Value(other.Value) {}
  TBCDString& operator=(const TBCDString& other) { Value = other.Value; return *this; }

  int GetAsInteger() const { return static_cast<int>(Value); }
  void SetAsInteger(int value) { Value = value; }
  AnsiString GetAsString() const;
  // The runtime's text-to-integer rule: leading white space and one sign, digits up to the first
  // other character; no digits give 0. Nothing is reported.
  void SetAsString(const AnsiString& text);
  APX_BCD GetAsAPX_BCD() const { return Int64ToAPX_BCD(Value); }
  void SetAsAPX_BCD(const APX_BCD& value) { Value = APX_BCDToInt64(value); }
  BCD GetAsBCD() const { return GetAsAPX_BCD().Bytes[0]; }
  void SetAsBCD(BCD value);
  // Length is at most 10; more is cut to 10, less than 1 copies nothing.
  void AssignToBCDArray(BCD* array, int length) const;
  void SetAsBCDArray(const BCD* array, int length);

  void ReadData(TReader* reader);
  void WriteData(TWriter* writer);

  int64_t Value = 0;

protected:
  void DefineProperties(TFiler* filer) override;
};

// ---------------------------------------------------------------------------------------------------
// A rectangle with the layout of the platform's RECT.
struct TQelRect {
  TQelRect() {}
  TQelRect(const tagRECT& r) : Left(r.left), Top(r.top), Right(r.right), Bottom(r.bottom) {}
  operator tagRECT() const { return tagRECT{Left, Top, Right, Bottom}; }

  // Left and top move out by dx and dy, right and bottom by the same; kept only when the platform's
  // InflateRect succeeds.
  void Inflate(int dx, int dy);

  int32_t Left;
  int32_t Top;
  int32_t Right;
  int32_t Bottom;
};
static_assert(sizeof(TQelRect) == sizeof(RECT), "TQelRect has the layout of RECT");

// ---------------------------------------------------------------------------------------------------
// A list of raw memory blocks (allocated with malloc); when it owns them, Clear frees them.
// No destructor runs for an element.
class TQelList : public TList {
public:
  TQelList() = default;
  explicit TQelList(bool ownsElements) : FOwnsElements(ownsElements) {}
  ~TQelList() override;

  bool GetOwnsElements() const { return FOwnsElements; }
  void SetOwnsElements(bool value) { FOwnsElements = value; }

  // Frees element Index and removes its slot.
  void DeleteElement(int index);
  // Frees every element; the slots stay (with their old values) until Clear removes them.
  virtual void DeleteElements();
  void Clear() override;

private:
  bool FOwnsElements = false;
};

// ---------------------------------------------------------------------------------------------------
// A list of 32-bit integers kept in the pointer slots; optionally sorted.
class TIntList : public TList {
public:
  TIntList() = default;

  int Get(int index) const;
  void Put(int index, int value);
  // Appends, or inserts at the sorted position when Sorted; returns the index.
  int Add(int value);
  void Insert(int index, int value);
  int IndexOf(int value) const;
  int First() const;
  int Last() const;
  // The first index whose value is not less than value (equals go before their equals).
  int SortedPosition(int value) const;
  void Sort();

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool value);

private:
  bool FSorted = false;
};

// ---------------------------------------------------------------------------------------------------
// A list of zero-terminated strings, each in a block of its own that also holds the element's object
// in four bytes after the terminating zero. Optionally sorted (byte order, as strcmp) and owning
// its objects.
class TPCharList : public TList {
public:
  TPCharList() = default;
  explicit TPCharList(bool ownsObjects) : FOwnsObjects(ownsObjects) {}
  ~TPCharList() override;

  // A new zero-filled block of strlen + 5 bytes with a copy of s; null for null.
  static char* PCharCopy(const char* s);
  // The object slot of the element block s.
  static TObject** GetObjectPtr(const char* s);

  char* Get(int index) const;
  // Replaces element index by a copy of s; the old block is freed. Its object moves into the new
  // block when both blocks exist.
  void Put(int index, const char* s);
  int Add(const char* s);
  int Add(const AnsiString& s) { return Add(s.c_str()); }
  int AddObject(const char* s, TObject* object);
  int AddObject(const AnsiString& s, TObject* object) { return AddObject(s.c_str(), object); }
  void Insert(int index, const char* s);
  void Insert(int index, const AnsiString& s) { Insert(index, s.c_str()); }
  void InsertObject(int index, const char* s, TObject* object);
  void InsertObject(int index, const AnsiString& s, TObject* object) { InsertObject(index, s.c_str(), object); }
  // Frees the block and removes the slot; the object is never destroyed here.
  void DeleteItem(int index);
  TObject* GetObject(int index) const;
  void PutObject(int index, TObject* object);
  int IndexOfObject(TObject* object) const;
  // Identity, not content: the element whose block is the very pointer s.
  int IndexOf(const char* s) const;
  char* First() const;
  char* Last() const;
  void Sort();
  int SortedPosition(const char* s) const;
  // Destroys every element's object; the slots keep their (now dangling) values.
  void DeleteObjects();
  void Clear() override;

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool value);
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool value) { FOwnsObjects = value; }

private:
  bool FSorted = false;
  bool FOwnsObjects = false;
};

// ---------------------------------------------------------------------------------------------------
// A font character set that stores itself as the property "Charset" by its identifier.
class TCharset : public TPersistent {
  VCL_DECLARE_CLASS(TCharset, TPersistent)

public:
  TCharset() = default;
  TCharset(unsigned char value) : FCharset(value) {}
  TCharset(const TCharset& other) : TPersistent(), FCharset(other.FCharset) {}
  TCharset& operator=(const TCharset& other) { FCharset = other.FCharset; return *this; }
  TCharset& operator=(unsigned char value) { FCharset = value; return *this; }
  operator unsigned char() const { return FCharset; }

  void ReadData(TReader* reader);
  void WriteData(TWriter* writer);

protected:
  void DefineProperties(TFiler* filer) override;

private:
  TFontCharset FCharset = 0;
};

// ---------------------------------------------------------------------------------------------------
// The platform's 255-character short string.
class QelShortString : public SmallString<255> {
public:
  QelShortString() = default;
  QelShortString(const AnsiString& text) { *this = text; }
  QelShortString& operator=(const AnsiString& text)
  {
    SmallString<255>::operator=(text);
    return *this;
  }
  // The same storage seen as a QelShortString.
  static QelShortString& Cast(SmallString<255>& s) { return static_cast<QelShortString&>(s); }
};
static_assert(sizeof(QelShortString) == 256, "a short string is a length byte and 255 characters");

// ---------------------------------------------------------------------------------------------------
// A writer and reader that store variants, arrays included, in the platform's value forms.
class TQelWriter : public TWriter {
public:
  TQelWriter(TStream* stream, int bufSize) : TWriter(stream, bufSize) {}
  void WriteVariant(const Variant& value);
};

class TQelReader : public TReader {
public:
  TQelReader(TStream* stream, int bufSize) : TReader(stream, bufSize) {}
  // An integer stored in the one-byte form (vaInt8) reads back as a smallint variant. A code this
  // reader does not know consumes only the code byte and gives a variant of type error.
  Variant ReadVariant();

private:
  Variant ReadVariant(int depth);
  Variant ReadVariantArray(int depth);
  int64_t BytesLeft();
};
