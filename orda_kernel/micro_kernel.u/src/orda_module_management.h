#pragma once
// Process-wide registry of module definitions, in named groups.
#include "orda_list.h"

class ORDAModuleBase;
class ORDAModuleDefinition;
class ORDAModuleGroupDefinition;

typedef ORDAModuleBase* (*ORDAModuleInstantiationFunction)(const char* name, void* userData);
typedef void (*ORDAModuleRegisteringFunction)(void* userData);
typedef void (*ORDAModuleUnregisteringFunction)(void* userData);
typedef void (*ORDAGroupRegisteringFunction)();
typedef void (*ORDAGroupUnregisteringFunction)();

// Root of every instantiated module.
class ORDAModuleBase {
public:
    explicit ORDAModuleBase(const char* name);
    ORDAModuleBase(const ORDAModuleBase&) = delete;
    ORDAModuleBase& operator=(const ORDAModuleBase&) = delete;
    virtual ~ORDAModuleBase();

    const char* Name() const { return m_name; }
    // Renames the module itself (old name) or an element of it ("old.x").
    void Rename(const char* oldName, const char* newName);

    ORDAModuleDefinition* m_definition = nullptr;

private:
    char* m_name = nullptr;
};

class ORDAModuleDefinition {
public:
    ORDAModuleDefinition(const char* name, const char* groupName, ORDAModuleInstantiationFunction instantiate,
                         void* userData, ORDAModuleRegisteringFunction registering,
                         ORDAModuleUnregisteringFunction unregistering);
    ORDAModuleDefinition(const ORDAModuleDefinition&) = delete;
    ORDAModuleDefinition& operator=(const ORDAModuleDefinition&) = delete;
    virtual ~ORDAModuleDefinition();

    char* name = nullptr;
    // The owning group's own name string, not a copy.
    const char* groupName = nullptr;
    ORDAModuleInstantiationFunction instantiate = nullptr;
    ORDAModuleRegisteringFunction registering = nullptr;
    ORDAModuleUnregisteringFunction unregistering = nullptr;
    void* userData = nullptr;
};

class ORDAModuleGroupDefinition {
public:
    ORDAModuleGroupDefinition(const char* name, ORDAGroupRegisteringFunction registering,
                              ORDAGroupUnregisteringFunction unregistering, const char* parentName);
    ORDAModuleGroupDefinition(const ORDAModuleGroupDefinition&) = delete;
    ORDAModuleGroupDefinition& operator=(const ORDAModuleGroupDefinition&) = delete;
    virtual ~ORDAModuleGroupDefinition();

    char* name = nullptr;
    ORDAGroupRegisteringFunction registering = nullptr;
    ORDAGroupUnregisteringFunction unregistering = nullptr;
    ORDAList<ORDAModuleDefinition*> modules;
    ORDAList<ORDAModuleGroupDefinition*> children;
};

// Static members only. groups and initialized are plain zero-initialised
// data: models register from their own static initialisers, which run
// before any constructor of the runtime.
class ORDAModuleManagement {
public:
    static void Initialize(const char* ignored);
    static void AllocationDone();
    static ORDAModuleGroupDefinition* FindGroup(const char* name);
    static ORDAModuleGroupDefinition* CreateNewGroup(const char* name);
    static void ReferenceNewGroup(ORDAModuleGroupDefinition* group);
    static int ReferenceChildGroup(const char* parentName, const char* childName);
    static void AddModule(ORDAModuleGroupDefinition* group, ORDAModuleDefinition* definition);
    static ORDAModuleDefinition* FindModule(const char* moduleName, const char* groupName, bool recursive);
    static void* GetModuleDefinition(const char* moduleName, const char* groupName);
    static ORDAModuleBase* Instantiate(const char* instanceName, const char* moduleName, const char* groupName);
    static int NumberOfReferencedModules(const char* groupName, bool recursive);
    static int NumberOfReferencedGroups(const char* groupName);
    static int EnumerateAvailableModules(ORDAModuleDefinition** table, int capacity, const char* groupName,
                                         bool recursive);
    static int EnumerateAvailableGroups(ORDAModuleGroupDefinition** table, int capacity, const char* groupName,
                                        bool recursive);
    typedef int (*CompareFunction)(ORDAModuleDefinition* a, ORDAModuleDefinition* b);
    static bool SortModuleDefinitionTable(ORDAModuleDefinition** table, int n, CompareFunction compare, int order);
    static void RemoveGroup(const char* name, bool destroy);
    static void RemoveGroup(ORDAModuleGroupDefinition* group, bool destroy);
    static void ClearAll();
    static void Uninitialize();

    static ORDAList<ORDAModuleGroupDefinition*>* groups;
    static bool initialized;
};
