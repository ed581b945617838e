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

int threadCount(const std::optional<std::string>& text)
{
    if (!text)
        return backtestThreadCount();
    int value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size() || value < 1)
        throw UsageError("--threads needs a whole number of at least 1, not '" + *text + "'");
    return value;
}

int runBacktestCommand(Context& context, Arguments& args)
{
    const auto name = args.takeOption("--market");
    const int threads = threadCount(args.takeOption("--threads"));
    args.finish();
    if (!name)
        throw UsageError("backtest needs --market NAME");
    const Market market = requireMarket(context.folder, *name);
    CreateDataset_Trading_system(context.folder);
    BacktestHooks hooks;
    hooks.log = [&](const std::string& line) { context.out << escapedControls(line) << std::endl; };
    const BacktestSummary summary =
        runBacktest(context.folder, market, loadMarketSymbols(context.folder, market.id), hooks, threads);
    return summary.rowsNotSaved > 0 && summary.rowsWritten == 0 ? kFailed : kSuccess;
}

}  // namespace

Command backtestCommand()
{
    return {"backtest", "backtest --market NAME [--threads N]",
            "Backtests the trading system on every symbol of the market, as the Backtest dialog\n"
            "does: the market's old results are replaced, and each symbol with at least 2250 bars\n"
            "gets the best parameter pair and its statistics in Optimization.cds, saved symbol by\n"
            "symbol.\n\n"
            "  --market NAME  the market's name (letters A to Z match without regard to case\n"
            "                 when no name matches exactly)\n"
            "  --threads N    search N symbols at a time (default: one per processor), threads\n"
            "                 beyond the symbols sharing each search; the log and the results\n"
            "                 are the same whatever N is\n\n"
            "Prints the run's log lines, one per line, on standard output. A symbol that is\n"
            "skipped (missing or unreadable file, too few bars) is counted in the log's error\n"
            "total; the exit status is 0 whenever the run reaches its end.",
            runBacktestCommand};
}

}  // namespace kiruvan::cli
