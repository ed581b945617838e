#pragma once

#include <QImage>

#include "chart/chart_view.h"

namespace kiruvan {

class ChartData;

// What a drawing leaves behind for the scroll bar and the mouse read-outs.
struct ChartDrawing {
    ChartView view;
    ChartScales scales;
};

// Draws a whole client area (panes and date strip) of the image from the data and the view
// state. Pixels follow the raster rules of the chart: a line leaves out its end point, a
// rectangle or an ellipse leaves out its right column and bottom row. Only visible bars are
// visited.
ChartDrawing paintChart(QImage& image, const ChartData& data, double Largeur_Barre, int position);

// An empty client area of the given size, ready for paintChart (96 pixels per inch).
QImage blankClientImage(int width, int height);

// The crosshair: a horizontal and a vertical line through (X, Y) that invert what they cover,
// so that drawing them twice restores the picture.
void invertCrosshair(QImage& image, int X, int Y);

}  // namespace kiruvan
