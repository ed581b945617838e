#include "chart/render/chart_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "base/text_values.h"
#include "chart/chart_data.h"
#include "chart/render/raster.h"

namespace kiruvan {
namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kSilver = 0xFFC0C0C0;
constexpr QRgb kGray = 0xFF808080;
constexpr QRgb kLime = 0xFF00FF00;
constexpr QRgb kGreen = 0xFF008000;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kYellow = 0xFFFFFF00;

constexpr int kDotsPerMeterAt96Dpi = 3780;
constexpr int kMarkerRadius = 5;
constexpr int kFirstAverageBar = 55;

// Fonts by pixel height at 96 pixels per inch (8, 10 and 12 points), so that a picture does not
// depend on the screen it is drawn for.
QFont pixelFont(const char* family, int pixelSize, bool bold = false)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

struct ChartFonts {
    QFont normal = pixelFont("DejaVu Sans", 11);
    QFont fixed = pixelFont("DejaVu Sans Mono", 11);
    QFont medium = pixelFont("DejaVu Sans", 13);
    QFont title = pixelFont("DejaVu Sans", 16, true);
    // Half the font's height as the platform reports it: negative for a font set by size.
    int halfFixedHeight = roundEven(-11 / 2.0);
};

double at(const std::vector<double>& series, int i)
{
    return i >= 0 && i < static_cast<int>(series.size()) ? series[static_cast<std::size_t>(i)] : 0.0;
}

class ChartPainter {
public:
    ChartPainter(QImage& image, const ChartData& data, double zoom, int position)
        : image_(image),
          raster_(image),
          painter_(&image),
          data_(data),
          s_(data.series()),
          b_(data.series().bars),
          zoom_(std::max(zoom, kSmallestZoom)),
          position_(position),
          W_(image.width()),
          Hc_(image.height())
    {
    }

    ChartDrawing run()
    {
        image_.fill(kBlack);
        const int Hd = Hc_ - kDateStripHeight;
        if (data_.hasParameters()) {
            drawing_.scales.Echelle_Prix = pricePane(placePane(Hd, 0, 50));
            drawing_.scales.Echelle_Systeme = middlePane(placePane(Hd, 50, 25));
            drawing_.scales.Echelle_Equity = equityPane(placePane(Hd, 75, 25));
        } else {
            drawing_.scales.Echelle_Prix = pricePane(placePane(Hd, 0, 100));
        }
        dateStrip();
        return drawing_;
    }

private:
    void beginPane(int top, int height)
    {
        raster_.setPane(top, height);
        painter_.setClipRect(0, top, W_, height);
        top_ = top;
        view_ = computeView(W_, b_.NBBars, zoom_, position_);
        drawing_.view = view_;
    }

    int x(int i) const { return view_.x(i); }
    int lastBar() const { return view_.lastShownBar(b_.NBBars); }

    QRgb barColour(int i, QRgb previous) const
    {
        if (!data_.hasParameters())
            return kSilver;
        switch (static_cast<int>(at(s_.positionState, i))) {
        case 1:
            return kLime;
        case 2:
            return kRed;
        case 3:
            return kYellow;
        default:
            return previous;
        }
    }

    PaneScale pricePane(PanePlacement pane)
    {
        beginPane(pane.top, pane.height);
        const int first = view_.Premiere_Barre_Visible;
        const PaneScale scale = scanScale(
            view_, b_.NBBars, pane.height, at(b_.Low, first), at(b_.High, first), [&](int i) { return b_.Low[i]; },
            [&](int i) { return b_.High[i]; }, [&](int i) { return b_.Close[i] == 0; });
        drawBars(scale);
        polyline(std::max(first, kFirstAverageBar), lastBar(), s_.MA50(), scale, kGray);
        scaleArea(scale, priceScaleMarks(scale, fonts().halfFixedHeight), false);
        const std::string title =
            data_.Nom_Titre_Courant + " [ " + data_.Code_Titre_Courant + " ] " + data_.Message_Fichier;
        text(3, 0, fonts().title, kWhite, title);
        const int k = lastBar();
        const std::string date = k >= 0 ? b_.DateStr[static_cast<std::size_t>(k)] : std::string();
        text(3, 20, fonts().medium, kSilver, date + " Close = " + Format_Prix(at(b_.Close, k)));
        return scale;
    }

    void drawBars(const PaneScale& scale)
    {
        QRgb pen = kRed;
        QRgb brush = kBlack;
        const bool bodies = zoom_ > 2;
        const int R = roundEven(zoom_ / 4);
        for (int i = view_.Premiere_Barre_Visible; i < view_.Derniere_Barre_Visible && i <= b_.NBBars; ++i) {
            pen = barColour(i, pen);
            const int xi = x(i);
            raster_.line(xi, scale.y(b_.High[i]), xi, scale.y(b_.Low[i]), pen);
            if (!bodies)
                continue;
            if (b_.Close[i] > b_.Open[i])
                brush = kBlack;
            else if (b_.Close[i] < b_.Open[i])
                brush = pen;
            const int yClose = scale.y(b_.Close[i]);
            raster_.rectangle(xi - R, scale.y(b_.Open[i]), xi + R + 1, yClose, pen, brush);
            raster_.line(xi - R, yClose, xi + R + 1, yClose, pen);
        }
    }

    PaneScale middlePane(PanePlacement pane)
    {
        beginPane(pane.top, pane.height);
        const int first = view_.Premiere_Barre_Visible;
        const double cci = at(s_.CCI, first);
        const auto cciAt = [&](int i) { return s_.CCI[i]; };
        const PaneScale scale =
            scanScale(view_, b_.NBBars, pane.height, cci, cci, cciAt, cciAt, [&](int i) { return s_.CCI[i] == 0; });
        const int right = x(view_.Derniere_Barre_Visible);
        raster_.line(0, 0, right, 0, kWhite);
        for (const double level : {0.0, 100.0, -100.0})
            raster_.line(0, scale.y(level), right, scale.y(level), kGreen);
        const int from = std::max(first, s_.Debut_Barux);
        const int to = std::min(view_.Derniere_Barre_Visible - 1, b_.NBBars);
        polyline(from, to, s_.CCI, scale, kSilver);
        polyline(from, to, s_.MACCI(), scale, kRed);
        scaleArea(scale, scaleMarks(scale, fonts().halfFixedHeight), true);
        text(3, 3, fonts().normal, kSilver, "Corvix  ");
        return scale;
    }

    PaneScale equityPane(PanePlacement pane)
    {
        beginPane(pane.top, pane.height);
        const int first = view_.Premiere_Barre_Visible;
        const double equity = at(b_.equity, first);
        const auto equityAt = [&](int i) { return b_.equity[i]; };
        const PaneScale scale = scanScale(view_, b_.NBBars, pane.height, equity, equity + 10, equityAt, equityAt,
                                          [&](int i) { return b_.Barux[i] == 0; });
        const int right = x(view_.Derniere_Barre_Visible);
        raster_.line(0, 0, right, 0, kWhite);
        raster_.line(0, scale.y(0), right, scale.y(0), kGreen);
        polyline(std::max(first, data_.First_Bar), std::min(view_.Derniere_Barre_Visible - 1, b_.NBBars), b_.equity,
                 scale, kWhite);
        markers(scale, data_.DateStr_Last_Top_Equity_Curve, kLime);
        markers(scale, data_.date_UMDD, kRed);
        std::string caption = "Equity Curve = " + Format_Prix(at(b_.equity, lastBar()));
        if (data_.robustness) {
            holdoutLine(pane.height, data_.robustness->Holdout_Date);
            caption += "   Overfitting " + Format_Prix(data_.robustness->PBO) + " %";
        }
        scaleArea(scale, scaleMarks(scale, fonts().halfFixedHeight), false);
        text(3, 3, fonts().normal, kSilver, caption);
        return scale;
    }

    // A dotted line down the pane where the hold-out of the robustness figures starts.
    void holdoutLine(int height, const std::string& date)
    {
        for (int i = view_.Premiere_Barre_Visible; i <= b_.NBBars && i < view_.Derniere_Barre_Visible; ++i) {
            if (b_.DateStr[static_cast<std::size_t>(i)] != date)
                continue;
            for (int y = 1; y + 1 < height; y += 4)
                raster_.line(x(i), y, x(i), y + 1, kYellow);
        }
    }

    void markers(const PaneScale& scale, const std::string& date, QRgb colour)
    {
        for (int i = view_.Premiere_Barre_Visible; i <= b_.NBBars && i < view_.Derniere_Barre_Visible; ++i) {
            if (b_.DateStr[static_cast<std::size_t>(i)] != date)
                continue;
            const int xi = x(i), yi = scale.y(b_.equity[i]);
            raster_.ellipse(xi - kMarkerRadius, yi - kMarkerRadius, xi + kMarkerRadius, yi + kMarkerRadius, colour);
        }
    }

    // Move to the first bar's point, then a line to each next one.
    void polyline(int from, int to, const std::vector<double>& series, const PaneScale& scale, QRgb colour)
    {
        if (from < 0 || from > to)
            return;
        int px = x(from), py = scale.y(series[from]);
        for (int i = from + 1; i <= to; ++i) {
            const int nx = x(i), ny = scale.y(series[i]);
            raster_.line(px, py, nx, ny, colour);
            px = nx;
            py = ny;
        }
    }

    void scaleArea(const PaneScale& scale, const std::vector<ScaleMark>& marks, bool onlyZeroLabel)
    {
        const int left = W_ - kScaleAreaWidth;
        raster_.rectangle(left, 0, W_, scale.Hauteur, kBlack, kBlack);
        raster_.line(left, 0, left, scale.Hauteur, kWhite);
        for (const ScaleMark& mark : marks) {
            raster_.line(W_ - 53, mark.tickRow, W_ - 45, mark.tickRow, kWhite);
            if (mark.labelRow && (!onlyZeroLabel || mark.label == "0"))
                text(W_ - 40, *mark.labelRow, fonts().fixed, kWhite, mark.label);
        }
    }

    void dateStrip()
    {
        const int top = Hc_ - kDateStripHeight;
        raster_.setPane(top, kDateStripHeight);
        painter_.setClipRect(0, top, W_, kDateStripHeight);
        top_ = top;
        raster_.line(0, 0, W_ - kScaleAreaWidth, 0, kWhite);
        raster_.line(0, 10, W_ - kScaleAreaWidth, 10, kWhite);
        for (int i = view_.Premiere_Barre_Visible; i < view_.Derniere_Barre_Visible && i < b_.NBBars; ++i) {
            if (!startsMonth(b_.Mois, i))
                continue;
            const int xi = x(i);
            raster_.line(xi, 0, xi, 10, kWhite);
            for (const DateMarkText& mark : dateMarkTexts(b_.Mois[i], b_.Annee[i], zoom_))
                text(xi + mark.dx, 15, fonts().normal, mark.isYear ? kSilver : kGray, mark.text);
        }
    }

    // Text placed by its top-left corner, opaque on black.
    void text(int left, int top, const QFont& font, QRgb colour, const std::string& content)
    {
        QString shown = QString::fromStdString(content);
        shown.replace('\r', ' ');
        const QFontMetrics metrics(font);
        const int y = top_ + top;
        painter_.fillRect(left, y, metrics.horizontalAdvance(shown), metrics.height(), QColor(kBlack));
        painter_.setFont(font);
        painter_.setPen(QColor(colour));
        painter_.drawText(left, y + metrics.ascent(), shown);
    }

    static const ChartFonts& fonts()
    {
        static const ChartFonts chartFonts;
        return chartFonts;
    }

    QImage& image_;
    Raster raster_;
    QPainter painter_;
    const ChartData& data_;
    const ChartSeries& s_;
    const BarSeries& b_;
    double zoom_;
    int position_;
    int W_, Hc_;
    int top_ = 0;
    ChartView view_;
    ChartDrawing drawing_;
};

}  // namespace

ChartDrawing paintChart(QImage& image, const ChartData& data, double Largeur_Barre, int position)
{
    return ChartPainter(image, data, Largeur_Barre, position).run();
}

QImage blankClientImage(int width, int height)
{
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(kDotsPerMeterAt96Dpi);
    image.fill(kBlack);
    return image;
}

void invertCrosshair(QImage& image, int X, int Y)
{
    Raster raster(image);
    raster.setPane(0, image.height());
    for (int x = 0; x < image.width(); ++x)
        raster.invert(x, Y);
    for (int y = 0; y < image.height(); ++y)
        raster.invert(X, y);
}

}  // namespace kiruvan
