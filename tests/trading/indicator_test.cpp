#include <gtest/gtest.h>

#include <algorithm>

#include "hand_series.h"
#include "trading/chart_series.h"

namespace kiruvan {
namespace {

using test::setCloses;

// Six bars whose Barux with period 2 was worked out by hand (see each step in the test).
void sixHandBars(BarSeries& bars)
{
    setCloses(bars, {10, 12, 11, 13, 14, 12});
    for (int k = 1; k <= 6; ++k) {
        bars.High[k] = bars.Close[k] + 1;
        bars.Low[k] = bars.Close[k] - 1;
    }
}

// With period 1 the raw Barux of a bar is (Close - Low) - (High - Close): bars with close 10
// and a chosen range give any raw value we like.
void rawValuesWithPeriodOne(BarSeries& bars, std::initializer_list<double> raw)
{
    int k = 0;
    for (const double r : raw) {
        ++k;
        bars.Close[k] = 10;
        bars.High[k] = r < 0 ? 10 - r : 10;
        bars.Low[k] = r > 0 ? 10 - r : 10;
    }
    bars.NBBars = k;
}

TEST(Barux, MatchesHandComputedWindowsWithRunningExtremes)
{
    BarSeries bars;
    sixHandBars(bars);
    bars.Calcul_Barux(2);
    // Raw: 3, -1.5, 3, 1.5, -3 on bars 2..6; only bar 5 = N + 3 is smoothed: (1.5 + 3 - 1.5) / 3.
    const std::vector<double> expected{0, 0, 3, -1.5, 3, 1, -3, 0};
    EXPECT_EQ(std::vector<double>(bars.Barux.begin(), bars.Barux.begin() + 8), expected);
}

TEST(Barux, SmoothsInPlaceFromBarNPlus3AndLeavesTheLastBarRaw)
{
    BarSeries bars;
    rawValuesWithPeriodOne(bars, {3, 6, 9, 0, 1, 2, 0, 2, 9, -2, 7});  // NBBars = N + 10
    bars.Calcul_Barux(1);
    // Each smoothed bar averages its raw value with the two bars already smoothed before it.
    const std::vector<double> expected{0, 3, 6, 9, 5, 5, 4, 3, 3, 5, 2, 7};
    EXPECT_EQ(std::vector<double>(bars.Barux.begin(), bars.Barux.begin() + 12), expected);
}

TEST(Barux, StaysZeroWhenFewerBarsThanThePeriod)
{
    BarSeries bars;
    sixHandBars(bars);
    bars.Calcul_Barux(7);
    bars.Calcul_Moyenne_Mobile_Barux(3);
    EXPECT_TRUE(std::all_of(bars.Barux.begin(), bars.Barux.end(), [](double v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(bars.MM_Barux.begin(), bars.MM_Barux.end(), [](double v) { return v == 0; }));
}

TEST(BarHolder, RefusesBarsAndPeriodsBeyondItsCapacity)
{
    BarSeries bars(6);
    sixHandBars(bars);
    bars.Calcul_Barux(6);
    EXPECT_THROW(bars.Calcul_Barux(7), std::invalid_argument);
    EXPECT_THROW(bars.Calcul_Moyenne_Mobile_Barux(7), std::invalid_argument);
    EXPECT_THROW(storeBar(bars, 7, 1, 1, 1, 1, "01/02/2003"), std::out_of_range);
}

TEST(Barux, WarmUpBarsReadZeroWhateverPeriodCameBefore)
{
    BarSeries fresh;
    BarSeries reused;
    sixHandBars(fresh);
    sixHandBars(reused);
    reused.Calcul_Barux(2);
    reused.Calcul_Barux(4);
    fresh.Calcul_Barux(4);
    EXPECT_EQ(reused.Barux, fresh.Barux);
    EXPECT_EQ(reused.Barux[3], 0);
}

TEST(MovingAverageOfBarux, CountsTheSentinelAndTheWarmUpZeros)
{
    BarSeries bars;
    sixHandBars(bars);
    bars.Calcul_Barux(2);
    bars.Calcul_Moyenne_Mobile_Barux(2);
    EXPECT_EQ(bars.MM_Barux[1], 0);    // (Barux[0] + Barux[1]) / 2, both zeros
    EXPECT_EQ(bars.MM_Barux[2], 1.5);  // the warm-up zero of bar 1 counts
    EXPECT_EQ(bars.MM_Barux[3], 0.75);
    EXPECT_EQ(bars.MM_Barux[6], -1);
}

TEST(MovingAverageOfBarux, LongerThanTheSeriesWritesOnlyItsFirstPlace)
{
    BarSeries bars;
    sixHandBars(bars);
    bars.Calcul_Barux(2);
    bars.Calcul_Moyenne_Mobile_Barux(10);
    EXPECT_EQ(bars.MM_Barux[9], 0.25);  // (3 - 1.5 + 3 + 1 - 3) / 10
    EXPECT_EQ(std::count(bars.MM_Barux.begin(), bars.MM_Barux.end(), 0.0), kSeriesLength - 1);
}

TEST(RunningAverage, KeepsOneRunningSumRoundedAtEachStep)
{
    // 1 is lost when added to 1e16, so the running sum reads 1 where the window sum is 2.
    std::vector<double> input{0, 1e16, 1, 1, 1};
    std::vector<double> output(5);
    runningAverage(input, output, 2, 4);
    EXPECT_EQ(output[1], 5e15);
    EXPECT_EQ(output[2], 5e15);
    EXPECT_EQ(output[3], 0.5);
    EXPECT_EQ(output[4], 0.5);
}

// Typical prices 1, 3, 2, 6, 4 (High = Low = Close) with period 2.
ChartSeries handCciSeries()
{
    ChartSeries chart;
    setCloses(chart.bars, {1, 3, 2, 6, 4});
    return chart;
}

TEST(CommodityChannelIndex, UsesPPlusOneDeviationTermsEachWithItsOwnAverage)
{
    ChartSeries chart = handCciSeries();
    chart.Calcul_CCI(2);
    // Averages 2, 2.5, 4, 5 on bars 2..5; deviations 1, 1.5, 3.5, 3.5; raw indexes
    // 400/3, -400/9, 1600/21, -800/21; then each halved with the previous smoothed value.
    const double cci2 = 200.0 / 3;
    const double cci3 = (-400.0 / 9 + cci2) / 2;
    const double cci4 = (1600.0 / 21 + cci3) / 2;
    const double cci5 = (-800.0 / 21 + cci4) / 2;
    EXPECT_EQ(chart.CCI[0], 0);
    EXPECT_EQ(chart.CCI[1], 0);
    EXPECT_NEAR(chart.CCI[2], cci2, 1e-9);  // half the raw index of bar P
    EXPECT_NEAR(chart.CCI[3], cci3, 1e-9);
    EXPECT_NEAR(chart.CCI[4], cci4, 1e-9);
    EXPECT_NEAR(chart.CCI[5], cci5, 1e-9);
}

TEST(CommodityChannelIndex, PeriodBelowTwoComputesWithTwo)
{
    ChartSeries withOne = handCciSeries();
    ChartSeries withTwo = handCciSeries();
    std::fill(withOne.CCI.begin(), withOne.CCI.end(), 7.0);
    withOne.Calcul_CCI(1);
    withTwo.Calcul_CCI(2);
    EXPECT_EQ(std::vector<double>(withOne.CCI.begin(), withOne.CCI.begin() + 6),
              std::vector<double>(withTwo.CCI.begin(), withTwo.CCI.begin() + 6));
}

TEST(CommodityChannelIndex, ConstantPriceReadsZeroInsteadOfDividingByZero)
{
    ChartSeries chart;
    setCloses(chart.bars, {5, 5, 5, 5, 5, 5, 5, 5});
    chart.Calcul_CCI(3);
    EXPECT_TRUE(std::all_of(chart.CCI.begin(), chart.CCI.begin() + 9, [](double v) { return v == 0; }));
}

TEST(ChartComputation, WithoutParametersOnlyTheCloseAverageIsComputed)
{
    ChartSeries chart;
    for (int k = 1; k <= 60; ++k)
        chart.bars.Close[k] = k;
    chart.bars.NBBars = 60;
    computeChartSeries(chart, std::nullopt);
    EXPECT_EQ(chart.MA50()[48], 0);
    EXPECT_EQ(chart.MA50()[49], 24.5);  // closes 1..49 over 50 places
    EXPECT_EQ(chart.MA50()[50], 25.5);
    EXPECT_EQ(chart.MA50()[60], 35.5);
    EXPECT_TRUE(std::all_of(chart.bars.Barux.begin(), chart.bars.Barux.end(), [](double v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(chart.CCI.begin(), chart.CCI.end(), [](double v) { return v == 0; }));
}

TEST(ChartComputation, WithParametersSetsTheStartBars)
{
    ChartSeries chart;
    for (int k = 1; k <= 300; ++k)
        chart.bars.Close[k] = chart.bars.High[k] = chart.bars.Low[k] = 100 + (k % 17) - (k % 5);
    chart.bars.NBBars = 300;
    computeChartSeries(chart, StoredParameters{40, 35, 200});
    EXPECT_EQ(chart.Debut_Barux, 41);
    EXPECT_EQ(chart.Debut_Systeme, 76);
    EXPECT_EQ(chart.bars.signal[1], kFlatMarker);
    EXPECT_NE(chart.bars.signal[200], kNoSignal);  // the entry forced at the first bar
    EXPECT_EQ(chart.positionState[199], 3.0);
    EXPECT_NE(chart.MACCI()[150], 0);
    EXPECT_NE(chart.MA50()[150], 0);
}

}  // namespace
}  // namespace kiruvan
