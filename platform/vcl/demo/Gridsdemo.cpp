// gridsdemo [--ltr]: the grids demo form, Hebrew first; --ltr shows it left to right.
#include <windows.h>

#include "GridsDemo.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  try {
    Application->Initialize();
    TGridsDemo* demo = nullptr;
    Application->CreateForm(TGridsDemo::StaticClass(), &demo);
    if (ParamCount() >= 1 && ParamStr(1) == AnsiString("--ltr")) demo->SetRightToLeft(false);
    Application->Run();
  } catch (Exception& e) {
    Application->ShowException(&e);
  }
  return 0;
}
