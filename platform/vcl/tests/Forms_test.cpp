// Forms driven as a person drives them: real mouse and keys through the platform, pixels read back
// from the screen, and screenshots in build/<target>/screens for a person to look at.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "ControlsFixtures.h"
#include "GuiTest.h"

using namespace ostrel::test;

namespace {

class FormsTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterControlsTestClasses(); }
  void TearDown() override { Application->OnException = TExceptionEvent(); }

  // The test form, shown and painted, in front.
  std::unique_ptr<TTestForm> ShowTestForm()
  {
    std::unique_ptr<TTestForm> form(new TTestForm(Application));
    form->Show();
    FlushPainting(form->GetHandle());
    MakeForeground(form->GetHandle());
    return form;
  }
};

POINT Centre(TControl* c) { return POINT{c->GetLeft() + c->GetWidth() / 2, c->GetTop() + c->GetHeight() / 2}; }

// A point of a control in its parent's client coordinates, as the kit wants them for the parent's window.
COLORREF At(const Pixels& pixels, TControl* c, int x, int y) { return pixels.At(c->GetLeft() + x, c->GetTop() + y); }

TEST_F(FormsTest, TheStoredTestFormLoadsBindsItsHandlersAndShows)
{
  auto form = ShowTestForm();
  EXPECT_EQ(form->Log, (std::vector<std::string>{"create"}));
  for (TComponent* c : std::initializer_list<TComponent*>{form->TopPanel, form->TitleLabel, form->Picture, form->OverLabel,
                                                         form->PlayButton, form->PauseButton, form->StopButton,
                                                         form->NameEdit, form->OkButton, form->FailButton,
                                                         form->StatusLabel, form->Actions, form->GoAction,
                                                         form->FormMenu, form->GoItem, form->AboutItem})
    ASSERT_NE(c, nullptr);
  // Handlers bound by name.
  EXPECT_TRUE(form->PlayButton->OnClick == TNotifyEvent(form.get(), &TTestForm::ButtonClick));
  EXPECT_TRUE(form->OkButton->OnClick == TNotifyEvent(form.get(), &TTestForm::OkClick));
  EXPECT_TRUE(form->GoAction->GetOnExecute() == TNotifyEvent(form.get(), &TTestForm::GoExecute));
  EXPECT_TRUE(form->AboutItem->OnClick == TNotifyEvent(form.get(), &TTestForm::AboutClick));
  EXPECT_TRUE(form->OnMouseMove == TMouseMoveEvent(form.get(), &TTestForm::BackgroundMouseMove));
  EXPECT_EQ(form->GetPopupMenu(), form->FormMenu);
  EXPECT_EQ(form->GoItem->GetCaption(), AnsiString("Go"));
  // The picture came with the form, 24 bits deep.
  ASSERT_NE(form->Picture->GetPicture()->GetGraphic(), nullptr);
  EXPECT_EQ(form->Picture->GetPicture()->GetWidth(), 160);
  EXPECT_EQ(form->Picture->GetPicture()->GetBitmap()->GetPixelFormat(), pf24bit);
  EXPECT_TRUE(form->PlayButton->GetDown());

  const Pixels shot = CaptureClient(form->GetHandle());
  SavePng(shot, "test_form");
  // The transparent label lets the picture show between its letters: the gradient, not the face colour.
  const COLORREF underLabel = At(shot, form->OverLabel, form->OverLabel->GetWidth() - 1, 0);
  EXPECT_TRUE(SameColour(underLabel, At(shot, form->Picture, form->OverLabel->GetLeft() - form->Picture->GetLeft() +
                                                                 form->OverLabel->GetWidth() - 1,
                                        form->OverLabel->GetTop() - form->Picture->GetTop()),
                         24));
  EXPECT_FALSE(SameColour(underLabel, ColorToRGB(clBtnFace), 8));
  int white = 0;
  for (int x = 0; x < form->OverLabel->GetWidth(); ++x)
    for (int y = 0; y < form->OverLabel->GetHeight(); ++y)
      if (SameColour(At(shot, form->OverLabel, x, y), RGB(255, 255, 255), 40)) ++white;
  EXPECT_GT(white, 20);  // the letters themselves
  // Speed-button cells by state: held down (blue) for the down one, up (green) for the others.
  EXPECT_TRUE(SameColour(At(shot, form->PlayButton, 12, 12), RGB(0x15, 0x65, 0xc0), 8));
  EXPECT_TRUE(SameColour(At(shot, form->PauseButton, 12, 12), RGB(0x2e, 0x7d, 0x32), 8));
}

TEST_F(FormsTest, ClickingASpeedButtonOfTheGroupPutsItDownAndTheOthersUp)
{
  auto form = ShowTestForm();
  HWND window = form->GetHandle();
  ASSERT_TRUE(MouseDown(window, Centre(form->PauseButton)));
  FlushPainting(window);
  // Pressed: the pressed cell (red).
  EXPECT_TRUE(SameColour(At(CaptureClient(window), form->PauseButton, 12, 12), RGB(0xc6, 0x28, 0x28), 8));
  ASSERT_TRUE(MouseUp(window, Centre(form->PauseButton)));
  FlushPainting(window);
  EXPECT_TRUE(form->PauseButton->GetDown());
  EXPECT_FALSE(form->PlayButton->GetDown());
  EXPECT_FALSE(form->StopButton->GetDown());
  EXPECT_EQ(form->Log.back(), "click PauseButton");
  const Pixels shot = CaptureClient(window);
  EXPECT_TRUE(SameColour(At(shot, form->PauseButton, 12, 12), RGB(0x15, 0x65, 0xc0), 8));
  EXPECT_TRUE(SameColour(At(shot, form->PlayButton, 12, 12), RGB(0x2e, 0x7d, 0x32), 8));
  // Disabled: the disabled cell (grey).
  form->StopButton->SetEnabled(false);
  FlushPainting(window);
  EXPECT_TRUE(SameColour(At(CaptureClient(window), form->StopButton, 12, 12), RGB(0x9e, 0x9e, 0x9e), 8));
}

TEST_F(FormsTest, DraggingTheBackgroundMovesTheBorderlessFormWhileTheMouseIsHeld)
{
  auto form = ShowTestForm();
  HWND window = form->GetHandle();
  const TPoint startPos(form->GetLeft(), form->GetTop());
  const POINT grip{300, 200};  // bare background
  const POINT screen = ClientToScreenPoint(window, grip);
  ASSERT_TRUE(MouseDown(window, grip));
  EXPECT_EQ(GetCaptureControl(), form.get());
  // Each step aims at a fixed screen point; the form follows the mouse.
  for (int step = 1; step <= 6; ++step) {
    const POINT target{screen.x + step * 10, screen.y + step * 7};
    POINT client = target;
    ScreenToClient(window, &client);
    ASSERT_TRUE(MoveMouse(window, client));
    EXPECT_EQ(GetCaptureControl(), form.get());
  }
  POINT client{screen.x + 60, screen.y + 42};
  ScreenToClient(window, &client);
  ASSERT_TRUE(MouseUp(window, client));
  EXPECT_EQ(form->GetLeft(), startPos.x + 60);
  EXPECT_EQ(form->GetTop(), startPos.y + 42);
  EXPECT_EQ(GetCaptureControl(), nullptr);
  // Without a button held, moving the mouse moves nothing.
  ASSERT_TRUE(MoveMouse(window, POINT{200, 200}));
  ASSERT_TRUE(MoveMouse(window, POINT{250, 220}));
  EXPECT_EQ(form->GetLeft(), startPos.x + 60);
}

TEST_F(FormsTest, ARightClickPopsUpTheMenuAndTheChosenItemRunsItsAction)
{
  auto form = ShowTestForm();
  HWND window = form->GetHandle();
  // The menu runs its own loop: another thread chooses its first item with the keyboard once it is up.
  std::thread chooser([] {
    for (int i = 0; i < 500; ++i) {
      HWND menu = FindWindowW(L"#32768", nullptr);
      if (menu && IsWindowVisible(menu)) {
        INPUT keys[4] = {};
        for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
        keys[0].ki.wVk = VK_DOWN;
        keys[1].ki.wVk = VK_DOWN;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        keys[2].ki.wVk = VK_RETURN;
        keys[3].ki.wVk = VK_RETURN;
        keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(4, keys, sizeof(INPUT));
        return;
      }
      Sleep(10);
    }
  });
  const bool clicked = RightClick(window, POINT{300, 200});
  chooser.join();
  EXPECT_TRUE(clicked);
  ASSERT_TRUE(PumpUntil([&] { return !form->Log.empty() && form->Log.back() == "go"; }, 5000));
  EXPECT_EQ(form->FormMenu->GetPopupComponent(), form.get());
}

TEST_F(FormsTest, KeysTabOrderAndEnterOnTheDefaultButton)
{
  auto form = ShowTestForm();
  HWND window = form->GetHandle();
  ASSERT_TRUE(Click(window, Centre(form->NameEdit)));
  ASSERT_TRUE(PumpUntil([&] { return form->NameEdit->Focused(); }, 3000));
  ASSERT_TRUE(KeyPress('A', Shift::ShiftShift));
  ASSERT_TRUE(KeyPress('B'));
  EXPECT_EQ(form->NameEdit->GetText(), AnsiString("Ab"));
  // KeyPreview: the form heard the letters first.
  EXPECT_EQ(form->Log, (std::vector<std::string>{"create", "key A+shift", "key B"}));
  // Enter anywhere on the form clicks the default button.
  ASSERT_TRUE(KeyPress(VK_RETURN));
  ASSERT_TRUE(PumpUntil([&] { return form->Log.back() == "ok Ab"; }, 3000));
  // Tab goes through the tab order: edit, OK, Fail, back to the edit.
  ASSERT_TRUE(KeyPress(VK_TAB));
  EXPECT_TRUE(PumpUntil([&] { return form->OkButton->Focused(); }, 3000));
  ASSERT_TRUE(KeyPress(VK_TAB));
  EXPECT_TRUE(PumpUntil([&] { return form->FailButton->Focused(); }, 3000));
  ASSERT_TRUE(KeyPress(VK_TAB, Shift::ShiftShift));
  EXPECT_TRUE(PumpUntil([&] { return form->OkButton->Focused(); }, 3000));
  EXPECT_EQ(form->GetActiveControl(), form->OkButton);
}

TEST_F(FormsTest, AnExceptionInAClickHandlerIsShownByTheApplicationAndTheLoopGoesOn)
{
  auto form = ShowTestForm();
  HWND window = form->GetHandle();
  {
    MessageBoxAnswer answer(IDOK);
    ASSERT_TRUE(Click(window, Centre(form->FailButton)));
    const auto& seen = answer.Result();
    ASSERT_TRUE(seen.Found) << seen.Problem;
    EXPECT_EQ(seen.Text, "Failed on purpose.");
    EXPECT_EQ(seen.Caption, std::string(Application->GetTitle().c_str()));
    EXPECT_TRUE(seen.Pressed);
  }
  ASSERT_TRUE(Click(window, Centre(form->OkButton)));
  EXPECT_TRUE(PumpUntil([&] { return form->Log.back() == "ok "; }, 3000));
}

TEST_F(FormsTest, ARoundedWindowRegionCutsTheCorners)
{
  auto form = ShowTestForm();
  HWND window = form->GetHandle();
  SetWindowRgn(window, CreateRoundRectRgn(0, 0, form->GetWidth() + 1, form->GetHeight() + 1, 60, 60), TRUE);
  FlushPainting(window);
  RECT r{};
  GetWindowRect(window, &r);
  const Pixels before = CaptureScreen(RECT{r.left - 10, r.top - 10, r.right + 10, r.bottom + 10});
  SavePng(before, "test_form_rounded");
  // The corner shows what is behind the form (the same as just outside it); the middle is the form.
  const COLORREF outside = before.At(2, 2);
  EXPECT_TRUE(SameColour(before.At(10 + 2, 10 + form->GetHeight() - 3), outside, 4));
  EXPECT_FALSE(SameColour(before.At(10 + 2, 10 + form->GetHeight() - 3), ColorToRGB(clBtnFace), 4));
  EXPECT_TRUE(SameColour(before.At(10 + 300, 10 + 200), ColorToRGB(clBtnFace), 4));
  // A point just inside the rounding is the form's.
  EXPECT_TRUE(SameColour(before.At(10 + 40, 10 + form->GetHeight() - 3), ColorToRGB(clBtnFace), 4));
}

TEST_F(FormsTest, ThePlayerSkeletonLaysOutEverySkinByItsAnchors)
{
  struct Skin {
    int Width, Height;
  };
  for (const Skin skin : {Skin{446, 460}, Skin{545, 560}, Skin{728, 748}}) {
    SCOPED_TRACE(skin.Width);
    std::unique_ptr<TSkeletonForm> form(new TSkeletonForm(Application, skin.Width, skin.Height));
    const int dx = skin.Width - 446, dy = skin.Height - 460;
    EXPECT_EQ(form->GetClientWidth(), skin.Width);
    EXPECT_EQ(form->Skin->GetBoundsRect(), TRect(0, 0, skin.Width, skin.Height));
    EXPECT_EQ(form->Video->GetBoundsRect(), TRect(23, 23, 423 + dx, 323 + dy));
    EXPECT_EQ(form->PositionLabel->GetLeft(), 30);
    EXPECT_EQ(form->PositionLabel->GetTop(), 340 + dy);
    EXPECT_EQ(form->LengthLabel->GetLeft() + form->LengthLabel->GetWidth(),
              380 + form->LengthLabel->GetWidth() + dx);
    EXPECT_EQ(form->LengthLabel->GetTop(), 340 + dy);
    // Anchored to the bottom only: it keeps its place in proportion across the width.
    EXPECT_EQ(form->PlayButton->GetLeft(), MulDiv(223, skin.Width, 446) - 28);
    EXPECT_EQ(form->PlayButton->GetTop(), 380 + dy);
    EXPECT_EQ(form->CloseButton->GetBoundsRect(), TRect(410 + dx, 4, 434 + dx, 28));
    form->Show();
    FlushPainting(form->GetHandle());
    const Pixels shot = CaptureClient(form->GetHandle());
    SavePng(shot, "player_skeleton_" + std::to_string(skin.Width) + "x" + std::to_string(skin.Height));
    EXPECT_TRUE(SameColour(shot.At(23 + 50, 23 + 50), RGB(0, 0, 0), 4));  // the video panel
    EXPECT_TRUE(SameColour(At(shot, form->PlayButton, 28, 21), RGB(0x15, 0x65, 0xc0), 8));
    EXPECT_TRUE(SameColour(At(shot, form->CloseButton, 12, 12), RGB(0x2e, 0x7d, 0x32), 8));
  }
}

}  // namespace
