// The picture registry with and without dib.bpl: this process links only the stand-in, loads the
// package, reads a BMP file, frees the package and reads it again.
#include <gtest/gtest.h>
#include <windows.h>

#include "Graphics.h"
#include "SysUtils.h"

TEST(DibPackage, ReadsEveryBmpWhileLoadedAndGivesTBitmapBack)
{
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const AnsiString file = AnsiString(Utf16ToUtf8(folder).c_str()) + "ostrel-dib-registry.bmp";
  {
    TBitmap bitmap;
    bitmap.SetSize(3, 2);
    bitmap.SaveToFile(file);
  }
  auto loadedClass = [&file] {
    TPicture picture;
    picture.LoadFromFile(file);
    return AnsiString(picture.GetGraphic()->ClassType()->ClassName());
  };
  ASSERT_EQ(loadedClass(), "TBitmap");
  ASSERT_EQ(GetModuleHandleW(L"dib.bpl"), nullptr) << "this process must not link the package";

  HMODULE package = LoadLibraryW(L"dib.bpl");
  ASSERT_NE(package, nullptr);
  EXPECT_EQ(loadedClass(), "TDib");
  EXPECT_EQ(AnsiString(TPicture::FindGraphicClass("bmp")->ClassName()), "TDib");
  EXPECT_NE(GraphicFilter(TGraphic::StaticClass()).Pos("Bitmaps (*.bmp)|*.bmp"), 0);
  EXPECT_NE(GetClass("TDib"), nullptr) << "stored forms find the class";
  ASSERT_TRUE(FreeLibrary(package));
  ASSERT_EQ(GetModuleHandleW(L"dib.bpl"), nullptr) << "the package really went";

  EXPECT_EQ(loadedClass(), "TBitmap");
  EXPECT_EQ(GetClass("TDib"), nullptr);
  EXPECT_EQ(GraphicExtension(TBitmap::StaticClass()), "bmp");
  DeleteFileW(Utf8ToUtf16(file.c_str()).c_str());
}
