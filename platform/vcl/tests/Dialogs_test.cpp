// Message boxes: the buttons and icon chosen for MessageDlg's arguments, and real boxes answered by a
// watcher thread that presses one of their buttons.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ControlsTestSupport.h"
#include "Dialogs.h"

using namespace ctltest;

namespace {

// What the watcher saw of the box it answered.
struct TBoxSeen {
  bool Found = false;
  std::wstring Caption;
  std::wstring Text;
  bool HasButton[12] = {};
  RECT Place{};
};

struct TFindBox {
  HWND Box = nullptr;
};

BOOL CALLBACK FindBoxWindow(HWND window, LPARAM data)
{
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
    reinterpret_cast<TFindBox*>(data)->Box = window;
    return FALSE;
  }
  return TRUE;
}

// Waits (at most five seconds) for a message box on the given thread, notes what it shows and
// presses the button with that ID.
class TBoxAnswerer {
public:
  TBoxAnswerer(DWORD threadId, int buttonId) : FThreadId(threadId), FButton(buttonId)
  {
    FThread = std::thread([this] {
      try {
        Run();
      } catch (...) {
      }
    });
  }
  ~TBoxAnswerer()
  {
    if (FThread.joinable()) FThread.join();
  }
  const TBoxSeen& Seen()
  {
    if (FThread.joinable()) FThread.join();
    return FSeen;
  }

private:
  void Run()
  {
    for (int i = 0; i < 500; ++i) {
      TFindBox find;
      EnumThreadWindows(FThreadId, FindBoxWindow, LPARAM(&find));
      if (find.Box) return Answer(find.Box);
      Sleep(10);
    }
  }
  void Answer(HWND box)
  {
    // Give the box a moment to finish placing itself.
    Sleep(50);
    FSeen.Found = true;
    wchar_t text[256] = {};
    GetWindowTextW(box, text, 256);
    FSeen.Caption = text;
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    FSeen.Text = text;
    for (int id = 1; id < 12; ++id) FSeen.HasButton[id] = GetDlgItem(box, id) != nullptr;
    GetWindowRect(box, &FSeen.Place);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(FButton, BN_CLICKED), LPARAM(GetDlgItem(box, FButton)));
  }
  DWORD FThreadId;
  int FButton;
  TBoxSeen FSeen;
  std::thread FThread;
};

}  // namespace

TEST(MessageDlg, ButtonsAndIconsMapToThePlatformBox)
{
  using vcl_detail::MessageDlgFlags;
  EXPECT_EQ(MessageDlgFlags(mtConfirmation, mbYesNoCancel), UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(MessageDlgFlags(mtWarning, TMsgDlgButtons() << mbYes << mbNo), UINT(MB_YESNO | MB_ICONWARNING));
  EXPECT_EQ(MessageDlgFlags(mtError, mbAbortRetryIgnore), UINT(MB_ABORTRETRYIGNORE | MB_ICONERROR));
  EXPECT_EQ(MessageDlgFlags(mtInformation, TMsgDlgButtons() << mbRetry << mbCancel), UINT(MB_RETRYCANCEL | MB_ICONINFORMATION));
  EXPECT_EQ(MessageDlgFlags(mtCustom, mbOKCancel), UINT(MB_OKCANCEL));
  EXPECT_EQ(MessageDlgFlags(mtCustom, TMsgDlgButtons() << mbOK), UINT(MB_OK));
  EXPECT_EQ(MessageDlgFlags(mtCustom, TMsgDlgButtons() << mbOK << mbHelp), UINT(MB_OK | MB_HELP));
  // Buttons the platform has no box for fall back on the largest set they contain.
  EXPECT_EQ(MessageDlgFlags(mtCustom, mbYesAllNoAllCancel), UINT(MB_YESNOCANCEL));
  EXPECT_EQ(MessageDlgFlags(mtCustom, TMsgDlgButtons() << mbAll), UINT(MB_OK));
  EXPECT_EQ(vcl_detail::MessageDlgCaption(mtConfirmation), AnsiString("Confirm"));
  EXPECT_EQ(vcl_detail::MessageDlgCaption(mtError), AnsiString("Error"));
  EXPECT_EQ(vcl_detail::MessageDlgCaption(mtCustom), Application->GetTitle());
}

TEST(MessageDlg, AnswersComeBackAsModalResults)
{
  {
    TBoxAnswerer answerer(GetCurrentThreadId(), IDNO);
    EXPECT_EQ(MessageDlg("Save the play list?", mtConfirmation, mbYesNoCancel, 0), mrNo);
    const TBoxSeen& seen = answerer.Seen();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Caption, L"Confirm");
    EXPECT_TRUE(seen.HasButton[IDYES] && seen.HasButton[IDNO] && seen.HasButton[IDCANCEL]);
    EXPECT_FALSE(seen.HasButton[IDOK]);
  }
  {
    TBoxAnswerer answerer(GetCurrentThreadId(), IDRETRY);
    EXPECT_EQ(MessageDlg("Disc not ready", mtError, mbAbortRetryIgnore, 0), mrRetry);
    const TBoxSeen& seen = answerer.Seen();
    EXPECT_TRUE(seen.HasButton[IDABORT] && seen.HasButton[IDRETRY] && seen.HasButton[IDIGNORE]);
  }
  {
    TBoxAnswerer answerer(GetCurrentThreadId(), IDCANCEL);
    EXPECT_EQ(MessageDlgPos("Placed", mtInformation, mbOKCancel, 0, 30, 40), mrCancel);
    const TBoxSeen& seen = answerer.Seen();
    EXPECT_EQ(seen.Place.left, 30);
    EXPECT_EQ(seen.Place.top, 40);
    EXPECT_TRUE(seen.HasButton[IDOK]);
    EXPECT_FALSE(seen.HasButton[IDYES]);
  }
}

TEST(MessageDlg, ShowMessageCarriesHebrewText)
{
  TBoxAnswerer answerer(GetCurrentThreadId(), IDOK);
  ShowMessage("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
  const TBoxSeen& seen = answerer.Seen();
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Caption, Utf8ToUtf16(Application->GetTitle().str()));
  EXPECT_EQ(seen.Text, L"\u05E9\u05DC\u05D5\u05DD");
  EXPECT_FALSE(seen.HasButton[IDCANCEL]);
}
