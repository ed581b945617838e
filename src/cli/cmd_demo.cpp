#include <fstream>
#include <ostream>
#include <sstream>

#include "backtest/backtest_run.h"
#include "backtest/results_table.h"
#include "base/ascii_text.h"
#include "base/text_values.h"
#include "cli/cli.h"
#include "database/market_manager.h"
#include "database/symbol_manager.h"
#include "import/import_run.h"
#include "import/quote_file.h"
#include "sampledata/synthetic_bars.h"

namespace kiruvan::cli {
namespace {

constexpr std::string_view kDemoMarket = "Demo";
constexpr std::string_view kDemoQuoteFile = "Demo quotes.txt";
constexpr int kDemoDays = 3600;
constexpr int kDefaultDemoSymbols = 12;
constexpr int kMostDemoSymbols = 99;

std::string demoCode(int n)
{
    return std::string(n < 10 ? "DEMO0" : "DEMO") + std::to_string(n);
}

Market addDemoMarket(const DataFolder& folder)
{
    MarketManager markets(folder);
    const AddMarketResult added = markets.add(kDemoMarket);
    if (added.outcome != AddMarketOutcome::Added)
        throw std::runtime_error(addMarketMessage(added, kDemoMarket) + " Remove it, or use another data folder.");
    markets.save();
    return {added.id, std::string(kDemoMarket)};
}

void addDemoSymbols(const DataFolder& folder, std::int32_t marketId, int count)
{
    SymbolManager symbols(folder);
    for (int n = 1; n <= count; ++n) {
        symbols.add();
        symbols.setCode(demoCode(n));
        symbols.setName("Synthetic demo " + std::to_string(n));
        symbols.setMarket(marketId);
    }
    bool validationOK = true;
    const ApplyOutcome outcome = symbols.apply(validationOK);
    if (!outcome.saved)
        throw std::runtime_error(outcome.problem);
}

// "CODE;dd/mm/yyyy;open;high;low;close;volume", the newest day ending before today.
std::string demoQuotes(int count, const Clock& clock)
{
    const Date first = Date::fromDayNumber(clock.today().dayNumber() - kDemoDays * 7 / 5);
    std::ostringstream text;
    for (int n = 1; n <= count; ++n) {
        const auto bars = syntheticDailyBars(
            {.seed = static_cast<std::uint64_t>(n), .count = kDemoDays, .firstDay = first, .firstClose = 20.0 + 5 * n});
        for (const DailyBar& bar : bars)
            text << demoCode(n) << ';' << bar.date.toText() << ';' << formatGeneral(bar.Open) << ';'
                 << formatGeneral(bar.High) << ';' << formatGeneral(bar.Low) << ';' << formatGeneral(bar.Close) << ';'
                 << formatGeneral(bar.Volume) << "\r\n";
    }
    return text.str();
}

void importDemoQuotes(Context& context, const std::string& quotes)
{
    const auto file = context.folder.file(kDemoQuoteFile);
    std::ofstream(file, std::ios::binary) << quotes;
    ImportSettings settings;
    settings.dateFormat = static_cast<int>(DateLayout::DdMmYyyy);
    settings.firstDate = Date::fromYmd(1, 1, 1);
    settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
    const std::vector<std::string> lines = readQuoteFile(file);
    const ImportOutcome outcome = runImport({context.folder, context.clock, settings, "", lines});
    if (outcome.end != ImportEnd::Completed)
        throw std::runtime_error(outcome.message);
    tell(context.err, outcome.summary.text(settings.dateFormat));
}

int runDemoCommand(Context& context, Arguments& args)
{
    const int count = args.takeNumber("--symbols", 1, kMostDemoSymbols).value_or(kDefaultDemoSymbols);
    args.finish();
    const Market market = addDemoMarket(context.folder);
    addDemoSymbols(context.folder, market.id, count);
    importDemoQuotes(context, demoQuotes(count, context.clock));
    CreateDataset_Trading_system(context.folder);
    BacktestHooks hooks;
    hooks.log = [&](const std::string& line) { context.out << escapedControls(line) << std::endl; };
    const BacktestSummary summary =
        runBacktest(context.folder, market, loadMarketSymbols(context.folder, market.id), hooks, backtestThreadCount());
    return summary.rowsWritten > 0 ? kSuccess : kFailed;
}

}  // namespace

Command demoCommand()
{
    return {"demo", "demo [--symbols N]",
            "Creates the market \"Demo\" with N synthetic symbols (12 by default, at most 99) of 3600 days\n"
            "each, writes their bars as the quote file \"Demo quotes.txt\" in the data folder, imports it\n"
            "and backtests the market, printing the run's log. The bars are a seeded random walk, not\n"
            "real quotes. Refuses to run when a market \"Demo\" exists.",
            runDemoCommand};
}

}  // namespace kiruvan::cli
