// The clipboard: UTF-8 text through CF_UNICODETEXT, formats of the program's own, several items in
// one opening, pictures as CF_DIB and CF_BITMAP.
#include <gtest/gtest.h>

#include <memory>

#include "Clipbrd.h"
#include "ControlsTestSupport.h"

TEST(Clipboard, HebrewTextRoundTrip)
{
  const AnsiString text("\xD7\xA0\xD7\x92\xD7\x9F \xE2\x80\x94 play");  // Hebrew, an em dash, ASCII
  Clipboard()->SetAsText(text);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard()->GetAsText(), text);
  // Other programs read it as UTF-16.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::wstring wide = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(wide, L"\u05E0\u05D2\u05DF \u2014 play");
  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->HasFormat(CF_UNICODETEXT));
  EXPECT_EQ(Clipboard()->GetAsText(), AnsiString());
}

TEST(Clipboard, OwnFormatsAndSeveralItemsAtOnce)
{
  const UINT format = TClipboard::RegisterFormat("Ostrel.PlayListEntry");
  EXPECT_GE(format, 0xC000u);
  EXPECT_EQ(TClipboard::RegisterFormat("Ostrel.PlayListEntry"), format);
  const char bytes[] = {1, 0, 2, 0, 3};
  Clipboard()->Open();
  Clipboard()->SetAsText("entry");
  Clipboard()->SetBuffer(format, bytes, 5);
  Clipboard()->Close();
  // Both items survive: the second did not empty the clipboard again.
  EXPECT_EQ(Clipboard()->GetAsText(), AnsiString("entry"));
  const std::string back = Clipboard()->GetBuffer(format);
  ASSERT_GE(back.size(), 5u);
  EXPECT_EQ(back.substr(0, 5), std::string(bytes, 5));
  // A new opening replaces what was there.
  Clipboard()->SetAsText("alone");
  EXPECT_FALSE(Clipboard()->HasFormat(format));
  // Handles: the clipboard owns what it is given.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(block), "abc", 4);
  GlobalUnlock(block);
  Clipboard()->SetAsHandle(format, block);
  Clipboard()->Open();
  HANDLE got = Clipboard()->GetAsHandle(format);
  EXPECT_NE(got, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(got)), "abc");
  GlobalUnlock(got);
  Clipboard()->Close();
}

TEST(Clipboard, PicturesGoAsDeviceIndependentBitmaps)
{
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(12, 7);
  bitmap->GetCanvas()->GetBrush()->SetColor(clNavy);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, 12, 7));
  bitmap->GetCanvas()->SetPixels(0, 0, clYellow);
  bitmap->GetCanvas()->SetPixels(11, 6, clRed);
  Clipboard()->Assign(bitmap.get());
  EXPECT_TRUE(Clipboard()->HasFormat(CF_DIB));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  TPicture picture;
  picture.Assign(Clipboard());
  auto* back = dynamic_cast<TBitmap*>(picture.GetGraphic());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetWidth(), 12);
  EXPECT_EQ(back->GetHeight(), 7);
  EXPECT_EQ(ColorToRGB(back->GetCanvas()->GetPixels(0, 0)), ColorToRGB(clYellow));
  EXPECT_EQ(ColorToRGB(back->GetCanvas()->GetPixels(11, 6)), ColorToRGB(clRed));
  EXPECT_EQ(ColorToRGB(back->GetCanvas()->GetPixels(5, 3)), ColorToRGB(clNavy));
  // From a picture too, and into a bitmap.
  TPicture source;
  source.SetGraphic(bitmap.get());
  Clipboard()->Clear();
  Clipboard()->Assign(&source);
  TBitmap target;
  target.Assign(Clipboard());
  EXPECT_EQ(target.GetWidth(), 12);
  Clipboard()->Clear();
  TBitmap none;
  EXPECT_THROW(none.Assign(Clipboard()), EClipboardException);
}
