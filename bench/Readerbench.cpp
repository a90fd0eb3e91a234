// Stream throughput of the .vyr source filter against the platform's stock file source and plain
// ReadFile, over the same stream bytes:
//   readerbench RAW.mpg PACKED.vyr
// The last three lines are the ratios (higher: the first named is faster).
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
constexpr int Passes = 2;

double Seconds()
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Best MB/s of a few passes; each pass returns the bytes it moved (0: failure).
double Measure(const char* name, const std::function<int64_t()>& pass)
{
  double best = 0;
  for (int i = 0; i < Passes; ++i) {
    double start = Seconds();
    int64_t bytes = pass();
    double elapsed = Seconds() - start;
    if (bytes <= 0) {
      std::printf("%s: failed\n", name);
      return 0;
    }
    best = std::max(best, static_cast<double>(bytes) / (1024.0 * 1024.0) / elapsed);
  }
  std::printf("%-18s %9.1f MB/s\n", name, best);
  std::fflush(stdout);
  return best;
}

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

// SyncRead in 64 KiB steps over the whole stream of a reader.
int64_t SyncReadPass(IAsyncReader* reader)
{
  LONGLONG total = 0, available = 0;
  if (reader->Length(&total, &available) != S_OK) return 0;
  std::vector<BYTE> buffer(Block);
  for (LONGLONG at = 0; at < total; at += Block) {
    LONG n = static_cast<LONG>(std::min<LONGLONG>(Block, total - at));
    if (FAILED(reader->SyncRead(at, n, buffer.data()))) return 0;
  }
  return total;
}

// Queued requests, eight in flight, through the pin's own allocator.
int64_t AsyncPass(IAsyncReader* reader)
{
  LONGLONG total = 0, available = 0;
  reader->Length(&total, &available);
  ALLOCATOR_PROPERTIES props{8, Block, 1, 0};
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
  while (outstanding < 8 && next < total && (ok = request())) {
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

    double readFile = Measure("readfile", [&] { return ReadFilePass(raw); });

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
    Com<IAsyncReader> stockReader;
    OleCheck(stockPin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&stockReader)));
    double stockSync = Measure("stock_syncread", [&] { return SyncReadPass(stockReader.P); });

    auto* filter = new TVyrFilter(AnsiString(packed));
    filter->AddRef();
    Com<IAsyncReader> ours;
    OleCheck(static_cast<IPin*>(filter->GetPin(0))->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(&ours)));
    double sync = Measure("vyr_syncread", [&] { return SyncReadPass(ours.P); });
    double async = Measure("vyr_async", [&] { return AsyncPass(ours.P); });
    ours.P->Release();
    ours.P = nullptr;
    filter->Release();

    std::vector<BYTE> buffer(16 << 20);
    const int32_t size = static_cast<int32_t>(buffer.size()) - 3;
    double bytewise = Measure("invert_bytewise", [&] {
      for (int i = 0; i < 4; ++i) InvertBytewise(buffer.data() + 3, size);
      return int64_t{size} * 4;
    });
    double vector = Measure("invert_vector", [&] {
      for (int i = 0; i < 4; ++i) TVyrFilter::InvertBytes(buffer.data() + 3, size);
      return int64_t{size} * 4;
    });
    std::printf("invert_vs_bytewise: %.2f\n", bytewise > 0 ? vector / bytewise : 0.0);
    std::printf("sync_vs_stock: %.2f\n", stockSync > 0 ? sync / stockSync : 0.0);
    std::printf("sync_vs_readfile: %.2f\n", readFile > 0 ? sync / readFile : 0.0);
    std::printf("async_vs_sync: %.2f\n", sync > 0 ? async / sync : 0.0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "readerbench: %s\n", e.what());
    code = 1;
  }
  CoUninitialize();
  return code;
}
