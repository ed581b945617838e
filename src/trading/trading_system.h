#pragma once

#include <cstdint>

#include "trading/bar_series.h"

namespace kiruvan {

// The position held while the bars are walked: both flags false means flat.
struct Position {
    bool isLong = false;
    bool isShort = false;

    // Signal 1 makes it long, 2 short, 3 flat; 0 leaves it unchanged.
    void apply(std::int32_t signalCode);
};

// The crossover tests at bar i (at least 2) with the position held before bar i: strict on
// bar i, non-strict on bar i-1.
bool buyRuleHolds(const BarSeries& bars, const Position& position, int i);
bool sellRuleHolds(const BarSeries& bars, const Position& position, int i);

// Adds bar i's move of the position held since bar i-1 to the equity curve and, when
// withWeighted is set, to the compounded curve (which keeps 100 where it is not written).
void updateEquity(BarSeries& bars, const Position& position, int i, int First_Bar, bool withWeighted);

// The weighting factor of the compounded curve on a short bar: 1.0 for every bar.
double Ponderation_QuityCurve(int First_Bar, int bar);

// Throws std::invalid_argument unless 2 <= First_Bar <= NBBars.
void requireEvaluationWindow(const BarSeries& bars, int First_Bar);

// The backtest evaluation of one pair: Barux must hold period Opt1; computes MM_Barux for
// Opt2, walks bars First_Bar..NBBars from flat and returns the score, the compounded gain
// W[NBBars] - W[First_Bar].
double evaluatePair(BarSeries& bars, int Opt2, int First_Bar);

// The direction in force at bar n: the latest Buy or Sell at or before n (bar 1 excluded),
// else the opposite of the first one after n, else 0.
std::int32_t get_Last_signal_Trading_fleche(const BarSeries& bars, int n);

}  // namespace kiruvan
