// The scan dialog of ShowUI: a modeless dialog from an in-memory template with a preview of the
// chart, the number of pages, the pixel type, Scan and Cancel. Scan reports MSG_XFERREADY, Cancel
// and the close box MSG_CLOSEDSREQ; the dialog goes when the application disables the source.
#include "Vscan.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace ostrel::vscan {
namespace {

enum : WORD {
  IdPreview = 100,
  IdPages = 101,
  IdPagesSpin = 102,
  IdPixelType = 103,
  IdInfo = 104,
};
constexpr int MaxPages = 99;

// A DLGTEMPLATE with its items, built word by word (every item starts on a DWORD boundary).
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, const wchar_t* title, const wchar_t* font, WORD points)
  {
    Dword(style);
    Dword(0);
    CountAt_ = Words_.size();
    Words_.push_back(0);
    Short(0);
    Short(0);
    Short(cx);
    Short(cy);
    Words_.push_back(0);  // no menu
    Words_.push_back(0);  // the standard dialog class
    Text(title);
    Words_.push_back(points);
    Text(font);
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom, const wchar_t* cls,
            const wchar_t* text)
  {
    if (Words_.size() % 2) Words_.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Short(x);
    Short(y);
    Short(cx);
    Short(cy);
    Words_.push_back(id);
    if (cls) {
      Text(cls);
    } else {
      Words_.push_back(0xffff);
      Words_.push_back(atom);
    }
    Text(text);
    Words_.push_back(0);  // no creation data
    ++Words_[CountAt_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(Words_.data()); }

 private:
  void Dword(DWORD v)
  {
    Words_.push_back(LOWORD(v));
    Words_.push_back(HIWORD(v));
  }
  void Short(short v) { Words_.push_back(static_cast<WORD>(v)); }
  void Text(const wchar_t* s)
  {
    while (*s) Words_.push_back(*s++);
    Words_.push_back(0);
  }

  std::vector<WORD> Words_;
  size_t CountAt_ = 0;
};

constexpr WORD Button = 0x0080, Edit = 0x0081, Static = 0x0082, ComboBox = 0x0085;

DialogTemplate Layout()
{
  DialogTemplate t(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 262, 141,
                   L"Ostrel Virtual Scanner", L"MS Shell Dlg", 8);
  t.Item(SS_OWNERDRAW, 7, 7, 150, 100, IdPreview, Static, nullptr, L"");
  t.Item(SS_LEFT, 166, 9, 60, 8, 0xffff, Static, nullptr, L"&Pages:");
  t.Item(ES_NUMBER | ES_LEFT | WS_BORDER | WS_TABSTOP, 166, 19, 44, 14, IdPages, Edit, nullptr, L"1");
  t.Item(UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0, IdPagesSpin,
         0, UPDOWN_CLASSW, L"");
  t.Item(SS_LEFT, 166, 40, 80, 8, 0xffff, Static, nullptr, L"Pi&xel type:");
  t.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 166, 50, 89, 80, IdPixelType, ComboBox, nullptr, L"");
  t.Item(SS_LEFT | SS_NOPREFIX, 166, 72, 89, 30, IdInfo, Static, nullptr, L"");
  t.Item(SS_ETCHEDHORZ, 7, 113, 248, 1, 0xffff, Static, nullptr, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 151, 120, 50, 14, IDOK, Button, nullptr, L"&Scan");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 205, 120, 50, 14, IDCANCEL, Button, nullptr, L"Cancel");
  return t;
}

struct PixelTypeName {
  TW_UINT16 Type;
  const wchar_t* Name;
};
const PixelTypeName PixelTypes[] = {
    {TWPT_BW, L"Black and white"}, {TWPT_GRAY, L"Gray (8-bit)"}, {TWPT_RGB, L"Colour (24-bit RGB)"},
    {TWPT_PALETTE, L"Palette (8-bit)"}, {TWPT_CMY, L"CMY (24-bit)"},
};

// The preview as last drawn, kept while its size and pixel type stay the same.
struct Preview {
  int Width = 0, Height = 0;
  TW_UINT16 PixelType = 0xffff;
  std::vector<uint32_t> Bits;  // top-down 0x00RRGGBB
};
Preview ThePreview;

TW_UINT16 ChosenPixelType(HWND dialog)
{
  const LRESULT i = SendDlgItemMessageW(dialog, IdPixelType, CB_GETCURSEL, 0, 0);
  if (i == CB_ERR) return TheSession().Caps.PixelType;
  return static_cast<TW_UINT16>(SendDlgItemMessageW(dialog, IdPixelType, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
}

void DrawPreview(const DRAWITEMSTRUCT& item)
{
  Session& s = TheSession();
  const RECT& rc = item.rcItem;
  FillRect(item.hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
  // The page keeps its proportions inside the frame.
  const int boxW = rc.right - rc.left - 4, boxH = rc.bottom - rc.top - 4;
  int w = boxW, h = boxW * s.Config.Height / s.Config.Width;
  if (h > boxH) {
    h = boxH;
    w = boxH * s.Config.Width / s.Config.Height;
  }
  const TW_UINT16 type = ChosenPixelType(GetParent(item.hwndItem));
  if (ThePreview.Width != w || ThePreview.Height != h || ThePreview.PixelType != type) {
    const Raster chart = DrawChart(w, h, s.PagesDone + 1, s.Caps.XResolution);
    ThePreview = Preview{w, h, type, {}};
    ThePreview.Bits.reserve(chart.Pixels.size());
    for (ChartRgb c : chart.Pixels) {
      const ChartRgb v = ViewAs(c, type, s.Config.PaletteType);
      ThePreview.Bits.push_back((v.R << 16) | (v.G << 8) | v.B);
    }
  }
  const int x = rc.left + (rc.right - rc.left - w) / 2, y = rc.top + (rc.bottom - rc.top - h) / 2;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  SetDIBitsToDevice(item.hDC, x, y, w, h, 0, 0, 0, h, ThePreview.Bits.data(), &bi, DIB_RGB_COLORS);
  RECT frame{x - 2, y - 2, x + w + 2, y + h + 2};
  DrawEdge(item.hDC, &frame, EDGE_SUNKEN, BF_RECT);
}

void ShowInfo(HWND dialog)
{
  const Session& s = TheSession();
  wchar_t text[128];
  std::swprintf(text, 128, L"Resolution: %d dpi\nImage: %d \u00d7 %d pixels", s.Caps.XResolution, ImageWidth(s),
                ImageHeight(s));
  SetDlgItemTextW(dialog, IdInfo, text);
}

void InitDialog(HWND dialog)
{
  const Session& s = TheSession();
  SendDlgItemMessageW(dialog, IdPagesSpin, UDM_SETRANGE32, 1, MaxPages);
  SendDlgItemMessageW(dialog, IdPagesSpin, UDM_SETPOS32, 0, std::clamp(s.Config.Pages, 1, MaxPages));
  for (const PixelTypeName& p : PixelTypes) {
    const LRESULT i = SendDlgItemMessageW(dialog, IdPixelType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.Name));
    SendDlgItemMessageW(dialog, IdPixelType, CB_SETITEMDATA, static_cast<WPARAM>(i), p.Type);
    if (p.Type == s.Caps.PixelType) SendDlgItemMessageW(dialog, IdPixelType, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  }
  ShowInfo(dialog);
}

void EnableChoices(HWND dialog, bool enable)
{
  for (int id : {int{IDOK}, int{IdPages}, int{IdPagesSpin}, int{IdPixelType}}) EnableWindow(GetDlgItem(dialog, id), enable);
}

void Scan(HWND dialog)
{
  Session& s = TheSession();
  if (s.State != 5) return;
  BOOL ok = FALSE;
  const UINT pages = GetDlgItemInt(dialog, IdPages, &ok, FALSE);
  s.DialogPages = ok ? std::clamp<int>(static_cast<int>(pages), 1, MaxPages) : 1;
  s.Caps.PixelType = ChosenPixelType(dialog);
  BeginPages(s, s.DialogPages);
  s.Notify = MSG_NULL;
  EnableChoices(dialog, false);
  SendNotification(s, MSG_XFERREADY);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp)
{
  try {
    switch (msg) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      // Scan, the default button, has the focus: Enter scans at once.
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    case WM_DRAWITEM:
      if (wp != IdPreview) return FALSE;
      DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
      case IDOK: Scan(dialog); return TRUE;
      case IDCANCEL: SendNotification(TheSession(), MSG_CLOSEDSREQ); return TRUE;
      case IdPixelType:
        if (HIWORD(wp) == CBN_SELCHANGE) InvalidateRect(GetDlgItem(dialog, IdPreview), nullptr, FALSE);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      SendNotification(TheSession(), MSG_CLOSEDSREQ);
      return TRUE;
    }
  } catch (...) {
    // A dialog that cannot draw or report stays as it is; the application can still disable it.
  }
  return FALSE;
}

}  // namespace

bool ShowDialog(Session& s)
{
  static const bool controls = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)controls;
  HINSTANCE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ShowDialog), &self);
  HWND parent = s.Parent && IsWindow(s.Parent) ? s.Parent : nullptr;
  const DialogTemplate t = Layout();
  ThePreview = Preview{};
  s.Dialog = CreateDialogIndirectParamW(self, t.Get(), parent, DialogProc, 0);
  if (!s.Dialog) return false;
  if (s.ModalUI && parent && IsWindowEnabled(parent)) {
    EnableWindow(parent, FALSE);
    s.ParentDisabled = true;
  }
  ShowWindow(s.Dialog, SW_SHOW);
  SetForegroundWindow(s.Dialog);
  return true;
}

void CloseDialog(Session& s)
{
  // The parent comes back first, so that it is the window activated when the dialog goes.
  if (s.ParentDisabled && s.Parent && IsWindow(s.Parent)) EnableWindow(s.Parent, TRUE);
  s.ParentDisabled = false;
  if (s.Dialog && IsWindow(s.Dialog)) DestroyWindow(s.Dialog);
  s.Dialog = nullptr;
}

void DialogStateChanged(Session& s)
{
  if (!s.Dialog || !IsWindow(s.Dialog)) return;
  EnableChoices(s.Dialog, s.State == 5);
  ShowInfo(s.Dialog);
  ThePreview = Preview{};
  InvalidateRect(GetDlgItem(s.Dialog, IdPreview), nullptr, FALSE);
}

bool DialogMessage(Session& s, MSG* msg)
{
  return s.Dialog && IsWindow(s.Dialog) && IsDialogMessageW(s.Dialog, msg);
}

}  // namespace ostrel::vscan
