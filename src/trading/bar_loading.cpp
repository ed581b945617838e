#include "trading/bar_loading.h"

#include <stdexcept>

#include "database/table.h"

namespace kiruvan {

void readNewestBars(Table& symbolTable, BarSeries& bars)
{
    symbolTable.setSortOrder("INDEX_DATE");
    symbolTable.last();
    symbolTable.moveBy(-(kMaxLoadedBars - 1));
    const FieldRef open = symbolTable.field("open");
    const FieldRef high = symbolTable.field("high");
    const FieldRef low = symbolTable.field("low");
    const FieldRef close = symbolTable.field("close");
    const FieldRef date = symbolTable.field("Date");
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
    scratch.loadFromFile(symbolFile);
    try {
        readNewestBars(scratch, bars);
    } catch (const TableError&) {
        throw;
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(symbolFile.string() + ": " + error.what());
    }
}

void appendSymbolRows(Table& symbolTable, const std::vector<DailyBar>& daily)
{
    for (const DailyBar& bar : daily) {
        symbolTable.append();
        symbolTable.field("Date").setAsDate(bar.date);
        symbolTable.field("Open").setAsFloat(bar.Open);
        symbolTable.field("High").setAsFloat(bar.High);
        symbolTable.field("Low").setAsFloat(bar.Low);
        symbolTable.field("Close").setAsFloat(bar.Close);
        symbolTable.field("Volume").setAsFloat(bar.Volume);
        symbolTable.field("INDEX_DATE").setAsString(bar.date.toIndexText());
        symbolTable.post();
    }
}

}  // namespace kiruvan
