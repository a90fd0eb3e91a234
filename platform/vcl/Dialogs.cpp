// Dialogs: MessageDlg and ShowMessage over the platform's message box.
#include "Dialogs.h"

VCL_IMPLEMENT_ENUM(TMsgDlgType, "mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom")
VCL_IMPLEMENT_ENUM(TMsgDlgBtn, "mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore", "mbAll",
                   "mbNoToAll", "mbYesToAll", "mbHelp")

namespace {

bool Contains(TMsgDlgButtons buttons, std::initializer_list<TMsgDlgBtn> wanted)
{
  for (TMsgDlgBtn b : wanted)
    if (!buttons.Contains(b)) return false;
  return true;
}

// Moves the next dialog box this thread activates to a given place (MessageBoxW has no position).
class TBoxPlacer {
public:
  TBoxPlacer(int x, int y)
  {
    if (x < 0 || y < 0) return;
    Target = POINT{x, y};
    FHook = SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
  }
  ~TBoxPlacer()
  {
    if (FHook) UnhookWindowsHookEx(FHook);
  }
  TBoxPlacer(const TBoxPlacer&) = delete;
  TBoxPlacer& operator=(const TBoxPlacer&) = delete;

private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam)
  {
    if (code == HCBT_ACTIVATE) {
      HWND box = reinterpret_cast<HWND>(wParam);
      wchar_t name[16] = {};
      GetClassNameW(box, name, 16);
      if (lstrcmpW(name, L"#32770") == 0)
        SetWindowPos(box, nullptr, Target.x, Target.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static thread_local POINT Target;
  HHOOK FHook = nullptr;
};

thread_local POINT TBoxPlacer::Target{};

int ShowBox(const AnsiString& msg, const AnsiString& caption, UINT flags, int x, int y)
{
  TBoxPlacer placer(x, y);
  if (Application) return Application->MessageBox(msg, caption, int(flags));
  return MessageBoxW(nullptr, Utf8ToUtf16(msg.str()).c_str(), Utf8ToUtf16(caption.str()).c_str(), flags);
}

}  // namespace

namespace vcl_detail {

UINT MessageDlgFlags(TMsgDlgType dlgType, TMsgDlgButtons buttons)
{
  UINT flags = MB_OK;
  if (Contains(buttons, {mbYes, mbNo, mbCancel})) flags = MB_YESNOCANCEL;
  else if (Contains(buttons, {mbYes, mbNo})) flags = MB_YESNO;
  else if (Contains(buttons, {mbAbort, mbRetry, mbIgnore})) flags = MB_ABORTRETRYIGNORE;
  else if (Contains(buttons, {mbRetry, mbCancel})) flags = MB_RETRYCANCEL;
  else if (Contains(buttons, {mbOK, mbCancel})) flags = MB_OKCANCEL;
  if (buttons.Contains(mbHelp)) flags |= MB_HELP;
  static const UINT icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
  return flags | icons[dlgType];
}

AnsiString MessageDlgCaption(TMsgDlgType dlgType)
{
  static const char* const captions[] = {"Warning", "Error", "Information", "Confirm"};
  if (dlgType == mtCustom) return Application ? Application->GetTitle() : AnsiString();
  return captions[dlgType];
}

}  // namespace vcl_detail

int MessageDlg(const AnsiString& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx)
{
  return MessageDlgPos(msg, dlgType, buttons, helpCtx, -1, -1);
}

int MessageDlgPos(const AnsiString& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int, int x, int y)
{
  return ShowBox(msg, vcl_detail::MessageDlgCaption(dlgType), vcl_detail::MessageDlgFlags(dlgType, buttons), x, y);
}

void ShowMessage(const AnsiString& msg) { ShowMessagePos(msg, -1, -1); }

void ShowMessagePos(const AnsiString& msg, int x, int y)
{
  ShowBox(msg, Application ? Application->GetTitle() : AnsiString(), MB_OK, x, y);
}
