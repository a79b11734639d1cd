#pragma once
// Type filter: a set of conditions on a type descriptor's word, name and unit.
#include <cstddef>

#include "orda_type_codes.h"
#include "orda_type_info.h"

class ORDARegExp;

class ORDATypeFilterBase {
public:
    // constexpr so that the process-wide filters are constant-initialised
    // and usable from the static initialisers of component definitions.
    constexpr ORDATypeFilterBase() = default;
    constexpr ORDATypeFilterBase(ORDATypeInfoValue m, ORDATypeInfoValue expected, ORDATypeInfoValue anyOf,
                                 const char* namePattern = nullptr, const char* unitPattern = nullptr)
        : mask(m), x(expected), maskX(anyOf), nameFilter(namePattern), unitFilter(unitPattern)
    {
    }
    // A copy compiles (and later deletes) its own regular expressions.
    ORDATypeFilterBase(const ORDATypeFilterBase& other);
    ORDATypeFilterBase& operator=(const ORDATypeFilterBase& other);
    ~ORDATypeFilterBase();

    bool Match(const ORDATypeInfo& type) const;

    ORDATypeInfoValue mask = 0;
    ORDATypeInfoValue x = 0;
    ORDATypeInfoValue maskX = 0;
    const char* nameFilter = nullptr;
    const char* unitFilter = nullptr;
    // Compiled on first use and cached; the filter owns them.
    mutable ORDARegExp* nameRegexp = nullptr;
    mutable ORDARegExp* unitRegexp = nullptr;
};
static_assert(sizeof(ORDATypeFilterBase) == 56);
static_assert(offsetof(ORDATypeFilterBase, mask) == 0);
static_assert(offsetof(ORDATypeFilterBase, x) == 8);
static_assert(offsetof(ORDATypeFilterBase, maskX) == 16);
static_assert(offsetof(ORDATypeFilterBase, nameFilter) == 24);
static_assert(offsetof(ORDATypeFilterBase, unitFilter) == 32);
static_assert(offsetof(ORDATypeFilterBase, nameRegexp) == 40);
static_assert(offsetof(ORDATypeFilterBase, unitRegexp) == 48);

namespace ORDA {
bool TypeFilter(const ORDATypeInfo& type, const ORDATypeFilterBase& filter);

}

// A named structure filter, as declared by a data type:
//   ORDATypeFilterBase(ORDA::TypeMask, ORDA::DynamicStructure, ORDA::TypeMask, "^ORDApcap_data_t$")
