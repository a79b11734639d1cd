// Steady-state writing and reading allocate nothing: every operator new of
// the process is counted while readers of every kind, threaded and
// sequential, take what a writer publishes.
#include <atomic>
#include <cstdlib>
#include <new>

#include "flow_fixture.h"
#include "orda_time.h"

// The replacement pairs malloc with free; gcc sees through it and warns.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
int* volatile escaped = nullptr;
}

void* operator new(std::size_t size)
{
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using flow_test::Flow;
using flow_test::Node;

// No std::function and no clock object: waiting must not allocate either.
bool WaitForCount(const std::atomic<long>& count, long target)
{
    for (int ms = 0; ms < 20000; ++ms) {
        if (count.load() >= target) return true;
        ORDA::Wait4AWhile(1000);
    }
    return count.load() >= target;
}

TEST_F(Flow, SteadyStateWritingAndReadingAllocateNothing)
{
    const int types[] = {ORDA::FifoReader, ORDA::NeverSkippingReader, ORDA::LastOrNextReader,
                         ORDA::Wait4NextReader, ORDA::SamplingReader};
    const char* names[] = {"R0", "R1", "R2", "R3", "R4"};
    std::atomic<long> reads[6] = {};
    Node* w = Writer(16);
    for (int k = 0; k < 5; ++k) {
        Node* r = Make(names[k], true, {{types[k], 1}});
        std::atomic<long>* count = &reads[k];
        r->body = [count](Node& n) {
            if (n.StartReading(*n.Input(0))) count->fetch_add(1);
            // A sampling reader never waits: let the writer run. (Rest would
            // arm a trigger event of its own, new on every call.)
            if (n.In().definition.readerType == ORDA::SamplingReader) n.Wait4Event(n.idle, 200);
        };
        Connect(w, r);
    }
    Node* s = Make("S", false, {{ORDA::FifoReader, 1}});
    std::atomic<long>* sequentialCount = &reads[5];
    s->body = [sequentialCount](Node& n) {
        if (n.StartReading(*n.Input(0))) sequentialCount->fetch_add(1);
    };
    Connect(w, s);
    w->Start();
    for (Node* n : nodes)
        if (n != w) n->Start();

    // Warm-up: the first waits and reads set up what they keep for later.
    const long warmUp = 200, measured = 2000;
    for (long t = 1; t <= warmUp; ++t) Write(w, t);
    ASSERT_TRUE(WaitForCount(reads[1], warmUp));

    counting = true;
    for (long t = warmUp + 1; t <= warmUp + measured; ++t) {
        ORDAIOElt* e = w->StartWriting(*w->Output(0), t);
        w->StopWriting(e, false);
    }
    // The never-skipping reader gets every sample, so it ends last.
    const bool done = WaitForCount(reads[1], warmUp + measured);
    counting = false;
    ASSERT_TRUE(done);
    EXPECT_EQ(allocations.load(), 0);
    // The count itself works.
    counting = true;
    escaped = new int(1);
    counting = false;
    delete escaped;
    EXPECT_EQ(allocations.load(), 1);
    EXPECT_EQ(reads[5].load(), warmUp + measured);
    for (int k = 0; k < 5; ++k) EXPECT_GT(reads[k].load(), 0) << names[k];
}

}
