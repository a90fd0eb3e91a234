// ExtCtrls on real windows: panel bevels and client area, bevel and shape pixels, paint boxes, image
// placement and its canvas, timers.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "ControlsTestSupport.h"
#include "ExtCtrls.h"

using namespace ctltest;

namespace {

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};
using TFormPtr = std::unique_ptr<TForm, FormDeleter>;

COLORREF Sys(int index) { return GetSysColor(index); }

// A bitmap of one colour with a differently coloured top-left quarter.
std::unique_ptr<TBitmap> TwoColourBitmap(int w, int h, TColor fill, TColor corner)
{
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(w, h);
  bitmap->GetCanvas()->GetBrush()->SetColor(fill);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, w, h));
  bitmap->GetCanvas()->GetBrush()->SetColor(corner);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, w / 2, h / 2));
  return bitmap;
}

class TTimerProbe : public TObject {
  VCL_DECLARE_CLASS(TTimerProbe, TObject)
  TTimerProbe() = default;
  int Ticks = 0;
  int Exceptions = 0;
  AnsiString LastMessage;
  TObject* LastSender = nullptr;
  int StopAfter = 0;
  void Tick(TObject* sender)
  {
    ++Ticks;
    if (StopAfter && Ticks >= StopAfter) static_cast<TTimer*>(sender)->SetEnabled(false);
  }
  void Throw(TObject*)
  {
    ++Ticks;
    throw EConvertError("timer trouble");
  }
  void Caught(TObject* sender, Exception* e)
  {
    ++Exceptions;
    LastSender = sender;
    LastMessage = e->Message;
  }
  void ContextPopup(TObject*, const TPoint& pos, bool& handled)
  {
    ++Ticks;
    LastPos = pos;
    handled = true;
  }
  TPoint LastPos;
  void Paint(TObject* sender)
  {
    ++Ticks;
    auto* box = static_cast<TPaintBox*>(sender);
    box->GetCanvas()->GetBrush()->SetColor(clFuchsia);
    box->GetCanvas()->FillRect(TRect(0, 0, box->GetWidth(), box->GetHeight()));
  }
};
VCL_IMPLEMENT_CLASS(TTimerProbe)

}  // namespace

TEST(Panel, BevelsAndClientArea)
{
  TFormPtr form(NewForm(200, 120));
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(10, 10, 150, 80);
  panel->SetColor(clYellow);
  panel->SetBevelOuter(bvRaised);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->SetBorderWidth(3);
  auto* child = new TPanel(form.get());
  child->SetParent(panel);
  child->SetAlign(alClient);
  child->SetBevelOuter(bvNone);
  child->SetColor(clBlue);
  const TPixels p = Capture(panel);
  p.Save("panel_bevels");
  // Outer raised bevel: light top-left, shadow bottom-right; then the border in the panel's colour;
  // then the inner lowered bevel (shadow top-left), then the child.
  EXPECT_EQ(p.At(0, 40), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(1, 40), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(149, 40), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(75, 79), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(2, 40), RGB(255, 255, 0));
  EXPECT_EQ(p.At(4, 40), RGB(255, 255, 0));
  EXPECT_EQ(p.At(5, 40), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(6, 40), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(7, 40), RGB(0, 0, 255));
  // The child is placed inside bevels and border: 2 + 3 + 2 on every side.
  EXPECT_EQ(child->GetBoundsRect(), TRect(7, 7, 143, 73));
  panel->SetBevelInner(bvNone);
  EXPECT_EQ(child->GetBoundsRect(), TRect(5, 5, 145, 75));
}

TEST(Panel, CaptionIsCentred)
{
  TFormPtr form(NewForm(220, 80));
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 200, 60);
  panel->SetColor(clWhite);
  panel->GetFont()->SetColor(clRed);
  panel->SetCaption("IIII");
  const TPixels p = Capture(panel);
  p.Save("panel_caption");
  const auto cols = p.ColumnsNear(RGB(255, 0, 0));
  ASSERT_GE(cols.first, 0);
  EXPECT_NEAR((cols.first + cols.second) / 2, 100, 6);
  panel->SetAlignment(taLeftJustify);
  EXPECT_LT(Capture(panel).ColumnsNear(RGB(255, 0, 0)).first, 10);
}

// The platform's default handling of the right button's release makes WM_CONTEXTMENU.
TEST(Panel, RightButtonAsksForTheContextMenu)
{
  TFormPtr form(NewForm(200, 120));
  TTimerProbe probe;
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(10, 10, 150, 80);
  panel->OnContextPopup = TContextPopupEvent(&probe, &TTimerProbe::ContextPopup);
  Pump();
  SendMessageW(panel->GetHandle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 30));
  SendMessageW(panel->GetHandle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 30));
  Pump();
  EXPECT_EQ(probe.Ticks, 1);
  EXPECT_EQ(probe.LastPos, TPoint(20, 30));
}

TEST(Bevel, ShapesAndStyles)
{
  TFormPtr form(NewForm(100, 100));
  auto* bevel = new TBevel(form.get());
  bevel->SetParent(form.get());
  bevel->SetBounds(10, 10, 50, 40);
  TPixels p = CaptureControl(bevel);
  p.Save("bevel_box");
  EXPECT_EQ(p.At(0, 20), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(25, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(49, 20), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(25, 39), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(25, 20), RGB(255, 255, 255)) << "a bevel paints no background";
  bevel->SetStyle(bsRaised);
  p = CaptureControl(bevel);
  EXPECT_EQ(p.At(0, 20), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(49, 20), Sys(COLOR_BTNSHADOW));
  bevel->SetStyle(bsLowered);
  bevel->SetShape(bsTopLine);
  p = CaptureControl(bevel);
  EXPECT_EQ(p.At(25, 0), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(25, 1), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(25, 39), RGB(255, 255, 255));
  bevel->SetShape(bsRightLine);
  p = CaptureControl(bevel);
  EXPECT_EQ(p.At(48, 20), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(49, 20), Sys(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(0, 20), RGB(255, 255, 255));
  bevel->SetShape(bsFrame);
  p = CaptureControl(bevel);
  EXPECT_EQ(p.At(0, 20), Sys(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(1, 20), Sys(COLOR_BTNHIGHLIGHT));
  bevel->SetShape(bsSpacer);
  p = CaptureControl(bevel);
  EXPECT_EQ(p.Count(TRect(0, 0, 50, 40), RGB(255, 255, 255)), 50 * 40);
}

TEST(Shape, PenBrushAndKinds)
{
  TFormPtr form(NewForm(120, 120));
  auto* shape = new TShape(form.get());
  shape->SetParent(form.get());
  shape->SetBounds(10, 10, 80, 60);
  shape->GetBrush()->SetColor(clRed);
  shape->GetPen()->SetColor(clBlue);
  TPixels p = CaptureControl(shape);
  p.Save("shape_rectangle");
  EXPECT_EQ(p.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(p.At(79, 59), RGB(0, 0, 255));
  EXPECT_EQ(p.At(40, 30), RGB(255, 0, 0));
  shape->SetShape(stCircle);
  p = CaptureControl(shape);
  p.Save("shape_circle");
  // A circle of the smaller side, centred: the corners and the sides beyond it stay white.
  EXPECT_EQ(p.At(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(p.At(5, 30), RGB(255, 255, 255));
  EXPECT_EQ(p.At(40, 30), RGB(255, 0, 0));
  EXPECT_EQ(p.At(40, 0), RGB(0, 0, 255));
  shape->SetShape(stSquare);
  p = CaptureControl(shape);
  EXPECT_EQ(p.At(10, 0), RGB(0, 0, 255));
  EXPECT_EQ(p.At(69, 30), RGB(0, 0, 255));
  EXPECT_EQ(p.At(5, 30), RGB(255, 255, 255));
  shape->GetPen()->SetWidth(5);
  shape->SetShape(stRectangle);
  p = CaptureControl(shape);
  EXPECT_EQ(p.At(0, 30), RGB(0, 0, 255));
  EXPECT_EQ(p.At(4, 30), RGB(0, 0, 255));
  EXPECT_EQ(p.At(79, 30), RGB(0, 0, 255));
  EXPECT_EQ(p.At(6, 30), RGB(255, 0, 0));
}

TEST(PaintBox, OnPaintDrawsOnItsPart)
{
  TFormPtr form(NewForm(120, 120));
  TTimerProbe probe;
  auto* box = new TPaintBox(form.get());
  box->SetParent(form.get());
  box->SetBounds(20, 30, 40, 50);
  box->OnPaint = TNotifyEvent(&probe, &TTimerProbe::Paint);
  const TPixels p = Capture(form.get());
  EXPECT_GT(probe.Ticks, 0);
  // Only the box's own rectangle: the canvas is clipped to it, its origin at the box.
  EXPECT_EQ(p.Count(TRect(0, 0, 120, 120), RGB(255, 0, 255)), 40 * 50);
  EXPECT_EQ(p.Count(TRect(20, 30, 60, 80), RGB(255, 0, 255)), 40 * 50);
}

TEST(Image, StretchCentreAndAutoSize)
{
  TFormPtr form(NewForm(200, 200));
  auto* image = new TImage(form.get());
  image->SetParent(form.get());
  image->SetBounds(0, 0, 100, 80);
  auto bitmap = TwoColourBitmap(20, 10, clBlue, clRed);
  image->GetPicture()->SetGraphic(bitmap.get());
  TPixels p = CaptureControl(image);
  EXPECT_EQ(p.Count(TRect(0, 0, 100, 80), RGB(0, 0, 255)), 20 * 10 - 10 * 5);
  EXPECT_EQ(p.At(2, 2), RGB(255, 0, 0));
  EXPECT_EQ(p.At(30, 30), RGB(255, 255, 255));
  image->SetCenter(true);
  EXPECT_EQ(image->DestRect(), TRect(40, 35, 60, 45));
  p = CaptureControl(image);
  EXPECT_EQ(p.At(42, 36), RGB(255, 0, 0));
  EXPECT_EQ(p.At(58, 44), RGB(0, 0, 255));
  EXPECT_EQ(p.At(38, 36), RGB(255, 255, 255));
  image->SetStretch(true);
  p = CaptureControl(image);
  p.Save("image_stretch");
  EXPECT_EQ(p.Count(TRect(0, 0, 100, 80), RGB(255, 0, 0)), 50 * 40);
  EXPECT_EQ(p.Count(TRect(0, 0, 100, 80), RGB(0, 0, 255)), 100 * 80 - 50 * 40);
  image->SetStretch(false);
  image->SetCenter(false);
  image->SetAutoSize(true);
  EXPECT_EQ(image->GetWidth(), 20);
  EXPECT_EQ(image->GetHeight(), 10);
  auto bigger = TwoColourBitmap(64, 32, clGreen, clRed);
  image->GetPicture()->SetGraphic(bigger.get());
  EXPECT_EQ(image->GetWidth(), 64);
  EXPECT_EQ(image->GetHeight(), 32);
}

TEST(Image, CanvasDrawsOnThePictureBitmap)
{
  TFormPtr form(NewForm(100, 100));
  auto* image = new TImage(form.get());
  image->SetParent(form.get());
  image->SetBounds(5, 5, 60, 40);
  EXPECT_EQ(image->GetPicture()->GetGraphic(), nullptr);
  TCanvas* canvas = image->GetCanvas();
  ASSERT_NE(dynamic_cast<TBitmap*>(image->GetPicture()->GetGraphic()), nullptr);
  EXPECT_EQ(image->GetPicture()->GetWidth(), 60);
  EXPECT_EQ(image->GetPicture()->GetHeight(), 40);
  EXPECT_EQ(CaptureControl(image).Count(TRect(0, 0, 60, 40), RGB(255, 255, 255)), 60 * 40);
  canvas->GetBrush()->SetColor(clTeal);
  canvas->FillRect(TRect(0, 0, 30, 40));
  // The drawing shows without any call to repaint: the picture's change invalidated the image.
  const TPixels p = ReadControl(image);
  EXPECT_EQ(p.Count(TRect(0, 0, 60, 40), RGB(0, 128, 128)), 30 * 40);
  // A picture holding an icon has no canvas.
  auto icon = std::make_unique<TIcon>();
  icon->SetHandle(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
  image->GetPicture()->SetGraphic(icon.get());
  EXPECT_THROW(image->GetCanvas(), EInvalidOperation);
}

TEST(Timer, FiresAndStops)
{
  TTimerProbe probe;
  auto timer = std::make_unique<TTimer>(nullptr);
  timer->SetInterval(20);
  probe.StopAfter = 3;
  timer->SetOnTimer(TNotifyEvent(&probe, &TTimerProbe::Tick));
  ASSERT_TRUE(WaitFor([&] { return probe.Ticks >= 3; }, 3000));
  EXPECT_FALSE(timer->GetEnabled());
  PumpFor(150);
  EXPECT_EQ(probe.Ticks, 3) << "a disabled timer stays quiet";
  timer->SetEnabled(true);
  probe.StopAfter = 0;
  ASSERT_TRUE(WaitFor([&] { return probe.Ticks >= 5; }, 3000));
  timer->SetInterval(0);
  const int ticks = probe.Ticks;
  PumpFor(150);
  EXPECT_EQ(probe.Ticks, ticks) << "interval 0 stops it";
  // Destroyed while running: nothing arrives afterwards.
  timer->SetInterval(10);
  PumpFor(50);
  timer.reset();
  const int last = probe.Ticks;
  PumpFor(100);
  EXPECT_EQ(probe.Ticks, last);
}

TEST(Timer, ExceptionsGoToTheApplication)
{
  TTimerProbe probe;
  TExceptionEvent saved = Application->OnException;
  Application->OnException = TExceptionEvent(&probe, &TTimerProbe::Caught);
  auto timer = std::make_unique<TTimer>(nullptr);
  timer->SetInterval(20);
  timer->SetOnTimer(TNotifyEvent(&probe, &TTimerProbe::Throw));
  const bool caught = WaitFor([&] { return probe.Exceptions >= 2; }, 3000);
  timer.reset();
  Application->OnException = saved;
  ASSERT_TRUE(caught);
  EXPECT_EQ(probe.LastMessage, AnsiString("timer trouble"));
  EXPECT_NE(probe.LastSender, nullptr);
}

TEST(AllocateHWnd, MessagesReachTheMethodAndExceptionsStopThere)
{
  int seen = 0;
  TTimerProbe probe;
  TExceptionEvent saved = Application->OnException;
  Application->OnException = TExceptionEvent(&probe, &TTimerProbe::Caught);
  HWND window = nullptr;
  window = AllocateHWnd([&](TMessage& message) {
    if (message.Msg == WM_USER + 1) {
      ++seen;
      message.Result = 42;
      return;
    }
    if (message.Msg == WM_USER + 2) throw EConvertError("inside");
    message.Result = DefWindowProcW(window, message.Msg, message.WParam, message.LParam);
  });
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 42);
  SendMessageW(window, WM_USER + 2, 0, 0);
  Application->OnException = saved;
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(probe.Exceptions, 1);
  EXPECT_FALSE(IsWindowVisible(window));
  DeallocateHWnd(window);
  EXPECT_FALSE(IsWindow(window));
}
