#pragma once
#include "orda_string.h"
#include "orda_types.h"

// Sample type descriptor: the type information word plus optional owned
// name and unit strings.
class ORDATypeInfo {
public:
    // constexpr so that static definition tables are constant-initialised
    // and usable from other static initialisers.
    constexpr ORDATypeInfo() = default;
    constexpr explicit ORDATypeInfo(ORDATypeInfoValue v) : value(v) {}
    ORDATypeInfo(ORDATypeInfoValue v, const char* typeName, const char* typeUnit);
    ORDATypeInfo(const ORDATypeInfo& other);
    ORDATypeInfo& operator=(const ORDATypeInfo& other);
    ~ORDATypeInfo();

    // Creates the string on first use; null makes it empty (the object stays).
    void SetName(const char* text);
    void SetUnit(const char* text);
    const char* Name() const { return name ? name->Beginning() : nullptr; }
    const char* Unit() const { return unit ? unit->Beginning() : nullptr; }

    ORDATypeInfoValue value = 0;
    ORDAStackedString<40>* name = nullptr;
    ORDAStackedString<40>* unit = nullptr;
};
static_assert(sizeof(ORDATypeInfo) == 24);
