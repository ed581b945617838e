#include <gtest/gtest.h>

#include "hand_series.h"
#include "trading/chart_series.h"
#include "trading/trading_system.h"

namespace kiruvan {
namespace {

using test::setCloses;
using test::setFromBar1;

constexpr int kFirstBar = 4;

// With an average of period 2, Barux is above its average on a rise, below on a fall and
// equal when it repeats: the pattern below crosses up into bar 4, touches on 5 and rises
// again, touches on 7 and falls on 8, stays equal on 9, touches on 11 and rises on 12.
BarSeries crossingSeries()
{
    BarSeries bars;
    setCloses(bars, {10, 10, 10, 10, 12, 11, 11, 13, 12, 12, 10, 10});
    setFromBar1(bars.Barux, {0.0, 0.0, 0.0, 1.0, 1.0, 2.0, 2.0, 1.0, 1.0, 0.0, 0.0, 5.0});
    return bars;
}

std::vector<std::int32_t> signalsOf(const BarSeries& bars)
{
    return {bars.signal.begin() + 1, bars.signal.begin() + bars.NBBars + 1};
}

TEST(BacktestEvaluation, SignalsAreStrictOnTheBarAndNonStrictOnThePreviousOne)
{
    BarSeries bars = crossingSeries();
    evaluatePair(bars, 2, kFirstBar);
    // A crossing between FB - 1 and FB opens on FB; a touch followed by a move the same way
    // gives nothing; a touch followed by a move the other way reverses on the bar after it.
    EXPECT_EQ(signalsOf(bars), (std::vector<std::int32_t>{3, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1}));
}

TEST(BacktestEvaluation, EquityCurvesFollowThePositionFromTheBarAfterTheSignal)
{
    BarSeries bars = crossingSeries();
    const double score = evaluatePair(bars, 2, kFirstBar);
    EXPECT_EQ(std::vector<double>(bars.equity.begin() + 1, bars.equity.begin() + 13),
              (std::vector<double>{0, 0, 0, 0, 2, 1, 1, 3, 4, 4, 6, 6}));
    EXPECT_EQ(bars.weightedEquity[4], 100);
    EXPECT_EQ(bars.weightedEquity[5], 120);
    EXPECT_EQ(bars.weightedEquity[8], 130);
    EXPECT_NEAR(bars.weightedEquity[9], 130.0 * 13 / 12, 1e-9);  // short: W x previous close / close
    EXPECT_NEAR(bars.weightedEquity[12], 169, 1e-9);
    EXPECT_NEAR(score, 69, 1e-9);
}

TEST(BacktestEvaluation, ZeroClosesLeaveTheCompoundedCurveAt100)
{
    BarSeries bars = crossingSeries();
    bars.Close[6] = 0;   // long into bar 7 from a close of 0
    bars.Close[10] = 0;  // short bar closing at 0
    evaluatePair(bars, 2, kFirstBar);
    EXPECT_EQ(bars.weightedEquity[6], 0);
    EXPECT_EQ(bars.weightedEquity[7], 100);
    EXPECT_EQ(bars.weightedEquity[8], 100.0 * 13 / 11);
    EXPECT_EQ(bars.weightedEquity[10], 100);
    EXPECT_EQ(bars.equity[6], -10);  // the points curve still moves
    EXPECT_EQ(bars.equity[7], 1);
}

TEST(BacktestEvaluation, NoCrossingMeansNoPositionAndAZeroScore)
{
    BarSeries bars = crossingSeries();
    std::fill(bars.Barux.begin(), bars.Barux.end(), 2.0);
    bars.Barux[0] = 0;
    EXPECT_EQ(evaluatePair(bars, 2, kFirstBar), 0);
    EXPECT_EQ(signalsOf(bars), (std::vector<std::int32_t>{3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (int k = 1; k <= bars.NBBars; ++k) {
        EXPECT_EQ(bars.equity[k], 0);
        EXPECT_EQ(bars.weightedEquity[k], 100);
    }
}

TEST(BacktestEvaluation, ClearsTheSeriesOfThePreviousPair)
{
    BarSeries bars = crossingSeries();
    evaluatePair(bars, 2, kFirstBar);
    std::fill(bars.Barux.begin() + 1, bars.Barux.begin() + 13, 2.0);
    evaluatePair(bars, 2, kFirstBar);
    EXPECT_EQ(bars.signal[8], kNoSignal);
    EXPECT_EQ(bars.equity[12], 0);
    EXPECT_EQ(bars.weightedEquity[12], 100);
}

TEST(BacktestEvaluation, DependsOnThePairAloneEvenWhenTheAverageStartsAfterTheFirstBar)
{
    // With period 5 the average has no value yet on bars 2 and 3; a stale one from the
    // period-2 pair would read as a crossing into bar 3.
    BarSeries fresh;
    setCloses(fresh, {10, 11, 12, 13, 12, 11, 12, 14});
    setFromBar1(fresh.Barux, {3.0, 1.0, 2.0, 2.0, 2.0, 1.0, 3.0, 4.0});
    BarSeries reused = fresh;
    evaluatePair(reused, 2, 3);
    EXPECT_EQ(evaluatePair(reused, 5, 3), evaluatePair(fresh, 5, 3));
    EXPECT_EQ(signalsOf(reused), signalsOf(fresh));
    EXPECT_EQ(reused.signal[3], kNoSignal);
}

TEST(DirectionInForce, LooksBackThenForwardAgainstTheFirstSignal)
{
    BarSeries bars = crossingSeries();
    evaluatePair(bars, 2, kFirstBar);
    EXPECT_EQ(get_Last_signal_Trading_fleche(bars, 3), kSellSignal);  // before the first Buy
    EXPECT_EQ(get_Last_signal_Trading_fleche(bars, 4), kBuySignal);
    EXPECT_EQ(get_Last_signal_Trading_fleche(bars, 7), kBuySignal);
    EXPECT_EQ(get_Last_signal_Trading_fleche(bars, 8), kSellSignal);
    EXPECT_EQ(get_Last_signal_Trading_fleche(bars, 12), kBuySignal);

    std::fill(bars.signal.begin() + 2, bars.signal.end(), kNoSignal);
    EXPECT_EQ(get_Last_signal_Trading_fleche(bars, 6), kNoSignal);
}

// A chart with Barux against a zero average: a fall below on bar 4, a rise above on 5,
// above without crossing on the first bar 6, a fall on 8.
ChartSeries chartSeries()
{
    ChartSeries chart;
    setCloses(chart.bars, {10, 10, 10, 11, 12, 13, 15, 14, 12});
    setFromBar1(chart.bars.Barux, {0.0, 1.0, 1.0, -1.0, 1.0, 2.0, 3.0, -1.0, -2.0});
    chart.Debut_Systeme = 3;
    return chart;
}

TEST(ChartEvaluation, EntersAtTheFirstBarAndMarksEarlierCrossingsWithoutPositions)
{
    ChartSeries chart = chartSeries();
    trading_system2(chart, 6);
    EXPECT_EQ(signalsOf(chart.bars), (std::vector<std::int32_t>{3, 0, 0, 2, 1, 1, 0, 2, 0}));
    EXPECT_EQ(std::vector<double>(chart.bars.equity.begin() + 1, chart.bars.equity.begin() + 10),
              (std::vector<double>{0, 0, 0, 0, 0, 0, 2, 1, 3}));
    EXPECT_EQ(std::vector<double>(chart.positionState.begin() + 1, chart.positionState.begin() + 10),
              (std::vector<double>{3, 3, 3, 3, 3, 1, 1, 2, 2}));
}

TEST(ChartEvaluation, ForcedEntryIsShortWhenBaruxIsBelowItsAverage)
{
    ChartSeries chart = chartSeries();
    setFromBar1(chart.bars.Barux, {0.0, 1.0, 1.0, -1.0, -1.0, -2.0, -3.0, 1.0, 2.0});
    trading_system2(chart, 6);
    EXPECT_EQ(signalsOf(chart.bars), (std::vector<std::int32_t>{3, 0, 0, 2, 0, 2, 0, 1, 0}));
    EXPECT_EQ(chart.bars.equity[8], -1);  // short from 6: 13 -> 15 -> 14
}

TEST(ChartEvaluation, StartAfterTheFirstBarWaitsForTheFirstCrossing)
{
    ChartSeries chart = chartSeries();
    chart.Debut_Systeme = 7;
    trading_system2(chart, 5);
    EXPECT_EQ(signalsOf(chart.bars), (std::vector<std::int32_t>{3, 0, 0, 0, 0, 0, 0, 2, 0}));
    EXPECT_EQ(chart.bars.equity[9], 2);
    EXPECT_EQ(std::vector<double>(chart.positionState.begin() + 1, chart.positionState.begin() + 10),
              (std::vector<double>{3, 3, 3, 3, 3, 3, 3, 2, 2}));
}

}  // namespace
}  // namespace kiruvan
