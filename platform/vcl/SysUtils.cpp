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
// Numbers to text

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string ZeroPad(const std::string& digits, int width)
{
  const int missing = width - static_cast<int>(digits.size());
  return missing > 0 ? std::string(static_cast<size_t>(missing), '0') + digits : digits;
}

std::string SpecialFloat(double value)
{
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// The value's decimal digits as the VCL takes them: 18 significant digits of the exact binary value
// (value = d.ddd... x 10^exponent, digits without the point).
void DecimalDigits(double value, std::string& digits, int& exponent)
{
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
  digits.clear();
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (IsDigit(*p)) digits += *p;
  exponent = *p == 'e' ? std::atoi(p + 1) : 0;
}

// Keeps the first `keep` digits, rounding half away from zero on the decimal digits (not the binary
// value): 2.5 gives 3 and 0.125 gives 0.13, while 2.675, which is 2.67499999... in binary, stays 2.67.
// A carry out of the first digit adds a leading 1 and raises the exponent; keep <= 0 leaves "" (zero)
// or, when the first dropped digit rounds up, "1" one place higher.
void RoundDigits(std::string& digits, int& exponent, int keep)
{
  if (keep >= static_cast<int>(digits.size())) return;
  const bool up = keep >= 0 && digits[static_cast<size_t>(keep)] >= '5';
  digits.resize(static_cast<size_t>(std::max(keep, 0)));
  if (!up) return;
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
  ++exponent;
}

// Digits and decimal exponent of |value| rounded to `precision` significant digits.
void Significant(double value, int precision, std::string& digits, int& exponent)
{
  DecimalDigits(value, digits, exponent);
  RoundDigits(digits, exponent, precision);
  digits.resize(static_cast<size_t>(precision), '0');
}

std::string ScientificText(bool negative, const std::string& digits, int exponent, int minExponentDigits, bool plusSign)
{
  std::string text = negative ? "-" : "";
  text += digits[0];
  if (digits.size() > 1) text += "." + digits.substr(1);
  text += 'E';
  if (exponent < 0) text += '-';
  else if (plusSign) text += '+';
  return text + ZeroPad(std::to_string(exponent < 0 ? -exponent : exponent), minExponentDigits);
}

// The general format: the shortest text with `precision` significant digits, fixed unless the
// exponent is at least the precision or below -4.
std::string GeneralText(double value, int precision)
{
  if (!std::isfinite(value)) return SpecialFloat(value);
  if (value == 0) return "0";
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  std::string digits;
  int exponent = 0;
  Significant(value, precision, digits, exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const bool negative = value < 0;
  if (exponent >= precision || exponent < -4) return ScientificText(negative, digits, exponent, 0, false);
  std::string text = negative ? "-" : "";
  if (exponent < 0) return text + "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  const size_t intDigits = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= intDigits) return text + digits + std::string(intDigits - digits.size(), '0');
  return text + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

std::string FixedText(double value, int decimals)
{
  if (!std::isfinite(value)) return SpecialFloat(value);
  if (decimals < 0) decimals = 0;
  if (decimals > 18) decimals = 18;
  std::string digits;
  int exponent = 0;
  DecimalDigits(value, digits, exponent);
  if (value == 0) digits.clear();
  RoundDigits(digits, exponent, exponent + 1 + decimals);
  std::string whole, fraction;
  if (digits.empty()) {
    whole = "0";
  } else if (exponent >= 0) {
    const size_t wholeDigits = static_cast<size_t>(exponent) + 1;
    whole = digits.substr(0, wholeDigits);
    whole.resize(wholeDigits, '0');
    if (digits.size() > wholeDigits) fraction = digits.substr(wholeDigits);
  } else {
    whole = "0";
    fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  fraction.resize(static_cast<size_t>(decimals), '0');
  // A value that rounds to zero is plain zero, never "-0.00".
  const bool negative = value < 0 && (whole + fraction).find_first_not_of('0') != std::string::npos;
  return (negative ? "-" : "") + whole + (decimals > 0 ? "." + fraction : "");
}

std::string ExponentText(double value, int precision)
{
  if (!std::isfinite(value)) return SpecialFloat(value);
  if (precision < 1) precision = 1;
  if (precision > 18) precision = 18;
  std::string digits;
  int exponent = 0;
  Significant(value, precision, digits, exponent);
  return ScientificText(value < 0, digits, exponent, 3, true);
}

std::string WithThousands(std::string text)
{
  const size_t start = text[0] == '-' ? 1 : 0;
  size_t end = text.find('.');
  if (end == std::string::npos) end = text.size();
  for (size_t i = end; i > start + 3; i -= 3) text.insert(i - 3, ",");
  return text;
}

std::string HexText(std::uint64_t value, int minDigits)
{
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
  return ZeroPad(buffer, minDigits);
}

}  // namespace

AnsiString IntToStr(int value) { return AnsiString(std::to_string(value)); }
AnsiString IntToStr(std::int64_t value) { return AnsiString(std::to_string(value)); }

AnsiString IntToHex(int value, int digits) { return AnsiString(HexText(static_cast<std::uint32_t>(value), digits)); }
AnsiString IntToHex(std::int64_t value, int digits) { return AnsiString(HexText(static_cast<std::uint64_t>(value), digits)); }

AnsiString FloatToStr(double value) { return AnsiString(GeneralText(value, 15)); }

AnsiString CurrToStr(Currency value)
{
  const std::int64_t v = value.Val;
  const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  std::string text = (v < 0 ? "-" : "") + std::to_string(magnitude / 10000);
  std::string fraction = std::to_string(magnitude % 10000 + 10000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return AnsiString(text);
}

AnsiString BoolToStr(bool value, bool useBoolStrs)
{
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

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
// Format

namespace {

class Formatter {
public:
  Formatter(const AnsiString& format, const TVarRec* args, int count) : format_(format), args_(args), count_(count) {}

  AnsiString Run()
  {
    const char* p = format_.c_str();
    while (*p) {
      if (*p != '%') {
        out_ += *p++;
        continue;
      }
      ++p;
      if (*p == '%') {
        out_ += *p++;
        continue;
      }
      p = Spec(p);
    }
    return AnsiString(std::move(out_));
  }

private:
  [[noreturn]] void Invalid() const { throw EConvertError(SInvalidFormat, {format_}); }

  const TVarRec& Next()
  {
    if (next_ >= count_) throw EConvertError(SArgumentMissing, {format_});
    return args_[next_++];
  }

  // A number in the specifier, or '*' taken from the arguments; -1 when absent.
  int Number(const char*& p)
  {
    if (*p == '*') {
      ++p;
      const TVarRec& arg = Next();
      if (arg.VType != TVarRec::vtInteger && arg.VType != TVarRec::vtInt64) Invalid();
      return static_cast<int>(arg.VInt64);
    }
    if (!IsDigit(*p)) return -1;
    int n = 0;
    while (IsDigit(*p)) n = n * 10 + (*p++ - '0');
    return n;
  }

  const char* Spec(const char* p)
  {
    int number = Number(p);
    if (*p == ':') {
      ++p;
      next_ = number < 0 ? 0 : number;
      number = -1;
    }
    bool left = false;
    if (number < 0 && *p == '-') {
      left = true;
      ++p;
    }
    int width = number >= 0 ? number : Number(p);
    int precision = -1;
    if (*p == '.') {
      ++p;
      precision = Number(p);
      if (precision < 0) precision = 0;
    }
    const char type = *p;
    if (!type) Invalid();
    ++p;
    Pad(Convert(type, precision), width, left);
    return p;
  }

  static bool IsInteger(const TVarRec& a) { return a.VType == TVarRec::vtInteger || a.VType == TVarRec::vtInt64; }

  static double FloatOf(const TVarRec& a)
  {
    return a.VType == TVarRec::vtCurrency ? static_cast<double>(a.VInt64) / 10000.0 : a.VDouble;
  }

  std::string Convert(char type, int precision)
  {
    const TVarRec& arg = Next();
    switch (type) {
      case 'd': case 'D': return IntegerText(arg, precision, false);
      case 'u': case 'U': return IntegerText(arg, precision, true);
      case 'x': case 'X': {
        if (!IsInteger(arg)) Invalid();
        const std::uint64_t v = arg.VType == TVarRec::vtInteger ? static_cast<std::uint32_t>(arg.VInt64) : static_cast<std::uint64_t>(arg.VInt64);
        return HexText(v, precision);
      }
      case 'e': case 'E': return ExponentText(FloatArg(arg), precision < 0 ? 15 : precision);
      case 'f': case 'F': return FixedText(FloatArg(arg), precision < 0 ? 2 : precision);
      case 'g': case 'G': return GeneralText(FloatArg(arg), precision < 0 ? 15 : precision);
      case 'n': case 'N': case 'm': case 'M': return WithThousands(FixedText(FloatArg(arg), precision < 0 ? 2 : precision));
      case 'p': case 'P':
        if (arg.VType != TVarRec::vtPointer) Invalid();
        // As wide as a pointer: 8 digits on 32-bit Windows, 16 on 64-bit.
        return HexText(reinterpret_cast<std::uintptr_t>(arg.VPointer), static_cast<int>(2 * sizeof(void*)));
      case 's': case 'S': return StringText(arg, precision);
      default: Invalid();
    }
  }

  double FloatArg(const TVarRec& arg) const
  {
    if (arg.VType != TVarRec::vtExtended && arg.VType != TVarRec::vtCurrency) Invalid();
    return FloatOf(arg);
  }

  std::string IntegerText(const TVarRec& arg, int precision, bool asUnsigned) const
  {
    if (!IsInteger(arg)) Invalid();
    std::int64_t v = arg.VInt64;
    if (asUnsigned && arg.VType == TVarRec::vtInteger) v = static_cast<std::uint32_t>(v);
    const bool negative = v < 0 && !asUnsigned;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    const std::string digits = ZeroPad(std::to_string(magnitude), precision);
    return negative ? "-" + digits : digits;
  }

  std::string StringText(const TVarRec& arg, int precision) const
  {
    if (arg.VType != TVarRec::vtString && arg.VType != TVarRec::vtChar) Invalid();
    std::string text = arg.VString.str();
    if (precision < 0 || precision >= static_cast<int>(text.size())) return text;
    // The precision counts bytes; a cut never splits a UTF-8 sequence.
    size_t cut = static_cast<size_t>(precision);
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
  }

  // Width counts characters (UTF-8 sequences), so columns of Hebrew line up too.
  void Pad(const std::string& text, int width, bool left)
  {
    int characters = 0;
    for (char c : text)
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    const std::string padding(width > characters ? static_cast<size_t>(width - characters) : 0, ' ');
    out_ += left ? text + padding : padding + text;
  }

  const AnsiString& format_;
  const TVarRec* args_;
  int count_;
  int next_ = 0;
  std::string out_;
};

}  // namespace

AnsiString Format(const AnsiString& format, std::initializer_list<TVarRec> args)
{
  return Formatter(format, args.begin(), static_cast<int>(args.size())).Run();
}

AnsiString Format(const AnsiString& format, const TVarRec* args, int high)
{
  return Formatter(format, args, args ? high + 1 : 0).Run();
}

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

const char* const ShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[] = {"January", "February", "March", "April", "May", "June",
                                      "July", "August", "September", "October", "November", "December"};
const char* const ShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

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

AnsiString DateToStr(TDateTime date) { return FormatDateTime("dd/mm/yyyy", date); }
AnsiString TimeToStr(TDateTime time) { return FormatDateTime("hh:nn:ss", time); }

AnsiString DateTimeToStr(TDateTime dateTime)
{
  std::int64_t days = 0, msecs = 0;
  SplitDateTime(dateTime, days, msecs);
  return msecs == 0 ? DateToStr(dateTime) : FormatDateTime("dd/mm/yyyy hh:nn:ss", dateTime);
}

namespace {

class DateFormatter {
public:
  explicit DateFormatter(TDateTime value) : value_(value)
  {
    DecodeDate(value, year_, month_, day_);
    DecodeTime(value, hour_, min_, sec_, msec_);
    dayOfWeek_ = DayOfWeek(value);
  }

  std::string Run(const std::string& format)
  {
    const bool twelveHour = HasAmPm(format);
    size_t i = 0;
    while (i < format.size()) {
      const char c = format[i];
      const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const size_t run = RunLength(format, i, lc);
      if (c == '"' || c == '\'') {
        const size_t close = format.find(c, i + 1);
        const size_t end = close == std::string::npos ? format.size() : close;
        out_ += format.substr(i + 1, end - i - 1);
        i = end + 1;
        continue;
      }
      if (lc == 'a' && IsAmPm(format, i)) {
        i += AmPm(format, i);
        continue;
      }
      i += Token(lc, run, twelveHour, c);
    }
    return out_;
  }

private:
  static size_t RunLength(const std::string& s, size_t i, char lc)
  {
    size_t n = 0;
    while (i + n < s.size() && std::tolower(static_cast<unsigned char>(s[i + n])) == lc) ++n;
    return n;
  }

  static bool StartsWithNoCase(const std::string& s, size_t i, const char* word)
  {
    for (size_t k = 0; word[k]; ++k)
      if (i + k >= s.size() || std::tolower(static_cast<unsigned char>(s[i + k])) != word[k]) return false;
    return true;
  }

  static bool IsAmPm(const std::string& s, size_t i) { return StartsWithNoCase(s, i, "am/pm") || StartsWithNoCase(s, i, "a/p"); }

  static bool HasAmPm(const std::string& s)
  {
    for (size_t i = 0; i < s.size(); ++i)
      if (IsAmPm(s, i)) return true;
    return false;
  }

  size_t AmPm(const std::string& s, size_t i)
  {
    const bool pm = hour_ >= 12;
    if (StartsWithNoCase(s, i, "am/pm")) {
      out_ += pm ? "pm" : "am";
      return 5;
    }
    out_ += pm ? "p" : "a";
    return 3;
  }

  void Number(int value, int width)
  {
    out_ += ZeroPad(std::to_string(value), width);
  }

  // One token of run `run` starting with letter lc; answers how many characters it used.
  size_t Token(char lc, size_t run, bool twelveHour, char c)
  {
    switch (lc) {
      case 'y':
        if (run >= 3) Number(year_, 4);
        else Number(year_ % 100, 2);
        return run;
      case 'm':
        if (lastWasHour_ && run <= 2) {
          Number(min_, run == 2 ? 2 : 1);
          lastWasHour_ = false;
          return run;
        }
        if (run >= 4) out_ += month_ ? LongMonthNames[month_ - 1] : "";
        else if (run == 3) out_ += month_ ? ShortMonthNames[month_ - 1] : "";
        else Number(month_, static_cast<int>(run));
        return run > 4 ? 4 : run;
      case 'd':
        if (run >= 4) out_ += LongDayNames[dayOfWeek_ - 1];
        else if (run == 3) out_ += ShortDayNames[dayOfWeek_ - 1];
        else Number(day_, static_cast<int>(run));
        return run > 4 ? 4 : run;
      case 'h': {
        int h = hour_;
        if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
        Number(h, run >= 2 ? 2 : 1);
        lastWasHour_ = true;
        return run > 2 ? 2 : run;
      }
      case 'n':
        Number(min_, run >= 2 ? 2 : 1);
        return run > 2 ? 2 : run;
      case 's':
        Number(sec_, run >= 2 ? 2 : 1);
        return run > 2 ? 2 : run;
      case 'z':
        Number(msec_, run >= 3 ? 3 : 1);
        return run > 3 ? 3 : run;
      case 'c':
        out_ += DateFormatter(value_).Run("dd/mm/yyyy");
        if (hour_ || min_ || sec_ || msec_) out_ += " " + DateFormatter(value_).Run("hh:nn:ss");
        return 1;
      default:
        out_ += c;
        return 1;
    }
  }

  TDateTime value_;
  unsigned short year_ = 0, month_ = 0, day_ = 0, hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0;
  int dayOfWeek_ = 1;
  bool lastWasHour_ = false;
  std::string out_;
};

}  // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime dateTime)
{
  return AnsiString(DateFormatter(dateTime).Run(format.str()));
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
