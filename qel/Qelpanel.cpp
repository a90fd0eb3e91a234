// TQelPanel: its published key event and registration.
#include "Qelpanel.h"

#include "TypInfo.h"

// The base's key event. The platform's panel publishes it as well; this entry takes that one's place
// and is stored the same way.
VCL_PUBLISHED(TQelPanel)
{
  p.Property("OnKeyDown", &TQelPanel::OnKeyDown, &TQelPanel::OnKeyDown);
}

TQelPanel::TQelPanel(TOwnerArg owner) : TPanel(owner) {}

TQelPanel::~TQelPanel() = default;

namespace {

TUnitInit QelpanelUnitInit("Qelpanel", [] { RegisterClass(TQelPanel::StaticClass()); });

}  // namespace
