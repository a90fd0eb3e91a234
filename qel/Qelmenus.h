// The library's menus: the platform's popup and main menus under the library's name, with searches
// for the default item and for items by caption.
//
// Searches run over the items as they are (hidden ones included) and never raise: "not found" is -1
// and no default item is null.
#pragma once

#include "Menus.h"

class TQelPopupMenu : public TPopupMenu {
  VCL_DECLARE_CLASS(TQelPopupMenu, TPopupMenu)
  explicit TQelPopupMenu(TOwnerArg owner);
  ~TQelPopupMenu() override;

  // The first item, depth first from the root (the root, then item 0 and its whole subtree, then
  // item 1 ...), whose Default is set; null when none is.
  TMenuItem* GetDefaultMenuItem() const;
  // The index of the last top-level item whose caption equals Caption exactly (case and '&' count);
  // -1 when none does. Submenus are not searched.
  int FindItem(const AnsiString& Caption) const;
  using TPopupMenu::FindItem;
};

class TQelMainMenu : public TMainMenu {
  VCL_DECLARE_CLASS(TQelMainMenu, TMainMenu)
  explicit TQelMainMenu(TOwnerArg owner);
  ~TQelMainMenu() override;

  // As TQelPopupMenu::FindItem, over the main menu's top-level items.
  int FindItem(const AnsiString& Caption) const;
  // The index of the last direct child of Parent whose caption contains Text (case-sensitive, as
  // AnsiString::Pos finds it, so an empty Text is found nowhere); -1 when none does. A null Parent
  // has no children: -1.
  int FindItem(TMenuItem* Parent, const AnsiString& Text) const;
  using TMainMenu::FindItem;
};

namespace qel_detail {
// The shared walks of both menus.
TMenuItem* FindDefaultItem(TMenuItem* item);
int FindCaption(const TMenuItem* parent, const AnsiString& caption);
int FindCaptionContaining(const TMenuItem* parent, const AnsiString& text);
}  // namespace qel_detail
