// TQelListBox: the prefix search (shared with the combo box) and registration.
#include "Qellistbox.h"

#include <cstring>

VCL_IMPLEMENT_CLASS(TQelListBox)

namespace qel_detail {

int FindPrefix(TStrings* items, int startIndex, const AnsiString& prefix)
{
  if (!items) return -1;
  const size_t length = size_t(prefix.Length());
  const int count = items->GetCount();
  for (int i = startIndex < 0 ? 0 : startIndex; i < count; ++i) {
    const AnsiString item = items->Get(i);
    if (size_t(item.Length()) >= length && std::memcmp(item.c_str(), prefix.c_str(), length) == 0) return i;
  }
  return -1;
}

}  // namespace qel_detail

TQelListBox::TQelListBox(TOwnerArg owner) : TListBox(owner) {}

TQelListBox::~TQelListBox() = default;

int TQelListBox::FindString(int StartIndex, const AnsiString& Prefix) const
{
  return qel_detail::FindPrefix(GetItems(), StartIndex, Prefix);
}

namespace {

TUnitInit QellistboxUnitInit("Qellistbox", [] { RegisterClass(TQelListBox::StaticClass()); });

}  // namespace
