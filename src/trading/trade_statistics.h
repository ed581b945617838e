#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "trading/bar_series.h"

namespace kiruvan {

// The statistics of one backtest evaluation over bars First_Bar..NBBars, named as the
// result row's fields.
struct TradeStatistics {
    std::string Date_Last_Trade;       // running trade: entry date, empty without a trade
    std::string Sens_Last_trade;       // "Buy", "Sell" or empty
    double cours_Last_trade = 0;       // close of the entry bar
    double PV_Since_Last_trade = 0;    // percent
    std::int32_t Last_Top_Equity = 0;  // bars from the last top of the equity curve
    std::string DateStr_Last_Top_Equity_Curve;
    double Total_profit_pourcent = 0;
    std::int32_t NB_Trades = 0;
    std::int32_t Number_Winning_trades = 0;
    std::int32_t Number_Loosing_trades = 0;
    double Percent_profitable = 0;
    double Gross_Profit = 0;
    double Gross_Loss = 0;  // not negative
    double Profit_Factor = 0;
    double Max_intraday_drawdown = 0;          // price points
    double Updated_Max_intraday_drawdown = 0;  // percent
    std::string date_UMDD;                     // "01/01/1900" when 0
    double Updated_Account_size_required = 0;
    double Updated_Return_On_Account = 0;

    friend bool operator==(const TradeStatistics&, const TradeStatistics&) = default;
};

inline constexpr double kProfitFactorWithoutLoss = 999.99;
inline constexpr const char* kNoDrawdownDate = "01/01/1900";

enum class TradeOutcome { Win, Loss, Even };

// One trade segment of the window: from its entry bar (First_Bar, or the end of the segment
// before) to its exit bar (a signal bar or the last bar), held in the direction in force at
// the entry (+1 long, -1 short, 0 when the window has no signal).
struct TradeSegment {
    int entryBar = 0;
    int exitBar = 0;
    int direction = 0;
    double diff = 0;  // exit close - entry close
    TradeOutcome outcome = TradeOutcome::Even;
};

// The segments that gross profit and loss and the winning and losing counts are summed over,
// in bar order; the trade list shows the same ones.
std::vector<TradeSegment> tradeSegmentList(const BarSeries& bars, int First_Bar);

// Every statistic, in the order the search computes them, plus percent profitable and the
// return on account.
TradeStatistics computeTradeStatistics(const BarSeries& bars, int First_Bar);

// The single statistics, for tests and for callers that need one of them.
void Get_Last_Trade(const BarSeries& bars, TradeStatistics& stats);
std::int32_t NBBars_Last_Top_Equity_Curve(const BarSeries& bars, std::string& topDate);
double Calcul_profit_pourcent(const BarSeries& bars, int First_Bar, double pointsProfit);
std::int32_t Calcul_NB_Trades(const BarSeries& bars, int First_Bar);
double Calcul_Gross_Profit(const BarSeries& bars, int First_Bar);
double Calcul_Gross_Loss(const BarSeries& bars, int First_Bar);
double Calcul_Profit_Factor(const BarSeries& bars, int First_Bar);
std::int32_t Calcul_Number_winning_trades(const BarSeries& bars, int First_Bar);
std::int32_t Calcul_Number_Loosing_trades(const BarSeries& bars, int First_Bar);
double Calcul_Max_intraday_drawdown(const BarSeries& bars, int First_Bar);
double Calcul_Updated_Max_intraday_drawdown(const BarSeries& bars, int First_Bar, std::string& date,
                                            double& accountSizeRequired);
double percentProfitable(std::int32_t winningTrades, std::int32_t trades);
double returnOnAccount(double grossProfit, double grossLoss, double accountSizeRequired);

}  // namespace kiruvan
