// Grids: keys, mouse, sizing of columns and rows, and the in-place editor.
#include "Grids.h"
#include "GridsAxis.h"

#include <algorithm>

#include "Consts.h"

VCL_IMPLEMENT_CLASS(TInplaceEdit)

namespace {

// How near a line (in pixels, either side) the mouse sizes its column or row.
constexpr int SizingZone = 3;
// The timer that scrolls a drag selection on while the mouse holds still past an edge.
constexpr UINT_PTR SelectTimer = 1;

// Moves one entry of a per-index list (kept empty while every index has the default) to another
// index.
template <class T, class V>
void MoveEntry(std::vector<T>& list, int from, int to, int count, V fill)
{
  if (list.empty()) return;
  list.resize(size_t(count), T(fill));
  const T value = list[size_t(from)];
  list.erase(list.begin() + from);
  list.insert(list.begin() + to, value);
}

}  // namespace

// ===================================================================================================
// Messages
void TCustomGrid::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      if (FOptions.Contains(goTabs)) message.Result |= DLGC_WANTTAB;
      if (FOptions.Contains(goEditing)) message.Result |= DLGC_WANTALLKEYS;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (message.LParam == 0) {
        ScrollMessage(message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(message.WParam));
        message.Result = 0;
        return;
      }
      break;
    case WM_SIZE:
      TCustomControl::Dispatch(raw);
      UpdateScrollBars();
      MoveTopLeft(std::min(FTopLeft.X, MaxLeftCol()), std::min(FTopLeft.Y, MaxTopRow()));
      UpdateEditorPlace();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(raw);
      InvalidateGridRect(GetSelection());
      return;
    case WM_SETCURSOR:
      if (LOWORD(message.LParam) == HTCLIENT && FGridState == gsNormal) {
        POINT at;
        GetCursorPos(&at);
        ::ScreenToClient(GetHandle(), &at);
        TGridState state;
        int index, start;
        if (CalcSizingState(at.x, at.y, state, index, start)) {
          ::SetCursor(LoadCursorW(nullptr, state == gsColSizing ? IDC_SIZEWE : IDC_SIZENS));
          message.Result = TRUE;
          return;
        }
      }
      break;
    case WM_CHAR:
      // Text beyond ASCII has no single-byte key press: it starts the editor here.
      if (message.WParam >= 0x80 && FOptions.Contains(goEditing) && !GetEditorMode()) {
        const wchar_t typed[2] = {wchar_t(message.WParam), 0};
        const AnsiString text(Utf16ToUtf8(typed));
        StartEditing(&text);
        message.Result = 0;
        return;
      }
      break;
    case WM_TIMER:
      if (message.WParam == SelectTimer) {
        if (FGridState == gsSelecting) {
          POINT at;
          GetCursorPos(&at);
          ::ScreenToClient(GetHandle(), &at);
          ExtendSelection(at.x, at.y);
        } else {
          KillTimer(GetHandle(), SelectTimer);
        }
        return;
      }
      break;
    case WM_CANCELMODE:
      if (HandleAllocated()) KillTimer(GetHandle(), SelectTimer);
      if (FGridState != gsNormal && FGridState != gsSelecting && FSizingLineShown) DrawSizingLine();
      FGridState = gsNormal;
      break;
    default: break;
  }
  TCustomControl::Dispatch(raw);
}

void TCustomGrid::DoExit()
{
  TCustomControl::DoExit();
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
}

// ===================================================================================================
// Keys
void TCustomGrid::KeyDown(WORD& key, TShiftState shift)
{
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  WORD visual = key;
  if (UseRightToLeftAlignment()) {
    if (visual == VK_LEFT) visual = VK_RIGHT;
    else if (visual == VK_RIGHT) visual = VK_LEFT;
  }
  const bool ctrl = shift.Contains(ssCtrl);
  const bool rowSelect = FOptions.Contains(goRowSelect);
  TGridCoord target = FCurrent;
  const int lastCol = FColCount - 1, lastRow = FRowCount - 1;
  const int pageRows = std::max(GetVisibleRowCount(), 1);
  bool handled = true;
  switch (visual) {
    case VK_UP: --target.Y; break;
    case VK_DOWN: ++target.Y; break;
    case VK_PRIOR: target.Y -= pageRows; break;
    case VK_NEXT: target.Y += pageRows; break;
    case VK_LEFT:
      if (rowSelect) SetLeftCol(FTopLeft.X - 1);
      else --target.X;
      break;
    case VK_RIGHT:
      if (rowSelect) SetLeftCol(FTopLeft.X + 1);
      else ++target.X;
      break;
    case VK_HOME:
      if (ctrl) target = TGridCoord{FFixedCols, FFixedRows};
      else if (rowSelect) target.Y = FFixedRows;
      else target.X = FFixedCols;
      break;
    case VK_END:
      if (ctrl) target = TGridCoord{lastCol, lastRow};
      else if (rowSelect) target.Y = lastRow;
      else target.X = lastCol;
      break;
    case VK_TAB: {
      if (!FOptions.Contains(goTabs) || ctrl) {
        handled = false;
        break;
      }
      // The next (or previous) column that is a tab stop, on to the next row at the end.
      const int step = shift.Contains(ssShift) ? -1 : 1;
      const int cols = FColCount - FFixedCols;
      TGridCoord at = FCurrent;
      for (int tries = 0; tries < cols * (FRowCount - FFixedRows); ++tries) {
        at.X += step;
        if (at.X > lastCol) {
          if (at.Y == lastRow) break;
          at = TGridCoord{FFixedCols, at.Y + 1};
        } else if (at.X < FFixedCols) {
          if (at.Y == FFixedRows) break;
          at = TGridCoord{lastCol, at.Y - 1};
        }
        if (GetTabStops(at.X)) {
          target = at;
          break;
        }
      }
      break;
    }
    case VK_F2:
      if (FOptions.Contains(goEditing)) SetEditorMode(true);
      else handled = false;
      break;
    default: handled = false; break;
  }
  if (!handled) return;
  key = 0;
  target.X = std::clamp(target.X, FFixedCols, lastCol);
  target.Y = std::clamp(target.Y, FFixedRows, lastRow);
  if (target == FCurrent) {
    ClampInView(FCurrent);
    return;
  }
  const bool extend = shift.Contains(ssShift) && visual != VK_TAB;
  ValidateEditor();
  FocusCell(target.X, target.Y, !extend);
}

void TCustomGrid::KeyPress(char& key)
{
  TCustomControl::KeyPress(key);
  if (key == 0 || !FOptions.Contains(goEditing)) return;
  if (key == '\r') {
    if (GetEditorMode() && !FOptions.Contains(goAlwaysShowEditor)) {
      ValidateEditor();
      HideEditor();
    } else {
      ShowEditor();
    }
    key = 0;
  } else if (static_cast<unsigned char>(key) >= 0x20 && key != 0x7f) {
    const AnsiString text(key);
    StartEditing(&text);
    key = 0;
  }
}

// ===================================================================================================
// Mouse
bool TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& start) const
{
  const TAxis cols = ColAxis(), rows = RowAxis();
  const int lx = FlipPixelX(x);
  auto hits = [](const TAxis& axis, int pos, int& hit, int& hitStart) {
    auto check = [&](int i) {
      const int s = axis.Start(i);
      if (s < 0) return false;
      const int end = s + axis.Extent(i);
      if (pos >= end - SizingZone && pos <= end + axis.Line + SizingZone - 1) {
        hit = i;
        hitStart = s;
        return true;
      }
      return false;
    };
    // The later cell wins where zones overlap, so a cell sized to nothing can be widened again.
    for (int i = axis.LastShown(); i >= axis.First; --i)
      if (check(i)) return true;
    for (int i = axis.Fixed - 1; i >= 0; --i)
      if (check(i)) return true;
    return false;
  };
  if (FOptions.Contains(goColSizing) && y < rows.FixedBoundary() && hits(cols, lx, index, start)) {
    state = gsColSizing;
    return true;
  }
  if (FOptions.Contains(goRowSizing) && lx < cols.FixedBoundary() && hits(rows, y, index, start)) {
    state = gsRowSizing;
    return true;
  }
  return false;
}

// The line that shows where a sized column or row will end; drawn again, it goes.
void TCustomGrid::DrawSizingLine()
{
  if (!HandleAllocated()) return;
  HDC dc = GetDC(GetHandle());
  if (!dc) return;
  const int width = std::max(FGridLineWidth, 1);
  const TRect line = FGridState == gsColSizing || FGridState == gsColMoving
                         ? FlipRect(TRect(FSizingPos, 0, FSizingPos + width, GetClientHeight()))
                         : TRect(0, FSizingPos, GetClientWidth(), FSizingPos + width);
  PatBlt(dc, line.Left, line.Top, line.Width(), line.Height(), DSTINVERT);
  ReleaseDC(GetHandle(), dc);
  FSizingLineShown = !FSizingLineShown;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
  if (CanFocus() && !Focused() && !(FInplaceEdit && FInplaceEdit->Focused())) SetFocus();
  if (button == mbLeft && !shift.Contains(ssDouble)) {
    TGridState sizing;
    int index, start;
    if (CalcSizingState(x, y, sizing, index, start)) {
      ValidateEditor();
      HideEditor();
      FGridState = sizing;
      FSizingIndex = index;
      FSizingStart = start;
      FSizingPos = sizing == gsColSizing ? FlipPixelX(x) : y;
      FSizingLineShown = false;
      DrawSizingLine();
    } else {
      const TGridCoord hit = MouseCoord(x, y);
      const bool colMove = FOptions.Contains(goColMoving) && hit.Y >= 0 && hit.Y < FFixedRows && hit.X >= FFixedCols;
      const bool rowMove = FOptions.Contains(goRowMoving) && hit.X >= 0 && hit.X < FFixedCols && hit.Y >= FFixedRows;
      if (colMove || rowMove) {
        ValidateEditor();
        HideEditor();
        FGridState = colMove ? gsColMoving : gsRowMoving;
        FSizingIndex = colMove ? hit.X : hit.Y;  // what moves
        FSizingStart = FSizingIndex;             // where it goes
        FSizingLineShown = false;
      } else if (hit.X >= FFixedCols && hit.Y >= FFixedRows) {
        if (FOptions.Contains(goEditing)) {
          if (hit == FCurrent) {
            ShowEditor();
          } else {
            ValidateEditor();
            FocusCell(hit.X, hit.Y, true);
          }
        } else {
          FGridState = gsSelecting;
          SetTimer(GetHandle(), SelectTimer, 60, nullptr);
          if (shift.Contains(ssShift) && FOptions.Contains(goRangeSelect)) {
            const TGridRect old = GetSelection();
            FAnchor = hit;
            SelectionMoved(old);
          } else {
            MoveCurrent(hit.X, hit.Y, true, true);
          }
        }
      }
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

// Dragging selects from the pressed cell to the one under the mouse; past an edge the selection goes
// on into the cells scrolled away there, one per move and, while the mouse holds still out there,
// one per tick of the grid's timer.
void TCustomGrid::ExtendSelection(int x, int y)
{
  if (!FOptions.Contains(goRangeSelect)) {
    const TGridCoord hit = MouseCoord(x, y);
    if (hit.X >= FFixedCols && hit.Y >= FFixedRows && !(hit == FCurrent)) MoveCurrent(hit.X, hit.Y, true, true);
    return;
  }
  const TAxis cols = ColAxis(), rows = RowAxis();
  auto along = [](const TAxis& axis, int pos, int at) {
    if (pos >= axis.Client) return std::min(at + 1, axis.Count - 1);
    if (pos < axis.FixedBoundary()) return std::max(at - 1, axis.Fixed);
    const int cell = axis.CellAt(pos);
    return cell < 0 ? at : cell;
  };
  TGridCoord to{along(cols, FlipPixelX(x), FAnchor.X), along(rows, y, FAnchor.Y)};
  if (FOptions.Contains(goRowSelect)) to.X = FColCount - 1;
  if (to == FAnchor) return;
  const TGridRect old = GetSelection();
  FAnchor = to;
  ClampInView(to);
  SelectionMoved(old);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y)
{
  switch (FGridState) {
    case gsSelecting:
      ExtendSelection(x, y);
      break;
    case gsColMoving:
    case gsRowMoving: {
      // The line shows where the column or row will go: before the cell under the mouse, or after
      // it past the moved one.
      const bool cols = FGridState == gsColMoving;
      const TAxis axis = cols ? ColAxis() : RowAxis();
      const int cell = axis.CellAt(cols ? FlipPixelX(x) : y);
      if (cell < axis.Fixed) break;
      if (FSizingLineShown) DrawSizingLine();
      FSizingStart = cell;
      const int start = axis.Start(cell);
      FSizingPos = cell > FSizingIndex ? start + axis.Extent(cell) : std::max(start - axis.Line, 0);
      DrawSizingLine();
      break;
    }
    case gsColSizing:
    case gsRowSizing:
      if (FSizingLineShown) DrawSizingLine();
      FSizingPos = std::max(FGridState == gsColSizing ? FlipPixelX(x) : y, FSizingStart);
      DrawSizingLine();
      break;
    default: break;
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
  const TGridState state = FGridState;
  FGridState = gsNormal;
  if (HandleAllocated()) KillTimer(GetHandle(), SelectTimer);
  if (state == gsColSizing || state == gsRowSizing) {
    if (FSizingLineShown) DrawSizingLine();
    const int size = std::max((state == gsColSizing ? FlipPixelX(x) : y) - FSizingStart, 0);
    if (state == gsColSizing) SetColWidths(FSizingIndex, size);
    else SetRowHeights(FSizingIndex, size);
  } else if (state == gsColMoving || state == gsRowMoving) {
    if (FSizingLineShown) DrawSizingLine();
    if (FSizingStart != FSizingIndex) {
      if (state == gsColMoving) MoveColumn(FSizingIndex, FSizingStart);
      else MoveRow(FSizingIndex, FSizingStart);
    }
  } else if (state == gsSelecting) {
    Click();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos)
{
  if (TCustomControl::DoMouseWheelDown(shift, mousePos)) return true;
  if (FCurrent.Y < FRowCount - 1) SetRow(FCurrent.Y + 1);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos)
{
  if (TCustomControl::DoMouseWheelUp(shift, mousePos)) return true;
  if (FCurrent.Y > FFixedRows) SetRow(FCurrent.Y - 1);
  return true;
}

// ===================================================================================================
// Moving columns and rows
void TCustomGrid::MoveColumn(int fromIndex, int toIndex)
{
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= FColCount || toIndex >= FColCount)
    throw EInvalidOperation(SGridIndexOutOfRange);
  if (fromIndex == toIndex) return;
  HideEditor();
  MoveEntry(FColWidths, fromIndex, toIndex, FColCount, FDefaultColWidth);
  MoveEntry(FTabStops, fromIndex, toIndex, FColCount, true);
  ColumnMoved(fromIndex, toIndex);
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex)
{
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= FRowCount || toIndex >= FRowCount)
    throw EInvalidOperation(SGridIndexOutOfRange);
  if (fromIndex == toIndex) return;
  HideEditor();
  MoveEntry(FRowHeights, fromIndex, toIndex, FRowCount, FDefaultRowHeight);
  RowMoved(fromIndex, toIndex);
  Invalidate();
  UpdateScrollBars();
}

void TCustomGrid::ColumnMoved(int, int) {}
void TCustomGrid::RowMoved(int, int) {}

// ===================================================================================================
// The in-place editor, as the grid drives it
bool TCustomGrid::CanEditShow() const
{
  return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FCurrent.X >= FFixedCols &&
         FCurrent.Y >= FFixedRows;
}

AnsiString TCustomGrid::GetEditMask(int, int) { return AnsiString(); }
AnsiString TCustomGrid::GetEditText(int, int) { return AnsiString(); }

void TCustomGrid::ValidateEditor()
{
  if (FInplaceEdit && FInplaceEdit->IsShowing()) FInplaceEdit->ValidateEdit();
}
void TCustomGrid::SetEditText(int, int, const AnsiString&) {}

bool TCustomGrid::GetEditorMode() const { return FEditorMode && FInplaceEdit && FInplaceEdit->IsShowing(); }

void TCustomGrid::SetEditorMode(bool value)
{
  if (value) ShowEditor();
  else HideEditor();
}

void TCustomGrid::ShowEditor() { StartEditing(nullptr); }

void TCustomGrid::StartEditing(const AnsiString* firstText)
{
  if (!HandleAllocated() || !CanEditShow()) return;
  ClampInView(FCurrent);
  const TRect place = CellRect(FCurrent.X, FCurrent.Y);
  if (place.Right <= place.Left || place.Bottom <= place.Top) return;
  if (!FInplaceEdit) {
    FInplaceEdit = new TInplaceEdit(this);
    FInplaceEdit->FGrid = this;
    FInplaceEdit->SetParent(this);
  }
  if (!GetEditorMode() || !(FEditCell == FCurrent)) {
    FEditCell = FCurrent;
    FEditOriginal = GetEditText(FCurrent.X, FCurrent.Y);
    FInplaceEdit->FShowing = false;  // no change is told while the cell's own text goes in
    FInplaceEdit->SetReadOnly(!CanEditModify());
    FInplaceEdit->SetEditMask(GetEditMask(FCurrent.X, FCurrent.Y));
    FInplaceEdit->SetText(FEditOriginal);
  }
  FEditorMode = true;
  FInplaceEdit->Move(place);
  // The editor takes the focus from the grid, never from another control (goAlwaysShowEditor set
  // in code shows it without moving the focus).
  if (Focused() || FInplaceEdit->Focused()) FInplaceEdit->SetFocus();
  if (firstText && CanEditModify()) {
    // The key that started editing is typed into the emptied editor, mask and all.
    FInplaceEdit->SetText(AnsiString());
    FInplaceEdit->SetSelStart(0);
    for (wchar_t ch : Utf8ToUtf16(firstText->c_str())) SendMessageW(FInplaceEdit->GetHandle(), WM_CHAR, WPARAM(ch), 0);
  } else {
    FInplaceEdit->SelectAll();
  }
  InvalidateCell(FCurrent.X, FCurrent.Y);
}

void TCustomGrid::UpdateText()
{
  if (FInplaceEdit && FInplaceEdit->IsShowing() && FEditCell.X >= 0 && CanEditModify())
    SetEditText(FEditCell.X, FEditCell.Y, FInplaceEdit->GetText());
}

void TCustomGrid::HideEditor()
{
  if (!FInplaceEdit || !FInplaceEdit->IsShowing()) {
    FEditorMode = false;
    return;
  }
  UpdateText();
  const bool hadFocus = FInplaceEdit->Focused();
  FInplaceEdit->Hide();
  FEditorMode = false;
  const TGridCoord cell = FEditCell;
  FEditCell = TGridCoord{-1, -1};
  if (hadFocus && CanFocus()) SetFocus();
  InvalidateCell(cell.X, cell.Y);
}

// After a move, a scroll or a new size the editor sits over its cell again; with goAlwaysShowEditor
// it follows the current cell.
void TCustomGrid::UpdateEditorPlace()
{
  if (!FInplaceEdit || !FInplaceEdit->IsShowing()) {
    if (FOptions.Contains(goAlwaysShowEditor) && FOptions.Contains(goEditing) && FEditorMode) StartEditing(nullptr);
    return;
  }
  if (!(FEditCell == FCurrent)) {
    UpdateText();
    const bool hadFocus = FInplaceEdit->Focused();
    FInplaceEdit->Hide();
    FEditCell = TGridCoord{-1, -1};
    if (hadFocus && CanFocus()) SetFocus();  // so that the editor of the new cell takes it back
    StartEditing(nullptr);
    return;
  }
  const TRect place = CellRect(FEditCell.X, FEditCell.Y);
  if (place.Right <= place.Left || place.Bottom <= place.Top) HideEditor();
  else FInplaceEdit->Move(place);
}

// ===================================================================================================
// TInplaceEdit
TInplaceEdit::TInplaceEdit(TOwnerArg owner) : TCustomMaskEdit(owner)
{
  SetBorderStyle(bsNone);
  SetAutoSelect(false);
  SetTabStop(false);
  SetVisible(false);
}

void TInplaceEdit::CreateParams(TCreateParams& params)
{
  TCustomMaskEdit::CreateParams(params);
  params.Style |= ES_AUTOHSCROLL;
}

void TInplaceEdit::Move(const TRect& rect)
{
  SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
  FShowing = true;
  SetVisible(true);
  BringToFront();
  if (HandleAllocated()) SendMessageW(GetHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(2, 2));
}

void TInplaceEdit::Hide()
{
  FShowing = false;
  SetVisible(false);
}

void TInplaceEdit::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
    if (FGrid && FGrid->GetOptions().Contains(goTabs)) message.Result |= DLGC_WANTTAB;
    return;
  }
  TCustomMaskEdit::Dispatch(raw);
}

// Keys that move between cells go to the grid: up and down always, left and right when the caret
// is at the edge they point past.
void TInplaceEdit::KeyDown(WORD& key, TShiftState shift)
{
  if (key == VK_ESCAPE && FGrid && shift.Empty()) {
    // The cell gets back what it held when editing began.
    SetText(FGrid->FEditOriginal);
    FGrid->HideEditor();
    key = 0;
    return;
  }
  TCustomMaskEdit::KeyDown(key, shift);
  if (key == 0 || !FGrid) return;
  auto toGrid = [&] {
    FGrid->KeyDown(key, shift);
    key = 0;
  };
  switch (key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: toGrid(); break;
    case VK_TAB:
      if (FGrid->GetOptions().Contains(goTabs)) toGrid();
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      if (shift.Contains(ssShift) || GetSelLength() != 0) break;
      const int length = int(Utf8ToUtf16(GetEditText().c_str()).size());
      // Right to left the caret's start is at the right (a masked editor reads left to right).
      const bool towardsStart = (key == VK_LEFT) != (UseRightToLeftReading() && !IsMasked());
      if ((towardsStart && GetSelStart() == 0) || (!towardsStart && GetSelStart() == length)) toGrid();
      break;
    }
    default: break;
  }
}

void TInplaceEdit::KeyPress(char& key)
{
  TCustomMaskEdit::KeyPress(key);
  if (!FGrid) return;
  if (key == '\r') {
    FGrid->KeyPress(key);
    key = 0;
  } else if (key == '\t' || key == 27) {
    key = 0;  // handled as keys; no beep for them
  }
}

void TInplaceEdit::Change()
{
  TCustomMaskEdit::Change();
  if (FShowing && FGrid) FGrid->UpdateText();
}
