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

enum class Op { Add, FusedAdd, HalfFused, Divide };

// Lane operations per second of `op` on vectors of kWidth doubles, over eight independent
// chains kept in registers (more than enough to cover the latency). FusedAdd is a * 1 + b,
// the addition the multiply-add units can take; HalfFused alternates it with plain adds.
// a = a + b as one * b + a. Written out, since the vector extension has no fused form; the
// register width follows the vector type.
template <typename Vector>
[[gnu::always_inline]] inline void fusedAdd(Vector& a, const Vector& one, const Vector& b)
{
    asm("vfmadd231pd %2, %1, %0" : "+v"(a) : "v"(one), "v"(b));
}

// One step of `op` on chain c.
template <Op kOp, typename Vector>
[[gnu::always_inline]] inline void step(Vector& a, int c, const Vector& one, const Vector& b)
{
    if constexpr (kOp == Op::Divide)
        a /= b;
    else if (kOp == Op::Add || (kOp == Op::HalfFused && c % 2 == 0))
        a += b;
    else
        fusedAdd(a, one, b);
}

template <typename Vector, int kWidth, Op kOp>
[[gnu::always_inline]] inline double laneRate(int steps, double start, double operand)
{
    Vector a0, a1, a2, a3, a4, a5, a6, a7, b, one;
    for (int l = 0; l < kWidth; ++l) {
        a0[l] = start, a1[l] = start * 2, a2[l] = start * 3, a3[l] = start * 4;
        a4[l] = start * 5, a5[l] = start * 6, a6[l] = start * 7, a7[l] = start * 8;
        b[l] = operand;
        one[l] = 1;
    }
    const double begin = threadSeconds();
    for (int s = 0; s < steps; ++s) {
        step<kOp>(a0, 0, one, b), step<kOp>(a1, 1, one, b), step<kOp>(a2, 2, one, b), step<kOp>(a3, 3, one, b);
        step<kOp>(a4, 4, one, b), step<kOp>(a5, 5, one, b), step<kOp>(a6, 6, one, b), step<kOp>(a7, 7, one, b);
        asm volatile("" : "+v"(a0), "+v"(a1), "+v"(a2), "+v"(a3), "+v"(a4), "+v"(a5), "+v"(a6), "+v"(a7));
    }
    return double(steps) * 8 * kWidth / (threadSeconds() - begin);
}

// The add rate is the best of the add units alone, the multiply-add units alone and both
// shared: the search's kernels spread their additions over both where that is faster. Each
// rate is the best of a few measurements, since other work on the machine only lowers one.
template <typename Vector, int kWidth>
[[gnu::always_inline]] inline VectorRates ratesOf(const char* unit)
{
    double adds = 0, divides = 0;
    for (int repetition = 0; repetition < 5; ++repetition) {
        adds = std::max({adds, laneRate<Vector, kWidth, Op::Add>(kSteps, 1, 1e-9),
                         laneRate<Vector, kWidth, Op::FusedAdd>(kSteps, 1, 1e-9),
                         laneRate<Vector, kWidth, Op::HalfFused>(kSteps, 1, 1e-9)});
        // Divisions by a number just above one keep the values normal over every step.
        divides = std::max(divides, laneRate<Vector, kWidth, Op::Divide>(kSteps / 4, 1e300, 1.0000001));
    }
    return {unit, adds, divides};
}

[[gnu::target("avx512f")]] VectorRates avx512Rates()
{
    return ratesOf<Lanes<8>::Vector, 8>("avx512");
}

// Every processor with AVX2 has FMA as well.
[[gnu::target("avx2,fma")]] VectorRates avx2Rates()
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
