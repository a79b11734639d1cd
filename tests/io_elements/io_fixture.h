#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ordavix_host.h"

// An engine bound as the runtime's kernel, quiet, with its reports kept.
class WithEngine : public ::testing::Test {
protected:
    WithEngine() { engine.SetQuiet(true); }

    std::vector<std::string> ErrorTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& r : engine.Reports())
            if (r.level == 2) texts.push_back(r.text);
        return texts;
    }
    std::vector<std::string> AllTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& r : engine.Reports()) texts.push_back(r.text);
        return texts;
    }

    ordavix_host::Engine engine;
};
