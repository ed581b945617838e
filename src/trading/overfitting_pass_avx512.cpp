// Compiled with -mavx512f; called only after the processor reported AVX-512.
#include <immintrin.h>

#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

__m512i load(const std::int64_t* p)
{
    return _mm512_loadu_si512(p);
}

// s of the eight pairs at p, moved to the split first.
__m512i splitSums(const PairTile& tile, int p)
{
    __m512i s = load(tile.inSample + p);
    if (tile.entering) {
        s = _mm512_add_epi64(s, _mm512_sub_epi64(load(tile.entering + p), load(tile.leaving + p)));
        _mm512_storeu_si512(tile.inSample + p, s);
    }
    return s;
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
    __m512i limit;
    __m512i lower = _mm512_setzero_si512();
    __m512i equal = _mm512_setzero_si512();

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

// Two sets of lanes, for the even and the odd eight pairs, so that the comparisons of one
// need not wait for the other's; a last odd eight goes to the first set.
TileBest bestAvx512(PairTile tile)
{
    LaneBest inSample[2], outOfSample[2];
    __m512i pair = _mm512_add_epi64(_mm512_set1_epi64(tile.first), _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0));
    const __m512i step = _mm512_set1_epi64(8);
    const auto offer = [&](int p, int set) {
        const __m512i s = splitSums(tile, p);
        inSample[set].offer(s, pair);
        outOfSample[set].offer(_mm512_sub_epi64(load(tile.total + p), s), pair);
        pair = _mm512_add_epi64(pair, step);
    };
    int p = 0;
    for (; p + 16 <= tile.count; p += 16) {
        offer(p, 0);
        offer(p + 8, 1);
    }
    if (p < tile.count)
        offer(p, 0);
    TileBest best;
    for (int set = 0; set < 2; ++set) {
        inSample[set].merge(best.inSample, best.pair);
        outOfSample[set].merge(best.outOfSample, best.complementPair);
    }
    return best;
}

TileCounts countAvx512(PairTile tile, std::int64_t threshold, std::int64_t complementThreshold)
{
    LaneCount half(threshold), complement(complementThreshold);
    for (int p = 0; p < tile.count; p += 8) {
        const __m512i s = splitSums(tile, p);
        half.add(_mm512_sub_epi64(load(tile.total + p), s));
        complement.add(s);
    }
    return {laneSum(half.lower), laneSum(half.equal), laneSum(complement.lower), laneSum(complement.equal)};
}

}  // namespace

const OverfittingKernels kOverfittingAvx512{bestAvx512, countAvx512};

}  // namespace kiruvan
