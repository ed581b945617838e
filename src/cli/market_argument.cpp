#include "cli/market_argument.h"

#include <stdexcept>
#include <string>

#include "base/ascii_text.h"
#include "database/master_table.h"

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

ResultsFormat requireResultsFormat(Arguments& args)
{
    const std::string name = args.takeOption("--format").value_or("csv");
    const auto format = resultsFormatNamed(name);
    if (!format)
        throw UsageError("--format '" + name + "' is none of: csv, tsv, json");
    return *format;
}

Market requireMarketOfSymbol(const DataFolder& folder, const std::string& code,
                             const std::optional<std::string>& marketName)
{
    const std::optional<Market> named = marketName ? std::optional(requireMarket(folder, *marketName)) : std::nullopt;
    for (const Symbol& symbol : listSymbols(folder, named ? std::optional(named->id) : std::nullopt)) {
        if (symbol.code != code)
            continue;
        if (named)
            return *named;
        for (const Market& market : readMarkets(folder))
            if (market.id == symbol.marketId)
                return market;
        throw std::runtime_error("The symbol " + code + " belongs to market number " + std::to_string(symbol.marketId)
                                 + ", which Markets.cds does not list.");
    }
    throw std::runtime_error(named ? "The market " + named->name + " does not list the symbol " + code + "."
                                   : "The symbol " + code + " is not in Master.cds.");
}

}  // namespace kiruvan::cli
