#include "chart_fixture.h"

#include <filesystem>

#include "trading/bar_loading.h"

namespace kiruvan::test {

ChartFolder::ChartFolder()
{
    writeMarkets({{1, "NYSE"}, {2, "Solo"}});
    writeSymbols(
        {{"GAM", "Gamma", 1}, {"ALP", "Alpha", 1}, {"BET", "Beta", 1}, {"O'N", "O'Neil", 1}, {"XEN", "Xeno", 2}});
    writeBars("ALP", 3501, 1);
    writeBars("BET", 300, 2);
    writeBars("GAM", 300, 3);
    writeBars("XEN", 300, 4);
    storeResults({storedRow(1, "ALP")});
}

void ChartFolder::storeResults(const std::vector<ResultRow>& rows) const
{
    std::filesystem::remove(file("Optimization.cds"));
    CreateDataset_Trading_system(folder());
    ResultsTable results(folder());
    results.Delete_anciennes_valeurs_dans_CDS_Optimisation(0);
    for (const ResultRow& row : rows)
        results.appendRow(row);
}

ResultRow storedRow(std::int32_t market, const std::string& code)
{
    ResultRow row = sampleRow(market, code);
    row.Opt1 = 45;
    row.Opt2 = 31;
    row.First_Bar = 3501 - 1251 + 1;
    return row;
}

std::vector<DailyBar> flatBars(Date first, int count, double price)
{
    std::vector<DailyBar> bars;
    for (int i = 0; i < count; ++i)
        bars.push_back({Date::fromDayNumber(first.dayNumber() + i), price, price, price, price, 1000});
    return bars;
}

}  // namespace kiruvan::test
