// Compiled with -mavx2; called only after the processor reported AVX2.
#include <immintrin.h>

#include "trading/overfitting_lanes.h"

namespace kiruvan {
namespace {

// A comparison gives all ones (-1) in a true lane: subtracting it counts one.
struct Avx2IntOps {
    static constexpr int kWidth = 4;
    using Int = __m256i;
    using Mask = __m256i;

    static Int load(const std::int64_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(std::int64_t* p, Int v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Int broadcast(std::int64_t x) { return _mm256_set1_epi64x(x); }
    static Int laneNumbers() { return _mm256_set_epi64x(3, 2, 1, 0); }
    static Int add(Int a, Int b) { return _mm256_add_epi64(a, b); }
    static Int sub(Int a, Int b) { return _mm256_sub_epi64(a, b); }
    static Mask greater(Int a, Int b) { return _mm256_cmpgt_epi64(a, b); }
    static Mask equal(Int a, Int b) { return _mm256_cmpeq_epi64(a, b); }
    static Int select(Mask m, Int a, Int b) { return _mm256_blendv_epi8(b, a, m); }
    static Int countWhere(Int count, Mask m) { return _mm256_sub_epi64(count, m); }
};

}  // namespace

const OverfittingKernels kOverfittingAvx2 = kOverfittingLanes<Avx2IntOps>;

}  // namespace kiruvan
