// TTwainSource: its route to the manager, condition codes, and capability negotiation.
#include <algorithm>
#include <cstring>

#include "Qeltwain.h"
#include "SysUtils.h"
#include "Twainutil.h"

VCL_IMPLEMENT_CLASS(TTwainSource)

namespace {

// A container handle the component owns: freed when it goes.
class TOwnedContainer {
public:
  explicit TOwnedContainer(void* handle) : FHandle(static_cast<HGLOBAL>(handle)) {}
  ~TOwnedContainer()
  {
    if (FHandle) GlobalFree(FHandle);
  }
  TOwnedContainer(const TOwnedContainer&) = delete;
  TOwnedContainer& operator=(const TOwnedContainer&) = delete;
  HGLOBAL Get() const { return FHandle; }

private:
  HGLOBAL FHandle;
};

// The locked bytes of a container, with the size of its block.
class TLockedContainer {
public:
  explicit TLockedContainer(HGLOBAL handle) : FHandle(handle)
  {
    FData = handle ? static_cast<const unsigned char*>(GlobalLock(handle)) : nullptr;
    FSize = FData ? GlobalSize(handle) : 0;
  }
  ~TLockedContainer()
  {
    if (FData) GlobalUnlock(FHandle);
  }
  TLockedContainer(const TLockedContainer&) = delete;
  TLockedContainer& operator=(const TLockedContainer&) = delete;
  TTwainBlock Block() const { return {FData, FSize}; }

private:
  HGLOBAL FHandle;
  const unsigned char* FData;
  size_t FSize;
};

// A container block made to send: movable, zero-filled, freed when it goes.
class TNewContainer {
public:
  explicit TNewContainer(size_t size) : FHandle(GlobalAlloc(GHND, size)) {}
  ~TNewContainer()
  {
    if (FHandle) GlobalFree(FHandle);
  }
  TNewContainer(const TNewContainer&) = delete;
  TNewContainer& operator=(const TNewContainer&) = delete;
  HGLOBAL Get() const { return FHandle; }
  // Fills the block through its locked pointer; false when it cannot be locked.
  template <class F>
  bool Fill(F fill)
  {
    auto* data = FHandle ? static_cast<unsigned char*>(GlobalLock(FHandle)) : nullptr;
    if (!data) return false;
    fill(data);
    GlobalUnlock(FHandle);
    return true;
  }

private:
  HGLOBAL FHandle;
};

template <class T>
void Put(unsigned char* at, T value)
{
  std::memcpy(at, &value, sizeof value);
}

int TextToInt(const AnsiString& text, int otherwise) { return StrToIntDef(text, otherwise); }

// The texts of FIX32 items are written with the decimal separator of the format settings.
double TextToFloat(const AnsiString& text)
{
  std::string value = text.c_str();
  std::replace(value.begin(), value.end(), DecimalSeparator, '.');
  return StrToFloatDef(AnsiString(value), 0.0);
}

}  // namespace

TTwainSource::TTwainSource(TQelTwain* Owner, int Index, TTransferMode Mode)
    : TTwainIdentity(Owner), Index(Index), TransferMode(Mode)
{
}

TTwainSource::~TTwainSource()
{
  try {
    UnloadSource();
  } catch (...) {
    // A handler of the disable event failed while the source was going; it goes all the same.
  }
}

TW_UINT16 TTwainSource::CallTwain(unsigned long DG, unsigned short DAT, unsigned short MSG, void* Data)
{
  return Twain()->Call(&Identity, DG, DAT, MSG, Data);
}

TW_IDENTITY* TTwainSource::GetAppIdentity() { return Twain()->AppIdentity->GetIdentity(); }

bool TTwainSource::GetSourceManagerLoaded() { return Twain()->SourceManagerLoaded; }

TConditionCode TTwainSource::GetConditionCode()
{
  if (!Loaded) return TWCC_SEQERROR;
  TW_STATUS status{};
  CallTwain(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return static_cast<TConditionCode>(status.ConditionCode & 0xFF);
}

TConditionCode TTwainSource::ReturnCodeToConditionCode(TReturnCode ReturnCode)
{
  return ReturnCode == TWRC_SUCCESS ? TWCC_SUCCESS : GetConditionCode();
}

AnsiString TTwainSource::GetAsString(void* Item, TItemType Type) { return TwainItemText(Item, Type); }

double TTwainSource::GetAsDouble(void* Item, TItemType Type) { return TwainItemNumber(Item, Type); }

// ---------------------------------------------------------------------------------------------------
// Readers

TConditionCode TTwainSource::GetCapability(unsigned short Cap, TCapOperation Op, TContainerType& ConType,
                                           void*& hContainer)
{
  if (!Loaded) return TWCC_SEQERROR;
  TW_CAPABILITY capability{Cap, TWON_DONTCARE16, nullptr};
  if (CallTwain(DG_CONTROL, DAT_CAPABILITY, Op, &capability) != TWRC_SUCCESS) return GetConditionCode();
  ConType = static_cast<TContainerType>(capability.ConType & 0xFF);
  hContainer = capability.hContainer;
  return TWCC_SUCCESS;
}

namespace {

// Fetches the container (unless one is given), checks its kind, and reads its locked block. The
// container is freed on every path.
template <class Read>
TConditionCode ReadContainer(TTwainSource* source, unsigned short cap, TCapOperation op, TContainerType kind,
                             void* given, Read read)
{
  void* handle = given;
  if (!handle) {
    TContainerType received = kind;
    const TConditionCode cc = source->GetCapability(cap, op, received, handle);
    if (cc != TWCC_SUCCESS) return cc;
    TOwnedContainer owned(handle);
    if (received != kind) return TWCC_BADCAP;
    TLockedContainer locked(owned.Get());
    return read(locked.Block());
  }
  TOwnedContainer owned(handle);
  TLockedContainer locked(owned.Get());
  return read(locked.Block());
}

}  // namespace

TConditionCode TTwainSource::GetOneValue(unsigned short Cap, TItemType& Type, AnsiString& Value, TCapOperation Op,
                                         void* hContainer)
{
  return ReadContainer(this, Cap, Op, ctOneValue, hContainer,
                       [&](TTwainBlock block) { return ReadOneValueBlock(block, Type, Value); });
}

TConditionCode TTwainSource::GetRangeValue(unsigned short Cap, TItemType& Type, TW_NUM32& Min, TW_NUM32& Max,
                                           TW_NUM32& Step, TW_NUM32& Default, TW_NUM32& Current, void* hContainer)
{
  return ReadContainer(this, Cap, coGet, ctRange, hContainer, [&](TTwainBlock block) {
    TW_NUM32 fields[5];
    const TConditionCode cc = ReadRangeBlock(block, Type, fields);
    if (cc == TWCC_SUCCESS) {
      Min = fields[0];
      Max = fields[1];
      Step = fields[2];
      Default = fields[3];
      Current = fields[4];
    }
    return cc;
  });
}

TConditionCode TTwainSource::GetEnumerationValue(unsigned short Cap, TItemType& Type, TStringList* Values,
                                                 unsigned int& DefaultIndex, unsigned int& CurrentIndex,
                                                 TCapOperation Op, void* hContainer)
{
  return ReadContainer(this, Cap, Op, ctEnumeration, hContainer, [&](TTwainBlock block) {
    return ReadItemListBlock(block, ctEnumeration, Type, Values, DefaultIndex, CurrentIndex);
  });
}

TConditionCode TTwainSource::GetArrayValue(unsigned short Cap, TItemType& Type, TStringList* Values, void* hContainer)
{
  return ReadContainer(this, Cap, coGet, ctArray, hContainer, [&](TTwainBlock block) {
    unsigned int unused = 0;
    return ReadItemListBlock(block, ctArray, Type, Values, unused, unused);
  });
}

TConditionCode TTwainSource::GetSupportedValues(unsigned short Cap, TItemType& Type, TStringList* Values,
                                                AnsiString& Current, TContainerTypes Containers, TCapOperation Op)
{
  TConditionCode cc;
  if (Containers.Contains(ctOneValue)) {
    cc = GetOneValue(Cap, Type, Current, Op);
    if (cc == TWCC_SUCCESS) {
      Values->Clear();
      Values->Add(Current);
    }
    if (cc != TWCC_BADCAP) return cc;
  }
  if (Containers.Contains(ctEnumeration)) {
    unsigned int defaultIndex = 0, currentIndex = 0;
    cc = GetEnumerationValue(Cap, Type, Values, defaultIndex, currentIndex, Op);
    if (cc == TWCC_SUCCESS) {
      const unsigned int index = Op == coGetDefault ? defaultIndex : currentIndex;
      // An index past the items names no value.
      if (index >= unsigned(Values->GetCount())) return TWCC_BADVALUE;
      Current = Values->Get(static_cast<int>(index));
    }
    if (cc != TWCC_BADCAP) return cc;
  }
  if (Containers.Contains(ctRange)) {
    TW_NUM32 min = 0, max = 0, step = 0, defaultValue = 0, currentValue = 0;
    cc = GetRangeValue(Cap, Type, min, max, step, defaultValue, currentValue);
    if (cc == TWCC_SUCCESS) {
      Values->Clear();
      WalkRange(Type, min, max, step, Values);
      Current = GetAsString(Op == coGetDefault ? &defaultValue : &currentValue, Type);
    }
    if (cc != TWCC_BADCAP) return cc;
  }
  if (Containers.Contains(ctArray)) {
    cc = GetArrayValue(Cap, Type, Values);
    // An array has no current value.
    if (cc == TWCC_SUCCESS) Current = AnsiString::FormatC("%lu", 0xFFFFFFFFul);
    return cc;
  }
  return TWCC_CAPUNSUPPORTED;
}

TConditionCode TTwainSource::GetUINT16Value(unsigned short Cap, unsigned short& Value, TCapOperation Op)
{
  TItemType type;
  AnsiString text;
  TConditionCode cc = GetOneValue(Cap, type, text, Op);
  if (cc != TWCC_SUCCESS) return cc;
  if (type != itUInt16) return TWCC_CAPUNSUPPORTED;
  Value = static_cast<unsigned short>(TextToInt(text, 0xFFFF));
  return TWCC_SUCCESS;
}

TConditionCode TTwainSource::GetFIX32Value(unsigned short Cap, double& Value, TCapOperation Op)
{
  TItemType type;
  AnsiString text;
  TConditionCode cc = GetOneValue(Cap, type, text, Op);
  if (cc != TWCC_SUCCESS) return cc;
  if (type != itFix32) return TWCC_CAPUNSUPPORTED;
  Value = TextToFloat(text);
  return TWCC_SUCCESS;
}

TConditionCode TTwainSource::GetBOOLValue(unsigned short Cap, bool& Value, TCapOperation Op)
{
  TItemType type;
  AnsiString text;
  TConditionCode cc = GetOneValue(Cap, type, text, Op);
  if (cc != TWCC_SUCCESS) return cc;
  if (type != itBool) return TWCC_CAPUNSUPPORTED;
  Value = TextToInt(text, 0) != 0;
  return TWCC_SUCCESS;
}

TConditionCode TTwainSource::GetUINT16Enumeration(unsigned short Cap, TStringList* Values, unsigned short& Current,
                                                  TCapOperation Op)
{
  TItemType type;
  unsigned int defaultIndex = 0, currentIndex = 0;
  TConditionCode cc = GetEnumerationValue(Cap, type, Values, defaultIndex, currentIndex, Op);
  if (cc != TWCC_SUCCESS) return cc;
  if (type != itUInt16) return TWCC_CAPUNSUPPORTED;
  const unsigned int index = Op == coGetDefault ? defaultIndex : currentIndex;
  if (index >= unsigned(Values->GetCount())) return TWCC_BADVALUE;
  Current = static_cast<unsigned short>(TextToInt(Values->Get(static_cast<int>(index)), 0xFFFF));
  return TWCC_SUCCESS;
}

// ---------------------------------------------------------------------------------------------------
// Writers

TReturnCode TTwainSource::SetCapability(unsigned short Cap, TContainerType ConType, void* hContainer)
{
  if (!Loaded) return TWRC_FAILURE;
  TW_CAPABILITY capability{Cap, ConType, hContainer};
  return static_cast<TReturnCode>(CallTwain(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability));
}

TReturnCode TTwainSource::SetOneValue(unsigned short Cap, TItemType Type, void* Value)
{
  if (!Loaded) return TWRC_FAILURE;
  const unsigned size = TwainItemSize(Type);
  TNewContainer container(std::max<size_t>(size + 2, sizeof(TW_ONEVALUE)));
  if (!container.Fill([&](unsigned char* data) {
        Put<TW_UINT16>(data, Type);
        std::memcpy(data + 2, Value, size);
      }))
    return TWRC_FAILURE;
  return SetCapability(Cap, ctOneValue, container.Get());
}

TReturnCode TTwainSource::SetRangeValue(unsigned short Cap, TItemType Type, TW_NUM32 Min, TW_NUM32 Max, TW_NUM32 Step,
                                        TW_NUM32 Current)
{
  if (!Loaded || TwainItemSize(Type) > 4) return TWRC_FAILURE;
  TNewContainer container(sizeof(TW_RANGE));
  if (!container.Fill([&](unsigned char* data) {
        TW_RANGE range{Type, Min, Max, Step, 0xFFFFFFFFul, Current};
        std::memcpy(data, &range, sizeof range);
      }))
    return TWRC_FAILURE;
  return SetCapability(Cap, ctRange, container.Get());
}

namespace {

// The item list of an enumeration or array: each item copied from the pointer the list holds.
void PutItems(unsigned char* at, TList* items, unsigned size)
{
  for (int i = 0; i < items->GetCount(); ++i) std::memcpy(at + size_t(i) * size, items->Get(i), size);
}

}  // namespace

TReturnCode TTwainSource::SetEnumerationValue(unsigned short Cap, TItemType Type, TList* Items, unsigned int CurrentIndex)
{
  if (!Loaded || !Items || Items->GetCount() == 0) return TWRC_FAILURE;
  const unsigned size = TwainItemSize(Type);
  const TW_UINT32 count = static_cast<TW_UINT32>(Items->GetCount());
  TNewContainer container(size_t(size) * count + offsetof(TW_ENUMERATION, ItemList) + 1);
  if (!container.Fill([&](unsigned char* data) {
        Put<TW_UINT16>(data, Type);
        Put<TW_UINT32>(data + offsetof(TW_ENUMERATION, NumItems), count);
        Put<TW_UINT32>(data + offsetof(TW_ENUMERATION, CurrentIndex), CurrentIndex);
        Put<TW_UINT32>(data + offsetof(TW_ENUMERATION, DefaultIndex), 0xFFFFFFFFul);
        PutItems(data + offsetof(TW_ENUMERATION, ItemList), Items, size);
      }))
    return TWRC_FAILURE;
  return SetCapability(Cap, ctEnumeration, container.Get());
}

TReturnCode TTwainSource::SetArrayValue(unsigned short Cap, TItemType Type, TList* Items)
{
  if (!Loaded || !Items || Items->GetCount() == 0) return TWRC_FAILURE;
  const unsigned size = TwainItemSize(Type);
  const TW_UINT32 count = static_cast<TW_UINT32>(Items->GetCount());
  TNewContainer container(size_t(size) * count + offsetof(TW_ARRAY, ItemList) + 1);
  if (!container.Fill([&](unsigned char* data) {
        Put<TW_UINT16>(data, Type);
        Put<TW_UINT32>(data + offsetof(TW_ARRAY, NumItems), count);
        PutItems(data + offsetof(TW_ARRAY, ItemList), Items, size);
      }))
    return TWRC_FAILURE;
  return SetCapability(Cap, ctArray, container.Get());
}

TReturnCode TTwainSource::SetUINT16Value(unsigned short Cap, unsigned short Value)
{
  return SetOneValue(Cap, itUInt16, &Value);
}

// ---------------------------------------------------------------------------------------------------
// Capabilities

TConditionCode TTwainSource::GetTypedList(unsigned short Cap, TContainerTypes Containers, TItemType Want,
                                          TCapOperation Op, TStringList* Values, AnsiString& Current)
{
  TItemType type;
  const TConditionCode cc = GetSupportedValues(Cap, type, Values, Current, Containers, Op);
  if (cc != TWCC_SUCCESS) return cc;
  return type == Want ? TWCC_SUCCESS : TWCC_BADCAP;
}

namespace {

TContainerTypes OneValueOrEnumeration() { return TContainerTypes() << ctOneValue << ctEnumeration; }

}  // namespace

TConditionCode TTwainSource::GetUINT16List(unsigned short Cap, unsigned char High, unsigned char& Current,
                                           unsigned& Members, TCapOperation Op)
{
  auto list = std::make_unique<TStringList>();
  AnsiString current;
  const TConditionCode cc = GetTypedList(Cap, OneValueOrEnumeration(), itUInt16, Op, list.get(), current);
  if (cc != TWCC_SUCCESS) return cc;
  Members = 0;
  for (int i = 0; i < list->GetCount(); ++i) {
    const unsigned value = TextToInt(list->Get(i), 0xFFFF) & 0xFF;
    if (value <= High) Members |= 1u << value;
  }
  Current = static_cast<unsigned char>(TextToInt(current, 0xFFFF) & 0xFF);
  return TWCC_SUCCESS;
}

namespace {

template <class S, class E>
S MembersToSet(unsigned members, E high)
{
  S set;
  for (unsigned e = 0; e <= unsigned(high); ++e)
    if (members & (1u << e)) set << static_cast<E>(e);
  return set;
}

}  // namespace

// The list getters differ only in capability and member range.
#define OSTREL_TWAIN_LIST_GETTER(Name, Cap, Enum, SetT, High)                                  \
  TConditionCode TTwainSource::Name(Enum& Current, SetT& Members, TCapOperation Op)           \
  {                                                                                            \
    unsigned char current = 0;                                                                 \
    unsigned members = 0;                                                                      \
    const TConditionCode cc = GetUINT16List(Cap, High, current, members, Op);                  \
    if (cc == TWCC_SUCCESS) {                                                                  \
      Members = MembersToSet<SetT>(members, static_cast<Enum>(High));                          \
      Current = static_cast<Enum>(current);                                                    \
    }                                                                                          \
    return cc;                                                                                 \
  }

OSTREL_TWAIN_LIST_GETTER(GetICapUnits, ICAP_UNITS, TTwainUnit, TTwainUnits, tuPixels)
OSTREL_TWAIN_LIST_GETTER(GetIPixelTypes, ICAP_PIXELTYPE, TPixelType, TPixelTypes, ptCIEXYZ)
OSTREL_TWAIN_LIST_GETTER(GetIPixelFlavors, ICAP_PIXELFLAVOR, TPixelFlavor, TPixelFlavors, pfVanilla)
OSTREL_TWAIN_LIST_GETTER(GetITransferModes, ICAP_XFERMECH, TTransferMode, TTransferModes, tmFile2)
#undef OSTREL_TWAIN_LIST_GETTER

TConditionCode TTwainSource::GetICapUnit(TTwainUnit& Value)
{
  TTwainUnits scratch;
  return GetICapUnits(Value, scratch, coGetCurrent);
}
TReturnCode TTwainSource::SetICapUnit(TTwainUnit Value) { return SetUINT16Value(ICAP_UNITS, Value); }

TConditionCode TTwainSource::GetIPixelType(TPixelType& Value)
{
  TPixelTypes scratch;
  return GetIPixelTypes(Value, scratch, coGetCurrent);
}
TReturnCode TTwainSource::SetIPixelType(TPixelType Value) { return SetUINT16Value(ICAP_PIXELTYPE, Value); }

TConditionCode TTwainSource::GetIPixelFlavor(TPixelFlavor& Value)
{
  TPixelFlavors scratch;
  return GetIPixelFlavors(Value, scratch, coGetCurrent);
}
TReturnCode TTwainSource::SetIPixelFlavor(TPixelFlavor Value) { return SetUINT16Value(ICAP_PIXELFLAVOR, Value); }

TConditionCode TTwainSource::GetITransferMode(TTransferMode& Value)
{
  TTransferModes scratch;
  return GetITransferModes(Value, scratch, coGetCurrent);
}

TReturnCode TTwainSource::ChangeTransferMode(TTransferMode Value)
{
  const TReturnCode rc = SetUINT16Value(ICAP_XFERMECH, Value);
  if (rc == TWRC_SUCCESS) TransferMode = Value;
  return rc;
}

TConditionCode TTwainSource::GetIBitDepths(unsigned short& Current, std::vector<unsigned short>& Depths,
                                           TCapOperation Op)
{
  auto list = std::make_unique<TStringList>();
  AnsiString current;
  const TConditionCode cc = GetTypedList(ICAP_BITDEPTH, OneValueOrEnumeration(), itUInt16, Op, list.get(), current);
  if (cc != TWCC_SUCCESS) return cc;
  Depths.clear();
  for (int i = 0; i < list->GetCount(); ++i) Depths.push_back(static_cast<unsigned short>(TextToInt(list->Get(i), 0)));
  Current = static_cast<unsigned short>(TextToInt(current, 0));
  return TWCC_SUCCESS;
}

TConditionCode TTwainSource::GetIBitDepth(unsigned short& Value)
{
  std::vector<unsigned short> scratch;
  return GetIBitDepths(Value, scratch, coGetCurrent);
}
TReturnCode TTwainSource::SetIBitDepth(unsigned short Value) { return SetUINT16Value(ICAP_BITDEPTH, Value); }

TConditionCode TTwainSource::GetResolution(unsigned short Cap, double& Current, std::vector<double>& Values,
                                           TCapOperation Op)
{
  auto list = std::make_unique<TStringList>();
  AnsiString current;
  const TConditionCode cc =
      GetTypedList(Cap, OneValueOrEnumeration() << ctRange, itFix32, Op, list.get(), current);
  if (cc != TWCC_SUCCESS) return cc;
  Values.clear();
  for (int i = 0; i < list->GetCount(); ++i) Values.push_back(TextToFloat(list->Get(i)));
  Current = TextToFloat(current);
  return TWCC_SUCCESS;
}

TConditionCode TTwainSource::GetIXResolution(double& Current, std::vector<double>& Values, TCapOperation Op)
{
  return GetResolution(ICAP_XRESOLUTION, Current, Values, Op);
}
TConditionCode TTwainSource::GetIYResolution(double& Current, std::vector<double>& Values, TCapOperation Op)
{
  return GetResolution(ICAP_YRESOLUTION, Current, Values, Op);
}

TReturnCode TTwainSource::SetIXResolution(double Value)
{
  TW_FIX32 fixed = FloatToFixed(Value);
  return SetOneValue(ICAP_XRESOLUTION, itFix32, &fixed);
}
TReturnCode TTwainSource::SetIYResolution(double Value)
{
  TW_FIX32 fixed = FloatToFixed(Value);
  return SetOneValue(ICAP_YRESOLUTION, itFix32, &fixed);
}

TConditionCode TTwainSource::GetIPhysicalWidth(double& Value, TCapOperation Op)
{
  return GetFIX32Value(ICAP_PHYSICALWIDTH, Value, Op);
}
TConditionCode TTwainSource::GetIPhysicalHeight(double& Value, TCapOperation Op)
{
  return GetFIX32Value(ICAP_PHYSICALHEIGHT, Value, Op);
}

TConditionCode TTwainSource::GetCapXferCount(short& Value, TCapOperation Op)
{
  TItemType type;
  AnsiString text;
  TConditionCode cc = GetOneValue(CAP_XFERCOUNT, type, text, Op);
  if (cc != TWCC_SUCCESS) return cc;
  if (type != itInt16) return TWCC_CAPUNSUPPORTED;
  Value = static_cast<short>(TextToInt(text, -1));
  return TWCC_SUCCESS;
}
TReturnCode TTwainSource::SetCapXferCount(short Value) { return SetOneValue(CAP_XFERCOUNT, itInt16, &Value); }

TConditionCode TTwainSource::GetUIControllable(bool& Value) { return GetBOOLValue(CAP_UICONTROLLABLE, Value, coGet); }
TConditionCode TTwainSource::GetFeederLoaded(bool& Value) { return GetBOOLValue(CAP_FEEDERLOADED, Value, coGet); }
TConditionCode TTwainSource::GetFeederEnabled(bool& Value) { return GetBOOLValue(CAP_FEEDERENABLED, Value, coGet); }
TConditionCode TTwainSource::GetAutoFeed(bool& Value) { return GetBOOLValue(CAP_AUTOFEED, Value, coGet); }
TReturnCode TTwainSource::SetAutoFeed(unsigned short Value) { return SetOneValue(CAP_AUTOFEED, itBool, &Value); }
TReturnCode TTwainSource::SetIndicators(unsigned short Value) { return SetOneValue(CAP_INDICATORS, itBool, &Value); }

TReturnCode TTwainSource::SetImageLayoutFrame(double Left, double Top, double Right, double Bottom)
{
  if (!Loaded) return TWRC_FAILURE;
  TW_IMAGELAYOUT layout{};
  layout.Frame = {FloatToFixed(Left), FloatToFixed(Top), FloatToFixed(Right), FloatToFixed(Bottom)};
  layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 0xFFFFFFFFul;
  return static_cast<TReturnCode>(CallTwain(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout));
}
