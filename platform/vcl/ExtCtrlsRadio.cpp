// ExtCtrls: radio groups — a group box whose radio buttons are made from its items.
#include "ExtCtrls.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_CLASS(TCustomRadioGroup)

VCL_PUBLISHED(TRadioGroup)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Caption", &TRadioGroup::GetCaption, &TRadioGroup::SetCaption);
  p.Property("Columns", &TRadioGroup::GetColumns, &TRadioGroup::SetColumns).Default(1);
  PublishDrag(p);
  p.Property("ItemIndex", &TRadioGroup::GetItemIndex, &TRadioGroup::SetItemIndex).Default(-1);
  p.Property("Items", &TRadioGroup::GetItems, &TRadioGroup::SetItems);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnClick", &TRadioGroup::OnClick, &TRadioGroup::OnClick);
  PublishDragEvents(p);
}

// One button of a group: owned by the group (so stored forms never list it), clicks report to it.
class TGroupButton : public TRadioButton {
  VCL_DECLARE_CLASS(TGroupButton, TRadioButton)
  TGroupButton(TCustomRadioGroup* group, int index) : TRadioButton(group), FIndex(index), FGroup(group)
  {
    SetParent(group);
  }
  int FIndex;

  void Click() override
  {
    TRadioButton::Click();
    if (GetChecked()) FGroup->ButtonClicked(FIndex);
  }

private:
  TCustomRadioGroup* FGroup;
};
VCL_IMPLEMENT_CLASS(TGroupButton)

TCustomRadioGroup::TCustomRadioGroup(TOwnerArg owner) : TCustomGroupBox(owner), FItems(std::make_unique<TStringList>())
{
  FItems->SetOnChange(TNotifyEvent(this, &TCustomRadioGroup::ItemsChanged));
  SetTabStop(true);
}

TCustomRadioGroup::~TCustomRadioGroup()
{
  FItems->SetOnChange(TNotifyEvent());
}

void TCustomRadioGroup::SetItems(TStrings* value) { FItems->Assign(value); }

TRadioButton* TCustomRadioGroup::GetButton(int index) const
{
  if (index < 0 || index >= int(FButtons.size())) TList::Error("List index out of bounds (%d)", index);
  return FButtons[size_t(index)];
}

void TCustomRadioGroup::ItemsChanged(TObject*)
{
  if (HasState(csLoading)) return;
  if (FItemIndex >= FItems->GetCount()) FItemIndex = FItems->GetCount() - 1;
  UpdateButtons();
}

void TCustomRadioGroup::Loaded()
{
  TCustomGroupBox::Loaded();
  UpdateButtons();
}

void TCustomRadioGroup::SetItemIndex(int value)
{
  if (HasState(csLoading)) {
    FItemIndex = value;
    return;
  }
  value = std::clamp(value, -1, FItems->GetCount() - 1);
  if (FItemIndex == value) return;
  FItemIndex = value;
  FUpdating = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FUpdating};
  if (value >= 0) FButtons[size_t(value)]->SetChecked(true);
  else
    for (TGroupButton* button : FButtons) button->SetChecked(false);
}

void TCustomRadioGroup::SetColumns(int value)
{
  value = std::clamp(value, 1, 16);
  if (FColumns == value) return;
  FColumns = value;
  ArrangeButtons();
}

void TCustomRadioGroup::ButtonClicked(int index)
{
  if (FUpdating) return;
  FItemIndex = index;
  Click();
}

void TCustomRadioGroup::UpdateButtons()
{
  if (HasState(csDestroying)) return;
  FUpdating = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FUpdating};
  const int count = FItems->GetCount();
  while (int(FButtons.size()) > count) {
    delete FButtons.back();
    FButtons.pop_back();
  }
  while (int(FButtons.size()) < count) FButtons.push_back(new TGroupButton(this, int(FButtons.size())));
  for (int i = 0; i < count; ++i) {
    TGroupButton* button = FButtons[size_t(i)];
    button->SetCaption(FItems->Get(i));
    button->SetEnabled(GetEnabled());
    button->SetChecked(i == FItemIndex);
  }
  if (FItemIndex < 0)
    for (TGroupButton* button : FButtons) button->SetChecked(false);
  ArrangeButtons();
}

// Rows of equal height below the caption, columns of equal width; right to left the first column is
// the rightmost.
void TCustomRadioGroup::ArrangeButtons()
{
  if (FButtons.empty()) return;
  const TSize caption = vcl_detail::MeasureControlText(GetFont(), "0", 0, 0);
  const int rows = (int(FButtons.size()) + FColumns - 1) / FColumns;
  const int top = int(caption.cy) + 2;
  const int width = std::max(GetClientWidth() - 16, 0);
  const int height = std::max(GetClientHeight() - top - 4, 0);
  const int columnWidth = width / FColumns;
  const int rowHeight = std::max(height / rows, 1);
  const int buttonHeight = std::min(rowHeight, int(caption.cy) + 4);
  for (size_t i = 0; i < FButtons.size(); ++i) {
    const int column = int(i) / rows, row = int(i) % rows;
    int left = 8 + column * columnWidth;
    if (UseRightToLeftAlignment()) left = 8 + (FColumns - 1 - column) * columnWidth;
    FButtons[i]->SetBounds(left, top + row * rowHeight + (rowHeight - buttonHeight) / 2, columnWidth, buttonHeight);
  }
}

void TCustomRadioGroup::GetChildren(TGetChildProc proc, TComponent* root)
{
  // The buttons belong to the items; other children are stored as usual.
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    if (!dynamic_cast<TGroupButton*>(c) && c->Owner() == root) proc(c);
  }
}

void TCustomRadioGroup::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CM_ENABLEDCHANGED:
      TCustomGroupBox::Dispatch(raw);
      for (TGroupButton* button : FButtons) button->SetEnabled(GetEnabled());
      return;
    case WM_SIZE:
      TCustomGroupBox::Dispatch(raw);
      ArrangeButtons();
      return;
    case CM_BIDIMODECHANGED: case CM_FONTCHANGED:
      TCustomGroupBox::Dispatch(raw);
      ArrangeButtons();
      return;
    case WM_SETFOCUS:
      // The focus goes on to the checked button (or the first).
      TCustomGroupBox::Dispatch(raw);
      if (!FButtons.empty()) {
        TRadioButton* button = FButtons[size_t(std::max(FItemIndex, 0))];
        if (button->CanFocus()) button->SetFocus();
      }
      return;
    default: return TCustomGroupBox::Dispatch(raw);
  }
}
