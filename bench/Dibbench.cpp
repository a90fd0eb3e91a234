// TDib's resampling, colour reduction and BMP loading, each against a yardstick:
//   dibbench --make PHOTO.bmp   writes the test photograph (4896 × 3264, 24 bits: a sky gradient, a
//                               textured ground, hard-edged shapes and sensor grain: over 200,000
//                               colours)
//   dibbench PHOTO.bmp          times
//     - Scale of the photograph to half and to double size in each mode (scale_<mode>_<size>_ms: the
//       best of 3, each on a fresh share of the image already in memory; scripts/bench sets these
//       against ImageMagick's resize of the same file);
//     - Reduce of an image of the same size with exactly 200 colours in posterised bands, in megapixels
//       per second, and against memcpy of its pixel block to memory already in use (best of 9: a short
//       run that the machine's other work easily disturbs);
//     - TPicture::LoadFromFile of the photograph (a TDib while this package is loaded) against ReadFile
//       of the whole file into a new buffer, from a warm file cache (best of 5, interleaved).
// Ratios are the yardstick's time over ours: at least 1.0 means we are as fast.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "Dibimage.h"
#include "Graphics.h"

namespace {

constexpr int PhotoWidth = 4896;
constexpr int PhotoHeight = 3264;
constexpr int ReduceColors = 200;
constexpr int ReduceRuns = 9;

double Seconds()
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The best time of a number of runs; prepare (untimed) runs before each.
double Best(int runs, const std::function<void()>& timed, const std::function<void()>& prepare = {})
{
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    if (prepare) prepare();
    const double start = Seconds();
    timed();
    best = std::min(best, Seconds() - start);
  }
  return best;
}

[[noreturn]] void Fail(const char* what)
{
  std::fprintf(stderr, "dibbench: %s\n", what);
  std::exit(1);
}

BITMAPINFOHEADER Header24(int width, int height)
{
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biXPelsPerMeter = header.biYPelsPerMeter = 3780;  // 96 dpi
  return header;
}

// ---------------------------------------------------------------------------------------------------
// The test photograph.
uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed)
{
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  return h ^ (h >> 15);
}

// Smooth value noise in 0..1 over cells of the given size.
double ValueNoise(int x, int y, int cell, uint32_t seed)
{
  const int cx = x / cell, cy = y / cell;
  double fx = double(x % cell) / cell, fy = double(y % cell) / cell;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  auto at = [seed](int u, int v) { return (Hash(uint32_t(u), uint32_t(v), seed) & 0xFFFF) / 65535.0; };
  const double top = at(cx, cy) + (at(cx + 1, cy) - at(cx, cy)) * fx;
  const double bottom = at(cx, cy + 1) + (at(cx + 1, cy + 1) - at(cx, cy + 1)) * fx;
  return top + (bottom - top) * fy;
}

unsigned char Clamp255(double v) { return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<unsigned char>(v + 0.5); }

void MakePhoto(TDib& dib)
{
  const int w = PhotoWidth, h = PhotoHeight;
  dib.Allocate(Header24(w, h));
  if (dib.GetEmpty()) Fail("cannot allocate the photograph");
  std::vector<int> horizon(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x)
    horizon[size_t(x)] = int(h * 0.46 + h * 0.05 * std::sin(x * 0.0013) + h * 0.02 * (ValueNoise(x, 0, 160, 9) - 0.5));
  const double sunX = w * 0.72, sunY = h * 0.2, sunR = h * 0.07;
  for (int y = 0; y < h; ++y) {
    auto* line = static_cast<unsigned char*>(dib.GetScanLine(y));
    for (int x = 0; x < w; ++x) {
      double r, g, b;
      if (y < horizon[size_t(x)]) {
        // Sky: a vertical gradient with a faint horizontal drift and soft clouds.
        const double t = double(y) / h, s = double(x) / w;
        const double cloud = std::max(0.0, ValueNoise(x, y, 300, 3) - 0.55) * 2.2;
        r = 70 + 120 * t + 20 * s;
        g = 120 + 90 * t;
        b = 230 - 30 * t;
        r += (250 - r) * cloud;
        g += (250 - g) * cloud;
        b += (252 - b) * cloud;
        const double dx = x - sunX, dy = y - sunY;
        if (dx * dx + dy * dy < sunR * sunR) r = 255, g = 236, b = 170;
      } else {
        // Ground: fields in three octaves of noise, darker towards the bottom.
        const double n = 0.55 * ValueNoise(x, y, 400, 5) + 0.3 * ValueNoise(x, y, 60, 6) + 0.15 * ValueNoise(x, y, 7, 7);
        const double shade = 1.0 - 0.35 * (double(y) / h);
        r = (60 + 110 * n) * shade;
        g = (90 + 100 * n) * shade;
        b = (30 + 50 * n) * shade;
      }
      // Buildings: hard-edged blocks with lit windows.
      const int block = x / 360;
      const int top = horizon[size_t(std::min(w - 1, block * 360))] - 120 - int(Hash(uint32_t(block), 0, 11) % 500);
      if (block % 3 == 1 && y >= top && y < horizon[size_t(x)] + 40 && x % 360 < 300) {
        const bool window = (x % 360) % 40 >= 12 && (x % 360) % 40 < 30 && (y - top) % 56 >= 16 && (y - top) % 56 < 44;
        const bool lit = window && Hash(uint32_t(x / 40), uint32_t((y - top) / 56), 13) % 3 == 0;
        r = lit ? 240 : window ? 40 : 110;
        g = lit ? 210 : window ? 50 : 100;
        b = lit ? 120 : window ? 70 : 95;
      }
      // Grain: a few levels of noise on every pixel.
      const uint32_t grain = Hash(uint32_t(x), uint32_t(y), 1);
      line[3 * x] = Clamp255(b + int(grain & 15) - 7.5);
      line[3 * x + 1] = Clamp255(g + int(grain >> 4 & 15) - 7.5);
      line[3 * x + 2] = Clamp255(r + int(grain >> 8 & 15) - 7.5);
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// The 200-colour image: a smooth field posterised into bands, each band one of 200 colours.
void MakePosterised(TDib& dib)
{
  const int w = PhotoWidth, h = PhotoHeight;
  std::vector<double> a(static_cast<size_t>(w)), b(static_cast<size_t>(h)), c(static_cast<size_t>(w + h));
  for (int x = 0; x < w; ++x) a[size_t(x)] = std::sin(x / 700.0) + 0.4 * std::sin(x / 173.0);
  for (int y = 0; y < h; ++y) b[size_t(y)] = std::cos(y / 530.0) + 0.3 * std::sin(y / 97.0);
  for (int i = 0; i < w + h; ++i) c[size_t(i)] = 0.8 * std::sin(i / 1300.0);
  double low = 1e30, high = -1e30;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double f = a[size_t(x)] + b[size_t(y)] + c[size_t(x + y)];
      low = std::min(low, f);
      high = std::max(high, f);
    }
  unsigned char palette[ReduceColors][3];
  for (int i = 0; i < ReduceColors; ++i) {
    palette[i][0] = static_cast<unsigned char>(28 + i);  // distinct blues make distinct colours
    palette[i][1] = Clamp255(128 + 100 * std::sin(i / 30.0));
    palette[i][2] = Clamp255(i * 255.0 / (ReduceColors - 1));
  }
  dib.Allocate(Header24(w, h));
  if (dib.GetEmpty()) Fail("cannot allocate the 200-colour image");
  const double scale = ReduceColors / (high - low);
  for (int y = 0; y < h; ++y) {
    auto* line = static_cast<unsigned char*>(dib.GetScanLine(y));
    for (int x = 0; x < w; ++x) {
      const int level = std::min(ReduceColors - 1, int((a[size_t(x)] + b[size_t(y)] + c[size_t(x + y)] - low) * scale));
      std::memcpy(line + 3 * x, palette[level], 3);
    }
  }
}

// ---------------------------------------------------------------------------------------------------
struct TScaleCase {
  const char* Name;
  TScaleMode Mode;
};

void BenchScale(TDib& photo)
{
  const TScaleCase cases[] = {{"bilinear", smBilinear}, {"bicubic", smBicubic}, {"nearest", smNearest}};
  const struct {
    const char* Name;
    int Width, Height;
  } sizes[] = {{"half", PhotoWidth / 2, PhotoHeight / 2}, {"double", PhotoWidth * 2, PhotoHeight * 2}};
  for (const TScaleCase& c : cases)
    for (const auto& size : sizes) {
      auto dib = std::make_unique<TDib>();
      const double best = Best(
          3,
          [&] { dib->Scale(size.Width, size.Height, c.Mode); },
          [&] {
            // A fresh TDib sharing the photograph's block: Scale replaces its image, never the block.
            dib = std::make_unique<TDib>();
            dib->Assign(&photo);
          });
      // Scale's result is that of its final Reduce; its size tells whether it resampled.
      if (dib->GetWidth() != size.Width || dib->GetHeight() != size.Height) Fail("Scale made the wrong size");
      std::printf("scale_%s_%s_ms: %.1f\n", c.Name, size.Name, best * 1000);
      std::fflush(stdout);
    }
}

void BenchReduce()
{
  TDib source;
  MakePosterised(source);
  const double megapixels = double(source.GetWidth()) * source.GetHeight() / 1e6;
  const size_t block = size_t(source.GetBytesPerLine()) * size_t(source.GetHeight());

  TDib dib;
  const double reduce = Best(
      ReduceRuns, [&] { dib.Reduce(); }, [&] { dib.Assign(&source); });
  if (dib.GetBitsPerPixel() != 8 || int(dib.GetHeader()->biClrUsed) != ReduceColors)
    Fail("Reduce did not make an 8-bit image of 200 colours");
  dib.FreeImage();

  // The reduction alone, without the copy into the TDib's new block.
  std::unique_ptr<TMemoryStream> reduced;
  const double reduce24 = Best(
      ReduceRuns,
      [&] {
        TMemoryStream* stream = nullptr;
        ReduceDib24(source.GetHeader(), stream);
        reduced.reset(stream);
      },
      [&] { reduced.reset(); });
  reduced.reset();

  std::unique_ptr<unsigned char[]> target(new unsigned char[block]);
  std::memset(target.get(), 0, block);  // the copy goes to memory that is already mapped
  const double copy = Best(ReduceRuns, [&] { std::memcpy(target.get(), source.GetImageData(), block); });
  volatile unsigned char sink = target[block / 2];  // the copy is read, so it is made
  (void)sink;

  std::printf("reduce_mpx_s: %.0f\n", megapixels / reduce);
  std::printf("reduce_dib24_mpx_s: %.0f\n", megapixels / reduce24);
  std::printf("reduce_ms: %.1f (memcpy %.1f)\n", reduce * 1000, copy * 1000);
  std::printf("reduce_vs_memcpy: %.2f\n", copy / reduce);
  std::fflush(stdout);
}

// ReadFile of the whole file into a new buffer; the buffer's size, 0 on failure.
size_t ReadWholeFile(const char* path, std::unique_ptr<unsigned char[]>& buffer)
{
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size{};
  DWORD done = 0;
  size_t result = 0;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
    buffer.reset(new unsigned char[size_t(size.QuadPart)]);
    if (ReadFile(file, buffer.get(), DWORD(size.QuadPart), &done, nullptr) && done == DWORD(size.QuadPart))
      result = done;
  }
  CloseHandle(file);
  return result;
}

void BenchLoad(const char* path)
{
  // One untimed run of each warms the file cache and both paths.
  std::unique_ptr<unsigned char[]> buffer;
  if (ReadWholeFile(path, buffer) == 0) Fail("cannot read the photograph");
  buffer.reset();
  std::make_unique<TPicture>()->LoadFromFile(path);
  double load = 1e30, read = 1e30;
  // Loading and reading in turn, five rounds each.
  for (int round = 0; round < 10; ++round) {
    if (round % 2 == 0) {
      auto picture = std::make_unique<TPicture>();
      const double start = Seconds();
      picture->LoadFromFile(path);
      load = std::min(load, Seconds() - start);
      if (!dynamic_cast<TDib*>(picture->GetGraphic())) Fail("the picture did not load as a TDib");
    } else {
      const double start = Seconds();
      const size_t bytes = ReadWholeFile(path, buffer);
      read = std::min(read, Seconds() - start);
      if (bytes == 0) Fail("cannot read the photograph");
      buffer.reset();
    }
  }
  std::printf("load_ms: %.1f (readfile %.1f)\n", load * 1000, read * 1000);
  std::printf("load_vs_readfile: %.2f\n", read / load);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
  try {
    if (argc == 3 && std::strcmp(argv[1], "--make") == 0) {
      TDib photo;
      MakePhoto(photo);
      photo.SaveToFile(argv[2]);
      return 0;
    }
    if (argc != 2) {
      std::fprintf(stderr, "usage: dibbench --make PHOTO.bmp | dibbench PHOTO.bmp\n");
      return 2;
    }
    {
      TPicture picture;
      picture.LoadFromFile(argv[1]);
      auto* photo = dynamic_cast<TDib*>(picture.GetGraphic());
      if (!photo || photo->GetWidth() != PhotoWidth || photo->GetHeight() != PhotoHeight || photo->GetBitsPerPixel() != 24)
        Fail("the photograph is not the 24-bit TDib dibbench --make writes");
      BenchScale(*photo);
    }
    BenchReduce();
    BenchLoad(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dibbench: %s\n", e.what());
    return 1;
  }
  return 0;
}
