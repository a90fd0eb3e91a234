#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Qeltypes.h"
#include "TypInfo.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes StreamBytes(TMemoryStream& stream)
{
  const auto* p = static_cast<const unsigned char*>(stream.GetMemory());
  return Bytes(p, p + stream.GetSize());
}

// Writes one variant and answers the bytes the writer produced.
Bytes VariantBytes(const Variant& value)
{
  TMemoryStream stream;
  {
    TQelWriter writer(&stream, 64);
    writer.WriteVariant(value);
  }
  return StreamBytes(stream);
}

Variant ReadBack(const Bytes& bytes)
{
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), int(bytes.size()));
  stream.SetPosition(0);
  TQelReader reader(&stream, 64);
  return reader.ReadVariant();
}

// Records what an object defines for streaming, without a stream behind it.
class TRecordingFiler : public TFiler {
public:
  TRecordingFiler() : TFiler(nullptr, 0) {}
  void DefineProperty(const AnsiString& name, TReaderProc, TWriterProc, bool hasData) override
  {
    Defined.push_back({name, hasData});
  }
  void DefineBinaryProperty(const AnsiString& name, TStreamProc, TStreamProc, bool hasData) override
  {
    Defined.push_back({name, hasData});
  }
  struct Entry {
    AnsiString Name;
    bool HasData;
  };
  std::vector<Entry> Defined;
};

bool HasDataFor(TPersistent& object, TPersistent* ancestor)
{
  TRecordingFiler filer;
  filer.SetAncestor(ancestor);
  object.DefineProperties(&filer);
  EXPECT_EQ(filer.Defined.size(), 1u);
  return !filer.Defined.empty() && filer.Defined[0].HasData;
}

}  // namespace

// A component publishing the library's streamable values, for stored-form round trips.
class TValueHolder : public TComponent {
  VCL_DECLARE_CLASS(TValueHolder, TComponent)

public:
  using TCtorArg = TComponent*;
  explicit TValueHolder(TComponent* owner = nullptr) : TComponent(owner) {}
  TBCDString* GetAmount() { return &FAmount; }
  void SetAmount(TBCDString* value) { FAmount.Value = value->Value; }
  TCharset* GetCharset() { return &FCharset; }
  void SetCharset(TCharset* value) { FCharset = *value; }

  TBCDString FAmount;
  TCharset FCharset{DEFAULT_CHARSET};
};

VCL_PUBLISHED(TValueHolder)
{
  p.Property("Amount", &TValueHolder::GetAmount, &TValueHolder::SetAmount);
  p.Property("Charset", &TValueHolder::GetCharset, &TValueHolder::SetCharset);
}

namespace {

Bytes WriteHolder(TValueHolder& holder, TValueHolder* ancestor = nullptr)
{
  TMemoryStream stream;
  {
    TWriter writer(&stream, 256);
    writer.WriteDescendent(&holder, ancestor);
  }
  return StreamBytes(stream);
}

bool Contains(const Bytes& haystack, const std::string& needle)
{
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

TEST(PackedDecimal, KnownLayoutAndRoundTrips)
{
  const APX_BCD minus12345 = Int64ToAPX_BCD(-12345);
  const APX_BCD expected{{0x45, 0x23, 0x01, 0, 0, 0, 0, 0, 0, 0x80}};
  EXPECT_EQ(minus12345, expected);
  EXPECT_EQ(APX_BCDToInt64(expected), -12345);

  const int64_t largest = 999999999999999999LL;
  const APX_BCD nines = Int64ToAPX_BCD(largest);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(nines.Bytes[i], 0x99) << i;
  EXPECT_EQ(nines.Bytes[9], 0x00);

  std::mt19937_64 random(7);
  for (int i = 0; i < 2000; ++i) {
    const int64_t v = int64_t(random() % uint64_t(largest)) * (i % 2 ? -1 : 1);
    ASSERT_EQ(APX_BCDToInt64(Int64ToAPX_BCD(v)), v);
  }
  EXPECT_EQ(APX_BCDToInt64(Int64ToAPX_BCD(-largest)), -largest);
  EXPECT_EQ(APX_BCDToInt64(Int64ToAPX_BCD(0)), 0);
}

TEST(PackedDecimal, OutOfRangeGivesTheIndefiniteEncoding)
{
  const APX_BCD indefinite{{0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xFF}};
  EXPECT_EQ(Int64ToAPX_BCD(1000000000000000000LL), indefinite);
  EXPECT_EQ(Int64ToAPX_BCD(-1000000000000000000LL), indefinite);
  EXPECT_EQ(Int64ToAPX_BCD(INT64_MIN), indefinite);
  EXPECT_EQ(Int64ToAPX_BCD(INT64_MAX), indefinite);
}

TEST(BCDString, TextConversions)
{
  TBCDString n(AnsiString("-12345"));
  EXPECT_EQ(n.GetAsString(), "-12345");
  EXPECT_EQ(n.GetAsInteger(), -12345);
  const APX_BCD expected{{0x45, 0x23, 0x01, 0, 0, 0, 0, 0, 0, 0x80}};
  EXPECT_EQ(n.GetAsAPX_BCD(), expected);

  struct Case {
    const char* Text;
    int64_t Value;
  } cases[] = {
      {"12abc", 12}, {"abc", 0}, {"", 0}, {"  \t-7", -7}, {"+5", 5}, {"- 5", 0}, {"--5", 0},
      {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
      {"99999999999999999999", INT64_MAX}, {"-99999999999999999999", INT64_MIN},
  };
  for (const Case& c : cases) {
    n.SetAsString(c.Text);
    EXPECT_EQ(n.Value, c.Value) << '"' << c.Text << '"';
  }
  n.Value = INT64_MIN;
  EXPECT_EQ(n.GetAsString(), "-9223372036854775808");
  n.SetAsInteger(-1);
  EXPECT_EQ(n.Value, -1);
  n.Value = 0x100000005LL;
  EXPECT_EQ(n.GetAsInteger(), 5);  // the low 32 bits
}

TEST(BCDString, BcdBytesAndArrays)
{
  TBCDString n;
  n.SetAsBCD(0x42);
  EXPECT_EQ(n.Value, 42);
  EXPECT_EQ(TBCDString(1234).GetAsBCD(), 0x34);
  EXPECT_EQ(TBCDString(BCD(0x99)).Value, 99);

  BCD digits[3] = {0x21, 0x43, 0x65};
  EXPECT_EQ(TBCDString(digits, 3).Value, 654321);
  BCD many[12] = {0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x77, 0x77};
  EXPECT_EQ(TBCDString(many, 12).Value, -1);  // only the first ten bytes count
  EXPECT_EQ(TBCDString(many, 0).Value, 0);

  BCD out[12];
  std::fill(std::begin(out), std::end(out), 0xEE);
  TBCDString(-654321).AssignToBCDArray(out, 12);
  const BCD expected[12] = {0x21, 0x43, 0x65, 0, 0, 0, 0, 0, 0, 0x80, 0xEE, 0xEE};
  EXPECT_TRUE(std::equal(std::begin(out), std::end(out), std::begin(expected)));
  std::fill(std::begin(out), std::end(out), 0xEE);
  TBCDString(-654321).AssignToBCDArray(out, 2);
  EXPECT_EQ(out[1], 0x43);
  EXPECT_EQ(out[2], 0xEE);
}

TEST(BCDString, StoredOnlyWhenItDiffers)
{
  TBCDString zero, five(5), otherFive(5), six(6);
  EXPECT_FALSE(HasDataFor(zero, nullptr));
  EXPECT_TRUE(HasDataFor(five, nullptr));
  EXPECT_FALSE(HasDataFor(five, &otherFive));
  EXPECT_TRUE(HasDataFor(five, &six));
  EXPECT_TRUE(HasDataFor(six, &zero));
  TCharset notABcd;
  EXPECT_FALSE(HasDataFor(zero, &notABcd));  // an ancestor of another class counts as none
  EXPECT_TRUE(HasDataFor(five, &notABcd));
}

TEST(BCDString, StoredFormRoundTrip)
{
  RegisterClass(TValueHolder::StaticClass());
  TValueHolder zero;
  zero.SetName("Holder");
  EXPECT_FALSE(Contains(WriteHolder(zero), "Amount.Value"));

  TValueHolder holder;
  holder.SetName("Holder");
  holder.FAmount.Value = 5;
  const Bytes bytes = WriteHolder(holder);
  // "Amount.Value" then the one-byte integer form of 5.
  const std::string name = "Amount.Value";
  auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
  ASSERT_NE(at, bytes.end());
  ASSERT_GE(bytes.end() - at, ptrdiff_t(name.size() + 2));
  EXPECT_EQ(at[name.size()], vaInt8);
  EXPECT_EQ(at[name.size() + 1], 5);

  holder.FAmount.Value = -1234567890123LL;
  TMemoryStream stream;
  {
    TWriter writer(&stream, 256);
    writer.WriteDescendent(&holder, nullptr);
  }
  stream.SetPosition(0);
  TValueHolder copy;
  {
    TReader reader(&stream, 256);
    reader.ReadRootComponent(&copy);
  }
  EXPECT_EQ(copy.FAmount.Value, -1234567890123LL);

  TValueHolder ancestor;
  ancestor.SetName("Holder");
  ancestor.FAmount.Value = holder.FAmount.Value;
  EXPECT_FALSE(Contains(WriteHolder(holder, &ancestor), "Amount.Value"));
}

TEST(UInt64, HalvesInPlace)
{
  TUInt64 v(0x100000002ULL);
  EXPECT_EQ(v.GetLowInt(), 2u);
  EXPECT_EQ(v.GetHighInt(), 1u);
  v.SetLowInt(7);
  EXPECT_EQ(uint64_t(v), 0x100000007ULL);
  *v.GetHighIntPtr() = 3;
  EXPECT_EQ(uint64_t(v), 0x300000007ULL);
  v.SetHighInt(0);
  EXPECT_EQ(uint64_t(v), 7u);
  // Low half first in memory, as the platform's calls expect.
  uint32_t halves[2];
  std::memcpy(halves, &v, sizeof halves);
  EXPECT_EQ(halves[0], 7u);
  EXPECT_EQ(uint64_t(TUInt64()), 0u);
}

TEST(QelRect, InflateMovesEverySide)
{
  RECT r{10, 20, 30, 40};
  TQelRect rect(r);
  rect.Inflate(2, -3);
  EXPECT_EQ(rect.Left, 8);
  EXPECT_EQ(rect.Top, 23);
  EXPECT_EQ(rect.Right, 32);
  EXPECT_EQ(rect.Bottom, 37);
  const RECT back = rect;
  EXPECT_EQ(back.bottom, 37);
}

TEST(IntList, SortedInsertionPutsNewValuesBeforeTheirEquals)
{
  TIntList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add(5), 0);
  EXPECT_EQ(list.Add(1), 0);
  EXPECT_EQ(list.Add(3), 1);
  EXPECT_EQ(list.Add(3), 1);  // before the first 3
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0), 1);
  EXPECT_EQ(list.Get(1), 3);
  EXPECT_EQ(list.Get(2), 3);
  EXPECT_EQ(list.Get(3), 5);
  EXPECT_EQ(list.SortedPosition(4), 3);
  EXPECT_EQ(list.SortedPosition(-9), 0);
  EXPECT_EQ(list.SortedPosition(9), 4);

  TIntList unsorted;
  for (int v : {4, -2, 9, 0, -2}) unsorted.Add(v);
  EXPECT_EQ(unsorted.Get(0), 4);
  EXPECT_EQ(unsorted.IndexOf(-2), 1);
  EXPECT_EQ(unsorted.IndexOf(7), -1);
  unsorted.SetSorted(true);  // sorts what is there
  EXPECT_EQ(unsorted.First(), -2);
  EXPECT_EQ(unsorted.Last(), 9);
  EXPECT_EQ(unsorted.Get(2), 0);
  unsorted.Put(0, 100);  // Put does not keep the order
  EXPECT_EQ(unsorted.First(), 100);
}

namespace {
class TCounted : public TObject {
public:
  explicit TCounted(int& destroyed) : FDestroyed(destroyed) {}
  ~TCounted() override { ++FDestroyed; }

private:
  int& FDestroyed;
};
}  // namespace

TEST(PCharList, SortedOrderIsByteOrder)
{
  TPCharList list;
  list.SetSorted(true);
  list.Add("beta");
  list.Add("alpha");
  list.Add(AnsiString("gamma"));
  list.Add("Zulu");  // upper case sorts first
  list.Add("\xD7\x90");  // a Hebrew letter: bytes above 0x7F sort last
  ASSERT_EQ(list.Count(), 5);
  EXPECT_STREQ(list.Get(0), "Zulu");
  EXPECT_STREQ(list.Get(1), "alpha");
  EXPECT_STREQ(list.Get(2), "beta");
  EXPECT_STREQ(list.Get(3), "gamma");
  EXPECT_STREQ(list.Get(4), "\xD7\x90");
  EXPECT_EQ(list.SortedPosition(nullptr), 0);
  EXPECT_EQ(list.SortedPosition("beta"), 2);

  // IndexOf is by identity: equal text in another block is not found.
  char* block = list.Get(2);
  EXPECT_EQ(list.IndexOf(block), 2);
  EXPECT_EQ(list.IndexOf("beta"), -1);
}

TEST(PCharList, BlocksCarryTheirObjects)
{
  int destroyed = 0;
  auto* first = new TCounted(destroyed);
  auto* second = new TCounted(destroyed);
  {
    TPCharList list(true);
    list.AddObject("one", first);
    list.AddObject(AnsiString(""), second);  // an empty text is a block, never null
    ASSERT_NE(list.Get(1), nullptr);
    EXPECT_EQ(list.GetObject(1), second);

    list.Put(0, "uno");  // the object moves into the new block
    EXPECT_STREQ(list.Get(0), "uno");
    EXPECT_EQ(list.GetObject(0), first);
    EXPECT_EQ(list.IndexOfObject(first), 0);
    EXPECT_EQ(*TPCharList::GetObjectPtr(list.Get(0)), first);

    list.Put(0, nullptr);  // a null element has no object
    EXPECT_EQ(list.Get(0), nullptr);
    EXPECT_EQ(list.GetObject(0), nullptr);
    list.PutObject(0, first);  // ignored: nowhere to keep it
    EXPECT_EQ(list.IndexOfObject(first), -1);
    list.Put(0, "again");
    EXPECT_EQ(list.GetObject(0), nullptr);

    list.DeleteItem(1);  // never destroys the object
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(list.Count(), 1);
    list.PutObject(0, second);
  }  // owning list: destruction destroys the objects it holds
  EXPECT_EQ(destroyed, 1);  // second; first was dropped with its block
  delete first;
  EXPECT_EQ(destroyed, 2);
}

TEST(PCharList, ClearDestroysOwnedObjectsOnly)
{
  int destroyed = 0;
  TPCharList owning(true);
  owning.AddObject("a", new TCounted(destroyed));
  owning.InsertObject(0, AnsiString("b"), new TCounted(destroyed));
  owning.Add(nullptr);
  EXPECT_STREQ(owning.First(), "b");
  EXPECT_EQ(owning.Last(), nullptr);
  owning.Clear();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(owning.Count(), 0);

  TCounted kept(destroyed);
  {
    TPCharList borrowing;
    borrowing.AddObject("k", &kept);
    borrowing.Clear();
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(PCharList, CopiesAreZeroFilledWithRoomForTheObject)
{
  std::unique_ptr<char, decltype(&std::free)> copy(TPCharList::PCharCopy("abc"), &std::free);
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy.get(), "abc");
  const size_t blockSize = 3 + 1 + sizeof(TObject*);
  for (size_t i = 3; i < blockSize; ++i) EXPECT_EQ(copy.get()[i], 0) << i;
  EXPECT_EQ(TPCharList::PCharCopy(nullptr), nullptr);
  // The slot after the zero holds a whole pointer: 4 bytes on 32-bit Windows, 8 on 64-bit.
  EXPECT_GE(_msize(copy.get()), blockSize);
  EXPECT_EQ(reinterpret_cast<char*>(TPCharList::GetObjectPtr(copy.get())) + sizeof(TObject*), copy.get() + blockSize);
}

TEST(QelList, OwnedBlocksAreFreedSlotsFollowTheRules)
{
  TQelList list(true);
  for (int i = 0; i < 4; ++i) list.Add(std::malloc(16));
  list.DeleteElement(1);
  EXPECT_EQ(list.Count(), 3);
  list.DeleteElements();  // frees, keeps the slots
  EXPECT_EQ(list.Count(), 3);
  for (int i = 0; i < list.Count(); ++i) list.Put(i, std::malloc(8));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  void* block = std::malloc(4);
  {
    TQelList borrowing;
    borrowing.Add(block);
    EXPECT_FALSE(borrowing.GetOwnsElements());
  }
  std::free(block);  // still ours: a non-owning list freed nothing
}

TEST(ShortString, KeepsTheFirst255Characters)
{
  QelShortString s;
  s = AnsiString::StringOfChar('x', 300) ;
  EXPECT_EQ(s.Length(), 255);
  EXPECT_EQ(AnsiString(s), AnsiString::StringOfChar('x', 255));
  s = AnsiString("short");
  EXPECT_EQ(AnsiString(s), "short");

  SmallString<255> raw;
  QelShortString::Cast(raw) = AnsiString("in place");
  EXPECT_EQ(AnsiString(raw), "in place");
}

TEST(Charset, StoredByIdentifier)
{
  TCharset ansi;  // 0: differs from DEFAULT_CHARSET, so it is written
  EXPECT_TRUE(HasDataFor(ansi, nullptr));
  TCharset deflt(DEFAULT_CHARSET);
  EXPECT_FALSE(HasDataFor(deflt, nullptr));
  TCharset hebrew(HEBREW_CHARSET), otherHebrew(HEBREW_CHARSET);
  EXPECT_FALSE(HasDataFor(hebrew, &otherHebrew));
  EXPECT_TRUE(HasDataFor(deflt, &hebrew));

  RegisterClass(TValueHolder::StaticClass());
  for (int value : {int(ANSI_CHARSET), int(HEBREW_CHARSET), 5}) {
    TValueHolder holder;
    holder.SetName("Holder");
    holder.FCharset = static_cast<unsigned char>(value);
    TMemoryStream stream;
    {
      TWriter writer(&stream, 256);
      writer.WriteDescendent(&holder, nullptr);
    }
    const Bytes bytes = StreamBytes(stream);
    EXPECT_EQ(Contains(bytes, "HEBREW_CHARSET"), value == HEBREW_CHARSET);
    stream.SetPosition(0);
    TValueHolder copy;
    TReader reader(&stream, 256);
    reader.ReadRootComponent(&copy);
    EXPECT_EQ(int(static_cast<unsigned char>(copy.FCharset)), value);
  }
}

// ---------------------------------------------------------------------------------------------------
// Variant streaming

TEST(VariantStream, ByteExactForms)
{
  EXPECT_EQ(VariantBytes(Variant(70000)), (Bytes{vaInt32, 0x70, 0x11, 0x01, 0x00}));
  EXPECT_EQ(VariantBytes(Variant(300)), (Bytes{vaInt16, 0x2C, 0x01}));
  EXPECT_EQ(VariantBytes(Variant(short(-5))), (Bytes{vaInt8, 0xFB}));
  EXPECT_EQ(VariantBytes(Variant(static_cast<unsigned char>(200))), (Bytes{vaInt16, 200, 0}));
  EXPECT_EQ(VariantBytes(Unassigned()), (Bytes{13}));
  EXPECT_EQ(VariantBytes(Null()), (Bytes{0}));
  EXPECT_EQ(VariantBytes(Variant(true)), (Bytes{vaTrue}));
  EXPECT_EQ(VariantBytes(Variant(false)), (Bytes{vaFalse}));
  EXPECT_EQ(VariantBytes(Variant(1.5f)), (Bytes{vaSingle, 0x00, 0x00, 0xC0, 0x3F}));
  // 1.0 as an x87 extended: mantissa 8000000000000000, exponent 3FFF.
  EXPECT_EQ(VariantBytes(Variant(1.0)), (Bytes{vaExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(VariantBytes(Variant(AnsiString("hi"))), (Bytes{vaString, 2, 'h', 'i'}));
  EXPECT_EQ(VariantBytes(Variant(WideString(L"hi"))), (Bytes{vaWString, 2, 0, 0, 0, 'h', 0, 'i', 0}));
  EXPECT_EQ(VariantBytes(Variant(Currency(2))), (Bytes{vaCurrency, 0x20, 0x4E, 0, 0, 0, 0, 0, 0}));
}

TEST(VariantStream, TwoByTwoArrayOrder)
{
  Variant array = VarArrayCreate({0, 1, 0, 1}, varVariant);
  array.PutElement(Variant(1), {0, 0});
  array.PutElement(Variant(2), {0, 1});
  array.PutElement(Variant(3), {1, 0});
  array.PutElement(Variant(4), {1, 1});
  EXPECT_EQ(VariantBytes(array),
            (Bytes{100, vaInt8, 2, vaInt8, 0, vaInt8, 1, vaInt8, 0, vaInt8, 1,  //
                   vaInt8, 1, vaInt8, 2, vaInt8, 3, vaInt8, 4}));

  // A typed array: elements converted to the element type before they are written.
  Variant ints = VarArrayCreate({-1, 1}, varInteger);
  ints.PutElement(Variant(70000), {-1});
  ints.PutElement(Variant(-1), {0});
  ints.PutElement(Variant(300), {1});
  EXPECT_EQ(VariantBytes(ints), (Bytes{100, vaInt8, 1, vaInt8, 0xFF, vaInt8, 1, vaInt32, 0x70, 0x11, 1, 0,
                                       vaInt8, 0xFF, vaInt16, 0x2C, 1}));
}

TEST(VariantStream, RoundTripsEveryType)
{
  const Variant values[] = {
      Unassigned(), Null(), Variant(short(12)), Variant(-70000), Variant(2.25), Variant(0.5f),
      Variant(Currency(12.3456)), Variant(TDateTime(45000.5)), Variant(WideString(L"\x05E9\x05DC\x05D5\x05DD")),
      Variant(true), Variant(AnsiString("UTF-8 \xD7\xA9")),
  };
  for (const Variant& v : values) {
    const Variant back = ReadBack(VariantBytes(v));
    EXPECT_EQ(VarType(back), VarType(v)) << VarToStr(v).c_str();
    if (!VarIsEmpty(v) && !VarIsNull(v)) {
      EXPECT_TRUE(back == v) << VarToStr(v).c_str();
    }
  }
  // vaInt8 and vaInt16 read back as smallint, vaInt32 as integer.
  EXPECT_EQ(VarType(ReadBack(VariantBytes(Variant(5)))), varSmallint);
  EXPECT_EQ(VarType(ReadBack(VariantBytes(Variant(300)))), varSmallint);
  EXPECT_EQ(VarType(ReadBack(VariantBytes(Variant(70000)))), varInteger);
}

TEST(VariantStream, ArraysRoundTripWithStringsAndNesting)
{
  Variant inner = VarArrayCreate({1, 2}, varVariant);
  inner.PutElement(Variant(AnsiString("a")), {1});
  inner.PutElement(Variant(7), {2});
  Variant outer = VarArrayCreate({0, 2, 5, 6}, varVariant);
  int n = 0;
  for (int i = 0; i <= 2; ++i)
    for (int j = 5; j <= 6; ++j) outer.PutElement(n++ == 3 ? inner : Variant(AnsiString(IntToStr(n))), {i, j});

  const Variant back = ReadBack(VariantBytes(outer));
  ASSERT_TRUE(VarIsArray(back));
  EXPECT_EQ(VarArrayDimCount(back), 2);
  EXPECT_EQ(VarArrayLowBound(back, 2), 5);
  EXPECT_EQ(VarArrayHighBound(back, 1), 2);
  const Variant first = back.GetElement({0, 5});
  EXPECT_EQ(VarType(first), varOleStr);  // arrays keep OLE strings
  EXPECT_EQ(VarToStr(first), "1");
  const Variant nested = back.GetElement({1, 6});
  ASSERT_TRUE(VarIsArray(nested));
  EXPECT_EQ(VarToStr(nested.GetElement({1})), "a");
  EXPECT_EQ(nested.GetElement({2}).AsInteger(), 7);

  // An array with an empty dimension carries its bounds and no elements.
  Variant empty = VarArrayCreate({0, -1}, varVariant);
  EXPECT_EQ(VariantBytes(empty), (Bytes{100, vaInt8, 1, vaInt8, 0, vaInt8, 0xFF}));
  EXPECT_TRUE(VarIsArray(ReadBack(VariantBytes(empty))));
}

TEST(VariantStream, UnknownCodeConsumesOnlyItsByte)
{
  // An identifier code is not a variant form: it reads as an error variant, and the very next byte
  // starts the next value.
  TMemoryStream stream;
  const unsigned char bytes[] = {vaIdent, vaInt8, 9};
  stream.WriteBuffer(bytes, sizeof bytes);
  stream.SetPosition(0);
  TQelReader reader(&stream, 16);
  EXPECT_EQ(VarType(reader.ReadVariant()), varError);
  EXPECT_EQ(reader.ReadVariant().AsInteger(), 9);
}

TEST(VariantStream, CorruptArraysAreRefusedWithoutHugeAllocations)
{
  // A million-by-million array announced in a dozen bytes.
  const Bytes huge{100, vaInt8, 2, vaInt32, 0, 0, 0, 0, vaInt32, 0x40, 0x42, 0x0F, 0, vaInt8, 0,
                   vaInt32, 0x40, 0x42, 0x0F, 0};
  EXPECT_THROW(ReadBack(huge), EReadError);
  EXPECT_THROW(ReadBack(Bytes{100, vaInt8, 0}), EReadError);                        // no dimensions
  EXPECT_THROW(ReadBack(Bytes{100, vaInt8, 1, vaInt8, 5, vaInt8, 2}), EReadError);  // high < low - 1
  Bytes deep;
  for (int i = 0; i < 100; ++i) deep.insert(deep.end(), {100, vaInt8, 1, vaInt8, 0, vaInt8, 0});
  deep.push_back(vaNull);
  EXPECT_THROW(ReadBack(deep), EReadError);

  // Mutations of a valid array stream: an exception or a value, never a crash.
  Variant array = VarArrayCreate({0, 3}, varVariant);
  for (int i = 0; i <= 3; ++i) array.PutElement(Variant(i * 1000), {i});
  const Bytes valid = VariantBytes(array);
  std::mt19937 random(4242);
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes mutated = valid;
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits; ++e) mutated[random() % mutated.size()] = static_cast<unsigned char>(random());
    if (random() % 4 == 0) mutated.resize(random() % mutated.size());
    try {
      ReadBack(mutated);
    } catch (const Exception&) {
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);
}
