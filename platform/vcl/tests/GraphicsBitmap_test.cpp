// Bitmaps: scan lines, pixel formats, BMP file images of every depth and header kind, resources,
// and malformed files.
#include <gtest/gtest.h>

#include <random>

#include "GraphicsTestSupport.h"

namespace {
constexpr TColor White = clWhite, Black = clBlack;

// A BMP file image from its header fields; rows are given in file order, already padded.
struct TBmpSpec {
  unsigned HeaderSize = 40;
  int Width = 0;
  int Height = 0;  // negative: top-down
  unsigned BitCount = 24;
  unsigned Compression = BI_RGB;
  std::vector<unsigned> Masks;  // BI_BITFIELDS: red, green, blue
  std::vector<unsigned> Colors;  // 0x00RRGGBB
  unsigned ClrUsed = 0;
  std::string Rows;
};

std::string BuildBmp(const TBmpSpec& s)
{
  std::string info;
  std::string colors;
  for (unsigned c : s.Colors) {
    colors += char(c & 0xFF);
    colors += char((c >> 8) & 0xFF);
    colors += char((c >> 16) & 0xFF);
    if (s.HeaderSize != 12) colors += '\0';
  }
  if (s.HeaderSize == 12) {
    info = Le32(12) + Le16(unsigned(s.Width)) + Le16(unsigned(s.Height)) + Le16(1) + Le16(s.BitCount);
  } else {
    info = Le32(s.HeaderSize) + Le32(unsigned(s.Width)) + Le32(unsigned(s.Height)) + Le16(1) + Le16(s.BitCount) +
           Le32(s.Compression) + Le32(unsigned(s.Rows.size())) + Le32(2835) + Le32(2835) + Le32(s.ClrUsed) + Le32(0);
    std::string masks;
    for (unsigned m : s.Masks) masks += Le32(m);
    if (s.HeaderSize == 40) info += masks;
    else info += masks + std::string(s.HeaderSize - 40 - masks.size(), '\0');
  }
  const unsigned offBits = 14 + unsigned(info.size() + colors.size());
  return "BM" + Le32(offBits + unsigned(s.Rows.size())) + Le32(0) + Le32(offBits) + info + colors + s.Rows;
}

std::unique_ptr<TBitmap> Load(const std::string& bmp)
{
  auto stream = StreamOf(bmp);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromStream(stream.get());
  return bitmap;
}

std::string Save(TBitmap* bitmap)
{
  TMemoryStream stream;
  bitmap->SaveToStream(&stream);
  return Bytes(stream);
}

// The file bytes (blue, green, red) of a colour written 0xRRGGBB.
std::string Bgr(unsigned rgb) { return std::string{char(rgb & 0xFF), char((rgb >> 8) & 0xFF), char((rgb >> 16) & 0xFF)}; }

// A 2x2 24-bit picture, bottom-up: red, lime on top; blue, white below.
TBmpSpec TwoByTwo()
{
  TBmpSpec s;
  s.Width = 2;
  s.Height = 2;
  s.Rows = Bgr(0x0000FF) + Bgr(0xFFFFFF) + std::string(2, '\0') + Bgr(0xFF0000) + Bgr(0x00FF00) + std::string(2, '\0');
  return s;
}

void ExpectTwoByTwo(TBitmap* b)
{
  ASSERT_EQ(b->GetWidth(), 2);
  ASSERT_EQ(b->GetHeight(), 2);
  EXPECT_EQ(PixelOf(b, 0, 0), clRed);
  EXPECT_EQ(PixelOf(b, 1, 0), clLime);
  EXPECT_EQ(PixelOf(b, 0, 1), clBlue);
  EXPECT_EQ(PixelOf(b, 1, 1), White);
}

TEST(GraphicsBitmap, ScanLineZeroIsTheTopLine)
{
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    auto bitmap = NewBitmap(5, 4, format);
    bitmap->GetCanvas()->SetPixels(0, 0, clRed);
    auto* top = static_cast<unsigned char*>(bitmap->ScanLine(0));
    EXPECT_EQ(top[0], 0);
    EXPECT_EQ(top[1], 0);
    EXPECT_EQ(top[2], 255);
    auto* bottom = static_cast<unsigned char*>(bitmap->ScanLine(3));
    EXPECT_EQ(bottom[2], 255);
    EXPECT_EQ(bottom[1], 255);
    bottom[0] = 255, bottom[1] = 0, bottom[2] = 0;
    EXPECT_EQ(PixelOf(bitmap.get(), 0, 3), clBlue);
    // Bottom-up storage: each line lies one stride below the one above it in memory.
    EXPECT_EQ(static_cast<unsigned char*>(bitmap->ScanLine(0)) - static_cast<unsigned char*>(bitmap->ScanLine(1)),
              bitmap->BytesPerScanLine());
    EXPECT_EQ(bitmap->BytesPerScanLine(), format == pf24bit ? 16 : 20);  // rows padded to 4 bytes
    EXPECT_THROW(bitmap->ScanLine(4), EInvalidGraphic);
    EXPECT_THROW(bitmap->ScanLine(-1), EInvalidGraphic);
  }
}

TEST(GraphicsBitmap, PixelFormatChangesKeepThePicture)
{
  auto bitmap = NewBitmap(6, 2, pf24bit);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->SetPixels(0, 0, clRed);
  canvas->SetPixels(1, 0, clLime);
  canvas->SetPixels(2, 0, clBlue);
  canvas->SetPixels(3, 0, Black);
  for (TPixelFormat format : {pf32bit, pf16bit, pf15bit, pf8bit, pf4bit, pf24bit}) {
    bitmap->SetPixelFormat(format);
    EXPECT_EQ(bitmap->GetPixelFormat(), format);
    EXPECT_EQ(PixelOf(bitmap.get(), 0, 0), clRed) << format;
    EXPECT_EQ(PixelOf(bitmap.get(), 1, 0), clLime) << format;
    EXPECT_EQ(PixelOf(bitmap.get(), 2, 0), clBlue) << format;
    EXPECT_EQ(PixelOf(bitmap.get(), 3, 0), Black) << format;
    EXPECT_EQ(PixelOf(bitmap.get(), 5, 1), White) << format;
  }
  bitmap->SetMonochrome(true);
  EXPECT_EQ(bitmap->GetPixelFormat(), pf1bit);
  EXPECT_EQ(PixelOf(bitmap.get(), 3, 0), Black);
  EXPECT_EQ(PixelOf(bitmap.get(), 5, 1), White);
  EXPECT_EQ(bitmap->GetColorTable().size(), 2u);
}

TEST(GraphicsBitmap, ResizingKeepsTheTopLeftAndWhitensTheRest)
{
  for (TPixelFormat format : {pf8bit, pf24bit}) {
    auto bitmap = NewBitmap(4, 4, format);
    bitmap->GetCanvas()->GetBrush()->SetColor(clRed);
    bitmap->GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    bitmap->SetSize(6, 6);
    EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 4, 4), clRed), 16) << format;
    EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 6, 6), White), 20) << format;
    bitmap->SetHeight(2);
    EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 4, 2), clRed), 8) << format;
    bitmap->SetWidth(0);
    EXPECT_TRUE(bitmap->Empty());
    EXPECT_EQ(bitmap->GetHandle(), nullptr);
  }
}

TEST(GraphicsBitmap, SavedFileHasTheStandardHeaders)
{
  auto bitmap = NewBitmap(2, 2, pf24bit);
  bitmap->GetCanvas()->SetPixels(0, 1, clRed);  // the bottom-left pixel, first in the file
  const std::string expected = "BM" + Le32(14 + 40 + 16) + Le32(0) + Le32(14 + 40) +  // file header
                               Le32(40) + Le32(2) + Le32(2) + Le16(1) + Le16(24) + Le32(BI_RGB) + Le32(16) + Le32(0) +
                               Le32(0) + Le32(0) + Le32(0) +  // info header
                               Bgr(0xFF0000) + Bgr(0xFFFFFF) + std::string(2, '\0') +  // bottom row
                               Bgr(0xFFFFFF) + Bgr(0xFFFFFF) + std::string(2, '\0');   // top row
  EXPECT_EQ(Hex(Save(bitmap.get())), Hex(expected));

  auto mono = NewBitmap(3, 1, pf1bit);
  mono->GetCanvas()->SetPixels(1, 0, Black);
  const std::string monoExpected = "BM" + Le32(14 + 40 + 8 + 4) + Le32(0) + Le32(14 + 40 + 8) + Le32(40) + Le32(3) +
                                   Le32(1) + Le16(1) + Le16(1) + Le32(BI_RGB) + Le32(4) + Le32(0) + Le32(0) + Le32(2) +
                                   Le32(0) + Le32(0) + Le32(0xFFFFFF) +     // black, white
                                   std::string{char(0xA0), 0, 0, 0};     // 1 0 1, padded to 4 bytes
  EXPECT_EQ(Hex(Save(mono.get())), Hex(monoExpected));

  auto hicolor = NewBitmap(1, 1, pf16bit);
  const std::string saved = Save(hicolor.get());
  EXPECT_EQ(saved.substr(28, 2), Le16(16));
  EXPECT_EQ(saved.substr(30, 4), Le32(BI_BITFIELDS));
  EXPECT_EQ(saved.substr(54, 12), Le32(0xF800) + Le32(0x07E0) + Le32(0x001F));
}

TEST(GraphicsBitmap, EveryDepthSurvivesASaveAndALoad)
{
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    auto bitmap = NewBitmap(5, 3, format);
    TCanvas* canvas = bitmap->GetCanvas();
    const bool mono = format == pf1bit;
    canvas->SetPixels(0, 0, mono ? Black : clRed);
    canvas->SetPixels(2, 1, mono ? Black : clLime);
    canvas->SetPixels(4, 2, mono ? Black : clBlue);
    canvas->SetPixels(3, 0, Black);
    const std::string image = Save(bitmap.get());
    auto loaded = Load(image);
    EXPECT_EQ(loaded->GetPixelFormat(), format);
    ASSERT_EQ(loaded->GetWidth(), 5);
    ASSERT_EQ(loaded->GetHeight(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelOf(loaded.get(), x, y), PixelOf(bitmap.get(), x, y)) << format;
    EXPECT_EQ(PixelOf(loaded.get(), 4, 2), mono ? Black : clBlue);
    EXPECT_EQ(Save(loaded.get()), image) << format;
  }
}

TEST(GraphicsBitmap, LoadingReadsExactlyTheImage)
{
  const std::string bmp = BuildBmp(TwoByTwo());
  auto stream = StreamOf(bmp + "trailing data");
  TBitmap bitmap;
  bitmap.LoadFromStream(stream.get());
  EXPECT_EQ(stream->GetPosition(), int(bmp.size()));
  ExpectTwoByTwo(&bitmap);
}

TEST(GraphicsBitmap, ReadsEveryHeaderKind)
{
  for (unsigned header : {40u, 52u, 56u, 108u, 124u}) {
    TBmpSpec s = TwoByTwo();
    s.HeaderSize = header;
    auto b = Load(BuildBmp(s));
    ExpectTwoByTwo(b.get());
  }
  TBmpSpec core = TwoByTwo();
  core.HeaderSize = 12;
  ExpectTwoByTwo(Load(BuildBmp(core)).get());
}

TEST(GraphicsBitmap, ReadsTopDownFiles)
{
  TBmpSpec s = TwoByTwo();
  s.Height = -2;
  s.Rows = s.Rows.substr(8) + s.Rows.substr(0, 8);  // the top row first
  ExpectTwoByTwo(Load(BuildBmp(s)).get());
}

TEST(GraphicsBitmap, ReadsPaletteImagesWithShortTables)
{
  TBmpSpec s;
  s.Width = 3;
  s.Height = 1;
  s.BitCount = 8;
  s.ClrUsed = 2;
  s.Colors = {0x00FF00, 0xFF0000};  // lime, red (RGB)
  s.Rows = std::string{1, 0, 1, 0};
  auto b = Load(BuildBmp(s));
  EXPECT_EQ(b->GetPixelFormat(), pf8bit);
  EXPECT_EQ(PixelOf(b.get(), 0, 0), clRed);
  EXPECT_EQ(PixelOf(b.get(), 1, 0), clLime);
  EXPECT_EQ(b->GetColorTable().size(), 256u);

  TBmpSpec core;
  core.HeaderSize = 12;
  core.Width = 2;
  core.Height = 1;
  core.BitCount = 1;
  core.Colors = {0x000000, 0x0000FF};
  core.Rows = std::string{char(0x40), 0, 0, 0};
  auto c = Load(BuildBmp(core));
  EXPECT_EQ(c->GetPixelFormat(), pf1bit);
  EXPECT_EQ(PixelOf(c.get(), 0, 0), Black);
  EXPECT_EQ(PixelOf(c.get(), 1, 0), clBlue);
}

TEST(GraphicsBitmap, ReadsBitFields)
{
  TBmpSpec s565;
  s565.Width = 2;
  s565.Height = 1;
  s565.BitCount = 16;
  s565.Compression = BI_BITFIELDS;
  s565.Masks = {0xF800, 0x07E0, 0x001F};
  s565.Rows = Le16(0xF800) + Le16(0x001F);
  auto a = Load(BuildBmp(s565));
  EXPECT_EQ(a->GetPixelFormat(), pf16bit);
  EXPECT_EQ(PixelOf(a.get(), 0, 0), clRed);
  EXPECT_EQ(PixelOf(a.get(), 1, 0), clBlue);

  // Unusual masks (red in the low byte) are converted to plain 32-bit pixels.
  TBmpSpec odd;
  odd.HeaderSize = 124;
  odd.Width = 2;
  odd.Height = 1;
  odd.BitCount = 32;
  odd.Compression = BI_BITFIELDS;
  odd.Masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  odd.Rows = Le32(0x000000FF) + Le32(0x0000FF00);
  auto b = Load(BuildBmp(odd));
  EXPECT_EQ(b->GetPixelFormat(), pf32bit);
  EXPECT_EQ(PixelOf(b.get(), 0, 0), clRed);
  EXPECT_EQ(PixelOf(b.get(), 1, 0), clLime);
}

TEST(GraphicsBitmap, ResourceBitmapsAreFoundWhateverTheLetterCase)
{
  TBitmap bitmap;
  bitmap.LoadFromResourceName(GetModuleHandleW(nullptr), "graphicsTESTglyph");
  ASSERT_EQ(bitmap.GetWidth(), 4);
  ASSERT_EQ(bitmap.GetHeight(), 3);
  EXPECT_EQ(PixelOf(&bitmap, 0, 0), White);
  EXPECT_EQ(PixelOf(&bitmap, 1, 0), clRed);
  EXPECT_EQ(PixelOf(&bitmap, 3, 1), clLime);
  EXPECT_EQ(PixelOf(&bitmap, 2, 2), clBlue);
  TBitmap byId;
  byId.LoadFromResourceID(GetModuleHandleW(nullptr), 4712);
  EXPECT_EQ(Save(&byId), Save(&bitmap));
  EXPECT_THROW(bitmap.LoadFromResourceName(GetModuleHandleW(nullptr), "NoSuchGlyph"), EResNotFound);
  EXPECT_THROW(bitmap.LoadFromResourceID(GetModuleHandleW(nullptr), 4713), EResNotFound);
}

void ExpectInvalid(const std::string& bmp, const char* what)
{
  try {
    Load(bmp);
    ADD_FAILURE() << what << ": accepted";
  } catch (EInvalidGraphic&) {
  } catch (std::exception& e) {
    ADD_FAILURE() << what << ": " << e.what();
  }
}

TEST(GraphicsBitmap, MalformedFilesAreRefused)
{
  const std::string good = BuildBmp(TwoByTwo());
  for (size_t n = 0; n < good.size(); ++n) ExpectInvalid(good.substr(0, n), "truncated");
  auto with = [&](size_t offset, const std::string& bytes) {
    std::string bad = good;
    bad.replace(offset, bytes.size(), bytes);
    return bad;
  };
  ExpectInvalid(with(0, "XM"), "signature");
  ExpectInvalid(with(10, Le32(0x7FFFFFF0)), "pixels beyond the end");
  ExpectInvalid(with(10, Le32(20)), "pixels inside the header");
  ExpectInvalid(with(14, Le32(41)), "header size");
  ExpectInvalid(with(18, Le32(0x40000000)), "huge width");
  ExpectInvalid(with(22, Le32(0x40000000)), "huge height");
  ExpectInvalid(with(18, Le32(0)), "no width");
  ExpectInvalid(with(18, Le32(unsigned(-5))), "negative width");
  ExpectInvalid(with(22, Le32(0x80000000)), "smallest height");
  ExpectInvalid(with(26, Le16(0)), "planes");
  ExpectInvalid(with(28, Le16(7)), "bit count");
  ExpectInvalid(with(30, Le32(BI_RLE8)), "compression");
  ExpectInvalid(with(30, Le32(BI_BITFIELDS)), "bit fields on 24 bits");
  TBmpSpec palette;
  palette.Width = 1;
  palette.Height = 1;
  palette.BitCount = 8;
  palette.ClrUsed = 1000;
  palette.Colors = {0};
  palette.Rows = std::string(4, '\0');
  ExpectInvalid(BuildBmp(palette), "colour count");
}

TEST(GraphicsBitmap, RandomlyCorruptedFilesNeverCrash)
{
  auto eight = NewBitmap(7, 5, pf8bit);
  eight->GetCanvas()->Ellipse(0, 0, 7, 5);
  TBmpSpec fields = TwoByTwo();
  fields.HeaderSize = 124;
  fields.BitCount = 32;
  fields.Compression = BI_BITFIELDS;
  fields.Masks = {0xFF0000, 0xFF00, 0xFF};
  fields.Rows = std::string(16, '\x7F');
  const std::string samples[] = {Save(eight.get()), BuildBmp(fields), BuildBmp(TwoByTwo())};
  std::mt19937 random(20240611);
  int accepted = 0, refused = 0;
  for (int i = 0; i < 600; ++i) {
    std::string bmp = samples[i % 3];
    const int flips = 1 + int(random() % 6);
    for (int f = 0; f < flips; ++f) {
      // Mostly the headers, where the sizes and offsets are.
      const size_t at = random() % 4 ? random() % std::min<size_t>(bmp.size(), 70) : random() % bmp.size();
      bmp[at] = char(random() % 3 == 0 ? 0xFF : random());
    }
    if (random() % 5 == 0) bmp.resize(random() % bmp.size());
    try {
      auto b = Load(bmp);
      EXPECT_GT(b->GetWidth(), 0);
      EXPECT_GT(b->GetHeight(), 0);
      PixelOf(b.get(), b->GetWidth() - 1, 0);
      ++accepted;
    } catch (EInvalidGraphic&) {
      ++refused;
    } catch (std::exception& e) {
      ADD_FAILURE() << "case " << i << ": " << e.what();
    }
  }
  EXPECT_GT(refused, 100);
  EXPECT_GT(accepted, 10);
}

TEST(GraphicsBitmap, AssignCopiesIndependently)
{
  auto source = NewBitmap(3, 3, pf8bit);
  source->GetCanvas()->SetPixels(1, 1, clRed);
  source->SetTransparent(true);
  TBitmap copy;
  copy.Assign(source.get());
  EXPECT_EQ(copy.GetPixelFormat(), pf8bit);
  EXPECT_TRUE(copy.GetTransparent());
  EXPECT_EQ(PixelOf(&copy, 1, 1), clRed);
  copy.GetCanvas()->SetPixels(1, 1, clBlue);
  EXPECT_EQ(PixelOf(source.get(), 1, 1), clRed);
  EXPECT_EQ(Save(&copy).size(), Save(source.get()).size());
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);
}

TEST(GraphicsBitmap, HandlesAreGivenAndTaken)
{
  auto bitmap = NewBitmap(4, 2, pf24bit);
  bitmap->GetCanvas()->SetPixels(0, 0, clRed);
  HBITMAP handle = bitmap->GetHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(bitmap->GetHandleType(), bmDIB);
  EXPECT_EQ(bitmap->ReleaseHandle(), handle);
  EXPECT_EQ(bitmap->GetWidth(), 4);
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 0), White);  // a blank picture made anew

  TBitmap adopted;
  adopted.SetHandle(handle);  // our own section comes back as it was
  EXPECT_EQ(adopted.GetPixelFormat(), pf24bit);
  EXPECT_EQ(PixelOf(&adopted, 0, 0), clRed);

  HDC screen = GetDC(nullptr);
  HBITMAP ddb = CreateCompatibleBitmap(screen, 3, 5);
  ReleaseDC(nullptr, screen);
  TBitmap fromDevice;
  fromDevice.SetHandle(ddb);
  EXPECT_EQ(fromDevice.GetWidth(), 3);
  EXPECT_EQ(fromDevice.GetHeight(), 5);
  EXPECT_EQ(fromDevice.GetHandleType(), bmDDB);
  EXPECT_EQ(GetObjectType(ddb), 0u);  // handed over and freed once copied
}
}  // namespace
