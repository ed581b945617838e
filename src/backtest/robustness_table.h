#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "backtest/market_rows.h"
#include "database/data_folder.h"
#include "database/table.h"
#include "trading/robustness.h"

namespace kiruvan {

// One row of the robustness table: the figures of one symbol's last backtest. Members carry
// the field names.
struct RobustnessRow : RobustnessFigures {
    std::int32_t Code_Market = 0;
    std::string Code_Stock;
    std::string Date_BackTest;

    friend bool operator==(const RobustnessRow&, const RobustnessRow&) = default;
};

struct RobustnessField {
    using Member =
        std::variant<std::int32_t RobustnessRow::*, std::string RobustnessRow::*, std::int32_t RobustnessFigures::*,
                     double RobustnessFigures::*, std::string RobustnessFigures::*>;
    std::string_view name;
    FieldType type;
    int size;
    Member member;
};

inline constexpr int kRobustnessFieldCount = 10;

// The fields in the table's order.
const std::array<RobustnessField, kRobustnessFieldCount>& robustnessFields();

// Calls f with the row's value of the field (an int32, a double or a string).
template <typename Row, typename F>
void visitRobustnessField(Row& row, const RobustnessField& field, F&& f)
{
    std::visit([&](auto member) { f(row.*member); }, field.member);
}

// The robustness rows of one backtest run, kept like its results: each symbol's row replaced in
// one save, the market's rows of symbols without a new one removed at the end. The file is made
// when the first row is saved.
class RobustnessTable {
public:
    explicit RobustnessTable(const DataFolder& folder);

    void start(std::int32_t marketId) { rows_.start(marketId); }
    void appendRow(const RobustnessRow& row);
    void removeRowsNotReplaced() { rows_.removeRowsNotReplaced(); }

private:
    MarketRows rows_;
};

// The stored rows of one market, or of every market; none when the file is missing.
std::vector<RobustnessRow> readRobustnessRows(const DataFolder& folder, std::optional<std::int32_t> marketId);

// One symbol's stored row, or nullopt when the file or the row is missing.
std::optional<RobustnessRow> storedRobustness(const DataFolder& folder, std::int32_t marketId, std::string_view code);

}  // namespace kiruvan
