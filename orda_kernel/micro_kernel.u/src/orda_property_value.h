#pragma once
// A typed property value; owns its string or enumeration.
#include <cstdint>

#include "orda_enum_struct.h"
#include "orda_string.h"

namespace ORDA {
enum PropertyType : int {
    BoolProperty = 0,
    IntegerProperty = 1,
    FloatProperty = 2,
    StringProperty = 3,
    EnumProperty = 4,
};
}

class ORDAPropertyValue {
public:
    ORDAPropertyValue() = default;
    ORDAPropertyValue(bool v) : type(ORDA::BoolProperty) { value.b = v; }
    ORDAPropertyValue(long v) : type(ORDA::IntegerProperty) { value.i = v; }
    ORDAPropertyValue(int v) : ORDAPropertyValue(static_cast<long>(v)) {}
    ORDAPropertyValue(double v) : type(ORDA::FloatProperty) { value.f = v; }
    ORDAPropertyValue(const ORDAEnumStruct& e) : type(ORDA::EnumProperty) { value.e = new ORDAEnumStruct(e); }
    // Values split at "|" with that selection; null text: no values.
    ORDAPropertyValue(const char* values, int selected);
    // The enumeration text form makes an enumeration, anything else a string.
    ORDAPropertyValue(const char* text);
    ORDAPropertyValue(const ORDAPropertyValue& o);
    ORDAPropertyValue& operator=(const ORDAPropertyValue& o);
    virtual ~ORDAPropertyValue();

    int Type() const { return type; }
    bool Bool() const { return value.b; }
    long Integer() const { return static_cast<long>(value.i); }
    double Float() const { return value.f; }
    // Null for a string property whose string was never created.
    ORDAStackedString<40>* String() const { return value.s; }
    ORDAEnumStruct* Enum() const { return value.e; }

    // Replaces the content, keeping the type tag in step.
    void SetBool(bool v);
    void SetInteger(long v);
    void SetFloat(double v);
    void SetString(const ORDAStackedString<40>& v);
    void SetEnum(const ORDAEnumStruct& v);

private:
    void Clear();
    void CopyFrom(const ORDAPropertyValue& o);

    int type = ORDA::BoolProperty;
    union {
        bool b;
        std::int64_t i;
        double f;
        ORDAStackedString<40>* s;
        ORDAEnumStruct* e;
    } value{};
};
