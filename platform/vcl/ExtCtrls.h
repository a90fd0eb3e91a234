// ExtCtrls: panels with bevels, bevels, shapes, paint boxes, images, timers, radio groups,
// splitters and control bars.
//
// Bodies: ExtCtrls.cpp (Frame3D, TCustomPanel, TBevel, TShape, TPaintBox, TTimer, the unit's
// registration), ExtCtrlsImage.cpp (TImage), ExtCtrlsRadio.cpp (TCustomRadioGroup),
// ExtCtrlsSplitter.cpp (TSplitter), ExtCtrlsBar.cpp (TCustomControlBar).
//
// Enumerator names are the VCL's. TBevelShape (bsBox...), TBevelStyle (bsLowered, bsRaised), the
// form's TFormBorderStyle (bsNone...), TBrushStyle (bsSolid...) and Buttons' TButtonState (bsUp...)
// share the "bs" prefix but no name, so they stay plain enumerations as C++Builder declares them;
// TBorderStyle (bsNone, bsSingle) is the form's type (StdCtrls.h).
#pragma once

#include "StdCtrls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
VCL_DECLARE_ENUM(TPanelBevel);
using TBevelCut = TPanelBevel;
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
VCL_DECLARE_ENUM(TBevelShape);
enum TBevelStyle { bsLowered, bsRaised };
VCL_DECLARE_ENUM(TBevelStyle);
// The order is the VCL's: descendants (the library's shaped buttons) index by it.
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
VCL_DECLARE_ENUM(TShapeType);

// Draws width nested frames inside rect, the top and left sides in topColor, the others in
// bottomColor, and leaves rect as the area inside them.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

namespace vcl_detail {
// A panel's bevel (the panel and the control bar draw theirs alike): lowered or raised edges of width
// lines inside rect, a space a flat ring in the face colour, nothing for bvNone; rect is left inside.
void DrawBevel(TCanvas* canvas, TRect& rect, TPanelBevel bevel, int width, TColor face);
// rect less both bevels (each width wide unless bvNone) and a border of border all round.
TRect InsideBevels(const TRect& rect, TPanelBevel outer, TPanelBevel inner, int width, int border);
}  // namespace vcl_detail

// ---------------------------------------------------------------------------------------------------
// A panel: a windowed control drawing its bevels and its caption; controls placed on it are aligned
// inside the bevels and the border.
class TCustomPanel : public TCustomControl {
  VCL_DECLARE_CLASS(TCustomPanel, TCustomControl)
  explicit TCustomPanel(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TPanelBevel GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel value);
  TPanelBevel GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  int GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);

protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
  void Paint() override;
  void Dispatch(void* message) override;

private:
  void Changed();
  TAlignment FAlignment = taCenter;
  TPanelBevel FBevelInner = bvNone;
  TPanelBevel FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
};

class TPanel : public TCustomPanel {
  VCL_DECLARE_CLASS(TPanel, TCustomPanel)
  explicit TPanel(TOwnerArg owner) : TCustomPanel(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// A bevel: lines or a frame, sunk or raised. The smallest complete graphic control of the library.
class TBevel : public TGraphicControl {
  VCL_DECLARE_CLASS(TBevel, TGraphicControl)
  explicit TBevel(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES
  TBevelShape GetShape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle GetStyle() const { return FStyle; }
  void SetStyle(TBevelStyle value);

protected:
  void Paint() override;

private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

// ---------------------------------------------------------------------------------------------------
// A shape drawn with a pen and a brush.
class TShape : public TGraphicControl {
  VCL_DECLARE_CLASS(TShape, TGraphicControl)
  explicit TShape(TOwnerArg owner);
  ~TShape() override;
  VCL_PARENT_STORED_PREDICATES
  TShapeType GetShape() const { return FShape; }
  void SetShape(TShapeType value);
  TPen* GetPen() const { return FPen.get(); }
  void SetPen(TPen* value) { FPen->Assign(value); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(TBrush* value) { FBrush->Assign(value); }
  void StyleChanged(TObject* sender);

protected:
  void Paint() override;

private:
  TShapeType FShape = stRectangle;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};

// ---------------------------------------------------------------------------------------------------
// A paint box: OnPaint draws on its canvas (its parent's DC, origin at the box, clipped to it).
class TPaintBox : public TGraphicControl {
  VCL_DECLARE_CLASS(TPaintBox, TGraphicControl)
  explicit TPaintBox(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};

// ---------------------------------------------------------------------------------------------------
// An image (ExtCtrlsImage.cpp): shows a picture at its size, centred or stretched. Its Canvas draws on
// the picture's bitmap, making an empty picture a bitmap of the image's size first, as the VCL does.
class TImage : public TGraphicControl {
  VCL_DECLARE_CLASS(TImage, TGraphicControl)
  explicit TImage(TOwnerArg owner);
  ~TImage() override;
  VCL_PARENT_STORED_PREDICATES
  TPicture* GetPicture() const { return FPicture.get(); }
  void SetPicture(TPicture* value) { FPicture->Assign(value); }
  // Raises EInvalidOperation when the picture holds a graphic that is not a bitmap.
  TCanvas* GetCanvas();
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool GetStretch() const { return FStretch; }
  void SetStretch(bool value);
  bool GetCenter() const { return FCenter; }
  void SetCenter(bool value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool value);
  // Where the picture is drawn, in the image's coordinates.
  TRect DestRect() const;

protected:
  void Paint() override;
  void Loaded() override;
  virtual void PictureChanged(TObject* sender);

private:
  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false;
  bool FStretch = false;
  bool FCenter = false;
  bool FTransparent = false;
  bool FDrawing = false;
};

// ---------------------------------------------------------------------------------------------------
// A timer: OnTimer every Interval milliseconds while Enabled, from a hidden window's WM_TIMER (so on
// the thread that made it, between other messages). An exception from OnTimer goes to the
// application's HandleException.
class TTimer : public TComponent {
  VCL_DECLARE_CLASS(TTimer, TComponent)
  explicit TTimer(TOwnerArg owner);
  ~TTimer() override;
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value);
  unsigned GetInterval() const { return FInterval; }
  void SetInterval(unsigned value);
  TNotifyEvent GetOnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent value);

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  void WndProc(TMessage& message);
  HWND FWindowHandle = nullptr;
  bool FEnabled = true;
  unsigned FInterval = 1000;
  TNotifyEvent FOnTimer;
};

// ---------------------------------------------------------------------------------------------------
// A group box of radio buttons made from Items (ExtCtrlsRadio.cpp), laid out in Columns columns
// (right to left, the first column is at the right); ItemIndex follows clicks and arrow keys.
class TGroupButton;
class TCustomRadioGroup : public TCustomGroupBox {
  VCL_DECLARE_CLASS(TCustomRadioGroup, TCustomGroupBox)
  explicit TCustomRadioGroup(TOwnerArg owner);
  ~TCustomRadioGroup() override;
  TStrings* GetItems() const { return FItems.get(); }
  void SetItems(TStrings* value);
  int GetItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  int GetColumns() const { return FColumns; }
  void SetColumns(int value);
  int GetButtonCount() const { return int(FButtons.size()); }
  TRadioButton* GetButton(int index) const;

protected:
  void Loaded() override;
  void Dispatch(void* message) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  virtual bool CanModify() { return true; }

private:
  friend class TGroupButton;
  void ItemsChanged(TObject* sender);
  void UpdateButtons();
  void ArrangeButtons();
  void ButtonClicked(int index);
  std::unique_ptr<TStringList> FItems;
  std::vector<TGroupButton*> FButtons;
  int FItemIndex = -1;
  int FColumns = 1;
  bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
  VCL_DECLARE_CLASS(TRadioGroup, TCustomRadioGroup)
  explicit TRadioGroup(TOwnerArg owner) : TCustomRadioGroup(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// A splitter (ExtCtrlsSplitter.cpp): a bar aligned beside the control it resizes. Pressing it finds
// that neighbour (aligned the same way, its edge at the splitter's), dragging resizes it live
// (rsUpdate) or on release behind an inverted line (rsLine, rsPattern) or none (rsNone). The size
// keeps MinSize on both sides; AutoSnap collapses the neighbour when dragged below half of it; Escape
// cancels the drag.
enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
VCL_DECLARE_ENUM(TResizeStyle);
using TCanResizeEvent = TClosure<void(TObject* Sender, int& NewSize, bool& Accept)>;

class TSplitter : public TGraphicControl {
  VCL_DECLARE_CLASS(TSplitter, TGraphicControl)
  explicit TSplitter(TOwnerArg owner);
  ~TSplitter() override;
  void BeforeDestruction() override;
  VCL_PARENT_STORED_PREDICATES
  bool GetAutoSnap() const { return FAutoSnap; }
  void SetAutoSnap(bool value) { FAutoSnap = value; }
  bool GetBeveled() const { return FBeveled; }
  void SetBeveled(bool value);
  int GetMinSize() const { return FMinSize; }
  void SetMinSize(int value);
  TResizeStyle GetResizeStyle() const { return FResizeStyle; }
  void SetResizeStyle(TResizeStyle value) { FResizeStyle = value; }
  // While a drag is under way: the control being resized, else null.
  TControl* SizingControl() const;
  TCanResizeEvent OnCanResize;
  TNotifyEvent OnMoved;
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void RequestAlign() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Dispatch(void* message) override;
  virtual bool CanResize(int& newSize);
  // Ends a drag: with apply the last size is given to the neighbour, else the first one is put back.
  void StopSizing(bool apply);

private:
  struct TSizing;
  friend struct TSizing;
  TControl* FindNeighbour() const;
  bool Horizontal() const { return GetAlign() == alLeft || GetAlign() == alRight; }
  int MaxSizeFor(const TControl* neighbour) const;
  int SizeAt(int x, int y) const;
  TRect LineRect(const TControl* neighbour, int size) const;
  void ApplySize(TControl* neighbour, int size);
  bool FAutoSnap = true;
  bool FBeveled = false;
  int FMinSize = 30;
  TResizeStyle FResizeStyle = rsPattern;
  std::unique_ptr<TSizing> FSizing;
};

// ---------------------------------------------------------------------------------------------------
// A control bar (ExtCtrlsBar.cpp): each child is a band, a raised frame with a grip before the
// control, laid out in rows of RowSize (a taller band takes as many rows as it needs). Children are
// placed into rows by their Top, in a row by their Left; dragging a band by its grip moves it within
// its row (the others keep their order and never overlap) or into another row, below the last making
// a new one; rows left empty close. Right to left, bands flow from the right edge with their grips
// at their right sides. AutoDrag and DockSite are kept and stored; the bar does not float or dock
// bands.
enum TBandPaintOption { bpoGrabber, bpoFrame };
VCL_DECLARE_ENUM(TBandPaintOption);
using TBandPaintOptions = Set<TBandPaintOption, bpoGrabber, bpoFrame>;
using TBandDragEvent = TClosure<void(TObject* Sender, TControl* Control, bool& Drag)>;
using TBandInfoEvent =
    TClosure<void(TObject* Sender, TControl* Control, TRect& Insets, int& PreferredSize, int& RowCount)>;
using TBandMoveEvent = TClosure<void(TObject* Sender, TControl* Control, TRect& ARect)>;
using TBandPaintEvent = TClosure<void(TObject* Sender, TControl* Control, TCanvas* Canvas, TRect& ARect,
                                      TBandPaintOptions& Options)>;

class TCustomControlBar : public TCustomControl {
  VCL_DECLARE_CLASS(TCustomControlBar, TCustomControl)
  explicit TCustomControlBar(TOwnerArg owner);
  ~TCustomControlBar() override;
  VCL_PARENT_STORED_PREDICATES
  bool GetAutoDrag() const { return FAutoDrag; }
  void SetAutoDrag(bool value) { FAutoDrag = value; }
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  TPanelBevel GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel value);
  TPanelBevel GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  int GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  bool GetDockSite() const { return FDockSite; }
  void SetDockSite(bool value) { FDockSite = value; }
  TPicture* GetPicture() const { return FPicture.get(); }
  void SetPicture(TPicture* value) { FPicture->Assign(value); }
  int GetRowSize() const { return FRowSize; }
  void SetRowSize(int value);
  bool GetRowSnap() const { return FRowSnap; }
  void SetRowSnap(bool value) { FRowSnap = value; }

  // The layout last made: rows from the top, the row of a band (-1 for a control that is none), the
  // band's frame and its grip in client coordinates.
  int GetRowCount() const { return int(FRows.size()); }
  int GetBandRow(const TControl* control) const;
  TRect GetBandRect(const TControl* control) const;
  TRect GetGripRect(const TControl* control) const;
  // The band being dragged, else null.
  TControl* DraggingBand() const { return FDrag.Control; }

  TBandDragEvent OnBandDrag;
  TBandInfoEvent OnBandInfo;
  TBandMoveEvent OnBandMove;
  TBandPaintEvent OnBandPaint;
  TNotifyEvent OnPaint;

protected:
  // The bands already flow from the reading direction's leading edge: turning the direction lays
  // them out again, so flipping leaves them be (their own children still flip).
  void DoFlipChildren() override {}
  void AlignControls(TControl* control, TRect& rect) override;
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Dispatch(void* message) override;
  virtual void PaintBand(TControl* control, TRect rect);

private:
  struct TBand {
    TControl* Control = nullptr;
    TRect Rect;    // the frame, client coordinates
    TRect Insets;  // from the frame to the control
    int Row = 0;
    // Where the band asked to be (its row key and distance from the leading edge) and where the
    // layout put its control: a band pushed along by another goes back when room is made, until the
    // program or the user moves it.
    int Key = 0;
    int Lead = 0;
    TPoint Placed;
  };
  struct TRow {
    int Top = 0;
    int Height = 0;
  };
  struct TDragState {
    TControl* Control = nullptr;
    TPoint Offset;  // the mouse from the band's top-left corner
    bool Moving = false;
  };
  const TBand* FindBand(const TControl* control) const;
  TRect BandArea() const;
  void Changed();
  void PictureChanged(TObject* sender);
  void DragTo(int x, int y, bool drop);
  void EndDrag();
  bool FAutoDrag = true;
  bool FAutoSize = false;
  TPanelBevel FBevelInner = bvRaised;
  TPanelBevel FBevelOuter = bvLowered;
  int FBevelWidth = 1;
  bool FDockSite = false;
  int FRowSize = 26;
  bool FRowSnap = true;
  std::unique_ptr<TPicture> FPicture;
  std::vector<TBand> FBands;
  std::vector<TRow> FRows;
  TDragState FDrag;
};

class TControlBar : public TCustomControlBar {
  VCL_DECLARE_CLASS(TControlBar, TCustomControlBar)
  explicit TControlBar(TOwnerArg owner) : TCustomControlBar(owner) {}
};
