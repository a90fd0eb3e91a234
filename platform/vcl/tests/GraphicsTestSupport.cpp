// Shared by the graphics tests.
#include "GraphicsTestSupport.h"

#include <cstdio>

VCL_PUBLISHED(TGraphicsHolder)
{
  p.Property("Color", &TGraphicsHolder::Color, &TGraphicsHolder::Color).Default(clWindow);
  p.Property("Cursor", &TGraphicsHolder::Cursor, &TGraphicsHolder::Cursor).Default(crDefault);
  p.Property("Font", &TGraphicsHolder::GetFont, &TGraphicsHolder::SetFont);
  p.Property("Glyph", &TGraphicsHolder::GetGlyph, &TGraphicsHolder::SetGlyph);
  p.Property("Picture", &TGraphicsHolder::GetPicture, &TGraphicsHolder::SetPicture);
}

TGraphicsHolder::TGraphicsHolder(TComponent* owner)
    : TComponent(owner), FFont(new TFont), FPicture(new TPicture), FGlyph(new TBitmap)
{
}

TGraphicsHolder::~TGraphicsHolder() = default;

void RegisterGraphicsTestClasses() { RegisterClass(TGraphicsHolder::StaticClass()); }

std::string Le16(unsigned v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }

std::string Le32(unsigned v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

std::string Bytes(TMemoryStream& stream)
{
  return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
}

std::string Hex(const std::string& bytes)
{
  std::string out;
  char buffer[3];
  for (unsigned char c : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X", c);
    out += buffer;
  }
  return out;
}

std::unique_ptr<TMemoryStream> StreamOf(const std::string& bytes)
{
  auto stream = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) stream->WriteBuffer(bytes.data(), int(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

std::string WriteHolder(TComponent* holder)
{
  TMemoryStream m;
  m.WriteComponent(holder);
  return Bytes(m);
}

std::string ToText(const std::string& binary)
{
  auto in = StreamOf(binary);
  TMemoryStream out;
  ObjectBinaryToText(in.get(), &out);
  return Bytes(out);
}

std::string ToBinary(const std::string& text)
{
  auto in = StreamOf(text);
  TMemoryStream out;
  ObjectTextToBinary(in.get(), &out);
  return Bytes(out);
}

TGraphicsHolder* ReadHolder(const std::string& binary)
{
  auto in = StreamOf(binary);
  auto* holder = new TGraphicsHolder(nullptr);
  try {
    in->ReadComponent(holder);
  } catch (...) {
    delete holder;
    throw;
  }
  return holder;
}

std::unique_ptr<TBitmap> NewBitmap(int width, int height, TPixelFormat format)
{
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  return bitmap;
}

TColor PixelOf(TBitmap* bitmap, int x, int y) { return bitmap->GetCanvas()->GetPixels(x, y); }

int CountPixels(TBitmap* bitmap, const TRect& area, TColor color)
{
  int count = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x)
      if (PixelOf(bitmap, x, y) == color) ++count;
  return count;
}
