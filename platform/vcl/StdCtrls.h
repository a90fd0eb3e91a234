// StdCtrls: the standard controls — labels painted by their parent, and push buttons, check boxes,
// edits, static texts and group boxes over the platform's own window classes.
//
// Bodies: StdCtrls.cpp (TCustomLabel, the unit's registration), StdCtrlsButtons.cpp (TButtonControl,
// TButton, TCustomCheckBox), StdCtrlsEdit.cpp (TCustomEdit, TCustomStaticText, TCustomGroupBox).
#pragma once

#include "Controls.h"
#include "Forms.h"

// Stored forms write Color and Font only for a control that does not take them from its parent.
// Every control class that publishes them carries these predicates (VCL_PARENT_STORED_PREDICATES).
#define VCL_PARENT_STORED_PREDICATES                          \
  bool IsColorStored() const { return !GetParentColor(); } \
  bool IsFontStored() const { return !GetParentFont(); }                 \
  bool IsShowHintStored() const { return !GetParentShowHint(); }

enum TTextLayout { tlTop, tlCenter, tlBottom };
VCL_DECLARE_ENUM(TTextLayout);
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
VCL_DECLARE_ENUM(TCheckBoxState);
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
VCL_DECLARE_ENUM(TEditCharCase);
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };
VCL_DECLARE_ENUM(TStaticBorderStyle);
// The VCL's TBorderStyle is the bsNone..bsSingle part of TFormBorderStyle; C++ has no subranges, so
// it is the form's type itself, as in C++Builder.
using TBorderStyle = TFormBorderStyle;

// ---------------------------------------------------------------------------------------------------
// Labels (StdCtrls.cpp): text drawn by the parent. Opaque unless Transparent, so that what lies
// under a transparent label (an image, the parent's own painting) shows around its letters.
class TCustomLabel : public TGraphicControl {
  VCL_DECLARE_CLASS(TCustomLabel, TGraphicControl)
  explicit TCustomLabel(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool GetAutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  bool GetTransparent() const { return !FControlStyle.Contains(csOpaque); }
  void SetTransparent(bool value);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  // The text shown: the caption (a descendant may show something else).
  virtual AnsiString GetLabelText() const { return GetCaption(); }

protected:
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Dispatch(void* message) override;
  // Draws the text into rect with DrawText flags; with DT_CALCRECT measures it instead.
  virtual void DoDrawText(TRect& rect, int flags);
  // Fits the label to its text when AutoSize is on (keeping the right edge of a right-aligned one).
  virtual void AdjustBounds();

private:
  void CMDialogChar(TCMDialogChar& message);
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  bool FWordWrap = false;
  TTextLayout FLayout = tlTop;
  TWinControl* FFocusControl = nullptr;
  bool FShowAccelChar = true;
};

class TLabel : public TCustomLabel {
  VCL_DECLARE_CLASS(TLabel, TCustomLabel)
  explicit TLabel(TOwnerArg owner) : TCustomLabel(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// Buttons and check boxes (StdCtrlsButtons.cpp).
class TButtonControl : public TWinControl {
  VCL_DECLARE_CLASS(TButtonControl, TWinControl)
  explicit TButtonControl(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

protected:
  virtual bool GetChecked() const { return false; }
  virtual void SetChecked(bool) {}
  // While set, state changes made by the program raise no OnClick.
  bool GetClicksDisabled() const { return FClicksDisabled; }
  void SetClicksDisabled(bool value) { FClicksDisabled = value; }

private:
  bool FClicksDisabled = false;
};

// A push button: the platform's BUTTON. Clicking sets the parent form's ModalResult to the button's,
// which ends a modal form. Enter anywhere on the form clicks the Default button, Escape the Cancel one.
class TButton : public TButtonControl {
  VCL_DECLARE_CLASS(TButton, TButtonControl)
  explicit TButton(TOwnerArg owner);
  void Click() override;
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool value);
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }

protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(void* message) override;

private:
  void CNCommand(TWMCommand& message);
  void CMDialogKey(TCMDialogKey& message) override;
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

// A check box: the platform's three-state BUTTON, toggled here so that AllowGrayed decides the cycle.
// Every change of State (by a click or by the program) raises OnClick, as in the VCL.
class TCustomCheckBox : public TButtonControl {
  VCL_DECLARE_CLASS(TCustomCheckBox, TButtonControl)
  explicit TCustomCheckBox(TOwnerArg owner);
  bool GetChecked() const override { return FState == cbChecked; }
  void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
  TCheckBoxState GetState() const { return FState; }
  void SetState(TCheckBoxState value);
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  // taRightJustify (the default): the text right of the box; taLeftJustify: left of it.
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  virtual void Toggle();

private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
  VCL_DECLARE_CLASS(TCheckBox, TCustomCheckBox)
  explicit TCheckBox(TOwnerArg owner) : TCustomCheckBox(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// Edits, static texts, group boxes (StdCtrlsEdit.cpp).

// A one-line edit: the platform's EDIT. Text is UTF-8; SelStart and SelLength count UTF-16 units, as
// the platform's edit does (the same as characters for any text outside the supplementary planes).
class TCustomEdit : public TWinControl {
  VCL_DECLARE_CLASS(TCustomEdit, TWinControl)
  explicit TCustomEdit(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char value);
  bool GetAutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  bool GetModified() const;
  void SetModified(bool value);
  int GetSelStart();
  void SetSelStart(int value);
  int GetSelLength();
  void SetSelLength(int value);
  AnsiString GetSelText();
  void SetSelText(const AnsiString& value);
  void SelectAll();
  void ClearSelection() { SetSelText(AnsiString()); }
  void Clear() { SetText(AnsiString()); }

  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  virtual void Change();

private:
  int FMaxLength = 0;
  bool FReadOnly = false;
  char FPasswordChar = '\0';
  bool FAutoSelect = true;
  TBorderStyle FBorderStyle = bsSingle;
  TEditCharCase FCharCase = ecNormal;
  bool FModified = false;
  bool FCreating = false;
};

class TEdit : public TCustomEdit {
  VCL_DECLARE_CLASS(TEdit, TCustomEdit)
  explicit TEdit(TOwnerArg owner) : TCustomEdit(owner) {}
};

// Text in a window of its own (the platform's STATIC), so it can sit over other windows.
class TCustomStaticText : public TWinControl {
  VCL_DECLARE_CLASS(TCustomStaticText, TWinControl)
  explicit TCustomStaticText(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  TStaticBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TStaticBorderStyle value);
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* value);

protected:
  void CreateParams(TCreateParams& params) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void Dispatch(void* message) override;
  void AdjustBounds();

private:
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TStaticBorderStyle FBorderStyle = sbsNone;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TStaticText : public TCustomStaticText {
  VCL_DECLARE_CLASS(TStaticText, TCustomStaticText)
  explicit TStaticText(TOwnerArg owner) : TCustomStaticText(owner) {}
};

// A frame with a caption holding other controls: the platform's group-box BUTTON. Its children are
// aligned inside the frame, below the caption.
class TCustomGroupBox : public TWinControl {
  VCL_DECLARE_CLASS(TCustomGroupBox, TWinControl)
  explicit TCustomGroupBox(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
  void Dispatch(void* message) override;
};

class TGroupBox : public TCustomGroupBox {
  VCL_DECLARE_CLASS(TGroupBox, TCustomGroupBox)
  explicit TGroupBox(TOwnerArg owner) : TCustomGroupBox(owner) {}
};

namespace vcl_detail {
// The text's extent with the control's font as DrawText measures it (flags: DT_WORDBREAK, DT_NOPREFIX).
TSize MeasureControlText(TFont* font, const AnsiString& text, int flags, int maxWidth);
}  // namespace vcl_detail
