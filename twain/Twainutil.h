// The arithmetic and container reading that the TWAIN component rests on: FIX32 numbers, item sizes
// and texts, and the decoding of the four container kinds from a block of known size. The readers
// never look past the block: a header or an item list that does not fit answers TWCC_BADCAP.
#pragma once

#include <cstddef>

#include "Classes.h"
#include "Qeltwain.h"

// Whole + Frac / 65536.
double FixedToFloat(const TW_FIX32& Value);
// Whole = Value truncated toward zero, Frac = the remainder's magnitude in 65536ths, rounded. A
// fraction that rounds to 65536 carries into the whole part (299.99999 is 300). Negative values with
// a fraction do not come back unchanged: -1.25 is Whole -1, Frac 0.25 and reads back as -0.75.
TW_FIX32 FloatToFixed(double Value);
// The bytes of one item as containers store it; 0 for TWTY_STR1024 and unknown types.
unsigned TwainItemSize(TItemType Type);

// Items as text: numbers in printf's forms ("%hd", "%lu", ...), FIX32 as the shortest general form,
// texts up to their terminator within the item's size, UNI512 converted from UTF-16; frames and
// unknown types are empty.
AnsiString TwainItemText(const void* Item, TItemType Type);
// Numeric items as their value (FIX32 through FixedToFloat); any other type 4294967295.
double TwainItemNumber(const void* Item, TItemType Type);

// The most values a range is walked into; a range with a step of 0 or less yields its minimum only.
constexpr int TwainRangeLimit = 65536;
// The most items an enumeration or array may hold; one that claims more is refused.
constexpr unsigned TwainItemLimit = 65536;

// A container block as the source handed it over: its first byte and its size.
struct TTwainBlock {
  const unsigned char* Data;
  size_t Size;
};

// Decoders of a locked block. Each answers 0 or TWCC_BADCAP; only the item type may be written when
// the answer is TWCC_BADCAP (a range of items wider than 4 bytes).
TConditionCode ReadOneValueBlock(TTwainBlock Block, TItemType& Type, AnsiString& Value);
TConditionCode ReadRangeBlock(TTwainBlock Block, TItemType& Type, TW_NUM32 (&Fields)[5]);
// The items of an enumeration (indices are handed back as stored) or of an array (Indices stay).
TConditionCode ReadItemListBlock(TTwainBlock Block, TContainerType Kind, TItemType& Type, TStrings* Values,
                                 unsigned int& DefaultIndex, unsigned int& CurrentIndex);
// The texts a range walk yields, Min up to Max by Step (see TwainRangeLimit).
void WalkRange(TItemType Type, TW_NUM32 Min, TW_NUM32 Max, TW_NUM32 Step, TStrings* Values);
