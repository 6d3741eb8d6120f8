// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <clocale>

#include "app/win32/frmmain.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Lower-casing follows the rules of the user's locale.
    std::setlocale(LC_ALL, "");
    const auto platform = pelorus::platform::makeNativePlatform();
    pelorus::app::win32::frmMain form(*platform);
    form.Form_Load();
    ShowWindow(form.hwnd(), SW_SHOWDEFAULT);
    return form.run();
}
