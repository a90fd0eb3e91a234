// The draw and string grids on real windows, driven with real keys and mouse, in both reading
// directions: where cells are, moving between them, selecting, sizing, scrolling, editing in place,
// what is painted, the string grid's cells and lines, and a stored form.
#include <gtest/gtest.h>

#include "Grids.h"
#include "StdInputSupport.h"

using namespace stdinput;
using namespace ostrel::test;

namespace {

const char Shalom[] = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";

POINT Center(const TRect& r) { return POINT{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
bool Empty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

class TEditLog : public TObject {
  VCL_DECLARE_CLASS(TEditLog, TObject)
  TEditLog() = default;
  std::vector<std::string> Sets;
  void Set(TObject*, int col, int row, const AnsiString& value)
  {
    Sets.push_back(std::to_string(col) + "," + std::to_string(row) + "=" + value.c_str());
  }
  void Get(TObject*, int, int, AnsiString& value) { value = "seed"; }
  void Mask(TObject*, int col, int, AnsiString& value)
  {
    if (col == 3) value = "00:00;1;_";
  }
  void Moved(TObject*, int from, int to) { Sets.push_back("moved " + std::to_string(from) + "-" + std::to_string(to)); }
  void Failed(TObject*, Exception* e) { Errors.push_back(e->Message.str()); }
  std::vector<std::string> Errors;
  // Each cell in its own colour, the rectangle drawn a little larger than the cell: the grid clips it.
  void Draw(TObject*, int col, int row, const TRect& rect, TGridDrawState)
  {
    auto* grid = dynamic_cast<TDrawGrid*>(Grid);
    TCanvas* canvas = grid->GetCanvas();
    canvas->GetBrush()->SetColor(TColor(RGB(40 * col, 30 * row, 200)));
    canvas->FillRect(TRect(rect.Left - 3, rect.Top - 3, rect.Right + 3, rect.Bottom + 3));
  }
  TObject* Grid = nullptr;
};
VCL_IMPLEMENT_CLASS(TEditLog)

// An 8 x 30 string grid, column 2 wider and row 3 taller than the others, on a shown form.
class Grids : public ::testing::Test {
protected:
  void SetUp() override
  {
    Form.reset(ctltest::NewForm(460, 300));
    Grid = Place<TStringGrid>(Form.get(), 10, 10, 400, 250);
    Grid->SetColCount(8);
    Grid->SetRowCount(30);
    Grid->SetDefaultColWidth(60);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColWidths(2, 90);
    Grid->SetRowHeights(3, 30);
    ctltest::Pump();
  }
  void SetDirection(bool rtl)
  {
    Grid->SetBiDiMode(rtl ? bdRightToLeft : bdLeftToRight);
    ctltest::Pump();
  }
  bool ClickCell(int col, int row) { return ClickAt(Grid, Center(Grid->CellRect(col, row)).x, Center(Grid->CellRect(col, row)).y); }
  TFormPtr Form;
  TStringGrid* Grid = nullptr;
};

// Every cell shown is found again at its own centre, scrolled or not, in both directions; the fixed
// column sits at the leading edge and a scrolled-away cell has no place.
TEST_F(Grids, CellRectAndMouseToCellRoundTrip)
{
  for (bool rtl : {false, true}) {
    SetDirection(rtl);
    for (TGridCoord topLeft : {TGridCoord{1, 1}, TGridCoord{3, 6}}) {
      Grid->SetLeftCol(topLeft.X);
      Grid->SetTopRow(topLeft.Y);
      SCOPED_TRACE(std::string(rtl ? "rtl" : "ltr") + " left " + std::to_string(topLeft.X));
      int shown = 0;
      for (int col = 0; col < Grid->GetColCount(); ++col)
        for (int row = 0; row < Grid->GetRowCount(); ++row) {
          const TRect r = Grid->CellRect(col, row);
          const bool scrolledAway = (col >= 1 && col < topLeft.X) || (row >= 1 && row < topLeft.Y);
          if (scrolledAway) {
            EXPECT_TRUE(Empty(r)) << col << "," << row;
          }
          if (Empty(r)) continue;
          ++shown;
          int c = -2, w = -2;
          Grid->MouseToCell(Center(r).x, Center(r).y, c, w);
          EXPECT_EQ(c, col);
          EXPECT_EQ(w, row);
        }
      EXPECT_GT(shown, 20);
      const TRect fixed = Grid->CellRect(0, 0), first = Grid->CellRect(topLeft.X, topLeft.Y);
      const int width = Grid->GetClientWidth();
      EXPECT_EQ(rtl ? width - fixed.Right : fixed.Left, 0);
      EXPECT_EQ(rtl ? width - first.Right : first.Left, 61) << "after the fixed column and its line";
      EXPECT_EQ(first.Width(), topLeft.X == 2 ? 90 : 60);
    }
  }
  SetDirection(false);
  Grid->SetColCount(3);
  EXPECT_EQ(Grid->MouseCoord(Grid->GetClientWidth() - 2, 5), (TGridCoord{-1, -1})) << "past the last column";
}

// Keys move the current cell; right to left, Left and Right trade places.
TEST_F(Grids, KeysMoveTheCurrentCell)
{
  Grid->SetOptions(Grid->GetOptions() << goTabs);
  struct Case {
    bool Rtl;
    TGridCoord Start;
    std::vector<std::pair<WORD, Shift>> Keys;
    TGridCoord Expected;
    TGridRect Selection;
  } cases[] = {
      {false, {3, 3}, {{VK_RIGHT, ShiftNone}}, {4, 3}, {4, 3, 4, 3}},
      {false, {3, 3}, {{VK_LEFT, ShiftNone}}, {2, 3}, {2, 3, 2, 3}},
      {true, {3, 3}, {{VK_RIGHT, ShiftNone}}, {2, 3}, {2, 3, 2, 3}},
      {true, {3, 3}, {{VK_LEFT, ShiftNone}}, {4, 3}, {4, 3, 4, 3}},
      {false, {3, 3}, {{VK_UP, ShiftNone}, {VK_UP, ShiftNone}, {VK_UP, ShiftNone}}, {3, 1}, {3, 1, 3, 1}},
      {false, {3, 3}, {{VK_HOME, ShiftNone}}, {1, 3}, {1, 3, 1, 3}},
      {false, {3, 3}, {{VK_END, ShiftNone}}, {7, 3}, {7, 3, 7, 3}},
      {false, {3, 3}, {{VK_END, ShiftCtrl}}, {7, 29}, {7, 29, 7, 29}},
      {false, {5, 20}, {{VK_HOME, ShiftCtrl}}, {1, 1}, {1, 1, 1, 1}},
      {false, {3, 3}, {{VK_RIGHT, ShiftShift}, {VK_DOWN, ShiftShift}}, {4, 4}, {3, 3, 4, 4}},
      {true, {3, 3}, {{VK_LEFT, ShiftShift}}, {4, 3}, {3, 3, 4, 3}},
      {false, {6, 3}, {{VK_TAB, ShiftNone}, {VK_TAB, ShiftNone}}, {1, 4}, {1, 4, 1, 4}},
      {false, {1, 4}, {{VK_TAB, ShiftShift}}, {7, 3}, {7, 3, 7, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.Rtl ? "rtl " : "ltr ") + std::to_string(c.Start.X) + "," + std::to_string(c.Start.Y));
    SetDirection(c.Rtl);
    Grid->SetTopRow(1);
    Grid->SetCol(c.Start.X);
    Grid->SetRow(c.Start.Y);
    ASSERT_TRUE(FocusOn(Grid));
    for (auto [key, shift] : c.Keys) ASSERT_TRUE(KeyPress(key, shift));
    ctltest::Pump();
    EXPECT_EQ((TGridCoord{Grid->GetCol(), Grid->GetRow()}), c.Expected);
    EXPECT_EQ(Grid->GetSelection(), c.Selection);
    EXPECT_FALSE(Empty(Grid->CellRect(Grid->GetCol(), Grid->GetRow()))) << "scrolled into view";
  }
  // A page down moves by the rows shown and scrolls them away.
  SetDirection(false);
  Grid->SetRow(1);
  const int page = Grid->GetVisibleRowCount();
  ASSERT_TRUE(FocusOn(Grid));
  ASSERT_TRUE(KeyPress(VK_NEXT));
  ctltest::Pump();
  EXPECT_EQ(Grid->GetRow(), 1 + page);
  EXPECT_GT(Grid->GetTopRow(), 1);
}

// Clicks pick cells (fixed ones never), a drag selects a block, and with sizing on, dragging a
// fixed cell's line sizes its column or row by the distance dragged, in both directions.
TEST_F(Grids, MouseSelectsAndSizes)
{
  Grid->SetOptions(Grid->GetOptions() << goColSizing << goRowSizing);
  for (bool rtl : {false, true}) {
    SCOPED_TRACE(rtl ? "rtl" : "ltr");
    SetDirection(rtl);
    Grid->SetColWidths(2, 90);
    Grid->SetRowHeights(3, 30);
    ASSERT_TRUE(ClickCell(4, 5));
    EXPECT_EQ((TGridCoord{Grid->GetCol(), Grid->GetRow()}), (TGridCoord{4, 5}));
    ASSERT_TRUE(ClickCell(0, 2));
    EXPECT_EQ((TGridCoord{Grid->GetCol(), Grid->GetRow()}), (TGridCoord{4, 5})) << "a fixed cell is not picked";
    ASSERT_TRUE(Drag(Grid->GetHandle(), Center(Grid->CellRect(2, 2)), Center(Grid->CellRect(3, 4))));
    EXPECT_EQ(Grid->GetSelection(), (TGridRect{2, 2, 3, 4}));

    // Column 2's line in the fixed row, dragged 25 pixels further out; row 3's line in the fixed column.
    const TRect col2 = Grid->CellRect(2, 0), row3 = Grid->CellRect(0, 3);
    const int edge = rtl ? col2.Left - 1 : col2.Right, out = rtl ? -25 : 25;
    ASSERT_TRUE(Drag(Grid->GetHandle(), POINT{edge, 10}, POINT{edge + out, 10}));
    EXPECT_EQ(Grid->GetColWidths(2), 115);
    ASSERT_TRUE(Drag(Grid->GetHandle(), POINT{Center(row3).x, row3.Bottom}, POINT{Center(row3).x, row3.Bottom - 12}));
    EXPECT_EQ(Grid->GetRowHeights(3), 18);
  }
}

// Held past the grid's bottom edge, a drag selection scrolls on by itself until the button goes up.
TEST_F(Grids, DragSelectionScrollsOnPastTheEdge)
{
  const POINT from = Center(Grid->CellRect(2, 2)), below{from.x, Grid->GetClientHeight() + 15};
  ASSERT_TRUE(MouseDown(Grid->GetHandle(), from));
  ASSERT_TRUE(MoveMouse(Grid->GetHandle(), below));
  EXPECT_TRUE(ctltest::WaitFor([&] { return Grid->GetTopRow() >= 5; }, 5000));
  ASSERT_TRUE(MouseUp(Grid->GetHandle(), below));
  const TGridRect selection = Grid->GetSelection();
  EXPECT_EQ(selection.Top, 2);
  EXPECT_GT(selection.Bottom, Grid->GetVisibleRowCount());
  EXPECT_FALSE(Empty(Grid->CellRect(2, selection.Bottom))) << "the selection's end is in view";
  const int top = Grid->GetTopRow();
  ctltest::PumpFor(300);
  EXPECT_EQ(Grid->GetTopRow(), top) << "released, it stops";
}

// The scroll bars' arrows scroll by a cell; right to left the horizontal bar runs the other way.
// Scrolling stops where the last cells fill the grid.
TEST_F(Grids, ScrollBarsScrollByCells)
{
  auto clickBar = [&](LONG objectId, bool nearEnd) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetScrollBarInfo(Grid->GetHandle(), objectId, &info)) return false;
    const RECT& r = info.rcScrollBar;
    const bool vert = objectId == OBJID_VSCROLL;
    const int arrow = vert ? r.right - r.left : r.bottom - r.top;
    POINT at = vert ? POINT{(r.left + r.right) / 2, nearEnd ? r.bottom - arrow / 2 : r.top + arrow / 2}
                    : POINT{nearEnd ? r.right - arrow / 2 : r.left + arrow / 2, (r.top + r.bottom) / 2};
    ScreenToClient(Grid->GetHandle(), &at);
    return PressPath(Grid->GetHandle(), {at});
  };
  for (bool rtl : {false, true}) {
    SCOPED_TRACE(rtl ? "rtl" : "ltr");
    SetDirection(rtl);
    Grid->SetTopRow(1);
    Grid->SetLeftCol(1);
    ASSERT_TRUE(clickBar(OBJID_VSCROLL, true));
    EXPECT_EQ(Grid->GetTopRow(), 2);
    ASSERT_TRUE(clickBar(OBJID_HSCROLL, !rtl));
    EXPECT_EQ(Grid->GetLeftCol(), 2) << "towards the columns hidden past the trailing edge";
  }
  Grid->SetTopRow(1000);
  const int top = Grid->GetTopRow();
  EXPECT_LT(top, 29);
  const int col = Grid->GetLeftCol();
  EXPECT_FALSE(Empty(Grid->CellRect(col, 29)));
  EXPECT_LE(Grid->CellRect(col, 29).Bottom, Grid->GetClientHeight()) << "the last row shown whole";
  EXPECT_GT(Grid->CellRect(col, 29).Bottom + 21, Grid->GetClientHeight()) << "no room for one more row";
}

// The in-place editor: typing starts it with the key, Enter ends it and the cell keeps the text,
// F2 edits what is there, Escape gives the cell back its text, moving away commits, Hebrew in a
// right-to-left grid.
TEST_F(Grids, EditingInPlace)
{
  Grid->SetOptions(Grid->GetOptions() << goEditing);
  Grid->SetCol(2);
  Grid->SetRow(2);
  ASSERT_TRUE(FocusOn(Grid));
  ASSERT_TRUE(TypeText("ab"));
  ctltest::Pump();
  ASSERT_TRUE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetInplaceEditor()->GetText(), AnsiString("ab"));
  EXPECT_EQ(Grid->GetInplaceEditor()->GetBoundsRect(), Grid->CellRect(2, 2));
  ASSERT_TRUE(KeyPress(VK_RETURN));
  ctltest::Pump();
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetCells(2, 2), AnsiString("ab"));

  ASSERT_TRUE(KeyPress(VK_F2));
  ASSERT_TRUE(TypeText("x"));
  ctltest::Pump();
  EXPECT_EQ(Grid->GetCells(2, 2), AnsiString("x")) << "the cell follows the editor";
  ASSERT_TRUE(KeyPress(VK_ESCAPE));
  ctltest::Pump();
  EXPECT_FALSE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetCells(2, 2), AnsiString("ab"));
  EXPECT_TRUE(Grid->Focused());

  ASSERT_TRUE(TypeText("q"));
  ASSERT_TRUE(KeyPress(VK_DOWN));
  ctltest::Pump();
  EXPECT_EQ(Grid->GetCells(2, 2), AnsiString("q"));
  EXPECT_EQ(Grid->GetRow(), 3);
  EXPECT_FALSE(Grid->GetEditorMode());

  SetDirection(true);
  ASSERT_TRUE(FocusOn(Grid));
  ASSERT_TRUE(TypeText(Shalom));
  ctltest::Pump();
  ASSERT_TRUE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetInplaceEditor()->GetBoundsRect(), Grid->CellRect(2, 3));
  ASSERT_TRUE(KeyPress(VK_RETURN));
  ctltest::Pump();
  EXPECT_EQ(Grid->GetCells(2, 3), AnsiString(Shalom));
}

// A cell with an edit mask is edited through it and cannot be left unfilled; a fixed cell dragged
// along its row moves its whole column.
TEST_F(Grids, MaskedCellsAndMovedColumns)
{
  TEditLog log;
  Grid->OnGetEditMask = TGetEditEvent(&log, &TEditLog::Mask);
  Grid->OnColumnMoved = TMovedEvent(&log, &TEditLog::Moved);
  Grid->SetOptions(Grid->GetOptions() << goEditing << goColMoving);
  const TExceptionEvent saved = Application->OnException;
  Application->OnException = TExceptionEvent(&log, &TEditLog::Failed);
  struct Restore {
    TExceptionEvent saved;
    ~Restore() { Application->OnException = saved; }
  } restore{saved};

  Grid->SetCol(3);
  Grid->SetRow(2);
  ASSERT_TRUE(FocusOn(Grid));
  ASSERT_TRUE(TypeText("12"));
  ctltest::Pump();
  ASSERT_TRUE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetInplaceEditor()->GetEditText(), AnsiString("12:__"));
  ASSERT_TRUE(KeyPress(VK_DOWN));
  ctltest::Pump();
  EXPECT_EQ(log.Errors.size(), 1u);
  EXPECT_EQ(Grid->GetRow(), 2) << "an unfilled mask keeps the editor on its cell";
  EXPECT_TRUE(Grid->GetEditorMode());
  ASSERT_TRUE(TypeText("34"));
  ASSERT_TRUE(KeyPress(VK_DOWN));
  ctltest::Pump();
  EXPECT_EQ(Grid->GetCells(3, 2), AnsiString("12:34"));
  EXPECT_EQ(Grid->GetRow(), 3);

  const TRect from = Grid->CellRect(3, 0), to = Grid->CellRect(5, 0);
  ASSERT_TRUE(Drag(Grid->GetHandle(), Center(from), Center(to)));
  EXPECT_EQ(Grid->GetCells(5, 2), AnsiString("12:34"));
  ASSERT_FALSE(log.Sets.empty());
  EXPECT_EQ(log.Sets.back(), "moved 3-5");
}

// With goAlwaysShowEditor the editor follows the current cell and keeps the keys; set in code while
// another control has the focus, it leaves the focus there.
TEST_F(Grids, AnEditorAlwaysShownFollowsTheCurrentCell)
{
  auto* other = Place<TEdit>(Form.get(), 10, 270, 100, 21);
  ctltest::Pump();
  ASSERT_TRUE(FocusOn(other));
  Grid->SetCol(2);
  Grid->SetRow(2);
  Grid->SetOptions(Grid->GetOptions() << goEditing << goAlwaysShowEditor);
  ctltest::Pump();
  EXPECT_TRUE(Grid->GetEditorMode());
  EXPECT_TRUE(other->Focused());

  ASSERT_TRUE(FocusOn(Grid->GetInplaceEditor()));
  ASSERT_TRUE(KeyPress(VK_DOWN));
  ASSERT_TRUE(TypeText("z"));
  ctltest::Pump();
  EXPECT_EQ(Grid->GetRow(), 3);
  EXPECT_TRUE(Grid->GetEditorMode());
  EXPECT_EQ(Grid->GetInplaceEditor()->GetBoundsRect(), Grid->CellRect(2, 3));
  EXPECT_EQ(Grid->GetCells(2, 3), AnsiString("z"));
}

// A draw grid edits through its events: the text to start from comes from OnGetEditText, each
// change goes to OnSetEditText.
TEST_F(Grids, DrawGridEditsThroughItsEvents)
{
  auto* grid = Place<TDrawGrid>(Form.get(), 10, 10, 300, 200);
  TEditLog log;
  grid->OnGetEditText = TGetEditEvent(&log, &TEditLog::Get);
  grid->OnSetEditText = TSetEditEvent(&log, &TEditLog::Set);
  grid->SetOptions(grid->GetOptions() << goEditing);
  ctltest::Pump();
  ASSERT_TRUE(FocusOn(grid));
  ASSERT_TRUE(KeyPress(VK_F2));
  ctltest::Pump();
  ASSERT_TRUE(grid->GetEditorMode());
  EXPECT_EQ(grid->GetInplaceEditor()->GetText(), AnsiString("seed"));
  ASSERT_TRUE(KeyPress(VK_END));
  ASSERT_TRUE(TypeText("s"));
  ASSERT_TRUE(KeyPress(VK_RETURN));
  ctltest::Pump();
  ASSERT_FALSE(log.Sets.empty());
  EXPECT_EQ(log.Sets.front(), "1,1=seeds");
  EXPECT_EQ(log.Sets.back(), "1,1=seeds");
}

// What is painted: fixed cells in FixedColor, the selection highlighted but for the focused cell,
// silver lines between scrolled cells; a draw grid's cells as OnDrawCell paints them, each kept to
// its own cell, in both directions.
TEST_F(Grids, PaintsCellsSelectionAndLines)
{
  Grid->SetSelection(TGridRect{2, 2, 3, 3});
  for (bool rtl : {false, true}) {
    SCOPED_TRACE(rtl ? "rtl" : "ltr");
    SetDirection(rtl);
    ASSERT_TRUE(FocusOn(Grid));
    const ctltest::TPixels pixels = ctltest::Capture(Grid);
    auto at = [&](int col, int row) { return pixels.At(Center(Grid->CellRect(col, row)).x, Center(Grid->CellRect(col, row)).y); };
    EXPECT_EQ(at(0, 2), ColorToRGB(clBtnFace));
    EXPECT_EQ(at(3, 3), ColorToRGB(clHighlight));
    EXPECT_EQ(at(2, 2), ColorToRGB(clWindow)) << "the focused cell shows its focus, not the highlight";
    EXPECT_EQ(at(5, 5), ColorToRGB(clWindow));
    const TRect cell = Grid->CellRect(4, 5);
    EXPECT_EQ(pixels.At(rtl ? cell.Left - 1 : cell.Right, Center(cell).y), ColorToRGB(clSilver));
  }

  Grid->SetVisible(false);
  auto* draw = Place<TDrawGrid>(Form.get(), 10, 10, 300, 200);
  TEditLog painter;
  painter.Grid = draw;
  draw->OnDrawCell = TDrawCellEvent(&painter, &TEditLog::Draw);
  for (bool rtl : {false, true}) {
    draw->SetBiDiMode(rtl ? bdRightToLeft : bdLeftToRight);
    const ctltest::TPixels pixels = ctltest::Capture(draw);
    for (int col = 0; col < 4; ++col)
      for (int row = 0; row < 4; ++row) {
        const TRect r = draw->CellRect(col, row);
        const COLORREF expected = RGB(40 * col, 30 * row, 200);
        EXPECT_EQ(pixels.At(Center(r).x, Center(r).y), expected) << col << "," << row;
        if (col == 0 || row == 0) continue;  // fixed cells get their raised edge over the painting
        EXPECT_EQ(pixels.At(r.Left, r.Top), expected);
        EXPECT_EQ(pixels.At(r.Right - 1, r.Bottom - 1), expected) << "no neighbour drew over it";
      }
  }
}

// Cells, objects and the line views; what leaves with a smaller grid stays gone when it grows
// again; moved columns and rows take their cells along.
TEST_F(Grids, StringGridCellsAndLines)
{
  Grid->SetCells(1, 1, "a");
  Grid->GetRows(2)->Add("r0");
  Grid->GetRows(2)->Add("r1");
  EXPECT_EQ(Grid->GetCells(0, 2), AnsiString("r0")) << "Add fills the first empty cell";
  EXPECT_EQ(Grid->GetCells(1, 2), AnsiString("r1"));
  TObject marker;
  Grid->SetObjects(3, 4, &marker);
  EXPECT_EQ(Grid->GetCols(3)->GetObject(4), &marker);
  EXPECT_EQ(Grid->GetCols(1)->Get(1), AnsiString("a"));
  EXPECT_THROW(Grid->GetCols(1)->Insert(0, "x"), EInvalidOperation);
  EXPECT_THROW(Grid->GetCells(8, 0), EInvalidOperation);

  std::unique_ptr<TStringList> source(new TStringList);
  source->SetCommaText("c0,c1,c2");
  Grid->GetCols(5)->Assign(source.get());
  EXPECT_EQ(Grid->GetCells(5, 2), AnsiString("c2"));
  EXPECT_EQ(Grid->GetCols(5)->GetCount(), 30);

  Grid->MoveColumn(5, 1);
  EXPECT_EQ(Grid->GetCells(1, 0), AnsiString("c0"));
  EXPECT_EQ(Grid->GetCells(2, 1), AnsiString("a")) << "the others shift along";
  Grid->MoveRow(0, 3);
  EXPECT_EQ(Grid->GetCells(1, 3), AnsiString("c0"));

  Grid->SetColCount(2);
  Grid->SetColCount(8);
  EXPECT_EQ(Grid->GetCells(1, 3), AnsiString("c0"));
  EXPECT_EQ(Grid->GetCells(2, 0), AnsiString()) << "cut off with the column";
  EXPECT_THROW(Grid->SetFixedCols(8), EInvalidOperation);
  Grid->SetColCount(1);
  EXPECT_EQ(Grid->GetFixedCols(), 0) << "fewer columns than fixed ones leaves one scrolled column";
}

class TGridsStoredForm : public TForm {
  VCL_DECLARE_CLASS(TGridsStoredForm, TForm)
  TGridsStoredForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  void GridDrawCell(TObject*, int, int, const TRect&, TGridDrawState) {}
  void GridSelectCell(TObject*, int, int, bool&) {}
  void GridGetEdit(TObject*, int, int, AnsiString&) {}
  void GridSetEdit(TObject*, int, int, const AnsiString&) {}
  void GridMoved(TObject*, int, int) {}
  void GridNotify(TObject*) {}
};

VCL_PUBLISHED(TGridsStoredForm)
{
  p.Method("GridDrawCell", &TGridsStoredForm::GridDrawCell);
  p.Method("GridSelectCell", &TGridsStoredForm::GridSelectCell);
  p.Method("GridGetEdit", &TGridsStoredForm::GridGetEdit);
  p.Method("GridSetEdit", &TGridsStoredForm::GridSetEdit);
  p.Method("GridMoved", &TGridsStoredForm::GridMoved);
  p.Method("GridNotify", &TGridsStoredForm::GridNotify);
}

}  // namespace

TEST(GridsStored, BothGridsRoundTripAndReadBack)
{
  RegisterClass(TGridsStoredForm::StaticClass());
  TFormPtr form(new TGridsStoredForm(nullptr, 0));
  const ctltest::TRoundTrip trip = ctltest::RoundTrip(L"TGRIDSSTOREDFORM", form.get());
  ASSERT_FALSE(trip.Stored.empty());
  EXPECT_EQ(ctltest::BinaryToText(trip.Written), ctltest::BinaryToText(trip.Stored));

  auto* strings = ctltest::Find<TStringGrid>(form.get(), "StringGrid1");
  ASSERT_NE(strings, nullptr);
  EXPECT_EQ(strings->GetBorderStyle(), bsNone);
  EXPECT_EQ(strings->GetColCount(), 4);
  EXPECT_FALSE(strings->GetCtl3D());
  EXPECT_EQ(strings->GetDefaultColWidth(), 50);
  EXPECT_EQ(strings->GetDefaultRowHeight(), 18);
  EXPECT_FALSE(strings->GetDefaultDrawing());
  EXPECT_EQ(strings->GetFixedColor(), clInfoBk);
  EXPECT_EQ(strings->GetFixedCols(), 2);
  EXPECT_EQ(strings->GetRowCount(), 12);
  EXPECT_EQ(strings->GetFixedRows(), 0);
  EXPECT_EQ(strings->GetGridLineWidth(), 2);
  EXPECT_EQ(strings->GetOptions(), TGridOptions() << goVertLine << goEditing << goTabs << goThumbTracking);
  EXPECT_EQ(strings->GetScrollBars(), ssVertical);
  EXPECT_EQ(strings->GetColWidths(1), 80);
  EXPECT_EQ(strings->GetColWidths(3), 50);
  EXPECT_EQ(strings->GetBiDiMode(), bdRightToLeft);
  EXPECT_TRUE(bool(strings->OnSetEditText) && bool(strings->OnGetEditMask) && bool(strings->OnTopLeftChanged));

  auto* draw = ctltest::Find<TDrawGrid>(form.get(), "DrawGrid1");
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(draw->GetRowHeights(2), 40);
  EXPECT_EQ(draw->GetRowHeights(0), 24);
  EXPECT_EQ(draw->GetOptions(), TGridOptions() << goFixedVertLine << goRowSelect << goColSizing);
  EXPECT_TRUE(bool(draw->OnDrawCell) && bool(draw->OnSelectCell) && bool(draw->OnColumnMoved));
  EXPECT_FALSE(draw->GetTabStop());
}

// A control that takes its direction from its parent stores none: read back, it would stop following.
TEST(GridsStored, AChildFollowingItsParentsDirectionStoresNone)
{
  TFormPtr form(ctltest::NewForm(200, 100));
  form->SetName("DirectionForm");
  form->SetBiDiMode(bdRightToLeft);
  auto* grid = new TDrawGrid(form.get());  // owned by the form, so written with it
  grid->SetParent(form.get());
  grid->SetName("Follower");
  ASSERT_EQ(grid->GetBiDiMode(), bdRightToLeft);
  ASSERT_TRUE(grid->GetParentBiDiMode());
  std::unique_ptr<TMemoryStream> stream(new TMemoryStream);
  stream->WriteComponent(form.get());
  const std::string text = ctltest::BinaryToText(
      std::string(static_cast<const char*>(stream->GetMemory()), size_t(stream->GetSize())));
  const size_t child = text.find("object Follower");
  ASSERT_NE(child, std::string::npos) << text;
  EXPECT_EQ(text.find("BiDiMode", child), std::string::npos) << text;
}
