// ComCtrls: the unit's registration for stored forms and what its controls share.
#include "ComCtrls.h"

namespace vcl_detail {

void InitComCtrls()
{
  // The classes are registered once per process; comctl32 v6 (the manifest's) gives them the theme.
  static const bool registered = [] {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS |
                                                ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)registered;
}

void MirrorForRightToLeft(const TControl* control, TCreateParams& params)
{
  if (control->GetBiDiMode() != bdRightToLeft) return;
  // A mirrored window reads right to left and keeps its scroll bar on the left by itself; the
  // flags that ask for that in an unmirrored window would turn it back.
  params.ExStyle &= ~DWORD(WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR);
  params.ExStyle |= WS_EX_LAYOUTRTL | WS_EX_NOINHERITLAYOUT;
}

}  // namespace vcl_detail

static TUnitInit ComCtrlsUnitInit("ComCtrls", [] {
  RegisterClasses({TTreeView::StaticClass(), TTrackBar::StaticClass(), TUpDown::StaticClass(),
                   THeaderControl::StaticClass(), THeaderSection::StaticClass(), TPageControl::StaticClass(),
                   TTabSheet::StaticClass()});
});
