#pragma once

#include <cmath>

#include "sampledata/synthetic_bars.h"

namespace kiruvan::test {

inline void setClose(DailyBar& bar, double close)
{
    bar.Open = bar.High = bar.Low = bar.Close = close;
}

// Random walks of 2250 to 3501 bars, each reshaped by its seed: flat stretches, a zero
// close, a long trend, a calmer or wilder walk.
inline BarSeries generatedSeries(int seed)
{
    const int count = 2250 + (seed * 379) % 1252;
    std::vector<DailyBar> daily = syntheticDailyBars({.seed = static_cast<std::uint64_t>(seed), .count = count});
    const double scale = 0.25 + (seed % 7) * 0.5;
    for (int k = 0; k < count; ++k) {
        DailyBar& bar = daily[k];
        const double trend = seed % 5 == 3 ? k * 0.01 : 0.0;
        for (double* price : {&bar.Open, &bar.High, &bar.Low, &bar.Close})
            *price = 50 + (*price - 50) * scale + trend;
        if (seed % 5 == 1 && k % 900 > 600)
            setClose(bar, daily[k - k % 900 + 600].Close);
    }
    if (seed % 5 == 2)
        daily[count - 1 - seed % 1000].Close = daily[count - 1 - seed % 1000].Low = 0;
    BarSeries bars;
    fillBarSeries(bars, daily);
    return bars;
}

// A random walk of 3501 bars, bent into rising and falling regimes of 300 to 600 bars.
inline BarSeries trendRegimes(int seed)
{
    std::vector<DailyBar> daily = syntheticDailyBars({.seed = static_cast<std::uint64_t>(seed), .count = 3501});
    const int regime = 300 + (seed * 97) % 300;
    double level = 0;
    int direction = 1;
    for (int k = 0; k < 3501; ++k) {
        if (k % regime == 0)
            direction = -direction;
        level += direction * 0.003;
        for (double* price : {&daily[k].Open, &daily[k].High, &daily[k].Low, &daily[k].Close})
            *price = std::round(*price * std::exp(level) * 100) / 100;
    }
    BarSeries bars;
    fillBarSeries(bars, daily);
    return bars;
}

}  // namespace kiruvan::test
