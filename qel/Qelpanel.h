// The library's panel: the platform's TPanel, with its key event OnKeyDown published (stored forms of
// the library's programs bind it).
#pragma once

#include "ExtCtrls.h"

class TQelPanel : public TPanel {
  VCL_DECLARE_CLASS(TQelPanel, TPanel)
  explicit TQelPanel(TOwnerArg owner);
  ~TQelPanel() override;
};
