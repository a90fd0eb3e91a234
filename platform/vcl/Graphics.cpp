// Graphics: colours, cursors and character sets with their identifiers, the named integer types and
// their registration for streaming, and small GDI helpers.
#include "Consts.h"
#include "Graphics.h"

#include <iterator>
#include <string.h>

VCL_IMPLEMENT_INTEGER_TYPE(TColor)
VCL_IMPLEMENT_INTEGER_TYPE(TCursor)
VCL_IMPLEMENT_INTEGER_TYPE(TFontCharset)

namespace {

// Standard colours first, so that a value with two names (clSilver, clLtGray) gets the usual one.
constexpr TIdentMapEntry Colors[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
};

constexpr TIdentMapEntry Cursors[] = {
    {crDefault, "crDefault"},
    {crNone, "crNone"},
    {crArrow, "crArrow"},
    {crCross, "crCross"},
    {crIBeam, "crIBeam"},
    {crSizeNESW, "crSizeNESW"},
    {crSizeNS, "crSizeNS"},
    {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},
    {crHourGlass, "crHourGlass"},
    {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"},
    {crHSplit, "crHSplit"},
    {crVSplit, "crVSplit"},
    {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"},
    {crNo, "crNo"},
    {crAppStart, "crAppStart"},
    {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},
};

// The character sets Windows defines, under the names used in stored forms.
constexpr TIdentMapEntry Charsets[] = {
    {ANSI_CHARSET, "ANSI_CHARSET"},
    {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
    {MAC_CHARSET, "MAC_CHARSET"},
    {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
    {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
    {JOHAB_CHARSET, "JOHAB_CHARSET"},
    {GB2312_CHARSET, "GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
    {GREEK_CHARSET, "GREEK_CHARSET"},
    {TURKISH_CHARSET, "TURKISH_CHARSET"},
    {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, "HEBREW_CHARSET"},
    {ARABIC_CHARSET, "ARABIC_CHARSET"},
    {BALTIC_CHARSET, "BALTIC_CHARSET"},
    {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
    {THAI_CHARSET, "THAI_CHARSET"},
    {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
    {OEM_CHARSET, "OEM_CHARSET"},
};

// Stored forms name colours, cursors and character sets; the reader and writer find these by type.
void RegisterGraphicsConsts()
{
  RegisterIntegerConsts(TypeInfoFor<TColor>(), IdentToColor, ColorToIdent);
  RegisterIntegerConsts(TypeInfoFor<TCursor>(), IdentToCursor, CursorToIdent);
  RegisterIntegerConsts(TypeInfoFor<TFontCharset>(), IdentToCharset, CharsetToIdent);
}

void UnregisterGraphicsConsts()
{
  UnregisterIntegerConsts(TypeInfoFor<TColor>(), IdentToColor, ColorToIdent);
  UnregisterIntegerConsts(TypeInfoFor<TCursor>(), IdentToCursor, CursorToIdent);
  UnregisterIntegerConsts(TypeInfoFor<TFontCharset>(), IdentToCharset, CharsetToIdent);
}

TUnitInit graphicsUnit("Graphics", RegisterGraphicsConsts, UnregisterGraphicsConsts);

}  // namespace

COLORREF ColorToRGB(TColor color)
{
  if (int(color) < 0) return GetSysColor(int(color) & 0xFF);
  return COLORREF(int(color));
}

bool ColorToIdent(int color, AnsiString& ident) { return IntToIdent(color, ident, Colors, int(std::size(Colors))); }

bool IdentToColor(const AnsiString& ident, int& color)
{
  return IdentToInt(ident, color, Colors, int(std::size(Colors)));
}

AnsiString ColorToString(TColor color)
{
  AnsiString ident;
  if (ColorToIdent(color, ident)) return ident;
  return "$" + IntToHex(int(color), 8);
}

TColor StringToColor(const AnsiString& text)
{
  int color = 0;
  if (!IdentToColor(text, color)) color = StrToInt(text);
  return color;
}

bool CursorToIdent(int cursor, AnsiString& ident)
{
  return IntToIdent(cursor, ident, Cursors, int(std::size(Cursors)));
}

bool IdentToCursor(const AnsiString& ident, int& cursor)
{
  return IdentToInt(ident, cursor, Cursors, int(std::size(Cursors)));
}

bool CharsetToIdent(int charset, AnsiString& ident)
{
  return IntToIdent(charset, ident, Charsets, int(std::size(Charsets)));
}

bool IdentToCharset(const AnsiString& ident, int& charset)
{
  return IdentToInt(ident, charset, Charsets, int(std::size(Charsets)));
}

int ScreenPixelsPerInch()
{
  static const int ppi = [] {
    HDC dc = GetDC(nullptr);
    int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return ppi;
}

// ---------------------------------------------------------------------------------------------------
TMemoryDC::TMemoryDC() : FDC(CreateCompatibleDC(nullptr))
{
  if (!FDC) throw EOutOfResources(SOutOfResources);
}

TMemoryDC::~TMemoryDC()
{
  // Undo in reverse, so that the DC's own default objects are back when it is deleted.
  for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) SelectObject(FDC.Get(), *it);
}

void TMemoryDC::Select(HGDIOBJ object)
{
  HGDIOBJ old = SelectObject(FDC.Get(), object);
  if (old && old != HGDI_ERROR) FSaved.push_back(old);
}
