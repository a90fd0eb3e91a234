// The kit's message box answerer: the box the code shows is answered with the button asked, and what
// it said is reported.
#include "Probe.h"

#include <algorithm>

namespace ostrel::test {
namespace {

bool Has(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

TEST(MessageBoxes, TaskModalBoxIsAnsweredNo)
{
  MessageBoxAnswer answer(IDNO);
  int r = MessageBoxW(nullptr, L"Discard the changes to the playlist?", L"Ostrel kit", MB_YESNO | MB_TASKMODAL);
  EXPECT_EQ(r, IDNO);
  const auto& seen = answer.Result();
  EXPECT_TRUE(seen.Found);
  EXPECT_TRUE(seen.Pressed) << seen.Problem;
  EXPECT_EQ(seen.Caption, "Ostrel kit");
  EXPECT_EQ(seen.Text, "Discard the changes to the playlist?");
  EXPECT_TRUE(Has(seen.Buttons, IDYES));
  EXPECT_TRUE(Has(seen.Buttons, IDNO));
  EXPECT_FALSE(Has(seen.Buttons, IDCANCEL));
  EXPECT_EQ(seen.Owner, nullptr);
}

TEST(MessageBoxes, TaskModalBoxIsAnsweredYes)
{
  MessageBoxAnswer answer(IDYES);
  int r = MessageBoxW(nullptr, L"Keep the changes?", L"Ostrel kit", MB_YESNO | MB_TASKMODAL | MB_ICONQUESTION);
  EXPECT_EQ(r, IDYES);
  EXPECT_TRUE(answer.Result().Pressed) << answer.Result().Problem;
  EXPECT_EQ(answer.Result().Text, "Keep the changes?");
}

TEST(MessageBoxes, OwnedBoxIsAnsweredAndReportsItsOwnerAndHebrewText)
{
  Probe owner(RECT{240, 200, 540, 400});
  ASSERT_TRUE(MakeForeground(owner.Handle()));
  MessageBoxAnswer answer(IDCANCEL);
  const std::wstring text = L"\x05E9\x05DC\x05D5\x05DD - cancel?";
  int r = MessageBoxW(owner.Handle(), text.c_str(), L"Owned", MB_OKCANCEL | MB_ICONWARNING);
  EXPECT_EQ(r, IDCANCEL);
  const auto& seen = answer.Result();
  EXPECT_TRUE(seen.Pressed) << seen.Problem;
  EXPECT_EQ(seen.Owner, owner.Handle());
  EXPECT_EQ(seen.Caption, "Owned");
  EXPECT_EQ(seen.Text, WideToUtf8(text));
  EXPECT_TRUE(Has(seen.Buttons, IDOK));
  EXPECT_TRUE(Has(seen.Buttons, IDCANCEL));
  // The owner was disabled for the box's life and is enabled again.
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST(MessageBoxes, AMissingButtonIsReportedAndTheBoxStillCloses)
{
  MessageBoxAnswer answer(IDRETRY);
  int r = MessageBoxW(nullptr, L"Only OK here", L"Ostrel kit", MB_OK | MB_TASKMODAL);
  EXPECT_EQ(r, IDOK);
  const auto& seen = answer.Result();
  EXPECT_TRUE(seen.Found);
  EXPECT_FALSE(seen.Pressed);
  EXPECT_NE(seen.Problem.find("no button"), std::string::npos) << seen.Problem;
}

TEST(MessageBoxes, NoBoxIsReportedAfterTheTimeout)
{
  const ULONGLONG start = GetTickCount64();
  MessageBoxAnswer answer(IDOK, 200);
  const auto& seen = answer.Result();
  EXPECT_FALSE(seen.Found);
  EXPECT_FALSE(seen.Pressed);
  EXPECT_FALSE(seen.Problem.empty());
  EXPECT_GE(GetTickCount64() - start, 190u);
  EXPECT_LT(GetTickCount64() - start, 3000u);
}

TEST(MessageBoxes, TwoBoxesInARowAreAnsweredEachByItsOwnAnswerer)
{
  for (int id : {IDOK, IDCANCEL, IDOK}) {
    MessageBoxAnswer answer(id);
    EXPECT_EQ(MessageBoxW(nullptr, L"Again", L"Ostrel kit", MB_OKCANCEL | MB_TASKMODAL), id);
    EXPECT_TRUE(answer.Result().Pressed);
  }
}

}  // namespace
}  // namespace ostrel::test
