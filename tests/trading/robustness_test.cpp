#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>

#include "generated_series.h"
#include "trading/fast_search.h"
#include "trading/overfitting_pass.h"
#include "trading/robustness.h"

namespace kiruvan {
namespace {

using Values = std::vector<std::vector<std::int64_t>>;
constexpr std::int64_t kLimit = std::int64_t{1} << 50;

TEST(Robustness, BlockValueIsTheScaledLogOrTheFloor)
{
    const struct {
        double start, end;
        std::int64_t expected;
    } cases[] = {
        {100, 100, 0},
        {100, 200, 2977044472},  // 2^32 ln 2
        {200, 100, -2977044472},
        {0, 100, -kLimit},
        {100, 0, -kLimit},
        {100, -50, -kLimit},       // a negative curve has no log
        {1e-300, 1e300, -kLimit},  // the ratio overflows
    };
    for (const auto& c : cases)
        EXPECT_EQ(blockValue(c.start, c.end), c.expected) << c.start << " -> " << c.end;
}

TEST(Robustness, OverfittingOfTwoBlocksWorkedByHand)
{
    // Each pair is best on one block and worst on the other: both splits overfit.
    EXPECT_EQ(probabilityOfOverfitting(Values{{10, 0}, {0, 10}}), 100);
    // The first pair is best on both blocks: no split overfits.
    EXPECT_EQ(probabilityOfOverfitting(Values{{10, 0}, {10, 0}}), 0);
    // All pairs tie: every split counts as overfit.
    EXPECT_EQ(probabilityOfOverfitting(Values{{0, 0, 0}, {0, 0, 0}}), 100);
}

// Every split summed from scratch, as the definition reads.
double bruteForceOverfitting(const Values& values)
{
    const int blocks = static_cast<int>(values.size());
    const int pairs = static_cast<int>(values.front().size());
    int sets = 0, overfit = 0;
    for (std::uint32_t mask = 0; mask < (1u << blocks); ++mask) {
        if (std::popcount(mask) != blocks / 2)
            continue;
        ++sets;
        std::vector<std::int64_t> in(pairs, 0), out(pairs, 0);
        for (int p = 0; p < pairs; ++p)
            for (int b = 0; b < blocks; ++b)
                (mask >> b & 1 ? in : out)[p] += values[b][p];
        const int best = static_cast<int>(std::max_element(in.begin(), in.end()) - in.begin());
        const std::int64_t lower = std::count_if(out.begin(), out.end(), [&](auto v) { return v < out[best]; });
        const std::int64_t equal = std::count(out.begin(), out.end(), out[best]);
        overfit += 2 * lower + equal + 1 <= pairs + 1;
    }
    return 100.0 * overfit / sets;
}

Values randomValues(int blocks, int pairs, std::uint64_t seed, std::int64_t spread)
{
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> value(-spread, spread);
    Values values(blocks, std::vector<std::int64_t>(pairs));
    for (auto& block : values)
        for (auto& v : block)
            v = value(random);
    return values;
}

TEST(Robustness, OverfittingEqualsEverySplitSummedFromScratch)
{
    // Narrow spreads make ties common (also between tiles of pairs); wide ones reach the clamp.
    for (const auto& [blocks, pairs, spread] :
         {std::tuple{4, 5, 3}, {16, 37, 2}, {16, 61, kLimit}, {8, 1, 9}, {6, 2100, 1}}) {
        for (std::uint64_t seed = 1; seed <= 3; ++seed) {
            const Values values = randomValues(blocks, pairs, seed, spread);
            EXPECT_EQ(probabilityOfOverfitting(values), bruteForceOverfitting(values))
                << blocks << " blocks, " << pairs << " pairs, seed " << seed;
        }
    }
}

TEST(Robustness, OverfittingCountStopsWhenAsked)
{
    const Values values = randomValues(4, 3000, 5, 9);
    int asked = 0;
    EXPECT_FALSE(probabilityOfOverfitting(values, [&] { return ++asked < 3; }));
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(probabilityOfOverfitting(values, [] { return true; }), probabilityOfOverfitting(values));
}

TEST(Robustness, EveryPassPathCountsAlike)
{
    const Values values = randomValues(6, 64, 7, 5);
    const std::vector<std::int64_t> zeros(64, 0);
    const auto run = [&](const OverfittingKernels& kernels) {
        std::vector<std::int64_t> inSample = values[0];
        const PairTile tile{values[1].data(),
                            inSample.data(),
                            {values[2].data(), values[4].data(), zeros.data(), values[3].data()},
                            {values[3].data(), values[5].data(), zeros.data(), values[2].data()},
                            8,
                            64};
        TileBest best[kSplitsPerPass];
        kernels.best(tile, best);
        inSample = values[0];
        const SplitThresholds thresholds[kSplitsPerPass] = {{2, -1}, {0, 3}, {-4, 0}, {1, 1}};
        TileCounts counts[kSplitsPerPass];
        kernels.count(tile, thresholds, counts);
        std::vector<
            std::tuple<std::int64_t, int, std::int64_t, int, std::int64_t, std::int64_t, std::int64_t, std::int64_t>>
            results;
        for (int k = 0; k < kSplitsPerPass; ++k)
            results.emplace_back(best[k].inSample, best[k].pair, best[k].outOfSample, best[k].complementPair,
                                 counts[k].lower, counts[k].equal, counts[k].complementLower,
                                 counts[k].complementEqual);
        return std::pair{results, inSample};
    };
    const auto plain = run(kOverfittingPlain);
    if (__builtin_cpu_supports("avx2")) {
        EXPECT_EQ(run(kOverfittingAvx2), plain);
    }
    if (__builtin_cpu_supports("avx512f")) {
        EXPECT_EQ(run(kOverfittingAvx512), plain);
    }
}

// Bars 1..9, a hold-out of 3 bars (from bar 6), two blocks (1..5, 5..9), three pairs. Pair 1
// ties pair 2 before the hold-out and is met first; pair 2 is best on both blocks.
TEST(Robustness, FiguresOfThreePairsWorkedByHand)
{
    const RobustnessWindow window = RobustnessWindow::of(1, 9, 3, 2);
    ASSERT_EQ(window.checkpoints(), (std::vector<int>{1, 5, 6, 9}));
    PairCurves curves(window.checkpoints(), 3);
    const double W[3][4] = {{100, 110, 120, 108}, {100, 90, 130, 124}, {100, 120, 130, 170}};
    for (int p = 0; p < 3; ++p)
        std::copy(W[p], W[p] + 4, curves.pairValues(p));
    BarSeries bars;
    bars.NBBars = 9;
    bars.DateStr[6] = "02/03/2020";
    bars.Close[6] = 50;
    bars.Close[9] = 55;
    const RobustnessFigures figures = robustnessFigures(bars, window, {{30, 30}, {40, 35}, {50, 45}}, curves);
    EXPECT_EQ(figures, (RobustnessFigures{"02/03/2020", 40, 35, 124.0 * 100 / 130 - 100, 10, 50, 0}));
}

TEST(Robustness, WindowCutsTheEvaluationIntoBlocksAndAHoldout)
{
    const RobustnessWindow window = RobustnessWindow::of(1000, 2250);
    EXPECT_EQ(window.holdoutBar, 2000);
    ASSERT_EQ(window.blockEdges.size(), 17u);
    EXPECT_EQ(window.blockEdges[1], 1078);  // floor(1250 / 16)
    EXPECT_EQ(window.blockEdges.back(), 2250);
    EXPECT_EQ(window.checkpoints().size(), 18u);
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The fast search keeps, from its own walk, exactly the curve values of the literal
// evaluation, on every path and thread count.
TEST(Robustness, SearchKeepsTheLiteralCurvesOnEveryPath)
{
    for (const int seed : {2, 11}) {
        BarSeries bars = test::generatedSeries(seed);
        const int First_Bar = std::max(1000, bars.NBBars - 1250);
        const RobustnessWindow window = RobustnessWindow::of(First_Bar, bars.NBBars);
        BarSeries literalBars = bars;
        const PairCurves literal = literalPairCurves(literalBars, window);
        for (const FastSearchOptions options :
             {FastSearchOptions{.threads = 2}, {.kernels = SearchKernelPath::Plain}}) {
            PairCurves fast(window.checkpoints(), kPairCount);
            ASSERT_TRUE(fastParameterSearch(bars, First_Bar, options, {}, &fast));
            int differing = 0;
            for (int p = 0; p < kPairCount; ++p)
                for (const int bar : window.checkpoints())
                    differing += !sameBits(fast.at(p, bar), literal.at(p, bar));
            EXPECT_EQ(differing, 0) << "seed " << seed;
        }
        const RobustnessFigures figures = robustnessFigures(bars, window, parameterGrid(), literal);
        EXPECT_GE(figures.PBO, 0);
        EXPECT_LE(figures.PBO, 100);
        EXPECT_EQ(figures.Holdout_Date, bars.DateStr[window.holdoutBar]);
    }
}

// No pair can have an edge on a random walk: the best pair in sample is no better than the
// median out of sample. Long trend regimes reward the pairs that follow them in every block.
TEST(Robustness, RandomWalksLookOverfitAndTrendRegimesDoNot)
{
    double walks = 0, trends = 0;
    for (int seed = 1001; seed <= 1010; ++seed) {
        BarSeries walk;
        fillBarSeries(walk, syntheticDailyBars({.seed = static_cast<std::uint64_t>(seed), .count = 3501}));
        walks += searchWithRobustness(walk, 2251, true)->robustness->PBO / 10;
        BarSeries trend = test::trendRegimes(seed - 1000);
        trends += searchWithRobustness(trend, 2251, true)->robustness->PBO / 10;
    }
    EXPECT_GT(walks, 30);
    EXPECT_LT(walks, 70);
    EXPECT_LT(trends, walks - 15);
}

TEST(Robustness, AFlatSeriesHasNoTradesAndCountsAsOverfit)
{
    BarSeries bars;
    for (int k = 1; k <= 2300; ++k) {
        bars.Open[k] = bars.High[k] = bars.Low[k] = bars.Close[k] = 25;
        bars.DateStr[k] = "01/01/2020";
    }
    bars.NBBars = 2300;
    const RobustnessWindow window = RobustnessWindow::of(1050, 2300);
    PairCurves curves(window.checkpoints(), kPairCount);
    ASSERT_TRUE(fastParameterSearch(bars, 1050, {}, {}, &curves));
    const RobustnessFigures figures = robustnessFigures(bars, window, parameterGrid(), curves);
    EXPECT_EQ(figures.PBO, 100);
    EXPECT_EQ(figures.Holdout_Rank, 50);
    EXPECT_EQ((ParameterPair{figures.Holdout_Opt1, figures.Holdout_Opt2}), (ParameterPair{30, 30}));
    EXPECT_EQ(figures.Holdout_Return, 0);
    EXPECT_EQ(figures.Holdout_Buy_Hold, 0);
}

}  // namespace
}  // namespace kiruvan
