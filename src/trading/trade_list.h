#pragma once

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "trading/bar_series.h"

namespace kiruvan {

// One row of a pair's trade list: a trade segment of the statistics, as a user reads it.
struct TradeRow {
    int Trade = 0;  // 1, 2, ...
    int Entry_Bar = 0;
    std::string Entry_Date;
    std::string Direction;  // "Buy", "Sell" or "none"
    double Entry_Close = 0;
    int Exit_Bar = 0;
    std::string Exit_Date;
    double Exit_Close = 0;
    double Points = 0;   // |diff| for a win, -|diff| for a loss, 0 when even
    double Percent = 0;  // the move since entry in the trade's direction
    std::string Result;  // "win", "loss" or "even"

    friend bool operator==(const TradeRow&, const TradeRow&) = default;
};

// A column of the trade list and the member that holds it.
struct TradeColumn {
    std::string_view name;
    std::variant<int TradeRow::*, double TradeRow::*, std::string TradeRow::*> member;
};

// The columns of the trade list, in order.
const std::array<TradeColumn, 11>& tradeListColumns();

// The trades of the evaluation the series hold (signals and closes of one pair), over bars
// First_Bar..NBBars: the same segments the trade statistics sum.
std::vector<TradeRow> tradeList(const BarSeries& bars, int First_Bar);

}  // namespace kiruvan
