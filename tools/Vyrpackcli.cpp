#include "Vyrpackcli.h"

#include "Vyrformat.h"

#include <windows.h>

#include <charconv>
#include <cstdio>
#include <iomanip>

namespace vyrformat {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const char* const Usage =
    "usage: vyrpack pack [--segments N | --segment-size BYTES] [--shuffle] [--seed N] [--gap BYTES] IN OUT\n"
    "       vyrpack unpack IN OUT\n"
    "       vyrpack info IN\n"
    "       vyrpack verify IN\n";

class UsageError : public VyrError {
public:
  using VyrError::VyrError;
};

uint32_t ParseNumber(const std::string& option, const std::string& text, uint32_t max)
{
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value > max)
    throw UsageError("bad value for " + option + ": \"" + text + "\"");
  return static_cast<uint32_t>(value);
}

struct Command {
  std::string Name;
  std::vector<std::string> Files;
  PackOptions Options;
};

Command Parse(const std::vector<std::string>& args)
{
  if (args.empty()) throw UsageError("no command given");
  Command command;
  command.Name = args[0];
  bool haveCount = false, haveSize = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "--segments") {
      command.Options.SegmentCount = static_cast<int32_t>(ParseNumber(a, value(), 0x7FFFFFFF));
      if (command.Options.SegmentCount == 0) throw UsageError("--segments must be at least 1");
      haveCount = true;
    } else if (a == "--segment-size") {
      command.Options.SegmentSize = static_cast<int32_t>(ParseNumber(a, value(), 0x7FFFFFFF));
      if (command.Options.SegmentSize == 0) throw UsageError("--segment-size must be at least 1");
      haveSize = true;
    } else if (a == "--shuffle") {
      command.Options.Shuffle = true;
    } else if (a == "--seed") {
      command.Options.Seed = ParseNumber(a, value(), 0xFFFFFFFF);
    } else if (a == "--gap") {
      command.Options.Gap = ParseNumber(a, value(), 0x7FFFFFFF);
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      throw UsageError("unknown option " + a);
    } else {
      command.Files.push_back(a);
    }
  }
  if (haveCount && haveSize) throw UsageError("--segments and --segment-size exclude each other");
  bool packing = command.Name == "pack";
  if (!packing && (haveCount || haveSize || command.Options.Shuffle || command.Options.Gap))
    throw UsageError("layout options belong to the pack command");
  size_t files = (packing || command.Name == "unpack") ? 2 : (command.Name == "info" || command.Name == "verify") ? 1 : 0;
  if (files == 0) throw UsageError("unknown command \"" + command.Name + "\"");
  if (command.Files.size() != files)
    throw UsageError(command.Name + " takes " + std::to_string(files) + (files == 1 ? " file" : " files"));
  return command;
}

// Progress on the error stream, only once an operation has run for a while.
class ProgressLine {
public:
  explicit ProgressLine(std::ostream& err, const char* verb) : FErr(err), FVerb(verb), FStart(GetTickCount()) {}
  ~ProgressLine()
  {
    if (FShown) FErr << "\n" << std::flush;
  }
  void operator()(uint64_t done, uint64_t total)
  {
    DWORD now = GetTickCount();
    if (now - FStart < 1000 || now - FLast < 250 || total == 0) return;
    FLast = now;
    FShown = true;
    FErr << "\r" << FVerb << ": " << (done * 100 / total) << "%" << std::flush;
  }
  Progress Callback()
  {
    return [this](uint64_t done, uint64_t total) { (*this)(done, total); };
  }

private:
  std::ostream& FErr;
  const char* FVerb;
  DWORD FStart;
  DWORD FLast = 0;
  bool FShown = false;
};

std::string Hex(uint32_t value)
{
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

void PrintInfo(const Info& info, std::ostream& out)
{
  out << "version: " << info.Version << "\n"
      << "segments: " << info.SegmentCount << "\n"
      << "stream length: " << info.StreamLength << "\n"
      << "file size: " << info.FileSize << "\n";
  uint64_t position = 0;
  for (size_t i = 0; i < info.Table.size(); ++i) {
    const Segment& s = info.Table[i];
    out << "segment " << i << ": offset " << s.Offset << " length " << s.Length << " stream " << position << "\n";
    position += static_cast<uint64_t>(s.Length);
  }
}

int Run(const Command& command, std::ostream& out, std::ostream& err)
{
  if (command.Name == "pack") {
    ProgressLine progress(err, "packing");
    Info info = PackFile(command.Files[0], command.Files[1], command.Options, progress.Callback());
    out << "packed " << info.StreamLength << " bytes into " << info.SegmentCount << " segments\n";
  } else if (command.Name == "unpack") {
    ProgressLine progress(err, "unpacking");
    Info info = UnpackFile(command.Files[0], command.Files[1], progress.Callback());
    out << "unpacked " << info.StreamLength << " bytes from " << info.SegmentCount << " segments\n";
  } else if (command.Name == "info") {
    PrintInfo(ReadInfo(command.Files[0]), out);
  } else {
    ProgressLine progress(err, "verifying");
    Info info;
    uint32_t crc = VerifyFile(command.Files[0], &info, progress.Callback());
    out << "ok: " << info.SegmentCount << " segments, " << info.StreamLength << " bytes, crc32 " << Hex(crc) << "\n";
  }
  return ExitOk;
}

}  // namespace

int RunVyrpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
  try {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
      out << Usage;
      return ExitOk;
    }
    return Run(Parse(args), out, err);
  } catch (const UsageError& e) {
    err << "vyrpack: " << e.what() << " (vyrpack --help for usage)" << std::endl;
    return ExitUsage;
  } catch (const std::exception& e) {
    err << "vyrpack: " << e.what() << std::endl;
    return ExitFailed;
  } catch (...) {
    err << "vyrpack: unexpected failure" << std::endl;
    return ExitFailed;
  }
}

}  // namespace vyrformat
