#include "backtest/robustness_table.h"

#include <filesystem>

#include "backtest/results_table.h"
#include "database/field_values.h"
#include "database/program_tables.h"
#include "database/table_filter.h"

namespace kiruvan {
namespace {

using R = RobustnessRow;
using F = RobustnessFigures;

constexpr std::array<RobustnessField, kRobustnessFieldCount> kFields = {{
    {kResultMarketField, FieldType::Integer, 0, &R::Code_Market},
    {kResultSymbolField, FieldType::String, 30, &R::Code_Stock},
    {"Date_BackTest", FieldType::String, 10, &R::Date_BackTest},
    {"Holdout_Date", FieldType::String, 10, &F::Holdout_Date},
    {"Holdout_Opt1", FieldType::Integer, 0, &F::Holdout_Opt1},
    {"Holdout_Opt2", FieldType::Integer, 0, &F::Holdout_Opt2},
    {"Holdout_Return", FieldType::Float, 0, &F::Holdout_Return},
    {"Holdout_Buy_Hold", FieldType::Float, 0, &F::Holdout_Buy_Hold},
    {"Holdout_Rank", FieldType::Float, 0, &F::Holdout_Rank},
    {"PBO", FieldType::Float, 0, &F::PBO},
}};

std::filesystem::path robustnessFile(const DataFolder& folder)
{
    return folder.file(kRobustnessFile);
}

void defineFields(Table& table)
{
    for (const RobustnessField& f : kFields)
        table.addField(std::string(f.name), f.type, f.size);
}

RobustnessRow readRow(Table& table)
{
    RobustnessRow row;
    for (const RobustnessField& f : kFields)
        visitRobustnessField(row, f, [&](auto& value) { readFieldValue(table.field(f.name), value); });
    return row;
}

std::vector<RobustnessRow> readRows(const DataFolder& folder, const std::string& filter)
{
    std::vector<RobustnessRow> rows;
    const auto file = robustnessFile(folder);
    if (!std::filesystem::exists(file))
        return rows;
    Table table;
    table.loadFromFile(file);
    if (!filter.empty()) {
        table.setFilter(filter);
        table.setFiltered(true);
    }
    for (table.first(); !table.eof(); table.next())
        rows.push_back(readRow(table));
    return rows;
}

}  // namespace

const std::array<RobustnessField, kRobustnessFieldCount>& robustnessFields()
{
    return kFields;
}

RobustnessTable::RobustnessTable(const DataFolder& folder) : rows_(robustnessFile(folder), defineFields)
{
}

void RobustnessTable::appendRow(const RobustnessRow& row)
{
    rows_.replace(row.Code_Stock, [&](Table& table) {
        for (const RobustnessField& f : kFields)
            visitRobustnessField(row, f, [&](const auto& value) { writeFieldValue(table.field(f.name), value); });
    });
}

std::vector<RobustnessRow> readRobustnessRows(const DataFolder& folder, std::optional<std::int32_t> marketId)
{
    return readRows(folder, marketId ? fieldIs(kResultMarketField, *marketId) : std::string());
}

std::optional<RobustnessRow> storedRobustness(const DataFolder& folder, std::int32_t marketId, std::string_view code)
{
    std::vector<RobustnessRow> rows = readRows(folder, symbolRowFilter(marketId, code));
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

}  // namespace kiruvan
