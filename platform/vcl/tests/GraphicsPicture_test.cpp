// Pictures and icons: stored-form data byte by byte, write-read cycles, the text form, the registry
// of graphic classes by extension, and .ico images.
#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"

namespace {
class GraphicsPicture : public ::testing::Test {
protected:
  void SetUp() override { RegisterGraphicsTestClasses(); }
};

// The BMP file of a 1x1 24-bit red picture, field by field.
std::string RedPixelBmp()
{
  return "BM" + Le32(58) + Le16(0) + Le16(0) + Le32(54) +                     // file header
         Le32(40) + Le32(1) + Le32(1) + Le16(1) + Le16(24) + Le32(BI_RGB) +  // info header...
         Le32(4) + Le32(0) + Le32(0) + Le32(0) + Le32(0) +                   // ...image size, unused
         std::string{0, 0, char(0xFF), 0};                                   // B G R, padding
}

std::unique_ptr<TBitmap> RedPixel()
{
  auto bitmap = NewBitmap(1, 1, pf24bit);
  bitmap->GetCanvas()->SetPixels(0, 0, clRed);
  return bitmap;
}

// The value of a binary property in a component stream: vaBinary, its length, its bytes.
std::string BinaryProperty(const std::string& stream, const std::string& name)
{
  const std::string key = std::string(1, char(name.size())) + name + char(vaBinary);
  const size_t at = stream.find(key);
  if (at == std::string::npos) return "<absent>";
  const size_t start = at + key.size();
  const unsigned length = unsigned(static_cast<unsigned char>(stream[start])) |
                          unsigned(static_cast<unsigned char>(stream[start + 1])) << 8 |
                          unsigned(static_cast<unsigned char>(stream[start + 2])) << 16;
  return stream.substr(start + 4, length);
}

TEST_F(GraphicsPicture, StoredDataIsTheVclLayout)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  holder.GetPicture()->SetGraphic(RedPixel().get());
  holder.GetGlyph()->Assign(RedPixel().get());
  const std::string stream = WriteHolder(&holder);
  EXPECT_EQ(Hex(BinaryProperty(stream, "Picture.Data")), Hex("\x07" "TBitmap" + Le32(58) + RedPixelBmp()));
  EXPECT_EQ(Hex(BinaryProperty(stream, "Glyph.Data")), Hex(Le32(58) + RedPixelBmp()));
  EXPECT_NE(stream.find(std::string("\x0C" "Picture.Data" "\x0A") + Le32(70)), std::string::npos);
}

TEST_F(GraphicsPicture, EmptyPicturesAreNotStored)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  const std::string stream = WriteHolder(&holder);
  EXPECT_EQ(stream.find("Picture.Data"), std::string::npos);
  EXPECT_EQ(stream.find("Glyph.Data"), std::string::npos);
}

TEST_F(GraphicsPicture, WriteReadCycleKeepsEveryPixel)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  TBitmap* picture = holder.GetPicture()->GetBitmap();
  picture->SetPixelFormat(pf24bit);
  picture->SetSize(6, 4);
  picture->GetCanvas()->GetBrush()->SetColor(clNavy);
  picture->GetCanvas()->Ellipse(0, 0, 6, 4);
  TBitmap* glyph = holder.GetGlyph();
  glyph->SetPixelFormat(pf8bit);
  glyph->SetSize(5, 5);
  glyph->GetCanvas()->GetPen()->SetColor(clRed);
  glyph->GetCanvas()->LineTo(5, 5);
  std::unique_ptr<TGraphicsHolder> copy(ReadHolder(WriteHolder(&holder)));
  TBitmap* readPicture = dynamic_cast<TBitmap*>(copy->GetPicture()->GetGraphic());
  ASSERT_NE(readPicture, nullptr);
  ASSERT_EQ(copy->GetPicture()->GetWidth(), 6);
  ASSERT_EQ(copy->GetPicture()->GetHeight(), 4);
  EXPECT_EQ(copy->GetGlyph()->GetPixelFormat(), pf8bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelOf(readPicture, x, y), PixelOf(picture, x, y));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelOf(copy->GetGlyph(), x, y), PixelOf(glyph, x, y));
  EXPECT_EQ(PixelOf(copy->GetGlyph(), 3, 3), clRed);
  EXPECT_EQ(PixelOf(readPicture, 3, 2), clNavy);
}

TEST_F(GraphicsPicture, TextFormCarriesTheDataAsHex)
{
  const std::string text = "object Holder: TGraphicsHolder\r\n"
                           "  Glyph.Data = {" + Hex(Le32(58) + RedPixelBmp()) + "}\r\n"
                           "  Picture.Data = {" + Hex("\x07" "TBitmap" + Le32(58) + RedPixelBmp()) + "}\r\n"
                           "end\r\n";
  const std::string binary = ToBinary(text);
  std::unique_ptr<TGraphicsHolder> holder(ReadHolder(binary));
  EXPECT_EQ(holder->GetGlyph()->GetWidth(), 1);
  EXPECT_EQ(PixelOf(holder->GetGlyph(), 0, 0), clRed);
  ASSERT_NE(dynamic_cast<TBitmap*>(holder->GetPicture()->GetGraphic()), nullptr);
  EXPECT_EQ(PixelOf(holder->GetPicture()->GetBitmap(), 0, 0), clRed);
  // Written again, the holder gives the same binary data, and its text shows it.
  holder->SetName("Holder");
  const std::string again = WriteHolder(holder.get());
  EXPECT_EQ(BinaryProperty(again, "Picture.Data"), BinaryProperty(binary, "Picture.Data"));
  EXPECT_NE(ToText(again).find("Picture.Data = {"), std::string::npos);
}

TEST_F(GraphicsPicture, UnknownGraphicClassesAreDropped)
{
  const std::string text = "object Holder: TGraphicsHolder\r\n"
                           "  Picture.Data = {" + Hex("\x08" "TNoSuchG" "\x01\x02\x03") + "}\r\n"
                           "  Color = clRed\r\n"
                           "end\r\n";
  std::unique_ptr<TGraphicsHolder> holder(ReadHolder(ToBinary(text)));
  EXPECT_EQ(holder->GetPicture()->GetGraphic(), nullptr);
  EXPECT_EQ(holder->Color, clRed);
}

TEST_F(GraphicsPicture, AccessorsMakeTheKindAskedFor)
{
  TPicture picture;
  int changes = 0;
  struct TCounter : TObject {
    int* Count;
    void Changed(TObject*) { ++*Count; }
  } counter;
  counter.Count = &changes;
  picture.OnChange = TNotifyEvent(&counter, &TCounter::Changed);
  EXPECT_EQ(picture.GetGraphic(), nullptr);
  EXPECT_EQ(picture.GetWidth(), 0);
  TBitmap* bitmap = picture.GetBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(picture.GetBitmap(), bitmap);
  bitmap->SetSize(7, 3);
  EXPECT_EQ(picture.GetWidth(), 7);
  EXPECT_EQ(picture.GetHeight(), 3);
  const int before = changes;
  bitmap->GetCanvas()->FillRect(Rect(0, 0, 2, 2));
  EXPECT_GT(changes, before);  // drawing on the graphic changes the picture
  EXPECT_NE(dynamic_cast<TIcon*>(picture.GetIcon()), nullptr);
  EXPECT_EQ(dynamic_cast<TBitmap*>(picture.GetGraphic()), nullptr);

  TPicture other;
  other.GetBitmap()->Assign(RedPixel().get());
  picture.Assign(&other);
  ASSERT_NE(picture.GetGraphic(), other.GetGraphic());
  picture.GetBitmap()->GetCanvas()->SetPixels(0, 0, clBlue);
  EXPECT_EQ(PixelOf(other.GetBitmap(), 0, 0), clRed);
  picture.Assign(nullptr);
  EXPECT_EQ(picture.GetGraphic(), nullptr);
}

AnsiString TempFile(const char* name)
{
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return AnsiString(Utf16ToUtf8(dir)) + name;
}

// A graphic class of a later library: a bitmap that counts what it loads.
class TCountingGraphic : public TBitmap {
  VCL_DECLARE_CLASS(TCountingGraphic, TBitmap)
  TCountingGraphic() = default;
  void LoadFromStream(TStream* stream) override
  {
    ++Loads;
    inherited::LoadFromStream(stream);
  }
  static int Loads;
};
int TCountingGraphic::Loads = 0;
VCL_IMPLEMENT_CLASS(TCountingGraphic)

TEST_F(GraphicsPicture, LaterRegistrationsTakeOverAnExtension)
{
  const AnsiString file = TempFile("ostrel-graphics-test.bmp");
  TPicture source;
  source.GetBitmap()->Assign(RedPixel().get());
  source.SaveToFile(file);

  TPicture picture;
  picture.LoadFromFile(file);
  EXPECT_EQ(picture.GetGraphic()->ClassType(), TBitmap::StaticClass());

  TPicture::RegisterFileFormat("bmp", "Counting bitmaps", TCountingGraphic::StaticClass());
  EXPECT_EQ(TPicture::FindGraphicClass(".BMP"), TCountingGraphic::StaticClass());
  TCountingGraphic::Loads = 0;
  picture.LoadFromFile(file);
  EXPECT_EQ(picture.GetGraphic()->ClassType(), TCountingGraphic::StaticClass());
  EXPECT_EQ(TCountingGraphic::Loads, 1);
  EXPECT_EQ(PixelOf(picture.GetBitmap(), 0, 0), clRed);
  EXPECT_EQ(GraphicExtension(TCountingGraphic::StaticClass()), "bmp");
  EXPECT_EQ(GraphicFilter(TBitmap::StaticClass()),
            "All (*.bmp;*.bmp)|*.bmp;*.bmp|Counting bitmaps (*.bmp)|*.bmp|Bitmaps (*.bmp)|*.bmp");

  TPicture::UnregisterGraphicClass(TCountingGraphic::StaticClass());
  picture.LoadFromFile(file);
  EXPECT_EQ(picture.GetGraphic()->ClassType(), TBitmap::StaticClass());
  EXPECT_EQ(TCountingGraphic::Loads, 1);
  DeleteFileW(WideString(file).c_bstr());
}

TEST_F(GraphicsPicture, NewExtensionsAndUnknownOnes)
{
  const AnsiString file = TempFile("ostrel-graphics-test.pix");
  RedPixel()->SaveToFile(file);
  TPicture picture;
  try {
    picture.LoadFromFile(file);
    ADD_FAILURE() << "an unregistered extension was loaded";
  } catch (EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, "Unknown picture file extension (.pix)");
  }
  TPicture::RegisterFileFormat(".pix", "Pix pictures", TCountingGraphic::StaticClass());
  picture.LoadFromFile(file);
  EXPECT_EQ(picture.GetGraphic()->ClassType(), TCountingGraphic::StaticClass());
  TPicture::UnregisterGraphicClass(TCountingGraphic::StaticClass());
  EXPECT_EQ(TPicture::FindGraphicClass("pix"), nullptr);
  EXPECT_THROW(picture.LoadFromFile(file), EInvalidGraphic);
  DeleteFileW(WideString(file).c_bstr());
}

TEST_F(GraphicsPicture, DialogFiltersListTheRegisteredFormats)
{
  EXPECT_EQ(GraphicFilter(TGraphic::StaticClass()), "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico");
  EXPECT_EQ(GraphicFilter(TBitmap::StaticClass()), "Bitmaps (*.bmp)|*.bmp");
  EXPECT_EQ(GraphicFileMask(TGraphic::StaticClass()), "*.bmp;*.ico");
  EXPECT_EQ(GraphicExtension(TIcon::StaticClass()), "ico");
  EXPECT_EQ(GraphicExtension(TGraphic::StaticClass()), "");
}

// A 16x16 icon: red where the mask is clear, the left half; the right half shows through.
HICON MakeIcon()
{
  auto color = NewBitmap(16, 16, pf32bit);
  color->GetCanvas()->GetBrush()->SetColor(clRed);
  color->GetCanvas()->FillRect(Rect(0, 0, 16, 16));
  color->GetCanvas()->GetBrush()->SetColor(clBlack);
  color->GetCanvas()->FillRect(Rect(8, 0, 16, 16));
  auto mask = NewBitmap(16, 16, pf1bit);
  mask->GetCanvas()->GetBrush()->SetColor(clBlack);
  mask->GetCanvas()->FillRect(Rect(0, 0, 8, 16));
  ICONINFO info{TRUE, 0, 0, mask->GetHandle(), color->GetHandle()};
  return CreateIconIndirect(&info);
}

TEST_F(GraphicsPicture, IconsSaveLoadAndDraw)
{
  TIcon icon;
  EXPECT_TRUE(icon.Empty());
  icon.SetHandle(MakeIcon());
  EXPECT_EQ(icon.GetWidth(), 16);
  EXPECT_EQ(icon.GetHeight(), 16);
  EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
  TMemoryStream stream;
  icon.SaveToStream(&stream);
  const std::string ico = Bytes(stream);
  ASSERT_GE(ico.size(), 22u + 40u);
  EXPECT_EQ(Hex(ico.substr(0, 6)), Hex(Le16(0) + Le16(1) + Le16(1)));
  EXPECT_EQ(Hex(ico.substr(6, 8)), Hex(std::string{16, 16, 0, 0} + Le16(1) + Le16(32)));
  EXPECT_EQ(ico.substr(14, 4), Le32(unsigned(ico.size()) - 22));
  EXPECT_EQ(ico.substr(18, 4), Le32(22));
  EXPECT_EQ(ico.substr(22, 12), Le32(40) + Le32(16) + Le32(32));

  TIcon loaded;
  auto in = StreamOf(ico);
  loaded.LoadFromStream(in.get());
  EXPECT_EQ(loaded.GetWidth(), 16);
  auto target = NewBitmap(16, 16, pf32bit);
  target->GetCanvas()->GetBrush()->SetColor(clLime);
  target->GetCanvas()->FillRect(Rect(0, 0, 16, 16));
  target->GetCanvas()->Draw(0, 0, &loaded);
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 8, 16), clRed), 128);
  EXPECT_EQ(CountPixels(target.get(), Rect(8, 0, 16, 16), clLime), 128);
  TMemoryStream again;
  loaded.SaveToStream(&again);
  EXPECT_EQ(Bytes(again), ico);  // the image read is the image written
}

TEST_F(GraphicsPicture, IconsTravelInPictureData)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  holder.GetPicture()->GetIcon()->SetHandle(MakeIcon());
  TMemoryStream ico;
  holder.GetPicture()->GetIcon()->SaveToStream(&ico);
  const std::string stream = WriteHolder(&holder);
  EXPECT_EQ(BinaryProperty(stream, "Picture.Data"), "\x05" "TIcon" + Bytes(ico));
  std::unique_ptr<TGraphicsHolder> copy(ReadHolder(stream));
  TIcon* icon = dynamic_cast<TIcon*>(copy->GetPicture()->GetGraphic());
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->GetWidth(), 16);
  EXPECT_NE(icon->GetHandle(), nullptr);
}

TEST_F(GraphicsPicture, MalformedIconsAreRefused)
{
  TIcon icon;
  icon.SetHandle(MakeIcon());
  TMemoryStream stream;
  icon.SaveToStream(&stream);
  const std::string good = Bytes(stream);
  auto refused = [](const std::string& ico) {
    TIcon target;
    auto in = StreamOf(ico);
    try {
      target.LoadFromStream(in.get());
    } catch (EInvalidGraphic&) {
      return true;
    }
    return false;
  };
  for (size_t n : {0u, 5u, 6u, 21u, 30u, 100u}) EXPECT_TRUE(refused(good.substr(0, n))) << n;
  EXPECT_TRUE(refused(good.substr(0, good.size() - 1)));
  std::string badType = good;
  badType.replace(2, 2, Le16(2));  // a cursor
  EXPECT_TRUE(refused(badType));
  std::string badOffset = good;
  badOffset.replace(18, 4, Le32(0x7FFFFFF0));
  EXPECT_TRUE(refused(badOffset));
  std::string badHeight = good;
  badHeight.replace(22 + 8, 4, Le32(0x7FFFFFF0));
  EXPECT_TRUE(refused(badHeight));
  EXPECT_FALSE(refused(good));
}
}  // namespace
