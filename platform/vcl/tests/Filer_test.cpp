// Component streaming: the binary format byte by byte, round trips of whole trees, the text form,
// stored forms in resources, and malformed streams.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <random>
#include "ClassesFixtures.h"

namespace {
class FilerTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }
};

template <class F>
std::string Written(F write)
{
  TMemoryStream m;
  TWriter w(&m);
  write(w);
  return Bytes(m);
}

std::string ToText(const std::string& binary)
{
  TMemoryStream in, out;
  in.WriteBuffer(binary.data(), int(binary.size()));
  in.SetPosition(0);
  ObjectBinaryToText(&in, &out);
  return Bytes(out);
}

std::string ToBinary(const std::string& text)
{
  TMemoryStream in, out;
  in.WriteBuffer(text.data(), int(text.size()));
  in.SetPosition(0);
  ObjectTextToBinary(&in, &out);
  return Bytes(out);
}

std::string Stream(TComponent* root)
{
  TMemoryStream m;
  m.WriteComponent(root);
  return Bytes(m);
}

TComponent* Load(const std::string& binary, TComponent* root = nullptr)
{
  TMemoryStream m;
  m.WriteBuffer(binary.data(), int(binary.size()));
  m.SetPosition(0);
  return m.ReadComponent(root);
}

// A tree with nested owned components and every kind of property set away from its default.
TTestRoot* BuildTree()
{
  auto* root = new TTestRoot(nullptr);
  root->SetName("Form1");
  root->Caption = 42;
  auto* a = new TTestComponent(root);
  a->SetName("Alpha");
  a->IntValue = 300;
  a->NoDefault = 0;
  a->Color = tcBlue;
  a->Flag = true;
  a->Letter = 'q';
  a->Colors << tcRed << tcBlack;
  a->Ratio = 0.1;
  a->Single = 1.5f;
  a->Money = Currency::FromScaled(-123456789);
  a->When = TDateTime(45000.25);
  a->Big = int64_t(1) << 40;
  a->Text = "שלום, it's \"fine\"\r\nnext line";
  a->Wide = WideString(L"wide \u05D0\u05D1 text");
  a->Hidden = 4;
  a->Blob = std::string("\x00\x01\xFE\xFF binary", 11);
  a->SetTag(-5);
  a->SetDesignInfo(long((20 << 16) | 10));
  a->GetSub()->SetSize(12);
  TTestColors style;
  style << tcGreen;
  a->GetSub()->SetStyle(style);
  auto* item = static_cast<TTestItem*>(a->GetItems()->Add());
  item->SetCaption("first");
  item->SetValue(7);
  static_cast<TTestItem*>(a->GetItems()->Add())->SetCaption("second");
  a->GetLines()->Add("line 1");
  a->GetLines()->Add("עברית");
  a->OnClick = TNotifyEvent(root, &TTestRoot::HandleClick);
  auto* box = new TTestContainer(root);
  box->SetName("Box");
  box->IntValue = 70000;
  box->OnValue = TTestValueEvent(root, &TTestRoot::HandleValue);
  auto* inner = new TTestComponent(box);
  inner->SetName("Inner");
  inner->IntValue = -1;
  inner->Link = a;
  a->Link = inner;  // a reference to a component owned by another component
  box->Link = root;
  return root;
}
}  // namespace

// ---------------------------------------------------------------------------------------------------
TEST_F(FilerTest, IntegersTakeTheShortestForm)
{
  EXPECT_EQ("03 2C 01", Hex(Written([](TWriter& w) { w.WriteInteger(300); })));
  EXPECT_EQ("04 70 11 01 00", Hex(Written([](TWriter& w) { w.WriteInteger(70000); })));
  EXPECT_EQ("02 7F", Hex(Written([](TWriter& w) { w.WriteInteger(127); })));
  EXPECT_EQ("02 80", Hex(Written([](TWriter& w) { w.WriteInteger(-128); })));
  EXPECT_EQ("03 80 00", Hex(Written([](TWriter& w) { w.WriteInteger(128); })));
  EXPECT_EQ("03 00 80", Hex(Written([](TWriter& w) { w.WriteInteger(-32768); })));
  EXPECT_EQ("04 FF 7F FF FF", Hex(Written([](TWriter& w) { w.WriteInteger(-32769); })));
  EXPECT_EQ("02 05", Hex(Written([](TWriter& w) { w.WriteInteger(int64_t(5)); })));
  EXPECT_EQ("04 FF FF FF 7F", Hex(Written([](TWriter& w) { w.WriteInteger(int64_t(INT32_MAX)); })));
  EXPECT_EQ("13 00 00 00 80 00 00 00 00", Hex(Written([](TWriter& w) { w.WriteInteger(int64_t(1) << 31); })));
  EXPECT_EQ("13 FF FF FF 7F FF FF FF FF", Hex(Written([](TWriter& w) { w.WriteInteger(int64_t(INT32_MIN) - 1); })));
}

TEST_F(FilerTest, StringsIdentifiersAndOtherValueForms)
{
  EXPECT_EQ("06 03 61 62 63", Hex(Written([](TWriter& w) { w.WriteString("abc"); })));
  std::string longText = Written([](TWriter& w) { w.WriteString(AnsiString::StringOfChar('x', 300)); });
  EXPECT_EQ("0C 2C 01 00 00 78", Hex(longText.substr(0, 6)));
  EXPECT_EQ(305u, longText.size());
  EXPECT_EQ("06 04 D7 90 D7 91", Hex(Written([](TWriter& w) { w.WriteString("אב"); })));  // UTF-8 bytes
  EXPECT_EQ("12 02 00 00 00 D0 05 41 00", Hex(Written([](TWriter& w) { w.WriteWideString(WideString(L"\u05D0A")); })));
  EXPECT_EQ("07 03 46 6F 6F", Hex(Written([](TWriter& w) { w.WriteIdent("Foo"); })));
  EXPECT_EQ("09 08 0D 00", Hex(Written([](TWriter& w) {
              w.WriteIdent("true");
              w.WriteIdent("FALSE");
              w.WriteIdent("nil");
              w.WriteIdent("Null");
            })));
  EXPECT_EQ("0F 00 00 C0 3F", Hex(Written([](TWriter& w) { w.WriteSingle(1.5f); })));
  EXPECT_EQ("10 15 CD 5B 07 00 00 00 00", Hex(Written([](TWriter& w) { w.WriteCurrency(Currency::FromScaled(123456789)); })));
  EXPECT_EQ("11 00 00 00 00 00 00 F0 3F", Hex(Written([](TWriter& w) { w.WriteDate(TDateTime(1.0)); })));
  EXPECT_EQ("05 00 00 00 00 00 00 00 80 FF 3F", Hex(Written([](TWriter& w) { w.WriteFloat(1.0L); })));
  EXPECT_EQ("05 00 00 00 00 00 00 00 A0 00 C0", Hex(Written([](TWriter& w) { w.WriteFloat(-2.5L); })));
  EXPECT_EQ("01 00", Hex(Written([](TWriter& w) {
              w.WriteListBegin();
              w.WriteListEnd();
            })));
  EXPECT_EQ("F3 02 05", Hex(Written([](TWriter& w) {
              TFilerFlags f;
              f << ffInherited << ffChildPos;
              w.WritePrefix(f, 5);
            })));
}

TEST_F(FilerTest, ExtendedConversionMatchesTheX87Layout)
{
  // The x87 itself is the reference: long double on i686 is the 80-bit format.
  const double values[] = {0.0,   -0.0,      1.0,         0.1,     -123456.789, 1e300,     -1e-300,
                           5e-324, 2.2e-308, DBL_MAX,     DBL_MIN, HUGE_VAL,    -HUGE_VAL, 3.141592653589793};
  for (double v : values) {
    unsigned char mine[10], x87[16] = {};
    DoubleToExtended(v, mine);
    long double ld = v;
    std::memcpy(x87, &ld, 10);
    EXPECT_EQ(0, std::memcmp(mine, x87, 10)) << v;
    double back = ExtendedToDouble(mine);
    EXPECT_EQ(0, std::memcmp(&back, &v, sizeof v)) << v;
  }
  unsigned char nanBytes[10];
  DoubleToExtended(std::nan(""), nanBytes);
  EXPECT_TRUE(std::isnan(ExtendedToDouble(nanBytes)));
  // Values beyond the double range become infinities or zero instead of garbage.
  unsigned char big[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
  EXPECT_EQ(HUGE_VAL, ExtendedToDouble(big));
  unsigned char tiny[10] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0.0, ExtendedToDouble(tiny));
}

TEST_F(FilerTest, ASimpleComponentStreamByteForByte)
{
  TTestRoot root(nullptr);
  root.SetName("Root");
  root.SetTag(300);
  std::string expected = std::string("TPF0") + "\x09" "TTestRoot" "\x04" "Root" "\x03" "Tag" "\x03\x2C\x01" +
                         std::string(2, '\0');
  EXPECT_EQ(Hex(expected), Hex(Stream(&root)));
}

TEST_F(FilerTest, WholeTreeRoundTripsWithEveryValueAndHandler)
{
  int before = TLiveCount::Components;
  std::unique_ptr<TTestRoot> original(BuildTree());
  std::string binary = Stream(original.get());
  std::unique_ptr<TComponent> readBack(Load(binary));
  auto* root = dynamic_cast<TTestRoot*>(readBack.get());
  ASSERT_NE(nullptr, root);
  EXPECT_NE(original.get(), root);
  EXPECT_EQ(AnsiString("Form1"), root->GetName());
  EXPECT_EQ(42, root->Caption);
  EXPECT_EQ(1, root->LoadedCalls);
  EXPECT_FALSE(root->HasState(csLoading));
  auto* a = dynamic_cast<TTestComponent*>(root->FindComponent("Alpha"));
  auto* box = dynamic_cast<TTestContainer*>(root->FindComponent("Box"));
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, box);
  auto* inner = dynamic_cast<TTestComponent*>(box->FindComponent("Inner"));
  ASSERT_NE(nullptr, inner);
  EXPECT_EQ(box, inner->Owner());
  auto* orig = dynamic_cast<TTestComponent*>(original->FindComponent("Alpha"));

  EXPECT_EQ(300, a->IntValue);
  EXPECT_EQ(0, a->NoDefault);
  EXPECT_EQ(tcBlue, a->Color);
  EXPECT_TRUE(a->Flag);
  EXPECT_EQ('q', a->Letter);
  EXPECT_TRUE(a->Colors == orig->Colors);
  EXPECT_EQ(0.1, a->Ratio);
  EXPECT_EQ(1.5f, a->Single);
  EXPECT_EQ(-123456789, a->Money.Val);
  EXPECT_EQ(45000.25, a->When.Val);
  EXPECT_EQ(int64_t(1) << 40, a->Big);
  EXPECT_EQ(orig->Text, a->Text);
  EXPECT_EQ(orig->Wide, a->Wide);
  EXPECT_EQ(4, a->Hidden);
  EXPECT_EQ(orig->Blob, a->Blob);
  EXPECT_EQ(-5, a->GetTag());
  EXPECT_EQ(orig->GetDesignInfo(), a->GetDesignInfo());
  EXPECT_EQ(12, a->GetSub()->GetSize());
  EXPECT_TRUE(a->GetSub()->GetStyle() == orig->GetSub()->GetStyle());
  ASSERT_EQ(2, a->GetItems()->Count());
  EXPECT_EQ(AnsiString("first"), static_cast<TTestItem*>(a->GetItems()->Items(0))->GetCaption());
  EXPECT_EQ(7, static_cast<TTestItem*>(a->GetItems()->Items(0))->GetValue());
  EXPECT_EQ(AnsiString("second"), static_cast<TTestItem*>(a->GetItems()->Items(1))->GetCaption());
  EXPECT_TRUE(a->GetLines()->Equals(orig->GetLines()));
  EXPECT_EQ(70000, box->IntValue);
  EXPECT_EQ(-1, inner->IntValue);
  // References resolved after reading, within the new tree.
  EXPECT_EQ(inner, a->Link);
  EXPECT_EQ(a, inner->Link);
  EXPECT_EQ(root, box->Link);
  // Handlers bound by name to the new root.
  ASSERT_TRUE(a->OnClick);
  a->OnClick(a);
  ASSERT_TRUE(box->OnValue);
  box->OnValue(box, 9);
  EXPECT_EQ(std::vector<std::string>({"click:Alpha", "value:Box=9"}), root->Calls);
  EXPECT_TRUE(original->Calls.empty());
  EXPECT_FALSE(inner->OnClick);
  // Loaded once each, after the whole tree was read.
  EXPECT_EQ(1, a->LoadedCalls);
  EXPECT_EQ(1, box->LoadedCalls);
  EXPECT_EQ(1, inner->LoadedCalls);
  // Writing the copy gives the very same bytes.
  EXPECT_EQ(Hex(binary), Hex(Stream(root)));
  readBack.reset();
  original.reset();
  EXPECT_EQ(before, TLiveCount::Components);
}

TEST_F(FilerTest, DefaultsAreNotWrittenAndStoredFalseIsHonoured)
{
  TTestRoot root(nullptr);
  root.SetName("R");
  auto* c = new TTestComponent(&root);
  c->SetName("C");
  std::string text = ToText(Stream(&root));
  EXPECT_EQ("object R: TTestRoot\r\n"
            "  object C: TTestComponent\r\n"
            "    NoDefault = 0\r\n"
            "    Items = <>\r\n"
            "  end\r\n"
            "end\r\n",
            text);
  c->Hidden = -3;  // stored only when positive
  EXPECT_EQ(text, ToText(Stream(&root)));
}

TEST_F(FilerTest, ValuesThatTheVclWouldLoseAreKept)
{
  TTestRoot root(nullptr);
  root.SetName("R");
  auto* c = new TTestComponent(&root);
  c->SetName("C");
  // The lowest integer is the "no default" marker; a property without a default still keeps it.
  c->NoDefault = INT32_MIN;
  // Amounts beyond a double's 53 bits survive exactly.
  c->Money = Currency::FromScaled((int64_t(1) << 60) + 1);
  // A handler the root does not publish cannot be bound by name again: it is left out instead of
  // being written as a name that no reader could resolve.
  c->OnClick = TNotifyEvent(&root, &TTestRoot::Unpublished);
  std::string binary = Stream(&root);
  EXPECT_EQ(std::string::npos, ToText(binary).find("OnClick"));
  std::unique_ptr<TComponent> copy(Load(binary));
  auto* c2 = dynamic_cast<TTestComponent*>(copy->FindComponent("C"));
  ASSERT_NE(nullptr, c2);
  EXPECT_EQ(INT32_MIN, c2->NoDefault);
  EXPECT_EQ((int64_t(1) << 60) + 1, c2->Money.Val);
  EXPECT_FALSE(c2->OnClick);
  // Names longer than a short string cannot be stored and are refused rather than cut.
  TMemoryStream m;
  TWriter w(&m);
  EXPECT_THROW(w.WriteIdent(AnsiString::StringOfChar('x', 256)), EWriteError);
}

TEST_F(FilerTest, IgnoringChildrenOnBothSides)
{
  std::unique_ptr<TTestRoot> tree(BuildTree());
  TMemoryStream m;
  {
    TWriter w(&m);
    w.SetIgnoreChildren(true);
    w.WriteRootComponent(tree.get());
  }
  EXPECT_EQ("object Form1: TTestRoot\r\n  Caption = 42\r\nend\r\n", ToText(Bytes(m)));
  std::string full = Stream(tree.get());
  TMemoryStream in;
  in.WriteBuffer(full.data(), int(full.size()));
  in.SetPosition(0);
  TReader r(&in);
  r.SetIgnoreChildren(true);
  std::unique_ptr<TComponent> root(r.ReadRootComponent(nullptr));
  EXPECT_EQ(42, dynamic_cast<TTestRoot*>(root.get())->Caption);
  EXPECT_EQ(0, root->ComponentCount());
  EXPECT_EQ(in.GetSize(), in.GetPosition());  // the children were passed over, not left unread
}

TEST_F(FilerTest, ReadingIntoAnExistingRootAndDescendentStreams)
{
  std::unique_ptr<TTestRoot> original(BuildTree());
  std::string binary = Stream(original.get());
  TTestRoot target(nullptr);
  Load(binary, &target);
  EXPECT_EQ(AnsiString("Form1"), target.GetName());
  EXPECT_EQ(2, target.ComponentCount());
  EXPECT_EQ(1, target.LoadedCalls);
  // Against an ancestor only the differences are written, children marked inherited.
  std::unique_ptr<TTestRoot> ancestor(BuildTree());
  auto* alpha = dynamic_cast<TTestComponent*>(original->FindComponent("Alpha"));
  alpha->IntValue = 301;
  TMemoryStream m;
  m.WriteDescendent(original.get(), ancestor.get());
  std::string text = ToText(Bytes(m));
  EXPECT_EQ("inherited Form1: TTestRoot\r\n"
            "  inherited Alpha: TTestComponent\r\n"
            "    IntValue = 301\r\n"
            "  end\r\n"
            "  inherited Box: TTestContainer\r\n"
            "    inherited Inner: TTestComponent\r\n"
            "    end\r\n"
            "  end\r\n"
            "end\r\n",
            text);
  // Reading the descendent stream over a copy of the ancestor applies the differences.
  std::unique_ptr<TTestRoot> copy(BuildTree());
  m.SetPosition(0);
  m.ReadComponent(copy.get());
  EXPECT_EQ(301, dynamic_cast<TTestComponent*>(copy->FindComponent("Alpha"))->IntValue);
}

TEST_F(FilerTest, TextFormOfAWholeTree)
{
  std::unique_ptr<TTestRoot> original(BuildTree());
  std::string text = ToText(Stream(original.get()));
  const char* expected =
      "object Form1: TTestRoot\r\n"
      "  Caption = 42\r\n"
      "  object Alpha: TTestComponent\r\n"
      "    Tag = -5\r\n"
      "    IntValue = 300\r\n"
      "    NoDefault = 0\r\n"
      "    Color = tcBlue\r\n"
      "    Flag = True\r\n"
      "    Letter = 'q'\r\n"
      "    Colors = [tcRed, tcBlack]\r\n"
      "    Ratio = 0.10000000000000000555\r\n"  // a double widened to extended, every bit kept
      "    Single = 1.500000000000000000s\r\n"
      "    Money = -123456789c\r\n"
      "    When = 45000.250000000000000000d\r\n"
      "    Big = 1099511627776\r\n"
      "    Text = #1513#1500#1493#1501', it'#39's \"fine\"'#13#10'next line'\r\n"
      "    Wide = 'wide '#1488#1489' text'\r\n"
      "    Link = Box.Inner\r\n"
      "    Hidden = 4\r\n"
      "    Sub.Size = 12\r\n"
      "    Sub.Style = [tcGreen]\r\n"
      "    Items = <\r\n"
      "      item\r\n"
      "        Caption = 'first'\r\n"
      "        Value = 7\r\n"
      "      end\r\n"
      "      item\r\n"
      "        Caption = 'second'\r\n"
      "      end>\r\n"
      "    Lines.Strings = (\r\n"
      "      'line 1'\r\n"
      "      #1506#1489#1512#1497#1514)\r\n"
      "    OnClick = HandleClick\r\n"
      "    Left = 10\r\n"
      "    Top = 20\r\n"
      "    Blob = {\r\n"
      "      0001FEFF2062696E617279}\r\n"
      "  end\r\n"
      "  object Box: TTestContainer\r\n"
      "    IntValue = 70000\r\n"
      "    NoDefault = 0\r\n"
      "    Link = Owner\r\n"
      "    Items = <>\r\n"
      "    OnValue = HandleValue\r\n"
      "    object Inner: TTestComponent\r\n"
      "      IntValue = -1\r\n"
      "      NoDefault = 0\r\n"
      "      Link = Alpha\r\n"
      "      Items = <>\r\n"
      "    end\r\n"
      "  end\r\n"
      "end\r\n";
  EXPECT_EQ(expected, text);
  // Text -> binary -> text is stable, and the binary reads back into an equal tree.
  std::string binary = ToBinary(text);
  EXPECT_EQ(text, ToText(binary));
  std::unique_ptr<TComponent> copy(Load(binary));
  auto* a = dynamic_cast<TTestComponent*>(copy->FindComponent("Alpha"));
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(AnsiString("שלום, it's \"fine\"\r\nnext line"), a->Text);
  EXPECT_EQ(0.1, a->Ratio);
  EXPECT_EQ(std::string("\x00\x01\xFE\xFF binary", 11), a->Blob);
}

TEST_F(FilerTest, TextSyntaxVariants)
{
  std::string text =
      "object R: TTestRoot\n"
      "  inline C: TTestComponent [3]\n"
      "    IntValue = $FF\n"
      "    Text = 'a very long text that goes on and on and on and on and on and on and on, ' +\n"
      "      'continued'#$41\n"
      "    Wide = 'plain'\n"
      "    Ratio = -1.5E3\n"
      "    Big = -9223372036854775807\n"
      "    Colors = []\n"
      "    Lines.Strings = ()\n"
      "    Blob = {}\n"
      "    Items = <\n"
      "      item [2]\n"
      "        Caption = 'x'\n"
      "      end>\n"
      "  end\n"
      "end\n";
  std::string canonical = ToText(ToBinary(text));
  EXPECT_EQ("object R: TTestRoot\r\n"
            "  inline C: TTestComponent [3]\r\n"
            "    IntValue = 255\r\n"
            "    Text = \r\n"
            "      'a very long text that goes on and on and on and on and on and on' +\r\n"
            "      ' and on, continuedA'\r\n"
            "    Wide = 'plain'\r\n"
            "    Ratio = -1500.000000000000000000\r\n"
            "    Big = -9223372036854775807\r\n"
            "    Colors = []\r\n"
            "    Lines.Strings = ()\r\n"
            "    Blob = {}\r\n"
            "    Items = <\r\n"
            "      item [2]\r\n"
            "        Caption = 'x'\r\n"
            "      end>\r\n"
            "  end\r\n"
            "end\r\n",
            canonical);
  EXPECT_EQ(canonical, ToText(ToBinary(canonical)));
  // The Int64 minimum, as the binary-to-text conversion writes it, reads back: vaInt64 (19), then its
  // eight bytes. Without the minus sign the same digits are too large.
  const std::string minimum = ToBinary("object R: TTestRoot\n  Big = -9223372036854775808\nend\n");
  EXPECT_NE(std::string::npos, minimum.find(std::string("\x03" "Big" "\x13" "\0\0\0\0\0\0\0\x80", 13)));
  EXPECT_NE(std::string::npos, ToText(minimum).find("Big = -9223372036854775808\r\n"));
  EXPECT_ANY_THROW(ToBinary("object R: TTestRoot\n  Big = 9223372036854775808\nend\n"));
  EXPECT_ANY_THROW(ToBinary("object R: TTestRoot\n  Big = -9223372036854775809\nend\n"));
  // Hexadecimal numbers of up to eight digits are 32-bit patterns.
  std::string hex = ToText(ToBinary("object R: TTestRoot\n  A = $FFFFFFFF\n  B = $100000000\nend\n"));
  EXPECT_NE(std::string::npos, hex.find("A = -1\r\n"));
  EXPECT_NE(std::string::npos, hex.find("B = 4294967296\r\n"));
  // Plain ASCII stays a short string; other text becomes a wide string.
  std::string bin = ToBinary("object R: TTestRoot\n  A = 'abc'\n  B = 'אב'\n  C = #200\nend\n");
  EXPECT_NE(std::string::npos, bin.find(std::string("\x01" "A" "\x06\x03" "abc", 7)));
  EXPECT_NE(std::string::npos, bin.find(std::string("\x01" "B" "\x12\x02\x00\x00\x00\xD0\x05\xD1\x05", 11)));
  EXPECT_NE(std::string::npos, bin.find(std::string("\x01" "C" "\x12\x01\x00\x00\x00\xC8\x00", 9)));
}

// The ten bytes of the vaExtended value that the text form gives for one property "X = text".
std::string ExtendedBytesOf(const std::string& number)
{
  const std::string binary = ToBinary("object R: TTestRoot\n  X = " + number + "\nend\n");
  const size_t at = binary.find(std::string("\x01" "X" "\x05", 3));
  if (at == std::string::npos) return "no extended value in " + Hex(binary);
  return Hex(binary.substr(at + 3, 10));
}

TEST_F(FilerTest, ExtendedTextIsReadAndWrittenInFullPrecision)
{
  // Mantissa (little-endian, eight bytes) then sign and exponent: read in extended precision, 0.1 is
  // CCCCCCCCCCCCCCCD, not a double's CCCCCCCCCCCCD000 widened.
  EXPECT_EQ("CD CC CC CC CC CC CC CC FB 3F", ExtendedBytesOf("0.1"));
  EXPECT_EQ("AB AA AA AA AA AA AA AA FD 3F", ExtendedBytesOf("0.333333333333333333333"));
  EXPECT_EQ("3B DF 4F 8D 97 6E 12 83 F5 3F", ExtendedBytesOf("0.001"));
  EXPECT_EQ("00 00 00 00 00 00 00 80 FF 3F", ExtendedBytesOf("1.0"));
  EXPECT_EQ("00 00 00 00 00 00 00 C0 00 C0", ExtendedBytesOf("-3.0"));
  // Beyond the double range the values stay finite (exponents 16383 + 1328 and 16383 - 1329).
  EXPECT_EQ("E6 F9 9F CB C8 3F 76 DA 2F 45", ExtendedBytesOf("1E400"));
  EXPECT_EQ("FA FA 1E C9 07 7E FE 95 CE 3A", ExtendedBytesOf("1E-400"));
  EXPECT_EQ("00 00 00 00 00 00 00 80 FF 7F", ExtendedBytesOf("1E5000"));  // beyond extended: infinity

  // Text -> binary -> text -> binary is exact, and the text of a value read from text is that text.
  const char* values[] = {"0.1", "1E300", "1.5E-10", "0.001", "0.333333333333333333", "1E400", "1E-400",
                          "-1.18973149535723176E4932", "3.64519953188247460E-4951", "123456789012345678",
                          "2.71828182845904524", "0.5"};
  for (const char* value : values) {
    SCOPED_TRACE(value);
    const std::string first = ToBinary(std::string("object R: TTestRoot\n  X = ") + value + "\nend\n");
    const std::string text = ToText(first);
    EXPECT_EQ(first, ToBinary(text));
  }
  EXPECT_NE(std::string::npos, ToText(ToBinary("object R: TTestRoot\n  X = 1E400\nend\n")).find("X = 1.0E400\r\n"));
  EXPECT_NE(std::string::npos, ToText(ToBinary("object R: TTestRoot\n  X = -1E-400\nend\n")).find("X = -1.0E-400\r\n"));
  EXPECT_NE(std::string::npos, ToText(ToBinary("object R: TTestRoot\n  X = 0.1\nend\n")).find("X = 0.100000000000000000\r\n"));

  // Binary -> text -> binary keeps every bit of arbitrary extended values, doubles widened included.
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    long double value = 0;
    const uint64_t mantissa = rng() | (uint64_t(1) << 63);
    const uint16_t exponent = uint16_t(1 + rng() % 0x7FFE) | uint16_t(i % 2 ? 0x8000 : 0);
    std::memcpy(&value, &mantissa, 8);
    std::memcpy(reinterpret_cast<char*>(&value) + 8, &exponent, 2);
    if (i % 3 == 0) value = static_cast<long double>(static_cast<double>(rng()) / 3.0);
    const std::string binary = Written([&](TWriter& w) {
      w.WriteSignature();
      w.WriteStr("TTestRoot");
      w.WriteStr("R");
      w.WriteStr("X");
      w.WriteFloat(value);
      w.WriteListEnd();
      w.WriteListEnd();
    });
    ASSERT_EQ(binary, ToBinary(ToText(binary))) << ToText(binary);
  }
  // Currency in the text form is the scaled 64-bit value, over its whole range.
  for (const char* scaled : {"-9223372036854775808c", "9223372036854775807c", "1c"}) {
    const std::string text = std::string("object R: TTestRoot\n  M = ") + scaled + "\nend\n";
    EXPECT_NE(std::string::npos, ToText(ToBinary(text)).find(std::string("M = ") + scaled + "\r\n")) << scaled;
  }
  EXPECT_ANY_THROW(ToBinary("object R: TTestRoot\n  M = 9223372036854775808c\nend\n"));
}

TEST_F(FilerTest, MalformedTextRaisesParserErrorsWithTheLine)
{
  const char* bad[] = {
      "thing R: TTestRoot\nend\n",
      "object R: TTestRoot\n  A = \nend\n",
      "object R: TTestRoot\n  A = 'unterminated\nend\n",
      "object R: TTestRoot\n  A = {0G}\nend\n",
      "object R: TTestRoot\n  A = {012}\nend\n",
      "object R: TTestRoot\n  A = [a b]\nend\n",
      "object R: TTestRoot\n  A = 99999999999999999999\nend\n",
      "object R: TTestRoot\n  A = #70000\nend\n",
      "object R: TTestRoot\n  A = 1\n",
      "object R: TTestRoot\n  A = <item B = 1>\nend\n",
  };
  for (const char* text : bad) EXPECT_THROW(ToBinary(text), EParserError) << text;
  try {
    ToBinary("object R: TTestRoot\n  A = 1\n  B = ?\nend\n");
    FAIL() << "accepted '?'";
  } catch (EParserError& e) {
    EXPECT_NE(0, e.Message.Pos("on line 3")) << e.Message.c_str();
  }
  // Nesting beyond any real form is refused instead of exhausting the stack.
  std::string deep = "object R: TTestRoot\n  A = ";
  for (int i = 0; i < 5000; ++i) deep += "(";
  EXPECT_THROW(ToBinary(deep), EParserError);
}

TEST_F(FilerTest, ReaderErrorsUnknownPropertiesAndMethods)
{
  std::string bin = ToBinary("object R: TTestRoot\n  object C: TTestComponent\n    Bogus = 5\n    IntValue = 3\n  end\nend\n");
  try {
    delete Load(bin);
    FAIL() << "unknown property accepted";
  } catch (EReadError& e) {
    EXPECT_EQ(AnsiString("Property Bogus does not exist"), e.Message);
  }
  // OnError may skip what it handles; the rest is read.
  TMemoryStream m;
  m.WriteBuffer(bin.data(), int(bin.size()));
  m.SetPosition(0);
  std::vector<std::string> errors;
  TReader reader(&m);
  reader.OnError = [&](TReader*, const AnsiString& msg, bool& handled) {
    errors.push_back(msg.str());
    handled = true;
  };
  std::unique_ptr<TComponent> root(reader.ReadRootComponent(nullptr));
  EXPECT_EQ(std::vector<std::string>({"Property Bogus does not exist"}), errors);
  EXPECT_EQ(3, dynamic_cast<TTestComponent*>(root->FindComponent("C"))->IntValue);

  std::string unknownHandler = ToBinary("object R: TTestRoot\n  object C: TTestComponent\n    OnClick = Nowhere\n  end\nend\n");
  try {
    delete Load(unknownHandler);
    FAIL() << "unknown handler accepted";
  } catch (EMethodNotFound& e) {
    EXPECT_EQ(AnsiString("Method 'Nowhere' not found"), e.Message);
  }
  // OnFindMethod may supply the handler.
  TMemoryStream m2;
  m2.WriteBuffer(unknownHandler.data(), int(unknownHandler.size()));
  m2.SetPosition(0);
  TReader reader2(&m2);
  TTestRoot dummy(nullptr);
  reader2.OnFindMethod = [&](TReader*, const AnsiString& name, void*& address, bool& error) {
    EXPECT_EQ(AnsiString("Nowhere"), name);
    address = TNotifyEvent(&dummy, &TTestRoot::OtherClick).GetMethod().Code;
    error = false;
  };
  std::unique_ptr<TComponent> root2(reader2.ReadRootComponent(nullptr));
  auto* c = dynamic_cast<TTestComponent*>(root2->FindComponent("C"));
  ASSERT_TRUE(c->OnClick);
  c->OnClick(c);
  EXPECT_EQ(std::vector<std::string>({"other"}), dynamic_cast<TTestRoot*>(root2.get())->Calls);

  // A handler of the wrong shape is refused; an unknown class, a bad enum value and a bad name too.
  EXPECT_THROW(delete Load(ToBinary("object R: TTestRoot\n  object C: TTestComponent\n    OnClick = WrongShape\n  end\nend\n")),
               EReadError);
  EXPECT_THROW(delete Load(ToBinary("object R: TNoSuchClass\nend\n")), EClassNotFound);
  RegisterClass(TStringList::StaticClass());
  EXPECT_THROW(delete Load(ToBinary("object R: TStringList\nend\n")), EReadError);
  EXPECT_THROW(delete Load(ToBinary("object R: TTestRoot\n  object C: TTestComponent\n    Color = tcPink\n  end\nend\n")),
               EReadError);
  EXPECT_THROW(delete Load(ToBinary("object R: TTestRoot\n  object C: TTestComponent\n  end\n  object c: TTestComponent\n  end\nend\n")),
               EReadError);
  EXPECT_THROW(delete Load(ToBinary("object R: TTestRoot\n  inherited C: TTestComponent\n  end\nend\n")), EReadError);
}

TEST_F(FilerTest, StoredFormsFromResourcesAndInheritedForms)
{
  TTestRoot form(nullptr);
  ASSERT_TRUE(ReadComponentRes("TTestRoot", &form));
  EXPECT_EQ(5, form.Caption);
  auto* base = dynamic_cast<TTestComponent*>(form.FindComponent("Base"));
  ASSERT_NE(nullptr, base);
  EXPECT_EQ(1, base->IntValue);
  EXPECT_TRUE(base->OnClick);
  EXPECT_FALSE(ReadComponentRes("TNoSuchForm", &form));

  TTestDerivedRoot derived(nullptr);
  ASSERT_TRUE(InitInheritedComponent(&derived, TComponent::StaticClass()));
  EXPECT_EQ(7, derived.Caption);
  auto* dbase = dynamic_cast<TTestComponent*>(derived.FindComponent("Base"));
  ASSERT_NE(nullptr, dbase);
  EXPECT_EQ(1, dbase->IntValue);  // from the ancestor's form
  EXPECT_EQ(AnsiString("derived"), dbase->Text);
  ASSERT_NE(nullptr, derived.FindComponent("Extra"));
  EXPECT_EQ(2, derived.ComponentCount());
  // Both stored forms are read before anything is told that loading ended, and it is told once.
  EXPECT_EQ(1, derived.LoadedCalls);
  EXPECT_EQ(1, dbase->LoadedCalls);
  EXPECT_FALSE(dbase->HasState(csLoading));
  TTestRoot none(nullptr);
  EXPECT_FALSE(InitInheritedComponent(&none, TTestRoot::StaticClass()));
}

TEST_F(FilerTest, FormFilesWithResourceHeaders)
{
  TTestRoot root(nullptr);
  root.SetName("Root");
  root.SetTag(300);
  TMemoryStream res;
  res.WriteComponentRes("TTestRoot", &root);
  std::string bytes = Bytes(res);
  std::string body = Stream(&root);
  std::string header = std::string("\xFF\x0A\x00TTESTROOT\x00\x30\x10", 15) + char(body.size()) + std::string(3, '\0');
  EXPECT_EQ(Hex(header + body), Hex(bytes));
  res.SetPosition(0);
  TTestRoot copy(nullptr);
  res.ReadComponentRes(&copy);
  EXPECT_EQ(300, copy.GetTag());
  // Text and resource forms convert both ways.
  TMemoryStream text, back;
  res.SetPosition(0);
  ObjectResourceToText(&res, &text);
  EXPECT_EQ(std::string("object Root: TTestRoot\r\n  Tag = 300\r\nend\r\n"), Bytes(text));
  text.SetPosition(0);
  ObjectTextToResource(&text, &back);
  EXPECT_EQ(Hex(bytes), Hex(Bytes(back)));
  // A header that is not one, or announces more than there is, is refused.
  TMemoryStream bad;
  bad.WriteBuffer("TPF0", 4);
  bad.SetPosition(0);
  EXPECT_THROW(bad.ReadResHeader(), EInvalidImage);
  std::string lying = bytes;
  lying[15] = char(0x7F);
  TMemoryStream lie;
  lie.WriteBuffer(lying.data(), int(lying.size()));
  lie.SetPosition(0);
  EXPECT_THROW(lie.ReadResHeader(), EInvalidImage);
}

// ---------------------------------------------------------------------------------------------------
// Malformed binary streams: an error of the stream family, never a crash, a leak or a huge allocation.

TEST_F(FilerTest, TruncatedStreamsAreReadErrors)
{
  std::unique_ptr<TTestRoot> tree(BuildTree());
  std::string binary = Stream(tree.get());
  for (size_t n = 0; n < binary.size(); ++n) {
    int before = TLiveCount::Components;
    EXPECT_THROW(delete Load(binary.substr(0, n)), EStreamError) << n;
    EXPECT_EQ(before, TLiveCount::Components);
  }
}

TEST_F(FilerTest, AbsurdLengthsAndWrongCodesAreRejected)
{
  std::string head = std::string("TPF0") + "\x09" "TTestRoot" "\x01" "R";
  auto withProp = [&](const std::string& name, const std::string& value) {
    return head + std::string("\x00", 1) + "\x0E" "TTestComponent" "\x01" "C" + char(name.size()) + name + value +
           std::string(4, '\0');
  };
  std::string hugeLString = std::string("\x0C\xFF\xFF\xFF\x7F", 5) + "abc";
  EXPECT_THROW(delete Load(withProp("Text", hugeLString)), EReadError);
  EXPECT_THROW(delete Load(withProp("Text", std::string("\x0C\x00\x00\x00\x80", 5))), EReadError);
  EXPECT_THROW(delete Load(withProp("Wide", std::string("\x12\x00\x00\x00\x40", 5))), EReadError);
  EXPECT_THROW(delete Load(withProp("Blob", std::string("\x0A\xF0\xFF\xFF\x0F", 5))), EReadError);
  EXPECT_THROW(delete Load(withProp("IntValue", "\x63")), EReadError);
  EXPECT_THROW(delete Load(withProp("IntValue", "\x06\x01x")), EReadError);
  EXPECT_THROW(delete Load(withProp("Letter", "\x06\x02xy")), EReadError);
  EXPECT_THROW(delete Load(withProp("Flag", "\x02\x01")), EReadError);
  EXPECT_THROW(delete Load(withProp("Colors", std::string("\x0B\x05tcRed\x05tcFoo\x00", 15))), EReadError);
  EXPECT_THROW(delete Load(withProp("Lines.Strings", "\x06\x01x")), EReadError);
  EXPECT_THROW(delete Load(std::string("TPF1") + head.substr(4)), EReadError);
  // Lists nested past any real form end in an error, not in a stack overflow.
  std::string deep = head + std::string("\x00", 1) + "\x0E" "TTestComponent" "\x01" "C" "\x05" "Bogus";
  deep += std::string(100000, '\x01');
  EXPECT_THROW(delete Load(deep), EReadError);
  TMemoryStream m;
  m.WriteBuffer(deep.data(), int(deep.size()));
  m.SetPosition(int(head.size()) + 22);
  TReader r(&m);
  EXPECT_THROW(r.SkipValue(), EReadError);
}

TEST_F(FilerTest, RandomlyMutatedStreamsNeverCrash)
{
  std::unique_ptr<TTestRoot> tree(BuildTree());
  const std::string binary = Stream(tree.get());
  std::mt19937 rng(20240611);
  int rejected = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string s = binary;
    int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t pos = 4 + rng() % (s.size() - 4);
      switch (rng() % 5) {
        case 0: s[pos] = char(rng()); break;                    // any byte
        case 1: s[pos] = char(rng() % 21); break;               // a value code
        case 2: s[pos] = char(0xFF); break;                     // long lengths
        case 3: s.erase(pos, 1 + rng() % 8); break;             // dropped bytes
        default: s.insert(pos, 1 + rng() % 4, char(rng())); break;  // inserted bytes
      }
      if (s.size() < 5) s = binary;
    }
    int before = TLiveCount::Components;
    try {
      TMemoryStream m;
      m.WriteBuffer(s.data(), int(s.size()));
      m.SetPosition(0);
      TReader reader(&m);
      // Every other round a forgiving reader skips what it can: the recovery path meets bad input too.
      if (round % 2) reader.OnError = [](TReader*, const AnsiString&, bool& handled) { handled = true; };
      delete reader.ReadRootComponent(nullptr);
    } catch (EStreamError&) {
      ++rejected;
    } catch (Exception& e) {
      ADD_FAILURE() << "round " << round << ": " << e.Message.c_str();
    }
    ASSERT_EQ(before, TLiveCount::Components) << "round " << round;
  }
  EXPECT_GT(rejected, 1500);
}

TEST_F(FilerTest, RandomlyMutatedTextAndBinaryConvertOrFailCleanly)
{
  std::unique_ptr<TTestRoot> tree(BuildTree());
  const std::string binary = Stream(tree.get());
  const std::string text = ToText(binary);
  std::mt19937 rng(7);
  const char alphabet[] = "()<>[]{}'#=+-.:,$ \r\nabcdefxyz0123456789";
  int converted = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string t = text;
    for (int e = 1 + int(rng() % 3); e > 0; --e) {
      size_t pos = rng() % t.size();
      if (rng() % 2) t[pos] = alphabet[rng() % (sizeof alphabet - 1)];
      else t.erase(pos, 1 + rng() % 6);
    }
    try {
      std::string bin = ToBinary(t);
      ++converted;
      delete Load(bin);
    } catch (EParserError&) {
    } catch (EStreamError&) {
    } catch (Exception& e) {
      ADD_FAILURE() << "text round " << round << ": " << e.Message.c_str();
    }
    std::string b = binary;
    for (int e = 1 + int(rng() % 3); e > 0; --e) b[4 + rng() % (b.size() - 4)] = char(rng());
    try {
      ToText(b);
    } catch (EStreamError&) {
    } catch (Exception& e) {
      ADD_FAILURE() << "binary round " << round << ": " << e.Message.c_str();
    }
  }
  EXPECT_GT(converted, 0);
}
