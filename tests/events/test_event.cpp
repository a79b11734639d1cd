#include <atomic>
#include <thread>
#include <vector>

#include "events_fixture.h"
#include "orda_event.h"
#include "orda_time.h"

TEST(EventDeadline, NanosecondsCarryIntoSeconds)
{
    struct Case {
        timespec now;
        ORDADelay timeout;
        timespec expected;
    } cases[] = {
        {{5, 999000000}, 1000, {6, 0}},
        {{5, 999999999}, 1, {6, 999}},
        {{0, 0}, 1500000, {1, 500000000}},
        {{7, 1000}, 0, {7, 1000}},
        {{2, 500000000}, 2500000, {5, 0}},
    };
    for (const Case& c : cases) {
        const timespec d = ORDAEvent::Deadline(c.now, c.timeout);
        EXPECT_EQ(d.tv_sec, c.expected.tv_sec) << c.timeout;
        EXPECT_EQ(d.tv_nsec, c.expected.tv_nsec) << c.timeout;
    }
}

TEST(Event, ManualResetAndTimedWait)
{
    ORDAEvent e(false, "e");
    EXPECT_FALSE(e.State());
    EXPECT_EQ(e.Wait(1000), ORDA::TimeOut);
    e.Set();
    EXPECT_EQ(e.Wait(0), 0);
    EXPECT_EQ(e.Wait(-1), 0);
    EXPECT_TRUE(e.State()) << "Wait must not clear the event";
    e.Reset();
    EXPECT_FALSE(e.State());
    ORDAEvent initiallySet(true, nullptr);
    EXPECT_EQ(initiallySet.Wait(0), 0);
}

TEST(Event, SetWakesWaitersOnOtherThreads)
{
    ORDAEvent e;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) waiters.emplace_back([&] { woken += e.Wait(-1) == 0; });
    for (int i = 0; i < 2; ++i) waiters.emplace_back([&] { woken += e.Wait(60000000) == 0; });
    e.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 5);
}

class MultiWait : public EngineTest {};

TEST_F(MultiWait, ReturnsTheFirstSetEventOrTimesOut)
{
    ORDAEvent a, b, c;
    ORDAEvent* events[3] = {&a, &b, &c};
    EXPECT_EQ(ORDAEvent::Wait(3, events, 1000), ORDA::TimeOut);
    c.Set();
    b.Set();
    EXPECT_EQ(ORDAEvent::Wait(3, events, -1), 1);
    EXPECT_EQ(ORDAEvent::MsgWait(3, events, 0), 1);
    for (ORDAEvent* e : events) EXPECT_EQ(e->NbWaitingThreads(), 0) << "the waiter stays registered";
    EXPECT_FALSE(ORDAEvent::MsgInQueue());
}

TEST_F(MultiWait, WakesOnASetFromAnotherThread)
{
    ORDAEvent a, b;
    ORDAEvent* events[2] = {&a, &b};
    std::atomic<int> result{-100};
    std::thread waiter([&] { result = ORDAEvent::Wait(2, events, -1); });
    ASSERT_TRUE(Eventually([&] { return b.NbWaitingThreads() == 1; }));
    b.Set();
    waiter.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(a.NbWaitingThreads() + b.NbWaitingThreads(), 0);
}

TEST_F(MultiWait, SameEventTwiceAndManyWaiters)
{
    // An event listed twice must not lock the waiter twice in Set.
    ORDAEvent shared, other;
    ORDAEvent* events[3] = {&other, &shared, &shared};
    constexpr int kWaiters = 9;  // beyond the ring's first capacity
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    // A waiter still scanning when Set comes may see the event first at
    // its second place: either index is right.
    for (int i = 0; i < kWaiters; ++i)
        waiters.emplace_back([&] {
            const int index = ORDAEvent::Wait(3, events, -1);
            if (index == 1 || index == 2) ++woken;
        });
    ASSERT_TRUE(Eventually([&] { return shared.NbWaitingThreads() == kWaiters; }));
    shared.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), kWaiters);
    EXPECT_EQ(shared.NbWaitingThreads(), 0);
}

TEST_F(MultiWait, ResetBetweenWakeUpsKeepsWaiting)
{
    ORDAEvent flicker, target;
    ORDAEvent* events[2] = {&flicker, &target};
    std::atomic<int> result{-100};
    std::thread waiter([&] { result = ORDAEvent::Wait(2, events, -1); });
    ASSERT_TRUE(Eventually([&] { return target.NbWaitingThreads() == 1; }));
    for (int i = 0; i < 50; ++i) {
        flicker.Set();
        flicker.Reset();
    }
    target.Set();
    waiter.join();
    EXPECT_TRUE(result.load() == 0 || result.load() == 1);
    EXPECT_EQ(flicker.NbWaitingThreads() + target.NbWaitingThreads(), 0);
}

class Triggers : public EngineTest {};

TEST_F(Triggers, FireAtTheirTimeInOrder)
{
    ORDAEvent late, early;
    late.Set();
    ASSERT_TRUE(late.SetTrigger(2000000));
    EXPECT_FALSE(late.State()) << "arming clears the event";
    EXPECT_TRUE(late.IsInTimerList());
    const long long start = RealMicroseconds();
    ASSERT_TRUE(early.SetTrigger(20000));
    ORDAEvent* events[2] = {&late, &early};
    EXPECT_EQ(ORDAEvent::Wait(2, events, 60000000), 1);
    EXPECT_GE(RealMicroseconds() - start, 20000);
    EXPECT_FALSE(early.IsInTimerList());
    EXPECT_FALSE(late.State());
    late.ResetTrigger();
    EXPECT_FALSE(late.IsInTimerList());
    EXPECT_EQ(engine->Events().PendingTimers(), 0u);
}

TEST_F(Triggers, CancelledOrRearmedTimersDoNotFire)
{
    ORDAEvent cancelled, moved, witness;
    cancelled.SetTrigger(10000);
    cancelled.ResetTrigger();
    moved.SetTrigger(10000);
    moved.SetTrigger(60000000);  // re-arming moves the timer
    EXPECT_EQ(engine->Events().PendingTimers(), 1u);
    witness.SetTrigger(50000);
    // Once the later witness fired, the earlier timers would have too.
    EXPECT_EQ(witness.Wait(60000000), 0);
    EXPECT_FALSE(cancelled.State());
    EXPECT_FALSE(moved.State());
    moved.ResetTrigger();
}

TEST_F(Triggers, DestroyingAnArmedEventDisarmsIt)
{
    {
        ORDAEvent doomed;
        doomed.SetTrigger(1000);
    }
    {
        ORDAEvent doomed;
        doomed.SetTrigger(60000000);
    }
    EXPECT_EQ(engine->Events().PendingTimers(), 0u);
    ORDAEvent witness;
    witness.SetTrigger(20000);
    EXPECT_EQ(witness.Wait(60000000), 0);
}

TEST_F(Triggers, ShutdownStopsTheTimerThreadWithTimersPending)
{
    ORDAEvent pending, late;
    pending.SetTrigger(60000000);
    engine->Events().Shutdown();
    EXPECT_FALSE(pending.IsInTimerList());
    EXPECT_FALSE(pending.State());
    // Armed after the shutdown: set at once rather than never.
    late.SetTrigger(60000000);
    EXPECT_TRUE(late.State());
}

TEST(Memcpy, CopiesThenSetsTheEvent)
{
    const char src[] = "abcdef";
    char dst[sizeof src] = {};
    ORDAEvent done;
    ORDA::Memcpy(dst, src, sizeof src, &done);
    EXPECT_STREQ(dst, "abcdef");
    EXPECT_TRUE(done.State());
    ORDA::Memcpy(dst, src, 0, nullptr);
}
