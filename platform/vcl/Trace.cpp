// Trace: the developer's diagnostic channels (OSTREL_DEBUG), written with OutputDebugString.
#include "Trace.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const ChannelNames[] = {"filter", "pin", "graph", "locale", "player", "forms", "twain"};
constexpr unsigned ChannelCount = sizeof ChannelNames / sizeof ChannelNames[0];
constexpr unsigned AllChannels = (1u << ChannelCount) - 1;

}  // namespace

unsigned ParseTraceChannels(const char* value) noexcept
{
  unsigned channels = 0;
  if (!value) return 0;
  const char* p = value;
  while (*p) {
    const char* end = std::strchr(p, ',');
    const size_t length = end ? static_cast<size_t>(end - p) : std::strlen(p);
    if (length > 1 && (*p == '+' || *p == '-')) {
      const std::string name(p + 1, length - 1);
      unsigned bits = name == "all" ? AllChannels : 0;
      for (unsigned i = 0; i < ChannelCount && !bits; ++i)
        if (name == ChannelNames[i]) bits = 1u << i;
      channels = *p == '+' ? channels | bits : channels & ~bits;
    }
    p += length;
    if (*p == ',') ++p;
  }
  return channels;
}

unsigned TraceChannels() noexcept
{
  char value[256];
  const DWORD length = GetEnvironmentVariableA("OSTREL_DEBUG", value, sizeof value);
  if (length == 0 || length >= sizeof value) return 0;
  return ParseTraceChannels(value);
}

void TraceWrite(TTraceChannel channel, const char* format, ...) noexcept
{
  const unsigned index = static_cast<unsigned>(channel);
  char line[1024];
  int used = std::snprintf(line, sizeof line, "ostrel:%s: ", index < ChannelCount ? ChannelNames[index] : "?");
  if (used < 0) return;
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(line + used, sizeof line - used - 1, format, args);
  va_end(args);
  if (written > 0) used += std::min<int>(written, static_cast<int>(sizeof line) - used - 2);
  line[used++] = '\n';
  line[used] = '\0';
  OutputDebugStringA(line);
}
