// Forms: TCustomForm — stored forms, showing and placing, modal loops, closing and focus.
#include "Forms.h"

#include <algorithm>

#include "ActnList.h"
#include "Consts.h"
#include "Menus.h"

VCL_IMPLEMENT_ENUM(TFormBorderStyle, "bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin")
VCL_IMPLEMENT_ENUM(TBorderIcon, "biSystemMenu", "biMinimize", "biMaximize", "biHelp")
VCL_IMPLEMENT_ENUM(TPosition, "poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                   "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter")
VCL_IMPLEMENT_ENUM(TWindowState, "wsNormal", "wsMinimized", "wsMaximized")
VCL_IMPLEMENT_ENUM(TFormStyle, "fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop")
VCL_IMPLEMENT_CLASS(TScrollingWinControl)
VCL_IMPLEMENT_CLASS(TCustomForm)

VCL_PUBLISHED(TForm)
{
  p.Property("Caption", &TForm::GetCaption, &TForm::SetCaption);
  p.Property("ClientWidth", &TForm::GetClientWidth, &TForm::SetClientWidth).Stored(false);
  p.Property("ClientHeight", &TForm::GetClientHeight, &TForm::SetClientHeight).Stored(false);
  p.Property("Color", &TForm::GetColor, &TForm::SetColor).Default(int(clBtnFace));
  p.ReadOnly("Font", &TForm::GetFont);
  p.Property("ParentFont", &TForm::GetParentFont, &TForm::SetParentFont).Default(false);
  p.Property("BorderStyle", &TForm::GetBorderStyle, &TForm::SetBorderStyle).Default(bsSizeable);
  p.Property("BorderIcons", &TForm::GetBorderIcons, &TForm::SetBorderIcons);
  p.Property("Position", &TForm::GetPosition, &TForm::SetPosition).Default(poDesigned);
  p.Property("WindowState", &TForm::GetWindowState, &TForm::SetWindowState).Default(wsNormal);
  p.Property("FormStyle", &TForm::GetFormStyle, &TForm::SetFormStyle).Default(fsNormal);
  p.Property("KeyPreview", &TForm::GetKeyPreview, &TForm::SetKeyPreview).Default(false);
  p.Property("ActiveControl", &TForm::GetActiveControl, &TForm::SetActiveControl);
  p.Property("Visible", &TForm::GetVisible, &TForm::SetVisible).Default(false);
  p.Property("Enabled", &TForm::GetEnabled, &TForm::SetEnabled).Default(true);
  p.Property("Hint", &TForm::GetHint, &TForm::SetHint);
  p.Property("ShowHint", &TForm::GetShowHint, &TForm::SetShowHint).Default(false);
  p.Property("Cursor", &TForm::GetCursor, &TForm::SetCursor).Default(int(crDefault));
  p.Property("PopupMenu", &TForm::GetPopupMenu, &TForm::SetPopupMenu);
  p.Property("BiDiMode", &TForm::GetBiDiMode, &TForm::SetBiDiMode).Default(bdLeftToRight);
  p.Property("ParentBiDiMode", &TForm::GetParentBiDiMode, &TForm::SetParentBiDiMode).Default(true);
  p.Property("PixelsPerInch", &TForm::GetPixelsPerInch, &TForm::SetPixelsPerInch).NoDefault();
  p.Property("TextHeight", &TForm::GetTextHeight, &TForm::SetTextHeight).NoDefault();
  p.Property("OldCreateOrder", &TForm::GetOldCreateOrder, &TForm::SetOldCreateOrder).Default(false);
  p.Property("Scaled", &TForm::GetScaled, &TForm::SetScaled).Default(true);
  p.Property("OnCreate", &TForm::OnCreate, &TForm::OnCreate);
  p.Property("OnDestroy", &TForm::OnDestroy, &TForm::OnDestroy);
  p.Property("OnShow", &TForm::OnShow, &TForm::OnShow);
  p.Property("OnHide", &TForm::OnHide, &TForm::OnHide);
  p.Property("OnClose", &TForm::OnClose, &TForm::OnClose);
  p.Property("OnCloseQuery", &TForm::OnCloseQuery, &TForm::OnCloseQuery);
  p.Property("OnActivate", &TForm::OnActivate, &TForm::OnActivate);
  p.Property("OnDeactivate", &TForm::OnDeactivate, &TForm::OnDeactivate);
  p.Property("OnPaint", &TForm::OnPaint, &TForm::OnPaint);
  p.Property("OnResize", &TForm::OnResize, &TForm::OnResize);
  p.Property("OnClick", &TForm::OnClick, &TForm::OnClick);
  p.Property("OnDblClick", &TForm::OnDblClick, &TForm::OnDblClick);
  p.Property("OnMouseDown", &TForm::OnMouseDown, &TForm::OnMouseDown);
  p.Property("OnMouseMove", &TForm::OnMouseMove, &TForm::OnMouseMove);
  p.Property("OnMouseUp", &TForm::OnMouseUp, &TForm::OnMouseUp);
  p.Property("OnKeyDown", &TForm::OnKeyDown, &TForm::OnKeyDown);
  p.Property("OnKeyPress", &TForm::OnKeyPress, &TForm::OnKeyPress);
  p.Property("OnKeyUp", &TForm::OnKeyUp, &TForm::OnKeyUp);
}

namespace vcl_detail {

TStoredFormReader::TStoredFormReader(TCustomForm* form, TMetaClass* level)
{
  if (form->CreatedNew()) return;
  if (!InitComponentLevel(form, level)) throw EResNotFound(Format("Resource %s not found", {level->ClassName()}));
}

}  // namespace vcl_detail

// ===================================================================================================
// Construction
TCustomForm::TCustomForm(TOwnerArg owner) : TScrollingWinControl(owner), FCanvas(std::make_unique<TControlCanvas>())
{
  FCanvas->SetControl(this);
  // Forms do not scroll yet: their scroll bars are not published.
  SetAutoScroll(false);
  FBorderIcons << biSystemMenu << biMinimize << biMaximize;
  FControlStyle << csAcceptsControls;
  SetVisible(false);
  SetParentColor(false);
  SetParentFont(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 320, 240);
  // A form takes its reading order from the application.
  if (Application) {
    SetBiDiMode(Application->GetBiDiMode());
    SetParentBiDiMode(true);
  }
  if (Screen) Screen->AddForm(this);
}

TCustomForm::TCustomForm(TOwnerArg owner, int) : TCustomForm(owner) { FCreatedNew = true; }

void TCustomForm::AfterConstruction()
{
  TScrollingWinControl::AfterConstruction();
  DoCreate();
  // Visible = True in a stored form shows the form once it is made.
  if (GetVisible() && !GetShowing()) UpdateControlState();
}

void TCustomForm::BeforeDestruction()
{
  // OnDestroy sees the whole form, before anything is torn down.
  DoDestroy();
  if (Screen) Screen->RemoveForm(this);
  TScrollingWinControl::BeforeDestruction();
}

TCustomForm::~TCustomForm()
{
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  FCanvas->FreeHandle();
}

void TCustomForm::DoCreate()
{
  try {
    if (OnCreate) OnCreate(this);
  } catch (...) {
    // A form made before the application exists (or after it went) has nobody to report to: its
    // maker hears of the failure instead.
    if (!Application) throw;
    HandleCallbackException(this);
  }
}

void TCustomForm::DoDestroy()
{
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
    HandleCallbackException(this);
  }
}

void TCustomForm::Loaded()
{
  TScrollingWinControl::Loaded();
}

void TCustomForm::SetParent(TWinControl* value)
{
  TScrollingWinControl::SetParent(value);
}

void TCustomForm::Notification(TComponent* component, TOperation operation)
{
  TScrollingWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FActiveControl) FActiveControl = nullptr;
  if (component == FFocusedControl) FFocusedControl = nullptr;
}

// Stored forms list the owned components that are not controls, then the controls on the form.
void TCustomForm::GetChildren(TGetChildProc proc, TComponent* root)
{
  for (int i = 0; i < GetComponentCount(); ++i) {
    TComponent* c = GetComponent(i);
    if (!c->HasParent()) proc(c);
  }
  TScrollingWinControl::GetChildren(proc, root);
}

// ===================================================================================================
// The window
void TCustomForm::CreateParams(TCreateParams& params)
{
  TScrollingWinControl::CreateParams(params);
  params.Style &= ~(WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP);
  params.ExStyle &= ~WS_EX_CONTROLPARENT;
  if (GetParent()) {
    params.Style |= WS_CHILD;
  } else {
    if (Application) Application->CreateHandle();
    params.WndParent = Application ? Application->GetHandle() : nullptr;
    switch (FBorderStyle) {
      case bsNone: params.Style |= WS_POPUP; break;
      case bsSingle: params.Style |= WS_CAPTION | WS_BORDER; break;
      case bsSizeable: params.Style |= WS_CAPTION | WS_THICKFRAME; break;
      case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
      case bsToolWindow:
        params.Style |= WS_CAPTION;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
      case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
      params.Style |= WS_SYSMENU;
      if (FBorderStyle == bsSingle || FBorderStyle == bsSizeable) {
        if (FBorderIcons.Contains(biMinimize)) params.Style |= WS_MINIMIZEBOX;
        if (FBorderIcons.Contains(biMaximize)) params.Style |= WS_MAXIMIZEBOX;
      }
    }
    if (FFormStyle == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
  }
  params.WindowClass.style |= CS_DBLCLKS;
}

void TCustomForm::CreateWnd()
{
  TScrollingWinControl::CreateWnd();
  // The window's frame may differ from what the client size was computed against; the client size
  // the form was given holds.
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
  if (FBorderStyle == value) return;
  // The client area keeps its size across a change of frame.
  const TRect client = GetClientRect();
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
  if (!HasState(csLoading)) {
    SetClientWidth(client.Width());
    SetClientHeight(client.Height());
  }
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
  if (FBorderIcons == value) return;
  FBorderIcons = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value)
{
  if (FFormStyle == value) return;
  FFormStyle = value;
  if (HandleAllocated()) {
    SetWindowPos(GetHandle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

TWindowState TCustomForm::GetWindowState() const
{
  if (HandleAllocated()) {
    HWND handle = const_cast<TCustomForm*>(this)->GetHandle();
    if (IsIconic(handle)) return wsMinimized;
    if (IsZoomed(handle)) return wsMaximized;
    if (GetShowing()) return wsNormal;
  }
  return FWindowState;
}

void TCustomForm::SetWindowState(TWindowState value)
{
  FWindowState = value;
  if (!HandleAllocated() || !GetShowing()) return;
  static const int commands[] = {SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMAXIMIZED};
  ShowWindow(GetHandle(), commands[value]);
}

// ===================================================================================================
// Showing and placing
void TCustomForm::Show()
{
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

// OnShow runs first, so a form that resizes itself there is placed at its new size.
void TCustomForm::CMShowingChanged(TMessage&)
{
  if (GetShowing()) {
    try {
      DoShow();
    } catch (...) {
      HandleCallbackException(this);
    }
    PlaceByPosition();
    static const int commands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(GetHandle(), commands[FWindowState]);
    if (FActiveControl && FActiveControl->CanFocus()) FActiveControl->SetFocus();
  } else {
    try {
      DoHide();
    } catch (...) {
      HandleCallbackException(this);
    }
    ShowWindow(GetHandle(), SW_HIDE);
  }
}

void TCustomForm::PlaceByPosition()
{
  if (GetParent()) return;
  int x = GetLeft(), y = GetTop();
  const int w = GetWidth(), h = GetHeight();
  switch (FPosition) {
    case poScreenCenter:
      x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
      break;
    case poDesktopCenter:
      x = GetSystemMetrics(SM_XVIRTUALSCREEN) + (GetSystemMetrics(SM_CXVIRTUALSCREEN) - w) / 2;
      y = GetSystemMetrics(SM_YVIRTUALSCREEN) + (GetSystemMetrics(SM_CYVIRTUALSCREEN) - h) / 2;
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* center = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
      if (!center && Application) center = Application->GetMainForm();
      if (center && center != this) {
        x = center->GetLeft() + (center->GetWidth() - w) / 2;
        y = center->GetTop() + (center->GetHeight() - h) / 2;
      } else {
        x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
      }
      break;
    }
    default: return;
  }
  SetBounds(std::max(x, 0), std::max(y, 0), w, h);
}

void TCustomForm::DoShow()
{
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide()
{
  if (OnHide) OnHide(this);
}

void TCustomForm::Paint()
{
  if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC dc)
{
  FCanvas->PaintOn(dc, [this] { Paint(); });
}

// ===================================================================================================
// Modal loops and closing

// A stdcall callback for the 32-bit target (a lambda does not convert to one there); no exception
// may leave it.
static BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM list)
{
  try {
    if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

int TCustomForm::ShowModal()
{
  if (GetVisible() || !GetEnabled() || FModal)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (GetCaptureControl()) SetCaptureControl(nullptr);
  ReleaseCapture();
  FModal = true;
  // The other windows of the task wait while the form is up.
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, LPARAM(&disabled));
  for (HWND h : disabled) EnableWindow(h, FALSE);
  struct Restore {
    TCustomForm* form;
    std::vector<HWND>& windows;
    ~Restore()
    {
      for (HWND h : windows)
        if (IsWindow(h)) EnableWindow(h, TRUE);
      form->FModal = false;
    }
  } restore{this, disabled};
  FModalResult = mrNone;
  Show();
  SetForegroundWindow(GetHandle());
  while (FModalResult == mrNone) {
    if (!Application) break;
    Application->HandleMessage();
    if (Application->GetTerminated()) FModalResult = mrCancel;
    else if (FModalResult != mrNone) CloseModal();
  }
  const TModalResult result = FModalResult;
  Hide();
  return result;
}

void TCustomForm::CloseModal()
{
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) FModalResult = mrNone;
  else if (action == caFree) Release();
}

bool TCustomForm::CloseQuery()
{
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action)
{
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close()
{
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->GetMainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release()
{
  if (FReleasing) return;
  FReleasing = true;
  PostMessageW(GetHandle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&) { delete this; }

void TCustomForm::WMClose(TMessage&) { Close(); }

// ===================================================================================================
// Focus and activation
void TCustomForm::SetActiveControl(TWinControl* value)
{
  if (FActiveControl == value) return;
  FActiveControl = value;
  if (value) value->FreeNotification(this);
  if (value && !HasState(csLoading) && GetShowing() && value->CanFocus()) value->SetFocus();
}

void TCustomForm::SetFocus()
{
  if (!GetVisible() || !GetEnabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (FActiveControl && FActiveControl->CanFocus()) FActiveControl->SetFocus();
  else ::SetFocus(GetHandle());
}

void TCustomForm::FocusControl(TWinControl* control)
{
  if (!control->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  const bool wasActive = FActive;
  FActiveControl = control;
  control->FreeNotification(this);
  if (!wasActive && GetShowing()) SetForegroundWindow(GetHandle());
  ::SetFocus(control->GetHandle());
}

// The window focus moved to control: OnExit of the controls left, OnEnter of those entered.
bool TCustomForm::SetFocusedControl(TWinControl* control)
{
  if (control == FFocusedControl || HasState(csDestroying)) return true;
  TWinControl* old = FFocusedControl;
  FFocusedControl = control;
  if (control != this) FActiveControl = control;
  if (control) control->FreeNotification(this);
  if (Screen) {
    Screen->FActiveControl = control;
    Screen->FActiveForm = this;
  }
  try {
    // Exit from the old control up to (not including) the common parent, then enter down to control.
    for (TWinControl* c = old; c && !c->ContainsControl(control) && c != this; c = c->GetParent()) c->Perform(CM_EXIT, 0, 0);
    std::vector<TWinControl*> entered;
    for (TWinControl* c = control; c && c != this && !(old && c->ContainsControl(old)); c = c->GetParent())
      entered.insert(entered.begin(), c);
    for (TWinControl* c : entered) c->Perform(CM_ENTER, 0, 0);
  } catch (...) {
    HandleCallbackException(this);
  }
  return true;
}

void TCustomForm::ControlRemoved(TWinControl* control)
{
  if (FActiveControl && control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
  if (FFocusedControl && control->ContainsControl(FFocusedControl)) FFocusedControl = nullptr;
  if (Screen && Screen->FActiveControl && control->ContainsControl(Screen->FActiveControl)) Screen->FActiveControl = nullptr;
}

void TCustomForm::Activate()
{
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate()
{
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::WMActivate(TMessage& message)
{
  const bool active = LOWORD(message.WParam) != WA_INACTIVE;
  if (active != FActive) {
    FActive = active;
    if (active) {
      if (Screen) Screen->FActiveForm = this;
      Activate();
    } else {
      Deactivate();
    }
  }
  // Give the focus back to the control that had it.
  if (active && FActiveControl && FActiveControl->CanFocus() && !IsIconic(GetHandle())) {
    ::SetFocus(FActiveControl->GetHandle());
    message.Result = 0;
    return;
  }
  DefaultHandler(message);
}

void TCustomForm::CMActivate(TMessage&) { Activate(); }

void TCustomForm::WMGetMinMaxInfo(TMessage& message) { DefaultHandler(message); }

// Tab and the arrows move the focus; Enter and Escape go to the default and cancel buttons.
void TCustomForm::CMDialogKey(TCMDialogKey& message)
{
  if (GetKeyState(VK_MENU) >= 0) {
    switch (message.CharCode()) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          message.Result = 1;
          return;
        }
        break;
      case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
        if (FActiveControl && FActiveControl->GetParent()) {
          FActiveControl->GetParent()->SelectNext(FActiveControl,
                                                  message.CharCode() == VK_RIGHT || message.CharCode() == VK_DOWN, false);
          message.Result = 1;
        }
        return;
      default: break;
    }
  }
  TScrollingWinControl::CMDialogKey(message);
}

void TCustomForm::UpdateActions()
{
  if (!GetVisible() || HasState(csDesigning)) return;
  for (int i = 0; i < GetComponentCount(); ++i) {
    TComponent* c = GetComponent(i);
    if (auto* list = dynamic_cast<TCustomActionList*>(c)) list->UpdateActions();
    else if (auto* control = dynamic_cast<TControl*>(c); control && control->GetVisible()) control->InitiateAction();
  }
}

void TCustomForm::WndProc(TMessage& message)
{
  TScrollingWinControl::WndProc(message);
}

void TCustomForm::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_CLOSE: return WMClose(message);
    case WM_ACTIVATE: return WMActivate(message);
    case WM_GETMINMAXINFO: return WMGetMinMaxInfo(message);
    case CM_SHOWINGCHANGED: return CMShowingChanged(message);
    case CM_RELEASE: return CMRelease(message);
    case CM_ACTIVATE: return CMActivate(message);
    case CM_DIALOGKEY: return CMDialogKey(static_cast<TCMDialogKey&>(message));
    default: return TScrollingWinControl::Dispatch(raw);
  }
}
