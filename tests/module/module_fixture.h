#pragma once
// A plain module bound to a fresh host engine, with helpers that check
// errors by their exact report texts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "orda_component.h"
#include "orda_engine_properties.h"
#include "orda_module.h"
#include "orda_private.h"
#include "orda_property_value.h"
#include "ordavix_host.h"

namespace test_support {

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = std::make_unique<ordavix_host::Engine>();
        engine->SetQuiet(true);
        module = new ORDAModule("M", false, false);
        module->m_state = ORDA::DeadState;
    }

    void TearDown() override
    {
        delete module;
        definitions.clear();
        engine.reset();
    }

    // A property definition that lives as long as the test.
    const ORDAPropertyDefinition& Def(const char* name, ORDAPropertyValue* value, bool readOnly,
                                      bool modifiableAfterStart, int subtype = 0)
    {
        auto d = std::make_unique<ORDAPropertyDefinition>();
        d->name = name;
        d->value = value;
        d->readOnly = readOnly;
        d->canBeModifiedAfterStart = modifiableAfterStart;
        d->locked = true;
        d->subtype = subtype;
        definitions.push_back(std::move(d));
        return *definitions.back();
    }

    std::vector<std::string> ErrorTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& r : engine->Reports())
            if (r.level == ORDA::Error) texts.push_back(r.text);
        return texts;
    }

    std::string LastReport() const
    {
        const auto r = engine->Reports();
        return r.empty() ? std::string() : r.back().text;
    }

    // The call must fail through Error: a level-2 report, then -5.
    void ExpectError(const std::function<void()>& call, const std::string& text)
    {
        engine->ClearReports();
        try {
            call();
            ADD_FAILURE() << "no error for: " << text;
        } catch (int e) {
            EXPECT_EQ(e, ORDA::ErrorException);
        }
        const auto r = engine->Reports();
        ASSERT_FALSE(r.empty()) << text;
        EXPECT_EQ(r.back().text, text);
        EXPECT_EQ(r.back().level, ORDA::Error);
        engine->ClearReports();
    }

    // As ExpectError, for kernel errors: flag set, code 1.
    void ExpectKernelError(const std::function<void()>& call, const std::string& text)
    {
        engine->ClearReports();
        try {
            call();
            ADD_FAILURE() << "no kernel error for: " << text;
        } catch (int e) {
            EXPECT_EQ(e, ORDA::ErrorException);
        }
        const auto r = engine->Reports();
        ASSERT_FALSE(r.empty()) << text;
        EXPECT_EQ(r.back().text, text);
        EXPECT_TRUE(r.back().flag);
        EXPECT_EQ(r.back().code, 1);
        engine->ClearReports();
    }

    std::unique_ptr<ordavix_host::Engine> engine;
    ORDAModule* module = nullptr;
    std::vector<std::unique_ptr<ORDAPropertyDefinition>> definitions;
};

}
