// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>

/// What the Win32 forms share: the design's twips at the system's DPI and its font.
namespace pelorus::resources::win32 {

/// A length in twips as device pixels at `dpi`, rounded half to even. Convert each edge
/// of a box on its own, so that boxes that touch in twips still touch.
int TwipsToDevice(std::int64_t twips, int dpi);
/// A length in device pixels at `dpi` as twips, rounded half to even.
int DeviceToTwips(std::int64_t pixels, int dpi);

/// The system's logical DPI (96 at 100 %).
int SystemDpi();

/// The forms' font, 8.25 pt of the system's dialog face, regular or bold (weight 700);
/// made once and kept for the run.
void* FormFont(bool bold);

}  // namespace pelorus::resources::win32
