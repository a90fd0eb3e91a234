#include "Vyrplayerunit.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "Aboutunit.h"
#include "Qelutil.h"
#include "SysUtils.h"
#include "Trace.h"
#include "TypInfo.h"
#include "VyrLayout.h"
#include "Vyrtexts.h"

using namespace VyrTexts;

TVyrPlayerForm* VyrPlayerForm = nullptr;

namespace {

// A picture of width x height shown in a box of boxWidth x boxHeight: as large as the box allows with
// its proportions kept. A picture within a pixel or so of the box's own proportions (the native
// 352 x 288 in a box scaled from it) fills the box exactly.
SIZE FitInto(int width, int height, int boxWidth, int boxHeight)
{
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return SIZE{boxWidth, boxHeight};
  SIZE fitted{boxWidth, boxHeight};
  if (static_cast<long long>(boxWidth) * height > static_cast<long long>(boxHeight) * width)
    fitted.cx = MulDiv(boxHeight, width, height);
  else
    fitted.cy = MulDiv(boxWidth, height, width);
  if (boxWidth - fitted.cx <= 2) fitted.cx = boxWidth;
  if (boxHeight - fitted.cy <= 2) fitted.cy = boxHeight;
  return fitted;
}

}  // namespace

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
  BuildSoundOnlyPicture();
}

TVyrPlayerForm::~TVyrPlayerForm()
{
  delete FThumb;
  if (FThumbRegion) DeleteObject(FThumbRegion);
}

void TVyrPlayerForm::CreateWnd()
{
  inherited::CreateWnd();
  // Files dropped on the window from the shell are played as if named on the command line.
  DragAcceptFiles(GetHandle(), TRUE);
}

void TVyrPlayerForm::Dispatch(void* message)
{
  auto& msg = *static_cast<TMessage*>(message);
  if (msg.Msg == WM_DROPFILES) {
    msg.Result = 0;
    FilesDropped(reinterpret_cast<HDROP>(msg.WParam));
    return;
  }
  inherited::Dispatch(message);
}

// The sound-only picture: a black image over the player, shown while the open file has no picture.
void TVyrPlayerForm::BuildSoundOnlyPicture()
{
  FSoundOnly = new TImage(this);
  FSoundOnly->SetParent(DShowPlayer);
  FSoundOnly->SetAlign(alClient);
  FSoundOnly->SetCenter(true);
  FSoundOnly->SetVisible(false);
  // Clicks on it are clicks on the player.
  FSoundOnly->OnClick = TNotifyEvent(this, &TVyrPlayerForm::DShowPlayerClick);
  FSoundOnlyArt = std::make_unique<TBitmap>();
  FSoundOnlyArt->LoadFromResourceName(GetModuleHandleW(nullptr), "SoundOnly");
}

void TVyrPlayerForm::ShowSoundOnlyPicture()
{
  const bool show = DShowPlayer->IsOpen() && !DShowPlayer->HasVideo();
  if (show) {
    // The mark and, under it, the file's name, on the screen's black across the player's width.
    const int width = std::max(DShowPlayer->GetWidth(), FSoundOnlyArt->GetWidth());
    const int height = FSoundOnlyArt->GetHeight() + 36;
    TBitmap* picture = FSoundOnly->GetPicture()->GetBitmap();
    picture->SetWidth(width);
    picture->SetHeight(height);
    TCanvas* canvas = picture->GetCanvas();
    canvas->GetBrush()->SetColor(clBlack);
    canvas->FillRect(TRect(0, 0, width, height));
    canvas->Draw((width - FSoundOnlyArt->GetWidth()) / 2, 0, FSoundOnlyArt.get());
    canvas->GetFont()->SetName("Arial");
    canvas->GetFont()->SetHeight(-15);
    canvas->GetFont()->SetColor(static_cast<TColor>(0xD8D4D0));
    canvas->GetBrush()->SetStyle(bsClear);
    RECT line{8, FSoundOnlyArt->GetHeight() + 8, width - 8, height};
    const std::wstring name = Utf8ToUtf16(ExtractFileName(DShowPlayer->GetFileName()).str());
    DrawTextW(canvas->GetHandle(), name.c_str(), static_cast<int>(name.size()), &line,
              DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    FSoundOnly->Invalidate();
  }
  FSoundOnly->SetVisible(show);
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
  TMenuItem* viewSize = add(root, nullptr, Text(ViewSize));
  FViewSizeCommand = viewSize->GetCommand();
  // In the order of TViewMode: an item's index is its view.
  for (const AnsiString& caption : {Text(Maximum), Text(Original)}) {
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
  // The skins run from the largest down; the last one fits any desktop.
  const VyrLayout::TSkinLayout* skin = std::begin(VyrLayout::Skins);
  while (skin + 1 != std::end(VyrLayout::Skins) &&
         (width < skin->MinDesktopWidth || height < skin->MinDesktopHeight))
    ++skin;
  MediaImage->GetPicture()->GetBitmap()->LoadFromResourceName(GetModuleHandleW(nullptr), skin->Resource);
  MediaTrackArea->SetWidth(skin->TrackWidth);
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

void TVyrPlayerForm::OpenAndPlay(const AnsiString& fileName)
{
  try {
    DShowPlayer->Open(fileName);
    DShowPlayer->Play();
  } catch (const Exception& e) {
    // The platform's own words ("Call failed.") tell a user nothing: say which file and why.
    OSTREL_TRACE(player, "%s cannot be played: %s", fileName.c_str(), e.Message.c_str());
    const TText& reason = FileExists(fileName) ? NotMediaFile : FileNotFound;
    throw Exception(Text(reason, fileName));
  }
}

void TVyrPlayerForm::StartPlaying()
{
  if (ParamCount() == 1) {
    OpenAndPlay(ParamStr(1));
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
  using namespace VyrLayout;
  FMaxVideoWidth = GetWidth() - 2 * VideoMargin;
  const double ratio = FMaxVideoWidth / static_cast<double>(NativeVideoWidth);
  FMaxVideoHeight = static_cast<int>(NativeVideoHeight * ratio);
  FViewMode = TViewMode::Maximum;

  // A file that cannot be played still leaves a whole window: the failure is reported once the window
  // is laid out, shaped and its actions set.
  std::exception_ptr failure;
  try {
    StartPlaying();
  } catch (...) {
    failure = std::current_exception();
  }

  // At start the video sits one scale step lower than the "Maximum" view puts it, by the window's
  // own rule.
  SetPlayerBounds(VideoMargin, static_cast<int>(VideoTop + ratio), FMaxVideoWidth, FMaxVideoHeight);
  ShowMediaState(!failure && DShowPlayer->GetState() == State_Running);
  HRGN shape = CreateRoundRectRgn(0, 0, GetWidth(), GetHeight(), Corner, Corner);
  if (SetWindowRgn(GetHandle(), shape, GetVisible()) == 0) DeleteObject(shape);

  if (failure) std::rethrow_exception(failure);
}

void TVyrPlayerForm::ShowMediaState(bool playing)
{
  if (playing) {
    const int duration = RoundUp(static_cast<double>(DShowPlayer->GetDuration()));
    LengthLabel->SetCaption(FormatTime(duration));
    PositionLabel->SetCaption(FormatTime(0));
    MediaTrackArea->SetMax(duration);
    MediaTrackArea->SetPosition(0);
    VolumeTrackArea->SetPosition(DShowPlayer->GetVolume());
    for (TAction* action : {PlayPauseAction, FullScreenAction, MuteAction, StopAction}) action->SetEnabled(true);
    PlayPauseButton->SetDown(true);
    StopButton->SetDown(false);
    PlayPauseAction->SetCaption(Text(Pause));
  } else {
    for (TAction* action : {PlayPauseAction, FullScreenAction, MuteAction, StopAction}) action->SetEnabled(false);
    PlayPauseButton->SetDown(false);
    PlayPauseAction->SetCaption(Text(Play));
  }
  ShowSoundOnlyPicture();
}

void TVyrPlayerForm::FilesDropped(HDROP drop)
{
  // Only the first of several files plays.
  AnsiString fileName;
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length > 0 && length != 0xFFFFFFFFu) {
    std::wstring name(length + 1, L'\0');
    if (DragQueryFileW(drop, 0, name.data(), length + 1) == length) {
      name.resize(length);
      fileName = AnsiString(Utf16ToUtf8(name));
    }
  }
  DragFinish(drop);
  if (fileName.IsEmpty()) {
    OSTREL_TRACE(player, "a drop without a file name (%u)", length);
    return;
  }
  OSTREL_TRACE(player, "dropped %s", fileName.c_str());
  if (FViewMode == TViewMode::FullScreen) FullScreenActionExecute(this);
  std::exception_ptr failure;
  try {
    OpenAndPlay(fileName);
  } catch (...) {
    failure = std::current_exception();
  }
  ApplyViewMode();
  ShowMediaState(!failure && DShowPlayer->GetState() == State_Running);
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
  // A picture of other proportions than the box keeps them, centred on the player's black.
  int pictureWidth = 0, pictureHeight = 0;
  const SIZE video = DShowPlayer->GetNativeVideoSize(pictureWidth, pictureHeight)
                         ? FitInto(pictureWidth, pictureHeight, width, height)
                         : SIZE{width, height};
  OSTREL_TRACE(player, "video box %dx%d at %d,%d, picture %dx%d shown %ldx%ld", width, height, left, top,
               pictureWidth, pictureHeight, video.cx, video.cy);
  DShowPlayer->SetVideoSize(video.cx, video.cy);
  if (FSoundOnly && FSoundOnly->GetVisible()) ShowSoundOnlyPicture();
}

void TVyrPlayerForm::ApplyViewMode()
{
  using namespace VyrLayout;
  switch (FViewMode) {
    case TViewMode::Maximum:
      SetPlayerBounds((GetWidth() - FMaxVideoWidth) / 2, VideoTop, FMaxVideoWidth, FMaxVideoHeight);
      break;
    case TViewMode::Original:
      SetPlayerBounds((GetWidth() - NativeVideoWidth) / 2, (GetHeight() - OriginalReserve) / 2, NativeVideoWidth,
                      NativeVideoHeight);
      break;
    case TViewMode::FullScreen: DShowPlayer->SetFullScreen(true); break;
  }
}

void TVyrPlayerForm::FullScreenActionExecute(TObject*)
{
  if (FViewMode != TViewMode::FullScreen) {
    DShowPlayer->SetFullScreen(true);
    // A file with sound only has no picture to show full screen: the view stays as it is.
    if (!DShowPlayer->GetFullScreen()) return;
    FSavedViewMode = FViewMode;
    FViewMode = TViewMode::FullScreen;
    FullScreenAction->SetCaption(Text(ExitFullScreen));
  } else {
    DShowPlayer->SetFullScreen(false);
    FViewMode = FSavedViewMode;
    FullScreenAction->SetCaption(Text(FullScreen));
  }
}

// ---- playback ------------------------------------------------------------------------------------------

void TVyrPlayerForm::PlayPauseActionExecute(TObject*)
{
  StopAction->SetEnabled(true);
  const unsigned char state = DShowPlayer->GetState();
  if (state == State_Running) {
    DShowPlayer->Pause();
    PlayPauseButton->SetDown(false);
    PlayPauseAction->SetCaption(Text(Play));
  } else if (state == State_Stopped || state == State_Paused) {
    DShowPlayer->Play();
    PlayPauseButton->SetDown(true);
    StopButton->SetDown(false);
    StopButton->SetEnabled(true);
    FullScreenButton->SetEnabled(true);
    PlayPauseAction->SetCaption(Text(Pause));
  }
}

void TVyrPlayerForm::StopActionExecute(TObject*)
{
  const unsigned char state = DShowPlayer->GetState();
  if (state == State_Running || state == State_Paused) {
    DShowPlayer->Stop();
    PlayPauseButton->SetDown(false);
    FullScreenButton->SetEnabled(false);
    StopAction->SetEnabled(false);
    PlayPauseAction->SetCaption(Text(Play));
  } else {
    StopAction->SetEnabled(true);
  }
}

void TVyrPlayerForm::MuteActionExecute(TObject*)
{
  if (!DShowPlayer->GetMute()) {
    MuteButton->SetDown(true);
    MuteAction->SetCaption(Text(Sound));
    DShowPlayer->SetMute(true);
  } else {
    MuteButton->SetDown(false);
    MuteAction->SetCaption(Text(Mute));
    DShowPlayer->SetMute(false);
  }
}

void TVyrPlayerForm::AboutActionExecute(TObject*)
{
  const bool wasPlaying = DShowPlayer->GetState() == State_Running;
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
  FWasPlaying = DShowPlayer->GetState() == State_Running;
}

void TVyrPlayerForm::MediaTrackAreaChange(TObject*)
{
  if (FWasPlaying) DShowPlayer->Pause();
  DShowPlayer->SetPosition(MediaTrackArea->GetPosition());
}

void TVyrPlayerForm::MediaTrackAreaMouseUp(TObject*, TMouseButton, TShiftState, int, int)
{
  if (DShowPlayer->GetState() == State_Paused && FWasPlaying) DShowPlayer->Play();
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
  for (int i = 0; i < viewSize->GetCount(); ++i)
    viewSize->GetItem(i)->SetChecked(i == static_cast<int>(FViewMode));
}

void TVyrPlayerForm::ViewSizeClick(TObject* Sender)
{
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || item->GetChecked()) return;
  if (FViewMode == TViewMode::FullScreen) {
    DShowPlayer->SetFullScreen(false);
    // Out of full screen, the action offers full screen again.
    FullScreenAction->SetCaption(Text(FullScreen));
  }
  FViewMode = static_cast<TViewMode>(item->GetMenuIndex());
  ApplyViewMode();
}

AnsiString TVyrPlayerForm::FormatTime(int seconds)
{
  const int minutes = seconds / 60, rest = seconds % 60;
  return (minutes < 10 ? "0" : "") + IntToStr(minutes) + ":" + (rest < 10 ? "0" : "") + IntToStr(rest);
}
