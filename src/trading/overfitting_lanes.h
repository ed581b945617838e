#pragma once

// The vector passes of the overfitting count, written once over a set of integer lane
// operations and compiled once per instruction set (AVX2, AVX-512). Each set names its width
// (kWidth), a vector of 64-bit lanes (Int) and a comparison result (Mask). Included only by
// the kernel files, with internal linkage.

#include <cstdint>
#include <limits>

#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

template <typename Ops>
using Int = typename Ops::Int;

// s of the lanes at p moved by split k's step.
template <typename Ops>
Int<Ops> stepped(const PairTile& tile, int k, int p, Int<Ops> s)
{
    return Ops::add(s, Ops::sub(Ops::load(tile.entering[k] + p), Ops::load(tile.leaving[k] + p)));
}

template <typename Ops>
std::int64_t laneSum(Int<Ops> v)
{
    alignas(64) std::int64_t lanes[Ops::kWidth];
    Ops::store(lanes, v);
    std::int64_t sum = 0;
    for (const std::int64_t lane : lanes)
        sum += lane;
    return sum;
}

// Each lane keeps its own greatest sum and the first pair that has it; the lanes are then
// merged, the earlier pair winning on equal sums.
template <typename Ops>
struct LaneBest {
    Int<Ops> value = Ops::broadcast(std::numeric_limits<std::int64_t>::min());
    Int<Ops> pair = Ops::broadcast(0);

    void offer(Int<Ops> sum, Int<Ops> pairs)
    {
        const auto greater = Ops::greater(sum, value);
        value = Ops::select(greater, sum, value);
        pair = Ops::select(greater, pairs, pair);
    }

    void merge(std::int64_t& best, int& bestPair) const
    {
        alignas(64) std::int64_t values[Ops::kWidth], pairs[Ops::kWidth];
        Ops::store(values, value);
        Ops::store(pairs, pair);
        for (int l = 0; l < Ops::kWidth; ++l)
            if (values[l] > best || (values[l] == best && pairs[l] < bestPair)) {
                best = values[l];
                bestPair = static_cast<int>(pairs[l]);
            }
    }
};

// Counts below and equal to a threshold, one lane per pair.
template <typename Ops>
struct LaneCount {
    Int<Ops> limit = Ops::broadcast(0);
    Int<Ops> lower = Ops::broadcast(0);
    Int<Ops> equal = Ops::broadcast(0);

    LaneCount() = default;
    explicit LaneCount(std::int64_t threshold) : limit(Ops::broadcast(threshold)) {}

    void add(Int<Ops> v)
    {
        lower = Ops::countWhere(lower, Ops::greater(limit, v));
        equal = Ops::countWhere(equal, Ops::equal(v, limit));
    }
};

// The splits of the pass keep lanes of their own, so that their comparisons need not wait for
// each other's.
template <typename Ops>
void bestLanes(const PairTile& tile, TileBest* best)
{
    LaneBest<Ops> inSample[kSplitsPerPass], outOfSample[kSplitsPerPass];
    Int<Ops> pair = Ops::add(Ops::broadcast(tile.first), Ops::laneNumbers());
    const Int<Ops> step = Ops::broadcast(Ops::kWidth);
    for (int p = 0; p < tile.count; p += Ops::kWidth) {
        Int<Ops> s = Ops::load(tile.inSample + p);
        const Int<Ops> total = Ops::load(tile.total + p);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s = stepped<Ops>(tile, k, p, s);
            inSample[k].offer(s, pair);
            outOfSample[k].offer(Ops::sub(total, s), pair);
        }
        Ops::store(tile.inSample + p, s);
        pair = Ops::add(pair, step);
    }
    for (int k = 0; k < kSplitsPerPass; ++k) {
        best[k] = TileBest{};
        inSample[k].merge(best[k].inSample, best[k].pair);
        outOfSample[k].merge(best[k].outOfSample, best[k].complementPair);
    }
}

template <typename Ops>
void countLanes(const PairTile& tile, const SplitThresholds* thresholds, TileCounts* counts)
{
    LaneCount<Ops> half[kSplitsPerPass], complement[kSplitsPerPass];
    for (int k = 0; k < kSplitsPerPass; ++k) {
        half[k] = LaneCount<Ops>(thresholds[k].threshold);
        complement[k] = LaneCount<Ops>(thresholds[k].complementThreshold);
    }
    for (int p = 0; p < tile.count; p += Ops::kWidth) {
        Int<Ops> s = Ops::load(tile.inSample + p);
        const Int<Ops> total = Ops::load(tile.total + p);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s = stepped<Ops>(tile, k, p, s);
            half[k].add(Ops::sub(total, s));
            complement[k].add(s);
        }
        Ops::store(tile.inSample + p, s);
    }
    for (int k = 0; k < kSplitsPerPass; ++k)
        counts[k] = {laneSum<Ops>(half[k].lower), laneSum<Ops>(half[k].equal), laneSum<Ops>(complement[k].lower),
                     laneSum<Ops>(complement[k].equal)};
}

template <typename Ops>
constexpr OverfittingKernels kOverfittingLanes{bestLanes<Ops>, countLanes<Ops>};

}  // namespace
}  // namespace kiruvan
