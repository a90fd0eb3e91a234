// What the component reader (ClassesReader.cpp) and writer (ClassesWriter.cpp) share besides the
// byte order (VclByteOrder.h): the extended format they stream, and putting filer state back when a
// nested part is done.
#pragma once
#include <cfloat>
#include <utility>

// Extended values are streamed as the bytes of a long double: MinGW's long double is the x87 80-bit
// format on both targets, so nothing is lost on the way in or out.
static_assert(LDBL_MANT_DIG == 64 && sizeof(long double) >= 10, "long double must be the x87 extended format");

namespace vcl_detail {

// Runs its action when the scope ends, by return or by exception. A filer that changes its owner,
// ancestor or property path for a nested component, collection or sub-object puts it back with one,
// so that a failure deep down leaves the filer as the caller knew it. The action must not throw.
template <class F>
class TRestoreOnExit {
public:
  explicit TRestoreOnExit(F action) : FAction(std::move(action)) {}
  ~TRestoreOnExit() { FAction(); }
  TRestoreOnExit(const TRestoreOnExit&) = delete;
  TRestoreOnExit& operator=(const TRestoreOnExit&) = delete;

private:
  F FAction;
};

}  // namespace vcl_detail
