#include "backtest/backtest_run.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>

#include "backtest/robustness_table.h"
#include "backtest/symbol_searches.h"
#include "base/text_values.h"
#include "database/master_table.h"
#include "trading/bar_loading.h"
#include "trading/bar_series.h"
#include "trading/fast_search.h"
#include "trading/parameter_search.h"

namespace kiruvan {

std::vector<BacktestSymbol> loadMarketSymbols(const DataFolder& folder, std::int32_t marketId)
{
    std::vector<BacktestSymbol> symbols;
    for (Symbol& symbol : marketSymbolsInFileOrder(folder, marketId))
        symbols.push_back({std::move(symbol.code), std::move(symbol.name)});
    return symbols;
}

std::string unsavedResultsMessage(const BacktestSummary& summary)
{
    std::string message;
    for (const std::string& reason : summary.saveErrors)
        message += (message.empty() ? "" : "\n") + reason;
    return message;
}

std::string errorSummaryLine(int errors)
{
    if (errors <= 0)
        return {};
    return std::to_string(errors) + (errors == 1 ? " error." : " errors.");
}

int backtestThreadCount()
{
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int firstBarFor(int barCount)
{
    return std::max(1000, barCount - 1250);
}

ResultRow makeResultRow(const Market& market, const BacktestSymbol& symbol, const SearchResult& best)
{
    return {.Code_Market = market.id,
            .Code_Stock = symbol.code,
            .Nom_Market = market.name,
            .Nom_Stock = symbol.name,
            .Opt1 = best.Opt1,
            .Opt2 = best.Opt2,
            .First_Bar = best.First_Bar,
            .Date_BackTest = best.Date_BackTest,
            .Cours_backtest = best.Cours_backtest,
            .statistics = best.statistics};
}

std::string robustnessLine(const RobustnessFigures& f)
{
    return "Hold-out from " + f.Holdout_Date + ": " + std::to_string(f.Holdout_Opt1) + "/"
           + std::to_string(f.Holdout_Opt2) + " returned " + Format_Prix(f.Holdout_Return) + " % (buy and hold "
           + Format_Prix(f.Holdout_Buy_Hold) + " %), rank " + Format_Prix(f.Holdout_Rank)
           + " of 100; probability of overfitting " + Format_Prix(f.PBO) + " %";
}

namespace {

// One run over the symbols of a market; it owns the results table, and the bar series or the
// worker threads that load and search the symbols.
class BacktestRun {
public:
    BacktestRun(const DataFolder& folder, const Market& market, const std::vector<BacktestSymbol>& symbols,
                const BacktestHooks& hooks, int threads, bool withRobustness)
        : folder_(folder),
          market_(market),
          symbols_(symbols),
          hooks_(hooks),
          threads_(threads),
          results_(folder),
          robustness_(withRobustness ? std::make_optional<RobustnessTable>(folder) : std::nullopt)
    {
    }

    BacktestSummary run()
    {
        results_.Delete_anciennes_valeurs_dans_CDS_Optimisation(market_.id);
        if (robustness_)
            robustness_->start(market_.id);
        if (threads_ > 1)
            searches_ = std::make_unique<SymbolSearches>(folder_, symbols_, threads_, robustness_.has_value());
        else
            bars_ = newLoadHolder();
        for (int i = 0; i < static_cast<int>(symbols_.size()) && !stopRequested(); ++i) {
            progress_ = {i + 1, static_cast<int>(symbols_.size()), symbols_[i].name, 0, 0};
            report();
            backtestSymbol(i);
            if (summary_.aborted)
                break;
        }
        removeOldRows();
        if (summary_.aborted)
            return summary_;
        log("All done.");
        if (summary_.errors > 0)
            log(errorSummaryLine(summary_.errors));
        return summary_;
    }

private:
    void log(const std::string& line)
    {
        if (hooks_.log)
            hooks_.log(line);
    }

    void report()
    {
        if (hooks_.progress)
            hooks_.progress(progress_);
    }

    bool stopRequested()
    {
        if (!hooks_.abortRequested || !hooks_.abortRequested())
            return false;
        log("Backtest aborted !");
        summary_.aborted = true;
        return true;
    }

    void fail(const std::string& line)
    {
        log(line);
        ++summary_.errors;
    }

    void failToSave(const std::string& line)
    {
        fail(line);
        ++summary_.rowsNotSaved;
        summary_.saveErrors.push_back(line);
    }

    void removeOldRows()
    {
        try {
            results_.removeRowsNotReplaced();
        } catch (const std::exception& e) {
            failToSave("The market's old results could not be removed: " + std::string(e.what()));
        }
        try {
            if (robustness_)
                robustness_->removeRowsNotReplaced();
        } catch (const std::exception& e) {
            failToSave("The market's old robustness figures could not be removed: " + std::string(e.what()));
        }
    }

    void backtestSymbol(int i)
    {
        const BacktestSymbol& symbol = symbols_[i];
        const auto load = loadSymbol(i);
        if (!load)
            return;
        // A missing file leaves no bars, so it is also reported as too short.
        if (load->status == SymbolLoad::Status::Missing) {
            fail("< File \"" + symbol.code + ".cds\" not found. >");
            summary_.skipped.push_back({symbol.code, SkippedSymbol::Reason::NoFile});
        }
        if (load->status == SymbolLoad::Status::Unreadable) {
            // The reason tells a damaged file from one refused as a link or held by another program.
            fail("Read Error ! " + symbol.name + " file is corrupted. ");
            log(load->error);
            summary_.skipped.push_back({symbol.code, SkippedSymbol::Reason::Unreadable});
            return;
        }
        if (!worthSearching(*load)) {
            fail("Needs 2250 bars for " + symbol.name);
            if (load->status == SymbolLoad::Status::Loaded)
                summary_.skipped.push_back({symbol.code, SkippedSymbol::Reason::TooFewBars, load->barCount});
            return;
        }
        log("Backtesting " + symbol.name);
        const auto outcome = searchSymbol(i, *load);
        if (!outcome)
            return;
        const ResultRow row = makeResultRow(market_, symbol, outcome->best);
        if (saveRow(row) && outcome->robustness)
            saveRobustness(row, *outcome->robustness);
        log("");
    }

    std::optional<SymbolLoad> loadSymbol(int i)
    {
        if (!searches_)
            return loadForBacktest(*bars_, folder_, symbols_[i].code);
        return searches_->waitLoaded(i, [this] { return !stopRequested(); });
    }

    std::optional<SearchOutcome> searchSymbol(int i, const SymbolLoad& load)
    {
        if (!searches_)
            return searchWithRobustness(*bars_, firstBarFor(load.barCount), robustness_.has_value(), {},
                                        [this](const SearchProgress& p) { return beforePair(p.pairIndex); });
        return searches_->waitSearched(i, [this, i] { return beforePair(searches_->pairsDone(i)); });
    }

    bool beforePair(int pairIndex)
    {
        if (stopRequested())
            return false;
        progress_.pairIndex = pairIndex;
        progress_.pairCount = kPairCount;
        report();
        return true;
    }

    // A row that cannot be saved is reported as an error rather than passed over.
    bool saveRow(const ResultRow& row)
    {
        try {
            results_.appendRow(row);
        } catch (const std::exception& e) {
            failToSave("The result of " + row.Nom_Stock + " could not be saved: " + e.what());
            return false;
        }
        ++summary_.rowsWritten;
        if (row.statistics.Updated_Account_size_required != 0)
            log("Updated Return On Account " + Format_Prix(row.statistics.Updated_Return_On_Account) + " %");
        return true;
    }

    void saveRobustness(const ResultRow& result, const RobustnessFigures& figures)
    {
        const RobustnessRow row{figures, result.Code_Market, result.Code_Stock, result.Date_BackTest};
        try {
            robustness_->appendRow(row);
        } catch (const std::exception& e) {
            failToSave("The robustness figures of " + result.Nom_Stock + " could not be saved: " + e.what());
            return;
        }
        log(robustnessLine(figures));
    }

    const DataFolder& folder_;
    const Market& market_;
    const std::vector<BacktestSymbol>& symbols_;
    const BacktestHooks& hooks_;
    const int threads_;
    ResultsTable results_;
    std::optional<RobustnessTable> robustness_;
    std::unique_ptr<BarSeries> bars_;
    std::unique_ptr<SymbolSearches> searches_;
    BacktestProgress progress_;
    BacktestSummary summary_;
};

}  // namespace

BacktestSummary runBacktest(const DataFolder& folder, const Market& market, const std::vector<BacktestSymbol>& symbols,
                            const BacktestHooks& hooks, int threads, bool withRobustness)
{
    return BacktestRun(folder, market, symbols, hooks, threads, withRobustness).run();
}

}  // namespace kiruvan
