// The controls demo in both reading directions: the whole layout mirrors (aligned sides swap), the
// children take the form's direction, and a picture of each is saved.
#include "ComCtrlsTestSupport.h"
#include "ControlsDemo.h"

using namespace ctltest;
using namespace comctl;

TEST(ControlsDemo, TheOtherReadingDirectionMirrorsTheLayout)
{
  std::unique_ptr<TControlsDemo, stdinput::FormDeleter> demo(new TControlsDemo(Application));
  demo->Show();
  demo->Update();
  PumpFor(300);
  EXPECT_TRUE(demo->IsRightToLeft());
  EXPECT_EQ(demo->RightToLeft->GetColor(), demo->Content->GetColor()) << "a stored child takes its parent's colour";
  EXPECT_EQ(demo->Tracks->GetBiDiMode(), bdRightToLeft);
  EXPECT_TRUE(SaveScreen(demo->GetHandle(), "controls_demo_right_to_left"));

  TControl* const controls[] = {demo->Library,  demo->Content, demo->Volume,      demo->RepeatEdit, demo->Balance,
                                demo->ViewSize, demo->Theme,   demo->CloseButton, demo->Swatch,     demo->Notes};
  std::vector<int> before;
  for (TControl* c : controls) before.push_back(c->GetLeft());

  demo->SetRightToLeft(false);
  demo->Update();
  PumpFor(300);
  EXPECT_FALSE(demo->RightToLeft->GetChecked());
  EXPECT_EQ(demo->Tracks->GetBiDiMode(), bdLeftToRight);
  EXPECT_EQ(demo->Library->GetAlign(), alLeft);
  for (size_t i = 0; i < std::size(controls); ++i) {
    TControl* c = controls[i];
    EXPECT_EQ(c->GetLeft(), c->GetParent()->GetClientWidth() - before[i] - c->GetWidth()) << c->GetName().c_str();
  }
  EXPECT_TRUE(SaveScreen(demo->GetHandle(), "controls_demo_left_to_right"));
  // What the flip moved is painted again: the tree's empty lower half shows no unpainted black.
  const TPixels tree = ReadControl(demo->Library);
  EXPECT_EQ(tree.Count(TRect(0, tree.Height / 2, tree.Width, tree.Height), RGB(0, 0, 0)), 0);

  demo->RightToLeft->SetChecked(true);  // the check box turns it back
  Pump();
  EXPECT_TRUE(demo->IsRightToLeft());
  for (size_t i = 0; i < std::size(controls); ++i) EXPECT_EQ(controls[i]->GetLeft(), before[i]) << i;
}
