// Compiled with -mavx2; called only after the processor reported AVX2.
#include <immintrin.h>

#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

__m256i load(const std::int64_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// s of the four pairs at p moved by split k's step.
__m256i stepped(const PairTile& tile, int k, int p, __m256i s)
{
    return _mm256_add_epi64(s, _mm256_sub_epi64(load(tile.entering[k] + p), load(tile.leaving[k] + p)));
}

void store(std::int64_t* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Each lane keeps its own greatest sum and the first pair that has it; the lanes are then
// merged, the earlier pair winning on equal sums.
struct LaneBest {
    __m256i value = _mm256_set1_epi64x(std::numeric_limits<std::int64_t>::min());
    __m256i pair = _mm256_setzero_si256();

    void offer(__m256i sum, __m256i pairs)
    {
        const __m256i greater = _mm256_cmpgt_epi64(sum, value);
        value = _mm256_blendv_epi8(value, sum, greater);
        pair = _mm256_blendv_epi8(pair, pairs, greater);
    }

    void merge(std::int64_t& best, int& bestPair) const
    {
        alignas(32) std::int64_t values[4], pairs[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(values), value);
        _mm256_store_si256(reinterpret_cast<__m256i*>(pairs), pair);
        for (int l = 0; l < 4; ++l)
            if (values[l] > best || (values[l] == best && pairs[l] < bestPair)) {
                best = values[l];
                bestPair = static_cast<int>(pairs[l]);
            }
    }
};

// Counts below and equal to a threshold; a true comparison is all ones (-1): subtracting it
// counts one.
struct LaneCount {
    __m256i limit = _mm256_setzero_si256();
    __m256i lower = _mm256_setzero_si256();
    __m256i equal = _mm256_setzero_si256();

    LaneCount() = default;
    explicit LaneCount(std::int64_t threshold) : limit(_mm256_set1_epi64x(threshold)) {}

    void add(__m256i v)
    {
        lower = _mm256_sub_epi64(lower, _mm256_cmpgt_epi64(limit, v));
        equal = _mm256_sub_epi64(equal, _mm256_cmpeq_epi64(v, limit));
    }
};

std::int64_t laneSum(__m256i v)
{
    alignas(32) std::int64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

void bestAvx2(const PairTile& tile, TileBest* best)
{
    LaneBest inSample[kSplitsPerPass], outOfSample[kSplitsPerPass];
    __m256i pair = _mm256_add_epi64(_mm256_set1_epi64x(tile.first), _mm256_set_epi64x(3, 2, 1, 0));
    const __m256i step = _mm256_set1_epi64x(4);
    for (int p = 0; p < tile.count; p += 4) {
        __m256i s = load(tile.inSample + p);
        const __m256i total = load(tile.total + p);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s = stepped(tile, k, p, s);
            inSample[k].offer(s, pair);
            outOfSample[k].offer(_mm256_sub_epi64(total, s), pair);
        }
        store(tile.inSample + p, s);
        pair = _mm256_add_epi64(pair, step);
    }
    for (int k = 0; k < kSplitsPerPass; ++k) {
        best[k] = TileBest{};
        inSample[k].merge(best[k].inSample, best[k].pair);
        outOfSample[k].merge(best[k].outOfSample, best[k].complementPair);
    }
}

void countAvx2(const PairTile& tile, const SplitThresholds* thresholds, TileCounts* counts)
{
    LaneCount half[kSplitsPerPass], complement[kSplitsPerPass];
    for (int k = 0; k < kSplitsPerPass; ++k) {
        half[k] = LaneCount(thresholds[k].threshold);
        complement[k] = LaneCount(thresholds[k].complementThreshold);
    }
    for (int p = 0; p < tile.count; p += 4) {
        __m256i s = load(tile.inSample + p);
        const __m256i total = load(tile.total + p);
        for (int k = 0; k < kSplitsPerPass; ++k) {
            s = stepped(tile, k, p, s);
            half[k].add(_mm256_sub_epi64(total, s));
            complement[k].add(s);
        }
        store(tile.inSample + p, s);
    }
    for (int k = 0; k < kSplitsPerPass; ++k)
        counts[k] = {laneSum(half[k].lower), laneSum(half[k].equal), laneSum(complement[k].lower),
                     laneSum(complement[k].equal)};
}

}  // namespace

const OverfittingKernels kOverfittingAvx2{bestAvx2, countAvx2};

}  // namespace kiruvan
