#include "DsgnIntf.h"

VCL_IMPLEMENT_CLASS(TPropertyEditor)

TPropertyEditor::TPropertyEditor(IFormDesigner* designer, int propCount)
    : FDesigner(designer), FPropList(size_t(propCount > 0 ? propCount : 0))
{
}

TPropertyAttributes TPropertyEditor::GetAttributes()
{
  return TPropertyAttributes() << paRevertable;
}

AnsiString TPropertyEditor::GetValue() { return "(unknown)"; }

void TPropertyEditor::SetValue(const AnsiString&) {}

void TPropertyEditor::GetValues(TGetStrProc) {}

void TPropertyEditor::SetPropEntry(int index, TPersistent* instance, PPropInfo propInfo)
{
  FPropList.at(size_t(index)) = TInstProp{instance, propInfo};
}

AnsiString TPropertyEditor::GetName() const
{
  const PPropInfo info = GetPropInfo();
  return info ? info->Name : AnsiString();
}

TPersistent* TPropertyEditor::GetComponent(int index) const
{
  return FPropList.at(size_t(index)).Instance;
}

void TPropertyEditor::Modified()
{
  if (FDesigner) FDesigner->Modified();
}

int64_t TPropertyEditor::GetOrdValue() const
{
  return GetOrdProp(FPropList.at(0).Instance, FPropList.at(0).PropInfo);
}

void TPropertyEditor::SetOrdValue(int64_t value)
{
  for (const TInstProp& p : FPropList) SetOrdProp(p.Instance, p.PropInfo, value);
  Modified();
}

AnsiString TPropertyEditor::GetStrValue() const
{
  return GetStrProp(FPropList.at(0).Instance, FPropList.at(0).PropInfo);
}

void TPropertyEditor::SetStrValue(const AnsiString& value)
{
  for (const TInstProp& p : FPropList) SetStrProp(p.Instance, p.PropInfo, value);
  Modified();
}

TObject* TPropertyEditor::GetObjectValue() const
{
  return GetObjectProp(FPropList.at(0).Instance, FPropList.at(0).PropInfo);
}

void TPropertyEditor::SetObjectValue(TObject* value)
{
  for (const TInstProp& p : FPropList) SetObjectProp(p.Instance, p.PropInfo, value);
  Modified();
}
