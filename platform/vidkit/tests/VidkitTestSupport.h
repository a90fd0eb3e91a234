// Small filters and COM helpers shared by the Vidkit tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ComTest.h"
#include "Streams.h"

namespace vidkit_test {

using ostrel::test::ComApartment;
using ostrel::test::ComPtr;


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

// What a hook of a test pin throws when told to.
enum class TThrow { Nothing, Runtime, OutOfMemory, OleSys };

// A pin that accepts the major types in Accepted, offers those in Offered, and records the
// connection steps and state changes it sees. The hook named ThrowIn throws as Throw says (after
// recording its call), as a descendant's faulty hook would.
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
  std::string ThrowIn;
  TThrow Throw = TThrow::Nothing;
  HRESULT OleSysCode = VFW_E_NO_TRANSPORT;  // the code of the EOleSysError thrown
  std::vector<std::string> Calls;
  REFERENCE_TIME RunStart = -1;

private:
  void Record(const char* hook);
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
