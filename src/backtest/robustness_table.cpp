#include "backtest/robustness_table.h"

#include <filesystem>

#include "backtest/results_table.h"
#include "database/field_values.h"

namespace kiruvan {
namespace {

using R = RobustnessRow;
using F = RobustnessFigures;

constexpr std::array<RobustnessField, kRobustnessFieldCount> kFields = {{
    {"Code_Market", FieldType::Integer, 0, &R::Code_Market},
    {"Code_Stock", FieldType::String, 30, &R::Code_Stock},
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

// The stored table, or a new empty one that the first saved row writes to the file.
void openOrCreate(Table& table, const std::filesystem::path& file)
{
    table.close();
    if (std::filesystem::exists(file)) {
        table.loadFromFile(file);
        return;
    }
    table.clearDefinitions();
    for (const RobustnessField& f : kFields)
        table.addField(std::string(f.name), f.type, f.size);
    table.create();
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

RobustnessTable::RobustnessTable(DataFolder folder) : folder_(std::move(folder))
{
}

void RobustnessTable::removeMarket(std::int32_t marketId)
{
    openOrCreate(table_, robustnessFile(folder_));
    table_.setFilter("Code_Market = " + std::to_string(marketId));
    table_.setFiltered(true);
    while (!table_.isEmpty()) {
        table_.first();
        table_.remove();
    }
}

void RobustnessTable::appendRow(const RobustnessRow& row)
{
    appendAndSave(table_, robustnessFile(folder_), [&] {
        for (const RobustnessField& f : kFields)
            visitRobustnessField(row, f, [&](const auto& value) { writeFieldValue(table_.field(f.name), value); });
    });
}

std::vector<RobustnessRow> readRobustnessRows(const DataFolder& folder, std::optional<std::int32_t> marketId)
{
    return readRows(folder, marketId ? "Code_Market=" + std::to_string(*marketId) : std::string());
}

std::optional<RobustnessRow> storedRobustness(const DataFolder& folder, std::int32_t marketId, std::string_view code)
{
    std::vector<RobustnessRow> rows = readRows(folder, symbolRowFilter(marketId, code));
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

}  // namespace kiruvan
