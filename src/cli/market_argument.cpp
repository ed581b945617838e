#include "cli/market_argument.h"

#include <stdexcept>
#include <string>

#include "base/ascii_text.h"

namespace kiruvan::cli {

Market requireMarket(const DataFolder& folder, std::string_view name)
{
    const std::vector<Market> markets = readMarkets(folder);
    const auto matches = marketsNamed(markets, name);
    if (matches.empty() && markets.empty())
        throw std::runtime_error("no market named " + quotedText(name)
                                 + ": there is no market yet; add one with 'kiruvan-cli add-market NAME'");
    if (matches.empty()) {
        std::string known;
        for (const Market& market : markets)
            known += (known.empty() ? "" : ", ") + market.name;
        throw std::runtime_error("no market named " + quotedText(name) + "; the markets are: " + known);
    }
    if (matches.size() > 1)
        throw std::runtime_error("several markets are named " + quotedText(name));
    return matches.front();
}

}  // namespace kiruvan::cli
