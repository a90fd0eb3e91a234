// Graphics: fonts, pens and brushes, and the GDI objects they make on demand.
#include "Consts.h"
#include "Graphics.h"

#include <algorithm>

VCL_IMPLEMENT_ENUM(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
VCL_IMPLEMENT_ENUM(TFontPitch, "fpDefault", "fpVariable", "fpFixed")
VCL_IMPLEMENT_ENUM(TPenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame")
VCL_IMPLEMENT_ENUM(TPenMode, "pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                   "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask",
                   "pmXor", "pmNotXor")
VCL_IMPLEMENT_ENUM(TBrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
                   "bsCross", "bsDiagCross")

VCL_IMPLEMENT_CLASS(TGraphicsObject)

// Size is derived from Height and not stored; the rest is always written, as forms expect.
VCL_PUBLISHED(TFont)
{
  p.Property("Charset", &TFont::GetCharset, &TFont::SetCharset);
  p.Property("Color", &TFont::GetColor, &TFont::SetColor);
  p.Property("Height", &TFont::GetHeight, &TFont::SetHeight);
  p.Property("Name", &TFont::GetName, &TFont::SetName);
  p.Property("Pitch", &TFont::GetPitch, &TFont::SetPitch).Default(fpDefault);
  p.Property("Size", &TFont::GetSize, &TFont::SetSize).Stored(false);
  p.Property("Style", &TFont::GetStyle, &TFont::SetStyle);
}

VCL_PUBLISHED(TPen)
{
  p.Property("Color", &TPen::GetColor, &TPen::SetColor).Default(clBlack);
  p.Property("Mode", &TPen::GetMode, &TPen::SetMode).Default(pmCopy);
  p.Property("Style", &TPen::GetStyle, &TPen::SetStyle).Default(psSolid);
  p.Property("Width", &TPen::GetWidth, &TPen::SetWidth).Default(1);
}

VCL_PUBLISHED(TBrush)
{
  p.Property("Bitmap", &TBrush::GetBitmap, &TBrush::SetBitmap);
  p.Property("Color", &TBrush::GetColor, &TBrush::SetColor).Default(clWhite);
  p.Property("Style", &TBrush::GetStyle, &TBrush::SetStyle).Default(bsSolid);
}

namespace {
template <class T>
bool Update(T& field, const T& value)
{
  if (field == value) return false;
  field = value;
  return true;
}

HGDIOBJ Created(HGDIOBJ handle)
{
  if (!handle) throw EOutOfResources(SOutOfResources);
  return handle;
}
}  // namespace

// ===================================================================================================
// TGraphicsObject
void TGraphicsObject::Changed()
{
  // The listener (a canvas) deselects the old object while it still exists; only then is it deleted.
  TGdiObject old = std::move(FHandle);
  if (OnChange) OnChange(this);
}

// ===================================================================================================
// TFont
TFont::TFont() : PixelsPerInch(ScreenPixelsPerInch())
{
  FHeight = -MulDiv(DefaultFontSize, PixelsPerInch, 72);
}

void TFont::Assign(TPersistent* source)
{
  auto* font = dynamic_cast<TFont*>(source);
  if (!font) return inherited::Assign(source);
  if (font == this) return;
  FCharset = font->FCharset;
  FColor = font->FColor;
  FHeight = font->FHeight;
  FName = font->FName;
  FPitch = font->FPitch;
  FStyle = font->FStyle;
  Changed();
}

HFONT TFont::GetHandle()
{
  if (HGDIOBJ h = CachedHandle()) return static_cast<HFONT>(h);
  LOGFONTW lf{};
  lf.lfHeight = FHeight;
  lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = FStyle.Contains(fsItalic);
  lf.lfUnderline = FStyle.Contains(fsUnderline);
  lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
  lf.lfCharSet = FCharset;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = FPitch == fpVariable ? VARIABLE_PITCH : FPitch == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
  std::wstring face = Utf8ToUtf16(SameText(FName, "Default") ? std::string(DefaultFontName) : FName.str());
  face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  CacheHandle(Created(CreateFontIndirectW(&lf)));
  return static_cast<HFONT>(CachedHandle());
}

void TFont::SetHandle(HFONT value)
{
  LOGFONTW lf{};
  if (!value || GetObjectW(value, sizeof lf, &lf) == 0) throw EInvalidGraphicOperation(SInvalidPropertyValue);
  FHeight = int(lf.lfHeight);
  FCharset = lf.lfCharSet;
  FName = AnsiString(Utf16ToUtf8(lf.lfFaceName));
  FStyle = TFontStyles();
  if (lf.lfWeight >= FW_BOLD) FStyle << fsBold;
  if (lf.lfItalic) FStyle << fsItalic;
  if (lf.lfUnderline) FStyle << fsUnderline;
  if (lf.lfStrikeOut) FStyle << fsStrikeOut;
  const int pitch = lf.lfPitchAndFamily & 3;
  FPitch = pitch == VARIABLE_PITCH ? fpVariable : pitch == FIXED_PITCH ? fpFixed : fpDefault;
  Changed();
  CacheHandle(value);
}

void TFont::SetCharset(TFontCharset value)
{
  if (Update(FCharset, value)) Changed();
}

void TFont::SetColor(TColor value)
{
  if (Update(FColor, value)) Changed();
}

void TFont::SetHeight(int value)
{
  if (Update(FHeight, value)) Changed();
}

void TFont::SetName(const AnsiString& value)
{
  if (!value.IsEmpty() && Update(FName, value)) Changed();
}

void TFont::SetPitch(TFontPitch value)
{
  if (Update(FPitch, value)) Changed();
}

int TFont::GetSize() const { return -MulDiv(FHeight, 72, PixelsPerInch); }

void TFont::SetSize(int value) { SetHeight(-MulDiv(value, PixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles value)
{
  if (Update(FStyle, value)) Changed();
}

// ===================================================================================================
// TPen
void TPen::Assign(TPersistent* source)
{
  auto* pen = dynamic_cast<TPen*>(source);
  if (!pen) return inherited::Assign(source);
  if (pen == this) return;
  FColor = pen->FColor;
  FMode = pen->FMode;
  FStyle = pen->FStyle;
  FWidth = pen->FWidth;
  Changed();
}

HPEN TPen::GetHandle()
{
  if (HGDIOBJ h = CachedHandle()) return static_cast<HPEN>(h);
  // The pen styles are Windows' PS_ values in the same order.
  LOGPEN lp{UINT(FStyle), POINT{FWidth, 0}, ColorToRGB(FColor)};
  CacheHandle(Created(CreatePenIndirect(&lp)));
  return static_cast<HPEN>(CachedHandle());
}

void TPen::SetColor(TColor value)
{
  if (Update(FColor, value)) Changed();
}

void TPen::SetMode(TPenMode value)
{
  if (Update(FMode, value)) Changed();
}

void TPen::SetStyle(TPenStyle value)
{
  if (Update(FStyle, value)) Changed();
}

void TPen::SetWidth(int value)
{
  if (value >= 0 && Update(FWidth, value)) Changed();
}

// ===================================================================================================
// TBrush
void TBrush::Assign(TPersistent* source)
{
  auto* brush = dynamic_cast<TBrush*>(source);
  if (!brush) return inherited::Assign(source);
  if (brush == this) return;
  FColor = brush->FColor;
  FStyle = brush->FStyle;
  FBitmap = brush->FBitmap;
  Changed();
}

HBRUSH TBrush::GetHandle()
{
  if (HGDIOBJ h = CachedHandle()) return static_cast<HBRUSH>(h);
  HBRUSH brush = nullptr;
  if (FBitmap && !FBitmap->Empty()) {
    brush = CreatePatternBrush(FBitmap->GetHandle());
  } else {
    LOGBRUSH lb{BS_SOLID, ColorToRGB(FColor), 0};
    if (FStyle == bsClear) lb.lbStyle = BS_HOLLOW;
    if (FStyle >= bsHorizontal) {
      lb.lbStyle = BS_HATCHED;
      lb.lbHatch = ULONG_PTR(FStyle - bsHorizontal);  // HS_HORIZONTAL .. HS_DIAGCROSS in order
    }
    brush = CreateBrushIndirect(&lb);
  }
  CacheHandle(Created(brush));
  return static_cast<HBRUSH>(CachedHandle());
}

void TBrush::SetColor(TColor value)
{
  bool styleChanged = FStyle == bsClear;
  if (styleChanged) FStyle = bsSolid;
  if (Update(FColor, value) || styleChanged) Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
  if (Update(FStyle, value)) Changed();
}

void TBrush::SetBitmap(TBitmap* value)
{
  if (Update(FBitmap, value)) Changed();
}
