#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "sampledata/synthetic_bars.h"
#include "trading/parameter_search.h"
#include "trading/trading_system.h"

namespace kiruvan {
namespace {

std::vector<int> range(int first, int last, int step)
{
    std::vector<int> values;
    for (int v = first; v <= last; v += step)
        values.push_back(v);
    return values;
}

TEST(ParameterGrid, Opt1RunsWithGrowingStepsOver230Values)
{
    std::vector<int> expected;
    for (const auto& [first, last, step] : {std::tuple{30, 100, 1},
                                            {102, 200, 2},
                                            {203, 299, 3},
                                            {303, 399, 4},
                                            {404, 499, 5},
                                            {505, 595, 6},
                                            {602, 700, 7}}) {
        const auto part = range(first, last, step);
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(opt1Values(), expected);
    EXPECT_EQ(opt1Values().size(), static_cast<std::size_t>(kOpt1ValueCount));
}

TEST(ParameterGrid, Opt2IsCutAtOpt1AndStepsByTenAbove100)
{
    EXPECT_EQ(opt2Values(30), std::vector<int>{30});
    EXPECT_EQ(opt2Values(60), range(30, 60, 1));
    std::vector<int> upTo150 = range(30, 100, 1);
    for (int v : {110, 120, 130, 140, 150})
        upTo150.push_back(v);
    EXPECT_EQ(opt2Values(150), upTo150);
    EXPECT_EQ(opt2Values(203).back(), 200);
    EXPECT_EQ(opt2Values(700).back(), 300);
    EXPECT_EQ(opt2Values(700).size(), 71u + 20u);
}

TEST(ParameterGrid, WholeGridHas16083PairsInSearchOrder)
{
    const auto grid = parameterGrid();
    ASSERT_EQ(grid.size(), static_cast<std::size_t>(kPairCount));
    EXPECT_EQ(grid.front(), (ParameterPair{30, 30}));
    EXPECT_EQ(grid.back(), (ParameterPair{700, 300}));
    EXPECT_TRUE(std::is_sorted(grid.begin(), grid.end(), [](const ParameterPair& a, const ParameterPair& b) {
        return a.Opt1 != b.Opt1 ? a.Opt1 < b.Opt1 : a.Opt2 < b.Opt2;
    }));
    EXPECT_TRUE(std::all_of(grid.begin(), grid.end(), [](const ParameterPair& p) { return p.Opt2 <= p.Opt1; }));
}

BarSeries syntheticSymbol(int count)
{
    BarSeries bars;
    fillBarSeries(bars, syntheticDailyBars({.seed = 11, .count = count}));
    return bars;
}

TEST(ParameterSearch, KeepsTheFirstPairOnEqualScores)
{
    BarSeries bars;
    for (int k = 1; k <= 1100; ++k)
        bars.Open[k] = bars.High[k] = bars.Low[k] = bars.Close[k] = 25;
    bars.NBBars = 1100;
    const auto result = Trading_system2_OPT(bars, 1000);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->Opt1, 30);  // every pair scores 0, which still beats the start value
    EXPECT_EQ(result->Opt2, 30);
    EXPECT_EQ(result->score, 0);
    EXPECT_EQ(result->statistics.NB_Trades, 1);
}

TEST(ParameterSearch, HookSeesEveryPairInOrderAndCanStopTheSearch)
{
    BarSeries bars = syntheticSymbol(1200);
    std::vector<ParameterPair> seen;
    int lastIndex = -1;
    bool inOrder = true;
    const auto stopAfter20 = [&](const SearchProgress& progress) {
        inOrder = inOrder && progress.pairIndex == lastIndex + 1 && progress.pairCount == kPairCount;
        lastIndex = progress.pairIndex;
        seen.push_back(progress.pair);
        return seen.size() <= 20;
    };
    EXPECT_FALSE(Trading_system2_OPT(bars, 1000, stopAfter20).has_value());
    EXPECT_TRUE(inOrder);
    ASSERT_EQ(seen.size(), 21u);
    const auto grid = parameterGrid();
    EXPECT_TRUE(std::equal(seen.begin(), seen.end(), grid.begin()));
}

// The best pair found in one sweep must be exactly what evaluating that pair alone on fresh
// series gives: no state of earlier pairs may leak into a pair's score or statistics.
TEST(ParameterSearch, BestPairMatchesItsOwnEvaluationOnFreshSeries)
{
    const BarSeries loaded = syntheticSymbol(3501);
    BarSeries searched = loaded;
    int calls = 0;
    const auto result = Trading_system2_OPT(searched, 2251, [&](const SearchProgress&) { return ++calls > 0; });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(calls, kPairCount);
    EXPECT_GT(result->score, 0);
    EXPECT_EQ(result->First_Bar, 2251);
    EXPECT_EQ(result->Date_BackTest, loaded.DateStr[3501]);
    EXPECT_EQ(result->Cours_backtest, loaded.Close[3501]);

    BarSeries alone = loaded;
    alone.Calcul_Barux(result->Opt1);
    EXPECT_EQ(evaluatePair(alone, result->Opt2, 2251), result->score);
    EXPECT_EQ(computeTradeStatistics(alone, 2251), result->statistics);

    // No pair of the best Opt1 scores higher, and the earlier ones score lower.
    for (const int Opt2 : opt2Values(result->Opt1)) {
        const double score = evaluatePair(alone, Opt2, 2251);
        if (Opt2 < result->Opt2) {
            EXPECT_LT(score, result->score) << Opt2;
        } else {
            EXPECT_LE(score, result->score) << Opt2;
        }
    }
}

TEST(ParameterSearch, RefusesAFirstBarOutsideTheLoadedBars)
{
    BarSeries bars = syntheticSymbol(1200);
    EXPECT_THROW(Trading_system2_OPT(bars, 1201), std::invalid_argument);
    EXPECT_THROW(Trading_system2_OPT(bars, 1), std::invalid_argument);
}

}  // namespace
}  // namespace kiruvan
