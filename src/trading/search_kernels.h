#pragma once

namespace kiruvan {

// The most windows one pass of any kernel set computes: the prices and the Barux are padded by
// this many values past the last bar.
inline constexpr int kMostBaruxLanes = 32;
// The most pairs one pass of any kernel set scores.
inline constexpr int kMostPairLanes = 16;

// Prices of bars 0..last, each readable up to last + kMostBaruxLanes.
struct SearchPrices {
    const double* high;
    const double* low;
    const double* close;
    int last;
};

// Bars at which pairScores also keeps each lane's compounded curve: ascending, from First_Bar
// on, ended by a bar past the last; curves[c * pairLanes + lane] for the c-th bar.
struct CurveCheckpoints {
    const int* bars = nullptr;
    double* curves = nullptr;
};

// The inner loops of the fast search. barux writes the smoothed Barux of period N at bars
// N..last, as the bar series computes it (and scratch up to last + kMostBaruxLanes); pairScores
// writes the scores of the pairLanes averages periods[] over it.
struct SearchKernels {
    const char* name;  // as KIRUVAN_SEARCH_KERNEL names it
    int pairLanes;
    void (*barux)(const SearchPrices& prices, int N, double* out);
    void (*baruxFinite)(const SearchPrices& prices, int N, double* out);  // the same where no price is NaN
    void (*pairScores)(const double* barux, const double* close, const int* periods, int First_Bar, int last,
                       double* scores, CurveCheckpoints checkpoints);
};

const SearchKernels& plainSearchKernels();
const SearchKernels& avx2SearchKernels();    // only where the processor has AVX2
const SearchKernels& avx512SearchKernels();  // only where the processor has AVX-512F

}  // namespace kiruvan
