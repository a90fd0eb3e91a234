// Starting a program from a test and waiting for it, always for a bounded time. Plain Win32 (no
// VCL), so any test executable may use it.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace ostrel::test {

// The program's path and its arguments, each in double quotes (so blanks stay inside one).
inline std::wstring CommandLine(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
  std::wstring line = L"\"" + program + L"\"";
  for (const std::wstring& argument : arguments) line += L" \"" + argument + L"\"";
  return line;
}

struct ProgramOptions {
  // The working folder; empty for the test's own.
  std::wstring Folder;
  // NAME=value entries that replace or add to the test's environment for the program.
  std::vector<std::wstring> Environment;
};

// The test's environment with the entries given put over it, as CreateProcessW takes a Unicode
// block: NAME=value strings, each ended by a zero, and one more zero at the end.
inline std::wstring EnvironmentBlock(const std::vector<std::wstring>& entries)
{
  auto nameOf = [](const std::wstring& entry) { return entry.substr(0, entry.find(L'=', 1)); };
  auto sameName = [&](const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(nameOf(a).c_str(), nameOf(b).c_str()) == 0;
  };
  std::vector<std::wstring> all;
  if (wchar_t* own = GetEnvironmentStringsW()) {
    for (const wchar_t* p = own; *p; p += wcslen(p) + 1) all.emplace_back(p);
    FreeEnvironmentStringsW(own);
  }
  for (const std::wstring& entry : entries) {
    bool replaced = false;
    for (std::wstring& existing : all)
      if (sameName(existing, entry)) {
        existing = entry;
        replaced = true;
      }
    if (!replaced) all.push_back(entry);
  }
  std::wstring block;
  for (const std::wstring& entry : all) block += entry + L'\0';
  return block + L'\0';
}

// A program started by the test. It runs on its own; Wait waits a bounded time. One still running
// when the object goes is ended by force, so a test that fails half way leaves nothing behind.
class TestProcess {
public:
  TestProcess(const std::wstring& program, const std::vector<std::wstring>& arguments,
              const ProgramOptions& options = {})
  {
    std::wstring line = CommandLine(program, arguments);
    std::wstring environment = options.Environment.empty() ? std::wstring() : EnvironmentBlock(options.Environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.empty() ? nullptr : environment.data(),
                        options.Folder.empty() ? nullptr : options.Folder.c_str(), &startup, &process_))
      startError_ = GetLastError();
  }
  ~TestProcess()
  {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 98);
      WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  bool Started() const { return process_.hProcess != nullptr; }
  // Why CreateProcessW refused (0 when it started).
  DWORD StartError() const { return startError_; }
  HANDLE Handle() const { return process_.hProcess; }
  DWORD Id() const { return process_.dwProcessId; }
  // True once the program has ended, waiting up to ms for it.
  bool Wait(DWORD ms) const { return Started() && WaitForSingleObject(process_.hProcess, ms) == WAIT_OBJECT_0; }
  // The exit code; STILL_ACTIVE while it runs.
  DWORD ExitCode() const
  {
    DWORD code = STILL_ACTIVE;
    if (Started()) GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

private:
  PROCESS_INFORMATION process_{};
  DWORD startError_ = 0;
};

struct ProgramResult {
  bool Started = false;
  DWORD StartError = 0;  // why it did not start
  bool Ended = false;    // within the time; otherwise it was ended by force
  DWORD ExitCode = 0;    // when it ended
};

// Runs a program to its end, waiting at most timeoutMs; one that takes longer is ended by force
// and reported as not Ended.
inline ProgramResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                                DWORD timeoutMs, const ProgramOptions& options = {})
{
  TestProcess process(program, arguments, options);
  ProgramResult result;
  result.Started = process.Started();
  result.StartError = process.StartError();
  result.Ended = process.Wait(timeoutMs);
  if (result.Ended) result.ExitCode = process.ExitCode();
  return result;
}

}  // namespace ostrel::test
