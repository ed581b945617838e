#include "widgets/window_layout.h"

#include <algorithm>

namespace kiruvan {
namespace {

constexpr int kHintPanelWidth = 300;

StatusPanelWidths panelsWithValueWidth(int clientWidth, int valueWidth)
{
    StatusPanelWidths w;
    w.hint = kHintPanelWidth;
    w.values = std::max(0, valueWidth);
    w.date = std::max(0, clientWidth - w.hint - w.values);
    return w;
}

// Start and length of slice i when `length` pixels are shared among `count` slices.
struct Slice {
    int start;
    int length;
};

Slice slice(int i, int count, int start, int length)
{
    const int base = length / count;
    const int extra = length % count;
    return {start + i * base + std::min(i, extra), base + (i < extra ? 1 : 0)};
}

// One rectangle per slice of `length` pixels shared among `count` windows.
template <class MakeRect>
std::vector<Rect> slices(int count, int start, int length, MakeRect makeRect)
{
    std::vector<Rect> rects;
    for (int i = 0; i < count; ++i)
        rects.push_back(makeRect(slice(i, count, start, length)));
    return rects;
}

}  // namespace

std::vector<Rect> cascade(const std::vector<Size>& minimums, int step, const Rect& area)
{
    std::vector<Rect> rects;
    for (std::size_t i = 0; i < minimums.size(); ++i) {
        const Size size{std::max(area.width * 4 / 5, minimums[i].width),
                        std::max(area.height * 4 / 5, minimums[i].height)};
        rects.push_back(newWindowPlace(static_cast<int>(i), size, step, area));
    }
    return rects;
}

// The steps repeat from the top left once a window would no longer fit.
Rect newWindowPlace(int index, Size size, int step, const Rect& area)
{
    const int room = std::min(area.width - size.width, area.height - size.height);
    const int places = step > 0 && room > 0 ? room / step + 1 : 1;
    const int k = index % places;
    return {area.x + k * step, area.y + k * step, size.width, size.height};
}

StatusPanelWidths statusPanelWidthsAtCreation(int clientWidth)
{
    return panelsWithValueWidth(clientWidth, clientWidth - 465);
}

StatusPanelWidths statusPanelWidthsAfterResize(int clientWidth)
{
    return panelsWithValueWidth(clientWidth, clientWidth - 370);
}

std::vector<Rect> tileHorizontally(int count, const Rect& area)
{
    return slices(count, area.y, area.height, [&area](const Slice& s) {
        return Rect{area.x, s.start, area.width, s.length};
    });
}

std::vector<Rect> tileVertically(int count, const Rect& area)
{
    return slices(count, area.x, area.width, [&area](const Slice& s) {
        return Rect{s.start, area.y, s.length, area.height};
    });
}

std::vector<Rect> iconRows(int count, int iconWidth, int iconHeight, const Rect& area)
{
    const int perRow = std::max(1, iconWidth > 0 ? area.width / iconWidth : 1);
    std::vector<Rect> rects;
    for (int i = 0; i < count; ++i) {
        const int row = i / perRow;
        const int column = i % perRow;
        rects.push_back(
            {area.x + column * iconWidth, area.y + area.height - (row + 1) * iconHeight, iconWidth, iconHeight});
    }
    return rects;
}

}  // namespace kiruvan
