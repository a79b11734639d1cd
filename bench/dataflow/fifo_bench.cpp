// Hand-off through an output FIFO between a writer and reader threads,
// next to a 16-slot ring guarded by one mutex and condition variable.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "connections.h"
#include "fifo_kernel.h"
#include "orda_input.h"
#include "orda_io_monitor.h"
#include "orda_output.h"
#include "orda_type_codes.h"

namespace {

constexpr int kSamples = 20000;

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

dataflow_test::FifoKernel& Kernel()
{
    static dataflow_test::FifoKernel kernel;
    return kernel;
}

// Blocking read as the runtime's StartReading does it; null once dying.
ORDAFifoSlot* BlockingRead(ORDAIOMonitorImplementation& fifo, int r)
{
    ORDAEvent* events[2] = {};
    ORDAFifoSlot* s = nullptr;
    if (fifo.StartReadingX(r, &events[0], &events[1], &s)) return s;
    for (;;) {
        const int result = ORDAEvent::Wait(2, events, -1);
        if (result != 0) {
            fifo.AbortStartReadingX(r);
            return nullptr;
        }
        if ((s = fifo.AchieveStartReadingX(r, 0, &events[0], &events[1]))) return s;
    }
}

// Per benchmark: samples/s and the latencies of the last iteration, for
// the ratios printed at the end.
struct Result {
    double rate = 0, median = 0, p99 = 0;
};
std::map<std::string, Result> g_results;

void Record(benchmark::State& state, const std::string& name, std::int64_t startNs, std::vector<std::int64_t>* l)
{
    Result& r = g_results[name];
    const double seconds = static_cast<double>(NowNs() - startNs) / 1e9;
    if (seconds > 0) r.rate = static_cast<double>(state.iterations()) * kSamples / seconds;
    if (!l || l->empty()) return;
    std::sort(l->begin(), l->end());
    r.median = static_cast<double>((*l)[l->size() / 2]);
    r.p99 = static_cast<double>((*l)[l->size() * 99 / 100]);
    state.counters["median_ns"] = r.median;
    state.counters["p99_ns"] = r.p99;
}

struct Pipe {
    std::unique_ptr<ORDAOutputImplementation> out;
    std::vector<std::unique_ptr<ORDAInputImplementation>> inputs;
    explicit Pipe(const std::vector<int>& readerTypes)
    {
        Kernel();
        ORDAOutputDefinition d{"o", 0, ORDATypeInfo(ORDA::Integer64), 1, 16, 1, 0};
        out = std::make_unique<ORDAOutputImplementation>(d, nullptr, "W.o", "o");
        out->AllocOutputBuffer(1, true);
        for (int type : readerTypes) {
            ORDAInputDefinition id{"i", 0, nullptr, type, 1};
            inputs.push_back(std::make_unique<ORDAInputImplementation>(id, nullptr, "R.i", "i"));
            ordavix_host::AttachInput(out.get(), inputs.back().get());
        }
    }
    ~Pipe()
    {
        for (auto& i : inputs) ordavix_host::DetachInput(i.get());
    }
    void Write(std::int64_t value)
    {
        ORDAFifoSlot* s = out->monitor->StartWriting(nullptr);
        s->element.timestamp = NowNs();
        *static_cast<std::int64_t*>(s->element.data) = value;
        out->monitor->Publish(s);
    }
};

void BM_FifoHandoff(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    std::vector<std::int64_t> latencies;
    latencies.reserve(kSamples);
    const std::int64_t start = NowNs();
    for (auto _ : state) {
        Pipe pipe({type});
        ORDAIOMonitorImplementation& fifo = *pipe.out->monitor;
        const int r = pipe.inputs[0]->readerIndex;
        latencies.clear();
        std::thread reader([&] {
            for (;;) {
                ORDAFifoSlot* s = BlockingRead(fifo, r);
                if (!s) return;
                latencies.push_back(NowNs() - s->element.timestamp);
                const std::int64_t v = *static_cast<std::int64_t*>(s->element.data);
                fifo.StopReading(r, s);
                if (v == kSamples - 1) return;
            }
        });
        for (int i = 0; i < kSamples; ++i) pipe.Write(i);
        reader.join();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
    Record(state, type == ORDA::FifoReader ? "FifoReader" : "NeverSkippingReader", start, &latencies);
}
BENCHMARK(BM_FifoHandoff)->Arg(ORDA::FifoReader)->Arg(ORDA::NeverSkippingReader)->UseRealTime()->Unit(benchmark::kMillisecond);

// The baseline: a bounded ring of 16 8-byte samples, the writer waiting
// for space like a never-skipping reader makes it.
void BM_MutexRingBaseline(benchmark::State& state)
{
    std::vector<std::int64_t> latencies;
    latencies.reserve(kSamples);
    const std::int64_t start = NowNs();
    for (auto _ : state) {
        std::mutex m;
        std::condition_variable notEmpty;
        std::condition_variable notFull;
        std::int64_t values[16];
        std::int64_t stamps[16];
        int head = 0;
        int count = 0;
        latencies.clear();
        std::thread reader([&] {
            for (;;) {
                std::unique_lock<std::mutex> lock(m);
                notEmpty.wait(lock, [&] { return count > 0; });
                const int tail = (head - count + 16) % 16;
                const std::int64_t v = values[tail];
                latencies.push_back(NowNs() - stamps[tail]);
                --count;
                lock.unlock();
                notFull.notify_one();
                if (v == kSamples - 1) return;
            }
        });
        for (int i = 0; i < kSamples; ++i) {
            std::unique_lock<std::mutex> lock(m);
            notFull.wait(lock, [&] { return count < 16; });
            values[head] = i;
            stamps[head] = NowNs();
            head = (head + 1) % 16;
            ++count;
            lock.unlock();
            notEmpty.notify_one();
        }
        reader.join();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
    Record(state, "baseline", start, &latencies);
}
BENCHMARK(BM_MutexRingBaseline)->UseRealTime()->Unit(benchmark::kMillisecond);

// One writer, eight readers of mixed types; the writer's pace.
void BM_FifoFanOut(benchmark::State& state)
{
    const std::vector<int> types = {ORDA::FifoReader,       ORDA::FifoReader,      ORDA::NeverSkippingReader,
                                    ORDA::NeverSkippingReader, ORDA::LastOrNextReader, ORDA::LastOrNextReader,
                                    ORDA::Wait4NextReader,  ORDA::SamplingReader};
    const std::int64_t start = NowNs();
    for (auto _ : state) {
        Pipe pipe(types);
        ORDAIOMonitorImplementation& fifo = *pipe.out->monitor;
        std::atomic<bool> done{false};
        std::vector<std::thread> readers;
        for (auto& in : pipe.inputs) {
            const int r = in->readerIndex;
            readers.emplace_back([&, r] {
                while (!done.load(std::memory_order_relaxed)) {
                    ORDAFifoSlot* s = BlockingRead(fifo, r);
                    if (!s) return;
                    benchmark::DoNotOptimize(*static_cast<std::int64_t*>(s->element.data));
                    fifo.StopReading(r, s);
                    if (fifo.readerBytes[r] == ORDA::SamplingReader) std::this_thread::yield();
                }
            });
        }
        for (int i = 0; i < kSamples; ++i) pipe.Write(i);
        done = true;
        fifo.dyingEvent->Set();
        for (auto& t : readers) t.join();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
    Record(state, "fan-out", start, nullptr);
}
BENCHMARK(BM_FifoFanOut)->UseRealTime()->Unit(benchmark::kMillisecond);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto base = g_results.find("baseline");
    for (const char* name : {"FifoReader", "NeverSkippingReader"}) {
        const auto r = g_results.find(name);
        if (r == g_results.end() || base == g_results.end() || base->second.rate <= 0) continue;
        const Result& b = base->second;
        std::printf("hand-off %-20s %10.0f samples/s = %.2f x baseline; median %6.0f ns = %.2f x; p99 %7.0f ns = %.2f x\n",
                    name, r->second.rate, r->second.rate / b.rate, r->second.median,
                    b.median > 0 ? r->second.median / b.median : 0.0, r->second.p99,
                    b.p99 > 0 ? r->second.p99 / b.p99 : 0.0);
    }
    if (base != g_results.end())
        std::printf("hand-off %-20s %10.0f samples/s; median %6.0f ns; p99 %7.0f ns\n", "baseline (mutex ring)",
                    base->second.rate, base->second.median, base->second.p99);
    const auto fan = g_results.find("fan-out");
    if (fan != g_results.end())
        std::printf("fan-out  %-20s %10.0f samples/s written\n", "1 writer, 8 readers", fan->second.rate);
    return 0;
}
