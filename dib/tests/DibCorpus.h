// BMP files made by the tests themselves: files of every kind the package reads, files it refuses,
// and byte helpers to build and mutate them.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dibtest {

// Offsets of header fields in a BMP file (the file header, then the info header).
enum TBmpField : size_t {
  fBfSize = 2,
  fBfOffBits = 10,
  fBiSize = 14,
  fBiWidth = 18,
  fBiHeight = 22,
  fBiPlanes = 26,  // 16 bits
  fBiBitCount = 28,  // 16 bits
  fBiCompression = 30,
  fBiSizeImage = 34,
  fBiClrUsed = 46,
};

// What a file is made of. Rows (or RLE data) are given as stored.
struct TBmpLayout {
  uint32_t HeaderSize = 40;  // 12 (OS/2), 40, 64, 108, 124
  int32_t Width = 1;
  int32_t Height = 1;  // negative: top-down
  uint16_t Planes = 1;
  uint16_t BitCount = 24;
  uint32_t Compression = BI_RGB;
  uint32_t SizeImage = 0;  // 0: the size of Pixels (except for BI_RGB, where 0 is written)
  bool NoSizeImage = false;  // write 0 whatever the data
  uint32_t ClrUsed = 0;
  int TableEntries = -1;  // entries written; -1: those the header names (an optional table above 8 bits)
  std::vector<uint32_t> Masks;  // red, green, blue: after a 40-byte header, inside a larger one
  size_t Gap = 0;  // bytes between the table and the pixels (bfOffBits points past them)
  std::string Pixels;
};

struct TBmpFile {
  std::string Name;
  std::string Bytes;
};

std::string BuildBmp(const TBmpLayout& layout);
// Stored rows for a picture: value(x, y) is a palette index or a pixel (low bytes used), y the
// picture's row (0 = top), stored in the order the height's sign gives.
std::string PackRows(int width, int height, int bits, uint32_t (*value)(int x, int y));

// The files the package reads: every depth, both orientations, short and full tables, RLE4 and RLE8,
// bit fields, V4 and V5 headers, a gapped file and an optional table, odd widths.
const std::vector<TBmpFile>& ReadableBmpFiles();
// Files it refuses with EInvalidGraphic.
const std::vector<TBmpFile>& RefusedBmpFiles();

uint32_t Get32(const std::string& bytes, size_t at);
void Put32(std::string& bytes, size_t at, uint32_t value);
void Put16(std::string& bytes, size_t at, uint16_t value);

// A packed DIB copied to the very end of committed memory, with an inaccessible page right after it:
// whatever reads past the block's last byte faults.
class TGuardedBlock {
public:
  explicit TGuardedBlock(const std::string& bytes);
  ~TGuardedBlock();
  TGuardedBlock(const TGuardedBlock&) = delete;
  TGuardedBlock& operator=(const TGuardedBlock&) = delete;
  const BITMAPINFOHEADER* Header() const { return reinterpret_cast<const BITMAPINFOHEADER*>(FData); }
  size_t Size() const { return FSize; }

private:
  char* FBase = nullptr;
  char* FData = nullptr;
  size_t FSize = 0;
};

}  // namespace dibtest
