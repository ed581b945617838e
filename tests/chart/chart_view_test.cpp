#include "chart/chart_view.h"

#include <gtest/gtest.h>

#include <vector>

namespace kiruvan {
namespace {

struct ViewCase {
    int width, NBBars, position;
    ChartView expected;
    int newestX;
};

TEST(ChartViewTest, NewestBarsStandLeftOfTheScaleAreaAtTheMaximum)
{
    const std::vector<ViewCase> cases{
        {650, 600, 1, {1.0, 600, 0, 1, 1, 82, 682, 81}, 519},
        {1050, 3501, 32, {1.0, 1000, 2501, 32, 32, 2593, 3593, 2592}, 909},
        // A position beyond the range is lowered to the maximum.
        {1050, 3501, 40, {1.0, 1000, 2501, 32, 32, 2593, 3593, 2592}, 909},
        // Too narrow a window: nothing is visible.
        {-200, 10, 0, {1.0, -250, 260, 4, 0, 0, 0, 0}, 10},
    };
    for (const ViewCase& c : cases) {
        const ChartView v = computeView(c.width, c.NBBars, 1.0, c.position);
        EXPECT_EQ(v.Barres_Par_Ecran, c.expected.Barres_Par_Ecran) << c.width;
        EXPECT_EQ(v.Debut_Derniere_Page, c.expected.Debut_Derniere_Page) << c.width;
        EXPECT_EQ(v.scrollMaximum, c.expected.scrollMaximum) << c.width;
        EXPECT_EQ(v.position, c.expected.position) << c.width;
        EXPECT_EQ(v.Premiere_Barre_Visible, c.expected.Premiere_Barre_Visible) << c.width;
        EXPECT_EQ(v.Derniere_Barre_Visible, c.expected.Derniere_Barre_Visible) << c.width;
        EXPECT_EQ(v.Decalage_X, c.expected.Decalage_X) << c.width;
        EXPECT_EQ(v.x(c.NBBars), c.newestX) << c.width;
    }
}

// The maximum stops where the newest bar is the first visible one, but only where the
// unlowered range would have pushed it off the pane.
TEST(ChartViewTest, ScrollMaximumKeepsTheNewestBarInThePane)
{
    struct Case {
        int width, NBBars;
        double zoom;
        int maximum;
    };
    const std::vector<Case> cases{
        {1050, 3501, 16.5, 712}, {1050, 3501, 26.5, 1145}, {1050, 3501, 96.5, 4170}, {700, 3501, 16.5, 713},
        {650, 600, 1.0, 1},      {650, 81, 1.0, 0},        {650, 0, 1.0, 1},         {-200, 10, 1.0, 4},
    };
    for (const Case& c : cases) {
        const int maximum = scrollRange(c.width, c.NBBars, c.zoom).scrollMaximum;
        EXPECT_EQ(maximum, c.maximum) << c.width << " " << c.NBBars << " " << c.zoom;
        if (c.NBBars == 0 || c.width < 0)
            continue;
        const ChartView view = computeView(c.width, c.NBBars, c.zoom, maximum);
        EXPECT_LE(view.Premiere_Barre_Visible, c.NBBars) << c.zoom;
        EXPECT_LT(c.NBBars, view.Derniere_Barre_Visible) << c.zoom;
    }
}

// A trade's entry bar is brought on screen, away from the edges unless the history ends there.
TEST(ChartViewTest, PositionShowingABarPutsItOnScreen)
{
    for (const double zoom : {1.0, 4.0, 26.5}) {
        for (const int bar : {1, 40, 1700, 3499, 3501}) {
            const int position = positionShowing(800, 3501, zoom, bar);
            const ChartView view = computeView(800, 3501, zoom, position);
            EXPECT_GE(bar, view.Premiere_Barre_Visible) << zoom << " " << bar;
            EXPECT_LT(bar, view.Derniere_Barre_Visible) << zoom << " " << bar;
        }
    }
}

TEST(ChartViewTest, ZoomStepsDifferUpAndDown)
{
    std::vector<double> up;
    double z = 1.0;
    do {
        z = zoomedIn(z);
        up.push_back(z);
    } while (canZoomIn(z));
    EXPECT_EQ(up, (std::vector<double>{1.5, 2, 2.5, 3.5, 4.5, 7.5, 10.5, 16.5, 26.5, 36.5, 46.5, 56.5, 66.5, 76.5, 86.5,
                                       96.5}));
    std::vector<double> down;
    for (z = 96.5; canZoomOut(z);) {
        z = zoomedOut(z);
        down.push_back(z);
    }
    EXPECT_EQ(down,
              (std::vector<double>{86.5, 76.5, 66.5, 56.5, 46.5, 36.5, 26.5, 16.5, 6.5, 3.5, 2.5, 1.5, 1.0, 0.5}));
    EXPECT_TRUE(canZoomIn(86.5));
    EXPECT_EQ(zoomedOut(0.5), 0.5);
    EXPECT_EQ(zoomedIn(0.5), 1.0);
    EXPECT_EQ(zoomedOut(4.5), 1.5);
}

TEST(ChartViewTest, LabelStepFollowsTheTable)
{
    struct Case {
        int H;
        double Max, Min;
        std::int64_t step;
    };
    const std::vector<Case> cases{
        {300, 11.20, 10.21, 1}, {300, 110, 10, 10},          {300, 160, 10, 20},       {300, 2010, 10, 200},
        {300, 4010, 10, 250},   {300, 200010, 10, 20000},    {300, 210010, 10, 25000}, {300, 1500010, 10, 150000},
        {0, 10, 0, 5},          {300, 1990 + 0.5, 0.5, 200}, {300, 95.5, 0.5, 10},     {300, 3, -9, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Valeur_Echelle1(c.H, c.Max, c.Min), c.step) << c.Max << " " << c.Min;
}

TEST(ChartViewTest, OnlyValuesInsideThePaneGetTicksAndLabels)
{
    const PaneScale scale = finishScale(10.30, 11.20, 300);
    EXPECT_NEAR(scale.Min, 10.21, 1e-12);
    const std::vector<ScaleMark> marks = scaleMarks(scale, -6);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].value, 10);  // below the pane: its tick is cut off, no label
    EXPECT_FALSE(marks[0].labelRow);
    EXPECT_EQ(marks[1].value, 11);
    EXPECT_EQ(marks[1].tickRow, 78);
    EXPECT_EQ(marks[1].labelRow, 72);
    EXPECT_EQ(scale.y(scale.Max), 22);
}

// Integer labels stay where they label two values; below that a decimal step takes over.
TEST(ChartViewTest, PriceLabelsTakeDecimalsWhenIntegersLabelFewerThanTwo)
{
    struct Case {
        double low, high;
        int H;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases{
        {10.30, 11.20, 300, {"10.25", "10.50", "10.75", "11.00"}},
        {0.80, 1.20, 275, {"0.8", "0.9", "1.0", "1.1", "1.2"}},
        {0.010, 0.013, 275, {"0.0100", "0.0105", "0.0110", "0.0115", "0.0120", "0.0125", "0.0130"}},
        {-0.30, 0.30, 138, {"-0.25", "0.00", "0.25"}},
        {10.30, 12.40, 300, {"11", "12"}},
        // No room for two labels 30 pixels apart: the integer scale as it is.
        {0.80, 1.20, 40, {"1"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> labels;
        for (const ScaleMark& mark : priceScaleMarks(finishScale(c.low, c.high, c.H), -6)) {
            if (mark.labelRow)
                labels.push_back(mark.label);
        }
        EXPECT_EQ(labels, c.labels) << c.low << " " << c.high << " " << c.H;
    }
}

TEST(ChartViewTest, EqualValuesGiveAFixedFactor)
{
    EXPECT_EQ(finishScale(5, 5, 100).Facteur, 0.1);
    const ChartView view = computeView(650, 0, 1.0, 1);
    const PaneScale empty = scanScale(
        view, 0, 100, 0, 0, [](int) { return 0.0; }, [](int) { return 0.0; }, [](int) { return false; });
    EXPECT_EQ(empty.Max, 0.02);
}

TEST(ChartViewTest, PanesShareTheDrawingHeight)
{
    EXPECT_EQ(placePane(550, 50, 25).top, 275);
    EXPECT_EQ(placePane(550, 50, 25).height, 138);
    EXPECT_EQ(placePane(550, 75, 25).top, 412);
    EXPECT_EQ(placePane(-10, 0, 100).height, 1);
}

TEST(ChartViewTest, DateStripTextsDependOnTheZoom)
{
    struct Case {
        int month;
        double zoom;
        std::vector<std::string> texts;
        int dx;
    };
    const std::vector<Case> cases{
        {3, 0.5, {}, 0},       {3, 1, {"M"}, -3},     {3, 2.5, {"M", "Mar"}, -3}, {3, 2.75, {"Mar"}, -3},
        {3, 3, {"March"}, -5}, {1, 2, {"2024"}, -12}, {1, 2.5, {"2024"}, -5},
    };
    for (const Case& c : cases) {
        std::vector<std::string> texts;
        for (const DateMarkText& t : dateMarkTexts(c.month, 2024, c.zoom)) {
            texts.push_back(t.text);
            EXPECT_EQ(t.dx, c.dx);
        }
        EXPECT_EQ(texts, c.texts) << c.month << " " << c.zoom;
    }
    const std::vector<std::int32_t> Mois{0, 5, 5, 6};
    EXPECT_TRUE(startsMonth(Mois, 1));
    EXPECT_FALSE(startsMonth(Mois, 2));
    EXPECT_TRUE(startsMonth(Mois, 3));
}

TEST(ChartViewTest, ReadOutUnderTheMouse)
{
    const std::vector<std::string> dates{"", "01/02/2024", "02/02/2024"};
    const ChartView start = computeView(650, 2, 1.0, 0);
    EXPECT_EQ(dateUnderMouse(0, start, 2, dates), "");
    EXPECT_EQ(dateUnderMouse(-40, start, 2, dates), "");
    EXPECT_EQ(dateUnderMouse(1, start, 2, dates), "01/02/2024");
    EXPECT_EQ(dateUnderMouse(3, start, 2, dates), "N/A");

    ChartScales scales;
    scales.Echelle_Prix = finishScale(10.30, 11.20, 275);
    scales.Echelle_Systeme = finishScale(-150, 150, 138);
    scales.Echelle_Equity = finishScale(-20, 40, 138);
    EXPECT_EQ(valueUnderMouse(78, 600, scales, true, "Alpha"), "Alpha = 10.98");
    EXPECT_EQ(valueUnderMouse(275 + 69, 600, scales, true, "Alpha"), "Corvix = -1.80");
    EXPECT_EQ(valueUnderMouse(420, 600, scales, true, "Alpha").substr(0, 15), "Equity Curve = ");
    EXPECT_EQ(valueUnderMouse(420, 600, scales, false, "Alpha"), "N/A");
    EXPECT_EQ(valueUnderMouse(560, 600, scales, true, "Alpha"), "N/A");
}

}  // namespace
}  // namespace kiruvan
