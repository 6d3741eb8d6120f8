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
/// A command's check asks GetWindowThreadProcessId of the check's window.
class User32WindowSystem final : public WindowSystem {
public:
    WindowHandle desktop() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    /// SW_SHOW written into the window's record, SW_SHOWNORMAL too when the record then
    /// reads minimised, and BringWindowToTop. Only the show state of the record changes, so
    /// the window keeps its positions. A window of another thread gets the show states
    /// posted (ShowWindowAsync) and the raise too (SetWindowPos with SWP_ASYNCWINDOWPOS):
    /// a program that has hung cannot hold the viewer.
    bool show(WindowHandle window, const WindowCheck& check) override;
    /// SW_HIDE, written or posted as show() does it.
    bool hide(WindowHandle window, const WindowCheck& check) override;
    /// BringWindowToTop; for a window of another thread the same request posted to it.
    bool raise(WindowHandle window, const WindowCheck& check) override;
};

/// A window handle as the viewer's 32-bit value, and back.
WindowHandle toWindowHandle(void* hwnd);
void* toHwnd(WindowHandle handle);

}  // namespace pelorus::platform::win32
