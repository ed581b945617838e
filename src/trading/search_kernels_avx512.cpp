// Compiled with -mavx512f and without FMA contraction; called only after the processor reported
// AVX-512F, whose fused multiply-add the additions on the multiply units use.
#include <immintrin.h>

#include <cstdint>

#include "trading/search_lanes.h"

namespace kiruvan {
namespace {

// Eight lanes to a register, and twice the pairs and windows of the AVX2 kernels in flight: a
// wider register alone would leave the running sums waiting on each other's latency.
// Comparisons are the ordered ones of C++'s operators, and != the unordered one, so NaN lanes
// decide as the scalar code does.
struct Avx512Ops {
    static constexpr const char* kName = "avx512";
    static constexpr int kWidth = 8;
    static constexpr int kPairLanes = 16;
    static constexpr int kBaruxLanes = 32;
    using Pack = __m512d;
    using Mask = __mmask8;

    static Pack load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(double* p, Pack a) { _mm512_storeu_pd(p, a); }
    static Pack broadcast(double x) { return _mm512_set1_pd(x); }
    static Pack add(Pack a, Pack b) { return _mm512_add_pd(a, b); }
    static Pack sub(Pack a, Pack b) { return _mm512_sub_pd(a, b); }
    static Pack mul(Pack a, Pack b) { return _mm512_mul_pd(a, b); }
    // a + b and a - b on the multiply-add units: a * 1 is exact, so the one rounding of the
    // fused form is the rounding of the plain sum. The window loop spreads its additions over
    // both kinds of unit with them; the build's ban on contraction is about products, not this.
    static Pack addOnMultiplier(Pack a, Pack b) { return _mm512_fmadd_pd(a, _mm512_set1_pd(1.0), b); }
    static Pack subOnMultiplier(Pack a, Pack b) { return _mm512_fmsub_pd(a, _mm512_set1_pd(1.0), b); }
    static Pack div(Pack a, Pack b) { return _mm512_div_pd(a, b); }
    // Max, min and the permute in their masked form with every lane taken: the unmasked ones
    // leave GCC 12 warning of an unset source they never read.
    static Pack max(Pack a, Pack b) { return _mm512_mask_max_pd(a, 0xFF, a, b); }
    static Pack min(Pack a, Pack b) { return _mm512_mask_min_pd(a, 0xFF, a, b); }
    static Pack loadReversed(const double* p)
    {
        const Pack v = _mm512_loadu_pd(p);
        return _mm512_mask_permutexvar_pd(v, 0xFF, _mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7), v);
    }
    // The sign bit flipped through the integer unit: AVX-512F has no floating-point xor.
    static Pack negate(Pack a)
    {
        const __m512i sign = _mm512_set1_epi64(static_cast<long long>(0x8000000000000000ULL));
        return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(a), sign));
    }
    static Pack select(Mask m, Pack a, Pack b) { return _mm512_mask_blend_pd(m, b, a); }
    static Mask greater(Pack a, Pack b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static Mask greaterOrEqual(Pack a, Pack b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    static Mask less(Pack a, Pack b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static Mask lessOrEqual(Pack a, Pack b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
    static Mask notEqual(Pack a, Pack b) { return _mm512_cmp_pd_mask(a, b, _CMP_NEQ_UQ); }
    static Mask both(Mask a, Mask b) { return static_cast<Mask>(a & b); }
    static Mask either(Mask a, Mask b) { return static_cast<Mask>(a | b); }
    static Mask bothNotFirst(Mask a, Mask b) { return static_cast<Mask>(~a & b); }
    static Mask noLanes() { return 0; }
    static Mask fromFlags(const bool* flags)
    {
        unsigned bits = 0;
        for (int l = 0; l < kWidth; ++l)
            bits |= (flags[l] ? 1u : 0u) << l;
        return static_cast<Mask>(bits);
    }
};

}  // namespace

const SearchKernels& avx512SearchKernels()
{
    return kLaneKernels<Avx512Ops>;
}

}  // namespace kiruvan
