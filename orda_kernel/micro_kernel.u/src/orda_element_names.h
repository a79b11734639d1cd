#pragma once
// Full names of a module's elements: module name, ".", short name.
#include "orda_string.h"

namespace ORDAPrivate {
// If the part of the name before its first "." equals oldName, it becomes
// newName; otherwise the name is unchanged.
void RenameModulePart(ORDAStackedString<40>& fullName, const char* oldName, const char* newName);
ORDAStackedString<40> FullName(const char* moduleName, const char* shortName);
}
