// The chart drawn for each page, its conversion to the negotiated pixel type, and the three ways of
// handing it over: a packed DIB in global memory, a BMP file, and strips of rows in the
// application's buffers.
#include "Vscan.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace ostrel::vscan {
namespace {

template <class H, BOOL(WINAPI* Free)(H)>
class Owned {
 public:
  explicit Owned(H h = nullptr) : H_(h) {}
  ~Owned()
  {
    if (H_) Free(H_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  H Get() const { return H_; }
  H Release()
  {
    H h = H_;
    H_ = nullptr;
    return h;
  }

 private:
  H H_;
};

BOOL WINAPI DeleteGdiObject(HGDIOBJ h) { return DeleteObject(h); }
BOOL WINAPI FreeGlobal(HGLOBAL h) { return GlobalFree(h) == nullptr; }

using Dc = Owned<HDC, DeleteDC>;
using GdiObject = Owned<HGDIOBJ, DeleteGdiObject>;
using Global = Owned<HGLOBAL, FreeGlobal>;
using File = Owned<HANDLE, CloseHandle>;

class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : Dc_(dc), Old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(Dc_, Old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC Dc_;
  HGDIOBJ Old_;
};

void Fill(Raster& r, ChartBox box, ChartRgb colour)
{
  const ChartPixelBox b = ChartPixels(box, r.Width, r.Height);
  for (int y = b.Top; y < b.Bottom; ++y)
    for (int x = b.Left; x < b.Right; ++x) r.Pixels[static_cast<size_t>(y) * r.Width + x] = colour;
}

// The text goes through GDI into a 32-bit DIB section; everything else is written pixel by pixel so
// that its colours are exact.
void DrawText(Raster& r, int page, int dpi)
{
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = r.Width;
  bi.bmiHeader.biHeight = -r.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  Dc dc(CreateCompatibleDC(nullptr));
  if (!dc.Get()) throw std::bad_alloc();
  GdiObject bitmap(CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.Get() || !bits) throw std::bad_alloc();
  auto* px = static_cast<uint32_t*>(bits);
  const uint32_t paper = (ChartPaper.R << 16) | (ChartPaper.G << 8) | ChartPaper.B;
  std::fill(px, px + static_cast<size_t>(r.Width) * r.Height, paper);
  {
    Selected keepBitmap(dc.Get(), bitmap.Get());
    const ChartPixelBox t = ChartPixels(ChartTextBox, r.Width, r.Height);
    const int lineHeight = (t.Bottom - t.Top) / 2;
    GdiObject font(CreateFontW(-std::max(6, lineHeight * 3 / 4), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                               DEFAULT_PITCH | FF_SWISS, L"Arial"));
    Selected keepFont(dc.Get(), font.Get());
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), RGB(ChartInk.R, ChartInk.G, ChartInk.B));
    wchar_t lines[2][32];
    std::swprintf(lines[0], 32, L"Page %d", page);
    std::swprintf(lines[1], 32, L"%d dpi", dpi);
    for (int i = 0; i < 2; ++i) {
      RECT rc{t.Left, t.Top + i * lineHeight, t.Right, t.Top + (i + 1) * lineHeight};
      ::DrawTextW(dc.Get(), lines[i], -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    GdiFlush();
  }
  for (size_t i = 0; i < r.Pixels.size(); ++i)
    r.Pixels[i] = {static_cast<uint8_t>(px[i] >> 16), static_cast<uint8_t>(px[i] >> 8), static_cast<uint8_t>(px[i])};
}

uint8_t PaletteIndex(ChartRgb c, TW_UINT16 paletteType)
{
  return paletteType == TWPA_GRAY ? ChartGray(c) : ChartPaletteIndex(c);
}

ChartRgb PaletteEntry(int i, TW_UINT16 paletteType)
{
  if (paletteType == TWPA_GRAY) return {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  return ChartPaletteColour(i);
}

uint32_t Padded(uint32_t bytes) { return (bytes + 3) & ~3u; }

uint32_t RowBytes(TW_UINT16 pixelType, int width)
{
  return Padded(static_cast<uint32_t>((static_cast<int64_t>(width) * BitDepth(pixelType) + 7) / 8));
}

enum class Order { Memory, Dib };

// One row in the pixel type's layout. The memory transfer sends what ImageInfo announced (R,G,B;
// C,M,Y; flavoured gray and bits); a DIB carries B,G,R and colour-table indexes, CMY shown as RGB.
void PackRow(const ChartRgb* px, int width, const Session& s, Order order, uint8_t* out)
{
  const TW_UINT16 type = s.Caps.PixelType;
  const bool vanilla = order == Order::Memory && s.Caps.PixelFlavor == TWPF_VANILLA;
  switch (type) {
  case TWPT_BW:
    std::memset(out, 0, (width + 7) / 8);
    for (int x = 0; x < width; ++x)
      if (ChartIsWhite(px[x]) != vanilla) out[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return;
  case TWPT_GRAY:
    for (int x = 0; x < width; ++x) out[x] = static_cast<uint8_t>(vanilla ? 255 - ChartGray(px[x]) : ChartGray(px[x]));
    return;
  case TWPT_PALETTE:
    for (int x = 0; x < width; ++x) out[x] = PaletteIndex(px[x], s.Config.PaletteType);
    return;
  default:
    for (int x = 0; x < width; ++x) {
      ChartRgb c = px[x];
      if (type == TWPT_CMY && order == Order::Memory)
        c = {static_cast<uint8_t>(255 - c.R), static_cast<uint8_t>(255 - c.G), static_cast<uint8_t>(255 - c.B)};
      uint8_t* p = out + 3 * x;
      if (order == Order::Dib) {
        p[0] = c.B;
        p[1] = c.G;
        p[2] = c.R;
      } else {
        p[0] = c.R;
        p[1] = c.G;
        p[2] = c.B;
      }
    }
  }
}

int TableSize(TW_UINT16 pixelType)
{
  switch (pixelType) {
  case TWPT_BW: return 2;
  case TWPT_GRAY:
  case TWPT_PALETTE: return 256;
  default: return 0;
  }
}

RGBQUAD TableEntry(const Session& s, int i)
{
  ChartRgb c;
  if (s.Caps.PixelType == TWPT_BW)
    c = i ? ChartRgb{255, 255, 255} : ChartRgb{0, 0, 0};
  else if (s.Caps.PixelType == TWPT_GRAY)
    c = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  else
    c = PaletteEntry(i, s.Config.PaletteType);
  return {c.B, c.G, c.R, 0};
}

// The page being transferred, drawn when its transfer begins.
const Raster& CurrentPage(Session& s)
{
  if (!s.Page) s.Page = DrawChart(ImageWidth(s), ImageHeight(s), s.PagesDone + 1, s.Caps.XResolution);
  return *s.Page;
}

// A transfer of the current page begins (state 6): the mechanism must be the negotiated one and the
// injected fault may refuse it.
std::optional<Answer> Begin(Session& s, TW_UINT16 mech)
{
  if (s.Caps.XferMech != mech) return Fail(TWCC_SEQERROR);
  ++s.Transfers;
  if (s.Config.FailTransfer == s.Transfers) return Fail(TWCC_OPERATIONERROR);
  if (s.Config.CancelTransfer == s.Transfers) {
    // The user stopped the scan: the page is over (state 7) and the application ends it.
    s.XferDone = true;
    s.State = 7;
    return Returns(TWRC_CANCEL);
  }
  return std::nullopt;
}

// A packed DIB of the current page: header, colour table, bottom-up rows.
std::vector<uint8_t> PackedDib(Session& s, size_t prefix)
{
  const Raster& page = CurrentPage(s);
  const TW_UINT16 type = s.Caps.PixelType;
  const int entries = TableSize(type);
  const int bitCount = type == TWPT_CMY ? 24 : BitDepth(type);
  const uint32_t stride = RowBytes(type == TWPT_CMY ? TWPT_RGB : type, page.Width);
  const size_t headerBytes = sizeof(BITMAPINFOHEADER) + entries * sizeof(RGBQUAD);
  std::vector<uint8_t> dib(prefix + headerBytes + static_cast<size_t>(stride) * page.Height);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = page.Width;
  h.biHeight = page.Height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitCount);
  h.biCompression = BI_RGB;
  h.biSizeImage = stride * page.Height;
  h.biXPelsPerMeter = static_cast<LONG>((s.Caps.XResolution * 10000 + 127) / 254);
  h.biYPelsPerMeter = static_cast<LONG>((s.Caps.YResolution * 10000 + 127) / 254);
  h.biClrUsed = static_cast<DWORD>(entries);
  std::memcpy(dib.data() + prefix, &h, sizeof h);
  for (int i = 0; i < entries; ++i) {
    const RGBQUAD q = TableEntry(s, i);
    std::memcpy(dib.data() + prefix + sizeof h + i * sizeof q, &q, sizeof q);
  }
  uint8_t* rows = dib.data() + prefix + headerBytes;
  for (int y = 0; y < page.Height; ++y)
    PackRow(page.Row(page.Height - 1 - y), page.Width, s, Order::Dib, rows + static_cast<size_t>(y) * stride);
  return dib;
}

std::wstring Widen(const std::string& s)
{
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(wcsnlen(w.c_str(), w.size()));
  return w;
}

}  // namespace

Raster DrawChart(int width, int height, int page, int dpi)
{
  Raster r;
  r.Width = std::max(1, width);
  r.Height = std::max(1, height);
  r.Pixels.resize(static_cast<size_t>(r.Width) * r.Height);
  DrawText(r, page, dpi);
  for (int i = 0; i < ChartPatchCount; ++i) Fill(r, ChartPatchBox(i), ChartPatchColours[i]);
  const ChartPixelBox g = ChartPixels(ChartGradientBox, r.Width, r.Height);
  for (int y = g.Top; y < g.Bottom; ++y)
    for (int x = g.Left; x < g.Right; ++x) {
      const uint8_t v = ChartGradientAt(x, r.Width);
      r.Pixels[static_cast<size_t>(y) * r.Width + x] = {v, v, v};
    }
  for (int i = 0; i < 4; ++i) Fill(r, ChartCornerBox(static_cast<ChartCorner>(i)), ChartCornerColours[i]);
  return r;
}

ChartRgb ViewAs(ChartRgb c, TW_UINT16 pixelType, TW_UINT16 paletteType)
{
  switch (pixelType) {
  case TWPT_BW: return ChartIsWhite(c) ? ChartRgb{255, 255, 255} : ChartRgb{0, 0, 0};
  case TWPT_GRAY: {
    const uint8_t g = ChartGray(c);
    return {g, g, g};
  }
  case TWPT_PALETTE: return PaletteEntry(PaletteIndex(c, paletteType), paletteType);
  default: return c;
  }
}

Answer ImageInfo(Session& s, TW_IMAGEINFO* info)
{
  if (!info) return Fail(TWCC_BADVALUE);
  const TW_UINT16 type = s.Caps.PixelType;
  *info = TW_IMAGEINFO{};
  info->XResolution = ToFix32(DotsPerUnit(s, s.Caps.XResolution));
  info->YResolution = ToFix32(DotsPerUnit(s, s.Caps.YResolution));
  info->ImageWidth = ImageWidth(s);
  info->ImageLength = ImageHeight(s);
  const bool colour = type == TWPT_RGB || type == TWPT_CMY;
  info->SamplesPerPixel = colour ? 3 : 1;
  for (int i = 0; i < info->SamplesPerPixel; ++i) info->BitsPerSample[i] = static_cast<TW_INT16>(type == TWPT_BW ? 1 : 8);
  info->BitsPerPixel = static_cast<TW_INT16>(s.Config.ImageBitDepth ? s.Config.ImageBitDepth : BitDepth(type));
  info->Planar = FALSE;
  info->PixelType = static_cast<TW_INT16>(type);
  info->Compression = TWCP_NONE;
  return Ok();
}

Answer NativeTransfer(Session& s, TW_HANDLE* handle)
{
  if (!handle) return Fail(TWCC_BADVALUE);
  if (auto refused = Begin(s, TWSX_NATIVE)) return *refused;
  const std::vector<uint8_t> dib = PackedDib(s, 0);
  // The faulty scanner of ShortNativeBlock hands over a block that holds only half of its DIB.
  const size_t size = s.Config.ShortNativeBlock ? dib.size() / 2 : dib.size();
  Global block(GlobalAlloc(GHND, size));
  if (!block.Get()) return Fail(TWCC_LOWMEMORY);
  void* p = GlobalLock(block.Get());
  if (!p) return Fail(TWCC_LOWMEMORY);
  std::memcpy(p, dib.data(), size);
  GlobalUnlock(block.Get());
  *handle = block.Release();
  s.XferDone = true;
  s.State = 7;
  return Returns(TWRC_XFERDONE);
}

Answer FileTransfer(Session& s)
{
  if (auto refused = Begin(s, TWSX_FILE)) return *refused;
  std::vector<uint8_t> file = PackedDib(s, sizeof(BITMAPFILEHEADER));
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4d42;  // "BM"
  fh.bfSize = static_cast<DWORD>(file.size());
  const int entries = TableSize(s.Caps.PixelType);
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + sizeof(BITMAPINFOHEADER) + entries * sizeof(RGBQUAD));
  std::memcpy(file.data(), &fh, sizeof fh);
  File out(CreateFileW(Widen(s.FileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr));
  if (out.Get() == INVALID_HANDLE_VALUE) {
    out.Release();
    return Fail(TWCC_OPERATIONERROR);
  }
  DWORD written = 0;
  if (!WriteFile(out.Get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) || written != file.size())
    return Fail(TWCC_OPERATIONERROR);
  s.XferDone = true;
  s.State = 7;
  return Returns(TWRC_XFERDONE);
}

Answer MemoryTransfer(Session& s, TW_IMAGEMEMXFER* xfer)
{
  if (!xfer) return Fail(TWCC_BADVALUE);
  if (s.State == 7 && s.XferDone) return Fail(TWCC_SEQERROR);
  const TW_UINT32 flags = xfer->Memory.Flags;
  if (!(flags & TWMF_APPOWNS) || !(flags & (TWMF_POINTER | TWMF_HANDLE)) || !xfer->Memory.TheMem)
    return Fail(TWCC_BADVALUE);
  const uint32_t bpr = RowBytes(s.Caps.PixelType, ImageWidth(s));
  if (xfer->Memory.Length < bpr) return Fail(TWCC_BADVALUE);
  if (s.State == 6) {
    if (auto refused = Begin(s, TWSX_MEMORY)) return *refused;
    s.NextRow = 0;
    s.State = 7;
  }
  const Raster& page = CurrentPage(s);
  HGLOBAL h = (flags & TWMF_HANDLE) ? static_cast<HGLOBAL>(xfer->Memory.TheMem) : nullptr;
  auto* out = static_cast<uint8_t*>(h ? GlobalLock(h) : xfer->Memory.TheMem);
  if (!out) return Fail(TWCC_BADVALUE);
  const int rows = std::min<int>(static_cast<int>(xfer->Memory.Length / bpr), page.Height - s.NextRow);
  std::vector<uint8_t> row(bpr, 0);
  for (int i = 0; i < rows; ++i) {
    std::fill(row.begin(), row.end(), 0);
    PackRow(page.Row(s.NextRow + i), page.Width, s, Order::Memory, row.data());
    std::memcpy(out + static_cast<size_t>(i) * bpr, row.data(), bpr);
  }
  xfer->Compression = TWCP_NONE;
  xfer->BytesPerRow = bpr;
  xfer->Columns = static_cast<TW_UINT32>(page.Width);
  xfer->Rows = static_cast<TW_UINT32>(rows);
  xfer->XOffset = 0;
  xfer->YOffset = static_cast<TW_UINT32>(s.NextRow);
  xfer->BytesWritten = static_cast<TW_UINT32>(rows) * bpr;
  s.NextRow += rows;
  const bool last = s.NextRow >= page.Height;
  if (last && s.Config.ExtraBytes) {
    // The faulty scanner of the ExtraBytes setting: more bytes than the rows hold, as many as fit.
    const TW_UINT32 extra = std::min(s.Config.ExtraBytes, xfer->Memory.Length - xfer->BytesWritten);
    std::memset(out + xfer->BytesWritten, 0xa5, extra);
    xfer->BytesWritten += extra;
  }
  if (h) GlobalUnlock(h);
  if (!last) return Ok();
  s.XferDone = true;
  return Returns(TWRC_XFERDONE);
}

Answer SetupMemory(Session& s, TW_SETUPMEMXFER* setup)
{
  if (!setup) return Fail(TWCC_BADVALUE);
  const TW_UINT32 bpr = RowBytes(s.Caps.PixelType, ImageWidth(s));
  const TW_UINT32 image = bpr * static_cast<TW_UINT32>(ImageHeight(s));
  setup->MinBufSize = s.Config.MinBufferSize ? s.Config.MinBufferSize : bpr;
  setup->Preferred = s.Config.PreferredBufferSize;
  setup->MaxBufSize = std::max({image, setup->MinBufSize, setup->Preferred});
  return Ok();
}

std::string DefaultFileName()
{
  char folder[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(MAX_PATH, folder);
  std::string name = n > 0 && n < MAX_PATH ? folder : "C:\\";
  if (name.back() != '\\') name += '\\';
  return name + "OstrelScan.bmp";
}

Answer SetupFile(Session& s, TW_UINT16 msg, TW_SETUPFILEXFER* setup)
{
  if (!setup) return Fail(TWCC_BADVALUE);
  if (msg == MSG_SET) {
    if (setup->Format != TWFF_BMP) return Fail(TWCC_BADVALUE);
    const size_t n = strnlen(setup->FileName, sizeof setup->FileName);
    if (n == 0 || n == sizeof setup->FileName) return Fail(TWCC_BADVALUE);
    s.FileName.assign(setup->FileName, n);
    s.FileFormat = TWFF_BMP;
    return Ok();
  }
  if (msg == MSG_GET && s.Config.RefuseFileSetup) return Fail(TWCC_OPERATIONERROR);
  if (msg == MSG_RESET) s.FileName = DefaultFileName();
  const std::string name = msg == MSG_GETDEFAULT ? DefaultFileName() : s.FileName;
  std::memset(setup->FileName, 0, sizeof setup->FileName);
  std::memcpy(setup->FileName, name.data(), std::min(name.size(), sizeof setup->FileName - 1));
  setup->Format = TWFF_BMP;
  setup->VRefNum = 0;
  return Ok();
}

Answer Palette(Session& s, TW_PALETTE8* palette)
{
  if (!palette) return Fail(TWCC_BADVALUE);
  palette->NumColors = static_cast<TW_UINT16>(s.Config.PaletteColors ? s.Config.PaletteColors : 256);
  palette->PaletteType = s.Config.PaletteType;
  for (int i = 0; i < 256; ++i) {
    const ChartRgb c = PaletteEntry(i, s.Config.PaletteType);
    palette->Colors[i] = {static_cast<TW_UINT8>(i), c.R, c.G, c.B};
  }
  return Ok();
}

}  // namespace ostrel::vscan
