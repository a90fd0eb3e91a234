// The component library's basic value and container types.
#pragma once
#include <cstdint>

// An unsigned 64-bit value kept as two 32-bit halves, low half first in memory, so that a platform
// call returning the high 32 bits through a pointer (SetFilePointer, GetFileSize) writes them in place.
class TUInt64 {
public:
  TUInt64() = default;
  TUInt64(uint64_t value) : FLow(static_cast<uint32_t>(value)), FHigh(static_cast<uint32_t>(value >> 32)) {}

  operator uint64_t() const { return (static_cast<uint64_t>(FHigh) << 32) | FLow; }

  uint32_t GetLowInt() const { return FLow; }
  uint32_t GetHighInt() const { return FHigh; }
  void SetLowInt(uint32_t value) { FLow = value; }
  void SetHighInt(uint32_t value) { FHigh = value; }
  uint32_t* GetHighIntPtr() { return &FHigh; }

private:
  uint32_t FLow = 0;
  uint32_t FHigh = 0;
};
static_assert(sizeof(TUInt64) == 8, "TUInt64 is two packed 32-bit halves");
