// SysUtils: dates and times, their text forms and FormatDateTime.
#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Consts.h"

char DateSeparator = '/';
char TimeSeparator = ':';
AnsiString ShortDateFormat = "dd/mm/yyyy";
AnsiString LongDateFormat = "dddd, d mmmm yyyy";
AnsiString ShortTimeFormat = "hh:nn";
AnsiString LongTimeFormat = "hh:nn:ss";
AnsiString TimeAMString = "AM";
AnsiString TimePMString = "PM";
AnsiString ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
AnsiString LongMonthNames[12] = {"January", "February", "March", "April", "May", "June",
                                 "July", "August", "September", "October", "November", "December"};
AnsiString ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
AnsiString LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

// ---------------------------------------------------------------------------------------------------
// Dates and times. Day 0 is 30 December 1899; the calendar is the proleptic Gregorian one.

namespace {

constexpr double MSecsPerDay = 86400000.0;

// Days from 1 March of year 0 based civil arithmetic (exact for every Gregorian date).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d)
{
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t DelphiEpoch = -25569;

// Whole days (towards zero, as the VCL splits a date-time) and milliseconds of the day.
void SplitDateTime(TDateTime value, std::int64_t& days, std::int64_t& msecs)
{
  const double whole = std::round(std::fabs(value.Val) * MSecsPerDay);
  const std::int64_t total = static_cast<std::int64_t>(whole);
  days = total / 86400000;
  msecs = total % 86400000;
  if (value.Val < 0) days = -days;
}

}  // namespace

bool IsLeapYear(unsigned short year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(unsigned short year, unsigned short month)
{
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(unsigned short year, unsigned short month, unsigned short day, TDateTime& date)
{
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  date = TDateTime(static_cast<double>(DaysFromCivil(year, month, day) - DelphiEpoch));
  return true;
}

bool TryEncodeTime(unsigned short hour, unsigned short min, unsigned short sec, unsigned short msec, TDateTime& time)
{
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000) return false;
  time = TDateTime((hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay);
  return true;
}

TDateTime EncodeDate(unsigned short year, unsigned short month, unsigned short day)
{
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) throw EConvertError(SDateEncodeError);
  return date;
}

TDateTime EncodeTime(unsigned short hour, unsigned short min, unsigned short sec, unsigned short msec)
{
  TDateTime time;
  if (!TryEncodeTime(hour, min, sec, msec, time)) throw EConvertError(STimeEncodeError);
  return time;
}

void DecodeDate(TDateTime date, unsigned short& year, unsigned short& month, unsigned short& day)
{
  std::int64_t days = 0, msecs = 0;
  SplitDateTime(date, days, msecs);
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days + DelphiEpoch, y, m, d);
  if (y < 1 || y > 9999) {
    year = month = day = 0;
    return;
  }
  year = static_cast<unsigned short>(y);
  month = static_cast<unsigned short>(m);
  day = static_cast<unsigned short>(d);
}

void DecodeTime(TDateTime time, unsigned short& hour, unsigned short& min, unsigned short& sec, unsigned short& msec)
{
  std::int64_t days = 0, msecs = 0;
  SplitDateTime(time, days, msecs);
  hour = static_cast<unsigned short>(msecs / 3600000);
  min = static_cast<unsigned short>(msecs / 60000 % 60);
  sec = static_cast<unsigned short>(msecs / 1000 % 60);
  msec = static_cast<unsigned short>(msecs % 1000);
}

int DayOfWeek(TDateTime date)
{
  std::int64_t days = 0, msecs = 0;
  SplitDateTime(date, days, msecs);
  // Day 0 was a Saturday (7).
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime Date()
{
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

TDateTime Time()
{
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

TDateTime Now()
{
  SYSTEMTIME st{};
  GetLocalTime(&st);
  return TDateTime(EncodeDate(st.wYear, st.wMonth, st.wDay).Val + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds).Val);
}

AnsiString DateToStr(TDateTime date) { return FormatDateTime(ShortDateFormat, date); }
AnsiString TimeToStr(TDateTime time) { return FormatDateTime(LongTimeFormat, time); }
AnsiString DateTimeToStr(TDateTime dateTime) { return FormatDateTime("c", dateTime); }

namespace {

std::string ZeroPad(const std::string& digits, int width)
{
  const int missing = width - static_cast<int>(digits.size());
  return missing > 0 ? std::string(static_cast<size_t>(missing), '0') + digits : digits;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLetter(char c) { return Upper(c) >= 'A' && Upper(c) <= 'Z'; }

bool StartsWithNoCase(const std::string& s, size_t i, const char* word)
{
  for (size_t k = 0; word[k]; ++k)
    if (i + k >= s.size() || Upper(s[i + k]) != word[k]) return false;
  return true;
}

// How many times s[i] repeats from i on, letter case ignored.
size_t RunLength(const std::string& s, size_t i)
{
  size_t n = 1;
  while (i + n < s.size() && Upper(s[i + n]) == Upper(s[i])) ++n;
  return n;
}

// The end of quoted text starting at i (the closing quote, or the end of the format).
size_t QuoteEnd(const std::string& s, size_t i)
{
  const size_t close = s.find(s[i], i + 1);
  return close == std::string::npos ? s.size() : close;
}

// A format with an am/pm token shows hours on the 12-hour clock.
bool UsesTwelveHour(const std::string& s)
{
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"' || s[i] == '\'') i = QuoteEnd(s, i);
    else if (StartsWithNoCase(s, i, "AM/PM") || StartsWithNoCase(s, i, "A/P") || StartsWithNoCase(s, i, "AMPM")) return true;
  }
  return false;
}

class DateFormatter {
public:
  explicit DateFormatter(TDateTime value)
  {
    DecodeDate(value, year_, month_, day_);
    DecodeTime(value, hour_, min_, sec_, msec_);
    dayOfWeek_ = DayOfWeek(value);
  }

  std::string Run(const std::string& format)
  {
    Append(format.empty() ? "c" : format, 0);
    return out_;
  }

private:
  void Number(int value, int width) { out_ += ZeroPad(std::to_string(value), width); }

  // The named formats (ShortDateFormat inside "ddddd", ...) nest two levels at most, as in the VCL,
  // so a format that names itself cannot recurse for ever.
  void Append(const std::string& format, int depth)
  {
    if (depth > 2) return;
    const bool twelveHour = UsesTwelveHour(format);
    char lastToken = 0;
    for (size_t i = 0; i < format.size();) {
      const char c = format[i];
      char token = Upper(c);
      if (IsLetter(c)) {
        if (token == 'M' && lastToken == 'H') token = 'N';  // minutes only right after an hour
        lastToken = token;
      }
      const size_t run = RunLength(format, i);
      switch (token) {
        case 'Y': Number(run <= 2 ? year_ % 100 : year_, run <= 2 ? 2 : 4); break;
        case 'M':
          if (run <= 2) Number(month_, static_cast<int>(run));
          else out_ += (run == 3 ? ShortMonthNames : LongMonthNames)[month_ - 1].str();
          break;
        case 'D':
          if (run <= 2) Number(day_, static_cast<int>(run));
          else if (run == 3) out_ += ShortDayNames[dayOfWeek_ - 1].str();
          else if (run == 4) out_ += LongDayNames[dayOfWeek_ - 1].str();
          else Append((run == 5 ? ShortDateFormat : LongDateFormat).str(), depth + 1);
          break;
        case 'H': Number(twelveHour ? (hour_ % 12 == 0 ? 12 : hour_ % 12) : hour_, run >= 2 ? 2 : 1); break;
        case 'N': Number(min_, run >= 2 ? 2 : 1); break;
        case 'S': Number(sec_, run >= 2 ? 2 : 1); break;
        case 'Z': Number(msec_, run >= 3 ? 3 : 1); break;
        case 'T': Append((run == 1 ? ShortTimeFormat : LongTimeFormat).str(), depth + 1); break;
        case 'C':
          Append(ShortDateFormat.str(), depth + 1);
          if (hour_ || min_ || sec_) {
            out_ += ' ';
            Append(LongTimeFormat.str(), depth + 1);
          }
          break;
        case 'A': i += AmPm(format, i); continue;
        case '/': out_ += DateSeparator; i += 1; continue;
        case ':': out_ += TimeSeparator; i += 1; continue;
        case '"':
        case '\'': {
          const size_t end = QuoteEnd(format, i);
          out_ += format.substr(i + 1, end - i - 1);
          i = end + 1;
          continue;
        }
        default:
          if (IsLetter(c)) throw EConvertError(SInvalidFormat, {AnsiString(format)});
          out_ += c;
          i += 1;
          continue;
      }
      i += run;
    }
  }

  // am/pm and a/p are shown in the letter case the format gives them; ampm is TimeAMString or
  // TimePMString. Answers the characters used.
  size_t AmPm(const std::string& format, size_t i)
  {
    const bool pm = hour_ >= 12;
    if (StartsWithNoCase(format, i, "AM/PM")) {
      out_ += format.substr(pm ? i + 3 : i, 2);
      return 5;
    }
    if (StartsWithNoCase(format, i, "A/P")) {
      out_ += format[pm ? i + 2 : i];
      return 3;
    }
    if (StartsWithNoCase(format, i, "AMPM")) {
      out_ += (pm ? TimePMString : TimeAMString).str();
      return 4;
    }
    throw EConvertError(SInvalidFormat, {AnsiString(format)});
  }

  unsigned short year_ = 0, month_ = 0, day_ = 0, hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
  int dayOfWeek_ = 1;
  std::string out_;
};

}  // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime)
{
  return AnsiString(DateFormatter(dateTime).Run(format.str()));
}
