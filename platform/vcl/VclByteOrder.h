// Little-endian integers of the formats the stand-in reads and writes (component streams, resource
// headers, BMP and ICO images), whatever the host's own order. Internal to the package.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vcl_detail {

// The sizeof(T) bytes at p, lowest first.
template <class T>
T ReadLE(const unsigned char* p)
{
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= uint64_t(p[i]) << (8 * i);
  return static_cast<T>(v);
}

// The sizeof(T) bytes of value at p, lowest first.
template <class T>
void WriteLE(T value, unsigned char* p)
{
  const uint64_t v = static_cast<uint64_t>(value);
  for (size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The bytes of value added at the end of out, lowest first.
template <class T>
void AppendLE(std::vector<unsigned char>& out, T value)
{
  unsigned char bytes[sizeof(T)];
  WriteLE<T>(value, bytes);
  out.insert(out.end(), bytes, bytes + sizeof(T));
}

inline uint16_t ReadLE16(const unsigned char* p) { return ReadLE<uint16_t>(p); }
inline uint32_t ReadLE32(const unsigned char* p) { return ReadLE<uint32_t>(p); }
inline uint64_t ReadLE64(const unsigned char* p) { return ReadLE<uint64_t>(p); }
inline void WriteLE16(uint16_t value, unsigned char* p) { WriteLE<uint16_t>(value, p); }
inline void WriteLE32(uint32_t value, unsigned char* p) { WriteLE<uint32_t>(value, p); }
inline void WriteLE64(uint64_t value, unsigned char* p) { WriteLE<uint64_t>(value, p); }
inline void AppendLE16(std::vector<unsigned char>& out, uint32_t value) { AppendLE<uint16_t>(out, uint16_t(value)); }
inline void AppendLE32(std::vector<unsigned char>& out, uint32_t value) { AppendLE<uint32_t>(out, value); }

}  // namespace vcl_detail
