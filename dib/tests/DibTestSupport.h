// Packed DIBs and BMP files built byte by byte, for the tests of the dib package.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace dibtest {
using Bytes = std::vector<uint8_t>;

inline BITMAPINFOHEADER Info(int bits, int width, int height, DWORD clrUsed = 0, DWORD compression = BI_RGB,
                             DWORD sizeImage = 0)
{
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = WORD(bits);
  h.biCompression = compression;
  h.biSizeImage = sizeImage;
  h.biXPelsPerMeter = 2835;
  h.biYPelsPerMeter = 2835;
  h.biClrUsed = clrUsed;
  return h;
}

inline void Append(Bytes& out, const void* data, size_t size)
{
  const auto* p = static_cast<const uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}

inline void Append32(Bytes& out, uint32_t v) { Append(out, &v, 4); }

// Header (biSize bytes: a larger one is zero-filled after the first 40), the table or masks as
// 32-bit words, then each row in memory order padded to the line size.
inline Bytes PackedDib(const BITMAPINFOHEADER& h, std::initializer_list<uint32_t> table,
                       const std::vector<Bytes>& rows)
{
  Bytes out;
  Append(out, &h, sizeof h);
  out.resize(h.biSize, 0);
  for (uint32_t entry : table) Append32(out, entry);
  // A palette image's table is as long as its header says; entries not given are black.
  if (h.biBitCount <= 8) {
    const size_t entries = h.biClrUsed ? h.biClrUsed : size_t(1) << h.biBitCount;
    for (size_t i = table.size(); i < entries; ++i) Append32(out, 0);
  }
  const size_t line = size_t((h.biBitCount * h.biWidth + 31) / 32 * 4);
  for (Bytes row : rows) {
    row.resize(h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS ? line : row.size(), 0);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// 24-bit pixels (0xRRGGBB each) as the bytes of one row.
inline Bytes Row24(std::initializer_list<uint32_t> pixels)
{
  Bytes row;
  for (uint32_t p : pixels) {
    row.push_back(uint8_t(p));
    row.push_back(uint8_t(p >> 8));
    row.push_back(uint8_t(p >> 16));
  }
  return row;
}

inline Bytes Row32(std::initializer_list<uint32_t> pixels)
{
  Bytes row;
  for (uint32_t p : pixels) Append32(row, p);
  return row;
}

// The BMP file of a packed DIB; the pixels start after the headers plus gap bytes (0xEE), as
// bfOffBits says.
inline Bytes BmpFile(const Bytes& dib, size_t headersSize, size_t gap = 0)
{
  BITMAPFILEHEADER f{};
  f.bfType = 0x4D42;
  f.bfSize = DWORD(sizeof f + dib.size() + gap);
  f.bfOffBits = DWORD(sizeof f + headersSize + gap);
  Bytes out;
  Append(out, &f, sizeof f);
  out.insert(out.end(), dib.begin(), dib.begin() + long(headersSize));
  out.insert(out.end(), gap, 0xEE);
  out.insert(out.end(), dib.begin() + long(headersSize), dib.end());
  return out;
}

inline const BITMAPINFOHEADER* HeaderOf(const Bytes& dib) { return reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()); }
}  // namespace dibtest
