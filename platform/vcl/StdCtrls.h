// StdCtrls: the standard controls — labels painted by their parent, and push buttons, check boxes,
// edits, static texts and group boxes over the platform's own window classes.
//
// Bodies: StdCtrls.cpp (TCustomLabel, the unit's registration), StdCtrlsButtons.cpp (TButtonControl,
// TButton, TCustomCheckBox, TRadioButton), StdCtrlsEdit.cpp (TCustomEdit, TCustomStaticText,
// TCustomGroupBox), StdCtrlsMemo.cpp (TCustomMemo and its lines), StdCtrlsLists.cpp (TCustomListBox,
// TCustomComboBox and their items), StdCtrlsScroll.cpp (TScrollBar).
#pragma once

#include "Controls.h"
#include "Forms.h"

// Stored forms write Color and Font only for a control that does not take them from its parent.
// Every control class that publishes them carries these predicates (VCL_PARENT_STORED_PREDICATES).
#define VCL_PARENT_STORED_PREDICATES                          \
  bool IsColorStored() const { return !GetParentColor(); } \
  bool IsFontStored() const { return !GetParentFont(); }                 \
  bool IsShowHintStored() const { return !GetParentShowHint(); }        \
  bool IsBiDiModeStored() const { return !GetParentBiDiMode(); }

enum TTextLayout { tlTop, tlCenter, tlBottom };
VCL_DECLARE_ENUM(TTextLayout);
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
VCL_DECLARE_ENUM(TCheckBoxState);
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
VCL_DECLARE_ENUM(TEditCharCase);
enum TStaticBorderStyle { sbsNone, sbsSingle, sbsSunken };
VCL_DECLARE_ENUM(TStaticBorderStyle);
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
VCL_DECLARE_ENUM(TScrollStyle);
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
VCL_DECLARE_ENUM(TListBoxStyle);
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
VCL_DECLARE_ENUM(TComboBoxStyle);
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
VCL_DECLARE_ENUM(TScrollCode);
enum TOwnerDrawStateItem {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive, odNoAccel,
  odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
VCL_DECLARE_ENUM(TOwnerDrawStateItem);
using TOwnerDrawState = Set<TOwnerDrawStateItem, odSelected, odComboBoxEdit>;
using TDrawItemEvent = TClosure<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TClosure<void(TWinControl* Control, int Index, int& Height)>;
using TScrollEvent = TClosure<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;
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
  // The input method's mode while the edit has the focus, and which input method (ImeName) to use.
  TImeMode GetImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode value) { FImeMode = value; }
  TImeName GetImeName() const { return FImeName; }
  void SetImeName(const TImeName& value) { FImeName = value; }

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
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
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

// ---------------------------------------------------------------------------------------------------
// Memos (StdCtrlsMemo.cpp): a multi-line EDIT. Lines reads and writes the window's text line by line
// (the text the control keeps while it has no window).
class TCustomMemo : public TCustomEdit {
  VCL_DECLARE_CLASS(TCustomMemo, TCustomEdit)
  explicit TCustomMemo(TOwnerArg owner);
  ~TCustomMemo() override;
  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool GetWantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }
  bool GetWantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // The caret's line and column (UTF-16 units).
  TPoint GetCaretPos();

protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(void* message) override;

private:
  std::unique_ptr<TStrings> FLines;
  TAlignment FAlignment = taLeftJustify;
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
};

class TMemo : public TCustomMemo {
  VCL_DECLARE_CLASS(TMemo, TCustomMemo)
  explicit TMemo(TOwnerArg owner) : TCustomMemo(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// List boxes and combo boxes (StdCtrlsLists.cpp). Items go to the window while there is one and are
// kept by the control (with ItemIndex and TopIndex) while there is none, so a window made again
// shows the same list. Owner draw comes back from the parent as CN_DRAWITEM and CN_MEASUREITEM.
namespace vcl_detail { class TItemStrings; }

class TCustomListBox : public TWinControl {
  VCL_DECLARE_CLASS(TCustomListBox, TWinControl)
  explicit TCustomListBox(TOwnerArg owner);
  ~TCustomListBox() override;
  VCL_PARENT_STORED_PREDICATES

  TStrings* GetItems() const;
  void SetItems(TStrings* value);
  int GetItemIndex();
  void SetItemIndex(int value);
  bool GetMultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool GetExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool value);
  bool GetSelected(int index);
  void SetSelected(int index, bool value);
  int GetSelCount();
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool value);
  TListBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TListBoxStyle value);
  int GetTopIndex();
  void SetTopIndex(int value);
  int GetColumns() const { return FColumns; }
  void SetColumns(int value);
  int GetItemHeight();
  void SetItemHeight(int value);
  bool GetIntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool value);
  int GetTabWidth() const { return FTabWidth; }
  void SetTabWidth(int value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TImeMode GetImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode value) { FImeMode = value; }
  TImeName GetImeName() const { return FImeName; }
  void SetImeName(const TImeName& value) { FImeName = value; }
  // The item at a client point; outside every item -1 when existing, else the item count.
  int ItemAtPos(const TPoint& pos, bool existing);
  TRect ItemRect(int index);
  void Clear();
  TCanvas* GetCanvas() const { return FCanvas.get(); }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(void* message) override;
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);

private:
  friend class vcl_detail::TItemStrings;
  void CNDrawItem(TMessage& message);
  void CNMeasureItem(TMessage& message);
  std::unique_ptr<vcl_detail::TItemStrings> FItems;
  std::unique_ptr<TControlCanvas> FCanvas;
  int FItemIndex = -1;
  int FTopIndex = 0;
  std::vector<int> FSavedSelection;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FSorted = false;
  TListBoxStyle FStyle = lbStandard;
  int FColumns = 0;
  int FItemHeight = 16;
  bool FIntegralHeight = false;
  int FTabWidth = 0;
  TBorderStyle FBorderStyle = bsSingle;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
};

class TListBox : public TCustomListBox {
  VCL_DECLARE_CLASS(TListBox, TCustomListBox)
  explicit TListBox(TOwnerArg owner) : TCustomListBox(owner) {}
};

class TCustomComboBox : public TWinControl {
  VCL_DECLARE_CLASS(TCustomComboBox, TWinControl)
  explicit TCustomComboBox(TOwnerArg owner);
  ~TCustomComboBox() override;
  VCL_PARENT_STORED_PREDICATES

  TStrings* GetItems() const;
  void SetItems(TStrings* value);
  int GetItemIndex();
  void SetItemIndex(int value);
  TComboBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TComboBoxStyle value);
  int GetDropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value);
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool value);
  int GetItemHeight();
  void SetItemHeight(int value);
  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  bool GetDroppedDown();
  void SetDroppedDown(bool value);
  int GetSelStart();
  void SetSelStart(int value);
  int GetSelLength();
  void SetSelLength(int value);
  void SelectAll();
  TImeMode GetImeMode() const { return FImeMode; }
  void SetImeMode(TImeMode value) { FImeMode = value; }
  TImeName GetImeName() const { return FImeName; }
  void SetImeName(const TImeName& value) { FImeName = value; }
  void Clear();
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  void SetBounds(int left, int top, int width, int height) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(void* message) override;
  void SetTextInternal(const AnsiString& value) override;
  virtual void Change();
  virtual void DropDown();
  virtual void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  virtual void MeasureItem(int index, int& height);

private:
  friend class vcl_detail::TItemStrings;
  void CNDrawItem(TMessage& message);
  void CNMeasureItem(TMessage& message);
  void ApplyDropDownHeight();
  std::unique_ptr<vcl_detail::TItemStrings> FItems;
  std::unique_ptr<TControlCanvas> FCanvas;
  int FItemIndex = -1;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  bool FSorted = false;
  int FItemHeight = 16;
  int FMaxLength = 0;
  bool FCreating = false;
  TImeMode FImeMode = imDontCare;
  TImeName FImeName;
};

class TComboBox : public TCustomComboBox {
  VCL_DECLARE_CLASS(TComboBox, TCustomComboBox)
  explicit TComboBox(TOwnerArg owner) : TCustomComboBox(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// Scroll bars (StdCtrlsScroll.cpp): the platform's SCROLLBAR. Every notification reaches OnScroll
// with the position it would move to; the handler may change it. Right to left a horizontal bar has
// its minimum at the right, as Hebrew text starts there.
class TScrollBar : public TWinControl {
  VCL_DECLARE_CLASS(TScrollBar, TWinControl)
  explicit TScrollBar(TOwnerArg owner);
  TScrollBarKind GetKind() const { return FKind; }
  void SetKind(TScrollBarKind value);
  int GetMin() const { return FMin; }
  void SetMin(int value) { SetParams(FPosition, value, FMax); }
  int GetMax() const { return FMax; }
  void SetMax(int value) { SetParams(FPosition, FMin, value); }
  int GetPosition() const { return FPosition; }
  void SetPosition(int value) { SetParams(value, FMin, FMax); }
  void SetParams(int position, int min, int max);
  int GetPageSize() const { return FPageSize; }
  void SetPageSize(int value);
  TScrollBarInc GetSmallChange() const { return FSmallChange; }
  void SetSmallChange(TScrollBarInc value) { FSmallChange = value; }
  TScrollBarInc GetLargeChange() const { return FLargeChange; }
  void SetLargeChange(TScrollBarInc value) { FLargeChange = value; }
  bool IsShowHintStored() const { return !GetParentShowHint(); }        \
  bool IsBiDiModeStored() const { return !GetParentBiDiMode(); }

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  virtual void Change();
  virtual void Scroll(TScrollCode scrollCode, int& scrollPos);

private:
  void CNScroll(TMessage& message);
  bool Reversed() const;
  void UpdateWindow();
  TScrollBarKind FKind = sbHorizontal;
  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FPageSize = 0;
  TScrollBarInc FSmallChange = 1;
  TScrollBarInc FLargeChange = 1;
};

// ---------------------------------------------------------------------------------------------------
// Radio buttons (StdCtrlsButtons.cpp): checking one unchecks the other radio buttons of its parent;
// the arrow keys move the focus and the check among them.
class TRadioButton : public TButtonControl {
  VCL_DECLARE_CLASS(TRadioButton, TButtonControl)
  explicit TRadioButton(TOwnerArg owner);
  bool GetChecked() const override { return FChecked; }
  void SetChecked(bool value) override;
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  void KeyDown(WORD& key, TShiftState shift) override;

private:
  bool FChecked = false;
  TAlignment FAlignment = taRightJustify;
};

namespace vcl_detail {
// The side a check or radio mark sits on, and the text's alignment, as button styles: right to left
// the mark goes to the right of its text (BS_RIGHTBUTTON) and the text to the right edge.
DWORD ButtonMarkStyle(const TControl* control, TAlignment alignment);
// The text's extent with the control's font as DrawText measures it (flags: DT_WORDBREAK, DT_NOPREFIX).
TSize MeasureControlText(TFont* font, const AnsiString& text, int flags, int maxWidth);
}  // namespace vcl_detail
