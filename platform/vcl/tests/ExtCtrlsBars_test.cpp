// Splitters and control bars driven with real mouse input, their stored form, and a picture of both.
#include <gtest/gtest.h>

#include "StdInputSupport.h"

using namespace stdinput;
using namespace ostrel::test;
using namespace ctltest;

namespace {

class TBarsEvents : public TObject {
  VCL_DECLARE_CLASS(TBarsEvents, TObject)
  TBarsEvents() = default;
  int Moved = 0;
  bool Refuse = false;
  int Force = -1;
  void SplitterMoved(TObject*) { ++Moved; }
  void SplitterCanResize(TObject*, int& size, bool& accept)
  {
    if (Refuse) accept = false;
    if (Force >= 0) size = Force;
  }
};
VCL_IMPLEMENT_CLASS(TBarsEvents)

int Extent(const TControl* c, bool horizontal) { return horizontal ? c->GetWidth() : c->GetHeight(); }

// ===================================================================================================
// Splitters: a neighbour panel, the splitter beside it and a client panel filling the rest.
class SplitterTest : public ::testing::Test {
protected:
  void SetUp() override { Form.reset(NewForm(400, 300, clBtnFace)); }

  void Build(TAlign align, int size = 100, TResizeStyle style = rsUpdate, bool rtl = false)
  {
    Form->SetBiDiMode(rtl ? bdRightToLeft : bdLeftToRight);
    Neighbour = new TPanel(Form.get());
    Neighbour->SetParent(Form.get());
    Neighbour->SetBounds(0, 0, size, size);
    Neighbour->SetAlign(align);
    // Aligned and placed just past the neighbour before it joins the form, so that alignment keeps it
    // on the far side.
    Splitter = new TSplitter(Form.get());
    Splitter->SetAlign(align);
    Horizontal = align == alLeft || align == alRight;
    switch (align) {
      case alLeft: Splitter->SetBounds(size, 0, 3, 300); break;
      case alRight: Splitter->SetBounds(400 - size - 10, 0, 3, 300); break;
      case alTop: Splitter->SetBounds(0, size, 400, 3); break;
      default: Splitter->SetBounds(0, 300 - size - 10, 400, 3); break;
    }
    Splitter->SetParent(Form.get());
    Splitter->SetResizeStyle(style);
    Client = new TPanel(Form.get());
    Client->SetParent(Form.get());
    Client->SetAlign(alClient);
    Splitter->OnMoved = TNotifyEvent(&Events, &TBarsEvents::SplitterMoved);
    Splitter->OnCanResize = TCanResizeEvent(&Events, &TBarsEvents::SplitterCanResize);
    Pump();
  }

  POINT Middle() const
  {
    return POINT{Splitter->GetLeft() + Splitter->GetWidth() / 2, Splitter->GetTop() + Splitter->GetHeight() / 2};
  }

  POINT Along(POINT p, int distance) const
  {
    return Horizontal ? POINT{p.x + distance, p.y} : POINT{p.x, p.y + distance};
  }

  // Press on the splitter, move by distance along its axis in steps, release: one batch of input.
  void Drag(int distance)
  {
    const POINT from = Middle();
    std::vector<POINT> path{from};
    for (int step = 1; step <= 4; ++step) path.push_back(Along(from, distance * step / 4));
    ASSERT_TRUE(PressPath(Form->GetHandle(), path));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Splitter->SizingControl(), nullptr);
  }

  TFormPtr Form;
  TPanel* Neighbour = nullptr;
  TPanel* Client = nullptr;
  TSplitter* Splitter = nullptr;
  TBarsEvents Events;
  bool Horizontal = true;
};

TEST_F(SplitterTest, DragResizesNeighbourOnEverySide)
{
  struct Case {
    TAlign Align;
    bool RightToLeft;
    int Distance;
    int Expected;
  } cases[] = {
      {alLeft, false, 40, 140},  {alLeft, false, -30, 70},   {alRight, false, -40, 140},
      {alRight, true, -40, 140}, {alTop, false, 30, 130},    {alBottom, false, -30, 130},
      {alBottom, false, 20, 80},
  };
  for (const Case& c : cases) {
    SetUp();
    Build(c.Align, 100, rsPattern, c.RightToLeft);
    Drag(c.Distance);
    const std::string name = std::to_string(int(c.Align)) + " by " + std::to_string(c.Distance);
    EXPECT_EQ(Extent(Neighbour, Horizontal), c.Expected) << name;
    // Splitter and client follow: the splitter still touches its neighbour, the client the splitter.
    switch (c.Align) {
      case alLeft: EXPECT_EQ(Splitter->GetLeft(), Neighbour->GetLeft() + Neighbour->GetWidth()) << name; break;
      case alRight: EXPECT_EQ(Splitter->GetLeft() + Splitter->GetWidth(), Neighbour->GetLeft()) << name; break;
      case alTop: EXPECT_EQ(Splitter->GetTop(), Neighbour->GetTop() + Neighbour->GetHeight()) << name; break;
      default: EXPECT_EQ(Splitter->GetTop() + Splitter->GetHeight(), Neighbour->GetTop()) << name; break;
    }
    EXPECT_EQ(Extent(Client, Horizontal), (Horizontal ? 400 : 300) - c.Expected - 3) << name;
    EXPECT_EQ(Splitter->GetCursor(), Horizontal ? crHSplit : crVSplit) << name;
    EXPECT_EQ(Events.Moved, 1) << name;
    Events.Moved = 0;
  }
}

// MinSize holds on both sides; AutoSnap collapses below half of it and the collapsed neighbour opens
// again from the splitter. A case without a start width goes on from the one before.
TEST_F(SplitterTest, MinSizeAndAutoSnap)
{
  struct Case {
    const char* Name;
    bool AutoSnap;
    int Start;
    int Distance;
    int Expected;
  } cases[] = {
      {"neighbour keeps MinSize", false, 100, -95, 30},
      {"client keeps MinSize", false, 100, 290, 400 - 3 - 30},
      {"half of MinSize stays MinSize", true, 100, -85, 30},
      {"below half snaps", true, 100, -90, 0},
      {"opens again from nothing", true, -1, 50, 50},
      {"snaps shut again", true, -1, -50, 0},
      {"a small pull stays shut", true, -1, 10, 0},
  };
  Build(alLeft);
  for (const Case& c : cases) {
    Splitter->SetAutoSnap(c.AutoSnap);
    if (c.Start >= 0) Neighbour->SetWidth(c.Start);
    Pump();
    Drag(c.Distance);
    EXPECT_EQ(Neighbour->GetWidth(), c.Expected) << c.Name;
    EXPECT_EQ(Client->GetWidth(), 400 - 3 - c.Expected) << c.Name;
  }
}

// OnCanResize refuses or changes the size; OnMoved fires once per drag, however many moves it had.
TEST_F(SplitterTest, CanResizeDecidesAndMovedFiresOnce)
{
  struct Case {
    const char* Name;
    TResizeStyle Style;
    bool Refuse;
    int Force;
    int Expected;
    int Moved;
  } cases[] = {
      {"refused live", rsUpdate, true, -1, 100, 0},
      {"refused behind a line", rsPattern, true, -1, 100, 0},
      {"changed", rsLine, false, 77, 77, 1},
      {"live", rsUpdate, false, -1, 160, 1},
      {"no line", rsNone, false, -1, 160, 1},
  };
  for (const Case& c : cases) {
    SetUp();
    Build(alLeft, 100, c.Style);
    Events.Refuse = c.Refuse;
    Events.Force = c.Force;
    Events.Moved = 0;
    Drag(60);
    EXPECT_EQ(Neighbour->GetWidth(), c.Expected) << c.Name;
    EXPECT_EQ(Events.Moved, c.Moved) << c.Name;
  }
}

// rsUpdate resizes while the mouse moves, the line styles only at the release; Escape puts the first
// size back and lets the mouse go.
TEST_F(SplitterTest, LiveOrOnReleaseAndEscapeCancels)
{
  struct Case {
    TResizeStyle Style;
    bool Escape;
    int DuringDrag;
    int AfterRelease;
  } cases[] = {
      {rsUpdate, false, 150, 150}, {rsPattern, false, 100, 150}, {rsLine, false, 100, 150},
      {rsUpdate, true, 150, 100},  {rsPattern, true, 100, 100},
  };
  for (const Case& c : cases) {
    SetUp();
    Build(alLeft, 100, c.Style);
    const std::string name = std::to_string(int(c.Style)) + (c.Escape ? " escaped" : "");
    const POINT from = Middle();
    ASSERT_TRUE(MouseDown(Form->GetHandle(), from)) << name;
    ASSERT_TRUE(MoveMouse(Form->GetHandle(), Along(from, 25))) << name;
    ASSERT_TRUE(MoveMouse(Form->GetHandle(), Along(from, 50))) << name;
    PumpMessages();
    EXPECT_EQ(Splitter->SizingControl(), Neighbour) << name;
    EXPECT_EQ(Neighbour->GetWidth(), c.DuringDrag) << name;
    if (c.Escape) {
      // The key is judged by its effect: Wine's view of the key state may lag behind.
      KeyPress(VK_ESCAPE);
      EXPECT_TRUE(PumpUntil([&] { return Splitter->SizingControl() == nullptr; }, 2000)) << name;
      EXPECT_EQ(GetCapture(), nullptr) << name;
    }
    ASSERT_TRUE(MouseUp(Form->GetHandle(), Along(from, 50))) << name;
    PumpMessages();
    EXPECT_EQ(Neighbour->GetWidth(), c.AfterRelease) << name;
    EXPECT_EQ(GetCapture(), nullptr) << name;
    EXPECT_EQ(Events.Moved, c.Escape ? 0 : 1) << name;
    Events.Moved = 0;
  }
}

// ===================================================================================================
// Control bars: two panels as bands.
class ControlBarTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    Form.reset(NewForm(400, 200, clBtnFace));
    Bar = Place<TControlBar>(Form.get(), 10, 10, 380, 120);
  }

  TPanel* Band(int left, int width)
  {
    auto* panel = Place<TPanel>(Bar, left, 0, width, 22);
    Pump();
    return panel;
  }

  // Press on the band's grip, move by (dx, dy) in steps, release.
  void DragBand(TControl* band, int dx, int dy)
  {
    const TRect grip = Bar->GetGripRect(band);
    const POINT from{(grip.Left + grip.Right) / 2, (grip.Top + grip.Bottom) / 2};
    std::vector<POINT> path{from};
    for (int step = 1; step <= 4; ++step) path.push_back(POINT{from.x + dx * step / 4, from.y + dy * step / 4});
    ASSERT_TRUE(PressPath(Bar->GetHandle(), path));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Bar->DraggingBand(), nullptr);
  }

  TFormPtr Form;
  TControlBar* Bar = nullptr;
};

TEST_F(ControlBarTest, BandsMoveByTheirGrips)
{
  TPanel* a = Band(0, 80);
  TPanel* b = Band(150, 60);
  const int area = 2, rowSize = Bar->GetRowSize();
  ASSERT_EQ(Bar->GetRowCount(), 1);
  // A band: its control after the frame and the grip, one row high.
  EXPECT_EQ(Bar->GetBandRect(a), TRect(area, area, area + 2 + 9 + 80 + 2, area + 26));
  EXPECT_EQ(a->GetLeft(), area + 2 + 9);
  EXPECT_EQ(Bar->GetBandRect(b).Left, 150 - 11);
  struct Case {
    const char* Name;
    TPanel* Band;
    int Dx, Dy;
    int Rows, RowA, RowB;
    int BandLeftA, BandLeftB;
  } cases[] = {
      {"within its row", b, 40, 0, 1, 0, 0, area, 179},
      {"below the last row makes one", b, 0, rowSize, 2, 0, 1, area, 179},
      {"into the other row, the emptied row closes", a, 0, rowSize, 1, 0, 0, area, 179},
      {"pushes the next band along", a, 120, 0, 1, 0, 0, area + 120, area + 120 + 93},
      {"passing its leading edge goes before it", b, -150, 0, 1, 0, 0, 65 + 73, 65},
  };
  for (const Case& c : cases) {
    DragBand(c.Band, c.Dx, c.Dy);
    EXPECT_EQ(Bar->GetRowCount(), c.Rows) << c.Name;
    EXPECT_EQ(Bar->GetBandRow(a), c.RowA) << c.Name;
    EXPECT_EQ(Bar->GetBandRow(b), c.RowB) << c.Name;
    const TRect ra = Bar->GetBandRect(a), rb = Bar->GetBandRect(b);
    EXPECT_EQ(ra.Left, c.BandLeftA) << c.Name;
    EXPECT_EQ(rb.Left, c.BandLeftB) << c.Name;
    EXPECT_EQ(ra.Top, area + c.RowA * rowSize) << c.Name;
    EXPECT_EQ(rb.Top, area + c.RowB * rowSize) << c.Name;
    if (c.RowA == c.RowB) {
      EXPECT_TRUE(ra.Right <= rb.Left || rb.Right <= ra.Left) << c.Name;
    }
  }
  // The last drag put b first in the row.
  EXPECT_LE(Bar->GetBandRect(b).Right, Bar->GetBandRect(a).Left);
}

// Right to left, bands start at the right edge and each grip is at its band's right side.
TEST_F(ControlBarTest, RightToLeftFlowsFromTheRight)
{
  Bar->SetBiDiMode(bdRightToLeft);
  TPanel* a = Band(380, 80);
  TPanel* b = Band(0, 60);
  const TRect ra = Bar->GetBandRect(a), rb = Bar->GetBandRect(b), grip = Bar->GetGripRect(a);
  EXPECT_EQ(ra.Right, 380 - 2);
  EXPECT_EQ(grip.Right, ra.Right - 2);
  EXPECT_LE(a->GetLeft() + a->GetWidth(), grip.Left);
  EXPECT_LE(rb.Right, ra.Left);
  // The grip's raised lines are painted there: their light edge inside the grip, none left of the panel.
  const TPixels pixels = Capture(Bar);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const int middle = (grip.Top + grip.Bottom) / 2;
  EXPECT_GT(pixels.Count(TRect(grip.Left, middle, grip.Right, middle + 1), light), 1);
  EXPECT_EQ(pixels.Count(TRect(ra.Left + 1, middle, a->GetLeft(), middle + 1), light), 0);
  // Dragging works the same way round.
  const POINT from{(grip.Left + grip.Right) / 2, middle};
  ASSERT_TRUE(PressPath(Bar->GetHandle(), {from, {from.x - 20, from.y}, {from.x - 40, from.y}}));
  EXPECT_EQ(Bar->GetBandRect(a).Right, 380 - 2 - 40);
}

// ===================================================================================================
// The stored form: every published property of both away from its default.
class TBarsStoredForm : public TForm {
  VCL_DECLARE_CLASS(TBarsStoredForm, TForm)
  TBarsStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  void Moved(TObject*) {}
  void CanResize(TObject*, int&, bool&) {}
  void Painted(TObject*) {}
  void BandDrag(TObject*, TControl*, bool&) {}
  void BandInfo(TObject*, TControl*, TRect&, int&, int&) {}
  void BandMove(TObject*, TControl*, TRect&) {}
  void BandPaint(TObject*, TControl*, TCanvas*, TRect&, TBandPaintOptions&) {}
};

VCL_PUBLISHED(TBarsStoredForm)
{
  p.Method("Moved", &TBarsStoredForm::Moved);
  p.Method("CanResize", &TBarsStoredForm::CanResize);
  p.Method("Painted", &TBarsStoredForm::Painted);
  p.Method("BandDrag", &TBarsStoredForm::BandDrag);
  p.Method("BandInfo", &TBarsStoredForm::BandInfo);
  p.Method("BandMove", &TBarsStoredForm::BandMove);
  p.Method("BandPaint", &TBarsStoredForm::BandPaint);
}

TEST(ExtCtrlsBarsStored, RoundTripsAndReadsBack)
{
  RegisterClass(TBarsStoredForm::StaticClass());
  TFormPtr form(new TBarsStoredForm(nullptr, 0));
  const TRoundTrip trip = RoundTrip(L"TBARSSTOREDFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(BinaryToText(trip.Written), BinaryToText(trip.Stored));

  auto* splitter = Find<TSplitter>(form.get(), "Splitter1");
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->GetAlign(), alTop);
  EXPECT_FALSE(splitter->GetAutoSnap());
  EXPECT_TRUE(splitter->GetBeveled());
  EXPECT_EQ(splitter->GetColor(), clRed);
  EXPECT_FALSE(splitter->GetParentColor());
  EXPECT_EQ(splitter->GetCursor(), crHandPoint);
  EXPECT_EQ(splitter->GetHeight(), 6);
  EXPECT_EQ(splitter->GetMinSize(), 45);
  EXPECT_EQ(splitter->GetResizeStyle(), rsUpdate);
  EXPECT_FALSE(splitter->GetVisible());
  EXPECT_TRUE(bool(splitter->OnCanResize) && bool(splitter->OnMoved) && bool(splitter->OnPaint));

  auto* bar = Find<TControlBar>(form.get(), "ControlBar1");
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->GetAutoDrag());
  EXPECT_TRUE(bar->GetAutoSize());
  EXPECT_EQ(bar->GetBevelInner(), bvLowered);
  EXPECT_EQ(bar->GetBevelOuter(), bvRaised);
  EXPECT_EQ(bar->GetBevelWidth(), 2);
  EXPECT_EQ(bar->GetColor(), clAqua);
  EXPECT_TRUE(bar->GetDockSite());
  EXPECT_EQ(bar->GetRowSize(), 30);
  EXPECT_FALSE(bar->GetRowSnap());
  EXPECT_TRUE(bool(bar->OnBandDrag) && bool(bar->OnBandInfo) && bool(bar->OnBandMove) && bool(bar->OnBandPaint) &&
              bool(bar->OnPaint) && bool(bar->OnClick));
  // Both panels are bands of the one row; AutoSize fits the bar to it.
  EXPECT_EQ(bar->GetRowCount(), 1);
  EXPECT_EQ(bar->GetBandRow(Find<TPanel>(form.get(), "Panel2")), 0);
  EXPECT_EQ(bar->GetHeight(), 2 * 4 + 30);
}

// ===================================================================================================
// A picture of both: a beveled splitter beside a list panel, a control bar with three bands in two rows.
TEST(ExtCtrlsBarsPicture, SplitterAndControlBar)
{
  TFormPtr form(NewForm(420, 220, clBtnFace));
  auto* left = Place<TPanel>(form.get(), 0, 0, 120, 220);
  left->SetAlign(alLeft);
  left->SetCaption("Left");
  auto* splitter = new TSplitter(form.get());
  splitter->SetBounds(120, 0, 5, 220);
  splitter->SetParent(form.get());
  splitter->SetBeveled(true);
  auto* bar = Place<TControlBar>(form.get(), 0, 0, 295, 60);
  bar->SetAlign(alTop);
  bar->SetAutoSize(true);
  for (int i = 0; i < 3; ++i) {
    auto* band = Place<TPanel>(bar, i == 2 ? 0 : 100 * i, i == 2 ? 26 : 0, 70 + 10 * i, 22);
    band->SetCaption(AnsiString("Band ") + IntToStr(i + 1));
  }
  Pump();
  EXPECT_EQ(bar->GetRowCount(), 2);
  EXPECT_EQ(bar->GetHeight(), 2 * 2 + 2 * 26);
  EXPECT_EQ(splitter->GetLeft(), 120);
  const TPixels pixels = Capture(form.get());
  pixels.Save("extctrls_bars");
  // The bevel: the splitter's light and dark sides.
  EXPECT_EQ(pixels.At(120, 150), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(pixels.At(124, 150), GetSysColor(COLOR_BTNSHADOW));
}

}  // namespace
