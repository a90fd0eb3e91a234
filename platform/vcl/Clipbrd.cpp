// Clipbrd: TClipboard over the platform's clipboard, owned by a hidden window of its own.
#include "Clipbrd.h"

#include <cstring>
#include <memory>
#include <vector>

VCL_IMPLEMENT_CLASS(TClipboard)

namespace {

// The clipboard object of the program. It is not freed when the package unloads, which happens at
// process exit where its window may no longer be destroyed; process exit takes it.
TClipboard* TheClipboard = nullptr;

// Global memory for the clipboard: freed unless handed over.
class TGlobalBlock {
public:
  explicit TGlobalBlock(size_t size) : FHandle(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1))
  {
    if (!FHandle) throw EOutOfMemory("Out of memory");
  }
  ~TGlobalBlock()
  {
    if (FHandle) GlobalFree(FHandle);
  }
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;
  void Fill(const void* data, size_t size)
  {
    void* p = GlobalLock(FHandle);
    if (!p) throw EOutOfMemory("Out of memory");
    std::memcpy(p, data, size);
    GlobalUnlock(FHandle);
  }
  HGLOBAL Release()
  {
    HGLOBAL h = FHandle;
    FHandle = nullptr;
    return h;
  }

private:
  HGLOBAL FHandle;
};

// The bytes of a global memory block the clipboard owns.
std::string ReadGlobal(HANDLE handle)
{
  if (!handle) return std::string();
  const void* p = GlobalLock(handle);
  if (!p) return std::string();
  std::string bytes(static_cast<const char*>(p), GlobalSize(handle));
  GlobalUnlock(handle);
  return bytes;
}

}  // namespace

TClipboard* Clipboard()
{
  if (!TheClipboard) TheClipboard = new TClipboard();
  return TheClipboard;
}

TClipboard* SetClipboard(TClipboard* newClipboard)
{
  TClipboard* old = TheClipboard;
  TheClipboard = newClipboard;
  return old;
}

TClipboard::~TClipboard()
{
  if (FOpenRefCount > 0) CloseClipboard();
  if (FWindow) DeallocateHWnd(FWindow);
}

// The owner of what the program puts on the clipboard.
HWND TClipboard::Window()
{
  if (!FWindow) {
    FWindow = AllocateHWnd([this](TMessage& message) {
      message.Result = DefWindowProcW(FWindow, message.Msg, message.WParam, message.LParam);
    });
  }
  return FWindow;
}

void TClipboard::Open()
{
  if (FOpenRefCount == 0) {
    HWND window = Window();
    // Another program (or the platform's clipboard bridge) may hold it for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 50 && !opened; ++attempt) {
      opened = OpenClipboard(window) != FALSE;
      if (!opened) Sleep(10);
    }
    if (!opened) throw EClipboardException("Cannot open clipboard");
    FEmptied = false;
  }
  ++FOpenRefCount;
}

void TClipboard::Close()
{
  if (FOpenRefCount == 0) return;
  if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Clear()
{
  Open();
  struct Closer {
    TClipboard* c;
    ~Closer() { c->Close(); }
  } closer{this};
  EmptyClipboard();
  FEmptied = true;
}

void TClipboard::Adding()
{
  if (FEmptied) return;
  EmptyClipboard();
  FEmptied = true;
}

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != FALSE; }

int TClipboard::GetFormatCount() const { return CountClipboardFormats(); }

UINT TClipboard::GetFormats(int index) const
{
  // Listing needs the clipboard open.
  const_cast<TClipboard*>(this)->Open();
  UINT format = 0;
  for (int i = 0; i <= index; ++i) {
    format = EnumClipboardFormats(format);
    if (format == 0) break;
  }
  const_cast<TClipboard*>(this)->Close();
  return format;
}

HANDLE TClipboard::GetAsHandle(UINT format)
{
  Open();
  HANDLE handle = GetClipboardData(format);
  Close();
  return handle;
}

void TClipboard::SetAsHandle(UINT format, HANDLE value)
{
  Open();
  struct Closer {
    TClipboard* c;
    ~Closer() { c->Close(); }
  } closer{this};
  Adding();
  if (!SetClipboardData(format, value)) RaiseLastOSError();
}

void TClipboard::SetBuffer(UINT format, const void* data, int size)
{
  TGlobalBlock block{static_cast<size_t>(size)};
  block.Fill(data, size_t(size));
  Open();
  struct Closer {
    TClipboard* c;
    ~Closer() { c->Close(); }
  } closer{this};
  Adding();
  if (!SetClipboardData(format, block.Release())) RaiseLastOSError();
}

std::string TClipboard::GetBuffer(UINT format)
{
  Open();
  struct Closer {
    TClipboard* c;
    ~Closer() { c->Close(); }
  } closer{this};
  return ReadGlobal(GetClipboardData(format));
}

AnsiString TClipboard::GetAsText()
{
  const std::string bytes = GetBuffer(CF_UNICODETEXT);
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  // The block may be larger than the text; the text ends at its terminator.
  const size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return AnsiString(Utf16ToUtf8(text));
}

void TClipboard::SetAsText(const AnsiString& value)
{
  const std::wstring text = Utf8ToUtf16(value.str());
  SetBuffer(CF_UNICODETEXT, text.c_str(), int((text.size() + 1) * sizeof(wchar_t)));
}

UINT TClipboard::RegisterFormat(const AnsiString& name)
{
  const UINT format = RegisterClipboardFormatW(Utf8ToUtf16(name.str()).c_str());
  if (!format) RaiseLastOSError();
  return format;
}

// A packed DIB is a BMP file without its 14-byte file header.
void TClipboard::AssignBitmap(TBitmap* bitmap)
{
  TMemoryStream stream;
  bitmap->SaveToStream(&stream);
  const auto* bytes = static_cast<const unsigned char*>(stream.Memory());
  const int fileHeader = int(sizeof(BITMAPFILEHEADER));
  if (stream.GetSize() <= fileHeader) throw EClipboardException("Cannot put an empty picture on the clipboard");
  Open();
  struct Closer {
    TClipboard* c;
    ~Closer() { c->Close(); }
  } closer{this};
  SetBuffer(CF_DIB, bytes + fileHeader, stream.GetSize() - fileHeader);
  // A device-dependent copy for programs that read CF_BITMAP only.
  if (HANDLE copy = CopyImage(bitmap->GetHandle(), IMAGE_BITMAP, 0, 0, 0)) {
    if (!SetClipboardData(CF_BITMAP, copy)) DeleteObject(copy);
  }
}

void TClipboard::Assign(TPersistent* source)
{
  if (auto* picture = dynamic_cast<TPicture*>(source)) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(picture->GetGraphic())) return AssignBitmap(bitmap);
    if (!picture->GetGraphic()) return Clear();
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(source)) return AssignBitmap(bitmap);
  TPersistent::Assign(source);
}

void TClipboard::AssignTo(TPersistent* dest)
{
  TBitmap* bitmap = dynamic_cast<TBitmap*>(dest);
  auto* picture = dynamic_cast<TPicture*>(dest);
  if (!bitmap && !picture) return TPersistent::AssignTo(dest);
  const std::string dib = GetBuffer(CF_DIB);
  if (dib.size() < sizeof(BITMAPINFOHEADER)) throw EClipboardException("The clipboard holds no picture");
  // Give the DIB its file header back, with the offset of the pixels after header, masks and colours.
  BITMAPINFOHEADER info{};
  std::memcpy(&info, dib.data(), sizeof info);
  unsigned offset = info.biSize;
  if (info.biSize == sizeof(BITMAPINFOHEADER) && info.biCompression == BI_BITFIELDS) offset += 12;
  unsigned colors = info.biClrUsed;
  if (colors == 0 && info.biBitCount <= 8) colors = 1u << info.biBitCount;
  offset += colors * sizeof(RGBQUAD);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfSize = DWORD(sizeof file + dib.size());
  file.bfOffBits = DWORD(sizeof file + offset);
  TMemoryStream stream;
  stream.WriteBuffer(&file, int(sizeof file));
  stream.WriteBuffer(dib.data(), int(dib.size()));
  stream.SetPosition(0);
  if (bitmap) {
    bitmap->LoadFromStream(&stream);
    return;
  }
  auto loaded = std::make_unique<TBitmap>();
  loaded->LoadFromStream(&stream);
  picture->SetGraphic(loaded.get());
}
