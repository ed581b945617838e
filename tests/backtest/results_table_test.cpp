#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>

#include "backtest/results_csv.h"
#include "backtest/results_table.h"
#include "backtest_fixture.h"
#include "database/table.h"

namespace kiruvan {
namespace {

using test::BacktestFolder;
using test::sampleRow;

// Writes rows the way a run does: replace each symbol's row, then remove the market's others.
void replaceMarketRows(const DataFolder& folder, std::int32_t market, const std::vector<ResultRow>& rows)
{
    ResultsTable results(folder);
    results.Delete_anciennes_valeurs_dans_CDS_Optimisation(market);
    for (const ResultRow& row : rows)
        results.appendRow(row);
    results.removeRowsNotReplaced();
}

std::vector<std::string> splitCsvLine(const std::string& line)
{
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"')
            cells.back() += line[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            cells.emplace_back();
        else
            cells.back() += c;
    }
    return cells;
}

TEST(ResultsTableFile, IsCreatedEmptyWithTheTwentyEightFieldsInOrder)
{
    BacktestFolder data;
    EXPECT_TRUE(CreateDataset_Trading_system(data.folder()));

    Table table;
    table.loadFromFile(data.file("Optimization.cds"));
    EXPECT_TRUE(table.isEmpty());
    const std::vector<std::pair<std::string, FieldType>> expected = {
        {"Code_Market", FieldType::Integer},
        {"Code_Stock", FieldType::String},
        {"Nom_Market", FieldType::String},
        {"Nom_Stock", FieldType::String},
        {"Date_Last_Trade", FieldType::String},
        {"Sens_Last_trade", FieldType::String},
        {"cours_Last_trade", FieldType::Float},
        {"Cours_backtest", FieldType::Float},
        {"PV_Since_Last_trade", FieldType::Float},
        {"Opt1", FieldType::Integer},
        {"Opt2", FieldType::Integer},
        {"First_Bar", FieldType::Integer},
        {"Date_BackTest", FieldType::String},
        {"Last_Top_Equity", FieldType::Integer},
        {"DateStr_Last_Top_Equity_Curve", FieldType::String},
        {"Total_profit_pourcent", FieldType::Float},
        {"NB_Trades", FieldType::Integer},
        {"Number_Winning_trades", FieldType::Integer},
        {"Number_Loosing_trades", FieldType::Integer},
        {"Percent_profitable", FieldType::Float},
        {"Gross_Profit", FieldType::Float},
        {"Gross_Loss", FieldType::Float},
        {"Profit_Factor", FieldType::Float},
        {"Max_intraday_drawdown", FieldType::Float},
        {"Updated_Max_intraday_drawdown", FieldType::Float},
        {"date_UMDD", FieldType::String},
        {"Updated_Account_size_required", FieldType::Float},
        {"Updated_Return_On_Account", FieldType::Float},
    };
    ASSERT_EQ(table.fieldCount(), 28);
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(table.fields()[i].name, expected[i].first) << "field " << i + 1;
        EXPECT_EQ(table.fields()[i].type, expected[i].second) << "field " << i + 1;
    }
    EXPECT_TRUE(table.indexes().empty());
    const std::vector<int> textSizes = {30, 30, 30, 30, 30, 10, 10, 10};
    std::vector<int> sizes;
    for (const FieldDef& f : table.fields())
        if (f.type == FieldType::String)
            sizes.push_back(f.size);
    EXPECT_EQ(sizes, textSizes);
}

TEST(ResultsTableFile, ExistingFileIsNeitherReplacedNorEmptied)
{
    BacktestFolder data;
    CreateDataset_Trading_system(data.folder());
    replaceMarketRows(data.folder(), 1, {sampleRow(1, "AAA")});

    EXPECT_FALSE(CreateDataset_Trading_system(data.folder()));
    EXPECT_EQ(readResultRows(data.folder(), std::nullopt), std::vector<ResultRow>{sampleRow(1, "AAA")});
}

TEST(ResultsTableRows, RoundTripEveryFieldExactly)
{
    BacktestFolder data;
    CreateDataset_Trading_system(data.folder());
    ResultRow row = sampleRow(7, "X");
    row.statistics.Date_Last_Trade.clear();
    row.statistics.Sens_Last_trade.clear();
    row.Cours_backtest = std::nextafter(0.1, 1.0);
    replaceMarketRows(data.folder(), 7, {row});

    EXPECT_EQ(readResultRows(data.folder(), 7), std::vector<ResultRow>{row});
}

TEST(ResultsTableRows, ReplacingOneMarketKeepsTheOtherMarketsRows)
{
    BacktestFolder data;
    CreateDataset_Trading_system(data.folder());
    replaceMarketRows(data.folder(), 1, {sampleRow(1, "A1"), sampleRow(1, "A2")});
    replaceMarketRows(data.folder(), 2, {sampleRow(2, "B1")});

    replaceMarketRows(data.folder(), 1, {sampleRow(1, "A2", 0.5)});

    EXPECT_EQ(readResultRows(data.folder(), 1), std::vector<ResultRow>{sampleRow(1, "A2", 0.5)});
    EXPECT_EQ(readResultRows(data.folder(), 2), std::vector<ResultRow>{sampleRow(2, "B1")});
    EXPECT_EQ(readResultRows(data.folder(), std::nullopt),
              (std::vector<ResultRow>{sampleRow(2, "B1"), sampleRow(1, "A2", 0.5)}));
}

TEST(ResultsTableRows, OldRowsStayInTheFileUntilTheFirstNewRowIsSaved)
{
    BacktestFolder data;
    CreateDataset_Trading_system(data.folder());
    replaceMarketRows(data.folder(), 1, {sampleRow(1, "A1")});
    const std::string before = test::readFile(data.file("Optimization.cds"));

    ResultsTable results(data.folder());
    results.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
    EXPECT_EQ(results.table().recordCount(), 1);
    EXPECT_EQ(test::readFile(data.file("Optimization.cds")), before);
}

TEST(ResultsTableRows, RowWhoseSaveFailedIsNotWrittenByTheNextSave)
{
    BacktestFolder data;
    CreateDataset_Trading_system(data.folder());
    replaceMarketRows(data.folder(), 2, {sampleRow(2, "B1")});
    ResultsTable results(data.folder());
    results.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);

    // A folder in the file's place makes the save fail.
    std::filesystem::remove(data.file("Optimization.cds"));
    std::filesystem::create_directory(data.file("Optimization.cds"));
    EXPECT_ANY_THROW(results.appendRow(sampleRow(1, "LOST")));
    EXPECT_FALSE(results.table().isEditing());

    std::filesystem::remove(data.file("Optimization.cds"));
    results.appendRow(sampleRow(1, "KEPT"));
    EXPECT_EQ(readResultRows(data.folder(), std::nullopt),
              (std::vector<ResultRow>{sampleRow(2, "B1"), sampleRow(1, "KEPT")}));
}

TEST(ResultsTableReaders, OneSymbolsRowIsFoundEvenWithAQuoteInItsCode)
{
    BacktestFolder data;
    EXPECT_EQ(Get_Params_Optimisation(data.folder(), 1, "O'NEIL"), std::nullopt);  // no file yet

    CreateDataset_Trading_system(data.folder());
    replaceMarketRows(data.folder(), 1, {sampleRow(1, "ONEIL"), sampleRow(1, "O'NEIL", 1), sampleRow(1, "O''NEIL", 2)});
    replaceMarketRows(data.folder(), 2, {sampleRow(2, "O'NEIL", 3)});

    EXPECT_EQ(Get_Params_Optimisation(data.folder(), 1, "O'NEIL"), sampleRow(1, "O'NEIL", 1));
    EXPECT_EQ(Get_Params_Optimisation(data.folder(), 1, "O''NEIL"), sampleRow(1, "O''NEIL", 2));
    EXPECT_EQ(Get_Params_Optimisation(data.folder(), 2, "O'NEIL"), sampleRow(2, "O'NEIL", 3));
    EXPECT_EQ(Get_Params_Optimisation(data.folder(), 3, "O'NEIL"), std::nullopt);
}

TEST(ResultsTableReaders, MissingFileGivesNoRowsAndAClosedTable)
{
    BacktestFolder data;
    Table table;
    EXPECT_FALSE(open_Optimisation(table, data.folder(), 1));
    EXPECT_FALSE(table.isOpen());
    EXPECT_TRUE(readResultRows(data.folder(), std::nullopt).empty());
}

TEST(ResultsCsv, HeaderNamesTheFieldsAndRowsKeepEveryValue)
{
    ResultRow row = sampleRow(3, "A,\"B\"");
    row.statistics.Gross_Profit = 0.1 + 0.2;
    row.statistics.Updated_Return_On_Account = -1.0 / 7.0;
    row.statistics.Max_intraday_drawdown = 1e-310;  // subnormal
    std::ostringstream out;
    writeResultsCsv(out, {row});

    std::istringstream in(out.str());
    std::string header, line, rest;
    std::getline(in, header);
    std::getline(in, line);
    EXPECT_FALSE(std::getline(in, rest));
    const auto names = splitCsvLine(header);
    const auto cells = splitCsvLine(line);
    ASSERT_EQ(names.size(), 28u);
    ASSERT_EQ(cells.size(), 28u);
    EXPECT_EQ(names.front(), "Code_Market");
    EXPECT_EQ(names.back(), "Updated_Return_On_Account");
    EXPECT_EQ(cells[1], "A,\"B\"");
    EXPECT_EQ(cells[0], "3");
    EXPECT_EQ(std::strtod(cells[20].c_str(), nullptr), row.statistics.Gross_Profit);
    EXPECT_EQ(std::strtod(cells[27].c_str(), nullptr), row.statistics.Updated_Return_On_Account);
    EXPECT_EQ(std::strtod(cells[23].c_str(), nullptr), row.statistics.Max_intraday_drawdown);
    EXPECT_EQ(cells[22], "999.99");
}

TEST(ResultsText, TsvAndJsonKeepTextsAndNumbersReadable)
{
    ResultRow row = sampleRow(3, "A\t\"B\"");
    row.statistics.Gross_Profit = 214.55;
    std::ostringstream tsv, json;
    writeResults(tsv, {row}, ResultsFormat::Tsv);
    writeResults(json, {row}, ResultsFormat::Json);
    EXPECT_NE(tsv.str().find("\n3\tA\\t\"B\"\t"), std::string::npos) << tsv.str();
    EXPECT_NE(json.str().find("{\"Code_Market\": 3, \"Code_Stock\": \"A\\u0009\\\"B\\\"\", "), std::string::npos)
        << json.str();
    EXPECT_NE(json.str().find("\"Gross_Profit\": 214.55,"), std::string::npos);
    std::ostringstream empty;
    writeResults(empty, {}, ResultsFormat::Json);
    EXPECT_EQ(empty.str(), "[]\n");
}

TEST(ResultsText, NoFormatWritesANumberThatIsNotFinite)
{
    for (double bad : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        for (ResultsFormat format : {ResultsFormat::Csv, ResultsFormat::Tsv, ResultsFormat::Json}) {
            ResultRow row = sampleRow(3, "A");
            row.statistics.Profit_Factor = bad;
            std::ostringstream out;
            EXPECT_THROW(writeResults(out, {row}, format), std::domain_error);
        }
}

}  // namespace
}  // namespace kiruvan
