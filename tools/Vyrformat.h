// Writing and checking .vyr containers: the layout planner, the header codec and whole-file
// pack/unpack/verify. Shared by the vyrpack tool, its tests, the filter's tests and the benchmark.
// The player's source filter reads .vyr files with its own code and does not use this unit.
#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vyrformat {

// Files and streams use 32-bit offsets and lengths: both stay below 2^31 bytes.
constexpr uint64_t MaxFileSize = 0x7FFFFFFFu;
constexpr uint32_t FormatVersion = 1;
constexpr uint32_t HeaderSize = 10;  // "VR", version, segment count
constexpr uint32_t EntrySize = 8;    // offset, length
constexpr uint8_t GapFiller = 0x5A;  // what lies between segments: never part of the stream

struct Segment {
  uint32_t Offset = 0;
  int32_t Length = 0;
};

// How a stream is cut into segments and laid out in the file.
struct PackOptions {
  int32_t SegmentCount = 1;  // used when SegmentSize is 0
  int32_t SegmentSize = 0;   // bytes per segment (the last one may be shorter); 0: use SegmentCount
  bool Shuffle = false;      // place the segment data in a seeded random order
  uint32_t Seed = 1;
  uint32_t Gap = 0;          // filler bytes before each segment's data
};

// Every failure of this unit: one line of text for the user.
class VyrError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The parsed header of a .vyr file.
struct Info {
  uint32_t Version = 0;
  int32_t SegmentCount = 0;
  std::vector<Segment> Table;
  uint64_t FileSize = 0;
  uint64_t StreamLength = 0;
};

// Called now and then during long operations with the bytes done and the total.
using Progress = std::function<void(uint64_t done, uint64_t total)>;

// Segment lengths and file offsets for a stream of the given length; throws VyrError when the
// options make no sense or the file would not fit the format's 32-bit offsets.
std::vector<Segment> PlanLayout(uint64_t streamLength, const PackOptions& options);

// The header and segment table as stored in the file.
std::vector<uint8_t> EncodeHeader(const std::vector<Segment>& table, uint32_t version = FormatVersion);

// Parses a header from the first bytes of a file (throws VyrError on malformed headers).
Info DecodeHeader(const uint8_t* data, size_t size, uint64_t fileSize);

// The file size a table needs: the end of the header or of the furthest segment.
uint64_t RequiredFileSize(const std::vector<Segment>& table);

// Complements every byte: stored byte = stream byte XOR 0xFF, and back.
void Invert(uint8_t* data, size_t count);

// A whole .vyr image in memory (for tests): stream bytes packed as the options say.
std::vector<uint8_t> PackImage(const std::vector<uint8_t>& stream, const PackOptions& options);
// The stream bytes of an image in memory (throws VyrError when it is malformed).
std::vector<uint8_t> UnpackImage(const std::vector<uint8_t>& image);

// File operations (paths in UTF-8). Each throws VyrError with a one-line message on failure.
Info PackFile(const std::string& in, const std::string& out, const PackOptions& options,
              const Progress& progress = {});
Info UnpackFile(const std::string& in, const std::string& out, const Progress& progress = {});
Info ReadInfo(const std::string& path);
// Re-reads every segment; returns the CRC-32 of the stream (throws when a segment cannot be read).
uint32_t VerifyFile(const std::string& path, Info* info = nullptr, const Progress& progress = {});

uint32_t Crc32(const uint8_t* data, size_t count, uint32_t crc = 0);

// Whole-file helpers for tests and tools.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data);

}  // namespace vyrformat
