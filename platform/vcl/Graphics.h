// Graphics: font character sets and their identifiers. The rest of the unit (canvases, bitmaps,
// pictures) arrives with the visual half of the stand-in.
#pragma once

#include "System.h"

typedef unsigned char TFontCharset;

// The identifier of a character set ("DEFAULT_CHARSET"); false for a value without one.
bool CharsetToIdent(int charset, AnsiString& ident);
// The character set of an identifier, letter case ignored; false for an unknown identifier.
bool IdentToCharset(const AnsiString& ident, int& charset);
