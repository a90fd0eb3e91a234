// The test kit's COM apartment guard and program runner.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "ComTest.h"
#include "RunProgram.h"

using namespace ostrel::test;

namespace {

// What a fresh thread answers when it joins an apartment of `second` while in one of `first`, and
// whether it is still in its first apartment once the second guard has gone.
struct TApartmentCase {
  DWORD first;
  DWORD second;
  HRESULT secondResult;
};

TEST(ComApartment, LeavesOnlyWhatItJoined)
{
  const TApartmentCase cases[] = {
      {COINIT_MULTITHREADED, COINIT_MULTITHREADED, S_FALSE},
      {COINIT_APARTMENTTHREADED, COINIT_APARTMENTTHREADED, S_FALSE},
      {COINIT_MULTITHREADED, COINIT_APARTMENTTHREADED, RPC_E_CHANGED_MODE},
      {COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED, RPC_E_CHANGED_MODE},
  };
  for (const TApartmentCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "first " << c.first << ", second " << c.second);
    HRESULT first = E_FAIL, second = E_FAIL, stillIn = E_FAIL, afterAll = E_FAIL;
    std::thread([&] {
      {
        ComApartment outer(c.first);
        first = outer.Result();
        second = ComApartment(c.second).Result();
        // The first apartment is still the thread's: joining its kind again answers S_FALSE.
        stillIn = ComApartment(c.first).Result();
      }
      // Everything joined was left: the thread is in no apartment.
      afterAll = ComApartment(c.second).Result();
    }).join();
    EXPECT_EQ(first, S_OK);
    EXPECT_EQ(second, c.secondResult);
    EXPECT_EQ(stillIn, S_FALSE);
    EXPECT_EQ(afterAll, S_OK);
  }
}

std::wstring ThisProgram()
{
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// Not a test: the child program of the test below (disabled, so only a child run asks for it). Ends
// with the code OSTREL_CHILD_EXIT asks for, plus 100 when the working folder holds a file named
// "marker"; without the variable it ends as a program that passed.
TEST(RunProgramChild, DISABLED_EndsWithTheCodeItIsAskedFor)
{
  const char* code = std::getenv("OSTREL_CHILD_EXIT");
  if (!code) return;
  const bool marked = GetFileAttributesW(L"marker") != INVALID_FILE_ATTRIBUTES;
  ExitProcess(UINT(std::atoi(code)) + (marked ? 100 : 0));
}

TEST(RunProgram, StartsWithTheFolderAndEnvironmentAskedAndAnswersTheExitCode)
{
  const auto folder = std::filesystem::temp_directory_path() / (L"runprogram-" + std::to_wstring(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / L"marker") << "here";
  struct Case {
    const char* name;
    std::wstring program;
    ProgramOptions options;
    bool started;
    DWORD exitCode;
  };
  const std::vector<std::wstring> child{L"--gtest_also_run_disabled_tests", L"--gtest_filter=RunProgramChild.*"};
  const Case cases[] = {
      {"the test's own environment", ThisProgram(), {}, true, 0},
      {"an added variable", ThisProgram(), {L"", {L"OSTREL_CHILD_EXIT=7"}}, true, 7},
      {"a variable and a folder", ThisProgram(), {folder.wstring(), {L"OSTREL_CHILD_EXIT=7"}}, true, 107},
      {"a variable given twice", ThisProgram(), {L"", {L"OSTREL_CHILD_EXIT=7", L"ostrel_child_exit=9"}}, true, 9},
      {"no such program", (folder / L"missing.exe").wstring(), {}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramResult result = RunProgram(c.program, child, 60000, c.options);
    EXPECT_EQ(result.Started, c.started);
    EXPECT_EQ(result.StartError != 0, !c.started);
    EXPECT_EQ(result.Ended, c.started);
    EXPECT_EQ(result.ExitCode, c.exitCode);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
