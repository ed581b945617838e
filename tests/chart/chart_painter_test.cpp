#include "chart/render/chart_painter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <map>

#include "chart/chart_data.h"
#include "chart_fixture.h"
#include "trading/bar_loading.h"

namespace kiruvan {
namespace {

using test::ChartFolder;

constexpr QRgb kBlack = 0xFF000000;

class ChartPainterTest : public ::testing::Test {
protected:
    ChartDrawing paint(const std::string& code, int width, int height, double zoom, std::optional<int> position = {})
    {
        data.Code_Titre_Demande = code;
        data.Load_Liste_Actions_du_Marche(1);
        image = blankClientImage(width, height);
        const int maximum = scrollRange(width, data.NBBars(), zoom).scrollMaximum;
        return paintChart(image, data, zoom, position.value_or(maximum));
    }

    // The colours of one row between two columns, both included.
    std::vector<QRgb> row(int y, int from, int to) const
    {
        std::vector<QRgb> pixels;
        for (int x = from; x <= to; ++x)
            pixels.push_back(image.pixel(x, y));
        return pixels;
    }

    bool columnHasColour(int x, int fromRow, int toRow) const
    {
        for (int y = fromRow; y < toRow; ++y) {
            if (image.pixel(x, y) != kBlack)
                return true;
        }
        return false;
    }

    ChartFolder folder;
    ChartData data{folder.folder()};
    QImage image;
};

TEST_F(ChartPainterTest, NewestBarStandsWhereTheViewPutsIt)
{
    struct Case {
        int width, bars, newestX;
    };
    for (const Case c : {Case{650, 600, 519}, Case{1050, 3501, 909}}) {
        folder.writeBars("BIG", c.bars, 9);
        folder.writeSymbols({{"BIG", "Big", 1}});
        const ChartDrawing drawing = paint("BIG", c.width, 600, 1.0);
        std::filesystem::remove(folder.file("BIG.cds"));
        const int paneHeight = drawing.scales.Echelle_Prix.Hauteur;
        EXPECT_EQ(drawing.view.x(c.bars), c.newestX);
        EXPECT_TRUE(columnHasColour(c.newestX, 40, paneHeight)) << c.width;
        for (int x = c.newestX + 1; x < c.width - 53; ++x)
            ASSERT_FALSE(columnHasColour(x, 40, paneHeight)) << c.width << " x " << x;
        EXPECT_EQ(image.pixel(c.width - 50, 5), 0xFFFFFFFF);
    }
}

// From zoom 26.5 on the unlowered range would leave the pane empty; below it the newest bar
// stands where it always stood.
TEST_F(ChartPainterTest, NewestBarStaysInThePaneAtLargeZooms)
{
    const int newest = 3501;
    for (const auto& [zoom, newestX] : std::vector<std::pair<double, int>>{{16.5, 94}, {26.5, 31}, {96.5, 76}}) {
        const ChartDrawing drawing = paint("ALP", 1050, 600, zoom);
        const PaneScale& scale = drawing.scales.Echelle_Prix;
        const BarSeries& bars = data.series().bars;
        EXPECT_EQ(drawing.view.x(newest), newestX) << zoom;
        EXPECT_NE(image.pixel(newestX, scale.y(bars.Low[newest]) - 1), kBlack) << zoom;
    }
}

// Prices under 2 get no integer label inside the pane; decimal labels are written instead.
TEST_F(ChartPainterTest, PennyStockShowsPriceLabels)
{
    std::vector<DailyBar> bars = test::flatBars(Date::fromYmd(2024, 1, 1), 300, 0.4);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const double price = 0.4 + 0.001 * static_cast<double>(i);
        bars[i] = {bars[i].date, price, price + 0.01, price - 0.01, price, 1000};
    }
    appendToSymbolFile(folder.folder(), "PNY", bars);
    folder.writeSymbols({{"PNY", "Penny", 1}});
    const ChartDrawing drawing = paint("PNY", 650, 600, 1.0);
    int labelled = 0;
    for (const ScaleMark& mark : priceScaleMarks(drawing.scales.Echelle_Prix, -6)) {
        if (!mark.labelRow)
            continue;
        ++labelled;
        bool written = false;
        for (int x = 650 - 40; x < 650; ++x)
            written = written || image.pixel(x, *mark.labelRow + 5) == 0xFFFFFFFF;
        EXPECT_TRUE(written) << mark.label;
    }
    EXPECT_GE(labelled, 2);
}

TEST_F(ChartPainterTest, BodiesAppearFromZoom2Point5WithHalfWidthRoundZoomOver4)
{
    // Flat bars at 10, one falling bar (filled body) from 14 to 12 among them.
    std::vector<DailyBar> bars = test::flatBars(Date::fromYmd(2024, 1, 1), 60, 10);
    bars[57] = {bars[57].date, 14, 15, 11, 12, 1000};
    appendToSymbolFile(folder.folder(), "BOD", bars);
    folder.writeSymbols({{"BOD", "Body", 1}});
    struct Case {
        double zoom;
        int R;
    };
    for (const Case c : {Case{2, 0}, Case{2.5, 1}, Case{3.5, 1}, Case{7.5, 2}}) {
        const ChartDrawing drawing = paint("BOD", 650, 600, c.zoom, 0);
        const PaneScale& scale = drawing.scales.Echelle_Prix;
        const int x = drawing.view.x(58);
        const int y = (scale.y(14) + scale.y(12)) / 2;
        std::vector<QRgb> expected(static_cast<std::size_t>(2 * c.R + 3), 0xFFC0C0C0);
        expected.front() = expected.back() = kBlack;
        EXPECT_EQ(row(y, x - c.R - 1, x + c.R + 1), expected) << c.zoom;
    }
}

TEST_F(ChartPainterTest, BarsTakeTheColourOfTheSystemsPosition)
{
    const ChartDrawing drawing = paint("ALP", 1050, 600, 1.0);
    const PaneScale& scale = drawing.scales.Echelle_Prix;
    const BarSeries& bars = data.series().bars;
    std::map<QRgb, int> seen;
    for (int i = drawing.view.Premiere_Barre_Visible; i <= bars.NBBars; ++i) {
        const int x = drawing.view.x(i);
        if (x < 400 || scale.y(bars.High[i]) == scale.y(bars.Low[i]))
            continue;  // under the title, or a line of no length
        const QRgb expected = std::map<double, QRgb>{{1, 0xFF00FF00}, {2, 0xFFFF0000}, {3, 0xFFFFFF00}}.at(
            data.series().positionState[i]);
        const QRgb top = image.pixel(x, scale.y(bars.High[i]));
        if (top != 0xFF808080) {  // the average of the close may cross it
            EXPECT_EQ(top, expected) << i;
        }
        ++seen[expected];
    }
    EXPECT_GT(seen[0xFF00FF00], 0);
    EXPECT_GT(seen[0xFFFF0000], 0);
}

TEST_F(ChartPainterTest, RedMarkerIsDrawnOverTheLimeOne)
{
    paint("ALP", 1050, 600, 1.0);
    const BarSeries& bars = data.series().bars;
    const std::string date = bars.DateStr[3400];
    for (const bool both : {false, true}) {
        ResultRow row = test::storedRow(1, "ALP");
        row.statistics.DateStr_Last_Top_Equity_Curve = date;
        row.statistics.date_UMDD = both ? date : "01/01/1900";
        folder.storeResults({row});
        const ChartDrawing drawing = paint("ALP", 1050, 600, 1.0);
        const PanePlacement pane = placePane(550, 75, 25);
        const QPoint centre(drawing.view.x(3400), pane.top + drawing.scales.Echelle_Equity.y(bars.equity[3400]));
        EXPECT_EQ(image.pixel(centre), both ? 0xFFFF0000 : 0xFF00FF00);
    }
}

TEST_F(ChartPainterTest, DateStripMarksMonthStartsButNeverTheNewestBar)
{
    // 31 days of January, then 1 February as the newest bar.
    appendToSymbolFile(folder.folder(), "MON", test::flatBars(Date::fromYmd(2024, 1, 1), 32, 10));
    folder.writeSymbols({{"MON", "Months", 1}});
    const ChartDrawing drawing = paint("MON", 650, 600, 3.5, 0);
    const int tickRow = 600 - 50 + 5;
    EXPECT_EQ(image.pixel(drawing.view.x(1), tickRow), 0xFFFFFFFF);
    EXPECT_EQ(image.pixel(drawing.view.x(2), tickRow), kBlack);
    EXPECT_EQ(image.pixel(drawing.view.x(32), tickRow), kBlack);
}

TEST_F(ChartPainterTest, WithoutParametersThePricePaneTakesTheWholeHeight)
{
    const ChartDrawing drawing = paint("BET", 650, 600, 1.0);
    EXPECT_EQ(drawing.scales.Echelle_Prix.Hauteur, 550);
    EXPECT_EQ(drawing.scales.Echelle_Systeme.Hauteur, 0);
    const ChartDrawing withParameters = paint("ALP", 650, 600, 1.0);
    EXPECT_EQ(withParameters.scales.Echelle_Prix.Hauteur, 275);
    EXPECT_EQ(withParameters.scales.Echelle_Equity.Hauteur, 138);
}

TEST_F(ChartPainterTest, CrosshairDrawnTwiceRestoresThePicture)
{
    paint("ALP", 300, 200, 1.0);
    const QImage before = image.copy();
    invertCrosshair(image, 40, 70);
    EXPECT_NE(image, before);
    EXPECT_EQ(image.pixel(40, 0), ~before.pixel(40, 0) | 0xFF000000);
    invertCrosshair(image, 40, 70);
    EXPECT_EQ(image, before);
}

}  // namespace
}  // namespace kiruvan
