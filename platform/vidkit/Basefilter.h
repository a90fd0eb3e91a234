// CBaseFilter: IBaseFilter (with IMediaFilter and IPersist) over the pins a descendant provides,
// and CEnumPins, the pin enumerator it hands out.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include <string>

#include "Combase.h"
#include "Wxutil.h"

class CBasePin;

// Registration data of a filter (the filter mapper's own structures).
typedef REGPINTYPES AMOVIESETUP_MEDIATYPE;
typedef REGFILTERPINS AMOVIESETUP_PIN;
struct AMOVIESETUP_FILTER {
  const CLSID* clsID;
  const WCHAR* strName;
  DWORD dwMerit;
  UINT nPins;
  const AMOVIESETUP_PIN* lpPin;
};
typedef AMOVIESETUP_FILTER* LPAMOVIESETUP_FILTER;

class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
  // pLock is the filter lock, owned by the descendant and shared with its pins.
  CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid);
  CBaseFilter(LPCTSTR pName, LPUNKNOWN pUnk, CCritSec* pLock, REFCLSID clsid, HRESULT* phr);
  ~CBaseFilter() override;

  DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IPersist
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClsID) override;

  // IMediaFilter
  HRESULT STDMETHODCALLTYPE GetState(DWORD dwMSecs, FILTER_STATE* State) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* pClock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** pClock) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME tStart) override;

  // Stream time: the clock's time less the start time given to Run.
  virtual HRESULT StreamTime(REFERENCE_TIME* rtStream);

  // IBaseFilter
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR Id, IPin** ppPin) override;
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* pVendorInfo) override;

  // Pin set: a descendant that adds or removes pins increments the version, which puts
  // outstanding pin enumerators out of sync.
  virtual LONG GetPinVersion();
  void IncrementPinVersion();
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;

  // IAMovieSetup: entries in the filter mapper from GetSetupData; S_FALSE when there is none.
  HRESULT STDMETHODCALLTYPE Register() override;
  HRESULT STDMETHODCALLTYPE Unregister() override;
  virtual LPAMOVIESETUP_FILTER GetSetupData();

  // Sends an event to the graph's event sink; EC_COMPLETE carries this filter as its second
  // parameter. E_NOTIMPL while the filter is in no graph.
  HRESULT NotifyEvent(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2);

  bool IsActive();
  bool IsStopped();
  FILTER_STATE State();
  IFilterGraph* GetFilterGraph() const { return m_pGraph; }
  CCritSec* FilterLock() const { return m_pLock; }

protected:
  FILTER_STATE m_State = State_Stopped;
  IReferenceClock* m_pClock = nullptr;
  REFERENCE_TIME m_tStart = 0;
  CLSID m_clsid;
  CCritSec* m_pLock;
  std::wstring m_Name;
  IFilterGraph* m_pGraph = nullptr;  // not counted: the graph holds the filter
  IMediaEventSink* m_pSink = nullptr;  // not counted, for the same reason
  volatile LONG m_PinVersion = 1;
};

// Enumerates a filter's pins through GetPinCount/GetPin; holds a reference to the filter.
class CEnumPins : public IEnumPins {
public:
  CEnumPins(CBaseFilter* pFilter, const CEnumPins* pEnumPins);
  virtual ~CEnumPins();
  CEnumPins(const CEnumPins&) = delete;
  CEnumPins& operator=(const CEnumPins&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG cPins) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** ppEnum) override;

private:
  bool AreWeOutOfSync() const { return m_pFilter->GetPinVersion() != m_Version; }

  volatile LONG m_cRef = 1;
  CBaseFilter* m_pFilter;
  int m_Position;
  LONG m_Version;
};
