// Grids: geometry, scrolling, selection and painting of TCustomGrid.
#include "Grids.h"
#include "GridsAxis.h"

#include <algorithm>

#include "Consts.h"

VCL_IMPLEMENT_ENUM(TGridOption, "goFixedVertLine", "goFixedHorzLine", "goVertLine", "goHorzLine", "goRangeSelect",
                   "goDrawFocusSelected", "goRowSizing", "goColSizing", "goRowMoving", "goColMoving", "goEditing",
                   "goTabs", "goRowSelect", "goAlwaysShowEditor", "goThumbTracking")
VCL_IMPLEMENT_ENUM(TGridDrawStateItem, "gdSelected", "gdFocused", "gdFixed")
VCL_IMPLEMENT_CLASS(TCustomGrid)

namespace {


bool Empty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

TGridOptions DefaultGridOptions()
{
  return TGridOptions() << goFixedVertLine << goFixedHorzLine << goVertLine << goHorzLine << goRangeSelect;
}

}  // namespace

// ===================================================================================================
// Making and sizing
TCustomGrid::TCustomGrid(TOwnerArg owner) : TCustomControl(owner), FOptions(DefaultGridOptions())
{
  FControlStyle << csCaptureMouse << csOpaque << csDoubleClicks << csClickEvents;
  SetColor(clWindow);
  SetParentColor(false);
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), FColCount * (FDefaultColWidth + FGridLineWidth),
            FRowCount * (FDefaultRowHeight + FGridLineWidth));
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CreateParams(TCreateParams& params)
{
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
  params.WindowClass.style = CS_DBLCLKS;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::CreateWnd()
{
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

void TCustomGrid::Loaded()
{
  TCustomControl::Loaded();
  UpdateScrollBars();
}

TCustomGrid::TAxis TCustomGrid::ColAxis() const
{
  return TAxis{FColWidths, FDefaultColWidth, FColCount, FFixedCols, FTopLeft.X,
               FOptions.Contains(goVertLine) ? FGridLineWidth : 0, GetClientWidth()};
}

TCustomGrid::TAxis TCustomGrid::RowAxis() const
{
  return TAxis{FRowHeights, FDefaultRowHeight, FRowCount, FFixedRows, FTopLeft.Y,
               FOptions.Contains(goHorzLine) ? FGridLineWidth : 0, GetClientHeight()};
}

void TCustomGrid::ChangeSize(int colCount, int rowCount)
{
  const int oldCols = FColCount, oldRows = FRowCount;
  HideEditor();
  FColCount = colCount;
  FRowCount = rowCount;
  if (FColWidths.size() > size_t(colCount)) FColWidths.resize(size_t(colCount));
  if (FRowHeights.size() > size_t(rowCount)) FRowHeights.resize(size_t(rowCount));
  if (FTabStops.size() > size_t(colCount)) FTabStops.resize(size_t(colCount));
  auto clampCell = [&](TGridCoord& c) {
    c.X = std::clamp(c.X, FFixedCols, FColCount - 1);
    c.Y = std::clamp(c.Y, FFixedRows, FRowCount - 1);
  };
  clampCell(FCurrent);
  clampCell(FAnchor);
  if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
  SizeChanged(oldCols, oldRows);
  MoveTopLeft(std::min(FTopLeft.X, MaxLeftCol()), std::min(FTopLeft.Y, MaxTopRow()));
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::SetColCount(int value)
{
  value = std::max(value, 1);
  if (value == FColCount) return;
  if (value <= FFixedCols) FFixedCols = value - 1;
  ChangeSize(value, FRowCount);
}

void TCustomGrid::SetRowCount(int value)
{
  value = std::max(value, 1);
  if (value == FRowCount) return;
  if (value <= FFixedRows) FFixedRows = value - 1;
  ChangeSize(FColCount, value);
}

void TCustomGrid::SetFixedCols(int value)
{
  if (value < 0) throw EInvalidOperation(SGridIndexOutOfRange);
  if (value >= FColCount) throw EInvalidOperation(SFixedColTooBig);
  if (value == FFixedCols) return;
  HideEditor();
  FFixedCols = value;
  FCurrent.X = std::max(FCurrent.X, value);
  FAnchor.X = std::max(FAnchor.X, value);
  FTopLeft.X = std::max(FTopLeft.X, value);
  MoveTopLeft(std::min(FTopLeft.X, MaxLeftCol()), FTopLeft.Y);
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::SetFixedRows(int value)
{
  if (value < 0) throw EInvalidOperation(SGridIndexOutOfRange);
  if (value >= FRowCount) throw EInvalidOperation(SFixedRowTooBig);
  if (value == FFixedRows) return;
  HideEditor();
  FFixedRows = value;
  FCurrent.Y = std::max(FCurrent.Y, value);
  FAnchor.Y = std::max(FAnchor.Y, value);
  FTopLeft.Y = std::max(FTopLeft.Y, value);
  MoveTopLeft(FTopLeft.X, std::min(FTopLeft.Y, MaxTopRow()));
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::SetDefaultColWidth(int value)
{
  value = std::max(value, 0);
  if (value == FDefaultColWidth) return;
  FDefaultColWidth = value;
  FColWidths.clear();
  ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value)
{
  value = std::max(value, 0);
  if (value == FDefaultRowHeight) return;
  FDefaultRowHeight = value;
  FRowHeights.clear();
  RowHeightsChanged();
}

int TCustomGrid::GetColWidths(int index) const
{
  if (index < 0 || index >= FColCount) throw EInvalidOperation(SGridIndexOutOfRange);
  return index < int(FColWidths.size()) ? FColWidths[size_t(index)] : FDefaultColWidth;
}

void TCustomGrid::SetColWidths(int index, int value)
{
  if (index < 0 || index >= FColCount) throw EInvalidOperation(SGridIndexOutOfRange);
  value = std::max(value, 0);
  if (GetColWidths(index) == value) return;
  if (FColWidths.size() <= size_t(index)) FColWidths.resize(size_t(FColCount), FDefaultColWidth);
  FColWidths[size_t(index)] = value;
  ColWidthsChanged();
}

int TCustomGrid::GetRowHeights(int index) const
{
  if (index < 0 || index >= FRowCount) throw EInvalidOperation(SGridIndexOutOfRange);
  return index < int(FRowHeights.size()) ? FRowHeights[size_t(index)] : FDefaultRowHeight;
}

void TCustomGrid::SetRowHeights(int index, int value)
{
  if (index < 0 || index >= FRowCount) throw EInvalidOperation(SGridIndexOutOfRange);
  value = std::max(value, 0);
  if (GetRowHeights(index) == value) return;
  if (FRowHeights.size() <= size_t(index)) FRowHeights.resize(size_t(FRowCount), FDefaultRowHeight);
  FRowHeights[size_t(index)] = value;
  RowHeightsChanged();
}

void TCustomGrid::ColWidthsChanged()
{
  UpdateScrollBars();
  MoveTopLeft(std::min(FTopLeft.X, MaxLeftCol()), FTopLeft.Y);
  UpdateEditorPlace();
  Invalidate();
}

void TCustomGrid::RowHeightsChanged()
{
  UpdateScrollBars();
  MoveTopLeft(FTopLeft.X, std::min(FTopLeft.Y, MaxTopRow()));
  UpdateEditorPlace();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int value)
{
  value = std::max(value, 0);
  if (value == FGridLineWidth) return;
  FGridLineWidth = value;
  ColWidthsChanged();
}

bool TCustomGrid::GetTabStops(int index) const
{
  if (index < 0 || index >= FColCount) throw EInvalidOperation(SGridIndexOutOfRange);
  return index >= int(FTabStops.size()) || FTabStops[size_t(index)];
}

void TCustomGrid::SetTabStops(int index, bool value)
{
  if (index < 0 || index >= FColCount) throw EInvalidOperation(SGridIndexOutOfRange);
  if (FTabStops.size() <= size_t(index)) FTabStops.resize(size_t(FColCount), true);
  FTabStops[size_t(index)] = value;
}

void TCustomGrid::SetOptions(TGridOptions value)
{
  if (value == FOptions) return;
  const bool rowSelect = value.Contains(goRowSelect);
  if (rowSelect) value >> goAlwaysShowEditor;
  FOptions = value;
  if (!FOptions.Contains(goEditing)) HideEditor();
  if (rowSelect) {
    FCurrent.X = FFixedCols;
    FAnchor = TGridCoord{FColCount - 1, FCurrent.Y};
  }
  if (FOptions.Contains(goAlwaysShowEditor) && FOptions.Contains(goEditing) && HandleAllocated()) ShowEditor();
  UpdateScrollBars();
  Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool value)
{
  if (value == FDefaultDrawing) return;
  FDefaultDrawing = value;
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor value)
{
  if (value == FFixedColor) return;
  FFixedColor = value;
  Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle value)
{
  if (value == FScrollBars) return;
  FScrollBars = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TBorderStyle value)
{
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGrid::SizeChanged(int, int) {}

// ===================================================================================================
// Where cells are
int TCustomGrid::FlipX(int x) const { return UseRightToLeftAlignment() ? GetClientWidth() - x : x; }
int TCustomGrid::FlipPixelX(int x) const { return UseRightToLeftAlignment() ? GetClientWidth() - 1 - x : x; }

TRect TCustomGrid::FlipRect(const TRect& rect) const
{
  if (!UseRightToLeftAlignment()) return rect;
  return TRect(FlipX(rect.Right), rect.Top, FlipX(rect.Left), rect.Bottom);
}

TRect TCustomGrid::LogicalCellRect(int col, int row) const
{
  const TAxis cols = ColAxis(), rows = RowAxis();
  const int left = cols.Start(col), top = rows.Start(row);
  if (left < 0 || top < 0) return TRect();
  return TRect(left, top, std::min(left + cols.Extent(col), cols.Client), std::min(top + rows.Extent(row), rows.Client));
}

TRect TCustomGrid::CellRect(int col, int row) const
{
  const TRect rect = LogicalCellRect(col, row);
  return Empty(rect) ? TRect() : FlipRect(rect);
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const
{
  const TGridCoord cell = MouseCoord(x, y);
  col = cell.X;
  row = cell.Y;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const
{
  const int col = ColAxis().CellAt(FlipPixelX(x)), row = RowAxis().CellAt(y);
  if (col < 0 || row < 0) return TGridCoord{-1, -1};
  return TGridCoord{col, row};
}

int TCustomGrid::GetVisibleColCount() const
{
  const TAxis axis = ColAxis();
  return std::max(axis.LastWhole() - axis.First + 1, 0);
}

int TCustomGrid::GetVisibleRowCount() const
{
  const TAxis axis = RowAxis();
  return std::max(axis.LastWhole() - axis.First + 1, 0);
}

int TCustomGrid::GetGridWidth() const { return ColAxis().End(); }
int TCustomGrid::GetGridHeight() const { return RowAxis().End(); }
int TCustomGrid::MaxTopRow() const { return RowAxis().MaxFirst(); }
int TCustomGrid::MaxLeftCol() const { return ColAxis().MaxFirst(); }

void TCustomGrid::InvalidateCell(int col, int row) { InvalidateGridRect(TGridRect{col, row, col, row}); }
void TCustomGrid::InvalidateCol(int col) { InvalidateGridRect(TGridRect{col, 0, col, FRowCount - 1}); }
void TCustomGrid::InvalidateRow(int row) { InvalidateGridRect(TGridRect{0, row, FColCount - 1, row}); }

// The cells' area on the screen, scrolled-away cells left out, their lines included.
void TCustomGrid::InvalidateGridRect(const TGridRect& cells)
{
  if (!HandleAllocated()) return;
  const TAxis cols = ColAxis(), rows = RowAxis();
  auto span = [](const TAxis& axis, int first, int last, int& from, int& to) {
    from = -1;
    to = -1;
    for (int i = std::max(first, 0); i <= std::min(last, axis.Count - 1); ++i) {
      if (i >= axis.Fixed && i < axis.First) continue;
      const int start = axis.Start(i);
      if (start < 0) {
        if (i >= axis.First) break;
        continue;
      }
      if (from < 0) from = start;
      to = std::min(start + axis.Extent(i) + axis.Line, axis.Client);
    }
  };
  int left, right, top, bottom;
  span(cols, cells.Left, cells.Right, left, right);
  span(rows, cells.Top, cells.Bottom, top, bottom);
  if (left < 0 || top < 0) return;
  const RECT area = FlipRect(TRect(left, top, right, bottom));
  InvalidateRect(GetHandle(), &area, FALSE);
}

// ===================================================================================================
// Scrolling
void TCustomGrid::SetLeftCol(int value) { MoveTopLeft(value, FTopLeft.Y); }
void TCustomGrid::SetTopRow(int value) { MoveTopLeft(FTopLeft.X, value); }

void TCustomGrid::MoveTopLeft(int left, int top)
{
  left = std::clamp(left, FFixedCols, std::max(MaxLeftCol(), FFixedCols));
  top = std::clamp(top, FFixedRows, std::max(MaxTopRow(), FFixedRows));
  if (left == FTopLeft.X && top == FTopLeft.Y) return;
  FTopLeft = TGridCoord{left, top};
  if (HandleAllocated()) {
    // The fixed cells stay; everything else moved.
    const TAxis cols = ColAxis(), rows = RowAxis();
    const RECT all{0, 0, cols.Client, rows.Client};
    InvalidateRect(GetHandle(), &all, FALSE);
  }
  UpdateScrollBars();
  UpdateEditorPlace();
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged()
{
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::ClampInView(const TGridCoord& cell)
{
  if (!HandleAllocated()) return;
  int left = FTopLeft.X, top = FTopLeft.Y;
  auto clampAxis = [](TAxis axis, int target, int& first) {
    if (target < axis.Fixed) return;
    if (target < first) {
      first = target;
      return;
    }
    axis.First = first;
    while (first < target && axis.LastWhole() < target) axis.First = ++first;
  };
  clampAxis(ColAxis(), cell.X, left);
  clampAxis(RowAxis(), cell.Y, top);
  MoveTopLeft(left, top);
}

// Scroll bars count cells: from the first scrolled cell to the last, with a page as long as the
// cells that fit, so the platform stops the thumb at the greatest first cell. Right to left the
// horizontal bar runs the other way, as the columns do.
void TCustomGrid::UpdateScrollBars()
{
  if (!HandleAllocated() || FUpdatingScrollBars) return;
  FUpdatingScrollBars = true;
  auto set = [this](int bar, int fixed, int count, int maxFirst, int first, bool reversed) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = fixed;
    info.nMax = count - 1;
    info.nPage = UINT(count - maxFirst);
    info.nPos = reversed ? fixed + maxFirst - first : first;
    SetScrollInfo(GetHandle(), bar, &info, TRUE);
  };
  // Showing one bar narrows the client area and may call for the other: twice settles it.
  for (int pass = 0; pass < 2; ++pass) {
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
      set(SB_VERT, FFixedRows, FRowCount, MaxTopRow(), FTopLeft.Y, false);
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
      set(SB_HORZ, FFixedCols, FColCount, MaxLeftCol(), FTopLeft.X, UseRightToLeftAlignment());
  }
  FUpdatingScrollBars = false;
}

void TCustomGrid::ScrollMessage(int bar, int code)
{
  const bool vert = bar == SB_VERT;
  const bool reversed = !vert && UseRightToLeftAlignment();
  const int fixed = vert ? FFixedRows : FFixedCols;
  const int maxFirst = vert ? MaxTopRow() : MaxLeftCol();
  const int first = vert ? FTopLeft.Y : FTopLeft.X;
  const int page = std::max(vert ? GetVisibleRowCount() : GetVisibleColCount(), 1);
  // The thumb's position as the platform shows it, to and from the first cell.
  auto fromBar = [&](int pos) { return reversed ? fixed + maxFirst - pos : pos; };
  int pos = reversed ? fixed + maxFirst - first : first;
  switch (code) {
    case SB_LINEUP: --pos; break;
    case SB_LINEDOWN: ++pos; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_TOP: pos = reversed ? maxFirst : fixed; break;
    case SB_BOTTOM: pos = reversed ? fixed : maxFirst; break;
    case SB_THUMBTRACK:
      if (!FOptions.Contains(goThumbTracking)) return;
      [[fallthrough]];
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      GetScrollInfo(GetHandle(), bar, &info);
      pos = info.nTrackPos;
      break;
    }
    default: return;
  }
  const int target = fromBar(pos);
  if (vert) MoveTopLeft(FTopLeft.X, target);
  else MoveTopLeft(target, FTopLeft.Y);
}

// ===================================================================================================
// The current cell and the selection
void TCustomGrid::SetCol(int value)
{
  if (value == FCurrent.X) return;
  FocusCell(value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int value)
{
  if (value == FCurrent.Y) return;
  FocusCell(FCurrent.X, value, true);
}

TGridRect TCustomGrid::GetSelection() const
{
  TGridRect rect{std::min(FCurrent.X, FAnchor.X), std::min(FCurrent.Y, FAnchor.Y), std::max(FCurrent.X, FAnchor.X),
                 std::max(FCurrent.Y, FAnchor.Y)};
  if (FOptions.Contains(goRowSelect)) {
    rect.Left = FFixedCols;
    rect.Right = FColCount - 1;
  }
  return rect;
}

void TCustomGrid::SetSelection(const TGridRect& value)
{
  const TGridRect old = GetSelection();
  FAnchor = TGridCoord{std::clamp(value.Right, FFixedCols, FColCount - 1), std::clamp(value.Bottom, FFixedRows, FRowCount - 1)};
  FCurrent = TGridCoord{std::clamp(value.Left, FFixedCols, FColCount - 1), std::clamp(value.Top, FFixedRows, FRowCount - 1)};
  ClampInView(FCurrent);
  SelectionMoved(old);
}

bool TCustomGrid::SelectCell(int, int) { return true; }

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor)
{
  MoveCurrent(col, row, moveAnchor, true);
  UpdateEditorPlace();
  Click();
}

void TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show)
{
  if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) throw EInvalidOperation(SGridIndexOutOfRange);
  col = std::max(col, FFixedCols);
  row = std::max(row, FFixedRows);
  if (!SelectCell(col, row)) return;
  const TGridRect old = GetSelection();
  const TGridCoord oldCurrent = FCurrent;
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
  else UpdateText();
  FCurrent = TGridCoord{col, row};
  if (moveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
  if (FOptions.Contains(goRowSelect)) {
    FCurrent.X = FFixedCols;
    FAnchor.X = FColCount - 1;
  }
  if (show) ClampInView(FCurrent);
  SelectionMoved(old);
  InvalidateCell(oldCurrent.X, oldCurrent.Y);
  InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::SelectionMoved(const TGridRect& old)
{
  const TGridRect now = GetSelection();
  if (now == old) return;
  InvalidateGridRect(old);
  InvalidateGridRect(now);
}

// ===================================================================================================
// Painting
void TCustomGrid::Paint()
{
  TCanvas* canvas = GetCanvas();
  const TAxis cols = ColAxis(), rows = RowAxis();
  const int lastCol = cols.LastShown(), lastRow = rows.LastShown();
  canvas->GetFont()->Assign(GetFont());
  // Fixed corner, fixed rows, fixed columns, then the scrolled cells.
  PaintCells(canvas, 0, FFixedCols - 1, 0, FFixedRows - 1);
  PaintCells(canvas, FTopLeft.X, lastCol, 0, FFixedRows - 1);
  PaintCells(canvas, 0, FFixedCols - 1, FTopLeft.Y, lastRow);
  PaintCells(canvas, FTopLeft.X, lastCol, FTopLeft.Y, lastRow);
  PaintLines(canvas);
  // What lies beyond the last cells.
  const int gridRight = cols.End(), gridBottom = rows.End();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(GetColor());
  if (gridRight < cols.Client) canvas->FillRect(FlipRect(TRect(gridRight, 0, cols.Client, rows.Client)));
  if (gridBottom < rows.Client) canvas->FillRect(FlipRect(TRect(0, gridBottom, gridRight, rows.Client)));
}

void TCustomGrid::PaintCells(TCanvas* canvas, int firstCol, int lastCol, int firstRow, int lastRow)
{
  const bool active = HandleAllocated() && (GetFocus() == GetHandle() ||
                                            (FInplaceEdit && FInplaceEdit->HandleAllocated() &&
                                             GetFocus() == FInplaceEdit->GetHandle()));
  const TGridRect selection = GetSelection();
  const bool fixed3D = GetCtl3D() && FOptions.Contains(goFixedVertLine) && FOptions.Contains(goFixedHorzLine);
  for (int row = firstRow; row <= lastRow; ++row) {
    for (int col = firstCol; col <= lastCol; ++col) {
      const TRect logical = LogicalCellRect(col, row);
      if (Empty(logical)) continue;
      const TRect where = FlipRect(logical);
      TGridDrawState state;
      const bool isFixed = col < FFixedCols || row < FFixedRows;
      const bool focused = active && col == FCurrent.X && row == FCurrent.Y;
      if (isFixed) state << gdFixed;
      else {
        if (selection.Contains(col, row)) state << gdSelected;
        if (focused) state << gdFocused;
      }
      if (FDefaultDrawing) {
        TBrush* brush = canvas->GetBrush();
        brush->SetStyle(bsSolid);
        const bool highlight = state.Contains(gdSelected) &&
                               (!state.Contains(gdFocused) || FOptions.Contains(goDrawFocusSelected) ||
                                FOptions.Contains(goRowSelect));
        if (isFixed) {
          brush->SetColor(FFixedColor);
          canvas->GetFont()->SetColor(GetFont()->GetColor());
        } else if (highlight) {
          brush->SetColor(clHighlight);
          canvas->GetFont()->SetColor(clHighlightText);
        } else {
          brush->SetColor(GetColor());
          canvas->GetFont()->SetColor(GetFont()->GetColor());
        }
        canvas->FillRect(where);
      }
      // What the program draws stays within the cell.
      HDC dc = canvas->GetHandle();
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, where.Left, where.Top, where.Right, where.Bottom);
      try {
        DrawCell(col, row, where, state);
      } catch (...) {
        RestoreDC(dc, saved);
        throw;
      }
      RestoreDC(dc, saved);
      if (FDefaultDrawing && isFixed && fixed3D) {
        RECT edge = where;
        DrawEdge(canvas->GetHandle(), &edge, BDR_RAISEDINNER, BF_RECT);
      }
      if (FDefaultDrawing && focused && !FOptions.Contains(goRowSelect) && !GetEditorMode()) {
        canvas->GetBrush()->SetColor(GetColor());
        canvas->DrawFocusRect(where);
      }
    }
  }
  // A selected row shows the focus around the whole row.
  if (FDefaultDrawing && active && FOptions.Contains(goRowSelect) && firstRow >= FFixedRows && firstCol >= FFixedCols &&
      FCurrent.Y >= firstRow && FCurrent.Y <= lastRow) {
    const TRect first = LogicalCellRect(firstCol, FCurrent.Y), last = LogicalCellRect(lastCol, FCurrent.Y);
    if (!Empty(first) && !Empty(last)) canvas->DrawFocusRect(FlipRect(TRect(first.Left, first.Top, last.Right, last.Bottom)));
  }
}

// The lines after each cell: black in the fixed part (when its lines are on), silver between the
// scrolled cells.
void TCustomGrid::PaintLines(TCanvas* canvas)
{
  const TAxis cols = ColAxis(), rows = RowAxis();
  const int right = cols.End(), bottom = rows.End();
  const int fixedRight = cols.FixedBoundary(), fixedBottom = rows.FixedBoundary();
  TBrush* brush = canvas->GetBrush();
  brush->SetStyle(bsSolid);
  auto fill = [&](TColor color, const TRect& r) {
    if (Empty(r)) return;
    brush->SetColor(color);
    canvas->FillRect(FlipRect(r));
  };
  const bool fixedVert = FOptions.Contains(goFixedVertLine), fixedHorz = FOptions.Contains(goFixedHorzLine);
  auto visit = [](const TAxis& axis, auto&& line) {
    for (int i = 0; i < axis.Fixed; ++i) {
      const int start = axis.Start(i);
      if (start >= 0) line(i, start + axis.Extent(i));
    }
    for (int i = axis.First, last = axis.LastShown(); i <= last; ++i) {
      const int start = axis.Start(i);
      if (start >= 0) line(i, start + axis.Extent(i));
    }
  };
  if (cols.Line > 0)
    visit(cols, [&](int col, int x) {
      const TRect gap(x, 0, x + cols.Line, bottom);
      if (col < FFixedCols) {
        if (fixedVert) fill(clBlack, gap);
        return;
      }
      if (fixedVert) fill(clBlack, TRect(x, 0, x + cols.Line, std::min(fixedBottom, bottom)));
      fill(clSilver, TRect(x, fixedBottom, x + cols.Line, bottom));
    });
  if (rows.Line > 0)
    visit(rows, [&](int row, int y) {
      const TRect gap(0, y, right, y + rows.Line);
      if (row < FFixedRows) {
        if (fixedHorz) fill(clBlack, gap);
        return;
      }
      if (fixedHorz) fill(clBlack, TRect(0, y, std::min(fixedRight, right), y + rows.Line));
      fill(clSilver, TRect(fixedRight, y, right, y + rows.Line));
    });
}

// ===================================================================================================
// Stored column widths and row heights, as the VCL stores them: lists of every width, only when one
// differs from the default.
void TCustomGrid::DefineProperties(TFiler* filer)
{
  TCustomControl::DefineProperties(filer);
  const bool widths = std::any_of(FColWidths.begin(), FColWidths.end(), [this](int w) { return w != FDefaultColWidth; });
  const bool heights =
      std::any_of(FRowHeights.begin(), FRowHeights.end(), [this](int h) { return h != FDefaultRowHeight; });
  filer->DefineProperty("ColWidths", [this](TReader* r) { ReadColWidths(r); }, [this](TWriter* w) { WriteColWidths(w); },
                        widths);
  filer->DefineProperty("RowHeights", [this](TReader* r) { ReadRowHeights(r); },
                        [this](TWriter* w) { WriteRowHeights(w); }, heights);
}

void TCustomGrid::ReadColWidths(TReader* reader)
{
  reader->ReadListBegin();
  for (int i = 0; !reader->EndOfList(); ++i) {
    const int width = reader->ReadInteger();
    if (i < FColCount) SetColWidths(i, width);
  }
  reader->ReadListEnd();
}

void TCustomGrid::WriteColWidths(TWriter* writer)
{
  writer->WriteListBegin();
  for (int i = 0; i < FColCount; ++i) writer->WriteInteger(GetColWidths(i));
  writer->WriteListEnd();
}

void TCustomGrid::ReadRowHeights(TReader* reader)
{
  reader->ReadListBegin();
  for (int i = 0; !reader->EndOfList(); ++i) {
    const int height = reader->ReadInteger();
    if (i < FRowCount) SetRowHeights(i, height);
  }
  reader->ReadListEnd();
}

void TCustomGrid::WriteRowHeights(TWriter* writer)
{
  writer->WriteListBegin();
  for (int i = 0; i < FRowCount; ++i) writer->WriteInteger(GetRowHeights(i));
  writer->WriteListEnd();
}
