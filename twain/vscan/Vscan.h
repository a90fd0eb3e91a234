// The virtual scanner's inside: its settings, the one session it keeps, and the operations that
// DS_Entry dispatches to. Bodies: VscanEntry.cpp (entry point, states, log, notifications),
// VscanCaps.cpp (capabilities, image layout), VscanImage.cpp (the chart and the transfers),
// VscanDialog.cpp (the scan dialog), VscanSettings.cpp (registry settings, log file, names).
#pragma once

#include "Twain.h"
#include "Vscanchart.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::vscan {

enum class ContainerKind { Range, Enumeration, OneValue };

// HKCU\Software\Ostrel\Virtual Scanner, read at every MSG_OPENDS (README.md lists them).
struct Settings {
  std::wstring LogFile;
  int Pages = 1;
  TW_UINT16 PixelType = TWPT_RGB;
  TW_UINT16 PixelFlavor = TWPF_CHOCOLATE;
  TW_UINT16 PaletteType = TWPA_RGB;
  int Resolution = 100;
  ContainerKind ResolutionContainer = ContainerKind::Range;
  ContainerKind BitDepthContainer = ContainerKind::OneValue;
  int Width = 2400;   // thousandths of an inch
  int Height = 1600;
  TW_UINT32 PreferredBufferSize = 1000;
  TW_UINT32 MinBufferSize = 0;  // 0: one row of the image
  bool RefuseEnable = false;
  bool RefuseClose = false;
  int FailTransfer = 0;  // 0: none
  TW_UINT32 ExtraBytes = 0;
  int CancelTransfer = 0;             // 0: none
  bool ShortNativeBlock = false;      // the native block is half its DIB
  int ImageBitDepth = 0;              // 0: the pixel type's own depth in DAT_IMAGEINFO
  int PaletteColors = 0;              // 0: 256 in DAT_PALETTE8
  bool RefuseFileSetup = false;       // DAT_SETUPFILEXFER MSG_GET fails
  bool EnumerationIndexPastEnd = false;  // enumerations name a current index past their items
  TW_UINT16 TransferMode = TWSX_NATIVE;
};

Settings ReadSettings();
void AppendLog(const std::wstring& file, const std::string& line);

// Names of the values a log line shows; unknown ones as 0x hex.
std::string DgName(TW_UINT32 dg);
std::string DatName(TW_UINT16 dat);
std::string MsgName(TW_UINT16 msg);
std::string CapName(TW_UINT16 cap);
std::string RcName(TW_UINT16 rc);
std::string CcName(TW_UINT16 cc);

// What an operation answers: the return code and the condition code DAT_STATUS reports next.
struct Answer {
  TW_UINT16 Rc = TWRC_SUCCESS;
  TW_UINT16 Cc = TWCC_SUCCESS;
};
inline Answer Ok() { return {}; }
inline Answer Fail(TW_UINT16 cc) { return {TWRC_FAILURE, cc}; }
inline Answer Returns(TW_UINT16 rc) { return {rc, TWCC_SUCCESS}; }

// Values the application negotiates; resolutions in dots per inch whatever the units.
struct CapValues {
  TW_INT16 XferCount = -1;
  bool Indicators = true;
  bool FeederEnabled = true;
  bool AutoFeed = true;
  TW_UINT16 XferMech = TWSX_NATIVE;
  TW_UINT16 PixelType = TWPT_RGB;
  TW_UINT16 PixelFlavor = TWPF_CHOCOLATE;
  TW_UINT16 Units = TWUN_INCHES;
  int XResolution = 100;
  int YResolution = 100;
};

// The frame of the page that is scanned, in thousandths of an inch.
struct Frame {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A rendered page: RGB pixels, top row first.
struct Raster {
  int Width = 0;
  int Height = 0;
  std::vector<ChartRgb> Pixels;
  const ChartRgb* Row(int y) const { return Pixels.data() + static_cast<size_t>(y) * Width; }
};

struct Session {
  int State = 3;
  bool Loaded = false;  // settings read once before the first open too (for the listing's calls)
  Settings Config;
  TW_IDENTITY App{};
  TW_IDENTITY Own{};
  TW_UINT16 Condition = TWCC_SUCCESS;
  bool CloseRefused = false;

  CapValues Caps;
  CapValues Defaults;
  Frame Layout;

  std::string FileName;
  TW_UINT16 FileFormat = TWFF_BMP;

  // Pages: Pending counts the one being transferred; PagesDone those ended since MSG_OPENDS.
  int Pending = 0;
  int PagesDone = 0;
  int Transfers = 0;  // transfers begun since MSG_OPENDS
  std::optional<Raster> Page;
  int NextRow = 0;       // of a memory transfer
  bool XferDone = false; // the transfer of the current page has ended

  // The user interface.
  bool ShowUI = false;
  bool ModalUI = false;
  HWND Parent = nullptr;
  bool ParentDisabled = false;
  HWND Dialog = nullptr;
  int DialogPages = 1;

  // A notification to send once the current call has been answered and logged.
  TW_UINT16 Notify = MSG_NULL;
};

Session& TheSession();
void Log(Session& s, const std::string& line);
// Sends MSG_XFERREADY or MSG_CLOSEDSREQ to the application through the source manager.
void SendNotification(Session& s, TW_UINT16 msg);
// The identity this source answers with.
TW_IDENTITY OwnIdentity();

// VscanCaps.cpp
void ResetCapabilities(Session& s);
Answer Capability(Session& s, TW_UINT16 msg, TW_CAPABILITY* cap);
Answer ImageLayout(Session& s, TW_UINT16 msg, TW_IMAGELAYOUT* layout);
double DotsPerUnit(const Session& s, int dpi);
// Image size in pixels from the frame and the resolution.
int ImageWidth(const Session& s);
int ImageHeight(const Session& s);
int BitDepth(TW_UINT16 pixelType);
TW_UINT32 Fix32Bits(double value);
double Fix32Value(TW_UINT32 bits);
TW_FIX32 ToFix32(double value);
double FromFix32(TW_FIX32 f);

// VscanImage.cpp
Raster DrawChart(int width, int height, int page, int dpi);
// The chart as a pixel type shows it, back in RGB (for the dialog's preview).
ChartRgb ViewAs(ChartRgb c, TW_UINT16 pixelType, TW_UINT16 paletteType);
Answer ImageInfo(Session& s, TW_IMAGEINFO* info);
Answer NativeTransfer(Session& s, TW_HANDLE* handle);
Answer FileTransfer(Session& s);
Answer MemoryTransfer(Session& s, TW_IMAGEMEMXFER* xfer);
Answer SetupMemory(Session& s, TW_SETUPMEMXFER* setup);
Answer SetupFile(Session& s, TW_UINT16 msg, TW_SETUPFILEXFER* setup);
Answer Palette(Session& s, TW_PALETTE8* palette);
std::string DefaultFileName();

// VscanDialog.cpp
bool ShowDialog(Session& s);
void CloseDialog(Session& s);
// Scan is offered again once the source is back in state 5.
void DialogStateChanged(Session& s);
bool DialogMessage(Session& s, MSG* msg);
// The user's choice on Scan: pages to transfer.
void BeginPages(Session& s, int pages);

}  // namespace ostrel::vscan
