// Insert + get throughput of an instance set up as the Ethernet wrapper sets
// it up (fill level 10, depth 1000, one record per insertion, reads into a
// 2 MiB buffer), for unfragmented and fragmented UDP traffic. The baseline
// moves the same records through a std::deque with memcpy; each instance
// benchmark reports its time per record as a multiple of the baseline's
// (counter x_baseline), measured in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <deque>

#include "pretrax.h"
#include "ptx_frames.h"

using namespace ptxtest;

namespace {

constexpr size_t kRecords = 3000;

std::vector<Bytes> Traffic(bool fragmented) {
  std::vector<Bytes> records;
  uint64_t ts = 1000;
  for (uint16_t id = 0; records.size() < kRecords; ++id) {
    if (!fragmented) {
      records.push_back(Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, Pattern(1000, id)))), ts++));
      continue;
    }
    const Bytes datagram = Udp(1, 2, Pattern(2 * 1480 + 600 - 8, id));
    for (size_t k = 0; k < 3; ++k) {
      Ipv4Opts o;
      o.id = id;
      o.offsetBytes = uint32_t(k * 1480);
      o.mf = k < 2;
      const size_t n = k < 2 ? 1480 : 600;
      records.push_back(Record(
          Ethernet(0x0800, Ipv4(o, Bytes(datagram.begin() + k * 1480, datagram.begin() + k * 1480 + n))),
          ts++));
    }
  }
  return records;
}

double g_baselineNs[2] = {0, 0};
Bytes g_out(2 << 20);

void Finish(benchmark::State& state, const std::vector<Bytes>& records, double ns) {
  uint64_t bytes = 0;
  for (const Bytes& r : records) bytes += r.size();
  state.SetItemsProcessed(int64_t(state.iterations() * records.size()));
  state.SetBytesProcessed(int64_t(state.iterations() * bytes));
  state.counters["ns_per_record"] = ns / double(state.iterations() * records.size());
}

void BM_DequeBaseline(benchmark::State& state) {
  const bool fragmented = state.range(0) != 0;
  const std::vector<Bytes> records = Traffic(fragmented);
  double ns = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    std::deque<Bytes> queue;
    size_t written = 0;
    for (const Bytes& r : records) {
      Bytes copy(r.size());
      std::memcpy(copy.data(), r.data(), r.size());
      queue.push_back(std::move(copy));
      while (queue.size() > 10) {
        if (written + queue.front().size() > g_out.size()) written = 0;
        std::memcpy(g_out.data() + written, queue.front().data(), queue.front().size());
        written += queue.front().size();
        queue.pop_front();
      }
    }
    benchmark::DoNotOptimize(g_out.data());
    ns += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
  }
  Finish(state, records, ns);
  g_baselineNs[fragmented] = state.counters["ns_per_record"];
}

void BM_Pretrax(benchmark::State& state) {
  const bool fragmented = state.range(0) != 0;
  const std::vector<Bytes> records = Traffic(fragmented);
  std::vector<Bytes> input = records;  // the library takes non-const buffers
  Bytes eos = EndOfStream();
  double ns = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    PTXHandle h = nullptr;
    PTX_CreateHandle(&h, 10, 1000, PRETRAX_UDP);
    bool end = false;
    uint64_t n = 0;
    for (Bytes& r : input) {
      if (PTX_InsertFrames(h, r.data(), r.size(), &end, &n) != PRETRAX_NO_ERROR)
        state.SkipWithError("insertion failed");
      PTX_GetFrames(h, g_out.data(), g_out.size(), false, &n);
    }
    PTX_InsertFrames(h, eos.data(), eos.size(), &end, &n);
    PTX_GetFrames(h, g_out.data(), g_out.size(), false, &n);
    PTX_DestroyHandle(&h);
    benchmark::DoNotOptimize(g_out.data());
    ns += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
  }
  Finish(state, records, ns);
  if (g_baselineNs[fragmented] > 0)
    state.counters["x_baseline"] = state.counters["ns_per_record"] / g_baselineNs[fragmented];
}

}  // namespace

// The baselines run first so that the ratios can refer to them.
BENCHMARK(BM_DequeBaseline)->ArgName("fragmented")->Arg(0)->Arg(1);
BENCHMARK(BM_Pretrax)->ArgName("fragmented")->Arg(0)->Arg(1);

BENCHMARK_MAIN();
