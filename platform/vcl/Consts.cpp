// The message texts are header constants; this unit only gives them their place in the package.
#include "Consts.h"
