// TQelSpeedButton: clipping to a shape, the image-only face and the shapes' edges.
#include "Qelspeedbutton.h"

#include <cstdlib>

#include "TypInfo.h"

namespace {
TUnitInit QelspeedbuttonUnitInit("Qelspeedbutton", [] { RegisterClass(TQelSpeedButton::StaticClass()); });

bool IsSquareShape(TShapeType shape) { return shape == stSquare || shape == stRoundSquare || shape == stCircle; }
}  // namespace

VCL_PUBLISHED(TQelSpeedButton)
{
  p.Property("ClippingShape", &TQelSpeedButton::GetClippingShape, &TQelSpeedButton::SetClippingShape)
      .Default(stRectangle);
  p.Property("ImageOnly", &TQelSpeedButton::GetImageOnly, &TQelSpeedButton::SetImageOnly).Default(false);
}

TQelSpeedButton::TQelSpeedButton(TOwnerArg owner) : TSpeedButton(owner)
{
  FClippingShape = stRectangle;
  FImageOnly = false;
}

TQelSpeedButton::~TQelSpeedButton() = default;

void TQelSpeedButton::SetClippingShape(TShapeType value)
{
  if (value == FClippingShape) return;
  FClippingShape = value;
  Invalidate();
}

void TQelSpeedButton::Paint()
{
  DrawClipping();
  if (FImageOnly) {
    DrawImage();
    return;
  }
  TSpeedButton::Paint();
  DrawBorder();
}

void TQelSpeedButton::DrawClipping()
{
  const int L = GetLeft(), T = GetTop(), W = GetWidth(), H = GetHeight();
  int s = 0;
  if (IsSquareShape(FClippingShape)) {
    FSquareInset = std::abs(W - H) / 2;
    if (W < H) {
      s = W;
      FShapeLeft = L;
      FShapeTop = T + FSquareInset;
    } else {
      s = H;
      FShapeLeft = L + FSquareInset;
      FShapeTop = T;
    }
  }
  const int X = FShapeLeft, Y = FShapeTop;
  // The rounded and elliptic regions leave out their right and bottom edges: one more pixel there
  // makes them reach the button's last column and row.
  HRGN region = nullptr;
  switch (FClippingShape) {
    case stRectangle: region = CreateRectRgn(L, T, L + W, T + H); break;
    case stSquare: region = CreateRectRgn(X, Y, X + s, Y + s); break;
    case stRoundRect: region = CreateRoundRectRgn(L, T, L + W + 1, T + H + 1, W / 4, H / 4); break;
    // The corners' ellipse comes from the button's whole width and height, not from the side.
    case stRoundSquare: region = CreateRoundRectRgn(X, Y, X + s + 1, Y + s + 1, W / 4, H / 4); break;
    case stEllipse: region = CreateEllipticRgn(L, T, L + W + 1, T + H + 1); break;
    case stCircle: region = CreateEllipticRgn(X, Y, X + s + 1, Y + s + 1); break;
  }
  // The device context keeps a copy of the region; ours goes at once.
  const TGdiObject owned(region);
  SelectClipRgn(GetCanvas()->GetHandle(), region);
}

void TQelSpeedButton::DrawImage()
{
  TCanvas* canvas = GetCanvas();
  TBitmap* glyph = GetGlyph();
  const int cellWidth = glyph->GetWidth() / GetNumGlyphs();
  // The strip goes down whole: the button's bounds and the clip cut it. Under a transparent strip
  // the up cell shows through.
  canvas->Draw(0, 0, glyph);
  // The state as the base button settles it before it paints.
  if (!GetEnabled()) FState = bsDisabled;
  else if (FState == bsDisabled) FState = GetDown() && GetGroupIndex() != 0 ? bsExclusive : bsUp;
  const int cell = int(FState);
  if (FState == bsUp || GetNumGlyphs() <= cell) canvas->Draw(0, 0, glyph);
  else canvas->Draw(-cell * cellWidth, 0, glyph);
}

void TQelSpeedButton::DrawArc(TColor Color, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4)
{
  TCanvas* canvas = GetCanvas();
  canvas->GetPen()->SetColor(Color);
  canvas->Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
}

void TQelSpeedButton::DrawBorder()
{
  const int W = GetWidth(), H = GetHeight();
  const int b = GetSystemMetrics(SM_CXBORDER);
  GetCanvas()->GetPen()->SetWidth(b);
  if (IsSquareShape(FClippingShape)) {
    // The circle's ring sits one border inside the box, the squares' frame on its edge.
    const int e = FClippingShape == stCircle ? b : 0, d = FSquareInset;
    if (W < H) {
      FShapeLeft = e;
      FShapeTop = d + e;
      FShapeRight = W;
      FShapeBottom = H - d;
    } else {
      FShapeLeft = d + e;
      FShapeTop = e;
      FShapeRight = W - d;
      FShapeBottom = H;
    }
  }
  switch (FClippingShape) {
    case stRectangle: break;  // the base button's frame is the edge
    case stSquare: DrawSquareFrame(); break;
    case stRoundSquare:
      DrawSquareFrame();
      [[fallthrough]];
    case stRoundRect: DrawArc(clBtnHighlight, 0, 0, W / 4, H / 4, W / 8, 0, 0, H / 8); break;
    case stEllipse: DrawEllipseBorder(W, H, b); break;
    case stCircle: DrawCircleBorder(W, H, b); break;
  }
}

void TQelSpeedButton::DrawSquareFrame()
{
  HDC dc = GetCanvas()->GetHandle();
  RECT box{FShapeLeft, FShapeTop, FShapeRight, FShapeBottom};
  if (GetFlat()) DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
  else DrawEdge(dc, &box, GetDown() ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
}

// Two rings of half arcs: light on the upper left and dark on the lower right when up, the other way
// round when down; a flat button has the outer ring only.
void TQelSpeedButton::DrawEllipseBorder(int W, int H, int b)
{
  SetArcDirection(GetCanvas()->GetHandle(), AD_COUNTERCLOCKWISE);
  const bool down = GetDown();
  const TColor c1 = down ? clWindowFrame : clBtnHighlight;
  const TColor c2 = down ? clBtnHighlight : clWindowFrame;
  const TColor c3 = down ? clBtnShadow : clBtnFace;
  const TColor c4 = down ? clBtnFace : clBtnShadow;
  DrawArc(c1, 0, 0, W, H, W, 0, 0, H);
  DrawArc(GetFlat() ? c4 : c2, 0, 0, W, H, 0, H, W, 0);
  if (GetFlat()) return;
  DrawArc(c3, b, b, W - b, H - b, W, 0, 0, H);
  DrawArc(c4, b, b, W - b, H - b, 0, H, W, 0);
}

// The radials run along the diagonals through half the box's right and bottom edges (outer ring) and
// through the button's centre (inner ring); only their direction matters.
void TQelSpeedButton::DrawCircleBorder(int W, int H, int b)
{
  SetArcDirection(GetCanvas()->GetHandle(), AD_COUNTERCLOCKWISE);
  const int X2 = FShapeRight, Y2 = FShapeBottom;
  const int p = X2 / 2, q = Y2 / 2;
  DrawArc(clBtnHighlight, FShapeLeft, FShapeTop, X2 - b, Y2 - b, p + 100, q - 100, p - 100, q + 100);
  DrawArc(GetFlat() ? clBtnShadow : clWindowFrame, FShapeLeft, FShapeTop, X2 - b, Y2 - b, p - 100, q + 100, p + 100,
          q - 100);
  // The inner ring's box.
  if (W < H) {
    FShapeLeft = 2 * b;
    FShapeTop = 2 * b + FSquareInset;
  } else {
    FShapeLeft = 2 * b + FSquareInset;
    FShapeTop = 2 * b;
  }
  if (GetFlat()) return;
  const int P = W / 2, Q = H / 2;
  DrawArc(clBtnFace, FShapeLeft, FShapeTop, X2 - 2 * b, Y2 - 2 * b, P + 100, Q - 100, P - 100, Q + 100);
  DrawArc(clBtnShadow, FShapeLeft, FShapeTop, X2 - 2 * b, Y2 - 2 * b, P - 100, Q + 100, P + 100, Q - 100);
}
