#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "backtest/backtest_run.h"
#include "backtest/results_csv.h"
#include "backtest/results_table.h"
#include "cli/advice.h"
#include "cli/cli.h"
#include "cli/market_argument.h"
#include "database/master_table.h"
#include "trading/bar_loading.h"
#include "trading/parameter_search.h"
#include "trading/trade_list.h"

namespace kiruvan::cli {
namespace {

// The pair a command line names: both periods or neither.
std::optional<ParameterPair> pairOption(Arguments& args)
{
    const auto Opt1 = args.takeNumber<std::int32_t>("--opt1", 1);
    const auto Opt2 = args.takeNumber<std::int32_t>("--opt2", 1);
    if (Opt1.has_value() != Opt2.has_value())
        throw UsageError("--opt1 and --opt2 go together");
    if (!Opt1)
        return std::nullopt;
    return ParameterPair{*Opt1, *Opt2};
}

// A symbol as the backtest and the chart load it: its market and listed name, its bars.
struct LoadedSymbol {
    Market market;
    BacktestSymbol symbol;
    std::unique_ptr<BarSeries> bars = std::make_unique<BarSeries>();
};

LoadedSymbol loadSymbol(Context& context, const std::string& code, const std::optional<std::string>& marketName)
{
    LoadedSymbol loaded{requireMarketOfSymbol(context, code, marketName), {code, {}}};
    for (const Symbol& symbol : listSymbols(context.folder, loaded.market.id))
        if (symbol.code == code)
            loaded.symbol.name = symbol.name;
    if (!loadSymbolForBacktest(*loaded.bars, context.folder, code))
        throw std::runtime_error("The symbol " + code + " has no file " + code + ".cds; "
                                 + noFileAdvice(context, code));
    return loaded;
}

// The stored pair and first bar of the symbol, or the given pair on the search's own window.
std::pair<ParameterPair, int> pairToShow(Context& context, const LoadedSymbol& loaded,
                                         const std::optional<ParameterPair>& given)
{
    if (given)
        return {*given, firstBarFor(loaded.bars->NBBars)};
    const auto row = Get_Params_Optimisation(context.folder, loaded.market.id, loaded.symbol.code);
    if (row && row->Opt1 >= 1 && row->Opt2 >= 1 && row->First_Bar >= 1)
        return {{row->Opt1, row->Opt2}, row->First_Bar};
    const std::string& code = loaded.symbol.code;
    // Too short a history gets no result from any backtest: only a given pair can be shown.
    if (loaded.bars->NBBars < kMinimumBacktestBars)
        throw std::runtime_error(tooFewBarsMessage(code, loaded.bars->NBBars)
                                 + "; pass --opt1 A --opt2 B to show a pair");
    throw std::runtime_error("The symbol " + code + " has no backtest result; run "
                             + toolCommand(context, "backtest --market " + shellWord(loaded.market.name))
                             + " or pass --opt1 A --opt2 B.");
}

// The command line both commands take: a symbol, its market, a pair and a format.
struct SymbolLine {
    std::string code;
    std::optional<std::string> marketName;
    std::optional<ParameterPair> pair;
    ResultsFormat format = ResultsFormat::Csv;

    // Options first, so that an option's value is never taken for the code.
    static SymbolLine take(Arguments& args)
    {
        SymbolLine line;
        line.marketName = args.takeOption("--market");
        line.pair = pairOption(args);
        line.format = requireResultsFormat(args);
        line.code = args.requirePositional("symbol code");
        args.finish();
        return line;
    }
};

int runTradesCommand(Context& context, Arguments& args)
{
    const SymbolLine line = SymbolLine::take(args);
    LoadedSymbol loaded = loadSymbol(context, line.code, line.marketName);
    const auto [pair, First_Bar] = pairToShow(context, loaded, line.pair);
    evaluateParameterPair(*loaded.bars, pair, First_Bar);
    writeRows(
        context.out, tradeList(*loaded.bars, First_Bar), tradeListColumns(),
        [](const TradeRow& trade, const TradeColumn& column, const auto& f) {
            std::visit([&](auto member) { f(trade.*member); }, column.member);
        },
        line.format);
    return kSuccess;
}

int runEvaluateCommand(Context& context, Arguments& args)
{
    const SymbolLine line = SymbolLine::take(args);
    if (!line.pair)
        throw UsageError("evaluate needs --opt1 A --opt2 B");
    LoadedSymbol loaded = loadSymbol(context, line.code, line.marketName);
    const SearchResult result = evaluateParameterPair(*loaded.bars, *line.pair, firstBarFor(loaded.bars->NBBars));
    writeResults(context.out, {makeResultRow(loaded.market, loaded.symbol, result)}, line.format);
    return kSuccess;
}

}  // namespace

Command tradesCommand()
{
    return {"trades", "trades CODE [--market NAME] [--opt1 A --opt2 B] [--format csv|tsv|json]",
            "Prints the trades behind a symbol's backtest result: the stored pair on its stored first\n"
            "bar (as the chart shows it), or the pair given on the search's own first bar, over the\n"
            "symbol's bars as they are now. One line per trade: its number, entry bar, date,\n"
            "direction and close, exit bar, date and close, points, percent and result (win, loss\n"
            "or even). The winning and losing rows add up to the result's gross profit and loss.\n\n"
            "  --market NAME  the market listing the symbol (default: the one Master.cds names)\n"
            "  --opt1 A --opt2 B  the pair to show instead of the stored one\n"
            "  --format       csv (the default), tsv or json, as the report writes them",
            runTradesCommand};
}

Command evaluateCommand()
{
    return {"evaluate", "evaluate CODE [--market NAME] --opt1 A --opt2 B [--format csv|tsv|json]",
            "Backtests one parameter pair on the symbol's bars as the search loads them and\n"
            "prints the result as one row of the report (same header and columns), stored\n"
            "nowhere: with it a stored result can be reproduced or any pair compared.\n\n"
            "  --market NAME  the market listing the symbol (default: the one Master.cds names)\n"
            "  --opt1 A --opt2 B  the pair\n"
            "  --format       csv (the default), tsv or json",
            runEvaluateCommand};
}

}  // namespace kiruvan::cli
