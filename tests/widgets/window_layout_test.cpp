#include "widgets/window_layout.h"

#include <gtest/gtest.h>

namespace kiruvan {
namespace {

TEST(StatusPanels, CreationAndResizeRules)
{
    EXPECT_EQ(statusPanelWidthsAtCreation(1000), (StatusPanelWidths{300, 535, 165}));
    EXPECT_EQ(statusPanelWidthsAfterResize(1000), (StatusPanelWidths{300, 630, 70}));
    EXPECT_EQ(statusPanelWidthsAfterResize(1920), (StatusPanelWidths{300, 1550, 70}));
}

TEST(StatusPanels, NarrowWindowsGiveNoNegativeWidths)
{
    EXPECT_EQ(statusPanelWidthsAfterResize(400), (StatusPanelWidths{300, 30, 70}));
    EXPECT_EQ(statusPanelWidthsAfterResize(350), (StatusPanelWidths{300, 0, 50}));
    EXPECT_EQ(statusPanelWidthsAtCreation(200), (StatusPanelWidths{300, 0, 0}));
}

// Every pixel of the area belongs to exactly one window, in order, without gaps.
void expectSlicesCover(const std::vector<Rect>& rects, int start, int length, bool horizontal)
{
    int next = start;
    for (const Rect& r : rects) {
        EXPECT_EQ(horizontal ? r.y : r.x, next);
        next += horizontal ? r.height : r.width;
    }
    EXPECT_EQ(next, start + length);
}

TEST(Tiling, HorizontallyStacksFullWidthWindowsTopToBottom)
{
    const Rect area{10, 20, 1000, 601};
    const auto rects = tileHorizontally(3, area);
    ASSERT_EQ(rects.size(), 3u);
    for (const Rect& r : rects) {
        EXPECT_EQ(r.x, 10);
        EXPECT_EQ(r.width, 1000);
    }
    EXPECT_EQ(rects[0].height, 201);
    EXPECT_EQ(rects[2].height, 200);
    expectSlicesCover(rects, 20, 601, true);
}

TEST(Tiling, VerticallyPutsFullHeightWindowsSideBySide)
{
    const Rect area{0, 0, 1003, 500};
    const auto rects = tileVertically(4, area);
    ASSERT_EQ(rects.size(), 4u);
    for (const Rect& r : rects) {
        EXPECT_EQ(r.y, 0);
        EXPECT_EQ(r.height, 500);
    }
    EXPECT_EQ(rects[0].width, 251);
    EXPECT_EQ(rects[3].width, 250);
    expectSlicesCover(rects, 0, 1003, false);
}

TEST(Tiling, OneWindowFillsTheAreaAndNoneGivesNothing)
{
    const Rect area{5, 6, 700, 400};
    EXPECT_EQ(tileHorizontally(1, area), std::vector<Rect>{area});
    EXPECT_EQ(tileVertically(1, area), std::vector<Rect>{area});
    EXPECT_TRUE(tileHorizontally(0, area).empty());
}

TEST(Tiling, IconsLineUpAlongTheBottomAndWrapUpwards)
{
    const auto rects = iconRows(4, 160, 30, Rect{0, 0, 500, 400});
    ASSERT_EQ(rects.size(), 4u);
    EXPECT_EQ(rects[0], (Rect{0, 370, 160, 30}));
    EXPECT_EQ(rects[2], (Rect{320, 370, 160, 30}));
    EXPECT_EQ(rects[3], (Rect{0, 340, 160, 30}));
    // An area narrower than one icon still gets one per row.
    EXPECT_EQ(iconRows(2, 160, 30, Rect{0, 0, 100, 400})[1], (Rect{0, 340, 160, 30}));
}

TEST(Cascade, WindowsKeepFourFifthsOfTheAreaOrTheirMinimumAndStartAgainAtTheTop)
{
    const Rect area{0, 0, 1000, 500};
    // 80 % leaves 100 pixels of height: six places 20 apart, the seventh window starts again.
    const auto rects = cascade(std::vector<Size>(7, Size{325, 54}), 20, area);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(rects[static_cast<std::size_t>(i)], (Rect{i % 6 * 20, i % 6 * 20, 800, 400})) << i;
    EXPECT_EQ(cascade({{900, 450}, {900, 450}, {900, 450}}, 20, area)[2], (Rect{40, 40, 900, 450}));
    // A window larger than the area keeps the top left corner in sight.
    EXPECT_EQ(newWindowPlace(3, {1200, 300}, 20, area), (Rect{0, 0, 1200, 300}));
    EXPECT_EQ(newWindowPlace(8, {750, 375}, 20, area), (Rect{20, 20, 750, 375}));
}

}  // namespace
}  // namespace kiruvan
