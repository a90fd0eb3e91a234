// Grids: the draw grid, the string grid and its line views, the unit's published properties and its
// registration.
#include "Grids.h"

#include <algorithm>

#include "Consts.h"
#include "ControlsPublish.h"

VCL_IMPLEMENT_CLASS(TCustomDrawGrid)
VCL_IMPLEMENT_CLASS(TStringGridStrings)

namespace {


// The properties of the VCL's two grids, in one order: the counts before the fixed counts they
// bound, so a stored form reads back whatever order its values come in.
template <class T>
void PublishGrid(TPublisher<T>& p)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("BorderStyle", &T::GetBorderStyle, &T::SetBorderStyle).Default(bsSingle);
  p.Property("ColCount", &T::GetColCount, &T::SetColCount).Default(5);
  p.Property("Ctl3D", &T::GetCtl3D, &T::SetCtl3D).Default(true);
  p.Property("DefaultColWidth", &T::GetDefaultColWidth, &T::SetDefaultColWidth).Default(64);
  p.Property("DefaultRowHeight", &T::GetDefaultRowHeight, &T::SetDefaultRowHeight).Default(24);
  p.Property("DefaultDrawing", &T::GetDefaultDrawing, &T::SetDefaultDrawing).Default(true);
  PublishDrag(p);
  p.Property("FixedColor", &T::GetFixedColor, &T::SetFixedColor).Default(clBtnFace);
  p.Property("FixedCols", &T::GetFixedCols, &T::SetFixedCols).Default(1);
  p.Property("RowCount", &T::GetRowCount, &T::SetRowCount).Default(5);
  p.Property("FixedRows", &T::GetFixedRows, &T::SetFixedRows).Default(1);
  p.Property("GridLineWidth", &T::GetGridLineWidth, &T::SetGridLineWidth).Default(1);
  p.Property("Options", &T::GetOptions, &T::SetOptions)
      .Default(TGridOptions() << goFixedVertLine << goFixedHorzLine << goVertLine << goHorzLine << goRangeSelect);
  p.Property("ParentCtl3D", &T::GetParentCtl3D, &T::SetParentCtl3D).Default(true);
  p.Property("ScrollBars", &T::GetScrollBars, &T::SetScrollBars).Default(ssBoth);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, true);
  PublishMouseEvents(p);
  PublishDragEvents(p);
  p.Property("OnColumnMoved", &T::OnColumnMoved, &T::OnColumnMoved);
  p.Property("OnDrawCell", &T::OnDrawCell, &T::OnDrawCell);
  p.Property("OnGetEditMask", &T::OnGetEditMask, &T::OnGetEditMask);
  p.Property("OnGetEditText", &T::OnGetEditText, &T::OnGetEditText);
  p.Property("OnMouseWheelDown", &T::OnMouseWheelDown, &T::OnMouseWheelDown);
  p.Property("OnMouseWheelUp", &T::OnMouseWheelUp, &T::OnMouseWheelUp);
  p.Property("OnRowMoved", &T::OnRowMoved, &T::OnRowMoved);
  p.Property("OnSelectCell", &T::OnSelectCell, &T::OnSelectCell);
  p.Property("OnSetEditText", &T::OnSetEditText, &T::OnSetEditText);
  p.Property("OnTopLeftChanged", &T::OnTopLeftChanged, &T::OnTopLeftChanged);
}

}  // namespace

VCL_PUBLISHED(TDrawGrid) { PublishGrid(p); }
VCL_PUBLISHED(TStringGrid) { PublishGrid(p); }

static TUnitInit GridsUnitInit("Grids", [] { RegisterClasses({TDrawGrid::StaticClass(), TStringGrid::StaticClass()}); });

// ===================================================================================================
// TCustomDrawGrid
void TCustomDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state)
{
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

bool TCustomDrawGrid::SelectCell(int col, int row)
{
  bool can = true;
  if (OnSelectCell) OnSelectCell(this, col, row, can);
  return can;
}

AnsiString TCustomDrawGrid::GetEditMask(int col, int row)
{
  AnsiString value;
  if (OnGetEditMask) OnGetEditMask(this, col, row, value);
  return value;
}

AnsiString TCustomDrawGrid::GetEditText(int col, int row)
{
  AnsiString value;
  if (OnGetEditText) OnGetEditText(this, col, row, value);
  return value;
}

void TCustomDrawGrid::SetEditText(int col, int row, const AnsiString& value)
{
  if (OnSetEditText) OnSetEditText(this, col, row, value);
}

void TCustomDrawGrid::ColumnMoved(int fromIndex, int toIndex)
{
  if (OnColumnMoved) OnColumnMoved(this, fromIndex, toIndex);
}

void TCustomDrawGrid::RowMoved(int fromIndex, int toIndex)
{
  if (OnRowMoved) OnRowMoved(this, fromIndex, toIndex);
}

// ===================================================================================================
// TStringGrid
TStringGrid::TStringGrid(TOwnerArg owner) : TDrawGrid(owner) { FCells.resize(size_t(GetRowCount())); }

TStringGrid::~TStringGrid() = default;

void TStringGrid::CheckCell(int col, int row) const
{
  if (col < 0 || row < 0 || col >= GetColCount() || row >= GetRowCount()) throw EInvalidOperation(SGridIndexOutOfRange);
}

const TStringGrid::TCell* TStringGrid::FindCell(int col, int row) const
{
  CheckCell(col, row);
  const TCellRow* cells = FCells[size_t(row)].get();
  return cells && size_t(col) < cells->size() ? &(*cells)[size_t(col)] : nullptr;
}

TStringGrid::TCell& TStringGrid::CellAt(int col, int row)
{
  CheckCell(col, row);
  auto& cells = FCells[size_t(row)];
  if (!cells) cells = std::make_unique<TCellRow>();
  if (cells->size() <= size_t(col)) cells->resize(size_t(GetColCount()));
  return (*cells)[size_t(col)];
}

AnsiString TStringGrid::GetCells(int col, int row) const
{
  const TCell* cell = FindCell(col, row);
  return cell ? cell->Text : AnsiString();
}

void TStringGrid::SetCells(int col, int row, const AnsiString& value)
{
  TCell& cell = CellAt(col, row);
  if (cell.Text == value) return;
  cell.Text = value;
  InvalidateCell(col, row);
}

TObject* TStringGrid::GetObjects(int col, int row) const
{
  const TCell* cell = FindCell(col, row);
  return cell ? cell->Object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TObject* value) { CellAt(col, row).Object = value; }

TStrings* TStringGrid::GetCols(int index)
{
  if (index < 0 || index >= GetColCount()) throw EInvalidOperation(SGridIndexOutOfRange);
  if (FColViews.size() <= size_t(index)) FColViews.resize(size_t(GetColCount()));
  auto& view = FColViews[size_t(index)];
  if (!view) view = std::make_unique<TStringGridStrings>(this, true, index);
  return view.get();
}

TStrings* TStringGrid::GetRows(int index)
{
  if (index < 0 || index >= GetRowCount()) throw EInvalidOperation(SGridIndexOutOfRange);
  if (FRowViews.size() <= size_t(index)) FRowViews.resize(size_t(GetRowCount()));
  auto& view = FRowViews[size_t(index)];
  if (!view) view = std::make_unique<TStringGridStrings>(this, false, index);
  return view.get();
}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount)
{
  TDrawGrid::SizeChanged(oldColCount, oldRowCount);
  FCells.resize(size_t(GetRowCount()));
  if (GetColCount() < oldColCount)
    for (auto& row : FCells)
      if (row && row->size() > size_t(GetColCount())) row->resize(size_t(GetColCount()));
  if (FColViews.size() > size_t(GetColCount())) FColViews.resize(size_t(GetColCount()));
  if (FRowViews.size() > size_t(GetRowCount())) FRowViews.resize(size_t(GetRowCount()));
}

void TStringGrid::ColumnMoved(int fromIndex, int toIndex)
{
  for (auto& row : FCells) {
    if (!row) continue;
    row->resize(size_t(GetColCount()));
    TCell moved = std::move((*row)[size_t(fromIndex)]);
    row->erase(row->begin() + fromIndex);
    row->insert(row->begin() + toIndex, std::move(moved));
  }
  TDrawGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex)
{
  auto moved = std::move(FCells[size_t(fromIndex)]);
  FCells.erase(FCells.begin() + fromIndex);
  FCells.insert(FCells.begin() + toIndex, std::move(moved));
  TDrawGrid::RowMoved(fromIndex, toIndex);
}

// The text 2 pixels in from the cell's leading edge; right to left it is read and placed from the
// right.
void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state)
{
  if (!GetDefaultDrawing()) {
    TDrawGrid::DrawCell(col, row, rect, state);
    return;
  }
  const TCell* cell = FindCell(col, row);
  if (cell && !cell->Text.IsEmpty()) {
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetStyle(bsClear);
    RECT box = TRect(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom);
    const std::wstring text = Utf8ToUtf16(cell->Text.c_str());
    UINT flags = DT_NOPREFIX | DT_SINGLELINE | DT_TOP;
    if (UseRightToLeftAlignment()) flags |= DT_RIGHT | DT_RTLREADING;
    DrawTextW(canvas->GetHandle(), text.c_str(), int(text.size()), &box, flags);
    canvas->GetBrush()->SetStyle(bsSolid);
  }
  TDrawGrid::DrawCell(col, row, rect, state);
}

AnsiString TStringGrid::GetEditText(int col, int row)
{
  AnsiString value = GetCells(col, row);
  if (OnGetEditText) OnGetEditText(this, col, row, value);
  return value;
}

void TStringGrid::SetEditText(int col, int row, const AnsiString& value)
{
  SetCells(col, row, value);
  TDrawGrid::SetEditText(col, row, value);
}

// ===================================================================================================
// TStringGridStrings
TStringGridStrings::TStringGridStrings(TStringGrid* grid, bool column, int index)
    : FGrid(grid), FColumn(column), FIndex(index)
{
}

int TStringGridStrings::GetCount() { return FColumn ? FGrid->GetRowCount() : FGrid->GetColCount(); }

AnsiString TStringGridStrings::Get(int index)
{
  if (index < 0 || index >= GetCount()) throw EStringListError(Format(SListIndexError, {index}));
  return FColumn ? FGrid->GetCells(FIndex, index) : FGrid->GetCells(index, FIndex);
}

void TStringGridStrings::Put(int index, const AnsiString& s)
{
  if (index < 0 || index >= GetCount()) throw EStringListError(Format(SListIndexError, {index}));
  if (FColumn) FGrid->SetCells(FIndex, index, s);
  else FGrid->SetCells(index, FIndex, s);
}

TObject* TStringGridStrings::GetObject(int index)
{
  if (index < 0 || index >= GetCount()) throw EStringListError(Format(SListIndexError, {index}));
  return FColumn ? FGrid->GetObjects(FIndex, index) : FGrid->GetObjects(index, FIndex);
}

void TStringGridStrings::PutObject(int index, TObject* object)
{
  if (index < 0 || index >= GetCount()) throw EStringListError(Format(SListIndexError, {index}));
  if (FColumn) FGrid->SetObjects(FIndex, index, object);
  else FGrid->SetObjects(index, FIndex, object);
}

// The first empty cell of the line takes the text; -1 when the line is full.
int TStringGridStrings::Add(const AnsiString& s)
{
  for (int i = 0, count = GetCount(); i < count; ++i) {
    if (Get(i).IsEmpty() && !GetObject(i)) {
      Put(i, s);
      return i;
    }
  }
  return -1;
}

void TStringGridStrings::Clear()
{
  for (int i = 0, count = GetCount(); i < count; ++i) {
    Put(i, AnsiString());
    PutObject(i, nullptr);
  }
}

void TStringGridStrings::Delete(int) { throw EInvalidOperation(SInvalidStringGridOp); }
void TStringGridStrings::Insert(int, const AnsiString&) { throw EInvalidOperation(SInvalidStringGridOp); }

// Another list's lines fill this line's cells from the first; the cells past them are emptied.
void TStringGridStrings::Assign(TPersistent* source)
{
  auto* strings = dynamic_cast<TStrings*>(source);
  if (!strings) {
    TStrings::Assign(source);
    return;
  }
  BeginUpdate();
  const int count = GetCount();
  for (int i = 0; i < count; ++i) {
    const bool has = i < strings->GetCount();
    Put(i, has ? strings->Get(i) : AnsiString());
    PutObject(i, has ? strings->GetObject(i) : nullptr);
  }
  EndUpdate();
}
