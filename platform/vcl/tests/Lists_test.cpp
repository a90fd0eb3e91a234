// TList, TStringList and the containers of Contnrs.
#include <gtest/gtest.h>
#include "ClassesFixtures.h"
#include "Contnrs.h"

namespace {
int CompareInts(void* a, void* b) { return int(reinterpret_cast<intptr_t>(a) - reinterpret_cast<intptr_t>(b)); }
void* P(intptr_t v) { return reinterpret_cast<void*>(v); }

std::vector<std::string> Items(TStrings& s)
{
  std::vector<std::string> v;
  for (int i = 0; i < s.Count(); ++i) v.push_back(s.Strings(i).str());
  return v;
}

class TChangeCounter : public TObject {
public:
  int Changes = 0;
  int Changings = 0;
  void Changed(TObject*) { ++Changes; }
  void Changing(TObject*) { ++Changings; }
};

class TCounted : public TObject {
public:
  explicit TCounted(int& live) : FLive(live) { ++FLive; }
  ~TCounted() override { --FLive; }

private:
  int& FLive;
};
}  // namespace

TEST(List, EditingOperations)
{
  TList list;
  for (intptr_t v : {5, 1, 4}) list.Add(P(v));
  list.Insert(0, P(9));
  EXPECT_EQ(4, list.Count());
  EXPECT_EQ(P(9), list.First());
  EXPECT_EQ(P(4), list.Last());
  EXPECT_EQ(2, list.IndexOf(P(1)));
  EXPECT_EQ(-1, list.IndexOf(P(7)));
  list.Exchange(0, 3);
  EXPECT_EQ(P(4), list[0]);
  list.Move(0, 2);  // 5 1 4 9
  EXPECT_EQ(P(4), list[2]);
  EXPECT_EQ(1, list.Remove(P(1)));
  EXPECT_EQ(-1, list.Remove(P(1)));
  list.Add(nullptr);
  list.Add(nullptr);
  list.Pack();
  EXPECT_EQ(3, list.Count());
  list.Sort(CompareInts);
  EXPECT_EQ(P(4), list[0]);
  EXPECT_EQ(P(5), list[1]);
  EXPECT_EQ(P(9), list[2]);
  list.SetCount(5);
  EXPECT_EQ(nullptr, list[4]);
  list.Clear();
  EXPECT_EQ(0, list.Count());
  EXPECT_EQ(0, list.GetCapacity());
}

TEST(List, CapacityGrowsInTheVclSteps)
{
  TList list;
  list.Add(P(1));
  EXPECT_EQ(4, list.GetCapacity());
  for (int i = 0; i < 4; ++i) list.Add(P(1));
  EXPECT_EQ(8, list.GetCapacity());
  for (int i = 0; i < 4; ++i) list.Add(P(1));
  EXPECT_EQ(12, list.GetCapacity());
  list.SetCapacity(100);
  EXPECT_EQ(100, list.GetCapacity());
  EXPECT_THROW(list.SetCapacity(3), EListError);
}

TEST(List, IndexErrorsCarryTheIndex)
{
  TList list;
  list.Add(P(1));
  try {
    list.Get(5);
    FAIL() << "no error";
  } catch (EListError& e) {
    EXPECT_EQ(AnsiString("List index out of bounds (5)"), e.Message);
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(3, P(1)), EListError);
  EXPECT_THROW(list.Exchange(0, 1), EListError);
  EXPECT_THROW(list.Put(1, P(2)), EListError);
  EXPECT_THROW(list.Move(0, 1), EListError);
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
}

TEST(StringList, SortedListsKeepOrderAndHonourDuplicates)
{
  TStringList s;
  s.SetSorted(true);
  for (const char* t : {"beta", "Alpha", "gamma", "alpha"}) s.Add(t);
  EXPECT_EQ(std::vector<std::string>({"Alpha", "beta", "gamma"}), Items(s));  // "alpha" ignored
  int index = -1;
  EXPECT_TRUE(s.Find("GAMMA", index));
  EXPECT_EQ(2, index);
  EXPECT_FALSE(s.Find("b", index));
  EXPECT_EQ(1, index);  // where it would go
  EXPECT_THROW(s.Insert(0, "x"), EStringListError);
  s.SetDuplicates(dupError);
  try {
    s.Add("beta");
    FAIL() << "duplicate accepted";
  } catch (EStringListError& e) {
    EXPECT_EQ(AnsiString("String list does not allow duplicates"), e.Message);
  }
  s.SetDuplicates(dupAccept);
  s.Add("beta");
  EXPECT_EQ(4, s.Count());
  EXPECT_TRUE(s.Find("beta", index));
  EXPECT_EQ(1, index);  // the first of equal strings
  s.SetCaseSensitive(true);
  s.Add("ALPHA");
  EXPECT_EQ(-1, s.IndexOf("alpha"));
  EXPECT_NE(-1, s.IndexOf("ALPHA"));
}

TEST(StringList, SortingAnUnsortedListAndCustomSort)
{
  TStringList s;
  s.SetCommaText("d,b,a,c");
  s.SetSorted(true);
  EXPECT_EQ(std::vector<std::string>({"a", "b", "c", "d"}), Items(s));
  s.SetSorted(false);
  s.CustomSort([](TStringList* l, int a, int b) { return AnsiCompareStr(l->Get(b), l->Get(a)); });
  EXPECT_EQ(std::vector<std::string>({"d", "c", "b", "a"}), Items(s));
}

TEST(StringList, TextCommaTextNamesAndValues)
{
  TStringList s;
  s.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(std::vector<std::string>({"one", "two", "three", "four"}), Items(s));
  EXPECT_EQ(AnsiString("one\r\ntwo\r\nthree\r\nfour\r\n"), s.GetText());
  s.SetText("");
  EXPECT_EQ(0, s.Count());
  s.SetCommaText("a,\"b c\",\"say \"\"hi\"\"\", d e,,");
  EXPECT_EQ(std::vector<std::string>({"a", "b c", "say \"hi\"", "d", "e", ""}), Items(s));
  EXPECT_EQ(AnsiString("a,\"b c\",\"say \"\"hi\"\"\",d,e,\"\""), s.GetCommaText());
  s.Clear();
  s.Add("");
  EXPECT_EQ(AnsiString("\"\""), s.GetCommaText());
  s.Clear();
  s.Add("Width=10");
  s.Add("Name=שלום");
  EXPECT_EQ(AnsiString("Width"), s.Names(0));
  EXPECT_EQ(AnsiString("שלום"), s.Values("name"));
  EXPECT_EQ(1, s.IndexOfName("NAME"));
  s.SetValue("Width", "20");
  EXPECT_EQ(AnsiString("Width=20"), s.Get(0));
  s.SetValue("Height", "5");
  EXPECT_EQ(AnsiString("Height=5"), s.Get(2));
  s.SetValue("Width", "");
  EXPECT_EQ(2, s.Count());
  EXPECT_EQ(AnsiString(), s.Values("Missing"));
}

TEST(StringList, ObjectsIndexErrorsAndChangeEvents)
{
  TStringList s;
  TChangeCounter counter;
  s.SetOnChange(TNotifyEvent(&counter, &TChangeCounter::Changed));
  s.SetOnChanging(TNotifyEvent(&counter, &TChangeCounter::Changing));
  s.AddObject("x", &counter);
  EXPECT_EQ(&counter, s.Objects(0));
  EXPECT_EQ(0, s.IndexOfObject(&counter));
  EXPECT_EQ(1, counter.Changes);
  EXPECT_EQ(1, counter.Changings);
  s.BeginUpdate();
  s.Add("y");
  s.Add("z");
  EXPECT_EQ(1, counter.Changes);
  s.EndUpdate();
  EXPECT_EQ(2, counter.Changes);
  s.Move(0, 2);
  EXPECT_EQ(std::vector<std::string>({"y", "z", "x"}), Items(s));
  EXPECT_EQ(&counter, s.Objects(2));
  try {
    s.Get(3);
    FAIL() << "no error";
  } catch (EStringListError& e) {
    EXPECT_EQ(AnsiString("List index out of bounds (3)"), e.Message);
  }
  EXPECT_THROW(s.Delete(-1), EStringListError);
  EXPECT_THROW(s.Insert(5, "q"), EStringListError);
  TStringList copy;
  copy.Assign(&s);
  EXPECT_TRUE(copy.Equals(&s));
  copy.AddStrings(&s);
  EXPECT_EQ(6, copy.Count());
}

TEST(StringList, FilesKeepUtf8Text)
{
  std::string path = std::string(std::getenv("TEMP") ? std::getenv("TEMP") : ".") + "\\lines_שלום.txt";
  TStringList s;
  s.Add("שלום עולם");
  s.Add("second");
  s.SaveToFile(path.c_str());
  TStringList t;
  t.LoadFromFile(path.c_str());
  EXPECT_EQ(Items(s), Items(t));
  DeleteFileW(Utf8ToUtf16(path).c_str());
  EXPECT_THROW(t.LoadFromFile(path.c_str()), EFOpenError);
}

TEST(ObjectList, OwnsObjectsUnlessTold)
{
  int live = 0;
  {
    TObjectList list;
    EXPECT_TRUE(list.GetOwnsObjects());
    list.Add(new TCounted(live));
    list.Add(new TCounted(live));
    TObject* kept = list.Extract(list.Items(0));
    EXPECT_EQ(2, live);
    delete kept;
    list.Delete(0);
    EXPECT_EQ(0, live);
    list.Add(new TCounted(live));
  }
  EXPECT_EQ(0, live);
  TCounted a(live);
  {
    auto* list = new TObjectList(false);
    list->Add(&a);
    EXPECT_EQ(0, list->FindInstanceOf(TObject::StaticClass(), false));
    delete list;
  }
  EXPECT_EQ(1, live);
}

TEST(ComponentList, ForgetsDestroyedComponents)
{
  TTestRoot root(nullptr);
  auto* a = new TTestComponent(&root);
  auto* b = new TTestComponent(&root);
  TComponentList list(false);
  list.Add(a);
  list.Add(b);
  delete a;
  ASSERT_EQ(1, list.Count());
  EXPECT_EQ(b, list.Items(0));
}

TEST(OrderedLists, QueuesGiveTheOldestStacksTheNewest)
{
  TQueue q;
  TStack s;
  for (intptr_t v = 1; v <= 3; ++v) {
    q.Push(P(v));
    s.Push(P(v));
  }
  EXPECT_TRUE(q.AtLeast(3));
  EXPECT_FALSE(q.AtLeast(4));
  EXPECT_EQ(P(1), q.Peek());
  EXPECT_EQ(P(1), q.Pop());
  EXPECT_EQ(P(2), q.Pop());
  EXPECT_EQ(P(3), s.Pop());
  EXPECT_EQ(P(2), s.Peek());
  EXPECT_EQ(1, q.Count());
  q.Pop();
  EXPECT_THROW(q.Pop(), EListError);
  TObjectQueue oq;
  TStringList x;
  oq.Push(&x);
  EXPECT_EQ(&x, oq.Pop());
}
