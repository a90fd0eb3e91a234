// Playback against the platform's stock playback:
//   playbackbench OURS.vyr STOCK.mpg [PLAY_SECONDS [CPU_ROUNDS [LAUNCHES]]]
// Ours is a form with the project's player control playing the .vyr (playours.exe); the stock one a
// bare window with IGraphBuilder::RenderFile of the same stream as .mpg (playstock.exe). Both programs
// lie beside this one and run as processes of their own, alternately.
//   cpu      each program plays PLAY_SECONDS (60) and reports its process's CPU time (user + kernel,
//            every thread) over that time; a figure is CPU seconds per second played, the lowest of
//            CPU_ROUNDS (2) runs.
//   launch   from CreateProcess until the program signals that the first frame of the clip shows in
//            its video window; the mean of LAUNCHES (5) launches each.
// The last lines are the ratios (ours over stock: lower is better, 1 is par).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Seconds()
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class Handle {
public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void Close()
  {
    if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = nullptr;
  }
  HANDLE Get() const { return h_; }
  HANDLE* Out() { return &h_; }

private:
  HANDLE h_;
};

std::wstring Folder()
{
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

struct Child {
  Handle Process;
  Handle Thread;
};

// Starts PROGRAM ARGS from this folder; its output goes to stdoutPipe when one is given.
bool Start(const std::wstring& program, const std::wstring& args, HANDLE stdoutPipe, Child& child)
{
  std::wstring commandLine = Quote(Folder() + program) + L" " + args;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (stdoutPipe) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = stdoutPipe;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, stdoutPipe != nullptr, 0, nullptr, nullptr,
                      &startup, &info)) {
    std::fprintf(stderr, "playbackbench: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
    return false;
  }
  *child.Process.Out() = info.hProcess;
  *child.Thread.Out() = info.hThread;
  return true;
}

bool EndedWell(Child& child, DWORD timeoutMs)
{
  if (WaitForSingleObject(child.Process.Get(), timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(child.Process.Get(), 3);
    WaitForSingleObject(child.Process.Get(), 5000);
    return false;
  }
  DWORD code = 1;
  GetExitCodeProcess(child.Process.Get(), &code);
  return code == 0;
}

// The value of a `name: value` line of text; negative when there is none.
double Figure(const std::string& text, const char* name)
{
  const std::string key = std::string(name) + ": ";
  const size_t at = text.find(key);
  return at == std::string::npos ? -1.0 : std::atof(text.c_str() + at + key.size());
}

// One cpu run: CPU seconds per second played, or a negative value on failure.
double CpuPerSecond(const std::wstring& program, const std::wstring& file, double playSeconds)
{
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle readEnd, writeEnd;
  if (!CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0)) return -1;
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
  Child child;
  if (!Start(program, L"cpu " + Quote(file) + L" " + std::to_wstring(playSeconds), writeEnd.Get(), child)) return -1;
  writeEnd.Close();
  std::string output;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(readEnd.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  if (!EndedWell(child, 60000)) {
    std::fprintf(stderr, "playbackbench: %ls failed: %s\n", program.c_str(), output.c_str());
    return -1;
  }
  const double cpu = Figure(output, "cpu_seconds"), played = Figure(output, "play_seconds");
  const double position = Figure(output, "position_seconds");
  // A run whose clip did not move measured an idle program, not playback.
  if (cpu < 0 || played <= 0 || position < playSeconds * 0.9) {
    std::fprintf(stderr, "playbackbench: %ls did not play through: %s\n", program.c_str(), output.c_str());
    return -1;
  }
  return cpu / played;
}

// One launch: milliseconds from CreateProcess until the first frame shows, or negative on failure.
double LaunchMs(const std::wstring& program, const std::wstring& file, int round)
{
  const std::wstring name = L"OstrelFirstFrame-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(round);
  Handle shown(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
  if (!shown.Get()) return -1;
  Child child;
  const double start = Seconds();
  if (!Start(program, L"first-frame " + Quote(file) + L" " + name, nullptr, child)) return -1;
  HANDLE waits[] = {shown.Get(), child.Process.Get()};
  const DWORD which = WaitForMultipleObjects(2, waits, FALSE, 60000);
  const double elapsed = Seconds() - start;
  // The program ends by itself once it has signalled; the next launch waits for that.
  const bool ended = EndedWell(child, 30000);
  if (which != WAIT_OBJECT_0 || !ended) {
    std::fprintf(stderr, "playbackbench: %ls showed no first frame\n", program.c_str());
    return -1;
  }
  return elapsed * 1000.0;
}

std::wstring Wide(const char* text)
{
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

double Mean(const std::vector<double>& v)
{
  double sum = 0;
  for (double x : v) sum += x;
  return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 3 || argc > 6) {
    std::fputs("usage: playbackbench OURS.vyr STOCK.mpg [PLAY_SECONDS [CPU_ROUNDS [LAUNCHES]]]\n", stderr);
    return 2;
  }
  const std::wstring ours = Wide(argv[1]), stock = Wide(argv[2]);
  const double playSeconds = argc > 3 ? std::atof(argv[3]) : 60.0;
  const int cpuRounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 2;
  const int launches = argc > 5 ? std::max(1, std::atoi(argv[5])) : 5;
  if (playSeconds <= 0) {
    std::fputs("playbackbench: PLAY_SECONDS must be positive\n", stderr);
    return 2;
  }

  // Launches first, while nothing else of ours has warmed the file cache more for one than the other;
  // one unmeasured launch each beforehand loads the platform's modules from disk for both.
  if (LaunchMs(L"playstock.exe", stock, -1) < 0 || LaunchMs(L"playours.exe", ours, -2) < 0) return 1;
  std::vector<double> ourLaunch, stockLaunch;
  for (int round = 0; round < launches; ++round) {
    // Alternating, and each first in turn.
    for (int which = 0; which < 2; ++which) {
      const bool oursNow = (which == 0) == (round % 2 == 0);
      const double ms = oursNow ? LaunchMs(L"playours.exe", ours, round * 2 + which)
                                : LaunchMs(L"playstock.exe", stock, round * 2 + which);
      if (ms < 0) return 1;
      (oursNow ? ourLaunch : stockLaunch).push_back(ms);
    }
  }

  double ourCpu = 1e9, stockCpu = 1e9;
  for (int round = 0; round < cpuRounds; ++round) {
    const double o = CpuPerSecond(L"playours.exe", ours, playSeconds);
    const double s = CpuPerSecond(L"playstock.exe", stock, playSeconds);
    if (o < 0 || s < 0) return 1;
    ourCpu = std::min(ourCpu, o);
    stockCpu = std::min(stockCpu, s);
  }

  const double ol = Mean(ourLaunch), sl = Mean(stockLaunch);
  std::printf("cpu_per_second_ours: %.4f\n", ourCpu);
  std::printf("cpu_per_second_stock: %.4f\n", stockCpu);
  std::printf("launch_ms_ours: %.1f\n", ol);
  std::printf("launch_ms_stock: %.1f\n", sl);
  std::printf("cpu_vs_stock: %.3f\n", stockCpu > 0 ? ourCpu / stockCpu : 0.0);
  std::printf("launch_vs_stock: %.3f\n", sl > 0 ? ol / sl : 0.0);
  std::fflush(stdout);
  return 0;
}
