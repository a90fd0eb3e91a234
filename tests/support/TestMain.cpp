// The main of every test executable: GoogleTest with unbuffered output, so that a test that hangs
// or crashes under Wine still shows how far it got.
#include <gtest/gtest.h>
#include <cstdio>
#include <windows.h>

int main(int argc, char** argv)
{
  setvbuf(stdout, nullptr, _IONBF, 0);
  setvbuf(stderr, nullptr, _IONBF, 0);
  // A crash must end the process with a failure code, not stop on a debugger dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
