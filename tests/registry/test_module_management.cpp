#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "orda_definitions.h"
#include "orda_module_management.h"
#include "orda_string.h"

namespace {

// The registry is process-wide; every test starts from an empty one.
class Registry : public ::testing::Test {
protected:
    void SetUp() override { ORDAModuleManagement::Uninitialize(); }
    void TearDown() override { ORDAModuleManagement::Uninitialize(); }

    static std::vector<std::string> Names(ORDAModuleDefinition** table, int n)
    {
        std::vector<std::string> names;
        for (int i = 0; i < n; ++i) names.emplace_back(table[i]->name);
        return names;
    }
};

int g_registered = 0;
void CountRegistering(void*) { ++g_registered; }

ORDAModuleBase* MakeModule(const char* name, void*) { return new ORDAModuleBase(name); }

TEST_F(Registry, DuplicateNameInAGroupThrowsTheFormattedMessage)
{
    new ORDAModuleDefinition("X", "G", nullptr, nullptr, nullptr, nullptr);
    try {
        new ORDAModuleDefinition("X", "G", nullptr, nullptr, nullptr, nullptr);
        FAIL() << "no exception";
    } catch (const ORDAStackedString<40>& e) {
        EXPECT_STREQ(e.Beginning(), "Module X already referenced in the category G\n");
    }
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules("G", false), 1);
    // The same name in another group is fine.
    new ORDAModuleDefinition("X", "H", nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules(nullptr, false), 2);
}

TEST_F(Registry, DuplicateMessageIsCutAtOneHundredBytes)
{
    const std::string longName(150, 'm');
    new ORDAModuleDefinition(longName.c_str(), "G", nullptr, nullptr, nullptr, nullptr);
    try {
        new ORDAModuleDefinition(longName.c_str(), "G", nullptr, nullptr, nullptr, nullptr);
        FAIL() << "no exception";
    } catch (const ORDAStackedString<40>& e) {
        EXPECT_EQ(e.Length(), 99);
        EXPECT_EQ(std::string(e.Beginning()), "Module " + longName.substr(0, 92));
    }
}

TEST_F(Registry, NullGroupNameThrowsAndRegistersNothing)
{
    try {
        new ORDAModuleGroupDefinition(nullptr, nullptr, nullptr, nullptr);
        FAIL() << "no exception";
    } catch (const char* text) {
        EXPECT_STREQ(text, "ORDAModuleGroupDefinition construction : the group name can't be NULL\n");
    }
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups(nullptr), 0);
}

TEST_F(Registry, ModulesListInRegistrationOrderAndPointAtTheirGroupName)
{
    auto* a = new ORDAModuleDefinition("A", "G", nullptr, nullptr, nullptr, nullptr);
    auto* b = new ORDAModuleDefinition("B", "G", nullptr, nullptr, nullptr, nullptr);
    ORDAModuleGroupDefinition* g = ORDAModuleManagement::FindGroup("G");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(a->groupName, g->name);
    EXPECT_EQ(b->groupName, g->name);
    ORDAModuleDefinition* table[4];
    EXPECT_EQ(Names(table, ORDAModuleManagement::EnumerateAvailableModules(table, 4, "G", true)),
              (std::vector<std::string>{"A", "B"}));
    delete a;
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules("G", false), 1);
}

TEST_F(Registry, RegisteringFunctionsRunOnceEitherAtInitializeOrAtConstruction)
{
    g_registered = 0;
    new ORDAModuleDefinition("Early", "G", nullptr, nullptr, CountRegistering, nullptr);
    EXPECT_EQ(g_registered, 0);
    ORDAModuleManagement::Initialize(nullptr);
    EXPECT_TRUE(ORDAModuleManagement::initialized);
    EXPECT_EQ(g_registered, 1);
    new ORDAModuleDefinition("Late", "G", nullptr, nullptr, CountRegistering, nullptr);
    EXPECT_EQ(g_registered, 2);
}

TEST_F(Registry, ANewGroupOfTheSameNameTakesOverModulesAndChildren)
{
    auto* a = new ORDAModuleDefinition("A", "G", nullptr, nullptr, nullptr, nullptr);
    ORDAModuleManagement::ReferenceChildGroup("G", "Child");
    ORDAModuleManagement::ReferenceChildGroup("Parent", "G");
    ORDAModuleGroupDefinition* old = ORDAModuleManagement::FindGroup("G");

    auto* replacement = new ORDAModuleGroupDefinition("G", nullptr, nullptr, nullptr);
    EXPECT_NE(replacement, old);
    EXPECT_EQ(ORDAModuleManagement::FindGroup("G"), replacement);
    EXPECT_EQ(a->groupName, replacement->name);
    EXPECT_EQ(replacement->modules.Length(), 1);
    ASSERT_EQ(replacement->children.Length(), 1);
    EXPECT_STREQ(replacement->children.First()->value->name, "Child");
    // The parent's link follows the replacement instead of dangling.
    ORDAModuleGroupDefinition* parent = ORDAModuleManagement::FindGroup("Parent");
    ASSERT_EQ(parent->children.Length(), 1);
    EXPECT_EQ(parent->children.First()->value, replacement);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups(nullptr), 3);
}

TEST_F(Registry, FindModuleLooksOneChildLevelDeep)
{
    new ORDAModuleDefinition("Top", "G", nullptr, nullptr, nullptr, nullptr);
    new ORDAModuleDefinition("Mid", "C1", nullptr, nullptr, nullptr, nullptr);
    new ORDAModuleDefinition("Deep", "C2", nullptr, nullptr, nullptr, nullptr);
    ORDAModuleManagement::ReferenceChildGroup("G", "C1");
    ORDAModuleManagement::ReferenceChildGroup("C1", "C2");

    EXPECT_NE(ORDAModuleManagement::FindModule("Mid", "G", true), nullptr);
    EXPECT_EQ(ORDAModuleManagement::FindModule("Mid", "G", false), nullptr);
    EXPECT_EQ(ORDAModuleManagement::FindModule("Deep", "G", true), nullptr);
    EXPECT_NE(ORDAModuleManagement::FindModule("Deep", nullptr, false), nullptr);
    EXPECT_EQ(ORDAModuleManagement::FindModule("Top", "Nope", true), nullptr);

    // Counts and enumeration do recurse all the way.
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules("G", true), 3);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules("G", false), 1);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules(nullptr, true), 3);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules("Nope", true), -1);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups("G"), 3);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups("Nope"), -1);

    ORDAModuleDefinition* table[8];
    EXPECT_EQ(Names(table, ORDAModuleManagement::EnumerateAvailableModules(table, 8, "G", true)),
              (std::vector<std::string>{"Top", "Mid", "Deep"}));
    EXPECT_EQ(Names(table, ORDAModuleManagement::EnumerateAvailableModules(table, 2, "G", true)),
              (std::vector<std::string>{"Top", "Mid"}));
    EXPECT_EQ(ORDAModuleManagement::EnumerateAvailableModules(table, 8, "Nope", true), 0);
    EXPECT_EQ(ORDAModuleManagement::EnumerateAvailableModules(table, 0, "G", true), 0);
    EXPECT_EQ(ORDAModuleManagement::EnumerateAvailableModules(nullptr, 0, "G", true), 3);

    ORDAModuleGroupDefinition* groups[8];
    ASSERT_EQ(ORDAModuleManagement::EnumerateAvailableGroups(groups, 8, "G", true), 3);
    EXPECT_STREQ(groups[2]->name, "C2");
    EXPECT_EQ(ORDAModuleManagement::EnumerateAvailableGroups(groups, 8, "G", false), 1);
}

TEST_F(Registry, GroupCyclesAreRefused)
{
    ORDAModuleManagement::ReferenceChildGroup("A", "B");
    ORDAModuleManagement::ReferenceChildGroup("B", "A");
    ORDAModuleManagement::ReferenceChildGroup("A", "A");
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups("A"), 2);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups("B"), 1);
}

TEST_F(Registry, RemovingAGroupDeletesItsDefinitionsAndParentLinks)
{
    new ORDAModuleDefinition("A", "Child", nullptr, nullptr, nullptr, nullptr);
    ORDAModuleManagement::ReferenceChildGroup("Parent", "Child");
    ORDAModuleManagement::RemoveGroup("Child", true);
    EXPECT_EQ(ORDAModuleManagement::FindGroup("Child"), nullptr);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedModules("Parent", true), 0);
    EXPECT_EQ(ORDAModuleManagement::NumberOfReferencedGroups("Parent"), 1);
}

TEST_F(Registry, InstantiateRecordsTheDefinition)
{
    int userData = 0;
    auto* d = new ORDAModuleDefinition("M", "G", MakeModule, &userData, nullptr, nullptr);
    new ORDAModuleDefinition("NoFactory", "G", nullptr, &userData, nullptr, nullptr);
    ORDAModuleBase* m = ORDAModuleManagement::Instantiate("instance1", "M", "G");
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->Name(), "instance1");
    EXPECT_EQ(m->m_definition, d);
    delete m;
    EXPECT_EQ(ORDAModuleManagement::Instantiate("i", "NoFactory", "G"), nullptr);
    EXPECT_EQ(ORDAModuleManagement::Instantiate("i", "Missing", "G"), nullptr);
    EXPECT_EQ(ORDAModuleManagement::GetModuleDefinition("NoFactory", "G"), &userData);
    EXPECT_EQ(ORDAModuleManagement::GetModuleDefinition("Missing", "G"), nullptr);
}

int ByName(ORDAModuleDefinition* a, ORDAModuleDefinition* b) { return std::strcmp(a->name, b->name) < 0; }

TEST_F(Registry, SortExchangesEntriesAgainstTheOrderFlag)
{
    auto* c = new ORDAModuleDefinition("c", "G", nullptr, nullptr, nullptr, nullptr);
    auto* a = new ORDAModuleDefinition("a", "G", nullptr, nullptr, nullptr, nullptr);
    auto* b = new ORDAModuleDefinition("b", "G", nullptr, nullptr, nullptr, nullptr);
    ORDAModuleDefinition* table[] = {c, a, b};
    EXPECT_TRUE(ORDAModuleManagement::SortModuleDefinitionTable(table, 3, ByName, 1));
    EXPECT_EQ(Names(table, 3), (std::vector<std::string>{"a", "b", "c"}));
    ORDAModuleManagement::SortModuleDefinitionTable(table, 3, ByName, 0);
    EXPECT_EQ(Names(table, 3), (std::vector<std::string>{"c", "b", "a"}));
}

TEST(ModuleBase, Rename)
{
    struct Case { const char* name; const char* from; const char* to; const char* expected; };
    const Case cases[] = {
        {"a.b", "a", "z", "z.b"},
        {"a.b", "a.b", "c", "c"},
        {"a.b", "x", "a", "a.b"},
        {"a", "a", "b", "b"},
        {"ab.c", "a", "z", "ab.c"},
        {"a.b.c", "a", "zz", "zz.b.c"},
        {"a", "a", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        ORDAModuleBase m(c.name);
        m.Rename(c.from, c.to);
        if (c.expected) EXPECT_STREQ(m.Name(), c.expected) << c.name << " " << c.from;
        else EXPECT_EQ(m.Name(), nullptr);
    }
}

TEST(ComponentDefinition, AllOnesCountsResolveToTheEntriesBeforeTheTerminator)
{
    ORDAInputDefinition inputs[] = {{"i1", 0, nullptr, 0, 1}, {"i2", 0, nullptr, 0, 1}, {nullptr, 0, nullptr, 0, 0}};
    ORDAOutputDefinition outputs[] = {{nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0}};
    ORDAComponentDefinition d{};
    d.inputs = inputs;
    d.nbInputs = ORDA::AllEntries;
    d.outputs = outputs;
    d.nbOutputs = ORDA::AllEntries;
    d.nbProperties = 3;
    ORDA::ResolveCounts(d);
    EXPECT_EQ(d.nbInputs, 2u);
    EXPECT_EQ(d.nbOutputs, 0u);
    EXPECT_EQ(d.nbProperties, 3u);
    EXPECT_EQ(d.nbActions, 0u);
}

}
