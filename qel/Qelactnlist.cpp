// TQelActionList and its registration for stored forms.
#include "Qelactnlist.h"

VCL_IMPLEMENT_CLASS(TQelActionList)

TQelActionList::TQelActionList(TOwnerArg owner) : TActionList(owner) {}

TQelActionList::~TQelActionList() = default;

namespace {

// Stored forms find the list by name, and the platform's actions it holds as well.
TUnitInit QelactnlistUnitInit("Qelactnlist", [] {
  RegisterClasses({TQelActionList::StaticClass(), TAction::StaticClass()});
});

}  // namespace
