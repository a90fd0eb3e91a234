#include "Vyrformat.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <random>

namespace vyrformat {

namespace {

constexpr size_t IoBlock = 1 << 20;

std::wstring WidePath(const std::string& path)
{
  if (path.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
  return wide;
}

std::string SystemMessage(DWORD error)
{
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n && text ? std::string(text, n) : "error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message;
}

[[noreturn]] void Fail(const std::string& what) { throw VyrError(what); }

[[noreturn]] void FailSystem(const std::string& what, const std::string& path)
{
  Fail(what + " " + path + ": " + SystemMessage(GetLastError()));
}

// An open Win32 file, closed when it goes out of scope.
class File {
public:
  static File OpenRead(const std::string& path)
  {
    File f(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
           path);
    if (!f.Valid()) FailSystem("cannot open", path);
    return f;
  }
  static File Create(const std::string& path)
  {
    File f(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr),
           path);
    if (!f.Valid()) FailSystem("cannot create", path);
    return f;
  }

  File(File&& other) noexcept : FHandle(other.FHandle), FPath(std::move(other.FPath))
  {
    other.FHandle = INVALID_HANDLE_VALUE;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File()
  {
    if (Valid()) CloseHandle(FHandle);
  }

  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }

  uint64_t Size() const
  {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(FHandle, &size)) FailSystem("cannot get the size of", FPath);
    return static_cast<uint64_t>(size.QuadPart);
  }

  void Seek(uint64_t offset)
  {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(FHandle, to, nullptr, FILE_BEGIN)) FailSystem("cannot seek in", FPath);
  }

  // Reads up to count bytes; returns how many came (fewer only at the end of the file).
  size_t Read(uint8_t* data, size_t count)
  {
    size_t done = 0;
    while (done < count) {
      DWORD n = 0;
      DWORD want = static_cast<DWORD>(std::min(count - done, IoBlock));
      if (!ReadFile(FHandle, data + done, want, &n, nullptr)) FailSystem("cannot read", FPath);
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  void ReadExactly(uint8_t* data, size_t count, const char* what)
  {
    if (Read(data, count) != count) Fail(FPath + ": file ends inside " + what);
  }

  void Write(const uint8_t* data, size_t count)
  {
    while (count > 0) {
      DWORD n = 0;
      DWORD want = static_cast<DWORD>(std::min(count, IoBlock));
      if (!WriteFile(FHandle, data, want, &n, nullptr) || n != want) FailSystem("cannot write", FPath);
      data += n;
      count -= n;
    }
  }

private:
  File(HANDLE handle, std::string path) : FHandle(handle), FPath(std::move(path)) {}
  HANDLE FHandle;
  std::string FPath;
};

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t Get32(const uint8_t* p)
{
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Lengths of the segments in stream order.
std::vector<int32_t> SegmentLengths(uint64_t streamLength, const PackOptions& options)
{
  if (options.SegmentSize < 0) Fail("segment size must not be negative");
  uint64_t size = static_cast<uint64_t>(options.SegmentSize);
  if (size == 0) {
    if (options.SegmentCount <= 0) Fail("segment count must be at least 1");
    uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(options.SegmentCount), std::max<uint64_t>(streamLength, 1));
    size = std::max<uint64_t>((streamLength + count - 1) / count, 1);
  }
  std::vector<int32_t> lengths;
  for (uint64_t done = 0; done < streamLength; done += size)
    lengths.push_back(static_cast<int32_t>(std::min(size, streamLength - done)));
  return lengths;
}

// Copies a stream from one position to another, inverting, in blocks.
class BlockCopier {
public:
  BlockCopier(uint64_t total, const Progress& progress) : FTotal(total), FProgress(progress), FBuffer(IoBlock) {}

  void Copy(File& from, File& to, uint64_t count, const char* what)
  {
    while (count > 0) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(count, FBuffer.size()));
      from.ReadExactly(FBuffer.data(), n, what);
      Invert(FBuffer.data(), n);
      to.Write(FBuffer.data(), n);
      count -= n;
      Advance(n);
    }
  }

  void Advance(uint64_t n)
  {
    FDone += n;
    if (FProgress) FProgress(FDone, FTotal);
  }

  std::vector<uint8_t>& Buffer() { return FBuffer; }

private:
  uint64_t FTotal;
  uint64_t FDone = 0;
  const Progress& FProgress;
  std::vector<uint8_t> FBuffer;
};

// Magic, version and count sign: checked before the table is sized from the count.
void CheckFixedHeader(const uint8_t* data, size_t size)
{
  if (size < 2 || data[0] != 'V' || data[1] != 'R') Fail("not a .vyr file (no \"VR\" magic)");
  if (size < HeaderSize) Fail("file ends inside the header");
  uint32_t version = Get32(data + 2);
  if (version != FormatVersion) Fail("unsupported version " + std::to_string(version));
  int32_t count = static_cast<int32_t>(Get32(data + 6));
  if (count < 0) Fail("negative segment count " + std::to_string(count));
}

template <class F> void Prefixed(const std::string& path, F&& check)
{
  try {
    check();
  } catch (const VyrError& e) {
    Fail(path + ": " + e.what());
  }
}

Info ReadHeader(File& file, const std::string& path)
{
  uint64_t fileSize = file.Size();
  std::vector<uint8_t> head(HeaderSize);
  file.Seek(0);
  head.resize(file.Read(head.data(), head.size()));
  Prefixed(path, [&] { CheckFixedHeader(head.data(), head.size()); });
  int32_t count = static_cast<int32_t>(Get32(head.data() + 6));
  if (count > 0 && static_cast<uint64_t>(count) * EntrySize + HeaderSize > fileSize)
    Fail(path + ": file ends inside the segment table");
  if (count > 0) {
    head.resize(HeaderSize + static_cast<size_t>(count) * EntrySize);
    file.ReadExactly(head.data() + HeaderSize, head.size() - HeaderSize, "the segment table");
  }
  Info info;
  Prefixed(path, [&] { info = DecodeHeader(head.data(), head.size(), fileSize); });
  return info;
}

}  // namespace

void Invert(uint8_t* data, size_t count)
{
  size_t i = 0;
  for (; i < count && reinterpret_cast<uintptr_t>(data + i) % 4 != 0; ++i) data[i] = ~data[i];
  for (; i + 4 <= count; i += 4) {
    uint32_t word;
    std::memcpy(&word, data + i, 4);
    word = ~word;
    std::memcpy(data + i, &word, 4);
  }
  for (; i < count; ++i) data[i] = ~data[i];
}

std::vector<Segment> PlanLayout(uint64_t streamLength, const PackOptions& options)
{
  if (streamLength > MaxFileSize) Fail("stream too long for the format (2 GiB at most)");
  std::vector<int32_t> lengths = SegmentLengths(streamLength, options);
  std::vector<Segment> table(lengths.size());
  std::vector<size_t> order(lengths.size());
  std::iota(order.begin(), order.end(), size_t{0});
  if (options.Shuffle) {
    std::mt19937 random(options.Seed);
    std::shuffle(order.begin(), order.end(), random);
  }
  uint64_t at = HeaderSize + static_cast<uint64_t>(lengths.size()) * EntrySize;
  for (size_t index : order) {
    at += options.Gap;
    table[index].Offset = static_cast<uint32_t>(at);
    table[index].Length = lengths[index];
    at += static_cast<uint64_t>(lengths[index]);
    if (at > MaxFileSize) Fail("packed file would be too large for the format (2 GiB at most)");
  }
  return table;
}

std::vector<uint8_t> EncodeHeader(const std::vector<Segment>& table, uint32_t version)
{
  std::vector<uint8_t> out{'V', 'R'};
  out.reserve(HeaderSize + table.size() * EntrySize);
  Put32(out, version);
  Put32(out, static_cast<uint32_t>(table.size()));
  for (const Segment& s : table) {
    Put32(out, s.Offset);
    Put32(out, static_cast<uint32_t>(s.Length));
  }
  return out;
}

Info DecodeHeader(const uint8_t* data, size_t size, uint64_t fileSize)
{
  CheckFixedHeader(data, size);
  Info info;
  info.FileSize = fileSize;
  info.Version = Get32(data + 2);
  info.SegmentCount = static_cast<int32_t>(Get32(data + 6));
  uint64_t tableEnd = HeaderSize + static_cast<uint64_t>(info.SegmentCount) * EntrySize;
  if (tableEnd > size) Fail("file ends inside the segment table");
  for (int32_t i = 0; i < info.SegmentCount; ++i) {
    const uint8_t* entry = data + HeaderSize + static_cast<size_t>(i) * EntrySize;
    Segment s{Get32(entry), static_cast<int32_t>(Get32(entry + 4))};
    if (s.Length < 0) Fail("segment " + std::to_string(i) + " has a negative length");
    info.StreamLength += static_cast<uint64_t>(s.Length);
    info.Table.push_back(s);
  }
  if (info.StreamLength > MaxFileSize) Fail("segment lengths add up to 2 GiB or more");
  return info;
}

uint64_t RequiredFileSize(const std::vector<Segment>& table)
{
  uint64_t end = HeaderSize + static_cast<uint64_t>(table.size()) * EntrySize;
  for (const Segment& s : table)
    if (s.Length > 0) end = std::max<uint64_t>(end, uint64_t{s.Offset} + static_cast<uint64_t>(s.Length));
  return end;
}

std::vector<uint8_t> PackImage(const std::vector<uint8_t>& stream, const PackOptions& options)
{
  std::vector<Segment> table = PlanLayout(stream.size(), options);
  std::vector<uint8_t> image = EncodeHeader(table);
  image.resize(RequiredFileSize(table), GapFiller);
  size_t at = 0;
  for (const Segment& s : table) {
    uint8_t* to = image.data() + s.Offset;
    std::memcpy(to, stream.data() + at, static_cast<size_t>(s.Length));
    Invert(to, static_cast<size_t>(s.Length));
    at += static_cast<size_t>(s.Length);
  }
  return image;
}

std::vector<uint8_t> UnpackImage(const std::vector<uint8_t>& image)
{
  Info info = DecodeHeader(image.data(), image.size(), image.size());
  std::vector<uint8_t> stream;
  stream.reserve(static_cast<size_t>(info.StreamLength));
  for (size_t i = 0; i < info.Table.size(); ++i) {
    const Segment& s = info.Table[i];
    if (uint64_t{s.Offset} + static_cast<uint64_t>(s.Length) > image.size())
      Fail("segment " + std::to_string(i) + " lies past the end of the file");
    size_t from = stream.size();
    stream.insert(stream.end(), image.begin() + s.Offset, image.begin() + s.Offset + s.Length);
    Invert(stream.data() + from, static_cast<size_t>(s.Length));
  }
  return stream;
}

Info PackFile(const std::string& in, const std::string& out, const PackOptions& options, const Progress& progress)
{
  File source = File::OpenRead(in);
  Info info;
  info.StreamLength = source.Size();
  info.Table = PlanLayout(info.StreamLength, options);
  info.Version = FormatVersion;
  info.SegmentCount = static_cast<int32_t>(info.Table.size());
  info.FileSize = RequiredFileSize(info.Table);

  File target = File::Create(out);
  std::vector<uint8_t> header = EncodeHeader(info.Table);
  target.Write(header.data(), header.size());
  // Gap filler first, in file order, so that no byte of the file is left undefined.
  if (options.Gap > 0) {
    std::vector<uint8_t> filler(options.Gap, GapFiller);
    for (const Segment& s : info.Table) {
      target.Seek(s.Offset - options.Gap);
      target.Write(filler.data(), filler.size());
    }
  }
  BlockCopier copier(info.StreamLength, progress);
  for (const Segment& s : info.Table) {
    target.Seek(s.Offset);
    copier.Copy(source, target, static_cast<uint64_t>(s.Length), "the input");
  }
  return info;
}

Info UnpackFile(const std::string& in, const std::string& out, const Progress& progress)
{
  File source = File::OpenRead(in);
  Info info = ReadHeader(source, in);
  File target = File::Create(out);
  BlockCopier copier(info.StreamLength, progress);
  for (size_t i = 0; i < info.Table.size(); ++i) {
    const Segment& s = info.Table[i];
    if (uint64_t{s.Offset} + static_cast<uint64_t>(s.Length) > info.FileSize)
      Fail(in + ": segment " + std::to_string(i) + " lies past the end of the file");
    source.Seek(s.Offset);
    copier.Copy(source, target, static_cast<uint64_t>(s.Length), "a segment");
  }
  return info;
}

Info ReadInfo(const std::string& path)
{
  File source = File::OpenRead(path);
  return ReadHeader(source, path);
}

uint32_t VerifyFile(const std::string& path, Info* infoOut, const Progress& progress)
{
  File source = File::OpenRead(path);
  Info info = ReadHeader(source, path);
  if (info.StreamLength > info.FileSize)
    Fail(path + ": segment lengths add up to more than the file size");
  uint64_t tableEnd = HeaderSize + static_cast<uint64_t>(info.Table.size()) * EntrySize;
  BlockCopier copier(info.StreamLength, progress);
  uint32_t crc = 0;
  for (size_t i = 0; i < info.Table.size(); ++i) {
    const Segment& s = info.Table[i];
    std::string name = path + ": segment " + std::to_string(i);
    if (uint64_t{s.Offset} + static_cast<uint64_t>(s.Length) > info.FileSize) Fail(name + " lies past the end of the file");
    if (s.Length > 0 && s.Offset < tableEnd) Fail(name + " overlaps the header or segment table");
    source.Seek(s.Offset);
    for (uint64_t left = static_cast<uint64_t>(s.Length); left > 0;) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(left, copier.Buffer().size()));
      source.ReadExactly(copier.Buffer().data(), n, "a segment");
      Invert(copier.Buffer().data(), n);
      crc = Crc32(copier.Buffer().data(), n, crc);
      left -= n;
      copier.Advance(n);
    }
  }
  if (infoOut) *infoOut = info;
  return crc;
}

uint32_t Crc32(const uint8_t* data, size_t count, uint32_t crc)
{
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < count; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
  File source = File::OpenRead(path);
  std::vector<uint8_t> data(static_cast<size_t>(source.Size()));
  source.ReadExactly(data.data(), data.size(), "itself");
  return data;
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data)
{
  File target = File::Create(path);
  target.Write(data.data(), data.size());
}

}  // namespace vyrformat
