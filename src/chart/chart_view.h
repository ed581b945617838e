#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kiruvan {

// Nearest integer, an exact half going to the even neighbour; clamped to the int range so
// that a wild value never reaches an undefined conversion.
int roundEven(double v);

// Width of the scale area at the right edge of every pane, and the height of the date strip
// under the panes.
inline constexpr int kScaleAreaWidth = 50;
inline constexpr int kDateStripHeight = 50;
// One scroll position shifts the view by this many pixels.
inline constexpr int kScrollStepPixels = 81;
inline constexpr double kSmallestZoom = 0.5;

// The view of one drawing: which bars are visible and where bar i stands.
struct ChartView {
    double Largeur_Barre = 1.0;
    int Barres_Par_Ecran = 0;
    int Debut_Derniere_Page = 0;
    int scrollMaximum = 1;
    int position = 0;  // the scroll position, within 0..scrollMaximum
    int Premiere_Barre_Visible = 0;
    int Derniere_Barre_Visible = 0;
    int Decalage_X = 0;

    int x(int bar) const;
    // The last bar that carries a value: the smaller of Derniere_Barre_Visible and NBBars.
    int lastShownBar(int NBBars) const;
};

// Bars per screen, the start of the last page and the scroll maximum for a client width. The
// maximum is lowered where it would push the newest bar off the pane.
ChartView scrollRange(int clientWidth, int NBBars, double Largeur_Barre);

// The whole view at a scroll position; a position beyond the range is lowered to its maximum.
ChartView computeView(int clientWidth, int NBBars, double Largeur_Barre, int position);

// The first scroll position at which the bar stands in the middle third of the screen or, near
// the ends, the nearest one that shows it at all.
int positionShowing(int clientWidth, int NBBars, double Largeur_Barre, int bar);

// Zoom steps of the two zoom buttons and whether each button stays enabled after its step.
double zoomedIn(double Largeur_Barre);
double zoomedOut(double Largeur_Barre);
bool canZoomIn(double Largeur_Barre);
bool canZoomOut(double Largeur_Barre);

// Where a pane lies in the drawing height, from its top and height percentages.
struct PanePlacement {
    int top = 0;
    int height = 1;
};
PanePlacement placePane(int drawingHeight, int topPercent, int heightPercent);

// The vertical scale of a pane: y(v) = Round((Min - v) x Facteur) + Hauteur.
struct PaneScale {
    double Min = 0;
    double Max = 0;
    double Facteur = 0;
    int Hauteur = 0;

    int y(double v) const;
};

// First guesses, then the lows and highs of the visible bars the pane does not skip, then 10 %
// of room below. `lowAt`, `highAt` and `skipAt` read bar i.
template <class Low, class High, class Skip>
PaneScale scanScale(const ChartView& view, int NBBars, int paneHeight, double firstMin, double firstMax, Low lowAt,
                    High highAt, Skip skipAt);

// Min and Max after the scan: the room below and Facteur.
PaneScale finishScale(double Min, double Max, int paneHeight);

// The step between labelled values of a scale.
std::int64_t Valeur_Echelle1(int H, double Max, double Min);

// A tick of the scale area, with the row of its label when the label is written. The value
// counts the label's last decimal: it is value / 10^decimals (whole numbers for integer steps).
struct ScaleMark {
    std::int64_t value = 0;
    int tickRow = 0;
    std::optional<int> labelRow;
    std::string label;
};

// The ticks of the integer multiples of the step between the pane's bottom and its top.
// `halfFontHeight` is the label font's (negative) height halved.
std::vector<ScaleMark> scaleMarks(const PaneScale& scale, int halfFontHeight);

// The price scale's ticks: the integer ones while they label at least two values, else those
// of the finest decimal step (0.5, 0.25, 0.1, 0.05, ...) that labels at most ten values at
// least 30 pixels apart, when it labels two or more.
std::vector<ScaleMark> priceScaleMarks(const PaneScale& scale, int halfFontHeight);

// A text of the date strip at bar x + dx; years are silver, months gray.
struct DateMarkText {
    std::string text;
    int dx = 0;
    bool isYear = false;
};
std::vector<DateMarkText> dateMarkTexts(int month, int year, double Largeur_Barre);

// Whether bar i starts a month in the strip (the newest bar never does).
bool startsMonth(const std::vector<std::int32_t>& Mois, int i);

// Status-bar read-outs under the mouse.
int barUnderMouse(int X, const ChartView& view);
std::string dateUnderMouse(int X, const ChartView& view, int NBBars, const std::vector<std::string>& DateStr);

struct ChartScales {
    PaneScale Echelle_Prix;
    PaneScale Echelle_Systeme;
    PaneScale Echelle_Equity;
};
std::string valueUnderMouse(int Y, int clientHeight, const ChartScales& scales, bool hasParameters,
                            const std::string& Nom_Titre_Courant);

template <class Low, class High, class Skip>
PaneScale scanScale(const ChartView& view, int NBBars, int paneHeight, double firstMin, double firstMax, Low lowAt,
                    High highAt, Skip skipAt)
{
    double Min = firstMin;
    double Max = firstMax;
    if (!(Max > Min))
        Max = 0.02;
    const int last = view.lastShownBar(NBBars);
    for (int i = view.Premiere_Barre_Visible; i <= last; ++i) {
        if (skipAt(i))
            continue;
        const double low = lowAt(i);
        const double high = highAt(i);
        if (low <= Min && low != 0)
            Min = low;
        if (high >= Max)
            Max = high;
    }
    return finishScale(Min, Max, paneHeight);
}

}  // namespace kiruvan
