// The virtual scanner's test chart: where its patches lie on the page and what colour each one is,
// and the rules that turn its colours into gray, black and white, and palette indexes. The scanner
// draws every page from these figures, and tests of the acquisition side include this header to check
// the pixels they received.
//
// The chart is asymmetric on purpose: a row of eight colour patches at the top (red, green, blue,
// cyan, magenta, yellow, white, black, left to right), a gray gradient below it (black on the left,
// white on the right), a different colour in each corner and the page number and resolution as text
// in the middle, on light gray paper. A flipped row order, swapped channels or a mirrored row all
// change the colour found at some probe.
//
// Boxes are given in thousandths of the page's width and height and cover the pixels
// [Left*w/1000, Right*w/1000) x [Top*h/1000, Bottom*h/1000) (integer division). The chart needs at
// least 40 x 40 pixels for every box to be non-empty.
#pragma once

#include <array>
#include <cstdint>

namespace ostrel::vscan {

struct ChartRgb {
  uint8_t R = 0, G = 0, B = 0;
  friend constexpr bool operator==(ChartRgb, ChartRgb) = default;
};

// Thousandths of the page.
struct ChartBox {
  int Left, Top, Right, Bottom;
};

// Pixels of an image; Right and Bottom are exclusive.
struct ChartPixelBox {
  int Left, Top, Right, Bottom;
};

constexpr ChartPixelBox ChartPixels(ChartBox box, int width, int height)
{
  return {box.Left * width / 1000, box.Top * height / 1000, box.Right * width / 1000, box.Bottom * height / 1000};
}

constexpr ChartRgb ChartPaper{236, 236, 236};
constexpr ChartRgb ChartInk{0, 0, 0};

// The top row, left to right.
constexpr int ChartPatchCount = 8;
constexpr std::array<ChartRgb, ChartPatchCount> ChartPatchColours{{
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {255, 255, 255}, {0, 0, 0}}};
constexpr ChartBox ChartPatchBox(int index) { return {100 + 100 * index, 40, 200 + 100 * index, 260}; }

// Gray from 0 at the left edge of the band to 255 at its right edge, the same in every row.
constexpr ChartBox ChartGradientBox{100, 300, 900, 420};
constexpr uint8_t ChartGradientAt(int x, int width)
{
  const ChartPixelBox b = ChartPixels(ChartGradientBox, width, 1000);
  const int span = b.Right - b.Left - 1;
  if (span <= 0) return 0;
  return static_cast<uint8_t>((x - b.Left) * 255 / span);
}

enum class ChartCorner { TopLeft, TopRight, BottomLeft, BottomRight };
constexpr std::array<ChartRgb, 4> ChartCornerColours{{{255, 128, 0}, {128, 0, 255}, {0, 128, 128}, {128, 128, 0}}};
constexpr ChartBox ChartCornerBox(ChartCorner corner)
{
  switch (corner) {
  case ChartCorner::TopLeft: return {0, 0, 80, 120};
  case ChartCorner::TopRight: return {920, 0, 1000, 120};
  case ChartCorner::BottomLeft: return {0, 880, 80, 1000};
  case ChartCorner::BottomRight: break;
  }
  return {920, 880, 1000, 1000};
}

// The page number ("Page 1") and the resolution ("100 dpi") are written in ink, one line each, centred
// in this box; nothing else lies in it.
constexpr ChartBox ChartTextBox{100, 470, 900, 850};

// A point of the chart whose colour is known: the centre of each patch and corner, and the two ends
// and the middle of the gradient's middle row.
struct ChartProbe {
  int X, Y;
  ChartRgb Rgb;
  const char* What;
};

constexpr int ChartProbeCount = ChartPatchCount + 4 + 3;

constexpr std::array<ChartProbe, ChartProbeCount> ChartProbes(int width, int height)
{
  constexpr const char* patchNames[ChartPatchCount] = {"red patch",    "green patch",  "blue patch",  "cyan patch",
                                                       "magenta patch", "yellow patch", "white patch", "black patch"};
  constexpr const char* cornerNames[4] = {"top-left corner", "top-right corner", "bottom-left corner",
                                          "bottom-right corner"};
  std::array<ChartProbe, ChartProbeCount> probes{};
  int n = 0;
  auto centre = [&](ChartBox box, ChartRgb rgb, const char* what) {
    const ChartPixelBox b = ChartPixels(box, width, height);
    probes[n++] = {(b.Left + b.Right - 1) / 2, (b.Top + b.Bottom - 1) / 2, rgb, what};
  };
  for (int i = 0; i < ChartPatchCount; ++i) centre(ChartPatchBox(i), ChartPatchColours[i], patchNames[i]);
  for (int i = 0; i < 4; ++i)
    centre(ChartCornerBox(static_cast<ChartCorner>(i)), ChartCornerColours[i], cornerNames[i]);
  const ChartPixelBox g = ChartPixels(ChartGradientBox, width, height);
  const int y = (g.Top + g.Bottom - 1) / 2;
  const int xs[3] = {g.Left, (g.Left + g.Right - 1) / 2, g.Right - 1};
  const char* names[3] = {"gradient start", "gradient middle", "gradient end"};
  for (int i = 0; i < 3; ++i) {
    const uint8_t v = ChartGradientAt(xs[i], width);
    probes[n++] = {xs[i], y, {v, v, v}, names[i]};
  }
  return probes;
}

// Gray (ICAP_PIXELTYPE gray, and the gray palette): luminance, rounded to the nearest.
constexpr uint8_t ChartGray(ChartRgb c) { return static_cast<uint8_t>((299 * c.R + 587 * c.G + 114 * c.B + 500) / 1000); }

// Black and white: white where the gray value is 128 or more.
constexpr bool ChartIsWhite(ChartRgb c) { return ChartGray(c) >= 128; }

// The 8-bit palette of palette type RGB: three bits of red, three of green, two of blue (index
// RRRGGGBB), each level spread evenly over 0..255. A colour's index truncates its channels.
constexpr uint8_t ChartPaletteIndex(ChartRgb c)
{
  return static_cast<uint8_t>((c.R & 0xe0) | ((c.G >> 3) & 0x1c) | (c.B >> 6));
}
constexpr ChartRgb ChartPaletteColour(int index)
{
  return {static_cast<uint8_t>((index >> 5) * 255 / 7), static_cast<uint8_t>(((index >> 2) & 7) * 255 / 7),
          static_cast<uint8_t>((index & 3) * 255 / 3)};
}
// With palette type gray the palette is the gray ramp: index i is (i, i, i) and a colour's index is
// its ChartGray.

}  // namespace ostrel::vscan
