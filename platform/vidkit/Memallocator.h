// Media samples and the allocators that own them: CMediaSample (IMediaSample over a buffer it
// does not own), CBaseAllocator (the free list, commit/decommit and the blocking GetBuffer) and
// CMemAllocator (one memory block carved into aligned buffers).
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include <memory>
#include <vector>

#include "Combase.h"
#include "Wxutil.h"

class CBaseAllocator;

// A sample lives as long as its allocator; releasing the last reference hands it back to the
// allocator's free list instead of deleting it.
class CMediaSample : public IMediaSample2 {
public:
  CMediaSample(LPCTSTR pName, CBaseAllocator* pAllocator, HRESULT* phr, LPBYTE pBuffer = nullptr, LONG length = 0);
  virtual ~CMediaSample();
  CMediaSample(const CMediaSample&) = delete;
  CMediaSample& operator=(const CMediaSample&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** ppBuffer) override;
  LONG STDMETHODCALLTYPE GetSize() override;
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL bIsSyncPoint) override;
  HRESULT STDMETHODCALLTYPE IsPreroll() override;
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL bIsPreroll) override;
  LONG STDMETHODCALLTYPE GetActualDataLength() override;
  HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL bDiscontinuity) override;
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

  // IMediaSample2: all properties at once, as AM_SAMPLE2_PROPERTIES (possibly cut short by the
  // caller's size). The buffer and its size cannot be changed this way.
  HRESULT STDMETHODCALLTYPE GetProperties(DWORD cbProperties, BYTE* pbProperties) override;
  HRESULT STDMETHODCALLTYPE SetProperties(DWORD cbProperties, const BYTE* pbProperties) override;

  // Points the sample at another buffer; only while nobody holds it.
  HRESULT SetPointer(BYTE* pBuffer, LONG cBytes);

protected:
  friend class CBaseAllocator;

  // The public flags are those of AM_SAMPLE2_PROPERTIES; media-time validity is our own.
  enum : DWORD {
    SyncPoint = AM_SAMPLE_SPLICEPOINT,
    Preroll = AM_SAMPLE_PREROLL,
    Discontinuity = AM_SAMPLE_DATADISCONTINUITY,
    TypeChanged = AM_SAMPLE_TYPECHANGED,
    TimeValid = AM_SAMPLE_TIMEVALID,
    StopValid = AM_SAMPLE_STOPVALID,
    PublicFlags = 0xFFFF,
    MediaTimeValid = 0x10000,
  };
  bool Has(DWORD flag) const { return (m_dwFlags & flag) != 0; }
  void Put(DWORD flag, BOOL on) { m_dwFlags = on ? (m_dwFlags | flag) : (m_dwFlags & ~flag); }
  // Clears what one user of the sample told the next: times, flags, type.
  void ResetProperties();

  DWORD m_dwFlags = 0;
  DWORD m_dwTypeSpecificFlags = 0;
  DWORD m_dwStreamId = AM_STREAM_MEDIA;
  LPBYTE m_pBuffer;
  LONG m_cbBuffer;
  LONG m_lActual;
  REFERENCE_TIME m_Start = 0;
  REFERENCE_TIME m_End = 0;
  LONGLONG m_MediaStart = 0;
  LONGLONG m_MediaEnd = 0;
  AM_MEDIA_TYPE* m_pMediaType = nullptr;
  CBaseAllocator* m_pAllocator;
  volatile LONG m_cRef = 0;
};

class CBaseAllocator : public CUnknown, public IMemAllocator {
public:
  CBaseAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
  ~CBaseAllocator() override;

  DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Stores the request; the granted values come back in pActual. Refused while committed or
  // while samples are out.
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* pActual) override;
  HRESULT STDMETHODCALLTYPE Commit() override;
  // Waiters in GetBuffer wake with VFW_E_NOT_COMMITTED; the memory goes once every sample is back.
  HRESULT STDMETHODCALLTYPE Decommit() override;
  // Blocks until a sample is free unless AM_GBF_NOWAIT is given; each sample handed out holds a
  // reference to the allocator.
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime, DWORD dwFlags) override;
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* pBuffer) override;

  bool IsCommitted();
  // Samples handed out and not yet back.
  LONG OutstandingCount();

protected:
  // Creates the samples and their memory for the current properties (under the lock).
  virtual HRESULT Alloc();
  // Frees the samples and their memory; called under the lock with every sample back.
  virtual void Free() = 0;
  void FreeSamples();
  HRESULT AddSample(std::unique_ptr<CMediaSample> sample);
  // Granted alignment, buffer size and count for a request; the base grants it unchanged.
  virtual HRESULT Grant(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES& granted);

  CCritSec m_Lock;
  std::vector<std::unique_ptr<CMediaSample>> m_Samples;  // every sample made
  std::vector<CMediaSample*> m_Free;                      // those not handed out
  CHandle m_hSem;  // counts free samples for blocked GetBuffer calls
  LONG m_lWaiting = 0;
  LONG m_lCount = 0;
  LONG m_lSize = 0;
  LONG m_lAlignment = 0;
  LONG m_lPrefix = 0;
  bool m_bChanged = false;
  bool m_bCommitted = false;
  bool m_bDecommitInProgress = false;

private:
  void WakeWaiters(LONG count);
};

// Allocates one block of memory at Commit and divides it into buffers, each aligned to cbAlign
// after a prefix of cbPrefix bytes; every buffer gets the granted size.
class CMemAllocator : public CBaseAllocator {
public:
  CMemAllocator(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
  ~CMemAllocator() override;

protected:
  HRESULT Alloc() override;
  void Free() override;
  HRESULT Grant(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES& granted) override;

private:
  void ReleaseBlock();

  LPBYTE m_pBuffer = nullptr;  // the block, from VirtualAlloc
};
