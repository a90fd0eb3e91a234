// Controls: TControl — place, state shown to the user, mouse handling, actions and messages.
#include "Controls.h"

#include <algorithm>

#include "ActnList.h"
#include "Forms.h"
#include "Menus.h"

VCL_IMPLEMENT_ENUM(TAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient")
VCL_IMPLEMENT_ENUM(TAnchorKind, "akLeft", "akTop", "akRight", "akBottom")
VCL_IMPLEMENT_ENUM(TBiDiMode, "bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly")
VCL_IMPLEMENT_ENUM(TMouseButton, "mbLeft", "mbRight", "mbMiddle")
VCL_IMPLEMENT_ENUM(TShiftStateItem, "ssShift", "ssAlt", "ssCtrl", "ssLeft", "ssRight", "ssMiddle", "ssDouble")

VCL_PUBLISHED(TControl)
{
  p.Property("Left", &TControl::GetLeft, &TControl::SetLeft).NoDefault();
  p.Property("Top", &TControl::GetTop, &TControl::SetTop).NoDefault();
  p.Property("Width", &TControl::GetWidth, &TControl::SetWidth).NoDefault();
  p.Property("Height", &TControl::GetHeight, &TControl::SetHeight).NoDefault();
}

namespace {
TMouse MouseInstance;
}
TMouse* Mouse = &MouseInstance;

void (*ApplicationHandleException)(TObject* sender) = nullptr;

void HandleCallbackException(TObject* sender) noexcept
{
  try {
    if (ApplicationHandleException) return ApplicationHandleException(sender);
    throw;
  } catch (const std::exception& e) {
    OutputDebugStringA(e.what());
  } catch (...) {
    OutputDebugStringA("Unknown exception in a callback");
  }
}

TShiftState KeysToShiftState(WORD keys)
{
  TShiftState shift;
  if (keys & MK_SHIFT) shift << ssShift;
  if (keys & MK_CONTROL) shift << ssCtrl;
  if (keys & MK_LBUTTON) shift << ssLeft;
  if (keys & MK_RBUTTON) shift << ssRight;
  if (keys & MK_MBUTTON) shift << ssMiddle;
  if (GetKeyState(VK_MENU) < 0) shift << ssAlt;
  return shift;
}

TShiftState KeyDataToShiftState(LPARAM keyData)
{
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift << ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift << ssCtrl;
  if (keyData & 0x20000000) shift << ssAlt;  // the context code: Alt held
  return shift;
}

TShiftState KeyboardStateToShiftState()
{
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift << ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift << ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift << ssAlt;
  if (GetKeyState(VK_LBUTTON) < 0) shift << ssLeft;
  if (GetKeyState(VK_RBUTTON) < 0) shift << ssRight;
  if (GetKeyState(VK_MBUTTON) < 0) shift << ssMiddle;
  return shift;
}

AnsiString GetShortHint(const AnsiString& hint)
{
  const int bar = hint.Pos("|");
  return bar == 0 ? hint : hint.SubString(1, bar - 1);
}

AnsiString GetLongHint(const AnsiString& hint)
{
  const int bar = hint.Pos("|");
  return bar == 0 ? hint : hint.SubString(bar + 1, hint.Length() - bar);
}

TPoint TMouse::GetCursorPos() const
{
  POINT p{};
  ::GetCursorPos(&p);
  return TPoint(p);
}

void TMouse::SetCursorPos(const TPoint& value) { ::SetCursorPos(value.x, value.y); }

// ===================================================================================================
// Construction and destruction
TControl::TControl(TOwnerArg owner) : TComponent(owner), FFont(std::make_unique<TFont>())
{
  FAnchors << akLeft << akTop;
  FControlStyle << csCaptureMouse << csClickEvents << csSetCaption << csDoubleClicks;
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
  WindowProc = [this](TMessage& message) { WndProc(message); };
}

void TControl::BeforeDestruction()
{
  TComponent::BeforeDestruction();
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  SetAction(nullptr);
  if (FParent) FParent->RemoveControl(this);
}

namespace vcl_detail {
void ForgetDragControl(TControl* control);
}

TControl::~TControl()
{
  vcl_detail::ForgetDragControl(this);
  // A control destroyed without delete (a member or a local) still leaves its parent and the capture.
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  FActionLink.reset();
  if (FParent) FParent->RemoveControl(this);
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
}

// ===================================================================================================
// Parent and place
void TControl::SetParent(TWinControl* value)
{
  if (FParent == value) return;
  if (value == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (value) {
    value->InsertControl(this);
    UpdateAnchorRules();
  }
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* value)
{
  if (auto* parent = dynamic_cast<TWinControl*>(value)) SetParent(parent);
}

void TControl::ReadState(TReader* reader)
{
  FControlState << csReadingState;
  if (auto* parent = dynamic_cast<TWinControl*>(reader->GetParent())) SetParent(parent);
  try {
    TComponent::ReadState(reader);
  } catch (...) {
    FControlState >> csReadingState;
    throw;
  }
  FControlState >> csReadingState;
  // The parent took this control in while reading and told it nothing: what it takes from the
  // parent is taken now that its own stored values are known.
  if (FParent) {
    Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Perform(CM_PARENTFONTCHANGED, 0, 0);
    Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
  }
}

void TControl::Loaded()
{
  TComponent::Loaded();
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::SetBounds(int left, int top, int width, int height)
{
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool resized = width != FWidth || height != FHeight;
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  UpdateAnchorRules();
  Invalidate();
  RequestAlign();
  if (resized && !HasState(csLoading)) Resize();
}

void TControl::Resize()
{
  if (OnResize) OnResize(this);
}

TRect TControl::GetClientRect() const { return TRect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int value) { SetWidth(FWidth - GetClientWidth() + value); }
void TControl::SetClientHeight(int value) { SetHeight(FHeight - GetClientHeight() + value); }

TPoint TControl::GetClientOrigin() const
{
  if (!FParent) return TPoint(FLeft, FTop);
  const TPoint origin = FParent->GetClientOrigin();
  return TPoint(origin.x + FLeft, origin.y + FTop);
}

TPoint TControl::ClientToScreen(const TPoint& point) const
{
  const TPoint origin = GetClientOrigin();
  return TPoint(point.x + origin.x, point.y + origin.y);
}

TPoint TControl::ScreenToClient(const TPoint& point) const
{
  const TPoint origin = GetClientOrigin();
  return TPoint(point.x - origin.x, point.y - origin.y);
}

TPoint TControl::ParentClientSize() const
{
  if (!FParent) return TPoint();
  const TRect r = FParent->GetClientRect();
  return TPoint(r.Width(), r.Height());
}

void TControl::SetAlign(TAlign value)
{
  if (FAlign == value) return;
  const TAlign old = FAlign;
  FAlign = value;
  // Aligned controls are anchored to the sides they fill, as in the VCL.
  if (!HasState(csLoading)) {
    switch (value) {
      case alTop: FAnchors = TAnchors() << akLeft << akTop << akRight; break;
      case alBottom: FAnchors = TAnchors() << akLeft << akRight << akBottom; break;
      case alLeft: FAnchors = TAnchors() << akLeft << akTop << akBottom; break;
      case alRight: FAnchors = TAnchors() << akTop << akRight << akBottom; break;
      case alClient: FAnchors = TAnchors() << akLeft << akTop << akRight << akBottom; break;
      case alNone:
        if (old != alNone) FAnchors = TAnchors() << akLeft << akTop;
        break;
    }
  } else if (value == alNone && old != alNone) {
    // A stored alNone undoes the anchors a class's own alignment gave (a header is alTop until its
    // form says otherwise); anchors stored with the control come after Align and win.
    FAnchors = TAnchors() << akLeft << akTop;
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors value)
{
  if (FAnchors == value) return;
  FAnchors = value;
  UpdateAnchorRules();
}

// Remembers where the control stands against the sides it is anchored to, and the parent size it
// stood there in; DoPosition later keeps those distances when the parent changes size.
void TControl::UpdateAnchorRules()
{
  if (FAnchorMove || HasState(csLoading)) return;
  const TAnchors topLeft = TAnchors() << akLeft << akTop;
  if (FAnchors == topLeft || !FParent) {
    FOriginalParentSize = TPoint();
    return;
  }
  if (FAnchors.Contains(akRight)) FAnchorRules.x = FAnchors.Contains(akLeft) ? FWidth : FLeft;
  else FAnchorRules.x = FLeft + FWidth / 2;
  if (FAnchors.Contains(akBottom)) FAnchorRules.y = FAnchors.Contains(akTop) ? FHeight : FTop;
  else FAnchorRules.y = FTop + FHeight / 2;
  FOriginalParentSize = ParentClientSize();
}

void TControl::DoPosition(const TPoint& parentSize)
{
  if (FOriginalParentSize.x == 0 && FOriginalParentSize.y == 0) return;
  int left = FLeft, top = FTop, width = FWidth, height = FHeight;
  if (FAnchors.Contains(akRight)) {
    if (FAnchors.Contains(akLeft)) width = parentSize.x - (FOriginalParentSize.x - FAnchorRules.x);
    else left = FAnchorRules.x + (parentSize.x - FOriginalParentSize.x);
  } else if (!FAnchors.Contains(akLeft) && FOriginalParentSize.x > 0) {
    left = MulDiv(FAnchorRules.x, parentSize.x, FOriginalParentSize.x) - width / 2;
  }
  if (FAnchors.Contains(akBottom)) {
    if (FAnchors.Contains(akTop)) height = parentSize.y - (FOriginalParentSize.y - FAnchorRules.y);
    else top = FAnchorRules.y + (parentSize.y - FOriginalParentSize.y);
  } else if (!FAnchors.Contains(akTop) && FOriginalParentSize.y > 0) {
    top = MulDiv(FAnchorRules.y, parentSize.y, FOriginalParentSize.y) - height / 2;
  }
  FAnchorMove = true;
  try {
    SetBounds(left, top, width, height);
  } catch (...) {
    FAnchorMove = false;
    throw;
  }
  FAnchorMove = false;
}

void TControl::RequestAlign()
{
  if (FParent && !FAnchorMove) FParent->Realign();
}

void TControl::BringToFront() { SetZOrder(true); }
void TControl::SendToBack() { SetZOrder(false); }

void TControl::SetZOrder(bool topMost)
{
  if (!FParent) return;
  auto& list = FParent->FControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (topMost) list.push_back(this);
  else list.insert(list.begin(), this);
  Invalidate();
}

// ===================================================================================================
// State shown to the user
void TControl::SetVisible(bool value)
{
  if (FVisible == value) return;
  Invalidate();
  FVisible = value;
  Perform(CM_VISIBLECHANGED, value, 0);
  Invalidate();
  RequestAlign();
}

void TControl::Show()
{
  if (FParent) FParent->Show();
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetEnabled(bool value)
{
  // A control linked to an action may still be switched on its own.
  if (FEnabled == value) return;
  FEnabled = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(const AnsiString& value)
{
  if (DoGetText() == value) return;
  SetTextInternal(value);
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetColor(TColor value)
{
  if (FColor == value && !FParentColor) return;
  FColor = value;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value)
{
  if (FParentColor == value) return;
  FParentColor = value;
  if (value && FParent) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*)
{
  FParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value)
{
  if (FParentFont == value) return;
  FParentFont = value;
  if (value && FParent) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool value)
{
  FShowHint = value;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool value)
{
  if (FParentShowHint == value) return;
  FParentShowHint = value;
  if (value && FParent) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor value)
{
  if (FCursor == value) return;
  FCursor = value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* value)
{
  if (FPopupMenu == value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = value;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

void TControl::SetBiDiMode(TBiDiMode value)
{
  if (FBiDiMode == value && !FParentBiDiMode) return;
  FBiDiMode = value;
  FParentBiDiMode = false;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool value)
{
  if (FParentBiDiMode == value) return;
  FParentBiDiMode = value;
  if (value && FParent) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

// Right to left changes the reading order, the alignment and the scroll bar's side; never the
// layout: positions stay where they are.
bool TControl::IsRightToLeft() const { return FBiDiMode != bdLeftToRight; }
bool TControl::UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
bool TControl::UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
bool TControl::UseRightToLeftScrollBar() const
{
  return FBiDiMode == bdRightToLeft || FBiDiMode == bdRightToLeftNoAlign;
}

int TControl::DrawTextBiDiModeFlags(int flags) const
{
  if (UseRightToLeftAlignment()) {
    if ((flags & (DT_CENTER | DT_RIGHT)) == 0) flags |= DT_RIGHT;
    else if (flags & DT_RIGHT) flags &= ~DT_RIGHT;
  }
  return flags | DrawTextBiDiModeFlagsReadingOnly();
}

int TControl::DrawTextBiDiModeFlagsReadingOnly() const { return UseRightToLeftReading() ? DT_RTLREADING : 0; }

void TControl::Notification(TComponent* component, TOperation operation)
{
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FPopupMenu) FPopupMenu = nullptr;
  if (FActionLink && component == FActionLink->GetAction()) SetAction(nullptr);
}

// ===================================================================================================
// Actions
TBasicAction* TControl::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

TControlActionLink* TControl::CreateActionLink() { return new TControlActionLink(this); }

void TControl::SetAction(TBasicAction* value)
{
  if (!value) {
    FActionLink.reset();
    FControlStyle >> csActionClient;
    return;
  }
  FControlStyle << csActionClient;
  if (!FActionLink) FActionLink.reset(CreateActionLink());
  FActionLink->SetAction(value);
  FActionLink->OnChange = TNotifyEvent(this, &TControl::DoActionChange);
  ActionChange(value, HasState(csLoading));
  value->FreeNotification(this);
}

void TControl::DoActionChange(TObject* sender)
{
  if (FActionLink && sender == FActionLink->GetAction()) ActionChange(sender, false);
}

// Takes the action's caption, hint, enabled and visible state; with checkDefaults (while loading)
// only where the control still has its defaults.
void TControl::ActionChange(TObject* sender, bool checkDefaults)
{
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action) return;
  if (!checkDefaults || GetCaption().IsEmpty() || GetCaption() == GetName()) SetCaption(action->GetCaption());
  if (!checkDefaults || FEnabled) SetEnabled(action->GetEnabled());
  if (!checkDefaults || FHint.IsEmpty()) SetHint(action->GetHint());
  if (!checkDefaults || FVisible) SetVisible(action->GetVisible());
  if (!checkDefaults || !OnClick) OnClick = action->GetOnExecute();
}

void TControl::InitiateAction()
{
  if (FActionLink) FActionLink->Update();
}

// ===================================================================================================
// Painting: a graphic control is redrawn by its parent.
void TControl::Invalidate()
{
  if (!FParent || !FVisible || !FParent->HandleAllocated()) return;
  const RECT r = GetBoundsRect();
  InvalidateRect(FParent->GetHandle(), &r, !FControlStyle.Contains(csOpaque));
}

void TControl::Update()
{
  if (FParent) FParent->Update();
}

void TControl::Repaint()
{
  if (!FParent || !FVisible || !FParent->HandleAllocated()) return;
  Invalidate();
  FParent->Update();
}

// ===================================================================================================
// Messages
LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
  TMessage message{msg, wParam, lParam, 0};
  WindowProc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& message)
{
  if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST) {
    // Mouse messages of a disabled control go nowhere, and start the action's update cycle.
    if (!GetEnabled() && message.Msg != WM_MOUSEMOVE) return;
  }
  Dispatch(&message);
}

void TControl::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_LBUTTONDOWN: return WMLButtonDown(static_cast<TWMMouse&>(message));
    case WM_LBUTTONUP: return WMLButtonUp(static_cast<TWMMouse&>(message));
    case WM_LBUTTONDBLCLK: return WMLButtonDblClk(static_cast<TWMMouse&>(message));
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: return WMRButtonDown(static_cast<TWMMouse&>(message));
    case WM_RBUTTONUP: return WMRButtonUp(static_cast<TWMMouse&>(message));
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: return WMMButtonDown(static_cast<TWMMouse&>(message));
    case WM_MBUTTONUP: return WMMButtonUp(static_cast<TWMMouse&>(message));
    case WM_MOUSEMOVE: return WMMouseMove(static_cast<TWMMouse&>(message));
    case WM_CONTEXTMENU: return WMContextMenu(static_cast<TWMContextMenu&>(message));
    case CM_PARENTFONTCHANGED: return CMParentFontChanged(message);
    case CM_PARENTCOLORCHANGED: return CMParentColorChanged(message);
    case CM_PARENTSHOWHINTCHANGED: return CMParentShowHintChanged(message);
    case CM_PARENTBIDIMODECHANGED: return CMParentBiDiModeChanged(message);
    case CM_ENABLEDCHANGED: return CMEnabledChanged(message);
    case CM_HITTEST: return CMHitTest(message);
    case CM_MOUSEWHEEL: return CMMouseWheel(message);
    case CM_DRAG: return CMDrag(message);
    case CM_FONTCHANGED: case CM_COLORCHANGED: case CM_TEXTCHANGED: case CM_VISIBLECHANGED:
      Invalidate();
      return;
    default: return DefaultHandler(message);
  }
}

void TControl::DefaultHandler(TMessage& message)
{
  switch (message.Msg) {
    case WM_GETTEXTLENGTH: message.Result = FText.Length(); return;
    default: return;
  }
}

void TControl::CMHitTest(TMessage& message) { message.Result = HTCLIENT; }
void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage&)
{
  if (!FParentFont || !FParent) return;
  FFont->Assign(FParent->GetFont());
  FParentFont = true;  // the assignment above reports a change of our own font
}

void TControl::CMParentColorChanged(TMessage&)
{
  if (!FParentColor || !FParent) return;
  FColor = FParent->GetColor();
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage&)
{
  if (FParentShowHint && FParent) FShowHint = FParent->GetShowHint();
}

void TControl::CMParentBiDiModeChanged(TMessage&)
{
  if (!FParentBiDiMode || !FParent) return;
  FBiDiMode = FParent->GetBiDiMode();
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

bool TControl::GetMouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value)
{
  if (GetMouseCapture() == value) return;
  SetCaptureControl(value ? this : nullptr);
}

void TControl::SendCancelMode()
{
  if (TControl* capture = GetCaptureControl(); capture && capture != this) capture->Perform(WM_CANCELMODE, 0, 0);
}

void TControl::Click()
{
  // The action runs unless the control has its own handler that differs from the action's.
  if (OnClick && (!FActionLink || !(OnClick == FActionLink->GetAction()->GetOnExecute()))) {
    OnClick(this);
  } else if (FActionLink) {
    FActionLink->Execute(this);
  } else if (OnClick) {
    OnClick(this);
  }
}

void TControl::DblClick()
{
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::DoMouseDown(TWMMouse& message, TMouseButton button, TShiftState shift)
{
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseDown(button, shift + KeysToShiftState(WORD(message.Keys())), message.XPos(), message.YPos());
}

void TControl::DoMouseUp(TWMMouse& message, TMouseButton button)
{
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseUp(button, KeysToShiftState(WORD(message.Keys())), message.XPos(), message.YPos());
}

void TControl::WMLButtonDown(TWMMouse& message)
{
  SendCancelMode();
  // The platform's class sees the press first (a BUTTON captures the mouse and shows itself pushed).
  DefaultHandler(message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) FControlState << csClicked;
  FControlState << csLButtonDown;
  DoMouseDown(message, mbLeft, TShiftState());
  DragOnMouseDown(mbLeft, message.XPos(), message.YPos());
}

void TControl::WMLButtonDblClk(TWMMouse& message)
{
  SendCancelMode();
  DefaultHandler(message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) DblClick();
  DoMouseDown(message, mbLeft, TShiftState() << ssDouble);
}

void TControl::WMLButtonUp(TWMMouse& message)
{
  // Before the capture goes: a BUTTON that loses it first forgets it was pressed and never clicks.
  DefaultHandler(message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  // A click is a press and a release inside the control.
  const bool clicked = FControlState.Contains(csClicked);
  FControlState >> csClicked >> csLButtonDown;
  if (clicked && message.XPos() >= 0 && message.YPos() >= 0 && message.XPos() < FWidth && message.YPos() < FHeight)
    Click();
  DoMouseUp(message, mbLeft);
}

// The default handling of the right button's release is what makes WM_CONTEXTMENU.
void TControl::WMRButtonDown(TWMMouse& message)
{
  DefaultHandler(message);
  DoMouseDown(message, mbRight, TShiftState());
}

void TControl::WMRButtonUp(TWMMouse& message)
{
  DefaultHandler(message);
  DoMouseUp(message, mbRight);
}

void TControl::WMMButtonDown(TWMMouse& message)
{
  DefaultHandler(message);
  DoMouseDown(message, mbMiddle, TShiftState());
}

void TControl::WMMButtonUp(TWMMouse& message)
{
  DefaultHandler(message);
  DoMouseUp(message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse& message)
{
  DefaultHandler(message);
  if (FControlStyle.Contains(csNoStdEvents)) return;
  MouseMove(KeysToShiftState(WORD(message.Keys())), message.XPos(), message.YPos());
}

void TControl::DoContextPopup(const TPoint& mousePos, bool& handled)
{
  if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TControl::WMContextMenu(TWMContextMenu& message)
{
  if (message.Result != 0) return;
  const bool keyboard = message.XPos() == -1 && message.YPos() == -1;
  TPoint screen(message.XPos(), message.YPos());
  bool handled = false;
  DoContextPopup(keyboard ? TPoint() : ScreenToClient(screen), handled);
  message.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = GetPopupMenuForContext();
  if (!menu || !menu->GetAutoPopup()) return;
  SendCancelMode();
  menu->SetPopupComponent(this);
  if (keyboard) screen = ClientToScreen(TPoint());
  menu->Popup(screen.x, screen.y);
  message.Result = 1;
}

bool TControl::IsControlOrChild(const TControl* other) const
{
  for (const TControl* c = other; c; c = c->FParent)
    if (c == this) return true;
  return false;
}

TCustomForm* GetParentForm(const TControl* control)
{
  const TControl* c = control;
  while (c && c->FParent) c = c->FParent;
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

// ===================================================================================================
// TControlActionLink
VCL_IMPLEMENT_CLASS(TControlActionLink)

TControlActionLink::TControlActionLink(TObject* client) : TActionLink(client) { AssignClient(client); }

void TControlActionLink::AssignClient(TObject* client) { FClient = dynamic_cast<TControl*>(client); }

namespace {
TCustomAction* CustomAction(TBasicAction* action) { return dynamic_cast<TCustomAction*>(action); }
}  // namespace

bool TControlActionLink::IsCaptionLinked() const
{
  auto* a = CustomAction(FAction);
  return a && FClient && FClient->GetCaption() == a->GetCaption();
}

bool TControlActionLink::IsEnabledLinked() const
{
  auto* a = CustomAction(FAction);
  return a && FClient && FClient->GetEnabled() == a->GetEnabled();
}

bool TControlActionLink::IsHintLinked() const
{
  auto* a = CustomAction(FAction);
  return a && FClient && FClient->GetHint() == a->GetHint();
}

bool TControlActionLink::IsVisibleLinked() const
{
  auto* a = CustomAction(FAction);
  return a && FClient && FClient->GetVisible() == a->GetVisible();
}

bool TControlActionLink::IsOnExecuteLinked() const
{
  return FAction && FClient && FClient->OnClick == FAction->GetOnExecute();
}

void TControlActionLink::SetCaption(const AnsiString& value)
{
  if (FClient) FClient->SetCaption(value);
}

void TControlActionLink::SetEnabled(bool value)
{
  if (FClient) FClient->SetEnabled(value);
}

void TControlActionLink::SetHint(const AnsiString& value)
{
  if (FClient) FClient->SetHint(value);
}

void TControlActionLink::SetVisible(bool value)
{
  if (FClient) FClient->SetVisible(value);
}

void TControlActionLink::SetOnExecute(TNotifyEvent value)
{
  if (FClient) FClient->OnClick = value;
}
