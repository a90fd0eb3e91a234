// Twenty rows of ten controls (memo, list box, combo box, scroll bar, radio button, tree view, track
// bar, up-down, header with two sections, page control with two sheets), each with a little content,
// on a borderless form in Tahoma 8. The Win32 window makes the same platform windows with the styles
// the VCL's defaults ask for, the same content and font, and the shown sheet as a child window of its
// own; the first line tells how many windows each side made.
#include "FormsControls.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "Benchclock.h"
#include "ComCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <commctrl.h>

namespace bench {
namespace {

constexpr int Rows = 20;
constexpr int Kinds = 10;
constexpr int CellWidth = 100;
constexpr int CellHeight = 34;
constexpr int FormLeft = 10;
constexpr int FormTop = 10;
constexpr int FormWidth = Kinds * CellWidth;
constexpr int FormHeight = Rows * CellHeight;
const char* const ListItems[] = {"Alpha", "Bravo", "Charlie", "Delta", "Echo"};

RECT Cell(int row, int kind)
{
  const int x = kind * CellWidth + 2, y = row * CellHeight + 2;
  return RECT{x, y, x + CellWidth - 4, y + CellHeight - 4};
}

// ---------------------------------------------------------------------------------------------------
// The form, made of the stand-in's classes.
template <class T>
T* Put(TForm* form, TWinControl* parent, const RECT& r)
{
  auto* control = new T(form);
  control->SetParent(parent);
  control->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  return control;
}

void PutControl(TForm* form, int kind, const RECT& r)
{
  switch (kind) {
    case 0: {
      auto* memo = Put<TMemo>(form, form, r);
      memo->GetLines()->Add("one");
      memo->GetLines()->Add("two");
      break;
    }
    case 1: {
      auto* list = Put<TListBox>(form, form, r);
      for (const char* item : ListItems) list->GetItems()->Add(item);
      break;
    }
    case 2: {
      auto* combo = Put<TComboBox>(form, form, r);
      for (const char* item : ListItems) combo->GetItems()->Add(item);
      combo->SetText("Alpha");
      break;
    }
    case 3: Put<TScrollBar>(form, form, RECT{r.left, r.top, r.right, r.top + 17})->SetPosition(30); break;
    case 4: Put<TRadioButton>(form, form, r)->SetCaption("Radio"); break;
    case 5: {
      auto* tree = Put<TTreeView>(form, form, r);
      TTreeNode* music = tree->GetItems()->Add(nullptr, "Music");
      tree->GetItems()->AddChild(music, "Song");
      tree->GetItems()->AddChild(music, "Album");
      music->SetExpanded(true);
      break;
    }
    case 6: Put<TTrackBar>(form, form, r)->SetPosition(3); break;
    case 7: Put<TUpDown>(form, form, RECT{r.left, r.top, r.left + 17, r.bottom}); break;
    case 8: {
      auto* header = Put<THeaderControl>(form, form, r);
      header->SetAlign(alNone);
      header->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      for (const char* text : {"Title", "Artist"}) {
        THeaderSection* section = header->GetSections()->Add();
        section->SetText(text);
        section->SetWidth(48);
      }
      break;
    }
    default: {
      auto* pages = Put<TPageControl>(form, form, r);
      for (const char* caption : {"One", "Two"}) {
        auto* sheet = new TTabSheet(form);
        sheet->SetPageControl(pages);
        sheet->SetCaption(caption);
      }
      pages->SetActivePageIndex(0);
      break;
    }
  }
}

TForm* MakeVclForm()
{
  auto* form = new TForm(Application, 0);
  form->SetBorderStyle(bsNone);
  form->SetBounds(FormLeft, FormTop, FormWidth, FormHeight);
  form->GetFont()->SetName("Tahoma");
  form->GetFont()->SetHeight(-11);
  for (int row = 0; row < Rows; ++row)
    for (int kind = 0; kind < Kinds; ++kind) PutControl(form, kind, Cell(row, kind));
  form->Show();
  form->Update();
  return form;
}

// ---------------------------------------------------------------------------------------------------
// The same window by hand.
HFONT Font = nullptr;

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND Child(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, const RECT& r)
{
  HWND hwnd = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                              r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(hwnd, WM_SETFONT, WPARAM(Font), 0);
  return hwnd;
}

void AddStrings(HWND hwnd, UINT message)
{
  for (const char* item : ListItems) {
    wchar_t wide[16];
    MultiByteToWideChar(CP_UTF8, 0, item, -1, wide, 16);
    SendMessageW(hwnd, message, 0, LPARAM(wide));
  }
}

HTREEITEM InsertNode(HWND tree, HTREEITEM parent, const wchar_t* text)
{
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(text);
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&insert)));
}

void PutHandControl(HWND form, int kind, const RECT& r)
{
  switch (kind) {
    case 0:
      Child(form, WS_EX_CLIENTEDGE, L"EDIT", L"one\r\ntwo", WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, r);
      break;
    case 1:
      AddStrings(Child(form, WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, r),
                 LB_ADDSTRING);
      break;
    case 2: {
      HWND combo = Child(form, 0, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                         RECT{r.left, r.top, r.right, r.top + 200});
      AddStrings(combo, CB_ADDSTRING);
      SetWindowTextW(combo, L"Alpha");
      break;
    }
    case 3: {
      HWND bar = Child(form, 0, L"SCROLLBAR", L"", WS_TABSTOP | SBS_HORZ, RECT{r.left, r.top, r.right, r.top + 17});
      SCROLLINFO info{sizeof info, SIF_ALL, 0, 100, 0, 30, 0};
      SetScrollInfo(bar, SB_CTL, &info, TRUE);
      break;
    }
    case 4: Child(form, 0, L"BUTTON", L"Radio", WS_TABSTOP | BS_RADIOBUTTON, r); break;
    case 5: {
      HWND tree = Child(form, WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                        WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS, r);
      HTREEITEM music = InsertNode(tree, TVI_ROOT, L"Music");
      InsertNode(tree, music, L"Song");
      InsertNode(tree, music, L"Album");
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(music));
      break;
    }
    case 6: {
      HWND track = Child(form, 0, TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_AUTOTICKS | TBS_HORZ | TBS_BOTTOM, r);
      SendMessageW(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
      SendMessageW(track, TBM_SETPOS, TRUE, 3);
      break;
    }
    case 7: Child(form, 0, UPDOWN_CLASSW, L"", UDS_ARROWKEYS, RECT{r.left, r.top, r.left + 17, r.bottom}); break;
    case 8: {
      HWND header = Child(form, 0, WC_HEADERW, L"", HDS_BUTTONS | HDS_HORZ, r);
      const wchar_t* texts[] = {L"Title", L"Artist"};
      for (int i = 0; i < 2; ++i) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = 48;
        item.fmt = HDF_LEFT | HDF_STRING;
        item.pszText = const_cast<wchar_t*>(texts[i]);
        SendMessageW(header, HDM_INSERTITEMW, i, LPARAM(&item));
      }
      break;
    }
    default: {
      HWND tabs = Child(form, 0, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPSIBLINGS, r);
      const wchar_t* texts[] = {L"One", L"Two"};
      for (int i = 0; i < 2; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(texts[i]);
        SendMessageW(tabs, TCM_INSERTITEMW, i, LPARAM(&item));
      }
      RECT page{0, 0, r.right - r.left, r.bottom - r.top};
      SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, LPARAM(&page));
      // The shown sheet only: a hidden one gets its window when it is first shown, as in the VCL.
      Child(tabs, 0, L"BenchSheet", L"", WS_CLIPSIBLINGS, page);
      break;
    }
  }
}

HWND MakeHandForm()
{
  HWND form = CreateWindowExW(0, L"BenchControls", L"", WS_POPUP | WS_CLIPCHILDREN, FormLeft, FormTop, FormWidth,
                              FormHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  for (int row = 0; row < Rows; ++row)
    for (int kind = 0; kind < Kinds; ++kind) PutHandControl(form, kind, Cell(row, kind));
  ShowWindow(form, SW_SHOW);
  UpdateWindow(form);
  return form;
}

void RegisterHandClasses()
{
  INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);
  WNDCLASSW wc{};
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = L"BenchControls";
  RegisterClassW(&wc);
  wc.lpszClassName = L"BenchSheet";
  RegisterClassW(&wc);
}

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};

BOOL CALLBACK CountOne(HWND, LPARAM count)
{
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Every window under the form, so that the two sides can be seen to make the same.
int Descendants(HWND hwnd)
{
  int count = 0;
  EnumChildWindows(hwnd, CountOne, LPARAM(&count));
  return count;
}

void RepaintWhole(HWND hwnd) { RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); }

}  // namespace

void BenchControls(int rounds)
{
  Font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  RegisterHandClasses();
  {
    // One of each first: classes, fonts and caches are made once.
    std::unique_ptr<TForm, FormDeleter> warm(MakeVclForm());
    HWND hand = MakeHandForm();
    std::printf("controls_windows: vcl %d, win32 %d\n", Descendants(warm->GetHandle()), Descendants(hand));
    DestroyWindow(hand);
  }
  Pump();
  std::vector<double> vclMake, handMake, vclPaint, handPaint, vclWhole, handWhole;
  for (int round = 0; round < rounds; ++round) {
    double start = Seconds();
    std::unique_ptr<TForm, FormDeleter> form(MakeVclForm());
    vclMake.push_back(Seconds() - start);
    start = Seconds();
    RepaintWhole(form->GetHandle());
    vclPaint.push_back(Seconds() - start);
    vclWhole.push_back(vclMake.back() + vclPaint.back());
    form.reset();
    Pump();

    start = Seconds();
    HWND hand = MakeHandForm();
    handMake.push_back(Seconds() - start);
    start = Seconds();
    RepaintWhole(hand);
    handPaint.push_back(Seconds() - start);
    handWhole.push_back(handMake.back() + handPaint.back());
    DestroyWindow(hand);
    Pump();
  }
  std::printf("vcl_controls_create_show_ms: %.3f\n", Median(vclMake) * 1000);
  std::printf("win32_controls_create_show_ms: %.3f\n", Median(handMake) * 1000);
  std::printf("vcl_controls_paint_ms: %.3f\n", Median(vclPaint) * 1000);
  std::printf("win32_controls_paint_ms: %.3f\n", Median(handPaint) * 1000);
  std::printf("vcl_controls_vs_win32: %.2f\n", Median(vclWhole) / Median(handWhole));
  DeleteObject(Font);
}

}  // namespace bench
