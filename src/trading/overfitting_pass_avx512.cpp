// Compiled with -mavx512f; called only after the processor reported AVX-512.
#include <immintrin.h>

#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

__m512i load(const std::int64_t* p)
{
    return _mm512_loadu_si512(p);
}

// s of the eight pairs at p moved by split k's step.
__m512i stepped(const PairTile& tile, int k, int p, __m512i s)
{
    return _mm512_add_epi64(s, _mm512_sub_epi64(load(tile.entering[k] + p), load(tile.leaving[k] + p)));
}

// Each lane keeps its own greatest sum and the first pair that has it; the lanes are then
// merged, the earlier pair winning on equal sums.
struct LaneBest {
    __m512i value = _mm512_set1_epi64(std::numeric_limits<std::int64_t>::min());
    __m512i pair = _mm512_setzero_si512();

    void offer(__m512i sum, __m512i pairs)
    {
        const __mmask8 greater = _mm512_cmpgt_epi64_mask(sum, value);
        value = _mm512_mask_mov_epi64(value, greater, sum);
        pair = _mm512_mask_mov_epi64(pair, greater, pairs);
    }

    void merge(std::int64_t& best, int& bestPair) const
    {
        alignas(64) std::int64_t values[8], pairs[8];
        _mm512_store_si512(values, value);
        _mm512_store_si512(pairs, pair);
        for (int l = 0; l < 8; ++l)
            if (values[l] > best || (values[l] == best && pairs[l] < bestPair)) {
                best = values[l];
                bestPair = static_cast<int>(pairs[l]);
            }
    }
};

// Counts below and equal to a threshold, one lane per pair.
struct LaneCount {
    __m512i limit = _mm512_setzero_si512();
    __m512i lower = _mm512_setzero_si512();
    __m512i equal = _mm512_setzero_si512();

    LaneCount() = default;
    explicit LaneCount(std::int64_t threshold) : limit(_mm512_set1_epi64(threshold)) {}

    void add(__m512i v)
    {
        const __m512i one = _mm512_set1_epi64(1);
        lower = _mm512_mask_add_epi64(lower, _mm512_cmpgt_epi64_mask(limit, v), lower, one);
        equal = _mm512_mask_add_epi64(equal, _mm512_cmpeq_epi64_mask(v, limit), equal, one);
    }
};

std::int64_t laneSum(__m512i v)
{
    alignas(64) std::int64_t lanes[8];
    _mm512_store_si512(lanes, v);
    std::int64_t sum = 0;
    for (const std::int64_t lane : lanes)
        sum += lane;
    return sum;
}

// The splits of the pass keep lanes of their own, so that their comparisons need not wait for
// each other's.
void bestAvx512(const PairTile& tile, TileBest* best)
{
    LaneBest inSample[kSplitsPerPass], outOfSample[kSplitsPerPass];
    __m512i pair = _mm512_add_epi64(_mm512_set1_epi64(tile.first), _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0));
    const __m512i step = _mm512_set1_epi64(8);
    for (int p = 0; p < tile.count; p += 8) {
        __m512i s = load(tile.inSample + p);
        const __m512i total = load(tile.total + p);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s = stepped(tile, k, p, s);
            inSample[k].offer(s, pair);
            outOfSample[k].offer(_mm512_sub_epi64(total, s), pair);
        }
        _mm512_storeu_si512(tile.inSample + p, s);
        pair = _mm512_add_epi64(pair, step);
    }
    for (int k = 0; k < kSplitsPerPass; ++k) {
        best[k] = TileBest{};
        inSample[k].merge(best[k].inSample, best[k].pair);
        outOfSample[k].merge(best[k].outOfSample, best[k].complementPair);
    }
}

void countAvx512(const PairTile& tile, const SplitThresholds* thresholds, TileCounts* counts)
{
    LaneCount half[kSplitsPerPass], complement[kSplitsPerPass];
    for (int k = 0; k < kSplitsPerPass; ++k) {
        half[k] = LaneCount(thresholds[k].threshold);
        complement[k] = LaneCount(thresholds[k].complementThreshold);
    }
    for (int p = 0; p < tile.count; p += 8) {
        __m512i s = load(tile.inSample + p);
        const __m512i total = load(tile.total + p);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s = stepped(tile, k, p, s);
            half[k].add(_mm512_sub_epi64(total, s));
            complement[k].add(s);
        }
        _mm512_storeu_si512(tile.inSample + p, s);
    }
    for (int k = 0; k < kSplitsPerPass; ++k)
        counts[k] = {laneSum(half[k].lower), laneSum(half[k].equal), laneSum(complement[k].lower),
                     laneSum(complement[k].equal)};
}

}  // namespace

const OverfittingKernels kOverfittingAvx512{bestAvx512, countAvx512};

}  // namespace kiruvan
