#include "Vclstring.h"

#include <memory>

VCL_IMPLEMENT_CLASS(TVCLString)
VCL_IMPLEMENT_CLASS(TVCLStringProperty)
VCL_IMPLEMENT_CLASS(TVCLStringListProperty)

void TVCLString::ReadData(TReader* reader) { FString = reader->ReadString(); }

void TVCLString::WriteData(TWriter* writer) { writer->WriteString(FString); }

void TVCLString::DefineProperties(TFiler* filer)
{
  inherited::DefineProperties(filer);
  const auto* ancestor = dynamic_cast<const TVCLString*>(filer->GetAncestor());
  const bool hasData = ancestor ? ancestor->FString != FString : !FString.IsEmpty();
  filer->DefineProperty("String", [this](TReader* r) { ReadData(r); }, [this](TWriter* w) { WriteData(w); },
                        hasData);
}

void TVCLString::AssignTo(TPersistent* dest)
{
  if (auto* target = dynamic_cast<TVCLString*>(dest)) {
    target->FString = FString;
    return;
  }
  inherited::AssignTo(dest);
}

AnsiString TVCLStringProperty::GetValue()
{
  const auto* text = dynamic_cast<TVCLString*>(GetObjectValue());
  return text ? text->GetString() : AnsiString();
}

void TVCLStringProperty::SetValue(const AnsiString& value)
{
  auto* text = dynamic_cast<TVCLString*>(GetObjectValue());
  if (!text) return;
  *text = value;
  // Storing the same object back is what tells the designer the form changed.
  SetObjectValue(text);
}

TPropertyAttributes TVCLStringListProperty::GetAttributes()
{
  return TPropertyAttributes() << paValueList << paSortList;
}

void TVCLStringListProperty::GetValues(TGetStrProc proc)
{
  std::unique_ptr<TStringList> values(new TStringList());
  GetValueList(values.get());
  for (int i = 0; i < values->Count(); ++i) proc(values->Get(i));
}

void TVCLStringListProperty::GetValueList(TStrings*) {}
