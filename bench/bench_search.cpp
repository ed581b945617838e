// The fast parameter search against the reference search, measured in the same run: one
// symbol on one and two threads, on each kernel path the processor runs, and a market of four
// symbols on two threads; and the cost of the robustness figures over the search alone. Prints
// the ratios of the medians by CPU time and by wall time, and how close each path comes to the
// least time the search's operations take at this machine's measured vector rates.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "machine_floor.h"
#include "sampledata/synthetic_bars.h"
#include "trading/fast_search.h"

namespace {

using namespace kiruvan;

constexpr int kFirstBar = 2251;  // the backtest's first bar for a full 3501-bar load
constexpr int kMarketSymbols = 4;
constexpr int kMarketThreads = 2;

BarSeries syntheticSymbol(std::uint64_t seed)
{
    BarSeries bars;
    fillBarSeries(bars, syntheticDailyBars({.seed = seed, .count = 3501}));
    return bars;
}

void searchReference(benchmark::State& state)
{
    BarSeries bars = syntheticSymbol(7);
    for (auto _ : state)
        benchmark::DoNotOptimize(Trading_system2_OPT(bars, kFirstBar));
}

void searchFast(benchmark::State& state, FastSearchOptions options)
{
    BarSeries bars = syntheticSymbol(7);
    for (auto _ : state)
        benchmark::DoNotOptimize(fastParameterSearch(bars, kFirstBar, options));
}

void searchFigures(benchmark::State& state, bool withFigures)
{
    BarSeries bars = syntheticSymbol(7);
    for (auto _ : state)
        benchmark::DoNotOptimize(searchWithRobustness(bars, kFirstBar, withFigures));
}

// Symbols are taken one at a time by each thread, as a backtest's workers take them.
template <typename Search>
void searchMarket(benchmark::State& state, int threads, Search search)
{
    std::vector<BarSeries> market;
    for (int s = 0; s < kMarketSymbols; ++s)
        market.push_back(syntheticSymbol(100 + s));
    for (auto _ : state) {
        std::atomic<int> next{0};
        const auto work = [&] {
            for (int s = next++; s < kMarketSymbols; s = next++)
                benchmark::DoNotOptimize(search(market[s]));
        };
        std::vector<std::jthread> helpers;
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(work);
        work();
    }
}

void marketReference(benchmark::State& state)
{
    searchMarket(state, 1, [](BarSeries& bars) { return Trading_system2_OPT(bars, kFirstBar); });
}

void marketFast(benchmark::State& state)
{
    searchMarket(state, kMarketThreads, [](BarSeries& bars) { return fastParameterSearch(bars, kFirstBar); });
}

void configure(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
}

BENCHMARK(searchReference)->Apply(configure)->Iterations(2);
BENCHMARK_CAPTURE(searchFast, oneThread, FastSearchOptions{.threads = 1})->Apply(configure)->Iterations(10);
BENCHMARK_CAPTURE(searchFast, twoThreads, FastSearchOptions{.threads = 2})->Apply(configure)->Iterations(10);
BENCHMARK_CAPTURE(searchFast, plainKernels, FastSearchOptions{.kernels = SearchKernelPath::Plain})
    ->Apply(configure)
    ->Iterations(5);
BENCHMARK_CAPTURE(searchFast, avx2Kernels, FastSearchOptions{.kernels = SearchKernelPath::Avx2})
    ->Apply(configure)
    ->Iterations(10);
BENCHMARK_CAPTURE(searchFast, avx512Kernels, FastSearchOptions{.kernels = SearchKernelPath::Avx512})
    ->Apply(configure)
    ->Iterations(10);
BENCHMARK_CAPTURE(searchFigures, searchAlone, false)->Apply(configure)->Iterations(10);
BENCHMARK_CAPTURE(searchFigures, withRobustness, true)->Apply(configure)->Iterations(10);
BENCHMARK(marketReference)->Apply(configure)->Iterations(1);
BENCHMARK(marketFast)->Apply(configure)->Iterations(3);

// Keeps the medians for the ratios printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                medians_[run.run_name.function_name + run.run_name.args] = run;
    }

    void printRatio(const char* what, const std::string& reference, const std::string& measured, double goal)
    {
        if (!medians_.count(reference) || !medians_.count(measured))
            return;
        const Run& r = medians_[reference];
        const Run& m = medians_[measured];
        std::printf("%-44s cpu %6.2fx  wall %6.2fx  (goal %.1fx)\n", what,
                    r.GetAdjustedCPUTime() / m.GetAdjustedCPUTime(), r.GetAdjustedRealTime() / m.GetAdjustedRealTime(),
                    goal);
    }

    // The inverse ratio: what an addition costs over the work it is added to.
    void printCost(const char* what, const std::string& without, const std::string& with, double bound)
    {
        if (!medians_.count(without) || !medians_.count(with))
            return;
        const Run& w = medians_[without];
        const Run& a = medians_[with];
        std::printf("%-44s cpu %6.2fx  wall %6.2fx  (at most %.1fx)\n", what,
                    a.GetAdjustedCPUTime() / w.GetAdjustedCPUTime(), a.GetAdjustedRealTime() / w.GetAdjustedRealTime(),
                    bound);
    }

    // The share of the machine's floor a run reaches: floor time over its CPU time, or over its
    // wall time for work spread over several processors.
    void printFloorShare(const char* what, const std::string& measured, double floorMs, bool wall = false)
    {
        if (!medians_.count(measured))
            return;
        const Run& run = medians_[measured];
        const double ms = wall ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        std::printf("%-44s %s %6.1f ms  floor %5.1f ms  %5.1f %% of the floor\n", what, wall ? "wall" : "cpu ", ms,
                    floorMs, 100 * floorMs / ms);
    }

private:
    std::map<std::string, Run> medians_;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios of medians, reference / fast:\n");
    reporter.printRatio("one symbol, one thread", "searchReference", "searchFast/oneThread", 6);
    reporter.printRatio("one symbol, two threads vs one thread", "searchFast/oneThread", "searchFast/twoThreads", 1.8);
    reporter.printRatio("one symbol, plain kernels", "searchReference", "searchFast/plainKernels", 0);
    reporter.printRatio("one symbol, AVX2 kernels", "searchReference", "searchFast/avx2Kernels", 0);
    reporter.printRatio("one symbol, AVX-512 kernels", "searchReference", "searchFast/avx512Kernels", 9);
    reporter.printRatio("four symbols on two threads", "marketReference", "marketFast", 10);
    reporter.printCost("search with robustness figures / alone", "searchFigures/searchAlone",
                       "searchFigures/withRobustness", 2);
    const bench::VectorRates rates = bench::measureVectorRates();
    const bench::SearchOperations ops = bench::searchOperations(syntheticSymbol(7).NBBars, kFirstBar);
    const double floorMs = 1e3 * bench::floorSeconds(ops, rates);
    std::printf("\nFloor of the search (%s: %.2g adds/s, %.2g divides/s; per symbol %.3g Barux, %.3g average and "
                "%.3g scoring steps), one symbol on one thread unless named:\n",
                rates.unit, rates.addsPerSecond, rates.dividesPerSecond, ops.baruxSteps, ops.advanceSteps,
                ops.scoreSteps);
    for (const char* path : {"oneThread", "avx2Kernels", "avx512Kernels"})
        reporter.printFloorShare(path, std::string("searchFast/") + path, floorMs);
    // The market's symbols have the same length: its floor is theirs shared by the threads, each
    // on a processor of its own at the rates measured on one.
    reporter.printFloorShare("four symbols on two threads", "marketFast", floorMs * kMarketSymbols / kMarketThreads,
                             true);
    benchmark::Shutdown();
}
