// The player program. Its windows arrive with the player itself; the skeleton links every package
// it will use and exits with a failure code, so that nothing mistakes it for a working player.
#include <windows.h>

extern "C" const char* VyrPlayerPkgPackageName();
extern "C" const char* QelPackageName();
extern "C" const char* QelBasePackageName();
extern "C" const char* QelLocalPackageName();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
  const char* linked[] = {VyrPlayerPkgPackageName(), QelPackageName(), QelBasePackageName(),
                          QelLocalPackageName()};
  (void)linked;
  return 1;
}
