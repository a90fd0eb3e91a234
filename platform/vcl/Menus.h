// Menus: menu items with their actions, popup menus (shown on the context-menu message) and main
// menus, over the platform's menus; shortcuts and their text.
#pragma once

#include <memory>
#include <vector>

#include "ActnList.h"
#include "Classes.h"

class TMenu;
class TMenuItem;

OSTREL_VCL_EXCEPTION(EMenuError, Exception);

enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0 };
TShortCut ShortCut(WORD key, bool shift, bool ctrl, bool alt);
AnsiString ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const AnsiString& text);

enum TMenuItemAutoFlag { maAutomatic, maManual, maParent };
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
enum TPopupAlignment { paLeft, paRight, paCenter };
VCL_DECLARE_ENUM(TPopupAlignment);

class TMenuActionLink : public TActionLink {
  VCL_DECLARE_CLASS(TMenuActionLink, TActionLink)
  explicit TMenuActionLink(TObject* client);
  bool IsCaptionLinked() const override;
  bool IsCheckedLinked() const override;
  bool IsEnabledLinked() const override;
  bool IsHintLinked() const override;
  bool IsShortCutLinked() const override;
  bool IsVisibleLinked() const override;
  bool IsOnExecuteLinked() const override;
  void SetCaption(const AnsiString& value) override;
  void SetChecked(bool value) override;
  void SetEnabled(bool value) override;
  void SetHint(const AnsiString& value) override;
  void SetShortCut(TShortCut value) override;
  void SetVisible(bool value) override;
  void SetOnExecute(TNotifyEvent value) override;

protected:
  void AssignClient(TObject* client) override;

private:
  TMenuItem* FClient = nullptr;
};

class TMenuItem : public TComponent {
  VCL_DECLARE_CLASS(TMenuItem, TComponent)
  explicit TMenuItem(TOwnerArg owner);
  ~TMenuItem() override;
  void BeforeDestruction() override;

  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& value);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool value);
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool value);
  bool GetRadioItem() const { return FRadioItem; }
  void SetRadioItem(bool value) { FRadioItem = value; }
  unsigned char GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(unsigned char value) { FGroupIndex = value; }
  bool GetAutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool value) { FAutoCheck = value; }
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value) { FShortCut = value; }
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& value) { FHint = value; }
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value) { FImageIndex = value; }
  bool GetBreak() const { return FBreak; }
  void SetBreak(bool value) { FBreak = value; }
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* value);
  bool IsLine() const { return FCaption == "-"; }

  // Sub-items.
  int GetCount() const { return int(FItems.size()); }
  TMenuItem* GetItem(int index) const { return FItems.at(size_t(index)); }
  TMenuItem* Items(int index) const { return GetItem(index); }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Delete(int index);
  void Remove(TMenuItem* item);
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The sub-item with this caption, '&' and letter case ignored.
  TMenuItem* Find(const AnsiString& caption) const;
  TMenuItem* GetParent() const { return FParent; }
  int GetMenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
  void SetMenuIndex(int value);
  // The number the platform's menu reports when the item is chosen.
  WORD GetCommand() const { return FCommand; }
  // The platform menu of the sub-items, made when asked for.
  HMENU GetHandle();

  virtual void Click();
  TNotifyEvent OnClick;

  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* value) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void SetChildOrder(TComponent* child, int order) override;

  friend class TMenu;
  friend class TMenuActionLink;

protected:
  void Notification(TComponent* component, TOperation operation) override;
  void ReadState(TReader* reader) override;
  virtual void ActionChange(TObject* sender, bool checkDefaults);

private:
  void DoActionChange(TObject* sender);
  void Changed();
  void RebuildHandle();
  void AppendTo(HMENU menu);
  TMenu* GetMenu() const;

  AnsiString FCaption;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FDefault = false;
  bool FRadioItem = false;
  unsigned char FGroupIndex = 0;
  bool FAutoCheck = false;
  bool FBreak = false;
  TShortCut FShortCut = 0;
  AnsiString FHint;
  int FImageIndex = -1;
  WORD FCommand = 0;
  HMENU FHandle = nullptr;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // for the root item of a menu
  std::vector<TMenuItem*> FItems;
  std::unique_ptr<TMenuActionLink> FActionLink;
};

class TMenu : public TComponent {
  VCL_DECLARE_CLASS(TMenu, TComponent)
  explicit TMenu(TOwnerArg owner);
  ~TMenu() override;
  TMenuItem* GetItems() const { return FItems.get(); }
  HMENU GetHandle() { return FItems->GetHandle(); }
  TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const;
  // Runs the item of a command number; false when none has it.
  bool DispatchCommand(WORD command);
  bool IsShortCut(WORD key, TShortCut shift);
  bool GetRightToLeft() const { return FRightToLeft; }
  void SetRightToLeft(bool value) { FRightToLeft = value; }
  void GetChildren(TGetChildProc proc, TComponent* root) override;

private:
  std::unique_ptr<TMenuItem> FItems;
  bool FRightToLeft = false;
};

class TPopupMenu : public TMenu {
  VCL_DECLARE_CLASS(TPopupMenu, TMenu)
  explicit TPopupMenu(TOwnerArg owner);
  // Shows the menu at a screen point and runs the chosen item; returns when the menu has closed.
  virtual void Popup(int x, int y);
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* value);
  TPopupAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment value) { FAlignment = value; }
  TNotifyEvent OnPopup;

protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoPopup(TObject* sender);

private:
  bool FAutoPopup = true;
  TComponent* FPopupComponent = nullptr;
  TPopupAlignment FAlignment = paLeft;
};

class TMainMenu : public TMenu {
  VCL_DECLARE_CLASS(TMainMenu, TMenu)
  explicit TMainMenu(TOwnerArg owner) : TMenu(owner) {}
};
