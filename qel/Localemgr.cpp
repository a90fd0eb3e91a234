#include "Localemgr.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Contnrs.h"
#include "Forms.h"
#include "Qelutil.h"
#include "SysUtils.h"
#include "Trace.h"

namespace {

// The user's language, two letters and the terminator.
char g_language[3] = {};
std::unique_ptr<TObjectList> g_catalogue;
bool g_released = false;
void (*g_savedInitDoneProc)() = nullptr;

// ---- XML helpers -------------------------------------------------------------------------------

_di_IXMLDOMNode SelectSingleNode(IXMLDOMNode* context, const WideString& query)
{
  _di_IXMLDOMNode node;
  // A query the platform refuses (E_FAIL) finds nothing.
  if (FAILED(context->selectSingleNode(query.c_bstr(), &node))) return _di_IXMLDOMNode();
  return node;
}

_di_IXMLDOMElement AsElement(IXMLDOMNode* node)
{
  if (!node) return _di_IXMLDOMElement();
  return _di_IXMLDOMNode(node).Supports<IXMLDOMElement>(IID_IXMLDOMElement);
}

// The attribute's value when it is text; false when absent or of another type.
bool TextAttribute(IXMLDOMElement* element, const wchar_t* name, AnsiString& value)
{
  WideString attribute(name);
  VARIANT v;
  VariantInit(&v);
  if (element->getAttribute(attribute.c_bstr(), &v) != S_OK) return false;
  const bool isText = v.vt == VT_BSTR;
  if (isText) value = AnsiString(WideString(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? SysStringLen(v.bstrVal) : 0));
  VariantClear(&v);
  return isText;
}

// ---- reading a file --------------------------------------------------------------------------------

// Translation files are a few kilobytes; anything past this is not one.
constexpr LONGLONG kMaxTranslationBytes = 64LL * 1024 * 1024;

struct FileHandle {
  HANDLE handle;
  ~FileHandle()
  {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

bool ReadTranslationBytes(const AnsiString& fileName, std::string& bytes)
{
  const std::wstring path = Utf8ToUtf16(fileName.str());
  FileHandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  if (file.handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.handle, &size) || size.QuadPart > kMaxTranslationBytes) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr)) return false;
    if (read == 0) break;
    done += read;
  }
  bytes.resize(done);
  return true;
}

// True when the text holds a document type declaration, in one-byte or either UTF-16 spelling.
// Translation files need none, and refusing them keeps entity expansion and external entities
// (other local files, network addresses) out of the parser whatever version of it the platform has.
bool DeclaresDocumentType(const std::string& bytes)
{
  static const char keyword[] = "<!DOCTYPE";
  const size_t length = sizeof keyword - 1;
  if (bytes.find(keyword) != std::string::npos) return true;
  for (int highFirst = 0; highFirst < 2; ++highFirst) {
    std::string wide;
    for (size_t i = 0; i < length; ++i) {
      if (highFirst) wide += '\0';
      wide += keyword[i];
      if (!highFirst) wide += '\0';
    }
    if (bytes.find(wide) != std::string::npos) return true;
  }
  return false;
}

DelphiInterface<IStream> MemoryStream(const std::string& bytes)
{
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
  if (!memory) return DelphiInterface<IStream>();
  if (void* target = GlobalLock(memory)) {
    if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(memory);
  }
  IStream* raw = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &raw))) {
    GlobalFree(memory);
    return DelphiInterface<IStream>();
  }
  ULARGE_INTEGER size;
  size.QuadPart = bytes.size();
  raw->SetSize(size);
  return DelphiInterface<IStream>::Attach(raw);
}

// ---- the catalogue -----------------------------------------------------------------------------

void ReadLanguage(char (&language)[3], char (&country)[3])
{
  wchar_t buffer[16] = {};
  AnsiString code;
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, buffer, 16) > 0)
    code = localemgr_detail::FittingIsoCode(buffer);
  std::memset(language, 0, sizeof language);
  std::memcpy(language, code.c_str(), static_cast<size_t>(code.Length()));

  buffer[0] = L'\0';
  code = AnsiString();
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, buffer, 16) > 0)
    code = localemgr_detail::FittingIsoCode(buffer);
  std::memset(country, 0, sizeof country);
  std::memcpy(country, code.c_str(), static_cast<size_t>(code.Length()));
}

void EnsureLanguage()
{
  if (g_language[0]) return;
  char country[3];
  ReadLanguage(g_language, country);
}

// Appends base\LOCALES\ll_CC\ and base\LOCALES\ll\ where they exist.
void AddLocaleFolders(const AnsiString& base, const char* language, const char* country,
                      std::vector<AnsiString>& folders)
{
  if (!*language) return;
  const AnsiString root = base + "LOCALES\\";
  if (*country) {
    const AnsiString specific = root + language + "_" + country;
    if (DirectoryExists(specific)) folders.push_back(specific + "\\");
  }
  const AnsiString general = root + language;
  if (DirectoryExists(general)) folders.push_back(general + "\\");
}

AnsiString ProgramFolder()
{
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return AnsiString();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return ExtractFilePath(AnsiString(Utf16ToUtf8(path)));
}

bool HasXmlExtension(const AnsiString& name)
{
  return SameText(ExtractFileExt(name), ".xml");
}

void AddFolderFiles(const AnsiString& folder, TObjectList& catalogue)
{
  TSearchRec found;
  const int mask = faReadOnly | faHidden | faSysFile | faArchive;
  for (int rc = FindFirst(folder + "*.xml", mask, found); rc == 0; rc = FindNext(found)) {
    // The platform's pattern also matches longer extensions through short names.
    if (!HasXmlExtension(found.Name)) continue;
    OSTREL_TRACE(locale, "catalogue: %s%s", folder.c_str(), found.Name.c_str());
    catalogue.Add(new TLocaleFile(folder + found.Name));
  }
  FindClose(found);
}

void GatherLocaleFiles()
{
  if (g_catalogue || g_released) return;
  auto catalogue = std::make_unique<TObjectList>(true);
  std::vector<AnsiString> folders;

  char country[3];
  ReadLanguage(g_language, country);

  AddLocaleFolders(ProgramFolder(), g_language, country, folders);

  const AnsiString value = RegReadString(HKEY_LOCAL_MACHINE, RegistryQelKey, "Locales");
  if (!value.IsEmpty()) {
    TStringList pieces;
    SplitToComponents(value, ';', &pieces);
    for (int i = 0; i < pieces.GetCount(); ++i) {
      AnsiString piece = pieces.Get(i);
      // An empty piece (";;" or a trailing ";") names no folder.
      if (piece.IsEmpty()) continue;
      if (piece[piece.Length()] != '\\') piece += "\\";
      AddLocaleFolders(piece, g_language, country, folders);
    }
  }

  for (const AnsiString& folder : folders) AddFolderFiles(folder, *catalogue);
  g_catalogue = std::move(catalogue);
}

TLocaleFile* CatalogueFile(int index) { return static_cast<TLocaleFile*>(g_catalogue->GetItem(index)); }

// The application frees the catalogue when its message loop has ended, on the main thread.
void LocalemgrInitDone()
{
  ReleaseLocaleCatalogue();
  if (g_savedInitDoneProc) g_savedInitDoneProc();
}

TUnitInit LocalemgrUnitInit(
    "Localemgr",
    [] {
      g_savedInitDoneProc = InitDoneProc;
      InitDoneProc = &LocalemgrInitDone;
    },
    [] {
      if (InitDoneProc == &LocalemgrInitDone) InitDoneProc = g_savedInitDoneProc;
      // At process exit the documents' library may be gone already and COM must not be called from
      // here: a catalogue nobody released is left to the system.
      (void)g_catalogue.release();
    });

}  // namespace

// ---- TLocaleFile ---------------------------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TLocaleFile)

TLocaleFile::TLocaleFile(const AnsiString& fileName) : FileName(fileName)
{
  // A thread already in the multi-threaded apartment answers RPC_E_CHANGED_MODE and keeps its COM.
  const HRESULT hr = CoInitialize(nullptr);
  FComInitialized = hr == S_OK || hr == S_FALSE;
  Load();
}

TLocaleFile::~TLocaleFile()
{
  Document.Release();
  if (FComInitialized) CoUninitialize();
}

void TLocaleFile::Load()
{
  _di_IXMLDOMDocument2 document = CreateXmlDoc();
  if (!document) return;
  Document = document;

  VARIANT language;
  VariantInit(&language);
  language.vt = VT_BSTR;
  language.bstrVal = SysAllocString(L"XPath");
  WideString selectionLanguage(L"SelectionLanguage");
  Document->setProperty(selectionLanguage.c_bstr(), language);
  VariantClear(&language);
  Document->put_async(VARIANT_FALSE);

  // The parser reads exactly the bytes checked here, from memory.
  std::string bytes;
  if (!ReadTranslationBytes(FileName, bytes) || DeclaresDocumentType(bytes)) return;
  DelphiInterface<IStream> stream = MemoryStream(bytes);
  if (!stream) return;

  VARIANT source;
  VariantInit(&source);
  source.vt = VT_UNKNOWN;
  source.punkVal = stream;
  VARIANT_BOOL success = VARIANT_FALSE;
  Loaded = SUCCEEDED(Document->load(source, &success)) && success == VARIANT_TRUE;
  // A declaration the scan did not see (an encoding it does not read) still makes the file unloaded.
  DelphiInterface<IXMLDOMDocumentType> doctype;
  if (Loaded && SUCCEEDED(Document->get_doctype(&doctype)) && doctype) Loaded = false;
  if (IsLoaded()) ReadModuleId();
  OSTREL_TRACE(locale, "%s: %s", FileName.c_str(), IsLoaded() ? "loaded" : "not a translation file; left out");
}

void TLocaleFile::ReadModuleId()
{
  _di_IXMLDOMElement module = AsElement(SelectSingleNode(Document, L"/TRANSLATION/MODULE"));
  AnsiString id;
  if (module && TextAttribute(module, L"id", id)) ModuleId = StrToIntDef(id, 0);
}

AnsiString TLocaleFile::LookupString(int id)
{
  if (!IsLoaded()) return AnsiString();
  if (!FStringsIndexed) IndexStrings();
  const auto found = FStrings.find(IntToStr(id).str());
  return found == FStrings.end() ? AnsiString() : AnsiString(found->second);
}

// The index answers as the query "/TRANSLATION/STRINGS/STRING[@id='n']" would: the first element in
// document order whose id is exactly that text, and its value when the value is text.
void TLocaleFile::IndexStrings()
{
  FStringsIndexed = true;
  DelphiInterface<IXMLDOMNodeList> nodes;
  WideString query(L"/TRANSLATION/STRINGS/STRING");
  if (FAILED(Document->selectNodes(query.c_bstr(), &nodes)) || !nodes) return;
  for (;;) {
    _di_IXMLDOMNode node;
    if (nodes->nextNode(&node) != S_OK || !node) break;
    _di_IXMLDOMElement element = AsElement(node);
    AnsiString id;
    if (!element || !TextAttribute(element, L"id", id)) continue;
    if (FStrings.count(id.str())) continue;
    AnsiString value;
    TextAttribute(element, L"value", value);
    FStrings.emplace(id.str(), value.str());
  }
}

_di_IXMLDOMElement TLocaleFile::FindFormElement(const AnsiString& name)
{
  if (!IsLoaded()) return _di_IXMLDOMElement();
  const std::wstring query = std::wstring(L"/TRANSLATION/FORM[@name=") + localemgr_detail::XPathLiteral(name).c_str() + L"]";
  return AsElement(SelectSingleNode(Document, WideString(query)));
}

// ---- exports -----------------------------------------------------------------------------------------

AnsiString LocaleStr(int module, int id, const AnsiString& defaultText)
{
  GatherLocaleFiles();
  if (g_catalogue) {
    for (int i = 0; i < g_catalogue->GetCount(); ++i) {
      TLocaleFile* file = CatalogueFile(i);
      if (file->ModuleId != module) continue;
      AnsiString answer = file->LookupString(id);
      if (!answer.IsEmpty()) return answer;
    }
  }
  return defaultText;
}

bool LocaleSupportActive()
{
  GatherLocaleFiles();
  return g_catalogue && g_catalogue->GetCount() > 0;
}

const char* GetLocaleLanguage()
{
  EnsureLanguage();
  return g_language;
}

bool IsLocaleBidi()
{
  EnsureLanguage();
  return (g_language[0] == 'h' || g_language[0] == 'H') && (g_language[1] == 'e' || g_language[1] == 'E') &&
         g_language[2] == '\0';
}

_di_IXMLDOMElement GetContainerElement(const AnsiString& name)
{
  GatherLocaleFiles();
  if (g_catalogue) {
    for (int i = 0; i < g_catalogue->GetCount(); ++i)
      if (_di_IXMLDOMElement element = CatalogueFile(i)->FindFormElement(name)) return element;
  }
  return _di_IXMLDOMElement();
}

const TList* LocaleCatalogue()
{
  GatherLocaleFiles();
  return g_catalogue.get();
}

void ReleaseLocaleCatalogue()
{
  g_released = true;
  g_catalogue.reset();
}

// ---- helpers -----------------------------------------------------------------------------------------

namespace localemgr_detail {

WideString XPathLiteral(const AnsiString& text)
{
  const std::wstring wide = Utf8ToUtf16(text.str());
  if (wide.find(L'\'') == std::wstring::npos) return WideString(L"'" + wide + L"'");
  if (wide.find(L'"') == std::wstring::npos) return WideString(L"\"" + wide + L"\"");
  // Both kinds: apostrophe-free runs in apostrophes, each apostrophe in quotes.
  std::wstring literal = L"concat(";
  std::wstring run;
  bool first = true;
  auto part = [&](const std::wstring& piece) {
    if (!first) literal += L", ";
    literal += piece;
    first = false;
  };
  for (wchar_t c : wide) {
    if (c == L'\'') {
      if (!run.empty()) part(L"'" + run + L"'");
      run.clear();
      part(L"\"'\"");
    } else {
      run += c;
    }
  }
  // A text with both kinds has a run holding the quote besides an apostrophe: two arguments at least.
  if (!run.empty()) part(L"'" + run + L"'");
  literal += L")";
  return WideString(literal);
}

AnsiString FittingIsoCode(const wchar_t* code)
{
  if (!code) return AnsiString();
  size_t length = 0;
  for (; code[length]; ++length) {
    const wchar_t c = code[length];
    if (length >= 2 || !((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))) return AnsiString();
  }
  return AnsiString(Utf16ToUtf8(std::wstring(code, length)));
}

}  // namespace localemgr_detail
