#include "Vyrplayerunit.h"

#include <windows.h>

#include <exception>
#include <memory>

#include "Aboutunit.h"
#include "Localemgr.h"
#include "Qelutil.h"
#include "SysUtils.h"
#include "TypInfo.h"

TVyrPlayerForm* VyrPlayerForm = nullptr;

VCL_PUBLISHED(TVyrPlayerForm)
{
  p.Field("MediaImage", &TVyrPlayerForm::MediaImage);
  p.Field("StopButton", &TVyrPlayerForm::StopButton);
  p.Field("PlayPauseButton", &TVyrPlayerForm::PlayPauseButton);
  p.Field("FullScreenButton", &TVyrPlayerForm::FullScreenButton);
  p.Field("CloseButton", &TVyrPlayerForm::CloseButton);
  p.Field("LengthLabel", &TVyrPlayerForm::LengthLabel);
  p.Field("PositionLabel", &TVyrPlayerForm::PositionLabel);
  p.Field("MinimizeButton", &TVyrPlayerForm::MinimizeButton);
  p.Field("MuteButton", &TVyrPlayerForm::MuteButton);
  p.Field("SlashLabel", &TVyrPlayerForm::SlashLabel);
  p.Field("OstrelImage", &TVyrPlayerForm::OstrelImage);
  p.Field("MediaTrackArea", &TVyrPlayerForm::MediaTrackArea);
  p.Field("VolumeTrackArea", &TVyrPlayerForm::VolumeTrackArea);
  p.Field("DShowPlayer", &TVyrPlayerForm::DShowPlayer);
  p.Field("ActionList", &TVyrPlayerForm::ActionList);
  p.Field("PlayPauseAction", &TVyrPlayerForm::PlayPauseAction);
  p.Field("StopAction", &TVyrPlayerForm::StopAction);
  p.Field("FullScreenAction", &TVyrPlayerForm::FullScreenAction);
  p.Field("MuteAction", &TVyrPlayerForm::MuteAction);
  p.Field("AboutAction", &TVyrPlayerForm::AboutAction);
  p.Field("VyrPalyerPopupMenu", &TVyrPlayerForm::VyrPalyerPopupMenu);
  p.Field("PlayPauseItem", &TVyrPlayerForm::PlayPauseItem);
  p.Field("StopItem", &TVyrPlayerForm::StopItem);
  p.Method("FormCreate", &TVyrPlayerForm::FormCreate);
  p.Method("MediaImageMouseDown", &TVyrPlayerForm::MediaImageMouseDown);
  p.Method("MediaImageMouseMove", &TVyrPlayerForm::MediaImageMouseMove);
  p.Method("CloseButtonClick", &TVyrPlayerForm::CloseButtonClick);
  p.Method("MinimizeButtonClick", &TVyrPlayerForm::MinimizeButtonClick);
  p.Method("OstrelImageClick", &TVyrPlayerForm::OstrelImageClick);
  p.Method("PlayPauseActionExecute", &TVyrPlayerForm::PlayPauseActionExecute);
  p.Method("StopActionExecute", &TVyrPlayerForm::StopActionExecute);
  p.Method("FullScreenActionExecute", &TVyrPlayerForm::FullScreenActionExecute);
  p.Method("MuteActionExecute", &TVyrPlayerForm::MuteActionExecute);
  p.Method("AboutActionExecute", &TVyrPlayerForm::AboutActionExecute);
  p.Method("DShowPlayerKeyDown", &TVyrPlayerForm::DShowPlayerKeyDown);
  p.Method("DShowPlayerClick", &TVyrPlayerForm::DShowPlayerClick);
  p.Method("MediaTrackAreaChange", &TVyrPlayerForm::MediaTrackAreaChange);
  p.Method("MediaTrackAreaMouseDown", &TVyrPlayerForm::MediaTrackAreaMouseDown);
  p.Method("MediaTrackAreaMouseUp", &TVyrPlayerForm::MediaTrackAreaMouseUp);
  p.Method("MediaTrackAreaPaint", &TVyrPlayerForm::MediaTrackAreaPaint);
  p.Method("VolumeTrackAreaChange", &TVyrPlayerForm::VolumeTrackAreaChange);
  p.Method("VolumeTrackAreaPaint", &TVyrPlayerForm::VolumeTrackAreaPaint);
}

void RegisterVyrPlayerClasses()
{
  RegisterClasses({TQelImage::StaticClass(), TQelSpeedButton::StaticClass(), TQelLabel::StaticClass(),
                   TTrackArea::StaticClass(), TQelVyrPlayer::StaticClass(), TQelActionList::StaticClass(),
                   TAction::StaticClass(), TQelPopupMenu::StaticClass(), TMenuItem::StaticClass()});
}

// ---- construction ------------------------------------------------------------------------------------

TVyrPlayerForm::TVyrPlayerForm(TOwnerArg owner) : TQelForm(owner)
{
  BuildContextMenu();
  DShowPlayer->OnPositionChange = TNotifyEvent(this, &TVyrPlayerForm::PositionChange);
  PositionLabel->SetCaption("00:00");
  LengthLabel->SetCaption("00:00");
  PlayPauseButton->SetDown(true);
  FThumb = new TBitmap();
  FThumb->LoadFromResourceName(GetModuleHandleW(nullptr), "Handle");
  FThumbRegion = CreateRoundRectRgn(0, 0, FThumb->GetWidth(), FThumb->GetHeight(), 2, 2);
  SelectSkin();
  CenterOnWorkArea();
  MediaTrackArea->SetPaintWidth(FThumb->GetWidth());
  VolumeTrackArea->SetPaintWidth(FThumb->GetWidth());
}

TVyrPlayerForm::~TVyrPlayerForm()
{
  delete FThumb;
  if (FThumbRegion) DeleteObject(FThumbRegion);
}

void TVyrPlayerForm::BuildContextMenu()
{
  auto* menu = new TQelPopupMenu(DShowPlayer);
  auto add = [&](TMenuItem* parent, TBasicAction* action, const AnsiString& caption) {
    auto* item = new TMenuItem(menu);
    if (action)
      item->SetAction(action);
    else
      item->SetCaption(caption);
    parent->Add(item);
    return item;
  };
  TMenuItem* root = menu->GetItems();
  add(root, PlayPauseAction, "");
  add(root, StopAction, "");
  add(root, nullptr, "-");
  add(root, FullScreenAction, "");
  TMenuItem* viewSize = add(root, nullptr, LocaleStr(200, 7, "View Size"));
  FViewSizeCommand = viewSize->GetCommand();
  for (const AnsiString& caption : {LocaleStr(200, 8, "Maximum"), LocaleStr(200, 9, "Original")}) {
    TMenuItem* item = add(viewSize, nullptr, caption);
    item->OnClick = TNotifyEvent(this, &TVyrPlayerForm::ViewSizeClick);
  }
  add(root, nullptr, "-");
  add(root, MuteAction, "");
  add(root, AboutAction, "");
  menu->OnPopup = TNotifyEvent(this, &TVyrPlayerForm::ContextMenuPopup);
  SetPopupMenu(menu);
  DShowPlayer->SetPopupMenu(menu);
}

TMenuItem* TVyrPlayerForm::ViewSizeItem() const
{
  TMenu* menu = DShowPlayer->GetPopupMenu();
  return menu ? menu->FindItem(static_cast<UINT_PTR>(FViewSizeCommand), fkCommand) : nullptr;
}

void TVyrPlayerForm::SelectSkin()
{
  const int width = Screen->GetDesktopWidth(), height = Screen->GetDesktopHeight();
  const char* skin = "Vyrimage640_480";
  int trackWidth = 425;
  if (width >= 1024 && height >= 768) {
    skin = "VyrImage1024_786";
    trackWidth = 710;
  } else if (width >= 800 && height >= 600) {
    skin = "VyrImage800_600";
    trackWidth = 536;
  }
  MediaImage->GetPicture()->GetBitmap()->LoadFromResourceName(GetModuleHandleW(nullptr), skin);
  MediaTrackArea->SetWidth(trackWidth);
  SetWidth(MediaImage->GetWidth());
  SetHeight(MediaImage->GetHeight());
}

void TVyrPlayerForm::CenterOnWorkArea()
{
  RECT area{};
  if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    SetLeft((area.right - area.left - GetWidth()) / 2);
    SetTop((area.bottom - area.top - GetHeight()) / 2);
  } else {
    SetPosition(poDesktopCenter);
  }
}

// ---- start-up ------------------------------------------------------------------------------------------

void TVyrPlayerForm::StartPlaying()
{
  if (ParamCount() == 1) {
    DShowPlayer->Open(ParamStr(1));
    DShowPlayer->Play();
    return;
  }
  const AnsiString exeName = Application->GetExeName();
  const AnsiString folder = ExtractFilePath(exeName);
  TSearchRec found;
  const bool any = FindFirst(folder + "*.vyr", 0, found) == 0;
  const AnsiString name = any ? found.Name : AnsiString();
  FindClose(found);
  const AnsiString drive = ExtractFileDrive(exeName);
  const std::wstring root = Utf8ToUtf16((drive.IsEmpty() ? AnsiString() : drive + "\\").str());
  if (any && GetDriveTypeW(root.empty() ? nullptr : root.c_str()) == DRIVE_CDROM) {
    // By its full path: a shortcut may start the program in another working folder.
    DShowPlayer->SetFileName(folder + name);
    DShowPlayer->Open();
    DShowPlayer->Play();
  } else {
    DShowPlayer->SetFileName("");
  }
}

void TVyrPlayerForm::FormCreate(TObject*)
{
  FMaxVideoWidth = GetWidth() - 18;
  const double ratio = FMaxVideoWidth / 352.0;
  FMaxVideoHeight = static_cast<int>(288 * ratio);
  FViewMode = 0;

  // A file that cannot be played still leaves a whole window: the failure is reported once the window
  // is laid out, shaped and its actions set.
  std::exception_ptr failure;
  try {
    StartPlaying();
  } catch (...) {
    failure = std::current_exception();
  }

  SetPlayerBounds(9, static_cast<int>(25 + ratio), FMaxVideoWidth, FMaxVideoHeight);
  if (!failure && DShowPlayer->GetState() == 2) {
    const int duration = RoundUp(static_cast<double>(DShowPlayer->GetDuration()));
    LengthLabel->SetCaption(FormatTime(duration));
    MediaTrackArea->SetMax(duration);
    VolumeTrackArea->SetPosition(DShowPlayer->GetVolume());
  } else {
    PlayPauseAction->SetEnabled(false);
    FullScreenAction->SetEnabled(false);
    MuteAction->SetEnabled(false);
    StopAction->SetEnabled(false);
    PlayPauseButton->SetDown(false);
    PlayPauseAction->SetCaption(LocaleStr(200, 1, "Play"));
  }
  HRGN shape = CreateRoundRectRgn(0, 0, GetWidth(), GetHeight(), 32, 32);
  if (SetWindowRgn(GetHandle(), shape, GetVisible()) == 0) DeleteObject(shape);

  if (failure) std::rethrow_exception(failure);
}

// ---- the window ----------------------------------------------------------------------------------------

void TVyrPlayerForm::MediaImageMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y)
{
  FDragX = X;
  FDragY = Y;
}

void TVyrPlayerForm::MediaImageMouseMove(TObject*, TShiftState, int X, int Y)
{
  if (GetCaptureControl() != MediaImage) return;
  SetLeft(GetLeft() + X - FDragX);
  SetTop(GetTop() + Y - FDragY);
}

void TVyrPlayerForm::CloseButtonClick(TObject*) { Close(); }

void TVyrPlayerForm::MinimizeButtonClick(TObject*) { Application->Minimize(); }

void TVyrPlayerForm::SetPlayerBounds(int left, int top, int width, int height)
{
  DShowPlayer->SetBounds(left, top, width, height);
  DShowPlayer->SetVideoSize(width, height);
}

void TVyrPlayerForm::ApplyViewMode()
{
  switch (FViewMode) {
    case 0: SetPlayerBounds((GetWidth() - FMaxVideoWidth) / 2, 25, FMaxVideoWidth, FMaxVideoHeight); break;
    case 1: SetPlayerBounds((GetWidth() - 352) / 2, (GetHeight() - 373) / 2, 352, 288); break;
    case 2: DShowPlayer->SetFullScreen(true); break;
    default: break;
  }
}

void TVyrPlayerForm::FullScreenActionExecute(TObject*)
{
  if (FViewMode != 2) {
    DShowPlayer->SetFullScreen(true);
    FSavedViewMode = FViewMode;
    FViewMode = 2;
    FullScreenAction->SetCaption(LocaleStr(200, 4, "Exit Full Screen"));
  } else {
    DShowPlayer->SetFullScreen(false);
    FViewMode = FSavedViewMode;
    FullScreenAction->SetCaption(LocaleStr(200, 3, "Full Screen"));
  }
}

// ---- playback ------------------------------------------------------------------------------------------

void TVyrPlayerForm::PlayPauseActionExecute(TObject*)
{
  StopAction->SetEnabled(true);
  const unsigned char state = DShowPlayer->GetState();
  if (state == 2) {
    DShowPlayer->Pause();
    PlayPauseButton->SetDown(false);
    PlayPauseAction->SetCaption(LocaleStr(200, 1, "Play"));
  } else if (state == 0 || state == 1) {
    DShowPlayer->Play();
    PlayPauseButton->SetDown(true);
    StopButton->SetDown(false);
    StopButton->SetEnabled(true);
    FullScreenButton->SetEnabled(true);
    PlayPauseAction->SetCaption(LocaleStr(200, 2, "Pause"));
  }
}

void TVyrPlayerForm::StopActionExecute(TObject*)
{
  const unsigned char state = DShowPlayer->GetState();
  if (state == 2 || state == 1) {
    DShowPlayer->Stop();
    PlayPauseButton->SetDown(false);
    FullScreenButton->SetEnabled(false);
    StopAction->SetEnabled(false);
    PlayPauseAction->SetCaption(LocaleStr(200, 1, "Play"));
  } else {
    StopAction->SetEnabled(true);
  }
}

void TVyrPlayerForm::MuteActionExecute(TObject*)
{
  if (!DShowPlayer->GetMute()) {
    MuteButton->SetDown(true);
    MuteAction->SetCaption(LocaleStr(200, 5, "Sound"));
    DShowPlayer->SetMute(true);
  } else {
    MuteButton->SetDown(false);
    MuteAction->SetCaption(LocaleStr(200, 6, "Mute"));
    DShowPlayer->SetMute(false);
  }
}

void TVyrPlayerForm::AboutActionExecute(TObject*)
{
  const bool wasPlaying = DShowPlayer->GetState() == 2;
  if (wasPlaying) PlayPauseActionExecute(this);
  // Playback comes back and the window goes on every way out, an exception's included.
  struct Resume {
    TVyrPlayerForm* form;
    bool playing;
    ~Resume()
    {
      if (!playing) return;
      try {
        form->PlayPauseActionExecute(form);
      } catch (...) {
        HandleCallbackException(form);
      }
    }
  } resume{this, wasPlaying};
  std::unique_ptr<TAboutForm> about(new TAboutForm(this));
  about->ShowModal();
}

void TVyrPlayerForm::OstrelImageClick(TObject*) { AboutActionExecute(this); }

void TVyrPlayerForm::DShowPlayerClick(TObject*) { PlayPauseActionExecute(this); }

void TVyrPlayerForm::DShowPlayerKeyDown(TObject*, WORD& Key, TShiftState Shift)
{
  if (!Shift.Empty()) return;
  switch (Key) {
    case VK_ESCAPE:
      if (DShowPlayer->GetFullScreen()) FullScreenActionExecute(this);
      break;
    case 'O':
      if (!DShowPlayer->GetFullScreen()) FullScreenActionExecute(this);
      break;
    case VK_SPACE:
    case 'P': PlayPauseActionExecute(this); break;
    case 'M':
      DShowPlayer->SetMute(!DShowPlayer->GetMute());
      MuteButton->SetDown(!MuteButton->GetDown());
      break;
    default: break;
  }
}

void TVyrPlayerForm::PositionChange(TObject*)
{
  const int position = DShowPlayer->GetPosition();
  PositionLabel->SetCaption(FormatTime(position));
  MediaTrackArea->SetPosition(position);
}

void TVyrPlayerForm::MediaTrackAreaMouseDown(TObject*, TMouseButton, TShiftState, int, int)
{
  FWasPlaying = DShowPlayer->GetState() == 2;
}

void TVyrPlayerForm::MediaTrackAreaChange(TObject*)
{
  if (FWasPlaying) DShowPlayer->Pause();
  DShowPlayer->SetPosition(MediaTrackArea->GetPosition());
}

void TVyrPlayerForm::MediaTrackAreaMouseUp(TObject*, TMouseButton, TShiftState, int, int)
{
  if (DShowPlayer->GetState() == 1 && FWasPlaying) DShowPlayer->Play();
}

void TVyrPlayerForm::VolumeTrackAreaChange(TObject*)
{
  const bool muted = DShowPlayer->GetMute();
  DShowPlayer->SetVolume(VolumeTrackArea->GetPosition());
  DShowPlayer->SetMute(muted);
}

void TVyrPlayerForm::PaintThumb(TTrackArea* track)
{
  if (!FThumbRegion || !track->GetCanvas()) return;
  // The thumb paints through its parent's device context, whose clip is in the parent's coordinates.
  OffsetRgn(FThumbRegion, track->GetPaintLeft(), track->GetTop());
  SelectClipRgn(track->GetCanvas()->GetHandle(), FThumbRegion);
  track->GetCanvas()->Draw(0, 0, FThumb);
  OffsetRgn(FThumbRegion, -track->GetPaintLeft(), -track->GetTop());
}

void TVyrPlayerForm::MediaTrackAreaPaint(TObject*) { PaintThumb(MediaTrackArea); }

void TVyrPlayerForm::VolumeTrackAreaPaint(TObject*) { PaintThumb(VolumeTrackArea); }

// ---- the context menu ----------------------------------------------------------------------------------

void TVyrPlayerForm::ContextMenuPopup(TObject*)
{
  TMenuItem* viewSize = ViewSizeItem();
  if (!viewSize) return;
  for (int i = 0; i < viewSize->GetCount(); ++i) viewSize->GetItem(i)->SetChecked(i == FViewMode);
}

void TVyrPlayerForm::ViewSizeClick(TObject* Sender)
{
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || item->GetChecked()) return;
  if (FViewMode == 2) {
    DShowPlayer->SetFullScreen(false);
    // Out of full screen, the action offers full screen again.
    FullScreenAction->SetCaption(LocaleStr(200, 3, "Full Screen"));
  }
  FViewMode = static_cast<unsigned char>(item->GetMenuIndex());
  ApplyViewMode();
}

AnsiString TVyrPlayerForm::FormatTime(int seconds)
{
  const int minutes = seconds / 60, rest = seconds % 60;
  return (minutes < 10 ? "0" : "") + IntToStr(minutes) + ":" + (rest < 10 ? "0" : "") + IntToStr(rest);
}
