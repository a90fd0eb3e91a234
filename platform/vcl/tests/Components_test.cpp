// TPersistent assignment and the component rules: ownership, names, notifications.
#include <gtest/gtest.h>
#include "ClassesFixtures.h"

TEST(Persistent, AssignErrorsNameBothClasses)
{
  TTestSub sub;
  TStringList list;
  try {
    list.Assign(&sub);
    FAIL() << "assigning a TTestSub to a TStringList";
  } catch (EConvertError& e) {
    EXPECT_EQ(AnsiString("Cannot assign a TTestSub to a TStringList"), e.Message);
  }
  try {
    sub.Assign(nullptr);
    FAIL() << "assigning nil";
  } catch (EConvertError& e) {
    EXPECT_EQ(AnsiString("Cannot assign a nil to a TTestSub"), e.Message);
  }
  TTestSub other;
  other.SetSize(30);
  sub.Assign(&other);
  EXPECT_EQ(30, sub.GetSize());
}

TEST(Component, OwnerDestroysOwnedComponentsAndTheyLeaveTheirOwner)
{
  int before = TLiveCount::Components;
  auto* root = new TTestRoot(nullptr);
  auto* a = new TTestContainer(root);
  auto* b = new TTestComponent(a);
  new TTestComponent(b);
  EXPECT_EQ(before + 3, TLiveCount::Components);
  EXPECT_EQ(1, root->ComponentCount());
  EXPECT_EQ(a, root->Components(0));
  EXPECT_EQ(a, b->Owner());
  delete b;  // leaves its owner and takes its own component with it
  EXPECT_EQ(0, a->ComponentCount());
  EXPECT_EQ(before + 1, TLiveCount::Components);
  delete root;
  EXPECT_EQ(before, TLiveCount::Components);
}

TEST(Component, NamesAreValidatedAndUniqueAmongSiblings)
{
  TTestRoot root(nullptr);
  auto* a = new TTestComponent(&root);
  auto* b = new TTestComponent(&root);
  a->SetName("Button1");
  EXPECT_EQ(a, root.FindComponent("BUTTON1"));
  try {
    b->SetName("button1");
    FAIL() << "duplicate name";
  } catch (EComponentError& e) {
    EXPECT_EQ(AnsiString("A component named button1 already exists"), e.Message);
  }
  try {
    b->SetName("1abc");
    FAIL() << "invalid name";
  } catch (EComponentError& e) {
    EXPECT_EQ(AnsiString("'1abc' is not a valid component name"), e.Message);
  }
  EXPECT_THROW(b->SetName("has space"), EComponentError);
  EXPECT_THROW(b->SetName("שלום"), EComponentError);
  b->SetName("_Button_2");
  a->SetName("button1");  // renaming to itself in another case is fine
  EXPECT_EQ(AnsiString("button1"), a->GetName());
  // A component with a taken name cannot join the owner.
  TTestComponent stray(nullptr);
  stray.SetName("_button_2");
  EXPECT_THROW(root.InsertComponent(&stray), EComponentError);
  EXPECT_EQ(nullptr, stray.Owner());
}

TEST(Component, IndexesAndRemoval)
{
  TTestRoot root(nullptr);
  auto* a = new TTestComponent(&root);
  auto* b = new TTestComponent(&root);
  auto* c = new TTestComponent(&root);
  EXPECT_EQ(2, c->GetComponentIndex());
  c->SetComponentIndex(0);
  EXPECT_EQ(c, root.Components(0));
  EXPECT_EQ(a, root.Components(1));
  EXPECT_THROW(root.Components(3), EListError);
  root.RemoveComponent(b);
  EXPECT_EQ(nullptr, b->Owner());
  EXPECT_EQ(2, root.ComponentCount());
  delete b;
}

TEST(Component, NotificationsReachSiblingsAndFreeNotificationCrossesOwners)
{
  TTestRoot root1(nullptr), root2(nullptr);
  auto* a = new TTestComponent(&root1);
  a->SetName("A");
  auto* b = new TTestComponent(&root1);
  b->SetName("B");
  // A hears of B's insertion (B unnamed then); its own insertion happens inside its constructor.
  EXPECT_EQ(std::vector<std::string>({"+"}), a->Notes);
  auto* distant = new TTestComponent(&root2);
  distant->SetName("Far");
  a->SetLink(distant);
  a->Notes.clear();
  delete distant;  // a hears of it although it has another owner, and drops its link
  EXPECT_EQ(nullptr, a->Link);
  EXPECT_EQ(std::vector<std::string>({"-Far"}), a->Notes);
  a->Notes.clear();
  delete b;
  EXPECT_EQ(std::vector<std::string>({"-B"}), a->Notes);
  // After RemoveFreeNotification nothing is heard any more.
  auto* distant2 = new TTestComponent(&root2);
  a->SetLink(distant2);
  distant2->RemoveFreeNotification(a);
  a->Notes.clear();
  delete distant2;
  EXPECT_TRUE(a->Notes.empty());
}

TEST(Component, DestroyingStateIsSetBeforeOwnedComponentsGo)
{
  auto* root = new TTestRoot(nullptr);
  auto* a = new TTestComponent(root);
  EXPECT_FALSE(a->HasState(csDestroying));
  root->Destroying();
  EXPECT_TRUE(root->HasState(csDestroying));
  EXPECT_TRUE(a->HasState(csDestroying));
  delete root;
}
