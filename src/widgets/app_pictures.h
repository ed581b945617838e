#pragma once

#include <QIcon>
#include <QImage>

namespace kiruvan {

// The program's own pictures, drawn rather than loaded so that they stay sharp at every size.
enum class Picture { OpenMarket, UpdateDatabase, Backtest, PerformanceReport };

QIcon pictureIcon(Picture picture);

// The splash picture; everything in `transparentColor` lets the desktop show through.
QImage splashPicture(const QSize& size, const QColor& transparentColor);

// The about box picture: a small price chart.
QImage aboutPicture(const QSize& size);

}  // namespace kiruvan
