// The size rules, the header checks, empty blocks, both reductions and the interpolation kernels.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DibTestSupport.h"
#include "Dibutil.h"
#include "SysUtils.h"

using namespace dibtest;

namespace {
std::unique_ptr<TMemoryStream> Reduced(const Bytes& dib, bool& ok)
{
  TMemoryStream* stream = nullptr;
  ok = HeaderOf(dib)->biBitCount == 32 ? ReduceDib32(HeaderOf(dib), stream) : ReduceDib24(HeaderOf(dib), stream);
  return std::unique_ptr<TMemoryStream>(stream);
}

const uint8_t* Block(const std::unique_ptr<TMemoryStream>& s) { return static_cast<const uint8_t*>(s->GetMemory()); }
const BITMAPINFOHEADER* HeaderOf(const std::unique_ptr<TMemoryStream>& s)
{
  return reinterpret_cast<const BITMAPINFOHEADER*>(s->GetMemory());
}
}  // namespace

TEST(DibSizes, FollowTheHeader)
{
  BITMAPINFOHEADER v4 = Info(32, 3, 2, 0, BI_BITFIELDS);
  v4.biSize = 108;
  const struct {
    const char* name;
    BITMAPINFOHEADER header;
    int64_t line, headers, image;
  } cases[] = {
      {"5-pixel 24-bit rows", Info(24, 5, 3), 16, 40, 48},
      {"8-bit, no colour count: a full table", Info(8, 3, 2), 4, 40 + 1024, 8},
      {"8-bit with 16 colours", Info(8, 3, 2, 16), 4, 40 + 64, 8},
      {"33-pixel 1-bit rows", Info(1, 33, 1), 8, 40 + 8, 8},
      {"4-bit top-down", Info(4, 9, -3), 8, 40 + 64, 24},
      {"32-bit bit fields: three masks", Info(32, 3, 2, 0, BI_BITFIELDS), 12, 52, 24},
      {"the masks of a V4 header are its own", v4, 12, 108, 24},
      {"24-bit with an optional table: not counted", Info(24, 1, 1, 5), 4, 40, 4},
      {"RLE8: the stored size", Info(8, 100, 100, 2, BI_RLE8, 77), 100, 48, 77},
      {"2^31 pixels wide stays positive", Info(32, 0x7FFFFFFF, 1), int64_t(0x7FFFFFFF) * 4, 40, int64_t(0x7FFFFFFF) * 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DibLineSize(&c.header), c.line) << c.name;
    EXPECT_EQ(DibHeadersSize(&c.header), c.headers) << c.name;
    EXPECT_EQ(DibImageSize(&c.header), c.image) << c.name;
  }
  EXPECT_EQ(DibLineSize(nullptr) + DibHeadersSize(nullptr) + DibImageSize(nullptr), 0);
}

TEST(DibSizes, HeadersFromOutsideAreCheckedBeforeAnythingIsSized)
{
  auto with = [](BITMAPINFOHEADER h, auto change) {
    change(h);
    return h;
  };
  const BITMAPINFOHEADER good = Info(8, 4, 4);
  const struct {
    const char* name;
    BITMAPINFOHEADER header;
  } refused[] = {
      {"OS/2 header size", with(good, [](auto& h) { h.biSize = 12; })},
      {"header size unknown", with(good, [](auto& h) { h.biSize = 64; })},
      {"width 0", with(good, [](auto& h) { h.biWidth = 0; })},
      {"negative width", with(good, [](auto& h) { h.biWidth = -4; })},
      {"height 0", with(good, [](auto& h) { h.biHeight = 0; })},
      {"two planes", with(good, [](auto& h) { h.biPlanes = 2; })},
      {"2 bits per pixel", with(good, [](auto& h) { h.biBitCount = 2; })},
      {"257 colours at 8 bits", with(good, [](auto& h) { h.biClrUsed = 257; })},
      {"17 colours at 4 bits", Info(4, 4, 4, 17)},
      {"RLE8 without its size", Info(8, 4, 4, 0, BI_RLE8, 0)},
      {"RLE8 at 4 bits", Info(4, 4, 4, 0, BI_RLE8, 10)},
      {"RLE4 top-down", Info(4, 4, -4, 0, BI_RLE4, 10)},
      {"bit fields at 24 bits", Info(24, 4, 4, 0, BI_BITFIELDS)},
      {"JPEG inside", Info(24, 4, 4, 0, BI_JPEG, 100)},
      {"PNG inside", Info(24, 4, 4, 0, BI_PNG, 100)},
      {"above the 1 GiB cap", Info(32, 20000, 20000)},
      {"a huge RLE size", Info(8, 4, 4, 0, BI_RLE8, 0xFFFFFFFF)},
  };
  for (const auto& c : refused) EXPECT_THROW(CheckDibHeader(&c.header, 1 << 20), EInvalidGraphic) << c.name;
  EXPECT_EQ(CheckDibHeader(&good, 40), 40 + 1024 + 16);
  BITMAPINFOHEADER v5 = Info(24, 2, 2);
  v5.biSize = 124;
  EXPECT_THROW(CheckDibHeader(&v5, 100), EInvalidGraphic) << "a header longer than the data";
  EXPECT_EQ(CheckDibHeader(&v5, 124), 124 + 16);
  EXPECT_THROW(CheckDibHeader(nullptr, 100), EInvalidGraphic);
}

TEST(DibStream, IsAnUnfilledBlockWithTheComputedImageSize)
{
  BITMAPINFOHEADER h = Info(8, 5, -3, 2);
  h.biSizeImage = 12345;  // replaced by the computed size
  std::unique_ptr<TMemoryStream> s(CreateDibStream(&h));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->GetSize(), 40 + 8 + 24);
  EXPECT_EQ(s->GetPosition(), 0);
  EXPECT_EQ(HeaderOf(s)->biSizeImage, 24u);
  EXPECT_EQ(HeaderOf(s)->biHeight, -3);
  EXPECT_EQ(HeaderOf(s)->biClrUsed, 2u);
  EXPECT_EQ(std::unique_ptr<TMemoryStream>(CreateDibStream(&(h = Info(8, 0, 3)))), nullptr) << "no pixels, no block";
  EXPECT_EQ(std::unique_ptr<TMemoryStream>(CreateDibStream(nullptr)), nullptr);
  EXPECT_THROW(CreateDibStream(&(h = Info(32, 30000, 30000))), EInvalidGraphic) << "3.6 GB is refused, not tried";
}

TEST(DibReduce, ChoosesTheSmallestFormInOrderOfFirstAppearance)
{
  // 256 and 257 colours in 32 bits: 16 x 16 (+1 row) distinct colours.
  auto manyColours = [](int bits, int count) {
    std::vector<Bytes> rows;
    for (int i = 0; i < count; ++i) {
      const uint32_t c = 0x010203u * uint32_t(i) + 0x40u;
      rows.push_back(bits == 32 ? Row32({c | 0xAB000000u}) : Row24({c}));
    }
    return PackedDib(Info(bits, 1, count), {}, rows);
  };
  const struct {
    const char* name;
    Bytes dib;
    bool ok;
    int bits;
    DWORD colours;
    Bytes firstRow;  // of the result, in memory order
  } cases[] = {
      {"one colour in 24 bits: 1 bit, a one-entry table", PackedDib(Info(24, 3, 2), {}, {Row24({7, 7, 7}), Row24({7, 7, 7})}),
       true, 1, 1, {0, 0, 0, 0}},
      {"four colours: 4 bits", PackedDib(Info(24, 3, 2), {}, {Row24({5, 5, 5}), Row24({1, 2, 3})}), true, 4, 4,
       {0x00, 0x00, 0, 0}},
      {"two colours alternating: 1 bit per pixel, leftmost in bit 7",
       PackedDib(Info(24, 10, 1), {}, {Row24({1, 2, 1, 2, 1, 2, 1, 2, 1, 2})}), true, 1, 2, {0x55, 0x40, 0, 0}},
      {"17 colours: 8 bits", PackedDib(Info(24, 17, 1), {}, {Row24({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})}),
       true, 8, 17, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 0, 0, 0}},
      {"256 colours in 32 bits: 8 bits", manyColours(32, 256), true, 8, 256, {0, 0, 0, 0}},
      {"257 colours in 32 bits: 24 bits, the fourth byte dropped", manyColours(32, 257), true, 24, 0, {0x40, 0, 0, 0}},
      {"257 colours in 24 bits: not reduced", manyColours(24, 257), false, 0, 0, {}},
      {"32-bit pixels differing in their fourth byte only are one colour",
       PackedDib(Info(32, 2, 1), {}, {Row32({0x11223344, 0x99223344})}), true, 1, 1, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    bool ok = false;
    auto out = Reduced(c.dib, ok);
    ASSERT_EQ(ok, c.ok) << c.name;
    if (!ok) {
      EXPECT_EQ(out, nullptr) << c.name;
      continue;
    }
    const BITMAPINFOHEADER* h = HeaderOf(out);
    EXPECT_EQ(h->biBitCount, c.bits) << c.name;
    EXPECT_EQ(h->biClrUsed, c.colours) << c.name;
    EXPECT_EQ(h->biClrImportant, c.colours) << c.name;
    EXPECT_EQ(h->biCompression, DWORD(BI_RGB)) << c.name;
    EXPECT_EQ(h->biSize, 40u) << c.name;
    EXPECT_EQ(out->GetSize(), DibHeadersSize(h) + DibImageSize(h)) << c.name;
    const uint8_t* pixels = Block(out) + DibHeadersSize(h);
    EXPECT_EQ(Bytes(pixels, pixels + c.firstRow.size()), c.firstRow) << c.name;
  }
}

TEST(DibReduce, WritesTheRowsPaletteAndPackingExactly)
{
  // 3 wide, bottom-up: the first row in memory is all one colour, the second has three new ones.
  bool ok = false;
  auto out = Reduced(PackedDib(Info(24, 3, 2), {}, {Row24({0x0000FF, 0x0000FF, 0x0000FF}), Row24({0xFF0000, 0x00FF00, 0x123456})}), ok);
  ASSERT_TRUE(ok);
  const uint8_t* b = Block(out);
  EXPECT_EQ(Bytes(b + 40, b + 56), (Bytes{0xFF, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0x56, 0x34, 0x12, 0}));
  EXPECT_EQ(Bytes(b + 56, b + 64), (Bytes{0x00, 0x00, 0, 0, 0x12, 0x30, 0x00, 0x00}));
  EXPECT_EQ(HeaderOf(out)->biHeight, 2) << "orientation kept";
  EXPECT_EQ(HeaderOf(out)->biXPelsPerMeter, 2835) << "resolution kept";

  // A 32-bit palette entry is the first pixel's whole word.
  out = Reduced(PackedDib(Info(32, 3, 1), {}, {Row32({0x7F102030, 0x00102030, 0x00405060})}), ok);
  ASSERT_TRUE(ok);
  b = Block(out);
  EXPECT_EQ(Bytes(b + 40, b + 48), (Bytes{0x30, 0x20, 0x10, 0x7F, 0x60, 0x50, 0x40, 0x00}));
  EXPECT_EQ(b[48], 0x20) << "indices 0, 0, 1 in the top bits";

  // 257 colours in 32 bits: the 24-bit copy, rows padded with zeros.
  std::vector<Bytes> rows;
  for (int i = 0; i < 257; ++i) rows.push_back(Row32({0xFF000000u | uint32_t(i * 3), 0xEE000000u | uint32_t(i * 3)}));
  out = Reduced(PackedDib(Info(32, 2, 257), {}, rows), ok);
  ASSERT_TRUE(ok);
  b = Block(out) + 40 + 8 * 256;
  EXPECT_EQ(Bytes(b, b + 8), (Bytes{0x00, 0x03, 0, 0x00, 0x03, 0, 0, 0}));  // the last row: colour 768
}

TEST(DibReduce, RefusesWhatItCannotReadRight)
{
  BITMAPINFOHEADER v4 = Info(24, 2, 1);
  v4.biSize = 108;
  Bytes v4dib = PackedDib(v4, {}, {Row24({0xABCDEF, 0xABCDEF})});
  Bytes masked = PackedDib(Info(32, 2, 1, 0, BI_BITFIELDS), {0xFF0000, 0xFF00, 0xFF}, {Row32({1, 1})});
  Bytes odd = PackedDib(Info(32, 2, 1, 0, BI_BITFIELDS), {0xFF, 0xFF00, 0xFF0000}, {Row32({1, 1})});
  bool ok = false;
  auto out = Reduced(v4dib, ok);
  ASSERT_TRUE(ok) << "the pixels of a V4 header follow its 108 bytes";
  EXPECT_EQ(HeaderOf(out)->biSize, 40u);
  EXPECT_EQ(Bytes(Block(out) + 40, Block(out) + 44), (Bytes{0xEF, 0xCD, 0xAB, 0}));
  EXPECT_TRUE(Reduced(masked, ok) && ok) << "standard masks read as plain pixels";
  Reduced(odd, ok);
  EXPECT_FALSE(ok) << "swapped masks";
  TMemoryStream* stream = nullptr;
  const Bytes eight = PackedDib(Info(8, 2, 1, 2), {0, 0xFFFFFF}, {{0, 1}});
  EXPECT_FALSE(ReduceDib24(HeaderOf(eight), stream));
  EXPECT_FALSE(ReduceDib32(HeaderOf(eight), stream));
  EXPECT_FALSE(ReduceDib24(nullptr, stream));
  EXPECT_EQ(stream, nullptr);
}

TEST(DibKernels, InterpolateAsDefined)
{
  EXPECT_DOUBLE_EQ(Interpolate(0.25, 20, 10), 12.5);
  EXPECT_TRUE(SameColor(0xAA123456, 0x00123456));
  EXPECT_FALSE(SameColor(0x00123456, 0x00123457));
  // The linear case of the cubic, the constant case, and the full cubic (by hand: weights at 0.5 are
  // -0.375, 3.375, 3.375, 0.375; (3.375*255*2) / 6 = 286.875).
  EXPECT_DOUBLE_EQ(InterpolateCubic(0.5, 10, 10, 20, 20), 15);
  EXPECT_DOUBLE_EQ(InterpolateCubic(0.3, 7, 7, 7, 7), 7);
  EXPECT_DOUBLE_EQ(InterpolateCubic(0.5, 0, 255, 255, 0), 286.875);
  EXPECT_DOUBLE_EQ(InterpolateCubic(0, 1, 2, 4, 8), 2);
  // Bilinear rounds half up: (0 + 1) / 2 + 0.5 = 1; and 75 between rows of 50 and 100.
  EXPECT_EQ(InterpolateBilinear(0, 0.5, 0, 1, 0, 1), 1);
  EXPECT_EQ(InterpolateBilinear(0.5, 0.5, 0, 100, 100, 100), 75);
  EXPECT_EQ(InterpolateBilinear(0.25, 0.75, 10, 20, 30, 40), 23);  // rows 17.5 and 37.5, then 22.5
  // Bicubic is not limited to 0..255: four rows of the overshooting cubic give 286.875 + 0.5.
  const int s[16] = {0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0};
  EXPECT_EQ(InterpolateBicubic(0.5, 0.5, s), 287);
  EXPECT_EQ(InterpolateBicubic(0.5, 0.5, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0), 287);
}
