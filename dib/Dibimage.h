// Dibimage: TDib, the graphic that keeps a device-independent bitmap as one packed block (header,
// colour table, pixel rows: a BMP file after its 14-byte file header), shared by reference between
// graphics through TDibImage. While this package is loaded TDib is the class pictures use for ".bmp".
//
// Everything a block says about itself is outside input: headers are checked (CheckDibHeader) before
// anything is sized from them, and nothing is read or written outside the block.
#pragma once
#include <windows.h>

#include <cstddef>

#include "Dibutil.h"
#include "Graphics.h"

// The packed DIB of one or more TDib graphics. FStream's memory is the block.
class TDibImage : public TSharedImage {
  VCL_DECLARE_CLASS(TDibImage, TSharedImage)
  // Reads a packed DIB from the stream's position: the headers, then the pixels, which lie
  // bitsOffset bytes after the block's start (0: right after the headers; a larger offset skips the gap
  // a BMP file may leave). Raises EInvalidGraphic for a header CheckDibHeader refuses and the stream's
  // EReadError when the stream holds less than the block (found before the block is allocated).
  explicit TDibImage(TStream* stream, int64_t bitsOffset = 0);
  // Copies the packed DIB at dib. With a size, the block must lie within those bytes (EReadError
  // otherwise); without one the caller vouches for the memory.
  explicit TDibImage(const BITMAPINFOHEADER* dib);
  TDibImage(const BITMAPINFOHEADER* dib, size_t size);
  ~TDibImage() override;
  TDibImage(const TDibImage&) = delete;
  TDibImage& operator=(const TDibImage&) = delete;

  TMemoryStream* GetStream() const { return FStream; }
  BITMAPINFOHEADER* GetHeader() const { return FStream ? static_cast<BITMAPINFOHEADER*>(FStream->GetMemory()) : nullptr; }

protected:
  void FreeHandle() override;

private:
  void ReadFrom(TStream* stream, int64_t available, int64_t bitsOffset);
  TMemoryStream* FStream = nullptr;
};

// The resampling of TDib::Scale.
enum TScaleMode { smAuto, smNearest, smBilinear, smBicubic };
VCL_DECLARE_ENUM(TScaleMode);

class TDib : public TGraphic {
  VCL_DECLARE_CLASS(TDib, TGraphic)
  TDib();
  ~TDib() override;
  TDib(const TDib&) = delete;
  TDib& operator=(const TDib&) = delete;

  // A TDib shares the source's image; a TBitmap is converted (then reduced); null empties.
  void Assign(TPersistent* source) override;

  bool GetEmpty() const override { return FImage == nullptr; }
  int GetWidth() const override;
  int GetHeight() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void SetPalette(HPALETTE) override {}

  // The block's start (its header); null when empty.
  BITMAPINFOHEADER* GetHeader() const { return FImage ? FImage->GetHeader() : nullptr; }
  TDibImage* GetImage() const { return FImage; }
  int GetBitsPerPixel() const;
  int GetBytesPerLine() const;
  int GetHeadersSize() const;
  void* GetImageData() const;
  // The colour table (1, 4 and 8 bits per pixel), right after the header; null at other depths.
  RGBQUAD* GetColorTable() const;
  int GetXResolution() const;
  int GetYResolution() const;
  // Row 0 is the top row in either orientation; null when empty or compressed (RLE, bit fields).
  // Raises EInvalidGraphicOperation (SScanLine) for a row outside the image.
  void* GetScanLine(int row) const;
  // One pixel as 0x00RRGGBB-ordered bytes (blue lowest): a colour-table entry at 1, 4 and 8 bits, the
  // three bytes at 24 bits, the whole word at 32 bits; −1 outside the image or at any other depth.
  DWORD GetPixel(int x, int y) const;
  // At 24 and 32 bits only; nothing happens outside the image.
  void SetPixel(int x, int y, DWORD color);
  int GetVirtualX(int x) const;
  int GetVirtualY(int y) const;
  // A new device-dependent bitmap of the image (the caller owns it); null when empty.
  HBITMAP GetDDB(HDC dc) const;
  HBITMAP GetDDB(TCanvas* canvas) const;

  // The world transform Draw applies (identity from construction). SetTransform(nullptr) restores
  // the identity.
  const XFORM& GetTransform() const { return FTransform; }
  void SetTransform(const XFORM* transform);

  void FreeImage();
  void DuplicateImage(TDibImage* image);
  // Copies the packed DIB at header (null empties); with a size the block must lie within it.
  void LoadDib(const BITMAPINFOHEADER* header);
  void LoadDib(const BITMAPINFOHEADER* header, size_t size);
  void LoadBitmapInfo(TStream* stream);
  void SaveBitmapInfo(TStream* stream);
  // A new image for the header (colour table and pixels not filled; biSizeImage computed).
  void Allocate(const BITMAPINFOHEADER& header);

  // BMP file form: the 14-byte file header, then the packed DIB.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
  // The packed DIB as CF_DIB in movable, shareable global memory.
  void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;

  // A 24- or 32-bit image becomes its smallest form; true when the image was replaced.
  bool Reduce();
  // Resamples to a new size; the result of the final Reduce. False, nothing changed, for an empty
  // image, a size below 1, or an image whose pixels cannot be read (16 bits, RLE, bit fields).
  bool Scale(int width, int height, TScaleMode mode);

protected:
  void AssignTo(TPersistent* dest) override;
  void Draw(TCanvas* canvas, const TRect& rect) override;
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

private:
  void LoadBitmapInfo(TStream* stream, int64_t bitsOffset);
  void TakeImage(TDibImage* image);

  TDibImage* FImage = nullptr;
  XFORM FTransform{1, 0, 0, 1, 0, 0};
};
