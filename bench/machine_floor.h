#pragma once

// How fast this machine's widest vector unit adds and divides doubles, and the least time the
// search's operations could take at those rates: the floor its kernels are measured against.

namespace kiruvan::bench {

struct VectorRates {
    const char* unit = "";
    double addsPerSecond = 0;     // lane additions, on every unit that can add
    double dividesPerSecond = 0;  // lane divisions
};

// The arithmetic one symbol's search cannot do without, counted from the grid and the bars:
// the sums, extremes and divisions its scores are made of. The extremes run on the add units
// and are counted as additions; comparisons and selections come on top, on units of their own
// where the processor has them, and are left out of the floor.
struct SearchOperations {
    double baruxSteps = 0;    // one window element of one bar's Barux: 2 extremes, 2 subtractions, 2 additions
    double advanceSteps = 0;  // one moving average moved by one bar: 1 subtraction, 1 addition
    double scoreSteps = 0;    // one pair's walk over one bar: 2 divisions, 1 multiplication
};

VectorRates measureVectorRates();
SearchOperations searchOperations(int last, int First_Bar);

inline double floorSeconds(const SearchOperations& ops, const VectorRates& rates)
{
    const double adds = 6 * ops.baruxSteps + 2 * ops.advanceSteps + ops.scoreSteps;
    return adds / rates.addsPerSecond + 2 * ops.scoreSteps / rates.dividesPerSecond;
}

}  // namespace kiruvan::bench
