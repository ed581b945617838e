#pragma once

// The columns of the performance report's robustness tab: a title in words and the text and
// the sort key of each cell.

#include <array>
#include <string>
#include <string_view>

#include "backtest/robustness_table.h"

namespace kiruvan {

inline constexpr std::string_view kRobustnessTabCaption = " Robustness ";

// A probability of overfitting from here on says the best pair was most likely luck.
inline constexpr double kOverfittingWarning = 50;

struct RobustnessColumn {
    std::string_view title;
    std::string (*text)(const RobustnessRow& row);
    double (*sortKey)(const RobustnessRow& row);  // texts sort by their own order when null
};

const std::array<RobustnessColumn, 8>& robustnessColumns();

// True when no pair of the search ever traded: every figure is then a tie.
bool withoutTrades(const RobustnessRow& row);

}  // namespace kiruvan
