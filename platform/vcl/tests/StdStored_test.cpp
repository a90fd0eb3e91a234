// The stored form of memos, list and combo boxes, scroll bars, radio buttons and groups and scroll
// boxes: text to binary to objects and back to the same binary, each value read as written.
#include <gtest/gtest.h>

#include "StdInputSupport.h"

using namespace ctltest;
using namespace stdinput;

namespace {

class TStdStoredForm : public TForm {
  VCL_DECLARE_CLASS(TStdStoredForm, TForm)
  TStdStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
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
};

VCL_PUBLISHED(TStdStoredForm)
{
  p.Method("ControlChange", &TStdStoredForm::ControlChange);
  p.Method("ControlClick", &TStdStoredForm::ControlClick);
  p.Method("ControlDragDrop", &TStdStoredForm::ControlDragDrop);
  p.Method("ControlStartDrag", &TStdStoredForm::ControlStartDrag);
  p.Method("ControlStartDock", &TStdStoredForm::ControlStartDock);
  p.Method("ControlEndDrag", &TStdStoredForm::ControlEndDrag);
  p.Method("ControlDrawItem", &TStdStoredForm::ControlDrawItem);
  p.Method("ControlMeasureItem", &TStdStoredForm::ControlMeasureItem);
  p.Method("ControlScroll", &TStdStoredForm::ControlScroll);
  p.Method("ControlMouseWheel", &TStdStoredForm::ControlMouseWheel);
  p.Method("ControlMouseWheelUpDown", &TStdStoredForm::ControlMouseWheelUpDown);
}

}  // namespace

TEST(StdStored, FormRoundTripsAndReadsBack)
{
  RegisterClass(TStdStoredForm::StaticClass());
  TFormPtr form(new TStdStoredForm(nullptr, 0));
  const TRoundTrip trip = RoundTrip(L"TSTDSTOREDFORM", form.get());
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
}
