// Our playback, for the playback bench: a form holding the project's player control, which opens the
// file (a .vyr through the own source filter) and plays it. Command line: Playbackchild.h.
#include "Qelvyrplayer.h"

#include <Forms.h>
#include <SysUtils.h>

#include <cstdio>
#include <memory>

#include "Playbackchild.h"

namespace {

void Dispatch() { Application->ProcessMessages(); }

int Fail(const char* what)
{
  std::fprintf(stderr, "playours: %s\n", what);
  return 1;
}

int Play(const playback::Command& command)
{
  std::unique_ptr<TForm> form(new TForm(nullptr, 0));
  form->SetCaption("Our playback");
  form->SetBounds(40, 40, 400, 340);
  form->SetClientWidth(352);
  form->SetClientHeight(288);
  auto* player = new TQelVyrPlayer(form.get());
  player->SetParent(form.get());
  player->SetAlign(alClient);
  form->Show();
  form->Update();

  player->Open(AnsiString(WideString(command.File.c_str())));
  player->Play();
  int result = 0;
  if (command.What == playback::Command::FirstFrame) {
    const double until = playback::Seconds() + playback::FirstFrameTimeoutMs / 1000.0;
    bool shown = false;
    while (!(shown = playback::ShowsPicture(player->GetHandle())) && playback::Seconds() < until)
      playback::PumpOnce(Dispatch, 2);
    if (!shown || !playback::SignalFirstFrame(command.Event)) result = Fail("no first frame");
  } else {
    // Measured from the moment the graph runs (GetState answers the state the graph is going to).
    if (player->GetState() != 2) return Fail("the player does not play");
    const double cpu0 = playback::CpuSeconds(), start = playback::Seconds();
    while (playback::Seconds() - start < command.PlaySeconds) playback::PumpOnce(Dispatch, 10);
    const double cpu = playback::CpuSeconds() - cpu0, played = playback::Seconds() - start;
    playback::ReportCpu(cpu, played, player->GetPosition());
  }
  player->Close();
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
  playback::Command command;
  if (!command.Parse(argc, argv)) {
    std::fputs("usage: playours cpu FILE SECONDS | playours first-frame FILE EVENT\n", stderr);
    return 2;
  }
  try {
    // COM for the main thread comes with the application's initialisation.
    Application->Initialize();
    return Play(command);
  } catch (const Exception& e) {
    std::fprintf(stderr, "playours: %s\n", e.Message.c_str());
    return 1;
  }
}
