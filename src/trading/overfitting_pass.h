#pragma once

#include <cstdint>
#include <limits>

namespace kiruvan {

// A run of pairs of the overfitting count, for one split of the blocks in two halves and its
// complement at once (the out-of-sample sums of the one are the in-sample sums of the other).
// s is the pairs' in-sample sum, t = total - s the out-of-sample one. A pass first moves s to
// the split (s += entering - leaving, unless entering is null), then reads the split.
// Integer arithmetic only: every path gives the same answer.
struct PairTile {
    const std::int64_t* total;
    std::int64_t* inSample;
    const std::int64_t* entering;
    const std::int64_t* leaving;
    int first;  // the number of the tile's first pair
    int count;  // a multiple of 8
};

// The first pair with the greatest s and the first with the greatest t.
struct TileBest {
    std::int64_t inSample = std::numeric_limits<std::int64_t>::min();
    int pair = 0;
    std::int64_t outOfSample = std::numeric_limits<std::int64_t>::min();
    int complementPair = 0;
};

// The pairs whose t is below and equal to the split's threshold, and whose s is below and equal
// to the complement's.
struct TileCounts {
    std::int64_t lower = 0;
    std::int64_t equal = 0;
    std::int64_t complementLower = 0;
    std::int64_t complementEqual = 0;
};

struct OverfittingKernels {
    TileBest (*best)(PairTile tile);
    TileCounts (*count)(PairTile tile, std::int64_t threshold, std::int64_t complementThreshold);
};

extern const OverfittingKernels kOverfittingPlain;
extern const OverfittingKernels kOverfittingAvx2;
extern const OverfittingKernels kOverfittingAvx512;

}  // namespace kiruvan
