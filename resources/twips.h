// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>

/// The forms are designed in twips (1/1440 inch) and drawn in device-independent pixels
/// (1/96 inch). Header only, without Qt, for the main window's layout and the about box.
namespace pelorus::resources {

/// Twips per device-independent pixel.
inline constexpr std::int32_t TwipsPerPixel = 15;

/// `numerator` / `denominator` rounded to the nearest integer, ties to even, in exact
/// integer arithmetic. `denominator` must be positive.
constexpr std::int32_t divideRoundHalfToEven(std::int64_t numerator, std::int32_t denominator) {
    // Floor division first, so that negative values round like positive ones.
    std::int64_t quotient = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    if (remainder < 0) {
        quotient -= 1;
        remainder += denominator;
    }
    const std::int64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && quotient % 2 != 0))
        quotient += 1;
    return static_cast<std::int32_t>(quotient);
}

/// A coordinate in twips as whole pixels, rounded to the nearest, ties to even. Convert
/// each edge of a box on its own (left, and left + width), so that boxes that touch in
/// twips still touch in pixels.
constexpr std::int32_t twipsToPixels(std::int64_t twips) {
    return divideRoundHalfToEven(twips, TwipsPerPixel);
}

/// A control's box in twips, relative to the top-left corner of the client area.
struct TwipRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

/// A box in device-independent pixels.
struct PixelRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

/// Converts a twips box to pixels edge by edge: left, top, right (left + width) and
/// bottom (top + height) are each rounded to the nearest pixel, ties to even, so that
/// boxes that touch in twips still touch in pixels.
constexpr PixelRect toPixels(const TwipRect& box) {
    const std::int32_t left = twipsToPixels(box.left);
    const std::int32_t top = twipsToPixels(box.top);
    const std::int32_t right = twipsToPixels(static_cast<std::int64_t>(box.left) + box.width);
    const std::int32_t bottom = twipsToPixels(static_cast<std::int64_t>(box.top) + box.height);
    return {left, top, right - left, bottom - top};
}

}  // namespace pelorus::resources
