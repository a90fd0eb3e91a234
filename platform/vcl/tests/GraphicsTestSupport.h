// Shared by the graphics tests: a component publishing graphics properties, byte helpers, pixel reads.
#pragma once
#include <memory>
#include <string>

#include "Classes.h"
#include "Graphics.h"

// A component with the graphics properties forms store: colours, a cursor, a font, a picture and a
// glyph bitmap.
class TGraphicsHolder : public TComponent {
  VCL_DECLARE_CLASS(TGraphicsHolder, TComponent)
  explicit TGraphicsHolder(TComponent* owner);
  ~TGraphicsHolder() override;
  TColor Color = clWindow;
  TCursor Cursor = crDefault;
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* value) { FFont->Assign(value); }
  TPicture* GetPicture() const { return FPicture.get(); }
  void SetPicture(TPicture* value) { FPicture->Assign(value); }
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* value) { FGlyph->Assign(value); }

private:
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPicture> FPicture;
  std::unique_ptr<TBitmap> FGlyph;
};

void RegisterGraphicsTestClasses();

std::string Le16(unsigned v);
std::string Le32(unsigned v);
std::string Bytes(TMemoryStream& stream);
std::string Hex(const std::string& bytes);
// A memory stream holding bytes, positioned at the start.
std::unique_ptr<TMemoryStream> StreamOf(const std::string& bytes);

std::string WriteHolder(TComponent* holder);
std::string ToText(const std::string& binary);
std::string ToBinary(const std::string& text);
TGraphicsHolder* ReadHolder(const std::string& binary);

// A white bitmap of that size and format.
std::unique_ptr<TBitmap> NewBitmap(int width, int height, TPixelFormat format = pf32bit);
// The colour of a pixel, read through GDI (system colours resolved).
TColor PixelOf(TBitmap* bitmap, int x, int y);
// How many pixels in the rectangle have exactly that colour.
int CountPixels(TBitmap* bitmap, const TRect& area, TColor color);
