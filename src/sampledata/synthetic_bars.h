#pragma once

#include <cstdint>
#include <vector>

#include <filesystem>
#include <string_view>

#include "base/calendar_date.h"
#include "trading/bar_series.h"

namespace kiruvan {

class DataFolder;
class Table;

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

// Appends bars as rows of the standard symbol layout to an open table.
void appendSymbolRows(Table& symbolTable, const std::vector<DailyBar>& daily);

// Adds the bars to the code's symbol file, creating it with the standard layout when missing.
// Returns the file.
std::filesystem::path appendToSymbolFile(const DataFolder& folder, std::string_view code,
                                         const std::vector<DailyBar>& daily);

}  // namespace kiruvan
