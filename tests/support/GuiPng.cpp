// GUI test kit: screenshots as PNG files, written by a small encoder of our own (8-bit RGB rows,
// zlib stream of stored deflate blocks: a screenshot is for a person to look at, so size matters
// less than having no outside dependency).
#include "GuiTest.h"

#include "TestSupport.h"

#include <array>
#include <cstdlib>

namespace ostrel::test {

namespace {

const std::array<uint32_t, 256>& CrcTable()
{
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data)
{
  PutBe32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  // The chunk's CRC covers its type and data, not its length.
  PutBe32(out, Crc32(out.data() + typeAt, 4 + data.size()));
}

// A zlib stream holding `raw` in stored blocks of at most 65535 bytes.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw)
{
  std::vector<uint8_t> z;
  z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
  // CMF: deflate with a 32 KiB window; FLG: no dictionary, check bits making CMF*256+FLG a
  // multiple of 31.
  z.push_back(0x78);
  z.push_back(0x01);
  size_t at = 0;
  do {
    const size_t len = raw.size() - at < 65535 ? raw.size() - at : 65535;
    const bool last = at + len == raw.size();
    z.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00; the rest of the byte is padding
    z.push_back(static_cast<uint8_t>(len));
    z.push_back(static_cast<uint8_t>(len >> 8));
    z.push_back(static_cast<uint8_t>(~len));
    z.push_back(static_cast<uint8_t>(~len >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + len));
    at += len;
  } while (at < raw.size());
  PutBe32(z, Adler32(raw.data(), raw.size()));
  return z;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc)
{
  const auto& table = CrcTable();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler)
{
  constexpr uint32_t Mod = 65521;
  uint32_t a = adler & 0xFFFF;
  uint32_t b = adler >> 16;
  while (size > 0) {
    // 5552 bytes is the most that cannot overflow b before the modulo.
    size_t n = size < 5552 ? size : 5552;
    size -= n;
    while (n--) {
      a += *data++;
      b += a;
    }
    a %= Mod;
    b %= Mod;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(const Pixels& pixels)
{
  const int w = pixels.Width();
  const int h = pixels.Height();
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

  std::vector<uint8_t> ihdr;
  PutBe32(ihdr, static_cast<uint32_t>(w));
  PutBe32(ihdr, static_cast<uint32_t>(h));
  ihdr.push_back(8);  // bits per sample
  ihdr.push_back(2);  // colour type: RGB
  ihdr.push_back(0);  // deflate
  ihdr.push_back(0);  // adaptive filtering (every row uses filter 0, none)
  ihdr.push_back(0);  // not interlaced
  PutChunk(png, "IHDR", ihdr);

  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(h) * (1 + 3 * static_cast<size_t>(w)));
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      COLORREF c = pixels.At(x, y);
      raw.push_back(GetRValue(c));
      raw.push_back(GetGValue(c));
      raw.push_back(GetBValue(c));
    }
  }
  PutChunk(png, "IDAT", ZlibStored(raw));
  PutChunk(png, "IEND", {});
  return png;
}

std::string ScreensFolder()
{
  const char* build = std::getenv("BUILD_DIR");
  std::string folder = build && *build ? WindowsPath(std::string(build) + "/screens") : std::string("screens");
  CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr);
  return folder;
}

std::string SavePng(const Pixels& pixels, const std::string& name)
{
  if (pixels.Empty()) return {};
  const std::vector<uint8_t> png = EncodePng(pixels);
  const std::string path = ScreensFolder() + "\\" + name + ".png";
  HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  struct Closer {
    HANDLE H;
    ~Closer() { CloseHandle(H); }
  } closer{file};
  DWORD written = 0;
  if (!WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) || written != png.size())
    return {};
  return path;
}

std::string SavePng(HWND hwnd, const std::string& name)
{
  return SavePng(CaptureWindow(hwnd), name);
}

}  // namespace ostrel::test
