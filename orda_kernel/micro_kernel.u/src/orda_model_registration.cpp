#include "orda_model_registration.h"

#include "orda_module_management.h"

void ORDA::RegisterComponentModel(const char* className, ORDAComponentDefinition* definition)
{
    new ORDAModuleDefinition(className, ORDA::ComponentGroup, nullptr, definition, nullptr, nullptr);
}
