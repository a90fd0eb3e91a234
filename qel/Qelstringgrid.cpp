// TQelStringGrid: one cell repainted, and registration.
#include "Qelstringgrid.h"

VCL_IMPLEMENT_CLASS(TQelStringGrid)

TQelStringGrid::TQelStringGrid(TOwnerArg owner) : TStringGrid(owner) {}

TQelStringGrid::~TQelStringGrid() = default;

void TQelStringGrid::RepaintCell(int ACol, int ARow, bool Erase)
{
  if (!HandleAllocated()) return;
  const TRect rect = CellRect(ACol, ARow);
  if (rect.Right <= rect.Left || rect.Bottom <= rect.Top) return;
  const RECT area{rect.Left, rect.Top, rect.Right, rect.Bottom};
  InvalidateRect(GetHandle(), &area, Erase ? TRUE : FALSE);
}

namespace {

TUnitInit QelstringgridUnitInit("Qelstringgrid", [] { RegisterClass(TQelStringGrid::StaticClass()); });

}  // namespace
