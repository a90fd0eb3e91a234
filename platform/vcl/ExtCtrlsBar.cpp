// ExtCtrls: TCustomControlBar, bands in rows that the user rearranges by their grips.
#include <algorithm>

#include "ControlsPublish.h"
#include "ExtCtrls.h"

VCL_IMPLEMENT_ENUM(TBandPaintOption, "bpoGrabber", "bpoFrame")
VCL_IMPLEMENT_CLASS(TCustomControlBar)

VCL_PUBLISHED(TControlBar)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("AutoDrag", &TControlBar::GetAutoDrag, &TControlBar::SetAutoDrag).Default(true);
  p.Property("AutoSize", &TControlBar::GetAutoSize, &TControlBar::SetAutoSize).Default(false);
  p.Property("BevelInner", &TControlBar::GetBevelInner, &TControlBar::SetBevelInner).Default(bvRaised);
  p.Property("BevelOuter", &TControlBar::GetBevelOuter, &TControlBar::SetBevelOuter).Default(bvLowered);
  p.Property("BevelWidth", &TControlBar::GetBevelWidth, &TControlBar::SetBevelWidth).Default(1);
  PublishLook(p, false);
  p.Property("DockSite", &TControlBar::GetDockSite, &TControlBar::SetDockSite).Default(false);
  PublishDrag(p);
  PublishState(p);
  p.Property("Picture", &TControlBar::GetPicture, &TControlBar::SetPicture);
  p.Property("RowSize", &TControlBar::GetRowSize, &TControlBar::SetRowSize).Default(26);
  p.Property("RowSnap", &TControlBar::GetRowSnap, &TControlBar::SetRowSnap).Default(true);
  PublishFocus(p, false);
  p.Property("OnBandDrag", &TControlBar::OnBandDrag, &TControlBar::OnBandDrag);
  p.Property("OnBandInfo", &TControlBar::OnBandInfo, &TControlBar::OnBandInfo);
  p.Property("OnBandMove", &TControlBar::OnBandMove, &TControlBar::OnBandMove);
  p.Property("OnBandPaint", &TControlBar::OnBandPaint, &TControlBar::OnBandPaint);
  PublishMouseEvents(p);
  PublishDragEvents(p);
  p.Property("OnPaint", &TControlBar::OnPaint, &TControlBar::OnPaint);
  p.Property("OnResize", &TControlBar::OnResize, &TControlBar::OnResize);
}

namespace {

// A band's raised frame and the air inside it, and the grip's width inside the frame.
constexpr int BandFrame = 2;
constexpr int GripSize = 9;

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int CeilDiv(int a, int b) { return (a + b - 1) / b; }

TRect GripOf(const TRect& band, bool rightToLeft)
{
  return rightToLeft ? TRect(band.Right - BandFrame - GripSize, band.Top + BandFrame, band.Right - BandFrame,
                             band.Bottom - BandFrame)
                     : TRect(band.Left + BandFrame, band.Top + BandFrame, band.Left + BandFrame + GripSize,
                             band.Bottom - BandFrame);
}

}  // namespace

TCustomControlBar::TCustomControlBar(TOwnerArg owner) : TCustomControl(owner), FPicture(std::make_unique<TPicture>())
{
  FControlStyle << csAcceptsControls << csCaptureMouse << csClickEvents << csOpaque << csDoubleClicks;
  SetBounds(0, 0, 100, 50);
  SetParentColor(false);
  SetColor(clBtnFace);
  FPicture->OnChange = TNotifyEvent(this, &TCustomControlBar::PictureChanged);
}

TCustomControlBar::~TCustomControlBar() { FPicture->OnChange = TNotifyEvent(); }

void TCustomControlBar::Changed()
{
  Realign();
  Invalidate();
}

void TCustomControlBar::PictureChanged(TObject*) { Invalidate(); }

void TCustomControlBar::SetAutoSize(bool value)
{
  if (FAutoSize == value) return;
  FAutoSize = value;
  Changed();
}

void TCustomControlBar::SetBevelInner(TPanelBevel value)
{
  FBevelInner = value;
  Changed();
}

void TCustomControlBar::SetBevelOuter(TPanelBevel value)
{
  FBevelOuter = value;
  Changed();
}

void TCustomControlBar::SetBevelWidth(int value)
{
  FBevelWidth = std::max(value, 1);
  Changed();
}

void TCustomControlBar::SetRowSize(int value)
{
  FRowSize = std::max(value, 1);
  Changed();
}

TRect TCustomControlBar::BandArea() const
{
  return vcl_detail::InsideBevels(GetClientRect(), FBevelOuter, FBevelInner, FBevelWidth, 0);
}

const TCustomControlBar::TBand* TCustomControlBar::FindBand(const TControl* control) const
{
  for (const TBand& band : FBands)
    if (band.Control == control) return &band;
  return nullptr;
}

int TCustomControlBar::GetBandRow(const TControl* control) const
{
  const TBand* band = FindBand(control);
  return band ? band->Row : -1;
}

TRect TCustomControlBar::GetBandRect(const TControl* control) const
{
  const TBand* band = FindBand(control);
  return band ? band->Rect : TRect();
}

TRect TCustomControlBar::GetGripRect(const TControl* control) const
{
  const TBand* band = FindBand(control);
  return band ? GripOf(band->Rect, UseRightToLeftAlignment()) : TRect();
}

// Rows come from the bands' tops (in units of RowSize, so that gaps and emptied rows close), the
// order in a row from their leading edges; each band then takes the first free place at or after
// where it stands.
void TCustomControlBar::AlignControls(TControl*, TRect&)
{
  // While a band follows the mouse the others hold still; the drop lays them out again.
  if (FDrag.Moving) return;
  const TRect area = BandArea();
  const bool rtl = UseRightToLeftAlignment();
  struct TItem {
    TBand Band;
    int Key = 0;
    int Lead = 0;  // from the leading edge (the right one, right to left)
    int Width = 0;
    int Height = 0;
    int Preferred = 0;
    int Rows = 1;
  };
  std::vector<TItem> items;
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    if (!c->GetVisible()) continue;
    TItem item;
    item.Band.Control = c;
    TRect insets = rtl ? TRect(BandFrame, BandFrame, BandFrame + GripSize, BandFrame)
                       : TRect(BandFrame + GripSize, BandFrame, BandFrame, BandFrame);
    int preferred = c->GetWidth();
    int rows = std::max(1, CeilDiv(c->GetHeight() + insets.Top + insets.Bottom, FRowSize));
    if (OnBandInfo) OnBandInfo(this, c, insets, preferred, rows);
    item.Band.Insets = insets;
    item.Preferred = std::max(preferred, 0);
    item.Rows = std::max(rows, 1);
    item.Width = insets.Left + item.Preferred + insets.Right;
    item.Height = insets.Top + c->GetHeight() + insets.Bottom;
    const TBand* old = FindBand(c);
    if (old && old->Placed == TPoint(c->GetLeft(), c->GetTop())) {
      item.Key = old->Key;
      item.Lead = old->Lead;
    } else {
      const int left = c->GetLeft() - insets.Left, top = c->GetTop() - insets.Top;
      item.Key = FloorDiv(top - area.Top + FRowSize / 2, FRowSize);
      item.Lead = std::max(rtl ? area.Right - (left + item.Width) : left - area.Left, 0);
    }
    items.push_back(item);
  }
  std::stable_sort(items.begin(), items.end(), [this](const TItem& a, const TItem& b) {
    if (a.Key != b.Key) return a.Key < b.Key;
    if (a.Lead != b.Lead) return a.Lead < b.Lead;
    // The band being dragged takes a contested place.
    return a.Band.Control == FDrag.Control && b.Band.Control != FDrag.Control;
  });

  std::vector<TBand> bands;
  std::vector<TRow> rows;
  int top = area.Top;
  for (size_t first = 0; first < items.size();) {
    size_t last = first;
    int height = 0;
    while (last < items.size() && items[last].Key == items[first].Key) {
      height = std::max({height, items[last].Height, items[last].Rows * FRowSize});
      ++last;
    }
    if (FRowSnap) height = CeilDiv(height, FRowSize) * FRowSize;
    int lead = 0;
    for (size_t i = first; i < last; ++i) {
      TItem& item = items[i];
      const int at = std::max(item.Lead, lead);
      lead = at + item.Width;
      const int left = rtl ? area.Right - at - item.Width : area.Left + at;
      item.Band.Rect = TRect(left, top, left + item.Width, top + item.Height);
      item.Band.Row = int(rows.size());
      // The key this row's place gives, so that later bands dropped here join it.
      item.Band.Key = FloorDiv(top - area.Top + FRowSize / 2, FRowSize);
      item.Band.Lead = item.Lead;
      item.Band.Placed = TPoint(left + item.Band.Insets.Left, top + item.Band.Insets.Top);
      bands.push_back(item.Band);
    }
    rows.push_back(TRow{top, height});
    top += height;
    first = last;
  }
  bool moved = bands.size() != FBands.size();
  for (size_t i = 0; !moved && i < bands.size(); ++i)
    moved = bands[i].Control != FBands[i].Control || !(bands[i].Rect == FBands[i].Rect);
  FBands = std::move(bands);
  FRows = std::move(rows);
  for (const TBand& band : FBands)
    band.Control->SetBounds(band.Placed.x, band.Placed.y, band.Rect.Width() - band.Insets.Left - band.Insets.Right,
                            band.Control->GetHeight());
  if (moved) Invalidate();
  if (FAutoSize && !HasState(csLoading)) {
    const int height = GetHeight() - area.Height() + (top - area.Top);
    if (height != GetHeight()) SetHeight(height);
  }
}

void TCustomControlBar::Paint()
{
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  TGraphic* picture = FPicture->GetGraphic();
  if (picture && picture->GetWidth() > 0 && picture->GetHeight() > 0) {
    for (int y = 0; y < client.Bottom; y += picture->GetHeight())
      for (int x = 0; x < client.Right; x += picture->GetWidth()) canvas->Draw(x, y, picture);
  } else {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(client);
  }
  TRect rect = client;
  vcl_detail::DrawBevel(canvas, rect, FBevelOuter, FBevelWidth, GetColor());
  vcl_detail::DrawBevel(canvas, rect, FBevelInner, FBevelWidth, GetColor());
  if (OnPaint) OnPaint(this);
  for (const TBand& band : FBands) PaintBand(band.Control, band.Rect);
}

void TCustomControlBar::PaintBand(TControl* control, TRect rect)
{
  TCanvas* canvas = GetCanvas();
  TBandPaintOptions options = TBandPaintOptions() << bpoGrabber << bpoFrame;
  if (OnBandPaint) OnBandPaint(this, control, canvas, rect, options);
  HDC dc = canvas->GetHandle();
  if (options.Contains(bpoFrame)) {
    RECT r = rect;
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  }
  if (options.Contains(bpoGrabber)) {
    // Two raised lines, the first one nearest the band's leading edge.
    const bool rtl = UseRightToLeftAlignment();
    const TRect grip = GripOf(rect, rtl);
    for (int i = 0; i < 2; ++i) {
      const int x = rtl ? grip.Right - 4 - 4 * i : grip.Left + 1 + 4 * i;
      RECT line{x, grip.Top + 1, x + 3, grip.Bottom - 1};
      DrawEdge(dc, &line, BDR_RAISEDINNER, BF_RECT);
    }
  }
}

void TCustomControlBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || FDrag.Control) return;
  for (const TBand& band : FBands) {
    if (x < band.Rect.Left || x >= band.Rect.Right || y < band.Rect.Top || y >= band.Rect.Bottom) continue;
    bool drag = true;
    if (OnBandDrag) OnBandDrag(this, band.Control, drag);
    if (drag) FDrag = TDragState{band.Control, TPoint(x - band.Rect.Left, y - band.Rect.Top)};
    return;
  }
}

void TCustomControlBar::MouseMove(TShiftState shift, int x, int y)
{
  TCustomControl::MouseMove(shift, x, y);
  if (FDrag.Control) DragTo(x, y, false);
}

void TCustomControlBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
  if (button == mbLeft && FDrag.Control) {
    DragTo(x, y, true);
    EndDrag();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

// Moves the dragged band with the mouse at (x, y), over the others. The drop puts it into the nearest
// row (RowSnap) or the row under the mouse, a new row when below the last, as the rows stood when the
// drag began; the layout then settles its place in the row.
void TCustomControlBar::DragTo(int x, int y, bool drop)
{
  TControl* c = FDrag.Control;
  auto band = std::find_if(FBands.begin(), FBands.end(), [c](const TBand& b) { return b.Control == c; });
  if (band == FBands.end()) return;
  const TRect insets = band->Insets;
  TRect rect = Bounds(x - FDrag.Offset.x, y - FDrag.Offset.y, band->Rect.Width(), band->Rect.Height());
  if (OnBandMove) OnBandMove(this, c, rect);
  if (!drop) {
    FDrag.Moving = true;
    band->Rect = rect;
    c->SetBounds(rect.Left + insets.Left, rect.Top + insets.Top, c->GetWidth(), c->GetHeight());
    Invalidate();
    Update();
    return;
  }
  const TRect area = BandArea();
  const int below = FRows.empty() ? area.Top : FRows.back().Top + FRows.back().Height;
  int rowTop = below;
  if (FRowSnap) {
    int best = std::abs(rect.Top - below);
    for (const TRow& row : FRows)
      if (std::abs(rect.Top - row.Top) < best) {
        best = std::abs(rect.Top - row.Top);
        rowTop = row.Top;
      }
  } else if (!FRows.empty()) {
    rowTop = y < FRows.front().Top ? FRows.front().Top : below;
    for (const TRow& row : FRows)
      if (y >= row.Top && y < row.Top + row.Height) rowTop = row.Top;
  }
  FDrag.Moving = false;
  c->SetBounds(rect.Left + insets.Left, rowTop + insets.Top, c->GetWidth(), c->GetHeight());
  Invalidate();
}

void TCustomControlBar::EndDrag()
{
  FDrag = TDragState();
  Realign();
}

void TCustomControlBar::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_ERASEBKGND:
      // Paint covers every pixel.
      message.Result = 1;
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(raw);
      Invalidate();
      return;
    case WM_CANCELMODE:
      if (FDrag.Control) {
        EndDrag();
        if (GetMouseCapture()) SetMouseCapture(false);
      }
      break;
    case CM_CONTROLLISTCHANGE:
      // A band leaving the bar is no longer dragged.
      if (message.LParam == 0 && reinterpret_cast<TControl*>(message.WParam) == FDrag.Control) FDrag = TDragState();
      break;
    case CM_BIDIMODECHANGED:
      TCustomControl::Dispatch(raw);
      Changed();
      return;
    default: break;
  }
  TCustomControl::Dispatch(raw);
}
