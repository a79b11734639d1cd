#include "orda_module_management.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "orda_string.h"

ORDAList<ORDAModuleGroupDefinition*>* ORDAModuleManagement::groups = nullptr;
bool ORDAModuleManagement::initialized = false;

namespace {

char* CopyText(const char* text)
{
    if (!text) return nullptr;
    const std::size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    std::memcpy(copy, text, n);
    return copy;
}

bool SameText(const char* a, const char* b)
{
    if (!a || !b) return a == b;
    return std::strcmp(a, b) == 0;
}

bool Reaches(ORDAModuleGroupDefinition* from, ORDAModuleGroupDefinition* target, int depth = 0)
{
    if (from == target) return true;
    // The registry is tiny; the depth bound only guards against a cycle
    // that slipped in before this check existed.
    if (depth > 1000) return true;
    for (auto* it = from->children.First(); it; it = it->Next())
        if (Reaches(it->value, target, depth + 1)) return true;
    return false;
}

// Drops every child reference to `group`, or points it at `replacement`.
void ReplaceChildReferences(ORDAModuleGroupDefinition* group, ORDAModuleGroupDefinition* replacement)
{
    if (!ORDAModuleManagement::groups) return;
    for (auto* g = ORDAModuleManagement::groups->First(); g; g = g->Next()) {
        for (auto* c = g->value->children.First(); c;) {
            auto* next = c->Next();
            if (c->value == group) {
                if (replacement && replacement != g->value) c->value = replacement;
                else g->value->children.Remove(c);
            }
            c = next;
        }
    }
}

ORDAModuleDefinition* FindOwnModule(ORDAModuleGroupDefinition* group, const char* moduleName)
{
    for (auto* it = group->modules.First(); it; it = it->Next())
        if (SameText(it->value->name, moduleName)) return it->value;
    return nullptr;
}

}

// ---------------------------------------------------------------------------
ORDAModuleBase::ORDAModuleBase(const char* name) : m_name(CopyText(name)) {}

ORDAModuleBase::~ORDAModuleBase() { std::free(m_name); }

void ORDAModuleBase::Rename(const char* oldName, const char* newName)
{
    if (SameText(m_name, oldName)) {
        std::free(m_name);
        m_name = CopyText(newName);
        return;
    }
    if (!m_name || !oldName) return;
    const char* dot = std::strchr(m_name, '.');
    if (!dot) return;
    const std::size_t head = static_cast<std::size_t>(dot - m_name);
    if (std::strlen(oldName) != head || std::strncmp(m_name, oldName, head) != 0) return;
    const char* prefix = newName ? newName : "";
    const std::size_t prefixLen = std::strlen(prefix), restLen = std::strlen(dot);
    char* renamed = static_cast<char*>(std::malloc(prefixLen + restLen + 1));
    std::memcpy(renamed, prefix, prefixLen);
    std::memcpy(renamed + prefixLen, dot, restLen + 1);
    std::free(m_name);
    m_name = renamed;
}

// ---------------------------------------------------------------------------
ORDAModuleDefinition::ORDAModuleDefinition(const char* moduleName, const char* group,
                                           ORDAModuleInstantiationFunction instantiateFn, void* data,
                                           ORDAModuleRegisteringFunction registerFn,
                                           ORDAModuleUnregisteringFunction unregisterFn)
{
    ORDAModuleGroupDefinition* owner = ORDAModuleManagement::FindGroup(group);
    if (owner && FindOwnModule(owner, moduleName)) {
        char text[100];
        std::snprintf(text, sizeof text, "Module %s already referenced in the category %s\n",
                      moduleName ? moduleName : "(null)", group ? group : "(null)");
        throw ORDAStackedString<40>(text);
    }
    if (!owner) owner = new ORDAModuleGroupDefinition(group, nullptr, nullptr, nullptr);

    name = CopyText(moduleName);
    instantiate = instantiateFn;
    registering = registerFn;
    unregistering = unregisterFn;
    userData = data;
    groupName = owner->name;
    owner->modules.Append(this);

    if (ORDAModuleManagement::initialized && registering) registering(userData);
}

ORDAModuleDefinition::~ORDAModuleDefinition()
{
    if (ORDAModuleGroupDefinition* owner = ORDAModuleManagement::FindGroup(groupName))
        owner->modules.RemoveValue(this);
    std::free(name);
    name = nullptr;
    if (unregistering) unregistering(userData);
}

// ---------------------------------------------------------------------------
ORDAModuleGroupDefinition::ORDAModuleGroupDefinition(const char* groupName, ORDAGroupRegisteringFunction registerFn,
                                                     ORDAGroupUnregisteringFunction unregisterFn,
                                                     const char* parentName)
{
    if (!groupName) throw "ORDAModuleGroupDefinition construction : the group name can't be NULL\n";
    name = CopyText(groupName);

    if (ORDAModuleGroupDefinition* old = ORDAModuleManagement::FindGroup(groupName)) {
        for (auto* it = old->children.First(); it; it = it->Next()) children.Append(it->value);
        old->children.Clear();
        for (auto* it = old->modules.First(); it; it = it->Next()) {
            it->value->groupName = name;
            modules.Append(it->value);
        }
        old->modules.Clear();
        ORDAModuleManagement::RemoveGroup(old, false);
        // Parents of the old group keep their link, now to this one.
        ReplaceChildReferences(old, this);
        delete old;
    }

    ORDAModuleManagement::ReferenceNewGroup(this);
    if (parentName) ORDAModuleManagement::ReferenceChildGroup(parentName, name);

    registering = registerFn;
    unregistering = unregisterFn;
    if (registering) registering();
}

ORDAModuleGroupDefinition::~ORDAModuleGroupDefinition()
{
    // Unlink each definition before deleting it, so that its destructor
    // never edits the list being walked.
    while (auto* it = modules.First()) {
        ORDAModuleDefinition* definition = it->value;
        modules.Remove(it);
        delete definition;
    }
    std::free(name);
    name = nullptr;
    if (unregistering) unregistering();
}

// ---------------------------------------------------------------------------
void ORDAModuleManagement::Initialize(const char*)
{
    if (groups) {
        for (auto* g = groups->First(); g; g = g->Next())
            for (auto* m = g->value->modules.First(); m; m = m->Next())
                if (m->value->registering) m->value->registering(m->value->userData);
    }
    AllocationDone();
    initialized = true;
}

void ORDAModuleManagement::AllocationDone()
{
    if (!groups) groups = new ORDAList<ORDAModuleGroupDefinition*>();
}

ORDAModuleGroupDefinition* ORDAModuleManagement::FindGroup(const char* name)
{
    if (!groups) return nullptr;
    for (auto* g = groups->First(); g; g = g->Next())
        if (SameText(g->value->name, name)) return g->value;
    return nullptr;
}

ORDAModuleGroupDefinition* ORDAModuleManagement::CreateNewGroup(const char* name)
{
    return new ORDAModuleGroupDefinition(name, nullptr, nullptr, nullptr);
}

void ORDAModuleManagement::ReferenceNewGroup(ORDAModuleGroupDefinition* group)
{
    AllocationDone();
    groups->Append(group);
}

int ORDAModuleManagement::ReferenceChildGroup(const char* parentName, const char* childName)
{
    ORDAModuleGroupDefinition* parent = FindGroup(parentName);
    if (!parent) parent = CreateNewGroup(parentName);
    ORDAModuleGroupDefinition* child = FindGroup(childName);
    if (!child) child = CreateNewGroup(childName);
    // A cycle would make every recursive count and enumeration endless.
    if (!Reaches(child, parent)) parent->children.Append(child);
    return 1;
}

void ORDAModuleManagement::AddModule(ORDAModuleGroupDefinition* group, ORDAModuleDefinition* definition)
{
    group->modules.Append(definition);
    if (initialized && definition->registering) definition->registering(definition->userData);
}

ORDAModuleDefinition* ORDAModuleManagement::FindModule(const char* moduleName, const char* groupName, bool recursive)
{
    if (!groups) return nullptr;
    if (!groupName) {
        for (auto* g = groups->First(); g; g = g->Next())
            if (ORDAModuleDefinition* d = FindOwnModule(g->value, moduleName)) return d;
        return nullptr;
    }
    ORDAModuleGroupDefinition* group = FindGroup(groupName);
    if (!group) return nullptr;
    if (ORDAModuleDefinition* d = FindOwnModule(group, moduleName)) return d;
    if (recursive)
        for (auto* c = group->children.First(); c; c = c->Next())
            if (ORDAModuleDefinition* d = FindOwnModule(c->value, moduleName)) return d;
    return nullptr;
}

void* ORDAModuleManagement::GetModuleDefinition(const char* moduleName, const char* groupName)
{
    ORDAModuleDefinition* d = FindModule(moduleName, groupName, true);
    return d ? d->userData : nullptr;
}

ORDAModuleBase* ORDAModuleManagement::Instantiate(const char* instanceName, const char* moduleName,
                                                  const char* groupName)
{
    ORDAModuleDefinition* d = FindModule(moduleName, groupName, true);
    if (!d || !d->instantiate) return nullptr;
    ORDAModuleBase* module = d->instantiate(instanceName, d->userData);
    if (module) module->m_definition = d;
    return module;
}

namespace {
int CountModules(ORDAModuleGroupDefinition* group, bool recursive)
{
    int n = group->modules.Length();
    if (recursive)
        for (auto* c = group->children.First(); c; c = c->Next()) n += CountModules(c->value, true);
    return n;
}

int CountGroups(ORDAModuleGroupDefinition* group)
{
    int n = 1;
    for (auto* c = group->children.First(); c; c = c->Next()) n += CountGroups(c->value);
    return n;
}

int FillModules(ORDAModuleGroupDefinition* group, ORDAModuleDefinition** table, int capacity, bool recursive)
{
    int n = 0;
    for (auto* m = group->modules.First(); m && n < capacity; m = m->Next()) table[n++] = m->value;
    if (recursive)
        for (auto* c = group->children.First(); c && n < capacity; c = c->Next())
            n += FillModules(c->value, table + n, capacity - n, true);
    return n;
}

int FillGroups(ORDAModuleGroupDefinition* group, ORDAModuleGroupDefinition** table, int capacity, bool recursive)
{
    if (capacity <= 0) return 0;
    int n = 0;
    table[n++] = group;
    if (recursive)
        for (auto* c = group->children.First(); c && n < capacity; c = c->Next())
            n += FillGroups(c->value, table + n, capacity - n, true);
    return n;
}
}

int ORDAModuleManagement::NumberOfReferencedModules(const char* groupName, bool recursive)
{
    if (!groupName) {
        int n = 0;
        if (groups)
            for (auto* g = groups->First(); g; g = g->Next()) n += g->value->modules.Length();
        return n;
    }
    ORDAModuleGroupDefinition* group = FindGroup(groupName);
    return group ? CountModules(group, recursive) : -1;
}

int ORDAModuleManagement::NumberOfReferencedGroups(const char* groupName)
{
    if (!groupName) return groups ? groups->Length() : 0;
    ORDAModuleGroupDefinition* group = FindGroup(groupName);
    return group ? CountGroups(group) : -1;
}

int ORDAModuleManagement::EnumerateAvailableModules(ORDAModuleDefinition** table, int capacity,
                                                    const char* groupName, bool recursive)
{
    if (!table) return NumberOfReferencedModules(groupName, recursive);
    if (capacity <= 0) return 0;
    if (!groupName) {
        int n = 0;
        if (groups)
            for (auto* g = groups->First(); g && n < capacity; g = g->Next())
                n += FillModules(g->value, table + n, capacity - n, false);
        return n;
    }
    ORDAModuleGroupDefinition* group = FindGroup(groupName);
    return group ? FillModules(group, table, capacity, recursive) : 0;
}

int ORDAModuleManagement::EnumerateAvailableGroups(ORDAModuleGroupDefinition** table, int capacity,
                                                   const char* groupName, bool recursive)
{
    if (!table) return NumberOfReferencedGroups(groupName);
    if (capacity <= 0) return 0;
    if (!groupName) {
        int n = 0;
        if (groups)
            for (auto* g = groups->First(); g && n < capacity; g = g->Next()) table[n++] = g->value;
        return n;
    }
    ORDAModuleGroupDefinition* group = FindGroup(groupName);
    return group ? FillGroups(group, table, capacity, recursive) : 0;
}

bool ORDAModuleManagement::SortModuleDefinitionTable(ORDAModuleDefinition** table, int n, CompareFunction compare,
                                                     int order)
{
    for (int i = 0; i < n - 1; ++i)
        for (int j = i + 1; j < n; ++j)
            if (compare(table[i], table[j]) != order) {
                ORDAModuleDefinition* t = table[i];
                table[i] = table[j];
                table[j] = t;
            }
    return true;
}

void ORDAModuleManagement::RemoveGroup(const char* name, bool destroy)
{
    if (!groups) return;
    for (auto* g = groups->First(); g; g = g->Next())
        if (SameText(g->value->name, name)) {
            RemoveGroup(g->value, destroy);
            return;
        }
}

void ORDAModuleManagement::RemoveGroup(ORDAModuleGroupDefinition* group, bool destroy)
{
    if (!groups || !group) return;
    if (!groups->RemoveValue(group)) return;
    if (destroy) {
        // No parent may keep a link to a deleted group.
        ReplaceChildReferences(group, nullptr);
        delete group;
    }
}

void ORDAModuleManagement::ClearAll()
{
    if (!groups) return;
    while (auto* g = groups->First()) {
        ORDAModuleGroupDefinition* group = g->value;
        groups->Remove(g);
        ReplaceChildReferences(group, nullptr);
        delete group;
    }
}

void ORDAModuleManagement::Uninitialize()
{
    ClearAll();
    delete groups;
    groups = nullptr;
    initialized = false;
}
