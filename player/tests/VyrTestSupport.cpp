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

namespace {

std::string Narrow(const wchar_t* text)
{
  std::string out;
  for (; text && *text; ++text) out += *text < 128 ? static_cast<char>(*text) : '?';
  return out;
}

std::string GuidText(const GUID& guid)
{
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return Narrow(text);
}

std::string PinName(IPin* pin)
{
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return "?";
  std::string name = Narrow(info.achName);
  if (info.pFilter) {
    FILTER_INFO filter{};
    if (SUCCEEDED(info.pFilter->QueryFilterInfo(&filter))) {
      name = Narrow(filter.achName) + "." + name;
      if (filter.pGraph) filter.pGraph->Release();
    }
    info.pFilter->Release();
  }
  return name;
}

}  // namespace

std::string DescribeGraph(IFilterGraph* graph)
{
  std::string text;
  ComPtr<IEnumFilters> filters;
  if (!graph || FAILED(graph->EnumFilters(&filters))) return "(no graph)";
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    FILTER_INFO info{};
    if (SUCCEEDED(filter->QueryFilterInfo(&info)) && info.pGraph) info.pGraph->Release();
    text += "filter \"" + Narrow(info.achName) + "\"\n";
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) continue;
    ComPtr<IPin> pin;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
      PIN_DIRECTION direction = PINDIR_INPUT;
      pin->QueryDirection(&direction);
      text += std::string("  ") + (direction == PINDIR_INPUT ? "in  " : "out ") + PinName(pin.Get());
      ComPtr<IPin> peer;
      if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) {
        text += " -> " + PinName(peer.Get()) + "\n";
        continue;
      }
      text += " (unconnected)\n";
      ComPtr<IEnumMediaTypes> types;
      if (direction != PINDIR_OUTPUT || FAILED(pin->EnumMediaTypes(&types))) continue;
      AM_MEDIA_TYPE* type = nullptr;
      while (types->Next(1, &type, nullptr) == S_OK) {
        text += "      offers " + GuidText(type->majortype) + " " + GuidText(type->subtype) + "\n";
        if (type->cbFormat) CoTaskMemFree(type->pbFormat);
        if (type->pUnk) type->pUnk->Release();
        CoTaskMemFree(type);
      }
    }
  }
  return text;
}

}  // namespace vyrtest
