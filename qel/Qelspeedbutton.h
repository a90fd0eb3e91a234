// TQelSpeedButton: the library's skinnable speed button. It is the platform's speed button with its
// painting clipped to a shape (ClippingShape, with a three-dimensional edge to match) and, with
// ImageOnly, a face made of one cell of the glyph strip alone: no frame, caption or edge.
//
// The glyph strip holds NumGlyphs cells side by side, each Glyph.Width div NumGlyphs wide: up,
// disabled, pressed, held down (in a group). Everything else (mouse tracking, groups, Down, actions,
// hints) is the base button's; hit testing stays its rectangle, so a press in a corner outside the
// shape still presses the button.
//
// The clip region is in device units: a graphic control paints on its parent's device context with
// the origin moved to its corner, so the region is built in the parent's client coordinates.
#pragma once

#include "Buttons.h"
#include "ExtCtrls.h"

class TQelSpeedButton : public TSpeedButton {
  VCL_DECLARE_CLASS(TQelSpeedButton, TSpeedButton)

public:
  explicit TQelSpeedButton(TOwnerArg owner);
  ~TQelSpeedButton() override;

  TShapeType GetClippingShape() const { return FClippingShape; }
  // Repaints when the shape changes, only then.
  void SetClippingShape(TShapeType value);
  bool GetImageOnly() const { return FImageOnly; }
  // Takes effect at the next paint.
  void SetImageOnly(bool value) { FImageOnly = value; }

  // The steps of Paint, in the order it calls them.
  // Builds the shape's region and selects it as the canvas's clip for the rest of this paint.
  void DrawClipping();
  // Draws the glyph strip whole, shifted so that the cell of the current state is at the origin.
  void DrawImage();
  // Draws the shape's three-dimensional edge. The edge of a square (not flat) is the push-button frame,
  // raised when up and sunken when down, drawn as an edge only: the platform's frame control would
  // fill its middle with the face colour and wipe out the glyph and caption painted before it.
  void DrawBorder();
  // Draws an arc of the given colour: bounding box (X1, Y1)-(X2, Y2), from the radial through
  // (X3, Y3) to the radial through (X4, Y4).
  void DrawArc(TColor Color, int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);

protected:
  void Paint() override;

private:
  void DrawEllipseBorder(int width, int height, int border);
  void DrawCircleBorder(int width, int height, int border);
  void DrawSquareFrame();

  TShapeType FClippingShape = stRectangle;
  bool FImageOnly = false;
  // Scratch values of one paint, recomputed before they are read: half the difference of width and
  // height, and the box of the square shapes (left and top in the parent's coordinates after
  // DrawClipping, the whole box in the button's own after DrawBorder).
  int FSquareInset = 0;
  int FShapeLeft = 0;
  int FShapeTop = 0;
  int FShapeRight = 0;
  int FShapeBottom = 0;
};
