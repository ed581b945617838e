#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "backtest/backtest_run.h"
#include "backtest/results_csv.h"
#include "cli/cli.h"
#include "database/data_folder.h"

namespace kiruvan::cli {

// The one market of Markets.cds with this name; throws an error that names the markets and how
// to add one when there is none, or how to tell them apart when there are several.
Market requireMarket(const Context& context, std::string_view name);

// The --format option of the commands that print rows; csv when it is not given.
ResultsFormat requireResultsFormat(Arguments& args);

// The market Master.cds lists the symbol under, or the named one, which must list it; the error
// for an unknown code names a near code or a few listed ones and how to add it.
Market requireMarketOfSymbol(const Context& context, const std::string& code,
                             const std::optional<std::string>& marketName);

// "no symbol AAPL" with a near code, or a few listed codes and how to add it.
std::string unknownSymbolMessage(const Context& context, const std::string& code);

// The market to name in a suggested command: the given one, the only one, else "NAME".
std::string marketToName(const Context& context, const std::optional<std::string>& marketName);

}  // namespace kiruvan::cli
