// Compiled with -mavx2; called only after the processor reported AVX2.
#include <immintrin.h>

#include <limits>

#include "trading/overfitting_pass.h"

namespace kiruvan {
namespace {

// Each lane keeps its own greatest sum and the first pair that has it; the lanes are then
// merged, the earlier pair winning on equal sums.
int firstOfGreatest(__m256i best, __m256i bestPair)
{
    alignas(32) std::int64_t values[4], pairs[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(values), best);
    _mm256_store_si256(reinterpret_cast<__m256i*>(pairs), bestPair);
    int lane = 0;
    for (int l = 1; l < 4; ++l)
        if (values[l] > values[lane] || (values[l] == values[lane] && pairs[l] < pairs[lane]))
            lane = l;
    return static_cast<int>(pairs[lane]);
}

std::int64_t laneSum(__m256i v)
{
    alignas(32) std::int64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

__m256i load(const std::int64_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

}  // namespace

OverfittingPass overfittingPassAvx2(const std::int64_t* total, std::int64_t* inSample, const std::int64_t* entering,
                                    const std::int64_t* leaving, int count, std::int64_t threshold)
{
    const __m256i limit = _mm256_set1_epi64x(threshold);
    __m256i lower = _mm256_setzero_si256(), equal = _mm256_setzero_si256();
    __m256i best = _mm256_set1_epi64x(std::numeric_limits<std::int64_t>::min());
    __m256i bestPair = _mm256_setzero_si256();
    __m256i pair = _mm256_set_epi64x(3, 2, 1, 0);
    const __m256i step = _mm256_set1_epi64x(4);
    for (int p = 0; p < count; p += 4) {
        __m256i sum = load(inSample + p);
        const __m256i outOfSample = _mm256_sub_epi64(load(total + p), sum);
        // A true comparison is all ones (-1): subtracting it counts one.
        lower = _mm256_sub_epi64(lower, _mm256_cmpgt_epi64(limit, outOfSample));
        equal = _mm256_sub_epi64(equal, _mm256_cmpeq_epi64(outOfSample, limit));
        if (entering) {
            sum = _mm256_add_epi64(sum, _mm256_sub_epi64(load(entering + p), load(leaving + p)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(inSample + p), sum);
            const __m256i greater = _mm256_cmpgt_epi64(sum, best);
            best = _mm256_blendv_epi8(best, sum, greater);
            bestPair = _mm256_blendv_epi8(bestPair, pair, greater);
        }
        pair = _mm256_add_epi64(pair, step);
    }
    return {laneSum(lower), laneSum(equal), entering ? firstOfGreatest(best, bestPair) : 0};
}

}  // namespace kiruvan
