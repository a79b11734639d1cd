#include "orda_type_filter.h"

#include <mutex>

#include "orda_regexp.h"

namespace {
// Filters with patterns may be shared by components on different threads;
// compiling into the cache and matching (the expression keeps its last
// match) are serialised. Filters without patterns never take the lock.
std::mutex& PatternLock()
{
    static std::mutex lock;
    return lock;
}

bool PatternMatches(const char* pattern, ORDARegExp*& cache, const ORDAStackedString<40>* text)
{
    if (!cache) cache = new ORDARegExp(pattern);
    if (!text || !cache->Ok()) return false;
    return cache->exec(text->Beginning(), text->Length());
}
}

ORDATypeFilterBase::ORDATypeFilterBase(const ORDATypeFilterBase& other)
    : mask(other.mask), x(other.x), maskX(other.maskX), nameFilter(other.nameFilter), unitFilter(other.unitFilter)
{
}

ORDATypeFilterBase& ORDATypeFilterBase::operator=(const ORDATypeFilterBase& other)
{
    if (this == &other) return *this;
    std::lock_guard<std::mutex> guard(PatternLock());
    mask = other.mask;
    x = other.x;
    maskX = other.maskX;
    // The cached expressions belong to the old patterns.
    if (nameFilter != other.nameFilter) {
        delete nameRegexp;
        nameRegexp = nullptr;
    }
    if (unitFilter != other.unitFilter) {
        delete unitRegexp;
        unitRegexp = nullptr;
    }
    nameFilter = other.nameFilter;
    unitFilter = other.unitFilter;
    return *this;
}

ORDATypeFilterBase::~ORDATypeFilterBase()
{
    delete nameRegexp;
    delete unitRegexp;
}

bool ORDATypeFilterBase::Match(const ORDATypeInfo& type) const
{
    const bool checkName = nameFilter && !(type.value & ORDA::IgnoreNameFlag);
    const bool checkUnit = unitFilter && !(type.value & ORDA::IgnoreUnitFlag);
    if (checkName || checkUnit) {
        std::lock_guard<std::mutex> guard(PatternLock());
        if (checkName && !PatternMatches(nameFilter, nameRegexp, type.name)) return false;
        if (checkUnit && !PatternMatches(unitFilter, unitRegexp, type.unit)) return false;
    }
    return ((type.value ^ x) & mask) == 0 && (type.value & maskX) != 0;
}

namespace ORDA {
bool TypeFilter(const ORDATypeInfo& type, const ORDATypeFilterBase& filter) { return filter.Match(type); }
}
