// Makes TLocalizedForm from its stored form and writes its texts, one a line (UTF-8), to OUTFILE:
// form caption, form hint, button caption, button hint, title before the constructor body, title,
// panel caption, number of Localize calls.
//   qelformprobe OUTFILE
#include <windows.h>

#include <cstdio>
#include <memory>

#include "LocalizedForms.h"

int main()
{
  if (ParamCount() < 1) return 2;
  Application->Initialize();
  RegisterLocalizedForms();
  std::string out;
  {
    std::unique_ptr<TLocalizedForm> form(new TLocalizedForm(Application));
    for (const AnsiString& line :
         {form->GetCaption(), form->GetHint(), form->PlayButton->GetCaption(), form->PlayButton->GetHint(),
          form->TitleBeforeBody, form->TitleLabel->GetCaption(), form->InfoPanel->GetCaption(),
          AnsiString(form->Localizations)})
      out += line.str() + "\n";
  }
  const std::wstring path = Utf8ToUtf16(ParamStr(1).str());
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return 4;
  fwrite(out.data(), 1, out.size(), file);
  fclose(file);
  return 0;
}
