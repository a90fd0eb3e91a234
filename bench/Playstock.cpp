// The platform's stock playback, for the playback bench to measure ours against: a bare Win32 window,
// a filter graph with the GDI video renderer put in first, IGraphBuilder::RenderFile of the file and
// the renderer's window owned by ours. Nothing of the project is linked. Command line: Playbackchild.h.
#include <windows.h>
#include <dshow.h>

#include <cstdio>

#include "Playbackchild.h"

namespace {

template <class T> class Com {
public:
  Com() = default;
  ~Com()
  {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** operator&() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

private:
  T* p_ = nullptr;
};

struct ComApartment {
  HRESULT Result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~ComApartment()
  {
    if (SUCCEEDED(Result)) CoUninitialize();
  }
};

class Window {
public:
  Window()
  {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"OstrelStockPlayback";
    RegisterClassW(&wc);
    RECT r{0, 0, 352, 288};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    handle_ = CreateWindowExW(0, wc.lpszClassName, L"Stock playback", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~Window()
  {
    if (handle_) DestroyWindow(handle_);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND Handle() const { return handle_; }

private:
  HWND handle_ = nullptr;
};

void Dispatch()
{
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int Fail(const char* what, HRESULT hr)
{
  std::fprintf(stderr, "playstock: %s failed: 0x%08lx\n", what, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
  playback::Command command;
  if (!command.Parse(argc, argv)) {
    std::fputs("usage: playstock cpu FILE SECONDS | playstock first-frame FILE EVENT\n", stderr);
    return 2;
  }
  ComApartment com;
  Window window;
  if (!window.Handle()) return Fail("CreateWindow", HRESULT_FROM_WIN32(GetLastError()));
  ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
  UpdateWindow(window.Handle());

  Com<IGraphBuilder> graph;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&graph));
  if (FAILED(hr)) return Fail("CoCreateInstance(FilterGraph)", hr);
  {
    Com<IBaseFilter> renderer;
    hr = CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(&renderer));
    if (FAILED(hr)) return Fail("CoCreateInstance(VideoRenderer)", hr);
    hr = graph->AddFilter(renderer.Get(), L"Video Renderer");
    if (FAILED(hr)) return Fail("AddFilter", hr);
  }
  hr = graph->RenderFile(command.File.c_str(), nullptr);
  if (FAILED(hr)) return Fail("RenderFile", hr);

  Com<IMediaControl> control;
  Com<IMediaSeeking> seeking;
  Com<IVideoWindow> video;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
  graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&video));
  if (!control || !seeking || !video) return Fail("QueryInterface", E_NOINTERFACE);
  RECT client;
  GetClientRect(window.Handle(), &client);
  video->put_Owner(reinterpret_cast<OAHWND>(window.Handle()));
  video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  video->SetWindowPosition(0, 0, client.right, client.bottom);

  int result = 0;
  hr = control->Run();
  if (FAILED(hr)) return Fail("Run", hr);
  if (command.What == playback::Command::FirstFrame) {
    const double until = playback::Seconds() + playback::FirstFrameTimeoutMs / 1000.0;
    bool shown = false;
    while (!(shown = playback::ShowsPicture(window.Handle())) && playback::Seconds() < until)
      playback::PumpOnce(Dispatch, 2);
    if (!shown || !playback::SignalFirstFrame(command.Event)) result = Fail("waiting for the first frame", E_FAIL);
  } else {
    // Measured from the moment the graph runs.
    OAFilterState state = State_Stopped;
    control->GetState(5000, &state);
    const double cpu0 = playback::CpuSeconds(), start = playback::Seconds();
    while (playback::Seconds() - start < command.PlaySeconds) playback::PumpOnce(Dispatch, 10);
    const double cpu = playback::CpuSeconds() - cpu0, played = playback::Seconds() - start;
    LONGLONG position = 0;
    seeking->GetCurrentPosition(&position);
    playback::ReportCpu(cpu, played, static_cast<double>(position) / playback::UnitsPerSecond);
  }
  control->Stop();
  video->put_Visible(OAFALSE);
  video->put_Owner(0);
  return result;
}
