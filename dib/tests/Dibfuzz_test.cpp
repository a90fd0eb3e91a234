// Seeded mutations of the corpus files through TDib::LoadFromStream and the sized TDib::LoadDib: a
// load either gives an image every pixel of which can be read and drawn, or fails with EInvalidGraphic
// or EReadError and leaves the graphic empty; nothing claims memory it does not have the data for.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <memory>
#include <random>

#include "DibCorpus.h"
#include "Dibimage.h"
#include "SysUtils.h"

using namespace dibtest;

namespace {
enum TOutcome { oLoaded, oInvalid, oReadError, oOther };

// The values a mutated 32-bit field takes: the edges of every range a header field is checked against.
const uint32_t Extremes[] = {0, 1, 2, 3, 4, 5, 8, 12, 15, 16, 24, 32, 40, 52, 56, 64, 108, 124, 125, 255, 256, 257,
                             0x7FFF, 0x8000, 0xFFFF, 0x10000, 0x4000, 0x8001, 0x40000000, 0x3FFFFFFF, 0x7FFFFFFF,
                             0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFF8000};
const size_t Fields32[] = {fBfOffBits, fBiSize, fBiWidth, fBiHeight, fBiCompression, fBiSizeImage, fBiClrUsed};

class TMutator {
public:
  explicit TMutator(uint32_t seed) : FRandom(seed) {}

  std::string Mutate(std::string bytes)
  {
    const int count = 1 + int(Next(3));
    for (int i = 0; i < count; ++i) {
      switch (Next(6)) {
        case 0: Put32(bytes, Fields32[Next(std::size(Fields32))], Value()); break;
        case 1: Put16(bytes, Next(2) ? fBiPlanes : fBiBitCount, uint16_t(Next(2) ? Value() : Next(40))); break;
        case 2: bytes.resize(Cut(bytes)); break;
        case 3: {
          // A size that claims far more than the file holds: just under and above the cap.
          const uint32_t side = Next(2) ? 0x4000 + Next(0x100) : 0x8000 + Next(0x1000);
          Put32(bytes, fBiWidth, side);
          Put32(bytes, Next(2) ? fBiHeight : fBiSizeImage, Next(2) ? side : uint32_t(0) - side);
          break;
        }
        case 4:
          // A few bytes anywhere in the headers and the table.
          for (int n = 1 + int(Next(4)); n > 0 && !bytes.empty(); --n)
            bytes[Next(uint32_t(std::min<size_t>(bytes.size(), 14 + 124 + 64)))] = char(Next(256));
          break;
        default: Put32(bytes, Fields32[Next(std::size(Fields32))], FRandom()); break;
      }
    }
    return bytes;
  }

private:
  uint32_t Next(uint32_t bound) { return FRandom() % bound; }
  uint32_t Value() { return Next(4) ? Extremes[Next(std::size(Extremes))] : Extremes[Next(std::size(Extremes))] + Next(3) - 1; }
  // Ends of the file header, the info header, the table and the pixel rows, give or take a byte.
  size_t Cut(const std::string& bytes)
  {
    if (bytes.size() < 18) return Next(uint32_t(bytes.size() + 1));
    const size_t bounds[] = {14, 14 + 40, 14 + size_t(std::min<uint32_t>(Get32(bytes, fBiSize), 200)),
                             size_t(std::min<uint32_t>(Get32(bytes, fBfOffBits), 100000)), bytes.size() - 1,
                             Next(uint32_t(bytes.size()))};
    const size_t at = bounds[Next(std::size(bounds))] + Next(3) - 1;
    return std::min(at, bytes.size());
  }
  std::mt19937 FRandom;
};

// Reads every pixel and draws the image small: whatever the header says, nothing outside the block
// may be touched. The picture itself, which drawing allocates whole, is held to the cap whatever its
// encoding; a compressed one (a few bytes of runs may claim millions of pixels) is drawn when it is
// small enough to keep the run short.
void Exercise(TDib& dib, TBitmap& target)
{
  const int width = dib.GetWidth(), height = dib.GetHeight();
  ASSERT_GT(width, 0);
  ASSERT_GT(height, 0);
  const BITMAPINFOHEADER* header = dib.GetHeader();
  const int64_t block = dib.GetImage()->GetStream()->GetSize();
  ASSERT_LE(DibHeadersSize(header) + DibImageSize(header), block);
  ASSERT_LE(DibLineSize(header) * height, MaxDibSize);
  if (dib.GetScanLine(0)) {
    DWORD sum = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) sum += dib.GetPixel(x, y);
    volatile DWORD keep = sum;
    (void)keep;
  } else {
    ASSERT_EQ(dib.GetPixel(0, 0), 0xFFFFFFFFu);
  }
  if (int64_t(width) * height <= 1 << 22)
    target.GetCanvas()->StretchDraw(TRect(0, 0, target.GetWidth(), target.GetHeight()), &dib);
}

template <class F>
TOutcome Load(F load, std::string& other)
{
  try {
    load();
    return oLoaded;
  } catch (const EInvalidGraphic&) {
    return oInvalid;
  } catch (const EReadError&) {
    return oReadError;
  } catch (const std::exception& e) {
    other = std::string(typeid(e).name()) + ": " + e.what();
  } catch (...) {
    other = "an unknown exception";
  }
  return oOther;
}

// The process's memory counters. Under Wine they count pages once they are touched, and the peak of
// the page-file usage is its current value: the peak of the working set is the one real peak there.
PROCESS_MEMORY_COUNTERS_EX Memory()
{
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return counters;
}

SIZE_T Growth(SIZE_T after, SIZE_T before) { return after > before ? after - before : 0; }

TEST(DibFuzz, MutatedFilesLoadWholeOrFailAsDocumented)
{
  constexpr int Mutations = 5000;
  const std::vector<TBmpFile>& corpus = ReadableBmpFiles();
  TMutator mutator(20240519);
  auto target = std::make_unique<TBitmap>();
  target->SetPixelFormat(pf32bit);
  target->SetSize(16, 16);
  target->GetCanvas();
  // Each load starts from a graphic that holds an image: a failure must leave it empty, except when
  // the file header itself is short or is no "BM", which leave the image as it was.
  TDib previous;
  {
    const std::string& first = corpus.front().Bytes;
    previous.LoadDib(reinterpret_cast<const BITMAPINFOHEADER*>(first.data() + 14), first.size() - 14);
  }

  const PROCESS_MEMORY_COUNTERS_EX before = Memory();
  int outcomes[2][4] = {};
  for (int i = 0; i < Mutations; ++i) {
    const std::string bytes = mutator.Mutate(corpus[size_t(i) % corpus.size()].Bytes);
    const std::string what = "mutation " + std::to_string(i) + " of " + corpus[size_t(i) % corpus.size()].Name;
    std::string other;

    TDib fromStream;
    fromStream.Assign(&previous);
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), int(bytes.size()));
    stream.SetPosition(0);
    const TOutcome a = Load([&] { fromStream.LoadFromStream(&stream); }, other);
    ++outcomes[0][a];
    ASSERT_NE(a, oOther) << what << ", LoadFromStream: " << other;
    if (a == oLoaded) {
      ASSERT_NO_FATAL_FAILURE(Exercise(fromStream, *target)) << what;
    } else {
      const bool untouched = bytes.size() < 14 || bytes.compare(0, 2, "BM") != 0;
      ASSERT_EQ(fromStream.GetImage(), untouched ? previous.GetImage() : nullptr) << what;
    }

    const TGuardedBlock block(bytes.size() >= 14 ? bytes.substr(14) : std::string());
    TDib fromMemory;
    fromMemory.Assign(&previous);
    const TOutcome b = Load([&] { fromMemory.LoadDib(block.Header(), block.Size()); }, other);
    ++outcomes[1][b];
    ASSERT_NE(b, oOther) << what << ", LoadDib: " << other;
    if (b == oLoaded) {
      ASSERT_NO_FATAL_FAILURE(Exercise(fromMemory, *target)) << what;
    } else {
      ASSERT_TRUE(fromMemory.GetEmpty()) << what;
    }
  }
  const PROCESS_MEMORY_COUNTERS_EX after = Memory();

  // The mutations reach every outcome on both paths, or they would test less than they claim.
  for (const auto& path : outcomes) {
    EXPECT_GT(path[oLoaded], Mutations / 50);
    EXPECT_GT(path[oInvalid], Mutations / 10);
    EXPECT_GT(path[oReadError], Mutations / 10);
  }
  constexpr SIZE_T Margin = SIZE_T(256) << 20;
  EXPECT_LT(Growth(after.PeakPagefileUsage, before.PagefileUsage), Margin);
  EXPECT_LT(Growth(after.PeakWorkingSetSize, before.WorkingSetSize), Margin);
}
}  // namespace
