#include <optional>
#include <ostream>

#include "backtest/results_csv.h"
#include "backtest/results_table.h"
#include "cli/cli.h"
#include "cli/market_argument.h"

namespace kiruvan::cli {

namespace {

int runReportCommand(Context& context, Arguments& args)
{
    const auto name = args.takeOption("--market");
    const bool all = args.takeFlag("--all");
    args.finish();
    if (name && all)
        throw UsageError("report takes --market NAME or --all, not both");
    std::optional<std::int32_t> marketId;
    if (name)
        marketId = requireMarket(context.folder, *name).id;
    writeResultsCsv(context.out, readResultRows(context.folder, marketId));
    return kSuccess;
}

}  // namespace

Command reportCommand()
{
    return {"report", "report [--market NAME | --all]",
            "Prints the stored backtest results (Optimization.cds) as CSV: a header line with\n"
            "the 28 field names in the table's order, then one line per result row in file order.\n"
            "Numbers are written with \".\" and doubles with 17 significant digits, so that they\n"
            "read back to the same value; texts are written as stored, quoted where CSV needs it.\n\n"
            "  --market NAME  only the rows of this market (letters A to Z match without regard\n"
            "                 to case when no name matches exactly)\n"
            "  --all          every row (the default)\n\n"
            "Without a results file only the header line is printed.",
            runReportCommand};
}

}  // namespace kiruvan::cli
