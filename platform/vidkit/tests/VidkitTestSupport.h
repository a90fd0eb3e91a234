// Small filters and COM helpers shared by the Vidkit tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Streams.h"

namespace vidkit_test {

// Releases a COM interface at scope exit.
template <class T> struct ComPtr {
  T* p = nullptr;
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }
  void Reset()
  {
    if (p) p->Release();
    p = nullptr;
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
  void** Out() { return reinterpret_cast<void**>(&p); }
};

struct ComApartment {
  ComApartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~ComApartment() { CoUninitialize(); }
};

// The current count of a COM object: AddRef then Release report it.
inline ULONG RefCount(IUnknown* unknown)
{
  unknown->AddRef();
  return unknown->Release();
}

// A plain counted IUnknown, for pUnk members and clocks' stand-ins.
class TCountedUnknown : public IUnknown {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
  {
    if (riid != IID_IUnknown) return E_NOINTERFACE;
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++Count; }
  ULONG STDMETHODCALLTYPE Release() override { return --Count; }
  ULONG Count = 1;
};

extern const GUID TypeA;
extern const GUID TypeB;
extern const GUID SubA;

class TTestFilter;

// A pin that accepts the major types in Accepted, offers those in Offered, and records the
// connection steps and state changes it sees.
class TTestPin : public CBasePin {
public:
  TTestPin(TTestFilter* filter, CCritSec* lock, LPCWSTR name, PIN_DIRECTION dir);

  HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT Active() override;
  HRESULT Inactive() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;

  std::vector<GUID> Accepted;
  std::vector<GUID> Offered;
  HRESULT CompleteResult = S_OK;
  std::vector<std::string> Calls;
  REFERENCE_TIME RunStart = -1;
};

// A filter with the pins a test asks for; counts its destructions.
class TTestFilter : public CBaseFilter {
public:
  TTestFilter();
  ~TTestFilter() override;
  TTestPin* AddPin(LPCWSTR name, PIN_DIRECTION dir);
  int GetPinCount() override { return static_cast<int>(FPins.size()); }
  CBasePin* GetPin(int n) override;
  using CBaseFilter::NotifyEvent;

  static LONG Destroyed;
  CCritSec FLock;

private:
  std::vector<std::unique_ptr<TTestPin>> FPins;
};

}  // namespace vidkit_test
