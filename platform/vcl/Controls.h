// Controls: TControl and its families — graphic controls painted by their parent, windowed controls
// over real Win32 windows, the one window procedure, alignment and anchors, mouse capture, focus and
// keys, and the action link that keeps a control in step with its action.
//
// Bodies: Controls.cpp (TControl), ControlsWin.cpp (TWinControl), ControlsWndProc.cpp (the window
// procedure, window classes, capture), ControlsAlign.cpp (Align and Anchors), ControlsGraphic.cpp
// (TGraphicControl, TCustomControl, TControlCanvas, TControlActionLink).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ActnList.h"
#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"

class TControl;
class TWinControl;
class TPopupMenu;
class TCustomForm;

// ---------------------------------------------------------------------------------------------------
// Kinds and sets
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
VCL_DECLARE_ENUM(TAlign);
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
VCL_DECLARE_ENUM(TAnchorKind);
using TAnchors = Set<TAnchorKind, akLeft, akBottom>;
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
VCL_DECLARE_ENUM(TBiDiMode);
enum TMouseButton { mbLeft, mbRight, mbMiddle };
VCL_DECLARE_ENUM(TMouseButton);
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
VCL_DECLARE_ENUM(TShiftStateItem);
using TShiftState = Set<TShiftStateItem, ssShift, ssDouble>;
enum TCaptionTextCase {};

enum TControlStateItem {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
  csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = Set<TControlStateItem, csLButtonDown, csDocking>;
enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption,
  csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
  csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents
};
using TControlStyle = Set<TControlStyleItem, csAcceptsControls, csMenuEvents>;

using TCaption = AnsiString;
using TMouseEvent = TClosure<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TClosure<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = TClosure<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TClosure<void(TObject* Sender, char& Key)>;
using TContextPopupEvent = TClosure<void(TObject* Sender, const TPoint& MousePos, bool& Handled)>;
using TWndMethod = std::function<void(TMessage& Message)>;

// The shift state of a key or mouse message: the keys from the message (or the keyboard), the
// buttons from the mouse keys word.
TShiftState KeysToShiftState(WORD keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
TShiftState KeyboardStateToShiftState();

// ---------------------------------------------------------------------------------------------------
// Dragging, docking, the mouse wheel and input method modes (bodies: ControlsDrag.cpp).
enum TDragMode { dmManual, dmAutomatic };
VCL_DECLARE_ENUM(TDragMode);
enum TDragKind { dkDrag, dkDock };
VCL_DECLARE_ENUM(TDragKind);
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
VCL_DECLARE_ENUM(TDragState);
enum TImeMode {
  imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese, imSHanguel,
  imHanguel
};
VCL_DECLARE_ENUM(TImeMode);
using TImeName = AnsiString;

// What is being dragged: the control it started from. Docking drags carry a TDragDockObject.
class TDragObject : public TObject {
  VCL_DECLARE_CLASS(TDragObject, TObject)
  TDragObject() = default;
  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* value) { FControl = value; }
  TPoint GetDragPos() const { return FDragPos; }
  void SetDragPos(const TPoint& value) { FDragPos = value; }
  TControl* GetDragTarget() const { return FDragTarget; }
  void SetDragTarget(TControl* value) { FDragTarget = value; }

private:
  TControl* FControl = nullptr;
  TControl* FDragTarget = nullptr;
  TPoint FDragPos;
};

class TDragDockObject : public TDragObject {
  VCL_DECLARE_CLASS(TDragDockObject, TDragObject)
  TDragDockObject() = default;
};

using TDragDropEvent = TClosure<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent = TClosure<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TStartDragEvent = TClosure<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = TClosure<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDockEvent = TClosure<void(TObject* Sender, TDragDockObject*& DragObject)>;
using TMouseWheelEvent =
    TClosure<void(TObject* Sender, TShiftState Shift, int WheelDelta, const TPoint& MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = TClosure<void(TObject* Sender, TShiftState Shift, const TPoint& MousePos, bool& Handled)>;

// ---------------------------------------------------------------------------------------------------
// What CreateParams fills and CreateWnd turns into a window.
struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSW WindowClass{};
  std::wstring WinClassName;  // the class registered for the control (its class name)
  std::wstring BaseClassName;  // a platform class being subclassed (CreateSubClass), else empty
};

namespace vcl_detail {
// Registers the window class CreateParams names, with the library's window procedure.
void RegisterControlWindowClass(TCreateParams& params);
// Set while the application's loop dispatches a key message it has already offered to the focused
// control as a CN_ message; without it (another loop pumps, a platform dialog, a test) the control
// offers the key itself, so dialog keys work whoever pumps.
extern thread_local bool KeyMessagePreprocessed;
// Aligns and anchors the children of parent within rect (ControlsAlign.cpp).
void AlignChildren(TWinControl* parent, TControl* control, TRect& rect);
}  // namespace vcl_detail

// ---------------------------------------------------------------------------------------------------
// Actions: the link a control keeps with its action (TBasicAction lives in Classes, the rest in
// ActnList). A control linked to an action can still be enabled or disabled on its own.
class TControl;
class TControlActionLink : public TActionLink {
  VCL_DECLARE_CLASS(TControlActionLink, TActionLink)
  explicit TControlActionLink(TObject* client);
  bool IsCaptionLinked() const override;
  bool IsEnabledLinked() const override;
  bool IsHintLinked() const override;
  bool IsVisibleLinked() const override;
  bool IsOnExecuteLinked() const override;
  void SetCaption(const AnsiString& value) override;
  void SetEnabled(bool value) override;
  void SetHint(const AnsiString& value) override;
  void SetVisible(bool value) override;
  void SetOnExecute(TNotifyEvent value) override;

protected:
  void AssignClient(TObject* client) override;
  TControl* FClient = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// TControl (Controls.cpp)
class TControl : public TComponent {
  VCL_DECLARE_CLASS(TControl, TComponent)
  explicit TControl(TOwnerArg owner);
  ~TControl() override;
  void BeforeDestruction() override;

  // Parent and place. Moves made by anchors, alignment and streaming all go through SetBounds.
  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* value);
  int GetLeft() const { return FLeft; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  int GetTop() const { return FTop; }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  int GetWidth() const { return FWidth; }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  int GetHeight() const { return FHeight; }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect GetBoundsRect() const { return TRect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect GetClientRect() const;
  int GetClientWidth() const { return GetClientRect().Width(); }
  void SetClientWidth(int value);
  int GetClientHeight() const { return GetClientRect().Height(); }
  void SetClientHeight(int value);
  TPoint GetClientOrigin() const;
  TPoint ClientToScreen(const TPoint& point) const;
  TPoint ScreenToClient(const TPoint& point) const;
  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign value);
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors value);
  void BringToFront();
  void SendToBack();

  // State shown to the user.
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool value);
  void Show();
  void Hide();
  virtual bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  AnsiString GetText() const { return DoGetText(); }
  void SetText(const AnsiString& value);
  AnsiString GetCaption() const { return GetText(); }
  void SetCaption(const AnsiString& value) { SetText(value); }
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* value) { FFont->Assign(value); }
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& value) { FHint = value; }
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value);
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor value);
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);
  TBiDiMode GetBiDiMode() const { return FBiDiMode; }
  virtual void SetBiDiMode(TBiDiMode value);
  bool GetParentBiDiMode() const { return FParentBiDiMode; }
  virtual void SetParentBiDiMode(bool value);
  bool IsRightToLeft() const;
  bool UseRightToLeftReading() const;
  bool UseRightToLeftAlignment() const;
  bool UseRightToLeftScrollBar() const;
  int DrawTextBiDiModeFlags(int flags) const;
  int DrawTextBiDiModeFlagsReadingOnly() const;
  TControlState GetControlState() const { return FControlState; }
  void SetControlState(TControlState value) { FControlState = value; }
  TControlStyle GetControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle value) { FControlStyle = value; }

  // Actions.
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* value);
  TControlActionLink* GetActionLink() const { return FActionLink.get(); }
  virtual void InitiateAction();

  // Painting.
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // Messages. WindowProc starts as WndProc; a replacement should call the saved one.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& message);
  virtual void Dispatch(void* message);
  virtual void DefaultHandler(TMessage& message);
  bool GetMouseCapture() const;
  void SetMouseCapture(bool value);
  virtual void Click();
  virtual void DblClick();
  bool IsControlOrChild(const TControl* other) const;

  // Streaming: a control's parent comes from the reader's parent.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* value) override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnResize;
  TContextPopupEvent OnContextPopup;

  // The closest form (or the top control) that holds this control.
  friend TCustomForm* GetParentForm(const TControl* control);

  // Dragging and docking (ControlsDrag.cpp). With dmAutomatic a press of the left button starts a
  // drag once the mouse moves past the threshold; the control under the mouse hears DragOver and,
  // on release, DragDrop; the source hears EndDrag.
  TCursor GetDragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor value) { FDragCursor = value; }
  TDragKind GetDragKind() const { return FDragKind; }
  void SetDragKind(TDragKind value) { FDragKind = value; }
  TDragMode GetDragMode() const { return FDragMode; }
  virtual void SetDragMode(TDragMode value) { FDragMode = value; }
  void BeginDrag(bool immediate, int threshold = -1);
  void EndDrag(bool drop);
  bool Dragging() const;
  virtual void DragDrop(TObject* source, int x, int y);
  TDragDropEvent OnDragDrop;
  TDragOverEvent OnDragOver;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TStartDockEvent OnStartDock;
  TEndDragEvent OnEndDock;
  // The wheel: WM_MOUSEWHEEL reaches the focused control as CM_MOUSEWHEEL; DoMouseWheel fires
  // OnMouseWheel, then DoMouseWheelDown/Up; a message nobody handled goes on to the parent.
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;

protected:
  virtual AnsiString DoGetText() const { return FText; }
  virtual void SetTextInternal(const AnsiString& value) { FText = value; }
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void Resize();
  virtual void Loaded() override;
  void ReadState(TReader* reader) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void ActionChange(TObject* sender, bool checkDefaults);
  virtual TControlActionLink* CreateActionLink();
  virtual void ChangeScale(int, int) {}
  virtual TPopupMenu* GetPopupMenuForContext() const { return FPopupMenu; }
  virtual void DoContextPopup(const TPoint& mousePos, bool& handled);
  virtual bool CanAutoSize(int&, int&) { return true; }
  virtual void RequestAlign();
  virtual void SetZOrder(bool topMost);
  virtual bool GetParentBackgroundPaint() const { return false; }
  void UpdateAnchorRules();
  void FontChanged(TObject* sender);
  void DoActionChange(TObject* sender);
  void SendCancelMode();
  bool IsAnchorMoving() const { return FAnchorMove; }
  // The parent's client size, with or without its window.
  TPoint ParentClientSize() const;
  virtual void DoStartDrag(TDragObject*& dragObject);
  virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
  virtual void DoEndDrag(TObject* target, int x, int y);
  virtual void DoStartDock(TDragDockObject*& dragObject);
  virtual void DoEndDock(TObject* target, int x, int y);
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, const TPoint& mousePos);
  virtual bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos);
  // Runs the drag loop when dmAutomatic and the left button went down (ControlsDrag.cpp).
  bool DragOnMouseDown(TMouseButton button, int x, int y);
  void CMMouseWheel(TMessage& message);
  void CMDrag(TMessage& message);

  TControlState FControlState;
  TControlStyle FControlStyle;

private:
  friend class TWinControl;
  friend class TControlActionLink;
  friend void vcl_detail::AlignChildren(TWinControl* parent, TControl* control, TRect& rect);
  void WMLButtonDown(TWMMouse& message);
  void WMLButtonUp(TWMMouse& message);
  void WMRButtonDown(TWMMouse& message);
  void WMRButtonUp(TWMMouse& message);
  void WMMButtonDown(TWMMouse& message);
  void WMMButtonUp(TWMMouse& message);
  void WMLButtonDblClk(TWMMouse& message);
  void WMMouseMove(TWMMouse& message);
  void WMContextMenu(TWMContextMenu& message);
  void CMParentFontChanged(TMessage& message);
  void CMParentColorChanged(TMessage& message);
  void CMParentShowHintChanged(TMessage& message);
  void CMParentBiDiModeChanged(TMessage& message);
  void CMEnabledChanged(TMessage& message);
  void CMHitTest(TMessage& message);
  void DoMouseDown(TWMMouse& message, TMouseButton button, TShiftState shift);
  void DoMouseUp(TWMMouse& message, TMouseButton button);
  void DoPosition(const TPoint& parentSize);

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors;
  TPoint FAnchorRules;
  TPoint FOriginalParentSize;
  bool FAnchorMove = false;
  bool FVisible = true;
  bool FEnabled = true;
  AnsiString FText;
  TColor FColor = clWindow;
  bool FParentColor = true;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  AnsiString FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  std::unique_ptr<TControlActionLink> FActionLink;
  TCursor FDragCursor = crDrag;
  TDragKind FDragKind = dkDrag;
  TDragMode FDragMode = dmManual;
};

// The control under the mouse capture: a windowed control whose window has the capture, or the
// graphic control its parent captured the mouse for.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The windowed control of a window made by this library, null for other windows.
TWinControl* FindControl(HWND handle);
// The control (windowed or graphic) at a screen point, null when none is ours.
TControl* FindDragTarget(const TPoint& pos, bool allowDisabled);
TCustomForm* GetParentForm(const TControl* control);

// Reports an exception caught at a window procedure, timer or other callback boundary; Forms sets it
// to the application's HandleException. Without it the exception's text goes to the debugger output.
extern void (*ApplicationHandleException)(TObject* sender);
// Handles whatever exception is being handled now (call from a catch block).
void HandleCallbackException(TObject* sender) noexcept;

// ---------------------------------------------------------------------------------------------------
// TWinControl (ControlsWin.cpp, ControlsWndProc.cpp)
class TWinControl : public TControl {
  VCL_DECLARE_CLASS(TWinControl, TControl)
  explicit TWinControl(TOwnerArg owner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // The window, made on first demand.
  HWND GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  HWND GetParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND value);
  bool GetShowing() const { return FShowing; }
  void RecreateWnd();

  // Children: graphic controls first, then windowed controls, each in z-order from the bottom.
  int GetControlCount() const { return int(FControls.size() + FWinControls.size()); }
  TControl* GetControl(int index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  TControl* ControlAtPos(const TPoint& pos, bool allowDisabled, bool allowWinControls = false) const;
  void Broadcast(TMessage& message);
  void NotifyControls(UINT msg);

  // Focus, tab order and keys.
  int GetTabOrder() const;
  void SetTabOrder(int value);
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  virtual bool CanFocus() const;
  virtual bool Focused() const;
  virtual void SetFocus();
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);
  TBrush* GetBrush() const { return FBrush.get(); }
  bool GetCtl3D() const { return FCtl3D; }
  void SetCtl3D(bool value) { FCtl3D = value; }
  bool GetParentCtl3D() const { return FParentCtl3D; }
  void SetParentCtl3D(bool value) { FParentCtl3D = value; }

  // Alignment of the children.
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  bool AlignDisabled() const { return FAlignLevel > 0; }
  void Realign();
  // Mirrors the children across the client width (alLeft and alRight trade places, so do akLeft and
  // akRight), and with allLevels the children's children too: a form laid out for one reading
  // direction shown in the other.
  virtual void FlipChildren(bool allLevels);

  void SetBounds(int left, int top, int width, int height) override;
  TRect GetClientRect() const override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void GetChildren(TGetChildProc proc, TComponent* root) override;

  // Paints the graphic children into dc (the parent's client coordinates), from first on.
  void PaintControls(HDC dc, TControl* first);

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  // The windowed controls in creation order, for the window procedure's lookups.
  friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);

protected:
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void CreateHandle();
  virtual void DestroyHandle();
  // Makes this control a subclass of a platform window class ("BUTTON", "EDIT", common controls).
  void CreateSubClass(TCreateParams& params, const wchar_t* className);
  void DefWndProc(TMessage& message);
  virtual void PaintWindow(HDC dc);
  void PaintHandler(TWMPaint& message);
  virtual void AlignControls(TControl* control, TRect& rect);
  // The one level of FlipChildren.
  virtual void DoFlipChildren();
  virtual void AdjustClientRect(TRect&) {}
  virtual bool DoKeyDown(TWMKey& message);
  virtual bool DoKeyPress(TWMKey& message);
  virtual bool DoKeyUp(TWMKey& message);
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void KeyUp(WORD& key, TShiftState shift);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void UpdateShowing();
  void UpdateControlState();
  void SetZOrder(bool topMost) override;
  AnsiString DoGetText() const override;
  void SetTextInternal(const AnsiString& value) override;
  void Loaded() override;
  virtual bool IsControlMouseMsg(TWMMouse& message);
  virtual void CMDialogKey(TCMDialogKey& message);
  void Dispatch(void* message) override;

  // The graphic child that mouse messages of this window go to while it holds the mouse.
  TControl* FCaptureChild = nullptr;

private:
  friend class TControl;
  friend TControl* GetCaptureControl();
  friend void SetCaptureControl(TControl* control);
  void MainWndProc(TMessage& message);
  void UpdateBounds();
  void InsertIntoList(TControl* control);
  void WMPaint(TWMPaint& message);
  void WMEraseBkgnd(TWMEraseBkgnd& message);
  void WMSize(TWMSize& message);
  void WMWindowPosChanged(TMessage& message);
  void WMSetFocus(TMessage& message);
  void WMKillFocus(TMessage& message);
  void WMCommand(TWMCommand& message);
  void WMNotify(TWMNotify& message);
  void WMCtlColor(TMessage& message);
  void WMSetCursor(TMessage& message);
  void WMContextMenuWin(TWMContextMenu& message);
  void CNKeyDown(TWMKey& message);
  void CNKeyUp(TWMKey& message);
  void CNChar(TWMKey& message);
  void CMShowingChanged(TMessage& message);
  void CMVisibleChanged(TMessage& message);
  void CMEnabledChangedWin(TMessage& message);
  void CMColorChanged(TMessage& message);
  void CMFontChanged(TMessage& message);
  void CMTextChanged(TMessage& message);
  void CMBiDiModeChanged(TMessage& message);
  void CMEnter(TMessage& message);
  void CMExit(TMessage& message);

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  WNDPROC FDefWndProc = nullptr;
  std::vector<TControl*> FControls;     // graphic children
  std::vector<TWinControl*> FWinControls;  // windowed children (their order is the tab order)
  std::vector<TWinControl*> FTabList;
  std::unique_ptr<TBrush> FBrush;
  bool FShowing = false;
  bool FTabStop = false;
  bool FCtl3D = true;
  bool FParentCtl3D = true;
  int FAlignLevel = 0;
  bool FAligning = false;
  TSize FAlignedClient{-1, -1};
};

// ---------------------------------------------------------------------------------------------------
// Canvases of controls and the two painting families (ControlsGraphic.cpp)

// A canvas on a control: the device context it is given while the control paints, or one it gets
// from the control's window (a graphic control: its parent's window, origin moved and clipped to the
// control) when drawn on outside painting.
class TControlCanvas : public TCanvas {
  VCL_DECLARE_CLASS(TControlCanvas, TCanvas)
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* value);
  void FreeHandle();
  void UpdateTextFlags();
  // Runs paint with the canvas drawing on dc (a DC the caller owns, as WM_PAINT hands it over), locked
  // meanwhile; the canvas lets go of dc afterwards, whatever paint does.
  void PaintOn(HDC dc, const std::function<void()>& paint);

protected:
  void CreateHandle() override;

private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// A control without a window: its parent paints it, with the origin moved to the control and the
// clip narrowed to it, so its regions are in the parent's device coordinates.
class TGraphicControl : public TControl {
  VCL_DECLARE_CLASS(TGraphicControl, TControl)
  explicit TGraphicControl(TOwnerArg owner);
  ~TGraphicControl() override;
  TCanvas* GetCanvas() const { return FCanvas.get(); }

protected:
  virtual void Paint() {}
  void Dispatch(void* message) override;

private:
  void WMPaint(TWMPaint& message);
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A windowed control that paints itself on its canvas.
class TCustomControl : public TWinControl {
  VCL_DECLARE_CLASS(TCustomControl, TWinControl)
  explicit TCustomControl(TOwnerArg owner);
  ~TCustomControl() override;
  TCanvas* GetCanvas() const { return FCanvas.get(); }

protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------------------
// The mouse, as the VCL's Mouse object answers about it.
class TMouse {
public:
  TPoint GetCursorPos() const;
  void SetCursorPos(const TPoint& value);
  HWND GetCapture() const { return ::GetCapture(); }
  bool GetMousePresent() const { return GetSystemMetrics(SM_MOUSEPRESENT) != 0; }
  int GetDragThreshold() const { return 5; }
};
extern TMouse* Mouse;

// Hint text: "short|long" — the short part is shown in the hint window, the long part in status bars.
AnsiString GetShortHint(const AnsiString& hint);
AnsiString GetLongHint(const AnsiString& hint);
