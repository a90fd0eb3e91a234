// Controls: the one window procedure of every windowed control, the window classes, message routing
// to graphic children and the mouse capture.
#include "Controls.h"

#include <algorithm>
#include <unordered_map>

#include "Forms.h"

namespace {

// Which control owns which window. Every message of every control looks its control up here, so it
// is kept in the process: a window property would cost a round trip to the window server per message
// under Wine (about half the server traffic of a repaint).
class TControlWindows {
public:
  TWinControl* Find(HWND handle)
  {
    AcquireSRWLockShared(&FLock);
    auto it = FMap.find(handle);
    TWinControl* control = it == FMap.end() ? nullptr : it->second;
    ReleaseSRWLockShared(&FLock);
    return control;
  }
  void Add(HWND handle, TWinControl* control)
  {
    AcquireSRWLockExclusive(&FLock);
    FMap[handle] = control;
    ReleaseSRWLockExclusive(&FLock);
  }
  void Remove(HWND handle)
  {
    AcquireSRWLockExclusive(&FLock);
    FMap.erase(handle);
    ReleaseSRWLockExclusive(&FLock);
  }

private:
  SRWLOCK FLock = SRWLOCK_INIT;
  std::unordered_map<HWND, TWinControl*> FMap;
};

// Never destroyed: windows may still send their last messages while the module's statics go.
TControlWindows& ControlWindows()
{
  static TControlWindows* windows = new TControlWindows;
  return *windows;
}

// The control whose window is being made on this thread: its first messages arrive inside
// CreateWindowEx, before the window can be tied to it.
thread_local TWinControl* CreationControl = nullptr;

// The graphic control a parent captured the mouse for.
TControl* CaptureControlValue = nullptr;

}  // namespace

// Every windowed control's window comes here. No exception leaves: handlers' exceptions go to the
// application.
LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  TWinControl* control = ControlWindows().Find(hwnd);
  if (!control && CreationControl) {
    control = CreationControl;
    CreationControl = nullptr;
    control->FHandle = hwnd;
    ControlWindows().Add(hwnd, control);
  }
  if (!control) return DefWindowProcW(hwnd, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  try {
    control->MainWndProc(message);
  } catch (...) {
    HandleCallbackException(control);
  }
  if (msg == WM_NCDESTROY) {
    ControlWindows().Remove(hwnd);
    if (control->FHandle == hwnd) control->FHandle = nullptr;
  }
  return message.Result;
}

namespace vcl_detail {

thread_local bool KeyMessagePreprocessed = false;
bool DragInputMessage(UINT msg, WPARAM wParam);

void RegisterControlWindowClass(TCreateParams& params)
{
  const HINSTANCE instance = FindHInstance(&CaptureControlValue);
  params.WindowClass.hInstance = instance;
  WNDCLASSW existing{};
  if (GetClassInfoW(instance, params.WinClassName.c_str(), &existing)) {
    if (existing.lpfnWndProc == ControlWindowProc) return;
    UnregisterClassW(params.WinClassName.c_str(), instance);
  }
  WNDCLASSW wc = params.WindowClass;
  wc.lpfnWndProc = ControlWindowProc;
  wc.lpszClassName = params.WinClassName.c_str();
  if (!RegisterClassW(&wc)) RaiseLastOSError();
}

}  // namespace vcl_detail

void TWinControl::CreateWindowHandle(const TCreateParams& params)
{
  CreationControl = this;
  struct Reset {
    ~Reset() { CreationControl = nullptr; }
  } reset;
  const std::wstring caption = Utf8ToUtf16(params.Caption.str());
  HWND handle = CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), caption.c_str(), params.Style, params.X,
                                params.Y, params.Width, params.Height, params.WndParent, nullptr,
                                params.WindowClass.hInstance, params.Param);
  if (handle && !FHandle) {
    FHandle = handle;
    ControlWindows().Add(handle, this);
  }
}

TWinControl* FindControl(HWND handle)
{
  return handle ? ControlWindows().Find(handle) : nullptr;
}

TControl* FindDragTarget(const TPoint& pos, bool allowDisabled)
{
  POINT p{pos.x, pos.y};
  HWND window = WindowFromPoint(p);
  TWinControl* control = FindControl(window);
  if (!control) return nullptr;
  if (TControl* child = control->ControlAtPos(control->ScreenToClient(pos), allowDisabled)) return child;
  return control;
}

// ===================================================================================================
// Capture
TControl* GetCaptureControl()
{
  TWinControl* window = FindControl(::GetCapture());
  if (!window) return nullptr;
  if (CaptureControlValue && CaptureControlValue->GetParent() == window) return CaptureControlValue;
  return window;
}

void SetCaptureControl(TControl* control)
{
  CaptureControlValue = nullptr;
  if (!control) {
    ReleaseCapture();
    return;
  }
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    SetCapture(win->GetHandle());
    return;
  }
  if (control->GetParent()) {
    CaptureControlValue = control;
    SetCapture(control->GetParent()->GetHandle());
  }
}

// ===================================================================================================
// Message routing
void TWinControl::MainWndProc(TMessage& message) { WindowProc(message); }

void TWinControl::DefWndProc(TMessage& message)
{
  message.Result = CallWindowProcW(FDefWndProc ? FDefWndProc : DefWindowProcW, FHandle, message.Msg,
                                   message.WParam, message.LParam);
}

void TWinControl::DefaultHandler(TMessage& message)
{
  if (!FHandle) return TControl::DefaultHandler(message);
  switch (message.Msg) {
    case WM_CONTEXTMENU:
      // Nobody took it: the parent window gets its chance, as the platform's default would give it.
      if (GetParent() && GetParent()->HandleAllocated()) {
        message.Result = SendMessageW(GetParent()->GetHandle(), WM_CONTEXTMENU, message.WParam, message.LParam);
        return;
      }
      break;
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      message.Result = SendMessageW(reinterpret_cast<HWND>(message.LParam), CN_BASE + message.Msg, message.WParam,
                                    message.LParam);
      return;
    default: break;
  }
  DefWndProc(message);
}

// Mouse messages of this window that belong to a graphic child: the child holding the capture, or
// the one under the mouse. They reach it in its own coordinates.
bool TWinControl::IsControlMouseMsg(TWMMouse& message)
{
  TControl* target = nullptr;
  if (::GetCapture() == FHandle) {
    if (CaptureControlValue && CaptureControlValue->GetParent() == this) target = CaptureControlValue;
  } else {
    target = ControlAtPos(TPoint(message.XPos(), message.YPos()), false);
  }
  if (!target) return false;
  TWMMouse translated = message;
  translated.SetPos(message.XPos() - target->GetLeft(), message.YPos() - target->GetTop());
  message.Result = target->Perform(message.Msg, message.WParam, translated.LParam);
  return true;
}

void TWinControl::WndProc(TMessage& message)
{
  if (vcl_detail::DragInputMessage(message.Msg, message.WParam)) return;
  switch (message.Msg) {
    case WM_SETFOCUS:
      if (TCustomForm* form = GetParentForm(this); form && !form->SetFocusedControl(this)) return;
      break;
    case WM_KILLFOCUS:
      if (FControlState.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      TControl::WndProc(message);
      if (message.Result == HTTRANSPARENT && ControlAtPos(ScreenToClient(TPoint(short(LOWORD(message.LParam)),
                                                                                short(HIWORD(message.LParam)))),
                                                          false))
        message.Result = HTCLIENT;
      return;
    default:
      if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST && message.Msg != WM_MOUSEWHEEL) {
        if (IsControlMouseMsg(static_cast<TWMMouse&>(message))) {
          // The platform's default would otherwise make the right button's context menu for this window.
          if (message.Result == 0 && message.Msg == WM_RBUTTONUP) DefWndProc(message);
          return;
        }
      }
      break;
  }
  TControl::WndProc(message);
}

namespace {

// Notifications that name their control's window come back to it as CN_ messages.
bool ReflectToChild(TMessage& message)
{
  HWND child = nullptr;
  switch (message.Msg) {
    case WM_DRAWITEM: child = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)->hwndItem; break;
    case WM_DELETEITEM: child = reinterpret_cast<DELETEITEMSTRUCT*>(message.LParam)->hwndItem; break;
    case WM_COMPAREITEM: child = reinterpret_cast<COMPAREITEMSTRUCT*>(message.LParam)->hwndItem; break;
    default: child = reinterpret_cast<HWND>(message.LParam); break;
  }
  if (!child || !FindControl(child)) return false;
  message.Result = SendMessageW(child, CN_BASE + message.Msg, message.WParam, message.LParam);
  return true;
}

// WM_MEASUREITEM names its control by identifier only: the child window with that identifier.
bool ReflectMeasureItem(TWinControl* parent, TMessage& message)
{
  const auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
  if (!measure || measure->CtlType == ODT_MENU || measure->CtlID == 0 || !parent->HandleAllocated()) return false;
  HWND child = GetDlgItem(parent->GetHandle(), int(measure->CtlID));
  if (!child || !FindControl(child)) return false;
  message.Result = SendMessageW(child, CN_MEASUREITEM, message.WParam, message.LParam);
  return true;
}

// The wheel goes to the focused control as CM_MOUSEWHEEL, which climbs its parents; only when
// none handled it does the platform's own handling run (a list box scrolls). Its passing the
// message on to our parents is not asked again.
thread_local int WheelRouting = 0;
void WMMouseWheelRouted(TWinControl* control, TMessage& message)
{
  if (WheelRouting > 0) return control->DefaultHandler(message);
  ++WheelRouting;
  struct Leave {
    ~Leave() { --WheelRouting; }
  } leave;
  message.Result = control->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
  if (message.Result == 0) control->DefaultHandler(message);
}

}  // namespace

void TWinControl::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_PAINT: return WMPaint(static_cast<TWMPaint&>(message));
    case WM_ERASEBKGND: return WMEraseBkgnd(static_cast<TWMEraseBkgnd&>(message));
    case WM_SIZE: return WMSize(static_cast<TWMSize&>(message));
    case WM_WINDOWPOSCHANGED: return WMWindowPosChanged(message);
    case WM_SETFOCUS: return WMSetFocus(message);
    case WM_KILLFOCUS: return WMKillFocus(message);
    case WM_COMMAND: return WMCommand(static_cast<TWMCommand&>(message));
    case WM_NOTIFY: return WMNotify(static_cast<TWMNotify&>(message));
    case WM_SETCURSOR: return WMSetCursor(message);
    case WM_CONTEXTMENU: return WMContextMenuWin(static_cast<TWMContextMenu&>(message));
    case WM_MOUSEWHEEL: return WMMouseWheelRouted(this, message);
    case WM_DRAWITEM: case WM_DELETEITEM: case WM_COMPAREITEM: case WM_HSCROLL: case WM_VSCROLL:
      if (ReflectToChild(message)) return;
      break;
    case WM_MEASUREITEM:
      if (ReflectMeasureItem(this, message)) return;
      break;
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
      if (!vcl_detail::KeyMessagePreprocessed) {
        // Nobody offered the key as CN_KEYDOWN: do it here, so that Tab, Enter and Escape still work.
        TWMKey offered = static_cast<TWMKey&>(message);
        offered.Msg = message.Msg == WM_KEYDOWN ? CN_KEYDOWN : CN_SYSKEYDOWN;
        offered.Result = 0;
        CNKeyDown(offered);
        if (offered.Result != 0) return;
      }
      if (!DoKeyDown(static_cast<TWMKey&>(message))) DefaultHandler(message);
      return;
    case WM_KEYUP: case WM_SYSKEYUP:
      if (!DoKeyUp(static_cast<TWMKey&>(message))) DefaultHandler(message);
      return;
    case WM_CHAR:
      if (!DoKeyPress(static_cast<TWMKey&>(message))) DefaultHandler(message);
      return;
    case CN_KEYDOWN: case CN_SYSKEYDOWN: return CNKeyDown(static_cast<TWMKey&>(message));
    case CN_KEYUP: case CN_SYSCHAR: return CNKeyUp(static_cast<TWMKey&>(message));
    case CN_CHAR: return CNChar(static_cast<TWMKey&>(message));
    case CM_DIALOGKEY: return CMDialogKey(static_cast<TCMDialogKey&>(message));
    case CM_SHOWINGCHANGED: return CMShowingChanged(message);
    case CM_VISIBLECHANGED: return CMVisibleChanged(message);
    case CM_ENABLEDCHANGED: return CMEnabledChangedWin(message);
    case CM_COLORCHANGED: return CMColorChanged(message);
    case CM_FONTCHANGED: return CMFontChanged(message);
    case CM_TEXTCHANGED: return CMTextChanged(message);
    case CM_BIDIMODECHANGED: return CMBiDiModeChanged(message);
    case CM_ENTER: return CMEnter(message);
    case CM_EXIT: return CMExit(message);
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      return WMCtlColor(message);
    case CN_CTLCOLORSTATIC: case CN_CTLCOLORBTN: case CN_CTLCOLOREDIT: case CN_CTLCOLORLISTBOX:
      // The child paints its own background with its colours.
      SetTextColor(reinterpret_cast<HDC>(message.WParam), ColorToRGB(GetFont()->GetColor()));
      SetBkColor(reinterpret_cast<HDC>(message.WParam), ColorToRGB(GetBrush()->GetColor()));
      message.Result = LRESULT(GetBrush()->GetHandle());
      return;
    default: return TControl::Dispatch(raw);
  }
}

// The platform tells the parent about its child controls; the child hears it as a CN_ message.
void TWinControl::WMCommand(TWMCommand& message)
{
  if (message.Ctl() && FindControl(message.Ctl())) {
    message.Result = SendMessageW(message.Ctl(), CN_COMMAND, message.WParam, message.LParam);
    return;
  }
  DefaultHandler(message);
}

void TWinControl::WMNotify(TWMNotify& message)
{
  if (message.NMHdr() && FindControl(message.NMHdr()->hwndFrom)) {
    message.Result = SendMessageW(message.NMHdr()->hwndFrom, CN_NOTIFY, message.WParam, message.LParam);
    return;
  }
  DefaultHandler(message);
}

void TWinControl::WMCtlColor(TMessage& message)
{
  HWND child = reinterpret_cast<HWND>(message.LParam);
  if (FindControl(child)) {
    message.Result = SendMessageW(child, CN_BASE + message.Msg, message.WParam, message.LParam);
    return;
  }
  DefaultHandler(message);
}

// The cursor of the control under the mouse: a graphic child's, else this control's; the default
// cursor leaves it to the window class.
void TWinControl::WMSetCursor(TMessage& message)
{
  if (reinterpret_cast<HWND>(message.WParam) == FHandle && LOWORD(message.LParam) == HTCLIENT) {
    TCursor cursor = GetCursor();
    POINT p{};
    ::GetCursorPos(&p);
    if (TControl* child = ControlAtPos(ScreenToClient(TPoint(p)), false)) cursor = child->GetCursor();
    if (Screen && Screen->GetCursor() != crDefault) cursor = Screen->GetCursor();
    if (cursor != crDefault) {
      ::SetCursor(Screen ? Screen->GetCursors(cursor) : LoadCursorW(nullptr, IDC_ARROW));
      message.Result = 1;
      return;
    }
  }
  DefaultHandler(message);
}

void TWinControl::WMContextMenuWin(TWMContextMenu& message)
{
  if (message.Result != 0) return;
  // A graphic child under the mouse answers first.
  if (message.XPos() != -1 || message.YPos() != -1) {
    const TPoint pos = ScreenToClient(TPoint(message.XPos(), message.YPos()));
    if (TControl* child = ControlAtPos(pos, false)) message.Result = child->Perform(WM_CONTEXTMENU, 0, message.LParam);
    if (message.Result != 0) return;
  }
  TControl::Dispatch(&message);
  if (message.Result == 0) DefaultHandler(message);
}

void TWinControl::WMSize(TWMSize& message)
{
  UpdateBounds();
  DefaultHandler(message);
  Realign();
  if (!HasState(csLoading)) Resize();
}

void TWinControl::WMWindowPosChanged(TMessage& message)
{
  UpdateBounds();
  DefaultHandler(message);
}
