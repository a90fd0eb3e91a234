// TQelSplitter and its registration for stored forms.
#include "Qelsplitter.h"

VCL_IMPLEMENT_CLASS(TQelSplitter)

TQelSplitter::TQelSplitter(TOwnerArg owner) : TSplitter(owner) {}

TQelSplitter::~TQelSplitter() = default;

namespace {

TUnitInit QelsplitterUnitInit("Qelsplitter", [] { RegisterClass(TQelSplitter::StaticClass()); });

}  // namespace
