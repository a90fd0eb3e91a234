// Grids: the custom-drawn grid of the VCL — fixed rows and columns, cells of default and own sizes,
// selection, scrolling by cells, keys and mouse, sizing columns and rows, and the in-place editor —
// with the draw grid (cells painted by OnDrawCell) and the string grid (cells that hold text and
// objects).
//
// Bodies: Grids.cpp (geometry, scrolling, selection, painting), GridsInput.cpp (keys, mouse, sizing,
// the in-place editor), GridsString.cpp (TDrawGrid, TStringGrid and its line views, the unit's
// published properties and registration).
//
// Right to left, column 0 is at the right edge: CellRect, MouseToCell and the painting mirror the
// columns, Left and Right trade places, and the horizontal scroll bar runs the other way. The window
// itself is not mirrored, so OnDrawCell gets the cell's place in the window as it is.
#pragma once

#include <memory>
#include <vector>

#include "Mask.h"
#include "StdCtrls.h"

enum TGridOption {
  goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
  goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
VCL_DECLARE_ENUM(TGridOption);
using TGridOptions = Set<TGridOption, goFixedVertLine, goThumbTracking>;
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
VCL_DECLARE_ENUM(TGridDrawStateItem);
using TGridDrawState = Set<TGridDrawStateItem, gdSelected, gdFixed>;
enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// A block of cells, both corners included.
struct TGridRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  TGridCoord TopLeft() const { return {Left, Top}; }
  TGridCoord BottomRight() const { return {Right, Bottom}; }
  bool Contains(int col, int row) const { return col >= Left && col <= Right && row >= Top && row <= Bottom; }
  bool operator==(const TGridRect&) const = default;
};

class TCustomGrid;
using TDrawCellEvent = TClosure<void(TObject* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)>;
using TSelectCellEvent = TClosure<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TGetEditEvent = TClosure<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;
using TSetEditEvent = TClosure<void(TObject* Sender, int ACol, int ARow, const AnsiString& Value)>;
using TMovedEvent = TClosure<void(TObject* Sender, int FromIndex, int ToIndex)>;

// The editor a grid shows over its current cell, a masked edit when the cell has an edit mask. It
// belongs to the grid and follows it: the grid says what to edit and takes each change.
class TInplaceEdit : public TCustomMaskEdit {
  VCL_DECLARE_CLASS(TInplaceEdit, TCustomMaskEdit)
  explicit TInplaceEdit(TOwnerArg owner);
  TCustomGrid* GetGrid() const { return FGrid; }
  // Places the editor over rect (the grid's client coordinates) and shows it.
  void Move(const TRect& rect);
  void Hide();
  bool IsShowing() const { return FShowing; }

protected:
  void CreateParams(TCreateParams& params) override;
  void Dispatch(void* message) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void Change() override;

private:
  friend class TCustomGrid;
  TCustomGrid* FGrid = nullptr;
  bool FShowing = false;
};

class TCustomGrid : public TCustomControl {
  VCL_DECLARE_CLASS(TCustomGrid, TCustomControl)
  explicit TCustomGrid(TOwnerArg owner);
  ~TCustomGrid() override;
  VCL_PARENT_STORED_PREDICATES

  // Size, fixed part and sizes of the cells.
  int GetColCount() const { return FColCount; }
  void SetColCount(int value);
  int GetRowCount() const { return FRowCount; }
  void SetRowCount(int value);
  int GetFixedCols() const { return FFixedCols; }
  void SetFixedCols(int value);
  int GetFixedRows() const { return FFixedRows; }
  void SetFixedRows(int value);
  int GetDefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(int value);
  int GetDefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int value);
  int GetColWidths(int index) const;
  void SetColWidths(int index, int value);
  int GetRowHeights(int index) const;
  void SetRowHeights(int index, int value);
  int GetGridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int value);
  // Whether Tab leaves the grid from a column (goTabs); all true until set.
  bool GetTabStops(int index) const;
  void SetTabStops(int index, bool value);

  // The current cell, the selection and the first scrolled cell shown.
  int GetCol() const { return FCurrent.X; }
  void SetCol(int value);
  int GetRow() const { return FCurrent.Y; }
  void SetRow(int value);
  TGridRect GetSelection() const;
  void SetSelection(const TGridRect& value);
  int GetLeftCol() const { return FTopLeft.X; }
  void SetLeftCol(int value);
  int GetTopRow() const { return FTopLeft.Y; }
  void SetTopRow(int value);
  // The scrolled columns and rows wholly shown.
  int GetVisibleColCount() const;
  int GetVisibleRowCount() const;
  // The width and height of all cells with their lines, clipped to the client area.
  int GetGridWidth() const;
  int GetGridHeight() const;

  // Look and behaviour.
  TGridOptions GetOptions() const { return FOptions; }
  void SetOptions(TGridOptions value);
  bool GetDefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool value);
  TColor GetFixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor value);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  bool GetEditorMode() const;
  void SetEditorMode(bool value);
  TInplaceEdit* GetInplaceEditor() const { return FInplaceEdit; }

  // Where cells are: the cell's rectangle in the client area (empty when it is scrolled away or past
  // the end), and the cell at a client point (-1, -1 when none is).
  TRect CellRect(int col, int row) const;
  void MouseToCell(int x, int y, int& col, int& row) const;
  TGridCoord MouseCoord(int x, int y) const;
  void InvalidateCell(int col, int row);
  void InvalidateCol(int col);
  void InvalidateRow(int row);
  // Moves a column or a row to another index (the cells' contents go with it in a string grid).
  void MoveColumn(int fromIndex, int toIndex);
  void MoveRow(int fromIndex, int toIndex);

  TNotifyEvent OnTopLeftChanged;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(void* message) override;
  void Paint() override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheelDown(TShiftState shift, const TPoint& mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, const TPoint& mousePos) override;
  void DoExit() override;
  void Loaded() override;
  void DefineProperties(TFiler* filer) override;

  // What descendants fill in.
  virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) = 0;
  virtual bool SelectCell(int col, int row);
  virtual bool CanEditShow() const;
  virtual bool CanEditModify() const { return true; }
  virtual AnsiString GetEditMask(int col, int row);
  virtual AnsiString GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const AnsiString& value);
  virtual void ColumnMoved(int fromIndex, int toIndex);
  virtual void RowMoved(int fromIndex, int toIndex);
  virtual void SizeChanged(int oldColCount, int oldRowCount);
  virtual void TopLeftChanged();
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();

  void ShowEditor();
  void HideEditor();
  // Commits the editor's text to the cell it edits.
  void UpdateText();
  // Raises EDBEditError (the caret on the first blank required position) while the editor's mask
  // is not filled: the user cannot leave the cell so.
  void ValidateEditor();
  // Moves the current cell (and with moveAnchor the selection's anchor), scrolling it into view.
  void MoveCurrent(int col, int row, bool moveAnchor, bool show);
  void FocusCell(int col, int row, bool moveAnchor);
  TGridState GetGridState() const { return FGridState; }

private:
  friend class TInplaceEdit;
  struct TAxis;
  TAxis ColAxis() const;
  TAxis RowAxis() const;
  // Logical (left-to-right) places to the window's and back, the same map both ways: a boundary
  // between pixels, and a pixel (a mouse position).
  int FlipX(int x) const;
  int FlipPixelX(int x) const;
  TRect FlipRect(const TRect& rect) const;
  TRect LogicalCellRect(int col, int row) const;
  int MaxTopRow() const;
  int MaxLeftCol() const;
  void MoveTopLeft(int left, int top);
  void ClampInView(const TGridCoord& cell);
  void UpdateScrollBars();
  void ScrollMessage(int bar, int code);
  void ChangeSize(int colCount, int rowCount);
  void SelectionMoved(const TGridRect& old);
  void InvalidateGridRect(const TGridRect& rect);
  void PaintCells(TCanvas* canvas, int firstCol, int lastCol, int firstRow, int lastRow);
  void PaintLines(TCanvas* canvas);
  bool CalcSizingState(int x, int y, TGridState& state, int& index, int& start) const;
  void ExtendSelection(int x, int y);
  void DrawSizingLine();
  void UpdateEditorPlace();
  void StartEditing(const AnsiString* firstChar);
  void ReadColWidths(TReader* reader);
  void WriteColWidths(TWriter* writer);
  void ReadRowHeights(TReader* reader);
  void WriteRowHeights(TWriter* writer);

  int FColCount = 5;
  int FRowCount = 5;
  int FFixedCols = 1;
  int FFixedRows = 1;
  int FDefaultColWidth = 64;
  int FDefaultRowHeight = 24;
  int FGridLineWidth = 1;
  std::vector<int> FColWidths;   // empty while every column has the default width
  std::vector<int> FRowHeights;  // the same for rows
  std::vector<bool> FTabStops;   // empty while every column is a tab stop
  TGridCoord FCurrent{1, 1};
  TGridCoord FAnchor{1, 1};
  TGridCoord FTopLeft{1, 1};
  TGridOptions FOptions;
  bool FDefaultDrawing = true;
  TColor FFixedColor = clBtnFace;
  TScrollStyle FScrollBars = ssBoth;
  TBorderStyle FBorderStyle = bsSingle;
  TGridState FGridState = gsNormal;
  bool FEditorMode = false;
  TInplaceEdit* FInplaceEdit = nullptr;
  AnsiString FEditOriginal;  // the cell's text when editing began, for Escape
  TGridCoord FEditCell{-1, -1};
  int FSizingIndex = -1;  // the column or row being sized
  int FSizingStart = 0;   // its logical left or top
  int FSizingPos = 0;     // where the line is now (logical)
  bool FSizingLineShown = false;
  bool FUpdatingScrollBars = false;
};

// Cells painted by the program: OnDrawCell for each visible cell, OnGetEditText/OnSetEditText for
// the editor.
class TCustomDrawGrid : public TCustomGrid {
  VCL_DECLARE_CLASS(TCustomDrawGrid, TCustomGrid)
  explicit TCustomDrawGrid(TOwnerArg owner) : TCustomGrid(owner) {}
  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TGetEditEvent OnGetEditMask;
  TGetEditEvent OnGetEditText;
  TSetEditEvent OnSetEditText;
  TMovedEvent OnColumnMoved;
  TMovedEvent OnRowMoved;

protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  bool SelectCell(int col, int row) override;
  AnsiString GetEditMask(int col, int row) override;
  AnsiString GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const AnsiString& value) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void RowMoved(int fromIndex, int toIndex) override;
};

class TDrawGrid : public TCustomDrawGrid {
  VCL_DECLARE_CLASS(TDrawGrid, TCustomDrawGrid)
  explicit TDrawGrid(TOwnerArg owner) : TCustomDrawGrid(owner) {}
};

class TStringGrid;
// One column or row of a string grid as a string list: reading and writing it reads and writes the
// cells. Insert and Delete are refused (a grid's lines are its columns' and rows' count).
class TStringGridStrings : public TStrings {
  VCL_DECLARE_CLASS(TStringGridStrings, TStrings)
  TStringGridStrings(TStringGrid* grid, bool column, int index);
  int Add(const AnsiString& s) override;
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, const AnsiString& s) override;
  AnsiString Get(int index) override;
  void Put(int index, const AnsiString& s) override;
  TObject* GetObject(int index) override;
  void PutObject(int index, TObject* object) override;
  int GetCount() override;
  void Assign(TPersistent* source) override;

private:
  TStringGrid* FGrid;
  bool FColumn;
  int FIndex;
};

// Cells that hold a text and an object each; the text is drawn in the cell. Cells are kept row by
// row, a row only once one of its cells is set, so a large grid of few filled cells stays small.
class TStringGrid : public TDrawGrid {
  VCL_DECLARE_CLASS(TStringGrid, TDrawGrid)
  explicit TStringGrid(TOwnerArg owner);
  ~TStringGrid() override;

  AnsiString GetCells(int col, int row) const;
  void SetCells(int col, int row, const AnsiString& value);
  TObject* GetObjects(int col, int row) const;
  void SetObjects(int col, int row, TObject* value);
  TStrings* GetCols(int index);
  void SetCols(int index, TStrings* value) { GetCols(index)->Assign(value); }
  TStrings* GetRows(int index);
  void SetRows(int index, TStrings* value) { GetRows(index)->Assign(value); }

protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  AnsiString GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const AnsiString& value) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void RowMoved(int fromIndex, int toIndex) override;
  void SizeChanged(int oldColCount, int oldRowCount) override;

private:
  struct TCell {
    AnsiString Text;
    TObject* Object = nullptr;
  };
  using TCellRow = std::vector<TCell>;
  const TCell* FindCell(int col, int row) const;
  TCell& CellAt(int col, int row);
  void CheckCell(int col, int row) const;
  std::vector<std::unique_ptr<TCellRow>> FCells;  // by row; null until a cell of the row is set
  std::vector<std::unique_ptr<TStringGridStrings>> FColViews, FRowViews;
};
