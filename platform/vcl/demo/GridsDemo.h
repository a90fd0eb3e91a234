// The grids demo: a track list in a string grid, a level chart painted by a draw grid, masked
// edits for a track's details, splitters between them and a control bar above, Hebrew first; its
// check box (or SetRightToLeft) turns it to the other reading direction.
#pragma once
#include "ExtCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "Mask.h"
#include "StdCtrls.h"

class TGridsDemo : public TForm {
  VCL_DECLARE_FORM(TGridsDemo, TForm)
  explicit TGridsDemo(TOwnerArg owner);

  // Published fields, set by the stored form (no initialisers: the reader runs first).
  TControlBar* Bar;
  TPanel* NavigateBand;
  TButton* PreviousButton;
  TButton* NextButton;
  TComboBox* ViewBand;
  TMaskEdit* JumpBand;
  TPanel* Details;
  TMaskEdit* PhoneEdit;
  TMaskEdit* DateEdit;
  TMaskEdit* LengthEdit;
  TMaskEdit* CodeEdit;
  TLabel* StatusLabel;
  TCheckBox* RightToLeft;
  TSplitter* SideSplitter;
  TPanel* Content;
  TStringGrid* Tracks;
  TSplitter* ChartSplitter;
  TDrawGrid* Levels;

  bool IsRightToLeft() const { return GetBiDiMode() == bdRightToLeft; }
  void SetRightToLeft(bool value);

  void FormCreate(TObject* sender);
  void LevelsDrawCell(TObject* sender, int col, int row, const TRect& rect, TGridDrawState state);
  void TracksSelectCell(TObject* sender, int col, int row, bool& canSelect);
  void RightToLeftClick(TObject* sender);
  void NavigateClick(TObject* sender);
};
