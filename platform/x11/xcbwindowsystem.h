// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/windowsystem.h"

namespace pelorus::platform {

namespace x11 {
class Connection;
struct FramePlace;
}  // namespace x11

/// The desktop's windows as an X server reports them, over an xcb connection of its own
/// that desktop() opens on first use (an empty display name means $DISPLAY) and checks on
/// every later call. Its bounds on a stalled or slow server, its batching, whose PIDs it
/// believes, and how each window manager takes its commands: platform/README.md (x11/).
class XcbWindowSystem final : public WindowSystem {
public:
    static constexpr std::size_t kRememberedPlaces = 65536;

    explicit XcbWindowSystem(std::string displayName = {});
    ~XcbWindowSystem() override;
    XcbWindowSystem(const XcbWindowSystem&) = delete;
    XcbWindowSystem& operator=(const XcbWindowSystem&) = delete;

    WindowHandle desktop() override;
    bool ownersComparable() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    /// The creator's PID by the X-Resource extension; the window's _NET_WM_PID only where
    /// the server knows none and WM_CLIENT_MACHINE names this host; 0 for a window that no
    /// longer exists, whatever client's id range it lies in.
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    /// The title is _NET_WM_NAME, else WM_NAME; the class is WM_CLASS's second string. Each
    /// is cut at its first NUL, made valid UTF-8 (a STRING that is not UTF-8 read as
    /// Latin-1, any other stray byte U+FFFD) and cut at 254 code points.
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    /// Maps the window, puts back a frame this object withdrew, activates a managed
    /// top-level or a minimised window, and restacks the window above its siblings.
    bool show(WindowHandle window, const WindowCheck& check) override;
    /// Unmaps the window; a managed top-level is also withdrawn (the synthetic
    /// UnmapNotify) with its frame's place remembered, and the call waits for its manager
    /// to let it go (x11::awaitWithdrawal).
    bool hide(WindowHandle window, const WindowCheck& check) override;
    /// Activates a managed top-level and restacks the window above its siblings.
    bool raise(WindowHandle window, const WindowCheck& check) override;

    /// For tests: takes the events that wait on the connection and returns their number,
    /// which is 0 when each call has left the queue empty as it should.
    std::size_t takeWaitingEvents();
    /// For tests: how often a hide has waited for a manager to let a window go.
    std::size_t withdrawalWaits() const { return m_withdrawalWaits; }
    /// For tests and the benchmarks: the round trips of the present connection so far
    /// (see x11::Connection::roundTrips), 0 without one.
    std::size_t roundTrips() const;

private:
    std::string m_displayName;
    std::unique_ptr<x11::Connection> m_connection;
    std::unordered_map<WindowHandle, std::unique_ptr<x11::FramePlace>> m_hiddenPlaces;
    std::size_t m_withdrawalWaits = 0;
};

}  // namespace pelorus::platform
