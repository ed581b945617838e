#include <gtest/gtest.h>

#include "generated_series.h"
#include "hand_series.h"
#include "trading/trade_list.h"
#include "trading/trade_statistics.h"
#include "trading/trading_system.h"

namespace kiruvan {
namespace {

TEST(TradeList, HandWorkedWindowStartsOppositeToTheFirstSignal)
{
    BarSeries bars;
    test::setCloses(bars, {9, 10, 12, 11, 15, 13});
    test::setFromBar1(bars.signal, {kFlatMarker, 0, kBuySignal, 0, kSellSignal, 0});
    const std::vector<TradeRow> rows = tradeList(bars, 2);
    ASSERT_EQ(rows.size(), 3u);
    const TradeRow expected[] = {
        {1, 2, test::handDate(2), "Sell", 10, 3, test::handDate(3), 12, -2, (12 * 100.0 / 10 - 100) * -1, "loss"},
        {2, 3, test::handDate(3), "Buy", 12, 5, test::handDate(5), 15, 3, 15 * 100.0 / 12 - 100, "win"},
        {3, 5, test::handDate(5), "Sell", 15, 6, test::handDate(6), 13, 2, (13 * 100.0 / 15 - 100) * -1, "win"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], expected[i]) << "row " << i + 1;
}

TEST(TradeList, WithoutASignalOneEvenTradeWithoutDirection)
{
    BarSeries bars;
    test::setCloses(bars, {5, 6, 7});
    bars.signal[1] = kFlatMarker;
    const std::vector<TradeRow> rows = tradeList(bars, 2);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Direction, "none");
    EXPECT_EQ(rows[0].Result, "even");
    EXPECT_EQ(rows[0].Percent, 0);
}

// The list and the statistics walk the same segments: counts, sums in row order and the
// running trade agree bit for bit on generated series and many pairs.
TEST(TradeList, AgreesWithTheStatisticsBitForBit)
{
    for (int seed = 1; seed <= 6; ++seed) {
        BarSeries bars = test::generatedSeries(seed);
        const int First_Bar = std::max(1000, bars.NBBars - 1250);
        for (const auto& [Opt1, Opt2] : {std::pair{30, 30}, {45, 31}, {120, 90}, {300, 300}, {700, 250}}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " pair " << Opt1 << "/" << Opt2);
            bars.Calcul_Barux(Opt1);
            evaluatePair(bars, Opt2, First_Bar);
            const TradeStatistics stats = computeTradeStatistics(bars, First_Bar);
            const std::vector<TradeRow> rows = tradeList(bars, First_Bar);
            int wins = 0, losses = 0;
            double gains = 0, lost = 0;
            for (const TradeRow& row : rows) {
                wins += row.Result == "win";
                losses += row.Result == "loss";
                gains = row.Result == "win" ? gains + row.Points : gains;
                lost = row.Result == "loss" ? lost + row.Points : lost;
            }
            EXPECT_EQ(wins, stats.Number_Winning_trades);
            EXPECT_EQ(losses, stats.Number_Loosing_trades);
            EXPECT_EQ(gains, stats.Gross_Profit);
            EXPECT_EQ(lost, -stats.Gross_Loss);
            const bool signalOnFirst = bars.signal[First_Bar] == kBuySignal || bars.signal[First_Bar] == kSellSignal;
            const bool signalOnLast = bars.signal[bars.NBBars] == kBuySignal || bars.signal[bars.NBBars] == kSellSignal;
            EXPECT_EQ(static_cast<int>(rows.size()), stats.NB_Trades + signalOnFirst - signalOnLast);
            if (!signalOnLast && !stats.Sens_Last_trade.empty()) {
                EXPECT_EQ(rows.back().Entry_Date, stats.Date_Last_Trade);
                EXPECT_EQ(rows.back().Direction, stats.Sens_Last_trade);
                EXPECT_EQ(rows.back().Entry_Close, stats.cours_Last_trade);
                EXPECT_EQ(rows.back().Percent, stats.PV_Since_Last_trade);
            }
        }
    }
}

}  // namespace
}  // namespace kiruvan
