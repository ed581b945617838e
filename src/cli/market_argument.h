#pragma once

#include <string_view>

#include "backtest/backtest_run.h"
#include "database/data_folder.h"

namespace kiruvan::cli {

// The one market of Markets.cds with this name; throws a readable error when there is none
// or more than one.
Market requireMarket(const DataFolder& folder, std::string_view name);

}  // namespace kiruvan::cli
