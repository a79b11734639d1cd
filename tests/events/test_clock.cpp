#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "events_fixture.h"
#include "orda_base_clock.h"
#include "orda_condition.h"
#include "orda_event.h"
#include "orda_time.h"
#include "orda_time_state_listener.h"

class Clock : public EngineTest {};

TEST_F(Clock, RunsPausesJumpsAndRunsBackwards)
{
    ORDAKernelInterface* k = engine.get();
    EXPECT_EQ(k->TimeSpeed(), 1000);
    EXPECT_EQ(k->TimeState(), ORDA::Running);
    const ORDATimestamp t0 = k->CurrentTime(false, false);
    EXPECT_GE(t0, 0);
    ORDAEvent().Wait(2000);
    EXPECT_GE(k->CurrentTime(false, false), t0 + 2000);

    engine->Pause();
    EXPECT_TRUE(k->IsPaused());
    EXPECT_EQ(k->TimeState(), ORDA::Paused);
    const ORDATimestamp frozen = k->CurrentTime(false, false);
    ORDAEvent().Wait(2000);
    EXPECT_EQ(k->CurrentTime(true, true), frozen);
    engine->Jump(5000000);
    EXPECT_EQ(k->CurrentTime(false, false), 5000000);
    engine->Resume();
    EXPECT_FALSE(k->IsPaused());

    engine->SetSpeed(-2000);
    EXPECT_EQ(k->TimeSpeed(), -2000);
    const ORDATimestamp before = k->CurrentTime(false, false);
    ORDAEvent().Wait(2000);
    EXPECT_LE(k->CurrentTime(false, false), before - 4000);
}

TEST_F(Clock, StateBitsAndShuttingDown)
{
    EXPECT_EQ(ORDA::GetState(), ORDA::Running);
    EXPECT_FALSE(ORDA::IsDying());
    engine->Pause();
    engine->SetShuttingDown(true);
    EXPECT_EQ(ORDA::GetState(), ORDA::Paused | ORDA::ShuttingDown);
    EXPECT_TRUE(ORDA::IsDying());
    EXPECT_EQ(engine->TimeState(), ORDA::Paused);
    engine->SetShuttingDown(false);
    EXPECT_FALSE(ORDA::IsDying());
}

TEST_F(Clock, EveryChangeSignalsTheTimeStateCondition)
{
    const std::vector<std::function<void()>> changes = {
        [&] { engine->SetSpeed(3000); }, [&] { engine->Pause(); }, [&] { engine->Resume(); },
        [&] { engine->Jump(123); }};
    ORDACondition* condition = engine->TimeStateCondition();
    for (size_t i = 0; i < changes.size(); ++i) {
        engine->EnterTimeStateLock();
        ORDAEvent* event = nullptr;
        void* token = condition->WaitX(&event);
        EXPECT_FALSE(event->State());
        changes[i]();
        EXPECT_TRUE(event->State()) << "change " << i;
        condition->AchieveWaitX(token);
        engine->LeaveTimeStateLock();
    }
}

namespace {
class RecordingListener : public ORDATimeStateListener {
public:
    using ORDATimeStateListener::ORDATimeStateListener;
    void CallbackTimeJumped(ORDATimestamp t) override { Note("jump " + std::to_string(t)); }
    void CallbackTimeSpeedChanged(int s) override { Note("speed " + std::to_string(s)); }
    void CallbackTimePaused(bool p) override { Note(p ? "pause" : "resume"); }
    void Note(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(what);
        threads.push_back(std::this_thread::get_id());
    }
    std::vector<std::string> Seen()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen;
    }
    std::mutex mutex;
    std::vector<std::string> seen;
    std::vector<std::thread::id> threads;
};
}

TEST_F(Clock, ListenersHearSpeedPauseAndJumpOnAHostThread)
{
    RecordingListener registered;  // registers itself
    RecordingListener silent(0);   // does not
    engine->SetSpeed(2000);
    engine->Pause();
    engine->Resume();
    engine->Jump(42);
    engine->Clock().FlushNotifications();
    const std::vector<std::string> expected = {"speed 2000", "pause", "resume", "jump 42"};
    EXPECT_EQ(registered.Seen(), expected);
    for (auto id : registered.threads) EXPECT_NE(id, std::this_thread::get_id());
    EXPECT_TRUE(silent.Seen().empty());

    silent.Register();
    registered.Unregister();
    engine->SetSpeed(1000);
    engine->Clock().FlushNotifications();
    EXPECT_EQ(registered.Seen().size(), expected.size());
    EXPECT_EQ(silent.Seen(), std::vector<std::string>{"speed 1000"});
}

namespace {
// Blocks in its callback until released.
class SlowListener : public ORDATimeStateListener {
public:
    void CallbackTimeJumped(ORDATimestamp) override
    {
        entered.Set();
        release.Wait(-1);
        finished = true;
    }
    void CallbackTimeSpeedChanged(int) override {}
    void CallbackTimePaused(bool) override {}
    ORDAEvent entered, release;
    std::atomic<bool> finished{false};
};
}

TEST_F(Clock, UnregisterWaitsForARunningCallback)
{
    SlowListener listener;
    engine->Jump(7);
    ASSERT_EQ(listener.entered.Wait(60000000), 0);
    std::atomic<bool> unregistered{false};
    std::thread leaver([&] {
        listener.Unregister();
        unregistered = true;
    });
    EXPECT_EQ(ORDAEvent().Wait(20000), ORDA::TimeOut);
    EXPECT_FALSE(unregistered.load()) << "Unregister returned while the callback ran";
    listener.release.Set();
    leaver.join();
    EXPECT_TRUE(listener.finished.load());
}

namespace {
class TestClock : public ORDABaseClock {
public:
    using ORDABaseClock::ORDABaseClock;
    ORDATimestamp ClockTime() override { return 0; }
    void SetClockTime(ORDATimestamp) override {}
    void StartClock() override {}
    void StopClock() override {}
};
}

TEST_F(Clock, BaseClockRegistersRenamesAndForwardsItsSpeed)
{
    TestClock a("a");
    TestClock b("b");
    EXPECT_GT(a.GetClockID(), 0);
    EXPECT_NE(a.GetClockID(), b.GetClockID());
    EXPECT_STREQ(a.GetClockName().Beginning(), "a");
    EXPECT_FALSE(a.IsSynchronizable());
    EXPECT_FALSE(a.IsReplayable());
    const int before = a.GetClockID();
    a.RenameClock("renamed");
    EXPECT_STREQ(a.GetClockName().Beginning(), "renamed");
    EXPECT_NE(a.GetClockID(), before);
    a.SetAbsoluteTimeSpeed(4000);
    EXPECT_EQ(engine->TimeSpeed(), 4000);
    EXPECT_EQ(b.GetAbsoluteTimeSpeed(), 4000);
    b.Unregister();
    EXPECT_EQ(b.GetClockID(), -1);
}

class WaitForTimestamp : public EngineTest {};

TEST_F(WaitForTimestamp, PastTargetReturnsAtOnce)
{
    bool changed = true;
    EXPECT_TRUE(ORDA::WaitForTimestamp(engine->CurrentTime(false, false) - 1000, nullptr, &changed));
    EXPECT_FALSE(changed);
}

TEST_F(WaitForTimestamp, ReachesTheTargetInHostTime)
{
    // 1 s of host time at ten times the speed: 100 ms of real time; a full
    // second would mean real time, however loaded the machine.
    engine->SetSpeed(10000);
    const ORDATimestamp target = engine->CurrentTime(false, false) + 1000000;
    const long long start = RealMicroseconds();
    bool changed = true;
    EXPECT_TRUE(ORDA::WaitForTimestamp(target, nullptr, &changed));
    EXPECT_GE(engine->CurrentTime(false, false), target - 1);
    EXPECT_GE(RealMicroseconds() - start, 99000);
    EXPECT_LT(RealMicroseconds() - start, 1000000) << "waited in real time, not host time";
    EXPECT_FALSE(changed);
}

TEST_F(WaitForTimestamp, SecondCancelEventSetFirst)
{
    ORDAEvent first, second;
    ORDAEvent* cancels[2] = {&first, &second};
    int which = -5;
    bool changed = true;
    std::thread canceller([&] {
        ASSERT_TRUE(Eventually([&] { return second.NbWaitingThreads() == 1; }));
        second.Set();
    });
    EXPECT_FALSE(ORDA::WaitForTimestamp(engine->CurrentTime(false, false) + 600000000, 2, cancels, &which, &changed));
    canceller.join();
    EXPECT_EQ(which, 1);
    EXPECT_FALSE(changed);
    EXPECT_EQ(engine->Events().PendingTimers(), 0u) << "trigger left armed";
}

TEST_F(WaitForTimestamp, PausedWaitsUntilAJumpReachesTheTarget)
{
    engine->Pause();
    const ORDATimestamp target = engine->CurrentTime(false, false) + 600000000;
    bool changed = false;
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        EXPECT_TRUE(ORDA::WaitForTimestamp(target, nullptr, &changed));
        done = true;
    });
    ASSERT_TRUE(Eventually([&] {
        engine->EnterTimeStateLock();
        const int n = engine->Clock().Condition()->NbWaiters();
        engine->LeaveTimeStateLock();
        return n == 1;
    }));
    engine->Resume();
    engine->Jump(target);
    waiter.join();
    EXPECT_TRUE(done.load());
    EXPECT_TRUE(changed);
}

TEST_F(WaitForTimestamp, NegativeCountIsReportedAndThrown)
{
    EXPECT_EQ(ThrownCode([] { ORDA::WaitForTimestamp(0, -2, nullptr, nullptr, nullptr); }), ORDA::ModuleDied);
    EXPECT_TRUE(HasReport("ORDA::WaitForTimestamp [line:751] [nbCancelEvents:-2] < 0", ORDA::Error));
}

TEST_F(Clock, TimerAddsUpItsRunningSpans)
{
    ORDATimer timer;
    EXPECT_EQ(timer.Time(), 0);
    timer.Start();
    ORDAEvent().Wait(3000);
    timer.Stop();
    const ORDATimestamp first = timer.Time();
    EXPECT_GE(first, 3000);
    ORDAEvent().Wait(3000);
    EXPECT_EQ(timer.Time(), first) << "stopped timers do not count";
    timer.Start();
    ORDAEvent().Wait(1000);
    EXPECT_GE(timer.Time(), first + 1000);
    timer.Reset();
    EXPECT_EQ(timer.Time(), 0);
    EXPECT_FALSE(timer.running);
}
