#include "trading/trade_list.h"

#include <cmath>

#include "trading/trade_statistics.h"

namespace kiruvan {
namespace {

const char* directionText(int direction)
{
    return direction == 1 ? "Buy" : direction == -1 ? "Sell" : "none";
}

const char* resultText(TradeOutcome outcome)
{
    switch (outcome) {
    case TradeOutcome::Win:
        return "win";
    case TradeOutcome::Loss:
        return "loss";
    default:
        return "even";
    }
}

double pointsOf(const TradeSegment& segment)
{
    switch (segment.outcome) {
    case TradeOutcome::Win:
        return std::fabs(segment.diff);
    case TradeOutcome::Loss:
        return -std::fabs(segment.diff);
    default:
        return 0;
    }
}

// The formula of the running trade's profit since entry, for every trade.
double percentOf(double entryClose, double exitClose, int direction)
{
    if (direction == 0 || entryClose == 0)
        return 0;
    return (exitClose * 100 / entryClose - 100) * direction;
}

}  // namespace

const std::array<TradeColumn, 11>& tradeListColumns()
{
    using T = TradeRow;
    static constexpr std::array<TradeColumn, 11> columns = {{
        {"Trade", &T::Trade},
        {"Entry_Bar", &T::Entry_Bar},
        {"Entry_Date", &T::Entry_Date},
        {"Direction", &T::Direction},
        {"Entry_Close", &T::Entry_Close},
        {"Exit_Bar", &T::Exit_Bar},
        {"Exit_Date", &T::Exit_Date},
        {"Exit_Close", &T::Exit_Close},
        {"Points", &T::Points},
        {"Percent", &T::Percent},
        {"Result", &T::Result},
    }};
    return columns;
}

std::vector<TradeRow> tradeList(const BarSeries& bars, int First_Bar)
{
    std::vector<TradeRow> rows;
    for (const TradeSegment& segment : tradeSegmentList(bars, First_Bar)) {
        const double entry = bars.Close[segment.entryBar];
        const double exit = bars.Close[segment.exitBar];
        rows.push_back({static_cast<int>(rows.size()) + 1, segment.entryBar, bars.DateStr[segment.entryBar],
                        directionText(segment.direction), entry, segment.exitBar, bars.DateStr[segment.exitBar], exit,
                        pointsOf(segment), percentOf(entry, exit, segment.direction), resultText(segment.outcome)});
    }
    return rows;
}

}  // namespace kiruvan
