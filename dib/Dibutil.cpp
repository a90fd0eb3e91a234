// Dibutil: size rules, empty blocks, the colour reductions and the interpolation kernels.
#include "Dibutil.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Consts.h"
#include "SysUtils.h"

namespace {
constexpr int64_t InfoHeaderSize = sizeof(BITMAPINFOHEADER);  // 40
static_assert(InfoHeaderSize == 40, "BITMAPINFOHEADER is 40 bytes");

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidBitmap); }

bool KnownHeaderSize(DWORD size)
{
  // BITMAPINFOHEADER, its two extensions with masks (V2, V3), BITMAPV4HEADER and BITMAPV5HEADER.
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

int64_t Height(const BITMAPINFOHEADER* header) { return std::llabs(int64_t(header->biHeight)); }

// A value rounded as the kernels round (add 0.5, truncate toward zero), kept within int.
int RoundKernel(double value)
{
  const double v = value + 0.5;
  if (!(v > -2147483648.0)) return v < 0 ? INT_MIN : 0;  // NaN becomes 0
  if (v >= 2147483647.0) return INT_MAX;
  return int(v);
}

// The palette of a reduction, in order of first appearance, with a hash of the colours met so far
// (keyed by their low three bytes) and the last colour looked up: photographs repeat neighbours.
class TPaletteBuilder {
public:
  TPaletteBuilder() { std::memset(FKeys, 0, sizeof FKeys); }

  // The colour's index, the entry being added when the colour is new; −1 when it is new and the
  // palette is full.
  int IndexOf(uint32_t color, uint32_t entry)
  {
    const uint32_t key = (color & 0x00FFFFFF) + 1;  // 0 marks an empty slot
    if (key == FLastKey) return FLastIndex;
    uint32_t slot = (key * 0x9E3779B1u) >> (32 - SlotBits);
    for (;;) {
      const uint32_t k = FKeys[slot];
      if (k == key) break;
      if (k == 0) {
        if (FCount == 256) return -1;
        FKeys[slot] = key;
        FIndex[slot] = uint8_t(FCount);
        FEntries[FCount++] = entry;
        break;
      }
      slot = (slot + 1) & (Slots - 1);
    }
    FLastKey = key;
    FLastIndex = FIndex[slot];
    return FLastIndex;
  }
  int Count() const { return FCount; }
  const uint32_t* Entries() const { return FEntries; }

private:
  static constexpr int SlotBits = 10;
  static constexpr int Slots = 1 << SlotBits;  // a quarter full at most
  uint32_t FKeys[Slots];
  uint8_t FIndex[Slots];
  uint32_t FEntries[256];
  int FCount = 0;
  uint32_t FLastKey = 0;
  int FLastIndex = 0;
};

inline uint32_t Load24(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }
inline uint32_t Load32(const uint8_t* p)
{
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The standard masks of 32-bit bit fields (red, green, blue): the pixels are then as without them.
bool StandardMasks32(const BITMAPINFOHEADER* block)
{
  const auto* masks = reinterpret_cast<const uint8_t*>(block) + InfoHeaderSize;  // inside V2+ headers too
  return Load32(masks) == 0x00FF0000 && Load32(masks + 4) == 0x0000FF00 && Load32(masks + 8) == 0x000000FF;
}

// Packs one row of 8-bit indices (w of them, at src) into bits per pixel at dst, padding zeroed up to
// line bytes. dst may lie at or before src: every byte is written after the indices it holds are read.
void PackRow(const uint8_t* src, uint8_t* dst, int64_t w, int bits, int64_t line)
{
  int64_t used = 0;
  if (bits == 8) {
    std::memmove(dst, src, size_t(w));
    used = w;
  } else if (bits == 4) {
    int64_t x = 0;
    for (; x + 1 < w; x += 2) dst[used++] = uint8_t(src[x] << 4 | src[x + 1]);
    if (x < w) dst[used++] = uint8_t(src[x] << 4);
  } else {
    int64_t x = 0;
    for (; x + 8 <= w; x += 8) {
      uint8_t b = 0;
      for (int i = 0; i < 8; ++i) b = uint8_t(b << 1 | (src[x + i] & 1));
      dst[used++] = b;
    }
    if (x < w) {
      uint8_t b = 0;
      for (int i = 0; i < 8; ++i) b = uint8_t(b << 1 | (x + i < w ? src[x + i] & 1 : 0));
      dst[used++] = b;
    }
  }
  std::memset(dst + used, 0, size_t(line - used));
}

// Both reductions. Bytes is 3 or 4. One pass writes each pixel's palette index into a block laid out
// for 8 bits with room for a full palette; at the end the rows move down behind the real palette,
// packed to 4 or 1 bits when the palette is that small, and the block is cut to size.
template <int Bytes>
bool ReduceBlock(const BITMAPINFOHEADER* block, TMemoryStream*& stream)
{
  stream = nullptr;
  if (!block || block->biSize < InfoHeaderSize || block->biBitCount != Bytes * 8 || block->biWidth <= 0 ||
      block->biHeight == 0)
    return false;
  if (block->biCompression != BI_RGB && !(Bytes == 4 && block->biCompression == BI_BITFIELDS && StandardMasks32(block)))
    return false;
  const int64_t w = block->biWidth;
  const int64_t h = Height(block);
  const int64_t srcLine = DibLineSize(block);
  const uint8_t* src = reinterpret_cast<const uint8_t*>(block) + DibHeadersSize(block);

  BITMAPINFOHEADER header;
  std::memcpy(&header, block, sizeof header);
  header.biSize = InfoHeaderSize;
  header.biCompression = BI_RGB;
  header.biSizeImage = 0;
  header.biBitCount = 8;
  header.biClrUsed = header.biClrImportant = 256;
  std::unique_ptr<TMemoryStream> work(CreateDibStream(&header));
  if (!work) return false;
  auto* base = static_cast<uint8_t*>(work->GetMemory());
  const int64_t line8 = DibLineSize(&header);
  uint8_t* indices = base + InfoHeaderSize + 256 * 4;

  TPaletteBuilder palette;
  bool tooMany = false;
  for (int64_t y = 0; y < h && !tooMany; ++y) {
    const uint8_t* s = src + y * srcLine;
    uint8_t* d = indices + y * line8;
    for (int64_t x = 0; x < w; ++x, s += Bytes) {
      const uint32_t color = Bytes == 3 ? Load24(s) : Load32(s);
      const int index = palette.IndexOf(color, color);
      if (index < 0) {
        tooMany = true;
        break;
      }
      d[x] = uint8_t(index);
    }
  }

  if (tooMany) {
    if (Bytes == 3) return false;  // a 24-bit image is its own fallback
    work.reset();
    header.biBitCount = 24;
    header.biClrUsed = header.biClrImportant = 0;
    std::unique_ptr<TMemoryStream> out(CreateDibStream(&header));
    auto* dst = static_cast<uint8_t*>(out->GetMemory()) + InfoHeaderSize;
    const int64_t line24 = DibLineSize(&header);
    for (int64_t y = 0; y < h; ++y) {
      const uint8_t* s = src + y * srcLine;
      uint8_t* d = dst + y * line24;
      for (int64_t x = 0; x < w; ++x, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
      std::memset(d, 0, size_t(line24 - w * 3));
    }
    stream = out.release();
    return true;
  }

  const int n = palette.Count();
  header.biBitCount = WORD(n <= 2 ? 1 : n <= 16 ? 4 : 8);
  header.biClrUsed = header.biClrImportant = DWORD(n);
  const int64_t line = DibLineSize(&header);
  header.biSizeImage = DWORD(line * h);
  std::memcpy(base, &header, sizeof header);
  uint8_t* pixels = base + InfoHeaderSize + 4 * n;
  for (int i = 0; i < n; ++i) {
    // A 24-bit entry's fourth byte is 0; a 32-bit entry keeps the word of the colour's first pixel.
    const uint32_t entry = Bytes == 3 ? palette.Entries()[i] & 0x00FFFFFF : palette.Entries()[i];
    std::memcpy(base + InfoHeaderSize + 4 * i, &entry, 4);
  }
  for (int64_t y = 0; y < h; ++y) PackRow(indices + y * line8, pixels + y * line, w, header.biBitCount, line);
  work->SetSize(int(InfoHeaderSize + 4 * n + line * h));
  work->SetPosition(0);
  stream = work.release();
  return true;
}
}  // namespace

int64_t DibLineSize(const BITMAPINFOHEADER* header)
{
  if (!header) return 0;
  return (int64_t(header->biBitCount) * header->biWidth + 31) / 32 * 4;
}

int64_t DibHeadersSize(const BITMAPINFOHEADER* header)
{
  if (!header) return 0;
  int64_t size = header->biSize;
  if (header->biBitCount > 8) {
    if (header->biCompression == BI_BITFIELDS && header->biSize < 52) size += 12;
  } else {
    size += 4 * (header->biClrUsed != 0 ? int64_t(header->biClrUsed) : int64_t(1) << header->biBitCount);
  }
  return size;
}

int64_t DibImageSize(const BITMAPINFOHEADER* header)
{
  if (!header) return 0;
  // Bit-field rows are laid out as plain ones: their size is computed, never taken from a header that
  // may say less (and so have the rows read beyond the block) or nothing at all.
  if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) return header->biSizeImage;
  return DibLineSize(header) * Height(header);
}

int64_t CheckDibHeader(const BITMAPINFOHEADER* header, int64_t headerBytes)
{
  if (!header || headerBytes < InfoHeaderSize) Invalid();
  if (!KnownHeaderSize(header->biSize) || header->biSize > headerBytes) Invalid();
  if (header->biWidth <= 0 || header->biHeight == 0 || header->biPlanes != 1) Invalid();
  const int bits = header->biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) Invalid();
  switch (header->biCompression) {
    case BI_RGB: break;
    case BI_RLE8:
    case BI_RLE4:
      // Compressed images are bottom-up and say how long their data is. A few bytes of runs can claim
      // a picture of any size, and whatever draws it allocates the whole picture: its rows are held to
      // the cap as an uncompressed image's are.
      if (bits != (header->biCompression == BI_RLE8 ? 8 : 4) || header->biHeight < 0 || header->biSizeImage == 0 ||
          DibLineSize(header) * Height(header) > MaxDibSize)
        Invalid();
      break;
    case BI_BITFIELDS:
      if (bits != 16 && bits != 32) Invalid();
      break;
    default: Invalid();  // JPEG, PNG and whatever else a header may name
  }
  if (bits <= 8 && header->biClrUsed > (1u << bits)) Invalid();
  const int64_t total = DibHeadersSize(header) + DibImageSize(header);
  if (DibImageSize(header) <= 0 || total > MaxDibSize) Invalid();
  return total;
}

TMemoryStream* CreateDibStream(const BITMAPINFOHEADER* header)
{
  const int64_t imageSize = DibImageSize(header);
  if (imageSize <= 0) return nullptr;
  CheckDibHeader(header, header->biSize);
  const int64_t headersSize = DibHeadersSize(header);
  auto stream = std::make_unique<TMemoryStream>();
  stream->SetSize(int(headersSize + imageSize));
  auto* block = static_cast<uint8_t*>(stream->GetMemory());
  std::memcpy(block, header, InfoHeaderSize);
  // The rest of a larger header and the colour table start out zero rather than whatever the memory held.
  std::memset(block + InfoHeaderSize, 0, size_t(headersSize - InfoHeaderSize));
  reinterpret_cast<BITMAPINFOHEADER*>(block)->biSizeImage = DWORD(imageSize);
  return stream.release();
}

bool ReduceDib32(const BITMAPINFOHEADER* block, TMemoryStream*& stream) { return ReduceBlock<4>(block, stream); }

bool ReduceDib24(const BITMAPINFOHEADER* block, TMemoryStream*& stream) { return ReduceBlock<3>(block, stream); }

int InterpolateBilinear(double fy, double fx, int p00, int p10, int p01, int p11)
{
  const double top = Interpolate(fx, p10, p00);
  const double bottom = Interpolate(fx, p11, p01);
  return RoundKernel(Interpolate(fy, bottom, top));
}

double InterpolateCubic(double t, double pm1, double p0, double p1, double p2)
{
  if (pm1 == p0 && p1 == p2) return p0 == p1 ? p0 : Interpolate(t, p1, p0);
  return (-t * (1 - t) * (2 - t) * pm1 + 3 * (t + 1) * (1 - t) * (2 - t) * p0 + 3 * (t + 1) * t * (2 - t) * p1 -
          (t + 1) * t * (1 - t) * p2) /
         6;
}

int InterpolateBicubic(double fy, double fx, const int s[16])
{
  const double r0 = InterpolateCubic(fx, s[0], s[1], s[2], s[3]);
  const double r1 = InterpolateCubic(fx, s[4], s[5], s[6], s[7]);
  const double r2 = InterpolateCubic(fx, s[8], s[9], s[10], s[11]);
  const double r3 = InterpolateCubic(fx, s[12], s[13], s[14], s[15]);
  return RoundKernel(InterpolateCubic(fy, r0, r1, r2, r3));
}

int InterpolateBicubic(double fy, double fx, int p00, int p10, int p20, int p30, int p01, int p11, int p21, int p31,
                       int p02, int p12, int p22, int p32, int p03, int p13, int p23, int p33)
{
  const int s[16] = {p00, p10, p20, p30, p01, p11, p21, p31, p02, p12, p22, p32, p03, p13, p23, p33};
  return InterpolateBicubic(fy, fx, s);
}
