#include "VidkitTestSupport.h"

#include <new>
#include <stdexcept>

namespace vidkit_test {

const GUID TypeA = {0x5a0a0001, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x01}};
const GUID TypeB = {0x5a0a0002, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x02}};
const GUID SubA = {0x5a0a0003, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x03}};

LONG TTestFilter::Destroyed = 0;

namespace {
const CLSID TestFilterClsid = {0x5a0a0010, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x10}};
}

TTestPin::TTestPin(TTestFilter* filter, CCritSec* lock, LPCWSTR name, PIN_DIRECTION dir)
  : CBasePin(nullptr, filter, lock, nullptr, name, dir)
{
}

void TTestPin::Record(const char* hook)
{
  Calls.push_back(hook);
  if (ThrowIn != hook) return;
  switch (Throw) {
    case TThrow::Nothing: return;
    case TThrow::Runtime: throw std::runtime_error(std::string("faulty ") + hook);
    case TThrow::OutOfMemory: throw std::bad_alloc();
    case TThrow::OleSys: throw EOleSysError("faulty hook", OleSysCode);
  }
}

HRESULT TTestPin::CheckConnect(IPin* pin)
{
  Record("CheckConnect");
  return CBasePin::CheckConnect(pin);
}

HRESULT TTestPin::BreakConnect()
{
  Record("BreakConnect");
  return CBasePin::BreakConnect();
}

HRESULT TTestPin::CompleteConnect(IPin* pin)
{
  Record("CompleteConnect");
  return FAILED(CompleteResult) ? CompleteResult : CBasePin::CompleteConnect(pin);
}

HRESULT TTestPin::CheckMediaType(const CMediaType* type)
{
  Record("CheckMediaType");
  for (const GUID& g : Accepted)
    if (*type->Type() == g) return S_OK;
  return S_FALSE;
}

HRESULT TTestPin::SetMediaType(const CMediaType* type)
{
  Record("SetMediaType");
  return CBasePin::SetMediaType(type);
}

HRESULT TTestPin::GetMediaType(int position, CMediaType* type)
{
  if (position < 0) return E_INVALIDARG;
  if (position >= static_cast<int>(Offered.size())) return VFW_S_NO_MORE_ITEMS;
  type->InitMediaType();
  type->SetType(&Offered[static_cast<size_t>(position)]);
  type->SetSubtype(&SubA);
  return S_OK;
}

HRESULT TTestPin::Active()
{
  Record("Active");
  return S_OK;
}

HRESULT TTestPin::Inactive()
{
  Record("Inactive");
  return S_OK;
}

HRESULT TTestPin::Run(REFERENCE_TIME start)
{
  Record("Run");
  RunStart = start;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TTestPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
  Calls.push_back("ReceiveConnection");
  return CBasePin::ReceiveConnection(connector, type);
}

TTestFilter::TTestFilter() : CBaseFilter(nullptr, nullptr, &FLock, TestFilterClsid) {}

TTestFilter::~TTestFilter() { InterlockedIncrement(&Destroyed); }

TTestPin* TTestFilter::AddPin(LPCWSTR name, PIN_DIRECTION dir)
{
  FPins.push_back(std::make_unique<TTestPin>(this, &FLock, name, dir));
  IncrementPinVersion();
  return FPins.back().get();
}

CBasePin* TTestFilter::GetPin(int n)
{
  if (n < 0 || n >= GetPinCount()) return nullptr;
  return FPins[static_cast<size_t>(n)].get();
}

}  // namespace vidkit_test
