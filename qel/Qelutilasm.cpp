// Qelutilasm: event handlers of published properties by name.
#include "Qelutilasm.h"

#include "TypInfo.h"

namespace {

PPropInfo MethodProp(TObject* Object, const AnsiString& Name)
{
  if (!Object) return nullptr;
  PPropInfo info = GetPropInfo(Object, Name);
  return PropKind(info) == tkMethod ? info : nullptr;
}

}  // namespace

TMethod GetMthdPropValue(TObject* Object, const AnsiString& Name)
{
  PPropInfo info = MethodProp(Object, Name);
  return info ? GetMethodProp(Object, info) : TMethod{};
}

void SetMthdPropValue(TObject* Object, const AnsiString& Name, const TMethod& Value)
{
  PPropInfo info = MethodProp(Object, Name);
  if (info && info->Writable) SetMethodProp(Object, info, Value);
}
