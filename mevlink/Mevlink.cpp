// The media-event bridge: three exports that hand a filter graph's notification settings to its
// IMediaEventEx, for callers that cannot make a COM call themselves. Nothing is checked here: the
// caller passes a live interface (and a writable out pointer), and the graph's HRESULT comes back
// exactly as the graph gave it.
#include <windows.h>
#include <dshow.h>

extern "C" {

// Events of the graph are posted to window as message msg, with instanceData in their lParam.
HRESULT __cdecl SetNotifyWindow(IMediaEventEx* events, OAHWND window, long msg, LONG_PTR instanceData)
{
  return events->SetNotifyWindow(window, msg, instanceData);
}

// AM_MEDIAEVENT_NONOTIFY stops the posting (and the event handle's signalling); 0 turns it back on.
HRESULT __cdecl SetNotifyFlags(IMediaEventEx* events, long flags)
{
  return events->SetNotifyFlags(flags);
}

HRESULT __cdecl GetNotifyFlags(IMediaEventEx* events, long* flags)
{
  return events->GetNotifyFlags(flags);
}

}  // extern "C"

// Loading and unloading the library does nothing.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
