// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/mainlayout.h"

#include <cmath>

#include "resources/twips.h"

namespace pelorus::app {

DesignGeometry MainDesign() {
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

std::int32_t RoundHalfToEven(double value) {
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
    return {RoundHalfToEven(box.left), RoundHalfToEven(box.top), RoundHalfToEven(box.width),
            RoundHalfToEven(box.height)};
}

}  // namespace

ControlGeometry RoundDesign(const DesignGeometry& design) {
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

LayoutMeasures MeasuresFromDesign(const DesignGeometry& design) {
    return {RoundHalfToEven(design.eLabel[0].left), RoundHalfToEven(design.eLabel[0].top),
            RoundHalfToEven(design.eLabel[0].height), RoundHalfToEven(design.eButton[0].height)};
}

void LayoutMainWindow(ControlGeometry& boxes, const LayoutMeasures& measures, std::int32_t width,
                      std::int32_t height) {
    const std::int32_t M = measures.MarginX;
    const std::int32_t T = measures.MarginY;
    const std::int32_t LH = measures.LabelHeight;
    const std::int32_t BH = measures.ButtonHeight;

    // The column width.
    std::int32_t X = (width - 3 * M) / 2;
    if (X < 0)
        X = 0;
    boxes.eLabel[0].width = X;
    boxes.eTaskList.width = X;

    // The four task buttons share the left column.
    std::int32_t Y = X / 4;
    boxes.eButton[0].width = Y;
    for (int k = 1; k <= 3; ++k) {
        boxes.eButton[k].left = M + k * Y;
        boxes.eButton[k].width = Y;
    }

    boxes.eLabel[1].width = X;
    boxes.TINF.width = X;
    boxes.eLabel[2].width = X;
    boxes.TFRM.width = X;

    // The right column and its five window buttons.
    Y = X + 2 * M;
    boxes.eLabel[2].left = Y;
    boxes.TFRM.left = Y;
    X = X / 5;
    boxes.eButton[4].left = Y;
    boxes.eButton[4].width = X;
    for (int k = 5; k <= 7; ++k) {
        Y = Y + X;
        boxes.eButton[k].left = Y;
        boxes.eButton[k].width = X;
    }
    boxes.eButton[8].left = Y + X;
    boxes.eButton[8].width = X;

    // Heights: the window-button row sits a margin above the bottom.
    X = height - T;
    Y = X - BH;
    for (int k = 4; k <= 8; ++k)
        boxes.eButton[k].top = Y;
    Y = Y - (LH + T);
    if (Y < 0)
        Y = 0;
    boxes.TFRM.height = Y;

    // The left column's halves.
    X = X / 2;
    Y = X + T;
    boxes.eLabel[1].top = Y;
    boxes.TINF.top = Y + LH;
    Y = X - BH;
    for (int k = 0; k <= 3; ++k)
        boxes.eButton[k].top = Y;
    X = X - (LH + T);
    if (X < 0)
        X = 0;
    boxes.TINF.height = X;
    X = X - BH;
    if (X < 0)
        X = 0;
    boxes.eTaskList.height = X;
}

}  // namespace pelorus::app
