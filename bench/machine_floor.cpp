#include "machine_floor.h"

#include <time.h>

#include <algorithm>

#include "trading/parameter_search.h"

namespace kiruvan::bench {
namespace {

constexpr int kSteps = 2'000'000;

template <int kWidth>
struct Lanes {
    typedef double Vector __attribute__((vector_size(kWidth * sizeof(double))));
};

// CPU seconds of this thread, so that other programs on the machine do not lower the rates.
double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Lane operations per second of `op` on vectors of kWidth doubles, over eight independent
// chains kept in registers (more than enough to cover the latency).
template <typename Vector, int kWidth, bool kDivide>
[[gnu::always_inline]] inline double laneRate(int steps, double start, double operand)
{
    Vector a0, a1, a2, a3, a4, a5, a6, a7, b;
    for (int l = 0; l < kWidth; ++l) {
        a0[l] = start, a1[l] = start * 2, a2[l] = start * 3, a3[l] = start * 4;
        a4[l] = start * 5, a5[l] = start * 6, a6[l] = start * 7, a7[l] = start * 8;
        b[l] = operand;
    }
    const double begin = threadSeconds();
    for (int s = 0; s < steps; ++s) {
        if constexpr (kDivide) {
            a0 /= b, a1 /= b, a2 /= b, a3 /= b, a4 /= b, a5 /= b, a6 /= b, a7 /= b;
        } else {
            a0 += b, a1 += b, a2 += b, a3 += b, a4 += b, a5 += b, a6 += b, a7 += b;
        }
        asm volatile("" : "+v"(a0), "+v"(a1), "+v"(a2), "+v"(a3), "+v"(a4), "+v"(a5), "+v"(a6), "+v"(a7));
    }
    return double(steps) * 8 * kWidth / (threadSeconds() - begin);
}

template <typename Vector, int kWidth>
[[gnu::always_inline]] inline VectorRates ratesOf(const char* unit)
{
    // Divisions by a number just above one keep the values normal over every step.
    return {unit, laneRate<Vector, kWidth, false>(kSteps, 1, 1e-9),
            laneRate<Vector, kWidth, true>(kSteps / 4, 1e300, 1.0000001)};
}

[[gnu::target("avx512f")]] VectorRates avx512Rates()
{
    return ratesOf<Lanes<8>::Vector, 8>("avx512");
}

[[gnu::target("avx2")]] VectorRates avx2Rates()
{
    return ratesOf<Lanes<4>::Vector, 4>("avx2");
}

}  // namespace

VectorRates measureVectorRates()
{
    if (__builtin_cpu_supports("avx512f"))
        return avx512Rates();
    return avx2Rates();
}

SearchOperations searchOperations(int last, int First_Bar)
{
    SearchOperations ops;
    for (const int N : opt1Values()) {
        ops.baruxSteps += double(last - N + 1) * N;
        for (const int Opt2 : opt2Values(N)) {
            ops.advanceSteps += last - Opt2 + 1;
            ops.scoreSteps += last - First_Bar + 1;
        }
    }
    return ops;
}

}  // namespace kiruvan::bench
