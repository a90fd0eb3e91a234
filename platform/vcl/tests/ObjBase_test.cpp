// Class references, the class registry, virtual constructors, closures and destruction order.
#include <gtest/gtest.h>
#include "ClassesFixtures.h"
#include "Contnrs.h"

namespace {
class TRecordingList : public TList {
public:
  static int ClearCalls;
  void Clear() override
  {
    ++ClearCalls;
    TList::Clear();
  }
};
int TRecordingList::ClearCalls = 0;
}  // namespace

TEST(ClassReference, NamesParentsAndInheritance)
{
  TTestContainer c(nullptr);
  EXPECT_EQ(AnsiString("TTestContainer"), c.ClassName());
  EXPECT_EQ(TTestContainer::StaticClass(), c.ClassType());
  EXPECT_EQ(TTestComponent::StaticClass(), c.ClassParent());
  EXPECT_TRUE(c.InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(c.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(c.InheritsFrom(TTestRoot::StaticClass()));
  EXPECT_TRUE(c.ClassNameIs("ttestcontainer"));
  EXPECT_FALSE(c.ClassNameIs("TTestContaine"));
  EXPECT_EQ(nullptr, TObject::StaticClass()->ClassParent());
}

TEST(ClassReference, VirtualConstructorMakesTheMostDerivedClassWithItsOwner)
{
  TTestRoot owner(nullptr);
  TMetaClass* cls = TTestContainer::StaticClass();
  TObject* obj = cls->CreateInstance(&owner);
  auto* c = dynamic_cast<TTestContainer*>(obj);
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(&owner, c->Owner());
  EXPECT_EQ(1, owner.ComponentCount());
  // Classes without a suitable constructor cannot be made through their reference.
  EXPECT_FALSE(TStream::StaticClass()->CanCreate());
  EXPECT_FALSE(TCollection::StaticClass()->CanCreate());
  EXPECT_THROW(TStream::StaticClass()->CreateInstance(), EInvalidOperation);
  std::unique_ptr<TObject> list(TStringList::StaticClass()->CreateInstance());
  EXPECT_NE(nullptr, dynamic_cast<TStringList*>(list.get()));
}

TEST(ClassRegistry, RegisterFindGetAndUnregister)
{
  RegisterClass(TTestSub::StaticClass());
  EXPECT_EQ(TTestSub::StaticClass(), FindClass("TTestSub"));
  EXPECT_EQ(TTestSub::StaticClass(), GetClass("ttestsub"));
  RegisterClass(TTestSub::StaticClass());  // the same class again is harmless
  UnRegisterClass(TTestSub::StaticClass());
  EXPECT_EQ(nullptr, GetClass("TTestSub"));
  try {
    FindClass("TTestSub");
    FAIL() << "FindClass of an unregistered class";
  } catch (EClassNotFound& e) {
    EXPECT_EQ(AnsiString("Class TTestSub not found"), e.Message);
  }
}

TEST(Closure, ComparesCallsAndConvertsToTMethod)
{
  TTestRoot a(nullptr), b(nullptr);
  a.SetName("A");
  TNotifyEvent none;
  EXPECT_FALSE(none);
  EXPECT_TRUE(none == nullptr);
  TNotifyEvent e1(&a, &TTestRoot::HandleClick);
  TNotifyEvent e2(&a, &TTestRoot::HandleClick);
  TNotifyEvent e3(&b, &TTestRoot::HandleClick);
  TNotifyEvent e4(&a, &TTestRoot::OtherClick);
  EXPECT_TRUE(e1);
  EXPECT_EQ(e1, e2);
  EXPECT_NE(e1, e3);
  EXPECT_NE(e1, e4);
  e1(&a);
  ASSERT_EQ(1u, a.Calls.size());
  EXPECT_EQ("click:A", a.Calls[0]);

  TMethod m = e1.GetMethod();
  EXPECT_EQ(&a, m.Data);
  EXPECT_EQ(m.Code, e2.GetMethod().Code);  // one code per member function
  EXPECT_NE(m.Code, e4.GetMethod().Code);
  EXPECT_EQ(e1, TNotifyEvent::FromMethod(m));
  // A view of another signature does not become a callable closure.
  TTestValueEvent wrong = TTestValueEvent::FromMethod(m);
  EXPECT_FALSE(wrong);
  EXPECT_EQ(TMethod{}, none.GetMethod());
}

TEST(Destruction, DeleteRunsTheMostDerivedClearFirst)
{
  TRecordingList::ClearCalls = 0;
  TList* list = new TRecordingList;
  list->Add(nullptr);
  delete list;
  EXPECT_EQ(1, TRecordingList::ClearCalls);
}
