// TQelPopupMenu, TQelMainMenu: default-item and caption searches, and their registration.
#include "Qelmenus.h"

VCL_IMPLEMENT_CLASS(TQelPopupMenu)
VCL_IMPLEMENT_CLASS(TQelMainMenu)

namespace {

// Stored forms find the menus by name, and the platform's items they hold as well.
TUnitInit QelmenusUnitInit("Qelmenus", [] {
  RegisterClasses({TQelPopupMenu::StaticClass(), TQelMainMenu::StaticClass(), TMenuItem::StaticClass()});
});

}  // namespace

namespace qel_detail {

TMenuItem* FindDefaultItem(TMenuItem* item)
{
  if (!item) return nullptr;
  if (item->GetDefault()) return item;
  for (int i = 0; i < item->GetCount(); ++i)
    if (TMenuItem* found = FindDefaultItem(item->GetItem(i))) return found;
  return nullptr;
}

// From the last child down, so that of several matches the highest index wins.
int FindCaption(const TMenuItem* parent, const AnsiString& caption)
{
  if (!parent) return -1;
  for (int i = parent->GetCount() - 1; i >= 0; --i)
    if (parent->GetItem(i)->GetCaption() == caption) return i;
  return -1;
}

int FindCaptionContaining(const TMenuItem* parent, const AnsiString& text)
{
  if (!parent) return -1;
  for (int i = parent->GetCount() - 1; i >= 0; --i)
    if (parent->GetItem(i)->GetCaption().Pos(text) > 0) return i;
  return -1;
}

}  // namespace qel_detail

// ===================================================================================================
// TQelPopupMenu
TQelPopupMenu::TQelPopupMenu(TOwnerArg owner) : TPopupMenu(owner) {}

TQelPopupMenu::~TQelPopupMenu() = default;

TMenuItem* TQelPopupMenu::GetDefaultMenuItem() const { return qel_detail::FindDefaultItem(GetItems()); }

int TQelPopupMenu::FindItem(const AnsiString& Caption) const { return qel_detail::FindCaption(GetItems(), Caption); }

// ===================================================================================================
// TQelMainMenu
TQelMainMenu::TQelMainMenu(TOwnerArg owner) : TMainMenu(owner) {}

TQelMainMenu::~TQelMainMenu() = default;

int TQelMainMenu::FindItem(const AnsiString& Caption) const { return qel_detail::FindCaption(GetItems(), Caption); }

int TQelMainMenu::FindItem(TMenuItem* Parent, const AnsiString& Text) const
{
  return qel_detail::FindCaptionContaining(Parent, Text);
}
