// Shared by the TWAIN tests: the lines the component writes on its trace channel, caught in process.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace twaintest {

// The virtual scanner's registry settings for one test: none before, none after (the scanner reads
// them at every open).
class ScannerSettings {
public:
  ScannerSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, Key); }
  ~ScannerSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, Key); }
  ScannerSettings(const ScannerSettings&) = delete;
  ScannerSettings& operator=(const ScannerSettings&) = delete;

  void Set(const wchar_t* name, DWORD value) { Write(name, REG_DWORD, &value, sizeof value); }
  void Set(const wchar_t* name, const std::wstring& value)
  {
    Write(name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

private:
  static constexpr const wchar_t* Key = L"Software\\Ostrel\\Virtual Scanner";
  static void Write(const wchar_t* name, DWORD type, const void* data, DWORD size)
  {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }
};

// Collects every "ostrel:twain:" line written while it lives (OutputDebugString raises
// DBG_PRINTEXCEPTION_C, which a vectored handler sees first). The test runs with OSTREL_DEBUG=+twain.
class TraceLines {
public:
  TraceLines() { FHandler = AddVectoredExceptionHandler(1, &TraceLines::Seen); Current() = this; }
  ~TraceLines()
  {
    RemoveVectoredExceptionHandler(FHandler);
    Current() = nullptr;
  }
  TraceLines(const TraceLines&) = delete;
  TraceLines& operator=(const TraceLines&) = delete;

  std::vector<std::string> Lines() const
  {
    std::lock_guard<std::mutex> guard(FLock);
    return FLines;
  }
  // The lines that contain every one of the given pieces.
  int Count(const std::string& piece) const
  {
    int n = 0;
    for (const std::string& line : Lines()) n += line.find(piece) != std::string::npos;
    return n;
  }

private:
  static TraceLines*& Current()
  {
    static TraceLines* current = nullptr;
    return current;
  }
  static LONG CALLBACK Seen(EXCEPTION_POINTERS* info)
  {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2 && Current()) {
      const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
      std::string line(text ? text : "");
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      if (line.rfind("ostrel:twain: ", 0) == 0) {
        std::lock_guard<std::mutex> guard(Current()->FLock);
        Current()->FLines.push_back(line.substr(14));
      }
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }

  void* FHandler = nullptr;
  mutable std::mutex FLock;
  std::vector<std::string> FLines;
};

}  // namespace twaintest
