#include "Graphics.h"

#include <string.h>

namespace {

struct CharsetName {
  int Value;
  const char* Name;
};

// The character sets Windows defines, under the names used in stored forms.
constexpr CharsetName Charsets[] = {
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

}  // namespace

bool CharsetToIdent(int charset, AnsiString& ident)
{
  for (const CharsetName& c : Charsets) {
    if (c.Value == charset) {
      ident = c.Name;
      return true;
    }
  }
  return false;
}

bool IdentToCharset(const AnsiString& ident, int& charset)
{
  for (const CharsetName& c : Charsets) {
    if (_stricmp(ident.c_str(), c.Name) == 0) {
      charset = c.Value;
      return true;
    }
  }
  return false;
}
