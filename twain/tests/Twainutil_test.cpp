// The TWAIN component without a data source: FIX32 numbers, item texts, the container decoders
// (with blocks that end at an inaccessible page), identities, and what the component sends to the
// source manager, seen on its trace channel.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <random>

#include "Classes.h"
#include "Qeltwain.h"
#include "SysUtils.h"
#include "TwainTestSupport.h"
#include "Twainutil.h"

TEST(TwainFixed, ConvertsBothWays)
{
  struct Case {
    double value;
    int whole;
    unsigned frac;
    double back;
  } cases[] = {
      {300.0, 300, 0, 300.0},
      {0.5, 0, 32768, 0.5},
      {-1.25, -1, 16384, -0.75},       // a negative fraction does not come back
      {299.999995, 300, 0, 300.0},     // a fraction that rounds to a whole unit carries into the whole part
      {-299.999995, -300, 0, -300.0},
      {299.99999, 299, 65535, 299 + 65535 / 65536.0},  // the nearest 65536th
      {100.0 / 3, 33, 21845, 33 + 21845 / 65536.0},
  };
  for (const Case& c : cases) {
    const TW_FIX32 fixed = FloatToFixed(c.value);
    EXPECT_EQ(fixed.Whole, c.whole) << c.value;
    EXPECT_EQ(fixed.Frac, c.frac) << c.value;
    EXPECT_DOUBLE_EQ(FixedToFloat(fixed), c.back) << c.value;
  }
}

TEST(TwainItems, RenderEveryTypeAsText)
{
  unsigned char item[1024] = {};
  auto put = [&](const void* bytes, size_t size) {
    std::memset(item, 0, sizeof item);
    std::memcpy(item, bytes, size);
  };
  const short minus = -2;
  put(&minus, 2);
  EXPECT_EQ(TTwainSource::GetAsString(item, itInt16), "-2");
  EXPECT_EQ(TTwainSource::GetAsDouble(item, itInt16), -2.0);
  EXPECT_EQ(TTwainSource::GetAsString(item, itUInt16), "65534");
  const TW_UINT32 big = 4000000000ul;
  put(&big, 4);
  EXPECT_EQ(TTwainSource::GetAsString(item, itUInt32), "4000000000");
  EXPECT_EQ(TTwainSource::GetAsString(item, itInt32), "-294967296");
  put("A", 1);
  EXPECT_EQ(TTwainSource::GetAsString(item, itInt8), "A");
  EXPECT_EQ(TTwainSource::GetAsString(item, itUInt8), "65");
  const TW_FIX32 half = FloatToFixed(0.5);
  put(&half, 4);
  EXPECT_EQ(TTwainSource::GetAsString(item, itFix32), "0.5");
  EXPECT_EQ(TTwainSource::GetAsDouble(item, itFix32), 0.5);
  EXPECT_EQ(TTwainSource::GetAsDouble(item, itFrame), 4294967295.0);
  EXPECT_EQ(TTwainSource::GetAsString(item, itFrame), "");
  // A text fills its whole item; one without a terminator stops at the item's end.
  put("Flatbed glass", 14);
  EXPECT_EQ(TTwainSource::GetAsString(item, itStr32), "Flatbed glass");
  std::memset(item, 'x', sizeof item);
  EXPECT_EQ(TTwainSource::GetAsString(item, itStr32).Length(), 34);
  EXPECT_EQ(TTwainSource::GetAsString(item, itStr255).Length(), 256);
  const wchar_t hebrew[] = L"סורק";
  put(hebrew, sizeof hebrew);
  EXPECT_EQ(TTwainSource::GetAsString(item, itUni512), "סורק");
  const unsigned sizes[] = {1, 2, 4, 1, 2, 4, 2, 4, 16, 34, 66, 130, 256, 0, 1024, 0};
  for (unsigned t = 0; t < 16; ++t) EXPECT_EQ(TwainItemSize(static_cast<TItemType>(t)), sizes[t]) << t;
}

namespace {

// A block that ends exactly where an inaccessible page begins: a read past it faults.
class GuardedBlock {
public:
  GuardedBlock()
  {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    FPage = info.dwPageSize;
    FBase = static_cast<unsigned char*>(VirtualAlloc(nullptr, 2 * FPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    VirtualProtect(FBase + FPage, FPage, PAGE_NOACCESS, &old);
  }
  ~GuardedBlock() { VirtualFree(FBase, 0, MEM_RELEASE); }
  // Room for size bytes (at most a page) ending at the guard.
  unsigned char* At(size_t size) { return FBase + FPage - size; }
  size_t Page() const { return FPage; }

private:
  unsigned char* FBase;
  size_t FPage;
};

template <class T>
void Put(unsigned char* at, T value)
{
  std::memcpy(at, &value, sizeof value);
}

}  // namespace

TEST(TwainContainers, MalformedBlocksAnswerBadCapAndStayInside)
{
  GuardedBlock guard;
  std::mt19937 random(20261208);
  const TW_UINT32 counts[] = {0, 1, 2, 7, 255, 0x7FFFFFFF, 0xFFFFFFFF, 0x40000000, 0x10000001};
  int refused = 0, decoded = 0;
  auto values = std::make_unique<TStringList>();
  for (int run = 0; run < 5000; ++run) {
    const size_t size = random() % 3 == 0 ? random() % 16 : random() % 600;
    unsigned char* block = guard.At(size);
    for (size_t i = 0; i < size; ++i) block[i] = static_cast<unsigned char>(random());
    const TW_UINT16 type = random() % 4 == 0 ? static_cast<TW_UINT16>(random()) : static_cast<TW_UINT16>(random() % 16);
    if (size >= 2) Put(block, type);
    if (size >= 6) Put<TW_UINT32>(block + 2, counts[random() % (sizeof counts / sizeof counts[0])]);
    TItemType itemType = itUInt16;
    TConditionCode cc;
    switch (run % 4) {
    case 0: {
      AnsiString value;
      cc = ReadOneValueBlock({block, size}, itemType, value);
      break;
    }
    case 1: {
      TW_NUM32 fields[5];
      cc = ReadRangeBlock({block, size}, itemType, fields);
      break;
    }
    default: {
      const TContainerType kind = run % 4 == 2 ? ctEnumeration : ctArray;
      unsigned int defaultIndex = 0, currentIndex = 0;
      cc = ReadItemListBlock({block, size}, kind, itemType, values.get(), defaultIndex, currentIndex);
      if (cc == TWCC_SUCCESS) {
        // What was decoded fits the block.
        const size_t listOffset = kind == ctEnumeration ? 14 : 6;
        EXPECT_LE(size_t(values->GetCount()) * TwainItemSize(itemType), size - listOffset);
      }
      break;
    }
    }
    ASSERT_TRUE(cc == TWCC_SUCCESS || cc == TWCC_BADCAP) << "run " << run << " answered " << int(cc);
    (cc == TWCC_SUCCESS ? decoded : refused) += 1;
  }
  // The seeded mix holds both outcomes in quantity.
  EXPECT_GT(refused, 1000);
  EXPECT_GT(decoded, 500);
}

TEST(TwainContainers, RangeWalkStopsOnBadStepsAndAtTheLimit)
{
  auto walk = [](TItemType type, TW_NUM32 min, TW_NUM32 max, TW_NUM32 step) {
    auto list = std::make_unique<TStringList>();
    WalkRange(type, min, max, step, list.get());
    return list->GetCount() ? list->GetCount() : 0;
  };
  auto fix = [](double v) {
    TW_FIX32 f = FloatToFixed(v);
    TW_NUM32 n;
    std::memcpy(&n, &f, 4);
    return n;
  };
  EXPECT_EQ(walk(itFix32, fix(50), fix(200), fix(50)), 4);
  EXPECT_EQ(walk(itFix32, fix(50), fix(200), fix(0)), 1);      // a step of 0 yields the minimum
  EXPECT_EQ(walk(itInt32, 5, 10, 0xFFFFFFFF), 1);              // so does a negative step
  EXPECT_EQ(walk(itUInt32, 0, 0xFFFFFFFF, 1), TwainRangeLimit);
  EXPECT_EQ(walk(itUInt16, 9, 3, 1), 0);
}

TEST(TwainContainers, GivenHandlesAreBoundedByTheirBlockAndFreed)
{
  TQelTwain twain(nullptr);
  TTwainSource source(&twain, 0, tmMemory);
  // An enumeration that claims more items than its block holds.
  HGLOBAL handle = GlobalAlloc(GHND, 14 + 4);
  auto* data = static_cast<unsigned char*>(GlobalLock(handle));
  Put<TW_UINT16>(data, TWTY_UINT16);
  Put<TW_UINT32>(data + 2, 3);
  GlobalUnlock(handle);
  auto values = std::make_unique<TStringList>();
  TItemType type;
  unsigned int defaultIndex = 7, currentIndex = 7;
  EXPECT_EQ(source.GetEnumerationValue(ICAP_PIXELTYPE, type, values.get(), defaultIndex, currentIndex, coGet, handle),
            TWCC_BADCAP);
  EXPECT_EQ(defaultIndex, 7u);
  EXPECT_EQ(GlobalSize(handle), 0u) << "the reader frees the container it was given";
  // A one value holding a whole text.
  handle = GlobalAlloc(GHND, 2 + 34);
  data = static_cast<unsigned char*>(GlobalLock(handle));
  Put<TW_UINT16>(data, TWTY_STR32);
  std::strcpy(reinterpret_cast<char*>(data + 2), "Virtual glass");
  GlobalUnlock(handle);
  AnsiString text;
  EXPECT_EQ(source.GetOneValue(0x8001, type, text, coGet, handle), TWCC_SUCCESS);
  EXPECT_EQ(text, "Virtual glass");
  EXPECT_EQ(type, itStr32);
  // Without a container, a closed source is not asked.
  EXPECT_EQ(source.GetOneValue(ICAP_UNITS, type, text), TWCC_SEQERROR);
  unsigned short value = 5;
  EXPECT_EQ(source.GetUINT16Value(ICAP_UNITS, value), TWCC_SEQERROR);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(source.SetUINT16Value(ICAP_UNITS, 1), TWRC_FAILURE);
  auto items = std::make_unique<TList>();
  EXPECT_EQ(source.SetEnumerationValue(ICAP_UNITS, itUInt16, items.get(), 0), TWRC_FAILURE);
}

TEST(TwainIdentity, DefaultsTextsAndGroups)
{
  TTwainIdentity identity;
  const TW_IDENTITY& raw = *identity.GetIdentity();
  EXPECT_EQ(raw.Id, 0u);
  EXPECT_EQ(raw.Version.MajorNum, 1);
  EXPECT_EQ(raw.Version.Language, TWLG_USERLOCALE);
  EXPECT_EQ(raw.Version.Country, TWCY_USA);
  EXPECT_EQ(raw.ProtocolMajor, 1);
  EXPECT_EQ(raw.ProtocolMinor, 9);
  EXPECT_EQ(raw.SupportedGroups, DG_CONTROL | DG_IMAGE);
  EXPECT_EQ(identity.GetVersioInfo(), "Application name");
  EXPECT_EQ(identity.GetManufacturer(), "Application manufacturer");
  EXPECT_EQ(identity.GetProductFamily(), "App product family");
  EXPECT_EQ(identity.GetProductName(), "App product name");

  identity.SetProductName("0123456789012345678901234567890123456789");
  EXPECT_EQ(identity.GetProductName(), "012345678901234567890123456789012");
  EXPECT_EQ(raw.ProductName[33], '\0');
  // A cut never splits a character: 17 Hebrew letters are 34 bytes, 16 of them fit.
  identity.SetManufacturer("אבגדהוזחטיכלמנסעפ");
  EXPECT_EQ(identity.GetManufacturer(), "אבגדהוזחטיכלמנסע");

  identity.SetGroups(TTwainGroups());
  EXPECT_EQ(raw.SupportedGroups, DG_CONTROL);
  EXPECT_TRUE(identity.GetGroups() == TTwainGroups() << tgControl);
  identity.SetGroups(TTwainGroups() << tgAudio);
  EXPECT_EQ(raw.SupportedGroups, DG_CONTROL | DG_AUDIO);

  TQelTwain twain(nullptr);
  TTwainSource source(&twain, 3, tmFile);
  source.SetProductName("Copied");
  identity.Assign(&source);
  EXPECT_EQ(identity.GetProductName(), "Copied");
  EXPECT_EQ(identity.Owner, nullptr) << "the owner stays";
  twain.SetAppIdentity(&source);
  EXPECT_EQ(twain.GetAppIdentity()->GetProductName(), "Copied");
  EXPECT_EQ(twain.GetAppIdentity()->GetOwner(), &twain);
  auto list = std::make_unique<TStringList>();
  EXPECT_THROW(identity.Assign(list.get()), EConvertError);
}

TEST(TwainComponent, VirtualWindowAndPaletteRegistration)
{
  TQelTwain twain(nullptr);
  HWND window = twain.WindowHandle;
  ASSERT_NE(window, nullptr);
  char text[64];
  GetClassNameA(window, text, sizeof text);
  EXPECT_STREQ(text, "QelTwain");
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "Qel Twain");
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(reinterpret_cast<TQelTwain*>(GetWindowLongPtrA(window, GWLP_USERDATA)), &twain);
  EXPECT_EQ(twain.TransferMode, tmMemory);
  {
    TQelTwain second(nullptr);
    EXPECT_NE(second.WindowHandle, nullptr) << "a second component finds the class registered";
  }

  EXPECT_THROW(Qeltwain::Register(), EComponentError);
  static AnsiString page;
  static TMetaClass* registered = nullptr;
  RegisterComponentsProc = [](const AnsiString& p, TMetaClass* const* classes, int count) {
    page = p;
    registered = count == 1 ? classes[0] : nullptr;
  };
  Qeltwain::Register();
  RegisterComponentsProc = nullptr;
  EXPECT_EQ(page, "Qel System");
  EXPECT_EQ(registered, TQelTwain::StaticClass());
}

TEST(TwainComponent, ManagerCallsAsTheTraceShowsThem)
{
  twaintest::TraceLines trace;
  TQelTwain twain(nullptr);
  EXPECT_EQ(twain.CallTwain(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &twain.WindowHandle), TWRC_FAILURE);
  EXPECT_EQ(trace.Count("not loaded"), 1) << "nothing is called before the library is loaded";
  EXPECT_FALSE(twain.LoadSourceManager());
  EXPECT_EQ(twain.GetSourceCount(), 0);
  EXPECT_EQ(twain.GetSource(0), nullptr);

  ASSERT_TRUE(twain.LoadLibraryA());
  EXPECT_NE(twain.DsmEntry, nullptr);
  EXPECT_EQ(twain.GetSourceCount(), 0) << "the manager is not open";
  EXPECT_EQ(trace.Count("DSM_Entry"), 0) << "and is not called";
  ASSERT_TRUE(twain.LoadSourceManager());
  EXPECT_TRUE(twain.LoadSourceManager());
  EXPECT_EQ(trace.Count("DSM_Entry manager DG=1 DAT=0x0004 MSG=0x0301"), 1) << "a second open sends nothing";
  EXPECT_TRUE(twain.UnloadSourceManager(true));
  EXPECT_EQ(trace.Count("MSG=0x0302"), 0) << "forgetting the manager does not close it";
  EXPECT_FALSE(twain.SourceManagerLoaded);
  // Forgetting is for right before the library goes; a fresh library opens a fresh manager.
  ASSERT_TRUE(twain.UnloadLibrary());
  ASSERT_TRUE(twain.LoadLibraryA());
  ASSERT_TRUE(twain.LoadSourceManager());
  EXPECT_TRUE(twain.UnloadLibrary());
  EXPECT_EQ(trace.Count("MSG=0x0302 -> 0"), 1) << "unloading the library closes the manager";
  EXPECT_FALSE(twain.LibraryLoaded);
  EXPECT_FALSE(twain.SourceManagerLoaded);
}
