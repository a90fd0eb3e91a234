// TDib::Scale: resampling by nearest neighbour, bilinear and bicubic interpolation.
//
// The result is, byte for byte, what GetPixel of every source sample through the kernels of Dibutil
// gives (an unreadable sample reading as −1, each channel rounded as the kernels round and limited
// to 0..255). It is computed a row at a time: source rows are decoded once into blue-green-red bytes,
// and each source row's horizontal interpolation at every output column (the same for every output row
// that uses that source row) is kept in a small cache of rows, so that an output pixel costs one
// vertical interpolation per channel.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "Dibimage.h"

namespace {
// Where output column (or row) i samples the source: the four positions −1, 0, +1, +2 around it (the
// outer ones and +1 clamped into the image; position 0 as floor(i × ratio) is) and the fraction.
struct TSamplePoint {
  int At[4];
  double F;
};

std::vector<TSamplePoint> SamplePoints(int count, int sourceSize, double ratio)
{
  auto clamp = [sourceSize](int v) { return v < 0 ? 0 : v >= sourceSize ? sourceSize - 1 : v; };
  std::vector<TSamplePoint> points(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double s = i * ratio;
    const double f0 = std::floor(s);
    const int p0 = int(f0);
    // Past the edge, position 0 reads the white pixel after the row's last.
    points[size_t(i)] = {{clamp(p0 - 1), std::min(p0, sourceSize), clamp(p0 + 1), clamp(p0 + 2)}, s - p0};
  }
  return points;
}

// The weights of the cubic through four samples at t, as InterpolateCubic forms them.
struct TCubicWeights {
  double W[4];
  double T;
};

TCubicWeights CubicWeights(double t)
{
  return {{-t * (1 - t) * (2 - t), 3 * (t + 1) * (1 - t) * (2 - t), 3 * (t + 1) * t * (2 - t), (t + 1) * t * (1 - t)}, t};
}

inline double Cubic(const TCubicWeights& w, double pm1, double p0, double p1, double p2)
{
  if (pm1 == p0 && p1 == p2) return p0 == p1 ? p0 : Interpolate(w.T, p1, p0);
  return (w.W[0] * pm1 + w.W[1] * p0 + w.W[2] * p1 - w.W[3] * p2) / 6;
}

inline unsigned char Channel(double value)
{
  const double v = value + 0.5;  // rounded as the kernels round, then limited to 0..255
  if (!(v >= 1)) return 0;
  return v >= 255 ? 255 : static_cast<unsigned char>(int(v));
}

// The source's rows as blue-green-red bytes, one pixel more than the image is wide: a sample outside
// the image (a position 0 that rounding put past the edge) reads as GetPixel's −1, all bits set.
class TSourceRows {
public:
  explicit TSourceRows(const TDib& dib) : FDib(dib), FWidth(dib.GetWidth()), FHeight(dib.GetHeight())
  {
    const int bits = dib.GetBitsPerPixel();
    if (bits <= 8) {
      const BITMAPINFOHEADER* header = dib.GetHeader();
      const DWORD entries = header->biClrUsed ? header->biClrUsed : 1u << bits;
      for (DWORD i = 0; i < 256; ++i) {
        // An index beyond a short table reads as black (GetPixel's rule).
        const RGBQUAD c = i < entries ? dib.GetColorTable()[i] : RGBQUAD{0, 0, 0, 0};
        FTable[3 * i] = c.rgbBlue;
        FTable[3 * i + 1] = c.rgbGreen;
        FTable[3 * i + 2] = c.rgbRed;
      }
    }
    FWhite.assign(size_t(FWidth + 1) * 3, 0xFF);
  }

  // Row y decoded into out ((width + 1) × 3 bytes).
  void Decode(int y, unsigned char* out) const
  {
    if (y < 0 || y >= FHeight) {
      std::memcpy(out, FWhite.data(), FWhite.size());
      return;
    }
    const auto* line = static_cast<const unsigned char*>(FDib.GetScanLine(y));
    const int w = FWidth;
    switch (FDib.GetBitsPerPixel()) {
      case 24: std::memcpy(out, line, size_t(w) * 3); break;
      case 32:
        for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, line + 4 * x, 3);
        break;
      case 8:
        for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, FTable + 3 * line[x], 3);
        break;
      case 4:
        for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, FTable + 3 * ((line[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F), 3);
        break;
      default:
        for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, FTable + 3 * ((line[x / 8] >> (7 - x % 8)) & 1), 3);
        break;
    }
    out[3 * w] = out[3 * w + 1] = out[3 * w + 2] = 0xFF;
  }
  int Width() const { return FWidth; }

private:
  const TDib& FDib;
  int FWidth, FHeight;
  unsigned char FTable[256 * 3] = {};
  std::vector<unsigned char> FWhite;
};

// Source rows interpolated horizontally at every output column (3 doubles per column), computed on
// first use and kept while output rows still need them.
class THorizontalRows {
public:
  template <class F>
  THorizontalRows(const TSourceRows& source, int outWidth, F interpolate)
      : FSource(source), FOutWidth(outWidth), FInterpolate(std::move(interpolate)),
        FDecoded(size_t(source.Width() + 1) * 3)
  {
    for (auto& slot : FSlots) slot.Values.resize(size_t(outWidth) * 3);
  }

  const double* Row(int y)
  {
    TSlot* victim = &FSlots[0];
    for (auto& slot : FSlots) {
      if (slot.Row == y) {
        slot.Used = ++FClock;
        return slot.Values.data();
      }
      if (slot.Used < victim->Used) victim = &slot;
    }
    FSource.Decode(y, FDecoded.data());
    FInterpolate(FDecoded.data(), victim->Values.data());
    victim->Row = y;
    victim->Used = ++FClock;
    return victim->Values.data();
  }

private:
  struct TSlot {
    int Row = INT_MIN;
    unsigned long long Used = 0;
    std::vector<double> Values;
  };
  const TSourceRows& FSource;
  int FOutWidth;
  std::function<void(const unsigned char*, double*)> FInterpolate;
  std::vector<unsigned char> FDecoded;
  TSlot FSlots[6];  // a bicubic output row needs four source rows, the next row shares most of them
  unsigned long long FClock = 0;
};

void ZeroPadding(unsigned char* line, int width, int bytesPerLine)
{
  std::memset(line + 3 * width, 0, size_t(bytesPerLine - 3 * width));
}

void ScaleNearest(const TSourceRows& source, const std::vector<TSamplePoint>& xs, const std::vector<TSamplePoint>& ys,
                  TDib& result)
{
  const int w = int(xs.size());
  std::vector<int> column(xs.size());
  for (int x = 0; x < w; ++x) column[size_t(x)] = 3 * (xs[size_t(x)].F >= 0.5 ? xs[size_t(x)].At[2] : xs[size_t(x)].At[1]);
  std::vector<unsigned char> row(size_t(source.Width() + 1) * 3);
  int decoded = INT_MIN;
  for (int y = 0; y < int(ys.size()); ++y) {
    const TSamplePoint& p = ys[size_t(y)];
    const int sy = p.F >= 0.5 ? p.At[2] : p.At[1];
    if (sy != decoded) source.Decode(decoded = sy, row.data());
    auto* out = static_cast<unsigned char*>(result.GetScanLine(y));
    for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, row.data() + column[size_t(x)], 3);
    ZeroPadding(out, w, result.GetBytesPerLine());
  }
}

void ScaleBilinear(const TSourceRows& source, const std::vector<TSamplePoint>& xs, const std::vector<TSamplePoint>& ys,
                   TDib& result)
{
  const int w = int(xs.size());
  THorizontalRows rows(source, w, [&xs, w](const unsigned char* in, double* out) {
    for (int x = 0; x < w; ++x) {
      const TSamplePoint& p = xs[size_t(x)];
      const unsigned char* a = in + 3 * p.At[1];
      const unsigned char* b = in + 3 * p.At[2];
      for (int c = 0; c < 3; ++c) out[3 * x + c] = Interpolate(p.F, b[c], a[c]);
    }
  });
  for (int y = 0; y < int(ys.size()); ++y) {
    const TSamplePoint& p = ys[size_t(y)];
    const double* top = rows.Row(p.At[1]);
    const double* bottom = rows.Row(p.At[2]);
    auto* out = static_cast<unsigned char*>(result.GetScanLine(y));
    const double fy = p.F;
    for (int i = 0; i < 3 * w; ++i) out[i] = Channel(Interpolate(fy, bottom[i], top[i]));
    ZeroPadding(out, w, result.GetBytesPerLine());
  }
}

void ScaleBicubic(const TSourceRows& source, const std::vector<TSamplePoint>& xs, const std::vector<TSamplePoint>& ys,
                  TDib& result)
{
  const int w = int(xs.size());
  std::vector<TCubicWeights> wx(xs.size());
  for (int x = 0; x < w; ++x) wx[size_t(x)] = CubicWeights(xs[size_t(x)].F);
  THorizontalRows rows(source, w, [&xs, &wx, w](const unsigned char* in, double* out) {
    for (int x = 0; x < w; ++x) {
      const TSamplePoint& p = xs[size_t(x)];
      const unsigned char* s0 = in + 3 * p.At[0];
      const unsigned char* s1 = in + 3 * p.At[1];
      const unsigned char* s2 = in + 3 * p.At[2];
      const unsigned char* s3 = in + 3 * p.At[3];
      for (int c = 0; c < 3; ++c) out[3 * x + c] = Cubic(wx[size_t(x)], s0[c], s1[c], s2[c], s3[c]);
    }
  });
  for (int y = 0; y < int(ys.size()); ++y) {
    const TSamplePoint& p = ys[size_t(y)];
    const TCubicWeights wy = CubicWeights(p.F);
    const double* r0 = rows.Row(p.At[0]);
    const double* r1 = rows.Row(p.At[1]);
    const double* r2 = rows.Row(p.At[2]);
    const double* r3 = rows.Row(p.At[3]);
    auto* out = static_cast<unsigned char*>(result.GetScanLine(y));
    for (int i = 0; i < 3 * w; ++i) out[i] = Channel(Cubic(wy, r0[i], r1[i], r2[i], r3[i]));
    ZeroPadding(out, w, result.GetBytesPerLine());
  }
}
}  // namespace

bool TDib::Scale(int width, int height, TScaleMode mode)
{
  if (GetEmpty() || width <= 0 || height <= 0) return false;
  // Only images whose every pixel GetPixel reads can be resampled; the others stay as they are.
  const int bits = GetBitsPerPixel();
  if (GetHeader()->biCompression != BI_RGB || !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
    return false;

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biXPelsPerMeter = GetXResolution();
  header.biYPelsPerMeter = GetYResolution();
  auto result = std::make_unique<TDib>();
  result->Allocate(header);

  const double rx = double(GetWidth()) / width;
  const double ry = double(GetHeight()) / height;
  if (mode == smAuto) mode = rx * ry < 1 ? smBilinear : rx * ry > 1 ? smBicubic : smNearest;
  const std::vector<TSamplePoint> xs = SamplePoints(width, GetWidth(), rx);
  const std::vector<TSamplePoint> ys = SamplePoints(height, GetHeight(), ry);
  const TSourceRows source(*this);
  switch (mode) {
    case smNearest: ScaleNearest(source, xs, ys, *result); break;
    case smBilinear: ScaleBilinear(source, xs, ys, *result); break;
    default: ScaleBicubic(source, xs, ys, *result); break;
  }
  Assign(result.get());
  result.reset();
  return Reduce();
}
