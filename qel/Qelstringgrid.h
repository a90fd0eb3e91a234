// The library's string grid: the platform's TStringGrid with the repainting of one cell.
#pragma once

#include "Grids.h"

class TQelStringGrid : public TStringGrid {
  VCL_DECLARE_CLASS(TQelStringGrid, TStringGrid)
  explicit TQelStringGrid(TOwnerArg owner);
  ~TQelStringGrid() override;

  // Invalidates the cell's rectangle (CellRect, so right to left it is the mirrored place) in the
  // grid's window, erasing the background first when Erase. A cell scrolled away or past the end,
  // and a grid without a window, have nothing to repaint: no window is made for it.
  void RepaintCell(int ACol, int ARow, bool Erase);
};
