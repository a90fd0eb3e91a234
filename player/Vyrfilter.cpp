#include "Vyrfilter.h"

#include <ComObj.h>
#include <Trace.h>

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Decisions this unit takes where the container format leaves room:
// - A negative segment count, a negative segment length, a total stream length of 2^31 bytes or
//   more, or a segment reaching at or past 2^31 bytes in the file is refused at open (E_FAIL): the
//   format's arithmetic is 32-bit and such tables cannot describe a stream we could serve.
// - A segment count whose table cannot fit in the file is refused before the table is allocated, so
//   a corrupt count never asks for gigabytes.
// - ReadStream refuses a negative length (E_INVALIDARG) instead of reading a whole segment into a
//   buffer the caller never offered.
// - Request and SyncReadAligned refuse a sample whose time stamps ask for more bytes than its buffer
//   holds (VFW_E_BUFFER_OVERFLOW): the times come from another component and must not decide how
//   far we write into memory.
// - An allocator that grants an alignment that is not a positive power of two is not accepted.
// - WaitForNext sets the sample's actual data length to the bytes delivered, as SyncReadAligned
//   does, so the reader downstream never sees stale lengths.
// - The pin's destructor wakes and ends the worker (starting it first if no request ever did) and
//   waits on its own handle of the worker's thread until that thread is gone, and only then frees
//   the queues, events and lock the worker uses.
// - BeginFlush resets the all-done event before it waits, so a second flush waits instead of
//   spinning on an event left set by the first.

namespace {

HRESULT HresultFromWin32(DWORD error)
{
  if (static_cast<LONG>(error) <= 0) return static_cast<HRESULT>(error);
  return static_cast<HRESULT>((error & 0xFFFF) | 0x80070000);
}

constexpr uint64_t MaxStreamBytes = 0x7FFFFFFF;  // 32-bit offsets and lengths

bool IsPowerOfTwo(LONG value) { return value > 0 && (value & (value - 1)) == 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TVyrFilter

TVyrFilter::TVyrFilter(AnsiString fileName)
    : CBaseFilter(nullptr, nullptr, &FLock, CLSID_AsyncReader), FFileName(fileName)
{
  FSize = 0;
  FMediaType.SetType(&MEDIATYPE_Stream);
  FMediaType.SetSubtype(&MEDIASUBTYPE_MPEG1System);
  OleCheck(OpenFile());
  try {
    FFileLock = std::make_unique<TCriticalSection>();
    FPin = std::make_unique<TVyrOutputPin>(this, &FLock);
  } catch (...) {
    CloseFile();
    throw;
  }
}

TVyrFilter::~TVyrFilter()
{
  FPin.reset();  // flushes and ends the worker before the file goes
  CloseFile();
  FFileLock.reset();
  FSegmentEnds.reset();
  FSegments.reset();
}

int TVyrFilter::GetPinCount() { return 1; }

CBasePin* TVyrFilter::GetPin(int n) { return n == 0 ? FPin.get() : nullptr; }

HRESULT STDMETHODCALLTYPE TVyrFilter::Register() { return S_OK; }

HRESULT STDMETHODCALLTYPE TVyrFilter::Unregister() { return S_OK; }

HRESULT TVyrFilter::OpenFile()
{
  if (FFile != INVALID_HANDLE_VALUE) return S_OK;
  FFile = CreateFileA(FFileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_FLAG_RANDOM_ACCESS, nullptr);
  if (FFile == INVALID_HANDLE_VALUE) {
    OSTREL_TRACE(filter, "%s: cannot open (error %lu)", FFileName.c_str(), GetLastError());
    return E_FAIL;
  }
  HRESULT hr = ReadHeader();
  if (SUCCEEDED(hr)) {
    OSTREL_TRACE(filter, "%s: %d segments, %llu stream bytes", FFileName.c_str(), FSegmentCount,
                 static_cast<unsigned long long>(FSize));
    return S_OK;
  }
  OSTREL_TRACE(filter, "%s: not a .vyr file this filter reads (0x%08lx)", FFileName.c_str(), hr);
  CloseFile();
  FSize = 0;
  FSegmentCount = 0;
  FSegments.reset();
  FSegmentEnds.reset();
  return hr;
}

// One ReadFile of exactly size bytes: a failure gives the converted Win32 error, a short read E_FAIL.
HRESULT TVyrFilter::ReadExactly(void* buffer, DWORD size)
{
  DWORD read = 0;
  if (!ReadFile(FFile, buffer, size, &read, nullptr)) return HresultFromWin32(GetLastError());
  return read == size ? S_OK : E_FAIL;
}

HRESULT TVyrFilter::ReadHeader()
{
  char magic[2];
  uint32_t version = 0;
  HRESULT hr = ReadExactly(magic, sizeof magic);
  if (FAILED(hr)) return hr;
  if (magic[0] != 'V' || magic[1] != 'R') return E_FAIL;
  if (FAILED(hr = ReadExactly(&version, sizeof version))) return hr;
  if (version != 1) return E_FAIL;
  if (FAILED(hr = ReadExactly(&FSegmentCount, sizeof FSegmentCount))) return hr;
  if (FSegmentCount < 0) return E_FAIL;

  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize(FFile, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return E_FAIL;
  const uint64_t fileSize = (static_cast<uint64_t>(high) << 32) | low;
  // A table that cannot be in the file would end in a short read: refuse it before sizing it.
  if (10 + static_cast<uint64_t>(FSegmentCount) * sizeof(TVyrSegment) > fileSize) return E_FAIL;

  FSize = 0;
  const size_t count = static_cast<size_t>(FSegmentCount);
  FSegments.reset(new (std::nothrow) TVyrSegment[count]);
  FSegmentEnds.reset(new (std::nothrow) uint64_t[count]);
  if (count > 0 && (!FSegments || !FSegmentEnds)) return E_OUTOFMEMORY;
  // The entries lie in the file exactly as in memory (little-endian 32-bit pairs): one read.
  if (count > 0 && FAILED(hr = ReadExactly(FSegments.get(), static_cast<DWORD>(count * sizeof(TVyrSegment)))))
    return hr;

  uint64_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    const TVyrSegment& s = FSegments[i];
    if (s.Length < 0) return E_FAIL;
    if (uint64_t{s.Offset} + static_cast<uint64_t>(s.Length) > MaxStreamBytes) return E_FAIL;
    total += static_cast<uint64_t>(s.Length);
    FSegmentEnds[i] = total;
  }
  if (total > MaxStreamBytes) return E_FAIL;
  FSize = total;
  return total <= fileSize ? S_OK : E_FAIL;
}

HRESULT TVyrFilter::CloseFile()
{
  if (FFile == INVALID_HANDLE_VALUE) return S_OK;
  if (!CloseHandle(FFile)) return E_FAIL;
  FFile = INVALID_HANDLE_VALUE;
  return S_OK;
}

HRESULT TVyrFilter::ReadStream(BYTE* buffer, int32_t length, int32_t& count, TUInt64 position)
{
  count = 0;
  const uint64_t at = position;
  // The first segment that ends after the position (segment ends never decrease).
  const uint64_t* ends = FSegmentEnds.get();
  const uint64_t* found = std::upper_bound(ends, ends + FSegmentCount, at);
  if (found == ends + FSegmentCount) return E_FAIL;
  if (length < 0) return E_INVALIDARG;
  int32_t i = static_cast<int32_t>(found - ends);
  const uint64_t start = *found - static_cast<uint64_t>(FSegments[i].Length);
  uint64_t fileOffset = uint64_t{FSegments[i].Offset} + (at - start);
  uint32_t left = static_cast<uint32_t>(*found - at);
  uint32_t wanted = static_cast<uint32_t>(length);
  BYTE* destination = buffer;
  if (length == 0) return S_OK;
  for (;;) {
    const uint32_t chunk = std::min(left, wanted);
    int32_t read = 0;
    HRESULT hr = ReadChunk(destination, static_cast<int32_t>(chunk), read, fileOffset);
    InvertBytes(destination, read);
    count += read;
    if (hr != S_OK) return hr;
    wanted -= chunk;
    if (wanted == 0) return S_OK;
    if (++i >= FSegmentCount) return S_FALSE;
    destination += chunk;
    fileOffset = FSegments[i].Offset;
    left = static_cast<uint32_t>(FSegments[i].Length);
  }
}

HRESULT TVyrFilter::ReadChunk(BYTE* buffer, int32_t length, int32_t& count, TUInt64 offset)
{
  TSynchroGuard guard(*FFileLock);
  count = 0;
  SetLastError(NO_ERROR);
  if (SetFilePointer(FFile, static_cast<LONG>(offset.GetLowInt()), reinterpret_cast<LONG*>(offset.GetHighIntPtr()),
                     FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    DWORD error = GetLastError();
    if (error != NO_ERROR) return HresultFromWin32(error);
  }
  DWORD read = 0;
  if (ReadFile(FFile, buffer, static_cast<DWORD>(length), &read, nullptr)) {
    count = static_cast<int32_t>(read);
    return count == length ? S_OK : S_FALSE;
  }
  DWORD error = GetLastError();
  if (error != ERROR_INVALID_FUNCTION && error != ERROR_CRC) return HresultFromWin32(error);
  // Unreadable media: deliver the chunk as zeros (0xFF once inverted) rather than stop playback.
  std::memset(buffer, 0, static_cast<size_t>(length));
  count = length;
  return S_OK;
}

void TVyrFilter::InvertBytes(BYTE* buffer, int32_t count)
{
  if (count <= 0) return;
  BYTE* p = buffer;
  BYTE* const end = buffer + count;
#if defined(__SSE2__)
  // Bytewise up to a 16-byte boundary, then four aligned vectors per step, then the tail.
  while (p < end && (reinterpret_cast<uintptr_t>(p) & 15) != 0) *p = static_cast<BYTE>(~*p), ++p;
  const __m128i ones = _mm_set1_epi32(-1);
  for (; end - p >= 64; p += 64) {
    __m128i* v = reinterpret_cast<__m128i*>(p);
    __m128i a = _mm_load_si128(v), b = _mm_load_si128(v + 1), c = _mm_load_si128(v + 2), d = _mm_load_si128(v + 3);
    _mm_store_si128(v, _mm_xor_si128(a, ones));
    _mm_store_si128(v + 1, _mm_xor_si128(b, ones));
    _mm_store_si128(v + 2, _mm_xor_si128(c, ones));
    _mm_store_si128(v + 3, _mm_xor_si128(d, ones));
  }
  for (; end - p >= 16; p += 16) {
    __m128i* v = reinterpret_cast<__m128i*>(p);
    _mm_store_si128(v, _mm_xor_si128(_mm_load_si128(v), ones));
  }
#else
  while (p < end && (reinterpret_cast<uintptr_t>(p) & 3) != 0) *p = static_cast<BYTE>(~*p), ++p;
  for (; end - p >= 4; p += 4) {
    uint32_t word;
    std::memcpy(&word, p, 4);
    word = ~word;
    std::memcpy(p, &word, 4);
  }
#endif
  while (p < end) *p = static_cast<BYTE>(~*p), ++p;
}

// ---------------------------------------------------------------------------------------------
// TVyrOutputPin: IAsyncReader and connection

TVyrOutputPin::TVyrOutputPin(TVyrFilter* filter, CCritSec* lock)
    : CBasePin(nullptr, filter, lock, nullptr, L"Output", PINDIR_OUTPUT), FFilter(filter)
{
  FWorkQueue = std::make_unique<TQueue>();
  FDoneQueue = std::make_unique<TQueue>();
  FWorkEvent = std::make_unique<TLightEvent>();
  FDoneEvent = std::make_unique<TLightEvent>();
  FAllDoneEvent = std::make_unique<TLightEvent>();
  FThread = new TVyrFilterThread(this);  // frees itself when it ends
  if (!DuplicateHandle(GetCurrentProcess(), FThread->GetHandle(), GetCurrentProcess(), &FThreadHandle, SYNCHRONIZE,
                       FALSE, 0)) {
    DWORD error = GetLastError();
    // Without a handle we could not wait for it: end it now, before it ever touches the pin.
    FThread->Terminate();
    FThread->Resume();
    FThread = nullptr;
    OleCheck(HresultFromWin32(error));
  }
}

TVyrOutputPin::~TVyrOutputPin()
{
  DoBeginFlush();
  StopWorker();
  while (TRequestPacket* packet = TakeDone()) delete packet;
  FWorkQueue.reset();
  FDoneQueue.reset();
  FWorkEvent.reset();
  FDoneEvent.reset();
  FAllDoneEvent.reset();
}

void TVyrOutputPin::StopWorker()
{
  if (!FThread) return;
  // Start it if no request ever did; it must run to leave its loop and free itself. After
  // Terminate the object may vanish at any moment, so it is not touched again.
  FThread->Resume();
  FThread->Terminate();
  FThread = nullptr;
  FWorkEvent->SetEvent();
  WaitForSingleObject(FThreadHandle, INFINITE);
  CloseHandle(FThreadHandle);
  FThreadHandle = nullptr;
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
  return Guarded([&] {
    if (!ppv) return E_POINTER;
    if (riid == IID_IAsyncReader) {
      FReaderQueried = true;
      return GetInterface(static_cast<IAsyncReader*>(this), ppv);
    }
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
  });
}

HRESULT TVyrOutputPin::CheckMediaType(const CMediaType* type)
{
  if (type->majortype != MEDIATYPE_Stream) return S_FALSE;
  return type->subtype == MEDIASUBTYPE_MPEG1System || type->subtype == GUID_NULL ? S_OK : S_FALSE;
}

HRESULT TVyrOutputPin::GetMediaType(int position, CMediaType* type)
{
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return type->Set(*FFilter->FilterMediaType());
}

HRESULT TVyrOutputPin::CheckConnect(IPin* pin)
{
  FReaderQueried = false;
  return CBasePin::CheckConnect(pin);
}

HRESULT TVyrOutputPin::BreakConnect()
{
  FReaderQueried = false;
  return CBasePin::BreakConnect();
}

HRESULT TVyrOutputPin::CompleteConnect(IPin* receivePin)
{
  // A pin that never asked for IAsyncReader expects data pushed to it: we only serve pulls.
  OSTREL_TRACE(pin, "connection %s", FReaderQueried ? "pulls through IAsyncReader" : "refused: the peer wants pushed data");
  if (!FReaderQueried) return VFW_E_NO_TRANSPORT;
  return CBasePin::CompleteConnect(receivePin);
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                                          IMemAllocator** actual)
{
  return Guarded([&] { return DoRequestAllocator(preferred, props, actual); });
}

// Offers the properties to an allocator; takes its alignment as ours when it is usable.
HRESULT TVyrOutputPin::TryAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
  ALLOCATOR_PROPERTIES granted{};
  HRESULT hr = allocator->SetProperties(props, &granted);
  if (FAILED(hr)) return hr;
  if (!IsPowerOfTwo(granted.cbAlign) || !Aligned(granted.cbAlign)) return VFW_E_BADALIGN;
  FAlign = granted.cbAlign;
  return S_OK;
}

HRESULT TVyrOutputPin::DoRequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                          IMemAllocator** actual)
{
  if (props->cbAlign == 0 || !Aligned(props->cbAlign)) props->cbAlign = FAlign;
  if (preferred && SUCCEEDED(TryAllocator(preferred, props))) {
    preferred->AddRef();
    *actual = preferred;
    return S_OK;
  }
  HRESULT hr = S_OK;
  std::unique_ptr<CMemAllocator> created(new (std::nothrow) CMemAllocator(nullptr, nullptr, &hr));
  if (!created) return E_OUTOFMEMORY;
  if (FAILED(hr)) return hr;
  IMemAllocator* allocator = nullptr;
  if (FAILED(created->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&allocator))))
    return E_NOINTERFACE;
  created.release();  // its reference count owns it now
  hr = TryAllocator(allocator, props);
  if (FAILED(hr)) {
    allocator->Release();
    return hr;
  }
  *actual = allocator;
  return S_OK;
}

HRESULT TVyrOutputPin::PrepareSample(IMediaSample* sample, BYTE*& buffer, int32_t& length, TUInt64& position)
{
  REFERENCE_TIME start = 0, stop = 0;
  HRESULT hr = sample->GetTime(&start, &stop);
  if (FAILED(hr)) return hr;
  position = static_cast<uint64_t>(start / VyrUnitsPerByte);
  length = static_cast<int32_t>(static_cast<uint32_t>((stop - start) / VyrUnitsPerByte));
  const uint64_t size = FFilter->FSize;
  const uint64_t at = position;
  if (at + static_cast<uint32_t>(length) > size) {
    const uint64_t align = static_cast<uint64_t>(FAlign);
    const uint64_t alignedEnd = (size + align - 1) & ~(align - 1);
    if (at + static_cast<uint32_t>(length) > alignedEnd) {
      // A start past the aligned end leaves nothing to read; ReadStream reports it as E_FAIL.
      length = at < alignedEnd ? static_cast<int32_t>(static_cast<uint32_t>(alignedEnd - at)) : 0;
      stop = static_cast<REFERENCE_TIME>(alignedEnd) * VyrUnitsPerByte;
      sample->SetTime(&start, &stop);
    }
  }
  if (FAILED(hr = sample->GetPointer(&buffer))) return hr;
  if (!Aligned(static_cast<int32_t>(position.GetLowInt())) || !Aligned(length) ||
      !Aligned(static_cast<int32_t>(reinterpret_cast<uintptr_t>(buffer))))
    return VFW_E_BADALIGN;
  if (length < 0 || length > sample->GetSize()) return VFW_E_BUFFER_OVERFLOW;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::Request(IMediaSample* sample, DWORD_PTR user)
{
  return Guarded([&] {
    BYTE* buffer = nullptr;
    int32_t length = 0;
    TUInt64 position;
    HRESULT hr = PrepareSample(sample, buffer, length, position);
    if (FAILED(hr)) return hr;
    std::unique_ptr<TRequestPacket> packet(
        new (std::nothrow) TRequestPacket{position, length, buffer, sample, user, VFW_E_TIMEOUT, 0});
    if (!packet) return E_OUTOFMEMORY;
    hr = QueueRequest(packet.get());
    if (FAILED(hr)) return hr;
    packet.release();  // the queues own it until WaitForNext hands its sample back
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::SyncReadAligned(IMediaSample* sample)
{
  return Guarded([&] {
    BYTE* buffer = nullptr;
    int32_t length = 0;
    TUInt64 position;
    HRESULT hr = PrepareSample(sample, buffer, length, position);
    if (FAILED(hr)) return hr;
    int32_t count = 0;
    hr = FFilter->ReadStream(buffer, length, count, position);
    if (SUCCEEDED(hr)) sample->SetActualDataLength(count);
    return hr;
  });
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer)
{
  return Guarded([&] {
    int32_t count = 0;
    return FFilter->ReadStream(buffer, length, count, static_cast<uint64_t>(position));
  });
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::Length(LONGLONG* total, LONGLONG* available)
{
  *total = static_cast<LONGLONG>(static_cast<uint64_t>(FFilter->FSize));
  *available = *total;
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// TVyrOutputPin: the request queue

HRESULT TVyrOutputPin::QueueRequest(TRequestPacket* packet)
{
  CAutoLock lock(&FListLock);
  if (FFlushing) return VFW_E_WRONG_STATE;
  // The event is set whenever the queue holds packets, and the worker, once started, keeps
  // running: resuming it again would cost a system call on every request.
  const bool wasEmpty = FWorkQueue->Count() == 0;
  FWorkQueue->Push(packet);
  if (wasEmpty) FWorkEvent->SetEvent();
  if (!FWorkerStarted) {
    FThread->Resume();
    FWorkerStarted = true;
  }
  return S_OK;
}

TRequestPacket* TVyrOutputPin::TakeRequest()
{
  CAutoLock lock(&FListLock);
  return TakeRequestLocked();
}

// The worker and BeginFlush already hold the list lock: taking it a second time would make a thread
// that finds it taken give up spinning and sleep (a held re-entrant section counts as contended).
TRequestPacket* TVyrOutputPin::TakeRequestLocked()
{
  if (FWorkQueue->Count() == 0) return nullptr;
  auto* packet = static_cast<TRequestPacket*>(FWorkQueue->Pop());
  if (FWorkQueue->Count() == 0) FWorkEvent->ResetEvent();
  return packet;
}

void TVyrOutputPin::PostDone(TRequestPacket* packet)
{
  // A queue that already held packets has its event set already.
  const bool wasEmpty = FDoneQueue->Count() == 0;
  FDoneQueue->Push(packet);
  if (wasEmpty) FDoneEvent->SetEvent();
}

TRequestPacket* TVyrOutputPin::TakeDone()
{
  CAutoLock lock(&FListLock);
  TRequestPacket* packet = nullptr;
  if (FDoneQueue->Count() > 0) packet = static_cast<TRequestPacket*>(FDoneQueue->Pop());
  // An empty queue resets the event, also when it was found empty: the worker sets the event after it
  // leaves the lock, so the set may come after the packet was already taken. While a flush has
  // drained everything the event stays set: WaitForNext must not block then.
  if (FDoneQueue->Count() == 0 && (!FFlushing || FWaiting)) FDoneEvent->ResetEvent();
  return packet;
}

void TVyrOutputPin::ServeRequests()
{
  TRequestPacket* packet = nullptr;
  {
    CAutoLock lock(&FListLock);
    packet = TakeRequestLocked();
    if (!packet) return;
    ++FInProgress;
  }
  for (;;) {
    packet->Result = FFilter->ReadStream(packet->Buffer, packet->Length, packet->Actual, packet->Position);
    // Handing the packet back and taking the next one is one visit to the lock: the reader meets the
    // worker on it for every packet. The done event is set after leaving the lock, so that the reader
    // it wakes does not find the lock still held.
    bool wake = false;
    {
      CAutoLock lock(&FListLock);
      wake = FDoneQueue->Count() == 0;
      FDoneQueue->Push(packet);
      if (--FInProgress == 0 && FWaiting) FAllDoneEvent->SetEvent();
      packet = TakeRequestLocked();
      if (packet) ++FInProgress;
    }
    if (wake) FDoneEvent->SetEvent();
    if (!packet) return;
  }
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user)
{
  return Guarded([&] { return DoWaitForNext(timeout, sample, user); });
}

HRESULT TVyrOutputPin::DoWaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user)
{
  *sample = nullptr;
  for (;;) {
    if (FDoneEvent->WaitFor(timeout) != wrSignaled) return VFW_E_TIMEOUT;
    if (TRequestPacket* packet = TakeDone()) return FinishPacket(std::unique_ptr<TRequestPacket>(packet), sample, user);
    // Another caller took the packet between the signal and our take, or a drained flush.
    CAutoLock lock(&FListLock);
    if (FFlushing && !FWaiting) return VFW_E_WRONG_STATE;
  }
}

HRESULT TVyrOutputPin::FinishPacket(std::unique_ptr<TRequestPacket> packet, IMediaSample** sample, DWORD_PTR* user)
{
  HRESULT hr = packet->Result;
  // Fewer bytes than asked is only right when the read stopped exactly at the end of the stream.
  if (hr == S_FALSE)
    hr = uint64_t{packet->Position} + static_cast<uint64_t>(packet->Actual) == uint64_t{FFilter->FSize} ? S_OK : E_FAIL;
  packet->Sample->SetActualDataLength(packet->Actual);
  *sample = packet->Sample;
  *user = packet->User;
  return hr;
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::BeginFlush()
{
  return Guarded([&] { return DoBeginFlush(); });
}

HRESULT TVyrOutputPin::DoBeginFlush()
{
  {
    CAutoLock lock(&FListLock);
    FFlushing = true;
    while (TRequestPacket* packet = TakeRequestLocked()) PostDone(packet);
    if (FInProgress != 0) {
      FWaiting = true;
      FAllDoneEvent->ResetEvent();
    } else {
      FDoneEvent->SetEvent();
    }
  }
  for (;;) {
    {
      CAutoLock lock(&FListLock);
      if (!FWaiting) break;
      if (FInProgress == 0) {
        FWaiting = false;
        FDoneEvent->SetEvent();
        break;
      }
    }
    FAllDoneEvent->WaitFor(INFINITE);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TVyrOutputPin::EndFlush()
{
  return Guarded([&] {
    CAutoLock lock(&FListLock);
    FFlushing = false;
    if (FDoneQueue->Count() > 0)
      FDoneEvent->SetEvent();
    else
      FDoneEvent->ResetEvent();
    return S_OK;
  });
}

// ---------------------------------------------------------------------------------------------
// TVyrFilterThread

TVyrFilterThread::TVyrFilterThread(TVyrOutputPin* pin) : TThread(true), FPin(pin) { SetFreeOnTerminate(true); }

TVyrFilterThread::~TVyrFilterThread() = default;

void TVyrFilterThread::Execute()
{
  while (!Terminated()) {
    FPin->FWorkEvent->WaitFor(INFINITE);
    FPin->ServeRequests();
  }
}
