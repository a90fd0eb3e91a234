// A program whose main form plays a file and closes itself while it plays: the player tests check that
// such a program ends, and ends with code 0.
//   playerexit FILE [MILLISECONDS]
#include <windows.h>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Qelvyrplayer.h"
#include "SysUtils.h"

namespace {

class TExitForm : public TForm {
  VCL_DECLARE_CLASS(TExitForm, TForm)

public:
  explicit TExitForm(TOwnerArg owner) : TForm(owner, 0)
  {
    SetClientWidth(352);
    SetClientHeight(288);
    Player = new TQelVyrPlayer(this);
    Player->SetParent(this);
    Player->SetAlign(alClient);
    Player->SetLoop(true);
    Timer = new TTimer(this);
    Timer->SetEnabled(false);
    Timer->SetOnTimer(TNotifyEvent(this, &TExitForm::TimeUp));
  }

  void Start(const AnsiString& file, unsigned milliseconds)
  {
    Player->Open(file);
    Player->Play();
    Timer->SetInterval(milliseconds);
    Timer->SetEnabled(true);
  }

  void TimeUp(TObject*)
  {
    Timer->SetEnabled(false);
    // Still playing: the graph goes with the form.
    if (Player->GetState() != 2) ExitCode = 3;
    Close();
  }

  TQelVyrPlayer* Player;
  TTimer* Timer;
  static int ExitCode;
};

int TExitForm::ExitCode = 0;

}  // namespace

VCL_IMPLEMENT_CLASS(TExitForm)

int main()
{
  if (ParamCount() < 1) return 2;
  Application->Initialize();
  TExitForm* form = nullptr;
  Application->CreateForm(TExitForm::StaticClass(), &form);
  form->Start(ParamStr(1), ParamCount() >= 2 ? StrToInt(ParamStr(2)) : 1500);
  Application->Run();
  return TExitForm::ExitCode;
}
