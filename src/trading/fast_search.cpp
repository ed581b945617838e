#include "trading/fast_search.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <thread>
#include <vector>

#include "trading/search_kernels.h"
#include "trading/trading_system.h"

namespace kiruvan {
namespace {

const SearchKernels& kernelsOf(SearchKernelPath path)
{
    switch (path) {
    case SearchKernelPath::Avx512:
        return avx512SearchKernels();
    case SearchKernelPath::Avx2:
        return avx2SearchKernels();
    default:
        return plainSearchKernels();
    }
}

// The path KIRUVAN_SEARCH_KERNEL names, read once; Fastest when unset or unknown.
SearchKernelPath pathFromEnvironment()
{
    static const SearchKernelPath path = [] {
        const char* name = std::getenv("KIRUVAN_SEARCH_KERNEL");
        for (const SearchKernelPath p : kSearchKernelPaths)
            if (name && std::string_view(name) == kernelsOf(p).name)
                return p;
        return SearchKernelPath::Fastest;
    }();
    return path;
}

// The widest path at or below the one asked for that the processor runs.
const SearchKernels& searchKernels(SearchKernelPath path)
{
    if (path == SearchKernelPath::Fastest)
        path = pathFromEnvironment();
    if (path == SearchKernelPath::Fastest)
        path = SearchKernelPath::Avx512;
    while (!searchKernelPathSupported(path))
        path = static_cast<SearchKernelPath>(static_cast<int>(path) - 1);
    return kernelsOf(path);
}

// One Opt1 value of the grid with its Opt2 values and the place of its first pair.
struct Opt1Block {
    int Opt1 = 0;
    std::vector<int> Opt2;
    int firstPair = 0;
};

const std::vector<Opt1Block>& opt1Blocks()
{
    static const std::vector<Opt1Block> blocks = [] {
        std::vector<Opt1Block> all;
        int pairs = 0;
        for (const int Opt1 : opt1Values()) {
            all.push_back({Opt1, opt2Values(Opt1), pairs});
            pairs += static_cast<int>(all.back().Opt2.size());
        }
        return all;
    }();
    return blocks;
}

std::vector<double> paddedCopy(const std::vector<double>& series, int last)
{
    std::vector<double> copy(series.begin(), series.begin() + last + 1);
    copy.resize(copy.size() + kMostBaruxLanes, 0.0);
    return copy;
}

bool noNaN(const std::vector<double>& values)
{
    return std::none_of(values.begin(), values.end(), [](double v) { return std::isnan(v); });
}

// What one thread needs to score Opt1 values: its own copies of the prices, padded for the
// lanes that run past the last bar, and its own Barux.
class SearchWorker {
public:
    SearchWorker(const BarSeries& bars, int First_Bar, const SearchKernels& kernels)
        : kernels_(kernels),
          First_Bar_(First_Bar),
          last_(bars.NBBars),
          high_(paddedCopy(bars.High, last_)),
          low_(paddedCopy(bars.Low, last_)),
          close_(paddedCopy(bars.Close, last_)),
          barux_(std::max(last_, opt1Values().back()) + 1 + kMostBaruxLanes, 0.0),
          pricesFinite_(noNaN(high_) && noNaN(low_) && noNaN(close_))
    {
    }

    // The bar series' Barux of period N computed on the kernels: the same values in the same
    // places, the zeros below N included.
    void storeBarux(int N, BarSeries& bars)
    {
        computeBarux(N);
        const int end = std::min(std::max(last_ + 1, N), static_cast<int>(bars.Barux.size()));
        std::copy(barux_.begin() + 1, barux_.begin() + end, bars.Barux.begin() + 1);
    }

    // With curves, also keeps each pair's compounded curve at the curves' checkpoints.
    void score(const Opt1Block& block, double* scores, PairCurves* curves)
    {
        computeBarux(block.Opt1);
        const int count = static_cast<int>(block.Opt2.size());
        const CurveCheckpoints checkpoints = curveCheckpoints(curves);
        const int pairLanes = kernels_.pairLanes;
        for (int k = 0; k < count; k += pairLanes) {
            int periods[kMostPairLanes];
            double laneScores[kMostPairLanes];
            // Lanes past the last Opt2 value count on from it, so that a pass of consecutive
            // periods stays consecutive, and are dropped.
            for (int l = 0; l < pairLanes; ++l)
                periods[l] = k + l < count ? block.Opt2[k + l] : block.Opt2[count - 1] + (k + l - (count - 1));
            kernels_.pairScores(barux_.data(), close_.data(), periods, First_Bar_, last_, laneScores, checkpoints);
            const int lanes = std::min(pairLanes, count - k);
            std::copy_n(laneScores, lanes, scores + k);
            if (curves)
                keepCurves(*curves, block.firstPair + k, lanes);
        }
    }

private:
    CurveCheckpoints curveCheckpoints(const PairCurves* curves)
    {
        if (!curves)
            return {};
        checkpointBars_ = curves->checkpoints();
        checkpointBars_.push_back(std::numeric_limits<int>::max());
        laneCurves_.assign(curves->checkpoints().size() * kernels_.pairLanes, 0.0);
        return {checkpointBars_.data(), laneCurves_.data()};
    }

    void keepCurves(PairCurves& curves, int firstPair, int lanes) const
    {
        const std::size_t points = curves.checkpoints().size();
        for (int l = 0; l < lanes; ++l) {
            double* out = curves.pairValues(firstPair + l);
            for (std::size_t c = 0; c < points; ++c)
                out[c] = laneCurves_[c * kernels_.pairLanes + l];
        }
    }

    void computeBarux(int N)
    {
        std::fill(barux_.begin(), barux_.begin() + N, 0.0);
        const auto barux = pricesFinite_ ? kernels_.baruxFinite : kernels_.barux;
        barux({high_.data(), low_.data(), close_.data(), last_}, N, barux_.data());
    }

    const SearchKernels& kernels_;
    const int First_Bar_;
    const int last_;
    const std::vector<double> high_, low_, close_;
    std::vector<double> barux_;
    const bool pricesFinite_;
    std::vector<int> checkpointBars_;
    std::vector<double> laneCurves_;
};

// The Opt1 values are handed out one at a time, so that threads finishing early take more.
class SharedGrid {
public:
    SharedGrid() : scores_(kPairCount) {}

    void work(SearchWorker& worker, PairCurves* curves, const SearchHook& progress = {})
    {
        const auto& blocks = opt1Blocks();
        while (!stop_.load()) {
            if (progress
                && !progress(SearchProgress{.pairIndex = pairsDone_.load(), .pairCount = kPairCount, .pair = {}})) {
                stop_ = true;
                break;
            }
            const std::size_t next = nextBlock_.fetch_add(1);
            if (next >= blocks.size())
                break;
            worker.score(blocks[next], scores_.data() + blocks[next].firstPair, curves);
            pairsDone_.fetch_add(static_cast<int>(blocks[next].Opt2.size()));
        }
    }

    bool stopped() const { return stop_.load(); }
    const std::vector<double>& scores() const { return scores_; }

    // The first pair in search order whose score beats every score before it; -1 when none
    // beats the score before the search.
    int bestPair(double scoreBeforeSearch) const
    {
        int best = -1;
        double bestScore = scoreBeforeSearch;
        for (int i = 0; i < kPairCount; ++i) {
            if (scores_[i] > bestScore) {
                bestScore = scores_[i];
                best = i;
            }
        }
        return best;
    }

private:
    std::vector<double> scores_;
    std::atomic<std::size_t> nextBlock_{0};
    std::atomic<int> pairsDone_{0};
    std::atomic<bool> stop_{false};
};

// Scores every pair of the grid into `grid` on the options' threads.
void scoreGrid(SharedGrid& grid, const BarSeries& bars, int First_Bar, const FastSearchOptions& options,
               const SearchHook& progress, PairCurves* curves)
{
    requireEvaluationWindow(bars, First_Bar);
    const SearchKernels& kernels = searchKernels(options.kernels);
    std::vector<SearchWorker> workers;
    for (int t = 0; t < std::max(1, options.threads); ++t)
        workers.emplace_back(bars, First_Bar, kernels);
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < workers.size(); ++t)
        helpers.emplace_back([&grid, &worker = workers[t], curves] { grid.work(worker, curves); });
    grid.work(workers.front(), curves, progress);
}

}  // namespace

bool searchKernelPathSupported(SearchKernelPath path)
{
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    static const bool hasAvx512 = __builtin_cpu_supports("avx512f");
    switch (path) {
    case SearchKernelPath::Avx512:
        return hasAvx512;
    case SearchKernelPath::Avx2:
        return hasAvx2;
    default:
        return true;
    }
}

const char* searchKernelName(SearchKernelPath path)
{
    return searchKernels(path).name;
}

std::vector<double> fastPairScores(const BarSeries& bars, int First_Bar, const FastSearchOptions& options)
{
    SharedGrid grid;
    scoreGrid(grid, bars, First_Bar, options, {}, nullptr);
    return grid.scores();
}

std::optional<SearchResult> fastParameterSearch(BarSeries& bars, int First_Bar, const FastSearchOptions& options,
                                                const SearchHook& progress, PairCurves* curves)
{
    SharedGrid grid;
    scoreGrid(grid, bars, First_Bar, options, progress, curves);
    if (grid.stopped())
        return std::nullopt;
    SearchResult best = resultBeforeSearch(bars, First_Bar);
    const int pair = grid.bestPair(best.score);
    if (pair < 0)
        return best;
    const ParameterPair bestPair = parameterGrid()[pair];
    SearchWorker(bars, First_Bar, searchKernels(options.kernels)).storeBarux(bestPair.Opt1, bars);
    return evaluateParameterPairOnBarux(bars, bestPair, First_Bar);
}

std::optional<SearchOutcome> searchWithRobustness(BarSeries& bars, int First_Bar, bool withFigures,
                                                  const FastSearchOptions& options, const SearchHook& progress)
{
    if (!withFigures) {
        std::optional<SearchResult> best = fastParameterSearch(bars, First_Bar, options, progress);
        return best ? std::optional<SearchOutcome>({std::move(*best), std::nullopt}) : std::nullopt;
    }
    const RobustnessWindow window = RobustnessWindow::of(First_Bar, bars.NBBars);
    const std::vector<ParameterPair> pairs = parameterGrid();
    PairCurves curves(window.checkpoints(), static_cast<int>(pairs.size()));
    std::optional<SearchResult> best = fastParameterSearch(bars, First_Bar, options, progress, &curves);
    if (!best)
        return std::nullopt;
    // The progress hook may stop the count too: the pairs are all done by then.
    SearchProgress done;
    done.pairIndex = static_cast<int>(pairs.size());
    const auto keepGoing = [&] { return !progress || progress(done); };
    std::optional<RobustnessFigures> figures = robustnessFigures(bars, window, pairs, curves, keepGoing);
    if (!figures)
        return std::nullopt;
    return SearchOutcome{std::move(*best), std::move(*figures)};
}

}  // namespace kiruvan
