// SysUtils of the VCL stand-in: the exception family, conversions, Format, file names and searches,
// dates and the Win32 error helpers.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>

#include "System.h"

// ---------------------------------------------------------------------------------------------------
// Format arguments: what Delphi's "array of const" carries.
struct TVarRec {
  enum Kind { vtInteger, vtInt64, vtExtended, vtString, vtChar, vtBoolean, vtPointer, vtCurrency };

  TVarRec(int v) : VType(vtInteger), VInt64(v) {}
  TVarRec(unsigned v) : VType(vtInt64), VInt64(v) {}
  TVarRec(long v) : VType(vtInteger), VInt64(v) {}
  TVarRec(unsigned long v) : VType(vtInt64), VInt64(v) {}
  TVarRec(std::int64_t v) : VType(vtInt64), VInt64(v) {}
  TVarRec(std::uint64_t v) : VType(vtInt64), VInt64(static_cast<std::int64_t>(v)) {}
  TVarRec(short v) : VType(vtInteger), VInt64(v) {}
  TVarRec(unsigned short v) : VType(vtInteger), VInt64(v) {}
  TVarRec(double v) : VType(vtExtended), VDouble(v) {}
  TVarRec(float v) : VType(vtExtended), VDouble(v) {}
  TVarRec(long double v) : VType(vtExtended), VDouble(static_cast<double>(v)) {}
  TVarRec(Currency v) : VType(vtCurrency), VInt64(v.Val) {}
  TVarRec(bool v) : VType(vtBoolean), VInt64(v) {}
  TVarRec(char v) : VType(vtChar), VString(v) {}
  TVarRec(const char* v) : VType(vtString), VString(v) {}
  TVarRec(const AnsiString& v) : VType(vtString), VString(v) {}
  TVarRec(const WideString& v) : VType(vtString), VString(v) {}
  TVarRec(const wchar_t* v) : VType(vtString), VString(v) {}
  TVarRec(const void* v) : VType(vtPointer), VPointer(v) {}

  Kind VType;
  std::int64_t VInt64 = 0;
  double VDouble = 0;
  AnsiString VString;
  const void* VPointer = nullptr;
};

// Delphi's Format: "%" [index ":"] ["-"] [width] ["." prec] type, type one of d u e f g n m p s x,
// width and precision may be "*" (taken from the arguments); "%%" is a percent sign. %x gives
// upper-case digits; %f and %n default to two decimals, %m to CurrencyDecimals and follows the
// currency settings below; %d with a precision pads with zeros. Floating values are taken as 18
// significant decimal digits and rounded half away from zero. Any other type letter, or a specifier
// that does not suit its argument, raises EConvertError.
AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args);
// C++Builder's form: args[0..high].
AnsiString Format(const AnsiString& format, const TVarRec* args, int high);
template <class... A>
AnsiString FormatArgs(const AnsiString& format, const A&... args)
{
  return Format(format, {TVarRec(args)...});
}

// ---------------------------------------------------------------------------------------------------
// Format settings, the VCL's global variables. The stand-in's defaults are fixed, not taken from the
// user's locale, so that text is the same on every machine; a program may assign them.
extern AnsiString CurrencyString;        // "$"
extern unsigned char CurrencyFormat;     // where the symbol goes: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
extern unsigned char NegCurrFormat;      // 0..15, the platform's negative-currency orders: 0 "($1)", 1 "-$1", ...
extern unsigned char CurrencyDecimals;   // 2
extern char ThousandSeparator;           // ',' (0: none)
extern char DecimalSeparator;            // '.' in output; parsing always takes '.'
extern char DateSeparator;               // '/'
extern char TimeSeparator;               // ':'
extern AnsiString ShortDateFormat;       // "dd/mm/yyyy"
extern AnsiString LongDateFormat;        // "dddd, d mmmm yyyy"
extern AnsiString ShortTimeFormat;       // "hh:nn"
extern AnsiString LongTimeFormat;        // "hh:nn:ss"
extern AnsiString TimeAMString;          // "AM"
extern AnsiString TimePMString;          // "PM"
extern AnsiString ShortMonthNames[12];   // English
extern AnsiString LongMonthNames[12];
extern AnsiString ShortDayNames[7];      // Sunday first
extern AnsiString LongDayNames[7];

// ---------------------------------------------------------------------------------------------------
// The exception family. Message is public, as in the VCL.
class Exception : public std::exception {
public:
  explicit Exception(const AnsiString& message) : Message(message) {}
  Exception(const AnsiString& format, std::initializer_list<TVarRec> args) : Message(::Format(format, args)) {}
  ~Exception() override = default;
  const char* what() const noexcept override { return Message.c_str(); }
  AnsiString Message;
  int HelpContext = 0;
};

template <class E, class... A>
E CreateFmt(const AnsiString& format, const A&... args)
{
  return E(::Format(format, {TVarRec(args)...}));
}

#define OSTREL_VCL_EXCEPTION(Name, Base)                                                      \
  class Name : public Base {                                                                  \
  public:                                                                                     \
    explicit Name(const AnsiString& message) : Base(message) {}                               \
    Name(const AnsiString& format, std::initializer_list<TVarRec> args) : Base(format, args) {} \
  }

OSTREL_VCL_EXCEPTION(EAbort, Exception);
OSTREL_VCL_EXCEPTION(EConvertError, Exception);
OSTREL_VCL_EXCEPTION(EOutOfMemory, Exception);
OSTREL_VCL_EXCEPTION(EIntError, Exception);
OSTREL_VCL_EXCEPTION(ERangeError, EIntError);
OSTREL_VCL_EXCEPTION(EDivByZero, EIntError);
OSTREL_VCL_EXCEPTION(EMathError, Exception);
OSTREL_VCL_EXCEPTION(EInvalidOp, EMathError);
OSTREL_VCL_EXCEPTION(EOverflow, EMathError);
OSTREL_VCL_EXCEPTION(EZeroDivide, EMathError);
// The Math unit's argument error (Math.h), here so that SysUtils users see the whole family.
OSTREL_VCL_EXCEPTION(EInvalidArgument, EMathError);
OSTREL_VCL_EXCEPTION(EInvalidCast, Exception);
OSTREL_VCL_EXCEPTION(EInvalidPointer, Exception);
OSTREL_VCL_EXCEPTION(EInvalidOperation, Exception);
OSTREL_VCL_EXCEPTION(EAbstractError, Exception);
OSTREL_VCL_EXCEPTION(EAssertionFailed, Exception);
OSTREL_VCL_EXCEPTION(EInOutError, Exception);
OSTREL_VCL_EXCEPTION(EExternal, Exception);
OSTREL_VCL_EXCEPTION(EVariantError, Exception);
OSTREL_VCL_EXCEPTION(EPropReadOnly, Exception);
OSTREL_VCL_EXCEPTION(EPropWriteOnly, Exception);
OSTREL_VCL_EXCEPTION(EPackageError, Exception);

// A failed operating-system call with its Win32 error code.
class EOSError : public Exception {
public:
  explicit EOSError(const AnsiString& message, DWORD errorCode = 0) : Exception(message), ErrorCode(errorCode) {}
  DWORD ErrorCode;
};

class EWin32Error : public EOSError {
public:
  explicit EWin32Error(const AnsiString& message, DWORD errorCode = 0) : EOSError(message, errorCode) {}
};

OSTREL_VCL_EXCEPTION(EGraphicException, Exception);  // stand-in only: common base of the graphic errors
OSTREL_VCL_EXCEPTION(EInvalidGraphic, EGraphicException);
OSTREL_VCL_EXCEPTION(EInvalidGraphicOperation, EGraphicException);
OSTREL_VCL_EXCEPTION(EOleError, Exception);

// An OLE/COM failure with its HRESULT.
class EOleSysError : public EOleError {
public:
  EOleSysError(const AnsiString& message, HRESULT errorCode, int helpContext = 0)
      : EOleError(message), ErrorCode(errorCode)
  {
    HelpContext = helpContext;
  }
  HRESULT ErrorCode;
};

// ---------------------------------------------------------------------------------------------------
// Integers and floats. Decimal separator is always '.'.
int StrToInt(const AnsiString& s);  // strict: EConvertError "'x' is not a valid integer value"
int StrToIntDef(const AnsiString& s, int defaultValue);
bool TryStrToInt(const AnsiString& s, int& value);
std::int64_t StrToInt64(const AnsiString& s);
std::int64_t StrToInt64Def(const AnsiString& s, std::int64_t defaultValue);
bool TryStrToInt64(const AnsiString& s, std::int64_t& value);
AnsiString IntToStr(int value);
AnsiString IntToStr(std::int64_t value);
AnsiString IntToHex(int value, int digits);
AnsiString IntToHex(std::int64_t value, int digits);
AnsiString FloatToStr(double value);  // 15 significant digits, general format
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
// Precision: significant digits (1..18); digits: decimals for ffFixed/ffNumber/ffCurrency (0..18),
// minimum exponent digits for ffGeneral/ffExponent (0..4). A value with more whole digits than the
// precision is shown in the general form.
AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// Sections "positive;negative;zero" of placeholders 0 and #, '.', ',' (thousands), E+ E- e+ e- with
// up to four 0s, and quoted text; everything else is copied. An empty format is FloatToStr.
AnsiString FormatFloat(const AnsiString& format, double value);
// As FloatToStrF over every digit a currency holds (no rounding through binary floating point).
AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits);
double StrToFloat(const AnsiString& s);  // EConvertError "'x' is not a valid floating point value"
double StrToFloatDef(const AnsiString& s, double defaultValue);
bool TryStrToFloat(const AnsiString& s, double& value);
AnsiString CurrToStr(Currency value);
// The decimal text read exactly (no binary floating point), halves to even; text outside the
// currency range is not a valid value: EConvertError "'x' is not a valid floating point value".
Currency StrToCurr(const AnsiString& s);
Currency StrToCurrDef(const AnsiString& s, Currency defaultValue);
bool TryStrToCurr(const AnsiString& s, Currency& value);
AnsiString BoolToStr(bool value, bool useBoolStrs = false);

// ---------------------------------------------------------------------------------------------------
// Strings. The plain functions are ASCII-only as in the VCL; the Ansi ones use the platform's Unicode
// tables and comparisons (through UTF-16).
AnsiString Trim(const AnsiString& s);
AnsiString TrimLeft(const AnsiString& s);
AnsiString TrimRight(const AnsiString& s);
AnsiString UpperCase(const AnsiString& s);
AnsiString LowerCase(const AnsiString& s);
AnsiString AnsiUpperCase(const AnsiString& s);
AnsiString AnsiLowerCase(const AnsiString& s);
int CompareStr(const AnsiString& a, const AnsiString& b);
int CompareText(const AnsiString& a, const AnsiString& b);
bool SameText(const AnsiString& a, const AnsiString& b);
int AnsiCompareStr(const AnsiString& a, const AnsiString& b);
int AnsiCompareText(const AnsiString& a, const AnsiString& b);
bool AnsiSameText(const AnsiString& a, const AnsiString& b);
AnsiString QuotedStr(const AnsiString& s);
AnsiString StringReplaceAll(const AnsiString& s, const AnsiString& from, const AnsiString& to);
enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag, rfReplaceAll, rfIgnoreCase>;
// The first occurrence of oldPattern, or every one with rfReplaceAll; rfIgnoreCase compares as
// AnsiSameText does. Replacements are never searched again.
AnsiString StringReplace(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                         TReplaceFlags flags);
// The 1-based byte position of the first occurrence of substr in s, 0 when there is none (a UTF-8
// character is never matched from its middle).
int AnsiPos(const AnsiString& substr, const AnsiString& s);

// ---------------------------------------------------------------------------------------------------
// File names (both '\' and '/' separate folders; a drive is "X:" or "\\server\share").
AnsiString ExtractFilePath(const AnsiString& fileName);
AnsiString ExtractFileDir(const AnsiString& fileName);
AnsiString ExtractFileName(const AnsiString& fileName);
AnsiString ExtractFileExt(const AnsiString& fileName);
AnsiString ExtractFileDrive(const AnsiString& fileName);
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);
AnsiString IncludeTrailingBackslash(const AnsiString& path);
AnsiString ExcludeTrailingBackslash(const AnsiString& path);
AnsiString ExpandFileName(const AnsiString& fileName);
bool FileExists(const AnsiString& fileName);
bool DirectoryExists(const AnsiString& directory);
bool ForceDirectories(const AnsiString& directory);
bool RemoveDir(const AnsiString& directory);
bool CreateDir(const AnsiString& directory);
AnsiString GetCurrentDir();

// File searches. Attr is a mask of the fa constants; a file is found when every attribute it has among
// faHidden, faSysFile, faVolumeID and faDirectory is also in Attr (so faAnyFile finds everything and
// 0 finds ordinary files only).
enum : int {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faAnyFile = 0x3F,
};

// The search handle is owned: a TSearchRec closes its search when destroyed, so an early return
// between FindFirst and FindClose does not leak it. It moves but does not copy.
struct TSearchRec {
  TSearchRec() = default;
  TSearchRec(TSearchRec&& other) noexcept;
  TSearchRec& operator=(TSearchRec&& other) noexcept;
  TSearchRec(const TSearchRec&) = delete;
  TSearchRec& operator=(const TSearchRec&) = delete;
  ~TSearchRec();

  int Time = 0;  // DOS date-time of the last write
  std::int64_t Size = 0;
  int Attr = 0;
  AnsiString Name;
  int ExcludeAttr = 0;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW FindData{};
};
// 0 on success, else a Win32 error code (ERROR_NO_MORE_FILES when nothing else matches).
int FindFirst(const AnsiString& path, int attr, TSearchRec& f);
int FindNext(TSearchRec& f);
void FindClose(TSearchRec& f);

// ---------------------------------------------------------------------------------------------------
// Dates and times.
TDateTime Now();
TDateTime Date();
TDateTime Time();
TDateTime EncodeDate(unsigned short year, unsigned short month, unsigned short day);  // EConvertError
TDateTime EncodeTime(unsigned short hour, unsigned short min, unsigned short sec, unsigned short msec);
bool TryEncodeDate(unsigned short year, unsigned short month, unsigned short day, TDateTime& date);
bool TryEncodeTime(unsigned short hour, unsigned short min, unsigned short sec, unsigned short msec, TDateTime& time);
void DecodeDate(TDateTime date, unsigned short& year, unsigned short& month, unsigned short& day);
void DecodeTime(TDateTime time, unsigned short& hour, unsigned short& min, unsigned short& sec, unsigned short& msec);
int DayOfWeek(TDateTime date);  // 1 = Sunday
bool IsLeapYear(unsigned short year);
int DaysInMonth(unsigned short year, unsigned short month);
// ShortDateFormat, LongTimeFormat, and both ("c") unless the time is midnight.
AnsiString DateToStr(TDateTime date);
AnsiString TimeToStr(TDateTime time);
AnsiString DateTimeToStr(TDateTime dateTime);
// The VCL 5 tokens, letter case ignored: c, d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes right
// after an hour token), yy yyyy, h hh, n nn, s ss, z zzz, t tt, am/pm a/p (shown in the case written),
// ampm (TimeAMString/TimePMString), / and : (the separators), quoted text. Other characters are
// copied, but a letter that is no token raises EConvertError. An empty format is "c".
AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime);

// ---------------------------------------------------------------------------------------------------
// Win32 errors.
AnsiString SysErrorMessage(DWORD errorCode);
[[noreturn]] void RaiseLastWin32Error();
[[noreturn]] void RaiseLastOSError();
BOOL Win32Check(BOOL result);  // raises EWin32Error (with the last error's text) when result is FALSE
DWORD GetLastErrorCode();

// Raises EAbort (the silent exception).
[[noreturn]] void Abort();
