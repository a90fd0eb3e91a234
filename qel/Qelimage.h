// The library's picture control and label.
//
// TQelImage is the platform's TImage that, unless it is Protected, gives itself a context menu with
// picture commands when a stored form (or its owner) calls Loaded: load from a file (the default
// item), delete, and — through a TWAIN component the image owns from then on — choose a scanner
// source and acquire a picture from it. OnLoadImage sees each new picture before the image takes it
// over and may change it; AfterLoadImage follows the take-over.
//
// Decisions:
// - LoadFromFile owns its dialog and its temporary picture; both go on every path. A file the loader
//   cannot read raises the loader's exception to the caller (the menu command lets it reach the
//   application's HandleException); the old picture stays and neither event fires.
// - FitToBest on a picture without width or height raises EZeroDivide (from GetBestFitZoom) before
//   the control is touched: there is no size to fit.
// - The load command becomes the menu's one default item: an existing menu's own default item gives
//   way to it (the platform keeps one default item per menu level).
// - The menu is built once per Loaded call; an owner calling Loaded again gets the items again.
#pragma once

#include "ExtCtrls.h"
#include "Menus.h"
#include "Qeltwain.h"

class TQelImage;

using TLoadImageEvent = TClosure<void(TObject* Sender, TPicture* Picture)>;

class TQelImage : public TImage {
  VCL_DECLARE_CLASS(TQelImage, TImage)
  explicit TQelImage(TOwnerArg owner);
  ~TQelImage() override;

  // Published, read and written directly.
  bool Protected = false;
  TLoadImageEvent OnLoadImage;
  TNotifyEvent AfterLoadImage;

  void Loaded() override;
  // Asks for a picture file with the picture-open dialog and takes the picture over; nothing happens
  // when the user cancels.
  void LoadFromFile();
  // Sizes the control to the picture scaled to fit MaxHeight x MaxWidth: the height first, then the
  // width, each rounded half away from zero. Raises EZeroDivide for a picture without a size.
  void FitToBest(int MaxHeight, int MaxWidth);
  // The picture's bitmap canvas when the picture is empty (a bitmap of the control's size is made)
  // or holds a bitmap; for any other graphic the control's own paint canvas. Hides TImage's.
  TCanvas* GetCanvas();

  // Menu commands.
  void LoadFromFileClick(TObject* Sender);
  void DeletePictureClick(TObject* Sender);
  void SelectTwainSourceClick(TObject* Sender);
  void TwainAcquireClick(TObject* Sender);
  // Each acquired image becomes the picture (the bitmap stays the component's).
  void OnTwainAcquire(TObject* Sender, const int Index, TDib* Image, bool& Cancel);

protected:
  // The acquisition object (the scanner component), owned by the image; made by Loaded unless the
  // image is protected or at design time.
  TQelTwain* FTwain = nullptr;

  // The take-over shared by every way a picture arrives: OnLoadImage with the new picture, the
  // picture assigned, then AfterLoadImage.
  void TakeOverPicture(TPicture* picture);

private:
  TMenuItem* AddMenuItem(TPopupMenu* menu, const AnsiString& caption, void (TQelImage::*click)(TObject*));
};
