// The player program: Application->Initialize runs the start-up step (Qelappinit), which makes the main
// window; Application->Run shows it and runs until it closes.
#include <windows.h>

#include "Forms.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  try {
    Application->Initialize();
    Application->Run();
  } catch (Exception& e) {
    Application->ShowException(&e);
  }
  return 0;
}
