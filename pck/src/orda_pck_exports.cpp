// The package's only two exported symbols.
#include "orda_pck_entry.h"

ORDA_DEFINE_PACKAGE_EXPORTS
