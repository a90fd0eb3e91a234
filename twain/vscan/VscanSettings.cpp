// Settings from the registry, the log file, and the names a log line gives the values it shows.
#include "Vscan.h"

#include <cstdio>
#include <cwctype>

namespace ostrel::vscan {
namespace {

class RegKey {
 public:
  RegKey(HKEY root, const wchar_t* path)
  {
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, &Key_) != ERROR_SUCCESS) Key_ = nullptr;
  }
  ~RegKey()
  {
    if (Key_) RegCloseKey(Key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  std::optional<DWORD> Dword(const wchar_t* name) const
  {
    DWORD value = 0, size = sizeof value, type = 0;
    if (!Key_ || RegQueryValueExW(Key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
      return std::nullopt;
    return value;
  }

  std::optional<std::wstring> Text(const wchar_t* name) const
  {
    DWORD size = 0, type = 0;
    if (!Key_ || RegQueryValueExW(Key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(Key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
      return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
  }

 private:
  HKEY Key_ = nullptr;
};

std::wstring Lower(std::wstring s)
{
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

template <class T>
void ReadNumber(const RegKey& key, const wchar_t* name, T& into, long long low, long long high)
{
  if (auto v = key.Dword(name)) {
    const long long n = static_cast<LONG>(*v);
    if (n >= low && n <= high) into = static_cast<T>(n);
  }
}

void ReadKind(const RegKey& key, const wchar_t* name, ContainerKind& into, bool rangeAllowed)
{
  auto text = key.Text(name);
  if (!text) return;
  const std::wstring v = Lower(*text);
  if (v == L"range" && rangeAllowed) into = ContainerKind::Range;
  if (v == L"enumeration") into = ContainerKind::Enumeration;
  if (v == L"onevalue") into = ContainerKind::OneValue;
}

std::string Hex(unsigned value)
{
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

struct Named {
  unsigned Value;
  const char* Name;
};

template <size_t N>
std::string Lookup(const Named (&table)[N], unsigned value)
{
  for (const Named& n : table)
    if (n.Value == value) return n.Name;
  return Hex(value);
}

}  // namespace

Settings ReadSettings()
{
  Settings s;
  const RegKey key(HKEY_CURRENT_USER, L"Software\\Ostrel\\Virtual Scanner");
  if (auto v = key.Text(L"LogFile")) s.LogFile = *v;
  ReadNumber(key, L"Pages", s.Pages, 1, 1000);
  ReadNumber(key, L"PixelType", s.PixelType, TWPT_BW, TWPT_CMY);
  ReadNumber(key, L"PixelFlavor", s.PixelFlavor, TWPF_CHOCOLATE, TWPF_VANILLA);
  ReadNumber(key, L"PaletteType", s.PaletteType, TWPA_RGB, TWPA_GRAY);
  ReadNumber(key, L"Resolution", s.Resolution, 50, 600);
  ReadKind(key, L"ResolutionContainer", s.ResolutionContainer, true);
  ReadKind(key, L"BitDepthContainer", s.BitDepthContainer, false);
  ReadNumber(key, L"Width", s.Width, 400, 20000);
  ReadNumber(key, L"Height", s.Height, 400, 20000);
  ReadNumber(key, L"PreferredBufferSize", s.PreferredBufferSize, 0, 0x7fffffff);
  ReadNumber(key, L"MinBufferSize", s.MinBufferSize, 0, 0x7fffffff);
  ReadNumber(key, L"RefuseEnable", s.RefuseEnable, 0, 1);
  ReadNumber(key, L"RefuseClose", s.RefuseClose, 0, 1);
  ReadNumber(key, L"FailTransfer", s.FailTransfer, 0, 0x7fffffff);
  ReadNumber(key, L"ExtraBytes", s.ExtraBytes, 0, 0x7fffffff);
  ReadNumber(key, L"CancelTransfer", s.CancelTransfer, 0, 0x7fffffff);
  ReadNumber(key, L"ShortNativeBlock", s.ShortNativeBlock, 0, 1);
  ReadNumber(key, L"ImageBitDepth", s.ImageBitDepth, 0, 64);
  ReadNumber(key, L"PaletteColors", s.PaletteColors, 0, 65535);
  ReadNumber(key, L"RefuseFileSetup", s.RefuseFileSetup, 0, 1);
  ReadNumber(key, L"EnumerationIndexPastEnd", s.EnumerationIndexPastEnd, 0, 1);
  if (auto v = key.Text(L"TransferMode")) {
    const std::wstring mode = Lower(*v);
    if (mode == L"native") s.TransferMode = TWSX_NATIVE;
    if (mode == L"file") s.TransferMode = TWSX_FILE;
    if (mode == L"memory") s.TransferMode = TWSX_MEMORY;
  }
  return s;
}

void AppendLog(const std::wstring& file, const std::string& line)
{
  if (file.empty()) return;
  HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
}

std::string DgName(TW_UINT32 dg)
{
  static const Named names[] = {{DG_CONTROL, "DG_CONTROL"}, {DG_IMAGE, "DG_IMAGE"}, {DG_AUDIO, "DG_AUDIO"}};
  return Lookup(names, dg);
}

std::string DatName(TW_UINT16 dat)
{
  static const Named names[] = {
      {DAT_NULL, "DAT_NULL"},
      {DAT_CAPABILITY, "DAT_CAPABILITY"},
      {DAT_EVENT, "DAT_EVENT"},
      {DAT_IDENTITY, "DAT_IDENTITY"},
      {DAT_PARENT, "DAT_PARENT"},
      {DAT_PENDINGXFERS, "DAT_PENDINGXFERS"},
      {DAT_SETUPMEMXFER, "DAT_SETUPMEMXFER"},
      {DAT_SETUPFILEXFER, "DAT_SETUPFILEXFER"},
      {DAT_STATUS, "DAT_STATUS"},
      {DAT_USERINTERFACE, "DAT_USERINTERFACE"},
      {DAT_XFERGROUP, "DAT_XFERGROUP"},
      {DAT_IMAGEINFO, "DAT_IMAGEINFO"},
      {DAT_IMAGELAYOUT, "DAT_IMAGELAYOUT"},
      {DAT_IMAGEMEMXFER, "DAT_IMAGEMEMXFER"},
      {DAT_IMAGENATIVEXFER, "DAT_IMAGENATIVEXFER"},
      {DAT_IMAGEFILEXFER, "DAT_IMAGEFILEXFER"},
      {DAT_PALETTE8, "DAT_PALETTE8"},
  };
  return Lookup(names, dat);
}

std::string MsgName(TW_UINT16 msg)
{
  static const Named names[] = {
      {MSG_NULL, "MSG_NULL"},
      {MSG_GET, "MSG_GET"},
      {MSG_GETCURRENT, "MSG_GETCURRENT"},
      {MSG_GETDEFAULT, "MSG_GETDEFAULT"},
      {MSG_GETFIRST, "MSG_GETFIRST"},
      {MSG_GETNEXT, "MSG_GETNEXT"},
      {MSG_SET, "MSG_SET"},
      {MSG_RESET, "MSG_RESET"},
      {MSG_QUERYSUPPORT, "MSG_QUERYSUPPORT"},
      {MSG_XFERREADY, "MSG_XFERREADY"},
      {MSG_CLOSEDSREQ, "MSG_CLOSEDSREQ"},
      {MSG_CLOSEDSOK, "MSG_CLOSEDSOK"},
      {MSG_OPENDSM, "MSG_OPENDSM"},
      {MSG_CLOSEDSM, "MSG_CLOSEDSM"},
      {MSG_OPENDS, "MSG_OPENDS"},
      {MSG_CLOSEDS, "MSG_CLOSEDS"},
      {MSG_USERSELECT, "MSG_USERSELECT"},
      {MSG_DISABLEDS, "MSG_DISABLEDS"},
      {MSG_ENABLEDS, "MSG_ENABLEDS"},
      {MSG_ENABLEDSUIONLY, "MSG_ENABLEDSUIONLY"},
      {MSG_PROCESSEVENT, "MSG_PROCESSEVENT"},
      {MSG_ENDXFER, "MSG_ENDXFER"},
  };
  return Lookup(names, msg);
}

std::string CapName(TW_UINT16 cap)
{
  static const Named names[] = {
      {CAP_XFERCOUNT, "CAP_XFERCOUNT"},
      {ICAP_COMPRESSION, "ICAP_COMPRESSION"},
      {ICAP_PIXELTYPE, "ICAP_PIXELTYPE"},
      {ICAP_UNITS, "ICAP_UNITS"},
      {ICAP_XFERMECH, "ICAP_XFERMECH"},
      {CAP_FEEDERENABLED, "CAP_FEEDERENABLED"},
      {CAP_FEEDERLOADED, "CAP_FEEDERLOADED"},
      {CAP_SUPPORTEDCAPS, "CAP_SUPPORTEDCAPS"},
      {CAP_AUTOFEED, "CAP_AUTOFEED"},
      {CAP_INDICATORS, "CAP_INDICATORS"},
      {CAP_UICONTROLLABLE, "CAP_UICONTROLLABLE"},
      {ICAP_IMAGEFILEFORMAT, "ICAP_IMAGEFILEFORMAT"},
      {ICAP_PHYSICALWIDTH, "ICAP_PHYSICALWIDTH"},
      {ICAP_PHYSICALHEIGHT, "ICAP_PHYSICALHEIGHT"},
      {ICAP_PIXELFLAVOR, "ICAP_PIXELFLAVOR"},
      {ICAP_XRESOLUTION, "ICAP_XRESOLUTION"},
      {ICAP_YRESOLUTION, "ICAP_YRESOLUTION"},
      {ICAP_BITDEPTH, "ICAP_BITDEPTH"},
  };
  return Lookup(names, cap);
}

std::string RcName(TW_UINT16 rc)
{
  static const Named names[] = {
      {TWRC_SUCCESS, "TWRC_SUCCESS"}, {TWRC_FAILURE, "TWRC_FAILURE"},       {TWRC_CHECKSTATUS, "TWRC_CHECKSTATUS"},
      {TWRC_CANCEL, "TWRC_CANCEL"},   {TWRC_DSEVENT, "TWRC_DSEVENT"},       {TWRC_NOTDSEVENT, "TWRC_NOTDSEVENT"},
      {TWRC_XFERDONE, "TWRC_XFERDONE"}, {TWRC_ENDOFLIST, "TWRC_ENDOFLIST"},
  };
  return Lookup(names, rc);
}

std::string CcName(TW_UINT16 cc)
{
  static const Named names[] = {
      {TWCC_SUCCESS, "TWCC_SUCCESS"},
      {TWCC_BUMMER, "TWCC_BUMMER"},
      {TWCC_LOWMEMORY, "TWCC_LOWMEMORY"},
      {TWCC_NODS, "TWCC_NODS"},
      {TWCC_MAXCONNECTIONS, "TWCC_MAXCONNECTIONS"},
      {TWCC_OPERATIONERROR, "TWCC_OPERATIONERROR"},
      {TWCC_BADCAP, "TWCC_BADCAP"},
      {TWCC_BADPROTOCOL, "TWCC_BADPROTOCOL"},
      {TWCC_BADVALUE, "TWCC_BADVALUE"},
      {TWCC_SEQERROR, "TWCC_SEQERROR"},
      {TWCC_BADDEST, "TWCC_BADDEST"},
      {TWCC_CAPUNSUPPORTED, "TWCC_CAPUNSUPPORTED"},
      {TWCC_CAPBADOPERATION, "TWCC_CAPBADOPERATION"},
      {TWCC_CAPSEQERROR, "TWCC_CAPSEQERROR"},
  };
  return Lookup(names, cc);
}

}  // namespace ostrel::vscan
