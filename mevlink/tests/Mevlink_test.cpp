// Mevlink.dll as its callers meet it: loaded at run time, its three cdecl exports found by their
// plain names, each forwarding to IMediaEventEx and answering with the interface's own HRESULT.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "ComTest.h"
#include "TestGraph.h"
#include "TestSupport.h"

namespace {

using SetNotifyWindowFn = HRESULT(__cdecl*)(IMediaEventEx*, OAHWND, long, LONG_PTR);
using SetNotifyFlagsFn = HRESULT(__cdecl*)(IMediaEventEx*, long);
using GetNotifyFlagsFn = HRESULT(__cdecl*)(IMediaEventEx*, long*);

template <class F> F Export(HMODULE module, const char* name)
{
  // Through a plain function pointer type: the cast between two function types is then deliberate.
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The library, loaded as any caller would: by file name, from the program's search path.
class Bridge {
public:
  Bridge() : module_(LoadLibraryW(L"Mevlink.dll"))
  {
    if (!module_) return;
    SetNotifyWindow = Export<SetNotifyWindowFn>(module_, "SetNotifyWindow");
    SetNotifyFlags = Export<SetNotifyFlagsFn>(module_, "SetNotifyFlags");
    GetNotifyFlags = Export<GetNotifyFlagsFn>(module_, "GetNotifyFlags");
  }
  ~Bridge()
  {
    if (module_) FreeLibrary(module_);
  }
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  HMODULE Module() const { return module_; }
  bool Complete() const { return SetNotifyWindow && SetNotifyFlags && GetNotifyFlags; }

  SetNotifyWindowFn SetNotifyWindow = nullptr;
  SetNotifyFlagsFn SetNotifyFlags = nullptr;
  GetNotifyFlagsFn GetNotifyFlags = nullptr;

private:
  HMODULE module_;
};

using ostrel::test::ComApartment;
using ostrel::test::ComPtr;

// ---------------------------------------------------------------------------------------------------
// An event interface that records what reaches it and answers with codes set by the test.

class RecordingEvents : public IMediaEventEx {
public:
  // IUnknown: lives on the test's stack.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override
  {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IMediaEvent || iid == IID_IMediaEventEx) {
      *out = static_cast<IMediaEventEx*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IDispatch and IMediaEvent: never called by the bridge.
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return Unexpected(); }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected(); }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return Unexpected(); }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
  {
    return Unexpected();
  }
  STDMETHODIMP GetEventHandle(OAEVENT*) override { return Unexpected(); }
  STDMETHODIMP GetEvent(long*, LONG_PTR*, LONG_PTR*, long) override { return Unexpected(); }
  STDMETHODIMP WaitForCompletion(long, long*) override { return Unexpected(); }
  STDMETHODIMP CancelDefaultHandling(long) override { return Unexpected(); }
  STDMETHODIMP RestoreDefaultHandling(long) override { return Unexpected(); }
  STDMETHODIMP FreeEventParams(long, LONG_PTR, LONG_PTR) override { return Unexpected(); }

  // IMediaEventEx
  STDMETHODIMP SetNotifyWindow(OAHWND window, long msg, LONG_PTR instanceData) override
  {
    Calls.push_back("SetNotifyWindow");
    Window = window;
    Msg = msg;
    InstanceData = instanceData;
    return Answer;
  }
  STDMETHODIMP SetNotifyFlags(long flags) override
  {
    Calls.push_back("SetNotifyFlags");
    Flags = flags;
    return Answer;
  }
  STDMETHODIMP GetNotifyFlags(long* flags) override
  {
    Calls.push_back("GetNotifyFlags");
    FlagsOut = flags;
    if (flags) *flags = Flags;
    return Answer;
  }

  HRESULT Answer = S_OK;
  std::vector<std::string> Calls;
  OAHWND Window = 0;
  long Msg = 0;
  LONG_PTR InstanceData = 0;
  long Flags = 0;
  long* FlagsOut = nullptr;

private:
  HRESULT Unexpected()
  {
    Calls.push_back("other");
    return E_UNEXPECTED;
  }
};

// ---------------------------------------------------------------------------------------------------
// A window of the test that takes the graph's notifications: on each one it drains the graph's queue
// with GetEvent, as a player's window does.

constexpr UINT WM_GRAPHNOTIFY = WM_APP + 17;
constexpr LONGLONG Second = 10000000;

struct Notifications {
  IMediaEventEx* Events = nullptr;
  int Messages = 0;             // notification messages received
  std::vector<long> Codes;      // events taken from the queue in the handler
  std::vector<LPARAM> LParams;  // the instance data each message carried
};

LRESULT CALLBACK NotifyWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg != WM_GRAPHNOTIFY) return DefWindowProcW(window, msg, wParam, lParam);
  auto* seen = reinterpret_cast<Notifications*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!seen || !seen->Events) return 0;
  ++seen->Messages;
  seen->LParams.push_back(lParam);
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (seen->Events->GetEvent(&code, &first, &second, 0) == S_OK) {
    seen->Events->FreeEventParams(code, first, second);
    seen->Codes.push_back(code);
  }
  return 0;
}

class NotifyWindow {
public:
  explicit NotifyWindow(Notifications* seen)
  {
    WNDCLASSW wc{};
    wc.lpfnWndProc = NotifyWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MevlinkTestNotify";
    RegisterClassW(&wc);
    // A message-only window: it takes posted messages and never shows.
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(seen));
  }
  ~NotifyWindow()
  {
    if (window_) DestroyWindow(window_);
  }
  NotifyWindow(const NotifyWindow&) = delete;
  NotifyWindow& operator=(const NotifyWindow&) = delete;
  HWND Handle() const { return window_; }

private:
  HWND window_ = nullptr;
};

// Pumps this thread's messages until done() holds or the time is up.
template <class F> bool PumpUntil(F done, DWORD milliseconds)
{
  const ULONGLONG until = GetTickCount64() + milliseconds;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (done()) return true;
    if (GetTickCount64() >= until) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

bool Contains(const std::vector<long>& codes, long code)
{
  for (long c : codes)
    if (c == code) return true;
  return false;
}

// The platform's graph for a short clip, with the renderers in place and the picture kept hidden.
struct LiveGraph {
  ComPtr<IGraphBuilder> Builder;
  ComPtr<IMediaControl> Control;
  ComPtr<IMediaEventEx> Events;
  ComPtr<IMediaSeeking> Seeking;
  ComPtr<IVideoWindow> Video;
  HRESULT Rendered = E_FAIL;

  explicit LiveGraph(const std::string& file)
  {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&Builder))))
      return;
    Builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&Control));
    Builder->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&Events));
    Builder->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&Seeking));
    if (FAILED(ostrel::test::AddRenderers(Builder.Get()))) return;
    Rendered = Builder->RenderFile(ostrel::test::Widen(file).c_str(), nullptr);
    // The renderer's own window must not show: this test takes no screen.
    if (SUCCEEDED(Builder->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&Video))))
      Video->put_AutoShow(OAFALSE);
  }
  ~LiveGraph()
  {
    if (Control) Control->Stop();
    if (Events) Events->SetNotifyWindow(0, 0, 0);
  }
  bool Ready() const { return Builder && Control && Events && Seeking && Rendered == S_OK; }

  // Stop, move, run: the one way of seeking that the graph survives with sound. Run may answer
  // S_FALSE while the graph is still on its way.
  HRESULT PlayFrom(LONGLONG position)
  {
    Control->Stop();
    HRESULT hr = Seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    if (FAILED(hr)) return hr;
    return Control->Run();
  }
  LONGLONG Duration()
  {
    LONGLONG duration = 0;
    Seeking->GetDuration(&duration);
    return duration;
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------------

TEST(MevlinkExports, AreFoundByTheirPlainNamesOnly)
{
  Bridge bridge;
  ASSERT_NE(bridge.Module(), nullptr) << "error " << GetLastError();
  EXPECT_NE(bridge.SetNotifyWindow, nullptr);
  EXPECT_NE(bridge.SetNotifyFlags, nullptr);
  EXPECT_NE(bridge.GetNotifyFlags, nullptr);
  // No decorated spelling is exported beside them.
  for (const char* decorated : {"_SetNotifyWindow", "_SetNotifyFlags", "_GetNotifyFlags", "SetNotifyWindow@16",
                                "_SetNotifyFlags@8"})
    EXPECT_EQ(GetProcAddress(bridge.Module(), decorated), nullptr) << decorated;
}

TEST(MevlinkExports, ForwardTheirArgumentsInOrderAndTheAnswerUnchanged)
{
  Bridge bridge;
  ASSERT_TRUE(bridge.Complete());
  RecordingEvents events;

  // Values that would show a swap or a truncation: the instance data fills a LONG_PTR.
  const OAHWND window = static_cast<OAHWND>(0x12345678);
  const LONG_PTR instanceData = static_cast<LONG_PTR>(~static_cast<ULONG_PTR>(0) / 3);
  events.Answer = static_cast<HRESULT>(0x8004F00D);
  EXPECT_EQ(bridge.SetNotifyWindow(&events, window, 0x8123, instanceData), static_cast<HRESULT>(0x8004F00D));
  EXPECT_EQ(events.Window, window);
  EXPECT_EQ(events.Msg, 0x8123);
  EXPECT_EQ(events.InstanceData, instanceData);

  events.Answer = S_FALSE;
  EXPECT_EQ(bridge.SetNotifyFlags(&events, 0x7FFF0003), S_FALSE);
  EXPECT_EQ(events.Flags, 0x7FFF0003);

  events.Answer = E_POINTER;
  long flags = 0;
  EXPECT_EQ(bridge.GetNotifyFlags(&events, &flags), E_POINTER);
  EXPECT_EQ(events.FlagsOut, &flags);
  EXPECT_EQ(flags, 0x7FFF0003);
  // Not tested by the bridge: a null out pointer reaches the interface as it is.
  EXPECT_EQ(bridge.GetNotifyFlags(&events, nullptr), E_POINTER);
  EXPECT_EQ(events.FlagsOut, nullptr);

  const std::vector<std::string> expected{"SetNotifyWindow", "SetNotifyFlags", "GetNotifyFlags", "GetNotifyFlags"};
  EXPECT_EQ(events.Calls, expected) << "each export makes exactly its own call";
}

TEST(MevlinkGraph, NotifyFlagsRoundTripAndErrorsAreTheGraphsOwn)
{
  ComApartment com(COINIT_APARTMENTTHREADED);
  Bridge bridge;
  ASSERT_TRUE(bridge.Complete());
  ComPtr<IMediaEventEx> events;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaEventEx,
                             reinterpret_cast<void**>(&events)),
            S_OK);

  long flags = -1;
  ASSERT_EQ(bridge.GetNotifyFlags(events.Get(), &flags), S_OK);
  EXPECT_EQ(flags, 0) << "a new graph notifies";

  ASSERT_EQ(bridge.SetNotifyFlags(events.Get(), AM_MEDIAEVENT_NONOTIFY), S_OK);
  flags = -1;
  ASSERT_EQ(bridge.GetNotifyFlags(events.Get(), &flags), S_OK);
  EXPECT_EQ(flags, AM_MEDIAEVENT_NONOTIFY);
  // The graph itself holds the setting, not the bridge.
  flags = -1;
  ASSERT_EQ(events->GetNotifyFlags(&flags), S_OK);
  EXPECT_EQ(flags, AM_MEDIAEVENT_NONOTIFY);

  ASSERT_EQ(bridge.SetNotifyFlags(events.Get(), 0), S_OK);
  flags = -1;
  ASSERT_EQ(bridge.GetNotifyFlags(events.Get(), &flags), S_OK);
  EXPECT_EQ(flags, 0);

  // A flag value the graph refuses: the bridge answers the graph's own failure, and changes nothing.
  const HRESULT direct = events->SetNotifyFlags(2);
  EXPECT_TRUE(FAILED(direct)) << std::hex << direct;
  EXPECT_EQ(bridge.SetNotifyFlags(events.Get(), 2), direct);
  flags = -1;
  ASSERT_EQ(bridge.GetNotifyFlags(events.Get(), &flags), S_OK);
  EXPECT_EQ(flags, 0);
  // The graph's answer to a missing out pointer passes through as well.
  EXPECT_EQ(bridge.GetNotifyFlags(events.Get(), nullptr), events->GetNotifyFlags(nullptr));
}

TEST(MevlinkGraph, CompletionIsPostedToTheWindowSetThroughTheBridge)
{
  ComApartment com(COINIT_APARTMENTTHREADED);
  Bridge bridge;
  ASSERT_TRUE(bridge.Complete());
  LiveGraph graph(ostrel::test::MediaPath("av10.mpg"));
  ASSERT_TRUE(graph.Ready()) << "render: " << std::hex << graph.Rendered;
  const LONGLONG duration = graph.Duration();
  ASSERT_GT(duration, 2 * Second);

  Notifications seen;
  seen.Events = graph.Events.Get();
  NotifyWindow window(&seen);
  ASSERT_NE(window.Handle(), nullptr);
  const LONG_PTR instanceData = 0x5EED;
  ASSERT_EQ(bridge.SetNotifyWindow(graph.Events.Get(), reinterpret_cast<OAHWND>(window.Handle()), WM_GRAPHNOTIFY,
                                   instanceData),
            S_OK);

  ASSERT_TRUE(SUCCEEDED(graph.PlayFrom(duration - Second)));
  EXPECT_TRUE(PumpUntil([&] { return Contains(seen.Codes, EC_COMPLETE); }, 20000))
      << "no EC_COMPLETE by message; " << seen.Messages << " messages";
  ASSERT_GT(seen.Messages, 0);
  for (LPARAM lParam : seen.LParams) EXPECT_EQ(lParam, instanceData);

  // With notification off the graph posts nothing for the next completion; back on, it posts again.
  ASSERT_EQ(bridge.SetNotifyFlags(graph.Events.Get(), AM_MEDIAEVENT_NONOTIFY), S_OK);
  seen.Codes.clear();
  const int before = seen.Messages;
  ASSERT_TRUE(SUCCEEDED(graph.PlayFrom(duration - Second)));
  // The run ends while nothing is posted: the graph's own state says so.
  EXPECT_TRUE(PumpUntil(
      [&] {
        LONGLONG now = 0;
        return SUCCEEDED(graph.Seeking->GetCurrentPosition(&now)) && now >= duration;
      },
      20000));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(seen.Messages, before) << "a message came with notification off";

  ASSERT_EQ(bridge.SetNotifyFlags(graph.Events.Get(), 0), S_OK);
  ASSERT_TRUE(SUCCEEDED(graph.PlayFrom(duration - Second)));
  EXPECT_TRUE(PumpUntil([&] { return Contains(seen.Codes, EC_COMPLETE); }, 20000))
      << "no EC_COMPLETE after notification came back on";
}
