// The kit's capture and screenshots: the colours a window paints come back at their places, and the
// PNG written holds exactly what was captured.
#include "Probe.h"

#include <fstream>
#include <iterator>

namespace ostrel::test {
namespace {

const COLORREF Red = RGB(200, 30, 40);
const COLORREF Blue = RGB(20, 60, 210);
const COLORREF Green = RGB(30, 180, 70);

constexpr RECT Place{200, 160, 200 + 240, 160 + 150};
constexpr RECT ChildRect{60, 40, 60 + 50, 40 + 30};  // over the red/blue border

// Left half red, right half blue, on WM_PAINT and on WM_PRINTCLIENT alike.
bool PaintHalves(HWND hwnd, UINT msg, WPARAM wp, LRESULT& result)
{
  auto paint = [&](HDC dc) {
    RECT r;
    GetClientRect(hwnd, &r);
    RECT left = r, right = r;
    left.right = right.left = r.right / 2;
    HBRUSH red = CreateSolidBrush(Red), blue = CreateSolidBrush(Blue);
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
  };
  if (msg == WM_ERASEBKGND) {
    result = 1;
    return true;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paint(dc);
    EndPaint(hwnd, &ps);
    return true;
  }
  if (msg == WM_PRINTCLIENT) {
    paint(reinterpret_cast<HDC>(wp));
    return true;
  }
  return false;
}

struct Scene {
  TestWindow Parent{Place, [](HWND h, UINT m, WPARAM w, LPARAM, LRESULT& r) { return PaintHalves(h, m, w, r); },
                    nullptr, WS_POPUP | WS_BORDER | WS_VISIBLE | WS_CLIPCHILDREN};
  std::unique_ptr<TestWindow> Child;

  Scene()
  {
    Child = std::make_unique<TestWindow>(ChildRect, [](HWND h, UINT m, WPARAM w, LPARAM, LRESULT& r) {
      if (m != WM_ERASEBKGND) return false;
      RECT rc;
      GetClientRect(h, &rc);
      HBRUSH b = CreateSolidBrush(Green);
      FillRect(reinterpret_cast<HDC>(w), &rc, b);
      DeleteObject(b);
      r = 1;
      return true;
    }, Parent.Handle());
    MakeForeground(Parent.Handle());
  }
};

TEST(Pixels, PaintedColoursComeBackAtTheirPlacesWithTheChildOnTop)
{
  Scene scene;
  ASSERT_TRUE(scene.Parent.Handle() && scene.Child->Handle());
  Pixels shot = CaptureClient(scene.Parent.Handle());
  SavePng(shot, "gui_kit_colours");
  ASSERT_EQ(shot.Width(), 240);
  ASSERT_EQ(shot.Height(), 150);

  EXPECT_EQ(shot.At(0, 0), Red);
  EXPECT_EQ(shot.At(119, 149), Red);
  EXPECT_EQ(shot.At(120, 0), Blue);
  EXPECT_EQ(shot.At(239, 149), Blue);
  EXPECT_EQ(shot.At(60, 40), Green);
  EXPECT_EQ(shot.At(109, 69), Green);
  EXPECT_EQ(shot.At(59, 40), Red);
  EXPECT_EQ(shot.At(60, 70), Red);
  EXPECT_EQ(shot.At(240, 0), CLR_INVALID);

  const int childArea = 50 * 30;
  EXPECT_EQ(shot.Count(Green), childArea);
  EXPECT_EQ(shot.Count(Red), 120 * 150 - childArea);
  EXPECT_EQ(shot.Count(Blue), 120 * 150);
  EXPECT_EQ(shot.Count(Green, ChildRect), childArea);
  EXPECT_EQ(shot.Count(Blue, RECT{0, 0, 120, 150}), 0);
  // A rectangle partly outside counts only what lies inside.
  EXPECT_EQ(shot.Count(Blue, RECT{200, 140, 400, 400}), 40 * 10);
}

TEST(Pixels, WindowCaptureAndClientHelpersAgree)
{
  Scene scene;
  Pixels whole = CaptureWindow(scene.Parent.Handle());
  RECT wr;
  GetWindowRect(scene.Parent.Handle(), &wr);
  ASSERT_EQ(whole.Width(), wr.right - wr.left);
  ASSERT_EQ(whole.Height(), wr.bottom - wr.top);
  EXPECT_EQ(whole.ScreenOrigin().x, wr.left);
  // The one-pixel border is outside the client area.
  EXPECT_EQ(whole.Width(), 242);
  EXPECT_EQ(whole.AtClient(scene.Parent.Handle(), 0, 0), Red);
  EXPECT_EQ(whole.AtClient(scene.Parent.Handle(), 239, 0), Blue);
  EXPECT_EQ(whole.AtClient(scene.Child->Handle(), 0, 0), Green);
  RECT childInShot = whole.ClientRect(scene.Child->Handle(), RECT{0, 0, 50, 30});
  EXPECT_EQ(childInShot.left, 1 + 60);
  EXPECT_EQ(whole.Count(Green, childInShot), 50 * 30);
  // The screen capture of any rectangle agrees with the window's.
  Pixels strip = CaptureScreen(RECT{wr.left + 100, wr.top + 10, wr.left + 140, wr.top + 20});
  for (int x = 0; x < 40; ++x) EXPECT_EQ(strip.At(x, 5), whole.At(100 + x, 15)) << x;
}

TEST(Pixels, PrintWindowRendersWhatTheWindowPrints)
{
  Scene scene;
  Pixels printed = CapturePrintWindow(scene.Parent.Handle());
  ASSERT_FALSE(printed.Empty());
  SavePng(printed, "gui_kit_printwindow");
  // The parent answers WM_PRINTCLIENT, so its halves are there on every platform.
  EXPECT_EQ(printed.AtClient(scene.Parent.Handle(), 10, 10), Red);
  EXPECT_EQ(printed.AtClient(scene.Parent.Handle(), 200, 10), Blue);
}

TEST(Pixels, ColoursCompareWithATolerance)
{
  EXPECT_TRUE(SameColour(RGB(10, 20, 30), RGB(10, 20, 30)));
  EXPECT_FALSE(SameColour(RGB(10, 20, 30), RGB(10, 20, 31)));
  EXPECT_TRUE(SameColour(RGB(10, 20, 30), RGB(13, 17, 33), 3));
  EXPECT_FALSE(SameColour(RGB(10, 20, 30), RGB(14, 20, 30), 3));
  EXPECT_FALSE(SameColour(CLR_INVALID, RGB(255, 255, 255), 255));
  Pixels p(3, 2, POINT{0, 0});
  p.Set(2, 1, RGB(1, 2, 3));
  EXPECT_EQ(p.At(2, 1), RGB(1, 2, 3));
  EXPECT_EQ(p.Data()[5], 0x010203u);
  EXPECT_EQ(p.Count(RGB(0, 0, 0)), 5);
  EXPECT_EQ(p.Count(RGB(0, 0, 0), 3), 6);
}

// ---- PNG ----

uint32_t Be32(const std::vector<uint8_t>& b, size_t at)
{
  return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

struct Chunk {
  std::string Type;
  std::vector<uint8_t> Data;
};

// Reads the chunks back, checking each one's CRC; fails the test on a bad one.
std::vector<Chunk> ReadChunks(const std::vector<uint8_t>& png)
{
  std::vector<Chunk> out;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t len = Be32(png, at);
    if (at + 12 + len > png.size()) {
      ADD_FAILURE() << "chunk runs past the end";
      break;
    }
    Chunk c;
    c.Type.assign(png.begin() + at + 4, png.begin() + at + 8);
    c.Data.assign(png.begin() + at + 8, png.begin() + at + 8 + len);
    EXPECT_EQ(Be32(png, at + 8 + len), Crc32(png.data() + at + 4, 4 + len)) << c.Type;
    out.push_back(c);
    at += 12 + len;
  }
  EXPECT_EQ(at, png.size());
  return out;
}

// The inflated zlib stream of a PNG whose deflate blocks are stored ones (as the kit writes them).
std::vector<uint8_t> InflateStored(const std::vector<uint8_t>& z)
{
  std::vector<uint8_t> out;
  EXPECT_GE(z.size(), 6u);
  EXPECT_EQ(z[0] & 0x0F, 8) << "deflate";
  EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0) << "zlib header check";
  size_t at = 2;
  for (bool last = false; !last;) {
    if (at + 5 > z.size()) {
      ADD_FAILURE() << "truncated block";
      return out;
    }
    last = z[at] & 1;
    EXPECT_EQ((z[at] >> 1) & 3, 0) << "stored block";
    const unsigned len = z[at + 1] | (z[at + 2] << 8);
    const unsigned nlen = z[at + 3] | (z[at + 4] << 8);
    EXPECT_EQ(len ^ 0xFFFFu, nlen);
    at += 5;
    if (at + len > z.size()) {
      ADD_FAILURE() << "block runs past the end";
      return out;
    }
    out.insert(out.end(), z.begin() + at, z.begin() + at + len);
    at += len;
  }
  EXPECT_EQ(at + 4, z.size());
  EXPECT_EQ(Be32(z, at), Adler32(out.data(), out.size()));
  return out;
}

TEST(Png, ChecksumsMatchTheirPublishedCheckValues)
{
  const std::string digits = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0xCBF43926u);
  const std::string wiki = "Wikipedia";
  EXPECT_EQ(Adler32(reinterpret_cast<const uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);
  // In pieces as at once.
  uint32_t crc = Crc32(reinterpret_cast<const uint8_t*>(digits.data()), 4);
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(digits.data()) + 4, 5, crc), 0xCBF43926u);
  // Long input: the running sums are reduced before they overflow.
  std::vector<uint8_t> ones(100000, 0xFF);
  uint32_t a = 1, b = 0;
  for (uint8_t v : ones) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  EXPECT_EQ(Adler32(ones.data(), ones.size()), (b << 16) | a);
}

TEST(Png, TheFileWrittenReadsBackAsTheCapture)
{
  Scene scene;
  Pixels shot = CaptureClient(scene.Parent.Handle());
  ASSERT_EQ(shot.Width(), 240);
  const std::string path = SavePng(shot, "gui_kit_png");
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find("screens\\gui_kit_png.png"), std::string::npos) << path;

  std::ifstream in(Utf8ToWide(path).c_str(), std::ios::binary);
  ASSERT_TRUE(in.good()) << path;
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  // Every PNG ends in the same twelve bytes: an empty IEND chunk and its CRC.
  EXPECT_EQ(std::vector<uint8_t>(png.end() - 12, png.end()),
            (std::vector<uint8_t>{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));

  std::vector<Chunk> chunks = ReadChunks(png);
  ASSERT_GE(chunks.size(), 3u);
  ASSERT_EQ(chunks.front().Type, "IHDR");
  ASSERT_EQ(chunks.front().Data.size(), 13u);
  EXPECT_EQ(Be32(chunks.front().Data, 0), 240u);
  EXPECT_EQ(Be32(chunks.front().Data, 4), 150u);
  EXPECT_EQ(chunks.front().Data[8], 8);  // bit depth
  EXPECT_EQ(chunks.front().Data[9], 2);  // RGB
  EXPECT_EQ(chunks.back().Type, "IEND");

  std::vector<uint8_t> z;
  for (const Chunk& c : chunks)
    if (c.Type == "IDAT") z.insert(z.end(), c.Data.begin(), c.Data.end());
  std::vector<uint8_t> raw = InflateStored(z);
  ASSERT_EQ(raw.size(), 150u * (1 + 3 * 240));
  int mismatches = 0;
  for (int y = 0; y < 150; ++y) {
    const uint8_t* row = raw.data() + static_cast<size_t>(y) * (1 + 3 * 240);
    EXPECT_EQ(row[0], 0) << "filter of row " << y;
    for (int x = 0; x < 240; ++x)
      if (RGB(row[1 + 3 * x], row[2 + 3 * x], row[3 + 3 * x]) != shot.At(x, y)) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);
  // And what was captured is the scene, not an empty picture.
  EXPECT_EQ(shot.Count(Green), 50 * 30);
}

TEST(Png, LargePicturesSpanSeveralStoredBlocks)
{
  Pixels big(300, 200, POINT{0, 0});
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) big.Set(x, y, RGB(x & 0xFF, y, (x * y) & 0xFF));
  std::vector<uint8_t> png = EncodePng(big);
  std::vector<Chunk> chunks = ReadChunks(png);
  ASSERT_EQ(chunks.size(), 3u);
  std::vector<uint8_t> raw = InflateStored(chunks[1].Data);
  ASSERT_EQ(raw.size(), 200u * 901);
  EXPECT_GT(raw.size(), 65535u * 2);
  const uint8_t* row = raw.data() + 123 * 901;
  EXPECT_EQ(RGB(row[1 + 3 * 77], row[2 + 3 * 77], row[3 + 3 * 77]), big.At(77, 123));
}

}  // namespace
}  // namespace ostrel::test
