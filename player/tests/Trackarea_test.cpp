// The track area on a form: placing the thumb for a position, dragging it with the real mouse under
// capture, moving the strip, the events the thumb raises, what is published and stored, and the
// design-time strip without a thumb.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "Forms.h"
#include "GuiTest.h"
#include "Trackarea.h"
#include "TypInfo.h"

using namespace ostrel::test;

namespace {

const COLORREF FormColour = RGB(40, 44, 52);
const COLORREF ThumbColour = RGB(255, 200, 0);
constexpr int StripLeft = 20, StripTop = 30, StripWidth = 60, StripHeight = 20, ThumbWidth = 9;

struct FormDeleter {
  void operator()(TComponent* c) const { delete c; }
};
using TFormPtr = std::unique_ptr<TForm, FormDeleter>;

// Records the track's events.
class TTrackProbe : public TObject {
  VCL_DECLARE_CLASS(TTrackProbe, TObject)
  TTrackProbe() = default;
  struct TMouseCall {
    TObject* Sender;
    int X, Y;
  };
  std::vector<int> Changes;  // the position at each OnChange
  TObject* ChangeSender = nullptr;
  TTrackArea* Track = nullptr;
  std::vector<TMouseCall> Downs, Ups;
  int Paints = 0;
  void Changed(TObject* sender)
  {
    ChangeSender = sender;
    Changes.push_back(Track ? Track->GetPosition() : 0);
  }
  void Down(TObject* sender, TMouseButton, TShiftState, int x, int y) { Downs.push_back({sender, x, y}); }
  void Up(TObject* sender, TMouseButton, TShiftState, int x, int y) { Ups.push_back({sender, x, y}); }
  // The owner paints the thumb: a solid block on the thumb's own canvas.
  void PaintThumb(TObject*)
  {
    ++Paints;
    TCanvas* canvas = Track->GetCanvas();
    canvas->GetBrush()->SetColor(TColor(int(ThumbColour)));
    canvas->FillRect(TRect(0, 0, Track->GetPaintWidth(), Track->GetHeight()));
  }
};
VCL_IMPLEMENT_CLASS(TTrackProbe)

TForm* NewForm()
{
  auto* form = new TForm(Application, 0);
  form->SetBorderStyle(bsNone);
  form->SetBounds(40, 40, 200, 80);
  form->SetColor(TColor(int(FormColour)));
  form->Show();
  FlushPainting(form->GetHandle());
  MakeForeground(form->GetHandle());
  return form;
}

// A form with a 0..100 track of 60 pixels and a thumb 9 wide, painted by the probe.
class TrackArea : public ::testing::Test {
protected:
  void SetUp() override
  {
    Form.reset(NewForm());
    Track = new TTrackArea(Form.get());
    Track->SetParent(Form.get());
    Track->SetBounds(StripLeft, StripTop, StripWidth, StripHeight);
    Track->SetPaintWidth(ThumbWidth);
    Track->SetMax(100);
    Probe.Track = Track;
    Track->SetOnChange(TNotifyEvent(&Probe, &TTrackProbe::Changed));
    Track->SetOnPaint(TNotifyEvent(&Probe, &TTrackProbe::PaintThumb));
    FlushPainting(Form->GetHandle());
  }
  void TearDown() override
  {
    // A failed check may leave the button held.
    if (GetKeyState(VK_LBUTTON) < 0) MouseUp(Form->GetHandle(), Middle());
    Form.reset();
  }
  HWND Window() const { return Form->GetHandle(); }
  // A form point at `distance` pixels right of the strip's left edge, halfway down.
  static POINT AtStrip(int distance) { return {StripLeft + distance, StripTop + StripHeight / 2}; }
  POINT OnThumb() const { return {Track->GetPaintLeft() + ThumbWidth / 2, StripTop + StripHeight / 2}; }
  static POINT Middle() { return {StripLeft + StripWidth / 2, StripTop + StripHeight / 2}; }
  int ThumbOffset() const { return Track->GetPaintLeft() - Track->GetLeft(); }

  TFormPtr Form;
  TTrackArea* Track = nullptr;
  TTrackProbe Probe;
};

}  // namespace

TEST_F(TrackArea, ConstructedWithAThumbOfItsOwn)
{
  auto* fresh = new TTrackArea(Form.get());
  EXPECT_EQ(fresh->GetWidth(), 40);
  EXPECT_EQ(fresh->GetHeight(), 20);
  EXPECT_EQ(fresh->GetMin(), 0);
  EXPECT_EQ(fresh->GetMax(), 0);
  EXPECT_EQ(fresh->GetPosition(), 0);
  TPaintBox* thumb = fresh->GetThumb();
  ASSERT_NE(thumb, nullptr);
  EXPECT_EQ(thumb->GetOwner(), fresh);
  EXPECT_TRUE(bool(thumb->OnMouseMove));
  EXPECT_EQ(thumb->GetParent(), nullptr);
  fresh->SetParent(Form.get());
  EXPECT_EQ(thumb->GetParent(), Form.get()) << "the thumb takes the strip's parent";
  const int controls = Form->GetControlCount();
  delete fresh;
  EXPECT_EQ(Form->GetControlCount(), controls - 2) << "the thumb goes with the strip";
}

TEST_F(TrackArea, PositionPlacesTheThumbWithTheDivisorOneLargerThanTheRange)
{
  EXPECT_EQ(ThumbOffset(), 0);
  Track->SetPosition(100);
  EXPECT_EQ(ThumbOffset(), 50) << "51 * 100 div 101: short of the right end";
  Track->SetPosition(2);
  EXPECT_EQ(ThumbOffset(), 1);
  Track->SetPosition(1);
  EXPECT_EQ(ThumbOffset(), 0);
  // No clamping; the quotient truncates toward zero (-510 / 101 is -5, not -6).
  Track->SetPosition(-10);
  EXPECT_EQ(ThumbOffset(), -5);
  EXPECT_EQ(Track->GetPosition(), -10);
  Track->SetPosition(200);
  EXPECT_EQ(ThumbOffset(), 100);
  // The thumb keeps the strip's top and height and its own width.
  EXPECT_EQ(Track->GetThumb()->GetTop(), StripTop);
  EXPECT_EQ(Track->GetThumb()->GetHeight(), StripHeight);
  EXPECT_EQ(Track->GetPaintWidth(), ThumbWidth);
  EXPECT_TRUE(Probe.Changes.empty()) << "setting a position never raises OnChange";
}

TEST_F(TrackArea, WithoutARangeEachStepIsTheWholeRoom)
{
  Track->SetMax(0);
  Track->SetPosition(1);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft + (StripWidth - ThumbWidth));
  Track->SetPosition(-1);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft - (StripWidth - ThumbWidth));
}

TEST_F(TrackArea, SamePositionTwiceMovesNothing)
{
  Track->SetPosition(50);
  const int placed = Track->GetPaintLeft();
  EXPECT_EQ(placed, StripLeft + 51 * 50 / 101);
  // A wider strip would place 50 elsewhere, but the position is already 50.
  Track->SetBounds(StripLeft, StripTop, 2 * StripWidth, StripHeight);
  Track->SetPosition(50);
  EXPECT_EQ(Track->GetPaintLeft(), placed);
  Track->SetPosition(49);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft + 111 * 49 / 101);
  EXPECT_TRUE(Probe.Changes.empty());
}

TEST_F(TrackArea, EmptyRangeAndHugeValuesStayDefined)
{
  // Max - Min + 1 == 0: nothing to divide by; the thumb goes to the strip's left edge.
  Track->SetPosition(30);
  Track->SetMin(5);
  Track->SetMax(4);
  Track->SetPosition(7);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft);
  EXPECT_EQ(Track->GetPosition(), 7);
  // The whole int range: Max - Min + 1 is 2^32, which 32 bits would have wrapped to 0.
  Track->SetMin(INT_MIN);
  Track->SetMax(INT_MAX);
  Track->SetPosition(INT_MAX);
  EXPECT_EQ(ThumbOffset(), 50);
  Track->SetPosition(0);
  EXPECT_EQ(ThumbOffset(), 25) << "51 * 2^31 / 2^32";
  // A product past 32 bits: 4991 * 1000000 is placed exactly.
  Track->SetBounds(StripLeft, StripTop, 5000, StripHeight);
  Track->SetMin(0);
  Track->SetMax(1000000);
  Track->SetPosition(1000000);
  EXPECT_EQ(ThumbOffset(), 4990);
}

TEST_F(TrackArea, MovingTheStripCarriesTheThumb)
{
  Track->SetPosition(60);
  const int offset = ThumbOffset();
  ASSERT_GT(offset, 0);
  Track->SetBounds(StripLeft + 17, StripTop + 5, StripWidth, StripHeight + 4);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft + 17 + offset);
  EXPECT_EQ(Track->GetThumb()->GetTop(), StripTop + 5);
  EXPECT_EQ(Track->GetThumb()->GetHeight(), StripHeight + 4);
  EXPECT_EQ(Track->GetPaintWidth(), ThumbWidth);
  // Resizing alone leaves it where it is.
  Track->SetBounds(StripLeft + 17, StripTop + 5, StripWidth + 40, StripHeight + 4);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft + 17 + offset);
  Track->SetLeft(StripLeft - 3);
  EXPECT_EQ(Track->GetPaintLeft(), StripLeft - 3 + offset);
}

TEST_F(TrackArea, DraggingTheThumbUnderCapture)
{
  Track->SetPosition(0);
  ASSERT_TRUE(MouseDown(Window(), OnThumb()));
  ASSERT_EQ(GetCaptureControl(), Track->GetThumb());
  // Each captured move: p = 100 / 51 * d, truncated, clamped; OnChange every time.
  struct Step {
    int Distance, Position;
  };
  const Step steps[] = {{10, 19}, {25, 49}, {50, 98}, {51, 100}, {55, 100}, {-10, 0}, {40, 78}};
  size_t changes = 0;
  for (const Step& s : steps) {
    ASSERT_TRUE(MoveMouse(Window(), AtStrip(s.Distance)));
    ++changes;
    EXPECT_EQ(Track->GetPosition(), s.Position) << "at distance " << s.Distance;
    ASSERT_EQ(Probe.Changes.size(), changes) << "at distance " << s.Distance;
    EXPECT_EQ(Probe.Changes.back(), s.Position);
  }
  EXPECT_EQ(Probe.ChangeSender, Track);
  // The thumb shows where position 78 puts it, painted at once.
  const int left = StripLeft + 51 * 78 / 101;
  EXPECT_EQ(Track->GetPaintLeft(), left);
  const Pixels shot = CaptureClient(Window());
  SavePng(shot, "trackarea_dragged");
  const int y = StripTop + StripHeight / 2;
  EXPECT_TRUE(SameColour(shot.At(left, y), ThumbColour));
  EXPECT_TRUE(SameColour(shot.At(left + ThumbWidth - 1, y), ThumbColour));
  EXPECT_TRUE(SameColour(shot.At(left - 1, y), FormColour)) << "the strip itself draws nothing";
  EXPECT_TRUE(SameColour(shot.At(left + ThumbWidth, y), FormColour));
  EXPECT_EQ(shot.Count(ThumbColour, RECT{0, 0, shot.Width(), shot.Height()}), ThumbWidth * StripHeight)
      << "one thumb, nothing left behind";

  ASSERT_TRUE(MouseUp(Window(), AtStrip(40)));
  EXPECT_EQ(GetCaptureControl(), nullptr);
  // Released: moves change nothing any more.
  ASSERT_TRUE(MoveMouse(Window(), AtStrip(10)));
  EXPECT_EQ(Track->GetPosition(), 78);
  EXPECT_EQ(Probe.Changes.size(), changes);
}

TEST_F(TrackArea, MovesWithoutAPressedButtonChangeNothing)
{
  Track->SetPosition(30);
  const int left = Track->GetPaintLeft();
  for (int x : {0, 3, 8, -20, 45}) ASSERT_TRUE(MoveMouse(Window(), POINT{left + x, StripTop + 4}));
  EXPECT_EQ(Track->GetPosition(), 30);
  EXPECT_EQ(Track->GetPaintLeft(), left);
  EXPECT_TRUE(Probe.Changes.empty());
  // Pressed on the strip beside the thumb: the thumb does not hold the mouse, nothing drags.
  ASSERT_TRUE(MouseDown(Window(), AtStrip(50)));
  EXPECT_NE(GetCaptureControl(), Track->GetThumb());
  ASSERT_TRUE(MoveMouse(Window(), AtStrip(5)));
  ASSERT_TRUE(MouseUp(Window(), AtStrip(5)));
  EXPECT_EQ(Track->GetPosition(), 30);
  EXPECT_TRUE(Probe.Changes.empty());
}

TEST_F(TrackArea, TheThumbRaisesTheMouseEvents)
{
  Track->SetOnMouseDown(TMouseEvent(&Probe, &TTrackProbe::Down));
  Track->SetOnMouseUp(TMouseEvent(&Probe, &TTrackProbe::Up));
  EXPECT_TRUE(Track->GetThumb()->OnMouseDown == Track->GetOnMouseDown());
  Track->SetPosition(40);
  const int left = Track->GetPaintLeft();
  ASSERT_TRUE(Click(Window(), POINT{left + 3, StripTop + 5}));
  ASSERT_EQ(Probe.Downs.size(), 1u);
  ASSERT_EQ(Probe.Ups.size(), 1u);
  EXPECT_EQ(Probe.Downs[0].Sender, Track->GetThumb());
  EXPECT_EQ(Probe.Downs[0].X, 3) << "the thumb's own coordinates";
  EXPECT_EQ(Probe.Downs[0].Y, 5);
  EXPECT_EQ(Probe.Ups[0].Sender, Track->GetThumb());
  // The strip beside the thumb ignores the mouse.
  ASSERT_TRUE(Click(Window(), POINT{left - 5, StripTop + 5}));
  EXPECT_EQ(Probe.Downs.size(), 1u);
  EXPECT_EQ(Probe.Ups.size(), 1u);
  // A press without a move changed nothing either.
  EXPECT_EQ(Track->GetPosition(), 40);
  EXPECT_TRUE(Probe.Changes.empty());
}

TEST_F(TrackArea, StripNoWiderThanItsThumbDragsToAnEnd)
{
  Track->SetBounds(StripLeft, StripTop, ThumbWidth, StripHeight);
  Track->SetPosition(0);
  ASSERT_TRUE(MouseDown(Window(), POINT{StripLeft + 1, StripTop + 5}));
  ASSERT_TRUE(MoveMouse(Window(), POINT{StripLeft + 2, StripTop + 5}));
  EXPECT_EQ(Track->GetPosition(), 0) << "left of the middle";
  ASSERT_TRUE(MoveMouse(Window(), POINT{StripLeft + 6, StripTop + 5}));
  EXPECT_EQ(Track->GetPosition(), 100) << "right of the middle";
  EXPECT_EQ(Probe.Changes.size(), 2u);
  ASSERT_TRUE(MouseUp(Window(), POINT{StripLeft + 6, StripTop + 5}));
}

TEST_F(TrackArea, PublishedWithDefaults)
{
  const TMetaClass* cls = TTrackArea::StaticClass();
  for (const char* name : {"Anchors", "Min", "Max", "OnChange", "OnMouseDown", "OnMouseUp", "OnPaint", "Name", "Tag",
                           "Left", "Top", "Width", "Height", "Cursor", "Hint"})
    EXPECT_NE(GetPropInfo(cls, name), nullptr) << name;
  for (const char* name : {"Position", "PaintWidth", "PaintLeft", "Canvas", "OnMouseMove", "OnClick"})
    EXPECT_EQ(GetPropInfo(cls, name), nullptr) << name;
  EXPECT_EQ(GetPropInfo(cls, "Min")->Default, 0);
  EXPECT_EQ(GetPropInfo(cls, "Max")->Default, 0);

  // Only what differs from the defaults is stored.
  RegisterClass(TTrackArea::StaticClass());
  auto text = [&] {
    TMemoryStream binary, out;
    binary.WriteComponent(Track);
    binary.SetPosition(0);
    ObjectBinaryToText(&binary, &out);
    return std::string(static_cast<const char*>(out.GetMemory()), size_t(out.GetSize()));
  };
  Track->SetName("MediaTrack");
  std::string stored = text();
  EXPECT_NE(stored.find("Max = 100"), std::string::npos) << stored;
  EXPECT_EQ(stored.find("Min ="), std::string::npos) << stored;
  EXPECT_EQ(stored.find("Anchors"), std::string::npos) << stored;
  EXPECT_EQ(stored.find("Position"), std::string::npos) << stored;
  Track->SetMin(-5);
  Track->SetAnchors(TAnchors() << akLeft << akBottom);
  stored = text();
  EXPECT_NE(stored.find("Min = -5"), std::string::npos) << stored;
  EXPECT_NE(stored.find("Anchors"), std::string::npos) << stored;

  // Setting OnPaint through its published property (as a stored form does) reaches the thumb.
  Track->SetOnPaint(TNotifyEvent());
  const TNotifyEvent paint(&Probe, &TTrackProbe::PaintThumb);
  SetMethodProp(Track, "OnPaint", paint.GetMethod());
  EXPECT_TRUE(Track->GetThumb()->OnPaint == paint);
}

// Designed: no thumb, events only kept, a dashed outline.
TEST(TrackAreaDesigning, NoThumbAndADashedOutline)
{
  TFormPtr form(NewForm());
  std::unique_ptr<TComponent, FormDeleter> designer(new TComponent(nullptr));
  designer->SetDesigning(true);
  auto* track = new TTrackArea(designer.get());
  ASSERT_TRUE(track->HasState(csDesigning));
  EXPECT_EQ(track->GetThumb(), nullptr);
  TTrackProbe probe;
  probe.Track = track;
  track->SetOnPaint(TNotifyEvent(&probe, &TTrackProbe::PaintThumb));
  track->SetOnMouseDown(TMouseEvent(&probe, &TTrackProbe::Down));
  track->SetOnMouseUp(TMouseEvent(&probe, &TTrackProbe::Up));
  EXPECT_TRUE(track->GetOnPaint() == TNotifyEvent(&probe, &TTrackProbe::PaintThumb));
  EXPECT_TRUE(track->GetOnMouseDown() == TMouseEvent(&probe, &TTrackProbe::Down));
  EXPECT_TRUE(track->GetOnMouseUp() == TMouseEvent(&probe, &TTrackProbe::Up));
  track->SetParent(form.get());
  track->SetBounds(StripLeft, StripTop, StripWidth, StripHeight);
  track->SetMax(100);
  track->SetPosition(50);
  EXPECT_EQ(track->GetPosition(), 50);
  EXPECT_EQ(form->GetControlCount(), 1) << "only the strip";

  const Pixels shot = CaptureClient(form->GetHandle());
  SavePng(shot, "trackarea_designing");
  EXPECT_EQ(probe.Paints, 0);
  const COLORREF pen = RGB(0, 0, 0);
  const int top = shot.Count(pen, RECT{StripLeft, StripTop, StripLeft + StripWidth, StripTop + 1});
  const int bottom = shot.Count(pen, RECT{StripLeft, StripTop + StripHeight - 1, StripLeft + StripWidth, StripTop + StripHeight});
  const int left = shot.Count(pen, RECT{StripLeft, StripTop, StripLeft + 1, StripTop + StripHeight});
  // Dashes: part of each edge, never all of it.
  EXPECT_GT(top, StripWidth / 4);
  EXPECT_LT(top, StripWidth);
  EXPECT_GT(bottom, StripWidth / 4);
  EXPECT_LT(bottom, StripWidth);
  EXPECT_GT(left, 0);
  // A clear brush: inside, the form shows through.
  const RECT inside{StripLeft + 1, StripTop + 1, StripLeft + StripWidth - 1, StripTop + StripHeight - 1};
  EXPECT_EQ(shot.Count(FormColour, inside), (StripWidth - 2) * (StripHeight - 2));
  EXPECT_EQ(shot.Count(pen, RECT{StripLeft + StripWidth, StripTop, StripLeft + StripWidth + 5, StripTop + StripHeight}), 0);

  // The mouse over the designed strip reaches no event.
  ASSERT_TRUE(Click(form->GetHandle(), POINT{StripLeft + 5, StripTop + 5}));
  EXPECT_TRUE(probe.Downs.empty());
  delete track;
}

// At run time the strip draws nothing of its own.
TEST_F(TrackArea, RunTimeStripIsInvisible)
{
  Track->SetPosition(100);
  const Pixels shot = CaptureClient(Window());
  SavePng(shot, "trackarea_runtime");
  const RECT strip{StripLeft, StripTop, StripLeft + StripWidth, StripTop + StripHeight};
  EXPECT_EQ(shot.Count(FormColour, strip), (StripWidth - ThumbWidth) * StripHeight);
  EXPECT_EQ(shot.Count(ThumbColour, RECT{StripLeft + 50, StripTop, StripLeft + 59, StripTop + StripHeight}),
            ThumbWidth * StripHeight);
  EXPECT_GT(Probe.Paints, 0);
}

// Every published property that is not an event survives a write and a read into a fresh strip
// (events are bound by name to a form's methods, which the main window's stored form covers).
TEST_F(TrackArea, WriteReadCycleKeepsEveryPublishedProperty)
{
  RegisterClass(TTrackArea::StaticClass());
  Track->SetName("VolumeTrack");
  Track->SetTag(42);
  Track->SetBounds(30, 12, 77, 18);
  Track->SetMin(-20);
  Track->SetMax(250);
  Track->SetAnchors(TAnchors() << akRight << akBottom);
  Track->SetCursor(crHandPoint);
  Track->SetHint("Volume");
  TMemoryStream stream;
  stream.WriteComponent(Track);
  stream.SetPosition(0);
  std::unique_ptr<TTrackArea> copy(new TTrackArea(nullptr));
  stream.ReadComponent(copy.get());
  int compared = 0;
  for (PPropInfo info : GetPropInfos(TTrackArea::StaticClass())) {
    if (info->PropType->Kind == tkMethod) continue;
    SCOPED_TRACE(info->Name.c_str());
    if (info->PropType->Kind == tkLString) {
      EXPECT_EQ(GetStrProp(copy.get(), info), GetStrProp(Track, info));
    } else if (info->GetOrd) {
      EXPECT_EQ(info->GetOrd(copy.get()), info->GetOrd(Track));
    }
    ++compared;
  }
  EXPECT_GE(compared, 10);
  EXPECT_EQ(copy->GetMin(), -20);
  EXPECT_EQ(copy->GetMax(), 250);
  EXPECT_EQ(copy->GetWidth(), 77);
}
