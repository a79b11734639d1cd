#pragma once
// Engine properties read by name ("Engine.shutdownTimeout", ...).
#include "orda_enum_struct.h"
#include "orda_string.h"

namespace ORDA {
bool GetBoolProperty(const char* name, bool* found = nullptr);
int GetIntegerProperty(const char* name, bool* found = nullptr);
double GetFloatProperty(const char* name, bool* found = nullptr);
// Without `found`, a missing or mistyped property is a kernel error.
ORDAStackedString<40> GetStringProperty(const char* name, bool* found = nullptr);
ORDAEnumStruct GetEnumsProperty(const char* name, bool* found = nullptr);
}
