#include "trading/trading_system.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace kiruvan {

void Position::apply(std::int32_t signalCode)
{
    switch (signalCode) {
    case kBuySignal:
        isLong = true;
        isShort = false;
        break;
    case kSellSignal:
        isLong = false;
        isShort = true;
        break;
    case kFlatMarker:
        isLong = false;
        isShort = false;
        break;
    default:
        break;
    }
}

bool buyRuleHolds(const BarSeries& bars, const Position& position, int i)
{
    return !position.isLong && bars.Barux[i] > bars.MM_Barux[i] && bars.Barux[i - 1] <= bars.MM_Barux[i - 1];
}

bool sellRuleHolds(const BarSeries& bars, const Position& position, int i)
{
    return !position.isShort && bars.Barux[i] < bars.MM_Barux[i] && bars.Barux[i - 1] >= bars.MM_Barux[i - 1];
}

void updateEquity(BarSeries& bars, const Position& position, int i, int First_Bar, bool withWeighted)
{
    const double close = bars.Close[i];
    const double previousClose = bars.Close[i - 1];
    if (position.isLong) {
        bars.equity[i] = bars.equity[i - 1] + (close - previousClose);
        if (withWeighted && previousClose != 0)
            bars.weightedEquity[i] = bars.weightedEquity[i - 1] * close / previousClose;
    } else if (position.isShort) {
        bars.equity[i] = bars.equity[i - 1] + (previousClose - close);
        if (withWeighted && close != 0)
            bars.weightedEquity[i] =
                Ponderation_QuityCurve(First_Bar, i) * (bars.weightedEquity[i - 1] * previousClose / close);
    } else {
        bars.equity[i] = bars.equity[i - 1];
    }
}

double Ponderation_QuityCurve(int /*First_Bar*/, int /*bar*/)
{
    return 1.0;
}

void requireEvaluationWindow(const BarSeries& bars, int First_Bar)
{
    if (First_Bar < 2 || First_Bar > bars.NBBars)
        throw std::invalid_argument("The first bar " + std::to_string(First_Bar) + " is outside 2 to "
                                    + std::to_string(bars.NBBars) + ", the bars loaded.");
}

double evaluatePair(BarSeries& bars, int Opt2, int First_Bar)
{
    requireEvaluationWindow(bars, First_Bar);
    const int last = bars.NBBars;
    std::fill(bars.signal.begin() + 1, bars.signal.begin() + last + 1, kNoSignal);
    // The average leaves its places below Opt2 - 1 unwritten; clearing it keeps a pair's
    // result independent of the pairs evaluated before it whatever the first bar.
    std::fill(bars.MM_Barux.begin() + 1, bars.MM_Barux.begin() + last + 1, 0.0);
    std::fill(bars.equity.begin() + 1, bars.equity.begin() + last + 1, 0.0);
    std::fill(bars.weightedEquity.begin() + 1, bars.weightedEquity.begin() + last + 1, 100.0);
    bars.Calcul_Moyenne_Mobile_Barux(Opt2);
    bars.signal[1] = kFlatMarker;
    Position position;
    for (int i = First_Bar; i <= last; ++i) {
        updateEquity(bars, position, i, First_Bar, true);
        if (buyRuleHolds(bars, position, i))
            bars.signal[i] = kBuySignal;
        if (sellRuleHolds(bars, position, i))
            bars.signal[i] = kSellSignal;
        position.apply(bars.signal[i]);
    }
    return bars.weightedEquity[last] - bars.weightedEquity[First_Bar];
}

std::int32_t get_Last_signal_Trading_fleche(const BarSeries& bars, int n)
{
    auto isTrade = [&](int k) { return bars.signal[k] == kBuySignal || bars.signal[k] == kSellSignal; };
    for (int k = n; k >= 2; --k)
        if (isTrade(k))
            return bars.signal[k];
    // Before the first signal the stretch counts as held against it.
    for (int k = n; k <= bars.NBBars; ++k)
        if (isTrade(k))
            return bars.signal[k] == kBuySignal ? kSellSignal : kBuySignal;
    return kNoSignal;
}

}  // namespace kiruvan
