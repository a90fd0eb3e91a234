// The TWAIN component against the virtual scanner, through the platform's own source manager: the
// three mechanisms delivering the test chart for every pixel type, the transfer loop's sequences as
// the scanner logs them, the fault paths, the selection dialog and the scanner's dialog driven with
// real input, and the picture control taking the chart.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "GuiTest.h"
#include "Qelimage.h"
#include "Qeltwain.h"
#include "Qelutil.h"
#include "SysUtils.h"
#include "TwainTestSupport.h"
#include "Vscanchart.h"

using namespace ostrel::test;
using namespace ostrel::vscan;
using twaintest::ScannerSettings;
using twaintest::TraceLines;

namespace {

const char ScannerName[] = "Ostrel Virtual Scanner";

// What the component's events brought, in order, with a copy of every image.
class TEventRecord : public TObject {
public:
  std::vector<std::string> Events;
  std::vector<std::unique_ptr<TDib>> Images;
  std::vector<std::pair<int, int>> Errors;  // return and condition codes
  std::vector<AnsiString> Files;
  int CancelAtImage = 0;  // sets Cancel in this image's OnTwainAcquire (1-based)
  int ThrowAtImage = 0;   // raises in this image's OnTwainAcquire
  int ProgressLines = 0;

  void Bind(TQelTwain* twain)
  {
    twain->OnTwainAcquire = TTwainAcquireEvent(this, &TEventRecord::Acquired);
    twain->OnSourceDisable = TTwainNotifyEvent(this, &TEventRecord::Disabled);
    twain->OnAcquireCancel = TTwainNotifyEvent(this, &TEventRecord::Cancelled);
    twain->OnAcquireError = TTwainErrorEvent(this, &TEventRecord::Failed);
    twain->OnSourceFileTransfer = TTwainFileTransferEvent(this, &TEventRecord::FileArrived);
    twain->OnAcquireProgress = TTwainProgressEvent(this, &TEventRecord::Progress);
  }
  void Reset()
  {
    Events.clear();
    Images.clear();
    Errors.clear();
    Files.clear();
    CancelAtImage = 0;
    ThrowAtImage = 0;
    ProgressLines = 0;
  }
  int Count(const std::string& event) const { return int(std::count(Events.begin(), Events.end(), event)); }

  void Acquired(TObject* sender, const int, TDib* image, bool& cancel)
  {
    Events.push_back(dynamic_cast<TQelTwain*>(sender) ? "acquire" : "acquire from another sender");
    Images.push_back(std::make_unique<TDib>());
    Images.back()->Assign(image);
    if (int(Images.size()) == CancelAtImage) cancel = true;
    if (int(Images.size()) == ThrowAtImage) throw Exception("the handler failed");
  }
  void Disabled(TObject* sender, const int) { Events.push_back(dynamic_cast<TQelTwain*>(sender) ? "disable" : "?"); }
  void Cancelled(TObject* sender, const int) { Events.push_back(dynamic_cast<TQelTwain*>(sender) ? "cancel" : "?"); }
  void Failed(TObject*, const int, TReturnCode rc, TConditionCode cc)
  {
    Events.push_back("error");
    Errors.push_back({rc, cc});
  }
  void FileArrived(TObject* sender, const int, const AnsiString& name, TTwainFormat format, bool&)
  {
    Events.push_back(dynamic_cast<TTwainSource*>(sender) && format == tfBMP ? "file" : "file from another sender");
    Files.push_back(name);
  }
  void Progress(TObject* sender, const int, TDib*, const int line)
  {
    if (dynamic_cast<TTwainSource*>(sender) && line == ProgressLines + 1) ++ProgressLines;
  }
};

// A component with the manager open and the scanner listed; the scanner's settings and its log are
// the test's own.
class ScannerTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    LogPath = std::wstring(folder) + L"ostrel-twain-scan.log";
    DeleteFileW(LogPath.c_str());
    Settings.Set(L"LogFile", LogPath);
    Twain.reset(new TQelTwain(nullptr));
    Record.Bind(Twain.get());
  }
  void TearDown() override
  {
    Twain.reset();
    DeleteFileW(LogPath.c_str());
  }

  // The scanner, open; null (with a failure) when it is not listed.
  TTwainSource* OpenScanner()
  {
    Twain->SetLibraryLoaded(true);
    EXPECT_TRUE(Twain->LoadSourceManager());
    for (int i = 0; i < Twain->GetSourceCount(); ++i) {
      TTwainSource* source = Twain->GetSource(i);
      if (source->GetProductName() == ScannerName) {
        EXPECT_TRUE(source->LoadSource());
        return source;
      }
    }
    ADD_FAILURE() << "the virtual scanner is not listed";
    return nullptr;
  }
  // Enables the scanner without its dialog and lets the transfer run to its end.
  void Acquire(TTwainSource* source)
  {
    ASSERT_TRUE(source->EnableSource(false, false));
    EXPECT_TRUE(PumpUntil([&] { return !source->Enabled; }, 20000)) << "the transfer loop did not end";
  }
  // The scanner's log, one call a line.
  std::vector<std::string> Log() const
  {
    std::vector<std::string> lines;
    std::ifstream file{std::filesystem::path(LogPath)};
    for (std::string line; std::getline(file, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }
  // The log lines that name one of the pieces, from the first line naming from on.
  std::vector<std::string> Calls(std::initializer_list<const char*> pieces, const char* from = "MSG_ENABLEDS") const
  {
    std::vector<std::string> picked;
    bool started = false;
    for (const std::string& line : Log()) {
      started = started || line.find(from) != std::string::npos;
      if (!started) continue;
      for (const char* piece : pieces)
        if (line.find(piece) != std::string::npos) {
          picked.push_back(line);
          break;
        }
    }
    return picked;
  }

  ScannerSettings Settings;
  std::wstring LogPath;
  std::unique_ptr<TQelTwain> Twain;
  TEventRecord Record;
};

// The colour a pixel of the chart has once the scanner turned it into the pixel type.
ChartRgb Expected(ChartRgb rgb, TPixelType type, bool grayPalette)
{
  switch (type) {
  case ptBW: return ChartIsWhite(rgb) ? ChartRgb{255, 255, 255} : ChartRgb{0, 0, 0};
  case ptGray: {
    const uint8_t g = ChartGray(rgb);
    return {g, g, g};
  }
  case ptPalette: {
    if (grayPalette) {
      const uint8_t g = ChartGray(rgb);
      return {g, g, g};
    }
    return ChartPaletteColour(ChartPaletteIndex(rgb));
  }
  default: return rgb;
  }
}

// Every probe of the chart has its colour in the bitmap: a flipped, mirrored or channel-swapped
// image fails at some probe.
void ExpectChart(TDib* dib, TPixelType type, bool grayPalette, const std::string& what)
{
  ASSERT_FALSE(dib->GetEmpty()) << what;
  for (const ChartProbe& probe : ChartProbes(dib->GetWidth(), dib->GetHeight())) {
    const ChartRgb want = Expected(probe.Rgb, type, grayPalette);
    const DWORD got = dib->GetPixel(probe.X, probe.Y);
    const ChartRgb seen{uint8_t(got >> 16), uint8_t(got >> 8), uint8_t(got)};
    EXPECT_TRUE(seen == want) << what << ", " << probe.What << ": got " << int(seen.R) << "," << int(seen.G) << ","
                              << int(seen.B) << " want " << int(want.R) << "," << int(want.G) << "," << int(want.B);
  }
}

// The depth a bitmap of that many colours is reduced to.
int ReducedDepth(TDib* dib, int sourceBits)
{
  if (sourceBits != 24) return sourceBits;
  std::set<DWORD> colours;
  for (int y = 0; y < dib->GetHeight(); ++y)
    for (int x = 0; x < dib->GetWidth(); ++x) colours.insert(dib->GetPixel(x, y));
  return colours.size() <= 2 ? 1 : colours.size() <= 16 ? 4 : colours.size() <= 256 ? 8 : 24;
}

}  // namespace

TEST_F(ScannerTest, DeviceListAndTheManagersDefault)
{
  Twain->SetLibraryLoaded(true);
  ASSERT_TRUE(Twain->LoadSourceManager());
  const int count = Twain->GetSourceCount();
  ASSERT_GE(count, 1);
  EXPECT_TRUE(Twain->DevicesEnumerated);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(Twain->GetSource(i)->Index, i);
    EXPECT_EQ(Twain->GetSource(i)->TransferMode, tmMemory) << "the component's mode when listed";
    EXPECT_EQ(Twain->FindSource(Twain->GetSource(i)->GetIdentity()), i);
  }
  EXPECT_EQ(Twain->GetSource(count), nullptr);
  EXPECT_EQ(Twain->GetSource(-2), nullptr);
  // The manager names the first source it found as its default.
  TW_IDENTITY identity{};
  ASSERT_EQ(Twain->CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_SUCCESS);
  ASSERT_NE(Twain->GetSource(-1), nullptr);
  EXPECT_EQ(Twain->GetSource(-1)->Identity.Id, identity.Id);
  Twain->ClearDeviceList();
  EXPECT_FALSE(Twain->DevicesEnumerated);
  EXPECT_EQ(Twain->GetSourceCount(), count) << "built again on demand";
}

// ---- the three mechanisms × every pixel type -------------------------------------------------

TEST_F(ScannerTest, EveryMechanismDeliversTheChartInEveryPixelType)
{
  struct Case {
    const wchar_t* mechanism;
    TTransferMode mode;
    TPixelType type;
    DWORD flavor;
    DWORD paletteType;
    int bits;
  };
  std::vector<Case> cases;
  for (auto [name, mode] : {std::pair{L"memory", tmMemory}, {L"native", tmNative}, {L"file", tmFile}}) {
    cases.push_back({name, mode, ptBW, TWPF_CHOCOLATE, TWPA_RGB, 1});
    cases.push_back({name, mode, ptBW, TWPF_VANILLA, TWPA_RGB, 1});
    cases.push_back({name, mode, ptGray, 0, TWPA_RGB, 8});
    cases.push_back({name, mode, ptRGB, 0, TWPA_RGB, 24});
    cases.push_back({name, mode, ptPalette, 0, TWPA_RGB, 8});
    cases.push_back({name, mode, ptPalette, 0, TWPA_GRAY, 8});
  }
  for (const Case& c : cases) {
    const std::string what = Utf16ToUtf8(c.mechanism) + " pixel type " + std::to_string(c.type) + " flavor " +
                             std::to_string(c.flavor) + " palette " + std::to_string(c.paletteType);
    SCOPED_TRACE(what);
    Settings.Set(L"TransferMode", c.mechanism);
    Settings.Set(L"PixelType", DWORD(c.type));
    Settings.Set(L"PixelFlavor", c.flavor);
    Settings.Set(L"PaletteType", c.paletteType);
    Twain.reset(new TQelTwain(nullptr));
    Record.Reset();
    Record.Bind(Twain.get());
    TTwainSource* source = OpenScanner();
    ASSERT_NE(source, nullptr);
    Acquire(source);
    EXPECT_EQ(source->TransferMode, c.mode) << "the mode is read from the source";
    if (c.mode == tmFile) {
      ASSERT_EQ(Record.Files.size(), 1u);
      Record.Images.push_back(std::make_unique<TDib>());
      Record.Images.back()->LoadFromFile(Record.Files[0]);
    }
    ASSERT_EQ(Record.Images.size(), 1u);
    TDib* dib = Record.Images[0].get();
    EXPECT_EQ(dib->GetWidth(), 240);
    EXPECT_EQ(dib->GetHeight(), 160);
    ExpectChart(dib, c.type, c.paletteType == TWPA_GRAY, what);
    if (c.mode != tmFile) {
      EXPECT_EQ(dib->GetBitsPerPixel(), ReducedDepth(dib, c.bits)) << "reduced after the transfer";
    }
    if (c.mode == tmMemory) {
      EXPECT_EQ(Record.ProgressLines, 160) << "one progress event a line, in order";
    }
    EXPECT_EQ(Record.Count("disable"), 1);
  }
}

TEST_F(ScannerTest, MemoryTransferOfOddBlocksAndResolutions)
{
  struct Case {
    const char* what;
    DWORD dpi, preferred, extra;
    int pixelsPerMetre;
  } cases[] = {
      {"300 dpi, a preferred size below a line", 300, 1000, 0, 11811},
      {"300 dpi, several lines a block", 300, 5000, 0, 11811},
      {"more bytes than the image holds", 100, 1000, 5000, 3937},
      {"no preferred size: one line at a time", 100, 0, 0, 3937},
      {"a buffer of a line and a half", 100, 1080, 0, 3937},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Settings.Set(L"TransferMode", L"memory");
    Settings.Set(L"Resolution", c.dpi);
    Settings.Set(L"PreferredBufferSize", c.preferred);
    Settings.Set(L"ExtraBytes", c.extra);
    Twain.reset(new TQelTwain(nullptr));
    Record.Reset();
    Record.Bind(Twain.get());
    TTwainSource* source = OpenScanner();
    ASSERT_NE(source, nullptr);
    Acquire(source);
    ASSERT_EQ(Record.Images.size(), 1u);
    EXPECT_EQ(Record.Images[0]->GetXResolution(), c.pixelsPerMetre);
    EXPECT_EQ(Record.Images[0]->GetYResolution(), c.pixelsPerMetre);
    EXPECT_EQ(Record.Images[0]->GetWidth(), int(240 * c.dpi / 100));
    ExpectChart(Record.Images[0].get(), ptRGB, false, c.what);
    EXPECT_TRUE(Record.Errors.empty());
  }
}

// ---- the loop's sequences --------------------------------------------------------------------

TEST_F(ScannerTest, TransferLoopSequences)
{
  struct Case {
    const char* what;
    const wchar_t* mechanism;
    DWORD pages;
    int cancelAt;
    DWORD failTransfer;
    bool file2;
    DWORD pixelType;
    std::vector<std::string> events;
    std::vector<std::string> calls;  // the pending-transfer and enable calls the scanner saw
  };
  const std::string enable = "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS -> TWRC_SUCCESS";
  const std::string end = "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER -> TWRC_SUCCESS";
  const std::string reset = "DG_CONTROL DAT_PENDINGXFERS MSG_RESET -> TWRC_SUCCESS";
  const std::string disable = "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS";
  const Case cases[] = {
      {"three pages in memory", L"memory", 3, 0, 0, false, TWPT_RGB,
       {"acquire", "acquire", "acquire", "disable"}, {enable, end, end, end, disable}},
      {"cancel in the first image", L"memory", 3, 1, 0, false, TWPT_RGB,
       {"acquire", "disable"}, {enable, end, reset, disable}},
      {"the second transfer fails", L"native", 3, 0, 2, false, TWPT_RGB,
       {"acquire", "error", "acquire", "disable"}, {enable, end, end, end, disable}},
      {"a mechanism we cannot run", L"memory", 2, 0, 0, true, TWPT_RGB,
       {"error", "error", "disable"}, {enable, end, end, disable}},
      {"CMY has no bitmap form", L"memory", 2, 0, 0, false, TWPT_CMY,
       {"error", "error", "disable"}, {enable, end, end, disable}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(LogPath.c_str());
    Settings.Set(L"TransferMode", c.mechanism);
    Settings.Set(L"Pages", c.pages);
    Settings.Set(L"FailTransfer", c.failTransfer);
    Settings.Set(L"PixelType", c.pixelType);
    Twain.reset(new TQelTwain(nullptr));
    Record.Reset();
    Record.Bind(Twain.get());
    Record.CancelAtImage = c.cancelAt;
    TTwainSource* source = OpenScanner();
    ASSERT_NE(source, nullptr);
    if (c.file2) {
      ASSERT_EQ(source->ChangeTransferMode(tmFile2), TWRC_SUCCESS);
      EXPECT_EQ(source->TransferMode, tmFile2);
    }
    Acquire(source);
    EXPECT_EQ(Record.Events, c.events);
    EXPECT_EQ(Calls({"DAT_PENDINGXFERS MSG_ENDXFER", "DAT_PENDINGXFERS MSG_RESET", "DAT_USERINTERFACE"}), c.calls);
    if (c.failTransfer) {
      EXPECT_EQ(Record.Errors, (std::vector<std::pair<int, int>>{{TWRC_FAILURE, TWCC_OPERATIONERROR}}));
    }
    for (auto [rc, cc] : Record.Errors) EXPECT_EQ(rc, TWRC_FAILURE) << "each failed image reports return code 1";
    EXPECT_TRUE(source->Loaded && !source->Enabled) << "open and idle again";
    EXPECT_EQ(source->GetPendingXfers(), 0x7FFF) << "not enabled";
  }
}

// ---- what a faulty source or a failing handler does to the loop ----------------------------------

TEST_F(ScannerTest, EveryFaultEndsItsImageAndLeavesTheSourceIdle)
{
  struct Case {
    const char* what;
    const wchar_t* mechanism;
    std::vector<std::pair<const wchar_t*, DWORD>> settings;
    int throwAt;
    std::vector<std::string> events;
    std::vector<std::pair<int, int>> errors;
    std::vector<std::string> calls;
  };
  const std::string enable = "DG_CONTROL DAT_USERINTERFACE MSG_ENABLEDS -> TWRC_SUCCESS";
  const std::string end = "DG_CONTROL DAT_PENDINGXFERS MSG_ENDXFER -> TWRC_SUCCESS";
  const std::string reset = "DG_CONTROL DAT_PENDINGXFERS MSG_RESET -> TWRC_SUCCESS";
  const std::string disable = "DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS";
  const Case cases[] = {
      {"the source cancels the first of three", L"memory", {{L"Pages", 3}, {L"CancelTransfer", 1}}, 0,
       {"cancel", "disable"}, {}, {enable, end, reset, disable}},
      {"the file set-up cannot be read", L"file", {{L"Pages", 2}, {L"RefuseFileSetup", 1}}, 0,
       {"error", "error", "disable"}, {{TWRC_FAILURE, TWCC_OPERATIONERROR}, {TWRC_FAILURE, TWCC_OPERATIONERROR}},
       {enable, end, end, disable}},
      {"gray at 16 bits has no table", L"memory", {{L"PixelType", TWPT_GRAY}, {L"ImageBitDepth", 16}}, 0,
       {"error", "disable"}, {{TWRC_FAILURE, TWCC_SUCCESS}}, {enable, end, disable}},
      {"a palette larger than its depth", L"memory", {{L"PixelType", TWPT_PALETTE}, {L"PaletteColors", 300}}, 0,
       {"error", "disable"}, {{TWRC_FAILURE, TWCC_SUCCESS}}, {enable, end, disable}},
      {"a native block shorter than its bitmap", L"native", {{L"ShortNativeBlock", 1}}, 0,
       {"error", "disable"}, {{TWRC_FAILURE, TWCC_BADVALUE}}, {enable, end, disable}},
      {"a handler raises in the first of two", L"memory", {{L"Pages", 2}}, 1,
       {"acquire", "error", "acquire", "disable"}, {{TWRC_FAILURE, TWCC_BUMMER}}, {enable, end, end, disable}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW(LogPath.c_str());
    ScannerSettings fresh;
    Settings.Set(L"LogFile", LogPath);
    Settings.Set(L"TransferMode", c.mechanism);
    for (auto [name, value] : c.settings) Settings.Set(name, value);
    Twain.reset(new TQelTwain(nullptr));
    Record.Reset();
    Record.Bind(Twain.get());
    Record.ThrowAtImage = c.throwAt;
    TTwainSource* source = OpenScanner();
    ASSERT_NE(source, nullptr);
    Acquire(source);
    EXPECT_EQ(Record.Events, c.events);
    EXPECT_EQ(Record.Errors, c.errors);
    EXPECT_EQ(Calls({"DAT_PENDINGXFERS MSG_ENDXFER", "DAT_PENDINGXFERS MSG_RESET", "DAT_USERINTERFACE"}), c.calls);
    EXPECT_TRUE(source->UnloadSource()) << "the source can be closed";
    EXPECT_EQ(Twain->OpenSourceCount, 0);
  }
}

TEST_F(ScannerTest, EnumerationIndexPastItsItemsNamesNoValue)
{
  Settings.Set(L"EnumerationIndexPastEnd", 1);
  TTwainSource* source = OpenScanner();
  ASSERT_NE(source, nullptr);
  TPixelType type = ptCIEXYZ;
  EXPECT_EQ(source->GetIPixelType(type), TWCC_SUCCESS) << "the current value alone comes as one value";
  TPixelTypes types;
  EXPECT_EQ(source->GetIPixelTypes(type, types, coGet), TWCC_BADVALUE);
  auto values = std::make_unique<TStringList>();
  unsigned short current = 42;
  EXPECT_EQ(source->GetUINT16Enumeration(ICAP_PIXELTYPE, values.get(), current), TWCC_BADVALUE);
  EXPECT_EQ(current, 42);
  EXPECT_EQ(values->GetCount(), 5) << "the items themselves were read";
}

// ---- capabilities through the scanner ----------------------------------------------------------

TEST_F(ScannerTest, CapabilitiesInEveryContainerKind)
{
  Settings.Set(L"Resolution", 150);
  TTwainSource* source = OpenScanner();
  ASSERT_NE(source, nullptr);
  // A range: 50 to 600 by 25, current and default 150 until the current is set.
  double current = 0;
  std::vector<double> values;
  ASSERT_EQ(source->GetIXResolution(current, values), TWCC_SUCCESS);
  ASSERT_EQ(values.size(), 23u);
  EXPECT_EQ(values.front(), 50);
  EXPECT_EQ(values[1], 75);
  EXPECT_EQ(values.back(), 600);
  EXPECT_EQ(current, 150);
  ASSERT_EQ(source->SetIXResolution(200), TWRC_SUCCESS);
  ASSERT_EQ(source->GetIXResolution(current, values), TWCC_SUCCESS);
  EXPECT_EQ(current, 200);
  ASSERT_EQ(source->GetIXResolution(current, values, coGetDefault), TWCC_SUCCESS);
  EXPECT_EQ(current, 150) << "the default field of the range";

  // An enumeration of UINT16: the pixel types.
  TPixelType type = ptCIEXYZ;
  TPixelTypes types;
  ASSERT_EQ(source->GetIPixelTypes(type, types), TWCC_SUCCESS);
  EXPECT_TRUE(types == (TPixelTypes() << ptBW << ptGray << ptRGB << ptPalette << ptCMY));
  EXPECT_EQ(type, ptRGB);
  ASSERT_EQ(source->SetIPixelType(ptGray), TWRC_SUCCESS);
  ASSERT_EQ(source->GetIPixelType(type), TWCC_SUCCESS);
  EXPECT_EQ(type, ptGray);
  unsigned short depth = 0;
  std::vector<unsigned short> depths;
  ASSERT_EQ(source->GetIBitDepths(depth, depths), TWCC_SUCCESS);
  EXPECT_EQ(depth, 8);
  TTransferMode mode = tmFile2;
  TTransferModes modes;
  ASSERT_EQ(source->GetITransferModes(mode, modes), TWCC_SUCCESS);
  EXPECT_TRUE(modes.Contains(tmNative) && modes.Contains(tmFile) && modes.Contains(tmMemory));
  TTwainUnit unit = tuPixels;
  ASSERT_EQ(source->GetICapUnit(unit), TWCC_SUCCESS);
  EXPECT_EQ(unit, tuInches);

  // One values of each type; a typed getter refuses another type and leaves its output alone.
  bool controllable = false;
  EXPECT_EQ(source->GetUIControllable(controllable), TWCC_SUCCESS);
  EXPECT_TRUE(controllable);
  unsigned short word = 77;
  EXPECT_EQ(source->GetUINT16Value(CAP_UICONTROLLABLE, word), TWCC_CAPUNSUPPORTED);
  EXPECT_EQ(word, 77);
  short count = 0;
  EXPECT_EQ(source->GetCapXferCount(count), TWCC_SUCCESS);
  EXPECT_EQ(count, -1);
  double width = 0;
  EXPECT_EQ(source->GetIPhysicalWidth(width), TWCC_SUCCESS);
  EXPECT_NEAR(width, 2.4, 1 / 65536.0);
  // An array is no one value: the getter answers a wrong container.
  AnsiString text;
  TItemType itemType;
  EXPECT_EQ(source->GetOneValue(CAP_SUPPORTEDCAPS, itemType, text), TWCC_BADCAP);
  auto list = std::make_unique<TStringList>();
  TContainerTypes arrays;
  arrays << ctOneValue << ctArray;
  ASSERT_EQ(source->GetSupportedValues(CAP_SUPPORTEDCAPS, itemType, list.get(), text, arrays), TWCC_SUCCESS);
  EXPECT_EQ(text, "4294967295");
  EXPECT_NE(list->IndexOf(IntToStr(ICAP_XRESOLUTION)), -1);
  // A refused value answers failure, and the condition code says why.
  EXPECT_EQ(source->SetIBitDepth(24), TWRC_FAILURE);
  EXPECT_EQ(source->GetConditionCode(), TWCC_BADVALUE);
  TContainerType kind = ctOneValue;
  void* container = nullptr;
  EXPECT_EQ(source->GetCapability(0x7777, coGet, kind, container), TWCC_CAPUNSUPPORTED);
  EXPECT_EQ(container, nullptr);
  EXPECT_EQ(source->SetImageLayoutFrame(0, 0, 1.2, 1.0), TWRC_SUCCESS);
  // A closed source is asked nothing.
  ASSERT_TRUE(source->UnloadSource());
  EXPECT_EQ(source->GetIXResolution(current, values), TWCC_SEQERROR);
  EXPECT_EQ(source->SetIXResolution(100), TWRC_FAILURE);
}

// ---- states and faults -------------------------------------------------------------------------

TEST_F(ScannerTest, RefusalsLeaveTheSourceWhereTheProtocolSays)
{
  Settings.Set(L"RefuseEnable", 1);
  Settings.Set(L"RefuseClose", 1);
  TTwainSource* source = OpenScanner();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(Twain->OpenSourceCount, 1);
  EXPECT_FALSE(source->EnableSource(false, false));
  EXPECT_TRUE(source->Loaded);
  EXPECT_FALSE(source->Enabled);
  EXPECT_FALSE(source->UnloadSource()) << "the close was refused";
  EXPECT_TRUE(source->Loaded);
  EXPECT_EQ(Twain->OpenSourceCount, 1) << "and the source stays counted";
}

TEST_F(ScannerTest, DestroyingTheComponentGoesDownInOrder)
{
  TraceLines trace;
  TTwainSource* source = OpenScanner();
  ASSERT_NE(source, nullptr);
  // With its dialog the scanner waits, enabled.
  ASSERT_TRUE(source->EnableSource(true, false));
  ASSERT_TRUE(PumpUntil([] { return FindWindowA(nullptr, "Ostrel Virtual Scanner") != nullptr; }, 5000));
  Twain.reset();
  EXPECT_EQ(Record.Events, (std::vector<std::string>{"disable"}));
  const std::vector<std::string> log = Calls({"MSG_DISABLEDS", "MSG_CLOSEDS"});
  EXPECT_EQ(log, (std::vector<std::string>{"DG_CONTROL DAT_USERINTERFACE MSG_DISABLEDS -> TWRC_SUCCESS",
                                           "DG_CONTROL DAT_IDENTITY MSG_CLOSEDS -> TWRC_SUCCESS"}));
  std::vector<std::string> order;
  for (const std::string& line : trace.Lines())
    if (line.find("MSG=0x0501") != std::string::npos || line.find("MSG=0x0402") != std::string::npos ||
        line.find("MSG=0x0302") != std::string::npos || line.find("freed") != std::string::npos)
      order.push_back(line.substr(0, line.find(" DG=")));
  EXPECT_EQ(order, (std::vector<std::string>{"DSM_Entry source", "DSM_Entry manager", "DSM_Entry manager",
                                             "freed the library"}));
  EXPECT_EQ(FindWindowA(nullptr, "Ostrel Virtual Scanner"), nullptr) << "the scanner's dialog went";
}
