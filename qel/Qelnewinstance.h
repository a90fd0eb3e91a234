// QelNewInstance: an object made from nothing but its class reference, as form streaming makes them.
#pragma once

#include "Classes.h"

// A component class runs its virtual constructor with Owner (the new component is owned by Owner,
// when there is one, and named nothing). Any other class runs its class reference's plain factory
// with no owner. An exception of the constructor passes to the caller; an abstract class raises
// EInvalidOperation; a null class makes nothing (null).
TObject* QelNewInstance(TComponent* Owner, TMetaClass* Class);
