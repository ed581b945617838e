#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "trading/bar_series.h"
#include "trading/parameter_search.h"

namespace kiruvan {

// The bars of the evaluation window that the robustness figures read each pair's compounded
// curve at: a hold-out of the newest bars, and the window cut into equal blocks for the
// cross-validation of the probability of backtest overfitting.
struct RobustnessWindow {
    static constexpr int kHoldoutBars = 250;
    static constexpr int kBlocks = 16;

    int First_Bar = 0;
    int NBBars = 0;
    int holdoutBar = 0;           // M: the hold-out runs from M to NBBars
    std::vector<int> blockEdges;  // blocks + 1 bars; block b runs from edge b to edge b + 1

    // Shorter hold-outs and fewer (an even number of) blocks serve the tests only.
    static RobustnessWindow of(int First_Bar, int NBBars, int holdoutBars = kHoldoutBars, int blocks = kBlocks);

    // Every bar read, ascending, each once.
    std::vector<int> checkpoints() const;
};

// The compounded curve W of every pair of the search, at the window's checkpoints.
class PairCurves {
public:
    PairCurves(std::vector<int> checkpoints, int pairCount);

    const std::vector<int>& checkpoints() const { return checkpoints_; }
    int pairCount() const { return pairCount_; }
    double* pairValues(int pair) { return values_.data() + static_cast<std::size_t>(pair) * checkpoints_.size(); }
    double at(int pair, int bar) const;

private:
    std::vector<int> checkpoints_;
    int pairCount_;
    std::vector<double> values_;  // pair-major
};

struct RobustnessFigures {
    std::string Holdout_Date;
    std::int32_t Holdout_Opt1 = 0;
    std::int32_t Holdout_Opt2 = 0;
    double Holdout_Return = 0;
    double Holdout_Buy_Hold = 0;
    double Holdout_Rank = 0;
    double PBO = 0;

    friend bool operator==(const RobustnessFigures&, const RobustnessFigures&) = default;
};

// The block value of a curve going from `start` to `end`: 2^32 times the log of the ratio as a
// 64-bit integer, clamped to +-2^50; -2^50 when either end is 0 or the ratio is not usable.
std::int64_t blockValue(double start, double end);

// The per cent of the C(S, S/2) ways to split S blocks in two halves in which the pair that is
// best on one half ranks at or below the median on the other. values[b][p]: block b of pair p.
double probabilityOfOverfitting(const std::vector<std::vector<std::int64_t>>& values);

// The same, asking keepGoing between runs of pairs (every few milliseconds); nullopt when it
// said no.
std::optional<double> probabilityOfOverfitting(const std::vector<std::vector<std::int64_t>>& values,
                                               const std::function<bool()>& keepGoing);

// Both figures of one search, from the curves of its pairs (in search order).
RobustnessFigures robustnessFigures(const BarSeries& bars, const RobustnessWindow& window,
                                    const std::vector<ParameterPair>& pairs, const PairCurves& curves);

// The same, nullopt when keepGoing said no during the overfitting count.
std::optional<RobustnessFigures> robustnessFigures(const BarSeries& bars, const RobustnessWindow& window,
                                                   const std::vector<ParameterPair>& pairs, const PairCurves& curves,
                                                   const std::function<bool()>& keepGoing);

// The curves by the literal evaluation of every pair, for tests.
PairCurves literalPairCurves(BarSeries& bars, const RobustnessWindow& window);

}  // namespace kiruvan
