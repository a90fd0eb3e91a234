// Folders and files for the locale manager's tests.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "System.h"

namespace qeltest {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
  TempFolder()
  {
    static int serial = 0;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / (L"qel-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder()
  {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder's path in UTF-8 with a trailing backslash, as the locale manager spells folders.
  AnsiString Ansi() const { return AnsiString(Utf16ToUtf8(path_.wstring() + L"\\")); }

  std::filesystem::path Write(const std::wstring& relative, const std::string& bytes) const
  {
    const auto file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

private:
  std::filesystem::path path_;
};

inline AnsiString Ansi(const std::filesystem::path& path) { return AnsiString(Utf16ToUtf8(path.wstring())); }

// A translation file of one module with the given STRING elements (already written as XML).
inline std::string Translation(const std::string& moduleElement, const std::string& strings,
                               const std::string& forms = std::string())
{
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TRANSLATION>\n" + moduleElement + "\n<STRINGS>\n" + strings +
         "\n</STRINGS>\n" + forms + "\n</TRANSLATION>\n";
}

inline std::string Module(int id) { return "<MODULE id=\"" + std::to_string(id) + "\"/>"; }

inline std::string String(int id, const std::string& value)
{
  return "<STRING id=\"" + std::to_string(id) + "\" value=\"" + value + "\"/>";
}

}  // namespace qeltest
