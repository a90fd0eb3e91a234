// COM plumbing of the DirectShow base classes: the non-delegating IUnknown that lets an object be
// aggregated, the reference-counted base CUnknown, and the helpers its descendants use.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>

#include "SysUtils.h"

// The object's own IUnknown. Its table has exactly the three slots of IUnknown, in the same
// order and calling convention, so a pointer to it serves as the object's identity IUnknown.
struct INonDelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

// Reference counting and identity. With an outer unknown the object is aggregated: its public
// IUnknown methods (DECLARE_IUNKNOWN) go to the outer object; otherwise to its own
// non-delegating ones. The last NonDelegatingRelease deletes the object.
class CUnknown : public INonDelegatingUnknown {
public:
  CUnknown(LPCTSTR pName, LPUNKNOWN pUnk);
  CUnknown(LPCTSTR pName, LPUNKNOWN pUnk, HRESULT* phr);
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  virtual ~CUnknown();

  // The controlling unknown: the outer object when aggregated, else this object's own.
  LPUNKNOWN GetOwner() const { return m_pUnknown; }
  LPCTSTR Name() const { return m_pName; }

  // Objects alive in this module, for leak checks.
  static LONG ObjectCount();

protected:
  volatile LONG m_cRef = 0;

private:
  LPCTSTR m_pName;
  LPUNKNOWN m_pUnknown;
};

// Returns pUnk through ppv with a reference added: the usual tail of NonDelegatingQueryInterface.
HRESULT GetInterface(LPUNKNOWN pUnk, void** ppv);

// Public IUnknown of a class derived from CUnknown: everything goes to the controlling unknown.
#define DECLARE_IUNKNOWN                                                                        \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override                   \
  {                                                                                             \
    return GetOwner()->QueryInterface(riid, ppv);                                               \
  }                                                                                             \
  ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }                   \
  ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }

// Runs the body of a COM method (or a descendant's hook called from one) and answers its HRESULT
// whatever happens inside: no exception may unwind into a COM caller, whose frames the unwinder
// cannot pass. Memory running out is E_OUTOFMEMORY, a failed platform call (EOleSysError) its own
// code, anything else E_UNEXPECTED.
template <class F> HRESULT Guarded(F&& body) noexcept
{
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const EOleSysError& e) {
    return e.ErrorCode;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
