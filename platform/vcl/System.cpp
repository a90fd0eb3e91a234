#include "System.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include "SysUtils.h"

// ---------------------------------------------------------------------------------------------------
// UTF-8 <-> UTF-16

std::wstring Utf8ToUtf16(std::string_view text)
{
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring result(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), needed);
  return result;
}

std::string Utf16ToUtf8(std::wstring_view text)
{
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string result(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), needed, nullptr, nullptr);
  return result;
}

// ---------------------------------------------------------------------------------------------------
// AnsiString

namespace {

std::string VFormatC(const char* format, va_list args)
{
  if (!format) return {};
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::string result(static_cast<size_t>(needed) + 1, '\0');
  std::vsnprintf(result.data(), result.size(), format, args);
  result.resize(static_cast<size_t>(needed));
  return result;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

AnsiString::AnsiString(const char* text, int length)
{
  if (text && length > 0) data_.assign(text, static_cast<size_t>(length));
}

AnsiString::AnsiString(int value) : data_(std::to_string(value)) {}
AnsiString::AnsiString(unsigned value) : data_(std::to_string(value)) {}
AnsiString::AnsiString(long value) : data_(std::to_string(value)) {}
AnsiString::AnsiString(std::int64_t value) : data_(std::to_string(value)) {}
AnsiString::AnsiString(double value) : AnsiString(FloatToStr(value)) {}
AnsiString::AnsiString(const wchar_t* text) : data_(text ? Utf16ToUtf8(text) : std::string()) {}
AnsiString::AnsiString(const WideString& text) : data_(Utf16ToUtf8(std::wstring_view(text.c_str(), text.Length()))) {}

AnsiString& AnsiString::SetLength(int length)
{
  data_.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return *this;
}

char& AnsiString::operator[](int index)
{
  if (index < 1 || index > Length()) ThrowStringIndexError(index, Length());
  return data_[static_cast<size_t>(index - 1)];
}

char AnsiString::operator[](int index) const
{
  if (index < 1 || index > Length()) ThrowStringIndexError(index, Length());
  return data_[static_cast<size_t>(index - 1)];
}

AnsiString AnsiString::SubString(int index, int count) const
{
  if (index < 1) index = 1;
  if (index > Length() || count <= 0) return {};
  const int available = Length() - index + 1;
  return AnsiString(data_.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count < available ? count : available)));
}

int AnsiString::Pos(const AnsiString& sub) const
{
  if (sub.IsEmpty()) return 0;
  const auto found = data_.find(sub.data_);
  return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
}

AnsiString& AnsiString::Insert(const AnsiString& text, int index)
{
  if (index < 1) index = 1;
  if (index > Length() + 1) index = Length() + 1;
  data_.insert(static_cast<size_t>(index - 1), text.data_);
  return *this;
}

AnsiString& AnsiString::Delete(int index, int count)
{
  if (index < 1 || index > Length() || count <= 0) return *this;
  data_.erase(static_cast<size_t>(index - 1), static_cast<size_t>(count));
  return *this;
}

AnsiString AnsiString::UpperCase() const { return AnsiUpperCase(*this); }
AnsiString AnsiString::LowerCase() const { return AnsiLowerCase(*this); }

AnsiString AnsiString::Trim() const { return TrimLeft().TrimRight(); }

AnsiString AnsiString::TrimLeft() const
{
  size_t first = 0;
  while (first < data_.size() && IsBlank(data_[first])) ++first;
  return AnsiString(data_.substr(first));
}

AnsiString AnsiString::TrimRight() const
{
  size_t end = data_.size();
  while (end > 0 && IsBlank(data_[end - 1])) --end;
  return AnsiString(data_.substr(0, end));
}

int AnsiString::ToInt() const { return StrToInt(*this); }
int AnsiString::ToIntDef(int defaultValue) const { return StrToIntDef(*this, defaultValue); }
double AnsiString::ToDouble() const { return StrToFloat(*this); }

AnsiString AnsiString::StringOfChar(char c, int count)
{
  return count > 0 ? AnsiString(std::string(static_cast<size_t>(count), c)) : AnsiString();
}

AnsiString& AnsiString::sprintf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  data_ = VFormatC(format, args);
  va_end(args);
  return *this;
}

int AnsiString::printf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  data_ = VFormatC(format, args);
  va_end(args);
  return Length();
}

AnsiString& AnsiString::cat_sprintf(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  data_ += VFormatC(format, args);
  va_end(args);
  return *this;
}

AnsiString AnsiString::FormatC(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  AnsiString result(VFormatC(format, args));
  va_end(args);
  return result;
}

// ---------------------------------------------------------------------------------------------------
// WideString

namespace {

BSTR AllocBstr(const wchar_t* text, size_t length)
{
  if (!text || length == 0) return nullptr;
  BSTR bstr = SysAllocStringLen(text, static_cast<UINT>(length));
  if (!bstr) throw EOutOfMemory("Out of memory");
  return bstr;
}

}  // namespace

WideString::WideString(const wchar_t* text) : bstr_(AllocBstr(text, text ? std::wcslen(text) : 0)) {}
WideString::WideString(const wchar_t* text, int length) : bstr_(AllocBstr(text, length > 0 ? static_cast<size_t>(length) : 0)) {}
WideString::WideString(const std::wstring& text) : bstr_(AllocBstr(text.data(), text.size())) {}

WideString::WideString(const AnsiString& text)
{
  const std::wstring wide = Utf8ToUtf16(text.str());
  bstr_ = AllocBstr(wide.data(), wide.size());
}

WideString::WideString(const char* text) : WideString(AnsiString(text)) {}
WideString::WideString(const WideString& other) : bstr_(AllocBstr(other.bstr_, other.Length())) {}
WideString::~WideString() { SysFreeString(bstr_); }

WideString& WideString::operator=(const WideString& other)
{
  if (this == std::addressof(other)) return *this;
  BSTR copy = AllocBstr(other.bstr_, other.Length());
  SysFreeString(bstr_);
  bstr_ = copy;
  return *this;
}

WideString& WideString::operator=(WideString&& other) noexcept
{
  if (this == std::addressof(other)) return *this;
  SysFreeString(bstr_);
  bstr_ = other.bstr_;
  other.bstr_ = nullptr;
  return *this;
}

BSTR* WideString::operator&()
{
  SysFreeString(bstr_);
  bstr_ = nullptr;
  return &bstr_;
}

void WideString::Attach(BSTR bstr)
{
  SysFreeString(bstr_);
  bstr_ = bstr;
}

BSTR WideString::Detach()
{
  BSTR result = bstr_;
  bstr_ = nullptr;
  return result;
}

BSTR WideString::Copy() const { return AllocBstr(bstr_, Length()); }

wchar_t& WideString::operator[](int index)
{
  if (index < 1 || index > Length()) ThrowStringIndexError(index, Length());
  return bstr_[index - 1];
}

wchar_t WideString::operator[](int index) const
{
  if (index < 1 || index > Length()) ThrowStringIndexError(index, Length());
  return bstr_[index - 1];
}

WideString WideString::SubString(int index, int count) const
{
  if (index < 1) index = 1;
  if (index > Length() || count <= 0) return {};
  const int available = Length() - index + 1;
  return WideString(bstr_ + index - 1, count < available ? count : available);
}

int WideString::Pos(const WideString& sub) const
{
  if (sub.IsEmpty()) return 0;
  const auto found = std::wstring_view(c_str(), Length()).find(std::wstring_view(sub.c_str(), sub.Length()));
  return found == std::wstring_view::npos ? 0 : static_cast<int>(found) + 1;
}

WideString& WideString::operator+=(const WideString& rhs)
{
  if (rhs.IsEmpty()) return *this;
  std::wstring joined = wstr() + rhs.wstr();
  *this = WideString(joined);
  return *this;
}

bool operator==(const WideString& a, const WideString& b)
{
  return std::wstring_view(a.c_str(), a.Length()) == std::wstring_view(b.c_str(), b.Length());
}

// ---------------------------------------------------------------------------------------------------
// Currency

Currency::Currency(double value)
{
  // The FPU's default rounding (to nearest, halves to even), as the VCL's conversion uses.
  Val = std::llrint(value * 10000.0);
}

Currency::Currency(const AnsiString& text) : Currency(StrToCurr(text)) {}

Currency::operator AnsiString() const { return CurrToStr(*this); }

// ---------------------------------------------------------------------------------------------------
// TDateTime

TDateTime::TDateTime(unsigned short year, unsigned short month, unsigned short day) : Val(EncodeDate(year, month, day).Val) {}
TDateTime::TDateTime(unsigned short hour, unsigned short min, unsigned short sec, unsigned short msec)
    : Val(EncodeTime(hour, min, sec, msec).Val)
{
}

TDateTime TDateTime::CurrentDate() { return Date(); }
TDateTime TDateTime::CurrentTime() { return Time(); }
TDateTime TDateTime::CurrentDateTime() { return Now(); }

void TDateTime::DecodeDate(unsigned short* year, unsigned short* month, unsigned short* day) const
{
  unsigned short y = 0, m = 0, d = 0;
  ::DecodeDate(*this, y, m, d);
  if (year) *year = y;
  if (month) *month = m;
  if (day) *day = d;
}

void TDateTime::DecodeTime(unsigned short* hour, unsigned short* min, unsigned short* sec, unsigned short* msec) const
{
  unsigned short h = 0, n = 0, s = 0, z = 0;
  ::DecodeTime(*this, h, n, s, z);
  if (hour) *hour = h;
  if (min) *min = n;
  if (sec) *sec = s;
  if (msec) *msec = z;
}

AnsiString TDateTime::DateString() const { return DateToStr(*this); }
AnsiString TDateTime::TimeString() const { return TimeToStr(*this); }
AnsiString TDateTime::DateTimeString() const { return DateTimeToStr(*this); }
AnsiString TDateTime::FormatString(const AnsiString& format) const { return FormatDateTime(format, *this); }

// ---------------------------------------------------------------------------------------------------
// Unit initialisation: a fixed table, zero-initialised before any constructor runs and never
// destroyed, so units in this package may register during static start-up and shut-down in any order.

namespace {

struct UnitEntry {
  char name[64];
  int users;
};

constinit UnitEntry g_units[512] = {};
constinit int g_unitCount = 0;
constinit SRWLOCK g_unitLock = SRWLOCK_INIT;

class UnitLock {
public:
  UnitLock() { AcquireSRWLockExclusive(&g_unitLock); }
  ~UnitLock() { ReleaseSRWLockExclusive(&g_unitLock); }
  UnitLock(const UnitLock&) = delete;
  UnitLock& operator=(const UnitLock&) = delete;
};

UnitEntry* FindUnit(const char* name)
{
  for (int i = 0; i < g_unitCount; ++i)
    if (std::strncmp(g_units[i].name, name, sizeof g_units[i].name - 1) == 0) return &g_units[i];
  return nullptr;
}

UnitEntry* FindOrAddUnit(const char* name)
{
  if (UnitEntry* entry = FindUnit(name)) return entry;
  if (g_unitCount == static_cast<int>(std::size(g_units))) return nullptr;
  UnitEntry& entry = g_units[g_unitCount++];
  std::strncpy(entry.name, name, sizeof entry.name - 1);
  return &entry;
}

}  // namespace

TUnitInit::TUnitInit(const char* unitName, Proc initialization, Proc finalization)
    : unitName_(unitName ? unitName : ""), finalization_(finalization)
{
  bool first = false;
  {
    UnitLock lock;
    UnitEntry* entry = FindOrAddUnit(unitName_);
    if (entry) first = entry->users++ == 0;
  }
  if (first && initialization) initialization();
}

TUnitInit::~TUnitInit()
{
  bool last = false;
  {
    UnitLock lock;
    UnitEntry* entry = FindUnit(unitName_);
    if (entry && entry->users > 0) last = --entry->users == 0;
  }
  if (!last || !finalization_) return;
  // Unloading must not be stopped by a unit's clean-up.
  try {
    finalization_();
  } catch (...) {
  }
}

int TUnitInit::Users(const char* unitName)
{
  if (!unitName) return 0;
  UnitLock lock;
  const UnitEntry* entry = FindUnit(unitName);
  return entry ? entry->users : 0;
}

// ---------------------------------------------------------------------------------------------------
// Modules

HINSTANCE FindHInstance(const void* address)
{
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module))
    return nullptr;
  return module;
}
