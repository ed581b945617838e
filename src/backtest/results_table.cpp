#include "backtest/results_table.h"

#include <filesystem>

#include "database/field_values.h"
#include "database/program_tables.h"
#include "database/table_filter.h"

namespace kiruvan {

namespace {

using R = ResultRow;
using S = TradeStatistics;

constexpr std::array<ResultField, kResultFieldCount> kFields = {{
    {kResultMarketField, FieldType::Integer, 0, &R::Code_Market},
    {kResultSymbolField, FieldType::String, 30, &R::Code_Stock},
    {"Nom_Market", FieldType::String, 30, &R::Nom_Market},
    {"Nom_Stock", FieldType::String, 30, &R::Nom_Stock},
    {"Date_Last_Trade", FieldType::String, 30, &S::Date_Last_Trade},
    {"Sens_Last_trade", FieldType::String, 30, &S::Sens_Last_trade},
    {"cours_Last_trade", FieldType::Float, 0, &S::cours_Last_trade},
    {"Cours_backtest", FieldType::Float, 0, &R::Cours_backtest},
    {"PV_Since_Last_trade", FieldType::Float, 0, &S::PV_Since_Last_trade},
    {"Opt1", FieldType::Integer, 0, &R::Opt1},
    {"Opt2", FieldType::Integer, 0, &R::Opt2},
    {"First_Bar", FieldType::Integer, 0, &R::First_Bar},
    {"Date_BackTest", FieldType::String, 10, &R::Date_BackTest},
    {"Last_Top_Equity", FieldType::Integer, 0, &S::Last_Top_Equity},
    {"DateStr_Last_Top_Equity_Curve", FieldType::String, 10, &S::DateStr_Last_Top_Equity_Curve},
    {"Total_profit_pourcent", FieldType::Float, 0, &S::Total_profit_pourcent},
    {"NB_Trades", FieldType::Integer, 0, &S::NB_Trades},
    {"Number_Winning_trades", FieldType::Integer, 0, &S::Number_Winning_trades},
    {"Number_Loosing_trades", FieldType::Integer, 0, &S::Number_Loosing_trades},
    {"Percent_profitable", FieldType::Float, 0, &S::Percent_profitable},
    {"Gross_Profit", FieldType::Float, 0, &S::Gross_Profit},
    {"Gross_Loss", FieldType::Float, 0, &S::Gross_Loss},
    {"Profit_Factor", FieldType::Float, 0, &S::Profit_Factor},
    {"Max_intraday_drawdown", FieldType::Float, 0, &S::Max_intraday_drawdown},
    {"Updated_Max_intraday_drawdown", FieldType::Float, 0, &S::Updated_Max_intraday_drawdown},
    {"date_UMDD", FieldType::String, 10, &S::date_UMDD},
    {"Updated_Account_size_required", FieldType::Float, 0, &S::Updated_Account_size_required},
    {"Updated_Return_On_Account", FieldType::Float, 0, &S::Updated_Return_On_Account},
}};

// The order in which a new row's fields are set: identifiers, parameters, the last bar, the
// running trade, then the statistics. Positions in kFields.
constexpr std::array<int, kResultFieldCount> kAppendOrder = {
    0, 1, 3, 9, 10, 11, 12, 7, 4, 5, 6, 8, 13, 2, 14, 15, 16, 20, 21, 22, 17, 18, 19, 23, 24, 25, 26, 27,
};

std::filesystem::path resultsFile(const DataFolder& folder)
{
    return folder.file(kOptimizationFile);
}

void writeField(FieldRef target, const ResultRow& row, const ResultField& field)
{
    visitResultField(row, field, [&](const auto& value) { writeFieldValue(target, value); });
}

void readField(const FieldRef& source, ResultRow& row, const ResultField& field)
{
    visitResultField(row, field, [&](auto& value) { readFieldValue(source, value); });
}

}  // namespace

const std::array<ResultField, kResultFieldCount>& resultFields()
{
    return kFields;
}

bool CreateDataset_Trading_system(const DataFolder& folder)
{
    const auto file = resultsFile(folder);
    if (std::filesystem::exists(file))
        return false;
    Table table;
    for (const ResultField& f : kFields)
        table.addField(std::string(f.name), f.type, f.size);
    table.create();
    table.saveToFile(file);
    return true;
}

ResultRow readResultRow(Table& table)
{
    ResultRow row;
    for (const ResultField& f : kFields)
        readField(table.field(f.name), row, f);
    return row;
}

ResultsTable::ResultsTable(DataFolder folder) : rows_(resultsFile(folder))
{
}

void ResultsTable::Delete_anciennes_valeurs_dans_CDS_Optimisation(std::int32_t marketId)
{
    rows_.start(marketId);
}

void ResultsTable::appendRow(const ResultRow& row)
{
    rows_.replace(row.Code_Stock, [&](Table& table) {
        for (int position : kAppendOrder) {
            const ResultField& f = kFields[position];
            writeField(table.field(f.name), row, f);
        }
    });
}

void ResultsTable::removeRowsNotReplaced()
{
    rows_.removeRowsNotReplaced();
}

std::string symbolRowFilter(std::int32_t marketId, std::string_view code)
{
    return bothOf(fieldIs(kResultMarketField, marketId), fieldIs(kResultSymbolField, code));
}

std::optional<ResultRow> Get_Params_Optimisation(const DataFolder& folder, std::int32_t marketId, std::string_view code)
{
    const auto file = resultsFile(folder);
    if (!std::filesystem::exists(file))
        return std::nullopt;
    Table table;
    table.loadFromFile(file);
    table.setFilter(symbolRowFilter(marketId, code));
    table.setFiltered(true);
    if (table.isEmpty())
        return std::nullopt;
    table.first();
    return readResultRow(table);
}

bool open_Optimisation(Table& table, const DataFolder& folder, std::optional<std::int32_t> marketId)
{
    table.close();
    const auto file = resultsFile(folder);
    if (!std::filesystem::exists(file))
        return false;
    table.loadFromFile(file);
    if (marketId) {
        table.setFilter(fieldIs(kResultMarketField, *marketId));
        table.setFiltered(true);
    } else {
        table.setFiltered(false);
    }
    return true;
}

std::vector<ResultRow> readResultRows(const DataFolder& folder, std::optional<std::int32_t> marketId)
{
    std::vector<ResultRow> rows;
    Table table;
    if (!open_Optimisation(table, folder, marketId))
        return rows;
    for (table.first(); !table.eof(); table.next())
        rows.push_back(readResultRow(table));
    return rows;
}

}  // namespace kiruvan
