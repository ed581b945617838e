#pragma once

// The check that comes before a chart window is opened on a market.

#include <cstdint>
#include <string>
#include <string_view>

#include "database/master_table.h"

namespace kiruvan {

// "Symbol not found in 'NAME'." with the name quoted as a text literal (quotes doubled).
std::string symbolNotFoundMessage(std::string_view marketName);

}  // namespace kiruvan
