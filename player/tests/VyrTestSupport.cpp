#include "VyrTestSupport.h"

#include "TestSupport.h"

#include <atomic>

namespace vyrtest {

ScratchDir::ScratchDir()
{
  static std::atomic<int> counter{0};
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  FPath = std::string(base) + "vyrfilter_test_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++counter);
  CreateDirectoryA(FPath.c_str(), nullptr);
}

ScratchDir::~ScratchDir()
{
  for (const auto& f : FFiles) DeleteFileA(f.c_str());
  RemoveDirectoryA(FPath.c_str());
}

std::string ScratchDir::Path(const std::string& name)
{
  FFiles.push_back(FPath + "\\" + name);
  return FFiles.back();
}

std::string ScratchDir::Write(const std::string& name, const std::vector<uint8_t>& bytes)
{
  std::string path = Path(name);
  vyrformat::WriteWholeFile(path, bytes);
  return path;
}

ComPtr<IAsyncReader> FilterRef::Reader() const
{
  return Query<IAsyncReader>(static_cast<IPin*>(FFilter->GetPin(0)), IID_IAsyncReader);
}

bool OpenFails(const std::string& path, HRESULT* code)
{
  try {
    FilterRef filter(path);
    return false;
  } catch (const EOleSysError& e) {
    if (code) *code = e.ErrorCode;
    return true;
  }
}

TestSample::TestSample(long capacity, size_t misalign)
    : FStorage(static_cast<size_t>(capacity) + 8192), FCapacity(capacity)
{
  uintptr_t base = reinterpret_cast<uintptr_t>(FStorage.data());
  uintptr_t aligned = (base + 4095) & ~uintptr_t{4095};
  FData = reinterpret_cast<BYTE*>(aligned + misalign);
}

void TestSample::SetRange(uint64_t position, int64_t length)
{
  FStart = static_cast<REFERENCE_TIME>(position) * VyrUnitsPerByte;
  FStop = FStart + length * VyrUnitsPerByte;
  FActual = -1;
}

HRESULT STDMETHODCALLTYPE TestSample::QueryInterface(REFIID riid, void** ppv)
{
  if (riid == IID_IUnknown || riid == IID_IMediaSample) {
    *ppv = static_cast<IMediaSample*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE TestSample::GetPointer(BYTE** buffer)
{
  *buffer = FData;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
  if (FAILED(FGetTimeResult)) return FGetTimeResult;
  *start = FStart;
  *stop = FStop;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
  FStart = *start;
  FStop = *stop;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSample::SetActualDataLength(long length)
{
  if (length < 0 || length > FCapacity) return VFW_E_BUFFER_OVERFLOW;
  FActual = length;
  return S_OK;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
  std::mt19937 random(seed);
  std::vector<uint8_t> data(n);
  for (auto& b : data) b = static_cast<uint8_t>(random());
  return data;
}

std::string MediaFile(const std::string& name) { return ostrel::test::MediaPath(name); }

std::vector<uint8_t> MediaBytes(const std::string& name) { return vyrformat::ReadWholeFile(MediaFile(name)); }

}  // namespace vyrtest
