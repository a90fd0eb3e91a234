// CBasePin: IPin and IQualityControl with the connection protocol and media-type negotiation,
// and CEnumMediaTypes, the enumerator over the pin's preferred types.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include <string>

#include "Basefilter.h"
#include "Combase.h"
#include "Mediatype.h"
#include "Wxutil.h"

// A pin has no life of its own: its reference counts go to the owning filter, which owns and
// deletes the pin. A descendant that adds an interface (class P : public IAsyncReader, public
// CBasePin) declares DECLARE_IUNKNOWN again so that both bases share this one IUnknown.
class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
  CBasePin(LPCTSTR pObjectName, CBaseFilter* pFilter, CCritSec* pLock, HRESULT* phr, LPCWSTR pName,
           PIN_DIRECTION dir);
  ~CBasePin() override;

  DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  // IPin
  HRESULT STDMETHODCALLTYPE Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pPin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override = 0;
  HRESULT STDMETHODCALLTYPE EndFlush() override = 0;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

  // IQualityControl
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* pSender, Quality q) override;
  HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* piqc) override;

  // State changes, called by the filter for connected pins.
  virtual HRESULT Active();
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME tStart);

  // Connection steps a descendant refines.
  virtual HRESULT CheckConnect(IPin* pPin);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* pReceivePin);
  virtual HRESULT CheckMediaType(const CMediaType* pmt) = 0;
  virtual HRESULT SetMediaType(const CMediaType* pmt);
  // The pin's preferred types, position 0 upwards; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int iPosition, CMediaType* pMediaType);
  virtual LONG GetMediaTypeVersion();
  void IncrementTypeVersion();

  bool IsConnected() const { return m_Connected != nullptr; }
  IPin* GetConnected() const { return m_Connected; }
  bool IsStopped() const { return m_pFilter->IsStopped(); }
  LPCWSTR Name() const { return m_Name.c_str(); }
  PIN_DIRECTION Direction() const { return m_dir; }
  CBaseFilter* Filter() const { return m_pFilter; }
  const CMediaType& CurrentMediaType() const { return m_mt; }
  REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
  REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
  double CurrentRate() const { return m_dRate; }

protected:
  // Connects with the first acceptable type: pmt itself when it is complete, otherwise the
  // receiver's types and then our own, each filtered by the partial pmt.
  virtual HRESULT AgreeMediaType(IPin* pReceivePin, const CMediaType* pmt);
  HRESULT TryMediaTypes(IPin* pReceivePin, const CMediaType* pmt, IEnumMediaTypes* pEnum);
  virtual HRESULT AttemptConnection(IPin* pReceivePin, const CMediaType* pmt);
  HRESULT DisconnectInternal();

private:
  // The connection sequence of both ends (Connect's attempts and ReceiveConnection): CheckConnect,
  // CheckMediaType, connected, SetMediaType, the receiver's ReceiveConnection when callReceiver,
  // CompleteConnect; on any failure what was done is undone and BreakConnect runs.
  HRESULT MakeConnection(IPin* peer, const CMediaType* pmt, bool callReceiver);

protected:

  std::wstring m_Name;
  IPin* m_Connected = nullptr;
  PIN_DIRECTION m_dir;
  CCritSec* m_pLock;
  CBaseFilter* m_pFilter;
  IQualityControl* m_pQSink = nullptr;  // not counted
  volatile LONG m_TypeVersion = 1;
  CMediaType m_mt;
  REFERENCE_TIME m_tStart = 0;
  REFERENCE_TIME m_tStop = MAXLONGLONG;
  double m_dRate = 1.0;
  bool m_bTryMyTypesFirst = false;
  bool m_bCanReconnectWhenActive = false;
};

// Enumerates a pin's preferred media types through GetMediaType; holds a reference to the pin.
class CEnumMediaTypes : public IEnumMediaTypes {
public:
  CEnumMediaTypes(CBasePin* pPin, const CEnumMediaTypes* pEnumMediaTypes);
  virtual ~CEnumMediaTypes();
  CEnumMediaTypes(const CEnumMediaTypes&) = delete;
  CEnumMediaTypes& operator=(const CEnumMediaTypes&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG cMediaTypes) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** ppEnum) override;

private:
  bool AreWeOutOfSync() const { return m_pPin->GetMediaTypeVersion() != m_Version; }

  volatile LONG m_cRef = 1;
  CBasePin* m_pPin;
  int m_Position;
  LONG m_Version;
};
