// TDib::Scale against the results scale_reference.py computes on its own from the resampling
// arithmetic, and the images Scale must leave as they are.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DibCorpus.h"
#include "DibScaleCases.h"
#include "Dibimage.h"

using namespace dibtest;

namespace {
const char* ModeName(int mode)
{
  static const char* const names[] = {"smAuto", "smNearest", "smBilinear", "smBicubic"};
  return names[mode];
}

const TScaleCase& FindCase(const char* source, int width, int height, int mode)
{
  for (const TScaleCase& c : ScaleCases)
    if (std::strcmp(ScaleSources[c.Source].Name, source) == 0 && c.Width == width && c.Height == height &&
        c.Mode == mode)
      return c;
  throw std::runtime_error("no such case");
}

TEST(DibScale, EqualsTheReferenceByteForByte)
{
  for (const TScaleCase& c : ScaleCases) {
    const TScaleSource& source = ScaleSources[c.Source];
    SCOPED_TRACE(std::string(source.Name) + " to " + std::to_string(c.Width) + " x " + std::to_string(c.Height) +
                 ", " + ModeName(c.Mode));
    TDib dib;
    dib.LoadDib(reinterpret_cast<const BITMAPINFOHEADER*>(source.Block), source.Size);
    dib.Scale(c.Width, c.Height, TScaleMode(c.Mode));
    ASSERT_EQ(dib.GetWidth(), c.Width);
    ASSERT_EQ(dib.GetHeight(), c.Height);
    // The result may have been reduced to a palette image: its pixels are compared as colours.
    std::string actual, expected;
    for (int y = 0; y < c.Height; ++y)
      for (int x = 0; x < c.Width; ++x) {
        const DWORD pixel = dib.GetPixel(x, y);
        actual += {char(pixel & 0xFF), char((pixel >> 8) & 0xFF), char((pixel >> 16) & 0xFF)};
      }
    expected.assign(reinterpret_cast<const char*>(c.Pixels), size_t(c.Width) * c.Height * 3);
    EXPECT_EQ(actual, expected);
  }
}

// Two pixels of the reference worked out by hand, so that the script is checked too. The 5 x 4
// "edge24" image has red 10 10 250 255 255 across every row, blue 255 255 10 0 0 across rows 0 and 1
// (0 0 10 255 255 below) and green 0, 0, 200, 255 down the rows.
TEST(DibScale, ReferenceAgreesWithPixelsWorkedByHand)
{
  // Bilinear to 10 x 8, pixel (3, 3): rx = ry = 0.5, sx = 1.5, sy = 1.5, so x0 = 1, x1 = 2, y0 = 1, y1 = 2 and
  // fx = fy = 0.5. Blue: top = 0.5 * 255 + 0.5 * 10 = 132.5, bottom = 0.5 * 0 + 0.5 * 10 = 5,
  // v = 0.5 * 132.5 + 0.5 * 5 = 68.75, trunc(69.25) = 69.
  const TScaleCase& bilinear = FindCase("edge24", 10, 8, smBilinear);
  EXPECT_EQ(bilinear.Pixels[(3 * 10 + 3) * 3 + 0], 69);

  // Bicubic to 10 x 8, pixel (5, 0): sx = 2.5, x0 = 2, fx = 0.5, columns 1 2 3 4; sy = 0, fy = 0. At t = 0.5
  // the weights are -0.375, 3.375, 3.375 and 0.375. Red: (-0.375 * 10 + 3.375 * 250 + 3.375 * 255 - 0.375 * 255)
  // / 6 = 1605 / 6 = 267.5 in every row, so vertically too; trunc(268.0) = 268, limited to 255 (its low 8
  // bits, 12, would be a dark dot). Blue: (-0.375 * 255 + 3.375 * 10) / 6 = -10.3125, trunc(-9.8125) = -9,
  // limited to 0.
  const TScaleCase& bicubic = FindCase("edge24", 10, 8, smBicubic);
  EXPECT_EQ(bicubic.Pixels[5 * 3 + 2], 255);
  EXPECT_EQ(bicubic.Pixels[5 * 3 + 0], 0);
}

// Images whose pixels GetPixel cannot read, and sizes below 1: Scale answers false and the block
// stays byte for byte what it was.
TEST(DibScale, RefusesWhatItCannotResample)
{
  const std::vector<TBmpFile>& files = ReadableBmpFiles();
  auto file = [&files](const char* name) {
    for (const TBmpFile& f : files)
      if (f.Name == name) return f.Bytes;
    throw std::runtime_error("no such file");
  };
  struct {
    const char* Name;
    const char* File;
    int Width, Height;
  } const cases[] = {
      {"16 bits", "16-bit bottom-up", 10, 6},
      {"RLE8", "RLE8", 4, 2},
      {"32-bit bit fields", "32-bit 888", 10, 4},
      {"width 0", "24-bit bottom-up", 0, 3},
      {"negative height", "24-bit bottom-up", 5, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string bytes = file(c.File);
    TDib dib;
    dib.LoadDib(reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data() + 14), bytes.size() - 14);
    const std::string before(reinterpret_cast<const char*>(dib.GetHeader()), dib.GetImage()->GetStream()->GetSize());
    for (TScaleMode mode : {smAuto, smNearest, smBilinear, smBicubic}) {
      EXPECT_FALSE(dib.Scale(c.Width, c.Height, mode));
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(dib.GetHeader()), dib.GetImage()->GetStream()->GetSize()),
                before);
    }
  }
  TDib empty;
  EXPECT_FALSE(empty.Scale(4, 4, smBilinear));
  EXPECT_TRUE(empty.GetEmpty());
}
}  // namespace
