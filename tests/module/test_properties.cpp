// Property values, enumerations and the module's Set / DirectSet / Get.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "module_fixture.h"

namespace {

using test_support::ModuleTest;

TEST(EnumStruct, TextFormAndIncompatibleSelection)
{
    ordavix_host::Engine engine;
    engine.SetQuiet(true);
    ORDAEnumStruct ok("8000|4000|2000", 1);
    EXPECT_STREQ(ok.ToString().Beginning(), "3|1|8000|4000|2000");
    EXPECT_TRUE(engine.Reports().empty());

    ORDAEnumStruct bad("8000|4000|2000", 3);
    EXPECT_EQ(bad.m_selected, 0);
    ASSERT_EQ(engine.Reports().size(), 1u);
    EXPECT_EQ(engine.Reports()[0].text,
              "Selected value incompatible with enum values for property. Selected property is set to 0");

    ORDAEnumStruct none(nullptr, 2);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.m_selected, -1);
    EXPECT_STREQ(none.ToString().Beginning(), "0|-1");
}

TEST(EnumStruct, FromString)
{
    struct Case {
        const char* text;
        bool selectionOnly;
        const char* expected;
        const char* report;
    };
    const Case cases[] = {
        {"2|1|x|y", false, "2|1|x|y", nullptr},
        {"2|5|a|b", false, "2|0|a|b",
         "ORDAEnumStruct::FromString: Selected value incompatible with enum values for property. Selected property is "
         "set to 0."},
        {"3|0|a|b", false, "0|-1",
         "ORDAEnumStruct::FromString: Declared size of enum struct does not match the number of given elements."},
        {"0|0", false, "0|-1", nullptr},
        {"Polling", false, "2|0|Event based|Polling",
         "ORDAEnumStruct::FromString: Ill-formed enum string [expected:nbVal|selected|val0|val1|val2...] "
         "[received:Polling]"},
        {"9|1|ignored", true, "2|1|Event based|Polling", nullptr},
        {"2|2|a|b", true, "2|0|Event based|Polling",
         "ORDAEnumStruct::FromString: Selected value incompatible with enum values for property. Selected property is "
         "set to 0."},
    };
    for (const Case& c : cases) {
        ordavix_host::Engine engine;
        engine.SetQuiet(true);
        ORDAEnumStruct e("Event based|Polling", 0);
        e.FromString(c.text, c.selectionOnly);
        SCOPED_TRACE(c.text);
        EXPECT_STREQ(e.ToString().Beginning(), c.expected);
        const auto reports = engine.Reports();
        if (c.report) {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0].text, c.report);
            EXPECT_EQ(reports[0].level, ORDA::Error);
        } else {
            EXPECT_TRUE(reports.empty());
        }
    }
}

TEST(EnumStruct, SelectIsExact)
{
    ORDAEnumStruct e("Event based|Polling", 0);
    EXPECT_TRUE(e.Select("Polling"));
    EXPECT_EQ(e.m_selected, 1);
    EXPECT_FALSE(e.Select("Poll"));
    EXPECT_EQ(e.m_selected, -1);
    EXPECT_TRUE(ORDAEnumStruct::IsEnumString("2|0|a|b"));
    EXPECT_FALSE(ORDAEnumStruct::IsEnumString("127.0.0.1"));
}

TEST(PropertyValue, TextConstructorTellsEnumerationsFromStrings)
{
    ordavix_host::Engine engine;
    engine.SetQuiet(true);
    ORDAPropertyValue e("4|2|a");
    EXPECT_EQ(e.Type(), ORDA::EnumProperty);
    ASSERT_EQ(engine.Reports().size(), 1u);
    EXPECT_NE(engine.Reports()[0].text.find("Declared size"), std::string::npos);

    ORDAPropertyValue s("127.0.0.1");
    EXPECT_EQ(s.Type(), ORDA::StringProperty);
    EXPECT_STREQ(s.String()->Beginning(), "127.0.0.1");

    ORDAPropertyValue copy(s);
    s.SetString("changed");
    EXPECT_STREQ(copy.String()->Beginning(), "127.0.0.1");
    ORDAPropertyValue empty(static_cast<const char*>(nullptr));
    EXPECT_EQ(empty.Type(), ORDA::StringProperty);
    EXPECT_EQ(empty.String()->Length(), 0);
}

class Properties : public ModuleTest {};

TEST_F(Properties, SetChecksComeInOrder)
{
    // Not modifiable after start and read-only: the start check wins.
    ORDAProperty* p = module->NewProperty(Def("both", new ORDAPropertyValue(1), true, false));
    module->m_state = ORDA::LivingState;
    ExpectError([&] { p->Set(2L); }, "module M: Failure while trying to set value of property M.both. This property "
                                      "can't be modified after start.");
    module->m_state = ORDA::DeadState;
    ExpectError([&] { p->Set(2L); }, "module M: Failure while trying to set value of property M.both. This property is "
                                      "read only.");
    ORDAProperty* q = module->NewProperty(Def("q", new ORDAPropertyValue(1), false, true));
    q->SetMutable(false);
    ExpectError([&] { q->Set(true); }, "module M: Failure while trying to set value of property M.q. This property is "
                                        "not mutable.");
    q->SetMutable(true);
    ExpectError([&] { q->Set(true); }, "module M: Can't set boolean value for property M.q");
    ExpectError([&] { q->Set(1.5); }, "module M: Can't set float value for property M.q");
    ExpectError([&] { q->Set("x"); }, "module M: Can't set string value for property M.q");
    ExpectError([&] { q->Set(ORDAEnumStruct("a|b", 0)); }, "module M: Can't set enum values for property M.q");
    EXPECT_EQ(q->IntegerValue(), 1);
    EXPECT_EQ(module->LastError(), "Can't set enum values for property M.q");
    EXPECT_TRUE(module->State() & ORDA::ErrorState);
}

TEST_F(Properties, ReadOnlyRefusesSetButTakesDirectSet)
{
    ORDAProperty* p = module->NewProperty(Def("ro", new ORDAPropertyValue(1), true, true));
    ExpectError([&] { p->Set(5L); }, "module M: Failure while trying to set value of property M.ro. This property is "
                                      "read only.");
    module->DirectSet(p, 5L);
    EXPECT_EQ(p->IntegerValue(), 5);
    EXPECT_TRUE(p->PropertyChanged());
    p->AcknowledgePropertyChanged();
    EXPECT_FALSE(p->PropertyChanged());
    EXPECT_FALSE(p->GetPropertyChangedEvent()->State());
}

TEST_F(Properties, IntegersOnEnumerations)
{
    ORDAProperty* p = module->NewProperty(Def("mode", new ORDAPropertyValue("a|b|c", 1), false, true));
    p->Set(7L);
    EXPECT_EQ(p->IntegerValue(), 1);
    p->Set(2L);
    EXPECT_EQ(p->IntegerValue(), 2);
    ORDAProperty* two = module->NewProperty(Def("two", new ORDAPropertyValue("a|b", 0), false, true));
    two->Set(-3L);
    ORDAProperty* one = module->NewProperty(Def("one", new ORDAPropertyValue("a", 0), false, true));
    one->Set(4L);
    ORDAProperty* none = module->NewProperty(Def("none", new ORDAPropertyValue(nullptr, 0), false, true));
    none->Set(3L);
    EXPECT_EQ(none->IntegerValue(), -1);
    const auto r = ErrorTexts();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0], "module M: Index 7 not among possible values for enum property M.mode [0..2]");
    EXPECT_EQ(r[1], "module M: Index -3 not among possible values for enum property M.two [0..1]");
    EXPECT_EQ(r[2], "module M: Index 4 not among possible values for enum property M.one [0]");
    EXPECT_EQ(r[3], "module M: Index 3 not among possible values for enum property M.none [-1]");
}

TEST_F(Properties, TextsOnEnumerations)
{
    ORDAProperty* p = module->NewProperty(Def("mode", new ORDAPropertyValue("Event based|Polling", 0), false, true));
    p->Set("Polling");
    EXPECT_EQ(p->IntegerValue(), 1);
    EXPECT_STREQ(p->StringValue().Beginning(), "Polling");
    p->Set("Sometimes");
    EXPECT_EQ(p->IntegerValue(), -1);
    // A locked enumeration keeps its values and takes only the selection.
    p->Set("3|1|x|y|z");
    EXPECT_STREQ(p->EnumValues()->ToString().Beginning(), "2|1|Event based|Polling");
    p->Lock(false);
    p->Set("3|2|x|y|z");
    EXPECT_STREQ(p->EnumValues()->ToString().Beginning(), "3|2|x|y|z");
    p->Set(ORDAStackedString<40>("2|0|k|l"), 0);
    EXPECT_STREQ(p->EnumValues()->ToString().Beginning(), "2|0|k|l");

    ORDAProperty* empty = module->NewProperty(Def("empty", new ORDAPropertyValue(nullptr, 0), false, true));
    empty->Set("anything");
    const auto r = ErrorTexts();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], "module M: Sometimes does not match any of the possible values for property M.mode");
    EXPECT_EQ(r[1], "module M: No possible value for property M.empty");
}

TEST_F(Properties, MustExistChecksOnlyReport)
{
    const std::string dir = std::filesystem::temp_directory_path().string();
    const std::string file = dir + "/ordavix_property_file.txt";
    std::ofstream(file) << "x";
    ORDAProperty* f = module->NewProperty(Def("f", new ORDAPropertyValue(""), false, true,
                                              ORDA::PropertySubTypeFile | ORDA::PropertySubTypeMustExist));
    ORDAProperty* d = module->NewProperty(Def("d", new ORDAPropertyValue(""), false, true,
                                              ORDA::PropertySubTypePath | ORDA::PropertySubTypeMustExist));
    f->Set(file.c_str());
    f->Set("/nonexistent/file");
    f->Set("");
    d->Set(dir.c_str());
    d->Set(file.c_str());
    EXPECT_STREQ(d->StringValue().Beginning(), file.c_str());
    const auto r = ErrorTexts();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], "/nonexistent/file does not exist or is not readable.");
    EXPECT_EQ(r[1], file + " is not a directory.");
    std::filesystem::remove(file);
}

TEST_F(Properties, GetReadsAcrossCompatibleTypesOnly)
{
    ORDAProperty* mode = module->NewProperty(Def("mode", new ORDAPropertyValue("a|b", 1), false, true));
    long index = 0;
    mode->Get(index);
    EXPECT_EQ(index, 1);
    ORDAStackedString<40> text;
    mode->Get(text);
    EXPECT_STREQ(text.Beginning(), "b");
    ORDAArray<ORDAStackedString<40>> values;
    int selected = -2;
    mode->Get(values, selected);
    EXPECT_EQ(values.Size(), 2);
    EXPECT_EQ(selected, 1);
    ExpectError([&] {
        bool b;
        mode->Get(b);
    }, "module M: Can't get boolean value from property M.mode");
    ExpectError([&] {
        double v;
        mode->Get(v);
    }, "module M: Can't get floating point value from property M.mode");
    ORDAProperty* s = module->NewProperty(Def("s", new ORDAPropertyValue("txt"), false, true));
    ExpectError([&] {
        long v;
        s->Get(v);
    }, "module M: Can't get integer value from property M.s");
    ExpectError([&] {
        ORDAEnumStruct v;
        s->Get(v);
    }, "module M: Can't get enum values from property M.s");
    ORDAProperty* b = module->NewProperty(Def("b", new ORDAPropertyValue(true), false, true));
    ExpectError([&] {
        ORDAStackedString<40> v;
        b->Get(v);
    }, "module M: Can't get string value from property M.b");
    EXPECT_TRUE(module->GetBoolProperty("b"));
    EXPECT_STREQ(module->GetStringProperty("s").Beginning(), "txt");
    EXPECT_EQ(module->GetIntegerProperty("mode"), 1);
}

TEST_F(Properties, HooksRunAfterASuccessfulSet)
{
    static int calls;
    calls = 0;
    ORDAProperty* p = module->NewProperty(Def("p", new ORDAPropertyValue(1), false, true));
    p->SetSetCallback([](ORDAProperty*) { ++calls; });
    p->SetGetCallback([](ORDAProperty*, ORDAPropertyValue* v) { v->SetInteger(v->Integer() * 10); });
    p->Set(4L);
    module->DirectSet(p, 5L);
    EXPECT_EQ(calls, 1);
    long v = 0;
    p->Get(v);
    EXPECT_EQ(v, 50);
}

TEST_F(Properties, EngineStringPropertiesByName)
{
    bool found = false;
    EXPECT_STREQ(ORDA::GetStringProperty("Engine.version", &found).Beginning(), "4.10");
    EXPECT_TRUE(found);
    EXPECT_EQ(ORDA::GetStringProperty("Engine.nothing", &found).Length(), 0);
    EXPECT_FALSE(found);
    ExpectKernelError([] { ORDA::GetStringProperty("Engine.nothing"); },
                      "Can't get value of property Engine.nothing. The symbol is undefined.");
    module->NewProperty(Def("n", new ORDAPropertyValue(3), false, true));
    ExpectKernelError([] { ORDA::GetStringProperty("M.n"); },
                      "Can't get string value of property M.n. It is not a string or an enum.");
    ExpectKernelError([] { ORDA::GetEnumsProperty("Engine.version"); },
                      "Can't get string value of property Engine.version. It is not an enum.");
    module->NewProperty(Def("e", new ORDAPropertyValue("x|y", 1), false, true));
    EXPECT_STREQ(ORDA::GetStringProperty("M.e").Beginning(), "y");
    EXPECT_EQ(ORDA::GetEnumsProperty("M.e").Count(), 2);
}

}
