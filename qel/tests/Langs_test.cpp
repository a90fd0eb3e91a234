// Locale and code-page helpers against the platform's own answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Langs.h"

namespace {

constexpr unsigned long kEnglishUS = 0x0409, kHebrew = 0x040D, kJapanese = 0x0411;

std::wstring PlatformInfo(unsigned long locale, LCTYPE type)
{
  wchar_t buffer[128] = {};
  GetLocaleInfoW(static_cast<LCID>(locale), type, buffer, 128);
  return buffer;
}

// "日本" in Shift-JIS and "שלום" in Windows-1255.
const std::string kNihonShiftJis = "\x93\xFA\x96\x7B";
const std::string kShalom1255 = "\xF9\xEC\xE5\xED";
const std::string kShalomUtf8 = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";

}  // namespace

TEST(Langs, CodePagesAndCharacterSetsOfThreeLocales)
{
  EXPECT_EQ(CodePageFromLocale(kEnglishUS), 1252);
  EXPECT_EQ(CodePageFromLocale(kHebrew), 1255);
  EXPECT_EQ(CodePageFromLocale(kJapanese), 932);
  EXPECT_EQ(OEMCodePageFromLocale(kEnglishUS), 437);
  EXPECT_EQ(OEMCodePageFromLocale(kHebrew), 862);
  EXPECT_EQ(OEMCodePageFromLocale(kJapanese), 932);
  EXPECT_EQ(CharsetFromLocale(kEnglishUS), ANSI_CHARSET);
  EXPECT_EQ(CharsetFromLocale(kHebrew), HEBREW_CHARSET);
  EXPECT_EQ(CharsetFromLocale(kJapanese), SHIFTJIS_CHARSET);
  EXPECT_EQ(CodePageFromCharset(ANSI_CHARSET), 1252);
  EXPECT_EQ(CodePageFromCharset(HEBREW_CHARSET), 1255);
  EXPECT_EQ(CodePageFromCharset(SHIFTJIS_CHARSET), 932);
  // Round trips through the character set agree with the locale.
  for (unsigned long locale : {kEnglishUS, kHebrew, kJapanese})
    EXPECT_EQ(CodePageFromCharset(CharsetFromLocale(locale)), CodePageFromLocale(locale));
}

TEST(Langs, LanguageNamesAreThePlatformsInUtf8)
{
  for (unsigned long locale : {kEnglishUS, kHebrew, kJapanese}) {
    const std::wstring expected = PlatformInfo(locale, LOCALE_SLANGUAGE);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(LanguageName(locale), AnsiString(expected.c_str()));
  }
  EXPECT_EQ(LanguageName(0x7FFF), "");
}

TEST(Langs, AnUnknownLocaleFallsBackToTheSystemCodePages)
{
  EXPECT_EQ(CodePageFromLocale(0x7FFF), static_cast<int>(GetACP()));
  EXPECT_EQ(OEMCodePageFromLocale(0x7FFF), static_cast<int>(GetOEMCP()));
}

TEST(Langs, UntranslatableValuesGiveTheDocumentedAnswers)
{
  EXPECT_EQ(CodePageFromCharset(100), CP_ACP);
}

TEST(Langs, LengthCountsCharactersNotBytes)
{
  EXPECT_EQ(LengthEx("", 932), 0);
  EXPECT_EQ(LengthEx(kNihonShiftJis.c_str(), 932), 2);
  EXPECT_EQ(LengthEx((kNihonShiftJis + "ab").c_str(), 932), 4);
  EXPECT_EQ(LengthEx(kNihonShiftJis.c_str(), 1252), 4);
  EXPECT_EQ(LengthEx(kShalom1255.c_str(), 1255), 4);
  EXPECT_EQ(LengthEx(kShalomUtf8.c_str(), CP_UTF8), 4);
  EXPECT_EQ(LengthEx("abc", CP_UTF8), 3);
  // A lead byte cut off by the end counts once and nothing past the text is read.
  EXPECT_EQ(LengthEx("a\x93", 932), 2);
  // A terminator inside the text is a character like any other.
  EXPECT_EQ(LengthEx(AnsiString("a\0b", 3), 932), 3);
}

TEST(Langs, ConversionsBetweenCodePagesAreExact)
{
  EXPECT_EQ(CharToChar(kShalom1255.c_str(), 1255, CP_UTF8), kShalomUtf8.c_str());
  EXPECT_EQ(CharToChar(kShalomUtf8.c_str(), CP_UTF8, 1255), kShalom1255.c_str());
  EXPECT_EQ(CharToChar(kNihonShiftJis.c_str(), 932, CP_UTF8), "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(std::wstring(CharToWide(kNihonShiftJis.c_str(), 932).c_str()), L"\x65E5\x672C");
  EXPECT_EQ(WideToChar(WideString(L"\x05E9\x05DC\x05D5\x05DD"), 1255), kShalom1255.c_str());
  EXPECT_EQ(CharToChar("", 1255, 932), "");
  EXPECT_EQ(CharToWide("", 932).Length(), 0);
  EXPECT_EQ(WideToChar(WideString(), 932), "");
  // Embedded terminators survive.
  EXPECT_EQ(CharToChar(AnsiString("a\0b", 3), 1252, CP_UTF8), AnsiString("a\0b", 3));
}
