// Graphics: icons, read from and written as .ico file images, drawn with DrawIconEx.
#include "Consts.h"
#include "Graphics.h"
#include "VclByteOrder.h"

#include <algorithm>
#include <cstring>

VCL_IMPLEMENT_CLASS(TIcon)

using namespace vcl_detail;

namespace {
constexpr size_t DirSize = 6;
constexpr size_t EntrySize = 16;
constexpr unsigned char PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Invalid() { throw EInvalidGraphic(SInvalidIcon); }

// An icon image is a PNG, or a DIB of twice the icon's height: colour rows, then the 1-bit mask.
void CheckImage(const unsigned char* image, size_t size)
{
  if (size >= sizeof PngSignature && std::memcmp(image, PngSignature, sizeof PngSignature) == 0) return;
  if (size < 40 || ReadLE32(image) < 40 || ReadLE32(image) > size) Invalid();
  const int32_t width = int32_t(ReadLE32(image + 4));
  const int32_t height = int32_t(ReadLE32(image + 8));
  const uint32_t bitCount = ReadLE16(image + 14);
  if (width <= 0 || width > 1024 || height <= 0 || height > 2048 || ReadLE16(image + 12) != 1) Invalid();
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) Invalid();
  const uint64_t rows = uint64_t(height) / 2;
  const uint64_t colorStride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
  const uint64_t maskStride = ((uint64_t(width) + 31) / 32) * 4;
  uint64_t colors = ReadLE32(image + 32);
  if (bitCount <= 8 && colors == 0) colors = uint64_t(1) << bitCount;
  if (colors > 256) Invalid();
  if (uint64_t(ReadLE32(image)) + colors * 4 + rows * (colorStride + maskStride) > size) Invalid();
}
}  // namespace

void TIcon::Assign(TPersistent* source)
{
  auto* icon = dynamic_cast<TIcon*>(source);
  if (!icon) return inherited::Assign(source);
  if (icon == this) return;
  FData = icon->FData;
  FEntries = icon->FEntries;
  FWidth = icon->FWidth;
  FHeight = icon->FHeight;
  FHandle.Reset(FData.empty() && icon->FHandle ? CopyIcon(icon->FHandle.Get()) : nullptr);
  Changed(this);
}

int TIcon::ChooseEntry() const
{
  const int wanted = GetSystemMetrics(SM_CXICON);
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (FEntries[i].Width == wanted && FEntries[i].Height == wanted) return int(i);
  return 0;
}

int TIcon::GetWidth() const
{
  if (!FEntries.empty()) return FEntries[size_t(ChooseEntry())].Width;
  return FWidth;
}

int TIcon::GetHeight() const
{
  if (!FEntries.empty()) return FEntries[size_t(ChooseEntry())].Height;
  return FHeight;
}

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(SChangeIconSize); }

void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(SChangeIconSize); }

HICON TIcon::GetHandle()
{
  if (FHandle || FEntries.empty()) return FHandle.Get();
  const TEntry& e = FEntries[size_t(ChooseEntry())];
  HICON icon = CreateIconFromResourceEx(FData.data() + e.Offset, DWORD(e.Size), TRUE, 0x00030000, e.Width, e.Height,
                                        LR_DEFAULTCOLOR);
  if (!icon) Invalid();
  FHandle.Reset(icon);
  return icon;
}

void TIcon::SetHandle(HICON value)
{
  FData.clear();
  FEntries.clear();
  FHandle.Reset(value);
  FWidth = FHeight = 0;
  ICONINFO info{};
  if (value && GetIconInfo(value, &info)) {
    TGdiObject color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    if (GetObjectW(color ? color.Get() : mask.Get(), sizeof bm, &bm)) {
      FWidth = int(bm.bmWidth);
      FHeight = color ? int(bm.bmHeight) : int(bm.bmHeight) / 2;
    }
  }
  Changed(this);
}

HICON TIcon::ReleaseHandle() { return FHandle.Detach(); }

void TIcon::LoadFromStream(TStream* stream)
{
  std::vector<unsigned char> data(DirSize);
  if (stream->Read(data.data(), int(DirSize)) != int(DirSize)) Invalid();
  const size_t count = ReadLE16(data.data() + 4);
  if (ReadLE16(data.data()) != 0 || ReadLE16(data.data() + 2) != 1 || count == 0) Invalid();
  data.resize(DirSize + count * EntrySize);
  const int dirBytes = int(count * EntrySize);
  if (stream->Read(data.data() + DirSize, dirBytes) != dirBytes) Invalid();
  std::vector<TEntry> entries;
  size_t end = data.size();
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* e = data.data() + DirSize + i * EntrySize;
    TEntry entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, ReadLE32(e + 12), ReadLE32(e + 8)};
    if (entry.Offset < data.size() || entry.Size == 0 || entry.Size > 0x4000000) Invalid();
    end = std::max(end, entry.Offset + entry.Size);
    entries.push_back(entry);
  }
  const int64_t available = int64_t(stream->GetSize()) - int64_t(stream->GetPosition());
  const size_t rest = end - data.size();
  if (available < 0 || uint64_t(available) < rest) Invalid();
  data.resize(end);
  if (rest && stream->Read(data.data() + DirSize + dirBytes, int(rest)) != int(rest)) Invalid();
  for (const TEntry& e : entries) CheckImage(data.data() + e.Offset, e.Size);
  FHandle.Reset();
  FData = std::move(data);
  FEntries = std::move(entries);
  Changed(this);
}

void TIcon::SaveToStream(TStream* stream)
{
  if (!FData.empty()) return stream->WriteBuffer(FData.data(), int(FData.size()));
  if (!FHandle) return;
  // A handle alone is written as one 32-bit image: its colours and its mask, drawn out of the icon.
  const int width = FWidth, height = FHeight;
  if (width <= 0 || height <= 0 || width > 256 || height > 256) Invalid();
  BITMAPINFO colorInfo{};
  colorInfo.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* colorBits = nullptr;
  TGdiObject color(CreateDIBSection(nullptr, &colorInfo, DIB_RGB_COLORS, &colorBits, nullptr, 0));
  struct {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[2];
  } maskInfo{{sizeof(BITMAPINFOHEADER), width, height, 1, 1, BI_RGB, 0, 0, 0, 2, 0}, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
  void* maskBits = nullptr;
  TGdiObject mask(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&maskInfo), DIB_RGB_COLORS, &maskBits, nullptr, 0));
  if (!color || !mask || !colorBits || !maskBits) throw EOutOfResources(SOutOfResources);
  {
    TMemoryDC dc;
    dc.Select(color.Get());
    DrawIconEx(dc.Get(), 0, 0, FHandle.Get(), width, height, 0, nullptr, DI_IMAGE);
  }
  {
    TMemoryDC dc;
    dc.Select(mask.Get());
    DrawIconEx(dc.Get(), 0, 0, FHandle.Get(), width, height, 0, nullptr, DI_MASK);
  }
  GdiFlush();
  const uint32_t colorBytes = uint32_t(width) * 4 * uint32_t(height);
  const uint32_t maskBytes = ((uint32_t(width) + 31) / 32) * 4 * uint32_t(height);
  const uint32_t imageSize = 40 + colorBytes + maskBytes;
  std::vector<unsigned char> out;
  AppendLE16(out, 0);
  AppendLE16(out, 1);  // an icon
  AppendLE16(out, 1);  // one image
  out.push_back(static_cast<unsigned char>(width & 0xFF));  // 256 is written as 0
  out.push_back(static_cast<unsigned char>(height & 0xFF));
  out.push_back(0);  // no palette
  out.push_back(0);
  AppendLE16(out, 1);
  AppendLE16(out, 32);
  AppendLE32(out, imageSize);
  AppendLE32(out, uint32_t(DirSize + EntrySize));
  AppendLE32(out, 40);
  AppendLE32(out, uint32_t(width));
  AppendLE32(out, uint32_t(height) * 2);
  AppendLE16(out, 1);
  AppendLE16(out, 32);
  for (int i = 0; i < 6; ++i) AppendLE32(out, 0);
  const auto* c = static_cast<const unsigned char*>(colorBits);
  const auto* m = static_cast<const unsigned char*>(maskBits);
  out.insert(out.end(), c, c + colorBytes);
  out.insert(out.end(), m, m + maskBytes);
  stream->WriteBuffer(out.data(), int(out.size()));
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect)
{
  HICON icon = GetHandle();
  if (!icon) return;
  DrawIconEx(canvas->GetHandle(), rect.Left, rect.Top, icon, rect.Width(), rect.Height(), 0, nullptr, DI_NORMAL);
}
