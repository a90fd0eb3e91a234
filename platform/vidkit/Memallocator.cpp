#include "Memallocator.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "Mediatype.h"

// --- CMediaSample

CMediaSample::CMediaSample(LPCTSTR, CBaseAllocator* pAllocator, HRESULT* phr, LPBYTE pBuffer, LONG length)
  : m_pBuffer(pBuffer), m_cbBuffer(length), m_lActual(length), m_pAllocator(pAllocator)
{
  if (!pAllocator && phr) *phr = E_POINTER;
}

CMediaSample::~CMediaSample() { DeleteMediaType(m_pMediaType); }

HRESULT STDMETHODCALLTYPE CMediaSample::QueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IMediaSample || riid == IID_IMediaSample2)
    return GetInterface(static_cast<IMediaSample2*>(this), ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CMediaSample::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

ULONG STDMETHODCALLTYPE CMediaSample::Release()
{
  LONG count = InterlockedDecrement(&m_cRef);
  if (count != 0) return static_cast<ULONG>(count > 0 ? count : 0);
  ResetProperties();
  // The allocator may free this sample (and itself) before ReleaseBuffer returns: touch
  // nothing of ours afterwards.
  m_pAllocator->ReleaseBuffer(this);
  return 0;
}

void CMediaSample::ResetProperties()
{
  DeleteMediaType(m_pMediaType);
  m_pMediaType = nullptr;
  m_dwFlags = 0;
  m_dwTypeSpecificFlags = 0;
  m_dwStreamId = AM_STREAM_MEDIA;
}

HRESULT CMediaSample::SetPointer(BYTE* pBuffer, LONG cBytes)
{
  if (cBytes < 0) return E_INVALIDARG;
  m_pBuffer = pBuffer;
  m_cbBuffer = cBytes;
  m_lActual = cBytes;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetPointer(BYTE** ppBuffer)
{
  if (!ppBuffer) return E_POINTER;
  *ppBuffer = m_pBuffer;
  return S_OK;
}

LONG STDMETHODCALLTYPE CMediaSample::GetSize() { return m_cbBuffer; }

HRESULT STDMETHODCALLTYPE CMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
  if (!pTimeStart || !pTimeEnd) return E_POINTER;
  if (!Has(TimeValid)) return VFW_E_SAMPLE_TIME_NOT_SET;
  *pTimeStart = m_Start;
  if (Has(StopValid)) {
    *pTimeEnd = m_End;
    return S_OK;
  }
  *pTimeEnd = m_Start + 1;
  return VFW_S_NO_STOP_TIME;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
  if (!pTimeStart) {
    // No start time: the sample has no times at all.
    Put(TimeValid | StopValid, FALSE);
    return S_OK;
  }
  m_Start = *pTimeStart;
  Put(TimeValid, TRUE);
  Put(StopValid, pTimeEnd != nullptr);
  if (pTimeEnd) m_End = *pTimeEnd;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsSyncPoint() { return Has(SyncPoint) ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetSyncPoint(BOOL bIsSyncPoint)
{
  Put(SyncPoint, bIsSyncPoint);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsPreroll() { return Has(Preroll) ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetPreroll(BOOL bIsPreroll)
{
  Put(Preroll, bIsPreroll);
  return S_OK;
}

LONG STDMETHODCALLTYPE CMediaSample::GetActualDataLength() { return m_lActual; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetActualDataLength(LONG length)
{
  if (length < 0 || length > m_cbBuffer) return VFW_E_BUFFER_OVERFLOW;
  m_lActual = length;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType)
{
  if (!ppMediaType) return E_POINTER;
  *ppMediaType = nullptr;
  if (!Has(TypeChanged) || !m_pMediaType) return S_FALSE;
  *ppMediaType = CreateMediaType(m_pMediaType);
  return *ppMediaType ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType)
{
  DeleteMediaType(m_pMediaType);
  m_pMediaType = nullptr;
  Put(TypeChanged, FALSE);
  if (!pMediaType) return S_OK;
  m_pMediaType = CreateMediaType(pMediaType);
  if (!m_pMediaType) return E_OUTOFMEMORY;
  Put(TypeChanged, TRUE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::IsDiscontinuity() { return Has(Discontinuity) ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE CMediaSample::SetDiscontinuity(BOOL bDiscontinuity)
{
  Put(Discontinuity, bDiscontinuity);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
  if (!pTimeStart || !pTimeEnd) return E_POINTER;
  if (!Has(MediaTimeValid)) return VFW_E_MEDIA_TIME_NOT_SET;
  *pTimeStart = m_MediaStart;
  *pTimeEnd = m_MediaEnd;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
  if (!pTimeStart) {
    Put(MediaTimeValid, FALSE);
    return S_OK;
  }
  if (!pTimeEnd) return E_POINTER;
  m_MediaStart = *pTimeStart;
  m_MediaEnd = *pTimeEnd;
  Put(MediaTimeValid, TRUE);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::GetProperties(DWORD cbProperties, BYTE* pbProperties)
{
  if (!pbProperties) return E_POINTER;
  AM_SAMPLE2_PROPERTIES props{};
  DWORD size = cbProperties < sizeof props ? cbProperties : static_cast<DWORD>(sizeof props);
  props.cbData = size;
  props.dwTypeSpecificFlags = m_dwTypeSpecificFlags;
  props.dwSampleFlags = m_dwFlags & PublicFlags;
  props.lActual = m_lActual;
  props.tStart = m_Start;
  props.tStop = m_End;
  props.dwStreamId = m_dwStreamId;
  props.pMediaType = Has(TypeChanged) ? m_pMediaType : nullptr;  // still owned by the sample
  props.pbBuffer = m_pBuffer;
  props.cbBuffer = m_cbBuffer;
  std::memcpy(pbProperties, &props, size);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CMediaSample::SetProperties(DWORD cbProperties, const BYTE* pbProperties)
{
  if (!pbProperties) return E_POINTER;
  AM_SAMPLE2_PROPERTIES props{};
  if (cbProperties < offsetof(AM_SAMPLE2_PROPERTIES, pMediaType) || cbProperties > sizeof props) return E_INVALIDARG;
  std::memcpy(&props, pbProperties, cbProperties);
  if (props.cbData != cbProperties) return E_INVALIDARG;
  const bool hasType = cbProperties >= offsetof(AM_SAMPLE2_PROPERTIES, pbBuffer);
  const bool hasBuffer = cbProperties == sizeof props;
  if (hasBuffer && (props.pbBuffer != m_pBuffer || props.cbBuffer != m_cbBuffer)) return E_INVALIDARG;
  if (props.lActual < 0 || props.lActual > m_cbBuffer) return VFW_E_BUFFER_OVERFLOW;
  if (hasType) {
    HRESULT hr = SetMediaType((props.dwSampleFlags & AM_SAMPLE_TYPECHANGED) ? props.pMediaType : nullptr);
    if (FAILED(hr)) return hr;
  }
  const DWORD typeFlag = m_dwFlags & TypeChanged;
  m_dwFlags = (m_dwFlags & ~PublicFlags) | (props.dwSampleFlags & PublicFlags & ~TypeChanged) | typeFlag;
  m_dwTypeSpecificFlags = props.dwTypeSpecificFlags;
  m_lActual = props.lActual;
  m_Start = props.tStart;
  m_End = props.tStop;
  m_dwStreamId = props.dwStreamId;
  return S_OK;
}

// --- CBaseAllocator

CBaseAllocator::CBaseAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr)
  : CUnknown(pName, pUnk), m_hSem(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr))
{
  if (!m_hSem && phr) *phr = E_OUTOFMEMORY;
}

CBaseAllocator::~CBaseAllocator() { FreeSamples(); }

HRESULT STDMETHODCALLTYPE CBaseAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseAllocator::Grant(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES& granted)
{
  granted = request;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                                        ALLOCATOR_PROPERTIES* pActual)
{
  if (!pRequest || !pActual) return E_POINTER;
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(&m_Lock);
    if (m_bCommitted) return VFW_E_ALREADY_COMMITTED;
    if (OutstandingCount() > 0) return VFW_E_BUFFERS_OUTSTANDING;
    ALLOCATOR_PROPERTIES granted{};
    HRESULT hr = Grant(*pRequest, granted);
    if (FAILED(hr)) return hr;
    m_lCount = granted.cBuffers;
    m_lSize = granted.cbBuffer;
    m_lAlignment = granted.cbAlign;
    m_lPrefix = granted.cbPrefix;
    m_bChanged = true;
    *pActual = granted;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* pActual)
{
  if (!pActual) return E_POINTER;
  CAutoLock lock(&m_Lock);
  pActual->cBuffers = m_lCount;
  pActual->cbBuffer = m_lSize;
  pActual->cbAlign = m_lAlignment;
  pActual->cbPrefix = m_lPrefix;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::Commit()
{
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(&m_Lock);
    if (m_bCommitted) return S_OK;
    // Committing again before the last sample came back keeps the samples that are out.
    m_bDecommitInProgress = false;
    HRESULT hr = Alloc();
    if (FAILED(hr)) return hr;
    m_bCommitted = true;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::Decommit()
{
  return Guarded([&]() -> HRESULT {
    CAutoLock lock(&m_Lock);
    if (!m_bCommitted) return S_OK;
    m_bCommitted = false;
    WakeWaiters(m_lWaiting);
    if (OutstandingCount() == 0)
      Free();
    else
      m_bDecommitInProgress = true;
    return S_OK;
  });
}

HRESULT CBaseAllocator::Alloc()
{
  if (m_lCount <= 0 || m_lSize <= 0 || m_lAlignment <= 0) return VFW_E_SIZENOTSET;
  if (!m_Samples.empty() && !m_bChanged) return S_FALSE;  // the samples we have still fit
  if (OutstandingCount() > 0) return VFW_E_BUFFERS_OUTSTANDING;
  return S_OK;
}

HRESULT CBaseAllocator::AddSample(std::unique_ptr<CMediaSample> sample)
{
  try {
    m_Samples.reserve(static_cast<size_t>(m_lCount));
    m_Free.reserve(static_cast<size_t>(m_lCount));
    m_Free.push_back(sample.get());
    m_Samples.push_back(std::move(sample));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void CBaseAllocator::FreeSamples()
{
  m_Free.clear();
  m_Samples.clear();
}

void CBaseAllocator::WakeWaiters(LONG count)
{
  if (count <= 0) return;
  m_lWaiting -= count;
  ReleaseSemaphore(m_hSem.Get(), count, nullptr);
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*, REFERENCE_TIME*,
                                                    DWORD dwFlags)
{
  if (!ppBuffer) return E_POINTER;
  *ppBuffer = nullptr;
  for (;;) {
    {
      CAutoLock lock(&m_Lock);
      if (!m_bCommitted) return VFW_E_NOT_COMMITTED;
      if (!m_Free.empty()) {
        CMediaSample* sample = m_Free.back();
        m_Free.pop_back();
        sample->m_cRef = 1;
        AddRef();  // the allocator lives while any sample is out
        *ppBuffer = sample;
        return S_OK;
      }
      if (dwFlags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
      ++m_lWaiting;
    }
    WaitForSingleObject(m_hSem.Get(), INFINITE);
  }
}

HRESULT STDMETHODCALLTYPE CBaseAllocator::ReleaseBuffer(IMediaSample* pBuffer)
{
  if (!pBuffer) return E_POINTER;
  HRESULT hr = S_OK;
  {
    CAutoLock lock(&m_Lock);
    // Room for every sample was reserved when they were made: this cannot throw.
    m_Free.push_back(static_cast<CMediaSample*>(pBuffer));
    WakeWaiters(m_lWaiting > 0 ? 1 : 0);
    if (m_bDecommitInProgress && OutstandingCount() == 0) {
      // The sample is back and the allocator's reference goes below whatever Free does.
      hr = Guarded([&] {
        Free();
        return S_OK;
      });
      m_bDecommitInProgress = false;
    }
  }
  Release();
  return hr;
}

bool CBaseAllocator::IsCommitted()
{
  CAutoLock lock(&m_Lock);
  return m_bCommitted;
}

LONG CBaseAllocator::OutstandingCount()
{
  CAutoLock lock(&m_Lock);
  return static_cast<LONG>(m_Samples.size() - m_Free.size());
}

// --- CMemAllocator

CMemAllocator::CMemAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr) : CBaseAllocator(pName, pUnk, phr) {}

CMemAllocator::~CMemAllocator()
{
  CAutoLock lock(&m_Lock);
  Free();
}

HRESULT CMemAllocator::Grant(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES& granted)
{
  LONG align = request.cbAlign;
  if (align <= 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
  if (request.cBuffers < 0 || request.cbBuffer < 0 || request.cbPrefix < 0) return E_INVALIDARG;
  // Every buffer starts aligned after its prefix, so the stride is a multiple of the alignment;
  // the buffer grows into the rounding.
  LONGLONG stride = (static_cast<LONGLONG>(request.cbBuffer) + request.cbPrefix + align - 1) & ~static_cast<LONGLONG>(align - 1);
  if (stride * (request.cBuffers > 0 ? request.cBuffers : 1) + align > 0x7FFFFFFF) return E_OUTOFMEMORY;
  granted = request;
  granted.cbBuffer = static_cast<LONG>(stride - request.cbPrefix);
  return S_OK;
}

HRESULT CMemAllocator::Alloc()
{
  HRESULT hr = CBaseAllocator::Alloc();
  if (FAILED(hr) || hr == S_FALSE) return hr;
  Free();
  const SIZE_T stride = static_cast<SIZE_T>(m_lSize) + static_cast<SIZE_T>(m_lPrefix);
  const SIZE_T total = stride * static_cast<SIZE_T>(m_lCount) + static_cast<SIZE_T>(m_lAlignment);
  m_pBuffer = static_cast<LPBYTE>(VirtualAlloc(nullptr, total, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!m_pBuffer) return E_OUTOFMEMORY;
  const auto align = static_cast<UINT_PTR>(m_lAlignment);
  const UINT_PTR firstBuffer = (reinterpret_cast<UINT_PTR>(m_pBuffer) + m_lPrefix + align - 1) & ~(align - 1);
  for (LONG i = 0; i < m_lCount; ++i) {
    auto* buffer = reinterpret_cast<LPBYTE>(firstBuffer + stride * static_cast<SIZE_T>(i));
    std::unique_ptr<CMediaSample> sample(new (std::nothrow) CMediaSample(L"Sample", this, &hr, buffer, m_lSize));
    if (!sample) hr = E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) hr = AddSample(std::move(sample));
    if (FAILED(hr)) {
      Free();
      return hr;
    }
  }
  m_bChanged = false;
  return S_OK;
}

void CMemAllocator::Free()
{
  FreeSamples();
  ReleaseBlock();
}

void CMemAllocator::ReleaseBlock()
{
  if (m_pBuffer) VirtualFree(m_pBuffer, 0, MEM_RELEASE);
  m_pBuffer = nullptr;
}
