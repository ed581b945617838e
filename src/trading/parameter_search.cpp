#include "trading/parameter_search.h"

#include <algorithm>

#include "trading/trading_system.h"

namespace kiruvan {
namespace {

constexpr int kFirstPeriod = 30;
constexpr int kLastOpt1 = 700;
constexpr int kLastOpt2 = 300;
constexpr double kScoreBeforeSearch = -1000000;

// Opt1 grows by one more for each hundred it has passed, so the grid thins out as the
// periods get long.
int nextOpt1(int value)
{
    ++value;
    for (const int threshold : {100, 200, 300, 400, 500, 600})
        if (value > threshold)
            ++value;
    return value;
}

// Above 100, Opt2 moves in steps of 10.
int nextOpt2(int value)
{
    ++value;
    if (value > 100)
        value += 4;
    if (value > 100)
        value += 5;
    return value;
}

}  // namespace

std::vector<int> opt1Values()
{
    std::vector<int> values;
    for (int value = kFirstPeriod; value <= kLastOpt1; value = nextOpt1(value))
        values.push_back(value);
    return values;
}

std::vector<int> opt2Values(int Opt1)
{
    std::vector<int> values;
    const int last = std::min(kLastOpt2, Opt1);
    for (int value = kFirstPeriod; value <= last; value = nextOpt2(value))
        values.push_back(value);
    return values;
}

std::vector<ParameterPair> parameterGrid()
{
    std::vector<ParameterPair> pairs;
    for (const int Opt1 : opt1Values())
        for (const int Opt2 : opt2Values(Opt1))
            pairs.push_back({Opt1, Opt2});
    return pairs;
}

SearchResult resultBeforeSearch(const BarSeries& bars, int First_Bar)
{
    SearchResult best;
    best.First_Bar = First_Bar;
    best.score = kScoreBeforeSearch;
    best.Date_BackTest = bars.DateStr[bars.NBBars];
    best.Cours_backtest = bars.Close[bars.NBBars];
    return best;
}

SearchResult evaluateParameterPair(BarSeries& bars, ParameterPair pair, int First_Bar)
{
    requireEvaluationWindow(bars, First_Bar);
    bars.Calcul_Barux(pair.Opt1);
    return evaluateParameterPairOnBarux(bars, pair, First_Bar);
}

SearchResult evaluateParameterPairOnBarux(BarSeries& bars, ParameterPair pair, int First_Bar)
{
    requireEvaluationWindow(bars, First_Bar);
    SearchResult result = resultBeforeSearch(bars, First_Bar);
    result.Opt1 = pair.Opt1;
    result.Opt2 = pair.Opt2;
    result.score = evaluatePair(bars, pair.Opt2, First_Bar);
    result.statistics = computeTradeStatistics(bars, First_Bar);
    return result;
}

std::optional<SearchResult> Trading_system2_OPT(BarSeries& bars, int First_Bar, const SearchHook& beforePair)
{
    requireEvaluationWindow(bars, First_Bar);
    SearchResult best = resultBeforeSearch(bars, First_Bar);
    SearchProgress progress;
    for (const int Opt1 : opt1Values()) {
        bars.Calcul_Barux(Opt1);
        for (const int Opt2 : opt2Values(Opt1)) {
            progress.pair = {Opt1, Opt2};
            if (beforePair && !beforePair(progress))
                return std::nullopt;
            ++progress.pairIndex;
            const double score = evaluatePair(bars, Opt2, First_Bar);
            // Strictly greater: on equal scores the pair met first stays best.
            if (score > best.score) {
                best.score = score;
                best.Opt1 = Opt1;
                best.Opt2 = Opt2;
                best.statistics = computeTradeStatistics(bars, First_Bar);
            }
        }
    }
    return best;
}

}  // namespace kiruvan
