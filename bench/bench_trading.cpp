// One full parameter search over a 3501-bar synthetic symbol, and its two inner costs.
#include <benchmark/benchmark.h>

#include "sampledata/synthetic_bars.h"
#include "trading/parameter_search.h"
#include "trading/trading_system.h"

namespace {

using namespace kiruvan;

constexpr int kFirstBar = 2251;  // the backtest's first bar for a full 3501-bar load

BarSeries syntheticSymbol()
{
    BarSeries bars;
    fillBarSeries(bars, syntheticDailyBars({.seed = 7, .count = 3501}));
    return bars;
}

void referenceSearch(benchmark::State& state)
{
    BarSeries bars = syntheticSymbol();
    for (auto _ : state) {
        auto result = Trading_system2_OPT(bars, kFirstBar);
        benchmark::DoNotOptimize(result);
    }
    state.counters["pairs_per_second"] =
        benchmark::Counter(static_cast<double>(kPairCount) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(referenceSearch)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void baruxOfLongestPeriod(benchmark::State& state)
{
    BarSeries bars = syntheticSymbol();
    for (auto _ : state) {
        bars.Calcul_Barux(700);
        benchmark::DoNotOptimize(bars.Barux.data());
    }
}
BENCHMARK(baruxOfLongestPeriod)->Unit(benchmark::kMillisecond);

void onePairEvaluation(benchmark::State& state)
{
    BarSeries bars = syntheticSymbol();
    bars.Calcul_Barux(200);
    for (auto _ : state)
        benchmark::DoNotOptimize(evaluatePair(bars, 100, kFirstBar));
}
BENCHMARK(onePairEvaluation)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
