#pragma once
#include "orda_string.h"

namespace ORDA {
// Public constants of the runtime; nothing in the package reads them.
extern const ORDAStackedString<40> KernelVersion;
extern const ORDAStackedString<40> DiagramVersion;
extern const ORDAStackedString<40> ProductName;
extern const ORDAStackedString<40> OperatingSystem;
}
