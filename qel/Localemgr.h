// The locale manager: every module's user-visible texts in the user's language, from XML translation
// files found beside the program and in the folders named by the registry value "Locales" under
// HKEY_LOCAL_MACHINE\SOFTWARE\QEL. A caller passes its own text as the default; the answer is the
// first translation found for it, or that default.
//
// A translation file:
//
//   <TRANSLATION>
//     <MODULE id="200"/>
//     <STRINGS><STRING id="10" value="..."/></STRINGS>
//     <FORM name="TVyrPlayerForm">...</FORM>
//   </TRANSLATION>
//
// Files live in LOCALES\ll_CC\ and LOCALES\ll\ below each base folder (ll: the user's ISO 639
// language, CC: the ISO 3166 country), the country's folder first, the program's folder before the
// registry's. The catalogue of files is built once, on the first call that needs it, on the thread
// that makes it; every call is expected from that thread.
#pragma once

#include <string>
#include <unordered_map>

#include "Classes.h"
#include "Xmlkit.h"

// One translation file, loaded when constructed. A file that is missing or cannot be parsed stays
// unloaded with module 0.
class TLocaleFile : public TObject {
  VCL_DECLARE_CLASS(TLocaleFile, TObject)

public:
  explicit TLocaleFile(const AnsiString& fileName);
  ~TLocaleFile() override;

  bool IsLoaded() const { return Loaded && Document; }
  // The value of string `id`: the first STRING element whose id attribute is exactly the decimal
  // text of id; "" when not loaded, not found, or when that element has no text "value".
  // The platform's XPath costs a few hundred microseconds a query, so the first lookup reads every
  // STRING of the document once, in document order, and later lookups answer from that index. The
  // document is not expected to change after loading.
  AnsiString LookupString(int id);
  // The FORM element named exactly `name`; empty when not loaded or there is none.
  _di_IXMLDOMElement FindFormElement(const AnsiString& name);

  AnsiString FileName;
  int ModuleId = 0;
  bool Loaded = false;
  _di_IXMLDOMDocument2 Document;

private:
  void Load();
  void ReadModuleId();
  void IndexStrings();

  bool FComInitialized = false;
  bool FStringsIndexed = false;
  std::unordered_map<std::string, std::string> FStrings;  // id text → value of its first element
};

// The text of string `id` of module `module` from the first file (in catalogue order) of that module
// that has a non-empty one; else defaultText.
AnsiString LocaleStr(int module, int id, const AnsiString& defaultText);
// True when the catalogue holds at least one file, parsed or not.
bool LocaleSupportActive();
// The user's two-letter ISO 639 language ("he"); "" when the platform gives none that fits. Read
// from the user's default locale when first asked or when the catalogue is built.
const char* GetLocaleLanguage();
// True when the user's language is Hebrew ("he" in any letter case).
bool IsLocaleBidi();
// The FORM section for a form name from the first file, in catalogue order, that has one.
_di_IXMLDOMElement GetContainerElement(const AnsiString& name);

// The catalogue's files in order (building it if needed); null once it has been released. For
// diagnostics and tests: the list and its files belong to the locale manager.
const TList* LocaleCatalogue();
// Frees the catalogue and its documents on the calling thread. The application does this when its
// message loop ends; a program without one may call it before it returns. Later calls answer as with
// no translation files: the catalogue is never built again.
void ReleaseLocaleCatalogue();

namespace localemgr_detail {
// An XPath literal for text: in apostrophes, or in quotes when the text has an apostrophe, or built
// with concat() when it has both, so that no text can change the query around it.
WideString XPathLiteral(const AnsiString& text);
// The code for a two-letter buffer: code when it is one or two ASCII letters, else "".
AnsiString FittingIsoCode(const wchar_t* code);
}  // namespace localemgr_detail
