// Helpers shared by the source filter's tests: COM pointers, scratch files, filters and samples.
#pragma once
#include "Vyrfilter.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ComTest.h"
#include "Vyrformat.h"

namespace vyrtest {

using ostrel::test::ComApartment;
using ostrel::test::ComPtr;
using ostrel::test::Query;


// A folder of scratch files, removed with its files at the end.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // A new file with these bytes; returns its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes);
  std::string Path(const std::string& name);

private:
  std::string FPath;
  std::vector<std::string> FFiles;
};

// A filter with one counted reference, as the graph would hold it.
class FilterRef {
public:
  explicit FilterRef(const std::string& path) : FFilter(new TVyrFilter(AnsiString(path))) { FFilter->AddRef(); }
  ~FilterRef() { Release(); }
  FilterRef(const FilterRef&) = delete;
  FilterRef& operator=(const FilterRef&) = delete;
  TVyrFilter* operator->() const { return FFilter; }
  TVyrFilter* Get() const { return FFilter; }
  void Release()
  {
    if (FFilter) FFilter->Release();
    FFilter = nullptr;
  }
  // The pin's reader interface, counted.
  ComPtr<IAsyncReader> Reader() const;

private:
  TVyrFilter* FFilter;
};

// True when constructing a filter for the file fails with an exception (the file refused).
bool OpenFails(const std::string& path, HRESULT* code = nullptr);

// A media sample of our own over a buffer we control: its times say which bytes it asks for.
class TestSample : public IMediaSample {
public:
  // capacity bytes, the buffer starting misalign bytes after a 4096-byte boundary.
  explicit TestSample(long capacity, size_t misalign = 0);
  virtual ~TestSample() = default;

  void SetRange(uint64_t position, int64_t length);
  void FailGetTime(HRESULT hr) { FGetTimeResult = hr; }
  BYTE* Data() const { return FData; }
  LONG ActualLength() const { return FActual; }
  REFERENCE_TIME Start() const { return FStart; }
  REFERENCE_TIME Stop() const { return FStop; }
  LONG RefCount() const { return FRef; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRef)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&FRef)); }
  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override;
  long STDMETHODCALLTYPE GetSize() override { return FCapacity; }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsPreroll() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL) override { return S_OK; }
  long STDMETHODCALLTYPE GetActualDataLength() override { return FActual; }
  HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) override;
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override
  {
    *type = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

private:
  std::vector<BYTE> FStorage;
  BYTE* FData;
  long FCapacity;
  LONG FActual = -1;
  REFERENCE_TIME FStart = 0, FStop = 0;
  HRESULT FGetTimeResult = S_OK;
  volatile LONG FRef = 1;
};

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed);
// The bytes of a test media file (OSTREL_MEDIA).
std::vector<uint8_t> MediaBytes(const std::string& name);
std::string MediaFile(const std::string& name);

// Every filter of a graph with its pins, what each is connected to and, for an unconnected output, the
// media types it offers: the story of a render that came back partial.
std::string DescribeGraph(IFilterGraph* graph);

}  // namespace vyrtest
