#include "orda_property.h"

#include "orda_element_names.h"
#include "orda_module.h"

ORDAPropertyImplementation::ORDAPropertyImplementation(const ORDAPropertyDefinition& def, ORDAModule* module,
                                                       const char* full, const char* shortText)
    : fullName(full), shortName(shortText), definition(def), changedEvent(false, nullptr), owner(module)
{
    if (def.value) value = *def.value;
}

long ORDAPropertyImplementation::IntegerValue()
{
    if (value.Type() == ORDA::EnumProperty) return value.Enum() ? value.Enum()->m_selected : -1;
    return value.Integer();
}

ORDAStackedString<40> ORDAPropertyImplementation::StringValue()
{
    if (value.Type() == ORDA::EnumProperty) return value.Enum() ? value.Enum()->SelectedValue() : ORDAStackedString<40>();
    return value.String() ? *value.String() : ORDAStackedString<40>();
}

void ORDAPropertyImplementation::AcknowledgePropertyChanged()
{
    changed = false;
    changedEvent.Reset();
}

void ORDAPropertyImplementation::Set(bool v) { owner->Set(this, v); }
void ORDAPropertyImplementation::Set(long v) { owner->Set(this, v); }
void ORDAPropertyImplementation::Set(double v) { owner->Set(this, v); }
void ORDAPropertyImplementation::Set(const ORDAStackedString<40>& v) { owner->Set(this, v); }
void ORDAPropertyImplementation::Set(ORDAEnumStruct v) { owner->Set(this, v); }
void ORDAPropertyImplementation::Set(const ORDAStackedString<40>& v, int selectionOnly)
{
    owner->Set(this, v, selectionOnly);
}

void ORDAPropertyImplementation::Get(bool& v) { owner->Get(this, v); }
void ORDAPropertyImplementation::Get(long& v) { owner->Get(this, v); }

void ORDAPropertyImplementation::Get(int& v)
{
    long l = 0;
    owner->Get(this, l);
    v = static_cast<int>(l);
}

void ORDAPropertyImplementation::Get(double& v) { owner->Get(this, v); }
void ORDAPropertyImplementation::Get(ORDAStackedString<40>& v) { owner->Get(this, v); }
void ORDAPropertyImplementation::Get(ORDAEnumStruct& v) { owner->Get(this, v); }

void ORDAPropertyImplementation::Get(ORDAArray<ORDAStackedString<40>>& values, int& selected)
{
    ORDAEnumStruct e;
    owner->Get(this, e);
    values = e.m_values;
    selected = e.m_selected;
}

void ORDAPropertyImplementation::Rename(const char* oldName, const char* newName)
{
    ORDAPrivate::RenameModulePart(fullName, oldName, newName);
}
