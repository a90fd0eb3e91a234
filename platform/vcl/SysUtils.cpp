#include "SysUtils.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Consts.h"

void ThrowStringIndexError(int index, int length)
{
  throw ERangeError(SStringIndexError, {index, length});
}

void Abort() { throw EAbort(SAbortError); }

// ---------------------------------------------------------------------------------------------------
// Character classes shared by the parsers below

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Text to numbers

namespace {

// Val's integer syntax: leading spaces, a sign, decimal digits or '$'/"0x" and hex digits, nothing after.
// Hex may use the full unsigned width (and wraps), decimal must fit the signed range.
bool ParseInteger(const AnsiString& s, int bits, std::int64_t& result)
{
  const char* p = s.c_str();
  while (*p == ' ') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  bool hex = false;
  if (*p == '$') {
    hex = true;
    ++p;
  } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    hex = true;
    p += 2;
  }
  if (!*p) return false;
  const std::uint64_t signedMax = bits == 64 ? static_cast<std::uint64_t>(INT64_MAX) : static_cast<std::uint64_t>(INT32_MAX);
  const std::uint64_t unsignedMax = bits == 64 ? UINT64_MAX : static_cast<std::uint64_t>(UINT32_MAX);
  std::uint64_t value = 0;
  for (; *p; ++p) {
    const int digit = hex ? HexDigit(*p) : (IsDigit(*p) ? *p - '0' : -1);
    if (digit < 0) return false;
    const unsigned base = hex ? 16 : 10;
    const std::uint64_t limit = hex ? unsignedMax : signedMax + (negative ? 1 : 0);
    if (value > (limit - static_cast<unsigned>(digit)) / base) return false;
    value = value * base + static_cast<unsigned>(digit);
  }
  if (hex && bits == 32) value = static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))));
  const std::int64_t signedValue = static_cast<std::int64_t>(value);
  result = negative ? static_cast<std::int64_t>(0 - value) : signedValue;
  return true;
}

// A number in TextToFloat's syntax, as written: value = (Negative ? -1 : 1) x Digits x 10^Exponent.
struct DecimalText {
  bool Negative = false;
  std::string Digits;  // every digit before and after the point, leading zeros dropped
  int Exponent = 0;
  std::string Number;  // the number without the blanks around it
};

// TextToFloat's syntax: blanks, sign, digits with one '.', an optional exponent, blanks.
bool ScanDecimal(const AnsiString& s, DecimalText& d)
{
  const char* p = s.c_str();
  while (*p == ' ') ++p;
  const char* start = p;
  d = DecimalText{};
  if (*p == '+' || *p == '-') d.Negative = *p++ == '-';
  int digits = 0;
  auto digit = [&](char c) {
    ++digits;
    if (c != '0' || !d.Digits.empty()) d.Digits += c;
  };
  while (IsDigit(*p)) digit(*p++);
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) digit(*p++), --d.Exponent;
  }
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return false;
    // Saturated far beyond any representable value: the magnitude only has to stay out of range.
    int exponent = 0;
    while (IsDigit(*p)) exponent = std::min(exponent * 10 + (*p++ - '0'), 100000);
    d.Exponent += negative ? -exponent : exponent;
  }
  const char* end = p;
  while (*p == ' ') ++p;
  if (*p) return false;
  d.Number.assign(start, end);
  return true;
}

bool ParseFloat(const AnsiString& s, double& result)
{
  DecimalText d;
  if (!ScanDecimal(s, d)) return false;
  errno = 0;
  const double value = std::strtod(d.Number.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return false;
  result = value;
  return true;
}

// The exact value of the text in ten-thousandths, rounded half to even as the VCL's FPU conversion
// does; false when it lies outside the 64-bit range. No binary floating point on the way.
bool ParseCurrency(const AnsiString& s, std::int64_t& scaled)
{
  DecimalText d;
  if (!ScanDecimal(s, d)) return false;
  if (d.Digits.empty()) {  // zero, whatever its exponent
    scaled = 0;
    return true;
  }
  const long long shift = static_cast<long long>(d.Exponent) + 4;  // digits x 10^shift ten-thousandths
  const long long size = static_cast<long long>(d.Digits.size());
  const long long kept = shift >= 0 ? size : size + shift;          // digits left of the rounding point
  if (kept + std::max(shift, 0LL) > 19) return false;               // 20 digits never fit
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = d.Negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  auto append = [&](unsigned digit) {
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
    return true;
  };
  for (long long i = 0; i < kept; ++i)
    if (!append(static_cast<unsigned>(d.Digits[static_cast<size_t>(i)] - '0'))) return false;
  for (long long i = 0; i < shift; ++i)
    if (!append(0)) return false;
  if (kept < size) {
    // The first dropped digit decides (an implicit zero when every digit is dropped); an exact half
    // goes to the even neighbour.
    const char first = kept >= 0 ? d.Digits[static_cast<size_t>(kept)] : '0';
    const bool rest = d.Digits.find_first_not_of('0', static_cast<size_t>(std::max(kept + 1, 0LL))) != std::string::npos;
    const bool up = first > '5' || (first == '5' && (rest || (magnitude & 1) != 0));
    if (up) {
      if (magnitude == limit) return false;
      ++magnitude;
    }
  }
  scaled = d.Negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

// The strict and the defaulting conversions of each type share one shape over its Try function.
template <class T>
T ConvertOrRaise(const AnsiString& s, bool (*tryConvert)(const AnsiString&, T&), const char* message)
{
  T value{};
  if (!tryConvert(s, value)) throw EConvertError(message, {s});
  return value;
}

template <class T>
T ConvertOrDefault(const AnsiString& s, bool (*tryConvert)(const AnsiString&, T&), T defaultValue)
{
  T value{};
  return tryConvert(s, value) ? value : defaultValue;
}

}  // namespace

bool TryStrToInt(const AnsiString& s, int& value)
{
  std::int64_t v = 0;
  if (!ParseInteger(s, 32, v)) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(const AnsiString& s) { return ConvertOrRaise(s, TryStrToInt, SInvalidInteger); }
int StrToIntDef(const AnsiString& s, int defaultValue) { return ConvertOrDefault(s, TryStrToInt, defaultValue); }

bool TryStrToInt64(const AnsiString& s, std::int64_t& value) { return ParseInteger(s, 64, value); }

std::int64_t StrToInt64(const AnsiString& s) { return ConvertOrRaise(s, TryStrToInt64, SInvalidInteger); }
std::int64_t StrToInt64Def(const AnsiString& s, std::int64_t defaultValue)
{
  return ConvertOrDefault(s, TryStrToInt64, defaultValue);
}

bool TryStrToFloat(const AnsiString& s, double& value) { return ParseFloat(s, value); }

bool TryStrToCurr(const AnsiString& s, Currency& value)
{
  std::int64_t scaled = 0;
  if (!ParseCurrency(s, scaled)) return false;
  value = Currency::FromScaled(scaled);
  return true;
}

Currency StrToCurr(const AnsiString& s) { return ConvertOrRaise(s, TryStrToCurr, SInvalidFloat); }
Currency StrToCurrDef(const AnsiString& s, Currency defaultValue) { return ConvertOrDefault(s, TryStrToCurr, defaultValue); }

double StrToFloat(const AnsiString& s) { return ConvertOrRaise(s, TryStrToFloat, SInvalidFloat); }
double StrToFloatDef(const AnsiString& s, double defaultValue) { return ConvertOrDefault(s, TryStrToFloat, defaultValue); }

// ---------------------------------------------------------------------------------------------------
// Strings

namespace {

std::wstring Wide(const AnsiString& s) { return Utf8ToUtf16(s.str()); }

AnsiString MapCase(const AnsiString& s, bool upper)
{
  std::wstring w = Wide(s);
  if (w.empty()) return s;
  if (upper) CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
  else CharLowerBuffW(w.data(), static_cast<DWORD>(w.size()));
  return AnsiString(Utf16ToUtf8(w));
}

int PlatformCompare(const AnsiString& a, const AnsiString& b, DWORD flags)
{
  const std::wstring wa = Wide(a), wb = Wide(b);
  const int result = CompareStringW(LOCALE_USER_DEFAULT, flags, wa.c_str(), static_cast<int>(wa.size()), wb.c_str(),
                                    static_cast<int>(wb.size()));
  return result == 0 ? CompareStr(a, b) : result - CSTR_EQUAL;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

AnsiString Trim(const AnsiString& s) { return s.Trim(); }
AnsiString TrimLeft(const AnsiString& s) { return s.TrimLeft(); }
AnsiString TrimRight(const AnsiString& s) { return s.TrimRight(); }

AnsiString UpperCase(const AnsiString& s)
{
  std::string r = s.str();
  for (char& c : r) c = AsciiUpper(c);
  return AnsiString(std::move(r));
}

AnsiString LowerCase(const AnsiString& s)
{
  std::string r = s.str();
  for (char& c : r) c = AsciiLower(c);
  return AnsiString(std::move(r));
}

AnsiString AnsiUpperCase(const AnsiString& s) { return MapCase(s, true); }
AnsiString AnsiLowerCase(const AnsiString& s) { return MapCase(s, false); }

int CompareStr(const AnsiString& a, const AnsiString& b)
{
  const int n = a.Length() < b.Length() ? a.Length() : b.Length();
  for (int i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(a.c_str()[i]) - static_cast<unsigned char>(b.c_str()[i]);
    if (d) return d;
  }
  return a.Length() - b.Length();
}

int CompareText(const AnsiString& a, const AnsiString& b)
{
  const int n = a.Length() < b.Length() ? a.Length() : b.Length();
  for (int i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(AsciiUpper(a.c_str()[i])) - static_cast<unsigned char>(AsciiUpper(b.c_str()[i]));
    if (d) return d;
  }
  return a.Length() - b.Length();
}

bool SameText(const AnsiString& a, const AnsiString& b) { return CompareText(a, b) == 0; }
int AnsiCompareStr(const AnsiString& a, const AnsiString& b) { return PlatformCompare(a, b, 0); }
int AnsiCompareText(const AnsiString& a, const AnsiString& b) { return PlatformCompare(a, b, NORM_IGNORECASE); }
bool AnsiSameText(const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) == 0; }

AnsiString QuotedStr(const AnsiString& s) { return "'" + StringReplaceAll(s, "'", "''") + "'"; }

AnsiString StringReplaceAll(const AnsiString& s, const AnsiString& from, const AnsiString& to)
{
  if (from.IsEmpty()) return s;
  std::string r = s.str();
  for (size_t at = r.find(from.str()); at != std::string::npos; at = r.find(from.str(), at + to.str().size()))
    r.replace(at, from.str().size(), to.str());
  return AnsiString(std::move(r));
}

namespace {

// Where pattern occurs in text at or after from (a byte offset), compared as AnsiSameText does;
// npos when nowhere. Upper-cased copies are searched when casing keeps every byte where it was.
size_t FindText(const std::string& text, const std::string& pattern, size_t from, bool ignoreCase,
                const std::string& upperText, const std::string& upperPattern)
{
  if (!ignoreCase) return text.find(pattern, from);
  if (upperText.size() == text.size() && upperPattern.size() == pattern.size()) return upperText.find(upperPattern, from);
  for (size_t at = from; at + pattern.size() <= text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;  // inside a character
    if (AnsiSameText(AnsiString(text.substr(at, pattern.size())), AnsiString(pattern))) return at;
  }
  return std::string::npos;
}

}  // namespace

AnsiString StringReplace(const AnsiString& s, const AnsiString& oldPattern, const AnsiString& newPattern,
                         TReplaceFlags flags)
{
  if (oldPattern.IsEmpty()) return s;
  const bool ignoreCase = flags.Contains(rfIgnoreCase);
  const std::string& text = s.str();
  const std::string& pattern = oldPattern.str();
  const std::string upperText = ignoreCase ? AnsiUpperCase(s).str() : std::string();
  const std::string upperPattern = ignoreCase ? AnsiUpperCase(oldPattern).str() : std::string();
  std::string result;
  size_t done = 0;
  for (size_t at = FindText(text, pattern, 0, ignoreCase, upperText, upperPattern); at != std::string::npos;
       at = FindText(text, pattern, done, ignoreCase, upperText, upperPattern)) {
    result.append(text, done, at - done);
    result += newPattern.str();
    done = at + pattern.size();
    if (!flags.Contains(rfReplaceAll)) break;
  }
  result.append(text, done, std::string::npos);
  return AnsiString(std::move(result));
}

int AnsiPos(const AnsiString& substr, const AnsiString& s)
{
  if (substr.IsEmpty()) return 0;
  const size_t at = s.str().find(substr.str());
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

// ---------------------------------------------------------------------------------------------------
// File names

namespace {

bool IsPathDelimiter(char c) { return c == '\\' || c == '/'; }

// 1-based position of the last character of `delimiters` in s, 0 if none.
int LastDelimiter(const AnsiString& s, const char* delimiters)
{
  for (int i = s.Length(); i >= 1; --i)
    if (std::strchr(delimiters, s.c_str()[i - 1])) return i;
  return 0;
}

DWORD Attributes(const AnsiString& name) { return GetFileAttributesW(Wide(name).c_str()); }

}  // namespace

AnsiString ExtractFilePath(const AnsiString& fileName) { return fileName.SubString(1, LastDelimiter(fileName, "\\/:")); }

AnsiString ExtractFileDir(const AnsiString& fileName)
{
  int i = LastDelimiter(fileName, "\\/:");
  if (i > 1 && IsPathDelimiter(fileName.c_str()[i - 1]) && !std::strchr("\\/:", fileName.c_str()[i - 2])) --i;
  return fileName.SubString(1, i);
}

AnsiString ExtractFileName(const AnsiString& fileName)
{
  return fileName.SubString(LastDelimiter(fileName, "\\/:") + 1, INT_MAX);
}

AnsiString ExtractFileExt(const AnsiString& fileName)
{
  const int i = LastDelimiter(fileName, ".\\/:");
  if (i > 0 && fileName.c_str()[i - 1] == '.') return fileName.SubString(i, INT_MAX);
  return {};
}

AnsiString ExtractFileDrive(const AnsiString& fileName)
{
  const char* s = fileName.c_str();
  if (fileName.Length() >= 2 && s[1] == ':') return fileName.SubString(1, 2);
  if (fileName.Length() >= 2 && IsPathDelimiter(s[0]) && IsPathDelimiter(s[1])) {
    // "\\server\share": up to the delimiter after the share name.
    int separators = 0;
    int i = 3;
    for (; i <= fileName.Length(); ++i) {
      if (IsPathDelimiter(s[i - 1]) && ++separators == 2) break;
    }
    return fileName.SubString(1, i - 1);
  }
  return {};
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension)
{
  const int i = LastDelimiter(fileName, ".\\/:");
  if (i == 0 || fileName.c_str()[i - 1] != '.') return fileName + extension;
  return fileName.SubString(1, i - 1) + extension;
}

AnsiString IncludeTrailingBackslash(const AnsiString& path)
{
  if (!path.IsEmpty() && IsPathDelimiter(path.c_str()[path.Length() - 1])) return path;
  return path + "\\";
}

AnsiString ExcludeTrailingBackslash(const AnsiString& path)
{
  if (!path.IsEmpty() && IsPathDelimiter(path.c_str()[path.Length() - 1])) return path.SubString(1, path.Length() - 1);
  return path;
}

AnsiString ExpandFileName(const AnsiString& fileName)
{
  const std::wstring w = Wide(fileName);
  wchar_t* namePart = nullptr;
  const DWORD needed = GetFullPathNameW(w.c_str(), 0, nullptr, &namePart);
  if (needed == 0) return fileName;
  std::wstring full(needed, L'\0');
  const DWORD written = GetFullPathNameW(w.c_str(), needed, full.data(), &namePart);
  full.resize(written < needed ? written : 0);
  return AnsiString(Utf16ToUtf8(full));
}

bool FileExists(const AnsiString& fileName)
{
  const DWORD a = Attributes(fileName);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const AnsiString& directory)
{
  const DWORD a = Attributes(directory);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const AnsiString& directory) { return CreateDirectoryW(Wide(directory).c_str(), nullptr) != 0; }
bool RemoveDir(const AnsiString& directory) { return RemoveDirectoryW(Wide(directory).c_str()) != 0; }

bool ForceDirectories(const AnsiString& directory)
{
  const AnsiString dir = ExcludeTrailingBackslash(directory);
  if (dir.IsEmpty()) return false;
  if (DirectoryExists(dir)) return true;
  const AnsiString parent = ExtractFilePath(dir);
  if (parent.Length() < dir.Length() && !parent.IsEmpty() && !ForceDirectories(parent)) return false;
  return CreateDir(dir) || DirectoryExists(dir);
}

AnsiString GetCurrentDir()
{
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  std::wstring dir(needed, L'\0');
  const DWORD written = GetCurrentDirectoryW(needed, dir.data());
  dir.resize(written < needed ? written : 0);
  return AnsiString(Utf16ToUtf8(dir));
}

// ---------------------------------------------------------------------------------------------------
// File searches

namespace {

constexpr int faSpecial = faHidden | faSysFile | faVolumeID | faDirectory;

// Skips entries carrying an excluded attribute, then fills the record from the current entry.
int FindMatchingFile(TSearchRec& f)
{
  while (f.FindData.dwFileAttributes & static_cast<DWORD>(f.ExcludeAttr)) {
    if (!FindNextFileW(f.FindHandle, &f.FindData)) return static_cast<int>(GetLastError());
  }
  FILETIME local{};
  FileTimeToLocalFileTime(&f.FindData.ftLastWriteTime, &local);
  WORD dosDate = 0, dosTime = 0;
  FileTimeToDosDateTime(&local, &dosDate, &dosTime);
  f.Time = static_cast<int>((static_cast<DWORD>(dosDate) << 16) | dosTime);
  f.Size = (static_cast<std::int64_t>(f.FindData.nFileSizeHigh) << 32) | f.FindData.nFileSizeLow;
  f.Attr = static_cast<int>(f.FindData.dwFileAttributes);
  f.Name = AnsiString(Utf16ToUtf8(f.FindData.cFileName));
  return 0;
}

}  // namespace

TSearchRec::TSearchRec(TSearchRec&& other) noexcept
    : Time(other.Time), Size(other.Size), Attr(other.Attr), Name(std::move(other.Name)), ExcludeAttr(other.ExcludeAttr),
      FindHandle(other.FindHandle), FindData(other.FindData)
{
  other.FindHandle = INVALID_HANDLE_VALUE;
}

TSearchRec& TSearchRec::operator=(TSearchRec&& other) noexcept
{
  if (this == &other) return *this;
  FindClose(*this);
  Time = other.Time;
  Size = other.Size;
  Attr = other.Attr;
  Name = std::move(other.Name);
  ExcludeAttr = other.ExcludeAttr;
  FindHandle = other.FindHandle;
  FindData = other.FindData;
  other.FindHandle = INVALID_HANDLE_VALUE;
  return *this;
}

TSearchRec::~TSearchRec() { FindClose(*this); }

int FindFirst(const AnsiString& path, int attr, TSearchRec& f)
{
  FindClose(f);
  f.ExcludeAttr = ~attr & faSpecial;
  f.FindHandle = FindFirstFileW(Wide(path).c_str(), &f.FindData);
  if (f.FindHandle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  const int result = FindMatchingFile(f);
  if (result != 0) FindClose(f);
  return result;
}

int FindNext(TSearchRec& f)
{
  if (f.FindHandle == INVALID_HANDLE_VALUE) return ERROR_NO_MORE_FILES;
  if (!FindNextFileW(f.FindHandle, &f.FindData)) return static_cast<int>(GetLastError());
  return FindMatchingFile(f);
}

void FindClose(TSearchRec& f)
{
  if (f.FindHandle == INVALID_HANDLE_VALUE) return;
  ::FindClose(f.FindHandle);
  f.FindHandle = INVALID_HANDLE_VALUE;
}

// ---------------------------------------------------------------------------------------------------
// Win32 errors

AnsiString SysErrorMessage(DWORD errorCode)
{
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  if (!buffer) return {};
  std::wstring text(buffer, length);
  LocalFree(buffer);
  // The system's texts end in a period and a line break; the VCL drops both.
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
  return AnsiString(Utf16ToUtf8(text));
}

DWORD GetLastErrorCode() { return GetLastError(); }

void RaiseLastWin32Error()
{
  const DWORD code = GetLastError();
  if (code == ERROR_SUCCESS) throw EWin32Error(SUnkWin32Error);
  throw EWin32Error(Format(SWin32Error, {static_cast<int>(code), SysErrorMessage(code)}), code);
}

void RaiseLastOSError()
{
  const DWORD code = GetLastError();
  if (code == ERROR_SUCCESS) throw EOSError(SUnkOSError);
  throw EOSError(Format(SOSError, {static_cast<int>(code), SysErrorMessage(code)}), code);
}

BOOL Win32Check(BOOL result)
{
  if (!result) RaiseLastWin32Error();
  return result;
}
