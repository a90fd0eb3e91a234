// TAboutForm: the About window. It plays the clip About\About.vyr beside the program, looping, and
// closes itself at once when the clip is not there.
#pragma once

#include "Forms.h"
#include "Qelvyrplayer.h"

class TAboutForm : public TForm {
  VCL_DECLARE_FORM(TAboutForm, TForm)

public:
  explicit TAboutForm(TOwnerArg owner) : TForm(owner) {}

  TQelVyrPlayer* AboutDShowPlayer;

  void FormShow(TObject* Sender);
};

// Declared for the program's other units; About windows are made when asked for, never kept here.
extern TAboutForm* AboutForm;
