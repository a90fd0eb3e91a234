// Messages: the message record every control handles, typed views of the common messages, and the
// VCL's own control (CM_) and reflected notification (CN_) messages.
#pragma once

#include <windows.h>

// A message as a control's WndProc and Dispatch see it. Result is what the window procedure answers.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;

  WORD WParamLo() const { return LOWORD(WParam); }
  WORD WParamHi() const { return HIWORD(WParam); }
  WORD LParamLo() const { return LOWORD(LParam); }
  WORD LParamHi() const { return HIWORD(LParam); }
};

// Typed views: the same record, read through names. A handler declared for a view gets the record
// the control received, so setting Result answers the message.
struct TWMMouse : TMessage {
  UINT Keys() const { return static_cast<UINT>(WParam); }
  short XPos() const { return static_cast<short>(LOWORD(LParam)); }
  short YPos() const { return static_cast<short>(HIWORD(LParam)); }
  POINT Pos() const { return POINT{XPos(), YPos()}; }
  void SetPos(int x, int y) { LParam = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }
};
using TWMLButtonDown = TWMMouse;
using TWMLButtonUp = TWMMouse;
using TWMRButtonDown = TWMMouse;
using TWMRButtonUp = TWMMouse;
using TWMMouseMove = TWMMouse;
using TCMMouseEnter = TMessage;
using TCMMouseLeave = TMessage;

struct TWMKey : TMessage {
  WORD CharCode() const { return LOWORD(WParam); }
  void SetCharCode(WORD value) { WParam = value; }
  LPARAM KeyData() const { return LParam; }
};
using TWMKeyDown = TWMKey;
using TWMKeyUp = TWMKey;
using TWMChar = TWMKey;
using TCMDialogKey = TWMKey;
using TCMDialogChar = TWMKey;

struct TWMPaint : TMessage {
  HDC DC() const { return reinterpret_cast<HDC>(WParam); }
};
using TWMEraseBkgnd = TWMPaint;

struct TWMCommand : TMessage {
  WORD ItemID() const { return LOWORD(WParam); }
  WORD NotifyCode() const { return HIWORD(WParam); }
  HWND Ctl() const { return reinterpret_cast<HWND>(LParam); }
};

struct TWMNotify : TMessage {
  NMHDR* NMHdr() const { return reinterpret_cast<NMHDR*>(LParam); }
};

// WM_HSCROLL / WM_VSCROLL of a control (and their CN_ reflections): the code, the position that
// SB_THUMBPOSITION and SB_THUMBTRACK carry, and the sending control's window.
struct TWMScroll : TMessage {
  int ScrollCode() const { return static_cast<short>(LOWORD(WParam)); }
  int Pos() const { return static_cast<short>(HIWORD(WParam)); }
  HWND ScrollBar() const { return reinterpret_cast<HWND>(LParam); }
};
using TWMHScroll = TWMScroll;
using TWMVScroll = TWMScroll;

struct TWMContextMenu : TMessage {
  HWND hWnd() const { return reinterpret_cast<HWND>(WParam); }
  short XPos() const { return static_cast<short>(LOWORD(LParam)); }
  short YPos() const { return static_cast<short>(HIWORD(LParam)); }
};

struct TWMSize : TMessage {
  UINT SizeType() const { return static_cast<UINT>(WParam); }
  WORD Width() const { return LOWORD(LParam); }
  WORD Height() const { return HIWORD(LParam); }
};

// The VCL's control messages, with its numbers.
enum : UINT {
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_GOTFOCUS = CM_BASE + 2,
  CM_LOSTFOCUS = CM_BASE + 3,
  CM_CANCELMODE = CM_BASE + 4,
  CM_DIALOGKEY = CM_BASE + 5,
  CM_DIALOGCHAR = CM_BASE + 6,
  CM_FOCUSCHANGED = CM_BASE + 7,
  CM_PARENTFONTCHANGED = CM_BASE + 8,
  CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_HITTEST = CM_BASE + 10,
  CM_VISIBLECHANGED = CM_BASE + 11,
  CM_ENABLEDCHANGED = CM_BASE + 12,
  CM_COLORCHANGED = CM_BASE + 13,
  CM_FONTCHANGED = CM_BASE + 14,
  CM_CURSORCHANGED = CM_BASE + 15,
  CM_CTL3DCHANGED = CM_BASE + 16,
  CM_PARENTCTL3DCHANGED = CM_BASE + 17,
  CM_TEXTCHANGED = CM_BASE + 18,
  CM_MOUSEENTER = CM_BASE + 19,
  CM_MOUSELEAVE = CM_BASE + 20,
  CM_MENUCHANGED = CM_BASE + 21,
  CM_APPKEYDOWN = CM_BASE + 22,
  CM_APPSYSCOMMAND = CM_BASE + 23,
  CM_BUTTONPRESSED = CM_BASE + 24,
  CM_SHOWINGCHANGED = CM_BASE + 25,
  CM_ENTER = CM_BASE + 26,
  CM_EXIT = CM_BASE + 27,
  CM_DESIGNHITTEST = CM_BASE + 28,
  CM_ICONCHANGED = CM_BASE + 29,
  CM_WANTSPECIALKEY = CM_BASE + 30,
  CM_INVOKEHELP = CM_BASE + 31,
  CM_WINDOWHOOK = CM_BASE + 32,
  CM_RELEASE = CM_BASE + 33,
  CM_SHOWHINTCHANGED = CM_BASE + 34,
  CM_PARENTSHOWHINTCHANGED = CM_BASE + 35,
  CM_SYSCOLORCHANGE = CM_BASE + 36,
  CM_WININICHANGE = CM_BASE + 37,
  CM_FONTCHANGE = CM_BASE + 38,
  CM_TIMECHANGE = CM_BASE + 39,
  CM_TABSTOPCHANGED = CM_BASE + 40,
  CM_UIACTIVATE = CM_BASE + 41,
  CM_UIDEACTIVATE = CM_BASE + 42,
  CM_DOCWINDOWACTIVATE = CM_BASE + 43,
  CM_CONTROLLISTCHANGE = CM_BASE + 44,
  CM_GETDATALINK = CM_BASE + 45,
  CM_CHILDKEY = CM_BASE + 46,
  CM_DRAG = CM_BASE + 47,
  CM_HINTSHOW = CM_BASE + 48,
  CM_DIALOGHANDLE = CM_BASE + 49,
  CM_ISTOOLCONTROL = CM_BASE + 50,
  CM_RECREATEWND = CM_BASE + 51,
  CM_INVALIDATE = CM_BASE + 52,
  CM_SYSFONTCHANGED = CM_BASE + 53,
  CM_CONTROLCHANGE = CM_BASE + 54,
  CM_CHANGED = CM_BASE + 55,
  CM_DOCKCLIENT = CM_BASE + 56,
  CM_UNDOCKCLIENT = CM_BASE + 57,
  CM_FLOAT = CM_BASE + 58,
  CM_BORDERCHANGED = CM_BASE + 59,
  CM_BIDIMODECHANGED = CM_BASE + 60,
  CM_PARENTBIDIMODECHANGED = CM_BASE + 61,
  CM_ALLCHILDRENFLIPPED = CM_BASE + 62,
  CM_ACTIONUPDATE = CM_BASE + 63,
  CM_ACTIONEXECUTE = CM_BASE + 64,
  CM_HINTSHOWPAUSE = CM_BASE + 65,
  CM_DOCKNOTIFICATION = CM_BASE + 66,
  CM_MOUSEWHEEL = CM_BASE + 67,

  // Notifications a parent sends back to the child control they concern.
  CN_BASE = 0xBC00,
  CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM,
  CN_COMMAND = CN_BASE + WM_COMMAND,
  CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM,
  CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN,
  CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG,
  CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT,
  CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX,
  CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX,
  CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR,
  CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC,
  CN_DELETEITEM = CN_BASE + WM_DELETEITEM,
  CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
  CN_HSCROLL = CN_BASE + WM_HSCROLL,
  CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM,
  CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY,
  CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM,
  CN_VSCROLL = CN_BASE + WM_VSCROLL,
  CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_KEYUP = CN_BASE + WM_KEYUP,
  CN_CHAR = CN_BASE + WM_CHAR,
  CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN,
  CN_SYSCHAR = CN_BASE + WM_SYSCHAR,
  CN_NOTIFY = CN_BASE + WM_NOTIFY,
};

// Message maps, as C++Builder declares them: the block overrides Dispatch, sends the listed messages
// to their handlers and everything else to the base class.
//
//   VCL_BEGIN_MESSAGE_MAP
//     VCL_MESSAGE_HANDLER(CM_MOUSEENTER, TMessage, CMMouseEnter)
//   VCL_END_MESSAGE_MAP(TGraphicControl)
#define VCL_BEGIN_MESSAGE_MAP                        \
  void Dispatch(void* vclMessage) override           \
  {                                                  \
    switch (static_cast<TMessage*>(vclMessage)->Msg) {
#define VCL_MESSAGE_HANDLER(msg, type, handler) \
  case msg:                                     \
    handler(*static_cast<type*>(static_cast<TMessage*>(vclMessage))); \
    break;
#define VCL_END_MESSAGE_MAP(base) \
  default:                        \
    base::Dispatch(vclMessage);   \
    break;                        \
    }                             \
  }
