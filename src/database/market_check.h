#pragma once

// The check that comes before a chart window is opened on a market.

#include <cstdint>
#include <string>
#include <string_view>

#include "database/data_folder.h"

namespace kiruvan {

// Whether Master.cds of the data folder lists at least one symbol of the market.
bool marketHasSymbols(const DataFolder& folder, std::int32_t marketId);

// "Symbol not found in 'NAME'." with the name quoted as a text literal (quotes doubled).
std::string symbolNotFoundMessage(std::string_view marketName);

}  // namespace kiruvan
