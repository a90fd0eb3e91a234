// The base classes under the platform's own filter graph manager: a small pull-model source that
// serves a file from memory through IAsyncReader, rendered, run and released.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "TestGraph.h"
#include "TestSupport.h"
#include "VidkitTestSupport.h"

using namespace vidkit_test;

namespace {

const LONGLONG Units = 10000000;  // byte positions travel in sample times as position x 10^7

class TMemorySource;

// IAsyncReader over a byte vector; asynchronous requests are served at once and queued for
// WaitForNext. Only what a pull client needs, to prove the base classes in a real graph.
class TMemoryPin : public IAsyncReader, public CBasePin {
public:
  TMemoryPin(TMemorySource* filter, CCritSec* lock, const std::vector<BYTE>& data);

  DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override
  {
    if (!ppv) return E_POINTER;
    if (riid == IID_IAsyncReader) {
      FReaderQueried = true;
      return GetInterface(static_cast<IAsyncReader*>(this), ppv);
    }
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
  }

  HRESULT CheckMediaType(const CMediaType* type) override
  {
    if (*type->Type() != MEDIATYPE_Stream) return S_FALSE;
    return *type->Subtype() == MEDIASUBTYPE_MPEG1System || *type->Subtype() == GUID_NULL ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override
  {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    type->InitMediaType();
    type->SetType(&MEDIATYPE_Stream);
    type->SetSubtype(&MEDIASUBTYPE_MPEG1System);
    return S_OK;
  }
  HRESULT CheckConnect(IPin* pin) override
  {
    FReaderQueried = false;
    return CBasePin::CheckConnect(pin);
  }
  HRESULT CompleteConnect(IPin* pin) override
  {
    return FReaderQueried ? CBasePin::CompleteConnect(pin) : VFW_E_NO_TRANSPORT;
  }

  HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                             IMemAllocator** actual) override
  {
    ALLOCATOR_PROPERTIES granted{};
    if (props->cbAlign == 0) props->cbAlign = 1;
    if (preferred && SUCCEEDED(preferred->SetProperties(props, &granted))) {
      preferred->AddRef();
      *actual = preferred;
      return S_OK;
    }
    HRESULT hr = S_OK;
    auto* allocator = new (std::nothrow) CMemAllocator(nullptr, nullptr, &hr);
    if (!allocator) return E_OUTOFMEMORY;
    IMemAllocator* own = nullptr;
    allocator->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&own));
    hr = own->SetProperties(props, &granted);
    if (FAILED(hr)) {
      own->Release();
      return hr;
    }
    *actual = own;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) override
  {
    HRESULT hr = SyncReadAligned(sample);
    CAutoLock lock(&FListLock);
    FDone.push_back({sample, user, hr});
    SetEvent(FDoneEvent.Get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override
  {
    *sample = nullptr;
    if (WaitForSingleObject(FDoneEvent.Get(), timeout) != WAIT_OBJECT_0) return VFW_E_TIMEOUT;
    CAutoLock lock(&FListLock);
    if (FDone.empty()) return FFlushing ? VFW_E_WRONG_STATE : VFW_E_TIMEOUT;
    Done done = FDone.front();
    FDone.pop_front();
    if (FDone.empty() && !FFlushing) ResetEvent(FDoneEvent.Get());
    *sample = done.Sample;
    *user = done.User;
    return done.Result;
  }
  HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) override
  {
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = sample->GetTime(&start, &stop);
    if (FAILED(hr)) return hr;
    BYTE* buffer = nullptr;
    sample->GetPointer(&buffer);
    LONG length = static_cast<LONG>((stop - start) / Units);
    LONG count = 0;
    hr = Read(start / Units, length, buffer, &count);
    if (SUCCEEDED(hr)) sample->SetActualDataLength(count);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) override
  {
    InterlockedIncrement(&SyncReads);
    LONG count = 0;
    return Read(position, length, buffer, &count);
  }
  HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) override
  {
    *total = *available = static_cast<LONGLONG>(FData.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BeginFlush() override
  {
    CAutoLock lock(&FListLock);
    FFlushing = true;
    SetEvent(FDoneEvent.Get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EndFlush() override
  {
    CAutoLock lock(&FListLock);
    FFlushing = false;
    if (FDone.empty()) ResetEvent(FDoneEvent.Get());
    return S_OK;
  }

  bool FReaderQueried = false;
  volatile LONG SyncReads = 0;

private:
  HRESULT Read(LONGLONG position, LONG length, BYTE* buffer, LONG* count)
  {
    *count = 0;
    auto size = static_cast<LONGLONG>(FData.size());
    if (position < 0 || position >= size || length < 0) return E_FAIL;
    LONG n = static_cast<LONG>(std::min<LONGLONG>(length, size - position));
    std::memcpy(buffer, FData.data() + position, static_cast<size_t>(n));
    *count = n;
    return n == length ? S_OK : S_FALSE;
  }

  struct Done {
    IMediaSample* Sample;
    DWORD_PTR User;
    HRESULT Result;
  };
  const std::vector<BYTE>& FData;
  CCritSec FListLock;
  std::deque<Done> FDone;
  CHandle FDoneEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  bool FFlushing = false;
};

class TMemorySource : public CBaseFilter {
public:
  explicit TMemorySource(std::vector<BYTE> data)
    : CBaseFilter(nullptr, nullptr, &FLock, CLSID_AsyncReader), FData(std::move(data)),
      FPin(std::make_unique<TMemoryPin>(this, &FLock, FData))
  {
  }
  ~TMemorySource() override { InterlockedIncrement(&Destroyed); }
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? FPin.get() : nullptr; }
  TMemoryPin* Pin() { return FPin.get(); }

  static LONG Destroyed;

private:
  CCritSec FLock;
  std::vector<BYTE> FData;
  std::unique_ptr<TMemoryPin> FPin;
};
LONG TMemorySource::Destroyed = 0;

TMemoryPin::TMemoryPin(TMemorySource* filter, CCritSec* lock, const std::vector<BYTE>& data)
  : CBasePin(nullptr, filter, lock, nullptr, L"Output", PINDIR_OUTPUT), FData(data)
{
}

std::vector<BYTE> ReadMedia(const char* name)
{
  std::ifstream in(ostrel::test::MediaPath(name), std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Graph, AsyncReaderPinSharesTheFiltersIdentityAndCount)
{
  auto* source = new TMemorySource(std::vector<BYTE>(100, 1));
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(source->QueryInterface(IID_IBaseFilter, filter.Out()), S_OK);
  ComPtr<IPin> pin;
  ASSERT_EQ(filter->FindPin(L"Output", &pin), S_OK);
  ComPtr<IAsyncReader> reader;
  ASSERT_EQ(pin->QueryInterface(IID_IAsyncReader, reader.Out()), S_OK);
  EXPECT_TRUE(source->Pin()->FReaderQueried);
  ComPtr<IPin> back;
  ASSERT_EQ(reader->QueryInterface(IID_IPin, back.Out()), S_OK);
  EXPECT_EQ(back.Get(), pin.Get());
  EXPECT_EQ(RefCount(filter.Get()), 4u);  // the filter, the pin, the reader, the pin again: one count
  ComPtr<IUnknown> a, b;
  ASSERT_EQ(reader->QueryInterface(IID_IUnknown, a.Out()), S_OK);
  ASSERT_EQ(pin->QueryInterface(IID_IUnknown, b.Out()), S_OK);
  EXPECT_EQ(a.Get(), b.Get());
  LONGLONG total = 0, available = 0;
  ASSERT_EQ(reader->Length(&total, &available), S_OK);
  EXPECT_EQ(total, 100);
  LONG destroyed = TMemorySource::Destroyed;
  a.Reset();
  b.Reset();
  back.Reset();
  reader.Reset();
  pin.Reset();
  filter.Reset();
  EXPECT_EQ(TMemorySource::Destroyed, destroyed + 1);
}

TEST(Graph, RealGraphRendersRunsAndReleasesOurSource)
{
  std::vector<BYTE> data = ReadMedia("av10.mpg");
  ASSERT_GT(data.size(), 100000u) << "test media missing";
  ComApartment com;
  LONG destroyed = TMemorySource::Destroyed;
  LONG objects = CUnknown::ObjectCount();
  {
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.Out()),
              S_OK);
    ASSERT_EQ(ostrel::test::AddRenderers(graph.Get()), S_OK);

    auto* source = new TMemorySource(std::move(data));
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(source->QueryInterface(IID_IBaseFilter, filter.Out()), S_OK);
    ASSERT_EQ(graph->AddFilter(filter.Get(), L"Memory source"), S_OK);
    FILTER_INFO info{};
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Memory source");
    EXPECT_NE(info.pGraph, nullptr);
    if (info.pGraph) info.pGraph->Release();

    ComPtr<IPin> output;
    ASSERT_EQ(filter->FindPin(L"Output", &output), S_OK);
    // S_OK: audio and video both reach their renderers.
    HRESULT rendered = graph->Render(output.Get());
    ASSERT_EQ(rendered, S_OK) << std::hex << rendered;
    EXPECT_TRUE(source->Pin()->IsConnected());
    EXPECT_TRUE(source->Pin()->FReaderQueried);
    EXPECT_GT(source->Pin()->SyncReads, 0);
    ComPtr<IPin> peer;
    ASSERT_EQ(output->ConnectedTo(&peer), S_OK);
    AM_MEDIA_TYPE mt{};
    ASSERT_EQ(output->ConnectionMediaType(&mt), S_OK);
    EXPECT_EQ(mt.majortype, MEDIATYPE_Stream);
    FreeMediaType(mt);

    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.Out()), S_OK);
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(graph->QueryInterface(IID_IMediaSeeking, seeking.Out()), S_OK);
    ASSERT_GE(control->Run(), 0);
    OAFilterState state = State_Stopped;
    EXPECT_GE(control->GetState(5000, &state), 0);
    EXPECT_EQ(state, State_Running);
    EXPECT_EQ(source->State(), State_Running);
    LONGLONG position = 0;
    for (int i = 0; i < 400 && position < 3000000; ++i) {  // up to 20 s, however loaded the machine
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ASSERT_EQ(seeking->GetCurrentPosition(&position), S_OK);
    }
    EXPECT_GE(position, 3000000) << "the position did not advance while running";
    EXPECT_GE(control->Stop(), 0);
    EXPECT_EQ(source->State(), State_Stopped);

    peer.Reset();
    output.Reset();
    filter.Reset();
    EXPECT_EQ(TMemorySource::Destroyed, destroyed) << "the graph still holds our filter";
  }
  EXPECT_EQ(TMemorySource::Destroyed, destroyed + 1) << "releasing the graph must destroy our filter";
  EXPECT_EQ(CUnknown::ObjectCount(), objects) << "base-class objects leaked";
}

TEST(Graph, NotifyEventReachesTheGraphsEventQueue)
{
  ComApartment com;
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.Out()), S_OK);
  auto* source = new TMemorySource(std::vector<BYTE>(16, 0));
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(source->QueryInterface(IID_IBaseFilter, filter.Out()), S_OK);
  ASSERT_EQ(graph->AddFilter(filter.Get(), L"Events"), S_OK);
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(graph->QueryInterface(IID_IMediaEvent, events.Out()), S_OK);

  ASSERT_EQ(source->NotifyEvent(EC_USER + 7, 11, 22), S_OK);
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 2000), S_OK);
  EXPECT_EQ(code, EC_USER + 7);
  EXPECT_EQ(p1, 11);
  EXPECT_EQ(p2, 22);
  events->FreeEventParams(code, p1, p2);

  ASSERT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
  EXPECT_EQ(source->NotifyEvent(EC_USER + 7, 0, 0), E_NOTIMPL);  // out of the graph: nobody to tell
}
