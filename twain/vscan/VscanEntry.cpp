// DS_Entry: the table of operations and the states each is allowed in, the session's state changes,
// the log, and the notifications sent to the application through the source manager.
#include "Vscan.h"

#include <cstring>
#include <new>

namespace ostrel::vscan {
namespace {

constexpr unsigned S3 = 1u << 3, S4 = 1u << 4, S5 = 1u << 5, S6 = 1u << 6, S7 = 1u << 7;
constexpr unsigned AnyOpen = S4 | S5 | S6 | S7;

template <class T>
T* As(TW_MEMREF data)
{
  return static_cast<T*>(data);
}

Answer Identity(Session& s, TW_UINT16 msg, TW_MEMREF data);
Answer Status(Session& s, TW_UINT16 msg, TW_MEMREF data);
Answer UserInterface(Session& s, TW_UINT16 msg, TW_MEMREF data);
Answer PendingXfers(Session& s, TW_UINT16 msg, TW_MEMREF data);
Answer XferGroup(Session&, TW_UINT16, TW_MEMREF data)
{
  if (!data) return Fail(TWCC_BADVALUE);
  *As<TW_UINT32>(data) = DG_IMAGE;
  return Ok();
}

struct Operation {
  TW_UINT32 Dg;
  TW_UINT16 Dat;
  TW_UINT16 Msg;
  unsigned States;
  Answer (*Run)(Session&, TW_UINT16 msg, TW_MEMREF data);
};

const Operation Operations[] = {
    {DG_CONTROL, DAT_IDENTITY, MSG_GET, S3 | AnyOpen, Identity},
    {DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, S3 | AnyOpen, Identity},  // checks its state itself
    {DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, S4, Identity},
    {DG_CONTROL, DAT_STATUS, MSG_GET, S3 | AnyOpen, Status},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, S4, UserInterface},
    {DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, S5, UserInterface},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GET, AnyOpen, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return Capability(s, m, As<TW_CAPABILITY>(d)); }},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, AnyOpen, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return Capability(s, m, As<TW_CAPABILITY>(d)); }},
    {DG_CONTROL, DAT_CAPABILITY, MSG_GETDEFAULT, AnyOpen, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return Capability(s, m, As<TW_CAPABILITY>(d)); }},
    {DG_CONTROL, DAT_CAPABILITY, MSG_SET, S4, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return Capability(s, m, As<TW_CAPABILITY>(d)); }},
    {DG_CONTROL, DAT_CAPABILITY, MSG_RESET, S4, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return Capability(s, m, As<TW_CAPABILITY>(d)); }},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, AnyOpen, PendingXfers},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, S6 | S7, PendingXfers},
    {DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, S6, PendingXfers},
    {DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, S4 | S5 | S6, [](Session& s, TW_UINT16, TW_MEMREF d) { return SetupMemory(s, As<TW_SETUPMEMXFER>(d)); }},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, S4 | S5 | S6, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return SetupFile(s, m, As<TW_SETUPFILEXFER>(d)); }},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, S4 | S5 | S6, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return SetupFile(s, m, As<TW_SETUPFILEXFER>(d)); }},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, S4 | S5 | S6, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return SetupFile(s, m, As<TW_SETUPFILEXFER>(d)); }},
    {DG_CONTROL, DAT_SETUPFILEXFER, MSG_RESET, S4, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return SetupFile(s, m, As<TW_SETUPFILEXFER>(d)); }},
    {DG_CONTROL, DAT_XFERGROUP, MSG_GET, AnyOpen, XferGroup},
    // Answered before the table in its states; here for the sequence error outside them.
    {DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, S5 | S6 | S7, [](Session&, TW_UINT16, TW_MEMREF) { return Fail(TWCC_BADVALUE); }},
    {DG_IMAGE, DAT_IMAGEINFO, MSG_GET, S6 | S7, [](Session& s, TW_UINT16, TW_MEMREF d) { return ImageInfo(s, As<TW_IMAGEINFO>(d)); }},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, S4 | S5 | S6, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return ImageLayout(s, m, As<TW_IMAGELAYOUT>(d)); }},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, S4 | S5 | S6, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return ImageLayout(s, m, As<TW_IMAGELAYOUT>(d)); }},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, S4, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return ImageLayout(s, m, As<TW_IMAGELAYOUT>(d)); }},
    {DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, S4, [](Session& s, TW_UINT16 m, TW_MEMREF d) { return ImageLayout(s, m, As<TW_IMAGELAYOUT>(d)); }},
    {DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, S6, [](Session& s, TW_UINT16, TW_MEMREF d) { return NativeTransfer(s, As<TW_HANDLE>(d)); }},
    {DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, S6, [](Session& s, TW_UINT16, TW_MEMREF) { return FileTransfer(s); }},
    {DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, S6 | S7, [](Session& s, TW_UINT16, TW_MEMREF d) { return MemoryTransfer(s, As<TW_IMAGEMEMXFER>(d)); }},
    {DG_IMAGE, DAT_PALETTE8, MSG_GET, AnyOpen, [](Session& s, TW_UINT16, TW_MEMREF d) { return Palette(s, As<TW_PALETTE8>(d)); }},
};

const Operation* FindOperation(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg)
{
  for (const Operation& op : Operations)
    if (op.Dg == dg && op.Dat == dat && op.Msg == msg) return &op;
  return nullptr;
}

void CopyName(TW_STR32& to, const char* from)
{
  std::memset(to, 0, sizeof to);
  std::strncpy(to, from, sizeof to - 1);
}

// A fresh session for each open: the DLL stays loaded between opens, so nothing may carry over
// except the settings just read.
void Open(Session& s, TW_IDENTITY* own)
{
  Settings config = ReadSettings();
  s = Session{};
  s.Loaded = true;
  s.Config = std::move(config);
  s.Own = OwnIdentity();
  s.Own.Id = own->Id;
  const TW_UINT32 id = own->Id;
  *own = s.Own;
  own->Id = id;
  ResetCapabilities(s);
  s.FileName = DefaultFileName();
  s.State = 4;
}

Answer Identity(Session& s, TW_UINT16 msg, TW_MEMREF data)
{
  auto* id = As<TW_IDENTITY>(data);
  switch (msg) {
  case MSG_GET: {
    if (!id) return Fail(TWCC_BADVALUE);
    // The manager numbers the sources it lists; the Id stays the one it gave.
    const TW_UINT32 keep = id->Id;
    *id = OwnIdentity();
    id->Id = keep;
    return Ok();
  }
  case MSG_OPENDS:
    if (s.State != 3 && !s.CloseRefused) return Fail(TWCC_MAXCONNECTIONS);
    if (!id) return Fail(TWCC_BADVALUE);
    Open(s, id);
    return Ok();
  case MSG_CLOSEDS:
    // Wine's MSG_CLOSEDSM passes something else as the argument: it is not read.
    if (s.Config.RefuseClose && !s.CloseRefused) {
      s.CloseRefused = true;
      return Fail(TWCC_OPERATIONERROR);
    }
    CloseDialog(s);
    s.State = 3;
    s.Page.reset();
    return Ok();
  }
  return Fail(TWCC_BADPROTOCOL);
}

Answer Status(Session& s, TW_UINT16, TW_MEMREF data)
{
  auto* status = As<TW_STATUS>(data);
  if (!status) return Fail(TWCC_BADVALUE);
  status->ConditionCode = s.Condition;
  status->Reserved = 0;
  s.Condition = TWCC_SUCCESS;
  return Ok();
}

int PagesFor(const Session& s, int pages)
{
  if (s.Caps.XferCount > 0 && s.Caps.XferCount < pages) return s.Caps.XferCount;
  return pages;
}

Answer UserInterface(Session& s, TW_UINT16 msg, TW_MEMREF data)
{
  if (msg == MSG_DISABLEDS) {
    CloseDialog(s);
    s.State = 4;
    return Ok();
  }
  auto* ui = As<TW_USERINTERFACE>(data);
  if (!ui) return Fail(TWCC_BADVALUE);
  if (s.Config.RefuseEnable) return Fail(TWCC_OPERATIONERROR);
  s.ShowUI = ui->ShowUI != 0;
  s.ModalUI = ui->ModalUI != 0;
  s.Parent = static_cast<HWND>(ui->hParent);
  s.State = 5;
  if (!s.ShowUI) {
    BeginPages(s, s.Config.Pages);
    return Ok();
  }
  if (!ShowDialog(s)) {
    s.State = 4;
    return Fail(TWCC_LOWMEMORY);
  }
  return Ok();
}

Answer PendingXfers(Session& s, TW_UINT16 msg, TW_MEMREF data)
{
  auto* pending = As<TW_PENDINGXFERS>(data);
  if (!pending) return Fail(TWCC_BADVALUE);
  if (msg == MSG_ENDXFER) {
    if (s.Pending > 0) {
      --s.Pending;
      ++s.PagesDone;
    }
    s.Page.reset();
    s.XferDone = false;
    s.NextRow = 0;
    s.State = s.Pending > 0 ? 6 : 5;
    if (s.State == 5) DialogStateChanged(s);
  } else if (msg == MSG_RESET) {
    s.Pending = 0;
    s.Page.reset();
    s.State = 5;
    DialogStateChanged(s);
  }
  pending->Count = static_cast<TW_UINT16>(s.Pending);
  pending->Reserved = 0;
  return Ok();
}

Answer ProcessEvent(Session& s, TW_EVENT* event)
{
  event->TWMessage = MSG_NULL;
  MSG* msg = static_cast<MSG*>(event->pEvent);
  if (msg && DialogMessage(s, msg)) return Returns(TWRC_DSEVENT);
  return Returns(TWRC_NOTDSEVENT);
}

std::string Describe(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
  std::string line = DgName(dg) + " " + DatName(dat) + " " + MsgName(msg);
  if (dat == DAT_CAPABILITY && data) line += " " + CapName(As<TW_CAPABILITY>(data)->Cap);
  return line;
}

std::string Outcome(Answer a)
{
  std::string text = " -> " + RcName(a.Rc);
  if (a.Rc == TWRC_FAILURE) text += " " + CcName(a.Cc);
  return text;
}

TW_UINT16 Dispatch(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
  Session& s = TheSession();
  if (!s.Loaded) {
    s.Config = ReadSettings();
    s.Loaded = true;
  }
  // The manager hands every message of the application's loop to the source: only the source's own
  // are logged and change the condition code.
  if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT && s.State >= 5 && data) {
    const Answer a = ProcessEvent(s, As<TW_EVENT>(data));
    if (a.Rc == TWRC_DSEVENT) Log(s, Describe(dg, dat, msg, data) + Outcome(a));
    return a.Rc;
  }
  const Operation* op = FindOperation(dg, dat, msg);
  Answer a;
  if (!op)
    a = Fail(TWCC_BADPROTOCOL);
  else if (!(op->States & (1u << s.State)))
    a = Fail(TWCC_SEQERROR);
  else
    a = op->Run(s, msg, data);
  if (op && dat == DAT_IDENTITY && msg == MSG_OPENDS && a.Rc == TWRC_SUCCESS && origin) s.App = *origin;
  if (dat != DAT_STATUS) s.Condition = a.Cc;
  Log(s, Describe(dg, dat, msg, data) + Outcome(a));
  if (s.Notify != MSG_NULL) {
    const TW_UINT16 notify = s.Notify;
    s.Notify = MSG_NULL;
    SendNotification(s, notify);
  }
  return a.Rc;
}

}  // namespace

Session& TheSession()
{
  static Session session;
  return session;
}

TW_IDENTITY OwnIdentity()
{
  TW_IDENTITY id{};
  id.Version.MajorNum = 1;
  id.Version.MinorNum = 0;
  id.Version.Language = TWLG_USA;
  id.Version.Country = TWCY_USA;
  CopyName(id.Version.Info, "1.0 virtual scanner");
  id.ProtocolMajor = TWON_PROTOCOLMAJOR;
  id.ProtocolMinor = TWON_PROTOCOLMINOR;
  id.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyName(id.Manufacturer, "Ostrel");
  CopyName(id.ProductFamily, "Virtual Scanner");
  CopyName(id.ProductName, "Ostrel Virtual Scanner");
  return id;
}

void Log(Session& s, const std::string& line)
{
  AppendLog(s.Config.LogFile, line);
}

void SendNotification(Session& s, TW_UINT16 msg)
{
  const std::string line = "DSM DG_CONTROL DAT_NULL " + MsgName(msg);
  HMODULE manager = GetModuleHandleA("twain_32");
  auto entry = manager ? reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")))
                       : nullptr;
  if (manager && !entry)
    entry = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager, MAKEINTRESOURCEA(1))));
  if (!entry) {
    Log(s, line + " -> no source manager");
    return;
  }
  const TW_UINT16 rc = entry(&s.Own, &s.App, DG_CONTROL, DAT_NULL, msg, nullptr);
  Log(s, line + " -> " + RcName(rc));
}

void BeginPages(Session& s, int pages)
{
  s.Pending = PagesFor(s, pages < 1 ? 1 : pages);
  s.Page.reset();
  s.XferDone = false;
  s.NextRow = 0;
  s.State = 6;
  s.Notify = MSG_XFERREADY;
}

}  // namespace ostrel::vscan

using namespace ostrel::vscan;

extern "C" __declspec(dllexport) TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
  TW_UINT16 cc = TWCC_BUMMER;
  try {
    return Dispatch(origin, dg, dat, msg, data);
  } catch (const std::bad_alloc&) {
    cc = TWCC_LOWMEMORY;
  } catch (...) {
  }
  try {
    Session& s = TheSession();
    s.Condition = cc;
    s.Notify = MSG_NULL;
    Log(s, DgName(dg) + " " + DatName(dat) + " " + MsgName(msg) + " -> TWRC_FAILURE " + CcName(cc));
  } catch (...) {
  }
  return TWRC_FAILURE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
