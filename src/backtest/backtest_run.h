#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "backtest/results_table.h"
#include "database/data_folder.h"
#include "database/market_manager.h"

namespace kiruvan {

struct BarSeries;
struct SearchResult;
struct RobustnessFigures;

// One symbol of the market as the symbol table lists it.
struct BacktestSymbol {
    std::string code;  // Code_Titre, also the symbol file's name
    std::string name;  // Nom_Titre
    friend bool operator==(const BacktestSymbol&, const BacktestSymbol&) = default;
};

// The symbols of one market in the order of Master.cds; empty when the file is missing.
std::vector<BacktestSymbol> loadMarketSymbols(const DataFolder& folder, std::int32_t marketId);

// Where a run stands: the symbol being worked on (1-based, of symbolCount) and, while its
// parameters are searched, the pair about to be evaluated.
struct BacktestProgress {
    int symbolIndex = 0;
    int symbolCount = 0;
    std::string symbolName;
    int pairIndex = 0;
    int pairCount = 0;
};

// What a run reports to its caller. Every hook is called on the thread that called
// runBacktest; an empty hook is skipped.
struct BacktestHooks {
    std::function<void(const std::string& line)> log;
    std::function<void(const BacktestProgress&)> progress;
    // Polled before every symbol and every parameter pair (with worker threads, every few
    // milliseconds while the run waits for them); true stops the run there.
    std::function<bool()> abortRequested;
};

// A symbol that a run passed over, and why, for a caller that says what would mend it.
struct SkippedSymbol {
    enum class Reason { NoFile, Unreadable, TooFewBars };
    std::string code;
    Reason reason = Reason::NoFile;
    int barCount = 0;
};

struct BacktestSummary {
    int errors = 0;
    int rowsWritten = 0;
    int rowsNotSaved = 0;
    bool aborted = false;
    std::vector<std::string> saveErrors;  // why results could not be saved, one line each
    std::vector<SkippedSymbol> skipped;   // in symbol order
};

// What a caller tells the user when some results could not be saved; empty when all were.
std::string unsavedResultsMessage(const BacktestSummary& summary);

// The log line of the error total; empty when there is no error.
std::string errorSummaryLine(int errors);

// The first bar of the evaluation window for a symbol with this many bars.
int firstBarFor(int barCount);

// The fewest bars a symbol needs to be backtested.
inline constexpr int kMinimumBacktestBars = 2250;

// The result row of a symbol from its best pair.
ResultRow makeResultRow(const Market& market, const BacktestSymbol& symbol, const SearchResult& best);

// Backtests every symbol of the market: each symbol with enough bars gets the best pair of the
// parameter search as its row, which replaces its old row in one save; once a row is saved,
// the market's other old rows are removed as the run ends, aborted or not.
// With more than one thread, workers load and search the following symbols ahead while the
// caller's thread logs and saves in symbol order: the log and the rows are the same, and
// every hook is still called on the caller's thread.
// With robustness, each symbol also gets its robustness row, from the same search, and a log
// line with the figures; without, the robustness table is left untouched.
// Throws when the results file cannot be loaded at the start.
BacktestSummary runBacktest(const DataFolder& folder, const Market& market, const std::vector<BacktestSymbol>& symbols,
                            const BacktestHooks& hooks, int threads = 1, bool withRobustness = true);

// The log line of a symbol's robustness figures.
std::string robustnessLine(const RobustnessFigures& figures);

// The number of threads that makes the best use of this machine.
int backtestThreadCount();

}  // namespace kiruvan
