// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/text/hex.h"
#include "platform/x11/xcbwindowsystem.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/x11/xfixture.h"

// The window system against an X server that goes away or stops answering in the middle
// of a walk or a command, and against a client that makes and destroys windows as fast
// as it can. All on Xvfb without a window manager.
namespace pelorus::details {
namespace {

using platform::Pid;
using platform::WindowHandle;
using testing::ObservedWindows;
using testing::openTree;
using testing::procfs;
using testing::XFixture;

std::string Key(WindowHandle window) {
    return "S" + text::keyHex(window);
}

/// Whether the process has stopped (state T in /proc/PID/stat).
bool isStopped(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto end = text.rfind(") ");
    return end != std::string::npos && end + 2 < text.size() && text[end + 2] == 'T';
}

/// Stops the server and returns once it has stopped.
void stopServer(pid_t server) {
    ASSERT_EQ(::kill(server, SIGSTOP), 0);
    ASSERT_TRUE(testing::PollUntil([&] { return isStopped(server); }));
}

/// Lets a stopped server go on after a minute, should the code under test still wait for
/// it by then: a liveness guard with a huge margin over the reply limit, not a timing.
class Watchdog {
public:
    explicit Watchdog(pid_t server)
        : m_thread([this, server] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::seconds(60), [this] { return m_over; })) {
                  m_fired = true;
                  ::kill(server, SIGCONT);
              }
          }) {}
    ~Watchdog() { finish(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    /// Ends the watch; true when it had to wake the server.
    bool finish() {
        {
            const std::lock_guard lock(m_mutex);
            m_over = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_over = false;
    bool m_fired = false;
    std::thread m_thread;
};

/// Four top-levels with 600 children each, and a grandchild under each child: 4,805
/// nodes, several calls per tree level.
class XFaults : public ::testing::Test {
protected:
    static constexpr std::size_t kFullTree = 1 + 4 + 4 * 600 * 2;

    void SetUp() override {
        ASSERT_TRUE(x.startServer(testing::WindowManager::None));
        client = x.startClient("tree", {"4", "600"});
        ASSERT_NE(client, nullptr);
    }

    /// A new server and client for the next round (the first round has them already).
    void restart() {
        if (std::exchange(m_fresh, false))
            return;
        x.stopAll();
        SetUp();
    }

    /// After the server has gone: no desktop, a walk of the process's root alone, a
    /// command that does nothing but hide and show the form.
    void expectGoneServer(platform::WindowSystem& windows, const OpenedWindows& opened) {
        EXPECT_EQ(windows.desktop(), 0u);
        testing::FakeWindowTree tree;
        buildWindowTree(windows, tree, client->process.pid(), "client");
        EXPECT_EQ(tree.nodes.size(), 1u);
        testing::FakeForm form;
        runWindowCommand(platform::ButtonIndex::ShowAll, tree, windows, form, procfs(), opened);
        EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));
    }

    /// Whether the killed server's display number stayed free. A server that a test
    /// running in parallel starts in the instant between the kill and the reservation may
    /// take it; what the viewer did before the kill still counts, but the display now
    /// leads to that server, so the round's checks of a gone server are left out.
    static bool expectDisplayKept(bool reserved) {
        if (!reserved)
            std::cout << "[ note ] another server took the display number; the checks of "
                         "a gone server are left out this round\n";
        return reserved;
    }

    XFixture x;
    XFixture::Client* client = nullptr;

private:
    bool m_fresh = true;
};

TEST_F(XFaults, AServerKilledDuringAWalkEndsItWithATreeAsFarAsItGot) {
    // The kill lands anywhere from before the first call to after the last: in a write,
    // in the wait for a reply, between calls. Each round has a server of its own.
    for (const int delay : {0, 1, 2, 5, 10, 20, 50}) {
        SCOPED_TRACE("kill after " + std::to_string(delay) + " ms");
        ASSERT_NO_FATAL_FAILURE(restart());
        platform::XcbWindowSystem windows(x.display());
        ASSERT_NE(windows.desktop(), 0u);
        testing::FakeWindowTree tree;
        bool reserved = false;
        std::thread killer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            reserved = x.server().kill();
        });
        const OpenedWindows opened = openTree(windows, tree, client->process.pid());
        killer.join();
        EXPECT_LE(tree.nodes.size(), kFullTree);
        EXPECT_EQ(opened.nodes.size() + 1, tree.nodes.size());
        std::cout << "[ walk ] killed after " << delay << " ms: " << tree.nodes.size() << " of "
                  << kFullTree << " nodes\n";
        if (expectDisplayKept(reserved))
            expectGoneServer(windows, opened);
    }
}

TEST_F(XFaults, AServerKilledDuringHideAllOrShowAllEndsTheCommand) {
    for (const int delay : {0, 5, 20, 80}) {
        for (const auto command :
             {platform::ButtonIndex::HideAll, platform::ButtonIndex::ShowAll}) {
            SCOPED_TRACE("kill after " + std::to_string(delay) + " ms");
            ASSERT_NO_FATAL_FAILURE(restart());
            platform::XcbWindowSystem windows(x.display());
            testing::FakeWindowTree tree;
            const OpenedWindows opened = openTree(windows, tree, client->process.pid());
            ASSERT_EQ(tree.nodes.size(), kFullTree);
            testing::FakeForm form;
            bool reserved = false;
            std::thread killer([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(delay));
                reserved = x.server().kill();
            });
            runWindowCommand(command, tree, windows, form, procfs(), opened);
            killer.join();
            EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));
            if (expectDisplayKept(reserved))
                expectGoneServer(windows, opened);
        }
    }
}

// The server stops (SIGSTOP) at a chosen call of a walk and of a command and stays
// stopped: each returns after one reply limit (kXReplyLimit), with what it had, and once
// the server goes on the next walk is whole again.
TEST_F(XFaults, AServerThatStopsAnsweringHoldsAWalkOrACommandForOneReplyLimit) {
    const pid_t server = x.server().serverPid();
    platform::XcbWindowSystem real(x.display());
    ObservedWindows windows(real);
    const auto walk = [&](testing::FakeWindowTree& tree) {
        return openTree(windows, tree, client->process.pid());
    };

    // Calls 1..4 read the top-levels; the fifth asks for their children.
    testing::FakeWindowTree cut;
    windows.beforeCall = [&] {
        if (windows.calls == 5)
            stopServer(server);
    };
    Watchdog walkGuard(server);
    walk(cut);
    EXPECT_FALSE(walkGuard.finish()) << "the walk waited until the server went on";
    ::kill(server, SIGCONT);
    windows.beforeCall = nullptr;

    testing::FakeWindowTree whole;
    const OpenedWindows opened = walk(whole);
    ASSERT_EQ(whole.nodes.size(), kFullTree);
    // The top-levels, as far as it got; what the walk holds is how the whole tree begins.
    ASSERT_EQ(cut.nodes.size(), 5u);
    const auto cutKeys = cut.keys();
    const auto wholeKeys = whole.keys();
    EXPECT_TRUE(std::equal(cutKeys.begin(), cutKeys.end(), wholeKeys.begin()));

    // Hide all stops well inside its run of calls (one per window).
    windows.calls = 0;
    windows.beforeCall = [&] {
        if (windows.calls == 1000)
            stopServer(server);
    };
    testing::FakeForm form;
    Watchdog commandGuard(server);
    runWindowCommand(platform::ButtonIndex::HideAll, whole, windows, form, procfs(), opened);
    EXPECT_FALSE(commandGuard.finish()) << "the command waited until the server went on";
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));
    // The first nodes were hidden; nothing after the stall reached the server.
    ::kill(server, SIGCONT);
    windows.beforeCall = nullptr;
    EXPECT_EQ(x.mapState(opened.nodes.front().window), XCB_MAP_STATE_UNMAPPED);
    EXPECT_NE(x.mapState(opened.nodes.back().window), XCB_MAP_STATE_UNMAPPED);

    testing::FakeWindowTree again;
    walk(again);
    EXPECT_EQ(again.nodes.size(), kFullTree);

    // The owners of one chunk of a walk come to more requests than the socket holds
    // (288 KiB): had they gone out at once, the write would wait for the stopped server.
    stopServer(server);
    Watchdog writeGuard(server);
    const std::vector<WindowHandle> many(kWalkChunk, client->ids["T1"]);
    EXPECT_EQ(real.owners(many), std::vector<Pid>(many.size(), 0));
    EXPECT_FALSE(writeGuard.finish()) << "the requests waited until the server went on";
    ::kill(server, SIGCONT);
}

// A client makes and destroys top-levels with children as fast as it can while the tree
// of its windows is built 500 times and Hide all and Show all run on each. Each tree holds
// what the walk read: every window once, a top-level only when the client owned it, any
// other under the window whose children listed it, and the client's windows that stay are
// always there. (An id the client frees may come back for a newer window during a walk:
// the tree holds the first.)
TEST(XWindowStorm, WalksAndCommandsKeepUpWithWindowsComingAndGoing) {
    XFixture x;
    ASSERT_TRUE(x.startServer(testing::WindowManager::None));
    XFixture::Client* storm = x.startClient("churn");
    ASSERT_NE(storm, nullptr);
    const Pid pid = storm->process.pid();
    auto& ids = storm->ids;
    const auto made = [&] {
        const auto count = x.cardinals(ids["S"], "PELORUS_CHURN_COUNT");
        return count.empty() ? 0u : count.front();
    };
    const auto started = std::chrono::steady_clock::now();
    const std::uint32_t madeBefore = made();

    platform::XcbWindowSystem real(x.display());
    ObservedWindows windows(real);
    testing::FakeForm form;
    const std::string rootKey = "M" + text::keyHex(static_cast<std::uint32_t>(pid));
    std::size_t nodes = 0;
    for (int walk = 0; walk < 500; ++walk) {
        SCOPED_TRACE("walk " + std::to_string(walk));
        testing::FakeWindowTree tree;
        windows.read.clear();
        windows.owner.clear();
        const OpenedWindows opened = openTree(windows, tree, pid);
        nodes += opened.nodes.size();
        ASSERT_EQ(opened.index.size(), opened.nodes.size()) << "a window held twice";
        ASSERT_EQ(tree.nodes.size(), opened.nodes.size() + 1);
        for (const auto& node : opened.nodes) {
            const WindowHandle parent = node.parent != 0 ? node.parent : windows.lastDesktop();
            ASSERT_TRUE(windows.read[parent].contains(node.window)) << Key(node.window);
            if (node.parent == 0) {
                ASSERT_EQ(windows.owner[node.window], pid) << Key(node.window);
            }
            const int index = tree.find(Key(node.window));
            ASSERT_NE(index, 0);
            EXPECT_EQ(tree.nodes[static_cast<std::size_t>(index - 1)].parentKey,
                      node.parent != 0 ? Key(node.parent) : rootKey);
        }
        for (const auto& [name, parentKey] :
             std::map<std::string, std::string>{{"S", rootKey},
                                                {"S1", Key(ids["S"])},
                                                {"S2", Key(ids["S"])},
                                                {"S1a", Key(ids["S1"])}}) {
            const int index = tree.find(Key(ids[name]));
            ASSERT_NE(index, 0) << name << " is missing";
            EXPECT_EQ(tree.nodes[static_cast<std::size_t>(index - 1)].parentKey, parentKey);
        }
        runWindowCommand(
            walk % 2 == 0 ? platform::ButtonIndex::HideAll : platform::ButtonIndex::ShowAll, tree,
            windows, form, procfs(), opened);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    const std::uint32_t madeDuring = made() - madeBefore;
    std::cout << "[ storm ] " << madeDuring << " windows made in " << took.count() << " s ("
              << static_cast<long>(madeDuring / took.count()) << " a second); 500 walks, " << nodes
              << " nodes\n";
    EXPECT_FALSE(storm->process.reapIfEnded()) << "the storm client ended";
    EXPECT_EQ(x.mapState(ids["S"]), XCB_MAP_STATE_VIEWABLE) << "Show all came last";
}

}  // namespace
}  // namespace pelorus::details
