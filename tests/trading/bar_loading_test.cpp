#include <gtest/gtest.h>

#include <algorithm>

#include "database/data_folder.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "sampledata/synthetic_bars.h"
#include "support/temp_folder.h"
#include "trading/bar_loading.h"
#include "trading/chart_series.h"

namespace kiruvan {
namespace {

class BarLoading : public ::testing::Test {
protected:
    // Writes the bars, in the given order, to a new symbol file and returns its path.
    std::filesystem::path writeSymbol(const std::vector<DailyBar>& rows)
    {
        return appendToSymbolFile(data, "TEST", rows);
    }

    test::TempFolder folder;
    DataFolder data{folder.path()};
};

TEST_F(BarLoading, KeepsTheNewest3501RowsInDateOrder)
{
    auto rows = syntheticDailyBars({.seed = 2, .count = 4000});
    const auto sorted = rows;
    std::reverse(rows.begin(), rows.end());  // the order of rows in a file carries no meaning
    BarSeries bars;
    loadNewestBars(writeSymbol(rows), bars);
    ASSERT_EQ(bars.NBBars, 3501);
    EXPECT_EQ(bars.DateStr[1], sorted[499].date.toText());
    EXPECT_EQ(bars.Close[1], sorted[499].Close);
    EXPECT_EQ(bars.Open[3501], sorted.back().Open);
    EXPECT_EQ(bars.High[3501], sorted.back().High);
    EXPECT_EQ(bars.Low[3501], sorted.back().Low);
    EXPECT_EQ(bars.Mois[3501], sorted.back().date.month());
    EXPECT_EQ(bars.Annee[3501], sorted.back().date.year());
    EXPECT_EQ(bars.DateStr[3502], "");
}

TEST_F(BarLoading, ShorterFilesLoadWhole)
{
    for (const int count : {3501, 10}) {
        const auto rows = syntheticDailyBars({.seed = 2, .count = count});
        std::filesystem::remove(data.symbolFileFor("TEST"));
        BarSeries bars;
        loadNewestBars(writeSymbol(rows), bars);
        ASSERT_EQ(bars.NBBars, count);
        EXPECT_EQ(bars.DateStr[1], rows.front().date.toText());
        EXPECT_EQ(bars.Close[count], rows.back().Close);
    }
}

TEST_F(BarLoading, TwoRowsOfTheSameDayBecomeTwoBars)
{
    auto rows = syntheticDailyBars({.seed = 2, .count = 5});
    rows.insert(rows.begin() + 3, rows[2]);
    rows[3].Close = rows[2].Close + 1;
    BarSeries bars;
    loadNewestBars(writeSymbol(rows), bars);
    ASSERT_EQ(bars.NBBars, 6);
    EXPECT_EQ(bars.DateStr[3], bars.DateStr[4]);
    EXPECT_EQ(bars.Close[4] - bars.Close[3], 1);  // file order kept within the day
}

TEST_F(BarLoading, RowWithoutDateEndsTheLoadWithAnError)
{
    const auto file = writeSymbol(syntheticDailyBars({.seed = 2, .count = 3}));
    Table table;
    table.loadFromFile(file);
    table.last();
    table.edit();
    table.field("Date").clear();
    table.saveToFile(file);
    BarSeries bars;
    EXPECT_THROW(loadNewestBars(file, bars), std::runtime_error);
}

TEST_F(BarLoading, AForeignLayoutIsRebuiltBeforeTheLoad)
{
    Table foreign;
    for (std::string_view name : kSymbolFieldNames)
        foreign.addField(name == kDateField ? "Day" : std::string(name), FieldType::String, 20);
    foreign.create();
    foreign.append();
    foreign.field("Day").setAsString("x");
    foreign.post();
    foreign.saveToFile(data.file("TEST.cds"));
    BarSeries bars;
    ASSERT_TRUE(loadSymbolForBacktest(bars, data, "TEST"));
    EXPECT_EQ(bars.NBBars, 0);
    EXPECT_TRUE(std::filesystem::exists(data.file("TEST.cds.bak")));
}

TEST_F(BarLoading, HoldersDifferOnlyInWhenTheyClearTheSeries)
{
    writeSymbol(syntheticDailyBars({.seed = 2, .count = 20}));
    ChartSeries chart;
    BarSeries backtest;
    ASSERT_TRUE(loadSymbolForChart(chart, data, "test"));  // the resolver ignores case
    ASSERT_TRUE(loadSymbolForBacktest(backtest, data, "TEST"));
    EXPECT_EQ(chart.bars.Close, backtest.Close);
    EXPECT_EQ(chart.bars.NBBars, 20);

    chart.bars.Barux[5] = backtest.Barux[5] = 1;
    EXPECT_FALSE(loadSymbolForChart(chart, data, "MISSING"));
    EXPECT_FALSE(loadSymbolForBacktest(backtest, data, "MISSING"));
    EXPECT_EQ(chart.bars.NBBars, 0);
    EXPECT_EQ(backtest.NBBars, 0);
    EXPECT_EQ(chart.bars.Close[1], 0);
    EXPECT_EQ(chart.bars.Barux[5], 0);
    EXPECT_NE(backtest.Close[1], 0);
    EXPECT_EQ(backtest.Barux[5], 1);

    writeSymbol(syntheticDailyBars({.seed = 3, .count = 8}));  // appended: 28 rows now
    ASSERT_TRUE(loadSymbolForBacktest(backtest, data, "TEST"));
    EXPECT_EQ(backtest.NBBars, 28);
    EXPECT_EQ(backtest.Barux[5], 0);
}

}  // namespace
}  // namespace kiruvan
