// The filter under load and under attack: many threads on one pin, and thousands of corrupt files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "VyrTestSupport.h"

using namespace vyrtest;

namespace {

// What the stress threads share: the samples not in use and the requests not yet collected.
struct RequestBook {
  std::mutex Lock;
  std::vector<TestSample*> Free;
  std::map<DWORD_PTR, TestSample*> Outstanding;
  DWORD_PTR NextId = 1;
  std::atomic<int> Served{0}, Cancelled{0}, Duplicates{0}, BadBytes{0}, BadResults{0}, SyncReads{0}, Flushes{0};
};

bool SameBytes(const BYTE* data, const std::vector<uint8_t>& stream, int64_t at, int64_t n)
{
  return n >= 0 && at + n <= static_cast<int64_t>(stream.size()) &&
         std::memcmp(data, stream.data() + at, static_cast<size_t>(n)) == 0;
}

void Collect(IAsyncReader* reader, RequestBook& book, const std::vector<uint8_t>& stream, DWORD timeout)
{
  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  HRESULT hr = reader->WaitForNext(timeout, &done, &user);
  if (!done) return;
  auto* sample = static_cast<TestSample*>(done);
  {
    std::lock_guard<std::mutex> lock(book.Lock);
    auto it = book.Outstanding.find(user);
    if (it == book.Outstanding.end() || it->second != sample) {
      ++book.Duplicates;
      return;
    }
    book.Outstanding.erase(it);
  }
  if (hr == S_OK) {
    int64_t at = sample->Start() / VyrUnitsPerByte;
    if (!SameBytes(sample->Data(), stream, at, sample->ActualLength())) ++book.BadBytes;
    ++book.Served;
  } else if (hr == VFW_E_TIMEOUT) {
    ++book.Cancelled;
  } else {
    ++book.BadResults;
  }
  std::lock_guard<std::mutex> lock(book.Lock);
  book.Free.push_back(sample);
}

// How much the requesters must have seen before they stop: counts, not time, so that a fast machine
// and a slow one (or an emulated one) test the same mixture of reads, cancels and flushes. The time
// limit only stops a run that makes no progress at all.
struct StressGoal {
  int Rounds;
  int Served;
  int Flushes;
  DWORD Milliseconds;
};

bool Reached(const RequestBook& book, const StressGoal& goal)
{
  return book.Served >= goal.Served && book.Flushes >= goal.Flushes;
}

void Requester(IAsyncReader* reader, RequestBook& book, const std::vector<uint8_t>& stream, uint32_t seed,
               const StressGoal& goal)
{
  std::mt19937 random(seed);
  const ULONGLONG until = GetTickCount64() + goal.Milliseconds;
  for (int i = 0; i < goal.Rounds || (!Reached(book, goal) && GetTickCount64() < until); ++i) {
    TestSample* sample = nullptr;
    DWORD_PTR id = 0;
    {
      std::lock_guard<std::mutex> lock(book.Lock);
      if (!book.Free.empty() && random() % 3 != 0) {
        sample = book.Free.back();
        book.Free.pop_back();
        id = book.NextId++;
        book.Outstanding[id] = sample;
      }
    }
    if (sample) {
      uint64_t at = random() % (stream.size() - 1);
      sample->SetRange(at, 1 + random() % 4096);
      if (reader->Request(sample, id) != S_OK) {
        std::lock_guard<std::mutex> lock(book.Lock);
        book.Outstanding.erase(id);
        book.Free.push_back(sample);
      }
    }
    Collect(reader, book, stream, random() % 2);
  }
}

void SyncReader(IAsyncReader* reader, RequestBook& book, const std::vector<uint8_t>& stream, uint32_t seed, int rounds)
{
  std::mt19937 random(seed);
  TestSample sample(8192, seed % 16);
  std::vector<uint8_t> buffer(8192);
  for (int i = 0; i < rounds; ++i) {
    int64_t at = random() % stream.size();
    LONG n = static_cast<LONG>(1 + random() % 8192);
    int64_t expected = std::min<int64_t>(n, static_cast<int64_t>(stream.size()) - at);
    if (i % 2 == 0) {
      HRESULT hr = reader->SyncRead(at, n, buffer.data());
      if (hr != (expected == n ? S_OK : S_FALSE) || !SameBytes(buffer.data(), stream, at, expected)) ++book.BadBytes;
    } else {
      sample.SetRange(static_cast<uint64_t>(at), n);
      HRESULT hr = reader->SyncReadAligned(&sample);
      if (FAILED(hr) || sample.ActualLength() != expected || !SameBytes(sample.Data(), stream, at, expected))
        ++book.BadBytes;
    }
    ++book.SyncReads;
  }
}

}  // namespace

TEST(VyrStress, ThreadsRequestReadAndFlushAtRandom)
{
  ScratchDir dir;
  const auto stream = RandomBytes(300000, 31);
  FilterRef filter(dir.Write("stress.vyr", vyrformat::PackImage(stream, {0, 1021, true, 8, 13})));
  auto reader = filter.Reader();
  RequestBook book;
  std::vector<std::unique_ptr<TestSample>> samples;
  for (int i = 0; i < 24; ++i) {
    samples.push_back(std::make_unique<TestSample>(4096, static_cast<size_t>(i)));
    book.Free.push_back(samples.back().get());
  }
  std::atomic<bool> stop{false};
  std::thread flusher([&] {
    std::mt19937 random(5);
    while (!stop) {
      Sleep(1 + random() % 4);
      reader->BeginFlush();
      if (random() % 2) Sleep(1);
      reader->EndFlush();
      ++book.Flushes;
    }
  });
  std::vector<std::thread> workers;
  const StressGoal goal{5000, 600, 12, 60000};
  for (uint32_t t = 0; t < 3; ++t)
    workers.emplace_back([&, t] { Requester(reader.Get(), book, stream, 100 + t, goal); });
  for (uint32_t t = 0; t < 2; ++t)
    workers.emplace_back([&, t] { SyncReader(reader.Get(), book, stream, 200 + t, 3000); });
  for (auto& w : workers) w.join();
  stop = true;
  flusher.join();

  // Drain: everything still outstanding comes back exactly once.
  ASSERT_EQ(reader->BeginFlush(), S_OK);
  for (int guard = 0; guard < 100; ++guard) {
    {
      std::lock_guard<std::mutex> lock(book.Lock);
      if (book.Outstanding.empty()) break;
    }
    Collect(reader.Get(), book, stream, 0);
  }
  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_WRONG_STATE);
  ASSERT_EQ(reader->EndFlush(), S_OK);

  EXPECT_TRUE(book.Outstanding.empty()) << book.Outstanding.size() << " packets lost";
  EXPECT_EQ(book.Free.size(), samples.size());
  EXPECT_EQ(book.Duplicates, 0);
  EXPECT_EQ(book.BadBytes, 0);
  EXPECT_EQ(book.BadResults, 0);
  // Reached by counting, unless the run made too little progress within its minute.
  EXPECT_GE(book.Served, goal.Served);
  EXPECT_GE(book.Flushes, goal.Flushes);
  EXPECT_EQ(book.SyncReads, 6000);
  std::printf("stress: %d served, %d cancelled, %d sync reads, %d flushes\n", book.Served.load(),
              book.Cancelled.load(), book.SyncReads.load(), book.Flushes.load());
}

namespace {

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
  if (at + 4 <= bytes.size()) std::memcpy(bytes.data() + at, &value, 4);
}

// A corrupt variant of a valid image: one or more of the ways a .vyr file goes wrong.
std::vector<uint8_t> Corrupt(std::vector<uint8_t> image, int32_t count, std::mt19937& random)
{
  const uint32_t values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF0, 0x40000000,
                             static_cast<uint32_t>(image.size()), static_cast<uint32_t>(image.size() + 1)};
  auto anyValue = [&] { return random() % 2 ? values[random() % std::size(values)] : static_cast<uint32_t>(random()); };
  auto entry = [&] { return 10 + 8 * (count > 0 ? random() % static_cast<uint32_t>(count) : 0); };
  int mutations = 1 + static_cast<int>(random() % 3);
  for (int m = 0; m < mutations; ++m) {
    switch (random() % 9) {
      case 0: image[random() % 2] = static_cast<uint8_t>(random()); break;       // magic
      case 1: Put32(image, 2, anyValue()); break;                                 // version
      case 2: Put32(image, 6, anyValue()); break;                                 // count
      case 3: Put32(image, 6, static_cast<uint32_t>(count + static_cast<int32_t>(random() % 5) - 2)); break;
      case 4: image.resize(random() % (image.size() + 1)); break;                 // truncated
      case 5: Put32(image, entry(), anyValue()); break;                           // offset
      case 6: Put32(image, entry() + 4, anyValue()); break;                       // length
      case 7: if (!image.empty()) image[random() % image.size()] ^= static_cast<uint8_t>(1 + random() % 255); break;
      default: image.resize(image.size() + random() % 64, static_cast<uint8_t>(random())); break;  // junk tail
    }
  }
  return image;
}

}  // namespace

TEST(VyrMalformed, CorruptFilesFailCleanlyOrReadWithinTheFile)
{
  ScratchDir dir;
  std::mt19937 random(4242);
  const std::string path = dir.Path("fuzz.vyr");
  int opened = 0, refused = 0;
  for (int i = 0; i < 2000; ++i) {
    auto stream = RandomBytes(1 + random() % 600, static_cast<uint32_t>(i));
    vyrformat::PackOptions options{0, static_cast<int32_t>(1 + random() % 200), random() % 2 == 0, random(),
                                   random() % 8};
    auto good = vyrformat::PackImage(stream, options);
    int32_t count = static_cast<int32_t>(vyrformat::PlanLayout(stream.size(), options).size());
    auto image = Corrupt(good, count, random);
    vyrformat::WriteWholeFile(path, image);
    std::unique_ptr<FilterRef> filter;
    try {
      filter = std::make_unique<FilterRef>(path);
    } catch (const EOleSysError& e) {
      EXPECT_TRUE(FAILED(e.ErrorCode));
      ++refused;
      continue;
    }
    ++opened;
    // Accepted: the lengths fit the file, and reads stay inside the caller's buffer.
    const uint64_t size = (*filter)->GetSize();
    ASSERT_LE(size, image.size()) << "case " << i;
    auto reader = filter->Reader();
    for (int r = 0; r < 4; ++r) {
      int64_t at = static_cast<int64_t>(random() % (size + 8));
      LONG n = static_cast<LONG>(random() % 700);
      std::vector<uint8_t> buffer(static_cast<size_t>(n) + 16, 0xA5);
      HRESULT hr = reader->SyncRead(at, n, buffer.data());
      EXPECT_TRUE(hr == S_OK || hr == S_FALSE || hr == E_FAIL) << std::hex << hr << " case " << std::dec << i;
      if (static_cast<uint64_t>(at) >= size) {
        EXPECT_EQ(hr, E_FAIL) << "case " << i;
      }
      for (size_t k = static_cast<size_t>(n); k < buffer.size(); ++k)
        ASSERT_EQ(buffer[k], 0xA5) << "written past the buffer, case " << i;
    }
    // Unchanged tables read back the original stream.
    if (image.size() >= good.size() && std::equal(good.begin(), good.end(), image.begin())) {
      std::vector<uint8_t> all(stream.size());
      EXPECT_EQ(reader->SyncRead(0, static_cast<LONG>(all.size()), all.data()), S_OK);
      EXPECT_EQ(all, stream) << "case " << i;
    }
  }
  EXPECT_GT(opened, 100);
  EXPECT_GT(refused, 500);
  std::printf("malformed: %d opened, %d refused\n", opened, refused);
}
