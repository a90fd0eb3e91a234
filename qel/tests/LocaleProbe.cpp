// A program whose first call into the locale manager builds the catalogue from its own folder: the
// catalogue tests copy it beside the translation folders they lay out and read what it answers.
//   localeprobe OUTFILE COMMAND...
// Commands, each answering one line in OUTFILE (UTF-8):
//   lang            the user's language code       bidi      IsLocaleBidi, 0 or 1
//   active          LocaleSupportActive, 0 or 1    files     the catalogue: path|module|loaded ...
//   str M ID TEXT   LocaleStr(M, ID, TEXT)         form NAME the FORM section's text, or (none)
//   release         frees the catalogue
// Texts in arguments may spell any byte as %XX, and "(empty)" is the empty text (the command line
// cannot carry a quote or an empty argument through the runtime's splitting).
#include <windows.h>

#include <cstdio>
#include <string>

#include "Localemgr.h"
#include "SysUtils.h"

namespace {

AnsiString NodeText(IXMLDOMNode* node)
{
  BSTR text = nullptr;
  if (FAILED(node->get_text(&text))) return "(no text)";
  AnsiString result(WideString(text ? text : L""));
  SysFreeString(text);
  return result;
}

AnsiString Argument(int index)
{
  const AnsiString raw = ParamStr(index);
  if (raw == "(empty)") return AnsiString();
  std::string text;
  for (int i = 1; i <= raw.Length(); ++i) {
    if (raw[i] == '%' && i + 2 <= raw.Length()) {
      text += static_cast<char>(std::stoi(raw.SubString(i + 1, 2).str(), nullptr, 16));
      i += 2;
    } else {
      text += raw[i];
    }
  }
  return AnsiString(text);
}

AnsiString Catalogue()
{
  const TList* files = LocaleCatalogue();
  if (!files) return "(released)";
  AnsiString line;
  for (int i = 0; i < files->GetCount(); ++i) {
    const auto* file = static_cast<const TLocaleFile*>(files->Get(i));
    if (i) line += "\t";
    line += file->FileName + "|" + IntToStr(file->ModuleId) + "|" + (file->Loaded ? "1" : "0");
  }
  return line;
}

}  // namespace

int main()
{
  if (ParamCount() < 1) return 2;
  std::string out;
  for (int i = 2; i <= ParamCount(); ++i) {
    const AnsiString command = ParamStr(i);
    AnsiString answer;
    if (command == "lang") {
      answer = GetLocaleLanguage();
    } else if (command == "bidi") {
      answer = IsLocaleBidi() ? "1" : "0";
    } else if (command == "active") {
      answer = LocaleSupportActive() ? "1" : "0";
    } else if (command == "files") {
      answer = Catalogue();
    } else if (command == "release") {
      ReleaseLocaleCatalogue();
      answer = "released";
    } else if (command == "str" && i + 3 <= ParamCount()) {
      answer = LocaleStr(StrToInt(ParamStr(i + 1)), StrToInt(ParamStr(i + 2)), Argument(i + 3));
      i += 3;
    } else if (command == "form" && i + 1 <= ParamCount()) {
      _di_IXMLDOMElement element = GetContainerElement(Argument(++i));
      answer = element ? NodeText(element) : AnsiString("(none)");
    } else {
      return 3;
    }
    out += answer.str() + "\n";
  }
  const std::wstring path = Utf8ToUtf16(ParamStr(1).str());
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return 4;
  fwrite(out.data(), 1, out.size(), file);
  fclose(file);
  ReleaseLocaleCatalogue();
  return 0;
}
