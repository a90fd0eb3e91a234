// COM for tests: the thread's apartment for a scope, and a counted interface pointer. Plain COM
// (no VCL), so any test executable may use it.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <memory>

namespace ostrel::test {

// Joins the calling thread to an apartment of the kind asked for (COINIT_MULTITHREADED or
// COINIT_APARTMENTTHREADED) and leaves it at scope exit, but only when joining succeeded: a thread
// already in an apartment of the other kind (RPC_E_CHANGED_MODE) must not lose that one.
class ComApartment {
public:
  explicit ComApartment(DWORD kind = COINIT_MULTITHREADED) : result_(CoInitializeEx(nullptr, kind)) {}
  ~ComApartment()
  {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // What CoInitializeEx answered: S_OK for a new apartment, S_FALSE when the thread was in one.
  HRESULT Result() const { return result_; }

private:
  HRESULT result_;
};

// One counted reference to an interface, released at scope exit. `&ptr` (or `ptr.Out()` for a
// void** parameter) releases what is held and gives the slot to an out parameter.
template <class T> class ComPtr {
public:
  ComPtr() = default;
  // Adopts the reference p carries; with addRef, takes one of its own.
  explicit ComPtr(T* p, bool addRef = false) : p_(p)
  {
    if (p_ && addRef) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept
  {
    if (this != std::addressof(other)) {
      Reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  void Reset()
  {
    if (p_) p_->Release();
    p_ = nullptr;
  }
  // Adopts a reference the caller holds.
  void Attach(T* p)
  {
    Reset();
    p_ = p;
  }
  T** operator&()
  {
    Reset();
    return &p_;
  }
  void** Out()
  {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

private:
  T* p_ = nullptr;
};

// Another interface of the same object, empty when it has none.
template <class T, class U> ComPtr<T> Query(U* from, REFIID iid)
{
  ComPtr<T> to;
  if (from) from->QueryInterface(iid, to.Out());
  return to;
}

}  // namespace ostrel::test
