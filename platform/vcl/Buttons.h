// Buttons: speed buttons (graphic controls with a glyph strip, grouping and a down state) and bit
// buttons (push buttons with a kind and a glyph).
//
// Bodies: Buttons.cpp.
#pragma once

#include "ExtCtrls.h"
#include "StdCtrls.h"

// The state a speed button shows; the glyph strip's cells are in this order.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
VCL_DECLARE_ENUM(TButtonState);
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
VCL_DECLARE_ENUM(TButtonLayout);
using TNumGlyphs = int;  // 1..4

class TSpeedButton;

// Keeps a grouped speed button's Down in step with its action's Checked.
class TSpeedButtonActionLink : public TControlActionLink {
  VCL_DECLARE_CLASS(TSpeedButtonActionLink, TControlActionLink)
  explicit TSpeedButtonActionLink(TObject* client);
  bool IsCheckedLinked() const override;
  void SetChecked(bool value) override;

protected:
  void AssignClient(TObject* client) override;
  TSpeedButton* FButton = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// A speed button. Pressing it (left button) shows it down and captures the mouse; moving out and in
// while pressed changes the look; releasing inside clicks. With a GroupIndex, a click sets Down and
// the other buttons of that group on the same parent go up (CM_BUTTONPRESSED); with AllowAllUp the
// down one may go up too. The glyph strip holds NumGlyphs cells side by side, one per TButtonState;
// a state without a cell shows the up cell (disabled: an engraved copy of it). The colour of the
// strip's bottom-left pixel is transparent.
class TSpeedButton : public TGraphicControl {
  VCL_DECLARE_CLASS(TSpeedButton, TGraphicControl)
  explicit TSpeedButton(TOwnerArg owner);
  ~TSpeedButton() override;
  VCL_PARENT_STORED_PREDICATES

  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }
  TNumGlyphs GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TNumGlyphs value);
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  bool GetAllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool value);
  bool GetDown() const { return FDown; }
  void SetDown(bool value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool value);
  TButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TButtonLayout value);
  int GetMargin() const { return FMargin; }
  void SetMargin(int value);
  int GetSpacing() const { return FSpacing; }
  void SetSpacing(int value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool value);
  bool GetMouseInControl() const { return FMouseInControl; }
  TButtonState GetState() const { return FState; }
  void Click() override;

protected:
  void Paint() override;
  void Loaded() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Dispatch(void* message) override;
  void ActionChange(TObject* sender, bool checkDefaults) override;
  TControlActionLink* CreateActionLink() override;
  // The cell of the strip for a state (-1: none to draw), and where glyph and caption go.
  int GlyphCell(TButtonState state) const;
  void CalcLayout(const TRect& client, TPoint& glyphPos, TRect& textRect);
  void DrawGlyph(TCanvas* canvas, const TPoint& pos, TButtonState state);
  // Tells the other buttons of the group that this one went down.
  void UpdateExclusive();

  TButtonState FState = bsUp;
  bool FMouseInControl = false;
  bool FDragging = false;

private:
  void GlyphChanged(TObject* sender);
  void CMButtonPressed(TMessage& message);
  bool Inside(int x, int y) const { return x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight(); }
  std::unique_ptr<TBitmap> FGlyph;
  TNumGlyphs FNumGlyphs = 1;
  int FGroupIndex = 0;
  bool FAllowAllUp = false;
  bool FDown = false;
  bool FFlat = false;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
  bool FTransparent = true;
};

// ---------------------------------------------------------------------------------------------------
// A push button with a kind (OK, Cancel, ...: caption, ModalResult, Default or Cancel to match) and a
// glyph drawn at its left margin over the platform's painting.
enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
VCL_DECLARE_ENUM(TBitBtnKind);

class TBitBtn : public TButton {
  VCL_DECLARE_CLASS(TBitBtn, TButton)
  explicit TBitBtn(TOwnerArg owner);
  ~TBitBtn() override;
  TBitBtnKind GetKind() const { return FKind; }
  void SetKind(TBitBtnKind value);
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }
  TNumGlyphs GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TNumGlyphs value);
  int GetMargin() const { return FMargin; }
  void SetMargin(int value);
  bool IsCustomCaption() const { return FKind == bkCustom; }
  void Click() override;

protected:
  void Dispatch(void* message) override;

private:
  void GlyphChanged(TObject* sender);
  void DrawGlyph();
  TBitBtnKind FKind = bkCustom;
  std::unique_ptr<TBitmap> FGlyph;
  TNumGlyphs FNumGlyphs = 1;
  int FMargin = -1;
};
