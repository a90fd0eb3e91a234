#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TypInfo.h"
#include "Vclstring.h"

// A component that publishes a text through a TVCLString, as a library component would.
class TCaptioned : public TComponent {
  VCL_DECLARE_CLASS(TCaptioned, TComponent)

public:
  using TCtorArg = TComponent*;
  explicit TCaptioned(TComponent* owner = nullptr) : TComponent(owner), FCaption(new TVCLString()) {}
  ~TCaptioned() override { delete FCaption; }
  TVCLString* GetCaption() { return FCaption; }
  // Stores the object it is given (the designer stores the same one back).
  void SetCaption(TVCLString* value)
  {
    ++Stores;
    if (value != FCaption) FCaption->Assign(value);
  }
  void Detach()
  {
    delete FCaption;
    FCaption = nullptr;
  }
  int Stores = 0;

private:
  TVCLString* FCaption;
};

VCL_PUBLISHED(TCaptioned)
{
  p.Property("Caption", &TCaptioned::GetCaption, &TCaptioned::SetCaption);
}

namespace {

std::string WriteForm(TCaptioned& component, TCaptioned* ancestor = nullptr)
{
  TMemoryStream stream;
  {
    TWriter writer(&stream, 256);
    writer.WriteDescendent(&component, ancestor);
  }
  const char* p = static_cast<const char*>(stream.GetMemory());
  return std::string(p, p + stream.GetSize());
}

class TRecordingDesigner : public IFormDesigner {
public:
  void Modified() override { ++Changes; }
  int Changes = 0;
};

// A list editor whose descendant supplies the allowed values.
class TColourNameProperty : public TVCLStringListProperty {
public:
  using TVCLStringListProperty::TVCLStringListProperty;
  void GetValueList(TStrings* list) override
  {
    list->Add("red");
    list->Add("green");
    list->Add("blue");
  }
};

class TCollector : public TObject {
public:
  void Take(const AnsiString& value) { Values.push_back(value.c_str()); }
  std::vector<std::string> Values;
};

}  // namespace

TEST(VCLString, TextAndLength)
{
  TVCLString empty;
  EXPECT_EQ(empty.Length(), 0);
  TVCLString hebrew(AnsiString("\xD7\xA9\xD7\x9C\xD7\x95"));  // three Hebrew letters
  EXPECT_EQ(hebrew.Length(), 6);
  TVCLString copy(hebrew);
  EXPECT_EQ(copy.GetString(), hebrew.GetString());
  copy = AnsiString("abc");
  EXPECT_EQ(AnsiString(copy), "abc");
  EXPECT_EQ(hebrew.Length(), 6);  // the copy is independent
}

TEST(VCLString, StoredAsStringOnlyWhenItDiffers)
{
  RegisterClass(TCaptioned::StaticClass());
  TCaptioned blank;
  blank.SetName("Form");
  EXPECT_EQ(WriteForm(blank).find("Caption.String"), std::string::npos);

  TCaptioned titled;
  titled.SetName("Form");
  *titled.GetCaption() = AnsiString("Title \xD7\xA9");
  const std::string form = WriteForm(titled);
  EXPECT_NE(form.find("Caption.String"), std::string::npos);

  TCaptioned same;
  same.SetName("Form");
  *same.GetCaption() = titled.GetCaption()->GetString();
  EXPECT_EQ(WriteForm(titled, &same).find("Caption.String"), std::string::npos);
  TCaptioned other;
  other.SetName("Form");
  *other.GetCaption() = AnsiString("Other");
  EXPECT_NE(WriteForm(titled, &other).find("Caption.String"), std::string::npos);
  // Cleared in a descendant: written (as empty) so that the ancestor's text does not come back.
  TCaptioned cleared;
  cleared.SetName("Form");
  EXPECT_NE(WriteForm(cleared, &other).find("Caption.String"), std::string::npos);

  TMemoryStream stream;
  stream.WriteBuffer(form.data(), int(form.size()));
  stream.SetPosition(0);
  TCaptioned read;
  TReader reader(&stream, 256);
  reader.ReadRootComponent(&read);
  EXPECT_EQ(read.GetCaption()->GetString(), titled.GetCaption()->GetString());
}

TEST(VCLStringProperty, EditsTheTextAndMarksTheFormModified)
{
  TCaptioned component;
  *component.GetCaption() = AnsiString("before");
  TRecordingDesigner designer;
  TVCLStringProperty editor(&designer, 1);
  editor.SetPropEntry(0, &component, GetPropInfo(&component, "Caption"));

  EXPECT_EQ(editor.GetValue(), "before");
  TVCLString* const object = component.GetCaption();
  editor.SetValue("after");
  EXPECT_EQ(component.GetCaption(), object);  // the same object, stored back
  EXPECT_EQ(object->GetString(), "after");
  EXPECT_EQ(component.Stores, 1);
  EXPECT_EQ(designer.Changes, 1);

  component.Detach();  // no object behind the property: empty text, and nothing to change
  EXPECT_EQ(editor.GetValue(), "");
  editor.SetValue("ignored");
  EXPECT_EQ(component.Stores, 1);
  EXPECT_EQ(designer.Changes, 1);
}

TEST(VCLStringListProperty, OffersTheDescendantsValuesInOrder)
{
  TCaptioned component;
  TRecordingDesigner designer;
  TCollector collector;

  TVCLStringListProperty plain(&designer, 1);
  plain.SetPropEntry(0, &component, GetPropInfo(&component, "Caption"));
  EXPECT_TRUE(plain.GetAttributes().Contains(paValueList));
  EXPECT_TRUE(plain.GetAttributes().Contains(paSortList));
  plain.GetValues(TGetStrProc(&collector, &TCollector::Take));
  EXPECT_TRUE(collector.Values.empty());

  TColourNameProperty colours(&designer, 1);
  colours.SetPropEntry(0, &component, GetPropInfo(&component, "Caption"));
  colours.GetValues(TGetStrProc(&collector, &TCollector::Take));
  EXPECT_EQ(collector.Values, (std::vector<std::string>{"red", "green", "blue"}));
  EXPECT_EQ(designer.Changes, 0);
}

namespace {
class TThrowingCollector : public TObject {
public:
  void Take(const AnsiString&) { throw EConvertError("stop"); }
};
}  // namespace

TEST(VCLStringListProperty, ACallbackThatRaisesLeavesNothingBehind)
{
  TCaptioned component;
  TColourNameProperty colours(nullptr, 1);
  colours.SetPropEntry(0, &component, GetPropInfo(&component, "Caption"));
  TThrowingCollector thrower;
  EXPECT_THROW(colours.GetValues(TGetStrProc(&thrower, &TThrowingCollector::Take)), EConvertError);
}
