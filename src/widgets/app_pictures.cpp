#include "widgets/app_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace kiruvan {
namespace {

// Every icon is drawn on a 16 x 16 grid and scaled, so each size gets its own pixmap.
void drawOpenMarket(QPainter& p)
{
    p.setPen(QPen(QColor(140, 100, 20), 0.8));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(1.5, 4.5, 12, 9));
    p.setBrush(QColor(250, 225, 120));
    QPainterPath lid;
    lid.moveTo(3.5, 7.5);
    lid.lineTo(15.5, 7.5);
    lid.lineTo(13.5, 13.5);
    lid.lineTo(1.5, 13.5);
    lid.closeSubpath();
    p.drawPath(lid);
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(1.5, 3, 5, 1.5));
}

void drawUpdateDatabase(QPainter& p)
{
    p.setPen(QPen(QColor(40, 60, 110), 0.8));
    p.setBrush(QColor(120, 150, 210));
    p.drawRect(QRectF(1.5, 3.5, 9, 9));
    p.drawEllipse(QRectF(1.5, 10, 9, 4));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(1.9, 4, 8.2, 8.2));
    p.setPen(QPen(QColor(40, 60, 110), 0.8));
    p.setBrush(QColor(170, 195, 240));
    p.drawEllipse(QRectF(1.5, 1.5, 9, 4));
    p.setPen(QPen(QColor(20, 120, 40), 0.8));
    p.setBrush(QColor(60, 180, 80));
    QPainterPath arrow;
    arrow.moveTo(11, 6.5);
    arrow.lineTo(14, 6.5);
    arrow.lineTo(14, 10.5);
    arrow.lineTo(15.5, 10.5);
    arrow.lineTo(12.5, 14.5);
    arrow.lineTo(9.5, 10.5);
    arrow.lineTo(11, 10.5);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

void drawBacktest(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 1.5, 15, 13));
    p.setPen(QPen(QColor(200, 40, 40), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const std::array<QPointF, 6> curve{{{2, 12}, {5, 9}, {7, 10.5}, {10, 6}, {12, 7.5}, {14.5, 3.5}}};
    p.drawPolyline(curve.data(), static_cast<int>(curve.size()));
    p.setPen(QPen(QColor(30, 130, 50), 1.0));
    for (double x : {3.0, 6.0, 9.0, 12.0})
        p.drawLine(QPointF(x, 13.5), QPointF(x, 12.5 - x / 4));
}

void drawPerformanceReport(QPainter& p)
{
    p.setPen(QPen(QColor(90, 90, 90), 0.8));
    p.setBrush(QColor(255, 255, 240));
    p.drawRect(QRectF(2.5, 0.5, 11, 15));
    p.setPen(QPen(QColor(60, 60, 140), 0.9));
    for (double y : {3.0, 5.0, 7.0})
        p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 160, 80));
    p.drawRect(QRectF(4.5, 11, 2, 3));
    p.drawRect(QRectF(7.5, 9, 2, 5));
    p.setBrush(QColor(200, 60, 60));
    p.drawRect(QRectF(10.5, 12, 1.5, 2));
}

using Drawer = void (*)(QPainter&);

QIcon drawnIcon(Drawer draw)
{
    QIcon icon;
    for (int size : {16, 18, 20, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A row of price bars that rises, dips and rises again.
void drawPriceBars(QPainter& p, const QRectF& area, int count, const QColor& up, const QColor& down)
{
    const double step = area.width() / count;
    double level = 0.75;
    for (int i = 0; i < count; ++i) {
        const double wave = (i % 7 < 4 ? -0.035 : 0.03) + (i % 3 == 0 ? 0.01 : -0.005);
        const double next = std::clamp(level + wave, 0.12, 0.9);
        const double high = std::min(level, next) - 0.04;
        const double low = std::max(level, next) + 0.04;
        const double x = area.left() + (i + 0.5) * step;
        p.setPen(QPen(next <= level ? up : down, std::max(1.0, step / 4)));
        p.drawLine(QPointF(x, area.top() + high * area.height()), QPointF(x, area.top() + low * area.height()));
        p.drawLine(QPointF(x, area.top() + next * area.height()),
                   QPointF(x + step / 3, area.top() + next * area.height()));
        level = next;
    }
}

}  // namespace

QIcon pictureIcon(Picture picture)
{
    switch (picture) {
    case Picture::OpenMarket:
        return drawnIcon(drawOpenMarket);
    case Picture::UpdateDatabase:
        return drawnIcon(drawUpdateDatabase);
    case Picture::Backtest:
        return drawnIcon(drawBacktest);
    case Picture::PerformanceReport:
        return drawnIcon(drawPerformanceReport);
    }
    return {};
}

QImage splashPicture(const QSize& size, const QColor& transparentColor)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(transparentColor);
    QPainter p(&image);
    // No antialiasing on the outline: blended edge pixels would be neither teal nor picture.
    const QRectF card(0, 0, size.width() - 1, size.height() - 1);
    QLinearGradient sky(card.topLeft(), card.bottomLeft());
    sky.setColorAt(0, QColor(16, 28, 58));
    sky.setColorAt(1, QColor(8, 60, 72));
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.setBrush(sky);
    p.drawRoundedRect(card, 18, 18);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF chart(24, 60, size.width() - 48, size.height() - 110);
    p.setPen(QPen(QColor(60, 90, 120), 1, Qt::DotLine));
    for (int i = 0; i <= 4; ++i) {
        const double y = chart.top() + i * chart.height() / 4;
        p.drawLine(QPointF(chart.left(), y), QPointF(chart.right(), y));
    }
    drawPriceBars(p, chart, 48, QColor(70, 200, 110), QColor(230, 80, 80));
    return image;
}

QImage aboutPicture(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(170, 170, 170), 1));
    p.setBrush(QColor(245, 248, 252));
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    drawPriceBars(p, QRectF(6, 6, size.width() - 12, size.height() - 12), 16, QColor(20, 140, 60), QColor(200, 40, 40));
    return image;
}

}  // namespace kiruvan
