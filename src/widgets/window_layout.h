#pragma once

// The arithmetic behind the main window's status bar and Window menu, kept free of any
// windowing library so that it can be checked on its own.

#include <vector>

namespace kiruvan {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct StatusPanelWidths {
    int hint = 0;    // panel 0: the long part of the hint under the mouse
    int values = 0;  // panel 1: values under the mouse in a chart
    int date = 0;    // panel 2: whatever is left up to the right edge
    friend bool operator==(const StatusPanelWidths&, const StatusPanelWidths&) = default;
};

// The window is created with a narrower value panel than every later resize gives it
// (client width - 465, then - 370); the date panel takes the rest, never less than nothing.
StatusPanelWidths statusPanelWidthsAtCreation(int clientWidth);
StatusPanelWidths statusPanelWidthsAfterResize(int clientWidth);

// Tile Horizontally: full-width windows stacked from top to bottom. Tile Vertically:
// full-height windows side by side from left to right. The area is shared without gaps; the
// pixels that do not divide evenly go to the first windows, one each.
std::vector<Rect> tileHorizontally(int count, const Rect& area);
std::vector<Rect> tileVertically(int count, const Rect& area);

// Cascade: every window 80 % of the area, never below its minimum, each one a step lower and
// further right than the one before; a window that would leave the area starts again at the
// top left. One rectangle per minimum, bottom window first.
std::vector<Rect> cascade(const std::vector<Size>& minimums, int step, const Rect& area);

// Where the index-th (0-based) open child window of this size goes when it opens: its cascade
// place, so that it opens inside the area (at its top left when it is larger than the area).
Rect newWindowPlace(int index, Size size, int step, const Rect& area);

// Places for minimized windows lined up along the bottom of the area, left to right, a new
// row above the previous one when a row is full.
std::vector<Rect> iconRows(int count, int iconWidth, int iconHeight, const Rect& area);

}  // namespace kiruvan
