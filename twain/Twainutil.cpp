// Twainutil: FIX32 arithmetic, item texts and numbers, and the container decoders.
#include "Twainutil.h"

#include <cmath>
#include <cstring>
#include <string>

#include "SysUtils.h"

double FixedToFloat(const TW_FIX32& Value) { return Value.Whole + Value.Frac / 65536.0; }

TW_FIX32 FloatToFixed(double Value)
{
  TW_FIX32 fixed{};
  if (!std::isfinite(Value)) return fixed;
  const double whole = std::trunc(Value);
  long frac = static_cast<long>(std::fabs(Value - whole) * 65536.0 + 0.5);
  long wholePart = static_cast<long>(std::fmod(whole, 65536.0));
  if (frac >= 65536) {
    // The fraction rounded up to a whole unit: it belongs to the whole part, away from zero.
    frac -= 65536;
    wholePart += Value < 0 ? -1 : 1;
  }
  fixed.Whole = static_cast<TW_INT16>(wholePart);
  fixed.Frac = static_cast<TW_UINT16>(frac);
  return fixed;
}

unsigned TwainItemSize(TItemType Type)
{
  static const unsigned sizes[] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256, 0, 1024};
  return Type < sizeof sizes / sizeof sizes[0] ? sizes[Type] : 0;
}

namespace {

template <class T>
T ItemAs(const void* item)
{
  T value;
  std::memcpy(&value, item, sizeof value);
  return value;
}

AnsiString BoundedText(const void* item, size_t size)
{
  const char* text = static_cast<const char*>(item);
  return AnsiString(text, static_cast<int>(strnlen(text, size)));
}

}  // namespace

AnsiString TwainItemText(const void* Item, TItemType Type)
{
  switch (Type) {
  case itInt8: return AnsiString(static_cast<const char*>(Item), 1);
  case itInt16: return AnsiString::FormatC("%hd", ItemAs<TW_INT16>(Item));
  case itInt32: return AnsiString::FormatC("%ld", ItemAs<TW_INT32>(Item));
  case itUInt8: return AnsiString::FormatC("%i", ItemAs<TW_UINT8>(Item));
  case itUInt16:
  case itBool: return AnsiString::FormatC("%hu", ItemAs<TW_UINT16>(Item));
  case itUInt32: return AnsiString::FormatC("%lu", ItemAs<TW_UINT32>(Item));
  case itFix32: return FloatToStr(FixedToFloat(ItemAs<TW_FIX32>(Item)));
  case itStr32:
  case itStr64:
  case itStr128:
  case itStr255: return BoundedText(Item, TwainItemSize(Type));
  case itUni512: {
    std::wstring text(512, L'\0');
    std::memcpy(text.data(), Item, 1024);
    text.resize(wcsnlen(text.c_str(), 512));
    return AnsiString(Utf16ToUtf8(text));
  }
  default: return AnsiString();
  }
}

double TwainItemNumber(const void* Item, TItemType Type)
{
  switch (Type) {
  case itInt8: return ItemAs<TW_INT8>(Item);
  case itInt16: return ItemAs<TW_INT16>(Item);
  case itInt32: return ItemAs<TW_INT32>(Item);
  case itUInt8: return ItemAs<TW_UINT8>(Item);
  case itUInt16:
  case itBool: return ItemAs<TW_UINT16>(Item);
  case itUInt32: return ItemAs<TW_UINT32>(Item);
  case itFix32: return FixedToFloat(ItemAs<TW_FIX32>(Item));
  default: return 4294967295.0;
  }
}

TConditionCode ReadOneValueBlock(TTwainBlock Block, TItemType& Type, AnsiString& Value)
{
  constexpr size_t itemOffset = offsetof(TW_ONEVALUE, Item);
  if (!Block.Data || Block.Size < itemOffset) return TWCC_BADCAP;
  const auto type = static_cast<TItemType>(ItemAs<TW_UINT16>(Block.Data));
  if (Block.Size - itemOffset < TwainItemSize(type)) return TWCC_BADCAP;
  Type = type;
  Value = TwainItemText(Block.Data + itemOffset, type);
  return TWCC_SUCCESS;
}

TConditionCode ReadRangeBlock(TTwainBlock Block, TItemType& Type, TW_NUM32 (&Fields)[5])
{
  if (!Block.Data || Block.Size < sizeof(TW_RANGE)) return TWCC_BADCAP;
  const auto type = static_cast<TItemType>(ItemAs<TW_UINT16>(Block.Data));
  Type = type;
  if (TwainItemSize(type) > 4) return TWCC_BADCAP;
  std::memcpy(Fields, Block.Data + offsetof(TW_RANGE, MinValue), sizeof Fields);
  return TWCC_SUCCESS;
}

TConditionCode ReadItemListBlock(TTwainBlock Block, TContainerType Kind, TItemType& Type, TStrings* Values,
                                 unsigned int& DefaultIndex, unsigned int& CurrentIndex)
{
  const bool enumeration = Kind == ctEnumeration;
  const size_t listOffset = enumeration ? offsetof(TW_ENUMERATION, ItemList) : offsetof(TW_ARRAY, ItemList);
  if (!Block.Data || Block.Size < listOffset) return TWCC_BADCAP;
  const auto type = static_cast<TItemType>(ItemAs<TW_UINT16>(Block.Data));
  const TW_UINT32 count = ItemAs<TW_UINT32>(Block.Data + 2);
  const unsigned size = TwainItemSize(type);
  // In 64 bits, so that a huge count cannot wrap around into a small size; items without a size
  // (which are not decoded) count against the limit alone.
  if (count > TwainItemLimit || static_cast<unsigned long long>(count) * size > Block.Size - listOffset)
    return TWCC_BADCAP;
  Type = type;
  if (enumeration) {
    CurrentIndex = ItemAs<TW_UINT32>(Block.Data + offsetof(TW_ENUMERATION, CurrentIndex));
    DefaultIndex = ItemAs<TW_UINT32>(Block.Data + offsetof(TW_ENUMERATION, DefaultIndex));
  }
  if (Values) {
    Values->Clear();
    for (TW_UINT32 i = 0; i < count; ++i) Values->Add(TwainItemText(Block.Data + listOffset + size_t(i) * size, type));
  }
  return TWCC_SUCCESS;
}

void WalkRange(TItemType Type, TW_NUM32 Min, TW_NUM32 Max, TW_NUM32 Step, TStrings* Values)
{
  const double last = TwainItemNumber(&Max, Type);
  const double step = TwainItemNumber(&Step, Type);
  double v = TwainItemNumber(&Min, Type);
  for (int n = 0; n < TwainRangeLimit && last >= v; ++n) {
    Values->Add(FloatToStr(v));
    if (!(step > 0)) break;
    v += step;
  }
}
