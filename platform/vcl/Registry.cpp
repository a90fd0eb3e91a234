#include "Registry.h"

#include "Consts.h"

namespace {

std::wstring Wide(const AnsiString& s) { return Utf8ToUtf16(s.str()); }

bool IsAbsolute(const AnsiString& key) { return !key.IsEmpty() && key[1] == '\\'; }

TRegDataType DataTypeOf(DWORD type)
{
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

}  // namespace

TRegistry::TRegistry() = default;
TRegistry::TRegistry(REGSAM access) : FAccess(access) {}
TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY value)
{
  if (value == FRootKey) return;
  CloseKey();
  FRootKey = value;
}

HKEY TRegistry::BaseKey(const AnsiString& key) const
{
  return FCurrentKey && !IsAbsolute(key) ? FCurrentKey : FRootKey;
}

std::wstring TRegistry::RelativeName(const AnsiString& key)
{
  AnsiString name = key;
  if (IsAbsolute(name)) name.Delete(1, 1);
  return Wide(ExcludeTrailingBackslash(name));
}

void TRegistry::ChangeKey(HKEY key, const AnsiString& path)
{
  CloseKey();
  FCurrentKey = key;
  FCurrentPath = path;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate)
{
  const std::wstring name = RelativeName(key);
  HKEY opened = nullptr;
  LONG result;
  if (canCreate && !name.empty())
    result = RegCreateKeyExW(BaseKey(key), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr, &opened, nullptr);
  else
    result = RegOpenKeyExW(BaseKey(key), name.c_str(), 0, FAccess, &opened);
  if (result != ERROR_SUCCESS) return false;
  AnsiString path = IsAbsolute(key) || FCurrentPath.IsEmpty() ? ExcludeTrailingBackslash(key) : FCurrentPath + "\\" + key;
  if (IsAbsolute(path)) path.Delete(1, 1);
  ChangeKey(opened, ExcludeTrailingBackslash(path));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key)
{
  const REGSAM saved = FAccess;
  FAccess = KEY_READ;
  const bool opened = OpenKey(key, false);
  FAccess = saved;
  return opened;
}

void TRegistry::CloseKey()
{
  if (!FCurrentKey) return;
  RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
  FCurrentPath = AnsiString();
}

bool TRegistry::CreateKey(const AnsiString& key)
{
  HKEY created = nullptr;
  const LONG result = RegCreateKeyExW(BaseKey(key), RelativeName(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess,
                                      nullptr, &created, nullptr);
  if (result != ERROR_SUCCESS) throw ERegistryException(SRegCreateFailed, {key});
  RegCloseKey(created);
  return true;
}

bool TRegistry::DeleteKey(const AnsiString& key)
{
  const std::wstring name = RelativeName(key);
  if (name.empty()) return false;  // never the base key itself
  // Removes the key's values and subkeys, then the key itself.
  return RegDeleteTreeW(BaseKey(key), name.c_str()) == ERROR_SUCCESS;
}

HKEY TRegistry::OpenForRead(const AnsiString& key) const
{
  HKEY opened = nullptr;
  if (RegOpenKeyExW(BaseKey(key), RelativeName(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return nullptr;
  return opened;
}

bool TRegistry::KeyExists(const AnsiString& key)
{
  HKEY opened = OpenForRead(key);
  if (!opened) return false;
  RegCloseKey(opened);
  return true;
}

bool TRegistry::HasSubKeys()
{
  DWORD subKeys = 0;
  return RegQueryInfoKeyW(ValueKey(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr) == ERROR_SUCCESS &&
         subKeys > 0;
}

bool TRegistry::ValueExists(const AnsiString& name) { return GetDataSize(name) >= 0; }

bool TRegistry::DeleteValue(const AnsiString& name)
{
  return RegDeleteValueW(ValueKey(), Wide(name).c_str()) == ERROR_SUCCESS;
}

TRegDataType TRegistry::GetDataType(const AnsiString& name)
{
  DWORD type = 0;
  if (RegQueryValueExW(ValueKey(), Wide(name).c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) return rdUnknown;
  return DataTypeOf(type);
}

int TRegistry::GetDataSize(const AnsiString& name)
{
  DWORD size = 0;
  if (RegQueryValueExW(ValueKey(), Wide(name).c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return -1;
  return static_cast<int>(size);
}

AnsiString TRegistry::ReadString(const AnsiString& name)
{
  const std::wstring wideName = Wide(name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(ValueKey(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(SInvalidRegType, {name});
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegQueryValueExW(ValueKey(), wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS)
    throw ERegistryException(SRegGetDataFailed, {name});
  // Stored strings may or may not carry their terminating zero.
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return AnsiString(Utf16ToUtf8(text));
}

void TRegistry::PutData(const AnsiString& name, const void* data, DWORD size, DWORD type)
{
  if (RegSetValueExW(ValueKey(), Wide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    throw ERegistryException(SRegSetDataFailed, {name});
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value)
{
  const std::wstring text = Wide(value);
  PutData(name, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), REG_SZ);
}

void TRegistry::WriteExpandString(const AnsiString& name, const AnsiString& value)
{
  const std::wstring text = Wide(value);
  PutData(name, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const AnsiString& name)
{
  DWORD type = 0, value = 0, size = sizeof value;
  const LONG result = RegQueryValueExW(ValueKey(), Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (result == ERROR_MORE_DATA) throw ERegistryException(SInvalidRegType, {name});
  if (result != ERROR_SUCCESS) throw ERegistryException(SRegGetDataFailed, {name});
  if (type != REG_DWORD) throw ERegistryException(SInvalidRegType, {name});
  return static_cast<int>(value);
}

void TRegistry::WriteInteger(const AnsiString& name, int value)
{
  const DWORD data = static_cast<DWORD>(value);
  PutData(name, &data, sizeof data, REG_DWORD);
}

std::vector<AnsiString> TRegistry::GetValueNames()
{
  std::vector<AnsiString> names;
  wchar_t buffer[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(std::size(buffer));
    if (RegEnumValueW(ValueKey(), i, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(Utf16ToUtf8(std::wstring_view(buffer, length)));
  }
  return names;
}

std::vector<AnsiString> TRegistry::GetKeyNames()
{
  std::vector<AnsiString> names;
  wchar_t buffer[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(std::size(buffer));
    if (RegEnumKeyExW(ValueKey(), i, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(Utf16ToUtf8(std::wstring_view(buffer, length)));
  }
  return names;
}
