#pragma once

#include <cstdint>
#include <vector>

#include "base/calendar_date.h"
#include "trading/bar_series.h"

namespace kiruvan {

// One daily bar as a symbol file holds it.
struct DailyBar {
    Date date;
    double Open = 0;
    double High = 0;
    double Low = 0;
    double Close = 0;
    double Volume = 0;

    friend bool operator==(const DailyBar&, const DailyBar&) = default;
};

struct SyntheticBarsOptions {
    std::uint64_t seed = 1;
    int count = 3501;
    Date firstDay = Date::fromYmd(2012, 1, 2);
    double firstClose = 50.0;
};

// A seeded random walk of weekday bars with prices in cents and Low <= Open, Close <= High,
// all above 0. The same options give the same bars on every machine: only integer arithmetic
// and exactly rounded double operations are used.
std::vector<DailyBar> syntheticDailyBars(const SyntheticBarsOptions& options);

// Puts the newest kMaxLoadedBars bars into the series as the load rule would (no reset).
void fillBarSeries(BarSeries& bars, const std::vector<DailyBar>& daily);

}  // namespace kiruvan
