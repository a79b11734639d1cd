#include "orda_element_names.h"

#include <cstring>

void ORDAPrivate::RenameModulePart(ORDAStackedString<40>& fullName, const char* oldName, const char* newName)
{
    if (!oldName) return;
    const int dot = fullName.FindStr(".", 0);
    if (dot < 0 || static_cast<int>(std::strlen(oldName)) != dot ||
        std::strncmp(fullName.Beginning(), oldName, static_cast<std::size_t>(dot)) != 0)
        return;
    ORDAStackedString<40> renamed(newName);
    renamed += fullName.Beginning() + dot;
    fullName = renamed;
}

ORDAStackedString<40> ORDAPrivate::FullName(const char* moduleName, const char* shortName)
{
    ORDAStackedString<40> name(moduleName);
    name += ".";
    name += shortName;
    return name;
}
