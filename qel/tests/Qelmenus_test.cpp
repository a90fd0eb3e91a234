// The library's menus: the default item found depth first, caption searches from the last item down,
// and the classes stored forms find by name.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Qelactnlist.h"
#include "Qelmenus.h"

namespace {

// Adds an item with that caption to parent (owned by the menu) and answers it.
TMenuItem* AddItem(TMenu* menu, TMenuItem* parent, const AnsiString& caption)
{
  auto* item = new TMenuItem(menu);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

template <class TMenuClass>
std::unique_ptr<TMenuClass> MenuWith(const std::vector<const char*>& captions)
{
  auto menu = std::make_unique<TMenuClass>(nullptr);
  for (const char* caption : captions) AddItem(menu.get(), menu->GetItems(), caption);
  return menu;
}

}  // namespace

TEST(QelPopupMenu, DefaultItemAmongTopLevelItems)
{
  auto menu = MenuWith<TQelPopupMenu>({"Play", "Stop", "About"});
  menu->GetItems()->GetItem(0)->SetDefault(true);
  EXPECT_EQ(menu->GetDefaultMenuItem(), menu->GetItems()->GetItem(0));
}

TEST(QelPopupMenu, DefaultItemInTheSubmenuOfTheSecondItem)
{
  auto menu = MenuWith<TQelPopupMenu>({"Play", "View", "About"});
  TMenuItem* view = menu->GetItems()->GetItem(1);
  AddItem(menu.get(), view, "Small");
  TMenuItem* large = AddItem(menu.get(), view, "Large");
  large->SetDefault(true);
  EXPECT_EQ(menu->GetDefaultMenuItem(), large);
  // A default item of a later top-level item comes after the whole subtree of the second.
  menu->GetItems()->GetItem(2)->SetDefault(true);
  EXPECT_EQ(menu->GetDefaultMenuItem(), large);
  // An earlier one wins over the subtree.
  menu->GetItems()->GetItem(0)->SetDefault(true);
  EXPECT_EQ(menu->GetDefaultMenuItem(), menu->GetItems()->GetItem(0));
}

TEST(QelPopupMenu, DepthFirstMeansASubtreeBeforeTheNextSibling)
{
  auto menu = MenuWith<TQelPopupMenu>({"A", "B"});
  TMenuItem* a = menu->GetItems()->GetItem(0);
  TMenuItem* a1 = AddItem(menu.get(), a, "A1");
  TMenuItem* a1x = AddItem(menu.get(), a1, "A1x");
  a1x->SetDefault(true);
  menu->GetItems()->GetItem(1)->SetDefault(true);
  EXPECT_EQ(menu->GetDefaultMenuItem(), a1x);
}

TEST(QelPopupMenu, NoDefaultItemIsNull)
{
  auto menu = MenuWith<TQelPopupMenu>({"Play", "Stop"});
  AddItem(menu.get(), menu->GetItems()->GetItem(1), "Now");
  EXPECT_EQ(menu->GetDefaultMenuItem(), nullptr);
  TQelPopupMenu empty(nullptr);
  EXPECT_EQ(empty.GetDefaultMenuItem(), nullptr);
}

TEST(QelPopupMenu, FindItemTakesTheLastExactCaption)
{
  auto menu = MenuWith<TQelPopupMenu>({"Play", "Stop", "Stop"});
  EXPECT_EQ(menu->FindItem("Stop"), 2);
  EXPECT_EQ(menu->FindItem("Play"), 0);
  EXPECT_EQ(menu->FindItem("stop"), -1);
  EXPECT_EQ(menu->FindItem("Sto"), -1);
  EXPECT_EQ(menu->FindItem(""), -1);
}

TEST(QelPopupMenu, FindItemCountsTheAcceleratorAndSkipsSubmenus)
{
  auto menu = MenuWith<TQelPopupMenu>({"&Play", "View"});
  AddItem(menu.get(), menu->GetItems()->GetItem(1), "Stop");
  EXPECT_EQ(menu->FindItem("&Play"), 0);
  EXPECT_EQ(menu->FindItem("Play"), -1);
  EXPECT_EQ(menu->FindItem("Stop"), -1);
  // The platform's search by command number is still there.
  TMenuItem* view = menu->GetItems()->GetItem(1);
  EXPECT_EQ(menu->FindItem(view->GetCommand(), fkCommand), view);
}

TEST(QelMainMenu, FindItemByCaption)
{
  auto menu = MenuWith<TQelMainMenu>({"Play", "Stop", "Stop"});
  EXPECT_EQ(menu->FindItem("Stop"), 2);
  EXPECT_EQ(menu->FindItem("stop"), -1);
  EXPECT_EQ(menu->FindItem("Play"), 0);
}

TEST(QelMainMenu, FindItemContainingText)
{
  auto menu = MenuWith<TQelMainMenu>({"File"});
  TMenuItem* file = menu->GetItems()->GetItem(0);
  for (const char* caption : {"Stop", "Total", "Go"}) AddItem(menu.get(), file, caption);
  // Total has "to" only as "To"; Stop has it.
  EXPECT_EQ(menu->FindItem(file, "to"), 0);
  EXPECT_EQ(menu->FindItem(file, "o"), 2);
  EXPECT_EQ(menu->FindItem(file, "To"), 1);
  EXPECT_EQ(menu->FindItem(file, "x"), -1);
  EXPECT_EQ(menu->FindItem(file, ""), -1);
}

TEST(QelMainMenu, FindItemContainingTextLooksOnlyAtDirectChildren)
{
  auto menu = MenuWith<TQelMainMenu>({"File"});
  TMenuItem* file = menu->GetItems()->GetItem(0);
  TMenuItem* recent = AddItem(menu.get(), file, "Recent");
  AddItem(menu.get(), recent, "Stop");
  EXPECT_EQ(menu->FindItem(file, "Stop"), -1);
  EXPECT_EQ(menu->FindItem(recent, "Stop"), 0);
  // The root's children are the top-level items.
  EXPECT_EQ(menu->FindItem(menu->GetItems(), "il"), 0);
}

TEST(QelMainMenu, NullParentHasNoChildren)
{
  auto menu = MenuWith<TQelMainMenu>({"File"});
  EXPECT_EQ(menu->FindItem(nullptr, "File"), -1);
}

TEST(QelMenus, ClassesAreFoundByName)
{
  EXPECT_EQ(GetClass("TQelPopupMenu"), TQelPopupMenu::StaticClass());
  EXPECT_EQ(GetClass("TQelMainMenu"), TQelMainMenu::StaticClass());
  EXPECT_EQ(GetClass("TQelActionList"), TQelActionList::StaticClass());
  EXPECT_EQ(GetClass("TMenuItem"), TMenuItem::StaticClass());
  EXPECT_EQ(GetClass("TAction"), TAction::StaticClass());
  EXPECT_TRUE(TQelPopupMenu::StaticClass()->InheritsFrom(TPopupMenu::StaticClass()));
  EXPECT_TRUE(TQelMainMenu::StaticClass()->InheritsFrom(TMainMenu::StaticClass()));
  EXPECT_TRUE(TQelActionList::StaticClass()->InheritsFrom(TActionList::StaticClass()));
}

TEST(QelActionList, RunsItsActionsAsThePlatformsList)
{
  TQelActionList list(nullptr);
  auto* action = new TAction(&list);
  action->SetActionList(&list);
  int runs = 0;
  struct TCounter : TObject {
    int* Runs = nullptr;
    void Run(TObject*) { ++*Runs; }
  } counter;
  counter.Runs = &runs;
  action->SetOnExecute(TNotifyEvent(&counter, &TCounter::Run));
  EXPECT_EQ(list.GetActionCount(), 1);
  EXPECT_TRUE(action->Execute());
  EXPECT_EQ(runs, 1);
}
