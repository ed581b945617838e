#pragma once

#include <array>
#include <optional>
#include <vector>

#include "trading/bar_series.h"

namespace kiruvan {

// The chart window's holder: the common bar series plus the index pane (CCI and its average),
// the 50-bar average of the close, the position state series that colours the bars, and the
// start bars of Barux and of the system loop.
struct ChartSeries {
    ChartSeries();

    static constexpr int kMacciSlot = 0;
    static constexpr int kMa50Slot = 1;

    BarSeries bars;
    std::vector<double> CCI;
    std::array<std::vector<double>, 2> movingAverages;  // slot 0 MACCI, slot 1 MA50
    std::vector<double> positionState;                  // 1.0 long, 2.0 short, 3.0 none
    int Debut_Barux = 0;
    int Debut_Systeme = 0;

    const std::vector<double>& MACCI() const { return movingAverages[kMacciSlot]; }
    const std::vector<double>& MA50() const { return movingAverages[kMa50Slot]; }

    // The common reset plus the position state series; CCI and the averages are not touched.
    void Reinitialise_Les_Tableaux();

    void Calcul_Barux(int N);                 // sets Debut_Barux = N + 1 first
    void Calcul_Moyenne_Mobile_Barux(int M);  // sets Debut_Systeme = Debut_Barux + M first
    void Calcul_CCI(int P);                   // P below 2 computes with 2
    void Calcul_MACCI(int M);
    void Calcul_MA(int slot, int M);  // average of Close into the given slot
};

// The parameters a backtest stored for a symbol, as the chart reads them back.
struct StoredParameters {
    int Opt1 = 0;
    int Opt2 = 0;
    int First_Bar = -1;
};

// The chart's computation after a load: with parameters, Barux, its average, CCI(14),
// MACCI(10) and the chart evaluation of the system; in every case MA50 last.
void computeChartSeries(ChartSeries& chart, const std::optional<StoredParameters>& parameters);

// The chart evaluation: signals and equity from Debut_Systeme on, an entry forced at
// First_Bar in the direction of Barux against its average, positions from First_Bar on, then
// the position state series. Barux and its average must already be computed.
void trading_system2(ChartSeries& chart, int First_Bar);

// Fills the position state series from the signals: the signal of the bar when there is one,
// else the previous state; 3.0 before First_Bar.
void Set_Couleur_barre(ChartSeries& chart, int First_Bar);

}  // namespace kiruvan
