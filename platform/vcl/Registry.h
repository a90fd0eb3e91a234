// TRegistry of the VCL stand-in over the Win32 registry (wide functions; names and texts in UTF-8).
#pragma once

#include <vector>

#include "SysUtils.h"
#include "System.h"

OSTREL_VCL_EXCEPTION(ERegistryException, Exception);

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// Keys are relative to the open key, or to the root key when none is open or when they begin with '\'.
// Opening and testing answer false on failure; reading a value of the wrong type, reading a missing
// integer and failing to write raise ERegistryException, as in the VCL.
class TRegistry {
public:
  TRegistry();
  explicit TRegistry(REGSAM access);
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;
  ~TRegistry();

  HKEY GetRootKey() const { return FRootKey; }
  void SetRootKey(HKEY value);  // closes the open key
  REGSAM GetAccess() const { return FAccess; }
  void SetAccess(REGSAM value) { FAccess = value; }
  HKEY GetCurrentKey() const { return FCurrentKey; }
  AnsiString GetCurrentPath() const { return FCurrentPath; }

  bool OpenKey(const AnsiString& key, bool canCreate);
  bool OpenKeyReadOnly(const AnsiString& key);
  void CloseKey();
  bool CreateKey(const AnsiString& key);
  // Deletes the key with everything below it.
  bool DeleteKey(const AnsiString& key);
  bool KeyExists(const AnsiString& key);
  bool HasSubKeys();

  bool ValueExists(const AnsiString& name);
  bool DeleteValue(const AnsiString& name);
  TRegDataType GetDataType(const AnsiString& name);
  int GetDataSize(const AnsiString& name);  // -1 when the value is missing

  AnsiString ReadString(const AnsiString& name);  // "" when missing
  void WriteString(const AnsiString& name, const AnsiString& value);
  void WriteExpandString(const AnsiString& name, const AnsiString& value);
  int ReadInteger(const AnsiString& name);
  void WriteInteger(const AnsiString& name, int value);
  bool ReadBool(const AnsiString& name) { return ReadInteger(name) != 0; }
  void WriteBool(const AnsiString& name, bool value) { WriteInteger(name, value ? 1 : 0); }

  std::vector<AnsiString> GetValueNames();
  std::vector<AnsiString> GetKeyNames();

private:
  HKEY BaseKey(const AnsiString& key) const;
  static std::wstring RelativeName(const AnsiString& key);
  HKEY OpenForRead(const AnsiString& key) const;
  void PutData(const AnsiString& name, const void* data, DWORD size, DWORD type);
  HKEY ValueKey() const { return FCurrentKey ? FCurrentKey : FRootKey; }
  void ChangeKey(HKEY key, const AnsiString& path);

  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  REGSAM FAccess = KEY_ALL_ACCESS;
  AnsiString FCurrentPath;
};
