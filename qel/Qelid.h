// TQelId: an identity number of eight digits and its check digit, typed into two edit fields side by
// side that behave as one control. The digit is checked with the Luhn (mod 10) rule; the caret moves
// on to the check digit as soon as the eighth digit of the number is typed; the events of both fields
// reach the control's own handlers with the control as Sender.
//
// Right to left the fields keep their places, the number on the left and its check digit on the
// right: an identity number reads left to right in Hebrew too, so neither the layout nor
// FlipChildren mirrors them. Each field's text takes the control's direction as any edit does.
#pragma once

#include "Qeledit.h"
#include "StdCtrls.h"

// The message for a missing check digit: LocaleStr(1, 1). Filled once, when the first control is
// made (not at module load: the locale manager starts COM and reads files, which a module must not
// do while it is being loaded); emptied when the unit finishes.
extern AnsiString Str_ForceCheckDigitMsg;

class TQelId : public TCustomControl {
  VCL_DECLARE_CLASS(TQelId, TCustomControl)

public:
  explicit TQelId(TOwnerArg owner);
  ~TQelId() override;
  VCL_PARENT_STORED_PREDICATES

  // The Luhn check digit of n: its decimal digits from the right weighted 2, 1, 2, ..., each product
  // above 9 less 9, and what the sum lacks of a multiple of ten. -1 for a negative n, which has none.
  static int ComputeCheckDigit(int n);
  // Raises EInvalidArgument (LocaleStr(1, 200)) when Id is not 0 and CheckDigit is not its digit.
  // A negative Id has no valid digit at all.
  static void Check(int Id, short CheckDigit);
  // Checks the fields' texts when both hold one; a text that is no number raises EConvertError.
  void Check();
  // Raises EInvalidArgument (Str_ForceCheckDigitMsg) when ForceCheckDigit is set and a number has no
  // check digit. The digit itself is Check's business.
  void Validate();

  AnsiString GetIdText() const { return IdField->GetText(); }
  void SetIdText(const AnsiString& value) { IdField->SetText(value); }
  AnsiString GetCheckDigitText() const { return CheckDigitField->GetText(); }
  void SetCheckDigitText(const AnsiString& value) { CheckDigitField->SetText(value); }

  // Read from the number field, written to both.
  bool GetIdAutoSelect() const { return IdField->GetAutoSelect(); }
  void SetIdAutoSelect(bool value);
  // The platform's edit has no AutoSize: the control keeps it. When set, the fields' height fits
  // their font (with the client edge of a bsSingle border) when the window is made or the font
  // changes, and the control takes that height.
  bool GetIdAutoSize() const { return FAutoSize; }
  void SetIdAutoSize(bool value);
  TBorderStyle GetIdBorderStyle() const { return IdField->GetBorderStyle(); }
  void SetIdBorderStyle(TBorderStyle value);
  TCursor GetIdDragCursor() const { return IdField->GetDragCursor(); }
  void SetIdDragCursor(TCursor value);
  TDragKind GetIdDragKind() const { return IdField->GetDragKind(); }
  void SetIdDragKind(TDragKind value);
  TDragMode GetIdDragMode() const { return IdField->GetDragMode(); }
  void SetIdDragMode(TDragMode value);
  TImeMode GetIdImeMode() const { return IdField->GetImeMode(); }
  void SetIdImeMode(TImeMode value);
  TImeName GetIdImeName() const { return IdField->GetImeName(); }
  void SetIdImeName(const TImeName& value);
  TPopupMenu* GetIdPopupMenu() const { return IdField->GetPopupMenu(); }
  void SetIdPopupMenu(TPopupMenu* value);
  bool GetIdReadOnly() const { return IdField->GetReadOnly(); }
  void SetIdReadOnly(bool value);

  // The fields' handlers. FieldChange moves the caret to the check digit when the eighth digit of the
  // number was typed, then fires OnChange; FieldResize gives the control the number field's height;
  // the others fire the control's event of the same kind with the control as Sender.
  void FieldChange(TObject* Sender);
  void FieldResize(TObject* Sender);
  void FieldClick(TObject* Sender);
  void FieldDblClick(TObject* Sender);
  void FieldDragDrop(TObject* Sender, TObject* Source, int X, int Y);
  void FieldDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
  void FieldEndDock(TObject* Sender, TObject* Target, int X, int Y);
  void FieldEndDrag(TObject* Sender, TObject* Target, int X, int Y);
  void FieldKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void FieldKeyPress(TObject* Sender, char& Key);
  void FieldKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
  void FieldMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void FieldMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void FieldMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void FieldStartDock(TObject* Sender, TDragDockObject*& DragObject);
  void FieldStartDrag(TObject* Sender, TDragObject*& DragObject);

  TQelEdit* IdField = nullptr;
  TQelEdit* CheckDigitField = nullptr;
  bool Resizing = false;
  bool ForceCheckDigit = false;

  TNotifyEvent OnChange;

protected:
  // Number field (client width × 8 − 256) / 9 + 16 wide, the check digit the rest, both as high as
  // the client area; then the inherited resize (OnResize).
  void Resize() override;
  void Loaded() override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DoFlipChildren() override {}
  void Dispatch(void* message) override;

private:
  void WireField(TQelEdit* field);
  void FitFieldHeight();

  bool FAutoSize = true;
};
