#include "orda_vt_models.h"

namespace VtModelTables {
constinit ORDAInputDefinition noInputs[] = {{nullptr, 0, nullptr, 0, 0}};
constinit ORDAOutputDefinition noOutputs[] = {{nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0}};
constinit ORDAPropertyDefinition noProperties[] = {{{nullptr, nullptr, nullptr, false, false, false, false, 0}}};
constinit ORDAActionDefinition noActions[] = {{{nullptr, nullptr, false, {0, 0, 0}}}};
}
