#include <atomic>
#include <thread>

#include "events_fixture.h"
#include "orda_condition.h"

class Condition : public EngineTest {
protected:
    ORDAMutex mutex;
    ORDAEvent abort;
};

TEST_F(Condition, WaitXSignalAchieveReusesOnePoolItem)
{
    ORDACondition condition(&mutex, &abort, -1);
    for (int round = 0; round < 3; ++round) {
        mutex.Lock();
        ORDAEvent* event = nullptr;
        void* token = condition.WaitX(&event);
        ASSERT_NE(event, nullptr);
        EXPECT_FALSE(event->State()) << "a reused event starts clear";
        // WaitX released the mutex: another thread can take it and signal.
        std::thread signaller([&] {
            ORDAMutexGuard<> guard(mutex);
            condition.Signal();
        });
        EXPECT_EQ(event->Wait(60000000), 0);
        signaller.join();
        condition.AchieveWaitX(token);
        EXPECT_EQ(condition.NbWaiters(), 0);
        mutex.Release();
    }
    EXPECT_EQ(condition.PoolSize(), 1) << "steady-state waiting allocates nothing";
}

TEST_F(Condition, SignalSetsOnlyBusyItems)
{
    ORDACondition condition(&mutex, &abort, -1);
    ORDAMutexGuard<> guard(mutex);
    ORDAEvent* first = nullptr;
    ORDAEvent* second = nullptr;
    void* t1 = condition.WaitX(&first);
    mutex.Lock();
    void* t2 = condition.WaitX(&second);
    mutex.Lock();
    EXPECT_EQ(condition.NbWaiters(), 2);
    condition.Signal();
    EXPECT_TRUE(first->State());
    EXPECT_TRUE(second->State());
    mutex.Release();
    condition.AchieveWaitX(t1);
    mutex.Release();
    condition.AchieveWaitX(t2);
    EXPECT_EQ(condition.NbWaiters(), 0);
    // Free items are not set by a signal; a later waiter starts clear.
    condition.Signal();
    ORDAEvent* third = nullptr;
    void* t3 = condition.WaitX(&third);
    EXPECT_FALSE(third->State());
    condition.AchieveWaitX(t3);
    EXPECT_EQ(condition.PoolSize(), 2);
}

TEST_F(Condition, WaitReturnsWithTheMutexOnSignal)
{
    ORDACondition condition(&mutex, &abort, -1);
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        mutex.Lock();
        condition.Wait();
        returned = true;
        mutex.Release();
    });
    ASSERT_TRUE(Eventually([&] {
        ORDAMutexGuard<> guard(mutex);
        if (condition.NbWaiters() == 0) return false;
        condition.Signal();
        return true;
    }));
    waiter.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(condition.NbWaiters(), 0);
}

TEST_F(Condition, WaitThrowsOnAbortAndTimeoutWithoutTheMutex)
{
    struct Case {
        ORDADelay timeout;
        bool abort;
        int thrown;
    } cases[] = {{-1, true, ORDA::ModuleDied}, {2000, false, ORDA::TimeOut}};
    for (const Case& c : cases) {
        abort.Reset();
        ORDACondition condition(&mutex, &abort, c.timeout);
        if (c.abort) condition.Abort();
        EXPECT_EQ(abort.State(), c.abort);
        int thrown = 0;
        mutex.Lock();
        try {
            condition.Wait();
            mutex.Release();
        } catch (int code) {
            thrown = code;
        }
        EXPECT_EQ(thrown, c.thrown);
        // Thrown without the mutex, and the item went back to the pool.
        std::thread other([&] {
            ORDAMutexGuard<> guard(mutex);
            EXPECT_EQ(condition.NbWaiters(), 0);
        });
        other.join();
    }
}

namespace {
// A condition whose operations are another side's: calls through the stored
// pointers reach them.
class CountingCondition : public ORDACondition {
public:
    CountingCondition(ORDAMutex* mutex, ORDAEvent* abort)
        : ORDACondition(mutex, abort, -1, &CountingCondition::DoWait, &CountingCondition::DoWaitX,
                        &CountingCondition::DoAchieveWaitX,
                        static_cast<SignalOperation>(&CountingCondition::CountSignal), &CountingCondition::DoAbort)
    {
    }
    void CountSignal()
    {
        ++signals;
        DoSignal();
    }
    int signals = 0;
};
}

TEST_F(Condition, PublicOperationsCallTheStoredOnes)
{
    CountingCondition condition(&mutex, &abort);
    ORDACondition* base = &condition;
    ORDAMutexGuard<> guard(mutex);
    base->Signal();
    base->Signal();
    EXPECT_EQ(condition.signals, 2);
}
