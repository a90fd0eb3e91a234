// Event handlers of published method properties, looked up by name, and (from Qeltypes) the
// packed-decimal conversions.
#pragma once

#include "ObjBase.h"
#include "Qeltypes.h"
#include "System.h"

// The handler (code and object) of a method-typed property; an empty handler when the object has no
// such property, the property holds no method or the object is null.
TMethod GetMthdPropValue(TObject* Object, const AnsiString& Name);
// Sets the handler when the property exists, is method-typed and writable; otherwise nothing. A
// handler of another event type is refused by the platform with EPropertyError, the event unchanged.
void SetMthdPropValue(TObject* Object, const AnsiString& Name, const TMethod& Value);
