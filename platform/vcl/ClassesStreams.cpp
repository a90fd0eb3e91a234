// Streams: the abstract stream, handle and file streams, memory streams and resource streams.
#include "Classes.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>

VCL_IMPLEMENT_CLASS(TStream)
VCL_IMPLEMENT_CLASS(THandleStream)
VCL_IMPLEMENT_CLASS(TFileStream)
VCL_IMPLEMENT_CLASS(TCustomMemoryStream)
VCL_IMPLEMENT_CLASS(TMemoryStream)
VCL_IMPLEMENT_CLASS(TResourceStream)

// ===================================================================================================
// TStream
void TStream::ReadBuffer(void* buffer, int count)
{
  if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int count)
{
  if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

int TStream::CopyFrom(TStream* source, int count)
{
  if (count == 0) {
    source->SetPosition(0);
    count = source->GetSize();
  }
  const int kMaxBuffer = 0xF000;
  std::vector<char> buffer(size_t(std::min(std::max(count, 1), kMaxBuffer)));
  int result = count;
  while (count > 0) {
    int n = std::min(count, kMaxBuffer);
    source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return result;
}

int TStream::GetSize()
{
  int pos = Seek(0, soFromCurrent);
  int size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::SetSize(int) {}

TComponent* TStream::ReadComponent(TComponent* instance)
{
  TReader reader(this, 4096);
  return reader.ReadRootComponent(instance);
}

void TStream::WriteComponent(TComponent* instance) { WriteDescendent(instance, nullptr); }

void TStream::WriteDescendent(TComponent* instance, TComponent* ancestor)
{
  TWriter writer(this, 4096);
  writer.WriteDescendent(instance, ancestor);
}

// ===================================================================================================
// THandleStream, TFileStream
int THandleStream::Read(void* buffer, int count)
{
  DWORD done = 0;
  if (count <= 0 || !ReadFile(FHandle, buffer, DWORD(count), &done, nullptr)) return 0;
  return int(done);
}

int THandleStream::Write(const void* buffer, int count)
{
  DWORD done = 0;
  if (count <= 0 || !WriteFile(FHandle, buffer, DWORD(count), &done, nullptr)) return 0;
  return int(done);
}

int THandleStream::Seek(int offset, unsigned short origin)
{
  DWORD method = origin == soFromCurrent ? FILE_CURRENT : origin == soFromEnd ? FILE_END : FILE_BEGIN;
  DWORD pos = SetFilePointer(FHandle, offset, nullptr, method);
  return pos == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR ? -1 : int(pos);
}

void THandleStream::SetSize(int newSize)
{
  Seek(newSize, soFromBeginning);
  if (!SetEndOfFile(FHandle)) throw EStreamError("Stream write error");
}

namespace {
HANDLE OpenFileHandle(const AnsiString& fileName, unsigned short mode)
{
  std::wstring name = Utf8ToUtf16(fileName.str());
  if (mode == fmCreate)
    return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static const DWORD share[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
  unsigned accessMode = mode & 3;
  unsigned shareMode = (mode & 0xF0) >> 4;
  if (accessMode > 2 || shareMode > 4) return INVALID_HANDLE_VALUE;
  return CreateFileW(name.c_str(), access[accessMode], share[shareMode], nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

TFileStream::TFileStream(const AnsiString& fileName, unsigned short mode) : THandleStream(INVALID_HANDLE_VALUE)
{
  FHandle = OpenFileHandle(fileName, mode);
  if (FHandle != INVALID_HANDLE_VALUE) return;
  if (mode == fmCreate) throw EFCreateError(Format("Cannot create file %s", {fileName}));
  throw EFOpenError(Format("Cannot open file %s", {fileName}));
}

TFileStream::~TFileStream()
{
  if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
}

// ===================================================================================================
// Memory streams
void TCustomMemoryStream::SetPointer(void* ptr, int size)
{
  FMemory = ptr;
  FSize = size;
}

int TCustomMemoryStream::Read(void* buffer, int count)
{
  if (count <= 0 || FPosition < 0 || FPosition >= FSize) return 0;
  int n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, static_cast<const char*>(FMemory) + FPosition, size_t(n));
  FPosition += n;
  return n;
}

int TCustomMemoryStream::Seek(int offset, unsigned short origin)
{
  int64_t base = origin == soFromCurrent ? FPosition : origin == soFromEnd ? FSize : 0;
  int64_t pos = base + offset;
  // Positions beyond the end are allowed (a later write fills the gap); before the start they are not.
  if (pos < 0 || pos > 0x7FFFFFFF) throw EStreamError("Invalid stream position");
  FPosition = int(pos);
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* stream)
{
  if (FSize > 0) stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const AnsiString& fileName)
{
  TFileStream stream(fileName, fmCreate);
  SaveToStream(&stream);
}

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::Clear()
{
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream)
{
  stream->SetPosition(0);
  int count = stream->GetSize();
  SetSize(count);
  if (count > 0) stream->ReadBuffer(FMemory, count);
}

void TMemoryStream::LoadFromFile(const AnsiString& fileName)
{
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TMemoryStream::SetCapacity(int newCapacity)
{
  SetPointer(Realloc(newCapacity), FSize);
  FCapacity = newCapacity;
}

void* TMemoryStream::Realloc(int& newCapacity)
{
  const int kMemoryDelta = 0x2000;  // capacities grow in 8 KiB steps, as in the VCL
  if (newCapacity > 0 && newCapacity != FSize)
    newCapacity = int((int64_t(newCapacity) + (kMemoryDelta - 1)) & ~int64_t(kMemoryDelta - 1));
  if (newCapacity == FCapacity) return FMemory;
  if (newCapacity == 0) {
    std::free(FMemory);
    return nullptr;
  }
  void* p = std::realloc(FMemory, size_t(newCapacity));
  if (!p) throw EStreamError("Out of memory while expanding memory stream");
  return p;
}

void TMemoryStream::SetSize(int newSize)
{
  if (newSize < 0) throw EStreamError("Invalid stream size");
  int oldPosition = FPosition;
  SetCapacity(newSize);
  FSize = newSize;
  if (oldPosition > newSize) Seek(0, soFromEnd);
}

int TMemoryStream::Write(const void* buffer, int count)
{
  if (FPosition < 0 || count <= 0) return 0;
  int64_t end = int64_t(FPosition) + count;
  if (end > 0x7FFFFFFF) return 0;
  if (end > FSize) {
    if (end > FCapacity) SetCapacity(int(end));
    // A gap left by seeking past the end reads as zeros.
    if (FPosition > FSize) std::memset(static_cast<char*>(FMemory) + FSize, 0, size_t(FPosition - FSize));
    FSize = int(end);
  }
  std::memcpy(static_cast<char*>(FMemory) + FPosition, buffer, size_t(count));
  FPosition = int(end);
  return count;
}

// ===================================================================================================
// TResourceStream
TResourceStream::TResourceStream(HINSTANCE instance, const AnsiString& resName, const wchar_t* resType)
{
  std::wstring name = Utf8ToUtf16(resName.str());
  Initialize(instance, name.c_str(), resType, resName);
}

TResourceStream::TResourceStream(HINSTANCE instance, int resId, const wchar_t* resType)
{
  Initialize(instance, MAKEINTRESOURCEW(resId), resType, Format("%d", {resId}));
}

void TResourceStream::Initialize(HINSTANCE instance, const wchar_t* name, const wchar_t* type,
                                 const AnsiString& shownName)
{
  HRSRC info = FindResourceW(instance, name, type);
  HGLOBAL handle = info ? LoadResource(instance, info) : nullptr;
  void* data = handle ? LockResource(handle) : nullptr;
  if (!data) throw EResNotFound(Format("Resource %s not found", {shownName}));
  // Module resources stay mapped while the module is loaded: nothing to release.
  SetPointer(data, int(SizeofResource(instance, info)));
}

int TResourceStream::Write(const void*, int)
{
  throw EStreamError("Can't write to a read-only resource stream");
}
