// Controls and forms: construction order, stored forms, alignment and anchors, painting of graphic
// children, mouse routing and capture, keys, actions, modal loops, exceptions and reading order.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "ControlsFixtures.h"
#include "GuiTest.h"
#include "WindowRefusal.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterControlsTestClasses(); }
  void TearDown() override
  {
    Application->OnException = TExceptionEvent();
    Application->SetBiDiMode(bdLeftToRight);
    TProbeForm::ThrowInCreate = false;
  }
};

// Pumps until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, int milliseconds = 5000)
{
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

COLORREF PixelOf(TWinControl* control, int x, int y)
{
  HDC dc = GetDC(control->GetHandle());
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(control->GetHandle(), dc);
  return c;
}

TEST_F(ControlsTest, AfterConstructionRunsOnceAfterTheMostDerivedBody)
{
  std::unique_ptr<TOrderProbe> plain(new TOrderProbe(nullptr));
  EXPECT_EQ(plain->AfterCount, 1);
  EXPECT_TRUE(plain->SawBodyDone);

  std::unique_ptr<TDerivedOrderProbe> derived(new TDerivedOrderProbe(nullptr));
  EXPECT_EQ(derived->AfterCount, 1);
  EXPECT_TRUE(derived->SawDerivedBody);
  EXPECT_EQ(derived->SeenClass, TDerivedOrderProbe::StaticClass());

  // Through the class reference, as streaming creates components.
  std::unique_ptr<TObject> made(TDerivedOrderProbe::StaticClass()->CreateInstance(nullptr));
  auto* probe = dynamic_cast<TDerivedOrderProbe*>(made.get());
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->AfterCount, 1);
  EXPECT_TRUE(probe->SawDerivedBody);

  // A constructor that raises leaves no object and no AfterConstruction.
  TThrowingProbe::AfterCalls = 0;
  TComponent owner(nullptr);
  EXPECT_THROW(new TThrowingProbe(&owner), Exception);
  EXPECT_EQ(TThrowingProbe::AfterCalls, 0);
  EXPECT_EQ(owner.GetComponentCount(), 0);
}

TEST_F(ControlsTest, StoredFormIsReadBeforeTheBodyAndOnCreateRunsAfterIt)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  EXPECT_EQ(form->Log, (std::vector<std::string>{"body", "create", "create done"}));
  EXPECT_TRUE(form->BodySawPanel);
  ASSERT_NE(form->Box, nullptr);
  ASSERT_NE(form->Corner, nullptr);
  EXPECT_EQ(form->Corner->GetParent(), form->Panel);
  EXPECT_EQ(form->GetBorderStyle(), bsNone);
  EXPECT_EQ(form->GetClientWidth(), 447);
  EXPECT_EQ(form->GetWidth(), 447);  // no frame
  EXPECT_EQ(form->GetColor(), clBlack);
  EXPECT_EQ(form->Panel->GetPopupMenu(), form->Menu);
  EXPECT_EQ(form->Box->GetAction(), form->GoAction);
  EXPECT_EQ(form->GoItem->GetCaption(), AnsiString("Go"));
  EXPECT_EQ(form->GoAction->GetActionList(), form->Actions);
  EXPECT_FALSE(form->GetVisible());

  // Published fields follow their components: a destroyed component leaves a null field.
  delete form->Corner;
  EXPECT_EQ(form->Corner, nullptr);
}

// A popup menu needs the hidden window that owns it while it is up; when the platform will not make
// that window, Popup raises instead of showing a menu that nothing owns.
TEST_F(ControlsTest, PopupRaisesWhenItsOwnerWindowCannotBeMade)
{
  using ostrel::test::FindThreadWindow;
  const wchar_t ownerClass[] = L"TPopupList";
  // Start without the owner window: one destroyed is made again by the next Popup.
  if (HWND existing = FindThreadWindow(nullptr, ownerClass)) DestroyWindow(existing);
  std::unique_ptr<TPopupMenu> menu(new TPopupMenu(nullptr));
  ostrel::test::WindowRefusal refusal(ownerClass);
  ASSERT_TRUE(refusal.Installed());
  EXPECT_THROW(menu->Popup(10, 10), EOSError);
  EXPECT_EQ(refusal.Refused(), 1);
  EXPECT_EQ(FindThreadWindow(nullptr, ownerClass), nullptr);
}

TEST_F(ControlsTest, AnExceptionInOnCreateGoesToTheApplicationAndTheFormIsMade)
{
  TExceptionSink sink;
  Application->OnException = TExceptionEvent(&sink, &TExceptionSink::Handle);
  TProbeForm::ThrowInCreate = true;
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  ASSERT_EQ(sink.Messages, (std::vector<std::string>{"create failed"}));
  EXPECT_EQ(sink.Senders[0], form.get());
  EXPECT_EQ(form->Log, (std::vector<std::string>{"body", "create"}));
  EXPECT_NE(form->Panel, nullptr);
}

TEST_F(ControlsTest, TheFirstFormMadeByTheApplicationIsTheMainFormEvenWhenOnCreateRaises)
{
  TExceptionSink sink;
  Application->OnException = TExceptionEvent(&sink, &TExceptionSink::Handle);
  TProbeForm::ThrowInCreate = true;
  ASSERT_EQ(Application->GetMainForm(), nullptr);
  TProbeForm* form = nullptr;
  Application->CreateForm(TProbeForm::StaticClass(), &form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application->GetMainForm(), form);
  EXPECT_EQ(sink.Messages, (std::vector<std::string>{"create failed"}));
  delete form;
  EXPECT_EQ(Application->GetMainForm(), nullptr);
}

TEST_F(ControlsTest, OnShowRunsBeforeThePositionPlacesTheFormAndItsExceptionGoesToTheApplication)
{
  TExceptionSink sink;
  Application->OnException = TExceptionEvent(&sink, &TExceptionSink::Handle);
  std::unique_ptr<TCentredProbe> form(new TCentredProbe(Application));
  form->SetBorderStyle(bsNone);
  form->SetPosition(poScreenCenter);
  form->RaiseInShow = true;
  form->Show();
  // Centred at the size OnShow gave it.
  EXPECT_EQ(form->GetWidth(), 400);
  EXPECT_EQ(form->GetLeft(), (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
  EXPECT_EQ(form->GetTop(), (GetSystemMetrics(SM_CYSCREEN) - 300) / 2);
  EXPECT_TRUE(IsWindowVisible(form->GetHandle()));
  EXPECT_EQ(sink.Messages, (std::vector<std::string>{"show failed"}));
}

TEST_F(ControlsTest, AnchorsHoldWhenAFormResizesBeforeItHasAWindow)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  ASSERT_FALSE(form->HandleAllocated());
  for (const auto& size : {std::pair{545, 560}, std::pair{728, 748}, std::pair{447, 460}}) {
    form->SetClientWidth(size.first);
    form->SetClientHeight(size.second);
    // Right and bottom anchored: the same distances to the right and bottom edges.
    EXPECT_EQ(form->Box->GetLeft(), size.first - 147) << size.first;
    EXPECT_EQ(form->Box->GetTop(), size.second - 60) << size.second;
    EXPECT_EQ(form->Box->GetWidth(), 40);
    EXPECT_EQ(form->Box->GetHeight(), 30);
  }
  // A child follows its own parent's size, not the form's.
  EXPECT_EQ(form->Corner->GetLeft(), 170);
  form->Panel->SetBounds(20, 20, 300, 250);
  EXPECT_EQ(form->Corner->GetLeft(), 270);
  EXPECT_EQ(form->Corner->GetTop(), 220);
  // Left and right anchored: the width grows by what the parent grew.
  form->Panel->SetAnchors(TAnchors() << akLeft << akTop << akRight);
  form->SetClientWidth(547);
  EXPECT_EQ(form->Panel->GetWidth(), 400);
  EXPECT_FALSE(form->HandleAllocated());
}

TEST_F(ControlsTest, AlignedChildrenFillTheirSidesInOrder)
{
  std::unique_ptr<TForm> form(new TForm(Application, 0));
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 300, 200);
  auto* top = new TProbePanel(form.get());
  auto* bottom = new TProbePanel(form.get());
  auto* left = new TProbeGraphic(form.get());
  auto* right = new TProbeGraphic(form.get());
  auto* client = new TProbePanel(form.get());
  top->SetHeight(20);
  bottom->SetHeight(30);
  left->SetWidth(40);
  right->SetWidth(50);
  for (TControl* c : std::initializer_list<TControl*>{top, bottom, left, right, client}) c->SetParent(form.get());
  top->SetAlign(alTop);
  bottom->SetAlign(alBottom);
  left->SetAlign(alLeft);
  right->SetAlign(alRight);
  client->SetAlign(alClient);
  EXPECT_EQ(top->GetBoundsRect(), TRect(0, 0, 300, 20));
  EXPECT_EQ(bottom->GetBoundsRect(), TRect(0, 170, 300, 200));
  EXPECT_EQ(left->GetBoundsRect(), TRect(0, 20, 40, 170));
  EXPECT_EQ(right->GetBoundsRect(), TRect(250, 20, 300, 170));
  EXPECT_EQ(client->GetBoundsRect(), TRect(40, 20, 250, 170));
  form->SetBounds(0, 0, 400, 300);
  EXPECT_EQ(client->GetBoundsRect(), TRect(40, 20, 350, 270));
  EXPECT_EQ(bottom->GetBoundsRect(), TRect(0, 270, 400, 300));
  // A hidden aligned control gives its side back.
  top->SetVisible(false);
  EXPECT_EQ(client->GetBoundsRect(), TRect(40, 0, 350, 270));
}

TEST_F(ControlsTest, GraphicChildrenArePaintedByTheirParentInItsCoordinates)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return form->Box->Paints > 0 && form->Corner->Paints > 0 && form->Panel->Paints > 0; }));
  EXPECT_EQ(form->Log, (std::vector<std::string>{"body", "create", "create done", "show"}));
  // The origin moved to the control, the clip narrowed to it; the clip region is in the parent's
  // device coordinates.
  EXPECT_EQ(form->Box->WindowOrigin.x, -300);
  EXPECT_EQ(form->Box->WindowOrigin.y, -400);
  EXPECT_LE(form->Box->ClipBox.right, 40);
  EXPECT_LE(form->Box->ClipBox.bottom, 30);
  EXPECT_GE(form->Box->ClipBox.left, 0);
  EXPECT_GE(form->Box->ClipRegionBox.left, 300);
  EXPECT_LE(form->Box->ClipRegionBox.right, 340);
  EXPECT_GE(form->Box->ClipRegionBox.top, 400);
  EXPECT_LE(form->Box->ClipRegionBox.bottom, 430);
  EXPECT_EQ(form->Corner->WindowOrigin.x, -170);
  EXPECT_EQ(form->Corner->WindowOrigin.y, -120);
  form->Update();
  EXPECT_EQ(PixelOf(form.get(), 320, 415), RGB(255, 0, 0));     // the box
  EXPECT_EQ(PixelOf(form.get(), 5, 5), RGB(0, 0, 0));           // the form's own colour
  EXPECT_EQ(PixelOf(form->Panel, 10, 10), RGB(0, 0, 128));      // the panel paints itself
  EXPECT_EQ(PixelOf(form->Panel, 175, 125), RGB(255, 255, 0));  // its graphic child
}

TEST_F(ControlsTest, MouseMessagesReachTheGraphicChildUnderTheMouseAndFollowTheCapture)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  form->Show();
  HWND window = form->GetHandle();
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(305, 406));
  EXPECT_EQ(form->Box->Events.back(), "down 5,6");
  EXPECT_EQ(GetCaptureControl(), form->Box);
  EXPECT_EQ(GetCapture(), window);
  // Released outside: the captured child still hears it, in its own coordinates, and no click.
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(form->Box->Events.back(), "up -290,-390");
  EXPECT_EQ(GetCaptureControl(), nullptr);
  EXPECT_EQ(form->GoCount, 0);
  // Pressed and released inside: a click, which runs the action.
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(310, 410));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(311, 411));
  EXPECT_EQ(form->GoCount, 1);
  // Elsewhere on the form nothing reaches the box.
  const size_t before = form->Box->Events.size();
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(form->Box->Events.size(), before);
}

TEST_F(ControlsTest, ActionsKeepTheirClientsInStepUnlessAClientWasChangedOnItsOwn)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  form->GoAction->SetEnabled(false);
  EXPECT_FALSE(form->Box->GetEnabled());
  EXPECT_FALSE(form->GoItem->GetEnabled());
  form->Box->SetEnabled(true);  // on its own
  EXPECT_TRUE(form->Box->GetEnabled());
  form->GoAction->SetCaption("Run");
  EXPECT_EQ(form->GoItem->GetCaption(), AnsiString("Run"));
  form->GoAction->SetEnabled(true);
  EXPECT_TRUE(form->GoItem->GetEnabled());
  form->GoItem->Click();
  EXPECT_EQ(form->GoCount, 1);
  // Without a handler an action disables itself when updated, and its clients with it.
  form->GoAction->SetOnExecute(TNotifyEvent());
  form->Actions->UpdateActions();
  EXPECT_FALSE(form->GoAction->GetEnabled());
  EXPECT_FALSE(form->GoItem->GetEnabled());
}

TEST_F(ControlsTest, KeyPreviewLetsTheFormSeeKeysFirst)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  form->OnKeyDown = TKeyEvent(form.get(), &TProbeForm::FormKeyDown);
  form->Show();
  HWND panel = form->Panel->GetHandle();
  SendMessageW(panel, WM_KEYDOWN, 'B', 0);
  EXPECT_EQ(form->Log.back(), "panel key B");  // without KeyPreview only the control hears it
  form->SetKeyPreview(true);
  form->Log.clear();
  SendMessageW(panel, WM_KEYDOWN, 'A', 0);  // the form eats A
  SendMessageW(panel, WM_KEYDOWN, 'B', 0);
  EXPECT_EQ(form->Log, (std::vector<std::string>{"form key A", "form key B", "panel key B"}));
}

TEST_F(ControlsTest, ShowModalReturnsTheModalResultAndAPostedCloseEndsIt)
{
  std::unique_ptr<TModalProbe> form(new TModalProbe(Application));
  form->ResultOnShow = mrOk;
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_FALSE(form->GetVisible());
  form->ResultOnShow = mrNone;
  form->HandleNeeded();
  PostMessageW(form->GetHandle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form->ShowModal(), mrCancel);
  EXPECT_EQ(form->Shows, 2);
  EXPECT_THROW(
      {
        form->Show();
        form->ShowModal();
      },
      EInvalidOperation);
}

TEST_F(ControlsTest, RightToLeftChangesReadingOrderNotLayout)
{
  Application->SetBiDiMode(bdRightToLeft);
  std::unique_ptr<TForm> inherits(new TForm(Application, 0));
  std::unique_ptr<TForm> own(new TForm(Application, 0));
  own->SetBiDiMode(bdLeftToRight);
  auto* panel = new TProbePanel(inherits.get());
  panel->SetParent(inherits.get());
  panel->SetBounds(10, 20, 50, 40);
  EXPECT_EQ(inherits->GetBiDiMode(), bdRightToLeft);
  EXPECT_EQ(panel->GetBiDiMode(), bdRightToLeft);
  EXPECT_TRUE(panel->UseRightToLeftAlignment());
  EXPECT_EQ(own->GetBiDiMode(), bdLeftToRight);
  inherits->Show();
  const LONG ex = GetWindowLongW(panel->GetHandle(), GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_RTLREADING);
  EXPECT_TRUE(ex & WS_EX_LEFTSCROLLBAR);
  EXPECT_FALSE(ex & WS_EX_LAYOUTRTL);
  // The panel stays where it was put.
  RECT r{};
  GetWindowRect(panel->GetHandle(), &r);
  MapWindowPoints(HWND_DESKTOP, inherits->GetHandle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  Application->SetBiDiMode(bdLeftToRight);
  EXPECT_EQ(inherits->GetBiDiMode(), bdLeftToRight);
  EXPECT_EQ(panel->GetBiDiMode(), bdLeftToRight);
}

TEST_F(ControlsTest, TheHintShowsItsShortPartAfterThePause)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  form->Box->SetHint("Go there|Runs the go action");
  form->Box->SetShowHint(true);
  form->Show();
  form->Update();
  SetForegroundWindow(form->GetHandle());
  Application->SetHintPause(600);
  struct RestorePause {
    ~RestorePause()
    {
      Application->SetHintPause(500);
      Application->CancelHint();
    }
  } restore;
  const TPoint inside = form->Box->ClientToScreen(TPoint(20, 15));
  SetCursorPos(inside.x - 1, inside.y);
  SetCursorPos(inside.x, inside.y);
  ASSERT_TRUE(PumpUntil([&] { return Application->GetHint() == AnsiString("Runs the go action"); }));
  auto shown = [] {
    THintWindow* hint = Application->GetHintWindow();
    return hint && hint->HandleAllocated() && IsWindowVisible(hint->GetHandle());
  };
  EXPECT_FALSE(shown());  // the pause has not passed yet
  ASSERT_TRUE(PumpUntil(shown, 5000));
  EXPECT_EQ(Application->GetHintWindow()->GetCaption(), AnsiString("Go there"));
  RECT r{};
  GetWindowRect(Application->GetHintWindow()->GetHandle(), &r);
  EXPECT_GT(r.top, inside.y);  // below the cursor
  EXPECT_GT(r.right - r.left, 20);
  // Leaving the control takes the hint away.
  SetCursorPos(form->ClientToScreen(TPoint(5, 5)).x, form->ClientToScreen(TPoint(5, 5)).y);
  EXPECT_TRUE(PumpUntil([&] { return !shown(); }));
}

BOOL CALLBACK CountWindow(HWND, LPARAM counter)
{
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND hwnd, LPARAM counter)
{
  ++*reinterpret_cast<int*>(counter);
  EnumChildWindows(hwnd, CountWindow, counter);
  return TRUE;
}

int ThreadWindowCount()
{
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, LPARAM(&count));
  return count;
}

TEST_F(ControlsTest, MinimisingTheApplicationHidesABorderlessMainFormAndRestoringShowsIt)
{
  std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
  form->Show();
  Application->ProcessMessages();
  ASSERT_EQ(form->GetBorderStyle(), bsNone);
  ASSERT_TRUE(IsWindowVisible(form->GetHandle()));
  // The forms are owned by the application's window, which carries the title on the task bar.
  EXPECT_EQ(GetWindow(form->GetHandle(), GW_OWNER), Application->GetHandle());
  const AnsiString title = Application->GetTitle();
  Application->SetTitle("Ostrel player");
  wchar_t text[64] = {};
  GetWindowTextW(Application->GetHandle(), text, 64);
  EXPECT_EQ(std::wstring(text), L"Ostrel player");
  Application->Minimize();
  Application->ProcessMessages();
  EXPECT_TRUE(IsIconic(Application->GetHandle()));
  EXPECT_FALSE(IsWindowVisible(form->GetHandle()));
  Application->Restore();
  Application->ProcessMessages();
  EXPECT_FALSE(IsIconic(Application->GetHandle()));
  EXPECT_TRUE(IsWindowVisible(form->GetHandle()));
  Application->SetTitle(title);
}

TEST_F(ControlsTest, CreatingAndDestroyingTheFormManyTimesLeavesNothingBehind)
{
  // One round first: the window classes, the application window and cached fonts are made once.
  {
    std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
    form->Show();
    Application->ProcessMessages();
  }
  Application->ProcessMessages();
  const long objects = TObject::LiveInstances();
  const int windows = ThreadWindowCount();
  // The platform's counts of USER and GDI objects (under Wine, where GetGuiResources answers 0: the
  // windows of the process and the entries of the GDI handle table).
  const ostrel::test::GuiCounts before = ostrel::test::GuiResources();
  for (int i = 0; i < 500; ++i) {
    std::unique_ptr<TProbeForm> form(new TProbeForm(Application));
    form->Show();
    form->Update();
    Application->ProcessMessages();
  }
  Application->ProcessMessages();
  EXPECT_EQ(TObject::LiveInstances(), objects);
  EXPECT_EQ(ThreadWindowCount(), windows);
  const ostrel::test::GuiCounts after = ostrel::test::GuiResources();
  EXPECT_EQ(after.User, before.User);
  EXPECT_EQ(after.Gdi, before.Gdi);
  EXPECT_GT(before.Gdi, 0u);  // a count that can see a leak
}

// Showing a form makes its children's windows visible with their creation, finds each control by its
// window until the window is gone, and leaves hidden children hidden; a frameless control's client
// area without a window is its bounds, a framed one's is inside the frame.
TEST_F(ControlsTest, ChildWindowsShowWithTheirFormAndAreFoundByTheirWindows)
{
  std::unique_ptr<TForm> form(new TForm(Application, 0));
  form->SetBorderStyle(bsNone);
  form->SetBounds(60, 60, 200, 120);
  auto* shown = new TPanel(form.get());
  shown->SetBounds(10, 10, 80, 40);
  shown->SetParent(form.get());
  auto* hidden = new TPanel(form.get());
  hidden->SetBounds(100, 10, 80, 40);
  hidden->SetBorderStyle(bsSingle);
  hidden->SetVisible(false);
  hidden->SetParent(form.get());
  EXPECT_EQ(shown->GetClientRect(), TRect(0, 0, 80, 40));
  EXPECT_EQ(hidden->GetClientRect(), TRect(0, 0, 76, 36));  // inside the client edge
  EXPECT_FALSE(shown->HandleAllocated());

  form->Show();
  Application->ProcessMessages();
  ASSERT_TRUE(shown->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(shown->GetHandle()));
  EXPECT_EQ(FindControl(shown->GetHandle()), shown);
  EXPECT_EQ(FindControl(form->GetHandle()), form.get());
  EXPECT_TRUE(!hidden->HandleAllocated() || !IsWindowVisible(hidden->GetHandle()));

  // A child shown later on a showing form appears, and has its frame from the window now.
  hidden->Show();
  Application->ProcessMessages();
  ASSERT_TRUE(hidden->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(hidden->GetHandle()));
  EXPECT_EQ(hidden->GetClientRect(), TRect(0, 0, 76, 36));
  EXPECT_EQ(FindControl(hidden->GetHandle()), hidden);

  // Gone windows are no one's, and a window that is not a control's is no one's either.
  const HWND old = shown->GetHandle();
  shown->SetParent(nullptr);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(FindControl(old), nullptr);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);
  delete shown;
}

// Show brings a form that is already visible in front of the other; the one in front stays there.
TEST_F(ControlsTest, ShowBringsAFormToTheFront)
{
  auto shownForm = [] {
    std::unique_ptr<TForm> form(new TForm(Application, 0));
    form->SetBorderStyle(bsNone);
    form->SetBounds(40, 40, 100, 80);
    form->Show();
    Application->ProcessMessages();
    return form;
  };
  std::unique_ptr<TForm> first = shownForm();
  std::unique_ptr<TForm> second = shownForm();
  auto inFront = [](TForm* a, TForm* b) {
    for (HWND h = GetWindow(b->GetHandle(), GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV))
      if (h == a->GetHandle()) return true;
    return false;
  };
  ASSERT_TRUE(inFront(second.get(), first.get()));
  second->Show();
  EXPECT_TRUE(inFront(second.get(), first.get()));
  first->Show();
  Application->ProcessMessages();
  EXPECT_TRUE(inFront(first.get(), second.get()));
}

// What changes while a form is hidden is not marked for painting then, and still shows once the form
// shows again.
TEST_F(ControlsTest, AChangeMadeWhileTheFormIsHiddenShowsWithTheForm)
{
  std::unique_ptr<TForm> form(new TForm(Application, 0));
  form->SetBorderStyle(bsNone);
  form->SetBounds(60, 60, 120, 80);
  auto* panel = new TPanel(form.get());
  panel->SetBounds(10, 10, 60, 40);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clBlue);
  panel->SetParent(form.get());
  form->Show();
  form->Update();
  ASSERT_TRUE(PumpUntil([&] { return PixelOf(panel, 30, 20) == RGB(0, 0, 255); }));
  form->Hide();
  panel->SetColor(clRed);
  form->Show();
  EXPECT_TRUE(PumpUntil([&] { return PixelOf(panel, 30, 20) == RGB(255, 0, 0); }));
}

}  // namespace
