// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/windowsystem.h"

namespace pelorus::platform {

/// The X windows and a Wayland compositor's native windows as one desktop, what a Wayland
/// session with Xwayland shows: a handle with the kCompositorWindow bit goes to the
/// compositor, any other to X; questions about many windows cost one call to each side.
/// desktop() is X's root when an X server answers, else the compositor's root. A command
/// whose check names a window of the other side fails. unseenWindows(): the compositor's
/// reasons (without one in a Wayland session, that native windows cannot be seen), then X's.
class JoinedWindowSystem final : public WindowSystem {
public:
    /// `compositor` null: no compositor interface to ask. `waylandSession`: the viewer runs
    /// in a Wayland session, where native windows exist whether or not they can be seen.
    JoinedWindowSystem(WindowSystem& x, WindowSystem* compositor, bool waylandSession)
        : m_x(x), m_compositor(compositor), m_waylandSession(waylandSession) {}

    /// Bounds both sides' questions as well.
    void setDeadline(std::optional<Deadline> deadline) override;
    /// X's owners, or else the compositor's: where X counts processes in another PID
    /// namespace its windows answer no owner, while the compositor's native ones keep
    /// theirs (checked on its own side).
    bool ownersComparable() override;
    WindowHandle desktop() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    bool show(WindowHandle window, const WindowCheck& check) override;
    bool hide(WindowHandle window, const WindowCheck& check) override;
    bool raise(WindowHandle window, const WindowCheck& check) override;
    std::vector<UnseenWindows> unseenWindows() override;

private:
    WindowSystem* sideOf(WindowHandle window) const;
    /// The side of a command's window, null when its check names a window of the other.
    WindowSystem* sideOf(WindowHandle window, const WindowCheck& check) const;

    WindowSystem& m_x;
    WindowSystem* m_compositor;
    bool m_waylandSession;
    WindowHandle m_xDesktop = 0;
    WindowHandle m_compositorDesktop = 0;
};

}  // namespace pelorus::platform
