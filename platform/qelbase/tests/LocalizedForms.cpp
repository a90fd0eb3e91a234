#include "LocalizedForms.h"

#include "TypInfo.h"

VCL_PUBLISHED(TLocalizedForm)
{
  p.Field("PlayButton", &TLocalizedForm::PlayButton);
  p.Field("TitleLabel", &TLocalizedForm::TitleLabel);
  p.Field("InfoPanel", &TLocalizedForm::InfoPanel);
}

VCL_IMPLEMENT_CLASS(TFollowingForm)

TLocalizedForm::TLocalizedForm(TOwnerArg owner) : TQelForm(owner)
{
  TitleBeforeBody = TitleLabel->GetCaption();
  // The window's own code has the last word.
  TitleLabel->SetCaption("Set by code");
}

void TLocalizedForm::Localize()
{
  ++Localizations;
  TQelForm::Localize();
}

void RegisterLocalizedForms()
{
  RegisterClasses({TButton::StaticClass(), TLabel::StaticClass(), TPanel::StaticClass()});
}
