// Wake-up latency: the time from Set in one thread until the wait returns in
// another, for ORDAEvent::Wait and the module's Wait4Event, next to a raw
// pthread condition variable in the same run.
#include <benchmark/benchmark.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "orda_event.h"
#include "orda_module.h"
#include "orda_private.h"
#include "ordavix_host.h"

namespace {

long long NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Raw baseline: flag, mutex, condition variable on the monotonic clock.
class RawEvent {
public:
    RawEvent()
    {
        pthread_mutex_init(&m_mutex, nullptr);
        pthread_condattr_t attr;
        pthread_condattr_init(&attr);
        pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
        pthread_cond_init(&m_cond, &attr);
        pthread_condattr_destroy(&attr);
    }
    ~RawEvent()
    {
        pthread_cond_destroy(&m_cond);
        pthread_mutex_destroy(&m_mutex);
    }
    void Set()
    {
        pthread_mutex_lock(&m_mutex);
        m_state = true;
        pthread_cond_broadcast(&m_cond);
        pthread_mutex_unlock(&m_mutex);
    }
    void Reset()
    {
        pthread_mutex_lock(&m_mutex);
        m_state = false;
        pthread_mutex_unlock(&m_mutex);
    }
    void Wait()
    {
        pthread_mutex_lock(&m_mutex);
        while (!m_state) pthread_cond_wait(&m_cond, &m_mutex);
        pthread_mutex_unlock(&m_mutex);
    }

private:
    pthread_mutex_t m_mutex;
    pthread_cond_t m_cond;
    bool m_state = false;
};

std::map<std::string, double> g_medians;

// One round: the main thread stamps and sets `go`; the waiter returns from
// its wait, stamps, resets and acknowledges through the same primitive.
template <typename Go, typename Ack, typename WaitGo>
void RunPingPong(benchmark::State& state, const std::string& name, Go& go, Ack& ack, WaitGo waitGo)
{
    std::atomic<long long> setAt{0};
    std::atomic<bool> stop{false};
    std::vector<long long> latencies;
    latencies.reserve(1 << 16);
    std::atomic<long long> lastLatency{0};
    std::thread waiter([&] {
        for (;;) {
            waitGo();
            const long long woke = NowNs();
            go.Reset();
            if (stop.load()) {
                ack.Set();
                return;
            }
            lastLatency = woke - setAt.load();
            ack.Set();
        }
    });
    for (auto _ : state) {
        setAt = NowNs();
        go.Set();
        ack.Wait();
        ack.Reset();
        latencies.push_back(lastLatency.load());
    }
    stop = true;
    go.Set();
    waiter.join();
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) return;
    const double median = static_cast<double>(latencies[latencies.size() / 2]);
    const double p99 = static_cast<double>(latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)]);
    state.counters["median_ns"] = median;
    state.counters["p99_ns"] = p99;
    g_medians[name] = median;
}

// ORDAEvent::Wait(-1) ack, for the ORDA variants.
struct OrdaAck {
    ORDAEvent event;
    void Set() { event.Set(); }
    void Reset() { event.Reset(); }
    void Wait() { event.Wait(-1); }
};

void BM_RawCondvar(benchmark::State& state)
{
    RawEvent go, ack;
    RunPingPong(state, "raw", go, ack, [&] { go.Wait(); });
}

void BM_OrdaEventWait(benchmark::State& state)
{
    ORDAEvent go;
    OrdaAck ack;
    RunPingPong(state, "ORDAEvent::Wait", go, ack, [&] { go.Wait(-1); });
}

struct BoundEngine {
    BoundEngine()
    {
        engine.SetQuiet(true);
        ORDAPrivate::kernel = &engine;
        module = std::make_unique<ORDAModule>("Bench", false, false);
    }
    ~BoundEngine()
    {
        module.reset();
        ORDAPrivate::kernel = nullptr;
    }
    ordavix_host::Engine engine;
    std::unique_ptr<ORDAModule> module;
};

void BM_Wait4Event(benchmark::State& state)
{
    BoundEngine bound;
    ORDAEvent go;
    OrdaAck ack;
    RunPingPong(state, "Wait4Event", go, ack, [&] { bound.module->Wait4Event(go, ORDA::Infinite); });
}

void BM_Wait4EventTimed(benchmark::State& state)
{
    BoundEngine bound;
    ORDAEvent go;
    OrdaAck ack;
    RunPingPong(state, "Wait4Event timed", go, ack, [&] { bound.module->Wait4Event(go, 60000000); });
}

}

BENCHMARK(BM_RawCondvar)->UseRealTime();
BENCHMARK(BM_OrdaEventWait)->UseRealTime();
BENCHMARK(BM_Wait4Event)->UseRealTime();
BENCHMARK(BM_Wait4EventTimed)->UseRealTime();

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto raw = g_medians.find("raw");
    if (raw != g_medians.end() && raw->second > 0) {
        for (const auto& [name, median] : g_medians) {
            if (name == "raw") continue;
            std::printf("median wake-up %-18s %8.0f ns = %.2f x raw condvar (%.0f ns)\n", name.c_str(), median,
                        median / raw->second, raw->second);
        }
    }
    return 0;
}
