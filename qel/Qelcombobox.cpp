// TQelComboBox: the prefix search and registration.
#include "Qelcombobox.h"

#include "Qellistbox.h"

VCL_IMPLEMENT_CLASS(TQelComboBox)

TQelComboBox::TQelComboBox(TOwnerArg owner) : TComboBox(owner) {}

TQelComboBox::~TQelComboBox() = default;

int TQelComboBox::FindString(int StartIndex, const AnsiString& Prefix) const
{
  return qel_detail::FindPrefix(GetItems(), StartIndex, Prefix);
}

namespace {

TUnitInit QelcomboboxUnitInit("Qelcombobox", [] { RegisterClass(TQelComboBox::StaticClass()); });

}  // namespace
