#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "ordavix_host.h"
#include "orda_private.h"

// An engine bound as the runtime's kernel, quiet.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = std::make_unique<ordavix_host::Engine>();
        engine->SetQuiet(true);
        ORDAPrivate::kernel = engine.get();
    }
    void TearDown() override
    {
        engine.reset();
        ORDAPrivate::kernel = nullptr;
    }

    bool HasReport(const std::string& text, int level) const
    {
        for (const auto& r : engine->Reports())
            if (r.text == text && r.level == level) return true;
        return false;
    }

    std::unique_ptr<ordavix_host::Engine> engine;
};

// Polls a condition that another thread makes true; generous limit.
inline bool Eventually(const std::function<bool()>& condition, int limitMs = 20000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::yield();
    }
    return true;
}

// The integer code a call throws (the runtime's way out of a wait), 0 if none.
inline int ThrownCode(const std::function<void()>& call)
{
    try {
        call();
    } catch (int code) {
        return code;
    }
    return 0;
}

inline long long RealMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
