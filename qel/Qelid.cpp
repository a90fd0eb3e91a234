// TQelId: the two fields, their layout, the check digit and the events re-raised as the control's.
#include "Qelid.h"

#include <algorithm>

#include "Localemgr.h"
#include "Menus.h"
#include "SysUtils.h"

// Defined before the unit's initialiser, so that it exists when the unit starts and outlives it.
AnsiString Str_ForceCheckDigitMsg;

namespace {

bool TextsFilled = false;

void FillTexts()
{
  if (TextsFilled) return;
  TextsFilled = true;
  Str_ForceCheckDigitMsg = LocaleStr(1, 1, "ספרת הביקורת חסרה");
}

TUnitInit QelidUnitInit(
    "Qelid", [] { RegisterClass(TQelId::StaticClass()); },
    [] {
      Str_ForceCheckDigitMsg = AnsiString();
      TextsFilled = false;
    });

constexpr int IdLength = 8;

}  // namespace

VCL_PUBLISHED(TQelId)
{
  p.Property("AutoSelect", &TQelId::GetIdAutoSelect, &TQelId::SetIdAutoSelect).Default(true);
  p.Property("AutoSize", &TQelId::GetIdAutoSize, &TQelId::SetIdAutoSize).Default(true);
  p.Property("BorderStyle", &TQelId::GetIdBorderStyle, &TQelId::SetIdBorderStyle).Default(bsSingle);
  p.Property("CheckDigitText", &TQelId::GetCheckDigitText, &TQelId::SetCheckDigitText);
  p.Property("Color", &TQelId::GetColor, &TQelId::SetColor).Stored(&TQelId::IsColorStored);
  p.Property("Ctl3D", &TQelId::GetCtl3D, &TQelId::SetCtl3D).Default(true);
  p.Property("DragCursor", &TQelId::GetIdDragCursor, &TQelId::SetIdDragCursor).Default(int(crDrag));
  p.Property("DragKind", &TQelId::GetIdDragKind, &TQelId::SetIdDragKind).Default(dkDrag);
  p.Property("DragMode", &TQelId::GetIdDragMode, &TQelId::SetIdDragMode).Default(dmManual);
  p.Property("Enabled", &TQelId::GetEnabled, &TQelId::SetEnabled).Default(true);
  p.Property("Font", &TQelId::GetFont, &TQelId::SetFont).Stored(&TQelId::IsFontStored);
  p.Property("ForceCheckDigit", &TQelId::ForceCheckDigit, &TQelId::ForceCheckDigit).Default(false);
  p.Property("IdText", &TQelId::GetIdText, &TQelId::SetIdText);
  p.Property("ImeMode", &TQelId::GetIdImeMode, &TQelId::SetIdImeMode).Default(imDontCare);
  p.Property("ImeName", &TQelId::GetIdImeName, &TQelId::SetIdImeName);
  p.Property("ParentColor", &TQelId::GetParentColor, &TQelId::SetParentColor).Default(false);
  p.Property("ParentCtl3D", &TQelId::GetParentCtl3D, &TQelId::SetParentCtl3D).Default(true);
  p.Property("ParentFont", &TQelId::GetParentFont, &TQelId::SetParentFont).Default(true);
  p.Property("ParentShowHint", &TQelId::GetParentShowHint, &TQelId::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &TQelId::GetIdPopupMenu, &TQelId::SetIdPopupMenu);
  p.Property("ReadOnly", &TQelId::GetIdReadOnly, &TQelId::SetIdReadOnly).Default(false);
  p.Property("ShowHint", &TQelId::GetShowHint, &TQelId::SetShowHint).Stored(&TQelId::IsShowHintStored);
  p.Property("TabOrder", &TQelId::GetTabOrder, &TQelId::SetTabOrder).Default(-1);
  p.Property("TabStop", &TQelId::GetTabStop, &TQelId::SetTabStop).Default(false);
  p.Property("Visible", &TQelId::GetVisible, &TQelId::SetVisible).Default(true);
  p.Property("OnChange", &TQelId::OnChange, &TQelId::OnChange);
  p.Property("OnClick", &TQelId::OnClick, &TQelId::OnClick);
  p.Property("OnDblClick", &TQelId::OnDblClick, &TQelId::OnDblClick);
  p.Property("OnDragDrop", &TQelId::OnDragDrop, &TQelId::OnDragDrop);
  p.Property("OnDragOver", &TQelId::OnDragOver, &TQelId::OnDragOver);
  p.Property("OnEndDock", &TQelId::OnEndDock, &TQelId::OnEndDock);
  p.Property("OnEndDrag", &TQelId::OnEndDrag, &TQelId::OnEndDrag);
  p.Property("OnEnter", &TQelId::OnEnter, &TQelId::OnEnter);
  p.Property("OnExit", &TQelId::OnExit, &TQelId::OnExit);
  p.Property("OnKeyDown", &TQelId::OnKeyDown, &TQelId::OnKeyDown);
  p.Property("OnKeyPress", &TQelId::OnKeyPress, &TQelId::OnKeyPress);
  p.Property("OnKeyUp", &TQelId::OnKeyUp, &TQelId::OnKeyUp);
  p.Property("OnMouseDown", &TQelId::OnMouseDown, &TQelId::OnMouseDown);
  p.Property("OnMouseMove", &TQelId::OnMouseMove, &TQelId::OnMouseMove);
  p.Property("OnMouseUp", &TQelId::OnMouseUp, &TQelId::OnMouseUp);
  p.Property("OnStartDock", &TQelId::OnStartDock, &TQelId::OnStartDock);
  p.Property("OnStartDrag", &TQelId::OnStartDrag, &TQelId::OnStartDrag);
}

TQelId::TQelId(TOwnerArg owner) : TCustomControl(owner)
{
  FillTexts();
  IdField = new TQelEdit(this);
  IdField->SetParent(this);
  IdField->SetBounds(0, 0, 64, 25);
  IdField->SetMaxLength(IdLength);
  IdField->SetTabOrder(0);
  CheckDigitField = new TQelEdit(this);
  CheckDigitField->SetParent(this);
  CheckDigitField->SetBounds(64, 0, 22, 25);
  CheckDigitField->SetMaxLength(1);
  CheckDigitField->SetTabOrder(1);
  WireField(IdField);
  WireField(CheckDigitField);
  IdField->OnResize = TNotifyEvent(this, &TQelId::FieldResize);
  SetBounds(GetLeft(), GetTop(), 86, 25);
  SetParentColor(false);
  SetColor(clWindow);
}

TQelId::~TQelId()
{
  delete CheckDigitField;
  CheckDigitField = nullptr;
  delete IdField;
  IdField = nullptr;
}

void TQelId::WireField(TQelEdit* field)
{
  field->OnChange = TNotifyEvent(this, &TQelId::FieldChange);
  field->OnClick = TNotifyEvent(this, &TQelId::FieldClick);
  field->OnDblClick = TNotifyEvent(this, &TQelId::FieldDblClick);
  field->OnDragDrop = TDragDropEvent(this, &TQelId::FieldDragDrop);
  field->OnDragOver = TDragOverEvent(this, &TQelId::FieldDragOver);
  field->OnEndDock = TEndDragEvent(this, &TQelId::FieldEndDock);
  field->OnEndDrag = TEndDragEvent(this, &TQelId::FieldEndDrag);
  field->OnKeyDown = TKeyEvent(this, &TQelId::FieldKeyDown);
  field->OnKeyPress = TKeyPressEvent(this, &TQelId::FieldKeyPress);
  field->OnKeyUp = TKeyEvent(this, &TQelId::FieldKeyUp);
  field->OnMouseDown = TMouseEvent(this, &TQelId::FieldMouseDown);
  field->OnMouseMove = TMouseMoveEvent(this, &TQelId::FieldMouseMove);
  field->OnMouseUp = TMouseEvent(this, &TQelId::FieldMouseUp);
  field->OnStartDock = TStartDockEvent(this, &TQelId::FieldStartDock);
  field->OnStartDrag = TStartDragEvent(this, &TQelId::FieldStartDrag);
}

// ---------------------------------------------------------------------------------------------------
// The check digit
int TQelId::ComputeCheckDigit(int n)
{
  if (n < 0) return -1;
  int sum = 0;
  int weight = 2;
  // From the rightmost digit leftwards; the number's own digits, so leading zeros count for nothing.
  for (; n > 0; n /= 10) {
    const int product = weight * (n % 10);
    sum += product < 10 ? product : product - 9;
    weight = 3 - weight;
  }
  return sum % 10 != 0 ? 10 - sum % 10 : 0;
}

void TQelId::Check(int Id, short CheckDigit)
{
  if (Id == 0) return;
  // A negative number ("-1234567" fits in the field) has no valid check digit.
  if (Id > 0 && CheckDigit == ComputeCheckDigit(Id)) return;
  throw EInvalidArgument(LocaleStr(1, 200, "ספרת הבקורת שגויה! הקלד שוב את ספרת הבקורת"));
}

void TQelId::Check()
{
  const AnsiString id = GetIdText(), digit = GetCheckDigitText();
  if (id.IsEmpty() || digit.IsEmpty()) return;
  const int number = StrToInt(id);
  Check(number, short(StrToInt(digit)));
}

void TQelId::Validate()
{
  if (ForceCheckDigit && !GetIdText().IsEmpty() && GetCheckDigitText().IsEmpty())
    throw EInvalidArgument(Str_ForceCheckDigitMsg);
}

// ---------------------------------------------------------------------------------------------------
// Properties written to both fields
void TQelId::SetIdAutoSelect(bool value)
{
  IdField->SetAutoSelect(value);
  CheckDigitField->SetAutoSelect(value);
}

void TQelId::SetIdAutoSize(bool value)
{
  if (FAutoSize == value) return;
  FAutoSize = value;
  FitFieldHeight();
}

void TQelId::SetIdBorderStyle(TBorderStyle value)
{
  IdField->SetBorderStyle(value);
  CheckDigitField->SetBorderStyle(value);
  FitFieldHeight();
}

void TQelId::SetIdDragCursor(TCursor value)
{
  IdField->SetDragCursor(value);
  CheckDigitField->SetDragCursor(value);
}

void TQelId::SetIdDragKind(TDragKind value)
{
  IdField->SetDragKind(value);
  CheckDigitField->SetDragKind(value);
}

void TQelId::SetIdDragMode(TDragMode value)
{
  IdField->SetDragMode(value);
  CheckDigitField->SetDragMode(value);
}

void TQelId::SetIdImeMode(TImeMode value)
{
  IdField->SetImeMode(value);
  CheckDigitField->SetImeMode(value);
}

void TQelId::SetIdImeName(const TImeName& value)
{
  IdField->SetImeName(value);
  CheckDigitField->SetImeName(value);
}

void TQelId::SetIdPopupMenu(TPopupMenu* value)
{
  IdField->SetPopupMenu(value);
  CheckDigitField->SetPopupMenu(value);
}

void TQelId::SetIdReadOnly(bool value)
{
  IdField->SetReadOnly(value);
  CheckDigitField->SetReadOnly(value);
}

// ---------------------------------------------------------------------------------------------------
// Layout
void TQelId::Resize()
{
  if (Resizing) return;
  Resizing = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{Resizing};
  const int width = GetClientWidth(), height = GetClientHeight();
  // Below 14 pixels the formula turns negative: the number field then has none.
  const int idWidth = std::max(0, (width * 8 - 256) / 9 + 16);
  IdField->SetBounds(0, 0, idWidth, height);
  CheckDigitField->SetBounds(idWidth, 0, width - idWidth, height);
  TCustomControl::Resize();
}

void TQelId::Loaded()
{
  TCustomControl::Loaded();
  // Reading sets the size while loading, when no resize runs.
  Resize();
}

void TQelId::CreateParams(TCreateParams& params)
{
  TCustomControl::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
}

void TQelId::CreateWnd()
{
  TCustomControl::CreateWnd();
  FitFieldHeight();
}

void TQelId::Dispatch(void* raw)
{
  TCustomControl::Dispatch(raw);
  // The fields have taken the new font by now.
  if (static_cast<TMessage*>(raw)->Msg == CM_FONTCHANGED) FitFieldHeight();
}

void TQelId::FitFieldHeight()
{
  if (!FAutoSize || !HandleAllocated() || IdField->GetBorderStyle() != bsSingle) return;
  TMemoryDC dc;
  dc.Select(IdField->GetFont()->GetHandle());
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc.Get(), &metrics)) return;
  // The client edge and the edit's margins above and below the text.
  const int edge = GetSystemMetrics(SM_CYBORDER) * (GetCtl3D() ? 8 : 6);
  IdField->SetHeight(metrics.tmHeight + edge);
}

// ---------------------------------------------------------------------------------------------------
// The fields' events
void TQelId::FieldChange(TObject* Sender)
{
  // Focus first: asking for Modified or the caret makes the field's window, and a text set while a
  // form is read must not.
  if (Sender == IdField && IdField->Focused() && IdField->GetModified() &&
      IdField->GetSelStart() == IdField->GetMaxLength())
    CheckDigitField->SetFocus();
  if (OnChange) OnChange(this);
}

void TQelId::FieldResize(TObject*)
{
  if (GetClientHeight() != IdField->GetHeight()) SetClientHeight(IdField->GetHeight());
}

void TQelId::FieldClick(TObject*)
{
  if (OnClick) OnClick(this);
}

void TQelId::FieldDblClick(TObject*)
{
  if (OnDblClick) OnDblClick(this);
}

void TQelId::FieldDragDrop(TObject*, TObject* Source, int X, int Y)
{
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TQelId::FieldDragOver(TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept)
{
  // The field accepts because it has a handler (this one); without the control's own it must answer
  // as a field without one does, or every drag would drop on it.
  if (OnDragOver)
    OnDragOver(this, Source, X, Y, State, Accept);
  else
    Accept = false;
}

void TQelId::FieldEndDock(TObject*, TObject* Target, int X, int Y)
{
  if (OnEndDock) OnEndDock(this, Target, X, Y);
}

void TQelId::FieldEndDrag(TObject*, TObject* Target, int X, int Y)
{
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TQelId::FieldKeyDown(TObject*, WORD& Key, TShiftState Shift)
{
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TQelId::FieldKeyPress(TObject*, char& Key)
{
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TQelId::FieldKeyUp(TObject*, WORD& Key, TShiftState Shift)
{
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TQelId::FieldMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TQelId::FieldMouseMove(TObject*, TShiftState Shift, int X, int Y)
{
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TQelId::FieldMouseUp(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y)
{
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TQelId::FieldStartDock(TObject*, TDragDockObject*& DragObject)
{
  if (OnStartDock) OnStartDock(this, DragObject);
}

void TQelId::FieldStartDrag(TObject*, TDragObject*& DragObject)
{
  if (OnStartDrag) OnStartDrag(this, DragObject);
}
