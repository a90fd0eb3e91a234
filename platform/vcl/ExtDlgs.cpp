// ExtDlgs: TOpenPictureDialog, its child dialog template (built in memory) and the preview.
#include "ExtDlgs.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <string_view>

VCL_PUBLISHED(TOpenPictureDialog)
{
  p.Property("Filter", &TOpenPictureDialog::GetFilter, &TOpenPictureDialog::SetFilter)
      .Stored(&TOpenPictureDialog::IsFilterStored);
}

namespace {

TUnitInit ExtDlgsUnitInit("ExtDlgs", [] { RegisterClass(TOpenPictureDialog::StaticClass()); });

// A dialog template in memory, in the layout DLGTEMPLATE / DLGITEMTEMPLATE describe: the header with
// its menu, class, title and font, then each item on a DWORD boundary with its class atom, text and
// (empty) creation data. Coordinates are dialog units.
class TTemplateBuilder {
public:
  TTemplateBuilder(DWORD style, short cx, short cy)
  {
    Dword(style);
    Dword(0);          // extended style
    FCountAt = FWords.size();
    Word(0);           // item count, filled in as items come
    Word(0);  // x
    Word(0);  // y
    Word(WORD(cx));
    Word(WORD(cy));
    Word(0);           // no menu
    Word(0);           // the standard dialog class
    Word(0);           // no title
    Word(8);           // DS_SETFONT: point size and face
    Text(L"MS Shell Dlg");
  }
  void Item(WORD atom, DWORD style, short x, short y, short cx, short cy, WORD id, std::wstring_view text)
  {
    if (FWords.size() % 2) Word(0);
    Dword(style | WS_CHILD);
    Dword(0);
    for (short v : {x, y, cx, cy}) Word(WORD(v));
    Word(id);
    Word(0xFFFF);  // a predefined class, by atom
    Word(atom);
    Text(text);
    Word(0);  // no creation data
    ++FWords[FCountAt];
  }
  std::vector<WORD> Take() { return std::move(FWords); }

private:
  void Word(WORD w) { FWords.push_back(w); }
  void Dword(DWORD d)
  {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void Text(std::wstring_view text)
  {
    for (wchar_t c : text) Word(WORD(c));
    Word(0);
  }
  std::vector<WORD> FWords;
  size_t FCountAt = 0;
};

constexpr WORD ButtonAtom = 0x0080;
constexpr WORD StaticAtom = 0x0082;

// Restores a DC's selected font when drawing ends, however it ends.
struct TSelectedFont {
  HDC DC;
  HGDIOBJ Old;
  TSelectedFont(HDC dc, HFONT font) : DC(dc), Old(font ? SelectObject(dc, font) : nullptr) {}
  ~TSelectedFont()
  {
    if (Old) SelectObject(DC, Old);
  }
  TSelectedFont(const TSelectedFont&) = delete;
  TSelectedFont& operator=(const TSelectedFont&) = delete;
};

// A canvas lent a DC for one drawing; it gives the DC back when it goes.
struct TLentCanvas {
  TCanvas Canvas;
  explicit TLentCanvas(HDC dc) { Canvas.SetHandle(dc); }
  ~TLentCanvas() { Canvas.SetHandle(nullptr); }
  TLentCanvas(const TLentCanvas&) = delete;
  TLentCanvas& operator=(const TLentCanvas&) = delete;
};

}  // namespace

TOpenPictureDialog::TOpenPictureDialog(TOwnerArg owner) : TOpenDialog(owner)
{
  SetFilter(GraphicFilter(TGraphic::StaticClass()));
}

TOpenPictureDialog::~TOpenPictureDialog() = default;

bool TOpenPictureDialog::IsFilterStored() const { return GetFilter() != GraphicFilter(TGraphic::StaticClass()); }

// The platform's controls go where the stc32 static is (it grows them room); the preview sits to its
// right and moves along as it grows.
const DLGTEMPLATE* TOpenPictureDialog::ChildTemplate()
{
  constexpr short frameLeft = 6, frameWidth = 112, height = 130;
  TTemplateBuilder t(DS_3DLOOK | DS_CONTROL | DS_SETFONT | WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                     short(frameLeft + frameWidth + 6), height);
  t.Item(StaticAtom, SS_LEFT, 0, 0, 4, height, stc32, L"");
  t.Item(ButtonAtom, WS_VISIBLE | BS_GROUPBOX, frameLeft, 4, frameWidth, height - 4, PreviewFrameId, L"Preview");
  t.Item(StaticAtom, WS_VISIBLE | SS_OWNERDRAW, frameLeft + 6, 16, frameWidth - 12, height - 26, PreviewPictureId, L"");
  FTemplate = t.Take();
  return reinterpret_cast<const DLGTEMPLATE*>(FTemplate.data());
}

bool TOpenPictureDialog::ChildMessage(HWND child, UINT msg, WPARAM, LPARAM lParam, INT_PTR& result)
{
  switch (msg) {
    case WM_INITDIALOG:
      FPreviewWindow = GetDlgItem(child, PreviewPictureId);
      return false;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != UINT(PreviewPictureId)) return false;
      DrawPreview(*item);
      result = TRUE;
      return true;
    }
    default: return false;
  }
}

void TOpenPictureDialog::DoSelectionChange()
{
  LoadPreview(GetSelectedPath());
  TOpenDialog::DoSelectionChange();
}

void TOpenPictureDialog::DoClose()
{
  FPreview.reset();
  FPreviewWindow = nullptr;
  TOpenDialog::DoClose();
}

void TOpenPictureDialog::LoadPreview(const AnsiString& path)
{
  FPreview.reset();
  if (!path.IsEmpty() && FileExists(path) && TPicture::FindGraphicClass(ExtractFileExt(path))) {
    auto picture = std::make_unique<TPicture>();
    try {
      picture->LoadFromFile(path);
      FPreview = std::move(picture);
    } catch (const Exception&) {
      // A file its loader refuses has no preview; choosing it is still the user's call.
    }
  }
  if (FPreviewWindow) InvalidateRect(FPreviewWindow, nullptr, TRUE);
}

void TOpenPictureDialog::DrawPreview(const DRAWITEMSTRUCT& item)
{
  HDC dc = item.hDC;
  RECT area = item.rcItem;
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  TSelectedFont font(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  TGraphic* graphic = FPreview ? FPreview->GetGraphic() : nullptr;
  if (!graphic || graphic->GetEmpty()) {
    DrawTextW(dc, L"(None)", -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return;
  }
  // The size line at the bottom; the picture fits in the rest.
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT caption = area;
  caption.top = area.bottom - metrics.tmHeight - 2;
  const std::wstring size = std::to_wstring(graphic->GetWidth()) + L" x " + std::to_wstring(graphic->GetHeight());
  DrawTextW(dc, size.c_str(), -1, &caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  const int boxWidth = area.right - area.left, boxHeight = caption.top - area.top - 2;
  if (boxWidth <= 0 || boxHeight <= 0) return;
  const double zoom = std::min({1.0, double(boxWidth) / graphic->GetWidth(), double(boxHeight) / graphic->GetHeight()});
  const int w = std::max(1, int(graphic->GetWidth() * zoom + 0.5)), h = std::max(1, int(graphic->GetHeight() * zoom + 0.5));
  const int x = area.left + (boxWidth - w) / 2, y = area.top + (boxHeight - h) / 2;
  TLentCanvas canvas(dc);
  canvas.Canvas.StretchDraw(TRect(x, y, x + w, y + h), graphic);
}
