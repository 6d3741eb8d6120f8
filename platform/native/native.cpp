// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/joinedwindowsystem.h"
#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "platform/sway/swaywindowsystem.h"
#include "platform/sway/waylandprobe.h"
#include "platform/x11/connectprobe.h"
#include "platform/x11/xcbwindowsystem.h"

namespace pelorus::platform {
namespace {

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

/// Which window systems answer, read from the session's environment once:
/// - X, for the X windows (Xwayland's too), wherever DISPLAY names a server: the X
///   window system connects on first use and finds no desktop without one;
/// - a compositor that speaks sway's IPC, for the native Wayland windows, where SWAYSOCK
///   names its socket (sway sets it for every program it starts);
/// - both joined where both answer: a Wayland session with Xwayland.
/// A Wayland session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland) without such a
/// compositor (GNOME's, or KDE Plasma's, which the viewer does not speak) has native
/// windows that no program can see: the tree says so.
std::unique_ptr<WindowSystem> compositorOfSession() {
    const std::string_view socket = environment("SWAYSOCK");
    if (socket.empty())
        return nullptr;
    return std::make_unique<SwayWindowSystem>(std::string(socket));
}

bool waylandSession() {
    return !environment("WAYLAND_DISPLAY").empty() || environment("XDG_SESSION_TYPE") == "wayland";
}

class NativePlatform final : public Platform {
public:
    ProcessSource& processSource() override { return m_procfs; }
    ProcessControl& processControl() override { return m_control; }
    WindowSystem& windowSystem() override { return m_windows; }

private:
    ProcfsSource m_procfs;
    PidfdProcessControl m_control;
    XcbWindowSystem m_x;
    std::unique_ptr<WindowSystem> m_compositor = compositorOfSession();
    JoinedWindowSystem m_windows{m_x, m_compositor.get(), waylandSession()};
};

}  // namespace

std::unique_ptr<Platform> makeNativePlatform() {
    return std::make_unique<NativePlatform>();
}

bool xDisplayAnswers(const std::string& display) {
    return xServerAnswers(display, kXConnectLimit);
}

bool waylandSocketAnswers(const std::string& path) {
    return waylandCompositorAnswers(path);
}

}  // namespace pelorus::platform
