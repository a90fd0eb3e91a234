// TQelMemo and its registration for stored forms.
#include "Qelmemo.h"

VCL_IMPLEMENT_CLASS(TQelMemo)

TQelMemo::TQelMemo(TOwnerArg owner) : TMemo(owner) {}

TQelMemo::~TQelMemo() = default;

namespace {

TUnitInit QelmemoUnitInit("Qelmemo", [] { RegisterClass(TQelMemo::StaticClass()); });

}  // namespace
