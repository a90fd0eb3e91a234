#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "RunProgram.h"
#include "TestSupport.h"
#include "Vyrformat.h"
#include "Vyrpackcli.h"

using namespace vyrformat;

namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
  std::mt19937 random(seed);
  std::vector<uint8_t> data(n);
  for (auto& b : data) b = static_cast<uint8_t>(random());
  return data;
}

// A scratch folder removed with everything in it at the end of the test.
class Scratch {
public:
  Scratch()
  {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    FPath = std::string(base) + "vyrpack_test_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++Counter);
    CreateDirectoryA(FPath.c_str(), nullptr);
  }
  ~Scratch()
  {
    for (const auto& f : FFiles) DeleteFileA(f.c_str());
    RemoveDirectoryA(FPath.c_str());
  }
  std::string File(const std::string& name)
  {
    FFiles.push_back(FPath + "\\" + name);
    return FFiles.back();
  }

private:
  static inline int Counter = 0;
  std::string FPath;
  std::vector<std::string> FFiles;
};

struct RunResult {
  int Code;
  std::string Out, Err;
};

RunResult Vyrpack(std::vector<std::string> args)
{
  std::ostringstream out, err;
  int code = RunVyrpack(args, out, err);
  return {code, out.str(), err.str()};
}

// Bad input ends with exactly one line on the error stream and a failing exit code.
void ExpectOneLineFailure(const RunResult& r, const std::string& fragment)
{
  EXPECT_NE(r.Code, 0);
  EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  EXPECT_EQ(r.Err.rfind("vyrpack: ", 0), 0u) << r.Err;
  EXPECT_NE(r.Err.find(fragment), std::string::npos) << r.Err;
}

std::vector<PackOptions> Layouts()
{
  std::vector<PackOptions> layouts;
  layouts.push_back({});                              // one segment
  layouts.push_back({7, 0, false, 1, 0});             // a few segments, in order
  layouts.push_back({0, 333, true, 42, 0});           // many small segments, shuffled
  layouts.push_back({0, 1000, false, 1, 17});         // gaps
  layouts.push_back({0, 257, true, 9, 3});            // shuffled with gaps
  layouts.push_back({0, 1, true, 5, 0});              // one byte per segment
  return layouts;
}

}  // namespace

TEST(VyrFormat, PlanCutsTheStreamAsAsked)
{
  auto bySize = PlanLayout(1000, {0, 300, false, 1, 0});
  ASSERT_EQ(bySize.size(), 4u);
  EXPECT_EQ(bySize[3].Length, 100);
  auto byCount = PlanLayout(1000, {3, 0, false, 1, 0});
  ASSERT_EQ(byCount.size(), 3u);
  EXPECT_EQ(byCount[0].Length + byCount[1].Length + byCount[2].Length, 1000);
  EXPECT_EQ(PlanLayout(2, {5, 0, false, 1, 0}).size(), 2u) << "never more segments than bytes";
  EXPECT_TRUE(PlanLayout(0, {}).empty());
  // In order without gaps the data follows the table directly.
  EXPECT_EQ(byCount[0].Offset, HeaderSize + 3 * EntrySize);
  EXPECT_EQ(byCount[1].Offset, byCount[0].Offset + static_cast<uint32_t>(byCount[0].Length));
}

TEST(VyrFormat, ShuffledPlacementIsSeededAndDisjoint)
{
  PackOptions a{0, 10, true, 7, 4};
  auto first = PlanLayout(1000, a);
  EXPECT_EQ(first.size(), 100u);
  auto again = PlanLayout(1000, a);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), again.begin(),
                         [](const Segment& x, const Segment& y) { return x.Offset == y.Offset; }));
  a.Seed = 8;
  auto other = PlanLayout(1000, a);
  EXPECT_FALSE(std::equal(first.begin(), first.end(), other.begin(),
                          [](const Segment& x, const Segment& y) { return x.Offset == y.Offset; }));
  bool outOfOrder = false;
  for (size_t i = 1; i < first.size(); ++i) outOfOrder |= first[i].Offset < first[i - 1].Offset;
  EXPECT_TRUE(outOfOrder);
  auto sorted = first;
  std::sort(sorted.begin(), sorted.end(), [](const Segment& x, const Segment& y) { return x.Offset < y.Offset; });
  for (size_t i = 1; i < sorted.size(); ++i)
    EXPECT_EQ(sorted[i].Offset, sorted[i - 1].Offset + static_cast<uint32_t>(sorted[i - 1].Length) + 4);
}

TEST(VyrFormat, RefusesLayoutsBeyondTheFormat)
{
  EXPECT_THROW(PlanLayout(uint64_t{1} << 31, {}), VyrError);
  EXPECT_THROW(PlanLayout(0x70000000, {0, 0x10000000, false, 1, 0x10000000}), VyrError);
  EXPECT_THROW(PlanLayout(100, {0, -1, false, 1, 0}), VyrError);
  EXPECT_THROW(PlanLayout(100, {-3, 0, false, 1, 0}), VyrError);
}

TEST(VyrFormat, ImagesRoundTripForEveryLayout)
{
  for (size_t n : {size_t{0}, size_t{1}, size_t{4095}, size_t{20000}}) {
    auto stream = RandomBytes(n, static_cast<uint32_t>(n));
    for (const auto& layout : Layouts()) {
      auto image = PackImage(stream, layout);
      EXPECT_EQ(image[0], 'V');
      EXPECT_EQ(UnpackImage(image), stream) << n << " bytes, size " << layout.SegmentSize;
      // Stored bytes are complemented: the first segment's first byte shows it.
      if (n > 0) {
        Info info = DecodeHeader(image.data(), image.size(), image.size());
        EXPECT_EQ(image[info.Table[0].Offset], static_cast<uint8_t>(~stream[0]));
      }
    }
  }
}

TEST(VyrFormat, DecodeRefusesMalformedHeaders)
{
  auto good = PackImage(RandomBytes(100, 1), {2, 0, false, 1, 0});
  auto with = [&](size_t at, uint8_t value) {
    auto copy = good;
    copy[at] = value;
    return copy;
  };
  auto decode = [](const std::vector<uint8_t>& d) { return DecodeHeader(d.data(), d.size(), d.size()); };
  EXPECT_NO_THROW(decode(good));
  EXPECT_THROW(decode(with(0, 'X')), VyrError);
  EXPECT_THROW(decode(with(2, 2)), VyrError);
  EXPECT_THROW(decode(with(9, 0x80)), VyrError) << "negative count";
  EXPECT_THROW(decode(with(6, 200)), VyrError) << "table runs past the data";
  EXPECT_THROW(decode(with(17, 0x80)), VyrError) << "negative length";
  EXPECT_THROW(DecodeHeader(good.data(), 12, good.size()), VyrError) << "truncated table";
  EXPECT_THROW(DecodeHeader(good.data(), 5, good.size()), VyrError) << "truncated header";
}

TEST(VyrFormat, Crc32MatchesTheStandardCheckValue)
{
  const char* text = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text), 9), 0xCBF43926u);
}

TEST(VyrpackCommands, PackUnpackInfoAndVerifyRoundTripEveryLayout)
{
  Scratch dir;
  auto stream = RandomBytes(300000, 3);
  std::string in = dir.File("in.bin");
  WriteWholeFile(in, stream);
  for (const auto& layout : Layouts()) {
    if (layout.SegmentSize == 1) continue;  // 300000 table entries: covered in memory above
    std::vector<std::string> args{"pack"};
    if (layout.SegmentSize) args.insert(args.end(), {"--segment-size", std::to_string(layout.SegmentSize)});
    else args.insert(args.end(), {"--segments", std::to_string(layout.SegmentCount)});
    if (layout.Shuffle) args.insert(args.end(), {"--shuffle", "--seed", std::to_string(layout.Seed)});
    if (layout.Gap) args.insert(args.end(), {"--gap", std::to_string(layout.Gap)});
    std::string vyr = dir.File("out.vyr"), back = dir.File("back.bin");
    args.insert(args.end(), {in, vyr});
    RunResult packed = Vyrpack(args);
    ASSERT_EQ(packed.Code, 0) << packed.Err;
    EXPECT_EQ(ReadWholeFile(vyr), PackImage(stream, layout)) << "file and in-memory packing agree";

    RunResult unpacked = Vyrpack({"unpack", vyr, back});
    ASSERT_EQ(unpacked.Code, 0) << unpacked.Err;
    EXPECT_EQ(ReadWholeFile(back), stream);

    RunResult info = Vyrpack({"info", vyr});
    ASSERT_EQ(info.Code, 0) << info.Err;
    auto segments = PlanLayout(stream.size(), layout);
    EXPECT_NE(info.Out.find("segments: " + std::to_string(segments.size()) + "\n"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("segment " + std::to_string(segments.size() - 1) + ": offset " +
                            std::to_string(segments.back().Offset)),
              std::string::npos);

    RunResult verified = Vyrpack({"verify", vyr});
    ASSERT_EQ(verified.Code, 0) << verified.Err;
    char crc[16];
    snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(Crc32(stream.data(), stream.size())));
    EXPECT_NE(verified.Out.find(crc), std::string::npos) << verified.Out;
    EXPECT_TRUE(verified.Err.empty()) << "no progress for small files";
  }
}

TEST(VyrpackCommands, EmptyInputPacksToAnEmptyTable)
{
  Scratch dir;
  std::string in = dir.File("empty.bin"), vyr = dir.File("empty.vyr"), back = dir.File("back.bin");
  WriteWholeFile(in, {});
  ASSERT_EQ(Vyrpack({"pack", in, vyr}).Code, 0);
  EXPECT_EQ(ReadWholeFile(vyr).size(), HeaderSize);
  ASSERT_EQ(Vyrpack({"unpack", vyr, back}).Code, 0);
  EXPECT_TRUE(ReadWholeFile(back).empty());
}

TEST(VyrpackCommands, BadUsageGivesOneLineAndExitTwo)
{
  EXPECT_EQ(Vyrpack({}).Code, 2);
  ExpectOneLineFailure(Vyrpack({"explode", "x"}), "unknown command");
  ExpectOneLineFailure(Vyrpack({"pack", "only-one"}), "takes 2 files");
  ExpectOneLineFailure(Vyrpack({"pack", "--segments", "x1", "a", "b"}), "bad value");
  ExpectOneLineFailure(Vyrpack({"pack", "--segments", "0", "a", "b"}), "at least 1");
  ExpectOneLineFailure(Vyrpack({"pack", "--segments", "2", "--segment-size", "9", "a", "b"}), "exclude");
  ExpectOneLineFailure(Vyrpack({"pack", "--gap"}), "needs a value");
  ExpectOneLineFailure(Vyrpack({"info", "--frobnicate", "a"}), "unknown option");
  ExpectOneLineFailure(Vyrpack({"verify", "--shuffle", "a"}), "pack command");
  EXPECT_EQ(Vyrpack({"--help"}).Code, 0);
}

TEST(VyrpackCommands, BadFilesGiveOneLineAndExitOne)
{
  Scratch dir;
  auto good = PackImage(RandomBytes(5000, 4), {0, 1000, true, 3, 2});
  auto save = [&](const std::string& name, std::vector<uint8_t> data) {
    std::string path = dir.File(name);
    WriteWholeFile(path, data);
    return path;
  };
  auto patched = [&](size_t at, uint8_t value) {
    auto copy = good;
    copy[at] = value;
    return copy;
  };
  std::string out = dir.File("out.bin");
  ExpectOneLineFailure(Vyrpack({"info", dir.File("missing.vyr")}), "cannot open");
  ExpectOneLineFailure(Vyrpack({"pack", dir.File("missing.bin"), out}), "cannot open");
  ExpectOneLineFailure(Vyrpack({"verify", save("magic.vyr", patched(1, 'Q'))}), "magic");
  ExpectOneLineFailure(Vyrpack({"info", save("version.vyr", patched(2, 9))}), "version");
  ExpectOneLineFailure(Vyrpack({"unpack", save("negative.vyr", patched(9, 0xFF)), out}), "negative segment count");
  ExpectOneLineFailure(Vyrpack({"info", save("short.vyr", {good.begin(), good.begin() + 7})}), "header");
  ExpectOneLineFailure(Vyrpack({"verify", save("table.vyr", {good.begin(), good.begin() + 30})}), "segment table");
  auto pastEnd = good;
  pastEnd[10 + 3] = 0x40;  // first segment's offset far beyond the file
  ExpectOneLineFailure(Vyrpack({"verify", save("pastend.vyr", pastEnd)}), "past the end");
  ExpectOneLineFailure(Vyrpack({"unpack", save("pastend2.vyr", pastEnd), out}), "past the end");
  auto tooLong = good;
  tooLong[10 + 4 + 2] = 0x10;  // first segment's length far beyond the file
  ExpectOneLineFailure(Vyrpack({"verify", save("toolong.vyr", tooLong)}), "more than the file size");
}

TEST(VyrpackProgram, RealExecutableReportsExitCodes)
{
  const char* dist = std::getenv("OSTREL_DIST");
  ASSERT_NE(dist, nullptr);
  std::string exe = ostrel::test::WindowsPath(std::string(dist) + "/vyrpack.exe");
  Scratch dir;
  std::string in = dir.File("in.bin"), vyr = dir.File("out.vyr");
  WriteWholeFile(in, RandomBytes(1000, 5));
  using ostrel::test::Widen;
  auto run = [&](const std::vector<std::wstring>& arguments) {
    const auto result = ostrel::test::RunProgram(Widen(exe), arguments, 60000);
    return result.Ended ? static_cast<int>(result.ExitCode) : -1;
  };
  EXPECT_EQ(run({L"pack", L"--segments", L"4", L"--shuffle", Widen(in), Widen(vyr)}), 0);
  EXPECT_EQ(UnpackImage(ReadWholeFile(vyr)), ReadWholeFile(in));
  EXPECT_EQ(run({L"verify", Widen(in)}), 1) << "a raw file is not a .vyr";
  EXPECT_EQ(run({L"bogus"}), 2);
}
