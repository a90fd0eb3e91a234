// ComCtrls: the page control (the platform's SysTabControl32) and its tab sheets. The sheets are
// children of the control; the shown ones have a tab each, in page order; the active one fills the
// display rect and is the only one visible.
#include <algorithm>

#include "ComCtrls.h"
#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TTabPosition, "tpTop", "tpBottom", "tpLeft", "tpRight")
VCL_IMPLEMENT_ENUM(TTabStyle, "tsTabs", "tsButtons", "tsFlatButtons")

VCL_PUBLISHED(TTabSheet)
{
  using namespace vcl_detail;
  p.Property("Caption", &TTabSheet::GetCaption, &TTabSheet::SetCaption);
  p.Property("DragMode", &TTabSheet::GetDragMode, &TTabSheet::SetDragMode).Default(dmManual);
  p.Property("Enabled", &TTabSheet::GetEnabled, &TTabSheet::SetEnabled).Default(true);
  p.Property("Font", &TTabSheet::GetFont, &TTabSheet::SetFont).Stored(&TTabSheet::IsFontStored);
  // The page control places its sheets: their bounds and visibility are not stored.
  p.Property("Height", &TTabSheet::GetHeight, &TTabSheet::SetHeight).Stored(false);
  p.Property("ImageIndex", &TTabSheet::GetImageIndex, &TTabSheet::SetImageIndex).Default(0);
  p.Property("Left", &TTabSheet::GetLeft, &TTabSheet::SetLeft).Stored(false);
  p.Property("PageIndex", &TTabSheet::GetPageIndex, &TTabSheet::SetPageIndex).Stored(false);
  p.Property("ParentFont", &TTabSheet::GetParentFont, &TTabSheet::SetParentFont).Default(true);
  p.Property("ParentShowHint", &TTabSheet::GetParentShowHint, &TTabSheet::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &TTabSheet::GetPopupMenu, &TTabSheet::SetPopupMenu);
  p.Property("ShowHint", &TTabSheet::GetShowHint, &TTabSheet::SetShowHint).Stored(&TTabSheet::IsShowHintStored);
  p.Property("TabVisible", &TTabSheet::GetTabVisible, &TTabSheet::SetTabVisible).Default(true);
  p.Property("Top", &TTabSheet::GetTop, &TTabSheet::SetTop).Stored(false);
  p.Property("Visible", &TTabSheet::GetVisible, &TTabSheet::SetVisible).Stored(false);
  p.Property("Width", &TTabSheet::GetWidth, &TTabSheet::SetWidth).Stored(false);
  p.Property("OnDragDrop", &TTabSheet::OnDragDrop, &TTabSheet::OnDragDrop);
  p.Property("OnDragOver", &TTabSheet::OnDragOver, &TTabSheet::OnDragOver);
  p.Property("OnEndDrag", &TTabSheet::OnEndDrag, &TTabSheet::OnEndDrag);
  p.Property("OnEnter", &TTabSheet::OnEnter, &TTabSheet::OnEnter);
  p.Property("OnExit", &TTabSheet::OnExit, &TTabSheet::OnExit);
  p.Property("OnHide", &TTabSheet::OnHide, &TTabSheet::OnHide);
  p.Property("OnMouseDown", &TTabSheet::OnMouseDown, &TTabSheet::OnMouseDown);
  p.Property("OnMouseMove", &TTabSheet::OnMouseMove, &TTabSheet::OnMouseMove);
  p.Property("OnMouseUp", &TTabSheet::OnMouseUp, &TTabSheet::OnMouseUp);
  p.Property("OnResize", &TTabSheet::OnResize, &TTabSheet::OnResize);
  p.Property("OnShow", &TTabSheet::OnShow, &TTabSheet::OnShow);
  p.Property("OnStartDrag", &TTabSheet::OnStartDrag, &TTabSheet::OnStartDrag);
}

VCL_PUBLISHED(TPageControl)
{
  using namespace vcl_detail;
  p.Property("ActivePage", &TPageControl::GetActivePage, &TPageControl::SetActivePage);
  PublishAlign(p);
  p.Property("BiDiMode", &TPageControl::GetBiDiMode, &TPageControl::SetBiDiMode).Stored(&TPageControl::IsBiDiModeStored);
  PublishDrag(p);
  p.Property("Enabled", &TPageControl::GetEnabled, &TPageControl::SetEnabled).Default(true);
  p.Property("Font", &TPageControl::GetFont, &TPageControl::SetFont).Stored(&TPageControl::IsFontStored);
  p.Property("HotTrack", &TPageControl::GetHotTrack, &TPageControl::SetHotTrack).Default(false);
  p.Property("Images", &TPageControl::GetImages, &TPageControl::SetImages);
  p.Property("MultiLine", &TPageControl::GetMultiLine, &TPageControl::SetMultiLine).Default(false);
  p.Property("ParentBiDiMode", &TPageControl::GetParentBiDiMode, &TPageControl::SetParentBiDiMode).Default(true);
  p.Property("ParentFont", &TPageControl::GetParentFont, &TPageControl::SetParentFont).Default(true);
  p.Property("ParentShowHint", &TPageControl::GetParentShowHint, &TPageControl::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &TPageControl::GetPopupMenu, &TPageControl::SetPopupMenu);
  p.Property("RaggedRight", &TPageControl::GetRaggedRight, &TPageControl::SetRaggedRight).Default(false);
  p.Property("ScrollOpposite", &TPageControl::GetScrollOpposite, &TPageControl::SetScrollOpposite).Default(false);
  p.Property("ShowHint", &TPageControl::GetShowHint, &TPageControl::SetShowHint).Stored(&TPageControl::IsShowHintStored);
  p.Property("Style", &TPageControl::GetStyle, &TPageControl::SetStyle).Default(tsTabs);
  p.Property("TabHeight", &TPageControl::GetTabHeight, &TPageControl::SetTabHeight).Default(short(0));
  p.Property("TabOrder", &TPageControl::GetTabOrder, &TPageControl::SetTabOrder).Default(-1);
  p.Property("TabPosition", &TPageControl::GetTabPosition, &TPageControl::SetTabPosition).Default(tpTop);
  p.Property("TabStop", &TPageControl::GetTabStop, &TPageControl::SetTabStop).Default(true);
  p.Property("TabWidth", &TPageControl::GetTabWidth, &TPageControl::SetTabWidth).Default(short(0));
  p.Property("Visible", &TPageControl::GetVisible, &TPageControl::SetVisible).Default(true);
  p.Property("OnChange", &TPageControl::OnChange, &TPageControl::OnChange);
  p.Property("OnChanging", &TPageControl::OnChanging, &TPageControl::OnChanging);
  PublishDragEvents(p);
  PublishFocusEvents(p);
  p.Property("OnMouseDown", &TPageControl::OnMouseDown, &TPageControl::OnMouseDown);
  p.Property("OnMouseMove", &TPageControl::OnMouseMove, &TPageControl::OnMouseMove);
  p.Property("OnMouseUp", &TPageControl::OnMouseUp, &TPageControl::OnMouseUp);
  p.Property("OnResize", &TPageControl::OnResize, &TPageControl::OnResize);
}

// ===================================================================================================
// TTabSheet
TTabSheet::TTabSheet(TOwnerArg owner) : TWinControl(owner)
{
  FControlStyle << csAcceptsControls;
  SetAlign(alClient);
  SetVisible(false);
}

TTabSheet::~TTabSheet()
{
  if (FPageControl) FPageControl->RemovePage(this);
  FPageControl = nullptr;
}

void TTabSheet::BeforeDestruction()
{
  if (FPageControl) FPageControl->RemovePage(this);
  FPageControl = nullptr;
  TWinControl::BeforeDestruction();
}

void TTabSheet::SetPageControl(TPageControl* value) { SetParent(value); }

// The parent decides the page control, whichever way it was set (PageControl, Parent, reading).
void TTabSheet::SetParent(TWinControl* value)
{
  TPageControl* previous = FPageControl;
  auto* next = dynamic_cast<TPageControl*>(value);
  if (previous && previous != next) {
    previous->RemovePage(this);
    FPageControl = nullptr;
  }
  TWinControl::SetParent(value);
  if (next && next != previous) {
    FPageControl = next;
    next->InsertPage(this);
  }
}

void TTabSheet::SetTabVisible(bool value)
{
  if (value == FTabVisible) return;
  FTabVisible = value;
  if (FPageControl) FPageControl->UpdateTabs();
}

int TTabSheet::GetPageIndex() const
{
  if (!FPageControl) return -1;
  const auto& pages = FPageControl->FPages;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : int(it - pages.begin());
}

void TTabSheet::SetPageIndex(int value)
{
  if (FPageControl) FPageControl->MovePage(this, value);
}

int TTabSheet::GetTabIndex() const
{
  if (!FPageControl || !FTabVisible) return -1;
  int index = 0;
  for (TTabSheet* page : FPageControl->FPages) {
    if (page == this) return index;
    if (page->FTabVisible) ++index;
  }
  return -1;
}

void TTabSheet::SetImageIndex(int value)
{
  if (value == FImageIndex) return;
  FImageIndex = value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::Dispatch(void* raw)
{
  auto& message = *static_cast<TMessage*>(raw);
  TWinControl::Dispatch(raw);
  // The caption is the tab's text.
  if (message.Msg == CM_TEXTCHANGED && FPageControl) FPageControl->UpdateTabs();
}

// ===================================================================================================
// TPageControl
TPageControl::TPageControl(TOwnerArg owner) : TWinControl(owner)
{
  vcl_detail::InitComCtrls();
  FControlStyle << csAcceptsControls << csDoubleClicks;
  FControlStyle >> csClickEvents;
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  SetColor(clBtnFace);
}

TPageControl::~TPageControl()
{
  // The sheets may outlive the control (their owner is the form): they are no pages any more.
  for (TTabSheet* page : FPages) page->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

void TPageControl::BeforeDestruction()
{
  for (TTabSheet* page : FPages) page->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
  TWinControl::BeforeDestruction();
}

TTabSheet* TPageControl::GetPage(int index) const
{
  if (index < 0 || index >= GetPageCount()) TList::Error("List index out of bounds (%d)", index);
  return FPages[size_t(index)];
}

void TPageControl::InsertPage(TTabSheet* page)
{
  FPages.push_back(page);
  page->SetVisible(page == FActivePage);
  UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* page)
{
  auto it = std::find(FPages.begin(), FPages.end(), page);
  if (it == FPages.end()) return;
  TTabSheet* next = nullptr;
  if (page == FActivePage && !HasState(csDestroying)) {
    next = FindNextPage(page, true, true);
    if (next == page) next = nullptr;
  }
  FPages.erase(std::find(FPages.begin(), FPages.end(), page));
  if (page == FActivePage) {
    FActivePage = nullptr;
    if (next) SetActivePage(next);
  }
  UpdateTabs();
}

void TPageControl::MovePage(TTabSheet* page, int index)
{
  auto it = std::find(FPages.begin(), FPages.end(), page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  index = std::clamp(index, 0, int(FPages.size()));
  FPages.insert(FPages.begin() + index, page);
  UpdateTabs();
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool tabsOnly) const
{
  const int count = GetPageCount();
  if (count == 0) return nullptr;
  auto it = std::find(FPages.begin(), FPages.end(), current);
  int start = it == FPages.end() ? (goForward ? count - 1 : 0) : int(it - FPages.begin());
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    TTabSheet* page = FPages[size_t(i)];
    if (!tabsOnly || page->FTabVisible) return page;
  } while (i != start);
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* value)
{
  if (value && value->FPageControl != this) return;
  if (value == FActivePage) {
    if (HandleAllocated()) SendMessageW(GetHandle(), TCM_SETCURSEL, WPARAM(GetTabIndex()), 0);
    return;
  }
  TTabSheet* previous = FActivePage;
  FActivePage = value;
  ShowActivePage();
  if (previous && previous->OnHide) previous->OnHide(previous);
  if (value && value->OnShow) value->OnShow(value);
}

// The active sheet shows (above the others), the rest hide; the window selects its tab.
void TPageControl::ShowActivePage()
{
  if (FActivePage) {
    FActivePage->BringToFront();
    FActivePage->SetVisible(true);
  }
  for (TTabSheet* page : FPages)
    if (page != FActivePage) page->SetVisible(false);
  if (HandleAllocated()) SendMessageW(GetHandle(), TCM_SETCURSEL, WPARAM(GetTabIndex()), 0);
}

void TPageControl::SetActivePageIndex(int value)
{
  SetActivePage(value >= 0 && value < GetPageCount() ? FPages[size_t(value)] : nullptr);
}

void TPageControl::SetTabIndex(int value)
{
  for (TTabSheet* page : FPages)
    if (page->GetTabIndex() == value && value >= 0) return SetActivePage(page);
  if (HandleAllocated()) SendMessageW(GetHandle(), TCM_SETCURSEL, WPARAM(value), 0);
}

void TPageControl::SelectNextPage(bool goForward)
{
  TTabSheet* page = FindNextPage(FActivePage, goForward, true);
  if (!page || page == FActivePage || !CanChange()) return;
  if (HandleAllocated()) SendMessageW(GetHandle(), TCM_SETCURSEL, WPARAM(page->GetTabIndex()), 0);
  else SetActivePage(page);
  Change();
}

void TPageControl::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TABCONTROLW);
  if (FMultiLine) params.Style |= TCS_MULTILINE;
  if (FHotTrack) params.Style |= TCS_HOTTRACK;
  if (FRaggedRight) params.Style |= TCS_RAGGEDRIGHT;
  if (FScrollOpposite) params.Style |= TCS_SCROLLOPPOSITE;
  if (FTabWidth > 0) params.Style |= TCS_FIXEDWIDTH;
  static const DWORD positions[] = {0, TCS_BOTTOM, TCS_VERTICAL, TCS_VERTICAL | TCS_RIGHT};
  params.Style |= positions[FTabPosition];
  static const DWORD styles[] = {TCS_TABS, TCS_BUTTONS, TCS_BUTTONS | TCS_FLATBUTTONS};
  params.Style |= styles[FStyle];
  // The window paints its own background and the tabs; the sheets above it paint theirs.
  params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
  vcl_detail::MirrorForRightToLeft(this, params);
}

void TPageControl::CreateWnd()
{
  TWinControl::CreateWnd();
  if (FImages) SendMessageW(GetHandle(), TCM_SETIMAGELIST, 0, LPARAM(FImages->GetHandle()));
  if (FTabWidth > 0 || FTabHeight > 0) SendMessageW(GetHandle(), TCM_SETITEMSIZE, 0, MAKELPARAM(FTabWidth, FTabHeight));
  UpdateTabs();
}

void TPageControl::UpdateTabs()
{
  if (!HandleAllocated() || HasState(csDestroying)) return;
  HWND handle = GetHandle();
  SendMessageW(handle, TCM_DELETEALLITEMS, 0, 0);
  int index = 0;
  for (TTabSheet* page : FPages) {
    if (!page->FTabVisible) continue;
    std::wstring text = Utf8ToUtf16(page->GetCaption().str());
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = text.data();
    item.iImage = FImages ? page->FImageIndex : -1;
    item.lParam = LPARAM(page);
    SendMessageW(handle, TCM_INSERTITEMW, WPARAM(index++), LPARAM(&item));
  }
  SendMessageW(handle, TCM_SETCURSEL, WPARAM(GetTabIndex()), 0);
  // More or fewer rows of tabs change the display rect.
  Realign();
}

TRect TPageControl::GetDisplayRect()
{
  TRect rect = GetClientRect();
  AdjustClientRect(rect);
  return rect;
}

void TPageControl::AdjustClientRect(TRect& rect)
{
  if (!HandleAllocated()) return;
  RECT r = rect;
  SendMessageW(GetHandle(), TCM_ADJUSTRECT, FALSE, LPARAM(&r));
  rect = TRect(r);
}

void TPageControl::SetStyleFlag(bool& flag, bool value)
{
  if (flag == value) return;
  flag = value;
  RecreateWnd();
}

void TPageControl::SetTabPosition(TTabPosition value)
{
  if (value == FTabPosition) return;
  FTabPosition = value;
  RecreateWnd();
}

void TPageControl::SetStyle(TTabStyle value)
{
  if (value == FStyle) return;
  FStyle = value;
  RecreateWnd();
}

void TPageControl::SetTabHeight(short value)
{
  if (value == FTabHeight) return;
  FTabHeight = value;
  RecreateWnd();
}

void TPageControl::SetTabWidth(short value)
{
  if (value == FTabWidth) return;
  FTabWidth = value;
  RecreateWnd();
}

void TPageControl::SetImages(TCustomImageList* value)
{
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (value) value->FreeNotification(this);
  if (!HandleAllocated()) return;
  SendMessageW(GetHandle(), TCM_SETIMAGELIST, 0, LPARAM(FImages ? FImages->GetHandle() : nullptr));
  UpdateTabs();
}

void TPageControl::Notification(TComponent* component, TOperation operation)
{
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FImages) SetImages(nullptr);
}

// Stored forms keep the pages in page order, whatever their z-order.
void TPageControl::GetChildren(TGetChildProc proc, TComponent* root)
{
  for (TTabSheet* page : FPages)
    if (page->Owner() == root) proc(page);
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    if (c->Owner() == root && !dynamic_cast<TTabSheet*>(c)) proc(c);
  }
}

void TPageControl::Loaded()
{
  TWinControl::Loaded();
  ShowActivePage();
}

bool TPageControl::CanChange()
{
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change()
{
  if (HandleAllocated()) {
    const int selected = int(SendMessageW(GetHandle(), TCM_GETCURSEL, 0, 0));
    TTabSheet* page = nullptr;
    for (TTabSheet* p : FPages)
      if (p->GetTabIndex() == selected && selected >= 0) page = p;
    SetActivePage(page);
  }
  if (OnChange) OnChange(this);
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages while the control or a control on it has the focus.
void TPageControl::CMDialogKey(TCMDialogKey& message)
{
  const bool inside = HandleAllocated() && (GetFocus() == GetHandle() || IsChild(GetHandle(), GetFocus()));
  if (inside && message.CharCode() == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
    SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
    message.Result = 1;
    return;
  }
  TWinControl::CMDialogKey(message);
}

void TPageControl::CNNotify(TWMNotify& message)
{
  switch (message.NMHdr()->code) {
    case UINT(TCN_SELCHANGING): message.Result = CanChange() ? 0 : 1; return;
    case UINT(TCN_SELCHANGE): Change(); return;
    default: return;
  }
}

void TPageControl::Dispatch(void* raw)
{
  auto& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_NOTIFY: return CNNotify(static_cast<TWMNotify&>(message));
    case CM_DIALOGKEY: return CMDialogKey(static_cast<TCMDialogKey&>(message));
    default: return TWinControl::Dispatch(raw);
  }
}
