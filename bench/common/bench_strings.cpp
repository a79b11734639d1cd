// Strings and the string builder against the standard library doing the
// same work in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "orda_regexp.h"
#include "orda_streamed_string.h"
#include "orda_string_hash.h"

namespace {

void BM_StackedStringShort(benchmark::State& state)
{
    for (auto _ : state) {
        ORDAString s("VtCanMonitoring");
        s += ".oCAN";
        benchmark::DoNotOptimize(s.Beginning());
    }
}
BENCHMARK(BM_StackedStringShort);

void BM_StdStringShort(benchmark::State& state)
{
    for (auto _ : state) {
        std::string s("VtCanMonitoring");
        s += ".oCAN";
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_StdStringShort);

void BM_StackedStringAppendBytes(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ORDAString s;
        for (int i = 0; i < n; ++i) s += 'x';
        benchmark::DoNotOptimize(s.Beginning());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StackedStringAppendBytes)->Arg(39)->Arg(1000)->Arg(100000);

void BM_StdStringAppendBytes(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::string s;
        for (int i = 0; i < n; ++i) s += 'x';
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_StdStringAppendBytes)->Arg(39)->Arg(1000)->Arg(100000);

void BM_StreamedMessage(benchmark::State& state)
{
    for (auto _ : state) {
        ORDAStreamedString s;
        s << "Error in VTCAN_Receive (line " << 1234 << "): status " << -17L << ", value " << 0.25;
        benchmark::DoNotOptimize(s.Beginning());
    }
}
BENCHMARK(BM_StreamedMessage);

void BM_SnprintfMessage(benchmark::State& state)
{
    for (auto _ : state) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "Error in VTCAN_Receive (line %d): status %ld, value %.10g", 1234, -17L, 0.25);
        benchmark::DoNotOptimize(buf);
    }
}
BENCHMARK(BM_SnprintfMessage);

void BM_SplitEnumeration(benchmark::State& state)
{
    ORDAString values("Event based|Polling|Mixed|Other|Last one");
    for (auto _ : state) {
        ORDAArray<ORDAString> parts = values.Split('|');
        benchmark::DoNotOptimize(parts.data);
    }
}
BENCHMARK(BM_SplitEnumeration);

void BM_RegExpElementName(benchmark::State& state)
{
    ORDARegExp re("^[a-zA-Z][a-zA-Z_0-9]*$", 0);
    for (auto _ : state) benchmark::DoNotOptimize(re.exec("sampling_period", 15));
}
BENCHMARK(BM_RegExpElementName);

void BM_StringHash(benchmark::State& state)
{
    ORDAStringHashFunction f;
    ORDAString s("VtEthInject.replay_start_time_input");
    for (auto _ : state) benchmark::DoNotOptimize(f(s));
}
BENCHMARK(BM_StringHash);

void BM_StdHash(benchmark::State& state)
{
    std::string s("VtEthInject.replay_start_time_input");
    std::hash<std::string> f;
    for (auto _ : state) benchmark::DoNotOptimize(f(s));
}
BENCHMARK(BM_StdHash);

} // namespace

BENCHMARK_MAIN();
