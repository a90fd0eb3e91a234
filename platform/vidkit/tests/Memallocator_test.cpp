#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "VidkitTestSupport.h"

using namespace vidkit_test;
using namespace std::chrono_literals;

namespace {

// A fresh CMemAllocator as its IMemAllocator, with the reference the caller owns.
IMemAllocator* NewAllocator()
{
  HRESULT hr = S_OK;
  auto* allocator = new CMemAllocator(nullptr, nullptr, &hr);
  EXPECT_EQ(hr, S_OK);
  IMemAllocator* result = nullptr;
  EXPECT_EQ(allocator->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&result)), S_OK);
  return result;
}

ALLOCATOR_PROPERTIES Props(long count, long size, long align, long prefix)
{
  ALLOCATOR_PROPERTIES p;
  p.cBuffers = count;
  p.cbBuffer = size;
  p.cbAlign = align;
  p.cbPrefix = prefix;
  return p;
}

// Gives the allocator the properties asked for and commits it.
void SetPropertiesAndCommit(IMemAllocator* allocator, ALLOCATOR_PROPERTIES request)
{
  ALLOCATOR_PROPERTIES actual{};
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
}

// All buffers of a committed allocator, taken without waiting.
std::vector<IMediaSample*> TakeAll(IMemAllocator* allocator)
{
  std::vector<IMediaSample*> samples;
  IMediaSample* sample = nullptr;
  while (allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT) == S_OK) samples.push_back(sample);
  return samples;
}

// How many samples a committed allocator can hand out now; they go straight back.
size_t CountFree(IMemAllocator* allocator)
{
  std::vector<IMediaSample*> samples = TakeAll(allocator);
  for (IMediaSample* s : samples) s->Release();
  return samples.size();
}

// Every allocator a test makes must be gone when it ends: samples left out would keep it alive.
class MemAllocator : public testing::Test {
protected:
  void SetUp() override { FObjects = CUnknown::ObjectCount(); }
  void TearDown() override { EXPECT_EQ(CUnknown::ObjectCount(), FObjects) << "an allocator leaked"; }
  LONG FObjects = 0;
};

}  // namespace

TEST_F(MemAllocator, BuffersAreAlignedAfterThePrefixAndDoNotOverlap)
{
  struct Case {
    long align, prefix, size;
  };
  for (Case c : {Case{1, 0, 1000}, Case{512, 0, 1000}, Case{512, 16, 1000}, Case{4, 3, 5}}) {
    SCOPED_TRACE(testing::Message() << "align " << c.align << " prefix " << c.prefix);
    ComPtr<IMemAllocator> allocator;
    allocator.Attach(NewAllocator());
    ALLOCATOR_PROPERTIES request = Props(4, c.size, c.align, c.prefix), actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, 4);
    EXPECT_EQ(actual.cbAlign, c.align);
    EXPECT_EQ(actual.cbPrefix, c.prefix);
    EXPECT_GE(actual.cbBuffer, c.size);
    EXPECT_EQ((actual.cbBuffer + actual.cbPrefix) % c.align, 0);
    ALLOCATOR_PROPERTIES reported{};
    ASSERT_EQ(allocator->GetProperties(&reported), S_OK);
    EXPECT_EQ(reported.cbBuffer, actual.cbBuffer);

    ASSERT_EQ(allocator->Commit(), S_OK);
    std::vector<IMediaSample*> samples = TakeAll(allocator.Get());
    ASSERT_EQ(samples.size(), 4u);
    std::vector<BYTE*> starts;
    for (IMediaSample* s : samples) {
      BYTE* p = nullptr;
      ASSERT_EQ(s->GetPointer(&p), S_OK);
      EXPECT_EQ(reinterpret_cast<UINT_PTR>(p) % static_cast<UINT_PTR>(c.align), 0u);
      EXPECT_EQ(s->GetSize(), actual.cbBuffer);
      // The prefix and the whole buffer are ours to write.
      std::fill(p - c.prefix, p + actual.cbBuffer, BYTE(0x5A));
      starts.push_back(p);
    }
    std::sort(starts.begin(), starts.end());
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GE(starts[i] - starts[i - 1], actual.cbBuffer + c.prefix);
    for (IMediaSample* s : samples) s->Release();
    EXPECT_EQ(allocator->Decommit(), S_OK);
  }
}

TEST_F(MemAllocator, RefusesBadAlignmentAndChangesWhileCommittedOrOutstanding)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ALLOCATOR_PROPERTIES actual = Props(-7, -7, -7, -7);
  for (long align : {0L, 3L, 6L, 513L, -4L}) {
    ALLOCATOR_PROPERTIES request = Props(2, 100, align, 0);
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BADALIGN) << align;
  }
  EXPECT_EQ(actual.cbAlign, -7);  // nothing granted on failure
  EXPECT_EQ(allocator->SetProperties(nullptr, &actual), E_POINTER);

  EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
  ALLOCATOR_PROPERTIES request = Props(2, 100, 1, 0);
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  EXPECT_EQ(allocator->Commit(), S_OK);
  ALLOCATOR_PROPERTIES bigger = Props(3, 200, 1, 0);
  EXPECT_EQ(allocator->SetProperties(&bigger, &actual), VFW_E_ALREADY_COMMITTED);

  IMediaSample* out = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&out, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(allocator->Decommit(), S_OK);
  EXPECT_EQ(allocator->SetProperties(&bigger, &actual), VFW_E_BUFFERS_OUTSTANDING);
  out->Release();
  ASSERT_EQ(allocator->SetProperties(&bigger, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  EXPECT_EQ(CountFree(allocator.Get()), 3u);
}

TEST_F(MemAllocator, GetBufferNeedsCommitAndHonoursNoWait)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ALLOCATOR_PROPERTIES request = Props(1, 64, 1, 0), actual{};
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  IMediaSample* sample = reinterpret_cast<IMediaSample*>(1);
  EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  EXPECT_EQ(sample, nullptr);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  IMediaSample* second = nullptr;
  EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
  sample->Release();
  ASSERT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
  EXPECT_EQ(second, sample);
  second->Release();
}

TEST_F(MemAllocator, BlockedGetBufferWakesWhenAnotherThreadReleasesASample)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ASSERT_NO_FATAL_FAILURE(SetPropertiesAndCommit(allocator.Get(), Props(1, 64, 1, 0)));
  IMediaSample* held = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);

  IMemAllocator* raw = allocator.Get();
  auto waiter = std::async(std::launch::async, [raw] {
    IMediaSample* got = nullptr;
    HRESULT hr = raw->GetBuffer(&got, nullptr, nullptr, 0);
    return std::make_pair(hr, got);
  });
  EXPECT_EQ(waiter.wait_for(150ms), std::future_status::timeout) << "GetBuffer did not block";
  std::thread releaser([held] { held->Release(); });
  releaser.join();
  ASSERT_EQ(waiter.wait_for(5s), std::future_status::ready);
  auto [hr, got] = waiter.get();
  EXPECT_EQ(hr, S_OK);
  EXPECT_EQ(got, held);
  if (got) got->Release();
}

TEST_F(MemAllocator, DecommitWakesEveryWaiterWithNotCommitted)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ASSERT_NO_FATAL_FAILURE(SetPropertiesAndCommit(allocator.Get(), Props(1, 64, 1, 0)));
  IMediaSample* held = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&held, nullptr, nullptr, 0), S_OK);

  IMemAllocator* raw = allocator.Get();
  std::vector<std::future<HRESULT>> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.push_back(std::async(std::launch::async, [raw] {
      IMediaSample* got = nullptr;
      HRESULT hr = raw->GetBuffer(&got, nullptr, nullptr, 0);
      if (got) got->Release();
      return hr;
    }));
  std::this_thread::sleep_for(150ms);
  for (auto& w : waiters) EXPECT_EQ(w.wait_for(0ms), std::future_status::timeout);
  ASSERT_EQ(allocator->Decommit(), S_OK);
  for (auto& w : waiters) {
    ASSERT_EQ(w.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(w.get(), VFW_E_NOT_COMMITTED);
  }
  // The sample still out stays usable until it comes back.
  BYTE* p = nullptr;
  ASSERT_EQ(held->GetPointer(&p), S_OK);
  p[0] = 1;
  p[63] = 2;
  held->Release();
}

TEST_F(MemAllocator, LivesWhileASampleIsOut)
{
  LONG before = CUnknown::ObjectCount();
  IMemAllocator* allocator = NewAllocator();
  EXPECT_EQ(CUnknown::ObjectCount(), before + 1);
  ASSERT_NO_FATAL_FAILURE(SetPropertiesAndCommit(allocator, Props(2, 64, 1, 0)));
  IMediaSample* sample = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(allocator->Release(), 1u);  // the sample's hold
  EXPECT_EQ(CUnknown::ObjectCount(), before + 1);
  BYTE* p = nullptr;
  ASSERT_EQ(sample->GetPointer(&p), S_OK);
  p[0] = 7;
  EXPECT_EQ(sample->Release(), 0u);
  EXPECT_EQ(CUnknown::ObjectCount(), before);
}

TEST(MediaSample, TimesFlagsLengthsAndTypes)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ASSERT_NO_FATAL_FAILURE(SetPropertiesAndCommit(allocator.Get(), Props(1, 100, 1, 0)));
  IMediaSample* sample = nullptr;
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(sample->QueryInterface(IID_IUnknown, unknown.Out()), S_OK);
  unknown.Reset();

  REFERENCE_TIME start = 0, stop = 0;
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  REFERENCE_TIME s = 50, e = 90;
  ASSERT_EQ(sample->SetTime(&s, nullptr), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
  EXPECT_EQ(start, 50);
  EXPECT_EQ(stop, 51);
  ASSERT_EQ(sample->SetTime(&s, &e), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(stop, 90);
  ASSERT_EQ(sample->SetTime(nullptr, &e), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);

  LONGLONG ms = 0, me = 0;
  EXPECT_EQ(sample->GetMediaTime(&ms, &me), VFW_E_MEDIA_TIME_NOT_SET);
  LONGLONG m1 = 3, m2 = 9;
  ASSERT_EQ(sample->SetMediaTime(&m1, &m2), S_OK);
  EXPECT_EQ(sample->GetMediaTime(&ms, &me), S_OK);
  EXPECT_EQ(ms, 3);
  EXPECT_EQ(me, 9);

  EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
  sample->SetSyncPoint(TRUE);
  EXPECT_EQ(sample->IsSyncPoint(), S_OK);
  EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
  sample->SetDiscontinuity(TRUE);
  EXPECT_EQ(sample->IsDiscontinuity(), S_OK);
  EXPECT_EQ(sample->IsPreroll(), S_FALSE);
  sample->SetPreroll(TRUE);
  EXPECT_EQ(sample->IsPreroll(), S_OK);

  EXPECT_EQ(sample->SetActualDataLength(100), S_OK);
  EXPECT_EQ(sample->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(-1), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(sample->SetActualDataLength(42), S_OK);
  EXPECT_EQ(sample->GetActualDataLength(), 42);

  AM_MEDIA_TYPE* type = reinterpret_cast<AM_MEDIA_TYPE*>(1);
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  EXPECT_EQ(type, nullptr);
  CMediaType stream(&MEDIATYPE_Stream);
  ASSERT_EQ(sample->SetMediaType(&stream), S_OK);
  ASSERT_EQ(sample->GetMediaType(&type), S_OK);
  EXPECT_EQ(type->majortype, MEDIATYPE_Stream);
  DeleteMediaType(type);

  // Back on the free list the sample forgets what its last user set.
  sample->Release();
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
  EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
  EXPECT_EQ(sample->GetMediaType(&type), S_FALSE);
  EXPECT_EQ(sample->GetMediaTime(&ms, &me), VFW_E_MEDIA_TIME_NOT_SET);
  sample->Release();
}

TEST_F(MemAllocator, StressManyThreadsShareFewBuffersExclusively)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ASSERT_NO_FATAL_FAILURE(SetPropertiesAndCommit(allocator.Get(), Props(2, 16, 4, 0)));
  IMemAllocator* raw = allocator.Get();
  std::atomic<int> clashes{0}, failures{0}, inUse{0}, maxInUse{0};
  std::vector<std::thread> threads;
  for (int t = 1; t <= 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 1500; ++i) {
        IMediaSample* sample = nullptr;
        if (raw->GetBuffer(&sample, nullptr, nullptr, 0) != S_OK) {
          ++failures;
          continue;
        }
        int now = ++inUse;
        for (int m = maxInUse; now > m && !maxInUse.compare_exchange_weak(m, now);) {}
        BYTE* p = nullptr;
        sample->GetPointer(&p);
        std::fill(p, p + 16, BYTE(t));
        std::this_thread::yield();
        if (std::any_of(p, p + 16, [t](BYTE b) { return b != t; })) ++clashes;
        --inUse;
        sample->Release();
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(clashes, 0) << "two threads held the same buffer";
  EXPECT_LE(maxInUse, 2);
  EXPECT_EQ(CountFree(raw), 2u);  // every sample came back
}

TEST_F(MemAllocator, SampleAnswersIMediaSample2PropertiesBothWays)
{
  ComPtr<IMemAllocator> allocator;
  allocator.Attach(NewAllocator());
  ASSERT_NO_FATAL_FAILURE(SetPropertiesAndCommit(allocator.Get(), Props(1, 64, 1, 0)));
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
  ComPtr<IMediaSample2> sample2;
  ASSERT_EQ(sample->QueryInterface(IID_IMediaSample2, sample2.Out()), S_OK);

  AM_SAMPLE2_PROPERTIES props{};
  ASSERT_EQ(sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), S_OK);
  EXPECT_EQ(props.cbData, sizeof props);
  EXPECT_EQ(props.cbBuffer, 64);
  EXPECT_EQ(props.dwSampleFlags, 0u);
  BYTE* pointer = nullptr;
  sample->GetPointer(&pointer);
  EXPECT_EQ(props.pbBuffer, pointer);

  CMediaType stream(&MEDIATYPE_Stream);
  props.dwSampleFlags = AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_TYPECHANGED;
  props.tStart = 100;
  props.tStop = 200;
  props.lActual = 10;
  props.pMediaType = &stream;
  ASSERT_EQ(sample2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props)), S_OK);
  EXPECT_EQ(sample->IsSyncPoint(), S_OK);
  REFERENCE_TIME start = 0, stop = 0;
  EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
  EXPECT_EQ(stop, 200);
  EXPECT_EQ(sample->GetActualDataLength(), 10);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(sample->GetMediaType(&type), S_OK);
  EXPECT_EQ(type->majortype, MEDIATYPE_Stream);
  DeleteMediaType(type);

  props.lActual = 65;
  EXPECT_EQ(sample2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props)), VFW_E_BUFFER_OVERFLOW);
  props.lActual = 10;
  props.cbBuffer = 128;  // the buffer cannot be swapped through the properties
  EXPECT_EQ(sample2->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props)), E_INVALIDARG);
  EXPECT_EQ(sample->GetSize(), 64);

  // A short read gets just the leading fields.
  AM_SAMPLE2_PROPERTIES part{};
  part.tStop = -1;
  ASSERT_EQ(sample2->GetProperties(offsetof(AM_SAMPLE2_PROPERTIES, tStop), reinterpret_cast<BYTE*>(&part)), S_OK);
  EXPECT_EQ(part.tStart, 100);
  EXPECT_EQ(part.tStop, -1);
}
