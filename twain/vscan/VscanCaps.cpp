// Capabilities and the image layout: what each capability offers (its container), its current and
// default values, and the rules MSG_SET checks.
#include "Vscan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace ostrel::vscan {
namespace {

constexpr double CmPerInch = 2.54;

// What a capability offers, item values as their 32-bit patterns (FIX32 packed, INT16 sign-extended).
struct CapInfo {
  TW_UINT16 Type = TWTY_UINT16;
  TW_UINT16 Kind = TWON_ONEVALUE;
  std::vector<TW_UINT32> Items;  // enumeration and array
  TW_UINT32 Min = 0, Max = 0, Step = 0;
  TW_UINT32 Current = 0;
  TW_UINT32 Default = 0;
  bool Settable = false;
};

const TW_UINT16 SupportedCaps[] = {
    CAP_XFERCOUNT,      CAP_SUPPORTEDCAPS,    CAP_UICONTROLLABLE,  CAP_FEEDERLOADED,  CAP_FEEDERENABLED,
    CAP_AUTOFEED,       CAP_INDICATORS,       ICAP_COMPRESSION,    ICAP_XFERMECH,     ICAP_PIXELTYPE,
    ICAP_PIXELFLAVOR,   ICAP_BITDEPTH,        ICAP_UNITS,          ICAP_XRESOLUTION,  ICAP_YRESOLUTION,
    ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT,  ICAP_IMAGEFILEFORMAT,
};

constexpr int ResolutionMin = 50, ResolutionMax = 600, ResolutionStep = 25;

size_t ItemSize(TW_UINT16 type)
{
  switch (type) {
  case TWTY_INT8:
  case TWTY_UINT8: return 1;
  case TWTY_INT16:
  case TWTY_UINT16:
  case TWTY_BOOL: return 2;
  default: return 4;
  }
}

TW_UINT32 Int16Bits(TW_INT16 v) { return static_cast<TW_UINT32>(static_cast<TW_INT32>(v)); }

CapInfo Enumeration(TW_UINT16 type, std::vector<TW_UINT32> items, TW_UINT32 current, TW_UINT32 def, bool settable)
{
  CapInfo c;
  c.Type = type;
  c.Kind = TWON_ENUMERATION;
  c.Items = std::move(items);
  c.Current = current;
  c.Default = def;
  c.Settable = settable;
  return c;
}

CapInfo OneValue(TW_UINT16 type, TW_UINT32 current, TW_UINT32 def, bool settable)
{
  CapInfo c;
  c.Type = type;
  c.Current = current;
  c.Default = def;
  c.Settable = settable;
  return c;
}

std::vector<int> ResolutionList(const Session& s)
{
  std::vector<int> list;
  if (s.Config.ResolutionContainer == ContainerKind::Enumeration) list = {75, 100, 150, 200, 300};
  if (std::find(list.begin(), list.end(), s.Config.Resolution) == list.end()) list.push_back(s.Config.Resolution);
  std::sort(list.begin(), list.end());
  return list;
}

bool ResolutionAllowed(const Session& s, int dpi)
{
  if (s.Config.ResolutionContainer == ContainerKind::Range)
    return dpi >= ResolutionMin && dpi <= ResolutionMax && (dpi - ResolutionMin) % ResolutionStep == 0;
  const auto list = ResolutionList(s);
  return std::find(list.begin(), list.end(), dpi) != list.end();
}

CapInfo Resolution(const Session& s, int current, int def)
{
  auto bits = [&](double dpi) { return Fix32Bits(DotsPerUnit(s, static_cast<int>(dpi)) ); };
  if (s.Config.ResolutionContainer == ContainerKind::Range) {
    CapInfo c;
    c.Type = TWTY_FIX32;
    c.Kind = TWON_RANGE;
    const double perUnit = s.Caps.Units == TWUN_CENTIMETERS ? 1 / CmPerInch : 1;
    c.Min = Fix32Bits(ResolutionMin * perUnit);
    c.Max = Fix32Bits(ResolutionMax * perUnit);
    c.Step = Fix32Bits(ResolutionStep * perUnit);
    c.Current = bits(current);
    c.Default = bits(def);
    c.Settable = true;
    return c;
  }
  if (s.Config.ResolutionContainer == ContainerKind::OneValue) return OneValue(TWTY_FIX32, bits(current), bits(def), true);
  std::vector<TW_UINT32> items;
  for (int dpi : ResolutionList(s)) items.push_back(bits(dpi));
  return Enumeration(TWTY_FIX32, items, bits(current), bits(def), true);
}

double InUnits(const Session& s, int thousandthsInch)
{
  const double inches = thousandthsInch / 1000.0;
  return s.Caps.Units == TWUN_CENTIMETERS ? inches * CmPerInch : inches;
}

int FromUnits(const Session& s, double value)
{
  const double inches = s.Caps.Units == TWUN_CENTIMETERS ? value / CmPerInch : value;
  return static_cast<int>(std::lround(inches * 1000));
}

std::optional<CapInfo> Describe(const Session& s, TW_UINT16 cap)
{
  const CapValues& c = s.Caps;
  const CapValues& d = s.Defaults;
  switch (cap) {
  case CAP_XFERCOUNT: return OneValue(TWTY_INT16, Int16Bits(c.XferCount), Int16Bits(d.XferCount), true);
  case CAP_SUPPORTEDCAPS: {
    CapInfo info;
    info.Kind = TWON_ARRAY;
    info.Items.assign(std::begin(SupportedCaps), std::end(SupportedCaps));
    return info;
  }
  case CAP_UICONTROLLABLE: return OneValue(TWTY_BOOL, 1, 1, false);
  case CAP_FEEDERLOADED: return OneValue(TWTY_BOOL, 1, 1, false);
  case CAP_FEEDERENABLED: return OneValue(TWTY_BOOL, c.FeederEnabled, d.FeederEnabled, true);
  case CAP_AUTOFEED: return OneValue(TWTY_BOOL, c.AutoFeed, d.AutoFeed, true);
  case CAP_INDICATORS: return OneValue(TWTY_BOOL, c.Indicators, d.Indicators, true);
  case ICAP_COMPRESSION: return Enumeration(TWTY_UINT16, {TWCP_NONE}, TWCP_NONE, TWCP_NONE, true);
  case ICAP_XFERMECH:
    return Enumeration(TWTY_UINT16, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY, TWSX_FILE2}, c.XferMech, d.XferMech, true);
  case ICAP_PIXELTYPE:
    return Enumeration(TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE, TWPT_CMY}, c.PixelType, d.PixelType,
                       true);
  case ICAP_PIXELFLAVOR:
    return Enumeration(TWTY_UINT16, {TWPF_CHOCOLATE, TWPF_VANILLA}, c.PixelFlavor, d.PixelFlavor, true);
  case ICAP_BITDEPTH: {
    const TW_UINT32 depth = static_cast<TW_UINT32>(BitDepth(c.PixelType));
    if (s.Config.BitDepthContainer == ContainerKind::Enumeration)
      return Enumeration(TWTY_UINT16, {depth}, depth, depth, true);
    return OneValue(TWTY_UINT16, depth, depth, true);
  }
  case ICAP_UNITS: return Enumeration(TWTY_UINT16, {TWUN_INCHES, TWUN_CENTIMETERS}, c.Units, d.Units, true);
  case ICAP_XRESOLUTION: return Resolution(s, c.XResolution, d.XResolution);
  case ICAP_YRESOLUTION: return Resolution(s, c.YResolution, d.YResolution);
  case ICAP_PHYSICALWIDTH: {
    const TW_UINT32 w = Fix32Bits(InUnits(s, s.Config.Width));
    return OneValue(TWTY_FIX32, w, w, false);
  }
  case ICAP_PHYSICALHEIGHT: {
    const TW_UINT32 h = Fix32Bits(InUnits(s, s.Config.Height));
    return OneValue(TWTY_FIX32, h, h, false);
  }
  case ICAP_IMAGEFILEFORMAT: return Enumeration(TWTY_UINT16, {TWFF_BMP}, TWFF_BMP, TWFF_BMP, true);
  }
  return std::nullopt;
}

bool OneOf(TW_UINT32 value, std::initializer_list<TW_UINT32> allowed)
{
  return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

// A value of the capability's type that MSG_SET brought; answers whether it was taken.
bool Apply(Session& s, TW_UINT16 cap, TW_UINT32 value)
{
  CapValues& c = s.Caps;
  const TW_UINT16 low = static_cast<TW_UINT16>(value & 0xffff);
  switch (cap) {
  case CAP_XFERCOUNT: {
    const auto count = static_cast<TW_INT16>(low);
    if (count != -1 && count < 1) return false;
    c.XferCount = count;
    return true;
  }
  case CAP_FEEDERENABLED:
  case CAP_AUTOFEED:
  case CAP_INDICATORS: {
    if (low > 1) return false;
    bool& flag = cap == CAP_FEEDERENABLED ? c.FeederEnabled : cap == CAP_AUTOFEED ? c.AutoFeed : c.Indicators;
    flag = low != 0;
    return true;
  }
  case ICAP_COMPRESSION: return low == TWCP_NONE;
  case ICAP_IMAGEFILEFORMAT: return low == TWFF_BMP;
  case ICAP_XFERMECH:
    if (!OneOf(low, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY, TWSX_FILE2})) return false;
    c.XferMech = low;
    return true;
  case ICAP_PIXELTYPE:
    if (!OneOf(low, {TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE, TWPT_CMY})) return false;
    c.PixelType = low;
    return true;
  case ICAP_PIXELFLAVOR:
    if (!OneOf(low, {TWPF_CHOCOLATE, TWPF_VANILLA})) return false;
    c.PixelFlavor = low;
    return true;
  case ICAP_BITDEPTH: return low == BitDepth(c.PixelType);
  case ICAP_UNITS:
    if (!OneOf(low, {TWUN_INCHES, TWUN_CENTIMETERS})) return false;
    c.Units = low;
    return true;
  case ICAP_XRESOLUTION:
  case ICAP_YRESOLUTION: {
    const double perUnit = Fix32Value(value);
    const int dpi = static_cast<int>(std::lround(c.Units == TWUN_CENTIMETERS ? perUnit * CmPerInch : perUnit));
    if (!ResolutionAllowed(s, dpi)) return false;
    (cap == ICAP_XRESOLUTION ? c.XResolution : c.YResolution) = dpi;
    return true;
  }
  }
  return false;
}

void ResetOne(Session& s, TW_UINT16 cap)
{
  CapValues& c = s.Caps;
  const CapValues& d = s.Defaults;
  switch (cap) {
  case CAP_XFERCOUNT: c.XferCount = d.XferCount; break;
  case CAP_FEEDERENABLED: c.FeederEnabled = d.FeederEnabled; break;
  case CAP_AUTOFEED: c.AutoFeed = d.AutoFeed; break;
  case CAP_INDICATORS: c.Indicators = d.Indicators; break;
  case ICAP_XFERMECH: c.XferMech = d.XferMech; break;
  case ICAP_PIXELTYPE: c.PixelType = d.PixelType; break;
  case ICAP_PIXELFLAVOR: c.PixelFlavor = d.PixelFlavor; break;
  case ICAP_UNITS: c.Units = d.Units; break;
  case ICAP_XRESOLUTION: c.XResolution = d.XResolution; break;
  case ICAP_YRESOLUTION: c.YResolution = d.YResolution; break;
  }
}

// A moveable global block the application frees; freed here unless handed over.
class GlobalBlock {
 public:
  explicit GlobalBlock(size_t size) : Handle_(GlobalAlloc(GHND, size))
  {
    if (!Handle_) throw std::bad_alloc();
  }
  ~GlobalBlock()
  {
    if (Handle_) GlobalFree(Handle_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  HGLOBAL Release()
  {
    HGLOBAL h = Handle_;
    Handle_ = nullptr;
    return h;
  }
  HGLOBAL Get() const { return Handle_; }

 private:
  HGLOBAL Handle_;
};

class Locked {
 public:
  explicit Locked(HGLOBAL h) : Handle_(h), Data_(h ? static_cast<TW_UINT8*>(GlobalLock(h)) : nullptr) {}
  ~Locked()
  {
    if (Data_) GlobalUnlock(Handle_);
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
  TW_UINT8* Data() const { return Data_; }

 private:
  HGLOBAL Handle_;
  TW_UINT8* Data_;
};

void PutItem(TW_UINT8* at, TW_UINT16 type, TW_UINT32 value)
{
  std::memcpy(at, &value, ItemSize(type));
}

TW_UINT32 IndexOf(const std::vector<TW_UINT32>& items, TW_UINT32 value)
{
  const auto it = std::find(items.begin(), items.end(), value);
  return it == items.end() ? 0 : static_cast<TW_UINT32>(it - items.begin());
}

// The container of one capability: the whole offer, or one value of it.
HGLOBAL Container(const CapInfo& info, TW_UINT16 kind, TW_UINT32 one, bool indexPastEnd)
{
  const size_t item = ItemSize(info.Type);
  size_t size = sizeof(TW_ONEVALUE);
  if (kind == TWON_RANGE) size = sizeof(TW_RANGE);
  if (kind == TWON_ENUMERATION) size = offsetof(TW_ENUMERATION, ItemList) + info.Items.size() * item;
  if (kind == TWON_ARRAY) size = offsetof(TW_ARRAY, ItemList) + info.Items.size() * item;
  GlobalBlock block(size);
  {
    Locked lock(block.Get());
    TW_UINT8* p = lock.Data();
    if (!p) throw std::bad_alloc();
    if (kind == TWON_ONEVALUE) {
      auto* v = reinterpret_cast<TW_ONEVALUE*>(p);
      v->ItemType = info.Type;
      v->Item = one;
    } else if (kind == TWON_RANGE) {
      auto* r = reinterpret_cast<TW_RANGE*>(p);
      r->ItemType = info.Type;
      r->MinValue = info.Min;
      r->MaxValue = info.Max;
      r->StepSize = info.Step;
      r->DefaultValue = info.Default;
      r->CurrentValue = info.Current;
    } else if (kind == TWON_ENUMERATION) {
      auto* e = reinterpret_cast<TW_ENUMERATION*>(p);
      e->ItemType = info.Type;
      e->NumItems = static_cast<TW_UINT32>(info.Items.size());
      e->CurrentIndex = indexPastEnd ? e->NumItems : IndexOf(info.Items, info.Current);
      e->DefaultIndex = IndexOf(info.Items, info.Default);
      for (size_t i = 0; i < info.Items.size(); ++i)
        PutItem(p + offsetof(TW_ENUMERATION, ItemList) + i * item, info.Type, info.Items[i]);
    } else {
      auto* a = reinterpret_cast<TW_ARRAY*>(p);
      a->ItemType = info.Type;
      a->NumItems = static_cast<TW_UINT32>(info.Items.size());
      for (size_t i = 0; i < info.Items.size(); ++i)
        PutItem(p + offsetof(TW_ARRAY, ItemList) + i * item, info.Type, info.Items[i]);
    }
  }
  return block.Release();
}

Answer Answering(const Session& s, TW_CAPABILITY* cap, const CapInfo& info, TW_UINT16 msg)
{
  const bool whole = msg == MSG_GET || msg == MSG_RESET || info.Kind == TWON_ARRAY;
  const TW_UINT16 kind = whole ? info.Kind : TWON_ONEVALUE;
  cap->hContainer =
      Container(info, kind, msg == MSG_GETDEFAULT ? info.Default : info.Current, s.Config.EnumerationIndexPastEnd);
  cap->ConType = kind;
  return Ok();
}

std::optional<TW_UINT32> SetValue(const TW_CAPABILITY* cap, TW_UINT16 type)
{
  if (cap->ConType != TWON_ONEVALUE || !cap->hContainer) return std::nullopt;
  if (GlobalSize(cap->hContainer) < sizeof(TW_ONEVALUE)) return std::nullopt;
  Locked lock(cap->hContainer);
  if (!lock.Data()) return std::nullopt;
  TW_ONEVALUE v;
  std::memcpy(&v, lock.Data(), sizeof v);
  if (v.ItemType != type) return std::nullopt;
  return v.Item;
}

Frame DefaultFrame(const Session& s) { return {0, 0, s.Config.Width, s.Config.Height}; }

}  // namespace

TW_FIX32 ToFix32(double value)
{
  const long bits = std::lround(value * 65536.0);
  TW_FIX32 f;
  f.Whole = static_cast<TW_INT16>(bits >> 16);
  f.Frac = static_cast<TW_UINT16>(bits & 0xffff);
  return f;
}

double FromFix32(TW_FIX32 f) { return f.Whole + f.Frac / 65536.0; }

TW_UINT32 Fix32Bits(double value)
{
  const TW_FIX32 f = ToFix32(value);
  TW_UINT32 bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

double Fix32Value(TW_UINT32 bits)
{
  TW_FIX32 f;
  std::memcpy(&f, &bits, sizeof f);
  return FromFix32(f);
}

double DotsPerUnit(const Session& s, int dpi) { return s.Caps.Units == TWUN_CENTIMETERS ? dpi / CmPerInch : dpi; }

int BitDepth(TW_UINT16 pixelType)
{
  switch (pixelType) {
  case TWPT_BW: return 1;
  case TWPT_GRAY:
  case TWPT_PALETTE: return 8;
  default: return 24;
  }
}

int ImageWidth(const Session& s) { return (s.Layout.Right - s.Layout.Left) * s.Caps.XResolution / 1000; }
int ImageHeight(const Session& s) { return (s.Layout.Bottom - s.Layout.Top) * s.Caps.YResolution / 1000; }

void ResetCapabilities(Session& s)
{
  CapValues d;
  d.XferMech = s.Config.TransferMode;
  d.PixelType = s.Config.PixelType;
  d.PixelFlavor = s.Config.PixelFlavor;
  int dpi = s.Config.Resolution;
  if (s.Config.ResolutionContainer == ContainerKind::Range)
    dpi = ResolutionMin + (dpi - ResolutionMin + ResolutionStep / 2) / ResolutionStep * ResolutionStep;
  s.Config.Resolution = dpi;
  d.XResolution = d.YResolution = dpi;
  s.Defaults = d;
  s.Caps = d;
  s.Layout = DefaultFrame(s);
}

Answer Capability(Session& s, TW_UINT16 msg, TW_CAPABILITY* cap)
{
  if (!cap) return Fail(TWCC_BADVALUE);
  const auto described = Describe(s, cap->Cap);
  if (!described) return Fail(TWCC_CAPUNSUPPORTED);
  if (msg == MSG_SET) {
    if (!described->Settable) return Fail(TWCC_CAPBADOPERATION);
    const auto value = SetValue(cap, described->Type);
    if (!value || !Apply(s, cap->Cap, *value)) return Fail(TWCC_BADVALUE);
    return Ok();
  }
  if (msg != MSG_RESET) return Answering(s, cap, *described, msg);
  ResetOne(s, cap->Cap);
  return Answering(s, cap, Describe(s, cap->Cap).value(), msg);
}

Answer ImageLayout(Session& s, TW_UINT16 msg, TW_IMAGELAYOUT* layout)
{
  if (!layout) return Fail(TWCC_BADVALUE);
  if (msg == MSG_SET) {
    const Frame f{FromUnits(s, FromFix32(layout->Frame.Left)), FromUnits(s, FromFix32(layout->Frame.Top)),
                  FromUnits(s, FromFix32(layout->Frame.Right)), FromUnits(s, FromFix32(layout->Frame.Bottom))};
    // At least 40 pixels each way at the lowest resolution, for the chart to be drawn whole.
    const int least = 40 * 1000 / ResolutionMin;
    if (f.Left < 0 || f.Top < 0 || f.Right > s.Config.Width || f.Bottom > s.Config.Height ||
        f.Right - f.Left < least || f.Bottom - f.Top < least)
      return Fail(TWCC_BADVALUE);
    s.Layout = f;
    return Ok();
  }
  if (msg == MSG_RESET) s.Layout = DefaultFrame(s);
  const Frame f = msg == MSG_GETDEFAULT ? DefaultFrame(s) : s.Layout;
  layout->Frame.Left = ToFix32(InUnits(s, f.Left));
  layout->Frame.Top = ToFix32(InUnits(s, f.Top));
  layout->Frame.Right = ToFix32(InUnits(s, f.Right));
  layout->Frame.Bottom = ToFix32(InUnits(s, f.Bottom));
  layout->DocumentNumber = 1;
  layout->PageNumber = static_cast<TW_UINT32>(s.PagesDone + 1);
  layout->FrameNumber = 1;
  return Ok();
}

}  // namespace ostrel::vscan
