// vyrpack: packs a stream into a .vyr container and back, prints and checks .vyr files.
#include "Vyrpackcli.h"

#include <windows.h>
#include <shellapi.h>

#include <iostream>

namespace {

std::string Utf8(const wchar_t* text)
{
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

int main()
{
  // The wide command line, so that file names outside the active code page survive.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv && i < argc; ++i) args.push_back(Utf8(argv[i]));
  if (argv) LocalFree(argv);
  return vyrformat::RunVyrpack(args, std::cout, std::cerr);
}
