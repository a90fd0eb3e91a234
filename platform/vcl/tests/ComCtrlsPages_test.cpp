// The page control on a real window: tabs clicked and turned with Ctrl+Tab, the OnChanging veto,
// hidden tabs, sheets filling the display rect, and the tabs right to left.
#include "ComCtrlsTestSupport.h"

using namespace comctl;

namespace {

class TPagesProbe : public TPageControl {
  VCL_DECLARE_CLASS(TPagesProbe, TPageControl)
  explicit TPagesProbe(TOwnerArg owner) : TPageControl(owner)
  {
    OnChanging = TTabChangingEvent(this, &TPagesProbe::Changing);
    OnChange = TNotifyEvent(this, &TPagesProbe::Changed);
  }
  bool Allow = true;
  std::vector<std::string> Events;
  void Changing(TObject*, bool& allow)
  {
    Events.push_back("changing " + (GetActivePage() ? GetActivePage()->GetCaption().str() : std::string("-")));
    allow = Allow;
  }
  void Changed(TObject*) { Events.push_back("change " + GetActivePage()->GetCaption().str()); }
};
VCL_IMPLEMENT_CLASS(TPagesProbe)

class PageControl : public ComCtrlsTest {
protected:
  void SetUp() override
  {
    ComCtrlsTest::SetUp();
    Pages = Place<TPagesProbe>(Form.get(), 10, 10, 400, 280);
    const char* captions[] = {"One", "Two", "Three"};
    for (const char* caption : captions) {
      auto* sheet = new TTabSheet(Form.get());
      sheet->SetCaption(caption);
      sheet->SetPageControl(Pages);
      Sheets.push_back(sheet);
    }
    Pages->SetActivePage(Sheets[0]);
    // Something to focus on each sheet.
    for (TTabSheet* sheet : Sheets) Place<TEdit>(sheet, 20, 20, 120, 24);
    ctltest::Pump();
  }
  RECT TabRect(int index)
  {
    RECT r{};
    SendMessageW(Pages->GetHandle(), TCM_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return r;
  }
  // Only the active sheet shows, and it fills the display rect.
  void ExpectShown(TTabSheet* active, const char* what)
  {
    EXPECT_EQ(Pages->GetActivePage(), active) << what;
    for (TTabSheet* sheet : Sheets) EXPECT_EQ(sheet->GetVisible(), sheet == active) << what;
    EXPECT_TRUE(IsWindowVisible(active->GetHandle())) << what;
    EXPECT_EQ(active->GetBoundsRect(), Pages->GetDisplayRect()) << what;
    EXPECT_EQ(SendMessageW(Pages->GetHandle(), TCM_GETCURSEL, 0, 0), active->GetTabIndex()) << what;
  }
  TPagesProbe* Pages = nullptr;
  std::vector<TTabSheet*> Sheets;
};

}  // namespace

TEST_F(PageControl, PagesAndTabsFollowTheirSheets)
{
  EXPECT_EQ(Pages->GetPageCount(), 3);
  EXPECT_EQ(SendMessageW(Pages->GetHandle(), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Sheets[2]->GetPageIndex(), 2);
  EXPECT_EQ(Pages->Pages(1), Sheets[1]);
  ExpectShown(Sheets[0], "the first page");
  const TRect display = Pages->GetDisplayRect();
  EXPECT_GT(display.Top, 10) << "the tabs are above the pages";
  // A hidden tab keeps its page; the tabs after it move up.
  Sheets[1]->SetTabVisible(false);
  EXPECT_EQ(SendMessageW(Pages->GetHandle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(Sheets[2]->GetTabIndex(), 1);
  EXPECT_EQ(Sheets[1]->GetTabIndex(), -1);
  Sheets[1]->SetTabVisible(true);
  // Moving a page moves its tab.
  Sheets[2]->SetPageIndex(0);
  EXPECT_EQ(Pages->Pages(0), Sheets[2]);
  wchar_t text[16] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 16;
  SendMessageW(Pages->GetHandle(), TCM_GETITEMW, 0, LPARAM(&item));
  EXPECT_STREQ(text, L"Three");
  EXPECT_EQ(Pages->GetActivePageIndex(), 1);
  Sheets[2]->SetPageIndex(2);
  // A deleted active page hands over to the next one.
  Pages->SetActivePage(Sheets[1]);
  delete Sheets[1];
  Sheets.erase(Sheets.begin() + 1);
  EXPECT_EQ(Pages->GetPageCount(), 2);
  ExpectShown(Sheets[1], "after the active page went");
}

TEST_F(PageControl, ClicksAndCtrlTabTurnThePages)
{
  struct Case {
    const char* what;
    std::function<bool()> input;
    int active;
    std::vector<std::string> events;
  } cases[] = {
      {"a click on the third tab", [&] { return gt::Click(Pages->GetHandle(), Center(TabRect(2))); }, 2,
       {"changing One", "change Three"}},
      {"Ctrl+Tab wraps to the first", [&] { return gt::KeyPress(VK_TAB, gt::ShiftCtrl); }, 0,
       {"changing Three", "change One"}},
      {"Ctrl+Tab", [&] { return gt::KeyPress(VK_TAB, gt::ShiftCtrl); }, 1, {"changing One", "change Two"}},
      {"Ctrl+Shift+Tab", [&] { return gt::KeyPress(VK_TAB, gt::ShiftCtrl | gt::ShiftShift); }, 0,
       {"changing Two", "change One"}},
      {"a click on the second tab", [&] { return gt::Click(Pages->GetHandle(), Center(TabRect(1))); }, 1,
       {"changing One", "change Two"}},
  };
  ASSERT_TRUE(stdinput::FocusOn(Pages));
  for (const Case& c : cases) {
    Pages->Events.clear();
    ASSERT_TRUE(c.input()) << c.what;
    ASSERT_TRUE(gt::PumpUntil([&] { return Pages->Events.size() >= c.events.size(); }, 3000)) << c.what;
    ctltest::Pump();
    EXPECT_EQ(Pages->Events, c.events) << c.what;
    ExpectShown(Sheets[size_t(c.active)], c.what);
  }
  // From a control on a sheet too.
  Pages->Events.clear();
  auto* edit = static_cast<TWinControl*>(Sheets[1]->GetControl(0));
  ASSERT_TRUE(stdinput::FocusOn(edit));
  ASSERT_TRUE(gt::KeyPress(VK_TAB, gt::ShiftCtrl));
  ASSERT_TRUE(gt::PumpUntil([&] { return Pages->Events.size() >= 2; }, 3000));
  ExpectShown(Sheets[2], "Ctrl+Tab from an edit on the page");
}

TEST_F(PageControl, OnChangingVetoesClicksAndKeys)
{
  Pages->Allow = false;
  struct Case {
    const char* what;
    std::function<bool()> input;
  } cases[] = {
      {"a click", [&] { return gt::Click(Pages->GetHandle(), Center(TabRect(2))); }},
      {"Ctrl+Tab", [&] { return stdinput::FocusOn(Pages) && gt::KeyPress(VK_TAB, gt::ShiftCtrl); }},
  };
  for (const Case& c : cases) {
    Pages->Events.clear();
    ASSERT_TRUE(c.input()) << c.what;
    ASSERT_TRUE(gt::PumpUntil([&] { return !Pages->Events.empty(); }, 3000)) << c.what;
    ctltest::Pump();
    EXPECT_EQ(Pages->Events, (std::vector<std::string>{"changing One"})) << c.what;
    ExpectShown(Sheets[0], c.what);
  }
  // A hidden tab is skipped by Ctrl+Tab.
  Pages->Allow = true;
  Sheets[1]->SetTabVisible(false);
  Pages->Events.clear();
  ASSERT_TRUE(gt::KeyPress(VK_TAB, gt::ShiftCtrl));
  ASSERT_TRUE(gt::PumpUntil([&] { return Pages->Events.size() >= 2; }, 3000));
  ExpectShown(Sheets[2], "past the hidden tab");
}

TEST_F(PageControl, RightToLeftTabsStartAtTheRight)
{
  Form->SetBiDiMode(bdRightToLeft);
  ctltest::Pump();
  HWND handle = Pages->GetHandle();
  ASSERT_TRUE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  ASSERT_EQ(SendMessageW(handle, TCM_GETITEMCOUNT, 0, 0), 3);
  const RECT first = ScreenRect(handle, TabRect(0)), second = ScreenRect(handle, TabRect(1));
  const RECT whole = ScreenRect(handle, RECT{0, 0, Pages->GetWidth(), Pages->GetHeight()});
  EXPECT_GT(first.left, second.left) << "the first tab is right of the second";
  EXPECT_GT(first.right, CenterX(whole));
  ExpectShown(Sheets[0], "right to left");
  ASSERT_TRUE(SaveScreen(Form->GetHandle(), "pagecontrol_right_to_left"));
  ASSERT_TRUE(gt::Click(handle, Center(TabRect(1))));
  ASSERT_TRUE(gt::PumpUntil([&] { return Pages->GetActivePage() == Sheets[1]; }, 3000));
  ExpectShown(Sheets[1], "a click right to left");
}
