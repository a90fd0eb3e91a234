// The grids demo in both reading directions: the side panel and its splitter change sides, the
// grids' first columns follow the reading direction, the chart is painted by its handler, and a
// picture of each direction is saved.
#include "ComCtrlsTestSupport.h"
#include "GridsDemo.h"

using namespace ctltest;
using namespace comctl;

TEST(GridsDemo, BothReadingDirections)
{
  std::unique_ptr<TGridsDemo, stdinput::FormDeleter> demo(new TGridsDemo(Application));
  demo->Show();
  demo->Update();
  PumpFor(300);
  for (bool rtl : {true, false}) {
    SCOPED_TRACE(rtl ? "rtl" : "ltr");
    EXPECT_EQ(demo->IsRightToLeft(), rtl);
    EXPECT_EQ(demo->Details->GetAlign(), rtl ? alRight : alLeft);
    EXPECT_EQ(demo->Details->GetLeft() > demo->Content->GetLeft(), rtl);
    EXPECT_EQ(demo->SideSplitter->GetLeft(), rtl ? demo->Details->GetLeft() - demo->SideSplitter->GetWidth()
                                                 : demo->Details->GetWidth());
    const TRect number = demo->Tracks->CellRect(0, 0);
    EXPECT_EQ(rtl ? demo->Tracks->GetClientWidth() - number.Right : number.Left, 0);
    EXPECT_EQ(demo->LengthEdit->GetText(), AnsiString(" 4:12")) << "the selected track's length";
    // The control bar's first band starts at the leading edge: turned once with the direction.
    const TControl* navigate = demo->NavigateBand;
    EXPECT_EQ(rtl ? navigate->GetLeft() > demo->JumpBand->GetLeft() : navigate->GetLeft() < demo->JumpBand->GetLeft(), true);
    EXPECT_EQ(demo->PreviousButton->GetLeft() > demo->NextButton->GetLeft(), rtl) << "back is where reading starts";
    // A loud band's bar fills most of its cell in the handler's colours, not the grid's.
    const TPixels chart = Capture(demo->Levels);
    const TRect cell = demo->Levels->CellRect(2, 1);
    const COLORREF bar = chart.At((cell.Left + cell.Right) / 2, cell.Bottom - 3);
    EXPECT_NE(bar, ColorToRGB(clWindow));
    EXPECT_NE(bar, RGB(0, 0, 0));
    EXPECT_TRUE(SaveScreen(demo->GetHandle(), rtl ? "grids_demo_right_to_left" : "grids_demo_left_to_right"));
    if (rtl) {
      ASSERT_TRUE(stdinput::ClickAt(demo->RightToLeft, 8, 8));
      demo->Update();
      PumpFor(300);
    }
  }
}
