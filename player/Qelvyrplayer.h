// TQelVyrPlayer: the media-player control of the program's windows. A .vyr file (extension in any
// letter case) is played through the system's own source filter, TVyrFilter; every other file is left
// to the base control.
#pragma once

#include "Dshowplayer.h"
#include "Vyrfilter.h"

class TQelVyrPlayer : public TQelCustomDShowPlayer {
  VCL_DECLARE_CLASS(TQelVyrPlayer, TQelCustomDShowPlayer)

public:
  explicit TQelVyrPlayer(TOwnerArg owner);
  ~TQelVyrPlayer() override;

  // For a .vyr file: a new TVyrFilter in the graph, its pin rendered downstream; raises with the
  // graph's code (OleCheck) or the filter's when the file cannot be played. Others: the base's.
  bool Render(const AnsiString& fileName) override;

  // The filter this control last put into its graph, while that graph holds it; null otherwise. It
  // holds no reference: the graph owns the filter.
  TVyrFilter* GetFilter() const { return FFilter; }

protected:
  void GraphReleasing() override;

private:
  // The graph builder must be there; when it is not, the question box asks what to do. Yes raises, No
  // and Cancel answer false.
  bool CheckGraphBuilder(int line);

  TVyrFilter* FFilter = nullptr;
};

// The debugging assertion of the control: shows "expression @ file/line" in a task-modal question box
// captioned "_ASSERTE: " with Yes, No and Cancel. Yes raises Exception("expression failed - file/line");
// the answer is returned otherwise (IDNO or IDCANCEL).
int QelAssertFailed(const char* expression, const char* file, int line);
