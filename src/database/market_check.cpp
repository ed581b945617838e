#include "database/market_check.h"

#include "database/table.h"

namespace kiruvan {

bool marketHasSymbols(const DataFolder& folder, std::int32_t marketId)
{
    Table symbols;
    symbols.setFileName(folder.file(kMasterFile));
    symbols.setFilter("code_Marche=" + std::to_string(marketId));
    symbols.setFiltered(true);
    symbols.open();
    return !symbols.isEmpty();
}

std::string symbolNotFoundMessage(std::string_view marketName)
{
    return "Symbol not found in " + quotedForFilter(marketName) + ".";
}

}  // namespace kiruvan
