#include "database/market_check.h"

#include "database/table.h"

namespace kiruvan {
namespace {

std::string quoted(std::string_view text)
{
    std::string result = "'";
    for (char c : text) {
        if (c == '\'')
            result += '\'';
        result += c;
    }
    return result + "'";
}

}  // namespace

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
    return "Symbol not found in " + quoted(marketName) + ".";
}

}  // namespace kiruvan
