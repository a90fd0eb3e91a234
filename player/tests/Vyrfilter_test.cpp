// The source filter on its own: the bytes it serves, the container checks, the pin's rules and the
// request queue's flush states.
#include <gtest/gtest.h>

#include "VyrTestSupport.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace vyrtest;
using vyrformat::PackImage;
using vyrformat::PackOptions;

// Reaches into the filter for what the tests must hold or observe.
class TVyrFilterTestAccess {
public:
  static TCriticalSection& FileLock(TVyrFilter* filter) { return *filter->FFileLock; }
  static TVyrOutputPin* Pin(TVyrFilter* filter) { return filter->FPin.get(); }
  static int32_t InProgress(TVyrFilter* filter)
  {
    CAutoLock lock(&filter->FPin->FListLock);
    return filter->FPin->FInProgress;
  }
  static int32_t Align(TVyrFilter* filter) { return filter->FPin->FAlign; }
};

namespace {

const char* const Layouts[] = {"av10-single.vyr", "av10-shuffled.vyr", "av10-gaps.vyr", "video10-single.vyr"};

std::string SourceOf(const std::string& layout) { return layout.substr(0, layout.find('-')) + ".mpg"; }

// Waits until the worker has taken a packet (it then blocks on a held file lock).
// (The limit is far beyond what even an emulated, loaded machine needs: a worker starts in microseconds.)
bool WaitInProgress(TVyrFilter* filter, int32_t count)
{
  const ULONGLONG until = GetTickCount64() + 20000;
  for (;;) {
    if (TVyrFilterTestAccess::InProgress(filter) == count) return true;
    if (GetTickCount64() >= until) return false;
    Sleep(1);
  }
}

int ThreadCount()
{
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

// A stream of 1000 random bytes in three segments, the middle one empty and the last one shuffled
// before the first in the file.
struct SmallFile {
  ScratchDir Dir;
  std::vector<uint8_t> Stream = RandomBytes(1000, 77);
  std::string Path;
  SmallFile(PackOptions options = {0, 400, true, 3, 5}) : Path(Dir.Write("small.vyr", PackImage(Stream, options))) {}
};

std::vector<uint8_t> Header(int32_t count, std::vector<vyrformat::Segment> table = {}, uint32_t version = 1)
{
  auto bytes = vyrformat::EncodeHeader(table, version);
  std::memcpy(bytes.data() + 6, &count, 4);
  return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Served bytes

TEST(VyrServedBytes, EveryLayoutServesTheOriginalStreamThroughEveryReadPath)
{
  std::mt19937 random(2024);
  for (const char* layout : Layouts) {
    SCOPED_TRACE(layout);
    const auto original = MediaBytes(SourceOf(layout));
    const auto size = static_cast<int64_t>(original.size());
    FilterRef filter(MediaFile(layout));
    auto reader = filter.Reader();
    ASSERT_TRUE(reader);
    LONGLONG total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, size);
    EXPECT_EQ(available, size);

    // The whole stream in the splitter's 32 KiB steps.
    std::vector<uint8_t> whole(original.size());
    for (int64_t at = 0; at < size; at += 32768) {
      LONG n = static_cast<LONG>(std::min<int64_t>(32768, size - at));
      ASSERT_EQ(reader->SyncRead(at, n, whole.data() + at), S_OK) << at;
    }
    EXPECT_TRUE(whole == original);

    // Random positions and lengths, some running past the end.
    for (int i = 0; i < 60; ++i) {
      int64_t at = static_cast<int64_t>(random() % static_cast<uint32_t>(size));
      LONG n = static_cast<LONG>(random() % 70000);
      std::vector<uint8_t> got(static_cast<size_t>(n) + 1, 0xCC);
      HRESULT hr = reader->SyncRead(at, n, got.data());
      int64_t delivered = std::min<int64_t>(n, size - at);
      EXPECT_EQ(hr, delivered == n ? S_OK : S_FALSE) << at << "+" << n;
      EXPECT_EQ(std::memcmp(got.data(), original.data() + at, static_cast<size_t>(delivered)), 0) << at << "+" << n;
      EXPECT_EQ(got[static_cast<size_t>(n)], 0xCC) << "nothing written past the length";

      TestSample sample(70000, static_cast<size_t>(random() % 16));
      sample.SetRange(static_cast<uint64_t>(at), n);
      hr = reader->SyncReadAligned(&sample);
      EXPECT_EQ(hr, S_OK) << "at alignment 1 the times are clipped to the end of the stream";
      EXPECT_EQ(sample.ActualLength(), delivered);
      EXPECT_EQ(std::memcmp(sample.Data(), original.data() + at, static_cast<size_t>(delivered)), 0);
    }

    // Queued requests at random positions come back in order with the right bytes.
    std::vector<std::unique_ptr<TestSample>> samples;
    for (int i = 0; i < 24; ++i) {
      samples.push_back(std::make_unique<TestSample>(65536, static_cast<size_t>(i % 7)));
      int64_t at = static_cast<int64_t>(random() % static_cast<uint32_t>(size));
      samples.back()->SetRange(static_cast<uint64_t>(at), 1 + random() % 65536);
      ASSERT_EQ(reader->Request(samples.back().get(), static_cast<DWORD_PTR>(i)), S_OK);
    }
    for (int i = 0; i < 24; ++i) {
      IMediaSample* done = nullptr;
      DWORD_PTR user = 99;
      HRESULT hr = reader->WaitForNext(10000, &done, &user);
      ASSERT_EQ(user, static_cast<DWORD_PTR>(i)) << "served in the order queued";
      TestSample* sample = samples[static_cast<size_t>(i)].get();
      ASSERT_EQ(done, sample);
      EXPECT_EQ(hr, S_OK);
      int64_t at = sample->Start() / VyrUnitsPerByte;
      int64_t n = (sample->Stop() - sample->Start()) / VyrUnitsPerByte;
      EXPECT_LE(at + n, size) << "times clipped at the end of the stream";
      EXPECT_EQ(sample->ActualLength(), n);
      EXPECT_EQ(std::memcmp(sample->Data(), original.data() + at, static_cast<size_t>(n)), 0);
      EXPECT_EQ(sample->RefCount(), 1) << "the pin holds no reference on samples";
    }
  }
}

TEST(VyrServedBytes, ReadsAcrossSegmentBoundariesAndEmptySegments)
{
  ScratchDir dir;
  auto stream = RandomBytes(300, 5);
  // Segments 100, 0, 150, 0, 50, placed out of order with filler between them.
  std::vector<vyrformat::Segment> table{{400, 100}, {0, 0}, {60, 150}, {999999, 0}, {300, 50}};
  auto image = vyrformat::EncodeHeader(table);
  image.resize(600, vyrformat::GapFiller);
  size_t at = 0;
  for (const auto& s : table) {
    for (int32_t k = 0; k < s.Length; ++k) image[s.Offset + static_cast<size_t>(k)] = static_cast<uint8_t>(~stream[at++]);
  }
  FilterRef filter(dir.Write("bounds.vyr", image));
  EXPECT_EQ(uint64_t{filter->GetSize()}, 300u);
  for (int start = 0; start < 300; start += 7) {
    for (int length : {1, 49, 50, 51, 100, 151, 299}) {
      std::vector<uint8_t> got(static_cast<size_t>(length));
      int32_t count = -1;
      HRESULT hr = filter->ReadStream(got.data(), length, count, static_cast<uint64_t>(start));
      int expected = std::min(length, 300 - start);
      EXPECT_EQ(hr, expected == length ? S_OK : S_FALSE) << start << "+" << length;
      ASSERT_EQ(count, expected);
      EXPECT_EQ(std::memcmp(got.data(), stream.data() + start, static_cast<size_t>(count)), 0) << start << "+" << length;
    }
  }
}

TEST(VyrServedBytes, EndOfStreamAndLengthRules)
{
  SmallFile file;
  FilterRef filter(file.Path);
  std::vector<uint8_t> got(2000);
  int32_t count = -1;
  EXPECT_EQ(filter->ReadStream(got.data(), 0, count, 10u), S_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(filter->ReadStream(got.data(), 0, count, 1000u), E_FAIL) << "a zero read at the end";
  EXPECT_EQ(filter->ReadStream(got.data(), 10, count, 1000u), E_FAIL);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(filter->ReadStream(got.data(), 10, count, uint64_t{1} << 33), E_FAIL) << "far past the end";
  EXPECT_EQ(filter->ReadStream(got.data(), 500, count, 900u), S_FALSE);
  EXPECT_EQ(count, 100) << "stream length - position";
  EXPECT_EQ(std::memcmp(got.data(), file.Stream.data() + 900, 100), 0);
  EXPECT_EQ(filter->ReadStream(got.data(), -5, count, 0u), E_INVALIDARG) << "a negative length reads nothing";
  EXPECT_EQ(count, 0);
  auto reader = filter.Reader();
  EXPECT_EQ(reader->SyncRead(-1, 10, got.data()), E_FAIL);
}

TEST(VyrServedBytes, SegmentPastTheEndOfTheFileGivesAShortRead)
{
  ScratchDir dir;
  std::vector<vyrformat::Segment> table{{26, 10}, {5000, 10}};
  auto image = vyrformat::EncodeHeader(table);
  image.resize(60, 0x00);  // longer than the 20 stream bytes, but the second segment lies beyond it
  FilterRef filter(dir.Write("short.vyr", image));
  std::vector<uint8_t> got(20);
  int32_t count = 0;
  EXPECT_EQ(filter->ReadStream(got.data(), 20, count, 0u), S_FALSE);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(got[0], 0xFF) << "zero bytes in the file reach the reader complemented";
}

TEST(VyrServedBytes, InvertBytesMatchesTheBytewiseComplementAtEveryAlignment)
{
  auto source = RandomBytes(600, 9);
  for (size_t offset = 0; offset < 33; ++offset) {
    for (int32_t count : {0, 1, 15, 16, 17, 63, 64, 65, 130, 511}) {
      auto data = source;
      TVyrFilter::InvertBytes(data.data() + offset, count);
      for (size_t i = 0; i < data.size(); ++i) {
        bool inside = i >= offset && i < offset + static_cast<size_t>(count);
        ASSERT_EQ(data[i], inside ? static_cast<uint8_t>(~source[i]) : source[i]) << offset << " " << count << " " << i;
      }
    }
  }
  auto data = source;
  TVyrFilter::InvertBytes(data.data(), -4);
  EXPECT_EQ(data, source);
}

// ---------------------------------------------------------------------------------------------
// Header and table checks

TEST(VyrOpen, RefusesMalformedContainers)
{
  ScratchDir dir;
  auto stream = RandomBytes(100, 1);
  auto good = PackImage(stream, {2, 0, false, 1, 0});
  auto patched = [&](size_t at, uint8_t value) {
    auto copy = good;
    copy[at] = value;
    return copy;
  };
  HRESULT code = S_OK;
  EXPECT_FALSE(OpenFails(dir.Write("good.vyr", good)));
  EXPECT_TRUE(OpenFails(dir.Write("magic.vyr", patched(0, 'v')), &code));
  EXPECT_EQ(code, E_FAIL);
  EXPECT_TRUE(OpenFails(dir.Write("magic2.vyr", patched(1, 'S'))));
  EXPECT_TRUE(OpenFails(dir.Write("version.vyr", patched(2, 2))));
  EXPECT_TRUE(OpenFails(dir.Write("version0.vyr", patched(2, 0))));
  EXPECT_TRUE(OpenFails(dir.Write("negative.vyr", patched(9, 0x80))));
  EXPECT_TRUE(OpenFails(dir.Write("huge.vyr", patched(9, 0x7F))));
  EXPECT_TRUE(OpenFails(dir.Write("neglength.vyr", patched(17, 0xFF))));
  EXPECT_TRUE(OpenFails(dir.Write("header.vyr", {good.begin(), good.begin() + 8})));
  EXPECT_TRUE(OpenFails(dir.Write("empty.vyr", {})));
  EXPECT_TRUE(OpenFails(dir.Write("table.vyr", {good.begin(), good.begin() + 20})));
  EXPECT_TRUE(OpenFails(dir.Path("missing.vyr"), &code));
  EXPECT_EQ(code, E_FAIL);
  EXPECT_TRUE(OpenFails(""));
  // Lengths adding up to more than the file, and a segment reaching past 2 GiB.
  auto claimed = vyrformat::EncodeHeader({{18, 100}, {118, 100}});
  claimed.resize(150);
  EXPECT_TRUE(OpenFails(dir.Write("short.vyr", claimed)));
  claimed.resize(218);
  EXPECT_FALSE(OpenFails(dir.Write("exact.vyr", claimed)));
  EXPECT_TRUE(OpenFails(dir.Write("far.vyr", vyrformat::EncodeHeader({{0x7FFFFFF0u, 0x20}}))));
}

TEST(VyrOpen, AcceptsEmptyTablesAndLongFiles)
{
  ScratchDir dir;
  FilterRef empty(dir.Write("empty.vyr", Header(0)));
  EXPECT_EQ(uint64_t{empty->GetSize()}, 0u);
  BYTE buffer[16];
  EXPECT_EQ(empty.Reader()->SyncRead(0, 0, buffer), E_FAIL);
  EXPECT_EQ(empty.Reader()->SyncRead(0, 16, buffer), E_FAIL);

  auto image = PackImage(RandomBytes(50, 2), {});
  image.resize(image.size() + 1000, 0x11);
  FilterRef longer(dir.Write("long.vyr", image));
  EXPECT_EQ(uint64_t{longer->GetSize()}, 50u);
  // The file stays shared for reading while the filter holds it.
  HANDLE other = CreateFileA(dir.Path("long.vyr").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(other, INVALID_HANDLE_VALUE);
  CloseHandle(other);
}

// ---------------------------------------------------------------------------------------------
// The filter and its pin as COM objects

TEST(VyrPin, IdentityMediaTypesAndFilterFacts)
{
  SmallFile file;
  FilterRef filter(file.Path);
  EXPECT_EQ(filter->GetPinCount(), 1);
  EXPECT_EQ(filter->GetPin(1), nullptr);
  EXPECT_EQ(filter->GetPin(-1), nullptr);
  CLSID clsid{};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_AsyncReader);
  EXPECT_EQ(filter->Register(), S_OK);
  EXPECT_EQ(filter->Unregister(), S_OK);
  EXPECT_FALSE(Query<IFileSourceFilter>(static_cast<IBaseFilter*>(filter.Get()), IID_IFileSourceFilter));

  CBasePin* pin = filter->GetPin(0);
  ASSERT_NE(pin, nullptr);
  auto reader = filter.Reader();
  auto pinUnknown = Query<IUnknown>(static_cast<IPin*>(pin), IID_IUnknown);
  auto readerUnknown = Query<IUnknown>(reader.Get(), IID_IUnknown);
  EXPECT_EQ(pinUnknown.Get(), readerUnknown.Get()) << "one object, one identity";
  auto backToPin = Query<IPin>(reader.Get(), IID_IPin);
  EXPECT_EQ(backToPin.Get(), static_cast<IPin*>(pin));
  // The pin's count is the filter's.
  ULONG before = filter->AddRef();
  reader->AddRef();
  EXPECT_EQ(filter->Release(), before) << "the reader's reference is counted on the filter";
  reader->Release();
  EXPECT_EQ(pin->NonDelegatingQueryInterface(IID_IAsyncReader, nullptr), E_POINTER);

  PIN_DIRECTION direction{};
  EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
  EXPECT_EQ(direction, PINDIR_OUTPUT);
  EXPECT_STREQ(pin->Name(), L"Output");

  CMediaType type;
  EXPECT_EQ(pin->GetMediaType(0, &type), S_OK);
  EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_MPEG1System);
  EXPECT_EQ(type.cbFormat, 0u);
  EXPECT_EQ(pin->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(pin->GetMediaType(-1, &type), E_INVALIDARG);

  CMediaType check;
  check.SetType(&MEDIATYPE_Stream);
  EXPECT_EQ(pin->CheckMediaType(&check), S_OK) << "null subtype is a wildcard";
  check.SetSubtype(&MEDIASUBTYPE_MPEG1System);
  EXPECT_EQ(pin->CheckMediaType(&check), S_OK);
  check.SetSubtype(&MEDIASUBTYPE_MPEG1Video);
  EXPECT_EQ(pin->CheckMediaType(&check), S_FALSE);
  check.SetType(&MEDIATYPE_Video);
  check.SetSubtype(&MEDIASUBTYPE_MPEG1System);
  EXPECT_EQ(pin->CheckMediaType(&check), S_FALSE);
}

// An allocator that records what it is asked and grants what the test says.
class RecordingAllocator : public IMemAllocator {
public:
  ALLOCATOR_PROPERTIES Asked{};
  LONG GrantAlign = 1;
  HRESULT Result = S_OK;
  LONG Ref = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
  {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++Ref); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--Ref); }
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override
  {
    Asked = *request;
    *actual = *request;
    actual->cbAlign = GrantAlign;
    return Result;
  }
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Decommit() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample**, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return S_OK; }
};

TEST(VyrPin, RequestAllocatorNegotiatesTheAlignment)
{
  SmallFile file;
  FilterRef filter(file.Path);
  auto reader = filter.Reader();
  RecordingAllocator preferred;
  ALLOCATOR_PROPERTIES props{4, 4096, 0, 0};
  IMemAllocator* actual = nullptr;
  ASSERT_EQ(reader->RequestAllocator(&preferred, &props, &actual), S_OK);
  EXPECT_EQ(actual, &preferred);
  EXPECT_EQ(preferred.Ref, 2) << "a reference for the caller";
  EXPECT_EQ(preferred.Asked.cbAlign, 1) << "alignment 0 asks for the current one";
  preferred.Release();

  preferred.GrantAlign = 512;
  props.cbAlign = 512;
  ASSERT_EQ(reader->RequestAllocator(&preferred, &props, &actual), S_OK);
  preferred.Release();
  EXPECT_EQ(TVyrFilterTestAccess::Align(filter.Get()), 512);
  props.cbAlign = 0;
  ASSERT_EQ(reader->RequestAllocator(&preferred, &props, &actual), S_OK);
  EXPECT_EQ(preferred.Asked.cbAlign, 512);
  preferred.Release();

  // A preferred allocator that grants an unusable alignment, or fails, yields our own allocator.
  for (LONG grant : {0, 3, 256}) {
    preferred.GrantAlign = grant;
    props.cbAlign = 512;
    actual = nullptr;
    ASSERT_EQ(reader->RequestAllocator(&preferred, &props, &actual), S_OK) << grant;
    EXPECT_NE(actual, &preferred);
    ALLOCATOR_PROPERTIES got{};
    EXPECT_EQ(actual->GetProperties(&got), S_OK);
    EXPECT_EQ(got.cbAlign, 512);
    EXPECT_EQ(actual->Release(), 0u) << "the caller holds the only reference";
  }
  EXPECT_EQ(preferred.Ref, 1);
  props = {2, 1000, 1, 0};  // below the current alignment: asks for 512 instead
  ASSERT_EQ(reader->RequestAllocator(nullptr, &props, &actual), S_OK);
  EXPECT_EQ(props.cbAlign, 512);
  actual->Release();
}

TEST(VyrPin, SamplesAreClippedAtTheEndAndCheckedForAlignmentAndSize)
{
  ScratchDir dir;
  auto stream = RandomBytes(1000, 12);
  FilterRef filter(dir.Write("k.vyr", PackImage(stream, {0, 300, true, 4, 2})));
  auto reader = filter.Reader();

  // Alignment 1: bytes 0..1500 of 1000 are cut to 1000.
  TestSample sample(4096);
  sample.SetRange(0, 1500);
  EXPECT_EQ(reader->SyncReadAligned(&sample), S_OK);
  EXPECT_EQ(sample.ActualLength(), 1000);
  EXPECT_EQ(sample.Stop(), 1000 * VyrUnitsPerByte);
  EXPECT_EQ(std::memcmp(sample.Data(), stream.data(), 1000), 0);

  sample.FailGetTime(VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(reader->SyncReadAligned(&sample), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(reader->Request(&sample, 0), VFW_E_SAMPLE_TIME_NOT_SET);

  // Times asking for more than the buffer holds are refused, never written past it.
  TestSample small(100);
  small.SetRange(0, 200);
  EXPECT_EQ(reader->SyncReadAligned(&small), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(reader->Request(&small, 0), VFW_E_BUFFER_OVERFLOW);
  small.SetRange(500, -100);
  EXPECT_EQ(reader->Request(&small, 0), VFW_E_BUFFER_OVERFLOW);

  // Alignment 512.
  RecordingAllocator preferred;
  preferred.GrantAlign = 512;
  ALLOCATOR_PROPERTIES props{1, 1024, 512, 0};
  IMemAllocator* actual = nullptr;
  ASSERT_EQ(reader->RequestAllocator(&preferred, &props, &actual), S_OK);
  actual->Release();

  TestSample tail(1024);
  tail.SetRange(512, 1024);
  EXPECT_EQ(reader->SyncReadAligned(&tail), S_FALSE) << "the synchronous path reports the short read";
  EXPECT_EQ(tail.ActualLength(), 488);
  EXPECT_EQ(tail.Stop(), 1024 * VyrUnitsPerByte);
  EXPECT_EQ(std::memcmp(tail.Data(), stream.data() + 512, 488), 0);

  TestSample queued(1024);
  queued.SetRange(512, 1024);
  ASSERT_EQ(reader->Request(&queued, 7), S_OK);
  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), S_OK) << "a read ending at the end of the stream";
  EXPECT_EQ(done, &queued);
  EXPECT_EQ(user, 7u);
  EXPECT_EQ(queued.ActualLength(), 488);

  TestSample odd(1024);
  odd.SetRange(100, 512);
  EXPECT_EQ(reader->Request(&odd, 1), VFW_E_BADALIGN);
  EXPECT_EQ(reader->SyncReadAligned(&odd), VFW_E_BADALIGN);
  odd.SetRange(0, 100);
  EXPECT_EQ(reader->Request(&odd, 1), VFW_E_BADALIGN);
  TestSample misplaced(1024, 8);
  misplaced.SetRange(0, 512);
  EXPECT_EQ(reader->Request(&misplaced, 1), VFW_E_BADALIGN);
  EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT) << "nothing was queued";
  EXPECT_EQ(done, nullptr);

  // Past the end: queued, and answered with E_FAIL.
  TestSample beyond(1024);
  beyond.SetRange(2048, 512);
  ASSERT_EQ(reader->Request(&beyond, 3), S_OK);
  EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), E_FAIL);
  EXPECT_EQ(done, &beyond);
}

// ---------------------------------------------------------------------------------------------
// The request queue

TEST(VyrQueue, FlushStatesCancelAndRefuseAsTheyShould)
{
  SmallFile file;
  FilterRef filter(file.Path);
  auto reader = filter.Reader();
  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);

  // Hold the file lock: the worker takes the first packet and blocks inside its read.
  std::vector<std::unique_ptr<TestSample>> samples;
  for (int i = 0; i < 4; ++i) {
    samples.push_back(std::make_unique<TestSample>(100));
    samples.back()->SetRange(static_cast<uint64_t>(i) * 100, 100);
  }
  TCriticalSection& fileLock = TVyrFilterTestAccess::FileLock(filter.Get());
  fileLock.Acquire();
  for (int i = 0; i < 4; ++i) ASSERT_EQ(reader->Request(samples[static_cast<size_t>(i)].get(), static_cast<DWORD_PTR>(i)), S_OK);
  ASSERT_TRUE(WaitInProgress(filter.Get(), 1));

  std::atomic<bool> flushed{false};
  std::thread flusher([&] {
    reader->BeginFlush();
    flushed = true;
  });
  Sleep(200);
  EXPECT_FALSE(flushed) << "BeginFlush waits for the read in progress";
  fileLock.Release();
  flusher.join();
  EXPECT_TRUE(flushed);

  // The queued packets come back cancelled, in order, each with its sample and user value; the
  // one that was being read follows them with its real result.
  for (DWORD_PTR i = 1; i < 4; ++i) {
    ASSERT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT);
    EXPECT_EQ(user, i);
    EXPECT_EQ(done, samples[i].get());
    EXPECT_EQ(samples[i]->ActualLength(), 0);
  }
  ASSERT_EQ(reader->WaitForNext(0, &done, &user), S_OK);
  EXPECT_EQ(user, 0u);
  EXPECT_EQ(done, samples[0].get());
  EXPECT_EQ(samples[0]->ActualLength(), 100);
  EXPECT_EQ(std::memcmp(samples[0]->Data(), file.Stream.data(), 100), 0);
  EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), VFW_E_WRONG_STATE) << "drained flush never blocks";
  EXPECT_EQ(done, nullptr);
  EXPECT_EQ(reader->Request(samples[0].get(), 9), VFW_E_WRONG_STATE);
  EXPECT_EQ(reader->EndFlush(), S_OK);
  EXPECT_EQ(reader->WaitForNext(0, &done, &user), VFW_E_TIMEOUT) << "nothing left: the event is reset";

  // EndFlush with uncollected packets leaves them collectable.
  ASSERT_EQ(reader->Request(samples[1].get(), 11), S_OK);
  ASSERT_EQ(reader->BeginFlush(), S_OK);
  ASSERT_EQ(reader->EndFlush(), S_OK);
  HRESULT hr = reader->WaitForNext(0, &done, &user);
  EXPECT_TRUE(hr == S_OK || hr == VFW_E_TIMEOUT);
  EXPECT_EQ(user, 11u);
  EXPECT_EQ(done, samples[1].get());

  // After all that, the queue works normally, and a second flush with a read in progress waits
  // again (the all-done event of the first must not let it through).
  fileLock.Acquire();
  ASSERT_EQ(reader->Request(samples[2].get(), 12), S_OK);
  ASSERT_TRUE(WaitInProgress(filter.Get(), 1));
  flushed = false;
  std::thread second([&] {
    reader->BeginFlush();
    flushed = true;
  });
  Sleep(150);
  EXPECT_FALSE(flushed);
  fileLock.Release();
  second.join();
  EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), S_OK);
  EXPECT_EQ(user, 12u);
  reader->EndFlush();
}

TEST(VyrQueue, WaitForNextWithoutTimeoutReturnsWhenAPacketFinishes)
{
  SmallFile file;
  FilterRef filter(file.Path);
  auto reader = filter.Reader();
  TestSample sample(300);
  sample.SetRange(700, 300);
  TCriticalSection& fileLock = TVyrFilterTestAccess::FileLock(filter.Get());
  fileLock.Acquire();
  ASSERT_EQ(reader->Request(&sample, 5), S_OK);
  std::thread release([&] {
    Sleep(100);
    fileLock.Release();
  });
  IMediaSample* done = nullptr;
  DWORD_PTR user = 0;
  EXPECT_EQ(reader->WaitForNext(INFINITE, &done, &user), S_OK);
  release.join();
  EXPECT_EQ(done, &sample);
  EXPECT_EQ(sample.ActualLength(), 300);
  EXPECT_EQ(std::memcmp(sample.Data(), file.Stream.data() + 700, 300), 0);
}

TEST(VyrQueue, DestructionWithPacketsQueuedOrInProgressEndsTheWorker)
{
  SmallFile file;
  const int threadsBefore = ThreadCount();
  const LONG objectsBefore = CUnknown::ObjectCount();
  {
    // Never resumed: no request ever came.
    FilterRef idle(file.Path);
  }
  std::vector<std::unique_ptr<TestSample>> samples;
  for (int i = 0; i < 6; ++i) {
    samples.push_back(std::make_unique<TestSample>(100));
    samples.back()->SetRange(static_cast<uint64_t>(i) * 100, 100);
  }
  {
    // Packets queued, one in progress, some finished and never collected.
    auto filter = std::make_unique<FilterRef>(file.Path);
    auto reader = filter->Reader();
    for (int i = 0; i < 2; ++i) ASSERT_EQ(reader->Request(samples[static_cast<size_t>(i)].get(), 0), S_OK);
    IMediaSample* done = nullptr;
    DWORD_PTR user = 0;
    ASSERT_EQ(reader->WaitForNext(INFINITE, &done, &user), S_OK);
    TCriticalSection& fileLock = TVyrFilterTestAccess::FileLock(filter->Get());
    fileLock.Acquire();
    for (int i = 2; i < 6; ++i) ASSERT_EQ(reader->Request(samples[static_cast<size_t>(i)].get(), 0), S_OK);
    ASSERT_TRUE(WaitInProgress(filter->Get(), 1));
    reader.Reset();
    std::thread release([&] {
      Sleep(100);
      fileLock.Release();
    });
    filter.reset();  // waits for the read in progress, then frees everything
    release.join();
  }
  for (const auto& s : samples) EXPECT_EQ(s->RefCount(), 1);
  EXPECT_EQ(CUnknown::ObjectCount(), objectsBefore);
  for (const ULONGLONG until = GetTickCount64() + 20000; ThreadCount() > threadsBefore && GetTickCount64() < until;)
    Sleep(5);
  EXPECT_LE(ThreadCount(), threadsBefore) << "every worker has ended";
}
