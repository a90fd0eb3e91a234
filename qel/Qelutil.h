// The library's free functions: rounding and zoom arithmetic, string helpers, a date check, class and
// published-property access by name, tab order, registry and clipboard-format helpers, the interfaces
// a COM object answers to, and variant comparison.
//
// Every function reports through its result ("", 0, null, false) and lets platform exceptions pass,
// except where a comment says otherwise. Null object and list arguments give the empty result and
// change nothing.
#pragma once

#include <cstdint>

#include <windows.h>
#include <unknwn.h>

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"
#include "System.h"
#include "Variants.h"

class TQelTwain;

// The library's key below a registry root ("\SOFTWARE\QEL"); set while the unit is initialised.
extern AnsiString RegistryQelKey;

// ---------------------------------------------------------------------------------------------------
// Rounding and zoom.

// Nearest integer, halves away from zero (2.5 gives 3, -2.5 gives -3); 0 for a NaN. The rounding is
// exact for every double, so 0.49999999999999994 gives 0. A result outside the 32-bit range (the
// infinities included) raises ERangeError.
int RoundUp(double x);
// x rounded to Digits decimals: x * 10^Digits rounded as above, scaled back. The scaling is done in
// double, so 2.345 (a little under 2.345 in binary) gives 2.3 at one decimal. A negative Digits rounds
// to tens, hundreds...; the scaled value must fit 32 bits (ERangeError otherwise).
double RoundUp(double x, int Digits);

// The factor that fits the picture into Height x Width: the smaller of the two ratios. A picture
// without a width or height (or none at all) raises EZeroDivide.
long double GetBestFitZoom(TPicture* Picture, int Height, int Width);
long double GetWidthFitZoom(TPicture* Picture, int Width);
long double GetHeightFitZoom(TPicture* Picture, int Height);

// ---------------------------------------------------------------------------------------------------
// Strings. Positions are 1-based and count bytes; comparisons are case-sensitive.

// The position of the first Sub that begins at or after Start; a Start below 1 searches from 1, a
// Start past the end answers 0; 0 when absent or when Sub is empty.
int Pos(const AnsiString& S, const AnsiString& Sub, int Start);
// Non-overlapping occurrences, counted from the left; 0 for an empty Sub.
int OccurrenceCount(const AnsiString& S, const AnsiString& Sub);
// Every Ch replaced by Replacement; inserted text is not searched again.
AnsiString ReplaceChars(const AnsiString& S, char Ch, const AnsiString& Replacement);
// Every Ch preceded by Mark.
AnsiString MarkSpecialChars(const AnsiString& S, char Ch, char Mark);
// The text from Position up to the next character of Delimiters (or the end), blanks and control
// characters trimmed off both sides. Position moves past the delimiter, or to Length + 1 at the end.
// A Position outside 1..Length answers "" and becomes Length + 1.
AnsiString ExtractToken(const AnsiString& S, const AnsiString& Delimiters, int& Position);
// Fill characters added on the left / right until S is Length long; a longer S is left alone.
void LPad(AnsiString& S, int Length, char Fill);
void RPad(AnsiString& S, int Length, char Fill);
// The byte's value (0..255) minus 48: 0 to 9 for the digits; other characters are not checked.
int16_t CharDigit(char c);
// CharDigit of the Index-th character from the right (1 = the last); 0 when Index is below 1 or
// beyond the text.
int16_t RightDigit(AnsiString& S, int Index);
// A copy on the C runtime's heap (release it with free); null for null or when memory runs out.
char* DuplicatePChar(const char* s);
// Appends the pieces between separators, the last one always (also when empty): "a,,b" gives three
// pieces, "" one empty piece. The list is not cleared.
void SplitToComponents(const AnsiString& S, char Separator, TStringList* List);
// Removes the empty lines, trimming every line first when Trim is set.
void CompactStringList(TStringList* List, bool Trim);
// The trimmed non-empty lines joined by Separator.
AnsiString GetStringsLine(TStrings* Lines, char Separator);

// ---------------------------------------------------------------------------------------------------
// Dates.

// Whether Day.Month.Year is a date. Years 1 to 50 mean 2001 to 2050 and 51 to 99 mean 1951 to 1999;
// year 0, negative years and years past 9999 (where the platform's dates end) are rejected.
bool ValidDate(int Day, int Month, int Year);

// ---------------------------------------------------------------------------------------------------
// Classes and published properties, looked up by name.

// Whether the class or one of its ancestors is named exactly ClassName; false for a null class.
bool InheritsFrom(TMetaClass* Class, const AnsiString& ClassName);
// Clears List and adds the names of the object's class and its ancestors, most derived first, up to
// but not including StopClassName. When no class is named so, every class down to TObject is added.
void GetAncestorsClasses(TObject* Object, const AnsiString& StopClassName, TStringList* List);

// A long-string property, or the text of a TVCLString property; "" for anything else and for a
// TVCLString property that holds no object.
AnsiString GetStrPropValue(TObject* Object, const AnsiString& Name);
// Writes the same two kinds; nothing for others, for a read-only string property or an empty
// TVCLString property.
void SetStrPropValue(TObject* Object, const AnsiString& Name, const AnsiString& Value);
// The object of a class-typed property; null for anything else.
TObject* GetObjPropValue(TObject* Object, const AnsiString& Name);
// Ordinal properties. The property must exist and be ordinal: otherwise EPropertyError.
bool GetBoolPropValue(TObject* Object, const AnsiString& Name);
void SetBoolPropValue(TObject* Object, const AnsiString& Name, bool Value);
int GetIntPropValue(TObject* Object, const AnsiString& Name);
void SetIntPropValue(TObject* Object, const AnsiString& Name, int Value);

// ---------------------------------------------------------------------------------------------------
// Controls.

// Empties List and fills it with the direct windowed children of Control, in tab order.
void GetParentedTabOrderList(TWinControl* Control, TList* List);
// The nearest parent of Control that is a tab sheet (TTabSheet); null when none, or for no control.
// A tab sheet itself is not its own container: only its parents count.
TWinControl* TabSheetContainer(TControl* Control);

// ---------------------------------------------------------------------------------------------------
// System.

// The logged-on user's name; "" when the platform cannot tell.
AnsiString GetOSUserName();
// The string value Name of Key under Root, opened for reading only; "" when the key or the value is
// missing or the value holds no text.
AnsiString RegReadString(HKEY Root, const AnsiString& Key, const AnsiString& Name);
// Writes the string value, creating Key when needed; registry failures are silent.
void RegWriteString(HKEY Root, const AnsiString& Key, const AnsiString& Name, const AnsiString& Value);
void SetNull(void** Pointer);
// The name of a clipboard format of the library: "QelClipFrmt_A_B".
AnsiString GetClipboardFormatStr(const AnsiString& A, const AnsiString& B);
// The format named by GetClipboardFormatStr(A, B) when the clipboard holds data in it, else 0.
UINT GetValidClipFormat(const AnsiString& A, const AnsiString& B);
// Writes to FileName, one a line, the names of the registered interfaces Object answers to (an
// interface registered without a name is written as its identifier). Nothing for a null object.
void ListInterfaces(IUnknown* Object, const AnsiString& FileName);

// ---------------------------------------------------------------------------------------------------
// Scanner shortcuts. The chosen source is remembered by product name under HKEY_CURRENT_USER,
// RegistryQelKey, value "Twain Source". The boxes they show are English: "Twain is not installed",
// "No sources found", "Unsuccess open source".

// Lets the user choose a source in the source manager's dialog and remembers it; the library and
// the manager are unloaded again afterwards.
void SelectTwainSource(TQelTwain* Twain);
// Opens and enables the remembered source (asking for one when none is remembered) in the native
// mechanism; the images arrive afterwards through the component's OnTwainAcquire, while the library
// and the manager stay loaded. A remembered name that no source has any more does nothing.
void TwainAcquire(TQelTwain* Twain);

// ---------------------------------------------------------------------------------------------------
// Variants.

// Non-arrays compare as the platform's variants do. Two arrays are equal when their first dimensions
// have the same length and the elements Low(A) + k and Low(B) + k are equal (by this same rule);
// arrays of more than one dimension cannot be walked that way and compare unequal. An array never
// equals a non-array. Any exception while comparing gives false.
bool VarEquals(const Variant& A, const Variant& B);
