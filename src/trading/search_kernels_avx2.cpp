// Compiled with -mavx2 and without FMA; called only after the processor reported AVX2.
#include <immintrin.h>

#include "trading/search_lanes.h"

namespace kiruvan {
namespace {

// Comparisons are the ordered ones of C++'s operators, and != the unordered one, so NaN
// lanes decide as the scalar code does.
struct Avx2Ops {
    static constexpr const char* kName = "avx2";
    static constexpr int kWidth = 4;
    static constexpr int kPairLanes = 8;
    static constexpr int kBaruxLanes = 16;
    using Pack = __m256d;
    using Mask = __m256d;

    static Pack load(const double* p) { return _mm256_loadu_pd(p); }
    static Pack loadReversed(const double* p) { return _mm256_permute4x64_pd(_mm256_loadu_pd(p), 0x1B); }
    static void store(double* p, Pack a) { _mm256_storeu_pd(p, a); }
    static Pack broadcast(double x) { return _mm256_set1_pd(x); }
    static Pack add(Pack a, Pack b) { return _mm256_add_pd(a, b); }
    static Pack sub(Pack a, Pack b) { return _mm256_sub_pd(a, b); }
    static Pack mul(Pack a, Pack b) { return _mm256_mul_pd(a, b); }
    // Measured no faster on the multiply-add units at this width, and FMA is a processor
    // feature of its own: the plain additions.
    static Pack addOnMultiplier(Pack a, Pack b) { return add(a, b); }
    static Pack subOnMultiplier(Pack a, Pack b) { return sub(a, b); }
    static Pack div(Pack a, Pack b) { return _mm256_div_pd(a, b); }
    static Pack max(Pack a, Pack b) { return _mm256_max_pd(a, b); }
    static Pack min(Pack a, Pack b) { return _mm256_min_pd(a, b); }
    static Pack negate(Pack a) { return _mm256_xor_pd(a, _mm256_set1_pd(-0.0)); }
    static Pack select(Mask m, Pack a, Pack b) { return _mm256_blendv_pd(b, a, m); }
    static Mask greater(Pack a, Pack b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static Mask greaterOrEqual(Pack a, Pack b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static Mask less(Pack a, Pack b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static Mask lessOrEqual(Pack a, Pack b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    static Mask notEqual(Pack a, Pack b) { return _mm256_cmp_pd(a, b, _CMP_NEQ_UQ); }
    static Mask both(Mask a, Mask b) { return _mm256_and_pd(a, b); }
    static Mask either(Mask a, Mask b) { return _mm256_or_pd(a, b); }
    static Mask bothNotFirst(Mask a, Mask b) { return _mm256_andnot_pd(a, b); }
    static Mask noLanes() { return _mm256_setzero_pd(); }
    static Mask fromFlags(const bool* flags)
    {
        return _mm256_castsi256_pd(_mm256_set_epi64x(-flags[3], -flags[2], -flags[1], -flags[0]));
    }
};

}  // namespace

const SearchKernels& avx2SearchKernels()
{
    return kLaneKernels<Avx2Ops>;
}

}  // namespace kiruvan
