// A component's life as the engine drives it: start, Core loop, shutdown,
// death, and the failure texts on the way.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "module_fixture.h"

namespace {

ORDAComponentDefinition MakeModel(const char* name, unsigned kind, bool threaded, ORDAPropertyDefinition* properties)
{
    static ORDAInputDefinition noInputs[] = {{nullptr, 0, nullptr, 0, 0}};
    static ORDAOutputDefinition noOutputs[] = {{nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0}};
    static ORDAActionDefinition noActions[] = {{{nullptr, nullptr, false, {0, 0, 0}}}};
    return ORDAComponentDefinition{name, "7.1", nullptr, nullptr, nullptr, 0, 0, noInputs, 0, noOutputs,
                                   0xFFFFFFFFu, properties, 0, noActions, 128, kind, threaded, 0};
}

ORDAPropertyDefinition g_noProperties[] = {{{nullptr, nullptr, nullptr, false, false, false, false, 0}}};
ORDAPropertyDefinition g_needsInit[] = {
    {{"address", new ORDAPropertyValue("127.0.0.1"), nullptr, true, false, false, true, 0}},
    {{nullptr, nullptr, nullptr, false, false, false, false, 0}},
};

enum class DeathFailure { None, ErrorException, Integer, StdException, Other };

// Core counts its calls and waits 1 ms on an event, which a dying
// component leaves at once; everything else is configurable.
class Probe : public ORDAComponent {
public:
    Probe(const char* name, ORDAComponentDefinition& d) : ORDAComponent(name, d) {}
    void Birth() override { ++births; }
    void Core() override
    {
        ++cores;
        coreSeen.Set();
        if (ignoreDying) {
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return;
        }
        Wait4Event(idle, 1000);
    }
    void Death() override
    {
        ++deaths;
        switch (deathFailure) {
        case DeathFailure::None: return;
        case DeathFailure::ErrorException: Error("cannot close", 3); return;
        case DeathFailure::Integer: throw 42;
        case DeathFailure::StdException: throw std::runtime_error("disk gone");
        case DeathFailure::Other: throw 1.5;
        }
    }
    void Lingering() { while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5)); }

    std::atomic<int> births{0}, cores{0}, deaths{0};
    std::atomic<bool> release{false};
    bool ignoreDying = false;
    DeathFailure deathFailure = DeathFailure::None;
    ORDAEvent idle{false, nullptr};
    ORDAEvent coreSeen{false, nullptr};
};

class Lifecycle : public test_support::ModuleTest {
protected:
    void TearDown() override
    {
        if (probe) {
            probe->release = true;
            if (!(probe->State() & ORDA::DeadState)) probe->Shutdown();
            delete probe;
        }
        ModuleTest::TearDown();
    }

    Probe* Make(unsigned kind = ORDA::Threaded, bool threaded = true, ORDAPropertyDefinition* properties = g_noProperties)
    {
        model = MakeModel("Probe", kind, threaded, properties);
        probe = new Probe("P", model);
        return probe;
    }

    bool HasReport(const std::string& text) const
    {
        for (const auto& r : engine->Reports())
            if (r.text == text) return true;
        return false;
    }

    ORDAComponentDefinition model{};
    Probe* probe = nullptr;
};

TEST_F(Lifecycle, ConstructionCreatesTheSpecialProperties)
{
    Make();
    EXPECT_EQ(probe->State(), ORDA::DeadState);
    const char* names[] = {"processor", "counter", "nbPeriods", "averagePeriod", "minPeriod", "maxPeriod",
                           "contextSwitches", "CPULoad", "threaded", "priority", "autoStart",
                           "componentModelVersion", "primaryThreadID"};
    int i = 0;
    for (auto* p = probe->m_properties.First(); p; p = p->Next(), ++i) {
        ASSERT_LT(i, 13);
        EXPECT_STREQ(p->value->ShortName().Beginning(), names[i]);
    }
    EXPECT_EQ(i, 13);
    EXPECT_STREQ(probe->Property("componentModelVersion")->StringValue().Beginning(), "7.1");
    EXPECT_EQ(probe->Property("priority")->IntegerValue(), 128);
    EXPECT_TRUE(probe->Property("threaded")->BoolValue());
    EXPECT_EQ(probe->Property("processor")->IntegerValue(), -1);
    EXPECT_EQ(probe->Property("nbPeriods")->IntegerValue(), 10);
    EXPECT_STREQ(probe->m_registeredNames.First()->value.Beginning(), "P");
}

TEST_F(Lifecycle, PriorityOutsideAByteFallsBackTo128)
{
    Make();
    ORDAProperty* priority = probe->Property("priority");
    priority->Set(0L);
    EXPECT_EQ(priority->IntegerValue(), 0);
    priority->Set(255L);
    EXPECT_EQ(priority->IntegerValue(), 255);
    ExpectError([&] { priority->Set(256L); },
                "component P: Invalid priority value. Component's priority should be set between 0 and 255.");
    EXPECT_EQ(priority->IntegerValue(), 128);
}

TEST_F(Lifecycle, ThreadedComponentRunsCoreUntilShutdown)
{
    Make();
    probe->Start();
    EXPECT_TRUE(probe->State() & ORDA::LivingState);
    ASSERT_EQ(probe->coreSeen.Wait(10000000), 0);
    probe->Start();  // already living: only signals
    probe->Shutdown();
    EXPECT_TRUE(probe->State() & ORDA::DeadState);
    EXPECT_EQ(probe->births.load(), 1);
    EXPECT_EQ(probe->deaths.load(), 1);
    EXPECT_GE(probe->cores.load(), 1);
    EXPECT_TRUE(HasReport("Component P is dead."));
    EXPECT_EQ(probe->Property("counter")->IntegerValue(), 0);
    EXPECT_EQ(engine->LastSignalledState("P") & ORDA::DeadState, static_cast<int>(ORDA::DeadState));

    // A second life.
    probe->coreSeen.Reset();
    probe->Start();
    ASSERT_EQ(probe->coreSeen.Wait(10000000), 0);
    probe->Shutdown();
    EXPECT_EQ(probe->births.load(), 2);
}

TEST_F(Lifecycle, SequentialComponentLivesWithoutAThread)
{
    Make(ORDA::Threaded | ORDA::Sequential, false);
    probe->Start();
    EXPECT_EQ(probe->births.load(), 1);
    EXPECT_EQ(probe->Property("primaryThreadID")->IntegerValue(), 0);
    EXPECT_FALSE(probe->State() & ORDA::DeadState);
    probe->Shutdown();
    EXPECT_EQ(probe->deaths.load(), 1);
    EXPECT_EQ(probe->cores.load(), 0);
    EXPECT_EQ(probe->Property("primaryThreadID")->IntegerValue(), -1);
    EXPECT_TRUE(probe->State() & ORDA::DeadState);
}

TEST_F(Lifecycle, ThreadingModeFollowsTheModel)
{
    Make(ORDA::Sequential, true);
    probe->Start();
    EXPECT_TRUE(HasReport("component P: Threaded behaviour is not allowed anymore for this component (its threading "
                          "model may have changed since last save operation)."));
    EXPECT_FALSE(probe->Property("threaded")->BoolValue());
    probe->Shutdown();
}

TEST_F(Lifecycle, UninitialisedPropertyStopsTheStart)
{
    Make(ORDA::Threaded, true, g_needsInit);
    ExpectKernelError([&] { probe->Start(); },
                      "Unable to start component P. Its property address needs to be initialized.");
    EXPECT_TRUE(probe->State() & ORDA::ErrorState);
    EXPECT_FALSE(probe->State() & ORDA::LivingState);
    probe->Property("address")->Set("10.0.0.1");
    probe->Start();
    EXPECT_TRUE(probe->State() & ORDA::LivingState);
    probe->Shutdown();
}

TEST_F(Lifecycle, DeathBarrierTexts)
{
    struct Case {
        DeathFailure failure;
        const char* text;
        int code;
    };
    const Case cases[] = {
        {DeathFailure::ErrorException,
         "P: ORDA::ErrorException thrown from Death(). Trying to catch up. The component might crash later.", 0},
        {DeathFailure::Integer,
         "P: unhandled integer exception thrown from Death(). Trying to catch up. The component might crash later.", 2},
        {DeathFailure::StdException,
         "P: unhandled std::exception thrown from Death() (disk gone). Trying to catch up. The component might crash "
         "later.",
         2},
        {DeathFailure::Other, "P: unhandled exception thrown from Death(). Trying to catch up. The component might "
                              "crash later.",
         2},
    };
    Make();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        engine->ClearReports();
        probe->deathFailure = c.failure;
        probe->CallDeath();
        const auto r = engine->Reports();
        ASSERT_FALSE(r.empty());
        EXPECT_EQ(r.back().text, c.text);
        EXPECT_EQ(r.back().code, c.code);
        EXPECT_EQ(r.back().level, ORDA::Error);
        EXPECT_TRUE(r.back().flag);
    }
}

TEST_F(Lifecycle, Wait4DeathTimeOutTexts)
{
    struct Case {
        int timeout;
        const char* unit;
    };
    const Case cases[] = {{500000, "500000 microsecond(s)"}, {2500000, "2 second(s)"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        engine->SetEngineProperty("Engine.shutdownTimeout", c.timeout);
        Make();
        probe->Start();
        probe->CreateThread(static_cast<ORDAComponent::ComponentThreadFunction>(&Probe::Lingering));
        engine->ClearReports();
        probe->Shutdown();
        EXPECT_TRUE(HasReport(std::string("component P: Some threads are still running after ") + c.unit +
                              ". The model must be bugged. If this is considered as normal however, consider increase "
                              "the value of the Engine.shutdownTimeout property. I destroy the component anyway. This "
                              "might result in a system crash."));
        probe->release = true;
        ASSERT_EQ(probe->m_allLivesLostEvent.Wait(30000000), 0);
        delete probe;
        probe = nullptr;
    }
}

TEST_F(Lifecycle, ARefusingComponentIsReportedAfterTenSeconds)
{
    engine->SetEngineProperty("Engine.shutdownTimeout", 100000);
    Make();
    probe->ignoreDying = true;
    probe->Start();
    ASSERT_EQ(probe->coreSeen.Wait(10000000), 0);
    probe->Shutdown();
    EXPECT_TRUE(HasReport("Component P refuses to die after 10 seconds. The component model Probe must be bugged."));
    probe->release = true;
    // The engine thread ends its life once Core returns.
    ASSERT_TRUE(engine->WaitForState("P", [](int s) { return (s & ORDA::DeadState) != 0; }, 30000));
}

TEST_F(Lifecycle, DestroyingAComponentGivesItsInstanceBack)
{
    Make();
    model.maxNumberOfInstances = 0xFFFFFFFFu;
    delete probe;
    EXPECT_EQ(model.maxNumberOfInstances, 1u);
    probe = new Probe("P", model);
    delete probe;
    EXPECT_EQ(model.maxNumberOfInstances, 2u);
    probe = nullptr;
}

TEST_F(Lifecycle, DestroyingALivingComponentIsReported)
{
    Make();
    probe->Start();
    // Stop the thread first so the object may go; then pretend it lives.
    probe->Shutdown();
    probe->m_state = ORDA::LivingState;
    delete probe;
    probe = nullptr;
    EXPECT_TRUE(HasReport("The destructor of component P was called though P is still alive."));
}

// A clock the test moves by hand.
class ManualClockEngine : public ordavix_host::Engine {
public:
    ORDATimestamp CurrentTime(bool, bool) override { return now.load(); }
    std::atomic<ORDATimestamp> now{0};
};

TEST(PerformanceMonitoring, WindowOfThreePeriods)
{
    ManualClockEngine engine;
    engine.SetQuiet(true);
    ORDAComponentDefinition model = MakeModel("Probe", ORDA::Threaded, true, g_noProperties);
    Probe probe("P", model);
    probe.Property("nbPeriods")->Set(3L);
    for (ORDATimestamp t : {0, 10, 30, 60, 100}) {
        engine.now = t;
        probe.PerformanceMonitoring();
    }
    EXPECT_EQ(probe.Property("counter")->IntegerValue(), 5);
    EXPECT_EQ(probe.Property("averagePeriod")->IntegerValue(), 30);
    EXPECT_EQ(probe.Property("minPeriod")->IntegerValue(), 20);
    EXPECT_EQ(probe.Property("maxPeriod")->IntegerValue(), 40);
}

}
