// Compiled with -mavx2; called only after the processor reported AVX2.
#include <immintrin.h>

#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

__m256i load(const std::int64_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// s of the four pairs at p, moved to the split first.
__m256i splitSums(const PairTile& tile, int p)
{
    __m256i s = load(tile.inSample + p);
    if (tile.entering) {
        s = _mm256_add_epi64(s, _mm256_sub_epi64(load(tile.entering + p), load(tile.leaving + p)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(tile.inSample + p), s);
    }
    return s;
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
    __m256i limit;
    __m256i lower = _mm256_setzero_si256();
    __m256i equal = _mm256_setzero_si256();

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

TileBest bestAvx2(PairTile tile)
{
    LaneBest inSample, outOfSample;
    __m256i pair = _mm256_add_epi64(_mm256_set1_epi64x(tile.first), _mm256_set_epi64x(3, 2, 1, 0));
    const __m256i step = _mm256_set1_epi64x(4);
    for (int p = 0; p < tile.count; p += 4) {
        const __m256i s = splitSums(tile, p);
        inSample.offer(s, pair);
        outOfSample.offer(_mm256_sub_epi64(load(tile.total + p), s), pair);
        pair = _mm256_add_epi64(pair, step);
    }
    TileBest best;
    inSample.merge(best.inSample, best.pair);
    outOfSample.merge(best.outOfSample, best.complementPair);
    return best;
}

TileCounts countAvx2(PairTile tile, std::int64_t threshold, std::int64_t complementThreshold)
{
    LaneCount half(threshold), complement(complementThreshold);
    for (int p = 0; p < tile.count; p += 4) {
        const __m256i s = splitSums(tile, p);
        half.add(_mm256_sub_epi64(load(tile.total + p), s));
        complement.add(s);
    }
    return {laneSum(half.lower), laneSum(half.equal), laneSum(complement.lower), laneSum(complement.equal)};
}

}  // namespace

const OverfittingKernels kOverfittingAvx2{bestAvx2, countAvx2};

}  // namespace kiruvan
