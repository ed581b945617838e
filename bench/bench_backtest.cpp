// How quickly a running backtest honours an abort request, against the longest single step of
// the search (Barux of the largest period) measured in the same run; and a market's run with
// worker threads against the same run on one thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include <sys/resource.h>

#include "backtest/backtest_run.h"
#include "backtest/results_table.h"
#include "sampledata/synthetic_bars.h"
#include "trading/bar_loading.h"
#include "trading/fast_search.h"

namespace {

using namespace kiruvan;
using Clock = std::chrono::steady_clock;

// A data folder with 3501-bar symbols and an empty results file, removed at exit.
class BenchFolder {
public:
    explicit BenchFolder(int symbolCount = 1)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiruvan-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
        for (int i = 0; i < symbolCount; ++i) {
            const std::string code = "BENCH" + std::to_string(i);
            appendToSymbolFile(folder(), code, syntheticDailyBars({.seed = 11u + i, .count = 3501}));
            symbols_.push_back({code, code});
        }
        CreateDataset_Trading_system(folder());
    }
    const std::vector<BacktestSymbol>& symbols() const { return symbols_; }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    DataFolder folder() const { return DataFolder(path_.string() + "/"); }

private:
    std::filesystem::path path_;
    std::vector<BacktestSymbol> symbols_;
};

// Each iteration starts a run, lets it search for a while, asks for the abort and times how
// long the run takes to return.
void abortLatency(benchmark::State& state)
{
    BenchFolder data;
    const Market market{1, "Bench"};
    double worst = 0;
    int round = 0;
    for (auto _ : state) {
        std::atomic<bool> abort{false};
        BacktestHooks hooks;
        hooks.abortRequested = [&] { return abort.load(); };
        std::thread run([&] { runBacktest(data.folder(), market, data.symbols(), hooks, backtestThreadCount()); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50 + 37 * (round++ % 7)));
        const auto asked = Clock::now();
        abort = true;
        run.join();
        const double seconds = std::chrono::duration<double>(Clock::now() - asked).count();
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(abortLatency)->UseManualTime()->Iterations(14)->Unit(benchmark::kMillisecond);

// A whole market of four symbols; the argument is the number of threads (0: one per processor).
void marketRun(benchmark::State& state)
{
    BenchFolder data(4);
    const int threads = state.range(0) > 0 ? static_cast<int>(state.range(0)) : backtestThreadCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(runBacktest(data.folder(), {1, "Bench"}, data.symbols(), {}, threads));
    state.counters["threads"] = threads;
}
BENCHMARK(marketRun)->Arg(1)->Arg(0)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A 500-symbol market through the backtest, against the sum of its searches alone (with their
// robustness figures, as the run makes them) measured in the same run, by CPU time; and the
// process's peak memory.
void marketOverhead(benchmark::State& state)
{
    BenchFolder data(500);
    double runCpu = 0;
    for (auto _ : state) {
        const double start = processCpuSeconds();
        benchmark::DoNotOptimize(runBacktest(data.folder(), {1, "Bench"}, data.symbols(), {}, backtestThreadCount()));
        runCpu = processCpuSeconds() - start;
    }
    auto bars = std::make_unique<BarSeries>();
    double searchCpu = 0;
    for (const BacktestSymbol& symbol : data.symbols()) {
        loadSymbolForBacktest(*bars, data.folder(), symbol.code);
        const double start = processCpuSeconds();
        benchmark::DoNotOptimize(searchWithRobustness(*bars, firstBarFor(bars->NBBars), true));
        searchCpu += processCpuSeconds() - start;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["run_cpu_s"] = runCpu;
    state.counters["searches_cpu_s"] = searchCpu;
    state.counters["overhead_pct"] = (runCpu / searchCpu - 1) * 100;          // goal: at most 15
    state.counters["peak_mb"] = static_cast<double>(usage.ru_maxrss) / 1024;  // goal: under 150
}
BENCHMARK(marketOverhead)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void referenceBaruxOfLargestPeriod(benchmark::State& state)
{
    auto bars = std::make_unique<BarSeries>();
    fillBarSeries(*bars, syntheticDailyBars({.seed = 11, .count = 3501}));
    for (auto _ : state) {
        bars->Calcul_Barux(700);
        benchmark::DoNotOptimize(bars->Barux.data());
    }
}
BENCHMARK(referenceBaruxOfLargestPeriod)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
