// ostrel-desktop WxH PROGRAM [ARGS...]: runs PROGRAM on a desktop of its own, exactly W by H pixels,
// and ends with PROGRAM's exit code; PROGRAM's standard handles are this program's.
//
// Under Wine a desktop other than the default one is a virtual desktop: one window of that size,
// made by Wine's explorer the first time a program of that desktop needs it, at the size that
// HKCU\Software\Wine\Explorer\Desktops names for the desktop. Unlike `explorer /desktop=...`, which
// starts the program detached and forgets it, this keeps the exit code for whoever runs the test.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <string>

namespace {

bool ParseSize(const std::wstring& s, int& w, int& h)
{
  const size_t x = s.find(L'x');
  if (x == 0 || x == std::wstring::npos || x + 1 == s.size()) return false;
  if (s.find_first_not_of(L"0123456789x") != std::wstring::npos || s.find(L'x', x + 1) != std::wstring::npos) return false;
  w = std::stoi(s.substr(0, x));
  h = std::stoi(s.substr(x + 1));
  return w > 0 && h > 0 && w < 100000 && h < 100000;
}

// One argument as CommandLineToArgvW and the C runtime read it back.
std::wstring Quote(const std::wstring& arg)
{
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
    else out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

struct Args {
  int Argc = 0;  // before Argv: filled in by Argv's initialiser
  LPWSTR* Argv;
  Args() : Argv(CommandLineToArgvW(GetCommandLineW(), &Argc)) {}
  ~Args() { if (Argv) LocalFree(Argv); }
};

struct Handle {
  HANDLE H;
  ~Handle() { if (H) CloseHandle(H); }
};

struct Desktop {
  HDESK H;
  ~Desktop() { if (H) CloseDesktop(H); }
};

}  // namespace

int Run()
{
  Args args;
  int w = 0, h = 0;
  if (!args.Argv || args.Argc < 3 || !ParseSize(args.Argv[1], w, h)) {
    std::fprintf(stderr, "usage: ostrel-desktop WIDTHxHEIGHT PROGRAM [ARGS...]\n");
    return 125;
  }
  const std::wstring size = args.Argv[1];
  std::wstring name = L"ostrel-" + size;

  // The size Wine gives the desktop when it first makes it; one name per size, so the value never
  // changes under a desktop that exists.
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size.c_str()),
                   static_cast<DWORD>((size.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  // Held open for the program's whole run, so that the desktop outlives no one's use of it.
  Desktop desktop{CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr)};
  if (!desktop.H) {
    std::fprintf(stderr, "ostrel-desktop: cannot create desktop %ls (error %lu)\n", name.c_str(), GetLastError());
    return 125;
  }

  std::wstring cmdline;
  for (int i = 2; i < args.Argc; ++i) cmdline += (i > 2 ? L" " : L"") + Quote(args.Argv[i]);

  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.lpDesktop = name.data();
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmdline.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "ostrel-desktop: cannot start %ls (error %lu)\n", args.Argv[2], GetLastError());
    return 126;
  }
  Handle process{pi.hProcess};
  Handle thread{pi.hThread};
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  return static_cast<int>(code);
}

int main()
{
  try {
    return Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ostrel-desktop: %s\n", e.what());
    return 125;
  }
}
