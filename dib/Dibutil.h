// Dibutil: the arithmetic of packed device-independent bitmaps (DIBs) — their size rules, empty blocks
// made from a header, the colour reduction of 24- and 32-bit images to the smallest palette image, and
// the interpolation kernels of TDib::Scale.
//
// A packed DIB is one block: a BITMAPINFOHEADER (biSize bytes, 40 or one of the larger versions), the
// colour table (4-byte entries blue, green, red, 0; or the three bit-field masks of a 40-byte header
// with BI_BITFIELDS), then the pixel rows, each padded to a multiple of 4 bytes, bottom-up when biHeight
// is positive. Every size here is computed in 64 bits, so no header can make it wrap.
#pragma once
#include <windows.h>

#include <cstdint>

#include "Classes.h"

// Bytes per pixel row: ((biBitCount × biWidth + 31) div 32) × 4; 0 for a null header.
int64_t DibLineSize(const BITMAPINFOHEADER* header);
// The header and what follows it before the pixels: biSize plus the colour table (1, 4 and 8 bits per
// pixel: biClrUsed entries, 2^biBitCount when it is 0) or the bit-field masks (12 bytes, for a 40-byte
// header only: the larger headers hold their masks themselves). 0 for a null header.
int64_t DibHeadersSize(const BITMAPINFOHEADER* header);
// The pixel bytes: biSizeImage for a compressed (RLE) image, otherwise line size × |biHeight| (bit
// fields included); 0 for a null header.
int64_t DibImageSize(const BITMAPINFOHEADER* header);

// The largest packed DIB this package makes or reads (headers and pixels): 1 GiB.
constexpr int64_t MaxDibSize = int64_t(1) << 30;

// Checks a header that came from outside before anything is sized from it: biSize 40..124 and within
// the headerBytes given, width above 0, height not 0, one plane, 1, 4, 8, 16, 24 or 32 bits per pixel,
// a compression the depth allows (RLE8 for 8 bits, RLE4 for 4 bits, both bottom-up, with biSizeImage
// and with rows that would not exceed MaxDibSize uncompressed; bit fields for 16 and 32 bits), no more colours than the depth can index, and a block of at most
// MaxDibSize. Raises EInvalidGraphic; returns the size of the whole block.
int64_t CheckDibHeader(const BITMAPINFOHEADER* header, int64_t headerBytes);

// A new memory stream holding an unfilled block for the header: its size is headers + image, the
// first 40 bytes of the header are copied to its start and the copy's biSizeImage is the computed image
// size; the position stays 0. Null when the image size is 0. Raises EInvalidGraphic for a block above
// MaxDibSize.
TMemoryStream* CreateDibStream(const BITMAPINFOHEADER* header);

// Whether two colours are the same: their low three bytes (blue, green, red) are equal.
inline bool SameColor(DWORD color1, DWORD color2) { return ((color1 ^ color2) & 0x00FFFFFF) == 0; }

// The reductions: the smallest form of a 24- or 32-bit uncompressed block (bit fields only with the
// standard masks). On success stream is a new block the caller owns: 1, 4 or 8 bits with a palette
// of the colours in order of first appearance, or (32 bits with more than 256 colours) 24 bits.
// ReduceDib24 fails for more than 256 colours; both fail, leaving stream null, for any block they
// cannot read right (another depth, compression, masks, or no pixels).
bool ReduceDib32(const BITMAPINFOHEADER* block, TMemoryStream*& stream);
bool ReduceDib24(const BITMAPINFOHEADER* block, TMemoryStream*& stream);

// (1 − t) × value0 + t × value1.
inline double Interpolate(double t, double value1, double value0) { return (1 - t) * value0 + t * value1; }
// p00 left top, p10 right top, p01 left bottom, p11 right bottom; rounded half up (toward zero after
// adding 0.5).
int InterpolateBilinear(double fy, double fx, int p00, int p10, int p01, int p11);
// The cubic through four samples at −1, 0, 1, 2, at 0 ≤ t < 1 (the straight line when the outer pairs
// are equal).
double InterpolateCubic(double t, double pm1, double p0, double p1, double p2);
// Sixteen samples in rows y−1, y, y+1, y+2, each in columns x−1, x, x+1, x+2. Not limited to 0..255.
int InterpolateBicubic(double fy, double fx, const int samples[16]);
int InterpolateBicubic(double fy, double fx, int p00, int p10, int p20, int p30, int p01, int p11, int p21, int p31,
                       int p02, int p12, int p22, int p32, int p03, int p13, int p23, int p33);
