#include "Dshowplayer.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "ComObj.h"
#include "ControlsPublish.h"
#include "Forms.h"
#include "Messages.h"
#include "Trace.h"

namespace {

constexpr UINT WM_GRAPHNOTIFY = WM_APP + 1;
constexpr UINT WM_CARRYOUTSEEK = WM_APP + 2;
constexpr UINT_PTR kPositionTimer = 1;
constexpr UINT kPositionInterval = 250;  // ms
constexpr LONGLONG kUnitsPerSecond = 10000000;

TUnitInit DshowplayerUnitInit("Dshowplayer");

// True when some pin of the filter is connected.
bool IsConnected(IBaseFilter* filter)
{
  DelphiInterface<IEnumPins> pins;
  if (!filter || FAILED(filter->EnumPins(&pins)) || !pins) return false;
  for (;;) {
    DelphiInterface<IPin> pin;
    if (pins->Next(1, &pin, nullptr) != S_OK || !pin) return false;
    DelphiInterface<IPin> other;
    if (SUCCEEDED(pin->ConnectedTo(&other)) && other) return true;
  }
}

}  // namespace

// The panel's shared groups, less the font and pop-up menu a video has no use for.
VCL_PUBLISHED(TQelCustomDShowPlayer)
{
  using namespace vcl_detail;
  using T = TQelCustomDShowPlayer;
  PublishAlign(p);
  PublishBevels(p);
  PublishLook(p, false, WithFont::No);
  PublishState(p, WithPopupMenu::No);
  PublishTabs(p, true);
  p.Property("Loop", &T::GetLoop, &T::SetLoop).Default(false);
  p.Property("FileName", &T::GetFileName, &T::SetFileName);
  PublishMouseEvents(p);
  PublishFocusEvents(p);
  p.Property("OnResize", &T::OnResize, &T::OnResize);
  p.Property("OnPositionChange", &T::OnPositionChange, &T::OnPositionChange);
}

TQelCustomDShowPlayer::TQelCustomDShowPlayer(TOwnerArg owner) : TCustomPanel(owner)
{
  SetColor(clBlack);
  SetParentColor(false);
  SetTabStop(true);
  SetCaption("");
  FNotifyWindow = AllocateHWnd([this](TMessage& message) { NotifyWndProc(message); });
}

TQelCustomDShowPlayer::~TQelCustomDShowPlayer()
{
  ReleaseGraph();
  if (FNotifyWindow) DeallocateHWnd(FNotifyWindow);
}

// ---- opening and closing ----------------------------------------------------------------------------

DelphiInterface<IGraphBuilder> TQelCustomDShowPlayer::CreateGraph()
{
  DelphiInterface<IGraphBuilder> graph;
  OleCheck(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            reinterpret_cast<void**>(&graph)));
  return graph;
}

bool TQelCustomDShowPlayer::Render(const AnsiString& fileName)
{
  const WideString name(fileName);
  OleCheck(FGraphBuilder->RenderFile(name.c_bstr(), nullptr));
  return true;
}

void TQelCustomDShowPlayer::Open() { Open(FFileName); }

void TQelCustomDShowPlayer::Open(const AnsiString& fileName)
{
  Close();
  FFileName = fileName;
  try {
    FGraphBuilder = CreateGraph();
    if (!FGraphBuilder) OleCheck(E_NOINTERFACE);
    // The platform's GDI renderer first: the graph then uses it for the picture, and it draws inside
    // the control where the mixing renderers do not under Wine.
    if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   reinterpret_cast<void**>(&FVideoRenderer))) &&
        FAILED(FGraphBuilder->AddFilter(FVideoRenderer, L"Video Renderer")))
      FVideoRenderer.Release();
    OSTREL_TRACE(graph, "rendering %s", fileName.c_str());
    if (!Render(fileName)) OleCheck(VFW_E_CANNOT_RENDER);
    // A file without a picture leaves the renderer unconnected: out it goes, so that no empty
    // window ever shows.
    if (FVideoRenderer && !IsConnected(FVideoRenderer)) {
      OSTREL_TRACE(graph, "no picture: the video renderer leaves the graph");
      FGraphBuilder->RemoveFilter(FVideoRenderer);
    }
    FVideoRenderer.Release();

    FMediaControl = FGraphBuilder.Supports<IMediaControl>(IID_IMediaControl);
    FMediaEvent = FGraphBuilder.Supports<IMediaEventEx>(IID_IMediaEventEx);
    FMediaSeeking = FGraphBuilder.Supports<IMediaSeeking>(IID_IMediaSeeking);
    FVideoWindow = FGraphBuilder.Supports<IVideoWindow>(IID_IVideoWindow);
    FBasicVideo = FGraphBuilder.Supports<IBasicVideo>(IID_IBasicVideo);
    FBasicAudio = FGraphBuilder.Supports<IBasicAudio>(IID_IBasicAudio);
    FMediaPosition = FGraphBuilder.Supports<IMediaPosition>(IID_IMediaPosition);
    if (!FMediaControl || !FMediaEvent || !FMediaSeeking) OleCheck(E_NOINTERFACE);

    UseSystemClock();
    OleCheck(FMediaEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(FNotifyWindow), WM_GRAPHNOTIFY, 0));
    FMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    PrepareVideo();
    ApplyVolume();
  } catch (const std::exception& e) {
    OSTREL_TRACE(graph, "%s cannot be opened: %s", fileName.c_str(), e.what());
    ReleaseGraph();
    throw;
  } catch (...) {
    ReleaseGraph();
    throw;
  }
}

void TQelCustomDShowPlayer::Close() { ReleaseGraph(); }

// The graph would take the audio renderer as its clock. Under Wine a graph with sound and picture
// that has run on that clock leaves one thread behind for good when it is released; on the system's
// clock it leaves nothing, and the audio renderer follows that clock as it does any other.
void TQelCustomDShowPlayer::UseSystemClock()
{
  DelphiInterface<IMediaFilter> filter = FGraphBuilder.Supports<IMediaFilter>(IID_IMediaFilter);
  DelphiInterface<IReferenceClock> clock;
  if (!filter || FAILED(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                                         reinterpret_cast<void**>(&clock))))
    return;
  filter->SetSyncSource(clock);
}

void TQelCustomDShowPlayer::ReleaseGraph()
{
  if (GetFullScreen()) SetFullScreen(false);
  FSeekPending = false;
  if (FTimerRunning && FNotifyWindow) KillTimer(FNotifyWindow, kPositionTimer);
  FTimerRunning = false;
  if (!FGraphBuilder) return;
  GraphReleasing();
  if (FMediaControl) FMediaControl->Stop();
  if (FMediaEvent) FMediaEvent->SetNotifyWindow(0, 0, 0);
  if (FVideoWindow) {
    // The video window goes with the renderer; it must not outlive it as a child of the control.
    FVideoWindow->put_Visible(OAFALSE);
    FVideoWindow->put_MessageDrain(0);
    FVideoWindow->put_Owner(0);
  }
  FMediaPosition.Release();
  FBasicAudio.Release();
  FBasicVideo.Release();
  FVideoWindow.Release();
  FMediaSeeking.Release();
  FMediaEvent.Release();
  FMediaControl.Release();
  FVideoRenderer.Release();
  FGraphBuilder.Release();
  // Events the graph had posted before it went are now meaningless.
  if (FNotifyWindow) {
    MSG pending;
    while (PeekMessageW(&pending, FNotifyWindow, WM_GRAPHNOTIFY, WM_CARRYOUTSEEK, PM_REMOVE)) {
    }
  }
}

// ---- video -----------------------------------------------------------------------------------------

void TQelCustomDShowPlayer::PrepareVideo()
{
  long width = 0, height = 0;
  if (!FVideoWindow || !FBasicVideo || FAILED(FBasicVideo->GetVideoSize(&width, &height)) || width <= 0 ||
      height <= 0) {
    FVideoWindow.Release();
    FBasicVideo.Release();
    return;
  }
  const OAHWND control = reinterpret_cast<OAHWND>(GetHandle());
  FVideoWindow->put_Owner(control);
  FVideoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  // Mouse and keys that reach the video's window come to the control.
  FVideoWindow->put_MessageDrain(control);
  PlaceVideo();
}

void TQelCustomDShowPlayer::PlaceVideo()
{
  if (!FVideoWindow) return;
  RECT area{};
  if (FFullScreenWindow) {
    // The whole picture, as large as the screen allows with its proportions kept.
    ::GetClientRect(FFullScreenWindow, &area);
    long width = area.right, height = area.bottom, nativeWidth = 0, nativeHeight = 0;
    if (FBasicVideo && SUCCEEDED(FBasicVideo->GetVideoSize(&nativeWidth, &nativeHeight)) && nativeWidth > 0 &&
        nativeHeight > 0) {
      if (static_cast<LONGLONG>(area.right) * nativeHeight > static_cast<LONGLONG>(area.bottom) * nativeWidth)
        width = MulDiv(area.bottom, nativeWidth, nativeHeight);
      else
        height = MulDiv(area.right, nativeHeight, nativeWidth);
    }
    FVideoWindow->SetWindowPosition((area.right - width) / 2, (area.bottom - height) / 2, width, height);
    return;
  }
  if (!HandleAllocated()) return;
  ::GetClientRect(GetHandle(), &area);
  const int clientWidth = area.right - area.left, clientHeight = area.bottom - area.top;
  const int width = FVideoWidth > 0 ? FVideoWidth : clientWidth;
  const int height = FVideoHeight > 0 ? FVideoHeight : clientHeight;
  FVideoWindow->SetWindowPosition((clientWidth - width) / 2, (clientHeight - height) / 2, width, height);
}

void TQelCustomDShowPlayer::SetVideoSize(int width, int height)
{
  FVideoWidth = std::max(width, 0);
  FVideoHeight = std::max(height, 0);
  if (!FFullScreenWindow) PlaceVideo();
}

void TQelCustomDShowPlayer::Resize()
{
  inherited::Resize();
  if (!FFullScreenWindow) PlaceVideo();
}

void TQelCustomDShowPlayer::SetFullScreen(bool value)
{
  if (value == GetFullScreen()) return;
  if (value) {
    if (!FVideoWindow || !HandleAllocated()) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(GetHandle(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& r = monitor.rcMonitor;
    // A utility window of the runtime, made into a black popup over the whole monitor, owned by the
    // control's form. It never takes the activation: the keys stay with the control, which keeps the
    // focus under it, however late the platform settles a change of the active window.
    auto handle = std::make_shared<HWND>(nullptr);
    HWND window = AllocateHWnd([this, handle](TMessage& message) { FullScreenMessage(*handle, message); });
    *handle = window;
    SetWindowLongPtrW(window, GWL_STYLE, WS_POPUP | WS_CLIPCHILDREN);
    SetWindowLongPtrW(window, GWL_EXSTYLE, WS_EX_NOACTIVATE);
    SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(GetAncestor(GetHandle(), GA_ROOT)));
    SetWindowPos(window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOACTIVATE | SWP_FRAMECHANGED);
    FFullScreenWindow = window;
    FVideoWindow->put_Owner(reinterpret_cast<OAHWND>(window));
    PlaceVideo();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    if (CanFocus()) SetFocus();
  } else {
    HWND window = FFullScreenWindow;
    FFullScreenWindow = nullptr;
    if (FVideoWindow && HandleAllocated()) {
      FVideoWindow->put_Owner(reinterpret_cast<OAHWND>(GetHandle()));
      PlaceVideo();
    }
    DeallocateHWnd(window);
    if (CanFocus()) SetFocus();
  }
}

// The full-screen window: keys and clicks go to the control as if it had the focus.
void TQelCustomDShowPlayer::FullScreenMessage(HWND window, TMessage& message)
{
  switch (message.Msg) {
    case WM_KEYDOWN: case WM_KEYUP: case WM_SYSKEYDOWN: case WM_SYSKEYUP: case WM_CHAR:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
      if (HandleAllocated()) {
        message.Result = SendMessageW(GetHandle(), message.Msg, message.WParam, message.LParam);
        return;
      }
      break;
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    case WM_SETFOCUS:
      // Should the platform hand this window the focus after all, the keys go back to the control.
      if (window == FFullScreenWindow && CanFocus()) SetFocus();
      return;
    case WM_ERASEBKGND: {
      RECT area{};
      ::GetClientRect(window, &area);
      FillRect(reinterpret_cast<HDC>(message.WParam), &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      message.Result = 1;
      return;
    }
    case WM_SETCURSOR:
      if (LOWORD(message.LParam) == HTCLIENT) {
        ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        message.Result = TRUE;
        return;
      }
      break;
    case WM_CLOSE:
      if (window == FFullScreenWindow) SetFullScreen(false);
      return;
    default: break;
  }
  message.Result = DefWindowProcW(window, message.Msg, message.WParam, message.LParam);
}

bool TQelCustomDShowPlayer::GetNativeVideoSize(int& width, int& height)
{
  long w = 0, h = 0;
  if (!FBasicVideo || FAILED(FBasicVideo->GetVideoSize(&w, &h)) || w <= 0 || h <= 0) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

// ---- transport ---------------------------------------------------------------------------------------

void TQelCustomDShowPlayer::Play()
{
  if (!FMediaControl) return;
  CarryOutSeek();
  OleCheck(FMediaControl->Run());
  UpdateTimer();
}

void TQelCustomDShowPlayer::Pause()
{
  if (!FMediaControl) return;
  CarryOutSeek();
  OleCheck(FMediaControl->Pause());
  UpdateTimer();
  PositionChanged();
}

void TQelCustomDShowPlayer::Stop()
{
  if (!FMediaControl) return;
  FSeekPending = false;
  OleCheck(FMediaControl->Stop());
  LONGLONG start = 0;
  FMediaSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  UpdateTimer();
  PositionChanged();
}

unsigned char TQelCustomDShowPlayer::GetState()
{
  if (!FMediaControl) return NoMedia;
  OAFilterState state = State_Stopped;
  // Right after Run or Pause the graph may still be on its way: its target state is the answer.
  if (FAILED(FMediaControl->GetState(0, &state))) return NoMedia;
  switch (state) {
    case State_Stopped: return 0;
    case State_Paused: return 1;
    case State_Running: return 2;
    default: return NoMedia;
  }
}

int TQelCustomDShowPlayer::GetDuration()
{
  LONGLONG duration = 0;
  if (!FMediaSeeking || FAILED(FMediaSeeking->GetDuration(&duration)) || duration <= 0) return 0;
  return static_cast<int>(std::min<LONGLONG>((duration + kUnitsPerSecond / 2) / kUnitsPerSecond, INT_MAX));
}

int TQelCustomDShowPlayer::GetPosition()
{
  if (!FMediaSeeking) return 0;
  LONGLONG position = 0;
  if (FSeekPending)
    position = FSeekTarget;
  else if (FAILED(FMediaSeeking->GetCurrentPosition(&position)))
    return 0;
  // At the end the position reads as the duration, whatever fraction of a second that rounded off.
  LONGLONG duration = 0;
  if (SUCCEEDED(FMediaSeeking->GetDuration(&duration)) && duration > 0 && position >= duration) return GetDuration();
  return static_cast<int>(std::clamp<LONGLONG>(position / kUnitsPerSecond, 0, INT_MAX));
}

void TQelCustomDShowPlayer::SetPosition(int seconds)
{
  if (!FMediaSeeking) return;
  LONGLONG target = static_cast<LONGLONG>(std::max(seconds, 0)) * kUnitsPerSecond;
  LONGLONG duration = 0;
  if (SUCCEEDED(FMediaSeeking->GetDuration(&duration)) && duration > 0) target = std::min(target, duration);
  FSeekTarget = target;
  if (FSeekPending) return;  // the seek already asked for takes the newest target
  FSeekPending = true;
  PostMessageW(FNotifyWindow, WM_CARRYOUTSEEK, 0, 0);
}

void TQelCustomDShowPlayer::Seek(LONGLONG target)
{
  const unsigned char state = GetState();
  // Stop, move, and back: seeking a running or paused graph with sound can hang Wine's graph.
  OSTREL_TRACE(graph, "seek to %lld (state %u): stop, move, back", static_cast<long long>(target), state);
  FMediaControl->Stop();
  FMediaSeeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  if (state == 1)
    FMediaControl->Pause();
  else if (state == 2)
    FMediaControl->Run();
}

void TQelCustomDShowPlayer::CarryOutSeek()
{
  if (!FSeekPending || !FMediaControl) return;
  FSeekPending = false;
  Seek(FSeekTarget);
  UpdateTimer();
  PositionChanged();
}

// ---- sound -------------------------------------------------------------------------------------------

long TQelCustomDShowPlayer::VolumeToDecibels(int volume)
{
  if (volume <= 0) return -10000;
  if (volume >= 100) return 0;
  // Loudness as heard halves with every 10 dB: 50 is -10 dB, 25 is -20 dB, 1 is about -66 dB.
  const double decibels = 10.0 * std::log2(volume / 100.0);
  return std::max(-10000L, static_cast<long>(std::lround(decibels * 100.0)));
}

void TQelCustomDShowPlayer::SetVolume(int value)
{
  FVolume = std::clamp(value, 0, 100);
  ApplyVolume();
}

void TQelCustomDShowPlayer::SetMute(bool value)
{
  FMute = value;
  ApplyVolume();
}

void TQelCustomDShowPlayer::ApplyVolume()
{
  if (!FBasicAudio) return;
  // A file without sound refuses; nothing to do then.
  FBasicAudio->put_Volume(FMute ? -10000 : VolumeToDecibels(FVolume));
}

// ---- events ------------------------------------------------------------------------------------------

void TQelCustomDShowPlayer::PositionChanged()
{
  if (OnPositionChange) OnPositionChange(this);
}

void TQelCustomDShowPlayer::UpdateTimer()
{
  const bool playing = GetState() == 2;
  if (playing == FTimerRunning || !FNotifyWindow) return;
  if (playing)
    SetTimer(FNotifyWindow, kPositionTimer, kPositionInterval, nullptr);
  else
    KillTimer(FNotifyWindow, kPositionTimer);
  FTimerRunning = playing;
}

void TQelCustomDShowPlayer::GraphEvents()
{
  bool complete = false;
  for (;;) {
    // The graph may go while a handler below runs: check it on every turn.
    if (!FMediaEvent) return;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    if (FMediaEvent->GetEvent(&code, &first, &second, 0) != S_OK) break;
    FMediaEvent->FreeEventParams(code, first, second);
    OSTREL_TRACE(graph, "event 0x%lx", code);
    if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) complete = true;
  }
  if (!complete || !FMediaControl) return;
  LONGLONG start = 0;
  FMediaControl->Stop();
  FMediaSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  if (FLoop) FMediaControl->Run();
  UpdateTimer();
  PositionChanged();
}

void TQelCustomDShowPlayer::NotifyWndProc(TMessage& message)
{
  switch (message.Msg) {
    case WM_GRAPHNOTIFY: GraphEvents(); return;
    case WM_CARRYOUTSEEK: CarryOutSeek(); return;
    case WM_TIMER:
      if (message.WParam == kPositionTimer) {
        UpdateTimer();
        if (FTimerRunning) PositionChanged();
        return;
      }
      break;
    default: break;
  }
  message.Result = DefWindowProcW(FNotifyWindow, message.Msg, message.WParam, message.LParam);
}

// ---- the control ---------------------------------------------------------------------------------------

void TQelCustomDShowPlayer::Loaded()
{
  inherited::Loaded();
  SetCaption("");
}

void TQelCustomDShowPlayer::CreateWnd()
{
  inherited::CreateWnd();
  // The control takes the keys of its form from the moment the form shows.
  if (TCustomForm* form = GetParentForm(this))
    if (!form->GetActiveControl() && !GetComponentState().Contains(csDesigning)) form->SetActiveControl(this);
  if (FVideoWindow) {
    FVideoWindow->put_Owner(reinterpret_cast<OAHWND>(GetHandle()));
    FVideoWindow->put_MessageDrain(reinterpret_cast<OAHWND>(GetHandle()));
    PlaceVideo();
  }
}

void TQelCustomDShowPlayer::Dispatch(void* message)
{
  auto& msg = *static_cast<TMessage*>(message);
  switch (msg.Msg) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
      // A click on the picture or the panel gives the control the keys.
      if (CanFocus() && GetFocus() != GetHandle()) SetFocus();
      break;
    case WM_GETDLGCODE:
      // Arrow keys and the like reach OnKeyDown too.
      msg.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    default: break;
  }
  inherited::Dispatch(message);
}
