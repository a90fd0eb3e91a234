// The open dialogs' texts and flags: the platform's filter form, options as flags, the chosen paths
// read back from the platform's buffer, and the picture dialog's filter from the picture registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "ExtDlgs.h"
#include "TypInfo.h"

using namespace std::string_literals;

TEST(OpenDialog, FilterBecomesThePlatformsDoubleNulList)
{
  EXPECT_EQ(vcl_detail::DialogFilter("Text (*.txt)|*.txt|All|*.*"), L"Text (*.txt)\0*.txt\0All\0*.*\0\0"s);
  EXPECT_EQ(vcl_detail::DialogFilter("תמונות|*.bmp"), L"\u05EA\u05DE\u05D5\u05E0\u05D5\u05EA\0*.bmp\0\0"s);
}

TEST(OpenDialog, OptionsBecomeFlags)
{
  EXPECT_EQ(vcl_detail::OpenOptionFlags(TOpenDialog::DefaultOpenOptions()), DWORD(OFN_HIDEREADONLY | OFN_ENABLESIZING));
  const TOpenOptions some = TOpenOptions() << ofAllowMultiSelect << ofFileMustExist << ofNoNetworkButton;
  EXPECT_EQ(vcl_detail::OpenOptionFlags(some), DWORD(OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON));
  TOpenDialog dialog(nullptr);
  EXPECT_TRUE(dialog.GetOptions() == TOpenDialog::DefaultOpenOptions());
  EXPECT_EQ(dialog.GetFilterIndex(), 1);
  // Options at their start are not written; changed ones are.
  auto written = [&dialog] {
    TMemoryStream binary, text;
    binary.WriteComponent(&dialog);
    binary.SetPosition(0);
    ObjectBinaryToText(&binary, &text);
    return std::string(static_cast<const char*>(text.Memory()), size_t(text.GetSize()));
  };
  dialog.SetName("OpenDialog1");
  EXPECT_EQ(written().find("Options"), std::string::npos);
  dialog.SetOptions(some);
  EXPECT_NE(written().find("Options = [ofAllowMultiSelect, ofFileMustExist, ofNoNetworkButton]"), std::string::npos);
}

TEST(OpenDialog, ChosenPathsOfOneAndOfSeveralFiles)
{
  const std::wstring one = L"C:\\pictures\\a.bmp\0\0"s;
  auto paths = vcl_detail::ChosenPaths(one.data(), one.size());
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0], L"C:\\pictures\\a.bmp");
  const std::wstring several = L"C:\\pictures\0a.bmp\0b.ico\0\0"s;
  paths = vcl_detail::ChosenPaths(several.data(), several.size());
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], L"C:\\pictures\\a.bmp");
  EXPECT_EQ(paths[1], L"C:\\pictures\\b.ico");
  const std::wstring root = L"C:\\\0a.bmp\0b.bmp\0\0"s;
  EXPECT_EQ(vcl_detail::ChosenPaths(root.data(), root.size())[1], L"C:\\b.bmp");
  const std::wstring none(4, L'\0');
  EXPECT_TRUE(vcl_detail::ChosenPaths(none.data(), none.size()).empty());
}

TEST(OpenPictureDialog, OffersTheRegisteredFormats)
{
  TOpenPictureDialog dialog(nullptr);
  const AnsiString filter = dialog.GetFilter();
  EXPECT_EQ(filter, GraphicFilter(TGraphic::StaticClass()));
  EXPECT_GT(filter.Pos("*.bmp"), 0);
  EXPECT_GT(filter.Pos("*.ico"), 0);
  EXPECT_FALSE(dialog.IsFilterStored());
  dialog.SetFilter("Bitmaps|*.bmp");
  EXPECT_TRUE(dialog.IsFilterStored());
  EXPECT_EQ(GetClass("TOpenPictureDialog"), TOpenPictureDialog::StaticClass());
  EXPECT_EQ(GetClass("TOpenDialog"), TOpenDialog::StaticClass());
}
