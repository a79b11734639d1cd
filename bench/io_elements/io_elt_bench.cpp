// Typed access at check levels 0 and 1 against a raw pointer loop, and a
// serialise/deserialise round trip against two plain copies.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "orda_io_elt.h"
#include "ordavix_host.h"

namespace {

constexpr int Items = 4096;

struct Setup {
    Setup()
    {
        engine.SetQuiet(true);
        element.type.value = ORDA::VectorFlag | ORDA::Float64;
        element.bufferSize = element.vectorSize = Items;
        element.data = values.data();
        for (int i = 0; i < Items; ++i) values[i] = i * 0.5;
    }
    ordavix_host::Engine engine;
    std::vector<double> values = std::vector<double>(Items);
    ORDAIOEltImplementation element;
};

Setup& Shared()
{
    static Setup s;
    return s;
}

void BM_RawPointer(benchmark::State& state)
{
    Setup& s = Shared();
    const double* p = s.values.data();
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < Items; ++i) sum += p[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * Items);
}

void BM_Float64Accessor(benchmark::State& state)
{
    Setup& s = Shared();
    s.engine.SetCheckLevel(static_cast<int>(state.range(0)));
    ORDAIOElt& e = s.element;
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < Items; ++i) sum += e.Float64(i);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * Items);
}

void BM_TwoCopies(benchmark::State& state)
{
    Setup& s = Shared();
    std::vector<unsigned char> block(68 + Items * 8);
    std::vector<double> out(Items);
    for (auto _ : state) {
        std::memcpy(block.data() + 68, s.values.data(), Items * 8);
        std::memcpy(out.data(), block.data() + 68, Items * 8);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * Items * 8);
}

void BM_SerializeRoundTrip(benchmark::State& state)
{
    Setup& s = Shared();
    std::vector<unsigned char> block(s.element.Serialize(nullptr, 0));
    std::vector<double> out(Items);
    ORDAIOEltImplementation target;
    target.type.value = ORDA::Float64;
    target.bufferSize = Items;
    target.data = out.data();
    for (auto _ : state) {
        s.element.Serialize(block.data(), static_cast<unsigned>(block.size()));
        target.Deserialize(block.data(), false);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * Items * 8);
}

}

BENCHMARK(BM_RawPointer);
BENCHMARK(BM_Float64Accessor)->Arg(0)->Arg(1);
BENCHMARK(BM_TwoCopies);
BENCHMARK(BM_SerializeRoundTrip);
BENCHMARK_MAIN();
