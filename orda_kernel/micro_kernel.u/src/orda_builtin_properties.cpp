#include "orda_builtin_properties.h"

#include "orda_property_value.h"

namespace {

// Plain fields: the owning definition is built from them in place, so no
// copy of a value-owning record ever exists.
ORDAPropertyDefinitionFields Fields(const char* name, ORDAPropertyValue* value, bool readOnly,
                                    bool modifiableAfterStart)
{
    ORDAPropertyDefinitionFields d{};
    d.name = name;
    d.value = value;
    d.unit = nullptr;
    d.needs2BeInitialized = false;
    d.canBeModifiedAfterStart = modifiableAfterStart;
    d.readOnly = readOnly;
    d.locked = true;
    d.subtype = ORDA::PropertySubTypeNone;
    return d;
}

struct Holder {
    ORDAPrivate::SpecialPropertyDefinitions d{
        {Fields("processor", new ORDAPropertyValue(-1), false, true)},
        {Fields("counter", new ORDAPropertyValue(0), true, false)},
        {Fields("nbPeriods", new ORDAPropertyValue(10), false, true)},
        {Fields("averagePeriod", new ORDAPropertyValue(0), true, false)},
        {Fields("minPeriod", new ORDAPropertyValue(0), true, false)},
        {Fields("maxPeriod", new ORDAPropertyValue(0), true, false)},
        {Fields("contextSwitches", new ORDAPropertyValue(0), true, false)},
        {Fields("CPULoad", new ORDAPropertyValue(0), true, false)},
        {Fields("threaded", new ORDAPropertyValue(false), false, false)},
        {Fields("priority", new ORDAPropertyValue(128), false, true)},
        {Fields("autoStart", new ORDAPropertyValue(true), false, true)},
        {Fields("componentModelVersion", new ORDAPropertyValue(static_cast<const char*>("")), true, false)},
        {Fields("primaryThreadID", new ORDAPropertyValue(-1), true, false)},
        {Fields("subsampling", new ORDAPropertyValue(1), false, true)},
        {Fields("readerType", new ORDAPropertyValue(0), false, true)},
        {Fields("subsampling", new ORDAPropertyValue(1), false, true)},
        {Fields("fifosize", new ORDAPropertyValue(16), false, true)},
        {Fields("periodic", new ORDAPropertyValue(false), false, false)},
    };
};

const Holder holder;

}

const ORDAPrivate::SpecialPropertyDefinitions& ORDAPrivate::SpecialProperties() { return holder.d; }
