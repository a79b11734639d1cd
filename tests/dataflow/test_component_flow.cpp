// Samples from a writer component to reader components of every kind, with
// the host attaching and detaching them, and components dying in any wait.
#include "flow_fixture.h"

namespace {

using flow_test::Eventually;
using flow_test::Flow;
using flow_test::InputSpec;
using flow_test::IsWaiting;
using flow_test::Node;

typedef std::vector<ORDATimestamp> Stamps;

// Core: one StartReading per `go`, recorded; the slot stays held until the next read.
void GatedRead(Node& n)
{
    n.Wait4Event(n.go, ORDA::Infinite);
    n.go.Reset();
    ORDAIOElt* e = n.StartReading(*n.Input(0));
    n.Record(e ? e->Timestamp() : -1);
}

void ReadAll(Node& n)
{
    ORDAIOElt* e = n.StartReading(*n.Input(0));
    n.Record(e ? e->Timestamp() : -1);
}

struct TypeCase {
    int type;
    Stamps before;  // reads served from samples 1 and 2
    bool blocks;    // the next read waits for sample 3
};

TEST_F(Flow, EveryReaderTypeGetsItsSampleThroughComponents)
{
    const TypeCase cases[] = {
        {ORDA::FifoReader, {1, 2}, true},       {ORDA::NeverSkippingReader, {1, 2}, true},
        {ORDA::LastOrNextReader, {2}, true},    {ORDA::Wait4NextReader, {}, true},
        {ORDA::SamplingReader, {2, 2}, false},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.type);
        auto [w, r] = StartedPair(true, {c.type, 1}, GatedRead);
        Write(w, 1);
        Write(w, 2);
        for (size_t k = 0; k < c.before.size(); ++k) {
            r->go.Set();
            ASSERT_TRUE(r->WaitSeen(k + 1));
        }
        EXPECT_EQ(r->Seen(), c.before);
        r->go.Set();
        if (c.blocks) {
            ASSERT_TRUE(Eventually([&] { return IsWaiting(r->In()); }));
            EXPECT_EQ(r->Seen().size(), c.before.size());
            Write(w, 3);
            ASSERT_TRUE(r->WaitSeen(c.before.size() + 1));
            EXPECT_EQ(r->Seen().back(), 3);
        } else {
            ASSERT_TRUE(r->WaitSeen(c.before.size() + 1));
            EXPECT_EQ(r->Seen().back(), 2);
        }
        r->Shutdown();
        w->Shutdown();
        EXPECT_TRUE(r->State() & ORDA::DeadState);
        TearDown();
        SetUp();
    }
}

TEST_F(Flow, SequentialReaderWithInputSubsamplingThreeRunsCoreOnEveryThirdSample)
{
    auto [w, r] = StartedPair(false, {ORDA::FifoReader, 3}, ReadAll);
    for (ORDATimestamp t = 1; t <= 7; ++t) Write(w, t);
    EXPECT_EQ(r->Seen(), (Stamps{3, 6}));
    EXPECT_EQ(r->sequentialCalls.load(), 7);
    // Nothing is left held between calls: the writer never runs out of slots.
    EXPECT_EQ(r->In().heldCount, 0);
}

TEST_F(Flow, ThreadedReaderWithInputSubsamplingThreeTakesTheThirdThenWaitsForTheSixth)
{
    auto [w, r] = StartedPair(true, {ORDA::FifoReader, 3}, GatedRead, 8);
    for (ORDATimestamp t = 1; t <= 5; ++t) Write(w, t);
    r->go.Set();
    ASSERT_TRUE(r->WaitSeen(1));
    EXPECT_EQ(r->Seen(), (Stamps{3}));
    r->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(r->In()); }));
    EXPECT_EQ(r->Seen().size(), 1u);
    Write(w, 6);
    ASSERT_TRUE(r->WaitSeen(2));
    EXPECT_EQ(r->Seen(), (Stamps{3, 6}));
}

TEST_F(Flow, OutputSubsamplingPublishesEveryThirdWriteAndStillCallsSequentialReaders)
{
    auto [w, r] = StartedPair(false, {ORDA::FifoReader, 1}, ReadAll, 4, 3);
    for (ORDATimestamp t = 1; t <= 7; ++t) Write(w, t);
    EXPECT_EQ(r->Seen(), (Stamps{3, 6}));
    EXPECT_EQ(r->sequentialCalls.load(), 7);
    // A discarded sample reaches nobody.
    ORDAIOElt* e = w->StartWriting(*w->Output(0), 8);
    w->StopWriting(e, true);
    EXPECT_EQ(r->sequentialCalls.load(), 7);
}

TEST_F(Flow, SubsamplingPropertyTakesEffectAtTheNextPublication)
{
    auto [w, r] = StartedPair(false, {ORDA::FifoReader, 1}, ReadAll);
    Write(w, 1);
    Prop("W.out.subsampling")->Set(2L);
    for (ORDATimestamp t = 2; t <= 6; ++t) Write(w, t);
    EXPECT_EQ(r->Seen(), (Stamps{1, 2, 4, 6}));
    EXPECT_EQ(w->Out().definition.subsampling, 2);
}

TEST_F(Flow, PeriodicOutputRegularisesTimestamps)
{
    Node* w = Writer(4);
    Node* r = Make("R", false, {{ORDA::FifoReader, 1}});
    r->body = ReadAll;
    Connect(w, r);
    Prop("W.out.periodic")->Set(true);
    w->Start();
    r->Start();
    // A step back before the line exists: the time of issue is used.
    ORDAIOElt* e = w->StartWriting(*w->Output(0), 5000);
    e->TimeOfIssue() = 5100;
    w->StopWriting(e, false);
    e = w->StartWriting(*w->Output(0), 4000);
    e->TimeOfIssue() = 5200;
    w->StopWriting(e, false);
    EXPECT_EQ(r->Seen(), (Stamps{5000, 5200}));
    // 30 jittered samples on a 1000 µs period: from the 30th on the
    // published stamp lies on the fitted line, not on the raw value.
    std::vector<double> raw;
    for (int k = 0; k < 40; ++k) {
        const ORDATimestamp t = 10000 + 1000 * k + (k % 2 ? 300 : -300);
        raw.push_back(static_cast<double>(t));
        e = w->StartWriting(*w->Output(0), t);
        e->TimeOfIssue() = t;
        w->StopWriting(e, false);
    }
    const Stamps seen = r->Seen();
    ASSERT_EQ(seen.size(), 42u);
    for (int k = 0; k < 27; ++k) EXPECT_EQ(seen[2 + k], static_cast<ORDATimestamp>(raw[k])) << k;
    for (int k = 29; k < 40; ++k) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (int x = 0; x < 30; ++x) {
            const double y = raw[k - 29 + x];
            sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
        const double slope = (30 * sxy - sx * sy) / (30 * sxx - sx * sx);
        const double fitted = sy / 30 + slope * (29 - sx / 30);
        EXPECT_NEAR(static_cast<double>(seen[2 + k]), fitted, 1.0) << k;
        EXPECT_NE(seen[2 + k], static_cast<ORDATimestamp>(raw[k])) << k;
    }
}

TEST_F(Flow, BlockedReaderDetachedWaitsForAConnectionAndReadsAfterReattach)
{
    auto [w, r] = StartedPair(true, {ORDA::FifoReader, 1}, ReadAll);
    Write(w, 1);
    ASSERT_TRUE(r->WaitSeen(1));
    ASSERT_TRUE(Eventually([&] { return IsWaiting(r->In()); }));
    engine->DetachInput(r->Input(0));
    EXPECT_FALSE(r->Input(0)->IsConnected());
    EXPECT_EQ(r->In().heldCount, 0);
    Write(w, 2);  // nobody reads it
    Connect(w, r);
    ASSERT_TRUE(Eventually([&] { return IsWaiting(r->In()); }));
    // A new reader of the FIFO: what it still holds is unread for it.
    ASSERT_TRUE(r->WaitSeen(3));
    ASSERT_TRUE(Eventually([&] { return IsWaiting(r->In()); }));
    Write(w, 3);
    ASSERT_TRUE(r->WaitSeen(4));
    EXPECT_EQ(r->Seen(), (Stamps{1, 1, 2, 3}));
    // Killed while waiting for a connection.
    engine->DetachInput(r->Input(0));
    r->Shutdown();
    EXPECT_EQ(r->thrown.load(), ORDA::ModuleDied);
    EXPECT_TRUE(r->State() & ORDA::DeadState);
}

TEST_F(Flow, WriterShutdownWhileReadersHoldSlotsEndsWithoutHang)
{
    Node* w = Make("W", true, {}, 8);
    std::atomic<ORDATimestamp> next{1};
    w->body = [&](Node& n) {
        n.StopWriting(n.StartWriting(*n.Output(0), next++), false);
        n.Rest(100, nullptr);
    };
    std::vector<Node*> readers;
    const int types[] = {ORDA::FifoReader, ORDA::NeverSkippingReader, ORDA::LastOrNextReader,
                         ORDA::Wait4NextReader, ORDA::SamplingReader};
    int k = 0;
    for (int type : types) {
        const std::string name = "R" + std::to_string(k++);
        Node* r = Make(name.c_str(), true, {{type, 1}});
        // Holds each sample a while, then reads the next.
        r->body = [](Node& n) {
            ORDAIOElt* e = n.StartReading(*n.Input(0));
            n.Record(e->Timestamp());
            n.Rest(2000, nullptr);
        };
        Connect(w, r);
        readers.push_back(r);
    }
    for (Node* r : readers) r->Start();
    w->Start();
    for (Node* r : readers) ASSERT_TRUE(r->WaitSeen(3));
    w->Shutdown();
    EXPECT_TRUE(w->State() & ORDA::DeadState);
    for (Node* r : readers) {
        EXPECT_TRUE(r->Input(0)->IsConnected());
        r->Shutdown();
        EXPECT_TRUE(r->State() & ORDA::DeadState);
    }
}

TEST_F(Flow, ElementPropertiesReachTheFifoOrAreRefused)
{
    Node* w = Writer(4);
    Node* r = Make("R", false, {{ORDA::FifoReader, 1}, {ORDA::SamplingReader, 1}});
    Connect(w, r, 0);
    Connect(w, r, 1);
    ORDAIOMonitorImplementation& fifo = *w->Out().monitor;
    const int fifoIndex = r->In(0).readerIndex;

    Prop("W.out.fifosize")->Set(8L);
    EXPECT_EQ(fifo.Count(), 8);
    Prop("R.in0.readerType")->Set(static_cast<long>(ORDA::NeverSkippingReader));
    EXPECT_EQ(r->In(0).definition.readerType, ORDA::NeverSkippingReader);
    EXPECT_TRUE(fifo.neverSkippingReaders & (1u << fifoIndex));
    Prop("R.in0.subsampling")->Set(3L);
    EXPECT_EQ(fifo.readerBytes[fifoIndex], 2);

    struct Refusal {
        const char* property;
        long wanted;
        long shown;
        const char* text;
    };
    const Refusal refusals[] = {
        {"R.in0.readerType", ORDA::Wait4NextReader, ORDA::NeverSkippingReader,
         "component R: Bad parameter: The input R.in0 cannot be switched to SamplingReader or Wait4NextReader."},
        {"R.in1.readerType", ORDA::Wait4NextReader, ORDA::SamplingReader,
         "component R: Bad parameter: The input R.in1 is a SamplingReader or Wait4NextReader and cannot be switched to "
         "FifoReader, NeverSkippingReader or LastOrNextReader"},
    };
    for (const Refusal& c : refusals) {
        SCOPED_TRACE(c.property);
        engine->ClearReports();
        Prop(c.property)->Set(c.wanted);
        EXPECT_EQ(Prop(c.property)->IntegerValue(), c.shown);
        EXPECT_TRUE(HasReport(c.text));
    }
    EXPECT_EQ(r->In(1).definition.readerType, ORDA::SamplingReader);

    w->Start();
    r->Start();
    engine->ClearReports();
    Prop("W.out.fifosize")->Set(2L);
    EXPECT_TRUE(HasReport("component W: Cannot change the output fifo sizes while module is running."));
    EXPECT_EQ(fifo.Count(), 8);
    EXPECT_EQ(w->Out().definition.fifoSize, 8);
}

}
