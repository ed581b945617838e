#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "trading/bar_series.h"

namespace kiruvan {

class DataFolder;
struct ChartSeries;

// The load keeps the newest bars of a symbol file: at most this many.
inline constexpr int kMaxLoadedBars = 3501;

// A holder with room for what a load keeps and no more, for the backtest, which only loads
// and searches: a sixth of the full holder's memory, which a short backtest spent a tenth
// of its time mapping and unmapping.
inline std::unique_ptr<BarSeries> newLoadHolder()
{
    return std::make_unique<BarSeries>(kMaxLoadedBars);
}

// The common load rule over a symbol file, its layout checked first (a foreign one rebuilt,
// as Verification_Fichier_Data does): sorted by INDEX_DATE, the newest kMaxLoadedBars rows
// become bars 1..NBBars. The series are not reset here; each holder resets in its own order.
// The store's errors pass through.
void loadNewestBars(const std::filesystem::path& symbolFile, BarSeries& bars);

// The two holders' forms of the load, with the symbol file found by the folder's resolver.
// Both return false when the symbol has no file, leaving NBBars 0.
// The chart clears its series before looking for the file; the backtest looks first and
// leaves the series as they were when there is none or it cannot be read. Read errors pass
// through.
bool loadSymbolForChart(ChartSeries& chart, const DataFolder& folder, std::string_view code);
bool loadSymbolForBacktest(BarSeries& bars, const DataFolder& folder, std::string_view code);

}  // namespace kiruvan
