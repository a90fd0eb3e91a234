#include "Xmlkit.h"

#include <atomic>

// {2933BF95-7B36-11d2-B20E-00C04F983E60}
const IID IID_Xmlkit_IXMLDOMDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
// {88D96A05-F192-11D4-A65F-0040963251E5}
const CLSID CLSID_Xmlkit_DOMDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
// {88D969C0-F192-11D4-A65F-0040963251E5}
const CLSID CLSID_Xmlkit_DOMDocument40 = {0x88d969c0, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
// {F5078F32-C551-11D3-89B9-0000F81FE221}
const CLSID CLSID_Xmlkit_DOMDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};

namespace {

std::atomic<int> g_version{0};

void SetBoolProperty(IXMLDOMDocument2* doc, const wchar_t* name, bool value)
{
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  WideString property(name);
  // A version that does not know the property refuses it; the settings below cover that version.
  doc->setProperty(property.c_bstr(), v);
}

void SetIntProperty(IXMLDOMDocument2* doc, const wchar_t* name, int value)
{
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  WideString property(name);
  doc->setProperty(property.c_bstr(), v);
}

}  // namespace

_di_IXMLDOMDocument2 CreateXmlDoc()
{
  static const struct {
    const CLSID* clsid;
    int version;
  } versions[] = {{&CLSID_Xmlkit_DOMDocument60, 60}, {&CLSID_Xmlkit_DOMDocument40, 40}, {&CLSID_Xmlkit_DOMDocument30, 30}};

  for (const auto& candidate : versions) {
    IXMLDOMDocument2* raw = nullptr;
    if (FAILED(CoCreateInstance(*candidate.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_Xmlkit_IXMLDOMDocument2,
                                reinterpret_cast<void**>(&raw))) ||
        !raw)
      continue;
    _di_IXMLDOMDocument2 doc = _di_IXMLDOMDocument2::Attach(raw);
    doc->put_validateOnParse(VARIANT_FALSE);
    doc->put_resolveExternals(VARIANT_FALSE);
    SetBoolProperty(doc, L"ProhibitDTD", true);
    SetBoolProperty(doc, L"ResolveExternals", false);
    SetBoolProperty(doc, L"AllowDocumentFunction", false);
    SetIntProperty(doc, L"MaxElementDepth", 256);
    g_version = candidate.version;
    return doc;
  }
  return _di_IXMLDOMDocument2();
}

int XmlDocVersion() { return g_version; }
