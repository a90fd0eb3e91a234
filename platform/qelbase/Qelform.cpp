#include "Qelform.h"

#include "Localemgr.h"
#include "TypInfo.h"

namespace {

TUnitInit QelformUnitInit("Qelform");

// The attribute's text; empty when absent or not text.
AnsiString Attribute(IXMLDOMElement* element, const wchar_t* name)
{
  const WideString attribute(name);
  VARIANT value;
  VariantInit(&value);
  AnsiString text;
  if (element->getAttribute(attribute.c_bstr(), &value) == S_OK && value.vt == VT_BSTR && value.bstrVal)
    text = AnsiString(WideString(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal))));
  VariantClear(&value);
  return text;
}

// Puts the element's Caption and Hint into the object's text properties of those names.
void ApplyTexts(TObject* target, IXMLDOMElement* element)
{
  for (const wchar_t* name : {L"Caption", L"Hint"}) {
    const AnsiString text = Attribute(element, name);
    if (text.IsEmpty()) continue;
    PPropInfo info = GetPropInfo(target, AnsiString(name));
    if (info && info->Writable && info->PropType && info->PropType->Kind == tkLString) SetStrProp(target, info, text);
  }
}

}  // namespace

VCL_IMPLEMENT_CLASS(TQelForm)

void TQelForm::DefineProperties(TFiler* filer)
{
  inherited::DefineProperties(filer);
  filer->DefineProperty(
      "RunTimeParentBiDiMode", [this](TReader* reader) { FRunTimeParentBiDiMode = reader->ReadBoolean(); },
      [this](TWriter* writer) { writer->WriteBoolean(FRunTimeParentBiDiMode); }, !FRunTimeParentBiDiMode);
}

void TQelForm::Loaded()
{
  inherited::Loaded();
  if (!GetComponentState().Contains(csDesigning)) Localize();
}

void TQelForm::Localize()
{
  const AnsiString name = GetName();
  if (name.IsEmpty()) return;
  _di_IXMLDOMElement section = GetContainerElement(name);
  if (!section) return;
  ApplyTexts(this, section);

  DelphiInterface<IXMLDOMNodeList> children;
  const WideString query(L"COMPONENT");
  if (FAILED(section->selectNodes(query.c_bstr(), &children)) || !children) return;
  for (;;) {
    _di_IXMLDOMNode node;
    if (children->nextNode(&node) != S_OK || !node) break;
    _di_IXMLDOMElement element = node.Supports<IXMLDOMElement>(IID_IXMLDOMElement);
    if (!element) continue;
    const AnsiString componentName = Attribute(element, L"name");
    if (TComponent* component = componentName.IsEmpty() ? nullptr : FindComponent(componentName))
      ApplyTexts(component, element);
  }
}

void TQelForm::AfterConstruction()
{
  if (FRunTimeParentBiDiMode && Application) {
    SetBiDiMode(Application->GetBiDiMode());
    SetParentBiDiMode(true);
  }
  inherited::AfterConstruction();
}
