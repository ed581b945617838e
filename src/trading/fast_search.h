#pragma once

#include <optional>
#include <vector>

#include "trading/parameter_search.h"
#include "trading/robustness.h"

namespace kiruvan {

// The inner loops the search runs on. Fastest takes the widest the processor reports, unless
// KIRUVAN_SEARCH_KERNEL names another (plain, avx2 or avx512) that it supports; a path the
// processor lacks falls back to the widest it has below it. Every path gives the same scores.
enum class SearchKernelPath { Fastest, Plain, Avx2, Avx512 };
inline constexpr SearchKernelPath kSearchKernelPaths[] = {SearchKernelPath::Plain, SearchKernelPath::Avx2,
                                                          SearchKernelPath::Avx512};

// Whether the processor runs this path as it is named (Fastest always).
bool searchKernelPathSupported(SearchKernelPath path);
// The name of the kernels a path runs on this processor: "plain", "avx2" or "avx512".
const char* searchKernelName(SearchKernelPath path);

struct FastSearchOptions {
    int threads = 1;  // the calling thread and threads - 1 helpers share the Opt1 values
    SearchKernelPath kernels = SearchKernelPath::Fastest;
};

// The same result as Trading_system2_OPT, bit for bit, computed faster: scores only, in
// lanes, the Opt1 values handed out to the threads one at a time, then the best pair (the
// first met in search order on equal scores) evaluated once in full for its statistics.
// The hook is called on the calling thread, between Opt1 values, with the pairs done so far
// in pairIndex; returning false stops the search (nullopt). Leaves the best pair's series in
// the holder. With curves, also keeps every pair's compounded curve at their checkpoints (the
// robustness figures read them), from the same walk that scores the pair.
std::optional<SearchResult> fastParameterSearch(BarSeries& bars, int First_Bar, const FastSearchOptions& options = {},
                                                const SearchHook& progress = {}, PairCurves* curves = nullptr);

// The score of every pair of the grid, in search order, as the search compares them.
std::vector<double> fastPairScores(const BarSeries& bars, int First_Bar, const FastSearchOptions& options = {});

// A search's best pair and, when asked for, the robustness figures of all its pairs.
struct SearchOutcome {
    SearchResult best;
    std::optional<RobustnessFigures> robustness;
};

// The search with the robustness figures read from its own walks; nullopt when stopped.
std::optional<SearchOutcome> searchWithRobustness(BarSeries& bars, int First_Bar, bool withFigures,
                                                  const FastSearchOptions& options = {},
                                                  const SearchHook& progress = {});

}  // namespace kiruvan
