#include <optional>
#include <ostream>
#include <string>

#include "backtest/backtest_run.h"
#include "backtest/results_table.h"
#include "base/ascii_text.h"
#include "cli/advice.h"
#include "cli/cli.h"
#include "cli/market_argument.h"

namespace kiruvan::cli {

namespace {

// What would let a passed-over symbol be backtested next time.
std::string skippedMessage(const Context& context, const SkippedSymbol& skipped)
{
    const std::string& code = skipped.code;
    switch (skipped.reason) {
    case SkippedSymbol::Reason::NoFile:
        return code + " has no file " + code + ".cds; " + noFileAdvice(context, code);
    case SkippedSymbol::Reason::Unreadable:
        return code + ".cds cannot be read; " + toolCommand(context, "check " + shellWord(code))
               + " names what is wrong with it";
    case SkippedSymbol::Reason::TooFewBars:
        return tooFewBarsMessage(code, skipped.barCount);
    }
    return code;
}

int runBacktestCommand(Context& context, Arguments& args)
{
    const auto name = args.takeOption("--market");
    const int threads = args.takeNumber("--threads", 1).value_or(backtestThreadCount());
    const bool robustness = !args.takeFlag("--no-robustness");
    args.finish();
    if (!name)
        throw UsageError("backtest needs --market NAME");
    const Market market = requireMarket(context, *name);
    CreateDataset_Trading_system(context.folder);
    BacktestHooks hooks;
    hooks.log = [&](const std::string& line) { context.out << escapedControls(line) << std::endl; };
    const std::vector<BacktestSymbol> symbols = loadMarketSymbols(context.folder, market.id);
    const BacktestSummary summary = runBacktest(context.folder, market, symbols, hooks, threads, robustness);
    for (const SkippedSymbol& skipped : summary.skipped)
        tell(context.err, skippedMessage(context, skipped));
    if (symbols.empty())
        tell(context.err, "the market " + market.name + " lists no symbol; add one with "
                              + toolCommand(context, "add-symbol --market " + shellWord(market.name) + " CODE"));
    if (!summary.saveErrors.empty())
        tell(context.err,
             unsavedResultsMessage(summary) + "\nrun the backtest again once the results file can be written");
    return summary.saveErrors.empty() && summary.rowsWritten > 0 ? kSuccess : kFailed;
}

}  // namespace

Command backtestCommand()
{
    return {"backtest", "backtest --market NAME [--threads N] [--no-robustness]",
            "Backtests the trading system on every symbol of the market, as the Backtest dialog\n"
            "does: the market's old results are replaced, and each symbol with at least 2250 bars\n"
            "gets the best parameter pair and its statistics in Optimization.cds, saved symbol by\n"
            "symbol.\n\n"
            "  --market NAME  the market's name (letters A to Z match without regard to case\n"
            "                 when no name matches exactly)\n"
            "  --threads N    search N symbols at a time (default: one per processor), threads\n"
            "                 beyond the symbols sharing each search; the log and the results\n"
            "                 are the same whatever N is\n"
            "  --no-robustness  skip the robustness figures (Robustness.cds is left as it is)\n\n"
            "After each symbol's result a line gives its robustness figures: the pair that was\n"
            "best before the last 250 bars, what it returned over them and its rank among all\n"
            "pairs there, and the probability that the best pair was chosen by luck.\n\n"
            "Prints the run's log lines, one per line, on standard output. A symbol that is\n"
            "skipped (missing or unreadable file, too few bars) is counted in the log's error\n"
            "total, and standard error says what would let it be backtested. The exit status is 1\n"
            "when a symbol's result could not be saved (the reasons go to standard error) or when\n"
            "no symbol could be backtested, else 0.",
            runBacktestCommand};
}

}  // namespace kiruvan::cli
