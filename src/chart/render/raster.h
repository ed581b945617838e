#pragma once

// The chart painter's pixel work, written straight into the image's bits.

#include <QImage>

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace kiruvan {

// Pixel work on the image within one pane: coordinates are the pane's, clipped to it.
class Raster {
public:
    explicit Raster(QImage& image)
        : bits_(image.bits()), stride_(image.bytesPerLine() / 4), W_(image.width()), H_(image.height())
    {
    }

    void setPane(int top, int height)
    {
        top_ = top;
        clipTop_ = std::max(0, top);
        clipBottom_ = std::min(H_, top + height);
    }

    void pixel(int x, int y, QRgb c)
    {
        y += top_;
        if (x >= 0 && x < W_ && y >= clipTop_ && y < clipBottom_)
            row(y)[x] = c;
    }

    void invert(int x, int y)
    {
        y += top_;
        if (x >= 0 && x < W_ && y >= clipTop_ && y < clipBottom_)
            row(y)[x] ^= 0x00FFFFFF;
    }

    // Bresenham from A towards B, B itself left out.
    template <class Plot>
    void line(int x1, int y1, int x2, int y2, Plot plot)
    {
        const int dx = std::abs(x2 - x1);
        const int dy = -std::abs(y2 - y1);
        const int sx = x1 < x2 ? 1 : -1;
        const int sy = y1 < y2 ? 1 : -1;
        int error = dx + dy;
        while (!(x1 == x2 && y1 == y2)) {
            plot(x1, y1);
            const int e2 = 2 * error;
            if (e2 >= dy) {
                error += dy;
                x1 += sx;
            }
            if (e2 <= dx) {
                error += dx;
                y1 += sy;
            }
        }
    }

    // Horizontal and vertical lines, the bars and the grid, take the short way.
    void line(int x1, int y1, int x2, int y2, QRgb c)
    {
        if (y1 == y2)
            run(x1 < x2 ? x1 : x2 + 1, x1 < x2 ? x2 : x1 + 1, y1, c);
        else if (x1 == x2)
            column(x1, y1 < y2 ? y1 : y2 + 1, y1 < y2 ? y2 : y1 + 1, c);
        else if (mayCross(x1, y1, x2, y2))
            line(x1, y1, x2, y2, [&](int x, int y) { pixel(x, y, c); });
    }

    // Columns min(x1, x2) up to max(x1, x2) and the rows alike, right column and bottom row
    // left out: outlined with the pen, filled with the brush.
    void rectangle(int x1, int y1, int x2, int y2, QRgb pen, QRgb brush)
    {
        const int left = std::min(x1, x2), right = std::max(x1, x2);
        const int top = std::min(y1, y2), bottom = std::max(y1, y2);
        if (left == right || top == bottom)
            return;
        for (int y = std::max(top, clipTop_ - top_); y < std::min(bottom, clipBottom_ - top_); ++y) {
            const bool edgeRow = y == top || y == bottom - 1;
            for (int x = std::max(left, 0); x < std::min(right, W_); ++x)
                pixel(x, y, edgeRow || x == left || x == right - 1 ? pen : brush);
        }
    }

    void ellipse(int x1, int y1, int x2, int y2, QRgb c)
    {
        const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
        const double rx = (x2 - x1) / 2.0, ry = (y2 - y1) / 2.0;
        if (rx <= 0 || ry <= 0)
            return;
        for (int y = y1; y < y2; ++y) {
            for (int x = x1; x < x2; ++x) {
                const double u = (x + 0.5 - cx) / rx, v = (y + 0.5 - cy) / ry;
                if (u * u + v * v <= 1.0)
                    pixel(x, y, c);
            }
        }
    }

private:
    // Whether a line's bounding box meets the pane: a value far outside the scale costs nothing.
    bool mayCross(int x1, int y1, int x2, int y2) const
    {
        return std::max(x1, x2) >= 0 && std::min(x1, x2) < W_ && std::max(y1, y2) + top_ >= clipTop_
               && std::min(y1, y2) + top_ < clipBottom_;
    }

    QRgb* row(int y) { return reinterpret_cast<QRgb*>(bits_) + static_cast<std::ptrdiff_t>(y) * stride_; }

    // Columns [from, to) of row y.
    void run(int from, int to, int y, QRgb c)
    {
        y += top_;
        if (y < clipTop_ || y >= clipBottom_)
            return;
        QRgb* r = row(y);
        for (int x = std::max(from, 0); x < std::min(to, W_); ++x)
            r[x] = c;
    }

    // Rows [from, to) of column x.
    void column(int x, int from, int to, QRgb c)
    {
        if (x < 0 || x >= W_)
            return;
        for (int y = std::max(from + top_, clipTop_); y < std::min(to + top_, clipBottom_); ++y)
            row(y)[x] = c;
    }

    uchar* bits_;
    int stride_;
    int W_, H_;
    int top_ = 0, clipTop_ = 0, clipBottom_ = 0;
};

}  // namespace kiruvan
