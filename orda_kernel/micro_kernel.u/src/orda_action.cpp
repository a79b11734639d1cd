#include "orda_action.h"

#include "orda_element_names.h"
#include "orda_module.h"

ORDAActionImplementation::ORDAActionImplementation(const ORDAActionDefinition& def, ORDAModule* module,
                                                   const char* full, const char* shortText, int position)
    : fullName(full), shortName(shortText), definition(def), owner(module), index(position)
{
    definition.action = def.action ? new ORDAActionFunction(*def.action) : nullptr;
}

ORDAActionImplementation::~ORDAActionImplementation() { delete definition.action; }

void ORDAActionImplementation::DoIt(const char* argument)
{
    if (!definition.allowedWhenComponentDead && (owner->State() & ORDA::DeadState)) {
        owner->Report("This action is not allowed when the component is not running.", ORDA::Warning, 0);
        return;
    }
    if (!definition.action) return;
    if (definition.action->action_arg) definition.action->action_arg(owner, index, argument);
    else if (definition.action->action) definition.action->action(owner, index);
}

void ORDAActionImplementation::Rename(const char* oldName, const char* newName)
{
    ORDAPrivate::RenameModulePart(fullName, oldName, newName);
}
