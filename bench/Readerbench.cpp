// Stream throughput of the .vyr source filter against the platform's stock file source and plain
// ReadFile, over the same stream bytes:
//   readerbench RAW.mpg PACKED.vyr
// Every reader runs once per round, the rounds interleaved so that a machine that speeds up or slows
// down meanwhile treats them alike; each line is a reader's best round. The last lines are the ratios
// (higher: the first named is faster).
#include "Vyrfilter.h"

#include <ComObj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr LONG Block = 64 * 1024;
constexpr int Rounds = 9;

double Seconds()
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A reader under test: its name, one pass over the stream (the bytes it moved; 0: failure) and the
// best rate of its rounds.
struct Reader {
  const char* Name;
  std::function<int64_t()> Pass;
  double Best = 0;
  bool Failed = false;
};

void RunRounds(std::vector<Reader>& readers)
{
  for (int round = 0; round < Rounds; ++round)
    for (Reader& r : readers) {
      if (r.Failed) continue;
      double start = Seconds();
      int64_t bytes = r.Pass();
      double elapsed = Seconds() - start;
      if (bytes <= 0) {
        r.Failed = true;
        continue;
      }
      r.Best = std::max(r.Best, static_cast<double>(bytes) / (1024.0 * 1024.0) / elapsed);
    }
  for (const Reader& r : readers) {
    if (r.Failed)
      std::printf("%s: failed\n", r.Name);
    else
      std::printf("%-18s %9.1f MB/s\n", r.Name, r.Best);
  }
  std::fflush(stdout);
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0.0; }

template <class T> struct Com {
  T* P = nullptr;
  ~Com()
  {
    if (P) P->Release();
  }
  T** operator&() { return &P; }
  T* operator->() const { return P; }
};

std::wstring Wide(const char* text)
{
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  return out;
}

int64_t ReadFilePass(const char* path)
{
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  std::vector<BYTE> buffer(Block);
  int64_t total = 0;
  DWORD n = 0;
  while (ReadFile(file, buffer.data(), Block, &n, nullptr) && n > 0) total += n;
  CloseHandle(file);
  return total;
}

// Synchronous and queued readers fill the same number of buffers in turn, as a parser that keeps its
// samples would: a single hot buffer would flatter the synchronous path by some 15 %.
constexpr int Buffers = 8;

// SyncRead in 64 KiB steps over the whole stream of a reader.
int64_t SyncReadPass(IAsyncReader* reader)
{
  LONGLONG total = 0, available = 0;
  if (reader->Length(&total, &available) != S_OK) return 0;
  std::vector<BYTE> buffers(size_t{Block} * Buffers);
  int turn = 0;
  for (LONGLONG at = 0; at < total; at += Block, turn = (turn + 1) % Buffers) {
    LONG n = static_cast<LONG>(std::min<LONGLONG>(Block, total - at));
    if (FAILED(reader->SyncRead(at, n, buffers.data() + size_t{Block} * turn))) return 0;
  }
  return total;
}

// Queued requests, one per buffer in flight, through the pin's own allocator.
int64_t AsyncPass(IAsyncReader* reader)
{
  LONGLONG total = 0, available = 0;
  reader->Length(&total, &available);
  ALLOCATOR_PROPERTIES props{Buffers, Block, 1, 0};
  Com<IMemAllocator> allocator;
  if (FAILED(reader->RequestAllocator(nullptr, &props, &allocator)) || FAILED(allocator->Commit())) return 0;
  LONGLONG next = 0, done = 0;
  int outstanding = 0;
  bool ok = true;
  auto request = [&] {
    IMediaSample* sample = nullptr;
    if (allocator->GetBuffer(&sample, nullptr, nullptr, 0) != S_OK) return false;
    REFERENCE_TIME start = next * VyrUnitsPerByte, stop = (next + Block) * VyrUnitsPerByte;
    sample->SetTime(&start, &stop);
    if (FAILED(reader->Request(sample, 0))) {
      sample->Release();
      return false;
    }
    next += Block;
    ++outstanding;
    return true;
  };
  while (outstanding < Buffers && next < total && (ok = request())) {
  }
  while (ok && outstanding > 0) {
    IMediaSample* sample = nullptr;
    DWORD_PTR user = 0;
    HRESULT hr = reader->WaitForNext(INFINITE, &sample, &user);
    if (!sample) break;
    --outstanding;
    done += sample->GetActualDataLength();
    sample->Release();
    if (hr != S_OK) ok = false;
    if (ok && next < total) ok = request();
  }
  allocator->Decommit();
  return ok ? done : 0;
}

__attribute__((optimize("no-tree-vectorize"))) void InvertBytewise(BYTE* data, int32_t count)
{
  for (int32_t i = 0; i < count; ++i) data[i] = static_cast<BYTE>(~data[i]);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 3) {
    std::fprintf(stderr, "usage: readerbench RAW.mpg PACKED.vyr\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  int code = 0;
  try {
    const char* raw = argv[1];
    const char* packed = argv[2];
    ReadFilePass(raw);  // warm the cache for every reader alike
    ReadFilePass(packed);

    Com<IBaseFilter> stock;
    OleCheck(CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&stock)));
    Com<IFileSourceFilter> load;
    OleCheck(stock->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&load)));
    OleCheck(load->Load(Wide(raw).c_str(), nullptr));
    Com<IEnumPins> pins;
    Com<IPin> stockPin;
    OleCheck(stock->EnumPins(&pins));
    OleCheck(pins->Next(1, &stockPin, nullptr));
    // The stock pin queues requests unconnected too: RequestAllocator, Request and WaitForNext need no peer.
    Com<IAsyncReader> stockReader;
    OleCheck(stockPin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&stockReader)));

    auto* filter = new TVyrFilter(AnsiString(packed));
    filter->AddRef();
    Com<IAsyncReader> ours;
    OleCheck(static_cast<IPin*>(filter->GetPin(0))->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&ours)));

    std::vector<Reader> readers{
        {"readfile", [&] { return ReadFilePass(raw); }},
        {"stock_syncread", [&] { return SyncReadPass(stockReader.P); }},
        {"stock_async", [&] { return AsyncPass(stockReader.P); }},
        {"vyr_syncread", [&] { return SyncReadPass(ours.P); }},
        {"vyr_async", [&] { return AsyncPass(ours.P); }},
    };
    RunRounds(readers);
    ours.P->Release();
    ours.P = nullptr;
    filter->Release();

    std::vector<BYTE> buffer(16 << 20);
    const int32_t size = static_cast<int32_t>(buffer.size()) - 3;
    std::vector<Reader> inverters{
        {"invert_bytewise",
         [&] {
           for (int i = 0; i < 4; ++i) InvertBytewise(buffer.data() + 3, size);
           return int64_t{size} * 4;
         }},
        {"invert_vector",
         [&] {
           for (int i = 0; i < 4; ++i) TVyrFilter::InvertBytes(buffer.data() + 3, size);
           return int64_t{size} * 4;
         }},
    };
    RunRounds(inverters);

    const double readFile = readers[0].Best, stockSync = readers[1].Best, stockAsync = readers[2].Best;
    const double sync = readers[3].Best, async = readers[4].Best;
    std::printf("invert_vs_bytewise: %.2f\n", Ratio(inverters[1].Best, inverters[0].Best));
    std::printf("sync_vs_stock: %.2f\n", Ratio(sync, stockSync));
    std::printf("sync_vs_readfile: %.2f\n", Ratio(sync, readFile));
    std::printf("async_vs_sync: %.2f\n", Ratio(async, sync));
    std::printf("async_vs_stock_async: %.2f\n", Ratio(async, stockAsync));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "readerbench: %s\n", e.what());
    code = 1;
  }
  CoUninitialize();
  return code;
}
