// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <array>
#include <cstdint>

#include "resources/twips.h"

/// The main window's layout as integer arithmetic in twips (1/1440 inch, 15 per pixel at
/// 96 dpi). No toolkit here: the form converts the results to pixels and places its
/// controls.
namespace pelorus::app {

using resources::PixelRect;
using resources::toPixels;
using resources::TwipRect;

/// A control's box in the form design, as the toolkit of the design holds it: single
/// precision numbers.
struct DesignRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

/// The boxes of the fifteen controls of the main window, by control name and index.
template <class Rect>
struct ControlBoxes {
    std::array<Rect, 3> eLabel{};
    Rect eTaskList{};
    Rect TINF{};
    Rect TFRM{};
    std::array<Rect, 9> eButton{};

    friend bool operator==(const ControlBoxes&, const ControlBoxes&) = default;
};

using DesignGeometry = ControlBoxes<DesignRect>;
using ControlGeometry = ControlBoxes<TwipRect>;

/// The four measures that the layout takes from the design.
struct LayoutMeasures {
    std::int32_t MarginX = 0;
    std::int32_t MarginY = 0;
    std::int32_t LabelHeight = 0;
    std::int32_t ButtonHeight = 0;

    friend bool operator==(const LayoutMeasures&, const LayoutMeasures&) = default;
};

/// The design geometry of the main window's controls.
DesignGeometry mainDesign();

/// The design client size: 8985 x 6345 twips (599 x 423 pixels).
inline constexpr std::int32_t DesignClientWidth = 8985;
inline constexpr std::int32_t DesignClientHeight = 6345;

/// Nearest integer, ties to the even one: 0.5 -> 0, 1.5 -> 2, -2.5 -> -2.
std::int32_t roundHalfToEven(double value);

/// Every design box rounded to whole twips, ties to even.
ControlGeometry roundDesign(const DesignGeometry& design);

/// MarginX, MarginY and LabelHeight from the left, top and height of eLabel(0),
/// ButtonHeight from the height of eButton(0), each rounded half to even.
LayoutMeasures measuresFromDesign(const DesignGeometry& design);

/// Lays the controls out for a client area of `width` x `height` twips: two columns of
/// equal width with a margin at the left, between them and at the right, the left one
/// split in two halves. Writes only the lefts, tops, widths and heights the arrangement
/// governs (the rest of `boxes` keeps its value, so `boxes` starts as the rounded design),
/// and depends only on the size and the measures, never on an earlier run. Widths and list
/// heights are clamped at 0; lefts and tops may be negative at small sizes.
void layoutMainWindow(ControlGeometry& boxes, const LayoutMeasures& measures, std::int32_t width,
                      std::int32_t height);

}  // namespace pelorus::app
