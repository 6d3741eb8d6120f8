// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/sway/swaytree.h"
#include "platform/windowsystem.h"

namespace pelorus::platform {

namespace sway {
class IpcConnection;
}  // namespace sway

/// The native Wayland windows of a compositor that speaks sway's IPC (sway-ipc(7)), over
/// a connection of its own to the socket it is given ($SWAYSOCK).
///
/// Handles: container id N is the handle kCompositorWindow | N, so the window's node key
/// is "S8" followed by the id's digits; the node's text shows N itself
/// (WindowText::shownNumber). The desktop is the compositor's root container.
///
/// Connection: desktop() opens it on first use and opens a new one when the last broke;
/// each request is bounded by sway::kReplyLimit, and a compositor that lets that pass or
/// has gone breaks the connection: the call answers as if there were no compositor, and
/// so do the others until the next desktop(). No call waits on the compositor for longer
/// than that bound once for each request it makes (at most three).
///
/// Every question asks the compositor for its whole tree afresh (GET_TREE): nothing is
/// kept from one call to the next but the places of the windows this object hid. So a
/// command's check, made in the same tree it acts from, sees the compositor as it is then.
///
/// Windows: children(desktop()) lists the clients' own windows (Wayland's xdg_shell) in
/// the tree's order, the scratchpad's first; Xwayland windows are left to the X window
/// system, which finds them with their child windows. A native window has no child
/// windows here (its popups are not in the compositor's tree).
///
/// Owners: the PID the compositor reports, and only when the compositor runs in the
/// viewer's own PID namespace (checked by the kernel for the connection's other end, once
/// per connection); otherwise every owner is 0 and unseenWindows() says why. Texts: the
/// title is the container's name, the class its app_id, each valid UTF-8 cut to
/// MaxWindowTextLength code points.
///
/// Commands: hide() moves the window to the scratchpad. show() brings a window out of
/// the scratchpad: one that this object hid goes back to its workspace, floating where it
/// stood or tiled next to the neighbour it had (through a mark of the viewer's own on that
/// neighbour, removed at once; its size is the layout's); one hidden by someone else is
/// shown as the compositor shows a scratchpad window, floating on the current workspace;
/// then it gives the window the focus, which brings its workspace into view. raise() gives
/// it the focus. The compositor has no minimised state, and a fullscreen window stays so.
/// At most kRememberedPlaces places are kept.
///
/// Identity: a command acts only on a container whose PID in the tree it acts from is the
/// check's creator (a compositor's window has no window above it, so the check names the
/// window itself), and carries that PID in its criteria, so the compositor itself refuses
/// a container that no longer belongs to it. Container ids are not reused while the
/// compositor runs.
class SwayWindowSystem final : public WindowSystem {
public:
    static constexpr std::size_t kRememberedPlaces = 65536;

    explicit SwayWindowSystem(std::string socketPath);
    ~SwayWindowSystem() override;
    SwayWindowSystem(const SwayWindowSystem&) = delete;
    SwayWindowSystem& operator=(const SwayWindowSystem&) = delete;

    WindowHandle desktop() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    bool show(WindowHandle window, const WindowCheck& check) override;
    bool hide(WindowHandle window, const WindowCheck& check) override;
    bool raise(WindowHandle window, const WindowCheck& check) override;
    std::vector<UnseenWindows> unseenWindows() override;

private:
    /// The compositor's tree now; nullopt without an answer.
    std::optional<sway::Tree> tree();
    /// Runs `commands`; the success of each.
    std::vector<bool> run(const std::string& commands);
    /// The window of `handle` in `tree` when `check` holds for it; null when it is no
    /// container of this compositor, has gone or the check fails.
    const sway::Window* checked(const sway::Tree& tree, WindowHandle handle,
                                const WindowCheck& check) const;
    void putBack(const sway::Tree& tree, const sway::Window& window, Pid owner);

    std::string m_socketPath;
    std::unique_ptr<sway::IpcConnection> m_connection;
    bool m_pidsOwn = false;
    bool m_answered = false;
    std::unordered_map<std::uint32_t, sway::Place> m_hiddenPlaces;
};

}  // namespace pelorus::platform
