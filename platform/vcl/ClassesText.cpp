// The text form of component streams (object ... end) and stored forms kept as RCDATA resources.
#include "Classes.h"
#include "VclByteOrder.h"
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const int kMaxTextDepth = 100;
const int kLineLength = 64;

// ===================================================================================================
// Binary to text
class TBinaryToText {
public:
  TBinaryToText(TStream* input, TStream* output) : FReader(input), FOutput(output) {}

  void Run()
  {
    FReader.ReadSignature();
    ConvertObject(0);
    Flush();
  }

private:
  void Put(const std::string& s) { FText += s; }
  void NewLine(int level)
  {
    FText += "\r\n";
    FText.append(size_t(level) * 2, ' ');
  }
  void Flush() { FOutput->WriteBuffer(FText.data(), int(FText.size())); }

  void ConvertObject(int level)
  {
    if (level > kMaxTextDepth) throw EReadError("Stream nesting is too deep");
    TFilerFlags flags;
    int childPos = 0;
    FReader.ReadPrefix(flags, childPos);
    AnsiString className = FReader.ReadStr();
    AnsiString name = FReader.ReadStr();
    Put(std::string(size_t(level) * 2, ' '));
    Put(flags.Contains(ffInherited) ? "inherited " : flags.Contains(ffInline) ? "inline " : "object ");
    if (!name.IsEmpty()) Put(name.str() + ": ");
    Put(className.str());
    if (flags.Contains(ffChildPos)) Put(" [" + std::to_string(childPos) + "]");
    Put("\r\n");
    while (!FReader.EndOfList()) ConvertProperty(level + 1);
    FReader.ReadListEnd();
    while (!FReader.EndOfList()) ConvertObject(level + 1);
    FReader.ReadListEnd();
    Put(std::string(size_t(level) * 2, ' ') + "end\r\n");
  }

  void ConvertProperty(int level)
  {
    Put(std::string(size_t(level) * 2, ' '));
    Put(FReader.ReadStr().str() + " = ");
    ConvertValue(level);
    Put("\r\n");
  }

  void ConvertValue(int level)
  {
    if (level > kMaxTextDepth) throw EReadError("Stream nesting is too deep");
    switch (FReader.NextValue()) {
      case vaList:
        FReader.ReadValue();
        Put("(");
        while (!FReader.EndOfList()) {
          NewLine(level + 1);
          ConvertValue(level + 1);
        }
        FReader.ReadListEnd();
        Put(")");
        return;
      case vaInt8: case vaInt16: case vaInt32: Put(std::to_string(FReader.ReadInteger())); return;
      case vaInt64: Put(std::to_string(FReader.ReadInt64())); return;
      case vaExtended: Put(FloatText(FReader.ReadFloat())); return;
      case vaSingle: Put(FloatText(FReader.ReadSingle()) + "s"); return;
      case vaCurrency: Put(std::to_string(FReader.ReadCurrency().Val) + "c"); return;
      case vaDate: Put(FloatText(double(FReader.ReadDate())) + "d"); return;
      case vaWString: PutString(FReader.ReadWideString().wstr(), level); return;
      case vaString: case vaLString: PutString(FReader.ReadString(), level); return;
      case vaIdent: case vaFalse: case vaTrue: case vaNil: case vaNull: Put(FReader.ReadIdent().str()); return;
      case vaBinary: ConvertBinary(level); return;
      case vaSet: {
        FReader.ReadValue();
        Put("[");
        bool first = true;
        for (AnsiString s = FReader.ReadStr(); !s.IsEmpty(); s = FReader.ReadStr()) {
          if (!first) Put(", ");
          Put(s.str());
          first = false;
        }
        Put("]");
        return;
      }
      case vaCollection: ConvertCollection(level); return;
      default: throw EReadError("Invalid property value");
    }
  }

  void ConvertBinary(int level)
  {
    static const char hex[] = "0123456789ABCDEF";
    // A binary value is read through a defined binary property's path: the length, then the bytes.
    FReader.ReadValue();
    unsigned char len[4];
    FReader.Read(len, 4);
    int32_t n = vcl_detail::ReadLE<int32_t>(len);
    int64_t remaining = int64_t(FReader.GetStream()->GetSize()) - FReader.GetPosition();
    if (n < 0 || n > remaining) throw EReadError("Stream read error");
    std::vector<unsigned char> data(static_cast<size_t>(n), 0);
    if (n) FReader.Read(data.data(), n);
    Put("{");
    for (int32_t i = 0; i < n; ++i) {
      if (i % 32 == 0) NewLine(level + 1);
      Put(std::string{hex[data[size_t(i)] >> 4], hex[data[size_t(i)] & 15]});
    }
    Put("}");
  }

  void ConvertCollection(int level)
  {
    FReader.ReadValue();
    Put("<");
    while (!FReader.EndOfList()) {
      NewLine(level + 1);
      Put("item");
      TValueType v = FReader.NextValue();
      if (v == vaInt8 || v == vaInt16 || v == vaInt32) Put(" [" + std::to_string(FReader.ReadInteger()) + "]");
      FReader.ReadListBegin();
      Put("\r\n");
      while (!FReader.EndOfList()) ConvertProperty(level + 2);
      FReader.ReadListEnd();
      Put(std::string(size_t(level + 1) * 2, ' ') + "end");
    }
    FReader.ReadListEnd();
    Put(">");
  }

  // The shortest text, from 15 significant digits up, that reads back to exactly the value held:
  // `same` says whether a parsed text gives the value again (an extended, a double or a single).
  template <class T>
  static std::string FloatText(T v)
  {
    const long double value = v;
    if (std::isnan(value)) return "0";
    if (std::isinf(value)) return value > 0 ? "1E5000" : "-1E5000";
    char buf[64];
    for (int precision = 15; precision <= 21; ++precision) {
      __mingw_snprintf(buf, sizeof buf, "%.*Lg", precision, value);
      if (static_cast<T>(__mingw_strtold(buf, nullptr)) == v) break;
    }
    std::string s(buf);
    size_t e = s.find_first_of("eE");
    if (e != std::string::npos) {
      // 1.5e+300 -> 1.5E300, as the VCL shows exponents.
      std::string mantissa = s.substr(0, e);
      std::string exponent = s.substr(e + 1);
      if (!exponent.empty() && exponent[0] == '+') exponent.erase(0, 1);
      bool negative = !exponent.empty() && exponent[0] == '-';
      if (negative) exponent.erase(0, 1);
      while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
      if (mantissa.find('.') == std::string::npos) mantissa += ".0";
      return mantissa + "E" + (negative ? "-" : "") + exponent;
    }
    // Fixed notation with at least eighteen decimals, as the VCL writes extended values.
    size_t dot = s.find('.');
    if (dot == std::string::npos) {
      s += ".";
      dot = s.size() - 1;
    }
    size_t decimals = s.size() - dot - 1;
    if (decimals < 18) s.append(18 - decimals, '0');
    return s;
  }

  void PutString(const AnsiString& s, int level) { PutString(Utf8ToUtf16(s.str()), level); }

  // Printable ASCII goes in quotes; everything else (the apostrophe, controls, all non-ASCII code
  // units) as #n; long strings continue with " +" on the next line.
  void PutString(const std::wstring& s, int level)
  {
    if (s.empty()) return Put("''");
    size_t n = s.size();
    if (n > size_t(kLineLength)) NewLine(level + 1);
    size_t i = 0, lineStart = 0;
    while (i < n) {
      bool lineBreak = false;
      if (s[i] >= L' ' && s[i] < 127 && s[i] != L'\'') {
        size_t j = i;
        do {
          ++i;
        } while (i < n && s[i] >= L' ' && s[i] < 127 && s[i] != L'\'' && i - lineStart < size_t(kLineLength));
        if (i - lineStart >= size_t(kLineLength)) lineBreak = true;
        Put("'");
        for (size_t k = j; k < i; ++k) FText += char(s[k]);
        Put("'");
      } else {
        Put("#" + std::to_string(unsigned(s[i])));
        ++i;
        if (i - lineStart >= size_t(kLineLength)) lineBreak = true;
      }
      if (lineBreak && i < n) {
        Put(" +");
        NewLine(level + 1);
        lineStart = i;
      }
    }
  }

  TReader FReader;
  TStream* FOutput;
  std::string FText;
};

// ===================================================================================================
// Text to binary
enum TTokenKind { tkEof, tkSymbolIdent, tkStringLit, tkIntegerLit, tkFloatLit, tkChar };

class TTextToBinary {
public:
  TTextToBinary(std::string text, TStream* output) : FText(std::move(text)), FWriter(output)
  {
    if (FText.compare(0, 3, "\xEF\xBB\xBF") == 0) FPos = 3;
    Next();
  }

  void Run()
  {
    FWriter.WriteSignature();
    ConvertObject(0);
  }

private:
  [[noreturn]] void Fail(const std::string& message)
  {
    throw EParserError(Format("%s on line %d", {AnsiString(message), FLine}));
  }

  // ---- tokens ----
  void SkipBlanks()
  {
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\n') ++FLine;
      if (static_cast<unsigned char>(c) > ' ') return;
      ++FPos;
    }
  }

  static bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  void Next()
  {
    SkipBlanks();
    FToken.clear();
    FWide.clear();
    if (FPos >= FText.size()) {
      FKind = tkEof;
      return;
    }
    char c = FText[FPos];
    if (IsIdentStart(c)) {
      size_t start = FPos;
      while (FPos < FText.size() && (IsIdentStart(FText[FPos]) || IsDigit(FText[FPos]))) ++FPos;
      FToken = FText.substr(start, FPos - start);
      FKind = tkSymbolIdent;
    } else if (c == '\'' || c == '#') {
      ReadStringToken();
    } else if (c == '$') {
      size_t start = ++FPos;
      while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) ++FPos;
      if (FPos == start || FPos - start > 16) Fail("Invalid hexadecimal number");
      FInteger = int64_t(std::strtoull(FText.substr(start, FPos - start).c_str(), nullptr, 16));
      // Up to eight digits are a 32-bit pattern, as Pascal reads them: $FFFFFFFF is -1.
      if (FPos - start <= 8) FInteger = int32_t(uint32_t(FInteger));
      FOnlyNegative = false;
      FKind = tkIntegerLit;
    } else if (IsDigit(c)) {
      ReadNumber();
    } else {
      FToken = std::string(1, c);
      ++FPos;
      FKind = tkChar;
    }
  }

  void ReadNumber()
  {
    size_t start = FPos;
    bool isFloat = false;
    while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    if (FPos < FText.size() && FText[FPos] == '.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1])) {
      isFloat = true;
      ++FPos;
      while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
    }
    if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
      size_t save = FPos++;
      if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
      if (FPos < FText.size() && IsDigit(FText[FPos])) {
        isFloat = true;
        while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
      } else {
        FPos = save;
      }
    }
    std::string number = FText.substr(start, FPos - start);
    FFloatSuffix = 0;
    if (FPos < FText.size() && std::strchr("sScCdD", FText[FPos]) &&
        (FPos + 1 >= FText.size() || !IsIdentStart(FText[FPos + 1]))) {
      FFloatSuffix = char(std::tolower(static_cast<unsigned char>(FText[FPos++])));
      isFloat = true;
    }
    if (isFloat) {
      // Read in extended precision: parsing as double first would round twice.
      FFloat = __mingw_strtold(number.c_str(), nullptr);
      FKind = tkFloatLit;
      return;
    }
    if (number.size() > 19) Fail("Number too large: " + number);
    unsigned long long v = std::strtoull(number.c_str(), nullptr, 10);
    // 2^63 is only a number after a minus sign: the Int64 minimum, which the binary-to-text
    // conversion writes as it is.
    if (v > uint64_t(INT64_MAX) + 1) Fail("Number too large: " + number);
    FOnlyNegative = v == uint64_t(INT64_MAX) + 1;
    FInteger = int64_t(v);
    FKind = tkIntegerLit;
  }

  // 'quoted' pieces (UTF-8 inside) and #n code units, adjacent pieces joined.
  void ReadStringToken()
  {
    FKind = tkStringLit;
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\'') {
        std::string piece;
        ++FPos;
        for (;;) {
          if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r') Fail("Unterminated string");
          if (FText[FPos] == '\'') {
            if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
              piece += '\'';
              FPos += 2;
              continue;
            }
            ++FPos;
            break;
          }
          piece += FText[FPos++];
        }
        FWide += Utf8ToUtf16(piece);
      } else if (c == '#') {
        size_t start = ++FPos;
        unsigned long v = 0;
        if (FPos < FText.size() && FText[FPos] == '$') {
          start = ++FPos;
          while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) ++FPos;
          if (FPos == start || FPos - start > 4) Fail("Invalid character code");
          v = std::strtoul(FText.substr(start, FPos - start).c_str(), nullptr, 16);
        } else {
          while (FPos < FText.size() && IsDigit(FText[FPos])) ++FPos;
          if (FPos == start || FPos - start > 5) Fail("Invalid character code");
          v = std::strtoul(FText.substr(start, FPos - start).c_str(), nullptr, 10);
        }
        if (v > 0xFFFF) Fail("Invalid character code");
        FWide += wchar_t(v);
      } else {
        break;
      }
    }
  }

  bool IsChar(char c) const { return FKind == tkChar && FToken[0] == c; }
  bool IsSymbol(const char* s) const { return FKind == tkSymbolIdent && SameText(FToken, s); }
  void Expect(char c)
  {
    if (!IsChar(c)) Fail(std::string("'") + c + "' expected");
    Next();
  }
  std::string ExpectIdent()
  {
    if (FKind != tkSymbolIdent) Fail("Identifier expected");
    std::string s = FToken;
    Next();
    return s;
  }

  // ---- grammar ----
  void ConvertObject(int depth)
  {
    if (depth > kMaxTextDepth) Fail("Objects nested too deep");
    TFilerFlags flags;
    if (IsSymbol("inherited")) flags << ffInherited;
    else if (IsSymbol("inline")) flags << ffInline;
    else if (!IsSymbol("object")) Fail("'object' expected");
    Next();
    std::string name, className = ExpectIdent();
    if (IsChar(':')) {
      Next();
      name = className;
      className = ExpectIdent();
    }
    int childPos = 0;
    if (IsChar('[')) {
      Next();
      childPos = int(ExpectInteger());
      flags << ffChildPos;
      Expect(']');
    }
    FWriter.WritePrefix(flags, childPos);
    FWriter.WriteStr(className);
    FWriter.WriteStr(name);
    while (!IsSymbol("end") && !IsSymbol("object") && !IsSymbol("inherited") && !IsSymbol("inline")) {
      if (FKind == tkEof) Fail("'end' expected");
      ConvertProperty(depth);
    }
    FWriter.WriteListEnd();
    while (!IsSymbol("end")) {
      if (FKind == tkEof) Fail("'end' expected");
      ConvertObject(depth + 1);
    }
    FWriter.WriteListEnd();
    Next();
  }

  int64_t ExpectInteger()
  {
    bool negative = false;
    if (IsChar('-')) {
      negative = true;
      Next();
    }
    if (FKind != tkIntegerLit) Fail("Integer expected");
    int64_t v = SignedInteger(negative);
    Next();
    return v;
  }

  // The integer literal just read, with the sign before it; wraps as the Int64 arithmetic of the
  // format does ($8000000000000000 and its negation are the same pattern).
  int64_t SignedInteger(bool negative)
  {
    if (FOnlyNegative && !negative) Fail("Number too large: 9223372036854775808");
    return negative ? int64_t(0 - uint64_t(FInteger)) : FInteger;
  }

  void ConvertProperty(int depth)
  {
    std::string name = ExpectIdent();
    while (IsChar('.')) {
      Next();
      name += "." + ExpectIdent();
    }
    Expect('=');
    FWriter.WriteStr(name);
    ConvertValue(depth + 1);
  }

  void ConvertValue(int depth)
  {
    if (depth > kMaxTextDepth) Fail("Values nested too deep");
    if (IsChar('-')) {
      Next();
      if (FKind == tkIntegerLit) return WriteIntegerValue(SignedInteger(true));
      if (FKind == tkFloatLit) return WriteFloatValue(-FFloat);
      Fail("Number expected");
    }
    switch (FKind) {
      case tkIntegerLit: return WriteIntegerValue(SignedInteger(false));
      case tkFloatLit: return WriteFloatValue(FFloat);
      case tkStringLit: return ConvertString();
      case tkSymbolIdent: {
        std::string ident = FToken;
        while (true) {  // dotted identifiers: references such as Form1.Button1
          Next();
          if (!IsChar('.')) break;
          Next();
          if (FKind != tkSymbolIdent) Fail("Identifier expected");
          ident += "." + FToken;
        }
        FWriter.WriteIdent(ident);
        return;
      }
      case tkChar: break;
      case tkEof: Fail("Value expected");
    }
    switch (FToken[0]) {
      case '[': return ConvertSet();
      case '(': return ConvertList(depth);
      case '{': return ConvertBinary();
      case '<': return ConvertCollection(depth);
      default: Fail("Invalid property value");
    }
  }

  void WriteIntegerValue(int64_t v)
  {
    FWriter.WriteInteger(v);
    Next();
  }

  void WriteFloatValue(long double v)
  {
    switch (FFloatSuffix) {
      case 's': FWriter.WriteSingle(float(v)); break;
      case 'c':
        // The scaled currency value; an extended holds every 64-bit integer exactly.
        if (!(v >= -9223372036854775808.0L && v < 9223372036854775807.5L)) Fail("Number too large");
        FWriter.WriteCurrency(Currency::FromScaled(std::llroundl(v)));
        break;
      case 'd': FWriter.WriteDate(TDateTime(double(v))); break;
      default: FWriter.WriteFloat(v); break;
    }
    Next();
  }

  void ConvertString()
  {
    std::wstring text = FWide;
    Next();
    while (IsChar('+')) {
      Next();
      if (FKind != tkStringLit) Fail("String expected");
      text += FWide;
      Next();
    }
    // Plain 7-bit text stays a short or long string; anything else is stored as UTF-16.
    bool ascii = true;
    for (wchar_t c : text)
      if (c >= 128) ascii = false;
    if (!ascii) return FWriter.WriteWideString(WideString(text));
    FWriter.WriteString(AnsiString(std::string(text.begin(), text.end())));
  }

  void ConvertSet()
  {
    Next();
    FWriter.WriteValue(vaSet);
    if (!IsChar(']')) {
      for (;;) {
        FWriter.WriteStr(ExpectIdent());
        if (IsChar(']')) break;
        Expect(',');
      }
    }
    Next();
    FWriter.WriteStr(AnsiString());
  }

  void ConvertList(int depth)
  {
    Next();
    FWriter.WriteListBegin();
    while (!IsChar(')')) {
      if (FKind == tkEof) Fail("')' expected");
      ConvertValue(depth + 1);
    }
    Next();
    FWriter.WriteListEnd();
  }

  void ConvertBinary()
  {
    // The hexadecimal digits are read straight from the text, whitespace between them ignored.
    std::vector<unsigned char> data;
    int nibbles = 0;
    unsigned char cur = 0;
    for (;;) {
      if (FPos >= FText.size()) Fail("'}' expected");
      char c = FText[FPos++];
      if (c == '}') break;
      if (c == '\n') ++FLine;
      if (static_cast<unsigned char>(c) <= ' ') continue;
      if (!std::isxdigit(static_cast<unsigned char>(c))) Fail("Invalid binary value");
      int v = IsDigit(c) ? c - '0' : (std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
      cur = static_cast<unsigned char>((cur << 4) | v);
      if (++nibbles % 2 == 0) data.push_back(cur);
    }
    if (nibbles % 2) Fail("Invalid binary value");
    FWriter.WriteValue(vaBinary);
    unsigned char len[4];
    uint32_t n = uint32_t(data.size());
    for (int i = 0; i < 4; ++i) len[i] = static_cast<unsigned char>(n >> (8 * i));
    FWriter.Write(len, 4);
    if (!data.empty()) FWriter.Write(data.data(), int(data.size()));
    Next();
  }

  void ConvertCollection(int depth)
  {
    Next();
    FWriter.WriteValue(vaCollection);
    while (!IsChar('>')) {
      if (!IsSymbol("item")) Fail("'item' expected");
      Next();
      if (IsChar('[')) {
        Next();
        FWriter.WriteInteger(ExpectInteger());
        Expect(']');
      }
      FWriter.WriteListBegin();
      while (!IsSymbol("end")) {
        if (FKind == tkEof) Fail("'end' expected");
        ConvertProperty(depth + 1);
      }
      FWriter.WriteListEnd();
      Next();
    }
    Next();
    FWriter.WriteListEnd();
  }

  std::string FText;
  size_t FPos = 0;
  int FLine = 1;
  TWriter FWriter;
  TTokenKind FKind = tkEof;
  std::string FToken;
  std::wstring FWide;
  int64_t FInteger = 0;
  bool FOnlyNegative = false;  // the literal was 9223372036854775808
  long double FFloat = 0;
  char FFloatSuffix = 0;
};

// ===================================================================================================
// Resources
// The stored form named name, looked for in the module of cls and then in the program.
bool LoadFormResource(const AnsiString& name, TMetaClass* cls, TMemoryStream& binary)
{
  std::wstring wname = Utf8ToUtf16(name.str());
  HMODULE modules[2] = {cls ? FindHInstance(cls) : nullptr, GetModuleHandleW(nullptr)};
  for (HMODULE module : modules) {
    if (!module) continue;
    HRSRC info = FindResourceW(module, wname.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!info) continue;
    TResourceStream resource(module, name, MAKEINTRESOURCEW(10));
    ObjectResourceToBinary(resource.Memory(), resource.GetSize(), &binary);
    binary.SetPosition(0);
    return true;
  }
  return false;
}
}  // namespace

void ObjectBinaryToText(TStream* input, TStream* output)
{
  TBinaryToText converter(input, output);
  converter.Run();
}

void ObjectTextToBinary(TStream* input, TStream* output)
{
  int size = input->GetSize() - input->GetPosition();
  std::string text(size_t(size > 0 ? size : 0), '\0');
  if (size > 0) input->ReadBuffer(text.data(), size);
  TTextToBinary converter(std::move(text), output);
  converter.Run();
}

void ObjectResourceToBinary(const void* data, int size, TStream* output)
{
  if (size >= 4 && std::memcmp(data, "TPF0", 4) == 0) return output->WriteBuffer(data, size);
  TMemoryStream text;
  text.WriteBuffer(data, size);
  text.SetPosition(0);
  ObjectTextToBinary(&text, output);
}

bool ReadComponentRes(const AnsiString& resName, TComponent* instance)
{
  TMemoryStream binary;
  if (!LoadFormResource(resName, instance ? instance->ClassType() : nullptr, binary)) return false;
  TReader reader(&binary);
  reader.ReadRootComponent(instance);
  return true;
}

bool InitComponentLevel(TComponent* instance, TMetaClass* level)
{
  TMemoryStream binary;
  if (!LoadFormResource(level->ClassName(), level, binary)) return false;
  std::vector<TComponent*> loaded;
  TReader reader(&binary);
  reader.SetLoadedList(&loaded);
  try {
    reader.ReadRootComponent(instance);
  } catch (...) {
    for (TComponent* c : loaded) c->ExcludeState(csLoading);
    throw;
  }
  for (TComponent* c : loaded) c->Loaded();
  return true;
}

bool InitInheritedComponent(TComponent* instance, TMetaClass* rootAncestor)
{
  // Ancestors first, so that a descendant's stored form finds the inherited components in place.
  std::vector<TMetaClass*> chain;
  for (TMetaClass* c = instance->ClassType(); c && c != rootAncestor && c != TComponent::StaticClass();
       c = c->ClassParent())
    chain.insert(chain.begin(), c);
  bool found = false;
  std::vector<TComponent*> loaded;
  try {
    for (TMetaClass* c : chain) {
      TMemoryStream binary;
      if (!LoadFormResource(c->ClassName(), c, binary)) continue;
      TReader reader(&binary);
      reader.SetLoadedList(&loaded);
      reader.ReadRootComponent(instance);
      found = true;
    }
  } catch (...) {
    for (TComponent* c : loaded) c->ExcludeState(csLoading);
    throw;
  }
  for (TComponent* c : loaded) c->Loaded();
  return found;
}

// ===================================================================================================
// Resource headers of binary form files.
void TStream::WriteResourceHeader(const AnsiString& resName, int& fixupInfo)
{
  std::string header("\xFF\x0A\x00", 3);
  for (char c : resName.str()) header += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  header += std::string("\x00\x30\x10", 3);
  WriteBuffer(header.data(), int(header.size()));
  fixupInfo = GetPosition();
  WriteBuffer("\0\0\0\0", 4);
}

void TStream::FixupResourceHeader(int fixupInfo)
{
  int end = GetPosition();
  uint32_t size = uint32_t(end - fixupInfo - 4);
  unsigned char b[4];
  vcl_detail::WriteLE32(size, b);
  SetPosition(fixupInfo);
  WriteBuffer(b, 4);
  SetPosition(end);
}

void TStream::ReadResHeader()
{
  unsigned char b[4];
  auto fail = [] { throw EInvalidImage("Invalid stream format"); };
  if (Read(b, 3) != 3 || b[0] != 0xFF || b[1] != 0x0A || b[2] != 0) fail();
  for (int n = 0;; ++n) {  // the name: at most a short string's worth, zero-terminated
    if (n > 256 || Read(b, 1) != 1) fail();
    if (b[0] == 0) break;
  }
  if (Read(b, 2) != 2) fail();
  if (Read(b, 4) != 4) fail();
  uint32_t size = vcl_detail::ReadLE32(b);
  if (int64_t(size) > int64_t(GetSize()) - GetPosition()) fail();
}

TComponent* TStream::ReadComponentRes(TComponent* instance)
{
  ReadResHeader();
  return ReadComponent(instance);
}

void TStream::WriteComponentRes(const AnsiString& resName, TComponent* instance)
{
  int fixup = 0;
  WriteResourceHeader(resName, fixup);
  WriteComponent(instance);
  FixupResourceHeader(fixup);
}

void ObjectResourceToText(TStream* input, TStream* output)
{
  input->ReadResHeader();
  ObjectBinaryToText(input, output);
}

void ObjectTextToResource(TStream* input, TStream* output)
{
  TMemoryStream binary;
  ObjectTextToBinary(input, &binary);
  // The resource is named after the root's class, as form resources are.
  binary.SetPosition(0);
  AnsiString className;
  {
    TReader reader(&binary);
    reader.ReadSignature();
    TFilerFlags flags;
    int childPos = 0;
    reader.ReadPrefix(flags, childPos);
    className = reader.ReadStr();
  }
  int fixup = 0;
  output->WriteResourceHeader(className, fixup);
  output->WriteBuffer(binary.Memory(), binary.GetSize());
  output->FixupResourceHeader(fixup);
}
