// The stored form of the track bar, up-down, header (its sections a collection) and page control
// (its sheets children, ActivePage a reference): text to binary to objects and back to the same
// binary, each value read as written.
#include "ComCtrlsTestSupport.h"

using namespace ctltest;
using namespace comctl;

namespace {

class TComStoredForm : public TForm {
  VCL_DECLARE_CLASS(TComStoredForm, TForm)
  TComStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  void ControlChange(TObject*) {}
  void ControlDragDrop(TObject*, TObject*, int, int) {}
  void UpDownChanging(TObject*, bool&) {}
  void UpDownClick(TObject*, TUDBtnType) {}
  void HeaderDrawSection(THeaderControl*, THeaderSection*, const TRect&, bool) {}
  void HeaderSection(THeaderControl*, THeaderSection*) {}
  void HeaderSectionTrack(THeaderControl*, THeaderSection*, int, TSectionTrackState) {}
};

VCL_PUBLISHED(TComStoredForm)
{
  p.Method("ControlChange", &TComStoredForm::ControlChange);
  p.Method("ControlDragDrop", &TComStoredForm::ControlDragDrop);
  p.Method("UpDownChanging", &TComStoredForm::UpDownChanging);
  p.Method("UpDownClick", &TComStoredForm::UpDownClick);
  p.Method("HeaderDrawSection", &TComStoredForm::HeaderDrawSection);
  p.Method("HeaderSection", &TComStoredForm::HeaderSection);
  p.Method("HeaderSectionTrack", &TComStoredForm::HeaderSectionTrack);
}

}  // namespace

TEST(ComCtrlsStored, FormRoundTripsAndReadsBack)
{
  RegisterClass(TComStoredForm::StaticClass());
  TFormPtr form(new TComStoredForm(nullptr, 0));
  const TRoundTrip trip = RoundTrip(L"TCOMSTOREDFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(BinaryToText(trip.Written), BinaryToText(trip.Stored));
  EXPECT_TRUE(trip.Written == trip.Stored) << "binary differs";

  auto* images = Find<TImageList>(form.get(), "ImageList1");
  ASSERT_NE(images, nullptr);

  auto* bar = Find<TTrackBar>(form.get(), "TrackBar1");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetHeight(), 150) << "the stored size stays";
  EXPECT_EQ(bar->GetFrequency(), 5);
  EXPECT_EQ(bar->GetLineSize(), 2);
  EXPECT_EQ(bar->GetMax(), 50);
  EXPECT_EQ(bar->GetMin(), 5);
  EXPECT_EQ(bar->GetOrientation(), trVertical);
  EXPECT_EQ(bar->GetPageSize(), 10);
  EXPECT_EQ(bar->GetPosition(), 20);
  EXPECT_EQ(bar->GetSelEnd(), 30);
  EXPECT_EQ(bar->GetSelStart(), 10);
  EXPECT_FALSE(bar->GetSliderVisible());
  EXPECT_EQ(bar->GetThumbLength(), 15);
  EXPECT_EQ(bar->GetTickMarks(), tmBoth);
  EXPECT_EQ(bar->GetTickStyle(), tsManual);
  EXPECT_EQ(bar->GetDragCursor(), crHandPoint);
  EXPECT_EQ(bar->GetDragKind(), dkDock);
  EXPECT_EQ(bar->GetDragMode(), dmAutomatic);
  EXPECT_EQ(bar->GetCursor(), crHandPoint);
  EXPECT_EQ(bar->GetHint(), AnsiString("Volume"));
  EXPECT_TRUE(bar->GetShowHint());
  EXPECT_FALSE(bar->GetTabStop());
  EXPECT_TRUE(bool(bar->OnChange) && bool(bar->OnEnter) && bool(bar->OnDragDrop));

  auto* edit = Find<TEdit>(form.get(), "Edit1");
  auto* spin = Find<TUpDown>(form.get(), "UpDown1");
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->GetAssociate(), edit);
  EXPECT_EQ(spin->GetAlignButton(), udLeft);
  EXPECT_FALSE(spin->GetArrowKeys());
  EXPECT_EQ(spin->GetMin(), -10);
  EXPECT_EQ(spin->GetMax(), 10);
  EXPECT_EQ(spin->GetIncrement(), 2);
  EXPECT_EQ(spin->GetOrientation(), udHorizontal);
  EXPECT_EQ(spin->GetWidth(), 24) << "no turn while reading";
  EXPECT_EQ(spin->GetPosition(), 3);
  EXPECT_EQ(edit->GetText(), AnsiString("3"));
  EXPECT_FALSE(spin->GetThousands());
  EXPECT_TRUE(spin->GetWrap());
  EXPECT_EQ(spin->GetHint(), AnsiString("Step"));
  EXPECT_TRUE(bool(spin->OnChanging) && bool(spin->OnClick));

  auto* header = Find<THeaderControl>(form.get(), "HeaderControl1");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->GetAlign(), alNone);
  EXPECT_EQ(header->GetBiDiMode(), bdRightToLeft);
  EXPECT_TRUE(header->GetDragReorder());
  EXPECT_FALSE(header->GetFullDrag());
  EXPECT_TRUE(header->GetHotTrack());
  EXPECT_EQ(header->GetImages(), images);
  EXPECT_EQ(header->GetStyle(), hsFlat);
  EXPECT_TRUE(bool(header->OnDrawSection) && bool(header->OnSectionClick) && bool(header->OnSectionResize) &&
              bool(header->OnSectionTrack));
  ASSERT_EQ(header->GetSections()->GetCount(), 2);
  THeaderSection* title = header->GetSections()->GetItem(0);
  EXPECT_EQ(title->GetAlignment(), taCenter);
  EXPECT_FALSE(title->GetAllowClick());
  EXPECT_TRUE(title->GetAutoSize());
  EXPECT_EQ(title->GetImageIndex(), 2);
  EXPECT_EQ(title->GetMaxWidth(), 200);
  EXPECT_EQ(title->GetMinWidth(), 20);
  EXPECT_EQ(title->GetStyle(), hsOwnerDraw);
  EXPECT_EQ(title->GetText(), AnsiString("Title"));
  EXPECT_EQ(title->GetWidth(), 90);
  THeaderSection* artist = header->GetSections()->GetItem(1);
  EXPECT_EQ(artist->GetText(), AnsiString("Artist"));
  EXPECT_EQ(artist->GetWidth(), 120);
  EXPECT_EQ(artist->GetLeft(), 90);
  EXPECT_TRUE(artist->GetAllowClick());

  auto* pages = Find<TPageControl>(form.get(), "PageControl1");
  auto* first = Find<TTabSheet>(form.get(), "TabSheet1");
  auto* second = Find<TTabSheet>(form.get(), "TabSheet2");
  ASSERT_NE(pages, nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(pages->GetPageCount(), 2);
  EXPECT_EQ(first->GetPageControl(), pages);
  EXPECT_EQ(second->GetPageIndex(), 1);
  EXPECT_EQ(pages->GetActivePage(), second) << "the reference is resolved after reading";
  EXPECT_TRUE(second->GetVisible());
  EXPECT_FALSE(first->GetVisible());
  EXPECT_TRUE(pages->GetHotTrack());
  EXPECT_EQ(pages->GetImages(), images);
  EXPECT_TRUE(pages->GetMultiLine());
  EXPECT_TRUE(pages->GetRaggedRight());
  EXPECT_TRUE(pages->GetScrollOpposite());
  EXPECT_EQ(pages->GetStyle(), tsButtons);
  EXPECT_EQ(pages->GetTabHeight(), 22);
  EXPECT_EQ(pages->GetTabPosition(), tpBottom);
  EXPECT_FALSE(pages->GetTabStop());
  EXPECT_EQ(pages->GetTabWidth(), 70);
  EXPECT_TRUE(bool(pages->OnChange) && bool(pages->OnChanging));
  EXPECT_EQ(first->GetCaption(), AnsiString("First"));
  EXPECT_EQ(first->GetImageIndex(), 1);
  EXPECT_EQ(second->GetCaption(), AnsiString("Second"));
  EXPECT_EQ(second->GetDragMode(), dmAutomatic);
  EXPECT_FALSE(second->GetEnabled());
  EXPECT_EQ(second->GetImageIndex(), 2);
  EXPECT_FALSE(second->GetTabVisible());
  EXPECT_TRUE(bool(second->OnShow) && bool(second->OnHide));
}
