// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowcommands.h"

#include <cstdint>

namespace pelorus::details {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

platform::WindowHandle HandleFromKey(std::string_view key) {
    if (key.empty())
        return 0;
    std::uint32_t handle = 0;
    for (const char c : key.substr(1)) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        handle = handle * 16 + static_cast<std::uint32_t>(digit);
    }
    return handle;
}

void SetWindowShown(platform::WindowSystem& windows, const std::string& Key, bool Show) {
    const platform::WindowHandle handle = HandleFromKey(Key);
    platform::WindowPlacement placement = windows.placement(handle);
    if (Show) {
        placement.showCmd = platform::SW_SHOW;
        windows.setPlacement(handle, placement);
        placement = windows.placement(handle);
        if (placement.showCmd == platform::SW_SHOWMINIMIZED) {
            placement.showCmd = platform::SW_SHOWNORMAL;
            windows.setPlacement(handle, placement);
        }
        windows.raise(handle);
    } else {
        placement.showCmd = platform::SW_HIDE;
        windows.setPlacement(handle, placement);
    }
}

void RunWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain) {
    using platform::ButtonIndex;
    if (command != ButtonIndex::Show && command != ButtonIndex::Hide &&
        command != ButtonIndex::ShowAll && command != ButtonIndex::HideAll) {
        return;
    }
    frmMain.setVisible(false);
    // Counted in 32 bits: a 16-bit count turns negative past 32,767 nodes, which the
    // queue of the window walk allows, and every loop below would then run zero times.
    const std::int32_t n = TFRM.nodeCount();
    switch (command) {
        case ButtonIndex::Show:
        case ButtonIndex::Hide:
            // Node 1 is the process, never a window.
            for (std::int32_t i = 2; i <= n; ++i) {
                if (TFRM.isSelected(i)) {
                    SetWindowShown(windows, TFRM.key(i), command == ButtonIndex::Show);
                    break;
                }
            }
            break;
        case ButtonIndex::ShowAll:
            // From the last node up, so that node 2 is raised last and ends on top.
            for (std::int32_t i = n; i >= 2; --i)
                SetWindowShown(windows, TFRM.key(i), true);
            break;
        case ButtonIndex::HideAll:
            for (std::int32_t i = 2; i <= n; ++i)
                SetWindowShown(windows, TFRM.key(i), false);
            break;
        default:
            break;
    }
    frmMain.setVisible(true);
}

}  // namespace pelorus::details
