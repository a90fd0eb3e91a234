// The virtual scanner as an application meets it: through Wine's own source manager (twain_32,
// ordinal 1), with a hidden window of the test's own for the manager's notifications. Settings go to
// the registry before each open, as they would from outside the process.
#include "Twain.h"
#include "Vscanchart.h"

#include "GuiTest.h"
#include "TwainTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace ostrel::test;
using namespace ostrel::vscan;
using twaintest::ScannerSettings;

namespace {

TW_UINT32 Fix(double v)
{
  const long bits = std::lround(v * 65536.0);
  TW_FIX32 f{static_cast<TW_INT16>(bits >> 16), static_cast<TW_UINT16>(bits & 0xffff)};
  TW_UINT32 out;
  std::memcpy(&out, &f, sizeof out);
  return out;
}

double Unfix(TW_UINT32 bits)
{
  TW_FIX32 f;
  std::memcpy(&f, &bits, sizeof f);
  return f.Whole + f.Frac / 65536.0;
}

size_t ItemSize(TW_UINT16 type) { return type == TWTY_INT16 || type == TWTY_UINT16 || type == TWTY_BOOL ? 2 : 4; }

// A capability container read back into plain numbers (FIX32 as double, INT16 with its sign).
struct Decoded {
  TW_UINT16 ConType = 0;
  TW_UINT16 ItemType = 0;
  std::vector<double> Items;
  double Current = 0, Min = 0, Max = 0, Step = 0;
};

double ItemValue(TW_UINT16 type, const void* at)
{
  if (type == TWTY_FIX32) {
    TW_UINT32 bits;
    std::memcpy(&bits, at, 4);
    return Unfix(bits);
  }
  if (type == TWTY_INT16) {
    TW_INT16 v;
    std::memcpy(&v, at, 2);
    return v;
  }
  if (ItemSize(type) == 2) {
    TW_UINT16 v;
    std::memcpy(&v, at, 2);
    return v;
  }
  TW_UINT32 v;
  std::memcpy(&v, at, 4);
  return v;
}

Decoded Decode(TW_CAPABILITY& cap)
{
  Decoded d;
  d.ConType = cap.ConType;
  auto* p = static_cast<const TW_UINT8*>(GlobalLock(cap.hContainer));
  if (!p) return d;
  d.ItemType = *reinterpret_cast<const TW_UINT16*>(p);
  if (cap.ConType == TWON_ONEVALUE) {
    d.Current = ItemValue(d.ItemType, p + offsetof(TW_ONEVALUE, Item));
    d.Items = {d.Current};
  } else if (cap.ConType == TWON_RANGE) {
    auto* r = reinterpret_cast<const TW_RANGE*>(p);
    d.Min = ItemValue(d.ItemType, &r->MinValue);
    d.Max = ItemValue(d.ItemType, &r->MaxValue);
    d.Step = ItemValue(d.ItemType, &r->StepSize);
    d.Current = ItemValue(d.ItemType, &r->CurrentValue);
  } else if (cap.ConType == TWON_ENUMERATION) {
    auto* e = reinterpret_cast<const TW_ENUMERATION*>(p);
    for (TW_UINT32 i = 0; i < e->NumItems; ++i)
      d.Items.push_back(ItemValue(d.ItemType, p + offsetof(TW_ENUMERATION, ItemList) + i * ItemSize(d.ItemType)));
    if (e->CurrentIndex < d.Items.size()) d.Current = d.Items[e->CurrentIndex];
  } else if (cap.ConType == TWON_ARRAY) {
    auto* a = reinterpret_cast<const TW_ARRAY*>(p);
    for (TW_UINT32 i = 0; i < a->NumItems; ++i)
      d.Items.push_back(ItemValue(d.ItemType, p + offsetof(TW_ARRAY, ItemList) + i * ItemSize(d.ItemType)));
  }
  GlobalUnlock(cap.hContainer);
  GlobalFree(cap.hContainer);
  cap.hContainer = nullptr;
  return d;
}

HGLOBAL OneValue(TW_UINT16 type, TW_UINT32 item)
{
  HGLOBAL h = GlobalAlloc(GHND, sizeof(TW_ONEVALUE));
  auto* v = static_cast<TW_ONEVALUE*>(GlobalLock(h));
  v->ItemType = type;
  v->Item = item;
  GlobalUnlock(h);
  return h;
}

uint32_t RowBytes(int width, int bits) { return ((width * bits + 7) / 8 + 3) & ~3u; }

std::vector<std::string> ReadLines(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string TempFile(const char* name)
{
  char folder[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

// The application side: the manager opened with a hidden window of ours, one source session at a
// time, and a message loop that passes every message to the source as MSG_PROCESSEVENT first.
class Scanner : public ::testing::Test {
 protected:
  void SetUp() override
  {
    static HMODULE manager = LoadLibraryW(L"twain_32.dll");
    ASSERT_NE(manager, nullptr);
    Dsm_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, MAKEINTRESOURCEA(1))));
    ASSERT_NE(Dsm_, nullptr);
    EventMessage_ = RegisterWindowMessageA("WINE TWAIN_32 EVENT");
    Window_ = std::make_unique<TestWindow>(RECT{100, 100, 300, 200}, [this](HWND h, UINT m, WPARAM, LPARAM, LRESULT&) {
      if (m == EventMessage_) Offer(h, m);
      return false;
    });
    ShowWindow(*Window_, SW_HIDE);
    Parent_ = *Window_;
    App_.Version.MajorNum = 1;
    App_.ProtocolMajor = TWON_PROTOCOLMAJOR;
    App_.ProtocolMinor = TWON_PROTOCOLMINOR;
    App_.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(App_.Manufacturer, "Ostrel");
    std::strcpy(App_.ProductFamily, "Tests");
    std::strcpy(App_.ProductName, "vscan_test");
    ASSERT_EQ(Manager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &Parent_), TWRC_SUCCESS);
  }

  void TearDown() override
  {
    Unwind();
    Manager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &Parent_);
  }

  TW_UINT16 Manager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data)
  {
    return Dsm_(&App_, nullptr, dg, dat, msg, data);
  }
  TW_UINT16 Ds(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data)
  {
    return Dsm_(&App_, &Source_, dg, dat, msg, data);
  }
  // DS_Entry of the loaded source itself, for what the manager would not pass on.
  TW_UINT16 Direct(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data)
  {
    HMODULE ds = GetModuleHandleW(L"sane.ds");
    auto entry = ds ? reinterpret_cast<DSENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(ds, "DS_Entry"))) : nullptr;
    EXPECT_NE(entry, nullptr);
    return entry ? entry(&App_, dg, dat, msg, data) : TWRC_FAILURE;
  }
  TW_UINT16 Status(bool direct = false)
  {
    TW_STATUS status{0xffff, 0};
    const TW_UINT16 rc = direct ? Direct(DG_CONTROL, DAT_STATUS, MSG_GET, &status)
                                : Ds(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    EXPECT_EQ(rc, TWRC_SUCCESS);
    return status.ConditionCode;
  }

  void Open()
  {
    Source_ = TW_IDENTITY{};
    std::strcpy(Source_.ProductName, "Ostrel Virtual Scanner");
    ASSERT_EQ(Manager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &Source_), TWRC_SUCCESS);
    Opened_ = true;
  }
  TW_UINT16 Close()
  {
    Opened_ = false;
    return Manager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &Source_);
  }
  TW_UINT16 Enable(bool showUI, bool modalUI = false)
  {
    TW_USERINTERFACE ui{showUI, modalUI, Parent_};
    return Ds(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  }
  // Leaves whatever state a test ended in, one step at a time (a step out of its state does nothing).
  void Unwind()
  {
    if (!Opened_) return;
    TW_PENDINGXFERS pending{};
    Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    TW_USERINTERFACE ui{};
    Ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    EXPECT_EQ(Close(), TWRC_SUCCESS);
  }

  // A message the source may claim: its notifications come back through MSG_PROCESSEVENT.
  bool Offer(HWND hwnd, UINT message)
  {
    MSG msg{hwnd, message, 0, 0, 0, {0, 0}};
    TW_EVENT event{&msg, MSG_NULL};
    if (Ds(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) != TWRC_DSEVENT) return false;
    if (event.TWMessage != MSG_NULL) Notifications_.push_back({event.TWMessage, hwnd});
    return true;
  }

  struct Notification {
    TW_UINT16 Msg = MSG_NULL;
    HWND Window = nullptr;
  };
  // The source's next notification, pumping as an application's loop does (bounded wait).
  Notification NextNotification()
  {
    const DWORD start = GetTickCount();
    while (Notifications_.empty() && GetTickCount() - start < 5000) {
      MSG msg;
      while (Notifications_.empty() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TW_EVENT event{&msg, MSG_NULL};
        if (Ds(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT) {
          if (event.TWMessage != MSG_NULL) Notifications_.push_back({event.TWMessage, msg.hwnd});
          continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      if (Notifications_.empty()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    if (Notifications_.empty()) return {};
    const Notification n = Notifications_.front();
    Notifications_.pop_front();
    return n;
  }

  // States of the source: 4 open, 5 enabled, 6 transfer ready, 7 transferring.
  void GoTo(int state)
  {
    Open();
    if (state == 3) {
      ASSERT_EQ(Close(), TWRC_SUCCESS);
      return;
    }
    if (state == 4) return;
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(NextNotification().Msg, MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    if (state == 5) {
      ASSERT_EQ(Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    }
    if (state == 7) {
      TW_HANDLE dib = nullptr;
      ASSERT_EQ(Ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
      GlobalFree(dib);
    }
  }

  Decoded Get(TW_UINT16 capability, TW_UINT16 msg = MSG_GET)
  {
    TW_CAPABILITY cap{capability, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(Ds(DG_CONTROL, DAT_CAPABILITY, msg, &cap), TWRC_SUCCESS);
    return cap.hContainer ? Decode(cap) : Decoded{};
  }
  TW_UINT16 Set(TW_UINT16 capability, TW_UINT16 type, TW_UINT32 value, TW_UINT16 con = TWON_ONEVALUE)
  {
    TW_CAPABILITY cap{capability, con, OneValue(type, value)};
    const TW_UINT16 rc = Ds(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    GlobalFree(cap.hContainer);
    return rc;
  }

  DSMENTRYPROC Dsm_ = nullptr;
  UINT EventMessage_ = 0;
  std::unique_ptr<TestWindow> Window_;
  HWND Parent_ = nullptr;
  TW_IDENTITY App_{};
  TW_IDENTITY Source_{};
  bool Opened_ = false;
  std::deque<Notification> Notifications_;
  ScannerSettings Settings_;
};

TEST_F(Scanner, IsListedByTheManagerAndLoadedFromItsTwainFolder)
{
  TW_IDENTITY id{};
  int found = 0;
  for (TW_UINT16 rc = Manager(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &id); rc == TWRC_SUCCESS;
       rc = Manager(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &id)) {
    if (std::strcmp(id.ProductName, "Ostrel Virtual Scanner") != 0) continue;
    ++found;
    EXPECT_STREQ(id.Manufacturer, "Ostrel");
    EXPECT_STREQ(id.ProductFamily, "Virtual Scanner");
    EXPECT_EQ(id.ProtocolMajor, 1);
    EXPECT_EQ(id.ProtocolMinor, 9);
    EXPECT_EQ(id.SupportedGroups, DG_CONTROL | DG_IMAGE);
  }
  EXPECT_EQ(found, 1);
  Open();
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(GetModuleHandleW(L"sane.ds"), path, MAX_PATH);
  const std::wstring folder = sizeof(void*) == 8 ? L"\\twain_64\\sane.ds" : L"\\twain_32\\sane.ds";
  EXPECT_NE(std::wstring(path).find(folder), std::wstring::npos) << WideToUtf8(path);
  EXPECT_STREQ(Source_.ProductName, "Ostrel Virtual Scanner");
  EXPECT_NE(Source_.Id, 0u);
}

struct SequenceCase {
  int State;
  TW_UINT32 Dg;
  TW_UINT16 Dat, Msg;
  const char* What;
};
const SequenceCase SequenceCases[] = {
    {3, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, "enabling before the source is open"},
    {3, DG_CONTROL, DAT_CAPABILITY, MSG_GET, "asking a capability before the source is open"},
    {4, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, "ending a transfer that was never ready"},
    {4, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, "disabling a source that is not enabled"},
    {4, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, "image information before a transfer is ready"},
    {4, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, "transferring before enabling"},
    {4, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, "processing events before enabling"},
    {5, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, "ending a transfer once none is pending"},
    {5, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, "closing while enabled"},
    {5, DG_CONTROL, DAT_CAPABILITY, MSG_SET, "setting a capability while enabled"},
    {6, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, "enabling twice"},
    {6, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, "disabling with transfers pending"},
    {7, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, "transferring the same page twice"},
    {7, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, "resetting in the middle of a transfer"},
};

TEST_F(Scanner, AnswersOperationsOutOfTheirStatesWithSequenceErrors)
{
  for (const SequenceCase& c : SequenceCases) {
    SCOPED_TRACE(c.What);
    GoTo(c.State);
    // The manager forgets a source whose close it passed on, even a refused one, and reads the
    // message of every MSG_PROCESSEVENT itself: these go straight to the source, as do the calls to a
    // closed one.
    const bool direct = c.State == 3 || c.Msg == MSG_CLOSEDS || c.Dat == DAT_EVENT;
    alignas(8) unsigned char data[sizeof(TW_PALETTE8)] = {};
    EXPECT_EQ(direct ? Direct(c.Dg, c.Dat, c.Msg, data) : Ds(c.Dg, c.Dat, c.Msg, data), TWRC_FAILURE);
    EXPECT_EQ(Status(direct), TWCC_SEQERROR);
    EXPECT_EQ(Status(direct), TWCC_SUCCESS) << "reading the status clears it";
    Unwind();
  }
}

struct DecodeCase {
  const wchar_t* Setting;
  const wchar_t* Value;
  TW_UINT16 Cap, Msg, ConType, ItemType;
  double Current;
  const char* What;
};
const DecodeCase DecodeCases[] = {
    {nullptr, nullptr, CAP_XFERCOUNT, MSG_GETCURRENT, TWON_ONEVALUE, TWTY_INT16, -1, "all pages by default"},
    {nullptr, nullptr, CAP_SUPPORTEDCAPS, MSG_GET, TWON_ARRAY, TWTY_UINT16, ICAP_BITDEPTH, "an array of capabilities"},
    {nullptr, nullptr, CAP_UICONTROLLABLE, MSG_GET, TWON_ONEVALUE, TWTY_BOOL, 1, "a user interface that can be hidden"},
    {L"PixelType", L"1", ICAP_PIXELTYPE, MSG_GET, TWON_ENUMERATION, TWTY_UINT16, TWPT_GRAY, "the pixel types"},
    {L"Resolution", L"150", ICAP_XRESOLUTION, MSG_GET, TWON_RANGE, TWTY_FIX32, 150, "a range of resolutions"},
    {L"ResolutionContainer", L"enumeration", ICAP_YRESOLUTION, MSG_GET, TWON_ENUMERATION, TWTY_FIX32, 100,
     "a list of resolutions"},
    {L"ResolutionContainer", L"onevalue", ICAP_XRESOLUTION, MSG_GET, TWON_ONEVALUE, TWTY_FIX32, 100, "one resolution"},
    {L"BitDepthContainer", L"enumeration", ICAP_BITDEPTH, MSG_GET, TWON_ENUMERATION, TWTY_UINT16, 24,
     "the depth of RGB as a list"},
    {L"Width", L"3000", ICAP_PHYSICALWIDTH, MSG_GET, TWON_ONEVALUE, TWTY_FIX32, 3.0, "the page's width in inches"},
};

TEST_F(Scanner, OffersEachKindOfContainer)
{
  for (const DecodeCase& c : DecodeCases) {
    SCOPED_TRACE(c.What);
    ScannerSettings settings;
    if (c.Setting) {
      const std::wstring v = c.Value;
      if (iswdigit(v[0]))
        settings.Set(c.Setting, static_cast<DWORD>(std::stoul(v)));
      else
        settings.Set(c.Setting, v);
    }
    Open();
    const Decoded d = Get(c.Cap, c.Msg);
    EXPECT_EQ(d.ConType, c.ConType);
    EXPECT_EQ(d.ItemType, c.ItemType);
    if (c.ConType == TWON_ARRAY) {
      EXPECT_NE(std::find(d.Items.begin(), d.Items.end(), c.Current), d.Items.end());
    } else {
      EXPECT_NEAR(d.Current, c.Current, 1e-3);
    }
    if (c.ConType == TWON_RANGE) {
      EXPECT_LE(d.Min, d.Current);
      EXPECT_GE(d.Max, d.Current);
      EXPECT_GT(d.Step, 0);
    }
    if (c.ConType == TWON_ENUMERATION) {
      EXPECT_NE(std::find(d.Items.begin(), d.Items.end(), d.Current), d.Items.end());
    }
    Unwind();
  }
}

struct SetCase {
  TW_UINT16 Cap, ConType, ItemType;
  TW_UINT32 Value;
  int State;
  TW_UINT16 Rc, Cc;
  const char* What;
};
const SetCase SetCases[] = {
    {ICAP_PIXELTYPE, TWON_ONEVALUE, TWTY_UINT16, TWPT_GRAY, 4, TWRC_SUCCESS, TWCC_SUCCESS, "a pixel type offered"},
    {ICAP_PIXELTYPE, TWON_ONEVALUE, TWTY_UINT16, 99, 4, TWRC_FAILURE, TWCC_BADVALUE, "a pixel type not offered"},
    {ICAP_PIXELTYPE, TWON_ENUMERATION, TWTY_UINT16, TWPT_GRAY, 4, TWRC_FAILURE, TWCC_BADVALUE, "another container"},
    {ICAP_PIXELTYPE, TWON_ONEVALUE, TWTY_UINT32, TWPT_GRAY, 4, TWRC_FAILURE, TWCC_BADVALUE, "another item type"},
    {0x8123, TWON_ONEVALUE, TWTY_UINT16, 1, 4, TWRC_FAILURE, TWCC_CAPUNSUPPORTED, "a capability not offered"},
    {CAP_UICONTROLLABLE, TWON_ONEVALUE, TWTY_BOOL, 0, 4, TWRC_FAILURE, TWCC_CAPBADOPERATION, "a read-only one"},
    {ICAP_XRESOLUTION, TWON_ONEVALUE, TWTY_FIX32, Fix(300), 4, TWRC_SUCCESS, TWCC_SUCCESS, "a resolution in range"},
    {ICAP_XRESOLUTION, TWON_ONEVALUE, TWTY_FIX32, Fix(610), 4, TWRC_FAILURE, TWCC_BADVALUE, "one out of range"},
    {CAP_XFERCOUNT, TWON_ONEVALUE, TWTY_INT16, 2, 4, TWRC_SUCCESS, TWCC_SUCCESS, "two pages"},
    {CAP_XFERCOUNT, TWON_ONEVALUE, TWTY_INT16, 0, 4, TWRC_FAILURE, TWCC_BADVALUE, "no pages"},
    {ICAP_PIXELTYPE, TWON_ONEVALUE, TWTY_UINT16, TWPT_GRAY, 6, TWRC_FAILURE, TWCC_SEQERROR, "once transfers are ready"},
};

TEST_F(Scanner, SetsWhatItOffersAndRefusesTheRest)
{
  for (const SetCase& c : SetCases) {
    SCOPED_TRACE(c.What);
    GoTo(c.State);
    EXPECT_EQ(Set(c.Cap, c.ItemType, c.Value, c.ConType), c.Rc);
    EXPECT_EQ(Status(), c.Cc);
    if (c.Rc == TWRC_SUCCESS) {
      const double expected = c.ItemType == TWTY_FIX32 ? Unfix(c.Value) : c.Value;
      EXPECT_NEAR(Get(c.Cap, MSG_GETCURRENT).Current, expected, 1e-3);
    }
    Unwind();
  }
}

struct MemoryCase {
  TW_UINT16 PixelType, Flavor;
  DWORD PreferredBuffer;
  int Bits;
};
const MemoryCase MemoryCases[] = {
    {TWPT_RGB, TWPF_CHOCOLATE, 1000, 24}, {TWPT_CMY, TWPF_CHOCOLATE, 4096, 24}, {TWPT_GRAY, TWPF_CHOCOLATE, 0, 8},
    {TWPT_GRAY, TWPF_VANILLA, 777, 8},    {TWPT_BW, TWPF_CHOCOLATE, 33, 1},     {TWPT_BW, TWPF_VANILLA, 100, 1},
    {TWPT_PALETTE, TWPF_CHOCOLATE, 1000, 8},
};

// What the memory transfer carries for a chart colour: the samples of the pixel type, in order.
std::vector<int> Expected(const MemoryCase& c, ChartRgb rgb)
{
  const bool vanilla = c.Flavor == TWPF_VANILLA;
  switch (c.PixelType) {
  case TWPT_RGB: return {rgb.R, rgb.G, rgb.B};
  case TWPT_CMY: return {255 - rgb.R, 255 - rgb.G, 255 - rgb.B};
  case TWPT_GRAY: return {vanilla ? 255 - ChartGray(rgb) : ChartGray(rgb)};
  case TWPT_PALETTE: return {ChartPaletteIndex(rgb)};
  }
  return {ChartIsWhite(rgb) != vanilla ? 1 : 0};
}

std::vector<int> Sampled(const MemoryCase& c, const uint8_t* row, int x)
{
  if (c.Bits == 1) return {(row[x / 8] >> (7 - x % 8)) & 1};
  if (c.Bits == 8) return {row[x]};
  return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

TEST_F(Scanner, TransfersTheChartInMemoryStripsTopRowFirst)
{
  for (const MemoryCase& c : MemoryCases) {
    SCOPED_TRACE(testing::Message() << "pixel type " << c.PixelType << ", flavor " << c.Flavor << ", buffer "
                                    << c.PreferredBuffer);
    ScannerSettings settings;
    settings.Set(L"TransferMode", std::wstring(L"memory"));
    settings.Set(L"Pages", 2);
    settings.Set(L"PreferredBufferSize", c.PreferredBuffer);
    Open();
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWTY_UINT16, c.PixelType), TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_PIXELFLAVOR, TWTY_UINT16, c.Flavor), TWRC_SUCCESS);
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    ASSERT_EQ(NextNotification().Msg, MSG_XFERREADY);
    TW_IMAGEINFO info{};
    ASSERT_EQ(Ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(info.PixelType, c.PixelType);
    EXPECT_EQ(info.BitsPerPixel, c.Bits);
    EXPECT_EQ(info.ImageWidth, 240);
    EXPECT_EQ(info.ImageLength, 160);
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(Ds(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_EQ(setup.Preferred, c.PreferredBuffer);
    const TW_UINT32 length = setup.Preferred ? setup.Preferred : setup.MinBufSize;
    const uint32_t bpr = RowBytes(info.ImageWidth, c.Bits);
    std::vector<uint8_t> image(static_cast<size_t>(bpr) * info.ImageLength);
    // A guard after the buffer: the source must never write past Length.
    std::vector<uint8_t> buffer(length + 16, 0xcd);
    TW_UINT32 rows = 0;
    TW_UINT16 rc = TWRC_SUCCESS;
    while (rc == TWRC_SUCCESS) {
      TW_IMAGEMEMXFER x{};
      x.Memory = {TWMF_APPOWNS | TWMF_POINTER, length, buffer.data()};
      rc = Ds(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &x);
      ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << rc << " status " << Status();
      EXPECT_EQ(x.BytesPerRow, bpr);
      EXPECT_EQ(x.Columns, static_cast<TW_UINT32>(info.ImageWidth));
      EXPECT_EQ(x.YOffset, rows);
      EXPECT_EQ(x.BytesWritten, x.Rows * bpr);
      ASSERT_LE(static_cast<size_t>(rows + x.Rows) * bpr, image.size());
      ASSERT_GT(x.Rows, 0u);
      std::memcpy(image.data() + static_cast<size_t>(rows) * bpr, buffer.data(), x.BytesWritten);
      rows += x.Rows;
      EXPECT_EQ(std::count(buffer.begin() + length, buffer.end(), 0xcd), 16);
    }
    EXPECT_EQ(rows, static_cast<TW_UINT32>(info.ImageLength));
    for (const ChartProbe& p : ChartProbes(info.ImageWidth, info.ImageLength))
      EXPECT_EQ(Sampled(c, image.data() + static_cast<size_t>(p.Y) * bpr, p.X), Expected(c, p.Rgb)) << p.What;
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 1);
    Unwind();
  }
}

// A packed DIB of the default chart at 150 dpi: its header and the colours at the chart's probes.
void ExpectChartDib(const uint8_t* dib, size_t size)
{
  BITMAPINFOHEADER h;
  ASSERT_GE(size, sizeof h);
  std::memcpy(&h, dib, sizeof h);
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 360);   // 2.4 inches at 150 dpi
  EXPECT_EQ(h.biHeight, 240);  // positive: bottom-up
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(h.biXPelsPerMeter, 5906);  // 150 / 0.0254, rounded
  const uint32_t stride = RowBytes(h.biWidth, 24);
  ASSERT_GE(size, sizeof h + static_cast<size_t>(stride) * h.biHeight);
  for (const ChartProbe& p : ChartProbes(h.biWidth, h.biHeight)) {
    const uint8_t* px = dib + sizeof h + static_cast<size_t>(h.biHeight - 1 - p.Y) * stride + 3 * p.X;
    EXPECT_EQ((ChartRgb{px[2], px[1], px[0]}), p.Rgb) << p.What;
  }
}

TEST_F(Scanner, TransfersANativeBottomUpDib)
{
  Settings_.Set(L"Resolution", 150);
  Open();
  ASSERT_EQ(Enable(false), TWRC_SUCCESS);
  ASSERT_EQ(NextNotification().Msg, MSG_XFERREADY);
  TW_HANDLE handle = nullptr;
  ASSERT_EQ(Ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
  auto* bytes = static_cast<const uint8_t*>(GlobalLock(handle));
  ASSERT_NE(bytes, nullptr);
  ExpectChartDib(bytes, GlobalSize(handle));
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST_F(Scanner, WritesTheSameDibToABmpFile)
{
  const std::string path = TempFile("vscan_test.bmp");
  DeleteFileA(path.c_str());
  Settings_.Set(L"Resolution", 150);
  Settings_.Set(L"TransferMode", std::wstring(L"file"));
  Open();
  TW_SETUPFILEXFER setup{};
  std::strcpy(setup.FileName, path.c_str());
  setup.Format = TWFF_TIFF;
  EXPECT_EQ(Ds(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_FAILURE) << "BMP only";
  EXPECT_EQ(Status(), TWCC_BADVALUE);
  setup.Format = TWFF_BMP;
  ASSERT_EQ(Ds(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
  ASSERT_EQ(Enable(false), TWRC_SUCCESS);
  ASSERT_EQ(NextNotification().Msg, MSG_XFERREADY);
  ASSERT_EQ(Ds(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  BITMAPFILEHEADER fh{};
  ASSERT_GE(file.size(), sizeof fh);
  std::memcpy(&fh, file.data(), sizeof fh);
  EXPECT_EQ(fh.bfType, 0x4d42);
  EXPECT_EQ(fh.bfSize, file.size());
  EXPECT_EQ(fh.bfOffBits, sizeof fh + sizeof(BITMAPINFOHEADER));
  ExpectChartDib(file.data() + sizeof fh, file.size() - sizeof fh);
  in.close();
  DeleteFileA(path.c_str());
}

TEST_F(Scanner, LogsEveryCallItReceivesAndEveryNotification)
{
  const std::string log = TempFile("vscan_test.log");
  DeleteFileA(log.c_str());
  Settings_.Set(L"LogFile", Utf8ToWide(log));
  Open();
  Get(ICAP_PIXELTYPE);
  ASSERT_EQ(Enable(false), TWRC_SUCCESS);
  ASSERT_EQ(NextNotification().Msg, MSG_XFERREADY);
  TW_IMAGEINFO info{};
  Ds(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
  TW_HANDLE handle = nullptr;
  Ds(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
  GlobalFree(handle);
  TW_PENDINGXFERS pending{};
  Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  TW_USERINTERFACE ui{};
  Ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  Status();
  Close();
  const std::vector<std::string> expected = {
      "DG_CONTROL DAT_IDENTITY MSG_OPENDS -> TWRC_SUCCESS",
      "DG_CONTROL DAT_CAPABILITY MSG_GET ICAP_PIXELTYPE -> TWRC_SUCCESS",
      "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS -> TWRC_SUCCESS",
      "DSM DG_CONTROL DAT_NULL MSG_XFERREADY -> TWRC_SUCCESS",
      "DG_IMAGE DAT_IMAGEINFO MSG_GET -> TWRC_SUCCESS",
      "DG_IMAGE DAT_IMAGENATIVEXFER MSG_GET -> TWRC_XFERDONE",
      "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER -> TWRC_SUCCESS",
      "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS",
      "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER -> TWRC_FAILURE TWCC_SEQERROR",
      "DG_CONTROL DAT_STATUS MSG_GET -> TWRC_SUCCESS",
      "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS -> TWRC_SUCCESS",
  };
  EXPECT_EQ(ReadLines(log), expected);
  DeleteFileA(log.c_str());
}

TEST_F(Scanner, DialogReportsScanAndCancelThroughTheManager)
{
  Open();
  ASSERT_EQ(Enable(true, true), TWRC_SUCCESS);
  HWND dialog = FindWindowW(L"#32770", L"Ostrel Virtual Scanner");
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowEnabled(Parent_)) << "a modal user interface disables its parent";
  HWND scan = GetDlgItem(dialog, IDOK), cancel = GetDlgItem(dialog, IDCANCEL);
  ASSERT_NE(scan, nullptr);
  ASSERT_NE(cancel, nullptr);
  EXPECT_TRUE(GetWindowLongW(scan, GWL_STYLE) & BS_DEFPUSHBUTTON);
  SavePng(CaptureWindow(dialog), "vscan_dialog");

  RECT r;
  GetClientRect(scan, &r);
  ASSERT_TRUE(Click(scan, {r.right / 2, r.bottom / 2}));
  const Notification ready = NextNotification();
  EXPECT_EQ(ready.Msg, MSG_XFERREADY);
  EXPECT_EQ(ready.Window, Parent_) << "the manager posts to the window given at MSG_ENABLEDS";
  EXPECT_FALSE(IsWindowEnabled(scan)) << "no second scan while pages are pending";
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(Ds(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
  EXPECT_TRUE(IsWindowEnabled(scan));

  GetClientRect(cancel, &r);
  ASSERT_TRUE(Click(cancel, {r.right / 2, r.bottom / 2}));
  EXPECT_EQ(NextNotification().Msg, MSG_CLOSEDSREQ);
  TW_USERINTERFACE ui{};
  ASSERT_EQ(Ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowEnabled(Parent_));
}

TEST_F(Scanner, RefusesToEnableWhenTold)
{
  Settings_.Set(L"RefuseEnable", 1);
  Open();
  EXPECT_EQ(Enable(false), TWRC_FAILURE);
  EXPECT_EQ(Status(), TWCC_OPERATIONERROR);
  TW_USERINTERFACE ui{};
  EXPECT_EQ(Ds(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE) << "still closed to transfers";
  EXPECT_EQ(Status(), TWCC_SEQERROR);
}

}  // namespace
