// Renderers for test graphs, placed in the graph before anything is rendered.
#pragma once
#include <windows.h>
#include <dshow.h>

namespace ostrel::test {

// Adds the GDI video renderer and the DirectSound audio renderer to a graph, so that rendering connects
// to them and never has to look renderers up. Two reasons:
// - under Wine, the video mixing renderer that a lookup would pick draws nothing into an owner window;
// - Wine's device enumerator rewrites the audio renderer category in the prefix's registry whenever
//   it is listed, so a process that looks audio renderers up while another process of the same prefix
//   does the same may find the category half written and leave the audio stream unrendered
//   (VFW_S_PARTIAL_RENDER).
inline HRESULT AddRenderers(IGraphBuilder* graph)
{
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
