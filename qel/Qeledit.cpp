// TQelEdit: the double click that runs the menu's default item, and registration.
#include "Qeledit.h"

#include "Qelmenus.h"

VCL_IMPLEMENT_CLASS(TQelEdit)

TQelEdit::TQelEdit(TOwnerArg owner) : TEdit(owner) {}

TQelEdit::~TQelEdit() = default;

void TQelEdit::DblClick()
{
  TEdit::DblClick();
  // Read after OnDblClick: the handler may have changed the menu or its default.
  if (auto* menu = dynamic_cast<TQelPopupMenu*>(GetPopupMenu()))
    if (TMenuItem* item = menu->GetDefaultMenuItem()) item->Click();
}

namespace {

TUnitInit QeleditUnitInit("Qeledit", [] { RegisterClass(TQelEdit::StaticClass()); });

}  // namespace
