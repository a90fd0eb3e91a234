// The test corpus of BMP files and its byte helpers.
#include "DibCorpus.h"

#include <cstring>
#include <stdexcept>

namespace dibtest {
namespace {
std::string Le16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

// A colour-table entry: blue, green, red, 0. Entry 0 is black, so that pixels an RLE image skips read
// the same whether a device leaves them alone or paints them with entry 0.
uint32_t Entry(uint32_t i) { return i == 0 ? 0 : ((i * 53 + 7) & 0xFF) | ((i * 101 + 3) & 0xFF) << 8 | ((255 - i * 29) & 0xFF) << 16; }

std::string Bytes(std::initializer_list<int> values)
{
  std::string s;
  for (int v : values) s += char(v);
  return s;
}

TBmpLayout Uncompressed(int width, int height, int bits, uint32_t (*value)(int, int))
{
  TBmpLayout s;
  s.Width = width;
  s.Height = height;
  s.BitCount = uint16_t(bits);
  s.Pixels = PackRows(width, height, bits, value);
  return s;
}

uint32_t Indices2(int x, int y) { return uint32_t(x + 2 * y) % 3 % 2; }
uint32_t Indices5(int x, int y) { return uint32_t(x * 3 + y) % 5; }
uint32_t Indices16(int x, int y) { return uint32_t(x * 7 + y * 3) % 16; }
uint32_t Indices12(int x, int y) { return uint32_t(x * 5 + y * 2) % 12; }
uint32_t Indices20(int x, int y) { return uint32_t(x * 11 + y * 7) % 20; }
uint32_t Indices256(int x, int y) { return uint32_t(x * 97 + y * 61 + 13) % 256; }
uint32_t Pixels16(int x, int y) { return uint32_t(x * 0x0C63 + y * 0x1F07 + 0x8421) & 0xFFFF; }
uint32_t Pixels24(int x, int y) { return uint32_t(x * 0x3A1F07 + y * 0x07C5A3 + 0x102030); }
uint32_t Pixels32(int x, int y) { return Pixels24(x, y) | uint32_t((x * 40 + y) & 0xFF) << 24; }

TBmpLayout WithHeader(TBmpLayout s, uint32_t headerSize)
{
  s.HeaderSize = headerSize;
  return s;
}

TBmpLayout WithMasks(TBmpLayout s, uint32_t r, uint32_t g, uint32_t b)
{
  s.Compression = BI_BITFIELDS;
  s.Masks = {r, g, b};
  return s;
}

TBmpLayout WithColors(TBmpLayout s, uint32_t clrUsed)
{
  s.ClrUsed = clrUsed;
  return s;
}

// 8 x 4 RLE8: encoded runs, absolute runs (one padded to a word), ends of line, a delta that skips
// pixels on two rows, and the end of the bitmap before the last row is done.
TBmpLayout Rle8()
{
  TBmpLayout s;
  s.Width = 8;
  s.Height = 4;
  s.BitCount = 8;
  s.Compression = BI_RLE8;
  s.ClrUsed = 10;
  s.Pixels = Bytes({3, 1, 0, 4, 2, 3, 4, 5, 1, 6, 0, 0,           // 1 1 1 2 3 4 5 6
                    0, 3, 7, 8, 9, 0, 5, 2, 0, 0,                 // 7 8 9 2 2 2 2 2
                    2, 3, 0, 2, 3, 1, 3, 4, 0, 1});               // 3 3, skip to (5, row 3): 4 4 4
  return s;
}

// 8 x 4 RLE4 with the same kinds of codes; runs alternate their two nibbles.
TBmpLayout Rle4()
{
  TBmpLayout s;
  s.Width = 8;
  s.Height = 4;
  s.BitCount = 4;
  s.Compression = BI_RLE4;
  s.Pixels = Bytes({5, 0x12, 0, 3, 0x34, 0x50, 0, 0,              // 1 2 1 2 1 3 4 5
                    8, 0x67, 0, 0,                                // 6 7 6 7 6 7 6 7
                    0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 1, 1,        // 1 2 3 4 5, skip to (6, row 3)
                    2, 0x89, 0, 1});                              // 8 9
  return s;
}
}  // namespace

std::string PackRows(int width, int height, int bits, uint32_t (*value)(int x, int y))
{
  const int rows = height < 0 ? -height : height;
  const size_t line = size_t((bits * width + 31) / 32 * 4);
  std::string out;
  for (int stored = 0; stored < rows; ++stored) {
    const int y = height < 0 ? stored : rows - 1 - stored;
    std::string row(line, '\0');
    for (int x = 0; x < width; ++x) {
      const uint32_t v = value(x, y);
      if (bits >= 8) {
        for (int i = 0; i < bits / 8; ++i) row[size_t(x * bits / 8 + i)] = char((v >> (8 * i)) & 0xFF);
      } else {
        const int perByte = 8 / bits;
        row[size_t(x / perByte)] = char(row[size_t(x / perByte)] | int(v << (8 - bits * (x % perByte + 1))));
      }
    }
    out += row;
  }
  return out;
}

std::string BuildBmp(const TBmpLayout& s)
{
  std::string info;
  std::string masks;
  for (uint32_t m : s.Masks) masks += Le32(m);
  if (s.HeaderSize == 12) {
    info = Le32(12) + Le16(uint32_t(s.Width)) + Le16(uint32_t(s.Height)) + Le16(s.Planes) + Le16(s.BitCount);
  } else {
    const uint32_t sizeImage = s.NoSizeImage ? 0 : s.SizeImage ? s.SizeImage
                               : s.Compression == BI_RGB ? 0 : uint32_t(s.Pixels.size());
    info = Le32(s.HeaderSize) + Le32(uint32_t(s.Width)) + Le32(uint32_t(s.Height)) + Le16(s.Planes) +
           Le16(s.BitCount) + Le32(s.Compression) + Le32(sizeImage) + Le32(2835) + Le32(2835) + Le32(s.ClrUsed) +
           Le32(0);
    if (s.HeaderSize == 40) {
      info += masks;
    } else if (s.HeaderSize >= 108) {
      // V4: the masks (red, green, blue, alpha), the sRGB colour space, no end points or gamma;
      // V5: rendering intent "images", no profile.
      std::string extra = masks + std::string(16 - masks.size(), '\0') + Le32(0x73524742) + std::string(48, '\0');
      if (s.HeaderSize == 124) extra += Le32(LCS_GM_IMAGES) + std::string(12, '\0');
      info += extra;
    } else {
      info += std::string(s.HeaderSize - 40, '\0');
    }
  }
  int entries = s.TableEntries;
  if (entries < 0) entries = s.BitCount <= 8 ? int(s.ClrUsed ? s.ClrUsed : 1u << s.BitCount) : int(s.ClrUsed);
  std::string table;
  for (int i = 0; i < entries; ++i) {
    const std::string e = Le32(Entry(uint32_t(i)));
    table += s.HeaderSize == 12 ? e.substr(0, 3) : e;
  }
  const std::string gap(s.Gap, char(0xAA));
  const uint32_t offBits = uint32_t(14 + info.size() + table.size() + gap.size());
  return "BM" + Le32(offBits + uint32_t(s.Pixels.size())) + Le32(0) + Le32(offBits) + info + table + gap + s.Pixels;
}

const std::vector<TBmpFile>& ReadableBmpFiles()
{
  static const std::vector<TBmpFile> files = [] {
    const TBmpLayout gapped = [] {
      TBmpLayout s = WithColors(Uncompressed(7, 3, 8, Indices12), 16);
      s.Gap = 20;
      return s;
    }();
    return std::vector<TBmpFile>{
        {"1-bit bottom-up", BuildBmp(Uncompressed(13, 5, 1, Indices2))},
        {"1-bit top-down", BuildBmp(Uncompressed(9, -4, 1, Indices2))},
        {"4-bit bottom-up", BuildBmp(Uncompressed(7, 3, 4, Indices16))},
        {"4-bit top-down, 5 colours", BuildBmp(WithColors(Uncompressed(5, -4, 4, Indices5), 5))},
        {"8-bit bottom-up", BuildBmp(Uncompressed(5, 3, 8, Indices256))},
        {"8-bit top-down, 20 colours", BuildBmp(WithColors(Uncompressed(6, -4, 8, Indices20), 20))},
        {"16-bit bottom-up", BuildBmp(Uncompressed(5, 3, 16, Pixels16))},
        {"16-bit top-down", BuildBmp(Uncompressed(7, -2, 16, Pixels16))},
        {"24-bit bottom-up", BuildBmp(Uncompressed(5, 3, 24, Pixels24))},
        {"24-bit top-down", BuildBmp(Uncompressed(3, -4, 24, Pixels24))},
        {"32-bit bottom-up", BuildBmp(Uncompressed(3, 3, 32, Pixels32))},
        {"32-bit top-down", BuildBmp(Uncompressed(4, -2, 32, Pixels32))},
        {"16-bit 565", BuildBmp(WithMasks(Uncompressed(5, 3, 16, Pixels16), 0xF800, 0x07E0, 0x001F))},
        {"16-bit 555 top-down", BuildBmp(WithMasks(Uncompressed(3, -3, 16, Pixels16), 0x7C00, 0x03E0, 0x001F))},
        {"32-bit 888", BuildBmp(WithMasks(Uncompressed(5, 2, 32, Pixels32), 0xFF0000, 0xFF00, 0xFF))},
        {"RLE8", BuildBmp(Rle8())},
        {"RLE4", BuildBmp(Rle4())},
        {"V4 24-bit", BuildBmp(WithHeader(Uncompressed(5, 3, 24, Pixels24), 108))},
        {"V4 16-bit 565 top-down",
         BuildBmp(WithHeader(WithMasks(Uncompressed(5, -3, 16, Pixels16), 0xF800, 0x07E0, 0x001F), 108))},
        {"V5 8-bit, 12 colours", BuildBmp(WithHeader(WithColors(Uncompressed(7, 3, 8, Indices12), 12), 124))},
        {"V5 32-bit 888", BuildBmp(WithHeader(WithMasks(Uncompressed(3, 2, 32, Pixels32), 0xFF0000, 0xFF00, 0xFF), 124))},
        {"V5 RLE8", BuildBmp(WithHeader(Rle8(), 124))},
        {"8-bit with a gap before the pixels", BuildBmp(gapped)},
        {"24-bit with an optional table", BuildBmp(WithColors(Uncompressed(5, 2, 24, Pixels24), 4))},
    };
  }();
  return files;
}

const std::vector<TBmpFile>& RefusedBmpFiles()
{
  static const std::vector<TBmpFile> files = [] {
    auto with = [](TBmpLayout s, auto change) {
      change(s);
      return BuildBmp(s);
    };
    const TBmpLayout rgb = Uncompressed(4, 4, 24, Pixels24);
    const TBmpLayout pal = Uncompressed(4, 4, 8, Indices16);
    std::string notBm = BuildBmp(rgb);
    notBm[1] = 'A';
    return std::vector<TBmpFile>{
        {"OS/2 24-bit", with(rgb, [](TBmpLayout& s) { s.HeaderSize = 12; })},
        {"OS/2 8-bit", with(pal, [](TBmpLayout& s) { s.HeaderSize = 12; })},
        {"OS/2 1-bit, 2 x 2",
         with(Uncompressed(2, 2, 1, Indices2), [](TBmpLayout& s) { s.HeaderSize = 12; })},
        {"OS/2 2.x header (64 bytes)", with(rgb, [](TBmpLayout& s) { s.HeaderSize = 64; })},
        {"JPEG", with(rgb, [](TBmpLayout& s) { s.Compression = BI_JPEG; })},
        {"PNG", with(rgb, [](TBmpLayout& s) { s.Compression = BI_PNG; })},
        {"2 planes", with(rgb, [](TBmpLayout& s) { s.Planes = 2; })},
        {"2 bits per pixel", with(Uncompressed(8, 4, 2, Indices2), [](TBmpLayout&) {})},
        {"RLE8 at 4 bits", with(Rle8(), [](TBmpLayout& s) { s.BitCount = 4; s.ClrUsed = 0; })},
        {"RLE4 at 8 bits", with(Rle4(), [](TBmpLayout& s) { s.BitCount = 8; })},
        {"top-down RLE8", with(Rle8(), [](TBmpLayout& s) { s.Height = -s.Height; })},
        {"RLE8 without its size", with(Rle8(), [](TBmpLayout& s) { s.NoSizeImage = true; })},
        {"RLE8 of 40000 x 40000 pixels", with(Rle8(), [](TBmpLayout& s) { s.Width = s.Height = 40000; })},
        {"bit fields at 24 bits", with(rgb, [](TBmpLayout& s) { s.Compression = BI_BITFIELDS; s.Masks = {0xFF0000, 0xFF00, 0xFF}; })},
        {"257 colours at 8 bits", with(pal, [](TBmpLayout& s) { s.ClrUsed = 257; })},
        {"3 colours at 1 bit", with(Uncompressed(8, 2, 1, Indices2), [](TBmpLayout& s) { s.ClrUsed = 3; })},
        {"width 0", with(rgb, [](TBmpLayout& s) { s.Width = 0; })},
        {"negative width", with(rgb, [](TBmpLayout& s) { s.Width = -4; })},
        {"height 0", with(rgb, [](TBmpLayout& s) { s.Height = 0; })},
        {"above the size cap", with(rgb, [](TBmpLayout& s) { s.Width = 20000; s.Height = 20000; })},
        {"not BM", notBm},
    };
  }();
  return files;
}

uint32_t Get32(const std::string& bytes, size_t at)
{
  uint32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

void Put32(std::string& bytes, size_t at, uint32_t value)
{
  if (at + 4 <= bytes.size()) std::memcpy(&bytes[at], &value, 4);
}

void Put16(std::string& bytes, size_t at, uint16_t value)
{
  if (at + 2 <= bytes.size()) std::memcpy(&bytes[at], &value, 2);
}

TGuardedBlock::TGuardedBlock(const std::string& bytes) : FSize(bytes.size())
{
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  const size_t committed = (FSize + page - 1) / page * page;
  FBase = static_cast<char*>(VirtualAlloc(nullptr, committed + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!FBase) throw std::runtime_error("VirtualAlloc failed");
  DWORD old;
  VirtualProtect(FBase + committed, page, PAGE_NOACCESS, &old);
  FData = FBase + committed - FSize;
  std::memcpy(FData, bytes.data(), FSize);
}

TGuardedBlock::~TGuardedBlock() { VirtualFree(FBase, 0, MEM_RELEASE); }

}  // namespace dibtest
