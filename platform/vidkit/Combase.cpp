#include "Combase.h"

namespace {
volatile LONG g_cObjects = 0;
}

CUnknown::CUnknown(LPCTSTR pName, LPUNKNOWN pUnk)
  : m_pName(pName),
    m_pUnknown(pUnk ? pUnk : reinterpret_cast<LPUNKNOWN>(static_cast<INonDelegatingUnknown*>(this)))
{
  InterlockedIncrement(&g_cObjects);
}

CUnknown::CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT*) : CUnknown(pName, pUnk) {}

CUnknown::~CUnknown() { InterlockedDecrement(&g_cObjects); }

LONG CUnknown::ObjectCount() { return InterlockedCompareExchange(&g_cObjects, 0, 0); }

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown)
    return GetInterface(reinterpret_cast<LPUNKNOWN>(static_cast<INonDelegatingUnknown*>(this)), ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef()
{
  return static_cast<ULONG>(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease()
{
  LONG count = InterlockedDecrement(&m_cRef);
  if (count != 0) return static_cast<ULONG>(count > 0 ? count : 0);
  // A destructor that hands out and drops a reference of its own must not delete twice.
  m_cRef = 1;
  delete this;
  return 0;
}

HRESULT GetInterface(LPUNKNOWN pUnk, void** ppv)
{
  if (!ppv) return E_POINTER;
  *ppv = pUnk;
  if (pUnk) pUnk->AddRef();
  return S_OK;
}
