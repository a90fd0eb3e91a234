// TQelForm: the product line's form. Its constructor reads the stored form like any VCL form's; then,
// still before the derived constructor's body runs, it applies the translation of the form's texts
// (Localize) and takes the application's reading direction unless the stored form says otherwise
// (RunTimeParentBiDiMode).
//
// The translation is the FORM section of the locale manager's files for the form's Name:
//
//   <FORM name="VyrPlayerForm" Caption="..." Hint="...">
//     <COMPONENT name="PlayPauseAction" Caption="..." Hint="..."/>
//   </FORM>
//
// Caption and Hint of the FORM element go to the form, those of each COMPONENT to the form's
// component of that name, where it publishes a text property of that name. Everything else is
// ignored: unknown components, other attributes and elements, and empty values.
#pragma once

#include "Forms.h"

class TQelForm : public TForm {
  VCL_DECLARE_CLASS(TQelForm, TForm)

public:
  explicit TQelForm(TOwnerArg owner) : TForm(owner) {}
  TQelForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}

  void AfterConstruction() override;
  // Applies the FORM section for the form's name; called when the stored form has been read.
  virtual void Localize();

  // True (the default): at run time the form reads in the application's direction, whatever its
  // stored BiDiMode. False keeps the stored direction. Stored only when false.
  bool GetRunTimeParentBiDiMode() const { return FRunTimeParentBiDiMode; }
  void SetRunTimeParentBiDiMode(bool value) { FRunTimeParentBiDiMode = value; }

protected:
  void DefineProperties(TFiler* filer) override;
  void Loaded() override;

private:
  bool FRunTimeParentBiDiMode = true;
};
