// The filter with real clients: a pull-model pin of our own that drives the asynchronous half, and
// the platform's filter graph manager playing a .vyr file.
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <deque>

#include "TestGraph.h"
#include "TestSupport.h"
#include "VyrTestSupport.h"

using namespace vyrtest;

namespace {

// A downstream filter whose single input pin connects in the pull model.
class TPullFilter;

class TPullPin : public CBasePin {
public:
  TPullPin(TPullFilter* filter, CCritSec* lock);

  bool QueryReader = true;          // a pin that expects pushed data never asks for the reader
  IMemAllocator* Preferred = nullptr;  // offered to RequestAllocator when set
  LONG Align = 1;
  LONG BufferSize = 65536;
  ComPtr<IAsyncReader> Reader;
  ComPtr<IMemAllocator> Allocator;
  HRESULT AllocatorResult = E_UNEXPECTED;

  HRESULT CheckMediaType(const CMediaType* type) override
  {
    return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
  }
  HRESULT CompleteConnect(IPin* connector) override
  {
    if (QueryReader) {
      connector->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&Reader));
      if (!Reader) return E_NOINTERFACE;
      ALLOCATOR_PROPERTIES props{8, BufferSize, Align, 0};
      AllocatorResult = Reader->RequestAllocator(Preferred, &props, &Allocator);
      if (FAILED(AllocatorResult)) return AllocatorResult;
    }
    return CBasePin::CompleteConnect(connector);
  }
  HRESULT BreakConnect() override
  {
    Reader.Reset();
    Allocator.Reset();
    return CBasePin::BreakConnect();
  }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
};

class TPullFilter : public CBaseFilter {
public:
  TPullFilter() : CBaseFilter(L"pull client", nullptr, &FLock, GUID_NULL), FPin(this, &FLock) {}
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override { return n == 0 ? &FPin : nullptr; }
  TPullPin& Pin() { return FPin; }

private:
  CCritSec FLock;
  TPullPin FPin;
};

TPullPin::TPullPin(TPullFilter* filter, CCritSec* lock)
    : CBasePin(L"pull input", filter, lock, nullptr, L"In", PINDIR_INPUT)
{
}

// Keeps the test's reference on a filter of the base classes.
template <class F> struct Held {
  F* Filter;
  Held() : Filter(new F()) { Filter->AddRef(); }
  ~Held() { Filter->Release(); }
};

// Checks that a returned sample holds exactly the original bytes its times describe.
void ExpectSampleBytes(IMediaSample* sample, const std::vector<uint8_t>& original)
{
  REFERENCE_TIME start = 0, stop = 0;
  ASSERT_EQ(sample->GetTime(&start, &stop), S_OK);
  int64_t at = start / VyrUnitsPerByte;
  int64_t end = std::min<int64_t>(stop / VyrUnitsPerByte, static_cast<int64_t>(original.size()));
  ASSERT_EQ(sample->GetActualDataLength(), end - at) << "at " << at;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  ASSERT_EQ(std::memcmp(data, original.data() + at, static_cast<size_t>(end - at)), 0) << "at " << at;
}

// Streams the whole file through queued requests, seeking back with a flush while requests are in
// flight now and then; every sample is checked. Returns how many blocks of the file no sample
// delivered (0 when the whole file came through).
int64_t StreamWithSeeks(TPullPin& pin, const std::vector<uint8_t>& original, LONG align)
{
  IAsyncReader* reader = pin.Reader.Get();
  IMemAllocator* allocator = pin.Allocator.Get();
  EXPECT_EQ(allocator->Commit(), S_OK);
  const int64_t size = static_cast<int64_t>(original.size());
  const int64_t step = pin.BufferSize;
  int64_t next = 0;
  std::vector<bool> covered(static_cast<size_t>((size + step - 1) / step));
  int outstanding = 0, seeks = 0;
  std::mt19937 random(static_cast<uint32_t>(align));
  auto requestNext = [&]() -> bool {
    if (next >= size) return false;
    IMediaSample* sample = nullptr;
    if (allocator->GetBuffer(&sample, nullptr, nullptr, 0) != S_OK) return false;
    REFERENCE_TIME start = next * VyrUnitsPerByte, stop = (next + step) * VyrUnitsPerByte;
    sample->SetTime(&start, &stop);
    HRESULT hr = reader->Request(sample, static_cast<DWORD_PTR>(next));
    EXPECT_EQ(hr, S_OK) << next;
    if (FAILED(hr)) {
      sample->Release();
      return false;
    }
    next += step;
    ++outstanding;
    return true;
  };
  while (outstanding < 6 && requestNext()) {
  }
  while (outstanding > 0) {
    IMediaSample* sample = nullptr;
    DWORD_PTR user = 0;
    HRESULT hr = reader->WaitForNext(10000, &sample, &user);
    if (!sample) {
      ADD_FAILURE() << "WaitForNext gave no sample: " << std::hex << hr;
      break;
    }
    --outstanding;
    EXPECT_EQ(hr, S_OK) << "at " << user;
    ExpectSampleBytes(sample, original);
    covered[static_cast<size_t>(user / static_cast<DWORD_PTR>(step))] = true;
    sample->Release();
    if (seeks < 3 && next > size / 4 * (seeks + 1)) {
      // Seek: flush with requests in flight, collect them all, restart elsewhere.
      ++seeks;
      EXPECT_EQ(reader->BeginFlush(), S_OK);
      while (outstanding > 0) {
        hr = reader->WaitForNext(INFINITE, &sample, &user);
        if (!sample) break;
        --outstanding;
        if (hr == S_OK) {
          ExpectSampleBytes(sample, original);
          covered[static_cast<size_t>(user / static_cast<DWORD_PTR>(step))] = true;
        } else {
          EXPECT_EQ(hr, VFW_E_TIMEOUT);
        }
        sample->Release();
      }
      EXPECT_EQ(outstanding, 0);
      EXPECT_EQ(reader->WaitForNext(0, &sample, &user), VFW_E_WRONG_STATE);
      EXPECT_EQ(reader->EndFlush(), S_OK);
      // Back to somewhere at or before the first block not yet delivered.
      auto firstGap = std::find(covered.begin(), covered.end(), false) - covered.begin();
      next = static_cast<int64_t>(random() % static_cast<uint32_t>(firstGap + 1)) * step;
    }
    while (outstanding < 6 && requestNext()) {
    }
  }
  EXPECT_EQ(allocator->Decommit(), S_OK);
  EXPECT_EQ(seeks, 3);
  return std::count(covered.begin(), covered.end(), false);
}

}  // namespace

TEST(VyrPullClient, StreamsTheWholeFileWithQueuedRequestsAndFlushes)
{
  const auto original = MediaBytes("av10.mpg");
  struct Case {
    bool preferred;
    LONG align;
  };
  for (Case c : {Case{false, 1}, Case{false, 512}, Case{true, 1}, Case{true, 512}}) {
    SCOPED_TRACE(testing::Message() << "preferred " << c.preferred << " align " << c.align);
    FilterRef source(MediaFile("av10-shuffled.vyr"));
    Held<TPullFilter> sink;
    TPullPin& pin = sink.Filter->Pin();
    pin.Align = c.align;
    ComPtr<IMemAllocator> preferred;
    if (c.preferred) {
      HRESULT hr = S_OK;
      auto* own = new CMemAllocator(L"preferred", nullptr, &hr);
      own->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&preferred));
      pin.Preferred = preferred.Get();
    }
    IPin* output = source->GetPin(0);
    ASSERT_EQ(output->Connect(&pin, nullptr), S_OK);
    ASSERT_EQ(pin.AllocatorResult, S_OK);
    if (c.preferred) EXPECT_EQ(pin.Allocator.Get(), preferred.Get());
    else EXPECT_NE(pin.Allocator.Get(), nullptr);
    ALLOCATOR_PROPERTIES got{};
    pin.Allocator->GetProperties(&got);
    EXPECT_EQ(got.cbAlign, c.align);
    ComPtr<IPin> connected;
    EXPECT_EQ(output->ConnectedTo(&connected), S_OK);
    EXPECT_EQ(connected.Get(), static_cast<IPin*>(&pin));

    EXPECT_EQ(StreamWithSeeks(pin, original, c.align), 0) << "blocks never delivered";
    // An unaligned request is refused at 512.
    if (c.align == 512) {
      TestSample odd(1024);
      odd.SetRange(100, 512);
      EXPECT_EQ(pin.Reader->Request(&odd, 0), VFW_E_BADALIGN);
    }
    output->Disconnect();
    pin.Disconnect();
  }
}

TEST(VyrPullClient, APinThatWantsDataPushedIsRefused)
{
  FilterRef source(MediaFile("av10-single.vyr"));
  Held<TPullFilter> sink;
  sink.Filter->Pin().QueryReader = false;
  IPin* output = source->GetPin(0);
  EXPECT_EQ(output->Connect(&sink.Filter->Pin(), nullptr), VFW_E_NO_TRANSPORT);
  ComPtr<IPin> connected;
  EXPECT_NE(output->ConnectedTo(&connected), S_OK);
  // The same pin connects once it does ask.
  sink.Filter->Pin().QueryReader = true;
  EXPECT_EQ(output->Connect(&sink.Filter->Pin(), nullptr), S_OK);
  output->Disconnect();
  sink.Filter->Pin().Disconnect();
}

// ---------------------------------------------------------------------------------------------
// The platform's graph

namespace {

struct Graph {
  ComPtr<IGraphBuilder> Builder;
  ComPtr<IMediaControl> Control;
  ComPtr<IMediaSeeking> Seeking;
  ComPtr<IMediaEvent> Events;
  explicit Graph()
  {
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     reinterpret_cast<void**>(&Builder));
    Control = Query<IMediaControl>(Builder.Get(), IID_IMediaControl);
    Seeking = Query<IMediaSeeking>(Builder.Get(), IID_IMediaSeeking);
    Events = Query<IMediaEvent>(Builder.Get(), IID_IMediaEvent);
  }
  ~Graph()
  {
    if (Control) Control->Stop();
  }
  LONGLONG Duration()
  {
    LONGLONG d = -1;
    Seeking->GetDuration(&d);
    return d;
  }
  LONGLONG Position()
  {
    LONGLONG p = -1;
    Seeking->GetCurrentPosition(&p);
    return p;
  }
  HRESULT SeekStopped(LONGLONG to)
  {
    Control->Stop();
    HRESULT hr = Seeking->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    Control->Run();
    return hr;
  }
  bool WaitForEvent(long wanted, DWORD ms)
  {
    DWORD until = GetTickCount() + ms;
    while (GetTickCount() < until) {
      long code = 0;
      LONG_PTR a = 0, b = 0;
      if (Events->GetEvent(&code, &a, &b, 100) == S_OK) {
        Events->FreeEventParams(code, a, b);
        if (code == wanted) return true;
      }
    }
    return false;
  }
};

constexpr LONGLONG Second = 10000000;

// Polls a condition until it holds or the time is up.
template <class F> bool WaitUntil(F condition, DWORD milliseconds)
{
  const ULONGLONG until = GetTickCount64() + milliseconds;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= until) return false;
    Sleep(20);
  }
}

}  // namespace

TEST(VyrGraph, ThePlatformGraphPlaysSeeksAndCompletes)
{
  ComApartment com;
  LONGLONG stockDuration = 0;
  {
    Graph stock;
    ASSERT_TRUE(stock.Builder);
    ASSERT_EQ(ostrel::test::AddRenderers(stock.Builder.Get()), S_OK);
    ASSERT_EQ(stock.Builder->RenderFile(ostrel::test::Widen(MediaFile("av10.mpg")).c_str(), nullptr), S_OK)
        << DescribeGraph(stock.Builder.Get());
    stockDuration = stock.Duration();
  }
  ASSERT_GT(stockDuration, 9 * Second);

  Graph graph;
  ASSERT_EQ(ostrel::test::AddRenderers(graph.Builder.Get()), S_OK);
  // The graph's reference governs the filter's life from here on.
  auto* filter = new TVyrFilter(AnsiString(MediaFile("av10-shuffled.vyr")));
  ComPtr<IBaseFilter> source(filter, true);
  ASSERT_EQ(graph.Builder->AddFilter(source.Get(), L"Vyr source"), S_OK);
  IPin* output = filter->GetPin(0);
  ASSERT_EQ(graph.Builder->Render(output), S_OK) << DescribeGraph(graph.Builder.Get());
  ComPtr<IPin> connected;
  EXPECT_EQ(output->ConnectedTo(&connected), S_OK);

  // Ours is the only source filter: no filter without input pins besides it.
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(graph.Builder->EnumFilters(&filters), S_OK);
  IBaseFilter* each = nullptr;
  int sources = 0;
  bool oursFound = false;
  while (filters->Next(1, &each, nullptr) == S_OK) {
    ComPtr<IBaseFilter> held(each);
    oursFound |= each == source.Get();
    ComPtr<IEnumPins> pins;
    each->EnumPins(&pins);
    IPin* pin = nullptr;
    bool hasInput = false;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
      PIN_DIRECTION direction{};
      pin->QueryDirection(&direction);
      hasInput |= direction == PINDIR_INPUT;
      pin->Release();
    }
    if (!hasInput) ++sources;
  }
  EXPECT_TRUE(oursFound);
  EXPECT_EQ(sources, 1);

  EXPECT_EQ(graph.Duration(), stockDuration);
  // Playback is waited for by condition, with limits far beyond what a loaded or emulated machine needs
  // (playing starts within a second or two there): the test never measures the machine's speed.
  ASSERT_TRUE(SUCCEEDED(graph.Control->Run()));
  ASSERT_TRUE(WaitUntil([&] { return graph.Position() > 0; }, 20000)) << "playback never started";
  const LONGLONG first = graph.Position();
  EXPECT_TRUE(WaitUntil([&] { return graph.Position() > first; }, 20000)) << "the position does not advance";

  const DWORD seekStarted = GetTickCount();
  ASSERT_EQ(graph.SeekStopped(5 * Second), S_OK);
  const LONGLONG landed = graph.Position();
  // Playing on from the target: never before it, and never further than the time since the seek.
  EXPECT_GE(landed, 5 * Second);
  EXPECT_LE(landed, 5 * Second + (GetTickCount() - seekStarted + 1000) * (Second / 1000));

  ASSERT_EQ(graph.SeekStopped(stockDuration - Second), S_OK);
  EXPECT_TRUE(graph.WaitForEvent(EC_COMPLETE, 30000)) << "EC_COMPLETE at the end";
  graph.Control->Stop();
}
