#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

#include "generated_series.h"
#include "trading/fast_search.h"

namespace kiruvan {
namespace {

using test::generatedSeries;

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void expectSameResult(const SearchResult& fast, const SearchResult& reference)
{
    EXPECT_EQ(fast.Opt1, reference.Opt1);
    EXPECT_EQ(fast.Opt2, reference.Opt2);
    EXPECT_TRUE(sameBits(fast.score, reference.score)) << fast.score << " vs " << reference.score;
    EXPECT_EQ(fast, reference);  // every statistic, compared bit for bit apart from -0 and NaN
    for (const auto& [a, b] :
         {std::pair{fast.statistics.Profit_Factor, reference.statistics.Profit_Factor},
          {fast.statistics.Max_intraday_drawdown, reference.statistics.Max_intraday_drawdown},
          {fast.statistics.Updated_Return_On_Account, reference.statistics.Updated_Return_On_Account}})
        EXPECT_TRUE(sameBits(a, b));
}

// The reference search dominates the time: each series runs it once against one of the
// fast configurations in turn. Four quarters of the seeds, so that the test runner can spread
// them; two seeds each by default, all 25 (every configuration meets 25 different series)
// with KIRUVAN_SLOW_TESTS set, as "ctest -L slow" does.
class FastSearchProperty : public testing::TestWithParam<int> {};

TEST_P(FastSearchProperty, GivesTheReferenceResultOnEveryPathAndThreadCount)
{
    const FastSearchOptions paths[] = {
        {.threads = 1}, {.threads = 2}, {.threads = 4}, {.kernels = SearchKernelPath::Plain}};
    const int seeds = std::getenv("KIRUVAN_SLOW_TESTS") ? 25 : 2;
    for (int seed = GetParam(); seed < GetParam() + seeds; ++seed) {
        SCOPED_TRACE(seed);
        BarSeries bars = generatedSeries(seed);
        const int First_Bar = std::max(1000, bars.NBBars - 1250);
        BarSeries referenceBars = bars;
        const auto reference = Trading_system2_OPT(referenceBars, First_Bar);
        const auto fast = fastParameterSearch(bars, First_Bar, paths[seed % 4]);
        ASSERT_TRUE(fast.has_value());
        expectSameResult(*fast, *reference);
        // The best pair's series stay in the holder as its literal evaluation leaves them.
        referenceBars = generatedSeries(seed);
        evaluateParameterPair(referenceBars, {fast->Opt1, fast->Opt2}, First_Bar);
        for (const auto& [a, b] : {std::pair{&bars.Barux, &referenceBars.Barux}, {&bars.equity, &referenceBars.equity}})
            EXPECT_EQ(std::memcmp(a->data(), b->data(), a->size() * sizeof(double)), 0);
        EXPECT_EQ(bars.signal, referenceBars.signal);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, FastSearchProperty, testing::Values(1, 26, 51, 76));

// Every kernel path the processor runs scores every pair as the literal evaluation does, on
// series with flat stretches, a zero close, a trend, and a NaN high (which takes the kernels'
// path that compares instead of taking the processor's max and min).
TEST(FastSearch, EveryKernelPathGivesTheLiteralScores)
{
    for (int seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        BarSeries bars = generatedSeries(seed);
        if (seed == 4)
            bars.High[bars.NBBars - 700] = std::numeric_limits<double>::quiet_NaN();
        const int First_Bar = std::max(1000, bars.NBBars - 1250);
        const std::vector<double> plain = fastPairScores(bars, First_Bar, {.kernels = SearchKernelPath::Plain});
        if (seed == 2 || seed == 4) {
            const std::vector<ParameterPair> grid = parameterGrid();
            for (std::size_t i = 0; i < grid.size(); i += 31)
                ASSERT_TRUE(sameBits(plain[i], evaluateParameterPair(bars, grid[i], First_Bar).score)) << i;
        }
        for (const SearchKernelPath path : kSearchKernelPaths) {
            if (!searchKernelPathSupported(path))
                continue;
            SCOPED_TRACE(searchKernelName(path));
            const std::vector<double> scores = fastPairScores(bars, First_Bar, {.threads = 2, .kernels = path});
            ASSERT_EQ(scores.size(), plain.size());
            for (std::size_t i = 0; i < scores.size(); ++i)
                ASSERT_TRUE(sameBits(scores[i], plain[i])) << i;
        }
    }
}

TEST(FastSearch, KeepsTheFirstPairWhenEveryPairTies)
{
    BarSeries bars;
    for (int k = 1; k <= 2300; ++k)
        bars.Open[k] = bars.High[k] = bars.Low[k] = bars.Close[k] = 25;
    bars.NBBars = 2300;
    const auto result = fastParameterSearch(bars, 1050, {.threads = 2});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ((ParameterPair{result->Opt1, result->Opt2}), (ParameterPair{30, 30}));
}

TEST(FastSearch, ReportsPairsDoneOnTheCallingThreadAndStopsWhenAsked)
{
    BarSeries bars = generatedSeries(3);
    const auto caller = std::this_thread::get_id();
    int calls = 0;
    int lastPairs = -1;
    bool growing = true;
    const auto stopAfter5 = [&](const SearchProgress& progress) {
        growing = growing && progress.pairIndex > lastPairs && std::this_thread::get_id() == caller;
        lastPairs = progress.pairIndex;
        return ++calls <= 5;
    };
    EXPECT_FALSE(fastParameterSearch(bars, 1000, {.threads = 2}, stopAfter5).has_value());
    EXPECT_TRUE(growing);
    EXPECT_EQ(calls, 6);
    EXPECT_GT(lastPairs, 0);
    EXPECT_LT(lastPairs, kPairCount);
}

}  // namespace
}  // namespace kiruvan
