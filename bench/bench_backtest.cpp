// How quickly a running backtest honours an abort request, against the longest single step of
// the search (Barux of the largest period) measured in the same run.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "backtest/backtest_run.h"
#include "backtest/results_table.h"
#include "trading/bar_loading.h"
#include "trading/synthetic_bars.h"

namespace {

using namespace kiruvan;
using Clock = std::chrono::steady_clock;

// A data folder with one 3501-bar symbol and an empty results file, removed at exit.
class BenchFolder {
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiruvan-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
        appendToSymbolFile(folder(), "BENCH", syntheticDailyBars({.seed = 11, .count = 3501}));
        CreateDataset_Trading_system(folder());
    }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    DataFolder folder() const { return DataFolder(path_.string() + "/"); }

private:
    std::filesystem::path path_;
};

// Each iteration starts a run, lets it search for a while, asks for the abort and times how
// long the run takes to return.
void abortLatency(benchmark::State& state)
{
    BenchFolder data;
    const BacktestMarket market{1, "Bench"};
    const std::vector<BacktestSymbol> symbols{{"BENCH", "Bench"}};
    double worst = 0;
    int round = 0;
    for (auto _ : state) {
        std::atomic<bool> abort{false};
        BacktestHooks hooks;
        hooks.abortRequested = [&] { return abort.load(); };
        std::thread run([&] { runBacktest(data.folder(), market, symbols, hooks); });
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
