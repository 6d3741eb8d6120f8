// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The window tree and the window commands on a real headless sway, with real native
// Wayland clients; what happened is read back with swaymsg, not through the viewer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "details/windowcommands.h"
#include "details/windownotes.h"
#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "platform/sway/swaywindowsystem.h"
#include "resources/strings.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"
#include "tests/wayland/swayfixture.h"

namespace {

using pelorus::details::OpenedWindows;
using pelorus::platform::ButtonIndex;
using pelorus::platform::kCompositorWindow;
using pelorus::platform::SwayWindowSystem;
using pelorus::platform::UnseenWindows;
using pelorus::testing::ChildProcess;
using pelorus::testing::FakeForm;
using pelorus::testing::FakeWindowTree;
using pelorus::testing::PollUntil;
using pelorus::testing::startWaylandClient;
using pelorus::testing::SwayServer;
using pelorus::testing::SwayWindow;
using pelorus::testing::swayWindows;
using pelorus::testing::swayWindowsOf;
using pelorus::testing::tiledOrder;

pelorus::platform::ProcfsSource& procfs() {
    static pelorus::platform::ProcfsSource source;
    return source;
}

std::string keyOf(std::uint32_t container) {
    char key[16];
    std::snprintf(key, sizeof(key), "S%X", container | 0x80000000U);
    return key;
}

class SwayWindows : public ::testing::Test {
protected:
    void SetUp() override {
        sway = SwayServer::start();
        ASSERT_NE(sway, nullptr) << "sway did not start (Debian package sway)";
        windows = std::make_unique<SwayWindowSystem>(sway->socket());
    }

    OpenedWindows open(pid_t pid, FakeWindowTree& tree) {
        OpenedWindows opened = pelorus::details::buildWindowTree(*windows, tree, pid, "client");
        opened.startTime = pelorus::testing::startTimeOf(procfs(), pid).value_or(0);
        return opened;
    }

    void command(ButtonIndex button, FakeWindowTree& tree, const OpenedWindows& opened) {
        pelorus::details::runWindowCommand(button, tree, *windows, form, procfs(), opened);
    }

    /// Visibility of each window of the compositor by id, read by swaymsg.
    std::map<std::uint32_t, bool> visibility() const {
        std::map<std::uint32_t, bool> result;
        for (const SwayWindow& window : swayWindows(sway->tree()))
            result[window.id] = window.workspace != "__i3_scratch";
        return result;
    }

    std::unique_ptr<SwayServer> sway;
    std::unique_ptr<SwayWindowSystem> windows;
    FakeForm form;
};

// The tree of a process is the compositor's windows of that PID, in its order, each with
// its title, app_id and container id; a window waiting in the scratchpad is one of them,
// the window never shown is not, and another program's windows are not.
TEST_F(SwayWindows, TheTreeHoldsTheCompositorsWindowsOfThatProcess) {
    auto client = startWaylandClient(*sway, 2, 1, "mine");
    auto other = startWaylandClient(*sway, 1, 0, "other");
    ASSERT_GT(client.pid(), 0);
    ASSERT_GT(other.pid(), 0);
    const auto before = swayWindowsOf(sway->tree(), client.pid());
    ASSERT_EQ(before.size(), 3U);
    ASSERT_TRUE(sway->command("[con_id=" + std::to_string(before[1].id) + "] move scratchpad"));
    const auto listed = swayWindowsOf(sway->tree(), client.pid());

    FakeWindowTree tree;
    open(client.pid(), tree);
    std::vector<std::string> expectedKeys{"M" + [&] {
        char hex[16];
        std::snprintf(hex, sizeof(hex), "%X", static_cast<unsigned>(client.pid()));
        return std::string(hex);
    }()};
    for (const SwayWindow& window : listed)
        expectedKeys.push_back(keyOf(window.id));
    EXPECT_EQ(tree.keys(), expectedKeys);
    ASSERT_EQ(tree.nodes.size(), 4U);
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(tree.nodes[i + 1].text, listed[i].name + " (org.pelorus.testclient)   (" +
                                              std::to_string(listed[i].id) + ")");
        EXPECT_EQ(tree.nodes[i + 1].parentKey, expectedKeys.front());
    }
    // The scratchpad's window is listed (first: the scratchpad comes first in the tree).
    EXPECT_EQ(tree.nodes[1].key, keyOf(before[1].id));
    EXPECT_TRUE(windows->unseenWindows().empty());
}

// Hide, Show, Hide all and Show all change the visibility of exactly the opened
// program's windows; Show gives the window the focus; a window the viewer hid goes back
// where it stood: tiled next to its neighbour, floating at its corner.
TEST_F(SwayWindows, CommandsChangeExactlyTheOpenedProgramsWindows) {
    auto other = startWaylandClient(*sway, 1, 0, "other");
    auto client = startWaylandClient(*sway, 2, 1, "mine");
    ASSERT_GT(client.pid(), 0);
    ASSERT_GT(other.pid(), 0);
    const auto start = sway->tree();
    const auto mine = swayWindowsOf(start, client.pid());
    const auto theirs = swayWindowsOf(start, other.pid());
    ASSERT_EQ(mine.size(), 3U);
    ASSERT_EQ(theirs.size(), 1U);
    const std::uint32_t floating = mine[2].id;
    ASSERT_EQ(mine[2].type, "floating_con");
    ASSERT_TRUE(
        sway->command("[con_id=" + std::to_string(floating) + "] move absolute position 130 140"));
    // The tree shows the new place once the client has taken it, and the client area
    // stands below the title bar once the client has agreed to the compositor's
    // decorations (before, it draws its own).
    std::vector<SwayWindow> placed;
    ASSERT_TRUE(PollUntil([&] {
        placed = swayWindowsOf(sway->tree(), client.pid());
        return placed.size() == 3 && placed[2].x == 130 && placed[2].border == "normal";
    }));
    const auto order = tiledOrder(sway->tree(), "1");

    FakeWindowTree tree;
    const OpenedWindows opened = open(client.pid(), tree);
    ASSERT_EQ(tree.nodes.size(), 4U);

    // Hide the first window only.
    tree.selectedIndex = tree.find(keyOf(mine[0].id));
    command(ButtonIndex::Hide, tree, opened);
    auto seen = visibility();
    EXPECT_FALSE(seen[mine[0].id]);
    EXPECT_TRUE(seen[mine[1].id]);
    EXPECT_TRUE(seen[mine[2].id]);
    EXPECT_TRUE(seen[theirs[0].id]);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));

    // Show it: back in its place among the tiled windows, and focused.
    command(ButtonIndex::Show, tree, opened);
    EXPECT_EQ(tiledOrder(sway->tree(), "1"), order);
    const auto shown = swayWindowsOf(sway->tree(), client.pid());
    ASSERT_EQ(shown.size(), 3U);
    EXPECT_TRUE(std::find_if(shown.begin(), shown.end(), [&](const SwayWindow& w) {
                    return w.id == mine[0].id && w.focused;
                }) != shown.end());

    command(ButtonIndex::HideAll, tree, opened);
    seen = visibility();
    for (const auto& window : mine)
        EXPECT_FALSE(seen[window.id]) << window.name;
    EXPECT_TRUE(seen[theirs[0].id]);

    command(ButtonIndex::ShowAll, tree, opened);
    seen = visibility();
    for (const auto& window : mine)
        EXPECT_TRUE(seen[window.id]) << window.name;
    EXPECT_TRUE(seen[theirs[0].id]);
    EXPECT_EQ(tiledOrder(sway->tree(), "1"), order);
    SwayWindow back;
    EXPECT_TRUE(PollUntil([&] {
        for (const SwayWindow& window : swayWindowsOf(sway->tree(), client.pid())) {
            if (window.id == floating)
                back = window;
        }
        return back.x == placed[2].x && back.y == placed[2].y;
    })) << "at "
        << back.x << "," << back.y;
    EXPECT_EQ(back.type, "floating_con");
}

// A window someone else put into the scratchpad is shown as the compositor shows its
// scratchpad: floating, on the workspace in view.
TEST_F(SwayWindows, AWindowHiddenBySomeoneElseIsShownFloating) {
    auto client = startWaylandClient(*sway, 1, 0, "mine");
    ASSERT_GT(client.pid(), 0);
    const auto mine = swayWindowsOf(sway->tree(), client.pid());
    ASSERT_EQ(mine.size(), 1U);
    ASSERT_TRUE(sway->command("[con_id=" + std::to_string(mine[0].id) + "] move scratchpad"));
    FakeWindowTree tree;
    const OpenedWindows opened = open(client.pid(), tree);
    command(ButtonIndex::ShowAll, tree, opened);
    const auto shown = swayWindowsOf(sway->tree(), client.pid());
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].workspace, "1");
    EXPECT_EQ(shown[0].type, "floating_con");
    EXPECT_TRUE(shown[0].visible);
}

// A tree whose program has ended acts on nothing: not on a newer program's windows, not
// even when a new compositor at the same socket gives them the old container ids.
TEST_F(SwayWindows, AStaleTreeActsOnNothing) {
    windows.reset();
    sway.reset();
    char socketPattern[] = "/tmp/pelorus-swaysock-XXXXXX";
    ASSERT_NE(::mkdtemp(socketPattern), nullptr);
    ::chmod(socketPattern, 0777);
    // Removed however the test ends.
    const std::unique_ptr<char, void (*)(char*)> removal(
        socketPattern, [](char* path) { std::filesystem::remove_all(path); });
    const std::string socket = std::string(socketPattern) + "/ipc.sock";
    SwayServer::Options options;
    options.socket = socket;
    sway = SwayServer::start(options);
    ASSERT_NE(sway, nullptr);
    windows = std::make_unique<SwayWindowSystem>(socket);

    auto client = startWaylandClient(*sway, 2, 0, "old");
    ASSERT_GT(client.pid(), 0);
    FakeWindowTree tree;
    const OpenedWindows opened = open(client.pid(), tree);
    ASSERT_EQ(tree.nodes.size(), 3U);
    const auto old = swayWindowsOf(sway->tree(), client.pid());

    // The program ends, the compositor too; a new one at the same socket, and a new
    // program whose windows take the same container ids.
    client.stop();
    sway->stop();
    sway.reset();
    sway = SwayServer::start(options);
    ASSERT_NE(sway, nullptr);
    auto newcomer = startWaylandClient(*sway, 2, 0, "new");
    ASSERT_GT(newcomer.pid(), 0);
    const auto taken = swayWindowsOf(sway->tree(), newcomer.pid());
    ASSERT_EQ(taken.size(), 2U);
    EXPECT_EQ(taken[0].id, old[0].id) << "the scene needs the old ids given again";

    ASSERT_NE(windows->desktop(), 0U);
    for (const ButtonIndex button : {ButtonIndex::HideAll, ButtonIndex::Hide}) {
        tree.selectedIndex = 2;
        command(button, tree, opened);
        for (const auto& window : swayWindowsOf(sway->tree(), newcomer.pid()))
            EXPECT_TRUE(window.visible) << window.name;
    }
    // The commands pass over every node, since the old program has ended; the window
    // system refuses as well, even with a process that still runs: the old program, the
    // creator the check names, owns no such container in the compositor's tree.
    const auto running = procfs().open(
        newcomer.pid(), pelorus::testing::startTimeOf(procfs(), newcomer.pid()).value_or(0));
    ASSERT_NE(running, nullptr);
    const auto container = kCompositorWindow | old[0].id;
    const pelorus::platform::WindowCheck stale{container, opened.pid, running.get()};
    EXPECT_FALSE(windows->hide(container, stale));
    EXPECT_FALSE(windows->raise(container, stale));
    for (const auto& window : swayWindowsOf(sway->tree(), newcomer.pid()))
        EXPECT_TRUE(window.visible) << window.name;
    sway.reset();
}

// A compositor that has gone, or never answered, leaves the tree with its root and the
// reason; one started again is found again.
TEST_F(SwayWindows, ACompositorThatGoesLeavesTheRootAndTheReason) {
    auto client = startWaylandClient(*sway, 1, 0, "mine");
    ASSERT_GT(client.pid(), 0);
    FakeWindowTree tree;
    open(client.pid(), tree);
    ASSERT_EQ(tree.nodes.size(), 2U);

    client.stop();
    sway->stop();
    open(::getpid(), tree);
    pelorus::details::addUnseenWindowNotes(*windows, tree);
    ASSERT_EQ(tree.nodes.size(), 2U);
    EXPECT_EQ(tree.nodes[1].text,
              pelorus::resources::LoadString(pelorus::resources::StringId::CompositorSilent));
    EXPECT_EQ(windows->desktop(), 0U);
    EXPECT_EQ(windows->unseenWindows(),
              std::vector<UnseenWindows>{UnseenWindows::CompositorSilent});
}

// A compositor that stops answering holds no question of the viewer for longer than the
// bound of one request: the desktop is given up, the tree says why, and once the
// compositor answers again the next opening finds it.
TEST_F(SwayWindows, ACompositorThatStopsAnsweringIsGivenUp) {
    auto client = startWaylandClient(*sway, 1, 0, "mine");
    ASSERT_GT(client.pid(), 0);
    ASSERT_NE(windows->desktop(), 0U);
    ASSERT_EQ(::kill(sway->pid(), SIGSTOP), 0);
    FakeWindowTree tree;
    open(client.pid(), tree);
    pelorus::details::addUnseenWindowNotes(*windows, tree);
    ::kill(sway->pid(), SIGCONT);
    ASSERT_EQ(tree.nodes.size(), 2U);
    EXPECT_EQ(tree.nodes[1].text,
              pelorus::resources::LoadString(pelorus::resources::StringId::CompositorSilent));

    open(client.pid(), tree);
    ASSERT_EQ(tree.nodes.size(), 2U);
    EXPECT_EQ(tree.nodes[1].key, keyOf(swayWindowsOf(sway->tree(), client.pid())[0].id));
}

}  // namespace

namespace {

// A compositor in a PID namespace of its own reports its clients' PIDs there, numbers
// that name other processes (or none) in the viewer's: none is believed, no window is
// given to any process, and the tree says why.
TEST(SwayNamespaces, PidsOfAnotherNamespaceAreNotBelieved) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: the compositor runs in a PID namespace of its own";
    SwayServer::Options options;
    options.ownPidNamespace = true;
    const auto sway = SwayServer::start(options);
    ASSERT_NE(sway, nullptr);
    const pid_t compositor = sway->pid();
    ASSERT_GT(compositor, 0);
    auto client = ChildProcess::start({"nsenter", "--target", std::to_string(compositor), "--pid",
                                       "--", PELORUS_WAYLAND_TESTCLIENT, "1", "0", "inner"},
                                      sway->clientEnvironment());
    ASSERT_GT(client.pid(), 0);
    std::vector<SwayWindow> listed;
    ASSERT_TRUE(PollUntil([&] {
        listed = swayWindows(sway->tree());
        return listed.size() == 1;
    }));
    const pid_t inner = static_cast<pid_t>(listed[0].pid);
    // nsenter's child, the client itself.
    pid_t outer = 0;
    std::ifstream(std::string("/proc/") + std::to_string(client.pid()) + "/task/" +
                  std::to_string(client.pid()) + "/children") >>
        outer;
    ASSERT_GT(inner, 0);
    ASSERT_NE(inner, outer) << "the client's PID differs between the namespaces";

    SwayWindowSystem windows(sway->socket());
    const auto desktop = windows.desktop();
    ASSERT_NE(desktop, 0U);
    const auto tops = windows.children(std::span(&desktop, 1));
    ASSERT_EQ(tops.size(), 1U);
    ASSERT_EQ(tops[0].size(), 1U);
    EXPECT_EQ(windows.owners(tops[0]), std::vector<pelorus::platform::Pid>{0});
    EXPECT_EQ(windows.unseenWindows(),
              std::vector<UnseenWindows>{UnseenWindows::CompositorPidsForeign});
    for (const pid_t pid : {inner, outer}) {
        FakeWindowTree tree;
        pelorus::details::buildWindowTree(windows, tree, pid, "client");
        pelorus::details::addUnseenWindowNotes(windows, tree);
        ASSERT_EQ(tree.nodes.size(), 2U) << pid;
        EXPECT_EQ(tree.nodes[1].text, pelorus::resources::LoadString(
                                          pelorus::resources::StringId::CompositorPidsForeign));
    }
}

}  // namespace
