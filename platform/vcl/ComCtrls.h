// ComCtrls: the common controls over comctl32: tree view, track bar, up-down, header, page control.
//
// Bodies: ComCtrls.cpp (the unit's registration and shared helpers), ComCtrlsTree.cpp (tree view and
// its nodes), ComCtrlsTrack.cpp (track bar, up-down), ComCtrlsHeader.cpp (header control and its
// sections), ComCtrlsPages.cpp (page control and tab sheets).
//
// Right to left: the tree view, track bar, header and page control are mirrored (WS_EX_LAYOUTRTL),
// so that lines, the track's minimum, the first section and the first tab start at the right edge as
// a Hebrew reader expects; their client coordinates (mouse events, hit tests, DisplayRect) are then
// counted from the right edge. The children of a page control are not mirrored themselves. An
// up-down goes to the other side of its buddy (its udRight is the buddy's left).
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


// ---------------------------------------------------------------------------------------------------
// Track bar (ComCtrlsTrack.cpp)
enum TTrackBarOrientation { trHorizontal, trVertical };
VCL_DECLARE_ENUM(TTrackBarOrientation);
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
VCL_DECLARE_ENUM(TTickMark);
enum TTickStyle { tsNone, tsAuto, tsManual };
VCL_DECLARE_ENUM(TTickStyle);

// The platform's trackbar. The values are kept here and given to each window made; a scroll
// notification reads the position back from the window and raises Changed (OnChange).
class TTrackBar : public TWinControl {
  VCL_DECLARE_CLASS(TTrackBar, TWinControl)
  explicit TTrackBar(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

  int GetMin() const { return FMin; }
  // A minimum above the maximum (or a maximum below the minimum) is ignored, as the VCL does; the
  // position is kept within the range.
  void SetMin(int value);
  int GetMax() const { return FMax; }
  void SetMax(int value);
  int GetPosition() const { return FPosition; }
  void SetPosition(int value);
  int GetFrequency() const { return FFrequency; }
  void SetFrequency(int value);
  int GetLineSize() const { return FLineSize; }
  void SetLineSize(int value);
  int GetPageSize() const { return FPageSize; }
  void SetPageSize(int value);
  int GetSelStart() const { return FSelStart; }
  void SetSelStart(int value);
  int GetSelEnd() const { return FSelEnd; }
  void SetSelEnd(int value);
  int GetThumbLength() const { return FThumbLength; }
  void SetThumbLength(int value);
  bool GetSliderVisible() const { return FSliderVisible; }
  void SetSliderVisible(bool value);
  TTrackBarOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TTrackBarOrientation value);
  TTickStyle GetTickStyle() const { return FTickStyle; }
  void SetTickStyle(TTickStyle value);
  TTickMark GetTickMarks() const { return FTickMarks; }
  void SetTickMarks(TTickMark value);
  // A tick at a value (tsManual); kept for windows made again.
  void SetTick(int value);

  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  virtual void Changed();
  // The reflected scroll notifications: a descendant overrides them to see each code.
  virtual void CNHScroll(TWMScroll& message);
  virtual void CNVScroll(TWMScroll& message);

private:
  void SetParams(int min, int max);
  void UpdateSelection();
  LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam);
  int FMin = 0;
  int FMax = 10;
  int FPosition = 0;
  int FFrequency = 1;
  int FLineSize = 1;
  int FPageSize = 2;
  int FSelStart = 0;
  int FSelEnd = 0;
  int FThumbLength = 20;
  bool FSliderVisible = true;
  TTrackBarOrientation FOrientation = trHorizontal;
  TTickStyle FTickStyle = tsAuto;
  TTickMark FTickMarks = tmBottomRight;
  std::vector<int> FTicks;
};

// ---------------------------------------------------------------------------------------------------
// Up-down (ComCtrlsTrack.cpp)
enum TUDAlignButton { udLeft, udRight };
VCL_DECLARE_ENUM(TUDAlignButton);
enum TUDOrientation { udHorizontal, udVertical };
VCL_DECLARE_ENUM(TUDOrientation);
enum TUDBtnType { btNext, btPrev };
VCL_DECLARE_ENUM(TUDBtnType);
using TUDClickEvent = TClosure<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TClosure<void(TObject* Sender, bool& AllowChange)>;

// The platform's up-down. With an Associate (a windowed control of the same parent) the platform
// takes it as its buddy: it places the button at the buddy's side, narrows the buddy by the button's
// width and shows the position as the buddy's text.
class TCustomUpDown : public TWinControl {
  VCL_DECLARE_CLASS(TCustomUpDown, TWinControl)
  explicit TCustomUpDown(TOwnerArg owner);
  VCL_PARENT_STORED_PREDICATES

  TWinControl* GetAssociate() const { return FAssociate; }
  void SetAssociate(TWinControl* value);
  TUDAlignButton GetAlignButton() const { return FAlignButton; }
  void SetAlignButton(TUDAlignButton value);
  int GetMin() const { return FMin; }
  void SetMin(int value);
  int GetMax() const { return FMax; }
  void SetMax(int value);
  // The position the window shows (read back from it while it exists).
  int GetPosition();
  void SetPosition(int value);
  int GetIncrement() const { return FIncrement; }
  void SetIncrement(int value);
  bool GetWrap() const { return FWrap; }
  void SetWrap(bool value);
  bool GetArrowKeys() const { return FArrowKeys; }
  void SetArrowKeys(bool value);
  bool GetThousands() const { return FThousands; }
  void SetThousands(bool value);
  TUDOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation value);

  TUDChangingEvent OnChanging;
  TUDClickEvent OnClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Asked before each step (UDN_DELTAPOS); false keeps the position. The default asks OnChanging.
  virtual bool CanChange();
  // After each step, with the arrow that made it.
  using TControl::Click;
  virtual void Click(TUDBtnType button);
  virtual void CNNotify(TWMNotify& message);
  virtual void CNHScroll(TWMScroll& message);
  virtual void CNVScroll(TWMScroll& message);

private:
  void ScrollNotice(TWMScroll& message);
  void AttachBuddy();
  void ReleaseBuddy();
  void SetStyleFlag(bool& flag, bool value);
  TWinControl* FAssociate = nullptr;
  TRect FBuddyBounds;      // the buddy before the platform narrowed it
  TRect FBuddyNarrowedTo;  // and after
  bool FBuddyNarrowed = false;  // the platform took the button's width from the buddy
  TUDAlignButton FAlignButton = udRight;
  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FIncrement = 1;
  bool FWrap = false;
  bool FArrowKeys = true;
  bool FThousands = true;
  TUDOrientation FOrientation = udVertical;
  int FLastDelta = 0;  // the step the window last asked about
};

class TUpDown : public TCustomUpDown {
  VCL_DECLARE_CLASS(TUpDown, TCustomUpDown)
  explicit TUpDown(TOwnerArg owner) : TCustomUpDown(owner) {}
};

// ---------------------------------------------------------------------------------------------------
// Header control (ComCtrlsHeader.cpp)
class THeaderControl;
enum THeaderSectionStyle { hsText, hsOwnerDraw };
VCL_DECLARE_ENUM(THeaderSectionStyle);
enum THeaderStyle { hsButtons, hsFlat };
VCL_DECLARE_ENUM(THeaderStyle);
enum TSectionTrackState { tsTrackBegin, tsTrackMove, tsTrackEnd };
VCL_DECLARE_ENUM(TSectionTrackState);

// One section: the header's collection item, stored as `Sections = < item ... end >`.
class THeaderSection : public TCollectionItem {
  VCL_DECLARE_CLASS(THeaderSection, TCollectionItem)
  explicit THeaderSection(TCollection* collection);
  void Assign(TPersistent* source) override;
  AnsiString GetDisplayName() override;

  AnsiString GetText() const { return FText; }
  void SetText(const AnsiString& value);
  int GetWidth() const { return FWidth; }
  // Kept within MinWidth..MaxWidth.
  void SetWidth(int value);
  int GetMinWidth() const { return FMinWidth; }
  void SetMinWidth(int value);
  int GetMaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool GetAllowClick() const { return FAllowClick; }
  void SetAllowClick(bool value) { FAllowClick = value; }
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  THeaderSectionStyle GetStyle() const { return FStyle; }
  void SetStyle(THeaderSectionStyle value);
  // The section's left edge in the header (its right edge when mirrored), and its right edge.
  int GetLeft() const;
  int GetRight() const { return GetLeft() + FWidth; }
  THeaderControl* GetHeaderControl() const;

private:
  friend class THeaderControl;
  AnsiString FText;
  int FWidth = 50;
  int FMinWidth = 0;
  int FMaxWidth = 10000;
  TAlignment FAlignment = taLeftJustify;
  bool FAllowClick = true;
  bool FAutoSize = false;
  int FImageIndex = -1;
  THeaderSectionStyle FStyle = hsText;
};

class THeaderSections : public TCollection {
  VCL_DECLARE_CLASS(THeaderSections, TCollection)
  explicit THeaderSections(THeaderControl* headerControl);
  THeaderSection* Add() { return static_cast<THeaderSection*>(TCollection::Add()); }
  THeaderSection* GetItem(int index) const { return static_cast<THeaderSection*>(TCollection::GetItem(index)); }
  THeaderSection* Items(int index) const { return GetItem(index); }
  TPersistent* GetOwner() const override;
  THeaderControl* GetHeaderControl() const { return FHeaderControl; }

protected:
  void Update(TCollectionItem* item) override;

private:
  THeaderControl* FHeaderControl;
};

using TSectionNotifyEvent = TClosure<void(THeaderControl* HeaderControl, THeaderSection* Section)>;
using TSectionTrackEvent =
    TClosure<void(THeaderControl* HeaderControl, THeaderSection* Section, int Width, TSectionTrackState State)>;
using TDrawSectionEvent =
    TClosure<void(THeaderControl* HeaderControl, THeaderSection* Section, const TRect& Rect, bool Pressed)>;

// The platform's header over its sections. A divider dragged with the mouse reports tsTrackBegin,
// tsTrackMove for each move and tsTrackEnd, then OnSectionResize; the width stays within the
// section's MinWidth and MaxWidth.
class THeaderControl : public TWinControl {
  VCL_DECLARE_CLASS(THeaderControl, TWinControl)
  explicit THeaderControl(TOwnerArg owner);
  ~THeaderControl() override;
  VCL_PARENT_STORED_PREDICATES

  THeaderSections* GetSections() const { return FSections.get(); }
  void SetSections(THeaderSections* value) { FSections->Assign(value); }
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value) { SetStyleFlag(FHotTrack, value); }
  bool GetDragReorder() const { return FDragReorder; }
  void SetDragReorder(bool value) { SetStyleFlag(FDragReorder, value); }
  bool GetFullDrag() const { return FFullDrag; }
  void SetFullDrag(bool value) { SetStyleFlag(FFullDrag, value); }
  THeaderStyle GetStyle() const { return FStyle; }
  void SetStyle(THeaderStyle value);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* value);
  TCanvas* GetCanvas() const { return FCanvas.get(); }

  TSectionNotifyEvent OnSectionClick;
  TSectionNotifyEvent OnSectionResize;
  TSectionTrackEvent OnSectionTrack;
  TDrawSectionEvent OnDrawSection;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void SectionClick(THeaderSection* section);
  virtual void SectionResize(THeaderSection* section);
  virtual void SectionTrack(THeaderSection* section, int width, TSectionTrackState state);
  virtual void DrawSection(THeaderSection* section, const TRect& rect, bool pressed);
  virtual void CNNotify(TWMNotify& message);
  virtual void CNDrawItem(TMessage& message);

private:
  friend class THeaderSections;
  friend class THeaderSection;
  void SetStyleFlag(bool& flag, bool value);
  // Puts every section into the window again, or updates one.
  void UpdateSections();
  void UpdateSection(int index);
  // The width the window shows for a section (its own while tracking).
  int WindowWidth(int index);
  std::unique_ptr<THeaderSections> FSections;
  std::unique_ptr<TCanvas> FCanvas;
  TCustomImageList* FImages = nullptr;
  bool FHotTrack = false;
  bool FDragReorder = false;
  bool FFullDrag = true;
  THeaderStyle FStyle = hsButtons;
  bool FUpdating = false;  // the window's own changes: not written back
  bool FTracking = false;  // a divider is being dragged
};

// ---------------------------------------------------------------------------------------------------
// Page control and tab sheets (ComCtrlsPages.cpp)
class TPageControl;
enum TTabPosition { tpTop, tpBottom, tpLeft, tpRight };
VCL_DECLARE_ENUM(TTabPosition);
enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
VCL_DECLARE_ENUM(TTabStyle);
using TTabChangingEvent = TClosure<void(TObject* Sender, bool& AllowChange)>;

// A page of a page control: a child that fills the control's display rect and shows while it is the
// active page. Setting PageControl makes it the control's last page (and its child).
class TTabSheet : public TWinControl {
  VCL_DECLARE_CLASS(TTabSheet, TWinControl)
  explicit TTabSheet(TOwnerArg owner);
  ~TTabSheet() override;
  void BeforeDestruction() override;
  VCL_PARENT_STORED_PREDICATES

  TPageControl* GetPageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* value);
  void SetParent(TWinControl* value) override;
  bool GetTabVisible() const { return FTabVisible; }
  void SetTabVisible(bool value);
  // The sheet's place among the control's pages (all of them, shown tabs or not).
  int GetPageIndex() const;
  void SetPageIndex(int value);
  // The sheet's tab among the shown ones; -1 when its tab is hidden.
  int GetTabIndex() const;
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);

  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

protected:
  void Dispatch(void* message) override;

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = 0;
};

class TPageControl : public TWinControl {
  VCL_DECLARE_CLASS(TPageControl, TWinControl)
  explicit TPageControl(TOwnerArg owner);
  ~TPageControl() override;
  void BeforeDestruction() override;
  VCL_PARENT_STORED_PREDICATES

  TTabSheet* GetActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* value);
  int GetActivePageIndex() const { return FActivePage ? FActivePage->GetPageIndex() : -1; }
  void SetActivePageIndex(int value);
  int GetPageCount() const { return int(FPages.size()); }
  TTabSheet* GetPage(int index) const;
  TTabSheet* Pages(int index) const { return GetPage(index); }
  // The shown tab that is selected: the active page's, -1 for none.
  int GetTabIndex() const { return FActivePage ? FActivePage->GetTabIndex() : -1; }
  void SetTabIndex(int value);
  // The page after (or before) current, wrapping; only pages with a shown tab when tabsOnly.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool tabsOnly) const;
  void SelectNextPage(bool goForward);
  // The rectangle the pages fill, in the control's client coordinates.
  TRect GetDisplayRect();

  bool GetMultiLine() const { return FMultiLine; }
  void SetMultiLine(bool value) { SetStyleFlag(FMultiLine, value); }
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool value) { SetStyleFlag(FHotTrack, value); }
  bool GetRaggedRight() const { return FRaggedRight; }
  void SetRaggedRight(bool value) { SetStyleFlag(FRaggedRight, value); }
  bool GetScrollOpposite() const { return FScrollOpposite; }
  void SetScrollOpposite(bool value) { SetStyleFlag(FScrollOpposite, value); }
  TTabPosition GetTabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition value);
  TTabStyle GetStyle() const { return FStyle; }
  void SetStyle(TTabStyle value);
  short GetTabHeight() const { return FTabHeight; }
  void SetTabHeight(short value);
  short GetTabWidth() const { return FTabWidth; }
  void SetTabWidth(short value);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* value);

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void AdjustClientRect(TRect& rect) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void CMDialogKey(TCMDialogKey& message) override;
  // Asked before the user's tab change (TCN_SELCHANGING); the default asks OnChanging.
  virtual bool CanChange();
  // After the user's tab change: the page of the new tab becomes active, then OnChange.
  virtual void Change();
  virtual void CNNotify(TWMNotify& message);

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  void SetStyleFlag(bool& flag, bool value);
  // Puts the shown tabs into the window again and selects the active page's.
  void UpdateTabs();
  void ShowActivePage();
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TCustomImageList* FImages = nullptr;
  bool FMultiLine = false;
  bool FHotTrack = false;
  bool FRaggedRight = false;
  bool FScrollOpposite = false;
  TTabPosition FTabPosition = tpTop;
  TTabStyle FStyle = tsTabs;
  short FTabHeight = 0;
  short FTabWidth = 0;
};
