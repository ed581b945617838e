#include <charconv>
#include <optional>
#include <ostream>
#include <string>

#include "backtest/backtest_run.h"
#include "backtest/results_table.h"
#include "base/ascii_text.h"
#include "cli/cli.h"
#include "cli/market_argument.h"

namespace kiruvan::cli {

namespace {

int runBacktestCommand(Context& context, Arguments& args)
{
    const auto name = args.takeOption("--market");
    const int threads = args.takeNumber("--threads", 1).value_or(backtestThreadCount());
    const bool robustness = !args.takeFlag("--no-robustness");
    args.finish();
    if (!name)
        throw UsageError("backtest needs --market NAME");
    const Market market = requireMarket(context.folder, *name);
    CreateDataset_Trading_system(context.folder);
    BacktestHooks hooks;
    hooks.log = [&](const std::string& line) { context.out << escapedControls(line) << std::endl; };
    const BacktestSummary summary =
        runBacktest(context.folder, market, loadMarketSymbols(context.folder, market.id), hooks, threads, robustness);
    if (summary.saveErrors.empty())
        return kSuccess;
    tell(context.err, unsavedResultsMessage(summary));
    return kFailed;
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
            "total. The exit status is 1 when a symbol's result could not be saved (the reasons\n"
            "go to standard error), else 0.",
            runBacktestCommand};
}

}  // namespace kiruvan::cli
