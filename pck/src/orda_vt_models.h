#pragma once
// The package's four component models. The component classes grow behind
// these definitions; each model's tables live in its own source file.
#include "orda_definitions.h"

class ORDAVtCanMonitoring {
public:
    static ORDAComponentDefinition definition;
};

class ORDAVtEthMonitoring {
public:
    static ORDAComponentDefinition definition;
};

class ORDAVtCanApi20 {
public:
    static ORDAComponentDefinition definition;
};

class ORDAVtEthApi10 {
public:
    static ORDAComponentDefinition definition;
};

// Null-name terminators for tables a model declares nothing in yet.
namespace VtModelTables {
extern ORDAInputDefinition noInputs[];
extern ORDAOutputDefinition noOutputs[];
extern ORDAPropertyDefinition noProperties[];
extern ORDAActionDefinition noActions[];
}

// Fills the fields every model of this package shares.
constexpr ORDAComponentDefinition VtComponentDefinition(const char* name, const char* version,
                                                        std::uint32_t nbInputs, ORDAInputDefinition* inputs,
                                                        std::uint32_t nbOutputs, ORDAOutputDefinition* outputs)
{
    return ORDAComponentDefinition{name, version, nullptr, nullptr, nullptr,
                                   0, nbInputs, inputs, nbOutputs, outputs,
                                   0, VtModelTables::noProperties, 0, VtModelTables::noActions,
                                   128, ORDA::Threaded, true, 0};
}
