// Forms: TApplication — the hidden application window, the one message loop, idle work (mouse
// enter and leave, hints, action updates), exceptions and message boxes; THintWindow.
#include "Forms.h"

#include <algorithm>

#include "ActnList.h"
#include "Menus.h"

VCL_IMPLEMENT_CLASS(TApplication)
VCL_PUBLISHED(THintWindow) {}

void (*InitProc)() = nullptr;
void (*InitDoneProc)() = nullptr;

namespace {
const wchar_t AppWindowClass[] = L"TApplication";
constexpr UINT_PTR HintTimerId = 1;
}  // namespace

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

// The application and the screen are made when the package loads. They are not freed when it unloads:
// that happens at process exit, where no window or COM work may run; Run destroys the forms and the
// application's window on the main thread before the program returns.
static TUnitInit FormsUnitInit(
    "Forms",
    [] {
      Screen = new TScreen(nullptr);
      Application = new TApplication(nullptr);
      ApplicationHandleException = [](TObject* sender) {
        if (Application) Application->HandleException(sender);
      };
    },
    [] { ApplicationHandleException = nullptr; });

// ===================================================================================================
TApplication::TApplication(TOwnerArg owner) : TComponent(owner)
{
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  FTitle = ChangeFileExt(ExtractFileName(AnsiString(Utf16ToUtf8(path))), "");
}

TApplication::~TApplication()
{
  if (FHintWindow) {
    delete FHintWindow;
    FHintWindow = nullptr;
  }
  if (FHandle) DestroyWindow(FHandle);
}

// The application's own window: owner of every form, so that the task bar shows one button for the
// program, with the application's title, and minimising it hides the forms.
void TApplication::CreateAppWindow()
{
  if (FHandle) return;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = AppWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, L"MAINICON");
  if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = AppWindowClass;
  RegisterClassW(&wc);
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
  FHandle = CreateWindowExW(0, AppWindowClass, Utf8ToUtf16(FTitle.str()).c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                            nullptr, nullptr, instance, nullptr);
  if (FHandle) SetWindowLongPtrW(FHandle, GWLP_USERDATA, LONG_PTR(this));
}

LRESULT CALLBACK TApplication::AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!app) return DefWindowProcW(hwnd, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  try {
    app->WndProc(message);
  } catch (...) {
    app->HandleException(app);
  }
  return message.Result;
}

void TApplication::WndProc(TMessage& message)
{
  switch (message.Msg) {
    case WM_TIMER:
      if (message.WParam == HintTimerId) HintTimerExpired();
      return;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_SYSCOMMAND:
      switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return;
        case SC_RESTORE: Restore(); return;
        default: break;
      }
      break;
    case WM_ACTIVATEAPP:
      FActive = message.WParam != 0;
      if (FActive && OnActivate) OnActivate(this);
      if (!FActive && OnDeactivate) OnDeactivate(this);
      break;
    default: break;
  }
  message.Result = DefWindowProcW(FHandle, message.Msg, message.WParam, message.LParam);
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMouseControl) FMouseControl = nullptr;
  if (component == FHintControl) {
    FHintControl = nullptr;
    CancelHint();
  }
  if (component == FMainForm) FMainForm = nullptr;
}

void TApplication::SetTitle(const AnsiString& value)
{
  FTitle = value;
  if (FHandle) SetWindowTextW(FHandle, Utf8ToUtf16(value.str()).c_str());
}

AnsiString TApplication::GetExeName() const
{
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return AnsiString(Utf16ToUtf8(path));
}

void TApplication::SetBiDiMode(TBiDiMode value)
{
  if (FBiDiMode == value) return;
  FBiDiMode = value;
  // Forms that take their reading order from the application follow it.
  if (!Screen) return;
  for (int i = 0; i < Screen->GetFormCount(); ++i) {
    TCustomForm* form = Screen->GetForms(i);
    if (form->GetParentBiDiMode()) {
      form->SetBiDiMode(value);
      form->SetParentBiDiMode(true);
    }
  }
}

void TApplication::SetShowHint(bool value)
{
  FShowHint = value;
  if (!value) CancelHint();
}

void TApplication::SetHint(const AnsiString& value)
{
  if (FHint == value) return;
  FHint = value;
  if (OnHint) OnHint(this);
}

// ===================================================================================================
// Start and end
void TApplication::Initialize()
{
  if (FInitialized) return;
  FInitialized = true;
  if (InitProc) InitProc();
}

void TApplication::CreateForm(TMetaClass* formClass, void* reference)
{
  CreateAppWindow();
  auto* form = dynamic_cast<TCustomForm*>(static_cast<TObject*>(formClass->CreateInstance(this)));
  if (!form) throw EInvalidOperation(Format("%s is not a form class", {formClass->ClassName()}));
  if (reference) *static_cast<TCustomForm**>(reference) = form;
  if (!FMainForm) {
    FMainForm = form;
    form->HandleNeeded();
  }
}

void TApplication::Run()
{
  CreateAppWindow();
  if (FMainForm && FShowMainForm) {
    ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    FMainForm->SetVisible(true);
  }
  try {
    do {
      try {
        HandleMessage();
      } catch (...) {
        HandleException(this);
      }
    } while (!FTerminated);
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
}

// The forms go on this thread, while the window system and COM are still there for them.
void TApplication::Finish()
{
  CancelHint();
  DestroyComponents();
  FMainForm = nullptr;
  if (FHintWindow) {
    delete FHintWindow;
    FHintWindow = nullptr;
  }
  if (FHandle) {
    DestroyWindow(FHandle);
    FHandle = nullptr;
  }
  if (InitDoneProc) {
    void (*done)() = InitDoneProc;
    InitDoneProc = nullptr;
    done();
  }
}

void TApplication::Terminate()
{
  if (FTerminated) return;
  FTerminated = true;
  PostQuitMessage(0);
}

void TApplication::Minimize()
{
  CreateAppWindow();
  if (IsIconic(FHandle)) return;
  // Owned windows (the forms) hide with their owner.
  for (int i = 0; Screen && i < Screen->GetFormCount(); ++i) {
    TCustomForm* form = Screen->GetForms(i);
    if (form->HandleAllocated() && IsWindowVisible(form->GetHandle())) ShowWindow(form->GetHandle(), SW_HIDE);
  }
  ShowWindow(FHandle, SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore()
{
  if (!FHandle || !IsIconic(FHandle)) return;
  ShowWindow(FHandle, SW_RESTORE);
  for (int i = 0; Screen && i < Screen->GetFormCount(); ++i) {
    TCustomForm* form = Screen->GetForms(i);
    if (form->GetShowing()) ShowWindow(form->GetHandle(), SW_SHOW);
  }
  if (FMainForm && FMainForm->GetShowing()) SetForegroundWindow(FMainForm->GetHandle());
  if (OnRestore) OnRestore(this);
}

void TApplication::BringToFront()
{
  if (FMainForm && FMainForm->HandleAllocated()) SetForegroundWindow(FMainForm->GetHandle());
}

// ===================================================================================================
// The message loop
void TApplication::ProcessMessages()
{
  MSG msg;
  while (ProcessMessage(msg)) {}
}

void TApplication::HandleMessage()
{
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

bool TApplication::ProcessMessage(MSG& msg)
{
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  if (IsHintMsg(msg) || IsKeyMsg(msg)) return true;
  TranslateMessage(&msg);
  const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
  vcl_detail::KeyMessagePreprocessed = key;
  struct Reset {
    ~Reset() { vcl_detail::KeyMessagePreprocessed = false; }
  } reset;
  DispatchMessageW(&msg);
  if (msg.message == WM_MOUSEMOVE) DoMouseIdle();
  return true;
}

// Keys go first to the focused control as CN_ messages, so that it can take the dialog keys (Tab,
// Enter, Escape) before the platform does.
bool TApplication::IsKeyMsg(MSG& msg)
{
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND target = ::GetCapture() ? ::GetCapture() : msg.hwnd;
  TWinControl* control = FindControl(target);
  if (!control) {
    // A window of another kind inside one of ours (a video window): its nearest control answers.
    for (HWND h = target; h && !control; h = ::GetParent(h)) control = FindControl(h);
    if (!control) return false;
  }
  return SendMessageW(control->GetHandle(), CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::IsHintMsg(MSG& msg)
{
  if (FHintActive) {
    switch (msg.message) {
      case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
      case WM_NCLBUTTONDOWN: case WM_ACTIVATE: case WM_ACTIVATEAPP:
        CancelHint();
        break;
      default: break;
    }
  }
  return false;
}

void TApplication::Idle(const MSG&)
{
  DoMouseIdle();
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done && Screen) {
      for (int i = 0; i < Screen->GetFormCount(); ++i) Screen->GetForms(i)->UpdateActions();
    }
  } catch (...) {
    HandleException(this);
  }
  if (done && !FTerminated) WaitMessage();
}

// The control under the mouse hears CM_MOUSEENTER and CM_MOUSELEAVE; a new control under the mouse
// restarts the hint.
void TApplication::DoMouseIdle()
{
  POINT p{};
  ::GetCursorPos(&p);
  TControl* target = FindDragTarget(TPoint(p), true);
  if (TControl* capture = GetCaptureControl()) {
    // While a control holds the mouse, only it may be under it.
    if (target != capture) target = nullptr;
  }
  if (target == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = target;
  if (old) {
    old->RemoveFreeNotification(this);
    old->Perform(CM_MOUSELEAVE, 0, LPARAM(old));
  }
  if (target) {
    target->FreeNotification(this);
    target->Perform(CM_MOUSEENTER, 0, LPARAM(target));
  }
  CancelHint();
  TControl* hinted = target;
  while (hinted && hinted->GetHint().IsEmpty() && hinted->GetParent()) hinted = hinted->GetParent();
  if (FShowHint && hinted && hinted->GetShowHint() && !GetShortHint(hinted->GetHint()).IsEmpty()) {
    FHintControl = hinted;
    FHintControl->FreeNotification(this);
    CreateAppWindow();
    FHintTimer = SetTimer(FHandle, HintTimerId, UINT(std::max(FHintPause, 1)), nullptr);
  }
  SetHint(hinted ? GetLongHint(hinted->GetHint()) : AnsiString());
}

void TApplication::HintTimerExpired()
{
  KillTimer(FHandle, HintTimerId);
  FHintTimer = 0;
  if (FHintActive) {
    // The hide pause is over.
    HideHint();
    return;
  }
  POINT p{};
  ::GetCursorPos(&p);
  ActivateHint(TPoint(p));
}

void TApplication::ActivateHint(const TPoint& cursorPos)
{
  if (!FHintControl) return;
  THintInfo info;
  info.HintControl = FHintControl;
  info.HintStr = GetShortHint(FHintControl->GetHint());
  info.CursorPos = FHintControl->ScreenToClient(cursorPos);
  info.HintMaxWidth = Screen ? Screen->GetWidth() : 640;
  info.HintPos = TPoint(cursorPos.x, cursorPos.y + 20);
  info.HideTimeout = FHintHidePause;
  bool canShow = FHintControl->Perform(CM_HINTSHOW, 0, LPARAM(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.IsEmpty()) return;
  if (!FHintWindow) FHintWindow = new THintWindow(nullptr);
  FHintWindow->SetColor(info.HintColor);
  TRect r = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr);
  r = TRect(info.HintPos.x, info.HintPos.y, info.HintPos.x + r.Width(), info.HintPos.y + r.Height());
  FHintWindow->ActivateHint(r, info.HintStr);
  FHintActive = true;
  if (info.HideTimeout > 0) FHintTimer = SetTimer(FHandle, HintTimerId, UINT(info.HideTimeout), nullptr);
}

void TApplication::HideHint()
{
  FHintActive = false;
  if (FHintWindow && FHintWindow->HandleAllocated()) ShowWindow(FHintWindow->GetHandle(), SW_HIDE);
}

void TApplication::CancelHint()
{
  if (FHintTimer && FHandle) KillTimer(FHandle, HintTimerId);
  FHintTimer = 0;
  HideHint();
  if (FHintControl) FHintControl->RemoveFreeNotification(this);
  FHintControl = nullptr;
}

// ===================================================================================================
// Exceptions and message boxes
void TApplication::HandleException(TObject* sender)
{
  // Called while an exception is being handled: take it up again to see what it is.
  if (!std::current_exception()) return;
  try {
    throw;
  } catch (EAbort&) {
  } catch (Exception& e) {
    if (OnException) OnException(sender, &e);
    else ShowException(&e);
  } catch (const std::exception& e) {
    Exception wrapped(e.what());
    if (OnException) OnException(sender, &wrapped);
    else ShowException(&wrapped);
  } catch (...) {
    Exception unknown("Unknown exception");
    if (OnException) OnException(sender, &unknown);
    else ShowException(&unknown);
  }
}

void TApplication::ShowException(Exception* e)
{
  AnsiString text = e->Message;
  // As the VCL shows it: a sentence ends with a full stop.
  if (!text.IsEmpty() && static_cast<unsigned char>(text[text.Length()]) > '.') text += ".";
  MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, int flags)
{
  HWND owner = nullptr;
  if (!(flags & MB_TASKMODAL)) {
    owner = GetActiveWindow();
    if (!owner && FMainForm && FMainForm->HandleAllocated()) owner = FMainForm->GetHandle();
  }
  const std::wstring wideText = Utf8ToUtf16(text.str());
  const std::wstring wideCaption = Utf8ToUtf16(caption.str());
  const bool rtl = FBiDiMode != bdLeftToRight;
  return ::MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), UINT(flags) | (rtl ? MB_RTLREADING | MB_RIGHT : 0));
}

// ===================================================================================================
// THintWindow
THintWindow::THintWindow(TOwnerArg owner) : TCustomControl(owner)
{
  SetColor(clInfoBk);
  GetCanvas()->GetFont()->Assign(Screen ? Screen->GetHintFont() : GetFont());
  SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& params)
{
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_BORDER;
  params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  params.WndParent = Application ? Application->GetHandle() : nullptr;
  params.WindowClass.style |= CS_SAVEBITS;
}

TRect THintWindow::CalcHintRect(int maxWidth, const AnsiString& hint)
{
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetCanvas()->GetFont()->GetHandle());
  RECT r{0, 0, maxWidth, 0};
  const std::wstring text = Utf8ToUtf16(hint.str());
  DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return TRect(0, 0, r.right + 8, r.bottom + 4);
}

void THintWindow::ActivateHint(TRect rect, const AnsiString& hint)
{
  SetCaption(hint);
  // Keep the box on the screen.
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (rect.Right > sw) rect = TRect(sw - rect.Width(), rect.Top, sw, rect.Bottom);
  if (rect.Bottom > sh) rect = TRect(rect.Left, sh - rect.Height(), rect.Right, sh);
  SetBoundsRect(rect);
  SetWindowPos(GetHandle(), HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::Paint()
{
  TCanvas* canvas = GetCanvas();
  canvas->GetBrush()->SetColor(GetColor());
  const TRect r = GetClientRect();
  canvas->FillRect(r);
  RECT text{r.Left + 3, r.Top + 1, r.Right - 2, r.Bottom};
  SetBkMode(canvas->GetHandle(), TRANSPARENT);
  SetTextColor(canvas->GetHandle(), ColorToRGB(clInfoText));
  const std::wstring wide = Utf8ToUtf16(GetCaption().str());
  DrawTextW(canvas->GetHandle(), wide.c_str(), int(wide.size()), &text,
            DrawTextBiDiModeFlags(DT_LEFT | DT_WORDBREAK | DT_NOPREFIX));
}

void THintWindow::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (message.Msg == WM_NCHITTEST) {
    message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(raw);
}
