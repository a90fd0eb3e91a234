// ComCtrls: the common controls over comctl32. So far the tree view.
//
// Bodies: ComCtrls.cpp (the unit's registration and shared helpers), ComCtrlsTree.cpp (tree view and
// its nodes).
//
// Right to left: the tree view is mirrored (WS_EX_LAYOUTRTL), so that its lines and buttons start at
// the right edge as a Hebrew reader expects; its client coordinates (mouse events, hit tests,
// DisplayRect) are then counted from the right edge.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Controls.h"
#include "ImgList.h"
#include "StdCtrls.h"

namespace vcl_detail {
// Registers the common-control classes the unit uses (once per process).
void InitComCtrls();
// Mirrors a right-to-left control's window (WS_EX_LAYOUTRTL, not passed on to its children).
void MirrorForRightToLeft(const TControl* control, TCreateParams& params);
}  // namespace vcl_detail

// ---------------------------------------------------------------------------------------------------
// Tree view (ComCtrlsTree.cpp)
class TCustomTreeView;
class TTreeNodes;

enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };
enum THitTest {
  htAbove, htBelow, htNowhere, htOnItem, htOnButton, htOnIcon, htOnIndent, htOnLabel, htOnRight,
  htOnStateIcon, htToLeft, htToRight
};
VCL_DECLARE_ENUM(THitTest);
using THitTests = Set<THitTest, htAbove, htToRight>;
enum TSortType { stNone, stData, stText, stBoth };
VCL_DECLARE_ENUM(TSortType);

// A node: the tree keeps its nodes itself, and the window shows them; a window made again (a new
// BiDiMode) is filled from the nodes, which keep their Data and are not deleted.
class TTreeNode : public TPersistent {
  VCL_DECLARE_CLASS(TTreeNode, TPersistent)
  explicit TTreeNode(TTreeNodes* owner);
  ~TTreeNode() override;

  TPersistent* GetOwner() const override;
  TTreeNodes* GetNodes() const { return FOwner; }
  TCustomTreeView* GetTreeView() const;
  HTREEITEM GetItemId() const { return FItemId; }
  AnsiString GetText() const { return FText; }
  void SetText(const AnsiString& value);
  void* GetData() const { return FData; }
  void SetData(void* value) { FData = value; }
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  int GetSelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int value);
  int GetStateIndex() const { return FStateIndex; }
  void SetStateIndex(int value);
  int GetOverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int value);
  bool GetExpanded() const { return FExpanded; }
  void SetExpanded(bool value);
  void Expand(bool recurse);
  void Collapse(bool recurse);
  bool GetSelected() const;
  void SetSelected(bool value);
  bool GetFocused() const;
  void SetFocused(bool value);
  // Whether the node shows a button: it has children, or HasChildren was set.
  bool GetHasChildren() const { return FHasChildren || !FChildren.empty(); }
  void SetHasChildren(bool value);

  int GetLevel() const;
  TTreeNode* GetParent() const { return FParent; }
  int GetCount() const { return int(FChildren.size()); }
  TTreeNode* GetItem(int index) const;
  int GetIndex() const;
  int GetAbsoluteIndex() const;
  TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* getNextSibling() const;
  TTreeNode* getPrevSibling() const;
  TTreeNode* GetNext() const;
  TTreeNode* GetPrev() const;
  bool HasAsParent(const TTreeNode* value) const;
  // The node's rectangle in the tree's client coordinates (only the text when textOnly).
  TRect DisplayRect(bool textOnly) const;
  bool IsVisible() const;
  void MakeVisible();
  void Delete();
  void DeleteChildren();

private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  void UpdateItem(UINT mask);
  TTreeNodes* FOwner;
  TTreeNode* FParent = nullptr;
  std::vector<TTreeNode*> FChildren;
  HTREEITEM FItemId = nullptr;
  AnsiString FText;
  void* FData = nullptr;
  int FImageIndex = 0;
  int FSelectedIndex = 0;
  int FStateIndex = -1;
  int FOverlayIndex = -1;
  bool FExpanded = false;
  bool FHasChildren = false;
  bool FDeleting = false;
};

// The nodes of one tree, stored in forms as the binary property Items.Data (the VCL's layout).
class TTreeNodes : public TPersistent {
  VCL_DECLARE_CLASS(TTreeNodes, TPersistent)
  explicit TTreeNodes(TCustomTreeView* owner);
  ~TTreeNodes() override;

  TPersistent* GetOwner() const override;
  TCustomTreeView* GetTreeView() const { return FOwner; }
  int GetCount() const;
  // Every node in order (depth first); GetItem walks there.
  TTreeNode* GetItem(int index) const;
  TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
  // Nodes added to the end / front of node's siblings, or of its children, or before it.
  TTreeNode* Add(TTreeNode* node, const AnsiString& text) { return AddObject(node, text, nullptr); }
  TTreeNode* AddFirst(TTreeNode* node, const AnsiString& text) { return AddObjectFirst(node, text, nullptr); }
  TTreeNode* AddChild(TTreeNode* node, const AnsiString& text) { return AddChildObject(node, text, nullptr); }
  TTreeNode* AddChildFirst(TTreeNode* node, const AnsiString& text) { return AddChildObjectFirst(node, text, nullptr); }
  TTreeNode* Insert(TTreeNode* node, const AnsiString& text) { return InsertObject(node, text, nullptr); }
  TTreeNode* AddObject(TTreeNode* node, const AnsiString& text, void* data);
  TTreeNode* AddObjectFirst(TTreeNode* node, const AnsiString& text, void* data);
  TTreeNode* AddChildObject(TTreeNode* node, const AnsiString& text, void* data);
  TTreeNode* AddChildObjectFirst(TTreeNode* node, const AnsiString& text, void* data);
  TTreeNode* InsertObject(TTreeNode* node, const AnsiString& text, void* data);
  void Delete(TTreeNode* node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  // The node the window shows as item, null for none of ours.
  TTreeNode* GetNode(HTREEITEM item) const;
  void Assign(TPersistent* source) override;

protected:
  void DefineProperties(TFiler* filer) override;

private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  TTreeNode* InternalAdd(TTreeNode* parent, size_t position, const AnsiString& text, void* data);
  std::vector<TTreeNode*>& SiblingsOf(TTreeNode* parent) { return parent ? parent->FChildren : FRoots; }
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);
  // Puts the node (and its children) into the window after its previous sibling.
  void InsertItem(TTreeNode* node);
  void InsertAllItems();
  TCustomTreeView* FOwner;
  std::vector<TTreeNode*> FRoots;
  int FUpdateCount = 0;
};

using TTVChangingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = TClosure<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = TClosure<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditedEvent = TClosure<void(TObject* Sender, TTreeNode* Node, AnsiString& S)>;
using TTVEditingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;

class TCustomTreeView : public TWinControl {
  VCL_DECLARE_CLASS(TCustomTreeView, TWinControl)
  explicit TCustomTreeView(TOwnerArg owner);
  ~TCustomTreeView() override;
  void BeforeDestruction() override;
  VCL_PARENT_STORED_PREDICATES

  TTreeNodes* GetItems() const { return FTreeNodes.get(); }
  void SetItems(TTreeNodes* value) { FTreeNodes->Assign(value); }
  TTreeNode* GetSelected() const;
  void SetSelected(TTreeNode* value);
  TTreeNode* GetTopItem() const;
  THitTests GetHitTestInfoAt(int x, int y);
  TTreeNode* GetNodeAt(int x, int y);
  void FullExpand();
  void FullCollapse();
  bool IsEditing() const;

  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* value);
  TCustomImageList* GetStateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* value);
  bool GetShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool value) { SetStyleFlag(FShowButtons, value); }
  bool GetShowLines() const { return FShowLines; }
  void SetShowLines(bool value) { SetStyleFlag(FShowLines, value); }
  bool GetShowRoot() const { return FShowRoot; }
  void SetShowRoot(bool value) { SetStyleFlag(FShowRoot, value); }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { SetStyleFlag(FReadOnly, value); }
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool value) { SetStyleFlag(FHideSelection, value); }
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value) { SetStyleFlag(FHotTrack, value); }
  bool GetRowSelect() const { return FRowSelect; }
  void SetRowSelect(bool value) { SetStyleFlag(FRowSelect, value); }
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool value) { SetStyleFlag(FToolTips, value); }
  bool GetAutoExpand() const { return FAutoExpand; }
  void SetAutoExpand(bool value) { FAutoExpand = value; }
  bool GetRightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool value) { FRightClickSelect = value; }
  int GetIndent() const;
  void SetIndent(int value);
  int GetChangeDelay() const { return FChangeDelay; }
  void SetChangeDelay(int value) { FChangeDelay = value; }
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TSortType GetSortType() const { return FSortType; }
  void SetSortType(TSortType value) { FSortType = value; }

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVExpandedEvent OnExpanded;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnCollapsed;
  TTVExpandedEvent OnDeletion;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;

  // The node-deletion hook: every node deleted by the program (Delete, Clear, the tree's end) passes
  // here, children before their parent, while it is still whole. The default raises OnDeletion.
  virtual void Delete(TTreeNode* node);
  void Click() override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(void* message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  virtual bool CanChange(TTreeNode* node);
  virtual void Change(TTreeNode* node);
  virtual bool CanExpand(TTreeNode* node);
  virtual void Expand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual void Collapse(TTreeNode* node);
  virtual void CNNotify(TWMNotify& message);

private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void SetStyleFlag(bool& flag, bool value);
  void ApplyImages();
  std::unique_ptr<TTreeNodes> FTreeNodes;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  TTreeNode* FSelected = nullptr;  // kept while the window is made again
  bool FShowButtons = true;
  bool FShowLines = true;
  bool FShowRoot = true;
  bool FReadOnly = false;
  bool FHideSelection = true;
  bool FHotTrack = false;
  bool FRowSelect = false;
  bool FToolTips = true;
  bool FAutoExpand = false;
  bool FRightClickSelect = false;
  int FIndent = 19;
  int FChangeDelay = 0;
  TBorderStyle FBorderStyle = bsSingle;
  TSortType FSortType = stNone;
  bool FFilling = false;  // inserting the nodes into a new window: the window's notices are ours
};

class TTreeView : public TCustomTreeView {
  VCL_DECLARE_CLASS(TTreeView, TCustomTreeView)
  explicit TTreeView(TOwnerArg owner) : TCustomTreeView(owner) {}
};

