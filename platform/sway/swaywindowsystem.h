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
/// a connection of its own to the socket it is given ($SWAYSOCK), which desktop() opens
/// on first use and again when the last broke. Its handles, bounds, owners and how its
/// commands use the scratchpad: platform/README.md (sway/, Windows on Wayland).
class SwayWindowSystem final : public WindowSystem {
public:
    static constexpr std::size_t kRememberedPlaces = 65536;

    explicit SwayWindowSystem(std::string socketPath);
    ~SwayWindowSystem() override;
    SwayWindowSystem(const SwayWindowSystem&) = delete;
    SwayWindowSystem& operator=(const SwayWindowSystem&) = delete;

    WindowHandle desktop() override;
    /// For the desktop the clients' own (xdg_shell) windows in the tree's order, the
    /// scratchpad's first; a native window has none (its popups are not in the tree).
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    /// The container's name and its app_id, each valid UTF-8 cut to MaxWindowTextLength.
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
