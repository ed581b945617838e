#include "trading/robustness.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>

#include "trading/trading_system.h"

namespace kiruvan {
namespace {

constexpr std::int64_t kBlockValueLimit = std::int64_t{1} << 50;
constexpr double kBlockValueScale = 4294967296.0;  // 2^32
constexpr double kBestBeforeHoldout = -1000000;

double holdoutReturn(const PairCurves& curves, int pair, const RobustnessWindow& window)
{
    const double start = curves.at(pair, window.holdoutBar);
    return start != 0 ? curves.at(pair, window.NBBars) * 100 / start - 100 : 0.0;
}

// The hold-out pair: the first best in search order on the bars before the hold-out.
int holdoutPair(const PairCurves& curves, const RobustnessWindow& window)
{
    int chosen = 0;
    double best = kBestBeforeHoldout;
    for (int p = 0; p < curves.pairCount(); ++p) {
        const double score = curves.at(p, window.holdoutBar) - curves.at(p, window.First_Bar);
        if (score > best) {
            best = score;
            chosen = p;
        }
    }
    return chosen;
}

// 100 when the pair is also the best of the hold-out, 50 the median, 0 the worst.
double holdoutRank(const PairCurves& curves, int chosen, const RobustnessWindow& window)
{
    const double returned = holdoutReturn(curves, chosen, window);
    std::int64_t lower = 0, equal = 0;
    for (int p = 0; p < curves.pairCount(); ++p) {
        const double r = holdoutReturn(curves, p, window);
        lower += r < returned;
        equal += r == returned;
    }
    if (curves.pairCount() < 2)
        return 100;
    return 100 * (static_cast<double>(lower) + static_cast<double>(equal - 1) / 2) / (curves.pairCount() - 1);
}

std::vector<std::vector<std::int64_t>> blockValues(const PairCurves& curves, const RobustnessWindow& window)
{
    const int blocks = static_cast<int>(window.blockEdges.size()) - 1;
    std::vector<std::vector<std::int64_t>> values(blocks, std::vector<std::int64_t>(curves.pairCount()));
    for (int b = 0; b < blocks; ++b)
        for (int p = 0; p < curves.pairCount(); ++p)
            values[b][p] = blockValue(curves.at(p, window.blockEdges[b]), curves.at(p, window.blockEdges[b + 1]));
    return values;
}

}  // namespace

RobustnessWindow RobustnessWindow::of(int First_Bar, int NBBars, int holdoutBars, int blocks)
{
    if (blocks < 2 || blocks % 2 != 0 || blocks > 30)
        throw std::invalid_argument("the overfitting test needs an even number of blocks");
    RobustnessWindow window;
    window.First_Bar = First_Bar;
    window.NBBars = NBBars;
    window.holdoutBar = std::max(First_Bar, NBBars - holdoutBars);
    const std::int64_t length = NBBars - First_Bar;
    for (int b = 0; b <= blocks; ++b)
        window.blockEdges.push_back(First_Bar + static_cast<int>(b * length / blocks));
    return window;
}

std::vector<int> RobustnessWindow::checkpoints() const
{
    std::vector<int> bars = blockEdges;
    bars.push_back(First_Bar);
    bars.push_back(holdoutBar);
    bars.push_back(NBBars);
    std::sort(bars.begin(), bars.end());
    bars.erase(std::unique(bars.begin(), bars.end()), bars.end());
    return bars;
}

PairCurves::PairCurves(std::vector<int> checkpoints, int pairCount)
    : checkpoints_(std::move(checkpoints)),
      pairCount_(pairCount),
      values_(checkpoints_.size() * static_cast<std::size_t>(pairCount), 0.0)
{
}

double PairCurves::at(int pair, int bar) const
{
    const auto it = std::lower_bound(checkpoints_.begin(), checkpoints_.end(), bar);
    if (it == checkpoints_.end() || *it != bar)
        throw std::out_of_range("no curve value kept at bar " + std::to_string(bar));
    return values_[static_cast<std::size_t>(pair) * checkpoints_.size() + (it - checkpoints_.begin())];
}

std::int64_t blockValue(double start, double end)
{
    if (start == 0 || end == 0)
        return -kBlockValueLimit;
    const double ratio = end / start;
    if (!std::isfinite(ratio))
        return -kBlockValueLimit;
    const double x = kBlockValueScale * std::log(ratio);
    if (std::isnan(x))
        return -kBlockValueLimit;
    const double limit = static_cast<double>(kBlockValueLimit);
    return std::llround(std::clamp(x, -limit, limit));
}

RobustnessFigures robustnessFigures(const BarSeries& bars, const RobustnessWindow& window,
                                    const std::vector<ParameterPair>& pairs, const PairCurves& curves)
{
    return *robustnessFigures(bars, window, pairs, curves, {});
}

std::optional<RobustnessFigures> robustnessFigures(const BarSeries& bars, const RobustnessWindow& window,
                                                   const std::vector<ParameterPair>& pairs, const PairCurves& curves,
                                                   const std::function<bool()>& keepGoing)
{
    RobustnessFigures figures;
    const int M = window.holdoutBar;
    const int N = window.NBBars;
    const int chosen = holdoutPair(curves, window);
    figures.Holdout_Date = bars.DateStr[M];
    figures.Holdout_Opt1 = pairs[chosen].Opt1;
    figures.Holdout_Opt2 = pairs[chosen].Opt2;
    figures.Holdout_Return = holdoutReturn(curves, chosen, window);
    figures.Holdout_Buy_Hold = bars.Close[M] != 0 ? bars.Close[N] * 100 / bars.Close[M] - 100 : 0.0;
    figures.Holdout_Rank = holdoutRank(curves, chosen, window);
    const std::optional<double> PBO = probabilityOfOverfitting(blockValues(curves, window), keepGoing);
    if (!PBO)
        return std::nullopt;
    figures.PBO = *PBO;
    return figures;
}

PairCurves literalPairCurves(BarSeries& bars, const RobustnessWindow& window)
{
    PairCurves curves(window.checkpoints(), kPairCount);
    int pair = 0;
    for (const int Opt1 : opt1Values()) {
        bars.Calcul_Barux(Opt1);
        for (const int Opt2 : opt2Values(Opt1)) {
            evaluatePair(bars, Opt2, window.First_Bar);
            double* out = curves.pairValues(pair++);
            for (const int bar : curves.checkpoints())
                *out++ = bars.weightedEquity[bar];
        }
    }
    return curves;
}

}  // namespace kiruvan
