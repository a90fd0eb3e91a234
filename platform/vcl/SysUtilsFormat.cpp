// SysUtils: numbers to text, Format, FloatToStrF, FormatFloat and the currency forms.
#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Consts.h"

// ---------------------------------------------------------------------------------------------------
// Format settings. Fixed defaults, the same on every machine: the stand-in does not take them from the
// user's locale.
AnsiString CurrencyString = "$";
unsigned char CurrencyFormat = 0;
unsigned char NegCurrFormat = 0;
unsigned char CurrencyDecimals = 2;
char ThousandSeparator = ',';
char DecimalSeparator = '.';

// ---------------------------------------------------------------------------------------------------
// Decimal digits

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

// A finite number as decimal digits: |value| = d.ddd... x 10^Exponent. No digits means zero.
struct Decimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

void TrimTrailingZeros(Decimal& d)
{
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  if (d.Digits.empty()) d.Exponent = 0;
}

// The value's decimal digits as the VCL takes them: 18 significant digits of the exact binary value.
Decimal DecimalOf(double value)
{
  Decimal d;
  d.Negative = std::signbit(value);
  if (value == 0) return d;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (IsDigit(*p)) d.Digits += *p;
  d.Exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  TrimTrailingZeros(d);
  return d;
}

// A currency value's digits, exactly: no binary floating point on the way.
Decimal DecimalOf(Currency value)
{
  Decimal d;
  d.Negative = value.Val < 0;
  const std::uint64_t magnitude = d.Negative ? 0 - static_cast<std::uint64_t>(value.Val) : static_cast<std::uint64_t>(value.Val);
  if (magnitude == 0) return d;
  d.Digits = std::to_string(magnitude);
  d.Exponent = static_cast<int>(d.Digits.size()) - 5;  // four of the digits are ten-thousandths
  TrimTrailingZeros(d);
  return d;
}

// Keeps the first `keep` digits, rounding half away from zero on the decimal digits (not the binary
// value): 2.5 gives 3 and 0.125 gives 0.13, while 2.675, which is 2.67499999... in binary, stays 2.67.
// A carry out of the first digit adds a leading 1 and raises the exponent; keep <= 0 leaves zero or,
// when the first dropped digit rounds up, "1" one place higher.
void Round(Decimal& d, int keep)
{
  if (keep >= static_cast<int>(d.Digits.size())) return;
  const bool up = keep >= 0 && d.Digits[static_cast<size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<size_t>(std::max(keep, 0)));
  if (up) {
    size_t i = d.Digits.size();
    while (i > 0 && d.Digits[i - 1] == '9') d.Digits[--i] = '0';
    if (i == 0) {
      d.Digits.insert(d.Digits.begin(), '1');
      if (keep > 0) d.Digits.pop_back();
      ++d.Exponent;
    } else {
      ++d.Digits[i - 1];
    }
  }
  TrimTrailingZeros(d);
}

// Rounds to `decimals` places after the point.
void RoundToDecimals(Decimal& d, int decimals)
{
  if (!d.Digits.empty()) Round(d, d.Exponent + 1 + decimals);
}

// The digits before and after the point of a rounded number (whole "" for a value below one).
void SplitAtPoint(const Decimal& d, std::string& whole, std::string& fraction)
{
  whole.clear();
  fraction.clear();
  if (d.Digits.empty()) return;
  if (d.Exponent >= 0) {
    const size_t wholeDigits = static_cast<size_t>(d.Exponent) + 1;
    whole = d.Digits.substr(0, wholeDigits);
    whole.resize(wholeDigits, '0');
    if (d.Digits.size() > wholeDigits) fraction = d.Digits.substr(wholeDigits);
  } else {
    fraction = std::string(static_cast<size_t>(-d.Exponent - 1), '0') + d.Digits;
  }
}

std::string Grouped(const std::string& whole)
{
  if (!ThousandSeparator) return whole;
  std::string text;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) text += ThousandSeparator;
    text += whole[i];
  }
  return text;
}

// Digits with the point: "123.45", always a whole part, exactly `decimals` decimals.
std::string FixedDigits(const Decimal& rounded, int decimals, bool thousands)
{
  std::string whole, fraction;
  SplitAtPoint(rounded, whole, fraction);
  if (whole.empty()) whole = "0";
  fraction.resize(static_cast<size_t>(decimals), '0');
  if (thousands) whole = Grouped(whole);
  return decimals > 0 ? whole + DecimalSeparator + fraction : whole;
}

std::string ExponentDigits(int exponent, int minDigits, bool plusSign)
{
  std::string text = exponent < 0 ? "-" : plusSign ? "+" : "";
  return text + ZeroPad(std::to_string(exponent < 0 ? -exponent : exponent), minDigits);
}

// d.dddE[sign]x with the digits as given.
std::string ScientificDigits(const Decimal& d, int minExponentDigits, bool plusSign)
{
  const std::string digits = d.Digits.empty() ? "0" : d.Digits;
  std::string text(1, digits[0]);
  if (digits.size() > 1) text += DecimalSeparator + digits.substr(1);
  return text + "E" + ExponentDigits(d.Digits.empty() ? 0 : d.Exponent, minExponentDigits, plusSign);
}

std::string Signed(const Decimal& d, const std::string& text) { return d.Negative && !d.Digits.empty() ? "-" + text : text; }

int Clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

// The general format: the shortest text with `precision` significant digits, fixed unless the
// exponent is at least the precision or below -4.
std::string GeneralText(Decimal d, int precision, int minExponentDigits = 0)
{
  Round(d, Clamp(precision, 1, 19));
  if (d.Digits.empty()) return "0";
  if (d.Exponent >= precision || d.Exponent < -4) return Signed(d, ScientificDigits(d, minExponentDigits, false));
  return Signed(d, FixedDigits(d, std::max(0, static_cast<int>(d.Digits.size()) - 1 - d.Exponent), false));
}

std::string ExponentText(Decimal d, int precision, int minExponentDigits)
{
  precision = Clamp(precision, 1, 19);
  Round(d, precision);
  d.Digits.resize(static_cast<size_t>(precision), '0');
  if (d.Digits.find_first_not_of('0') == std::string::npos) d.Exponent = 0;
  const std::string text = ScientificDigits(d, minExponentDigits, true);
  return d.Negative && d.Digits.find_first_not_of('0') != std::string::npos ? "-" + text : text;
}

// Fixed, number and currency forms round once, at whichever comes first of `precision` significant
// digits and `decimals` places; a value too large for the precision goes to the general form.
bool RoundFixed(Decimal& d, int precision, int decimals)
{
  if (!d.Digits.empty() && d.Exponent >= precision) return false;
  Round(d, std::min(precision, d.Exponent + 1 + decimals));
  return true;
}

// Where the currency symbol and the sign go: '$' stands for CurrencyString, '1' for the number.
const char* const PositiveCurrencyForms[] = {"$1", "1$", "$ 1", "1 $"};
const char* const NegativeCurrencyForms[] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
                                             "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};

std::string CurrencyText(const Decimal& rounded, int decimals)
{
  const std::string number = FixedDigits(rounded, decimals, true);
  const bool negative = rounded.Negative && !rounded.Digits.empty();
  const char* form = negative ? NegativeCurrencyForms[NegCurrFormat % 16] : PositiveCurrencyForms[CurrencyFormat % 4];
  std::string text;
  for (const char* p = form; *p; ++p) {
    if (*p == '$') text += CurrencyString.str();
    else if (*p == '1') text += number;
    else text += *p;
  }
  return text;
}

std::string FloatText(Decimal d, TFloatFormat format, int precision, int digits)
{
  switch (format) {
    case ffGeneral: return GeneralText(d, precision, Clamp(digits, 0, 4));
    case ffExponent: return ExponentText(d, precision, Clamp(digits, 0, 4));
    case ffFixed: case ffNumber: case ffCurrency: break;
  }
  digits = Clamp(digits, 0, 18);
  if (!RoundFixed(d, precision, digits)) return GeneralText(d, precision);
  if (format == ffCurrency) return CurrencyText(d, digits);
  return Signed(d, FixedDigits(d, digits, format == ffNumber));
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

AnsiString FloatToStr(double value)
{
  if (!std::isfinite(value)) return AnsiString(SpecialFloat(value));
  return AnsiString(GeneralText(DecimalOf(value), 15));
}

AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
  if (!std::isfinite(value)) return AnsiString(SpecialFloat(value));
  return AnsiString(FloatText(DecimalOf(value), format, Clamp(precision, 1, 18), digits));
}

AnsiString CurrToStrF(Currency value, TFloatFormat format, int digits)
{
  // Every digit a currency holds counts: 19 significant digits.
  return AnsiString(FloatText(DecimalOf(value), format, 19, digits));
}

AnsiString CurrToStr(Currency value) { return CurrToStrF(value, ffGeneral, 0); }

AnsiString BoolToStr(bool value, bool useBoolStrs)
{
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}

// ---------------------------------------------------------------------------------------------------
// FormatFloat

namespace {

// One section of a FormatFloat pattern, taken apart: placeholders before and after the point, the
// exponent, and everything else kept as literal text in its place.
class FloatPattern {
public:
  explicit FloatPattern(const std::string& section) { Parse(section); }

  bool Scientific() const { return scientific_; }
  int Decimals() const { return fractionPlaces_; }

  // |value| laid into the pattern; the caller adds the sign.
  std::string Apply(Decimal d) const { return scientific_ ? ApplyScientific(d) : ApplyFixed(d); }

  // The value rounded as this pattern shows it.
  Decimal Rounded(Decimal d) const
  {
    if (scientific_) {
      Round(d, std::max(wholePlaces_ + fractionPlaces_, 1));
    } else {
      RoundToDecimals(d, fractionPlaces_);
    }
    return d;
  }

private:
  enum Kind { Digit, OptionalDigit, Point, Literal, Exponent };
  struct Item {
    Kind kind;
    std::string text;  // literal text, or the exponent's letter
    bool plusSign = false;
    int exponentDigits = 0;
  };

  void Parse(const std::string& s)
  {
    bool afterPoint = false;
    for (size_t i = 0; i < s.size();) {
      const char c = s[i];
      if (c == '"' || c == '\'') {
        const size_t close = s.find(c, i + 1);
        const size_t end = close == std::string::npos ? s.size() : close;
        items_.push_back({Literal, s.substr(i + 1, end - i - 1)});
        i = end + 1;
        continue;
      }
      if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') && !scientific_) {
        Item item{Exponent, std::string(1, c), s[i + 1] == '+'};
        i += 2;
        while (i < s.size() && s[i] == '0') ++item.exponentDigits, ++i;
        item.exponentDigits = std::min(item.exponentDigits, 4);
        items_.push_back(item);
        scientific_ = true;
        continue;
      }
      ++i;
      if ((c == '0' || c == '#') && !scientific_) {
        items_.push_back({c == '0' ? Digit : OptionalDigit, ""});
        if (afterPoint) {
          ++fractionPlaces_;
          if (c == '0') fractionZeros_ = fractionPlaces_;
        } else {
          ++wholePlaces_;
          if (c == '0' && wholeZeros_ < 0) wholeZeros_ = wholePlaces_ - 1;
        }
      } else if (c == '.' && !afterPoint && !scientific_) {
        afterPoint = true;
        items_.push_back({Point, ""});
      } else if (c == ',' && !afterPoint && !scientific_) {
        thousands_ = true;
      } else {
        items_.push_back({Literal, std::string(1, c)});
      }
    }
    // The first '0' before the point fixes how many whole digits always show.
    minWhole_ = wholeZeros_ < 0 ? 0 : wholePlaces_ - wholeZeros_;
  }

  // Lays whole digits into the placeholders before the point: the first placeholder takes any digits
  // the pattern has no room for; fraction digits fill the places after it in order.
  std::string Lay(const std::string& whole, const std::string& fraction) const
  {
    std::string out;
    int place = 0, fractionPlace = 0;
    const int extra = static_cast<int>(whole.size()) - wholePlaces_;
    auto wholeDigit = [&](size_t index) {
      out += whole[index];
      const size_t left = whole.size() - 1 - index;  // digits still to come
      if (thousands_ && left > 0 && left % 3 == 0 && ThousandSeparator) out += ThousandSeparator;
    };
    bool wholeDone = wholePlaces_ > 0;
    for (const Item& item : items_) {
      switch (item.kind) {
        case Digit:
        case OptionalDigit:
          if (place < wholePlaces_) {
            if (place == 0)
              for (int k = 0; k < extra; ++k) wholeDigit(static_cast<size_t>(k));
            const int index = place + extra;
            if (index >= 0) wholeDigit(static_cast<size_t>(index));
            ++place;
          } else {
            if (fractionPlace < static_cast<int>(fraction.size())) out += fraction[static_cast<size_t>(fractionPlace)];
            ++fractionPlace;
          }
          break;
        case Point:
          if (!wholeDone) {  // no placeholder before the point: the whole digits go here
            for (size_t k = 0; k < whole.size(); ++k) wholeDigit(k);
            wholeDone = true;
          }
          place = wholePlaces_;
          if (!fraction.empty()) out += DecimalSeparator;
          break;
        case Literal: out += item.text; break;
        case Exponent: break;  // written by the scientific form
      }
    }
    return out;
  }

  std::string ApplyFixed(const Decimal& rounded) const
  {
    std::string whole, fraction;
    SplitAtPoint(rounded, whole, fraction);
    whole = ZeroPad(whole, minWhole_);
    while (static_cast<int>(fraction.size()) > fractionZeros_ && !fraction.empty() && fraction.back() == '0') fraction.pop_back();
    fraction.resize(std::max(fraction.size(), static_cast<size_t>(fractionZeros_)), '0');
    return Lay(whole, fraction);
  }

  std::string ApplyScientific(const Decimal& rounded) const
  {
    // The exponent places the point after the pattern's whole placeholders.
    const int wholeDigits = wholePlaces_;
    std::string digits = rounded.Digits;
    const int exponent = digits.empty() ? 0 : rounded.Exponent - (wholeDigits - 1);
    digits.resize(static_cast<size_t>(std::max(wholeDigits + fractionPlaces_, static_cast<int>(digits.size()))), '0');
    std::string whole = digits.substr(0, static_cast<size_t>(wholeDigits));
    std::string fraction = digits.substr(static_cast<size_t>(wholeDigits));
    if (rounded.Digits.empty()) whole = ZeroPad("", minWhole_);
    while (static_cast<int>(fraction.size()) > fractionZeros_ && !fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string out = Lay(whole, fraction);
    for (const Item& item : items_)
      if (item.kind == Exponent) {
        // The exponent goes where it stood, before the literals that follow it.
        const size_t at = ExponentOffset(out);
        out.insert(at, item.text + ExponentDigits(exponent, item.exponentDigits, item.plusSign));
      }
    return out;
  }

  // Where in the laid-out text the exponent belongs: after everything laid before it.
  size_t ExponentOffset(const std::string& out) const
  {
    size_t trailing = 0;
    bool after = false;
    for (const Item& item : items_) {
      if (item.kind == Exponent) after = true;
      else if (after && item.kind == Literal) trailing += item.text.size();
    }
    return out.size() - std::min(trailing, out.size());
  }

  std::vector<Item> items_;
  int wholePlaces_ = 0, fractionPlaces_ = 0;
  int wholeZeros_ = -1, fractionZeros_ = 0, minWhole_ = 0;
  bool thousands_ = false, scientific_ = false;
};

// The pattern's sections: positive;negative;zero (quoted ';' does not split).
std::vector<std::string> Sections(const std::string& format)
{
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      if (sections.size() == 3) break;
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

}  // namespace

AnsiString FormatFloat(const AnsiString& format, double value)
{
  if (!std::isfinite(value)) return AnsiString(SpecialFloat(value));
  const std::vector<std::string> sections = Sections(format.str());
  if (sections.size() == 1 && sections[0].empty()) return FloatToStr(value);
  const Decimal d = DecimalOf(value);
  // The negative section, when there is one, shows |value| without a sign of its own.
  const bool negativeSection = d.Negative && !d.Digits.empty() && sections.size() > 1 && !sections[1].empty();
  const std::string& chosen = negativeSection ? sections[1] : sections[0];
  FloatPattern pattern(chosen);
  if (!pattern.Scientific() && !d.Digits.empty() && d.Exponent >= 18) return FloatToStrF(value, ffGeneral, 15, 0);
  Decimal rounded = pattern.Rounded(d);
  // A value that shows as zero takes the zero section when there is one, and never a minus sign.
  if (rounded.Digits.empty() && sections.size() > 2 && !sections[2].empty()) return AnsiString(FloatPattern(sections[2]).Apply(Decimal{}));
  const std::string text = pattern.Apply(rounded);
  const bool minus = d.Negative && !rounded.Digits.empty() && !negativeSection;
  return AnsiString(minus ? "-" + text : text);
}

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
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'n': case 'N': case 'm': case 'M':
        return FloatArgText(arg, type, precision);
      case 'p': case 'P':
        if (arg.VType != TVarRec::vtPointer) Invalid();
        // As wide as a pointer: 8 digits on 32-bit Windows, 16 on 64-bit.
        return HexText(reinterpret_cast<std::uintptr_t>(arg.VPointer), static_cast<int>(2 * sizeof(void*)));
      case 's': case 'S': return StringText(arg, precision);
      default: Invalid();
    }
  }

  // Currency arguments keep all their digits; %f, %n and %m default to two decimals, %m to
  // CurrencyDecimals.
  std::string FloatArgText(const TVarRec& arg, char type, int precision) const
  {
    if (arg.VType != TVarRec::vtExtended && arg.VType != TVarRec::vtCurrency) Invalid();
    if (arg.VType == TVarRec::vtExtended && !std::isfinite(arg.VDouble)) return SpecialFloat(arg.VDouble);
    const bool currency = arg.VType == TVarRec::vtCurrency;
    const Decimal d = currency ? DecimalOf(Currency::FromScaled(arg.VInt64)) : DecimalOf(arg.VDouble);
    const int digits = currency ? 19 : 18;
    switch (type | 0x20) {
      case 'e': return ExponentText(d, precision < 0 ? 15 : precision, 3);
      case 'g': return GeneralText(d, precision < 0 ? 15 : precision);
      case 'f': return FloatText(d, ffFixed, digits, precision < 0 ? 2 : precision);
      case 'n': return FloatText(d, ffNumber, digits, precision < 0 ? 2 : precision);
      default: return FloatText(d, ffCurrency, digits, precision < 0 ? CurrencyDecimals : precision);
    }
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
