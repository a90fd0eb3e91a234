// ComCtrls: the tree view over the platform's SysTreeView32. The nodes live here; the window shows
// them, so a window made again is filled from the nodes without deleting any.
#include <cstdint>
#include <cstring>

#include "ComCtrls.h"
#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(THitTest, "htAbove", "htBelow", "htNowhere", "htOnItem", "htOnButton", "htOnIcon", "htOnIndent",
                   "htOnLabel", "htOnRight", "htOnStateIcon", "htToLeft", "htToRight")
VCL_IMPLEMENT_ENUM(TSortType, "stNone", "stData", "stText", "stBoth")
VCL_IMPLEMENT_CLASS(TTreeNode)
VCL_IMPLEMENT_CLASS(TTreeNodes)
VCL_IMPLEMENT_CLASS(TCustomTreeView)

VCL_PUBLISHED(TTreeView)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("AutoExpand", &TTreeView::GetAutoExpand, &TTreeView::SetAutoExpand).Default(false);
  p.Property("BorderStyle", &TTreeView::GetBorderStyle, &TTreeView::SetBorderStyle).Default(bsSingle);
  p.Property("ChangeDelay", &TTreeView::GetChangeDelay, &TTreeView::SetChangeDelay).Default(0);
  p.Property("HideSelection", &TTreeView::GetHideSelection, &TTreeView::SetHideSelection).Default(true);
  p.Property("HotTrack", &TTreeView::GetHotTrack, &TTreeView::SetHotTrack).Default(false);
  p.Property("Images", &TTreeView::GetImages, &TTreeView::SetImages);
  p.Property("Indent", &TTreeView::GetIndent, &TTreeView::SetIndent).NoDefault();
  p.ReadOnly("Items", &TTreeView::GetItems);
  p.Property("ReadOnly", &TTreeView::GetReadOnly, &TTreeView::SetReadOnly).Default(false);
  p.Property("RightClickSelect", &TTreeView::GetRightClickSelect, &TTreeView::SetRightClickSelect).Default(false);
  p.Property("RowSelect", &TTreeView::GetRowSelect, &TTreeView::SetRowSelect).Default(false);
  p.Property("ShowButtons", &TTreeView::GetShowButtons, &TTreeView::SetShowButtons).Default(true);
  p.Property("ShowLines", &TTreeView::GetShowLines, &TTreeView::SetShowLines).Default(true);
  p.Property("ShowRoot", &TTreeView::GetShowRoot, &TTreeView::SetShowRoot).Default(true);
  p.Property("SortType", &TTreeView::GetSortType, &TTreeView::SetSortType).Default(stNone);
  p.Property("StateImages", &TTreeView::GetStateImages, &TTreeView::SetStateImages);
  p.Property("ToolTips", &TTreeView::GetToolTips, &TTreeView::SetToolTips).Default(true);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TTreeView::OnChange, &TTreeView::OnChange);
  p.Property("OnChanging", &TTreeView::OnChanging, &TTreeView::OnChanging);
  p.Property("OnCollapsed", &TTreeView::OnCollapsed, &TTreeView::OnCollapsed);
  p.Property("OnCollapsing", &TTreeView::OnCollapsing, &TTreeView::OnCollapsing);
  p.Property("OnDeletion", &TTreeView::OnDeletion, &TTreeView::OnDeletion);
  p.Property("OnEdited", &TTreeView::OnEdited, &TTreeView::OnEdited);
  p.Property("OnEditing", &TTreeView::OnEditing, &TTreeView::OnEditing);
  p.Property("OnExpanded", &TTreeView::OnExpanded, &TTreeView::OnExpanded);
  p.Property("OnExpanding", &TTreeView::OnExpanding, &TTreeView::OnExpanding);
  PublishMouseEvents(p);
}

namespace {
// While set, the window's selection and expansion notices come from the program's own calls (or
// from filling a new window) and raise no events.
struct TFlagScope {
  bool& flag;
  bool saved;
  explicit TFlagScope(bool& f) : flag(f), saved(f) { flag = true; }
  ~TFlagScope() { flag = saved; }
};

// The item state bit of the node with the keyboard focus (not in every header set).
constexpr UINT ItemFocused = 0x0001;

UINT StateBits(const TTreeNode* node)
{
  UINT state = INDEXTOSTATEIMAGEMASK(UINT(std::max(node->GetStateIndex(), 0)));
  if (node->GetOverlayIndex() >= 0) state |= INDEXTOOVERLAYMASK(UINT(node->GetOverlayIndex()));
  return state;
}
// Kept out of line: GCC 12 inlines the set's bit arithmetic into the table loop below and then warns
// (-Warray-bounds, a false positive) about the set's storage.
[[gnu::noinline]] void AddHitTest(THitTests& tests, THitTest test) { tests << test; }
}  // namespace

// ===================================================================================================
// TTreeNode
TTreeNode::TTreeNode(TTreeNodes* owner) : FOwner(owner) {}

TTreeNode::~TTreeNode()
{
  for (TTreeNode* child : FChildren) delete child;
}

TPersistent* TTreeNode::GetOwner() const { return FOwner; }

TCustomTreeView* TTreeNode::GetTreeView() const { return FOwner ? FOwner->GetTreeView() : nullptr; }

void TTreeNode::UpdateItem(UINT mask)
{
  TCustomTreeView* view = GetTreeView();
  if (!FItemId || !view || !view->HandleAllocated()) return;
  const std::wstring text = Utf8ToUtf16(FText.str());
  TVITEMW item{};
  item.mask = mask | TVIF_HANDLE;
  item.hItem = FItemId;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.iImage = FImageIndex;
  item.iSelectedImage = FSelectedIndex;
  item.state = StateBits(this);
  item.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
  item.cChildren = GetHasChildren() ? 1 : 0;
  SendMessageW(view->GetHandle(), TVM_SETITEMW, 0, LPARAM(&item));
}

void TTreeNode::SetText(const AnsiString& value)
{
  FText = value;
  UpdateItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int value)
{
  FImageIndex = value;
  UpdateItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int value)
{
  FSelectedIndex = value;
  UpdateItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(int value)
{
  FStateIndex = value < 0 ? -1 : value;
  UpdateItem(TVIF_STATE);
}

void TTreeNode::SetOverlayIndex(int value)
{
  FOverlayIndex = value < 0 ? -1 : value;
  UpdateItem(TVIF_STATE);
}

void TTreeNode::SetHasChildren(bool value)
{
  FHasChildren = value;
  UpdateItem(TVIF_CHILDREN);
}

void TTreeNode::SetExpanded(bool value)
{
  if (value == FExpanded) return;
  TCustomTreeView* view = GetTreeView();
  if (value && !GetHasChildren()) return;
  if (view && !(value ? view->CanExpand(this) : view->CanCollapse(this))) return;
  FExpanded = value;
  if (view && FItemId && view->HandleAllocated()) {
    TFlagScope quiet(view->FFilling);
    SendMessageW(view->GetHandle(), TVM_EXPAND, value ? TVE_EXPAND : TVE_COLLAPSE, LPARAM(FItemId));
  }
  if (view) value ? view->Expand(this) : view->Collapse(this);
}

void TTreeNode::Expand(bool recurse)
{
  SetExpanded(true);
  if (recurse)
    for (TTreeNode* child : std::vector<TTreeNode*>(FChildren)) child->Expand(true);
}

void TTreeNode::Collapse(bool recurse)
{
  SetExpanded(false);
  if (recurse)
    for (TTreeNode* child : std::vector<TTreeNode*>(FChildren)) child->Collapse(true);
}

bool TTreeNode::GetSelected() const
{
  TCustomTreeView* view = GetTreeView();
  return view && view->GetSelected() == this;
}

void TTreeNode::SetSelected(bool value)
{
  TCustomTreeView* view = GetTreeView();
  if (!view) return;
  if (value) view->SetSelected(const_cast<TTreeNode*>(this));
  else if (GetSelected()) view->SetSelected(nullptr);
}

bool TTreeNode::GetFocused() const
{
  TCustomTreeView* view = GetTreeView();
  if (!view || !FItemId || !view->HandleAllocated()) return false;
  const UINT state = UINT(SendMessageW(view->GetHandle(), TVM_GETITEMSTATE, WPARAM(FItemId), ItemFocused));
  return (state & ItemFocused) != 0 || (GetSelected() && view->Focused());
}

void TTreeNode::SetFocused(bool value)
{
  TCustomTreeView* view = GetTreeView();
  if (!view || !FItemId || !view->HandleAllocated()) return;
  TVITEMW item{};
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = FItemId;
  item.state = value ? ItemFocused : 0;
  item.stateMask = ItemFocused;
  SendMessageW(view->GetHandle(), TVM_SETITEMW, 0, LPARAM(&item));
}

int TTreeNode::GetLevel() const
{
  int level = 0;
  for (const TTreeNode* p = FParent; p; p = p->FParent) ++level;
  return level;
}

TTreeNode* TTreeNode::GetItem(int index) const
{
  if (index < 0 || index >= GetCount()) TList::Error("Tree view index out of range (%d)", index);
  return FChildren[size_t(index)];
}

int TTreeNode::GetIndex() const
{
  const auto& siblings = FParent ? FParent->FChildren : FOwner->FRoots;
  auto it = std::find(siblings.begin(), siblings.end(), this);
  return it == siblings.end() ? -1 : int(it - siblings.begin());
}

int TTreeNode::GetAbsoluteIndex() const
{
  int index = 0;
  for (const TTreeNode* n = GetPrev(); n; n = n->GetPrev()) ++index;
  return index;
}

TTreeNode* TTreeNode::getNextSibling() const
{
  const auto& siblings = FParent ? FParent->FChildren : FOwner->FRoots;
  const int i = GetIndex();
  return i >= 0 && size_t(i) + 1 < siblings.size() ? siblings[size_t(i) + 1] : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const
{
  const auto& siblings = FParent ? FParent->FChildren : FOwner->FRoots;
  const int i = GetIndex();
  return i > 0 ? siblings[size_t(i) - 1] : nullptr;
}

// Depth first: the first child, else the next sibling of the node or of its nearest ancestor.
TTreeNode* TTreeNode::GetNext() const
{
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (TTreeNode* next = n->getNextSibling()) return next;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const
{
  TTreeNode* prev = getPrevSibling();
  if (!prev) return FParent;
  while (!prev->FChildren.empty()) prev = prev->FChildren.back();
  return prev;
}

bool TTreeNode::HasAsParent(const TTreeNode* value) const
{
  for (const TTreeNode* p = FParent; p; p = p->FParent)
    if (p == value) return true;
  return false;
}

TRect TTreeNode::DisplayRect(bool textOnly) const
{
  TCustomTreeView* view = GetTreeView();
  RECT r{};
  if (!view || !FItemId || !view->HandleAllocated()) return TRect(0, 0, 0, 0);
  // The message takes the item in the rectangle's first bytes.
  HTREEITEM id = FItemId;
  std::memcpy(&r, &id, sizeof(id));
  if (!SendMessageW(view->GetHandle(), TVM_GETITEMRECT, textOnly, LPARAM(&r))) return TRect(0, 0, 0, 0);
  return TRect(r);
}

bool TTreeNode::IsVisible() const
{
  for (const TTreeNode* p = FParent; p; p = p->FParent)
    if (!p->FExpanded) return false;
  const TRect r = DisplayRect(false);
  return r.Bottom > r.Top;
}

void TTreeNode::MakeVisible()
{
  TCustomTreeView* view = GetTreeView();
  if (view && FItemId && view->HandleAllocated()) SendMessageW(view->GetHandle(), TVM_ENSUREVISIBLE, 0, LPARAM(FItemId));
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren()
{
  while (!FChildren.empty()) FOwner->Delete(FChildren.back());
}

// ===================================================================================================
// TTreeNodes
TTreeNodes::TTreeNodes(TCustomTreeView* owner) : FOwner(owner) {}

TTreeNodes::~TTreeNodes()
{
  for (TTreeNode* node : FRoots) delete node;
}

TPersistent* TTreeNodes::GetOwner() const { return FOwner; }

int TTreeNodes::GetCount() const
{
  int count = 0;
  for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext()) ++count;
  return count;
}

TTreeNode* TTreeNodes::GetItem(int index) const
{
  TTreeNode* n = index >= 0 ? GetFirstNode() : nullptr;
  for (int i = 0; n && i < index; ++i) n = n->GetNext();
  if (!n) TList::Error("Tree view index out of range (%d)", index);
  return n;
}

TTreeNode* TTreeNodes::InternalAdd(TTreeNode* parent, size_t position, const AnsiString& text, void* data)
{
  auto node = std::make_unique<TTreeNode>(this);
  node->FText = text;
  node->FData = data;
  node->FParent = parent;
  auto& siblings = SiblingsOf(parent);
  position = std::min(position, siblings.size());
  TTreeNode* added = node.release();
  siblings.insert(siblings.begin() + ptrdiff_t(position), added);
  InsertItem(added);
  if (parent && parent->GetCount() == 1) parent->UpdateItem(TVIF_CHILDREN);
  return added;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* node, const AnsiString& text, void* data)
{
  TTreeNode* parent = node ? node->FParent : nullptr;
  return InternalAdd(parent, SiblingsOf(parent).size(), text, data);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* node, const AnsiString& text, void* data)
{
  return InternalAdd(node ? node->FParent : nullptr, 0, text, data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* node, const AnsiString& text, void* data)
{
  return InternalAdd(node, SiblingsOf(node).size(), text, data);
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* node, const AnsiString& text, void* data)
{
  return InternalAdd(node, 0, text, data);
}

TTreeNode* TTreeNodes::InsertObject(TTreeNode* node, const AnsiString& text, void* data)
{
  if (!node) return AddObject(nullptr, text, data);
  return InternalAdd(node->FParent, size_t(node->GetIndex()), text, data);
}

void TTreeNodes::Delete(TTreeNode* node)
{
  if (!node || node->FDeleting) return;
  node->FDeleting = true;
  while (!node->FChildren.empty()) Delete(node->FChildren.back());
  FOwner->Delete(node);
  if (FOwner->FSelected == node) FOwner->FSelected = nullptr;
  if (node->FItemId && FOwner->HandleAllocated()) {
    TFlagScope quiet(FOwner->FFilling);
    SendMessageW(FOwner->GetHandle(), TVM_DELETEITEM, 0, LPARAM(node->FItemId));
  }
  auto& siblings = SiblingsOf(node->FParent);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
  TTreeNode* parent = node->FParent;
  delete node;
  if (parent && parent->FChildren.empty()) {
    parent->FExpanded = false;
    parent->UpdateItem(TVIF_CHILDREN);
  }
}

void TTreeNodes::Clear()
{
  BeginUpdate();
  struct End {
    TTreeNodes* nodes;
    ~End() { nodes->EndUpdate(); }
  } end{this};
  while (!FRoots.empty()) Delete(FRoots.back());
}

void TTreeNodes::BeginUpdate()
{
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageW(FOwner->GetHandle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate()
{
  if (--FUpdateCount > 0 || !FOwner->HandleAllocated()) return;
  SendMessageW(FOwner->GetHandle(), WM_SETREDRAW, TRUE, 0);
  FOwner->Invalidate();
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM item) const
{
  if (!item || !FOwner->HandleAllocated()) return nullptr;
  TVITEMW tv{};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!SendMessageW(FOwner->GetHandle(), TVM_GETITEMW, 0, LPARAM(&tv))) return nullptr;
  return reinterpret_cast<TTreeNode*>(tv.lParam);
}

void TTreeNodes::Assign(TPersistent* source)
{
  auto* other = dynamic_cast<TTreeNodes*>(source);
  if (!other) return TPersistent::Assign(source);
  Clear();
  TMemoryStream stream;
  other->WriteData(&stream);
  stream.SetPosition(0);
  ReadData(&stream);
}

void TTreeNodes::InsertItem(TTreeNode* node)
{
  if (!FOwner->HandleAllocated()) return;
  HWND handle = FOwner->GetHandle();
  const std::wstring text = Utf8ToUtf16(node->FText.str());
  TVINSERTSTRUCTW is{};
  is.hParent = node->FParent ? node->FParent->FItemId : TVI_ROOT;
  TTreeNode* prev = node->getPrevSibling();
  is.hInsertAfter = prev && prev->FItemId ? prev->FItemId : TVI_FIRST;
  TVITEMW& item = is.item;
  item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  item.iImage = node->FImageIndex;
  item.iSelectedImage = node->FSelectedIndex;
  item.state = StateBits(node);
  item.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
  item.cChildren = node->GetHasChildren() ? 1 : 0;
  item.lParam = LPARAM(node);
  node->FItemId = reinterpret_cast<HTREEITEM>(SendMessageW(handle, TVM_INSERTITEMW, 0, LPARAM(&is)));
  if (!node->FItemId) return;
  for (TTreeNode* child : node->FChildren) InsertItem(child);
  if (node->FExpanded && !node->FChildren.empty()) {
    TFlagScope quiet(FOwner->FFilling);
    SendMessageW(handle, TVM_EXPAND, TVE_EXPAND, LPARAM(node->FItemId));
  }
}

void TTreeNodes::InsertAllItems()
{
  for (TTreeNode* node : FRoots) InsertItem(node);
}

// ---------------------------------------------------------------------------------------------------
// Items.Data, as the VCL stores it (all numbers 32-bit little-endian): the number of top-level nodes,
// then each node depth first as: the record's size (24 + 1 + text length), ImageIndex, SelectedIndex,
// StateIndex, OverlayIndex, Data (a 32-bit pointer), the number of children, the text as a short string
// (one length byte, at most 255 bytes), followed by its children the same way.
namespace {
constexpr int NodeFixedSize = 6 * 4;

int32_t ReadInt(TStream* stream)
{
  uint8_t b[4];
  stream->ReadBuffer(b, 4);
  return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

void WriteInt(TStream* stream, int32_t value)
{
  const uint32_t v = uint32_t(value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  stream->WriteBuffer(b, 4);
}

// The text cut to 255 bytes, never inside a UTF-8 character.
std::string ShortText(const AnsiString& text)
{
  std::string s = text.str();
  if (s.size() <= 255) return s;
  size_t n = 255;
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}
}  // namespace

void TTreeNodes::WriteData(TStream* stream)
{
  WriteInt(stream, int32_t(FRoots.size()));
  std::function<void(TTreeNode*)> write = [&](TTreeNode* node) {
    const std::string text = ShortText(node->FText);
    WriteInt(stream, NodeFixedSize + 1 + int32_t(text.size()));
    WriteInt(stream, node->FImageIndex);
    WriteInt(stream, node->FSelectedIndex);
    WriteInt(stream, node->FStateIndex);
    WriteInt(stream, node->FOverlayIndex);
    WriteInt(stream, int32_t(uint32_t(reinterpret_cast<uintptr_t>(node->FData))));
    WriteInt(stream, int32_t(node->FChildren.size()));
    const uint8_t length = uint8_t(text.size());
    stream->WriteBuffer(&length, 1);
    if (length) stream->WriteBuffer(text.data(), length);
    for (TTreeNode* child : node->FChildren) write(child);
  };
  for (TTreeNode* node : FRoots) write(node);
}

void TTreeNodes::ReadData(TStream* stream)
{
  Clear();
  BeginUpdate();
  struct End {
    TTreeNodes* nodes;
    ~End() { nodes->EndUpdate(); }
  } end{this};
  // Every count is checked against the bytes left, so a damaged form cannot ask for more nodes than
  // it could hold.
  auto left = [&] { return stream->GetSize() - stream->GetPosition(); };
  auto checkCount = [&](int32_t count) {
    if (count < 0 || int64_t(count) * (NodeFixedSize + 5) > left()) throw EReadError("Invalid tree view data");
  };
  std::function<void(TTreeNode*)> read = [&](TTreeNode* parent) {
    const int32_t size = ReadInt(stream);
    if (size < NodeFixedSize + 1 || size > NodeFixedSize + 256 || size - 4 > left())
      throw EReadError("Invalid tree view data");
    const int32_t image = ReadInt(stream), selected = ReadInt(stream), state = ReadInt(stream),
                  overlay = ReadInt(stream);
    const uint32_t data = uint32_t(ReadInt(stream));
    const int32_t count = ReadInt(stream);
    uint8_t length = 0;
    stream->ReadBuffer(&length, 1);
    if (int(length) != size - NodeFixedSize - 1) throw EReadError("Invalid tree view data");
    std::string text(length, '\0');
    if (length) stream->ReadBuffer(text.data(), length);
    TTreeNode* node = AddChildObject(parent, AnsiString(text), reinterpret_cast<void*>(uintptr_t(data)));
    node->FImageIndex = image;
    node->FSelectedIndex = selected;
    node->FStateIndex = state < 0 ? -1 : state;
    node->FOverlayIndex = overlay < 0 ? -1 : overlay;
    node->UpdateItem(TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE);
    checkCount(count);
    for (int32_t i = 0; i < count; ++i) read(node);
  };
  const int32_t count = ReadInt(stream);
  checkCount(count);
  for (int32_t i = 0; i < count; ++i) read(nullptr);
}

void TTreeNodes::DefineProperties(TFiler* filer)
{
  TPersistent::DefineProperties(filer);
  bool hasData = !FRoots.empty();
  if (auto* ancestor = dynamic_cast<TTreeNodes*>(filer->GetAncestor())) {
    TMemoryStream mine, theirs;
    WriteData(&mine);
    ancestor->WriteData(&theirs);
    hasData = mine.GetSize() != theirs.GetSize() || std::memcmp(mine.Memory(), theirs.Memory(), size_t(mine.GetSize())) != 0;
  }
  filer->DefineBinaryProperty(
      "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, hasData);
}

// ===================================================================================================
// TCustomTreeView
TCustomTreeView::TCustomTreeView(TOwnerArg owner) : TWinControl(owner), FTreeNodes(std::make_unique<TTreeNodes>(this))
{
  FControlStyle >> csClickEvents;
  FControlStyle << csCaptureMouse << csDoubleClicks;
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView()
{
  // The nodes go with the tree; without BeforeDestruction (a tree that is a member) they go quietly.
  DestroyHandle();
  FTreeNodes.reset();
}

void TCustomTreeView::BeforeDestruction()
{
  TWinControl::BeforeDestruction();
  // Every node still passes the deletion hook while the tree is whole, so handlers can free their Data.
  FTreeNodes->Clear();
}

void TCustomTreeView::CreateParams(TCreateParams& params)
{
  vcl_detail::InitComCtrls();
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_TREEVIEWW);
  if (FShowButtons) params.Style |= TVS_HASBUTTONS;
  if (FShowLines) params.Style |= TVS_HASLINES;
  if (FShowRoot) params.Style |= TVS_LINESATROOT;
  if (!FReadOnly) params.Style |= TVS_EDITLABELS;
  if (!FHideSelection) params.Style |= TVS_SHOWSELALWAYS;
  if (FHotTrack) params.Style |= TVS_TRACKSELECT;
  if (FRowSelect) params.Style |= TVS_FULLROWSELECT;
  if (!FToolTips) params.Style |= TVS_NOTOOLTIPS;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
  vcl_detail::MirrorForRightToLeft(this, params);
}

void TCustomTreeView::CreateWnd()
{
  TWinControl::CreateWnd();
  HWND handle = GetHandle();
  SendMessageW(handle, TVM_SETINDENT, WPARAM(FIndent), 0);
  ApplyImages();
  TFlagScope quiet(FFilling);
  FTreeNodes->InsertAllItems();
  if (FSelected && FSelected->FItemId) SendMessageW(handle, TVM_SELECTITEM, TVGN_CARET, LPARAM(FSelected->FItemId));
}

void TCustomTreeView::DestroyWnd()
{
  FSelected = GetSelected();
  FIndent = GetIndent();
  {
    // The window takes its items with it; the nodes stay, and no deletion is reported.
    TFlagScope quiet(FFilling);
    TWinControl::DestroyWnd();
  }
  for (TTreeNode* n = FTreeNodes->GetFirstNode(); n; n = n->GetNext()) n->FItemId = nullptr;
}

void TCustomTreeView::SetStyleFlag(bool& flag, bool value)
{
  if (flag == value) return;
  flag = value;
  RecreateWnd();
}

void TCustomTreeView::SetBorderStyle(TBorderStyle value)
{
  if (value != bsNone) value = bsSingle;
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  RecreateWnd();
}

int TCustomTreeView::GetIndent() const
{
  if (!HandleAllocated()) return FIndent;
  return int(SendMessageW(const_cast<TCustomTreeView*>(this)->GetHandle(), TVM_GETINDENT, 0, 0));
}

void TCustomTreeView::SetIndent(int value)
{
  FIndent = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), TVM_SETINDENT, WPARAM(value), 0);
}

void TCustomTreeView::ApplyImages()
{
  if (!HandleAllocated()) return;
  SendMessageW(GetHandle(), TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(FImages ? FImages->GetHandle() : nullptr));
  SendMessageW(GetHandle(), TVM_SETIMAGELIST, TVSIL_STATE, LPARAM(FStateImages ? FStateImages->GetHandle() : nullptr));
}

void TCustomTreeView::SetImages(TCustomImageList* value)
{
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (value) value->FreeNotification(this);
  ApplyImages();
}

void TCustomTreeView::SetStateImages(TCustomImageList* value)
{
  if (FStateImages) FStateImages->RemoveFreeNotification(this);
  FStateImages = value;
  if (value) value->FreeNotification(this);
  ApplyImages();
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation)
{
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) SetImages(nullptr);
  if (component == FStateImages) SetStateImages(nullptr);
}

TTreeNode* TCustomTreeView::GetSelected() const
{
  if (!HandleAllocated() || FFilling) return FSelected;
  auto* self = const_cast<TCustomTreeView*>(this);
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(self->GetHandle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
  return FTreeNodes->GetNode(item);
}

void TCustomTreeView::SetSelected(TTreeNode* value)
{
  if (!HandleAllocated()) {
    FSelected = value;
    return;
  }
  SendMessageW(GetHandle(), TVM_SELECTITEM, TVGN_CARET, LPARAM(value ? value->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::GetTopItem() const
{
  if (!HandleAllocated()) return FTreeNodes->GetFirstNode();
  auto* self = const_cast<TCustomTreeView*>(this);
  return FTreeNodes->GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(self->GetHandle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

THitTests TCustomTreeView::GetHitTestInfoAt(int x, int y)
{
  TVHITTESTINFO info{};
  info.pt = POINT{x, y};
  SendMessageW(GetHandle(), TVM_HITTEST, 0, LPARAM(&info));
  THitTests result;
  struct Bit {
    UINT flag;
    THitTest test;
  };
  static constexpr Bit bits[] = {{TVHT_ABOVE, htAbove},          {TVHT_BELOW, htBelow},
                                 {TVHT_NOWHERE, htNowhere},      {TVHT_ONITEMBUTTON, htOnButton},
                                 {TVHT_ONITEMICON, htOnIcon},    {TVHT_ONITEMINDENT, htOnIndent},
                                 {TVHT_ONITEMLABEL, htOnLabel},  {TVHT_ONITEMRIGHT, htOnRight},
                                 {TVHT_ONITEMSTATEICON, htOnStateIcon}, {TVHT_TOLEFT, htToLeft},
                                 {TVHT_TORIGHT, htToRight}};
  for (const Bit& b : bits)
    if (info.flags & b.flag) AddHitTest(result, b.test);
  if (info.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON)) AddHitTest(result, htOnItem);
  return result;
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y)
{
  TVHITTESTINFO info{};
  info.pt = POINT{x, y};
  SendMessageW(GetHandle(), TVM_HITTEST, 0, LPARAM(&info));
  return info.hItem ? FTreeNodes->GetNode(info.hItem) : nullptr;
}

void TCustomTreeView::FullExpand()
{
  for (TTreeNode* n : std::vector<TTreeNode*>(FTreeNodes->FRoots)) n->Expand(true);
}

void TCustomTreeView::FullCollapse()
{
  for (TTreeNode* n : std::vector<TTreeNode*>(FTreeNodes->FRoots)) n->Collapse(true);
}

bool TCustomTreeView::IsEditing() const
{
  return HandleAllocated() && SendMessageW(const_cast<TCustomTreeView*>(this)->GetHandle(), TVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomTreeView::Delete(TTreeNode* node)
{
  if (OnDeletion) OnDeletion(this, node);
}

void TCustomTreeView::Click() { TWinControl::Click(); }

void TCustomTreeView::MouseMove(TShiftState shift, int x, int y) { TWinControl::MouseMove(shift, x, y); }

bool TCustomTreeView::CanChange(TTreeNode* node)
{
  bool allow = true;
  if (OnChanging) OnChanging(this, node, allow);
  return allow;
}

void TCustomTreeView::Change(TTreeNode* node)
{
  if (OnChange) OnChange(this, node);
}

bool TCustomTreeView::CanExpand(TTreeNode* node)
{
  bool allow = true;
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

void TCustomTreeView::Expand(TTreeNode* node)
{
  if (OnExpanded) OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node)
{
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, node, allow);
  return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node)
{
  if (OnCollapsed) OnCollapsed(this, node);
}

void TCustomTreeView::CNNotify(TWMNotify& message)
{
  const NMHDR* header = message.NMHdr();
  const auto* tv = reinterpret_cast<const NMTREEVIEWW*>(header);
  auto nodeOf = [](const TVITEMW& item) { return reinterpret_cast<TTreeNode*>(item.lParam); };
  message.Result = 0;
  switch (header->code) {
    case TVN_SELCHANGINGW:
      if (!FFilling) message.Result = CanChange(nodeOf(tv->itemNew)) ? 0 : 1;
      return;
    case TVN_SELCHANGEDW:
      FSelected = nodeOf(tv->itemNew);
      if (!FFilling) Change(FSelected);
      return;
    case TVN_ITEMEXPANDINGW: {
      if (FFilling) return;
      TTreeNode* node = nodeOf(tv->itemNew);
      if (!node) return;
      const bool expand = (tv->action & TVE_EXPAND) != 0;
      message.Result = (expand ? CanExpand(node) : CanCollapse(node)) ? 0 : 1;
      return;
    }
    case TVN_ITEMEXPANDEDW: {
      if (FFilling) return;
      TTreeNode* node = nodeOf(tv->itemNew);
      if (!node) return;
      const bool expand = (tv->action & TVE_EXPAND) != 0;
      node->FExpanded = expand;
      expand ? Expand(node) : Collapse(node);
      return;
    }
    case TVN_BEGINLABELEDITW: {
      auto* info = reinterpret_cast<const NMTVDISPINFOW*>(header);
      bool allow = !FReadOnly;
      if (allow && OnEditing) OnEditing(this, nodeOf(info->item), allow);
      message.Result = allow ? 0 : 1;
      return;
    }
    case TVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<const NMTVDISPINFOW*>(header);
      TTreeNode* node = nodeOf(info->item);
      if (!node || !info->item.pszText) return;
      AnsiString text(Utf16ToUtf8(info->item.pszText));
      if (OnEdited) OnEdited(this, node, text);
      node->SetText(text);
      return;
    }
    case NM_CLICK:
      Click();
      return;
    case NM_DBLCLK:
      DblClick();
      return;
    case NM_RCLICK:
      if (FRightClickSelect) {
        POINT pt{};
        GetCursorPos(&pt);
        ::ScreenToClient(GetHandle(), &pt);
        if (TTreeNode* node = GetNodeAt(pt.x, pt.y)) SetSelected(node);
      }
      return;
    default: return;
  }
}

void TCustomTreeView::Dispatch(void* message)
{
  auto& m = *static_cast<TMessage*>(message);
  switch (m.Msg) {
    case CN_NOTIFY: return CNNotify(static_cast<TWMNotify&>(m));
    default: return TWinControl::Dispatch(message);
  }
}
