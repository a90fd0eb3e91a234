// The header control on a real window: sections clicked, dividers dragged with the mouse (the track
// states, the resize, MinWidth and MaxWidth), owner-drawn sections, and the sections right to left.
#include "ComCtrlsTestSupport.h"

using namespace comctl;

namespace {

// Records the header's events as text, in order.
class THeaderProbe : public THeaderControl {
  VCL_DECLARE_CLASS(THeaderProbe, THeaderControl)
  explicit THeaderProbe(TOwnerArg owner) : THeaderControl(owner)
  {
    OnSectionClick = TSectionNotifyEvent(this, &THeaderProbe::Clicked);
    OnSectionResize = TSectionNotifyEvent(this, &THeaderProbe::Resized);
    OnSectionTrack = TSectionTrackEvent(this, &THeaderProbe::Tracked);
    OnDrawSection = TDrawSectionEvent(this, &THeaderProbe::Drawn);
  }
  std::vector<std::string> Events;
  std::vector<TSectionTrackState> States;
  std::vector<int> TrackWidths;
  int Draws = 0;
  void Clicked(THeaderControl*, THeaderSection* s) { Events.push_back("click " + s->GetText().str()); }
  void Resized(THeaderControl*, THeaderSection* s)
  {
    Events.push_back("resize " + s->GetText().str() + " " + std::to_string(s->GetWidth()));
  }
  void Tracked(THeaderControl*, THeaderSection*, int width, TSectionTrackState state)
  {
    if (States.empty() || States.back() != state || state != tsTrackMove) States.push_back(state);
    TrackWidths.push_back(width);
  }
  void Drawn(THeaderControl* header, THeaderSection*, const TRect& rect, bool)
  {
    ++Draws;
    header->GetCanvas()->GetBrush()->SetColor(clRed);
    header->GetCanvas()->FillRect(rect);
  }
  void Clear()
  {
    Events.clear();
    States.clear();
    TrackWidths.clear();
  }
};
VCL_IMPLEMENT_CLASS(THeaderProbe)

class HeaderControl : public ComCtrlsTest {
protected:
  void SetUp() override
  {
    ComCtrlsTest::SetUp();
    Header = new THeaderProbe(Form.get());
    Header->SetParent(Form.get());
    Header->SetHeight(24);
    const char* names[] = {"Title", "Artist", "Length"};
    const int widths[] = {80, 100, 120};
    for (int i = 0; i < 3; ++i) {
      THeaderSection* s = Header->GetSections()->Add();
      s->SetText(names[i]);
      s->SetWidth(widths[i]);
    }
    Header->GetSections()->GetItem(1)->SetMinWidth(60);
    Header->GetSections()->GetItem(1)->SetMaxWidth(150);
    ctltest::Pump();
  }
  RECT SectionRect(int index)
  {
    RECT r{};
    SendMessageW(Header->GetHandle(), HDM_GETITEMRECT, WPARAM(index), LPARAM(&r));
    return r;
  }
  THeaderProbe* Header = nullptr;
};

}  // namespace

TEST_F(HeaderControl, ClicksNameTheirSection)
{
  EXPECT_EQ(Header->GetAlign(), alTop);
  EXPECT_EQ(Header->GetWidth(), Form->GetClientWidth());
  ASSERT_EQ(SendMessageW(Header->GetHandle(), HDM_GETITEMCOUNT, 0, 0), 3);
  ASSERT_TRUE(SaveScreen(Form->GetHandle(), "header_sections"));
  Header->GetSections()->GetItem(2)->SetAllowClick(false);
  struct Case {
    int section;
    std::vector<std::string> events;
  } cases[] = {{0, {"click Title"}}, {1, {"click Artist"}}, {2, {}}};
  for (const Case& c : cases) {
    Header->Clear();
    ASSERT_TRUE(gt::Click(Header->GetHandle(), Center(SectionRect(c.section)))) << c.section;
    ctltest::Pump();
    EXPECT_EQ(Header->Events, c.events) << c.section;
  }
}

TEST_F(HeaderControl, DraggedDividersTrackAndResizeWithinTheLimits)
{
  struct Case {
    const char* what;
    int section;
    int drag;  // pixels the divider moves
    int width;
  } cases[] = {
      {"wider", 0, 40, 120},
      {"narrower than MinWidth", 1, -80, 60},
      {"wider than MaxWidth", 1, 120, 150},
  };
  for (const Case& c : cases) {
    Header->Clear();
    const RECT r = SectionRect(c.section);
    const int y = (r.top + r.bottom) / 2;
    ASSERT_TRUE(gt::Drag(Header->GetHandle(), POINT{r.right - 1, y}, POINT{r.right - 1 + c.drag, y}, 8)) << c.what;
    ASSERT_TRUE(gt::PumpUntil([&] { return !Header->Events.empty(); }, 3000)) << c.what;
    THeaderSection* section = Header->GetSections()->GetItem(c.section);
    EXPECT_EQ(section->GetWidth(), c.width) << c.what;
    EXPECT_EQ(Header->Events, (std::vector<std::string>{"resize " + section->GetText().str() + " " + std::to_string(c.width)}))
        << c.what;
    EXPECT_EQ(Header->States, (std::vector<TSectionTrackState>{tsTrackBegin, tsTrackMove, tsTrackEnd})) << c.what;
    for (int w : Header->TrackWidths) {
      EXPECT_GE(w, section->GetMinWidth()) << c.what;
      EXPECT_LE(w, section->GetMaxWidth()) << c.what;
    }
    ctltest::Pump();
    const RECT shown = SectionRect(c.section);
    EXPECT_EQ(shown.right - shown.left, c.width) << c.what << ": the window shows the width";
  }
}

TEST_F(HeaderControl, RightToLeftStartsAtTheRightAndDrawsOwnerSections)
{
  Header->GetSections()->GetItem(1)->SetStyle(hsOwnerDraw);
  Form->SetBiDiMode(bdRightToLeft);
  ctltest::Pump();
  HWND handle = Header->GetHandle();
  ASSERT_TRUE(GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  ASSERT_EQ(SendMessageW(handle, HDM_GETITEMCOUNT, 0, 0), 3) << "the new window has the sections";
  const RECT first = ScreenRect(handle, SectionRect(0)), second = ScreenRect(handle, SectionRect(1));
  const RECT whole = ScreenRect(handle, RECT{0, 0, Header->GetWidth(), Header->GetHeight()});
  EXPECT_EQ(first.right, whole.right) << "the first section is at the right edge";
  EXPECT_EQ(second.right, first.left);
  // The owner-drawn section is red where the screen shows it.
  gt::FlushPainting(Form->GetHandle());
  const gt::Pixels screen = gt::CaptureScreen(whole);
  EXPECT_GT(Header->Draws, 0);
  const RECT inSecond{second.left - whole.left + 3, 3, second.right - whole.left - 3, whole.bottom - whole.top - 3};
  EXPECT_GT(screen.Count(RGB(255, 0, 0), inSecond), (inSecond.right - inSecond.left) * (inSecond.bottom - inSecond.top) / 2);
  ASSERT_TRUE(SaveScreen(Form->GetHandle(), "header_right_to_left"));
  // A click still names the section under the mouse.
  Header->Clear();
  ASSERT_TRUE(gt::Click(handle, Center(SectionRect(0))));
  ctltest::Pump();
  EXPECT_EQ(Header->Events, (std::vector<std::string>{"click Title"}));
}
