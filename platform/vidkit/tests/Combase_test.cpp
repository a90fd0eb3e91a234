#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "VidkitTestSupport.h"

using namespace vidkit_test;

namespace {

// An aggregated object: its public IUnknown belongs to the outer object.
class TInner : public CUnknown {
public:
  explicit TInner(LPUNKNOWN outer) : CUnknown(nullptr, outer) {}
  ~TInner() override { ++Destroyed; }
  static int Destroyed;
};
int TInner::Destroyed = 0;

}  // namespace

TEST(Unknown, FilterAndPinsShareOneCountAndTheLastReleaseDeletes)
{
  LONG destroyed = TTestFilter::Destroyed;
  auto* filter = new TTestFilter;
  TTestPin* pin = filter->AddPin(L"In", PINDIR_INPUT);

  EXPECT_EQ(filter->AddRef(), 1u);
  // The pin keeps no count of its own: every reference it takes lands on the filter.
  EXPECT_EQ(pin->AddRef(), 2u);
  IPin* asPin = nullptr;
  ASSERT_EQ(pin->QueryInterface(IID_IPin, reinterpret_cast<void**>(&asPin)), S_OK);
  EXPECT_EQ(asPin, static_cast<IPin*>(pin));
  EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(filter)), 3u);
  IQualityControl* quality = nullptr;
  ASSERT_EQ(asPin->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&quality)), S_OK);
  EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(filter)), 4u);

  // COM identity: the pin's IUnknown is the same from every interface, and not the filter's.
  IUnknown* id1 = nullptr;
  IUnknown* id2 = nullptr;
  ASSERT_EQ(asPin->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&id1)), S_OK);
  ASSERT_EQ(quality->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&id2)), S_OK);
  EXPECT_EQ(id1, id2);
  IUnknown* filterId = nullptr;
  ASSERT_EQ(filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&filterId)), S_OK);
  EXPECT_NE(id1, filterId);
  EXPECT_EQ(RefCount(static_cast<IBaseFilter*>(filter)), 7u);
  id1->Release();
  id2->Release();
  filterId->Release();

  IBaseFilter* wrong = reinterpret_cast<IBaseFilter*>(1);
  EXPECT_EQ(asPin->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&wrong)), E_NOINTERFACE);
  EXPECT_EQ(wrong, nullptr);
  EXPECT_EQ(asPin->QueryInterface(IID_IPin, nullptr), E_POINTER);

  quality->Release();
  asPin->Release();
  pin->Release();
  EXPECT_EQ(TTestFilter::Destroyed, destroyed);
  EXPECT_EQ(filter->Release(), 0u);
  EXPECT_EQ(TTestFilter::Destroyed, destroyed + 1);
}

TEST(Unknown, FilterAnswersItsInterfacesAndInfoCallsAddReferences)
{
  auto* filter = new TTestFilter;
  TTestPin* pin = filter->AddPin(L"Out", PINDIR_OUTPUT);
  ComPtr<IBaseFilter> base;
  ASSERT_EQ(filter->QueryInterface(IID_IBaseFilter, base.Out()), S_OK);
  for (const IID* iid : {&IID_IMediaFilter, &IID_IPersist, &IID_IAMovieSetup}) {
    ComPtr<IUnknown> other;
    EXPECT_EQ(base->QueryInterface(*iid, other.Out()), S_OK);
    EXPECT_NE(other.Get(), nullptr);
  }
  ComPtr<IPin> notHere;
  EXPECT_EQ(base->QueryInterface(IID_IPin, notHere.Out()), E_NOINTERFACE);

  ULONG before = RefCount(base.Get());
  PIN_INFO info{};
  ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.pFilter, base.Get());
  EXPECT_EQ(RefCount(base.Get()), before + 1);
  EXPECT_STREQ(info.achName, L"Out");
  EXPECT_EQ(info.dir, PINDIR_OUTPUT);
  info.pFilter->Release();

  CLSID clsid{};
  ASSERT_EQ(base->GetClassID(&clsid), S_OK);
  EXPECT_NE(clsid, GUID_NULL);
  EXPECT_EQ(base->GetClassID(nullptr), E_POINTER);
  LPWSTR vendor = nullptr;
  EXPECT_EQ(base->QueryVendorInfo(&vendor), E_NOTIMPL);
}

TEST(Unknown, JoinFilterGraphKeepsNoReferenceButQueryFilterInfoAddsOne)
{
  ComApartment com;
  ComPtr<IFilterGraph> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterGraph, graph.Out()), S_OK);
  auto* filter = new TTestFilter;
  ComPtr<IBaseFilter> base;
  ASSERT_EQ(filter->QueryInterface(IID_IBaseFilter, base.Out()), S_OK);

  ULONG graphCount = RefCount(graph.Get());
  ASSERT_EQ(base->JoinFilterGraph(graph.Get(), L"Named"), S_OK);
  EXPECT_EQ(RefCount(graph.Get()), graphCount);

  FILTER_INFO info{};
  ASSERT_EQ(base->QueryFilterInfo(&info), S_OK);
  EXPECT_STREQ(info.achName, L"Named");
  EXPECT_EQ(info.pGraph, graph.Get());
  EXPECT_EQ(RefCount(graph.Get()), graphCount + 1);
  info.pGraph->Release();

  ASSERT_EQ(base->JoinFilterGraph(nullptr, nullptr), S_OK);
  ASSERT_EQ(base->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.pGraph, nullptr);
  EXPECT_STREQ(info.achName, L"");
  EXPECT_EQ(RefCount(graph.Get()), graphCount);
}

TEST(Unknown, AggregatedObjectDelegatesItsPublicUnknown)
{
  TCountedUnknown outer;
  auto* inner = new TInner(&outer);
  EXPECT_EQ(inner->GetOwner(), &outer);
  inner->NonDelegatingAddRef();
  // Through the owner the outer object counts; the inner one keeps its own count.
  inner->GetOwner()->AddRef();
  EXPECT_EQ(outer.Count, 2u);
  inner->GetOwner()->Release();
  IUnknown* own = nullptr;
  ASSERT_EQ(inner->NonDelegatingQueryInterface(IID_IUnknown, reinterpret_cast<void**>(&own)), S_OK);
  EXPECT_NE(own, &outer);
  EXPECT_EQ(own->Release(), 1u);  // the non-delegating unknown answers as IUnknown
  int destroyed = TInner::Destroyed;
  EXPECT_EQ(inner->NonDelegatingRelease(), 0u);
  EXPECT_EQ(TInner::Destroyed, destroyed + 1);
  EXPECT_EQ(outer.Count, 1u);
}

TEST(Unknown, GetInterfaceAddsAReference)
{
  TCountedUnknown unknown;
  void* out = nullptr;
  ASSERT_EQ(GetInterface(&unknown, &out), S_OK);
  EXPECT_EQ(out, &unknown);
  EXPECT_EQ(unknown.Count, 2u);
  EXPECT_EQ(GetInterface(&unknown, nullptr), E_POINTER);
  EXPECT_EQ(unknown.Count, 2u);
}

TEST(Unknown, CountsAreThreadSafe)
{
  auto* filter = new TTestFilter;
  filter->AddRef();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([filter] {
      for (int i = 0; i < 20000; ++i) {
        filter->AddRef();
        filter->Release();
      }
    });
  for (auto& t : threads) t.join();
  LONG destroyed = TTestFilter::Destroyed;
  EXPECT_EQ(filter->Release(), 0u);
  EXPECT_EQ(TTestFilter::Destroyed, destroyed + 1);
}

TEST(CritSec, IsReentrantAndExcludesOtherThreads)
{
  CCritSec lock;
  std::atomic<bool> entered{false};
  std::thread other;
  {
    CAutoLock outer(&lock);
    {
      CAutoLock inner(&lock);  // the same thread enters again without blocking
      EXPECT_TRUE(lock.IsLockedByMe());
    }
    EXPECT_TRUE(lock.IsLockedByMe());
    other = std::thread([&] {
      EXPECT_FALSE(lock.IsLockedByMe());
      CAutoLock inThread(&lock);
      entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(entered);
  }
  other.join();
  EXPECT_TRUE(entered);
  EXPECT_FALSE(lock.IsLockedByMe());
}
