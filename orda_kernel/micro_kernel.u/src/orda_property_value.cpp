#include "orda_property_value.h"

#include "orda_definitions.h"

ORDAPropertyValue::ORDAPropertyValue(const char* values, int selected) : type(ORDA::EnumProperty)
{
    value.e = new ORDAEnumStruct(values, selected);
}

ORDAPropertyValue::ORDAPropertyValue(const char* text)
{
    if (ORDAEnumStruct::IsEnumString(text)) {
        type = ORDA::EnumProperty;
        value.e = new ORDAEnumStruct();
        value.e->FromString(text, false);
    } else {
        type = ORDA::StringProperty;
        value.s = new ORDAStackedString<40>(text);
    }
}

ORDAPropertyValue::ORDAPropertyValue(const ORDAPropertyValue& o) { CopyFrom(o); }

ORDAPropertyValue& ORDAPropertyValue::operator=(const ORDAPropertyValue& o)
{
    if (this != &o) {
        ORDAPropertyValue copy(o);
        Clear();
        type = copy.type;
        value = copy.value;
        copy.type = ORDA::BoolProperty;
        copy.value = {};
    }
    return *this;
}

ORDAPropertyValue::~ORDAPropertyValue() { Clear(); }

void ORDAPropertyValue::Clear()
{
    if (type == ORDA::StringProperty) delete value.s;
    else if (type == ORDA::EnumProperty) delete value.e;
    value = {};
}

void ORDAPropertyValue::CopyFrom(const ORDAPropertyValue& o)
{
    type = o.type;
    if (type == ORDA::StringProperty) value.s = o.value.s ? new ORDAStackedString<40>(*o.value.s) : nullptr;
    else if (type == ORDA::EnumProperty) value.e = o.value.e ? new ORDAEnumStruct(*o.value.e) : nullptr;
    else value = o.value;
}

void ORDAPropertyValue::SetBool(bool v)
{
    Clear();
    type = ORDA::BoolProperty;
    value.b = v;
}

void ORDAPropertyValue::SetInteger(long v)
{
    Clear();
    type = ORDA::IntegerProperty;
    value.i = v;
}

void ORDAPropertyValue::SetFloat(double v)
{
    Clear();
    type = ORDA::FloatProperty;
    value.f = v;
}

void ORDAPropertyValue::SetString(const ORDAStackedString<40>& v)
{
    if (type == ORDA::StringProperty && value.s) {
        *value.s = v;
        return;
    }
    Clear();
    type = ORDA::StringProperty;
    value.s = new ORDAStackedString<40>(v);
}

void ORDAPropertyValue::SetEnum(const ORDAEnumStruct& v)
{
    if (type == ORDA::EnumProperty && value.e) {
        *value.e = v;
        return;
    }
    Clear();
    type = ORDA::EnumProperty;
    value.e = new ORDAEnumStruct(v);
}

// The definition owns its default value.
ORDAPropertyDefinition::~ORDAPropertyDefinition() { delete value; }
