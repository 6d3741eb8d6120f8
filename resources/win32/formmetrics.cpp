// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/win32/formmetrics.h"

#include <windows.h>

#include "resources/twips.h"

namespace pelorus::resources::win32 {

int TwipsToDevice(std::int64_t twips, int dpi) {
    return resources::divideRoundHalfToEven(twips * dpi, 1440);
}

int DeviceToTwips(std::int64_t pixels, int dpi) {
    return resources::divideRoundHalfToEven(pixels * 1440, dpi);
}

int SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void* FormFont(bool bold) {
    static HFONT fonts[2] = {};
    HFONT& font = fonts[bold ? 1 : 0];
    if (!font) {
        // 8.25 pt: the height in pixels is negative for a character height.
        const int height = -MulDiv(825, SystemDpi(), 7200);
        font = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Shell Dlg");
    }
    return font;
}

}  // namespace pelorus::resources::win32
