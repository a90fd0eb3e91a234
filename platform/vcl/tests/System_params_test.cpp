// The command line split as ParamStr splits it, and COM joined by Application->Initialize.
#include <gtest/gtest.h>

#include <objbase.h>

#include "ComTest.h"
#include "Forms.h"

namespace {

std::vector<std::string> Split(const wchar_t* line)
{
  std::vector<std::string> out;
  for (const AnsiString& s : vcl_detail::SplitCommandLine(line)) out.push_back(s.str());
  return out;
}

using V = std::vector<std::string>;

}  // namespace

TEST(ParamStr, SplitsLikeTheVcl)
{
  EXPECT_EQ(Split(L"prog a b"), (V{"prog", "a", "b"}));
  EXPECT_EQ(Split(L"\"C:\\Program Files\\x.exe\" \"a b\" c"), (V{"C:\\Program Files\\x.exe", "a b", "c"}));
  // A quoted part joins the text around it; the quotes go.
  EXPECT_EQ(Split(L"prog a\"b c\"d"), (V{"prog", "ab cd"}));
  // A quote inside quotes ends the group; the next one starts another.
  EXPECT_EQ(Split(L"prog \"a\"\"b\""), (V{"prog", "ab"}));
  // An empty pair where a parameter starts is no parameter.
  EXPECT_EQ(Split(L"prog \"\" x \"\""), (V{"prog", "x"}));
  EXPECT_EQ(Split(L"  prog \t  x   "), (V{"prog", "x"}));
  EXPECT_EQ(Split(L"prog \"open ended"), (V{"prog", "open ended"}));
  // Backslashes are ordinary characters.
  EXPECT_EQ(Split(L"prog a\\\"b\" c\\"), (V{"prog", "a\\b", "c\\"}));
  EXPECT_EQ(Split(L"prog \"\\\\server\\share\\\""), (V{"prog", "\\\\server\\share\\"}));
  EXPECT_EQ(Split(L""), V{});
  EXPECT_EQ(Split(nullptr), V{});
}

TEST(ParamStr, HebrewFileNamesSurvive)
{
  const V params = Split(L"player.exe \"C:\\\u05E9\u05D9\u05E8\u05D9\u05DD\\\u05E9\u05D9\u05E8 1.vyr\" /play");
  ASSERT_EQ(params.size(), 3u);
  EXPECT_EQ(params[1], "C:\\\xD7\xA9\xD7\x99\xD7\xA8\xD7\x99\xD7\x9D\\\xD7\xA9\xD7\x99\xD7\xA8 1.vyr");
  EXPECT_EQ(params[2], "/play");
}

TEST(ParamStr, ThisProgramsCommandLine)
{
  EXPECT_EQ(ParamStr(0), Application->GetExeName());
  const auto params = vcl_detail::SplitCommandLine(GetCommandLineW());
  ASSERT_FALSE(params.empty());
  EXPECT_EQ(ParamCount(), int(params.size()) - 1);
  for (int i = 1; i <= ParamCount(); ++i) EXPECT_EQ(ParamStr(i), params[size_t(i)]);
  EXPECT_EQ(ParamStr(ParamCount() + 1), AnsiString());
  EXPECT_EQ(ParamStr(-1), AnsiString());
}

TEST(ComObj, InitializeJoinsTheApartmentAndRunsEndLeavesIt)
{
  Application->Initialize();
  // Now it is in a single-threaded apartment: asking for the other kind is refused.
  EXPECT_EQ(ostrel::test::ComApartment(COINIT_MULTITHREADED).Result(), RPC_E_CHANGED_MODE);
  ASSERT_NE(InitDoneProc, nullptr);
  // What the end of Run does, without ending this test program's message loop.
  void (*done)() = InitDoneProc;
  InitDoneProc = nullptr;
  done();
  EXPECT_EQ(ostrel::test::ComApartment(COINIT_MULTITHREADED).Result(), S_OK) << "the apartment was left";
}
