#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "events_fixture.h"
#include "orda_condition.h"
#include "orda_module.h"
#include "orda_time.h"

class ModuleWaits : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        module = std::make_unique<ORDAModule>("M", false, false);
    }
    void TearDown() override
    {
        module.reset();
        EngineTest::TearDown();
    }

    // Runs the wait on a thread; once it blocks on the dying event, kills
    // the module. The wait must leave with ORDA::ModuleDied.
    int KilledDuring(const std::function<void()>& wait)
    {
        std::atomic<int> thrown{0};
        std::thread waiter([&] { thrown = ThrownCode(wait); });
        const bool blocked = Eventually([&] { return module->DyingEvent().NbWaitingThreads() > 0; });
        module->Die();
        waiter.join();
        EXPECT_TRUE(blocked);
        return thrown.load();
    }

    int ConditionWaiters()
    {
        engine->EnterTimeStateLock();
        const int n = engine->Clock().Condition()->NbWaiters();
        engine->LeaveTimeStateLock();
        return n;
    }

    std::unique_ptr<ORDAModule> module;
    ORDAEvent event;
};

namespace {
struct NamedWait {
    const char* name;
    std::function<void(ORDAModule&, ORDAEvent&, ORDATimestamp now)> wait;
};

std::vector<NamedWait> AllWaits()
{
    constexpr ORDADelay kLong = 600000000;
    return {
        {"Wait4Event", [](ORDAModule& m, ORDAEvent& e, ORDATimestamp) { m.Wait4Event(e, ORDA::Infinite); }},
        {"Wait4Event timed", [](ORDAModule& m, ORDAEvent& e, ORDATimestamp) { m.Wait4Event(&e, kLong); }},
        {"Wait4Events",
         [](ORDAModule& m, ORDAEvent& e, ORDATimestamp) {
             ORDAEvent* events[1] = {&e};
             m.Wait4Events(1, events, kLong, true);
         }},
        {"Wait4Events no limit",
         [](ORDAModule& m, ORDAEvent& e, ORDATimestamp) {
             ORDAEvent* events[1] = {&e};
             m.Wait4Events(1, events, ORDA::Infinite, true);
         }},
        {"MsgWait4Event", [](ORDAModule& m, ORDAEvent& e, ORDATimestamp) { m.MsgWait4Event(&e, kLong); }},
        {"MsgWait4Events",
         [](ORDAModule& m, ORDAEvent& e, ORDATimestamp) {
             ORDAEvent* events[1] = {&e};
             m.MsgWait4Events(1, events, ORDA::Infinite, true);
         }},
        {"Wait", [](ORDAModule& m, ORDAEvent& e, ORDATimestamp now) { m.Wait(now + kLong, &e); }},
        {"Rest", [](ORDAModule& m, ORDAEvent&, ORDATimestamp) { m.Rest(kLong, nullptr); }},
        {"WaitForTimestamp",
         [](ORDAModule& m, ORDAEvent& e, ORDATimestamp now) { m.WaitForTimestamp(now + kLong, &e, nullptr); }},
        {"WaitForTimestamp many",
         [](ORDAModule& m, ORDAEvent& e, ORDATimestamp now) {
             ORDAEvent* events[1] = {&e};
             int which = 0;
             m.WaitForTimestamp(now + kLong, 1, events, &which, nullptr);
         }},
    };
}
}

TEST_F(ModuleWaits, EveryWaitEndsWhenTheModuleDies)
{
    for (bool paused : {false, true}) {
        for (const NamedWait& w : AllWaits()) {
            module = std::make_unique<ORDAModule>("M", false, false);
            if (paused) engine->Pause(); else engine->Resume();
            const ORDATimestamp now = engine->CurrentTime(false, false);
            EXPECT_EQ(KilledDuring([&] { w.wait(*module, event, now); }), ORDA::ModuleDied)
                << w.name << (paused ? " paused" : "");
            EXPECT_EQ(ConditionWaiters(), 0) << w.name << ": time-state registration left behind";
            EXPECT_EQ(engine->Events().PendingTimers(), 0u) << w.name << ": trigger left armed";
            // Dead already: the next wait throws at once.
            EXPECT_EQ(ThrownCode([&] { w.wait(*module, event, now); }), ORDA::ModuleDied) << w.name << " after death";
        }
    }
}

TEST_F(ModuleWaits, Wait4EventFollowsTheSpeed)
{
    event.Set();
    EXPECT_TRUE(module->Wait4Event(event, 1000));
    event.Reset();
    // 400 ms of host time at double speed: about 200 ms of real time.
    engine->SetSpeed(2000);
    long long start = RealMicroseconds();
    ORDATimestamp hostStart = engine->CurrentTime(true, true);
    EXPECT_FALSE(module->Wait4Event(event, 400000));
    EXPECT_GE(engine->CurrentTime(true, true) - hostStart, 400000 - 1);
    EXPECT_GE(RealMicroseconds() - start, 199000);
    // Ten times faster, 2 s of host time: far less than 2 s of real time,
    // however loaded the machine.
    engine->SetSpeed(10000);
    start = RealMicroseconds();
    hostStart = engine->CurrentTime(true, true);
    EXPECT_FALSE(module->Wait4Event(event, 2000000));
    EXPECT_GE(engine->CurrentTime(true, true) - hostStart, 2000000 - 1);
    EXPECT_LT(RealMicroseconds() - start, 1500000) << "waited in real time";
}

TEST_F(ModuleWaits, Wait4EventReturnsWhenSetFromAnotherThread)
{
    std::atomic<bool> result{false};
    std::thread waiter([&] { result = module->Wait4Event(event, 600000000); });
    ASSERT_TRUE(Eventually([&] { return event.NbWaitingThreads() == 1; }));
    event.Set();
    waiter.join();
    EXPECT_TRUE(result.load());
}

TEST_F(ModuleWaits, TimedWait4EventsWithoutDyingEventKeepsWaitingAcrossAPause)
{
    engine->Pause();
    std::atomic<int> result{-100};
    std::thread waiter([&] {
        ORDAEvent* events[1] = {&event};
        result = module->Wait4Events(1, events, 20000, false);
    });
    ASSERT_TRUE(Eventually([&] { return ConditionWaiters() == 1; }));
    // Far more real time than the timeout passes while paused.
    EXPECT_EQ(ORDAEvent().Wait(100000), ORDA::TimeOut);
    EXPECT_EQ(result.load(), -100);
    event.Set();
    waiter.join();
    EXPECT_EQ(result.load(), 0);
}

TEST_F(ModuleWaits, Wait4EventsTimesOutInHostTime)
{
    ORDAEvent other;
    ORDAEvent* events[2] = {&other, &event};
    EXPECT_EQ(module->Wait4Events(2, events, 5000, true), ORDA::TimeOut);
    event.Set();
    EXPECT_EQ(module->Wait4Events(2, events, 5000, true), 1);
}

TEST_F(ModuleWaits, EventCountLimits)
{
    std::vector<ORDAEvent> storage(256);
    std::vector<ORDAEvent*> events;
    for (auto& e : storage) events.push_back(&e);
    storage[254].Set();

    EXPECT_EQ(ThrownCode([&] { module->Wait4Events(255, events.data(), 0, false); }), ORDA::ErrorException);
    EXPECT_TRUE(HasReport("Wait4Events can't wait for more than 254 events simultaneously.", ORDA::Error));
    EXPECT_EQ(module->MsgWait4Events(255, events.data(), 0, true), 254);

    EXPECT_EQ(ThrownCode([&] { module->MsgWait4Events(256, events.data(), 0, false); }), ORDA::ErrorException);
    EXPECT_TRUE(HasReport("MsgWait4Events can't wait for more than 255 events simultaneously.", ORDA::Error));
    storage[254].Reset();
    storage[253].Set();
    EXPECT_EQ(module->Wait4Events(254, events.data(), 0, true), 253);
}

TEST_F(ModuleWaits, WaitWithAPastTargetOrCancelled)
{
    const ORDATimestamp now = engine->CurrentTime(false, false);
    EXPECT_TRUE(module->Wait(now - 1000000, nullptr));
    EXPECT_TRUE(module->Wait(now + 2000, nullptr));
    EXPECT_GE(engine->CurrentTime(false, false), now + 2000 - 1);
    event.Set();
    EXPECT_FALSE(module->Wait(now + 600000000, &event));
    EXPECT_FALSE(module->Rest(600000000, &event));
    EXPECT_EQ(engine->Events().PendingTimers(), 0u);
}

TEST_F(ModuleWaits, RestAcrossAPauseResumesWithTheRemainingTime)
{
    constexpr ORDADelay kRest = 3000000;
    std::atomic<bool> done{false};
    std::atomic<ORDATimestamp> started{0}, ended{0};
    std::thread rester([&] {
        started = engine->CurrentTime(false, false);
        EXPECT_TRUE(module->Rest(kRest, nullptr));
        ended = engine->CurrentTime(false, false);
        done = true;
    });
    ASSERT_TRUE(Eventually([&] { return ConditionWaiters() == 1; }));
    // Let a third of the rest pass, then pause for a while.
    ORDAEvent().Wait(1000000);
    engine->Pause();
    const ORDATimestamp pausedAt = engine->CurrentTime(false, false);
    EXPECT_EQ(ORDAEvent().Wait(300000), ORDA::TimeOut);
    EXPECT_FALSE(done.load()) << "Rest ended while paused";
    engine->Resume();
    rester.join();
    const ORDADelay total = ended.load() - started.load();
    EXPECT_GE(total, kRest - 1);
    // Host time stands still while paused; starting the full rest again at
    // the resume would rest a second longer.
    EXPECT_LT(total, kRest + 500000) << "paused at " << pausedAt - started.load();
}

TEST_F(ModuleWaits, ModuleWaitForTimestampNamesTheCallersEvent)
{
    ORDAEvent first, second;
    ORDAEvent* cancels[2] = {&first, &second};
    second.Set();
    int which = -5;
    bool changed = true;
    EXPECT_FALSE(module->WaitForTimestamp(engine->CurrentTime(false, false) + 600000000, 2, cancels, &which, &changed));
    EXPECT_EQ(which, 1);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(module->WaitForTimestamp(engine->CurrentTime(false, false) - 5, &first, &changed));
    // More caller events than the inline array holds.
    std::vector<ORDAEvent> many(40);
    std::vector<ORDAEvent*> pointers;
    for (auto& e : many) pointers.push_back(&e);
    many[37].Set();
    EXPECT_FALSE(module->WaitForTimestamp(engine->CurrentTime(false, false) + 600000000, 40, pointers.data(), &which,
                                          nullptr));
    EXPECT_EQ(which, 37);
}
