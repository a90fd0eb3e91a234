// The library's draw grid: the platform's TDrawGrid under the library's name.
#pragma once

#include "Grids.h"

class TQelDrawGrid : public TDrawGrid {
  VCL_DECLARE_CLASS(TQelDrawGrid, TDrawGrid)
  explicit TQelDrawGrid(TOwnerArg owner);
  ~TQelDrawGrid() override;
};
