#include "database/market_check.h"

#include "database/table.h"
#include "database/table_filter.h"

namespace kiruvan {

std::string symbolNotFoundMessage(std::string_view marketName)
{
    return "Symbol not found in " + quotedForFilter(marketName) + ".";
}

}  // namespace kiruvan
