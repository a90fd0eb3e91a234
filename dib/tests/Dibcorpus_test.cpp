// BMP files of every kind through TPicture::LoadFromFile: what the package reads is drawn as the
// platform draws the same file, what it cannot read is refused, and a file that ends early is a
// stream error.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "DibCorpus.h"
#include "Dibimage.h"
#include "SysUtils.h"

using namespace dibtest;

namespace {
// The corpus is written to a folder of its own for the whole suite.
class DibFiles : public testing::Test {
protected:
  static void SetUpTestSuite()
  {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    Folder = std::string(temp) + "ostrel-dib-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(Folder.c_str(), nullptr);
  }
  static void TearDownTestSuite()
  {
    for (const std::string& path : Written) DeleteFileA(path.c_str());
    RemoveDirectoryA(Folder.c_str());
  }

  static std::string Write(const std::string& bytes)
  {
    const std::string path = Folder + "file" + std::to_string(Written.size()) + ".bmp";
    TFileStream file(path, fmCreate);
    if (!bytes.empty()) file.WriteBuffer(bytes.data(), int(bytes.size()));
    Written.push_back(path);
    return path;
  }

  static std::string Folder;
  static std::vector<std::string> Written;
};
std::string DibFiles::Folder;
std::vector<std::string> DibFiles::Written;

std::unique_ptr<TBitmap> BlackBitmap(int width, int height)
{
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(width, height);
  bitmap->GetCanvas()->GetBrush()->SetColor(clBlack);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, width, height));
  return bitmap;
}

// The colours of a 32-bit bitmap, top row first (the fourth byte is no colour and left out).
std::vector<uint32_t> Colours(TBitmap* bitmap)
{
  std::vector<uint32_t> colours;
  for (int y = 0; y < bitmap->GetHeight(); ++y) {
    const auto* row = static_cast<const uint32_t*>(bitmap->ScanLine(y));
    for (int x = 0; x < bitmap->GetWidth(); ++x) colours.push_back(row[x] & 0x00FFFFFF);
  }
  return colours;
}

TEST_F(DibFiles, ReadableFilesDrawAsThePlatformDrawsTheFile)
{
  for (const TBmpFile& file : ReadableBmpFiles()) {
    SCOPED_TRACE(file.Name);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.Bytes.data() + 14);
    const int width = info->bmiHeader.biWidth;
    const int height = std::abs(info->bmiHeader.biHeight);

    TPicture picture;
    picture.LoadFromFile(Write(file.Bytes));
    auto* dib = dynamic_cast<TDib*>(picture.GetGraphic());
    ASSERT_NE(dib, nullptr);
    ASSERT_EQ(dib->GetWidth(), width);
    ASSERT_EQ(dib->GetHeight(), height);

    auto drawn = BlackBitmap(width, height);
    drawn->GetCanvas()->Draw(0, 0, dib);
    auto reference = BlackBitmap(width, height);
    ASSERT_EQ(StretchDIBits(reference->GetCanvas()->GetHandle(), 0, 0, width, height, 0, 0, width, height,
                            file.Bytes.data() + Get32(file.Bytes, fBfOffBits), info, DIB_RGB_COLORS, SRCCOPY),
              height);
    const std::vector<uint32_t> expected = Colours(reference.get());
    ASSERT_GE(std::set<uint32_t>(expected.begin(), expected.end()).size(), 2u) << "the platform drew nothing";
    EXPECT_EQ(Colours(drawn.get()), expected);

    // GetPixel reads every pixel of an uncompressed palette, 24- or 32-bit image, the same colours.
    const bool readable = info->bmiHeader.biCompression == BI_RGB && info->bmiHeader.biBitCount != 16;
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const DWORD pixel = dib->GetPixel(x, y);
        if (readable ? (pixel & 0x00FFFFFF) != expected[size_t(y * width + x)] : pixel != 0xFFFFFFFF) ++mismatches;
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(DibFiles, FilesThePackageCannotReadAreInvalidGraphics)
{
  for (const TBmpFile& file : RefusedBmpFiles()) {
    SCOPED_TRACE(file.Name);
    TPicture picture;
    EXPECT_THROW(picture.LoadFromFile(Write(file.Bytes)), EInvalidGraphic);
    EXPECT_EQ(picture.GetGraphic(), nullptr);
  }
}

// A file cut anywhere is a stream that ends early; only a header that claims more bytes than the file
// has left (a V4 or V5 header cut short) is an invalid header.
TEST_F(DibFiles, TruncatedFilesAreReadErrors)
{
  for (const TBmpFile& file : ReadableBmpFiles()) {
    const std::string& bytes = file.Bytes;
    const size_t headerEnd = 14 + Get32(bytes, fBiSize);
    const size_t offBits = Get32(bytes, fBfOffBits);
    std::set<size_t> cuts = {0, 10, 14, 14 + 39, headerEnd - 1, offBits - 1, offBits, (offBits + bytes.size()) / 2,
                             bytes.size() - 1};
    for (size_t cut : cuts) {
      SCOPED_TRACE(file.Name + ", cut at " + std::to_string(cut));
      const std::string path = Write(bytes.substr(0, cut));
      TPicture picture;
      if (cut >= 14 + 40 && cut < headerEnd)
        EXPECT_THROW(picture.LoadFromFile(path), EInvalidGraphic);
      else
        EXPECT_THROW(picture.LoadFromFile(path), EReadError);
      EXPECT_EQ(picture.GetGraphic(), nullptr);
    }
  }
}
}  // namespace
