// Shared by the control tests: message pumping, pixel capture, forms, PNG pictures of captures.
#include "ControlsTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cmath>

namespace ctltest {

void Pump() { Application->ProcessMessages(); }

bool WaitFor(const std::function<bool()>& cond, int timeoutMs)
{
  const ULONGLONG end = GetTickCount64() + ULONGLONG(timeoutMs);
  for (;;) {
    Pump();
    if (cond()) return true;
    if (GetTickCount64() >= end) return cond();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void PumpFor(int ms)
{
  WaitFor([] { return false; }, ms);
}

int TPixels::Count(const TRect& area, COLORREF color) const
{
  int n = 0;
  for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, Height); ++y)
    for (int x = std::max(area.Left, 0); x < std::min(area.Right, Width); ++x)
      if (At(x, y) == color) ++n;
  return n;
}

std::pair<int, int> TPixels::ColumnsWith(COLORREF color) const
{
  int first = -1, last = -1;
  for (int x = 0; x < Width; ++x)
    for (int y = 0; y < Height; ++y)
      if (At(x, y) == color) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

std::pair<int, int> TPixels::ColumnsNear(COLORREF color, int tolerance) const
{
  auto similar = [&](COLORREF c) {
    return std::abs(int(GetRValue(c)) - int(GetRValue(color))) <= tolerance &&
           std::abs(int(GetGValue(c)) - int(GetGValue(color))) <= tolerance &&
           std::abs(int(GetBValue(c)) - int(GetBValue(color))) <= tolerance;
  };
  int first = -1, last = -1;
  for (int x = 0; x < Width; ++x)
    for (int y = 0; y < Height; ++y)
      if (similar(At(x, y))) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

namespace {

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc = 0)
{
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Put32(std::string& out, uint32_t v)
{
  for (int shift = 24; shift >= 0; shift -= 8) out += char((v >> shift) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data)
{
  Put32(out, uint32_t(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  Put32(out, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

// A PNG with stored (uncompressed) deflate blocks: enough to look at, no compressor needed.
std::string EncodePng(const TPixels& pixels)
{
  std::string raw;
  for (int y = 0; y < pixels.Height; ++y) {
    raw += '\0';
    for (int x = 0; x < pixels.Width; ++x) {
      const COLORREF c = pixels.At(x, y);
      raw += char(GetRValue(c));
      raw += char(GetGValue(c));
      raw += char(GetBValue(c));
    }
  }
  std::string z = "\x78\x01";
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - pos);
    const bool last = pos + n >= raw.size();
    z += char(last ? 1 : 0);
    z += char(n & 0xFF);
    z += char(n >> 8);
    z += char(~n & 0xFF);
    z += char((~n >> 8) & 0xFF);
    z.append(raw, pos, n);
    pos += n;
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32(header, uint32_t(pixels.Width));
  Put32(header, uint32_t(pixels.Height));
  header += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", std::string());
  return png;
}

}  // namespace

void TPixels::Save(const std::string& name) const
{
  const char* build = std::getenv("BUILD_DIR");
  if (!build || Width == 0 || Height == 0) return;
  std::string dir = std::string("Z:") + build + "/screens";
  for (char& c : dir)
    if (c == '/') c = '\\';
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string path = dir + "\\" + name + ".png";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    const std::string png = EncodePng(*this);
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
  }
}

namespace {

TPixels ReadWindow(HWND window, const TRect& area)
{
  TPixels pixels;
  pixels.Width = area.Width();
  pixels.Height = area.Height();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = pixels.Width;
  info.bmiHeader.biHeight = -pixels.Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(window);
  // A right-to-left window's DC is mirrored, and a blit from it into a plain DC would flip the
  // picture: read the pixels as they are on screen, the area's logical edges turned physical.
  TRect source = area;
  const DWORD layout = GetLayout(screen);
  if (layout & LAYOUT_RTL) {
    RECT client{};
    GetClientRect(window, &client);
    source.Left = client.right - area.Right;
    SetLayout(screen, 0);
  }
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, pixels.Width, pixels.Height, screen, source.Left, area.Top, SRCCOPY);
  GdiFlush();
  const auto* quads = static_cast<const uint32_t*>(bits);
  pixels.Data.resize(size_t(pixels.Width) * size_t(pixels.Height));
  for (size_t i = 0; i < pixels.Data.size(); ++i) {
    const uint32_t q = quads[i];
    pixels.Data[i] = RGB((q >> 16) & 0xFF, (q >> 8) & 0xFF, q & 0xFF);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(section);
  SetLayout(screen, layout);
  ReleaseDC(window, screen);
  return pixels;
}

}  // namespace

TPixels Capture(TWinControl* control)
{
  control->Repaint();
  Pump();
  return ReadWindow(control->GetHandle(), control->GetClientRect());
}

TPixels CaptureControl(TControl* control)
{
  TWinControl* parent = control->GetParent();
  parent->Repaint();
  Pump();
  return ReadWindow(parent->GetHandle(), control->GetBoundsRect());
}

TPixels ReadControl(TControl* control)
{
  Pump();
  return ReadWindow(control->GetParent()->GetHandle(), control->GetBoundsRect());
}

TForm* NewForm(int clientWidth, int clientHeight, TColor color)
{
  auto* form = new TForm(Application, 0);
  form->SetBorderStyle(bsNone);
  form->SetBounds(40, 40, clientWidth, clientHeight);
  form->SetColor(color);
  form->Show();
  Pump();
  return form;
}

namespace {
BOOL CALLBACK CountChild(HWND, LPARAM count)
{
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}
BOOL CALLBACK CountTop(HWND window, LPARAM count)
{
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}
}  // namespace

int ThreadWindowCount()
{
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTop, LPARAM(&count));
  return count;
}

namespace {
std::string Bytes(TMemoryStream& stream) { return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize())); }
}  // namespace

std::string BinaryToText(const std::string& binary)
{
  TMemoryStream in, out;
  in.WriteBuffer(binary.data(), int(binary.size()));
  in.SetPosition(0);
  ObjectBinaryToText(&in, &out);
  return Bytes(out);
}

TRoundTrip RoundTrip(const wchar_t* resource, TComponent* form)
{
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, resource, MAKEINTRESOURCEW(10));
  if (!found) return {};
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
  TMemoryStream textStream, binary, written;
  textStream.WriteBuffer(text.data(), int(text.size()));
  textStream.SetPosition(0);
  ObjectTextToBinary(&textStream, &binary);
  binary.SetPosition(0);
  binary.ReadComponent(form);
  written.WriteComponent(form);
  return {Bytes(binary), Bytes(written)};
}

}  // namespace ctltest
