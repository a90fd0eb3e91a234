#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <windows.h>
#include <objidl.h>

#include "Clipbrd.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Qelutil.h"
#include "Qelutilasm.h"
#include "Registry.h"
#include "StdCtrls.h"
#include "TypInfo.h"
#include "Vclstring.h"

// A small hierarchy publishing one property of each kind the by-name accessors handle.
class TUtilProbeBase : public TComponent {
  VCL_DECLARE_CLASS(TUtilProbeBase, TComponent)

public:
  using TCtorArg = TComponent*;
  explicit TUtilProbeBase(TComponent* owner = nullptr) : TComponent(owner) {}
};

class TUtilProbe : public TUtilProbeBase {
  VCL_DECLARE_CLASS(TUtilProbe, TUtilProbeBase)

public:
  explicit TUtilProbe(TComponent* owner = nullptr) : TUtilProbeBase(owner), FCaption(new TVCLString()) {}
  ~TUtilProbe() override { delete FCaption; }

  AnsiString GetTitle() const { return FTitle; }
  void SetTitle(const AnsiString& value) { FTitle = value; }
  AnsiString GetFixed() const { return "fixed"; }
  TVCLString* GetCaption() const { return FCaption; }
  void SetCaption(TVCLString* value)
  {
    if (FCaption && value) FCaption->Assign(value);
  }
  void DropCaption()
  {
    delete FCaption;
    FCaption = nullptr;
  }
  TComponent* GetBuddy() const { return FBuddy; }
  void SetBuddy(TComponent* value) { FBuddy = value; }
  bool GetActive() const { return FActive; }
  void SetActive(bool value) { FActive = value; }
  int GetCount() const { return FCount; }
  void SetCount(int value) { FCount = value; }
  TNotifyEvent GetOnPing() const { return FOnPing; }
  void SetOnPing(TNotifyEvent value) { FOnPing = value; }
  TNotifyEvent GetOnSealed() const { return FOnSealed; }
  using TValueEvent = TClosure<void(TObject*, int)>;
  TValueEvent GetOnValue() const { return FOnValue; }
  void SetOnValue(TValueEvent value) { FOnValue = value; }

  void Ping() { if (FOnPing) FOnPing(this); }
  // Handlers the tests hang on the events.
  void Pinged(TObject*) { ++Pings; }
  void Valued(TObject*, int) {}
  int Pings = 0;

private:
  AnsiString FTitle;
  TVCLString* FCaption;
  TComponent* FBuddy = nullptr;
  bool FActive = false;
  int FCount = 0;
  TNotifyEvent FOnPing;
  TNotifyEvent FOnSealed;
  TValueEvent FOnValue;
};

VCL_PUBLISHED(TUtilProbeBase) {}

VCL_PUBLISHED(TUtilProbe)
{
  p.Property("Title", &TUtilProbe::GetTitle, &TUtilProbe::SetTitle);
  p.ReadOnly("Fixed", &TUtilProbe::GetFixed);
  p.Property("Caption", &TUtilProbe::GetCaption, &TUtilProbe::SetCaption);
  p.Property("Buddy", &TUtilProbe::GetBuddy, &TUtilProbe::SetBuddy);
  p.Property("Active", &TUtilProbe::GetActive, &TUtilProbe::SetActive);
  p.Property("Count", &TUtilProbe::GetCount, &TUtilProbe::SetCount);
  p.Property("OnPing", &TUtilProbe::GetOnPing, &TUtilProbe::SetOnPing);
  p.ReadOnly("OnSealed", &TUtilProbe::GetOnSealed);
  p.Property("OnValue", &TUtilProbe::GetOnValue, &TUtilProbe::SetOnValue);
}

namespace {

std::vector<std::string> Lines(TStrings& list)
{
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i).c_str());
  return lines;
}

using Strings = std::vector<std::string>;

}  // namespace

// ---------------------------------------------------------------------------------------------------
// The unit's texts

TEST(QelutilUnit, TextsAreSetWhileTheUnitIsInitialised)
{
  EXPECT_GE(TUnitInit::Users("Qelutil"), 1);
  EXPECT_STREQ(RegistryQelKey.c_str(), "\\SOFTWARE\\QEL");
  EXPECT_STREQ(GetClipboardFormatStr("TForm1", "Grid").c_str(), "QelClipFrmt_TForm1_Grid");
  EXPECT_STREQ(GetClipboardFormatStr("", "").c_str(), "QelClipFrmt__");
}

// ---------------------------------------------------------------------------------------------------
// Rounding and zoom

TEST(QelutilRoundUp, HalvesGoAwayFromZero)
{
  EXPECT_EQ(RoundUp(2.5), 3);
  EXPECT_EQ(RoundUp(-2.5), -3);
  EXPECT_EQ(RoundUp(2.4999), 2);
  EXPECT_EQ(RoundUp(-2.4999), -2);
  EXPECT_EQ(RoundUp(0.5), 1);
  EXPECT_EQ(RoundUp(-0.5), -1);
  EXPECT_EQ(RoundUp(2.0), 2);  // not a ceiling
  EXPECT_EQ(RoundUp(2.01), 2);
  EXPECT_EQ(RoundUp(0.0), 0);
  EXPECT_EQ(RoundUp(-0.0), 0);
  // The largest double below one half: adding 0.5 in double would give 1.
  EXPECT_EQ(RoundUp(0.49999999999999994), 0);
  EXPECT_EQ(RoundUp(-0.49999999999999994), 0);
  EXPECT_EQ(RoundUp(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundUp(-std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(QelutilRoundUp, ResultsBeyond32BitsRaise)
{
  EXPECT_EQ(RoundUp(2147483647.0), 2147483647);
  EXPECT_EQ(RoundUp(2147483647.4), 2147483647);
  EXPECT_EQ(RoundUp(-2147483648.0), std::numeric_limits<int>::min());
  EXPECT_EQ(RoundUp(-2147483648.4), std::numeric_limits<int>::min());
  EXPECT_THROW(RoundUp(2147483647.5), ERangeError);
  EXPECT_THROW(RoundUp(-2147483648.5), ERangeError);
  EXPECT_THROW(RoundUp(1e10), ERangeError);
  EXPECT_THROW(RoundUp(-1e300), ERangeError);
  EXPECT_THROW(RoundUp(std::numeric_limits<double>::infinity()), ERangeError);
  EXPECT_THROW(RoundUp(-std::numeric_limits<double>::infinity()), ERangeError);
}

TEST(QelutilRoundUp, ToDigits)
{
  // 2.345 is stored a little below itself, so one decimal gives 2.3.
  EXPECT_DOUBLE_EQ(RoundUp(2.345, 1), 2.3);
  EXPECT_DOUBLE_EQ(RoundUp(0.125, 2), 0.13);  // exact in binary: a true half
  EXPECT_DOUBLE_EQ(RoundUp(-0.125, 2), -0.13);
  EXPECT_EQ(RoundUp(2.5, 0), 3.0);
  // Negative digits round to tens and hundreds and come back as whole numbers.
  EXPECT_EQ(RoundUp(1234.5, -2), 1200.0);
  EXPECT_EQ(RoundUp(-1250.0, -2), -1300.0);
  EXPECT_EQ(RoundUp(1249.0, -1), 1250.0);
  // The 32-bit limit is on the scaled value.
  EXPECT_EQ(RoundUp(3e9, -1), 3e9);
  EXPECT_THROW(RoundUp(3e9, 0), ERangeError);
  EXPECT_THROW(RoundUp(2.0, 10), ERangeError);
  // Extreme digit counts: everything scales to zero or to infinity, never to a NaN result.
  EXPECT_EQ(RoundUp(0.0, 400), 0.0);
  EXPECT_EQ(RoundUp(123.0, -400), 0.0);
  EXPECT_EQ(RoundUp(123.0, std::numeric_limits<int>::min()), 0.0);
  EXPECT_THROW(RoundUp(1.0, 400), ERangeError);
  EXPECT_THROW(RoundUp(1.0, std::numeric_limits<int>::max()), ERangeError);
  EXPECT_EQ(RoundUp(std::numeric_limits<double>::quiet_NaN(), 2), 0.0);
}

TEST(QelutilZoom, FitsHeightAndWidth)
{
  TBitmap bitmap;
  bitmap.SetSize(200, 100);  // 200 wide, 100 high
  TPicture picture;
  picture.SetGraphic(&bitmap);

  EXPECT_EQ(GetWidthFitZoom(&picture, 100), 0.5L);
  EXPECT_EQ(GetHeightFitZoom(&picture, 300), 3.0L);
  EXPECT_EQ(GetWidthFitZoom(&picture, 600), 3.0L);
  // The second argument is the height, the third the width.
  EXPECT_EQ(GetBestFitZoom(&picture, 300, 300), 1.5L);
  EXPECT_EQ(GetBestFitZoom(&picture, 50, 800), 0.5L);
  // Extended precision: a third is closer than a double can hold it.
  EXPECT_EQ(GetHeightFitZoom(&picture, 100 / 3), 33.0L / 100.0L);
  EXPECT_EQ(GetWidthFitZoom(&picture, 1), 1.0L / 200.0L);
}

TEST(QelutilZoom, PictureWithoutSizeRaises)
{
  TPicture empty;
  EXPECT_THROW(GetWidthFitZoom(&empty, 10), EZeroDivide);
  EXPECT_THROW(GetHeightFitZoom(&empty, 10), EZeroDivide);
  EXPECT_THROW(GetBestFitZoom(&empty, 10, 10), EZeroDivide);
  EXPECT_THROW(GetBestFitZoom(nullptr, 10, 10), EZeroDivide);
}

// ---------------------------------------------------------------------------------------------------
// Strings

TEST(QelutilStrings, PosFromAStart)
{
  EXPECT_EQ(Pos("xabab", "ab", 3), 4);
  EXPECT_EQ(Pos("xabab", "ab", 1), 2);
  EXPECT_EQ(Pos("xabab", "ab", 2), 2);
  EXPECT_EQ(Pos("xabab", "b", 5), 5);
  EXPECT_EQ(Pos("xabab", "ab", 5), 0);  // would run past the end
  EXPECT_EQ(Pos("xabab", "AB", 1), 0);  // case-sensitive
  EXPECT_EQ(Pos("xabab", "", 1), 0);
  EXPECT_EQ(Pos("", "a", 1), 0);
  EXPECT_EQ(Pos("xabab", "zz", 1), 0);
  // A start below 1 searches from the beginning; one past the end finds nothing.
  EXPECT_EQ(Pos("xabab", "ab", 0), 2);
  EXPECT_EQ(Pos("xabab", "ab", -7), 2);
  EXPECT_EQ(Pos("xabab", "b", 6), 0);
  EXPECT_EQ(Pos("xabab", "b", std::numeric_limits<int>::max()), 0);
}

TEST(QelutilStrings, OccurrenceCountDoesNotOverlap)
{
  EXPECT_EQ(OccurrenceCount("aaaa", "aa"), 2);
  EXPECT_EQ(OccurrenceCount("aaaaa", "aa"), 2);
  EXPECT_EQ(OccurrenceCount("aaaaa", "aaa"), 1);
  EXPECT_EQ(OccurrenceCount("a,b,,c", ","), 3);
  EXPECT_EQ(OccurrenceCount("Abab", "ab"), 1);
  EXPECT_EQ(OccurrenceCount("abc", ""), 0);
  EXPECT_EQ(OccurrenceCount("", "a"), 0);
  EXPECT_EQ(OccurrenceCount("ab", "abc"), 0);
}

TEST(QelutilStrings, ReplaceAndMarkCharacters)
{
  EXPECT_STREQ(ReplaceChars("banana", 'a', "aa").c_str(), "baanaanaa");
  EXPECT_STREQ(ReplaceChars("banana", 'a', "").c_str(), "bnn");
  EXPECT_STREQ(ReplaceChars("banana", 'x', "yy").c_str(), "banana");
  EXPECT_STREQ(ReplaceChars("", 'a', "b").c_str(), "");
  EXPECT_STREQ(MarkSpecialChars("a;b;", ';', '\\').c_str(), "a\\;b\\;");
  EXPECT_STREQ(MarkSpecialChars("%%", '%', '%').c_str(), "%%%%");
  // UTF-8 bytes pass through untouched.
  EXPECT_STREQ(ReplaceChars("\xD7\xA9-\xD7\x9C", '-', " ").c_str(), "\xD7\xA9 \xD7\x9C");
}

TEST(QelutilStrings, ExtractTokenWalksTheText)
{
  const AnsiString text = " one , two";
  ASSERT_EQ(text.Length(), 10);
  int position = 1;
  EXPECT_STREQ(ExtractToken(text, ",", position).c_str(), "one");
  EXPECT_EQ(position, 7);
  EXPECT_STREQ(ExtractToken(text, ",", position).c_str(), "two");
  EXPECT_EQ(position, 11);
  // Past the end: nothing, and the position stays at the end.
  EXPECT_STREQ(ExtractToken(text, ",", position).c_str(), "");
  EXPECT_EQ(position, 11);
}

TEST(QelutilStrings, ExtractTokenDelimitersAndTrimming)
{
  int position = 1;
  const AnsiString text = "a;b,\tc\r\n,";
  EXPECT_STREQ(ExtractToken(text, ";,", position).c_str(), "a");
  EXPECT_EQ(position, 3);
  EXPECT_STREQ(ExtractToken(text, ";,", position).c_str(), "b");
  EXPECT_EQ(position, 5);
  EXPECT_STREQ(ExtractToken(text, ";,", position).c_str(), "c");  // tab and line end trimmed
  EXPECT_EQ(position, 10);
  // A delimiter as the last character leaves the position just past the end.
  EXPECT_EQ(position, text.Length() + 1);

  // Without delimiters the rest of the text is one token.
  position = 3;
  EXPECT_STREQ(ExtractToken("ab cd ", "", position).c_str(), "cd");
  EXPECT_EQ(position, 7);

  // Hebrew bytes are not blanks.
  position = 1;
  EXPECT_STREQ(ExtractToken("  \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D  ,x", ",", position).c_str(),
               "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
  EXPECT_EQ(position, 14);
}

TEST(QelutilStrings, ExtractTokenOutsideTheText)
{
  for (int start : {0, -1, std::numeric_limits<int>::min(), 6, std::numeric_limits<int>::max()}) {
    int position = start;
    EXPECT_STREQ(ExtractToken("ab,cd", ",", position).c_str(), "") << "from " << start;
    EXPECT_EQ(position, 6) << "from " << start;
  }
  int position = 1;
  EXPECT_STREQ(ExtractToken("", ",", position).c_str(), "");
  EXPECT_EQ(position, 1);
}

TEST(QelutilStrings, Padding)
{
  AnsiString s = "7";
  LPad(s, 3, '0');
  EXPECT_STREQ(s.c_str(), "007");
  RPad(s, 5, '.');
  EXPECT_STREQ(s.c_str(), "007..");
  LPad(s, 2, '#');  // longer: unchanged
  RPad(s, 5, '#');  // equal: unchanged
  LPad(s, -1, '#');
  EXPECT_STREQ(s.c_str(), "007..");
  AnsiString empty;
  RPad(empty, 2, ' ');
  EXPECT_STREQ(empty.c_str(), "  ");
}

TEST(QelutilStrings, Digits)
{
  EXPECT_EQ(CharDigit('0'), 0);
  EXPECT_EQ(CharDigit('9'), 9);
  EXPECT_EQ(CharDigit('A'), 17);
  EXPECT_EQ(CharDigit(' '), -16);
  EXPECT_EQ(CharDigit('\xD7'), 0xD7 - 48);  // the byte's value, not a negative char

  AnsiString number = "12345";
  EXPECT_EQ(RightDigit(number, 1), 5);
  EXPECT_EQ(RightDigit(number, 2), 4);
  EXPECT_EQ(RightDigit(number, 5), 1);
  EXPECT_EQ(RightDigit(number, 6), 0);
  EXPECT_EQ(RightDigit(number, 0), 0);
  EXPECT_EQ(RightDigit(number, -3), 0);
  AnsiString empty;
  EXPECT_EQ(RightDigit(empty, 1), 0);
}

TEST(QelutilStrings, DuplicatePCharCopiesToTheRuntimeHeap)
{
  const char* original = "Ostrel \xD7\xA9";
  char* copy = DuplicatePChar(original);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, original);
  EXPECT_STREQ(copy, original);
  std::free(copy);

  char* empty = DuplicatePChar("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  std::free(empty);

  EXPECT_EQ(DuplicatePChar(nullptr), nullptr);
}

TEST(QelutilStrings, SplitToComponentsKeepsEmptyPieces)
{
  TStringList list;
  SplitToComponents("a,,b", ',', &list);
  EXPECT_EQ(Lines(list), (Strings{"a", "", "b"}));

  list.Clear();
  SplitToComponents("", ',', &list);
  EXPECT_EQ(Lines(list), (Strings{""}));

  list.Clear();
  SplitToComponents("a,", ',', &list);
  EXPECT_EQ(Lines(list), (Strings{"a", ""}));

  // The list is appended to.
  list.Clear();
  list.Add("kept");
  SplitToComponents(",x", ',', &list);
  EXPECT_EQ(Lines(list), (Strings{"kept", "", "x"}));

  SplitToComponents("x", ',', nullptr);  // nothing to fill
}

TEST(QelutilStrings, CompactStringList)
{
  TStringList list;
  list.SetText(" a \n\n  \nb\n\t\n");
  CompactStringList(&list, true);
  EXPECT_EQ(Lines(list), (Strings{"a", "b"}));

  list.Clear();
  for (const char* line : {"", " a ", "  ", ""}) list.Add(line);
  CompactStringList(&list, false);
  EXPECT_EQ(Lines(list), (Strings{" a ", "  "}));

  CompactStringList(nullptr, true);
}

TEST(QelutilStrings, GetStringsLineJoinsTrimmedLines)
{
  TStringList list;
  for (const char* line : {" a", "", "  ", "b ", "c"}) list.Add(line);
  EXPECT_STREQ(GetStringsLine(&list, ';').c_str(), "a;b;c");
  list.Clear();
  EXPECT_STREQ(GetStringsLine(&list, ';').c_str(), "");
  list.Add(" ");
  list.Add("only");
  EXPECT_STREQ(GetStringsLine(&list, ';').c_str(), "only");
  EXPECT_STREQ(GetStringsLine(nullptr, ';').c_str(), "");
}

// ---------------------------------------------------------------------------------------------------
// Dates

TEST(QelutilDates, ValidDate)
{
  EXPECT_FALSE(ValidDate(29, 2, 0));
  EXPECT_TRUE(ValidDate(29, 2, 4));    // 2004
  EXPECT_FALSE(ValidDate(29, 2, 99));  // 1999
  EXPECT_FALSE(ValidDate(31, 4, 2001));
  EXPECT_TRUE(ValidDate(30, 4, 2001));
  // The two-digit window: up to 50 is this century, from 51 the last.
  EXPECT_TRUE(ValidDate(29, 2, 48));   // 2048
  EXPECT_FALSE(ValidDate(29, 2, 50));  // 2050
  EXPECT_TRUE(ValidDate(29, 2, 52));   // 1952
  EXPECT_FALSE(ValidDate(29, 2, 1900));
  EXPECT_TRUE(ValidDate(29, 2, 2000));
  // Days and months out of range.
  EXPECT_FALSE(ValidDate(0, 1, 2001));
  EXPECT_FALSE(ValidDate(32, 1, 2001));
  EXPECT_TRUE(ValidDate(31, 1, 2001));
  EXPECT_FALSE(ValidDate(-1, 1, 2001));
  EXPECT_FALSE(ValidDate(1, 0, 2001));
  EXPECT_FALSE(ValidDate(1, 13, 2001));
  EXPECT_FALSE(ValidDate(1, 1, -4));
  // The platform's last year, and no wrap-around of larger years to small ones.
  EXPECT_TRUE(ValidDate(31, 12, 9999));
  EXPECT_FALSE(ValidDate(1, 1, 10000));
  EXPECT_FALSE(ValidDate(29, 2, 65536 + 2004));
  EXPECT_FALSE(ValidDate(1, 1, std::numeric_limits<int>::max()));
}

// ---------------------------------------------------------------------------------------------------
// Classes and published properties

TEST(QelutilClasses, InheritsFromByName)
{
  TMetaClass* probe = TUtilProbe::StaticClass();
  EXPECT_TRUE(InheritsFrom(probe, "TUtilProbe"));
  EXPECT_TRUE(InheritsFrom(probe, "TUtilProbeBase"));
  EXPECT_TRUE(InheritsFrom(probe, "TComponent"));
  EXPECT_TRUE(InheritsFrom(probe, "TObject"));
  EXPECT_FALSE(InheritsFrom(probe, "tcomponent"));  // exact names
  EXPECT_FALSE(InheritsFrom(probe, "TControl"));
  EXPECT_FALSE(InheritsFrom(TUtilProbeBase::StaticClass(), "TUtilProbe"));
  EXPECT_FALSE(InheritsFrom(probe, ""));
  EXPECT_FALSE(InheritsFrom(nullptr, "TObject"));
}

TEST(QelutilClasses, GetAncestorsClasses)
{
  TUtilProbe probe;
  TStringList list;
  list.Add("stale");
  GetAncestorsClasses(&probe, "TComponent", &list);
  EXPECT_EQ(Lines(list), (Strings{"TUtilProbe", "TUtilProbeBase"}));

  GetAncestorsClasses(&probe, "TUtilProbe", &list);
  EXPECT_EQ(list.Count(), 0);

  // No such ancestor: every class up to the root.
  GetAncestorsClasses(&probe, "TNoSuchClass", &list);
  const Strings all = Lines(list);
  ASSERT_GE(all.size(), 5u);
  EXPECT_EQ((Strings{all[0], all[1], all[2]}), (Strings{"TUtilProbe", "TUtilProbeBase", "TComponent"}));
  EXPECT_EQ(all.back(), "TObject");
  EXPECT_NE(std::find(all.begin(), all.end(), "TPersistent"), all.end());

  list.Add("stale");
  GetAncestorsClasses(nullptr, "TObject", &list);
  EXPECT_EQ(list.Count(), 0);
  GetAncestorsClasses(&probe, "TObject", nullptr);
}

TEST(QelutilProperties, StringsAndStringObjects)
{
  TUtilProbe probe;
  SetStrPropValue(&probe, "Title", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
  EXPECT_STREQ(probe.GetTitle().c_str(), "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
  EXPECT_STREQ(GetStrPropValue(&probe, "Title").c_str(), "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");

  // A TVCLString property: the text of the object, which stays the same object.
  TVCLString* caption = probe.GetCaption();
  SetStrPropValue(&probe, "Caption", "Open");
  EXPECT_EQ(probe.GetCaption(), caption);
  EXPECT_STREQ(caption->GetString().c_str(), "Open");
  caption->SetString("Close");
  EXPECT_STREQ(GetStrPropValue(&probe, "Caption").c_str(), "Close");

  EXPECT_STREQ(GetStrPropValue(&probe, "Fixed").c_str(), "fixed");
}

TEST(QelutilProperties, OtherKindsAndMissingPropertiesGiveNoText)
{
  TUtilProbe probe;
  TUtilProbe buddy;
  buddy.SetName("Buddy1");
  probe.SetBuddy(&buddy);
  probe.SetCount(12);

  EXPECT_STREQ(GetStrPropValue(&probe, "Buddy").c_str(), "");  // an object, but no TVCLString
  EXPECT_STREQ(GetStrPropValue(&probe, "Count").c_str(), "");
  EXPECT_STREQ(GetStrPropValue(&probe, "OnPing").c_str(), "");
  EXPECT_STREQ(GetStrPropValue(&probe, "Missing").c_str(), "");
  EXPECT_STREQ(GetStrPropValue(nullptr, "Title").c_str(), "");

  SetStrPropValue(&probe, "Count", "34");
  EXPECT_EQ(probe.GetCount(), 12);
  SetStrPropValue(&probe, "Buddy", "x");
  EXPECT_EQ(probe.GetBuddy(), &buddy);
  EXPECT_STREQ(buddy.GetName().c_str(), "Buddy1");
  SetStrPropValue(&probe, "Missing", "x");
  SetStrPropValue(&probe, "Fixed", "x");  // read-only
  EXPECT_STREQ(probe.GetFixed().c_str(), "fixed");
  SetStrPropValue(nullptr, "Title", "x");
}

TEST(QelutilProperties, StringObjectPropertyWithoutObject)
{
  TUtilProbe probe;
  probe.DropCaption();
  EXPECT_STREQ(GetStrPropValue(&probe, "Caption").c_str(), "");
  SetStrPropValue(&probe, "Caption", "ignored");
  EXPECT_EQ(probe.GetCaption(), nullptr);
  EXPECT_EQ(GetObjPropValue(&probe, "Caption"), nullptr);
}

TEST(QelutilProperties, Objects)
{
  TUtilProbe probe;
  TUtilProbe buddy;
  probe.SetBuddy(&buddy);
  EXPECT_EQ(GetObjPropValue(&probe, "Buddy"), &buddy);
  EXPECT_EQ(GetObjPropValue(&probe, "Caption"), probe.GetCaption());
  EXPECT_EQ(GetObjPropValue(&probe, "Title"), nullptr);
  EXPECT_EQ(GetObjPropValue(&probe, "Count"), nullptr);
  EXPECT_EQ(GetObjPropValue(&probe, "Missing"), nullptr);
  EXPECT_EQ(GetObjPropValue(nullptr, "Buddy"), nullptr);
}

TEST(QelutilProperties, OrdinalsMustExist)
{
  TUtilProbe probe;
  SetBoolPropValue(&probe, "Active", true);
  EXPECT_TRUE(probe.GetActive());
  EXPECT_TRUE(GetBoolPropValue(&probe, "Active"));
  SetBoolPropValue(&probe, "Active", false);
  EXPECT_FALSE(GetBoolPropValue(&probe, "Active"));

  SetIntPropValue(&probe, "Count", -1234567);
  EXPECT_EQ(probe.GetCount(), -1234567);
  probe.SetCount(42);
  EXPECT_EQ(GetIntPropValue(&probe, "Count"), 42);
  // Any ordinal reads as a boolean by being non-zero.
  EXPECT_TRUE(GetBoolPropValue(&probe, "Count"));

  EXPECT_THROW(GetBoolPropValue(&probe, "Missing"), EPropertyError);
  EXPECT_THROW(SetBoolPropValue(&probe, "Missing", true), EPropertyError);
  EXPECT_THROW(GetIntPropValue(&probe, "Missing"), EPropertyError);
  EXPECT_THROW(SetIntPropValue(&probe, "Missing", 1), EPropertyError);
  EXPECT_THROW(GetIntPropValue(&probe, "Title"), EPropertyError);
  EXPECT_THROW(SetIntPropValue(&probe, "Buddy", 1), EPropertyError);
  EXPECT_EQ(probe.GetBuddy(), nullptr);

  EXPECT_FALSE(GetBoolPropValue(nullptr, "Active"));
  EXPECT_EQ(GetIntPropValue(nullptr, "Count"), 0);
  SetBoolPropValue(nullptr, "Active", true);
  SetIntPropValue(nullptr, "Count", 1);
}

TEST(QelutilProperties, MethodHandlers)
{
  TUtilProbe probe;
  TUtilProbe listener;
  EXPECT_EQ(GetMthdPropValue(&probe, "OnPing"), TMethod{});

  const TMethod handler = TNotifyEvent(&listener, &TUtilProbe::Pinged).GetMethod();
  SetMthdPropValue(&probe, "OnPing", handler);
  const TMethod read = GetMthdPropValue(&probe, "OnPing");
  EXPECT_EQ(read, handler);
  EXPECT_EQ(read.Data, &listener);
  probe.Ping();
  EXPECT_EQ(listener.Pings, 1);

  // Not method-typed, missing, or read-only: nothing read, nothing written.
  EXPECT_EQ(GetMthdPropValue(&probe, "Title"), TMethod{});
  EXPECT_EQ(GetMthdPropValue(&probe, "Missing"), TMethod{});
  EXPECT_EQ(GetMthdPropValue(nullptr, "OnPing"), TMethod{});
  SetMthdPropValue(&probe, "Title", handler);
  EXPECT_STREQ(probe.GetTitle().c_str(), "");
  SetMthdPropValue(&probe, "OnSealed", handler);
  EXPECT_FALSE(probe.GetOnSealed());
  SetMthdPropValue(&probe, "Missing", handler);
  SetMthdPropValue(nullptr, "OnPing", handler);

  // A handler of another event type would be called with the wrong arguments: refused.
  const TMethod valued = TUtilProbe::TValueEvent(&listener, &TUtilProbe::Valued).GetMethod();
  SetMthdPropValue(&probe, "OnValue", valued);
  EXPECT_EQ(GetMthdPropValue(&probe, "OnValue"), valued);
  EXPECT_THROW(SetMthdPropValue(&probe, "OnValue", handler), EPropertyError);
  EXPECT_EQ(GetMthdPropValue(&probe, "OnValue"), valued);

  // An empty handler clears the event.
  SetMthdPropValue(&probe, "OnPing", TMethod{});
  EXPECT_FALSE(probe.GetOnPing());
  probe.Ping();
  EXPECT_EQ(listener.Pings, 1);
}

TEST(QelutilProperties, PackedDecimalsAreReachable)
{
  // The method-property unit also carries the packed-decimal conversions.
  EXPECT_EQ(APX_BCDToInt64(Int64ToAPX_BCD(-987654321)), -987654321);
}

// ---------------------------------------------------------------------------------------------------
// Tab order

TEST(QelutilControls, GetParentedTabOrderListKeepsDirectChildren)
{
  std::unique_ptr<TPanel> panel(new TPanel(nullptr));
  auto* first = new TButton(panel.get());
  first->SetParent(panel.get());
  auto* group = new TGroupBox(panel.get());
  group->SetParent(panel.get());
  auto* edit = new TEdit(panel.get());
  edit->SetParent(group);
  auto* second = new TButton(panel.get());
  second->SetParent(panel.get());
  second->SetTabOrder(0);  // tab order, not creation order

  TList list;
  list.Add(nullptr);  // whatever was in the list goes
  list.Add(edit);
  GetParentedTabOrderList(panel.get(), &list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], second);
  EXPECT_EQ(list[1], first);
  EXPECT_EQ(list[2], group);
  EXPECT_FALSE(panel->HandleAllocated());

  GetParentedTabOrderList(group, &list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0], edit);

  GetParentedTabOrderList(edit, &list);
  EXPECT_EQ(list.Count(), 0);
  list.Add(first);
  GetParentedTabOrderList(nullptr, &list);
  EXPECT_EQ(list.Count(), 0);
  GetParentedTabOrderList(panel.get(), nullptr);
}

TEST(QelutilControls, TabSheetContainerIsTheNearestSheetAbove)
{
  // Panel > PageControl > Outer sheet > Group > Edit, and a page control on the group with its own
  // sheet holding a button.
  std::unique_ptr<TPanel> panel(new TPanel(nullptr));
  auto* pages = new TPageControl(panel.get());
  pages->SetParent(panel.get());
  auto* outer = new TTabSheet(panel.get());
  outer->SetPageControl(pages);
  auto* group = new TGroupBox(panel.get());
  group->SetParent(outer);
  auto* edit = new TEdit(panel.get());
  edit->SetParent(group);
  auto* inner = new TPageControl(panel.get());
  inner->SetParent(group);
  auto* innerSheet = new TTabSheet(panel.get());
  innerSheet->SetPageControl(inner);
  auto* button = new TButton(panel.get());
  button->SetParent(innerSheet);
  auto* alone = new TButton(panel.get());
  alone->SetParent(panel.get());
  struct Case {
    const char* what;
    TControl* control;
    TWinControl* container;
  } cases[] = {
      {"a control two levels inside a sheet", edit, outer},
      {"the sheet's direct child", group, outer},
      {"a sheet itself: its parents only", outer, nullptr},
      {"a sheet on a sheet", innerSheet, outer},
      {"the nearest of two sheets", button, innerSheet},
      {"no sheet above", alone, nullptr},
      {"the page control", pages, nullptr},
      {"no control", nullptr, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(TabSheetContainer(c.control), c.container) << c.what;
  EXPECT_FALSE(panel->HandleAllocated());
}

// ---------------------------------------------------------------------------------------------------
// System

TEST(QelutilSystem, GetOSUserNameIsTheLoggedOnUser)
{
  const AnsiString name = GetOSUserName();
  ASSERT_FALSE(name.IsEmpty());
  // The process environment names the same user.
  const wchar_t* variable = _wgetenv(L"USERNAME");
  ASSERT_NE(variable, nullptr);
  EXPECT_STREQ(name.c_str(), AnsiString(variable).c_str());
}

TEST(QelutilSystem, SetNull)
{
  int value = 0;
  void* pointer = &value;
  SetNull(&pointer);
  EXPECT_EQ(pointer, nullptr);
  SetNull(nullptr);
}

namespace {

// A registry key of the test's own below the library's key; deleted with everything under it.
class TTestKey {
public:
  TTestKey()
      : Path(RegistryQelKey + "\\Tests\\Qelutil-" + AnsiString(static_cast<unsigned>(GetCurrentProcessId())))
  {
    Delete();
  }
  ~TTestKey()
  {
    Delete();
    // The tests' parent key goes too once no other test's key lives under it (RegDeleteKey leaves
    // a key with subkeys alone); the library's own key keeps whatever settings it holds.
    const std::wstring tests = Utf8ToUtf16((RegistryQelKey + "\\Tests").str().substr(1));
    RegDeleteKeyW(HKEY_CURRENT_USER, tests.c_str());
  }
  TTestKey(const TTestKey&) = delete;
  TTestKey& operator=(const TTestKey&) = delete;

  bool Exists() const
  {
    TRegistry registry(KEY_READ);
    return registry.KeyExists(Path);
  }
  void Delete() const
  {
    TRegistry registry;
    registry.DeleteKey(Path);
  }

  const AnsiString Path;
};

}  // namespace

TEST(QelutilSystem, RegistryStringsRoundTripUtf8)
{
  TTestKey key;
  // Reading does not create the key.
  EXPECT_STREQ(RegReadString(HKEY_CURRENT_USER, key.Path, "Name").c_str(), "");
  EXPECT_FALSE(key.Exists());

  const char* hebrew = "\xD7\xA1\xD7\xA8\xD7\x99\xD7\xA7 \xD7\x90\xD7\x97\xD7\x93";
  RegWriteString(HKEY_CURRENT_USER, key.Path, "Name", hebrew);
  ASSERT_TRUE(key.Exists());
  const AnsiString read = RegReadString(HKEY_CURRENT_USER, key.Path, "Name");
  EXPECT_EQ(read.str(), std::string(hebrew));

  RegWriteString(HKEY_CURRENT_USER, key.Path, "Name", "second");
  EXPECT_STREQ(RegReadString(HKEY_CURRENT_USER, key.Path, "Name").c_str(), "second");
  RegWriteString(HKEY_CURRENT_USER, key.Path, "", "default");
  EXPECT_STREQ(RegReadString(HKEY_CURRENT_USER, key.Path, "").c_str(), "default");
  EXPECT_STREQ(RegReadString(HKEY_CURRENT_USER, key.Path, "Absent").c_str(), "");

  // The value as the platform stores it: UTF-16 text.
  TRegistry registry(KEY_READ);
  ASSERT_TRUE(registry.OpenKey(key.Path, false));
  EXPECT_EQ(registry.GetDataType("Name"), rdString);
}

TEST(QelutilSystem, RegistryFailuresAreSilent)
{
  TTestKey key;
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key.Path, true));
    registry.WriteInteger("Number", 7);
  }
  // A value that holds no text reads as missing.
  EXPECT_STREQ(RegReadString(HKEY_CURRENT_USER, key.Path, "Number").c_str(), "");
  // A root that is no key: nothing happens either way.
  const HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_NO_THROW(RegWriteString(bogus, "\\SOFTWARE\\QEL", "Name", "x"));
  EXPECT_STREQ(RegReadString(bogus, "\\SOFTWARE\\QEL", "Name").c_str(), "");
}

TEST(QelutilSystem, GetValidClipFormatSeesOnlyHeldFormats)
{
  const AnsiString owner = AnsiString("Qelutil") + AnsiString(static_cast<unsigned>(GetCurrentProcessId()));
  const UINT format = RegisterClipboardFormatW(Utf8ToUtf16(GetClipboardFormatStr(owner, "Grid").str()).c_str());
  ASSERT_NE(format, 0u);
  EXPECT_EQ(GetValidClipFormat(owner, "Grid"), 0u);

  // Held open while checking, so that no other program changes the clipboard in between.
  Clipboard()->Open();
  struct Closer {
    ~Closer() { Clipboard()->Close(); }
  } closer;
  Clipboard()->SetBuffer(format, "grid", 4);
  EXPECT_EQ(GetValidClipFormat(owner, "Grid"), format);
  EXPECT_EQ(GetValidClipFormat(owner, "Tree"), 0u);
  EXPECT_EQ(GetValidClipFormat("Grid", owner), 0u);
  Clipboard()->Clear();
  EXPECT_EQ(GetValidClipFormat(owner, "Grid"), 0u);
}

// ---------------------------------------------------------------------------------------------------
// Interfaces of a COM object

namespace {

// The registered name of an interface, "" when the registry does not know it.
std::string RegisteredName(REFIID iid)
{
  wchar_t text[64];
  if (!StringFromGUID2(iid, text, 64)) return {};
  TRegistry registry(KEY_READ);
  registry.SetRootKey(HKEY_CLASSES_ROOT);
  if (!registry.OpenKey(AnsiString("\\Interface\\") + AnsiString(text), false)) return {};
  return registry.ReadString("").c_str();
}

std::set<std::string> ReadNames(const AnsiString& path)
{
  TStringList file;
  file.LoadFromFile(path);
  std::set<std::string> names;
  for (int i = 0; i < file.Count(); ++i) names.insert(file.Get(i).c_str());
  return names;
}

class TTempFile {
public:
  TTempFile()
  {
    wchar_t folder[MAX_PATH];
    wchar_t name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"qel", 0, name);
    Path = name;
    DeleteFileW(Path.c_str());
  }
  ~TTempFile() { DeleteFileW(Path.c_str()); }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  bool Exists() const { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  AnsiString Name() const { return AnsiString(Path.c_str()); }
  std::wstring Path;
};

// An object that answers to IUnknown and IPersist only and counts what it hands out.
class TPersistObject : public IPersist {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
  {
    if (!out) return E_POINTER;
    ++Queries;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPersist) return E_NOINTERFACE;
    *out = static_cast<IPersist*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++References; }
  ULONG STDMETHODCALLTYPE Release() override { return --References; }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override
  {
    if (!id) return E_POINTER;
    *id = CLSID_NULL;
    return S_OK;
  }
  ULONG References = 1;
  int Queries = 0;
};

}  // namespace

TEST(QelutilInterfaces, ListsTheRegisteredInterfacesAnObjectAnswers)
{
  const std::string unknownName = RegisteredName(IID_IUnknown);
  const std::string persistName = RegisteredName(IID_IPersist);
  ASSERT_EQ(unknownName, "IUnknown");  // the platform registers the basic interfaces
  ASSERT_EQ(persistName, "IPersist");

  TPersistObject object;
  TTempFile file;
  ListInterfaces(&object, file.Name());
  ASSERT_TRUE(file.Exists());
  EXPECT_EQ(ReadNames(file.Name()), (std::set<std::string>{"IUnknown", "IPersist"}));
  // Many interfaces were asked for, and every reference handed out was given back.
  EXPECT_GT(object.Queries, 2);
  EXPECT_EQ(object.References, 1u);
}

TEST(QelutilInterfaces, StreamOnGlobalMemory)
{
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  struct Releaser {
    IStream* stream;
    ~Releaser() { stream->Release(); }
  } releaser{stream};

  TTempFile file;
  ListInterfaces(stream, file.Name());
  const std::set<std::string> names = ReadNames(file.Name());
  EXPECT_TRUE(names.count("IUnknown"));
  ASSERT_EQ(RegisteredName(IID_IStream), "IStream");
  EXPECT_TRUE(names.count("IStream"));
  // A stream is a sequential stream too, when the registry names that interface.
  if (const std::string sequential = RegisteredName(IID_ISequentialStream); !sequential.empty()) {
    EXPECT_TRUE(names.count(sequential));
  }
  EXPECT_FALSE(names.count("IDispatch"));
  // The stream's references are back where they were: one more and one less gives 1.
  stream->AddRef();
  EXPECT_EQ(stream->Release(), 1u);
}

TEST(QelutilInterfaces, NullObjectWritesNothing)
{
  TTempFile file;
  ListInterfaces(nullptr, file.Name());
  EXPECT_FALSE(file.Exists());
}

// ---------------------------------------------------------------------------------------------------
// Variants

namespace {

Variant IntArray(int low, std::initializer_list<int> values)
{
  Variant array = VarArrayCreate({low, low + static_cast<int>(values.size()) - 1}, varVariant);
  int index = low;
  for (int value : values) array.PutElement(Variant(value), {index++});
  return array;
}

}  // namespace

TEST(QelutilVariants, ScalarsCompareAsThePlatformDoes)
{
  EXPECT_TRUE(VarEquals(Variant(3), Variant(3)));
  EXPECT_FALSE(VarEquals(Variant(3), Variant(4)));
  EXPECT_TRUE(VarEquals(Variant(3), Variant(3.0)));
  EXPECT_TRUE(VarEquals(Variant("abc"), Variant("abc")));
  EXPECT_FALSE(VarEquals(Variant("abc"), Variant("abd")));
  EXPECT_TRUE(VarEquals(Variant("12"), Variant(12)));  // text beside a number reads as a number
  EXPECT_TRUE(VarEquals(Variant(), Variant()));
  EXPECT_TRUE(VarEquals(Null(), Null()));
  EXPECT_FALSE(VarEquals(Variant(), Null()));
}

TEST(QelutilVariants, ComparisonsThatRaiseAreUnequal)
{
  // The platform raises comparing a text that is no number with a number.
  EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantError);
  EXPECT_FALSE(VarEquals(Variant("abc"), Variant(1)));
  EXPECT_FALSE(VarEquals(Variant(1), Variant("abc")));
  EXPECT_FALSE(VarEquals(IntArray(0, {1}), VarArrayCreate({0, 0}, varVariant)));  // 1 vs empty element
}

TEST(QelutilVariants, ArraysCompareByTheirFirstDimension)
{
  EXPECT_TRUE(VarEquals(IntArray(0, {1, 2, 3}), IntArray(0, {1, 2, 3})));
  // Elements are paired from each array's own low bound.
  EXPECT_TRUE(VarEquals(IntArray(0, {1, 2, 3}), IntArray(5, {1, 2, 3})));
  EXPECT_TRUE(VarEquals(IntArray(-2, {7, 8}), IntArray(1, {7, 8})));
  EXPECT_FALSE(VarEquals(IntArray(0, {1, 2, 3}), IntArray(5, {1, 2, 4})));
  EXPECT_FALSE(VarEquals(IntArray(0, {1, 2, 3}), IntArray(0, {1, 2})));
  EXPECT_FALSE(VarEquals(IntArray(0, {1, 2}), IntArray(0, {1, 2, 3})));
  // Arrays of another element type hold the same values.
  Variant typed = VarArrayCreate({1, 2}, varInteger);
  typed.PutElement(Variant(1), {1});
  typed.PutElement(Variant(2), {2});
  EXPECT_TRUE(VarEquals(typed, IntArray(0, {1, 2})));
}

TEST(QelutilVariants, ArrayAgainstNonArrayAndNestedArrays)
{
  EXPECT_FALSE(VarEquals(IntArray(0, {1}), Variant(1)));
  EXPECT_FALSE(VarEquals(Variant(1), IntArray(0, {1})));
  EXPECT_FALSE(VarEquals(IntArray(0, {1}), Variant()));

  Variant outerA = VarArrayCreate({0, 1}, varVariant);
  Variant outerB = VarArrayCreate({3, 4}, varVariant);
  outerA.PutElement(Variant("x"), {0});
  outerB.PutElement(Variant("x"), {3});
  outerA.PutElement(IntArray(0, {1, 2}), {1});
  outerB.PutElement(IntArray(1, {1, 2}), {4});
  EXPECT_TRUE(VarEquals(outerA, outerB));
  outerB.PutElement(IntArray(1, {1, 9}), {4});
  EXPECT_FALSE(VarEquals(outerA, outerB));

  // Two-dimensional arrays cannot be walked along one index.
  Variant square = VarArrayCreate({0, 1, 0, 1}, varInteger);
  EXPECT_FALSE(VarEquals(square, square));
}
