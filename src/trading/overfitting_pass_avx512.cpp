// Compiled with -mavx512f; called only after the processor reported AVX-512.
#include <immintrin.h>

#include "trading/overfitting_lanes.h"

namespace kiruvan {
namespace {

struct Avx512IntOps {
    static constexpr int kWidth = 8;
    using Int = __m512i;
    using Mask = __mmask8;

    static Int load(const std::int64_t* p) { return _mm512_loadu_si512(p); }
    static void store(std::int64_t* p, Int v) { _mm512_storeu_si512(p, v); }
    static Int broadcast(std::int64_t x) { return _mm512_set1_epi64(x); }
    static Int laneNumbers() { return _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0); }
    static Int add(Int a, Int b) { return _mm512_add_epi64(a, b); }
    static Int sub(Int a, Int b) { return _mm512_sub_epi64(a, b); }
    static Mask greater(Int a, Int b) { return _mm512_cmpgt_epi64_mask(a, b); }
    static Mask equal(Int a, Int b) { return _mm512_cmpeq_epi64_mask(a, b); }
    static Int select(Mask m, Int a, Int b) { return _mm512_mask_mov_epi64(b, m, a); }
    static Int countWhere(Int count, Mask m) { return _mm512_mask_add_epi64(count, m, count, _mm512_set1_epi64(1)); }
};

}  // namespace

const OverfittingKernels kOverfittingAvx512 = kOverfittingLanes<Avx512IntOps>;

}  // namespace kiruvan
