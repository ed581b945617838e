#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"

namespace kiruvan {

// One daily bar as a symbol file holds it.
struct DailyBar {
    Date date;
    double Open = 0;
    double High = 0;
    double Low = 0;
    double Close = 0;
    double Volume = 0;

    friend bool operator==(const DailyBar&, const DailyBar&) = default;
};

// Every per-bar series has room for bars 1 to kBarCapacity; index 0 is a sentinel that
// always reads 0, because the running averages read one place before their first window.
inline constexpr int kBarCapacity = 20000;
inline constexpr int kSeriesLength = kBarCapacity + 1;

// Signal codes of the trading system.
inline constexpr std::int32_t kNoSignal = 0;
inline constexpr std::int32_t kBuySignal = 1;
inline constexpr std::int32_t kSellSignal = 2;
inline constexpr std::int32_t kFlatMarker = 3;

// The bar series of one symbol as both the chart window and the backtest hold it: prices and
// dates of the loaded bars (1 = oldest, NBBars = newest), Barux with its average, and the
// trading system's per-bar series. Allocated once with room for bars 1 to `capacity` (the full
// kBarCapacity unless a holder never holds more); nothing here allocates per bar afterwards.
struct BarSeries {
    explicit BarSeries(int capacity = kBarCapacity);
    int capacity() const { return static_cast<int>(Close.size()) - 1; }

    int NBBars = 0;

    std::vector<double> Open, High, Low, Close;
    std::vector<std::string> DateStr;  // "dd/mm/yyyy"
    std::vector<std::int32_t> Mois, Annee;
    std::vector<double> Barux, MM_Barux;

    // Trading system: signal codes, equity in price points, the compounded curve of 100 units
    // (backtest only).
    std::vector<std::int32_t> signal;
    std::vector<double> equity;
    std::vector<double> weightedEquity;

    // Clears bars 1 to capacity() of the bar series, Barux, MM_Barux, the signals and the
    // equity curve. NBBars is left alone (the load sets it).
    void Reinitialise_Les_Tableaux();

    // Barux with period N over bars N..NBBars, then smoothed in place (the last bar stays raw).
    // Bars 1..N-1 are set to 0, so that the result depends on N alone even when the series
    // held another period's Barux before. N must be within 1 to capacity().
    void Calcul_Barux(int N);

    // Running mean of the M values of Barux ending at each bar, counting the sentinel and the
    // warm-up zeros. Must follow Calcul_Barux.
    void Calcul_Moyenne_Mobile_Barux(int M);
};

// The smoothing of Barux with period N over bars 1..NBBars, in place and forward: each bar
// averages its raw value with the two already smoothed before it. The pass stops at the
// next-to-last bar, so the newest bar stays raw.
void smoothBarux(double* barux, int N, int NBBars);

// Stores one bar at position i (1 to the holder's capacity): prices, the date text and the
// month and year read from its characters 4-5 and 7-10. Throws std::runtime_error when those
// are not numbers.
void storeBar(BarSeries& bars, int i, double open, double high, double low, double close, std::string_view dateText);

// The running simple average shared by every moving average of the program:
// s = input[0] + ... + input[M-1], output[M-1] = s / M, then for j = M..lastBar
// s = s - input[j-M] + input[j], output[j] = s / M. Places below M-1 are not written; M must
// be within 1 to the series' capacity.
void runningAverage(const std::vector<double>& input, std::vector<double>& output, int M, int lastBar);

}  // namespace kiruvan
