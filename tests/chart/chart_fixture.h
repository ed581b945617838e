#pragma once

#include <string>
#include <vector>

#include "backtest/backtest_fixture.h"
#include "backtest/results_table.h"
#include "sampledata/synthetic_bars.h"

namespace kiruvan::test {

// Markets 1 "NYSE" (Alpha, Beta, Gamma, and O'Neil without a file) and 2 "Solo" (Xeno alone).
// Alpha holds 3501 synthetic bars with a stored result; Beta and Gamma 300 bars without one.
class ChartFolder : public BacktestFolder {
public:
    ChartFolder();

    // Stores one result row per given row, replacing the file.
    void storeResults(const std::vector<ResultRow>& rows) const;
};

// The stored row of a symbol with the parameters a backtest of its 3501 bars could choose.
ResultRow storedRow(std::int32_t market, const std::string& code);

// Bars on consecutive calendar days from `first`, all at one price.
std::vector<DailyBar> flatBars(Date first, int count, double price);

}  // namespace kiruvan::test
