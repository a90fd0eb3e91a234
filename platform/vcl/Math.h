// Math: the unit's exceptions. EMathError and its family live in SysUtils.h (EInvalidOp, EOverflow,
// EZeroDivide, EInvalidArgument), as their raisers there need them; this header is where a VCL
// programmer includes them from.
#pragma once

#include "SysUtils.h"
