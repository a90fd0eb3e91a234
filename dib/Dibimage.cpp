// Dibimage: the shared packed DIB, TDib's accessors, loading and saving, drawing, Reduce and the
// registration of TDib for BMP pictures (Scale's resampling is in Dibscale.cpp).
#include "Dibimage.h"

#include <cstring>
#include <memory>

#include "Consts.h"
#include "SysUtils.h"
#include "TypInfo.h"

VCL_IMPLEMENT_CLASS(TDibImage)
VCL_IMPLEMENT_CLASS(TDib)
VCL_IMPLEMENT_ENUM(TScaleMode, "smAuto", "smNearest", "smBilinear", "smBicubic")

namespace {
constexpr int InfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr int FileHeaderSize = sizeof(BITMAPFILEHEADER);
static_assert(FileHeaderSize == 14, "the BMP file header is 14 bytes");
constexpr WORD BmpSignature = 0x4D42;  // "BM"

[[noreturn]] void ReadPastEnd() { throw EReadError(SReadError); }

// Whether the header at p (its first 4 bytes, biSize) is shorter than a BITMAPINFOHEADER.
bool ShortHeader(const void* p)
{
  DWORD size;
  std::memcpy(&size, p, sizeof size);
  return size < DWORD(InfoHeaderSize);
}

bool IsIdentity(const XFORM& x)
{
  return x.eM11 == 1 && x.eM12 == 0 && x.eM21 == 0 && x.eM22 == 1 && x.eDx == 0 && x.eDy == 0;
}

// Skips count bytes of a stream, by seeking where it can and by reading where it cannot.
void Skip(TStream* stream, int64_t count)
{
  const int64_t before = stream->GetPosition();
  if (stream->Seek(int(count), soFromCurrent) == before + count) return;
  stream->SetPosition(int(before));
  char buffer[4096];
  while (count > 0) {
    const int chunk = int(count < int64_t(sizeof buffer) ? count : int64_t(sizeof buffer));
    stream->ReadBuffer(buffer, chunk);
    count -= chunk;
  }
}
}  // namespace

// ===================================================================================================
// TDibImage
TDibImage::TDibImage(TStream* stream, int64_t bitsOffset)
{
  const int64_t start = stream->GetPosition();
  ReadFrom(stream, int64_t(stream->GetSize()) - start, bitsOffset);
}

TDibImage::TDibImage(const BITMAPINFOHEADER* dib)
{
  const int64_t size = CheckDibHeader(dib, dib->biSize);
  FStream = new TMemoryStream;
  FStream->SetSize(int(size));
  std::memcpy(FStream->GetMemory(), dib, size_t(size));
}

TDibImage::TDibImage(const BITMAPINFOHEADER* dib, size_t size)
{
  if (size >= 4 && ShortHeader(dib)) throw EInvalidGraphic(SInvalidBitmap);
  if (size < size_t(InfoHeaderSize)) ReadPastEnd();
  const int64_t available = size > size_t(INT64_MAX) ? INT64_MAX : int64_t(size);
  const int64_t total = CheckDibHeader(dib, available);
  if (total > available) ReadPastEnd();
  FStream = new TMemoryStream;
  FStream->SetSize(int(total));
  std::memcpy(FStream->GetMemory(), dib, size_t(total));
}

TDibImage::~TDibImage() { FreeHandle(); }

void TDibImage::FreeHandle()
{
  delete FStream;
  FStream = nullptr;
}

void TDibImage::ReadFrom(TStream* stream, int64_t available, int64_t bitsOffset)
{
  const int start = stream->GetPosition();
  // The header's size comes first: a shorter (OS/2) header is refused as such, even in a file too
  // small to hold 40 bytes.
  unsigned char raw[InfoHeaderSize];
  stream->ReadBuffer(raw, 4);
  if (ShortHeader(raw)) throw EInvalidGraphic(SInvalidBitmap);
  stream->ReadBuffer(raw + 4, InfoHeaderSize - 4);
  stream->SetPosition(start);
  BITMAPINFOHEADER header;
  std::memcpy(&header, raw, InfoHeaderSize);
  // Everything is checked against what the stream still holds before the block is allocated.
  const int64_t total = CheckDibHeader(&header, available);
  const int64_t headersSize = DibHeadersSize(&header);
  const int64_t gap = bitsOffset > headersSize ? bitsOffset - headersSize : 0;
  if (total + gap > available) ReadPastEnd();
  auto block = std::make_unique<TMemoryStream>();
  block->SetSize(int(total));
  auto* memory = static_cast<char*>(block->GetMemory());
  stream->ReadBuffer(memory, int(headersSize));
  if (gap > 0) Skip(stream, gap);
  stream->ReadBuffer(memory + headersSize, int(total - headersSize));
  FStream = block.release();
}

// ===================================================================================================
// TDib
TDib::TDib() = default;

TDib::~TDib() { FreeImage(); }

void TDib::TakeImage(TDibImage* image)
{
  image->Reference();
  FImage = image;
  Changed(this);
}

void TDib::FreeImage()
{
  if (!FImage) return;
  TDibImage* image = FImage;
  FImage = nullptr;
  image->Release();
}

void TDib::DuplicateImage(TDibImage* image)
{
  if (image == FImage) return;
  FreeImage();
  if (image) TakeImage(image);
  else Changed(this);
}

int TDib::GetWidth() const { return FImage ? GetHeader()->biWidth : 0; }

int TDib::GetHeight() const
{
  if (!FImage) return 0;
  const LONG h = GetHeader()->biHeight;
  return h < 0 ? -h : h;
}

int TDib::GetBitsPerPixel() const { return FImage ? GetHeader()->biBitCount : 0; }

int TDib::GetBytesPerLine() const { return FImage ? int(DibLineSize(GetHeader())) : 0; }

int TDib::GetHeadersSize() const { return FImage ? int(DibHeadersSize(GetHeader())) : 0; }

void* TDib::GetImageData() const
{
  return FImage ? reinterpret_cast<char*>(GetHeader()) + DibHeadersSize(GetHeader()) : nullptr;
}

RGBQUAD* TDib::GetColorTable() const
{
  if (!FImage || GetHeader()->biBitCount > 8) return nullptr;
  return reinterpret_cast<RGBQUAD*>(reinterpret_cast<char*>(GetHeader()) + GetHeader()->biSize);
}

int TDib::GetXResolution() const { return FImage ? GetHeader()->biXPelsPerMeter : 0; }

int TDib::GetYResolution() const { return FImage ? GetHeader()->biYPelsPerMeter : 0; }

void* TDib::GetScanLine(int row) const
{
  if (!FImage || GetHeader()->biCompression != BI_RGB) return nullptr;
  const BITMAPINFOHEADER* header = GetHeader();
  if (row < 0 || row >= GetHeight()) throw EInvalidGraphicOperation(SScanLine);
  const int64_t stored = header->biHeight >= 1 ? int64_t(header->biHeight) - row - 1 : row;
  return reinterpret_cast<char*>(GetHeader()) + DibHeadersSize(header) + stored * DibLineSize(header);
}

DWORD TDib::GetPixel(int x, int y) const
{
  if (!FImage || x < 0 || x >= GetWidth() || y < 0 || y >= GetHeight()) return 0xFFFFFFFF;
  const auto* line = static_cast<const unsigned char*>(GetScanLine(y));
  if (!line) return 0xFFFFFFFF;
  const BITMAPINFOHEADER* header = GetHeader();
  unsigned index;
  switch (header->biBitCount) {
    case 1: index = (line[x / 8] >> (7 - x % 8)) & 1; break;
    case 4: index = x % 2 == 0 ? line[x / 2] >> 4 : line[x / 2] & 0x0F; break;
    case 8: index = line[x]; break;
    case 24: return DWORD(line[3 * x]) | DWORD(line[3 * x + 1]) << 8 | DWORD(line[3 * x + 2]) << 16;
    case 32: {
      DWORD word;
      std::memcpy(&word, line + 4 * x, 4);
      return word;
    }
    default: return 0xFFFFFFFF;
  }
  // An index beyond a short colour table names no colour: it reads as black, as GDI shows it.
  const DWORD entries = header->biClrUsed ? header->biClrUsed : 1u << header->biBitCount;
  if (index >= entries) return 0;
  DWORD entry;
  std::memcpy(&entry, GetColorTable() + index, 4);
  return entry;
}

void TDib::SetPixel(int x, int y, DWORD color)
{
  if (!FImage || x < 0 || x >= GetWidth() || y < 0 || y >= GetHeight()) return;
  auto* line = static_cast<unsigned char*>(GetScanLine(y));
  if (!line) return;
  switch (GetHeader()->biBitCount) {
    case 24:
      line[3 * x] = BYTE(color);
      line[3 * x + 1] = BYTE(color >> 8);
      line[3 * x + 2] = BYTE(color >> 16);
      break;
    case 32: std::memcpy(line + 4 * x, &color, 4); break;
    default: break;
  }
}

int TDib::GetVirtualX(int x) const
{
  if (!FImage) return 0;
  return x < 0 ? 0 : x >= GetWidth() ? GetWidth() - 1 : x;
}

int TDib::GetVirtualY(int y) const
{
  if (!FImage) return 0;
  return y < 0 ? 0 : y >= GetHeight() ? GetHeight() - 1 : y;
}

HBITMAP TDib::GetDDB(HDC dc) const
{
  if (!FImage) return nullptr;
  const BITMAPINFOHEADER* header = GetHeader();
  return CreateDIBitmap(dc, header, CBM_INIT, GetImageData(), reinterpret_cast<const BITMAPINFO*>(header),
                        DIB_RGB_COLORS);
}

HBITMAP TDib::GetDDB(TCanvas* canvas) const { return GetDDB(canvas->GetHandle()); }

void TDib::SetTransform(const XFORM* transform)
{
  FTransform = transform ? *transform : XFORM{1, 0, 0, 1, 0, 0};
  Changed(this);
}

void TDib::LoadDib(const BITMAPINFOHEADER* header)
{
  FreeImage();
  if (header) TakeImage(new TDibImage(header));
}

void TDib::LoadDib(const BITMAPINFOHEADER* header, size_t size)
{
  FreeImage();
  if (header) TakeImage(new TDibImage(header, size));
}

void TDib::LoadBitmapInfo(TStream* stream) { LoadBitmapInfo(stream, 0); }

void TDib::LoadBitmapInfo(TStream* stream, int64_t bitsOffset)
{
  FreeImage();
  if (stream) TakeImage(new TDibImage(stream, bitsOffset));
}

void TDib::SaveBitmapInfo(TStream* stream)
{
  if (!FImage) return;
  TMemoryStream* block = FImage->GetStream();
  stream->WriteBuffer(block->GetMemory(), block->GetSize());
}

void TDib::Allocate(const BITMAPINFOHEADER& header)
{
  FreeImage();
  std::unique_ptr<TMemoryStream> stream(CreateDibStream(&header));
  if (!stream) return;  // no pixels: the graphic stays empty
  stream->SetPosition(0);
  LoadBitmapInfo(stream.get());
}

void TDib::LoadFromStream(TStream* stream)
{
  BITMAPFILEHEADER file;
  stream->ReadBuffer(&file, FileHeaderSize);
  if (file.bfType != BmpSignature) throw EInvalidGraphic(SInvalidBitmap);
  // The pixels are where the file header says when it says they follow the headers; a file that
  // gives less (0, as some writers do) has them right after the headers.
  LoadBitmapInfo(stream, file.bfOffBits > DWORD(FileHeaderSize) ? int64_t(file.bfOffBits) - FileHeaderSize : 0);
}

void TDib::SaveToStream(TStream* stream)
{
  if (!FImage) return;
  const int size = FImage->GetStream()->GetSize();
  BITMAPFILEHEADER file{};
  file.bfType = BmpSignature;
  file.bfSize = DWORD(size + FileHeaderSize);
  file.bfOffBits = DWORD(GetHeadersSize() + FileHeaderSize);
  stream->WriteBuffer(&file, FileHeaderSize);
  SaveBitmapInfo(stream);
}

void TDib::ReadData(TStream* stream) { LoadBitmapInfo(stream); }

void TDib::WriteData(TStream* stream) { SaveBitmapInfo(stream); }

void TDib::LoadFromClipboardFormat(WORD, HANDLE, HPALETTE) {}

void TDib::SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette)
{
  format = CF_DIB;
  data = nullptr;
  palette = nullptr;
  if (!FImage) return;
  TMemoryStream* block = FImage->GetStream();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, SIZE_T(block->GetSize()));
  if (!memory) throw EOutOfMemory("Out of memory for the clipboard's copy of the picture");
  void* target = GlobalLock(memory);
  std::memcpy(target, block->GetMemory(), size_t(block->GetSize()));
  GlobalUnlock(memory);
  data = memory;
}

void TDib::Assign(TPersistent* source)
{
  if (!source) {
    FreeImage();
    Changed(this);
  } else if (auto* dib = dynamic_cast<TDib*>(source)) {
    DuplicateImage(dib->FImage);
  } else if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    TMemoryStream stream;
    bitmap->SaveToStream(&stream);
    stream.SetPosition(0);
    LoadFromStream(&stream);
    Reduce();
  } else {
    inherited::Assign(source);
  }
}

void TDib::AssignTo(TPersistent* dest)
{
  auto* bitmap = dynamic_cast<TBitmap*>(dest);
  if (!bitmap || GetEmpty()) {
    inherited::AssignTo(dest);
    return;
  }
  HDC screen = GetDC(nullptr);
  HBITMAP ddb = GetDDB(screen);
  ReleaseDC(nullptr, screen);
  if (!ddb) throw EOutOfResources("Out of system resources");
  bitmap->SetHandle(ddb);
}

void TDib::Draw(TCanvas* canvas, const TRect& rect)
{
  HDC dc = canvas->GetHandle();
  TGdiObject bitmap(GetDDB(dc));
  if (!bitmap) return;
  // Declared after the bitmap, so that it goes first: a selected bitmap cannot be deleted.
  TOwnedDC memory(CreateCompatibleDC(dc));
  if (!memory) return;
  const HGDIOBJ oldBitmap = SelectObject(memory.Get(), bitmap.Get());

  POINT origin{};
  GetBrushOrgEx(dc, &origin);
  int oldStretch = SetStretchBltMode(dc, HALFTONE);
  if (oldStretch != 0) SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
  else if (GetBitsPerPixel() > 1) oldStretch = SetStretchBltMode(dc, COLORONCOLOR);

  const bool transformed = !IsIdentity(FTransform);
  int oldMode = 0;
  if (transformed) {
    oldMode = SetGraphicsMode(dc, GM_ADVANCED);
    SetWorldTransform(dc, &FTransform);
  }
  StretchBlt(dc, rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top, memory.Get(), 0, 0,
             GetWidth(), GetHeight(), SRCCOPY);
  if (transformed) {
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    SetGraphicsMode(dc, oldMode);
  }
  if (oldStretch != 0) SetStretchBltMode(dc, oldStretch);
  SelectObject(memory.Get(), oldBitmap);
}

bool TDib::Reduce()
{
  const int bits = GetBitsPerPixel();
  if (bits != 24 && bits != 32) return false;
  TMemoryStream* reduced = nullptr;
  const bool ok = bits == 32 ? ReduceDib32(GetHeader(), reduced) : ReduceDib24(GetHeader(), reduced);
  std::unique_ptr<TMemoryStream> stream(reduced);
  if (!ok || !stream || stream->GetSize() >= FImage->GetStream()->GetSize()) return false;
  stream->SetPosition(0);
  LoadBitmapInfo(stream.get());
  return true;
}

// ===================================================================================================
// While the package is loaded TDib reads and writes every BMP picture.
namespace {
void InitDibimage()
{
  RegisterClass(TDib::StaticClass());
  TPicture::UnregisterGraphicClass(TBitmap::StaticClass());
  TPicture::RegisterFileFormat("BMP", SVBitmaps, TDib::StaticClass());
}

void DoneDibimage()
{
  TPicture::UnregisterGraphicClass(TDib::StaticClass());
  TPicture::RegisterFileFormat("bmp", SVBitmaps, TBitmap::StaticClass());
  UnRegisterClass(TDib::StaticClass());
}

TUnitInit DibimageInit("Dibimage", InitDibimage, DoneDibimage);
}  // namespace
