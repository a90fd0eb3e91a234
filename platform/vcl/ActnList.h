// ActnList: actions kept in lists, with their caption, state and handlers, and the links that keep
// their clients (controls, menu items) in step with them.
#pragma once

#include <vector>

#include "Classes.h"

class TCustomActionList;
using TShortCut = unsigned short;

// A client's link to a TCustomAction. A property is "linked" while the client still shows the
// action's value: a client changed on its own keeps its own value when the action changes.
class TActionLink : public TBasicActionLink {
  VCL_DECLARE_CLASS(TActionLink, TBasicActionLink)
  explicit TActionLink(TObject* client) : TBasicActionLink(client) {}
  virtual bool IsCaptionLinked() const { return false; }
  virtual bool IsCheckedLinked() const { return false; }
  virtual bool IsEnabledLinked() const { return false; }
  virtual bool IsHintLinked() const { return false; }
  virtual bool IsImageIndexLinked() const { return false; }
  virtual bool IsShortCutLinked() const { return false; }
  virtual bool IsVisibleLinked() const { return false; }
  virtual bool IsOnExecuteLinked() const { return false; }
  virtual void SetCaption(const AnsiString&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetHint(const AnsiString&) {}
  virtual void SetImageIndex(int) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}
  virtual void SetOnExecute(TNotifyEvent) {}
};

// An action that belongs to a list (and is streamed as the list's child).
class TContainedAction : public TBasicAction {
  VCL_DECLARE_CLASS(TContainedAction, TBasicAction)
  explicit TContainedAction(TOwnerArg owner);
  ~TContainedAction() override;
  TCustomActionList* GetActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* value);
  AnsiString GetCategory() const { return FCategory; }
  void SetCategory(const AnsiString& value) { FCategory = value; }
  int GetIndex() const;
  void SetIndex(int value);
  // The list's OnExecute may handle it first; then the action's own OnExecute.
  bool Execute() override;
  bool Update() override;
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* value) override;

protected:
  void ReadState(TReader* reader) override;

private:
  friend class TCustomActionList;
  TCustomActionList* FActionList = nullptr;
  AnsiString FCategory;
};

class TCustomAction : public TContainedAction {
  VCL_DECLARE_CLASS(TCustomAction, TContainedAction)
  explicit TCustomAction(TOwnerArg owner);
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& value);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value);
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& value);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool value);
  int GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }
  bool GetDisableIfNoHandler() const { return FDisableIfNoHandler; }
  void SetDisableIfNoHandler(bool value) { FDisableIfNoHandler = value; }
  // Updates first; a disabled action does not run.
  bool Execute() override;
  // Without an OnUpdate handler (of the action or its list), an action that disables itself without a
  // handler follows whether it has an OnExecute.
  bool Update() override;

private:
  template <class F>
  void ForEachLink(F f);
  AnsiString FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  AnsiString FHint;
  int FImageIndex = -1;
  TShortCut FShortCut = 0;
  bool FVisible = true;
  int FHelpContext = 0;
  bool FDisableIfNoHandler = true;
};

class TAction : public TCustomAction {
  VCL_DECLARE_CLASS(TAction, TCustomAction)
  explicit TAction(TOwnerArg owner) : TCustomAction(owner) {}
};

using TActionEvent = TClosure<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
  VCL_DECLARE_CLASS(TCustomActionList, TComponent)
  explicit TCustomActionList(TOwnerArg owner);
  ~TCustomActionList() override;
  int GetActionCount() const { return int(FActions.size()); }
  TContainedAction* GetAction(int index) const { return FActions.at(size_t(index)); }
  // The list's handlers see an action first; true when one handled it.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  // Updates every action (as the application does when it is idle).
  void UpdateActions();
  TComponent* GetImages() const { return FImages; }
  void SetImages(TComponent* value);
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void SetChildOrder(TComponent* child, int order) override;

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  friend class TContainedAction;
  void AddAction(TContainedAction* action);
  void RemoveAction(TContainedAction* action);
  std::vector<TContainedAction*> FActions;
  TComponent* FImages = nullptr;
};

class TActionList : public TCustomActionList {
  VCL_DECLARE_CLASS(TActionList, TCustomActionList)
  explicit TActionList(TOwnerArg owner) : TCustomActionList(owner) {}
};
