#include "trading/bar_loading.h"

#include <algorithm>
#include <stdexcept>

#include "database/data_folder.h"
#include "database/symbol_files.h"
#include "trading/chart_series.h"

namespace kiruvan {

namespace {

void storeNewestBars(const std::vector<SymbolFileBar>& rows, BarSeries& bars, const std::filesystem::path& symbolFile)
{
    const std::size_t first = rows.size() - std::min(rows.size(), static_cast<std::size_t>(kMaxLoadedBars));
    int count = 0;
    try {
        for (std::size_t row = first; row < rows.size(); ++row) {
            const SymbolFileBar& bar = rows[row];
            storeBar(bars, ++count, bar.Open, bar.High, bar.Low, bar.Close, bar.day ? bar.day->toText() : "");
        }
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(symbolFile.string() + ": " + error.what());
    }
    bars.NBBars = count;
}

}  // namespace

void loadNewestBars(const std::filesystem::path& symbolFile, BarSeries& bars)
{
    storeNewestBars(readSymbolFileBars(symbolFile), bars, symbolFile);
}

bool loadSymbolForChart(ChartSeries& chart, const DataFolder& folder, std::string_view code)
{
    chart.Reinitialise_Les_Tableaux();
    const auto file = folder.findSymbolFile(code);
    if (!file) {
        chart.bars.NBBars = 0;
        return false;
    }
    loadNewestBars(*file, chart.bars);
    return true;
}

bool loadSymbolForBacktest(BarSeries& bars, const DataFolder& folder, std::string_view code)
{
    const auto file = folder.findSymbolFile(code);
    if (!file) {
        bars.NBBars = 0;
        return false;
    }
    const std::vector<SymbolFileBar> rows = readSymbolFileBars(*file);
    bars.Reinitialise_Les_Tableaux();
    storeNewestBars(rows, bars, *file);
    return true;
}

}  // namespace kiruvan
