// Small helpers shared by the test executables.
#pragma once
#include <cstdlib>
#include <string>

namespace ostrel::test {

// A host path as the Windows program sees it (drive Z: maps the host's root under Wine).
inline std::string WindowsPath(std::string path)
{
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// The folder with the test media that the build made; the tests run with OSTREL_MEDIA set.
inline std::string MediaPath(const std::string& name)
{
  const char* dir = std::getenv("OSTREL_MEDIA");
  return WindowsPath(std::string(dir ? dir : "media") + "/" + name);
}

inline std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

}  // namespace ostrel::test
