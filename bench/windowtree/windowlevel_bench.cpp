// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors

// Two figures of the bounded walk and of the window commands, on a private Xvfb:
//  - the peak memory of opening a process whose four top-levels have 100,000 children
//    (one level of the walk), each with a title and a class of maximal length;
//  - the time of Hide all and Show all on a tree of 65,536 nodes.
// Each is measured in a child process of its own, whose peak resident size (VmHWM) is
// read before and after; the windows are made by another child.
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <unordered_set>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "platform/x11/xcbwindowsystem.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"
#include "tests/support/xserver.h"

namespace {

/// A tree that keeps only its keys: what the walk itself holds shows in the peak.
class KeysOnlyTree final : public pelorus::platform::WindowTree {
public:
    void clear() override { m_keys.clear(); }
    bool addNode(const std::optional<std::string>& parentKey, const std::string& key,
                 const std::string&, int) override {
        if (parentKey && !m_keys.contains(*parentKey))
            return false;
        return m_keys.insert(key).second;
    }
    int nodeCount() const override { return static_cast<int>(m_keys.size()); }
    std::string key(int) const override { return {}; }
    bool isSelected(int) const override { return false; }
    void expand(int) override {}

private:
    std::unordered_set<std::string> m_keys;
};

long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

xcb_atom_t intern(xcb_connection_t* x, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

constexpr int kTopLevels = 4;

/// A child that makes four top-levels with `children` children in all (with maximal texts when
/// asked), says so on `ready` and waits to be ended. Returns its PID.
pid_t makeWindows(const std::string& display, int children, bool texts, int ready) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    xcb_connection_t* x = xcb_connect(display.c_str(), nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const xcb_atom_t netName = intern(x, "_NET_WM_NAME");
    const xcb_atom_t utf8 = intern(x, "UTF8_STRING");
    // 256 code points of 4 bytes (the walk reads 1 KiB of a title) and a class after a
    // long instance name (it reads 4 KiB of WM_CLASS).
    std::string title;
    for (int i = 0; i < 256; ++i)
        title += "\xF0\x9F\x98\x80";
    const std::string wmClass = std::string(2047, 'i') + '\0' + std::string(2047, 'C') + '\0';
    const auto make = [&](xcb_window_t parent) {
        const xcb_window_t window = xcb_generate_id(x);
        xcb_create_window(x, XCB_COPY_FROM_PARENT, window, parent, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        if (texts) {
            xcb_change_property(x, XCB_PROP_MODE_REPLACE, window, netName, utf8, 8,
                                static_cast<std::uint32_t>(title.size()), title.data());
            xcb_change_property(x, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                                8, 1024, std::string(1024, 'n').data());
            xcb_change_property(x, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                                XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(wmClass.size()),
                                wmClass.data());
        }
        return window;
    };
    // Four top-levels share the level: a window lists at most 65,535 children (the
    // protocol counts them in 16 bits).
    for (int t = 0; t < kTopLevels; ++t) {
        const xcb_window_t top = make(screen->root);
        for (int i = t; i < children; i += kTopLevels) {
            make(top);
            if (i % 1000 == 0)
                std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
        }
        xcb_map_subwindows(x, top);
        xcb_map_window(x, top);
    }
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    int errors = 0;
    int firstError = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
        if (event->response_type == 0 && errors++ == 0)
            firstError = reinterpret_cast<xcb_generic_error_t*>(event)->error_code;
        std::free(event);
    }
    if (errors > 0)
        std::printf("  the maker got %d errors (the first: code %d)\n", errors, firstError);
    const char done = 1;
    if (write(ready, &done, 1) != 1)
        _exit(1);
    for (;;)
        pause();
}

/// Runs `work` in a child of its own and prints its peak memory before and after.
template <typename Work>
void measured(const char* what, Work work) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        const long before = peakKiB();
        work();
        std::printf("%s: peak resident %ld KiB before, %ld KiB after\n", what, before, peakKiB());
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

double seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void run(const std::string& display, int children, bool texts) {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const pid_t maker = makeWindows(display, children, texts, fds[1]);
    char ready = 0;
    if (read(fds[0], &ready, 1) != 1)
        std::printf("the windows were not made\n");
    close(fds[0]);
    close(fds[1]);
    using pelorus::details::buildWindowTree;
    if (texts) {
        measured("open, 100,000-window level with maximal texts", [&] {
            pelorus::platform::XcbWindowSystem windows(display);
            KeysOnlyTree tree;
            const auto start = std::chrono::steady_clock::now();
            const auto opened = buildWindowTree(windows, tree, maker, "maker");
            const double taken = seconds(start);
            std::printf("  %d nodes in %.2f s\n", tree.nodeCount(), taken);
        });
    } else {
        measured("Hide all and Show all, 65,536 nodes", [&] {
            pelorus::platform::XcbWindowSystem windows(display);
            pelorus::platform::ProcfsSource processes;
            pelorus::testing::FakeWindowTree tree;
            pelorus::testing::FakeForm form;
            auto opened = buildWindowTree(windows, tree, maker, "maker");
            opened.startTime = pelorus::testing::startTimeOf(processes, maker).value_or(0);
            for (const auto command : {pelorus::platform::ButtonIndex::HideAll,
                                       pelorus::platform::ButtonIndex::ShowAll}) {
                const auto start = std::chrono::steady_clock::now();
                pelorus::details::runWindowCommand(command, tree, windows, form, processes, opened);
                windows.desktop();  // the server has handled everything
                std::printf(
                    "  %s on %d nodes: %.2f s\n",
                    command == pelorus::platform::ButtonIndex::HideAll ? "Hide all" : "Show all",
                    tree.nodeCount(), seconds(start));
            }
        });
    }
    kill(maker, SIGKILL);
    waitpid(maker, nullptr, 0);
}

}  // namespace

int main() {
    auto server = pelorus::testing::XServer::start(pelorus::testing::WindowManager::None);
    if (!server) {
        std::printf("no X server\n");
        return 1;
    }
    run(server->display(), 100000, true);
    run(server->display(), 65532, false);
    return 0;
}
