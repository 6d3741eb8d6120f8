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

/// The compositor whose native windows the tree shows, read from the session's
/// environment once; which window systems answer in which session: platform/README.md.
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
