// Two forms of the product line's base for its tests: one that keeps its stored reading direction and
// whose constructor body sets a text of its own, and one that follows the application.
#pragma once

#include "ExtCtrls.h"
#include "Qelform.h"
#include "StdCtrls.h"

class TLocalizedForm : public TQelForm {
  VCL_DECLARE_FORM(TLocalizedForm, TQelForm)
  explicit TLocalizedForm(TOwnerArg owner);

  TButton* PlayButton;
  TLabel* TitleLabel;
  TPanel* InfoPanel;
  // What the title said when the constructor body began.
  AnsiString TitleBeforeBody;
  // Counted while the stored form is read, before this class's members would be initialised: no
  // initialiser (objects start zeroed, as in the VCL).
  int Localizations;

  void Localize() override;
};

class TFollowingForm : public TQelForm {
  VCL_DECLARE_FORM(TFollowingForm, TQelForm)
  explicit TFollowingForm(TOwnerArg owner) : TQelForm(owner) {}
};

void RegisterLocalizedForms();
