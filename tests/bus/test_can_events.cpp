// Event-based receive: a notification is never lost, whether it arrives
// before or during a wait; the event outlives the registration only.
#include <atomic>
#include <thread>

#include "bus/vt_can_api_wrapper.h"
#include "bus_test_support.h"

namespace {

class CanEvents : public BusTest {
protected:
    static VtCanApiWrapperSettings EventSettings(const char* channel)
    {
        VtCanApiWrapperSettings s("127.0.0.1", channel, false, 0, 500000, false, false);
        s.SetEventBasedReceive(true);
        return s;
    }
};

TEST_F(CanEvents, NotificationBetweenWaitsIsKept)
{
    VtCanApiWrapper w(EventSettings("CAN1"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    w.WaitForReceiveEvent(0, nullptr);  // whatever activation announced
    VTSCanMessage m = Message(0x1, {1});
    ASSERT_EQ(sim().VTSIM_CanInjectReceived("CAN1", 1, &m), 0);
    EXPECT_TRUE(w.WaitForReceiveEvent(60000000, nullptr));
    EXPECT_EQ(w.ReadReceiveQueue(), 1u);
    EXPECT_FALSE(w.WaitForReceiveEvent(1000, nullptr));  // consumed, nothing new
}

TEST_F(CanEvents, PollingWrapperHasNoEvent)
{
    VtCanApiWrapper w(VtCanApiWrapperSettings("127.0.0.1", "CAN1", false, 0, 500000, false, false));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    EXPECT_FALSE(w.WaitForReceiveEvent(1000, nullptr));
}

// A reader thread waits and drains while another node sends in bursts;
// every message is read and no wait misses its notification.
TEST_F(CanEvents, ReaderThreadGetsEveryMessage)
{
    VtCanApiWrapper w(EventSettings("CAN2"));
    ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    constexpr int bursts = 200;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> read{0};
    std::thread reader([&] {
        while (!stop.load()) {
            if (w.WaitForReceiveEvent(5000, nullptr)) read += w.ReadReceiveQueue();
        }
        read += w.ReadReceiveQueue();
    });
    for (int i = 0; i < bursts; ++i) {
        VTSCanMessage m[3] = {Message(0x1, {1}), Message(0x2, {2}), Message(0x3, {3})};
        ASSERT_EQ(sim().VTSIM_CanInjectReceived("CAN2", 3, m), 0);
        if (i % 16 == 0) std::this_thread::yield();
    }
    EXPECT_TRUE(WaitFor([&] { return read.load() == 3u * bursts; }));
    stop = true;
    reader.join();
    EXPECT_EQ(read.load(), 3u * bursts);
}

TEST_F(CanEvents, DestroyedWrapperLeavesNoEventWithTheLibrary)
{
    {
        VtCanApiWrapper w(EventSettings("CAN3"));
        ASSERT_EQ(w.Initialize(nullptr).errorCode, 0);
    }
    // Traffic after the teardown must not touch the released event (ASan).
    ASSERT_EQ(LoadCanLibrary(), 0);
    VtCanApiWrapper other(VtCanApiWrapperSettings("127.0.0.1", "CAN4", false, 0, 500000, false, false));
    ASSERT_EQ(other.Initialize(nullptr).errorCode, 0);
    VTSCanMessage m = Message(0x9, {9});
    EXPECT_EQ(other.TransmitMessages(&m, 1).errorCode, 0);
}

}
