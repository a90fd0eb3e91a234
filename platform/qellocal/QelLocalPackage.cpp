// QelLocal.bpl: the product line's localisation package. The programs link it for its unit
// initialisation, which counts its users; it holds no texts of its own (translations come from the
// locale manager's files).
#include "System.h"

extern "C" const char* QelLocalPackageName() { return "QelLocal"; }

namespace {
TUnitInit QelLocalUnitInit("QelLocal");
}
