#include "trading/trade_statistics.h"

#include <cmath>

#include "trading/trading_system.h"

namespace kiruvan {
namespace {

bool isTradeSignal(std::int32_t code)
{
    return code == kBuySignal || code == kSellSignal;
}

// dir(k): +1 long, -1 short, 0 when the window has no signal at all.
int directionAt(const BarSeries& bars, int k)
{
    switch (get_Last_signal_Trading_fleche(bars, k)) {
    case kBuySignal:
        return 1;
    case kSellSignal:
        return -1;
    default:
        return 0;
    }
}

struct SegmentTotals {
    double gains = 0;
    double losses = 0;
    std::int32_t winning = 0;
    std::int32_t losing = 0;
};

SegmentTotals tradeSegments(const BarSeries& bars, int First_Bar)
{
    SegmentTotals totals;
    for (const TradeSegment& segment : tradeSegmentList(bars, First_Bar)) {
        if (segment.outcome == TradeOutcome::Win) {
            totals.gains = totals.gains + std::fabs(segment.diff);
            ++totals.winning;
        } else if (segment.outcome == TradeOutcome::Loss) {
            totals.losses = totals.losses + std::fabs(segment.diff);
            ++totals.losing;
        }
    }
    return totals;
}

TradeOutcome outcomeOf(double diff, int direction)
{
    if ((diff > 0 && direction == 1) || (diff < 0 && direction == -1))
        return TradeOutcome::Win;
    if ((diff > 0 && direction == -1) || (diff < 0 && direction == 1))
        return TradeOutcome::Loss;
    return TradeOutcome::Even;
}

}  // namespace

// The window cut into trade segments: from the reference close to each signal bar and to the
// last bar, held in the direction in force.
std::vector<TradeSegment> tradeSegmentList(const BarSeries& bars, int First_Bar)
{
    std::vector<TradeSegment> segments;
    const int last = bars.NBBars;
    int entry = First_Bar;
    int direction = directionAt(bars, First_Bar);
    for (int k = First_Bar; k <= last; ++k) {
        const std::int32_t code = bars.signal[k];
        const bool segmentEnds = (code != bars.signal[k - 1] || k == last) && (isTradeSignal(code) || k == last);
        if (!segmentEnds)
            continue;
        const double diff = bars.Close[k] - bars.Close[entry];
        segments.push_back({entry, k, direction, diff, outcomeOf(diff, direction)});
        entry = k;
        if (code == kBuySignal)
            direction = 1;
        else if (code == kSellSignal)
            direction = -1;
    }
    return segments;
}

void Get_Last_Trade(const BarSeries& bars, TradeStatistics& stats)
{
    stats.PV_Since_Last_trade = 0;
    stats.Date_Last_Trade.clear();
    stats.Sens_Last_trade.clear();
    stats.cours_Last_trade = 0;
    const int last = bars.NBBars;
    for (int k = last; k >= 1; --k) {
        if (!isTradeSignal(bars.signal[k]))
            continue;
        const bool isBuy = bars.signal[k] == kBuySignal;
        stats.Date_Last_Trade = bars.DateStr[k];
        stats.Sens_Last_trade = isBuy ? "Buy" : "Sell";
        stats.cours_Last_trade = bars.Close[k];
        // A zero entry close would make the percentage undefined; it then reads 0, the
        // fallback of the guarded statistics, so one bad bar does not stop a run.
        if (bars.Close[k] != 0)
            stats.PV_Since_Last_trade = (bars.Close[last] * 100 / bars.Close[k] - 100) * (isBuy ? 1 : -1);
        return;
    }
}

std::int32_t NBBars_Last_Top_Equity_Curve(const BarSeries& bars, std::string& topDate)
{
    double best = -1000;
    int topBar = 1;
    for (int k = 1; k <= bars.NBBars; ++k) {
        if (bars.equity[k] > best) {
            best = bars.equity[k];
            topBar = k;
        }
    }
    topDate = bars.DateStr[topBar];
    return bars.NBBars - topBar;
}

double Calcul_profit_pourcent(const BarSeries& bars, int First_Bar, double pointsProfit)
{
    const double base = bars.Close[First_Bar];
    return base != 0 ? pointsProfit * 100 / base : 0.0;
}

std::int32_t Calcul_NB_Trades(const BarSeries& bars, int First_Bar)
{
    std::int32_t trades = isTradeSignal(bars.signal[First_Bar]) ? 0 : 1;
    for (int k = First_Bar; k <= bars.NBBars; ++k)
        if (isTradeSignal(bars.signal[k]))
            ++trades;
    return trades;
}

double Calcul_Gross_Profit(const BarSeries& bars, int First_Bar)
{
    return tradeSegments(bars, First_Bar).gains;
}

double Calcul_Gross_Loss(const BarSeries& bars, int First_Bar)
{
    return std::fabs(tradeSegments(bars, First_Bar).losses);
}

double Calcul_Profit_Factor(const BarSeries& bars, int First_Bar)
{
    const SegmentTotals totals = tradeSegments(bars, First_Bar);
    const double loss = std::fabs(totals.losses);
    return loss != 0 ? totals.gains / loss : kProfitFactorWithoutLoss;
}

std::int32_t Calcul_Number_winning_trades(const BarSeries& bars, int First_Bar)
{
    return tradeSegments(bars, First_Bar).winning;
}

std::int32_t Calcul_Number_Loosing_trades(const BarSeries& bars, int First_Bar)
{
    return tradeSegments(bars, First_Bar).losing;
}

double Calcul_Max_intraday_drawdown(const BarSeries& bars, int First_Bar)
{
    enum class Held { None, Long, Short };
    double peak = bars.equity[First_Bar];
    double current = 0;
    double result = 0;
    Held held = Held::None;
    for (int k = First_Bar; k <= bars.NBBars; ++k) {
        const int direction = directionAt(bars, k);
        if (direction == 1)
            held = Held::Long;
        else if (direction == -1)
            held = Held::Short;
        if (held == Held::None)
            continue;
        // The bar's range beyond the close is added in both directions.
        const double value = held == Held::Long ? bars.equity[k] + bars.Close[k] - bars.Low[k]
                                                : bars.equity[k] - bars.Close[k] + bars.High[k];
        if (value > peak) {
            peak = value;
            current = 0;
        }
        if (peak - value > current)
            current = peak - value;
        if (current > result)
            result = current;
    }
    return result;
}

double Calcul_Updated_Max_intraday_drawdown(const BarSeries& bars, int First_Bar, std::string& date,
                                            double& accountSizeRequired)
{
    double result = 0;
    double peak = bars.equity[First_Bar];
    double peakClose = bars.Close[First_Bar];
    date = kNoDrawdownDate;
    for (int k = First_Bar; k <= bars.NBBars; ++k) {
        peak = std::max(peak, bars.equity[k]);
        if (bars.equity[k] == peak)
            peakClose = bars.Close[k];
        // A zero close at the running peak leaves no percentage to measure: the bar counts
        // as 0 %, the fallback of the guarded statistics, instead of stopping the run.
        const double pct = peakClose != 0 ? (peak - bars.equity[k]) * 100 / peakClose : 0.0;
        if (pct > result) {
            result = pct;
            date = bars.DateStr[k];
        }
    }
    accountSizeRequired = result / 100 * bars.Close[bars.NBBars];
    return result;
}

double percentProfitable(std::int32_t winningTrades, std::int32_t trades)
{
    return trades != 0 ? static_cast<double>(winningTrades) * 100 / static_cast<double>(trades) : 0.0;
}

double returnOnAccount(double grossProfit, double grossLoss, double accountSizeRequired)
{
    return accountSizeRequired != 0 ? (grossProfit - grossLoss) * 100 / (2 * accountSizeRequired) : 0.0;
}

TradeStatistics computeTradeStatistics(const BarSeries& bars, int First_Bar)
{
    TradeStatistics s;
    const double pointsProfit = bars.equity[bars.NBBars] - bars.equity[First_Bar];
    Get_Last_Trade(bars, s);
    s.Last_Top_Equity = NBBars_Last_Top_Equity_Curve(bars, s.DateStr_Last_Top_Equity_Curve);
    s.Total_profit_pourcent = Calcul_profit_pourcent(bars, First_Bar, pointsProfit);
    s.NB_Trades = Calcul_NB_Trades(bars, First_Bar);
    s.Gross_Profit = Calcul_Gross_Profit(bars, First_Bar);
    s.Gross_Loss = Calcul_Gross_Loss(bars, First_Bar);
    s.Profit_Factor = Calcul_Profit_Factor(bars, First_Bar);
    s.Number_Winning_trades = Calcul_Number_winning_trades(bars, First_Bar);
    s.Number_Loosing_trades = Calcul_Number_Loosing_trades(bars, First_Bar);
    s.Max_intraday_drawdown = Calcul_Max_intraday_drawdown(bars, First_Bar);
    s.Updated_Max_intraday_drawdown =
        Calcul_Updated_Max_intraday_drawdown(bars, First_Bar, s.date_UMDD, s.Updated_Account_size_required);
    s.Percent_profitable = percentProfitable(s.Number_Winning_trades, s.NB_Trades);
    s.Updated_Return_On_Account = returnOnAccount(s.Gross_Profit, s.Gross_Loss, s.Updated_Account_size_required);
    return s;
}

}  // namespace kiruvan
