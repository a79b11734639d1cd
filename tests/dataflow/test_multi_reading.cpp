// Reading several inputs at once, sliding windows, synchronised sets, and
// components dying in each kind of wait.
#include "flow_fixture.h"

namespace {

using flow_test::Eventually;
using flow_test::Flow;
using flow_test::InputSpec;
using flow_test::IsWaiting;
using flow_test::Node;

typedef std::vector<ORDATimestamp> Stamps;

// Writers W0..W(n-1), each feeding input i of one threaded reader.
struct Multi : Flow {
    Node* reader = nullptr;
    std::vector<Node*> writers;
    ORDAEvent callerEvent{false, nullptr};

    void Build(std::vector<InputSpec> inputs, bool threaded = true)
    {
        for (size_t i = 0; i < inputs.size(); ++i) {
            names.push_back("W" + std::to_string(i));
        }
        for (size_t i = 0; i < inputs.size(); ++i) writers.push_back(Make(names[i].c_str(), false, {}, 8));
        reader = Make("R", threaded, inputs);
        for (size_t i = 0; i < inputs.size(); ++i) Connect(writers[i], reader, static_cast<int>(i));
        for (Node* w : writers) w->Start();
    }
    std::vector<ORDAInput*> Inputs()
    {
        std::vector<ORDAInput*> v;
        for (int i = 0; i < reader->NbInputs(); ++i) v.push_back(reader->Input(i));
        return v;
    }
    // One multi-input read per `go`: records which, then the stamp or -1.
    void MultiReadBody()
    {
        reader->body = [this](Node& n) {
            n.Wait4Event(n.go, ORDA::Infinite);
            n.go.Reset();
            std::vector<ORDAInput*> in = Inputs();
            ORDAEvent* events[1] = {&callerEvent};
            int which = -9;
            ORDAIOElt* e = n.StartReading(static_cast<int>(in.size()), in.data(), &which, 1, events);
            n.Record(which);
            n.Record(e ? e->Timestamp() : -1);
        };
    }
    std::deque<std::string> names;
};

TEST_F(Multi, TheFirstInputToDeliverIsReturnedAndNoOtherStaysWaiting)
{
    Build({{0, 1}, {0, 1}, {0, 1}});
    MultiReadBody();
    reader->Start();
    reader->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In(2)); }));
    Write(writers[1], 42);
    ASSERT_TRUE(reader->WaitSeen(2));
    EXPECT_EQ(reader->Seen(), (Stamps{1, 42}));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(IsWaiting(reader->In(i))) << i;
    EXPECT_EQ(reader->In(1).heldCount, 1);
    EXPECT_EQ(reader->In(0).insideStartReading, 0);
}

TEST_F(Multi, ACallerEventEndsTheReadWithItsIndexAfterTheInputs)
{
    Build({{0, 1}, {0, 1}, {0, 1}});
    MultiReadBody();
    reader->Start();
    reader->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In(2)); }));
    callerEvent.Set();
    ASSERT_TRUE(reader->WaitSeen(2));
    EXPECT_EQ(reader->Seen(), (Stamps{3, -1}));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(IsWaiting(reader->In(i))) << i;
}

TEST_F(Multi, InputSubsamplingGivesTheFirstSampleBackAndReturnsTheSecond)
{
    Build({{0, 1}, {0, 2}});
    MultiReadBody();
    reader->Start();
    Write(writers[1], 7);
    reader->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In(1)) && IsWaiting(reader->In(0)); }));
    EXPECT_TRUE(reader->Seen().empty());
    EXPECT_EQ(reader->In(1).subsamplingCount, 1);
    Write(writers[1], 8);
    ASSERT_TRUE(reader->WaitSeen(2));
    EXPECT_EQ(reader->Seen(), (Stamps{1, 8}));
    EXPECT_EQ(reader->In(1).subsamplingCount, 0);
}

TEST_F(Multi, ACarriedCountAtOrAboveALoweredSubsamplingIsResetSoTheInputKeepsDelivering)
{
    Build({{0, 3}});
    std::atomic<int> phase{0};
    reader->body = [&](Node& n) {
        n.Wait4Event(n.go, ORDA::Infinite);
        n.go.Reset();
        std::vector<ORDAInput*> in = Inputs();
        ORDAEvent* events[1] = {&callerEvent};
        int which = -9;
        ORDAIOElt* e = nullptr;
        if (phase == 0) e = n.StartReading(1, in.data(), &which, 1, events);
        else if (phase == 1) e = n.StartReading(*in[0]);
        else e = n.StartReading(1, in.data(), &which, 0, nullptr);
        n.Record(e ? e->Timestamp() : -which);
    };
    reader->Start();
    Write(writers[0], 1);
    Write(writers[0], 2);
    reader->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In()) && reader->In().subsamplingCount == 2; }));
    callerEvent.Set();
    ASSERT_TRUE(reader->WaitSeen(1));
    EXPECT_EQ(reader->Seen().back(), -1);
    EXPECT_EQ(reader->In().subsamplingCount, 2);
    callerEvent.Reset();

    // Lowered to the carried count: the single read delivers the next sample.
    Prop("R.in0.subsampling")->Set(2L);
    phase = 1;
    Write(writers[0], 3);
    Write(writers[0], 4);
    reader->go.Set();
    ASSERT_TRUE(reader->WaitSeen(2));
    EXPECT_EQ(reader->Seen().back(), 4);

    // Lowered below a count the multi-input read carries.
    phase = 0;
    Prop("R.in0.subsampling")->Set(3L);
    Write(writers[0], 5);
    Write(writers[0], 6);
    reader->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In()) && reader->In().subsamplingCount == 2; }));
    callerEvent.Set();
    ASSERT_TRUE(reader->WaitSeen(3));
    callerEvent.Reset();
    Prop("R.in0.subsampling")->Set(1L);
    phase = 2;
    Write(writers[0], 7);
    reader->go.Set();
    ASSERT_TRUE(reader->WaitSeen(4));
    EXPECT_EQ(reader->Seen().back(), 7);
}

TEST_F(Multi, NLastWaitsForAFullWindowThenSlidesAndShrinks)
{
    Build({{0, 1}});
    std::atomic<int> window{3};
    reader->body = [&](Node& n) {
        n.Wait4Event(n.go, ORDA::Infinite);
        n.go.Reset();
        ORDAIOElt* e[3] = {};
        const int k = window;
        EXPECT_TRUE(n.NLastStartReading(*n.Input(0), k, e));
        std::lock_guard<std::mutex> lock(n.mutex);
        ORDATimestamp packed = 0;
        for (int i = 0; i < k; ++i) packed = packed * 100 + e[i]->Timestamp();
        n.seen.push_back(packed);
        n.changed.notify_all();
    };
    reader->Start();
    reader->go.Set();
    for (ORDATimestamp t = 1; t <= 3; ++t) {
        ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In()); }));
        Write(writers[0], t);
    }
    ASSERT_TRUE(reader->WaitSeen(1));
    EXPECT_EQ(reader->Seen().back(), 10203);
    Write(writers[0], 4);
    reader->go.Set();
    ASSERT_TRUE(reader->WaitSeen(2));
    EXPECT_EQ(reader->Seen().back(), 20304);
    EXPECT_EQ(reader->In().heldCount, 3);
    window = 2;
    Write(writers[0], 5);
    reader->go.Set();
    ASSERT_TRUE(reader->WaitSeen(3));
    EXPECT_EQ(reader->Seen().back(), 405);
    EXPECT_EQ(reader->In().heldCount, 2);
}

struct SynchroCase {
    const char* name;
    ORDADelay tolerance;
    std::vector<std::vector<ORDATimestamp>> published;  // per input, in order
    ORDATimestamp result;
    Stamps elements;
};

TEST_F(Multi, SynchroReturnsTheSmallestStampOfASetWithinTheTolerance)
{
    const SynchroCase cases[] = {
        {"tolerance 0, later sample opens a new window", 0, {{10, 20}, {20}}, 20, {20, 20}},
        {"tolerance 5, new window forgets both", 5, {{10, 18}, {13, 19}, {20}}, 18, {18, 19, 20}},
        {"tolerance 5, two within", 5, {{10}, {13}}, 10, {10, 13}},
        {"tolerance 0, older sample dropped", 0, {{30}, {20, 30}}, 30, {30, 30}},
    };
    for (const SynchroCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<InputSpec> specs(c.published.size(), InputSpec{0, 1});
        Build(specs);
        std::vector<ORDAIOElt*> elements(c.published.size());
        reader->body = [&](Node& n) {
            n.Wait4Event(n.go, ORDA::Infinite);
            n.go.Reset();
            std::vector<ORDAInput*> in = Inputs();
            const ORDATimestamp t =
                n.SynchroStartReading(static_cast<int>(in.size()), in.data(), elements.data(), c.tolerance, nullptr);
            n.Record(t);
        };
        for (size_t i = 0; i < c.published.size(); ++i)
            for (ORDATimestamp t : c.published[i]) Write(writers[i], t);
        reader->Start();
        reader->go.Set();
        ASSERT_TRUE(reader->WaitSeen(1));
        EXPECT_EQ(reader->Seen()[0], c.result);
        for (size_t i = 0; i < elements.size(); ++i) {
            ASSERT_NE(elements[i], nullptr) << i;
            EXPECT_EQ(elements[i]->Timestamp(), c.elements[i]) << i;
        }
        TearDown();
        writers.clear();
        names.clear();
        SetUp();
    }
}

TEST_F(Multi, SynchroAbortedReturnsMinusOneWithNoElements)
{
    Build({{0, 1}, {0, 1}});
    ORDAIOElt* elements[2] = {};
    reader->body = [&](Node& n) {
        n.Wait4Event(n.go, ORDA::Infinite);
        n.go.Reset();
        std::vector<ORDAInput*> in = Inputs();
        n.Record(n.SynchroStartReading(2, in.data(), elements, 0, &callerEvent));
    };
    Write(writers[0], 10);
    reader->Start();
    reader->go.Set();
    ASSERT_TRUE(Eventually([&] { return IsWaiting(reader->In(1)); }));
    callerEvent.Set();
    ASSERT_TRUE(reader->WaitSeen(1));
    EXPECT_EQ(reader->Seen()[0], -1);
    EXPECT_EQ(elements[0], nullptr);
    EXPECT_EQ(elements[1], nullptr);
}

TEST_F(Multi, LimitsOfTheMultiInputReadsAreReported)
{
    Build({{0, 1}});
    reader->m_threaded = true;
    engine->ClearReports();
    EXPECT_THROW(reader->SynchroStartReading(257, nullptr, nullptr, 0, nullptr), int);
    EXPECT_NE(engine->Reports().back().text.find("Can't SynchroStartRead on more than 256 inputs simultaneously. Sorry."),
              std::string::npos);
    EXPECT_THROW(reader->SynchroStartReading(1, nullptr, nullptr, -1, nullptr), int);
    EXPECT_NE(engine->Reports().back().text.find("synchroTolerance cannot be negative"), std::string::npos);
    std::vector<ORDAInput*> many(33, reader->Input(0));
    int which = 0;
    EXPECT_THROW(reader->StartReading(33, many.data(), &which, 0, nullptr), int);
    EXPECT_EQ(engine->Reports().back().text, "StartReading can't wait for more than 32 inputs simultaneously.");
    std::vector<ORDAEvent*> events(33, &callerEvent);
    EXPECT_THROW(reader->MsgStartReading(1, many.data(), &which, 33, events.data()), int);
    EXPECT_EQ(engine->Reports().back().text, "MsgStartReading can't wait on more than 32 events simultaneously.");
}

TEST_F(Multi, SamplingReaderInputsAreRefusedInAMultiInputRead)
{
    Build({{0, 1}, {ORDA::SamplingReader, 1}});
    reader->m_threaded = true;
    std::vector<ORDAInput*> in = Inputs();
    int which = 0;
    engine->ClearReports();
    EXPECT_THROW(reader->StartReading(2, in.data(), &which, 0, nullptr), int);
    EXPECT_NE(engine->Reports().back().text.find("StartReading on multiple inputs is not possible with SamplingReader "
                                                 "inputs. R.in1 is a SamplingReader input."),
              std::string::npos);
    EXPECT_EQ(reader->In(0).insideStartReading, 0);
    EXPECT_FALSE(IsWaiting(reader->In(0)));

    // The newest slot again and again: a window would hold one slot twice.
    Write(writers[1], 1);
    ORDAIOElt* e[2] = {};
    engine->ClearReports();
    EXPECT_THROW(reader->NLastStartReading(*in[1], 2, e), int);
    EXPECT_NE(engine->Reports().back().text.find(
                  "NLastStartReading is not possible with SamplingReader inputs. R.in1 is a SamplingReader input."),
              std::string::npos);
    EXPECT_EQ(reader->In(1).heldCount, 0);
    EXPECT_EQ(reader->In(1).insideStartReading, 0);
}

TEST_F(Multi, SynchroOnASequentialComponentReturnsWhatOneCallCanGather)
{
    Build({{0, 1}, {0, 1}}, false);
    // First call: both inputs; later calls: the first input alone.
    reader->body = [this](Node& n) {
        std::vector<ORDAInput*> in = Inputs();
        ORDAIOElt* e[2] = {};
        const int count = n.Seen().empty() ? 2 : 1;
        n.Record(n.SynchroStartReading(count, in.data(), e, 0, nullptr));
        n.Record(e[0] ? e[0]->Timestamp() : -1);
    };
    reader->Start();
    // The second input cannot deliver within the call its writer did not
    // trigger: no set, and no endless retry.
    Write(writers[0], 10);
    ASSERT_TRUE(reader->WaitSeen(2));
    Write(writers[0], 20);
    ASSERT_TRUE(reader->WaitSeen(4));
    EXPECT_EQ(reader->Seen(), (Stamps{-1, -1, 20, 20}));
}

// --- dying in every kind of wait -------------------------------------------
enum class WaitKind { Data, Connection, MultiInput, NLast, Synchro, BlockedWriter };

TEST_F(Multi, DyingEndsEveryKindOfWaitWithModuleDied)
{
    const WaitKind kinds[] = {WaitKind::Data,  WaitKind::Connection, WaitKind::MultiInput,
                              WaitKind::NLast, WaitKind::Synchro,    WaitKind::BlockedWriter};
    for (WaitKind kind : kinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        Node* waiter;
        // Outlives the writer's last use of it: the writer may still be between
        // Record and StartWriting when the test goes on.
        std::atomic<ORDATimestamp> next{1};
        if (kind == WaitKind::BlockedWriter) {
            waiter = Make("T", true, {}, 2);
            Node* slow = Make("S", true, {{ORDA::NeverSkippingReader, 1}});
            Connect(waiter, slow);
            waiter->body = [&next](Node& n) {
                n.Record(next);
                n.StopWriting(n.StartWriting(*n.Output(0), next++), false);
            };
            slow->Start();
            waiter->Start();
            ASSERT_TRUE(waiter->WaitSeen(3));
            ASSERT_TRUE(Eventually([&] { return !waiter->Out().monitor->progressEvent.State(); }));
        } else {
            Build({{0, 1}, {0, 1}});
            waiter = reader;
            if (kind == WaitKind::Connection) engine->DetachInput(reader->Input(0));
            reader->body = [this, kind](Node& n) {
                std::vector<ORDAInput*> in = Inputs();
                ORDAIOElt* e[2] = {};
                int which = 0;
                n.Record(0);
                switch (kind) {
                case WaitKind::Data:
                case WaitKind::Connection: n.StartReading(*in[0]); break;
                case WaitKind::MultiInput: n.StartReading(2, in.data(), &which, 0, nullptr); break;
                case WaitKind::NLast: n.NLastStartReading(*in[0], 2, e); break;
                case WaitKind::Synchro: n.SynchroStartReading(2, in.data(), e, 0, nullptr); break;
                default: break;
                }
                n.Record(1);  // never reached
            };
            reader->Start();
            ASSERT_TRUE(reader->WaitSeen(1));
            ASSERT_TRUE(Eventually([&] {
                if (kind != WaitKind::Connection) return IsWaiting(reader->In(kind == WaitKind::MultiInput ? 1 : 0));
                ORDAInputImplementation& in = reader->In(0);
                ORDAMutexGuard<ORDAMutex> guard(in.inputLock);
                return in.insideStartReading != 0;
            }));
        }
        waiter->Shutdown();
        EXPECT_EQ(waiter->thrown.load(), ORDA::ModuleDied);
        EXPECT_TRUE(waiter->State() & ORDA::DeadState);
        if (kind != WaitKind::BlockedWriter) {
            EXPECT_EQ(reader->Seen().size(), 1u);
            for (int i = 0; i < 2; ++i) EXPECT_FALSE(IsWaiting(reader->In(i)));
        }
        TearDown();
        writers.clear();
        names.clear();
        SetUp();
    }
}

}
