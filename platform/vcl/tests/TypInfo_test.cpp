// Published RTTI: property lists, kinds, generic get/set of every kind, stored flags, method tables.
#include <gtest/gtest.h>
#include "ClassesFixtures.h"

TEST(TypInfo, PropertiesInDeclarationOrderAncestorsFirst)
{
  TPropList props = GetPropInfos(TTestComponent::StaticClass());
  ASSERT_GE(props.size(), 4u);
  EXPECT_EQ(AnsiString("Name"), props[0]->Name);
  EXPECT_EQ(AnsiString("Tag"), props[1]->Name);
  EXPECT_EQ(AnsiString("IntValue"), props[2]->Name);
  EXPECT_EQ(AnsiString("NoDefault"), props[3]->Name);
  EXPECT_EQ(TComponent::StaticClass(), props[0]->Owner);
  EXPECT_EQ(int(props.size()), GetPropCount(TTestContainer::StaticClass()));
  EXPECT_EQ(nullptr, GetPropInfo(TTestComponent::StaticClass(), "Missing"));
  EXPECT_NE(nullptr, GetPropInfo(TTestComponent::StaticClass(), "intvalue"));
  // As in the VCL, string lists publish nothing: their text streams as "Strings".
  EXPECT_EQ(0, GetPropCount(TStringList::StaticClass()));
}

TEST(TypInfo, KindsAndTypeDescriptions)
{
  TTestComponent c(nullptr);
  struct {
    const char* name;
    TTypeKind kind;
  } expected[] = {{"IntValue", tkInteger}, {"Color", tkEnumeration}, {"Flag", tkEnumeration},
                  {"Letter", tkChar},      {"Colors", tkSet},        {"Ratio", tkFloat},
                  {"Money", tkFloat},      {"Big", tkInt64},         {"Text", tkLString},
                  {"Wide", tkWString},     {"Link", tkClass},        {"Sub", tkClass},
                  {"OnClick", tkMethod},   {"OnValue", tkMethod}};
  for (auto& e : expected) EXPECT_EQ(e.kind, PropType(&c, e.name)->Kind) << e.name;
  PTypeInfo color = PropType(&c, "Color");
  EXPECT_EQ(AnsiString("TTestColor"), color->Name);
  EXPECT_EQ(3, color->MaxValue);
  EXPECT_EQ(AnsiString("tcBlue"), GetEnumName(color, 2));
  EXPECT_EQ(3, GetEnumValue(color, "TCBLACK"));
  EXPECT_EQ(-1, GetEnumValue(color, "tcPink"));
  EXPECT_EQ(color, PropType(&c, "Colors")->CompType);
  EXPECT_EQ(AnsiString("Boolean"), PropType(&c, "Flag")->Name);
  EXPECT_EQ(TTestSub::StaticClass(), PropType(&c, "Sub")->ClassType);
  EXPECT_EQ(ftCurr, PropType(&c, "Money")->FloatType);
  EXPECT_THROW(PropType(&c, "Nope"), EPropertyError);
}

TEST(TypInfo, OrdinalEnumSetAndCharAccess)
{
  TTestComponent c(nullptr);
  SetOrdProp(&c, "IntValue", -70000);
  EXPECT_EQ(-70000, c.IntValue);
  EXPECT_EQ(-70000, GetOrdProp(&c, "IntValue"));
  SetEnumProp(&c, "Color", "tcBlue");
  EXPECT_EQ(tcBlue, c.Color);
  EXPECT_EQ(AnsiString("tcBlue"), GetEnumProp(&c, "Color"));
  EXPECT_THROW(SetEnumProp(&c, "Color", "tcPink"), EPropertyConvertError);
  SetEnumProp(&c, "Flag", "True");
  EXPECT_TRUE(c.Flag);
  SetOrdProp(&c, "Letter", 'z');
  EXPECT_EQ('z', c.Letter);
  SetSetProp(&c, "Colors", "[tcGreen, tcBlack]");
  EXPECT_TRUE(c.Colors.Contains(tcGreen));
  EXPECT_TRUE(c.Colors.Contains(tcBlack));
  EXPECT_FALSE(c.Colors.Contains(tcRed));
  EXPECT_EQ(AnsiString("[tcGreen,tcBlack]"), GetSetProp(&c, "Colors"));
  EXPECT_EQ(AnsiString("tcGreen,tcBlack"), GetSetProp(&c, "Colors", false));
  EXPECT_EQ((1 << tcGreen) | (1 << tcBlack), GetOrdProp(&c, "Colors"));
  EXPECT_THROW(SetSetProp(&c, "Colors", "[tcGreen, bogus]"), EPropertyConvertError);
  SetSetProp(&c, "Colors", "[]");
  EXPECT_TRUE(c.Colors.Empty());
}

TEST(TypInfo, FloatStringInt64ObjectAndMethodAccess)
{
  TTestRoot root(nullptr);
  TTestComponent c(&root), other(&root);
  SetFloatProp(&c, "Ratio", 2.75L);
  EXPECT_EQ(2.75, c.Ratio);
  SetFloatProp(&c, "Money", 12.3456L);
  EXPECT_EQ(123456, c.Money.Val);
  EXPECT_DOUBLE_EQ(12.3456, double(GetFloatProp(&c, "Money")));
  SetInt64Prop(&c, "Big", int64_t(1) << 40);
  EXPECT_EQ(int64_t(1) << 40, GetInt64Prop(&c, "Big"));
  SetStrProp(&c, "Text", "שלום");
  EXPECT_EQ(AnsiString("שלום"), c.Text);
  SetStrProp(&c, "Wide", "ok ✓");
  EXPECT_EQ(WideString(L"ok \u2713"), c.Wide);
  EXPECT_EQ(AnsiString("ok ✓"), GetStrProp(&c, "Wide"));
  SetObjectProp(&c, "Link", &other);
  EXPECT_EQ(&other, c.Link);
  EXPECT_EQ(&other, GetObjectProp(&c, "Link"));
  EXPECT_EQ(nullptr, GetObjectProp(&c, "Link", TTestRoot::StaticClass()));
  TStringList notComponent;
  EXPECT_THROW(SetObjectProp(&c, "Link", &notComponent), EPropertyError);
  EXPECT_THROW(SetObjectProp(&c, "Sub", nullptr), EPropertyError);  // read-only
  EXPECT_EQ(c.GetSub(), GetObjectProp(&c, "Sub"));

  TMethod click = TNotifyEvent(&root, &TTestRoot::HandleClick).GetMethod();
  SetMethodProp(&c, "OnClick", click);
  c.SetName("C");
  ASSERT_TRUE(c.OnClick);
  c.OnClick(&c);
  EXPECT_EQ("click:C", root.Calls.back());
  EXPECT_EQ(click, GetMethodProp(&c, "OnClick"));
  // A handler of another shape is refused instead of being called with the wrong arguments.
  EXPECT_THROW(SetMethodProp(&c, "OnValue", click), EPropertyError);
  SetMethodProp(&c, "OnClick", TMethod{});
  EXPECT_FALSE(c.OnClick);
  EXPECT_THROW(GetStrProp(&c, "IntValue"), EPropertyError);
}

TEST(TypInfo, StoredFlagsAndPredicates)
{
  TTestComponent c(nullptr);
  EXPECT_FALSE(IsStoredProp(&c, "Name"));
  EXPECT_TRUE(IsStoredProp(&c, "Tag"));
  EXPECT_FALSE(IsStoredProp(&c, "Hidden"));
  c.Hidden = 3;
  EXPECT_TRUE(IsStoredProp(&c, "Hidden"));
  EXPECT_EQ('A', GetPropInfo(&c, "Letter")->Default);
  EXPECT_EQ(NoDefault, GetPropInfo(&c, "NoDefault")->Default);
}

TEST(TypInfo, PublishedMethodTableIsInheritedAndSearchedBothWays)
{
  const TMethodCode* code = FindPublishedMethod(TTestDerivedRoot::StaticClass(), "handleclick");
  ASSERT_NE(nullptr, code);
  TTestRoot r(nullptr);
  EXPECT_EQ(static_cast<const void*>(code), TNotifyEvent(&r, &TTestRoot::HandleClick).GetMethod().Code);
  EXPECT_EQ(AnsiString("HandleClick"), PublishedMethodName(TTestDerivedRoot::StaticClass(), code));
  EXPECT_EQ(nullptr, FindPublishedMethod(TTestRoot::StaticClass(), "Missing"));
  EXPECT_EQ(AnsiString(), PublishedMethodName(TTestRoot::StaticClass(), &r));
}
