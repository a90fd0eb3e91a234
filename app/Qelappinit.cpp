// The program's start-up step, run by Application->Initialize: the reading direction and title from
// the user's language, then the main window.
#include "Forms.h"
#include "Localemgr.h"
#include "Vyrplayerunit.h"
#include "Vyrtexts.h"

namespace {

void (*g_savedInitProc)() = nullptr;

void StartUp()
{
  if (g_savedInitProc) g_savedInitProc();
  Application->SetBiDiMode(IsLocaleBidi() ? bdRightToLeft : bdLeftToRight);
  Application->SetTitle(VyrTexts::Text(VyrTexts::Title));
  RegisterClass(TVyrPlayerForm::StaticClass());
  RegisterVyrPlayerClasses();
  Application->CreateForm(TVyrPlayerForm::StaticClass(), &VyrPlayerForm);
}

TUnitInit QelappinitUnitInit("Qelappinit", [] {
  g_savedInitProc = InitProc;
  InitProc = &StartUp;
});

}  // namespace
