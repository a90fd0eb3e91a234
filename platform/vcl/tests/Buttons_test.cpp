// Speed buttons (the state machine driven by mouse messages, groups, disabled look, glyph cells by
// state, flat tracking, the action link) and bit buttons.
#include <gtest/gtest.h>

#include <memory>

#include "Buttons.h"
#include "ControlsTestSupport.h"

using namespace ctltest;

namespace {

struct FormDeleter {
  void operator()(TForm* form) const { delete form; }
};
using TFormPtr = std::unique_ptr<TForm, FormDeleter>;

class TClickProbe : public TObject {
  VCL_DECLARE_CLASS(TClickProbe, TObject)
  TClickProbe() = default;
  int Clicks = 0;
  void Clicked(TObject*) { ++Clicks; }
};
VCL_IMPLEMENT_CLASS(TClickProbe)

// The mouse as the parent window receives it, at a point of the button.
void Press(TSpeedButton* b, int x, int y)
{
  SendMessageW(b->GetParent()->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b->GetLeft() + x, b->GetTop() + y));
}
void Move(TSpeedButton* b, int x, int y)
{
  SendMessageW(b->GetParent()->GetHandle(), WM_MOUSEMOVE, MK_LBUTTON,
               MAKELPARAM(WORD(short(b->GetLeft() + x)), WORD(short(b->GetTop() + y))));
}
void Release(TSpeedButton* b, int x, int y)
{
  SendMessageW(b->GetParent()->GetHandle(), WM_LBUTTONUP, 0,
               MAKELPARAM(WORD(short(b->GetLeft() + x)), WORD(short(b->GetTop() + y))));
}

TSpeedButton* NewButton(TForm* form, int left)
{
  auto* b = new TSpeedButton(form);
  b->SetParent(form);
  b->SetBounds(left, 10, 30, 30);
  return b;
}

// Four 16x16 cells, each a square of its own colour on a fuchsia (transparent) ground.
const COLORREF CellColours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

std::unique_ptr<TBitmap> GlyphStrip()
{
  auto strip = std::make_unique<TBitmap>();
  strip->SetSize(64, 16);
  TCanvas* c = strip->GetCanvas();
  c->GetBrush()->SetColor(clFuchsia);
  c->FillRect(TRect(0, 0, 64, 16));
  for (int i = 0; i < 4; ++i) {
    c->GetBrush()->SetColor(TColor(int(CellColours[i])));
    c->FillRect(TRect(i * 16 + 3, 3, i * 16 + 13, 13));
  }
  return strip;
}

// The colour at the middle of a button (where the glyph's square is, pressed or not).
COLORREF Middle(TSpeedButton* b)
{
  const TPixels p = CaptureControl(b);
  return p.At(b->GetWidth() / 2, b->GetHeight() / 2);
}

}  // namespace

TEST(SpeedButton, PressMoveOutAndReleaseInside)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TClickProbe probe;
  TSpeedButton* b = NewButton(form.get(), 10);
  b->OnClick = TNotifyEvent(&probe, &TClickProbe::Clicked);
  Press(b, 5, 5);
  EXPECT_EQ(b->GetState(), bsDown);
  EXPECT_EQ(GetCaptureControl(), b);
  Move(b, 50, 5);
  EXPECT_EQ(b->GetState(), bsUp) << "pressed but outside looks up";
  Move(b, 10, 10);
  EXPECT_EQ(b->GetState(), bsDown);
  Release(b, 10, 10);
  EXPECT_EQ(b->GetState(), bsUp);
  EXPECT_EQ(probe.Clicks, 1);
  EXPECT_EQ(GetCaptureControl(), nullptr);
  // Released outside: no click.
  Press(b, 5, 5);
  Move(b, -20, 5);
  Release(b, -20, 5);
  EXPECT_EQ(b->GetState(), bsUp);
  EXPECT_EQ(probe.Clicks, 1);
  // A button with no group never stays down.
  b->SetDown(true);
  EXPECT_FALSE(b->GetDown());
}

TEST(SpeedButton, GroupKeepsExactlyOneDown)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TSpeedButton* buttons[3] = {NewButton(form.get(), 10), NewButton(form.get(), 50), NewButton(form.get(), 90)};
  for (TSpeedButton* b : buttons) b->SetGroupIndex(7);
  // Another group on the same form is not touched.
  TSpeedButton* other = NewButton(form.get(), 130);
  other->SetGroupIndex(8);
  other->SetDown(true);
  auto downs = [&] {
    int n = 0;
    for (TSpeedButton* b : buttons) n += b->GetDown() ? 1 : 0;
    return n;
  };
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 3; ++i) {
      Press(buttons[i], 5, 5);
      Release(buttons[i], 5, 5);
      EXPECT_TRUE(buttons[i]->GetDown());
      EXPECT_EQ(buttons[i]->GetState(), bsExclusive);
      EXPECT_EQ(downs(), 1);
      for (int j = 0; j < 3; ++j) {
        if (j != i) {
          EXPECT_EQ(buttons[j]->GetState(), bsUp);
        }
      }
    }
  }
  EXPECT_TRUE(other->GetDown());
  // Clicking the down one again leaves it down: AllowAllUp is off.
  Press(buttons[2], 5, 5);
  Release(buttons[2], 5, 5);
  EXPECT_TRUE(buttons[2]->GetDown());
  buttons[2]->SetDown(false);
  EXPECT_TRUE(buttons[2]->GetDown());
  // AllowAllUp set on one goes to the whole group; then the down one may go up.
  buttons[0]->SetAllowAllUp(true);
  EXPECT_TRUE(buttons[2]->GetAllowAllUp());
  Press(buttons[2], 5, 5);
  Release(buttons[2], 5, 5);
  EXPECT_EQ(downs(), 0);
  EXPECT_EQ(buttons[2]->GetState(), bsUp);
}

TEST(SpeedButton, DisabledButtonsIgnoreTheMouse)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TClickProbe probe;
  TSpeedButton* b = NewButton(form.get(), 10);
  b->OnClick = TNotifyEvent(&probe, &TClickProbe::Clicked);
  b->SetEnabled(false);
  EXPECT_EQ(b->GetState(), bsDisabled);
  Press(b, 5, 5);
  Release(b, 5, 5);
  EXPECT_EQ(probe.Clicks, 0);
  EXPECT_EQ(b->GetState(), bsDisabled);
  b->SetEnabled(true);
  EXPECT_EQ(b->GetState(), bsUp);
}

TEST(SpeedButton, GlyphCellFollowsTheState)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TSpeedButton* b = NewButton(form.get(), 10);
  b->SetGroupIndex(1);
  b->SetAllowAllUp(true);
  auto strip = GlyphStrip();
  b->SetGlyph(strip.get());
  EXPECT_EQ(b->GetNumGlyphs(), 4) << "a strip of four squares has four cells";
  EXPECT_EQ(Middle(b), CellColours[bsUp]);
  CaptureControl(b).Save("speedbutton_up");
  Press(b, 5, 5);
  EXPECT_EQ(Middle(b), CellColours[bsDown]);
  Release(b, 5, 5);
  ASSERT_TRUE(b->GetDown());
  EXPECT_EQ(Middle(b), CellColours[bsExclusive]);
  CaptureControl(b).Save("speedbutton_exclusive");
  b->SetEnabled(false);
  EXPECT_EQ(Middle(b), CellColours[bsDisabled]);
  // The transparent colour never shows.
  const TPixels p = CaptureControl(b);
  EXPECT_EQ(p.Count(TRect(0, 0, p.Width, p.Height), RGB(255, 0, 255)), 0);
  // With one cell, every state shows it; disabled engraves it instead.
  b->SetEnabled(true);
  auto single = std::make_unique<TBitmap>();
  single->SetSize(16, 16);
  single->GetCanvas()->CopyRect(TRect(0, 0, 16, 16), strip->GetCanvas(), TRect(0, 0, 16, 16));
  b->SetGlyph(single.get());
  EXPECT_EQ(b->GetNumGlyphs(), 1);
  EXPECT_EQ(Middle(b), CellColours[0]);
  b->SetEnabled(false);
  const COLORREF engraved = Middle(b);
  EXPECT_NE(engraved, CellColours[0]);
  EXPECT_TRUE(engraved == GetSysColor(COLOR_BTNSHADOW) || engraved == GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST(SpeedButton, FlatButtonsTrackTheMouse)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TSpeedButton* b = NewButton(form.get(), 10);
  b->SetFlat(true);
  const TPixels flat = CaptureControl(b);
  // Flat and transparent: nothing but the form's face when the mouse is elsewhere.
  EXPECT_EQ(flat.Count(TRect(0, 0, 30, 30), GetSysColor(COLOR_BTNFACE)), 30 * 30);
  b->Perform(CM_MOUSEENTER, 0, LPARAM(b));
  EXPECT_TRUE(b->GetMouseInControl());
  const TPixels hot = CaptureControl(b);
  EXPECT_EQ(hot.At(0, 15), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(hot.At(29, 15), GetSysColor(COLOR_BTNSHADOW));
  b->Perform(CM_MOUSELEAVE, 0, LPARAM(b));
  EXPECT_FALSE(b->GetMouseInControl());
}

TEST(SpeedButton, ActionKeepsDownInStep)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  TSpeedButton* b = NewButton(form.get(), 10);
  b->SetGroupIndex(3);
  b->SetAllowAllUp(true);
  auto* action = new TAction(form.get());
  action->SetCaption("Loop");
  TClickProbe probe;
  action->SetOnExecute(TNotifyEvent(&probe, &TClickProbe::Clicked));
  b->SetAction(action);
  EXPECT_EQ(b->GetCaption(), AnsiString("Loop"));
  action->SetChecked(true);
  EXPECT_TRUE(b->GetDown());
  action->SetChecked(false);
  EXPECT_FALSE(b->GetDown());
  Press(b, 5, 5);
  Release(b, 5, 5);
  EXPECT_EQ(probe.Clicks, 1) << "a click executes the action";
  action->SetEnabled(false);
  EXPECT_FALSE(b->GetEnabled());
  EXPECT_EQ(b->GetState(), bsDisabled);
  // The idle update leaves an action its code disabled as it is; one without a handler it disables.
  action->Update();
  PumpFor(50);
  EXPECT_FALSE(action->GetEnabled());
  EXPECT_FALSE(b->GetEnabled());
  auto* idle = new TAction(form.get());
  EXPECT_TRUE(idle->GetEnabled());
  idle->Update();
  EXPECT_FALSE(idle->GetEnabled()) << "no handler";
}

TEST(BitBtn, KindSetsCaptionResultAndKeys)
{
  TFormPtr form(NewForm(200, 60, clBtnFace));
  auto* b = new TBitBtn(form.get());
  b->SetParent(form.get());
  b->SetKind(bkOK);
  EXPECT_EQ(b->GetCaption(), AnsiString("OK"));
  EXPECT_EQ(b->GetModalResult(), mrOk);
  EXPECT_TRUE(b->GetDefault());
  b->SetKind(bkCancel);
  EXPECT_EQ(b->GetModalResult(), mrCancel);
  EXPECT_TRUE(b->GetCancel());
  EXPECT_FALSE(b->GetDefault());
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
  EXPECT_EQ(form->GetModalResult(), mrCancel);
  // The glyph is drawn over the platform's face, at the left margin.
  b->SetBounds(10, 10, 120, 30);
  auto strip = GlyphStrip();
  b->SetGlyph(strip.get());
  EXPECT_EQ(b->GetNumGlyphs(), 4);
  const TPixels p = Capture(b);
  p.Save("bitbtn");
  EXPECT_EQ(p.At(4 + 8, 15), CellColours[0]);
}
