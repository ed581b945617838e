#include <gtest/gtest.h>

#include "hand_series.h"
#include "trading/trade_statistics.h"

namespace kiruvan {
namespace {

using test::handDate;
using test::setCloses;
using test::setFromBar1;

constexpr int kFirstBar = 3;

// Eight bars evaluated from bar 3: a Buy on 5, a Sell on 7, the curve of those positions,
// and ranges that reach 2 above and 1 below each close.
BarSeries tradedSeries()
{
    BarSeries bars;
    setCloses(bars, {10, 10, 10, 12, 11, 13, 12, 15});
    for (int k = 1; k <= 8; ++k) {
        bars.High[k] = bars.Close[k] + 2;
        bars.Low[k] = bars.Close[k] - 1;
    }
    setFromBar1(bars.signal, {3, 0, 0, 0, 1, 0, 2, 0});
    setFromBar1(bars.equity, {0.0, 0.0, 0.0, 0.0, 0.0, 2.0, 1.0, -2.0});
    return bars;
}

TEST(TradeStatistics, MeasureSegmentsFromTheFirstBarIncludingTheStretchBeforeTheFirstSignal)
{
    const TradeStatistics s = computeTradeStatistics(tradedSeries(), kFirstBar);
    // Segments: 3 -> 5 held short against the first Buy (10 -> 11, a loss of 1), 5 -> 7 long
    // (11 -> 12, a gain of 1), 7 -> 8 short (12 -> 15, a loss of 3).
    EXPECT_EQ(s.NB_Trades, 3);
    EXPECT_EQ(s.Number_Winning_trades, 1);
    EXPECT_EQ(s.Number_Loosing_trades, 2);
    EXPECT_EQ(s.Gross_Profit, 1);
    EXPECT_EQ(s.Gross_Loss, 4);
    EXPECT_EQ(s.Profit_Factor, 0.25);
    EXPECT_NEAR(s.Percent_profitable, 100.0 / 3, 1e-12);
    EXPECT_EQ(s.Total_profit_pourcent, -20);  // the flat stretch earns nothing here
}

TEST(TradeStatistics, RunningTradeAndLastTop)
{
    const TradeStatistics s = computeTradeStatistics(tradedSeries(), kFirstBar);
    EXPECT_EQ(s.Date_Last_Trade, handDate(7));
    EXPECT_EQ(s.Sens_Last_trade, "Sell");
    EXPECT_EQ(s.cours_Last_trade, 12);
    EXPECT_EQ(s.PV_Since_Last_trade, -25);  // short from 12 to 15
    EXPECT_EQ(s.Last_Top_Equity, 2);
    EXPECT_EQ(s.DateStr_Last_Top_Equity_Curve, handDate(6));
}

TEST(TradeStatistics, IntradayDrawdownAddsTheRangeBeyondTheCloseInBothDirections)
{
    // Values: short bars equity + 2, long bars equity + 1; the peak 3 on bar 6 falls to 0 on 8.
    EXPECT_EQ(Calcul_Max_intraday_drawdown(tradedSeries(), kFirstBar), 3);
}

TEST(TradeStatistics, UpdatedDrawdownUsesClosingEquityAgainstThePeakClose)
{
    const TradeStatistics s = computeTradeStatistics(tradedSeries(), kFirstBar);
    EXPECT_NEAR(s.Updated_Max_intraday_drawdown, 400.0 / 13, 1e-12);  // 2 -> -2 under a peak close of 13
    EXPECT_EQ(s.date_UMDD, handDate(8));
    EXPECT_NEAR(s.Updated_Account_size_required, 60.0 / 13, 1e-12);
    EXPECT_NEAR(s.Updated_Return_On_Account, -32.5, 1e-9);
}

TEST(TradeStatistics, WindowWithoutAnySignal)
{
    BarSeries bars;
    setCloses(bars, {10, 11, 12, 13, 12, 11});
    bars.signal[1] = kFlatMarker;
    const TradeStatistics s = computeTradeStatistics(bars, kFirstBar);
    EXPECT_EQ(s.NB_Trades, 1);
    EXPECT_EQ(s.Number_Winning_trades, 0);
    EXPECT_EQ(s.Number_Loosing_trades, 0);
    EXPECT_EQ(s.Percent_profitable, 0);
    EXPECT_EQ(s.Gross_Profit, 0);
    EXPECT_EQ(s.Gross_Loss, 0);
    EXPECT_EQ(s.Profit_Factor, 999.99);
    EXPECT_EQ(s.Max_intraday_drawdown, 0);
    EXPECT_EQ(s.Updated_Max_intraday_drawdown, 0);
    EXPECT_EQ(s.date_UMDD, "01/01/1900");
    EXPECT_EQ(s.Updated_Account_size_required, 0);
    EXPECT_EQ(s.Updated_Return_On_Account, 0);
    EXPECT_EQ(s.Total_profit_pourcent, 0);
    EXPECT_EQ(s.Date_Last_Trade, "");
    EXPECT_EQ(s.Sens_Last_trade, "");
    EXPECT_EQ(s.cours_Last_trade, 0);
    EXPECT_EQ(s.PV_Since_Last_trade, 0);
    EXPECT_EQ(s.Last_Top_Equity, 5);
    EXPECT_EQ(s.DateStr_Last_Top_Equity_Curve, handDate(1));
}

TEST(TradeStatistics, BuyOnTheFirstBarOpensNoExtraTradeAndItsSegmentCountsAsNeither)
{
    BarSeries bars;
    setCloses(bars, {10, 10, 10, 11, 14});
    setFromBar1(bars.signal, {3, 0, 1, 0, 0});
    setFromBar1(bars.equity, {0.0, 0.0, 0.0, 1.0, 4.0});
    const TradeStatistics s = computeTradeStatistics(bars, kFirstBar);
    EXPECT_EQ(s.NB_Trades, 1);
    EXPECT_EQ(s.Number_Winning_trades, 1);
    EXPECT_EQ(s.Number_Loosing_trades, 0);
    EXPECT_EQ(s.Gross_Profit, 4);
    EXPECT_EQ(s.Profit_Factor, 999.99);  // a profit and no loss
    EXPECT_EQ(s.Percent_profitable, 100);
    EXPECT_EQ(s.PV_Since_Last_trade, 40);
}

TEST(TradeStatistics, SegmentEndingAtItsStartingCloseCountsAsNeither)
{
    BarSeries bars;
    setCloses(bars, {10, 10, 10, 12, 10, 9});
    setFromBar1(bars.signal, {3, 0, 0, 0, 2, 0});
    const TradeStatistics s = computeTradeStatistics(bars, kFirstBar);
    EXPECT_EQ(s.NB_Trades, 2);
    EXPECT_EQ(s.Number_Winning_trades, 1);  // only the short from 10 to 9
    EXPECT_EQ(s.Number_Loosing_trades, 0);
    EXPECT_EQ(s.Gross_Profit, 1);
}

TEST(TradeStatistics, SignalOnTheLastBarEndsASegmentAndOpensACountedTrade)
{
    BarSeries bars;
    setCloses(bars, {10, 10, 10, 12, 13});
    setFromBar1(bars.signal, {3, 0, 1, 0, 2});
    const TradeStatistics s = computeTradeStatistics(bars, kFirstBar);
    EXPECT_EQ(s.NB_Trades, 2);
    EXPECT_EQ(s.Gross_Profit, 3);
    EXPECT_EQ(s.Sens_Last_trade, "Sell");
    EXPECT_EQ(s.PV_Since_Last_trade, 0);
}

TEST(RunningTrade, ProfitSinceEntryIsSignedByDirection)
{
    BarSeries bars;
    setCloses(bars, {60, 50, 45, 40});
    setFromBar1(bars.signal, {3, 2, 0, 0});
    TradeStatistics s;
    Get_Last_Trade(bars, s);
    EXPECT_EQ(s.PV_Since_Last_trade, 20);
    bars.signal[2] = kBuySignal;
    Get_Last_Trade(bars, s);
    EXPECT_EQ(s.Sens_Last_trade, "Buy");
    EXPECT_EQ(s.PV_Since_Last_trade, -20);
}

TEST(EquityTop, PlateauTopIsItsFirstBarWhileThePeakCloseFollowsItsLast)
{
    BarSeries bars;
    setCloses(bars, {10, 10, 10, 11, 12, 14, 16, 20});
    setFromBar1(bars.equity, {0.0, 0.0, 0.0, 1.0, 3.0, 3.0, 3.0, 2.0});
    std::string topDate;
    EXPECT_EQ(NBBars_Last_Top_Equity_Curve(bars, topDate), 3);
    EXPECT_EQ(topDate, handDate(5));
    std::string ddDate;
    double account = 0;
    EXPECT_EQ(Calcul_Updated_Max_intraday_drawdown(bars, kFirstBar, ddDate, account), 6.25);  // 1 under 16
    EXPECT_EQ(ddDate, handDate(8));
    EXPECT_EQ(account, 1.25);
}

TEST(ZeroCloseGuards, EntryAndPeakClosesOfZeroGiveZeroInsteadOfFailing)
{
    BarSeries bars;
    setCloses(bars, {10, 10, 0, 5, 4});
    setFromBar1(bars.signal, {3, 0, 1, 0, 0});
    setFromBar1(bars.equity, {0.0, 0.0, 0.0, 5.0, 4.0});
    bars.Close[4] = 0;  // the close at the equity peak
    const TradeStatistics s = computeTradeStatistics(bars, kFirstBar);
    EXPECT_EQ(s.PV_Since_Last_trade, 0);
    EXPECT_EQ(s.Total_profit_pourcent, 0);
    EXPECT_EQ(s.Updated_Max_intraday_drawdown, 0);
    EXPECT_EQ(s.date_UMDD, "01/01/1900");
}

}  // namespace
}  // namespace kiruvan
