#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "trading/parameter_search.h"

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
    for (const auto& [first, last, step] : {std::tuple{30, 100, 1}, {102, 200, 2}, {203, 299, 3}, {303, 399, 4},
                                            {404, 499, 5}, {505, 595, 6}, {602, 700, 7}}) {
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

}  // namespace
}  // namespace kiruvan
