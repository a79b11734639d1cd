#include "orda_constants.h"

namespace ORDA {
const ORDAStackedString<40> KernelVersion("4.10");
const ORDAStackedString<40> DiagramVersion("4.8.0");
const ORDAStackedString<40> ProductName("Ordavix");
const ORDAStackedString<40> OperatingSystem("ubuntu2204");
}
