// Conversions, Format, file names and searches, dates, registry and variants.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <vector>

#include "Registry.h"
#include "SysUtils.h"
#include "Variants.h"

// Failures show the text, not the bytes of the string object.
std::ostream& operator<<(std::ostream& os, const AnsiString& s) { return os << '"' << s.c_str() << '"'; }

namespace {

// Restores the format settings a test changes.
class FormatSettingsGuard {
public:
  FormatSettingsGuard()
      : currency_(CurrencyString), format_(CurrencyFormat), neg_(NegCurrFormat), decimals_(CurrencyDecimals),
        thousand_(ThousandSeparator), decimal_(DecimalSeparator), shortDate_(ShortDateFormat),
        longDate_(LongDateFormat), shortTime_(ShortTimeFormat), longTime_(LongTimeFormat), am_(TimeAMString),
        pm_(TimePMString), dateSep_(DateSeparator), timeSep_(TimeSeparator)
  {
  }
  ~FormatSettingsGuard()
  {
    CurrencyString = currency_;
    CurrencyFormat = format_;
    NegCurrFormat = neg_;
    CurrencyDecimals = decimals_;
    ThousandSeparator = thousand_;
    DecimalSeparator = decimal_;
    ShortDateFormat = shortDate_;
    LongDateFormat = longDate_;
    ShortTimeFormat = shortTime_;
    LongTimeFormat = longTime_;
    TimeAMString = am_;
    TimePMString = pm_;
    DateSeparator = dateSep_;
    TimeSeparator = timeSep_;
  }

private:
  AnsiString currency_;
  unsigned char format_, neg_, decimals_;
  char thousand_, decimal_;
  AnsiString shortDate_, longDate_, shortTime_, longTime_, am_, pm_;
  char dateSep_, timeSep_;
};

TEST(StrToIntRules, AcceptsOnlyWholeIntegers)
{
  EXPECT_EQ(StrToInt("123"), 123);
  EXPECT_EQ(StrToInt("  -45"), -45);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
  for (const char* bad : {"", " ", "12 ", "1.5", "abc", "12abc", "2147483648", "-2147483649", "$", "$1G", "--1", "+"})
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
  try {
    StrToInt("12abc");
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, AnsiString("'12abc' is not a valid integer value"));
  }
  EXPECT_EQ(StrToIntDef("x", 9), 9);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(StrToFloatRules, DotDecimalsAndExponents)
{
  EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(StrToFloat(" -2.5E3 "), -2500.0);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  for (const char* bad : {"", "1,5", "e5", "1e", "1.5x", "inf", "1e999"})
    EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
  EXPECT_EQ(FloatToStr(-0.5), AnsiString("-0.5"));
  EXPECT_EQ(FloatToStr(123456789012345678.0), AnsiString("1.23456789012346E17"));
  EXPECT_EQ(IntToHex(255, 4), AnsiString("00FF"));
  EXPECT_EQ(IntToHex(-1, 2), AnsiString("FFFFFFFF"));
}

TEST(CurrencyText, ReadExactlyWithHalvesToEven)
{
  auto scaled = [](const char* text) { return StrToCurr(text).Val; };
  EXPECT_EQ(scaled("922337203685477.5807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(scaled("-922337203685477.5808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(scaled("12345678901234.5678"), 123456789012345678);
  EXPECT_EQ(scaled("0.00015"), 2);  // an exact half, to the even neighbour
  EXPECT_EQ(scaled("0.00025"), 2);
  EXPECT_EQ(scaled("0.00035"), 4);
  EXPECT_EQ(scaled("0.000250001"), 3);  // more than half
  EXPECT_EQ(scaled("-0.00015"), -2);
  EXPECT_EQ(scaled("0.00004999"), 0);
  EXPECT_EQ(scaled(" 1.5E2 "), 1500000);
  EXPECT_EQ(scaled("+7"), 70000);
  EXPECT_EQ(scaled("0e99999999"), 0);
  EXPECT_EQ(scaled("1e-99999999"), 0);
  EXPECT_EQ(scaled("92233720368547758.07e-2"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Currency(AnsiString("0.00015")).Val, 2);

  // Every value past either end is refused, the rounding that would carry past the end too.
  for (const char* bad : {"922337203685477.5808", "-922337203685477.5809", "1e15", "-1e15",
                          "922337203685477.58075", "1e99999999", "", " ", "abc", "1.2.3", "1e", "--1", "1,5"})
    EXPECT_THROW(StrToCurr(bad), EConvertError) << bad;
  EXPECT_EQ(StrToCurrDef("x", Currency(3)).Val, 30000);
  Currency kept;
  EXPECT_FALSE(TryStrToCurr("922337203685477.5808", kept));

  // Text and back over the whole range: the ends, small values, and random 64-bit patterns.
  std::mt19937_64 random(2026);
  std::vector<std::int64_t> values{std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                                   0, 1, -1, 5, 9999, 10000, -10001};
  for (int i = 0; i < 3000; ++i) values.push_back(static_cast<std::int64_t>(random()) >> (i % 60));
  for (std::int64_t v : values) {
    const AnsiString text = CurrToStr(Currency::FromScaled(v));
    EXPECT_EQ(StrToCurr(text).Val, v) << text.c_str();
  }
}

TEST(StringFunctions, StringReplaceFlagsAndAnsiPos)
{
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", TReplaceFlags()), AnsiString("a+b-c"));
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", TReplaceFlags() << rfReplaceAll), AnsiString("a+b+c"));
  EXPECT_EQ(StringReplace("Hello hello", "HELLO", "x", TReplaceFlags() << rfReplaceAll), AnsiString("Hello hello"));
  EXPECT_EQ(StringReplace("Hello hello", "HELLO", "x", TReplaceFlags() << rfReplaceAll << rfIgnoreCase), AnsiString("x x"));
  EXPECT_EQ(StringReplace("Hello hello", "HELLO", "x", TReplaceFlags() << rfIgnoreCase), AnsiString("x hello"));
  EXPECT_EQ(StringReplace("aaa", "a", "aa", TReplaceFlags() << rfReplaceAll), AnsiString("aaaaaa"));  // not searched again
  EXPECT_EQ(StringReplace("abc", "", "x", TReplaceFlags() << rfReplaceAll), AnsiString("abc"));
  // Non-ASCII letters compare without case too (Greek sigma, Cyrillic de), and keep their bytes.
  EXPECT_EQ(StringReplace("\xCE\xA3\xCF\x83-\xD0\x94", "\xCF\x83", "s", TReplaceFlags() << rfReplaceAll << rfIgnoreCase),
            AnsiString("ss-\xD0\x94"));

  EXPECT_EQ(AnsiPos("lo", "Hello"), 4);
  EXPECT_EQ(AnsiPos("x", "Hello"), 0);
  EXPECT_EQ(AnsiPos("", "Hello"), 0);
  EXPECT_EQ(AnsiPos("\xD7\x9C", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"), 3);  // a Hebrew letter, by bytes
}

TEST(FormatRules, DelphiSpecifiers)
{
  EXPECT_EQ(Format("%d|%5d|%-5d|%.3d", {7, 42, 42, -5}), AnsiString("7|   42|42   |-005"));
  EXPECT_EQ(Format("%x %.4x %u", {255, 10, -1}), AnsiString("FF 000A 4294967295"));
  // Halves round away from zero on the value's decimal digits, as the VCL does; 2.675 is below the half
  // in binary and stays 2.67.
  EXPECT_EQ(Format("%f %.1f %.0f", {1.0, 2.25, 2.5}), AnsiString("1.00 2.3 3"));
  EXPECT_EQ(Format("%.2f %.2f %.2f %.0f", {0.125, 2.675, -0.125, -2.5}), AnsiString("0.13 2.67 -0.13 -3"));
  EXPECT_EQ(Format("%.2f %.2f %.2f %.1f", {0.005, 0.004, -0.004, 0.96}), AnsiString("0.01 0.00 0.00 1.0"));
  EXPECT_EQ(Format("%.0f %.2f", {99.5, 1e20}), AnsiString("100 1E20"));  // beyond 18 digits: general
  EXPECT_EQ(Format("%.2n", {1234567.125}), AnsiString("1,234,567.13"));
  EXPECT_EQ(Format("%.4e %.3e", {2.0625, 2.0005}), AnsiString("2.063E+000 2.00E+000"));  // 2.0005 is below the half in binary
  EXPECT_EQ(Format("%.2g", {0.125}), AnsiString("0.13"));
  EXPECT_EQ(FloatToStr(1234567890123465.0), AnsiString("1.23456789012347E15"));
  EXPECT_EQ(FloatToStr(0.1), AnsiString("0.1"));
  EXPECT_EQ(Format("%g %g", {0.5, 1e20}), AnsiString("0.5 1E20"));
  EXPECT_EQ(Format("%e", {1234.5}), AnsiString("1.23450000000000E+003"));
  EXPECT_EQ(Format("%n", {1234567.891}), AnsiString("1,234,567.89"));
  EXPECT_EQ(Format("[%s] [%6s] [%-6s] [%.2s]", {"abc", "abc", "abc", "abc"}), AnsiString("[abc] [   abc] [abc   ] [ab]"));
  EXPECT_EQ(Format("%*d|%.*f", {4, 7, 1, 0.25}), AnsiString("   7|0.3"));
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), AnsiString("b a b"));
  EXPECT_EQ(Format("100%%", {}), AnsiString("100%"));
  EXPECT_EQ(FormatArgs("%s=%d", AnsiString("n"), 3), AnsiString("n=3"));
  EXPECT_EQ(Format("%f", {Currency(2.5)}), AnsiString("2.50"));
  // A pointer prints with as many digits as the target's pointers have.
  const void* pointer = reinterpret_cast<const void*>(std::uintptr_t{0xBEEF});
  EXPECT_EQ(Format("%p", {pointer}), AnsiString(sizeof(void*) == 8 ? "000000000000BEEF" : "0000BEEF"));
}

TEST(FormatRules, CurrencyFollowsTheSymbolAndTheNegativeOrders)
{
  FormatSettingsGuard guard;
  EXPECT_EQ(Format("%m|%.0m|%m", {1234.5, 2.5, Currency::FromScaled(-123456789012345678)}),
            AnsiString("$1,234.50|$3|($12,345,678,901,234.57)"));
  CurrencyString = "\xE2\x82\xAA";  // the new shekel sign, UTF-8
  CurrencyDecimals = 3;
  const char* positive[] = {"\xE2\x82\xAA" "1.500", "1.500\xE2\x82\xAA", "\xE2\x82\xAA 1.500", "1.500 \xE2\x82\xAA"};
  for (unsigned char f = 0; f < 4; ++f) {
    CurrencyFormat = f;
    EXPECT_EQ(Format("%m", {1.5}), AnsiString(positive[f])) << int(f);
  }
  CurrencyString = "$";
  const char* negative[] = {"($1.500)", "-$1.500", "$-1.500", "$1.500-", "(1.500$)", "-1.500$", "1.500-$", "1.500$-",
                            "-1.500 $", "-$ 1.500", "1.500 $-", "$ 1.500-", "$ -1.500", "1.500- $", "($ 1.500)", "(1.500 $)"};
  for (unsigned char f = 0; f < 16; ++f) {
    NegCurrFormat = f;
    EXPECT_EQ(Format("%m", {-1.5}), AnsiString(negative[f])) << int(f);
  }
  // A negative value that shows as zero takes the positive form.
  CurrencyFormat = 0;
  NegCurrFormat = 1;
  EXPECT_EQ(Format("%.2m", {-0.001}), AnsiString("$0.00"));
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-9223372036854775807LL - 1), ffCurrency, 4), AnsiString("-$922,337,203,685,477.5808"));
}

TEST(FormatRules, FloatToStrFAndCurrToStrF)
{
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), AnsiString("1234.57"));
  EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 1), AnsiString("1,234.6"));
  EXPECT_EQ(FloatToStrF(-0.5, ffFixed, 15, 0), AnsiString("-1"));
  EXPECT_EQ(FloatToStrF(1.23456789, ffFixed, 4, 6), AnsiString("1.235000"));  // the precision rounds first
  EXPECT_EQ(FloatToStrF(123456.0, ffFixed, 4, 2), AnsiString("1.235E5"));   // too many digits: general
  EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2), AnsiString("1.235E+03"));
  EXPECT_EQ(FloatToStrF(0.00012345, ffExponent, 3, 0), AnsiString("1.23E-4"));
  EXPECT_EQ(FloatToStrF(0.00001, ffGeneral, 15, 0), AnsiString("1E-5"));
  EXPECT_EQ(FloatToStrF(0.0001, ffGeneral, 15, 0), AnsiString("0.0001"));
  EXPECT_EQ(FloatToStrF(1e20, ffGeneral, 15, 3), AnsiString("1E020"));
  EXPECT_EQ(FloatToStrF(999.96, ffGeneral, 4, 0), AnsiString("1000"));
  EXPECT_EQ(FloatToStrF(99999.5, ffGeneral, 5, 0), AnsiString("1E5"));
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), AnsiString("$1,234.50"));
  EXPECT_EQ(FloatToStrF(std::numeric_limits<double>::infinity(), ffFixed, 15, 2), AnsiString("INF"));
  // Currency keeps all 19 digits: through double the last ones would be lost.
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(9223372036854775807LL), ffFixed, 4), AnsiString("922337203685477.5807"));
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(9223372036854775807LL), ffNumber, 2), AnsiString("922,337,203,685,477.58"));
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(123456789012345678LL), ffGeneral, 0), AnsiString("12345678901234.5678"));
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(15), ffFixed, 3), AnsiString("0.002"));  // 0.0015: half away
  EXPECT_EQ(CurrToStr(Currency::FromScaled(-9223372036854775807LL - 1)), AnsiString("-922337203685477.5808"));
  EXPECT_EQ(Format("%.4f", {Currency::FromScaled(9223372036854775807LL)}), AnsiString("922337203685477.5807"));
}

TEST(FormatRules, FormatFloatPatterns)
{
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), AnsiString("1,234,567.89"));
  EXPECT_EQ(FormatFloat("0.00", 2.675), AnsiString("2.67"));
  EXPECT_EQ(FormatFloat("0.00", 0.125), AnsiString("0.13"));
  EXPECT_EQ(FormatFloat("0", 2.5), AnsiString("3"));
  EXPECT_EQ(FormatFloat("#.##", 0.5), AnsiString(".5"));
  EXPECT_EQ(FormatFloat("0.##", 1.0), AnsiString("1"));
  EXPECT_EQ(FormatFloat("0.0#", 1.25), AnsiString("1.25"));
  EXPECT_EQ(FormatFloat("0.0#", 1.2), AnsiString("1.2"));
  EXPECT_EQ(FormatFloat("000", 7), AnsiString("007"));
  EXPECT_EQ(FormatFloat("#", 0), AnsiString(""));
  EXPECT_EQ(FormatFloat("00", 12345), AnsiString("12345"));
  EXPECT_EQ(FormatFloat("000-00", 12345), AnsiString("123-45"));
  EXPECT_EQ(FormatFloat("\"$\"#,##0.00", -1234.5), AnsiString("-$1,234.50"));
  EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", -1.5), AnsiString("(1.50)"));
  EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", 0.001), AnsiString("zero"));
  EXPECT_EQ(FormatFloat("0.00;(0.00)", 1.5), AnsiString("1.50"));
  EXPECT_EQ(FormatFloat("0.0", -0.01), AnsiString("0.0"));
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), AnsiString("1.23E+03"));
  EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), AnsiString("1.23E03"));
  EXPECT_EQ(FormatFloat("0.0e-0", 0.00012), AnsiString("1.2e-4"));
  EXPECT_EQ(FormatFloat("00.0E+0 'x'", 1234), AnsiString("12.3E+2 x"));
  EXPECT_EQ(FormatFloat("0.00E+00", 0), AnsiString("0.00E+00"));
  EXPECT_EQ(FormatFloat("", 1234.5), AnsiString("1234.5"));
  EXPECT_EQ(FormatFloat("0.00", 1e20), AnsiString("1E20"));
  EXPECT_EQ(FormatFloat("0 'a;b'", 3), AnsiString("3 a;b"));
}

TEST(FormatRules, MismatchesAndMissingArgumentsRaise)
{
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {5}), EConvertError);
  EXPECT_THROW(Format("%f", {5}), EConvertError);
  EXPECT_THROW(Format("%d %d", {5}), EConvertError);
  EXPECT_THROW(Format("%", {5}), EConvertError);
  try {
    Format("%d", {"x"});
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, AnsiString("Format '%d' invalid or incompatible with argument"));
  }
}

TEST(FormatRules, HebrewTextIsNeverCutInsideACharacter)
{
  const AnsiString shalom("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");  // four letters, eight bytes
  EXPECT_EQ(Format("%.3s", {shalom}), AnsiString("\xD7\xA9"));
  EXPECT_EQ(Format("%6s", {shalom}).Length(), 8 + 2);  // width counts characters
}

TEST(StringFunctions, CompareAndQuote)
{
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_GT(CompareStr("b", "B"), 0);
  EXPECT_LT(CompareStr("ab", "abc"), 0);
  EXPECT_EQ(AnsiCompareText("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"), 0);  // été / ÉTÉ
  EXPECT_NE(AnsiCompareStr("a", "b"), 0);
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F" "e"), AnsiUpperCase("STRA\xC3\x9F" "E"));
  EXPECT_EQ(QuotedStr("it's"), AnsiString("'it''s'"));
  EXPECT_EQ(Trim("\t x \n"), AnsiString("x"));
}

TEST(FileNames, PartsOfAPath)
{
  const AnsiString name = "C:\\Media\\Clips\\about.clip.vyr";
  EXPECT_EQ(ExtractFilePath(name), AnsiString("C:\\Media\\Clips\\"));
  EXPECT_EQ(ExtractFileDir(name), AnsiString("C:\\Media\\Clips"));
  EXPECT_EQ(ExtractFileDir("C:\\x.txt"), AnsiString("C:\\"));
  EXPECT_EQ(ExtractFileName(name), AnsiString("about.clip.vyr"));
  EXPECT_EQ(ExtractFileExt(name), AnsiString(".vyr"));
  EXPECT_EQ(ExtractFileExt("C:\\dir.d\\noext"), AnsiString());
  EXPECT_EQ(ExtractFileDrive(name), AnsiString("C:"));
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\f"), AnsiString("\\\\server\\share"));
  EXPECT_EQ(ExtractFileDrive("relative\\f"), AnsiString());
  EXPECT_EQ(ChangeFileExt(name, ".mpg"), AnsiString("C:\\Media\\Clips\\about.clip.mpg"));
  EXPECT_EQ(ChangeFileExt("C:\\dir.d\\noext", ".txt"), AnsiString("C:\\dir.d\\noext.txt"));
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), AnsiString("C:\\a\\"));
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), AnsiString("C:\\a\\"));
  EXPECT_EQ(ExtractFileName("Z:/tmp/x.bmp"), AnsiString("x.bmp"));
}

// A temporary folder removed with its contents at the end of the test.
class TempFolder {
public:
  TempFolder()
  {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = IncludeTrailingBackslash(AnsiString(base)) + "ostrel_rt_" + IntToStr(static_cast<int>(GetCurrentProcessId()));
    ForceDirectories(path_);
  }
  ~TempFolder()
  {
    for (const AnsiString& f : files_) {
      SetFileAttributesW(WideString(f).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(WideString(f).c_str());
    }
    for (auto it = dirs_.rbegin(); it != dirs_.rend(); ++it) RemoveDir(*it);
    RemoveDir(path_);
  }
  AnsiString File(const AnsiString& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
  {
    const AnsiString full = path_ + "\\" + name;
    HANDLE h = CreateFileW(WideString(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    DWORD written = 0;
    WriteFile(h, "12345", 5, &written, nullptr);
    CloseHandle(h);
    files_.push_back(full);
    return full;
  }
  AnsiString Dir(const AnsiString& name)
  {
    const AnsiString full = path_ + "\\" + name;
    CreateDir(full);
    dirs_.push_back(full);
    return full;
  }
  const AnsiString& Path() const { return path_; }

private:
  AnsiString path_;
  std::vector<AnsiString> files_, dirs_;
};

std::set<std::string> Find(const AnsiString& mask, int attr)
{
  std::set<std::string> found;
  TSearchRec f;
  for (int r = FindFirst(mask, attr, f); r == 0; r = FindNext(f))
    if (f.Name != "." && f.Name != "..") found.insert(f.Name.str());
  FindClose(f);
  return found;
}

TEST(FileSearch, AttributeMasksMatchAsTheVclDoes)
{
  TempFolder temp;
  temp.File("plain.vyr");
  temp.File("hidden.vyr", FILE_ATTRIBUTE_HIDDEN);
  temp.File("readonly.vyr", FILE_ATTRIBUTE_READONLY);
  temp.File("\xD7\xA9\xD7\x99\xD7\xA8.vyr");  // a Hebrew name
  temp.File("other.txt");
  temp.Dir("sub.vyr");
  const AnsiString mask = temp.Path() + "\\*.vyr";
  EXPECT_EQ(Find(mask, 0), (std::set<std::string>{"plain.vyr", "readonly.vyr", "\xD7\xA9\xD7\x99\xD7\xA8.vyr"}));
  EXPECT_EQ(Find(mask, faHidden).count("hidden.vyr"), 1u);
  EXPECT_EQ(Find(mask, faHidden).count("sub.vyr"), 0u);
  EXPECT_EQ(Find(mask, faDirectory).count("sub.vyr"), 1u);
  EXPECT_EQ(Find(mask, faAnyFile).size(), 5u);
  EXPECT_TRUE(FileExists(temp.Path() + "\\plain.vyr"));
  EXPECT_FALSE(FileExists(temp.Path() + "\\sub.vyr"));
  EXPECT_TRUE(DirectoryExists(temp.Path() + "\\sub.vyr"));

  TSearchRec f;
  ASSERT_EQ(FindFirst(temp.Path() + "\\plain.vyr", faAnyFile, f), 0);
  EXPECT_EQ(f.Size, 5);
  EXPECT_NE(f.Time, 0);
  EXPECT_EQ(FindNext(f), ERROR_NO_MORE_FILES);
  FindClose(f);
  TSearchRec none;
  EXPECT_NE(FindFirst(temp.Path() + "\\*.none", faAnyFile, none), 0);
}

TEST(Dates, EncodeDecodeAndFormat)
{
  const TDateTime d = EncodeDate(2004, 2, 29);
  unsigned short y, m, day;
  DecodeDate(d, y, m, day);
  EXPECT_EQ(y, 2004);
  EXPECT_EQ(m, 2);
  EXPECT_EQ(day, 29);
  EXPECT_THROW(EncodeDate(1999, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2000, 13, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_EQ(DayOfWeek(d), 1);  // a Sunday
  const TDateTime t(d.Val + EncodeTime(13, 5, 9, 7).Val);
  unsigned short h, n, s, z;
  DecodeTime(t, h, n, s, z);
  EXPECT_EQ(h * 10000 + n * 100 + s, 130509);
  EXPECT_EQ(z, 7);
  EXPECT_EQ(DateToStr(d), AnsiString("29/02/2004"));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", t), AnsiString("2004-02-29 13:05:09.007"));
  EXPECT_EQ(FormatDateTime("d/m/yy h:mm am/pm", t), AnsiString("29/2/04 1:05 pm"));
  EXPECT_EQ(FormatDateTime("dddd d mmmm \"at\" hh", t), AnsiString("Sunday 29 February at 13"));
}

TEST(Dates, FormatDateTimeTokens)
{
  FormatSettingsGuard guard;
  const TDateTime t(EncodeDate(2005, 1, 8).Val + EncodeTime(15, 4, 5, 60).Val);  // a Saturday afternoon
  const TDateTime morning(EncodeDate(2005, 1, 8).Val + EncodeTime(0, 7, 0, 0).Val);
  const TDateTime midnight = EncodeDate(2005, 1, 8);
  EXPECT_EQ(FormatDateTime("d dd ddd dddd", t), AnsiString("8 08 Sat Saturday"));
  EXPECT_EQ(FormatDateTime("ddddd|dddddd", t), AnsiString("08/01/2005|Saturday, 8 January 2005"));
  EXPECT_EQ(FormatDateTime("m mm mmm mmmm mmmmm", t), AnsiString("1 01 Jan January January"));
  EXPECT_EQ(FormatDateTime("yy yyyy", t), AnsiString("05 2005"));
  // m is minutes only right after an hour token; after a day it is the month.
  EXPECT_EQ(FormatDateTime("h:m hh:mm d m", t), AnsiString("15:4 15:04 8 1"));
  EXPECT_EQ(FormatDateTime("n nn s ss z zzz", t), AnsiString("4 04 5 05 60 060"));
  EXPECT_EQ(FormatDateTime("t|tt", t), AnsiString("15:04|15:04:05"));
  EXPECT_EQ(FormatDateTime("c", t), AnsiString("08/01/2005 15:04:05"));
  EXPECT_EQ(FormatDateTime("c", midnight), AnsiString("08/01/2005"));
  EXPECT_EQ(FormatDateTime("", t), AnsiString("08/01/2005 15:04:05"));
  EXPECT_EQ(DateTimeToStr(midnight), AnsiString("08/01/2005"));
  // The case of am/pm and a/p as written; ampm takes the settings' strings.
  EXPECT_EQ(FormatDateTime("h am/pm|h AM/PM|h Am/Pm|h a/p|h A/P|hh ampm", t), AnsiString("3 pm|3 PM|3 Pm|3 p|3 P|03 PM"));
  EXPECT_EQ(FormatDateTime("h:nn am/pm|hh ampm", morning), AnsiString("12:07 am|12 AM"));
  TimeAMString = "vorm.";
  TimePMString = "nachm.";
  EXPECT_EQ(FormatDateTime("h ampm", t), AnsiString("3 nachm."));
  // Quoted text, separators from the settings, other characters copied.
  DateSeparator = '.';
  TimeSeparator = '-';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn 'd/m' \"at\" [#]", t), AnsiString("08.01.2005 15-04 d/m at [#]"));
  // A named format may name itself: the nesting stops instead of recursing for ever.
  ShortDateFormat = "ddddd";
  EXPECT_EQ(FormatDateTime("ddddd", t), AnsiString(""));
  // A letter that is no token raises rather than printing something made up.
  for (const char* bad : {"x", "yyyy q", "ee", "g", "hh:nn b", "a"}) EXPECT_THROW(FormatDateTime(bad, t), EConvertError) << bad;
  const double now = Now().Val;
  EXPECT_GT(now, EncodeDate(2020, 1, 1).Val);
  EXPECT_LE(Date().Val, now);
}

TEST(Win32Errors, MessagesAndChecks)
{
  EXPECT_FALSE(SysErrorMessage(ERROR_FILE_NOT_FOUND).IsEmpty());
  EXPECT_NE(SysErrorMessage(ERROR_FILE_NOT_FOUND)[SysErrorMessage(ERROR_FILE_NOT_FOUND).Length()], '.');
  SetLastError(ERROR_ACCESS_DENIED);
  try {
    Win32Check(FALSE);
    FAIL() << "no exception";
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(e.Message.Pos("Win32 Error.  Code: 5.\n"), 1);
  }
  EXPECT_EQ(Win32Check(TRUE), TRUE);
}

TEST(Registry, WritesReadsAndCleansUpUnderHkcu)
{
  const AnsiString key = "\\Software\\OstrelRuntimeTest" + IntToStr(static_cast<int>(GetCurrentProcessId()));
  TRegistry reg;
  EXPECT_EQ(reg.GetRootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.OpenKey(key, false));
  ASSERT_TRUE(reg.OpenKey(key, true));
  const AnsiString hebrew("\xD7\xA2\xD7\x91\xD7\xA8\xD7\x99\xD7\xAA");
  reg.WriteString("Name", hebrew);
  reg.WriteInteger("Count", -3);
  reg.WriteString("Empty", "");
  EXPECT_EQ(reg.ReadString("Name"), hebrew);
  EXPECT_EQ(reg.ReadInteger("Count"), -3);
  EXPECT_EQ(reg.ReadString("Empty"), AnsiString());
  EXPECT_EQ(reg.ReadString("Missing"), AnsiString());
  EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);
  EXPECT_THROW(reg.ReadString("Count"), ERegistryException);
  EXPECT_EQ(reg.GetDataType("Count"), rdInteger);
  EXPECT_TRUE(reg.ValueExists("Name"));
  EXPECT_TRUE(reg.DeleteValue("Name"));
  EXPECT_FALSE(reg.ValueExists("Name"));
  ASSERT_TRUE(reg.OpenKey("Child\\Grandchild", true));  // relative to the open key
  reg.WriteInteger("Deep", 1);
  reg.CloseKey();
  EXPECT_TRUE(reg.KeyExists(key + "\\Child\\Grandchild"));
  ASSERT_TRUE(reg.OpenKeyReadOnly(key));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<AnsiString>{"Child"});
  EXPECT_THROW(reg.WriteInteger("x", 1), ERegistryException);  // read-only key
  reg.CloseKey();
  EXPECT_TRUE(reg.DeleteKey(key));  // with everything below it
  EXPECT_FALSE(reg.KeyExists(key));
}

TEST(Variants, TypesAndConversions)
{
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_EQ(VarType(Variant(5)), varInteger);
  EXPECT_EQ(VarType(Variant(short(5))), varSmallint);
  EXPECT_EQ(VarType(Variant(static_cast<unsigned char>(5))), varByte);
  EXPECT_EQ(VarType(Variant(1.5f)), varSingle);
  EXPECT_EQ(VarType(Variant(Currency(1.5))), varCurrency);
  EXPECT_EQ(VarType(Variant(TDateTime(2.0))), varDate);
  EXPECT_EQ(VarType(Variant(true)), varBoolean);
  EXPECT_EQ(VarType(Variant(AnsiString("a"))), varString);
  EXPECT_EQ(VarType(Variant(WideString(L"a"))), varOleStr);
  EXPECT_EQ(VarType(Variant::Error(DISP_E_PARAMNOTFOUND)), varError);
  EXPECT_EQ(Variant(AnsiString("x")).Raw().vt, VT_BSTR);  // still an OLE string underneath

  EXPECT_EQ(Variant(AnsiString(" 42")).AsInteger(), 42);
  EXPECT_EQ(Variant(2.5).AsString(), AnsiString("2.5"));
  EXPECT_EQ(Variant(true).AsString(), AnsiString("True"));
  EXPECT_EQ(Variant(Currency::FromScaled(15000)).AsString(), AnsiString("1.5"));
  EXPECT_EQ(VarAsType(Variant(7), varString).AsString(), AnsiString("7"));
  EXPECT_EQ(VarType(VarAsType(Variant(7), varString)), varString);
  EXPECT_EQ(VarType(VarAsType(Variant(AnsiString("3.25")), varDouble)), varDouble);
  EXPECT_DOUBLE_EQ(VarAsType(Variant(AnsiString("3.25")), varDouble).AsDouble(), 3.25);
  EXPECT_THROW(Variant(AnsiString("abc")).AsInteger(), EVariantError);
  EXPECT_THROW(Variant(70000).AsSmallint(), EVariantError);

  // 64-bit integers and currency come from the decimal text exactly, not through a double.
  const Variant big = VarAsType(Variant(AnsiString("9007199254740993")), varInt64);
  EXPECT_EQ(VarType(big), varInt64);
  EXPECT_EQ(big.Raw().llVal, 9007199254740993LL);
  EXPECT_EQ(VarAsType(Variant(AnsiString("9223372036854775807")), varInt64).Raw().llVal,
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(VarAsType(Variant(AnsiString("922337203685477.5807")), varCurrency).AsCurrency().Val,
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(VarAsType(Variant(AnsiString("1.00005")), varCurrency).AsCurrency().Val, 10000);  // half to even
  EXPECT_EQ(VarAsType(Variant(AnsiString("1.00015")), varCurrency).AsCurrency().Val, 10002);
  EXPECT_THROW(VarAsType(Variant(AnsiString("922337203685477.5808")), varCurrency), EVariantError);
  EXPECT_THROW(VarAsType(Variant(AnsiString("12x")), varInt64), EVariantError);
  EXPECT_THROW(Null().AsString(), EVariantError);
  EXPECT_EQ(VarToStr(Null()), AnsiString());
  const AnsiString hebrew("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
  EXPECT_EQ(Variant(hebrew).AsString(), hebrew);
}

TEST(Variants, Comparison)
{
  EXPECT_TRUE(Variant(5) == Variant(5));
  EXPECT_TRUE(Variant(5) == Variant(5.0));
  EXPECT_FALSE(Variant(5) == Variant(6));
  EXPECT_TRUE(Variant(AnsiString("abc")) == Variant(WideString(L"abc")));
  EXPECT_TRUE(Variant() == Variant());
  EXPECT_FALSE(Variant() == Null());
  EXPECT_TRUE(Null() == Null());
  EXPECT_TRUE(Variant(1) < Variant(2));
  // A number and a text compare as numbers, the text read first.
  EXPECT_TRUE(Variant(1) == Variant(AnsiString("1")));
  EXPECT_TRUE(Variant(AnsiString("1.5")) == Variant(1.5));
  EXPECT_FALSE(Variant(10) < Variant(AnsiString("9")));
  EXPECT_TRUE(Variant(10) > Variant(AnsiString("9")));
  EXPECT_TRUE(Variant(AnsiString("9")) <= Variant(10));
  EXPECT_TRUE(Variant(10) >= Variant(AnsiString("10")));
  EXPECT_THROW((void)(Variant(AnsiString("abc")) == Variant(1)), EVariantError);
  EXPECT_TRUE(Variant(AnsiString("10")) < Variant(AnsiString("9")));  // two texts still compare as text
  Variant copy = Variant(AnsiString("kept"));
  Variant other(copy);
  EXPECT_EQ(VarType(other), varString);
  EXPECT_NE(other.Raw().bstrVal, copy.Raw().bstrVal);  // a deep copy
}

TEST(Variants, TwoByTwoArrayBoundsAndElementOrder)
{
  Variant a = VarArrayCreate({0, 1, 10, 12}, varInteger);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 2);
  EXPECT_EQ(VarArrayLowBound(a, 1), 0);
  EXPECT_EQ(VarArrayHighBound(a, 1), 1);
  EXPECT_EQ(VarArrayLowBound(a, 2), 10);
  EXPECT_EQ(VarArrayHighBound(a, 2), 12);
  for (int i = 0; i <= 1; ++i)
    for (int j = 10; j <= 12; ++j) a.PutElement(Variant(i * 100 + j), {i, j});
  EXPECT_EQ(a.GetElement({1, 11}).AsInteger(), 111);
  EXPECT_EQ(VarType(a.GetElement({0, 12})), varInteger);
  // In memory the first index varies fastest, as OLE and the VCL lay arrays out.
  SAFEARRAY* sa = a.Raw().parray;
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(sa, &data), S_OK);
  const LONG* cells = static_cast<const LONG*>(data);
  EXPECT_EQ(cells[0], 10);
  EXPECT_EQ(cells[1], 110);
  EXPECT_EQ(cells[2], 11);
  SafeArrayUnaccessData(sa);
  EXPECT_THROW(a.GetElement({2, 10}), EVariantError);
  EXPECT_THROW(a.GetElement({0}), EVariantError);
  a.PutElement(Variant(AnsiString("7")), {0, 10});  // converted to the element type
  EXPECT_EQ(a.GetElement({0, 10}).AsInteger(), 7);
  EXPECT_THROW(Variant(1).GetElement({0}), EVariantError);
  EXPECT_EQ(Variant(1).ArrayDimCount(), 0);
}

TEST(Variants, RedimChangesTheLastDimensionAndKeepsTheElements)
{
  Variant a = VarArrayCreate({0, 1, 10, 11}, varInteger);
  for (int i = 0; i <= 1; ++i)
    for (int j = 10; j <= 11; ++j) a.PutElement(Variant(i * 100 + j), {i, j});
  VarArrayRedim(a, 13);
  EXPECT_EQ(VarArrayHighBound(a, 2), 13);
  EXPECT_EQ(VarArrayHighBound(a, 1), 1);
  EXPECT_EQ(a.GetElement({1, 11}).AsInteger(), 111);
  EXPECT_EQ(a.GetElement({0, 10}).AsInteger(), 10);
  EXPECT_EQ(a.GetElement({1, 13}).AsInteger(), 0);  // new cells start empty
  VarArrayRedim(a, 10);
  EXPECT_EQ(VarArrayHighBound(a, 2), 10);
  EXPECT_EQ(a.GetElement({1, 10}).AsInteger(), 110);
  EXPECT_THROW(a.GetElement({0, 11}), EVariantError);

  Variant list = VarArrayCreate({1, 2}, varVariant);
  list.PutElement(Variant(AnsiString("kept")), {2});
  VarArrayRedim(list, 5);
  EXPECT_EQ(list.GetElement({2}).AsString(), AnsiString("kept"));
  EXPECT_TRUE(VarIsEmpty(list.GetElement({5})));
  VarArrayRedim(list, 0);  // no elements left
  EXPECT_EQ(VarArrayHighBound(list, 1), 0);
  EXPECT_THROW(VarArrayRedim(list, -1), EVariantError);
  Variant scalar(1);
  EXPECT_THROW(VarArrayRedim(scalar, 3), EVariantError);
}

TEST(Variants, ArithmeticWithTheVclConversions)
{
  const Variant thirteen = Variant("12") + Variant(1);
  EXPECT_EQ(thirteen.AsDouble(), 13.0);
  EXPECT_TRUE(thirteen == Variant(13));
  const Variant joined = Variant("12") + Variant("1");
  EXPECT_EQ(VarType(joined), varString);
  EXPECT_EQ(joined.AsString(), AnsiString("121"));
  EXPECT_EQ((Variant("12") - Variant("1")).AsInteger(), 11);  // only + joins text
  EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
  EXPECT_TRUE(VarIsNull(Variant("a") * Null()));
  EXPECT_EQ((Unassigned() + Variant(5)).AsInteger(), 5);
  EXPECT_EQ((Unassigned() + Variant("x")).AsString(), AnsiString("x"));
  EXPECT_THROW(Variant("abc") + Variant(1), EVariantError);

  // Integers stay integers, and widen rather than wrap.
  const Variant sum = Variant(2) + Variant(3);
  EXPECT_EQ(VarType(sum), varInteger);
  EXPECT_EQ(sum.AsInteger(), 5);
  const Variant big = Variant(INT_MAX) + Variant(1);
  EXPECT_EQ(VarType(big), varInt64);
  EXPECT_EQ(VarAsType(big, varString).AsString(), AnsiString("2147483648"));
  EXPECT_EQ(VarType(Variant(6) / Variant(3)), varDouble);
  EXPECT_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_EQ((Variant(1.5) * Variant(2)).AsDouble(), 3.0);

  // Currency stays exact.
  const Variant money = Variant(Currency::FromScaled(1)) + Variant(Currency::FromScaled(922337203685477LL * 10000));
  EXPECT_EQ(VarType(money), varCurrency);
  EXPECT_EQ(money.AsCurrency().Val, 9223372036854770001LL);
  EXPECT_EQ((Variant(Currency::FromScaled(15000)) * Variant(Currency::FromScaled(15000))).AsCurrency().Val, 22500);
  EXPECT_EQ((Variant(Currency::FromScaled(12345)) * Variant(3)).AsCurrency().Val, 37035);
  EXPECT_THROW(Variant(Currency::FromScaled(INT64_MAX)) + Variant(1), EOverflow);

  // A date moved by days stays a date; the distance between dates is a number.
  const Variant later = Variant(EncodeDate(2005, 1, 8)) + Variant(3);
  EXPECT_EQ(VarType(later), varDate);
  EXPECT_EQ(DateToStr(later.AsDate()), AnsiString("11/01/2005"));
  const Variant days = later - Variant(EncodeDate(2005, 1, 1));
  EXPECT_EQ(VarType(days), varDouble);
  EXPECT_EQ(days.AsDouble(), 10.0);

  Variant counter(1);
  counter += Variant(2);
  counter *= Variant("4");
  EXPECT_EQ(counter.AsInteger(), 12);
  EXPECT_THROW(VarArrayCreate({0, 1}, varInteger) + Variant(1), EVariantError);
}

TEST(Variants, ArrayOfVariantsHoldsMixedValues)
{
  Variant a = VarArrayCreate({1, 3}, varVariant);
  a.PutElement(Variant(300), {1});
  a.PutElement(Variant(AnsiString("text")), {2});
  a.PutElement(Null(), {3});
  EXPECT_EQ(a.GetElement({1}).AsInteger(), 300);
  const Variant text = a.GetElement({2});
  EXPECT_EQ(VarType(text), varOleStr);  // an AnsiString comes back as an OLE string
  EXPECT_EQ(text.AsString(), AnsiString("text"));
  EXPECT_TRUE(VarIsNull(a.GetElement({3})));
  Variant copy(a);
  copy.PutElement(Variant(1), {1});
  EXPECT_EQ(a.GetElement({1}).AsInteger(), 300);  // copies do not share elements
}

}  // namespace
