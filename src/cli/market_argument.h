#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "backtest/backtest_run.h"
#include "backtest/results_csv.h"
#include "cli/cli.h"
#include "database/data_folder.h"

namespace kiruvan::cli {

// The one market of Markets.cds with this name; throws a readable error when there is none
// or more than one.
Market requireMarket(const DataFolder& folder, std::string_view name);

// The --format option of the commands that print rows; csv when it is not given.
ResultsFormat requireResultsFormat(Arguments& args);

// The market Master.cds lists the symbol under, or the named one, which must list it.
Market requireMarketOfSymbol(const DataFolder& folder, const std::string& code,
                             const std::optional<std::string>& marketName);

}  // namespace kiruvan::cli
