#include "backtest/symbol_searches.h"

#include "trading/bar_loading.h"

namespace kiruvan {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);

}  // namespace

SymbolLoad loadForBacktest(BarSeries& bars, const DataFolder& folder, std::string_view code)
{
    try {
        if (!loadSymbolForBacktest(bars, folder, code))
            return {SymbolLoad::Status::Missing, 0, {}};
    } catch (const std::exception& e) {
        return {SymbolLoad::Status::Unreadable, 0, e.what()};
    }
    return {SymbolLoad::Status::Loaded, bars.NBBars, {}};
}

SymbolSearches::SymbolSearches(const DataFolder& folder, const std::vector<BacktestSymbol>& symbols, int threads,
                               bool withRobustness)
    : folder_(folder),
      symbols_(symbols),
      slots_(std::make_unique<Slot[]>(symbols.size())),
      withRobustness_(withRobustness)
{
    const int count = std::min(std::max(threads, 1), static_cast<int>(symbols.size()));
    // Threads left over when the market has fewer symbols than threads share each search.
    threadsPerSearch_ = std::max(1, threads / std::max(count, 1));
    for (int t = 0; t < count; ++t)
        workers_.emplace_back([this] { work(); });
}

SymbolSearches::~SymbolSearches()
{
    stop_ = true;
    for (std::thread& worker : workers_)
        worker.join();
}

void SymbolSearches::work()
{
    auto bars = newLoadHolder();
    for (int i = next_++; i < static_cast<int>(symbols_.size()) && !stop_; i = next_++) {
        const SymbolLoad load = loadForBacktest(*bars, folder_, symbols_[i].code);
        {
            const std::lock_guard lock(mutex_);
            slots_[i].load = load;
            slots_[i].loaded = true;
        }
        changed_.notify_all();
        if (worthSearching(load))
            search(i, *bars);
    }
}

void SymbolSearches::search(int i, BarSeries& bars)
{
    Slot& slot = slots_[i];
    std::optional<SearchOutcome> best;
    std::exception_ptr error;
    try {
        best = searchWithRobustness(bars, firstBarFor(bars.NBBars), withRobustness_, {.threads = threadsPerSearch_},
                                    [&](const SearchProgress& progress) {
                                        slot.pairs.store(progress.pairIndex, std::memory_order_relaxed);
                                        return !stop_.load();
                                    });
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        slot.best = std::move(best);
        slot.error = error;
        slot.searched = true;
    }
    changed_.notify_all();
}

// Polls at least once, so that an abort asked for before a finished search still counts.
bool SymbolSearches::waitUntil(const std::function<bool()>& ready, const Poll& poll)
{
    for (;;) {
        if (!poll())
            return false;
        std::unique_lock lock(mutex_);
        if (changed_.wait_for(lock, kPollInterval, ready))
            return true;
    }
}

std::optional<SymbolLoad> SymbolSearches::waitLoaded(int i, const Poll& poll)
{
    if (!waitUntil([&] { return slots_[i].loaded; }, poll))
        return std::nullopt;
    const std::lock_guard lock(mutex_);
    return slots_[i].load;
}

std::optional<SearchOutcome> SymbolSearches::waitSearched(int i, const Poll& poll)
{
    if (!waitUntil([&] { return slots_[i].searched; }, poll))
        return std::nullopt;
    const std::lock_guard lock(mutex_);
    if (slots_[i].error)
        std::rethrow_exception(slots_[i].error);
    return slots_[i].best;
}

}  // namespace kiruvan
