#pragma once
// How a component model enters the registry from its static initialiser.
#include "orda_definitions.h"

// Models register from static initialisers of this priority so that the
// registry holds them before any static object of the runtime is built,
// whatever the link order. Lower runs first; the runtime uses the default.
#define ORDA_MODEL_INIT_PRIORITY(n) __attribute__((init_priority(1000 + (n))))

namespace ORDA {
inline constexpr const char* ComponentGroup = "ORDAComponent";
// Creates the model's module definition in the group "ORDAComponent". The
// definition lives until the process ends.
void RegisterComponentModel(const char* className, ORDAComponentDefinition* definition);
}
