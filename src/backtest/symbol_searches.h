#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "backtest/backtest_run.h"
#include "trading/fast_search.h"

namespace kiruvan {

// How loading one symbol's bars for a backtest ended.
struct SymbolLoad {
    enum class Status { Missing, Unreadable, Loaded };
    Status status = Status::Missing;
    int barCount = 0;
    std::string error;  // why an unreadable file was refused, naming the file
};

// Loads the symbol's newest bars by the backtest's rule; a read error becomes Unreadable.
SymbolLoad loadForBacktest(BarSeries& bars, const DataFolder& folder, std::string_view code);

// True when a load gave enough bars for the parameter search.
inline bool worthSearching(const SymbolLoad& load)
{
    return load.status == SymbolLoad::Status::Loaded && load.barCount >= kMinimumBacktestBars;
}

// Loads and searches the symbols of a run on worker threads, ahead of the run, which takes
// the outcomes in symbol order. Every symbol is searched exactly as on its own, so the
// outcomes do not depend on the number of threads. The destructor stops the workers before
// their next parameter pair and waits for them.
class SymbolSearches {
public:
    SymbolSearches(const DataFolder& folder, const std::vector<BacktestSymbol>& symbols, int threads,
                   bool withRobustness);
    ~SymbolSearches();
    SymbolSearches(const SymbolSearches&) = delete;
    SymbolSearches& operator=(const SymbolSearches&) = delete;

    // Called when the caller starts waiting and every few milliseconds after; returning false
    // gives up waiting.
    using Poll = std::function<bool()>;

    // The load of symbol i, or nullopt when the poll gave up.
    std::optional<SymbolLoad> waitLoaded(int i, const Poll& poll);

    // The best pair of symbol i (which must be worth searching) with its robustness figures, or
    // nullopt when the poll gave up. An error of the search is thrown here.
    std::optional<SearchOutcome> waitSearched(int i, const Poll& poll);

    // Parameter pairs of symbol i evaluated so far.
    int pairsDone(int i) const { return slots_[i].pairs.load(std::memory_order_relaxed); }

private:
    struct Slot {
        SymbolLoad load;
        bool loaded = false;
        std::optional<SearchOutcome> best;
        std::exception_ptr error;
        bool searched = false;
        std::atomic<int> pairs{0};
    };

    void work();
    void search(int i, BarSeries& bars);
    bool waitUntil(const std::function<bool()>& ready, const Poll& poll);

    const DataFolder& folder_;
    const std::vector<BacktestSymbol>& symbols_;
    std::unique_ptr<Slot[]> slots_;
    int threadsPerSearch_ = 1;
    bool withRobustness_ = true;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<int> next_{0};
    std::atomic<bool> stop_{false};
    std::vector<std::thread> workers_;
};

}  // namespace kiruvan
