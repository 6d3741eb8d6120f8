// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/mainlayout.h"

#include <cmath>

#include "resources/twips.h"

namespace pelorus::app {

DesignGeometry mainDesign() {
    DesignGeometry design;
    design.eLabel[0] = {120, 120, 4335, 255};
    design.eTaskList = {120, 360, 4335, 2415};
    design.eButton[0] = {120, 2760, 1095, 375};
    design.eButton[1] = {1200, 2760, 1095, 375};
    design.eButton[2] = {2280, 2760, 1095, 375};
    design.eButton[3] = {3360, 2760, 1095, 375};
    design.eLabel[1] = {120, 3240, 4335, 255};
    design.TINF = {120, 3480, 4335, 2775};
    design.eLabel[2] = {4560, 120, 4335, 255};
    design.TFRM = {4560, 360, 4335, 5415};
    design.eButton[4] = {4560, 5880, 855, 375};
    design.eButton[5] = {5400, 5880, 855, 375};
    design.eButton[6] = {6240, 5880, 855, 375};
    design.eButton[7] = {7080, 5880, 855, 375};
    design.eButton[8] = {7920, 5880, 855, 375};
    return design;
}

std::int32_t roundHalfToEven(double value) {
    // nearbyint rounds in the current mode, which is to nearest with ties to even unless
    // someone changed it; do it by hand so that the result never depends on that.
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double result = lower;
    if (fraction > 0.5) {
        result = lower + 1;
    } else if (fraction == 0.5) {
        result = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
    }
    return static_cast<std::int32_t>(result);
}

namespace {

TwipRect roundBox(const DesignRect& box) {
    return {roundHalfToEven(box.left), roundHalfToEven(box.top), roundHalfToEven(box.width),
            roundHalfToEven(box.height)};
}

}  // namespace

ControlGeometry roundDesign(const DesignGeometry& design) {
    ControlGeometry boxes;
    for (size_t i = 0; i < boxes.eLabel.size(); ++i)
        boxes.eLabel[i] = roundBox(design.eLabel[i]);
    for (size_t i = 0; i < boxes.eButton.size(); ++i) {
        boxes.eButton[i] = roundBox(design.eButton[i]);
    }
    boxes.eTaskList = roundBox(design.eTaskList);
    boxes.TINF = roundBox(design.TINF);
    boxes.TFRM = roundBox(design.TFRM);
    return boxes;
}

LayoutMeasures measuresFromDesign(const DesignGeometry& design) {
    return {roundHalfToEven(design.eLabel[0].left), roundHalfToEven(design.eLabel[0].top),
            roundHalfToEven(design.eLabel[0].height), roundHalfToEven(design.eButton[0].height)};
}

void layoutMainWindow(ControlGeometry& boxes, const LayoutMeasures& measures, std::int32_t width,
                      std::int32_t height) {
    const std::int32_t m = measures.MarginX;
    const std::int32_t t = measures.MarginY;
    const std::int32_t lh = measures.LabelHeight;
    const std::int32_t bh = measures.ButtonHeight;

    // The column width. All in 32-bit arithmetic, division truncating toward zero.
    std::int32_t x = (width - 3 * m) / 2;
    if (x < 0)
        x = 0;
    boxes.eLabel[0].width = x;
    boxes.eTaskList.width = x;

    // The four task buttons share the left column.
    std::int32_t y = x / 4;
    boxes.eButton[0].width = y;
    for (int k = 1; k <= 3; ++k) {
        boxes.eButton[k].left = m + k * y;
        boxes.eButton[k].width = y;
    }

    boxes.eLabel[1].width = x;
    boxes.TINF.width = x;
    boxes.eLabel[2].width = x;
    boxes.TFRM.width = x;

    // The right column and its five window buttons.
    y = x + 2 * m;
    boxes.eLabel[2].left = y;
    boxes.TFRM.left = y;
    x = x / 5;
    boxes.eButton[4].left = y;
    boxes.eButton[4].width = x;
    for (int k = 5; k <= 7; ++k) {
        y = y + x;
        boxes.eButton[k].left = y;
        boxes.eButton[k].width = x;
    }
    boxes.eButton[8].left = y + x;
    boxes.eButton[8].width = x;

    // Heights: the window-button row sits a margin above the bottom.
    x = height - t;
    y = x - bh;
    for (int k = 4; k <= 8; ++k)
        boxes.eButton[k].top = y;
    y = y - (lh + t);
    if (y < 0)
        y = 0;
    boxes.TFRM.height = y;

    // The left column's halves.
    x = x / 2;
    y = x + t;
    boxes.eLabel[1].top = y;
    boxes.TINF.top = y + lh;
    y = x - bh;
    for (int k = 0; k <= 3; ++k)
        boxes.eButton[k].top = y;
    x = x - (lh + t);
    if (x < 0)
        x = 0;
    boxes.TINF.height = x;
    x = x - bh;
    if (x < 0)
        x = 0;
    boxes.eTaskList.height = x;
}

}  // namespace pelorus::app
