// TDib: its accessors over every depth, the BMP and packed forms, sharing, Reduce and Scale's
// results, the conversions with TBitmap, the clipboard form and Draw's world transform.
#include <gtest/gtest.h>

#include <memory>

#include "DibTestSupport.h"
#include "Dibimage.h"

using namespace dibtest;

namespace {
std::unique_ptr<TDib> DibOf(const Bytes& dib)
{
  auto d = std::make_unique<TDib>();
  d->LoadDib(HeaderOf(dib), dib.size());
  return d;
}

std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes)
{
  auto s = std::make_unique<TMemoryStream>();
  s->WriteBuffer(bytes.data(), int(bytes.size()));
  s->SetPosition(0);
  return s;
}

Bytes BlockOf(const TDib& dib)
{
  const auto* p = reinterpret_cast<const uint8_t*>(dib.GetHeader());
  return Bytes(p, p + dib.GetImage()->GetStream()->GetSize());
}

// A 3 x 2 picture: top row red, green, blue; bottom row white, black, grey; in either orientation.
Bytes Picture24(bool topDown)
{
  const Bytes top = Row24({0xFF0000, 0x00FF00, 0x0000FF});
  const Bytes bottom = Row24({0xFFFFFF, 0x000000, 0x808080});
  return topDown ? PackedDib(Info(24, 3, -2), {}, {top, bottom}) : PackedDib(Info(24, 3, 2), {}, {bottom, top});
}
}  // namespace

TEST(Dib, ReadsPixelsAtEveryDepth)
{
  const Bytes one = PackedDib(Info(1, 10, 1), {0x111111, 0x222222}, {{0x80, 0x40}});
  const Bytes four = PackedDib(Info(4, 3, 1, 16), {0, 0xAAAAAA, 0xBBBBBB, 0xCCCCCC}, {{0x12, 0x30}});
  const Bytes eight = PackedDib(Info(8, 2, 1, 3), {0x010101, 0x020202, 0x030303}, {{2, 200}});
  const Bytes b32 = PackedDib(Info(32, 2, 1), {}, {Row32({0xAB123456, 0x00654321})});
  const Bytes b16 = PackedDib(Info(16, 2, 1), {}, {{1, 2, 3, 4}});
  const struct {
    const char* name;
    const Bytes& dib;
    int x;
    DWORD pixel;
  } cases[] = {
      {"1 bit: bit 7 of byte 0", one, 0, 0x222222},        {"1 bit: bit 6 clear", one, 1, 0x111111},
      {"1 bit: second byte", one, 9, 0x222222},            {"4 bits: high nibble first", four, 0, 0xAAAAAA},
      {"4 bits: low nibble", four, 1, 0xBBBBBB},           {"4 bits: index 3", four, 2, 0xCCCCCC},
      {"8 bits", eight, 0, 0x030303},                      {"8 bits beyond a short table: black", eight, 1, 0},
      {"32 bits: the whole word", b32, 0, 0xAB123456},     {"24 bits", Picture24(false), 2, 0x0000FF},
      {"16 bits cannot be read", b16, 0, 0xFFFFFFFF},      {"left of the image", b32, -1, 0xFFFFFFFF},
      {"right of the image", b32, 2, 0xFFFFFFFF},
  };
  for (const auto& c : cases) EXPECT_EQ(DibOf(c.dib)->GetPixel(c.x, 0), c.pixel) << c.name;
  EXPECT_EQ(DibOf(b32)->GetPixel(0, 1), 0xFFFFFFFFu) << "below the image";
  EXPECT_EQ(TDib().GetPixel(0, 0), 0xFFFFFFFFu) << "empty";
}

TEST(Dib, RowZeroIsTheTopRowInEitherOrientation)
{
  auto up = DibOf(Picture24(false));
  auto down = DibOf(Picture24(true));
  ASSERT_EQ(up->GetBytesPerLine(), 12);
  EXPECT_EQ(Bytes(static_cast<uint8_t*>(up->GetScanLine(0)), static_cast<uint8_t*>(up->GetScanLine(0)) + 12),
            Bytes(static_cast<uint8_t*>(down->GetScanLine(0)), static_cast<uint8_t*>(down->GetScanLine(0)) + 12));
  EXPECT_EQ(up->GetPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(down->GetPixel(2, 1), 0x808080u);
  EXPECT_EQ(static_cast<uint8_t*>(up->GetScanLine(0)) - static_cast<uint8_t*>(up->GetImageData()), 12);
  EXPECT_THROW(up->GetScanLine(2), EInvalidGraphicOperation);
  EXPECT_THROW(up->GetScanLine(-1), EInvalidGraphicOperation);
  auto rle = DibOf(PackedDib(Info(8, 2, 2, 2, BI_RLE8, 4), {0, 0xFFFFFF}, {{0, 1, 0, 0}}));
  EXPECT_EQ(rle->GetScanLine(0), nullptr) << "compressed rows are not addressable";
  EXPECT_EQ(TDib().GetScanLine(0), nullptr);
}

TEST(Dib, AccessorsFollowTheHeader)
{
  auto d = DibOf(PackedDib(Info(8, 5, -3, 16), {}, {{}, {}, {}}));
  EXPECT_EQ(d->GetWidth(), 5);
  EXPECT_EQ(d->GetHeight(), 3);
  EXPECT_EQ(d->GetBitsPerPixel(), 8);
  EXPECT_EQ(d->GetBytesPerLine(), 8);
  EXPECT_EQ(d->GetHeadersSize(), 40 + 64);
  EXPECT_EQ(static_cast<char*>(d->GetImageData()) - reinterpret_cast<char*>(d->GetHeader()), 104);
  EXPECT_EQ(reinterpret_cast<char*>(d->GetColorTable()) - reinterpret_cast<char*>(d->GetHeader()), 40);
  EXPECT_EQ(d->GetXResolution(), 2835);
  EXPECT_EQ(d->GetVirtualX(-4), 0);
  EXPECT_EQ(d->GetVirtualX(9), 4);
  EXPECT_EQ(d->GetVirtualY(3), 2);
  EXPECT_EQ(DibOf(Picture24(false))->GetColorTable(), nullptr);
  EXPECT_EQ(DibOf(PackedDib(Info(8, 1, 1), {}, {{}}))->GetHeadersSize(), 1064);
  TDib empty;
  EXPECT_TRUE(empty.GetEmpty());
  EXPECT_EQ(empty.GetWidth() + empty.GetHeight() + empty.GetBitsPerPixel() + empty.GetBytesPerLine() +
                empty.GetHeadersSize() + empty.GetVirtualX(5) + empty.GetXResolution(),
            0);
  EXPECT_EQ(empty.GetImageData(), nullptr);
  EXPECT_EQ(empty.GetDDB(GetDC(nullptr)), nullptr);
}

TEST(Dib, SetPixelWritesTwentyFourAndThirtyTwoBitsOnly)
{
  auto d24 = DibOf(Picture24(false));
  d24->SetPixel(1, 1, 0xAA123456);
  EXPECT_EQ(d24->GetPixel(1, 1), 0x123456u);
  d24->SetPixel(3, 0, 0);  // outside: nothing
  EXPECT_EQ(BlockOf(*d24).size(), size_t(40 + 24));
  auto d32 = DibOf(PackedDib(Info(32, 1, 1), {}, {Row32({0})}));
  d32->SetPixel(0, 0, 0xAA123456);
  EXPECT_EQ(d32->GetPixel(0, 0), 0xAA123456u);
  auto d8 = DibOf(PackedDib(Info(8, 1, 1, 2), {0x10, 0x20}, {{1}}));
  const Bytes before = BlockOf(*d8);
  d8->SetPixel(0, 0, 0x10);
  EXPECT_EQ(BlockOf(*d8), before);
}

TEST(Dib, BmpFormRoundTripsAndIsReadWhereTheFileSaysThePixelsAre)
{
  auto original = DibOf(Picture24(true));
  TMemoryStream file;
  original->SaveToStream(&file);
  const auto* f = static_cast<const BITMAPFILEHEADER*>(file.GetMemory());
  EXPECT_EQ(f->bfType, 0x4D42);
  EXPECT_EQ(f->bfSize, DWORD(14 + 40 + 24));
  EXPECT_EQ(f->bfOffBits, 54u);
  file.SetPosition(0);
  TDib loaded;
  loaded.LoadFromStream(&file);
  EXPECT_EQ(BlockOf(loaded), BlockOf(*original)) << "save then load gives the same block";

  // A gap after the colour table, and a 24-bit file's optional table: the pixels are where
  // bfOffBits says.
  const Bytes gapped = PackedDib(Info(8, 2, 1, 2), {0x0000FF, 0x00FF00}, {{1, 0}});
  const Bytes tabled = PackedDib(Info(24, 1, 1, 2), {0x111111, 0x222222}, {Row24({0x345678})});
  TDib d;
  d.LoadFromStream(StreamOf(BmpFile(gapped, 48, 20)).get());
  EXPECT_EQ(d.GetPixel(0, 0), 0x00FF00u);
  EXPECT_EQ(d.GetPixel(1, 0), 0x0000FFu);
  d.LoadFromStream(StreamOf(BmpFile(tabled, 48)).get());
  EXPECT_EQ(d.GetPixel(0, 0), 0x345678u);
  EXPECT_EQ(d.GetImage()->GetStream()->GetSize(), 44) << "the optional table is not carried";

  // Not "BM": the picture stays; cut short: the stream's error, and the picture is gone.
  Bytes notBmp = BmpFile(gapped, 48);
  notBmp[0] = 'X';
  EXPECT_THROW(d.LoadFromStream(StreamOf(notBmp).get()), EInvalidGraphic);
  EXPECT_EQ(d.GetPixel(0, 0), 0x345678u);
  Bytes cut = BmpFile(gapped, 48);
  cut.pop_back();
  EXPECT_THROW(d.LoadFromStream(StreamOf(cut).get()), EReadError);
  EXPECT_TRUE(d.GetEmpty());
  EXPECT_THROW(d.LoadDib(HeaderOf(gapped), gapped.size() - 1), EReadError) << "a block beyond the size given";
  EXPECT_TRUE(d.GetEmpty());
}

TEST(Dib, GraphicsShareOneImageUntilEachLetsGo)
{
  auto a = DibOf(Picture24(false));
  TDib b;
  b.Assign(a.get());
  EXPECT_EQ(b.GetImage(), a->GetImage());
  EXPECT_EQ(a->GetImage()->GetRefCount(), 2);
  b.SetPixel(0, 0, 0x0A0B0C);
  EXPECT_EQ(a->GetPixel(0, 0), 0x0A0B0Cu) << "no copy on write";
  a->FreeImage();
  EXPECT_TRUE(a->GetEmpty());
  EXPECT_EQ(b.GetImage()->GetRefCount(), 1);
  EXPECT_EQ(b.GetPixel(0, 0), 0x0A0B0Cu);
  b.DuplicateImage(nullptr);
  EXPECT_TRUE(b.GetEmpty());
  b.Allocate(Info(24, 3, 3));
  EXPECT_EQ(b.GetHeader()->biSizeImage, 36u);
  EXPECT_EQ(b.GetImage()->GetStream()->GetSize(), 40 + 36);
}

TEST(Dib, ReduceAndScaleGiveTheSmallestForm)
{
  auto eight = DibOf(PackedDib(Info(8, 1, 1, 2), {0, 1}, {{1}}));
  const Bytes before = BlockOf(*eight);
  EXPECT_FALSE(eight->Reduce());
  EXPECT_EQ(BlockOf(*eight), before);

  // Two colours in 24 bits, scaled to twice the size: a palette image again (bilinear blends make a
  // few more colours; the nearest neighbours keep the two).
  const Bytes twoColours = PackedDib(Info(24, 2, 2), {}, {Row24({0x000000, 0xFFFFFF}), Row24({0xFFFFFF, 0x000000})});
  auto blended = DibOf(twoColours);
  ASSERT_TRUE(blended->Scale(4, 4, smAuto));
  EXPECT_LE(blended->GetBitsPerPixel(), 8);
  EXPECT_GT(blended->GetBitsPerPixel(), 1);
  auto two = DibOf(twoColours);
  ASSERT_TRUE(two->Scale(4, 4, smNearest));
  EXPECT_EQ(two->GetBitsPerPixel(), 1);
  EXPECT_EQ(two->GetWidth(), 4);
  EXPECT_EQ(two->GetPixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << "the top row was white, black";
  EXPECT_EQ(two->GetPixel(3, 0) & 0xFFFFFF, 0u);

  auto sixteen = DibOf(PackedDib(Info(16, 2, 2), {}, {{1, 2, 3, 4}, {5, 6, 7, 8}}));
  const Bytes sixteenBefore = BlockOf(*sixteen);
  EXPECT_FALSE(sixteen->Scale(4, 4, smBilinear)) << "16-bit pixels cannot be read";
  EXPECT_EQ(BlockOf(*sixteen), sixteenBefore);
  EXPECT_FALSE(two->Scale(0, 4, smNearest));
  EXPECT_FALSE(TDib().Scale(4, 4, smNearest));
}

TEST(Dib, ConvertsFromAndToBitmaps)
{
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(4, 3);
  bitmap.GetCanvas()->GetBrush()->SetColor(clLime);
  bitmap.GetCanvas()->FillRect(TRect(0, 0, 4, 3));
  bitmap.GetCanvas()->SetPixels(3, 2, clRed);
  TDib dib;
  dib.Assign(&bitmap);
  EXPECT_EQ(dib.GetBitsPerPixel(), 1) << "converted, then reduced";
  EXPECT_EQ(dib.GetPixel(3, 2) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(dib.GetPixel(0, 0) & 0xFFFFFF, 0x00FF00u);

  TBitmap back;
  back.Assign(&dib);
  ASSERT_EQ(back.GetWidth(), 4);
  EXPECT_EQ(ColorToRGB(back.GetCanvas()->GetPixels(3, 2)), ColorToRGB(clRed));
  EXPECT_EQ(ColorToRGB(back.GetCanvas()->GetPixels(1, 1)), ColorToRGB(clLime));
}

TEST(Dib, ClipboardFormIsThePackedDibInMovableMemory)
{
  auto d = DibOf(Picture24(false));
  WORD format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = HPALETTE(1);
  d->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, CF_DIB);
  EXPECT_EQ(palette, nullptr);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(GlobalSize(data), SIZE_T(64));
  const auto* p = static_cast<const uint8_t*>(GlobalLock(data));
  EXPECT_NE(p, static_cast<const void*>(data)) << "movable: the handle is not the address";
  EXPECT_EQ(Bytes(p, p + 64), BlockOf(*d));
  GlobalUnlock(data);
  GlobalFree(data);
}

TEST(Dib, DrawAppliesTheWorldTransformAndRestoresTheCanvas)
{
  auto d = DibOf(Picture24(false));
  TBitmap target;
  target.SetPixelFormat(pf32bit);
  target.SetSize(8, 4);
  target.GetCanvas()->GetBrush()->SetColor(clBlack);
  target.GetCanvas()->FillRect(TRect(0, 0, 8, 4));
  const XFORM shift{1, 0, 0, 1, 4, 1};
  d->SetTransform(&shift);
  HDC dc = target.GetCanvas()->GetHandle();
  SetStretchBltMode(dc, BLACKONWHITE);
  target.GetCanvas()->Draw(0, 0, d.get());
  EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
  EXPECT_EQ(GetGraphicsMode(dc), GM_COMPATIBLE);
  EXPECT_EQ(ColorToRGB(target.GetCanvas()->GetPixels(4, 1)), COLORREF(RGB(255, 0, 0)));
  EXPECT_EQ(ColorToRGB(target.GetCanvas()->GetPixels(6, 2)), COLORREF(RGB(128, 128, 128)));
  EXPECT_EQ(ColorToRGB(target.GetCanvas()->GetPixels(0, 0)), COLORREF(RGB(0, 0, 0))) << "nothing at the origin";
  d->SetTransform(nullptr);
  EXPECT_EQ(d->GetTransform().eDx, 0.0f);
}
