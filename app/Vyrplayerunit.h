// TVyrPlayerForm: the program's main window. A borderless window whose face is a skin chosen by the
// desktop's size, cut to a rounded rectangle and dragged by its skin; it holds the player and the
// controls that drive it: play/pause, stop, full screen, mute, the position and volume tracks, the time
// labels, the keys and the context menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "ActnList.h"
#include "ExtCtrls.h"
#include "Graphics.h"
#include "Menus.h"
#include "Qelactnlist.h"
#include "Qelform.h"
#include "Qelimage.h"
#include "Qellabel.h"
#include "Qelmenus.h"
#include "Qelspeedbutton.h"
#include "Qelvyrplayer.h"
#include "Trackarea.h"

// How the window shows the video: the views of the "View Size" menu, in its order, and full screen.
enum class TViewMode : unsigned char { Maximum, Original, FullScreen };

class TVyrPlayerForm : public TQelForm {
  VCL_DECLARE_FORM(TVyrPlayerForm, TQelForm)

public:
  explicit TVyrPlayerForm(TOwnerArg owner);
  ~TVyrPlayerForm() override;

  // Stored components.
  TQelImage* MediaImage;
  TQelSpeedButton* StopButton;
  TQelSpeedButton* PlayPauseButton;
  TQelSpeedButton* FullScreenButton;
  TQelSpeedButton* CloseButton;
  TQelLabel* LengthLabel;
  TQelLabel* PositionLabel;
  TQelSpeedButton* MinimizeButton;
  TQelSpeedButton* MuteButton;
  TQelLabel* SlashLabel;
  TQelImage* OstrelImage;
  TTrackArea* MediaTrackArea;
  TTrackArea* VolumeTrackArea;
  TQelVyrPlayer* DShowPlayer;
  TQelActionList* ActionList;
  TAction* PlayPauseAction;
  TAction* StopAction;
  TAction* FullScreenAction;
  TAction* MuteAction;
  TAction* AboutAction;
  TQelPopupMenu* VyrPalyerPopupMenu;
  TMenuItem* PlayPauseItem;
  TMenuItem* StopItem;

  // Handlers bound by the stored form.
  void FormCreate(TObject* Sender);
  void MediaImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MediaImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void CloseButtonClick(TObject* Sender);
  void MinimizeButtonClick(TObject* Sender);
  void OstrelImageClick(TObject* Sender);
  void PlayPauseActionExecute(TObject* Sender);
  void StopActionExecute(TObject* Sender);
  void FullScreenActionExecute(TObject* Sender);
  void MuteActionExecute(TObject* Sender);
  void AboutActionExecute(TObject* Sender);
  void DShowPlayerKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void DShowPlayerClick(TObject* Sender);
  void MediaTrackAreaChange(TObject* Sender);
  void MediaTrackAreaMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MediaTrackAreaMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void MediaTrackAreaPaint(TObject* Sender);
  void VolumeTrackAreaChange(TObject* Sender);
  void VolumeTrackAreaPaint(TObject* Sender);

  // m:ss as "mm:ss" with at least two digits each; minutes are not limited (6000 s is "100:00").
  static AnsiString FormatTime(int seconds);
  void SetPlayerBounds(int left, int top, int width, int height);
  void ApplyViewMode();

  TViewMode GetViewMode() const { return FViewMode; }
  int GetMaxVideoWidth() const { return FMaxVideoWidth; }
  int GetMaxVideoHeight() const { return FMaxVideoHeight; }

protected:
  void CreateWnd() override;
  void Dispatch(void* message) override;

private:
  // Opens and plays the file; a file that cannot be played raises an Exception that names it and
  // says why, in the user's language.
  void OpenAndPlay(const AnsiString& fileName);
  void FilesDropped(HDROP drop);
  // The controls for an open, playing file, or for nothing to play.
  void ShowMediaState(bool playing);
  void BuildSoundOnlyPicture();
  void ShowSoundOnlyPicture();
  void BuildContextMenu();
  void ContextMenuPopup(TObject* Sender);
  void ViewSizeClick(TObject* Sender);
  void PositionChange(TObject* Sender);
  void SelectSkin();
  void CenterOnWorkArea();
  void PaintThumb(TTrackArea* track);
  void StartPlaying();
  TMenuItem* ViewSizeItem() const;

  int FDragX = 0;
  int FDragY = 0;
  TBitmap* FThumb = nullptr;
  HRGN FThumbRegion = nullptr;
  bool FWasPlaying = false;
  TViewMode FViewMode = TViewMode::Maximum;
  TViewMode FSavedViewMode = TViewMode::Maximum;
  TImage* FSoundOnly = nullptr;
  std::unique_ptr<TBitmap> FSoundOnlyArt;
  int FViewSizeCommand = 0;
  int FMaxVideoWidth = 0;
  int FMaxVideoHeight = 0;
};

extern TVyrPlayerForm* VyrPlayerForm;

// Registers the classes the main window's stored form names.
void RegisterVyrPlayerClasses();
