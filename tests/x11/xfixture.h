// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {

/// The system's processes, for the start time an opening checks.
platform::ProcfsSource& procfs();

/// Builds the tree of `pid` as an opening does, with what the tree stands for.
details::OpenedWindows openTree(platform::WindowSystem& windows, FakeWindowTree& tree,
                                platform::Pid pid);

/// The real window system, with a hook before each of its calls and the children each
/// parent had as the last call read them.
class ObservedWindows final : public platform::WindowSystem {
public:
    explicit ObservedWindows(platform::WindowSystem& inner) : m_inner(inner) {}

    void setDeadline(std::optional<Deadline> deadline) override { m_inner.setDeadline(deadline); }
    bool deadlinePassed() const override { return m_inner.deadlinePassed(); }
    bool ownersComparable() override { return m_inner.ownersComparable(); }

    platform::WindowHandle desktop() override {
        called();
        m_desktop = m_inner.desktop();
        return m_desktop;
    }
    std::vector<std::vector<platform::WindowHandle>> children(
        std::span<const platform::WindowHandle> parents) override {
        called();
        auto result = m_inner.children(parents);
        for (std::size_t i = 0; i < parents.size() && i < result.size(); ++i)
            read[parents[i]] = std::set<platform::WindowHandle>(result[i].begin(), result[i].end());
        return result;
    }
    std::vector<platform::Pid> owners(std::span<const platform::WindowHandle> windows) override {
        called();
        auto result = m_inner.owners(windows);
        for (std::size_t i = 0; i < windows.size() && i < result.size(); ++i)
            owner[windows[i]] = result[i];
        return result;
    }
    std::vector<platform::WindowText> texts(
        std::span<const platform::WindowHandle> windows) override {
        called();
        return m_inner.texts(windows);
    }
    bool show(platform::WindowHandle window, const platform::WindowCheck& check) override {
        called();
        return m_inner.show(window, check);
    }
    bool hide(platform::WindowHandle window, const platform::WindowCheck& check) override {
        called();
        return m_inner.hide(window, check);
    }
    bool raise(platform::WindowHandle window, const platform::WindowCheck& check) override {
        called();
        return m_inner.raise(window, check);
    }

    platform::WindowHandle lastDesktop() const { return m_desktop; }

    /// Runs before the call numbered `calls` (from 1).
    std::function<void()> beforeCall;
    int calls = 0;
    std::map<platform::WindowHandle, std::set<platform::WindowHandle>> read;
    std::map<platform::WindowHandle, platform::Pid> owner;

private:
    void called() {
        ++calls;
        if (beforeCall)
            beforeCall();
    }

    platform::WindowSystem& m_inner;
    platform::WindowHandle m_desktop = 0;
};

/// A private X server for one test, the test clients started on it (ended by their PID
/// with the fixture), and a connection of the test's own that reads the server's state
/// independently of the code under test.
class XFixture {
public:
    using Ids = std::map<std::string, xcb_window_t>;
    struct Client {
        ChildProcess process;
        Ids ids;
    };

    /// Starts the server with the manager; false when it could not be started.
    bool startServer(WindowManager manager, bool listenTcp = false);
    bool startServer(bool withWindowManager) {
        return startServer(withWindowManager ? WindowManager::Openbox : WindowManager::None);
    }
    void stopAll();
    ~XFixture() { stopAll(); }

    /// Starts the test client with `arguments` after its mode and its output file and
    /// waits (bounded) until it has published its windows.
    Client* startClient(const std::string& mode, const std::vector<std::string>& arguments = {},
                        const std::string& display = {});

    /// Polls `condition` until it holds or `milliseconds` pass.
    static bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000);

    const std::string& display() const { return m_server->display(); }
    XServer& server() { return *m_server; }
    xcb_connection_t* x() const { return m_x; }
    xcb_window_t root() const { return m_root; }
    bool withManager() const { return m_manager != WindowManager::None; }
    WindowManager manager() const { return m_manager; }

    xcb_atom_t atom(const char* name) const;
    /// The 32-bit values of a property, empty when absent.
    std::vector<std::uint32_t> cardinals(xcb_window_t window, const char* property) const;
    bool hasProperty(xcb_window_t window, const char* property) const;
    /// XCB_MAP_STATE_*, or -1 when the window has gone.
    int mapState(xcb_window_t window) const;
    /// WM_STATE says IconicState, or _NET_WM_STATE holds _NET_WM_STATE_HIDDEN.
    bool iconic(xcb_window_t window) const;
    /// _NET_WM_STATE holds both maximised states.
    bool maximised(xcb_window_t window) const;
    xcb_window_t parentOf(xcb_window_t window) const;
    /// The window's position on the root and its size {x, y, width, height}; empty when
    /// it has gone.
    std::vector<int> placeOf(xcb_window_t window) const;
    /// Moves a top-level as a user would: through the manager when one runs.
    void moveAsUser(xcb_window_t window, int x, int y) const;
    /// Client windows bottom to top: _NET_CLIENT_LIST_STACKING under a manager, else the
    /// root's children.
    std::vector<xcb_window_t> stacking() const;
    /// `windows` in stacking order, topmost first (those not found are left out).
    std::vector<xcb_window_t> topmostFirst(const std::vector<xcb_window_t>& windows) const;
    /// Sends a client message to the root as a pager or a client would.
    void sendToRoot(xcb_window_t window, const char* type, std::vector<std::uint32_t> data) const;

private:
    std::unique_ptr<XServer> m_server;
    std::vector<std::unique_ptr<Client>> m_clients;
    xcb_connection_t* m_x = nullptr;
    xcb_window_t m_root = 0;
    WindowManager m_manager = WindowManager::None;
};

}  // namespace pelorus::testing
