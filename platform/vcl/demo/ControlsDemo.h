// The controls demo: one form with every standard and common control of the stand-in, laid out
// Hebrew first (right to left), that turns to the other reading direction with its check box or
// SetRightToLeft.
#pragma once
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ImgList.h"
#include "StdCtrls.h"

class TControlsDemo : public TForm {
  VCL_DECLARE_FORM(TControlsDemo, TForm)
  explicit TControlsDemo(TOwnerArg owner);

  // Published fields, set by the stored form (no initialisers: the reader runs first).
  TImageList* Icons;
  TColorDialog* Colors;
  TTreeView* Library;
  TPanel* Content;
  THeaderControl* Columns;
  TListBox* Tracks;
  TPageControl* Pages;
  TTabSheet* PlaySheet;
  TTabSheet* NotesSheet;
  TTabSheet* DetailsSheet;
  TLabel* VolumeLabel;
  TTrackBar* Volume;
  TEdit* RepeatEdit;
  TUpDown* RepeatSpin;
  TScrollBar* Balance;
  TRadioButton* InOrder;
  TRadioButton* Shuffle;
  TMemo* Notes;
  TScrollBox* Details;
  TRadioGroup* ViewSize;
  TComboBox* Theme;
  TCheckBox* RightToLeft;
  TButton* ColorButton;
  TPanel* Swatch;
  TButton* CloseButton;

  bool IsRightToLeft() const { return GetBiDiMode() == bdRightToLeft; }
  // Mirrors the whole form into the other reading direction (nothing when it reads so already).
  void SetRightToLeft(bool value);

  void FormCreate(TObject* sender);
  void LibraryChange(TObject* sender, TTreeNode* node);
  void VolumeChange(TObject* sender);
  void TracksDrawItem(TWinControl* control, int index, const TRect& rect, TOwnerDrawState state);
  void RightToLeftClick(TObject* sender);
  void ColorClick(TObject* sender);
  void CloseClick(TObject* sender);
};
