#include "Basepin.h"

#include <new>

namespace {

// Releases a COM interface at scope exit.
template <class T> struct Released {
  T* p = nullptr;
  ~Released() { if (p) p->Release(); }
};

// Failures that only mean "not this type": negotiation goes on to the next candidate and does
// not report them when every candidate fails.
bool IsTypeRefusal(HRESULT hr)
{
  return hr == E_FAIL || hr == S_FALSE || hr == VFW_E_TYPE_NOT_ACCEPTED || hr == E_INVALIDARG ||
         hr == VFW_E_INVALIDMEDIATYPE || hr == VFW_E_NO_ACCEPTABLE_TYPES;
}

}  // namespace

CBasePin::CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT*, LPCWSTR pName,
                   PIN_DIRECTION dir)
  : CUnknown(pObjectName, nullptr), m_Name(pName ? pName : L""), m_dir(dir), m_pLock(pLock), m_pFilter(pFilter)
{
}

CBasePin::~CBasePin()
{
  // A filter deleted while still connected (its graph vanished without disconnecting) must not
  // leak the peer's reference.
  if (m_Connected) m_Connected->Release();
}

HRESULT STDMETHODCALLTYPE CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IPin) return GetInterface(static_cast<IPin*>(this), ppv);
  if (riid == IID_IQualityControl) return GetInterface(static_cast<IQualityControl*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

HRESULT STDMETHODCALLTYPE CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
  if (!pReceivePin) return E_POINTER;
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;
    HRESULT hr = S_OK;
    CMediaType wanted;
    if (pmt) {
      hr = wanted.Set(*pmt);
      if (FAILED(hr)) return hr;
    }
    hr = AgreeMediaType(pReceivePin, pmt ? &wanted : nullptr);
    if (FAILED(hr)) return hr;
    return S_OK;
  });
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt)
{
  if (pmt && !pmt->IsPartiallySpecified()) return AttemptConnection(pReceivePin, pmt);

  HRESULT firstReason = S_OK;
  for (int pass = 0; pass < 2; ++pass) {
    bool ours = (pass == 0) == m_bTryMyTypesFirst;
    Released<IEnumMediaTypes> types;
    HRESULT hr = ours ? EnumMediaTypes(&types.p) : pReceivePin->EnumMediaTypes(&types.p);
    if (FAILED(hr) || !types.p) continue;
    hr = TryMediaTypes(pReceivePin, pmt, types.p);
    if (SUCCEEDED(hr)) return S_OK;
    if (!IsTypeRefusal(hr) && firstReason == S_OK) firstReason = hr;
  }
  return FAILED(firstReason) ? firstReason : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum)
{
  if (FAILED(pEnum->Reset())) return E_FAIL;
  HRESULT reason = VFW_E_NO_ACCEPTABLE_TYPES;
  for (;;) {
    AM_MEDIA_TYPE* next = nullptr;
    ULONG fetched = 0;
    if (pEnum->Next(1, &next, &fetched) != S_OK || fetched != 1 || !next) {
      if (next) DeleteMediaType(next);
      return reason;
    }
    CMediaType candidate;
    HRESULT hr = candidate.Set(*next);
    DeleteMediaType(next);
    if (FAILED(hr)) return hr;
    if (pmt && !candidate.MatchesPartial(pmt)) continue;
    hr = AttemptConnection(pReceivePin, &candidate);
    if (SUCCEEDED(hr)) return S_OK;
    if (!IsTypeRefusal(hr) && reason == VFW_E_NO_ACCEPTABLE_TYPES) reason = hr;
  }
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const CMediaType* pmt)
{
  return MakeConnection(pReceivePin, pmt, true);
}

HRESULT STDMETHODCALLTYPE CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
  if (!pConnector || !pmt) return E_POINTER;
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !m_bCanReconnectWhenActive) return VFW_E_NOT_STOPPED;
    CMediaType type;
    const HRESULT hr = type.Set(*pmt);
    if (FAILED(hr)) return hr;
    return MakeConnection(pConnector, &type, false);
  });
}

// Both ends connect the same way. Every hook runs guarded, so one that throws fails the connection
// as a failure code would, and what was done is undone: the pin is left unconnected.
HRESULT CBasePin::MakeConnection(IPin* peer, const CMediaType* pmt, bool callReceiver)
{
  HRESULT hr = Guarded([&] { return CheckConnect(peer); });
  if (FAILED(hr)) {
    Guarded([&] { return BreakConnect(); });
    return hr;
  }
  hr = Guarded([&] { return CheckMediaType(pmt); });
  if (hr != S_OK) {
    Guarded([&] { return BreakConnect(); });
    return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
  }
  // Connected before the receiver hears of it: it may call us back (a parser reads the stream
  // inside ReceiveConnection).
  m_Connected = peer;
  m_Connected->AddRef();
  hr = Guarded([&] { return SetMediaType(pmt); });
  bool receiverConnected = false;
  if (SUCCEEDED(hr) && callReceiver) {
    hr = peer->ReceiveConnection(static_cast<IPin*>(this), pmt);
    receiverConnected = SUCCEEDED(hr);
  }
  if (SUCCEEDED(hr)) hr = Guarded([&] { return CompleteConnect(peer); });
  if (SUCCEEDED(hr)) return S_OK;
  if (receiverConnected) peer->Disconnect();
  m_Connected->Release();
  m_Connected = nullptr;
  Guarded([&] { return BreakConnect(); });
  return hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::Disconnect()
{
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    return DisconnectInternal();
  });
}

HRESULT CBasePin::DisconnectInternal()
{
  if (!m_Connected) return S_FALSE;
  HRESULT hr = BreakConnect();
  if (FAILED(hr)) return hr;
  m_Connected->Release();
  m_Connected = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectedTo(IPin** pPin)
{
  if (!pPin) return E_POINTER;
  // No lock: a peer may ask from its own thread while we wait inside ReceiveConnection.
  IPin* peer = m_Connected;
  *pPin = peer;
  if (!peer) return VFW_E_NOT_CONNECTED;
  peer->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
  if (!pmt) return E_POINTER;
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(m_pLock);
    if (!m_Connected) {
      *pmt = AM_MEDIA_TYPE{};
      return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(pmt, &m_mt);
  });
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryPinInfo(PIN_INFO* pInfo)
{
  if (!pInfo) return E_POINTER;
  pInfo->pFilter = m_pFilter;
  if (m_pFilter) m_pFilter->AddRef();
  lstrcpynW(pInfo->achName, m_Name.c_str(), MAX_PIN_NAME);
  pInfo->dir = m_dir;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
  if (!pPinDir) return E_POINTER;
  *pPinDir = m_dir;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryId(LPWSTR* Id)
{
  if (!Id) return E_POINTER;
  size_t bytes = (m_Name.size() + 1) * sizeof(WCHAR);
  *Id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*Id) return E_OUTOFMEMORY;
  CopyMemory(*Id, m_Name.c_str(), bytes);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
  if (!pmt) return E_POINTER;
  CMediaType type;
  if (FAILED(type.Set(*pmt))) return E_OUTOFMEMORY;
  // A hook that throws refuses the type.
  return Guarded([&] { return CheckMediaType(&type); }) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  return Guarded([&] {
    *ppEnum = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePin::EndOfStream() { return S_OK; }

HRESULT STDMETHODCALLTYPE CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
  m_tStart = tStart;
  m_tStop = tStop;
  m_dRate = dRate;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE CBasePin::SetSink(IQualityControl* piqc)
{
  CAutoLock lock(m_pLock);
  m_pQSink = piqc;
  return S_OK;
}

HRESULT CBasePin::Active() { return S_OK; }

HRESULT CBasePin::Inactive() { return S_OK; }

HRESULT CBasePin::Run(REFERENCE_TIME) { return S_OK; }

HRESULT CBasePin::CheckConnect(IPin* pPin)
{
  PIN_DIRECTION other;
  HRESULT hr = pPin->QueryDirection(&other);
  if (FAILED(hr)) return hr;
  return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }

HRESULT CBasePin::SetMediaType(const CMediaType* pmt) { return m_mt.Set(*pmt); }

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return E_UNEXPECTED; }

LONG CBasePin::GetMediaTypeVersion() { return InterlockedCompareExchange(&m_TypeVersion, 0, 0); }

void CBasePin::IncrementTypeVersion() { InterlockedIncrement(&m_TypeVersion); }

// --- CEnumMediaTypes

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnumMediaTypes)
  : m_pPin(pPin),
    m_Position(pEnumMediaTypes ? pEnumMediaTypes->m_Position : 0),
    m_Version(pEnumMediaTypes ? pEnumMediaTypes->m_Version : pPin->GetMediaTypeVersion())
{
  m_pPin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pPin->Release(); }

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IEnumMediaTypes)
    return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CEnumMediaTypes::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CEnumMediaTypes::Release()
{
  LONG count = InterlockedDecrement(&m_cRef);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched)
{
  if (!ppMediaTypes) return E_POINTER;
  if (!pcFetched && cMediaTypes > 1) return E_INVALIDARG;
  if (pcFetched) *pcFetched = 0;
  return Guarded([&]() -> HRESULT {
    if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    while (fetched < cMediaTypes) {
      // A pin's GetMediaType that throws ends the list, so the types already handed out stay owned.
      CMediaType type;
      if (Guarded([&] { return m_pPin->GetMediaType(m_Position, &type); }) != S_OK) break;
      AM_MEDIA_TYPE* copy = CreateMediaType(&type);
      if (!copy) break;
      ++m_Position;
      ppMediaTypes[fetched++] = copy;
    }
    if (pcFetched) *pcFetched = fetched;
    return fetched == cMediaTypes ? S_OK : S_FALSE;
  });
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Skip(ULONG cMediaTypes)
{
  return Guarded([&]() -> HRESULT {
    if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    while (cMediaTypes > 0) {
      CMediaType type;
      if (m_pPin->GetMediaType(m_Position, &type) != S_OK) return S_FALSE;
      ++m_Position;
      --cMediaTypes;
    }
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Reset()
{
  return Guarded([&] {
    m_Version = m_pPin->GetMediaTypeVersion();
    m_Position = 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum)
{
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  return Guarded([&]() -> HRESULT {
    if (AreWeOutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    *ppEnum = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
  });
}
