// The language runtime of the VCL stand-in: strings, short strings, currency, date-time, sets and the
// unit initialisation helper.
//
// AnsiString holds UTF-8 bytes; every Win32 call the stand-in makes goes through the W functions and
// converts at that boundary. WideString holds a real BSTR so that it can be handed to COM as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>
#include <oleauto.h>

class WideString;

// Raises ERangeError for a string index outside 1..Length (defined with the exception family).
[[noreturn]] void ThrowStringIndexError(int index, int length);

// ---------------------------------------------------------------------------------------------------
// AnsiString: a 1-based byte string holding UTF-8 text.
class AnsiString {
public:
  AnsiString() = default;
  AnsiString(const char* text) : data_(text ? text : "") {}
  AnsiString(const char* text, int length);
  AnsiString(const std::string& text) : data_(text) {}
  AnsiString(std::string&& text) : data_(std::move(text)) {}
  AnsiString(std::string_view text) : data_(text) {}
  explicit AnsiString(char c) : data_(1, c) {}
  // Numbers give their text as IntToStr/FloatToStr do.
  AnsiString(int value);
  AnsiString(unsigned value);
  AnsiString(long value);
  AnsiString(std::int64_t value);
  AnsiString(double value);
  // UTF-16 text becomes UTF-8.
  AnsiString(const wchar_t* text);
  AnsiString(const WideString& text);

  const char* c_str() const { return data_.c_str(); }
  // The characters as a mutable buffer (valid while the string is not changed); never null.
  char* data() { return data_.data(); }
  const std::string& str() const { return data_; }
  int Length() const { return static_cast<int>(data_.size()); }
  bool IsEmpty() const { return data_.empty(); }
  AnsiString& SetLength(int length);

  // 1-based access; an index outside 1..Length raises ERangeError.
  char& operator[](int index);
  char operator[](int index) const;

  // Copy's rules: an index below 1 counts as 1, the count is cut at the end; nothing past the end.
  AnsiString SubString(int index, int count) const;
  // Position of sub (1-based), 0 when absent or when sub is empty.
  int Pos(const AnsiString& sub) const;
  // Inserts text before index (below 1: at the front; past the end: appended).
  AnsiString& Insert(const AnsiString& text, int index);
  // Deletes count bytes from index; an index outside 1..Length deletes nothing.
  AnsiString& Delete(int index, int count);

  // Case mapping by the platform's Unicode tables, so Hebrew and other scripts survive untouched.
  AnsiString UpperCase() const;
  AnsiString LowerCase() const;
  // Trimming removes spaces and control characters (bytes up to 32).
  AnsiString Trim() const;
  AnsiString TrimLeft() const;
  AnsiString TrimRight() const;

  int ToInt() const;  // raises EConvertError
  int ToIntDef(int defaultValue) const;
  double ToDouble() const;  // raises EConvertError

  static AnsiString StringOfChar(char c, int count);
  // C printf formatting (the runtime's own, not Format's rules).
  AnsiString& sprintf(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  int printf(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  AnsiString& cat_sprintf(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
  static AnsiString FormatC(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

  AnsiString& operator+=(const AnsiString& rhs) { data_ += rhs.data_; return *this; }
  AnsiString& operator+=(const char* rhs) { if (rhs) data_ += rhs; return *this; }
  AnsiString& operator+=(char rhs) { data_ += rhs; return *this; }

  friend AnsiString operator+(const AnsiString& a, const AnsiString& b) { return AnsiString(a.data_ + b.data_); }
  friend AnsiString operator+(const AnsiString& a, const char* b) { AnsiString r(a); r += b; return r; }
  friend AnsiString operator+(const char* a, const AnsiString& b) { AnsiString r(a); r += b; return r; }
  friend AnsiString operator+(const AnsiString& a, char b) { AnsiString r(a); r += b; return r; }

  // Comparisons are by bytes (ordinal): deterministic and usable as map keys.
  friend bool operator==(const AnsiString& a, const AnsiString& b) { return a.data_ == b.data_; }
  friend bool operator==(const AnsiString& a, const char* b) { return a.data_ == (b ? b : ""); }
  friend auto operator<=>(const AnsiString& a, const AnsiString& b) { return a.data_ <=> b.data_; }

private:
  std::string data_;
};

// ---------------------------------------------------------------------------------------------------
// WideString: a 1-based UTF-16 string over an OLE BSTR (null when empty).
class WideString {
public:
  WideString() = default;
  WideString(const wchar_t* text);
  WideString(const wchar_t* text, int length);
  WideString(const std::wstring& text);
  WideString(const AnsiString& text);  // UTF-8 to UTF-16
  WideString(const char* text);        // UTF-8 to UTF-16
  WideString(const WideString& other);
  WideString(WideString&& other) noexcept : bstr_(other.bstr_) { other.bstr_ = nullptr; }
  ~WideString();
  WideString& operator=(const WideString& other);
  WideString& operator=(WideString&& other) noexcept;

  // The BSTR itself (null for the empty string) for COM calls.
  BSTR c_bstr() const { return bstr_; }
  // Never null: the characters, or an empty text.
  const wchar_t* c_str() const { return bstr_ ? bstr_ : L""; }
  // Frees the current text and answers the address to receive a BSTR from an out parameter.
  BSTR* operator&();
  // Takes ownership of a BSTR / hands it over.
  void Attach(BSTR bstr);
  BSTR Detach();
  BSTR Copy() const;  // a new BSTR the caller frees

  int Length() const { return bstr_ ? static_cast<int>(SysStringLen(bstr_)) : 0; }
  bool IsEmpty() const { return Length() == 0; }
  wchar_t& operator[](int index);
  wchar_t operator[](int index) const;
  WideString SubString(int index, int count) const;
  int Pos(const WideString& sub) const;
  std::wstring wstr() const { return std::wstring(c_str(), Length()); }

  WideString& operator+=(const WideString& rhs);
  friend WideString operator+(const WideString& a, const WideString& b) { WideString r(a); r += b; return r; }
  friend bool operator==(const WideString& a, const WideString& b);
  friend bool operator!=(const WideString& a, const WideString& b) { return !(a == b); }

private:
  BSTR bstr_ = nullptr;
};

// UTF-8 <-> UTF-16 at the Win32 boundary (invalid UTF-8 bytes become U+FFFD).
std::wstring Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::wstring_view text);

// ---------------------------------------------------------------------------------------------------
// SmallString<N>: Delphi's short string: a length byte followed by N characters, nothing else.
template <int N>
class SmallString {
  static_assert(N > 0 && N <= 255, "a short string holds 1 to 255 characters");

public:
  SmallString() { bytes_[0] = 0; }
  SmallString(const AnsiString& text) { Assign(text); }
  SmallString(const char* text) { Assign(AnsiString(text)); }
  SmallString& operator=(const AnsiString& text) { Assign(text); return *this; }
  SmallString& operator=(const char* text) { Assign(AnsiString(text)); return *this; }

  operator AnsiString() const { return AnsiString(reinterpret_cast<const char*>(bytes_ + 1), bytes_[0]); }
  int Length() const { return bytes_[0]; }
  bool IsEmpty() const { return bytes_[0] == 0; }
  void SetLength(int length) { bytes_[0] = static_cast<unsigned char>(length < 0 ? 0 : length > N ? N : length); }
  char& operator[](int index) { CheckIndex(index); return reinterpret_cast<char&>(bytes_[index]); }
  char operator[](int index) const { CheckIndex(index); return static_cast<char>(bytes_[index]); }
  // The stored form: length byte first.
  const unsigned char* Bytes() const { return bytes_; }
  unsigned char* Bytes() { return bytes_; }

  friend bool operator==(const SmallString& a, const SmallString& b) { return AnsiString(a) == AnsiString(b); }

private:
  void CheckIndex(int index) const { if (index < 1 || index > bytes_[0]) ThrowStringIndexError(index, bytes_[0]); }
  // Keeps the first N bytes, as Delphi does.
  void Assign(const AnsiString& text)
  {
    const int length = text.Length() > N ? N : text.Length();
    bytes_[0] = static_cast<unsigned char>(length);
    for (int i = 0; i < length; ++i) bytes_[i + 1] = static_cast<unsigned char>(text.c_str()[i]);
  }

  unsigned char bytes_[N + 1];
};

// ---------------------------------------------------------------------------------------------------
// Currency: a 64-bit integer counting ten-thousandths.
class Currency {
public:
  Currency() = default;
  Currency(int value) : Val(static_cast<std::int64_t>(value) * 10000) {}
  Currency(double value);  // rounds to the nearest ten-thousandth, halves to even (the FPU's rule)
  static Currency FromScaled(std::int64_t scaled) { Currency c; c.Val = scaled; return c; }
  explicit Currency(const AnsiString& text);

  operator double() const { return static_cast<double>(Val) / 10000.0; }
  // Text as CurrToStr: up to four decimals, no trailing zeros.
  operator AnsiString() const;

  Currency& operator+=(Currency rhs) { Val += rhs.Val; return *this; }
  Currency& operator-=(Currency rhs) { Val -= rhs.Val; return *this; }
  friend Currency operator+(Currency a, Currency b) { return FromScaled(a.Val + b.Val); }
  friend Currency operator-(Currency a, Currency b) { return FromScaled(a.Val - b.Val); }
  friend Currency operator-(Currency a) { return FromScaled(-a.Val); }
  friend Currency operator*(Currency a, int b) { return FromScaled(a.Val * b); }
  friend bool operator==(Currency a, Currency b) { return a.Val == b.Val; }
  friend auto operator<=>(Currency a, Currency b) { return a.Val <=> b.Val; }

  std::int64_t Val = 0;
};

// ---------------------------------------------------------------------------------------------------
// TDateTime: days since 30 December 1899, the time of day in the fraction.
class TDateTime {
public:
  TDateTime() = default;
  TDateTime(double value) : Val(value) {}
  TDateTime(unsigned short year, unsigned short month, unsigned short day);  // EncodeDate
  TDateTime(unsigned short hour, unsigned short min, unsigned short sec, unsigned short msec);  // EncodeTime

  operator double() const { return Val; }
  static TDateTime CurrentDate();
  static TDateTime CurrentTime();
  static TDateTime CurrentDateTime();
  void DecodeDate(unsigned short* year, unsigned short* month, unsigned short* day) const;
  void DecodeTime(unsigned short* hour, unsigned short* min, unsigned short* sec, unsigned short* msec) const;
  AnsiString DateString() const;
  AnsiString TimeString() const;
  AnsiString DateTimeString() const;
  AnsiString FormatString(const AnsiString& format) const;

  TDateTime& operator+=(double days) { Val += days; return *this; }
  friend bool operator==(TDateTime a, TDateTime b) { return a.Val == b.Val; }
  friend auto operator<=>(TDateTime a, TDateTime b) { return a.Val <=> b.Val; }

  double Val = 0;
};

// ---------------------------------------------------------------------------------------------------
// Set<T, minEl, maxEl>: Delphi's set. Element e lives at bit (e mod 8) of byte (e div 8) of a 256-bit
// space; the set stores only the bytes from minEl div 8 to maxEl div 8, so a set of 0..7 is one byte,
// of 0..15 two, of 8..15 one.
template <class T, unsigned char minEl, unsigned char maxEl>
class Set {
  static_assert(minEl <= maxEl, "empty element range");
  static constexpr int firstByte = minEl / 8;
  static constexpr int size = maxEl / 8 - firstByte + 1;

public:
  Set() = default;

  Set& operator<<(T element) { if (InRange(element)) Bit(element) |= Mask(element); return *this; }
  Set& operator>>(T element) { if (InRange(element)) Bit(element) &= static_cast<unsigned char>(~Mask(element)); return *this; }
  bool Contains(T element) const { return InRange(element) && (ConstBit(element) & Mask(element)) != 0; }
  Set& Clear() { for (auto& b : bytes_) b = 0; return *this; }
  bool Empty() const { for (auto b : bytes_) if (b) return false; return true; }

  friend Set operator+(Set a, const Set& b) { for (int i = 0; i < size; ++i) a.bytes_[i] |= b.bytes_[i]; return a; }
  friend Set operator*(Set a, const Set& b) { for (int i = 0; i < size; ++i) a.bytes_[i] &= b.bytes_[i]; return a; }
  friend Set operator-(Set a, const Set& b) { for (int i = 0; i < size; ++i) a.bytes_[i] &= static_cast<unsigned char>(~b.bytes_[i]); return a; }
  Set& operator+=(const Set& b) { return *this = *this + b; }
  Set& operator*=(const Set& b) { return *this = *this * b; }
  Set& operator-=(const Set& b) { return *this = *this - b; }
  friend bool operator==(const Set& a, const Set& b) { for (int i = 0; i < size; ++i) if (a.bytes_[i] != b.bytes_[i]) return false; return true; }
  friend bool operator!=(const Set& a, const Set& b) { return !(a == b); }

  // The stored form, as Delphi writes it to memory and streams.
  static constexpr int ByteSize() { return size; }
  const unsigned char* Bytes() const { return bytes_; }
  unsigned char* Bytes() { return bytes_; }

private:
  static constexpr bool InRange(T element) { return static_cast<int>(element) >= minEl && static_cast<int>(element) <= maxEl; }
  static constexpr unsigned char Mask(T element) { return static_cast<unsigned char>(1u << (static_cast<int>(element) % 8)); }
  unsigned char& Bit(T element) { return bytes_[static_cast<int>(element) / 8 - firstByte]; }
  unsigned char ConstBit(T element) const { return bytes_[static_cast<int>(element) / 8 - firstByte]; }

  unsigned char bytes_[size] = {};
};

// ---------------------------------------------------------------------------------------------------
// Unit initialisation. A unit declares one TUnitInit at namespace scope:
//
//   static TUnitInit myUnitInit("Myunit", [] { ...start-up... }, [] { ...shut-down... });
//
// The first instance for a unit name runs the start-up work at module load; the last to go runs the
// shut-down work at unload. Every instance counts as one user of the unit, so a unit linked into
// several modules is started once and finished once.
class TUnitInit {
public:
  using Proc = void (*)();
  explicit TUnitInit(const char* unitName, Proc initialization = nullptr, Proc finalization = nullptr);
  ~TUnitInit();
  TUnitInit(const TUnitInit&) = delete;
  TUnitInit& operator=(const TUnitInit&) = delete;

  // How many users the unit of that name has now (0 for an unknown unit).
  static int Users(const char* unitName);

private:
  const char* unitName_;
  Proc finalization_;
};

// ---------------------------------------------------------------------------------------------------
// The program's command line (SystemParams.cpp), split as the VCL splits it: blanks separate
// parameters, double quotes group blanks into one and are dropped (a quoted part joins the text
// around it: `a"b c"d` is `ab cd`), a quote inside quotes simply ends the group, and an empty `""`
// where a parameter would start is skipped. Parameters are UTF-8; ParamStr(0) is the program's path.
int ParamCount();
AnsiString ParamStr(int index);

// The module (program or package) whose image holds address, null for an address in none; the
// module's count is left as it is. Window classes and resources of a package are its own module's.
HINSTANCE FindHInstance(const void* address);

namespace vcl_detail {
// The parameters of a command line, the program's name first.
std::vector<AnsiString> SplitCommandLine(const wchar_t* commandLine);
}  // namespace vcl_detail

// ---------------------------------------------------------------------------------------------------
// A counted reference to a COM interface: AddRef on copy, Release when it goes. Taking a raw pointer
// with `Attach` (or the constructor from a pointer that is handed over) adopts its reference; the
// ordinary constructor from a pointer adds one of its own. `operator&` releases what is held and
// gives the slot for an out parameter.
template <class T>
class DelphiInterface {
public:
  DelphiInterface() = default;
  DelphiInterface(T* intf) : intf_(intf)
  {
    if (intf_) intf_->AddRef();
  }
  DelphiInterface(const DelphiInterface& other) : DelphiInterface(other.intf_) {}
  DelphiInterface(DelphiInterface&& other) noexcept : intf_(other.intf_) { other.intf_ = nullptr; }
  ~DelphiInterface() { Release(); }
  DelphiInterface& operator=(const DelphiInterface& other)
  {
    T* incoming = other.intf_;  // read first: Release empties other too when it is this one
    if (incoming) incoming->AddRef();
    Release();
    intf_ = incoming;
    return *this;
  }
  DelphiInterface& operator=(DelphiInterface&& other) noexcept
  {
    if (this != std::addressof(other)) {
      Release();
      intf_ = other.intf_;
      other.intf_ = nullptr;
    }
    return *this;
  }
  DelphiInterface& operator=(T* intf) { return *this = DelphiInterface(intf); }

  // Adopts a reference the caller already holds.
  static DelphiInterface Attach(T* intf)
  {
    DelphiInterface result;
    result.intf_ = intf;
    return result;
  }
  // Gives up the reference without releasing it.
  T* Detach()
  {
    T* intf = intf_;
    intf_ = nullptr;
    return intf;
  }
  void Release()
  {
    if (T* intf = intf_) {
      intf_ = nullptr;
      intf->Release();
    }
  }

  // Asks the held object for another interface; an empty reference when it has none.
  template <class U>
  DelphiInterface<U> Supports(REFIID iid) const
  {
    U* other = nullptr;
    if (intf_ && SUCCEEDED(intf_->QueryInterface(iid, reinterpret_cast<void**>(&other))))
      return DelphiInterface<U>::Attach(other);
    return DelphiInterface<U>();
  }

  T* operator->() const { return intf_; }
  operator T*() const { return intf_; }
  T** operator&()
  {
    Release();
    return &intf_;
  }
  explicit operator bool() const { return intf_ != nullptr; }
  bool IsBound() const { return intf_ != nullptr; }

private:
  T* intf_ = nullptr;
};
