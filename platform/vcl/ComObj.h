// COM helpers of the VCL stand-in.
#pragma once

#include "SysUtils.h"

// Raises EOleSysError carrying hr and the system's text for it when hr is a failure code; answers hr.
HRESULT OleCheck(HRESULT hr);
// The text OleCheck puts in its exception: the system's message, or "OLE error XXXXXXXX".
AnsiString OleErrorMessage(HRESULT hr);
