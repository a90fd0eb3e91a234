// TQelTrackBar: the platform's track bar with a scroll event that reports every scroll action with
// its code and lets the handler change the resulting position.
#pragma once

#include "ComCtrls.h"
#include "StdCtrls.h"

class TQelTrackBar : public TTrackBar {
  VCL_DECLARE_CLASS(TQelTrackBar, TTrackBar)
  explicit TQelTrackBar(TOwnerArg owner);
  ~TQelTrackBar() override;

  // Sender, the action's code and the position it leads to, which the handler may change.
  TScrollEvent OnScroll;

protected:
  // Called after the base has read the new position; calls OnScroll.
  virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);
  void CNHScroll(TWMScroll& message) override;
  void CNVScroll(TWMScroll& message) override;

private:
  void ScrollNotice(TWMScroll& message);
};
