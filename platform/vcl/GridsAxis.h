// The geometry both halves of the grid's bodies share (Grids.cpp, GridsInput.cpp).
#pragma once

#include <algorithm>
#include <vector>

#include "Grids.h"

// One direction of the grid: the columns across or the rows down. Positions are logical, from the
// client area's leading edge; each cell is followed by its line.
struct TCustomGrid::TAxis {
  const std::vector<int>& Sizes;
  int DefaultSize;
  int Count;
  int Fixed;
  int First;  // the first scrolled cell shown
  int Line;   // the width of the line after each cell (0 when those lines are off)
  int Client;

  int Extent(int i) const { return i < int(Sizes.size()) ? Sizes[size_t(i)] : DefaultSize; }
  int FixedBoundary() const
  {
    int pos = 0;
    for (int i = 0; i < Fixed; ++i) pos += Extent(i) + Line;
    return pos;
  }
  // The cell's start, or -1 when it is scrolled away (or starts past the client area).
  int Start(int i) const
  {
    if (i < 0 || i >= Count) return -1;
    int pos = 0;
    if (i < Fixed) {
      for (int j = 0; j < i; ++j) pos += Extent(j) + Line;
      return pos < Client ? pos : -1;
    }
    if (i < First) return -1;
    pos = FixedBoundary();
    for (int j = First; j < i && pos < Client; ++j) pos += Extent(j) + Line;
    return pos < Client ? pos : -1;
  }
  // The cell whose extent (its line included) holds pos, or -1.
  int CellAt(int pos) const
  {
    if (pos < 0 || pos >= Client) return -1;
    int at = 0;
    for (int i = 0; i < Fixed; ++i) {
      at += Extent(i) + Line;
      if (pos < at) return i;
    }
    for (int i = First; i < Count; ++i) {
      at += Extent(i) + Line;
      if (pos < at) return i;
    }
    return -1;
  }
  // The last scrolled cell shown in part, and the last shown whole.
  int LastShown() const
  {
    int pos = FixedBoundary(), last = First - 1;
    for (int i = First; i < Count && pos < Client; ++i) {
      last = i;
      pos += Extent(i) + Line;
    }
    return last;
  }
  int LastWhole() const
  {
    int pos = FixedBoundary(), last = First - 1;
    for (int i = First; i < Count; ++i) {
      if (pos + Extent(i) > Client) break;
      last = i;
      pos += Extent(i) + Line;
    }
    return last;
  }
  // Where the cells shown end (the line of the last one included), at most the client extent.
  int End() const
  {
    int pos = FixedBoundary();
    for (int i = First; i < Count && pos < Client; ++i) pos += Extent(i) + Line;
    return std::min(pos, Client);
  }
  // The greatest first cell that still fills the client area from the end backwards.
  int MaxFirst() const
  {
    const int room = Client - FixedBoundary();
    int first = Count - 1, used = Extent(first) + Line;
    while (first > Fixed && used + Extent(first - 1) + Line <= room) used += Extent(--first) + Line;
    return std::max(first, Fixed);
  }
};
