#pragma once
// Shared by the bus tests: the simulator's test controls, reached through
// the very library file the package binds, and captured error reports.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bus/vt_bus_libraries.h"
#include "bus/vt_bus_report.h"
#include "vtsim_controls.h"

struct SimControls {
    void* handle = nullptr;
#define VT_SIM_CONTROL(name) decltype(&::name) name = nullptr;
    VT_SIM_CONTROL(VTSIM_CanReset)
    VT_SIM_CONTROL(VTSIM_CanGetConfigError)
    VT_SIM_CONTROL(VTSIM_CanInjectReceived)
    VT_SIM_CONTROL(VTSIM_CanReadTransmitted)
    VT_SIM_CONTROL(VTSIM_CanForceFailure)
    VT_SIM_CONTROL(VTSIM_CanClearForcedFailures)
    VT_SIM_CONTROL(VTSIM_CanSetVendorError)
    VT_SIM_CONTROL(VTSIM_CanGetChannelStats)
#undef VT_SIM_CONTROL

    static SimControls& Get()
    {
        static SimControls controls = Open();
        return controls;
    }

    VTSIMChannelStats Stats(const char* channel) const
    {
        VTSIMChannelStats stats{};
        EXPECT_EQ(VTSIM_CanGetChannelStats(channel, &stats), 0) << channel;
        return stats;
    }

private:
    static SimControls Open()
    {
        SimControls c;
        c.handle = dlopen(CanLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!c.handle) throw std::runtime_error(std::string("cannot open the simulator: ") + dlerror());
#define VT_SIM_RESOLVE(name) c.name = reinterpret_cast<decltype(c.name)>(dlsym(c.handle, #name));
        VT_SIM_RESOLVE(VTSIM_CanReset)
        VT_SIM_RESOLVE(VTSIM_CanGetConfigError)
        VT_SIM_RESOLVE(VTSIM_CanInjectReceived)
        VT_SIM_RESOLVE(VTSIM_CanReadTransmitted)
        VT_SIM_RESOLVE(VTSIM_CanForceFailure)
        VT_SIM_RESOLVE(VTSIM_CanClearForcedFailures)
        VT_SIM_RESOLVE(VTSIM_CanSetVendorError)
        VT_SIM_RESOLVE(VTSIM_CanGetChannelStats)
#undef VT_SIM_RESOLVE
        return c;
    }
};

// Error reports of the bus layer, kept for the test.
struct ReportRecord {
    std::string text;
    int code;
};
inline std::vector<ReportRecord>& CapturedReports()
{
    static std::vector<ReportRecord> reports;
    return reports;
}

// Reports captured, simulator at power-on, CAN binding loaded.
class BusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CapturedReports().clear();
        VtBusReport::error = [](const char* text, int code) { CapturedReports().push_back({text, code}); };
        unsetenv("VTBUSAPI_SIM_CONFIG");
        ASSERT_EQ(sim().VTSIM_CanReset(), 0);
        ASSERT_EQ(LoadCanLibrary(), 0);
    }
    void TearDown() override
    {
        sim().VTSIM_CanClearForcedFailures();
        unsetenv("VTBUSAPI_SIM_CONFIG");
    }

    static SimControls& sim() { return SimControls::Get(); }

    // Replaces the simulated topology for this test.
    void UseTopology(const std::string& json)
    {
        const std::string path = ::testing::TempDir() + "vt_bus_topology.json";
        std::ofstream(path) << json;
        setenv("VTBUSAPI_SIM_CONFIG", path.c_str(), 1);
        char error[VTBUSAPI_TEXT_BUFFER_SIZE] = {};
        const int status = sim().VTSIM_CanReset();
        sim().VTSIM_CanGetConfigError(error);
        ASSERT_EQ(status, 0) << error;
    }

    bool ReportedError(const std::string& text) const
    {
        for (const auto& r : CapturedReports())
            if (r.text == text) return true;
        return false;
    }

    // Polls until done() holds; generous limit, never a fixed sleep.
    static bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
};

inline VTSCanMessage Message(std::uint32_t id, std::initializer_list<std::uint8_t> bytes,
                             VTECanIdentifierType type = VTCAN_IDENTIFIER_TYPE_STD, std::uint16_t dlc = 0xFFFF)
{
    VTSCanMessage m{};
    m.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
    m.ulCanIdentifier = id;
    m.tCanIdentifierType = type;
    m.usDLC = dlc == 0xFFFF ? static_cast<std::uint16_t>(bytes.size()) : dlc;
    std::size_t i = 0;
    for (auto b : bytes) m.ucData[i++] = b;
    return m;
}
