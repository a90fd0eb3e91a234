// AnsiString, WideString, short strings, sets, currency, date-time and unit initialisation.
#include <gtest/gtest.h>

#include <cstring>

#include "SysUtils.h"
#include "System.h"
#include "Trace.h"

namespace {

// "שלום עולם" (hello world in Hebrew), spelled as UTF-8 bytes and as UTF-16 units.
const char kHebrewUtf8[] = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D";
const wchar_t kHebrewUtf16[] = L"\x05E9\x05DC\x05D5\x05DD \x05E2\x05D5\x05DC\x05DD";

TEST(AnsiStringText, HebrewRoundTripsThroughWideString)
{
  const AnsiString hebrew(kHebrewUtf8);
  EXPECT_EQ(hebrew.Length(), 17);  // bytes, not characters
  const WideString wide(hebrew);
  ASSERT_EQ(wide.Length(), 9);
  EXPECT_EQ(std::memcmp(wide.c_bstr(), kHebrewUtf16, 9 * sizeof(wchar_t)), 0);
  EXPECT_EQ(SysStringLen(wide.c_bstr()), 9u);  // a real BSTR with its length prefix
  EXPECT_EQ(AnsiString(wide), hebrew);
  EXPECT_EQ(AnsiString(kHebrewUtf16), hebrew);
}

TEST(AnsiStringText, CharactersOutsideTheBasicPlaneUseSurrogatePairs)
{
  const AnsiString clef("\xF0\x9D\x84\x9E");  // U+1D11E
  const WideString wide(clef);
  ASSERT_EQ(wide.Length(), 2);
  EXPECT_EQ(wide[1], 0xD834);
  EXPECT_EQ(wide[2], 0xDD1E);
  EXPECT_EQ(AnsiString(wide), clef);
}

TEST(AnsiStringText, EmptyStringsAreNeverNull)
{
  AnsiString empty;
  ASSERT_NE(empty.c_str(), nullptr);
  EXPECT_STREQ(empty.c_str(), "");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_STREQ(AnsiString(static_cast<const char*>(nullptr)).c_str(), "");
  WideString wide;
  EXPECT_EQ(wide.c_bstr(), nullptr);
  EXPECT_STREQ(wide.c_str(), L"");
  EXPECT_EQ(AnsiString(wide), AnsiString());
}

TEST(AnsiStringText, NumbersGiveTheirText)
{
  EXPECT_EQ(AnsiString(-42), AnsiString("-42"));
  EXPECT_EQ(AnsiString(1.5), AnsiString("1.5"));
  EXPECT_EQ(AnsiString(100.0), AnsiString("100"));
  EXPECT_EQ(AnsiString(1e20), AnsiString("1E20"));
  EXPECT_EQ(AnsiString(0.0001), AnsiString("0.0001"));
  EXPECT_EQ(AnsiString(0.00001), AnsiString("1E-5"));
  EXPECT_EQ(AnsiString(1.0 / 3.0), AnsiString("0.333333333333333"));
}

TEST(AnsiStringIndex, SubStringClampsAsCopyDoes)
{
  const AnsiString s("abcdef");
  EXPECT_EQ(s.SubString(2, 3), AnsiString("bcd"));
  EXPECT_EQ(s.SubString(0, 2), AnsiString("ab"));
  EXPECT_EQ(s.SubString(-5, 2), AnsiString("ab"));
  EXPECT_EQ(s.SubString(5, 100), AnsiString("ef"));
  EXPECT_EQ(s.SubString(6, 1), AnsiString("f"));
  EXPECT_EQ(s.SubString(7, 1), AnsiString());
  EXPECT_EQ(s.SubString(2, 0), AnsiString());
  EXPECT_EQ(s.SubString(2, -1), AnsiString());
  EXPECT_EQ(AnsiString().SubString(1, 1), AnsiString());
}

TEST(AnsiStringIndex, PosIsOneBasedAndZeroWhenAbsent)
{
  const AnsiString s("abcabc");
  EXPECT_EQ(s.Pos("a"), 1);
  EXPECT_EQ(s.Pos("cab"), 3);
  EXPECT_EQ(s.Pos("abc"), 1);
  EXPECT_EQ(s.Pos("x"), 0);
  EXPECT_EQ(s.Pos(""), 0);
  EXPECT_EQ(s.Pos("abcabcd"), 0);
  EXPECT_EQ(AnsiString().Pos("a"), 0);
}

TEST(AnsiStringIndex, BracketsAreOneBasedAndChecked)
{
  AnsiString s("xyz");
  EXPECT_EQ(s[1], 'x');
  EXPECT_EQ(s[3], 'z');
  s[2] = 'Y';
  EXPECT_EQ(s, AnsiString("xYz"));
  EXPECT_THROW(s[0], ERangeError);
  EXPECT_THROW(s[4], ERangeError);
}

TEST(AnsiStringIndex, InsertAndDeleteKeepWithinTheString)
{
  AnsiString s("held");
  s.Insert("llo wor", 3);
  EXPECT_EQ(s, AnsiString("hello world"));
  s.Insert("<", 0).Insert(">", 100);
  EXPECT_EQ(s, AnsiString("<hello world>"));
  s.Delete(1, 1).Delete(6, 100);
  EXPECT_EQ(s, AnsiString("hello"));
  s.Delete(0, 2).Delete(6, 1).Delete(2, 0);
  EXPECT_EQ(s, AnsiString("hello"));
  s.Delete(2, 3);
  EXPECT_EQ(s, AnsiString("ho"));
}

TEST(AnsiStringCase, CaseMappingLeavesHebrewAlone)
{
  EXPECT_EQ(AnsiString("Abc-\xC3\xA9").UpperCase(), AnsiString("ABC-\xC3\x89"));  // é -> É
  EXPECT_EQ(AnsiString("ÀBC").LowerCase(), AnsiString("àbc"));
  EXPECT_EQ(AnsiString(kHebrewUtf8).UpperCase(), AnsiString(kHebrewUtf8));
  EXPECT_EQ(UpperCase("abc\xC3\xA9"), AnsiString("ABC\xC3\xA9"));  // the plain one is ASCII-only
}

TEST(AnsiStringCase, TrimRemovesBlanksAndControls)
{
  const AnsiString s(" \t\r\n text \x01 ");
  EXPECT_EQ(s.Trim(), AnsiString("text"));
  EXPECT_EQ(s.TrimLeft(), AnsiString("text \x01 "));
  EXPECT_EQ(s.TrimRight(), AnsiString(" \t\r\n text"));
  EXPECT_EQ(AnsiString("   ").Trim(), AnsiString());
}

TEST(AnsiStringMisc, ConversionsAndBuilders)
{
  EXPECT_EQ(AnsiString(" 12").ToInt(), 12);
  EXPECT_THROW(AnsiString("12 ").ToInt(), EConvertError);
  EXPECT_EQ(AnsiString("x").ToIntDef(-7), -7);
  EXPECT_EQ(AnsiString::StringOfChar('-', 4), AnsiString("----"));
  EXPECT_EQ(AnsiString::StringOfChar('-', -1), AnsiString());
  AnsiString s;
  s.sprintf("%05d|%s", 42, "x");
  EXPECT_EQ(s, AnsiString("00042|x"));
  s.cat_sprintf("%c", '!');
  EXPECT_EQ(s, AnsiString("00042|x!"));
  EXPECT_EQ(AnsiString("a") + "b" + AnsiString("c") + 'd', AnsiString("abcd"));
  EXPECT_LT(AnsiString("abc"), AnsiString("abd"));
  EXPECT_LT(AnsiString("ab"), AnsiString("abc"));
  EXPECT_EQ(AnsiString("text", 2), AnsiString("te"));
}

TEST(WideStringBasics, CopyMoveAndOutParameters)
{
  WideString a(L"alpha");
  WideString b(a);
  EXPECT_NE(a.c_bstr(), b.c_bstr());
  EXPECT_EQ(a, b);
  WideString c(std::move(b));
  EXPECT_EQ(b.c_bstr(), nullptr);
  EXPECT_EQ(c, a);
  BSTR* out = &c;
  *out = SysAllocString(L"beta");
  EXPECT_EQ(AnsiString(c), AnsiString("beta"));
  EXPECT_EQ(c.SubString(2, 2), WideString(L"et"));
  EXPECT_EQ(c.Pos(L"ta"), 3);
  EXPECT_EQ((a + c).Length(), 9);
  BSTR detached = c.Detach();
  EXPECT_TRUE(c.IsEmpty());
  SysFreeString(detached);
}

TEST(ShortString, LayoutIsLengthByteThenCharacters)
{
  static_assert(sizeof(SmallString<255>) == 256);
  static_assert(sizeof(SmallString<10>) == 11);
  SmallString<10> s("abc");
  EXPECT_EQ(s.Bytes()[0], 3);
  EXPECT_EQ(std::memcmp(s.Bytes() + 1, "abc", 3), 0);
  EXPECT_EQ(AnsiString(s), AnsiString("abc"));
  EXPECT_EQ(s[2], 'b');
  EXPECT_THROW(s[4], ERangeError);
}

TEST(ShortString, LongTextKeepsItsFirstBytes)
{
  const AnsiString long300 = AnsiString::StringOfChar('x', 299) + "y";
  SmallString<255> s(long300);
  EXPECT_EQ(s.Length(), 255);
  EXPECT_EQ(AnsiString(s), long300.SubString(1, 255));
  SmallString<4> small;
  small = "abcdef";
  EXPECT_EQ(AnsiString(small), AnsiString("abcd"));
}

enum TColorKind { ckRed, ckGreen, ckBlue, ckAlpha = 9, ckLast = 15 };

TEST(SetLayout, SizeSpansTheBytesOfTheRange)
{
  static_assert(sizeof(Set<int, 0, 7>) == 1);
  static_assert(sizeof(Set<int, 0, 15>) == 2);
  static_assert(sizeof(Set<int, 8, 15>) == 1);
  static_assert(sizeof(Set<int, 7, 8>) == 2);
  static_assert(sizeof(Set<int, 0, 255>) == 32);
  static_assert(Set<char, 'A', 'Z'>::ByteSize() == 4);  // bytes 8..11 of the 256-bit space
}

TEST(SetLayout, ElementBitsFollowDelphi)
{
  Set<TColorKind, ckRed, ckLast> s;
  s << ckGreen << ckAlpha;
  EXPECT_EQ(s.Bytes()[0], 0x02);
  EXPECT_EQ(s.Bytes()[1], 0x02);  // element 9 is bit 1 of byte 1
  Set<int, 8, 15> high;
  high << 8 << 15;
  EXPECT_EQ(high.Bytes()[0], 0x81);  // a set from 8 starts at element 8's byte
  Set<char, 'A', 'Z'> letters;
  letters << 'A' << 'Z';
  EXPECT_EQ(letters.Bytes()[0], 0x02);  // 'A' = 65: byte 8, bit 1
  EXPECT_EQ(letters.Bytes()[3], 0x04);  // 'Z' = 90: byte 11, bit 2
}

TEST(SetLayout, Operations)
{
  using TKinds = Set<TColorKind, ckRed, ckLast>;
  TKinds a, b;
  a << ckRed << ckGreen;
  b << ckGreen << ckBlue;
  EXPECT_TRUE((a * b).Contains(ckGreen));
  EXPECT_FALSE((a * b).Contains(ckRed));
  EXPECT_TRUE((a + b).Contains(ckBlue));
  EXPECT_TRUE((a - b).Contains(ckRed));
  EXPECT_FALSE((a - b).Contains(ckGreen));
  EXPECT_NE(a, b);
  a >> ckRed;
  b >> ckBlue;
  EXPECT_EQ(a, b);
  EXPECT_TRUE(TKinds().Empty());
  EXPECT_FALSE(a.Empty());
  a << static_cast<TColorKind>(200);  // outside the range: ignored
  EXPECT_EQ(a, b);
}

TEST(CurrencyValue, ScaledByTenThousand)
{
  Currency c(12.3456);
  EXPECT_EQ(c.Val, 123456);
  EXPECT_EQ(Currency(3).Val, 30000);
  EXPECT_EQ(Currency(1.23456).Val, 12346);
  EXPECT_EQ(Currency(-1.23454).Val, -12345);
  EXPECT_DOUBLE_EQ(static_cast<double>(Currency::FromScaled(-25000)), -2.5);
  EXPECT_EQ(AnsiString(Currency(12.5)), AnsiString("12.5"));
  EXPECT_EQ(AnsiString(Currency::FromScaled(-1)), AnsiString("-0.0001"));
  EXPECT_EQ(AnsiString(Currency(7)), AnsiString("7"));
  EXPECT_EQ((Currency(1.5) + Currency(2.25)).Val, 37500);
  EXPECT_LT(Currency(1), Currency(1.0001));
}

TEST(DateTimeValue, DaysSinceTheEndOf1899)
{
  EXPECT_DOUBLE_EQ(TDateTime(1899, 12, 30).Val, 0.0);
  EXPECT_DOUBLE_EQ(TDateTime(1900, 1, 1).Val, 2.0);
  EXPECT_DOUBLE_EQ(TDateTime(2000, 1, 1).Val, 36526.0);
  EXPECT_DOUBLE_EQ(TDateTime(1899, 12, 29).Val, -1.0);
  EXPECT_DOUBLE_EQ(TDateTime(12, 0, 0, 0).Val, 0.5);
  unsigned short y = 0, m = 0, d = 0;
  TDateTime(36526.75).DecodeDate(&y, &m, &d);
  EXPECT_EQ(y, 2000);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 1);
  unsigned short h = 0, n = 0, s = 0, z = 0;
  TDateTime(36526.75).DecodeTime(&h, &n, &s, &z);
  EXPECT_EQ(h, 18);
  EXPECT_EQ(n, 0);
}

// A unit's start-up runs once for its first user and its shut-down once after its last.
int g_started = 0;
int g_finished = 0;

TEST(UnitInitialisation, CountsUsersAndRunsOnce)
{
  g_started = g_finished = 0;
  {
    TUnitInit first("RuntimeTestUnit", [] { ++g_started; }, [] { ++g_finished; });
    EXPECT_EQ(TUnitInit::Users("RuntimeTestUnit"), 1);
    {
      TUnitInit second("RuntimeTestUnit", [] { ++g_started; }, [] { ++g_finished; });
      EXPECT_EQ(TUnitInit::Users("RuntimeTestUnit"), 2);
    }
    EXPECT_EQ(g_started, 1);
    EXPECT_EQ(g_finished, 0);
  }
  EXPECT_EQ(g_finished, 1);
  EXPECT_EQ(TUnitInit::Users("RuntimeTestUnit"), 0);
  EXPECT_EQ(TUnitInit::Users("NoSuchUnit"), 0);
}

// ---------------------------------------------------------------------------------------------------
// COM references.

// An object that counts its references and answers IUnknown and IStream (as a marker only).
class CountedObject : public IUnknown {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
  {
    if (iid == IID_IUnknown || iid == IID_IStream) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
};

TEST(DelphiInterface, CountsEveryCopyAndReleasesWhenItGoes)
{
  CountedObject object;
  {
    DelphiInterface<IUnknown> first(&object);
    EXPECT_EQ(object.refs, 2u);
    DelphiInterface<IUnknown> second = first;
    EXPECT_EQ(object.refs, 3u);
    DelphiInterface<IUnknown> moved = std::move(second);
    EXPECT_EQ(object.refs, 3u);
    EXPECT_FALSE(second);
    first = first;  // self-assignment keeps the reference
    EXPECT_EQ(object.refs, 3u);
    moved = nullptr;
    EXPECT_EQ(object.refs, 2u);
  }
  EXPECT_EQ(object.refs, 1u);
}

TEST(DelphiInterface, AttachAdoptsDetachGivesUpAndTheOutSlotReleasesFirst)
{
  CountedObject object;
  object.AddRef();  // the reference Attach adopts
  {
    auto adopted = DelphiInterface<IUnknown>::Attach(&object);
    EXPECT_EQ(object.refs, 2u);
    IUnknown* given = adopted.Detach();
    EXPECT_EQ(given, &object);
    EXPECT_EQ(object.refs, 2u);
    adopted = DelphiInterface<IUnknown>::Attach(given);
    IUnknown** slot = &adopted;  // an out parameter: what was held is released
    EXPECT_EQ(object.refs, 1u);
    EXPECT_EQ(*slot, nullptr);
  }
  EXPECT_EQ(object.refs, 1u);
}

TEST(DelphiInterface, SupportsAsksForAnotherInterface)
{
  CountedObject object;
  DelphiInterface<IUnknown> unknown(&object);
  {
    DelphiInterface<IStream> stream = unknown.Supports<IStream>(IID_IStream);
    EXPECT_TRUE(stream);
    EXPECT_EQ(object.refs, 3u);
    EXPECT_FALSE(unknown.Supports<IStorage>(IID_IStorage));
    EXPECT_FALSE(DelphiInterface<IUnknown>().Supports<IStream>(IID_IStream));
  }
  EXPECT_EQ(object.refs, 2u);
}

}  // namespace

TEST(Trace, ChannelsFromTheDebugVariable)
{
  const unsigned filter = 1u << unsigned(TTraceChannel::filter), pin = 1u << unsigned(TTraceChannel::pin),
                 forms = 1u << unsigned(TTraceChannel::forms), twain = 1u << unsigned(TTraceChannel::twain);
  const unsigned all = (twain << 1) - 1;
  const struct {
    const char* value;
    unsigned channels;
  } cases[] = {
      {nullptr, 0u},
      {"", 0u},
      {"+filter", filter},
      {"+filter,+pin", filter | pin},
      {"+all", all},
      {"+all,-pin", all & ~pin},
      {"+forms,-forms", 0u},
      {"+twain", twain},
      {"filter", 0u},             // a name needs its sign
      {"+nosuch,+forms", forms},  // unknown names are left out
      {",+pin,,", pin},
      {"+", 0u},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseTraceChannels(c.value), c.channels) << (c.value ? c.value : "(none)");
}
