// The .vyr source filter: a DirectShow source whose only pin serves the MPEG-1 system stream held,
// byte-complemented and cut into segments, in a .vyr file. Synchronous reads run on the caller's
// thread; queued reads are served in order by one worker thread per pin.
#pragma once

// The VCL headers come first: the platform's DirectShow headers deprecate sprintf by a macro,
// which would rename AnsiString's member of that name.
#include <Contnrs.h>
#include <SyncObjs.h>
#include <System.h>
#include <Threads.h>

#include <Streams.h>

#include <cstdint>
#include <memory>

#include "Lightevent.h"
#include "Qeltypes.h"

class TVyrOutputPin;
class TVyrFilterThread;

// One entry of the segment table, as stored in the file (little-endian).
struct TVyrSegment {
  uint32_t Offset;  // absolute file offset of the segment's first byte
  int32_t Length;   // bytes in the segment
};
static_assert(sizeof(TVyrSegment) == 8, "a table entry is 8 bytes in the file");

// Stream positions travel in sample time stamps as position x 10,000,000.
constexpr LONGLONG VyrUnitsPerByte = 10000000;

class TVyrFilter : public CBaseFilter {
public:
  // Opens and checks the file; raises EOleSysError when it cannot be played.
  explicit TVyrFilter(AnsiString fileName);
  ~TVyrFilter() override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;
  // The filter is never entered in the system's filter registry.
  HRESULT STDMETHODCALLTYPE Register() override;
  HRESULT STDMETHODCALLTYPE Unregister() override;

  HRESULT OpenFile();
  HRESULT CloseFile();
  // Reads length stream bytes at position into buffer: S_OK when all came, S_FALSE when the stream
  // or the file ended first, E_FAIL when position is not inside the stream. Thread-safe.
  HRESULT ReadStream(BYTE* buffer, int32_t length, int32_t& count, TUInt64 position);
  // One positioned read of the file under the file lock.
  HRESULT ReadChunk(BYTE* buffer, int32_t length, int32_t& count, TUInt64 offset);
  // Complements count bytes in place; the hot loop of every read.
  static void InvertBytes(BYTE* buffer, int32_t count);
  const CMediaType* FilterMediaType() const { return &FMediaType; }

  // Stream length in bytes.
  TUInt64 GetSize() const { return FSize; }

private:
  friend class TVyrOutputPin;
  friend class TVyrFilterTestAccess;

  HRESULT ReadHeader();
  HRESULT ReadExactly(void* buffer, DWORD size);

  std::unique_ptr<TVyrOutputPin> FPin;  // owned; deleted first by the destructor
  CMediaType FMediaType;
  CCritSec FLock;
  AnsiString FFileName;
  TUInt64 FSize;
  HANDLE FFile = INVALID_HANDLE_VALUE;
  std::unique_ptr<TCriticalSection> FFileLock;
  int32_t FSegmentCount = 0;
  std::unique_ptr<TVyrSegment[]> FSegments;
  // Stream position just past each segment, for finding a position's segment by bisection.
  std::unique_ptr<uint64_t[]> FSegmentEnds;
};

// One queued asynchronous read. The packet holds no reference on its sample. It fills one cache line
// of its own: two threads pass it between them for every read.
struct alignas(64) TRequestPacket {
  TUInt64 Position;
  int32_t Length;
  BYTE* Buffer;
  IMediaSample* Sample;
  DWORD_PTR User;
  HRESULT Result;
  int32_t Actual;
};

class TVyrOutputPin : public IAsyncReader, public CBasePin {
public:
  TVyrOutputPin(TVyrFilter* filter, CCritSec* lock);
  ~TVyrOutputPin() override;

  // IAsyncReader, IPin and the pin's IUnknown are one object with the filter's count.
  DECLARE_IUNKNOWN

  HRESULT STDMETHODCALLTYPE RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props,
                                             IMemAllocator** actual) override;
  HRESULT STDMETHODCALLTYPE Request(IMediaSample* sample, DWORD_PTR user) override;
  HRESULT STDMETHODCALLTYPE WaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user) override;
  HRESULT STDMETHODCALLTYPE SyncReadAligned(IMediaSample* sample) override;
  HRESULT STDMETHODCALLTYPE SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
  HRESULT STDMETHODCALLTYPE Length(LONGLONG* total, LONGLONG* available) override;
  // Serve IPin as well: an output pin is never flushed from upstream.
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;

  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;

  bool Aligned(int32_t value) const { return (value & (FAlign - 1)) == 0; }
  HRESULT PrepareSample(IMediaSample* sample, BYTE*& buffer, int32_t& length, TUInt64& position);

  // The request queue, guarded by FListLock.
  HRESULT QueueRequest(TRequestPacket* packet);
  TRequestPacket* TakeRequest();
  void PostDone(TRequestPacket* packet);
  TRequestPacket* TakeDone();
  // The worker's body: reads queued packets until the work queue is empty.
  void ServeRequests();

private:
  friend class TVyrFilterThread;
  friend class TVyrFilterTestAccess;

  HRESULT DoRequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props, IMemAllocator** actual);
  HRESULT DoWaitForNext(DWORD timeout, IMediaSample** sample, DWORD_PTR* user);
  HRESULT DoBeginFlush();
  HRESULT FinishPacket(std::unique_ptr<TRequestPacket> packet, IMediaSample** sample, DWORD_PTR* user);
  HRESULT TryAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props);
  TRequestPacket* TakeRequestLocked();
  void StopWorker();

  // The list lock guards a few pointer moves; the worker and the reader meet on it on every packet.
  static constexpr DWORD ListLockSpinCount = 4000;

  TVyrFilter* FFilter;
  bool FReaderQueried = false;
  int32_t FAlign = 1;
  TVyrFilterThread* FThread = nullptr;
  bool FWorkerStarted = false;  // resumed by the first request
  CCritSec FListLock{ListLockSpinCount};
  std::unique_ptr<TQueue> FWorkQueue;
  std::unique_ptr<TQueue> FDoneQueue;
  // The queue's three manual-reset events live in the process: a hand-off costs no system call unless
  // the other side is asleep.
  std::unique_ptr<TLightEvent> FDoneEvent;
  std::unique_ptr<TLightEvent> FAllDoneEvent;
  bool FFlushing = false;
  bool FWaiting = false;
  int32_t FInProgress = 0;
  std::unique_ptr<TLightEvent> FWorkEvent;
  // A handle of our own on the worker's thread: the worker frees its object when it ends, so the
  // pin waits on this handle, not on the object, before freeing what the worker uses.
  HANDLE FThreadHandle = nullptr;
};

// The pin's worker: sleeps on the work event and serves the queue. Created suspended; it frees
// itself when Execute returns.
class TVyrFilterThread : public TThread {
public:
  explicit TVyrFilterThread(TVyrOutputPin* pin);
  ~TVyrFilterThread() override;

protected:
  void Execute() override;

private:
  TVyrOutputPin* FPin;
};
