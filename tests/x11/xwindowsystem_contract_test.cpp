// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The X window system holds to the window seam's contract, under no window manager and
// under each manager the tests run under.
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/x11/xcbwindowsystem.h"
#include "tests/contract/windowsystemcontract.h"
#include "tests/support/starttime.h"
#include "tests/x11/xfixture.h"

namespace pelorus::testing {
namespace {

constexpr std::uint32_t kIconicState = 3;

/// The test client's top-levels T1, T2, T3 (on top), each with two children, on a
/// private X server; the children of T1 are read from the server.
class XDesktop final : public ContractDesktop {
public:
    static std::unique_ptr<ContractDesktop> start(WindowManager manager) {
        auto desktop = std::make_unique<XDesktop>();
        return desktop->setUp(manager) ? std::move(desktop) : nullptr;
    }

    platform::WindowSystem& windows() override { return *m_windows; }
    std::vector<platform::WindowHandle> topLevels() override { return m_tops; }
    platform::WindowHandle child() override { return m_children.front(); }
    platform::WindowHandle siblingAbove() override { return m_children.back(); }
    platform::WindowCheck check(platform::WindowHandle window) override {
        return {window, m_client->process.pid(), m_process.get()};
    }
    platform::OpenedProcess& endedProcess() override { return *m_ended; }

    bool put(platform::WindowHandle window, State state) override {
        switch (state) {
            case State::Hidden:
                // As a client withdraws its own window (ICCCM): unmapped, and the synthetic
                // UnmapNotify for a manager that did not see the real one.
                xcb_unmap_window(m_x.x(), window);
                if (m_x.withManager())
                    sendUnmapNotify(window);
                xcb_flush(m_x.x());
                break;
            case State::Minimised:
                if (!m_x.withManager())
                    return false;
                m_x.sendToRoot(window, "WM_CHANGE_STATE", {kIconicState});
                break;
            case State::Maximised:
                if (!m_x.withManager())
                    return false;
                m_x.sendToRoot(window, "_NET_WM_STATE",
                               {1, m_x.atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                                m_x.atom("_NET_WM_STATE_MAXIMIZED_HORZ"), 2});
                break;
            default:
                return false;
        }
        // A manager's withdrawal ends when it hands the window back to the root; a Show
        // that comes before then may be dropped with the frame it was sent into.
        const bool released = state != State::Hidden || !m_x.withManager() ||
                              XFixture::waitFor([&] { return m_x.parentOf(window) == m_x.root(); });
        return released && becomes(window, state);
    }
    bool becomes(platform::WindowHandle window, State state) override {
        return XFixture::waitFor([&] { return stateOf(window) == state; });
    }
    bool becomesTopmost(platform::WindowHandle window) override {
        if (std::find(m_tops.begin(), m_tops.end(), window) != m_tops.end()) {
            return XFixture::waitFor([&] {
                const auto order = m_x.topmostFirst(m_tops);
                return !order.empty() && order.front() == window;
            });
        }
        return XFixture::waitFor([&] {
            const auto order = childrenOf(m_x.parentOf(window));
            return !order.empty() && order.back() == window;
        });
    }
    void destroy(platform::WindowHandle window) override {
        xcb_destroy_window(m_x.x(), window);
        xcb_flush(m_x.x());
        XFixture::waitFor([&] { return m_x.mapState(window) == -1; });
    }

private:
    bool setUp(WindowManager manager) {
        if (!m_x.startServer(manager))
            return false;
        m_client = m_x.startClient("tree", {"3", "2"});
        if (m_client == nullptr)
            return false;
        for (const char* name : {"T1", "T2", "T3"})
            m_tops.push_back(m_client->ids[name]);
        const bool up = XFixture::waitFor([&] {
            return std::all_of(m_tops.begin(), m_tops.end(), [&](xcb_window_t window) {
                return m_x.mapState(window) == XCB_MAP_STATE_VIEWABLE &&
                       (!m_x.withManager() || m_x.hasProperty(window, "WM_STATE"));
            });
        });
        m_children = childrenOf(m_tops.front());
        if (!up || m_children.size() != 2)
            return false;
        m_windows = std::make_unique<platform::XcbWindowSystem>(m_x.display());
        const platform::Pid pid = m_client->process.pid();
        m_process = procfs().open(pid, startTimeOf(procfs(), pid).value_or(0));
        m_endedChild = ChildProcess::start({"sleep", "600"});
        const platform::Pid ended = m_endedChild.pid();
        m_ended = procfs().open(ended, startTimeOf(procfs(), ended).value_or(0));
        m_endedChild.stop();
        return m_windows->desktop() != 0 && m_process != nullptr && m_ended != nullptr;
    }

    /// The children of `parent`, bottom to top.
    std::vector<xcb_window_t> childrenOf(xcb_window_t parent) const {
        auto* reply = xcb_query_tree_reply(m_x.x(), xcb_query_tree(m_x.x(), parent), nullptr);
        std::vector<xcb_window_t> children;
        if (reply != nullptr) {
            const xcb_window_t* first = xcb_query_tree_children(reply);
            children.assign(first, first + xcb_query_tree_children_length(reply));
        }
        std::free(reply);
        return children;
    }

    State stateOf(xcb_window_t window) const {
        const int map = m_x.mapState(window);
        if (map == -1)
            return State::Gone;
        // A manager holds a minimised top-level in its frame; one it has withdrawn is
        // hidden, whatever WM_STATE it left behind (fluxbox leaves IconicState there).
        const bool held = !m_x.withManager() || m_x.parentOf(window) != m_x.root();
        if (m_x.iconic(window) && held)
            return State::Minimised;
        if (map == XCB_MAP_STATE_UNMAPPED)
            return State::Hidden;
        if (map != XCB_MAP_STATE_VIEWABLE)
            return State::Gone;  // mapped under an unmapped parent: in no state of the suite
        return m_x.maximised(window) ? State::Maximised : State::Normal;
    }

    void sendUnmapNotify(xcb_window_t window) const {
        xcb_unmap_notify_event_t notify{};
        notify.response_type = XCB_UNMAP_NOTIFY;
        notify.event = m_x.root();
        notify.window = window;
        std::array<char, 32> buffer{};
        std::memcpy(buffer.data(), &notify, sizeof notify);
        xcb_send_event(m_x.x(), 0, m_x.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       buffer.data());
    }

    XFixture m_x;
    XFixture::Client* m_client = nullptr;
    std::vector<platform::WindowHandle> m_tops;
    std::vector<xcb_window_t> m_children;
    std::unique_ptr<platform::XcbWindowSystem> m_windows;
    std::unique_ptr<platform::OpenedProcess> m_process;
    ChildProcess m_endedChild;
    std::unique_ptr<platform::OpenedProcess> m_ended;
};

ContractTarget onX(WindowManager manager) {
    return {managerName(manager), [manager] { return XDesktop::start(manager); }};
}

INSTANTIATE_TEST_SUITE_P(X, WindowSystemContract,
                         ::testing::Values(onX(WindowManager::None), onX(WindowManager::Openbox),
                                           onX(WindowManager::Icewm), onX(WindowManager::Fluxbox)),
                         contractName);

}  // namespace
}  // namespace pelorus::testing
