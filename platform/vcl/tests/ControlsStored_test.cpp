// One stored form with every standard and common control: text to binary to objects and back to the
// same binary, each value read as written. The header's sections are a collection, the page
// control's sheets children with ActivePage a reference, the tree's nodes its own binary data.
#include "ComCtrlsTestSupport.h"
#include "Dialogs.h"

using namespace ctltest;
using namespace comctl;

namespace {

class TControlsStoredForm : public TForm {
  VCL_DECLARE_CLASS(TControlsStoredForm, TForm)
  TControlsStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  void ControlChange(TObject*) {}
  void ControlClick(TObject*) {}
  void ControlDragDrop(TObject*, TObject*, int, int) {}
  void ControlStartDrag(TObject*, TDragObject*&) {}
  void ControlStartDock(TObject*, TDragDockObject*&) {}
  void ControlEndDrag(TObject*, TObject*, int, int) {}
  void ControlDrawItem(TWinControl*, int, const TRect&, TOwnerDrawState) {}
  void ControlMeasureItem(TWinControl*, int, int&) {}
  void ControlScroll(TObject*, TScrollCode, int&) {}
  void ControlMouseWheel(TObject*, TShiftState, int, const TPoint&, bool&) {}
  void ControlMouseWheelUpDown(TObject*, TShiftState, const TPoint&, bool&) {}
  void UpDownChanging(TObject*, bool&) {}
  void UpDownClick(TObject*, TUDBtnType) {}
  void HeaderDrawSection(THeaderControl*, THeaderSection*, const TRect&, bool) {}
  void HeaderSection(THeaderControl*, THeaderSection*) {}
  void HeaderSectionTrack(THeaderControl*, THeaderSection*, int, TSectionTrackState) {}
  void TreeChange(TObject*, TTreeNode*) {}
  void TreeExpanding(TObject*, TTreeNode*, bool&) {}
  void TreeDeletion(TObject*, TTreeNode*) {}
  void ImagesChange(TObject*) {}
};

VCL_PUBLISHED(TControlsStoredForm)
{
  p.Method("ControlChange", &TControlsStoredForm::ControlChange);
  p.Method("ControlClick", &TControlsStoredForm::ControlClick);
  p.Method("ControlDragDrop", &TControlsStoredForm::ControlDragDrop);
  p.Method("ControlStartDrag", &TControlsStoredForm::ControlStartDrag);
  p.Method("ControlStartDock", &TControlsStoredForm::ControlStartDock);
  p.Method("ControlEndDrag", &TControlsStoredForm::ControlEndDrag);
  p.Method("ControlDrawItem", &TControlsStoredForm::ControlDrawItem);
  p.Method("ControlMeasureItem", &TControlsStoredForm::ControlMeasureItem);
  p.Method("ControlScroll", &TControlsStoredForm::ControlScroll);
  p.Method("ControlMouseWheel", &TControlsStoredForm::ControlMouseWheel);
  p.Method("ControlMouseWheelUpDown", &TControlsStoredForm::ControlMouseWheelUpDown);
  p.Method("UpDownChanging", &TControlsStoredForm::UpDownChanging);
  p.Method("UpDownClick", &TControlsStoredForm::UpDownClick);
  p.Method("HeaderDrawSection", &TControlsStoredForm::HeaderDrawSection);
  p.Method("HeaderSection", &TControlsStoredForm::HeaderSection);
  p.Method("HeaderSectionTrack", &TControlsStoredForm::HeaderSectionTrack);
  p.Method("TreeChange", &TControlsStoredForm::TreeChange);
  p.Method("TreeExpanding", &TControlsStoredForm::TreeExpanding);
  p.Method("TreeDeletion", &TControlsStoredForm::TreeDeletion);
  p.Method("ImagesChange", &TControlsStoredForm::ImagesChange);
}

}  // namespace

TEST(ControlsStored, EveryControlRoundTripsAndReadsBack)
{
  RegisterClass(TControlsStoredForm::StaticClass());
  TFormPtr form(new TControlsStoredForm(nullptr, 0));
  const TRoundTrip trip = RoundTrip(L"TCONTROLSSTOREDFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(BinaryToText(trip.Written), BinaryToText(trip.Stored));
  EXPECT_TRUE(trip.Written == trip.Stored) << "binary differs";

  auto* memo = Find<TMemo>(form.get(), "Memo1");
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->GetAlignment(), taCenter);
  EXPECT_EQ(memo->GetBorderStyle(), bsNone);
  EXPECT_EQ(memo->GetDragCursor(), crHandPoint);
  EXPECT_EQ(memo->GetDragKind(), dkDock);
  EXPECT_EQ(memo->GetDragMode(), dmAutomatic);
  EXPECT_EQ(memo->GetImeMode(), imClose);
  EXPECT_EQ(memo->GetImeName(), AnsiString("Hebrew"));
  EXPECT_EQ(memo->GetLines()->GetText(), AnsiString("first\r\nsecond\r\n"));
  EXPECT_EQ(memo->GetMaxLength(), 200);
  EXPECT_TRUE(memo->GetReadOnly());
  EXPECT_EQ(memo->GetScrollBars(), ssBoth);
  EXPECT_FALSE(memo->GetWantReturns());
  EXPECT_TRUE(memo->GetWantTabs());
  EXPECT_FALSE(memo->GetWordWrap());
  EXPECT_EQ(memo->GetBiDiMode(), bdRightToLeft);
  EXPECT_EQ(memo->GetColor(), clInfoBk);
  EXPECT_TRUE(bool(memo->OnChange) && bool(memo->OnDragDrop) && bool(memo->OnStartDrag));

  auto* list = Find<TListBox>(form.get(), "ListBox1");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetColumns(), 2);
  EXPECT_FALSE(list->GetExtendedSelect());
  EXPECT_TRUE(list->GetIntegralHeight());
  EXPECT_EQ(list->GetItemHeight(), 20);
  EXPECT_EQ(list->GetItems()->GetCommaText(), AnsiString("apple,pear")) << "a sorted list keeps its order";
  EXPECT_TRUE(list->GetMultiSelect());
  EXPECT_TRUE(list->GetSorted());
  EXPECT_EQ(list->GetStyle(), lbOwnerDrawVariable);
  EXPECT_EQ(list->GetTabWidth(), 12);
  EXPECT_EQ(list->GetImeMode(), imOpen);
  EXPECT_TRUE(bool(list->OnDrawItem) && bool(list->OnMeasureItem) && bool(list->OnEndDrag));

  auto* combo = Find<TComboBox>(form.get(), "ComboBox1");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->GetStyle(), csOwnerDrawFixed);
  EXPECT_EQ(combo->GetDropDownCount(), 12);
  EXPECT_EQ(combo->GetItemHeight(), 18);
  EXPECT_EQ(combo->GetMaxLength(), 30);
  EXPECT_TRUE(combo->GetSorted());
  EXPECT_EQ(combo->GetText(), AnsiString("blue"));
  EXPECT_EQ(combo->GetItems()->GetCount(), 2);
  EXPECT_EQ(combo->GetImeName(), AnsiString("Arabic"));
  EXPECT_TRUE(bool(combo->OnDropDown) && bool(combo->OnDrawItem));

  auto* bar = Find<TScrollBar>(form.get(), "ScrollBar1");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetKind(), sbVertical);
  EXPECT_EQ(bar->GetHeight(), 150) << "the stored size stays";
  EXPECT_EQ(bar->GetLargeChange(), 20);
  EXPECT_EQ(bar->GetSmallChange(), 5);
  EXPECT_EQ(bar->GetMin(), 10);
  EXPECT_EQ(bar->GetMax(), 500);
  EXPECT_EQ(bar->GetPageSize(), 50);
  EXPECT_EQ(bar->GetPosition(), 30);
  EXPECT_FALSE(bar->GetTabStop());
  EXPECT_TRUE(bool(bar->OnScroll));

  auto* radio = Find<TRadioButton>(form.get(), "RadioButton1");
  ASSERT_NE(radio, nullptr);
  EXPECT_TRUE(radio->GetChecked());
  EXPECT_EQ(radio->GetAlignment(), taLeftJustify);
  EXPECT_EQ(radio->GetDragCursor(), crHelp);

  auto* group = Find<TRadioGroup>(form.get(), "RadioGroup1");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->GetColumns(), 3);
  EXPECT_EQ(group->GetItemIndex(), 1);
  ASSERT_EQ(group->GetButtonCount(), 3);
  EXPECT_TRUE(group->GetButton(1)->GetChecked());
  EXPECT_EQ(group->GetButton(2)->GetCaption(), AnsiString("Fast"));

  auto* box = Find<TScrollBox>(form.get(), "ScrollBox1");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->GetAutoScroll());
  EXPECT_EQ(box->GetBorderStyle(), bsNone);
  TControlScrollBar* horz = box->GetHorzScrollBar();
  EXPECT_EQ(horz->GetButtonSize(), 14);
  EXPECT_EQ(horz->GetColor(), clRed);
  EXPECT_EQ(horz->GetIncrement(), 16);
  EXPECT_EQ(horz->GetMargin(), 4);
  EXPECT_EQ(horz->GetRange(), 600);
  EXPECT_EQ(horz->GetSize(), 12);
  EXPECT_EQ(horz->GetStyle(), ssFlat);
  EXPECT_EQ(horz->GetThumbSize(), 9);
  EXPECT_TRUE(horz->GetTracking());
  EXPECT_EQ(box->GetVertScrollBar()->GetRange(), 300);
  EXPECT_FALSE(box->GetVertScrollBar()->GetVisible());
  EXPECT_TRUE(bool(box->OnMouseWheel) && bool(box->OnMouseWheelDown));

  auto* edit = Find<TEdit>(form.get(), "Edit1");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->GetParent(), box);
  EXPECT_EQ(edit->GetImeMode(), imHira);
  EXPECT_EQ(edit->GetColor(), clInfoBk);
  EXPECT_EQ(edit->GetImeName(), AnsiString("Japanese"));
  EXPECT_EQ(edit->GetDragMode(), dmAutomatic);
  EXPECT_TRUE(bool(edit->OnStartDock) && bool(edit->OnEndDock));

  auto* images = Find<TImageList>(form.get(), "ImageList1");
  ASSERT_NE(images, nullptr);

  auto* track = Find<TTrackBar>(form.get(), "TrackBar1");
  ASSERT_NE(track, nullptr);
  EXPECT_EQ(track->GetHeight(), 150) << "the stored size stays";
  EXPECT_EQ(track->GetFrequency(), 5);
  EXPECT_EQ(track->GetLineSize(), 2);
  EXPECT_EQ(track->GetMax(), 50);
  EXPECT_EQ(track->GetMin(), 5);
  EXPECT_EQ(track->GetOrientation(), trVertical);
  EXPECT_EQ(track->GetPageSize(), 10);
  EXPECT_EQ(track->GetPosition(), 20);
  EXPECT_EQ(track->GetSelEnd(), 30);
  EXPECT_EQ(track->GetSelStart(), 10);
  EXPECT_FALSE(track->GetSliderVisible());
  EXPECT_EQ(track->GetThumbLength(), 15);
  EXPECT_EQ(track->GetTickMarks(), tmBoth);
  EXPECT_EQ(track->GetTickStyle(), tsManual);
  EXPECT_EQ(track->GetDragCursor(), crHandPoint);
  EXPECT_EQ(track->GetDragKind(), dkDock);
  EXPECT_EQ(track->GetDragMode(), dmAutomatic);
  EXPECT_EQ(track->GetCursor(), crHandPoint);
  EXPECT_EQ(track->GetHint(), AnsiString("Volume"));
  EXPECT_TRUE(track->GetShowHint());
  EXPECT_FALSE(track->GetTabStop());
  EXPECT_TRUE(bool(track->OnChange) && bool(track->OnEnter) && bool(track->OnDragDrop));

  auto* edit2 = Find<TEdit>(form.get(), "Edit2");
  auto* spin = Find<TUpDown>(form.get(), "UpDown1");
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->GetAssociate(), edit2);
  EXPECT_EQ(spin->GetAlignButton(), udLeft);
  EXPECT_FALSE(spin->GetArrowKeys());
  EXPECT_EQ(spin->GetMin(), -10);
  EXPECT_EQ(spin->GetMax(), 10);
  EXPECT_EQ(spin->GetIncrement(), 2);
  EXPECT_EQ(spin->GetOrientation(), udHorizontal);
  EXPECT_EQ(spin->GetWidth(), 24) << "no turn while reading";
  EXPECT_EQ(spin->GetPosition(), 3);
  EXPECT_EQ(edit2->GetText(), AnsiString("3"));
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

  EXPECT_EQ(images->GetWidth(), 12);
  EXPECT_EQ(images->GetHeight(), 10);
  EXPECT_FALSE(images->GetMasked());
  EXPECT_TRUE(images->GetShareImages());
  EXPECT_EQ(images->GetBkColor(), clYellow);
  EXPECT_EQ(images->GetBlendColor(), clRed);
  EXPECT_EQ(images->GetDrawingStyle(), dsTransparent);
  EXPECT_EQ(images->GetImageType(), itMask);
  EXPECT_EQ(images->GetAllocBy(), 8);
  EXPECT_TRUE(bool(images->OnChange));

  auto* tree = Find<TTreeView>(form.get(), "TreeView1");
  ASSERT_NE(tree, nullptr);
  EXPECT_TRUE(tree->GetAutoExpand());
  EXPECT_EQ(tree->GetBorderStyle(), bsNone);
  EXPECT_EQ(tree->GetChangeDelay(), 50);
  EXPECT_FALSE(tree->GetHideSelection());
  EXPECT_TRUE(tree->GetHotTrack());
  EXPECT_EQ(tree->GetImages(), images);
  EXPECT_EQ(tree->GetStateImages(), images);
  EXPECT_EQ(tree->GetIndent(), 25);
  EXPECT_TRUE(tree->GetReadOnly());
  EXPECT_TRUE(tree->GetRightClickSelect());
  EXPECT_TRUE(tree->GetRowSelect());
  EXPECT_FALSE(tree->GetShowButtons());
  EXPECT_FALSE(tree->GetShowLines());
  EXPECT_FALSE(tree->GetShowRoot());
  EXPECT_EQ(tree->GetSortType(), stText);
  EXPECT_FALSE(tree->GetToolTips());
  EXPECT_EQ(tree->GetBiDiMode(), bdRightToLeft);
  EXPECT_TRUE(bool(tree->OnChange) && bool(tree->OnExpanding) && bool(tree->OnDeletion));
  TTreeNode* music = tree->GetItems()->GetFirstNode();
  ASSERT_NE(music, nullptr);
  struct Node {
    TTreeNode* node;
    const char* text;
    int image, selected, state, overlay, count;
  } nodes[] = {{music, "Music", 1, 2, 1, -1, 1}, {music->getFirstChild(), "Song", 3, 4, 2, 0, 0}};
  for (const Node& n : nodes) {
    ASSERT_NE(n.node, nullptr) << n.text;
    EXPECT_EQ(n.node->GetText(), AnsiString(n.text));
    EXPECT_EQ(n.node->GetImageIndex(), n.image) << n.text;
    EXPECT_EQ(n.node->GetSelectedIndex(), n.selected) << n.text;
    EXPECT_EQ(n.node->GetStateIndex(), n.state) << n.text;
    EXPECT_EQ(n.node->GetOverlayIndex(), n.overlay) << n.text;
    EXPECT_EQ(n.node->GetCount(), n.count) << n.text;
  }
  EXPECT_EQ(tree->GetItems()->GetCount(), 2);

  auto* colors = Find<TColorDialog>(form.get(), "ColorDialog1");
  ASSERT_NE(colors, nullptr);
  EXPECT_FALSE(colors->GetCtl3D());
  EXPECT_EQ(colors->GetHelpContext(), 7);
  EXPECT_EQ(colors->GetColor(), clNavy);
  EXPECT_EQ(colors->GetCustomColors()->GetCommaText(), AnsiString("ColorA=FF0000,ColorB=00FF00"));
  EXPECT_TRUE(colors->GetOptions().Contains(cdFullOpen) && colors->GetOptions().Contains(cdAnyColor));
  EXPECT_FALSE(colors->GetOptions().Contains(cdSolidColor));
  EXPECT_TRUE(bool(colors->OnShow) && bool(colors->OnClose));
}
