#include "trading/bar_series.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "base/text_values.h"

namespace kiruvan {
namespace {

// A period fits a series of `length` places, the sentinel included.
void requirePeriod(int period, const char* what, std::size_t length)
{
    const int capacity = static_cast<int>(length) - 1;
    if (period < 1 || period > capacity)
        throw std::invalid_argument(std::string(what) + ": the period " + std::to_string(period) + " is outside 1 to "
                                    + std::to_string(capacity) + ".");
}

// The integer value of the characters [first, first + count) of a date text, as the month and
// year of a bar are read; anything but digits there is a conversion error.
std::int32_t dateTextPart(std::string_view dateText, std::size_t first, std::size_t count)
{
    const std::string_view part = first < dateText.size() ? dateText.substr(first, count) : std::string_view();
    const std::optional<std::int32_t> value = exactNumber<std::int32_t>(part);
    if (!value || part.front() == '-')
        throw std::runtime_error("The bar date '" + std::string(dateText)
                                 + "' has no month and year where \"dd/mm/yyyy\" puts them.");
    return *value;
}

// Barux of bar i for period N before smoothing: the mean over the window of the distances of
// the close of bar i to the running extremes, both seeded with the window's first close.
double rawBarux(const BarSeries& bars, int i, int N)
{
    const int first = i - N + 1;
    const double close = bars.Close[i];
    double hi = bars.Close[first];
    double lo = bars.Close[first];
    double aboveSum = 0;  // sum of (H[k] - Close[i])
    double belowSum = 0;  // sum of (Close[i] - L[k])
    for (int k = first; k <= i; ++k) {
        if (bars.High[k] >= hi)
            hi = bars.High[k];
        if (bars.Low[k] <= lo)
            lo = bars.Low[k];
        aboveSum = aboveSum + (hi - close);
        belowSum = belowSum + (close - lo);
    }
    return (-aboveSum) / N + belowSum / N;
}

}  // namespace

BarSeries::BarSeries(int capacity)
{
    if (capacity < 1 || capacity > kBarCapacity)
        throw std::invalid_argument("A bar series holds 1 to " + std::to_string(kBarCapacity) + " bars.");
    const auto length = static_cast<std::size_t>(capacity) + 1;
    for (auto* series : {&Open, &Low, &High, &Close, &Barux, &MM_Barux, &equity, &weightedEquity})
        series->resize(length);
    for (auto* series : {&Mois, &Annee, &signal})
        series->resize(length);
    DateStr.resize(length);
}

void BarSeries::Reinitialise_Les_Tableaux()
{
    for (auto* series : {&Open, &Low, &High, &Close, &Barux, &MM_Barux, &equity})
        std::fill(series->begin(), series->end(), 0.0);
    for (auto* series : {&Mois, &Annee, &signal})
        std::fill(series->begin(), series->end(), 0);
    for (auto& text : DateStr)
        text.clear();
}

void BarSeries::Calcul_Barux(int N)
{
    requirePeriod(N, "Barux", Barux.size());
    std::fill(Barux.begin() + 1, Barux.begin() + N, 0.0);
    for (int i = N; i <= NBBars; ++i)
        Barux[i] = rawBarux(*this, i, N);
    smoothBarux(Barux.data(), N, NBBars);
}

void smoothBarux(double* barux, int N, int NBBars)
{
    for (int j = N + 3; j <= NBBars - 1; ++j)
        barux[j] = (barux[j] + barux[j - 1] + barux[j - 2]) / 3;
}

void BarSeries::Calcul_Moyenne_Mobile_Barux(int M)
{
    runningAverage(Barux, MM_Barux, M, NBBars);
}

void storeBar(BarSeries& bars, int i, double open, double high, double low, double close, std::string_view dateText)
{
    if (i < 1 || i > bars.capacity())
        throw std::out_of_range("Bar " + std::to_string(i) + " is outside the holder's 1 to "
                                + std::to_string(bars.capacity()) + ".");
    bars.Open[i] = open;
    bars.High[i] = high;
    bars.Low[i] = low;
    bars.Close[i] = close;
    bars.DateStr[i] = std::string(dateText);
    bars.Mois[i] = dateTextPart(dateText, 3, 2);
    bars.Annee[i] = dateTextPart(dateText, 6, 4);
}

void runningAverage(const std::vector<double>& input, std::vector<double>& output, int M, int lastBar)
{
    requirePeriod(M, "moving average", output.size());
    double sum = 0;
    for (int k = 0; k <= M - 1; ++k)
        sum = sum + input[k];
    output[M - 1] = sum / M;
    for (int j = M; j <= lastBar; ++j) {
        sum = sum - input[j - M] + input[j];
        output[j] = sum / M;
    }
}

}  // namespace kiruvan
