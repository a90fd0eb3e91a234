// ExtCtrls: panels with bevels, bevels, shapes, paint boxes, images and timers.
//
// Bodies: ExtCtrls.cpp (Frame3D, TCustomPanel, TBevel, TShape, TPaintBox, TTimer, the unit's
// registration), ExtCtrlsImage.cpp (TImage), ExtCtrlsRadio.cpp (TCustomRadioGroup).
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
