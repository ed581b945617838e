#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "database/data_folder.h"
#include "database/table.h"

namespace kiruvan {

// One row of the results table: the best parameter pair of one symbol with its statistics.
// Members carry the field names; their order is the table's field order.
struct ResultRow {
    std::int32_t Code_Market = 0;
    std::string Code_Stock;
    std::string Nom_Market;
    std::string Nom_Stock;
    std::string Date_Last_Trade;
    std::string Sens_Last_trade;
    double cours_Last_trade = 0;
    double Cours_backtest = 0;
    double PV_Since_Last_trade = 0;
    std::int32_t Opt1 = 0;
    std::int32_t Opt2 = 0;
    std::int32_t First_Bar = 0;
    std::string Date_BackTest;
    std::int32_t Last_Top_Equity = 0;
    std::string DateStr_Last_Top_Equity_Curve;
    double Total_profit_pourcent = 0;
    std::int32_t NB_Trades = 0;
    std::int32_t Number_Winning_trades = 0;
    std::int32_t Number_Loosing_trades = 0;
    double Percent_profitable = 0;
    double Gross_Profit = 0;
    double Gross_Loss = 0;
    double Profit_Factor = 0;
    double Max_intraday_drawdown = 0;
    double Updated_Max_intraday_drawdown = 0;
    std::string date_UMDD;
    double Updated_Account_size_required = 0;
    double Updated_Return_On_Account = 0;

    friend bool operator==(const ResultRow&, const ResultRow&) = default;
};

// One field of the results table and the member of ResultRow that holds it.
struct ResultField {
    using Member = std::variant<std::int32_t ResultRow::*, double ResultRow::*, std::string ResultRow::*>;
    std::string_view name;
    FieldType type;
    int size;
    Member member;
};

inline constexpr int kResultFieldCount = 28;

// The fields in the table's order.
const std::array<ResultField, kResultFieldCount>& resultFields();

// Creates the empty results file when the data folder has none. Returns true when it did.
bool CreateDataset_Trading_system(const DataFolder& folder);

// The row under the table's cursor; fields are found by name without regard to case.
ResultRow readResultRow(Table& table);

// The results table of one backtest run. It keeps the file's rows of every market in memory
// and saves all of them after each appended row.
class ResultsTable {
public:
    explicit ResultsTable(DataFolder folder);

    // Loads the results file and removes, in memory only, the rows of the market. The filter
    // on the market stays on for the rest of the run.
    void Delete_anciennes_valeurs_dans_CDS_Optimisation(std::int32_t marketId);

    // Appends the row and saves the whole table. When setting, posting or saving fails the
    // row is taken out again, so that memory and file agree, and the error is rethrown.
    void appendRow(const ResultRow& row);

    Table& table() { return table_; }

private:
    void setFields(const ResultRow& row);
    void withdrawLastRow();

    DataFolder folder_;
    Table table_;
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
