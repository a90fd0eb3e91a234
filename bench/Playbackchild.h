// What the two playback programs of the playback bench share: clocks, the process's CPU time, the
// message pump, the first-frame check and the command line both understand:
//   PROGRAM cpu FILE SECONDS         plays FILE for SECONDS and prints the CPU time it took
//   PROGRAM first-frame FILE EVENT   plays FILE, sets the named event once a picture shows, and ends
// playours.exe plays through a form with the project's player control, playstock.exe through the
// platform's RenderFile in a bare window; playbackbench.exe starts both and compares.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace playback {

inline double Seconds()
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// User and kernel time of the whole process (every thread, the graph's among them), in seconds.
inline double CpuSeconds()
{
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
}

// Handles this thread's messages, then waits up to waitMs for the next.
template <class Dispatch> void PumpOnce(Dispatch dispatch, DWORD waitMs)
{
  dispatch();
  MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
}

// True when the first child window of host (the video renderer's window) shows a picture: a grid of
// its pixels holds at least three colours. An empty video window is one colour (black), a frame of
// the test clip (colour bars over a gradient) many.
inline bool ShowsPicture(HWND host)
{
  HWND video = GetWindow(host, GW_CHILD);
  if (!video || !IsWindowVisible(video)) return false;
  RECT area;
  if (!GetClientRect(video, &area) || area.right < 8 || area.bottom < 8) return false;
  HDC dc = GetDC(video);
  if (!dc) return false;
  std::set<COLORREF> colours;
  constexpr int Grid = 6;
  for (int y = 1; y < Grid; ++y)
    for (int x = 1; x < Grid; ++x) {
      COLORREF c = GetPixel(dc, area.right * x / Grid, area.bottom * y / Grid);
      if (c != CLR_INVALID) colours.insert(c);
    }
  ReleaseDC(video, dc);
  return colours.size() >= 3;
}

// The command line of a playback program.
struct Command {
  enum Mode { Cpu, FirstFrame } What = Cpu;
  std::wstring File;
  double PlaySeconds = 0;  // cpu
  std::wstring Event;      // first-frame

  bool Parse(int argc, wchar_t** argv)
  {
    if (argc != 4) return false;
    File = argv[2];
    if (std::wstring(argv[1]) == L"cpu") {
      What = Cpu;
      PlaySeconds = _wtof(argv[3]);
      return PlaySeconds > 0;
    }
    if (std::wstring(argv[1]) == L"first-frame") {
      What = FirstFrame;
      Event = argv[3];
      return true;
    }
    return false;
  }
};

// Sets the parent's named event: the first frame is on the screen.
inline bool SignalFirstFrame(const std::wstring& name)
{
  HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
  if (!event) return false;
  const bool ok = SetEvent(event) != 0;
  CloseHandle(event);
  return ok;
}

// The figures of a cpu run, one `name: value` line each, read back by playbackbench.
inline void ReportCpu(double cpuSeconds, double playSeconds, double positionSeconds)
{
  std::printf("cpu_seconds: %.4f\nplay_seconds: %.4f\nposition_seconds: %.3f\n", cpuSeconds, playSeconds,
              positionSeconds);
  std::fflush(stdout);
}

constexpr DWORD FirstFrameTimeoutMs = 30000;
constexpr LONGLONG UnitsPerSecond = 10000000;

}  // namespace playback
