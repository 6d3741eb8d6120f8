// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors

// The round trips to the X server of each window command, on a private Xvfb under no
// window manager and under each manager the tests run under. The opened program has three
// mapped top-levels (managed where a manager runs), each with two child windows that hold
// one child each: 15 windows. One line per command:
//   MANAGER COMMAND WINDOWS ROUND_TRIPS MANAGER_WAITS
// where MANAGER_WAITS counts the hides that waited for the manager to let a window go (a
// wait for an event, no request). Counts, not times: the same on a busy machine.
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "platform/x11/xcbwindowsystem.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"
#include "tests/support/xserver.h"

namespace {

using pelorus::platform::ButtonIndex;
using pelorus::testing::ChildProcess;
using pelorus::testing::WindowManager;
using pelorus::testing::XServer;

constexpr int kTopLevels = 3;
constexpr int kChildren = 2;

/// The test client's "tree" on `display`, with the ids of its top-levels.
using Client = pelorus::testing::WindowClient;

bool startClient(const std::string& display, Client& client) {
    client = pelorus::testing::startWindowClient(
        PELORUS_X11_TESTCLIENT, "tree", {std::to_string(kTopLevels), std::to_string(kChildren)},
        display);
    return client.ids.size() == kTopLevels;
}

/// Waits until the manager has framed and marked every top-level of `client`.
bool awaitManaged(const std::string& display, const Client& client) {
    xcb_connection_t* x = xcb_connect(display.c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const auto wmState = [&] {
        const char name[] = "WM_STATE";
        auto* reply =
            xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, sizeof name - 1, name), nullptr);
        const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }();
    const bool managed = pelorus::testing::PollUntil([&] {
        for (const auto& [name, id] : client.ids) {
            const auto window = static_cast<xcb_window_t>(id);
            auto* tree = xcb_query_tree_reply(x, xcb_query_tree(x, window), nullptr);
            auto* state = xcb_get_property_reply(
                x, xcb_get_property(x, 0, window, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
                nullptr);
            const bool framed = tree != nullptr && tree->parent != root && state != nullptr &&
                                state->type != XCB_ATOM_NONE;
            std::free(tree);
            std::free(state);
            if (!framed)
                return false;
        }
        return true;
    });
    xcb_disconnect(x);
    return managed;
}

void measure(WindowManager manager) {
    const auto server = XServer::start(manager);
    if (server == nullptr) {
        std::fprintf(stderr, "windowcommands: no X server with %s\n",
                     pelorus::testing::managerName(manager));
        return;
    }
    Client client;
    if (!startClient(server->display(), client) ||
        (manager != WindowManager::None && !awaitManaged(server->display(), client))) {
        std::fprintf(stderr, "windowcommands: the client's windows did not come up under %s\n",
                     pelorus::testing::managerName(manager));
        return;
    }
    pelorus::platform::XcbWindowSystem windows(server->display());
    pelorus::platform::ProcfsSource processes;
    pelorus::testing::FakeWindowTree tree;
    pelorus::testing::FakeForm form;
    auto opened = pelorus::details::buildWindowTree(windows, tree, client.process.pid(), "client");
    opened.startTime = pelorus::testing::startTimeOf(processes, client.process.pid()).value_or(0);
    const int windowNodes = tree.nodeCount() - 1;
    // Node 2 is the topmost top-level; the node after the top-levels is its first child.
    const int topLevel = 2;
    const int child = 2 + kTopLevels;

    const auto run = [&](const char* name, ButtonIndex command, int selected, int count) {
        tree.selectedIndex = selected;
        const std::size_t trips = windows.roundTrips();
        const std::size_t waits = windows.withdrawalWaits();
        pelorus::details::runWindowCommand(command, tree, windows, form, processes, opened);
        std::printf("%s %s %d %zu %zu\n", pelorus::testing::managerName(manager), name, count,
                    windows.roundTrips() - trips, windows.withdrawalWaits() - waits);
    };
    run("Hide", ButtonIndex::Hide, topLevel, 1);
    run("Show", ButtonIndex::Show, topLevel, 1);
    run("HideChild", ButtonIndex::Hide, child, 1);
    run("ShowChild", ButtonIndex::Show, child, 1);
    run("HideAll", ButtonIndex::HideAll, 0, windowNodes);
    run("ShowAll", ButtonIndex::ShowAll, 0, windowNodes);
    std::fflush(stdout);
}

}  // namespace

int main() {
    for (const auto manager : {WindowManager::None, WindowManager::Openbox, WindowManager::Icewm,
                               WindowManager::Fluxbox}) {
        measure(manager);
    }
    return 0;
}
