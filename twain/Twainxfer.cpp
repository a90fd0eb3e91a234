// TTwainSource: opening, enabling, the source's messages and the transfer loop in the native, file
// and buffered-memory mechanisms.
//
// Decisions beyond the protocol's letter, each so that a source can never be left stuck:
// - A transfer the source cancels still ends with MSG_ENDXFER (and MSG_RESET while images remain):
//   without it the source would stay in its transfer state and could never be disabled or closed.
// - A failure while one image is handled (no memory for the bitmap, a handler that raises, image
//   data that does not describe a bitmap) is reported through OnAcquireError — TWCC_LOWMEMORY for
//   memory, TWCC_BADVALUE for data that describes no bitmap or ends before it, TWCC_BUMMER otherwise — and the image is ended like any
//   failed transfer.
// - The memory path checks what the source describes: the bit depth must fit the pixel type and a
//   palette must fit the depth's table; a block that brings more bytes than the image holds stops
//   at the last line (the surplus is dropped); the buffer has the preferred size, but never less than
//   the minimum the source names (with neither, one line).
// - A native image whose bitmap does not fit its memory block is refused as bad data.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "Dibutil.h"
#include "Qeltwain.h"
#include "SysUtils.h"
#include "Trace.h"
#include "Twainutil.h"

namespace {

class TGlobalBlock {
public:
  explicit TGlobalBlock(HGLOBAL handle) : FHandle(handle) {}
  ~TGlobalBlock()
  {
    if (FHandle) GlobalFree(FHandle);
  }
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;
  HGLOBAL Get() const { return FHandle; }

private:
  HGLOBAL FHandle;
};

class TGlobalLock {
public:
  explicit TGlobalLock(HGLOBAL handle) : FHandle(handle), FData(handle ? GlobalLock(handle) : nullptr) {}
  ~TGlobalLock()
  {
    if (FData) GlobalUnlock(FHandle);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  void* Data() const { return FData; }

private:
  HGLOBAL FHandle;
  void* FData;
};

// The condition an exception during one image is reported with.
TConditionCode ConditionOf(std::exception_ptr failure)
{
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return TWCC_LOWMEMORY;
  } catch (const EOutOfMemory&) {
    return TWCC_LOWMEMORY;
  } catch (const EInvalidGraphic&) {
    return TWCC_BADVALUE;
  } catch (const EReadError&) {
    // Image data that ends before the bitmap it describes.
    return TWCC_BADVALUE;
  } catch (...) {
    return TWCC_BUMMER;
  }
}

}  // namespace

bool TTwainSource::LoadSource()
{
  if (!Loaded && Twain()->CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &Identity) == TWRC_SUCCESS) {
    ++Twain()->OpenSourceCount;
    Loaded = true;
  }
  return Loaded;
}

bool TTwainSource::UnloadSource()
{
  if (Loaded && DisableSource() &&
      Twain()->CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &Identity) == TWRC_SUCCESS) {
    --Twain()->OpenSourceCount;
    Loaded = false;
  }
  return !Loaded;
}

void TTwainSource::SetLoaded(bool Value)
{
  if (Value == Loaded) return;
  if (Value)
    LoadSource();
  else
    UnloadSource();
}

bool TTwainSource::EnableSource(bool ShowUI, bool ModalUI)
{
  if (Loaded && !Enabled) {
    TW_USERINTERFACE ui{static_cast<TW_BOOL>(ShowUI), static_cast<TW_BOOL>(ModalUI), Twain()->WindowHandle};
    const TW_UINT16 rc = CallTwain(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    Enabled = rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS;
  }
  return Loaded && Enabled;
}

bool TTwainSource::DisableSource()
{
  if (Loaded && Enabled) {
    TW_USERINTERFACE ui{0, 0, Twain()->WindowHandle};
    if (CallTwain(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) == TWRC_SUCCESS) {
      Enabled = false;
      if (Twain()->OnSourceDisable) Twain()->OnSourceDisable(Twain(), Index);
    }
  }
  return !(Loaded && Enabled);
}

void TTwainSource::SetEnabled(bool Value)
{
  if (!Loaded || Value == Enabled) return;
  if (Value)
    EnableSource(ShowUI, ModalUI);
  else
    DisableSource();
}

bool TTwainSource::ProcessMessage(const MSG& Msg)
{
  TW_EVENT event{const_cast<MSG*>(&Msg), MSG_NULL};
  if (CallTwain(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) return false;
  if (event.TWMessage == MSG_XFERREADY) {
    TransferImages();
  } else if (event.TWMessage == MSG_CLOSEDSREQ) {
    if (Twain()->OnAcquireCancel) Twain()->OnAcquireCancel(Twain(), Index);
    DisableSource();
  }
  return true;
}

short TTwainSource::GetPendingXfers()
{
  if (!Loaded || !Enabled) return 0x7FFF;
  TW_PENDINGXFERS pending{};
  if (CallTwain(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending) != TWRC_SUCCESS) return 0x7FFF;
  return static_cast<short>(pending.Count);
}

bool TTwainSource::SetupFileTransfer(const AnsiString& FileName, TTwainFormat Format)
{
  if (!Loaded) return false;
  TW_SETUPFILEXFER setup{};
  std::memcpy(setup.FileName, FileName.c_str(), std::min<size_t>(FileName.Length(), sizeof setup.FileName - 1));
  setup.Format = Format;
  return CallTwain(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup) == TWRC_SUCCESS;
}

// ---------------------------------------------------------------------------------------------------
// The transfer loop

TReturnCode TTwainSource::EndTransfer(bool& Ended)
{
  TW_PENDINGXFERS pending{};
  const TW_UINT16 rc = CallTwain(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  Ended = rc != TWRC_SUCCESS || pending.Count == 0;
  return static_cast<TReturnCode>(rc);
}

TReturnCode TTwainSource::TransferOneImage(TTransferMode Mode, bool& Cancel)
{
  TQelTwain* twain = Twain();
  switch (Mode) {
  case tmNative: {
    TW_MEMREF handle = nullptr;
    const TW_UINT16 rc = CallTwain(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (rc == TWRC_XFERDONE) {
      ReadNative(handle, Cancel);
    } else if (handle) {
      GlobalFree(static_cast<HGLOBAL>(handle));
    }
    return static_cast<TReturnCode>(rc);
  }
  case tmFile: {
    if (twain->OnSourceSetupFileXfer) twain->OnSourceSetupFileXfer(twain, Index);
    TW_SETUPFILEXFER setup{};
    TW_UINT16 rc = CallTwain(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup);
    if (rc != TWRC_SUCCESS) return static_cast<TReturnCode>(rc);
    rc = CallTwain(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (rc == TWRC_XFERDONE) {
      setup.FileName[sizeof setup.FileName - 1] = '\0';
      ReadFile(setup.FileName, static_cast<TTwainFormat>(setup.Format & 0xFF), Cancel);
    }
    return static_cast<TReturnCode>(rc);
  }
  case tmMemory: {
    auto dib = std::make_unique<TDib>();
    TReturnCode rc = PrepareMemXfer(dib.get());
    if (rc == TWRC_SUCCESS) rc = TransferImageMemory(dib.get());
    if (rc == TWRC_XFERDONE) ReadMemory(dib.get(), Cancel);
    return rc;
  }
  default:
    return TWRC_FAILURE;
  }
}

void TTwainSource::TransferImages()
{
  TQelTwain* twain = Twain();
  bool Cancel = false;
  TTransferMode mode = tmNative;
  if (GetITransferMode(mode) == TWCC_SUCCESS) TransferMode = mode;
  else TransferMode = tmNative;
  bool ended = false;
  while (!ended) {
    TReturnCode rc;
    TConditionCode failure = TWCC_SUCCESS;
    try {
      rc = TransferOneImage(TransferMode, Cancel);
    } catch (...) {
      rc = TWRC_FAILURE;
      failure = ConditionOf(std::current_exception());
    }
    if (rc == TWRC_CANCEL) {
      if (twain->OnAcquireCancel) twain->OnAcquireCancel(twain, Index);
      // The cancelled image still ends, and what remains is reset, so that the source leaves its
      // transfer states and can be disabled.
      EndTransfer(ended);
      if (!ended) {
        TW_PENDINGXFERS pending{};
        CallTwain(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      }
      break;
    }
    if (rc != TWRC_XFERDONE && twain->OnAcquireError)
      twain->OnAcquireError(twain, Index, rc, failure != TWCC_SUCCESS ? failure : GetConditionCode());
    EndTransfer(ended);
    if (!ended && Cancel) {
      TW_PENDINGXFERS pending{};
      ended = CallTwain(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending) == TWRC_SUCCESS;
    }
  }
  SetEnabled(false);
}

// ---------------------------------------------------------------------------------------------------
// Deliveries

void TTwainSource::ReadNative(void* hDib, bool& Cancel)
{
  TGlobalBlock block(static_cast<HGLOBAL>(hDib));
  TGlobalLock lock(block.Get());
  const auto* header = static_cast<const BITMAPINFOHEADER*>(lock.Data());
  if (!header) throw EInvalidGraphic("The source's image block cannot be read");
  auto dib = std::make_unique<TDib>();
  // The block's size bounds the bitmap: one that does not fit is refused.
  dib->LoadDib(header, GlobalSize(block.Get()));
  dib->Reduce();
  DoOnTwainAcquire(dib.get(), Cancel);
}

void TTwainSource::ReadFile(const AnsiString& FileName, TTwainFormat Format, bool& Cancel)
{
  if (Twain()->OnSourceFileTransfer) Twain()->OnSourceFileTransfer(this, Index, FileName, Format, Cancel);
}

void TTwainSource::ReadMemory(TDib* Image, bool& Cancel) { DoOnTwainAcquire(Image, Cancel); }

void TTwainSource::DoOnTwainAcquire(TDib* Image, bool& Cancel)
{
  if (Twain()->OnTwainAcquire) Twain()->OnTwainAcquire(Twain(), Index, Image, Cancel);
}

// ---------------------------------------------------------------------------------------------------
// Memory transfer

namespace {

// The depths each pixel type can be described with in a bitmap of ours.
bool DepthFits(TW_INT16 pixelType, TW_INT16 bits)
{
  switch (pixelType) {
  case TWPT_BW: return bits == 1;
  case TWPT_GRAY: return bits == 8;
  case TWPT_RGB: return bits == 24;
  case TWPT_PALETTE: return bits == 1 || bits == 4 || bits == 8;
  default: return false;
  }
}

}  // namespace

TReturnCode TTwainSource::PrepareMemXfer(TDib* Image)
{
  TW_IMAGEINFO info{};
  TW_UINT16 rc = CallTwain(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
  if (rc != TWRC_SUCCESS) return static_cast<TReturnCode>(rc);
  if (!DepthFits(info.PixelType, info.BitsPerPixel) || info.ImageWidth <= 0 || info.ImageLength <= 0) {
    OSTREL_TRACE(twain, "image info refused: pixel type %d at %d bits, %ld x %ld", info.PixelType, info.BitsPerPixel,
                 info.ImageWidth, info.ImageLength);
    return TWRC_FAILURE;
  }

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = info.ImageWidth;
  header.biHeight = info.ImageLength;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(info.BitsPerPixel);
  header.biCompression = BI_RGB;

  TTwainUnit unit = tuInches;
  if (GetICapUnit(unit) != TWCC_SUCCESS) unit = tuInches;
  const double xResolution = FixedToFloat(info.XResolution);
  const double yResolution = FixedToFloat(info.YResolution);
  if (unit == tuInches) {
    header.biXPelsPerMeter = static_cast<LONG>(xResolution / 0.0254);
    header.biYPelsPerMeter = static_cast<LONG>(yResolution / 0.0254);
  } else if (unit == tuCentimeters) {
    header.biXPelsPerMeter = static_cast<LONG>(xResolution * 100);
    header.biYPelsPerMeter = static_cast<LONG>(yResolution * 100);
  }

  TW_PALETTE8 palette{};
  switch (info.PixelType) {
  case TWPT_BW: header.biClrUsed = 2; break;
  case TWPT_GRAY: header.biClrUsed = 256; break;
  case TWPT_RGB: header.biClrUsed = 0; break;
  case TWPT_PALETTE:
    rc = CallTwain(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette);
    if (rc != TWRC_SUCCESS) return static_cast<TReturnCode>(rc);
    if (palette.PaletteType != TWPA_RGB && palette.PaletteType != TWPA_GRAY) return TWRC_FAILURE;
    // The table must fit the depth (and the record's 256 entries).
    if (palette.NumColors == 0 || palette.NumColors > (1u << info.BitsPerPixel) || palette.NumColors > 256)
      return TWRC_FAILURE;
    header.biClrUsed = palette.NumColors;
    break;
  }
  header.biClrImportant = header.biClrUsed;

  Image->Allocate(header);
  RGBQUAD* table = Image->GetColorTable();
  switch (info.PixelType) {
  case TWPT_BW: {
    TPixelFlavor flavor = pfChocolate;
    if (GetIPixelFlavor(flavor) != TWCC_SUCCESS) flavor = pfChocolate;
    const BYTE v = flavor == pfVanilla ? 255 : 0;
    table[0] = {v, v, v, 0};
    table[1] = {static_cast<BYTE>(255 - v), static_cast<BYTE>(255 - v), static_cast<BYTE>(255 - v), 0};
    break;
  }
  case TWPT_GRAY:
    for (int i = 0; i < 256; ++i) table[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    break;
  case TWPT_PALETTE:
    for (unsigned i = 0; i < palette.NumColors; ++i)
      table[i] = {palette.Colors[i].Channel3, palette.Colors[i].Channel2, palette.Colors[i].Channel1, 0};
    break;
  }
  return TWRC_SUCCESS;
}

TReturnCode TTwainSource::TransferImageMemory(TDib* Image)
{
  TW_SETUPMEMXFER setup{};
  TW_UINT16 rc = CallTwain(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
  if (rc != TWRC_SUCCESS) return static_cast<TReturnCode>(rc);

  const int height = Image->GetHeight();
  const size_t stride = static_cast<size_t>(Image->GetBytesPerLine());
  const int width = Image->GetWidth();
  const bool swapChannels = Image->GetBitsPerPixel() == 24;
  // The preferred size, but never below the least the source said it needs; with neither, one line.
  TW_UINT32 bufferSize = std::max(setup.Preferred, setup.MinBufSize);
  if (bufferSize == 0) bufferSize = static_cast<TW_UINT32>(stride);

  TGlobalBlock block(GlobalAlloc(GMEM_FIXED, bufferSize));
  auto* buffer = static_cast<unsigned char*>(block.Get());
  if (!buffer) throw std::bad_alloc();

  int line = 0;
  size_t filled = 0;
  auto* target = static_cast<unsigned char*>(Image->GetScanLine(0));
  do {
    TW_IMAGEMEMXFER xfer{};
    xfer.Compression = 0xFFFF;
    xfer.BytesPerRow = xfer.Columns = xfer.Rows = xfer.XOffset = xfer.YOffset = xfer.BytesWritten = 0xFFFFFFFFul;
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, bufferSize, buffer};
    rc = CallTwain(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
    if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return static_cast<TReturnCode>(rc);

    // The block is a piece of one continuous stream of lines; what it claims beyond the buffer, or
    // beyond the image's last line, is not read.
    const unsigned char* from = buffer;
    size_t left = std::min<size_t>(xfer.BytesWritten, bufferSize);
    while (left > 0 && line < height) {
      const size_t piece = std::min(left, stride - filled);
      std::memcpy(target + filled, from, piece);
      from += piece;
      left -= piece;
      filled += piece;
      if (filled == stride) {
        if (swapChannels)
          for (int x = 0; x < width; ++x) std::swap(target[3 * x], target[3 * x + 2]);
        ++line;
        filled = 0;
        if (line < height) target = static_cast<unsigned char*>(Image->GetScanLine(line));
        if (Twain()->OnAcquireProgress) Twain()->OnAcquireProgress(this, Index, Image, line);
      }
    }
  } while (rc == TWRC_SUCCESS);

  Image->Reduce();
  return static_cast<TReturnCode>(rc);
}
