// TQelMaskEdit and its registration for stored forms.
#include "Qelmaskedit.h"

VCL_IMPLEMENT_CLASS(TQelMaskEdit)

TQelMaskEdit::TQelMaskEdit(TOwnerArg owner) : TMaskEdit(owner) {}

TQelMaskEdit::~TQelMaskEdit() = default;

namespace {

TUnitInit QelmaskeditUnitInit("Qelmaskedit", [] { RegisterClass(TQelMaskEdit::StaticClass()); });

}  // namespace
