#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "backtest/market_rows.h"
#include "database/data_folder.h"
#include "database/table.h"
#include "trading/trade_statistics.h"

namespace kiruvan {

// One row of the results table: the best parameter pair of one symbol with its statistics.
// Members carry the field names.
struct ResultRow {
    std::int32_t Code_Market = 0;
    std::string Code_Stock;
    std::string Nom_Market;
    std::string Nom_Stock;
    std::int32_t Opt1 = 0;
    std::int32_t Opt2 = 0;
    std::int32_t First_Bar = 0;
    std::string Date_BackTest;
    double Cours_backtest = 0;
    TradeStatistics statistics;

    friend bool operator==(const ResultRow&, const ResultRow&) = default;
};

// One field of the results table and the member of ResultRow (or of its statistics) that
// holds it.
struct ResultField {
    using Member =
        std::variant<std::int32_t ResultRow::*, double ResultRow::*, std::string ResultRow::*,
                     std::int32_t TradeStatistics::*, double TradeStatistics::*, std::string TradeStatistics::*>;
    std::string_view name;
    FieldType type;
    int size;
    Member member;
};

// The row's value of a field, const when the row is.
template <typename Row, typename Owner, typename T>
auto& memberOf(Row& row, T Owner::*member)
{
    if constexpr (std::is_same_v<Owner, ResultRow>)
        return row.*member;
    else
        return row.statistics.*member;
}

// Calls f with the row's value of the field (an int32, a double or a string).
template <typename Row, typename F>
void visitResultField(Row& row, const ResultField& field, F&& f)
{
    std::visit([&](auto member) { f(memberOf(row, member)); }, field.member);
}

inline constexpr int kResultFieldCount = 28;

// The fields in the table's order.
const std::array<ResultField, kResultFieldCount>& resultFields();

// Creates the empty results file when the data folder has none. Returns true when it did.
bool CreateDataset_Trading_system(const DataFolder& folder);

// The row under the table's cursor; fields are found by name without regard to case.
ResultRow readResultRow(Table& table);

// The results table of one backtest run. It keeps the file's rows of every market in memory
// and saves what changed after each appended row. Several runs may save into one file: a run
// that finds the file changed by another reads it again and applies its own row anew.
class ResultsTable {
public:
    explicit ResultsTable(DataFolder folder);

    // Loads the results file for a run over the market; the filter on the market stays on for
    // the rest of the run. The market's old rows stay until the run replaces them.
    void Delete_anciennes_valeurs_dans_CDS_Optimisation(std::int32_t marketId);

    // Replaces the symbol's old rows of the market by this one in one save, so that the file
    // keeps the old row when the new one cannot be written; then memory and file agree again
    // and the error is rethrown.
    void appendRow(const ResultRow& row);

    // Removes the market's old rows of symbols that got no row from appendRow, once it saved one.
    void removeRowsNotReplaced();

    Table& table() { return rows_.table(); }

private:
    MarketRows rows_;
};

// The filter that finds one symbol's row; the code is quoted with embedded quotes doubled.
std::string symbolRowFilter(std::int32_t marketId, std::string_view code);

// One symbol's stored row, or nullopt when the file or the row is missing.
std::optional<ResultRow> Get_Params_Optimisation(const DataFolder& folder, std::int32_t marketId,
                                                 std::string_view code);

// Loads the results file into the table: the rows of one market, or every row without a
// market. Returns false, leaving the table closed, when the file is missing.
bool open_Optimisation(Table& table, const DataFolder& folder, std::optional<std::int32_t> marketId);

// The visible rows of open_Optimisation, in file order.
std::vector<ResultRow> readResultRows(const DataFolder& folder, std::optional<std::int32_t> marketId);

}  // namespace kiruvan
