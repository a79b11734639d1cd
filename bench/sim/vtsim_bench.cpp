// Frames per second from a transmitting CAN channel to a receiving one of
// the same simulated bus, against a plain mutex-guarded deque hand-off.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "vtbusapi.h"
#include "vtsim_controls.h"

namespace {

VTTCanHandle Open(const char* id) {
  const VTSCanChannelsSearchAttribute attr{VTCAN_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS, "127.0.0.1"};
  uint32_t count = 16;
  VTSCanChannelInfo list[16];
  VTCAN_GetAvailableChannels(&count, list, 1, &attr);
  for (uint32_t i = 0; i < count; ++i) {
    if (std::strcmp(list[i].szChannelIdentifier, id) != 0) continue;
    VTTCanHandle h = VTCAN_INVALID_HANDLE;
    bool access = false;
    if (VTCAN_RegisterChannel(list[i].szVendorName, list[i].szInterfaceName, list[i].szInterfaceSerialNumber, id,
                              &h) == 0 &&
        VTCAN_InitChannel(h, VTCAN_IDENTIFIER_TYPE_STD_XTD, 32768, false, &access) == 0 &&
        VTCAN_ActivateChannel(h) == 0)
      return h;
  }
  return VTCAN_INVALID_HANDLE;
}

std::vector<VTSCanMessage> Batch(std::size_t n) {
  std::vector<VTSCanMessage> batch(n);
  for (std::size_t i = 0; i < n; ++i) {
    batch[i].tMessageType = VTCAN_MESSAGE_TYPE_DATA;
    batch[i].tCanIdentifierType = VTCAN_IDENTIFIER_TYPE_STD;
    batch[i].ulCanIdentifier = static_cast<uint32_t>(i & 0x7FF);
    batch[i].usDLC = 8;
  }
  return batch;
}

void BM_SimulatedBus(benchmark::State& state) {
  VTSIM_CanReset();
  const VTTCanHandle tx = Open("CAN1");
  const VTTCanHandle rx = Open("CAN2");
  if (tx == VTCAN_INVALID_HANDLE || rx == VTCAN_INVALID_HANDLE) {
    state.SkipWithError("cannot open the channels");
    return;
  }
  const auto batch = Batch(static_cast<std::size_t>(state.range(0)));
  std::vector<VTSCanMessage> out(batch.size());
  for (auto _ : state) {
    VTCAN_TransmitMessages(tx, static_cast<uint32_t>(batch.size()), batch.data());
    uint32_t count = static_cast<uint32_t>(out.size());
    VTCAN_ReadReceiveQueue(rx, &count, out.data());
    if (count != batch.size()) state.SkipWithError("frames lost");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  VTSIM_CanReset();
}

void BM_DequeBaseline(benchmark::State& state) {
  std::mutex mutex;
  std::deque<VTSCanMessage> queue;
  const auto batch = Batch(static_cast<std::size_t>(state.range(0)));
  std::vector<VTSCanMessage> out(batch.size());
  for (auto _ : state) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      for (const auto& m : batch) queue.push_back(m);
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      std::size_t n = 0;
      while (!queue.empty() && n < out.size()) {
        out[n++] = queue.front();
        queue.pop_front();
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_SimulatedBus)->Arg(1)->Arg(256);
BENCHMARK(BM_DequeBaseline)->Arg(1)->Arg(256);

// Keeps the frames/s of every run to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      auto it = run.counters.find("items_per_second");
      if (it != run.counters.end()) rates[run.benchmark_name()] = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* arg : {"1", "256"}) {
    const auto sim = reporter.rates.find(std::string("BM_SimulatedBus/") + arg);
    const auto base = reporter.rates.find(std::string("BM_DequeBaseline/") + arg);
    if (sim == reporter.rates.end() || base == reporter.rates.end() || base->second == 0) continue;
    std::printf("batch %s: simulated bus %.0f frames/s, deque hand-off %.0f frames/s, ratio %.3f (target >= 200000 frames/s: %s)\n",
                arg, sim->second, base->second, sim->second / base->second, sim->second >= 200000 ? "met" : "missed");
  }
  benchmark::Shutdown();
  return 0;
}
