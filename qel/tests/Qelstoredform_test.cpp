// A stored form that sets the published properties of the library's image, label, menus and action
// list: it loads (and the image builds its menu as it does), and a write/read cycle keeps every
// published property, compared one by one through the type information.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Qelactnlist.h"
#include "Qelimage.h"
#include "Qellabel.h"
#include "Qelmenus.h"
#include "Qelspeedbutton.h"
#include "StdCtrls.h"
#include "TypInfo.h"

namespace {

// Stands for an image list, which the action list names by reference.
class TGlyphList : public TComponent {
  VCL_DECLARE_CLASS(TGlyphList, TComponent)
  explicit TGlyphList(TOwnerArg owner) : TComponent(owner) {}
};
VCL_IMPLEMENT_CLASS(TGlyphList)

class TQelStoredForm : public TForm {
  VCL_DECLARE_FORM(TQelStoredForm, TForm)
  explicit TQelStoredForm(TOwnerArg owner) : TForm(owner) {}
  TQelStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  TQelImage* Image1;
  TQelImage* Image2;
  TEdit* Edit1;
  TQelLabel* Label1;
  TQelLabel* Label2;
  TQelSpeedButton* Button1;
  TGlyphList* Glyphs;
  TQelActionList* ActionList1;
  TAction* PlayAction;
  TQelPopupMenu* PopupMenu1;
  TMenuItem* CopyItem;
  TMenuItem* PlayItem;
  TQelMainMenu* MainMenu1;
  TMenuItem* FileItem;
  TMenuItem* OpenItem;
  void ControlClick(TObject*) {}
  void ControlMouseDown(TObject*, TMouseButton, TShiftState, int, int) {}
  void ControlMouseMove(TObject*, TShiftState, int, int) {}
  void ImageLoadImage(TObject*, TPicture*) {}
  void ActionListExecute(TBasicAction*, bool&) {}
};

VCL_PUBLISHED(TQelStoredForm)
{
  p.Field("Image1", &TQelStoredForm::Image1);
  p.Field("Image2", &TQelStoredForm::Image2);
  p.Field("Edit1", &TQelStoredForm::Edit1);
  p.Field("Label1", &TQelStoredForm::Label1);
  p.Field("Label2", &TQelStoredForm::Label2);
  p.Field("Button1", &TQelStoredForm::Button1);
  p.Field("Glyphs", &TQelStoredForm::Glyphs);
  p.Field("ActionList1", &TQelStoredForm::ActionList1);
  p.Field("PlayAction", &TQelStoredForm::PlayAction);
  p.Field("PopupMenu1", &TQelStoredForm::PopupMenu1);
  p.Field("CopyItem", &TQelStoredForm::CopyItem);
  p.Field("PlayItem", &TQelStoredForm::PlayItem);
  p.Field("MainMenu1", &TQelStoredForm::MainMenu1);
  p.Field("FileItem", &TQelStoredForm::FileItem);
  p.Field("OpenItem", &TQelStoredForm::OpenItem);
  p.Method("ControlClick", &TQelStoredForm::ControlClick);
  p.Method("ControlMouseDown", &TQelStoredForm::ControlMouseDown);
  p.Method("ControlMouseMove", &TQelStoredForm::ControlMouseMove);
  p.Method("ImageLoadImage", &TQelStoredForm::ImageLoadImage);
  p.Method("ActionListExecute", &TQelStoredForm::ActionListExecute);
}

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};
using TFormPtr = std::unique_ptr<TQelStoredForm, FormDeleter>;

std::string WriteForm(TComponent* form)
{
  TMemoryStream stream;
  stream.WriteComponent(form);
  return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
}

TFormPtr ReadForm(const std::string& binary)
{
  TFormPtr copy(new TQelStoredForm(nullptr, 0));
  TMemoryStream stream;
  stream.WriteBuffer(binary.data(), int(binary.size()));
  stream.SetPosition(0);
  stream.ReadComponent(copy.get());
  return copy;
}

std::string GraphicBytes(TGraphic* graphic)
{
  if (!graphic) return std::string();
  TMemoryStream stream;
  graphic->SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
}

// Compares every published property of a and b (objects of the same class in two forms); a component
// reference matches when it names the same component, an owned object (font, picture) is compared
// property by property in turn. Answers how many properties were compared.
int ExpectSameProperties(TObject* a, TObject* b, TComponent* rootA, TComponent* rootB, const std::string& path)
{
  EXPECT_EQ(a->ClassType(), b->ClassType()) << path;
  int compared = 0;
  for (PPropInfo info : GetPropList(a)) {
    const std::string where = path + "." + info->Name.c_str();
    ++compared;
    switch (info->PropType->Kind) {
      case tkInteger:
      case tkChar:
      case tkWChar:
      case tkEnumeration:
      case tkSet: EXPECT_EQ(GetOrdProp(a, info), GetOrdProp(b, info)) << where; break;
      case tkInt64: EXPECT_EQ(GetInt64Prop(a, info), GetInt64Prop(b, info)) << where; break;
      case tkFloat: EXPECT_EQ(GetFloatProp(a, info), GetFloatProp(b, info)) << where; break;
      case tkString:
      case tkLString:
      case tkWString: EXPECT_EQ(GetStrProp(a, info), GetStrProp(b, info)) << where; break;
      case tkMethod: {
        const TMethod ma = GetMethodProp(a, info), mb = GetMethodProp(b, info);
        EXPECT_EQ(ma.Code, mb.Code) << where;
        EXPECT_EQ(ma.Data == rootA, mb.Data == rootB) << where << " is bound to its own form";
        break;
      }
      case tkClass: {
        TObject* oa = GetObjectProp(a, info);
        TObject* ob = GetObjectProp(b, info);
        EXPECT_EQ(oa == nullptr, ob == nullptr) << where;
        if (!oa || !ob) break;
        if (auto* ca = dynamic_cast<TComponent*>(oa)) {
          auto* cb = dynamic_cast<TComponent*>(ob);
          EXPECT_NE(cb, nullptr) << where;
          if (!cb) break;
          EXPECT_EQ(ca->GetName(), cb->GetName()) << where;
          EXPECT_EQ(ca->Owner() == rootA, cb->Owner() == rootB) << where;
        } else if (auto* pa = dynamic_cast<TPicture*>(oa)) {
          auto* pb = dynamic_cast<TPicture*>(ob);
          EXPECT_NE(pb, nullptr) << where;
          if (!pb) break;
          EXPECT_EQ(pa->GetGraphic() == nullptr, pb->GetGraphic() == nullptr) << where;
          if (pa->GetGraphic() && pb->GetGraphic()) {
            EXPECT_EQ(pa->GetGraphic()->ClassType(), pb->GetGraphic()->ClassType()) << where;
            EXPECT_EQ(GraphicBytes(pa->GetGraphic()), GraphicBytes(pb->GetGraphic())) << where;
          }
        } else {
          compared += ExpectSameProperties(oa, ob, rootA, rootB, where);
        }
        break;
      }
      default: ADD_FAILURE() << where << ": a kind this comparison does not know"; break;
    }
  }
  return compared;
}

// The stored components whose every published property the cycle must keep.
const char* const Compared[] = {"Image1", "Image2", "Label1", "Label2", "Button1", "ActionList1", "PlayAction",
                                "PopupMenu1", "CopyItem", "PlayItem", "MainMenu1", "FileItem", "OpenItem"};

class QelStoredForm : public ::testing::Test {
protected:
  static void SetUpTestSuite() { RegisterClasses({TGlyphList::StaticClass(), TQelSpeedButton::StaticClass()}); }
};

}  // namespace

TEST_F(QelStoredForm, Loads)
{
  TFormPtr form(new TQelStoredForm(nullptr));
  TQelStoredForm* f = form.get();
  ASSERT_NE(f->Image1, nullptr);
  EXPECT_FALSE(f->Image1->Protected);
  EXPECT_TRUE(bool(f->Image1->OnLoadImage));
  EXPECT_TRUE(bool(f->Image1->AfterLoadImage));
  EXPECT_TRUE(f->Image1->GetStretch());
  EXPECT_TRUE(f->Image1->GetCenter());
  EXPECT_EQ(f->Image1->GetPicture()->GetWidth(), 48);
  EXPECT_EQ(f->Image1->GetTag(), 7);
  EXPECT_TRUE(f->Image2->Protected);
  EXPECT_EQ(f->Image2->GetAlign(), alBottom);
  EXPECT_EQ(f->Label1->GetCaption(), AnsiString("שלום 00:00"));
  EXPECT_EQ(f->Button1->GetClippingShape(), stCircle);
  EXPECT_TRUE(f->Button1->GetImageOnly());
  EXPECT_TRUE(f->Button1->GetDown());
  EXPECT_EQ(f->Button1->GetNumGlyphs(), 2);
  EXPECT_EQ(f->Button1->GetGlyph()->GetWidth(), 48);
  EXPECT_EQ(f->Label1->GetFocusControl(), f->Edit1);
  EXPECT_EQ(f->Label1->GetBiDiMode(), bdRightToLeft);
  EXPECT_EQ(f->ActionList1->GetImages(), f->Glyphs);
  EXPECT_EQ(f->ActionList1->GetActionCount(), 1);
  EXPECT_EQ(f->PlayItem->GetCaption(), AnsiString("&Play")) << "from its action";
  EXPECT_EQ(f->PopupMenu1->GetAlignment(), paRight);
  EXPECT_FALSE(f->PopupMenu1->GetAutoPopup());
  EXPECT_EQ(f->MainMenu1->FindItem(f->FileItem, "Open"), 0);
  EXPECT_EQ(f->MainMenu1->FindItem("&File"), 0);
  // Loading ran the image's Loaded: its commands follow the menu's own items behind a first line.
  TMenuItem* items = f->PopupMenu1->GetItems();
  ASSERT_EQ(items->GetCount(), 8);
  EXPECT_TRUE(items->GetItem(0)->IsLine());
  EXPECT_EQ(items->GetItem(1), f->CopyItem);
  EXPECT_EQ(items->GetItem(2), f->PlayItem);
  EXPECT_EQ(items->GetItem(3)->GetCaption(), AnsiString("טען מקובץ"));
  EXPECT_EQ(items->GetItem(4)->GetCaption(), AnsiString("&מחק"));
  EXPECT_TRUE(items->GetItem(5)->IsLine());
  EXPECT_EQ(items->GetItem(6)->GetCaption(), AnsiString("בחר מקור..."));
  EXPECT_EQ(items->GetItem(7)->GetCaption(), AnsiString("קבל תמונה..."));
  // Copy was the menu's default before the image came; load takes its place, one default a menu.
  EXPECT_EQ(f->PopupMenu1->GetDefaultMenuItem(), items->GetItem(3));
  EXPECT_FALSE(f->CopyItem->GetDefault());
  EXPECT_EQ(GetMenuDefaultItem(f->PopupMenu1->GetHandle(), TRUE, 0), 3u);
  EXPECT_EQ(f->PopupMenu1->FindItem("Copy"), 1);
  // The protected image has no menu.
  EXPECT_EQ(f->Image2->GetPopupMenu(), nullptr);
}

TEST_F(QelStoredForm, WriteReadCycleKeepsEveryPublishedProperty)
{
  TFormPtr form(new TQelStoredForm(nullptr));
  const std::string first = WriteForm(form.get());
  TFormPtr copy = ReadForm(first);
  int compared = 0;
  for (const char* name : Compared) {
    TComponent* a = form->FindComponent(name);
    TComponent* b = copy->FindComponent(name);
    ASSERT_NE(a, nullptr) << name;
    ASSERT_NE(b, nullptr) << name;
    compared += ExpectSameProperties(a, b, form.get(), copy.get(), name);
  }
  EXPECT_GT(compared, 150);
  // The image's own menu items are the image's doing, not the form's: they are not stored, and the
  // copy made its own when it was read.
  EXPECT_EQ(copy->PopupMenu1->GetItems()->GetCount(), 8);
  // A second cycle writes the very same bytes.
  EXPECT_EQ(WriteForm(copy.get()), first);
}

TEST_F(QelStoredForm, ThePropertiesOfTheImageAreWrittenOnlyWhenSet)
{
  TFormPtr form(new TQelStoredForm(nullptr));
  TMemoryStream binary, text;
  binary.WriteComponent(form.get());
  binary.SetPosition(0);
  ObjectBinaryToText(&binary, &text);
  const std::string written(static_cast<const char*>(text.Memory()), size_t(text.GetSize()));
  EXPECT_NE(written.find("OnLoadImage = ImageLoadImage"), std::string::npos);
  EXPECT_NE(written.find("AfterLoadImage = ControlClick"), std::string::npos);
  EXPECT_NE(written.find("Protected = True"), std::string::npos);
  EXPECT_EQ(written.find("Protected = False"), std::string::npos);
  EXPECT_EQ(written.find("PopupMenu = Image1"), std::string::npos) << "no menu of the image's own";
}
