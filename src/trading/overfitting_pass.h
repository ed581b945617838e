#pragma once

#include <cstdint>
#include <limits>

namespace kiruvan {

// How many splits one pass over a tile of pairs walks: each pair's sum stays in a register
// from one split to the next instead of going to memory and back.
inline constexpr int kSplitsPerPass = 4;

// A run of pairs of the overfitting count, walked through kSplitsPerPass consecutive splits of
// the blocks in two halves, each with its complement at once (the out-of-sample sums of the one
// are the in-sample sums of the other). s is a pair's in-sample sum, t = total - s the
// out-of-sample one. Split k of the pass first moves s to it (s += entering[k] - leaving[k]),
// then reads it; steps of zeros fill a pass that needs fewer splits. Integer arithmetic only:
// every path gives the same answer.
struct PairTile {
    const std::int64_t* total;
    std::int64_t* inSample;  // s before the pass's first split; after its last, once done
    const std::int64_t* entering[kSplitsPerPass];
    const std::int64_t* leaving[kSplitsPerPass];
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

// The split's threshold on t and the complement's on s.
struct SplitThresholds {
    std::int64_t threshold = 0;
    std::int64_t complementThreshold = 0;
};

// The pairs whose t is below and equal to the split's threshold, and whose s is below and equal
// to the complement's.
struct TileCounts {
    std::int64_t lower = 0;
    std::int64_t equal = 0;
    std::int64_t complementLower = 0;
    std::int64_t complementEqual = 0;
};

// Each writes one result per split of the pass.
struct OverfittingKernels {
    void (*best)(const PairTile& tile, TileBest* best);
    void (*count)(const PairTile& tile, const SplitThresholds* thresholds, TileCounts* counts);
};

extern const OverfittingKernels kOverfittingPlain;
extern const OverfittingKernels kOverfittingAvx2;
extern const OverfittingKernels kOverfittingAvx512;

}  // namespace kiruvan
