// Colours, cursors and character sets: constants, identifiers, text forms, and their streaming as
// named integers.
#include <gtest/gtest.h>

#include "GraphicsTestSupport.h"

namespace {
class GraphicsColors : public ::testing::Test {
protected:
  void SetUp() override { RegisterGraphicsTestClasses(); }
};

TEST_F(GraphicsColors, ConstantsHaveTheVclValues)
{
  EXPECT_EQ(int(clBtnFace), int(0x8000000F));
  EXPECT_EQ(int(clScrollBar), int(0x80000000));
  EXPECT_EQ(int(clInfoBk), int(0x80000018));
  EXPECT_EQ(int(clWindowText), int(0x80000008));
  EXPECT_EQ(int(clNone), 0x1FFFFFFF);
  EXPECT_EQ(int(clDefault), 0x20000000);
  EXPECT_EQ(int(clRed), 0x0000FF);
  EXPECT_EQ(int(clNavy), 0x800000);
  EXPECT_EQ(int(clTeal), 0x808000);
  EXPECT_EQ(int(clWhite), 0xFFFFFF);
  EXPECT_EQ(int(crHandPoint), -21);
  EXPECT_EQ(int(crSizeAll), int(crSize));
}

TEST_F(GraphicsColors, SystemColoursResolveToTheMachinesColours)
{
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(ColorToRGB(clInfoBk), GetSysColor(COLOR_INFOBK));
  EXPECT_EQ(ColorToRGB(TColor(0x123456)), COLORREF(0x123456));
  EXPECT_EQ(ColorToRGB(clNone), COLORREF(0x1FFFFFFF));
}

TEST_F(GraphicsColors, IdentifiersConvertBothWays)
{
  AnsiString ident;
  ASSERT_TRUE(ColorToIdent(clBtnFace, ident));
  EXPECT_EQ(ident, "clBtnFace");
  ASSERT_TRUE(ColorToIdent(clSilver, ident));
  EXPECT_EQ(ident, "clSilver");  // not clLtGray, the second name of the value
  EXPECT_FALSE(ColorToIdent(0x123456, ident));
  int color = 0;
  ASSERT_TRUE(IdentToColor("CLINFOBK", color));
  EXPECT_EQ(color, int(clInfoBk));
  ASSERT_TRUE(IdentToColor("clLtGray", color));
  EXPECT_EQ(color, int(clSilver));
  EXPECT_FALSE(IdentToColor("clNoSuchColour", color));
  int cursor = 0;
  ASSERT_TRUE(IdentToCursor("crHandPoint", cursor));
  EXPECT_EQ(cursor, -21);
  ASSERT_TRUE(CursorToIdent(crIBeam, ident));
  EXPECT_EQ(ident, "crIBeam");
  int charset = 0;
  ASSERT_TRUE(IdentToCharset("hebrew_charset", charset));
  EXPECT_EQ(charset, HEBREW_CHARSET);
}

TEST_F(GraphicsColors, TextFormIsTheIdentifierElseDollarHex)
{
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(clRed), "clRed");
  EXPECT_EQ(ColorToString(TColor(0x00123456)), "$00123456");
  EXPECT_EQ(ColorToString(TColor(0x02ABCDEF)), "$02ABCDEF");
  EXPECT_EQ(int(StringToColor("$00123456")), 0x123456);
  EXPECT_EQ(int(StringToColor("clbtnface")), int(clBtnFace));
  EXPECT_EQ(int(StringToColor("255")), 255);
  EXPECT_THROW(StringToColor("notacolour"), EConvertError);
}

TEST_F(GraphicsColors, NamedIntegerTypesHaveTheirOwnDescriptions)
{
  PTypeInfo color = TypeInfoFor<TColor>();
  EXPECT_EQ(color->Kind, tkInteger);
  EXPECT_EQ(color->Name, "TColor");
  EXPECT_EQ(color->OrdType, otSLong);
  EXPECT_NE(color, TypeInfoFor<int>());
  EXPECT_EQ(TypeInfoFor<TCursor>()->OrdType, otSWord);
  EXPECT_EQ(TypeInfoFor<TFontCharset>()->OrdType, otUByte);
  EXPECT_EQ(TypeInfoFor<TFontCharset>()->MaxValue, 255);
  EXPECT_NE(FindIntToIdent(color), nullptr);
  EXPECT_NE(FindIdentToInt(TypeInfoFor<TCursor>()), nullptr);
  EXPECT_EQ(FindIntToIdent(TypeInfoFor<int>()), nullptr);
  TGraphicsHolder holder(nullptr);
  EXPECT_EQ(PropType(&holder, "Color"), color);
  SetOrdProp(&holder, "Color", int(clBtnFace));
  EXPECT_EQ(holder.Color, clBtnFace);
}

TEST_F(GraphicsColors, WriterStoresAnIdentifierWhereOneExists)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  holder.Color = clBtnFace;
  holder.Cursor = crHandPoint;
  const std::string binary = WriteHolder(&holder);
  EXPECT_NE(binary.find(std::string("\x05" "Color" "\x07\x09" "clBtnFace")), std::string::npos);
  EXPECT_NE(binary.find(std::string("\x06" "Cursor" "\x07\x0B" "crHandPoint")), std::string::npos);
  const std::string text = ToText(binary);
  EXPECT_NE(text.find("Color = clBtnFace"), std::string::npos) << text;
  EXPECT_NE(text.find("Cursor = crHandPoint"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Charset = DEFAULT_CHARSET"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Color = clWindowText"), std::string::npos) << text;
}

TEST_F(GraphicsColors, WriterStoresANumberForAColourWithoutName)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  holder.Color = TColor(0x00123456);
  const std::string binary = WriteHolder(&holder);
  EXPECT_NE(binary.find(std::string("\x05" "Color" "\x04") + Le32(0x123456)), std::string::npos);
  EXPECT_NE(ToText(binary).find("Color = 1193046"), std::string::npos);
}

TEST_F(GraphicsColors, ReaderTakesIdentifiersOfTheRegisteredType)
{
  const std::string binary = ToBinary(
      "object Holder: TGraphicsHolder\r\n"
      "  Color = clBtnFace\r\n"
      "  Cursor = crHandPoint\r\n"
      "  Font.Charset = HEBREW_CHARSET\r\n"
      "  Font.Color = clRed\r\n"
      "end\r\n");
  // The identifier travels as vaIdent in the binary form.
  EXPECT_NE(binary.find(std::string("\x05" "Color" "\x07\x09" "clBtnFace")), std::string::npos);
  std::unique_ptr<TGraphicsHolder> holder(ReadHolder(binary));
  EXPECT_EQ(int(holder->Color), int(0x8000000F));
  EXPECT_EQ(int(holder->Cursor), -21);
  EXPECT_EQ(int(holder->GetFont()->GetCharset()), HEBREW_CHARSET);
  EXPECT_EQ(holder->GetFont()->GetColor(), clRed);
}

TEST_F(GraphicsColors, ReaderTakesNumbersAndRefusesUnknownIdentifiers)
{
  std::unique_ptr<TGraphicsHolder> holder(ReadHolder(ToBinary("object Holder: TGraphicsHolder\r\n  Color = 255\r\nend\r\n")));
  EXPECT_EQ(holder->Color, clRed);
  EXPECT_THROW(ReadHolder(ToBinary("object Holder: TGraphicsHolder\r\n  Color = clNoSuch\r\nend\r\n")), EReadError);
  // An identifier of another type is not a colour.
  EXPECT_THROW(ReadHolder(ToBinary("object Holder: TGraphicsHolder\r\n  Color = crHandPoint\r\nend\r\n")), EReadError);
}

TEST_F(GraphicsColors, WriteReadCycleKeepsEveryNamedValue)
{
  TGraphicsHolder holder(nullptr);
  holder.SetName("Holder");
  holder.Color = clInfoBk;
  holder.Cursor = crHourGlass;
  holder.GetFont()->SetCharset(TFontCharset(HEBREW_CHARSET));
  holder.GetFont()->SetColor(TColor(0x010203));
  holder.GetFont()->SetStyle(TFontStyles() << fsBold << fsUnderline);
  holder.GetFont()->SetName("Courier New");
  holder.GetFont()->SetHeight(-20);
  std::unique_ptr<TGraphicsHolder> copy(ReadHolder(WriteHolder(&holder)));
  EXPECT_EQ(copy->Color, clInfoBk);
  EXPECT_EQ(copy->Cursor, crHourGlass);
  EXPECT_EQ(int(copy->GetFont()->GetCharset()), HEBREW_CHARSET);
  EXPECT_EQ(int(copy->GetFont()->GetColor()), 0x010203);
  EXPECT_TRUE(copy->GetFont()->GetStyle() == (TFontStyles() << fsBold << fsUnderline));
  EXPECT_EQ(copy->GetFont()->GetName(), "Courier New");
  EXPECT_EQ(copy->GetFont()->GetHeight(), -20);
}
}  // namespace
