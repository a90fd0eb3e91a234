// Menus: items, their platform menus, popups and shortcuts.
#include "Menus.h"

#include <algorithm>

VCL_IMPLEMENT_ENUM(TPopupAlignment, "paLeft", "paRight", "paCenter")
VCL_IMPLEMENT_CLASS(TMenuActionLink)
VCL_IMPLEMENT_CLASS(TMenu)

VCL_PUBLISHED(TMenuItem)
{
  p.Property("Action", &TMenuItem::GetAction, &TMenuItem::SetAction);
  p.Property("AutoCheck", &TMenuItem::GetAutoCheck, &TMenuItem::SetAutoCheck).Default(false);
  p.Property("Break", &TMenuItem::GetBreak, &TMenuItem::SetBreak).Default(false);
  p.Property("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption);
  p.Property("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked).Default(false);
  p.Property("Default", &TMenuItem::GetDefault, &TMenuItem::SetDefault).Default(false);
  p.Property("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled).Default(true);
  p.Property("GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  p.Property("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint);
  p.Property("ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex).Default(-1);
  p.Property("RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem).Default(false);
  p.Property("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut).Default(0);
  p.Property("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible).Default(true);
  p.Property("OnClick", &TMenuItem::OnClick, &TMenuItem::OnClick);
}

VCL_PUBLISHED(TPopupMenu)
{
  p.Property("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment).Default(paLeft);
  p.Property("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  p.Property("OnPopup", &TPopupMenu::OnPopup, &TPopupMenu::OnPopup);
}

VCL_PUBLISHED(TMainMenu) {}

namespace {

// Command numbers the platform reports for chosen items; 0 means none.
WORD NextCommand()
{
  static WORD last = 0;
  if (++last == 0) last = 1;
  return last;
}

std::vector<TMenuItem*>& AllItems()
{
  static std::vector<TMenuItem*> items;
  return items;
}

// The hidden window that owns popup menus while they are up. Without it the menu would have no
// owner to report the chosen item to (nor to close when the user clicks elsewhere): raise instead.
HWND PopupOwner()
{
  static HWND window = nullptr;
  if (window && IsWindow(window)) return window;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TPopupList";
  WNDCLASSW existing{};
  if (!GetClassInfoW(wc.hInstance, wc.lpszClassName, &existing) && !RegisterClassW(&wc) &&
      GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    RaiseLastOSError();
  window = CreateWindowExW(WS_EX_TOOLWINDOW, L"TPopupList", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           wc.hInstance, nullptr);
  if (!window) RaiseLastOSError();
  return window;
}

AnsiString KeyName(WORD key)
{
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return AnsiString(std::string(1, char(key)));
  if (key >= VK_F1 && key <= VK_F24) return "F" + IntToStr(key - VK_F1 + 1);
  switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: return AnsiString();
  }
}

}  // namespace

TShortCut ShortCut(WORD key, bool shift, bool ctrl, bool alt)
{
  if (key & 0xFF00) return 0;
  return TShortCut(key | (shift ? scShift : 0) | (ctrl ? scCtrl : 0) | (alt ? scAlt : 0));
}

AnsiString ShortCutToText(TShortCut shortCut)
{
  const AnsiString name = KeyName(WORD(shortCut & 0xFF));
  if (name.IsEmpty()) return AnsiString();
  AnsiString text;
  if (shortCut & scShift) text += "Shift+";
  if (shortCut & scCtrl) text += "Ctrl+";
  if (shortCut & scAlt) text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(const AnsiString& text)
{
  AnsiString rest = text;
  TShortCut modifiers = 0;
  for (;;) {
    if (AnsiString prefix = rest.SubString(1, 6); SameText(prefix, "Shift+")) {
      modifiers |= scShift;
      rest = rest.SubString(7, rest.Length());
    } else if (SameText(rest.SubString(1, 5), "Ctrl+")) {
      modifiers |= scCtrl;
      rest = rest.SubString(6, rest.Length());
    } else if (SameText(rest.SubString(1, 4), "Alt+")) {
      modifiers |= scAlt;
      rest = rest.SubString(5, rest.Length());
    } else {
      break;
    }
  }
  for (WORD key = 8; key < 256; ++key)
    if (const AnsiString name = KeyName(key); !name.IsEmpty() && SameText(name, rest)) return TShortCut(key | modifiers);
  return 0;
}

// ===================================================================================================
// TMenuItem
TMenuItem::TMenuItem(TOwnerArg owner) : TComponent(owner), FCommand(NextCommand()) { AllItems().push_back(this); }

void TMenuItem::BeforeDestruction()
{
  TComponent::BeforeDestruction();
  if (FParent) FParent->Remove(this);
}

TMenuItem::~TMenuItem()
{
  FActionLink.reset();
  if (FParent) FParent->Remove(this);
  // Sub-items that nobody owns go with their parent item; owned ones only leave it.
  while (!FItems.empty()) {
    TMenuItem* item = FItems.back();
    FItems.pop_back();
    item->FParent = nullptr;
    if (!item->Owner()) delete item;
  }
  if (FHandle) DestroyMenu(FHandle);
  auto& all = AllItems();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TMenuItem::Changed()
{
  // The platform menu is made again from the items the next time it is shown.
}

void TMenuItem::SetCaption(const AnsiString& value)
{
  FCaption = value;
  Changed();
}

void TMenuItem::SetChecked(bool value)
{
  if (FChecked == value) return;
  FChecked = value;
  // A checked radio item unchecks the others of its group.
  if (value && FRadioItem && FParent) {
    for (TMenuItem* sibling : FParent->FItems)
      if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex) sibling->FChecked = false;
  }
  Changed();
}

void TMenuItem::SetEnabled(bool value)
{
  FEnabled = value;
  Changed();
}

void TMenuItem::SetVisible(bool value)
{
  FVisible = value;
  Changed();
}

void TMenuItem::SetDefault(bool value)
{
  if (value && FParent)
    for (TMenuItem* sibling : FParent->FItems) sibling->FDefault = false;
  FDefault = value;
  Changed();
}

TBasicAction* TMenuItem::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TMenuItem::SetAction(TBasicAction* value)
{
  if (!value) {
    FActionLink.reset();
    return;
  }
  if (!FActionLink) FActionLink = std::make_unique<TMenuActionLink>(this);
  FActionLink->SetAction(value);
  FActionLink->OnChange = TNotifyEvent(this, &TMenuItem::DoActionChange);
  ActionChange(value, HasState(csLoading));
  value->FreeNotification(this);
}

void TMenuItem::DoActionChange(TObject* sender)
{
  if (FActionLink && sender == FActionLink->GetAction()) ActionChange(sender, false);
}

void TMenuItem::ActionChange(TObject* sender, bool checkDefaults)
{
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action) return;
  if (!checkDefaults || FCaption.IsEmpty()) SetCaption(action->GetCaption());
  if (!checkDefaults || !FChecked) SetChecked(action->GetChecked());
  if (!checkDefaults || FEnabled) SetEnabled(action->GetEnabled());
  if (!checkDefaults || FHint.IsEmpty()) SetHint(action->GetHint());
  if (!checkDefaults || FShortCut == 0) SetShortCut(action->GetShortCut());
  if (!checkDefaults || FVisible) SetVisible(action->GetVisible());
  if (!checkDefaults || !OnClick) OnClick = action->GetOnExecute();
}

void TMenuItem::Notification(TComponent* component, TOperation operation)
{
  TComponent::Notification(component, operation);
  if (operation == opRemove && FActionLink && component == FActionLink->GetAction()) SetAction(nullptr);
}

void TMenuItem::Click()
{
  if (!FEnabled) return;
  if (FAutoCheck) SetChecked(!FChecked);
  if (OnClick && (!FActionLink || !(OnClick == FActionLink->GetAction()->GetOnExecute()))) OnClick(this);
  else if (FActionLink) FActionLink->Execute(this);
  else if (OnClick) OnClick(this);
}

void TMenuItem::Add(TMenuItem* item) { Insert(GetCount(), item); }

void TMenuItem::Insert(int index, TMenuItem* item)
{
  if (!item || item == this) return;
  if (item->FParent) throw EMenuError("Menu inserted twice");
  index = std::clamp(index, 0, GetCount());
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Changed();
}

void TMenuItem::Delete(int index)
{
  if (index < 0 || index >= GetCount()) throw EMenuError("Menu index out of range");
  TMenuItem* item = FItems[size_t(index)];
  FItems.erase(FItems.begin() + index);
  item->FParent = nullptr;
  Changed();
}

void TMenuItem::Remove(TMenuItem* item)
{
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
}

void TMenuItem::Clear()
{
  while (!FItems.empty()) {
    TMenuItem* item = FItems.back();
    Delete(GetCount() - 1);
    delete item;
  }
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : int(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const AnsiString& caption) const
{
  auto plain = [](const AnsiString& s) { return StringReplace(s, "&", "", TReplaceFlags() << rfReplaceAll); };
  for (TMenuItem* item : FItems)
    if (AnsiSameText(plain(item->FCaption), plain(caption))) return item;
  return nullptr;
}

void TMenuItem::SetMenuIndex(int value)
{
  if (!FParent) return;
  TMenuItem* parent = FParent;
  parent->Remove(this);
  parent->Insert(value, this);
}

TMenu* TMenuItem::GetMenu() const
{
  const TMenuItem* item = this;
  while (item->FParent) item = item->FParent;
  return item->FMenu;
}

TComponent* TMenuItem::GetParentComponent() const
{
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* value)
{
  if (FParent) FParent->Remove(this);
  if (auto* menu = dynamic_cast<TMenu*>(value)) menu->GetItems()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(value)) item->Add(this);
}

// A stored item takes its place under the menu or item whose children are being read.
void TMenuItem::ReadState(TReader* reader)
{
  TComponent::ReadState(reader);
  if (TComponent* parent = reader->GetParent(); parent && parent != GetParentComponent()) SetParentComponent(parent);
}

void TMenuItem::GetChildren(TGetChildProc proc, TComponent* root)
{
  for (TMenuItem* item : FItems)
    if (item->Owner() == root) proc(item);
}

void TMenuItem::SetChildOrder(TComponent* child, int order)
{
  if (auto* item = dynamic_cast<TMenuItem*>(child); item && item->FParent == this) item->SetMenuIndex(order);
}

// The platform menu: made afresh from the items each time, so it always shows their state.
HMENU TMenuItem::GetHandle()
{
  RebuildHandle();
  return FHandle;
}

void TMenuItem::RebuildHandle()
{
  if (FHandle) DestroyMenu(FHandle);
  FHandle = CreatePopupMenu();
  for (TMenuItem* item : FItems)
    if (item->FVisible) item->AppendTo(FHandle);
}

void TMenuItem::AppendTo(HMENU menu)
{
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
  std::wstring text = Utf8ToUtf16(FCaption.str());
  if (FShortCut) text += L"\t" + Utf8ToUtf16(ShortCutToText(FShortCut).str());
  if (IsLine()) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fType = MFT_STRING | (FRadioItem ? MFT_RADIOCHECK : 0) | (FBreak ? MFT_MENUBARBREAK : 0);
    if (TMenu* owner = GetMenu(); owner && owner->GetRightToLeft()) info.fType |= MFT_RIGHTORDER;
  }
  info.fState = (FChecked ? MFS_CHECKED : 0) | (FEnabled ? 0 : MFS_GRAYED) | (FDefault ? MFS_DEFAULT : 0);
  info.wID = FCommand;
  info.dwTypeData = text.data();
  if (!FItems.empty()) {
    info.fMask |= MIIM_SUBMENU;
    HMENU sub = CreatePopupMenu();
    for (TMenuItem* item : FItems)
      if (item->FVisible) item->AppendTo(sub);
    info.hSubMenu = sub;
  }
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
}

// ===================================================================================================
// TMenuActionLink
TMenuActionLink::TMenuActionLink(TObject* client) : TActionLink(client) { AssignClient(client); }

void TMenuActionLink::AssignClient(TObject* client) { FClient = dynamic_cast<TMenuItem*>(client); }

namespace {
TCustomAction* AsCustom(TBasicAction* action) { return dynamic_cast<TCustomAction*>(action); }
}  // namespace

bool TMenuActionLink::IsCaptionLinked() const
{
  auto* a = AsCustom(FAction);
  return a && FClient && FClient->GetCaption() == a->GetCaption();
}
bool TMenuActionLink::IsCheckedLinked() const
{
  auto* a = AsCustom(FAction);
  return a && FClient && FClient->GetChecked() == a->GetChecked();
}
bool TMenuActionLink::IsEnabledLinked() const
{
  auto* a = AsCustom(FAction);
  return a && FClient && FClient->GetEnabled() == a->GetEnabled();
}
bool TMenuActionLink::IsHintLinked() const
{
  auto* a = AsCustom(FAction);
  return a && FClient && FClient->GetHint() == a->GetHint();
}
bool TMenuActionLink::IsShortCutLinked() const
{
  auto* a = AsCustom(FAction);
  return a && FClient && FClient->GetShortCut() == a->GetShortCut();
}
bool TMenuActionLink::IsVisibleLinked() const
{
  auto* a = AsCustom(FAction);
  return a && FClient && FClient->GetVisible() == a->GetVisible();
}
bool TMenuActionLink::IsOnExecuteLinked() const { return FAction && FClient && FClient->OnClick == FAction->GetOnExecute(); }
void TMenuActionLink::SetCaption(const AnsiString& value) { FClient->SetCaption(value); }
void TMenuActionLink::SetChecked(bool value) { FClient->SetChecked(value); }
void TMenuActionLink::SetEnabled(bool value) { FClient->SetEnabled(value); }
void TMenuActionLink::SetHint(const AnsiString& value) { FClient->SetHint(value); }
void TMenuActionLink::SetShortCut(TShortCut value) { FClient->SetShortCut(value); }
void TMenuActionLink::SetVisible(bool value) { FClient->SetVisible(value); }
void TMenuActionLink::SetOnExecute(TNotifyEvent value) { FClient->OnClick = value; }

// ===================================================================================================
// TMenu, TPopupMenu
TMenu::TMenu(TOwnerArg owner) : TComponent(owner), FItems(std::make_unique<TMenuItem>(nullptr)) { FItems->FMenu = this; }

TMenu::~TMenu() = default;

TMenuItem* TMenu::FindItem(UINT_PTR value, TFindItemKind kind) const
{
  std::vector<TMenuItem*> pending{FItems.get()};
  while (!pending.empty()) {
    TMenuItem* item = pending.back();
    pending.pop_back();
    switch (kind) {
      case fkCommand: if (item->FCommand == value && item != FItems.get()) return item; break;
      case fkHandle: if (reinterpret_cast<UINT_PTR>(item->FHandle) == value) return item; break;
      case fkShortCut: if (item->FShortCut == value && item->FShortCut) return item; break;
    }
    pending.insert(pending.end(), item->FItems.begin(), item->FItems.end());
  }
  return nullptr;
}

bool TMenu::DispatchCommand(WORD command)
{
  TMenuItem* item = FindItem(command, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(WORD key, TShortCut shift)
{
  TMenuItem* item = FindItem(TShortCut(key | shift), fkShortCut);
  if (!item || !item->GetEnabled()) return false;
  item->Click();
  return true;
}

void TMenu::GetChildren(TGetChildProc proc, TComponent* root) { FItems->GetChildren(proc, root); }

TPopupMenu::TPopupMenu(TOwnerArg owner) : TMenu(owner) {}

void TPopupMenu::SetPopupComponent(TComponent* value)
{
  if (FPopupComponent == value) return;
  if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = value;
  if (FPopupComponent) FPopupComponent->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* sender)
{
  if (OnPopup) OnPopup(sender);
}

void TPopupMenu::Popup(int x, int y)
{
  DoPopup(this);
  HMENU menu = GetHandle();
  HWND owner = PopupOwner();
  UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON;
  switch (FAlignment) {
    case paLeft: flags |= GetRightToLeft() ? TPM_RIGHTALIGN : TPM_LEFTALIGN; break;
    case paRight: flags |= GetRightToLeft() ? TPM_LEFTALIGN : TPM_RIGHTALIGN; break;
    case paCenter: flags |= TPM_CENTERALIGN; break;
  }
  // The owner must be in front, or the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(owner);
  const WORD command = WORD(TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr));
  PostMessageW(owner, WM_NULL, 0, 0);
  if (command) DispatchCommand(command);
}
