#pragma once

namespace kiruvan {

// How many windows or pairs one pass of the fast search's kernels works on, as packs of
// the width of an AVX2 register.
inline constexpr int kSearchLanes = 8;
inline constexpr int kBaruxLanes = 16;
inline constexpr int kLanesPerPack = 4;

// Prices of bars 0..last, each readable up to last + kBaruxLanes.
struct SearchPrices {
    const double* high;
    const double* low;
    const double* close;
    int last;
};

// Bars at which pairScores also keeps each lane's compounded curve: ascending, from First_Bar
// on, ended by a bar past the last; curves[c * kSearchLanes + lane] for the c-th bar.
struct CurveCheckpoints {
    const int* bars = nullptr;
    double* curves = nullptr;
};

// The inner loops of the fast search. rawBarux writes the unsmoothed Barux of period N at
// bars N..last (and scratch up to last + kBaruxLanes); pairScores writes the scores of the
// kSearchLanes averages periods[] over the finished Barux.
struct SearchKernels {
    void (*rawBarux)(const SearchPrices& prices, int N, double* out);
    void (*pairScores)(const double* barux, const double* close, const int* periods, int First_Bar, int last,
                       double* scores, CurveCheckpoints checkpoints);
};

const SearchKernels& plainSearchKernels();
const SearchKernels& avx2SearchKernels();  // only where the processor has AVX2

}  // namespace kiruvan
