// Xmlkit: the XML document factory of the product line, over the platform's MSXML2 DOM.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "System.h"

using _di_IXMLDOMDocument2 = DelphiInterface<IXMLDOMDocument2>;
using _di_IXMLDOMNode = DelphiInterface<IXMLDOMNode>;
using _di_IXMLDOMElement = DelphiInterface<IXMLDOMElement>;

// The identifiers MinGW's import libraries lack.
extern const IID IID_Xmlkit_IXMLDOMDocument2;
extern const CLSID CLSID_Xmlkit_DOMDocument60;
extern const CLSID CLSID_Xmlkit_DOMDocument40;
extern const CLSID CLSID_Xmlkit_DOMDocument30;

// A new, empty MSXML2 DOM document, the newest version the platform has (6.0, then 4.0, then 3.0);
// empty when none can be created (COM not initialised on this thread, no MSXML). The reference
// belongs to the caller.
//
// Documents come ready for untrusted files: a document type declaration is refused (so no entity is
// ever expanded and no external DTD or entity is fetched), external resources are not resolved, and
// nothing is validated. A file with a DOCTYPE therefore fails to load.
_di_IXMLDOMDocument2 CreateXmlDoc();

// The version of the last document CreateXmlDoc made in this process: 60, 40 or 30; 0 before.
int XmlDocVersion();
