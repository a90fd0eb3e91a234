#include "Basefilter.h"

#include <new>

#include <control.h>
#include <evcode.h>
#include <uuids.h>

#include "Basepin.h"

CBaseFilter::CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid)
  : CUnknown(pName, pUnk), m_clsid(clsid), m_pLock(pLock)
{
}

CBaseFilter::CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT*)
  : CBaseFilter(pName, pUnk, pLock, clsid)
{
}

CBaseFilter::~CBaseFilter()
{
  if (m_pClock) m_pClock->Release();
}

HRESULT STDMETHODCALLTYPE CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
    return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  if (riid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetClassID(CLSID* pClsID)
{
  if (!pClsID) return E_POINTER;
  *pClsID = m_clsid;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetState(DWORD, FILTER_STATE* State)
{
  if (!State) return E_POINTER;
  *State = m_State;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::SetSyncSource(IReferenceClock* pClock)
{
  CAutoLock lock(m_pLock);
  if (pClock) pClock->AddRef();
  if (m_pClock) m_pClock->Release();
  m_pClock = pClock;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::GetSyncSource(IReferenceClock** pClock)
{
  if (!pClock) return E_POINTER;
  CAutoLock lock(m_pLock);
  *pClock = m_pClock;
  if (m_pClock) m_pClock->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Stop()
{
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    HRESULT result = S_OK;
    if (m_State != State_Stopped) {
      for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* pin = GetPin(i);
        if (!pin || !pin->IsConnected()) continue;
        // Every pin is told, whatever one of them does.
        const HRESULT hr = Guarded([&] { return pin->Inactive(); });
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    }
    m_State = State_Stopped;
    return result;
  });
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Pause()
{
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    if (m_State == State_Stopped) {
      for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* pin = GetPin(i);
        if (!pin || !pin->IsConnected()) continue;
        HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
    m_State = State_Paused;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Run(REFERENCE_TIME tStart)
{
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    m_tStart = tStart;
    if (m_State == State_Stopped) {
      HRESULT hr = Pause();
      if (FAILED(hr)) return hr;
    }
    if (m_State != State_Running) {
      for (int i = 0, n = GetPinCount(); i < n; ++i) {
        CBasePin* pin = GetPin(i);
        if (!pin || !pin->IsConnected()) continue;
        HRESULT hr = pin->Run(tStart);
        if (FAILED(hr)) return hr;
      }
    }
    m_State = State_Running;
    return S_OK;
  });
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* rtStream)
{
  if (!rtStream) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (!m_pClock) return VFW_E_NO_CLOCK;
  HRESULT hr = m_pClock->GetTime(rtStream);
  if (FAILED(hr)) return hr;
  *rtStream -= m_tStart;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::EnumPins(IEnumPins** ppEnum)
{
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  return Guarded([&]() -> HRESULT {
    *ppEnum = new (std::nothrow) CEnumPins(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT STDMETHODCALLTYPE CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
  if (!ppPin) return E_POINTER;
  *ppPin = nullptr;
  if (!Id) return E_POINTER;
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    for (int i = 0, n = GetPinCount(); i < n; ++i) {
      CBasePin* pin = GetPin(i);
      if (!pin || lstrcmpW(pin->Name(), Id) != 0) continue;
      *ppPin = pin;
      pin->AddRef();
      return S_OK;
    }
    return VFW_E_NOT_FOUND;
  });
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
  if (!pInfo) return E_POINTER;
  lstrcpynW(pInfo->achName, m_Name.c_str(), MAX_FILTER_NAME);
  pInfo->pGraph = m_pGraph;
  if (m_pGraph) m_pGraph->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
  CAutoLock lock(m_pLock);
  m_pGraph = pGraph;
  m_pSink = nullptr;
  if (pGraph && SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&m_pSink)))) {
    // Kept without a reference: the graph outlives our membership in it.
    m_pSink->Release();
  } else {
    m_pSink = nullptr;
  }
  return Guarded([&] {
    m_Name = pName ? pName : L"";
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CBaseFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

LONG CBaseFilter::GetPinVersion() { return InterlockedCompareExchange(&m_PinVersion, 0, 0); }

void CBaseFilter::IncrementPinVersion() { InterlockedIncrement(&m_PinVersion); }

LPAMOVIESETUP_FILTER CBaseFilter::GetSetupData() { return nullptr; }

namespace {

// The filter mapper, released with the scope.
struct FilterMapper {
  IFilterMapper2* p = nullptr;
  FilterMapper()
  {
    if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                reinterpret_cast<void**>(&p))))
      p = nullptr;
  }
  ~FilterMapper() { if (p) p->Release(); }
};

}  // namespace

HRESULT STDMETHODCALLTYPE CBaseFilter::Register()
{
  return Guarded([&]() -> HRESULT {
    LPAMOVIESETUP_FILTER setup = GetSetupData();
    if (!setup) return S_FALSE;
    FilterMapper mapper;
    if (!mapper.p) return E_FAIL;
    REGFILTER2 reg = {};
    reg.dwVersion = 1;
    reg.dwMerit = setup->dwMerit;
    reg.cPins = setup->nPins;
    reg.rgPins = setup->lpPin;
    return mapper.p->RegisterFilter(*setup->clsID, setup->strName, nullptr, &CLSID_LegacyAmFilterCategory, nullptr,
                                    &reg);
  });
}

HRESULT STDMETHODCALLTYPE CBaseFilter::Unregister()
{
  return Guarded([&]() -> HRESULT {
    LPAMOVIESETUP_FILTER setup = GetSetupData();
    if (!setup) return S_FALSE;
    FilterMapper mapper;
    if (!mapper.p) return E_FAIL;
    return mapper.p->UnregisterFilter(&CLSID_LegacyAmFilterCategory, nullptr, *setup->clsID);
  });
}

HRESULT CBaseFilter::NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2)
{
  IMediaEventSink* sink = m_pSink;
  if (!sink) return E_NOTIMPL;
  if (EventCode == EC_COMPLETE && EventParam2 == 0)
    EventParam2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  return sink->Notify(EventCode, EventParam1, EventParam2);
}

bool CBaseFilter::IsActive()
{
  CAutoLock lock(m_pLock);
  return m_State != State_Stopped;
}

bool CBaseFilter::IsStopped() { return m_State == State_Stopped; }

FILTER_STATE CBaseFilter::State() { return m_State; }

// --- CEnumPins

CEnumPins::CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnumPins)
  : m_pFilter(pFilter),
    m_Position(pEnumPins ? pEnumPins->m_Position : 0),
    m_Version(pEnumPins ? pEnumPins->m_Version : pFilter->GetPinVersion())
{
  m_pFilter->AddRef();
}

CEnumPins::~CEnumPins() { m_pFilter->Release(); }

HRESULT STDMETHODCALLTYPE CEnumPins::QueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IEnumPins) return GetInterface(static_cast<IEnumPins*>(this), ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CEnumPins::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CEnumPins::Release()
{
  LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched)
{
  if (!ppPins) return E_POINTER;
  if (!pcFetched && cPins > 1) return E_INVALIDARG;
  if (pcFetched) *pcFetched = 0;
  return Guarded([&]() -> HRESULT {
    if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    int count = m_pFilter->GetPinCount();
    while (fetched < cPins && m_Position < count) {
      CBasePin* pin = m_pFilter->GetPin(m_Position++);
      if (!pin) continue;
      pin->AddRef();
      ppPins[fetched++] = pin;
    }
    if (pcFetched) *pcFetched = fetched;
    return fetched == cPins ? S_OK : S_FALSE;
  });
}

HRESULT STDMETHODCALLTYPE CEnumPins::Skip(ULONG cPins)
{
  return Guarded([&]() -> HRESULT {
    if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    int left = m_pFilter->GetPinCount() - m_Position;
    if (left < 0 || cPins > static_cast<ULONG>(left)) {
      m_Position += left > 0 ? left : 0;
      return S_FALSE;
    }
    m_Position += static_cast<int>(cPins);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CEnumPins::Reset()
{
  return Guarded([&]() -> HRESULT {
    m_Version = m_pFilter->GetPinVersion();
    m_Position = 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CEnumPins::Clone(IEnumPins** ppEnum)
{
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  return Guarded([&]() -> HRESULT {
    if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    *ppEnum = new (std::nothrow) CEnumPins(m_pFilter, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
  });
}
