// Graphics: bitmaps as DIB sections, their canvas, pixel formats and transparent drawing.
#include "Consts.h"
#include "Graphics.h"

#include <algorithm>
#include <cstring>

VCL_IMPLEMENT_ENUM(TPixelFormat, "pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit", "pf24bit",
                   "pf32bit", "pfCustom")
VCL_IMPLEMENT_ENUM(TTransparentMode, "tmAuto", "tmFixed")
VCL_IMPLEMENT_CLASS(TBitmapCanvas)
VCL_IMPLEMENT_CLASS(TBitmap)

namespace vcl_graphics {
// Shared with GraphicsBitmapFile.cpp.
int BitCountOf(TPixelFormat format);
std::vector<RGBQUAD> DefaultColorTable(TPixelFormat format);
HBITMAP CreateSection(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors, void** bits);
}  // namespace vcl_graphics

using namespace vcl_graphics;

namespace {
struct TDibInfo {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
};

RGBQUAD Quad(int r, int g, int b) { return RGBQUAD{BYTE(b), BYTE(g), BYTE(r), 0}; }

// The 16 colours of the standard VGA palette; white last, so that an all-ones index is white.
const RGBQUAD VgaColors[16] = {
    Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
    Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(128, 128, 128),
    Quad(192, 192, 192), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
    Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255),
};

// A 6x6x6 colour cube (black first), 24 greys and the VGA colours (white last): 256 entries.
std::vector<RGBQUAD> EightBitColors()
{
  std::vector<RGBQUAD> colors;
  colors.reserve(256);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) colors.push_back(Quad(r * 51, g * 51, b * 51));
  for (int i = 1; i <= 24; ++i) colors.push_back(Quad(i * 10, i * 10, i * 10));
  colors.insert(colors.end(), std::begin(VgaColors), std::end(VgaColors));
  return colors;
}
}  // namespace

namespace vcl_graphics {
int BitCountOf(TPixelFormat format)
{
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: case pf16bit: return 16;
    case pf24bit: return 24;
    case pfDevice: case pf32bit: return 32;
    default: throw EInvalidGraphic(SInvalidBitmap);
  }
}

std::vector<RGBQUAD> DefaultColorTable(TPixelFormat format)
{
  switch (format) {
    case pf1bit: return {Quad(0, 0, 0), Quad(255, 255, 255)};
    case pf4bit: return std::vector<RGBQUAD>(std::begin(VgaColors), std::end(VgaColors));
    case pf8bit: return EightBitColors();
    default: return {};
  }
}

HBITMAP CreateSection(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors, void** bits)
{
  TDibInfo info{};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = width;
  info.Header.biHeight = height;
  info.Header.biPlanes = 1;
  info.Header.biBitCount = WORD(BitCountOf(format));
  info.Header.biCompression = BI_RGB;
  if (format == pf16bit) {
    info.Header.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(info.Colors, masks, sizeof masks);
  } else {
    const size_t n = std::min<size_t>(colors.size(), 256);
    info.Header.biClrUsed = DWORD(n);
    std::copy(colors.begin(), colors.begin() + ptrdiff_t(n), info.Colors);
  }
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
  if (!section || !*bits) throw EOutOfResources(SOutOfResources);
  return section;
}
}  // namespace vcl_graphics

// ===================================================================================================
// TBitmapCanvas
TBitmapCanvas::TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle()
{
  if (FDC) return;
  TOwnedDC dc(CreateCompatibleDC(nullptr));
  if (!dc) throw EOutOfResources(SOutOfResources);
  FBitmap->HandleNeeded();
  if (FBitmap->FHandle) FOldBitmap = SelectObject(dc.Get(), FBitmap->FHandle.Get());
  FDC = std::move(dc);
  SetHandle(FDC.Get());
}

void TBitmapCanvas::FreeContext()
{
  if (!FDC) return;
  SetHandle(nullptr);
  if (FOldBitmap) SelectObject(FDC.Get(), FOldBitmap);
  FOldBitmap = nullptr;
  FDC.Reset();
}

// ===================================================================================================
// TBitmap
TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
  // The canvas's DC holds the section: it goes first.
  FCanvas.reset();
}

void TBitmap::FreeContext()
{
  if (FCanvas) FCanvas->FreeContext();
}

int TBitmap::BytesPerScanLine() const
{
  if (FPixelFormat == pfCustom) return 0;
  return ((FWidth * BitCountOf(FPixelFormat) + 31) / 32) * 4;
}

void TBitmap::NewImage(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors)
{
  void* bits = nullptr;
  TGdiObject section(CreateSection(width, height, format, colors, &bits));
  FreeContext();
  FPalette.Reset();
  FHandle = std::move(section);
  FBits = bits;
  FWidth = width;
  FHeight = height;
  FPixelFormat = format;
  FColors = colors;
}

void TBitmap::Rebuild(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors)
{
  FreeContext();
  TGdiObject old = std::move(FHandle);
  const int oldWidth = FWidth, oldHeight = FHeight, oldStride = BytesPerScanLine();
  const TPixelFormat oldFormat = FPixelFormat;
  const bool sameTable = colors.size() == FColors.size() &&
                         std::equal(colors.begin(), colors.end(), FColors.begin(), [](const RGBQUAD& a, const RGBQUAD& b) {
                           return std::memcmp(&a, &b, sizeof a) == 0;
                         });
  void* oldBits = FBits;
  FBits = nullptr;
  NewImage(width, height, format, colors);
  GdiFlush();
  if (old && oldFormat == format && oldWidth == width && sameTable) {
    // The same layout: rows are copied exactly, the bottom-most rows of both being the last ones.
    const int rows = std::min(oldHeight, height);
    const int stride = BytesPerScanLine();
    auto* dst = static_cast<unsigned char*>(FBits);
    auto* src = static_cast<const unsigned char*>(oldBits);
    std::memset(dst, 0xFF, size_t(stride) * size_t(height));
    for (int row = 0; row < rows; ++row)
      std::memcpy(dst + size_t(height - 1 - row) * size_t(stride), src + size_t(oldHeight - 1 - row) * size_t(oldStride),
                  size_t(stride));
    return;
  }
  TMemoryDC dst;
  dst.Select(FHandle.Get());
  PatBlt(dst.Get(), 0, 0, width, height, WHITENESS);
  if (!old) return;
  TMemoryDC src;
  src.Select(old.Get());
  BitBlt(dst.Get(), 0, 0, std::min(width, oldWidth), std::min(height, oldHeight), src.Get(), 0, 0, SRCCOPY);
  GdiFlush();
}

void TBitmap::HandleNeeded()
{
  if (FHandle || GetEmpty()) return;
  Rebuild(FWidth, FHeight, FPixelFormat, FColors.empty() ? DefaultColorTable(FPixelFormat) : FColors);
}

void TBitmap::SetSize(int width, int height)
{
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == FWidth && height == FHeight) return;
  if (width == 0 || height == 0) {
    FreeContext();
    FHandle.Reset();
    FBits = nullptr;
    FWidth = width;
    FHeight = height;
  } else {
    std::vector<RGBQUAD> colors = FColors.empty() ? DefaultColorTable(FPixelFormat) : FColors;
    Rebuild(width, height, FPixelFormat, colors);
  }
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
  if (value == FPixelFormat) return;
  if (value == pfCustom) throw EInvalidGraphic(SInvalidBitmap);
  std::vector<RGBQUAD> colors = DefaultColorTable(value);
  // A palette of the same size stays: its pictures keep their colours exactly.
  if (!FColors.empty() && FColors.size() == colors.size()) colors = FColors;
  if (GetEmpty()) {
    FPixelFormat = value;
    FColors = colors;
  } else {
    HandleNeeded();
    Rebuild(FWidth, FHeight, value, colors);
  }
  Changed(this);
}

void TBitmap::SetMonochrome(bool value)
{
  if (value == GetMonochrome()) return;
  SetPixelFormat(value ? pf1bit : pfDevice);
}

void TBitmap::SetHandleType(TBitmapHandleType value)
{
  if (value == GetHandleType()) return;
  SetPixelFormat(value == bmDDB ? pfDevice : pf32bit);
}

TCanvas* TBitmap::GetCanvas()
{
  if (!FCanvas) {
    FCanvas = std::make_unique<TBitmapCanvas>(this);
    FCanvas->OnChange = TNotifyEvent(this, &TBitmap::CanvasChanged);
  }
  return FCanvas.get();
}

void TBitmap::CanvasChanged(TObject*) { Changed(this); }

HBITMAP TBitmap::GetHandle()
{
  // The caller may select the section into a DC of its own, which it cannot while ours holds it.
  FreeContext();
  HandleNeeded();
  return static_cast<HBITMAP>(FHandle.Get());
}

void TBitmap::SetHandle(HBITMAP value)
{
  TGdiObject given(value);
  FreeContext();
  FHandle.Reset();
  FBits = nullptr;
  FPalette.Reset();
  FWidth = FHeight = 0;
  if (!value) return Changed(this);
  DIBSECTION dib{};
  const int got = GetObjectW(value, sizeof dib, &dib);
  if (got == 0) throw EInvalidGraphic(SInvalidBitmap);
  if (got == sizeof(DIBSECTION) && dib.dsBm.bmBits && dib.dsBmih.biHeight > 0) {
    TPixelFormat format = pfCustom;
    switch (dib.dsBmih.biBitCount) {
      case 1: format = pf1bit; break;
      case 4: format = pf4bit; break;
      case 8: format = pf8bit; break;
      case 16: format = dib.dsBmih.biCompression == BI_BITFIELDS && dib.dsBitfields[1] == 0x07E0 ? pf16bit : pf15bit; break;
      case 24: format = pf24bit; break;
      case 32: format = pf32bit; break;
    }
    if (format != pfCustom && (format != pf32bit || dib.dsBmih.biCompression == BI_RGB)) {
      std::vector<RGBQUAD> colors(format <= pf8bit ? size_t(1) << BitCountOf(format) : 0);
      if (!colors.empty()) {
        TMemoryDC dc;
        dc.Select(value);
        colors.resize(GetDIBColorTable(dc.Get(), 0, UINT(colors.size()), colors.data()));
      }
      FHandle = std::move(given);
      FBits = dib.dsBm.bmBits;
      FWidth = int(dib.dsBm.bmWidth);
      FHeight = int(dib.dsBm.bmHeight);
      FPixelFormat = format;
      FColors = colors;
      return Changed(this);
    }
  }
  // Any other bitmap is copied into a section of ours and then freed, since it was handed over.
  BITMAP bm{};
  GetObjectW(value, sizeof bm, &bm);
  const TPixelFormat format = bm.bmBitsPixel == 1 ? pf1bit : pfDevice;
  const int width = int(bm.bmWidth), height = std::abs(int(bm.bmHeight));
  std::vector<RGBQUAD> colors = DefaultColorTable(format);
  NewImage(width, height, format, colors);
  TMemoryDC dst, src;
  dst.Select(FHandle.Get());
  src.Select(value);
  BitBlt(dst.Get(), 0, 0, width, height, src.Get(), 0, 0, SRCCOPY);
  GdiFlush();
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle()
{
  FreeContext();
  FBits = nullptr;
  FPalette.Reset();
  return static_cast<HBITMAP>(FHandle.Detach());
}

HPALETTE TBitmap::GetPalette()
{
  if (FPalette || FColors.empty()) return static_cast<HPALETTE>(FPalette.Get());
  std::vector<unsigned char> buffer(sizeof(LOGPALETTE) + FColors.size() * sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(buffer.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = WORD(FColors.size());
  for (size_t i = 0; i < FColors.size(); ++i)
    palette->palPalEntry[i] = PALETTEENTRY{FColors[i].rgbRed, FColors[i].rgbGreen, FColors[i].rgbBlue, 0};
  FPalette.Reset(CreatePalette(palette));
  return static_cast<HPALETTE>(FPalette.Get());
}

void TBitmap::SetColorTable(const std::vector<RGBQUAD>& colors)
{
  if (FPixelFormat < pf1bit || FPixelFormat > pf8bit) throw EInvalidGraphicOperation(SInvalidBitmap);
  std::vector<RGBQUAD> table = colors;
  table.resize(size_t(1) << BitCountOf(FPixelFormat), RGBQUAD{});
  FColors = table;
  FPalette.Reset();
  if (FHandle) {
    FreeContext();
    TMemoryDC dc;
    dc.Select(FHandle.Get());
    SetDIBColorTable(dc.Get(), 0, UINT(table.size()), table.data());
  }
  Changed(this);
}

void* TBitmap::ScanLine(int row)
{
  if (row < 0 || row >= FHeight || GetEmpty()) throw EInvalidGraphic(SScanLine);
  HandleNeeded();
  // What GDI has queued for the section must be in memory before the caller reads it.
  GdiFlush();
  return static_cast<unsigned char*>(FBits) + size_t(FHeight - 1 - row) * size_t(BytesPerScanLine());
}

TColor TBitmap::GetTransparentColor()
{
  if (FTransparentMode == tmFixed) return FTransparentColor;
  if (GetEmpty()) return clDefault;
  return GetCanvas()->GetPixels(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor value)
{
  if (value == FTransparentColor && FTransparentMode == (value == clDefault ? tmAuto : tmFixed)) return;
  FTransparentColor = value;
  FTransparentMode = value == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value)
{
  if (value == FTransparentMode) return;
  if (value == tmAuto) SetTransparentColor(clDefault);
  else SetTransparentColor(GetTransparentColor());
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect)
{
  if (GetEmpty()) return;
  const TColor transparent = GetTransparent() ? GetTransparentColor() : clDefault;
  HDC dst = canvas->GetHandle();
  HDC src = GetCanvas()->GetHandle();
  if (GetTransparent()) {
    TransparentBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, FWidth, FHeight,
                   ColorToRGB(transparent) & 0xFFFFFF);
    return;
  }
  const int oldMode = SetStretchBltMode(dst, COLORONCOLOR);
  StretchBlt(dst, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, FWidth, FHeight, canvas->GetCopyMode());
  SetStretchBltMode(dst, oldMode);
}

void TBitmap::Assign(TPersistent* source)
{
  if (!source) {
    SetSize(0, 0);
    return;
  }
  auto* other = dynamic_cast<TBitmap*>(source);
  if (!other) return inherited::Assign(source);
  if (other == this) return;
  FTransparentColor = other->FTransparentColor;
  FTransparentMode = other->FTransparentMode;
  SetTransparent(other->GetTransparent());
  if (other->GetEmpty()) {
    FreeContext();
    FHandle.Reset();
    FBits = nullptr;
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    FPixelFormat = other->FPixelFormat;
    FColors = other->FColors;
    return Changed(this);
  }
  other->HandleNeeded();
  NewImage(other->FWidth, other->FHeight, other->FPixelFormat, other->FColors);
  GdiFlush();
  std::memcpy(FBits, other->FBits, size_t(BytesPerScanLine()) * size_t(FHeight));
  Changed(this);
}
