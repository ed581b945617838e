#include <optional>
#include <ostream>

#include "backtest/results_csv.h"
#include "backtest/results_table.h"
#include "backtest/robustness_table.h"
#include "cli/advice.h"
#include "cli/cli.h"
#include "cli/market_argument.h"

namespace kiruvan::cli {

namespace {

void writeRobustness(std::ostream& out, const std::vector<RobustnessRow>& rows, ResultsFormat format)
{
    writeRows(
        out, rows, robustnessFields(),
        [](const RobustnessRow& row, const RobustnessField& field, const auto& f) {
            visitRobustnessField(row, field, f);
        },
        format);
}

int runReportCommand(Context& context, Arguments& args)
{
    const auto name = args.takeOption("--market");
    const bool all = args.takeFlag("--all");
    const bool robustness = args.takeFlag("--robustness");
    const ResultsFormat format = requireResultsFormat(args);
    args.finish();
    if (name && all)
        throw UsageError("report takes --market NAME or --all, not both");
    std::optional<std::int32_t> marketId;
    if (name)
        marketId = requireMarket(context, *name).id;
    bool none = false;
    if (robustness) {
        const std::vector<RobustnessRow> rows = readRobustnessRows(context.folder, marketId);
        writeRobustness(context.out, rows, format);
        none = rows.empty();
    } else {
        const std::vector<ResultRow> rows = readResultRows(context.folder, marketId);
        writeResults(context.out, rows, format);
        none = rows.empty();
    }
    // An empty report is still a report; standard error says where its rows come from.
    if (none)
        tell(context.err, std::string(robustness ? "no robustness figures" : "no backtest results") + " yet"
                              + (name ? " for the market " + *name : "") + "; run "
                              + toolCommand(context, "backtest --market " + shellWord(marketToName(context, name)))
                              + " first");
    return kSuccess;
}

}  // namespace

Command reportCommand()
{
    return {"report", "report [--market NAME | --all] [--robustness] [--format csv|tsv|json]",
            "Prints the stored backtest results (Optimization.cds): a header line with the 28 field\n"
            "names in the table's order, then one line per result row in file order.\n"
            "Numbers are written with \".\", doubles as the shortest text that reads back to the same\n"
            "value; texts are written as stored, quoted where CSV needs it.\n\n"
            "  --format       csv (the default), tsv (texts escape \\, tab and line breaks) or json\n"
            "                 (an array of objects keyed by field name)\n"
            "  --market NAME  only the rows of this market (letters A to Z match without regard\n"
            "                 to case when no name matches exactly)\n"
            "  --all          every row (the default)\n"
            "  --robustness   the robustness figures of the backtests (Robustness.cds) instead:\n"
            "                 the hold-out test of the best pair and the probability of\n"
            "                 overfitting\n\n"
            "Without results only the header line is printed, and standard error says how to get some.",
            runReportCommand};
}

}  // namespace kiruvan::cli
