// GUI test kit: USER and GDI object counts for leak tests, and the screen the process sees.
#include "GuiTest.h"

#include <winternl.h>

#include <cstdlib>
#include <cstring>

namespace ostrel::test {

namespace {

// Wine's GDI handle table, as its win32u fills it: 0x10000 entries of 24 bytes on both targets
// (64-bit fields for the object and the user pointer), the object type in byte 14, 0 for a free
// entry. Windows keeps a table at the same place with another entry layout; it is read only
// under Wine, where GetGuiResources has nothing to say.
constexpr size_t WineGdiEntries = 0x10000;
constexpr size_t WineGdiEntrySize = 24;
constexpr size_t WineGdiTypeOffset = 14;

const uint8_t* GdiHandleTable()
{
  PROCESS_BASIC_INFORMATION info{};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof(info), nullptr) != 0 ||
      !info.PebBaseAddress)
    return nullptr;
  // GdiSharedHandleTable: after the fields that winternl.h declares only as reserved.
  const size_t offset = sizeof(void*) == 8 ? 0xF8 : 0x94;
  const uint8_t* table = nullptr;
  std::memcpy(&table, reinterpret_cast<const uint8_t*>(info.PebBaseAddress) + offset, sizeof(table));
  return table;
}

DWORD CountGdiHandleTable()
{
  const uint8_t* table = GdiHandleTable();
  if (!table) return 0;
  DWORD n = 0;
  for (size_t i = 0; i < WineGdiEntries; ++i)
    if (table[i * WineGdiEntrySize + WineGdiTypeOffset] != 0) ++n;
  return n;
}

struct WindowCount {
  DWORD Pid = GetCurrentProcessId();
  DWORD Count = 0;
};

BOOL CALLBACK CountChild(HWND hwnd, LPARAM lp)
{
  auto* c = reinterpret_cast<WindowCount*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == c->Pid) ++c->Count;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM lp)
{
  CountChild(hwnd, lp);
  // Children of every top-level window: a child of ours may sit in another process's window.
  EnumChildWindows(hwnd, CountChild, lp);
  return TRUE;
}

DWORD CountWindows()
{
  WindowCount c;
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&c));
  for (HWND m = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); m;
       m = FindWindowExW(HWND_MESSAGE, m, nullptr, nullptr)) {
    CountChild(m, reinterpret_cast<LPARAM>(&c));
    EnumChildWindows(m, CountChild, reinterpret_cast<LPARAM>(&c));
  }
  return c.Count;
}

}  // namespace

bool RunningUnderWine()
{
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

GuiCounts GuiResources()
{
  GuiCounts counts;
  if (!RunningUnderWine()) {
    counts.User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    counts.Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return counts;
  }
  counts.User = CountWindows();
  counts.UserIsWindowsOnly = true;
  counts.Gdi = CountGdiHandleTable();
  counts.GdiFromHandleTable = true;
  return counts;
}

SIZE ScreenSize()
{
  return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

RECT WorkArea()
{
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

SIZE RequestedDesktop()
{
  const char* value = std::getenv("OSTREL_DESKTOP");
  if (!value) return SIZE{0, 0};
  char* end = nullptr;
  long w = std::strtol(value, &end, 10);
  if (end == value || (*end != 'x' && *end != 'X')) return SIZE{0, 0};
  const char* second = end + 1;
  long h = std::strtol(second, &end, 10);
  if (end == second || *end || w <= 0 || h <= 0) return SIZE{0, 0};
  return SIZE{w, h};
}

}  // namespace ostrel::test
