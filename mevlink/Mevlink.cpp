// The media-event bridge. Its notification exports come with the bridge itself; until then the
// library only loads and unloads.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
