// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/xserver.h"

namespace pelorus::testing {

/// A private headless sway for one test, run as an ordinary user (nobody when the test
/// runs as root: sway refuses root) in a runtime directory of its own, and ended by its
/// PID. The test reads the compositor's state with sway's own client, swaymsg, never
/// through the code under test.
class SwayServer {
public:
    struct Options {
        /// Starts Xwayland with the compositor (its DISPLAY then in xDisplay()).
        bool xwayland = false;
        /// Runs the compositor in a PID namespace of its own (needs root).
        bool ownPidNamespace = false;
        /// The IPC socket's path; empty for sway's own choice.
        std::string socket;
    };

    /// Null when sway could not be started or did not answer.
    static std::unique_ptr<SwayServer> start(const Options& options);
    static std::unique_ptr<SwayServer> start() { return start(Options{}); }
    ~SwayServer();
    SwayServer(const SwayServer&) = delete;
    SwayServer& operator=(const SwayServer&) = delete;

    /// Ends the compositor now (its socket files stay until this object goes).
    void stop();

    /// The compositor's PID in the test's PID namespace.
    pid_t pid() const;
    /// The IPC socket ($SWAYSOCK).
    const std::string& socket() const { return m_socket; }
    /// The Wayland socket, as an absolute path (WAYLAND_DISPLAY may be one).
    const std::string& waylandDisplay() const { return m_wayland; }
    /// Xwayland's display (":N"), with Options::xwayland.
    const std::string& xDisplay() const { return m_xDisplay; }

    /// The environment of a client of this compositor, run by the test (as root or the
    /// test's own user): the Wayland socket, a runtime directory of the client's own.
    std::vector<std::string> clientEnvironment() const;

    /// GET_TREE, read by swaymsg.
    nlohmann::json tree() const;
    /// Runs a command through swaymsg; whether every part of it succeeded.
    bool command(const std::string& command) const;

private:
    SwayServer() = default;
    std::string m_runtime;
    std::string m_clientRuntime;
    std::string m_socket;
    std::string m_wayland;
    std::string m_xDisplay;
    /// unshare, with Options::ownPidNamespace; the compositor is its child.
    bool m_namespaced = false;
    ChildProcess m_sway;
};

/// A window of the compositor's tree as the test reads it.
struct SwayWindow {
    std::uint32_t id = 0;
    std::int64_t pid = 0;
    std::string name;
    std::string appId;
    std::string shell;
    std::string type;       ///< con (tiled) or floating_con
    std::string workspace;  ///< "__i3_scratch" while in the scratchpad
    std::string border;     ///< "normal" with a title bar; "csd" while the client draws its own
    bool visible = false;
    bool focused = false;
    std::int64_t x = 0;  ///< the client area's corner
    std::int64_t y = 0;
};

/// Every window (a container with a shell) of `tree`, in the tree's order.
std::vector<SwayWindow> swayWindows(const nlohmann::json& tree);
/// Those of process `pid`.
std::vector<SwayWindow> swayWindowsOf(const nlohmann::json& tree, std::int64_t pid);
/// The ids, in order, of the tiled windows of workspace `workspace`.
std::vector<std::uint32_t> tiledOrder(const nlohmann::json& tree, const std::string& workspace);

/// The native test client (tests/wayland/helpers/waylandclient.cpp) on `sway`: `tiled`
/// and `floating` windows titled PREFIX 1, PREFIX 2..., and one never shown; waits
/// (bounded) until the compositor lists all of them. pid() <= 0 when it failed.
ChildProcess startWaylandClient(const SwayServer& sway, int tiled, int floating,
                                const std::string& prefix);

}  // namespace pelorus::testing
