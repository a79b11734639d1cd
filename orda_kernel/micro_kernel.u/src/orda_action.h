#pragma once
// A module's action: a named operation the user triggers.
#include "orda_definitions.h"
#include "orda_string.h"

class ORDAModule;

class ORDAAction {
public:
    virtual void DoIt(const char* argument) = 0;
    virtual const ORDAStackedString<40>& Name() = 0;
    virtual const ORDAStackedString<40>& ShortName() = 0;
    virtual ~ORDAAction() = default;
};

class ORDAActionImplementation : public ORDAAction {
public:
    ORDAActionImplementation(const ORDAActionDefinition& definition, ORDAModule* owner, const char* fullName,
                             const char* shortName, int index);
    ~ORDAActionImplementation() override;

    void DoIt(const char* argument) override;
    const ORDAStackedString<40>& Name() override { return fullName; }
    const ORDAStackedString<40>& ShortName() override { return shortName; }
    void Rename(const char* oldName, const char* newName);

    ORDAStackedString<40> fullName;
    ORDAStackedString<40> shortName;
    // Its action points at this action's own copy of the function object.
    ORDAActionDefinitionFields definition;
    ORDAModule* owner;
    int index;
};
