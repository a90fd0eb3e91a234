// A form with the player control for the control's tests, and a player that shows its graph.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "Forms.h"
#include "Qelvyrplayer.h"

namespace playertest {

// The control with its graph in view, a graph of the test's making when GraphFactory is set, and a
// count of the graphs it let go.
class TTestPlayer : public TQelVyrPlayer {
public:
  using TQelVyrPlayer::TQelVyrPlayer;
  IGraphBuilder* Graph() const { return FGraphBuilder; }
  IMediaSeeking* Seeking() const { return FMediaSeeking; }
  IBasicAudio* Audio() const { return FBasicAudio; }
  IVideoWindow* Video() const { return FVideoWindow; }

  std::function<DelphiInterface<IGraphBuilder>()> GraphFactory;
  int GraphsReleased = 0;
  int PositionEvents = 0;
  DWORD PositionEventThread = 0;
  void CountPositionEvent(TObject*)
  {
    ++PositionEvents;
    PositionEventThread = GetCurrentThreadId();
  }
  void CountPositionEvents() { OnPositionChange = TNotifyEvent(this, &TTestPlayer::CountPositionEvent); }

protected:
  DelphiInterface<IGraphBuilder> CreateGraph() override
  {
    return GraphFactory ? GraphFactory() : TQelVyrPlayer::CreateGraph();
  }
  void GraphReleasing() override
  {
    ++GraphsReleased;
    TQelVyrPlayer::GraphReleasing();
  }
};

// A plain form (no stored form) of the given client size with the player filling it, shown in front.
struct PlayerForm {
  explicit PlayerForm(int width = 352, int height = 288);
  ~PlayerForm();
  PlayerForm(const PlayerForm&) = delete;
  PlayerForm& operator=(const PlayerForm&) = delete;

  TForm* Form = nullptr;
  TTestPlayer* Player = nullptr;
};

// The playing position in seconds, to the 100-ns unit the graph reports; -1 with nothing open.
double ExactPosition(TTestPlayer* player);

// A test file from the build's media folder, as a Windows path.
AnsiString Media(const std::string& name);

// A copy of a media file under another name in a scratch folder (removed with the object).
class MediaCopy {
public:
  MediaCopy(const std::string& media, const std::wstring& name);
  MediaCopy(const std::string& bytes, const std::wstring& name, bool raw);
  ~MediaCopy();
  AnsiString Path() const;

private:
  std::wstring FFolder, FPath;
};

}  // namespace playertest
