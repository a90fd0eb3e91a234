// QelNewInstance over the class references' virtual constructors.
#include "Qelnewinstance.h"

TObject* QelNewInstance(TComponent* Owner, TMetaClass* Class)
{
  if (!Class) return nullptr;
  if (Class->InheritsFrom(TComponent::StaticClass())) return Class->CreateInstance(Owner);
  // No owner goes to a class that is no component: what runs is the class reference's plain factory,
  // not a constructor of the class's own that would take one. (C++ has no object without its
  // constructor, so the factory's default construction stands for the VCL's bare TObject.Create;
  // a collection item gets no collection.)
  return Class->CreateInstance(nullptr);
}

namespace {

TUnitInit QelnewinstanceUnitInit("Qelnewinstance");

}  // namespace
