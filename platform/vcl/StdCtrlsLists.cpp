// StdCtrls: list boxes (LISTBOX) and combo boxes (COMBOBOX), their items bound to the window, owner
// draw through CN_DRAWITEM and CN_MEASUREITEM.
#include "StdCtrls.h"

#include <algorithm>
#include <atomic>

#include <commctrl.h>

#include "ControlsPublish.h"

#ifndef CB_SETMINVISIBLE
#define CB_SETMINVISIBLE 0x1701  // CBM_FIRST + 1: the rows an open list shows (common controls 6)
#endif

VCL_IMPLEMENT_ENUM(TListBoxStyle, "lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable")
VCL_IMPLEMENT_ENUM(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                   "csOwnerDrawVariable")
VCL_IMPLEMENT_ENUM(TOwnerDrawStateItem, "odSelected", "odGrayed", "odDisabled", "odChecked", "odFocused",
                   "odDefault", "odHotLight", "odInactive", "odNoAccel", "odNoFocusRect", "odReserved1",
                   "odReserved2", "odComboBoxEdit")
VCL_IMPLEMENT_CLASS(TCustomListBox)
VCL_IMPLEMENT_CLASS(TCustomComboBox)

VCL_PUBLISHED(TListBox)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("BorderStyle", &TListBox::GetBorderStyle, &TListBox::SetBorderStyle).Default(bsSingle);
  p.Property("Columns", &TListBox::GetColumns, &TListBox::SetColumns).Default(0);
  PublishDrag(p);
  p.Property("ExtendedSelect", &TListBox::GetExtendedSelect, &TListBox::SetExtendedSelect).Default(true);
  PublishIme(p);
  p.Property("IntegralHeight", &TListBox::GetIntegralHeight, &TListBox::SetIntegralHeight).Default(false);
  p.Property("ItemHeight", &TListBox::GetItemHeight, &TListBox::SetItemHeight).Default(16);
  p.Property("Items", &TListBox::GetItems, &TListBox::SetItems);
  p.Property("MultiSelect", &TListBox::GetMultiSelect, &TListBox::SetMultiSelect).Default(false);
  p.Property("Sorted", &TListBox::GetSorted, &TListBox::SetSorted).Default(false);
  p.Property("Style", &TListBox::GetStyle, &TListBox::SetStyle).Default(lbStandard);
  p.Property("TabWidth", &TListBox::GetTabWidth, &TListBox::SetTabWidth).Default(0);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnDrawItem", &TListBox::OnDrawItem, &TListBox::OnDrawItem);
  p.Property("OnMeasureItem", &TListBox::OnMeasureItem, &TListBox::OnMeasureItem);
  PublishMouseEvents(p);
  PublishDragEvents(p);
}

VCL_PUBLISHED(TComboBox)
{
  using namespace vcl_detail;
  p.Property("Style", &TComboBox::GetStyle, &TComboBox::SetStyle).Default(csDropDown);
  PublishAlign(p);
  PublishDrag(p);
  p.Property("DropDownCount", &TComboBox::GetDropDownCount, &TComboBox::SetDropDownCount).Default(8);
  PublishIme(p);
  p.Property("ItemHeight", &TComboBox::GetItemHeight, &TComboBox::SetItemHeight).Default(16);
  p.Property("MaxLength", &TComboBox::GetMaxLength, &TComboBox::SetMaxLength).Default(0);
  p.Property("Sorted", &TComboBox::GetSorted, &TComboBox::SetSorted).Default(false);
  p.Property("Text", &TComboBox::GetText, &TComboBox::SetText);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TComboBox::OnChange, &TComboBox::OnChange);
  p.Property("OnClick", &TComboBox::OnClick, &TComboBox::OnClick);
  p.Property("OnDblClick", &TComboBox::OnDblClick, &TComboBox::OnDblClick);
  p.Property("OnDrawItem", &TComboBox::OnDrawItem, &TComboBox::OnDrawItem);
  p.Property("OnDropDown", &TComboBox::OnDropDown, &TComboBox::OnDropDown);
  p.Property("OnMeasureItem", &TComboBox::OnMeasureItem, &TComboBox::OnMeasureItem);
  PublishDragEvents(p);
  // Items last, as the VCL writes it: the text and the style are set before the list fills.
  p.Property("Items", &TComboBox::GetItems, &TComboBox::SetItems);
}

namespace vcl_detail {

// The messages of one platform list: LB_ or CB_.
struct TItemMessages {
  UINT Add, Insert, Delete, GetText, GetTextLen, GetCount, Reset, SetData, GetData;
};
constexpr TItemMessages ListBoxMessages{LB_ADDSTRING,   LB_INSERTSTRING, LB_DELETESTRING,
                                        LB_GETTEXT,     LB_GETTEXTLEN,   LB_GETCOUNT,
                                        LB_RESETCONTENT, LB_SETITEMDATA, LB_GETITEMDATA};
constexpr TItemMessages ComboBoxMessages{CB_ADDSTRING,   CB_INSERTSTRING, CB_DELETESTRING,
                                         CB_GETLBTEXT,   CB_GETLBTEXTLEN, CB_GETCOUNT,
                                         CB_RESETCONTENT, CB_SETITEMDATA, CB_GETITEMDATA};

// The items of a list or combo box: the window's while it has one, else kept here (in the order a
// sorted window would keep them) until the window takes them.
class TItemStrings : public TStrings {
public:
  TItemStrings(TWinControl* control, const TItemMessages& messages, const bool& sorted)
      : FControl(control), FMsg(messages), FSorted(sorted)
  {
  }
  int GetCount() override
  {
    if (!Live()) return FSaved.GetCount();
    return int(Send(FMsg.GetCount, 0, 0));
  }
  AnsiString Get(int index) override
  {
    if (!Live()) return FSaved.Get(index);
    const LRESULT length = Send(FMsg.GetTextLen, WPARAM(index), 0);
    if (length < 0) Error("List index out of bounds (%d)", index);
    std::wstring text(size_t(length) + 1, L'\0');
    const LRESULT got = Send(FMsg.GetText, WPARAM(index), LPARAM(text.data()));
    text.resize(size_t(std::clamp<LRESULT>(got, 0, length)));
    return AnsiString(Utf16ToUtf8(text));
  }
  TObject* GetObject(int index) override
  {
    if (!Live()) return FSaved.GetObject(index);
    const LRESULT data = Send(FMsg.GetData, WPARAM(index), 0);
    if (data == -1 && (index < 0 || index >= GetCount())) Error("List index out of bounds (%d)", index);
    return reinterpret_cast<TObject*>(data);
  }
  void PutObject(int index, TObject* object) override
  {
    if (!Live()) return FSaved.PutObject(index, object);
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
    Send(FMsg.SetData, WPARAM(index), reinterpret_cast<LPARAM>(object));
  }
  int Add(const AnsiString& s) override { return AddObject(s, nullptr); }
  int AddObject(const AnsiString& s, TObject* object) override
  {
    if (!Live()) {
      const int index = FSorted ? SortedPlace(s) : FSaved.GetCount();
      FSaved.InsertObject(index, s, object);
      return index;
    }
    const std::wstring wide = Utf8ToUtf16(s.str());
    const LRESULT index = Send(FMsg.Add, 0, LPARAM(wide.c_str()));
    if (index < 0) throw EOutOfResources("Out of system resources");
    if (object) Send(FMsg.SetData, WPARAM(index), reinterpret_cast<LPARAM>(object));
    return int(index);
  }
  void Insert(int index, const AnsiString& s) override
  {
    if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
    if (!Live()) return FSaved.Insert(index, s);
    const std::wstring wide = Utf8ToUtf16(s.str());
    if (Send(FMsg.Insert, WPARAM(index), LPARAM(wide.c_str())) < 0) throw EOutOfResources("Out of system resources");
  }
  void Delete(int index) override
  {
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
    if (!Live()) return FSaved.Delete(index);
    Send(FMsg.Delete, WPARAM(index), 0);
  }
  void Clear() override
  {
    if (!Live()) return FSaved.Clear();
    Send(FMsg.Reset, 0, 0);
  }
  void Put(int index, const AnsiString& s) override
  {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
  }

  // The window takes the kept items, or gives them back before it goes.
  void ToWindow()
  {
    for (int i = 0; i < FSaved.GetCount(); ++i) {
      const std::wstring wide = Utf8ToUtf16(FSaved.Get(i).str());
      const LRESULT index = Send(FMsg.Add, 0, LPARAM(wide.c_str()));
      if (index >= 0 && FSaved.GetObject(i)) Send(FMsg.SetData, WPARAM(index), reinterpret_cast<LPARAM>(FSaved.GetObject(i)));
    }
    FSaved.Clear();
  }
  void FromWindow()
  {
    FSaved.Clear();
    const int count = int(Send(FMsg.GetCount, 0, 0));
    for (int i = 0; i < count; ++i) FSaved.AddObject(Get(i), GetObject(i));
  }
  // Whether the window holds the items now (set once it has taken them, cleared before it goes).
  bool FInWindow = false;

protected:
  void SetUpdateState(bool updating) override
  {
    if (!Live()) return;
    Send(WM_SETREDRAW, !updating, 0);
    if (!updating) FControl->Invalidate();
  }

private:
  bool Live() const { return FInWindow && FControl->HandleAllocated(); }
  LRESULT Send(UINT msg, WPARAM w, LPARAM l) { return SendMessageW(FControl->GetHandle(), msg, w, l); }
  // Where a sorted window puts a new item: after the items that compare lower or equal, ignoring case.
  int SortedPlace(const AnsiString& s)
  {
    const std::wstring wide = Utf8ToUtf16(s.str());
    int index = 0;
    while (index < FSaved.GetCount()) {
      const std::wstring other = Utf8ToUtf16(FSaved.Get(index).str());
      if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, other.c_str(), -1, wide.c_str(), -1) == CSTR_GREATER_THAN)
        break;
      ++index;
    }
    return index;
  }
  TWinControl* FControl;
  const TItemMessages& FMsg;
  const bool& FSorted;
  TStringList FSaved;
};

}  // namespace vcl_detail

namespace {

// Owner-drawn lists name their control by identifier in WM_MEASUREITEM: each gets one of its own.
void GiveControlID(HWND handle)
{
  static std::atomic<int> next{0x4000};
  SetWindowLongPtrW(handle, GWLP_ID, LONG_PTR(next++));
}

TOwnerDrawState DrawState(UINT itemState)
{
  static const std::pair<UINT, TOwnerDrawStateItem> flags[] = {
      {ODS_SELECTED, odSelected}, {ODS_GRAYED, odGrayed},     {ODS_DISABLED, odDisabled},
      {ODS_CHECKED, odChecked},   {ODS_FOCUS, odFocused},     {ODS_DEFAULT, odDefault},
      {ODS_HOTLIGHT, odHotLight}, {ODS_INACTIVE, odInactive}, {ODS_NOACCEL, odNoAccel},
      {ODS_NOFOCUSRECT, odNoFocusRect}, {ODS_COMBOBOXEDIT, odComboBoxEdit}};
  TOwnerDrawState state;
  for (const auto& [flag, item] : flags)
    if (itemState & flag) state << item;
  return state;
}

// Paints one owner-drawn item: the canvas starts with the control's font and brush (the highlight
// colours for a selected item), draw paints it, and the focused item gets its focus rectangle.
template <class Draw>
void PaintOwnerItem(TWinControl* control, TControlCanvas* canvas, const DRAWITEMSTRUCT& item, Draw draw)
{
  const TRect rect(item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
  const TOwnerDrawState state = DrawState(item.itemState);
  canvas->PaintOn(item.hDC, [&] {
    canvas->GetFont()->Assign(control->GetFont());
    canvas->GetBrush()->Assign(control->GetBrush());
    if (state.Contains(odSelected)) {
      canvas->GetBrush()->SetColor(clHighlight);
      canvas->GetFont()->SetColor(clHighlightText);
    }
    if (item.itemAction == ODA_FOCUS) {
      canvas->DrawFocusRect(rect);
      return;
    }
    if (int(item.itemID) >= 0) draw(int(item.itemID), rect, state);
    else canvas->FillRect(rect);
    if (state.Contains(odFocused) && !state.Contains(odNoFocusRect)) canvas->DrawFocusRect(rect);
  });
}

// The default look of an owner-drawn item: its text, aligned as the reading order asks.
void DrawItemText(TWinControl* control, TCanvas* canvas, const TRect& rect, const AnsiString& text)
{
  canvas->FillRect(rect);
  RECT r{rect.Left + 2, rect.Top, rect.Right - 2, rect.Bottom};
  const std::wstring wide = Utf8ToUtf16(text.str());
  SetBkMode(canvas->GetHandle(), TRANSPARENT);
  DrawTextW(canvas->GetHandle(), wide.c_str(), int(wide.size()), &r,
            UINT(control->DrawTextBiDiModeFlags(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX)));
}

}  // namespace

// ===================================================================================================
// TCustomListBox
TCustomListBox::TCustomListBox(TOwnerArg owner)
    : TWinControl(owner),
      FItems(std::make_unique<vcl_detail::TItemStrings>(this, vcl_detail::ListBoxMessages, FSorted)),
      FCanvas(std::make_unique<TControlCanvas>())
{
  FCanvas->SetControl(this);
  FControlStyle << csSetCaption;
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

TStrings* TCustomListBox::GetItems() const { return FItems.get(); }
void TCustomListBox::SetItems(TStrings* value) { FItems->Assign(value); }

void TCustomListBox::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"LISTBOX");
  params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | WS_VSCROLL | WS_HSCROLL;
  if (FSorted) params.Style |= LBS_SORT;
  if (FMultiSelect) params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FStyle == lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE;
  // Right to left the items are drawn here, right-aligned: the platform's list draws them at the left.
  if (FStyle == lbStandard && UseRightToLeftAlignment()) params.Style |= LBS_OWNERDRAWFIXED;
  if (!FIntegralHeight) params.Style |= LBS_NOINTEGRALHEIGHT;
  if (FColumns > 0) params.Style |= LBS_MULTICOLUMN;
  else params.Style &= ~DWORD(WS_HSCROLL);
  if (FTabWidth > 0) params.Style |= LBS_USETABSTOPS;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
  if (UseRightToLeftAlignment()) params.ExStyle |= WS_EX_RIGHT;
}

void TCustomListBox::CreateWnd()
{
  TWinControl::CreateWnd();
  HWND handle = GetHandle();
  GiveControlID(handle);
  if (FStyle == lbOwnerDrawFixed) SendMessageW(handle, LB_SETITEMHEIGHT, 0, FItemHeight);
  if (FStyle == lbStandard && UseRightToLeftAlignment())
    SendMessageW(handle, LB_SETITEMHEIGHT, 0, int(vcl_detail::MeasureControlText(GetFont(), "0", 0, 0).cy) + 1);
  if (FColumns > 0) SendMessageW(handle, LB_SETCOLUMNWIDTH, std::max(GetClientWidth() / FColumns, 1), 0);
  if (FTabWidth > 0) SendMessageW(handle, LB_SETTABSTOPS, 1, LPARAM(&FTabWidth));
  FItems->ToWindow();
  FItems->FInWindow = true;
  if (FMultiSelect) {
    for (int index : FSavedSelection) SendMessageW(handle, LB_SETSEL, TRUE, index);
    SendMessageW(handle, LB_SETCARETINDEX, WPARAM(std::max(FItemIndex, 0)), FALSE);
  } else {
    SetItemIndex(FItemIndex);
  }
  FSavedSelection.clear();
  SendMessageW(handle, LB_SETTOPINDEX, WPARAM(FTopIndex), 0);
}

void TCustomListBox::DestroyWnd()
{
  if (!HasState(csDestroying) && FItems->FInWindow) {
    FItemIndex = GetItemIndex();
    FTopIndex = GetTopIndex();
    FSavedSelection.clear();
    if (FMultiSelect)
      for (int i = 0; i < FItems->GetCount(); ++i)
        if (GetSelected(i)) FSavedSelection.push_back(i);
    FItems->FromWindow();
  }
  FItems->FInWindow = false;
  TWinControl::DestroyWnd();
}

int TCustomListBox::GetItemIndex()
{
  if (!HandleAllocated() || !FItems->FInWindow) return FItemIndex;
  return int(SendMessageW(GetHandle(), FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(int value)
{
  if (!HandleAllocated() || !FItems->FInWindow) {
    FItemIndex = value;
    return;
  }
  HWND handle = GetHandle();
  if (FMultiSelect) {
    SendMessageW(handle, LB_SETSEL, FALSE, -1);
    if (value >= 0) SendMessageW(handle, LB_SETSEL, TRUE, value);
    SendMessageW(handle, LB_SETCARETINDEX, WPARAM(std::max(value, 0)), FALSE);
  } else {
    SendMessageW(handle, LB_SETCURSEL, WPARAM(value), 0);
  }
}

bool TCustomListBox::GetSelected(int index)
{
  if (index < 0 || index >= FItems->GetCount()) TList::Error("List index out of bounds (%d)", index);
  if (!HandleAllocated() || !FItems->FInWindow) {
    if (FMultiSelect) return std::find(FSavedSelection.begin(), FSavedSelection.end(), index) != FSavedSelection.end();
    return index == FItemIndex;
  }
  return SendMessageW(GetHandle(), LB_GETSEL, WPARAM(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value)
{
  if (index < 0 || index >= FItems->GetCount()) TList::Error("List index out of bounds (%d)", index);
  if (!FMultiSelect) {
    if (value) SetItemIndex(index);
    else if (GetItemIndex() == index) SetItemIndex(-1);
    return;
  }
  if (!HandleAllocated() || !FItems->FInWindow) {
    FSavedSelection.erase(std::remove(FSavedSelection.begin(), FSavedSelection.end(), index), FSavedSelection.end());
    if (value) FSavedSelection.push_back(index);
    return;
  }
  SendMessageW(GetHandle(), LB_SETSEL, value, index);
}

int TCustomListBox::GetSelCount()
{
  if (!FMultiSelect) return -1;
  if (!HandleAllocated() || !FItems->FInWindow) return int(FSavedSelection.size());
  return int(SendMessageW(GetHandle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetMultiSelect(bool value)
{
  if (FMultiSelect == value) return;
  FMultiSelect = value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value)
{
  if (FExtendedSelect == value) return;
  FExtendedSelect = value;
  RecreateWnd();
}

void TCustomListBox::SetSorted(bool value)
{
  if (FSorted == value) return;
  FSorted = value;
  if (value && !HandleAllocated()) {
    // The kept items take the order the window will give them.
    TStringList copy;
    copy.Assign(FItems.get());
    FItems->Clear();
    for (int i = 0; i < copy.GetCount(); ++i) FItems->AddObject(copy.Get(i), copy.GetObject(i));
  }
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle value)
{
  if (FStyle == value) return;
  FStyle = value;
  RecreateWnd();
}

int TCustomListBox::GetTopIndex()
{
  if (!HandleAllocated() || !FItems->FInWindow) return FTopIndex;
  return int(SendMessageW(GetHandle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int value)
{
  if (!HandleAllocated() || !FItems->FInWindow) {
    FTopIndex = value;
    return;
  }
  SendMessageW(GetHandle(), LB_SETTOPINDEX, WPARAM(value), 0);
}

void TCustomListBox::SetColumns(int value)
{
  value = std::max(value, 0);
  if (FColumns == value) return;
  const bool recreate = (FColumns == 0) != (value == 0);
  FColumns = value;
  if (recreate) RecreateWnd();
  else if (HandleAllocated()) SendMessageW(GetHandle(), LB_SETCOLUMNWIDTH, std::max(GetClientWidth() / value, 1), 0);
}

int TCustomListBox::GetItemHeight()
{
  if (FStyle == lbStandard && HandleAllocated()) return int(SendMessageW(GetHandle(), LB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int value)
{
  if (value <= 0 || FItemHeight == value) return;
  FItemHeight = value;
  if (FStyle != lbStandard) RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool value)
{
  if (FIntegralHeight == value) return;
  FIntegralHeight = value;
  RecreateWnd();
}

void TCustomListBox::SetTabWidth(int value)
{
  value = std::max(value, 0);
  if (FTabWidth == value) return;
  FTabWidth = value;
  RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle value)
{
  if (value != bsNone) value = bsSingle;
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  RecreateWnd();
}

int TCustomListBox::ItemAtPos(const TPoint& pos, bool existing)
{
  const TRect client = GetClientRect();
  const int count = FItems->GetCount();
  if (pos.x >= client.Left && pos.y >= client.Top && pos.x < client.Right && pos.y < client.Bottom) {
    for (int i = std::max(GetTopIndex(), 0); i < count; ++i) {
      const TRect r = ItemRect(i);
      if (r.Top >= client.Bottom && FColumns == 0) break;
      if (pos.x >= r.Left && pos.y >= r.Top && pos.x < r.Right && pos.y < r.Bottom) return i;
    }
  }
  return existing ? -1 : count;
}

TRect TCustomListBox::ItemRect(int index)
{
  RECT r{};
  if (SendMessageW(GetHandle(), LB_GETITEMRECT, WPARAM(index), LPARAM(&r)) == LB_ERR) {
    // Just past the last item: where the next one would go.
    const int count = FItems->GetCount();
    if (index == count && count > 0) {
      SendMessageW(GetHandle(), LB_GETITEMRECT, WPARAM(count - 1), LPARAM(&r));
      OffsetRect(&r, 0, r.bottom - r.top);
    } else {
      r = RECT{};
    }
  }
  return TRect(r.left, r.top, r.right, r.bottom);
}

void TCustomListBox::Clear() { FItems->Clear(); }

void TCustomListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state)
{
  if (OnDrawItem) return OnDrawItem(this, index, rect, state);
  DrawItemText(this, FCanvas.get(), rect, FItems->Get(index));
}

void TCustomListBox::MeasureItem(int index, int& height)
{
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomListBox::CNDrawItem(TMessage& message)
{
  const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
  PaintOwnerItem(this, FCanvas.get(), item,
                 [&](int index, const TRect& rect, TOwnerDrawState state) { DrawItem(index, rect, state); });
  message.Result = TRUE;
}

void TCustomListBox::CNMeasureItem(TMessage& message)
{
  auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
  int height = FStyle == lbStandard ? int(vcl_detail::MeasureControlText(GetFont(), "0", 0, 0).cy) + 1 : FItemHeight;
  if (FStyle == lbOwnerDrawVariable) MeasureItem(int(measure.itemID), height);
  measure.itemHeight = UINT(std::max(height, 1));
  message.Result = TRUE;
}

void TCustomListBox::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_COMMAND:
      switch (static_cast<TWMCommand&>(message).NotifyCode()) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        default: break;
      }
      return;
    case CN_DRAWITEM: return CNDrawItem(message);
    case CN_MEASUREITEM: return CNMeasureItem(message);
    case WM_SIZE:
      TWinControl::Dispatch(raw);
      if (FColumns > 0 && HandleAllocated())
        SendMessageW(GetHandle(), LB_SETCOLUMNWIDTH, std::max(GetClientWidth() / FColumns, 1), 0);
      return;
    default: return TWinControl::Dispatch(raw);
  }
}

// ===================================================================================================
// TCustomComboBox
TCustomComboBox::TCustomComboBox(TOwnerArg owner)
    : TWinControl(owner),
      FItems(std::make_unique<vcl_detail::TItemStrings>(this, vcl_detail::ComboBoxMessages, FSorted)),
      FCanvas(std::make_unique<TControlCanvas>())
{
  FCanvas->SetControl(this);
  FControlStyle << csSetCaption << csFixedHeight;
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() = default;

TStrings* TCustomComboBox::GetItems() const { return FItems.get(); }
void TCustomComboBox::SetItems(TStrings* value) { FItems->Assign(value); }

void TCustomComboBox::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"COMBOBOX");
  static const DWORD styles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                 CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
  params.Style |= styles[FStyle] | WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
  if (FSorted) params.Style |= CBS_SORT;
  if (UseRightToLeftAlignment()) params.ExStyle |= WS_EX_RIGHT;
  // A drop-down combo box's window height is the height of its open list.
  if (FStyle != csSimple) params.Height = GetHeight() + FItemHeight * FDropDownCount + 2;
}

void TCustomComboBox::CreateWnd()
{
  FCreating = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FCreating};
  const AnsiString text = TControl::DoGetText();
  TWinControl::CreateWnd();
  HWND handle = GetHandle();
  GiveControlID(handle);
  if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) {
    SendMessageW(handle, CB_SETITEMHEIGHT, WPARAM(-1), FItemHeight);
    SendMessageW(handle, CB_SETITEMHEIGHT, 0, FItemHeight);
  }
  SendMessageW(handle, CB_LIMITTEXT, WPARAM(FMaxLength), 0);
  FItems->ToWindow();
  FItems->FInWindow = true;
  SendMessageW(handle, CB_SETCURSEL, WPARAM(FItemIndex), 0);
  if (FItemIndex < 0 && !text.IsEmpty()) SetTextInternal(text);
  ApplyDropDownHeight();
}

void TCustomComboBox::DestroyWnd()
{
  if (!HasState(csDestroying) && FItems->FInWindow) {
    FItemIndex = GetItemIndex();
    FItems->FromWindow();
  }
  FItems->FInWindow = false;
  TWinControl::DestroyWnd();
}

void TCustomComboBox::ApplyDropDownHeight()
{
  if (!HandleAllocated() || FStyle == csSimple) return;
  SendMessageW(GetHandle(), CB_SETMINVISIBLE, WPARAM(FDropDownCount), 0);
}

void TCustomComboBox::SetBounds(int left, int top, int width, int height)
{
  TWinControl::SetBounds(left, top, width, height);
  if (!HandleAllocated() || FStyle == csSimple) return;
  // The window keeps the height of its edit; the height it is given is the open list's.
  RECT r{};
  GetWindowRect(GetHandle(), &r);
  SetWindowPos(GetHandle(), nullptr, 0, 0, r.right - r.left, (r.bottom - r.top) + FItemHeight * FDropDownCount + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TCustomComboBox::GetItemIndex()
{
  if (!HandleAllocated() || !FItems->FInWindow) return FItemIndex;
  return int(SendMessageW(GetHandle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(int value)
{
  if (!HandleAllocated() || !FItems->FInWindow) {
    FItemIndex = value;
    return;
  }
  SendMessageW(GetHandle(), CB_SETCURSEL, WPARAM(value), 0);
}

void TCustomComboBox::SetTextInternal(const AnsiString& value)
{
  if (HandleAllocated() && FItems->FInWindow && FStyle >= csDropDownList) {
    // A list-only combo box shows one of its items: the one with that text, else none.
    const std::wstring wide = Utf8ToUtf16(value.str());
    const LRESULT index = SendMessageW(GetHandle(), CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(wide.c_str()));
    SendMessageW(GetHandle(), CB_SETCURSEL, WPARAM(index), 0);
    return;
  }
  TWinControl::SetTextInternal(value);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value)
{
  if (FStyle == value) return;
  FStyle = value;
  RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int value)
{
  FDropDownCount = std::max(value, 1);
  if (HandleAllocated()) SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
  ApplyDropDownHeight();
}

void TCustomComboBox::SetSorted(bool value)
{
  if (FSorted == value) return;
  FSorted = value;
  if (value && !HandleAllocated()) {
    TStringList copy;
    copy.Assign(FItems.get());
    FItems->Clear();
    for (int i = 0; i < copy.GetCount(); ++i) FItems->AddObject(copy.Get(i), copy.GetObject(i));
  }
  RecreateWnd();
}

int TCustomComboBox::GetItemHeight()
{
  if (HandleAllocated() && FStyle < csOwnerDrawFixed) return int(SendMessageW(GetHandle(), CB_GETITEMHEIGHT, 0, 0));
  return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int value)
{
  if (value <= 0 || FItemHeight == value) return;
  FItemHeight = value;
  if (FStyle >= csOwnerDrawFixed) RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int value)
{
  FMaxLength = std::max(value, 0);
  if (HandleAllocated()) SendMessageW(GetHandle(), CB_LIMITTEXT, WPARAM(FMaxLength), 0);
}

bool TCustomComboBox::GetDroppedDown()
{
  return HandleAllocated() && SendMessageW(GetHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) { SendMessageW(GetHandle(), CB_SHOWDROPDOWN, value, 0); }

int TCustomComboBox::GetSelStart()
{
  DWORD start = 0;
  SendMessageW(GetHandle(), CB_GETEDITSEL, WPARAM(&start), 0);
  return int(start);
}

void TCustomComboBox::SetSelStart(int value) { SendMessageW(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(value, value)); }

int TCustomComboBox::GetSelLength()
{
  DWORD start = 0, end = 0;
  SendMessageW(GetHandle(), CB_GETEDITSEL, WPARAM(&start), LPARAM(&end));
  return int(end - start);
}

void TCustomComboBox::SetSelLength(int value)
{
  const int start = GetSelStart();
  SendMessageW(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(start, start + value));
}

void TCustomComboBox::SelectAll() { SendMessageW(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1)); }

void TCustomComboBox::Clear()
{
  FItems->Clear();
  SetText(AnsiString());
}

void TCustomComboBox::Change()
{
  if (OnChange) OnChange(this);
}

void TCustomComboBox::DropDown()
{
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state)
{
  if (OnDrawItem) return OnDrawItem(this, index, rect, state);
  DrawItemText(this, FCanvas.get(), rect, FItems->Get(index));
}

void TCustomComboBox::MeasureItem(int index, int& height)
{
  if (OnMeasureItem) OnMeasureItem(this, index, height);
}

void TCustomComboBox::CNDrawItem(TMessage& message)
{
  const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
  PaintOwnerItem(this, FCanvas.get(), item,
                 [&](int index, const TRect& rect, TOwnerDrawState state) { DrawItem(index, rect, state); });
  message.Result = TRUE;
}

void TCustomComboBox::CNMeasureItem(TMessage& message)
{
  auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
  int height = FItemHeight;
  if (FStyle == csOwnerDrawVariable && int(measure.itemID) >= 0) MeasureItem(int(measure.itemID), height);
  measure.itemHeight = UINT(std::max(height, 1));
  message.Result = TRUE;
}

void TCustomComboBox::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_COMMAND:
      switch (static_cast<TWMCommand&>(message).NotifyCode()) {
        case CBN_EDITCHANGE:
          if (!FCreating) Change();
          break;
        case CBN_SELCHANGE: {
          // The edit shows the chosen item only after this notification: show it now, so that the
          // handlers read the new text.
          const int index = GetItemIndex();
          if (index >= 0 && FStyle < csDropDownList)
            SetWindowTextW(GetHandle(), Utf8ToUtf16(FItems->Get(index).str()).c_str());
          Click();
          Change();
          break;
        }
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_DBLCLK: DblClick(); break;
        default: break;
      }
      return;
    case CN_DRAWITEM: return CNDrawItem(message);
    case CN_MEASUREITEM: return CNMeasureItem(message);
    default: return TWinControl::Dispatch(raw);
  }
}
