#include "Langs.h"

#include <windows.h>

#include <string>

#include "SysUtils.h"

namespace {

TUnitInit LangsUnitInit("Langs");

// A number from the locale's entry, or fallback when the entry is missing or not a number.
int LocaleNumber(unsigned long locale, LCTYPE type, int fallback)
{
  wchar_t buffer[7] = {};  // the longest code page number and its terminator
  if (GetLocaleInfoW(static_cast<LCID>(locale), type, buffer, 7) == 0) return fallback;
  int value = 0;
  return TryStrToInt(AnsiString(buffer), value) ? value : fallback;
}

}  // namespace

int LengthEx(const AnsiString& s, unsigned codePage)
{
  const char* p = s.c_str();
  const char* end = p + s.Length();
  int count = 0;
  if (codePage == CP_UTF8) {
    for (; p < end; ++p)
      if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80) ++count;
    return count;
  }
  while (p < end) {
    const char* next = CharNextExA(static_cast<WORD>(codePage), p, 0);
    // A terminator inside the text, or a lead byte cut off by the end: one character, never past it.
    if (next <= p) next = p + 1;
    if (next > end) next = end;
    p = next;
    ++count;
  }
  return count;
}

AnsiString LanguageName(unsigned long locale)
{
  const LCID lcid = static_cast<LCID>(locale);
  const int size = GetLocaleInfoW(lcid, LOCALE_SLANGUAGE, nullptr, 0);
  if (size <= 0) return AnsiString();
  std::wstring name(static_cast<size_t>(size), L'\0');
  const int written = GetLocaleInfoW(lcid, LOCALE_SLANGUAGE, name.data(), size);
  if (written <= 0) return AnsiString();
  name.resize(static_cast<size_t>(written - 1));
  return AnsiString(Utf16ToUtf8(name));
}

int CodePageFromLocale(unsigned long locale)
{
  return LocaleNumber(locale, LOCALE_IDEFAULTANSICODEPAGE, static_cast<int>(GetACP()));
}

int OEMCodePageFromLocale(unsigned long locale)
{
  return LocaleNumber(locale, LOCALE_IDEFAULTCODEPAGE, static_cast<int>(GetOEMCP()));
}

unsigned char CharsetFromLocale(unsigned long locale)
{
  CHARSETINFO info{};
  const UINT_PTR codePage = static_cast<UINT_PTR>(CodePageFromLocale(locale));
  if (!TranslateCharsetInfo(reinterpret_cast<DWORD*>(codePage), &info, TCI_SRCCODEPAGE)) return DEFAULT_CHARSET;
  return static_cast<unsigned char>(info.ciCharset);
}

int CodePageFromCharset(unsigned char charset)
{
  CHARSETINFO info{};
  const UINT_PTR source = charset;
  if (!TranslateCharsetInfo(reinterpret_cast<DWORD*>(source), &info, TCI_SRCCHARSET)) return CP_ACP;
  return static_cast<int>(info.ciACP);
}

WideString CharToWide(const AnsiString& s, unsigned codePage)
{
  if (s.IsEmpty()) return WideString();
  const int needed = MultiByteToWideChar(codePage, 0, s.c_str(), s.Length(), nullptr, 0);
  if (needed <= 0) return WideString();
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, 0, s.c_str(), s.Length(), wide.data(), needed);
  return WideString(wide);
}

AnsiString WideToChar(const WideString& s, unsigned codePage)
{
  const int length = s.Length();
  if (length == 0) return AnsiString();
  const int needed = WideCharToMultiByte(codePage, 0, s.c_str(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return AnsiString();
  std::string bytes(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, 0, s.c_str(), length, bytes.data(), needed, nullptr, nullptr);
  return AnsiString(std::move(bytes));
}

AnsiString CharToChar(const AnsiString& s, unsigned fromCodePage, unsigned toCodePage)
{
  return WideToChar(CharToWide(s, fromCodePage), toCodePage);
}
