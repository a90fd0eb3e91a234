// The DirectShow base classes in one include, with the platform's interfaces and identifiers
// (CLSID_AsyncReader, MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1System, IID_IAsyncReader...).
#pragma once

#include <windows.h>
#include <dshow.h>

#include "Wxutil.h"
#include "Combase.h"
#include "Mediatype.h"
#include "Basefilter.h"
#include "Basepin.h"
#include "Memallocator.h"
