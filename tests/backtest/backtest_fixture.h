#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backtest/backtest_run.h"
#include "support/temp_folder.h"

namespace kiruvan::test {

struct SymbolSpec {
    std::string code;
    std::string name;
    std::int32_t market = 0;
};

// A data folder with markets, symbols and symbol files written through the table store.
class BacktestFolder {
public:
    BacktestFolder();

    DataFolder folder() const { return DataFolder(temp_.withSeparator()); }
    std::filesystem::path file(const std::string& name) const { return temp_.file(name); }

    void writeMarkets(const std::vector<Market>& markets) const;
    void writeSymbols(const std::vector<SymbolSpec>& symbols) const;

    // A symbol file with this many synthetic daily bars; the seed picks the walk.
    void writeBars(const std::string& code, int barCount, int seed = 0) const;

private:
    TempFolder temp_;
};

// A result row whose every field differs from a default row, for market and code.
ResultRow sampleRow(std::int32_t market, const std::string& code, double salt = 0);

}  // namespace kiruvan::test
