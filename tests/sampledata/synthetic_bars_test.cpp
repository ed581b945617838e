#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sampledata/synthetic_bars.h"

namespace kiruvan {
namespace {

TEST(SyntheticBars, SameSeedGivesTheSameBarsAndAnotherSeedOthers)
{
    const auto first = syntheticDailyBars({.seed = 3, .count = 500});
    EXPECT_EQ(first, syntheticDailyBars({.seed = 3, .count = 500}));
    EXPECT_NE(first, syntheticDailyBars({.seed = 4, .count = 500}));
}

TEST(SyntheticBars, AreValidWeekdayBarsInCents)
{
    const auto bars = syntheticDailyBars({.seed = 9, .count = 4000, .firstDay = Date::fromYmd(2024, 1, 6)});
    ASSERT_EQ(bars.size(), 4000u);
    EXPECT_EQ(bars.front().date, Date::fromYmd(2024, 1, 8));  // the Monday after a Saturday
    for (std::size_t n = 0; n < bars.size(); ++n) {
        const DailyBar& b = bars[n];
        SCOPED_TRACE(n);
        ASSERT_GT(b.Low, 0);
        ASSERT_LE(b.Low, std::min(b.Open, b.Close));
        ASSERT_GE(b.High, std::max(b.Open, b.Close));
        ASSERT_EQ(b.Close, std::nearbyint(b.Close * 100) / 100);
        const int weekday = (b.date.dayNumber() + 4) % 7;
        ASSERT_TRUE(weekday >= 1 && weekday <= 5);
        if (n > 0) {
            ASSERT_GT(b.date, bars[n - 1].date);
        }
    }
}

TEST(SyntheticBars, FillTheSeriesWithTheNewestBarsLikeALoad)
{
    const auto daily = syntheticDailyBars({.seed = 5, .count = 3600});
    BarSeries series;
    fillBarSeries(series, daily);
    ASSERT_EQ(series.NBBars, 3501);
    EXPECT_EQ(series.Close[1], daily[99].Close);
    EXPECT_EQ(series.Close[3501], daily.back().Close);
    EXPECT_EQ(series.DateStr[3501], daily.back().date.toText());
    EXPECT_EQ(series.Mois[3501], daily.back().date.month());
    EXPECT_EQ(series.Annee[3501], daily.back().date.year());
}

}  // namespace
}  // namespace kiruvan
