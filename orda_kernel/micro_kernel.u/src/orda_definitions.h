#pragma once
// Static definition records of component models. The host engine reads them
// directly, so field order and widths are fixed.
#include <cstddef>
#include <cstdint>

#include "orda_type_info.h"

class ORDAComponent;
class ORDAModule;
class ORDAPropertyValue;
class ORDATypeFilterBase;
struct ORDAComponentDefinition;

typedef ORDAComponent* (*ORDAComponentInstantiationFunction)(const char* name, ORDAComponentDefinition& definition);
typedef void (*ORDARegisteringFunction)(void* userData);
typedef void (*ORDAUnregisteringFunction)(void* userData);

struct ORDAInputDefinition {
    const char* name;
    int reserved;
    const ORDATypeFilterBase* typeFilter;
    int readerType;
    int subsampling;
};
static_assert(sizeof(ORDAInputDefinition) == 32);
static_assert(offsetof(ORDAInputDefinition, typeFilter) == 16);
static_assert(offsetof(ORDAInputDefinition, readerType) == 24);
static_assert(offsetof(ORDAInputDefinition, subsampling) == 28);

struct ORDAOutputDefinition {
    const char* name;
    int reserved;
    ORDATypeInfo type;
    int size;
    int fifoSize;
    int subsampling;
    int shareable;
};
static_assert(sizeof(ORDAOutputDefinition) == 56);
static_assert(offsetof(ORDAOutputDefinition, type) == 16);
static_assert(offsetof(ORDAOutputDefinition, size) == 40);
static_assert(offsetof(ORDAOutputDefinition, fifoSize) == 44);
static_assert(offsetof(ORDAOutputDefinition, subsampling) == 48);
static_assert(offsetof(ORDAOutputDefinition, shareable) == 52);

namespace ORDA {
enum PropertySubType : int {
    PropertySubTypeNone = 0,
    PropertySubTypeTime = 1,
    PropertySubTypeCode = 2,
    PropertySubTypeColor = 4,
    PropertySubTypeHexa = 8,
    PropertySubTypeFile = 16,
    PropertySubTypePath = 32,
    PropertySubTypeMustExist = 64,
    PropertySubTypeHidden = 128,
    PropertySubTypeBeginSubSection = 256,
    PropertySubTypeEndSubSection = 512,
};
}

// The fields of a property definition. Properties keep a copy of these;
// only the definition itself owns the default value.
struct ORDAPropertyDefinitionFields {
    const char* name;
    ORDAPropertyValue* value;
    const char* unit;
    bool needs2BeInitialized;
    bool canBeModifiedAfterStart;
    bool readOnly;
    bool locked;
    int subtype;
};

struct ORDAPropertyDefinition : ORDAPropertyDefinitionFields {
    ~ORDAPropertyDefinition();
};
static_assert(sizeof(ORDAPropertyDefinition) == 32);
static_assert(offsetof(ORDAPropertyDefinition, unit) == 16);
static_assert(offsetof(ORDAPropertyDefinition, needs2BeInitialized) == 24);
static_assert(offsetof(ORDAPropertyDefinition, locked) == 27);
static_assert(offsetof(ORDAPropertyDefinition, subtype) == 28);

typedef void (*ORDAActionFunctionPtr)(ORDAModule* module, int index);
typedef void (*ORDAActionArgFunctionPtr)(ORDAModule* module, int index, const char* argument);

// An action's callable: built from a plain action it leaves action_arg null.
struct ORDAActionFunction {
    ORDAActionFunctionPtr action = nullptr;
    ORDAActionArgFunctionPtr action_arg = nullptr;
};
static_assert(sizeof(ORDAActionFunction) == 16);

struct ORDAActionDefinitionFields {
    const char* name;
    ORDAActionFunction* action;
    bool allowedWhenComponentDead;
    char reserved[3];
};

// Owns its function object.
struct ORDAActionDefinition : ORDAActionDefinitionFields {
    ~ORDAActionDefinition() { delete action; }
};
static_assert(sizeof(ORDAActionDefinition) == 24);
static_assert(offsetof(ORDAActionDefinition, allowedWhenComponentDead) == 16);

struct ORDAComponentDefinition {
    const char* name;
    const char* version;
    ORDAComponentInstantiationFunction instFunct;
    ORDARegisteringFunction regFunct;
    ORDAUnregisteringFunction unregFunct;
    std::uint32_t maxNumberOfInstances;
    std::uint32_t nbInputs;
    ORDAInputDefinition* inputs;
    std::uint32_t nbOutputs;
    ORDAOutputDefinition* outputs;
    std::uint32_t nbProperties;
    ORDAPropertyDefinition* properties;
    std::uint32_t nbActions;
    ORDAActionDefinition* actions;
    std::uint16_t priority;
    std::uint32_t kind;
    bool threaded;
    std::int32_t reserved;
};
static_assert(offsetof(ORDAComponentDefinition, instFunct) == 16);
static_assert(offsetof(ORDAComponentDefinition, maxNumberOfInstances) == 40);
static_assert(offsetof(ORDAComponentDefinition, nbInputs) == 44);
static_assert(offsetof(ORDAComponentDefinition, inputs) == 48);
static_assert(offsetof(ORDAComponentDefinition, nbOutputs) == 56);
static_assert(offsetof(ORDAComponentDefinition, outputs) == 64);
static_assert(offsetof(ORDAComponentDefinition, nbProperties) == 72);
static_assert(offsetof(ORDAComponentDefinition, properties) == 80);
static_assert(offsetof(ORDAComponentDefinition, nbActions) == 88);
static_assert(offsetof(ORDAComponentDefinition, actions) == 96);
static_assert(offsetof(ORDAComponentDefinition, priority) == 104);
static_assert(offsetof(ORDAComponentDefinition, kind) == 108);
static_assert(offsetof(ORDAComponentDefinition, threaded) == 112);
static_assert(offsetof(ORDAComponentDefinition, reserved) == 116);
static_assert(sizeof(ORDAComponentDefinition) == 120);

namespace ORDA {
// A count of all ones means every entry before the terminating entry.
inline constexpr std::uint32_t AllEntries = 0xFFFFFFFFu;

template <typename Definition>
std::uint32_t EntriesBeforeTerminator(const Definition* table)
{
    std::uint32_t n = 0;
    if (table)
        while (table[n].name) ++n;
    return n;
}

// Replaces every all-ones count of the record by its entry count, so that
// the counts can serve as loop bounds.
inline void ResolveCounts(ORDAComponentDefinition& d)
{
    if (d.nbInputs == AllEntries) d.nbInputs = EntriesBeforeTerminator(d.inputs);
    if (d.nbOutputs == AllEntries) d.nbOutputs = EntriesBeforeTerminator(d.outputs);
    if (d.nbProperties == AllEntries) d.nbProperties = EntriesBeforeTerminator(d.properties);
    if (d.nbActions == AllEntries) d.nbActions = EntriesBeforeTerminator(d.actions);
}
}
