// Graphics: BMP file images of bitmaps (files, streams, resources and stored-form data). Every size
// and offset a file gives is checked against the bytes there are before anything is read or made.
#include "Consts.h"
#include "Graphics.h"
#include "VclByteOrder.h"

#include <algorithm>
#include <cstring>

namespace vcl_graphics {
int BitCountOf(TPixelFormat format);
std::vector<RGBQUAD> DefaultColorTable(TPixelFormat format);
}  // namespace vcl_graphics

using namespace vcl_graphics;
using namespace vcl_detail;

namespace {
constexpr size_t FileHeaderSize = 14;
constexpr size_t CoreHeaderSize = 12;
constexpr size_t InfoHeaderSize = 40;
constexpr size_t MaxInfoHeaderSize = 124;
// Larger pictures are refused rather than attempted: 2 GiB of pixels is beyond any real use here.
constexpr uint64_t MaxImageBytes = 0x7FFFFFFF;

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidBitmap); }

bool KnownInfoSize(size_t size)
{
  return size == CoreHeaderSize || size == InfoHeaderSize || size == 52 || size == 56 || size == 64 || size == 108 ||
         size == MaxInfoHeaderSize;
}

// Where everything of a BMP image lies, from its headers alone.
struct TBmpLayout {
  int Width = 0;
  int Height = 0;
  bool TopDown = false;
  int BitCount = 0;
  uint32_t Compression = BI_RGB;
  size_t MasksOffset = 0;  // BI_BITFIELDS: red, green, blue masks
  size_t ColorsOffset = 0;
  size_t ColorCount = 0;
  size_t ColorSize = 4;  // 3 for the OS/2 core header's RGB triples
  size_t BitsOffset = 0;
  size_t Stride = 0;
  size_t ImageSize = 0;
  size_t End() const { return BitsOffset + ImageSize; }
};

// Reads the info header at info (infoSize bytes of it present); offBits is the file header's offset
// of the pixels (0: right after the colour table, as in resources).
TBmpLayout ParseLayout(const unsigned char* info, size_t infoSize, size_t infoOffset, uint32_t offBits)
{
  if (!KnownInfoSize(infoSize)) Invalid();
  TBmpLayout l;
  size_t tableEntries = 0;
  if (infoSize == CoreHeaderSize) {
    l.Width = ReadLE16(info + 4);
    l.Height = ReadLE16(info + 6);
    if (ReadLE16(info + 8) != 1) Invalid();
    l.BitCount = ReadLE16(info + 10);
    l.ColorSize = 3;
    if (l.BitCount != 1 && l.BitCount != 4 && l.BitCount != 8 && l.BitCount != 24) Invalid();
    if (l.BitCount <= 8) tableEntries = size_t(1) << l.BitCount;
  } else {
    const int32_t width = int32_t(ReadLE32(info + 4));
    const int32_t height = int32_t(ReadLE32(info + 8));
    if (width <= 0 || height == 0 || height == INT32_MIN) Invalid();
    l.Width = width;
    l.TopDown = height < 0;
    l.Height = height < 0 ? -height : height;
    if (ReadLE16(info + 12) != 1) Invalid();
    l.BitCount = ReadLE16(info + 14);
    l.Compression = ReadLE32(info + 16);
    const uint32_t clrUsed = ReadLE32(info + 32);
    switch (l.BitCount) {
      case 1: case 4: case 8:
        if (l.Compression != BI_RGB) Invalid();
        if (clrUsed > (1u << l.BitCount)) Invalid();
        tableEntries = clrUsed ? clrUsed : size_t(1) << l.BitCount;
        break;
      case 16: case 32:
        if (l.Compression != BI_RGB && l.Compression != BI_BITFIELDS) Invalid();
        [[fallthrough]];
      case 24:
        if (l.BitCount == 24 && l.Compression != BI_RGB) Invalid();
        // A colour table beside true-colour pixels only takes room.
        if (clrUsed > 65536) Invalid();
        tableEntries = clrUsed;
        break;
      default: Invalid();
    }
  }
  if (l.Width <= 0 || l.Height <= 0) Invalid();
  size_t afterHeader = infoOffset + infoSize;
  if (l.Compression == BI_BITFIELDS) {
    l.MasksOffset = infoSize == InfoHeaderSize ? afterHeader : infoOffset + InfoHeaderSize;
    if (infoSize == InfoHeaderSize) afterHeader += 12;
  }
  l.ColorsOffset = afterHeader;
  l.ColorCount = tableEntries;
  const size_t tableEnd = l.ColorsOffset + tableEntries * l.ColorSize;
  if (offBits != 0 && offBits < afterHeader) Invalid();
  l.BitsOffset = offBits != 0 ? offBits : tableEnd;
  // The table may be cut short by the pixels; only the entries before them are read.
  if (l.BitsOffset < tableEnd) l.ColorCount = (l.BitsOffset - l.ColorsOffset) / l.ColorSize;
  const uint64_t stride = ((uint64_t(l.Width) * uint64_t(l.BitCount) + 31) / 32) * 4;
  const uint64_t image = stride * uint64_t(l.Height);
  if (image > MaxImageBytes || uint64_t(l.BitsOffset) + image > MaxImageBytes) Invalid();
  l.Stride = size_t(stride);
  l.ImageSize = size_t(image);
  return l;
}

int MaskShift(uint32_t mask)
{
  int shift = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++shift;
  return shift;
}

int MaskBits(uint32_t mask)
{
  mask >>= MaskShift(mask);
  int bits = 0;
  while (mask & 1) mask >>= 1, ++bits;
  return bits;
}

// One channel of a bit-field pixel scaled to 0..255.
BYTE Channel(uint32_t pixel, uint32_t mask)
{
  if (!mask) return 0;
  const int bits = std::min(MaskBits(mask), 16);
  if (bits == 0) return 0;
  const uint32_t value = (pixel & mask) >> MaskShift(mask);
  const uint32_t max = (1u << bits) - 1;
  return BYTE(std::min<uint32_t>(value, max) * 255 / max);
}

TPixelFormat FormatOf(const TBmpLayout& l, const uint32_t masks[3], bool& convert)
{
  convert = false;
  switch (l.BitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 24: return pf24bit;
    case 16:
      if (l.Compression == BI_RGB) return pf15bit;
      if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) return pf16bit;
      if (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) return pf15bit;
      convert = true;
      return pf32bit;
    default:
      if (l.Compression == BI_RGB) return pf32bit;
      if (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) return pf32bit;
      convert = true;
      return pf32bit;
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------------------
// Reading

void TBitmap::LoadBmpImage(const unsigned char* data, size_t size, bool fileHeader)
{
  size_t infoOffset = 0;
  uint32_t offBits = 0;
  if (fileHeader) {
    if (size < FileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') Invalid();
    offBits = ReadLE32(data + 10);
    infoOffset = FileHeaderSize;
  }
  if (size < infoOffset + 4) Invalid();
  const size_t infoSize = ReadLE32(data + infoOffset);
  if (!KnownInfoSize(infoSize) || size < infoOffset + infoSize) Invalid();
  const TBmpLayout l = ParseLayout(data + infoOffset, infoSize, infoOffset, offBits);
  if (l.End() > size || l.ColorsOffset + l.ColorCount * l.ColorSize > size) Invalid();
  if (l.MasksOffset && l.MasksOffset + 12 > size) Invalid();

  uint32_t masks[3] = {0, 0, 0};
  if (l.MasksOffset)
    for (int i = 0; i < 3; ++i) masks[i] = ReadLE32(data + l.MasksOffset + size_t(i) * 4);
  bool convert = false;
  const TPixelFormat format = FormatOf(l, masks, convert);
  std::vector<RGBQUAD> colors;
  if (format <= pf8bit) {
    const size_t entries = size_t(1) << l.BitCount;
    colors.assign(entries, RGBQUAD{0, 0, 0, 0});
    for (size_t i = 0; i < std::min(l.ColorCount, entries); ++i) {
      const unsigned char* c = data + l.ColorsOffset + i * l.ColorSize;
      colors[i] = RGBQUAD{c[0], c[1], c[2], 0};
    }
  }

  NewImage(l.Width, l.Height, format, colors);
  const size_t stride = size_t(BytesPerScanLine());
  auto* bits = static_cast<unsigned char*>(FBits);
  for (int row = 0; row < l.Height; ++row) {
    // Storage rows run bottom-up; a top-down file's first row is the top line.
    const size_t fileRow = l.TopDown ? size_t(l.Height - 1 - row) : size_t(row);
    const unsigned char* src = data + l.BitsOffset + fileRow * l.Stride;
    unsigned char* dst = bits + size_t(row) * stride;
    if (!convert) {
      std::memcpy(dst, src, std::min(stride, l.Stride));
      continue;
    }
    for (int x = 0; x < l.Width; ++x) {
      const uint32_t pixel = l.BitCount == 16 ? ReadLE16(src + size_t(x) * 2) : ReadLE32(src + size_t(x) * 4);
      unsigned char* out = dst + size_t(x) * 4;
      out[0] = Channel(pixel, masks[2]);
      out[1] = Channel(pixel, masks[1]);
      out[2] = Channel(pixel, masks[0]);
      out[3] = 0;
    }
  }
  Changed(this);
}

void TBitmap::LoadFromStream(TStream* stream)
{
  // The headers say how long the image is: exactly that much is read, the stream may go on.
  std::vector<unsigned char> data(FileHeaderSize + 4);
  if (stream->Read(data.data(), int(data.size())) != int(data.size())) Invalid();
  if (data[0] != 'B' || data[1] != 'M') Invalid();
  const size_t infoSize = ReadLE32(data.data() + FileHeaderSize);
  if (!KnownInfoSize(infoSize)) Invalid();
  data.resize(FileHeaderSize + infoSize);
  if (stream->Read(data.data() + FileHeaderSize + 4, int(infoSize - 4)) != int(infoSize - 4)) Invalid();
  const TBmpLayout l = ParseLayout(data.data() + FileHeaderSize, infoSize, FileHeaderSize, ReadLE32(data.data() + 10));
  const size_t rest = l.End() - data.size();
  const int64_t available = int64_t(stream->GetSize()) - int64_t(stream->GetPosition());
  if (available < 0 || uint64_t(available) < rest) Invalid();
  data.resize(l.End());
  if (rest && stream->Read(data.data() + FileHeaderSize + infoSize, int(rest)) != int(rest)) Invalid();
  LoadBmpImage(data.data(), data.size(), true);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const AnsiString& resName)
{
  std::wstring name = Utf8ToUtf16(resName.str());
  HRSRC res = FindResourceW(instance, name.c_str(), reinterpret_cast<LPCWSTR>(RT_BITMAP));
  if (!res) throw EResNotFound(Format(SResNotFound, {resName}));
  HGLOBAL global = LoadResource(instance, res);
  const void* data = global ? LockResource(global) : nullptr;
  if (!data) throw EResNotFound(Format(SResNotFound, {resName}));
  LoadBmpImage(static_cast<const unsigned char*>(data), SizeofResource(instance, res), false);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int resId)
{
  HRSRC res = FindResourceW(instance, MAKEINTRESOURCEW(resId), reinterpret_cast<LPCWSTR>(RT_BITMAP));
  if (!res) throw EResNotFound(Format(SResNotFound, {AnsiString(resId)}));
  HGLOBAL global = LoadResource(instance, res);
  const void* data = global ? LockResource(global) : nullptr;
  if (!data) throw EResNotFound(Format(SResNotFound, {AnsiString(resId)}));
  LoadBmpImage(static_cast<const unsigned char*>(data), SizeofResource(instance, res), false);
}

// Stored-form data: the image's byte count (32 bits, little-endian), then the BMP file.
void TBitmap::ReadData(TStream* stream)
{
  unsigned char b[4];
  if (stream->Read(b, 4) != 4) Invalid();
  const uint32_t size = ReadLE32(b);
  const int64_t available = int64_t(stream->GetSize()) - int64_t(stream->GetPosition());
  if (int64_t(size) > available) Invalid();
  if (size == 0) {
    SetSize(0, 0);
    return;
  }
  std::vector<unsigned char> data(size);
  if (stream->Read(data.data(), int(size)) != int(size)) Invalid();
  LoadBmpImage(data.data(), data.size(), true);
}

// ---------------------------------------------------------------------------------------------------
// Writing: a BITMAPINFOHEADER image, bottom-up; 5-6-5 pixels carry their masks, palette formats
// their whole colour table.

void TBitmap::SaveToStream(TStream* stream)
{
  if (GetEmpty()) return;
  HandleNeeded();
  GdiFlush();
  const int bitCount = BitCountOf(FPixelFormat);
  const uint32_t stride = uint32_t(BytesPerScanLine());
  const uint32_t imageSize = stride * uint32_t(FHeight);
  const bool masks = FPixelFormat == pf16bit;
  const uint32_t colors = FPixelFormat >= pf1bit && FPixelFormat <= pf8bit ? uint32_t(FColors.size()) : 0;
  const uint32_t offBits = uint32_t(FileHeaderSize + InfoHeaderSize) + (masks ? 12 : 0) + colors * 4;

  std::vector<unsigned char> head;
  head.reserve(offBits);
  head.push_back('B');
  head.push_back('M');
  AppendLE32(head, offBits + imageSize);  // bfSize
  AppendLE32(head, 0);                    // bfReserved1, bfReserved2
  AppendLE32(head, offBits);
  AppendLE32(head, InfoHeaderSize);
  AppendLE32(head, uint32_t(FWidth));
  AppendLE32(head, uint32_t(FHeight));  // positive: bottom-up
  AppendLE16(head, 1);                  // planes
  AppendLE16(head, uint32_t(bitCount));
  AppendLE32(head, masks ? BI_BITFIELDS : BI_RGB);
  AppendLE32(head, imageSize);
  AppendLE32(head, 0);  // horizontal resolution: unknown
  AppendLE32(head, 0);  // vertical resolution
  AppendLE32(head, colors);
  AppendLE32(head, 0);  // all colours important
  if (masks) {
    AppendLE32(head, 0xF800);
    AppendLE32(head, 0x07E0);
    AppendLE32(head, 0x001F);
  }
  for (uint32_t i = 0; i < colors; ++i) {
    head.push_back(FColors[i].rgbBlue);
    head.push_back(FColors[i].rgbGreen);
    head.push_back(FColors[i].rgbRed);
    head.push_back(0);
  }
  stream->WriteBuffer(head.data(), int(head.size()));
  stream->WriteBuffer(FBits, int(imageSize));
}

void TBitmap::WriteData(TStream* stream)
{
  TMemoryStream image;
  SaveToStream(&image);
  unsigned char b[4];
  const uint32_t size = uint32_t(image.GetSize());
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(size >> (8 * i));
  stream->WriteBuffer(b, 4);
  if (size) stream->WriteBuffer(image.Memory(), int(size));
}
