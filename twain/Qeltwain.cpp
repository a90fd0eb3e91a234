// TTwainIdentity and TQelTwain: identities, the library and manager lifecycle, the device list, the
// selection dialog, the virtual window and its message routing.
#include "Qeltwain.h"

#include <cstring>

#include "Consts.h"
#include "Trace.h"
#include "TypInfo.h"

VCL_IMPLEMENT_ENUM(TTransferMode, "tmNative", "tmFile", "tmMemory", "tmFile2")
VCL_IMPLEMENT_ENUM(TTwainGroup, "tgControl", "tgImage", "tgAudio")

namespace {

const char VirtualWindowClass[] = "QelTwain";
const char VirtualWindowTitle[] = "Qel Twain";

TUnitInit QeltwainUnitInit("Qeltwain", [] { RegisterClasses({TQelTwain::StaticClass()}); });

}  // namespace

// ---------------------------------------------------------------------------------------------------
// TTwainIdentity

VCL_PUBLISHED(TTwainIdentity)
{
  p.Property(
      "MajorVersion", [](TTwainIdentity* i) { return i->Identity.Version.MajorNum; },
      [](TTwainIdentity* i, unsigned short v) { i->Identity.Version.MajorNum = v; });
  p.Property(
      "MinorVersion", [](TTwainIdentity* i) { return i->Identity.Version.MinorNum; },
      [](TTwainIdentity* i, unsigned short v) { i->Identity.Version.MinorNum = v; });
  p.Property(
      "Language", [](TTwainIdentity* i) { return i->Identity.Version.Language; },
      [](TTwainIdentity* i, unsigned short v) { i->Identity.Version.Language = v; });
  p.Property(
      "CountryCode", [](TTwainIdentity* i) { return i->Identity.Version.Country; },
      [](TTwainIdentity* i, unsigned short v) { i->Identity.Version.Country = v; });
  p.Property("Groups", &TTwainIdentity::GetGroups, &TTwainIdentity::SetGroups);
  p.Property("Manufacturer", &TTwainIdentity::GetManufacturer, &TTwainIdentity::SetManufacturer);
  p.Property("ProductFamily", &TTwainIdentity::GetProductFamily, &TTwainIdentity::SetProductFamily);
  p.Property("ProductName", &TTwainIdentity::GetProductName, &TTwainIdentity::SetProductName);
  p.Property("VersionInfo", &TTwainIdentity::GetVersioInfo, &TTwainIdentity::SetVersioInfo);
}

TTwainIdentity::TTwainIdentity(TQelTwain* Owner) : Owner(Owner)
{
  std::memset(&Identity, 0, sizeof Identity);
  Identity.Version.MajorNum = 1;
  Identity.Version.MinorNum = 0;
  Identity.Version.Language = TWLG_USERLOCALE;
  Identity.Version.Country = TWCY_USA;
  SetVersioInfo("Application name");
  Identity.ProtocolMajor = TWON_PROTOCOLMAJOR;
  Identity.ProtocolMinor = TWON_PROTOCOLMINOR;
  Identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  SetManufacturer("Application manufacturer");
  SetProductFamily("App product family");
  SetProductName("App product name");
}

TPersistent* TTwainIdentity::GetOwner() const { return Owner; }

void TTwainIdentity::Assign(TPersistent* Source)
{
  if (auto* other = dynamic_cast<TTwainIdentity*>(Source)) {
    std::memcpy(&Identity, &other->Identity, sizeof Identity);
    return;
  }
  inherited::Assign(Source);
}

TTwainGroups TTwainIdentity::GetGroups() const
{
  TTwainGroups groups;
  groups << tgControl;
  if (Identity.SupportedGroups & DG_IMAGE) groups << tgImage;
  if (Identity.SupportedGroups & DG_AUDIO) groups << tgAudio;
  return groups;
}

void TTwainIdentity::SetGroups(TTwainGroups Value)
{
  Identity.SupportedGroups = DG_CONTROL;
  if (Value.Contains(tgImage)) Identity.SupportedGroups |= DG_IMAGE;
  if (Value.Contains(tgAudio)) Identity.SupportedGroups |= DG_AUDIO;
}

void TTwainIdentity::SetProperty(char* Field, const AnsiString& Value)
{
  std::memset(Field, 0, sizeof(TW_STR32));
  size_t length = std::min<size_t>(Value.Length(), sizeof(TW_STR32) - 1);
  // Back off to the start of a UTF-8 character when the cut falls inside one.
  if (length < size_t(Value.Length()))
    while (length > 0 && (static_cast<unsigned char>(Value.c_str()[length]) & 0xC0) == 0x80) --length;
  std::memcpy(Field, Value.c_str(), length);
}

namespace {
AnsiString FieldText(const char* field) { return AnsiString(field, static_cast<int>(strnlen(field, sizeof(TW_STR32)))); }
}  // namespace

AnsiString TTwainIdentity::GetManufacturer() const { return FieldText(Identity.Manufacturer); }
void TTwainIdentity::SetManufacturer(const AnsiString& Value) { SetProperty(Identity.Manufacturer, Value); }
AnsiString TTwainIdentity::GetProductFamily() const { return FieldText(Identity.ProductFamily); }
void TTwainIdentity::SetProductFamily(const AnsiString& Value) { SetProperty(Identity.ProductFamily, Value); }
AnsiString TTwainIdentity::GetProductName() const { return FieldText(Identity.ProductName); }
void TTwainIdentity::SetProductName(const AnsiString& Value) { SetProperty(Identity.ProductName, Value); }
AnsiString TTwainIdentity::GetVersioInfo() const { return FieldText(Identity.Version.Info); }
void TTwainIdentity::SetVersioInfo(const AnsiString& Value) { SetProperty(Identity.Version.Info, Value); }

// ---------------------------------------------------------------------------------------------------
// TQelTwain

VCL_PUBLISHED(TQelTwain)
{
  p.Property("AppIdentity", &TQelTwain::GetAppIdentity, &TQelTwain::SetAppIdentity);
  p.Property("LibraryLoaded", &TQelTwain::LibraryLoaded, &TQelTwain::SetLibraryLoaded).Default(false);
  p.ReadOnly("SourceCount", [](TQelTwain* t) { return t->GetSourceCount(); });
  p.Property("SourceManagerLoaded", &TQelTwain::SourceManagerLoaded, &TQelTwain::SetSourceManagerLoaded)
      .Default(false);
  p.Property("TransferMode", &TQelTwain::TransferMode, &TQelTwain::TransferMode).Default(tmMemory);
  p.Property("OnSourceDisable", &TQelTwain::OnSourceDisable, &TQelTwain::OnSourceDisable);
  p.Property("OnAcquireCancel", &TQelTwain::OnAcquireCancel, &TQelTwain::OnAcquireCancel);
  p.Property("OnTwainAcquire", &TQelTwain::OnTwainAcquire, &TQelTwain::OnTwainAcquire);
  p.Property("OnSourceSetupFileXfer", &TQelTwain::OnSourceSetupFileXfer, &TQelTwain::OnSourceSetupFileXfer);
  p.Property("OnSourceFileTransfer", &TQelTwain::OnSourceFileTransfer, &TQelTwain::OnSourceFileTransfer);
  p.Property("OnAcquireError", &TQelTwain::OnAcquireError, &TQelTwain::OnAcquireError);
  p.Property("OnAcquireProgress", &TQelTwain::OnAcquireProgress, &TQelTwain::OnAcquireProgress);
}

TQelTwain::TQelTwain(TOwnerArg Owner) : TComponent(Owner)
{
  AppIdentity = new TTwainIdentity(this);
  CreateVirtualWindow();
}

void TQelTwain::BeforeDestruction()
{
  // Down from whatever state the component is in: sources disabled and closed, the manager closed,
  // the library freed, while the whole object still stands for the events this fires.
  SetLibraryLoaded(false);
  inherited::BeforeDestruction();
}

TQelTwain::~TQelTwain()
{
  SetLibraryLoaded(false);
  if (WindowHandle) {
    SetWindowLongPtrA(WindowHandle, GWLP_USERDATA, 0);
    DestroyWindow(WindowHandle);
    WindowHandle = nullptr;
  }
  Sources.clear();
  delete AppIdentity;
  AppIdentity = nullptr;
}

bool TQelTwain::LoadLibraryA()
{
  if (!LibraryLoaded) {
    const char* const libraries[] = {
#ifdef _WIN64
        // The 64-bit source manager of the platform, where one is installed.
        "TWAINDSM",
#endif
        "TWAIN_32"};
    for (const char* name : libraries) {
      HMODULE module = ::LoadLibraryA(name);
      if (!module) continue;
      auto entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(1))));
      if (!entry) {
        FreeLibrary(module);
        continue;
      }
      LibraryHandle = module;
      DsmEntry = entry;
      LibraryLoaded = true;
      OSTREL_TRACE(twain, "loaded %s", name);
      break;
    }
  }
  return LibraryLoaded;
}

bool TQelTwain::UnloadLibrary()
{
  if (LibraryLoaded) {
    SetSourceManagerLoaded(false);
    if (FreeLibrary(LibraryHandle)) {
      OSTREL_TRACE(twain, "freed the library");
      LibraryHandle = nullptr;
      DsmEntry = nullptr;
      LibraryLoaded = false;
    }
  }
  return !LibraryLoaded;
}

void TQelTwain::SetLibraryLoaded(bool Value)
{
  if (Value == LibraryLoaded) return;
  if (Value)
    LoadLibraryA();
  else
    UnloadLibrary();
}

bool TQelTwain::LoadSourceManager()
{
  if (LibraryLoaded && !SourceManagerLoaded)
    SourceManagerLoaded = CallTwain(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &WindowHandle) == TWRC_SUCCESS;
  return LibraryLoaded && SourceManagerLoaded;
}

bool TQelTwain::UnloadSourceManager(bool NoClose)
{
  bool result = true;
  if (LibraryLoaded && SourceManagerLoaded) {
    ClearDeviceList();
    if (!NoClose) result = CallTwain(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &WindowHandle) == TWRC_SUCCESS;
    if (result) SourceManagerLoaded = false;
  }
  return result;
}

void TQelTwain::SetSourceManagerLoaded(bool Value)
{
  if (!LibraryLoaded || Value == SourceManagerLoaded) return;
  if (Value)
    LoadSourceManager();
  else
    UnloadSourceManager(false);
}

bool TQelTwain::EnumerateDevices()
{
  if (!LibraryLoaded || !SourceManagerLoaded) return false;
  ClearDeviceList();
  TTwainIdentity received(this);
  TW_UINT16 rc = CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, received.GetIdentity());
  while (rc == TWRC_SUCCESS) {
    auto source = std::make_unique<TTwainSource>(this, static_cast<int>(Sources.size()), TransferMode);
    source->Assign(&received);
    Sources.push_back(std::move(source));
    rc = CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, received.GetIdentity());
  }
  DevicesEnumerated = true;
  return true;
}

void TQelTwain::ClearDeviceList()
{
  // Each source closes itself as it goes, in index order; the list is empty before any event of the
  // closing can look at it.
  std::vector<std::unique_ptr<TTwainSource>> sources;
  sources.swap(Sources);
  for (auto& source : sources) source.reset();
  DevicesEnumerated = false;
}

int TQelTwain::GetSourceCount()
{
  if (LibraryLoaded && SourceManagerLoaded && !DevicesEnumerated) EnumerateDevices();
  return static_cast<int>(Sources.size());
}

TTwainSource* TQelTwain::GetSource(int Index)
{
  if (!LibraryLoaded || !SourceManagerLoaded) return nullptr;
  const int count = GetSourceCount();
  if (Index == -1 && count > 0) Index = GetDefaultSource();
  if (Index < 0 || Index >= count) return nullptr;
  return Sources[Index].get();
}

int TQelTwain::FindSource(TW_IDENTITY* Identity)
{
  const int count = GetSourceCount();
  for (int i = 0; i < count; ++i)
    if (Sources[i]->Identity.Id == Identity->Id) return i;
  return -1;
}

int TQelTwain::GetDefaultSource()
{
  if (!SourceManagerLoaded) return -1;
  TW_IDENTITY identity{};
  if (CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &identity) != TWRC_SUCCESS) return -1;
  return FindSource(&identity);
}

int TQelTwain::SelectSource()
{
  if (!LibraryLoaded || !SourceManagerLoaded || Selecting) return -1;
  Selecting = true;
  int index = -1;
  try {
    TW_IDENTITY identity{};
    if (CallTwain(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &identity) == TWRC_SUCCESS) index = FindSource(&identity);
  } catch (...) {
    Selecting = false;
    throw;
  }
  Selecting = false;
  return index;
}

TW_UINT16 TQelTwain::CallTwain(unsigned long DG, unsigned short DAT, unsigned short MSG, void* Data)
{
  return Call(nullptr, DG, DAT, MSG, Data);
}

TW_UINT16 TQelTwain::Call(TW_IDENTITY* Dest, unsigned long DG, unsigned short DAT, unsigned short MSG, void* Data)
{
  if (!LibraryLoaded || !DsmEntry) {
    OSTREL_TRACE(twain, "not loaded: DG=%lu DAT=0x%04x MSG=0x%04x not sent", DG, DAT, MSG);
    return TWRC_FAILURE;
  }
  const TW_UINT16 rc = DsmEntry(AppIdentity->GetIdentity(), Dest, DG, DAT, MSG, Data);
  OSTREL_TRACE(twain, "DSM_Entry %s DG=%lu DAT=0x%04x MSG=0x%04x -> %u", Dest ? "source" : "manager", DG, DAT, MSG, rc);
  return rc;
}

void TQelTwain::SetAppIdentity(TTwainIdentity* Value) { AppIdentity->Assign(Value); }

void TQelTwain::CreateVirtualWindow()
{
  HINSTANCE instance = FindHInstance(reinterpret_cast<const void*>(&TQelTwain::VirtualWindowProc));
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = &TQelTwain::VirtualWindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = VirtualWindowClass;
  // A second component finds the class registered already.
  RegisterClassExA(&windowClass);
  WindowHandle = CreateWindowExA(0, VirtualWindowClass, VirtualWindowTitle, 0, 10, 10, 100, 100, nullptr, nullptr,
                                 instance, this);
}

LRESULT CALLBACK TQelTwain::VirtualWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
  try {
    if (Message == WM_CREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(LParam);
      SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (auto* twain = reinterpret_cast<TQelTwain*>(GetWindowLongPtrA(Window, GWLP_USERDATA))) {
      if (twain->RouteMessage(Window, Message, WParam, LParam)) return 0;
    }
  } catch (...) {
    // Nothing crosses the window procedure; a failure inside a source's handling drops that message.
    OSTREL_TRACE(twain, "an exception ended the handling of message 0x%04x", Message);
  }
  return DefWindowProcA(Window, Message, WParam, LParam);
}

bool TQelTwain::RouteMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam)
{
  if (OpenSourceCount <= 0) return false;
  MSG msg{};
  msg.hwnd = Window;
  msg.message = Message;
  msg.wParam = WParam;
  msg.lParam = LParam;
  msg.time = 0;
  GetCursorPos(&msg.pt);
  const int count = GetSourceCount();
  for (int i = 0; i < count && i < GetSourceCount(); ++i) {
    TTwainSource* source = GetSource(i);
    if (source && source->Loaded && source->Enabled && source->ProcessMessage(msg)) return true;
  }
  return false;
}

namespace Qeltwain {
void Register() { RegisterComponents("Qel System", {TQelTwain::StaticClass()}); }
}  // namespace Qeltwain
