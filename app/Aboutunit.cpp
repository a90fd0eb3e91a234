#include "Aboutunit.h"

#include "SysUtils.h"
#include "TypInfo.h"

TAboutForm* AboutForm = nullptr;

VCL_PUBLISHED(TAboutForm)
{
  p.Field("AboutDShowPlayer", &TAboutForm::AboutDShowPlayer);
  p.Method("FormShow", &TAboutForm::FormShow);
}

void TAboutForm::FormShow(TObject*)
{
  const AnsiString path = ExtractFilePath(Application->GetExeName()) + "About\\About.vyr";
  if (FileExists(path)) {
    AboutDShowPlayer->Open(path);
    SetClientWidth(AboutDShowPlayer->GetWidth());
    SetClientHeight(AboutDShowPlayer->GetHeight());
    AboutDShowPlayer->Play();
  } else {
    PostMessageW(GetHandle(), WM_CLOSE, 0, 0);
  }
}
