// The output FIFO on its own: slot choice, reader types, blocking, overflow,
// subsampling, buffer layouts and the exact texts of its failures.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "connections.h"
#include "fifo_kernel.h"
#include "orda_filters.h"
#include "orda_input.h"
#include "orda_io_monitor.h"
#include "orda_output.h"
#include "orda_type_codes.h"

namespace {

using dataflow_test::FifoKernel;

struct Fixture : ::testing::Test {
    FifoKernel kernel;
    std::vector<std::unique_ptr<ORDAInputImplementation>> inputs;
    std::unique_ptr<ORDAOutputImplementation> out;

    ORDAOutputImplementation& Output(int fifoSize, int subsampling = 1, ORDATypeInfoValue type = ORDA::Integer64,
                                     int size = 1)
    {
        ORDAOutputDefinition d{"o", 0, ORDATypeInfo(type), size, fifoSize, subsampling, 0};
        out = std::make_unique<ORDAOutputImplementation>(d, nullptr, "C.o", "o");
        return *out;
    }
    // Attaches a new input of that reader type; its reader index.
    int Reader(int type, int subsampling = 1)
    {
        ORDAInputDefinition d{"i", 0, nullptr, type, subsampling};
        inputs.push_back(std::make_unique<ORDAInputImplementation>(d, nullptr, "D.i", "i"));
        EXPECT_TRUE(ordavix_host::AttachInput(out.get(), inputs.back().get()));
        return inputs.back()->readerIndex;
    }
    ORDAIOMonitorImplementation& Fifo() { return *out->monitor; }
    void Write(ORDATimestamp ts)
    {
        ORDAFifoSlot* s = Fifo().StartWriting(nullptr);
        ASSERT_NE(s, nullptr);
        s->element.timestamp = ts;
        Fifo().Publish(s);
    }
    // Takes and gives back at once; -1 when the reader would wait.
    ORDATimestamp Read(int r)
    {
        ORDAEvent* ev = nullptr;
        ORDAEvent* dying = nullptr;
        ORDAFifoSlot* s = nullptr;
        if (!Fifo().StartReadingX(r, &ev, &dying, &s)) {
            Fifo().AbortStartReadingX(r);
            return -1;
        }
        const ORDATimestamp ts = s->element.timestamp;
        Fifo().StopReading(r, s);
        return ts;
    }
    void TearDown() override
    {
        for (auto& i : inputs) ordavix_host::DetachInput(i.get());
    }
    void ExpectFailure(const std::function<void()>& call, const std::string& text)
    {
        kernel.ClearReports();
        try {
            call();
            ADD_FAILURE() << "no failure: " << text;
        } catch (int e) {
            EXPECT_EQ(e, ORDA::ErrorException);
        }
        const auto errors = kernel.Errors();
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors.back(), text);
    }
};

struct DeliveryCase {
    int readerType;
    std::vector<ORDATimestamp> reads;  // three reads after samples 1 and 2
};

TEST_F(Fixture, EveryReaderTypeGetsItsSample)
{
    const DeliveryCase cases[] = {
        {ORDA::FifoReader, {1, 2, -1}},       {ORDA::NeverSkippingReader, {1, 2, -1}},
        {ORDA::LastOrNextReader, {2, -1, -1}}, {ORDA::Wait4NextReader, {-1, -1, -1}},
        {ORDA::SamplingReader, {2, 2, 2}},
    };
    for (const DeliveryCase& c : cases) {
        SCOPED_TRACE(c.readerType);
        Output(4);
        const int r = Reader(c.readerType);
        Write(1);
        Write(2);
        for (ORDATimestamp expected : c.reads) EXPECT_EQ(Read(r), expected);
        ordavix_host::DetachInput(inputs.back().get());
        inputs.clear();
    }
}

TEST_F(Fixture, LastOrNextSkipsOlderSamplesAsConsumed)
{
    Output(4);
    const int r = Reader(ORDA::LastOrNextReader);
    Write(1);
    Write(2);
    Write(3);
    EXPECT_EQ(Fifo().NbDataAvailableInFIFO(r), 3);
    EXPECT_EQ(Read(r), 3);
    EXPECT_EQ(Fifo().NbDataAvailableInFIFO(r), 0);
    EXPECT_FALSE(Fifo().DataAvailableInFIFO(r));
    EXPECT_EQ(Fifo().NbFreeSlots(), 4);
}

TEST_F(Fixture, Wait4NextReaderWakesOnTheNextPublication)
{
    Output(4);
    const int r = Reader(ORDA::Wait4NextReader);
    Write(1);
    ORDAEvent* events[2] = {};
    ORDAFifoSlot* s = nullptr;
    ASSERT_FALSE(Fifo().StartReadingX(r, &events[0], &events[1], &s));
    std::thread writer([&] { Write(2); });
    ASSERT_EQ(ORDAEvent::Wait(2, events, 10000000), 0);
    writer.join();
    s = Fifo().AchieveStartReadingX(r, 0, &events[0], &events[1]);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->element.timestamp, 2);
    Fifo().StopReading(r, s);
}

TEST_F(Fixture, DyingEndsAReaderWaitWithModuleDied)
{
    Output(2);
    const int r = Reader(ORDA::FifoReader);
    ORDAEvent* events[2] = {};
    ORDAFifoSlot* s = nullptr;
    ASSERT_FALSE(Fifo().StartReadingX(r, &events[0], &events[1], &s));
    std::thread killer([&] { Fifo().readers->CutConnection(); });
    const int result = ORDAEvent::Wait(2, events, 10000000);
    killer.join();
    ASSERT_EQ(result, 1);
    EXPECT_THROW(
        {
            try {
                Fifo().AchieveStartReadingX(r, result);
            } catch (int e) {
                EXPECT_EQ(e, ORDA::ModuleDied);
                throw;
            }
        },
        int);
}

TEST_F(Fixture, NeverSkippingReaderHoldsTheWriterBack)
{
    Output(2);
    const int r = Reader(ORDA::NeverSkippingReader);
    Write(1);
    Write(2);
    std::atomic<bool> written{false};
    ORDAEvent done;
    std::thread writer([&] {
        Write(3);
        written = true;
        done.Set();
    });
    // The writer cannot take slot 1 before the reader has consumed it.
    EXPECT_EQ(done.Wait(50000), ORDA::TimeOut);
    EXPECT_FALSE(written.load());
    EXPECT_EQ(Read(r), 1);
    EXPECT_EQ(done.Wait(10000000), 0);
    writer.join();
    EXPECT_EQ(Read(r), 2);
    EXPECT_EQ(Read(r), 3);
    EXPECT_EQ(kernel.overflows(), 0);
}

TEST_F(Fixture, DyingWriterLeavesItsBlockWithModuleDied)
{
    Output(1);
    Reader(ORDA::NeverSkippingReader);
    Write(1);
    std::atomic<int> thrown{0};
    std::thread writer([&] {
        try {
            Fifo().StartWriting(nullptr);
        } catch (int e) {
            thrown = e;
        }
    });
    Fifo().dyingEvent->Set();
    writer.join();
    EXPECT_EQ(thrown.load(), ORDA::ModuleDied);
}

TEST_F(Fixture, DetachingANeverSkippingReaderReleasesTheWriter)
{
    Output(1);
    Reader(ORDA::NeverSkippingReader);
    Write(1);
    std::thread writer([&] { Write(2); });
    ordavix_host::DetachInput(inputs.back().get());
    writer.join();
    EXPECT_EQ(Fifo().registeredReaders, 0u);
    EXPECT_EQ(Fifo().neverSkippingReaders, 0u);
}

TEST_F(Fixture, OverwritingUnreadSamplesCountsOneOverflowEach)
{
    Output(2);
    const int r = Reader(ORDA::FifoReader);
    for (int ts = 1; ts <= 5; ++ts) Write(ts);
    EXPECT_EQ(kernel.overflows(), 3);
    EXPECT_EQ(out->NbFIFOOverflows(), 3);
    EXPECT_EQ(Read(r), 4);
    EXPECT_EQ(Read(r), 5);
    EXPECT_EQ(Read(r), -1);
}

TEST_F(Fixture, OutputSubsamplingPublishesEveryThirdWrite)
{
    Output(8, 3);
    const int r = Reader(ORDA::FifoReader);
    for (int ts = 1; ts <= 7; ++ts) Write(ts);
    EXPECT_EQ(Read(r), 3);
    EXPECT_EQ(Read(r), 6);
    EXPECT_EQ(Read(r), -1);
    EXPECT_EQ(Fifo().NbFreeSlots(), 8);
}

TEST_F(Fixture, OutputSubsamplingBelowOnePublishesEverySample)
{
    Output(4, 0);
    const int r = Reader(ORDA::FifoReader);
    Write(1);
    Write(2);
    EXPECT_EQ(Read(r), 1);
    EXPECT_EQ(Read(r), 2);
}

TEST_F(Fixture, AReaderWokenForAnOverwrittenSampleWaitsForTheNext)
{
    Output(1);
    const int r = Reader(ORDA::FifoReader);
    ORDAEvent* events[2] = {};
    ORDAFifoSlot* s = nullptr;
    ASSERT_FALSE(Fifo().StartReadingX(r, &events[0], &events[1], &s));
    Write(1);
    ASSERT_TRUE(events[0]->State());
    // The writer takes the only slot back before the reader comes.
    ORDAFifoSlot* writing = Fifo().StartWriting(nullptr);
    EXPECT_EQ(kernel.overflows(), 1);
    EXPECT_EQ(Fifo().AchieveStartReadingX(r, 0, &events[0], &events[1]), nullptr);
    EXPECT_FALSE(events[0]->State());
    writing->element.timestamp = 2;
    Fifo().Publish(writing);
    ASSERT_TRUE(events[0]->State());
    s = Fifo().AchieveStartReadingX(r, 0, &events[0], &events[1]);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->element.timestamp, 2);
    Fifo().StopReading(r, s);
    EXPECT_TRUE(kernel.Errors().empty());
}

TEST_F(Fixture, QueriesFollowTheSlotStates)
{
    Output(2);
    const int r = Reader(ORDA::FifoReader);
    EXPECT_TRUE(Fifo().IsEmpty());
    EXPECT_FALSE(Fifo().IsFull());
    Write(1);
    EXPECT_FALSE(Fifo().IsEmpty());
    EXPECT_FALSE(Fifo().IsFull());
    EXPECT_EQ(Fifo().NbFreeSlots(), 1);
    Write(2);
    EXPECT_TRUE(Fifo().IsFull());
    EXPECT_EQ(Fifo().NbFreeSlots(), 0);
    Read(r);
    Read(r);
    EXPECT_TRUE(Fifo().IsEmpty());
    EXPECT_FALSE(Fifo().IsFull());
    EXPECT_TRUE(Fifo().spaceEvent.State());
    Fifo().EmptySlots();
    EXPECT_FALSE(Fifo().spaceEvent.State());
}

TEST_F(Fixture, FailuresOfTheFifoHaveTheirTexts)
{
    Output(1);
    Reader(ORDA::FifoReader);
    Reader(ORDA::SamplingReader);
    const int third = Reader(ORDA::FifoReader);
    ASSERT_EQ(third, 2);
    ORDAFifoSlot* s = Fifo().StartWriting(nullptr);
    Fifo().Publish(s);
    ExpectFailure([&] { Fifo().StopReading(third, s); },
                  "ORDAFastIO fatal error : Stop reading without starting (X4)");
    ExpectFailure([&] { Fifo().StopReading(third); }, "ORDAFastIO fatal error : Stop reading without starting (X4)");
    ExpectFailure([&] { Fifo().SetReaderType(7, 1); },
                  "ORDAFastIO fatal error : trying to set the reader type for a reader that has never been "
                  "registered before.");
    ExpectFailure([&] { Fifo().SetReaderType(1, 1); },
                  "ORDAFastIO fatal error : SetReaderType works only with FIFO readers.");
    ExpectFailure([&] { Fifo().SetSubsamplingRate(7, 2); },
                  "ORDAFastIO fatal error : trying to set the subsampling rate for a reader that has never been "
                  "registered before.");
    ExpectFailure([&] { Fifo().SetSubsamplingRate(1, 2); },
                  "ORDAFastIO fatal error : SetSubsamplingRate works only with FIFO readers.");
    ExpectFailure([&] { Fifo().SetSubsamplingRate(0, 257); },
                  "ORDAFastIO fatal error: Output subsampling rate must be an integer in the range between 1 and "
                  "256 included.");
    Fifo().SetSubsamplingRate(0, 256);
    EXPECT_EQ(Fifo().readerBytes[0], 255);
    Fifo().SetReaderType(2, ORDA::LastOrNextReader);
    EXPECT_EQ(Fifo().lastOrNextReaders, 4u);
    Fifo().SetReaderType(2, ORDA::NeverSkippingReader);
    EXPECT_EQ(Fifo().lastOrNextReaders, 0u);
    EXPECT_EQ(Fifo().neverSkippingReaders, 4u);
    // The fifo lock is free again after every failure.
    EXPECT_EQ(Read(1), 0);
}

TEST_F(Fixture, WritingWithoutStoppingRunsOutOfSlots)
{
    Output(1);
    ASSERT_NE(Fifo().StartWriting(nullptr), nullptr);
    ExpectFailure([&] { Fifo().StartWriting(nullptr); },
                  "Output buffer fatal error : StartWriting has no space where to write. Check that each call to "
                  "StartWriting has its corresponding call to StopWriting.");
    EXPECT_EQ(kernel.overflows(), 1);
}

TEST_F(Fixture, AttachRegistersTheReaderByType)
{
    Output(2);
    const int a = Reader(ORDA::NeverSkippingReader);
    const int b = Reader(ORDA::LastOrNextReader, 3);
    const int c = Reader(ORDA::SamplingReader);
    EXPECT_EQ(Fifo().registeredReaders, 7u);
    EXPECT_EQ(Fifo().fifoReaders, 3u);
    EXPECT_EQ(Fifo().neverSkippingReaders, 1u << a);
    EXPECT_EQ(Fifo().lastOrNextReaders, 1u << b);
    EXPECT_EQ(Fifo().readerBytes[b], 2);
    EXPECT_EQ(Fifo().readerBytes[c], ORDA::SamplingReader);
    EXPECT_EQ(out->connectedInputs.Length(), 3);
    EXPECT_TRUE(inputs[0]->connectionEvent.State());
    ordavix_host::DetachInput(inputs[0].get());
    EXPECT_FALSE(inputs[0]->IsConnected());
    EXPECT_EQ(out->connectedInputs.Length(), 2);
    EXPECT_EQ(Fifo().registeredReaders, 6u);
    // The freed index is used again.
    EXPECT_EQ(Reader(ORDA::FifoReader), a);
}

TEST_F(Fixture, AttachRefusesATypeTheFilterRejects)
{
    Output(2, 1, ORDA::Float64);
    ORDAInputDefinition d{"i", 0, &ORDA::FilterIntegers32, 0, 1};
    ORDAInputImplementation in(d, nullptr, "D.i", "i");
    EXPECT_FALSE(ordavix_host::AttachInput(out.get(), &in));
    EXPECT_FALSE(in.IsConnected());
}

}
