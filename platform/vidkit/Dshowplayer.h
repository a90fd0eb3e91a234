// TQelCustomDShowPlayer: a panel that plays one media file through a DirectShow filter graph and shows
// its video inside itself.
//
//   player->Open("clip.mpg");   // builds the graph through the virtual Render; does not start
//   player->Play();
//
// The control builds a fresh graph for each Open and releases it on Close, on the next Open and when
// it is destroyed; a subclass learns of both through GraphReleasing. With nothing open every call is
// harmless: GetState answers NoMedia, the transport and sound calls do nothing, duration and
// position are 0, and the video size and volume are kept for the next file.
//
// Graph events come to a hidden window of the control on the main thread. While a file plays,
// OnPositionChange is raised four times a second, and once after every seek and stop. Seeks are
// coalesced: SetPosition only records the target, and the latest target of a burst is carried out
// once the messages already queued have been handled (the graph is stopped, moved and put back in its
// state, the one way of seeking that Wine's graph survives with sound playing).
#pragma once

#include <windows.h>
#include <dshow.h>

#include "ExtCtrls.h"
#include "System.h"

class TQelCustomDShowPlayer : public TCustomPanel {
  VCL_DECLARE_CLASS(TQelCustomDShowPlayer, TCustomPanel)

public:
  // GetState with no graph (nothing open, or a graph that cannot say).
  static constexpr unsigned char NoMedia = 0xFF;

  explicit TQelCustomDShowPlayer(TOwnerArg owner);
  ~TQelCustomDShowPlayer() override;

  // Builds the graph for fileName with the graph builder present; true on success. The base lets the
  // platform render the file (RenderFile). A failure raises (OleCheck) or answers false.
  virtual bool Render(const AnsiString& fileName);

  // Loads the file (or FileName) into a new graph; playback does not start. A file that cannot be
  // rendered raises with the platform's code and leaves the control with nothing open.
  void Open(const AnsiString& fileName);
  void Open();
  // Releases the graph; nothing is open afterwards.
  void Close();
  bool IsOpen() const { return FGraphBuilder.IsBound(); }

  void Play();
  void Pause();
  // Stops and rewinds to the start.
  void Stop();
  // 0 stopped, 1 paused, 2 playing; NoMedia with nothing open.
  unsigned char GetState();

  // Whole seconds: the duration rounded to the nearest second, the position truncated (at the end
  // it reads as the duration).
  int GetDuration();
  int GetPosition();
  // Clamped to 0..duration; carried out after the messages already queued (see above).
  void SetPosition(int seconds);

  // 0 to 100; 100 is full volume, each halving of the value halves the loudness a listener hears
  // (-10 dB), and 0 is silence. Kept while muted and with nothing open.
  int GetVolume() const { return FVolume; }
  void SetVolume(int value);
  bool GetMute() const { return FMute; }
  void SetMute(bool value);

  bool GetFullScreen() const { return FFullScreenWindow != nullptr; }
  // The video covers the monitor the control is on; keys keep arriving at OnKeyDown. Leaving puts the
  // video back into the control at its size.
  void SetFullScreen(bool value);
  // The video's size within the control, centred; 0 x 0 fills the control.
  void SetVideoSize(int width, int height);
  // True when the open file has a picture.
  bool HasVideo() const { return FVideoWindow.IsBound(); }
  // The picture's own size; false with no picture.
  bool GetNativeVideoSize(int& width, int& height);

  bool GetLoop() const { return FLoop; }
  void SetLoop(bool value) { FLoop = value; }
  AnsiString GetFileName() const { return FFileName; }
  void SetFileName(const AnsiString& value) { FFileName = value; }

  TNotifyEvent OnPositionChange;

  // The platform's hundredths of a decibel for a volume of 0 to 100.
  static long VolumeToDecibels(int volume);

protected:
  void Loaded() override;
  void Dispatch(void* message) override;
  void CreateWnd() override;
  void Resize() override;

  // Makes the empty graph Open fills; raises on failure. Tests put a graph of their own in here.
  virtual DelphiInterface<IGraphBuilder> CreateGraph();
  // Called before the graph is released (by Close, by the next Open, by a failed Open and by the
  // destructor), while it is still there.
  virtual void GraphReleasing() {}

  // The graph, in the order it is taken apart; the builder is present exactly while a file is open
  // (and while Render runs).
  DelphiInterface<IGraphBuilder> FGraphBuilder;
  DelphiInterface<IMediaControl> FMediaControl;
  DelphiInterface<IMediaEventEx> FMediaEvent;
  DelphiInterface<IMediaSeeking> FMediaSeeking;
  DelphiInterface<IVideoWindow> FVideoWindow;
  DelphiInterface<IBasicVideo> FBasicVideo;
  DelphiInterface<IBasicAudio> FBasicAudio;
  DelphiInterface<IMediaPosition> FMediaPosition;

private:
  void ReleaseGraph();
  void UseSystemClock();
  void PrepareVideo();
  void PlaceVideo();
  void ApplyVolume();
  void PositionChanged();
  void Seek(LONGLONG target);
  void CarryOutSeek();
  void UpdateTimer();
  void GraphEvents();
  void NotifyWndProc(TMessage& message);
  void FullScreenMessage(HWND window, TMessage& message);

  HWND FNotifyWindow = nullptr;
  HWND FFullScreenWindow = nullptr;
  DelphiInterface<IBaseFilter> FVideoRenderer;  // ours until it is known to be connected
  AnsiString FFileName;
  bool FLoop = false;
  bool FMute = false;
  int FVolume = 100;
  int FVideoWidth = 0;
  int FVideoHeight = 0;
  bool FTimerRunning = false;
  bool FSeekPending = false;
  LONGLONG FSeekTarget = 0;  // 100-ns units
};

