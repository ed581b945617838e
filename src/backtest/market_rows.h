#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "database/table.h"

namespace kiruvan {

// The rows one backtest run keeps in a table file with a row per symbol (Code_Market,
// Code_Stock, ...): each symbol's rows are replaced in one save, so that the file keeps the old
// row when the new one cannot be written, and another program's save in between is read back
// and the row applied again. Old rows of symbols the run gave no row go at its end.
class MarketRows {
public:
    // defineFields makes the table when the file is missing, written by the first saved row;
    // without it a missing file is refused when the run starts.
    explicit MarketRows(std::filesystem::path file, std::function<void(Table&)> defineFields = {});

    void start(std::int32_t marketId);

    // Replaces the symbol's rows of the market by one that setFields fills in.
    void replace(const std::string& code, const std::function<void(Table&)>& setFields);

    // Removes the market's old rows of symbols replace was not given, once it saved one.
    void removeRowsNotReplaced();

    Table& table() { return *table_; }

private:
    using StoredRow = std::vector<Value>;

    void load();
    void replaceInMemoryAndSave(const std::string& code, const std::function<void(Table&)>& setFields);
    std::vector<StoredRow> takeRowsOf(const std::string& code);
    void withdrawLastRow();

    std::filesystem::path file_;
    std::function<void(Table&)> defineFields_;
    std::unique_ptr<Table> table_ = std::make_unique<Table>();
    std::int32_t marketId_ = 0;
    std::set<std::string> codesGiven_;  // the symbols replace was given, saved or not
    bool savedAny_ = false;
};

}  // namespace kiruvan
