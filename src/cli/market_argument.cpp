#include "cli/market_argument.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "base/ascii_text.h"
#include "cli/advice.h"
#include "database/master_table.h"

namespace kiruvan::cli {
namespace {

// Enough names to recognise the list by, few enough to read in one line.
constexpr std::size_t kNamesShown = 10;
constexpr std::size_t kCodesShown = 3;

std::vector<std::string> marketNames(const std::vector<Market>& markets)
{
    std::vector<std::string> names;
    for (const Market& market : markets)
        names.push_back(market.name);
    return names;
}

// Markets named alike only when case is ignored are told apart by typing one as listed; markets
// of one name are two entries of the same market, which only renaming one can part.
std::string severalMarketsMessage(std::string_view name, const std::vector<Market>& matches)
{
    const bool sameName =
        std::all_of(matches.begin(), matches.end(), [&](const Market& m) { return m.name == matches.front().name; });
    if (sameName) {
        std::string numbers;
        for (const Market& market : matches)
            numbers += (numbers.empty() ? "" : ", ") + std::to_string(market.id);
        return "several markets are named " + std::string(name) + " (numbers " + numbers
               + "); rename all but one in the program's market manager";
    }
    return "several markets are named " + std::string(name) + " when case is ignored ("
           + namesList(marketNames(matches), kNamesShown) + "); type one as it is listed";
}

// What to do about a code that the symbols (of a market, or all) do not hold.
std::string unknownCodeAdvice(const Context& context, const std::string& code, const std::vector<Symbol>& symbols,
                              const std::optional<std::string>& marketName)
{
    std::vector<std::string> codes;
    for (const Symbol& symbol : symbols)
        codes.push_back(symbol.code);
    if (const std::string guess = didYouMean("", code, codes); !guess.empty())
        return "; " + guess;
    const std::string add = "add it with "
                            + toolCommand(context, "add-symbol --market " + shellWord(marketToName(context, marketName))
                                                       + " " + shellWord(code));
    if (codes.empty())
        return " (no symbol yet; " + add + ")";
    const std::string listing = marketName ? "symbols --market " + shellWord(*marketName) : "symbols";
    return " (symbols: " + namesList(codes, kCodesShown) + "; " + toolCommand(context, listing) + " lists them; " + add
           + ")";
}

}  // namespace

Market requireMarket(const Context& context, std::string_view name)
{
    const std::vector<Market> markets = readMarkets(context.folder);
    const auto matches = marketsNamed(markets, name);
    const std::string add = "add one with " + toolCommand(context, "add-market " + shellWord(name));
    if (matches.empty() && markets.empty())
        throw std::runtime_error("no market " + std::string(name) + " (no market yet; " + add + ")");
    if (matches.empty())
        throw std::runtime_error("no market " + std::string(name)
                                 + " (markets: " + namesList(marketNames(markets), kNamesShown) + "; " + add + ")");
    if (matches.size() > 1)
        throw std::runtime_error(severalMarketsMessage(name, matches));
    return matches.front();
}

std::string unknownSymbolMessage(const Context& context, const std::string& code)
{
    return "no symbol " + code + unknownCodeAdvice(context, code, listSymbols(context.folder), std::nullopt);
}

std::string marketToName(const Context& context, const std::optional<std::string>& marketName)
{
    if (marketName)
        return *marketName;
    const std::vector<Market> markets = readMarkets(context.folder);
    return markets.size() == 1 ? markets.front().name : "NAME";
}

ResultsFormat requireResultsFormat(Arguments& args)
{
    const std::string name = args.takeOption("--format").value_or("csv");
    const auto format = resultsFormatNamed(name);
    if (!format) {
        const std::vector<std::string> names(kResultsFormatNames.begin(), kResultsFormatNames.end());
        const std::string guess = didYouMean("--format", name, names);
        throw UsageError("--format '" + name + "' is none of: " + namesList(names, names.size())
                         + (guess.empty() ? "" : "; " + guess));
    }
    return *format;
}

Market requireMarketOfSymbol(const Context& context, const std::string& code,
                             const std::optional<std::string>& marketName)
{
    const std::optional<Market> named = marketName ? std::optional(requireMarket(context, *marketName)) : std::nullopt;
    const std::vector<Symbol> symbols = listSymbols(context.folder, named ? std::optional(named->id) : std::nullopt);
    for (const Symbol& symbol : symbols) {
        if (symbol.code != code)
            continue;
        if (named)
            return *named;
        for (const Market& market : readMarkets(context.folder))
            if (market.id == symbol.marketId)
                return market;
        throw std::runtime_error("The symbol " + code + " belongs to market number " + std::to_string(symbol.marketId)
                                 + ", which Markets.cds does not list; list it in a market with "
                                 + toolCommand(context, "add-symbol --market NAME " + shellWord(code))
                                 + " and name that market with --market NAME.");
    }
    if (!named)
        throw std::runtime_error(unknownSymbolMessage(context, code));
    for (const Symbol& elsewhere : listSymbols(context.folder)) {
        for (const Market& market : readMarkets(context.folder))
            if (elsewhere.code == code && market.id == elsewhere.marketId)
                throw std::runtime_error("The market " + named->name + " does not list the symbol " + code + " ("
                                         + market.name + " does: use --market " + shellWord(market.name) + ")");
    }
    throw std::runtime_error("The market " + named->name + " does not list the symbol " + code
                             + unknownCodeAdvice(context, code, symbols, named->name));
}

}  // namespace kiruvan::cli
