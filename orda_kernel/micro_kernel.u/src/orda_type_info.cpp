#include "orda_type_info.h"

namespace {
void CopyString(ORDAStackedString<40>*& target, const ORDAStackedString<40>* source)
{
    if (!source) {
        delete target;
        target = nullptr;
    } else if (target) {
        *target = *source;
    } else {
        target = new ORDAStackedString<40>(*source);
    }
}

void SetString(ORDAStackedString<40>*& target, const char* text)
{
    if (!target) target = new ORDAStackedString<40>();
    *target = text ? text : "";
}
}

ORDATypeInfo::ORDATypeInfo(ORDATypeInfoValue v, const char* typeName, const char* typeUnit) : value(v)
{
    if (typeName) SetName(typeName);
    if (typeUnit) SetUnit(typeUnit);
}

ORDATypeInfo::ORDATypeInfo(const ORDATypeInfo& other) : value(other.value)
{
    CopyString(name, other.name);
    CopyString(unit, other.unit);
}

ORDATypeInfo& ORDATypeInfo::operator=(const ORDATypeInfo& other)
{
    if (this == &other) return *this;
    value = other.value;
    CopyString(name, other.name);
    CopyString(unit, other.unit);
    return *this;
}

ORDATypeInfo::~ORDATypeInfo()
{
    delete name;
    delete unit;
}

void ORDATypeInfo::SetName(const char* text) { SetString(name, text); }
void ORDATypeInfo::SetUnit(const char* text) { SetString(unit, text); }
