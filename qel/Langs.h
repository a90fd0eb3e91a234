// Stateless helpers over the platform's locale and code-page services. Locale arguments are Windows
// locale identifiers (LCIDs); texts are the library's UTF-8 AnsiStrings unless a code page is named.
#pragma once

#include "System.h"

// Characters in s, stepping through it with the multi-byte rules of the code page (a double-byte
// character counts once). UTF-8 (65001) counts code points, since the platform's stepping does not
// know it. An empty text has length 0.
int LengthEx(const AnsiString& s, unsigned codePage);

// The locale's full language name, in UTF-8; "" for a locale the platform does not know.
AnsiString LanguageName(unsigned long locale);

// The locale's default ANSI / OEM code page; the system's own (GetACP / GetOEMCP) when the locale
// has no number for it.
int CodePageFromLocale(unsigned long locale);
int OEMCodePageFromLocale(unsigned long locale);

// The GDI character set of the locale's ANSI code page; DEFAULT_CHARSET when the platform has none.
unsigned char CharsetFromLocale(unsigned long locale);
// The ANSI code page of a GDI character set; 0 (CP_ACP, the system's code page) when the platform
// knows no code page for it.
int CodePageFromCharset(unsigned char charset);

// Conversions through UTF-16 with the platform's tables and no flags: text in a code page becomes
// UTF-16 and back. Bytes that do not convert follow the platform's rules; empty stays empty.
WideString CharToWide(const AnsiString& s, unsigned codePage);
AnsiString WideToChar(const WideString& s, unsigned codePage);
AnsiString CharToChar(const AnsiString& s, unsigned fromCodePage, unsigned toCodePage);
