// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/windowsystem.h"

namespace pelorus::platform::win32 {

/// The desktop's windows through user32: GetDesktopWindow, GetWindow (GW_CHILD, then
/// GW_HWNDNEXT: topmost first), GetWindowThreadProcessId, GetWindowTextA and
/// GetClassNameA (255-character buffers, handed on as UTF-8), the placement record of
/// 44 bytes and BringWindowToTop. No call waits for another program's thread, so one that
/// has hung costs the viewer nothing. A handle that is no longer a window answers 0 or empty.
class User32WindowSystem final : public WindowSystem {
public:
    WindowHandle desktop() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    /// SW_HIDE for a window that has gone; else the record's show state (Windows reports
    /// the restore state there: normal, minimised or maximised, visible or not).
    WindowPlacement placement(WindowHandle window) override;
    /// Reads the window's record, changes only its show state and writes it back, so the
    /// window keeps its positions. A window of another thread gets the show state posted
    /// (ShowWindowAsync) instead: a program that has hung cannot hold the viewer.
    void setPlacement(WindowHandle window, const WindowPlacement& placement) override;
    /// BringWindowToTop; for a window of another thread the same request posted to it.
    void raise(WindowHandle window) override;
};

/// A window handle as the viewer's 32-bit value, and back.
WindowHandle ToWindowHandle(void* hwnd);
void* ToHwnd(WindowHandle handle);

}  // namespace pelorus::platform::win32
