#include "trading/bar_loading.h"

#include <stdexcept>

#include "database/data_folder.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "trading/chart_series.h"

namespace kiruvan {

void readNewestBars(Table& symbolTable, BarSeries& bars)
{
    symbolTable.setSortOrder(std::string(kIndexDateField));
    symbolTable.last();
    symbolTable.moveBy(-(kMaxLoadedBars - 1));
    const FieldRef open = symbolTable.field(kOpenField);
    const FieldRef high = symbolTable.field(kHighField);
    const FieldRef low = symbolTable.field(kLowField);
    const FieldRef close = symbolTable.field(kCloseField);
    const FieldRef date = symbolTable.field(kDateField);
    int count = 0;
    while (!symbolTable.eof()) {
        storeBar(bars, ++count, open.asFloat(), high.asFloat(), low.asFloat(), close.asFloat(), date.asString());
        symbolTable.next();
    }
    bars.NBBars = count;
}

void loadNewestBars(const std::filesystem::path& symbolFile, BarSeries& bars)
{
    Table scratch;
    loadSymbolFile(scratch, symbolFile, SymbolFileUse::ReadBars);
    try {
        readNewestBars(scratch, bars);
    } catch (const TableError&) {
        throw;
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(symbolFile.string() + ": " + error.what());
    }
}

bool loadSymbolForChart(ChartSeries& chart, const DataFolder& folder, std::string_view code)
{
    chart.Reinitialise_Les_Tableaux();
    const auto file = folder.findSymbolFile(code);
    if (!file) {
        chart.bars.NBBars = 0;
        return false;
    }
    Verification_Fichier_Data(*file);
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
    Verification_Fichier_Data(*file);
    bars.Reinitialise_Les_Tableaux();
    loadNewestBars(*file, bars);
    return true;
}

}  // namespace kiruvan
