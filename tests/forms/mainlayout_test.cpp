// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include "app/mainlayout.h"
#include "resources/twips.h"

namespace pelorus::app {
namespace {

const LayoutMeasures kDesignMeasures{120, 120, 255, 375};

ControlGeometry layoutAt(std::int32_t width, std::int32_t height) {
    ControlGeometry boxes = roundDesign(mainDesign());
    layoutMainWindow(boxes, measuresFromDesign(mainDesign()), width, height);
    return boxes;
}

TEST(MainLayout, MeasuresComeFromTheDesignOfTheFirstLabelAndButton) {
    EXPECT_EQ(measuresFromDesign(mainDesign()), kDesignMeasures);

    DesignGeometry moved = mainDesign();
    moved.eLabel[0] = {240.5F, 121.5F, 4335, 254.5F};
    moved.eButton[0].height = 400.4F;
    EXPECT_EQ(measuresFromDesign(moved), (LayoutMeasures{240, 122, 254, 400}));

    // Other margins and heights carry through the whole arrangement.
    ControlGeometry boxes = roundDesign(moved);
    layoutMainWindow(boxes, measuresFromDesign(moved), 8985, 6345);
    EXPECT_EQ(boxes.eLabel[0].width, (8985 - 3 * 240) / 2);
    EXPECT_EQ(boxes.eButton[4].top, 6345 - 122 - 400);
}

TEST(MainLayout, RoundingIsHalfToEven) {
    EXPECT_EQ(roundHalfToEven(0.5), 0);
    EXPECT_EQ(roundHalfToEven(1.5), 2);
    EXPECT_EQ(roundHalfToEven(2.5), 2);
    EXPECT_EQ(roundHalfToEven(-0.5), 0);
    EXPECT_EQ(roundHalfToEven(-1.5), -2);
    EXPECT_EQ(roundHalfToEven(-2.5), -2);
    EXPECT_EQ(roundHalfToEven(2.4999), 2);
    EXPECT_EQ(roundHalfToEven(-2.5001), -3);

    EXPECT_EQ(resources::divideRoundHalfToEven(1, 2), 0);
    EXPECT_EQ(resources::divideRoundHalfToEven(3, 2), 2);
    EXPECT_EQ(resources::divideRoundHalfToEven(5, 2), 2);
    EXPECT_EQ(resources::divideRoundHalfToEven(-5, 2), -2);
    EXPECT_EQ(resources::divideRoundHalfToEven(-7, 2), -4);
    EXPECT_EQ(resources::divideRoundHalfToEven(-285, 15), -19);
    EXPECT_EQ(resources::divideRoundHalfToEven(-292, 15), -19);
    EXPECT_EQ(resources::divideRoundHalfToEven(-293, 15), -20);
}

TEST(MainLayout, DesignClientSize) {
    const ControlGeometry b = layoutAt(8985, 6345);
    EXPECT_EQ(b.eLabel[0], (TwipRect{120, 120, 4312, 255}));
    EXPECT_EQ(b.eTaskList, (TwipRect{120, 360, 4312, 2362}));
    EXPECT_EQ(b.eButton[0], (TwipRect{120, 2737, 1078, 375}));
    EXPECT_EQ(b.eButton[1], (TwipRect{1198, 2737, 1078, 375}));
    EXPECT_EQ(b.eButton[2], (TwipRect{2276, 2737, 1078, 375}));
    EXPECT_EQ(b.eButton[3], (TwipRect{3354, 2737, 1078, 375}));
    EXPECT_EQ(b.eLabel[1], (TwipRect{120, 3232, 4312, 255}));
    EXPECT_EQ(b.TINF, (TwipRect{120, 3487, 4312, 2737}));
    EXPECT_EQ(b.eLabel[2], (TwipRect{4552, 120, 4312, 255}));
    EXPECT_EQ(b.TFRM, (TwipRect{4552, 360, 4312, 5475}));
    const std::int32_t lefts[] = {4552, 5414, 6276, 7138, 8000};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(b.eButton[4 + k], (TwipRect{lefts[k], 5850, 862, 375})) << "button " << 4 + k;
    }
}

TEST(MainLayout, LargeClientSize) {
    const ControlGeometry b = layoutAt(15000, 10000);
    EXPECT_EQ(b.eLabel[0].width, 7320);
    EXPECT_EQ(b.eButton[0], (TwipRect{120, 4565, 1830, 375}));
    EXPECT_EQ(b.eButton[1].left, 1950);
    EXPECT_EQ(b.eButton[2].left, 3780);
    EXPECT_EQ(b.eButton[3].left, 5610);
    EXPECT_EQ(b.eButton[3].width, 1830);
    EXPECT_EQ(b.eLabel[2].left, 7560);
    EXPECT_EQ(b.TFRM, (TwipRect{7560, 360, 7320, 9130}));
    const std::int32_t lefts[] = {7560, 9024, 10488, 11952, 13416};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(b.eButton[4 + k], (TwipRect{lefts[k], 9505, 1464, 375})) << "button " << 4 + k;
    }
    EXPECT_EQ(b.eLabel[1].top, 5060);
    EXPECT_EQ(b.TINF, (TwipRect{120, 5315, 7320, 4565}));
    EXPECT_EQ(b.eTaskList.height, 4190);
}

TEST(MainLayout, TinyClientSizesClampWidthsAndHeightsButNotEdges) {
    const ControlGeometry small = layoutAt(300, 300);
    for (const TwipRect& box : {small.eLabel[0], small.eLabel[1], small.eLabel[2], small.eTaskList,
                                small.TINF, small.TFRM}) {
        EXPECT_EQ(box.width, 0);
    }
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(small.eButton[k].left, 120);
    for (int k = 0; k <= 3; ++k)
        EXPECT_EQ(small.eButton[k].top, -285);
    EXPECT_EQ(small.eLabel[2].left, 240);
    EXPECT_EQ(small.TFRM.left, 240);
    for (int k = 4; k <= 8; ++k) {
        EXPECT_EQ(small.eButton[k].left, 240);
        EXPECT_EQ(small.eButton[k].top, -195);
        EXPECT_EQ(small.eButton[k].width, 0);
    }
    EXPECT_EQ(small.eLabel[1].top, 210);
    EXPECT_EQ(small.TINF.top, 465);
    EXPECT_EQ(small.eTaskList.height, 0);
    EXPECT_EQ(small.TINF.height, 0);
    EXPECT_EQ(small.TFRM.height, 0);

    // At 0 x 0, (0 - 120) div 2 truncates toward zero: -60, not -61.
    const ControlGeometry none = layoutAt(0, 0);
    EXPECT_EQ(none.eLabel[0].width, 0);
    EXPECT_EQ(none.eButton[4].top, -495);
    EXPECT_EQ(none.eButton[0].top, -435);
    EXPECT_EQ(none.eLabel[1].top, 60);
    EXPECT_EQ(none.TINF.top, 315);
    EXPECT_EQ(none.eTaskList.height, 0);
    EXPECT_EQ(none.TINF.height, 0);
    EXPECT_EQ(none.TFRM.height, 0);
}

TEST(MainLayout, OneTwipWiderWidensColumnsButNotButtons) {
    const ControlGeometry b = layoutAt(8986, 6345);
    EXPECT_EQ(b.eTaskList.width, 4313);
    EXPECT_EQ(b.TFRM.width, 4313);
    EXPECT_EQ(b.eButton[0].width, 1078);
    EXPECT_EQ(b.eButton[8].width, 862);
    // The right margin is M when W - 3M is even, M + 1 when it is odd.
    EXPECT_EQ(b.TFRM.left + b.TFRM.width, 8986 - 120);
    const ControlGeometry design = layoutAt(8985, 6345);
    EXPECT_EQ(design.TFRM.left + design.TFRM.width, 8985 - 121);
}

TEST(MainLayout, ShrinkingAndGrowingBackGivesTheFreshLayout) {
    ControlGeometry boxes = roundDesign(mainDesign());
    for (auto [w, h] : {std::pair{15000, 10000}, {0, 0}, {300, 300}, {-45, 7}, {8985, 6345}}) {
        layoutMainWindow(boxes, kDesignMeasures, w, h);
    }
    layoutMainWindow(boxes, kDesignMeasures, 15000, 10000);
    EXPECT_EQ(boxes, layoutAt(15000, 10000));
}

TEST(MainLayout, UntouchedGeometryKeepsItsDesignValue) {
    const ControlGeometry b = layoutAt(20000, 3000);
    const ControlGeometry design = roundDesign(mainDesign());
    EXPECT_EQ(b.eLabel[0].left, design.eLabel[0].left);
    EXPECT_EQ(b.eTaskList.top, design.eTaskList.top);
    EXPECT_EQ(b.TFRM.top, design.TFRM.top);
    EXPECT_EQ(b.eLabel[2].top, design.eLabel[2].top);
    EXPECT_EQ(b.TINF.left, design.TINF.left);
    for (size_t i = 0; i < b.eButton.size(); ++i)
        EXPECT_EQ(b.eButton[i].height, 375);
    for (size_t i = 0; i < b.eLabel.size(); ++i)
        EXPECT_EQ(b.eLabel[i].height, 255);
}

TEST(MainLayout, PixelEdgesOfTouchingBoxesStillTouch) {
    for (std::int32_t width = 8985; width < 8985 + 15 * 8; width += 1) {
        const ControlGeometry b = layoutAt(width, 6345);
        for (int k = 0; k < 3; ++k) {
            const PixelRect left = toPixels(b.eButton[k]);
            const PixelRect right = toPixels(b.eButton[k + 1]);
            ASSERT_EQ(left.x + left.width, right.x) << "width " << width << " button " << k;
        }
        for (int k = 4; k < 8; ++k) {
            const PixelRect left = toPixels(b.eButton[k]);
            const PixelRect right = toPixels(b.eButton[k + 1]);
            ASSERT_EQ(left.x + left.width, right.x) << "width " << width << " button " << k;
        }
    }
    // Each edge rounds on its own: 1198..2276 twips are 79.87..151.73 pixels.
    EXPECT_EQ(toPixels({1198, 2737, 1078, 375}), (PixelRect{80, 182, 72, 25}));
    // Negative edges round like positive ones.
    EXPECT_EQ(toPixels({-285, -435, 0, 375}), (PixelRect{-19, -29, 0, 25}));
}

}  // namespace
}  // namespace pelorus::app
