#include "trading/chart_series.h"

#include <algorithm>
#include <cmath>

#include "trading/trading_system.h"

namespace kiruvan {
namespace {

constexpr int kCciPeriod = 14;
constexpr int kMacciPeriod = 10;
constexpr int kCloseAveragePeriod = 50;

// Typical price (High + Low + Close) / 3 of bars 0..NBBars; bar 0 reads the sentinel zeros.
std::vector<double> typicalPrices(const BarSeries& bars)
{
    std::vector<double> tp(bars.NBBars + 1);
    for (int k = 0; k <= bars.NBBars; ++k)
        tp[k] = (bars.High[k] + bars.Low[k] + bars.Close[k]) / 3;
    return tp;
}

// Mean typical price of the P bars ending at each bar from P on. Below bar P there is no full
// window; there the average is taken as the bar's own typical price, so that those bars add no
// deviation to the first indexes instead of the distance of the price to zero.
std::vector<double> typicalPriceAverages(const std::vector<double>& tp, int P, int lastBar)
{
    std::vector<double> average(tp);
    for (int i = P; i <= lastBar; ++i) {
        double sum = 0;
        for (int k = i - P + 1; k <= i; ++k)
            sum = sum + tp[k];
        average[i] = sum / P;
    }
    return average;
}

}  // namespace

ChartSeries::ChartSeries()
    : CCI(kSeriesLength),
      movingAverages{std::vector<double>(kSeriesLength), std::vector<double>(kSeriesLength)},
      positionState(kSeriesLength)
{
}

void ChartSeries::Reinitialise_Les_Tableaux()
{
    bars.Reinitialise_Les_Tableaux();
    std::fill(positionState.begin(), positionState.end(), 0.0);
}

void ChartSeries::Calcul_Barux(int N)
{
    Debut_Barux = N + 1;
    bars.Calcul_Barux(N);
}

void ChartSeries::Calcul_Moyenne_Mobile_Barux(int M)
{
    Debut_Systeme = Debut_Barux + M;
    bars.Calcul_Moyenne_Mobile_Barux(M);
}

void ChartSeries::Calcul_CCI(int P)
{
    P = std::clamp(P, 2, kBarCapacity);
    std::fill(CCI.begin(), CCI.begin() + P + 1, 0.0);
    const int last = bars.NBBars;
    const std::vector<double> tp = typicalPrices(bars);
    const std::vector<double> average = typicalPriceAverages(tp, P, last);
    for (int i = P; i <= last; ++i) {
        // P + 1 terms, each against the average of its own bar.
        double deviation = 0;
        for (int k = i - P; k <= i; ++k)
            deviation = deviation + std::fabs(average[k] - tp[k]);
        const double divisor = 0.015 * deviation / P;
        // A typical price that stays constant over the window has no deviation: the index
        // then reads 0, the neutral value, rather than an undefined quotient.
        CCI[i] = divisor != 0 ? (tp[i] - average[i]) / divisor : 0.0;
    }
    for (int i = P; i <= last; ++i)
        CCI[i] = (CCI[i] + CCI[i - 1]) / 2;
}

void ChartSeries::Calcul_MACCI(int M)
{
    runningAverage(CCI, movingAverages[kMacciSlot], M, bars.NBBars);
}

void ChartSeries::Calcul_MA(int slot, int M)
{
    runningAverage(bars.Close, movingAverages.at(static_cast<std::size_t>(slot)), M, bars.NBBars);
}

void computeChartSeries(ChartSeries& chart, const std::optional<StoredParameters>& parameters)
{
    if (parameters && parameters->First_Bar != -1) {
        chart.Calcul_Barux(parameters->Opt1);
        chart.Calcul_Moyenne_Mobile_Barux(parameters->Opt2);
        chart.Calcul_CCI(kCciPeriod);
        chart.Calcul_MACCI(kMacciPeriod);
        trading_system2(chart, parameters->First_Bar);
    }
    chart.Calcul_MA(ChartSeries::kMa50Slot, kCloseAveragePeriod);
}

void trading_system2(ChartSeries& chart, int First_Bar)
{
    BarSeries& bars = chart.bars;
    std::fill(bars.signal.begin(), bars.signal.begin() + bars.NBBars + 1, kNoSignal);
    bars.signal[1] = kFlatMarker;
    Position position;
    for (int i = chart.Debut_Systeme; i <= bars.NBBars; ++i) {
        updateEquity(bars, position, i, First_Bar, false);
        if (buyRuleHolds(bars, position, i))
            bars.signal[i] = kBuySignal;
        // The chart always holds a position from First_Bar on, in the direction of Barux
        // against its average there, crossing or not.
        if (i == First_Bar)
            bars.signal[i] = bars.Barux[i] >= bars.MM_Barux[i] ? kBuySignal : kSellSignal;
        if (sellRuleHolds(bars, position, i))
            bars.signal[i] = kSellSignal;
        if (First_Bar != -1 && i >= First_Bar)
            position.apply(bars.signal[i]);
    }
    Set_Couleur_barre(chart, First_Bar);
}

void Set_Couleur_barre(ChartSeries& chart, int First_Bar)
{
    const BarSeries& bars = chart.bars;
    std::vector<double>& state = chart.positionState;
    state[1] = kFlatMarker;
    for (int j = 1; j <= bars.NBBars; ++j) {
        state[j] = bars.signal[j] != kNoSignal ? static_cast<double>(bars.signal[j]) : state[j - 1];
        if (j < First_Bar)
            state[j] = kFlatMarker;
    }
}

}  // namespace kiruvan
