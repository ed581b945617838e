#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "backtest/results_csv.h"
#include "backtest_fixture.h"
#include "report/report_columns.h"

namespace kiruvan {
namespace {

// The report names the results' fields; a field renamed in one list only would leave an empty column.
TEST(ReportColumns, EachNamesAResultField)
{
    for (const ReportColumn& column : reportColumns())
        EXPECT_TRUE(std::any_of(resultFields().begin(), resultFields().end(), [&](const ResultField& field) {
            return field.name == column.field;
        })) << column.field;
}

TEST(ReportText, FollowsEachDisplayFormatWithTheSignInFront)
{
    using enum ReportFormat;
    const struct {
        Value value;
        ReportFormat format;
        std::string text;
    } cases[] = {
        {12.345, TwoDecimals, "12.35"},  {0.125, TwoDecimals, "0.12"},
        {-3.0, TwoDecimals, "-3.00"},    {999.99, TwoDecimals, "999.99"},
        {12.5, Percent, "12.50 %"},      {-0.5, Percent, "-0.50 %"},
        {0.0, Percent, "0.00 %"},        {1234567.891, Dollars, "$ 1234567.89"},
        {-12.5, Dollars, "-$ 12.50"},    {std::int32_t{17}, Days, "17 D"},
        {std::int32_t{0}, Days, "0 D"},  {std::string("Buy"), Plain, "Buy"},
        {std::int32_t{42}, Plain, "42"}, {Value{}, Dollars, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reportText(c.value, c.format), c.text);
}

class ReportRows : public ::testing::Test {
protected:
    ReportRows()
    {
        CreateDataset_Trading_system(data.folder());
        ResultsTable results(data.folder());
        results.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
        for (const auto& [market, code, roa] :
             {std::tuple{1, "AAA", 5.0}, {2, "BBB", 50.0}, {1, "CCC", 9.0}, {1, "DDD", -2.0}}) {
            ResultRow row = test::sampleRow(market, code);
            row.statistics.Updated_Return_On_Account = roa;
            results.appendRow(row);
        }
    }

    std::vector<std::string> codes()
    {
        std::vector<std::string> result;
        for (const ResultRow& row : rowsInViewOrder(table))
            result.push_back(row.Code_Stock);
        return result;
    }

    test::BacktestFolder data;
    Table table;
};

TEST_F(ReportRows, LoadOrderedByReturnOnAccountWithTheBestRowCurrent)
{
    ASSERT_TRUE(loadReportRows(table, data.folder(), 1));
    EXPECT_EQ(codes(), (std::vector<std::string>{"DDD", "AAA", "CCC"}));
    EXPECT_EQ(table["Code_Stock"].asString(), "CCC");

    ASSERT_TRUE(loadReportRows(table, data.folder(), std::nullopt));
    EXPECT_EQ(codes(), (std::vector<std::string>{"DDD", "AAA", "CCC", "BBB"}));
    EXPECT_EQ(table["Code_Stock"].asString(), "BBB");

    ASSERT_TRUE(loadReportRows(table, data.folder(), 3));
    EXPECT_TRUE(table.isEmpty());
}

TEST_F(ReportRows, MissingOrDamagedResultsFileLeavesTheTableClosed)
{
    std::filesystem::remove(data.file("Optimization.cds"));
    EXPECT_FALSE(loadReportRows(table, data.folder(), 1));
    test::writeFile(data.file("Optimization.cds"), "not a table");
    EXPECT_FALSE(loadReportRows(table, data.folder(), 1));
    EXPECT_FALSE(table.isOpen());
}

TEST_F(ReportRows, ExportWritesTheRowsShownInTheirOrderAsTheBatchToolDoes)
{
    ASSERT_TRUE(loadReportRows(table, data.folder(), std::nullopt));
    table.setSortOrder("Code_Stock");
    const auto rows = rowsInViewOrder(table);
    writeResultsCsvFile(data.file("out.csv"), rows);
    std::ostringstream expected;
    writeResultsCsv(expected, rows);
    EXPECT_EQ(test::readFile(data.file("out.csv")), expected.str());
    EXPECT_EQ(rows.front().Code_Stock, "AAA");
    EXPECT_THROW(writeResultsCsvFile(data.file("missing/out.csv"), rows), std::runtime_error);
}

}  // namespace
}  // namespace kiruvan
