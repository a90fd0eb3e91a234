// The skinnable speed button on a form: the clip region it selects (read back while it paints), the
// glyph cell each state shows inside the shape and the parent outside it, the shapes' edges, a press
// outside the shape, image-only faces without captions, repaints, storing, and a demo form of every
// shape in every state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ActnList.h"
#include "Forms.h"
#include "GuiTest.h"
#include "Qelspeedbutton.h"
#include "TypInfo.h"

using namespace ostrel::test;

namespace {

const COLORREF ParentColour = RGB(30, 34, 44);
// Up, disabled, pressed, held down.
const COLORREF CellColours[4] = {RGB(46, 125, 50), RGB(158, 158, 158), RGB(198, 40, 40), RGB(21, 101, 192)};
const TShapeType Shapes[6] = {stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle};

struct Deleter {
  void operator()(TComponent* c) const { delete c; }
};
using TFormPtr = std::unique_ptr<TForm, Deleter>;

// A speed button that keeps the clip region it painted with and counts its paints.
class TProbeButton : public TQelSpeedButton {
  VCL_DECLARE_CLASS(TProbeButton, TQelSpeedButton)
  explicit TProbeButton(TOwnerArg owner) : TQelSpeedButton(owner) {}
  int Paints = 0;
  TGdiObject Clip;
  // Shows a state without the mouse, for pictures.
  void ShowState(TButtonState state) { FState = state; }

protected:
  void Paint() override
  {
    TQelSpeedButton::Paint();
    ++Paints;
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetClipRgn(GetCanvas()->GetHandle(), region) == 1) Clip = TGdiObject(region);
    else DeleteObject(region);
  }
};
VCL_IMPLEMENT_CLASS(TProbeButton)

class TClickCount : public TObject {
  VCL_DECLARE_CLASS(TClickCount, TObject)
  TClickCount() = default;
  int Clicks = 0;
  void Clicked(TObject*) { ++Clicks; }
};
VCL_IMPLEMENT_CLASS(TClickCount)

TForm* NewForm(int width, int height)
{
  auto* form = new TForm(Application, 0);
  form->SetBorderStyle(bsNone);
  form->SetBounds(20, 20, width, height);
  form->SetColor(TColor(int(ParentColour)));
  form->Show();
  FlushPainting(form->GetHandle());
  MakeForeground(form->GetHandle());
  return form;
}

// A strip of `cells` solid cells of width x height in the cell colours.
std::unique_ptr<TBitmap> SolidStrip(int cells, int width, int height)
{
  auto strip = std::make_unique<TBitmap>();
  strip->SetSize(cells * width, height);
  TCanvas* canvas = strip->GetCanvas();
  for (int i = 0; i < cells; ++i) {
    canvas->GetBrush()->SetColor(TColor(int(CellColours[i])));
    canvas->FillRect(TRect(i * width, 0, (i + 1) * width, height));
  }
  return strip;
}

TProbeButton* NewButton(TForm* form, TShapeType shape, int left, int top, int width, int height, int cells = 4)
{
  auto* b = new TProbeButton(form);
  b->SetParent(form);
  b->SetBounds(left, top, width, height);
  b->SetClippingShape(shape);
  b->SetImageOnly(true);
  b->SetGlyph(SolidStrip(cells, width, height).get());
  b->SetNumGlyphs(cells);
  return b;
}

// The region a shape clips to, in the parent's coordinates.
TGdiObject ShapeRegion(TShapeType shape, int L, int T, int W, int H)
{
  const int d = std::abs(W - H) / 2, s = W < H ? W : H;
  const int X = W < H ? L : L + d, Y = W < H ? T + d : T;
  switch (shape) {
    case stRectangle: return TGdiObject(CreateRectRgn(L, T, L + W, T + H));
    case stSquare: return TGdiObject(CreateRectRgn(X, Y, X + s, Y + s));
    case stRoundRect: return TGdiObject(CreateRoundRectRgn(L, T, L + W + 1, T + H + 1, W / 4, H / 4));
    case stRoundSquare: return TGdiObject(CreateRoundRectRgn(X, Y, X + s + 1, Y + s + 1, W / 4, H / 4));
    case stEllipse: return TGdiObject(CreateEllipticRgn(L, T, L + W + 1, T + H + 1));
    case stCircle: return TGdiObject(CreateEllipticRgn(X, Y, X + s + 1, Y + s + 1));
  }
  return TGdiObject();
}

// Checks every pixel of the button and a ring of one pixel around it: the colour inside the shape,
// the parent's outside. Answers "" or what differed.
std::string CheckFace(const Pixels& shot, TControl* b, COLORREF inside, TShapeType shape)
{
  const int L = b->GetLeft(), T = b->GetTop(), W = b->GetWidth(), H = b->GetHeight();
  const TGdiObject region = ShapeRegion(shape, L, T, W, H);
  RECT box{};
  GetRgnBox(static_cast<HRGN>(region.Get()), &box);
  std::ostringstream out;
  if (box.left < L || box.top < T || box.right > L + W || box.bottom > T + H) out << "region outside the button; ";
  int wrong = 0;
  for (int y = T - 1; y <= T + H; ++y) {
    for (int x = L - 1; x <= L + W; ++x) {
      const bool in = PtInRegion(static_cast<HRGN>(region.Get()), x, y) && x >= L && y >= T && x < L + W && y < T + H;
      const COLORREF want = in ? inside : ParentColour;
      if (SameColour(shot.At(x, y), want)) continue;
      if (wrong++ == 0)
        out << "first at (" << x - L << ", " << y - T << "): 0x" << std::hex << shot.At(x, y) << " for 0x" << want
            << std::dec << "; ";
    }
  }
  if (wrong) out << wrong << " pixels differ";
  return out.str();
}

// Pixels outside the shape (within the button and a ring of one pixel around it) that are not the
// parent's.
int OutsideNotParent(const Pixels& shot, TControl* b, TShapeType shape)
{
  const int L = b->GetLeft(), T = b->GetTop(), W = b->GetWidth(), H = b->GetHeight();
  const TGdiObject region = ShapeRegion(shape, L, T, W, H);
  int count = 0;
  for (int y = T - 1; y <= T + H; ++y)
    for (int x = L - 1; x <= L + W; ++x)
      if (!PtInRegion(static_cast<HRGN>(region.Get()), x, y) && !SameColour(shot.At(x, y), ParentColour)) ++count;
  return count;
}

POINT Centre(TControl* b) { return {b->GetLeft() + b->GetWidth() / 2, b->GetTop() + b->GetHeight() / 2}; }

// Repaints the button and waits for its paint.
void Repaint(TProbeButton* b)
{
  const int before = b->Paints;
  b->Invalidate();
  ASSERT_TRUE(PumpUntil([&] { return b->Paints > before; }, 3000));
}

}  // namespace

// The clip region read back while painting is the shape's, in the parent's coordinates.
TEST(QelSpeedButton, ClipRegionIsTheShapeInParentCoordinates)
{
  TFormPtr form(NewForm(200, 140));
  constexpr int L = 37, T = 23;
  struct Case {
    int W, H;
    TShapeType Shape;
    char Kind;  // R rectangle, O round rectangle, E ellipse
    int X1, Y1, X2, Y2, CW, CH;  // relative to (L, T)
  };
  const Case cases[] = {
      {56, 42, stRectangle, 'R', 0, 0, 56, 42, 0, 0},     {56, 42, stSquare, 'R', 7, 0, 49, 42, 0, 0},
      {56, 42, stRoundRect, 'O', 0, 0, 57, 43, 14, 10},   {56, 42, stRoundSquare, 'O', 7, 0, 50, 43, 14, 10},
      {56, 42, stEllipse, 'E', 0, 0, 57, 43, 0, 0},       {56, 42, stCircle, 'E', 7, 0, 50, 43, 0, 0},
      {24, 24, stCircle, 'E', 0, 0, 25, 25, 0, 0},        {24, 24, stRoundRect, 'O', 0, 0, 25, 25, 6, 6},
      {21, 21, stCircle, 'E', 0, 0, 22, 22, 0, 0},        {21, 21, stRoundSquare, 'O', 0, 0, 22, 22, 5, 5},
      {21, 21, stSquare, 'R', 0, 0, 21, 21, 0, 0},        {30, 50, stSquare, 'R', 0, 10, 30, 40, 0, 0},
      {30, 50, stRoundSquare, 'O', 0, 10, 31, 41, 7, 12}, {30, 50, stCircle, 'E', 0, 10, 31, 41, 0, 0},
      {30, 50, stEllipse, 'E', 0, 0, 31, 51, 0, 0},       {57, 42, stCircle, 'E', 7, 0, 50, 43, 0, 0},
  };
  for (bool imageOnly : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " shape " << int(c.Shape) << " imageOnly " << imageOnly);
      auto* b = NewButton(form.get(), c.Shape, L, T, c.W, c.H);
      b->SetImageOnly(imageOnly);
      Repaint(b);
      ASSERT_TRUE(bool(b->Clip)) << "no clip region selected";
      TGdiObject want;
      if (c.Kind == 'R') want = TGdiObject(CreateRectRgn(L + c.X1, T + c.Y1, L + c.X2, T + c.Y2));
      if (c.Kind == 'O') want = TGdiObject(CreateRoundRectRgn(L + c.X1, T + c.Y1, L + c.X2, T + c.Y2, c.CW, c.CH));
      if (c.Kind == 'E') want = TGdiObject(CreateEllipticRgn(L + c.X1, T + c.Y1, L + c.X2, T + c.Y2));
      EXPECT_TRUE(EqualRgn(static_cast<HRGN>(b->Clip.Get()), static_cast<HRGN>(want.Get())));
      // The same shape at the parent's origin is another region: the clip is not in the button's own
      // coordinates.
      OffsetRgn(static_cast<HRGN>(want.Get()), -L, -T);
      EXPECT_FALSE(EqualRgn(static_cast<HRGN>(b->Clip.Get()), static_cast<HRGN>(want.Get())));
      delete b;
    }
  }
}

// Image-only buttons of every shape at the main window's sizes: the cell of each state inside the
// shape, the parent outside it.
TEST(QelSpeedButton, EachStateShowsItsCellInsideTheShape)
{
  struct Size {
    int W, H;
  };
  for (const Size size : {Size{56, 42}, Size{24, 24}, Size{21, 21}}) {
    SCOPED_TRACE(testing::Message() << size.W << "x" << size.H);
    TFormPtr form(NewForm(6 * (size.W + 10) + 10, size.H + 20));
    std::vector<TProbeButton*> buttons;
    for (int i = 0; i < 6; ++i) buttons.push_back(NewButton(form.get(), Shapes[i], 10 + i * (size.W + 10), 10, size.W, size.H));
    const std::string name = "qelspeedbutton_states_" + std::to_string(size.W) + "x" + std::to_string(size.H);
    auto checkAll = [&](COLORREF colour, const char* state) {
      const Pixels shot = CaptureClient(form->GetHandle());
      SavePng(shot, name + "_" + state);
      for (int i = 0; i < 6; ++i) EXPECT_EQ(CheckFace(shot, buttons[i], colour, Shapes[i]), "") << state << ", shape " << i;
    };
    checkAll(CellColours[0], "up");
    // Pressed: while the mouse holds it.
    for (int i = 0; i < 6; ++i) {
      ASSERT_TRUE(MouseDown(form->GetHandle(), Centre(buttons[i])));
      ASSERT_EQ(buttons[i]->GetState(), bsDown);
      const Pixels shot = CaptureClient(form->GetHandle());
      if (i == 5) SavePng(shot, name + "_pressed");
      EXPECT_EQ(CheckFace(shot, buttons[i], CellColours[2], Shapes[i]), "") << "pressed, shape " << i;
      if (i > 0) {
        EXPECT_EQ(CheckFace(shot, buttons[i - 1], CellColours[0], Shapes[i - 1]), "") << "released, shape " << i - 1;
      }
      ASSERT_TRUE(MouseUp(form->GetHandle(), Centre(buttons[i])));
    }
    // Held down in a group: clicked, each in a group of its own.
    for (int i = 0; i < 6; ++i) {
      buttons[i]->SetGroupIndex(i + 1);
      ASSERT_TRUE(Click(form->GetHandle(), Centre(buttons[i])));
      ASSERT_TRUE(buttons[i]->GetDown());
    }
    checkAll(CellColours[3], "held");
    for (TProbeButton* b : buttons) b->SetEnabled(false);
    checkAll(CellColours[1], "disabled");
  }
}

// With two cells, disabled shows the second and pressed or held down the first; with one, every state
// the first.
TEST(QelSpeedButton, StatesWithoutACellShowTheUpCell)
{
  TFormPtr form(NewForm(160, 62));
  TProbeButton* two = NewButton(form.get(), stRoundRect, 10, 10, 56, 42, 2);
  TProbeButton* one = NewButton(form.get(), stCircle, 90, 10, 56, 42, 1);
  ASSERT_EQ(two->GetNumGlyphs(), 2);
  ASSERT_EQ(one->GetNumGlyphs(), 1);
  auto check = [&](const char* state, COLORREF twoColour) {
    const Pixels shot = CaptureClient(form->GetHandle());
    SavePng(shot, std::string("qelspeedbutton_fewcells_") + state);
    EXPECT_EQ(CheckFace(shot, two, twoColour, stRoundRect), "") << state;
    EXPECT_EQ(CheckFace(shot, one, CellColours[0], stCircle), "") << state;
  };
  ASSERT_TRUE(MouseDown(form->GetHandle(), Centre(two)));
  check("pressed_two", CellColours[0]);
  ASSERT_TRUE(MouseUp(form->GetHandle(), Centre(two)));
  ASSERT_TRUE(MouseDown(form->GetHandle(), Centre(one)));
  check("pressed_one", CellColours[0]);
  ASSERT_TRUE(MouseUp(form->GetHandle(), Centre(one)));
  for (TProbeButton* b : {two, one}) {
    b->SetGroupIndex(1 + b->GetNumGlyphs());
    b->SetDown(true);
    ASSERT_EQ(b->GetState(), bsExclusive);
  }
  check("held", CellColours[0]);
  two->SetEnabled(false);
  one->SetEnabled(false);
  check("disabled", CellColours[1]);
}

// Hit testing is the rectangle: a press beside the circle presses the button and its release clicks.
TEST(QelSpeedButton, PressOutsideTheShapePressesTheButton)
{
  TFormPtr form(NewForm(100, 62));
  TProbeButton* b = NewButton(form.get(), stCircle, 20, 10, 56, 42);
  TClickCount count;
  b->OnClick = TNotifyEvent(&count, &TClickCount::Clicked);
  // (2, 2) of the button: left of the circle, which starts 7 pixels in.
  const POINT corner{b->GetLeft() + 2, b->GetTop() + 2};
  const TGdiObject shape = ShapeRegion(stCircle, b->GetLeft(), b->GetTop(), 56, 42);
  ASSERT_FALSE(PtInRegion(static_cast<HRGN>(shape.Get()), corner.x, corner.y));
  ASSERT_TRUE(MouseDown(form->GetHandle(), corner));
  EXPECT_EQ(b->GetState(), bsDown);
  const Pixels shot = CaptureClient(form->GetHandle());
  SavePng(shot, "qelspeedbutton_pressed_in_corner");
  EXPECT_EQ(CheckFace(shot, b, CellColours[2], stCircle), "");
  ASSERT_TRUE(MouseUp(form->GetHandle(), corner));
  EXPECT_EQ(count.Clicks, 1);
  EXPECT_EQ(b->GetState(), bsUp);
}

// An image-only face is the cell alone, even when the action gives the button a caption; the same
// button with a face shows the caption.
TEST(QelSpeedButton, ImageOnlyDrawsNoCaption)
{
  TFormPtr form(NewForm(160, 62));
  auto* action = new TAction(form.get());
  action->SetCaption("WWWW");
  TProbeButton* image = NewButton(form.get(), stRoundRect, 10, 10, 56, 42);
  TProbeButton* face = NewButton(form.get(), stRoundRect, 90, 10, 56, 42);
  face->SetImageOnly(false);
  face->SetGlyph(nullptr);
  for (TProbeButton* b : {image, face}) {
    b->SetAction(action);
    b->GetFont()->SetColor(clBlack);
    ASSERT_EQ(b->GetCaption(), AnsiString("WWWW"));
    Repaint(b);
  }
  const Pixels shot = CaptureClient(form->GetHandle());
  SavePng(shot, "qelspeedbutton_caption");
  EXPECT_EQ(CheckFace(shot, image, CellColours[0], stRoundRect), "");
  const RECT faceText{face->GetLeft() + 8, face->GetTop() + 12, face->GetLeft() + 48, face->GetTop() + 30};
  EXPECT_GT(shot.Count(RGB(0, 0, 0), faceText, 64), 10) << "the face's caption";
}

// The square shapes' push-button frame is an edge only: the caption inside stays, up and held down.
TEST(QelSpeedButton, SquareFramesKeepTheFaceTheyFrame)
{
  TFormPtr form(NewForm(160, 62));
  std::vector<TProbeButton*> buttons;
  int left = 10;
  for (TShapeType shape : {stSquare, stRoundSquare}) {
    TProbeButton* b = NewButton(form.get(), shape, left, 10, 56, 42);
    left += 70;
    b->SetImageOnly(false);
    b->SetGlyph(nullptr);
    b->SetCaption("WW");
    b->GetFont()->SetColor(clBlack);
    buttons.push_back(b);
  }
  for (bool down : {false, true}) {
    for (TProbeButton* b : buttons) {
      b->SetGroupIndex(down ? 7 : 0);
      b->SetDown(down);
      Repaint(b);
    }
    const Pixels shot = CaptureClient(form->GetHandle());
    SavePng(shot, down ? "qelspeedbutton_square_frames_down" : "qelspeedbutton_square_frames_up");
    for (TProbeButton* b : buttons) {
      const RECT text{b->GetLeft() + 14, b->GetTop() + 12, b->GetLeft() + 42, b->GetTop() + 30};
      EXPECT_GT(shot.Count(RGB(0, 0, 0), text, 64), 6) << "caption of shape " << int(b->GetClippingShape())
                                                       << (down ? " down" : " up");
    }
  }
}

// The edges: a highlight arc in the top-left corner of a round rectangle; the ellipse light on the
// upper left and dark on the lower right, the other way round when down.
TEST(QelSpeedButton, EdgesOfTheShapes)
{
  TFormPtr form(NewForm(230, 62));
  auto faced = [&](TShapeType shape, int left) {
    TProbeButton* b = NewButton(form.get(), shape, left, 10, 56, 42);
    b->SetImageOnly(false);
    b->SetGlyph(nullptr);
    b->SetFlat(true);  // a flat face is the parent's: only the edge is drawn
    return b;
  };
  TProbeButton* round = faced(stRoundRect, 10);
  TProbeButton* ellipse = faced(stEllipse, 80);
  TProbeButton* down = faced(stEllipse, 150);
  down->SetGroupIndex(1);
  down->SetDown(true);
  const Pixels shot = CaptureClient(form->GetHandle());
  SavePng(shot, "qelspeedbutton_edges");
  const COLORREF light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow), frame = ColorToRGB(clWindowFrame);
  auto count = [&](TControl* b, COLORREF colour, int x1, int y1, int x2, int y2) {
    return shot.Count(colour, RECT{b->GetLeft() + x1, b->GetTop() + y1, b->GetLeft() + x2, b->GetTop() + y2});
  };
  EXPECT_GT(count(round, light, 0, 0, 14, 10), 3);
  EXPECT_EQ(count(round, light, 0, 0, 56, 42), count(round, light, 0, 0, 14, 10)) << "one arc, in the corner";
  // Up: light on the upper left, shadow on the lower right (flat: the outer ring only).
  EXPECT_GT(count(ellipse, light, 0, 0, 28, 21), 10);
  EXPECT_EQ(count(ellipse, light, 29, 22, 56, 42), 0);
  EXPECT_GT(count(ellipse, shadow, 29, 22, 56, 42), 10);
  EXPECT_EQ(count(ellipse, shadow, 0, 0, 27, 20), 0);
  // Down: the frame colour on the upper left, none on the lower right.
  EXPECT_GT(count(down, frame, 0, 0, 28, 21), 10);
  EXPECT_EQ(count(down, frame, 29, 22, 56, 42), 0);
  // Nothing of any edge outside its shape.
  EXPECT_EQ(OutsideNotParent(shot, round, stRoundRect), 0);
  EXPECT_EQ(OutsideNotParent(shot, ellipse, stEllipse), 0);
  EXPECT_EQ(OutsideNotParent(shot, down, stEllipse), 0);
}

// A new shape repaints at once; the same one does not.
TEST(QelSpeedButton, SameClippingShapeCausesNoRepaint)
{
  TFormPtr form(NewForm(100, 62));
  TProbeButton* b = NewButton(form.get(), stRoundRect, 20, 10, 56, 42);
  FlushPainting(form->GetHandle());
  const int paints = b->Paints;
  ASSERT_GT(paints, 0);
  RECT pending{};
  ASSERT_FALSE(GetUpdateRect(form->GetHandle(), &pending, FALSE));
  b->SetClippingShape(stRoundRect);
  EXPECT_FALSE(GetUpdateRect(form->GetHandle(), &pending, FALSE));
  FlushPainting(form->GetHandle());
  EXPECT_EQ(b->Paints, paints);
  b->SetClippingShape(stCircle);
  ASSERT_TRUE(GetUpdateRect(form->GetHandle(), &pending, FALSE));
  const RECT bounds{20, 10, 76, 52};
  EXPECT_TRUE(EqualRect(&pending, &bounds));
  FlushPainting(form->GetHandle());
  EXPECT_EQ(b->Paints, paints + 1);
  EXPECT_EQ(b->GetClippingShape(), stCircle);
  // ImageOnly shows at the next paint; it asks for none itself.
  b->SetImageOnly(false);
  EXPECT_FALSE(GetUpdateRect(form->GetHandle(), &pending, FALSE));
}

TEST(QelSpeedButton, PublishedAndStoredOnlyWhenChanged)
{
  const TMetaClass* cls = TQelSpeedButton::StaticClass();
  ASSERT_NE(GetPropInfo(cls, "ClippingShape"), nullptr);
  ASSERT_NE(GetPropInfo(cls, "ImageOnly"), nullptr);
  EXPECT_EQ(GetPropInfo(cls, "ClippingShape")->Default, int(stRectangle));
  EXPECT_EQ(GetPropInfo(cls, "ImageOnly")->Default, 0);
  EXPECT_NE(GetPropInfo(cls, "NumGlyphs"), nullptr) << "the base button's properties stay";
  std::unique_ptr<TQelSpeedButton, Deleter> b(new TQelSpeedButton(nullptr));
  EXPECT_EQ(b->GetClippingShape(), stRectangle);
  EXPECT_FALSE(b->GetImageOnly());
  RegisterClass(TQelSpeedButton::StaticClass());
  auto text = [&] {
    TMemoryStream binary, out;
    binary.WriteComponent(b.get());
    binary.SetPosition(0);
    ObjectBinaryToText(&binary, &out);
    return std::string(static_cast<const char*>(out.GetMemory()), size_t(out.GetSize()));
  };
  std::string stored = text();
  EXPECT_EQ(stored.find("ClippingShape"), std::string::npos) << stored;
  EXPECT_EQ(stored.find("ImageOnly"), std::string::npos) << stored;
  SetEnumProp(b.get(), "ClippingShape", "stCircle");
  SetOrdProp(b.get(), "ImageOnly", 1);
  EXPECT_EQ(b->GetClippingShape(), stCircle);
  stored = text();
  EXPECT_NE(stored.find("ClippingShape = stCircle"), std::string::npos) << stored;
  EXPECT_NE(stored.find("ImageOnly = True"), std::string::npos) << stored;
}

// Every shape in every state, image-only and with a face, flat and not: a picture to look at.
TEST(QelSpeedButton, DemoForm)
{
  constexpr int W = 56, H = 42, Gap = 8;
  const struct {
    bool ImageOnly, Flat;
  } variants[4] = {{true, false}, {true, true}, {false, false}, {false, true}};
  const TButtonState states[4] = {bsUp, bsDisabled, bsDown, bsExclusive};
  TFormPtr form(NewForm(6 * (W + Gap) + Gap, 16 * (H + Gap) + Gap));
  form->SetColor(TColor(int(RGB(24, 27, 35))));
  // A skin strip: each cell its state's colour with a light play mark; and a small glyph for faces.
  auto skin = std::make_unique<TBitmap>();
  skin->SetSize(4 * W, H);
  TCanvas* c = skin->GetCanvas();
  for (int i = 0; i < 4; ++i) {
    c->GetBrush()->SetColor(TColor(int(CellColours[i])));
    c->FillRect(TRect(i * W, 0, (i + 1) * W, H));
    c->GetBrush()->SetColor(clWhite);
    c->GetPen()->SetColor(clWhite);
    const TPoint mark[3] = {TPoint(i * W + 23, 13), TPoint(i * W + 23, 29), TPoint(i * W + 35, 21)};
    c->Polygon(mark, 3);
  }
  auto glyph = std::make_unique<TBitmap>();
  glyph->SetSize(64, 16);
  TCanvas* g = glyph->GetCanvas();
  g->GetBrush()->SetColor(clFuchsia);
  g->FillRect(TRect(0, 0, 64, 16));
  for (int i = 0; i < 4; ++i) {
    g->GetBrush()->SetColor(TColor(int(CellColours[i])));
    g->GetPen()->SetColor(TColor(int(CellColours[i])));
    g->Ellipse(i * 16 + 3, 3, i * 16 + 13, 13);
  }
  std::vector<TProbeButton*> buttons;
  for (int v = 0; v < 4; ++v) {
    for (int s = 0; s < 4; ++s) {
      for (int k = 0; k < 6; ++k) {
        auto* b = new TProbeButton(form.get());
        b->SetParent(form.get());
        b->SetBounds(Gap + k * (W + Gap), Gap + (v * 4 + s) * (H + Gap), W, H);
        b->SetClippingShape(Shapes[k]);
        b->SetImageOnly(variants[v].ImageOnly);
        b->SetFlat(variants[v].Flat);
        b->SetGlyph(variants[v].ImageOnly ? skin.get() : glyph.get());
        b->SetNumGlyphs(4);
        if (states[s] == bsDisabled) b->SetEnabled(false);
        if (states[s] == bsExclusive) {
          b->SetGroupIndex(1 + int(buttons.size()));
          b->SetDown(true);
        }
        if (states[s] == bsDown) b->ShowState(bsDown);
        buttons.push_back(b);
      }
    }
  }
  const Pixels shot = CaptureClient(form->GetHandle());
  SavePng(shot, "qelspeedbutton_demo");
  // Every button painted, each image-only one shows its state's cell at its centre.
  for (size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_GT(buttons[i]->Paints, 0);
    if (i < 48) {
      const POINT p = Centre(buttons[i]);
      EXPECT_TRUE(SameColour(shot.At(p.x - 12, p.y), CellColours[(i / 6) % 4])) << "button " << i;
    }
  }
}
