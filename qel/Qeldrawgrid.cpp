// TQelDrawGrid and its registration for stored forms.
#include "Qeldrawgrid.h"

VCL_IMPLEMENT_CLASS(TQelDrawGrid)

TQelDrawGrid::TQelDrawGrid(TOwnerArg owner) : TDrawGrid(owner) {}

TQelDrawGrid::~TQelDrawGrid() = default;

namespace {

TUnitInit QeldrawgridUnitInit("Qeldrawgrid", [] { RegisterClass(TQelDrawGrid::StaticClass()); });

}  // namespace
