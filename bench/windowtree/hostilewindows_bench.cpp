// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors

// What X clients that behave badly cost the viewer, on a private Xvfb: one figure per case,
// each measured in a child process of its own (so that a crash is a figure too):
//  - opening a program under whose window another client hung a chain of 20,000 and of
//    30,000 nested windows, through the main window on Qt's offscreen platform, until the
//    window tree has been laid out and drawn;
//  - Hide all on a window whose 200 children carry WM_STATE, under openbox;
//  - the walk of a window with a 200-deep chain under it while another client grabs the
//    server for 4 s and lets it go for a moment (a round trip and 1 ms), over and over.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/frmmain.h"
#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "platform/x11/xcbwindowsystem.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"
#include "tests/support/xserver.h"

namespace {

using pelorus::testing::ChildProcess;
using pelorus::testing::WindowManager;
using pelorus::testing::XServer;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// A test client started on `display`, with the ids it published.
using Client = pelorus::testing::WindowClient;

Client startClient(const std::string& display, const std::vector<std::string>& arguments) {
    return pelorus::testing::startWindowClient(PELORUS_X11_TESTCLIENT, arguments.front(),
                                               {arguments.begin() + 1, arguments.end()}, display,
                                               600000);
}

/// Waits until a window manager has framed `window`: its parent is no longer the root.
void awaitFrame(const std::string& display, unsigned long window) {
    xcb_connection_t* x = xcb_connect(display.c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    pelorus::testing::PollUntil([&] {
        auto* tree =
            xcb_query_tree_reply(x, xcb_query_tree(x, static_cast<xcb_window_t>(window)), nullptr);
        const bool framed = tree != nullptr && tree->parent != root;
        std::free(tree);
        return framed;
    });
    xcb_disconnect(x);
}

/// Runs `work` in a child process and says how it ended.
template <typename Work>
void measured(const char* what, Work work) {
    std::printf("%s\n", what);
    std::fflush(stdout);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        work();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
        std::printf("  crashed with signal %d after %.2f s\n", WTERMSIG(status),
                    secondsSince(start));
    }
}

/// The tree's depth below its top item, counted without recursion.
int treeDepth(QTreeWidget& tree) {
    int deepest = 0;
    std::vector<std::pair<QTreeWidgetItem*, int>> open;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        open.emplace_back(tree.topLevelItem(i), 0);
    while (!open.empty()) {
        const auto [item, depth] = open.back();
        open.pop_back();
        deepest = std::max(deepest, depth);
        for (int i = 0; i < item->childCount(); ++i)
            open.emplace_back(item->child(i), depth + 1);
    }
    return deepest;
}

void openingWithAChain(const std::string& display, int depth) {
    Client innocent = startClient(display, {"toplevels", "1"});
    Client chain =
        startClient(display, {"chain", std::to_string(innocent.ids["T1"]), std::to_string(depth)});
    const std::string title = "open a program with a " + std::to_string(depth) +
                              "-deep chain of another client's windows under its window";
    measured(title.c_str(), [&] {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        int argc = 1;
        char name[] = "bench";
        char* argv[] = {name, nullptr};
        QApplication application(argc, argv);
        const auto platform = pelorus::platform::makeNativePlatform();
        pelorus::app::frmMain form(*platform);
        form.Form_Load();
        form.show();
        const auto& tables = form.taskTables();
        int row = -1;
        for (int slot = 0; slot < tables.TaskCount; ++slot) {
            if (tables.TaskPid[slot] == innocent.process.pid())
                row = slot;
        }
        if (row < 0) {
            std::printf("  the program is not listed\n");
            return;
        }
        QTreeWidgetItem* item = form.eTaskList()->topLevelItem(row);
        form.eTaskList()->setCurrentItem(item);
        item->setSelected(true);
        const auto start = Clock::now();
        form.ShowTaskDetails();
        const double walked = secondsSince(start);
        QApplication::processEvents();
        form.TFRM()->grab();
        QApplication::processEvents();
        std::printf("  %.2f s (the walk %.2f s); %d nodes, %d levels below the process\n",
                    secondsSince(start), walked, static_cast<int>(form.TFRM()->topLevelItemCount()),
                    treeDepth(*form.TFRM()));
    });
}

void hideAllOverStateChildren(const std::string& display) {
    Client client = startClient(display, {"statechildren", "200"});
    awaitFrame(display, client.ids["W"]);
    measured("Hide all on a window with 200 children that carry WM_STATE, under openbox", [&] {
        pelorus::platform::XcbWindowSystem windows(display);
        pelorus::platform::ProcfsSource processes;
        pelorus::testing::FakeWindowTree tree;
        pelorus::testing::FakeForm form;
        auto opened =
            pelorus::details::buildWindowTree(windows, tree, client.process.pid(), "client");
        opened.startTime =
            pelorus::testing::startTimeOf(processes, client.process.pid()).value_or(0);
        const auto start = Clock::now();
        pelorus::details::runWindowCommand(pelorus::platform::ButtonIndex::HideAll, tree, windows,
                                           form, processes, opened);
        std::printf("  %.2f s for %d nodes\n", secondsSince(start), tree.nodeCount());
    });
}

void walkUnderAPulsingGrab(const std::string& display) {
    Client innocent = startClient(display, {"toplevels", "1"});
    Client chain = startClient(display, {"chain", std::to_string(innocent.ids["T1"]), "200"});
    measured("the walk of a window with a 200-deep chain, without a grab", [&] {
        pelorus::platform::XcbWindowSystem windows(display);
        windows.desktop();
        pelorus::testing::FakeWindowTree tree;
        const auto start = Clock::now();
        pelorus::details::buildWindowTree(windows, tree, innocent.process.pid(), "innocent");
        std::printf("  %.2f s, %zu nodes\n", secondsSince(start), tree.nodes.size());
    });
    measured("the same walk while a client grabs the server for 4 s and lets go for 1 ms", [&] {
        pelorus::platform::XcbWindowSystem windows(display);
        windows.desktop();
        Client grabber = startClient(display, {"grabber", "4000", "1"});
        pelorus::testing::FakeWindowTree tree;
        const auto start = Clock::now();
        pelorus::details::buildWindowTree(windows, tree, innocent.process.pid(), "innocent");
        std::printf("  %.2f s, %zu nodes\n", secondsSince(start), tree.nodes.size());
        if (!tree.nodes.empty())
            std::printf("  last node: %s\n", tree.nodes.back().text.c_str());
    });
}

}  // namespace

int main() {
    {
        auto server = XServer::start(WindowManager::None);
        if (!server) {
            std::printf("no X server\n");
            return 1;
        }
        openingWithAChain(server->display(), 20000);
        openingWithAChain(server->display(), 30000);
        walkUnderAPulsingGrab(server->display());
    }
    auto managed = XServer::start(WindowManager::Openbox);
    if (!managed) {
        std::printf("no X server with openbox\n");
        return 1;
    }
    hideAllOverStateChildren(managed->display());
    return 0;
}
