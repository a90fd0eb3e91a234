// Renderers for test graphs, placed in the graph before anything is rendered.
#pragma once
#include <windows.h>
#include <dshow.h>

namespace ostrel::test {

// Adds the GDI video renderer and the DirectSound audio renderer to a graph, so that rendering connects
// to them and never has to look renderers up, and puts the graph on the system's clock. Three reasons:
// - under Wine, the video mixing renderer that a lookup would pick draws nothing into an owner window;
// - Wine's device enumerator rewrites the audio renderer category in the prefix's registry whenever
//   it is listed, so a process that looks audio renderers up while another process of the same prefix
//   does the same may find the category half written and leave the audio stream unrendered
//   (VFW_S_PARTIAL_RENDER);
// - the graph would take the audio renderer as its clock, and a graph that has run on that clock
//   leaves a thread of Wine's behind for good when it is released (the player control takes the
//   system's clock for the same reason). A process that ends with that thread still running now and
//   then dies of SIGSEGV in Wine's exit, after all its tests have passed.
inline HRESULT AddRenderers(IGraphBuilder* graph)
{
  IMediaFilter* media = nullptr;
  IReferenceClock* clock = nullptr;
  HRESULT hr = graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&media));
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                          reinterpret_cast<void**>(&clock));
  if (SUCCEEDED(hr)) hr = media->SetSyncSource(clock);
  if (clock) clock->Release();
  if (media) media->Release();
  if (FAILED(hr)) return hr;

  struct Renderer {
    const CLSID* Clsid;
    const wchar_t* Name;
  };
  for (const Renderer& r : {Renderer{&CLSID_VideoRenderer, L"Video Renderer"}, Renderer{&CLSID_DSoundRender, L"Audio Renderer"}}) {
    IBaseFilter* filter = nullptr;
    HRESULT hr = CoCreateInstance(*r.Clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (FAILED(hr)) return hr;
    hr = graph->AddFilter(filter, r.Name);
    filter->Release();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace ostrel::test
