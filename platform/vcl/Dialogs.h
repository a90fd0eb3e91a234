// Dialogs: message boxes in the VCL's terms (MessageDlg, MessageDlgPos, ShowMessage), over the
// platform's MessageBoxW through Application->MessageBox (so a right-to-left application gets
// right-to-left boxes), and the common dialogs' components (TOpenDialog) over the platform's.
//
// Bodies: Dialogs.cpp (message boxes), DialogsFile.cpp (TCommonDialog, TOpenDialog), DialogsColor.cpp
// (TColorDialog).
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

#include <memory>
#include <vector>

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

// ---------------------------------------------------------------------------------------------------
// Common dialogs (DialogsFile.cpp).
//
// Execute runs the platform's dialog modally, owned by the active form (or the application's window),
// centred on that form (or on the screen's work area), and answers true when the user accepted it, false when the user cancelled. A dialog the platform
// cannot show raises EInvalidOperation with the platform's error code. Events run inside the
// platform's dialog; an exception they raise goes to Application->HandleException and never through
// the platform's frames.
class TCommonDialog : public TComponent {
  VCL_DECLARE_CLASS(TCommonDialog, TComponent)
  explicit TCommonDialog(TOwnerArg owner);
  ~TCommonDialog() override;
  virtual bool Execute() = 0;
  int GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }
  // Kept for stored forms: the platform's dialogs have drawn themselves in three dimensions since
  // Windows 95, so it changes nothing.
  bool GetCtl3D() const { return FCtl3D; }
  void SetCtl3D(bool value) { FCtl3D = value; }
  // The window of the dialog while it is up (the platform's dialog, not its child), else null.
  HWND GetHandle() const { return FHandle; }
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

protected:
  virtual void DoShow();
  virtual void DoClose();
  // The window that owns the dialog: the active form's, else the application's.
  HWND OwnerWindow() const;
  HWND FHandle = nullptr;

private:
  int FHelpContext = 0;
  bool FCtl3D = true;
};

// The VCL's open options, in its order; each but ofOldStyleDialog is one OFN_* flag. The dialog is
// always the Explorer-style one (hooks and child templates need it), so ofOldStyleDialog is kept and
// ignored. After Execute, ofReadOnly and ofExtensionDifferent tell what the platform answered.
enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
  ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
  ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
  ofEnableIncludeNotify, ofEnableSizing
};
VCL_DECLARE_ENUM(TOpenOption);
using TOpenOptions = Set<TOpenOption, ofReadOnly, ofEnableSizing>;

// The platform's open dialog (GetOpenFileNameW). Texts are UTF-8. Filter is the VCL's
// "Text files (*.txt)|*.txt|All files|*.*"; FilterIndex counts from 1. FileName is the chosen file's
// full path (the first one when several were chosen); Files lists every chosen path.
class TOpenDialog : public TCommonDialog {
  VCL_DECLARE_CLASS(TOpenDialog, TCommonDialog)
  explicit TOpenDialog(TOwnerArg owner);
  // [ofHideReadOnly, ofEnableSizing], as the VCL starts.
  static TOpenOptions DefaultOpenOptions();
  ~TOpenDialog() override;
  bool Execute() override;

  AnsiString GetDefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const AnsiString& value) { FDefaultExt = value; }
  AnsiString GetFileName() const { return FFileName; }
  void SetFileName(const AnsiString& value) { FFileName = value; }
  TStrings* GetFiles() const { return FFiles.get(); }
  AnsiString GetFilter() const { return FFilter; }
  void SetFilter(const AnsiString& value) { FFilter = value; }
  int GetFilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int value) { FFilterIndex = value; }
  AnsiString GetInitialDir() const { return FInitialDir; }
  void SetInitialDir(const AnsiString& value) { FInitialDir = value; }
  TOpenOptions GetOptions() const { return FOptions; }
  void SetOptions(TOpenOptions value) { FOptions = value; }
  AnsiString GetTitle() const { return FTitle; }
  void SetTitle(const AnsiString& value) { FTitle = value; }

  TNotifyEvent OnSelectionChange;
  TNotifyEvent OnFolderChange;
  TNotifyEvent OnTypeChange;

protected:
  virtual void DoSelectionChange();
  virtual void DoFolderChange();
  virtual void DoTypeChange();
  // The path the dialog shows as selected now (while it is up): file, folder or "".
  AnsiString GetSelectedPath() const;
  // A descendant that wants controls of its own beside the platform's gives a dialog template for
  // the child dialog (DS_CONTROL | WS_CHILD, with a stc32 static where the platform's controls go)
  // and hears the child dialog's messages. The template must stay put while Execute runs.
  virtual const DLGTEMPLATE* ChildTemplate() { return nullptr; }
  // A message of the child dialog; true when handled (the answer then goes in result).
  virtual bool ChildMessage(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
  // Centres the dialog on its owner form, or on the work area when the owner is not a visible window
  // with a size (the application's window), kept on the monitor's work area.
  static void CenterDialog(HWND dialog);
  static UINT_PTR CALLBACK HookProc(HWND child, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  UINT_PTR Hook(HWND child, UINT msg, WPARAM wParam, LPARAM lParam);
  void TakeResult(const std::vector<wchar_t>& buffer, DWORD flags, DWORD filterIndex);

  AnsiString FDefaultExt;
  AnsiString FFileName;
  std::unique_ptr<TStringList> FFiles;
  AnsiString FFilter;
  int FFilterIndex = 1;
  AnsiString FInitialDir;
  TOpenOptions FOptions = DefaultOpenOptions();
  AnsiString FTitle;
};

// ---------------------------------------------------------------------------------------------------
// The platform's colour chooser (ChooseColorW). Color is where it starts and what the user chose;
// CustomColors holds the sixteen custom colours as the VCL stores them, lines "ColorA=RRGGBB" to
// "ColorP=..." whose value is the colour's hexadecimal TColor ($00BBGGRR); a missing or unreadable
// line is white. After an accepted Execute all sixteen lines are written back.
enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
VCL_DECLARE_ENUM(TColorDialogOption);
using TColorDialogOptions = Set<TColorDialogOption, cdFullOpen, cdAnyColor>;

class TColorDialog : public TCommonDialog {
  VCL_DECLARE_CLASS(TColorDialog, TCommonDialog)
  explicit TColorDialog(TOwnerArg owner);
  ~TColorDialog() override;
  bool Execute() override;
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }
  TStrings* GetCustomColors() const { return FCustomColors.get(); }
  void SetCustomColors(TStrings* value) { FCustomColors->Assign(value); }
  TColorDialogOptions GetOptions() const { return FOptions; }
  void SetOptions(TColorDialogOptions value) { FOptions = value; }

private:
  static UINT_PTR CALLBACK HookProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  TColor FColor = clBlack;
  std::unique_ptr<TStringList> FCustomColors;
  TColorDialogOptions FOptions;
};

namespace vcl_detail {
// The sixteen custom colours of CustomColors lines, and the lines of sixteen colours.
void CustomColorsFromLines(TStrings* lines, COLORREF (&colors)[16]);
void CustomColorsToLines(const COLORREF (&colors)[16], TStrings* lines);
// The CC_* flags of a set of options.
DWORD ColorOptionFlags(TColorDialogOptions options);
}  // namespace vcl_detail

namespace vcl_detail {
// The platform's filter text: '|' become NULs, and the whole ends in two NULs.
std::wstring DialogFilter(const AnsiString& filter);
// The OFN_* flags of a set of options (Explorer style and hook not included).
DWORD OpenOptionFlags(TOpenOptions options);
// The chosen paths in GetOpenFileNameW's buffer: one full path, or (with several) the folder and
// then the names, each NUL-terminated, the list ending in an empty one.
std::vector<std::wstring> ChosenPaths(const wchar_t* buffer, size_t size);
}  // namespace vcl_detail
