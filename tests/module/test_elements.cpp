// Creating, finding, reconfiguring and removing a module's elements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module_fixture.h"
#include "orda_filters.h"

namespace {

using test_support::ModuleTest;

// Declares in Dynamic() the dynamic inputs its `declare` list names, each
// from the definition entry its `entry` list gives.
class Reconfigurable : public ORDAComponent {
public:
    Reconfigurable(const char* name, ORDAComponentDefinition& d) : ORDAComponent(name, d) {}
    void Core() override {}
    void Dynamic() override
    {
        seenBeforeRedeclare = HasProperty("dyn");
        for (std::size_t i = 0; i < declare.size(); ++i) NewInput(entry[i], declare[i].c_str());
        if (declareProperty) NewProperty("dyn");
        if (throwInDynamic) Error("broken configuration", 1);
    }
    std::vector<std::string> declare;
    std::vector<int> entry;
    bool declareProperty = true;
    bool seenBeforeRedeclare = true;
    bool throwInDynamic = false;
};

ORDAInputDefinition g_inputs[] = {
    {"in", 0, &ORDA::FilterAny, ORDA::FifoReader, 1},
    {"other", 0, &ORDA::FilterAny, ORDA::SamplingReader, 2},
    {nullptr, 0, nullptr, 0, 0},
};
ORDAOutputDefinition g_outputs[] = {
    {"out", 0, ORDATypeInfo(0x2), 1, 16, 1, 1},
    {nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0},
};
ORDAPropertyDefinition g_properties[] = {
    {{"dyn", nullptr, nullptr, false, true, false, true, 0}},
    {{nullptr, nullptr, nullptr, false, false, false, false, 0}},
};
ORDAActionDefinition g_actions[] = {
    {{"poke", nullptr, false, {0, 0, 0}}},
    {{nullptr, nullptr, false, {0, 0, 0}}},
};
ORDAComponentDefinition g_model{"Reconfigurable", "1.0", nullptr, nullptr, nullptr, 0, 0, g_inputs, 0, g_outputs,
                                0, g_properties, 0, g_actions, 128, ORDA::Threaded, true, 0};

std::vector<std::string> InputNames(ORDAModule* m)
{
    std::vector<std::string> names;
    for (auto* it = m->m_inputs.First(); it; it = it->Next()) names.emplace_back(it->value->ShortName());
    return names;
}

class Elements : public ModuleTest {
protected:
    void TearDown() override
    {
        delete component;
        ModuleTest::TearDown();
    }
    Reconfigurable* Make(const char* name = "C")
    {
        component = new Reconfigurable(name, g_model);
        return component;
    }
    Reconfigurable* component = nullptr;
};

TEST_F(Elements, ExplicitNamesAreValidated)
{
    ExpectError([&] { module->NewInput(g_inputs[0], "2in"); },
                "module M: Trying to create an input with an invalid name: 2in");
    EXPECT_STREQ(module->NewInput(g_inputs[0], "in_2")->Name().Beginning(), "M.in_2");
    EXPECT_STREQ(module->NewOutput(g_outputs[0], "a.b:c")->Name().Beginning(), "M.a.b:c");
    Make();
    ExpectError([&] { component->NewOutput(g_outputs[0], "a.b:c"); },
                "component C: Trying to create an output with an invalid name: a.b:c");
    ExpectError([&] { module->NewProperty(g_properties[0], "bad name"); },
                "module M: Trying to create a property with an invalid name: bad name");
    ExpectError([&] { module->NewAction(g_actions[0], "-x"); },
                "module M: Trying to create an action with an invalid name: -x");
    ExpectError([&] { module->NewInput(g_inputs[2]); }, "module M: Call to NewInput failed. Bad input definition.");
}

TEST_F(Elements, SpecialPropertiesComeWithInputsAndOutputs)
{
    ORDAInput* in = module->NewInput(g_inputs[1]);
    module->NewOutput(g_outputs[0]);
    EXPECT_EQ(module->Property("other.subsampling")->IntegerValue(), 2);
    EXPECT_EQ(module->Property("other.readerType")->IntegerValue(), ORDA::SamplingReader);
    EXPECT_EQ(module->Property("out.fifosize")->IntegerValue(), 16);
    EXPECT_EQ(module->Property("out.subsampling")->IntegerValue(), 1);
    EXPECT_FALSE(module->Property("out.periodic")->BoolValue());
    EXPECT_NE(engine->Property("M.out.fifosize"), nullptr);
    // They never count as the module's own properties.
    EXPECT_EQ(module->NbProperties(), 0);
    module->RemoveInput(in);
    EXPECT_EQ(engine->Property("M.other.subsampling"), nullptr);
    EXPECT_FALSE(module->HasProperty("other.readerType"));
    EXPECT_EQ(engine->Elements().InputNamed("M.other"), nullptr);
}

TEST_F(Elements, TakenNamesAreRefused)
{
    module->NewProperty(g_properties[0]);
    ExpectError([&] { module->NewProperty(g_properties[0]); },
                "module M: Can't create property M.dyn. The symbol already exists.");
    EXPECT_EQ(module->NbProperties(), 1);
}

TEST_F(Elements, LookupFailuresAreKernelErrors)
{
    Make("X");
    component->NewInput(0);
    component->NewInput(1);
    ExpectKernelError([&] { component->Input(5); }, "Trying to access unknown input #5 of component X");
    ExpectKernelError([&] { component->Output("nope"); }, "Trying to access unknown output nope of component X");
    ExpectKernelError([&] { component->Property(0); }, "Trying to access unknown property #0 of component X");
    ExpectKernelError([&] { module->Action("a"); }, "Trying to access unknown action a of module M");
    ExpectError([&] { component->NewInput("missing", "n"); },
                "component X: Call to NewInput(missing, n) failed. The given model (missing) does not exist.");
    ExpectError([&] { component->NewProperty("missing"); },
                "component X: Call to NewProperty(missing, ) failed. The given model (missing) does not exist.");
}

TEST_F(Elements, ReconfigurationKeepsWhatIsDeclaredAgain)
{
    Make();
    component->declare = {"A", "B", "C"};
    component->entry = {0, 0, 0};
    component->CallDynamic();
    ASSERT_EQ(InputNames(component), (std::vector<std::string>{"A", "B", "C"}));
    ORDAInput* a = component->Input("A");
    ORDAInput* c = component->Input("C");

    component->declare = {"A", "C"};
    component->entry = {0, 0};
    component->CallDynamic();
    EXPECT_EQ(InputNames(component), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(component->Input("A"), a);
    EXPECT_EQ(component->Input("C"), c);
    EXPECT_FALSE(engine->Elements().Has("C.B"));
    EXPECT_FALSE(engine->Elements().Has("C.B.subsampling"));

    // The same name from another definition entry replaces the input.
    component->declare = {"A", "C"};
    component->entry = {0, 1};
    component->CallDynamic();
    EXPECT_EQ(InputNames(component), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(component->Input("A"), a);
    EXPECT_NE(component->Input("C"), c);
    EXPECT_EQ(component->Property("C.readerType")->IntegerValue(), ORDA::SamplingReader);
}

TEST_F(Elements, AnUndeclaredPropertyIsNotThereDuringDynamic)
{
    Make();
    component->CallDynamic();
    ORDAProperty* dyn = component->Property("dyn");
    EXPECT_FALSE(component->seenBeforeRedeclare);
    component->CallDynamic();
    EXPECT_FALSE(component->seenBeforeRedeclare);
    EXPECT_EQ(component->Property("dyn"), dyn);
    EXPECT_EQ(component->Property(0), dyn);
    component->declareProperty = false;
    component->CallDynamic();
    EXPECT_FALSE(component->HasProperty("dyn"));
}

TEST_F(Elements, AFailingDynamicStillDropsUndeclaredElements)
{
    Make();
    component->declare = {"A", "B"};
    component->entry = {0, 0};
    component->CallDynamic();
    component->declare = {"A"};
    component->entry = {0};
    component->declareProperty = false;
    component->throwInDynamic = true;
    component->CallDynamic();
    EXPECT_TRUE(component->State() & ORDA::ErrorState);
    EXPECT_EQ(InputNames(component), (std::vector<std::string>{"A"}));
    EXPECT_FALSE(component->HasProperty("dyn"));
}

TEST_F(Elements, RenameRewritesEveryFullName)
{
    module->NewInput(g_inputs[0]);
    module->NewProperty(g_properties[0]);
    module->Rename("M", "N");
    EXPECT_STREQ(module->Name(), "N");
    EXPECT_STREQ(module->Input("in")->Name().Beginning(), "N.in");
    EXPECT_STREQ(module->Property("dyn")->Name().Beginning(), "N.dyn");
    EXPECT_STREQ(module->Property("in.subsampling")->Name().Beginning(), "N.in.subsampling");
}

int g_actionCalls;
std::string g_actionArgument;
void PlainAction(ORDAModule*, int index) { g_actionCalls += 1 + index; }
void ArgumentAction(ORDAModule*, int, const char* argument) { g_actionArgument = argument ? argument : ""; }

TEST_F(Elements, ActionsRunOnlyWhenAllowed)
{
    g_actionCalls = 0;
    ORDAActionDefinition first{{"first", new ORDAActionFunction{PlainAction, nullptr}, true, {0, 0, 0}}};
    ORDAActionDefinition second{{"second", new ORDAActionFunction{PlainAction, ArgumentAction}, false, {0, 0, 0}}};
    ORDAAction* a = module->NewAction(first);
    ORDAAction* b = module->NewAction(second);
    a->DoIt("ignored");
    EXPECT_EQ(g_actionCalls, 1);
    b->DoIt("arg");
    EXPECT_EQ(g_actionArgument, "");
    EXPECT_EQ(LastReport(), "module M: This action is not allowed when the component is not running.");
    module->m_state = ORDA::LivingState;
    b->DoIt("arg");
    EXPECT_EQ(g_actionArgument, "arg");
    EXPECT_EQ(g_actionCalls, 1);
}

}
