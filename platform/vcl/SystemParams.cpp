// System: the command line's parameters (ParamCount, ParamStr).
#include "System.h"

namespace {

bool IsBlank(wchar_t c) { return c != L'\0' && c <= L' '; }

// Reads one parameter from p on; answers where the scan stopped.
const wchar_t* NextParam(const wchar_t* p, std::wstring& param)
{
  param.clear();
  for (;;) {
    while (IsBlank(*p)) ++p;
    // An empty pair of quotes where a parameter would start makes no parameter.
    if (p[0] == L'"' && p[1] == L'"') {
      p += 2;
      continue;
    }
    break;
  }
  while (*p > L' ') {
    if (*p != L'"') {
      param += *p++;
      continue;
    }
    ++p;
    while (*p != L'\0' && *p != L'"') param += *p++;
    if (*p == L'"') ++p;
  }
  return p;
}

}  // namespace

namespace vcl_detail {

std::vector<AnsiString> SplitCommandLine(const wchar_t* commandLine)
{
  std::vector<AnsiString> params;
  if (!commandLine) return params;
  const wchar_t* p = commandLine;
  std::wstring param;
  for (;;) {
    p = NextParam(p, param);
    if (param.empty() && *p == L'\0') break;
    params.emplace_back(param.c_str());
  }
  return params;
}

}  // namespace vcl_detail

int ParamCount()
{
  const auto params = vcl_detail::SplitCommandLine(GetCommandLineW());
  return params.empty() ? 0 : int(params.size()) - 1;
}

AnsiString ParamStr(int index)
{
  if (index == 0) {
    // The program's own path, whatever the command line called it.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD got = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
      if (got < path.size()) {
        path.resize(got);
        break;
      }
      path.resize(path.size() * 2);
    }
    return AnsiString(path.c_str());
  }
  const auto params = vcl_detail::SplitCommandLine(GetCommandLineW());
  if (index < 0 || size_t(index) >= params.size()) return AnsiString();
  return params[size_t(index)];
}
