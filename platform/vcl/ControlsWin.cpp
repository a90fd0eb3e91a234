// Controls: TWinControl — the window, children, painting of graphic children, focus and keys.
#include "Controls.h"

#include <algorithm>

#include "Forms.h"

VCL_PUBLISHED(TWinControl) {}

namespace {
// The child control whose window UpdateShowing is making in order to show it. Its window is made
// visible from the start: showing it afterwards costs a SetWindowPos, a round of window position
// messages and a fresh visible region for every DC of the parent, per control, which under Wine is
// most of what making a form costs beyond the windows themselves.
thread_local TWinControl* ShownOnCreation = nullptr;
}  // namespace

TWinControl::TWinControl(TOwnerArg owner) : TControl(owner), FBrush(std::make_unique<TBrush>())
{
  FBrush->SetColor(GetColor());
}

void TWinControl::BeforeDestruction()
{
  TControl::BeforeDestruction();
  if (FCaptureChild) FCaptureChild = nullptr;
}

TWinControl::~TWinControl()
{
  // Children that outlive us (owned elsewhere) lose their parent; windows go before the children's
  // bookkeeping so that no message reaches a half-destroyed control.
  DestroyHandle();
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  while (!FWinControls.empty()) FWinControls.back()->SetParent(nullptr);
}

// ===================================================================================================
// Children
TControl* TWinControl::GetControl(int index) const
{
  const int graphic = int(FControls.size());
  if (index < 0 || index >= GetControlCount()) TList::Error("List index out of bounds (%d)", index);
  return index < graphic ? FControls[size_t(index)] : FWinControls[size_t(index - graphic)];
}

void TWinControl::InsertControl(TControl* control)
{
  control->ValidateContainer(this);
  control->FParent = this;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    FWinControls.push_back(win);
    FTabList.push_back(win);
  } else {
    FControls.push_back(control);
  }
  if (!HasState(csReading)) {
    control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    control->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
  }
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (win->HandleAllocated() && HandleAllocated()) ::SetParent(win->FHandle, FHandle);
    win->UpdateControlState();
  }
  Realign();
  control->Invalidate();
  Perform(CM_CONTROLLISTCHANGE, WPARAM(control), 1);
}

void TWinControl::RemoveControl(TControl* control)
{
  Perform(CM_CONTROLLISTCHANGE, WPARAM(control), 0);
  if (FCaptureChild == control) FCaptureChild = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(win);
    if (win->HandleAllocated()) {
      // The window cannot stay without its parent window.
      win->DestroyHandle();
    }
    FWinControls.erase(std::remove(FWinControls.begin(), FWinControls.end(), win), FWinControls.end());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), win), FTabList.end());
  } else {
    control->Invalidate();
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  }
  control->FParent = nullptr;
  Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const
{
  for (const TControl* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

// The topmost visible child at pos (client coordinates); windowed children only when asked.
TControl* TWinControl::ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls) const
{
  auto hit = [&](TControl* c) {
    if (!c->GetVisible() || (!allowDisabled && !c->GetEnabled())) return false;
    const TRect r = c->GetBoundsRect();
    if (pos.x < r.Left || pos.y < r.Top || pos.x >= r.Right || pos.y >= r.Bottom) return false;
    return c->Perform(CM_HITTEST, 0, MAKELPARAM(pos.x - r.Left, pos.y - r.Top)) != 0;
  };
  if (allowWinControls)
    for (auto it = FWinControls.rbegin(); it != FWinControls.rend(); ++it)
      if (hit(*it)) return *it;
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (hit(*it)) return *it;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message)
{
  for (int i = 0; i < GetControlCount(); ++i) {
    GetControl(i)->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(UINT msg)
{
  TMessage message{msg, 0, 0, 0};
  Broadcast(message);
}

void TWinControl::GetChildren(TGetChildProc proc, TComponent* root)
{
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    if (c->Owner() == root) proc(c);
  }
}

// ===================================================================================================
// The window
HWND TWinControl::GetHandle()
{
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded()
{
  if (FHandle) return;
  if (GetParent()) GetParent()->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND value)
{
  if (FParentWindow == value || GetParent()) return;
  FParentWindow = value;
  if (FHandle) {
    if (value) ::SetParent(FHandle, value);
    else DestroyHandle();
  }
  UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& params)
{
  params = TCreateParams{};
  params.Caption = FText;
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  // Right to left changes the reading order and the scroll bar's side only: no mirrored layout.
  if (UseRightToLeftReading()) params.ExStyle |= WS_EX_RTLREADING;
  if (UseRightToLeftScrollBar()) params.ExStyle |= WS_EX_LEFTSCROLLBAR;
  if (FControlStyle.Contains(csAcceptsControls)) {
    params.Style |= WS_CLIPCHILDREN;
    params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!GetEnabled()) params.Style |= WS_DISABLED;
  if (FTabStop) params.Style |= WS_TABSTOP;
  params.X = GetLeft();
  params.Y = GetTop();
  params.Width = GetWidth();
  params.Height = GetHeight();
  // Only a window the parent already has: asking for the client size of a control without a window
  // must not make any (CreateWnd asks the parent for its window).
  params.WndParent = GetParent() && GetParent()->HandleAllocated() ? GetParent()->FHandle : FParentWindow;
  params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  params.WindowClass.lpfnWndProc = DefWindowProcW;
  // The system's arrow is shared and lives as long as the process: looked up once, not per window.
  static const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  params.WindowClass.hCursor = arrow;
  params.WinClassName = Utf8ToUtf16(ClassName().str());
}

void TWinControl::CreateSubClass(TCreateParams& params, const wchar_t* className)
{
  const HINSTANCE saved = params.WindowClass.hInstance;
  WNDCLASSW wc{};
  if (!GetClassInfoW(nullptr, className, &wc) && !GetClassInfoW(saved, className, &wc))
    throw EInvalidOperation(Format("Window class %s is not registered", {AnsiString(WideString(className))}));
  params.WindowClass = wc;
  params.WindowClass.hInstance = saved;
  params.WindowClass.style = (wc.style & ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS)) | CS_VREDRAW | CS_HREDRAW;
  params.BaseClassName = className;
}

void TWinControl::CreateHandle()
{
  if (FHandle) return;
  CreateWnd();
  for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->UpdateAnchorRules();
}

void TWinControl::DestroyHandle()
{
  if (!FHandle) return;
  for (TWinControl* child : FWinControls) child->DestroyHandle();
  DestroyWnd();
}

void TWinControl::CreateWnd()
{
  TCreateParams params;
  CreateParams(params);
  if (!params.WndParent && GetParent()) params.WndParent = GetParent()->GetHandle();
  if (!params.WndParent && (params.Style & WS_CHILD))
    throw EInvalidOperation(Format("Control '%s' has no parent window", {GetName()}));
  if (ShownOnCreation == this && (params.Style & WS_CHILD) && !dynamic_cast<TCustomForm*>(this))
    params.Style |= WS_VISIBLE;
  FDefWndProc = params.WindowClass.lpfnWndProc;
  vcl_detail::RegisterControlWindowClass(params);
  CreateWindowHandle(params);
  if (!FHandle) RaiseLastOSError();
  // The window holds the text from now on.
  FText = AnsiString();
  UpdateBounds();
  SendMessageW(FHandle, WM_SETFONT, WPARAM(GetFont()->GetHandle()), 1);
}

void TWinControl::DestroyWnd()
{
  // Keep the text the window held for a later window.
  FText = DoGetText();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle()
{
  FControlState << csDestroyingHandle;
  HWND handle = FHandle;
  if (handle && !DestroyWindow(handle)) {
    FControlState >> csDestroyingHandle;
    RaiseLastOSError();
  }
  FHandle = nullptr;
  FShowing = false;
  FControlState >> csDestroyingHandle;
}

void TWinControl::RecreateWnd()
{
  if (!FHandle) return;
  DestroyHandle();
  UpdateControlState();
}

AnsiString TWinControl::DoGetText() const
{
  if (!FHandle) return TControl::DoGetText();
  const int length = GetWindowTextLengthW(FHandle);
  std::wstring text(size_t(length) + 1, L'\0');
  const int got = GetWindowTextW(FHandle, text.data(), length + 1);
  text.resize(size_t(std::max(got, 0)));
  return AnsiString(Utf16ToUtf8(text));
}

void TWinControl::SetTextInternal(const AnsiString& value)
{
  if (FHandle) SetWindowTextW(FHandle, Utf8ToUtf16(value.str()).c_str());
  else TControl::SetTextInternal(value);
}

void TWinControl::Loaded()
{
  TControl::Loaded();
  Realign();
}

// ===================================================================================================
// Place and showing
void TWinControl::SetBounds(int left, int top, int width, int height)
{
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == GetLeft() && top == GetTop() && width == GetWidth() && height == GetHeight()) return;
  if (FHandle && !IsIconic(FHandle)) {
    // The window reports what it took (WM_WINDOWPOSCHANGED), and a new size realigns the children and
    // raises OnResize from WM_SIZE.
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateAnchorRules();
    RequestAlign();
    return;
  }
  const bool resized = width != GetWidth() || height != GetHeight();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  UpdateAnchorRules();
  RequestAlign();
  // Without a window the children still follow their anchors, so a form that sizes itself in its
  // constructor lays them out at once.
  if (resized) {
    Realign();
    if (!HasState(csLoading)) Resize();
  }
}

void TWinControl::UpdateBounds()
{
  if (!FHandle || IsIconic(FHandle)) return;
  RECT r{};
  GetWindowRect(FHandle, &r);
  if (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD) {
    HWND parent = ::GetParent(FHandle);
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
}

TRect TWinControl::GetClientRect() const
{
  if (FHandle) {
    RECT r{};
    ::GetClientRect(FHandle, &r);
    return TRect(r);
  }
  // Without a window, the client area is what the window's frame would leave.
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  RECT frame{0, 0, 0, 0};
  // Anchors ask this for every bound a stored form sets; most controls have no frame at all, and for
  // them the answer needs no call to the window manager.
  constexpr DWORD FrameStyles = WS_BORDER | WS_DLGFRAME | WS_THICKFRAME;
  constexpr DWORD FrameExStyles = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME;
  if ((params.Style & FrameStyles) || (params.ExStyle & FrameExStyles))
    AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  const int w = GetWidth() - (frame.right - frame.left);
  const int h = GetHeight() - (frame.bottom - frame.top);
  return TRect(0, 0, std::max(w, 0), std::max(h, 0));
}

void TWinControl::UpdateShowing()
{
  const bool show = GetVisible() && !FControlState.Contains(csReadingState);
  if (show) {
    if (!FHandle) {
      TWinControl* const outer = ShownOnCreation;
      ShownOnCreation = this;
      struct Reset {
        TWinControl* outer;
        ~Reset() { ShownOnCreation = outer; }
      } reset{outer};
      CreateHandle();
    }
    for (TWinControl* child : std::vector<TWinControl*>(FWinControls)) child->UpdateShowing();
  }
  if (FHandle && FShowing != show) {
    FShowing = show;
    try {
      Perform(CM_SHOWINGCHANGED, 0, 0);
    } catch (...) {
      FShowing = !show;
      throw;
    }
  }
}

void TWinControl::UpdateControlState()
{
  // Only under a showing top: a form, or a control placed in a foreign window.
  TWinControl* top = this;
  while (top->GetParent()) {
    top = top->GetParent();
    if (!top->FShowing) return;
  }
  if (dynamic_cast<TCustomForm*>(top) || top->FParentWindow) UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&)
{
  // A child made visible with its window (UpdateShowing) is shown already.
  if (FShowing && (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE)) return;
  const UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, flags | (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage&)
{
  if (!GetVisible() && GetParent()) {
    if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(this);
  }
  UpdateControlState();
}

void TWinControl::CMEnabledChangedWin(TMessage&)
{
  if (!GetEnabled() && GetParent()) {
    if (TCustomForm* form = GetParentForm(this)) form->ControlRemoved(this);
  }
  if (FHandle) EnableWindow(FHandle, GetEnabled());
  Invalidate();
}

void TWinControl::CMColorChanged(TMessage&)
{
  FBrush->SetColor(GetColor());
  NotifyControls(CM_PARENTCOLORCHANGED);
  Invalidate();
}

void TWinControl::CMFontChanged(TMessage&)
{
  if (FHandle) SendMessageW(FHandle, WM_SETFONT, WPARAM(GetFont()->GetHandle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
  Invalidate();
}

void TWinControl::CMTextChanged(TMessage&) { Invalidate(); }

void TWinControl::CMBiDiModeChanged(TMessage&)
{
  NotifyControls(CM_PARENTBIDIMODECHANGED);
  if (FHandle) {
    // Styles change with the reading order; the window is made again to take them.
    RecreateWnd();
  }
  Invalidate();
}

void TWinControl::SetZOrder(bool topMost)
{
  if (!GetParent()) {
    // A window that is on top already (a form just shown is) stays where it is without the
    // repositioning round that SetWindowPos would cost.
    if (FHandle && !(topMost && !GetWindow(FHandle, GW_HWNDPREV)))
      SetWindowPos(FHandle, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return;
  }
  auto& list = GetParent()->FWinControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (topMost) list.push_back(this);
  else list.insert(list.begin(), this);
  if (FHandle) SetWindowPos(FHandle, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ===================================================================================================
// Painting
void TWinControl::Invalidate()
{
  if (!FHandle) return;
  // A window that cannot be on the screen yet (its own or its form's is hidden, as while a form's
  // controls are made) is painted whole when it shows: marking it now is a server round trip for
  // nothing. The styles are read in the process.
  const TWinControl* top = this;
  while (top->GetParent() && top->GetParent()->FHandle) top = top->GetParent();
  if (!(GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) || !(GetWindowLongW(top->FHandle, GWL_STYLE) & WS_VISIBLE))
    return;
  InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Update()
{
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint()
{
  Invalidate();
  Update();
}

void TWinControl::PaintWindow(HDC dc)
{
  TMessage message{WM_PAINT, WPARAM(dc), 0, 0};
  DefaultHandler(message);
}

void TWinControl::PaintHandler(TWMPaint& message)
{
  PAINTSTRUCT ps{};
  HDC dc = message.DC();
  if (!dc) dc = BeginPaint(FHandle, &ps);
  struct EndPainting {
    HWND handle;
    PAINTSTRUCT* ps;
    bool own;
    ~EndPainting()
    {
      if (own) EndPaint(handle, ps);
    }
  } end{FHandle, &ps, message.DC() == nullptr};
  if (FControls.empty()) {
    PaintWindow(dc);
  } else {
    // Opaque graphic children cover their part: the window paints around them.
    const int saved = SaveDC(dc);
    int clip = SIMPLEREGION;
    for (TControl* c : FControls) {
      if (!c->GetVisible() || !c->GetControlStyle().Contains(csOpaque)) continue;
      clip = ExcludeClipRect(dc, c->GetLeft(), c->GetTop(), c->GetLeft() + c->GetWidth(), c->GetTop() + c->GetHeight());
      if (clip == NULLREGION) break;
    }
    if (clip != NULLREGION) PaintWindow(dc);
    RestoreDC(dc, saved);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::PaintControls(HDC dc, TControl* first)
{
  size_t i = 0;
  if (first) {
    auto it = std::find(FControls.begin(), FControls.end(), first);
    if (it != FControls.end()) i = size_t(it - FControls.begin());
  }
  // A child may be destroyed while painting; paint from a copy and check it is still ours.
  const std::vector<TControl*> controls(FControls.begin() + ptrdiff_t(i), FControls.end());
  for (TControl* c : controls) {
    if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
    const RECT r{c->GetLeft(), c->GetTop(), c->GetLeft() + c->GetWidth(), c->GetTop() + c->GetHeight()};
    if (!c->GetVisible() || !RectVisible(dc, &r)) continue;
    const int saved = SaveDC(dc);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - c->GetLeft(), origin.y - c->GetTop(), nullptr);
    IntersectClipRect(dc, 0, 0, c->GetWidth(), c->GetHeight());
    c->Perform(WM_PAINT, WPARAM(dc), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::WMPaint(TWMPaint& message)
{
  if (!FControlState.Contains(csCustomPaint) && FControls.empty()) return DefaultHandler(message);
  PaintHandler(message);
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& message)
{
  RECT r{};
  ::GetClientRect(FHandle, &r);
  FillRect(message.DC(), &r, GetBrush()->GetHandle());
  message.Result = 1;
}

// ===================================================================================================
// Alignment
void TWinControl::EnableAlign()
{
  if (--FAlignLevel == 0 && !HasState(csDestroying)) Realign();
}

void TWinControl::Realign()
{
  if (FAligning || FAlignLevel > 0 || HasState(csLoading) || HasState(csDestroying)) return;
  FAligning = true;
  try {
    TRect rect = GetClientRect();
    AdjustClientRect(rect);
    AlignControls(nullptr, rect);
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::AlignControls(TControl* control, TRect& rect) { vcl_detail::AlignChildren(this, control, rect); }

// ===================================================================================================
// Focus, tab order and keys
int TWinControl::GetTabOrder() const
{
  if (!GetParent()) return -1;
  auto& list = GetParent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
  if (!GetParent()) return;
  auto& list = GetParent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  value = std::clamp(value, 0, int(list.size()));
  list.insert(list.begin() + value, this);
}

void TWinControl::SetTabStop(bool value)
{
  if (FTabStop == value) return;
  FTabStop = value;
  if (FHandle) {
    LONG style = GetWindowLongW(FHandle, GWL_STYLE);
    SetWindowLongW(FHandle, GWL_STYLE, value ? style | WS_TABSTOP : style & ~WS_TABSTOP);
  }
}

bool TWinControl::CanFocus() const
{
  const TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (const TWinControl* c = this; c != form; c = c->GetParent())
    if (!c || !c->GetVisible() || !c->GetEnabled()) return false;
  return form->GetVisible() && form->GetEnabled();
}

bool TWinControl::Focused() const { return FHandle && ::GetFocus() == FHandle; }

void TWinControl::SetFocus()
{
  if (TCustomForm* form = GetParentForm(this)) form->FocusControl(this);
  else if (GetParent()) GetParent()->SetFocus();
  else if (FHandle) ::SetFocus(FHandle);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list)
{
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent)
{
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = int(list.size());
  auto it = std::find(list.begin(), list.end(), current);
  int start = it == list.end() ? (goForward ? count - 1 : 0) : int(it - list.begin());
  int i = start;
  for (int step = 0; step < count; ++step) {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[size_t(i)];
    if (c == current) break;
    if (c->CanFocus() && (!checkTabStop || c->GetTabStop()) && (!checkParent || c->GetParent() == this)) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop)
{
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop)) next->SetFocus();
}

void TWinControl::KeyDown(WORD& key, TShiftState shift)
{
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key)
{
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift)
{
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

// The form sees keys first when it asks to (KeyPreview); a handler that sets the key to 0 eats it.
bool TWinControl::DoKeyDown(TWMKey& message)
{
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyDown(message)) return true;
  WORD key = message.CharCode();
  KeyDown(key, KeyDataToShiftState(message.KeyData()));
  message.SetCharCode(key);
  return key == 0;
}

bool TWinControl::DoKeyPress(TWMKey& message)
{
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyPress(message)) return true;
  char key = message.CharCode() < 0x80 ? char(message.CharCode()) : '\0';
  if (message.CharCode() >= 0x80) return false;  // outside ASCII: no single-byte key to offer
  KeyPress(key);
  message.SetCharCode(WORD(static_cast<unsigned char>(key)));
  return key == 0;
}

bool TWinControl::DoKeyUp(TWMKey& message)
{
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyUp(message)) return true;
  WORD key = message.CharCode();
  KeyUp(key, KeyDataToShiftState(message.KeyData()));
  message.SetCharCode(key);
  return key == 0;
}

// Keys the dialog handles (Tab, arrows, Enter, Escape) go to the form unless the control wants them.
void TWinControl::CNKeyDown(TWMKey& message)
{
  message.Result = 1;
  if (Perform(CM_CHILDKEY, message.CharCode(), LPARAM(this)) != 0) return;
  LRESULT mask = 0;
  switch (message.CharCode()) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: break;
  }
  if (mask && Perform(CM_WANTSPECIALKEY, message.CharCode(), 0) == 0 && (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
    if (TCustomForm* form = GetParentForm(this))
      if (form->Perform(CM_DIALOGKEY, message.CharCode(), message.KeyData()) != 0) return;
  }
  message.Result = 0;
}

void TWinControl::CNKeyUp(TWMKey& message) { message.Result = 0; }

void TWinControl::CNChar(TWMKey& message) { message.Result = 0; }

void TWinControl::CMDialogKey(TCMDialogKey& message) { Broadcast(message); }

void TWinControl::DoEnter()
{
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit()
{
  if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::WMSetFocus(TMessage& message)
{
  DefaultHandler(message);
}

void TWinControl::WMKillFocus(TMessage& message) { DefaultHandler(message); }
