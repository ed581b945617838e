#include "cli/market_argument.h"

#include <stdexcept>
#include <string>

namespace kiruvan::cli {

Market requireMarket(const DataFolder& folder, std::string_view name)
{
    const auto matches = marketsNamed(readMarkets(folder), name);
    if (matches.empty())
        throw std::runtime_error("no market named '" + std::string(name) + "' in " +
                                 folder.file(kMarketsFile).string());
    if (matches.size() > 1)
        throw std::runtime_error("several markets are named '" + std::string(name) + "'");
    return matches.front();
}

}  // namespace kiruvan::cli
