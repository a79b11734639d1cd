// Receive and transmit conversions of one sample's worth of messages (256),
// against a plain copy of the same bytes as the baseline.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bus/vt_can_api_wrapper.h"

namespace {

constexpr std::size_t PerSample = 256;

std::vector<VTSCanMessage> Messages()
{
    std::vector<VTSCanMessage> messages(PerSample);
    for (std::size_t i = 0; i < PerSample; ++i) {
        VTSCanMessage& m = messages[i];
        m.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
        m.ui64Timestamp = 1000 * i;
        m.ulCanIdentifier = static_cast<std::uint32_t>(0x100 + i);
        m.tCanIdentifierType = i % 2 ? VTCAN_IDENTIFIER_TYPE_XTD : VTCAN_IDENTIFIER_TYPE_STD;
        m.ulFlags = i % 3 ? 0x200 : 0;
        m.usDLC = static_cast<std::uint16_t>(i % 16);
        for (int b = 0; b < 64; ++b) m.ucData[b] = static_cast<std::uint8_t>(b + i);
    }
    return messages;
}

void BM_PlainCopyBaseline(benchmark::State& state)
{
    const auto messages = Messages();
    std::vector<ORDACANUniFrame> frames(PerSample);
    for (auto _ : state) {
        for (std::size_t i = 0; i < PerSample; ++i) std::memcpy(frames[i].data, messages[i].ucData, 64);
        benchmark::DoNotOptimize(frames.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * PerSample);
}
BENCHMARK(BM_PlainCopyBaseline);

template <class Frame>
void BM_ReceiveConversion(benchmark::State& state)
{
    const auto messages = Messages();
    std::vector<Frame> frames(PerSample);
    for (auto _ : state) {
        for (std::size_t i = 0; i < PerSample; ++i) VtCanApiWrapper::CopyFrameMon(frames[i], messages[i], 0);
        benchmark::DoNotOptimize(frames.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * PerSample);
}
BENCHMARK(BM_ReceiveConversion<ORDACANFrame>);
BENCHMARK(BM_ReceiveConversion<ORDACANFDFrame>);
BENCHMARK(BM_ReceiveConversion<ORDACANUniFrame>);

void BM_TransmitConversion(benchmark::State& state)
{
    std::vector<ORDACANFDFrame> frames(PerSample);
    for (std::size_t i = 0; i < PerSample; ++i) {
        frames[i] = ORDACANFDFrame{};
        frames[i].SetExtendedId(static_cast<std::uint32_t>(i));
        frames[i].SetDataLength(64);
    }
    std::vector<VTSCanMessage> messages(PerSample);
    for (auto _ : state) {
        for (std::size_t i = 0; i < PerSample; ++i) VtCanApiWrapper::CopyFrame(messages[i], frames[i]);
        benchmark::DoNotOptimize(messages.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * PerSample);
}
BENCHMARK(BM_TransmitConversion);

}

BENCHMARK_MAIN();
