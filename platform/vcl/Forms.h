// Forms: forms read from their stored form, the application with its one message loop, hints and
// idle processing, and the screen.
//
// Bodies: Forms.cpp (TCustomForm), FormsApplication.cpp (TApplication, hints), FormsScreen.cpp
// (TScreen).
#pragma once

#include <vector>

#include "Controls.h"

class TActionList;
class TApplication;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
VCL_DECLARE_ENUM(TFormBorderStyle);
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
VCL_DECLARE_ENUM(TBorderIcon);
using TBorderIcons = Set<TBorderIcon, biSystemMenu, biHelp>;
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
VCL_DECLARE_ENUM(TPosition);
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
VCL_DECLARE_ENUM(TWindowState);
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
VCL_DECLARE_ENUM(TFormStyle);
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
enum : int {
  mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY, mrIgnore = IDIGNORE,
  mrYes = IDYES, mrNo = IDNO, mrAll = mrNo + 1, mrNoToAll = mrAll + 1, mrYesToAll = mrNoToAll + 1
};

using TCloseEvent = TClosure<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TClosure<void(TObject* Sender, bool& CanClose)>;
using TExceptionEvent = TClosure<void(TObject* Sender, Exception* E)>;
using TIdleEvent = TClosure<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = TClosure<void(AnsiString& HintStr, bool& CanShow, struct THintInfo& HintInfo)>;

// ---------------------------------------------------------------------------------------------------
// Scrolling controls (FormsScroll.cpp): the window's own scroll bars, described by a
// TControlScrollBar each. Range is the extent of the scrolled area (0: no scrolling on that side);
// with AutoScroll the ranges follow the children. Scrolling moves the children (ScrollBy), so their
// Left and Top are where they are on the screen, as in the VCL.
enum TScrollBarKind { sbHorizontal, sbVertical };
VCL_DECLARE_ENUM(TScrollBarKind);
enum TScrollBarStyle { ssRegular, ssFlat, ssHotTrack };
VCL_DECLARE_ENUM(TScrollBarStyle);
using TScrollBarInc = int;  // 1..32767

class TScrollingWinControl;
class TControlScrollBar : public TPersistent {
  VCL_DECLARE_CLASS(TControlScrollBar, TPersistent)
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);
  void Assign(TPersistent* source) override;
  TScrollBarKind GetKind() const { return FKind; }
  int GetButtonSize() const { return FButtonSize; }
  void SetButtonSize(int value) { FButtonSize = value; }
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool value) { FParentColor = value; }
  TScrollBarInc GetIncrement() const { return FIncrement; }
  void SetIncrement(TScrollBarInc value);
  int GetMargin() const { return FMargin; }
  void SetMargin(int value);
  int GetPosition() const { return FPosition; }
  void SetPosition(int value);
  int GetRange() const { return FRange; }
  void SetRange(int value);
  int GetSize() const { return FSize; }
  void SetSize(int value) { FSize = value; }
  TScrollBarStyle GetStyle() const { return FStyle; }
  void SetStyle(TScrollBarStyle value) { FStyle = value; }
  int GetThumbSize() const { return FThumbSize; }
  void SetThumbSize(int value) { FThumbSize = value; }
  bool GetTracking() const { return FTracking; }
  void SetTracking(bool value) { FTracking = value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool value);
  // The part of the range shown at once: the control's client extent on this side.
  int ControlSize() const;
  // Whether the bar shows (visible and the range exceeds what the client shows).
  bool IsScrollBarVisible() const;
  int ScrollPos() const { return FVisible ? FPosition : 0; }
  bool IsRangeStored() const;

private:
  friend class TScrollingWinControl;
  void ScrollMessage(UINT code);
  void Update();
  TScrollingWinControl* FControl;
  TScrollBarKind FKind;
  int FButtonSize = 0;
  TColor FColor = clBtnHighlight;
  bool FParentColor = true;
  TScrollBarInc FIncrement = 8;
  int FMargin = 0;
  int FPosition = 0;
  int FRange = 0;
  int FCalcRange = 0;
  int FSize = 0;
  TScrollBarStyle FStyle = ssRegular;
  int FThumbSize = 0;
  bool FTracking = false;
  bool FVisible = true;
  bool FUpdating = false;
};

class TScrollingWinControl : public TWinControl {
  VCL_DECLARE_CLASS(TScrollingWinControl, TWinControl)
  explicit TScrollingWinControl(TOwnerArg owner);
  ~TScrollingWinControl() override;
  TControlScrollBar* GetHorzScrollBar() const { return FHorzScrollBar.get(); }
  void SetHorzScrollBar(TControlScrollBar* value) { FHorzScrollBar->Assign(value); }
  TControlScrollBar* GetVertScrollBar() const { return FVertScrollBar.get(); }
  void SetVertScrollBar(TControlScrollBar* value) { FVertScrollBar->Assign(value); }
  bool GetAutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool value);
  // Moves the children by (dx, dy) and scrolls the window's picture with them.
  void ScrollBy(int dx, int dy);
  // Scrolls so that the control is wholly in view (as far as it fits).
  void ScrollInView(TControl* control);
  void DisableAutoRange() { ++FAutoRangeCount; }
  void EnableAutoRange();

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void AlignControls(TControl* control, TRect& rect) override;
  void AdjustClientRect(TRect& rect) override;
  void Dispatch(void* message) override;
  // The wheel scrolls the vertical bar (the horizontal one with Shift) by its Increment.
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  virtual void AutoScrollInView(TControl* control);
  void UpdateScrollBars();
  void CalcAutoRange();

private:
  friend class TControlScrollBar;
  std::unique_ptr<TControlScrollBar> FHorzScrollBar;
  std::unique_ptr<TControlScrollBar> FVertScrollBar;
  bool FAutoScroll = true;
  int FAutoRangeCount = 0;
  bool FUpdatingScrollBars = false;
};

// A bordered area whose children scroll.
class TScrollBox : public TScrollingWinControl {
  VCL_DECLARE_CLASS(TScrollBox, TScrollingWinControl)
  explicit TScrollBox(TOwnerArg owner);
  bool IsColorStored() const { return !GetParentColor(); }
  bool IsFontStored() const { return !GetParentFont(); }
  bool IsShowHintStored() const { return !GetParentShowHint(); }
  bool IsBiDiModeStored() const { return !GetParentBiDiMode(); }
  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);

protected:
  void CreateParams(TCreateParams& params) override;

private:
  TFormBorderStyle FBorderStyle = bsSingle;
};

// A form. Its constructor reads the stored forms of its classes declared with VCL_DECLARE_FORM, each
// before that class's own members and constructor body (see the README); OnCreate runs after the
// whole construction, from AfterConstruction. An exception escaping OnCreate or OnShow goes to the
// application and the form is still created or shown.
class TCustomForm : public TScrollingWinControl {
  VCL_DECLARE_CLASS(TCustomForm, TScrollingWinControl)
  explicit TCustomForm(TOwnerArg owner);
  // The VCL's CreateNew: a form without any stored form.
  TCustomForm(TOwnerArg owner, int dummy);
  ~TCustomForm() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons GetBorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  TWindowState GetWindowState() const;
  void SetWindowState(TWindowState value);
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* value);
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  int GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int value) { FPixelsPerInch = value; }
  int GetTextHeight() const { return FTextHeight; }
  void SetTextHeight(int value) { FTextHeight = value; }
  bool GetOldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }
  bool GetScaled() const { return FScaled; }
  void SetScaled(bool value) { FScaled = value; }
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  bool GetModal() const { return FModal; }
  bool GetActive() const { return FActive; }

  void Show();
  void Hide();
  virtual int ShowModal();
  void Close();
  virtual bool CloseQuery();
  // Destroys the form once the messages already queued for it have been handled.
  void Release();
  bool SetFocusedControl(TWinControl* control);
  void FocusControl(TWinControl* control);
  // A control that hides, is disabled or leaves gives up the focus it had.
  void ControlRemoved(TWinControl* control);
  void SetFocus() override;
  void Invalidate() override { TWinControl::Invalidate(); }
  // Updates every action list of the form and the actions of its controls.
  void UpdateActions();

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;

  friend class TApplication;
  friend class TWinControl;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void PaintWindow(HDC dc) override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  TComponent* GetChildOwner() override { return this; }
  void SetParent(TWinControl* value) override;
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& action);
  virtual void Activate();
  virtual void Deactivate();
  virtual void Paint();
  void Dispatch(void* message) override;
  void WndProc(TMessage& message) override;
  void CMDialogKey(TCMDialogKey& message) override;

private:
  void CloseModal();
  void PlaceByPosition();
  void WMClose(TMessage& message);
  void WMActivate(TMessage& message);
  void WMGetMinMaxInfo(TMessage& message);
  void CMShowingChanged(TMessage& message);
  void CMRelease(TMessage& message);
  void CMActivate(TMessage& message);

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  bool FKeyPreview = false;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TModalResult FModalResult = mrNone;
  int FPixelsPerInch = 96;
  int FTextHeight = 13;
  bool FOldCreateOrder = false;
  bool FScaled = true;
  bool FCreatedNew = false;
  bool FModal = false;
  bool FActive = false;
  bool FReleasing = false;
  std::unique_ptr<TControlCanvas> FCanvas;

public:
  // For the stored-form reader of VCL_DECLARE_FORM.
  bool CreatedNew() const { return FCreatedNew; }
};

class TForm : public TCustomForm {
  VCL_DECLARE_CLASS(TForm, TCustomForm)
  explicit TForm(TOwnerArg owner) : TCustomForm(owner) {}
  TForm(TOwnerArg owner, int dummy) : TCustomForm(owner, dummy) {}
};

namespace vcl_detail {
// Reads the stored form of one class of a form's hierarchy into the form (unless it was made with
// CreateNew); raises EResNotFound when the class has none.
struct TStoredFormReader {
  TStoredFormReader(TCustomForm* form, TMetaClass* level);
};
}  // namespace vcl_detail

// In the body of a form class that has a stored form (an RCDATA resource named after the class):
//   class TMainForm : public TForm {
//     VCL_DECLARE_FORM(TMainForm, TForm)
//     TButton* OkButton;  // published fields: no initialiser, the stored form sets them first
// The stored form is read after the base class is built and before this class's other members and
// constructor body, so the body finds every component in place.
#define VCL_DECLARE_FORM(ClassT, ParentT) \
  VCL_DECLARE_CLASS(ClassT, ParentT)      \
private:                                  \
  vcl_detail::TStoredFormReader vclStoredForm_{this, ClassT::StaticClass()}; \
                                          \
public:


// ---------------------------------------------------------------------------------------------------
// The hint window: a small topmost box with the hint text.
class THintWindow : public TCustomControl {
  VCL_DECLARE_CLASS(THintWindow, TCustomControl)
  explicit THintWindow(TOwnerArg owner);
  virtual TRect CalcHintRect(int maxWidth, const AnsiString& hint);
  virtual void ActivateHint(TRect rect, const AnsiString& hint);
  void ReleaseHandle() { DestroyHandle(); }

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void Dispatch(void* message) override;
};

struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;
  TPoint CursorPos;
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  AnsiString HintStr;
};

// ---------------------------------------------------------------------------------------------------
// The application: the main form, the one message loop, idle work, hints and exceptions.
class TApplication : public TComponent {
  VCL_DECLARE_CLASS(TApplication, TComponent)
  explicit TApplication(TOwnerArg owner);
  ~TApplication() override;

  // Runs the InitProc chain (COM for the main thread among others), once.
  void Initialize();
  // Makes a form of the class; the first form made becomes the main form.
  void CreateForm(TMetaClass* formClass, void* reference);
  template <class T>
  void CreateForm(TMetaClass* formClass, T** reference)
  {
    CreateForm(formClass, static_cast<void*>(reference));
  }
  // Shows the main form and handles messages until Terminate; then destroys the forms on this thread
  // and undoes what Initialize set up, so nothing is left for unloading at process exit.
  void Run();
  void Terminate();
  bool GetTerminated() const { return FTerminated; }
  void ProcessMessages();
  void HandleMessage();
  void Minimize();
  void Restore();
  void BringToFront();
  void CancelHint();
  void HideHint();
  void ActivateHint(const TPoint& cursorPos);

  HWND GetHandle() const { return FHandle; }
  // Makes the application's window, which owns every form's, if it does not exist yet.
  void CreateHandle() { CreateAppWindow(); }
  TCustomForm* GetMainForm() const { return FMainForm; }
  AnsiString GetTitle() const { return FTitle; }
  void SetTitle(const AnsiString& value);
  AnsiString GetExeName() const;
  bool GetShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool value) { FShowMainForm = value; }
  TBiDiMode GetBiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode value);
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  int GetHintPause() const { return FHintPause; }
  void SetHintPause(int value) { FHintPause = value; }
  int GetHintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int value) { FHintHidePause = value; }
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& value);
  THintWindow* GetHintWindow() const { return FHintWindow; }
  bool GetActive() const { return FActive; }

  // Reports the exception being handled (call from a catch block): OnException, else ShowException.
  // EAbort is silent.
  void HandleException(TObject* sender);
  void ShowException(Exception* e);
  int MessageBox(const AnsiString& text, const AnsiString& caption, int flags = MB_OK);

  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  friend class TCustomForm;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  bool ProcessMessage(MSG& msg);
  bool IsKeyMsg(MSG& msg);
  bool IsHintMsg(MSG& msg);
  void Idle(const MSG& msg);
  void DoMouseIdle();
  void HintTimerExpired();
  void WndProc(TMessage& message);
  static LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateAppWindow();
  void Finish();

  HWND FHandle = nullptr;
  TCustomForm* FMainForm = nullptr;
  AnsiString FTitle;
  bool FTerminated = false;
  bool FInitialized = false;
  bool FShowMainForm = true;
  bool FActive = false;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FShowHint = true;
  int FHintPause = 500;
  int FHintHidePause = 2500;
  AnsiString FHint;
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;
  TControl* FMouseControl = nullptr;
  bool FHintActive = false;
  UINT_PTR FHintTimer = 0;
  bool FHandleCreated = false;
};

extern TApplication* Application;

// The chain Application->Initialize runs: a unit that needs set-up on the main thread saves the
// previous value and installs its own step, which calls the saved one. InitDoneProc runs at the end
// of Run, after the forms are gone.
extern void (*InitProc)();
extern void (*InitDoneProc)();

// ---------------------------------------------------------------------------------------------------
// The screen.
class TScreen : public TComponent {
  VCL_DECLARE_CLASS(TScreen, TComponent)
  explicit TScreen(TOwnerArg owner);
  ~TScreen() override;
  int GetWidth() const { return GetSystemMetrics(SM_CXSCREEN); }
  int GetHeight() const { return GetSystemMetrics(SM_CYSCREEN); }
  int GetDesktopLeft() const { return GetSystemMetrics(SM_XVIRTUALSCREEN); }
  int GetDesktopTop() const { return GetSystemMetrics(SM_YVIRTUALSCREEN); }
  int GetDesktopWidth() const { return GetSystemMetrics(SM_CXVIRTUALSCREEN); }
  int GetDesktopHeight() const { return GetSystemMetrics(SM_CYVIRTUALSCREEN); }
  TRect GetWorkAreaRect() const;
  int GetWorkAreaWidth() const { return GetWorkAreaRect().Width(); }
  int GetWorkAreaHeight() const { return GetWorkAreaRect().Height(); }
  int GetPixelsPerInch() const { return ScreenPixelsPerInch(); }
  int GetFormCount() const { return int(FForms.size()); }
  TCustomForm* GetForms(int index) const { return FForms.at(size_t(index)); }
  TCustomForm* GetActiveForm() const { return FActiveForm; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor value);
  HCURSOR GetCursors(int index) const;
  void SetCursors(int index, HCURSOR handle);
  TFont* GetHintFont() const { return FHintFont.get(); }

  friend class TCustomForm;

private:
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  std::vector<TCustomForm*> FForms;
  TCustomForm* FActiveForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCursor FCursor = crDefault;
  std::vector<std::pair<int, HCURSOR>> FCustomCursors;
  std::unique_ptr<TFont> FHintFont;
};

extern TScreen* Screen;

// ---------------------------------------------------------------------------------------------------
// Hidden windows whose messages go to a method (FormsUtilWindow.cpp): timers, the clipboard's owner,
// anything that needs a window of its own without being a control. The method answers through
// Message.Result and calls DefWindowProc itself for what it does not handle; an exception it raises
// goes to the application. Made and destroyed on the thread that handles their messages.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND window);
