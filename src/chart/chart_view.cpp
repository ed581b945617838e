#include "chart/chart_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "base/text_values.h"

namespace kiruvan {
namespace {

constexpr double kZoomInLimit = 100;

// The label step for a rounded range step r; 0 stands for r itself.
struct StepRow {
    std::int64_t upTo;
    std::int64_t step;
};
constexpr std::array<StepRow, 17> kStepTable{{{10, 0},
                                              {20, 20},
                                              {40, 25},
                                              {60, 50},
                                              {199, 100},
                                              {200, 200},
                                              {400, 250},
                                              {600, 500},
                                              {1000, 1000},
                                              {2000, 2000},
                                              {4000, 2500},
                                              {6000, 5000},
                                              {19999, 10000},
                                              {20000, 20000},
                                              {40000, 25000},
                                              {60000, 50000},
                                              {100000, 100000}}};

std::int64_t roundEven64(double v)
{
    if (std::isnan(v))
        return 0;
    constexpr double limit = 9.0e18;
    return static_cast<std::int64_t>(std::nearbyint(std::clamp(v, -limit, limit)));
}

const std::array<const char*, 12> kMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};

// A step of the scale as a count of a decimal's units: units / 10^decimals.
struct DecimalStep {
    std::int64_t units;
    int decimals;

    double unit() const { return powerOfTen(decimals); }
    double value() const { return static_cast<double>(units) / unit(); }

    static double powerOfTen(int n)
    {
        double p = 1;
        for (int k = 0; k < n; ++k)
            p *= 10;
        return p;
    }
};

constexpr int kFinestDecimals = 9;
// Decimal labels stand at least as far apart as the integer steps aim at, and are few enough
// to read.
constexpr double kDecimalLabelSpacing = 30;
constexpr std::size_t kMostDecimalLabels = 10;
// Counts of units stay exact in a double below 2^53.
constexpr double kExactUnits = 9007199254740992.0;

// Decimal steps, coarsest first: 0.5, 0.25, 0.1, then a tenth of each, and so on.
const std::vector<DecimalStep>& decimalSteps()
{
    static const std::vector<DecimalStep> steps = [] {
        std::vector<DecimalStep> list;
        for (int k = 1; k < kFinestDecimals; ++k) {
            list.push_back({5, k});
            list.push_back({25, k + 1});
            list.push_back({1, k});
        }
        return list;
    }();
    return steps;
}

// The value in units of `decimals`, written with exactly that many decimals.
std::string decimalText(std::int64_t units, int decimals)
{
    if (decimals == 0)
        return std::to_string(units);
    std::string digits = std::to_string(units < 0 ? -units : units);
    const auto width = static_cast<std::size_t>(decimals);
    if (digits.size() <= width)
        digits.insert(0, width + 1 - digits.size(), '0');
    digits.insert(digits.size() - width, ".");
    return units < 0 ? "-" + digits : digits;
}

// The multiples of the step between the pane's bottom and its top; only the multiples are
// visited, so that a large range does not cost one pass per unit.
std::vector<ScaleMark> marksOfStep(const PaneScale& scale, int halfFontHeight, DecimalStep step)
{
    std::vector<ScaleMark> marks;
    const double F = std::fabs(scale.Facteur);
    const double unit = step.unit();
    const std::int64_t absStep = step.units < 0 ? -step.units : step.units;
    const auto valueOf = [&](std::int64_t B) { return static_cast<double>(B) / unit; };
    const auto belowTop = [&](std::int64_t B) { return roundEven64(F * (scale.Min - valueOf(B)) + scale.Hauteur) > 0; };
    std::int64_t B = roundEven64(scale.Min * unit);
    const std::int64_t remainder = ((B % absStep) + absStep) % absStep;
    if (remainder != 0)
        B += absStep - remainder;
    for (; belowTop(B); B += absStep) {
        const int offset = roundEven((scale.Min - valueOf(B)) * scale.Facteur);
        ScaleMark mark{B, offset + scale.Hauteur, std::nullopt, decimalText(B, step.decimals)};
        const int labelRow = scale.Hauteur + halfFontHeight + offset;
        if (labelRow < scale.Hauteur - 10 && labelRow > 10)
            mark.labelRow = labelRow;
        marks.push_back(mark);
    }
    return marks;
}

std::size_t labelCount(const std::vector<ScaleMark>& marks)
{
    return static_cast<std::size_t>(
        std::count_if(marks.begin(), marks.end(), [](const ScaleMark& m) { return m.labelRow.has_value(); }));
}

// Mouse rows are read back into values through a pane's scale, relative to the pane's top.
std::string paneValueText(const std::string& caption, double paneTop, const PaneScale& scale, int Y)
{
    if (scale.Facteur == 0)
        return "N/A";
    const double v = (paneTop + scale.Min * scale.Facteur - Y + scale.Hauteur) / scale.Facteur;
    return caption + " = " + Format_Prix(std::nearbyint(v * 100) / 100);
}

int firstVisibleBar(int position, double Largeur_Barre)
{
    return roundEven(static_cast<double>(kScrollStepPixels) * position / Largeur_Barre) + 1;
}

// The range counts 80 pixels a position while a position moves 81, and adds 10 bars: with many
// bars at a large zoom its maximum passes the newest bar and leaves the pane empty. The last
// position at which the newest bar is still visible is as far as the range may go.
int lastPositionShowing(int NBBars, double Largeur_Barre)
{
    const double guess = std::floor((NBBars - 0.5) * Largeur_Barre / kScrollStepPixels) + 1;
    int position = static_cast<int>(std::clamp(guess, 0.0, 1.0e9));
    while (position > 0 && firstVisibleBar(position, Largeur_Barre) > NBBars)
        --position;
    return position;
}

}  // namespace

int roundEven(double v)
{
    if (std::isnan(v))
        return 0;
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max();
    return static_cast<int>(std::nearbyint(std::clamp(v, low, high)));
}

int ChartView::x(int bar) const
{
    return roundEven(bar * Largeur_Barre) - Decalage_X;
}

int ChartView::lastShownBar(int NBBars) const
{
    return std::min(Derniere_Barre_Visible, NBBars);
}

ChartView scrollRange(int clientWidth, int NBBars, double Largeur_Barre)
{
    ChartView view;
    view.Largeur_Barre = std::max(Largeur_Barre, kSmallestZoom);
    view.Barres_Par_Ecran = roundEven((clientWidth - kScaleAreaWidth) / view.Largeur_Barre);
    view.Debut_Derniere_Page = std::max(0, NBBars - view.Barres_Par_Ecran);
    // The range is computed with 80 pixels a step although a step moves 81: at the maximum
    // the newest bar stands a little left of the scale area.
    const double steps = (view.Debut_Derniere_Page + 10) / 80.0 * view.Largeur_Barre + 1;
    view.scrollMaximum = std::max(1, static_cast<int>(std::clamp(std::trunc(steps), 0.0, 1.0e9)));
    if (NBBars > 0 && view.Barres_Par_Ecran > 0)
        view.scrollMaximum = std::min(view.scrollMaximum, lastPositionShowing(NBBars, view.Largeur_Barre));
    return view;
}

ChartView computeView(int clientWidth, int NBBars, double Largeur_Barre, int position)
{
    ChartView view = scrollRange(clientWidth, NBBars, Largeur_Barre);
    view.position = std::clamp(position, 0, view.scrollMaximum);
    const double shift = static_cast<double>(kScrollStepPixels) * view.position;
    view.Premiere_Barre_Visible = firstVisibleBar(view.position, view.Largeur_Barre);
    view.Derniere_Barre_Visible = roundEven((clientWidth - kScaleAreaWidth + shift) / view.Largeur_Barre) + 1;
    if (view.Derniere_Barre_Visible < 0) {
        view.Premiere_Barre_Visible = 0;
        view.Derniere_Barre_Visible = 0;
    }
    view.Decalage_X = kScrollStepPixels * view.position;
    return view;
}

int positionShowing(int clientWidth, int NBBars, double Largeur_Barre, int bar)
{
    const int maximum = scrollRange(clientWidth, NBBars, Largeur_Barre).scrollMaximum;
    int showing = -1;
    for (int position = 0; position <= maximum; ++position) {
        const ChartView view = computeView(clientWidth, NBBars, Largeur_Barre, position);
        if (bar < view.Premiere_Barre_Visible || bar >= view.Derniere_Barre_Visible)
            continue;
        const int third = (view.Derniere_Barre_Visible - view.Premiere_Barre_Visible) / 3;
        if (bar < view.Premiere_Barre_Visible + 2 * third)
            return position;
        showing = position;
    }
    return std::max(showing, 0);
}

double zoomedIn(double z)
{
    if (z <= 2)
        return z + 0.5;
    if (z <= 4)
        return z + 1;
    if (z <= 8)
        return z + 3;
    if (z <= 16)
        return z + 6;
    if (z <= kZoomInLimit)
        return z + 10;
    return z;
}

double zoomedOut(double z)
{
    if (z == kSmallestZoom)
        return z;
    if (z <= 2)
        return z - 0.5;
    if (z <= 4)
        return z - 1;
    if (z <= 8)
        return z - 3;
    if (z <= 16)
        return z - 6;
    return z - 10;
}

bool canZoomIn(double z)
{
    return !(z + 10 > kZoomInLimit);
}
bool canZoomOut(double z)
{
    return z != kSmallestZoom;
}

PanePlacement placePane(int drawingHeight, int topPercent, int heightPercent)
{
    return {roundEven(drawingHeight * topPercent / 100.0),
            std::max(1, roundEven(drawingHeight * heightPercent / 100.0))};
}

int PaneScale::y(double v) const
{
    return roundEven((Min - v) * Facteur) + Hauteur;
}

PaneScale finishScale(double Min, double Max, int paneHeight)
{
    PaneScale scale;
    scale.Max = Max;
    scale.Min = Min - (Max - Min) * 0.1;
    scale.Hauteur = paneHeight;
    scale.Facteur = Max != scale.Min ? paneHeight / ((Max - scale.Min) * 1.08) : 0.1;
    return scale;
}

std::int64_t Valeur_Echelle1(int H, double Max, double Min)
{
    const double range = Max - Min;
    const std::int64_t m = range >= 10 ? 5 : 1;
    const int tenfold = H * 10;
    double s = tenfold == 0 ? 1 : range / (tenfold / 300.0);
    // Five steps reach a multiple of 5; beyond 2^53 adding 1 would change nothing.
    for (int k = 0; k < 5 && roundEven64(s) % m != 0 && s < Max; ++k)
        s = s + 1;
    std::int64_t r = roundEven64(s);
    if (r == 0)
        r = 1;
    for (const StepRow& row : kStepTable) {
        if (r >= 1 && r <= row.upTo)
            return row.step == 0 ? r : row.step;
    }
    return r;
}

std::vector<ScaleMark> scaleMarks(const PaneScale& scale, int halfFontHeight)
{
    if (scale.Facteur == 0)
        return {};
    return marksOfStep(scale, halfFontHeight, {Valeur_Echelle1(scale.Hauteur, scale.Max, scale.Min), 0});
}

std::vector<ScaleMark> priceScaleMarks(const PaneScale& scale, int halfFontHeight)
{
    std::vector<ScaleMark> marks = scaleMarks(scale, halfFontHeight);
    if (labelCount(marks) >= 2)
        return marks;
    std::vector<ScaleMark> decimal;
    for (const DecimalStep& step : decimalSteps()) {
        if (step.value() * std::fabs(scale.Facteur) < kDecimalLabelSpacing
            || std::fabs(scale.Min) * step.unit() > kExactUnits)
            break;
        std::vector<ScaleMark> finer = marksOfStep(scale, halfFontHeight, step);
        if (labelCount(finer) > kMostDecimalLabels)
            break;
        decimal = std::move(finer);
    }
    return labelCount(decimal) >= 2 ? decimal : marks;
}

std::vector<DateMarkText> dateMarkTexts(int month, int year, double z)
{
    if (month == 1)
        return {{std::to_string(year), z > 2 ? -5 : -12, true}};
    const std::string name = kMonthNames.at(static_cast<std::size_t>(month - 1));
    std::vector<DateMarkText> texts;
    if (z >= 1 && z <= 2.5)
        texts.push_back({name.substr(0, 1), -3, false});
    if (z >= 2.5 && z < 3)
        texts.push_back({name.substr(0, 3), -3, false});
    if (z >= 3)
        texts.push_back({name, -5, false});
    return texts;
}

bool startsMonth(const std::vector<std::int32_t>& Mois, int i)
{
    return i >= 1 && Mois[i] != Mois[i - 1] && Mois[i] >= 1 && Mois[i] <= 12;
}

int barUnderMouse(int X, const ChartView& view)
{
    return roundEven((X + view.Decalage_X) / view.Largeur_Barre);
}

// Left of bar 1 (the mouse dragged out of the window) there is no bar: the date is empty, as
// for bar 0.
std::string dateUnderMouse(int X, const ChartView& view, int NBBars, const std::vector<std::string>& DateStr)
{
    const int k = barUnderMouse(X, view);
    if (k > NBBars)
        return "N/A";
    if (k <= 0)
        return "";
    return DateStr[static_cast<std::size_t>(k)];
}

std::string valueUnderMouse(int Y, int clientHeight, const ChartScales& scales, bool hasParameters,
                            const std::string& Nom_Titre_Courant)
{
    const double Hd = clientHeight - kDateStripHeight;
    if (Y < scales.Echelle_Prix.Hauteur)
        return paneValueText(Nom_Titre_Courant, 0, scales.Echelle_Prix, Y);
    if (hasParameters && Hd * 50 / 100 < Y && Y < Hd * (50 + 25) / 100)
        return paneValueText("Corvix", Hd * 50 / 100, scales.Echelle_Systeme, Y);
    if (hasParameters && Hd * 75 / 100 < Y && Y < Hd * (75 + 25) / 100)
        return paneValueText("Equity Curve", Hd * 75 / 100, scales.Echelle_Equity, Y);
    return "N/A";
}

}  // namespace kiruvan
