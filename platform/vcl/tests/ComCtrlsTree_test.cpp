// The tree view on a real window: adding nodes, expanding by a click on the button, hit tests,
// state images, deletion through the hook, a window made again (right to left) that keeps its
// nodes, and the stored items' bytes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ComCtrls.h"
#include "ControlsTestSupport.h"
#include "GuiTest.h"

using namespace ctltest;
namespace gt = ostrel::test;

namespace {

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};

// Records the tree's events as text, in order.
class TTreeProbe : public TTreeView {
  VCL_DECLARE_CLASS(TTreeProbe, TTreeView)
  explicit TTreeProbe(TOwnerArg owner) : TTreeView(owner)
  {
    OnExpanding = TTVExpandingEvent(this, &TTreeProbe::Expanding);
    OnExpanded = TTVExpandedEvent(this, &TTreeProbe::Expanded);
    OnCollapsing = TTVCollapsingEvent(this, &TTreeProbe::Collapsing);
    OnDeletion = TTVExpandedEvent(this, &TTreeProbe::Deletion);
    OnChange = TTVChangedEvent(this, &TTreeProbe::Changed);
  }
  std::vector<std::string> Events;
  void Expanding(TObject*, TTreeNode* n, bool&) { Events.push_back("expanding " + n->GetText().str()); }
  void Expanded(TObject*, TTreeNode* n) { Events.push_back("expanded " + n->GetText().str()); }
  void Collapsing(TObject*, TTreeNode* n, bool&) { Events.push_back("collapsing " + n->GetText().str()); }
  void Deletion(TObject*, TTreeNode* n) { Events.push_back("deletion " + n->GetText().str()); }
  void Changed(TObject*, TTreeNode* n) { Events.push_back("change " + (n ? n->GetText().str() : std::string("-"))); }
};
VCL_IMPLEMENT_CLASS(TTreeProbe)

// The tree view follows a press on an item in a loop of its own until the button comes up, so the
// press and the release go into the input queue together (the kit's Click waits for the press to
// be handled first, which that loop never lets it see).
bool ClickItem(HWND hwnd, POINT client)
{
  if (!gt::MakeForeground(hwnd)) return false;
  const POINT at = gt::AbsoluteInputPoint(gt::ClientToScreenPoint(hwnd, client));
  const DWORD where = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  INPUT input[3]{};
  const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    input[i].type = INPUT_MOUSE;
    input[i].mi.dx = at.x;
    input[i].mi.dy = at.y;
    input[i].mi.dwFlags = flags[i] | where;
  }
  return SendInput(3, input, sizeof(INPUT)) == 3;
}

// The events other than selection changes (the platform selects the first node when the tree first
// takes the focus).
std::vector<std::string> WithoutChanges(const std::vector<std::string>& events)
{
  std::vector<std::string> kept;
  for (const std::string& e : events)
    if (e.rfind("change", 0) != 0) kept.push_back(e);
  return kept;
}

class TreeView : public ::testing::Test {
protected:
  void SetUp() override
  {
    Form.reset(NewForm(320, 240));
    Tree = new TTreeProbe(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(10, 10, 300, 220);
    Pump();
  }
  // Music > (Rock > Song A, Song B), Films
  void Fill()
  {
    TTreeNodes* items = Tree->GetItems();
    Music = items->Add(nullptr, "Music");
    Rock = items->AddChild(Music, "Rock");
    items->AddChild(Rock, "Song A");
    items->AddChild(Rock, "Song B");
    Films = items->Add(Music, "Films");
    Pump();
  }
  std::string Order() const
  {
    std::string s;
    for (TTreeNode* n = Tree->GetItems()->GetFirstNode(); n; n = n->GetNext())
      s += (s.empty() ? "" : ",") + std::to_string(n->GetLevel()) + n->GetText().str();
    return s;
  }
  // A client point of the node's row whose hit test holds the part (searched along the row).
  bool PointOn(TTreeNode* node, THitTest part, POINT& point)
  {
    const TRect row = node->DisplayRect(false);
    const int y = (row.Top + row.Bottom) / 2;
    // The middle of the first run of points on that part, away from its edges.
    int first = -1, last = -1;
    for (int x = 0; x < row.Right; ++x) {
      const bool on = Tree->GetHitTestInfoAt(x, y).Contains(part);
      if (on && first < 0) first = x;
      if (on) last = x;
      if (!on && first >= 0) break;
    }
    if (first < 0) return false;
    point = POINT{(first + last) / 2, y};
    return true;
  }
  std::unique_ptr<TForm, FormDeleter> Form;
  TTreeProbe* Tree = nullptr;
  TTreeNode* Music = nullptr;
  TTreeNode* Rock = nullptr;
  TTreeNode* Films = nullptr;
};

}  // namespace

TEST_F(TreeView, NodesGoWhereEachAddPutsThem)
{
  Fill();
  TTreeNodes* items = Tree->GetItems();
  struct Case {
    const char* what;
    std::function<TTreeNode*()> add;
    const char* order;
  } cases[] = {
      {"Add after the last sibling", [&] { return items->Add(Rock, "Jazz"); }, "0Music,1Rock,2Song A,2Song B,1Jazz,0Films"},
      {"AddFirst before the first sibling", [&] { return items->AddFirst(Films, "News"); },
       "0News,0Music,1Rock,2Song A,2Song B,1Jazz,0Films"},
      {"AddChildFirst", [&] { return items->AddChildFirst(Rock, "Intro"); },
       "0News,0Music,1Rock,2Intro,2Song A,2Song B,1Jazz,0Films"},
      {"Insert before the node", [&] { return items->Insert(Films, "Radio"); },
       "0News,0Music,1Rock,2Intro,2Song A,2Song B,1Jazz,0Radio,0Films"},
      {"AddChildObject keeps the data", [&] { return items->AddChildObject(Films, "Clip", items); },
       "0News,0Music,1Rock,2Intro,2Song A,2Song B,1Jazz,0Radio,0Films,1Clip"},
  };
  for (const Case& c : cases) {
    TTreeNode* added = c.add();
    EXPECT_EQ(Order(), c.order) << c.what;
    EXPECT_EQ(items->GetNode(added->GetItemId()), added) << c.what << ": the window shows the node";
  }
  TTreeNode* clip = Films->getFirstChild();
  EXPECT_EQ(clip->GetData(), items);
  EXPECT_EQ(clip->GetParent(), Films);
  EXPECT_EQ(clip->GetAbsoluteIndex(), 9);
  EXPECT_EQ(items->GetCount(), 10);
  EXPECT_EQ(items->GetItem(9), clip);
  EXPECT_EQ(Rock->GetCount(), 3);
  EXPECT_EQ(Rock->GetItem(1)->GetText(), AnsiString("Song A"));
  EXPECT_EQ(Rock->GetItem(1)->getNextSibling()->GetText(), AnsiString("Song B"));
  EXPECT_EQ(Rock->GetItem(1)->getPrevSibling()->GetText(), AnsiString("Intro"));
  EXPECT_EQ(clip->GetPrev(), Films);
  EXPECT_TRUE(Films->GetHasChildren());
  EXPECT_FALSE(clip->GetHasChildren());
}

TEST_F(TreeView, ClickOnTheButtonExpandsAndHitTestsNameTheParts)
{
  Fill();
  POINT button{};
  ASSERT_TRUE(PointOn(Music, htOnButton, button));
  ASSERT_TRUE(gt::Click(Tree->GetHandle(), button));
  ASSERT_TRUE(gt::PumpUntil([&] { return Music->GetExpanded(); }, 3000));
  EXPECT_EQ(WithoutChanges(Tree->Events), (std::vector<std::string>{"expanding Music", "expanded Music"}));
  // Program calls raise the same events.
  Tree->Events.clear();
  Rock->Expand(false);
  Music->Collapse(false);
  EXPECT_EQ(Tree->Events, (std::vector<std::string>{"expanding Rock", "expanded Rock", "collapsing Music"}));
  Music->Expand(false);
  Pump();
  TTreeNode* songB = Rock->GetLastChild();
  const TRect label = songB->DisplayRect(true);
  const int mid = (label.Top + label.Bottom) / 2;
  const int clientHeight = Tree->GetClientHeight();
  struct Case {
    const char* what;
    int x, y;
    THitTests expected;
  } cases[] = {
      {"on the label", (label.Left + label.Right) / 2, mid, THitTests() << htOnItem << htOnLabel},
      {"right of the label", label.Right + 20, mid, THitTests() << htOnRight},
      {"left of the label, in the indent", 2, mid, THitTests() << htOnIndent},
      {"below the last row", 50, clientHeight - 3, THitTests() << htNowhere},
      {"above the window", 50, -5, THitTests() << htAbove},
      {"below the window", 50, clientHeight + 5, THitTests() << htBelow},
      {"left of the window", -5, mid, THitTests() << htToLeft},
      {"right of the window", Tree->GetClientWidth() + 5, mid, THitTests() << htToRight},
  };
  for (const Case& c : cases) EXPECT_TRUE(Tree->GetHitTestInfoAt(c.x, c.y) == c.expected) << c.what;
  EXPECT_EQ(Tree->GetNodeAt((label.Left + label.Right) / 2, mid), songB);
  EXPECT_EQ(Tree->GetNodeAt(50, clientHeight - 3), nullptr);
  // A click on a label selects the node.
  ASSERT_TRUE(ClickItem(Tree->GetHandle(), POINT{(label.Left + label.Right) / 2, mid}));
  ASSERT_TRUE(gt::PumpUntil([&] { return Tree->GetSelected() == songB; }, 3000));
  EXPECT_TRUE(songB->GetSelected());
  EXPECT_EQ(Tree->Events.back(), "change Song B");
  gt::SavePng(Tree->GetHandle(), "treeview_expanded");
}

TEST_F(TreeView, StateImagesShowAndHit)
{
  auto* states = new TImageList(Form.get());
  // Index 0 of a state list is never shown (state 0 means none); 1 is red, 2 green.
  const TColor colours[] = {clBlue, clRed, clLime};
  for (TColor c : colours) {
    TBitmap cell;
    cell.SetSize(16, 16);
    cell.GetCanvas()->GetBrush()->SetColor(c);
    cell.GetCanvas()->FillRect(TRect(0, 0, 16, 16));
    ASSERT_GE(states->Add(&cell, nullptr), 0);
  }
  EXPECT_EQ(states->GetCount(), 3);
  Tree->SetStateImages(states);
  Fill();
  Music->SetStateIndex(1);
  Films->SetStateIndex(2);
  POINT icon{};
  ASSERT_TRUE(PointOn(Music, htOnStateIcon, icon));
  EXPECT_TRUE(Tree->GetHitTestInfoAt(icon.x, icon.y).Contains(htOnItem));
  const TPixels pixels = Capture(Tree);
  pixels.Save("treeview_state_images");
  const TRect musicRow = Music->DisplayRect(false), filmsRow = Films->DisplayRect(false);
  EXPECT_GT(pixels.Count(musicRow, RGB(255, 0, 0)), 100);
  EXPECT_EQ(pixels.Count(musicRow, RGB(0, 255, 0)), 0);
  EXPECT_GT(pixels.Count(filmsRow, RGB(0, 255, 0)), 100);
  EXPECT_EQ(pixels.Count(TRect(0, 0, pixels.Width, pixels.Height), RGB(0, 0, 255)), 0) << "state image 0 is never drawn";
  Music->SetStateIndex(-1);
  EXPECT_EQ(Capture(Tree).Count(musicRow, RGB(255, 0, 0)), 0);
}

TEST_F(TreeView, DeletionPassesTheHookChildrenFirst)
{
  Fill();
  struct Case {
    const char* what;
    std::function<void()> remove;
    std::vector<std::string> events;
    const char* left;
  } cases[] = {
      {"a node with children", [&] { Rock->Delete(); },
       {"deletion Song B", "deletion Song A", "deletion Rock"}, "0Music,0Films"},
      {"Clear", [&] { Tree->GetItems()->Clear(); }, {"deletion Films", "deletion Music"}, ""},
  };
  for (const Case& c : cases) {
    Tree->Events.clear();
    c.remove();
    std::vector<std::string> deletions;
    for (const std::string& e : Tree->Events)
      if (e.rfind("deletion", 0) == 0) deletions.push_back(e);
    EXPECT_EQ(deletions, c.events) << c.what;
    EXPECT_EQ(Order(), c.left) << c.what;
  }
  EXPECT_EQ(SendMessageW(Tree->GetHandle(), TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(TreeView, AWindowMadeAgainKeepsNodesAndData)
{
  Fill();
  int payload[3] = {};
  Music->SetData(&payload[0]);
  Rock->SetData(&payload[1]);
  Films->SetData(&payload[2]);
  Music->Expand(false);
  Tree->SetSelected(Rock);
  Pump();
  Tree->Events.clear();
  HWND before = Tree->GetHandle();
  Form->SetBiDiMode(bdRightToLeft);
  Pump();
  HWND after = Tree->GetHandle();
  ASSERT_NE(before, after) << "the window was made again";
  EXPECT_TRUE(GetWindowLongW(after, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
  EXPECT_TRUE(Tree->Events.empty()) << Tree->Events.front();
  EXPECT_EQ(Order(), "0Music,1Rock,2Song A,2Song B,0Films");
  EXPECT_EQ(Music->GetData(), &payload[0]);
  EXPECT_EQ(Rock->GetData(), &payload[1]);
  EXPECT_EQ(Films->GetData(), &payload[2]);
  EXPECT_EQ(SendMessageW(after, TVM_GETCOUNT, 0, 0), 5);
  EXPECT_TRUE(Music->GetExpanded());
  EXPECT_EQ(Tree->GetSelected(), Rock);
  EXPECT_EQ(Tree->GetItems()->GetNode(Rock->GetItemId()), Rock);
  // Mirrored: the button and the texts are at the right edge of the picture.
  const TPixels pixels = Capture(Tree);
  pixels.Save("treeview_right_to_left");
  const auto text = pixels.ColumnsNear(RGB(0, 0, 0), 80);
  ASSERT_GE(text.first, 0);
  EXPECT_GT(text.first, pixels.Width / 2) << "lines, buttons and texts start at the right";
  // The hit test answers in the window's own mirrored coordinates: the button is at the start.
  POINT button{};
  ASSERT_TRUE(PointOn(Music, htOnButton, button));
  EXPECT_LT(button.x, pixels.Width / 2);
  ASSERT_TRUE(gt::Click(after, button));
  ASSERT_TRUE(gt::PumpUntil([&] { return !Music->GetExpanded(); }, 3000));
  EXPECT_EQ(WithoutChanges(Tree->Events), (std::vector<std::string>{"collapsing Music"}));
}

// ---------------------------------------------------------------------------------------------------
// Stored items
namespace {
class TComCtrlsForm : public TForm {
  VCL_DECLARE_FORM(TComCtrlsForm, TForm)
  explicit TComCtrlsForm(TOwnerArg owner) : TForm(owner) {}
  TComCtrlsForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  TImageList* ImageList1;
  TTreeView* TreeView1;
  void TreeChange(TObject*, TTreeNode*) {}
  void TreeExpanding(TObject*, TTreeNode*, bool&) {}
  void TreeDeletion(TObject*, TTreeNode*) {}
  void ImagesChange(TObject*) {}
};
VCL_PUBLISHED(TComCtrlsForm)
{
  p.Field("ImageList1", &TComCtrlsForm::ImageList1);
  p.Field("TreeView1", &TComCtrlsForm::TreeView1);
  p.Method("TreeChange", &TComCtrlsForm::TreeChange);
  p.Method("TreeExpanding", &TComCtrlsForm::TreeExpanding);
  p.Method("TreeDeletion", &TComCtrlsForm::TreeDeletion);
  p.Method("ImagesChange", &TComCtrlsForm::ImagesChange);
}

std::string Written(TComponent* form)
{
  TMemoryStream stream;
  stream.WriteComponent(form);
  return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
}
}  // namespace

TEST(ComCtrlsStoredForm, TheCycleKeepsWhatTheProgramAdds)
{
  std::unique_ptr<TComCtrlsForm, FormDeleter> form(new TComCtrlsForm(nullptr));
  // Every stored value is read back by the stored-controls test; here the cycle carries what the
  // program adds: images in the list's bitmap and a node text longer than the format holds.
  TImageList* images = form->ImageList1;
  ASSERT_NE(images, nullptr);
  TTreeNode* music = form->TreeView1->GetItems()->GetFirstNode();
  ASSERT_NE(music, nullptr);
  TTreeView* tree = form->TreeView1;
  // Images too, so that the image list's Bitmap goes through the cycle.
  TBitmap cell;
  cell.SetSize(24, 10);
  cell.GetCanvas()->GetBrush()->SetColor(clTeal);
  cell.GetCanvas()->FillRect(TRect(0, 0, 24, 10));
  ASSERT_EQ(images->Add(&cell, nullptr), 0);
  ASSERT_EQ(images->GetCount(), 2);
  // Hebrew text of more than 255 bytes is cut at a character's edge.
  std::string longText;
  for (int i = 0; i < 130; ++i) longText += "\xd7\xa9";  // shin, two bytes
  tree->GetItems()->AddChild(music, AnsiString(longText));

  const std::string first = Written(form.get());
  std::unique_ptr<TComCtrlsForm, FormDeleter> copy(new TComCtrlsForm(nullptr, 0));
  TMemoryStream stream;
  stream.WriteBuffer(first.data(), int(first.size()));
  stream.SetPosition(0);
  stream.ReadComponent(copy.get());
  EXPECT_EQ(Written(copy.get()), first);
  EXPECT_EQ(copy->ImageList1->GetCount(), 2);
  EXPECT_EQ(copy->TreeView1->GetImages(), copy->ImageList1);
  TTreeNode* cut = copy->TreeView1->GetItems()->GetFirstNode()->GetLastChild();
  EXPECT_EQ(cut->GetText().Length(), 254);
  EXPECT_EQ(cut->GetText().str(), longText.substr(0, 254));
  // The copy shows its images.
  TBitmap back;
  copy->ImageList1->GetBitmap(1, &back);
  EXPECT_EQ(ColorToRGB(back.GetCanvas()->GetPixels(5, 5)), ColorToRGB(clTeal));
}

TEST(ComCtrlsStoredForm, DamagedItemsAreRefused)
{
  struct Case {
    const char* what;
    const char* data;
  } cases[] = {
      {"a count beyond the bytes", "FFFF0000"},
      {"a negative count", "FFFFFFFF"},
      {"a record size too small", "0100000004000000000000000000000000000000000000000000000000000000"},
      {"a text longer than its record", "010000001900000000000000000000000000000000000000000000000000000009"},
      {"a record cut short", "010000001E0000000100000002000000"},
  };
  for (const Case& c : cases) {
    const std::string text = std::string("object T: TTreeView\r\n  Items.Data = {") + c.data + "}\r\nend\r\n";
    TMemoryStream in, binary;
    in.WriteBuffer(text.data(), int(text.size()));
    in.SetPosition(0);
    ObjectTextToBinary(&in, &binary);
    binary.SetPosition(0);
    std::unique_ptr<TTreeView> tree(new TTreeView(nullptr));
    EXPECT_THROW(binary.ReadComponent(tree.get()), EReadError) << c.what;
  }
}
