// Dialogs: message boxes in the VCL's terms (MessageDlg, MessageDlgPos, ShowMessage), over the
// platform's MessageBoxW through Application->MessageBox (so a right-to-left application gets
// right-to-left boxes).
//
// Bodies: Dialogs.cpp.
//
// The platform's box offers fixed sets of buttons; the buttons asked for choose the first set they
// wholly contain, in this order: Yes/No/Cancel, Yes/No, Abort/Retry/Ignore, Retry/Cancel, OK/Cancel,
// and OK alone otherwise. mbAll, mbNoToAll and mbYesToAll have no platform button and are left out;
// mbHelp adds the platform's Help button (it sends WM_HELP to the owner window). The type chooses the
// icon and the caption: mtWarning (exclamation, "Warning"), mtError (hand, "Error"), mtInformation
// (asterisk, "Information"), mtConfirmation (question, "Confirm"), mtCustom (no icon, the
// application's title). The answer is the mr* value of the button pressed (they equal the platform's
// ID* values).
#pragma once

#include "Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
VCL_DECLARE_ENUM(TMsgDlgType);
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
VCL_DECLARE_ENUM(TMsgDlgBtn);
using TMsgDlgButtons = Set<TMsgDlgBtn, mbYes, mbHelp>;

inline const TMsgDlgButtons mbYesNoCancel = TMsgDlgButtons() << mbYes << mbNo << mbCancel;
inline const TMsgDlgButtons mbYesAllNoAllCancel =
    TMsgDlgButtons() << mbYes << mbYesToAll << mbNo << mbNoToAll << mbCancel;
inline const TMsgDlgButtons mbOKCancel = TMsgDlgButtons() << mbOK << mbCancel;
inline const TMsgDlgButtons mbAbortRetryIgnore = TMsgDlgButtons() << mbAbort << mbRetry << mbIgnore;

int MessageDlg(const AnsiString& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx);
// The same with the box's top-left corner at (x, y) on the screen; -1 leaves it where the platform
// puts it.
int MessageDlgPos(const AnsiString& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx, int x, int y);
void ShowMessage(const AnsiString& msg);
void ShowMessagePos(const AnsiString& msg, int x, int y);

namespace vcl_detail {
// The MessageBoxW style (buttons, icon, help) for a type and a set of buttons.
UINT MessageDlgFlags(TMsgDlgType dlgType, TMsgDlgButtons buttons);
// The caption MessageDlg gives a box of that type.
AnsiString MessageDlgCaption(TMsgDlgType dlgType);
}  // namespace vcl_detail
