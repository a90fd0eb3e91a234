// Scanner and camera access through the TWAIN 1.9 source manager.
//
// TQelTwain is a non-visual component: it loads the source-manager library, opens the manager with a
// hidden window of its own (the virtual window), lists the installed data sources as TTwainSource
// objects, runs the manager's selection dialog and routes the window messages an open source posts
// back. A TTwainSource negotiates capabilities (values travel as texts: each item is rendered with
// GetAsString and the typed getters parse the texts back), is opened, enabled and transfers images
// in the native, file or buffered-memory mechanism; each image arrives as a TDib through
// OnTwainAcquire, or as a file through OnSourceFileTransfer.
//
// Results: getters answer a TConditionCode (0 success; TWCC_SEQERROR when the source is not open;
// the source's condition code when the manager's call fails; TWCC_BADCAP for a container of another
// kind or one whose items pass its block; TWCC_CAPUNSUPPORTED for another item type; TWCC_BADVALUE
// for an enumeration index past its items). Setters answer a TReturnCode (TWRC_FAILURE when the
// source is not open or the request cannot be built). Typed getters leave their outputs alone unless
// they answer 0.
//
// Every call to the manager goes through one CallTwain, traced on the "twain" channel
// (OSTREL_DEBUG=+twain) as "DSM_Entry DG=.. DAT=.. MSG=.. -> rc".
//
// Everything runs on the thread that owns the virtual window; the manager's dialog and the sources'
// dialogs run modal loops inside calls on that thread, and the window procedure re-enters the
// component from them. An event handler must not destroy the component or the source.
#pragma once

#include <memory>
#include <vector>

#include "Classes.h"
#include "Dibimage.h"
#include "Twain.h"

class TQelTwain;
class TTwainSource;

using TReturnCode = unsigned char;
using TConditionCode = unsigned char;

enum TTransferMode : unsigned char { tmNative, tmFile, tmMemory, tmFile2 };
VCL_DECLARE_ENUM(TTransferMode);
using TTransferModes = Set<TTransferMode, tmNative, tmFile2>;

enum TTwainGroup : unsigned char { tgControl, tgImage, tgAudio };
VCL_DECLARE_ENUM(TTwainGroup);
using TTwainGroups = Set<TTwainGroup, tgControl, tgAudio>;

// The file formats of a file transfer (the standard's TWFF_* codes).
enum TTwainFormat : unsigned char {
  tfTIFF, tfPICT, tfBMP, tfXBM, tfJFIF, tfFPX, tfTIFFMulti, tfPNG, tfSPIFF, tfEXIF
};

// Item types as the containers store them (the standard's TWTY_* codes); TwainItemSize gives the
// bytes of one item.
enum TItemType : unsigned char {
  itInt8, itInt16, itInt32, itUInt8, itUInt16, itUInt32, itBool, itFix32, itFrame,
  itStr32, itStr64, itStr128, itStr255, itStr1024, itUni512
};

// The four container kinds (TWON_* codes) and a set of them, bit n for the code n.
enum TContainerType : unsigned char { ctArray = 3, ctEnumeration, ctOneValue, ctRange };
using TContainerTypes = Set<TContainerType, ctArray, ctRange>;

// The message that asks for a capability.
enum TCapOperation : unsigned char { coGet = 1, coGetCurrent, coGetDefault };

enum TPixelType : unsigned char { ptBW, ptGray, ptRGB, ptPalette, ptCMY, ptCMYK, ptYUV, ptYUVK, ptCIEXYZ };
using TPixelTypes = Set<TPixelType, ptBW, ptCIEXYZ>;
enum TPixelFlavor : unsigned char { pfChocolate, pfVanilla };
using TPixelFlavors = Set<TPixelFlavor, pfChocolate, pfVanilla>;
enum TTwainUnit : unsigned char { tuInches, tuCentimeters, tuPicas, tuPoints, tuTwips, tuPixels };
using TTwainUnits = Set<TTwainUnit, tuInches, tuPixels>;

// A raw item of at most 4 bytes, in the low bytes in the standard's little-endian layout.
using TW_NUM32 = TW_UINT32;

using TTwainNotifyEvent = TClosure<void(TObject* Sender, const int Index)>;
using TTwainAcquireEvent = TClosure<void(TObject* Sender, const int Index, TDib* Image, bool& Cancel)>;
using TTwainFileTransferEvent =
    TClosure<void(TObject* Sender, const int Index, const AnsiString& FileName, TTwainFormat Format, bool& Cancel)>;
using TTwainErrorEvent =
    TClosure<void(TObject* Sender, const int Index, TReturnCode ReturnCode, TConditionCode ConditionCode)>;
using TTwainProgressEvent = TClosure<void(TObject* Sender, const int Index, TDib* Dib, const int Current)>;

// ---------------------------------------------------------------------------------------------------
// An identity as the standard lays it out: the application's, or a source's.
class TTwainIdentity : public TPersistent {
  VCL_DECLARE_CLASS(TTwainIdentity, TPersistent)
  // Zero-filled, then the application defaults: version 1.0, the user's locale, USA, protocol 1.9,
  // groups control and image, and placeholder texts.
  explicit TTwainIdentity(TQelTwain* Owner = nullptr);

  TW_IDENTITY Identity;
  TQelTwain* Owner;

  TPersistent* GetOwner() const override;
  // Another identity (a source included) copies its whole record; Owner stays.
  void Assign(TPersistent* Source) override;
  TW_IDENTITY* GetIdentity() { return &Identity; }

  TTwainGroups GetGroups() const;
  void SetGroups(TTwainGroups Value);
  // The texts hold at most 33 bytes and are always terminated; a longer text is cut, never inside a
  // UTF-8 character.
  AnsiString GetManufacturer() const;
  void SetManufacturer(const AnsiString& Value);
  AnsiString GetProductFamily() const;
  void SetProductFamily(const AnsiString& Value);
  AnsiString GetProductName() const;
  void SetProductName(const AnsiString& Value);
  AnsiString GetVersioInfo() const;
  void SetVersioInfo(const AnsiString& Value);

protected:
  static void SetProperty(char* Field, const AnsiString& Value);
};

// ---------------------------------------------------------------------------------------------------
class TQelTwain : public TComponent {
  VCL_DECLARE_CLASS(TQelTwain, TComponent)
  explicit TQelTwain(TOwnerArg Owner);
  ~TQelTwain() override;
  void BeforeDestruction() override;

  int OpenSourceCount = 0;
  TTwainIdentity* AppIdentity = nullptr;
  DSMENTRYPROC DsmEntry = nullptr;
  HMODULE LibraryHandle = nullptr;
  bool LibraryLoaded = false;
  bool SourceManagerLoaded = false;
  bool DevicesEnumerated = false;
  TTransferMode TransferMode = tmMemory;
  bool Selecting = false;
  std::vector<std::unique_ptr<TTwainSource>> Sources;
  TTwainNotifyEvent OnSourceDisable;
  TTwainNotifyEvent OnAcquireCancel;
  TTwainAcquireEvent OnTwainAcquire;
  TTwainNotifyEvent OnSourceSetupFileXfer;
  TTwainFileTransferEvent OnSourceFileTransfer;
  TTwainErrorEvent OnAcquireError;
  TTwainProgressEvent OnAcquireProgress;
  HWND WindowHandle = nullptr;

  // The library: "TWAIN_32" (a 64-bit program tries the platform's TWAINDSM first), entry point by
  // ordinal 1. Each answers the state it reached.
  bool LoadLibraryA();
  bool UnloadLibrary();
  void SetLibraryLoaded(bool Value);
  // The manager, opened with the virtual window as parent.
  bool LoadSourceManager();
  bool UnloadSourceManager(bool NoClose);
  void SetSourceManagerLoaded(bool Value);

  bool EnumerateDevices();
  void ClearDeviceList();
  int GetSourceCount();
  TTwainSource* GetSource(int Index);
  int FindSource(TW_IDENTITY* Identity);
  int GetDefaultSource();
  // The manager's selection dialog; the chosen source's index, -1 when cancelled or not possible.
  int SelectSource();

  TW_UINT16 CallTwain(unsigned long DG, unsigned short DAT, unsigned short MSG, void* Data);
  TTwainIdentity* GetAppIdentity() const { return AppIdentity; }
  void SetAppIdentity(TTwainIdentity* Value);

protected:
  void CreateVirtualWindow();

private:
  friend class TTwainSource;
  // Calls the entry point (traced); the source passes its own identity as destination.
  TW_UINT16 Call(TW_IDENTITY* Dest, unsigned long DG, unsigned short DAT, unsigned short MSG, void* Data);
  static LRESULT CALLBACK VirtualWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
  bool RouteMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
};

// ---------------------------------------------------------------------------------------------------
class TTwainSource : public TTwainIdentity {
  VCL_DECLARE_CLASS(TTwainSource, TTwainIdentity)
  TTwainSource(TQelTwain* Owner, int Index, TTransferMode Mode);
  ~TTwainSource() override;

  int Index;
  TTransferMode TransferMode;
  bool ShowUI = true;
  bool ModalUI = true;
  bool Enabled = false;
  bool Loaded = false;

  // Plumbing.
  TW_UINT16 CallTwain(unsigned long DG, unsigned short DAT, unsigned short MSG, void* Data);
  TW_IDENTITY* GetAppIdentity();
  bool GetSourceManagerLoaded();
  TConditionCode GetConditionCode();
  TConditionCode ReturnCodeToConditionCode(TReturnCode ReturnCode);

  // Items.
  static AnsiString GetAsString(void* Item, TItemType Type);
  static double GetAsDouble(void* Item, TItemType Type);

  // Container readers. A non-null hContainer is read instead of asking the source; either way the
  // reader frees the container.
  TConditionCode GetCapability(unsigned short Cap, TCapOperation Op, TContainerType& ConType, void*& hContainer);
  TConditionCode GetOneValue(unsigned short Cap, TItemType& Type, AnsiString& Value, TCapOperation Op = coGet,
                             void* hContainer = nullptr);
  TConditionCode GetRangeValue(unsigned short Cap, TItemType& Type, TW_NUM32& Min, TW_NUM32& Max, TW_NUM32& Step,
                               TW_NUM32& Default, TW_NUM32& Current, void* hContainer = nullptr);
  TConditionCode GetEnumerationValue(unsigned short Cap, TItemType& Type, TStringList* Values,
                                     unsigned int& DefaultIndex, unsigned int& CurrentIndex,
                                     TCapOperation Op = coGet, void* hContainer = nullptr);
  TConditionCode GetArrayValue(unsigned short Cap, TItemType& Type, TStringList* Values, void* hContainer = nullptr);
  TConditionCode GetSupportedValues(unsigned short Cap, TItemType& Type, TStringList* Values, AnsiString& Current,
                                    TContainerTypes Containers, TCapOperation Op = coGet);

  // Typed readers.
  TConditionCode GetUINT16Value(unsigned short Cap, unsigned short& Value, TCapOperation Op = coGetCurrent);
  TConditionCode GetFIX32Value(unsigned short Cap, double& Value, TCapOperation Op = coGetCurrent);
  TConditionCode GetBOOLValue(unsigned short Cap, bool& Value, TCapOperation Op = coGetCurrent);
  TConditionCode GetUINT16Enumeration(unsigned short Cap, TStringList* Values, unsigned short& Current,
                                      TCapOperation Op = coGet);

  // Container writers.
  TReturnCode SetCapability(unsigned short Cap, TContainerType ConType, void* hContainer);
  TReturnCode SetOneValue(unsigned short Cap, TItemType Type, void* Value);
  TReturnCode SetRangeValue(unsigned short Cap, TItemType Type, TW_NUM32 Min, TW_NUM32 Max, TW_NUM32 Step,
                            TW_NUM32 Current);
  TReturnCode SetEnumerationValue(unsigned short Cap, TItemType Type, TList* Items, unsigned int CurrentIndex);
  TReturnCode SetArrayValue(unsigned short Cap, TItemType Type, TList* Items);
  TReturnCode SetUINT16Value(unsigned short Cap, unsigned short Value);

  // Capabilities.
  TConditionCode GetICapUnits(TTwainUnit& Current, TTwainUnits& Units, TCapOperation Op = coGet);
  TConditionCode GetICapUnit(TTwainUnit& Value);
  TReturnCode SetICapUnit(TTwainUnit Value);
  TConditionCode GetIPixelTypes(TPixelType& Current, TPixelTypes& Types, TCapOperation Op = coGet);
  TConditionCode GetIPixelType(TPixelType& Value);
  TReturnCode SetIPixelType(TPixelType Value);
  TConditionCode GetIPixelFlavors(TPixelFlavor& Current, TPixelFlavors& Flavors, TCapOperation Op = coGet);
  TConditionCode GetIPixelFlavor(TPixelFlavor& Value);
  TReturnCode SetIPixelFlavor(TPixelFlavor Value);
  TConditionCode GetITransferModes(TTransferMode& Current, TTransferModes& Modes, TCapOperation Op = coGet);
  TConditionCode GetITransferMode(TTransferMode& Value);
  TReturnCode ChangeTransferMode(TTransferMode Value);
  TConditionCode GetIBitDepths(unsigned short& Current, std::vector<unsigned short>& Depths, TCapOperation Op = coGet);
  TConditionCode GetIBitDepth(unsigned short& Value);
  TReturnCode SetIBitDepth(unsigned short Value);
  TConditionCode GetIXResolution(double& Current, std::vector<double>& Values, TCapOperation Op = coGet);
  TConditionCode GetIYResolution(double& Current, std::vector<double>& Values, TCapOperation Op = coGet);
  TReturnCode SetIXResolution(double Value);
  TReturnCode SetIYResolution(double Value);
  TConditionCode GetIPhysicalWidth(double& Value, TCapOperation Op = coGetCurrent);
  TConditionCode GetIPhysicalHeight(double& Value, TCapOperation Op = coGetCurrent);
  TConditionCode GetCapXferCount(short& Value, TCapOperation Op = coGetCurrent);
  TReturnCode SetCapXferCount(short Value);
  TConditionCode GetUIControllable(bool& Value);
  TConditionCode GetFeederLoaded(bool& Value);
  TConditionCode GetFeederEnabled(bool& Value);
  TConditionCode GetAutoFeed(bool& Value);
  TReturnCode SetAutoFeed(unsigned short Value);
  TReturnCode SetIndicators(unsigned short Value);
  TReturnCode SetImageLayoutFrame(double Left, double Top, double Right, double Bottom);

  // Opening, enabling and transfer.
  bool LoadSource();
  bool UnloadSource();
  void SetLoaded(bool Value);
  bool EnableSource(bool ShowUI, bool ModalUI);
  bool DisableSource();
  void SetEnabled(bool Value);
  // Offers a window message to the source; true when it was the source's.
  bool ProcessMessage(const MSG& Msg);
  void TransferImages();
  short GetPendingXfers();
  bool SetupFileTransfer(const AnsiString& FileName, TTwainFormat Format);
  void ReadNative(void* hDib, bool& Cancel);
  void ReadFile(const AnsiString& FileName, TTwainFormat Format, bool& Cancel);
  void ReadMemory(TDib* Image, bool& Cancel);
  virtual void DoOnTwainAcquire(TDib* Image, bool& Cancel);
  TReturnCode PrepareMemXfer(TDib* Image);
  TReturnCode TransferImageMemory(TDib* Image);

private:
  TQelTwain* Twain() const { return Owner; }
  TConditionCode GetResolution(unsigned short Cap, double& Current, std::vector<double>& Values, TCapOperation Op);
  // GetSupportedValues over the given containers, answering TWCC_BADCAP for items of another type.
  TConditionCode GetTypedList(unsigned short Cap, TContainerTypes Containers, TItemType Want, TCapOperation Op,
                              TStringList* Values, AnsiString& Current);
  // The list getters: one value or enumeration of UINT16 items, members 0..High as bits.
  TConditionCode GetUINT16List(unsigned short Cap, unsigned char High, unsigned char& Current, unsigned& Members,
                               TCapOperation Op);
  // One image of the transfer loop, by mechanism; the delivery runs inside.
  TReturnCode TransferOneImage(TTransferMode Mode, bool& Cancel);
  TReturnCode EndTransfer(bool& Ended);
};

// The unit's design-time registration: TQelTwain on the palette page "Qel System".
namespace Qeltwain {
void Register();
}
