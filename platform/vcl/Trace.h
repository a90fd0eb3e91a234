// Diagnostics a developer switches on. OSTREL_DEBUG names the channels: OSTREL_DEBUG=+filter,+pin
// (or +all; -name takes one back out of +all). Each line goes to OutputDebugString as
// "ostrel:<channel>: <text>", which Wine prints under WINEDEBUG=+debugstr and a debugger shows on
// Windows. With its channel off a trace is one test of a bit; its arguments are not even evaluated.
//
//   OSTREL_TRACE(filter, "segment %u at %lld", index, offset);
#pragma once

enum class TTraceChannel : unsigned { filter, pin, graph, locale, player, forms, twain };

// The channels OSTREL_DEBUG switches on, one bit each (read once per process).
unsigned TraceChannels() noexcept;
// Parses an OSTREL_DEBUG value: the bits of the channels it switches on. Unknown names are ignored.
unsigned ParseTraceChannels(const char* value) noexcept;
// Writes one line on the channel (printf-style; at most 1,000 characters are kept).
void TraceWrite(TTraceChannel channel, const char* format, ...) noexcept __attribute__((format(gnu_printf, 2, 3)));

inline bool TraceEnabled(TTraceChannel channel) noexcept
{
  static const unsigned channels = TraceChannels();
  return (channels >> static_cast<unsigned>(channel)) & 1u;
}

#define OSTREL_TRACE(channel, ...)                                                      \
  do {                                                                                  \
    if (TraceEnabled(TTraceChannel::channel)) TraceWrite(TTraceChannel::channel, __VA_ARGS__); \
  } while (0)
