// The colour dialog: custom colours as the VCL stores them, and the platform's chooser run with the
// colour it starts from, accepted with a changed colour and cancelled.
#include "Dialogs.h"

#include <commdlg.h>
#include <colordlg.h>
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"

namespace {

TEST(ColorDialog, CustomColorLinesReadAndWriteAsTheVclStoresThem)
{
  struct Case {
    const char* line;
    COLORREF first;
  } cases[] = {
      {"ColorA=FF0000", 0xFF0000}, {"ColorA=00ff80", 0x00FF80}, {"ColorA=zz", RGB(255, 255, 255)},
      {"ColorA=1000000", RGB(255, 255, 255)}, {"ColorB=000000", RGB(255, 255, 255)}, {"ColorA=", RGB(255, 255, 255)},
  };
  for (const Case& c : cases) {
    TStringList lines;
    lines.Add(c.line);
    lines.Add("ColorP=123456");
    COLORREF colors[16];
    vcl_detail::CustomColorsFromLines(&lines, colors);
    EXPECT_EQ(colors[0], c.first) << c.line;
    EXPECT_EQ(colors[15], COLORREF(0x123456)) << c.line;
  }
  COLORREF colors[16];
  for (int i = 0; i < 16; ++i) colors[i] = RGB(i, 0, 255);
  TStringList written;
  vcl_detail::CustomColorsToLines(colors, &written);
  ASSERT_EQ(written.GetCount(), 16);
  EXPECT_EQ(written.Get(0).str(), "ColorA=FF0000");
  EXPECT_EQ(written.Get(15).str(), "ColorP=FF000F");
  EXPECT_EQ(vcl_detail::ColorOptionFlags(TColorDialogOptions() << cdFullOpen << cdAnyColor), DWORD(CC_FULLOPEN | CC_ANYCOLOR));
}

// Once the chooser is up (the platform fills its fields after the hook's WM_INITDIALOG), reads its
// red, green and blue fields, sets blue and presses a button.
class TColorProbe : public TColorDialog {
  VCL_DECLARE_CLASS(TColorProbe, TColorDialog)
  explicit TColorProbe(TOwnerArg owner) : TColorDialog(owner)
  {
    OnShow = TNotifyEvent(this, &TColorProbe::Shown);
    OnClose = TNotifyEvent(this, &TColorProbe::Closed);
  }
  int Button = IDOK;
  UINT Fields[3] = {999, 999, 999};
  bool WasClosed = false;
  static TColorProbe* Running;
  void Shown(TObject*)
  {
    Running = this;
    SetTimer(GetHandle(), 1, 20, &TColorProbe::Act);
  }
  static void CALLBACK Act(HWND dialog, UINT, UINT_PTR id, DWORD)
  {
    KillTimer(dialog, id);
    const int fields[] = {COLOR_RED, COLOR_GREEN, COLOR_BLUE};
    for (int i = 0; i < 3; ++i) Running->Fields[i] = GetDlgItemInt(dialog, fields[i], nullptr, FALSE);
    SetDlgItemInt(dialog, COLOR_BLUE, 200, FALSE);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(Running->Button, BN_CLICKED), LPARAM(GetDlgItem(dialog, Running->Button)));
  }
  void Closed(TObject*) { WasClosed = true; }
};
TColorProbe* TColorProbe::Running = nullptr;
VCL_IMPLEMENT_CLASS(TColorProbe)

TEST(ColorDialog, StartsFromItsColourAndTakesTheChosenOneOnlyWhenAccepted)
{
  for (int button : {IDOK, IDCANCEL}) {
    TColorProbe dialog(nullptr);
    dialog.Button = button;
    dialog.SetColor(TColor(RGB(10, 20, 30)));
    dialog.SetOptions(TColorDialogOptions() << cdFullOpen);
    dialog.GetCustomColors()->Add("ColorC=ABCDEF");
    const bool accepted = dialog.Execute();
    EXPECT_EQ(accepted, button == IDOK);
    EXPECT_EQ(dialog.Fields[0], 10u);
    EXPECT_EQ(dialog.Fields[1], 20u);
    EXPECT_EQ(dialog.Fields[2], 30u);
    EXPECT_TRUE(dialog.WasClosed);
    EXPECT_EQ(dialog.GetHandle(), nullptr);
    if (button == IDOK) {
      EXPECT_EQ(ColorToRGB(dialog.GetColor()), RGB(10, 20, 200));
      ASSERT_EQ(dialog.GetCustomColors()->GetCount(), 16);
      EXPECT_EQ(dialog.GetCustomColors()->GetValue("ColorC").str(), "ABCDEF");
    } else {
      EXPECT_EQ(ColorToRGB(dialog.GetColor()), RGB(10, 20, 30));
      EXPECT_EQ(dialog.GetCustomColors()->GetCount(), 1);
    }
  }
}

}  // namespace
